// "Reset Device" re-applies every panel in channel order with the same calls as
// a panel change, as the card's channels return to their power-on state.
#include "channelbench.h"
#include "tooltest.h"

#include "ov7931.h"
#include "ov7931Demo_App.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_channelModel.h"
#include "ov9174fp_led.h"
#include "ovsim_control.h"

#include <QCheckBox>
#include <QComboBox>
#include <QtTest>

namespace {
// What both cards hold for every channel.
QStringList cardState()
{
    QStringList state;
    for (int ch = 1; ch <= 16; ++ch) {
        const ovsim::ChannelState c = ovsim::channelState(ch);
        const ovsim::DigitizerChannelState d = ovsim::digitizerChannel(ch);
        state << QString("%1: %2 %3 %4 %5 / %6 %7")
                     .arg(ch).arg(c.mode).arg(c.gain).arg(c.excitation).arg(c.conversion).arg(d.on).arg(d.gain);
    }
    return state;
}
} // namespace

class TestResetReapply : public QObject
{
    Q_OBJECT

private slots:
    void cardFollowsThePanelsAgain()
    {
        AppFixture fx;
        ov7931Demo_App *app = fx.create(AppFixture::Mode::Live);
        ovsim::setManualClock(true);
        app->chCfg[0]->rangeSelector->setCurrentIndex(2);
        ov7931Demo_ChCfg *resistance = app->chCfg[3], *voltage = app->chCfg[6];
        resistance->enableBox->setChecked(true);
        resistance->sensorSelector->setCurrentIndex(SensorResistance);
        resistance->excitationSelector->setCurrentIndex(1);
        resistance->rangeSelector->setCurrentIndex(4);
        voltage->enableBox->setChecked(true);
        voltage->sensorSelector->setCurrentIndex(SensorVoltage);
        voltage->modeSelector->setCurrentIndex(1);
        const QStringList before = cardState();
        QVERIFY(before[3] != "4: 1 3 0 0 / 1 2"); // not the power-on state

        ChannelBench::clear();
        app->resetDevice();

        QStringList expected{"ov7931_init(1, 1, &)"};
        for (const ov7931Demo_ChCfg *p : app->chCfg) {
            const ChannelSnapshot s = p->snapshot();
            expected << applyCalls({s.d_ch + 1, s.enabled, 2, s.mode, conditioningGainFor("7931-BB", s.rangeIndex),
                                    s.excitCurr, s.sensorType == SensorVoltage});
        }
        QCOMPARE(driverCalls(), expected);
        QCOMPARE(cardState(), before);
        QVERIFY(app->chCfg[0]->excitationLed->value() == 1 && app->deviceBusy == 0 && fx.boxes().isEmpty());
        QVERIFY(hardwareLockIsFree());
    }

    void failedResetAppliesNothing()
    {
        AppFixture fx;
        ov7931Demo_App *app = fx.create(AppFixture::Mode::Live);
        ovsim::setManualClock(true);
        ChannelBench::clear();
        ovsim::failNext("ov7931_init", ov7931_ERROR_HARDWARE);
        app->resetDevice();
        QTRY_COMPARE(fx.boxes().size(), 1);
        QCOMPARE(driverCalls(), QStringList({"ov7931_init(1, 1, &)", QString("ov7931_error_message(%1, &)")
                                                                          .arg(ov7931_ERROR_HARDWARE)}));
    }

    void demoModeAppliesNothing()
    {
        AppFixture fx;
        ov7931Demo_App *app = fx.create(AppFixture::Mode::Demo);
        ovsim::setManualClock(true);
        ChannelBench::clear();
        app->resetDevice();
        QVERIFY(driverCalls().isEmpty() && app->slaveVi == 0);
    }
};

QTEST_MAIN(TestResetReapply)
#include "test_resetReapply.moc"
