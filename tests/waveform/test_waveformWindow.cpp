// The waveform window in demo mode (single shots without any driver call):
// the block layout with channels disabled in the middle, the plots'
// visibility rules with the no-channel warning, and autoscale off with the
// channels' nominal ranges. The run itself is followed against the simulated
// instrument in test_singleShotLive.
#include "appfixture.h"
#include "ovsim_control.h"
#include "wave_helpers.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <qwt_plot.h>
#include <qwt_scale_div.h>

#include <cmath>

using namespace wave;

class TestWaveformWindow : public QObject
{
    Q_OBJECT

    AppFixture *fx = nullptr;
    ov7931Demo_App *app = nullptr;
    ov7931Demo_Waveform *w = nullptr;

    // Runs one demo single shot of `length` scans to its end.
    void runSingle(const QString &length)
    {
        app->waveformLengthList()->setCurrentText(length);
        app->singleShotButton()->click();
        QTRY_VERIFY(!app->singleShotButton()->isChecked() && !w->acqTimer->isActive());
    }
    QwtInterval axis(int plot, int axisId) { return w->panel(plot).plot->axisScaleDiv(axisId).interval(); }
    QColor legend(int plot, int ch) { return w->panel(plot).legend[ch]->palette().color(QPalette::WindowText); }
    const QColor off = QColor(200, 200, 200); // the legend of a channel without data
    bool shown(const QWidget *x) { return !x->isHidden(); }

private slots:
    void init()
    {
        fx = new AppFixture;
        app = panelWith(fx, {});
        w = app->waveform;
        ovsim::clearJournal();
    }
    void cleanup() { delete fx; }

    void blockLayoutWithDisabledChannel()
    {
        enable(app, {{0, Voltage}, {1, Voltage}, {4, PT100}});
        runSingle(QStringLiteral("50"));
        QVERIFY(ovsim::journal().empty() && w->scanCount == 50 && yData(app, 0, 0) == w->plotData);
        QVERIFY(yData(app, 0, 1) == w->plotData + 50 && yData(app, 2, 4) == w->plotData + 100);
        QVERIFY(legend(0, 0) == w->panel(0).curves[0]->pen().color() && legend(0, 4) == off);
        for (int s = 0; s < 50; ++s) // demo degrees are not converted
            QVERIFY(std::fabs(w->plotData[s]) <= 1.0 && std::fabs(w->plotData[100 + s] - 100.0) < 1.06);
        // Channel 1 off: channel 2 takes block 0 and channel 5 block 1.
        setChannel(app, 0, false);
        w->updateEnabledChannels();
        QCOMPARE(w->channelMask, 0x12u);
        w->refreshPlots();
        QVERIFY(points(app, 0, 0) == 0 && legend(0, 0) == off);
        QVERIFY(yData(app, 0, 1) == w->plotData && yData(app, 2, 4) == w->plotData + 50);
        // A channel of another kind still takes its block.
        setChannel(app, 1, true, PT100);
        w->refreshPlots();
        QVERIFY(points(app, 0, 1) == 0 && yData(app, 2, 1) == w->plotData && yData(app, 2, 4) == w->plotData + 50);
    }

    void visibilityRulesAndNoChannelWarning()
    {
        enable(app, {{0, Voltage}, {1, PT100}});
        runSingle(QStringLiteral("20"));
        QVERIFY(w->plotVisible[0] && !w->plotVisible[1] && w->plotVisible[2]);
        QVERIFY(shown(w->panel(0).plot) && !shown(w->panel(1).plot) && shown(w->panel(2).plot));
        QCOMPARE(w->panel(1).expandButton->text(), QStringLiteral("v"));
        // Expanding the empty resistance plot shows it until the next refresh.
        QTest::mouseClick(w->panel(1).expandButton, Qt::LeftButton);
        const auto &r = w->panel(1);
        QVERIFY(w->plotVisible[1] && r.expandButton->text() == "^" && shown(r.plot) && shown(r.plotBox));
        QVERIFY(shown(r.legendBox) && shown(r.autoscaleButton) && shown(r.statisticsButton));
        w->refreshPlots();
        QVERIFY(!w->plotVisible[1] && !shown(r.plot));
        // Nothing enabled: only the header rows and the state row remain.
        disableAll(app);
        w->updateEnabledChannels();
        w->refreshPlots();
        for (int p = 0; p < 3; ++p)
            QVERIFY(!w->plotVisible[p] && !shown(w->panel(p).plotBox) && shown(w->panel(p).title));
        // And a single shot is refused with a warning.
        app->singleShotButton()->click();
        QTRY_VERIFY(!fx->boxes().isEmpty() && !app->singleShotButton()->isChecked());
        const SeenBox box = fx->boxes().first();
        QCOMPARE(box.text, QStringLiteral("At least one channel must be enabled for Data Acquisition"));
        QVERIFY(box.icon == QMessageBox::Warning && box.title == "Keltri 7931 SFP Warning message");
        QVERIFY(fx->boxes().size() == 1 && !w->acqTimer->isActive() && app->singleShotButton()->isEnabled());
        QCOMPARE(w->stateLabel->text(), QStringLiteral("Idle"));
    }

    void autoscaleOffUsesNominalRanges()
    {
        // 7931-BB: voltage slot 2 is +-2.75 V, slot 0 +-11 V; PT-100 slot 7
        // spans -200 .. 150, PT-1000 slot 3 -200 .. 500 degrees.
        const int sensors[4] = {Voltage, Voltage, PT100, PT1000}, rangeSlots[4] = {2, 0, 7, 3};
        for (int c = 0; c < 4; ++c) {
            setChannel(app, c, true, sensors[c]);
            app->chCfg[c]->rangeSelector->setCurrentIndex(app->chCfg[c]->rangeSelector->findData(rangeSlots[c]));
        }
        runSingle(QStringLiteral("20"));
        const QwtInterval resistance = axis(1, QwtPlot::yLeft);
        QPushButton *as0 = w->panel(0).autoscaleButton;
        as0->click();
        QVERIFY(!as0->isChecked() && as0->text() == "AutoScale OFF");
        QCOMPARE(axis(0, QwtPlot::yLeft), QwtInterval(-11.0, 11.0));
        QVERIFY(app->chCfg[0]->plotRange[0] == -2.75 && app->chCfg[0]->plotRange[1] == 2.75);
        // Without the wide channel the union narrows; a refresh keeps it.
        setChannel(app, 1, false);
        as0->click();
        QVERIFY(as0->isChecked() && as0->text() == "AutoScale ON" && w->panel(0).plot->axisAutoScale(QwtPlot::yLeft));
        as0->click();
        QCOMPARE(axis(0, QwtPlot::yLeft), QwtInterval(-2.75, 2.75));
        runSingle(QStringLiteral("20"));
        QCOMPARE(axis(0, QwtPlot::yLeft), QwtInterval(-2.75, 2.75));
        // Temperature: the PT table of each channel's sensor.
        w->panel(2).autoscaleButton->click();
        QVERIFY(axis(2, QwtPlot::yLeft) == QwtInterval(-200.0, 500.0) && app->chCfg[2]->plotRange[1] == 150.0);
        // A plot without channels keeps its scale.
        w->asSlot2(false);
        QVERIFY(w->panel(1).autoscaleButton->text() == "AutoScale OFF" && axis(1, QwtPlot::yLeft) == resistance);
    }
};

QTEST_MAIN(TestWaveformWindow)
#include "test_waveformWindow.moc"
