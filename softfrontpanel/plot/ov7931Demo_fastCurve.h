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

#include <QPoint>
#include <QPolygonF>
#include <QSize>

#include <vector>

namespace lineRaster {
struct Spans;
}
namespace sampleMaps {
struct MappedAxis;
}

class QwtPlot;

class ov7931Demo_FastCurve : public QwtPlotCurve
{
public:
    explicit ov7931Demo_FastCurve(const QString &title = QString());
    explicit ov7931Demo_FastCurve(const QwtText &title);
    ~ov7931Demo_FastCurve() override;

    // On by default; off draws exactly as QwtPlotCurve (for comparisons).
    void setFastDrawing(bool on);
    bool fastDrawing() const;

    // Whether the last drawing of the lines took the fast path, and whether
    // it took lines worked out ahead (LinesAhead).
    bool lastDrawWasFast() const;
    bool lastDrawWasAhead() const { return m_lastAhead; }

    // The series' bounding rectangle as Qwt computes it, in one pass over
    // the raw arrays; kept until the samples are replaced.
    QRectF boundingRect() const override;

    // While it lives, the helper thread works out the lines of the fast
    // curves `plot` draws first on `painter` (the first drawn the fast way
    // and those painted with it), as they will be drawn within canvasRect
    // with the plot's maps of this moment; the first curve's drawing then
    // takes them instead of working them out itself. For a canvas to begin
    // with before it paints its background and grid. Lines not drawn by the
    // time it goes are finished and dropped: the samples are read only
    // while it lives.
    class LinesAhead
    {
    public:
        LinesAhead(const QwtPlot *plot, QPainter *painter, const QRectF &canvasRect);
        ~LinesAhead();
        LinesAhead(const LinesAhead &) = delete;
        LinesAhead &operator=(const LinesAhead &) = delete;
    };

protected:
    void dataChanged() override;
    void drawLines(QPainter *painter, const QwtScaleMap &xMap,
                   const QwtScaleMap &yMap, const QRectF &canvasRect,
                   int from, int to) const override;

private:
    enum class Pixels { Qwt, None, Spans };
    // Where a painter's pixels go: its whole-pixel translation, the size of
    // its device, and whether Qwt cuts polylines into pieces.
    struct Device {
        QPoint translate;
        QSize size;
        bool splitting = true;
        bool operator==(const Device &o) const
        {
            return translate == o.translate && size == o.size && splitting == o.splitting;
        }
    };
    // The polygon of a curve's lines as the engine is handed it, in the
    // painter's coordinates: whole points, or points between pixels where it
    // was clipped to the canvas; cut into polylines of splitSize + 1 points.
    struct Polygon {
        std::vector<QPoint> whole;
        QPolygonF clipped;
        bool useClipped = false;
        int count = 0;
        int splitSize = 0;
        bool drawCaps = true;
        int polylines() const;
        // Adds the pixels of polylines first .. last - 1 (lineRaster::clear()
        // the spans for the device first).
        void addSpans(const Device &device, int first, int last, lineRaster::Spans &out) const;
    };
    struct Batch; // the curves painted in one go (ov7931Demo_fastCurve.cpp)
    static Batch &batch();
    static Device deviceOf(const QPainter *painter);
    static bool painterAllows(const QPainter *painter);
    bool curveAllows(const QPen &pen) const;
    bool canDrawFast(const QPainter *painter) const;
    bool drawsLinesFast() const;
    void followers(std::vector<const ov7931Demo_FastCurve *> &out) const;
    Pixels linePolygon(const Device &device, const QPen &pen, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                       const QRectF &canvasRect, int from, int to, Polygon &out,
                       const sampleMaps::MappedAxis *shared, sampleMaps::MappedAxis &own) const;
    Pixels linePixels(const Device &device, const QPen &pen, const QwtScaleMap &xMap,
                      const QwtScaleMap &yMap, const QRectF &canvasRect, int from, int to,
                      lineRaster::Spans &out, const sampleMaps::MappedAxis *shared,
                      sampleMaps::MappedAxis &own) const;
    bool m_fast = true;
    mutable bool m_lastFast = false;
    mutable bool m_lastAhead = false;
    mutable bool m_boundsValid = false;
    mutable QRectF m_bounds;
};

#endif
