// The connection layer of the main window: what the connection step leaves
// on the panel (session, title, location and card labels, the About box).
// Run with "--connection-shots <dir>" under a display it saves pictures of
// the connection dialogs and of the connected panel instead.
#include "conn_fakedescriptor.h"
#include "conn_showrecorder.h"
#include "modalanswer.h"
#include "ov7931_fc.h"
#include "ov9174fp_AppFC.h"
#include "ov9174fp_About.h"
#include "ov9174fp_fcIcon.h"
#include "ov9174fp_fcSelect.h"
#include "ov9174fp_led.h"
#include "ovsim_control.h"

#include <QAbstractButton>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cstdio>
#include <cstring>

namespace {

const char *const severalCards = R"yaml(
version: 1
devices:
  mf:
    interface: vxi
    board: 0
    carrier_model: 2600
    slot: 5
    logical_address: 1
    positions: 4
    cards:
      - {position: 1, model: 0x8263}
      - {position: 2, model: 0x7931, sub_type: BB}
      - {position: 3, model: 0x4711}
  box:
    interface: lxi
    carrier_model: 5000
    host: lxi-7.example
    device_name: inst3
    positions: 4
    cards:
      - {position: 2, model: 0x8263}
      - {position: 4, model: 0x7931}
resources:
  - {name: "VXI0::1::INSTR", device: mf}
  - {name: "TCPIP0::192.168.10.1::INSTR", device: box}
)yaml";

const char *const oneLxiCard = R"yaml(
version: 1
devices:
  box:
    interface: lxi
    carrier_model: 5000
    host: lxi-7.example
    device_name: inst3
    positions: 4
    cards:
      - {position: 3, model: 0x8263}
      - {position: 4, model: 0x7931}
resources:
  - {name: "TCPIP0::192.168.10.1::INSTR", device: box}
)yaml";

bool loadScenario(const char *yaml)
{
    std::string error;
    if (!ovsim::loadScenarioText(yaml, &error)) {
        std::fprintf(stderr, "scenario: %s\n", error.c_str());
        return false;
    }
    return true;
}

} // namespace

class AppFcTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void panelTextsForVxi();
    void panelTextsForLxi();
    void panelTextsForDemoAndRecording();

private:
    QTemporaryDir profile;
};

void AppFcTest::init()
{
    QVERIFY(profile.isValid());
    qputenv("ALLUSERSPROFILE", profile.path().toLocal8Bit());
    ovsim::reset();
    ovsim::clearFaults();
    ovsim::clearJournal();
}

void AppFcTest::panelTextsForVxi()
{
    ov7931_fc fc;
    ModalAnswerer answerer({QStringLiteral("Auto Find")});
    ov9174fp_AppFC app(&fc, 1, false, QStringLiteral("6.1.3"), false);
    QCOMPARE(app.windowTitle(), QStringLiteral("Keltri 7931 Soft Front Panel"));
    QCOMPARE(app.locationText()->text(), QStringLiteral("Slot 5"));
    QCOMPARE(app.locationText()->whatsThis(), QStringLiteral("Shows which VXI module is connected to the Soft Front Panel"));
    QCOMPARE(app.functionCardText()->text(), QStringLiteral("FC 1"));
    QCOMPARE(app.functionCardText()->whatsThis(),
             QStringLiteral("Shows which function card is connected to the Soft Front Panel"));
    QVERIFY(!app.demoMode);
    QVERIFY(app.masterVi != 0);
    QCOMPARE(app.selectedCount, 1);
    QCOMPARE(int(app.fcNumbers[0]), 1);
    QVERIFY(!app.lxiModule());
    QCOMPARE(app.activeLed()->value(), 1);

    // The About box exists, hidden, and the About button shows it.
    QVERIFY(app.aboutBox());
    QVERIFY(!app.aboutBox()->isVisible());
    QCOMPARE(app.aboutBox()->parentWidget(), static_cast<QWidget *>(&app));
    app.aboutPushButton()->click();
    QVERIFY(app.aboutBox()->isVisible());
    app.aboutBox()->hide();
    QCOMPARE(app.aboutBox()->shownPanelVersion(), QStringLiteral("4.3.3.12484"));
}

void AppFcTest::panelTextsForLxi()
{
    QVERIFY(loadScenario(oneLxiCard));
    ov7931_fc fc;
    ModalAnswerer answerer({QStringLiteral("Auto Find")});
    ov9174fp_AppFC app(&fc, 1, false, QStringLiteral("6.1.3"), false);
    QCOMPARE(app.windowTitle(), QStringLiteral("Keltri 7931 Soft Front Panel: lxi-7.example"));
    QCOMPARE(app.locationText()->text(), QStringLiteral("inst3"));
    QCOMPARE(app.locationText()->whatsThis(), QStringLiteral("Shows which LXI module is connected to the Soft Front Panel"));
    QCOMPARE(app.functionCardText()->text(), QStringLiteral("FC 3"));
    QVERIFY(app.lxiModule());
    QCOMPARE(app.moduleHost(), QStringLiteral("lxi-7.example"));

    // A host name that cannot be read leaves the plain title.
    ovsim::failAlways("viGetAttribute", VI_ERROR_NSUP_ATTR);
    ModalAnswerer again({QStringLiteral("Auto Find")});
    ov9174fp_AppFC app2(&fc, 1, false, QStringLiteral("6.1.3"), false);
    ovsim::clearFaults();
    QCOMPARE(app2.windowTitle(), QStringLiteral("Keltri 7931 Soft Front Panel"));
    QVERIFY(app2.lxiModule());
    QVERIFY(app2.locationText()->text().isEmpty());
}

void AppFcTest::panelTextsForDemoAndRecording()
{
    ConnFakeDescriptor fc;
    {
        ModalAnswerer answerer({QStringLiteral("Run In Demo Mode")});
        ov9174fp_AppFC app(&fc, 1, false, QStringLiteral("6.1.3"), false);
        QVERIFY(app.demoMode);
        QCOMPARE(app.masterVi, ViSession(0));
        QCOMPARE(app.windowTitle(), QStringLiteral("Keltri 7931 Soft Front Panel"));
        QCOMPARE(app.locationText()->text(), QStringLiteral("Slot 5"));
        QCOMPARE(app.functionCardText()->text(), QStringLiteral("FC 1"));
        QCOMPARE(app.activeLed()->value(), 0);
        QVERIFY(ovsim::journalOf("viOpen").empty());
        QVERIFY(ovsim::journalOf("viGetAttribute").empty());
        QVERIFY(ovsim::journalOf("ov8263_paramInit").empty());
    }
    {
        ConnShowRecorder recorder;
        ModalAnswerer answerer({QStringLiteral("Auto Find")});
        ov9174fp_AppFC app(&fc, 1, true, QStringLiteral("6.1.3"), false);
        QVERIFY(app.demoMode);
        QVERIFY(app.viewingRecording);
        QCOMPARE(app.masterVi, ViSession(0));
        QCOMPARE(app.locationText()->text(), QStringLiteral("Slot 5"));
        QCOMPARE(app.functionCardText()->text(), QStringLiteral("FC 1"));
        QVERIFY(answerer.seen().isEmpty());
        QVERIFY(recorder.shown.isEmpty());
        QVERIFY(ovsim::journalOf("viFindRsrc").empty());
        QVERIFY(fc.openedDescriptors.isEmpty());
    }
}

// ---- screenshots of the connection dialogs (run by hand under a display) ---------------

// Answers modal windows one by one like ModalAnswerer, but saves a picture of
// each first: message boxes get the next answer, the list and the entry
// dialog are cancelled.
static void shootConnectionRun(const QString &dir, const QString &prefix, const QStringList &answers)
{
    ConnFakeDescriptor fc;
    fc.useDriver = true;
    ov9174fp_fcSelect select(&fc, 1);
    int next = 0;
    int shot = 0;
    QWidget *seen = nullptr;
    int ticks = 0;
    QTimer timer;
    timer.setInterval(150);
    QObject::connect(&timer, &QTimer::timeout, [&]() {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || !w->isVisible() || qobject_cast<QProgressDialog *>(w))
            return;
        if (w != seen) {
            seen = w;
            ticks = 0;
            return;
        }
        if (++ticks < 3) // let it paint
            return;
        w->grab().save(QStringLiteral("%1/%2_%3.png").arg(dir, prefix).arg(++shot));
        seen = nullptr;
        if (auto *box = qobject_cast<QMessageBox *>(w)) {
            const QString want = answers.value(qMin(next++, answers.size() - 1));
            for (QAbstractButton *b : box->buttons())
                if (b->text().remove(QLatin1Char('&')) == want) {
                    b->click();
                    return;
                }
            box->reject();
        } else if (auto *dlg = qobject_cast<QDialog *>(w)) {
            dlg->reject();
        }
    });
    timer.start();
    select.runConnectionDialog();
}

static int runShots(int argc, char **argv)
{
    QApplication application(argc, argv);
    const QString dir = QString::fromLocal8Bit(argv[2]);
    if (!QApplication::setStyle(QStringLiteral("plastique")))
        QApplication::setStyle(QStringLiteral("fusion"));
    ov9174fp_fcWindowIcon().pixmap(16, 16).scaled(128, 128).save(dir + QStringLiteral("/icon_x8.png"));
    ovsim::reset();
    if (!loadScenario(severalCards))
        return 3;
    shootConnectionRun(dir, QStringLiteral("list"), {QStringLiteral("Auto Find")});
    shootConnectionRun(dir, QStringLiteral("entry"), {QStringLiteral("Enter Address")});
    ovsim::failAlways("ov8263_paramInit", VI_ERROR_RSRC_BUSY);
    loadScenario(oneLxiCard);
    shootConnectionRun(dir, QStringLiteral("unavailable"), {QStringLiteral("Auto Find"), QStringLiteral("Cancel")});
    ovsim::clearFaults();
    loadScenario("version: 1\n");
    shootConnectionRun(dir, QStringLiteral("nocard"), {QStringLiteral("Auto Find"), QStringLiteral("Cancel")});

    // The main panel after connecting to an LXI box.
    loadScenario(oneLxiCard);
    ov7931_fc fc;
    ModalAnswerer answerer({QStringLiteral("Auto Find")});
    ov9174fp_AppFC app(&fc, 1, false, QStringLiteral("6.1.3"), false);
    app.show();
    QTest::qWait(600);
    app.grab().save(dir + QStringLiteral("/panel_lxi.png"));
    return 0;
}

int main(int argc, char **argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--connection-shots") == 0)
        return runShots(argc, argv);
    QApplication application(argc, argv);
    AppFcTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_appfc.moc"
