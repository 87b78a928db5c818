// The channel panel and the rules behind it, read from the simulator's
// journal: each change makes exactly the driver calls of one apply.
#include "channelbench.h"

#include "ov7931.h"
#include "ov7931Demo_App.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_channelModel.h"
#include "ov8263.h"
#include "ov9174fp_led.h"
#include "ovsim_control.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QtConcurrent/QtConcurrentRun>
#include <QtTest>

#include <atomic>
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

QString ohms(QString labels) { return labels.replace('@', QChar(0x03A9)); }
bool dark(const ov7931Demo_ChCfg *p) { return p->excitationLed->value() == 0 && p->errorLed->value() == 0; }
bool lit(const ov9174fp_led *led, QColor colour) { return led->value() == 1 && led->onColour() == colour; }

// How the call is reached: building channel 7's panel, or a change on channel 1.
enum How { Build, Range, Disable, Voltage };

// A call site: its call text, whether the digitizer's message function
// explains its status (else the conditioning card's), a call made after it,
// and whether a positive status gives a warning (else errors only are shown).
struct Site { QString subType; How how; QString callText; bool digitizerRule; QString later; bool warns; };
} // namespace

Q_DECLARE_METATYPE(Apply)
Q_DECLARE_METATYPE(Site)

// Makes one change and checks that it caused exactly one apply.
#define CHANGE(action, ...) \
    do { ChannelBench::clear(); action; QCOMPARE(ChannelBench::calls(), applyCalls({__VA_ARGS__})); } while (0)

class TestChannelPanel : public QObject
{
    Q_OBJECT

private slots:
    void constructionOnAFreshFile()
    {
        // Channel 1: trigger set-up, the construction apply (PT-100 first range:
        // slot 5, gain code 7), enabled by default, then "500uA" chosen.
        ChannelBench bench("7931-BB");
        bench.panel(0);
        const QStringList built = applyCalls({1, false, 2, 1, 7, 0}), on = applyCalls({1, true, 2, 1, 7, 0});
        QCOMPARE(ChannelBench::calls(), QStringList{"ov8263_setATRIConfig(1, 0, 0, 0, 0, 0)"} + built + on + on
                                            + applyCalls({1, true, 2, 1, 7, 1}));
    }

    void cascades()
    {
        ChannelBench bench("7931-BB");
        ov7931Demo_ChCfg *p = bench.panel(2);
        p->enableBox->setChecked(true);
        CHANGE(p->sensorSelector->setCurrentIndex(SensorResistance), 3, true, 2, 1, 1, 0);
        QCOMPARE(items(p->rangeSelector), rangeLabels(SensorResistance, "7931-BB").join('|'));
        QCOMPARE(items(p->excitationSelector), QString("Off|500uA|10uA"));
        QCOMPARE(items(p->modeSelector), QString("4-Wire|3-Wire|2-Wire"));
        QVERIFY(p->plotKind == 1 && !p->testWireButton->isEnabled());
        CHANGE(p->excitationSelector->setCurrentIndex(1), 3, true, 2, 1, 1, 1);
        QVERIFY(p->testWireButton->isEnabled());
        // The secondary current has its own nine ranges.
        CHANGE(p->excitationSelector->setCurrentIndex(2), 3, true, 2, 1, 1, 2);
        QCOMPARE(items(p->rangeSelector), secondaryCurrentRangeLabels("7931-BB", 2).join('|'));
        QCOMPARE(items(p->rangeSelector, Qt::UserRole), QString("0|1|2|3|4|5|6|7|8"));
        CHANGE(p->rangeSelector->setCurrentIndex(4), 3, true, 2, 1, 6, 2);
        // Current off: the single "not applicable" range, slot 1.
        CHANGE(p->excitationSelector->setCurrentIndex(0), 3, true, 2, 1, 3, 0);
        QCOMPARE(items(p->rangeSelector), QString("N\\A. on Current Off"));
        QVERIFY(p->rangeIndex() == 1 && !p->testWireButton->isEnabled());
        CHANGE(p->sensorSelector->setCurrentIndex(SensorVoltage), 3, true, 2, 4, 1, 0, true);
        QCOMPARE(items(p->modeSelector, Qt::UserRole), QString("4|5"));
        QCOMPARE(p->rangeSelector->currentText(), QString(QChar(0x00B1)) + "10V");
        QCOMPARE(p->plotKind, 0);
        // A Voltage channel with a current selected still has no wire test.
        CHANGE(p->excitationSelector->setCurrentIndex(1), 3, true, 2, 4, 1, 1, true);
        QVERIFY(!p->testWireButton->isEnabled());
        // "Single Ended Voltage" clears and disables the excitation selector ...
        CHANGE(p->modeSelector->setCurrentIndex(1), 3, true, 2, 5, 1, 0, true);
        QVERIFY(!p->excitationSelector->isEnabled() && p->excitationIndex() == 0);
        // ... a resistive sensor makes it usable again, with the primary current.
        CHANGE(p->sensorSelector->setCurrentIndex(SensorPT1000), 3, true, 2, 1, 4, 1); // first PT-1000 slot 2
        QVERIFY(p->excitationSelector->isEnabled() && p->testWireButton->isEnabled() && p->plotKind == 2);
        CHANGE(p->modeSelector->setCurrentIndex(1), 3, true, 2, 2, 4, 1);
    }

    void disablingAndEnabling()
    {
        ChannelBench bench("7931-BB");
        ov7931Demo_ChCfg *p = bench.panel(0);
        QVERIFY(lit(p->excitationLed, Qt::green)); // channel 1 has a PT-100 connected: the current flows
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
    }

    void gainsByFamily_data()
    {
        QTest::addColumn<QString>("subType");
        QTest::addColumn<QList<int>>("choice"); // d_ch, enabled, sensor, current, range slot
        QTest::addColumn<Apply>("apply");
        QTest::newRow("7931-AE slot 5") << "7931-AE" << QList<int>{0, 1, SensorResistance, 1, 5}
                                        << Apply{1, 1, 100, 1, 3, 3, false, false}; // no amplifier read on A
        QTest::newRow("7931-BB slot 5") << "7931-BB" << QList<int>{0, 1, SensorVoltage, 0, 5}
                                        << Apply{1, 1, 2, 4, 7, 0, true, true};
        QTest::newRow("7931-AA slot 7") << "7931-AA" << QList<int>{5, 1, SensorPT100, 0, 7}
                                        << Apply{6, 1, 500, 1, 3, 0, false, false};
        QTest::newRow("7931-AA disabled") << "7931-AA" << QList<int>{4, 0, SensorPT100, 0, 6}
                                          << Apply{5, 0, 2, 1, 3, 0, false, false};
    }

    void gainsByFamily()
    {
        QFETCH(QString, subType);
        QFETCH(QList<int>, choice);
        QFETCH(Apply, apply);
        ChannelBench bench(subType);
        ov7931Demo_ChCfg *p = bench.panel(choice[0]);
        p->enableBox->setChecked(choice[1]);
        p->sensorSelector->setCurrentIndex(choice[2]);
        p->excitationSelector->setCurrentIndex(choice[3]);
        CHANGE(p->rangeSelector->setCurrentIndex(p->rangeSelector->findData(choice[4])), apply);
    }

    void offeredItemsInDemoMode_data()
    {
        QTest::addColumn<QString>("subType");
        QTest::addColumn<QList<int>>("choice"); // sensor, current
        QTest::addColumn<QString>("offered");   // modes / currents / range slots
        const auto ba = [](int sensor) { // an unknown sub-type offers the 7931-BA ranges and "4-Wire" only
            QStringList offered;
            for (const SelectorItem &item : rangeItems(sensor, "7931-BA"))
                offered << QString::number(item.data);
            return "4-Wire / Off|500uA / " + offered.join('|');
        };
        QTest::newRow("AA PT-100") << "7931-AA" << QList<int>{0, 1} << "4-Wire / Off|500uA / 4|5|6|7";
        QTest::newRow("AA Resistance") << "7931-AA" << QList<int>{3, 1} << "4-Wire / Off|500uA / 0|2|5|8";
        QTest::newRow("AA Voltage") << "7931-AA" << QList<int>{4, 0} << "Differential Voltage / Off|500uA / 0|2|5|8";
        QTest::newRow("AE Voltage") << "7931-AE" << QList<int>{4, 1}
                                    << "Differential Voltage|Single Ended Voltage / Off|100uA / 0|2|5|8";
        QTest::newRow("BE PT-100") << "7931-BE" << QList<int>{0, 1} << "4-Wire|3-Wire|2-Wire / Off|100uA / 7";
        QTest::newRow("other PT-100") << "7931-ZZ" << QList<int>{0, 1} << ba(SensorPT100);
        QTest::newRow("other Resistance") << "7931-bb " << QList<int>{3, 1} << ba(SensorResistance);
    }

    void offeredItemsInDemoMode()
    {
        QFETCH(QString, subType);
        QFETCH(QList<int>, choice);
        ChannelBench bench(subType, false);
        ov7931Demo_ChCfg *p = bench.panel(0);
        p->sensorSelector->setCurrentIndex(choice[0]);
        p->excitationSelector->setCurrentIndex(choice[1]);
        QTEST(items(p->modeSelector) + " / " + items(p->excitationSelector) + " / "
                  + items(p->rangeSelector, Qt::UserRole), "offered");
        // The A sub-types have neither an amplifier error nor a wire test;
        // "Test Wire" needs a current on a resistive sensor, cards or not.
        const bool a = subType.startsWith("7931-A");
        QVERIFY(p->errorLed->isHidden() == a && p->testWireButton->isHidden() == a);
        QCOMPARE(p->testWireButton->isEnabled(), choice[0] != SensorVoltage && choice[1] != 0);
        p->modeSelector->setCurrentIndex(p->modeSelector->count() - 1);
        p->rangeSelector->setCurrentIndex(p->rangeSelector->count() - 1);
        p->enableBox->setChecked(false);
        p->enableBox->setChecked(true);
        QVERIFY(dark(p) && ovsim::journal().empty() && bench.fx.boxes().isEmpty());
    }

    void secondaryCurrentOn7931DE()
    {
        ChannelBench bench("7931-DE");
        ov7931Demo_ChCfg *p[2] = {bench.panel(11), bench.panel(15)};
        for (ov7931Demo_ChCfg *q : p) {
            q->enableBox->setChecked(true);
            q->sensorSelector->setCurrentIndex(SensorResistance);
        }
        CHANGE(p[0]->excitationSelector->setCurrentIndex(2), 12, true, 2, 1, 1, 2);
        p[1]->excitationSelector->setCurrentIndex(2);
        // Channel 12 (1.25 mA): the 10 uA ranges scaled by 10 uA / 1.25 mA.
        QCOMPARE(p[0]->excitationSelector->currentText() + " " + items(p[0]->rangeSelector),
                 ohms("1.25mA < 8.0k@|< 3.6k@|< 1.8k@|< 896@|< 448@|< 224@|< 112@|< 56@|< 28@"));
        QCOMPARE(p[1]->excitationSelector->currentText() + " " + items(p[1]->rangeSelector),
                 ohms("5mA < 2.0k@|< 900@|< 450@|< 224@|< 112@|< 56@|< 28@|< 14@|< 7@"));
    }

    void leds()
    {
        ChannelBench bench("7931-BB");
        ov7931Demo_ChCfg *p = bench.panel(5); // nothing connected to channel 6
        p->enableBox->setChecked(true);
        p->excitationSelector->setCurrentIndex(1); // selected, not flowing
        QVERIFY(lit(p->excitationLed, Qt::red) && p->errorLed->value() == 0);
        ovsim::setPgaError(6, true); // the channel's amplifier error
        p->excitationSelector->setCurrentIndex(0);
        QVERIFY(p->excitationLed->value() == 0 && p->errorLed->value() == 1);
        p->setStatusLeds(1, 0);
        QVERIFY(lit(p->excitationLed, Qt::green) && p->errorLed->value() == 0);
        p->setStatusLeds(7, 1); // an unknown state leaves the excitation LED as it is
        QVERIFY(lit(p->excitationLed, Qt::green) && p->errorLed->value() == 1);
        QCOMPARE(excitationState(true, 0), -1); // current off but flowing shows red too
    }

    void applyOnAWorkerThread()
    {
        ChannelBench bench("7931-BB");
        ov7931Demo_ChCfg *p = bench.panel(0);
        ChannelBench::clear();
        const auto apply = [snap = p->snapshot(), m = bench.masterVi, s = bench.slaveVi]() {
            return applyChannelToHardware(snap, m, s);
        };
        const ApplyResult r = QtConcurrent::run(apply).result();
        QCOMPARE(ChannelBench::calls(), applyCalls({1, true, 2, 1, 7, 1})); // as the GUI thread's apply
        QVERIFY(r.statusRead && r.testWireEnabled && r.excitationState == 1);
        p->setStatusLeds(0, 0);
        p->showApplyResult(r);
        QVERIFY(lit(p->excitationLed, Qt::green));
        // A failure on the worker is shown on the GUI thread.
        ovsim::failNext("ov7931_setConversion", ((ViStatus)0xBFFC0B08L));
        QtConcurrent::run(apply).waitForFinished();
        QTRY_COMPARE(bench.fx.boxes().size(), 1);
        QCOMPARE(bench.fx.boxes().at(0).text.section(" failed due to [", 0, 0),
                 QString("blockedHardwareAccess3(ov7931_setConversion, app->slaveVi, d_ch + 1, ov7931_OUT_UNIT_RES)"));
    }

    void callSites_data()
    {
        QTest::addColumn<Site>("site");
        const QString dig = "blockedHardwareAccess5(ov8263_setChanConfig, app->masterVi, d_ch + 1, ";
        const QString cond = "blockedHardwareAccess5(ov7931_setChanConfig, app->slaveVi, d_ch + 1, mode, ";
        const QString unit = "blockedHardwareAccess3(ov7931_setConversion, app->slaveVi, d_ch + 1, ov7931_OUT_UNIT_";
        const QString pga = "ov7931_readPGAError(1, &, null)", ec = "ov7931_checkECStatus(&)";
        QTest::newRow("trigger input") << Site{"7931-BB", Build, "blockedHardwareAccess7(ov8263_setATRIConfig, "
            "app->masterVi, d_ch + 1, 0, 0, 0, 0, 0)", true, "ov8263_setChanConfig(7, 0, 2, 0)", false};
        QTest::newRow("digitizer A") << Site{"7931-AE", Range, dig + "ov8263_CH_FP, gain, VI_FALSE)", true, ec, false};
        QTest::newRow("digitizer B") << Site{"7931-BB", Range, dig + "ov8263_CH_FP, 2, VI_FALSE)", true, pga, false};
        QTest::newRow("digitizer off") << Site{"7931-AA", Disable, dig + "ov8263_CH_OFF, 2, VI_FALSE)", true,
                                               "ov7931_setChanConfig(1, 1, 3, 0)", false};
        QTest::newRow("conditioning A") << Site{"7931-AA", Range, cond + "ov7931_GAIN_1, excitCurr)", false,
                                                "ov7931_setConversion(1, 1)", true};
        QTest::newRow("conditioning B") << Site{"7931-DE", Range, cond + "gain, excitCurr)", false,
                                                "ov7931_setConversion(1, 1)", true};
        QTest::newRow("output unit ohm") << Site{"7931-BB", Range, unit + "RES)", false, ec, true};
        QTest::newRow("output unit volt") << Site{"7931-BB", Voltage, unit + "VOLT)", false, ec, true};
        QTest::newRow("excitation status") << Site{"7931-BB", Range, "blockedHardwareAccess2(ov7931_checkECStatus, "
            "app->slaveVi, &ecStatus)", false, pga, true};
        QTest::newRow("amplifier error") << Site{"7931-BA", Range, "blockedHardwareAccess4(ov7931_readPGAError, "
            "app->slaveVi, d_ch + 1, &err, (ViPInt16)0)", false, "", true};
    }

    void callSites()
    {
        QFETCH(Site, site);
        const QString function = site.callText.section('(', 1).section(',', 0, 0);
        ChannelBench bench(site.subType);
        ov7931Demo_ChCfg *p = bench.panel(0);
        int built = 6;
        const auto trigger = [&](How how) {
            how == Build ? void(bench.panel(built++)) : how == Disable ? p->enableBox->setChecked(false)
                : how == Voltage ? p->sensorSelector->setCurrentIndex(SensorVoltage)
                : p->rangeSelector->setCurrentIndex(p->rangeSelector->currentIndex() == 0 ? 1 : 0);
        };
        ChannelBench::clear();
        ovsim::failNext(function.toStdString(), site.digitizerRule ? ov8263_ERROR_HARDWARE : ov7931_ERROR_HARDWARE);
        trigger(site.how);
        QCOMPARE(bench.fx.boxes().size(), 1);
        const SeenBox box = bench.fx.boxes().last();
        QCOMPARE(box.text.section(" failed due to [", 0, 0), site.callText);
        QVERIFY(box.text.endsWith("]\nDo you want to exit?"));
        QVERIFY(box.icon == QMessageBox::Critical && box.clicked == "No");
        QCOMPARE(ovsim::journalOf("ov8263_error_message").empty(), !site.digitizerRule);
        QCOMPARE(ovsim::journalOf("ov7931_error_message").empty(), site.digitizerRule);
        // The failing call was made, and the sequence went on after it.
        const QStringList calls = ChannelBench::calls();
        const int failedAt = calls.indexOf(QRegularExpression(function + "\\(.*"));
        QVERIFY(failedAt >= 0);
        QVERIFY(site.later.isEmpty() || calls.indexOf(site.later, failedAt + 1) > failedAt);
        // Nothing was read: the LEDs show no flowing current and no amplifier error.
        if (function == "ov7931_checkECStatus")
            QVERIFY(p->excitationLed->value() == 1 && p->excitationLed->onColour() == QColor(Qt::red));
        QCOMPARE(p->errorLed->value(), 0);

        const ViStatus positive = site.digitizerRule ? ov8263_WARN_OUT_OF_RANGE : ov7931_WARN_NO_EXCITATION;
        ChannelBench::clear();
        ovsim::failNext(function.toStdString(), positive);
        trigger(site.how == Build ? Build : Range);
        QCOMPARE(bench.fx.boxes().size(), site.warns ? 2 : 1);
        QVERIFY(!site.warns || (bench.fx.boxes().last().icon == QMessageBox::Warning
                                && bench.fx.boxes().last().text.startsWith("Warning: [")));
        const auto made = ovsim::journalOf(function.toStdString());
        QVERIFY(made.size() == 1 && made.front().status == positive);
    }

    void enableAllAppliesTheChannelsThatWereOff()
    {
        AppFixture fx;
        ov7931Demo_App *app = fx.create(AppFixture::Mode::Live);
        app->chCfg[3]->enableBox->setChecked(true);
        app->chCfg[3]->sensorSelector->setCurrentIndex(SensorResistance);
        ovsim::clearJournal();
        app->enableAllChannels();
        const auto calls = ovsim::journalOf("ov8263_setChanConfig");
        QCOMPARE(calls.size(), size_t(14)); // switched on once each; channels 1 and 4 untouched
        for (const ovsim::Call &c : calls)
            QVERIFY(c.args[1] != "1" && c.args[1] != "4" && c.args[2] == "1");
    }

    void labelBoundaries()
    {
        QCOMPARE(temperatureUnitText(), QString::fromUtf8("\xC2\xB0" "C"));
        QVERIFY_EXCEPTION_THROWN(rangeLabels(5, "7931-BB"), std::out_of_range);
        QVERIFY_EXCEPTION_THROWN(rangeLabels(-1, "7931-BB"), std::out_of_range);
        // Slots outside 0..8 never index past the gain tables.
        QCOMPARE(digitizerGainFor("7931-AA", true, 99), uint16_t(1000));
        QCOMPARE(conditioningGainFor("7931-BA", -3), uint16_t(1));
        // Labels do not follow the locale.
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QStringList labels = secondaryCurrentRangeLabels("7931-BB", 0);
        QLocale::setDefault(previous);
        QCOMPARE(labels[1], QString("< 450.0k") + QChar(0x03A9));
    }

    void workingTablesKeepTheSecondaryAndCoverTheOfferedSlots()
    {
        selectPlotRangeTables("7931-BB");
        const PlotRange secondaryBB = workingPlotRange(1, SensorResistance, 2, 0);
        QVERIFY(secondaryBB.valid() && secondaryBB.max > 0);
        for (const char *s : {"7931-AE", "7931-BE"}) {
            selectPlotRangeTables(s); // no secondary table: the previous one stays
            QCOMPARE(workingPlotRange(1, SensorResistance, 2, 0), secondaryBB);
            QCOMPARE(workingPlotRange(0, SensorVoltage, 0, 1), plotRangeTable(s).voltage[1]);
        }
        // Every PT slot offered by the range labels has a plot range in its group.
        for (const QString s : {"7931-AA", "7931-AE", "7931-BA", "7931-BB", "7931-BE", "7931-DE"}) {
            for (int sensor = 0; sensor <= 2; ++sensor)
                for (const SelectorItem &item : rangeItems(sensor, s))
                    QVERIFY2(plotRangeTable(s).pt[sensor][item.data].valid(), qPrintable(s + " " + item.text));
        }
        // Out-of-table arguments give no range rather than a wild read.
        QVERIFY(!workingPlotRange(1, SensorResistance, 0, 9).valid());
        QVERIFY(!workingPlotRange(3, SensorResistance, 0, 1).valid());
        QVERIFY(!workingPlotRange(2, SensorVoltage, 0, 1).valid());
    }

    void workingTablesAreReadSafelyWhileLoaded()
    {
        std::atomic<bool> stop{false};
        QFuture<void> writer = QtConcurrent::run([&stop]() {
            for (int i = 0; !stop.load(); ++i)
                selectPlotRangeTables((i % 2) ? "7931-AA" : "7931-BE");
        });
        const PlotRangeTables &aa = plotRangeTable("7931-AA"), &be = plotRangeTable("7931-BE");
        for (int n = 0; n < 20000; ++n) {
            const PlotRangeTables t = workingPlotRangeTables();
            QVERIFY((t.voltage == aa.voltage && t.pt == aa.pt) || (t.voltage == be.voltage && t.pt == be.pt));
        }
        stop = true;
        writer.waitForFinished();
    }
};

QTEST_MAIN(TestChannelPanel)
#include "test_channelPanel.moc"
