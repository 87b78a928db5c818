#include "ov7931Demo_fastCurve.h"
#include "ov7931Demo_curveBatch.h"
#include "ov7931Demo_lineRaster.h"
#include "ov7931Demo_pixelLayers.h"
#include "ov7931Demo_sampleMaps.h"
#include "ov7931Demo_shareWork.h"

#include <QPaintDevice>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QRect>
#include <QVector>

#include <qwt_painter.h>
#include <qwt_plot.h>
#include <qwt_symbol.h>
#include <qwt_point_data.h>
#include <qwt_scale_map.h>

#include <algorithm>
#include <vector>

// The polygon is built exactly as QwtPlotCurve builds it for the raster
// engine (ov7931Demo_curvePolygon.cpp); lineRaster tells which pixels the
// engine would set for it. Where the engine paints on a 32-bit image, those
// pixels are written straight into it (pixelLayers), together with those of
// the fast curves drawn right after this one, each pixel once in the colour
// of the topmost curve; those curves then pass over their turn. Elsewhere the
// pixels are filled as rectangles.

namespace {

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
    QwtScaleMap xMap;
    QwtScaleMap yMap;
    QRectF canvasRect;
    std::vector<Member> members;
    size_t next = 0;
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
            && canvasRect == ahead.canvasRect && curveBatch::sameMap(xMap, ahead.xMap)
            && curveBatch::sameMap(yMap, ahead.yMap)) {
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
        ahead.xMap = xMap;
        ahead.yMap = yMap;
    }
}
