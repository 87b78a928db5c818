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

// The same steps as Qwt's qwtBoundingRectT() over QwtCPointerData, without a
// virtual call per sample; every point counts (a point's rectangle is never
// invalid), NaN included, exactly as there.
QRectF ov7931Demo_FastCurve::boundingRect() const
{
    if (m_boundsValid)
        return m_bounds;
    const QwtCPointerData *raw = dynamic_cast<const QwtCPointerData *>(data());
    if (!raw || raw->size() == 0)
        return QwtPlotCurve::boundingRect();

    const double *x = raw->xData();
    const double *y = raw->yData();
    const size_t n = raw->size();
    QRectF r(x[0], y[0], 0.0, 0.0);
    for (size_t i = 1; i < n; ++i) {
        r.setLeft(qMin(r.left(), x[i]));
        r.setRight(qMax(r.right(), x[i]));
        r.setTop(qMin(r.top(), y[i]));
        r.setBottom(qMax(r.bottom(), y[i]));
    }
    m_bounds = r;
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
