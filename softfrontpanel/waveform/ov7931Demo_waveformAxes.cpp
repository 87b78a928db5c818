// The waveform window's axis dialogs: a click on a shown plot's value or
// time axis runs that axis's dialog with the axis's present range, and an
// accepted range is applied to the axis and to the plot's tracker. The
// trackers learn the visible ranges whenever they change (after a dialog,
// an autoscaled refresh, an autoscale switch or a zoom), so that their
// prefixes suit what is shown.
#include "ov7931Demo_Waveform.h"

#include "ov7931Demo_axisConfig.h"
#include "ov7931Demo_channelModel.h"
#include "ov7931Demo_tracker.h"

#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QMouseEvent>
#include <QPushButton>

#include <qwt_plot.h>
#include <qwt_plot_zoomer.h>
#include <qwt_scale_div.h>
#include <qwt_scale_widget.h>
#include <qwt_text.h>

#include <algorithm>

namespace {

void setLimitBoxes(axisConfig *dialog, const QString &suffix, int decimals, double step)
{
    for (QDoubleSpinBox *box : {dialog->lowerLimit, dialog->upperLimit}) {
        box->setSuffix(suffix);
        box->setDecimals(decimals);
        box->setSingleStep(step);
    }
}

void setLimitRange(axisConfig *dialog, double a, double b)
{
    for (QDoubleSpinBox *box : {dialog->lowerLimit, dialog->upperLimit})
        box->setRange(std::min(a, b), std::max(a, b));
}

// The value axis's limits: unit, the plot's full range, 3 decimals.
void setValueLimits(axisConfig *dialog, int plot)
{
    static const double ranges[3][2] = {{-10.24, 10.24}, {0.0, 1000000.0}, {-280.0, 5000.0}};
    const QString unit = plot == 0 ? QStringLiteral("V") : plot == 1 ? QString(QChar(0x03A9)) : temperatureUnitText();
    setLimitBoxes(dialog, QLatin1Char(' ') + unit + QLatin1Char(' '), 3, 0.001);
    setLimitRange(dialog, ranges[plot][0], ranges[plot][1]);
}

// The time axis's limits: seconds with 6 decimals; the range is the block's.
void setTimeLimits(axisConfig *dialog)
{
    setLimitBoxes(dialog, QStringLiteral(" sec "), 6, 0.000001);
}

} // namespace

void ov7931Demo_Waveform::buildAxisDialogs(int p)
{
    PlotPanel &pp = panels[p];
    pp.valueAxisDialog = new axisConfig(app, p, false);
    setValueLimits(pp.valueAxisDialog, p);
    pp.valueAxisDialog->customRange->setCheckable(true);
    pp.timeAxisDialog = new axisConfig(app, p, false);
    setTimeLimits(pp.timeAxisDialog);
    // The dialogs have no parent widget; they go with the window.
    axisConfig *const dialogs[2] = {pp.valueAxisDialog, pp.timeAxisDialog};
    connect(this, &QObject::destroyed, [a = dialogs[0], b = dialogs[1]] {
        delete a;
        delete b;
    });
}

void ov7931Demo_Waveform::mouseReleaseEvent(QMouseEvent *event)
{
    QWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    for (int p = 0; p < 3; ++p) {
        QwtPlot *plot = panels[p].plot;
        const auto clicked = [&](int axis) {
            const QwtScaleWidget *scale = plot->axisWidget(axis);
            return scale->isVisible() && scale->rect().contains(scale->mapFrom(this, event->pos()));
        };
        if (clicked(QwtPlot::yLeft)) {
            runValueAxisDialog(p);
            return;
        }
        if (clicked(QwtPlot::xBottom)) {
            runTimeAxisDialog(p);
            return;
        }
    }
}

void ov7931Demo_Waveform::runValueAxisDialog(int p)
{
    PlotPanel &pp = panels[p];
    axisConfig *dialog = pp.valueAxisDialog;
    const QwtScaleDiv &div = pp.plot->axisScaleDiv(QwtPlot::yLeft);
    double lo = div.lowerBound(), hi = div.upperBound();
    setValueLimits(dialog, p);
    dialog->lowerLimit->setValue(lo);
    dialog->upperLimit->setValue(hi);
    dialog->customRange->setChecked(!pp.autoscaleButton->isChecked());
    const QwtText title = pp.plot->axisTitle(QwtPlot::yLeft);

    // On OK the dialog has already switched autoscale to follow "Custom
    // Range"; without a custom range the refresh autoscales the axis.
    if (dialog->exec() == QDialog::Accepted) {
        if (dialog->customRange->isChecked()) {
            lo = dialog->lowerLimit->value();
            hi = dialog->upperLimit->value();
        }
        pp.plot->setAxisScale(QwtPlot::yLeft, lo, hi);
        pp.tracker->yLower = lo;
        pp.tracker->yUpper = hi;
        refreshPlots();
    }
    pp.plot->setAxisTitle(QwtPlot::yLeft, title);
    pp.tracker->customUnit.clear();
}

void ov7931Demo_Waveform::runTimeAxisDialog(int p)
{
    PlotPanel &pp = panels[p];
    axisConfig *dialog = pp.timeAxisDialog;
    const QwtScaleDiv &div = pp.plot->axisScaleDiv(QwtPlot::xBottom);
    setTimeLimits(dialog);
    if (scanCount >= 1)
        setLimitRange(dialog, timeAxis[p][0], timeAxis[p][scanCount - 1]);
    else
        setLimitRange(dialog, div.lowerBound(), div.upperBound());
    dialog->lowerLimit->setValue(div.lowerBound());
    dialog->upperLimit->setValue(div.upperBound());
    if (dialog->exec() != QDialog::Accepted)
        return;

    const double lo = dialog->lowerLimit->value(), hi = dialog->upperLimit->value();
    pp.plot->setAxisScale(QwtPlot::xBottom, lo, hi);
    pp.tracker->xLower = lo;
    pp.tracker->xUpper = hi;
    refreshPlots();
    // An autoscaled refresh fits the time axis to the block again; the
    // range asked for stays until the next block, and zooming out returns
    // to it.
    if (pp.autoscaleButton->isChecked()) {
        pp.plot->setAxisScale(QwtPlot::xBottom, lo, hi);
        pp.plot->replot();
        updateTrackerRanges(p);
        pp.zoomer->setZoomBase(false);
    }
}

void ov7931Demo_Waveform::updateTrackerRanges(int p)
{
    PlotPanel &pp = panels[p];
    const QwtScaleDiv &x = pp.plot->axisScaleDiv(QwtPlot::xBottom);
    const QwtScaleDiv &y = pp.plot->axisScaleDiv(QwtPlot::yLeft);
    pp.tracker->xLower = x.lowerBound();
    pp.tracker->xUpper = x.upperBound();
    pp.tracker->yLower = y.lowerBound();
    pp.tracker->yUpper = y.upperBound();
}
