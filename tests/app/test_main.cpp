// The program as a child process: the exit code of every way of giving up, and
// the splash picture's layout and size check.
#include "modalanswer.h"
#include "ov7931.h"
#include "ov7931Demo_hwaccess.h"
#include "ov7931fp_main.h"
#include "ov7931fp_splash.h"
#include "ovsim_control.h"
#include "testkit.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

namespace {
QStringList childAnswers;

// Runs in the child from the first turn of its event loop.
void answerAndPrint()
{
    QTimer::singleShot(0, qApp, [] {
        (new ModalAnswerer(childAnswers))->onAnswer = [](const SeenBox &box) {
            std::printf("box: %s | %s\n", qPrintable(box.title), qPrintable(box.text));
            std::fflush(stdout);
        };
    });
}

// argv: test program, "--child", system, answers joined by ",", then the program's own arguments.
int child(int argc, char **argv)
{
    const std::string system = argv[2];
    childAnswers = QString::fromLatin1(argv[3]).split(QLatin1Char(','));
    testkit::loadScenario(system == "none" ? "version: 1\n" : system == "several" ? testkit::severalCards : "");
    if (system == "busy")
        ovsim::failAlways("ov8263_paramInit", VI_ERROR_RSRC_BUSY);
    if (system != "error") {
        qAddPreRoutine(&answerAndPrint);
        argv[3] = argv[0];
        return ov7931fpMain(argc - 3, argv + 3);
    }
    QApplication application(argc, argv);
    ViSession m = 0, s = 0;
    setReportSessions(&m, &s);
    answerAndPrint();
    ovsim::failNext("ov7931_setGain", ov7931_ERROR_HARDWARE);
    OV_CALL7931(blockedHardwareAccess3(ov7931_setGain, s, (ViUInt16)1, (ViUInt16)3));
    std::printf("went on\n");
    return 3;
}

} // namespace

class TestMain : public QObject
{
    Q_OBJECT

private slots:
    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("args"); // the simulated system, the answers, the program's own arguments
        QTest::addColumn<QString>("lastBox");
        const QString question = QStringLiteral("How to connect to 7931 Signal Conditioning Card?");
        QTest::newRow("question: Cancel") << QStringList{"default", "Cancel"} << question;
        QTest::newRow("extra arguments ignored") << QStringList{"default", "Cancel", "a.bin7931", "b"} << question;
        QTest::newRow("descriptor entry: Cancel") << QStringList{"default", "Enter Address"} << question;
        QTest::newRow("selection list: Cancel") << QStringList{"several", "Auto Find"} << question;
        QTest::newRow("no card: Cancel") << QStringList{"none", "Auto Find,Cancel"} << "No 7931 Function Card found";
        QTest::newRow("card busy: Cancel") << QStringList{"busy", "Auto Find,Cancel"} << "Selected 7931 function card";
        QTest::newRow("error box: Yes") << QStringList{"error", "Yes"} << "blockedHardwareAccess3(ov7931_setGain, s";
    }

    void exitCodes()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, lastBox);
        QTemporaryDir dir;
        qputenv("ALLUSERSPROFILE", dir.path().toLocal8Bit());
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QProcess child;
        child.setWorkingDirectory(dir.path());
        child.start(QCoreApplication::applicationFilePath(), QStringList(QStringLiteral("--child")) + args);
        QVERIFY(child.waitForFinished(60000));
        const QString out = QString::fromLocal8Bit(child.readAllStandardOutput());
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        // It ended at once: nothing after the box ran, nothing was written.
        QVERIFY2(out.section(QStringLiteral(" | "), -1).startsWith(lastBox), qPrintable(out));
        QVERIFY2(!out.contains(QLatin1String("went on")), qPrintable(out));
        QVERIFY(QDir(dir.path()).isEmpty());
        // The splash's card picture from the resources has the required size: no complaint.
        QVERIFY2(!out.contains(QLatin1String(splashWrongImageSizeMessage)), qPrintable(out));
    }

    void splashLayout()
    {
        // Scale 1.0 and inset 20: the three texts are 413 pixels wide from x = 87.
        const SplashLayout l = ::splashLayout(20, 26, 13);
        QCOMPARE(l.title, QRect(87, 236 + 13, 413, 26));
        QCOMPARE(l.description, QRect(87, 236 + 52, 413, 2 * (82 - 26) - 3 * 13));
        QCOMPARE(l.copyright, QRect(87, 2 * (200 - 13), 413, 13));
    }

    void cardPictureSize_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("required") << splashDeviceImageSize();
        QTest::newRow("smaller") << QSize(451, 194);
        QTest::newRow("larger") << QSize(452, 195);
        QTest::newRow("missing") << QSize();
    }

    void cardPictureSize()
    {
        QFETCH(QSize, size);
        const bool drawn = size == splashDeviceImageSize();
        QImage device(size.isValid() ? size : QSize(1, 1), QImage::Format_RGB32);
        device.fill(Qt::red);
        device = size.isValid() ? device : QImage();
        FILE *console = std::tmpfile();
        QVERIFY(console);
        const QImage out = buildSplashPixmap(QPixmap(), device, "T", "", 1.0f, 20, console).toImage();
        char text[512] = {0};
        std::rewind(console);
        QVERIFY(std::fread(text, 1, sizeof text - 1, console) < sizeof text - 1);
        std::fclose(console);
        QCOMPARE(QByteArray(text), drawn ? QByteArray()
                                         : QByteArray("The size of the image of the device, that is to be used in the "
                                                      "splash screen, is not as required!!!\n"));
        QCOMPARE(out.pixelColor(67, 43) == QColor(Qt::red), drawn);
    }
};

int main(int argc, char **argv)
{
    if (argc > 3 && qstrcmp(argv[1], "--child") == 0)
        return child(argc, argv);
    QApplication application(argc, argv);
    TestMain test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_main.moc"
