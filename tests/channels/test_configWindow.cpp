// The configuration window as the application object builds it: 16 tabs of
// channel panels in channel order, Close, the panels' texts and sizes, the
// A sub-types' hidden controls and enableAllChannels. With OV_SCREENSHOT_DIR
// set, pictures of the window are saved there for a person to look at.
#include "appfixture.h"

#include "ov7931Demo_App.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_Config.h"
#include "ov7931Demo_channelModel.h"
#include "ov9174fp_led.h"
#include "ovsim_control.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

namespace {

std::string scenarioFor(const QString &letters)
{
    std::string yaml = ovsim::defaultScenarioText();
    const std::string from = "sub_type: BB";
    yaml.replace(yaml.find(from), from.size(), "sub_type: " + letters.toStdString());
    return yaml;
}

void shoot(QWidget *w, const QString &name)
{
    const QString dir = qEnvironmentVariable("OV_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    w->show();
    QTest::qWait(200);
    w->grab().save(QDir(dir).filePath(name));
}

} // namespace

class TestConfigWindow : public QObject
{
    Q_OBJECT

private slots:
    void windowHoldsSixteenPanelsInOrder()
    {
        AppFixture fx;
        ov7931Demo_App *app = fx.create(AppFixture::Mode::Demo);
        ov7931Demo_Config *cfg = app->config;
        QVERIFY(cfg);
        QCOMPARE(cfg->parent(), app);
        QVERIFY(cfg->isModal());
        QCOMPARE(cfg->windowTitle(), QString("Keltri 7931 Channel Configuration"));
        QCOMPARE(cfg->tabs->count(), 16);
        for (int ch = 0; ch < 16; ++ch) {
            QCOMPARE(cfg->tabs->tabText(ch), QString("Ch %1").arg(ch + 1));
            QCOMPARE(cfg->tabs->widget(ch), static_cast<QWidget *>(app->chCfg[ch]));
            QCOMPARE(app->chCfg[ch]->d_ch, ch);
            QCOMPARE(app->chCfg[ch]->app, app);
        }
        QCOMPARE(cfg->closeButton->text(), QString("Close"));
        QCOMPARE(cfg->closeButton->maximumWidth(), 100);
        QCOMPARE(cfg->closeButton->toolTip(), QString("Close Configuration Panel"));
        QCOMPARE(cfg->closeButton->whatsThis(), cfg->closeButton->toolTip());
        cfg->show();
        QVERIFY(cfg->isVisible());
        cfg->closeButton->click();
        QVERIFY(!cfg->isVisible());
        // Demo mode: the panels made no channel call.
        for (const ovsim::Call &c : ovsim::journal())
            QVERIFY2(c.function.find("Chan") == std::string::npos && c.function.find("ATRI") == std::string::npos &&
                         c.function.find("Conversion") == std::string::npos &&
                         c.function.find("ECStatus") == std::string::npos &&
                         c.function.find("PGA") == std::string::npos,
                     c.text().c_str());
    }

    void panelTextsAndSizes()
    {
        AppFixture fx;
        ov7931Demo_App *app = fx.create(AppFixture::Mode::Demo);
        ov7931Demo_ChCfg *p = app->chCfg[6];
        QVERIFY(p->minimumWidth() >= 775);
        for (QGroupBox *g : {p->configGroup, p->calibrationGroup, p->statusGroup})
            QVERIFY(g->minimumWidth() >= 350);
        QCOMPARE(p->configGroup->title(), QString("Configuration"));
        QCOMPARE(p->calibrationGroup->title(), QString("Calibration"));
        QCOMPARE(p->statusGroup->title(), QString("Status"));
        for (QComboBox *c : {p->sensorSelector, p->modeSelector, p->rangeSelector, p->excitationSelector})
            QVERIFY(c->minimumWidth() >= 150);
        QVERIFY(p->calibrateButton->minimumWidth() >= 200);
        QVERIFY(p->calibrateAllButton->minimumWidth() >= 200);

        const QList<QPair<QWidget *, QString>> tips = {
            {p->enableBox, "Enables or disables Channel 7"},
            {p->sensorSelector, "Selects the source of the input signal for Channel 7"},
            {p->modeSelector, "Selects the mode for Channel 7"},
            {p->rangeSelector, "Selects the input range for Channel 7"},
            {p->excitationSelector, "Selects the current type or disable current flow for Channel 7"},
            {p->applyToAllButton, "Sets Current Channel's Configuration to all Enabled Channels"},
            {p->calibrateButton, "Starts Selected Calibrations on Channel 7"},
            {p->calibrateAllButton, "Starts All Enabled Channels' Calibrations"},
            {p->errorLed, "Channel 7 Error status"},
            {p->testWireButton, "Test the Broken Wire Status on Channel 7"},
        };
        for (const auto &t : tips) {
            QCOMPARE(t.first->toolTip(), t.second);
            QCOMPARE(t.first->whatsThis(), t.second);
        }
        QVERIFY(p->excitationLed->toolTip().startsWith("Channel 7 excitation current status.\nLED lit green - "));
        QVERIFY(p->excitationLed->toolTip().endsWith("LED off - current is not applied.\n"));
        QCOMPARE(p->excitationLed->whatsThis(), p->excitationLed->toolTip());

        QCOMPARE(p->enableBox->text(), QString("Enabled"));
        QCOMPARE(p->applyToAllButton->text(), QString("Apply Configuration to all Enabled Channels"));
        QCOMPARE(p->calibrateButton->text(), QString("Calibrate Channel 7"));
        QCOMPARE(p->calibrateAllButton->text(), QString("Calibrate all Enabled Channels"));
        QCOMPARE(p->testWireButton->text(), QString("Test Wire"));
        QCOMPARE(p->excitationLed->caption(), QString("Excitation Current Status"));
        QCOMPARE(p->excitationLed->onColour(), QColor(Qt::green));
        QCOMPARE(p->errorLed->caption(), QString("Error"));
        QCOMPARE(p->errorLed->onColour(), QColor(Qt::red));
        QCOMPARE(p->excitationLed->offColour(), p->palette().color(QPalette::Window));
        QStringList labels;
        for (QLabel *l : p->configGroup->findChildren<QLabel *>())
            labels << l->text();
        QCOMPARE(labels, (QStringList{"Sensor Type", "Mode", "Measurement Range", "Excitation Current"}));

        // The later actions are in place and do nothing yet.
        p->enableBox->setChecked(true);
        ovsim::clearJournal();
        for (QPushButton *b : {p->applyToAllButton, p->calibrateButton, p->calibrateAllButton})
            QVERIFY(b->isEnabled());
        QVERIFY(ovsim::journal().empty());
    }

    void slotsInOrder()
    {
        const QMetaObject &mo = ov7931Demo_ChCfg::staticMetaObject;
        QStringList own;
        for (int i = mo.methodOffset(); i < mo.methodCount(); ++i)
            own << QString::fromLatin1(mo.method(i).methodSignature());
        QCOMPARE(own, (QStringList{"enableChange(int)", "sensorChange(int)", "modeChange(int)", "inpRngChange(int)",
                                   "currChange(int)", "applyToAllAction()", "calibrateAction()",
                                   "calibrateAllAction()", "checkBrokenWireAction()"}));
    }

    void enableAllChannelsChecksTheRest()
    {
        AppFixture fx;
        ov7931Demo_App *app = fx.create(AppFixture::Mode::Live);
        app->chCfg[3]->enableBox->setChecked(true);
        app->chCfg[3]->sensorSelector->setCurrentIndex(SensorResistance);
        ovsim::clearJournal();
        app->enableAllChannels();
        for (ov7931Demo_ChCfg *p : app->chCfg)
            QVERIFY(p->isEnabled());
        // The 14 channels that were off are applied once each; 1 and 4 are untouched.
        const auto calls = ovsim::journalOf("ov8263_setChanConfig");
        QCOMPARE(calls.size(), size_t(14));
        for (const ovsim::Call &c : calls) {
            QVERIFY(c.args[1] != "1" && c.args[1] != "4");
            QCOMPARE(c.args[2], std::string("1"));
        }
        QCOMPARE(app->chCfg[3]->sensorType(), int(SensorResistance));
    }

    void liveWindowOn7931BB()
    {
        AppFixture fx;
        ov7931Demo_App *app = fx.create(AppFixture::Mode::Live);
        QCOMPARE(app->slaveSubType, QString("7931-BB"));
        // Channel 1 has a PT-100 connected: its current flows.
        QCOMPARE(app->chCfg[0]->excitationLed->value(), 1);
        QCOMPARE(app->chCfg[0]->excitationLed->onColour(), QColor(Qt::green));
        QVERIFY(app->chCfg[0]->testWireButton->isEnabled());
        shoot(app->config, "config-7931BB-ch1.png");

        ov7931Demo_ChCfg *p2 = app->chCfg[1];
        p2->enableBox->setChecked(true);
        p2->sensorSelector->setCurrentIndex(SensorResistance);
        p2->excitationSelector->setCurrentIndex(2);
        QCOMPARE(p2->excitationSelector->currentText(), QString("10uA"));
        QCOMPARE(p2->excitationLed->value(), 1);
        app->config->tabs->setCurrentIndex(1);
        shoot(app->config, "config-7931BB-ch2-resistance-10uA.png");

        ov7931Demo_ChCfg *p3 = app->chCfg[2];
        p3->enableBox->setChecked(true);
        p3->sensorSelector->setCurrentIndex(SensorVoltage);
        p3->modeSelector->setCurrentIndex(1);
        QVERIFY(!p3->excitationSelector->isEnabled());
        app->config->tabs->setCurrentIndex(2);
        shoot(app->config, "config-7931BB-ch3-voltage.png");
        app->config->hide();
    }

    void liveWindowOnASubType()
    {
        AppFixture fx;
        QVERIFY(ovsim::loadScenarioText(scenarioFor("AA")));
        ov7931Demo_App *app = fx.create(AppFixture::Mode::Live);
        QCOMPARE(app->slaveSubType, QString("7931-AA"));
        for (ov7931Demo_ChCfg *p : app->chCfg) {
            QVERIFY(p->errorLed->isHidden());
            QVERIFY(p->testWireButton->isHidden());
        }
        QVERIFY(ovsim::journalOf("ov7931_readPGAError").empty());
        shoot(app->config, "config-7931AA-ch1.png");
        app->config->hide();
    }

    void liveWindowOn7931DE()
    {
        AppFixture fx;
        QVERIFY(ovsim::loadScenarioText(scenarioFor("DE")));
        ov7931Demo_App *app = fx.create(AppFixture::Mode::Live);
        ov7931Demo_ChCfg *p16 = app->chCfg[15];
        p16->enableBox->setChecked(true);
        p16->sensorSelector->setCurrentIndex(SensorResistance);
        p16->excitationSelector->setCurrentIndex(2);
        QCOMPARE(p16->excitationSelector->currentText(), QString("5mA"));
        QCOMPARE(p16->rangeSelector->currentText(), QString("< 2.0k") + QChar(0x03A9));
        app->config->tabs->setCurrentIndex(15);
        shoot(app->config, "config-7931DE-ch16.png");
        app->config->hide();
    }
};

QTEST_MAIN(TestConfigWindow)
#include "test_configWindow.moc"
