// Mean-value statistics: each channel's segment of the shown block, each
// resistance channel with its own kilo prefix, and the box showing the text.
#include "ov7931Demo_statistics.h"
#include "modalanswer.h"

#include <QWidget>
#include <QtTest>

#include <vector>

namespace {

const QString ohm = QString(QChar(0x03A9));

QString text(const QString &heading, const QStringList &lines)
{
    QString t = "<html>Measured " + heading + " Mean Value:<br><br>";
    for (const QString &l : lines)
        t += "Channel " + l + "</b><br>";
    return t + "</html>";
}

} // namespace

class TestStatistics : public QObject
{
    Q_OBJECT

private slots:
    void mixedKindsEachFromItsSegment();
    void kiloPrefixPerChannelInBox();
};

// Channels 1 V, 2 Ohm, 4 degC, 5 Ohm, 16 V enabled; segment k holds 10 (k + 1)
// +- 1, so a channel reading another channel's segment shows.
void TestStatistics::mixedKindsEachFromItsSegment()
{
    const int scans = 3;
    std::vector<double> data;
    for (int k = 0; k < 5; ++k)
        for (int s = 0; s < scans; ++s)
            data.push_back(10.0 * (k + 1) + 0.125 + (s - 1));
    StatSnapshot snap;
    snap.data = data.data();
    snap.scanCount = scans;
    snap.channelMask = 0x1 | 0x2 | 0x8 | 0x10 | 0x8000;
    const int kinds[16] = {0, 1, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 0}; // disabled ones do not count
    std::copy(kinds, kinds + 16, snap.plotKind);
    QCOMPARE(statisticsText(0, snap), text("Voltage", {"1: &nbsp; <b>10.125000 V", "16: &nbsp; <b>50.125000 V"}));
    QCOMPARE(statisticsText(1, snap),
             text("Resistance", {"2: &nbsp; <b>20.1250 " + ohm, "5: &nbsp; <b>40.1250 " + ohm}));
    QCOMPARE(statisticsText(2, snap),
             text("Temperature", {"4: &nbsp; <b>30.125 " + QString(QChar(0x00B0)) + "C"}));
    snap.scanCount = 0; // no block yet
    QCOMPARE(statisticsText(1, snap), text("Resistance", {}));
}

// Means 1500, 200 and exactly 1000 (stays in ohm) on channels 3, 7 and 9.
void TestStatistics::kiloPrefixPerChannelInBox()
{
    std::vector<double> data = {1490, 1510, 190, 210, 999, 1001};
    StatSnapshot snap;
    snap.data = data.data();
    snap.scanCount = 2;
    snap.channelMask = 0x4 | 0x40 | 0x100;
    snap.plotKind[2] = snap.plotKind[6] = snap.plotKind[8] = 1;
    QWidget parent;
    ModalAnswerer answer({QStringLiteral("OK")});
    showStatistics(&parent, 1, snap);
    QCOMPARE(answer.seen().size(), 1);
    QCOMPARE(answer.seen().first().title, QStringLiteral("Mean Value Statistic Results"));
    QCOMPARE(answer.seen().first().icon, QMessageBox::Information);
    QCOMPARE(answer.seen().first().text,
             text("Resistance", {"3: &nbsp; <b>1.5000 k" + ohm, "7: &nbsp; <b>200.0000 " + ohm,
                                 "9: &nbsp; <b>1000.0000 " + ohm}));
}

QTEST_MAIN(TestStatistics)
#include "test_statistics.moc"
