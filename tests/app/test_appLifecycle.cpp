// The application object from opening the cards to closing them: each
// failing call of the open sequence reported, the identities, measured
// currents and sampling rates read at the open, the settings-file choices
// kept from one start to the next, the sessions closed, and "Enable All
// Channels".
#include "appfixture.h"
#include "ov7931.h"
#include "ov7931Demo_App.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_channelModel.h"
#include "ov8263.h"
#include "ovsim_control.h"
#include "recording_files.h"
#include "testkit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QtTest>

using namespace testkit;

class TestAppLifecycle : public QObject
{
    Q_OBJECT

private slots:
    void eachFailingOpenCallIsReported_data()
    {
        QTest::addColumn<QString>("callText");
        for (const char *text : {"blockedHardwareAccess4(ov7931_init, masterVi, VI_TRUE, VI_TRUE, &slaveVi)",
                                 "blockedHardwareAccess3(ov7931_serialNumber, slaveVi, sub, &serial)",
                                 "blockedHardwareAccess3(ov7931_revision_query, slaveVi, (ViPChar)0, rev)",
                                 "blockedHardwareAccess2(ov8263_getSubType, masterVi, sub)",
                                 "blockedHardwareAccess2(ov8263_getSerNum, masterVi, &serial)",
                                 "blockedHardwareAccess3(ov8263_revision_query, masterVi, (ViPChar)0, rev)"})
            QTest::newRow(QByteArray(text).split('(').at(1).split(',').at(0)) << text;
    }

    void eachFailingOpenCallIsReported()
    {
        QFETCH(QString, callText);
        const QString function = QString::fromLatin1(QTest::currentDataTag());
        const bool digitizer = function.startsWith(QLatin1String("ov8263"));
        const ViStatus status = digitizer ? ov8263_ERROR_HARDWARE : ov7931_ERROR_HARDWARE;
        AppFixture f;
        ovsim::failAlways(function.toStdString(), status);
        ov7931Demo_App *app = f.create(AppFixture::Mode::Live, {QStringLiteral("No")});
        ovsim::clearFaults();
        // After "No" the sequence goes on: every call of it is made, in order.
        QStringList made;
        for (const QString &name : journalNames(QStringLiteral("ov7931_init")))
            if (!made.contains(name) && QRegularExpression("_(init|serialNumber|revision_query|getSubType|getSerNum)$")
                                            .match(name).hasMatch())
                made << name;
        QCOMPARE(made.join(' '), QString("ov7931_init ov7931_serialNumber ov7931_revision_query ov8263_getSubType "
                                         "ov8263_getSerNum ov8263_revision_query"));
        QVERIFY(journalNames().contains(QStringLiteral("ov8263_getFrequencyLimits")));
        // The text comes from the failing call's driver, asked with the session of the time;
        // a failed ov7931_init also fails the calls that need its session.
        const ViSession vi = digitizer ? app->masterVi : function == QLatin1String("ov7931_init") ? 0 : app->slaveVi;
        const QString expected = errorBoxText(callText, driverText(digitizer, vi, status));
        const QList<SeenBox> boxes = f.boxes();
        QVERIFY(std::any_of(boxes.begin(), boxes.end(), [&](const SeenBox &box) { return box.text == expected; }));
        QCOMPARE(boxes.first().title, QStringLiteral("Keltri 7931 SFP Error message"));
    }

    void openAndClose_data()
    {
        QTest::addColumn<QStringList>("changes"); // of the default scenario: from, to, from, to, ...; "DEMO"
        QTest::addColumn<QByteArray>("stored");   // the settings file before
        QTest::addColumn<QString>("identities");
        QTest::addColumn<QString>("rates"); // the current one in brackets, and its rate in Hz
        const QString revision = QStringLiteral("revision: \"2.4.1.0\"");
        const QString limits = revision + QStringLiteral("\n        min_frequency: %1\n        max_frequency: %2");
        const QString demo = "7931-AE DEMO 1.0.0.0 (DEMO) | 8263-AA DEMO 1.0.0.0 (DEMO) | ov7931_DEMO.ini";
        const QString demoRates = "1 Hz, 2 Hz, 5 Hz, 10 Hz, 20 Hz, 50 Hz, 100 Hz, 200 Hz, 500 Hz, [1 kHz], 2 kHz, "
                                  "5 kHz, 10 kHz, 20 kHz, 30 kHz, 40 kHz, 50 kHz 1000";
        QTest::newRow("live, 100..20000") << QStringList{revision, limits.arg(100).arg(20000)} << QByteArray()
            << "7931-BB 00004711 1.6.2.0 | 8263-AA 00012a4f 2.4.1.0 | ov7931_00004711.ini"
            << "100 Hz, 200 Hz, 500 Hz, [1 kHz], 2 kHz, 5 kHz, 10 kHz, 20 kHz 1000";
        QTest::newRow("live, other identities, limits without 1000")
            << QStringList{"serial: 4711", "serial: 1234", "serial: 0x00012A4F", "serial: 0x1A2B", "sub_type: BB",
                           "sub_type: DE", "revision: \"1.6.2.0\"", "revision: \"3.0.0.7\"", revision,
                           limits.arg(1500).arg(45000)} << QByteArray()
            << "7931-DE 00001234 3.0.0.7 | 8263-AA 00001a2b 2.4.1.0 | ov7931_00001234.ini"
            << "[2 kHz], 5 kHz, 10 kHz, 20 kHz, 30 kHz, 40 kHz 2000";
        QTest::newRow("demo") << QStringList("DEMO") << QByteArray() << demo << demoRates;
        // Missing or bad stored values select the defaults.
        QTest::newRow("unknown values") << QStringList("DEMO") << QByteArray("NumberOfScans=4096\nSamplingFrequency="
                                                                             "3 kHz\n") << demo << demoRates;
        QTest::newRow("garbled") << QStringList("DEMO")
            << QByteArray("NumberOfScans=@Variant(\\0\\x7f)\nSamplingFrequency=a,b\n\x01") << demo << demoRates;
    }

    void openAndClose()
    {
        QFETCH(QStringList, changes);
        QFETCH(QByteArray, stored);
        QFETCH(QString, identities);
        const bool demo = changes.value(0) == "DEMO";
        const AppFixture::Mode mode = demo ? AppFixture::Mode::Demo : AppFixture::Mode::Live;
        AppFixture f;
        QVERIFY(demo || loadScenario(defaultScenarioWith(changes)));
        const QString file = f.path(identities.section(' ', -1));
        QVERIFY(stored.isEmpty() || rec::writeFile(file, stored));
        ov7931Demo_App *app = f.create(mode, {"No"}, "7931-AE");
        QCOMPARE(QStringList({app->slaveSubType, app->slaveSerial, app->slaveRevision, "|", app->masterSubType,
                              app->masterSerial, app->masterRevision, "|", app->settingsFileName()}).join(' '),
                 identities);
        QComboBox *lengths = app->waveformLengthList(), *rates = app->samplingRateList();
        QStringList items;
        for (int i = 0; i < rates->count(); ++i)
            items << QString(i == rates->currentIndex() ? "[%1]" : "%1").arg(rates->itemText(i));
        QTEST(items.join(", ") + " " + rates->currentData().toString(), "rates");
        QCOMPARE(lengths->currentText(), QString("1000"));
        // The channels' measured excitation currents are the driver's (nominal in demo mode; on 7931-BB
        // every secondary current is 10 uA).
        const double trim = demo ? 1 : 1.012;
        QCOMPARE(app->chCfg[11]->excitCurrPrimary, 500e-6 * trim);
        QCOMPARE(app->chCfg[11]->excitCurrSecondary, (identities.startsWith("7931-BB") ? 10e-6 : 1.25e-3) * trim);
        // Demo mode opens nothing: the only calls ask the driver's and the common library's revisions.
        QVERIFY(!demo || journalNames(QString(), true).join(' ') == "ov7931_revision_query(0, &, null) "
                                                                    "ov9174_libRevision(&)");
        // Closing: each session is closed once, the conditioning card's first (a failing close is not
        // reported), and the choices are saved for the next start.
        lengths->setCurrentText(QStringLiteral("200"));
        rates->setCurrentIndex(rates->count() - 1);
        const QString choices = lengths->currentText() + " " + rates->currentText();
        const QString closes =
            demo ? QString() : QStringLiteral("ov7931_close(%1) ov8263_close(%2)").arg(app->slaveVi).arg(app->masterVi);
        ovsim::failNext("ov7931_close", -1);
        ovsim::clearJournal();
        f.destroy();
        QCOMPARE(journalNames(QString(), true).join(' '), closes);
        QVERIFY(f.boxes().isEmpty() && QFile::exists(f.path(QStringLiteral("ov7931_DEMO.ini"))) == demo);
        QSettings s(file, QSettings::IniFormat);
        QCOMPARE(s.value("NumberOfScans").toString() + " " + s.value("SamplingFrequency").toString(), choices);
        app = f.create(mode, {"No"}, "7931-AE");
        QCOMPARE(app->waveformLengthList()->currentText() + " " + app->samplingRateList()->currentText(), choices);
    }

    void enableAllSwitchesOnTheOthersInChannelOrder()
    {
        AppFixture f;
        ov7931Demo_App *app = f.create(AppFixture::Mode::Live);
        app->chCfg[3]->enableBox->setChecked(true);
        app->chCfg[3]->sensorSelector->setCurrentIndex(SensorResistance);
        ovsim::clearJournal();
        app->enableAllButton()->click();
        // Each channel that was off is applied once, switched on; channels 1 and 4 are left alone.
        QStringList switched;
        for (const ovsim::Call &c : ovsim::journalOf("ov8263_setChanConfig"))
            switched << QString::fromStdString(c.args[1] + (c.args[2] == "1" ? "" : " off"));
        QCOMPARE(switched.join(' '), QStringLiteral("2 3 5 6 7 8 9 10 11 12 13 14 15 16"));
        for (const ov7931Demo_ChCfg *p : app->chCfg)
            QVERIFY(p->enableBox->isChecked());
    }
};

QTEST_MAIN(TestAppLifecycle)
#include "test_appLifecycle.moc"
