#include "ov7931Demo_curveBatch.h"

#include <QPaintDevice>
#include <QTransform>

#include <qwt_painter.h>
#include <qwt_plot.h>

unsigned curveBatch::nextJob()
{
    static std::atomic<unsigned> jobs{0};
    return ++jobs;
}

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
    if (!plot || !painterAllows(painter))
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
