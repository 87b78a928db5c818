// Scenario files: the default system, the environment variable, the shipped
// examples (LXI attributes, a refusing resource, an empty system), the
// digitizer's sequence data, 20000 resources, and every kind of bad input
// (unreadable files, bad YAML and numbers, values no real sensor or card
// could show), which leaves an empty VISA system and a reason naming the file
// and line. What the calibration and wire tools read follows the scenario
// and the run-time controls.
#include "sim_test_util.h"

#include <QtTest>

#include <sys/stat.h>

using namespace simtest;

namespace {

// The default system with channel 5 of the 7931 described by `channel` (a
// flow mapping) on line 28, and the card's sub-type.
std::string withChannel5(const std::string &channel, const std::string &subType = "BB")
{
    std::string yaml = ovsim::defaultScenarioText();
    yaml.replace(yaml.find("sub_type: BB"), 12, "sub_type: " + subType);
    const std::string after = "          4: {sensor: pt100, temperature: 23.5, wires: [intact, broken, intact, intact]}\n";
    return yaml.insert(yaml.find(after) + after.size(), "          5: " + channel + "\n");
}

} // namespace

class TestSimScenario : public QObject
{
    Q_OBJECT

private slots:
    void init() { ovsim::reset(); }
    void cleanupTestCase()
    {
        qunsetenv("OVSIM_SCENARIO");
        ovsim::reset();
    }

    void defaultSystemEnvironmentAndShippedExamples()
    {
        QCOMPARE(listResources(), QStringList{"VXI0::1::INSTR"});
        QFile shipped(QString::fromStdString(shippedScenario("default.yaml")));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        QCOMPARE(shipped.readAll().toStdString(), ovsim::defaultScenarioText());
        for (const char *path : {"two-carriers.yaml", "/nonexistent/dir/system.yaml", ""}) {
            qputenv("OVSIM_SCENARIO", *path == 't' ? shippedScenario(path).c_str() : path);
            ovsim::reset();
            QCOMPARE(listResources(), (*path == 't'   ? QStringList{"VXI0::8::INSTR", "TCPIP0::192.168.2.60::INSTR",
                                                                    "VXI0::24::INSTR", "GPIB0::12::INSTR"}
                                       : *path == '/' ? QStringList()
                                                      : QStringList{"VXI0::1::INSTR"}));
        }

        QVERIFY(ovsim::loadScenarioFile(shippedScenario("two-carriers.yaml")));
        ViSession rm = 0, vi = 4242, master = 0;
        QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
        // An LXI carrier: host and device name, no slot, also through the digitizer's session.
        QCOMPARE(viOpen(rm, "TCPIP0::192.168.2.60::INSTR", VI_NO_LOCK, 0, &vi), VI_SUCCESS);
        ViUInt16 intf = 0;
        QCOMPARE(viGetAttribute(vi, VI_ATTR_INTF_TYPE, &intf), VI_SUCCESS);
        QCOMPARE(int(intf), VI_INTF_TCPIP);
        char host[256] = {0}, device[256] = {0};
        QCOMPARE(viGetAttribute(vi, VI_ATTR_TCPIP_DEVICE_NAME, device), VI_SUCCESS);
        QCOMPARE(QString(device), QString("inst0"));
        QCOMPARE(ov8263_paramInit("TCPIP0::192.168.2.60::INSTR", 1, 1, 1, &master), VI_SUCCESS);
        QCOMPARE(viGetAttribute(master, VI_ATTR_TCPIP_HOSTNAME, host), VI_SUCCESS);
        QCOMPARE(QString(host), QString("lxi-7931.example.lan"));
        ViInt16 slot = -7;
        QCOMPARE(viGetAttribute(master, VI_ATTR_SLOT, &slot), VI_ERROR_NSUP_ATTR);
        QCOMPARE(slot, ViInt16(-7));
        // A resource that refuses to open, and an instrument that is no carrier of ours.
        vi = 4242;
        QCOMPARE(viOpen(rm, "VXI0::24::INSTR", VI_NO_LOCK, 0, &vi), VI_ERROR_RSRC_BUSY);
        QCOMPARE(vi, ViSession(4242));
        QCOMPARE(ov8263_paramInit("VXI0::24::INSTR", 1, 1, 1, &vi), VI_ERROR_RSRC_BUSY);
        QCOMPARE(viOpen(rm, "GPIB0::12::INSTR", VI_NO_LOCK, 0, &vi), VI_SUCCESS);
        ov9174_IdRecord *rec = nullptr;
        QVERIFY(ov9174_openIdRecord(vi, &rec) < 0 && !rec);
        viClose(rm);
        // An empty system: a search finds nothing.
        QVERIFY(ovsim::loadScenarioFile(shippedScenario("empty.yaml")));
        ViFindList list = 0;
        ViUInt32 count = 99;
        QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
        QCOMPARE(viFindRsrc(rm, "?*INSTR", &list, &count, nullptr), VI_ERROR_RSRC_NFOUND);
        QCOMPARE(count, ViUInt32(0));
        viClose(rm);
    }

    // "data: sequence" on the digitizer: a read gives the integrity samples
    // of every channel, counted from the start of the run; "signal" and no
    // key give the sensors' signals; anything else is refused.
    void sequenceData_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<bool>("sequence");
        QTest::newRow("no key") << "" << false;
        QTest::newRow("signal") << "signal" << false;
        QTest::newRow("sequence") << "sequence" << true;
    }
    void sequenceData()
    {
        QFETCH(QString, data);
        QFETCH(bool, sequence);
        std::string yaml = ovsim::defaultScenarioText();
        const std::string model = "model: 0x8263\n";
        if (!data.isEmpty())
            yaml.insert(yaml.find(model) + model.size(), "        data: " + data.toStdString() + "\n");
        QVERIFY(ovsim::loadScenarioText(yaml));
        ViSession vi = 0;
        QCOMPARE(ov8263_paramInit("VXI0::1::INSTR", 1, 1, 1, &vi), 0);
        QCOMPARE(ov8263_setChanConfig(vi, 3, ov8263_CH_FP, 1, VI_FALSE), 0);
        QCOMPARE(ov8263_setAcquisitionMode(vi, 1000.0, 10, 0, 0), 0);
        ovsim::setManualClock(true);
        QCOMPARE(ov8263_armDAQ(vi, 0), 0);
        ov8263_generateITRI(vi, ov8263_PULSE);
        ovsim::advanceClock(0.05);
        ViReal64 samples[10] = {};
        ViInt32 count = 0;
        ov8263_readAcquisition(vi, 10, ov8263_GROUP_BY_CHANNEL, nullptr, &count, samples);
        QVERIFY(count > 0);
        for (int s = 0; s < count; ++s)
            QCOMPARE(samples[s] == ovsim::integritySample(3, s), sequence);
    }

    // A refused scenario: "<path>:<line>: <reason>", and an empty system.
    void refused_data()
    {
        QTest::addColumn<QByteArray>("yaml"); // written to a file, but "dir", "fifo", "large" and "/dev/..."
        QTest::addColumn<QString>("reason");  // a pattern after "<path>:"
        const auto row = [](const char *name, const QByteArray &yaml, const QString &reason) {
            QTest::newRow(name) << yaml << reason;
        };
        row("missing file", QByteArray(), " cannot open");
        row("directory", "dir", " the scenario is a folder, not a regular file$");
        row("FIFO", "fifo", " the scenario is not a regular file \\(a device, a FIFO");
        row("device", "/dev/zero", " the scenario is not a regular file");
        row("too large", "large", " the scenario file is too large \\(16777217 bytes");
        row("binary", QByteArray("version: 1\n# \x01\x02\n", 16), "2: the scenario file is not UTF-8 text");
        row("NUL byte", QByteArray("version: 1\0\n", 12), "1: the scenario file is not UTF-8 text");
        row("broken UTF-8", "version: 1\n\n# caf\xC3", "3: the scenario file is not UTF-8");
        row("quoted version", "version: \" 1\"\n", "1: version must be a number, not the quoted");
        row("quoted number", "version: '1'\n", "1: version must be a number, not the quoted");
        row("blank in number", "version:  1 \ndevices:\n  box: {interface: vxi, slot: ' 3'}\n", "3: slot must be a number");
        row("sign after 0x", "version: 1\nresources:\n  - {name: 'GPIB0::1::INSTR', refuse: 0x-5}\n",
            "3: refuse must be an integer, not '0x-5'");
        row("plus sign", "version: +1\n", "1: version must be an integer, not '\\+1'");
        row("huge integer", "version: 99999999999999999999\n", "1: version 9+ is out of range");
        const QByteArray card = "version: 1\ndevices:\n  box:\n    interface: vxi\n    cards:\n      - {position: 1, model: 0x8263, ";
        row("hex float", card + "max_frequency: 0x1p4}\n", "6: max_frequency must be a number, not '0x1p4'");
        row("data neither signal nor sequence", card + "data: ramp}\n", "[0-9]+: .*'data' is signal or sequence");
        row("FIFO beyond 2^40 samples", card + "fifo_samples: 1099511627777}\n", "6: fifo_samples 1099511627777 is out of range");
        row("invalid YAML", "version: 1\ndevices:\n  box:\n    interface: vxi\n    cards: [ {position: 1, model: 0x8263}\nresources: []\n",
            "[0-9]+: invalid YAML");
        row("wrong version", "version: 2\n", ".*version 2");
        row("misspelt key", "version: 1\ndevices:\n  box: {interface: vxi, slots: 3}\n", "3: .*'slots'");
        row("LXI host of 256 characters", "version: 1\ndevices:\n  box: {interface: lxi, host: " + QByteArray(256, 'h') + "}\n",
            "3: host and device_name hold at most 255 characters");
        // Values no real sensor or card could show.
        const auto channel5 = [](const char *name, const char *channel, const char *reason, const char *subType = "BB") {
            QTest::newRow(name) << QByteArray::fromStdString(withChannel5(channel, subType)) << QString(reason);
        };
        channel5("PT-100 at 9999 °C", "{sensor: pt100, temperature: 9999}",
                 "28: channel 5: temperature 9999 °C is outside a platinum RTD's range");
        channel5("PT-1000 below -200 °C", "{sensor: pt1000, temperature: -273.16}", "28: channel 5: temperature -273.16 °C");
        channel5("negative resistance", "{sensor: resistor, resistance: -5}", "28: resistance must not be negative");
        channel5("negative noise", "{sensor: resistor, resistance: 5, noise: -1}", "28: channel 5: noise");
        channel5("negative frequency", "{sensor: voltage, frequency: -3}", "28: channel 5: frequency");
        channel5("no current left", "{primary_deviation: -0.0005}",
                 "28: channel 5: a primary deviation of -0.0005 A leaves no current");
        channel5("a secondary current the AE lacks", "{secondary_deviation: 0.000001}",
                 "28: channel 5: the 7931-AE has no secondary", "AE");
        channel5("wires of channel 17", "{}\n          17: {wires: {2: broken}}", "29: channel 17 is out of range \\(1 to 16\\)");
        channel5("wire 5", "{wires: {5: broken}}", "28: wire number 5 is out of range");
    }
    void refused()
    {
        QFETCH(QByteArray, yaml);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QString path = yaml == "dir" ? dir.path() : yaml.startsWith('/') ? QString(yaml) : dir.filePath("system.yaml");
        QFile f(path);
        if (yaml == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (yaml == "large") // sparse: takes no room on the disk
            QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(16 * 1024 * 1024 + 1));
        else if (!yaml.isEmpty() && yaml != "dir" && !yaml.startsWith('/'))
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(yaml) == yaml.size());
        f.close();
        std::string error;
        QVERIFY(!ovsim::loadScenarioFile(path.toStdString(), &error));
        QVERIFY2(QRegularExpression("^" + QRegularExpression::escape(path) + ":" + reason).match(QString::fromStdString(error)).hasMatch(),
                 error.c_str());
        QVERIFY(listResources().isEmpty());
    }

    // Every damage of single characters of the default system either still
    // reads or is refused with a reason (of "<scenario text>" when read from
    // a text), leaving an empty system. The edges
    // of what a sensor or card can show still read.
    void damagedTextNeverCrashesAndEdgesRead()
    {
        const std::string good = ovsim::defaultScenarioText();
        const char replacements[] = {'\0', ':', '-', '{', '[', ' ', '\n', 'x', '9', '\'', '&', '*'};
        int refused = 0;
        for (size_t at = 0; at < good.size(); at += 3) {
            std::string text = good, error;
            text[at] = replacements[at % sizeof replacements];
            if (ovsim::loadScenarioText(text, &error))
                continue;
            ++refused;
            QVERIFY2(error.rfind("<scenario text>:", 0) == 0 && listResources().isEmpty(), text.c_str());
        }
        QVERIFY(refused > 0);
        for (const char *channel : {"{sensor: pt100, temperature: -200, noise: 0}", "{sensor: pt500, temperature: 850}",
                                    "{primary_deviation: -0.0004999, secondary_deviation: 0.000002}"}) {
            std::string error;
            QVERIFY2(ovsim::loadScenarioText(withChannel5(channel), &error), error.c_str());
        }
        QVERIFY(ovsim::loadScenarioText("version: 1\ndevices:\n  box: {interface: lxi, host: " + std::string(255, 'h') + "}\n"));
    }

    // Opening each of 20000 resources finds it by name at once (a scan of
    // the list per open made such a search take minutes). Names compare in
    // their canonical form: board number, case, "::INSTR".
    void twentyThousandResources()
    {
        std::string yaml = "version: 1\nresources:\n";
        for (int k = 0; k < 20000; ++k)
            yaml += "  - {name: 'TCPIP0::10.0." + std::to_string(k / 250) + "." + std::to_string(k % 250) + "::INSTR'" +
                    (k == 19999 ? ", refuse: busy" : "") + "}\n";
        QElapsedTimer timer;
        timer.start();
        QVERIFY(ovsim::loadScenarioText(yaml));
        const QStringList names = listResources();
        QCOMPARE(names.size(), 20000);
        ViSession rm = 0, vi = 0;
        QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
        int opened = 0;
        for (const QString &name : names)
            if (viOpen(rm, name.toLatin1().constData(), VI_NO_LOCK, 0, &vi) == VI_SUCCESS && ++opened)
                viClose(vi);
        QCOMPARE(viOpen(rm, "tcpip::10.0.79.249", VI_NO_LOCK, 0, &vi), VI_ERROR_RSRC_BUSY);
        QCOMPARE(viOpen(rm, "tcpip::10.0.79.248", VI_NO_LOCK, 0, &vi), VI_SUCCESS);
        QCOMPARE(viOpen(rm, "TCPIP0::10.0.80.0::INSTR", VI_NO_LOCK, 0, &vi), VI_ERROR_RSRC_NFOUND);
        viClose(rm);
        QCOMPARE(opened, 19999);
        qInfo("20000 resources read, listed and opened in %lld ms", static_cast<long long>(timer.elapsed()));
    }

    // What the calibration and wire tools read: the measured current
    // (nominal plus the scenario's deviation, or plus 0.1 % per channel), the
    // gain read back and the amplifier that makes it, the amplifier flags and
    // every wire verdict, from the scenario and at run time.
    void whatTheToolsRead()
    {
        QVERIFY(ovsim::loadScenarioText(withChannel5("{sensor: resistor, resistance: 100, primary_deviation: 0.000003, "
                                                     "pga_error: true, wires: [maybe_broken, intact, unknown, broken]}",
                                                     "DE")));
        const Cards cards = openDefaultCards();
        ViReal64 measured = 0;
        QCOMPARE(ov7931_excCalibration(cards.slave, 5, ov7931_EXC_500UA, &measured, nullptr), VI_SUCCESS);
        QCOMPARE(measured, 500e-6 + 3e-6);
        QCOMPARE(ov7931_excCalibration(cards.slave, 11, ov7931_EXC_SECONDARY, &measured, nullptr), VI_SUCCESS);
        QCOMPARE(measured, 1.25e-3 * 1.011);
        ovsim::setExcitationDeviation(11, 0, -2e-5);
        QCOMPARE(ov7931_excCalibration(cards.slave, 11, ov7931_EXC_SECONDARY, &measured, nullptr), VI_SUCCESS);
        QCOMPARE(measured, 1.25e-3 - 2e-5);
        QCOMPARE(ov7931_excCalibration(cards.slave, 11, ov7931_EXC_OFF, &measured, nullptr), ov7931_ERROR_INV_PARAMETER);

        QCOMPARE(ov7931_setChanConfig(cards.slave, 5, ov7931_MODE_4_WIRE, 7, ov7931_EXC_500UA), VI_SUCCESS);
        ViUInt16 gain = 0, flags = 0, summary = 0;
        ViBoolean pga = VI_FALSE;
        QCOMPARE(ov7931_getGainInfo(cards.slave, 5, &gain, &pga), VI_SUCCESS);
        QVERIFY(gain == 7 && pga == VI_TRUE);
        QCOMPARE(ov7931_setGain(cards.slave, 5, ov7931_GAIN_1), VI_SUCCESS);
        QCOMPARE(ov7931_getGain(cards.slave, 5, &gain), VI_SUCCESS);
        QCOMPARE(gain, ViUInt16(ov7931_GAIN_1));

        ovsim::setPgaError(2, true);
        QCOMPARE(ov7931_checkChanPgaEf(cards.slave, 5, &flags), VI_SUCCESS);
        QCOMPARE(flags, ViUInt16(0x12));
        QCOMPARE(ov7931_checkPgaEf(cards.slave, &summary), VI_SUCCESS);
        QCOMPARE(summary, ViUInt16(1));

        ViInt16 w[4] = {9, 9, 9, 9};
        QCOMPARE(ov7931_brokenWireDetect(cards.slave, 5, &w[0], &w[1], &w[2], &w[3]), VI_SUCCESS);
        QCOMPARE(QVector<int>({w[0], w[1], w[2], w[3]}), QVector<int>({2, 0, 1, -1}));
        ovsim::setWire(5, 4, ovsim::Wire::Intact);
        ovsim::setWire(5, 1, ovsim::Wire::Broken);
        QCOMPARE(ov7931_brokenWireDetect(cards.slave, 5, &w[0], &w[1], &w[2], &w[3]), VI_SUCCESS);
        QCOMPARE(QVector<int>({w[0], w[1], w[2], w[3]}), QVector<int>({-1, 0, 1, 0}));
    }
};

QTEST_GUILESS_MAIN(TestSimScenario)
#include "test_sim_scenario.moc"
