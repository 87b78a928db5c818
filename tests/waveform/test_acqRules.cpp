// The acquisition engine's rules: state display and error bits, the end of a
// single-shot block, block time windows and the layout of a block.
#include "ov7931Demo_acqRules.h"

#include <QtTest>

#include <limits>

class TestAcqRules : public QObject
{
    Q_OBJECT

private slots:
    void errorBits_data();
    void errorBits();
    void statesAndUnknownCodes();
    void singleShotCompletion();
    void timeWindows();
    void blockLayout();
    void rangeUnion();
};

void TestAcqRules::errorBits_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("errors");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("stops");

    QTest::newRow("none, ready") << 4 << 0x0000 << "Ready" << false;
    QTest::newRow("out of range") << 6 << 0x0001 << "Input Signal Out Of Range" << false;
    QTest::newRow("bit 0 wins over overflow") << 6 << 0x0041 << "Input Signal Out Of Range" << false;
    QTest::newRow("overflow") << 6 << 0x0040 << "FIFO overflow" << true;
    QTest::newRow("overflow wins over underflow") << 6 << 0x00C0 << "FIFO overflow" << true;
    QTest::newRow("underflow") << 6 << 0x0080 << "FIFO underflow" << true;
    QTest::newRow("other bit") << 6 << 0x0002 << "Hardware error 0002" << true;
    QTest::newRow("upper-case hex") << 6 << 0xAB0C << "Hardware error AB0C" << true;
}

void TestAcqRules::errorBits()
{
    QFETCH(int, state);
    QFETCH(int, errors);
    QFETCH(QString, text);
    QFETCH(bool, stops);
    const AcquisitionStatusView v = acquisitionStatusView(state, static_cast<unsigned>(errors));
    QCOMPARE(v.text, text);
    QCOMPARE(v.stopsRun, stops);
    if (errors == 0)
        QCOMPARE(v.state, state);
    else if (stops)
        QCOMPARE(v.state, errorStateCode);
    else
        QCOMPARE(v.state, 8);
    if (errors != 0)
        QCOMPARE(v.colour, QColor(Qt::red));
    else
        QCOMPARE(v.colour, QColor(Qt::darkYellow));
}

void TestAcqRules::statesAndUnknownCodes()
{
    QCOMPARE(acquisitionStatusView(0, 0).colour, QColor(Qt::black));
    QCOMPARE(acquisitionStatusView(7, 0).text, QStringLiteral("End"));
    QCOMPARE(acquisitionStatusView(7, 0).colour, QColor(Qt::blue));
    QCOMPARE(acquisitionStatusView(8, 0).text, QStringLiteral("Input Signal Out Of Range"));
    QVERIFY(!acquisitionStatusView(8, 0).stopsRun);
    // A code the digitizer does not define is shown, in red, without indexing past the table.
    const AcquisitionStatusView odd = acquisitionStatusView(12, 0);
    QCOMPARE(odd.text, QStringLiteral("Unknown state 12"));
    QCOMPARE(odd.colour, QColor(Qt::red));
    QVERIFY(!odd.stopsRun);
    QCOMPARE(acquisitionStatusView(-3, 0).text, QStringLiteral("Unknown state -3"));
}

void TestAcqRules::singleShotCompletion()
{
    QVERIFY(singleShotBlockComplete(7, 0, 1000));     // "End" with an empty backlog
    QVERIFY(singleShotBlockComplete(6, 1000, 1000));  // the whole block is in
    QVERIFY(singleShotBlockComplete(4, 5000, 1000));  // in any state
    QVERIFY(!singleShotBlockComplete(6, 999, 1000));
    QVERIFY(!singleShotBlockComplete(4, 0, 10));
}

void TestAcqRules::timeWindows()
{
    TimeWindow w = liveTimeWindow(1000, 0, 1000.0);
    QCOMPARE(w.t0, 0.0);
    QCOMPARE(w.t1, 1.0);
    w = liveTimeWindow(500, 3, 2000.0);
    QCOMPARE(w.t0, 0.75);
    QCOMPARE(w.t1, 1.0);
    // Past 2^31 scans the start time keeps growing (about 12 hours at 50 kHz).
    w = liveTimeWindow(10000, 300000, 50000.0);
    QCOMPARE(w.t0, 60000.0);
    QCOMPARE(w.t1, 60000.2);
    w = liveTimeWindow(10000, std::numeric_limits<int32_t>::max(), 50000.0);
    QVERIFY(w.t0 > 4.29e8 && w.t1 > w.t0);

    w = recordingTimeWindow(3, 100, 1000.0, 5.0);
    QCOMPARE(w.t0, 5.2);
    QCOMPARE(w.t1, 5.3);

    double axis[4] = {-1, -1, -1, -1};
    fillTimeAxis(axis, 3, 4.0, 10.0);
    QCOMPARE(axis[0], 10.0);
    QCOMPARE(axis[1], 10.25);
    QCOMPARE(axis[2], 10.5);
    QCOMPARE(axis[3], -1.0);
}

void TestAcqRules::blockLayout()
{
    bool enabled[16] = {};
    enabled[0] = enabled[1] = enabled[4] = true; // channels 1, 2, 5
    uint32_t mask = channelMaskOf(enabled);
    QCOMPARE(mask, 0x13u);
    QCOMPARE(blockSegmentOf(mask, 1), 1);
    QCOMPARE(blockSegmentOf(mask, 4), 2);
    // Channel 1 disabled: channel 2 takes block 0, channel 5 block 1.
    enabled[0] = false;
    mask = channelMaskOf(enabled);
    QCOMPARE(blockSegmentOf(mask, 0), -1);
    QCOMPARE(blockSegmentOf(mask, 1), 0);
    QCOMPARE(blockSegmentOf(mask, 4), 1);
    QCOMPARE(enabledChannelList(mask), QVector<int>({1, 4}));
    QCOMPARE(blockSegmentOf(0xFFFFu, 15), 15);
    QCOMPARE(blockSegmentOf(0xFFFFu, 16), -1);
    QCOMPARE(enabledChannelList(0), QVector<int>());
}

void TestAcqRules::rangeUnion()
{
    ValueRange r;
    QVERIFY(!r.valid());
    r.add(-200, 350);
    r.add(-200, 1000);
    r.add(-50, 25);
    QVERIFY(r.valid());
    QCOMPARE(r.lo, -200.0);
    QCOMPARE(r.hi, 1000.0);
    QCOMPARE(r.count, 3);
}

QTEST_APPLESS_MAIN(TestAcqRules)
#include "test_acqRules.moc"
