// The program started with one argument, run as a child process for each
// outcome: a recording viewed (slider row and locked selectors, nothing
// written), an unreadable file or a bad header ("Cannot read '%1'.", -1), a
// header without data (the live start with its connection question), scans
// or a rate the panel does not offer ("Error in file '%1'.", -1), and a
// block that can no longer be read while viewing ("Cannot read: \"%1\".", -1),
// and a block that cannot be held ("Failed to allocate memory.", -1).
#include "modalanswer.h"
#include "ov7931Demo_App.h"
#include "ov7931Demo_Waveform.h"
#include "ov7931fp_main.h"
#include "recording_files.h"
#include "testkit.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QProcess>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cstdio>
#include <new>
#include <unistd.h>

using namespace rec;

namespace {

QString childAction; // "close", "truncate" or "nomemory"

// With "nomemory", the viewer's block buffer (new[] without exceptions, of
// exactly one block of the test recordings: 2 channels x 10 scans x 8 bytes)
// cannot be had.
bool refuseBlockBuffer = false;
constexpr std::size_t kRefusedSize = 2 * 10 * sizeof(double);

ov7931Demo_App *panelWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *app = qobject_cast<ov7931Demo_App *>(w))
            return app;
    return nullptr;
}

// Once the recording is shown: prints what the panel shows, then closes
// the window or takes the file's blocks away and moves the slider.
void watchPanel()
{
    if (refuseBlockBuffer)
        return; // the failure box of the first block ends the process
    ov7931Demo_App *app = panelWindow();
    if (!app || !app->waveform || app->waveform->blockSlider->isHidden()) {
        QTimer::singleShot(20, qApp, &watchPanel);
        return;
    }
    const QSlider *slider = app->waveform->blockSlider;
    std::printf("view: blocks %d..%d at %d, selectors %s\n", slider->minimum(), slider->maximum(), slider->value(),
                app->waveformLengthList()->isEnabled() || app->samplingRateList()->isEnabled() ? "enabled"
                                                                                                : "disabled");
    std::fflush(stdout);
    if (childAction == QLatin1String("truncate")) {
        const QString path = QCoreApplication::arguments().value(1);
        if (::truncate(QFile::encodeName(path).constData(), 100) != 0)
            std::printf("truncate failed\n");
        app->waveform->blockSlider->setValue(2);
        std::printf("went on\n");
    } else {
        app->close();
    }
}

void answerAndWatch()
{
    QTimer::singleShot(0, qApp, [] {
        // "Yes" to the exit question; the other boxes have no "Yes" and are closed.
        // The answerer goes with the application object.
        static ModalAnswerer *answerer = nullptr;
        answerer = new ModalAnswerer({QStringLiteral("Yes")});
        qAddPostRoutine([] {
            delete answerer;
            answerer = nullptr;
        });
        answerer->onAnswer = [](const SeenBox &box) {
            std::printf("box: %s | %s\n", qPrintable(box.title), qPrintable(box.text));
            std::fflush(stdout);
        };
        watchPanel();
    });
}

// argv: test program, "--child", action, the recording's path.
int child(int argc, char **argv)
{
    childAction = QString::fromLatin1(argv[2]);
    refuseBlockBuffer = childAction == QLatin1String("nomemory");
    testkit::loadScenario(QString());
    qAddPreRoutine(&answerAndWatch);
    argv[2] = argv[0];
    return ov7931fpMain(argc - 2, argv + 2);
}

} // namespace

// Replaces the library's nothrow new[] in this program: the others are
// served by the ordinary new[], so that every delete[] matches.
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept
{
    if (refuseBlockBuffer && size == kRefusedSize)
        return nullptr;
    try {
        return ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
}

class TestRecordingStart : public QObject
{
    Q_OBJECT

private slots:
    void outcomes_data()
    {
        QTest::addColumn<QByteArray>("file"); // the recording's bytes; empty: no file
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output"); // the child's lines, %1 the path

        const QByteArray h = rec::header("7931-BB", true, "1000.000000", 10, {{1}, {4}});
        QTest::newRow("viewed")
            << h + samples(true, 20, 3.5) << "close" << 0
            << "Warning. The binary data seems corrupt.\nview: blocks 1..3 at 1, selectors disabled\n"
               "box: Keltri 7931 SFP | Do you really want to exit?\n";
        QTest::newRow("no file") << QByteArray() << "close" << 255
                                 << "box: Keltri 7931 SFP | Cannot read '%1'.\n";
        QTest::newRow("bad header") << QByteArray(h).replace("CHANNELS=2", "CHANNELS=0") << "close" << 255
                                    << "box: Keltri 7931 SFP | Cannot read '%1'.\n";
        QTest::newRow("header without data: live start")
            << h << "close" << 0
            << "box: Keltri 7931 Demo Select: | How to connect to 7931 Signal Conditioning Card?\n";
        QTest::newRow("scans not offered") << QByteArray(h).replace("BLOCK=10", "BLOCK=11") + samples(true, 22, 1)
                                           << "close" << 255 << "box: Keltri 7931 SFP | Error in file '%1'.\n";
        QTest::newRow("rate not offered") << QByteArray(h).replace("=1000.000000", "=999.000000") + samples(true, 20, 1)
                                          << "close" << 255 << "box: Keltri 7931 SFP | Error in file '%1'.\n";
        QTest::newRow("block gone while viewing")
            << h + samples(true, 20, 3) << "truncate" << 255
            << "view: blocks 1..3 at 1, selectors disabled\nbox: Keltri 7931 SFP | Cannot read: \"%1\".\n";
        QTest::newRow("no memory for a block") << h + samples(true, 20, 3) << "nomemory" << 255
                                               << "box: Keltri 7931 SFP | Failed to allocate memory.\n";
    }

    void outcomes()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, action);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QTemporaryDir dir, profile;
        const QString path = dir.filePath(QStringLiteral("rec.bin7931"));
        if (!file.isEmpty())
            QVERIFY(writeFile(path, file));
        qputenv("ALLUSERSPROFILE", profile.path().toLocal8Bit());
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QProcess child;
        child.setWorkingDirectory(dir.path());
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), action, path});
        QVERIFY(child.waitForFinished(20000));
        const QString out = QString::fromLocal8Bit(child.readAllStandardOutput());
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(out, QString(output).replace(QLatin1String("%1"), QDir::toNativeSeparators(path)));
        QCOMPARE(child.exitCode(), exitCode);
        // Viewing writes no settings, and no start with a recording writes the descriptor file.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), file.isEmpty() ? QStringList() : QStringList{"rec.bin7931"});
        QVERIFY(QDir(profile.path()).isEmpty());
    }
};

int main(int argc, char **argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--child") == 0)
        return child(argc, argv);
    QApplication application(argc, argv);
    TestRecordingStart test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_recordingStart.moc"
