// The waveform window in demo mode: construction, single-shot and continuous
// demo runs, block layout, plot visibility, autoscale with nominal ranges,
// the no-channel warning and the statistics button.
#include "appfixture.h"
#include "ov7931Demo_App.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_Config.h"
#include "ov7931Demo_Waveform.h"
#include "ov7931Demo_demoData.h"
#include "ovsim_control.h"
#include "wave_helpers.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QtTest>

#include <qwt_plot.h>
#include <qwt_scale_div.h>

#include <cmath>

using namespace wave;

namespace {

QColor textColour(const QWidget *w) { return w->palette().color(QPalette::WindowText); }

const QColor channelColours[16] = {
    QColor(0, 255, 255), QColor(255, 0, 255), QColor(255, 255, 0), QColor(0, 255, 0),
    QColor(255, 0, 0),   QColor(0, 0, 255),   QColor(160, 160, 164), QColor(255, 255, 255),
    QColor(0, 128, 128), QColor(128, 0, 128), QColor(128, 128, 0), QColor(0, 128, 0),
    QColor(128, 0, 0),   QColor(255, 165, 0), QColor(128, 128, 128), QColor(0, 0, 0)};
const QColor gray(200, 200, 200);

bool shown(const QWidget *w) { return !w->isHidden(); }

void selectLength(ov7931Demo_App *app, const QString &text)
{
    QComboBox *box = app->waveformLengthList();
    box->setCurrentIndex(box->findText(text));
    QVERIFY(box->currentIndex() >= 0);
}

// Runs one demo single shot to its end.
void runSingle(ov7931Demo_App *app)
{
    app->singleShotButton()->click();
    QTRY_VERIFY(!app->singleShotButton()->isChecked() && !app->waveform->acqTimer->isActive());
}

QwtInterval axis(ov7931Demo_App *app, int plot, int axisId)
{
    return app->waveform->panel(plot).plot->axisScaleDiv(axisId).interval();
}

} // namespace

class TestWaveformWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void construction();
    void demoSingleShot();
    void blockLayoutWithDisabledChannel();
    void visibilityRules();
    void noChannelWarning();
    void autoscaleOffUsesNominalRanges();
    void autoscaleOffWithoutChannels();
    void demoContinuous();
    void statisticsAndPanel();

private:
    AppFixture *fx = nullptr;
    ov7931Demo_App *app = nullptr;
    ov7931Demo_Waveform *w = nullptr;
};

void TestWaveformWindow::init()
{
    fx = new AppFixture;
    app = fx->create(AppFixture::Mode::Demo);
    w = app->waveform;
    disableAll(app);
    ovsim::clearJournal();
}

void TestWaveformWindow::cleanup()
{
    delete fx;
    fx = nullptr;
}

void TestWaveformWindow::construction()
{
    QCOMPARE(w->stateLabel->text(), QStringLiteral("Idle"));
    QCOMPARE(textColour(w->stateLabel), QColor(Qt::black));
    QVERIFY(w->stateLabel->font().bold());
    QVERIFY(w->fileSizeLabel->isHidden());
    QVERIFY(w->blockSlider->isHidden());
    QVERIFY(w->blockLabel->isHidden());
    QVERIFY(!w->acqTimer->isActive());
    QCOMPARE(w->scanCount, 0);

    const char *titles[3] = {"Voltage Waveform", "Resistance Waveform", "Temperature Waveform"};
    const QString axisTitles[3] = {QStringLiteral("Volts (V)"), QStringLiteral("Resistance (") + QChar(0x03A9) + ")",
                                   QStringLiteral("Temperature (") + QChar(0x00B0) + "C)"};
    const double initial[3][2] = {{-10, 10}, {0, 1000}, {-200, 850}};
    for (int p = 0; p < 3; ++p) {
        const auto &pp = w->panel(p);
        QVERIFY(!w->plotVisible[p]);
        QCOMPARE(pp.expandButton->text(), QStringLiteral("v"));
        QVERIFY(!shown(pp.plot) && !shown(pp.legendBox) && !shown(pp.autoscaleButton) && !shown(pp.statisticsButton));
        QVERIFY(shown(pp.title) && shown(pp.expandButton) && shown(pp.separator));
        QCOMPARE(pp.title->text(), QString::fromLatin1(titles[p]));
        QCOMPARE(pp.plot->axisTitle(QwtPlot::yLeft).text(), axisTitles[p]);
        QCOMPARE(pp.plot->axisTitle(QwtPlot::xBottom).text(), QStringLiteral("Seconds"));
        QCOMPARE(pp.plot->canvasBackground().color(), QColor(0, 0, 128));
        QCOMPARE(pp.expandButton->toolTip(),
                 QStringLiteral("This button is used to expand or collapse waveform plot ") + axisTitles[p]);
        QCOMPARE(pp.statisticsButton->toolTip(),
                 QStringLiteral("This button is display the statistic results of DAQ in ") + axisTitles[p]);
        QVERIFY(pp.autoscaleButton->isChecked());
        QCOMPARE(pp.autoscaleButton->text(), QStringLiteral("Autoscale ON"));
        // The initial scales hold the nominal span of the plot's quantity.
        const QwtInterval y = axis(app, p, QwtPlot::yLeft);
        QVERIFY(y.minValue() <= initial[p][0] && y.maxValue() >= initial[p][1]);
        const QwtInterval x = axis(app, p, QwtPlot::xBottom);
        QVERIFY(x.minValue() <= 0 && x.maxValue() >= 1 && x.maxValue() < 2);
        for (int c = 0; c < 16; ++c) {
            QCOMPARE(pp.curves[c]->title().text(), QStringLiteral("Ch %1").arg(c + 1));
            QCOMPARE(pp.curves[c]->pen().color(), channelColours[c]);
            QCOMPARE(pp.curves[c]->pen().widthF(), 0.0);
            QCOMPARE(pp.curves[c]->plot(), pp.plot);
            QCOMPARE(pp.curves[c]->dataSize(), size_t(0));
            QCOMPARE(pp.legend[c]->text(), QString::number(c + 1));
            QCOMPARE(textColour(pp.legend[c]), gray);
        }
        // The "scale" helper curve is gone: 16 curves and the grid remain.
        QCOMPARE(pp.plot->itemList(QwtPlotItem::Rtti_PlotCurve).size(), 16);
    }
}

void TestWaveformWindow::demoSingleShot()
{
    setChannel(app, 0, true, Voltage);
    setChannel(app, 1, true, Resistance);
    setChannel(app, 2, true, PT100);
    selectLength(app, QStringLiteral("100"));
    app->samplingRateList()->setCurrentIndex(app->samplingRateList()->findText(QStringLiteral("1 kHz")));
    app->config->show();
    ovsim::clearJournal();

    app->singleShotButton()->click();
    QVERIFY(w->acqTimer->isActive());
    QCOMPARE(w->acqTimer->interval(), 50);
    QVERIFY(app->config->isHidden());
    QVERIFY(!app->configurationButton()->isEnabled());
    QVERIFY(!app->enableAllButton()->isEnabled());
    QVERIFY(!app->continuousButton()->isEnabled());
    QTRY_VERIFY(!app->singleShotButton()->isChecked() && !w->acqTimer->isActive());

    QCOMPARE(w->scanCount, 100);
    QCOMPARE(w->stateLabel->text(), QStringLiteral("Idle"));
    QCOMPARE(textColour(w->stateLabel), QColor(Qt::black));
    for (QPushButton *b : {app->singleShotButton(), app->continuousButton(), app->configurationButton(),
                           app->enableAllButton()})
        QVERIFY(b->isEnabled());
    QVERIFY(ovsim::journal().empty());

    // Each channel on the plot of its kind, with its own block.
    for (int p = 0; p < 3; ++p) {
        QVERIFY(w->plotVisible[p]);
        QCOMPARE(w->panel(p).expandButton->text(), QStringLiteral("^"));
        for (int c = 0; c < 16; ++c) {
            const bool mine = c == p ? true : false; // channel 1 voltage, 2 resistance, 3 temperature
            QCOMPARE(points(app, p, c), size_t(mine ? 100 : 0));
            QCOMPARE(textColour(w->panel(p).legend[c]), mine ? channelColours[c] : gray);
        }
        QCOMPARE(yData(app, p, p), w->plotData + p * 100);
        QCOMPARE(xData(app, p, p), w->timeAxis[p]);
    }
    QCOMPARE(w->timeAxis[0][0], 0.0);
    QCOMPARE(w->timeAxis[2][99], 0.099);
    for (int s = 0; s < 100; ++s) {
        QVERIFY(std::fabs(w->plotData[s]) <= 1.0);
        QVERIFY(std::fabs(w->plotData[100 + s] - 1000.0) < 1.6);
        QVERIFY(std::fabs(w->plotData[200 + s] - 100.0) < 1.06); // demo degrees are not converted
    }
    // Autoscale fits the time axis to the block.
    QVERIFY(std::fabs(axis(app, 0, QwtPlot::xBottom).maxValue() - 0.099) < 0.02);
}

void TestWaveformWindow::blockLayoutWithDisabledChannel()
{
    setChannel(app, 0, true, Voltage);
    setChannel(app, 1, true, Voltage);
    setChannel(app, 4, true, Voltage);
    selectLength(app, QStringLiteral("50"));
    runSingle(app);
    QCOMPARE(yData(app, 0, 0), w->plotData);
    QCOMPARE(yData(app, 0, 1), w->plotData + 50);
    QCOMPARE(yData(app, 0, 4), w->plotData + 100);

    // Channel 1 off: channel 2 takes block 0 and channel 5 block 1.
    setChannel(app, 0, false);
    w->updateEnabledChannels();
    QCOMPARE(w->channelMask, 0x12u);
    w->refreshPlots();
    QCOMPARE(points(app, 0, 0), size_t(0));
    QCOMPARE(textColour(w->panel(0).legend[0]), gray);
    QCOMPARE(yData(app, 0, 1), w->plotData);
    QCOMPARE(yData(app, 0, 4), w->plotData + 50);

    // A channel of another kind still takes its block.
    setChannel(app, 1, true, PT100);
    w->refreshPlots();
    QCOMPARE(points(app, 0, 1), size_t(0));
    QCOMPARE(yData(app, 2, 1), w->plotData);
    QCOMPARE(yData(app, 0, 4), w->plotData + 50);
}

void TestWaveformWindow::visibilityRules()
{
    setChannel(app, 0, true, Voltage);
    setChannel(app, 1, true, PT100);
    selectLength(app, QStringLiteral("20"));
    runSingle(app);
    QVERIFY(w->plotVisible[0] && !w->plotVisible[1] && w->plotVisible[2]);
    QCOMPARE(w->panel(1).expandButton->text(), QStringLiteral("v"));
    QVERIFY(shown(w->panel(0).plot) && !shown(w->panel(1).plot) && shown(w->panel(2).plot));

    // Expanding the empty resistance plot shows it until the next refresh.
    QTest::mouseClick(w->panel(1).expandButton, Qt::LeftButton);
    QVERIFY(w->plotVisible[1]);
    QCOMPARE(w->panel(1).expandButton->text(), QStringLiteral("^"));
    for (QWidget *x : {static_cast<QWidget *>(w->panel(1).plot), static_cast<QWidget *>(w->panel(1).plotBox),
                       static_cast<QWidget *>(w->panel(1).legendBox),
                       static_cast<QWidget *>(w->panel(1).autoscaleButton),
                       static_cast<QWidget *>(w->panel(1).statisticsButton)})
        QVERIFY(shown(x));
    for (int c = 0; c < 16; ++c)
        QCOMPARE(points(app, 1, c), size_t(0));
    w->refreshPlots();
    QVERIFY(!w->plotVisible[1]);
    QVERIFY(!shown(w->panel(1).plot));

    // Collapsing a plot with data by hand.
    QTest::mouseClick(w->panel(0).expandButton, Qt::LeftButton);
    QVERIFY(!w->plotVisible[0] && !shown(w->panel(0).legendBox));
    QCOMPARE(w->panel(0).expandButton->text(), QStringLiteral("v"));

    // Nothing enabled: only the header rows and the state row remain.
    disableAll(app);
    w->updateEnabledChannels();
    w->refreshPlots();
    for (int p = 0; p < 3; ++p) {
        QVERIFY(!w->plotVisible[p]);
        QVERIFY(!shown(w->panel(p).plot) && !shown(w->panel(p).plotBox));
        QVERIFY(shown(w->panel(p).title) && shown(w->panel(p).expandButton));
    }
    QVERIFY(shown(w->stateLabel));
}

void TestWaveformWindow::noChannelWarning()
{
    app->singleShotButton()->click();
    QTRY_VERIFY(!fx->boxes().isEmpty());
    const SeenBox box = fx->boxes().first();
    QCOMPARE(box.text, QStringLiteral("At least one channel must be enabled for Data Acquisition"));
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.title, QStringLiteral("Keltri 7931 SFP Warning message"));
    QTRY_VERIFY(!app->singleShotButton()->isChecked());
    QCOMPARE(fx->boxes().size(), 1);
    QVERIFY(!w->acqTimer->isActive());
    for (QPushButton *b : {app->singleShotButton(), app->continuousButton(), app->configurationButton(),
                           app->enableAllButton()}) {
        QVERIFY(b->isEnabled());
        QVERIFY(!b->isChecked());
    }
    QCOMPARE(w->stateLabel->text(), QStringLiteral("Idle"));
}

void TestWaveformWindow::autoscaleOffUsesNominalRanges()
{
    // 7931-BB: voltage slot 2 is +-2.75 V, slot 0 +-11 V.
    setChannel(app, 0, true, Voltage);
    setChannel(app, 1, true, Voltage);
    setChannel(app, 2, true, PT100);
    setChannel(app, 3, true, PT1000);
    QComboBox *r0 = app->chCfg[0]->rangeSelector;
    r0->setCurrentIndex(r0->findData(2));
    QComboBox *r1 = app->chCfg[1]->rangeSelector;
    r1->setCurrentIndex(r1->findData(0));
    QComboBox *r2 = app->chCfg[2]->rangeSelector;
    r2->setCurrentIndex(r2->findData(7)); // PT-100 < 100: -200 .. 150
    QComboBox *r3 = app->chCfg[3]->rangeSelector;
    r3->setCurrentIndex(r3->findData(3)); // PT-1000 < 300: -200 .. 500
    selectLength(app, QStringLiteral("20"));
    runSingle(app);

    QPushButton *as0 = w->panel(0).autoscaleButton;
    as0->click();
    QVERIFY(!as0->isChecked());
    QCOMPARE(as0->text(), QStringLiteral("AutoScale OFF"));
    QCOMPARE(axis(app, 0, QwtPlot::yLeft).minValue(), -11.0);
    QCOMPARE(axis(app, 0, QwtPlot::yLeft).maxValue(), 11.0);
    QCOMPARE(app->chCfg[0]->plotRange[0], -2.75);
    QCOMPARE(app->chCfg[0]->plotRange[1], 2.75);

    // Without the wide channel the union narrows; a refresh keeps it.
    setChannel(app, 1, false);
    as0->click();
    QVERIFY(as0->isChecked());
    QCOMPARE(as0->text(), QStringLiteral("AutoScale ON"));
    QVERIFY(w->panel(0).plot->axisAutoScale(QwtPlot::yLeft));
    as0->click();
    QCOMPARE(axis(app, 0, QwtPlot::yLeft).minValue(), -2.75);
    QCOMPARE(axis(app, 0, QwtPlot::yLeft).maxValue(), 2.75);
    runSingle(app);
    QCOMPARE(axis(app, 0, QwtPlot::yLeft).minValue(), -2.75);
    QCOMPARE(axis(app, 0, QwtPlot::yLeft).maxValue(), 2.75);

    // Temperature: the PT table of each channel's sensor.
    w->panel(2).autoscaleButton->click();
    QCOMPARE(axis(app, 2, QwtPlot::yLeft).minValue(), -200.0);
    QCOMPARE(axis(app, 2, QwtPlot::yLeft).maxValue(), 500.0);
    QCOMPARE(app->chCfg[2]->plotRange[1], 150.0);
}

void TestWaveformWindow::autoscaleOffWithoutChannels()
{
    setChannel(app, 0, true, Voltage);
    runSingle(app);
    const QwtInterval before = axis(app, 1, QwtPlot::yLeft);
    w->asSlot2(false);
    QCOMPARE(w->panel(1).autoscaleButton->text(), QStringLiteral("AutoScale OFF"));
    QVERIFY(!w->panel(1).autoscaleButton->isChecked());
    QCOMPARE(axis(app, 1, QwtPlot::yLeft), before);
}

void TestWaveformWindow::demoContinuous()
{
    setChannel(app, 0, true, Voltage);
    setChannel(app, 2, true, Voltage);
    selectLength(app, QStringLiteral("100"));
    app->continuousButton()->click();
    QTRY_VERIFY(!fx->boxes().isEmpty());
    QCOMPARE(fx->boxes().first().text, QStringLiteral("Saving to file does not work in demo mode."));
    QCOMPARE(fx->boxes().first().title, QStringLiteral("Keltri 7931 SFP"));
    QCOMPARE(fx->boxes().first().icon, QMessageBox::Information);
    QVERIFY(w->acqTimer->isActive());
    QCOMPARE(w->acqTimer->interval(), ov7931Demo_Waveform::demoRefreshInterval);
    QVERIFY(app->continuousMode);
    QVERIFY(!app->singleShotButton()->isEnabled());
    for (int p = 0; p < 3; ++p)
        QVERIFY(!w->panel(p).statisticsButton->isEnabled());

    // Every tick a new block, its sine moved by 0.05 rad.
    const double phase = demoPhase;
    QTRY_VERIFY(demoPhase > phase + 0.01);
    const double shownPhase = demoPhase - 0.05;
    QVERIFY(std::fabs(w->plotData[0] - std::sin(shownPhase)) < 1e-12);
    QTRY_VERIFY(demoPhase > phase + 0.06);
    QVERIFY(std::fabs(w->plotData[0] - std::sin(demoPhase - 0.05)) < 1e-12);
    // Channel 3 is ordinal 1: 2.4 periods per block.
    QVERIFY(std::fabs(w->plotData[100 + 10] - std::sin(10 * 2 * 1.2 * 6.283185307179586 / 100 + demoPhase - 0.05)) <
            1e-12);
    QVERIFY(app->continuousButton()->isChecked());

    app->continuousButton()->click();
    QTRY_VERIFY(!w->acqTimer->isActive());
    QVERIFY(!app->continuousButton()->isChecked());
    QVERIFY(!app->continuousMode);
    QCOMPARE(w->stateLabel->text(), QStringLiteral("Idle"));
    for (int p = 0; p < 3; ++p)
        QVERIFY(w->panel(p).statisticsButton->isEnabled());
    for (QPushButton *b : {app->singleShotButton(), app->continuousButton(), app->configurationButton(),
                           app->enableAllButton()})
        QVERIFY(b->isEnabled());
    const double stopped = demoPhase;
    QTest::qWait(250);
    QCOMPARE(demoPhase, stopped);
    QVERIFY(ovsim::journal().empty());
}

void TestWaveformWindow::statisticsAndPanel()
{
    setChannel(app, 0, true, Voltage);
    setChannel(app, 1, true, Resistance);
    selectLength(app, QStringLiteral("10"));
    runSingle(app);
    const int before = fx->boxes().size();
    QTest::mouseClick(w->panel(1).statisticsButton, Qt::LeftButton);
    QTRY_COMPARE(fx->boxes().size(), before + 1);
    const SeenBox box = fx->boxes().last();
    QCOMPARE(box.title, QStringLiteral("Mean Value Statistic Results"));
    // The resistance mean comes from the second block.
    double mean = 0;
    for (int s = 0; s < 10; ++s)
        mean += w->plotData[10 + s];
    mean /= 10;
    QVERIFY2(box.text.contains(QStringLiteral("Channel 2: &nbsp; <b>%1").arg(mean / 1000.0, 0, 'f', 4)) ||
                 box.text.contains(QStringLiteral("Channel 2: &nbsp; <b>%1").arg(mean, 0, 'f', 4)),
             qPrintable(box.text));
    QVERIFY(!box.text.contains(QStringLiteral("Channel 1:")));

    app->config->hide();
    emit app->configDev();
    QVERIFY(app->config->isVisible());
}

QTEST_MAIN(TestWaveformWindow)
#include "test_waveformWindow.moc"
