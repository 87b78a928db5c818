// Injected failures: by function name, once or always, in VISA, the common
// library and both drivers, and the forwarded digitizer error.
#include "sim_test_util.h"

#include <QtTest>

#include "statuscodes.h"

using namespace simtest;

class TestSimFaults : public QObject {
    Q_OBJECT

private slots:
    void init() { ovsim::reset(); }

    void failNextInVisa()
    {
        ovsim::failNext("viOpenDefaultRM", VI_ERROR_SYSTEM_ERROR);
        ViSession rm = 1234;
        QCOMPARE(viOpenDefaultRM(&rm), VI_ERROR_SYSTEM_ERROR);
        QCOMPARE(rm, ViSession(1234)); // outputs untouched
        QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);

        ovsim::failNext("viFindRsrc", VI_ERROR_RSRC_NFOUND, 2);
        ViFindList list = 0;
        ViUInt32 count = 77;
        char desc[VI_FIND_BUFLEN] = "x";
        QCOMPARE(viFindRsrc(rm, "?*INSTR", &list, &count, desc), VI_ERROR_RSRC_NFOUND);
        QCOMPARE(viFindRsrc(rm, "?*INSTR", &list, &count, desc), VI_ERROR_RSRC_NFOUND);
        QCOMPARE(count, ViUInt32(77));
        QCOMPARE(viFindRsrc(rm, "?*INSTR", &list, &count, desc), VI_SUCCESS);
        QCOMPARE(count, ViUInt32(1));

        ViSession vi = 0;
        QCOMPARE(viOpen(rm, "VXI0::1::INSTR", VI_NO_LOCK, 0, &vi), VI_SUCCESS);
        ovsim::failNext("viGetAttribute", VI_ERROR_NSUP_ATTR);
        ViInt16 slot = -1;
        QCOMPARE(viGetAttribute(vi, VI_ATTR_SLOT, &slot), VI_ERROR_NSUP_ATTR);
        QCOMPARE(slot, ViInt16(-1));
        QCOMPARE(viGetAttribute(vi, VI_ATTR_SLOT, &slot), VI_SUCCESS);
        QCOMPARE(slot, ViInt16(5));
        viClose(rm);
    }

    void failAlwaysInTheCommonLibrary()
    {
        ViSession rm = 0, vi = 0;
        QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
        QCOMPARE(viOpen(rm, "VXI0::1::INSTR", VI_NO_LOCK, 0, &vi), VI_SUCCESS);
        ovsim::failAlways("ov9174_openIdRecord", OV9174_ERROR_NOT_CARRIER);
        ov9174_IdRecord *rec = nullptr;
        for (int k = 0; k < 3; ++k)
            QCOMPARE(ov9174_openIdRecord(vi, &rec), OV9174_ERROR_NOT_CARRIER);
        QVERIFY(rec == nullptr);
        ovsim::failNext("ov9174_delay", VI_ERROR_SYSTEM_ERROR);
        QCOMPARE(ov9174_delay(0.0), VI_ERROR_SYSTEM_ERROR);
        QCOMPARE(ov9174_delay(0.0), VI_SUCCESS);
        ovsim::clearFaults();
        QCOMPARE(ov9174_openIdRecord(vi, &rec), VI_SUCCESS);
        QCOMPARE(ov9174_closeIdRecord(rec), VI_SUCCESS);
        viClose(rm);
    }

    void failuresInTheDrivers()
    {
        ovsim::failNext("ov8263_paramInit", VI_ERROR_RSRC_BUSY);
        ViSession master = 0;
        QCOMPARE(ov8263_paramInit("VXI0::1::INSTR", 1, 1, 1, &master), VI_ERROR_RSRC_BUSY);
        QCOMPARE(master, ViSession(0));
        Cards c = openDefaultCards();
        QVERIFY(c.master && c.slave);

        // A failing set-up call leaves the card as it was.
        ovsim::failNext("ov8263_setChanConfig", ov8263_ERROR_HARDWARE);
        QCOMPARE(ov8263_setChanConfig(c.master, 4, ov8263_CH_FP, 2, 0), ov8263_ERROR_HARDWARE);
        QVERIFY(!ovsim::digitizerChannel(4).on);
        QCOMPARE(ov8263_setChanConfig(c.master, 4, ov8263_CH_FP, 2, 0), VI_SUCCESS);
        QVERIFY(ovsim::digitizerChannel(4).on);
        QCOMPARE(ovsim::digitizerChannel(4).gain, 2);

        ovsim::failAlways("ov7931_readPGAError", ov7931_ERROR_HARDWARE);
        ViInt16 err = 5;
        QCOMPARE(ov7931_readPGAError(c.slave, 1, &err, nullptr), ov7931_ERROR_HARDWARE);
        QCOMPARE(ov7931_readPGAError(c.slave, 2, &err, nullptr), ov7931_ERROR_HARDWARE);
        QCOMPARE(err, ViInt16(5));
        // Other functions are not affected.
        ViUInt16 ec = 0;
        QCOMPARE(ov7931_checkECStatus(c.slave, &ec), VI_SUCCESS);

        // Queued failures come in the order given.
        ovsim::failNext("ov8263_checkAcquisition", ov8263_ERROR_HARDWARE);
        ovsim::failNext("ov8263_checkAcquisition", ov8263_ERROR_BUSY);
        ViInt16 state;
        ViUInt16 errors;
        ViInt32 backlog;
        QCOMPARE(ov8263_checkAcquisition(c.master, &state, &errors, &backlog), ov8263_ERROR_HARDWARE);
        QCOMPARE(ov8263_checkAcquisition(c.master, &state, &errors, &backlog), ov8263_ERROR_BUSY);
        QCOMPARE(ov8263_checkAcquisition(c.master, &state, &errors, &backlog), VI_SUCCESS);
    }

    void forwardedDigitizerError()
    {
        Cards c = openDefaultCards();
        ovsim::setForwardedStatus(ov8263_ERROR_FREQUENCY);
        ovsim::failNext("ov7931_checkECStatus", ov7931_ERROR_FC_DRIVER);
        ViUInt16 ec = 0;
        ViStatus st = ov7931_checkECStatus(c.slave, &ec);
        QCOMPARE(st, ov7931_ERROR_FC_DRIVER);
        // The panel's report: the digitizer's status and its text.
        ViStatus fc = 0;
        QCOMPARE(ov7931_getFCLastError(c.slave, &fc), VI_SUCCESS);
        QCOMPARE(fc, ov8263_ERROR_FREQUENCY);
        char text[1024] = {0};
        QCOMPARE(ov8263_error_message(c.master, fc, text), VI_SUCCESS);
        QCOMPARE(QString(text), QString::fromStdString(statusText(ov8263_ERROR_FREQUENCY)));
        QCOMPARE(ov7931_error_message(c.slave, st, text), VI_SUCCESS);
        QVERIFY(QString(text).contains("digitizer"));

        // Without a status set, the forwarded failure reads as a hardware failure.
        ovsim::reset();
        c = openDefaultCards();
        ovsim::failNext("ov7931_setChanConfig", ov7931_ERROR_FC_DRIVER);
        QCOMPARE(ov7931_setChanConfig(c.slave, 1, 1, 3, 1), ov7931_ERROR_FC_DRIVER);
        QCOMPARE(ov7931_getFCLastError(c.slave, &fc), VI_SUCCESS);
        QCOMPARE(fc, ov8263_ERROR_HARDWARE);
    }

    void failuresDuringAStream()
    {
        ovsim::setManualClock(true);
        ViSession vi = 0;
        QCOMPARE(ov8263_paramInit("VXI0::1::INSTR", 1, 1, 1, &vi), VI_SUCCESS);
        QCOMPARE(ov8263_setChanConfig(vi, 1, 1, 2, 0), VI_SUCCESS);
        QCOMPARE(ov8263_setAcquisitionMode(vi, 1000.0, 0, ov8263_DA_START_IMM, 0), VI_SUCCESS);
        ovsim::failNext("ov8263_startAcquisitionEx", ov8263_ERROR_HARDWARE);
        struct Seen {
            std::vector<ViStatus> statuses;
        } seen;
        auto cb = [](ViSession v, ViAddr user) {
            double data[100];
            ViInt32 n = 0;
            static_cast<Seen *>(user)->statuses.push_back(ov8263_readAcquisition(v, 100, 0, nullptr, &n, data));
        };
        QCOMPARE(ov8263_startAcquisitionEx(vi, 100, cb, &seen), ov8263_ERROR_HARDWARE);
        ovsim::advanceClock(0.2);
        QVERIFY(seen.statuses.empty());
        QCOMPARE(ov8263_startAcquisitionEx(vi, 100, cb, &seen), VI_SUCCESS);
        ovsim::failNext("ov8263_readAcquisition", ov8263_ERROR_HARDWARE);
        ovsim::advanceClock(0.2);
        QCOMPARE(seen.statuses, (std::vector<ViStatus>{ov8263_ERROR_HARDWARE, VI_SUCCESS}));
        QCOMPARE(ov8263_stopAcquisition(vi), VI_SUCCESS);
    }

    void resetClearsFaults()
    {
        ovsim::failAlways("viOpenDefaultRM", VI_ERROR_SYSTEM_ERROR);
        ViSession rm = 0;
        QCOMPARE(viOpenDefaultRM(&rm), VI_ERROR_SYSTEM_ERROR);
        ovsim::reset();
        QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
    }
};

QTEST_GUILESS_MAIN(TestSimFaults)
#include "test_sim_faults.moc"
