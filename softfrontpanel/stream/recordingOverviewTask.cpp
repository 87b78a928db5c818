// The overview's reading thread (see recordingOverviewTask.h).
#include "recordingOverviewTask.h"

#include <algorithm>

RecordingOverviewTask::RecordingOverviewTask(const recordingInfo &info) : info_(info)
{
    groups_.reset(info.blockCount, info.numberOfChannels);
    progress_.blocks = info.blockCount;
    thread_ = std::thread(&RecordingOverviewTask::run, this);
}

RecordingOverviewTask::~RecordingOverviewTask() { stop(); }

void RecordingOverviewTask::stop()
{
    cancel_.store(true, std::memory_order_relaxed);
    if (thread_.joinable())
        thread_.join();
}

void RecordingOverviewTask::run()
{
    OverviewBuilder builder(info_.blockCount, groups_.segments);
    const int segments = groups_.segments;
    uint64_t blocksRead = 0;
    const ScanResult result = scanRecording(
        info_,
        [&](uint64_t index, const SampleSummary *summaries, int count) {
            blocksRead = index + 1;
            if (!builder.addBlock(index, summaries, count))
                return;
            const uint32_t g = builder.completedGroup();
            std::lock_guard<std::mutex> hold(lock_);
            std::copy(builder.completed().begin(), builder.completed().end(),
                      groups_.cells.begin() + std::ptrdiff_t(size_t(g) * size_t(segments)));
            progress_.groupsRead = g + 1;
            progress_.blocksRead = index + 1;
        },
        &cancel_);
    std::lock_guard<std::mutex> hold(lock_);
    progress_.blocksRead = blocksRead;
    switch (result) {
    case ScanResult::Done: progress_.state = State::Done; break;
    case ScanResult::Cancelled: progress_.state = State::Cancelled; break;
    case ScanResult::ReadFailed: progress_.state = State::Failed; break;
    }
}

RecordingOverviewTask::Progress RecordingOverviewTask::takeNew(OverviewGroups &out, uint32_t &groupsHave)
{
    std::lock_guard<std::mutex> hold(lock_);
    if (out.blocks != groups_.blocks || out.groups != groups_.groups || out.segments != groups_.segments ||
        out.cells.size() != groups_.cells.size()) {
        out.reset(groups_.blocks, groups_.segments);
        groupsHave = 0;
    }
    const uint32_t have = std::min(groupsHave, progress_.groupsRead);
    const size_t from = size_t(have) * size_t(groups_.segments), to = size_t(progress_.groupsRead) * size_t(groups_.segments);
    std::copy(groups_.cells.begin() + std::ptrdiff_t(from), groups_.cells.begin() + std::ptrdiff_t(to),
              out.cells.begin() + std::ptrdiff_t(from));
    groupsHave = progress_.groupsRead;
    return progress_;
}
