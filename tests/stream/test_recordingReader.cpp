// The recording reader without any window: headers from the writer read
// back field by field, the header over its key rules,
// bounds and hostile values, the block reader by index (partial last block,
// a file that shrank, a sparse recording beyond 4 GiB), a block laid out
// for the display when the channel mask and the channel count disagree, and
// every input of the fuzz target's corpus (seeds and findings) once more.
#include "recordingHeader_check.h"
#include "recordingHeader.h"
#include "recording_files.h"
#include "recordingReader.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <unistd.h>

using namespace rec;

namespace {

const QByteArray base = "DEVICE=Keltri 7931-BB\nFORMAT=ViReal64\nSAMPLING_RATE_HZ=1000.000000\n"
                        "NUMBER_OF_CHANNELS=2\nNUMBER_OF_SCANS_PER_BLOCK=10\nNUMBER_OF_FUNCTION_CARDS=1\n";

// What the console received while `f` ran.
template <typename F>
QByteArray console(F f)
{
    std::FILE *out = std::tmpfile();
    f(out);
    std::rewind(out);
    char text[256] = {0};
    const size_t n = std::fread(text, 1, sizeof text - 1, out);
    std::fclose(out);
    return QByteArray(text, static_cast<int>(n));
}

} // namespace

class TestRecordingReader : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void header_data()
    {
        QTest::addColumn<QByteArray>("text");   // the file's bytes
        QTest::addColumn<int>("result");        // of readRecordingHeader
        QTest::addColumn<QStringList>("fields"); // expected fields (see rec::describe)
        QTest::addColumn<bool>("warning");       // the corruption warning printed
        // The base header with one text replaced, closed by "#".
        const auto with = [](const char *from, const char *to) { return QByteArray(base).replace(from, to) + "#\n"; };

        const QByteArray h = rec::header("7931-BB", true, "1000.000000", 10,
                                    {{1, 0, 1, 2, 1}, {3, 3, 0, 4, 2}, {16, 4, 3, 7, 0}});
        const QByteArray two = samples(true, 30, 2);
        QTest::newRow("as written, 2 blocks")
            << h + two << 0
            << QStringList{"device=7931-BB", "real64=1", "rate=1000", "channels=3", "scans=10", "cards=1",
                           "mask=8005", "offset=0", "blockLength=240", "blockCount=2",
                           "headerLength=" + QString::number(h.size()), "dataLength=480", "ch1=0/1/2/1",
                           "ch2=0/0/0/0", "ch3=3/0/4/2", "ch16=4/3/7/0"}
            << false;
        QTest::newRow("2.5 blocks: 2 counted")
            << h + samples(true, 30, 2.5) << 0 << QStringList{"blockCount=2", "dataLength=600"} << true;
        QTest::newRow("header only: no data") << h << 0 << QStringList{"dataLength=0", "blockCount=0"} << false;
        const QByteArray h4 = rec::header("7931-AE", false, "50000.000000", 100, {{2}});
        QTest::newRow("no FORMAT: 4-byte samples")
            << h4 + samples(false, 100, 3) << 0 << QStringList{"real64=0", "blockLength=400", "blockCount=3"} << false;
        QTest::newRow("unknown sub-type kept")
            << with("7931-BB", "7931-XY") << 0 << QStringList{"device=7931-XY"} << false;
        QTest::newRow("no DEVICE line") << with("DEVICE=Keltri 7931-BB\n", "") << 0 << QStringList{"device="} << false;
        QTest::newRow("no '#': all data")
            << base << 0 << QStringList{"headerLength=0", "dataLength=" + QString::number(base.size())} << true;
        QTest::newRow("CR LF lines") << QByteArray(base).replace("\n", "\r\n") + "#\r\n" << 0
                                     << QStringList{"channels=2", "scans=10", "device=7931-BB"} << false;
        QTest::newRow("blanks around values") << base + "TIME_OFFSET=  -1.5e-3  \n#\n" << 0
                                              << QStringList{"offset=-0.0015"} << false;
        QTest::newRow("unknown key ignored") << base + "COMMENT=abc\n#\n" << 0 << QStringList{"channels=2"} << false;
        QTest::newRow("not key=value ignored")
            << base + "hello world\nlower=1\n=1\nNUMBER_OF_CHANNELS=\nNUMBER_OF_CHANNELS=1,5\n#\n" << 0
            << QStringList{"channels=2"} << false;
        QTest::newRow("value over 64 characters ignored")
            << base + "NUMBER_OF_CHANNELS=" + QByteArray(70, '1') + "\n#\n" << 0 << QStringList{"channels=2"} << false;
        QTest::newRow("DEVICE value over 64 characters ignored")
            << QByteArray(base).replace("7931-BB", "7931" + QByteArray(60, 'B')) + "#\n" << 0
            << QStringList{"device="} << false;
        QTest::newRow("key over 64 characters ignored")
            << base + QByteArray(65, 'K') + "=1\n#\n" << 0 << QStringList{"channels=2"} << false;
        QTest::newRow("NUL ends the line's text") << base + QByteArray("TIME_OFFSET=2\0junk\n#\n", 20) << 0
                                                  << QStringList{"offset=2"} << false;
        QTest::newRow("later line wins") << base + "NUMBER_OF_CHANNELS=4\n#\n" << 0 << QStringList{"channels=4"}
                                         << false;
        QTest::newRow("mask without 0x") << base + "CHANNEL_MASK_FC1=ffff\n#\n" << 0 << QStringList{"mask=ffff"}
                                         << false;
        QTest::newRow("second card: checked, not kept")
            << QByteArray(base).replace("CARDS=1", "CARDS=2") +
                   "CHANNEL_MASK_FC1=0x0001\nCHANNEL_MASK_FC2=0xffff\nSENSOR_TYPE2_5=1\nSENSOR_TYPE1_5=2\n#\n"
            << 0 << QStringList{"cards=2", "mask=1", "ch5=2/0/0/0"} << false;
        QTest::newRow("1025 lines") << base + QByteArray(1025 - 6, '\n') + "#\n" << 0 << QStringList{"channels=2"}
                                    << false;
        QTest::newRow("long line read in pieces")
            << base + "COMMENT=" + QByteArray(300, 'a') + "\n#\n" << 0 << QStringList{"channels=2"} << false;

        // Rejected headers: -1, no fields checked, no warning.
        const auto bad = [](const char *name, const QByteArray &text) {
            QTest::newRow(name) << text << -1 << QStringList() << false;
        };
        bad("empty file", QByteArray());
        bad("1026 lines", base + QByteArray(1026 - 6, '\n') + "#\n");
        bad("9999 device", with("7931-BB", "9999-BB"));
        bad("short device", with("7931-BB", "793"));
        bad("other maker", with("Keltri", "Acme"));
        bad("FORMAT ViReal32", with("ViReal64", "ViReal32"));
        bad("mask before card count", "NUMBER_OF_CHANNELS=1\nNUMBER_OF_SCANS_PER_BLOCK=10\nCHANNEL_MASK_FC1=0x0001\n"
                                      "NUMBER_OF_FUNCTION_CARDS=1\n#\n");
        bad("mask of card 2 of 1", base + "CHANNEL_MASK_FC2=0x0001\n#\n");
        bad("mask of card 0", base + "CHANNEL_MASK_FC0=0x0001\n#\n");
        bad("mask without card", base + "CHANNEL_MASK_FC=0x0001\n#\n");
        bad("mask over 16 bits", base + "CHANNEL_MASK_FC1=0x10000\n#\n");
        bad("mask 0x alone", base + "CHANNEL_MASK_FC1=0x\n#\n");
        bad("mask not hex", base + "CHANNEL_MASK_FC1=0xg\n#\n");
        bad("channel 17", base + "SENSOR_TYPE1_17=0\n#\n");
        bad("channel 0", base + "INPUT_RANGE1_0=0\n#\n");
        bad("card 2 of 1", base + "CHANNEL_MODE2_1=0\n#\n");
        bad("channel key with 3 numbers", base + "SENSOR_TYPE1_2_3=0\n#\n");
        bad("channel key without numbers", base + "EXCITATION_CURRENTX=0\n#\n");
        bad("channel value overflow", base + "SENSOR_TYPE1_2=2147483648\n#\n");
        bad("channels missing", with("NUMBER_OF_CHANNELS=2\n", ""));
        bad("channels 0", with("CHANNELS=2", "CHANNELS=0"));
        bad("channels 17", with("CHANNELS=2", "CHANNELS=17"));
        bad("channels negative", with("CHANNELS=2", "CHANNELS=-2"));
        bad("channels overflow", with("CHANNELS=2", "CHANNELS=99999999999999999999"));
        bad("channels two numbers", with("CHANNELS=2", "CHANNELS=2 3"));
        bad("scans missing", with("NUMBER_OF_SCANS_PER_BLOCK=10\n", ""));
        bad("scans 0", with("BLOCK=10", "BLOCK=0"));
        bad("card count 128", with("CARDS=1", "CARDS=128"));
        bad("rate not a number", with("1000.000000", "fast"));
        bad("rate out of range", with("1000.000000", "1e400"));
        bad("rate nan", with("1000.000000", "nan"));
        bad("offset inf", base + "TIME_OFFSET=inf\n#\n");
    }

    void header()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, result);
        QFETCH(QStringList, fields);
        QFETCH(bool, warning);
        const QString path = dir.filePath(QStringLiteral("h.bin7931"));
        QVERIFY(writeFile(path, text));
        recordingInfo info;
        info.numberOfChannels = 99; // cleared by the reader
        int got = 0;
        const QByteArray out =
            console([&](std::FILE *c) { got = readRecordingHeader(path.toStdString(), info, c); });
        QCOMPARE(got, result);
        QCOMPARE(info.fileName, path.toStdString());
        QCOMPARE(out, warning ? QByteArray(recordingCorruptWarning) : QByteArray());
        const QStringList d = describe(info);
        for (const QString &f : fields)
            QVERIFY2(d.contains(f), qPrintable(f + " not in " + d.join(' ')));
    }

    // A refused header names its line (counted as the file's lines, a long
    // line once), key and value, and why; an accepted one tells where the
    // block's fields were read.
    void refusalReport_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("refusal");
        const auto with = [](const char *from, const char *to) { return QByteArray(base).replace(from, to) + "#\n"; };
        QTest::newRow("accepted") << base + "#\n" << "";
        QTest::newRow("device") << with("7931-BB", "9999-BB") << "line 1, DEVICE=Keltri 9999-BB: not \"Keltri 7931-...\"";
        QTest::newRow("format") << with("ViReal64", "ViReal32") << "line 2, FORMAT=ViReal32: not ViReal64, the only sample format";
        QTest::newRow("rate") << with("1000.000000", "nan") << "line 3, SAMPLING_RATE_HZ=nan: not a finite number";
        QTest::newRow("channels 17") << with("CHANNELS=2", "CHANNELS=17") << "line 4, NUMBER_OF_CHANNELS=17: not from 1 to 16";
        QTest::newRow("scans 0") << with("BLOCK=10", "BLOCK=0") << "line 5, NUMBER_OF_SCANS_PER_BLOCK=0: less than 1";
        QTest::newRow("scans overflow") << with("BLOCK=10", "BLOCK=2147483648")
                                        << "line 5, NUMBER_OF_SCANS_PER_BLOCK=2147483648: not a whole number that fits the field";
        QTest::newRow("channels missing") << with("NUMBER_OF_CHANNELS=2\n", "") << "NUMBER_OF_CHANNELS: missing";
        QTest::newRow("mask before cards")
            << QByteArray("NUMBER_OF_CHANNELS=1\nNUMBER_OF_SCANS_PER_BLOCK=10\nCHANNEL_MASK_FC1=0x0001\n#\n")
            << "line 3, CHANNEL_MASK_FC1=0x0001: a card number beyond NUMBER_OF_FUNCTION_CARDS (or before that line)";
        QTest::newRow("channel 17 after a long line")
            << base + "COMMENT=" + QByteArray(300, 'a') + "\nSENSOR_TYPE1_17=0\n#\n"
            << "line 8, SENSOR_TYPE1_17=0: a channel number outside 1..16";
        QTest::newRow("1026 lines") << base + QByteArray(1026 - 6, '\n') + "#\n"
                                    << "line 1026: more than 1025 lines before the \"#\" line that ends the header";
    }
    void refusalReport()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, refusal);
        std::FILE *f = fmemopen(text.data(), size_t(text.size()), "rb");
        QVERIFY(f);
        recordingInfo info;
        RecordingHeaderReport report;
        const int result = readRecordingHeaderFrom(f, "r.bin7931", info, nullptr, &report);
        std::fclose(f);
        QCOMPARE(result, refusal.isEmpty() ? 0 : -1);
        QCOMPARE(QString::fromStdString(report.reason.empty() ? std::string() : headerRefusalText(report)), refusal);
        if (result == 0) {
            QCOMPARE(report.samplingRate.line, 3);
            QCOMPARE(QString::fromStdString(report.samplingRate.value), QString("1000.000000"));
            QCOMPARE(report.channels.line, 4);
            QCOMPARE(report.scans.line, 5);
        }
    }

    // The writer's header read back: what the panel wrote is what the viewer gets.
    void writerHeaderReadBack_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<double>("rate");
        QTest::addColumn<int>("scans");
        QTest::addColumn<uint>("mask");
        QTest::addColumn<double>("offset");
        QTest::newRow("three channels") << "7931-BB" << 1000.0 << 1000 << 0x8005u << 0.0;
        QTest::newRow("all sixteen") << "7931-DE" << 50000.0 << 10000 << 0xFFFFu << 0.0;
        QTest::newRow("one channel, offset") << "7931-AE" << 1.0 << 10 << 0x0200u << 12.25;
    }

    void writerHeaderReadBack()
    {
        QFETCH(QString, device);
        QFETCH(double, rate);
        QFETCH(int, scans);
        QFETCH(uint, mask);
        QFETCH(double, offset);
        RecordingSetup setup;
        setup.device = device.toStdString();
        setup.samplingRate = rate;
        setup.scansPerBlock = scans;
        setup.channelMask = uint16_t(mask);
        setup.timeOffset = offset;
        std::vector<Channel> written;
        for (int c = 0; c < 16; ++c) {
            // Codes of every kind, also those the writer maps: sensor 7 is
            // written as 4, mode 9 as 3, mode 1..5 as 0..4.
            setup.channels[c] = {(c * 3) % 8, c % 7, c % 9, c % 4, 0};
            if (mask & (1u << c)) {
                const RecordedChannel &r = setup.channels[c];
                const int sensor = r.sensorType <= 3 ? r.sensorType : 4;
                const int mode = r.mode >= 1 && r.mode <= 5 ? r.mode - 1 : 3;
                written.push_back({c + 1, sensor, mode, c % 9, c % 4});
            }
        }
        const std::string text = binaryHeaderText(setup);
        // The tests' own header texts are the writer's, byte for byte.
        QCOMPARE(QByteArray::fromStdString(text),
                 rec::header(device.toLatin1(), true, QByteArray::number(rate, 'f', 6), scans, written,
                             QByteArray::number(offset, 'f', 6)));

        const QString path = dir.filePath(QStringLiteral("w.bin7931"));
        const int perBlock = static_cast<int>(written.size()) * scans;
        QVERIFY(writeFile(path, QByteArray::fromStdString(text) + samples(true, perBlock, 2)));
        recordingInfo info;
        QCOMPARE(readRecordingHeader(path.toStdString(), info, nullptr), 0);
        QCOMPARE(QString::fromStdString(info.device), device);
        QCOMPARE(info.samplingRateHz, rate);
        QCOMPARE(info.timeOffset, offset);
        QCOMPARE(info.numberOfScansPerBlock, scans);
        QCOMPARE(info.numberOfChannels, recordedChannelCount(setup));
        QCOMPARE(uint(info.channelMasks[0]), mask);
        QCOMPARE(info.isReal64, 1);
        QCOMPARE(info.headerLength, quint64(text.size()));
        QCOMPARE(info.blockLength, quint64(perBlock) * 8);
        QCOMPARE(info.blockCount, quint64(2));
        for (int c = 0; c < 16; ++c) {
            const Channel want = channelOf(written, c + 1);
            QCOMPARE(info.sensorTypes[c], want.sensor);
            QCOMPARE(info.channelModes[c], want.mode);
            QCOMPARE(info.inputRanges[c], want.range);
            QCOMPARE(info.excitationCurrents[c], want.current);
        }
    }

    void unreadableFile()
    {
        recordingInfo info;
        QCOMPARE(readRecordingHeader(dir.filePath("missing.bin7931").toStdString(), info, nullptr), -1);
        QCOMPARE(readRecordingHeader(dir.path().toStdString(), info, nullptr), -1); // a folder
    }

    // Block i holds samples i*perBlock ... of the data; the partial last block is never read.
    void blocks_data()
    {
        QTest::addColumn<bool>("real64");
        QTest::addColumn<double>("blocks");
        QTest::newRow("doubles, 2.5 blocks") << true << 2.5;
        QTest::newRow("floats, 3 blocks") << false << 3.0;
    }

    void blocks()
    {
        QFETCH(bool, real64);
        QFETCH(double, blocks);
        const QString path = dir.filePath(QStringLiteral("b.bin7931"));
        QVERIFY(writeFile(path, rec::header("7931-BB", real64, "100.000000", 20, {{2}, {5}}) +
                                    samples(real64, 40, blocks)));
        recordingInfo info;
        QCOMPARE(readRecordingHeader(path.toStdString(), info, nullptr), 0);
        const quint64 whole = static_cast<quint64>(blocks);
        QCOMPARE(info.blockCount, whole);
        std::vector<unsigned char> buffer(info.blockLength + 1, 0xAA);
        for (quint64 b = 0; b < whole; ++b) {
            QCOMPARE(readRecordingBlock(info, buffer.data(), b), 1);
            std::vector<double> shown(80, -1.0);
            QCOMPARE(layOutRecordedBlock(info, buffer.data(), 0x12, shown.data(), shown.size()), size_t(40));
            for (int k = 0; k < 40; ++k)
                QCOMPARE(shown[k], sampleValue(b * 40 + k));
            QCOMPARE(shown[40], -1.0);
            QCOMPARE(buffer.back(), 0xAA); // nothing beyond the block
        }
        QCOMPARE(readRecordingBlock(info, buffer.data(), whole), 0);
        QCOMPARE(readRecordingBlock(info, buffer.data(), ~quint64(0)), 0);

        // The file shrinks after its header was read: the lost block cannot be read.
        const off_t cut = static_cast<off_t>(info.headerLength + info.blockLength * whole - 1);
        QVERIFY(::truncate(QFile::encodeName(path).constData(), cut) == 0);
        QCOMPARE(readRecordingBlock(info, buffer.data(), whole - 1), 0);
        QVERIFY(QFile::remove(path));
        QCOMPARE(readRecordingBlock(info, buffer.data(), 0), 0);
    }

    // The mask names the channels shown; the block holds NUMBER_OF_CHANNELS
    // channels. Only what the block holds is copied, the rest are zeros.
    void layOutBounds_data()
    {
        QTest::addColumn<int>("channels"); // NUMBER_OF_CHANNELS
        QTest::addColumn<uint>("mask");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("copied");
        QTest::newRow("agree") << 2 << 0x0003u << 100 << 20 << 20;
        QTest::newRow("mask has more") << 2 << 0x0103u << 100 << 30 << 20;
        QTest::newRow("mask has fewer") << 3 << 0x0001u << 100 << 10 << 10;
        QTest::newRow("no channel") << 2 << 0x0000u << 100 << 0 << 0;
        QTest::newRow("bits above 16 ignored") << 2 << 0x30001u << 100 << 10 << 10;
        QTest::newRow("small output") << 2 << 0x0003u << 15 << 15 << 15;
    }

    void layOutBounds()
    {
        QFETCH(int, channels);
        QFETCH(uint, mask);
        QFETCH(int, capacity);
        QFETCH(int, written);
        QFETCH(int, copied);
        recordingInfo info;
        info.isReal64 = 0;
        info.numberOfChannels = channels;
        info.numberOfScansPerBlock = 10;
        const QByteArray block = samples(false, channels * 10, 1);
        std::vector<double> out(static_cast<size_t>(capacity) + 1, -7.0);
        QCOMPARE(layOutRecordedBlock(info, block.constData(), mask, out.data(), static_cast<size_t>(capacity)),
                 size_t(written));
        for (int k = 0; k < written; ++k)
            QCOMPARE(out[k], k < copied ? sampleValue(k) : 0.0);
        QCOMPARE(out[capacity], -7.0);
    }

    // A sparse recording of more than 4 GiB: the last block lies beyond
    // every 32-bit position and is read from where the header says.
    void sparseBeyond4GiB()
    {
        const QString path = dir.filePath(QStringLiteral("big.bin7931"));
        const QByteArray h = rec::header("7931-BB", true, "50000.000000", 10000, {{1}, {2}, {3}, {4}});
        const quint64 blockLength = 8ull * 10000 * 4;
        const quint64 blocks = (5ull << 30) / blockLength + 1;
        QVERIFY(writeSparseRecording(path, h, blocks, 40000));
        recordingInfo info;
        QCOMPARE(readRecordingHeader(path.toStdString(), info, nullptr), 0);
        QCOMPARE(info.blockCount, blocks);
        QVERIFY(info.headerLength + (blocks - 1) * info.blockLength > (4ull << 30));
        std::vector<char> buffer(info.blockLength);
        QCOMPARE(readRecordingBlock(info, buffer.data(), blocks - 1), 1);
        QVERIFY(QByteArray(buffer.data(), static_cast<int>(buffer.size())) == samples(true, 40000, 1));
        QCOMPARE(readRecordingBlock(info, buffer.data(), blocks - 2), 1);
        QVERIFY(std::all_of(buffer.begin(), buffer.end(), [](char c) { return c == 0; }));
    }

    // The fuzz target's inputs, read from files as the panel reads them.
    void fuzzCorpus()
    {
        const QDir corpus(qEnvironmentVariable("OVSIM_TEST_SOURCE_DIR") +
                          QStringLiteral("/tests/fuzz/corpus/recordingHeader"));
        const QFileInfoList files = corpus.entryInfoList(QDir::Files);
        QVERIFY2(files.size() >= 10, qPrintable(corpus.path()));
        int accepted = 0;
        for (const QFileInfo &f : files) {
            QFile file(f.filePath());
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            recordingInfo info;
            RecordingHeaderReport report;
            std::FILE *in = std::fopen(QFile::encodeName(f.filePath()).constData(), "rb");
            const int result = readRecordingHeaderFrom(in, f.filePath().toStdString(), info, nullptr, &report);
            if (in)
                std::fclose(in);
            const char *problem =
                recordingHeaderProblem(result, info, static_cast<uint64_t>(bytes.size()),
                                       reinterpret_cast<const unsigned char *>(bytes.constData()),
                                       static_cast<size_t>(bytes.size()), &report);
            QVERIFY2(!problem, qPrintable(f.fileName() + ": " + problem));
            accepted += result == 0;
        }
        QVERIFY(accepted > 0 && accepted < files.size());
    }
};

QTEST_GUILESS_MAIN(TestRecordingReader)
#include "test_recordingReader.moc"
