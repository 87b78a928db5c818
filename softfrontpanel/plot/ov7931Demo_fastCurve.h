// A QwtPlotCurve that draws long curves fast. Samples are used as they are
// (setRawSamples, not copied). For one-pixel solid opaque lines without
// antialiasing on a raster device it works out which pixels the raster engine
// would set for the polyline QwtPlotCurve hands it (column by column, as
// vertical runs) and sets those pixels itself, so the picture is the one
// QwtPlotCurve draws, pixel for pixel, at every zoom and size. On a 32-bit
// image it writes them straight into the image, together with those of the
// fast curves the plot draws right after it (each pixel once, in the colour
// of the topmost curve), which then pass over their turn.
// Every other case (other styles, fitted or filled curves, antialiasing, wide,
// dashed or translucent pens, scaled painters, vector devices, non-finite
// samples, polygons reaching beyond the device) goes to QwtPlotCurve's own
// drawing.
#ifndef OV7931DEMO_FASTCURVE_H
#define OV7931DEMO_FASTCURVE_H

#include <qwt_plot_curve.h>

#include <vector>

namespace lineRaster {
struct Spans;
}
namespace sampleMaps {
struct MappedAxis;
}

class ov7931Demo_FastCurve : public QwtPlotCurve
{
public:
    explicit ov7931Demo_FastCurve(const QString &title = QString());
    explicit ov7931Demo_FastCurve(const QwtText &title);
    ~ov7931Demo_FastCurve() override;

    // On by default; off draws exactly as QwtPlotCurve (for comparisons).
    void setFastDrawing(bool on);
    bool fastDrawing() const;

    // Whether the last drawing of the lines took the fast path.
    bool lastDrawWasFast() const;

    // The series' bounding rectangle as Qwt computes it, in one pass over
    // the raw arrays; kept until the samples are replaced.
    QRectF boundingRect() const override;

protected:
    void dataChanged() override;
    void drawLines(QPainter *painter, const QwtScaleMap &xMap,
                   const QwtScaleMap &yMap, const QRectF &canvasRect,
                   int from, int to) const override;

private:
    enum class Pixels { Qwt, None, Spans };
    static bool painterAllows(const QPainter *painter);
    bool curveAllows(const QPen &pen) const;
    bool canDrawFast(const QPainter *painter) const;
    void followers(std::vector<const ov7931Demo_FastCurve *> &out) const;
    Pixels linePixels(const QPainter *painter, const QPen &pen, const QwtScaleMap &xMap,
                      const QwtScaleMap &yMap, const QRectF &canvasRect, int from, int to,
                      lineRaster::Spans &out, const sampleMaps::MappedAxis *shared,
                      sampleMaps::MappedAxis &own) const;
    bool m_fast = true;
    mutable bool m_lastFast = false;
    mutable bool m_boundsValid = false;
    mutable QRectF m_bounds;
};

#endif
