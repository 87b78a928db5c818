#include "ov7931Demo_pixelLayers.h"
#include "ov7931Demo_lineRaster.h"
#include "ov7931Demo_shareWork.h"

#include <QColor>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>
#include <QtAlgorithms>

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

struct Interval {
    int lo;
    int hi;
};

// The rows of one column already painted by higher layers: sorted, apart.
class Covered
{
public:
    void clear() { m_runs.clear(); }

    // Calls paint(y0, y1) for the rows of a .. b not covered yet, then
    // covers a .. b.
    template<class Paint>
    inline void add(int a, int b, Paint &&paint)
    {
        const size_t n = m_runs.size();
        // the usual cases: nothing covered yet, or one run that a .. b
        // overlaps or touches (the curves of a column overlap)
        if (n == 0) {
            paint(a, b);
            m_runs.push_back(Interval{a, b});
            return;
        }
        if (n == 1 && a <= m_runs[0].hi + 1 && b >= m_runs[0].lo - 1) {
            Interval &r = m_runs[0];
            if (a < r.lo)
                paint(a, r.lo - 1);
            if (b > r.hi)
                paint(r.hi + 1, b);
            r.lo = std::min(r.lo, a);
            r.hi = std::max(r.hi, b);
            return;
        }
        size_t k = 0;
        while (k < n && m_runs[k].hi < a)
            ++k;
        for (int y = a; y <= b;) {
            if (k < n && m_runs[k].lo <= y) {
                y = m_runs[k].hi + 1;
                ++k;
                continue;
            }
            const int end = k < n ? std::min(b, m_runs[k].lo - 1) : b;
            paint(y, end);
            y = end + 1;
        }
        // a .. b joins the runs it overlaps or touches
        size_t s = 0;
        while (s < n && m_runs[s].hi < a - 1)
            ++s;
        size_t e = s;
        int lo = a;
        int hi = b;
        while (e < n && m_runs[e].lo <= b + 1) {
            lo = std::min(lo, m_runs[e].lo);
            hi = std::max(hi, m_runs[e].hi);
            ++e;
        }
        if (e > s) {
            m_runs[s] = Interval{lo, hi};
            m_runs.erase(m_runs.begin() + long(s + 1), m_runs.begin() + long(e));
        } else {
            m_runs.insert(m_runs.begin() + long(s), Interval{lo, hi});
        }
    }

private:
    std::vector<Interval> m_runs;
};

// Rows y0 .. y1 of one column in one colour.
struct Segment {
    int y0;
    int y1;
    quint32 value;
};

// Writes a tile of 16 columns (w of them used) row by row from rowLo to
// rowHi: in each row, every column that has a run there takes the run's
// colour, the others keep their pixels. The runs of a column are apart.
void writeRows(uchar *origin, qsizetype stride, std::vector<Segment> *runs, int w, int rowLo, int rowHi)
{
    alignas(16) quint32 values[16] = {};
    alignas(16) quint32 masks[16] = {};
    size_t k[16];
    bool active[16];
    alignas(16) int change[16]; // the next row where the column's pattern changes
    for (int j = 0; j < 16; ++j) {
        if (j < w) {
            std::sort(runs[j].begin(), runs[j].end(),
                      [](const Segment &a, const Segment &b) { return a.y0 < b.y0; });
        }
        k[j] = 0;
        active[j] = false;
        change[j] = j < w && !runs[j].empty() ? runs[j][0].y0 : INT_MAX;
    }
    int y = rowLo;
    // the columns whose pattern changes in row y (unused ones never change)
    const auto changing = [&](int at) {
        quint32 bits = 0;
#ifdef __SSE2__
        const __m128i vy = _mm_set1_epi32(at);
        for (int q = 0; q < 4; ++q) {
            const __m128i c = _mm_load_si128(reinterpret_cast<const __m128i *>(change + 4 * q));
            bits |= quint32(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(c, vy)))) << (4 * q);
        }
#else
        for (int j = 0; j < 16; ++j)
            bits |= quint32(change[j] == at) << j;
#endif
        return bits;
    };
    const auto firstChange = [&] {
#ifdef __SSE2__
        __m128i m = _mm_load_si128(reinterpret_cast<const __m128i *>(change));
        for (int q = 1; q < 4; ++q) {
            const __m128i c = _mm_load_si128(reinterpret_cast<const __m128i *>(change + 4 * q));
            const __m128i lt = _mm_cmplt_epi32(c, m);
            m = _mm_or_si128(_mm_and_si128(lt, c), _mm_andnot_si128(lt, m));
        }
        alignas(16) int lanes[4];
        _mm_store_si128(reinterpret_cast<__m128i *>(lanes), m);
        return std::min(std::min(lanes[0], lanes[1]), std::min(lanes[2], lanes[3]));
#else
        return *std::min_element(change, change + 16);
#endif
    };
    while (y <= rowHi) {
        for (quint32 bits = changing(y); bits; bits &= bits - 1) {
            const int j = int(qCountTrailingZeroBits(bits));
            const std::vector<Segment> &r = runs[j];
            if (active[j]) {
                active[j] = false;
                masks[j] = 0;
                ++k[j];
                change[j] = k[j] < r.size() ? r[k[j]].y0 : INT_MAX;
            }
            if (!active[j] && change[j] == y) {
                active[j] = true;
                values[j] = r[k[j]].value;
                masks[j] = ~0u;
                change[j] = r[k[j]].y1 + 1;
            }
        }
        const int nextChange = firstChange();
        const int end = std::min(nextChange, rowHi + 1);
#ifdef __SSE2__
        __m128i v[4];
        __m128i m[4];
        int full = 0xffff;
        int any = 0;
        for (int q = 0; q < 4; ++q) {
            v[q] = _mm_load_si128(reinterpret_cast<const __m128i *>(values + 4 * q));
            m[q] = _mm_load_si128(reinterpret_cast<const __m128i *>(masks + 4 * q));
            full &= _mm_movemask_epi8(m[q]);
            any |= _mm_movemask_epi8(m[q]);
        }
        uchar *row = origin + stride * y;
        if (!any) {
            // no run in these rows
        } else if (full == 0xffff) {
            for (int r = y; r < end; ++r, row += stride) {
                for (int q = 0; q < 4; ++q)
                    _mm_storeu_si128(reinterpret_cast<__m128i *>(row) + q, v[q]);
            }
        } else {
            for (int r = y; r < end; ++r, row += stride) {
                for (int q = 0; q < 4; ++q) {
                    __m128i *const at = reinterpret_cast<__m128i *>(row) + q;
                    const __m128i old = _mm_loadu_si128(at);
                    _mm_storeu_si128(at, _mm_or_si128(_mm_and_si128(m[q], v[q]), _mm_andnot_si128(m[q], old)));
                }
            }
        }
#else
        uchar *row = origin + stride * y;
        for (int r = y; r < end; ++r, row += stride) {
            quint32 *const p = reinterpret_cast<quint32 *>(row);
            for (int j = 0; j < w; ++j)
                if (masks[j])
                    p[j] = values[j];
        }
#endif
        y = end;
    }
}

} // namespace

namespace pixelLayers {

bool plainPainter(const QPainter *painter)
{
    if (painter->compositionMode() != QPainter::CompositionMode_SourceOver || painter->opacity() != 1.0)
        return false;
    const QTransform t = painter->deviceTransform();
    return t.type() <= QTransform::TxTranslate && t.dx() == std::floor(t.dx()) && t.dy() == std::floor(t.dy());
}

bool straightTarget(QPainter *painter, QPoint translate, Target &target)
{
    QPaintEngine *engine = painter->paintEngine();
    QPaintDevice *device = engine ? engine->paintDevice() : nullptr;
    if (!device || engine->type() != QPaintEngine::Raster || device->devType() != QInternal::Image)
        return false;
    QImage *image = static_cast<QImage *>(device);
    const QImage::Format format = image->format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32
        && format != QImage::Format_ARGB32_Premultiplied)
        return false;
    if (!image->isDetached() || image->depth() != 32)
        return false;

    QRect clip = image->rect();
    const QRegion system = engine->systemClip();
    if (!system.isEmpty()) {
        if (system.rectCount() != 1)
            return false;
        clip &= system.boundingRect();
    }
    if (painter->hasClipping()) {
        const QRegion region = painter->clipRegion();
        if (region.rectCount() > 1 || QRectF(region.boundingRect()) != painter->clipBoundingRect())
            return false;
        clip &= region.boundingRect().translated(translate);
    }
    // the engine paints on this very memory; a const view does not detach
    target.bits = const_cast<uchar *>(image->constBits());
    target.stride = image->bytesPerLine();
    target.width = image->width();
    target.format = format;
    target.clip = clip;
    target.device = device;
    target.key = image->cacheKey();
    return true;
}

// Asked of the engine itself, on one pixel; the answers for the last few
// colours (a plot's curves have one each) are kept.
quint32 pixelValue(QImage::Format format, const QColor &colour)
{
    struct Answer {
        QImage::Format format = QImage::Format_Invalid;
        quint64 colour = 0;
        quint32 value = 0;
    };
    constexpr int kept = 32;
    thread_local Answer answers[kept];
    thread_local int oldest = 0;
    const quint64 key = quint64(colour.rgba64());
    for (const Answer &a : answers)
        if (a.format == format && a.colour == key)
            return a.value;
    QImage one(1, 1, format);
    one.fill(0);
    QPainter p(&one);
    p.setPen(Qt::NoPen);
    p.setBrush(QBrush(colour));
    p.drawRect(QRect(0, 0, 1, 1));
    p.end();
    Answer &a = answers[oldest];
    oldest = (oldest + 1) % kept;
    a = Answer{format, key, *reinterpret_cast<const quint32 *>(one.constScanLine(0))};
    return a.value;
}

void paint(const Target &target, const Layer *layers, int count)
{
    const QRect &clip = target.clip;
    if (clip.isEmpty() || count <= 0)
        return;
    int c0 = INT_MAX;
    int c1 = INT_MIN;
    // the rare runs apart from a column's run, per layer in column order
    thread_local std::vector<std::vector<QRect>> extras;
    extras.resize(size_t(count));
    for (int l = 0; l < count; ++l) {
        const lineRaster::Spans &s = *layers[l].spans;
        c0 = std::min(c0, s.minCol);
        c1 = std::max(c1, s.maxCol);
        extras[size_t(l)] = s.extra;
        std::stable_sort(extras[size_t(l)].begin(), extras[size_t(l)].end(),
                         [](const QRect &a, const QRect &b) { return a.x() < b.x(); });
    }
    c0 = std::max(c0, clip.left());
    c1 = std::min(c1, clip.right());
    if (c0 > c1)
        return;
    const int top = clip.top();
    const int bottom = clip.bottom();
    uchar *const bits = target.bits;
    const qsizetype stride = target.stride;

    // Tiles of 16 columns (a cache line of pixels). Where the runs are short
    // (thin lines), each column's runs are written down the column, the
    // layers from the bottom up, so that the topmost is written last. Where
    // they are long (noisy curves over each other), first the rows each
    // layer shows in a column are found, each pixel once, then the tile is
    // written row by row, 16 pixels at a time, with the runs' colours as a
    // row pattern that changes only where a run starts or ends.
    // The tiles are shared out in chunks between this thread and the helper
    // (ov7931Demo_shareWork.h); no two tiles touch the same pixel.
    constexpr int tileWidth = 16;
    constexpr int tilesPerChunk = 4;
    const int tiles = (c1 - c0) / tileWidth + 1;
    const std::vector<std::vector<QRect>> &extraRuns = extras;
    const auto paintTiles = [&](int chunk, bool) {
        thread_local std::vector<Segment> runs[tileWidth];
        thread_local Covered covered;
        thread_local std::vector<size_t> next;
        thread_local std::vector<size_t> tileNext;
        const int first = c0 + chunk * tilesPerChunk * tileWidth;
        const int last = std::min(c1, first + tilesPerChunk * tileWidth - 1);
        next.resize(size_t(count));
        for (int l = 0; l < count; ++l) {
            const std::vector<QRect> &e = extraRuns[size_t(l)];
            next[size_t(l)] = size_t(std::lower_bound(e.begin(), e.end(), first,
                                                      [](const QRect &r, int x) { return r.x() < x; })
                                     - e.begin());
        }
        // f(y0, y1) for each run of layer l in column c within the clip's
        // rows (the columns of one tile taken in order)
        const auto eachRun = [&](int c, int l, auto &&f) {
            const lineRaster::Spans &s = *layers[l].spans;
            const auto run = [&](int a, int b) {
                a = std::max(a, top);
                b = std::min(b, bottom);
                if (a <= b)
                    f(a, b);
            };
            if (c >= s.minCol && c <= s.maxCol && s.lo[size_t(c)] <= s.hi[size_t(c)])
                run(s.lo[size_t(c)], s.hi[size_t(c)]);
            const std::vector<QRect> &e = extraRuns[size_t(l)];
            size_t &k = next[size_t(l)];
            while (k < e.size() && e[k].x() < c)
                ++k;
            for (size_t j = k; j < e.size() && e[j].x() == c; ++j)
                run(e[j].top(), e[j].bottom());
        };
        for (int t0 = first; t0 <= last; t0 += tileWidth) {
            const int t1 = std::min(last, t0 + tileWidth - 1);
            tileNext = next;
            qint64 pixels = 0;
            int segments = 0;
            for (int c = t0; c <= t1; ++c)
                for (int l = 0; l < count; ++l)
                    eachRun(c, l, [&](int a, int b) {
                        pixels += b - a + 1;
                        ++segments;
                    });
            if (segments == 0)
                continue;
            next.swap(tileNext); // the tile's columns once more
            if (t0 + tileWidth > target.width || pixels < 16 * qint64(segments)) {
                for (int c = t0; c <= t1; ++c) {
                    uchar *const column = bits + 4 * c;
                    for (int l = 0; l < count; ++l) {
                        const quint32 value = layers[l].value;
                        eachRun(c, l, [&](int a, int b) {
                            uchar *p = column + stride * a;
                            for (int y = a; y <= b; ++y, p += stride)
                                *reinterpret_cast<quint32 *>(p) = value;
                        });
                    }
                }
                continue;
            }
            int rowLo = INT_MAX;
            int rowHi = INT_MIN;
            for (int c = t0; c <= t1; ++c) {
                std::vector<Segment> &column = runs[c - t0];
                column.clear();
                covered.clear();
                for (int l = count - 1; l >= 0; --l) {
                    const quint32 value = layers[l].value;
                    const auto keep = [&](int y0, int y1) { column.push_back(Segment{y0, y1, value}); };
                    eachRun(c, l, [&](int a, int b) {
                        covered.add(a, b, keep);
                        rowLo = std::min(rowLo, a);
                        rowHi = std::max(rowHi, b);
                    });
                }
            }
            writeRows(bits + 4 * t0, stride, runs, t1 - t0 + 1, rowLo, rowHi);
        }
    };
    lineRaster::shareWork((tiles + tilesPerChunk - 1) / tilesPerChunk, paintTiles);
}

} // namespace pixelLayers
