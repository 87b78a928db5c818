#include "ov7931Demo_fastCurve.h"
#include "ov7931Demo_lineRaster.h"

#include <QPaintDevice>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPolygonF>
#include <QRect>
#include <QRegion>
#include <QTransform>
#include <QVector>

#include <qwt_clipper.h>
#include <qwt_painter.h>
#include <qwt_point_data.h>
#include <qwt_scale_map.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cmath>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// The polygon is built exactly as QwtPlotCurve builds it for the raster
// engine (mapped, rounded, without consecutive duplicates, clipped to the
// canvas, cut into pieces of seven points); lineRaster tells which pixels the
// engine would set for it, and those are filled as rectangles.

namespace {

// Qwt's rounding of mapped coordinates, floor(v + 0.5) for v >= 0 and
// ceil(v - 0.5) below, without the library calls: truncating a positive value
// is its floor, and 0.5 - v is exactly -(v - 0.5).
inline double qwtRound(double v)
{
    if (v >= 0.0) {
        const double t = v + 0.5;
        return t < 4.0e15 ? double(qint64(t)) : std::floor(t);
    }
    const double t = 0.5 - v;
    return t < 4.0e15 ? -double(qint64(t)) : std::ceil(v - 0.5);
}

// The value the raster engine stores for an opaque colour in a 32-bit image
// format, asked of the engine itself on one pixel (the last answer is kept).
quint32 enginePixel(QImage::Format format, const QColor &colour)
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

// Fills the rectangles (device coordinates, `translate` from the painter's)
// straight into the 32-bit image the raster engine paints on, within the
// image, the engine's system clip and the painter's clip, as the engine would
// fill them, without its work per row. False, with nothing filled, where that
// cannot be done so: other devices or formats, an image shared with another,
// a clip that is not one whole-pixel rectangle.
bool fillStraight(QPainter *painter, const QVector<QRect> &rects, QPoint translate, const QColor &colour)
{
    QPaintEngine *engine = painter->paintEngine();
    QPaintDevice *device = engine->paintDevice();
    if (device->devType() != QInternal::Image)
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
        if (region.rectCount() != 1 || QRectF(region.boundingRect()) != painter->clipBoundingRect())
            return false;
        clip &= region.boundingRect().translated(translate);
    }
    if (clip.isEmpty())
        return true;

    const quint32 value = enginePixel(format, colour);
    const quint32 quad[4] = {value, value, value, value};
    // the engine paints on this very memory; a const view does not detach
    uchar *bits = const_cast<uchar *>(image->constBits());
    const qsizetype stride = image->bytesPerLine();
    const int cl = clip.left();
    const int cr = clip.right() + 1;
    const int ct = clip.top();
    const int cb = clip.bottom() + 1;
    for (const QRect &rect : rects) {
        const int x0 = std::max(rect.left(), cl);
        const int x1 = std::min(rect.left() + rect.width(), cr);
        const int y0 = std::max(rect.top(), ct);
        const int y1 = std::min(rect.top() + rect.height(), cb);
        const int w = x1 - x0;
        if (w <= 0 || y1 <= y0)
            continue;
        uchar *row = bits + stride * y0 + 4 * x0;
        for (int y = y0; y < y1; ++y, row += stride) {
            quint32 *p = reinterpret_cast<quint32 *>(row);
            if (w < 4) {
                p[0] = value;
                if (w > 1)
                    p[1] = value;
                if (w > 2)
                    p[2] = value;
                continue;
            }
            // four pixels a store, the last four overlapping
            quint32 *const last = p + w - 4;
            for (; p < last; p += 4)
                std::memcpy(p, quad, sizeof quad);
            std::memcpy(last, quad, sizeof quad);
        }
    }
    return true;
}

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

} // namespace

ov7931Demo_FastCurve::ov7931Demo_FastCurve(const QString &title)
    : QwtPlotCurve(title)
{
}

ov7931Demo_FastCurve::ov7931Demo_FastCurve(const QwtText &title)
    : QwtPlotCurve(title)
{
}

ov7931Demo_FastCurve::~ov7931Demo_FastCurve() = default;

void ov7931Demo_FastCurve::setFastDrawing(bool on)
{
    if (m_fast != on) {
        m_fast = on;
        itemChanged();
    }
}

bool ov7931Demo_FastCurve::fastDrawing() const
{
    return m_fast;
}

void ov7931Demo_FastCurve::dataChanged()
{
    m_boundsValid = false;
    QwtPlotCurve::dataChanged();
}

// Qwt's qwtBoundingRectT() over QwtCPointerData, one axis at a time and
// without a virtual call per sample (a point's rectangle is never invalid, so
// every sample counts, NaN included).
QRectF ov7931Demo_FastCurve::boundingRect() const
{
    if (m_boundsValid)
        return m_bounds;
    const QwtCPointerData *raw = dynamic_cast<const QwtCPointerData *>(data());
    if (!raw || raw->size() == 0)
        return QwtPlotCurve::boundingRect();

    double x, w, y, h;
    axisBounds(raw->xData(), raw->size(), x, w);
    axisBounds(raw->yData(), raw->size(), y, h);
    m_bounds = QRectF(x, y, w, h);
    m_boundsValid = true;
    return m_bounds;
}

bool ov7931Demo_FastCurve::lastDrawWasFast() const
{
    return m_lastFast;
}

bool ov7931Demo_FastCurve::canDrawFast(const QPainter *painter) const
{
    if (!m_fast || !painter || !painter->isActive())
        return false;
    const QPaintEngine *engine = painter->paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || !engine->paintDevice())
        return false;
    if (!QwtPainter::roundingAlignment(const_cast<QPainter *>(painter)))
        return false;
    if (testCurveAttribute(Fitted))
        return false;
    if (brush().style() != Qt::NoBrush && brush().color().alpha() > 0)
        return false;

    const QPen pen = painter->pen();
    if (pen.style() != Qt::SolidLine || pen.brush().style() != Qt::SolidPattern
        || pen.color().alpha() != 255)
        return false;
    if (pen.widthF() != 0.0 && pen.widthF() != 1.0)
        return false;

    if (painter->renderHints() & (QPainter::Antialiasing | QPainter::Qt4CompatiblePainting))
        return false;
    if (painter->compositionMode() != QPainter::CompositionMode_SourceOver
        || painter->opacity() != 1.0)
        return false;

    const QTransform t = painter->deviceTransform();
    if (t.type() > QTransform::TxTranslate)
        return false;
    if (t.dx() != std::floor(t.dx()) || t.dy() != std::floor(t.dy()))
        return false;
    return true;
}

void ov7931Demo_FastCurve::drawLines(QPainter *painter, const QwtScaleMap &xMap,
                                     const QwtScaleMap &yMap, const QRectF &canvasRect,
                                     int from, int to) const
{
    m_lastFast = false;
    if (from > to)
        return;
    if (!canDrawFast(painter)) {
        QwtPlotCurve::drawLines(painter, xMap, yMap, canvasRect, from, to);
        return;
    }

    // The polygon exactly as QwtPlotCurve builds it: mapped, rounded, without
    // consecutive duplicates, clipped to the canvas (plus the pen width). The
    // rounded points are kept as integers; they are whole numbers (or out of
    // range, which the bounds below send to Qwt's drawing).
    thread_local std::vector<QPoint> whole;
    whole.resize(size_t(to - from + 1));
    QPoint *wp = whole.data();
    int count = 0;
    const bool weed = testPaintAttribute(FilterPoints);
    int finite = 1;
    int minXi = INT_MAX;
    int maxXi = INT_MIN;
    int minYi = INT_MAX;
    int maxYi = INT_MIN;
    QPoint last(INT_MIN, INT_MIN);

    const QwtSeriesData<QPointF> *series = data();
    const QwtCPointerData *raw = dynamic_cast<const QwtCPointerData *>(series);
    const double *rawX = raw ? raw->xData() : nullptr;
    const double *rawY = raw ? raw->yData() : nullptr;
    const auto mapped = [&](int i) {
        if (raw)
            return QPointF(qwtRound(xMap.transform(rawX[i])), qwtRound(yMap.transform(rawY[i])));
        const QPointF s = series->sample(size_t(i));
        return QPointF(qwtRound(xMap.transform(s.x())), qwtRound(yMap.transform(s.y())));
    };
    // Qwt's rounding straight to an integer; values far outside any device
    // are held at +-1e9 (and so sent to Qwt's drawing by the bounds below).
    const auto whole1 = [](double v) {
        v = qBound(-1.0e9, v, 1.0e9);
        return v >= 0.0 ? int(v + 0.5) : -int(0.5 - v);
    };
    for (int i = from; i <= to; ++i) {
        double vx;
        double vy;
        if (raw) {
            vx = xMap.transform(rawX[i]);
            vy = yMap.transform(rawY[i]);
        } else {
            const QPointF s = series->sample(size_t(i));
            vx = xMap.transform(s.x());
            vy = yMap.transform(s.y());
        }
        finite &= int(std::isfinite(vx + vy));
        const QPoint w(whole1(vx), whole1(vy));
        minXi = std::min(minXi, w.x());
        maxXi = std::max(maxXi, w.x());
        minYi = std::min(minYi, w.y());
        maxYi = std::max(maxYi, w.y());
        if (weed && count > 0 && w == last)
            continue;
        wp[count++] = last = w;
    }
    double minX = minXi;
    double maxX = maxXi;
    double minY = minYi;
    double maxY = maxYi;
    if (!finite) {
        QwtPlotCurve::drawLines(painter, xMap, yMap, canvasRect, from, to);
        return;
    }

    // Rarely, the curve leaves the canvas: then Qwt's clipped polygon, with
    // points between pixels where it crosses the border.
    thread_local QPolygonF clipped;
    bool useClipped = false;
    if (testPaintAttribute(ClipPolygons)) {
        const qreal pw = qMax(qreal(1.0), painter->pen().widthF());
        const QRectF clipRect = canvasRect.adjusted(-pw, -pw, pw, pw);
        const bool inside = minX >= clipRect.x() && maxX <= clipRect.x() + clipRect.width()
            && minY >= clipRect.y() && maxY <= clipRect.y() + clipRect.height();
        if (!inside) {
            QPolygonF polygon;
            polygon.reserve(count);
            QPointF lastF;
            for (int i = from; i <= to; ++i) {
                const QPointF m = mapped(i);
                if (weed && !polygon.isEmpty() && m == lastF)
                    continue;
                polygon.append(m);
                lastF = m;
            }
            clipped = QwtClipper::clipPolygonF(clipRect, polygon, false);
            useClipped = true;
            count = clipped.size();
            minX = minY = HUGE_VAL;
            maxX = maxY = -HUGE_VAL;
            for (const QPointF &p : qAsConst(clipped)) {
                minX = qMin(minX, p.x());
                maxX = qMax(maxX, p.x());
                minY = qMin(minY, p.y());
                maxY = qMax(maxY, p.y());
            }
        }
    }
    if (count < 2) {
        m_lastFast = true;
        return; // the engine draws nothing for a single point
    }

    // Device coordinates. The engine clips segments to the device's bounds
    // widened by one pixel (two on the far sides); a polygon reaching beyond
    // them is left to the engine.
    const QTransform t = painter->deviceTransform();
    const double tx = t.dx();
    const double ty = t.dy();
    const QPaintDevice *device = painter->paintEngine()->paintDevice();
    const int devW = device->width();
    const int devH = device->height();
    if (!(minX + tx >= -1 && maxX + tx <= devW + 1 && minY + ty >= -1 && maxY + ty <= devH + 1)) {
        QwtPlotCurve::drawLines(painter, xMap, yMap, canvasRect, from, to);
        return;
    }

    m_lastFast = true;
    // Qwt's polyline splitting: pieces of seven points, overlapping by one
    const int splitSize = QwtPainter::polylineSplitting() ? 6 : count;
    const QPoint translate{int(tx), int(ty)};
    const bool drawCaps = painter->pen().capStyle() != Qt::FlatCap;
    thread_local QVector<QRect> rects;
    if (useClipped)
        lineRaster::floatPointRects(clipped.constData(), count, splitSize, translate,
                                    QSize(devW, devH), drawCaps, rects);
    else
        lineRaster::wholePointRects(wp, count, splitSize, translate, QSize(devW, devH), drawCaps,
                                    rects);
    if (rects.isEmpty())
        return;
    if (fillStraight(painter, rects, translate, painter->pen().color()))
        return;
    const int ox = int(tx);
    const int oy = int(ty);
    for (QRect &r : rects)
        r.translate(-ox, -oy);

    const QPen pen = painter->pen();
    const QBrush brushBefore = painter->brush();
    painter->setPen(Qt::NoPen);
    painter->setBrush(QBrush(pen.color()));
    painter->drawRects(rects.constData(), rects.size());
    painter->setBrush(brushBefore);
    painter->setPen(pen);
}
