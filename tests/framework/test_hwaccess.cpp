// Guarded driver calls: both reporting rules, the error-only variant, reports
// from worker threads, and the lock itself.
#include "modalanswer.h"
#include "ov7931.h"
#include "ov7931Demo_hwaccess.h"
#include "ov8263.h"
#include "ovsim_control.h"
#include "testkit.h"

#include <QThread>
#include <QtTest>

#include <atomic>
#include <thread>
#include <tuple>

using namespace testkit;

namespace {
const ViStatus forwarded = ov7931_ERROR_FC_DRIVER;
const ViStatus noForward = 1; // not forwarded: the status itself decides
ViSession masterVi = 0;
ViSession slaveVi = 0;

// The cases of reporting a status: name, digitizer rule?, errors only?, the
// status, what ov7931_getFCLastError gives, error box?, the digitizer's text?,
// the status explained.
const std::tuple<const char *, bool, bool, ViStatus, ViStatus, bool, bool, ViStatus> rules[] = {
    {"7931 error", false, false, ov7931_ERROR_INV_CHANNEL, noForward, true, false, ov7931_ERROR_INV_CHANNEL},
    {"7931 warning", false, false, ov7931_WARN_NO_EXCITATION, noForward, false, false, ov7931_WARN_NO_EXCITATION},
    {"forwarded, positive", false, false, forwarded, ov8263_WARN_OUT_OF_RANGE, false, true, ov8263_WARN_OUT_OF_RANGE},
    {"forwarded, zero", false, false, forwarded, 0, false, true, 0},
    {"forwarded, negative", false, false, forwarded, ov8263_ERROR_BUSY, true, true, ov8263_ERROR_BUSY},
    {"8263 error", true, false, ov8263_ERROR_INV_PARAMETER, noForward, true, true, ov8263_ERROR_INV_PARAMETER},
    {"8263 warning", true, false, ov8263_WARN_NOT_ALL_READ, noForward, false, true, ov8263_WARN_NOT_ALL_READ},
    // The digitizer rule knows no forwarded error: 0xBFFC0B05 is just a negative status.
    {"8263, forwarded code", true, false, forwarded, noForward, true, true, forwarded},
    {"errors only, warning", true, true, ov8263_WARN_OUT_OF_RANGE, noForward, false, true, 0},
    {"errors only, error", false, true, ov7931_ERROR_HARDWARE, noForward, true, false, ov7931_ERROR_HARDWARE},
};

// Notices when two threads are inside "the driver" at once.
std::atomic<int> inside{0}, overlaps{0};
ViStatus probe(ViSession, ViInt32 spin)
{
    overlaps += inside++ != 0;
    for (volatile ViInt32 i = 0; i < spin; i = i + 1) {
    }
    return --inside, 0;
}
} // namespace

class TestHwAccess : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        ovsim::reset();
        QCOMPARE(ov8263_paramInit("VXI0::1::INSTR", 1, 1, 1, &masterVi), 0);
        QCOMPARE(ov7931_init(masterVi, VI_TRUE, VI_TRUE, &slaveVi), 0);
        setReportSessions(&masterVi, &slaveVi);
        ovsim::clearJournal();
    }

    void reportingRules_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(rules)); ++i)
            QTest::newRow(std::get<0>(rules[i])) << i;
    }

    void reportingRules()
    {
        QFETCH(int, row);
        const auto [name, digitizerRule, errorsOnly, status, fcStatus, isError, digitizerText, explained] = rules[row];
        const bool shown = isError || !errorsOnly;
        ModalAnswerer answerer({QStringLiteral("No")});
        if (fcStatus == 0) // an injected success writes no status: it stays 0
            ovsim::failNext("ov7931_getFCLastError", 0);
        else if (fcStatus != noForward)
            ovsim::setForwardedStatus(fcStatus);
        ovsim::failNext("ov7931_setGain", status);
        const ViStatus s = blockedHardwareAccess3(ov7931_setGain, slaveVi, (ViUInt16)1, (ViUInt16)3);
        const ReportRule rule = digitizerRule ? ReportRule::Digitizer : ReportRule::Conditioning;
        QCOMPARE((errorsOnly ? reportErrorOnly : reportStatus)(s, "the call", rule), ViStatus(status));
        // The digitizer's status is fetched from the conditioning driver, then
        // explained by the digitizer driver with the current session.
        const ViSession vi = digitizerText ? masterVi : slaveVi;
        QStringList calls{QStringLiteral("ov7931_setGain(%1, 1, 3)").arg(slaveVi)};
        if (fcStatus != noForward)
            calls << QStringLiteral("ov7931_getFCLastError(%1, &)").arg(slaveVi);
        if (shown)
            calls << QString("ov%1_error_message(%2, %3, &)").arg(digitizerText ? 8263 : 7931).arg(vi).arg(explained);
        QCOMPARE(journalNames(QString(), true), calls);
        QCOMPARE(answerer.seen().size(), shown ? 1 : 0);
        if (!shown)
            return;
        const SeenBox box = answerer.seen().first();
        const QString text = driverText(digitizerText, vi, explained);
        QCOMPARE(box.title, isError ? QStringLiteral("Keltri 7931 SFP Error message")
                                    : QStringLiteral("Keltri 7931 SFP Warning message"));
        QCOMPARE(box.icon, isError ? QMessageBox::Critical : QMessageBox::Warning);
        QCOMPARE(box.text, isError ? errorBoxText("the call", text) : QStringLiteral("Warning: [%1]").arg(text));
    }

    void workerReportIsShownOnTheGuiThread()
    {
        ModalAnswerer answerer({QStringLiteral("No")});
        ovsim::failNext("ov7931_setGain", ov7931_ERROR_HARDWARE);
        // The GUI thread runs no event loop meanwhile: a worker that waited for the answer would never finish.
        QThread *worker = QThread::create(
            [] { OV_CALL7931(blockedHardwareAccess3(ov7931_setGain, slaveVi, (ViUInt16)1, (ViUInt16)3)); });
        worker->start();
        QVERIFY(worker->wait(20000));
        delete worker;
        QCOMPARE(answerer.seen().size(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(answerer.seen().size(), 1, 10000);
        QVERIFY(answerer.seen().first().text.startsWith("blockedHardwareAccess3(ov7931_setGain, slaveVi, "));
    }

    void driverCallsNeverOverlapAndABoxHoldsNoLock()
    {
        auto run = [] {
            for (int i = 0; i < 2000; ++i)
                blockedHardwareAccess2(probe, ViSession(1), ViInt32(200));
        };
        std::thread a(run), b(run), c(run);
        a.join(), b.join(), c.join();
        QCOMPARE(overlaps.load(), 0);
        // While an error box is open on the GUI thread, a worker's driver call goes through.
        ModalAnswerer answerer({QStringLiteral("No")}, 300);
        bool workerCalled = false;
        QTimer::singleShot(50, [&]() {
            std::thread([&]() { workerCalled = blockedHardwareAccess2(probe, ViSession(0), ViInt32(10)) == 0; }).join();
        });
        ovsim::failNext("ov7931_setGain", ov7931_ERROR_HARDWARE);
        OV_CALL7931(blockedHardwareAccess3(ov7931_setGain, slaveVi, (ViUInt16)1, (ViUInt16)3));
        QCOMPARE(answerer.seen().size(), 1);
        QVERIFY(workerCalled);
    }
};

QTEST_MAIN(TestHwAccess)
#include "test_hwaccess.moc"
