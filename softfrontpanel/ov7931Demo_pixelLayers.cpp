#include "ov7931Demo_pixelLayers.h"
#include "ov7931Demo_lineRaster.h"

#include <QColor>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <climits>
#include <vector>

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

} // namespace

namespace pixelLayers {

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
    target.format = format;
    target.clip = clip;
    target.device = device;
    target.key = image->cacheKey();
    return true;
}

// Asked of the engine itself, on one pixel; the last answer is kept.
quint32 pixelValue(QImage::Format format, const QColor &colour)
{
    thread_local QImage::Format lastFormat = QImage::Format_Invalid;
    thread_local quint64 lastColour = 0;
    thread_local quint32 value = 0;
    const quint64 key = quint64(colour.rgba64());
    if (format != lastFormat || key != lastColour) {
        QImage one(1, 1, format);
        one.fill(0);
        QPainter p(&one);
        p.setPen(Qt::NoPen);
        p.setBrush(QBrush(colour));
        p.drawRect(QRect(0, 0, 1, 1));
        p.end();
        value = *reinterpret_cast<const quint32 *>(one.constScanLine(0));
        lastFormat = format;
        lastColour = key;
    }
    return value;
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
    thread_local std::vector<size_t> next;
    extras.resize(size_t(count));
    next.assign(size_t(count), 0);
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
    const int top = clip.top();
    const int bottom = clip.bottom();
    uchar *const bits = target.bits;
    const qsizetype stride = target.stride;

    thread_local Covered covered;
    for (int c = c0; c <= c1; ++c) {
        covered.clear();
        uchar *const column = bits + 4 * c;
        for (int l = count - 1; l >= 0; --l) {
            const lineRaster::Spans &s = *layers[l].spans;
            const quint32 value = layers[l].value;
            const auto fill = [&](int y0, int y1) {
                uchar *p = column + stride * y0;
                for (int y = y0; y <= y1; ++y, p += stride)
                    *reinterpret_cast<quint32 *>(p) = value;
            };
            const auto run = [&](int a, int b) {
                a = std::max(a, top);
                b = std::min(b, bottom);
                if (a <= b)
                    covered.add(a, b, fill);
            };
            if (c >= s.minCol && c <= s.maxCol && s.lo[size_t(c)] <= s.hi[size_t(c)])
                run(s.lo[size_t(c)], s.hi[size_t(c)]);
            const std::vector<QRect> &e = extras[size_t(l)];
            size_t &k = next[size_t(l)];
            while (k < e.size() && e[k].x() < c)
                ++k;
            for (size_t j = k; j < e.size() && e[j].x() == c; ++j)
                run(e[j].top(), e[j].bottom());
        }
    }
}

} // namespace pixelLayers
