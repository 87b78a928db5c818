// Scenario files: the shipped examples, the environment variable and every
// kind of bad input, which must leave an empty VISA system and a reason.
#include "sim_test_util.h"

#include <QtTest>

#include <cstdlib>
#include <cstring>

using namespace simtest;

namespace {

// Every resource name viFindRsrc lists for "?*INSTR".
QStringList listResources()
{
    QStringList names;
    ViSession rm = 0;
    if (viOpenDefaultRM(&rm) != VI_SUCCESS)
        return names;
    ViFindList list = 0;
    ViUInt32 count = 0;
    char desc[VI_FIND_BUFLEN];
    if (viFindRsrc(rm, "?*INSTR", &list, &count, desc) == VI_SUCCESS) {
        names << desc;
        for (ViUInt32 k = 1; k < count && viFindNext(list, desc) == VI_SUCCESS; ++k)
            names << desc;
    }
    viClose(rm);
    return names;
}

} // namespace

class TestSimScenario : public QObject {
    Q_OBJECT

private slots:
    void init() { ovsim::reset(); }
    void cleanupTestCase()
    {
        qunsetenv("OVSIM_SCENARIO");
        ovsim::reset();
    }

    void defaultSystemWithoutEnvironment()
    {
        QCOMPARE(listResources(), QStringList{"VXI0::1::INSTR"});
        Cards c = openDefaultCards();
        QVERIFY(c.master != 0);
        QVERIFY(c.slave != 0);
        char sub[8];
        ViInt32 serial = 0;
        QCOMPARE(ov7931_serialNumber(c.slave, sub, &serial), VI_SUCCESS);
        QCOMPARE(QString(sub), QString("BB"));
    }

    void shippedDefaultMatchesBuiltIn()
    {
        QFile f(shippedScenario("default.yaml"));
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(f.fileName()));
        QCOMPARE(QString::fromUtf8(f.readAll()), QString::fromStdString(ovsim::defaultScenarioText()));
    }

    void environmentNamesTheScenario()
    {
        qputenv("OVSIM_SCENARIO", shippedScenario("two-carriers.yaml").toLocal8Bit());
        ovsim::reset();
        QCOMPARE(listResources(), (QStringList{"VXI0::8::INSTR", "TCPIP0::192.168.2.60::INSTR", "VXI0::24::INSTR",
                                               "GPIB0::12::INSTR"}));
        qputenv("OVSIM_SCENARIO", "");
        ovsim::reset();
        QCOMPARE(listResources(), QStringList{"VXI0::1::INSTR"});
    }

    void environmentWithMissingFileGivesEmptySystem()
    {
        qputenv("OVSIM_SCENARIO", "/nonexistent/dir/system.yaml");
        ovsim::reset();
        QVERIFY(listResources().isEmpty());
        ViSession vi = 0;
        QCOMPARE(ov8263_paramInit("VXI0::1::INSTR", 1, 1, 1, &vi), VI_ERROR_RSRC_NFOUND);
        QCOMPARE(vi, ViSession(0));
        qunsetenv("OVSIM_SCENARIO");
    }

    void missingFile()
    {
        std::string error;
        QVERIFY(!ovsim::loadScenarioFile("/nonexistent/system.yaml", &error));
        QVERIFY2(error.find("/nonexistent/system.yaml") != std::string::npos, error.c_str());
        QVERIFY(listResources().isEmpty());
    }

    void directoryIsNotAScenario()
    {
        QTemporaryDir dir;
        std::string error;
        QVERIFY(!ovsim::loadScenarioFile(dir.path().toStdString(), &error));
        QVERIFY2(error.find(dir.path().toStdString()) != std::string::npos, error.c_str());
        QVERIFY(listResources().isEmpty());
    }

    void invalidYamlNamesTheLine()
    {
        QTemporaryDir dir;
        QString path = writeFile(dir, "broken.yaml",
                                 "version: 1\n"
                                 "devices:\n"
                                 "  box:\n"
                                 "    interface: vxi\n"
                                 "    cards: [ {position: 1, model: 0x8263}\n"
                                 "resources: []\n");
        std::string error;
        QVERIFY(!ovsim::loadScenarioFile(path.toStdString(), &error));
        // The file name, then the line at which the parser gave up.
        QRegularExpression where("^" + QRegularExpression::escape(path) + ":[0-9]+: invalid YAML");
        QVERIFY2(where.match(QString::fromStdString(error)).hasMatch(), error.c_str());
        QVERIFY(listResources().isEmpty());
    }

    void semanticErrorNamesTheLine()
    {
        QTemporaryDir dir;
        QString path = writeFile(dir, "sensor.yaml",
                                 "version: 1\n"
                                 "devices:\n"
                                 "  box:\n"
                                 "    interface: vxi\n"
                                 "    cards:\n"
                                 "      - position: 1\n"
                                 "        model: 0x7931\n"
                                 "        channels:\n"
                                 "          3: {sensor: pt200}\n"
                                 "resources:\n"
                                 "  - {name: VXI0::1::INSTR, device: box}\n");
        std::string error;
        QVERIFY(!ovsim::loadScenarioFile(path.toStdString(), &error));
        QVERIFY2(error.rfind(path.toStdString() + ":9:", 0) == 0, error.c_str());
        QVERIFY2(error.find("pt200") != std::string::npos, error.c_str());
    }

    void misspeltKeyIsRejected()
    {
        std::string error;
        QVERIFY(!ovsim::loadScenarioText("version: 1\n"
                                         "devices:\n"
                                         "  box: {interface: vxi, slots: 3}\n",
                                         &error));
        QVERIFY2(error.find(":3:") != std::string::npos, error.c_str());
        QVERIFY2(error.find("'slots'") != std::string::npos, error.c_str());
    }

    void wrongVersion()
    {
        std::string error;
        QVERIFY(!ovsim::loadScenarioText("version: 2\n", &error));
        QVERIFY2(error.find("version 2") != std::string::npos, error.c_str());
        QVERIFY(!ovsim::loadScenarioText("devices: {}\n", &error));
        QVERIFY2(error.find("version") != std::string::npos, error.c_str());
        QVERIFY(listResources().isEmpty());
    }

    void referencesAreChecked()
    {
        std::string error;
        QVERIFY(!ovsim::loadScenarioText("version: 1\nresources:\n  - {name: VXI0::1::INSTR, device: nowhere}\n",
                                         &error));
        QVERIFY2(error.find("nowhere") != std::string::npos, error.c_str());
        QVERIFY(!ovsim::loadScenarioText("version: 1\n"
                                         "devices:\n"
                                         "  box:\n"
                                         "    interface: vxi\n"
                                         "    positions: 2\n"
                                         "    cards: [{position: 3, model: 0x8263}]\n",
                                         &error));
        QVERIFY2(error.find(":6:") != std::string::npos, error.c_str());
    }

    void emptySystem()
    {
        std::string error;
        QVERIFY2(ovsim::loadScenarioFile(shippedScenario("empty.yaml").toStdString(), &error), error.c_str());
        ViSession rm = 0;
        QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
        ViFindList list = 0;
        ViUInt32 count = 99;
        char desc[VI_FIND_BUFLEN];
        QCOMPARE(viFindRsrc(rm, "?*INSTR", &list, &count, desc), VI_ERROR_RSRC_NFOUND);
        QCOMPARE(count, ViUInt32(0));
        QCOMPARE(viClose(rm), VI_SUCCESS);
    }

    void lxiAttributes()
    {
        QVERIFY(ovsim::loadScenarioFile(shippedScenario("two-carriers.yaml").toStdString()));
        ViSession rm = 0, vi = 0;
        QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
        QCOMPARE(viOpen(rm, "TCPIP0::192.168.2.60::INSTR", VI_NO_LOCK, 0, &vi), VI_SUCCESS);
        ViUInt16 intf = 0;
        QCOMPARE(viGetAttribute(vi, VI_ATTR_INTF_TYPE, &intf), VI_SUCCESS);
        QCOMPARE(int(intf), VI_INTF_TCPIP);
        char host[256] = {0}, device[256] = {0};
        QCOMPARE(viGetAttribute(vi, VI_ATTR_TCPIP_HOSTNAME, host), VI_SUCCESS);
        QCOMPARE(QString(host), QString("lxi-7931.example.lan"));
        QCOMPARE(viGetAttribute(vi, VI_ATTR_TCPIP_DEVICE_NAME, device), VI_SUCCESS);
        QCOMPARE(QString(device), QString("inst0"));
        ViInt16 slot = -7;
        QCOMPARE(viGetAttribute(vi, VI_ATTR_SLOT, &slot), VI_ERROR_NSUP_ATTR);
        QCOMPARE(slot, ViInt16(-7));

        // The digitizer session answers for its carrier as the panel asks it.
        ViSession master = 0;
        QCOMPARE(ov8263_paramInit("TCPIP0::192.168.2.60::INSTR", 1, 1, 1, &master), VI_SUCCESS);
        QCOMPARE(viGetAttribute(master, VI_ATTR_SLOT, &slot), VI_ERROR_NSUP_ATTR);
        std::memset(host, 0, sizeof host);
        QCOMPARE(viGetAttribute(master, VI_ATTR_TCPIP_HOSTNAME, host), VI_SUCCESS);
        QCOMPARE(QString(host), QString("lxi-7931.example.lan"));
        double lo = 0, hi = 0;
        QCOMPARE(ov8263_getFrequencyLimits(master, &lo, &hi), VI_SUCCESS);
        QCOMPARE(lo, 1.0);
        QCOMPARE(hi, 20000.0);
        viClose(rm);
    }

    void refusingResource()
    {
        QVERIFY(ovsim::loadScenarioFile(shippedScenario("two-carriers.yaml").toStdString()));
        QVERIFY(listResources().contains("VXI0::24::INSTR"));
        ViSession rm = 0, vi = 4242;
        QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
        QCOMPARE(viOpen(rm, "VXI0::24::INSTR", VI_NO_LOCK, 0, &vi), VI_ERROR_RSRC_BUSY);
        QCOMPARE(vi, ViSession(4242));
        QCOMPARE(ov8263_paramInit("VXI0::24::INSTR", 1, 1, 1, &vi), VI_ERROR_RSRC_BUSY);
        // An instrument that opens but is no carrier of ours.
        QCOMPARE(viOpen(rm, "GPIB0::12::INSTR", VI_NO_LOCK, 0, &vi), VI_SUCCESS);
        ViUInt16 intf = 0;
        QCOMPARE(viGetAttribute(vi, VI_ATTR_INTF_TYPE, &intf), VI_SUCCESS);
        QCOMPARE(int(intf), VI_INTF_GPIB);
        ov9174_IdRecord *rec = nullptr;
        ViStatus st = ov9174_openIdRecord(vi, &rec);
        QVERIFY(st < 0);
        QVERIFY(rec == nullptr);
        QVERIFY(statusText(st).find("Unknown status") == std::string::npos);
        viClose(rm);
    }

    void damagedTextNeverCrashes()
    {
        // Every single-character damage of the default system either still
        // reads or is refused with a reason; an empty system stays usable.
        const std::string good = ovsim::defaultScenarioText();
        const char replacements[] = {'\0', ':', '-', '{', '[', ' ', '\n', 'x', '9', '\'', '&', '*'};
        int refused = 0;
        for (size_t at = 0; at < good.size(); at += 3) {
            std::string text = good;
            text[at] = replacements[at % sizeof replacements];
            std::string error;
            bool ok = ovsim::loadScenarioText(text, &error);
            if (!ok) {
                ++refused;
                QVERIFY2(!error.empty(), text.c_str());
                QVERIFY(listResources().isEmpty());
            }
        }
        QVERIFY(refused > 0);
    }

    void manyCardsGenerated()
    {
        // 70 mainframes of four digitizers each: more supported cards than the panel lists.
        QString yaml = "version: 1\ndevices:\n";
        QString resources = "resources:\n";
        for (int m = 0; m < 70; ++m) {
            yaml += QString("  mf%1:\n    interface: vxi\n    slot: %2\n    logical_address: %3\n    positions: 4\n"
                            "    cards:\n")
                        .arg(m)
                        .arg(m % 13)
                        .arg(m + 1);
            for (int p = 1; p <= 4; ++p)
                yaml += QString("      - {position: %1, model: 0x8263, serial: %2}\n").arg(p).arg(m * 4 + p);
            resources += QString("  - {name: 'VXI%1::%2::INSTR', device: mf%3}\n").arg(m / 32).arg(m + 1).arg(m);
        }
        QTemporaryDir dir;
        QString path = writeFile(dir, "many-cards.yaml", (yaml + resources).toUtf8());
        std::string error;
        QVERIFY2(ovsim::loadScenarioFile(path.toStdString(), &error), error.c_str());

        QStringList names = listResources();
        QCOMPARE(names.size(), 70);
        ViSession rm = 0;
        QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);
        int digitizers = 0;
        for (const QString &name : names) {
            ViSession vi = 0;
            QCOMPARE(viOpen(rm, name.toLatin1().constData(), VI_NO_LOCK, 0, &vi), VI_SUCCESS);
            ov9174_IdRecord *rec = nullptr;
            QCOMPARE(ov9174_openIdRecord(vi, &rec), VI_SUCCESS);
            QCOMPARE(ov9174_readCardTable(rec, 0, 1), VI_SUCCESS);
            for (int k = 0; k < rec->positionCount; ++k)
                digitizers += rec->rawModel[k] == 0x8263;
            QCOMPARE(ov9174_closeIdRecord(rec), VI_SUCCESS);
            QCOMPARE(viClose(vi), VI_SUCCESS);
        }
        QCOMPARE(digitizers, 280);
        viClose(rm);
    }
};

QTEST_GUILESS_MAIN(TestSimScenario)
#include "test_sim_scenario.moc"
