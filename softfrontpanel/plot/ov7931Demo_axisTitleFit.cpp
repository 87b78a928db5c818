#include "ov7931Demo_axisTitleFit.h"

#include <QEvent>
#include <QFontMetrics>

#include <algorithm>

#include <qwt_plot.h>
#include <qwt_scale_widget.h>
#include <qwt_text.h>

int fittedTitlePointSize(const QFont &font, const QString &text, int length, int smallest)
{
    QFont f = font;
    for (int size = font.pointSize(); size > smallest; --size) {
        f.setPointSize(size);
        if (QFontMetrics(f).horizontalAdvance(text) <= length)
            return size;
    }
    return std::min(smallest, font.pointSize());
}

namespace {

class AxisTitleFitter : public QObject
{
public:
    AxisTitleFitter(QwtPlot *plot, int axis, const QFont &font)
        : QObject(plot->axisWidget(axis)), plot(plot), axis(axis), font(font)
    {
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize)
            fit(static_cast<QwtScaleWidget *>(watched));
        return false;
    }

private:
    void fit(const QwtScaleWidget *scale)
    {
        QwtText title = plot->axisTitle(axis);
        const int length = scale->height() - scale->startBorderDist() - scale->endBorderDist();
        const int size = fittedTitlePointSize(font, title.text(), length);
        if (title.font().pointSize() == size)
            return;
        QFont f = font;
        f.setPointSize(size);
        title.setFont(f);
        plot->setAxisTitle(axis, title);
    }

    QwtPlot *plot;
    int axis;
    QFont font;
};

} // namespace

void keepAxisTitleFitted(QwtPlot *plot, int axis, const QFont &font)
{
    QwtScaleWidget *scale = plot->axisWidget(axis);
    scale->installEventFilter(new AxisTitleFitter(plot, axis, font));
}
