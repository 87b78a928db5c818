#include "ov7931Demo_fastGrid.h"
#include "ov7931Demo_pixelLayers.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QTransform>

#include <qwt_scale_map.h>

#include <algorithm>
#include <cstring>

ov7931Demo_FastGrid::ov7931Demo_FastGrid() = default;

void ov7931Demo_FastGrid::setFastDrawing(bool on)
{
    if (m_fast != on) {
        m_fast = on;
        itemChanged();
    }
}

bool ov7931Demo_FastGrid::Key::operator==(const Key &o) const
{
    return std::memcmp(maps, o.maps, sizeof maps) == 0 && transforms[0] == o.transforms[0]
        && transforms[1] == o.transforms[1] && xDiv == o.xDiv && yDiv == o.yDiv && pens[0] == o.pens[0]
        && pens[1] == o.pens[1] && enabled == o.enabled && canvas == o.canvas && renderHints == o.renderHints;
}

ov7931Demo_FastGrid::Key ov7931Demo_FastGrid::keyFor(const QPainter *painter, const QwtScaleMap &xMap,
                                                     const QwtScaleMap &yMap, const QRect &canvas) const
{
    Key key;
    const double maps[8] = {xMap.s1(), xMap.s2(), xMap.p1(), xMap.p2(),
                            yMap.s1(), yMap.s2(), yMap.p1(), yMap.p2()};
    std::memcpy(key.maps, maps, sizeof maps);
    key.transforms[0] = xMap.transformation();
    key.transforms[1] = yMap.transformation();
    key.xDiv = xScaleDiv();
    key.yDiv = yScaleDiv();
    key.pens[0] = majorPen();
    key.pens[1] = minorPen();
    key.enabled = int(xEnabled()) | int(yEnabled()) << 1 | int(xMinEnabled()) << 2 | int(yMinEnabled()) << 3;
    key.canvas = canvas;
    key.renderHints = int(painter->renderHints());
    return key;
}

// QwtPlotGrid's lines drawn on a clear image of the canvas, kept as the
// pixels they set: opaque ones, or none at all.
void ov7931Demo_FastGrid::keep(const Key &key, const QwtScaleMap &xMap, const QwtScaleMap &yMap) const
{
    m_key = key;
    m_valid = true;
    m_opaque = false;
    m_dots.clear();
    m_colours.clear();
    QImage image(key.canvas.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHints(QPainter::RenderHints(key.renderHints));
        p.translate(-key.canvas.topLeft());
        QwtPlotGrid::draw(&p, xMap, yMap, QRectF(key.canvas));
    }
    for (int y = 0; y < image.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(row[x]) == 0)
                continue;
            if (qAlpha(row[x]) != 255) {
                m_dots.clear();
                return; // left to QwtPlotGrid
            }
            auto known = std::find(m_colours.begin(), m_colours.end(), row[x]);
            if (known == m_colours.end())
                known = m_colours.insert(known, row[x]);
            m_dots.push_back(Dot{x, y, int(known - m_colours.begin())});
        }
    }
    m_opaque = true;
}

void ov7931Demo_FastGrid::draw(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                               const QRectF &canvasRect) const
{
    m_lastKept = false;
    const QRect canvas = canvasRect.toAlignedRect();
    const QTransform t = painter->deviceTransform();
    const QPoint translate(int(t.dx()), int(t.dy()));
    pixelLayers::Target target;
    if (!m_fast || QRectF(canvas) != canvasRect || !pixelLayers::plainPainter(painter)
        || !pixelLayers::straightTarget(painter, translate, target)) {
        QwtPlotGrid::draw(painter, xMap, yMap, canvasRect);
        return;
    }
    const Key key = keyFor(painter, xMap, yMap, canvas);
    const bool again = key == m_seen;
    m_seen = key;
    if (!m_valid || !(key == m_key)) {
        if (!again) {
            QwtPlotGrid::draw(painter, xMap, yMap, canvasRect);
            return;
        }
        keep(key, xMap, yMap);
    }
    if (!m_opaque) {
        QwtPlotGrid::draw(painter, xMap, yMap, canvasRect);
        return;
    }
    thread_local std::vector<quint32> values;
    values.clear();
    for (QRgb c : m_colours)
        values.push_back(pixelLayers::pixelValue(target.format, QColor::fromRgb(c)));
    // the clip in the canvas's coordinates
    const QPoint origin = canvas.topLeft() + translate;
    const QRect clip = target.clip.translated(-origin);
    const int left = clip.left(), right = clip.right(), top = clip.top(), bottom = clip.bottom();
    for (const Dot &d : m_dots) {
        if (d.x >= left && d.x <= right && d.y >= top && d.y <= bottom)
            *reinterpret_cast<quint32 *>(target.bits + target.stride * (d.y + origin.y()) + 4 * (d.x + origin.x()))
                = values[size_t(d.colour)];
    }
    m_lastKept = true;
}
