// Scenario values that no real sensor or card could show are refused with
// the line that holds them, and what the calibration and wire tools read
// follows the scenario and the run-time controls: the measured current
// close to the nominal one, the gain read back, the amplifier flags and
// every wire verdict.
#include "sim_test_util.h"

#include <QtTest>

using namespace simtest;

namespace {
// The default system with channel 5 of the 7931 described by `channel`
// (a flow mapping) on line 28, and the card's sub-type.
std::string withChannel5(const std::string &channel, const std::string &subType = "BB")
{
    std::string yaml = ovsim::defaultScenarioText();
    yaml.replace(yaml.find("sub_type: BB"), 12, "sub_type: " + subType);
    const std::string after =
        "          4: {sensor: pt100, temperature: 23.5, wires: [intact, broken, intact, intact]}\n";
    yaml.insert(yaml.find(after) + after.size(), "          5: " + channel + "\n");
    return yaml;
}
} // namespace

class TestSimLimits : public QObject
{
    Q_OBJECT

private slots:
    void init() { ovsim::reset(); }

    void impossibleValuesRefused_data()
    {
        QTest::addColumn<QString>("channel");
        QTest::addColumn<QString>("subType");
        QTest::addColumn<QString>("reason"); // after "<scenario text>:"
        QTest::newRow("PT-100 at 9999 °C") << "{sensor: pt100, temperature: 9999}" << "BB"
                                           << "28: channel 5: temperature 9999 °C is outside a platinum RTD's range";
        QTest::newRow("PT-1000 below -200 °C") << "{sensor: pt1000, temperature: -273.16}" << "BB"
                                               << "28: channel 5: temperature -273.16 °C";
        QTest::newRow("negative resistance") << "{sensor: resistor, resistance: -5}" << "BB"
                                             << "28: resistance must not be negative";
        QTest::newRow("negative noise") << "{sensor: resistor, resistance: 5, noise: -1}" << "BB"
                                        << "28: channel 5: noise";
        QTest::newRow("negative frequency") << "{sensor: voltage, frequency: -3}" << "BB" << "28: channel 5: frequency";
        QTest::newRow("no current left") << "{primary_deviation: -0.0005}" << "BB"
                                         << "28: channel 5: a primary deviation of -0.0005 A leaves no current";
        QTest::newRow("a secondary current the AE lacks") << "{secondary_deviation: 0.000001}" << "AE"
                                                          << "28: channel 5: the 7931-AE has no secondary";
        QTest::newRow("wires of channel 17") << "{}\n          17: {wires: {2: broken}}" << "BB"
                                             << "29: channel 17 is out of range \\(1 to 16\\)";
        QTest::newRow("wire 5") << "{wires: {5: broken}}" << "BB" << "28: wire number 5 is out of range";
    }

    void impossibleValuesRefused()
    {
        QFETCH(QString, channel);
        QFETCH(QString, subType);
        QFETCH(QString, reason);
        std::string error;
        QVERIFY(!ovsim::loadScenarioText(withChannel5(channel.toStdString(), subType.toStdString()), &error));
        QVERIFY2(QRegularExpression("^<scenario text>:" + reason).match(QString::fromStdString(error)).hasMatch(),
                 error.c_str());
        QVERIFY(listResources().isEmpty());
    }

    void possibleValuesRead()
    {
        // The edges of the RTD's range, a small deviation of each current, no noise.
        for (const char *channel : {"{sensor: pt100, temperature: -200, noise: 0}", "{sensor: pt500, temperature: 850}",
                                    "{primary_deviation: -0.0004999, secondary_deviation: 0.000002}"}) {
            std::string error;
            QVERIFY2(ovsim::loadScenarioText(withChannel5(channel), &error), error.c_str());
        }
    }

    void whatTheToolsRead()
    {
        QVERIFY(ovsim::loadScenarioText(
            withChannel5("{sensor: resistor, resistance: 100, primary_deviation: 0.000003, pga_error: true, "
                         "wires: [maybe_broken, intact, unknown, broken]}",
                         "DE")));
        const Cards cards = openDefaultCards();
        QVERIFY(cards.slave != 0);
        // The measured current: nominal plus the scenario's deviation, or plus 0.1 % per channel.
        ViReal64 measured = 0;
        QCOMPARE(ov7931_excCalibration(cards.slave, 5, ov7931_EXC_500UA, &measured, nullptr), VI_SUCCESS);
        QCOMPARE(measured, 500e-6 + 3e-6);
        QCOMPARE(ov7931_excCalibration(cards.slave, 11, ov7931_EXC_SECONDARY, &measured, nullptr), VI_SUCCESS);
        QCOMPARE(measured, 1.25e-3 * 1.011);
        ovsim::setExcitationDeviation(11, 0, -2e-5);
        QCOMPARE(ov7931_excCalibration(cards.slave, 11, ov7931_EXC_SECONDARY, &measured, nullptr), VI_SUCCESS);
        QCOMPARE(measured, 1.25e-3 - 2e-5);
        QCOMPARE(ov7931_excCalibration(cards.slave, 11, ov7931_EXC_OFF, &measured, nullptr),
                 ov7931_ERROR_INV_PARAMETER);

        // The gain read back, and the amplifier that makes it.
        QCOMPARE(ov7931_setChanConfig(cards.slave, 5, ov7931_MODE_4_WIRE, 7, ov7931_EXC_500UA), VI_SUCCESS);
        ViUInt16 gain = 0;
        ViBoolean pga = VI_FALSE;
        QCOMPARE(ov7931_getGainInfo(cards.slave, 5, &gain, &pga), VI_SUCCESS);
        QVERIFY(gain == 7 && pga == VI_TRUE);
        QCOMPARE(ov7931_setGain(cards.slave, 5, ov7931_GAIN_1), VI_SUCCESS);
        QCOMPARE(ov7931_getGain(cards.slave, 5, &gain), VI_SUCCESS);
        QCOMPARE(gain, ViUInt16(ov7931_GAIN_1));

        // The amplifier flags: the scenario's, then one raised at run time.
        ViUInt16 flags = 0, summary = 0;
        ovsim::setPgaError(2, true);
        QCOMPARE(ov7931_checkChanPgaEf(cards.slave, 5, &flags), VI_SUCCESS);
        QCOMPARE(flags, ViUInt16(0x12));
        QCOMPARE(ov7931_checkPgaEf(cards.slave, &summary), VI_SUCCESS);
        QCOMPARE(summary, ViUInt16(1));

        // Every verdict code, from the scenario and at run time.
        ViInt16 w[4] = {9, 9, 9, 9};
        QCOMPARE(ov7931_brokenWireDetect(cards.slave, 5, &w[0], &w[1], &w[2], &w[3]), VI_SUCCESS);
        QCOMPARE(QVector<int>({w[0], w[1], w[2], w[3]}), QVector<int>({2, 0, 1, -1}));
        ovsim::setWire(5, 4, ovsim::Wire::Intact);
        ovsim::setWire(5, 1, ovsim::Wire::Broken);
        QCOMPARE(ov7931_brokenWireDetect(cards.slave, 5, &w[0], &w[1], &w[2], &w[3]), VI_SUCCESS);
        QCOMPARE(QVector<int>({w[0], w[1], w[2], w[3]}), QVector<int>({-1, 0, 1, 0}));
    }
};

QTEST_GUILESS_MAIN(TestSimLimits)
#include "test_sim_limits.moc"
