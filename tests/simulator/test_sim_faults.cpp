// Injected failures by function name (once, several times, queued, always) in
// VISA, the common library and both drivers; the forwarded digitizer status;
// the journal of calls with their argument texts and statuses.
#include "sim_test_util.h"

#include <QtTest>

#include "statuscodes.h"

using namespace simtest;

namespace {

void ignoreBlock(ViSession, ViAddr) { }

QString is(ViStatus status) { return " = " + QString::number(status); }

} // namespace

class TestSimFaults : public QObject {
    Q_OBJECT

private slots:
    void init() { ovsim::reset(); }

    void failuresInEveryLayer()
    {
        ovsim::setManualClock(true);
        const double t0 = ovsim::now();
        ViSession rm = 1234, vi = 0;
        ov9174_IdRecord *rec = nullptr;
        Cards c;
        // Each fails as injected without touching its outputs or the card, then works again.
        ovsim::failNext("viOpenDefaultRM", VI_ERROR_SYSTEM_ERROR);
        ovsim::failNext("viFindRsrc", VI_ERROR_RSRC_NFOUND, 2);
        ovsim::failNext("ov9174_openIdRecord", OV9174_ERROR_NOT_CARRIER);
        ovsim::failNext("ov9174_delay", VI_ERROR_SYSTEM_ERROR);
        ovsim::failNext("ov8263_paramInit", VI_ERROR_RSRC_BUSY);
        ovsim::failNext("ov8263_setChanConfig", ov8263_ERROR_HARDWARE);
        QCOMPARE(viOpenDefaultRM(&rm), VI_ERROR_SYSTEM_ERROR);
        QCOMPARE(rm, ViSession(1234));
        QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
        QCOMPARE(viFindRsrc(rm, "?*INSTR", nullptr, nullptr, nullptr), VI_ERROR_RSRC_NFOUND);
        QCOMPARE(viFindRsrc(rm, "?*INSTR", nullptr, nullptr, nullptr), VI_ERROR_RSRC_NFOUND);
        QCOMPARE(viFindRsrc(rm, "?*INSTR", nullptr, nullptr, nullptr), VI_SUCCESS);
        QCOMPARE(viOpen(rm, "VXI0::1::INSTR", VI_NO_LOCK, 0, &vi), VI_SUCCESS);
        QCOMPARE(ov9174_openIdRecord(vi, &rec), OV9174_ERROR_NOT_CARRIER);
        QVERIFY(!rec);
        QCOMPARE(ov9174_openIdRecord(vi, &rec), VI_SUCCESS);
        QCOMPARE(ov9174_delay(250.0), VI_ERROR_SYSTEM_ERROR);
        QCOMPARE(ov9174_delay(250.0), VI_SUCCESS);
        QCOMPARE(ovsim::now() - t0, 0.25); // only the delay that worked moved the manual clock
        QCOMPARE(ov8263_paramInit("VXI0::1::INSTR", 1, 1, 1, &c.master), VI_ERROR_RSRC_BUSY);
        c = openDefaultCards();
        QCOMPARE(ov8263_setChanConfig(c.master, 4, ov8263_CH_FP, 2, 0), ov8263_ERROR_HARDWARE);
        QVERIFY(!ovsim::digitizerChannel(4).on);

        // Queued failures come in the order given; failAlways holds until cleared.
        ovsim::failNext("ov7931_readPGAError", ov7931_ERROR_HARDWARE);
        ovsim::failNext("ov7931_readPGAError", ov7931_ERROR_INV_CHANNEL);
        ViInt16 err = 0;
        QCOMPARE(ov7931_readPGAError(c.slave, 1, &err, nullptr), ov7931_ERROR_HARDWARE);
        QCOMPARE(ov7931_readPGAError(c.slave, 1, &err, nullptr), ov7931_ERROR_INV_CHANNEL);
        ovsim::failAlways("ov7931_checkECStatus", ov7931_ERROR_HARDWARE);
        ViUInt16 ec = 0;
        for (int k = 0; k < 3; ++k)
            QCOMPARE(ov7931_checkECStatus(c.slave, &ec), ov7931_ERROR_HARDWARE);
        ovsim::clearFaults();
        QCOMPARE(ov7931_checkECStatus(c.slave, &ec), VI_SUCCESS);
    }

    void forwardedDigitizerStatus()
    {
        // A bad digitizer session: ov7931_init fails in the digitizer driver, asked without a session.
        ViSession slave = 55;
        ViStatus fc = 0;
        QCOMPARE(ov7931_init(0, VI_TRUE, VI_TRUE, &slave), ov7931_ERROR_FC_DRIVER);
        QCOMPARE(slave, ViSession(55));
        QCOMPARE(ov7931_getFCLastError(VI_NULL, &fc), VI_SUCCESS);
        QCOMPARE(fc, ov8263_ERROR_INV_SESSION);
        // An injected forwarded failure reports the status set, by default a hardware failure.
        Cards c = openDefaultCards();
        for (ViStatus forwarded : {ViStatus(0), ov8263_ERROR_FREQUENCY}) {
            ovsim::setForwardedStatus(forwarded);
            ovsim::failNext("ov7931_setChanConfig", ov7931_ERROR_FC_DRIVER);
            QCOMPARE(ov7931_setChanConfig(c.slave, 1, 1, 3, 1), ov7931_ERROR_FC_DRIVER);
            QCOMPARE(ov7931_getFCLastError(c.slave, &fc), VI_SUCCESS);
            QCOMPARE(fc, forwarded ? forwarded : ov8263_ERROR_HARDWARE);
        }
    }

    void journalOfCalls()
    {
        ViSession rm = 0, vi = 0;
        viOpenDefaultRM(&rm);
        viOpen(rm, "VXI0::1::INSTR", VI_NO_LOCK, 2000, &vi);
        ov9174_delay(2.5);
        Cards c = openDefaultCards();
        ovsim::failNext("ov7931_readPGAError", ov7931_ERROR_HARDWARE);
        ov7931_readPGAError(c.slave, 3, nullptr, nullptr);
        ov7931_readPGAError(c.slave, 3, nullptr, nullptr);
        ov8263_setAcquisitionMode(c.master, 1000.0, 500, ov8263_DA_START_TRIG, ov8263_DA_STOP_ERR_OFF);
        ov8263_error_message(c.master, ov8263_ERROR_BUSY, nullptr);
        ov8263_setChanConfig(c.master, 3, ov8263_CH_FP, 2, VI_FALSE);
        ov8263_startAcquisitionEx(c.master, 100, ignoreBlock, nullptr);
        ov8263_stopAcquisition(c.master);
        QStringList texts;
        for (const ovsim::Call &call : ovsim::journal())
            texts << QString::fromStdString(call.text()) + is(call.status);
        const QString r = QString::number(rm), m = QString::number(c.master), s = QString::number(c.slave),
                      ok = is(VI_SUCCESS);
        QCOMPARE(texts, (QStringList{
                            "viOpenDefaultRM(&)" + ok,
                            "viOpen(" + r + ", \"VXI0::1::INSTR\", 0, 2000, &)" + ok,
                            "ov9174_delay(2.5)" + ok,
                            "ov8263_paramInit(\"VXI0::1::INSTR\", 1, 1, 1, &)" + ok,
                            "ov7931_init(" + m + ", 1, 1, &)" + ok,
                            "ov7931_readPGAError(" + s + ", 3, null, null)" + is(ov7931_ERROR_HARDWARE),
                            "ov7931_readPGAError(" + s + ", 3, null, null)" + is(ov7931_ERROR_NULL_POINTER),
                            "ov8263_setAcquisitionMode(" + m + ", 1000, 500, 1, 0)" + ok,
                            "ov8263_error_message(" + m + ", " + QString::number(ov8263_ERROR_BUSY) + ", null)" +
                                is(ov8263_ERROR_NULL_POINTER),
                            "ov8263_setChanConfig(" + m + ", 3, 1, 2, 0)" + ok,
                            "ov8263_startAcquisitionEx(" + m + ", 100, fn, null)" + ok,
                            "ov8263_stopAcquisition(" + m + ")" + ok,
                        }));
        QCOMPARE(int(ovsim::journalOf("ov7931_readPGAError").size()), 2);
        ovsim::clearJournal();
        QVERIFY(ovsim::journal().empty());
    }
};

QTEST_GUILESS_MAIN(TestSimFaults)
#include "test_sim_faults.moc"
