// A QwtPlotCanvas that paints its frame fast. The style draws a canvas's
// sunken panel line by line, pixel by pixel, on every refresh, which on a
// long canvas costs as much as the curves; this canvas lets the style draw
// the frame once into an image, keeps its pixels as rectangles of one colour
// and fills those on every later refresh: the very pixels, at the cost of a
// few fills. A frame with pixels that are not opaque (antialiased or
// translucent) is left to the style every time, as is a painter the kept
// frame was not drawn for (scaled, translucent, another pixel ratio).
//
// A refresh that draws the whole canvas anew (its backing store emptied by a
// replot) paints straight onto the widget instead of into the backing store
// that would then be copied onto the widget: the same pixels without the
// copy. The backing store stays empty until a paint that only some of the
// canvas needs (a picker's tracker or rubber band moving) draws it again as
// QwtPlotCanvas does; while such an overlay shows, refreshes go through the
// backing store as before, so that each moves of the overlay only copies.
#ifndef OV7931DEMO_PLOTCANVAS_H
#define OV7931DEMO_PLOTCANVAS_H

#include <qwt_plot_canvas.h>

#include <QColor>
#include <QPalette>
#include <QRect>
#include <QStyle>

#include <vector>

class ov7931Demo_PlotCanvas : public QwtPlotCanvas
{
public:
    explicit ov7931Demo_PlotCanvas(QwtPlot *plot = nullptr);

    // Whether the last frame was filled from the kept pixels.
    bool lastFrameWasKept() const { return m_lastKept; }
    // Whether the last paint went straight onto the widget.
    bool lastPaintWasStraight() const { return m_lastStraight; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void drawBorder(QPainter *painter) override;

private:
    // What the style's frame depends on.
    struct Key {
        QStyle *style = nullptr;
        QStyle::State state;
        QRect rect;
        QPalette palette;
        int frameStyle = 0;
        int lineWidth = 0;
        int midLineWidth = 0;
        int renderHints = 0;
        bool operator==(const Key &o) const;
    };
    struct Fill {
        QRect rect;
        QColor colour;
    };
    Key keyFor(const QPainter *painter) const;
    bool painterAllows(const QPainter *painter) const;
    void keepFrame(const Key &key);
    bool paintsStraight(const QPaintEvent *event) const;

    bool m_valid = false;
    bool m_opaque = false;
    bool m_lastKept = false;
    bool m_lastStraight = false;
    Key m_key;
    std::vector<Fill> m_fills;
};

#endif
