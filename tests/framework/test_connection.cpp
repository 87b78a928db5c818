// The connection step: questions, choosing cards, what it leaves on the main
// panel. Exit codes of giving up are checked in core/test_main.
#include "modalanswer.h"
#include "ov7931_fc.h"
#include "ov9174.h"
#include "ov9174fp_AppFC.h"
#include "ov9174fp_fcSelect.h"
#include "ov9174fp_led.h"
#include "ovsim_control.h"
#include "testkit.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using testkit::loadScenario;

namespace {
// A card row of the selection list.
QTreeWidgetItem *card(QTreeWidget *tree, const QString &resource, int position)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->data(1, Qt::StatusTipRole) == resource && (*it)->data(0, Qt::StatusTipRole) == position)
            return *it;
    return nullptr;
}
} // namespace

class ConnectionTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        qputenv("ALLUSERSPROFILE", profile.path().toLocal8Bit());
    }

    void questions_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QString>("result"); // runConnectionDialog(), demo flag, descriptor and card, session
        QTest::addColumn<QStringList>("second"); // the second box: text, then its buttons
        const QStringList noCard{"No 7931 Function Card found on your system.", "Cancel", "Run In Demo Mode",
                                 "Try Again"};
        ViChar status[1024] = {0};
        ov9174_statusMessage(VI_ERROR_RSRC_BUSY, status);
        const QStringList busy{"Selected 7931 function card is unavailable.\nError: " + QString::fromLatin1(status),
                               "Cancel", "Try Again"};
        const QStringList none;
        QTest::newRow("Cancel") << "" << "Cancel" << "0 0  0 closed" << none;
        QTest::newRow("Run In Demo Mode") << "" << "Run In Demo Mode" << "1 1 VXI0::1::INSTR 1 closed" << none;
        QTest::newRow("one card opened at once") << "" << "Auto Find" << "1 0 VXI0::1::INSTR 1 open" << none;
        QTest::newRow("no card: Try Again, then demo") << "none" << "Auto Find,Try Again,Auto Find,Run In Demo Mode"
                                                       << "1 1 VXI0::1::INSTR 1 closed" << noCard;
        QTest::newRow("no card: Cancel") << "none" << "Auto Find,Cancel" << "0 0  0 closed" << noCard;
        QTest::newRow("VISA failure: no card") << "no manager" << "Auto Find,Cancel" << "0 0  0 closed" << noCard;
        QTest::newRow("unavailable: Try Again") << "busy" << "Auto Find,Try Again,Auto Find"
                                                << "1 0 VXI0::1::INSTR 1 open" << busy;
        QTest::newRow("unavailable: Cancel") << "busy" << "Auto Find,Cancel" << "0 0 VXI0::1::INSTR 1 closed" << busy;
    }

    void questions()
    {
        QFETCH(QString, scenario);
        QFETCH(QString, answers);
        QFETCH(QString, result);
        QFETCH(QStringList, second);
        QVERIFY(loadScenario(scenario == QLatin1String("none") ? QStringLiteral("version: 1\n") : QString()));
        if (scenario == QLatin1String("busy"))
            ovsim::failNext("ov8263_paramInit", VI_ERROR_RSRC_BUSY);
        if (scenario == QLatin1String("no manager"))
            ovsim::failNext("viOpenDefaultRM", VI_ERROR_SYSTEM_ERROR);
        ov7931_fc fc;
        ov9174fp_fcSelect select(&fc, 1);
        ModalAnswerer answerer(answers.split(','));
        const int returned = select.runConnectionDialog();
        QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5").arg(returned).arg(select.demoFlag).arg(select.descriptorText)
                     .arg(select.fcNumbers[0]).arg(select.session ? "open" : "closed"), result);
        QCOMPARE(answerer.seen().size(), answers.count(',') + 1);
        const SeenBox first = answerer.seen().at(0);
        QCOMPARE(first.text, QStringLiteral("How to connect to 7931 Signal Conditioning Card?"));
        QCOMPARE(first.icon, QMessageBox::Question);
        QCOMPARE(first.buttons, (QStringList{"Auto Find", "Cancel", "Enter Address", "Run In Demo Mode"}));
        QCOMPARE(first.defaultButton, QStringLiteral("Auto Find"));
        for (const SeenBox &box : answerer.seen())
            QCOMPARE(box.title, QStringLiteral("Keltri 7931 Demo Select:"));
        if (!second.isEmpty())
            QCOMPARE(QStringList{answerer.seen().at(1).text} + answerer.seen().at(1).buttons, second);
        // Each "Auto Find" searches once; demo mode and giving up at once call no driver.
        QCOMPARE(int(ovsim::journalOf("viOpenDefaultRM").size()), answers.count(QLatin1String("Auto Find")));
        if (!answers.contains(QLatin1String("Auto Find")))
            QVERIFY(ovsim::journal().empty());
        if (result.endsWith(QLatin1String("open")))
            QCOMPARE(testkit::journalNames(QStringLiteral("ov8263_paramInit"), true).last(),
                     QStringLiteral("ov8263_paramInit(\"VXI0::1::INSTR\", 1, 1, 1, &)"));
    }

    void severalCardsAreChosenInTheList()
    {
        QVERIFY(loadScenario(testkit::severalCards));
        ov7931_fc fc;
        ov9174fp_fcSelect select(&fc, 1);
        ModalAnswerer answerer({QStringLiteral("Auto Find")});
        answerer.other = [&](QWidget *w) {
            auto *list = qobject_cast<ov9174fp_fcSelect *>(w);
            if (!list)
                return false;
            // Chosen in this order: the LXI card first, then the VXI card.
            card(list->treeWidget(), QStringLiteral("TCPIP0::192.168.10.1::INSTR"), 2)->setSelected(true);
            card(list->treeWidget(), QStringLiteral("VXI0::1::INSTR"), 1)->setSelected(true);
            list->okPushButton()->click();
            return true;
        };
        QCOMPARE(select.runConnectionDialog(), 1);
        QCOMPARE(select.selectedCount, 2);
        QCOMPARE(select.descriptorText, QStringLiteral("TCPIP0::192.168.10.1::INSTR,VXI0::1::INSTR"));
        QCOMPARE(QStringLiteral("%1 %2").arg(select.fcNumbers[0]).arg(select.fcNumbers[1]), QStringLiteral("2 1"));
        QCOMPARE(testkit::journalNames(QStringLiteral("ov8263_paramInit"), true).value(0),
                 QStringLiteral("ov8263_paramInit(\"TCPIP0::192.168.10.1::INSTR,VXI0::1::INSTR\", 2, 1, 1, &)"));
        QVERIFY(select.session != 0);
    }

    void okPressedAndDoubleClick()
    {
        ov7931_fc fc;
        ov9174fp_fcSelect select(&fc, 1);
        const ov9174fp_resourceRecord record{"VXI0::1::INSTR", {"Slot 5 - 2600 MB"}, 2600,
                                             {{"FC 1", "8263"}, {"FC 2", "7931"}, {"FC 4", "8263"}}, {1, 0, 4}};
        QCOMPARE(select.fillTree({record}), 2);
        QTreeWidget *tree = select.treeWidget();
        QTreeWidgetItem *carrier = tree->topLevelItem(0)->child(0);
        QTreeWidgetItem *fc1 = carrier->child(0), *fc2 = carrier->child(1), *fc4 = carrier->child(2);
        QSignalSpy accepted(&select, &QDialog::accepted);
        const auto choice = [&] {
            return select.descriptorText + QStringLiteral(" %1 %2").arg(select.fcNumbers[0]).arg(select.selectedCount);
        };
        // Nothing selected, or only rows that cannot be chosen: nothing happens.
        select.okPressed();
        carrier->setSelected(true);
        fc2->setSelected(true);
        select.okPressed();
        QCOMPARE(accepted.count(), 0);
        tree->clearSelection();
        fc4->setSelected(true);
        select.okPressed();
        QCOMPARE(accepted.count(), 1);
        QCOMPARE(choice(), QStringLiteral("VXI0::1::INSTR 4 1"));
        // Double click: disabled and carrier rows are ignored; a card row opens only as the current row.
        select.dblClick(fc2);
        select.dblClick(carrier);
        tree->setCurrentItem(carrier);
        QTest::ignoreMessage(QtDebugMsg,
                             "Select one available function card and then click \"OK\" \nor click \"Cancel\" to quit");
        select.dblClick(fc1);
        QCOMPARE(accepted.count(), 1);
        tree->setCurrentItem(fc1);
        select.selectedCount = 7;
        emit tree->itemDoubleClicked(fc1, 1);
        QCOMPARE(accepted.count(), 2);
        QCOMPARE(choice(), QStringLiteral("VXI0::1::INSTR 1 1"));
    }

    void panelTexts_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("recording");
        QTest::addColumn<QString>("texts"); // after "Keltri 7931 Soft Front Panel": title | location | card | LED
        QTest::newRow("VXI") << "" << "Auto Find" << false << " | Slot 5 | FC 1 | 1";
        QTest::newRow("LXI") << testkit::oneLxiCard << "Auto Find" << false << ": lxi-7.example | inst3 | FC 3 | 1";
        QTest::newRow("LXI, host unreadable") << "no host" << "Auto Find" << false << " |  | FC 3 | 1";
        QTest::newRow("demo") << "" << "Run In Demo Mode" << false << " | Slot 5 | FC 1 | 0";
        QTest::newRow("viewing a recording") << "" << "Auto Find" << true << " | Slot 5 | FC 1 | 0";
    }

    void panelTexts()
    {
        QFETCH(QString, scenario);
        QFETCH(QString, answer);
        QFETCH(bool, recording);
        QFETCH(QString, texts);
        QVERIFY(loadScenario(scenario == QLatin1String("no host") ? testkit::oneLxiCard : scenario));
        if (scenario == QLatin1String("no host"))
            ovsim::failAlways("viGetAttribute", VI_ERROR_NSUP_ATTR);
        ov7931_fc fc;
        ModalAnswerer answerer({answer});
        ov9174fp_AppFC app(&fc, 1, recording, QStringLiteral("6.1.3"), false);
        const QString shown = QStringLiteral("%1 | %2 | %3 | %4").arg(app.windowTitle(), app.locationText()->text(),
                                                                     app.functionCardText()->text());
        QCOMPARE(shown.arg(app.activeLed()->value()), "Keltri 7931 Soft Front Panel" + texts);
        QCOMPARE(app.demoMode, texts.endsWith(QLatin1String("0")));
        QCOMPARE(app.masterVi != 0, !app.demoMode);
        // A recording is viewed without the connection question; demo mode neither searches nor opens a card.
        QCOMPARE(answerer.seen().size(), recording ? 0 : 1);
        for (const char *call : {"viOpen", "viFindRsrc", "ov8263_paramInit"})
            QVERIFY(!app.demoMode || ovsim::journalOf(call).empty());
    }

private:
    QTemporaryDir profile;
};

QTEST_MAIN(ConnectionTest)
#include "test_connection.moc"
