// The journal of calls: every entry point, in call order, with its arguments
// written as text and the status it returned.
#include "sim_test_util.h"

#include <QtTest>

#include <thread>

using namespace simtest;

namespace {

QStringList texts(const std::vector<ovsim::Call> &calls)
{
    QStringList out;
    for (const auto &c : calls)
        out << QString::fromStdString(c.text());
    return out;
}

void ignoreBlock(ViSession, ViAddr) {}

} // namespace

class TestSimJournal : public QObject {
    Q_OBJECT

private slots:
    void init() { ovsim::reset(); }

    void argumentsAsText()
    {
        ViSession rm = 0, vi = 0;
        viOpenDefaultRM(&rm);
        viOpen(rm, "VXI0::1::INSTR", VI_NO_LOCK, 2000, &vi);
        viGetAttribute(vi, VI_ATTR_SLOT, nullptr);
        ov9174_delay(2.5);
        const QString r = QString::number(rm), v = QString::number(vi);
        QCOMPARE(texts(ovsim::journal()), (QStringList{
                                              "viOpenDefaultRM(&)",
                                              "viOpen(" + r + ", \"VXI0::1::INSTR\", 0, 2000, &)",
                                              "viGetAttribute(" + v + ", 1073676520, null)",
                                              "ov9174_delay(2.5)",
                                          }));
        std::vector<ovsim::Call> calls = ovsim::journal();
        QCOMPARE(calls[2].status, VI_ERROR_USER_BUF);
        QCOMPARE(calls[1].function, std::string("viOpen"));
        QCOMPARE(int(calls[1].args.size()), 5);
    }

    void driverCallsInOrder()
    {
        Cards c = openDefaultCards();
        ovsim::clearJournal();
        const QString m = QString::number(c.master), s = QString::number(c.slave);
        ov8263_setChanConfig(c.master, 3, ov8263_CH_FP, 2, VI_FALSE);
        ov7931_setChanConfig(c.slave, 3, ov7931_MODE_4_WIRE, 7, ov7931_EXC_500UA);
        ov7931_readPGAError(c.slave, 3, nullptr, nullptr);
        ov8263_setAcquisitionMode(c.master, 1000.0, 500, ov8263_DA_START_TRIG, ov8263_DA_STOP_ERR_OFF);
        ov8263_error_message(c.master, ov8263_ERROR_BUSY, nullptr);
        ov8263_startAcquisitionEx(c.master, 100, ignoreBlock, nullptr);
        ov8263_paramInit(nullptr, 1, 1, 1, nullptr);
        QCOMPARE(texts(ovsim::journal()),
                 (QStringList{
                     "ov8263_setChanConfig(" + m + ", 3, 1, 2, 0)",
                     "ov7931_setChanConfig(" + s + ", 3, 1, 7, 1)",
                     "ov7931_readPGAError(" + s + ", 3, null, null)",
                     "ov8263_setAcquisitionMode(" + m + ", 1000, 500, 1, 0)",
                     "ov8263_error_message(" + m + ", " + QString::number(ov8263_ERROR_BUSY) + ", null)",
                     "ov8263_startAcquisitionEx(" + m + ", 100, fn, null)",
                     "ov8263_paramInit(null, 1, 1, 1, null)",
                 }));
        std::vector<ovsim::Call> calls = ovsim::journal();
        QCOMPARE(calls[0].status, VI_SUCCESS);
        QCOMPARE(calls[2].status, ov7931_ERROR_NULL_POINTER);
        QCOMPARE(calls[5].status, VI_SUCCESS);
        QCOMPARE(calls[6].status, ov8263_ERROR_NULL_POINTER);
        QCOMPARE(ov8263_stopAcquisition(c.master), VI_SUCCESS);
    }

    void filterAndClear()
    {
        Cards c = openDefaultCards();
        ViUInt16 ec = 0;
        ov7931_checkECStatus(c.slave, &ec);
        ovsim::failNext("ov7931_checkECStatus", ov7931_ERROR_HARDWARE);
        ov7931_checkECStatus(c.slave, &ec);
        std::vector<ovsim::Call> ec2 = ovsim::journalOf("ov7931_checkECStatus");
        QCOMPARE(int(ec2.size()), 2);
        QCOMPARE(ec2[0].status, VI_SUCCESS);
        QCOMPARE(ec2[1].status, ov7931_ERROR_HARDWARE); // injected failures are recorded too
        QCOMPARE(int(ovsim::journalOf("ov8263_paramInit").size()), 1);
        ovsim::clearJournal();
        QVERIFY(ovsim::journal().empty());
        ov7931_checkECStatus(c.slave, &ec);
        QCOMPARE(int(ovsim::journal().size()), 1);
    }

    void callsFromSeveralThreads()
    {
        Cards c = openDefaultCards();
        ovsim::clearJournal();
        auto work = [&](int ch) {
            for (int k = 0; k < 200; ++k)
                ov8263_setChanConfig(c.master, ch, ov8263_CH_FP, 2, VI_FALSE);
        };
        std::thread a(work, 1), b(work, 2);
        a.join();
        b.join();
        std::vector<ovsim::Call> calls = ovsim::journal();
        QCOMPARE(int(calls.size()), 400);
        int one = 0;
        for (const auto &call : calls) {
            QCOMPARE(call.status, VI_SUCCESS);
            one += call.args[1] == "1";
        }
        QCOMPARE(one, 200);
    }
};

QTEST_GUILESS_MAIN(TestSimJournal)
#include "test_sim_journal.moc"
