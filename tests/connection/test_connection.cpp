// The connection step: the questions and their buttons, the selection list's
// buttons, opening the chosen card, the texts left on the main panel, and the
// exit code of every way of giving up (through a child process).
#include "conn_fakedescriptor.h"
#include "conn_showrecorder.h"
#include "modalanswer.h"
#include "ov7931_fc.h"
#include "ov9174.h"
#include "ov9174fp_AppFC.h"
#include "ov9174fp_About.h"
#include "ov9174fp_fcEnterAddress.h"
#include "ov9174fp_fcSelect.h"
#include "ov9174fp_led.h"
#include "ovsim_control.h"

#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <QTreeWidget>
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


bool loadScenario(const char *yaml)
{
    std::string error;
    if (!ovsim::loadScenarioText(yaml, &error)) {
        std::fprintf(stderr, "scenario: %s\n", error.c_str());
        return false;
    }
    return true;
}

QString statusText(ViStatus status)
{
    ViChar text[1024] = {0};
    ov9174_statusMessage(status, text);
    return QString::fromLatin1(text);
}

QTreeWidgetItem *findRow(QTreeWidget *tree, const QString &resource, int position)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->data(1, Qt::StatusTipRole).toString() == resource &&
            (*it)->text(0) == QStringLiteral("FC %1").arg(position))
            return *it;
    return nullptr;
}

} // namespace

class ConnectionTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void connectionQuestion();
    void demoModeMakesNoDriverCall();
    void noCardFoundQuestion();
    void oneCardIsOpenedDirectly();
    void severalCardsAreChosenInTheList();
    void selectionListLayoutAndCancel();
    void okPressedAndDoubleClick();
    void unavailableCardQuestion();
    void givingUpEndsWithExitCodeZero_data();
    void givingUpEndsWithExitCodeZero();
    void searchLimitsTheGlobalPool();

private:
    QTemporaryDir profile;
};

void ConnectionTest::init()
{
    QVERIFY(profile.isValid());
    qputenv("ALLUSERSPROFILE", profile.path().toLocal8Bit());
    ovsim::reset();
    ovsim::clearFaults();
    ovsim::clearJournal();
}

void ConnectionTest::connectionQuestion()
{
    ConnFakeDescriptor fc;
    ov9174fp_fcSelect select(&fc, 1);
    ConnShowRecorder recorder;
    ModalAnswerer answerer({QStringLiteral("Cancel")});
    QCOMPARE(select.runConnectionDialog(), 0);
    const QList<ShownWindow> boxes = recorder.ofClass(QStringLiteral("QMessageBox"));
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.at(0).title, QStringLiteral("Keltri 7931 Demo Select:"));
    QCOMPARE(boxes.at(0).text, QStringLiteral("How to connect to 7931 Signal Conditioning Card?"));
    QCOMPARE(boxes.at(0).buttons, QStringList({"Auto Find", "Cancel", "Enter Address", "Run In Demo Mode"}));
    QCOMPARE(boxes.at(0).defaultButton, QStringLiteral("Auto Find"));
    QCOMPARE(answerer.seen().at(0).icon, QMessageBox::Question);
    QVERIFY(ovsim::journal().empty());
}

void ConnectionTest::demoModeMakesNoDriverCall()
{
    ov7931_fc fc;
    ov9174fp_fcSelect select(&fc, 1);
    ModalAnswerer answerer({QStringLiteral("Run In Demo Mode")});
    QCOMPARE(select.runConnectionDialog(), 1);
    QCOMPARE(select.demoFlag, 1);
    QCOMPARE(int(select.fcNumbers[0]), 1);
    QCOMPARE(select.descriptorText, QStringLiteral("VXI0::1::INSTR"));
    QCOMPARE(select.selectedCount, 1);
    QCOMPARE(select.session, ViSession(0));
    QVERIFY(ovsim::journal().empty());
}

void ConnectionTest::noCardFoundQuestion()
{
    QVERIFY(loadScenario("version: 1\n"));
    ConnFakeDescriptor fc;
    {
        ov9174fp_fcSelect select(&fc, 1);
        ConnShowRecorder recorder;
        ModalAnswerer answerer({QStringLiteral("Auto Find"), QStringLiteral("Try Again"), QStringLiteral("Auto Find"),
                                QStringLiteral("Run In Demo Mode")});
        QCOMPARE(select.runConnectionDialog(), 1);
        QCOMPARE(select.demoFlag, 1);
        QCOMPARE(select.descriptorText, QStringLiteral("VXI0::1::INSTR"));
        QCOMPARE(int(select.fcNumbers[0]), 1);
        QVERIFY(fc.openedDescriptors.isEmpty());

        const QList<SeenBox> &seen = answerer.seen();
        QCOMPARE(seen.size(), 4);
        const QString noCard = QStringLiteral("No 7931 Function Card found on your system.");
        QCOMPARE(seen.at(1).text, noCard);
        QCOMPARE(seen.at(1).title, QStringLiteral("Keltri 7931 Demo Select:"));
        QCOMPARE(seen.at(2).text, QStringLiteral("How to connect to 7931 Signal Conditioning Card?"));
        QCOMPARE(seen.at(3).text, noCard);
        const QList<ShownWindow> boxes = recorder.ofClass(QStringLiteral("QMessageBox"));
        QCOMPARE(boxes.at(1).buttons, QStringList({"Cancel", "Run In Demo Mode", "Try Again"}));
        // Try Again went back to the first question, which searched again.
        QCOMPARE(ovsim::journalOf("viFindRsrc").size(), size_t(2));
    }
    {
        ov9174fp_fcSelect select(&fc, 1);
        ModalAnswerer answerer({QStringLiteral("Auto Find"), QStringLiteral("Cancel")});
        QCOMPARE(select.runConnectionDialog(), 0);
        QCOMPARE(select.demoFlag, 0);
    }
    // Any VISA failure during the search counts as nothing found.
    QVERIFY(loadScenario(severalCards));
    {
        ov9174fp_fcSelect select(&fc, 1);
        ovsim::failNext("viOpenDefaultRM", VI_ERROR_SYSTEM_ERROR);
        ModalAnswerer answerer({QStringLiteral("Auto Find"), QStringLiteral("Cancel")});
        QCOMPARE(select.runConnectionDialog(), 0);
        QCOMPARE(answerer.seen().at(1).text, QStringLiteral("No 7931 Function Card found on your system."));
    }
}

void ConnectionTest::oneCardIsOpenedDirectly()
{
    // The built-in system: one VXI mainframe with the digitizer at FC 1
    // beside a conditioning card.
    ov7931_fc fc;
    ov9174fp_fcSelect select(&fc, 1);
    ModalAnswerer answerer({QStringLiteral("Auto Find")});
    bool listShown = false;
    answerer.other = [&](QWidget *w) {
        if (qobject_cast<ov9174fp_fcSelect *>(w))
            listShown = true;
        return false;
    };
    QCOMPARE(select.runConnectionDialog(), 1);
    QVERIFY(!listShown);
    QCOMPARE(select.demoFlag, 0);
    QVERIFY(select.session != 0);
    QCOMPARE(select.selectedCount, 1);
    QCOMPARE(select.descriptorText, QStringLiteral("VXI0::1::INSTR"));
    QCOMPARE(int(select.fcNumbers[0]), 1);
    const std::vector<ovsim::Call> init = ovsim::journalOf("ov8263_paramInit");
    QCOMPARE(init.size(), size_t(1));
    QCOMPARE(init[0].args.at(0), std::string("\"VXI0::1::INSTR\""));
    QCOMPARE(init[0].args.at(1), std::string("1"));
    QCOMPARE(init[0].args.at(2), std::string("1"));
    QCOMPARE(init[0].args.at(3), std::string("1"));
    QCOMPARE(init[0].status, VI_SUCCESS);
}

void ConnectionTest::severalCardsAreChosenInTheList()
{
    QVERIFY(loadScenario(severalCards));
    ConnFakeDescriptor fc;
    fc.useDriver = false;
    ov9174fp_fcSelect select(&fc, 1);
    ModalAnswerer answerer({QStringLiteral("Auto Find")});
    QString title;
    bool modal = false;
    answerer.other = [&](QWidget *w) {
        auto *list = qobject_cast<ov9174fp_fcSelect *>(w);
        if (!list)
            return false;
        title = list->windowTitle();
        modal = list->isModal();
        // Chosen in this order: the LXI card first, then the VXI card.
        findRow(list->treeWidget(), QStringLiteral("TCPIP0::192.168.10.1::INSTR"), 2)->setSelected(true);
        findRow(list->treeWidget(), QStringLiteral("VXI0::1::INSTR"), 1)->setSelected(true);
        list->okPushButton()->click();
        return true;
    };
    QCOMPARE(select.runConnectionDialog(), 1);
    QCOMPARE(title, QStringLiteral("Keltri 7931 SFP: Select Function Card"));
    QVERIFY(modal);
    QCOMPARE(select.selectedCount, 2);
    QCOMPARE(select.descriptorText, QStringLiteral("TCPIP0::192.168.10.1::INSTR,VXI0::1::INSTR"));
    QCOMPARE(int(select.fcNumbers[0]), 2);
    QCOMPARE(int(select.fcNumbers[1]), 1);
    QCOMPARE(select.selectedItems.size(), 2);
    QCOMPARE(fc.openedDescriptors, QStringList({"TCPIP0::192.168.10.1::INSTR,VXI0::1::INSTR"}));
    QCOMPARE(fc.openedCardNumbers, QList<int>({2}));
    QCOMPARE(select.session, ViSession(4242));
}

void ConnectionTest::selectionListLayoutAndCancel()
{
    QVERIFY(loadScenario(severalCards));
    ConnFakeDescriptor fc;
    ov9174fp_fcSelect select(&fc, 1);
    const int h = select.fontMetrics().height();
    QCOMPARE(select.windowTitle(), QStringLiteral("Keltri 7931 SFP: Select Function Card"));
    QVERIFY(!select.windowIcon().isNull());
    QCOMPARE(select.treeWidget()->minimumWidth(), 24 * h);
    QCOMPARE(select.treeWidget()->minimumHeight(), 24 * h);
    QCOMPARE(select.okPushButton()->text(), QStringLiteral("OK"));
    QCOMPARE(select.cancelPushButton()->text(), QStringLiteral("Cancel"));
    QCOMPARE(select.demoFlag, 0);
    QCOMPARE(select.session, ViSession(0));

    ModalAnswerer answerer({QStringLiteral("Auto Find")});
    answerer.other = [&](QWidget *w) {
        auto *list = qobject_cast<ov9174fp_fcSelect *>(w);
        if (!list)
            return false;
        list->cancelPushButton()->click();
        return true;
    };
    QCOMPARE(select.runConnectionDialog(), 0);
    QVERIFY(fc.openedDescriptors.isEmpty());
}

void ConnectionTest::okPressedAndDoubleClick()
{
    ConnFakeDescriptor fc;
    ov9174fp_fcSelect select(&fc, 1);
    ov9174fp_resourceRecord a;
    a.resourceName = QStringLiteral("VXI0::1::INSTR");
    a.carrierTexts = QStringList({QStringLiteral("Slot 5 - 2600 MB")});
    a.cards = {qMakePair(QStringLiteral("FC 1"), QStringLiteral("8263")),
               qMakePair(QStringLiteral("FC 2"), QStringLiteral("7931")),
               qMakePair(QStringLiteral("FC 4"), QStringLiteral("8263"))};
    a.supported = {1, 0, 4};
    QCOMPARE(select.fillTree({a}), 2);
    QTreeWidget *tree = select.treeWidget();
    QTreeWidgetItem *carrier = tree->topLevelItem(0)->child(0);
    QTreeWidgetItem *fc1 = carrier->child(0);
    QTreeWidgetItem *fc2 = carrier->child(1);
    QTreeWidgetItem *fc4 = carrier->child(2);
    QSignalSpy accepted(&select, &QDialog::accepted);
    const QByteArray hint = "Select one available function card and then click \"OK\" \nor click \"Cancel\" to quit";

    // Nothing selected: nothing happens.
    select.okPressed();
    QCOMPARE(accepted.count(), 0);

    // Rows that cannot be chosen never count as selected.
    carrier->setSelected(true);
    fc2->setSelected(true);
    select.okPressed();
    QCOMPARE(accepted.count(), 0);

    tree->clearSelection();
    fc4->setSelected(true);
    select.okPressed();
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(select.descriptorText, QStringLiteral("VXI0::1::INSTR"));
    QCOMPARE(int(select.fcNumbers[0]), 4);
    QCOMPARE(select.selectedCount, 1);

    // Double click: a disabled row is ignored; a card row opens the current row.
    select.descriptorText.clear();
    select.dblClick(fc2);
    select.dblClick(carrier);
    QCOMPARE(accepted.count(), 1);
    tree->setCurrentItem(carrier);
    QTest::ignoreMessage(QtDebugMsg, hint.constData());
    select.dblClick(fc1);
    QCOMPARE(accepted.count(), 1);
    tree->setCurrentItem(fc1);
    select.selectedCount = 7;
    select.dblClick(fc1);
    QCOMPARE(accepted.count(), 2);
    QCOMPARE(select.descriptorText, QStringLiteral("VXI0::1::INSTR"));
    QCOMPARE(int(select.fcNumbers[0]), 1);
    QCOMPARE(select.selectedCount, 1);

    // Through the tree's own double-click signal.
    tree->setCurrentItem(fc4);
    emit tree->itemDoubleClicked(fc4, 1);
    QCOMPARE(accepted.count(), 3);
    QCOMPARE(int(select.fcNumbers[0]), 4);
}

void ConnectionTest::unavailableCardQuestion()
{
    ov7931_fc fc;
    const QString expected =
        QStringLiteral("Selected 7931 function card is unavailable.\nError: ") + statusText(VI_ERROR_RSRC_BUSY);
    QVERIFY(!statusText(VI_ERROR_RSRC_BUSY).isEmpty());
    {
        ov9174fp_fcSelect select(&fc, 1);
        ConnShowRecorder recorder;
        ovsim::failNext("ov8263_paramInit", VI_ERROR_RSRC_BUSY);
        ModalAnswerer answerer({QStringLiteral("Auto Find"), QStringLiteral("Try Again"), QStringLiteral("Auto Find")});
        QCOMPARE(select.runConnectionDialog(), 1);
        QCOMPARE(answerer.seen().size(), 3);
        QCOMPARE(answerer.seen().at(1).title, QStringLiteral("Keltri 7931 Demo Select:"));
        QCOMPARE(answerer.seen().at(1).text, expected);
        QCOMPARE(recorder.ofClass(QStringLiteral("QMessageBox")).at(1).buttons, QStringList({"Cancel", "Try Again"}));
        QCOMPARE(answerer.seen().at(2).text, QStringLiteral("How to connect to 7931 Signal Conditioning Card?"));
        QVERIFY(select.session != 0);
        QCOMPARE(ovsim::journalOf("ov8263_paramInit").size(), size_t(2));
    }
    {
        ov9174fp_fcSelect select(&fc, 1);
        ovsim::failNext("ov8263_paramInit", VI_ERROR_RSRC_BUSY);
        ModalAnswerer answerer({QStringLiteral("Auto Find"), QStringLiteral("Cancel")});
        QCOMPARE(select.runConnectionDialog(), 0);
        QCOMPARE(answerer.seen().at(1).text, expected);
        QCOMPARE(select.session, ViSession(0));
    }
    {
        // A typed descriptor that names no card.
        ov9174fp_fcSelect select(&fc, 1);
        ModalAnswerer answerer({QStringLiteral("Enter Address"), QStringLiteral("Cancel")});
        answerer.other = [&](QWidget *w) {
            auto *entry = qobject_cast<ov9174fp_fcEnterAddress *>(w);
            if (!entry)
                return false;
            entry->descriptorBox()->setEditText(QStringLiteral("VXI7::99::INSTR"));
            entry->cardNumberBox()->setCurrentIndex(1);
            entry->okPushButton()->click();
            return true;
        };
        QCOMPARE(select.runConnectionDialog(), 0);
        QVERIFY(answerer.seen().at(1).text.startsWith(QStringLiteral("Selected 7931 function card is unavailable.\nError: ")));
        QCOMPARE(ovsim::journalOf("ov8263_paramInit").back().args.at(0), std::string("\"VXI7::99::INSTR\""));
    }
}

void ConnectionTest::givingUpEndsWithExitCodeZero_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("first question") << "cancel";
    QTest::newRow("no card found") << "nocard-cancel";
    QTest::newRow("selection list") << "list-cancel";
    QTest::newRow("card unavailable") << "unavailable-cancel";
    QTest::newRow("descriptor entry") << "entry-cancel";
}

void ConnectionTest::givingUpEndsWithExitCodeZero()
{
    QFETCH(QString, mode);
    QProcess child;
    child.setProgram(QCoreApplication::applicationFilePath());
    child.setArguments({QStringLiteral("--connection-child"), mode});
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("ALLUSERSPROFILE"), profile.path());
    child.setProcessEnvironment(env);
    child.start();
    QVERIFY(child.waitForFinished(60000));
    const QString out = QString::fromLocal8Bit(child.readAllStandardOutput());
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QVERIFY2(out.contains(QStringLiteral("child: connecting")), qPrintable(out));
    QVERIFY2(!out.contains(QStringLiteral("child: constructed")), qPrintable(out));
    QCOMPARE(child.exitCode(), 0);
}

void ConnectionTest::searchLimitsTheGlobalPool()
{
    const auto run = [this](const QString &mode) {
        QProcess child;
        child.setProgram(QCoreApplication::applicationFilePath());
        child.setArguments({QStringLiteral("--connection-child"), mode});
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("ALLUSERSPROFILE"), profile.path());
        child.setProcessEnvironment(env);
        child.start();
        child.waitForFinished(60000);
        return QString::fromLocal8Bit(child.readAllStandardOutput());
    };
    QVERIFY(QThread::idealThreadCount() >= 1);
    const QString demo = run(QStringLiteral("pool-demo"));
    QVERIFY2(demo.contains(QStringLiteral("pool: %1\n").arg(QThread::idealThreadCount())), qPrintable(demo));
    const QString search = run(QStringLiteral("pool-search"));
    QVERIFY2(search.contains(QStringLiteral("pool: 1\n")), qPrintable(search));
}

// ---- child process: one connection step, then report -------------------------------

static int runChild(int argc, char **argv)
{
    QApplication application(argc, argv);
    const QString mode = QString::fromLatin1(argv[2]);
    ovsim::reset();
    ov7931_fc fc;
    QStringList answers;
    if (mode == QLatin1String("cancel")) {
        answers = QStringList{QStringLiteral("Cancel")};
    } else if (mode == QLatin1String("nocard-cancel")) {
        if (!loadScenario("version: 1\n"))
            return 3;
        answers = QStringList{QStringLiteral("Auto Find"), QStringLiteral("Cancel")};
    } else if (mode == QLatin1String("list-cancel")) {
        if (!loadScenario(severalCards))
            return 3;
        answers = QStringList{QStringLiteral("Auto Find")}; // the list itself is rejected
    } else if (mode == QLatin1String("unavailable-cancel")) {
        ovsim::failAlways("ov8263_paramInit", VI_ERROR_RSRC_BUSY);
        answers = QStringList{QStringLiteral("Auto Find"), QStringLiteral("Cancel")};
    } else if (mode == QLatin1String("entry-cancel")) {
        answers = QStringList{QStringLiteral("Enter Address")}; // the entry dialog is rejected
    } else if (mode == QLatin1String("pool-demo")) {
        answers = QStringList{QStringLiteral("Run In Demo Mode")};
    } else if (mode == QLatin1String("pool-search")) {
        answers = QStringList{QStringLiteral("Auto Find")};
    } else {
        return 4;
    }
    ModalAnswerer answerer(answers);
    std::printf("child: connecting\n");
    auto *app = new ov9174fp_AppFC(&fc, 1, false, QStringLiteral("6.1.3"), false);
    std::printf("child: constructed\n");
    std::printf("pool: %d\n", QThreadPool::globalInstance()->maxThreadCount());
    std::fflush(stdout);
    delete app;
    return 7;
}

int main(int argc, char **argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--connection-child") == 0)
        return runChild(argc, argv);
    QApplication application(argc, argv);
    ConnectionTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_connection.moc"
