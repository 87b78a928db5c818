// Guarded driver calls: both reporting rules and the error-only variant,
// reports from worker threads, the lock itself, and the driver-call trace
// checked against the simulator's journal.
#include "modalanswer.h"
#include "ov7931.h"
#include "ov7931Demo_hwaccess.h"
#include "ov8263.h"
#include "ov9174fp_About.h"
#include "ov9174fp_traceOption.h"
#include "ovsim_control.h"
#include "testkit.h"

#include <QFileDialog>
#include <QTemporaryDir>
#include <QThread>
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

// The trace file's lines after its head lines, split into their six fields
// (time, thread, call, arguments, status, duration); empty when a line has other fields.
QList<QStringList> readTrace(const QString &path)
{
    QFile f(path);
    QList<QStringList> out;
    for (const QString &line : QString::fromUtf8(f.open(QIODevice::ReadOnly) ? f.readAll() : "").split('\n'))
        if (!line.isEmpty() && !line.startsWith('#'))
            out << line.split('\t');
    const bool sixFields = std::all_of(out.begin(), out.end(), [](const QStringList &l) { return l.size() == 6; });
    return sixFields ? out : QList<QStringList>();
}

QString threadId() { return QString::number(long(::syscall(SYS_gettid))); }
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
        const struct {
            const char *name;
            ReportRule rule;
            bool errorsOnly;
            ViStatus status, fcStatus; // fcStatus: what ov7931_getFCLastError gives
            bool isError, digitizerText; // an error box, explained by the digitizer's driver
        } rules[] = {{"7931 error", C, false, ov7931_ERROR_INV_CHANNEL, noForward, true, false},
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
        for (const auto &r : rules) {
            init();
            ModalAnswerer answerer({QStringLiteral("No")});
            if (r.fcStatus == 0) // an injected success writes no status: it stays 0
                ovsim::failNext("ov7931_getFCLastError", 0);
            else if (r.fcStatus != noForward)
                ovsim::setForwardedStatus(r.fcStatus);
            ovsim::failNext("ov7931_setGain", r.status);
            const ViStatus s = blockedHardwareAccess3(ov7931_setGain, slaveVi, (ViUInt16)1, (ViUInt16)3);
            QCOMPARE((r.errorsOnly ? reportErrorOnly : reportStatus)(s, "the call", r.rule), r.status);
            QStringList seen = QStringList(r.name) + journalNames(QString(), true);
            for (const SeenBox &box : answerer.seen())
                seen << box.title << QString::number(box.icon) << box.text;
            const ViSession vi = r.digitizerText ? masterVi : slaveVi;
            const ViStatus explained = r.fcStatus == noForward ? r.status : r.fcStatus;
            QStringList expected{r.name, QStringLiteral("ov7931_setGain(%1, 1, 3)").arg(slaveVi)};
            if (r.fcStatus != noForward)
                expected << QStringLiteral("ov7931_getFCLastError(%1, &)").arg(slaveVi);
            if (r.isError || !r.errorsOnly) {
                const QString text = driverText(r.digitizerText, vi, explained);
                expected << QString("ov%1_error_message(%2, %3, &)").arg(r.digitizerText ? 8263 : 7931).arg(vi)
                                .arg(explained)
                         << QStringLiteral("Keltri 7931 SFP %1 message").arg(r.isError ? "Error" : "Warning")
                         << QString::number(r.isError ? QMessageBox::Critical : QMessageBox::Warning)
                         << (r.isError ? errorBoxText("the call", text) : QStringLiteral("Warning: [%1]").arg(text));
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
        QThread *worker = QThread::create(
            [] { OV_CALL7931(blockedHardwareAccess3(ov7931_setGain, slaveVi, (ViUInt16)1, (ViUInt16)3)); });
        worker->start();
        QVERIFY(worker->wait(20000)); // the GUI thread runs no event loop meanwhile
        delete worker;
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
    // duration. Off, calls leave the file alone; a new start appends.
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
        const qint64 size = QFileInfo(tracePath()).size();
        blockedHardwareAccess1(ov8263_resetFIFO, masterVi);
        QVERIFY(!driverTrace::on() && QFileInfo(tracePath()).size() == size);
        QVERIFY(driverTrace::start(tracePath().toStdString()));
        blockedHardwareAccess1(ov8263_stopAcquisition, masterVi);
        driverTrace::stop();

        std::vector<ovsim::Call> journal = ovsim::journal();
        journal.erase(journal.begin() + 5); // the untraced call
        const QString vi = QString::number(masterVi), me = threadId();
        const QStringList expected[] = {
            {me, "blockedHardwareAccess2(ov8263_armDAQ, masterVi, ViUInt16(6))", vi + ", 6"},
            {me, "blockedHardwareAccess4(ov8263_checkAcquisition, masterVi, &state, &errors, &backlog)",
             QStringLiteral("%1, P->%2, P->%3, P->%4").arg(vi).arg(state).arg(errors).arg(backlog)},
            {QString::number(workerId),
             "blockedHardwareAccess4(ov8263_startAcquisitionEx, masterVi, 10, &noCallback, ViAddr(0))",
             vi + ", 10, P, NULL"},
            {me, "blockedHardwareAccess1(ov8263_resetFIFO, masterVi)", vi},
            {me, "blockedHardwareAccess(ov8263_error_message, masterVi, status, buffer)",
             QStringLiteral("%1, %2, P").arg(vi).arg(ov8263_ERROR_BUSY)},
            {me, "blockedHardwareAccess1(ov8263_stopAcquisition, masterVi)", vi}};
        const QList<QStringList> trace = readTrace(tracePath());
        QCOMPARE(trace.size(), 6);
        for (int i = 0; i < trace.size(); ++i) {
            const QStringList &t = trace[i];
            const ViStatus s = journal[size_t(i)].status;
            const QString hex = QString::number(quint32(s), 16).toUpper().rightJustified(8, '0');
            const QString status = s ? QStringLiteral("%1 (0x%2)").arg(s).arg(hex) : QStringLiteral("0");
            VERIFY_MATCH("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{6}$", t[0]);
            const QString arguments = QString(t[3]).replace(QRegularExpression("0x[0-9a-f]+"), "P");
            QCOMPARE(QStringList({t[1].section(' ', 0, 0), t[2], arguments, t[4]}),
                     expected[i] + QStringList(status));
            VERIFY_MATCH("^\\d+\\.\\d{3}$", t[5]);
        }
        QCOMPARE(trace[3][4], QStringLiteral("%1 (0xBFFC0806)").arg(ov8263_ERROR_BUSY));
        QVERIFY(state != -7 && backlog != -7); // the values the driver left
        QFile f(tracePath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()).count("# time\tthread\tcall\targuments\tstatus\tduration_us\n"), 2);
        // Argument texts of every kind.
        ViSession session = 7;
        ViChar buffer[8] = {};
        const QString text = QString::fromStdString(driverTrace::argumentText(
            ViSession(3), ViInt32(-12), 1234.5, &session, &state, buffer, "VXI0::1::\"A\"\t", (ViPInt16)0, (ViAddr)0,
            &noCallback, ViUInt16(65535), true));
        VERIFY_MATCH(QStringLiteral("^3, -12, 1234.5, %1->7, %1->%2, %1, \"VXI0::1::\\\\\"A\\\\\"\\\\x09\", "
                                    "NULL, NULL, %1, 65535, 1$").arg("0x[0-9a-f]+").arg(state),
                     text);
        QCOMPARE(QString::fromStdString(driverTrace::argumentText()), QString());
    }

    void traceFromEnvironment()
    {
        const struct {
            const char *value;
            bool started, on;
        } cases[] = {
            {nullptr, true, false}, {"", true, false}, {"trace.txt", true, true}, {"missing/t.txt", false, false}};
        for (const auto &c : cases) {
            const QString value = c.value && *c.value ? dir.filePath(c.value) : QString();
            c.value ? qputenv(driverTrace::environmentVariable, value.toLocal8Bit())
                    : qunsetenv(driverTrace::environmentVariable);
            std::string reason;
            QVERIFY2(driverTrace::startFromEnvironment(&reason) == c.started && driverTrace::on() == c.on, c.value);
            QVERIFY2(reason.empty() == (c.on || value.isEmpty()), c.value);
            QVERIFY(!c.on || QString::fromStdString(driverTrace::path()) == value);
            qunsetenv(driverTrace::environmentVariable);
            driverTrace::stop();
        }
    }

    // The About box's switch: checking asks for the file (a cancelled
    // dialog leaves the trace off), unchecking stops; the tool tip says
    // where the trace goes, or what it would do.
    void aboutBoxSwitch()
    {
        ov9174fp_About about("P0", "D0", "7931", QString(), nullptr, 1, QString());
        auto *option = about.findChild<ov9174fp_traceOption *>();
        QVERIFY(option && !option->isChecked());
        QString offered;
        bool accept = false;
        ModalAnswerer answerer({QStringLiteral("OK")});
        answerer.other = [&](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            if (dialog) {
                offered = dialog->selectedFiles().value(0);
                accept ? chooseFile(dialog, tracePath()), static_cast<QDialog *>(dialog)->accept() : dialog->reject();
            }
            return dialog != nullptr;
        };
        option->click();
        QVERIFY(!driverTrace::on() && !option->isChecked());
        QCOMPARE(offered, ov9174fp_traceOption::defaultTraceFile());
        accept = true;
        option->click();
        QVERIFY(driverTrace::on() && option->isChecked());
        QCOMPARE(QString::fromStdString(driverTrace::path()), tracePath());
        QCOMPARE(option->toolTip(), "Driver calls are traced to " + tracePath());
        option->click();
        QVERIFY(!driverTrace::on() && !option->isChecked());
        QCOMPARE(option->toolTip(), QStringLiteral("Writes every driver call with its arguments, status and duration "
                                                   "to a file,\none line per call, for the maker's support."));
        // A trace started elsewhere shows when the box is shown again.
        QVERIFY(driverTrace::start(tracePath().toStdString()));
        about.show();
        QVERIFY(option->isChecked() && option->toolTip() == option->whatsThis());
        QVERIFY(answerer.seen().isEmpty());
    }
};

QTEST_MAIN(TestHwAccess)
#include "test_hwaccess.moc"
