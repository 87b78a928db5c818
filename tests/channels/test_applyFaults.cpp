// Every driver call site of applying a channel and of the trigger-input
// set-up, failing once in the simulator: the box shows the call's own text,
// the message comes from the right driver, the sequence goes on; a positive
// status gives a warning box, or nothing at the error-only sites.
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

namespace {
// How the call is reached: building channel 7's panel, or a change on channel 1.
enum How { Build, Range, Disable, Voltage };

struct Site {
    QString subType;
    How how;
    QString callText;
    bool digitizerRule; // else the conditioning card's
    QString later;      // a call made after the failing one
    bool warns;         // else the site reports errors only
};
} // namespace

Q_DECLARE_METATYPE(Site)

class TestApplyFaults : public QObject
{
    Q_OBJECT

private slots:
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
            if (how == Build)
                bench.panel(built++);
            else if (how == Disable)
                p->enableBox->setChecked(false);
            else if (how == Voltage)
                p->sensorSelector->setCurrentIndex(SensorVoltage);
            else
                p->rangeSelector->setCurrentIndex(p->rangeSelector->currentIndex() == 0 ? 1 : 0);
        };
        ChannelBench::clear();
        ovsim::failNext(function.toStdString(), site.digitizerRule ? ov8263_ERROR_HARDWARE : ov7931_ERROR_HARDWARE);
        trigger(site.how);
        QCOMPARE(bench.fx.boxes().size(), 1);
        const SeenBox box = bench.fx.boxes().last();
        QVERIFY2(box.text.startsWith(site.callText + " failed due to [") && box.text.endsWith("]\nDo you want to exit?"),
                 qPrintable(box.text));
        QVERIFY(box.icon == QMessageBox::Critical && box.clicked == "No");
        QCOMPARE(ovsim::journalOf("ov8263_error_message").empty(), !site.digitizerRule);
        QCOMPARE(ovsim::journalOf("ov7931_error_message").empty(), site.digitizerRule);
        // The failing call was made, and the sequence went on after it.
        const QStringList calls = ChannelBench::calls();
        const int failedAt = calls.indexOf(QRegularExpression(function + "\\(.*"));
        QVERIFY(failedAt >= 0);
        QVERIFY2(site.later.isEmpty() || calls.indexOf(site.later, failedAt + 1) > failedAt, qPrintable(calls.join('\n')));
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
        QCOMPARE(ovsim::journalOf(function.toStdString()).size(), size_t(1));
        QCOMPARE(ovsim::journalOf(function.toStdString()).front().status, positive);
    }

    void failuresLeaveThePanelAsSet()
    {
        // After "No" the panel keeps what the user chose and goes on calling.
        ChannelBench bench("7931-BB");
        ov7931Demo_ChCfg *p = bench.panel(0);
        ovsim::failAlways("ov7931_setChanConfig", ov7931_ERROR_HARDWARE);
        ChannelBench::clear();
        p->sensorSelector->setCurrentIndex(SensorResistance);
        p->excitationSelector->setCurrentIndex(1);
        ovsim::clearFaults();
        QCOMPARE(bench.fx.boxes().size(), 2);
        QVERIFY(p->sensorType() == SensorResistance && p->excitationIndex() == 1);
        QCOMPARE(ovsim::journalOf("ov7931_setConversion").size(), size_t(2));
    }
};

QTEST_MAIN(TestApplyFaults)
#include "test_applyFaults.moc"
