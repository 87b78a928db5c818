// Every driver call site of applying a channel and of the trigger-input
// set-up, failing once in the simulator: the box shows the call's own text,
// the message comes from the right driver, the sequence goes on, and the
// error-only sites stay silent on a positive status.
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
#include <QtTest>

#include <functional>

namespace {

enum class Rule { Digitizer, Conditioning };

const ViStatus kError8263 = ov8263_ERROR_HARDWARE;
const ViStatus kError7931 = ov7931_ERROR_HARDWARE;
const ViStatus kWarn8263 = ov8263_WARN_OUT_OF_RANGE;
const ViStatus kWarn7931 = ov7931_WARN_NO_EXCITATION;

// Fails `function` once with `status` while `trigger` runs; checks the one
// box that follows and that the calls after the failing one were still made.
void expectError(ChannelBench &bench, const char *function, ViStatus status, const std::function<void()> &trigger,
                 const QString &callText, Rule rule, const QString &laterCall)
{
    const int before = bench.boxes().size();
    ChannelBench::clear();
    ovsim::failNext(function, status);
    trigger();
    const QList<SeenBox> boxes = bench.boxes();
    QCOMPARE(boxes.size(), before + 1);
    const SeenBox box = boxes.last();
    QCOMPARE(box.icon, QMessageBox::Critical);
    QVERIFY2(box.text.startsWith(callText + " failed due to ["), qPrintable(box.text));
    QVERIFY(box.text.endsWith("]\nDo you want to exit?"));
    QCOMPARE(box.clicked, QString("No"));
    const bool digitizer = rule == Rule::Digitizer;
    QCOMPARE(ovsim::journalOf("ov8263_error_message").empty(), !digitizer);
    QCOMPARE(ovsim::journalOf("ov7931_error_message").empty(), digitizer);
    // The failing call was made (and failed), and the sequence went on.
    const QStringList calls = ChannelBench::calls();
    int failedAt = -1;
    for (int i = 0; i < calls.size(); ++i)
        if (calls[i].startsWith(QString(function) + "(")) {
            failedAt = i;
            break;
        }
    QVERIFY(failedAt >= 0);
    QVERIFY2(calls.indexOf(laterCall, failedAt + 1) > failedAt, qPrintable(calls.join('\n')));
}

void expectWarning(ChannelBench &bench, const char *function, ViStatus status, const std::function<void()> &trigger)
{
    const int before = bench.boxes().size();
    ovsim::failNext(function, status);
    trigger();
    const QList<SeenBox> boxes = bench.boxes();
    QCOMPARE(boxes.size(), before + 1);
    QCOMPARE(boxes.last().icon, QMessageBox::Warning);
    QVERIFY2(boxes.last().text.startsWith("Warning: ["), qPrintable(boxes.last().text));
}

void expectSilence(ChannelBench &bench, const char *function, ViStatus status, const std::function<void()> &trigger)
{
    const int before = bench.boxes().size();
    ChannelBench::clear();
    ovsim::failNext(function, status);
    trigger();
    QCOMPARE(bench.boxes().size(), before);
    QCOMPARE(ovsim::journalOf(function).size(), size_t(1));
    QCOMPARE(ovsim::journalOf(function).front().status, status);
}

// Re-applies the channel through the range handler.
void nudgeRange(ov7931Demo_ChCfg *p)
{
    const int i = p->rangeSelector->currentIndex();
    p->rangeSelector->setCurrentIndex(i == 0 && p->rangeSelector->count() > 1 ? 1 : 0);
}

} // namespace

class TestApplyFaults : public QObject
{
    Q_OBJECT

private slots:
    void triggerInputSetUp()
    {
        ChannelBench bench("7931-BB");
        expectError(bench, "ov8263_setATRIConfig", kError8263, [&] { bench.panel(6); },
                    "blockedHardwareAccess7(ov8263_setATRIConfig, app->masterVi, d_ch + 1, 0, 0, 0, 0, 0)",
                    Rule::Digitizer, "ov8263_setChanConfig(7, 0, 2, 0)");
        expectSilence(bench, "ov8263_setATRIConfig", kWarn8263, [&] { bench.panel(7); });
    }

    void digitizerChannelOnASubType()
    {
        ChannelBench bench("7931-AE");
        ov7931Demo_ChCfg *p = bench.panel(0);
        expectError(bench, "ov8263_setChanConfig", kError8263, [&] { nudgeRange(p); },
                    "blockedHardwareAccess5(ov8263_setChanConfig, app->masterVi, d_ch + 1, ov8263_CH_FP, gain, "
                    "VI_FALSE)",
                    Rule::Digitizer, "ov7931_checkECStatus(&)");
        expectSilence(bench, "ov8263_setChanConfig", kWarn8263, [&] { nudgeRange(p); });
    }

    void digitizerChannelOnBSubType()
    {
        ChannelBench bench("7931-BB");
        ov7931Demo_ChCfg *p = bench.panel(0);
        expectError(bench, "ov8263_setChanConfig", kError8263, [&] { nudgeRange(p); },
                    "blockedHardwareAccess5(ov8263_setChanConfig, app->masterVi, d_ch + 1, ov8263_CH_FP, 2, VI_FALSE)",
                    Rule::Digitizer, "ov7931_readPGAError(1, &, null)");
        expectSilence(bench, "ov8263_setChanConfig", kWarn8263, [&] { nudgeRange(p); });
    }

    void digitizerChannelSwitchedOff()
    {
        ChannelBench bench("7931-AA");
        ov7931Demo_ChCfg *p = bench.panel(0);
        expectError(bench, "ov8263_setChanConfig", kError8263, [&] { p->enableBox->setChecked(false); },
                    "blockedHardwareAccess5(ov8263_setChanConfig, app->masterVi, d_ch + 1, ov8263_CH_OFF, 2, "
                    "VI_FALSE)",
                    Rule::Digitizer, "ov7931_setChanConfig(1, 1, 3, 0)");
        expectSilence(bench, "ov8263_setChanConfig", kWarn8263, [&] { nudgeRange(p); });
    }

    void conditioningChannelOnASubType()
    {
        ChannelBench bench("7931-AA");
        ov7931Demo_ChCfg *p = bench.panel(0);
        expectError(bench, "ov7931_setChanConfig", kError7931, [&] { nudgeRange(p); },
                    "blockedHardwareAccess5(ov7931_setChanConfig, app->slaveVi, d_ch + 1, mode, ov7931_GAIN_1, "
                    "excitCurr)",
                    Rule::Conditioning, "ov7931_setConversion(1, 1)");
        expectWarning(bench, "ov7931_setChanConfig", kWarn7931, [&] { nudgeRange(p); });
    }

    void conditioningChannelOnBSubType()
    {
        ChannelBench bench("7931-DE");
        ov7931Demo_ChCfg *p = bench.panel(0);
        expectError(bench, "ov7931_setChanConfig", kError7931, [&] { nudgeRange(p); },
                    "blockedHardwareAccess5(ov7931_setChanConfig, app->slaveVi, d_ch + 1, mode, gain, excitCurr)",
                    Rule::Conditioning, "ov7931_setConversion(1, 1)");
        expectWarning(bench, "ov7931_setChanConfig", kWarn7931, [&] { nudgeRange(p); });
    }

    void outputUnit()
    {
        ChannelBench bench("7931-BB");
        ov7931Demo_ChCfg *p = bench.panel(0);
        expectError(bench, "ov7931_setConversion", kError7931, [&] { nudgeRange(p); },
                    "blockedHardwareAccess3(ov7931_setConversion, app->slaveVi, d_ch + 1, ov7931_OUT_UNIT_RES)",
                    Rule::Conditioning, "ov7931_checkECStatus(&)");
        expectError(bench, "ov7931_setConversion", kError7931,
                    [&] { p->sensorSelector->setCurrentIndex(SensorVoltage); },
                    "blockedHardwareAccess3(ov7931_setConversion, app->slaveVi, d_ch + 1, ov7931_OUT_UNIT_VOLT)",
                    Rule::Conditioning, "ov7931_checkECStatus(&)");
        expectWarning(bench, "ov7931_setConversion", kWarn7931, [&] { nudgeRange(p); });
    }

    void excitationStatusRead()
    {
        ChannelBench bench("7931-BB");
        ov7931Demo_ChCfg *p = bench.panel(0);
        expectError(bench, "ov7931_checkECStatus", kError7931, [&] { nudgeRange(p); },
                    "blockedHardwareAccess2(ov7931_checkECStatus, app->slaveVi, &ecStatus)", Rule::Conditioning,
                    "ov7931_readPGAError(1, &, null)");
        // Nothing was read: the selected current shows as not flowing.
        QCOMPARE(p->excitationLed->value(), 1);
        QCOMPARE(p->excitationLed->onColour(), QColor(Qt::red));
        expectWarning(bench, "ov7931_checkECStatus", kWarn7931, [&] { nudgeRange(p); });
    }

    void amplifierErrorRead()
    {
        ChannelBench bench("7931-BA");
        ov7931Demo_ChCfg *p = bench.panel(0);
        const int before = bench.boxes().size();
        ChannelBench::clear();
        ovsim::failNext("ov7931_readPGAError", kError7931);
        nudgeRange(p);
        QCOMPARE(bench.boxes().size(), before + 1);
        QVERIFY(bench.boxes().last().text.startsWith(
            "blockedHardwareAccess4(ov7931_readPGAError, app->slaveVi, d_ch + 1, &err, (ViPInt16)0) failed due to ["));
        QVERIFY(!ovsim::journalOf("ov7931_error_message").empty());
        QCOMPARE(p->errorLed->value(), 0); // nothing written: no error shown
        expectWarning(bench, "ov7931_readPGAError", kWarn7931, [&] { nudgeRange(p); });
    }

    void failuresLeaveThePanelAsSet()
    {
        // After "No" the panel keeps what the user chose and goes on calling.
        ChannelBench bench("7931-BB");
        ov7931Demo_ChCfg *p = bench.panel(0);
        ovsim::failAlways("ov7931_setChanConfig", kError7931);
        ChannelBench::clear();
        p->sensorSelector->setCurrentIndex(SensorResistance);
        p->excitationSelector->setCurrentIndex(1);
        ovsim::clearFaults();
        QCOMPARE(bench.boxes().size(), 2);
        QCOMPARE(p->sensorType(), int(SensorResistance));
        QCOMPARE(p->excitationIndex(), 1);
        QCOMPARE(ovsim::journalOf("ov7931_setConversion").size(), size_t(2));
    }
};

QTEST_MAIN(TestApplyFaults)
#include "test_applyFaults.moc"
