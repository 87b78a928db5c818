// Finding and identifying carriers through VISA and the common library, and
// opening the digitizer the way the panel's connection step does.
#include "sim_test_util.h"

#include <QtTest>

#include "statuscodes.h"

using namespace simtest;

class TestSimDiscovery : public QObject {
    Q_OBJECT

    ViSession rm = 0;

private slots:
    void init()
    {
        ovsim::reset();
        QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
        QVERIFY(rm != 0);
    }
    void cleanup() { viClose(rm); }

    void identifyDefaultCarrier()
    {
        ViFindList list = 0;
        ViUInt32 count = 0;
        char desc[VI_FIND_BUFLEN] = {0};
        QCOMPARE(viFindRsrc(rm, "?*INSTR", &list, &count, desc), VI_SUCCESS);
        QCOMPARE(count, ViUInt32(1));
        QCOMPARE(QString(desc), QString("VXI0::1::INSTR"));
        QCOMPARE(viFindNext(list, desc), VI_ERROR_RSRC_NFOUND);
        QCOMPARE(viClose(list), VI_SUCCESS);

        ViSession vi = 0;
        QCOMPARE(viOpen(rm, desc, VI_NO_LOCK, 0, &vi), VI_SUCCESS);
        ov9174_IdRecord *rec = nullptr;
        QCOMPARE(ov9174_openIdRecord(vi, &rec), VI_SUCCESS);
        QVERIFY(rec);
        QCOMPARE(int(rec->carrierModel), 2600);
        QCOMPARE(rec->positionCount, 4);
        QCOMPARE(int(rec->rawModel[0]), 0); // the table is read on request
        QCOMPARE(ov9174_readCardTable(rec, 0, 1), VI_SUCCESS);
        QCOMPARE(int(rec->rawModel[0]), 0x8263);
        QCOMPARE(int(rec->rawModel[1]), 0x7931);
        QCOMPARE(int(rec->rawModel[2]), 0);
        QCOMPARE(ov9174_closeIdRecord(rec), VI_SUCCESS);
        QCOMPARE(ov9174_closeIdRecord(rec), OV9174_ERROR_INV_RECORD);
        QCOMPARE(ov9174_closeIdRecord(nullptr), VI_SUCCESS);

        ViUInt16 intf = 0;
        ViInt16 slot = 0, la = 0;
        QCOMPARE(viGetAttribute(vi, VI_ATTR_INTF_TYPE, &intf), VI_SUCCESS);
        QCOMPARE(int(intf), VI_INTF_VXI);
        QCOMPARE(viGetAttribute(vi, VI_ATTR_SLOT, &slot), VI_SUCCESS);
        QCOMPARE(int(slot), 5);
        QCOMPARE(viGetAttribute(vi, VI_ATTR_VXI_LA, &la), VI_SUCCESS);
        QCOMPARE(int(la), 1);
        char host[256] = "untouched";
        QCOMPARE(viGetAttribute(vi, VI_ATTR_TCPIP_HOSTNAME, host), VI_ERROR_NSUP_ATTR);
        QCOMPARE(QString(host), QString("untouched"));
        QCOMPARE(viClose(vi), VI_SUCCESS);
        QCOMPARE(viClose(vi), VI_ERROR_INV_OBJECT);
    }

    void searchExpressions()
    {
        QVERIFY(ovsim::loadScenarioFile(shippedScenario("two-carriers.yaml").toStdString()));
        // A new scenario drops every session, the resource manager's too.
        QCOMPARE(viFindRsrc(rm, "?*INSTR", nullptr, nullptr, nullptr), VI_ERROR_INV_OBJECT);
        QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
        auto count = [&](const char *expr) {
            ViFindList list = 0;
            ViUInt32 n = 0;
            ViStatus st = viFindRsrc(rm, expr, &list, &n, nullptr);
            if (st == VI_SUCCESS)
                viClose(list);
            return int(n);
        };
        QCOMPARE(count("?*INSTR"), 4);
        QCOMPARE(count("?*"), 4);
        QCOMPARE(count("VXI?*INSTR"), 2);
        QCOMPARE(count("tcpip?*"), 1);
        QCOMPARE(count("VXI0::[0-9]::INSTR"), 1);
        QCOMPARE(count("[^V]?*"), 2);
        QCOMPARE(count("ASRL?*INSTR"), 0);
    }

    void resourceNamesAndSessions()
    {
        ViSession vi = 0;
        QCOMPARE(viOpen(rm, "vxi0::1::instr", VI_NO_LOCK, 0, &vi), VI_SUCCESS);
        ViSession other = 0;
        QCOMPARE(viOpen(rm, "VXI::1", VI_NO_LOCK, 0, &other), VI_SUCCESS);
        QVERIFY(vi != 0 && other != 0 && vi != other);
        QCOMPARE(viOpen(rm, "not a resource", VI_NO_LOCK, 0, &vi), VI_ERROR_INV_RSRC_NAME);
        QCOMPARE(viOpen(rm, "VXI0::9::INSTR", VI_NO_LOCK, 0, &vi), VI_ERROR_RSRC_NFOUND);
        QCOMPARE(viOpen(rm, nullptr, VI_NO_LOCK, 0, &vi), VI_ERROR_INV_RSRC_NAME);
        QCOMPARE(viOpen(rm, "VXI0::1::INSTR", VI_NO_LOCK, 0, nullptr), VI_ERROR_USER_BUF);
        QCOMPARE(viOpen(0, "VXI0::1::INSTR", VI_NO_LOCK, 0, &vi), VI_ERROR_INV_OBJECT);
        QCOMPARE(viGetAttribute(0, VI_ATTR_SLOT, &vi), VI_ERROR_INV_OBJECT);
        QCOMPARE(viGetAttribute(other, VI_ATTR_SLOT, nullptr), VI_ERROR_USER_BUF);
        QCOMPARE(viGetAttribute(other, VI_ATTR_USER_DATA, &vi), VI_ERROR_NSUP_ATTR);
        ov9174_IdRecord *rec = nullptr;
        QCOMPARE(ov9174_openIdRecord(0, &rec), OV9174_ERROR_INV_SESSION);
        QCOMPARE(ov9174_openIdRecord(other, nullptr), OV9174_ERROR_NULL_POINTER);

        // Closing the manager closes what was opened through it.
        QCOMPARE(viClose(rm), VI_SUCCESS);
        QCOMPARE(viClose(other), VI_ERROR_INV_OBJECT);
        QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
    }

    void openDigitizer()
    {
        ViSession vi = 0;
        QCOMPARE(ov8263_paramInit("VXI0::1::INSTR", 1, 1, 1, &vi), VI_SUCCESS);
        QVERIFY(vi != 0);
        ViInt16 slot = 0;
        QCOMPARE(viGetAttribute(vi, VI_ATTR_SLOT, &slot), VI_SUCCESS);
        QCOMPARE(int(slot), 5);
        char sub[8];
        QCOMPARE(ov8263_getSubType(vi, sub), VI_SUCCESS);
        QCOMPARE(QString(sub), QString("AA"));
        ViUInt32 serial = 0;
        QCOMPARE(ov8263_getSerNum(vi, &serial), VI_SUCCESS);
        QCOMPARE(serial, ViUInt32(0x00012A4F));
        char rev[256] = {0}, drv[256] = {0};
        QCOMPARE(ov8263_revision_query(vi, nullptr, rev), VI_SUCCESS);
        QCOMPARE(QString(rev), QString("2.4.1.0"));
        QCOMPARE(ov8263_revision_query(VI_NULL, drv, nullptr), VI_SUCCESS);
        QVERIFY(std::strlen(drv) > 0);
        double lo = 0, hi = 0;
        QCOMPARE(ov8263_getFrequencyLimits(vi, &lo, &hi), VI_SUCCESS);
        QCOMPARE(lo, 1.0);
        QCOMPARE(hi, 50000.0);

        ViSession bad = 77;
        QCOMPARE(ov8263_paramInit("VXI0::1::INSTR", 2, 1, 1, &bad), ov8263_ERROR_NO_CARD);   // the 7931
        QCOMPARE(ov8263_paramInit("VXI0::1::INSTR", 3, 1, 1, &bad), ov8263_ERROR_NO_CARD);   // empty
        QCOMPARE(ov8263_paramInit("VXI0::1::INSTR", 9, 1, 1, &bad), ov8263_ERROR_INV_PARAMETER);
        QCOMPARE(ov8263_paramInit("VXI7::1::INSTR", 1, 1, 1, &bad), VI_ERROR_RSRC_NFOUND);
        QCOMPARE(ov8263_paramInit(nullptr, 1, 1, 1, &bad), ov8263_ERROR_NULL_POINTER);
        QCOMPARE(bad, ViSession(77));

        QCOMPARE(ov8263_close(vi), VI_SUCCESS);
        QCOMPARE(ov8263_close(vi), ov8263_ERROR_INV_SESSION);
        QCOMPARE(ov8263_getSubType(vi, sub), ov8263_ERROR_INV_SESSION);
        QCOMPARE(ov8263_getSubType(0, sub), ov8263_ERROR_INV_SESSION);
    }

    void statusTexts()
    {
        const ViStatus codes[] = {VI_ERROR_RSRC_NFOUND,     VI_ERROR_RSRC_BUSY,       VI_ERROR_NSUP_ATTR,
                                  ov8263_ERROR_INV_SESSION, ov8263_ERROR_FREQUENCY,   ov8263_WARN_NOT_ALL_READ,
                                  ov7931_ERROR_FC_DRIVER,   ov7931_ERROR_NO_CARD,     ov7931_WARN_NO_EXCITATION,
                                  OV9174_ERROR_INV_RECORD,  OV9174_ERROR_NOT_CARRIER, OV9174_ERROR_NULL_POINTER};
        QSet<QString> seen;
        for (ViStatus code : codes) {
            QString text = QString::fromStdString(statusText(code));
            QVERIFY2(!text.isEmpty() && !text.startsWith("Unknown"), qPrintable(text));
            seen.insert(text);
            char viaDriver[1024] = {0};
            QCOMPARE(ov8263_error_message(0, code, viaDriver), VI_SUCCESS);
            QCOMPARE(QString(viaDriver), text);
            QCOMPARE(ov7931_error_message(0, code, viaDriver), VI_SUCCESS);
            QCOMPARE(QString(viaDriver), text);
        }
        QCOMPARE(seen.size(), int(sizeof codes / sizeof codes[0]));
        QCOMPARE(QString::fromStdString(statusText(0)), QString("Success"));
        QCOMPARE(QString::fromStdString(statusText(ViStatus(0xBFFC0FFF))), QString("Unknown status code 0xBFFC0FFF"));
        QCOMPARE(ov9174_statusMessage(0, nullptr), OV9174_ERROR_NULL_POINTER);
        char rev[256] = {0};
        QCOMPARE(ov9174_libRevision(rev), VI_SUCCESS);
        QVERIFY(std::strlen(rev) > 0);
    }

    void delayWaitsOnTheSimulatedClock()
    {
        ovsim::setManualClock(true);
        double t0 = ovsim::now();
        // With the clock moved by hand, a delay moves it itself.
        QCOMPARE(ov9174_delay(250.0), VI_SUCCESS);
        QCOMPARE(ovsim::now() - t0, 0.25);
        QCOMPARE(ov9174_delay(0.0), VI_SUCCESS);
        QCOMPARE(ovsim::now() - t0, 0.25);
        ovsim::setManualClock(false);
        ovsim::setClockSpeed(1000.0);
        t0 = ovsim::now();
        QCOMPARE(ov9174_delay(2000.0), VI_SUCCESS);
        QVERIFY(ovsim::now() - t0 >= 2.0);
    }
};

QTEST_GUILESS_MAIN(TestSimDiscovery)
#include "test_sim_discovery.moc"
