// Calibration checked against the simulated cards' journal: each case's call
// sequence, where the measured current goes, status reporting, calibrate-all.
#include "channelbench.h"
#include "tooltest.h"

#include "ov7931.h"
#include "ov7931Demo_App.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_Waveform.h"
#include "ov7931Demo_calibration.h"
#include "ov7931Demo_calibrationThread.h"
#include "ov7931Demo_channelModel.h"
#include "ov7931Demo_hwaccess.h"
#include "ov7931Demo_workerControl.h"
#include "ov8263.h"
#include "ovsim_control.h"
#include "testkit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

namespace {
// A channel's choice: d_ch, sensor, excitation index, range slot, and a gain
// code the driver's record claims afterwards (-1: the card's own).
struct Choice {
    int d_ch, sensor, current, slot;
    int recordedGain = -1;
};

void choose(ov7931Demo_ChCfg *p, const Choice &c)
{
    p->enableBox->setChecked(true);
    p->sensorSelector->setCurrentIndex(c.sensor);
    p->excitationSelector->setCurrentIndex(c.current);
    p->rangeSelector->setCurrentIndex(p->rangeSelector->findData(c.slot));
    if (c.recordedGain >= 0)
        ovsim::setRecordedGain(c.d_ch + 1, c.recordedGain);
}

// The calls of the amplifier's gain change around an excitation measurement.
QStringList unityGainAround(int ch, int gain, const QString &measurement)
{
    const QString pga = QString("ov7931_pgaCalibration(%1, 2, 0, null, null)").arg(ch);
    return {QString("ov7931_getGain(%1, &)").arg(ch), QString("ov7931_setGain(%1, 3)").arg(ch), pga, measurement,
            QString("ov7931_setGain(%1, %2)").arg(ch).arg(gain), pga};
}

QString digitizerCalibration(int ch, int gain)
{
    return QString("ov8263_calibrateChannels(%1, %2, 0, null, null)").arg(1 << (ch - 1)).arg(gain);
}
} // namespace

Q_DECLARE_METATYPE(Choice)

class TestCalibration : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        QVERIFY(joinAbandonedWorkers(5000));
        QVERIFY(hardwareLockIsFree());
    }

    void sequences_data()
    {
        QTest::addColumn<QString>("subType");
        QTest::addColumn<Choice>("choice");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<int>("measured"); // 0 none, 1 primary, 2 secondary current
        QTest::addColumn<double>("ampere");
        QTest::newRow("Voltage with amplifier, current off")
            << "7931-BB" << Choice{2, SensorVoltage, 0, 5}
            << QStringList{digitizerCalibration(3, 2), "ov7931_getGainInfo(3, &, &)",
                           "ov7931_pgaCalibration(3, 2, 0, null, null)", "ov7931_checkPgaEf(&)"}
            << 0 << 0.0;
        QTest::newRow("Voltage without amplifier")
            << "7931-AA" << Choice{0, SensorVoltage, 1, 2}
            << QStringList{digitizerCalibration(1, 10), "ov7931_getGainInfo(1, &, &)"} << 0 << 0.0;
        QTest::newRow("PT-100 on 100uA at index 1")
            << "7931-AE" << Choice{1, SensorPT100, 1, 6}
            << QStringList{digitizerCalibration(2, 200), "ov7931_getGainInfo(2, &, &)", digitizerCalibration(2, 2),
                           "ov8263_setChanConfig(2, 1, 2, 0)", "ov7931_excCalibration(2, 3, &, null)",
                           "ov8263_setChanConfig(2, 1, 200, 0)"}
            << 1 << 100e-6 * 1.002;
        QTest::newRow("7931-DE secondary current")
            << "7931-DE" << Choice{10, SensorResistance, 2, 4}
            << QStringList{digitizerCalibration(11, 2), "ov7931_getGainInfo(11, &, &)"}
                   + unityGainAround(11, 6, "ov7931_excCalibration(11, 2, &, null)")
                   + QStringList{"ov7931_checkPgaEf(&)"}
            << 2 << 1.25e-3 * 1.011;
        QTest::newRow("amplifier already at unity gain")
            << "7931-BB" << Choice{5, SensorResistance, 1, 1}
            << QStringList{digitizerCalibration(6, 2), "ov7931_getGainInfo(6, &, &)",
                           "ov7931_excCalibration(6, 1, &, null)", "ov7931_checkPgaEf(&)"}
            << 1 << 500e-6 * 1.006;
        // The record claims gain 7, the card reads unity gain: nothing to restore.
        QTest::newRow("card back at unity gain behind the record")
            << "7931-BB" << Choice{5, SensorResistance, 1, 1, 7}
            << QStringList{digitizerCalibration(6, 2), "ov7931_getGainInfo(6, &, &)", "ov7931_getGain(6, &)",
                           "ov7931_setGain(6, 3)", "ov7931_pgaCalibration(6, 2, 0, null, null)",
                           "ov7931_excCalibration(6, 1, &, null)", "ov7931_checkPgaEf(&)"}
            << 1 << 500e-6 * 1.006;
    }

    void sequences()
    {
        QFETCH(QString, subType);
        QFETCH(Choice, choice);
        QFETCH(int, measured);
        QFETCH(double, ampere);
        ChannelBench bench(subType);
        bench.fx.otherDialogs = [](QWidget *) { return true; };
        ov7931Demo_ChCfg *p = bench.panel(choice.d_ch);
        choose(p, choice);
        const double before[2] = {p->excitCurrPrimary, p->excitCurrSecondary};
        ChannelBench::clear();
        QString label;
        bool busy = false;
        {
            EventLoopProbe probe([&]() {
                if (auto *dialog = shownDialog<ov7931Demo_calibrationDialog>()) {
                    label = dialog->windowTitle() + " / " + dialog->label->text();
                    busy = bench.app->deviceBusy == 1 && dialog->size() == QSize(250, 100);
                }
            });
            p->calibrateAction();
        }
        QTEST(ChannelBench::calls(), "calls");
        QCOMPARE(label, QString("Keltri 7931 Calibration / Channel %1 Calibration...").arg(choice.d_ch + 1));
        QVERIFY(busy && bench.app->deviceBusy == 0 && bench.fx.boxes().isEmpty());
        QCOMPARE(p->excitCurrPrimary, measured == 1 ? ampere : before[0]);
        QCOMPARE(p->excitCurrSecondary, measured == 2 ? ampere : before[1]);
        QCOMPARE(p->excitationCurrent(), measured ? ampere : p->excitationCurrent());
        QVERIFY(p->findChildren<ov7931Demo_calibrationDialog *>().isEmpty());
    }

    void lastStatusReported_data()
    {
        QTest::addColumn<QString>("subType");
        QTest::addColumn<Choice>("choice");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("box"); // E: error box, W: warning box with the digitizer's text, empty: none
        QTest::newRow("the last call fails") << "7931-BB" << Choice{2, SensorVoltage, 0, 5} << "ov7931_checkPgaEf"
                                             << int(ov7931_ERROR_HARDWARE) << "E";
        QTest::newRow("forwarded digitizer warning") << "7931-BB" << Choice{2, SensorVoltage, 0, 5}
                                                     << "ov7931_checkPgaEf" << int(ov7931_ERROR_FC_DRIVER) << "W";
        QTest::newRow("digitizer restore fails") << "7931-AE" << Choice{1, SensorPT100, 1, 6} << "ov8263_setChanConfig"
                                                 << int(ov8263_ERROR_HARDWARE) << "E";
        // Only the last call's status is kept: a failure before a success is not reported.
        QTest::newRow("a middle call fails") << "7931-BB" << Choice{2, SensorVoltage, 0, 5} << "ov7931_pgaCalibration"
                                             << int(ov7931_ERROR_CALIBRATION) << "";
        // Without amplifiers the digitizer's calibration is the voltage channel's only step.
        QTest::newRow("7931-AA digitizer calibration fails")
            << "7931-AA" << Choice{0, SensorVoltage, 1, 2} << "ov8263_calibrateChannels"
            << int(ov8263_ERROR_HARDWARE) << "E";
        QTest::newRow("7931-AE digitizer calibration fails")
            << "7931-AE" << Choice{4, SensorVoltage, 0, 3} << "ov8263_calibrateChannels"
            << int(ov8263_ERROR_BUSY) << "E";
        // The record of the gain cannot be read: the family's answer applies and the failure is reported.
        QTest::newRow("gain record unreadable") << "7931-AA" << Choice{0, SensorVoltage, 1, 2}
                                                << "ov7931_getGainInfo" << int(ov7931_ERROR_HARDWARE) << "E";
        // A failed measurement leaves the channel's current as it was.
        QTest::newRow("measurement fails") << "7931-AE" << Choice{1, SensorPT100, 1, 6} << "ov7931_excCalibration"
                                           << int(ov7931_ERROR_CALIBRATION) << "";
    }

    void lastStatusReported()
    {
        QFETCH(QString, subType);
        QFETCH(Choice, choice);
        QFETCH(QString, failing);
        QFETCH(int, status);
        QFETCH(QString, box);
        ChannelBench bench(subType);
        bench.fx.otherDialogs = [](QWidget *) { return true; };
        ov7931Demo_ChCfg *p = bench.panel(choice.d_ch);
        choose(p, choice);
        const double primary = p->excitCurrPrimary;
        ovsim::setForwardedStatus(ov8263_WARN_OUT_OF_RANGE);
        ovsim::failAlways(failing.toStdString(), status);
        p->calibrateAction();
        ovsim::clearFaults();
        const std::vector<ovsim::Call> failed = ovsim::journalOf(failing.toStdString());
        QVERIFY(!failed.empty() && failed.back().status == status);
        const QList<SeenBox> boxes = bench.fx.boxes();
        QCOMPARE(boxes.size(), box.isEmpty() ? 0 : 1);
        if (box == "E")
            QCOMPARE(boxes[0].text, testkit::errorBoxText("thread->getStatus()",
                                                          testkit::driverText(false, bench.slaveVi, status)));
        if (box == "W")
            QCOMPARE(boxes[0].text,
                     "Warning: [" + testkit::driverText(true, bench.masterVi, ov8263_WARN_OUT_OF_RANGE) + "]");
        if (failing == "ov7931_excCalibration")
            QCOMPARE(p->excitCurrPrimary, primary);
        QCOMPARE(bench.app->deviceBusy.load(), 0);
    }

    void demoModeWaitsSixSecondsAtZero()
    {
        ChannelBench bench("7931-BB", false);
        bench.fx.otherDialogs = [](QWidget *) { return true; };
        ov7931Demo_ChCfg *p = bench.panel(0); // enabled with "500uA"
        const double currents[2] = {p->excitCurrPrimary, p->excitCurrSecondary};
        ovsim::setClockSpeed(40); // six simulated seconds in 150 ms
        const double start = ovsim::now();
        QList<QPair<double, int>> shown; // simulated time and bar value while the dialog is up
        {
            EventLoopProbe probe([&]() {
                if (auto *dialog = shownDialog<ov7931Demo_calibrationDialog>())
                    shown << qMakePair(ovsim::now() - start, dialog->bar->value());
            });
            p->calibrateAction();
        }
        const double end = ovsim::now() - start;
        QVERIFY(shown.size() > 2);
        // 0 % until the six seconds are over; the full bar shows only at the close.
        for (const auto &sample : shown)
            QVERIFY2(sample.second == 0 || (sample.second == 100 && sample.first >= 6.0),
                     qPrintable(QString("%1 s: %2 %").arg(sample.first).arg(sample.second)));
        QVERIFY(shown.last().first > 5.0 && end >= 6.0);
        QVERIFY(driverCalls().isEmpty() && delayCalls("6000") == 1);
        QVERIFY(p->excitCurrPrimary == currents[0] && p->excitCurrSecondary == currents[1]);
        QVERIFY(bench.fx.boxes().isEmpty() && bench.app->deviceBusy == 0);
    }

    void excitationOffRefused()
    {
        ChannelBench bench("7931-BB");
        ov7931Demo_ChCfg *p = bench.panel(3);
        choose(p, {3, SensorPT100, 0, 5});
        ChannelBench::clear();
        p->calibrateAction();
        QCOMPARE(bench.fx.boxes().size(), 1);
        const SeenBox box = bench.fx.boxes()[0];
        QVERIFY(box.title == "Keltri 7931" && box.icon == QMessageBox::Critical && box.buttons == QStringList{"OK"});
        QCOMPARE(box.text, QString("Excitation current is not enabled for this channel. Please first enable it."));
        QVERIFY(ovsim::journal().empty());
    }

    void calibrateAll()
    {
        AppFixture fx;
        ov7931Demo_App *app = fx.create(AppFixture::Mode::Live);
        fx.otherDialogs = [](QWidget *) { return true; };
        choose(app->chCfg[1], {1, SensorResistance, 1, 0});
        choose(app->chCfg[6], {6, SensorVoltage, 0, 0});
        // Channels without a current are listed first, a Voltage channel is not.
        choose(app->chCfg[3], {3, SensorPT100, 0, 5});
        choose(app->chCfg[11], {11, SensorResistance, 0, 1});
        ChannelBench::clear();
        app->chCfg[6]->calibrateAllAction();
        QCOMPARE(fx.boxes().size(), 1);
        QCOMPARE(fx.boxes()[0].text,
                 QString("Excitation current is not enabled for Channel 4 12 . Please first enable it(them)."));
        QVERIFY(fx.boxes()[0].title == "Keltri 7931" && fx.boxes()[0].icon == QMessageBox::Critical);
        QVERIFY(ovsim::journal().empty());

        app->chCfg[3]->enableBox->setChecked(false);
        app->chCfg[11]->enableBox->setChecked(false);
        const double secondaryOf7 = app->chCfg[6]->excitCurrSecondary;
        ovsim::setExcitationDeviation(1, 7e-6, 0);
        ovsim::setExcitationDeviation(2, -3e-6, 0);
        ChannelBench::clear();
        QStringList labels;
        {
            EventLoopProbe probe([&]() {
                if (auto *dialog = shownDialog<ov7931Demo_calibrationDialog>()) {
                    if (labels.isEmpty() || labels.last() != dialog->label->text())
                        labels << dialog->label->text();
                    app->waveform->timerStatSlot(); // kept off the hardware
                }
            });
            app->chCfg[6]->calibrateAllAction();
        }
        QCOMPARE(labels, QStringList({"Channel 1 Calibration...", "Channel 2 Calibration...",
                                      "Channel 7 Calibration..."}));
        QCOMPARE(testkit::journalNames().filter("calibrateChannels", Qt::CaseInsensitive).size(), 3);
        QVERIFY(testkit::journalNames().filter("ov7931_checkECStatus").isEmpty());
        QVERIFY(testkit::journalNames().filter("ov7931_checkChanPgaEf").isEmpty());
        QCOMPARE(app->chCfg[0]->excitCurrPrimary, 507e-6);
        QCOMPARE(app->chCfg[1]->excitCurrPrimary, 497e-6);
        QCOMPARE(app->chCfg[6]->excitCurrSecondary, secondaryOf7);
        QVERIFY(fx.boxes().size() == 1 && app->deviceBusy == 0);
    }

    void calibrateAllWithoutEnabledChannels()
    {
        AppFixture fx;
        ov7931Demo_App *app = fx.create(AppFixture::Mode::Live);
        app->chCfg[0]->enableBox->setChecked(false);
        const double primary = app->chCfg[0]->excitCurrPrimary;
        ChannelBench::clear();
        app->chCfg[0]->calibrateAllAction();
        QVERIFY(ovsim::journal().empty() && fx.boxes().isEmpty() && app->deviceBusy == 0);
        QCOMPARE(app->chCfg[0]->excitCurrPrimary, primary);
    }

    void cancelDuringCalibrateAll()
    {
        AppFixture fx;
        ov7931Demo_App *app = fx.create(AppFixture::Mode::Live);
        fx.otherDialogs = [](QWidget *) { return true; };
        choose(app->chCfg[1], {1, SensorResistance, 1, 0});
        const double primaryOf2 = app->chCfg[1]->excitCurrPrimary;
        app->chCfg[0]->excitCurrPrimary = 0.0005;
        ChannelBench::clear();
        // The worker waits at its first call until Cancel has been pressed.
        hardwareLock.lock();
        QStringList labels;
        {
            EventLoopProbe probe([&]() {
                auto *dialog = shownDialog<ov7931Demo_calibrationDialog>();
                if (!dialog || !labels.isEmpty())
                    return;
                labels << dialog->label->text();
                QTimer::singleShot(50, []() { hardwareLock.unlock(); });
                dialog->cancelButton->click();
                labels << dialog->label->text();
            });
            app->chCfg[0]->calibrateAllAction();
        }
        QCOMPARE(labels, QStringList({"Channel 1 Calibration...", "Terminating, please wait..."}));
        // Channel 1 ran to its end and keeps its measurement; channel 2 was not calibrated.
        const QStringList calls = ChannelBench::calls();
        QVERIFY(calls.size() > 3);
        QCOMPARE(calls.first(), digitizerCalibration(1, 2));
        QCOMPARE(calls.last(), QString("ov7931_checkPgaEf(&)"));
        QVERIFY(calls.filter(QRegularExpression("\\((2|4)[,)]")).isEmpty());
        QCOMPARE(app->chCfg[0]->excitCurrPrimary, 500e-6 * 1.001);
        QCOMPARE(app->chCfg[1]->excitCurrPrimary, primaryOf2);
        QVERIFY(app->deviceBusy == 0 && fx.boxes().isEmpty());
    }

    void overrunningWorkerAbandoned()
    {
        ChannelBench bench("7931-BB");
        bench.fx.otherDialogs = [](QWidget *) { return true; };
        ov7931Demo_ChCfg *p = bench.panel(0);
        auto *dialog = new ov7931Demo_calibrationDialog(p, bench.app);
        auto *worker = new ov7931Demo_genCalibration(bench.app);
        worker->waitLimit = 1; // 200 ms
        dialog->worker = worker;
        dialog->stopWorker = [worker]() { stopWorker(worker); };
        ChannelBench::clear();
        hardwareLock.lock(); // the worker's first call waits for it
        bool cancelled = false;
        {
            EventLoopProbe probe([&]() {
                if (auto *shown = shownDialog<ov7931Demo_calibrationDialog>()) {
                    if (!cancelled)
                        shown->cancelButton->click();
                    cancelled = true;
                }
            });
            QVERIFY(!runWorkerWithProgress(dialog, p));
        }
        QVERIFY(worker->abandon && worker->isRunning());
        dialog->stopWorker = nullptr;
        disposeWorker(worker);
        delete dialog;
        QCOMPARE(abandonedWorkers(), 1);
        QVERIFY(ovsim::journal().empty());
        hardwareLock.unlock();
        // Its call returns, it makes no other, and the keeper deletes it.
        QTRY_COMPARE(abandonedWorkers(), 0);
        QCOMPARE(ChannelBench::calls(), QStringList{digitizerCalibration(1, 2)});
        QVERIFY(bench.fx.boxes().isEmpty());
    }
};

QTEST_MAIN(TestCalibration)
#include "test_calibration.moc"
