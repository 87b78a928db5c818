// The channel panel, the rules behind it and the channel tools, against the
// simulated cards' journal: each change makes exactly the driver calls of one
// apply, the items each sub-type offers, every call site's call text and
// reporting rule, the per-card settings file, the label, plot range and wire
// rules; "Apply Configuration to all Enabled Channels", the calibration of one
// channel and of all, the broken-wire check and the re-apply after "Reset
// Device". Call sequences and reporting rules are data rows; the dialogs,
// Cancel and the refusals are walked through once each.
#include "channelbench.h"

#include "ov7931Demo_Waveform.h"
#include "ov7931Demo_applyToAll.h"
#include "ov7931Demo_calibration.h"
#include "ov7931Demo_calibrationThread.h"
#include "ov7931Demo_wireCheck.h"
#include "ov7931Demo_wireRules.h"
#include "ov7931Demo_workerControl.h"

#include <QLabel>
#include <QProgressDialog>
#include <QSemaphore>
#include <QSettings>
#include <QThreadPool>
#include <QtTest>

using namespace testkit;
using namespace ovsim;

namespace {
// A selector's item texts, or with role Qt::UserRole its item data, joined by '|'.
QString items(const QComboBox *box, int role = Qt::DisplayRole)
{
    QStringList t;
    for (int i = 0; i < box->count(); ++i)
        t << box->itemData(i, role).toString();
    return t.join('|');
}

// Mode codes / currents / range slots / the range shown, then T when "Test
// Wire" can be used, E when a current can be chosen, and the plot kind.
QString state(const ov7931Demo_ChCfg *p)
{
    return items(p->modeSelector, Qt::UserRole) + " / " + items(p->excitationSelector) + " / " +
           items(p->rangeSelector, Qt::UserRole) + " / " + p->rangeSelector->currentText() + " " +
           (p->testWireButton->isEnabled() ? "T" : "-") + (p->excitationSelector->isEnabled() ? "E" : "-") +
           QString::number(p->plotKind);
}

// Enabled, sensor, mode, excitation, range shown and its slot.
QString shown(const ov7931Demo_ChCfg *p)
{
    return QString("%1|%2|%3|%4|%5|%6").arg(p->enableBox->isChecked()).arg(p->sensorSelector->currentText(),
        p->modeSelector->currentText(), p->excitationSelector->currentText(), p->rangeSelector->currentText())
        .arg(p->rangeIndex());
}

// The wire dialog's four labels ("text|colour", empty when hidden).
QStringList shown(const ov7931Demo_bkCheckDialog *dialog)
{
    QStringList labels;
    for (const QLabel *l : dialog->wireLabels)
        labels << (l->text().isEmpty() ? "" : l->text() + "|" + l->palette().color(QPalette::WindowText).name());
    return labels;
}

// A channel chosen on a sub-type (d_ch, sensor, excitation index,
// range slot), the items offered then (modes / currents / range slots) and
// the apply of the range choice; an apply of channel 0: demo mode.
struct Offer { QString subType; int d_ch, sensor, current, slot; QString offered; Apply apply; };

// A call site, reached by building channel 7's panel or by an apply of channel 1:
// its call text, whether the digitizer's message function explains its
// status (else the conditioning card's), a call made after it, and whether a
// positive status gives a warning (else errors only are shown).
enum How { Trigger, On, Off, Volt };
struct Site { QString subType; How how; QString callText; bool digitizerRule; QString later; bool warns; };

const int kTargets[3] = {2, 4, 8}; // d_ch of the apply-to-all targets (channels 3, 5, 9)

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

// A PT-100 on channel 6 with wires 1..4 and the wiring mode chosen, the four
// labels shown ("text|colour") and the 40k note; no sub-type: demo mode.
struct Wiring { QString subType; int mode; QVector<Wire> wires; QStringList labels; bool note; };

} // namespace

Q_DECLARE_METATYPE(Offer)
Q_DECLARE_METATYPE(Site)
Q_DECLARE_METATYPE(Spread)
Q_DECLARE_METATYPE(Calibration)
Q_DECLARE_METATYPE(Wiring)

// Makes one change and checks that it caused exactly one apply (none for channel 0).
#define CHANGE(action, ...) \
    do { ovsim::clearJournal(); action; QCOMPARE(driverCalls(), applyCalls({__VA_ARGS__})); } while (0)

class TestChannels : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        QVERIFY(joinAbandonedWorkers(5000));
        QVERIFY(hardwareLockIsFree());
    }

    void constructionAndCascades()
    {
        // Channel 1: trigger set-up, the construction apply (PT-100 first range:
        // slot 5, gain code 7), enabled by default, then "500uA" chosen.
        ChannelBench bench("7931-BB");
        ov7931Demo_ChCfg *p = bench.panel(0);
        const QStringList built = applyCalls({1, false, 2, 1, 7, 0}), on = applyCalls({1, true, 2, 1, 7, 0});
        QCOMPARE(ChannelBench::calls(), QStringList{"ov8263_setATRIConfig(1, 0, 0, 0, 0, 0)"} + built + on + on
                                            + applyCalls({1, true, 2, 1, 7, 1}));
        // Each change refills the selectors after it and makes one apply.
        const QString wires = "1|2|3 / Off|500uA|10uA / 0|1|2|3|4|5|6|7|8 / ", volts = "4|5 / Off|500uA|10uA / "
                              "0|1|2|3|4|5|6|7|8 / ±10V ", pt1000 = "1|2|3 / Off|500uA / 2|3|4|5 / < 850°C TE2";
        const struct { QComboBox *box; int index; Apply apply; QString state; } steps[] = {
            {p->sensorSelector, SensorResistance, {1, 1, 2, 1, 1, 0}, wires + "< 20kΩ -E1"},
            {p->excitationSelector, 1, {1, 1, 2, 1, 1, 1}, wires + "< 20kΩ TE1"},
            // The secondary current has its own nine ranges.
            {p->excitationSelector, 2, {1, 1, 2, 1, 1, 2}, wires + "< 1MΩ TE1"},
            {p->rangeSelector, 4, {1, 1, 2, 1, 6, 2}, wires + "< 56.0kΩ TE1"},
            // Current off: the single "not applicable" range, slot 1.
            {p->excitationSelector, 0, {1, 1, 2, 1, 3, 0}, "1|2|3 / Off|500uA|10uA / 1 / N\\A. on Current Off -E1"},
            {p->sensorSelector, SensorVoltage, {1, 1, 2, 4, 1, 0, true}, volts + "-E0"},
            // A Voltage channel with a current selected still has no wire test.
            {p->excitationSelector, 1, {1, 1, 2, 4, 1, 1, true}, volts + "-E0"},
            // "Single Ended Voltage" clears and disables the excitation selector ...
            {p->modeSelector, 1, {1, 1, 2, 5, 1, 0, true}, volts + "--0"},
            // ... a resistive sensor makes it usable again, with the primary current.
            {p->sensorSelector, SensorPT1000, {1, 1, 2, 1, 4, 1}, pt1000},
            {p->modeSelector, 1, {1, 1, 2, 2, 4, 1}, pt1000},
        };
        for (const auto &s : steps) {
            CHANGE(s.box->setCurrentIndex(s.index), s.apply);
            QCOMPARE(state(p), s.state);
        }
    }

    void subTypes_data()
    {
        QTest::addColumn<Offer>("o");
        const QString aa = "4-Wire / Off|500uA", volt = "Differential Voltage|Single Ended Voltage / Off|";
        const QString aSlots = " / 0|2|5|8", all = " / 0|1|2|3|4|5|6|7|8";
        QTest::newRow("AA PT-100") << Offer{"7931-AA", 5, SensorPT100, 1, 7, aa + " / 4|5|6|7", {6, 1, 500, 1, 3, 1, 0, 0}};
        QTest::newRow("AA Resistance") << Offer{"7931-AA", 0, SensorResistance, 1, 2, aa + aSlots, {1, 1, 10, 1, 3, 1, 0, 0}};
        QTest::newRow("AA Voltage") << Offer{"7931-AA", 0, SensorVoltage, 0, 0, "Differential Voltage / Off|500uA" + aSlots, {}};
        QTest::newRow("AE Resistance") << Offer{"7931-AE", 0, SensorResistance, 1, 5, "4-Wire / Off|100uA" + aSlots,
                                                {1, 1, 100, 1, 3, 3, 0, 0}};
        QTest::newRow("AE Voltage") << Offer{"7931-AE", 0, SensorVoltage, 1, 0, volt + "100uA" + aSlots, {}};
        QTest::newRow("BB Voltage") << Offer{"7931-BB", 0, SensorVoltage, 0, 5, volt + "500uA|10uA" + all,
                                             {1, 1, 2, 4, 7, 0, true, true}};
        QTest::newRow("BE PT-100") << Offer{"7931-BE", 0, SensorPT100, 1, 0, "4-Wire|3-Wire|2-Wire / Off|100uA / 7", {}};
        // An unknown sub-type offers the 7931-BA ranges and "4-Wire" only.
        QTest::newRow("other") << Offer{"7931-bb ", 0, SensorPT100, 1, 0, aa + " / 5|6|7|8", {}};
    }

    void subTypes()
    {
        QFETCH(Offer, o);
        ChannelBench bench(o.subType, o.apply.ch != 0);
        ov7931Demo_ChCfg *p = bench.panel(o.d_ch);
        choose(p, o.sensor, o.current);
        if (o.apply.ch)
            CHANGE(p->rangeSelector->setCurrentIndex(p->rangeSelector->findData(o.slot)), o.apply);
        QCOMPARE(items(p->modeSelector) + " / " + items(p->excitationSelector) + " / "
                     + items(p->rangeSelector, Qt::UserRole), o.offered);
        // The A sub-types have neither an amplifier error nor a wire test;
        // "Test Wire" needs a current on a resistive sensor, cards or not.
        const bool a = o.subType.startsWith("7931-A");
        QVERIFY(p->errorLed->isHidden() == a && p->testWireButton->isHidden() == a && bench.fx.boxes().isEmpty());
        QCOMPARE(p->testWireButton->isEnabled(), o.sensor != SensorVoltage && o.current != 0);
        // Without cards: no call, no LED.
        QVERIFY(o.apply.ch || (!p->excitationLed->value() && !p->errorLed->value() && ovsim::journal().empty()));
    }

    void callSites_data()
    {
        QTest::addColumn<Site>("site");
        const QString dig = "blockedHardwareAccess5(ov8263_setChanConfig, app->masterVi, d_ch + 1, ";
        const QString cond = "blockedHardwareAccess5(ov7931_setChanConfig, app->slaveVi, d_ch + 1, mode, ";
        const QString unit = "blockedHardwareAccess3(ov7931_setConversion, app->slaveVi, d_ch + 1, ov7931_OUT_UNIT_";
        const QString pga = "ov7931_readPGAError(1, &, null)", ec = "ov7931_checkECStatus(&)";
        QTest::newRow("trigger input") << Site{"7931-BB", Trigger, "blockedHardwareAccess7(ov8263_setATRIConfig, "
            "app->masterVi, d_ch + 1, 0, 0, 0, 0, 0)", true, "ov8263_setChanConfig(7, 0, 2, 0)", false};
        QTest::newRow("digitizer A") << Site{"7931-AA", On, dig + "ov8263_CH_FP, gain, VI_FALSE)", true, ec, false};
        QTest::newRow("digitizer B") << Site{"7931-BB", On, dig + "ov8263_CH_FP, 2, VI_FALSE)", true, pga, false};
        QTest::newRow("digitizer off") << Site{"7931-AA", Off, dig + "ov8263_CH_OFF, 2, VI_FALSE)", true,
                                               "ov7931_setChanConfig(1, 1, 3, 0)", false};
        QTest::newRow("conditioning A") << Site{"7931-AA", On, cond + "ov7931_GAIN_1, excitCurr)", false,
                                                "ov7931_setConversion(1, 1)", true};
        QTest::newRow("conditioning B") << Site{"7931-DE", On, cond + "gain, excitCurr)", false,
                                                "ov7931_setConversion(1, 1)", true};
        QTest::newRow("output unit ohm") << Site{"7931-BB", On, unit + "RES)", false, ec, true};
        QTest::newRow("output unit volt") << Site{"7931-BB", Volt, unit + "VOLT)", false, ec, true};
        QTest::newRow("excitation status") << Site{"7931-BB", On, "blockedHardwareAccess2(ov7931_checkECStatus, "
            "app->slaveVi, &ecStatus)", false, pga, true};
        QTest::newRow("amplifier error") << Site{"7931-BA", On, "blockedHardwareAccess4(ov7931_readPGAError, "
            "app->slaveVi, d_ch + 1, &err, (ViPInt16)0)", false, "", true};
    }

    void callSites()
    {
        QFETCH(Site, site);
        const std::string function = site.callText.section('(', 1).section(',', 0, 0).toStdString();
        ChannelBench bench(site.subType);
        ovsim::setPgaError(1, true); // a raised amplifier error and a flowing current, unless their reads fail
        // Channel 1: Resistance (or Voltage) on range slot 0 with the primary current, or switched off.
        const bool on = site.how != Off;
        const ChannelSnapshot channel{0, on, site.how == Volt ? SensorVoltage : SensorResistance, 1, 0, on, on,
                                      site.subType};
        ApplyResult r;
        const auto call = [&](ViStatus status) {
            ovsim::clearJournal();
            ovsim::failNext(function, status);
            if (site.how == Trigger)
                bench.panel(6); // the panel's construction goes on after its trigger set-up
            else
                r = applyChannelToHardware(channel, bench.app->masterVi, bench.app->slaveVi);
            const auto made = ovsim::journalOf(function);
            return made.size() == 1 && made.front().status == status;
        };
        QVERIFY(call(site.digitizerRule ? ov8263_ERROR_HARDWARE : ov7931_ERROR_HARDWARE));
        const SeenBox box = bench.fx.boxes().value(0);
        QCOMPARE(box.text.section(" failed due to [", 0, 0), site.callText);
        QVERIFY(box.text.endsWith("]\nDo you want to exit?") && box.icon == QMessageBox::Critical && box.clicked == "No");
        QVERIFY(journalOf("ov8263_error_message").empty() != site.digitizerRule &&
                journalOf("ov7931_error_message").empty() == site.digitizerRule);
        // The sequence went on after the failing call; what it could not read shows nothing.
        const QStringList calls = ChannelBench::calls();
        QVERIFY(site.later.isEmpty() || calls.indexOf(site.later) > calls.indexOf(QRegularExpression(
            QString::fromStdString(function) + "\\(.*")));
        QVERIFY(function != "ov7931_checkECStatus" || r.excitationState == -1);
        QVERIFY(function != "ov7931_readPGAError" || r.pgaError == 0);
        // A positive status: a warning box, or nothing from an error-only call site.
        QVERIFY(call(site.digitizerRule ? ov8263_WARN_OUT_OF_RANGE : ov7931_WARN_NO_EXCITATION));
        QCOMPARE(bench.fx.boxes().size(), site.warns ? 2 : 1);
        QVERIFY(!site.warns || (bench.fx.boxes()[1].icon == QMessageBox::Warning &&
                                bench.fx.boxes()[1].text.startsWith("Warning: [")));
    }

    void settingsFile()
    {
        ChannelBench bench("7931-DE");
        QList<ov7931Demo_ChCfg *> p = {bench.panel(0), bench.panel(4), bench.panel(6), bench.panel(11)};
        choose(p[0], SensorPT1000, 1);
        p[0]->modeSelector->setCurrentIndex(1);    // 3-Wire
        p[0]->rangeSelector->setCurrentIndex(2);   // the third range
        choose(p[1], SensorVoltage, 0, 5);         // a small range, then single ended
        p[1]->modeSelector->setCurrentIndex(1);
        choose(p[2], SensorResistance, 1);         // then the current off
        p[2]->excitationSelector->setCurrentIndex(0);
        choose(p[3], SensorResistance, 2, 5);      // the channel's own secondary current
        p[3]->modeSelector->setCurrentIndex(2);    // 2-Wire
        QStringList before;
        for (ov7931Demo_ChCfg *q : p)
            before << shown(q), bench.drop(q);
        // With the current off, the Resistance list that the sensor step
        // shows stays on reading back: the excitation step changes nothing.
        before[2] = before[2].section('|', 0, 3) + "|" + rangeLabels(SensorResistance, "7931-DE").first() + "|0";
        QSettings file(bench.fx.path("ov7931_BENCH.ini"), QSettings::IniFormat);
        for (const QString kv : {"12/Enabled=true", "12/SensorType=3", "12/Mode=3", "12/ExcitationCurrent=1.25mA",
                                 "12/InputRange=< 224Ω", "5/Mode=5", "5/InputRange=±0.28V",
                                 "7/InputRange=N\\A. on Current Off"})
            QCOMPARE(file.value("Channel_" + kv.section('=', 0, 0)).toString(), kv.section('=', 1));
        QStringList after;
        for (int ch : {0, 4, 6, 11})
            after << shown(bench.panel(ch));
        QCOMPARE(after, before);
        // Channel 12 was read last: the last conditioning call is its stored configuration.
        QCOMPARE(ChannelBench::calls().filter("ov7931_setChan").last(), QString("ov7931_setChanConfig(12, 3, 7, 2)"));
        QVERIFY(ovsim::channelState(12).excitation == 2 && ovsim::digitizerChannel(12).on);
    }

    void rules()
    {
        QCOMPARE(temperatureUnitText(), QString::fromUtf8("\xC2\xB0" "C"));
        QVERIFY_EXCEPTION_THROWN(rangeLabels(5, "7931-BB"), std::out_of_range);
        QVERIFY_EXCEPTION_THROWN(rangeLabels(-1, "7931-BB"), std::out_of_range);
        // Slots outside 0..8 never index past the gain tables.
        QVERIFY(digitizerGainFor("7931-AA", true, 99) == 1000 && conditioningGainFor("7931-BA", -3) == 1);
        // On 7931-DE the secondary current and its ranges are the channel's own:
        // the 10 uA ranges scaled by 10 uA / 1.25 mA on channel 12.
        for (int d_ch : {11, 15})
            QCOMPARE(otherExcitationItems("7931-DE", d_ch).value(2).text + " "
                         + secondaryCurrentRangeLabels("7931-DE", d_ch).join('|'),
                     QString(d_ch == 11 ? "1.25mA < 8.0kΩ|< 3.6kΩ|< 1.8kΩ|< 896Ω|< 448Ω|< 224Ω|< 112Ω|< 56Ω|< 28Ω"
                                        : "5mA < 2.0kΩ|< 900Ω|< 450Ω|< 224Ω|< 112Ω|< 56Ω|< 28Ω|< 14Ω|< 7Ω"));
        // Labels do not follow the locale.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QStringList labels = secondaryCurrentRangeLabels("7931-BB", 0);
        QLocale::setDefault(QLocale::system());
        QCOMPARE(labels[1], QString("< 450.0kΩ"));

        // The plot ranges: groups without a secondary table keep the previous one.
        selectPlotRangeTables("7931-BB");
        const PlotRange secondaryBB = workingPlotRange(1, SensorResistance, 2, 0);
        QVERIFY(secondaryBB.valid() && secondaryBB.max > 0);
        for (const char *s : {"7931-AE", "7931-BE"}) {
            selectPlotRangeTables(s);
            QCOMPARE(workingPlotRange(1, SensorResistance, 2, 0), secondaryBB);
            QCOMPARE(workingPlotRange(0, SensorVoltage, 0, 1), plotRangeTable(s).voltage[1]);
        }
        // Every PT slot offered by the range labels has a plot range in its
        // group; the temperature axes of the 7931-AA PT-500 ranges.
        QString axes;
        for (const QString s : {"7931-AA", "7931-AE", "7931-BA", "7931-BB", "7931-BE", "7931-DE"})
            for (int sensor = 0; sensor <= 2; ++sensor)
                for (const SelectorItem &item : rangeItems(sensor, s)) {
                    const PlotRange r = plotRangeTable(s).pt[sensor][item.data];
                    QVERIFY2(r.valid(), qPrintable(s + " " + item.text));
                    axes += s == "7931-AA" && sensor == 1 ? QString(" %1..%2").arg(r.min).arg(r.max) : "";
                }
        QCOMPARE(axes, QString(" -200..1000 -200..350 -200..25 -200..-100"));
        // Out-of-table arguments give no range rather than a wild read.
        for (const PlotRange r : {workingPlotRange(1, SensorResistance, 0, 9), workingPlotRange(2, SensorVoltage, 0, 1),
                                  workingPlotRange(3, SensorResistance, 0, 1)})
            QVERIFY(!r.valid());
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
        dialog->okButton->click();
        QVERIFY(!dialog->isVisible() && bench.fx.boxes().isEmpty());
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
        // and only with "Signal +" tested: not in 3-Wire.
        QVERIFY(!showsLoadLimitNote({0, 0, -1, 0}, "7931-AE", 1) && !showsLoadLimitNote({0, 0, -1, 2}, "7931-BB", 1) &&
                !showsLoadLimitNote({-1, 0, -1, 0}, "7931-BB", 1) && !showsLoadLimitNote({0, 0, -1, 0}, "7931-DE", 2));
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
            const auto probe = whileShown<ov7931Demo_ApplyToAllDialog>([&](auto *d) {
                if (s.cancel && !seen.isEmpty())
                    return;
                seen = QStringList{d->windowTitle(), d->label->text(), QString::asprintf("%dx%d %d %d %d",
                    d->width(), d->height(), d->isModal(), app->deviceBusy == 1, source->changeHandlersConnected())};
                app->waveform->timerStatSlot(); // kept off the hardware
                if (s.cancel)
                    d->cancelButton->click(), seen << d->label->text(); // returns once the worker has been stopped
            });
            source->applyToAllAction();
        }
        QVERIFY(!app->deviceBusy && source->changeHandlersConnected() && !abandonedWorkers() &&
                source->findChildren<ov7931Demo_ApplyToAllDialog *>().isEmpty());
        QCOMPARE(bench.fx.boxes().size(), s.targets ? 1 : 0);
        QVERIFY((s.answer == "Yes" && s.targets) || (ovsim::journal().empty() && seen.isEmpty()));
        if (s.answer != "Yes" || !s.targets)
            return;
        QCOMPARE(describe(bench.fx.boxes()[0]), QString("Keltri 7931 | Cancel No Yes | question | This Action will apply "
                                                        "current channel's configurations too all enabled channels, Continue?"));
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
    }

    void calibration_data()
    {
        QTest::addColumn<Calibration>("c");
        const auto dig = [](int ch, int gain) {
            return QString("ov8263_calibrateChannels(%1, %2, 0, null, null)").arg(1 << (ch - 1)).arg(gain);
        };
        const QString pga = "ov7931_pgaCalibration(%1, 2, 0, null, null)", info = "ov7931_getGainInfo(%1, &, &)";
        const QString exc = "ov7931_excCalibration(%1, %2, &, null)", ef = "ov7931_checkPgaEf(&)";
        QTest::newRow("Voltage with amplifier, current off") << Calibration{"7931-BB", 2, SensorVoltage, 0, 5, -1,
            {dig(3, 2), info.arg(3), pga.arg(3), ef}, 0, 0};
        QTest::newRow("Voltage without amplifier") << Calibration{"7931-AA", 0, SensorVoltage, 1, 2, -1,
            {dig(1, 10), info.arg(1)}, 0, 0};
        QTest::newRow("PT-100 on 100uA at index 1") << Calibration{"7931-AE", 1, SensorPT100, 1, 6, -1, {dig(2, 200),
            info.arg(2), dig(2, 2), "ov8263_setChanConfig(2, 1, 2, 0)", exc.arg(2).arg(3), "ov8263_setChanConfig(2, 1, 200, 0)"},
            1, 100e-6 * 1.002};
        // Taken to unity gain for the measurement and back to the card's gain.
        QTest::newRow("7931-DE secondary current") << Calibration{"7931-DE", 10, SensorResistance, 2, 4, -1, {dig(11, 2),
            info.arg(11), "ov7931_getGain(11, &)", "ov7931_setGain(11, 3)", pga.arg(11), exc.arg(11).arg(2),
            "ov7931_setGain(11, 6)", pga.arg(11), ef}, 2, 1.25e-3 * 1.011};
        QTest::newRow("amplifier already at unity gain") << Calibration{"7931-BB", 5, SensorResistance, 1, 1, -1,
            {dig(6, 2), info.arg(6), exc.arg(6).arg(1), ef}, 1, 500e-6 * 1.006};
        // The record claims gain 7, the card reads unity gain: nothing to restore.
        QTest::newRow("card back at unity gain behind the record") << Calibration{"7931-BB", 5, SensorResistance, 1, 1,
            7, {dig(6, 2), info.arg(6), "ov7931_getGain(6, &)", "ov7931_setGain(6, 3)", pga.arg(6), exc.arg(6).arg(1), ef},
            1, 500e-6 * 1.006};
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
            const auto probe = whileShown<ov7931Demo_calibrationDialog>([&](auto *d) {
                seen = QString::asprintf("%dx%d %d / ", d->width(), d->height(), bench.app->deviceBusy.load()) +
                       d->windowTitle() + " / " + d->label->text();
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
        QCOMPARE(bench.fx.boxes().value(0).text, c.box.isEmpty() ? QString() : c.box == "W"
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
        ovsim::clearJournal();
        QStringList labels;
        {
            const auto probe = whileShown<ov7931Demo_calibrationDialog>([&](auto *d) {
                if (labels.isEmpty() || labels.last() != d->label->text())
                    labels << d->label->text(), bench.app->waveform->timerStatSlot(); // kept off the hardware
            });
            ch[6]->calibrateAllAction();
        }
        // Each enabled channel in turn, the last check after them all.
        QCOMPARE(labels.join(" / "), QString("Channel 1 Calibration... / Channel 2 Calibration... / Channel 7 Calibration..."));
        const QStringList calls = ChannelBench::calls();
        QVERIFY(calls.filter("calibrateChannels").size() == 3 && calls.filter("checkEC").isEmpty());
        QCOMPARE(calls.last(), QString("ov7931_checkPgaEf(&)"));
        QCOMPARE(ch[0]->excitCurrPrimary, 507e-6);
        QCOMPARE(ch[1]->excitCurrPrimary, 497e-6);
        QVERIFY(ch[6]->excitCurrSecondary == secondaryOf7 && bench.fx.boxes().size() == 2 && !bench.app->deviceBusy);
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

QTEST_MAIN(TestChannels)
#include "test_channels.moc"
