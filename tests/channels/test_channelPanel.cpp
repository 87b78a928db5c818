// The channel panel's cascades, read from the simulator's journal: each
// change refills the dependent selectors and makes exactly the driver calls
// of one apply; the gains per sub-type; the offered items per sub-type (in
// demo mode, without any driver call); the LEDs; the apply on a worker
// thread; "Enable All".
#include "channelbench.h"

#include "ov7931Demo_App.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_channelModel.h"
#include "ov9174fp_led.h"
#include "ovsim_control.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QtConcurrent/QtConcurrentRun>
#include <QtTest>

namespace {

struct Apply {
    int ch, enabled, digitizerGain, mode, gain, excitation; // ch 1..16; gain: the conditioning card's code
    bool volt = false;
    bool pga = true; // amplifier error read back (not on A sub-types)
};

// The calls of one apply, as the journal writes them (without the session).
QStringList applyCalls(const Apply &a)
{
    return QStringList{QString("ov8263_setChanConfig(%1, %2, %3, 0)").arg(a.ch).arg(a.enabled).arg(a.digitizerGain),
                       QString("ov7931_setChanConfig(%1, %2, %3, %4)").arg(a.ch).arg(a.mode).arg(a.gain).arg(a.excitation),
                       QString("ov7931_setConversion(%1, %2)").arg(a.ch).arg(a.volt ? 0 : 1), "ov7931_checkECStatus(&)"}
           + (a.pga ? QStringList{QString("ov7931_readPGAError(%1, &, null)").arg(a.ch)} : QStringList());
}

// A selector's item texts, or with role Qt::UserRole its item data, joined by '|'.
QString items(const QComboBox *box, int role = Qt::DisplayRole)
{
    QStringList t;
    for (int i = 0; i < box->count(); ++i)
        t << box->itemData(i, role).toString();
    return t.join('|');
}

bool dark(const ov7931Demo_ChCfg *p) { return p->excitationLed->value() == 0 && p->errorLed->value() == 0; }
bool lit(const ov9174fp_led *led, QColor colour) { return led->value() == 1 && led->onColour() == colour; }

} // namespace

Q_DECLARE_METATYPE(Apply)

// Makes one change and checks that it caused exactly one apply.
#define CHANGE(action, ...) \
    do { ChannelBench::clear(); action; QCOMPARE(ChannelBench::calls(), applyCalls({__VA_ARGS__})); } while (0)

class TestChannelPanel : public QObject
{
    Q_OBJECT

private slots:
    void constructionOnAFreshFile()
    {
        ChannelBench bench("7931-BB");
        // Channel 2: trigger set-up, the construction apply, the disabled state
        // applied (PT-100 first range: slot 5, gain code 7).
        ov7931Demo_ChCfg *p2 = bench.panel(1);
        const QStringList off = applyCalls({2, false, 2, 1, 7, 0});
        QCOMPARE(ChannelBench::calls(), QStringList{"ov8263_setATRIConfig(2, 0, 0, 0, 0, 0)"} + off + off);
        QVERIFY(!p2->configGroup->isEnabled() && !p2->calibrationGroup->isEnabled() && !p2->statusGroup->isEnabled());
        QVERIFY(p2->enableBox->isEnabled());
        // Channel 1: built disabled, enabled by default, then "500uA" chosen.
        bench.panel(0);
        const QStringList on = applyCalls({1, true, 2, 1, 7, 0});
        QCOMPARE(ChannelBench::calls(), QStringList{"ov8263_setATRIConfig(1, 0, 0, 0, 0, 0)"}
                                            + applyCalls({1, false, 2, 1, 7, 0}) + on + on + applyCalls({1, 1, 2, 1, 7, 1}));
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
        QTest::addColumn<int>("d_ch");
        QTest::addColumn<QList<int>>("choice"); // enabled, sensor, current, range slot
        QTest::addColumn<Apply>("apply");
        QTest::newRow("7931-AE slot 5") << "7931-AE" << 0 << QList<int>{1, SensorResistance, 1, 5}
                                        << Apply{1, 1, 100, 1, 3, 3, false, false}; // no amplifier read on A
        QTest::newRow("7931-BB slot 5") << "7931-BB" << 0 << QList<int>{1, SensorVoltage, 0, 5}
                                        << Apply{1, 1, 2, 4, 7, 0, true, true};
        QTest::newRow("7931-AA slot 7") << "7931-AA" << 5 << QList<int>{1, SensorPT100, 0, 7}
                                        << Apply{6, 1, 500, 1, 3, 0, false, false};
        QTest::newRow("7931-AA disabled") << "7931-AA" << 4 << QList<int>{0, SensorPT100, 0, 6}
                                          << Apply{5, 0, 2, 1, 3, 0, false, false};
    }

    void gainsByFamily()
    {
        QFETCH(QString, subType);
        QFETCH(int, d_ch);
        QFETCH(QList<int>, choice);
        QFETCH(Apply, apply);
        ChannelBench bench(subType);
        ov7931Demo_ChCfg *p = bench.panel(d_ch);
        p->enableBox->setChecked(choice[0]);
        p->sensorSelector->setCurrentIndex(choice[1]);
        p->excitationSelector->setCurrentIndex(choice[2]);
        CHANGE(p->rangeSelector->setCurrentIndex(p->rangeSelector->findData(choice[3])), apply);
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
        QTest::newRow("BB Resistance") << "7931-BB" << QList<int>{3, 2} << "4-Wire|3-Wire|2-Wire / Off|500uA|10uA / "
                                                                          "0|1|2|3|4|5|6|7|8";
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
                 QString("1.25mA < 8.0k@|< 3.6k@|< 1.8k@|< 896@|< 448@|< 224@|< 112@|< 56@|< 28@").replace('@', QChar(0x03A9)));
        QCOMPARE(p[1]->excitationSelector->currentText() + " " + items(p[1]->rangeSelector),
                 QString("5mA < 2.0k@|< 900@|< 450@|< 224@|< 112@|< 56@|< 28@|< 14@|< 7@").replace('@', QChar(0x03A9)));
        // The value used for acquisition follows the selector's index.
        p[1]->setExcitationCurrents(0.00051, 0.0049);
        QCOMPARE(p[1]->excitationCurrent(), 0.0049);
        p[1]->excitationSelector->setCurrentIndex(1);
        QCOMPARE(p[1]->excitationCurrent(), 0.00051);
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
        p->setStatusLeds(-1, 0);
        QVERIFY(lit(p->excitationLed, Qt::red));
        // Current off but flowing shows red too.
        QCOMPARE(excitationState(true, 0), -1);
        QCOMPARE(excitationState(false, 0), 0);
    }

    void applyOnAWorkerThread()
    {
        ChannelBench bench("7931-BB");
        ov7931Demo_ChCfg *p = bench.panel(0);
        ChannelBench::clear();
        p->applyChannelConfig();
        const QStringList onGui = ChannelBench::calls();
        ChannelBench::clear();
        const auto apply = [snap = p->snapshot(), m = bench.masterVi, s = bench.slaveVi]() {
            return applyChannelToHardware(snap, m, s);
        };
        const ApplyResult r = QtConcurrent::run(apply).result();
        QCOMPARE(ChannelBench::calls(), onGui);
        QVERIFY(r.statusRead && r.testWireEnabled && r.excitationState == 1);
        p->setStatusLeds(0, 0);
        p->showApplyResult(r);
        QVERIFY(lit(p->excitationLed, Qt::green));
        // A failure on the worker is shown on the GUI thread.
        ovsim::failNext("ov7931_setConversion", ((ViStatus)0xBFFC0B08L));
        QtConcurrent::run(apply).waitForFinished();
        QTRY_COMPARE(bench.fx.boxes().size(), 1);
        QVERIFY(bench.fx.boxes().at(0).text.startsWith(
            "blockedHardwareAccess3(ov7931_setConversion, app->slaveVi, d_ch + 1, ov7931_OUT_UNIT_RES) failed due to ["));
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
        QCOMPARE(calls.size(), size_t(14)); // once each; channels 1 and 4 untouched
        for (const ovsim::Call &c : calls)
            QVERIFY(c.args[1] != "1" && c.args[1] != "4" && c.args[2] == "1");
        for (ov7931Demo_ChCfg *p : app->chCfg)
            QVERIFY(p->isEnabled());
        QCOMPARE(app->chCfg[3]->sensorType(), int(SensorResistance));
    }
};

QTEST_MAIN(TestChannelPanel)
#include "test_channelPanel.moc"
