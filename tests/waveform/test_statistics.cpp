// Mean-value statistics: segments of the block follow the enabled channels
// of the shown block, each resistance channel takes its own kilo prefix, and
// the box shows the text.
#include "ov7931Demo_statistics.h"
#include "modalanswer.h"

#include <QLocale>
#include <QWidget>
#include <QtTest>

#include <vector>

namespace {

const QString ohm = QString(QChar(0x03A9));
const QString deg = QString(QChar(0x00B0)) + "C";

QString line(int ch, const QString &value)
{
    return QStringLiteral("Channel %1: &nbsp; <b>").arg(ch) + value + QStringLiteral("</b><br>");
}

// Block with `scans` samples per enabled channel, segment k filled by fill(k, s).
struct Block {
    std::vector<double> data;
    StatSnapshot snap;

    Block(quint32 mask, std::initializer_list<std::pair<int, int>> kinds, int scans,
          const std::function<double(int, int)> &fill)
    {
        snap.channelMask = mask;
        snap.scanCount = scans;
        for (const auto &k : kinds)
            snap.plotKind[k.first] = k.second;
        int enabled = 0;
        for (int c = 0; c < 16; ++c)
            enabled += (mask >> c) & 1;
        data.resize(size_t(enabled) * size_t(scans));
        for (int k = 0; k < enabled; ++k)
            for (int s = 0; s < scans; ++s)
                data[size_t(k) * scans + s] = fill(k, s);
        snap.data = data.data();
    }
};

} // namespace

class TestStatistics : public QObject
{
    Q_OBJECT

private slots:
    void resistancePrefixPerChannel();
    void otherKindsKeepTheirSegments();
    void headingsAndFormats();
    void nothingToList();
    void meanIsSumInOrderOverScanCount();
    void independentOfLocale();
    void boxShowsText();
};

void TestStatistics::resistancePrefixPerChannel()
{
    // channels 3 and 7 resistance: means 1500 and 200; 1000.0 exactly stays in ohm
    Block b(0x44 | 0x100, {{2, 1}, {6, 1}, {8, 1}}, 4, [](int k, int s) {
        const double means[3] = {1500.0, 200.0, 1000.0};
        return means[k] + (s % 2 ? 10.0 : -10.0);
    });
    QCOMPARE(statisticsText(1, b.snap),
             QStringLiteral("<html>Measured Resistance Mean Value:<br><br>") + line(3, "1.5000 k" + ohm)
                 + line(7, "200.0000 " + ohm) + line(9, "1000.0000 " + ohm) + "</html>");
}

void TestStatistics::otherKindsKeepTheirSegments()
{
    // 1 voltage, 2 resistance, 4 temperature, 5 resistance, 16 voltage
    const quint32 mask = 0x1 | 0x2 | 0x8 | 0x10 | 0x8000;
    Block b(mask, {{0, 0}, {1, 1}, {3, 2}, {4, 1}, {15, 0}}, 3,
            [](int k, int) { return 10.0 * (k + 1) + 0.125; });
    QCOMPARE(statisticsText(0, b.snap), QStringLiteral("<html>Measured Voltage Mean Value:<br><br>")
                                            + line(1, "10.125000 V") + line(16, "50.125000 V") + "</html>");
    QCOMPARE(statisticsText(1, b.snap), QStringLiteral("<html>Measured Resistance Mean Value:<br><br>")
                                            + line(2, "20.1250 " + ohm) + line(5, "40.1250 " + ohm) + "</html>");
    QCOMPARE(statisticsText(2, b.snap), QStringLiteral("<html>Measured Temperature Mean Value:<br><br>")
                                            + line(4, "30.125 " + deg) + "</html>");

    // the kinds of disabled channels do not matter
    b.snap.plotKind[5] = 1;
    b.snap.plotKind[6] = 0;
    QCOMPARE(statisticsText(1, b.snap).count("Channel"), 2);
}

void TestStatistics::headingsAndFormats()
{
    Block b(0x7, {{0, 0}, {1, 1}, {2, 2}}, 1, [](int, int) { return -0.0000004; });
    QCOMPARE(statisticsText(0, b.snap), QStringLiteral("<html>Measured Voltage Mean Value:<br><br>")
                                            + line(1, "-0.000000 V") + "</html>");
    QCOMPARE(statisticsText(1, b.snap), QStringLiteral("<html>Measured Resistance Mean Value:<br><br>")
                                            + line(2, "-0.0000 " + ohm) + "</html>");
    QCOMPARE(statisticsText(2, b.snap), QStringLiteral("<html>Measured Temperature Mean Value:<br><br>")
                                            + line(3, "-0.000 " + deg) + "</html>");
    QVERIFY(statisticsText(3, b.snap).isEmpty());
    QVERIFY(statisticsText(-1, b.snap).isEmpty());
}

void TestStatistics::nothingToList()
{
    Block b(0x3, {{0, 0}, {1, 0}}, 5, [](int, int) { return 1.0; });
    QCOMPARE(statisticsText(2, b.snap), QStringLiteral("<html>Measured Temperature Mean Value:<br><br></html>"));

    // no block yet
    b.snap.scanCount = 0;
    QCOMPARE(statisticsText(0, b.snap), QStringLiteral("<html>Measured Voltage Mean Value:<br><br></html>"));
    StatSnapshot empty;
    QCOMPARE(statisticsText(1, empty), QStringLiteral("<html>Measured Resistance Mean Value:<br><br></html>"));
}

void TestStatistics::meanIsSumInOrderOverScanCount()
{
    // 1e16 + 1 + 1 ... added in order loses the ones; the mean shows it
    Block b(0x1, {{0, 1}}, 4, [](int, int s) { return s == 0 ? 1e16 : 1.0; });
    double sum = 0;
    for (double v : b.data)
        sum += v;
    QCOMPARE(statisticsText(1, b.snap), QStringLiteral("<html>Measured Resistance Mean Value:<br><br>")
                                            + line(1, QString::asprintf("%.4lf k", sum / 4 / 1000) + ohm)
                                            + "</html>");

    // the largest block: 16 channels of 10000 scans
    Block big(0xFFFF, {}, 10000, [](int k, int s) { return k + (s % 2 ? 0.5 : -0.5); });
    for (int c = 0; c < 16; ++c)
        big.snap.plotKind[c] = 2;
    const QString t = statisticsText(2, big.snap);
    QVERIFY(t.contains(line(1, "0.000 " + deg)));
    QVERIFY(t.contains(line(16, "15.000 " + deg)));
}

void TestStatistics::independentOfLocale()
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Block b(0x1, {{0, 1}}, 2, [](int, int) { return 1234.5; });
    QVERIFY(statisticsText(1, b.snap).contains("1.2345 k" + ohm));
    QLocale::setDefault(before);
}

void TestStatistics::boxShowsText()
{
    Block b(0x3, {{0, 1}, {1, 1}}, 2, [](int k, int) { return k ? 200.0 : 1500.0; });
    QWidget parent;
    ModalAnswerer answer({QStringLiteral("OK")});
    showStatistics(&parent, 1, b.snap);
    QCOMPARE(answer.seen().size(), 1);
    const SeenBox box = answer.seen().first();
    QCOMPARE(box.title, QStringLiteral("Mean Value Statistic Results"));
    QCOMPARE(box.icon, QMessageBox::Information);
    QCOMPARE(box.text, statisticsText(1, b.snap));
    QVERIFY(box.text.contains("1.5000 k" + ohm));
    QVERIFY(box.text.contains("200.0000 " + ohm));
}

QTEST_MAIN(TestStatistics)
#include "test_statistics.moc"
