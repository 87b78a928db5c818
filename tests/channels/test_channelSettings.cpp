// The channel panels' settings: the fresh-file defaults, the round trip
// through the per-card INI file, stored values that match no item, and no
// file use while a recording is viewed.
#include "channelbench.h"

#include "ov7931Demo_App.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_channelModel.h"
#include "ovsim_control.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QSettings>
#include <QtTest>

namespace {
struct Shown {
    bool enabled;
    QString sensor, mode, excitation, range;
};

Shown shown(const ov7931Demo_ChCfg *p)
{
    return {p->enableBox->isChecked(), p->sensorSelector->currentText(), p->modeSelector->currentText(),
            p->excitationSelector->currentText(), p->rangeSelector->currentText()};
}

QString describe(const Shown &s)
{
    return QString("%1|%2|%3|%4|%5").arg(s.enabled).arg(s.sensor, s.mode, s.excitation, s.range);
}

int dataIndex(const QComboBox *box, int data) { return box->findData(data); }
} // namespace

class TestChannelSettings : public QObject
{
    Q_OBJECT

private slots:
    void freshFileDefaults()
    {
        ChannelBench bench("7931-BB", false);
        QVERIFY(!QFile::exists(bench.path("ov7931_BENCH.ini")));
        QList<ov7931Demo_ChCfg *> panels;
        for (int ch = 0; ch < 16; ++ch)
            panels << bench.panel(ch);
        const QString firstPt100 = QString("< 850") + temperatureUnitText();
        QCOMPARE(describe(shown(panels[0])), describe({true, "PT-100", "4-Wire", "500uA", firstPt100}));
        for (int ch = 1; ch < 16; ++ch)
            QCOMPARE(describe(shown(panels[ch])), describe({false, "PT-100", "4-Wire", "Off", firstPt100}));
        QCOMPARE(panels[0]->settingsFile(), QString("ov7931_BENCH.ini"));
    }

    void freshFileOnAE()
    {
        ChannelBench bench("7931-AE", false);
        ov7931Demo_ChCfg *p = bench.panel(0);
        QCOMPARE(p->excitationSelector->currentText(), QString("100uA"));
        QCOMPARE(p->rangeIndex(), 6);
    }

    void roundTrip()
    {
        ChannelBench bench("7931-DE", false);
        QList<Shown> before;
        {
            ov7931Demo_ChCfg *p1 = bench.panel(0); // PT-1000, 3-Wire, its third range
            p1->sensorSelector->setCurrentIndex(SensorPT1000);
            p1->modeSelector->setCurrentIndex(1);
            p1->rangeSelector->setCurrentIndex(2);
            ov7931Demo_ChCfg *p2 = bench.panel(1); // stays as built: disabled
            ov7931Demo_ChCfg *p12 = bench.panel(11); // Resistance on the channel's own secondary current
            p12->enableBox->setChecked(true);
            p12->sensorSelector->setCurrentIndex(SensorResistance);
            p12->modeSelector->setCurrentIndex(2);
            p12->excitationSelector->setCurrentIndex(2);
            p12->rangeSelector->setCurrentIndex(5);
            ov7931Demo_ChCfg *p5 = bench.panel(4); // Voltage, single ended, a small range
            p5->enableBox->setChecked(true);
            p5->sensorSelector->setCurrentIndex(SensorVoltage);
            p5->modeSelector->setCurrentIndex(1);
            p5->rangeSelector->setCurrentIndex(dataIndex(p5->rangeSelector, 5));
            ov7931Demo_ChCfg *p7 = bench.panel(6); // Resistance with the current off
            p7->enableBox->setChecked(true);
            p7->sensorSelector->setCurrentIndex(SensorResistance);
            p7->excitationSelector->setCurrentIndex(1);
            p7->excitationSelector->setCurrentIndex(0);
            for (ov7931Demo_ChCfg *p : {p1, p2, p12, p5, p7})
                before << shown(p);
            for (ov7931Demo_ChCfg *p : {p1, p2, p12, p5, p7})
                bench.drop(p);
        }

        // What the file holds.
        QSettings file(bench.path("ov7931_BENCH.ini"), QSettings::IniFormat);
        file.beginGroup("Channel_12");
        QCOMPARE(file.value("Enabled").toBool(), true);
        QCOMPARE(file.value("SensorType").toInt(), 3);
        QCOMPARE(file.value("Mode").toInt(), 3);
        QCOMPARE(file.value("ExcitationCurrent").toString(), QString("1.25mA"));
        QCOMPARE(file.value("InputRange").toString(), QString("< 224") + QChar(0x03A9));
        file.endGroup();
        QCOMPARE(file.value("Channel_5/Mode").toInt(), 5);
        QCOMPARE(file.value("Channel_5/InputRange").toString(), QString(QChar(0x00B1)) + "0.28V");
        QCOMPARE(file.value("Channel_1/InputRange").toString(), QString("< 0") + temperatureUnitText());
        QCOMPARE(file.value("Channel_2/Enabled").toBool(), false);
        QCOMPARE(file.value("Channel_7/InputRange").toString(), QString("N\\A. on Current Off"));

        // Read back by new panels, with their cascades.
        QList<Shown> after;
        for (int ch : {0, 1, 11, 4, 6})
            after << shown(bench.panel(ch));
        // With the current off, the Resistance list that the sensor step
        // shows stays: the excitation step changes nothing.
        before[4].range = rangeLabels(SensorResistance, "7931-DE").first();
        for (int i = 0; i < before.size(); ++i)
            QCOMPARE(describe(after[i]), describe(before[i]));
    }

    void loadingRunsTheCascadesOnTheCards()
    {
        {
            ChannelBench bench("7931-BB");
            ov7931Demo_ChCfg *p = bench.panel(2);
            p->enableBox->setChecked(true);
            p->sensorSelector->setCurrentIndex(SensorResistance);
            p->excitationSelector->setCurrentIndex(2);
            p->rangeSelector->setCurrentIndex(3);
            bench.drop(p);
            ChannelBench::clear();
            ov7931Demo_ChCfg *q = bench.panel(2);
            QCOMPARE(q->rangeIndex(), 3);
            // The last call made for the channel is the stored configuration.
            const QStringList calls = ChannelBench::calls().filter("ov7931_setChanConfig");
            QCOMPARE(calls.last(), QString("ov7931_setChanConfig(3, 1, 5, 2)"));
            QCOMPARE(ovsim::channelState(3).excitation, 2);
            QCOMPARE(ovsim::channelState(3).gain, 5);
            QVERIFY(ovsim::digitizerChannel(3).on);
        }
    }

    void unmatchedValuesSelectTheFirstItem()
    {
        ChannelBench bench("7931-BB", false);
        {
            QSettings file(bench.path("ov7931_BENCH.ini"), QSettings::IniFormat);
            file.setValue("Channel_1/Enabled", true);
            file.setValue("Channel_1/SensorType", 9);
            file.setValue("Channel_1/Mode", 77);
            file.setValue("Channel_1/ExcitationCurrent", "7A");
            file.setValue("Channel_1/InputRange", "huge");
            file.setValue("Channel_2/Enabled", true);
            file.setValue("Channel_2/SensorType", "Resistance");
            file.setValue("Channel_2/Mode", "99999999999999999999");
            file.setValue("Channel_3/Enabled", true);
            file.setValue("Channel_3/SensorType", 4);
            file.setValue("Channel_3/Mode", 1); // a wire mode for a voltage sensor
            file.setValue("Channel_3/ExcitationCurrent", "500uA");
            file.sync();
        }
        ov7931Demo_ChCfg *p1 = bench.panel(0);
        QCOMPARE(p1->sensorSelector->currentIndex(), 0);
        QCOMPARE(p1->modeSelector->currentIndex(), 0);
        QCOMPARE(p1->excitationSelector->currentIndex(), 0);
        QCOMPARE(p1->rangeSelector->currentIndex(), 0);

        ov7931Demo_ChCfg *p2 = bench.panel(1);
        QCOMPARE(p2->sensorType(), int(SensorPT100));
        QCOMPARE(p2->mode(), 1);

        ov7931Demo_ChCfg *p3 = bench.panel(2);
        QCOMPARE(p3->sensorType(), int(SensorVoltage));
        QCOMPARE(p3->mode(), 4); // the first voltage mode
        QCOMPARE(p3->excitationSelector->currentText(), QString("500uA"));
        QCOMPARE(p3->plotKind, 0);
        for (ov7931Demo_ChCfg *p : {p1, p2, p3}) {
            QVERIFY(p->sensorSelector->currentIndex() >= 0);
            QVERIFY(p->modeSelector->currentIndex() >= 0);
            QVERIFY(p->rangeSelector->currentIndex() >= 0);
            QVERIFY(p->excitationSelector->currentIndex() >= 0);
        }
    }

    void viewingARecordingLeavesTheFileAlone()
    {
        ChannelBench bench("7931-BB", false);
        bench.app->viewingRecording = true;
        {
            QSettings file(bench.path("ov7931_BENCH.ini"), QSettings::IniFormat);
            file.setValue("Channel_4/Enabled", true);
            file.setValue("Channel_4/SensorType", 3);
            file.sync();
        }
        ov7931Demo_ChCfg *p = bench.panel(3);
        QVERIFY(!p->isEnabled());
        QCOMPARE(p->sensorType(), 0);
        p->sensorSelector->setCurrentIndex(SensorVoltage);
        bench.drop(p);
        QSettings file(bench.path("ov7931_BENCH.ini"), QSettings::IniFormat);
        QCOMPARE(file.value("Channel_4/SensorType").toInt(), 3);
        QCOMPARE(file.childGroups(), QStringList{"Channel_4"});
        bench.app->viewingRecording = false;
    }
};

QTEST_MAIN(TestChannelSettings)
#include "test_channelSettings.moc"
