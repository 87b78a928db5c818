// The simulated instrument. Scenario files: the default system, the
// environment variable, the shipped examples (LXI attributes, a refusing
// resource, an empty system), the digitizer's sequence data and every kind
// of bad input, which leaves an empty VISA system and a reason naming the
// file and line. The default system's cards, single shot on a clock moved by
// hand: the state machine and trigger, what the read delivers (grouped by
// channel, in volts or ohms), the error bits, where the excitation current
// flows, what the wire test and the calibration tools read. Continuous runs:
// callbacks paced by the clock, blocks read in order and complete (integrity
// samples), stopping while a callback waits for the stopper's lock, the
// faults scheduled in a stream, the short reads of a FIFO that overflowed.
// Injected failures by function name in every layer, the forwarded digitizer
// status, and the journal of calls with their texts.
#include "ov7931.h"
#include "ov8263.h"
#include "ov9174.h"
#include "ovsim_control.h"
#include "statuscodes.h"
#include "visa.h"

#include <QtTest>

#include <sys/stat.h>

#include <cmath>
#include <future>
#include <mutex>
#include <thread>

namespace {

// The default system with each fromTo[2k] replaced by fromTo[2k + 1].
std::string defaultWith(std::initializer_list<std::string> fromTo)
{
    std::string yaml = ovsim::defaultScenarioText();
    for (auto it = fromTo.begin(); it != fromTo.end(); it += 2)
        yaml.replace(yaml.find(*it), it->size(), *(it + 1));
    return yaml;
}

// The default system with channel 5 of the 7931 described by `channel` (a
// flow mapping) on line 28, and the card's sub-type.
std::string withChannel5(const std::string &channel, const std::string &subType = "BB")
{
    const std::string four = "          4: {sensor: pt100, temperature: 23.5, wires: [intact, broken, intact, intact]}\n";
    return defaultWith({"sub_type: BB", "sub_type: " + subType, four, four + "          5: " + channel + "\n"});
}

// Every resource name viFindRsrc lists for "?*INSTR".
QStringList listResources()
{
    QStringList names;
    ViSession rm = 0;
    ViFindList list = 0;
    ViUInt32 count = 0;
    char desc[VI_FIND_BUFLEN];
    viOpenDefaultRM(&rm);
    for (ViStatus st = viFindRsrc(rm, "?*INSTR", &list, &count, desc); st == VI_SUCCESS && names.size() < int(count);
         st = viFindNext(list, desc))
        names << desc;
    viClose(rm);
    return names;
}

// State, error bits and scan backlog as ov8263_checkAcquisition reports them.
QVector<int> status(ViSession vi)
{
    ViInt16 state = -1;
    ViUInt16 errors = 0xFFFF;
    ViInt32 backlog = -1;
    ov8263_checkAcquisition(vi, &state, &errors, &backlog);
    return {state, errors, backlog};
}

// What the callback saw, block by block, reading channels 1 and 3 as the
// panel does: per block its first scan (or the status of a failed read),
// and whether each channel held its consecutive scans.
struct Recorder {
    int scansPerBlock = 0;
    std::mutex *panelLock = nullptr; // taken around the read when set
    std::atomic<int> entries{0};
    std::atomic<bool> waitingForLock{false};
    std::mutex m;
    QVector<QVector<qint64>> blocks;
    bool contiguous = true;

    QVector<QVector<qint64>> seen()
    {
        std::lock_guard<std::mutex> lk(m);
        return blocks;
    }
};

void onBlock(ViSession vi, ViAddr user)
{
    auto *r = static_cast<Recorder *>(user);
    r->entries++;
    std::vector<double> block(size_t(r->scansPerBlock) * 2, -1.0);
    ViInt32 n = -1;
    std::unique_lock<std::mutex> panel;
    if (r->panelLock) {
        r->waitingForLock = true;
        panel = std::unique_lock<std::mutex>(*r->panelLock);
        r->waitingForLock = false;
    }
    const ViStatus st = ov8263_readAcquisition(vi, r->scansPerBlock, ov8263_GROUP_BY_CHANNEL, nullptr, &n, block.data());
    int ch = 0;
    int64_t first = -1, scan = -1;
    bool ok = st != VI_SUCCESS || (n == r->scansPerBlock && ovsim::decodeIntegritySample(block[0], &ch, &first));
    for (int k = 0; ok && st == VI_SUCCESS && k < 2 * n; ++k)
        ok = ovsim::decodeIntegritySample(block[size_t(k)], &ch, &scan) && ch == (k < n ? 1 : 3) && scan == first + k % n;
    std::lock_guard<std::mutex> lk(r->m);
    r->blocks.push_back({st == VI_SUCCESS ? first : qint64(st)});
    r->contiguous = r->contiguous && ok;
}

} // namespace

class TestSimulator : public QObject
{
    Q_OBJECT

    ViSession master = 0, slave = 0;

    // Loads a system on the manual clock and opens its digitizer and conditioning card.
    void load(const std::string &yaml)
    {
        QVERIFY(ovsim::loadScenarioText(yaml));
        ovsim::setManualClock(true);
        QCOMPARE(ov8263_paramInit("VXI0::1::INSTR", 1, 1, 1, &master), VI_SUCCESS);
        QCOMPARE(ov7931_init(master, VI_TRUE, VI_TRUE, &slave), VI_SUCCESS);
    }

    // The panel's set-up of a channel: 4-wire in ohms or differential in volts.
    void configure(int ch, bool ohms, int gain = ov7931_GAIN_1)
    {
        QCOMPARE(ov8263_setChanConfig(master, ch, ov8263_CH_FP, 2, VI_FALSE), VI_SUCCESS);
        QCOMPARE(ov7931_setChanConfig(slave, ch, ohms ? ov7931_MODE_4_WIRE : ov7931_MODE_DIFF_VOLT, gain,
                                      ohms ? ov7931_EXC_500UA : ov7931_EXC_OFF),
                 VI_SUCCESS);
        QCOMPARE(ov7931_setConversion(slave, ch, ohms ? ov7931_OUT_UNIT_RES : ov7931_OUT_UNIT_VOLT), VI_SUCCESS);
    }

    // Arms a triggered run of `scans` at `rate` and lets the card become ready.
    void armAndWait(double rate, int scans)
    {
        QCOMPARE(ov8263_setAcquisitionMode(master, rate, scans, ov8263_DA_START_TRIG, ov8263_DA_STOP_ERR_OFF), VI_SUCCESS);
        QCOMPARE(ov8263_resetFIFO(master), VI_SUCCESS);
        QCOMPARE(ov8263_armDAQ(master, ov8263_SYNC_IF_NEED | ov8263_ARM_NOWAIT), VI_SUCCESS);
        QCOMPARE(status(master)[0], int(ov8263_STATE_HW_ARM));
        ovsim::advanceClock(0.002);
        QCOMPARE(status(master)[0], int(ov8263_STATE_SYNC));
        ovsim::advanceClock(0.003);
        QCOMPARE(status(master), (QVector<int>{ov8263_STATE_READY, 0, 0}));
    }

    ViUInt16 ecStatus()
    {
        ViUInt16 bits = 0xFFFF;
        ov7931_checkECStatus(slave, &bits);
        return bits;
    }

    QVector<int> wireTest(int ch, ViStatus expected = VI_SUCCESS)
    {
        ViInt16 w[4] = {9, 9, 9, 9};
        ViStatus st = ov7931_brokenWireDetect(slave, ch, &w[0], &w[1], &w[2], &w[3]);
        return st == expected ? QVector<int>{w[0], w[1], w[2], w[3]} : QVector<int>{int(st)};
    }

    // Channels 1 and 3 on, continuous at `rate`, integrity samples; starts the stream.
    void start(Recorder &r, double rate, int scansPerBlock)
    {
        ovsim::setIntegrityMode(true);
        configure(1, false);
        configure(3, false);
        QCOMPARE(ov8263_setAcquisitionMode(master, rate, 0, ov8263_DA_START_IMM, ov8263_DA_STOP_ERR_OFF), VI_SUCCESS);
        r.scansPerBlock = scansPerBlock;
        QCOMPARE(ov8263_startAcquisitionEx(master, scansPerBlock, onBlock, &r), VI_SUCCESS);
    }

private slots:
    void init() { load(ovsim::defaultScenarioText()); }
    void cleanup()
    {
        ov8263_stopAcquisition(master);
        ovsim::reset();
    }

    void defaultSystemEnvironmentAndShippedExamples()
    {
        const QString shipped = qEnvironmentVariable("OVSIM_TEST_SOURCE_DIR") + "/simulator/scenarios/";
        QFile file(shipped + "default.yaml");
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().toStdString(), ovsim::defaultScenarioText());
        const QPair<QString, QStringList> environment[] = { // the last: the default system
            {shipped + "two-carriers.yaml", {"VXI0::8::INSTR", "TCPIP0::192.168.2.60::INSTR", "VXI0::24::INSTR", "GPIB0::12::INSTR"}},
            {"/nonexistent/dir/system.yaml", {}}, {"", {"VXI0::1::INSTR"}}};
        for (const auto &e : environment) {
            qputenv("OVSIM_SCENARIO", e.first.toLocal8Bit());
            ovsim::reset();
            QCOMPARE(listResources(), e.second);
        }

        // A resource found by its name in canonical form (board number, case, "::INSTR") refuses to open.
        QVERIFY(ovsim::loadScenarioFile((shipped + "two-carriers.yaml").toStdString()));
        ViSession rm = 0, vi = 4242;
        QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
        QCOMPARE(viOpen(rm, "vxi::24", VI_NO_LOCK, 0, &vi), VI_ERROR_RSRC_BUSY);
        QCOMPARE(vi, ViSession(4242));
        QCOMPARE(viOpen(rm, "VXI0::25::INSTR", VI_NO_LOCK, 0, &vi), VI_ERROR_RSRC_NFOUND);
        viClose(rm);
        QVERIFY(ovsim::loadScenarioFile((shipped + "empty.yaml").toStdString()));
        QVERIFY(listResources().isEmpty());
    }

    // A refused scenario: "<path>:<line>: <reason>", and an empty system.
    void refused_data()
    {
        QTest::addColumn<QByteArray>("yaml"); // written to a file, but "dir", "fifo", "large" and "/dev/..."
        QTest::addColumn<QString>("reason");  // a pattern after "<path>:"
        const auto row = [](const char *name, const QByteArray &yaml, const char *reason) {
            QTest::newRow(name) << yaml << QString(reason);
        };
        row("missing file", QByteArray(), " cannot open");
        row("directory", "dir", " the scenario is a folder, not a regular file$");
        row("FIFO", "fifo", " the scenario is not a regular file \\(a device, a FIFO");
        row("device", "/dev/zero", " the scenario is not a regular file");
        row("too large", "large", " the scenario file is too large \\(16777217 bytes");
        row("binary", QByteArray("version: 1\n# \x01\x02\n", 16), "2: the scenario file is not UTF-8 text");
        row("NUL byte", QByteArray("version: 1\0\n", 12), "1: the scenario file is not UTF-8 text");
        row("broken UTF-8", "version: 1\n\n# caf\xC3", "3: the scenario file is not UTF-8");
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
        row("invalid YAML", "version: 1\ndevices:\n  box:\n    interface: vxi\n    cards: [ {position: 1, model: 0x8263}\n"
            "resources: []\n", "[0-9]+: invalid YAML");
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
        channel5("no current left", "{primary_deviation: -0.0005}", "28: channel 5: a primary deviation of -0.0005 A leaves no current");
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

    // The edges of what a sensor or card can show still read.
    void edgesRead()
    {
        for (const char *channel : {"{sensor: pt100, temperature: -200, noise: 0}", "{sensor: pt500, temperature: 850}",
                                    "{primary_deviation: -0.0004999, secondary_deviation: 0.000002}"})
            QVERIFY(ovsim::loadScenarioText(withChannel5(channel))); // a refusal prints its reason
        QVERIFY(ovsim::loadScenarioText("version: 1\ndevices:\n  box: {interface: lxi, host: " + std::string(255, 'h') + "}\n"));
    }

    void stateMachineAndTrigger()
    {
        std::vector<double> data(100);
        ViInt32 read = 0;
        QCOMPARE(ov8263_readAcquisition(master, 10, 0, nullptr, &read, data.data()), ov8263_ERROR_NOT_RUNNING);
        QCOMPARE(ov8263_setAcquisitionMode(master, 1000.0, 100, ov8263_DA_START_TRIG, 0), VI_SUCCESS);
        QCOMPARE(ov8263_armDAQ(master, ov8263_ARM_NOWAIT), ov8263_ERROR_NOT_CONFIGURED); // no channel on
        configure(1, true);
        QCOMPARE(status(master), (QVector<int>{ov8263_STATE_IDLE, 0, 0}));
        armAndWait(1000.0, 100);
        QCOMPARE(ov8263_setAcquisitionMode(master, 1000.0, 100, ov8263_DA_START_TRIG, 0), ov8263_ERROR_BUSY);
        ovsim::advanceClock(5.0); // ready waits for the trigger however long it takes
        QCOMPARE(status(master), (QVector<int>{ov8263_STATE_READY, 0, 0}));
        QCOMPARE(ov8263_generateITRI(master, ov8263_PULSE), VI_SUCCESS);
        ovsim::advanceClock(0.040);
        QCOMPARE(status(master), (QVector<int>{ov8263_STATE_POST_TRIG, 0, 40}));
        // A read during the run delivers what is there, with a warning.
        QCOMPARE(ov8263_readAcquisition(master, 100, 0, nullptr, &read, data.data()), ov8263_WARN_NOT_ALL_READ);
        QCOMPARE(read, 40);
        QCOMPARE(ov8263_generateITRI(master, ov8263_PULSE), VI_SUCCESS); // changes nothing now
        ovsim::advanceClock(1.0);
        QCOMPARE(status(master), (QVector<int>{ov8263_STATE_END, 0, 60})); // ended after 100 scans
        // stopAcquisition keeps the scans readable; stopDAQ discards them.
        QCOMPARE(ov8263_stopAcquisition(master), VI_SUCCESS);
        QCOMPARE(status(master), (QVector<int>{ov8263_STATE_END, 0, 60}));
        QCOMPARE(ov8263_readAcquisition(master, 60, 0, nullptr, &read, data.data()), VI_SUCCESS);
        QCOMPARE(read, 60);
        QCOMPARE(ov8263_stopDAQ(master), VI_SUCCESS);
        QCOMPARE(status(master), (QVector<int>{ov8263_STATE_IDLE, 0, 0}));
        QCOMPARE(ov8263_readAcquisition(master, 10, 0, nullptr, &read, data.data()), ov8263_ERROR_NOT_RUNNING);
    }

    void groupedByChannelInVoltsAndOhms()
    {
        // Without noise: kind, temperature, resistance, DC level, amplitude, frequency, noise.
        ovsim::setSensor(1, {ovsim::SensorKind::PT100, 23.5, 0, 0, 0, 0, 0});
        ovsim::setSensor(2, {ovsim::SensorKind::Resistor, 25, 1000, 0, 0, 0, 0});
        ovsim::setSensor(3, {ovsim::SensorKind::Voltage, 25, 0, 0.5, 1.0, 5.0, 0});
        for (int ch : {1, 2, 3, 5}) // 5 is open; 4 stays off on the digitizer
            configure(ch, ch < 3);
        const int n = 1000;
        armAndWait(1000.0, n);
        ov8263_generateITRI(master, ov8263_PULSE);
        ovsim::advanceClock(1.01);
        std::vector<double> data(4 * n, std::nan(""));
        ViInt32 read = 0;
        QCOMPARE(ov8263_readAcquisition(master, n, ov8263_GROUP_BY_CHANNEL, nullptr, &read, data.data()), VI_SUCCESS);
        QCOMPARE(read, n);
        QVERIFY(std::fabs(data[0] - 109.1526125625) < 1e-6); // Callendar-Van Dusen at 23.5 °C
        QCOMPARE(data[n], 1000.0);
        for (int k : {0, 50, 333, 999}) // the sine is sampled from the trigger on
            QVERIFY(std::fabs(data[2 * n + k] - 0.5 - std::sin(2 * M_PI * 5.0 * k / 1000.0)) < 1e-9);
        QVERIFY(data[3 * n] > 4.0 && data[3 * n] <= 4.5); // an open input floats close to its full scale
    }

    void errorBits()
    {
        // A PT-100 at 500 uA gives 55 mV; gain 10 reads +-35 mV, gain 9 +-70 mV.
        configure(1, true, 10);
        armAndWait(1000.0, 100); // not yet acquiring: no bit
        ov8263_generateITRI(master, ov8263_PULSE);
        ovsim::advanceClock(0.05);
        QCOMPARE(status(master), (QVector<int>{ov8263_STATE_POST_TRIG, ov8263_ERR_OUT_OF_RANGE, 50}));
        QCOMPARE(ov7931_setGain(slave, 1, 9), VI_SUCCESS);
        QCOMPARE(status(master)[1], 0);

        // On a 7931-AE the digitizer's gain of the channel makes the range:
        // the 1 kOhm resistor of channel 2 at 100 uA gives 0.1 V, beyond gain 200's 50 mV.
        load(defaultWith({"sub_type: BB", "sub_type: AE"}));
        QCOMPARE(ov8263_setChanConfig(master, 2, ov8263_CH_FP, 200, VI_FALSE), VI_SUCCESS);
        QCOMPARE(ov7931_setChanConfig(slave, 2, ov7931_MODE_4_WIRE, 3, ov7931_EXC_100UA), VI_SUCCESS);
        armAndWait(1000.0, 100);
        ov8263_generateITRI(master, ov8263_PULSE);
        ovsim::advanceClock(0.05);
        QCOMPARE(status(master)[1], int(ov8263_ERR_OUT_OF_RANGE));
    }

    // Where the current flows and what the wire test finds: PT-100 on 1,
    // resistor on 2, sine source on 3, PT-100 with a broken "Current -"
    // wire on 4, 5 and 6 open.
    void excitationCurrentAndBrokenWires()
    {
        QCOMPARE(ecStatus(), ViUInt16(0));
        for (int ch = 1; ch <= 6; ++ch)
            configure(ch, ch != 3);
        QCOMPARE(ecStatus(), ViUInt16(0x0003));
        ovsim::setWire(4, 2, ovsim::Wire::Intact);
        ovsim::setWire(1, 1, ovsim::Wire::Broken);
        QCOMPARE(ecStatus(), ViUInt16(0x000A));
        ovsim::setWire(4, 3, ovsim::Wire::Broken); // a sense wire carries no current
        QCOMPARE(ecStatus(), ViUInt16(0x000A));
        QCOMPARE(ov7931_setChanConfig(slave, 2, ov7931_MODE_4_WIRE, 3, ov7931_EXC_OFF), VI_SUCCESS);
        QCOMPARE(ecStatus(), ViUInt16(0x0008));
        QCOMPARE(wireTest(2, ov7931_WARN_NO_EXCITATION), QVector<int>(4, ov7931_WIRE_UNKNOWN));
        ovsim::setSensor(6, {ovsim::SensorKind::Resistor, 25, 47000, 0, 0, 0, -1}); // above 40 kilo-ohm
        QCOMPARE(wireTest(6), QVector<int>({0, 0, -1, 0}));                         // looks like an open "Signal +"
    }

    // What the calibration and wire tools read: the measured current
    // (nominal plus the scenario's deviation, or plus 0.1 % per channel), the
    // gain read back and the amplifier that makes it, the amplifier flags and
    // every wire verdict, from the scenario and at run time.
    void whatTheToolsRead()
    {
        load(withChannel5("{sensor: resistor, resistance: 100, primary_deviation: 0.000003, pga_error: true, "
                          "wires: [maybe_broken, intact, unknown, broken]}", "DE"));
        ViReal64 measured = 0;
        QCOMPARE(ov7931_excCalibration(slave, 5, ov7931_EXC_500UA, &measured, nullptr), VI_SUCCESS);
        QCOMPARE(measured, 500e-6 + 3e-6);
        QCOMPARE(ov7931_excCalibration(slave, 11, ov7931_EXC_OFF, &measured, nullptr), ov7931_ERROR_INV_PARAMETER);

        QCOMPARE(ov7931_setChanConfig(slave, 5, ov7931_MODE_4_WIRE, 7, ov7931_EXC_500UA), VI_SUCCESS);
        ViUInt16 flags = 0;
        ovsim::setPgaError(2, true);
        QCOMPARE(ov7931_checkChanPgaEf(slave, 5, &flags), VI_SUCCESS);
        QCOMPARE(flags, ViUInt16(0x12));

        QCOMPARE(wireTest(5), QVector<int>({2, 0, 1, -1}));
    }

    // Callbacks come as the manual clock passes each block's end; sampling
    // goes on between blocks; none comes after the stop.
    void pacedByTheManualClock()
    {
        Recorder r;
        start(r, 1000.0, 100);
        const std::pair<double, int> steps[] = {{0.05, 0}, {0.05, 1}, {1.03, 11}};
        for (const auto &step : steps) {
            ovsim::advanceClock(step.first);
            QCOMPARE(r.seen().size(), step.second);
        }
        QCOMPARE(status(master), (QVector<int>{ov8263_STATE_POST_TRIG, 0, 30}));
        QCOMPARE(ov8263_stopAcquisition(master), VI_SUCCESS);
        ovsim::advanceClock(1.0);
        QVERIFY(r.contiguous);
        QCOMPARE(r.seen(), (QVector<QVector<qint64>>{{0}, {100}, {200}, {300}, {400}, {500}, {600}, {700}, {800}, {900}, {1000}}));
    }

    void stopWhileTheCallbackWaitsForTheStoppersLock()
    {
        ovsim::setManualClock(false);
        ovsim::setClockSpeed(20.0);
        std::mutex panelLock;
        Recorder r;
        r.panelLock = &panelLock;
        std::unique_lock<std::mutex> held(panelLock);
        start(r, 1000.0, 10);
        QTRY_VERIFY_WITH_TIMEOUT(r.waitingForLock.load(), 10000);
        auto returned = std::make_shared<std::promise<void>>(); // outlives a stop that hangs
        std::thread([returned, session = master] {
            ov8263_stopAcquisition(session);
            returned->set_value();
        }).detach();
        if (returned->get_future().wait_for(std::chrono::seconds(10)) != std::future_status::ready)
            QFAIL("ov8263_stopAcquisition waits for a callback blocked on the caller's lock");
        const int atStop = r.entries;
        held.unlock();
        // The callback in progress finishes; no other starts.
        QTRY_COMPARE_WITH_TIMEOUT(r.seen().size(), atStop, 10000);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        QCOMPARE(int(r.entries), atStop);
    }

    // Each injected failure returns its status without touching its outputs
    // or the card, then the call works again; queued failures come in the
    // order given; failAlways holds until cleared.
    void failuresInEveryLayer()
    {
        const double t0 = ovsim::now();
        ViSession rm = 1234;
        ovsim::failNext("viOpenDefaultRM", VI_ERROR_SYSTEM_ERROR);
        ovsim::failNext("viFindRsrc", VI_ERROR_RSRC_NFOUND, 2);
        ovsim::failNext("ov9174_delay", VI_ERROR_SYSTEM_ERROR);
        ovsim::failNext("ov8263_setChanConfig", ov8263_ERROR_HARDWARE);
        QCOMPARE(viOpenDefaultRM(&rm), VI_ERROR_SYSTEM_ERROR);
        QCOMPARE(rm, ViSession(1234));
        QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
        for (ViStatus st : {VI_ERROR_RSRC_NFOUND, VI_ERROR_RSRC_NFOUND, VI_SUCCESS})
            QCOMPARE(viFindRsrc(rm, "?*INSTR", nullptr, nullptr, nullptr), st);
        QCOMPARE(ov9174_delay(250.0), VI_ERROR_SYSTEM_ERROR);
        QCOMPARE(ov9174_delay(250.0), VI_SUCCESS);
        QCOMPARE(ovsim::now() - t0, 0.25); // only the delay that worked moved the manual clock
        QCOMPARE(ov8263_setChanConfig(master, 4, ov8263_CH_FP, 2, 0), ov8263_ERROR_HARDWARE);
        QVERIFY(!ovsim::digitizerChannel(4).on);

        ovsim::failNext("ov7931_readPGAError", ov7931_ERROR_HARDWARE);
        ovsim::failNext("ov7931_readPGAError", ov7931_ERROR_INV_CHANNEL);
        ViInt16 err = 0;
        QCOMPARE(ov7931_readPGAError(slave, 1, &err, nullptr), ov7931_ERROR_HARDWARE);
        QCOMPARE(ov7931_readPGAError(slave, 1, &err, nullptr), ov7931_ERROR_INV_CHANNEL);
        ovsim::failAlways("ov7931_checkECStatus", ov7931_ERROR_HARDWARE);
        ViUInt16 ec = 0;
        for (int k = 0; k < 3; ++k)
            QCOMPARE(ov7931_checkECStatus(slave, &ec), ov7931_ERROR_HARDWARE);
        ovsim::clearFaults();
        QCOMPARE(ov7931_checkECStatus(slave, &ec), VI_SUCCESS);

        // A bad digitizer session: ov7931_init fails in the digitizer driver,
        // asked without a session. An injected forwarded failure reports a
        // hardware failure when no other status was set.
        ViSession card = 55;
        ViStatus fc = 0;
        QCOMPARE(ov7931_init(0, VI_TRUE, VI_TRUE, &card), ov7931_ERROR_FC_DRIVER);
        QCOMPARE(card, ViSession(55));
        QCOMPARE(ov7931_getFCLastError(VI_NULL, &fc), VI_SUCCESS);
        QCOMPARE(fc, ov8263_ERROR_INV_SESSION);
        ovsim::failNext("ov7931_setChanConfig", ov7931_ERROR_FC_DRIVER);
        QCOMPARE(ov7931_setChanConfig(slave, 1, 1, 3, 1), ov7931_ERROR_FC_DRIVER);
        QCOMPARE(ov7931_getFCLastError(slave, &fc), VI_SUCCESS);
        QCOMPARE(fc, ov8263_ERROR_HARDWARE);
    }

    // Every call with its argument texts (numbers, strings, pointers) and status.
    void journalOfCalls()
    {
        ovsim::clearJournal();
        ViSession rm = 0, vi = 0;
        viOpenDefaultRM(&rm);
        viOpen(rm, "VXI0::1::INSTR", VI_NO_LOCK, 2000, &vi);
        ov9174_delay(2.5);
        ovsim::failNext("ov7931_readPGAError", ov7931_ERROR_HARDWARE);
        ov7931_readPGAError(slave, 3, nullptr, nullptr);
        ov7931_readPGAError(slave, 3, nullptr, nullptr);
        ov8263_setAcquisitionMode(master, 1000.0, 500, ov8263_DA_START_TRIG, ov8263_DA_STOP_ERR_OFF);
        ov8263_setChanConfig(master, 3, ov8263_CH_FP, 2, VI_FALSE);
        ov8263_startAcquisitionEx(master, 100, [](ViSession, ViAddr) {}, nullptr);
        QStringList texts;
        for (const ovsim::Call &call : ovsim::journal())
            texts << QString::fromStdString(call.text()) + " = " + QString::number(call.status);
        const QString pga = "ov7931_readPGAError(" + QString::number(slave) + ", 3, null, null) = ", m = QString::number(master);
        QCOMPARE(texts, (QStringList{"viOpenDefaultRM(&) = 0",
                                     "viOpen(" + QString::number(rm) + ", \"VXI0::1::INSTR\", 0, 2000, &) = 0",
                                     "ov9174_delay(2.5) = 0", pga + QString::number(ov7931_ERROR_HARDWARE),
                                     pga + QString::number(ov7931_ERROR_NULL_POINTER),
                                     "ov8263_setAcquisitionMode(" + m + ", 1000, 500, 1, 0) = 0",
                                     "ov8263_setChanConfig(" + m + ", 3, 1, 2, 0) = 0",
                                     "ov8263_startAcquisitionEx(" + m + ", 100, fn, null) = 0"}));
        ovsim::clearJournal();
        QVERIFY(ovsim::journal().empty());
    }
};

QTEST_GUILESS_MAIN(TestSimulator)
#include "test_simulator.moc"
