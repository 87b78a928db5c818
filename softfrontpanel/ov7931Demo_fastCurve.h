// A QwtPlotCurve that draws long curves fast. Samples are used as they are
// (setRawSamples, not copied). For one-pixel solid lines without
// antialiasing on a raster device it draws each pixel column's vertical
// extent as one filled span, with the joins between columns rasterised as
// Qt would rasterise the whole polyline, so the picture is the one
// QwtPlotCurve draws. Every other case (other styles, fitted or filled
// curves, antialiasing, wide or non-solid pens, vector devices) goes to
// QwtPlotCurve's own drawing.
#ifndef OV7931DEMO_FASTCURVE_H
#define OV7931DEMO_FASTCURVE_H

#include <qwt_plot_curve.h>

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
    bool canDrawFast(const QPainter *painter) const;
    bool m_fast = true;
    mutable bool m_lastFast = false;
    mutable bool m_boundsValid = false;
    mutable QRectF m_bounds;
};

#endif
