// The broken-wire check against the simulated card: verdicts, wiring modes,
// the 40 kilo-ohm note, untestable configurations, failures, demo mode.
#include "channelbench.h"

#include "ov7931.h"
#include "ov7931Demo_App.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_channelModel.h"
#include "ov7931Demo_wireCheck.h"
#include "ov7931Demo_wireRules.h"
#include "ovsim_control.h"
#include "testkit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

using ovsim::Wire;

namespace {
// A label as "text|colour" (the colour's name), or empty.
QString shown(const QLabel *label)
{
    return label->text().isEmpty() ? QString()
                                   : label->text() + "|" + label->palette().color(QPalette::WindowText).name();
}

const QString red = QColor(Qt::red).name(), green = QColor(Qt::darkGreen).name(),
              blue = QColor(Qt::darkBlue).name(), yellow = QColor(Qt::darkYellow).name();

struct Setup {
    QString subType;
    int mode;             // ChannelMode code 1..3
    QVector<Wire> wires;  // wires 1..4 of channel 6
    double resistance;    // ohm of the resistor on channel 6; 0: a PT-100
};
} // namespace

Q_DECLARE_METATYPE(Setup)

class TestWireCheck : public QObject
{
    Q_OBJECT

private slots:
    void verdicts_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<bool>("note");
        const QVector<Wire> all = {Wire::Intact, Wire::Broken, Wire::Unknown, Wire::MaybeBroken};
        const QVector<Wire> signalPlus = {Wire::Intact, Wire::Intact, Wire::Broken, Wire::Intact};
        const QStringList four = {"Current + Wire Ok|" + green, "Current - Wire Broken|" + red,
                                  "Signal + Wire Status Unknown|" + blue,
                                  "Signal - Wire Maybe Broken, please check|" + yellow};
        const QStringList plusBroken = {"Current + Wire Ok|" + green, "Current - Wire Ok|" + green,
                                        "Signal + Wire Broken|" + red, "Signal - Wire Ok|" + green};
        QTest::newRow("4-Wire, every code") << Setup{"7931-BB", 1, all, 0} << four << false;
        QTest::newRow("3-Wire leaves Signal + out")
            << Setup{"7931-BB", 2, all, 0} << QStringList{four[0], four[1], "", four[3]} << false;
        QTest::newRow("2-Wire tests the current wires only")
            << Setup{"7931-BE", 3, all, 0} << QStringList{four[0], four[1], "", ""} << false;
        QTest::newRow("Signal + broken on 7931-BA: no note")
            << Setup{"7931-BA", 1, signalPlus, 0} << plusBroken << false;
        for (const char *s : {"7931-BB", "7931-BE", "7931-DE"})
            QTest::newRow(qPrintable(QString(s) + " notes the 40 kOhm limit"))
                << Setup{s, 1, signalPlus, 0} << plusBroken << true;
        QTest::newRow("a 50 kOhm load reads as Signal + broken")
            << Setup{"7931-BB", 1, {Wire::Intact, Wire::Intact, Wire::Intact, Wire::Intact}, 50000} << plusBroken
            << true;
        QTest::newRow("3-Wire: no note for the wire it leaves out")
            << Setup{"7931-DE", 2, signalPlus, 0} << QStringList{plusBroken[0], plusBroken[1], "", plusBroken[3]}
            << false;
        QTest::newRow("another wire broken too: no note")
            << Setup{"7931-BB", 1, {Wire::Broken, Wire::Intact, Wire::Broken, Wire::Intact}, 0}
            << QStringList{"Current + Wire Broken|" + red, plusBroken[1], plusBroken[2], plusBroken[3]} << false;
    }

    void verdicts()
    {
        QFETCH(Setup, setup);
        ChannelBench bench(setup.subType);
        bench.fx.otherDialogs = [](QWidget *) { return true; };
        ovsim::Sensor sensor;
        sensor.kind = setup.resistance > 0 ? ovsim::SensorKind::Resistor : ovsim::SensorKind::PT100;
        sensor.resistance = setup.resistance;
        ovsim::setSensor(6, sensor);
        for (int w = 0; w < 4; ++w)
            ovsim::setWire(6, w + 1, setup.wires[w]);
        ov7931Demo_ChCfg *p = bench.panel(5);
        p->enableBox->setChecked(true);
        p->sensorSelector->setCurrentIndex(setup.resistance > 0 ? SensorResistance : SensorPT100);
        p->excitationSelector->setCurrentIndex(1);
        p->modeSelector->setCurrentIndex(p->modeSelector->findData(setup.mode));
        QVERIFY(p->testWireButton->isEnabled());
        ChannelBench::clear();
        p->testWireButton->click();
        QCOMPARE(ChannelBench::calls(), QStringList{"ov7931_brokenWireDetect(6, &, &, &, &)"});
        ov7931Demo_bkCheckDialog *dialog = p->wireDialog;
        QStringList seen;
        for (const QLabel *label : dialog->wireLabels)
            seen << shown(label);
        QTEST(seen, "labels");
        QTEST(dialog->note->isVisible(), "note");
        QVERIFY(dialog->isVisible() && dialog->isModal() && bench.fx.boxes().isEmpty());

        // "OK" hides the dialog; the next test rewrites every label.
        dialog->okButton->click();
        QVERIFY(!dialog->isVisible());
        ovsim::setSensor(6, ovsim::Sensor());
        p->checkBrokenWireAction();
        QCOMPARE(shown(dialog->wireLabels[0]), QString("Current + Wire Broken|" + red));
        QVERIFY(setup.mode == 3 || shown(dialog->wireLabels[3]) == "Signal - Wire Status Unknown|" + blue);
        QVERIFY(!dialog->note->isVisible());
    }

    void theDialog()
    {
        ChannelBench bench("7931-BB");
        ov7931Demo_ChCfg *p = bench.panel(0);
        ov7931Demo_bkCheckDialog *dialog = p->wireDialog;
        QVERIFY(dialog && dialog->parent() == p);
        QCOMPARE(dialog->windowTitle(), QString("Keltri 7931 Wire Status"));
        QCOMPARE(dialog->note->text(),
                 QString("\nNote that the maximum load resistance that can be tested is 40k") + QChar(0x03A9));
        QVERIFY(dialog->note->font().italic() && dialog->note->palette().color(QPalette::WindowText) == Qt::red);
        QVERIFY(dialog->group->minimumWidth() >= 350 && dialog->group->title().isEmpty());
        QVERIFY(dialog->okButton->text() == "OK" && dialog->okButton->maximumWidth() <= 50);
        QVERIFY(!dialog->isVisible());
    }

    void rules()
    {
        QCOMPARE(wireLine(1, 0, 7), QString("Current + Wire ")); // an unknown code: the name alone
        QCOMPARE(wireLine(1, 3, 2), QString("Signal - Wire Maybe Broken, please check"));
        QVERIFY(wireLine(3, 3, 0).isEmpty() && !wireLine(2, 3, 0).isEmpty());
        QVERIFY(!showsLoadLimitNote({0, 0, -1, 0}, "7931-AE", 1) && !showsLoadLimitNote({0, 0, -1, 2}, "7931-BB", 1));
    }

    void wrongConfiguration_data()
    {
        QTest::addColumn<int>("sensor");
        QTest::addColumn<int>("current");
        QTest::newRow("Voltage") << int(SensorVoltage) << 1;
        QTest::newRow("excitation off") << int(SensorPT500) << 0;
    }

    void wrongConfiguration()
    {
        QFETCH(int, sensor);
        QFETCH(int, current);
        ChannelBench bench("7931-BB");
        ov7931Demo_ChCfg *p = bench.panel(8);
        p->enableBox->setChecked(true);
        p->sensorSelector->setCurrentIndex(sensor);
        p->excitationSelector->setCurrentIndex(current);
        ChannelBench::clear();
        p->checkBrokenWireAction();
        QCOMPARE(bench.fx.boxes().size(), 1);
        const SeenBox box = bench.fx.boxes()[0];
        QVERIFY(box.title == "Keltri 7931" && box.icon == QMessageBox::Critical);
        QCOMPARE(box.text, QString("Broken Wire Detection Stopped\nTo be able to test broken wire for Channel 9, "
                                   "please make sure:\n1. Sensor/Resistance is connected\n2. Excitation current "
                                   "should be ENABLED\n3. Sensor Type option should NOT be Voltage.\nPlease check "
                                   "your configurations first"));
        QVERIFY(ovsim::journal().empty() && !p->wireDialog->isVisible());
    }

    void failingCallStillShowsTheDialog()
    {
        ChannelBench bench("7931-DE");
        bench.fx.otherDialogs = [](QWidget *) { return true; };
        ov7931Demo_ChCfg *p = bench.panel(0); // a PT-100 on "500uA"
        ovsim::failNext("ov7931_brokenWireDetect", ov7931_ERROR_HARDWARE);
        p->checkBrokenWireAction();
        QCOMPARE(bench.fx.boxes().size(), 1);
        QCOMPARE(bench.fx.boxes()[0].text,
                 testkit::errorBoxText("blockedHardwareAccess6(ov7931_brokenWireDetect, app->slaveVi, channel, &ib[0], "
                                       "&ib[1], &ib[2], &ib[3])",
                                       testkit::driverText(false, bench.slaveVi, ov7931_ERROR_HARDWARE)));
        QVERIFY(p->wireDialog->isVisible());
        for (const QLabel *label : p->wireDialog->wireLabels)
            QVERIFY(label->text().endsWith("Wire Ok"));
    }

    void demoModeShowsEveryWireOk()
    {
        ChannelBench bench("7931-BB", false);
        bench.fx.otherDialogs = [](QWidget *) { return true; };
        ov7931Demo_ChCfg *p = bench.panel(0);
        p->checkBrokenWireAction();
        QStringList seen;
        for (const QLabel *label : p->wireDialog->wireLabels)
            seen << shown(label);
        QCOMPARE(seen, QStringList({"Current + Wire Ok|" + green, "Current - Wire Ok|" + green,
                                    "Signal + Wire Ok|" + green, "Signal - Wire Ok|" + green}));
        QVERIFY(ovsim::journal().empty() && p->wireDialog->isVisible());
    }
};

QTEST_MAIN(TestWireCheck)
#include "test_wireCheck.moc"
