// The record shared by the three threads of a continuous run: the driver's
// callback (it reads each block into a ring of 16 blocks and copies it for
// the display), the writer (it drains the ring into the recording file) and
// the GUI thread (set-up, display hand-off, shut-down).
//
// The ring is single-producer, single-consumer. `head` is written only by
// the callback and `tail` only by the writer; a block's samples are published
// by a release store of the index and taken with an acquire load. The display
// copy is exchanged under `displayLock`. The callback reaches the hardware
// only through `driver`, whose functions take the hardware lock themselves,
// so the two locks are never held together.
#ifndef OV_STREAM_CONTPARAMS_H
#define OV_STREAM_CONTPARAMS_H

#include "visa.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

constexpr int kRingBlocks = 16;

// How the callback reaches the digitizer (each call under the hardware lock).
struct ContDriver {
    // ov8263_readAcquisition(vi, scans, ov8263_GROUP_BY_CHANNEL, null, count, data)
    std::function<ViStatus(ViSession vi, ViInt32 scans, ViInt32 *count, ViReal64 *data)> readBlock;
    // ov8263_error_message(vi, status, text)
    std::function<std::string(ViSession vi, ViStatus status)> errorMessage;
};

// The writer task, started on a thread the owner chooses: the writer sets
// `started` as its first act and `done` as its last, so that whoever waits
// for it sees its writes whatever the thread facility.
struct ContWriterHandle {
    std::atomic<bool> started{false};
    std::atomic<bool> done{false};
    bool launched = false;      // a writer was started for this run
    std::function<void()> join; // waits for the thread or task to end
};

struct contParams_t {
    std::atomic<int32_t> head{0}; // ring index the callback reads next
    std::atomic<int32_t> tail{0}; // ring index the writer writes next
    std::atomic<bool> running{false};
    int32_t scansPerBlock = 0;
    int32_t scans = 0;
    double *blocks[kRingBlocks] = {};
    double *displayBlock = nullptr;
    bool displayConsumed = false; // under displayLock
    bool displayFresh = false;    // under displayLock
    ContWriterHandle writerFuture;
    std::mutex displayLock;
    std::FILE *file = nullptr;    // opened by the set-up, closed by the writer
    std::string filePath;
    std::string errorText;        // through setContError / contErrorText only
    int32_t bytesPerSample = 8;
    int32_t fileFormat = 0;       // 0 binary, 1 CSV
    int32_t measurementKind[16] = {};
    int32_t sensorCode[16] = {};
    std::vector<int32_t> channelList;

    // ---- shared with the acquisition engine -------------------------------
    std::atomic<bool> callbackEnabled{false};
    std::atomic<bool> callbackAcknowledged{false};
    std::atomic<int64_t> blocksRead{0};
    // Blocks whose read delivered fewer scans than asked for (and did not
    // fail); their missing scans are NaN. Told to the user at the stop.
    std::atomic<int64_t> shortBlocks{0};
    int64_t displayedBlockIndex = 0; // under displayLock
    std::atomic<double> bytesWritten{0.0};

    // ---- the run's fixed facts and helpers --------------------------------
    ContDriver driver;
    // Degrees Celsius of an RTD (sensor code, ohms); applied by the writer
    // to the temperature channels.
    double (*toCelsius)(int sensorCode, double ohms) = nullptr;
    bool recording = false;           // a file is written in this run
    long long wholeBytes = 0;         // writer: file length up to the last whole block
    std::atomic<int> callbacksInside{0}; // callbacks between entry and return
    std::mutex errorLock;             // guards errorText and readFailure
    std::string readFailure;          // the driver's text of a failed block read
    std::mutex wakeLock;              // the writer's doorbell
    std::condition_variable wake;
    // For measurements only: when set, the writer appends the milliseconds
    // each block took (conversion, formatting, write and flush), as wall
    // time and as its thread's CPU time, and whether the system switched
    // the writer out for another thread meanwhile (its wall time then holds
    // the other thread's turn). Read them after the writer ended.
    struct WriterTimes {
        std::vector<float> wallMs, cpuMs;
        std::vector<bool> preempted;
    } *writerTimes = nullptr;
};

#endif
