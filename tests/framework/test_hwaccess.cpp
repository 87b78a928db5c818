// Guarded driver calls: both reporting rules and the error-only variant,
// reports from worker threads, the lock itself, the driver-call trace's
// lines and the About box's switch for it.
#include "modalanswer.h"
#include "ov7931.h"
#include "ov7931Demo_hwaccess.h"
#include "ov8263.h"
#include "ov9174fp_About.h"
#include "ov9174fp_traceOption.h"
#include "ovsim_control.h"
#include "testkit.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <thread>

using namespace testkit;

namespace {
ViSession masterVi = 0;
ViSession slaveVi = 0;

// Notices when two threads are inside "the driver" at once.
std::atomic<int> inside{0}, overlaps{0};
ViStatus probe(ViSession, ViInt32 spin)
{
    overlaps += inside++ != 0;
    for (volatile ViInt32 i = 0; i < spin; i = i + 1) {
    }
    return --inside, 0;
}

void noCallback(ViSession, ViAddr) {}

} // namespace

#define VERIFY_MATCH(pattern, text) QVERIFY2(QRegularExpression(pattern).match(text).hasMatch(), qPrintable(text))

class TestHwAccess : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString tracePath() const { return dir.filePath("trace.txt"); }

private slots:
    void init()
    {
        ovsim::reset();
        QCOMPARE(ov8263_paramInit("VXI0::1::INSTR", 1, 1, 1, &masterVi), 0);
        QCOMPARE(ov7931_init(masterVi, VI_TRUE, VI_TRUE, &slaveVi), 0);
        setReportSessions(&masterVi, &slaveVi);
        ovsim::clearJournal();
    }

    void cleanup()
    {
        driverTrace::stop();
        QFile::remove(tracePath());
    }

    // A failed ov7931_setGain reported by either rule: the journal of the
    // calls made (the digitizer's status is fetched from the conditioning
    // driver, then explained by the digitizer driver with the current
    // session), then the box shown.
    void reportingRules()
    {
        const ViStatus forwarded = ov7931_ERROR_FC_DRIVER, noForward = 1;
        const ReportRule C = ReportRule::Conditioning, D = ReportRule::Digitizer;
        // Per row: the case, the rule, errors only, the status, what ov7931_getFCLastError gives, an
        // error box (else a warning), explained by the digitizer's driver.
        const std::tuple<const char *, ReportRule, bool, ViStatus, ViStatus, bool, bool> rules[] = {
            {"7931 error", C, false, ov7931_ERROR_INV_CHANNEL, noForward, true, false},
            {"7931 warning", C, false, ov7931_WARN_NO_EXCITATION, noForward, false, false},
            {"forwarded, positive", C, false, forwarded, ov8263_WARN_OUT_OF_RANGE, false, true},
            {"forwarded, zero", C, false, forwarded, 0, false, true},
            {"forwarded, negative", C, false, forwarded, ov8263_ERROR_BUSY, true, true},
            {"8263 error", D, false, ov8263_ERROR_INV_PARAMETER, noForward, true, true},
            {"8263 warning", D, false, ov8263_WARN_NOT_ALL_READ, noForward, false, true},
            // The digitizer rule knows no forwarded error: 0xBFFC0B05 is just a negative status.
            {"8263, forwarded code", D, false, forwarded, noForward, true, true},
            {"errors only, warning", D, true, ov8263_WARN_OUT_OF_RANGE, noForward, false, true},
            {"errors only, error", C, true, ov7931_ERROR_HARDWARE, noForward, true, false}};
        for (const auto &[name, rule, errorsOnly, status, fcStatus, isError, digitizerText] : rules) {
            init();
            ModalAnswerer answerer({QStringLiteral("No")});
            if (fcStatus == 0) // an injected success writes no status: it stays 0
                ovsim::failNext("ov7931_getFCLastError", 0);
            else if (fcStatus != noForward)
                ovsim::setForwardedStatus(fcStatus);
            ovsim::failNext("ov7931_setGain", status);
            const ViStatus s = blockedHardwareAccess3(ov7931_setGain, slaveVi, (ViUInt16)1, (ViUInt16)3);
            QCOMPARE((errorsOnly ? reportErrorOnly : reportStatus)(s, "the call", rule), status);
            QStringList seen = QStringList(name) + journalNames(QString(), true);
            for (const SeenBox &box : answerer.seen())
                seen << box.title << QString::number(box.icon) << box.text;
            const ViSession vi = digitizerText ? masterVi : slaveVi;
            const ViStatus explained = fcStatus == noForward ? status : fcStatus;
            QStringList expected{name, QStringLiteral("ov7931_setGain(%1, 1, 3)").arg(slaveVi)};
            if (fcStatus != noForward)
                expected << QStringLiteral("ov7931_getFCLastError(%1, &)").arg(slaveVi);
            if (isError || !errorsOnly) {
                const QString text = driverText(digitizerText, vi, explained);
                expected << QString("ov%1_error_message(%2, %3, &)").arg(digitizerText ? 8263 : 7931).arg(vi)
                                .arg(explained)
                         << QStringLiteral("Keltri 7931 SFP %1 message").arg(isError ? "Error" : "Warning")
                         << QString::number(isError ? QMessageBox::Critical : QMessageBox::Warning)
                         << (isError ? errorBoxText("the call", text) : QStringLiteral("Warning: [%1]").arg(text));
            }
            QCOMPARE(seen, expected);
        }
    }

    // A worker's report is shown on the GUI thread without the worker
    // waiting; driver calls never overlap, and while an error box is open
    // on the GUI thread a worker's driver call goes through.
    void workersAndTheLock()
    {
        ModalAnswerer answerer({QStringLiteral("No")}, 300);
        ovsim::failNext("ov7931_setGain", ov7931_ERROR_HARDWARE);
        // The GUI thread runs no event loop while it waits for the worker.
        std::thread([] { OV_CALL7931(blockedHardwareAccess3(ov7931_setGain, slaveVi, (ViUInt16)1, (ViUInt16)3)); })
            .join();
        QCOMPARE(answerer.seen().size(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(answerer.seen().size(), 1, 10000);
        QVERIFY(answerer.seen().first().text.startsWith("blockedHardwareAccess3(ov7931_setGain, slaveVi, "));
        auto run = [] {
            for (int i = 0; i < 2000; ++i)
                blockedHardwareAccess2(probe, ViSession(1), ViInt32(200));
        };
        std::thread a(run), b(run), c(run);
        a.join(), b.join(), c.join();
        QCOMPARE(overlaps.load(), 0);
        bool workerCalled = false;
        QTimer::singleShot(50, [&]() {
            std::thread([&]() { workerCalled = blockedHardwareAccess2(probe, ViSession(0), ViInt32(10)) == 0; }).join();
        });
        ovsim::failNext("ov7931_setGain", ov7931_ERROR_HARDWARE);
        OV_CALL7931(blockedHardwareAccess3(ov7931_setGain, slaveVi, (ViUInt16)1, (ViUInt16)3));
        QVERIFY(answerer.seen().size() == 2 && workerCalled);
    }

    // One line per guarded call, in the order made: time, thread, the call
    // as written, the arguments with the values output pointers hold after
    // the call, the driver's status (an error also in hexadecimal), the
    // duration. Off, calls leave the file alone.
    void traceLines()
    {
        QVERIFY(driverTrace::start(tracePath().toStdString()) && driverTrace::on());
        blockedHardwareAccess2(ov8263_armDAQ, masterVi, ViUInt16(6));
        ViInt16 state = -7;
        ViUInt16 errors = 9;
        ViInt32 backlog = -7;
        blockedHardwareAccess4(ov8263_checkAcquisition, masterVi, &state, &errors, &backlog);
        long workerId = 0;
        std::thread([&] {
            workerId = long(::syscall(SYS_gettid));
            blockedHardwareAccess4(ov8263_startAcquisitionEx, masterVi, 10, &noCallback, ViAddr(0));
        }).join();
        ovsim::failNext("ov8263_resetFIFO", ov8263_ERROR_BUSY);
        {
            ModalAnswerer answerer({QStringLiteral("No")}); // the report looks its text up through the driver
            OV_CALL8263(blockedHardwareAccess1(ov8263_resetFIFO, masterVi));
        }
        driverTrace::stop();
        blockedHardwareAccess1(ov8263_stopAcquisition, masterVi); // off: not traced

        const QString vi = QString::number(masterVi), me = QString::number(long(::syscall(SYS_gettid)));
        const QString notConfigured = QStringLiteral("%1 (0xBFFC0805)").arg(ov8263_ERROR_NOT_CONFIGURED);
        const QStringList expected[] = {
            {me, "blockedHardwareAccess2(ov8263_armDAQ, masterVi, ViUInt16(6))", vi + ", 6", notConfigured},
            {me, "blockedHardwareAccess4(ov8263_checkAcquisition, masterVi, &state, &errors, &backlog)",
             QStringLiteral("%1, P->%2, P->%3, P->%4").arg(vi).arg(state).arg(errors).arg(backlog), "0"},
            {QString::number(workerId),
             "blockedHardwareAccess4(ov8263_startAcquisitionEx, masterVi, 10, &noCallback, ViAddr(0))",
             vi + ", 10, P, NULL", notConfigured},
            {me, "blockedHardwareAccess1(ov8263_resetFIFO, masterVi)", vi,
             QStringLiteral("%1 (0xBFFC0806)").arg(ov8263_ERROR_BUSY)},
            {me, "blockedHardwareAccess(ov8263_error_message, masterVi, status, buffer)",
             QStringLiteral("%1, %2, P").arg(vi).arg(ov8263_ERROR_BUSY), "0"}};
        QFile f(tracePath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        QCOMPARE(text.count("# time\tthread\tcall\targuments\tstatus\tduration_us\n"), 1);
        const QStringList lines = text.split('\n', Qt::SkipEmptyParts).filter(QRegularExpression("^[^#]"));
        QCOMPARE(lines.size(), 5);
        for (int i = 0; i < lines.size(); ++i) {
            const QStringList t = lines[i].split('\t');
            QCOMPARE(t.size(), 6);
            VERIFY_MATCH("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{6}$", t[0]);
            const QString arguments = QString(t[3]).replace(QRegularExpression("0x[0-9a-f]+"), "P");
            QCOMPARE(QStringList({t[1].section(' ', 0, 0), t[2], arguments, t[4]}), expected[i]);
            VERIFY_MATCH("^\\d+\\.\\d{3}$", t[5]);
        }
        QVERIFY(state != -7 && backlog != -7); // the values the driver left
        // Argument texts of every kind.
        ViSession session = 7;
        ViChar buffer[8] = {};
        const QString arguments = QString::fromStdString(driverTrace::argumentText(
            ViSession(3), ViInt32(-12), 1234.5, &session, &state, buffer, "VXI0::1::\"A\"\t", (ViPInt16)0, (ViAddr)0,
            &noCallback, ViUInt16(65535), true));
        VERIFY_MATCH(QStringLiteral("^3, -12, 1234.5, %1->7, %1->%2, %1, \"VXI0::1::\\\\\"A\\\\\"\\\\x09\", "
                                    "NULL, NULL, %1, 65535, 1$").arg("0x[0-9a-f]+").arg(state), arguments);
    }

    // The About box's switch: its tool tip says what it would do, or where
    // the trace goes once it runs (here started from the environment, as the
    // program does); unchecking stops the trace.
    void aboutBoxSwitch()
    {
        ov9174fp_About about("P0", "D0", "7931", QString(), nullptr, 1, QString());
        auto *option = about.findChild<ov9174fp_traceOption *>();
        const QString offTip = QStringLiteral("Writes every driver call with its arguments, status and duration "
                                              "to a file,\none line per call, for the maker's support.");
        QVERIFY(!option->isChecked() && option->toolTip() == offTip);
        qputenv(driverTrace::environmentVariable, tracePath().toLocal8Bit());
        QVERIFY(driverTrace::startFromEnvironment() && driverTrace::on());
        qunsetenv(driverTrace::environmentVariable);
        about.show();
        QVERIFY(option->isChecked() && option->toolTip() == "Driver calls are traced to " + tracePath());
        option->click();
        QVERIFY(!driverTrace::on() && !option->isChecked() && option->toolTip() == offTip);
    }
};

QTEST_MAIN(TestHwAccess)
#include "test_hwaccess.moc"
