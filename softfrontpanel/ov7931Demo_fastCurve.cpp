#include "ov7931Demo_fastCurve.h"
#include "ov7931Demo_lineRaster.h"
#include "ov7931Demo_pixelLayers.h"

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

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// Qwt's rounding of a mapped coordinate straight to an integer; values far
// outside any device are held at +-1e9 (and so sent to Qwt's drawing by the
// bounds in linePixels()).
inline int wholeOf(double v)
{
    v = qBound(-1.0e9, v, 1.0e9);
    return v >= 0.0 ? int(v + 0.5) : -int(0.5 - v);
}

// QwtScaleMap::transform() of a map without transformation:
// p1 + (s - ts1) * cnv, with ts1 and cnv as QwtScaleMap::updateFactor() sets
// them (cnv = (p2 - p1) / (s2 - s1), 1 where s1 == s2).
struct Linear {
    double p1;
    double ts1;
    double cnv;

    static bool of(const QwtScaleMap &map, double probe, Linear &out)
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
};

// One axis of the samples mapped and rounded to whole pixels, as
// wholeOf(transform()), several at a time. Returns whether every value is
// finite; lo and hi are the bounds of the rounded values.
bool mapAxis(const double *v, int n, const Linear &l, int *out, int &lo, int &hi)
{
    int i = 0;
    bool finite = true;
    double low = HUGE_VAL;
    double high = -HUGE_VAL;
#ifdef __SSE2__
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
    const auto map2 = [&](const double *at) {
        __m128d a = _mm_add_pd(p1, _mm_mul_pd(_mm_sub_pd(_mm_loadu_pd(at), t1), cnv));
        ok = _mm_and_pd(ok, _mm_cmpeq_pd(_mm_sub_pd(a, a), zero));
        a = _mm_min_pd(_mm_max_pd(a, floor), ceiling);
        minv = _mm_min_pd(minv, a);
        maxv = _mm_max_pd(maxv, a);
        return round2(a);
    };
    for (; i + 4 <= n; i += 4) {
        const __m128i a = map2(v + i);
        const __m128i b = map2(v + i + 2);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_unpacklo_epi64(a, b));
    }
    finite = _mm_movemask_pd(ok) == 3;
    double lanes[2];
    _mm_storeu_pd(lanes, minv);
    low = std::min(lanes[0], lanes[1]);
    _mm_storeu_pd(lanes, maxv);
    high = std::max(lanes[0], lanes[1]);
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

// The mapped time axis, shared by the curves one drawLines() paints (they
// have the same samples of time): valid only while that call lasts.
struct MappedAxis {
    bool open = false;
    const double *v = nullptr;
    int n = 0;
    double map[3] = {};
    std::vector<int> values;
    int lo = 0;
    int hi = 0;
    bool finite = false;

    const int *get(const double *at, int count, const Linear &l, int &low, int &high, bool &allFinite)
    {
        const double m[3] = {l.p1, l.ts1, l.cnv};
        if (!open || at != v || count != n || std::memcmp(m, map, sizeof m) != 0) {
            values.resize(size_t(count));
            finite = mapAxis(at, count, l, values.data(), lo, hi);
            v = at;
            n = count;
            std::copy(m, m + 3, map);
            open = true;
        }
        low = lo;
        high = hi;
        allFinite = finite;
        return values.data();
    }
};

thread_local MappedAxis timeAxis;

// Keeps the mapped time axis for the length of one drawLines() call.
struct TimeAxisOpen {
    TimeAxisOpen() { timeAxis.open = false; }
    ~TimeAxisOpen() { timeAxis.open = false; }
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
// nothing, or that Qwt's drawing must do it.
ov7931Demo_FastCurve::Pixels ov7931Demo_FastCurve::linePixels(const QPainter *painter, const QPen &pen,
                                                              const QwtScaleMap &xMap,
                                                              const QwtScaleMap &yMap,
                                                              const QRectF &canvasRect, int from, int to,
                                                              lineRaster::Spans &out) const
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
    Linear lx;
    Linear ly;
    const bool linear = raw && Linear::of(xMap, rawX[from], lx) && Linear::of(yMap, rawY[from], ly);
    if (linear) {
        const int n = to - from + 1;
        thread_local std::vector<int> ys;
        ys.resize(size_t(n));
        bool finiteX;
        const int *xs = timeAxis.get(rawX + from, n, lx, minXi, maxXi, finiteX);
        // a sum of finite values beyond +-1e9 only fails the device bounds below
        finite = mapAxis(rawY + from, n, ly, ys.data(), minYi, maxYi) && finiteX;
        // the points, without consecutive duplicates where Qwt weeds them
        QPoint prev(xs[0], ys[0]);
        wp[0] = prev;
        count = 1;
        for (int i = 1; i < n; ++i) {
            const QPoint q(xs[i], ys[i]);
            wp[count] = q;
            count += int(!weed || q != prev);
            prev = q;
        }
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
        const QPoint w(wholeOf(vx), wholeOf(vy));
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
    const Pixels pixels = linePixels(painter, painter->pen(), xMap, yMap, canvasRect, from, to, spans[0]);
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

    // This curve and the fast curves drawn right after it, in one go.
    thread_local std::vector<pixelLayers::Layer> layers;
    thread_local std::vector<const ov7931Demo_FastCurve *> next;
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
    for (const ov7931Demo_FastCurve *c : next) {
        const size_t slot = layers.size();
        const int n = int(c->dataSize());
        const Pixels p = c->linePixels(painter, c->pen(), xMap, yMap, canvasRect, 0, n - 1, spans[slot]);
        if (p == Pixels::Qwt)
            break;
        if (p == Pixels::Spans)
            layers.push_back(pixelLayers::Layer{&spans[slot], pixelLayers::pixelValue(target.format, c->pen().color())});
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
