// The callback, the writer and the hand-offs of a continuous run.
//
// The ring: the callback reads into blocks[head] and then publishes it by
// storing head + 1. While recording it never publishes an index equal to the
// writer's tail, because the writer may be inside that block: when the ring
// is full it waits until the writer has moved on, giving up with "Timeout"
// after 500000 polls of the writer's index: every hundredth poll gives up the
// processor, every thousandth waits 10 ms through the common library's delay
// (so a simulated clock moves on while the callback waits). That is about
// five seconds, during which the callback costs little processor time even
// on a busy machine. So the writer may fall behind by 15 blocks before the
// callback waits, and the callback never writes into a block the writer is
// writing.
//
// Every block is laid out by the count its read returned (a short read's
// missing scans become NaN) before anyone sees it. A failed read still goes
// to the display and the ring moves on, but recording stops first: the
// writer takes nothing that was published after `running` was cleared, so
// the file ends with whole, good, consecutive blocks. Once recording has
// stopped the callback keeps the ring turning for the display, except that
// it does not move onto the block a writer that has not ended yet may still
// be writing.
#include "contStream.h"

#include "csvFormat.h"
#include "ov9174.h"
#include "shortRead.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>
#include <time.h>

#if !defined(_WIN32)
#include <sys/resource.h>
#include <unistd.h>
#endif

const char kContNoMemoryText[] = "Unable to allocate memory.";
const char kContDiskFailedText[] = "Disk write failed!";
const char kContTimeoutText[] = "Timeout";

namespace {

constexpr long kRingWaitPolls = 500000;

double threadCpuMs()
{
#if defined(CLOCK_THREAD_CPUTIME_ID)
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
#else
    return 0.0;
#endif
}

size_t blockValues(const contParams_t &p) { return size_t(p.scansPerBlock) * p.channelList.size(); }

// A fresh calloc'd block is only promised by the kernel: each page is mapped
// when first touched. Touched here, at set-up, so that neither the
// callback's first fill nor the writer's first copy of a block pays for
// mapping its pages (one fault per page, over 300 for a block of 16 x 10000
// samples) during the run.
void mapPagesNow(double *block, size_t bytes)
{
    volatile unsigned char *b = reinterpret_cast<volatile unsigned char *>(block);
    for (size_t i = 0; i < bytes; i += 4096)
        b[i] = 0;
    if (bytes > 0)
        b[bytes - 1] = 0;
}

// How often the calling thread has been switched out for another one before
// it was done (measurements only; 0 where the system does not tell).
long involuntarySwitches()
{
#if defined(RUSAGE_THREAD)
    rusage u;
    getrusage(RUSAGE_THREAD, &u);
    return u.ru_nivcsw;
#else
    return 0;
#endif
}

void releaseBlocks(contParams_t &p)
{
    for (double *&b : p.blocks) {
        std::free(b);
        b = nullptr;
    }
    std::lock_guard<std::mutex> lk(p.displayLock);
    std::free(p.displayBlock);
    p.displayBlock = nullptr;
    p.displayFresh = false;
    p.displayConsumed = false;
}

void stopRecording(contParams_t &p, const std::string &why)
{
    setContError(p, why);
    p.running.store(false);
    std::lock_guard<std::mutex> lk(p.wakeLock);
    p.wake.notify_all();
}

// Converts the temperature channels of a block to degrees Celsius in place.
void convertTemperatures(contParams_t &p, double *block)
{
    if (!p.toCelsius)
        return;
    const size_t n = size_t(p.scansPerBlock);
    for (size_t k = 0; k < p.channelList.size(); ++k) {
        const int ch = p.channelList[k];
        if (p.measurementKind[ch] != 2)
            continue;
        double *seg = block + k * n;
        for (size_t s = 0; s < n; ++s)
            seg[s] = p.toCelsius(p.sensorCode[ch], seg[s]);
    }
}

// Writes one block; false when the C library reports a failure.
bool writeBlock(contParams_t &p, const double *block, std::string &text)
{
    const int channels = int(p.channelList.size());
    if (p.fileFormat == 1) {
        text.clear();
        appendCsvBlock(text, block, channels, p.scansPerBlock);
        if (std::fwrite(text.data(), 1, text.size(), p.file) != text.size() || std::fflush(p.file) != 0)
            return false;
        p.bytesWritten.store(p.bytesWritten.load() + csvBlockEstimate(channels, p.scansPerBlock));
        return true;
    }
    const size_t bytes = blockValues(p) * sizeof(double);
    if (std::fwrite(block, bytes, 1, p.file) != 1 || std::fflush(p.file) != 0)
        return false;
    p.bytesWritten.store(p.bytesWritten.load() + double(bytes));
    return true;
}

} // namespace

void setContError(contParams_t &p, const std::string &text)
{
    std::lock_guard<std::mutex> lk(p.errorLock);
    p.errorText = text;
}

std::string contErrorText(contParams_t &p)
{
    std::lock_guard<std::mutex> lk(p.errorLock);
    return p.errorText;
}

std::string contReadFailure(contParams_t &p)
{
    std::lock_guard<std::mutex> lk(p.errorLock);
    return p.readFailure;
}

bool contPrepare(contParams_t &p, uint32_t channelMask, int32_t scanCount, int fileFormat, size_t maxBlockBytes)
{
    if (p.callbacksInside.load() == 0)
        releaseBlocks(p); // what an earlier run could not free
    p.head.store(0);
    p.tail.store(0);
    p.running.store(false);
    setContError(p, std::string());
    {
        std::lock_guard<std::mutex> lk(p.errorLock);
        p.readFailure.clear();
    }
    {
        std::lock_guard<std::mutex> lk(p.displayLock);
        p.displayConsumed = false;
        p.displayFresh = false;
        p.displayedBlockIndex = 0;
    }
    p.file = nullptr;
    p.recording = false;
    p.bytesPerSample = 8;
    p.fileFormat = fileFormat == 0 ? 0 : 1;
    p.writerFuture.started.store(false);
    p.writerFuture.done.store(false);
    p.writerFuture.launched = false;
    p.writerFuture.join = nullptr;
    p.channelList.clear();
    for (int n = 0; n < 16; ++n)
        if (channelMask & (1u << n))
            p.channelList.push_back(n);
    p.scansPerBlock = p.scans = scanCount > 0 ? scanCount : 0;

    const size_t bytes = blockValues(p) * sizeof(double);
    bool ok = bytes > 0 && bytes <= maxBlockBytes;
    if (ok) {
        double *display = static_cast<double *>(std::calloc(blockValues(p), sizeof(double)));
        {
            std::lock_guard<std::mutex> lk(p.displayLock);
            p.displayBlock = display;
        }
        ok = display != nullptr;
        for (int i = 0; ok && i < kRingBlocks; ++i) {
            p.blocks[i] = static_cast<double *>(std::calloc(blockValues(p), sizeof(double)));
            ok = p.blocks[i] != nullptr;
        }
    }
    if (ok) {
        mapPagesNow(p.displayBlock, bytes);
        for (double *b : p.blocks)
            mapPagesNow(b, bytes);
    }
    if (!ok) {
        releaseBlocks(p);
        std::fputs("Unable to allocate memory.\n", stdout);
        std::fflush(stdout);
        setContError(p, kContNoMemoryText);
    }
    return ok;
}

bool contOpenRecording(contParams_t &p, const std::string &path, const RecordingSetup &setup)
{
    p.filePath = path;
    p.file = nullptr;
    if (path.empty())
        return true;
    // Both formats are written as bytes: the CSV writer ends its lines with
    // CR LF itself, the same on every platform.
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::printf("Cannot open file: \"%s\" for writing.\n", path.c_str());
        std::fflush(stdout);
        return false;
    }
    contAdoptRecording(p, file, path, setup);
    return true;
}

void contAdoptRecording(contParams_t &p, std::FILE *file, const std::string &path, const RecordingSetup &setup)
{
    p.filePath = path;
    p.file = file;
    // Every block goes to the file in one call; a stdio buffer would only
    // copy a block's ends through itself and split its write in three.
    // Unbuffered, fwrite hands the block to the kernel as it is and reports
    // a short write itself. (The short header costs a few more calls.)
    std::setvbuf(p.file, nullptr, _IONBF, 0);
    writeRecordingHeader(p.file, setup, p.fileFormat);
    const long at = std::ftell(p.file);
    p.wholeBytes = at > 0 ? at : 0;
}

void contBeginStreaming(contParams_t &p)
{
    p.recording = p.file != nullptr;
    p.blocksRead.store(0);
    p.shortBlocks.store(0);
    p.bytesWritten.store(0.0);
    p.running.store(true);
}

void contEnableCallback(contParams_t &p)
{
    p.callbackAcknowledged.store(false);
    p.callbackEnabled.store(true);
}

void contCallback(ViSession vi, ViAddr userData)
{
    contParams_t *p = static_cast<contParams_t *>(userData);
    // Counted before the enabled flag is looked at: the shut-down clears the
    // flag first and then waits for this count to reach zero.
    p->callbacksInside.fetch_add(1);
    if (!p->callbackEnabled.load()) {
        p->callbackAcknowledged.store(true);
        p->callbacksInside.fetch_sub(1);
        return;
    }
    const int32_t head = p->head.load(std::memory_order_relaxed);
    double *block = p->blocks[head];
    ViInt32 count = 0;
    const ViStatus status = p->driver.readBlock(vi, p->scansPerBlock, &count, block);
    const bool whole = layOutShortRead(block, p->channelList.size(), p->scansPerBlock, count) == p->scansPerBlock;
    const int64_t read = p->blocksRead.fetch_add(1) + 1;
    if (status < 0) {
        // Recording stops before the block is published: the writer never takes it.
        const std::string text = p->driver.errorMessage ? p->driver.errorMessage(vi, status) : std::string();
        {
            std::lock_guard<std::mutex> lk(p->errorLock);
            p->readFailure = text;
        }
        stopRecording(*p, "ov8263_readMultAcquisitionEx failed due to [" + text + "]");
    } else if (!whole) {
        p->shortBlocks.fetch_add(1);
    }
    {
        std::lock_guard<std::mutex> lk(p->displayLock);
        if (p->displayConsumed || !p->displayFresh) {
            std::memcpy(p->displayBlock, block,
                        size_t(p->bytesPerSample) * size_t(p->scans) * p->channelList.size());
            p->displayConsumed = false;
            p->displayFresh = true;
            p->displayedBlockIndex = read - 1;
        }
    }
    const int32_t next = (head + 1) % kRingBlocks;
    if (p->recording) {
        long polls = 0;
        while (p->running.load() && next == p->tail.load(std::memory_order_acquire)) {
            ++polls;
            if (polls % 100 == 0)
                std::this_thread::yield();
            if ((polls + 1) % 1000 == 0)
                ov9174_delay(10);
            if (polls > kRingWaitPolls) {
                stopRecording(*p, kContTimeoutText);
                break;
            }
        }
    }
    // Only a writer that is still at work can be inside block `next`.
    const bool writerMayBeInside = p->recording && !p->writerFuture.done.load() &&
                                   next == p->tail.load(std::memory_order_acquire);
    if (!writerMayBeInside) {
        p->head.store(next, std::memory_order_release);
        if (p->recording) {
            std::lock_guard<std::mutex> lk(p->wakeLock);
            p->wake.notify_one();
        }
    }
    p->callbacksInside.fetch_sub(1);
}

void contWriter(contParams_t *p)
{
    p->writerFuture.started.store(true);
    std::string text;
    bool failed = false;
    for (;;) {
        const int32_t tail = p->tail.load(std::memory_order_relaxed);
        if (tail == p->head.load(std::memory_order_acquire)) {
            if (!p->running.load())
                break;
            // Nothing to write: sleep until the callback publishes a block
            // or the run ends (checked again at least every 20 ms).
            std::unique_lock<std::mutex> lk(p->wakeLock);
            p->wake.wait_for(lk, std::chrono::milliseconds(20), [&] {
                return tail != p->head.load(std::memory_order_acquire) || !p->running.load();
            });
            continue;
        }
        // Once recording has stopped nothing more is written: not the block
        // whose read failed (published after `running` was cleared), not a
        // later one, not the blocks still waiting in the ring.
        if (!p->running.load())
            break;
        double *block = p->blocks[tail];
        const auto began = std::chrono::steady_clock::now();
        const double beganCpu = p->writerTimes ? threadCpuMs() : 0.0;
        const long beganSwitches = p->writerTimes ? involuntarySwitches() : 0;
        convertTemperatures(*p, block);
        if (writeBlock(*p, block, text)) {
            p->wholeBytes += p->fileFormat == 1 ? (long long)text.size()
                                                : (long long)(blockValues(*p) * sizeof(double));
        } else {
            failed = true;
            stopRecording(*p, kContDiskFailedText);
        }
        if (p->writerTimes) {
            p->writerTimes->wallMs.push_back(
                std::chrono::duration<float, std::milli>(std::chrono::steady_clock::now() - began).count());
            p->writerTimes->cpuMs.push_back(float(threadCpuMs() - beganCpu));
            p->writerTimes->preempted.push_back(involuntarySwitches() != beganSwitches);
        }
        p->tail.store((tail + 1) % kRingBlocks, std::memory_order_release);
    }
    if (p->file && std::fclose(p->file) != 0 && !failed) {
        failed = true;
        setContError(*p, kContDiskFailedText);
    }
    p->file = nullptr;
#if !defined(_WIN32)
    // A failed write may have left part of a block behind: the file keeps
    // whole blocks only.
    if (failed && !p->filePath.empty())
        (void)::truncate(p->filePath.c_str(), off_t(p->wholeBytes));
#endif
    p->writerFuture.done.store(true);
}

DisplayTake contTakeDisplayBlock(contParams_t &p, double *dest, int64_t *blockIndex)
{
    std::lock_guard<std::mutex> lk(p.displayLock);
    if (!p.displayBlock || !p.displayFresh)
        return DisplayTake::None;
    if (blockIndex)
        *blockIndex = p.displayedBlockIndex;
    if (p.displayConsumed)
        return DisplayTake::Same; // `dest` already holds it (and may have been converted since)
    std::memcpy(dest, p.displayBlock, sizeof(double) * size_t(p.scans) * p.channelList.size());
    p.displayConsumed = true;
    return DisplayTake::New;
}

bool contAwaitCallbackAcknowledge(contParams_t &p)
{
    for (int i = 0; i < 20 && !p.callbackAcknowledged.load(); ++i)
        ov9174_delay(100);
    return p.callbackAcknowledged.load();
}

void contStopWriter(contParams_t &p)
{
    p.running.store(false);
    {
        std::lock_guard<std::mutex> lk(p.wakeLock);
        p.wake.notify_all();
    }
    if (!p.writerFuture.launched)
        return;
    if (p.writerFuture.join)
        p.writerFuture.join();
    while (!p.writerFuture.done.load())
        std::this_thread::yield();
    p.writerFuture.launched = false;
    p.writerFuture.join = nullptr;
}

bool contFreeBuffers(contParams_t &p, int waitMs)
{
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (p.callbacksInside.load() != 0) {
        if (std::chrono::steady_clock::now() >= limit) {
            std::fputs("A continuous-acquisition callback is still running; its buffers are kept.\n", stdout);
            std::fflush(stdout);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    releaseBlocks(p);
    return true;
}
