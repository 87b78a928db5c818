// The program as a whole, run as a child process: its exit codes, the
// connection question at start, and the settings a demo run leaves behind.
#include "ov7931fp_main.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cstdio>

namespace {

// ---- child side: answers boxes from inside the program ------------------------

QStringList childAnswers;
int childNext = 0;
bool closeMainWindow = false;

void answerOnce()
{
    QWidget *w = QApplication::activeModalWidget();
    if (auto *box = qobject_cast<QMessageBox *>(w)) {
        if (!box->isVisible())
            return;
        const QString want = childAnswers.value(qMin(childNext++, childAnswers.size() - 1));
        std::printf("box: %s | %s\n", qPrintable(box->windowTitle()), qPrintable(box->text()));
        std::fflush(stdout);
        for (QAbstractButton *b : box->buttons())
            if (b->text().remove(QLatin1Char('&')) == want) {
                b->click();
                return;
            }
        return;
    }
    if (!w && !closeMainWindow && qEnvironmentVariableIsSet("OV_CHILD_DEBUG")) {
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->isVisible())
                std::printf("visible: %s %s\n", top->metaObject()->className(), qPrintable(top->windowTitle()));
        std::fflush(stdout);
    }
    if (!w && closeMainWindow) {
        // Once the splash screen has gone, as a user would.
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->isVisible() && top->inherits("QSplashScreen"))
                return;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->isVisible() && top->inherits("ov7931Demo_App")) {
                closeMainWindow = false;
                std::printf("closing\n");
                std::fflush(stdout);
                QTimer::singleShot(0, top, &QWidget::close);
                return;
            }
    }
}

// Runs from the QApplication constructor inside the program: the timer is
// started from the first turn of any event loop.
void installChildAnswerer()
{
    QMetaObject::invokeMethod(
        qApp,
        []() {
            auto *timer = new QTimer(qApp);
            QObject::connect(timer, &QTimer::timeout, &answerOnce);
            timer->start(30);
        },
        Qt::QueuedConnection);
}

// ---- parent side -----------------------------------------------------------------

struct ChildRun {
    int exitCode = -100;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QByteArray out;
};

ChildRun runChild(const QString &mode, const QStringList &extra, const QString &workDir)
{
    QProcess child;
    child.setProgram(QCoreApplication::applicationFilePath());
    child.setArguments(QStringList{mode} + extra);
    child.setWorkingDirectory(workDir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("OVSIM_SCENARIO"), QString());
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start();
    ChildRun run;
    if (!child.waitForFinished(120000)) {
        child.kill();
        child.waitForFinished();
        run.out = child.readAllStandardOutput();
        return run;
    }
    run.exitCode = child.exitCode();
    run.status = child.exitStatus();
    run.out = child.readAllStandardOutput();
    return run;
}

} // namespace

class TestMain : public QObject
{
    Q_OBJECT

private slots:
    void cancelInTheConnectionQuestionEndsWithZero()
    {
        QTemporaryDir dir;
        const ChildRun run = runChild(QStringLiteral("--child-cancel"), {}, dir.path());
        QCOMPARE(run.status, QProcess::NormalExit);
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.contains("box: Keltri 7931 Demo Select: | How to connect to 7931 Signal Conditioning Card?"),
                 run.out.constData());
        // Nothing is written: the process ended at once.
        QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    }

    void extraArgumentsAreIgnored()
    {
        // Two or more arguments: the program starts in live mode with the
        // connection question all the same.
        QTemporaryDir dir;
        const ChildRun run =
            runChild(QStringLiteral("--child-cancel"), {QStringLiteral("a.bin7931"), QStringLiteral("b")}, dir.path());
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.contains("box: Keltri 7931 Demo Select:"), run.out.constData());
    }

    void demoRunEndsWithZeroAndWritesItsSettings()
    {
        QTemporaryDir dir;
        const ChildRun run = runChild(QStringLiteral("--child-demo-close"), {}, dir.path());
        QCOMPARE(run.status, QProcess::NormalExit);
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.contains("closing"), run.out.constData());
        QVERIFY2(run.out.contains("box: Keltri 7931 SFP | Do you really want to exit?"), run.out.constData());
        // The splash pictures are the right size: no complaint on the console.
        QVERIFY2(!run.out.contains("is not as required"), run.out.constData());
        const QString file = dir.filePath(QStringLiteral("ov7931_DEMO.ini"));
        QVERIFY(QFile::exists(file));
        QSettings s(file, QSettings::IniFormat);
        QCOMPARE(s.value(QStringLiteral("NumberOfScans")).toString(), QStringLiteral("1000"));
        QCOMPARE(s.value(QStringLiteral("SamplingFrequency")).toString(), QStringLiteral("1 kHz"));
    }
};

int main(int argc, char **argv)
{
    if (argc > 1 && (qstrcmp(argv[1], "--child-cancel") == 0 || qstrcmp(argv[1], "--child-demo-close") == 0)) {
        if (qstrcmp(argv[1], "--child-cancel") == 0) {
            childAnswers = QStringList{QStringLiteral("Cancel")};
        } else {
            childAnswers = QStringList{QStringLiteral("Run In Demo Mode"), QStringLiteral("Yes")};
            closeMainWindow = true;
        }
        qAddPreRoutine(&installChildAnswerer);
        // The program sees its own name and the arguments after the mode.
        argv[1] = argv[0];
        return ov7931fpMain(argc - 1, argv + 1);
    }
    QApplication application(argc, argv);
    TestMain test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_main.moc"
