// The channel panel and the rules behind it: each change makes exactly the
// driver calls of one apply (read from the simulator's journal), the items
// each sub-type offers, the LEDs, every call site's call text and reporting
// rule, the per-card settings file, and the label and plot range rules.
#include "channelbench.h"

#include <QGroupBox>
#include <QSettings>
#include <QtTest>

#include <stdexcept>

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

bool dark(const ov7931Demo_ChCfg *p) { return p->excitationLed->value() == 0 && p->errorLed->value() == 0; }
bool lit(const ov9174fp_led *led, QColor colour) { return led->value() == 1 && led->onColour() == colour; }

// A channel chosen on a sub-type (d_ch, enabled, sensor, excitation index,
// range slot), the items offered then (modes / currents / range slots) and
// the apply of the range choice; an apply of channel 0: demo mode.
struct Offer { QString subType; int d_ch, enabled, sensor, current, slot; QString offered; Apply apply; };

// A call site, reached by building channel 7's panel or by an apply of channel 1:
// its call text, whether the digitizer's message function explains its
// status (else the conditioning card's), a call made after it, and whether a
// positive status gives a warning (else errors only are shown).
enum How { Trigger, On, Off, Volt };
struct Site { QString subType; How how; QString callText; bool digitizerRule; QString later; bool warns; };

const QString kFile = QStringLiteral("ov7931_BENCH.ini");
} // namespace

Q_DECLARE_METATYPE(Offer)
Q_DECLARE_METATYPE(Site)

// Makes one change and checks that it caused exactly one apply (none for channel 0).
#define CHANGE(action, ...) \
    do { ovsim::clearJournal(); action; QCOMPARE(driverCalls(), applyCalls({__VA_ARGS__})); } while (0)

class TestChannelPanel : public QObject
{
    Q_OBJECT

private slots:
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

    void enablingAndLeds()
    {
        ChannelBench bench("7931-BB");
        ov7931Demo_ChCfg *p = bench.panel(0), *q = bench.panel(5); // a PT-100 on channel 1, nothing on 6
        QVERIFY(lit(p->excitationLed, Qt::green));
        // The excitation is switched off first; the conditioning channel is
        // still configured, the digitizer channel switched off with gain 2.
        CHANGE(p->enableBox->setChecked(false), 1, false, 2, 1, 7, 0);
        QVERIFY(p->excitationIndex() == 0 && !p->configGroup->isEnabled() && dark(p));
        p->setStatusLeds(1, 1); // a disabled channel's LEDs stay dark
        QVERIFY(dark(p));
        selectPlotRangeTables("7931-AA");
        CHANGE(p->enableBox->setChecked(true), 1, true, 2, 1, 7, 0);
        QVERIFY(p->configGroup->isEnabled() && p->calibrationGroup->isEnabled() && p->statusGroup->isEnabled());
        QCOMPARE(workingPlotRangeTables().voltage, plotRangeTable("7931-BB").voltage); // the card's tables loaded
        choose(q, SensorPT100, 1); // selected, not flowing
        QVERIFY(lit(q->excitationLed, Qt::red) && q->errorLed->value() == 0);
        ovsim::setPgaError(6, true); // the channel's amplifier error
        q->excitationSelector->setCurrentIndex(0);
        QVERIFY(q->excitationLed->value() == 0 && q->errorLed->value() == 1);
        q->setStatusLeds(1, 0);
        QVERIFY(lit(q->excitationLed, Qt::green) && q->errorLed->value() == 0);
        q->setStatusLeds(7, 1); // an unknown state leaves the excitation LED as it is
        QVERIFY(lit(q->excitationLed, Qt::green) && q->errorLed->value() == 1);
        QCOMPARE(excitationState(true, 0), -1); // current off but flowing shows red too
    }

    void subTypes_data()
    {
        QTest::addColumn<Offer>("o");
        const QString aa = "4-Wire / Off|500uA / ", volt = "Differential Voltage|Single Ended Voltage / Off|";
        QTest::newRow("AA PT-100") << Offer{"7931-AA", 5, 1, SensorPT100, 1, 7, aa + "4|5|6|7", {6, 1, 500, 1, 3, 1,
                                                                                                false, false}};
        QTest::newRow("AA disabled") << Offer{"7931-AA", 4, 0, SensorPT100, 0, 6, aa + "4|5|6|7", {5, 0, 2, 1, 3, 0,
                                                                                                  false, false}};
        QTest::newRow("AA Resistance") << Offer{"7931-AA", 0, 1, SensorResistance, 1, 2, aa + "0|2|5|8",
                                                {1, 1, 10, 1, 3, 1, false, false}};
        QTest::newRow("AA Voltage") << Offer{"7931-AA", 0, 1, SensorVoltage, 0, 0, "Differential Voltage / Off|500uA "
                                             "/ 0|2|5|8", {}};
        QTest::newRow("AE Resistance") << Offer{"7931-AE", 0, 1, SensorResistance, 1, 5, "4-Wire / Off|100uA / "
                                                "0|2|5|8", {1, 1, 100, 1, 3, 3, false, false}};
        QTest::newRow("AE Voltage") << Offer{"7931-AE", 0, 1, SensorVoltage, 1, 0, volt + "100uA / 0|2|5|8", {}};
        QTest::newRow("BB Voltage") << Offer{"7931-BB", 0, 1, SensorVoltage, 0, 5, volt + "500uA|10uA / "
                                             "0|1|2|3|4|5|6|7|8", {1, 1, 2, 4, 7, 0, true, true}};
        QTest::newRow("BE PT-100") << Offer{"7931-BE", 0, 1, SensorPT100, 1, 0, "4-Wire|3-Wire|2-Wire / Off|100uA / 7",
                                            {}};
        // An unknown sub-type offers the 7931-BA ranges and "4-Wire" only.
        QTest::newRow("other") << Offer{"7931-ZZ", 0, 1, SensorPT100, 1, 0, "4-Wire / Off|500uA / 5|6|7|8", {}};
        QTest::newRow("other Resistance") << Offer{"7931-bb ", 0, 1, SensorResistance, 1, 0, "4-Wire / Off|500uA / "
                                                   "0|1|2|3|4|5|6|7|8", {}};
    }

    void subTypes()
    {
        QFETCH(Offer, o);
        ChannelBench bench(o.subType, o.apply.ch != 0);
        ov7931Demo_ChCfg *p = bench.panel(o.d_ch);
        choose(p, o.sensor, o.current, -1, o.enabled);
        if (o.apply.ch)
            CHANGE(p->rangeSelector->setCurrentIndex(p->rangeSelector->findData(o.slot)), o.apply);
        QCOMPARE(items(p->modeSelector) + " / " + items(p->excitationSelector) + " / "
                     + items(p->rangeSelector, Qt::UserRole), o.offered);
        // The A sub-types have neither an amplifier error nor a wire test;
        // "Test Wire" needs a current on a resistive sensor, cards or not.
        const bool a = o.subType.startsWith("7931-A");
        QVERIFY(p->errorLed->isHidden() == a && p->testWireButton->isHidden() == a && bench.fx.boxes().isEmpty());
        QCOMPARE(p->testWireButton->isEnabled(), o.sensor != SensorVoltage && o.current != 0);
        QVERIFY(o.apply.ch || (dark(p) && ovsim::journal().empty())); // without cards: no call, no LED
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
        QCOMPARE(bench.fx.boxes().size(), 1);
        const SeenBox box = bench.fx.boxes().last();
        QCOMPARE(box.text.section(" failed due to [", 0, 0), site.callText);
        QVERIFY(box.text.endsWith("]\nDo you want to exit?") && box.icon == QMessageBox::Critical);
        QCOMPARE(box.clicked, QString("No"));
        QCOMPARE(ovsim::journalOf("ov8263_error_message").empty(), !site.digitizerRule);
        QCOMPARE(ovsim::journalOf("ov7931_error_message").empty(), site.digitizerRule);
        // The sequence went on after the failing call; what it could not read shows nothing.
        const QStringList calls = ChannelBench::calls();
        QVERIFY(site.later.isEmpty() || calls.indexOf(site.later) > calls.indexOf(QRegularExpression(
            QString::fromStdString(function) + "\\(.*")));
        QVERIFY(function != "ov7931_checkECStatus" || r.excitationState == -1);
        QVERIFY(function != "ov7931_readPGAError" || r.pgaError == 0);
        // A positive status: a warning box, or nothing from an error-only call site.
        QVERIFY(call(site.digitizerRule ? ov8263_WARN_OUT_OF_RANGE : ov7931_WARN_NO_EXCITATION));
        QCOMPARE(bench.fx.boxes().size(), site.warns ? 2 : 1);
        QVERIFY(!site.warns || (bench.fx.boxes().last().icon == QMessageBox::Warning
                                && bench.fx.boxes().last().text.startsWith("Warning: [")));
    }

    void settingsFile()
    {
        {
            // Channels 14 to 16 hold values that match no item: each selector shows its first item (an
            // index of -1 would show no text); a wire mode stored for Voltage. The others are fresh:
            // channel 1 on with the primary current, the others off; PT-100 on its first range.
            ChannelBench bench("7931-BB", false);
            QSettings file(bench.fx.path(kFile), QSettings::IniFormat);
            for (const QString s : {"14/SensorType=9", "14/Mode=77", "14/ExcitationCurrent=7A", "14/InputRange=huge",
                                    "15/SensorType=Resistance", "15/Mode=99999999999999999999", "16/SensorType=4",
                                    "16/Mode=1", "16/ExcitationCurrent=500uA", "14/Enabled=1", "15/Enabled=1",
                                    "16/Enabled=1"})
                file.setValue("Channel_" + s.section('=', 0, 0), s.section('=', 1));
            file.sync();
            QStringList channels;
            for (int ch = 0; ch < 16; ++ch)
                channels << shown(bench.panel(ch));
            QCOMPARE(channels.mid(0, 2) + channels.mid(12), QStringList({"1|PT-100|4-Wire|500uA|< 850°C|5",
                "0|PT-100|4-Wire|Off|< 850°C|5", "0|PT-100|4-Wire|Off|< 850°C|5", "1|PT-100|4-Wire|Off|< 850°C|5",
                "1|PT-100|4-Wire|Off|< 850°C|5", "1|Voltage|Differential Voltage|500uA|±10V|0"}));
            QCOMPARE(channels.mid(2, 10).filter("0|PT-100|4-Wire|Off|< 850°C|5").size(), 10);
        }
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
        QSettings file(bench.fx.path(kFile), QSettings::IniFormat);
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
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QStringList labels = secondaryCurrentRangeLabels("7931-BB", 0);
        QLocale::setDefault(previous);
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
};

QTEST_MAIN(TestChannelPanel)
#include "test_channelPanel.moc"
