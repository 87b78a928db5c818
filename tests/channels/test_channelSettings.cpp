// The channel panels' settings: fresh-file defaults, the per-card INI round
// trip, stored values matching no item, no file use while a recording is viewed.
#include "channelbench.h"

#include "ov7931Demo_App.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_channelModel.h"
#include "ovsim_control.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSettings>
#include <QtTest>

namespace {
// What a panel shows: enabled, sensor, mode, excitation, range.
QString shown(const ov7931Demo_ChCfg *p)
{
    return QString("%1|%2|%3|%4|%5").arg(p->enableBox->isChecked()).arg(p->sensorSelector->currentText(),
        p->modeSelector->currentText(), p->excitationSelector->currentText(), p->rangeSelector->currentText());
}

// Sets a panel as a user would, in the selectors' order; -1 leaves one as it is.
void choose(ov7931Demo_ChCfg *p, int sensor, int mode, int current, int range)
{
    p->enableBox->setChecked(true);
    for (auto [box, index] : {std::pair{p->sensorSelector, sensor}, {p->modeSelector, mode},
                              {p->excitationSelector, current}, {p->rangeSelector, range}})
        if (index >= 0)
            box->setCurrentIndex(index);
}

const QString kFile = QStringLiteral("ov7931_BENCH.ini");
} // namespace

class TestChannelSettings : public QObject
{
    Q_OBJECT

private slots:
    void freshFileDefaults()
    {
        {
            ChannelBench bench("7931-BB", false);
            const QString pt100 = "PT-100|4-Wire|%1|< 850" + temperatureUnitText();
            QCOMPARE(shown(bench.panel(0)), "1|" + pt100.arg("500uA"));
            for (int ch = 1; ch < 16; ++ch)
                QCOMPARE(shown(bench.panel(ch)), "0|" + pt100.arg("Off"));
        }
        ChannelBench bench("7931-AE", false);
        ov7931Demo_ChCfg *p = bench.panel(0);
        QVERIFY(p->excitationSelector->currentText() == "100uA" && p->rangeIndex() == 6);
    }

    void roundTripRunsTheCascadesOnTheCards()
    {
        ChannelBench bench("7931-DE");
        QList<ov7931Demo_ChCfg *> p = {bench.panel(0), bench.panel(4), bench.panel(6), bench.panel(11)};
        choose(p[0], SensorPT1000, 1, -1, 2);      // 3-Wire, the third range
        choose(p[1], SensorVoltage, 1, -1, -1);    // single ended, a small range
        p[1]->rangeSelector->setCurrentIndex(p[1]->rangeSelector->findData(5));
        choose(p[2], SensorResistance, -1, 1, -1); // then the current off
        p[2]->excitationSelector->setCurrentIndex(0);
        choose(p[3], SensorResistance, 2, 2, 5);   // 2-Wire, the channel's own secondary current
        QStringList before;
        for (ov7931Demo_ChCfg *q : p) {
            before << shown(q);
            bench.drop(q);
        }
        // With the current off, the Resistance list that the sensor step
        // shows stays on reading back: the excitation step changes nothing.
        before[2] = before[2].section('|', 0, 3) + "|" + rangeLabels(SensorResistance, "7931-DE").first();
        QSettings file(bench.fx.path(kFile), QSettings::IniFormat);
        for (const QString kv : {"12/Enabled=true", "12/SensorType=3", "12/Mode=3", "12/ExcitationCurrent=1.25mA",
                                  "5/Mode=5", "7/InputRange=N\\A. on Current Off"})
            QCOMPARE(file.value("Channel_" + kv.section('=', 0, 0)).toString(), kv.section('=', 1));
        QCOMPARE(file.value("Channel_12/InputRange").toString(), QString("< 224") + QChar(0x03A9));
        QCOMPARE(file.value("Channel_5/InputRange").toString(), QString(QChar(0x00B1)) + "0.28V");
        QStringList after;
        for (int ch : {0, 4, 6, 11})
            after << shown(bench.panel(ch));
        QCOMPARE(after, before);
        // Channel 12 was read last: the last conditioning call is its stored configuration.
        QCOMPARE(ChannelBench::calls().filter("ov7931_setChan").last(), QString("ov7931_setChanConfig(12, 3, 7, 2)"));
        QVERIFY(ovsim::channelState(12).excitation == 2 && ovsim::digitizerChannel(12).on);
    }

    void unmatchedValuesSelectTheFirstItem()
    {
        ChannelBench bench("7931-BB", false);
        QSettings file(bench.fx.path(kFile), QSettings::IniFormat);
        const QStringList stored = {"1/SensorType=9", "1/Mode=77", "1/ExcitationCurrent=7A", "1/InputRange=huge",
                                    "2/SensorType=Resistance", "2/Mode=99999999999999999999", "3/SensorType=4",
                                    "3/Mode=1", "3/ExcitationCurrent=500uA"}; // channel 3: a wire mode for Voltage
        for (const QString &s : stored + QStringList{"1/Enabled=true", "2/Enabled=true", "3/Enabled=true"})
            file.setValue("Channel_" + s.section('=', 0, 0), s.section('=', 1));
        file.sync();
        // Each selector shows its first item (an index of -1 would show no text).
        for (int ch : {0, 1})
            QCOMPARE(shown(bench.panel(ch)), "1|PT-100|4-Wire|Off|< 850" + temperatureUnitText());
        ov7931Demo_ChCfg *p = bench.panel(2);
        QCOMPARE(shown(p), "1|Voltage|Differential Voltage|500uA|" + p->rangeSelector->itemText(0));
    }

    void viewingARecordingLeavesTheFileAlone()
    {
        ChannelBench bench("7931-BB", false);
        bench.app->viewingRecording = true;
        QSettings file(bench.fx.path(kFile), QSettings::IniFormat);
        file.setValue("Channel_4/Enabled", true);
        file.setValue("Channel_4/SensorType", 3);
        file.sync();
        ov7931Demo_ChCfg *p = bench.panel(3);
        QVERIFY(!p->isEnabled() && p->sensorType() == SensorPT100);
        p->sensorSelector->setCurrentIndex(SensorVoltage);
        bench.drop(p);
        file.sync();
        QCOMPARE(file.value("Channel_4/SensorType").toInt(), 3);
        QCOMPARE(file.childGroups(), QStringList{"Channel_4"});
    }
};

QTEST_MAIN(TestChannelSettings)
#include "test_channelSettings.moc"
