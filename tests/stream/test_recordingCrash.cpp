// Recordings interrupted by a crash: a child process records a continuous
// run of the simulated digitizer (integrity mode, the stream core's callback
// and writer) and is killed with SIGKILL at a random moment, again and
// again. Every file left behind must open: its header is whole, and every
// block the reader offers holds the scans it should, in order; a block cut
// by the kill is never offered.
#include "stream_rig.h"
#include "recordingHeader.h"
#include "recordingReader.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <random>
#include <thread>

using namespace streamtest;

namespace {

constexpr uint32_t kMask = 0x8025; // channels 1, 3, 6 and 16
constexpr int32_t kScans = 2000;   // 64000-byte blocks: larger than a stdio buffer
constexpr double kRate = 20000.0;

// Records into argv[2] until killed (or, at the latest, after 20000 blocks).
int child(char **argv)
{
    ovsim::reset();
    ovsim::setIntegrityMode(true);
    ovsim::setManualClock(true);
    Rig rig;
    if (!rig.open() || !rig.prepare(kMask, kScans, kRate, argv[2], 0) || !rig.start(kRate, kScans))
        return 2;
    std::printf("recording\n");
    std::fflush(stdout);
    for (int b = 0; b < 20000; ++b) {
        ovsim::advanceClock(kScans / kRate);
        rig.drained();
    }
    return 3;
}

} // namespace

class TestRecordingCrash : public QObject
{
    Q_OBJECT

private slots:
    void killedRecordingsOpen()
    {
        const int kills = 24;
        const unsigned seed = std::random_device{}();
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> delayUs(0, 40000);
        const std::string header = binaryHeaderText(Rig::setupFor(kMask, kScans, kRate));
        const std::vector<int> channels{1, 3, 6, 16};
        QTemporaryDir dir;
        int partialTails = 0;
        uint64_t mostBlocks = 0;

        for (int k = 0; k < kills; ++k) {
            const QString path = dir.filePath(QStringLiteral("crash%1.bin7931").arg(k));
            const int delay = delayUs(random);
            QProcess recorder;
            recorder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--record"), path});
            QVERIFY(recorder.waitForStarted(10000));
            while (!recorder.canReadLine())
                QVERIFY2(recorder.waitForReadyRead(10000), qPrintable(recorder.readAllStandardError()));
            QCOMPARE(recorder.readLine(), QByteArray("recording\n"));
            std::this_thread::sleep_for(std::chrono::microseconds(delay));
            QCOMPARE(::kill(static_cast<pid_t>(recorder.processId()), SIGKILL), 0);
            QVERIFY(recorder.waitForFinished(10000));
            QCOMPARE(recorder.exitStatus(), QProcess::CrashExit);

            const QString where = QStringLiteral("seed %1, kill %2 after %3 us").arg(seed).arg(k).arg(delay);
            recordingInfo info;
            QVERIFY2(readRecordingHeader(path.toStdString(), info, nullptr) == 0, qPrintable(where));
            QVERIFY2(info.headerLength == header.size(), qPrintable(where));
            QCOMPARE(info.numberOfChannels, 4);
            QCOMPARE(info.channelMasks[0], uint16_t(kMask));
            partialTails += info.dataLength % info.blockLength != 0;
            mostBlocks = std::max(mostBlocks, info.blockCount);

            std::vector<double> data(static_cast<size_t>(info.blockCount * info.blockLength / sizeof(double)));
            for (uint64_t b = 0; b < info.blockCount; ++b)
                QVERIFY2(readRecordingBlock(info, data.data() + b * info.blockLength / sizeof(double), b) == 1,
                         qPrintable(where));
            QCOMPARE(readRecordingBlock(info, data.data(), info.blockCount), 0);
            const SequenceCheck check = checkSequenceBlocks(data, channels, kScans);
            QVERIFY2(check.whole && check.consecutive, qPrintable(where + ": " + QString::fromStdString(check.why)));
        }
        qInfo("%d kills, up to %llu whole blocks, %d files with a cut last block", kills,
              static_cast<unsigned long long>(mostBlocks), partialTails);
    }
};

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--record") == 0)
        return child(argv);
    QCoreApplication application(argc, argv);
    TestRecordingCrash test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_recordingCrash.moc"
