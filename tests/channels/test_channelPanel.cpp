// The channel panel's cascades, read from the simulator's journal: each
// change refills the dependent selectors and makes exactly the driver calls
// of one apply; the offered items per sub-type; the LEDs; demo mode.
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
    int ch = 1;            // 1..16
    bool enabled = true;
    int digitizerGain = 2;
    int mode = 1;
    int gain = 3;          // conditioning gain code
    int excitation = 0;
    bool volt = false;
    bool pga = true;       // PGA read back (not on A sub-types)
};

// The calls of one apply, as the journal writes them (without the session).
QStringList applyCalls(const Apply &a)
{
    const QString ch = QString::number(a.ch);
    QStringList out;
    out << QString("ov8263_setChanConfig(%1, %2, %3, 0)").arg(ch).arg(a.enabled ? 1 : 0).arg(a.digitizerGain);
    out << QString("ov7931_setChanConfig(%1, %2, %3, %4)").arg(ch).arg(a.mode).arg(a.gain).arg(a.excitation);
    out << QString("ov7931_setConversion(%1, %2)").arg(ch).arg(a.volt ? 0 : 1);
    out << QString("ov7931_checkECStatus(&)");
    if (a.pga)
        out << QString("ov7931_readPGAError(%1, &, null)").arg(ch);
    return out;
}

QStringList itemTexts(const QComboBox *box)
{
    QStringList t;
    for (int i = 0; i < box->count(); ++i)
        t << box->itemText(i);
    return t;
}

QList<int> itemData(const QComboBox *box)
{
    QList<int> d;
    for (int i = 0; i < box->count(); ++i)
        d << box->itemData(i).toInt();
    return d;
}

// An enabled panel with an empty journal.
ov7931Demo_ChCfg *enabledPanel(ChannelBench &bench, int d_ch)
{
    ov7931Demo_ChCfg *p = bench.panel(d_ch);
    p->enableBox->setChecked(true);
    ChannelBench::clear();
    return p;
}

int indexOfData(const QComboBox *box, int data) { return box->findData(data); }

} // namespace

class TestChannelPanel : public QObject
{
    Q_OBJECT

private slots:
    void constructionOnAFreshFile()
    {
        ChannelBench bench("7931-BB");
        // Channel 2: trigger set-up, the construction apply, the disabled state applied.
        ov7931Demo_ChCfg *p2 = bench.panel(1);
        QStringList expect{"ov8263_setATRIConfig(2, 0, 0, 0, 0, 0)"};
        const Apply off{2, false, 2, 1, 7, 0, false, true}; // PT-100 first range: slot 5, gain code 7
        expect << applyCalls(off) << applyCalls(off);
        QCOMPARE(ChannelBench::calls(), expect);
        QVERIFY(!p2->isEnabled());
        QCOMPARE(p2->excitationSelector->currentText(), QString("Off"));
        QVERIFY(!p2->configGroup->isEnabled());
        QVERIFY(!p2->calibrationGroup->isEnabled());
        QVERIFY(!p2->statusGroup->isEnabled());
        QVERIFY(p2->enableBox->isEnabled());

        // Channel 1: enabled by default, then the primary current is chosen.
        ov7931Demo_ChCfg *p1 = bench.panel(0);
        expect = QStringList{"ov8263_setATRIConfig(1, 0, 0, 0, 0, 0)"};
        expect << applyCalls({1, false, 2, 1, 7, 0}) // as built: not yet enabled
               << applyCalls({1, true, 2, 1, 7, 0})  // the enable box checked
               << applyCalls({1, true, 2, 1, 7, 0})  // the enable state applied
               << applyCalls({1, true, 2, 1, 7, 1}); // "500uA"
        QCOMPARE(ChannelBench::calls(), expect);
        QCOMPARE(p1->sensorSelector->currentText(), QString("PT-100"));
        QCOMPARE(p1->modeSelector->currentText(), QString("4-Wire"));
        QCOMPARE(p1->rangeSelector->currentText(), QString("< 850") + temperatureUnitText());
        QCOMPARE(p1->excitationSelector->currentText(), QString("500uA"));
        QCOMPARE(p1->plotKind, 2);
        QCOMPARE(p1->excitCurrPrimary, 0.0005);
        QCOMPARE(p1->excitCurrSecondary, 0.00001);
    }

    void sensorAndCurrentCascades()
    {
        ChannelBench bench("7931-BB");
        ov7931Demo_ChCfg *p = enabledPanel(bench, 2);

        p->sensorSelector->setCurrentIndex(SensorResistance);
        QCOMPARE(ChannelBench::calls(), applyCalls({3, true, 2, 1, 1, 0}));
        QCOMPARE(itemTexts(p->rangeSelector), rangeLabels(SensorResistance, "7931-BB"));
        QCOMPARE(itemTexts(p->excitationSelector), (QStringList{"Off", "500uA", "10uA"}));
        QCOMPARE(p->excitationIndex(), 0);
        QCOMPARE(itemTexts(p->modeSelector), (QStringList{"4-Wire", "3-Wire", "2-Wire"}));
        QCOMPARE(p->plotKind, 1);
        QVERIFY(!p->testWireButton->isEnabled());

        ChannelBench::clear();
        p->excitationSelector->setCurrentIndex(1);
        QCOMPARE(ChannelBench::calls(), applyCalls({3, true, 2, 1, 1, 1}));
        QCOMPARE(itemTexts(p->rangeSelector), rangeLabels(SensorResistance, "7931-BB"));
        QVERIFY(p->testWireButton->isEnabled());

        ChannelBench::clear();
        p->excitationSelector->setCurrentIndex(2);
        QCOMPARE(ChannelBench::calls(), applyCalls({3, true, 2, 1, 1, 2}));
        QCOMPARE(itemTexts(p->rangeSelector), secondaryCurrentRangeLabels("7931-BB", 2));
        QCOMPARE(itemData(p->rangeSelector), (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));

        ChannelBench::clear();
        p->rangeSelector->setCurrentIndex(4);
        QCOMPARE(ChannelBench::calls(), applyCalls({3, true, 2, 1, 6, 2}));

        // Current off again: the single "not applicable" range, slot 1.
        ChannelBench::clear();
        p->excitationSelector->setCurrentIndex(0);
        QCOMPARE(itemTexts(p->rangeSelector), QStringList{"N\\A. on Current Off"});
        QCOMPARE(p->rangeIndex(), 1);
        QCOMPARE(ChannelBench::calls(), applyCalls({3, true, 2, 1, 3, 0}));
        QVERIFY(!p->testWireButton->isEnabled());

        ChannelBench::clear();
        p->sensorSelector->setCurrentIndex(SensorVoltage);
        QCOMPARE(ChannelBench::calls(), applyCalls({3, true, 2, 4, 1, 0, true}));
        QCOMPARE(itemTexts(p->modeSelector), (QStringList{"Differential Voltage", "Single Ended Voltage"}));
        QCOMPARE(itemData(p->modeSelector), (QList<int>{4, 5}));
        QCOMPARE(p->rangeSelector->currentText(), QString(QChar(0x00B1)) + "10V");
        QCOMPARE(p->plotKind, 0);
        QVERIFY(!p->testWireButton->isEnabled());

        // A Voltage channel with a current selected still has no wire test.
        ChannelBench::clear();
        p->excitationSelector->setCurrentIndex(1);
        QCOMPARE(ChannelBench::calls(), applyCalls({3, true, 2, 4, 1, 1, true}));
        QVERIFY(!p->testWireButton->isEnabled());

        ChannelBench::clear();
        p->sensorSelector->setCurrentIndex(SensorPT1000);
        QCOMPARE(ChannelBench::calls(), applyCalls({3, true, 2, 1, 4, 1})); // first PT-1000 slot 2: code 4
        QCOMPARE(p->excitationSelector->currentText(), QString("500uA"));
        QCOMPARE(p->modeSelector->currentIndex(), 0);
        QCOMPARE(p->plotKind, 2);
        QVERIFY(p->testWireButton->isEnabled());
    }

    void modeCascade()
    {
        ChannelBench bench("7931-BB");
        ov7931Demo_ChCfg *p = enabledPanel(bench, 3);
        p->excitationSelector->setCurrentIndex(1);

        ChannelBench::clear();
        p->modeSelector->setCurrentIndex(1);
        QCOMPARE(ChannelBench::calls(), applyCalls({4, true, 2, 2, 7, 1}));

        p->sensorSelector->setCurrentIndex(SensorVoltage);
        p->excitationSelector->setCurrentIndex(1);
        QVERIFY(p->excitationSelector->isEnabled());
        ChannelBench::clear();
        p->modeSelector->setCurrentIndex(1); // "Single Ended Voltage"
        QCOMPARE(ChannelBench::calls(), applyCalls({4, true, 2, 5, 1, 0, true}));
        QVERIFY(!p->excitationSelector->isEnabled());
        QCOMPARE(p->excitationIndex(), 0);

        // Back to a resistive sensor: the selector is usable again.
        p->sensorSelector->setCurrentIndex(SensorPT100);
        QVERIFY(p->excitationSelector->isEnabled());
        QCOMPARE(p->excitationIndex(), 1);
        // A wire mode re-enables the selector and keeps its index.
        p->excitationSelector->setEnabled(false);
        ChannelBench::clear();
        p->modeSelector->setCurrentIndex(2);
        QVERIFY(p->excitationSelector->isEnabled());
        QCOMPARE(p->excitationIndex(), 1);
        QCOMPARE(ChannelBench::calls(), applyCalls({4, true, 2, 3, 7, 1}));
    }

    void gainsByFamily()
    {
        {
            ChannelBench bench("7931-AE");
            ov7931Demo_ChCfg *p = enabledPanel(bench, 0);
            p->sensorSelector->setCurrentIndex(SensorResistance);
            p->excitationSelector->setCurrentIndex(1);
            QCOMPARE(p->excitationCode(), 3); // "100uA"
            ChannelBench::clear();
            p->rangeSelector->setCurrentIndex(indexOfData(p->rangeSelector, 5));
            QCOMPARE(ChannelBench::calls(), applyCalls({1, true, 100, 1, 3, 3, false, false}));
        }
        {
            ChannelBench bench("7931-BB");
            ov7931Demo_ChCfg *p = enabledPanel(bench, 0);
            p->sensorSelector->setCurrentIndex(SensorVoltage);
            ChannelBench::clear();
            p->rangeSelector->setCurrentIndex(indexOfData(p->rangeSelector, 5));
            QCOMPARE(ChannelBench::calls(), applyCalls({1, true, 2, 4, 7, 0, true, true}));
        }
        {
            ChannelBench bench("7931-AA");
            ov7931Demo_ChCfg *p = enabledPanel(bench, 5);
            ChannelBench::clear();
            p->rangeSelector->setCurrentIndex(indexOfData(p->rangeSelector, 7));
            QCOMPARE(ChannelBench::calls(), applyCalls({6, true, 500, 1, 3, 0, false, false}));
        }
    }

    void disablingAndEnabling()
    {
        ChannelBench bench("7931-BB");
        ov7931Demo_ChCfg *p = bench.panel(0);
        QCOMPARE(p->excitationIndex(), 1);
        ChannelBench::clear();
        p->enableBox->setChecked(false);
        // The excitation is switched off before the cards are told; the
        // conditioning channel is still configured, the digitizer channel off.
        QCOMPARE(ChannelBench::calls(), applyCalls({1, false, 2, 1, 7, 0}));
        QCOMPARE(p->excitationIndex(), 0);
        QVERIFY(!p->configGroup->isEnabled());
        QCOMPARE(p->excitationLed->value(), 0);
        QCOMPARE(p->errorLed->value(), 0);

        selectPlotRangeTables("7931-AA");
        ChannelBench::clear();
        p->enableBox->setChecked(true);
        QCOMPARE(ChannelBench::calls(), applyCalls({1, true, 2, 1, 7, 0}));
        QVERIFY(p->configGroup->isEnabled() && p->calibrationGroup->isEnabled() && p->statusGroup->isEnabled());
        QCOMPARE(workingPlotRange(0, SensorVoltage, 0, 1), (PlotRange{-5.5, 5.5})); // BB's tables loaded
    }

    void disabledChannelOnASubType()
    {
        // A disabled channel of an A sub-type gets gain 2, not its range's gain.
        ChannelBench aa("7931-AA");
        ov7931Demo_ChCfg *q = aa.panel(4);
        ChannelBench::clear();
        q->rangeSelector->setCurrentIndex(indexOfData(q->rangeSelector, 6));
        QCOMPARE(ChannelBench::calls(), applyCalls({5, false, 2, 1, 3, 0, false, false}));
    }

    void offeredItemsPerSubType()
    {
        {
            ChannelBench bench("7931-AA", false);
            ov7931Demo_ChCfg *p = bench.panel(0);
            QVERIFY(p->errorLed->isHidden());
            QVERIFY(p->testWireButton->isHidden());
            QCOMPARE(itemTexts(p->modeSelector), QStringList{"4-Wire"});
            QCOMPARE(itemData(p->rangeSelector), (QList<int>{4, 5, 6, 7}));
            QCOMPARE(itemTexts(p->excitationSelector), (QStringList{"Off", "500uA"}));
            p->sensorSelector->setCurrentIndex(SensorResistance);
            QCOMPARE(itemData(p->rangeSelector), (QList<int>{0, 2, 5, 8}));
            p->excitationSelector->setCurrentIndex(1);
            QCOMPARE(itemData(p->rangeSelector), (QList<int>{0, 2, 5, 8}));
            p->sensorSelector->setCurrentIndex(SensorVoltage);
            QCOMPARE(itemData(p->rangeSelector), (QList<int>{0, 2, 5, 8}));
            QCOMPARE(itemTexts(p->modeSelector), QStringList{"Differential Voltage"});
        }
        {
            ChannelBench bench("7931-AE", false);
            ov7931Demo_ChCfg *p = bench.panel(0);
            QVERIFY(p->errorLed->isHidden());
            QVERIFY(p->testWireButton->isHidden());
            QCOMPARE(itemTexts(p->excitationSelector), (QStringList{"Off", "100uA"}));
            QCOMPARE(p->excitationCode(), 3);
            p->sensorSelector->setCurrentIndex(SensorVoltage);
            QCOMPARE(itemData(p->modeSelector), (QList<int>{4, 5}));
        }
        {
            ChannelBench bench("7931-BE", false);
            ov7931Demo_ChCfg *p = bench.panel(0);
            QVERIFY(!p->errorLed->isHidden());
            QVERIFY(!p->testWireButton->isHidden());
            QCOMPARE(itemTexts(p->rangeSelector), QStringList{QString("< 850") + temperatureUnitText()});
            QCOMPARE(p->rangeIndex(), 7);
        }
        {
            ChannelBench bench("7931-ZZ", false);
            ov7931Demo_ChCfg *p = bench.panel(0);
            QVERIFY(!p->errorLed->isHidden());
            QCOMPARE(itemTexts(p->modeSelector), QStringList{"4-Wire"});
            QCOMPARE(itemTexts(p->rangeSelector).size(), rangeItems(SensorPT100, "7931-BA").size());
            p->sensorSelector->setCurrentIndex(SensorResistance);
            QCOMPARE(itemTexts(p->modeSelector), QStringList{"4-Wire"});
            QCOMPARE(itemTexts(p->rangeSelector), rangeLabels(SensorResistance, "7931-BA"));
        }
    }

    void secondaryCurrentOn7931DE()
    {
        ChannelBench bench("7931-DE");
        ov7931Demo_ChCfg *p12 = enabledPanel(bench, 11);
        p12->sensorSelector->setCurrentIndex(SensorResistance);
        QCOMPARE(p12->excitationSelector->itemText(2), QString("1.25mA"));
        ChannelBench::clear();
        p12->excitationSelector->setCurrentIndex(2);
        QCOMPARE(ChannelBench::calls(), applyCalls({12, true, 2, 1, 1, 2}));
        QCOMPARE(p12->rangeSelector->itemText(0), QString("< 8.0k") + QChar(0x03A9));
        QCOMPARE(itemTexts(p12->rangeSelector), secondaryCurrentRangeLabels("7931-DE", 11));

        ov7931Demo_ChCfg *p16 = enabledPanel(bench, 15);
        p16->sensorSelector->setCurrentIndex(SensorResistance);
        p16->excitationSelector->setCurrentIndex(2);
        QCOMPARE(p16->excitationSelector->currentText(), QString("5mA"));
        QCOMPARE(p16->rangeSelector->itemText(0), QString("< 2.0k") + QChar(0x03A9));
        QCOMPARE(p16->rangeSelector->itemText(8), QString("< 7") + QChar(0x03A9));
        // The value used for acquisition follows the selector's index.
        p16->setExcitationCurrents(0.00051, 0.0049);
        QCOMPARE(p16->excitationCurrent(), 0.0049);
        p16->excitationSelector->setCurrentIndex(1);
        QCOMPARE(p16->excitationCurrent(), 0.00051);
    }

    void ledsFollowTheCards()
    {
        ChannelBench bench("7931-BB");
        // Channel 1 has a PT-100 connected: the current flows.
        ov7931Demo_ChCfg *p1 = bench.panel(0);
        QCOMPARE(p1->excitationLed->value(), 1);
        QCOMPARE(p1->excitationLed->onColour(), QColor(Qt::green));
        QCOMPARE(p1->errorLed->value(), 0);

        // Channel 6 has nothing connected: selected but not flowing.
        ov7931Demo_ChCfg *p6 = enabledPanel(bench, 5);
        p6->excitationSelector->setCurrentIndex(1);
        QCOMPARE(p6->excitationLed->value(), 1);
        QCOMPARE(p6->excitationLed->onColour(), QColor(Qt::red));
        p6->excitationSelector->setCurrentIndex(0);
        QCOMPARE(p6->excitationLed->value(), 0);

        // The amplifier error of the channel lights the error LED.
        ovsim::setPgaError(1, true);
        p1->rangeSelector->setCurrentIndex(1);
        QCOMPARE(p1->errorLed->value(), 1);
        ovsim::setPgaError(1, false);
        p1->rangeSelector->setCurrentIndex(0);
        QCOMPARE(p1->errorLed->value(), 0);

        // Disabled: dark whatever the card says.
        p1->enableBox->setChecked(false);
        QCOMPARE(p1->excitationLed->value(), 0);
        QCOMPARE(p1->errorLed->value(), 0);
    }

    void noAmplifierReadOnASubTypes()
    {
        ChannelBench bench("7931-AE");
        ovsim::setPgaError(1, true);
        ov7931Demo_ChCfg *p = bench.panel(0);
        QVERIFY(ovsim::journalOf("ov7931_readPGAError").empty());
        QCOMPARE(p->errorLed->value(), 0);
        QVERIFY(p->errorLed->isHidden());
    }

    void statusLedStates()
    {
        ChannelBench bench("7931-BB", false);
        ov7931Demo_ChCfg *p = bench.panel(0);
        QVERIFY(p->isEnabled());
        p->setStatusLeds(-1, 0); // current off but flowing, or selected and not flowing
        QCOMPARE(p->excitationLed->value(), 1);
        QCOMPARE(p->excitationLed->onColour(), QColor(Qt::red));
        p->setStatusLeds(1, 0);
        QCOMPARE(p->excitationLed->value(), 1);
        QCOMPARE(p->excitationLed->onColour(), QColor(Qt::green));
        p->setStatusLeds(7, 3); // unknown state: the excitation LED stays as it is
        QCOMPARE(p->excitationLed->value(), 1);
        QCOMPARE(p->errorLed->value(), 1);
        p->setStatusLeds(0, 0);
        QCOMPARE(p->excitationLed->value(), 0);
        QCOMPARE(p->errorLed->value(), 0);

        // A disabled status group keeps both LEDs dark.
        p->statusGroup->setEnabled(false);
        p->setStatusLeds(1, 1);
        QCOMPARE(p->excitationLed->value(), 0);
        QCOMPARE(p->errorLed->value(), 0);
        p->statusGroup->setEnabled(true);

        p->enableBox->setChecked(false);
        p->setStatusLeds(1, 1);
        QCOMPARE(p->excitationLed->value(), 0);
        QCOMPARE(p->errorLed->value(), 0);
    }

    void demoModeMakesNoDriverCall()
    {
        ChannelBench bench("7931-BB", false);
        ov7931Demo_ChCfg *p = bench.panel(0);
        p->sensorSelector->setCurrentIndex(SensorResistance);
        QVERIFY(!p->testWireButton->isEnabled());
        p->excitationSelector->setCurrentIndex(2);
        QVERIFY(p->testWireButton->isEnabled()); // the button rule holds without cards
        p->modeSelector->setCurrentIndex(2);
        p->rangeSelector->setCurrentIndex(3);
        p->sensorSelector->setCurrentIndex(SensorVoltage);
        QVERIFY(!p->testWireButton->isEnabled());
        p->enableBox->setChecked(false);
        p->enableBox->setChecked(true);
        QCOMPARE(p->excitationLed->value(), 0);
        QVERIFY(ovsim::journal().empty());
        QVERIFY(bench.boxes().isEmpty());
    }

    void hardwareCallsFromAWorkerThread()
    {
        ChannelBench bench("7931-BB");
        ov7931Demo_ChCfg *p = enabledPanel(bench, 0);
        p->excitationSelector->setCurrentIndex(1);
        const ChannelSnapshot snap = p->snapshot();
        ChannelBench::clear();
        p->applyChannelConfig();
        const QStringList onGui = ChannelBench::calls();

        ChannelBench::clear();
        const ViSession m = bench.masterVi, s = bench.slaveVi;
        QFuture<ApplyResult> f = QtConcurrent::run([snap, m, s]() { return applyChannelToHardware(snap, m, s); });
        f.waitForFinished();
        QCOMPARE(ChannelBench::calls(), onGui);
        const ApplyResult r = f.result();
        QVERIFY(r.statusRead);
        QCOMPARE(r.excitationState, 1);
        QVERIFY(r.testWireEnabled);
        p->setStatusLeds(0, 0);
        p->showApplyResult(r);
        QCOMPARE(p->excitationLed->value(), 1);

        // A failure on the worker is shown on the GUI thread.
        ovsim::failNext("ov7931_setConversion", ((ViStatus)0xBFFC0B08L));
        f = QtConcurrent::run([snap, m, s]() { return applyChannelToHardware(snap, m, s); });
        f.waitForFinished();
        QTRY_COMPARE(bench.boxes().size(), 1);
        QVERIFY(bench.boxes().at(0).text.startsWith(
            "blockedHardwareAccess3(ov7931_setConversion, app->slaveVi, d_ch + 1, ov7931_OUT_UNIT_RES) failed due to ["));
    }
};

QTEST_MAIN(TestChannelPanel)
#include "test_channelPanel.moc"
