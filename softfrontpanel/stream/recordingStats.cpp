// One pass over a recording's blocks with per-segment summaries (see
// recordingStats.h). The file is read in fixed chunks; the walk through a
// chunk cuts it at segment and block borders wherever they fall, so neither
// the chunk size nor the block length needs to divide the other.
#include "recordingStats.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void SampleSummary::add(const SampleSummary &other)
{
    if (other.min < min)
        min = other.min;
    if (other.max > max)
        max = other.max;
    sum += other.sum;
    count += other.count;
    nanCount += other.nanCount;
}

namespace {

#if defined(__SSE2__)
// Two samples as two doubles.
inline __m128d load2(const double *p) { return _mm_loadu_pd(p); }
inline __m128d load2(const float *p)
{
    return _mm_cvtps_pd(_mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double *>(p))));
}

inline double lowest(__m128d a, __m128d b)
{
    const __m128d m = _mm_min_pd(a, b);
    return std::min(_mm_cvtsd_f64(m), _mm_cvtsd_f64(_mm_unpackhi_pd(m, m)));
}
inline double highest(__m128d a, __m128d b)
{
    const __m128d m = _mm_max_pd(a, b);
    return std::max(_mm_cvtsd_f64(m), _mm_cvtsd_f64(_mm_unpackhi_pd(m, m)));
}
inline double total(__m128d a, __m128d b)
{
    const __m128d m = _mm_add_pd(a, b);
    return _mm_cvtsd_f64(m) + _mm_cvtsd_f64(_mm_unpackhi_pd(m, m));
}
#endif

template <typename T>
void summarise(const T *p, size_t n, SampleSummary &s)
{
    double lo = s.min, hi = s.max, sum = 0.0;
    uint64_t nans = 0;
    size_t i = 0;
#if defined(__SSE2__)
    if (n >= 8) {
        // Four lanes. MINPD/MAXPD return their second operand when the first
        // is NaN, so a NaN sample leaves the lane as it was; NaN are left out
        // of the sum by a mask and counted as 1.0 each.
        __m128d lo0 = _mm_set1_pd(lo), lo1 = lo0, hi0 = _mm_set1_pd(hi), hi1 = hi0;
        __m128d sum0 = _mm_setzero_pd(), sum1 = sum0, nan0 = sum0, nan1 = sum0;
        const __m128d one = _mm_set1_pd(1.0);
        for (; i + 4 <= n; i += 4) {
            const __m128d a = load2(p + i), b = load2(p + i + 2);
            lo0 = _mm_min_pd(a, lo0);
            lo1 = _mm_min_pd(b, lo1);
            hi0 = _mm_max_pd(a, hi0);
            hi1 = _mm_max_pd(b, hi1);
            const __m128d okA = _mm_cmpord_pd(a, a), okB = _mm_cmpord_pd(b, b);
            sum0 = _mm_add_pd(sum0, _mm_and_pd(a, okA));
            sum1 = _mm_add_pd(sum1, _mm_and_pd(b, okB));
            nan0 = _mm_add_pd(nan0, _mm_andnot_pd(okA, one));
            nan1 = _mm_add_pd(nan1, _mm_andnot_pd(okB, one));
        }
        lo = lowest(lo0, lo1);
        hi = highest(hi0, hi1);
        sum = total(sum0, sum1);
        nans = uint64_t(total(nan0, nan1));
    }
#endif
    for (; i < n; ++i) {
        const double v = double(p[i]);
        if (v != v) {
            ++nans;
            continue;
        }
        lo = v < lo ? v : lo;
        hi = v > hi ? v : hi;
        sum += v;
    }
    s.min = lo;
    s.max = hi;
    s.sum += sum;
    s.nanCount += nans;
    s.count += n - nans;
}

// Reads up to `want` bytes; fewer only at the end of the file or on an error.
size_t readFully(int fd, unsigned char *out, size_t want)
{
    size_t got = 0;
    while (got < want) {
        const ssize_t r = ::read(fd, out + got, want - got);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        got += size_t(r);
    }
    return got;
}

bool cancelled(const std::atomic<bool> *cancel) { return cancel && cancel->load(std::memory_order_relaxed); }

// Walks the samples of the data part in order, cutting them into channel
// segments and blocks.
class BlockWalk
{
public:
    BlockWalk(const recordingInfo &info, const BlockSummarySink &sink)
        : sink_(sink), scans_(uint64_t(info.numberOfScansPerBlock)), segments_(info.numberOfChannels),
          acc_(size_t(info.numberOfChannels))
    {
    }

    // False when `cancel` was set at a block's end.
    template <typename T>
    bool feed(const T *p, size_t n, const std::atomic<bool> *cancel)
    {
        while (n > 0) {
            const size_t take = size_t(std::min<uint64_t>(n, scans_ - inSegment_));
            summarise(p, take, acc_[size_t(segment_)]);
            p += take;
            n -= take;
            inSegment_ += take;
            if (inSegment_ < scans_)
                continue;
            inSegment_ = 0;
            if (++segment_ < segments_)
                continue;
            segment_ = 0;
            sink_(block_++, acc_.data(), segments_);
            std::fill(acc_.begin(), acc_.end(), SampleSummary{});
            if (cancelled(cancel))
                return false;
        }
        return true;
    }

    // Blocks handed to the sink so far.
    uint64_t blocks() const { return block_; }

private:
    const BlockSummarySink &sink_;
    const uint64_t scans_;
    const int segments_;
    std::vector<SampleSummary> acc_;
    uint64_t block_ = 0;
    int segment_ = 0;
    uint64_t inSegment_ = 0;
};

} // namespace

void summariseSamples(const double *samples, size_t n, SampleSummary &s) { summarise(samples, n, s); }
void summariseSamples(const float *samples, size_t n, SampleSummary &s) { summarise(samples, n, s); }

ScanResult scanRecording(const recordingInfo &info, const BlockSummarySink &sink, const std::atomic<bool> *cancel,
                         size_t chunkBytes)
{
    if (info.numberOfChannels < 1 || info.numberOfScansPerBlock < 1 || info.blockLength == 0)
        return ScanResult::ReadFailed;
    const int fd = ::open(info.fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return ScanResult::ReadFailed;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    if (::lseek(fd, off_t(info.headerLength), SEEK_SET) < 0) {
        ::close(fd);
        return ScanResult::ReadFailed;
    }

    const size_t sampleSize = size_t(info.sampleSize());
    const size_t chunk = std::max(sampleSize, chunkBytes / sampleSize * sampleSize);
    std::vector<double> store((chunk + sizeof(double) - 1) / sizeof(double)); // aligned for either size
    unsigned char *bytes = reinterpret_cast<unsigned char *>(store.data());
    // Only whole blocks; blockCount x blockLength is at most the file's size.
    uint64_t left = info.blockCount * info.blockLength;
    BlockWalk walk(info, sink);
    ScanResult result = ScanResult::Done;
    while (left > 0) {
        if (cancelled(cancel)) {
            result = ScanResult::Cancelled;
            break;
        }
        const size_t want = size_t(std::min<uint64_t>(left, chunk));
        // A file cut short still gives the whole blocks before its end.
        const size_t got = readFully(fd, bytes, want);
        left -= want;
        const bool goOn = info.isReal64
                              ? walk.feed(reinterpret_cast<const double *>(bytes), got / sizeof(double), cancel)
                              : walk.feed(reinterpret_cast<const float *>(bytes), got / sizeof(float), cancel);
        if (!goOn) {
            result = walk.blocks() == info.blockCount ? ScanResult::Done : ScanResult::Cancelled;
            break;
        }
        if (got != want) {
            result = ScanResult::ReadFailed;
            break;
        }
    }
    ::close(fd);
    return result;
}
