// The sampling-rate list rules and the panel's two choices in the settings
// file, without widgets.
#include "ov7931Demo_panelSettings.h"
#include "ov7931Demo_samplingRates.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <clocale>
#include <limits>

namespace {
QStringList labels(const SamplingRateList &list)
{
    QStringList l;
    for (const auto &item : list.items)
        l << item.label;
    return l;
}
} // namespace

class TestPanelChoices : public QObject
{
    Q_OBJECT

private slots:
    void unlimitedListHasAll17Rates()
    {
        const SamplingRateList list = buildSamplingRateList(false, 0, 0);
        QCOMPARE(labels(list), (QStringList{"1 Hz", "2 Hz", "5 Hz", "10 Hz", "20 Hz", "50 Hz", "100 Hz", "200 Hz",
                                            "500 Hz", "1 kHz", "2 kHz", "5 kHz", "10 kHz", "20 kHz", "30 kHz",
                                            "40 kHz", "50 kHz"}));
        QCOMPARE(list.current, 9);
        QCOMPARE(list.items[9].rate, 1000.0);
        QCOMPARE(list.items[16].rate, 50000.0);
        QCOMPARE(list.items[0].rate, 1.0);
    }

    void limitsCutTheList()
    {
        SamplingRateList list = buildSamplingRateList(true, 100, 20000);
        QCOMPARE(labels(list),
                 (QStringList{"100 Hz", "200 Hz", "500 Hz", "1 kHz", "2 kHz", "5 kHz", "10 kHz", "20 kHz"}));
        QCOMPARE(list.items[list.current].label, QStringLiteral("1 kHz"));

        // A limit that is itself a rate includes it; one between rates does not.
        list = buildSamplingRateList(true, 150, 19999);
        QCOMPARE(labels(list), (QStringList{"200 Hz", "500 Hz", "1 kHz", "2 kHz", "5 kHz", "10 kHz"}));

        // Without 1000 Hz the first item is current.
        list = buildSamplingRateList(true, 2000, 50000);
        QCOMPARE(labels(list).first(), QStringLiteral("2 kHz"));
        QCOMPARE(list.current, 0);
        list = buildSamplingRateList(true, 1, 500);
        QCOMPARE(labels(list).last(), QStringLiteral("500 Hz"));
        QCOMPARE(list.current, 0);

        // Nothing in range: an empty list without a current item.
        list = buildSamplingRateList(true, 60000, 90000);
        QVERIFY(list.items.isEmpty());
        QCOMPARE(list.current, -1);
    }

    void settingsFileName()
    {
        QCOMPARE(settingsFileNameFor(QStringLiteral("DEMO")), QStringLiteral("ov7931_DEMO.ini"));
        QCOMPARE(settingsFileNameFor(QStringLiteral("00004711")), QStringLiteral("ov7931_00004711.ini"));
    }

    void choicesRoundTrip()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("ov7931_00000001.ini"));

        // Missing file: the defaults.
        PanelChoices read = readPanelChoices(file);
        QCOMPARE(read.numberOfScans, QStringLiteral("1000"));
        QCOMPARE(read.samplingFrequency, QStringLiteral("1 kHz"));

        PanelChoices written;
        written.numberOfScans = QStringLiteral("5000");
        written.samplingFrequency = QStringLiteral("20 kHz");
        writePanelChoices(file, written);
        read = readPanelChoices(file);
        QCOMPARE(read.numberOfScans, written.numberOfScans);
        QCOMPARE(read.samplingFrequency, written.samplingFrequency);

        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray content = f.readAll();
        QVERIFY2(content.contains("NumberOfScans=5000"), content.constData());
        QVERIFY2(content.contains("SamplingFrequency=20 kHz"), content.constData());
    }

    void otherKeysOfTheFileSurvive()
    {
        // The channel panels keep their groups in the same file.
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("ov7931_DEMO.ini"));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[Channel_1]\nEnabled=true\nSensorType=3\n");
        }
        writePanelChoices(file, PanelChoices());
        QSettings s(file, QSettings::IniFormat);
        QCOMPARE(s.value(QStringLiteral("Channel_1/SensorType")).toInt(), 3);
        QCOMPARE(s.value(QStringLiteral("NumberOfScans")).toString(), QStringLiteral("1000"));
    }

    void badStoredValuesFallBack()
    {
        const QStringList lengths{"10", "20", "50", "100", "200", "500", "1000", "2000", "5000", "10000"};
        QCOMPARE(choiceIndex(lengths, QStringLiteral("5000"), 6), 8);
        QCOMPARE(choiceIndex(lengths, QStringLiteral("123"), 6), 6);
        QCOMPARE(choiceIndex(lengths, QStringLiteral(""), 6), 6);
        QCOMPARE(choiceIndex(lengths, QStringLiteral("5000 "), 6), 6);
        QCOMPARE(choiceIndex({}, QStringLiteral("1 kHz"), -1), -1);

        // A garbled file reads as text that simply matches no item.
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("bad.ini"));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[General]\nNumberOfScans=@Variant(\\0\\0\\0\\x7f)\nSamplingFrequency=a, b, c\n\x01\x02garbage");
        }
        const PanelChoices read = readPanelChoices(file);
        QCOMPARE(choiceIndex(lengths, read.numberOfScans, 6), 6);
    }
};

QTEST_GUILESS_MAIN(TestPanelChoices)
#include "test_panelChoices.moc"
