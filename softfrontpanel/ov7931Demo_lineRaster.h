// Which pixels the raster engine sets when it strokes polylines with a
// one-pixel solid pen without antialiasing, worked out without drawing, as
// rectangles to fill. Used by the fast curve (ov7931Demo_fastCurve.h).
#ifndef OV7931DEMO_LINERASTER_H
#define OV7931DEMO_LINERASTER_H

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QVector>

namespace lineRaster {

// The points are cut into polylines of splitSize + 1 points that overlap by
// one (splitSize >= count: one polyline), each stroked as one drawPolyline()
// of the engine with square (drawCaps) or flat caps. `translate` (whole
// pixels) takes the points to the device of size `device`; every device point
// must lie within the engine's clip bounds, -1 .. width + 1 and -1 .. height + 1.
// `rects` receives device rectangles covering exactly the pixels set (they may
// overlap, as the colour is opaque).
void wholePointRects(const QPoint *pts, int count, int splitSize, QPoint translate,
                     QSize device, bool drawCaps, QVector<QRect> &rects);
// The same for points between pixels (a polygon clipped to the canvas).
void floatPointRects(const QPointF *pts, int count, int splitSize, QPoint translate,
                     QSize device, bool drawCaps, QVector<QRect> &rects);

} // namespace lineRaster

#endif
