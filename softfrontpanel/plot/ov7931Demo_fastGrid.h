// A QwtPlotGrid that draws its dotted lines fast. The raster engine steps
// each dotted line dot by dot on every refresh; this grid lets QwtPlotGrid
// draw once into a clear image, keeps the pixels it set and, on later
// refreshes with the same lines, writes those pixels straight into the
// 32-bit image the canvas is painted on (pixelLayers): the very pixels, at
// the cost of a store each. New scales, a new size, other pens or another
// painter draw it once more (a change seen twice in a row: lines that change
// on every refresh are left to QwtPlotGrid); pixels that are not opaque (antialiased or
// translucent pens) and painters the pixels cannot be written through
// (scaled, clipped by more than a rectangle, other devices) leave it to
// QwtPlotGrid every time.
#ifndef OV7931DEMO_FASTGRID_H
#define OV7931DEMO_FASTGRID_H

#include <qwt_plot_grid.h>

#include <QPen>
#include <QRect>
#include <QSize>

#include <vector>

class ov7931Demo_FastGrid : public QwtPlotGrid
{
public:
    ov7931Demo_FastGrid();

    // On by default; off draws exactly as QwtPlotGrid (for comparisons).
    void setFastDrawing(bool on);
    // Whether the last drawing wrote the kept pixels.
    bool lastDrawWasKept() const { return m_lastKept; }

    void draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
              const QRectF &canvasRect) const override;

private:
    // What QwtPlotGrid's lines depend on.
    struct Key {
        double maps[8] = {};
        const void *transforms[2] = {};
        QwtScaleDiv xDiv;
        QwtScaleDiv yDiv;
        QPen pens[2];
        int enabled = 0;
        QRect canvas;
        int renderHints = 0;
        bool operator==(const Key &o) const;
    };
    // A kept pixel: its place in the canvas and its colour in m_colours.
    struct Dot {
        int x;
        int y;
        int colour;
    };
    Key keyFor(const QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
               const QRect &canvas) const;
    void keep(const Key &key, const QwtScaleMap &xMap, const QwtScaleMap &yMap) const;

    bool m_fast = true;
    mutable bool m_lastKept = false;
    mutable bool m_valid = false;
    mutable bool m_opaque = false;
    mutable Key m_key;  // of the kept pixels
    mutable Key m_seen; // of the last drawing
    mutable std::vector<Dot> m_dots;
    mutable std::vector<QRgb> m_colours;
};

#endif
