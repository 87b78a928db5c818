// Reading a recording's overview on a thread of its own. The task owns the
// thread: it starts it, tells it to stop through an atomic flag and joins
// it, at the latest in its destructor, which therefore returns within about
// a chunk's read (a millisecond from the page cache). The reader hands each
// completed group over under a mutex; the viewer's timer takes the groups
// that are new since its last look, so the picture grows while the file is
// read and the GUI thread never waits for the disk.
#ifndef OV_STREAM_RECORDINGOVERVIEWTASK_H
#define OV_STREAM_RECORDINGOVERVIEWTASK_H

#include "recordingOverview.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

class RecordingOverviewTask
{
public:
    enum class State { Reading, Done, Cancelled, Failed };

    // What the reader has got so far.
    struct Progress {
        State state = State::Reading;
        uint64_t blocksRead = 0;
        uint64_t blocks = 0;
        uint32_t groupsRead = 0; // groups complete, from the first
    };

    // Starts reading the recording `info` (its header read) at once.
    explicit RecordingOverviewTask(const recordingInfo &info);
    // Stops the reading and waits for the thread.
    ~RecordingOverviewTask();
    RecordingOverviewTask(const RecordingOverviewTask &) = delete;
    RecordingOverviewTask &operator=(const RecordingOverviewTask &) = delete;

    // Stops the reading and waits for the thread; the groups read stay.
    void stop();

    // Copies the groups completed since `out` was last filled into `out`
    // (reset to this recording's shape on its first call) and tells the
    // progress. Holds the lock only for that copy.
    Progress takeNew(OverviewGroups &out, uint32_t &groupsHave);

private:
    void run();

    const recordingInfo info_;
    std::atomic<bool> cancel_{false};
    std::mutex lock_;
    OverviewGroups groups_;  // under lock_
    Progress progress_;      // under lock_
    std::thread thread_;     // last: started when the members above exist
};

#endif
