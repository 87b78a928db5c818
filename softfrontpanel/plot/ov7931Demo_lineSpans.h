// The pixels a stroke sets, as the line raster (ov7931Demo_lineRaster.h)
// works them out and the pixel layers (ov7931Demo_pixelLayers.h) and the
// engine's rectangles paint them: runs of rows per pixel column.
#ifndef OV7931DEMO_LINESPANS_H
#define OV7931DEMO_LINESPANS_H

#include <QRect>

#include <vector>

namespace lineRaster {

// The pixels set, per pixel column of the device: one run of rows lo .. hi
// (lo > hi: none) and, rarely, further one-column runs apart from it
// (x, y, 1, height). Runs may overlap.
struct Spans {
    int width = 0;
    int height = 0;
    int minCol = 0; // the columns with pixels (minCol > maxCol: none)
    int maxCol = -1;
    std::vector<int> lo;
    std::vector<int> hi;
    std::vector<QRect> extra;
};

} // namespace lineRaster

#endif
