// The steps of a continuous run that need no widget: the set-up of the ring
// and the recording file, the driver's callback, the writer, the display
// hand-off and the shut-down's waits. The GUI side (or a command-line
// recorder) calls them in this order:
//
//   contPrepare -> contOpenRecording -> contBeginStreaming -> start
//   contWriter when a file is open -> contEnableCallback -> driver streaming
//   with contCallback
//   ... contTakeDisplayBlock at each refresh ...
//   callbackEnabled cleared, stream stopped -> contStopWriter -> contFreeBuffers
#ifndef OV_STREAM_CONTSTREAM_H
#define OV_STREAM_CONTSTREAM_H

#include "contParams.h"
#include "recordingHeader.h"

// Texts the run leaves for the stop's error box.
extern const char kContNoMemoryText[];    // "Unable to allocate memory."
extern const char kContDiskFailedText[];  // "Disk write failed!"
extern const char kContTimeoutText[];     // "Timeout"

// The reason a run stopped recording; the last one set is kept.
void setContError(contParams_t &p, const std::string &text);
std::string contErrorText(contParams_t &p);
// The driver's text of the run's last failed block read; empty when every
// read succeeded.
std::string contReadFailure(contParams_t &p);

// Clears the record for a new run and allocates the ring and the display
// block (zero-filled) for the channels of `channelMask` (bit n: channel
// n+1) and `scanCount` scans. On a failed allocation everything is freed,
// "Unable to allocate memory.\n" goes to standard output, the error text is
// set and the result is false. `maxBlockBytes` only exists for tests: a
// larger block counts as a failed allocation.
bool contPrepare(contParams_t &p, uint32_t channelMask, int32_t scanCount, int fileFormat,
                 size_t maxBlockBytes = SIZE_MAX);

// Opens `path` (local 8-bit encoding) for the recording and writes its
// header. An empty path records nothing and succeeds. When the file cannot
// be opened, "Cannot open file: \"<path>\" for writing.\n" goes to standard
// output and the result is false.
bool contOpenRecording(contParams_t &p, const std::string &path, const RecordingSetup &setup);
// The same for a stream the caller has opened for writing at `path` (a
// command-line recorder that creates its file itself); the writer closes it.
void contAdoptRecording(contParams_t &p, std::FILE *file, const std::string &path, const RecordingSetup &setup);

// Marks the run as streaming (`running` set, counters cleared). Called
// before the writer starts.
void contBeginStreaming(contParams_t &p);
// Enables the callback (not yet acknowledged). Called after the writer has
// started, before the driver's streaming starts.
void contEnableCallback(contParams_t &p);

// The driver's callback, once per block; `userData` is the contParams_t.
void contCallback(ViSession vi, ViAddr userData);

// The writer: drains the ring into the file until `running` is cleared,
// then closes the file. Started only when a file is open.
void contWriter(contParams_t *p);

// The display hand-off of the GUI thread. `New`: the callback has filled the
// display block since the previous hand-off; it is copied into `dest`
// (scans x channels doubles) and marked consumed, and the callback will
// replace it with the first block completed after now. `Same`: `dest`
// already holds the latest block and nothing is copied. `None`: no block
// yet. `blockIndex` receives the block's number (from 0) in both cases.
enum class DisplayTake { None, Same, New };
DisplayTake contTakeDisplayBlock(contParams_t &p, double *dest, int64_t *blockIndex);

// The stop's wait for the callback to notice that it is disabled: at most
// 20 times 100 ms through the common library's delay. True when it did.
bool contAwaitCallbackAcknowledge(contParams_t &p);

// Ends the writer: clears `running`, wakes the writer and waits for it.
void contStopWriter(contParams_t &p);

// Frees the ring and the display block once no callback is inside any more
// (a callback that started before the stop may still be reading). Waits at
// most `waitMs` milliseconds of real time; returns false, and keeps the
// buffers, when a callback is still inside then.
bool contFreeBuffers(contParams_t &p, int waitMs = 2000);

#endif
