// The polygon of a fast curve's lines, exactly as QwtPlotCurve builds it for
// the raster engine (mapped, rounded, without consecutive duplicates,
// clipped to the canvas, cut into pieces of seven points), and the pixels
// the engine sets for it (ov7931Demo_lineRaster.h).
#include "ov7931Demo_fastCurve.h"
#include "ov7931Demo_lineRaster.h"
#include "ov7931Demo_sampleMaps.h"

#include <QPen>
#include <QPolygonF>

#include <qwt_clipper.h>
#include <qwt_point_data.h>
#include <qwt_scale_map.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

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

} // namespace

// The polygon the engine is handed for the lines of samples from .. to
// drawn with `pen` on `device` (Spans: its polylines' pixels are to be
// worked out); or that the engine draws nothing, or that Qwt's drawing must
// do it. The mapped time is taken from `shared` where that holds it, else
// from `own`, which is mapped anew where it does not hold it either.
ov7931Demo_FastCurve::Pixels ov7931Demo_FastCurve::linePolygon(const Device &device, const QPen &pen,
                                                               const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                                                               const QRectF &canvasRect, int from, int to,
                                                               Polygon &out, const sampleMaps::MappedAxis *shared,
                                                               sampleMaps::MappedAxis &own) const
{
    // The polygon exactly as QwtPlotCurve builds it: mapped, rounded, without
    // consecutive duplicates, clipped to the canvas (plus the pen width). The
    // rounded points are kept as integers; they are whole numbers (or out of
    // range, which the bounds below send to Qwt's drawing).
    out.whole.resize(size_t(to - from + 1));
    QPoint *wp = out.whole.data();
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
    sampleMaps::Linear lx;
    sampleMaps::Linear ly;
    const bool linear = raw && sampleMaps::Linear::of(xMap, rawX[from], lx)
        && sampleMaps::Linear::of(yMap, rawY[from], ly);
    if (linear) {
        const int n = to - from + 1;
        thread_local std::vector<int> ys;
        ys.resize(size_t(n));
        const sampleMaps::MappedAxis *time = shared && shared->holds(rawX + from, n, lx) ? shared : &own;
        if (time == &own && !own.holds(rawX + from, n, lx))
            own.map(rawX + from, n, lx);
        const int *xs = time->values.data();
        minXi = time->lo;
        maxXi = time->hi;
        const bool finiteX = time->finite;
        // a sum of finite values beyond +-1e9 only fails the device bounds below
        finite = sampleMaps::mapAxis(rawY + from, n, ly, ys.data(), minYi, maxYi) && finiteX;
        // the points, without consecutive duplicates where Qwt weeds them
        count = sampleMaps::wholePoints(xs, ys.data(), n, weed, wp);
    }
    for (int i = linear ? to + 1 : from; i <= to; ++i) { // other data and maps
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
        const QPoint w(sampleMaps::wholeOf(vx), sampleMaps::wholeOf(vy));
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
    if (!finite)
        return Pixels::Qwt;

    // Rarely, the curve leaves the canvas: then Qwt's clipped polygon, with
    // points between pixels where it crosses the border.
    QPolygonF &clipped = out.clipped;
    bool useClipped = false;
    if (testPaintAttribute(ClipPolygons)) {
        const qreal pw = qMax(qreal(1.0), pen.widthF());
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
    if (count < 2)
        return Pixels::None; // the engine draws nothing for a single point

    // Device coordinates. The engine clips segments to the device's bounds
    // widened by one pixel (two on the far sides); a polygon reaching beyond
    // them is left to the engine.
    const double tx = device.translate.x();
    const double ty = device.translate.y();
    const int devW = device.size.width();
    const int devH = device.size.height();
    if (!(minX + tx >= -1 && maxX + tx <= devW + 1 && minY + ty >= -1 && maxY + ty <= devH + 1))
        return Pixels::Qwt;

    // Qwt's polyline splitting: pieces of seven points, overlapping by one
    out.splitSize = device.splitting ? 6 : count;
    out.count = count;
    out.useClipped = useClipped;
    out.drawCaps = pen.capStyle() != Qt::FlatCap;
    return Pixels::Spans;
}

int ov7931Demo_FastCurve::Polygon::polylines() const
{
    return lineRaster::polylines(count, splitSize);
}

void ov7931Demo_FastCurve::Polygon::addSpans(const Device &device, int first, int last, lineRaster::Spans &out) const
{
    if (useClipped)
        lineRaster::addFloatPointSpans(clipped.constData(), count, splitSize, device.translate, drawCaps, first,
                                       last, out);
    else
        lineRaster::addWholePointSpans(whole.data(), count, splitSize, device.translate, drawCaps, first, last,
                                       out);
}

// linePolygon() and the pixels of all its polylines.
ov7931Demo_FastCurve::Pixels ov7931Demo_FastCurve::linePixels(const Device &device, const QPen &pen,
                                                              const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                                                              const QRectF &canvasRect, int from, int to,
                                                              lineRaster::Spans &out,
                                                              const sampleMaps::MappedAxis *shared,
                                                              sampleMaps::MappedAxis &own) const
{
    thread_local Polygon polygon;
    const Pixels pixels = linePolygon(device, pen, xMap, yMap, canvasRect, from, to, polygon, shared, own);
    if (pixels != Pixels::Spans)
        return pixels;
    if (polygon.useClipped)
        lineRaster::floatPointSpans(polygon.clipped.constData(), polygon.count, polygon.splitSize,
                                    device.translate, device.size, polygon.drawCaps, out);
    else
        lineRaster::wholePointSpans(polygon.whole.data(), polygon.count, polygon.splitSize, device.translate,
                                    device.size, polygon.drawCaps, out);
    return Pixels::Spans;
}
