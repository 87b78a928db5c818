// Which pixels the raster engine sets when it strokes polylines with a
// one-pixel solid pen without antialiasing, worked out without drawing, as
// column runs of pixels to fill. Used by the fast curve (ov7931Demo_fastCurve.h).
#ifndef OV7931DEMO_LINERASTER_H
#define OV7931DEMO_LINERASTER_H

#include "ov7931Demo_lineSpans.h"

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
// `out` receives the pixels set, in device coordinates.
void wholePointSpans(const QPoint *pts, int count, int splitSize, QPoint translate,
                     QSize device, bool drawCaps, Spans &out);
// The same for points between pixels (a polygon clipped to the canvas).
void floatPointSpans(const QPointF *pts, int count, int splitSize, QPoint translate,
                     QSize device, bool drawCaps, Spans &out);

// How many polylines `count` points are cut into; and the pixels of
// polylines first .. last - 1 alone, added to `out` (cleared for the device
// by clear() first), so that parts can be worked out apart and joined.
int polylines(int count, int splitSize);
void clear(Spans &out, QSize device);
void addWholePointSpans(const QPoint *pts, int count, int splitSize, QPoint translate, bool drawCaps, int first,
                        int last, Spans &out);
void addFloatPointSpans(const QPointF *pts, int count, int splitSize, QPoint translate, bool drawCaps, int first,
                        int last, Spans &out);
// Adds the pixels of `other`, of the same device, to `spans`.
void join(Spans &spans, const Spans &other);

// Rectangles along the rows covering exactly the pixels of `spans` (for an
// engine that fills a rectangle row by row).
void toRects(const Spans &spans, QVector<QRect> &rects);

} // namespace lineRaster

#endif
