#include "ov7931Demo_plotCanvas.h"
#include "ov7931Demo_fastCurve.h"

#include <QImage>
#include <QPaintDevice>
#include <QPaintEvent>
#include <QPainter>
#include <QStyleOption>

#include <qwt_plot.h>

ov7931Demo_PlotCanvas::ov7931Demo_PlotCanvas(QwtPlot *plot)
    : QwtPlotCanvas(plot)
{
}

bool ov7931Demo_PlotCanvas::Key::operator==(const Key &o) const
{
    return style == o.style && state == o.state && rect == o.rect && palette == o.palette
        && frameStyle == o.frameStyle && lineWidth == o.lineWidth && midLineWidth == o.midLineWidth
        && renderHints == o.renderHints;
}

ov7931Demo_PlotCanvas::Key ov7931Demo_PlotCanvas::keyFor(const QPainter *painter) const
{
    QStyleOption option;
    option.initFrom(this);
    Key key;
    key.style = style();
    key.state = option.state;
    key.rect = option.rect;
    key.palette = option.palette;
    key.frameStyle = frameStyle();
    key.lineWidth = lineWidth();
    key.midLineWidth = midLineWidth();
    key.renderHints = int(painter->renderHints());
    return key;
}

// A painter that fills exactly what it would draw: no scaling, rotation or
// translucency, one device pixel per pixel.
bool ov7931Demo_PlotCanvas::painterAllows(const QPainter *painter) const
{
    const QPaintDevice *device = painter->device();
    return borderRadius() <= 0.0 && device && device->devicePixelRatioF() == 1.0
        && painter->worldTransform().isIdentity() && painter->opacity() == 1.0
        && painter->compositionMode() == QPainter::CompositionMode_SourceOver;
}

// The style's frame drawn on a clear image, as opaque rectangles of one
// colour: runs of one colour per row, joined with the same run of the rows
// below.
void ov7931Demo_PlotCanvas::keepFrame(const Key &key)
{
    m_key = key;
    m_valid = true;
    m_opaque = false;
    m_fills.clear();
    QImage image(size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHints(QPainter::RenderHints(key.renderHints));
        QwtPlotCanvas::drawBorder(&p);
    }
    std::vector<size_t> open; // rectangles that reach the row above
    std::vector<size_t> reaching;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        reaching.clear();
        for (int x = 0; x < image.width();) {
            const QRgb pixel = row[x];
            int end = x + 1;
            while (end < image.width() && row[end] == pixel)
                ++end;
            if (qAlpha(pixel) != 0) {
                if (qAlpha(pixel) != 255)
                    return; // left to the style
                const QColor colour = QColor::fromRgb(pixel);
                const QRect run(x, y, end - x, 1);
                size_t k = 0;
                while (k < open.size()
                       && !(m_fills[open[k]].rect.left() == x && m_fills[open[k]].rect.right() == end - 1
                            && m_fills[open[k]].colour == colour))
                    ++k;
                if (k < open.size()) {
                    m_fills[open[k]].rect.setBottom(y);
                    reaching.push_back(open[k]);
                } else {
                    reaching.push_back(m_fills.size());
                    m_fills.push_back(Fill{run, colour});
                }
            }
            x = end;
        }
        open.swap(reaching);
    }
    m_opaque = true;
}

void ov7931Demo_PlotCanvas::drawBorder(QPainter *painter)
{
    m_lastKept = false;
    if (!painterAllows(painter)) {
        QwtPlotCanvas::drawBorder(painter);
        return;
    }
    const Key key = keyFor(painter);
    if (!m_valid || !(key == m_key))
        keepFrame(key);
    if (!m_opaque) {
        QwtPlotCanvas::drawBorder(painter);
        return;
    }
    for (const Fill &f : m_fills)
        painter->fillRect(f.rect, f.colour);
    m_lastKept = true;
}

// A paint that would draw the whole backing store anew (a replot emptied it)
// and show all of its contents, on a canvas that fills its background with
// one opaque colour and has no overlay showing above it.
bool ov7931Demo_PlotCanvas::paintsStraight(const QPaintEvent *event) const
{
    const QPixmap *store = backingStore();
    if (!testPaintAttribute(BackingStore) || !store || !store->isNull())
        return false;
    if (!plot() || testAttribute(Qt::WA_StyledBackground) || borderRadius() > 0.0 || devicePixelRatioF() != 1.0)
        return false;
    const QBrush background = palette().brush(backgroundRole());
    if (!autoFillBackground() || background.style() != Qt::SolidPattern || !background.isOpaque())
        return false;
    const QRegion &region = event->region();
    if (region.rectCount() != 1 || !region.boundingRect().contains(contentsRect()))
        return false;
    for (const QObject *child : children()) {
        const QWidget *w = qobject_cast<const QWidget *>(child);
        if (w && w->isVisible())
            return false;
    }
    return true;
}

// As QwtPlotCanvas fills and draws its backing store, but on the widget.
void ov7931Demo_PlotCanvas::paintEvent(QPaintEvent *event)
{
    m_lastStraight = paintsStraight(event);
    if (!m_lastStraight) {
        QwtPlotCanvas::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setClipRegion(event->region());
    // the helper works out the curves' lines while the background and the
    // grid are painted
    const ov7931Demo_FastCurve::LinesAhead linesAhead(plot(), &painter, QRectF(contentsRect()));
    painter.fillRect(rect(), palette().brush(backgroundRole()));
    painter.save();
    painter.setClipRect(contentsRect(), Qt::IntersectClip);
    plot()->drawCanvas(&painter);
    painter.restore();
    if (frameWidth() > 0)
        drawBorder(&painter);
    if (hasFocus() && focusIndicator() == CanvasFocusIndicator)
        drawFocusIndicator(&painter);
}
