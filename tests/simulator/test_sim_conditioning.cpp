// The 7931 conditioning card: opening through the digitizer, sub-types,
// excitation currents and their status, amplifier flags and the wire test.
#include "sim_test_util.h"

#include <QtTest>

#include <cmath>

using namespace simtest;

namespace {

ViUInt16 ecStatus(ViSession slave)
{
    ViUInt16 bits = 0xFFFF;
    ov7931_checkECStatus(slave, &bits);
    return bits;
}

struct Wires {
    ViInt16 w[4] = {9, 9, 9, 9};
    ViStatus status = 0;
};

Wires wireTest(ViSession slave, int ch)
{
    Wires r;
    r.status = ov7931_brokenWireDetect(slave, ch, &r.w[0], &r.w[1], &r.w[2], &r.w[3]);
    return r;
}

// One carrier per sub-type, each with a digitizer in position 1 and the 7931 in position 2.
QByteArray subTypeScenario(const QStringList &subTypes)
{
    QByteArray yaml = "version: 1\ndevices:\n";
    QByteArray resources = "resources:\n";
    for (int k = 0; k < subTypes.size(); ++k) {
        yaml += QString("  c%1:\n    interface: vxi\n    logical_address: %2\n    cards:\n"
                        "      - {position: 1, model: 0x8263}\n"
                        "      - {position: 2, model: 0x7931, sub_type: '%3', serial: %4}\n")
                    .arg(k)
                    .arg(k + 1)
                    .arg(subTypes[k])
                    .arg(100 + k)
                    .toUtf8();
        resources += QString("  - {name: 'VXI0::%1::INSTR', device: c%2}\n").arg(k + 1).arg(k).toUtf8();
    }
    return yaml + resources;
}

} // namespace

class TestSimConditioning : public QObject {
    Q_OBJECT

    Cards cards;

    // Opens the 7931 of the carrier behind `resource`.
    ViSession openSlave(const char *resource)
    {
        ViSession master = 0, slave = 0;
        if (ov8263_paramInit(resource, 1, 1, 1, &master) != VI_SUCCESS)
            return 0;
        if (ov7931_init(master, VI_TRUE, VI_TRUE, &slave) != VI_SUCCESS)
            return 0;
        return slave;
    }

private slots:
    void init()
    {
        ovsim::reset();
        cards = openDefaultCards();
        QVERIFY(cards.master && cards.slave);
    }

    void identity()
    {
        char sub[8] = {0};
        ViInt32 serial = 0;
        QCOMPARE(ov7931_serialNumber(cards.slave, sub, &serial), VI_SUCCESS);
        QCOMPARE(QString(sub), QString("BB"));
        QCOMPARE(serial, 4711);
        char rev[256] = {0};
        QCOMPARE(ov7931_revision_query(cards.slave, nullptr, rev), VI_SUCCESS);
        QCOMPARE(QString(rev), QString("1.6.2.0"));
        QCOMPARE(ov7931_serialNumber(cards.slave, nullptr, &serial), ov7931_ERROR_NULL_POINTER);
    }

    void initNeedsAConditioningCardBesideTheDigitizer()
    {
        QVERIFY(ovsim::loadScenarioText("version: 1\n"
                                        "devices:\n"
                                        "  box: {interface: vxi, cards: [{position: 1, model: 0x8263}]}\n"
                                        "resources: [{name: VXI0::1::INSTR, device: box}]\n"));
        ViSession master = 0, slave = 55;
        QCOMPARE(ov8263_paramInit("VXI0::1::INSTR", 1, 1, 1, &master), VI_SUCCESS);
        QCOMPARE(ov7931_init(master, VI_TRUE, VI_TRUE, &slave), ov7931_ERROR_NO_CARD);
        QCOMPARE(slave, ViSession(55));
        QVERIFY(statusText(ov7931_ERROR_NO_CARD).find("7931") != std::string::npos);

        // A bad digitizer session is a failure of the digitizer driver.
        QCOMPARE(ov7931_init(0, VI_TRUE, VI_TRUE, &slave), ov7931_ERROR_FC_DRIVER);
        ViStatus fc = 0;
        QCOMPARE(ov7931_getFCLastError(VI_NULL, &fc), VI_SUCCESS);
        QCOMPARE(fc, ov8263_ERROR_INV_SESSION);
    }

    void secondInitResetsTheCard()
    {
        QCOMPARE(ov7931_setChanConfig(cards.slave, 1, ov7931_MODE_3_WIRE, 7, ov7931_EXC_500UA), VI_SUCCESS);
        QCOMPARE(ov7931_setConversion(cards.slave, 1, ov7931_OUT_UNIT_RES), VI_SUCCESS);
        QCOMPARE(ovsim::channelState(1).mode, ov7931_MODE_3_WIRE);
        ViSession again = 0;
        QCOMPARE(ov7931_init(cards.master, VI_TRUE, VI_TRUE, &again), VI_SUCCESS);
        QCOMPARE(again, cards.slave);
        ovsim::ChannelState st = ovsim::channelState(1);
        QCOMPARE(st.mode, ov7931_MODE_4_WIRE);
        QCOMPARE(st.gain, ov7931_GAIN_1);
        QCOMPARE(st.excitation, 0);
        QCOMPARE(st.conversion, 0);
    }

    void closingTheDigitizerClosesTheCard()
    {
        QCOMPARE(ov8263_close(cards.master), VI_SUCCESS);
        QCOMPARE(ecStatus(cards.slave), ViUInt16(0xFFFF));
        ViUInt16 bits = 0;
        QCOMPARE(ov7931_checkECStatus(cards.slave, &bits), ov7931_ERROR_INV_SESSION);
        QCOMPARE(ov7931_close(cards.slave), ov7931_ERROR_INV_SESSION);
    }

    void excitationCurrentFlows()
    {
        QCOMPARE(ecStatus(cards.slave), ViUInt16(0));
        // PT-100 on 1, resistor on 2, sine source on 3, PT-100 with a broken current wire on 4, 5 open.
        for (int ch = 1; ch <= 5; ++ch) {
            int mode = ch == 3 ? ov7931_MODE_DIFF_VOLT : ov7931_MODE_4_WIRE;
            int exc = ch == 3 ? ov7931_EXC_OFF : ov7931_EXC_500UA;
            QCOMPARE(ov7931_setChanConfig(cards.slave, ch, mode, ov7931_GAIN_1, exc), VI_SUCCESS);
        }
        QCOMPARE(ecStatus(cards.slave), ViUInt16(0x0003));
        // Secondary (10 uA) current on the resistor, 2-wire mode: still flowing.
        QCOMPARE(ov7931_setChanConfig(cards.slave, 2, ov7931_MODE_2_WIRE, 4, ov7931_EXC_SECONDARY), VI_SUCCESS);
        QCOMPARE(ecStatus(cards.slave), ViUInt16(0x0003));
        // Repaired at run time, channel 4 carries current; breaking channel 1 stops it.
        ovsim::setWire(4, 2, ovsim::Wire::Intact);
        ovsim::setWire(1, 1, ovsim::Wire::Broken);
        QCOMPARE(ecStatus(cards.slave), ViUInt16(0x000A));
        // A sense wire does not carry the excitation current.
        ovsim::setWire(4, 3, ovsim::Wire::Broken);
        QCOMPARE(ecStatus(cards.slave), ViUInt16(0x000A));
        // Current switched off: nothing flows.
        QCOMPARE(ov7931_setChanConfig(cards.slave, 2, ov7931_MODE_4_WIRE, ov7931_GAIN_1, ov7931_EXC_OFF), VI_SUCCESS);
        QCOMPARE(ecStatus(cards.slave), ViUInt16(0x0008));
        ovsim::Sensor none;
        ovsim::setSensor(4, none);
        QCOMPARE(ecStatus(cards.slave), ViUInt16(0));
    }

    void brokenWireTest()
    {
        for (int ch : {1, 4, 6})
            QCOMPARE(ov7931_setChanConfig(cards.slave, ch, ov7931_MODE_4_WIRE, ov7931_GAIN_1, ov7931_EXC_500UA),
                     VI_SUCCESS);
        Wires w = wireTest(cards.slave, 1);
        QCOMPARE(w.status, VI_SUCCESS);
        QCOMPARE(QVector<int>({w.w[0], w.w[1], w.w[2], w.w[3]}), QVector<int>({0, 0, 0, 0}));
        w = wireTest(cards.slave, 4); // the default system's broken "Current -" wire
        QCOMPARE(QVector<int>({w.w[0], w.w[1], w.w[2], w.w[3]}), QVector<int>({0, -1, 0, 0}));
        w = wireTest(cards.slave, 6); // nothing connected
        QCOMPARE(QVector<int>({w.w[0], w.w[1], w.w[2], w.w[3]}), QVector<int>({-1, -1, 1, 1}));
        ovsim::setWire(1, 3, ovsim::Wire::MaybeBroken);
        ovsim::setWire(1, 4, ovsim::Wire::Unknown);
        w = wireTest(cards.slave, 1);
        QCOMPARE(QVector<int>({w.w[0], w.w[1], w.w[2], w.w[3]}), QVector<int>({0, 0, 2, 1}));

        // A load above 40 kilo-ohm looks like an open "Signal +" wire.
        ovsim::Sensor big;
        big.kind = ovsim::SensorKind::Resistor;
        big.resistance = 47000.0;
        ovsim::setSensor(6, big);
        w = wireTest(cards.slave, 6);
        QCOMPARE(QVector<int>({w.w[0], w.w[1], w.w[2], w.w[3]}), QVector<int>({0, 0, -1, 0}));

        // Without excitation the test cannot run.
        QCOMPARE(ov7931_setChanConfig(cards.slave, 1, ov7931_MODE_4_WIRE, ov7931_GAIN_1, ov7931_EXC_OFF), VI_SUCCESS);
        w = wireTest(cards.slave, 1);
        QCOMPARE(w.status, ov7931_WARN_NO_EXCITATION);
        QVERIFY(w.status > 0);
        ViInt16 a, b, c;
        QCOMPARE(ov7931_brokenWireDetect(cards.slave, 1, &a, &b, &c, nullptr), ov7931_ERROR_NULL_POINTER);
        QCOMPARE(ov7931_brokenWireDetect(cards.slave, 17, &a, &b, &c, &a), ov7931_ERROR_INV_CHANNEL);
    }

    void amplifierErrorFlags()
    {
        ovsim::setPgaError(5, true);
        ovsim::setPgaError(12, true);
        ViUInt16 flags = 0;
        QCOMPARE(ov7931_checkChanPgaEf(cards.slave, 1, &flags), VI_SUCCESS);
        QCOMPARE(flags, ViUInt16((1 << 4) | (1 << 11)));
        ViInt16 err = 7;
        QCOMPARE(ov7931_readPGAError(cards.slave, 5, &err, nullptr), VI_SUCCESS);
        QCOMPARE(err, ViInt16(1));
        QCOMPARE(ov7931_readPGAError(cards.slave, 6, &err, nullptr), VI_SUCCESS);
        QCOMPARE(err, ViInt16(0));
        ViUInt16 summary = 0;
        QCOMPARE(ov7931_checkPgaEf(cards.slave, &summary), VI_SUCCESS);
        QVERIFY(summary != 0);
        ovsim::setPgaError(5, false);
        ovsim::setPgaError(12, false);
        QCOMPARE(ov7931_checkPgaEf(cards.slave, &summary), VI_SUCCESS);
        QCOMPARE(summary, ViUInt16(0));
        QCOMPARE(ov7931_readPGAError(cards.slave, 0, &err, nullptr), ov7931_ERROR_INV_CHANNEL);
    }

    void subTypes()
    {
        const QStringList types = {"AA", "AE", "BA", "BB", "BE", "DE", "ZX-LONG-NAME"};
        std::string error;
        QVERIFY2(ovsim::loadScenarioText(subTypeScenario(types).toStdString(), &error), error.c_str());
        for (int k = 0; k < types.size(); ++k) {
            QByteArray resource = QString("VXI0::%1::INSTR").arg(k + 1).toLatin1();
            ViSession slave = openSlave(resource.constData());
            QVERIFY(slave);
            char sub[8] = {0};
            ViInt32 serial = 0;
            QCOMPARE(ov7931_serialNumber(slave, sub, &serial), VI_SUCCESS);
            QCOMPARE(QString(sub), types[k].left(7));
            QCOMPARE(serial, 100 + k);

            const bool familyA = types[k].startsWith('A');
            ViUInt16 gain = 0;
            ViBoolean pga = 9;
            QCOMPARE(ov7931_getGainInfo(slave, 3, &gain, &pga), VI_SUCCESS);
            QCOMPARE(int(gain), ov7931_GAIN_1);
            QCOMPARE(bool(pga), !familyA);
            // A-family cards make their range on the digitizer and have no 3- or 2-wire modes.
            ViStatus st = ov7931_setChanConfig(slave, 3, ov7931_MODE_3_WIRE, ov7931_GAIN_1, ov7931_EXC_OFF);
            QCOMPARE(st, familyA ? ov7931_ERROR_INV_PARAMETER : VI_SUCCESS);
            st = ov7931_setGain(slave, 3, 7);
            QCOMPARE(st, familyA ? ov7931_ERROR_INV_PARAMETER : VI_SUCCESS);
            st = ov7931_pgaCalibration(slave, 3, 2, 0.0, nullptr, nullptr);
            QCOMPARE(st, familyA ? ov7931_ERROR_INV_PARAMETER : VI_SUCCESS);

            const bool hundred = types[k] == "AE" || types[k] == "BE";
            const int primaryCode = hundred ? ov7931_EXC_100UA : ov7931_EXC_500UA;
            double measured = 0;
            QCOMPARE(ov7931_excCalibration(slave, 3, primaryCode, &measured, nullptr), VI_SUCCESS);
            QVERIFY2(std::fabs(measured - (hundred ? 100e-6 : 500e-6) * 1.003) < 1e-12,
                     qPrintable(QString::number(measured)));
            QCOMPARE(ov7931_excCalibration(slave, 3, hundred ? ov7931_EXC_500UA : ov7931_EXC_100UA, &measured,
                                           nullptr),
                     ov7931_ERROR_INV_PARAMETER);
            const bool secondary = types[k] == "BB" || types[k] == "DE";
            QCOMPARE(ov7931_excCalibration(slave, 3, ov7931_EXC_SECONDARY, &measured, nullptr),
                     secondary ? VI_SUCCESS : ov7931_ERROR_INV_PARAMETER);
        }
    }

    void excitationCurrentsPerChannel()
    {
        QVERIFY(ovsim::loadScenarioText(subTypeScenario({"BB", "DE"}).toStdString()));
        ViSession bb = openSlave("VXI0::1::INSTR");
        ViSession de = openSlave("VXI0::2::INSTR");
        QVERIFY(bb && de);
        double primary = 0, secondary = 0;
        QCOMPARE(ov7931_getExcitationCurrents(bb, 16, &primary, &secondary), VI_SUCCESS);
        QVERIFY(std::fabs(primary - 500e-6 * 1.016) < 1e-12);
        QVERIFY(std::fabs(secondary - 10e-6 * 1.016) < 1e-14);
        // 7931-DE: the secondary current rises in channel pairs.
        const double nominal[16] = {10e-6, 10e-6, 10e-6, 10e-6, 50e-6,   50e-6,   100e-6, 100e-6,
                                    250e-6, 250e-6, 1.25e-3, 1.25e-3, 2.5e-3, 2.5e-3, 5e-3,   5e-3};
        for (int ch = 1; ch <= 16; ++ch) {
            QCOMPARE(ov7931_getExcitationCurrents(de, ch, nullptr, &secondary), VI_SUCCESS);
            double expected = nominal[ch - 1] * (1.0 + 0.001 * ch);
            QVERIFY2(std::fabs(secondary - expected) < 1e-12 * (1 + expected * 1e3),
                     qPrintable(QString("channel %1: %2").arg(ch).arg(secondary)));
            double calibrated = 0;
            QCOMPARE(ov7931_excCalibration(de, ch, ov7931_EXC_SECONDARY, &calibrated, nullptr), VI_SUCCESS);
            QCOMPARE(calibrated, secondary);
        }
        // A deviation set at run time applies to the card opened last.
        ovsim::setExcitationDeviation(7, -2e-6, 3e-6);
        QCOMPARE(ov7931_getExcitationCurrents(de, 7, &primary, &secondary), VI_SUCCESS);
        QVERIFY(std::fabs(primary - 498e-6) < 1e-12);
        QVERIFY(std::fabs(secondary - 103e-6) < 1e-12);
        QCOMPARE(ov7931_getExcitationCurrents(de, 7, nullptr, nullptr), ov7931_ERROR_NULL_POINTER);
    }

    void badArgumentsAreRefused()
    {
        ViUInt16 gain = 0;
        QCOMPARE(ov7931_getGain(cards.slave, 0, &gain), ov7931_ERROR_INV_CHANNEL);
        QCOMPARE(ov7931_getGain(cards.slave, 17, &gain), ov7931_ERROR_INV_CHANNEL);
        QCOMPARE(ov7931_getGain(cards.slave, 1, nullptr), ov7931_ERROR_NULL_POINTER);
        QCOMPARE(ov7931_getGain(0, 1, &gain), ov7931_ERROR_INV_SESSION);
        QCOMPARE(ov7931_getGain(cards.master, 1, &gain), ov7931_ERROR_INV_SESSION);
        QCOMPARE(ov7931_setGain(cards.slave, 1, 2), ov7931_ERROR_INV_PARAMETER);
        QCOMPARE(ov7931_setGain(cards.slave, 1, 11), ov7931_ERROR_INV_PARAMETER);
        QCOMPARE(ov7931_setChanConfig(cards.slave, 1, 6, 3, 0), ov7931_ERROR_INV_PARAMETER);
        QCOMPARE(ov7931_setChanConfig(cards.slave, 1, 1, 3, ov7931_EXC_100UA), ov7931_ERROR_INV_PARAMETER);
        QCOMPARE(ov7931_setConversion(cards.slave, 1, 2), ov7931_ERROR_INV_PARAMETER);
        QCOMPARE(ovsim::channelState(1).excitation, 0); // refused settings change nothing
        QCOMPARE(ov7931_setGain(cards.slave, 1, ov7931_GAIN_10V), VI_SUCCESS);
        QCOMPARE(ov7931_getGain(cards.slave, 1, &gain), VI_SUCCESS);
        QCOMPARE(int(gain), ov7931_GAIN_10V);
    }
};

QTEST_GUILESS_MAIN(TestSimConditioning)
#include "test_sim_conditioning.moc"
