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
#include <atomic>
#include <thread>
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

// Whether QwtPlot has this curve's lines drawn the fast way on a painter that
// allows it: plain lines without symbols, antialiasing or a pen that needs
// Qwt's drawing.
bool ov7931Demo_FastCurve::drawsLinesFast() const
{
    return style() == Lines && !testRenderHint(RenderAntialiased)
        && !(symbol() && symbol()->style() != QwtSymbol::NoSymbol) && curveAllows(pen());
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
        if (c->xAxis() != xAxis() || c->yAxis() != yAxis() || !c->drawsLinesFast())
            break;
        out.push_back(c);
    }
}

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


namespace {

bool sameMap(const QwtScaleMap &a, const QwtScaleMap &b)
{
    return a.s1() == b.s1() && a.s2() == b.s2() && a.p1() == b.p1() && a.p2() == b.p2()
        && a.transformation() == b.transformation();
}

// Counts the workings-out of curves, so that each thread maps the time axis
// afresh for each (the samples may have changed in place since the last).
std::atomic<unsigned> lineJobs{0};

} // namespace

// The curves painted in one go (the first and the followers painted with
// it), what they are drawn for, and their pixels. The drawing thread's own:
// the helper only fills in the pixels of the curves it is given, while the
// drawing thread waits for them or, when they are worked out ahead, paints
// what lies below them.
struct ov7931Demo_FastCurve::Batch {
    const QPainter *painter = nullptr;
    const QPaintDevice *paintDevice = nullptr;
    Device device;
    QwtScaleMap xMap;
    QwtScaleMap yMap;
    QRectF canvasRect;
    sampleMaps::MappedAxis *time = nullptr; // the first curve's, shared with the others; or none
    unsigned job = 0;
    std::vector<const ov7931Demo_FastCurve *> curves;
    std::vector<QPen> pens;
    std::vector<int> from;
    std::vector<int> to;
    std::vector<Pixels> pixels;
    std::vector<lineRaster::Spans> spans; // never shrinks: the runs' memory is kept
    bool running = false; // being worked out ahead
    bool ready = false;   // worked out ahead and not drawn yet

    // Worked out ahead, a curve is one chunk of the work, except the last
    // two, so that the two threads end together: the chunk of each of
    // those works out its polygon and then its polylines part by part, and
    // a further chunk of each, after all the others, takes parts of the same
    // curve into pixels of its own; whichever of the two ends last joins
    // them.
    static constexpr size_t sharedCurves = 2;
    static constexpr int partPolylines = 32;
    size_t firstShared = 0;
    Polygon sharedPolygons[sharedCurves];
    lineRaster::Spans takenSpans[sharedCurves]; // the parts the further chunk took
    int parts[sharedCurves] = {};
    std::atomic<int> nextPart[sharedCurves] = {};
    std::atomic<unsigned> polygonJob[sharedCurves] = {}; // the job whose polygon each holds
    std::atomic<int> chunksDone[sharedCurves] = {};

    void open(const QPainter *p, const Device &d, const QwtScaleMap &x, const QwtScaleMap &y, const QRectF &rect,
              sampleMaps::MappedAxis *sharedTime)
    {
        painter = p;
        paintDevice = p->paintEngine()->paintDevice();
        device = d;
        xMap = x;
        yMap = y;
        canvasRect = rect;
        time = sharedTime;
        job = ++lineJobs;
        curves.clear();
        pens.clear();
        from.clear();
        to.clear();
        pixels.clear();
    }

    void add(const ov7931Demo_FastCurve *curve, const QPen &pen, int first, int last)
    {
        curves.push_back(curve);
        pens.push_back(pen);
        from.push_back(first);
        to.push_back(last);
        pixels.push_back(Pixels::Qwt);
        if (spans.size() < curves.size())
            spans.resize(curves.size());
    }

    // The calling thread's own mapped time axis, closed for a new job.
    sampleMaps::MappedAxis &ownTime() const
    {
        thread_local sampleMaps::MappedAxis own;
        thread_local unsigned ownJob = 0;
        if (ownJob != job) {
            own.close();
            ownJob = job;
        }
        return own;
    }

    // Works out curve i, on whichever thread. The first maps the shared time
    // axis, if there is one; the others take it from there where it holds
    // their samples of time, each thread otherwise mapping its own.
    void work(int i)
    {
        const size_t k = size_t(i);
        const bool mapsTime = i == 0 && time;
        pixels[k] = curves[k]->linePixels(device, pens[k], xMap, yMap, canvasRect, from[k], to[k], spans[k],
                                          mapsTime ? nullptr : time, mapsTime ? *time : ownTime());
    }

    // The chunks of the lines worked out ahead, and chunk i.
    int chunksAhead()
    {
        const size_t n = curves.size();
        firstShared = n - std::min(n, sharedCurves);
        for (size_t h = 0; h < sharedCurves; ++h)
            chunksDone[h].store(0, std::memory_order_relaxed);
        return int(2 * n - firstShared);
    }

    void workAhead(int i)
    {
        const size_t n = curves.size();
        if (size_t(i) < firstShared) {
            work(i);
            return;
        }
        if (size_t(i) < n) { // a shared curve's polygon and parts
            const size_t k = size_t(i);
            const size_t h = k - firstShared;
            Polygon &polygon = sharedPolygons[h];
            pixels[k] = curves[k]->linePolygon(device, pens[k], xMap, yMap, canvasRect, from[k], to[k], polygon,
                                               nullptr, ownTime());
            const int all = pixels[k] == Pixels::Spans ? polygon.polylines() : 0;
            parts[h] = (all + partPolylines - 1) / partPolylines;
            nextPart[h].store(0, std::memory_order_relaxed);
            lineRaster::clear(spans[k], device.size);
            polygonJob[h].store(job, std::memory_order_release);
            addParts(h, spans[k]);
            return;
        }
        // parts of a shared curve, whose polygon is under way or done (its
        // chunk was taken before this one)
        const size_t h = size_t(i) - n;
        while (polygonJob[h].load(std::memory_order_acquire) != job)
            std::this_thread::yield();
        lineRaster::clear(takenSpans[h], device.size);
        addParts(h, takenSpans[h]);
    }

    void addParts(size_t h, lineRaster::Spans &out)
    {
        const int all = sharedPolygons[h].polylines();
        for (int p = nextPart[h].fetch_add(1); p < parts[h]; p = nextPart[h].fetch_add(1))
            sharedPolygons[h].addSpans(device, p * partPolylines, std::min(all, (p + 1) * partPolylines), out);
        if (chunksDone[h].fetch_add(1, std::memory_order_acq_rel) == 1)
            lineRaster::join(spans[firstShared + h], takenSpans[h]);
    }

    // Whether the lines worked out ahead are those `curve` is to draw now as
    // the first of them; they are taken (finished first, if need be) or
    // dropped.
    bool take(const ov7931Demo_FastCurve *curve, const QPainter *p, const Device &d, const QwtScaleMap &x,
              const QwtScaleMap &y, const QRectF &rect, int first, int last)
    {
        finish();
        const bool same = ready && !curves.empty() && curves[0] == curve && painter == p
            && paintDevice == p->paintEngine()->paintDevice() && device == d && sameMap(xMap, x)
            && sameMap(yMap, y) && canvasRect == rect && from[0] == first && to[0] == last && pens[0] == p->pen();
        ready = false;
        return same;
    }

    void finish()
    {
        if (running) {
            lineRaster::finishWork();
            running = false;
        }
    }
};

ov7931Demo_FastCurve::Batch &ov7931Demo_FastCurve::batch()
{
    thread_local Batch b;
    return b;
}

ov7931Demo_FastCurve::Device ov7931Demo_FastCurve::deviceOf(const QPainter *painter)
{
    const QTransform t = painter->deviceTransform();
    const QPaintDevice *device = painter->paintEngine()->paintDevice();
    return Device{QPoint(int(t.dx()), int(t.dy())), QSize(device->width(), device->height()),
                  QwtPainter::polylineSplitting()};
}

ov7931Demo_FastCurve::LinesAhead::LinesAhead(const QwtPlot *plot, QPainter *painter, const QRectF &canvasRect)
{
    Batch &b = batch();
    b.finish();
    b.ready = false;
    if (!plot || !painter || !painter->isActive() || !painter->paintEngine()
        || painter->paintEngine()->type() != QPaintEngine::Raster || !painter->paintEngine()->paintDevice()
        || !pixelLayers::plainPainter(painter))
        return;
    // the first curve QwtPlot draws the fast way, as a whole
    const ov7931Demo_FastCurve *first = nullptr;
    for (const QwtPlotItem *item : plot->itemList()) {
        const auto *c = dynamic_cast<const ov7931Demo_FastCurve *>(item);
        if (c && c->isVisible() && c->dataSize() > 0 && c->drawsLinesFast()) {
            first = c;
            break;
        }
    }
    if (!first)
        return;
    thread_local std::vector<const ov7931Demo_FastCurve *> next;
    first->followers(next);
    b.open(painter, deviceOf(painter), plot->canvasMap(first->xAxis()), plot->canvasMap(first->yAxis()), canvasRect,
           nullptr);
    b.add(first, first->pen(), 0, int(first->dataSize()) - 1);
    for (const ov7931Demo_FastCurve *c : next)
        b.add(c, c->pen(), 0, int(c->dataSize()) - 1);
    b.running = true;
    b.ready = true;
    lineRaster::startWork(b.chunksAhead(), [&b](int i, bool) { b.workAhead(i); });
}

ov7931Demo_FastCurve::LinesAhead::~LinesAhead()
{
    Batch &b = batch();
    b.finish();
    b.ready = false;
}

void ov7931Demo_FastCurve::drawLines(QPainter *painter, const QwtScaleMap &xMap,
                                     const QwtScaleMap &yMap, const QRectF &canvasRect,
                                     int from, int to) const
{
    m_lastFast = false;
    m_lastAhead = false;
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

    // This curve, and where it is drawn as a whole, the fast curves drawn
    // right after it, in one go: worked out ahead (LinesAhead) or now.
    Batch &b = batch();
    const Device device = deviceOf(painter);
    const bool begun = b.take(this, painter, device, xMap, yMap, canvasRect, from, to);
    m_lastAhead = begun;
    if (!begun) {
        b.open(painter, device, xMap, yMap, canvasRect, &timeAxis);
        b.add(this, painter->pen(), from, to);
        b.work(0);
    }
    const Pixels pixels = b.pixels[0];
    if (pixels == Pixels::Qwt) {
        QwtPlotCurve::drawLines(painter, xMap, yMap, canvasRect, from, to);
        return;
    }
    m_lastFast = true;
    if (pixels == Pixels::None)
        return;

    pixelLayers::Target target;
    if (!pixelLayers::straightTarget(painter, device.translate, target)) {
        thread_local QVector<QRect> rects;
        lineRaster::toRects(b.spans[0], rects);
        if (rects.isEmpty())
            return;
        for (QRect &r : rects)
            r.translate(-device.translate);
        const QPen pen = painter->pen();
        const QBrush brushBefore = painter->brush();
        painter->setPen(Qt::NoPen);
        painter->setBrush(QBrush(pen.color()));
        painter->drawRects(rects.constData(), rects.size());
        painter->setBrush(brushBefore);
        painter->setPen(pen);
        return;
    }

    // The followers are worked out together by this thread and the helper
    // (ov7931Demo_shareWork.h); they are painted up to the first one that
    // Qwt's drawing must do.
    if (!begun && from == 0 && to == int(dataSize()) - 1) {
        thread_local std::vector<const ov7931Demo_FastCurve *> next;
        followers(next);
        for (const ov7931Demo_FastCurve *c : next)
            b.add(c, c->pen(), 0, int(c->dataSize()) - 1);
        lineRaster::shareWork(int(next.size()), [&b](int i, bool) { b.work(i + 1); });
    }
    thread_local std::vector<pixelLayers::Layer> layers;
    layers.assign(1, pixelLayers::Layer{&b.spans[0], pixelLayers::pixelValue(target.format, b.pens[0].color())});
    ahead.members.clear();
    ahead.next = 0;
    for (size_t i = 1; i < b.curves.size() && b.pixels[i] != Pixels::Qwt; ++i) {
        const ov7931Demo_FastCurve *c = b.curves[i];
        if (b.pixels[i] == Pixels::Spans)
            layers.push_back(pixelLayers::Layer{&b.spans[i], pixelLayers::pixelValue(target.format, b.pens[i].color())});
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
