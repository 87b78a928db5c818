// The channel tools checked against the simulated cards' journal: "Apply
// Configuration to all Enabled Channels", the calibration of one channel and
// of all, the broken-wire check and the re-apply after "Reset Device". Their
// call sequences and reporting rules are data rows; the dialogs, Cancel and
// the refusals are walked through once each.
#include "channelbench.h"

#include "ov7931Demo_Waveform.h"
#include "ov7931Demo_applyToAll.h"
#include "ov7931Demo_calibration.h"
#include "ov7931Demo_calibrationThread.h"
#include "ov7931Demo_hwaccess.h"
#include "ov7931Demo_wireCheck.h"
#include "ov7931Demo_wireRules.h"
#include "ov7931Demo_workerControl.h"

#include <QLabel>
#include <QProgressDialog>
#include <QSemaphore>
#include <QThreadPool>
#include <QtTest>

using namespace ovsim;
using namespace testkit;

namespace {
const int kTargets[3] = {2, 4, 8}; // d_ch of the targets (channels 3, 5, 9)

// An apply to all from channel 1 (Resistance, excitation index `current`,
// range index 3) with `targets` of the three enabled and the box answered;
// `cancel`: Cancel pressed in the dialog.
struct Spread { QString subType; bool live; int current; QString answer; int targets; bool cancel = false; };

// A channel calibrated (demo mode without a sub-type): d_ch, sensor,
// excitation index and range slot, a gain code the driver's record claims
// (-1: the card's own); the calls; where the measured current goes (0
// nowhere, 1 primary, 2 secondary); a call failing on every call with
// `status` (the calls are then not compared), and the box then (E: error
// box, W: warning box with the digitizer's text).
struct Calibration { QString subType; int d_ch, sensor, current, slot, recordedGain; QStringList calls; int measured;
                     double ampere; QString failing = QString(), box = QString(); int status = 0; };

QString digitizerCalibration(int ch, int gain)
{
    return QString("ov8263_calibrateChannels(%1, %2, 0, null, null)").arg(1 << (ch - 1)).arg(gain);
}

// A PT-100 on channel 6 with wires 1..4 and the wiring mode chosen, the four
// labels shown ("text|colour") and the 40k note; no sub-type: demo mode.
struct Wiring { QString subType; int mode; QVector<Wire> wires; QStringList labels; bool note; };

QStringList shown(const ov7931Demo_bkCheckDialog *dialog)
{
    QStringList labels;
    for (const QLabel *l : dialog->wireLabels)
        labels << (l->text().isEmpty() ? "" : l->text() + "|" + l->palette().color(QPalette::WindowText).name());
    return labels;
}
} // namespace

Q_DECLARE_METATYPE(Spread)
Q_DECLARE_METATYPE(Calibration)
Q_DECLARE_METATYPE(Wiring)

class TestChannelTools : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        QVERIFY(joinAbandonedWorkers(5000));
        QVERIFY(hardwareLockIsFree());
    }

    void applyToAll_data()
    {
        QTest::addColumn<Spread>("s");
        QTest::newRow("7931-BB primary") << Spread{"7931-BB", true, 1, "Yes", 3};
        QTest::newRow("7931-DE secondary") << Spread{"7931-DE", true, 2, "Yes", 3};
        QTest::newRow("demo") << Spread{"7931-BB", false, 1, "Yes", 3};
        QTest::newRow("Cancel in the dialog") << Spread{"7931-BB", true, 1, "Yes", 3, true};
        QTest::newRow("answered No") << Spread{"7931-BB", true, 1, "No", 3};
        QTest::newRow("only the source enabled") << Spread{"7931-BB", true, 1, "Yes", 0};
    }

    void applyToAll()
    {
        QFETCH(Spread, s);
        ChannelBench bench(s.subType, s.live);
        ov7931Demo_App *app = bench.app;
        ov7931Demo_ChCfg *source = app->chCfg[0];
        for (int i = 0; i < s.targets; ++i)
            app->chCfg[kTargets[i]]->enableBox->setChecked(true);
        choose(source, SensorResistance, s.current);
        source->rangeSelector->setCurrentIndex(3);
        ovsim::setManualClock(!s.cancel); // the estimate's 100 ms steps pass at once
        const double start = ovsim::now();
        bench.fx.answerWith({s.answer, "No"});
        ovsim::clearJournal();
        QStringList seen; // title, label, size, modal, busy, the source's handlers; then the label after Cancel
        {
            const auto probe = everyPass([&]() {
                auto *d = shownDialog<ov7931Demo_ApplyToAllDialog>();
                if (!d || (s.cancel && !seen.isEmpty()))
                    return;
                seen = QStringList{d->windowTitle(), d->label->text(), QString::asprintf("%dx%d %d %d %d",
                    d->width(), d->height(), d->isModal(), app->deviceBusy == 1, source->changeHandlersConnected())};
                app->waveform->timerStatSlot(); // kept off the hardware
                if (s.cancel)
                    d->cancelButton->click(), seen << d->label->text(); // returns once the worker has been stopped
            });
            source->applyToAllAction();
        }
        QVERIFY(!app->deviceBusy && source->changeHandlersConnected() && !abandonedWorkers());
        QVERIFY(source->findChildren<ov7931Demo_ApplyToAllDialog *>().isEmpty());
        QCOMPARE(bench.fx.boxes().size(), s.targets ? 1 : 0);
        QVERIFY((s.answer == "Yes" && s.targets) || (ovsim::journal().empty() && seen.isEmpty()));
        if (s.answer != "Yes" || !s.targets)
            return;
        QCOMPARE(describe(bench.fx.boxes()[0]), QString("Keltri 7931 | Cancel No Yes | question | This Action will "
                                                        "apply current channel's configurations too all enabled "
                                                        "channels, Continue?"));
        QCOMPARE(seen.join(" / "), "Keltri 7931 Apply to All / Applying Channel 1 Configuration to all Channels... / "
                                   "300x100 1 1 0" + QString(s.cancel ? " / Terminating, please wait..." : ""));
        // Each target's cascade (sensor, then excitation, then range), then
        // the worker's apply of each; neither the source nor a disabled
        // channel. After a Cancel the worker was waited for, not cut short.
        QStringList expected, worker;
        for (int t : kTargets) {
            expected << applyCalls({t + 1, 1, 2, 1, 1, 0}) << applyCalls({t + 1, 1, 2, 1, 1, s.current})
                     << applyCalls({t + 1, 1, 2, 1, 5, s.current});
            worker << applyCalls({t + 1, 1, 2, 1, 5, s.current});
        }
        QCOMPARE(driverCalls(), s.live ? expected + worker : QStringList());
        // 0.5 s per target in steps of 100/15: after the 15th step it stands
        // just under 100, so a 16th is taken, and the run ends at that
        // reading. A Cancel stops the estimate early.
        QVERIFY(s.cancel ? delayCalls("100") < 16
                         : delayCalls("100") == 16 && std::abs(ovsim::now() - start - 1.6) < 1e-9);
        for (int t : kTargets) { // with its own secondary current and its own ranges
            const ov7931Demo_ChCfg *target = app->chCfg[t];
            QVERIFY(target->rangeSelector->currentIndex() == 3 && target->testWireButton->isEnabled());
            QVERIFY(s.current != 2 || (target->excitationSelector->currentText() == nominalSecondaryCurrent[t].label
                    && target->rangeSelector->currentText() == secondaryCurrentRangeLabels(s.subType, t)[3]));
        }
    }

    void calibration_data()
    {
        QTest::addColumn<Calibration>("c");
        const QString pga = "ov7931_pgaCalibration(%1, 2, 0, null, null)", info = "ov7931_getGainInfo(%1, &, &)";
        QTest::newRow("Voltage with amplifier, current off") << Calibration{"7931-BB", 2, SensorVoltage, 0, 5, -1,
            {digitizerCalibration(3, 2), info.arg(3), pga.arg(3), "ov7931_checkPgaEf(&)"}, 0, 0};
        QTest::newRow("Voltage without amplifier") << Calibration{"7931-AA", 0, SensorVoltage, 1, 2, -1,
            {digitizerCalibration(1, 10), info.arg(1)}, 0, 0};
        QTest::newRow("PT-100 on 100uA at index 1") << Calibration{"7931-AE", 1, SensorPT100, 1, 6, -1,
            {digitizerCalibration(2, 200), info.arg(2), digitizerCalibration(2, 2), "ov8263_setChanConfig(2, 1, 2, 0)",
             "ov7931_excCalibration(2, 3, &, null)", "ov8263_setChanConfig(2, 1, 200, 0)"}, 1, 100e-6 * 1.002};
        // Taken to unity gain for the measurement and back to the card's gain.
        QTest::newRow("7931-DE secondary current") << Calibration{"7931-DE", 10, SensorResistance, 2, 4, -1,
            {digitizerCalibration(11, 2), info.arg(11), "ov7931_getGain(11, &)", "ov7931_setGain(11, 3)", pga.arg(11),
             "ov7931_excCalibration(11, 2, &, null)", "ov7931_setGain(11, 6)", pga.arg(11), "ov7931_checkPgaEf(&)"},
            2, 1.25e-3 * 1.011};
        QTest::newRow("amplifier already at unity gain") << Calibration{"7931-BB", 5, SensorResistance, 1, 1, -1,
            {digitizerCalibration(6, 2), info.arg(6), "ov7931_excCalibration(6, 1, &, null)", "ov7931_checkPgaEf(&)"},
            1, 500e-6 * 1.006};
        // The record claims gain 7, the card reads unity gain: nothing to restore.
        QTest::newRow("card back at unity gain behind the record") << Calibration{"7931-BB", 5, SensorResistance, 1, 1,
            7, {digitizerCalibration(6, 2), info.arg(6), "ov7931_getGain(6, &)", "ov7931_setGain(6, 3)", pga.arg(6),
                "ov7931_excCalibration(6, 1, &, null)", "ov7931_checkPgaEf(&)"}, 1, 500e-6 * 1.006};
        // Demo mode: six seconds (the common library's delay), nothing measured.
        QTest::newRow("demo") << Calibration{"", 0, SensorPT100, 1, 5, -1, {"ov9174_delay()"}, 0, 0};
        // Failures: only the last call's status is reported.
        Calibration bb{"7931-BB", 2, SensorVoltage, 0, 5, -1, {}, 0, 0}, aa{"7931-AA", 0, SensorVoltage, 1, 2, -1,
            {}, 0, 0}, ae{"7931-AE", 1, SensorPT100, 1, 6, -1, {}, 0, 0};
        const auto fault = [](const char *name, Calibration c, const char *failing, int status, const char *box) {
            c.failing = failing, c.status = status, c.box = box;
            QTest::newRow(name) << c;
        };
        fault("the last call fails", bb, "ov7931_checkPgaEf", ov7931_ERROR_HARDWARE, "E");
        fault("forwarded digitizer warning", bb, "ov7931_checkPgaEf", ov7931_ERROR_FC_DRIVER, "W");
        fault("a middle call fails (not reported)", bb, "ov7931_pgaCalibration", ov7931_ERROR_CALIBRATION, "");
        // Without amplifiers the digitizer's calibration is the voltage channel's only step.
        fault("7931-AA digitizer calibration fails", aa, "ov8263_calibrateChannels", ov8263_ERROR_HARDWARE, "E");
        // The record of the gain cannot be read: the family's answer applies and the failure is reported.
        fault("gain record unreadable", aa, "ov7931_getGainInfo", ov7931_ERROR_HARDWARE, "E");
        // A failed measurement leaves the channel's current as it was.
        fault("measurement fails", ae, "ov7931_excCalibration", ov7931_ERROR_CALIBRATION, "");
        ae.measured = 1, ae.ampere = 100e-6 * 1.002;
        fault("digitizer restore fails", ae, "ov8263_setChanConfig", ov8263_ERROR_HARDWARE, "E");
    }

    void calibration()
    {
        QFETCH(Calibration, c);
        ChannelBench bench(c.subType.isEmpty() ? "7931-BB" : c.subType, !c.subType.isEmpty());
        ov7931Demo_ChCfg *p = bench.panel(c.d_ch);
        choose(p, c.sensor, c.current, c.slot);
        if (c.recordedGain >= 0)
            ovsim::setRecordedGain(c.d_ch + 1, c.recordedGain);
        const double before[2] = {p->excitCurrPrimary, p->excitCurrSecondary};
        ovsim::setForwardedStatus(ov8263_WARN_OUT_OF_RANGE);
        ovsim::setClockSpeed(c.subType.isEmpty() ? 40 : 1); // demo mode: six simulated seconds in 150 ms
        if (!c.failing.isEmpty())
            ovsim::failAlways(c.failing.toStdString(), c.status);
        ovsim::clearJournal();
        QString seen;
        {
            const auto probe = everyPass([&]() {
                if (auto *d = shownDialog<ov7931Demo_calibrationDialog>())
                    seen = QString::asprintf("%dx%d %d / ", d->width(), d->height(), bench.app->deviceBusy.load())
                           + d->windowTitle() + " / " + d->label->text();
            });
            p->calibrateAction();
        }
        ovsim::clearFaults();
        QCOMPARE(seen, QString("250x100 1 / Keltri 7931 Calibration / Channel %1 Calibration...").arg(c.d_ch + 1));
        QVERIFY(bench.app->deviceBusy == 0 && p->findChildren<ov7931Demo_calibrationDialog *>().isEmpty());
        QCOMPARE(delayCalls("6000"), c.subType.isEmpty() ? 1 : 0);
        if (!c.calls.isEmpty())
            QCOMPARE(ChannelBench::calls(), c.calls);
        const std::vector<ovsim::Call> failed = ovsim::journalOf(c.failing.toStdString());
        QVERIFY(c.failing.isEmpty() || (!failed.empty() && failed.back().status == c.status));
        QCOMPARE(p->excitCurrPrimary, c.measured == 1 ? c.ampere : before[0]);
        QCOMPARE(p->excitCurrSecondary, c.measured == 2 ? c.ampere : before[1]);
        QCOMPARE(bench.fx.boxes().size(), c.box.isEmpty() ? 0 : 1);
        if (!c.box.isEmpty())
            QCOMPARE(bench.fx.boxes()[0].text, c.box == "W"
                ? "Warning: [" + driverText(true, bench.app->masterVi, ov8263_WARN_OUT_OF_RANGE) + "]"
                : errorBoxText("thread->getStatus()", driverText(false, bench.app->slaveVi, c.status)));
    }

    void calibrateAll()
    {
        ChannelBench bench("7931-BB");
        ov7931Demo_ChCfg *const *ch = bench.app->chCfg;
        choose(ch[0], SensorPT100, 1);
        choose(ch[1], SensorResistance, 1, 0);
        choose(ch[6], SensorVoltage, 0, 0);
        // Channels without a current are refused (a Voltage channel is not), alone or listed.
        choose(ch[3], SensorPT100, 0, 5);
        choose(ch[11], SensorResistance, 0, 1);
        ovsim::clearJournal();
        ch[3]->calibrateAction();
        ch[6]->calibrateAllAction();
        QCOMPARE(describe(bench.fx.boxes().value(0)) + " / " + describe(bench.fx.boxes().value(1)),
                 QString("Keltri 7931 | OK | critical | Excitation current is not enabled for this channel. Please "
                         "first enable it. / Keltri 7931 | OK | critical | Excitation current is not enabled for "
                         "Channel 4 12 . Please first enable it(them)."));
        QVERIFY(ovsim::journal().empty());
        ch[3]->enableBox->setChecked(false);
        ch[11]->enableBox->setChecked(false);
        const double secondaryOf7 = ch[6]->excitCurrSecondary;
        ovsim::setExcitationDeviation(1, 7e-6, 0);
        ovsim::setExcitationDeviation(2, -3e-6, 0);
        // Then a Cancel: the worker waits at its first call until Cancel has been
        // pressed; channel 1 runs to its end and keeps its measurement, channel 2
        // is not calibrated again.
        for (bool cancel : {false, true}) {
            const double primaryOf2 = ch[1]->excitCurrPrimary;
            ch[0]->excitCurrPrimary = 0.0005;
            ovsim::clearJournal();
            if (cancel)
                hardwareLock.lock();
            QStringList labels;
            {
                const auto probe = everyPass([&]() {
                    auto *dialog = shownDialog<ov7931Demo_calibrationDialog>();
                    if (!dialog || (!labels.isEmpty() && (cancel || labels.last() == dialog->label->text())))
                        return;
                    labels << dialog->label->text();
                    bench.app->waveform->timerStatSlot(); // kept off the hardware
                    if (cancel)
                        QTimer::singleShot(50, []() { hardwareLock.unlock(); }), dialog->cancelButton->click(),
                            labels << dialog->label->text();
                });
                ch[6]->calibrateAllAction();
            }
            QCOMPARE(labels.join(" / "), QString(cancel ? "Channel 1 Calibration... / Terminating, please wait..."
                : "Channel 1 Calibration... / Channel 2 Calibration... / Channel 7 Calibration..."));
            const QStringList calls = ChannelBench::calls();
            QCOMPARE(calls.filter("calibrateChannels").size(), cancel ? 1 : 3);
            QCOMPARE(calls.last(), QString("ov7931_checkPgaEf(&)"));
            QVERIFY(calls.filter(QRegularExpression(cancel ? "checkEC|\\((2|7|64)[,)]" : "checkEC")).isEmpty());
            QCOMPARE(ch[0]->excitCurrPrimary, 507e-6);
            QCOMPARE(ch[1]->excitCurrPrimary, cancel ? primaryOf2 : 497e-6);
            QVERIFY(ch[6]->excitCurrSecondary == secondaryOf7 && bench.fx.boxes().size() == 2);
            QVERIFY(!bench.app->deviceBusy);
        }
    }

    void overrunningWorkerAbandoned()
    {
        ChannelBench bench("7931-BB");
        ov7931Demo_ChCfg *p = bench.panel(0);
        auto *dialog = new ov7931Demo_calibrationDialog(p, bench.app);
        auto *worker = new ov7931Demo_genCalibration(bench.app);
        worker->waitLimit = 1; // 200 ms
        dialog->worker = worker;
        dialog->stopWorker = [worker]() { stopWorker(worker); };
        ovsim::clearJournal();
        hardwareLock.lock(); // the worker's first call waits for it
        {
            const auto probe = everyPass([&]() {
                if (auto *shown = shownDialog<ov7931Demo_calibrationDialog>())
                    shown->cancelButton->click();
            });
            QVERIFY(!runWorkerWithProgress(dialog, p));
        }
        QVERIFY(worker->abandon && worker->isRunning());
        dialog->stopWorker = nullptr;
        disposeWorker(worker);
        delete dialog;
        QVERIFY(abandonedWorkers() == 1 && ovsim::journal().empty());
        hardwareLock.unlock();
        // Its call returns, it makes no other, and the keeper deletes it.
        QTRY_COMPARE(abandonedWorkers(), 0);
        QCOMPARE(ChannelBench::calls(), QStringList{digitizerCalibration(1, 2)});
        QVERIFY(bench.fx.boxes().isEmpty());
    }

    void wireCheck_data()
    {
        QTest::addColumn<Wiring>("w");
        const QVector<Wire> all = {Wire::Intact, Wire::Broken, Wire::Unknown, Wire::MaybeBroken};
        const QVector<Wire> plusOff = {Wire::Intact, Wire::Intact, Wire::Broken, Wire::Intact};
        const QString ok = " Wire Ok|#008000";
        const QStringList four = {"Current +" + ok, "Current - Wire Broken|#ff0000", "Signal + Wire Status "
                                  "Unknown|#000080", "Signal - Wire Maybe Broken, please check|#808000"};
        const QStringList plus = {"Current +" + ok, "Current -" + ok, "Signal + Wire Broken|#ff0000", "Signal -" + ok};
        QTest::newRow("4-Wire, every code") << Wiring{"7931-BB", 1, all, four, false};
        QTest::newRow("3-Wire: no Signal +") << Wiring{"7931-BB", 2, all, {four[0], four[1], "", four[3]}, false};
        QTest::newRow("2-Wire: the current wires only") << Wiring{"7931-BE", 3, all, {four[0], four[1], "", ""}, false};
        QTest::newRow("Signal + broken on 7931-BA: no note") << Wiring{"7931-BA", 1, plusOff, plus, false};
        for (const char *s : {"7931-BB", "7931-BE", "7931-DE"})
            QTest::newRow(s) << Wiring{s, 1, plusOff, plus, true}; // the 40k note
        QTest::newRow("3-Wire: no note for the wire it leaves out")
            << Wiring{"7931-DE", 2, plusOff, {plus[0], plus[1], "", plus[3]}, false};
        QTest::newRow("another wire broken too: no note") << Wiring{"7931-BB", 1, {Wire::Broken, Wire::Intact,
            Wire::Broken, Wire::Intact}, {"Current + Wire Broken|#ff0000", plus[1], plus[2], plus[3]}, false};
        QTest::newRow("demo: every wire Ok") << Wiring{"", 1, all, {plus[0], plus[1], "Signal +" + ok, plus[3]}, false};
    }

    void wireCheck()
    {
        QFETCH(Wiring, w);
        ChannelBench bench(w.subType.isEmpty() ? "7931-BB" : w.subType, !w.subType.isEmpty());
        ovsim::setSensor(6, {ovsim::SensorKind::PT100});
        for (int i = 0; i < 4; ++i)
            ovsim::setWire(6, i + 1, w.wires[i]);
        ov7931Demo_ChCfg *p = bench.panel(5);
        choose(p, SensorPT100, 1);
        p->modeSelector->setCurrentIndex(p->modeSelector->findData(w.mode));
        ovsim::clearJournal();
        p->testWireButton->click();
        QCOMPARE(ChannelBench::calls(), QStringList("ov7931_brokenWireDetect(6, &, &, &, &)").mid(w.subType.isEmpty()));
        ov7931Demo_bkCheckDialog *dialog = p->wireDialog;
        QCOMPARE(shown(dialog), w.labels);
        QVERIFY(dialog->note->isVisible() == w.note && dialog->isVisible() && dialog->isModal());
        QCOMPARE(dialog->windowTitle() + dialog->note->text(),
                 QString("Keltri 7931 Wire Status\nNote that the maximum load resistance that can be tested is 40kΩ"));
        // "OK" hides the dialog; the next test (nothing connected) rewrites every label.
        dialog->okButton->click();
        QVERIFY(!dialog->isVisible() && bench.fx.boxes().isEmpty());
        ovsim::setSensor(6, ovsim::Sensor());
        p->checkBrokenWireAction();
        QVERIFY(w.subType.isEmpty() || shown(dialog)[0] == "Current + Wire Broken|#ff0000");
        QVERIFY(!dialog->note->isVisible());
    }

    void wireCheckRefusedOrFailing()
    {
        ChannelBench bench("7931-DE");
        ov7931Demo_ChCfg *p = bench.panel(0), *q = bench.panel(8); // channel 1: a PT-100 on "500uA"
        for (int sensor : {int(SensorVoltage), int(SensorPT500)}) { // with a current, and without one
            choose(q, sensor, sensor == SensorVoltage ? 1 : 0);
            ovsim::clearJournal();
            q->checkBrokenWireAction();
            QVERIFY(ovsim::journal().empty() && !q->wireDialog->isVisible());
            QCOMPARE(describe(bench.fx.boxes().last()), QString("Keltri 7931 | OK | critical | Broken Wire Detection "
                "Stopped\nTo be able to test broken wire for Channel 9, please make sure:\n1. Sensor/Resistance is "
                "connected\n2. Excitation current should be ENABLED\n3. Sensor Type option should NOT be Voltage.\n"
                "Please check your configurations first"));
        }
        // A failing call is reported; the dialog shows what the driver left (every wire Ok).
        ovsim::failNext("ov7931_brokenWireDetect", ov7931_ERROR_HARDWARE);
        p->checkBrokenWireAction();
        QCOMPARE(bench.fx.boxes().value(2).text, errorBoxText("blockedHardwareAccess6(ov7931_brokenWireDetect, "
            "app->slaveVi, channel, &ib[0], &ib[1], &ib[2], &ib[3])",
            driverText(false, bench.app->slaveVi, ov7931_ERROR_HARDWARE)));
        QVERIFY(p->wireDialog->isVisible() && shown(p->wireDialog).filter("Wire Ok").size() == 4);
        // An unknown code shows the wire's name alone; the note needs the other three wires Ok.
        QCOMPARE(wireLine(1, 0, 7), QString("Current + Wire "));
        QVERIFY(!showsLoadLimitNote({0, 0, -1, 0}, "7931-AE", 1) && !showsLoadLimitNote({0, 0, -1, 2}, "7931-BB", 1));
    }

    void resetReappliesEveryPanel()
    {
        for (const QString mode : {"demo", "live", "failing"}) {
            AppFixture fx;
            ov7931Demo_App *app = fx.create(mode == "demo" ? AppFixture::Mode::Demo : AppFixture::Mode::Live);
            choose(app->chCfg[3], SensorResistance, 1, 4);
            choose(app->chCfg[6], SensorVoltage, 0);
            ovsim::clearJournal();
            if (mode == "failing")
                ovsim::failNext("ov7931_init", ov7931_ERROR_HARDWARE);
            // Hold the pool's only thread so that the reset's task must wait: the
            // GUI thread then waits in 100 ms steps with the device marked busy.
            QThreadPool *pool = QThreadPool::globalInstance();
            const int maxThreads = pool->maxThreadCount();
            pool->setMaxThreadCount(1);
            QSemaphore release, started;
            pool->start([&]() { started.release(), release.acquire(); });
            started.acquire();
            QString seen;
            QTimer::singleShot(350, [&]() {
                if (const auto *d = app->findChild<QProgressDialog *>())
                    seen = QString("%1 %2 %3").arg(app->deviceBusy.load()).arg(d->labelText()).arg(d->value() > 0);
                release.release();
            });
            app->resetButton()->click();
            pool->waitForDone();
            pool->setMaxThreadCount(maxThreads);
            QCOMPARE(seen, QStringLiteral("1 Resetting device.. 1"));
            QVERIFY(app->deviceBusy == 0 && app->findChildren<QProgressDialog *>().isEmpty() && delayCalls("100") >= 3);
            // The card is opened again on the digitizer's session, without closing
            // the previous one first; each panel is applied again in channel order.
            QStringList expected{QString("ov7931_init(1, 1, &)")};
            for (const ov7931Demo_ChCfg *p : app->chCfg) {
                const ChannelSnapshot s = p->snapshot();
                expected << applyCalls({s.d_ch + 1, s.enabled, 2, s.mode, conditioningGainFor("7931-BB", s.rangeIndex),
                                        s.excitCurr, s.sensorType == SensorVoltage});
            }
            QTRY_VERIFY(mode != "failing" || fx.boxes().value(0).text.startsWith(
                "blockedHardwareAccess4(ov7931_init, masterVi, VI_TRUE, VI_TRUE, &slaveVi) failed due to ["));
            if (mode == "failing")
                expected = QStringList{expected[0], QString("ov7931_error_message(%1, &)").arg(ov7931_ERROR_HARDWARE)};
            QCOMPARE(driverCalls(), mode == "demo" ? QStringList() : expected);
            QVERIFY(mode == "demo" || journalOf("ov7931_init").at(0).args.at(0) == std::to_string(app->masterVi));
            QVERIFY(mode != "live" || (app->chCfg[0]->excitationLed->value() == 1 && fx.boxes().isEmpty()));
        }
    }
};

QTEST_MAIN(TestChannelTools)
#include "test_channelTools.moc"
