// Guarded driver calls and the reporting of their status: the call text as
// written, the two reporting rules, the forwarded digitizer error, the
// error-only variant, reports from worker threads, and the lock itself.
#include "modalanswer.h"
#include "ov7931.h"
#include "ov7931Demo_hwaccess.h"
#include "ov8263.h"
#include "ovsim_control.h"

#include <QApplication>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

const ViStatus forwarded = ov7931_ERROR_FC_DRIVER;
const QString errorTitle = QStringLiteral("Keltri 7931 SFP Error message");
const QString warningTitle = QStringLiteral("Keltri 7931 SFP Warning message");

ViSession masterVi = 0;
ViSession slaveVi = 0;

void openSessions()
{
    ovsim::reset();
    masterVi = 0;
    slaveVi = 0;
    QCOMPARE(ov8263_paramInit("VXI0::1::INSTR", 1, 1, 1, &masterVi), 0);
    QCOMPARE(ov7931_init(masterVi, VI_TRUE, VI_TRUE, &slaveVi), 0);
    QVERIFY(masterVi != 0);
    QVERIFY(slaveVi != 0);
    setReportSessions(&masterVi, &slaveVi);
    ovsim::clearJournal();
}

// What the drivers themselves say for a status (asked outside the journal window).
QString text7931(ViStatus status)
{
    ViChar buffer[1024] = {0};
    ov7931_error_message(slaveVi, status, buffer);
    return QString::fromLatin1(buffer);
}

QString text8263(ViStatus status)
{
    ViChar buffer[1024] = {0};
    ov8263_error_message(masterVi, status, buffer);
    return QString::fromLatin1(buffer);
}

QString errorText(const QString &call, const QString &driverText)
{
    return call + QStringLiteral(" failed due to [") + driverText + QStringLiteral("]\nDo you want to exit?");
}

QStringList journalNames()
{
    QStringList names;
    for (const ovsim::Call &c : ovsim::journal())
        names << QString::fromStdString(c.function);
    return names;
}

// A function that notices when two threads are inside "the driver" at once.
std::atomic<int> inside{0};
std::atomic<int> overlaps{0};
ViStatus probe(ViSession, ViInt32 spin)
{
    if (inside.fetch_add(1) != 0)
        overlaps.fetch_add(1);
    volatile ViInt32 x = 0;
    for (ViInt32 i = 0; i < spin; ++i)
        x = x + i;
    inside.fetch_sub(1);
    return 0;
}

} // namespace

class TestHwAccess : public QObject
{
    Q_OBJECT

private slots:
    void init() { openSessions(); }

    void callTextIsTheCallAsWritten()
    {
        // Names such as VI_TRUE and VI_NULL stay in the text as written.
        ModalAnswerer answerer({QStringLiteral("No")});
        ovsim::failNext("ov7931_init", ov7931_ERROR_HARDWARE);
        ViSession other = 0;
        const ViStatus s = OV_CALL7931(blockedHardwareAccess4(ov7931_init, masterVi, VI_TRUE, VI_TRUE, &other));
        QCOMPARE(s, ov7931_ERROR_HARDWARE);
        QCOMPARE(answerer.seen().size(), 1);
        const SeenBox box = answerer.seen().first();
        QCOMPARE(box.title, errorTitle);
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.text, errorText(QStringLiteral("blockedHardwareAccess4(ov7931_init, masterVi, VI_TRUE, VI_TRUE, "
                                                    "&other)"),
                                     text7931(ov7931_ERROR_HARDWARE)));

        ovsim::failNext("ov8263_revision_query", ov8263_ERROR_HARDWARE);
        ViChar rev[256] = {0};
        OV_CALL8263(blockedHardwareAccess3(ov8263_revision_query, masterVi, (ViPChar)VI_NULL, rev));
        QCOMPARE(answerer.seen().size(), 2);
        QCOMPARE(answerer.seen().at(1).text,
                 errorText(QStringLiteral("blockedHardwareAccess3(ov8263_revision_query, masterVi, (ViPChar)VI_NULL, "
                                          "rev)"),
                           text8263(ov8263_ERROR_HARDWARE)));
    }

    void conditioningRule()
    {
        // Negative: an error box with ov7931_error_message's text for the
        // status, looked up with the current slave session.
        ModalAnswerer answerer({QStringLiteral("No")});
        ovsim::failNext("ov7931_setGain", ov7931_ERROR_INV_CHANNEL);
        OV_CALL7931(blockedHardwareAccess3(ov7931_setGain, slaveVi, (ViUInt16)1, (ViUInt16)3));
        const auto lookups = ovsim::journalOf("ov7931_error_message");
        QCOMPARE(lookups.size(), size_t(1));
        QCOMPARE(lookups[0].args.at(0), std::to_string(slaveVi));
        QCOMPARE(lookups[0].args.at(1), std::to_string(ov7931_ERROR_INV_CHANNEL));
        QVERIFY(ovsim::journalOf("ov8263_error_message").empty());

        // Positive: a warning box with the driver's text.
        ovsim::failNext("ov7931_setGain", ov7931_WARN_NO_EXCITATION);
        const ViStatus s = OV_CALL7931(blockedHardwareAccess3(ov7931_setGain, slaveVi, (ViUInt16)2, (ViUInt16)3));
        QCOMPARE(s, ov7931_WARN_NO_EXCITATION);

        QCOMPARE(answerer.seen().size(), 2);
        QCOMPARE(answerer.seen().at(0).text,
                 errorText(QStringLiteral("blockedHardwareAccess3(ov7931_setGain, slaveVi, (ViUInt16)1, (ViUInt16)3)"),
                           text7931(ov7931_ERROR_INV_CHANNEL)));
        QCOMPARE(answerer.seen().at(1).title, warningTitle);
        QCOMPARE(answerer.seen().at(1).icon, QMessageBox::Warning);
        QCOMPARE(answerer.seen().at(1).text,
                 QStringLiteral("Warning: [") + text7931(ov7931_WARN_NO_EXCITATION) + QStringLiteral("]"));
    }

    void digitizerRule()
    {
        ModalAnswerer answerer({QStringLiteral("No")});
        ovsim::failNext("ov8263_setTrigConfig", ov8263_ERROR_INV_PARAMETER);
        OV_CALL8263(blockedHardwareAccess3(ov8263_setTrigConfig, masterVi, (ViUInt16)0, (ViUInt16)0));
        // The digitizer rule knows no forwarded error: 0xBFFC0B05 is just a negative status.
        ovsim::failNext("ov8263_setTrigConfig", forwarded);
        OV_CALL8263(blockedHardwareAccess3(ov8263_setTrigConfig, masterVi, (ViUInt16)0, (ViUInt16)0));
        ovsim::failNext("ov8263_readAcquisition", ov8263_WARN_NOT_ALL_READ);
        ViInt32 read = 0;
        ViReal64 data[16];
        OV_CALL8263(blockedHardwareAccess6(ov8263_readAcquisition, masterVi, 1, (ViUInt16)0, (ViPReal64)0, &read,
                                           data));

        QVERIFY(ovsim::journalOf("ov7931_error_message").empty());
        QVERIFY(ovsim::journalOf("ov7931_getFCLastError").empty());
        const auto lookups = ovsim::journalOf("ov8263_error_message");
        QCOMPARE(lookups.size(), size_t(3));
        for (const auto &c : lookups)
            QCOMPARE(c.args.at(0), std::to_string(masterVi));

        const auto &seen = answerer.seen();
        QCOMPARE(seen.size(), 3);
        const QString call = QStringLiteral("blockedHardwareAccess3(ov8263_setTrigConfig, masterVi, (ViUInt16)0, "
                                            "(ViUInt16)0)");
        QCOMPARE(seen.at(0).text, errorText(call, text8263(ov8263_ERROR_INV_PARAMETER)));
        QCOMPARE(seen.at(1).text, errorText(call, text8263(forwarded)));
        QCOMPARE(seen.at(2).title, warningTitle);
        QCOMPARE(seen.at(2).text, QStringLiteral("Warning: [") + text8263(ov8263_WARN_NOT_ALL_READ) + "]");
    }

    void forwardedDigitizerError_data()
    {
        QTest::addColumn<int>("digitizerStatus");
        QTest::addColumn<bool>("isError");
        QTest::newRow("positive") << int(ov8263_WARN_OUT_OF_RANGE) << false;
        QTest::newRow("negative") << int(ov8263_ERROR_BUSY) << true;
    }

    void forwardedDigitizerError()
    {
        QFETCH(int, digitizerStatus);
        QFETCH(bool, isError);
        ModalAnswerer answerer({QStringLiteral("No")});
        ovsim::setForwardedStatus(digitizerStatus);
        ovsim::failNext("ov7931_setChanConfig", forwarded);
        OV_CALL7931(blockedHardwareAccess5(ov7931_setChanConfig, slaveVi, (ViUInt16)4, (ViUInt16)1, (ViUInt16)3,
                                           (ViUInt16)1));

        // The digitizer's status is fetched from the conditioning driver, then
        // explained by the digitizer driver; the sign of that status decides.
        const QStringList names = journalNames();
        const int at = names.indexOf(QStringLiteral("ov7931_getFCLastError"));
        QVERIFY(at > 0);
        QCOMPARE(names.mid(at), (QStringList{"ov7931_getFCLastError", "ov8263_error_message"}));
        const auto lookup = ovsim::journalOf("ov8263_error_message");
        QCOMPARE(lookup[0].args.at(0), std::to_string(masterVi));
        QCOMPARE(lookup[0].args.at(1), std::to_string(digitizerStatus));

        QCOMPARE(answerer.seen().size(), 1);
        const SeenBox box = answerer.seen().first();
        if (isError) {
            QCOMPARE(box.title, errorTitle);
            QCOMPARE(box.text, errorText(QStringLiteral("blockedHardwareAccess5(ov7931_setChanConfig, slaveVi, "
                                                        "(ViUInt16)4, (ViUInt16)1, (ViUInt16)3, (ViUInt16)1)"),
                                         text8263(digitizerStatus)));
        } else {
            QCOMPARE(box.title, warningTitle);
            QCOMPARE(box.text, QStringLiteral("Warning: [") + text8263(digitizerStatus) + "]");
        }
    }

    void forwardedZeroIsAWarning()
    {
        // A forwarded digitizer status of 0 still gives a box: a warning with
        // the digitizer driver's text for 0. (The injected success leaves the
        // status output as it was: 0.)
        ModalAnswerer answerer({QStringLiteral("No")});
        ovsim::failNext("ov7931_getFCLastError", 0);
        ovsim::failNext("ov7931_setGain", forwarded);
        OV_CALL7931(blockedHardwareAccess3(ov7931_setGain, slaveVi, (ViUInt16)1, (ViUInt16)3));
        const auto lookup = ovsim::journalOf("ov8263_error_message");
        QCOMPARE(lookup.size(), size_t(1));
        QCOMPARE(lookup[0].args.at(1), std::string("0"));
        QCOMPARE(answerer.seen().size(), 1);
        QCOMPARE(answerer.seen().first().title, warningTitle);
        QCOMPARE(answerer.seen().first().text, QStringLiteral("Warning: [") + text8263(0) + "]");
    }

    void errorOnlyVariant()
    {
        ModalAnswerer answerer({QStringLiteral("No")});
        ovsim::failNext("ov8263_setATRIConfig", ov8263_WARN_OUT_OF_RANGE);
        const ViStatus s = OV_CHECKED_ERRORS(ReportRule::Digitizer,
                                             blockedHardwareAccess7(ov8263_setATRIConfig, masterVi, (ViUInt16)1,
                                                                    (ViUInt16)0, (ViUInt16)0, 0.0, 0.0, (ViUInt16)0));
        QCOMPARE(s, ov8263_WARN_OUT_OF_RANGE);
        QTest::qWait(100);
        QCOMPARE(answerer.seen().size(), 0);
        QVERIFY(ovsim::journalOf("ov8263_error_message").empty());

        ovsim::failNext("ov8263_setATRIConfig", ov8263_ERROR_INV_CHANNEL);
        OV_CALL8263_ERRORS(blockedHardwareAccess7(ov8263_setATRIConfig, masterVi, (ViUInt16)1, (ViUInt16)0, (ViUInt16)0,
                                                  0.0, 0.0, (ViUInt16)0));
        QCOMPARE(answerer.seen().size(), 1);
        QCOMPARE(answerer.seen().first().text,
                 errorText(QStringLiteral("blockedHardwareAccess7(ov8263_setATRIConfig, masterVi, (ViUInt16)1, "
                                          "(ViUInt16)0, (ViUInt16)0, 0.0, 0.0, (ViUInt16)0)"),
                           text8263(ov8263_ERROR_INV_CHANNEL)));
        // Success gives no box in any variant.
        OV_CALL7931_ERRORS(blockedHardwareAccess3(ov7931_setGain, slaveVi, (ViUInt16)1, (ViUInt16)3));
        OV_CALL7931(blockedHardwareAccess3(ov7931_setGain, slaveVi, (ViUInt16)1, (ViUInt16)3));
        QTest::qWait(100);
        QCOMPARE(answerer.seen().size(), 1);
    }

    void noContinuesWithTheNextCall()
    {
        // One box per failure, in call order; after "No" the caller goes on.
        ModalAnswerer answerer({QStringLiteral("No")});
        ovsim::failNext("ov7931_setGain", ov7931_ERROR_HARDWARE);
        ovsim::failNext("ov7931_getGain", ov7931_ERROR_INV_CHANNEL);
        OV_CALL7931(blockedHardwareAccess3(ov7931_setGain, slaveVi, (ViUInt16)1, (ViUInt16)3));
        ViUInt16 gain = 0;
        OV_CALL7931(blockedHardwareAccess3(ov7931_getGain, slaveVi, (ViUInt16)1, &gain));
        OV_CALL7931(blockedHardwareAccess3(ov7931_setGain, slaveVi, (ViUInt16)2, (ViUInt16)3));
        QCOMPARE(journalNames(), (QStringList{"ov7931_setGain", "ov7931_error_message", "ov7931_getGain",
                                              "ov7931_error_message", "ov7931_setGain"}));
        QCOMPARE(answerer.seen().size(), 2);
        QVERIFY(answerer.seen().at(0).text.startsWith(QStringLiteral("blockedHardwareAccess3(ov7931_setGain,")));
        QVERIFY(answerer.seen().at(1).text.startsWith(QStringLiteral("blockedHardwareAccess3(ov7931_getGain,")));
        QCOMPARE(answerer.seen().at(0).clicked, QStringLiteral("No"));
    }

    void workerReportIsShownOnTheGuiThread()
    {
        ModalAnswerer answerer({QStringLiteral("No")});
        std::atomic<bool> returned{false};
        QThread *worker = QThread::create([&]() {
            ovsim::failNext("ov7931_setGain", ov7931_ERROR_HARDWARE);
            OV_CALL7931(blockedHardwareAccess3(ov7931_setGain, slaveVi, (ViUInt16)5, (ViUInt16)3));
            returned = true;
        });
        worker->start();
        // The GUI thread does not run its event loop here: a worker that
        // waited for the answer would never finish.
        QVERIFY(worker->wait(20000));
        QVERIFY(returned);
        QCOMPARE(answerer.seen().size(), 0);
        delete worker;
        // The box comes on the GUI thread's next turn of the event loop.
        QTRY_COMPARE_WITH_TIMEOUT(answerer.seen().size(), 1, 10000);
        QCOMPARE(answerer.seen().first().title, errorTitle);
        QCOMPARE(answerer.seen().first().text,
                 errorText(QStringLiteral("blockedHardwareAccess3(ov7931_setGain, slaveVi, (ViUInt16)5, (ViUInt16)3)"),
                           text7931(ov7931_ERROR_HARDWARE)));
    }

    void lockIsFreeWhileABoxIsOpen()
    {
        // A box on the GUI thread never blocks a worker's driver call.
        ModalAnswerer answerer({QStringLiteral("No")}, 300);
        bool workerCalled = false;
        QTimer::singleShot(50, [&]() {
            std::thread t([&]() { workerCalled = blockedHardwareAccess2(probe, ViSession(0), ViInt32(10)) == 0; });
            t.join();
        });
        ovsim::failNext("ov7931_setGain", ov7931_ERROR_HARDWARE);
        OV_CALL7931(blockedHardwareAccess3(ov7931_setGain, slaveVi, (ViUInt16)1, (ViUInt16)3));
        QCOMPARE(answerer.seen().size(), 1);
        QVERIFY(workerCalled);
    }

    void driverCallsNeverOverlap()
    {
        inside = 0;
        overlaps = 0;
        auto run = [] {
            for (int i = 0; i < 2000; ++i)
                blockedHardwareAccess2(probe, ViSession(1), ViInt32(200));
        };
        std::thread a(run), b(run), c(run);
        a.join();
        b.join();
        c.join();
        QCOMPARE(overlaps.load(), 0);
        // The lock is held for the call only.
        QVERIFY(hardwareLock.tryLock());
        hardwareLock.unlock();
    }

    void yesEndsTheProcessWithZero()
    {
        QProcess child;
        child.setProgram(QCoreApplication::applicationFilePath());
        child.setArguments({QStringLiteral("--answer-error-yes")});
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        child.start();
        QVERIFY(child.waitForFinished(60000));
        const QByteArray out = child.readAllStandardOutput();
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QVERIFY2(out.contains("box shown"), out.constData());
        // Nothing after the box ran: the process ended at once.
        QVERIFY2(!out.contains("went on"), out.constData());
    }
};

// Child mode: report an error, answer "Yes", and see that the process ends
// with 0 at once.
static int answerErrorYes(int argc, char **argv)
{
    QApplication application(argc, argv);
    ovsim::reset();
    ViSession m = 0, s = 0;
    ov8263_paramInit("VXI0::1::INSTR", 1, 1, 1, &m);
    ov7931_init(m, VI_TRUE, VI_TRUE, &s);
    setReportSessions(&m, &s);
    ModalAnswerer answerer({QStringLiteral("Yes")});
    QTimer::singleShot(0, [] {
        std::printf("box shown\n");
        std::fflush(stdout);
    });
    ovsim::failNext("ov7931_setGain", ov7931_ERROR_HARDWARE);
    OV_CALL7931(blockedHardwareAccess3(ov7931_setGain, s, (ViUInt16)1, (ViUInt16)3));
    std::printf("went on\n");
    std::fflush(stdout);
    return 3;
}

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--answer-error-yes") == 0)
        return answerErrorYes(1, argv);
    QApplication application(argc, argv);
    TestHwAccess test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_hwaccess.moc"
