// The recording writer's bytes: the CSV number formatter against C's
// "%4.20lf, " on special and random doubles, also under a locale with a
// decimal comma; the block-to-lines layout; the binary and CSV headers.
#include "csvFormat.h"
#include "recordingHeader.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

std::string viaPrintf(double v)
{
    char buf[400];
    int n = std::snprintf(buf, sizeof buf, "%4.20lf, ", v);
    return std::string(buf, size_t(n));
}

std::string viaFormatter(double v)
{
    char buf[kCsvMaxValueChars];
    char *end = formatCsvValue(buf, v);
    return std::string(buf, end);
}

double fromBits(uint64_t bits)
{
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// A locale whose decimal separator is a comma, built into a scratch folder
// (the machine may have none installed). Empty when it cannot be made.
QByteArray commaLocale(QTemporaryDir &dir)
{
    const QByteArray path = dir.path().toLocal8Bit();
    const QByteArray cmd = "localedef -i de_DE -f UTF-8 '" + path + "/de_DE.UTF-8' >/dev/null 2>&1";
    if (std::system(cmd.constData()) != 0)
        return QByteArray();
    qputenv("LOCPATH", path);
    return "de_DE.UTF-8";
}

RecordingSetup threeChannelSetup()
{
    RecordingSetup s;
    s.device = "7931-BB";
    s.samplingRate = 50000.0;
    s.scansPerBlock = 10000;
    s.channelMask = 0x8005; // channels 1, 3 and 16
    s.channels[0] = {0, 1, 5, 2, 2};  // PT-100, 2-wire, range 5, current 2, temperature
    s.channels[2] = {3, 4, 1, 1, 1};  // resistance, mode 4, resistance plot
    s.channels[15] = {7, 9, 8, 0, 0}; // unknown sensor and mode codes, voltage plot
    s.channels[1] = {1, 2, 3, 3, 2};  // not recorded
    return s;
}

} // namespace

class TestRecordingWriter : public QObject
{
    Q_OBJECT

private slots:
    void formatterMatchesPrintf_data()
    {
        QTest::addColumn<double>("value");
        const double inf = std::numeric_limits<double>::infinity();
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("zero") << 0.0;
        QTest::newRow("negative zero") << -0.0;
        QTest::newRow("one") << 1.0;
        QTest::newRow("minus one third") << -1.0 / 3.0;
        QTest::newRow("smallest subnormal") << std::numeric_limits<double>::denorm_min();
        QTest::newRow("negative subnormal") << -std::numeric_limits<double>::denorm_min();
        QTest::newRow("smallest normal") << DBL_MIN;
        QTest::newRow("largest") << DBL_MAX;
        QTest::newRow("most negative") << -DBL_MAX;
        QTest::newRow("infinity") << inf;
        QTest::newRow("minus infinity") << -inf;
        QTest::newRow("nan") << nan;
        QTest::newRow("negative nan") << -nan;
        QTest::newRow("half in the last decimal") << 0.5e-20;
        QTest::newRow("tie at the 21st decimal") << std::ldexp(1.0, -60) * 3.0;
        QTest::newRow("2^-20 exact") << std::ldexp(1.0, -20);
        QTest::newRow("2^-70 below the last decimal") << std::ldexp(1.0, -70);
        QTest::newRow("0.1") << 0.1;
        QTest::newRow("2^53 + 2") << 9007199254740994.0;
        QTest::newRow("1e22") << 1e22;
        QTest::newRow("sequence sample") << 16.0 * 1099511627776.0 + 123456.0;
        QTest::newRow("PT-100 temperature") << 23.456789012345678;
    }
    void formatterMatchesPrintf()
    {
        QFETCH(double, value);
        QCOMPARE(viaFormatter(value), viaPrintf(value));
    }

    // Random bit patterns cover every exponent; random everyday values the
    // digits a recording mostly holds.
    void formatterMatchesPrintfOnRandomDoubles()
    {
        std::mt19937_64 rng(7931);
        std::uniform_real_distribution<double> everyday(-2000.0, 2000.0);
        for (int i = 0; i < 100000; ++i) {
            const double v = (i & 1) ? fromBits(rng()) : everyday(rng);
            const std::string a = viaFormatter(v), b = viaPrintf(v);
            if (a != b)
                QFAIL(qPrintable(QStringLiteral("%1: \"%2\" instead of \"%3\"")
                                     .arg(i)
                                     .arg(QString::fromStdString(a), QString::fromStdString(b))));
        }
    }

    // Under a locale with a decimal comma printf changes; the recording does not.
    void formatterIgnoresTheLocale()
    {
        QTemporaryDir dir;
        const QByteArray name = commaLocale(dir);
        const double samples[] = {-1.25, 1234.5678, 0.0, 1e-7};
        std::string reference[4];
        for (int i = 0; i < 4; ++i)
            reference[i] = viaPrintf(samples[i]);
        const std::string rate = fixedSix(50000.0);
        if (name.isEmpty() || !std::setlocale(LC_ALL, name.constData()))
            QSKIP("no locale with a decimal comma can be made here");
        const std::string german = viaPrintf(-1.25);
        std::string formatted[4];
        for (int i = 0; i < 4; ++i)
            formatted[i] = viaFormatter(samples[i]);
        const std::string rateThere = fixedSix(50000.0);
        std::setlocale(LC_ALL, "C");
        QCOMPARE(german.find(','), size_t(2)); // "-1,25..." proves the locale took effect
        for (int i = 0; i < 4; ++i)
            QCOMPARE(formatted[i], reference[i]);
        QCOMPARE(rateThere, rate);
        QCOMPARE(rate, std::string("50000.000000"));
    }

    // A block grouped by channel becomes one line per scan, each value
    // followed by ", ", each line ended by CR LF.
    void blockBecomesLinesPerScan()
    {
        const double block[] = {1.0, 2.0, 3.0, -4.0, -5.0, -6.0};
        std::string out = "x";
        appendCsvBlock(out, block, 2, 3);
        const std::string expected = "x" + viaPrintf(1.0) + viaPrintf(-4.0) + "\r\n" + viaPrintf(2.0) +
                                     viaPrintf(-5.0) + "\r\n" + viaPrintf(3.0) + viaPrintf(-6.0) + "\r\n";
        QCOMPARE(out, expected);
        QCOMPARE(csvBlockEstimate(2, 3), 2.0 * 3 * 27 + 2 * 3);
    }

    // Long lines (huge values) grow the text beyond the everyday estimate.
    void blockOfHugeValues()
    {
        const int channels = 16, scans = 5;
        std::vector<double> block(size_t(channels * scans), -DBL_MAX);
        block[3] = std::numeric_limits<double>::quiet_NaN();
        std::string out;
        appendCsvBlock(out, block.data(), channels, scans);
        std::string expected;
        for (int s = 0; s < scans; ++s) {
            for (int k = 0; k < channels; ++k)
                expected += viaPrintf(block[size_t(k * scans + s)]);
            expected += "\r\n";
        }
        QCOMPARE(out, expected);
    }

    void binaryHeaderBytes()
    {
        const std::string expected = "DEVICE=Keltri 7931-BB\n"
                                     "FORMAT=ViReal64\n"
                                     "SAMPLING_RATE_HZ=50000.000000\n"
                                     "NUMBER_OF_CHANNELS=3\n"
                                     "NUMBER_OF_SCANS_PER_BLOCK=10000\n"
                                     "NUMBER_OF_FUNCTION_CARDS=1\n"
                                     "CHANNEL_MASK_FC1=0x8005\n"
                                     "TIME_OFFSET=0.000000\n"
                                     "SENSOR_TYPE1_1=0\nCHANNEL_MODE1_1=0\nINPUT_RANGE1_1=5\nEXCITATION_CURRENT1_1=2\n"
                                     "SENSOR_TYPE1_3=3\nCHANNEL_MODE1_3=3\nINPUT_RANGE1_3=1\nEXCITATION_CURRENT1_3=1\n"
                                     "SENSOR_TYPE1_16=4\nCHANNEL_MODE1_16=3\nINPUT_RANGE1_16=8\n"
                                     "EXCITATION_CURRENT1_16=0\n"
                                     "#\n";
        QCOMPARE(binaryHeaderText(threeChannelSetup()), expected);
        // One channel at a low rate.
        RecordingSetup s;
        s.device = "7931-AE";
        s.samplingRate = 1.5;
        s.scansPerBlock = 10;
        s.channelMask = 0x0010;
        s.channels[4] = {2, 5, 0, 3, 2};
        const std::string text = binaryHeaderText(s);
        QVERIFY(text.find("SAMPLING_RATE_HZ=1.500000\n") != std::string::npos);
        QVERIFY(text.find("CHANNEL_MASK_FC1=0x0010\n") != std::string::npos);
        QVERIFY(text.find("SENSOR_TYPE1_5=2\nCHANNEL_MODE1_5=4\nINPUT_RANGE1_5=0\nEXCITATION_CURRENT1_5=3\n#\n") !=
                std::string::npos);
    }

    // The unit of a temperature channel is the degree sign in UTF-8; a
    // channel of another kind has no unit.
    void csvHeaderBytes()
    {
        const std::string expected = "Sampling rate: 50000.000000 Hz\r\n"
                                     "FC1_CH1, FC1_CH3, FC1_CH16, \r\n"
                                     "\xC2\xB0"
                                     "C, Ohm, V, \r\n";
        QCOMPARE(csvHeaderText(threeChannelSetup()), expected);
        RecordingSetup s = threeChannelSetup();
        s.channels[2].plotKind = 5;
        QVERIFY(csvHeaderText(s).find("\r\n\xC2\xB0" "C, V, \r\n") != std::string::npos);
    }

    void headerWriteReportsAFullDisk()
    {
        std::FILE *full = std::fopen("/dev/full", "wb");
        if (!full)
            QSKIP("/dev/full is not available");
        QVERIFY(!writeRecordingHeader(full, threeChannelSetup(), 0));
        std::fclose(full);

        QTemporaryDir dir;
        const std::string path = dir.filePath("h.csv").toStdString();
        std::FILE *f = std::fopen(path.c_str(), "wb");
        QVERIFY(f);
        QVERIFY(writeRecordingHeader(f, threeChannelSetup(), 1));
        std::fclose(f);
        QFile back(QString::fromStdString(path));
        QVERIFY(back.open(QIODevice::ReadOnly));
        QCOMPARE(back.readAll().toStdString(), csvHeaderText(threeChannelSetup()));
    }
};

QTEST_GUILESS_MAIN(TestRecordingWriter)
#include "test_recordingWriter.moc"
