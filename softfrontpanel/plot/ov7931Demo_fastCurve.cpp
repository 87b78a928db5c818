#include "ov7931Demo_fastCurve.h"
#include "ov7931Demo_lineRaster.h"
#include "ov7931Demo_pixelLayers.h"
#include "ov7931Demo_sampleMaps.h"
#include "ov7931Demo_shareWork.h"

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
#include <qwt_plot.h>
#include <qwt_symbol.h>
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
// engine would set for it. Where the engine paints on a 32-bit image, those
// pixels are written straight into it (pixelLayers), together with those of
// the fast curves drawn right after this one, each pixel once in the colour
// of the topmost curve; those curves then pass over their turn. Elsewhere the
// pixels are filled as rectangles.

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

// The mapped time axis, shared by the curves one drawLines() paints (they
// have the same samples of time): held only while that call lasts.
thread_local sampleMaps::MappedAxis timeAxis;

// Keeps the mapped time axis for the length of one drawLines() call.
struct TimeAxisOpen {
    TimeAxisOpen() { timeAxis.close(); }
    ~TimeAxisOpen() { timeAxis.close(); }
};

// Curves painted ahead by the curve drawn before them, with what they were
// painted for. Each passes over its turn when it comes to draw exactly that,
// in this order, on the same painting; anything else ends the list.
struct Ahead {
    struct Member {
        const ov7931Demo_FastCurve *curve;
        const QwtSeriesData<QPointF> *data;
        size_t size;
    };
    const QPainter *painter = nullptr;
    const QPaintDevice *device = nullptr;
    qint64 key = 0;
    double maps[8] = {};
    const QwtTransform *xTransform = nullptr;
    const QwtTransform *yTransform = nullptr;
    QRectF canvasRect;
    std::vector<Member> members;
    size_t next = 0;

    void setMaps(const QwtScaleMap &x, const QwtScaleMap &y)
    {
        const double m[8] = {x.s1(), x.s2(), x.p1(), x.p2(), y.s1(), y.s2(), y.p1(), y.p2()};
        std::copy(m, m + 8, maps);
        xTransform = x.transformation();
        yTransform = y.transformation();
    }

    bool sameMaps(const QwtScaleMap &x, const QwtScaleMap &y) const
    {
        const double m[8] = {x.s1(), x.s2(), x.p1(), x.p2(), y.s1(), y.s2(), y.p1(), y.p2()};
        return std::memcmp(m, maps, sizeof m) == 0 && x.transformation() == xTransform
            && y.transformation() == yTransform;
    }
};

thread_local Ahead ahead;

qint64 imageKey(const QPainter *painter)
{
    const QPaintDevice *device = painter->paintEngine() ? painter->paintEngine()->paintDevice() : nullptr;
    return device && device->devType() == QInternal::Image ? static_cast<const QImage *>(device)->cacheKey() : 0;
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

namespace {

// The bounds of one axis's raw samples, kept for the next curve asked that
// has the very same samples (the curves of a plot share their time axis):
// valid until any fast curve's samples change.
struct SharedAxisBounds {
    quint64 generation = 0; // counts the changes of fast curves' samples
    quint64 at = ~quint64(0); // the generation the bounds below are of
    const double *v = nullptr;
    size_t n = 0;
    double pos = 0;
    double size = 0;

    void get(const double *values, size_t count, double &p, double &s)
    {
        if (at != generation || values != v || count != n) {
            sampleMaps::axisBounds(values, count, pos, size);
            at = generation;
            v = values;
            n = count;
        }
        p = pos;
        s = size;
    }
};

thread_local SharedAxisBounds sharedX;

} // namespace

void ov7931Demo_FastCurve::dataChanged()
{
    ++sharedX.generation;
    m_boundsValid = false;
    QwtPlotCurve::dataChanged();
}

// Qwt's qwtBoundingRectT() over QwtCPointerData, one axis at a time and
// without a virtual call per sample (a point's rectangle is never invalid, so
// every sample counts, NaN included). Qwt asks the curves of a plot for their
// bounds one after the other when it scales the axes: the first fast curve
// asked works out those of all the plot's fast curves whose samples changed,
// shared with the helper thread (ov7931Demo_shareWork.h).
QRectF ov7931Demo_FastCurve::boundingRect() const
{
    if (m_boundsValid)
        return m_bounds;
    const QwtCPointerData *raw = dynamic_cast<const QwtCPointerData *>(data());
    if (!raw || raw->size() == 0)
        return QwtPlotCurve::boundingRect();

    thread_local std::vector<const ov7931Demo_FastCurve *> stale;
    stale.assign(1, this);
    if (const QwtPlot *p = plot()) {
        for (const QwtPlotItem *item : p->itemList(QwtPlotItem::Rtti_PlotCurve)) {
            const auto *c = dynamic_cast<const ov7931Demo_FastCurve *>(item);
            const auto *r = c ? dynamic_cast<const QwtCPointerData *>(c->data()) : nullptr;
            if (c != this && r && r->size() > 0 && !c->m_boundsValid)
                stale.push_back(c);
        }
    }
    // the curves share their samples of time, as a rule
    double x, w;
    sharedX.get(raw->xData(), raw->size(), x, w);
    const double *time = raw->xData();
    const size_t count = raw->size();
    const auto bounds = [&](const ov7931Demo_FastCurve *c) {
        const auto *r = static_cast<const QwtCPointerData *>(c->data());
        double cx = x, cw = w, y, h;
        if (r->xData() != time || r->size() != count)
            sampleMaps::axisBounds(r->xData(), r->size(), cx, cw);
        sampleMaps::axisBounds(r->yData(), r->size(), y, h);
        c->m_bounds = QRectF(cx, y, cw, h);
        c->m_boundsValid = true;
    };
    if (stale.size() == 1) {
        bounds(this);
    } else {
        const std::vector<const ov7931Demo_FastCurve *> &curves = stale; // this thread's own
        lineRaster::shareWork(int(curves.size()), [&](int i, bool) { bounds(curves[size_t(i)]); });
    }
    return m_bounds;
}

bool ov7931Demo_FastCurve::lastDrawWasFast() const
{
    return m_lastFast;
}

// Painter states the fast drawing keeps to (the pen aside).
bool ov7931Demo_FastCurve::painterAllows(const QPainter *painter)
{
    if (!painter || !painter->isActive())
        return false;
    const QPaintEngine *engine = painter->paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || !engine->paintDevice())
        return false;
    if (!QwtPainter::roundingAlignment(const_cast<QPainter *>(painter)))
        return false;
    if (painter->renderHints() & (QPainter::Antialiasing | QPainter::Qt4CompatiblePainting))
        return false;
    return pixelLayers::plainPainter(painter);
}

// The curve's own settings and the pen it draws with.
bool ov7931Demo_FastCurve::curveAllows(const QPen &pen) const
{
    if (!m_fast || testCurveAttribute(Fitted))
        return false;
    if (brush().style() != Qt::NoBrush && brush().color().alpha() > 0)
        return false;
    if (pen.style() != Qt::SolidLine || pen.brush().style() != Qt::SolidPattern
        || pen.color().alpha() != 255)
        return false;
    return pen.widthF() == 0.0 || pen.widthF() == 1.0;
}

bool ov7931Demo_FastCurve::canDrawFast(const QPainter *painter) const
{
    return painterAllows(painter) && curveAllows(painter->pen());
}

// The fast curves QwtPlot draws right after this one, in order, as the items
// of the same plot after it that are visible and draw anything, up to the
// first that is not a plain line drawn the fast way with the same axes. None
// where this curve's symbols would come between.
void ov7931Demo_FastCurve::followers(std::vector<const ov7931Demo_FastCurve *> &out) const
{
    out.clear();
    const QwtPlot *p = plot();
    if (!p || (symbol() && symbol()->style() != QwtSymbol::NoSymbol))
        return;
    const QwtPlotItemList &items = p->itemList();
    int i = items.indexOf(const_cast<ov7931Demo_FastCurve *>(this));
    if (i < 0)
        return;
    for (++i; i < items.size(); ++i) {
        const QwtPlotItem *item = items.at(i);
        if (!item->isVisible())
            continue;
        const auto *c = dynamic_cast<const ov7931Demo_FastCurve *>(item);
        if (!c)
            break;
        if (c->dataSize() == 0)
            continue; // drawn as nothing at all
        if (c->style() != Lines || c->xAxis() != xAxis() || c->yAxis() != yAxis()
            || c->testRenderHint(RenderAntialiased)
            || (c->symbol() && c->symbol()->style() != QwtSymbol::NoSymbol) || !c->curveAllows(c->pen()))
            break;
        out.push_back(c);
    }
}

// The pixels the engine would set for the lines of samples from .. to drawn
// with `pen` by `painter`, in device coordinates; or that the engine draws
// nothing, or that Qwt's drawing must do it. The mapped time is taken from
// `shared` where that holds it, else from `own`, which is mapped anew where
// it does not hold it either.
ov7931Demo_FastCurve::Pixels ov7931Demo_FastCurve::linePixels(const QPainter *painter, const QPen &pen,
                                                              const QwtScaleMap &xMap,
                                                              const QwtScaleMap &yMap,
                                                              const QRectF &canvasRect, int from, int to,
                                                              lineRaster::Spans &out,
                                                              const sampleMaps::MappedAxis *shared,
                                                              sampleMaps::MappedAxis &own) const
{
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
    thread_local QPolygonF clipped;
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
    const QTransform t = painter->deviceTransform();
    const double tx = t.dx();
    const double ty = t.dy();
    const QPaintDevice *device = painter->paintEngine()->paintDevice();
    const int devW = device->width();
    const int devH = device->height();
    if (!(minX + tx >= -1 && maxX + tx <= devW + 1 && minY + ty >= -1 && maxY + ty <= devH + 1))
        return Pixels::Qwt;

    // Qwt's polyline splitting: pieces of seven points, overlapping by one
    const int splitSize = QwtPainter::polylineSplitting() ? 6 : count;
    const QPoint translate{int(tx), int(ty)};
    const bool drawCaps = pen.capStyle() != Qt::FlatCap;
    if (useClipped)
        lineRaster::floatPointSpans(clipped.constData(), count, splitSize, translate, QSize(devW, devH),
                                    drawCaps, out);
    else
        lineRaster::wholePointSpans(wp, count, splitSize, translate, QSize(devW, devH), drawCaps, out);
    return Pixels::Spans;
}

void ov7931Demo_FastCurve::drawLines(QPainter *painter, const QwtScaleMap &xMap,
                                     const QwtScaleMap &yMap, const QRectF &canvasRect,
                                     int from, int to) const
{
    m_lastFast = false;
    const TimeAxisOpen timeAxisOpen;
    if (!ahead.members.empty()) {
        const Ahead::Member &m = ahead.members[ahead.next];
        if (m.curve == this && m.data == data() && m.size == dataSize() && from == 0
            && to == int(m.size) - 1 && painter == ahead.painter
            && painter->paintEngine()->paintDevice() == ahead.device && imageKey(painter) == ahead.key
            && canvasRect == ahead.canvasRect && ahead.sameMaps(xMap, yMap)) {
            if (++ahead.next == ahead.members.size())
                ahead.members.clear();
            m_lastFast = true;
            return; // painted already
        }
        ahead.members.clear();
    }
    if (from > to)
        return;
    if (!canDrawFast(painter)) {
        QwtPlotCurve::drawLines(painter, xMap, yMap, canvasRect, from, to);
        return;
    }

    thread_local std::vector<lineRaster::Spans> spans(1);
    const Pixels pixels = linePixels(painter, painter->pen(), xMap, yMap, canvasRect, from, to, spans[0],
                                     nullptr, timeAxis);
    if (pixels == Pixels::Qwt) {
        QwtPlotCurve::drawLines(painter, xMap, yMap, canvasRect, from, to);
        return;
    }
    m_lastFast = true;
    if (pixels == Pixels::None)
        return;

    const QTransform t = painter->deviceTransform();
    const QPoint translate(int(t.dx()), int(t.dy()));
    pixelLayers::Target target;
    if (!pixelLayers::straightTarget(painter, translate, target)) {
        thread_local QVector<QRect> rects;
        lineRaster::toRects(spans[0], rects);
        if (rects.isEmpty())
            return;
        for (QRect &r : rects)
            r.translate(-translate);
        const QPen pen = painter->pen();
        const QBrush brushBefore = painter->brush();
        painter->setPen(Qt::NoPen);
        painter->setBrush(QBrush(pen.color()));
        painter->drawRects(rects.constData(), rects.size());
        painter->setBrush(brushBefore);
        painter->setPen(pen);
        return;
    }

    // This curve and the fast curves drawn right after it, in one go. The
    // followers are worked out together by this thread and the helper
    // (ov7931Demo_shareWork.h); they are painted up to the first one that
    // Qwt's drawing must do.
    thread_local std::vector<pixelLayers::Layer> layers;
    thread_local std::vector<const ov7931Demo_FastCurve *> next;
    thread_local std::vector<Pixels> results;
    layers.assign(1, pixelLayers::Layer{&spans[0], pixelLayers::pixelValue(target.format, painter->pen().color())});
    ahead.members.clear();
    ahead.next = 0;
    if (from == 0 && to == int(dataSize()) - 1)
        followers(next);
    else
        next.clear();
    if (spans.size() < next.size() + 1) {
        spans.resize(next.size() + 1); // before any layer points into it
        layers[0].spans = &spans[0];
    }
    results.assign(next.size(), Pixels::Qwt);
    // this thread's own, wherever the work is done
    const sampleMaps::MappedAxis *time = &timeAxis;
    const std::vector<const ov7931Demo_FastCurve *> &curves = next;
    std::vector<lineRaster::Spans> &curveSpans = spans;
    std::vector<Pixels> &curvePixels = results;
    lineRaster::shareWork(int(curves.size()), [&](int i, bool) {
        thread_local sampleMaps::MappedAxis own;
        own.close();
        const ov7931Demo_FastCurve *c = curves[size_t(i)];
        curvePixels[size_t(i)] = c->linePixels(painter, c->pen(), xMap, yMap, canvasRect, 0,
                                               int(c->dataSize()) - 1, curveSpans[size_t(i) + 1], time, own);
    });
    for (size_t i = 0; i < next.size() && results[i] != Pixels::Qwt; ++i) {
        const ov7931Demo_FastCurve *c = next[i];
        if (results[i] == Pixels::Spans) {
            const quint32 value = pixelLayers::pixelValue(target.format, c->pen().color());
            layers.push_back(pixelLayers::Layer{&spans[i + 1], value});
        }
        ahead.members.push_back(Ahead::Member{c, c->data(), c->dataSize()});
    }
    pixelLayers::paint(target, layers.data(), int(layers.size()));
    if (!ahead.members.empty()) {
        ahead.painter = painter;
        ahead.device = target.device;
        ahead.key = target.key;
        ahead.canvasRect = canvasRect;
        ahead.setMaps(xMap, yMap);
    }
}
