// The curves a fast curve paints in one go (it and the fast curves drawn
// right after it), what they are drawn for and their pixels, worked out by
// the drawing thread and the helper (ov7931Demo_shareWork.h), as the drawing
// goes or ahead of it (ov7931Demo_FastCurve::LinesAhead). For the fast
// curve's own files.
#ifndef OV7931DEMO_CURVEBATCH_H
#define OV7931DEMO_CURVEBATCH_H

#include "ov7931Demo_fastCurve.h"
#include "ov7931Demo_lineRaster.h"
#include "ov7931Demo_sampleMaps.h"
#include "ov7931Demo_shareWork.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <QRectF>

#include <qwt_scale_map.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace curveBatch {

// Whether two maps are the same, bit for bit (a map with -0.0 is not taken
// for one with 0.0).
inline bool sameMap(const QwtScaleMap &a, const QwtScaleMap &b)
{
    const double da[4] = {a.s1(), a.s2(), a.p1(), a.p2()};
    const double db[4] = {b.s1(), b.s2(), b.p1(), b.p2()};
    return std::memcmp(da, db, sizeof da) == 0 && a.transformation() == b.transformation();
}

// A new number for each working-out of curves, so that each thread maps the
// time axis afresh for each (the samples may have changed in place since).
unsigned nextJob();

} // namespace curveBatch

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
        job = curveBatch::nextJob();
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
            && paintDevice == p->paintEngine()->paintDevice() && device == d && curveBatch::sameMap(xMap, x)
            && curveBatch::sameMap(yMap, y) && canvasRect == rect && from[0] == first && to[0] == last && pens[0] == p->pen();
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

#endif
