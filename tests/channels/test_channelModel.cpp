// The channel record's rules without widgets: the range labels' boundaries
// and locale, the slot gains outside the tables, the working plot tables
// (kept secondary table, offered slots covered, thread safety). What each
// sub-type offers and which gains reach the cards is checked through the
// panels (test_channelPanel).
#include "ov7931Demo_channelModel.h"

#include <QComboBox>
#include <QtConcurrent/QtConcurrentRun>
#include <QtTest>

#include <atomic>
#include <stdexcept>

class TestChannelModel : public QObject
{
    Q_OBJECT

private slots:
    void labelBoundaries()
    {
        QCOMPARE(temperatureUnitText(), QString::fromUtf8("\xC2\xB0" "C"));
        QVERIFY_EXCEPTION_THROWN(rangeLabels(5, "7931-BB"), std::out_of_range);
        QVERIFY_EXCEPTION_THROWN(rangeLabels(-1, "7931-BB"), std::out_of_range);
        QComboBox box;
        box.addItem("kept", 42);
        QVERIFY_EXCEPTION_THROWN(fillRangeSelector(&box, 7, "7931-BB"), std::out_of_range);
        QCOMPARE(box.count(), 1); // untouched
        // Slots outside 0..8 never index past the gain tables.
        QCOMPARE(digitizerGainFor("7931-AA", true, 99), uint16_t(1000));
        QCOMPARE(conditioningGainFor("7931-BA", -3), uint16_t(1));
        // Labels do not follow the locale.
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QStringList labels = secondaryCurrentRangeLabels("7931-BB", 0);
        QLocale::setDefault(previous);
        QCOMPARE(labels[1], QString("< 450.0k") + QChar(0x03A9));
    }

    void workingTablesKeepTheSecondaryAndCoverTheOfferedSlots()
    {
        selectPlotRangeTables("7931-BB");
        const PlotRange secondaryBB = workingPlotRange(1, SensorResistance, 2, 0);
        QVERIFY(secondaryBB.valid() && secondaryBB.max > 0);
        for (const char *s : {"7931-AE", "7931-BE"}) {
            selectPlotRangeTables(s); // no secondary table: the previous one stays
            QCOMPARE(workingPlotRange(1, SensorResistance, 2, 0), secondaryBB);
            QCOMPARE(workingPlotRange(0, SensorVoltage, 0, 1), plotRangeTable(s).voltage[1]);
        }
        // Every PT slot offered by the range labels has a plot range in its group.
        for (const QString s : {"7931-AA", "7931-AE", "7931-BA", "7931-BB", "7931-BE", "7931-DE"}) {
            for (int sensor = 0; sensor <= 2; ++sensor)
                for (const SelectorItem &item : rangeItems(sensor, s))
                    QVERIFY2(plotRangeTable(s).pt[sensor][item.data].valid(), qPrintable(s + " " + item.text));
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
            for (int i = 0; !stop.load(); ++i)
                selectPlotRangeTables((i % 2) ? "7931-AA" : "7931-BE");
        });
        const PlotRangeTables &aa = plotRangeTable("7931-AA"), &be = plotRangeTable("7931-BE");
        for (int n = 0; n < 20000; ++n) {
            const PlotRangeTables t = workingPlotRangeTables();
            QVERIFY((t.voltage == aa.voltage && t.pt == aa.pt) || (t.voltage == be.voltage && t.pt == be.pt));
        }
        stop = true;
        writer.waitForFinished();
    }
};

QTEST_MAIN(TestChannelModel)
#include "test_channelModel.moc"
