// The waveform window: layout, plots, curves, legends, per-plot autoscale
// and show/hide, and the refresh that hands a block to the curves.
#include "ov7931Demo_Waveform.h"

#include "ov7931Demo_AppInterface.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_Config.h"
#include "ov7931Demo_acqRules.h"
#include "ov7931Demo_axisTitleFit.h"
#include "ov7931Demo_channelModel.h"
#include "ov7931Demo_fastCurve.h"
#include "ov7931Demo_fastGrid.h"
#include "ov7931Demo_plotCanvas.h"
#include "ov7931Demo_rtd.h"
#include "ov7931Demo_scaleLabels.h"
#include "ov7931Demo_tracker.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_zoomer.h>
#include <qwt_scale_div.h>
#include <qwt_scale_widget.h>
#include <qwt_text.h>

#include <algorithm>

namespace {

const char *const plotTitles[3] = {"Voltage Waveform", "Resistance Waveform", "Temperature Waveform"};

QString valueAxisTitle(int plot)
{
    switch (plot) {
    case 0:
        return QStringLiteral("Volts (V)");
    case 1:
        return QStringLiteral("Resistance (") + QChar(0x03A9) + QLatin1Char(')');
    default:
        return QStringLiteral("Temperature (") + temperatureUnitText() + QLatin1Char(')');
    }
}

const QColor legendOffColour(200, 200, 200);

void setTextColour(QWidget *w, const QColor &colour)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, colour);
    w->setPalette(pal);
}

// The same for a legend label at each refresh: setting a palette the label
// has already costs a palette resolution, so only a change is set.
void showTextColour(QWidget *w, const QColor &colour)
{
    const QPalette &pal = w->palette();
    if (w->testAttribute(Qt::WA_SetPalette) && (pal.resolve() & (1u << QPalette::WindowText))
        && pal.color(QPalette::Active, QPalette::WindowText) == colour
        && pal.color(QPalette::Inactive, QPalette::WindowText) == colour
        && pal.color(QPalette::Disabled, QPalette::WindowText) == colour)
        return;
    setTextColour(w, colour);
}

void setHelp(QWidget *w, const QString &text)
{
    w->setToolTip(text);
    w->setWhatsThis(text);
}

QwtText axisTitle(const QString &text)
{
    QwtText title(text);
    title.setFont(QFont(QStringLiteral("arial"), 10, QFont::Bold));
    return title;
}

} // namespace

const QColor &ov7931Demo_Waveform::channelColour(int channel)
{
    static const QColor colours[16] = {
        QColor(Qt::cyan),     QColor(Qt::magenta),     QColor(Qt::yellow),     QColor(Qt::green),
        QColor(Qt::red),      QColor(Qt::blue),        QColor(Qt::gray),       QColor(Qt::white),
        QColor(Qt::darkCyan), QColor(Qt::darkMagenta), QColor(Qt::darkYellow), QColor(Qt::darkGreen),
        QColor(Qt::darkRed),  QColor(255, 165, 0),     QColor(Qt::darkGray),   QColor(Qt::black)};
    return colours[channel];
}

void ov7931Demo_Waveform::addBelowSlider(QWidget *widget)
{
    static_cast<QGridLayout *>(layout())->addWidget(widget, 8, 0, 1, 2);
    // The space that sets the state label off from the plots goes with the
    // label (hidden while a recording is viewed): with three plots, the
    // slider row and the widget the window still fits a 768-pixel-high screen.
    stateSpacer->hide();
}

ov7931Demo_Waveform::ov7931Demo_Waveform(ov7931Demo_AppInterface *a, QWidget *parent)
    : QWidget(parent), demoMode(a->demoMode), app(a)
{
    sampleStore.assign(maxBlockSamples, 0.0);
    timeStore.assign(3 * static_cast<size_t>(maxBlockSamples), 0.0);
    plotData = sampleStore.data();
    for (int p = 0; p < 3; ++p)
        timeAxis[p] = timeStore.data() + static_cast<size_t>(p) * maxBlockSamples;

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setAlignment(Qt::AlignTop);
    // Rows packed tightly: three plots, their headers and the slider row fit
    // a 768-pixel-high screen.
    grid->setVerticalSpacing(2);

    // Row 0: the acquisition state and, for recordings, the file size.
    auto *stateRow = new QHBoxLayout;
    stateLabel = new QLabel(QStringLiteral("Idle"), this);
    QFont bold = font();
    bold.setWeight(QFont::Bold);
    stateLabel->setFont(bold);
    stateLabel->setAlignment(Qt::AlignCenter);
    setTextColour(stateLabel, Qt::black);
    setHelp(stateLabel, QStringLiteral("Shows the current stage of the Data Acquisition process"));
    fileSizeLabel = new QLabel(this);
    fileSizeLabel->hide();
    stateRow->addWidget(stateLabel, 2);
    stateRow->addWidget(fileSizeLabel, 1);
    auto *top = new QVBoxLayout;
    top->addLayout(stateRow);
    stateSpacer = new QWidget(this);
    stateSpacer->setFixedHeight(20);
    top->addWidget(stateSpacer);
    grid->addLayout(top, 0, 0, 1, 3);

    for (int p = 0; p < 3; ++p)
        buildPlot(p, grid);

    // Last row: browsing the blocks of a recording.
    auto *sliderRow = new QHBoxLayout;
    blockSlider = new QSlider(Qt::Horizontal, this);
    blockSlider->setSingleStep(1);
    blockSlider->setPageStep(1);
    blockSlider->hide();
    blockLabel = new QLabel(this);
    blockLabel->hide();
    sliderRow->addWidget(blockSlider);
    sliderRow->addWidget(blockLabel);
    grid->addLayout(sliderRow, 7, 0, 1, 2, Qt::AlignTop);
    connect(blockSlider, &QSlider::valueChanged, this, &ov7931Demo_Waveform::sliderChanged);

    acqTimer = new QTimer(this);
    connect(acqTimer, &QTimer::timeout, this, qOverload<>(&ov7931Demo_Waveform::timerSlot));
}

void ov7931Demo_Waveform::buildPlot(int p, QGridLayout *grid)
{
    PlotPanel &pp = panels[p];
    const QString axisText = valueAxisTitle(p);

    // Header: title, separator, expand button.
    pp.title = new QLabel(QString::fromLatin1(plotTitles[p]), this);
    pp.title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    pp.separator = new QFrame(this);
    pp.separator->setFrameShape(QFrame::HLine);
    pp.separator->setFrameShadow(QFrame::Raised);
    pp.separator->setLineWidth(1);
    pp.separator->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    pp.expandButton = new QPushButton(QStringLiteral("v"), this);
    pp.expandButton->setMaximumSize(20, 20);
    setHelp(pp.expandButton, QStringLiteral("This button is used to expand or collapse waveform plot ") + axisText);
    grid->addWidget(pp.title, 1 + 2 * p, 0);
    grid->addWidget(pp.separator, 1 + 2 * p, 1);
    grid->addWidget(pp.expandButton, 1 + 2 * p, 2);

    // The plot.
    pp.plotBox = new QGroupBox(this);
    auto *plotBoxLayout = new QVBoxLayout(pp.plotBox);
    plotBoxLayout->setContentsMargins(2, 2, 2, 2);
    QwtPlot *plot = new QwtPlot(pp.plotBox);
    plot->setCanvas(new ov7931Demo_PlotCanvas);
    pp.plot = plot;
    plot->setFrameStyle(QFrame::NoFrame);
    // 170 pixels high at least: three of them fit a 768-pixel-high screen.
    plot->setMinimumSize(640, 170);
    plot->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    plot->setAxisFont(QwtPlot::yLeft, QFont(QStringLiteral("courier"), 8));
    plot->setAxisFont(QwtPlot::xBottom, QFont(QStringLiteral("courier"), 8));
    plot->setAxisTitle(QwtPlot::yLeft, axisTitle(axisText));
    keepAxisTitleFitted(plot, QwtPlot::yLeft, axisTitle(axisText).font());
    plot->setAxisTitle(QwtPlot::xBottom, axisTitle(QStringLiteral("Seconds")));
    plot->setAxisMaxMajor(QwtPlot::xBottom, 5);
    // Labels that tell neighbouring ticks apart at any span and offset.
    // Qwt measures the outer labels of the hidden axes on every replot too:
    // theirs are measured once as well.
    for (const int axis : {QwtPlot::yLeft, QwtPlot::xBottom, QwtPlot::yRight, QwtPlot::xTop})
        plot->setAxisScaleDraw(axis, new ov7931Demo_ScaleDraw);
    plot->setCanvasBackground(QColor(0, 0, 128));
    plotBoxLayout->addWidget(plot);

    for (int c = 0; c < 16; ++c) {
        auto *curve = new ov7931Demo_FastCurve(QStringLiteral("Ch %1").arg(c + 1));
        curve->setPen(QPen(channelColour(c), 0, Qt::SolidLine));
        curve->attach(plot);
        pp.curves[c] = curve;
    }

    // Initial scales, which the first zoomer takes as its base.
    static const double scaleValues[3][2] = {{10, -10}, {0, 1000}, {-200, 850}};
    auto *scale = new QwtPlotCurve(QStringLiteral("scale"));
    const double scaleTimes[2] = {0, 1};
    scale->setSamples(scaleTimes, scaleValues[p], 2);
    scale->attach(plot);
    plot->setAxisAutoScale(QwtPlot::xBottom, true);
    plot->setAxisAutoScale(QwtPlot::yLeft, true);
    plot->replot();

    pp.tracker = new myQwtPlotPicker(QwtPlot::xBottom, QwtPlot::yLeft, QwtPicker::NoRubberBand,
                                     QwtPicker::AlwaysOn, plot->canvas());
    pp.tracker->setPlotKind(p);
    pp.tracker->xLower = -1;
    pp.tracker->xUpper = 1;
    pp.tracker->yLower = -1;
    pp.tracker->yUpper = 1;
    pp.tracker->customUnit.clear();
    pp.tracker->setTrackerPen(QPen(Qt::white));

    createZoomer(p, true);
    scale->detach();
    delete scale;

    pp.grid = new ov7931Demo_FastGrid;
    pp.grid->enableXMin(true);
    pp.grid->setMajorPen(QPen(QColor(128, 128, 128), 0, Qt::DotLine));
    pp.grid->setMinorPen(QPen(QColor(128, 128, 128).darker(200), 0, Qt::DotLine));
    pp.grid->attach(plot);

    // Legend: which colour draws which channel.
    pp.legendBox = new QGroupBox(QStringLiteral("Channels:"), this);
    pp.legendBox->setMaximumHeight(180);
    auto *legendGrid = new QGridLayout(pp.legendBox);
    legendGrid->setContentsMargins(6, 2, 6, 2);
    legendGrid->setVerticalSpacing(0);
    QFont legendFont = font();
    legendFont.setWeight(QFont::Bold);
    for (int c = 0; c < 16; ++c) {
        auto *label = new QLabel(QString::number(c + 1), pp.legendBox);
        label->setFont(legendFont);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        setHelp(label, QStringLiteral("This legend shows which color is used to plot the Channel %1 waveform").arg(c + 1));
        setTextColour(label, legendOffColour);
        legendGrid->addWidget(label, c / 4, c % 4);
        pp.legend[c] = label;
    }

    pp.autoscaleButton = new QPushButton(QStringLiteral("Autoscale ON"), this);
    pp.autoscaleButton->setCheckable(true);
    pp.autoscaleButton->setChecked(true);
    setHelp(pp.autoscaleButton, QStringLiteral("Enables/Disables plot autorescale feature"));
    pp.statisticsButton = new QPushButton(QStringLiteral("Statistics"), this);
    setHelp(pp.statisticsButton, QStringLiteral("This button is display the statistic results of DAQ in ") + axisText);

    auto *row = new QHBoxLayout;
    row->setAlignment(Qt::AlignTop);
    row->addWidget(pp.plotBox);
    auto *side = new QVBoxLayout;
    side->setAlignment(Qt::AlignTop);
    side->setSpacing(2);
    side->addWidget(pp.legendBox);
    side->addWidget(pp.autoscaleButton);
    side->addWidget(pp.statisticsButton);
    row->addLayout(side);
    grid->addLayout(row, 2 + 2 * p, 0, 1, 2, Qt::AlignTop);

    static void (ov7931Demo_Waveform::*const expandSlots[3])() = {
        &ov7931Demo_Waveform::showHidePlots1, &ov7931Demo_Waveform::showHidePlots2,
        &ov7931Demo_Waveform::showHidePlots3};
    static void (ov7931Demo_Waveform::*const autoscaleSlots[3])(bool) = {
        &ov7931Demo_Waveform::asSlot1, &ov7931Demo_Waveform::asSlot2, &ov7931Demo_Waveform::asSlot3};
    static void (ov7931Demo_Waveform::*const statisticsSlots[3])() = {
        &ov7931Demo_Waveform::showStat1, &ov7931Demo_Waveform::showStat2, &ov7931Demo_Waveform::showStat3};
    connect(pp.expandButton, &QPushButton::clicked, this, expandSlots[p]);
    connect(pp.autoscaleButton, &QPushButton::toggled, this, autoscaleSlots[p]);
    connect(pp.statisticsButton, &QPushButton::clicked, this, statisticsSlots[p]);

    plot->axisWidget(QwtPlot::yLeft)->setCursor(Qt::PointingHandCursor);
    plot->axisWidget(QwtPlot::xBottom)->setCursor(Qt::PointingHandCursor);
    plot->axisWidget(QwtPlot::yLeft)->setToolTip(QStringLiteral("Click to edit the range and displayed units."));
    plot->axisWidget(QwtPlot::xBottom)->setToolTip(QStringLiteral("Click to edit the range."));
    buildAxisDialogs(p);

    // Hidden until a refresh finds a channel for it.
    pp.plot->setVisible(false);
    pp.plotBox->setVisible(false);
    pp.legendBox->setVisible(false);
    pp.autoscaleButton->setVisible(false);
    pp.statisticsButton->setVisible(false);
}

// A zoomer whose zoom base is the plot's present scales. At construction its
// tracker is off; the zoomers made after an autoscale show the coordinates
// while a rectangle is dragged.
void ov7931Demo_Waveform::createZoomer(int p, bool trackerOff)
{
    PlotPanel &pp = panels[p];
    delete pp.zoomer;
    // After an autoscale the plot has just been replotted: its scales are
    // the ones the zoomer takes as its base.
    pp.zoomer = new QwtPlotZoomer(QwtPlot::xBottom, QwtPlot::yLeft, pp.plot->canvas(), trackerOff);
    pp.zoomer->setRubberBandPen(QPen(Qt::white));
    if (trackerOff)
        pp.zoomer->setTrackerMode(QwtPicker::AlwaysOff);
    else
        pp.zoomer->setTrackerPen(QPen(Qt::white));
    connect(pp.zoomer, &QwtPlotZoomer::zoomed, this, [this, p] { updateTrackerRanges(p); });
}

ov7931Demo_Waveform::~ov7931Demo_Waveform()
{
    acqTimer->stop();
    // The curves reference the sample arrays: take them off before the
    // arrays go.
    for (PlotPanel &pp : panels)
        for (QwtPlotCurve *curve : pp.curves)
            curve->setRawSamples(nullptr, nullptr, 0);
}

// ---- display --------------------------------------------------------------

void ov7931Demo_Waveform::updateEnabledChannels()
{
    channelMask = 0;
    for (int c = 0; c < 16; ++c)
        if (app->chCfg[c] && app->chCfg[c]->isEnabled())
            channelMask |= 1u << c;
}

void ov7931Demo_Waveform::refreshPlots()
{
    const int n = std::max(0, static_cast<int>(scanCount));
    const bool convert = blockNeedsConversion && !demoMode;
    blockNeedsConversion = false;

    shownBlock.data = plotData;
    shownBlock.scanCount = n;
    shownBlock.channelMask = channelMask;
    for (int c = 0; c < 16; ++c)
        shownBlock.plotKind[c] = app->chCfg[c] ? app->chCfg[c]->plotKind : -1;

    for (int p = 0; p < 3; ++p) {
        PlotPanel &pp = panels[p];
        int slot = 0;
        int count = 0;
        for (int c = 0; c < 16; ++c) {
            QwtPlotCurve *curve = pp.curves[c];
            if (!(channelMask & (1u << c))) {
                showTextColour(pp.legend[c], legendOffColour);
                curve->setRawSamples(timeAxis[p], plotData, 0);
                continue;
            }
            if (shownBlock.plotKind[c] == p) {
                ++count;
                showTextColour(pp.legend[c], channelColour(c));
                double *segment = plotData + static_cast<size_t>(slot) * n;
                if (convert && p == 2) {
                    const int sensor = app->chCfg[c]->sensorType();
                    for (int s = 0; s < n; ++s)
                        segment[s] = T_rtd(sensor, segment[s]);
                }
                curve->setRawSamples(timeAxis[p], segment, n);
            } else {
                showTextColour(pp.legend[c], legendOffColour);
                curve->setRawSamples(timeAxis[p], plotData, 0);
            }
            ++slot;
        }

        // a hidden plot is replotted when it is shown
        if ((count > 0) != plotVisible[p])
            togglePlotVisibility(p);
        else if (plotVisible[p])
            replotPanel(p);
    }
}

void ov7931Demo_Waveform::replotPanel(int p)
{
    PlotPanel &pp = panels[p];
    const bool autoscale = pp.autoscaleButton->isChecked();
    if (autoscale) {
        pp.plot->setAxisAutoScale(QwtPlot::xBottom, true);
        pp.plot->setAxisAutoScale(QwtPlot::yLeft, true);
    }
    pp.plot->replot();
    updateTrackerRanges(p);
    if (autoscale)
        createZoomer(p, false);
}

void ov7931Demo_Waveform::togglePlotVisibility(int plot)
{
    if (plot < 0 || plot > 2)
        return;
    plotVisible[plot] = !plotVisible[plot];
    if (plotVisible[plot])
        replotPanel(plot);
    for (int p = 0; p < 3; ++p) {
        PlotPanel &pp = panels[p];
        const bool v = plotVisible[p];
        pp.expandButton->setText(v ? QStringLiteral("^") : QStringLiteral("v"));
        pp.plot->setVisible(v);
        pp.plotBox->setVisible(v);
        pp.legendBox->setVisible(v);
        pp.autoscaleButton->setVisible(v);
        pp.statisticsButton->setVisible(v);
    }
}

void ov7931Demo_Waveform::showHidePlots1() { togglePlotVisibility(0); }
void ov7931Demo_Waveform::showHidePlots2() { togglePlotVisibility(1); }
void ov7931Demo_Waveform::showHidePlots3() { togglePlotVisibility(2); }

void ov7931Demo_Waveform::asSlot1(bool asOn) { autoscaleChanged(0, asOn); }
void ov7931Demo_Waveform::asSlot2(bool asOn) { autoscaleChanged(1, asOn); }
void ov7931Demo_Waveform::asSlot3(bool asOn) { autoscaleChanged(2, asOn); }

void ov7931Demo_Waveform::autoscaleChanged(int p, bool asOn)
{
    PlotPanel &pp = panels[p];
    if (asOn) {
        pp.autoscaleButton->setText(QStringLiteral("AutoScale ON"));
        pp.autoscaleButton->setChecked(true);
        pp.plot->setAxisAutoScale(QwtPlot::xBottom, true);
        pp.plot->setAxisAutoScale(QwtPlot::yLeft, true);
        pp.plot->replot();
        updateTrackerRanges(p);
        return;
    }

    // The union of the nominal ranges of the channels drawn on this plot.
    ValueRange range;
    for (int c = 0; c < 16; ++c) {
        ov7931Demo_ChCfg *ch = app->chCfg[c];
        if (!ch)
            continue;
        const int slot = ch->rangeIndex();
        const int sensorIndex = ch->sensorSelector ? ch->sensorSelector->currentIndex() : -1;
        const bool known = slot >= 0 && slot < kRangeSlots && (p != 2 || (sensorIndex >= 0 && sensorIndex <= 2));
        if (known) {
            PlotRange r = workingPlotRange(p, sensorIndex, ch->excitationIndex(), slot);
            double lower, upper;
            if (p == 2 && rtdWorkingRange(sensorIndex, slot, &lower, &upper)) {
                r.min = lower; // as this run's readings widened it
                r.max = upper;
            }
            ch->plotRange[0] = r.min;
            ch->plotRange[1] = r.max;
        }
        if (ch->isEnabled() && ch->plotKind == p)
            range.add(ch->plotRange[0], ch->plotRange[1]);
    }
    if (range.valid()) {
        pp.plot->setAxisScale(QwtPlot::yLeft, range.lo, range.hi);
        pp.plot->replot();
        updateTrackerRanges(p);
    }
    pp.autoscaleButton->setText(QStringLiteral("AutoScale OFF"));
    pp.autoscaleButton->setChecked(false);
}

void ov7931Demo_Waveform::showStat1() { ::showStatistics(this, 0, shownBlock); }
void ov7931Demo_Waveform::showStat2() { ::showStatistics(this, 1, shownBlock); }
void ov7931Demo_Waveform::showStat3() { ::showStatistics(this, 2, shownBlock); }

void ov7931Demo_Waveform::showPanel()
{
    if (app->config)
        app->config->show();
}

void ov7931Demo_Waveform::sliderChanged(int value)
{
    blockLabel->setText(QStringLiteral("<html><b>%1 / %2</b></html>").arg(value).arg(blockSlider->maximum()));
    if (sender() == blockSlider) {
        startDAQ();
        timerSlot(false);
    }
}

void ov7931Demo_Waveform::setStateText(const QString &text, const QColor &colour)
{
    stateLabel->setText(text);
    QPalette pal = stateLabel->palette();
    pal.setColor(QPalette::All, QPalette::WindowText, colour);
    stateLabel->setPalette(pal);
}

