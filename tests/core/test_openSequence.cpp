// Opening the cards: the call sequence and its call texts, the reporting of
// each failing call (after "No" the next call is still made), the identity
// texts of both cards in live and demo mode, the sampling-rate list from the
// digitizer's limits and the hand-over of the measured excitation currents.
#include "appfixture.h"
#include "ov7931.h"
#include "ov7931Demo_App.h"
#include "ov7931Demo_ChCfg.h"
#include "ov8263.h"
#include "ov9174fp_About.h"
#include "ovsim_control.h"

#include <QComboBox>
#include <QtTest>

namespace {

const QStringList openCalls = {"ov7931_init",   "ov7931_serialNumber", "ov7931_revision_query",
                               "ov8263_getSubType", "ov8263_getSerNum",  "ov8263_revision_query"};

// The default scenario with some of its lines changed.
std::string scenarioWith(const QList<QPair<QString, QString>> &changes)
{
    QString text = QString::fromStdString(ovsim::defaultScenarioText());
    for (const auto &c : changes) {
        if (!text.contains(c.first))
            qFatal("scenario line not found: %s", qPrintable(c.first));
        text.replace(c.first, c.second);
    }
    return text.toStdString();
}

void loadScenario(const std::string &yaml)
{
    std::string error;
    QVERIFY2(ovsim::loadScenarioText(yaml, &error), error.c_str());
}

// The journal's function names from the first ov7931_init on.
QStringList namesFromInit()
{
    QStringList names;
    bool started = false;
    for (const ovsim::Call &c : ovsim::journal()) {
        started = started || c.function == "ov7931_init";
        if (started)
            names << QString::fromStdString(c.function);
    }
    return names;
}

QStringList items(const QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

} // namespace

class TestOpenSequence : public QObject
{
    Q_OBJECT

private slots:
    void liveOpenSequence()
    {
        AppFixture f;
        ov7931Demo_App *app = f.create(AppFixture::Mode::Live);
        QVERIFY(!app->demoMode);
        QVERIFY(app->masterVi != 0);
        QVERIFY(app->slaveVi != 0);
        QVERIFY(f.boxes().isEmpty());

        // The six identity calls in order, then the digitizer's limits and
        // the measured currents of the 16 channels.
        QStringList expected = openCalls;
        expected << "ov8263_getFrequencyLimits";
        for (int i = 0; i < 16; ++i)
            expected << "ov7931_getExcitationCurrents";
        QCOMPARE(namesFromInit().mid(0, expected.size()), expected);

        const auto init = ovsim::journalOf("ov7931_init");
        QCOMPARE(init.size(), size_t(1));
        QCOMPARE(init[0].args.at(0), std::to_string(app->masterVi));
        QCOMPARE(init[0].args.at(1), std::string("1"));
        QCOMPARE(init[0].args.at(2), std::string("1"));
        for (const char *fn : {"ov7931_serialNumber", "ov7931_revision_query"})
            QCOMPARE(ovsim::journalOf(fn).back().args.at(0), std::to_string(app->slaveVi));
        for (const char *fn : {"ov8263_getSubType", "ov8263_getSerNum", "ov8263_revision_query"})
            QCOMPARE(ovsim::journalOf(fn).back().args.at(0), std::to_string(app->masterVi));
        // The card's revision only: no driver-revision buffer.
        QCOMPARE(ovsim::journalOf("ov7931_revision_query").back().args.at(1), std::string("null"));
        QCOMPARE(ovsim::journalOf("ov8263_revision_query").back().args.at(1), std::string("null"));
        const auto currents = ovsim::journalOf("ov7931_getExcitationCurrents");
        for (int ch = 0; ch < 16; ++ch)
            QCOMPARE(currents.at(ch).args.at(1), std::to_string(ch + 1));

        // The default scenario's identities.
        QCOMPARE(app->slaveSubType, QStringLiteral("7931-BB"));
        QCOMPARE(app->slaveSerial, QStringLiteral("00004711"));
        QCOMPARE(app->slaveRevision, QStringLiteral("1.6.2.0"));
        QCOMPARE(app->masterSubType, QStringLiteral("8263-AA"));
        QCOMPARE(app->masterSerial, QStringLiteral("00012a4f"));
        QCOMPARE(app->masterRevision, QStringLiteral("2.4.1.0"));
        QCOMPARE(app->settingsFileName(), QStringLiteral("ov7931_00004711.ini"));
    }

    void identityTexts()
    {
        AppFixture f;
        loadScenario(scenarioWith({{"serial: 4711", "serial: 1234"},
                                   {"serial: 0x00012A4F", "serial: 0x1A2B"},
                                   {"sub_type: BB", "sub_type: DE"},
                                   {"revision: \"1.6.2.0\"", "revision: \"3.0.0.7\""}}));
        ov7931Demo_App *app = f.create(AppFixture::Mode::Live);
        QCOMPARE(app->slaveSerial, QStringLiteral("00001234"));
        QCOMPARE(app->masterSerial, QStringLiteral("00001a2b"));
        QCOMPARE(app->slaveSubType, QStringLiteral("7931-DE"));
        QCOMPARE(app->slaveRevision, QStringLiteral("3.0.0.7"));
        QCOMPARE(app->settingsFileName(), QStringLiteral("ov7931_00001234.ini"));

        // Registered with the About box: conditioning card, digitizer, then
        // the software revision pair.
        ov9174fp_About *about = app->aboutBox();
        QVERIFY(about);
        QCOMPARE(about->hardwarePageCount(), 2);
        QCOMPARE(about->softwarePageCount(), 2);
        QCOMPARE(about->shownDeviceModel(), QStringLiteral("7931-DE"));
        QCOMPARE(about->shownSerialNumber(), QStringLiteral("00001234"));
        QCOMPARE(about->shownRevision(), QStringLiteral("3.0.0.7"));
        about->next();
        QCOMPARE(about->shownDeviceModel(), QStringLiteral("8263-AA"));
        QCOMPARE(about->shownSerialNumber(), QStringLiteral("00001a2b"));
        QCOMPARE(about->shownRevision(), QStringLiteral("2.4.1.0"));
        QCOMPARE(about->shownDriverRevision(), QStringLiteral("4.3.16.12460"));
        QCOMPARE(about->shownPanelVersion(), QStringLiteral("4.3.16.12460"));
    }

    void demoIdentityAndNoCardCall()
    {
        AppFixture f;
        ov7931Demo_App *app = f.create(AppFixture::Mode::Demo, {QStringLiteral("No")}, QStringLiteral("7931-AE"));
        QVERIFY(app->demoMode);
        QCOMPARE(app->masterVi, ViSession(0));
        QCOMPARE(app->slaveVi, ViSession(0));
        QCOMPARE(app->masterSubType, QStringLiteral("8263-AA"));
        QCOMPARE(app->masterSerial, QStringLiteral("DEMO"));
        QCOMPARE(app->masterRevision, QStringLiteral("1.0.0.0 (DEMO)"));
        QCOMPARE(app->slaveSubType, QStringLiteral("7931-AE"));
        QCOMPARE(app->slaveSerial, QStringLiteral("DEMO"));
        QCOMPARE(app->slaveRevision, QStringLiteral("1.0.0.0 (DEMO)"));
        QCOMPARE(app->settingsFileName(), QStringLiteral("ov7931_DEMO.ini"));
        QCOMPARE(app->aboutBox()->hardwarePageCount(), 2);
        QCOMPARE(app->aboutBox()->shownSerialNumber(), QStringLiteral("DEMO"));

        // Demo mode opens nothing: the only calls are the About box's
        // revision texts of the driver and the common library.
        for (const ovsim::Call &c : ovsim::journal()) {
            const bool aboutText = c.function == "ov9174_libRevision" ||
                                   (c.function == "ov7931_revision_query" && c.args.at(0) == "0");
            QVERIFY2(aboutText, c.text().c_str());
        }
        f.destroy();
        QVERIFY(ovsim::journalOf("ov7931_close").empty());
        QVERIFY(ovsim::journalOf("ov8263_close").empty());
    }

    void eachFailingCallIsReported_data()
    {
        QTest::addColumn<QString>("function");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("callText");
        QTest::newRow("ov7931_init") << "ov7931_init" << int(ov7931_ERROR_NO_CARD)
                                     << "blockedHardwareAccess4(ov7931_init, masterVi, VI_TRUE, VI_TRUE, &slaveVi)";
        QTest::newRow("ov7931_serialNumber") << "ov7931_serialNumber" << int(ov7931_ERROR_HARDWARE)
                                             << "blockedHardwareAccess3(ov7931_serialNumber, slaveVi, sub, &serial)";
        QTest::newRow("ov7931_revision_query")
            << "ov7931_revision_query" << int(ov7931_ERROR_HARDWARE)
            << "blockedHardwareAccess3(ov7931_revision_query, slaveVi, (ViPChar)0, rev)";
        QTest::newRow("ov8263_getSubType") << "ov8263_getSubType" << int(ov8263_ERROR_HARDWARE)
                                           << "blockedHardwareAccess2(ov8263_getSubType, masterVi, sub)";
        QTest::newRow("ov8263_getSerNum") << "ov8263_getSerNum" << int(ov8263_ERROR_HARDWARE)
                                          << "blockedHardwareAccess2(ov8263_getSerNum, masterVi, &serial)";
        QTest::newRow("ov8263_revision_query")
            << "ov8263_revision_query" << int(ov8263_ERROR_INV_SESSION)
            << "blockedHardwareAccess3(ov8263_revision_query, masterVi, (ViPChar)0, rev)";
    }

    void eachFailingCallIsReported()
    {
        QFETCH(QString, function);
        QFETCH(int, status);
        QFETCH(QString, callText);
        AppFixture f;
        // ov7931_init and ov7931_revision_query are also made by the
        // connection step's About box (driver revision, no session): fail
        // the one made with a session.
        ovsim::failAlways(function.toStdString(), status);
        ov7931Demo_App *app = f.create(AppFixture::Mode::Live, {QStringLiteral("No")});
        ovsim::clearFaults();

        // The message text comes from the driver of the failing call, asked
        // with the session in use at the time.
        ViChar buffer[1024] = {0};
        if (function.startsWith(QLatin1String("ov7931")))
            ov7931_error_message(function == QLatin1String("ov7931_init") ? 0 : app->slaveVi, status, buffer);
        else
            ov8263_error_message(app->masterVi, status, buffer);
        const QString expected =
            callText + QStringLiteral(" failed due to [") + QString::fromLatin1(buffer) + QStringLiteral("]");

        QStringList texts;
        for (const SeenBox &box : f.boxes())
            texts << box.text;
        QVERIFY2(!texts.isEmpty(), "no box");
        QVERIFY2(texts.contains(expected + QStringLiteral("\nDo you want to exit?")), qPrintable(texts.join("\n--\n")));
        QCOMPARE(f.boxes().first().title, QStringLiteral("Keltri 7931 SFP Error message"));
        QCOMPARE(f.boxes().first().clicked, QStringLiteral("No"));

        // After "No" the sequence goes on: every call of it is still made, in order.
        QStringList made;
        for (const QString &name : namesFromInit())
            if (openCalls.contains(name) && !made.contains(name))
                made << name;
        QCOMPARE(made, openCalls);
        QVERIFY(namesFromInit().contains(QStringLiteral("ov8263_getFrequencyLimits")));
        // The text of the failed query stays as the other card left it, the rest is read.
        if (function == QLatin1String("ov7931_serialNumber"))
            QCOMPARE(app->masterSerial, QStringLiteral("00012a4f"));
        if (function == QLatin1String("ov8263_getSerNum")) {
            QCOMPARE(app->slaveSerial, QStringLiteral("00004711"));
            QCOMPARE(app->masterSerial, QStringLiteral("00000000"));
        }
        if (function == QLatin1String("ov8263_getSubType")) // the buffer still holds the other card's letters
            QCOMPARE(app->masterSubType, QStringLiteral("8263-BB"));
    }

    void samplingRatesFromTheDigitizersLimits_data()
    {
        QTest::addColumn<QString>("limits");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("current");
        QTest::newRow("100..20000") << "min_frequency: 100\n        max_frequency: 20000"
                                    << QStringList{"100 Hz", "200 Hz", "500 Hz", "1 kHz", "2 kHz",
                                                   "5 kHz", "10 kHz", "20 kHz"}
                                    << "1 kHz";
        QTest::newRow("without 1000") << "min_frequency: 1500\n        max_frequency: 45000"
                                      << QStringList{"2 kHz", "5 kHz", "10 kHz", "20 kHz", "30 kHz", "40 kHz"}
                                      << "2 kHz";
        QTest::newRow("between rates") << "min_frequency: 0.5\n        max_frequency: 999.5"
                                       << QStringList{"1 Hz", "2 Hz", "5 Hz", "10 Hz", "20 Hz", "50 Hz",
                                                      "100 Hz", "200 Hz", "500 Hz"}
                                       << "1 Hz";
    }

    void samplingRatesFromTheDigitizersLimits()
    {
        QFETCH(QString, limits);
        QFETCH(QStringList, expected);
        QFETCH(QString, current);
        AppFixture f;
        loadScenario(scenarioWith({{"revision: \"2.4.1.0\"", "revision: \"2.4.1.0\"\n        " + limits}}));
        ov7931Demo_App *app = f.create(AppFixture::Mode::Live);
        QComboBox *rates = app->samplingRateList();
        QCOMPARE(items(rates), expected);
        QCOMPARE(rates->currentText(), current);
        for (int i = 0; i < rates->count(); ++i) {
            const QString t = rates->itemText(i);
            const double hz = t.endsWith(QLatin1String("kHz")) ? t.section(' ', 0, 0).toDouble() * 1000
                                                                : t.section(' ', 0, 0).toDouble();
            QCOMPARE(rates->itemData(i).toDouble(), hz);
        }
    }

    void demoOffersAllRates()
    {
        AppFixture f;
        ov7931Demo_App *app = f.create(AppFixture::Mode::Demo);
        QComboBox *rates = app->samplingRateList();
        QCOMPARE(rates->count(), 17);
        QCOMPARE(rates->itemText(0), QStringLiteral("1 Hz"));
        QCOMPARE(rates->itemText(16), QStringLiteral("50 kHz"));
        QCOMPARE(rates->currentText(), QStringLiteral("1 kHz"));
        QCOMPARE(rates->currentData().toDouble(), 1000.0);
    }

    void measuredCurrentsGoToTheChannels()
    {
        AppFixture f;
        ov7931Demo_App *app = f.create(AppFixture::Mode::Live);
        for (int ch = 0; ch < 16; ++ch) {
            ViReal64 primary = 0, secondary = 0;
            QCOMPARE(ov7931_getExcitationCurrents(app->slaveVi, ch + 1, &primary, &secondary), 0);
            QVERIFY(app->chCfg[ch]);
            QCOMPARE(app->chCfg[ch]->excitCurrPrimary, primary);
            QCOMPARE(app->chCfg[ch]->excitCurrSecondary, secondary);
        }
    }
};

QTEST_MAIN(TestOpenSequence)
#include "test_openSequence.moc"
