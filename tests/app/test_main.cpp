// The program as a child process, one per outcome: every way of giving up
// at the start, "Yes" in an error box among them (exit code 0, nothing
// written), and the start with one argument: a recording viewed (slider row
// and locked selectors, nothing written), an unreadable file or a bad header
// ("Cannot read '%1'.", -1; a header the panel cannot show: the waveform
// tests), a header without data (the live start with its connection
// question), a block that can no longer be read while viewing ("Cannot
// read: \"%1\".", -1) and a block that cannot be held ("Failed to allocate
// memory.", -1). Then the application object from opening the cards
// to closing them: each failing call of the open sequence reported, the
// identities, measured currents and sampling rates read at the open, the
// settings-file choices kept from one start to the next, the sessions
// closed, and "Enable All Channels".
#include "appfixture.h"
#include "modalanswer.h"
#include "ov7931.h"
#include "ov7931Demo_App.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_channelModel.h"
#include "ov7931Demo_Waveform.h"
#include "ov7931fp_main.h"
#include "ov8263.h"
#include "ov9174fp_shortcuts.h"
#include "ovsim_control.h"
#include "recording_files.h"
#include "testkit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

#include <new>

namespace {
QStringList childAnswers;
QString childAction; // "close", "truncate" or "nomemory"

// With "nomemory", the viewer's block buffer (new[] without exceptions, of
// exactly one block of the test recordings: 2 channels x 10 scans x 8 bytes)
// cannot be had.
bool refuseBlockBuffer = false;

// Once a recording is shown: prints what the panel shows, then closes the
// window or takes the file's blocks away and moves the slider.
void watchPanel()
{
    ov7931Demo_App *app = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        app = app ? app : qobject_cast<ov7931Demo_App *>(w);
    if (!app || !app->waveform || app->waveform->blockSlider->isHidden())
        return QTimer::singleShot(20, qApp, &watchPanel);
    const QSlider *slider = app->waveform->blockSlider;
    const bool locked = !app->waveformLengthList()->isEnabled() && !app->samplingRateList()->isEnabled();
    std::printf("view: blocks %d..%d at %d, selectors %s\n", slider->minimum(), slider->maximum(), slider->value(),
                locked ? "disabled" : "enabled");
    std::fflush(stdout);
    if (childAction != QLatin1String("truncate"))
        return void(app->close());
    QFile::resize(QCoreApplication::arguments().value(1), 100);
    app->waveform->blockSlider->setValue(2);
    std::printf("went on\n");
}

// From the first turn of the child's event loop: answers and prints every
// box (the answerer goes with the application object), and watches the panel.
void answerAndWatch()
{
    QTimer::singleShot(0, qApp, [] {
        static ModalAnswerer *answerer = nullptr;
        answerer = new ModalAnswerer(childAnswers);
        qAddPostRoutine([] { delete answerer, answerer = nullptr; });
        answerer->onAnswer = [](const SeenBox &box) {
            std::printf("box: %s | %s\n", qPrintable(box.title), qPrintable(box.text));
            std::fflush(stdout);
        };
        if (!refuseBlockBuffer) // else the failure box of the first block ends the process
            watchPanel();
    });
}

// argv: test program, "--child", system, answers joined by ",", action, then the program's own arguments.
int child(int argc, char **argv)
{
    const std::string system = argv[2];
    childAnswers = QString::fromLatin1(argv[3]).split(QLatin1Char(','));
    childAction = QString::fromLatin1(argv[4]);
    refuseBlockBuffer = childAction == QLatin1String("nomemory");
    testkit::loadScenario(system == "several" ? testkit::severalCards : "");
    if (system == "failing")
        ovsim::failAlways("ov7931_serialNumber", ov7931_ERROR_HARDWARE);
    qAddPreRoutine(&answerAndWatch);
    argv[4] = argv[0];
    return ov7931fpMain(argc - 4, argv + 4);
}
} // namespace

// Replaces the library's nothrow new[] in this program: the others are
// served by the ordinary new[], so that every delete[] matches.
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept
{
    if (refuseBlockBuffer && size == 2 * 10 * sizeof(double))
        return nullptr;
    try {
        return ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
}

class TestMain : public QObject
{
    Q_OBJECT

private slots:
    void outcomes_data()
    {
        QTest::addColumn<QStringList>("args"); // the simulated system, the answers, the action, the program's arguments
        QTest::addColumn<QByteArray>("file");  // the recording's bytes for the one argument "%1"; empty: no file
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");   // the child's lines, %1 the path; "..." ends a prefix
        const QString question = "box: Keltri 7931 Demo Select: | How to connect to 7931 Signal Conditioning Card?\n";
        const auto row = [](const char *name, const QStringList &args, const QByteArray &file, int exitCode,
                            const QString &output) { QTest::newRow(name) << args << file << exitCode << output; };
        row("question: Cancel", {"default", "Cancel", "-"}, "", 0, question);
        row("extra arguments ignored", {"default", "Cancel", "-", "a.bin7931", "b"}, "", 0, question);
        row("descriptor entry: Cancel", {"default", "Enter Address", "-"}, "", 0, question);
        row("selection list: Cancel", {"several", "Auto Find", "-"}, "", 0, question);
        row("error box: Yes", {"failing", "Auto Find,Yes", "-"}, "", 0, question + "box: Keltri 7931 SFP Error message "
            "| blockedHardwareAccess3(ov7931_serialNumber, slaveVi, sub, &serial) failed due to [...");
        const QByteArray h = rec::header("7931-BB", true, "1000.000000", 10, {{1}, {4}});
        const QString view = "view: blocks 1..3 at 1, selectors disabled\n", sfp = "box: Keltri 7931 SFP | ";
        const QStringList close = {"default", "Yes", "close", "%1"};
        row("viewed", close, h + rec::samples(true, 20, 3.5), 0, "Warning. The binary data seems corrupt.\n" + view
            + sfp + "Do you really want to exit?\n");
        row("no file", close, "", 255, sfp + "Cannot read '%1'.\n");
        row("bad header", close, QByteArray(h).replace("CHANNELS=2", "CHANNELS=0"), 255, sfp + "Cannot read '%1'.\n");
        row("header without data: live start", close, h, 0, question);
        row("block gone while viewing", {"default", "Yes", "truncate", "%1"}, h + rec::samples(true, 20, 3), 255,
            view + sfp + "Cannot read: \"%1\".\n");
        row("no memory for a block", {"default", "Yes", "nomemory", "%1"}, h + rec::samples(true, 20, 3), 255,
            sfp + "Failed to allocate memory.\n");
    }

    void outcomes()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, file);
        QFETCH(QString, output);
        QTemporaryDir dir, profile;
        const QString path = dir.filePath(QStringLiteral("rec.bin7931"));
        QVERIFY(file.isEmpty() || rec::writeFile(path, file));
        qputenv("ALLUSERSPROFILE", profile.path().toLocal8Bit());
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QProcess child;
        child.setWorkingDirectory(dir.path());
        child.start(qApp->applicationFilePath(), QStringList("--child") << args.replaceInStrings("%1", path));
        QVERIFY(child.waitForFinished(60000));
        const QString out = QString::fromLocal8Bit(child.readAllStandardOutput());
        output.replace(QLatin1String("%1"), QDir::toNativeSeparators(path));
        QVERIFY2(output.endsWith("...") ? out.startsWith(output.chopped(3)) : out == output, qPrintable(out));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QTEST(child.exitCode(), "exitCode");
        // Nothing is written: no settings, no descriptor file.
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 file.isEmpty() ? QStringList() : QStringList{"rec.bin7931"});
        QVERIFY(QDir(profile.path()).isEmpty());
    }

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
        QStringList made = testkit::journalNames(QStringLiteral("ov7931_init"))
                               .filter(QRegularExpression("_(init|serialNumber|revision_query|getSubType|getSerNum)$"));
        made.removeDuplicates();
        QCOMPARE(made.join(' '), QString("ov7931_init ov7931_serialNumber ov7931_revision_query ov8263_getSubType "
                                         "ov8263_getSerNum ov8263_revision_query"));
        // The text comes from the failing call's driver, asked with the session of the time;
        // a failed ov7931_init also fails the calls that need its session.
        const ViSession vi = digitizer ? app->masterVi : function == QLatin1String("ov7931_init") ? 0 : app->slaveVi;
        const QString expected = testkit::errorBoxText(callText, testkit::driverText(digitizer, vi, status));
        const QList<SeenBox> boxes = f.boxes();
        QVERIFY(std::any_of(boxes.begin(), boxes.end(), [&](const SeenBox &box) { return box.text == expected; }));
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
    }

    void openAndClose()
    {
        QFETCH(QStringList, changes);
        QFETCH(QByteArray, stored);
        QFETCH(QString, identities);
        const bool demo = changes.value(0) == "DEMO";
        const AppFixture::Mode mode = demo ? AppFixture::Mode::Demo : AppFixture::Mode::Live;
        AppFixture f;
        QVERIFY(demo || testkit::loadScenario(testkit::defaultScenarioWith(changes)));
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
        QVERIFY(!demo || testkit::journalNames(QString(), true).join(' ') == "ov7931_revision_query(0, &, null) "
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
        QCOMPARE(testkit::journalNames(QString(), true).join(' '), closes);
        QVERIFY(f.boxes().isEmpty() && QFile::exists(f.path(QStringLiteral("ov7931_DEMO.ini"))) == demo);
        QSettings s(file, QSettings::IniFormat);
        QCOMPARE(s.value("NumberOfScans").toString() + " " + s.value("SamplingFrequency").toString(), choices);
        app = f.create(mode, {"No"}, "7931-AE");
        QCOMPARE(app->waveformLengthList()->currentText() + " " + app->samplingRateList()->currentText(), choices);
    }

    // "Enable All Channels" switches the others on in channel order; the
    // panel's keys are the instrument's.
    void enableAllAndKeys()
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
        // The panel's keys are the instrument's.
        QVERIFY(app->singleShotButton()->shortcut() == panelShortcuts::singleShot &&
                app->continuousButton()->shortcut() == panelShortcuts::continuous &&
                app->configurationButton()->shortcut() == panelShortcuts::channelConfiguration);
    }
};

int main(int argc, char **argv)
{
    if (argc > 4 && qstrcmp(argv[1], "--child") == 0)
        return child(argc, argv);
    QApplication application(argc, argv);
    TestMain test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_main.moc"
