// Scenario files: the default system, the environment variable, the shipped
// examples (LXI attributes, a refusing resource, an empty system) and every
// kind of bad input, which leaves an empty VISA system and a reason naming
// the file and line.
#include "sim_test_util.h"

#include <QtTest>

#include <sys/stat.h>

using namespace simtest;

class TestSimScenario : public QObject {
    Q_OBJECT

private slots:
    void init() { ovsim::reset(); }
    void cleanupTestCase()
    {
        qunsetenv("OVSIM_SCENARIO");
        ovsim::reset();
    }

    void defaultSystemAndEnvironment()
    {
        QCOMPARE(listResources(), QStringList{"VXI0::1::INSTR"});
        QFile shipped(QString::fromStdString(shippedScenario("default.yaml")));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        QCOMPARE(shipped.readAll().toStdString(), ovsim::defaultScenarioText());

        qputenv("OVSIM_SCENARIO", shippedScenario("two-carriers.yaml").c_str());
        ovsim::reset();
        QCOMPARE(listResources(),
                 (QStringList{"VXI0::8::INSTR", "TCPIP0::192.168.2.60::INSTR", "VXI0::24::INSTR", "GPIB0::12::INSTR"}));
        qputenv("OVSIM_SCENARIO", "/nonexistent/dir/system.yaml");
        ovsim::reset();
        QVERIFY(listResources().isEmpty());
        qputenv("OVSIM_SCENARIO", "");
        ovsim::reset();
        QCOMPARE(listResources(), QStringList{"VXI0::1::INSTR"});
    }

    // "data: sequence" on the digitizer: a read gives the integrity samples
    // of every channel, counted from the start of the run; "signal" and no
    // key give the sensors' signals; anything else is refused.
    void sequenceData_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<bool>("loads");
        QTest::addColumn<bool>("sequence");
        QTest::newRow("no key") << "" << true << false;
        QTest::newRow("signal") << "signal" << true << false;
        QTest::newRow("sequence") << "sequence" << true << true;
        QTest::newRow("other") << "ramp" << false << false;
    }

    void sequenceData()
    {
        QFETCH(QString, data);
        QFETCH(bool, sequence);
        std::string yaml = ovsim::defaultScenarioText();
        const std::string model = "model: 0x8263\n";
        const size_t at = yaml.find(model);
        QVERIFY(at != std::string::npos);
        if (!data.isEmpty())
            yaml.insert(at + model.size(), "        data: " + data.toStdString() + "\n");
        std::string error;
        QTEST(ovsim::loadScenarioText(yaml, &error), "loads");
        if (data == "ramp") {
            QVERIFY(error.find("'data' is signal or sequence") != std::string::npos);
            return;
        }
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
        ov8263_close(vi);
        ovsim::setManualClock(false);
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("yaml"); // written to a file; none: the path is a directory or missing
        QTest::addColumn<QString>("reason");  // after "<path>:"
        QTest::newRow("missing file") << QByteArray() << " cannot open";
        QTest::newRow("directory") << QByteArray("dir") << " the scenario is a folder, not a regular file$";
        QTest::newRow("FIFO") << QByteArray("fifo") << " the scenario is not a regular file \\(a device, a FIFO";
        QTest::newRow("device") << QByteArray("/dev/zero") << " the scenario is not a regular file";
        QTest::newRow("too large") << QByteArray("large") << " the scenario file is too large \\(16777217 bytes";
        QTest::newRow("binary") << QByteArray("version: 1\n# \x01\x02\n", 16) << "2: the scenario file is not UTF-8 text";
        QTest::newRow("NUL byte") << QByteArray("version: 1\0\n", 12) << "1: the scenario file is not UTF-8 text";
        QTest::newRow("broken UTF-8") << QByteArray("version: 1\n\n# caf\xC3") << "3: the scenario file is not UTF-8";
        QTest::newRow("quoted version") << QByteArray("version: \" 1\"\n") << "1: version must be a number, not the quoted";
        QTest::newRow("quoted number") << QByteArray("version: '1'\n") << "1: version must be a number, not the quoted";
        QTest::newRow("blank in number") << QByteArray("version:  1 \ndevices:\n  box: {interface: vxi, slot: ' 3'}\n")
                                         << "3: slot must be a number";
        QTest::newRow("sign after 0x") << QByteArray("version: 1\nresources:\n  - {name: 'GPIB0::1::INSTR', refuse: 0x-5}\n")
                                       << "3: refuse must be an integer, not '0x-5'";
        QTest::newRow("plus sign") << QByteArray("version: +1\n") << "1: version must be an integer, not '\\+1'";
        QTest::newRow("huge integer") << QByteArray("version: 99999999999999999999\n") << "1: version 9+ is out of range";
        QTest::newRow("hex float") << QByteArray("version: 1\ndevices:\n  box:\n    interface: vxi\n    cards:\n"
                                                 "      - {position: 1, model: 0x8263, max_frequency: 0x1p4}\n")
                                   << "6: max_frequency must be a number, not '0x1p4'";
        QTest::newRow("invalid YAML") << QByteArray("version: 1\ndevices:\n  box:\n    interface: vxi\n"
                                                    "    cards: [ {position: 1, model: 0x8263}\nresources: []\n")
                                      << "[0-9]+: invalid YAML";
        QTest::newRow("wrong version") << QByteArray("version: 2\n") << ".*version 2";
        QTest::newRow("misspelt key") << QByteArray("version: 1\ndevices:\n  box: {interface: vxi, slots: 3}\n")
                                      << "3: .*'slots'";
    }

    void refused()
    {
        QFETCH(QByteArray, yaml);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QString path = dir.filePath("system.yaml");
        if (yaml == "dir")
            path = dir.path();
        QFile f(path);
        if (yaml == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (yaml == "large") {
            // Sparse: takes no room on the disk.
            QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(16 * 1024 * 1024 + 1));
        } else if (yaml.startsWith('/')) {
            path = QString::fromLatin1(yaml);
        } else {
            QVERIFY(yaml.isEmpty() || yaml == "dir" || (f.open(QIODevice::WriteOnly) && f.write(yaml) == yaml.size()));
        }
        f.close();
        std::string error;
        QVERIFY(!ovsim::loadScenarioFile(path.toStdString(), &error));
        QRegularExpression expected("^" + QRegularExpression::escape(path) + ":" + reason);
        QVERIFY2(expected.match(QString::fromStdString(error)).hasMatch(), error.c_str());
        QVERIFY(listResources().isEmpty());
    }

    void damagedTextNeverCrashes()
    {
        // Every damage of single characters of the default system either still
        // reads or is refused with a reason, leaving an empty system.
        const std::string good = ovsim::defaultScenarioText();
        const char replacements[] = {'\0', ':', '-', '{', '[', ' ', '\n', 'x', '9', '\'', '&', '*'};
        int refused = 0;
        for (size_t at = 0; at < good.size(); at += 3) {
            std::string text = good, error;
            text[at] = replacements[at % sizeof replacements];
            if (ovsim::loadScenarioText(text, &error))
                continue;
            ++refused;
            QVERIFY2(!error.empty() && listResources().isEmpty(), text.c_str());
        }
        QVERIFY(refused > 0);
    }

    // Opening each of 20000 resources finds it by name at once (a scan of
    // the list per open made such a search take minutes).
    void twentyThousandResources()
    {
        std::string yaml = "version: 1\nresources:\n";
        for (int k = 0; k < 20000; ++k)
            yaml += "  - {name: 'TCPIP0::10.0." + std::to_string(k / 250) + "." + std::to_string(k % 250) +
                    "::INSTR'" + (k == 19999 ? ", refuse: busy" : "") + "}\n";
        QElapsedTimer timer;
        timer.start();
        QVERIFY(ovsim::loadScenarioText(yaml));
        const QStringList names = listResources();
        QCOMPARE(names.size(), 20000);
        ViSession rm = 0;
        QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
        int opened = 0;
        for (const QString &name : names) {
            ViSession vi = 0;
            if (viOpen(rm, name.toLatin1().constData(), VI_NO_LOCK, 0, &vi) == VI_SUCCESS) {
                ++opened;
                viClose(vi);
            }
        }
        // Names compare in their canonical form: board number, case, "::INSTR".
        ViSession vi = 0;
        QCOMPARE(viOpen(rm, "tcpip::10.0.79.249", VI_NO_LOCK, 0, &vi), VI_ERROR_RSRC_BUSY);
        QCOMPARE(viOpen(rm, "tcpip::10.0.79.248", VI_NO_LOCK, 0, &vi), VI_SUCCESS);
        QCOMPARE(viOpen(rm, "TCPIP0::10.0.80.0::INSTR", VI_NO_LOCK, 0, &vi), VI_ERROR_RSRC_NFOUND);
        viClose(rm);
        QCOMPARE(opened, 19999);
        qInfo("20000 resources read, listed and opened in %lld ms", static_cast<long long>(timer.elapsed()));
    }

    void shippedExamples()
    {
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
        ViStatus st = ov9174_openIdRecord(vi, &rec);
        QVERIFY(st < 0 && !rec);
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
};

QTEST_GUILESS_MAIN(TestSimScenario)
#include "test_sim_scenario.moc"
