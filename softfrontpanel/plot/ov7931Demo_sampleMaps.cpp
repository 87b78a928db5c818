#include "ov7931Demo_sampleMaps.h"

#include <qwt_scale_map.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace {

// Samples from v[j] on that change nothing of one axis of the bounding
// rectangle below: above p and not above r. Returns the index of the first
// other sample.
size_t insideRun(const double *v, size_t j, size_t n, double p, double r)
{
#ifdef __SSE2__
    const __m128d vp = _mm_set1_pd(p);
    const __m128d vr = _mm_set1_pd(r);
    for (; j + 4 <= n; j += 4) {
        const __m128d a = _mm_loadu_pd(v + j);
        const __m128d b = _mm_loadu_pd(v + j + 2);
        const __m128d in = _mm_and_pd(_mm_and_pd(_mm_cmplt_pd(vp, a), _mm_cmple_pd(a, vr)),
                                      _mm_and_pd(_mm_cmplt_pd(vp, b), _mm_cmple_pd(b, vr)));
        if (_mm_movemask_pd(in) != 3)
            break;
    }
#endif
    while (j < n && p < v[j] && v[j] <= r)
        ++j;
    return j;
}

// Samples from v[j] (j >= 1) that are each a new maximum after the one before
// it: above p and above p + (v[k - 1] - p), the right edge that sample left.
// Returns the index of the first other sample.
size_t maximaRun(const double *v, size_t j, size_t n, double p)
{
#ifdef __SSE2__
    const __m128d vp = _mm_set1_pd(p);
    for (; j + 2 <= n; j += 2) {
        const __m128d a = _mm_loadu_pd(v + j);
        const __m128d right = _mm_add_pd(vp, _mm_sub_pd(_mm_loadu_pd(v + j - 1), vp));
        if (_mm_movemask_pd(_mm_and_pd(_mm_cmplt_pd(vp, a), _mm_cmplt_pd(right, a))) != 3)
            break;
    }
#endif
    while (j < n && p < v[j] && p + (v[j - 1] - p) < v[j])
        ++j;
    return j;
}

} // namespace

namespace sampleMaps {

// Qwt's bounding rectangle along one axis: starting from the first sample
// with size 0, for every further sample a QRectF::setLeft(qMin(left(), a))
// and then setRight(qMax(right(), a)), i.e. with d = qMin(p, a) - p:
// p += d, s -= d, then s = qMax(p + s, a) - p. While p is finite and not -0,
// a sample above p leaves p and s as they are, except s = a - p for a new
// maximum (above p + s); a sample not above p + s leaves s as it is when s
// is a fixed point of s -> (p + s) - p. Runs of such samples are passed over
// several at a time; every other sample takes the exact steps, so the result
// is the very one Qwt computes (NaN included).
void axisBounds(const double *v, size_t n, double &pos, double &size)
{
    const auto sameBits = [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; };
    double p = v[0];
    double s = 0.0;
    size_t i = 1;
    while (i < n) {
        double r = p + s;
        const double a = v[i];
        if (std::isfinite(p) && std::isfinite(r) && !(p == 0.0 && std::signbit(p)) && p < a) {
            if (r < a) {
                i = maximaRun(v, i + 1, n, p);
                s = v[i - 1] - p;
                continue;
            }
            if (sameBits(r - p, s)) {
                i = insideRun(v, i, n, p, r);
                continue;
            }
        }
        const double d = (p < a ? p : a) - p;
        p += d;
        s -= d;
        r = p + s;
        s = (r < a ? a : r) - p;
        ++i;
    }
    pos = p;
    size = s;
}

bool Linear::of(const QwtScaleMap &map, double probe, Linear &out)
{
    if (map.transformation())
        return false;
    out = Linear{map.p1(), map.s1(), 1.0};
    if (map.s1() != map.s2())
        out.cnv = (map.p2() - map.p1()) / (map.s2() - map.s1());
    // the very arithmetic of the map, checked on one sample
    const double a = out.p1 + (probe - out.ts1) * out.cnv;
    const double b = map.transform(probe);
    return std::memcmp(&a, &b, sizeof a) == 0;
}

namespace {

#if defined(__x86_64__) && defined(__GNUC__)
// mapAxis()'s loop four samples at a time, where the processor has AVX2 (and
// without FMA: a fused multiply-add would round differently). Maps the
// samples from 0 in blocks of four; returns how many it did.
__attribute__((target("avx2"))) int mapAxisAvx2(const double *v, int n, const Linear &l, int *out, bool &finite,
                                                double &low, double &high)
{
    const __m256d p1 = _mm256_set1_pd(l.p1);
    const __m256d t1 = _mm256_set1_pd(l.ts1);
    const __m256d cnv = _mm256_set1_pd(l.cnv);
    const __m256d floor = _mm256_set1_pd(-1.0e9);
    const __m256d ceiling = _mm256_set1_pd(1.0e9);
    const __m256d zero = _mm256_setzero_pd();
    const __m256d half = _mm256_set1_pd(0.5);
    const __m256i lanes = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
    __m256d ok = _mm256_cmp_pd(zero, zero, _CMP_EQ_OQ);
    __m256d minv = _mm256_set1_pd(HUGE_VAL);
    __m256d maxv = _mm256_set1_pd(-HUGE_VAL);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        // the very operations of the two-at-a-time loop
        __m256d a = _mm256_add_pd(p1, _mm256_mul_pd(_mm256_sub_pd(_mm256_loadu_pd(v + i), t1), cnv));
        ok = _mm256_and_pd(ok, _mm256_cmp_pd(_mm256_sub_pd(a, a), zero, _CMP_EQ_OQ));
        a = _mm256_min_pd(_mm256_max_pd(a, floor), ceiling);
        minv = _mm256_min_pd(minv, a);
        maxv = _mm256_max_pd(maxv, a);
        const __m128i up = _mm256_cvttpd_epi32(_mm256_add_pd(a, half));
        __m128i r = up;
        const __m256d ge = _mm256_cmp_pd(a, zero, _CMP_GE_OQ);
        if (_mm256_movemask_pd(ge) != 0xf) {
            const __m128i down = _mm_sub_epi32(_mm_setzero_si128(), _mm256_cvttpd_epi32(_mm256_sub_pd(half, a)));
            const __m128i geLanes =
                _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(_mm256_castpd_si256(ge), lanes));
            r = _mm_or_si128(_mm_and_si128(geLanes, up), _mm_andnot_si128(geLanes, down));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), r);
    }
    finite = _mm256_movemask_pd(ok) == 0xf;
    alignas(32) double m[4];
    _mm256_store_pd(m, minv);
    low = std::min(std::min(m[0], m[1]), std::min(m[2], m[3]));
    _mm256_store_pd(m, maxv);
    high = std::max(std::max(m[0], m[1]), std::max(m[2], m[3]));
    return i;
}
#endif

#ifdef __SSE2__
// mapAxis()'s loop two samples at a time. Maps the samples from 0 in blocks
// of four; returns how many it did.
int mapAxisSse2(const double *v, int n, const Linear &l, int *out, bool &finite, double &low, double &high)
{
    int i = 0;
    const __m128d p1 = _mm_set1_pd(l.p1);
    const __m128d t1 = _mm_set1_pd(l.ts1);
    const __m128d cnv = _mm_set1_pd(l.cnv);
    const __m128d floor = _mm_set1_pd(-1.0e9);
    const __m128d ceiling = _mm_set1_pd(1.0e9);
    const __m128d zero = _mm_setzero_pd();
    const __m128d half = _mm_set1_pd(0.5);
    __m128d ok = _mm_cmpeq_pd(zero, zero);
    __m128d minv = _mm_set1_pd(HUGE_VAL);
    __m128d maxv = _mm_set1_pd(-HUGE_VAL);
    // v >= 0 ? int(v + 0.5) : -int(0.5 - v) for two values, in the low half
    const auto round2 = [&](__m128d a) {
        const __m128i up = _mm_cvttpd_epi32(_mm_add_pd(a, half));
        const __m128i down = _mm_sub_epi32(_mm_setzero_si128(), _mm_cvttpd_epi32(_mm_sub_pd(half, a)));
        const __m128i ge = _mm_shuffle_epi32(_mm_castpd_si128(_mm_cmpge_pd(a, zero)), _MM_SHUFFLE(2, 0, 2, 0));
        return _mm_or_si128(_mm_and_si128(ge, up), _mm_andnot_si128(ge, down));
    };
    // mapped values not below 0 (the usual case: inside the canvas) round as
    // int(v + 0.5), the others by round2()
    const auto map2Plus = [&](const double *at, bool &below) {
        __m128d a = _mm_add_pd(p1, _mm_mul_pd(_mm_sub_pd(_mm_loadu_pd(at), t1), cnv));
        ok = _mm_and_pd(ok, _mm_cmpeq_pd(_mm_sub_pd(a, a), zero));
        a = _mm_min_pd(_mm_max_pd(a, floor), ceiling);
        minv = _mm_min_pd(minv, a);
        maxv = _mm_max_pd(maxv, a);
        below = _mm_movemask_pd(_mm_cmplt_pd(a, zero)) != 0;
        return a;
    };
    for (; i + 4 <= n; i += 4) {
        bool belowA;
        bool belowB;
        const __m128d a = map2Plus(v + i, belowA);
        const __m128d b = map2Plus(v + i + 2, belowB);
        __m128i ra;
        __m128i rb;
        if (!(belowA | belowB)) {
            ra = _mm_cvttpd_epi32(_mm_add_pd(a, half));
            rb = _mm_cvttpd_epi32(_mm_add_pd(b, half));
        } else {
            ra = round2(a);
            rb = round2(b);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_unpacklo_epi64(ra, rb));
    }
    finite = _mm_movemask_pd(ok) == 3;
    double lanes[2];
    _mm_storeu_pd(lanes, minv);
    low = std::min(lanes[0], lanes[1]);
    _mm_storeu_pd(lanes, maxv);
    high = std::max(lanes[0], lanes[1]);
    return i;
}
#endif

} // namespace

bool mapAxis(const double *v, int n, const Linear &l, int *out, int &lo, int &hi)
{
    int i = 0;
    bool finite = true;
    double low = HUGE_VAL;
    double high = -HUGE_VAL;
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
        i = mapAxisAvx2(v, n, l, out, finite, low, high);
    else
        i = mapAxisSse2(v, n, l, out, finite, low, high);
#elif defined(__SSE2__)
    i = mapAxisSse2(v, n, l, out, finite, low, high);
#endif
    for (; i < n; ++i) {
        double a = l.p1 + (v[i] - l.ts1) * l.cnv;
        finite = finite && std::isfinite(a);
        a = qBound(-1.0e9, a, 1.0e9);
        low = std::min(low, a);
        high = std::max(high, a);
        out[i] = wholeOf(a);
    }
    // the rounding keeps the order, so the bounds of the rounded values are
    // the rounded bounds
    lo = wholeOf(low);
    hi = wholeOf(high);
    return finite;
}

bool MappedAxis::holds(const double *v, int n, const Linear &l) const
{
    // bit for bit: a map with -0.0 is not taken for one with 0.0
    return m_open && v == m_v && n == m_n && std::memcmp(&l, &m_l, sizeof l) == 0;
}

void MappedAxis::map(const double *v, int n, const Linear &l)
{
    values.resize(size_t(n));
    finite = mapAxis(v, n, l, values.data(), lo, hi);
    m_v = v;
    m_n = n;
    m_l = l;
    m_open = true;
}

int wholePoints(const int *xs, const int *ys, int n, bool weed, QPoint *out)
{
    // point i is kept unless it repeats point i - 1
    const auto one = [&](int i, int count) {
        const QPoint q(xs[i], ys[i]);
        out[count] = q;
        return count + int(!weed || xs[i - 1] != q.x() || ys[i - 1] != q.y());
    };
    out[0] = QPoint(xs[0], ys[0]);
    int count = 1;
    int i = 1;
#ifdef __SSE2__
    // four points at a time: each is written where the next kept point goes
    // and kept by moving on past it, without a branch on which repeat (a
    // smooth curve repeats points at random)
    static_assert(sizeof(QPoint) == 2 * sizeof(int), "QPoint is x, y");
    for (; i + 4 <= n; i += 4) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(xs + i));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i *>(ys + i));
        const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i *>(xs + i - 1));
        const __m128i py = _mm_loadu_si128(reinterpret_cast<const __m128i *>(ys + i - 1));
        const int repeats = weed ? _mm_movemask_ps(_mm_castsi128_ps(_mm_and_si128(_mm_cmpeq_epi32(x, px),
                                                                                  _mm_cmpeq_epi32(y, py))))
                                 : 0;
        alignas(16) QPoint four[4];
        _mm_store_si128(reinterpret_cast<__m128i *>(four), _mm_unpacklo_epi32(x, y));
        _mm_store_si128(reinterpret_cast<__m128i *>(four) + 1, _mm_unpackhi_epi32(x, y));
        for (int k = 0; k < 4; ++k) {
            out[count] = four[k];
            count += 1 - ((repeats >> k) & 1);
        }
    }
#endif
    for (; i < n; ++i)
        count = one(i, count);
    return count;
}

} // namespace sampleMaps
