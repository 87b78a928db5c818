// The channel record's rules without widgets: sub-type families, the offered
// selector items, the range labels and their units, the gains sent to the two
// cards, the secondary-current labels, the working plot tables and the
// excitation-state rule.
#include "ov7931Demo_channelModel.h"

#include <QComboBox>
#include <QSet>
#include <QtConcurrent/QtConcurrentRun>
#include <QtTest>

#include <atomic>
#include <stdexcept>

namespace {
const QStringList kKnown = {"7931-AA", "7931-AE", "7931-BA", "7931-BB", "7931-BE", "7931-DE"};
const QString kOhm = QString(QChar(0x03A9));
const QString kPlusMinus = QString(QChar(0x00B1));

QList<int> offeredSlots(int sensor, const QString &subType)
{
    QList<int> found;
    for (const SelectorItem &item : rangeItems(sensor, subType))
        found << item.data;
    return found;
}

QStringList texts(const SelectorItems &items)
{
    QStringList t;
    for (const SelectorItem &item : items)
        t << item.text;
    return t;
}
} // namespace

class TestChannelModel : public QObject
{
    Q_OBJECT

private slots:
    // Runs first: nothing has loaded the working tables yet.
    void workingTablesStartEmpty()
    {
        const PlotRangeTables t = workingPlotRangeTables();
        for (const PlotRange &r : t.resistanceSecondary)
            QCOMPARE(r, (PlotRange{0.0, 0.0}));
        QCOMPARE(workingPlotRange(1, SensorResistance, 2, 3), (PlotRange{0.0, 0.0}));
    }

    void familiesAreDecidedByTheExactText()
    {
        for (const QString &s : QStringList{"7931-AA", "7931-AE"}) {
            QVERIFY(isAFamily(s));
            QVERIFY(!isBFamily(s));
        }
        for (const QString &s : QStringList{"7931-BA", "7931-BB", "7931-BE", "7931-DE"}) {
            QVERIFY(isBFamily(s));
            QVERIFY(!isAFamily(s));
        }
        for (const QString &s : QStringList{"", "7931-aa", "7931-CC", "7931-BB ", "8263-AA"}) {
            QVERIFY2(!isBFamily(s) && !isAFamily(s), qPrintable(s));
        }
    }

    void temperatureUnitIsDegreeSignAndC()
    {
        QCOMPARE(temperatureUnitText(), QString::fromUtf8("\xC2\xB0" "C"));
        QCOMPARE(temperatureUnitText().size(), 2);
    }

    void rangeLabelsCarryTheirUnitAndNineSlots()
    {
        for (const QString &s : kKnown + QStringList{"7931-XY"}) {
            for (int sensor = 0; sensor <= 4; ++sensor) {
                const QStringList labels = rangeLabels(sensor, s);
                QCOMPARE(labels.size(), 9);
                int offered = 0;
                for (const QString &l : labels) {
                    if (l == "Ignore")
                        continue;
                    ++offered;
                    QVERIFY2(l.count(QChar(0xFFFD)) == 0, qPrintable(l));
                    if (sensor <= 2) {
                        QVERIFY2(l.startsWith("< ") && l.endsWith(temperatureUnitText()), qPrintable(l));
                        QVERIFY(!l.contains(kOhm));
                    } else if (sensor == 3) {
                        QVERIFY2(l.startsWith("< ") && l.endsWith(kOhm), qPrintable(l));
                    } else {
                        QVERIFY2(l.startsWith(kPlusMinus) && l.endsWith("V"), qPrintable(l));
                    }
                }
                QVERIFY(offered >= 1);
                // A fresh list each time: changing it does not change the table.
                QStringList copy = rangeLabels(sensor, s);
                copy[0] = "changed";
                QCOMPARE(rangeLabels(sensor, s), labels);
            }
        }
        // Kilo-ohms: capital K on the A sub-types, small k elsewhere.
        QVERIFY(rangeLabels(SensorResistance, "7931-AA").join(' ').contains("K"));
        QVERIFY(!rangeLabels(SensorResistance, "7931-BB").join(' ').contains("K"));
        QVERIFY(rangeLabels(SensorResistance, "7931-BB").join(' ').contains("k"));
    }

    void aSubTypesOfferOnlyFourResistanceAndVoltageSlots()
    {
        for (const QString &s : QStringList{"7931-AA", "7931-AE"}) {
            QCOMPARE(offeredSlots(SensorResistance, s), (QList<int>{0, 2, 5, 8}));
            QCOMPARE(offeredSlots(SensorVoltage, s), (QList<int>{0, 2, 5, 8}));
        }
        QCOMPARE(offeredSlots(SensorVoltage, "7931-BB").size(), 9);
        QCOMPARE(offeredSlots(SensorResistance, "7931-BE"), (QList<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    }

    void pt100OnBEOffersOneRange()
    {
        const SelectorItems items = rangeItems(SensorPT100, "7931-BE");
        QCOMPARE(items.size(), 1);
        QCOMPARE(items[0].text, QString("< 850") + temperatureUnitText());
        QCOMPARE(items[0].data, 7);
    }

    void unknownSubTypeIsHandledLikeBAWithOnlyFourWire()
    {
        for (const QString &s : QStringList{"7931-XY", "", "7931-ba"}) {
            for (int sensor = 0; sensor <= 4; ++sensor)
                QCOMPARE(rangeLabels(sensor, s), rangeLabels(sensor, "7931-BA"));
            QCOMPARE(texts(wireModeItems(s)), QStringList{"4-Wire"});
            QCOMPARE(texts(voltageModeItems(s)), (QStringList{"Differential Voltage", "Single Ended Voltage"}));
            QCOMPARE(texts(rtdExcitationItems(s)), (QStringList{"Off", "500uA"}));
            QCOMPARE(texts(otherExcitationItems(s, 3)), (QStringList{"Off", "500uA"}));
            QCOMPARE(digitizerGainFor(s, true, 5), uint16_t(2));
            QCOMPARE(conditioningGainFor(s, 5), conditioningGainFor("7931-BA", 5));
        }
    }

    void modeAndExcitationItemsPerSubType()
    {
        QCOMPARE(wireModeItems("7931-AE"), (SelectorItems{{"4-Wire", 1}}));
        QCOMPARE(wireModeItems("7931-DE"), (SelectorItems{{"4-Wire", 1}, {"3-Wire", 2}, {"2-Wire", 3}}));
        QCOMPARE(voltageModeItems("7931-AA"), (SelectorItems{{"Differential Voltage", 4}}));
        QCOMPARE(voltageModeItems("7931-AE"),
                 (SelectorItems{{"Differential Voltage", 4}, {"Single Ended Voltage", 5}}));
        QCOMPARE(rtdExcitationItems("7931-AE"), (SelectorItems{{"Off", 0}, {"100uA", 3}}));
        QCOMPARE(rtdExcitationItems("7931-BE"), (SelectorItems{{"Off", 0}, {"100uA", 3}}));
        QCOMPARE(rtdExcitationItems("7931-DE"), (SelectorItems{{"Off", 0}, {"500uA", 1}}));
        QCOMPARE(otherExcitationItems("7931-BB", 15), (SelectorItems{{"Off", 0}, {"500uA", 1}, {"10uA", 2}}));
        QCOMPARE(otherExcitationItems("7931-DE", 11), (SelectorItems{{"Off", 0}, {"500uA", 1}, {"1.25mA", 2}}));
        QCOMPARE(otherExcitationItems("7931-DE", 0), (SelectorItems{{"Off", 0}, {"500uA", 1}, {"10uA", 2}}));
        QCOMPARE(otherExcitationItems("7931-BA", 0), (SelectorItems{{"Off", 0}, {"500uA", 1}}));
        QCOMPARE(otherExcitationItems("7931-AA", 0), (SelectorItems{{"Off", 0}, {"500uA", 1}}));
        QCOMPARE(otherExcitationItems("7931-BE", 0), (SelectorItems{{"Off", 0}, {"100uA", 3}}));
        // Sensor items carry their code; the plot follows the sensor.
        const SelectorItems sensors = sensorItems();
        QCOMPARE(sensors.size(), 5);
        for (int i = 0; i < sensors.size(); ++i)
            QCOMPARE(sensors[i].data, i);
        QCOMPARE(plotKindOfSensor(SensorVoltage), 0);
        QCOMPARE(plotKindOfSensor(SensorResistance), 1);
        QCOMPARE(plotKindOfSensor(SensorPT1000), 2);
    }

    void rangeLabelsRejectUnknownSensorCodes()
    {
        QVERIFY_EXCEPTION_THROWN(rangeLabels(5, "7931-BB"), std::out_of_range);
        QVERIFY_EXCEPTION_THROWN(rangeLabels(-1, "7931-BB"), std::out_of_range);
        QComboBox box;
        box.addItem("kept", 42);
        QVERIFY_EXCEPTION_THROWN(fillRangeSelector(&box, 7, "7931-BB"), std::out_of_range);
        QCOMPARE(box.count(), 1); // untouched
    }

    void gainsByFamily()
    {
        QCOMPARE(digitizerGainFor("7931-AE", true, 5), uint16_t(100));
        QCOMPARE(conditioningGainFor("7931-AE", 5), uint16_t(3));
        QCOMPARE(digitizerGainFor("7931-BB", true, 5), uint16_t(2));
        QCOMPARE(conditioningGainFor("7931-BB", 5), uint16_t(7));
        QCOMPARE(digitizerGainFor("7931-AA", true, 8), uint16_t(1000));
        QCOMPARE(digitizerGainFor("7931-AA", false, 8), uint16_t(2)); // switched off
        QCOMPARE(conditioningGainFor("7931-DE", 0), uint16_t(1));      // the 10 V range
        QCOMPARE(conditioningGainFor("7931-DE", 1), uint16_t(3));      // unity gain
        // Slots outside 0..8 never index past the tables.
        QCOMPARE(digitizerGainFor("7931-AA", true, 99), uint16_t(1000));
        QCOMPARE(conditioningGainFor("7931-BA", -3), uint16_t(1));
    }

    void secondaryCurrentLabels()
    {
        const QStringList bb = {"< 1M", "< 450.0k", "< 225.0k", "< 112.0k", "< 56.0k",
                                "< 28.0k", "< 14.0k", "< 7.0k", "< 3.5k"};
        QStringList expectBB;
        for (const QString &t : bb)
            expectBB << t + kOhm;
        for (int ch = 0; ch < 16; ++ch)
            QCOMPARE(secondaryCurrentRangeLabels("7931-BB", ch), expectBB);
        for (int ch = 0; ch < 4; ++ch)
            QCOMPARE(secondaryCurrentRangeLabels("7931-DE", ch), expectBB);

        QStringList expect16;
        for (const QString &t : QStringList{"< 2.0k", "< 900", "< 450", "< 224", "< 112", "< 56", "< 28", "< 14", "< 7"})
            expect16 << QString(t) + kOhm;
        QCOMPARE(secondaryCurrentRangeLabels("7931-DE", 15), expect16);

        // Channel 12 (1.25 mA): scaled by 10 uA / 1.25 mA.
        QStringList expect12;
        for (const QString &t : QStringList{"< 8.0k", "< 3.6k", "< 1.8k", "< 896", "< 448", "< 224", "< 112", "< 56", "< 28"})
            expect12 << QString(t) + kOhm;
        QCOMPARE(secondaryCurrentRangeLabels("7931-DE", 11), expect12);

        // Every pair of channels has its own labels.
        QSet<QString> distinct;
        for (int ch = 0; ch < 16; ch += 2)
            distinct << secondaryCurrentRangeLabels("7931-DE", ch).join('|');
        QCOMPARE(distinct.size(), 7);
    }

    void labelsDoNotFollowTheLocale()
    {
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QStringList labels = secondaryCurrentRangeLabels("7931-BB", 0);
        QLocale::setDefault(previous);
        QCOMPARE(labels[1], QString("< 450.0k") + kOhm);
    }

    void selectorFills()
    {
        QComboBox box;
        box.addItem("old", 99);
        fillRangeSelector(&box, SensorPT100, "7931-AA");
        QCOMPARE(box.count(), 4);
        QCOMPARE(box.currentIndex(), 0);
        QCOMPARE(box.itemData(0).toInt(), 4);
        QCOMPARE(box.itemText(0), QString("< 850") + temperatureUnitText());
        QCOMPARE(box.itemData(3).toInt(), 7);

        fillSecondaryCurrentRanges(&box, "7931-DE", 15);
        QCOMPARE(box.count(), 9);
        for (int i = 0; i < 9; ++i)
            QCOMPARE(box.itemData(i).toInt(), i);
        QCOMPARE(box.itemText(8), QString("< 7") + kOhm);

        const SelectorItem off = currentOffRangeItem();
        QCOMPARE(off.text, QString("N\\A. on Current Off"));
        QCOMPARE(off.data, 1);
    }

    void workingTablesFollowTheSubTypeAndKeepTheSecondary()
    {
        selectPlotRangeTables("7931-BB");
        const PlotRange secondaryBB = workingPlotRange(1, SensorResistance, 2, 0);
        QCOMPARE(secondaryBB, (PlotRange{0, 1100000}));
        QCOMPARE(workingPlotRange(1, SensorResistance, 1, 0), (PlotRange{0, 22000}));

        selectPlotRangeTables("7931-AE");
        // The A group has no secondary table: the previous one stays.
        QCOMPARE(workingPlotRange(1, SensorResistance, 2, 0), secondaryBB);
        QCOMPARE(workingPlotRange(1, SensorResistance, 0, 0), (PlotRange{0, 110000}));
        QCOMPARE(workingPlotRange(0, SensorVoltage, 0, 1), (PlotRange{-2.2, 2.2}));
        QCOMPARE(workingPlotRange(2, SensorPT100, 1, 6), (PlotRange{-200, 1000}));
        QVERIFY(!workingPlotRange(2, SensorPT100, 1, 0).valid());

        selectPlotRangeTables("7931-BE");
        QCOMPARE(workingPlotRange(1, SensorResistance, 2, 0), secondaryBB);
        QCOMPARE(workingPlotRange(0, SensorVoltage, 0, 1), (PlotRange{-5.5, 5.5}));
        QCOMPARE(workingPlotRange(2, SensorPT1000, 1, 7), (PlotRange{-200, -60}));

        // Every PT slot offered by the range labels has a plot range in its group.
        for (const QString &s : kKnown) {
            const PlotRangeTables &t = plotRangeTable(s);
            for (int sensor = 0; sensor <= 2; ++sensor) {
                for (int slot : offeredSlots(sensor, s))
                    QVERIFY2(t.pt[sensor][slot].valid(), qPrintable(QString("%1 %2 %3").arg(s).arg(sensor).arg(slot)));
            }
        }

        // Out-of-table arguments give no range rather than a wild read.
        QVERIFY(!workingPlotRange(1, SensorResistance, 0, 9).valid());
        QVERIFY(!workingPlotRange(3, SensorResistance, 0, 1).valid());
        QVERIFY(!workingPlotRange(2, SensorVoltage, 0, 1).valid());
    }

    void workingTablesAreReadSafelyWhileLoaded()
    {
        std::atomic<bool> stop{false};
        QFuture<void> writer = QtConcurrent::run([&stop]() {
            int i = 0;
            while (!stop.load())
                selectPlotRangeTables((i++ % 2) ? "7931-AA" : "7931-BE");
        });
        const PlotRangeRow &aa = plotRangeTable("7931-AA").voltage;
        const PlotRangeRow &be = plotRangeTable("7931-BE").voltage;
        for (int n = 0; n < 20000; ++n) {
            const PlotRangeTables t = workingPlotRangeTables();
            QVERIFY(t.voltage == aa || t.voltage == be);
            QVERIFY(t.pt == plotRangeTable("7931-AA").pt || t.pt == plotRangeTable("7931-BE").pt);
        }
        stop = true;
        writer.waitForFinished();
    }

    void excitationStateRule()
    {
        QCOMPARE(excitationState(false, 0), 0);  // off, nothing flows
        QCOMPARE(excitationState(true, 0), -1);  // off, but current flows
        QCOMPARE(excitationState(true, 1), 1);   // selected and flowing
        QCOMPARE(excitationState(false, 2), -1); // selected, not flowing
        QCOMPARE(excitationState(true, 2), 1);
    }

    void testWireNeedsCurrentAndResistiveSensor()
    {
        QVERIFY(!testWireAllowed(0, SensorPT100));
        QVERIFY(testWireAllowed(1, SensorPT100));
        QVERIFY(testWireAllowed(2, SensorResistance));
        QVERIFY(!testWireAllowed(1, SensorVoltage));
        QVERIFY(!testWireAllowed(-1, SensorResistance));
    }
};

QTEST_MAIN(TestChannelModel)
#include "test_channelModel.moc"
