// Painting pixel runs (lineRaster::Spans) straight into the 32-bit image a
// raster engine paints on, as the engine would fill them with an opaque
// colour, several layers in one go: a pixel takes the colour of the topmost
// layer that covers it (where the runs are long, it is written only once).
// Used by the fast curve (ov7931Demo_fastCurve.h).
#ifndef OV7931DEMO_PIXELLAYERS_H
#define OV7931DEMO_PIXELLAYERS_H

#include <QImage>
#include <QRect>

class QColor;
class QPainter;
class QPaintDevice;

namespace lineRaster {
struct Spans;
}

namespace pixelLayers {

// Where the pixels go: the image's memory and the clip, in device
// coordinates. `device` and `key` (the image's cache key, which changes
// every time a painter begins on it) tell one painting from another.
struct Target {
    uchar *bits = nullptr;
    qsizetype stride = 0;
    int width = 0; // of the image
    QImage::Format format = QImage::Format_Invalid;
    QRect clip;
    const QPaintDevice *device = nullptr;
    qint64 key = 0;
};

// Whether the painter paints pixels as they come (source over, fully
// opaque) and moves them by whole pixels at most, so that pixels worked out
// for its device coordinates can stand for its own.
bool plainPainter(const QPainter *painter);

// Whether the painter (an active raster engine on a 32-bit image that no
// other image shares, clipped, if at all, by one whole-pixel rectangle and
// the engine's system clip of one rectangle) lets its pixels be written
// straight; then `target` says where.
bool straightTarget(QPainter *painter, QPoint translate, Target &target);

// The value the raster engine stores for an opaque colour in that format.
quint32 pixelValue(QImage::Format format, const QColor &colour);

struct Layer {
    const lineRaster::Spans *spans;
    quint32 value;
};

// Paints the layers (the first at the bottom) within the target's clip,
// each pixel in the colour of the topmost layer covering it.
void paint(const Target &target, const Layer *layers, int count);

} // namespace pixelLayers

#endif
