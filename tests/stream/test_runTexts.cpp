// The texts of a run: the file size under the plots (with its unit steps)
// and the data rate of the run dialog, rounded as printf rounds and without
// the locale; the warning after a run with short blocks.
#include "runTexts.h"

#include <QtTest>

class TestRunTexts : public QObject
{
    Q_OBJECT

private slots:
    void fileSize_data()
    {
        QTest::addColumn<double>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing written") << 0.0 << "0 B";
        QTest::newRow("integer part of bytes") << 1023.9 << "1023 B";
        QTest::newRow("1 kB") << 1024.0 << "1.0 kB";
        QTest::newRow("just below 1 MB") << 1048575.0 << "1024.0 kB";
        QTest::newRow("1 MB") << 1048576.0 << "1.0 MB";
        QTest::newRow("a CSV estimate") << 1000.0 * (16 * 27 + 2) << "423.8 kB";
        QTest::newRow("just below 1 GB") << 1073741823.0 << "1024.0 MB";
        QTest::newRow("1 GB") << 1073741824.0 << "1.00 GB";
        QTest::newRow("a long run") << 5.0 * 1073741824.0 + 5.4e6 << "5.01 GB";
    }
    void fileSize()
    {
        QFETCH(double, bytes);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(fileSizeText(bytes)), text);
        QCOMPARE(QString::fromStdString(fileSizeLabelText(bytes)), "        (file size: " + text + ")");
    }

    void dataRate_data()
    {
        QTest::addColumn<int>("bytesPerValue");
        QTest::addColumn<int>("samplesPerSecond");
        QTest::addColumn<bool>("csv");
        QTest::addColumn<QString>("text");
        QTest::newRow("CSV at the top rate") << 27 << 800000 << true << "Data Rate: 20.6 MB/s (TEXT)";
        QTest::newRow("binary at the top rate") << 8 << 800000 << false << "Data Rate: 6.1 MB/s";
        QTest::newRow("one channel at 100 Hz") << 8 << 100 << false << "Data Rate: 800 B/s";
        QTest::newRow("1023 B/s") << 1 << 1023 << false << "Data Rate: 1023 B/s";
        QTest::newRow("kB/s") << 8 << 2000 << false << "Data Rate: 15.6 kB/s";
    }
    void dataRate()
    {
        QFETCH(int, bytesPerValue);
        QFETCH(int, samplesPerSecond);
        QFETCH(bool, csv);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(dataRateLabelText(bytesPerValue, samplesPerSecond, csv)), text);
    }

    void shortBlocks_data()
    {
        QTest::addColumn<qint64>("shortBlocks");
        QTest::addColumn<qint64>("blocksRead");
        QTest::addColumn<QString>("text");
        const QString why = " short: the digitizer delivered fewer scans than asked for. ";
        QTest::newRow("none short") << qint64(0) << qint64(316) << QString();
        const QString its = "Its missing scans are NaN.", their = "Their missing scans are NaN.";
        QTest::newRow("a single shot") << qint64(1) << qint64(1) << "The block was" + why + its;
        QTest::newRow("one of many") << qint64(1) << qint64(316) << "1 of 316 blocks was" + why + its;
        QTest::newRow("many") << qint64(133) << qint64(316) << "133 of 316 blocks were" + why + their;
        QTest::newRow("beyond 32 bits") << qint64(5000000000) << qint64(6000000000)
                                        << "5000000000 of 6000000000 blocks were" + why + their;
    }
    void shortBlocks()
    {
        QFETCH(qint64, shortBlocks);
        QFETCH(qint64, blocksRead);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(shortBlocksText(shortBlocks, blocksRead)), text);
    }
};

QTEST_GUILESS_MAIN(TestRunTexts)
#include "test_runTexts.moc"
