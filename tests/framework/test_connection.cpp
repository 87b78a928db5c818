// The connection step over simulated systems: the order of found resources,
// the search and its selection list, the questions and their answers, the
// remembered descriptors of the entry dialog, and what the main panel shows.
// Exit codes of giving up are checked in app/test_main.
#include "modalanswer.h"
#include "ov7931_fc.h"
#include "ov9174.h"
#include "ov9174fp_AppFC.h"
#include "ov9174fp_descriptorHistory.h"
#include "ov9174fp_descriptorOrder.h"
#include "ov9174fp_fcEnterAddress.h"
#include "ov9174fp_fcSelect.h"
#include "ov9174fp_led.h"
#include "ovsim_control.h"
#include "testkit.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTreeWidget>
#include <QtTest>

using testkit::loadScenario;

namespace {
// One line per row: indent, both texts, then "+" expanded, "s" selectable,
// "x" disabled, and the card number and resource of a selectable row.
QStringList rows(QTreeWidget *tree)
{
    QStringList lines;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        const QTreeWidgetItem *item = *it;
        QString line = QString(2 * (item->parent() ? item->parent()->parent() ? 2 : 1 : 0), ' ') + item->text(0);
        line += item->text(1).isEmpty() ? QString() : " | " + item->text(1);
        line += QString(item->isExpanded() ? " +" : "") + (item->flags() & Qt::ItemIsEnabled ? "" : " x");
        if (item->flags() & Qt::ItemIsSelectable)
            line += QStringLiteral(" s %1@%2").arg(item->data(0, Qt::StatusTipRole).toInt())
                        .arg(item->data(1, Qt::StatusTipRole).toString());
        lines << line;
    }
    return lines;
}

QTreeWidgetItem *card(QTreeWidget *tree, const QString &resource, int position)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->data(1, Qt::StatusTipRole) == resource && (*it)->data(0, Qt::StatusTipRole) == position)
            return *it;
    return nullptr;
}

// Every session, find list and identification record the search opened is closed again.
void verifyAllClosed()
{
    int opened = 0, records = 0;
    for (const ovsim::Call &c : ovsim::journal()) {
        const std::string &f = c.function;
        opened += ((f == "viOpenDefaultRM" || f == "viFindRsrc" || f == "viOpen") && c.status == 0) - (f == "viClose");
        records += (f == "ov9174_openIdRecord" && c.status == 0) - (f == "ov9174_closeIdRecord");
    }
    QVERIFY(opened == 0 && records == 0);
}

class ProgressCanceller : public QObject
{
public:
    QStringList seen;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *dialog = qobject_cast<QProgressDialog *>(watched);
        if (dialog && event->type() == QEvent::Show) {
            seen << dialog->windowTitle() + " | " + dialog->labelText() + (dialog->isModal() ? " | modal" : "");
            QTimer::singleShot(0, dialog, &QProgressDialog::cancel);
        }
        return false;
    }
};

QString chosen(const ov9174fp_fcSelect &s)
{
    return QStringLiteral("%1 %2 %3").arg(s.descriptorText).arg(s.fcNumbers[0]).arg(s.selectedCount);
}

QString paramInit(const QString &descriptor, int cards)
{
    return QStringLiteral("ov8263_paramInit(\"%1\", %2, 1, 1, &)").arg(descriptor).arg(cards);
}
} // namespace

class ConnectionTest : public QObject
{
    Q_OBJECT

    QScopedPointer<QTemporaryDir> profile;
    QString iniPath() const { return profile->path() + QStringLiteral("/Orvane/DefaultInstrDescr.ini"); }

private slots:
    void init()
    {
        profile.reset(new QTemporaryDir);
        qputenv("ALLUSERSPROFILE", profile->path().toLocal8Bit());
        QVERIFY(loadScenario(QString()));
    }

    // Network addresses by number, other known interfaces by board only, text otherwise.
    void resourceOrder_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("order"); // "<": a before b, "=": no order
        QTest::newRow("TCPIP by number") << "TCPIP0::192.168.2.60::INSTR" << "TCPIP0::192.168.10.1::INSTR" << "<";
        QTest::newRow("TCPIP board first") << "TCPIP1::10.0.0.9::INSTR" << "TCPIP2::10.0.0.1::INSTR" << "<";
        QTest::newRow("TCPIP missing board is 0") << "TCPIP::10.0.0.9::INSTR" << "TCPIP0::10.0.0.10::INSTR" << "<";
        QTest::newRow("TCPIP case of the name") << "tcpip0::9.0.0.1::INSTR" << "TCPIP0::10.0.0.1::INSTR" << "<";
        QTest::newRow("TCPIP equal") << "TCPIP0::1.2.3.4::INSTR" << "TCPIP0::1.2.3.4::INSTR" << "=";
        QTest::newRow("VXI board by number") << "VXI2::1::INSTR" << "VXI10::1::INSTR" << "<";
        QTest::newRow("VXI same board") << "VXI0::9::INSTR" << "VXI0::24::INSTR" << "=";
        QTest::newRow("huge board held at maximum") << "VXI2::1::INSTR" << "VXI99999999999999999999::1::INSTR" << "<";
        QTest::newRow("GPIB-VXI board") << "GPIB-VXI2::1::INSTR" << "GPIB-VXI11::1::INSTR" << "<";
        QTest::newRow("ASRL board") << "ASRL2::INSTR" << "ASRL10::INSTR" << "<";
        QTest::newRow("unknown interface: text") << "USB10::1::INSTR" << "USB2::1::INSTR" << "<";
        QTest::newRow("different interfaces: text") << "TCPIP0::1.1.1.1::INSTR" << "VXI0::1::INSTR" << "<";
        QTest::newRow("GPIB-VXI and GPIB: text") << "GPIB-VXI0::1::INSTR" << "GPIB0::1::INSTR" << "<";
    }

    void resourceOrder()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(QString, order);
        QCOMPARE(ov9174fp_descriptorLessThan(a, b), order == QLatin1String("<"));
        QVERIFY(!ov9174fp_descriptorLessThan(b, a));
    }

    // The search shows its progress (cancelling it still lets every resource
    // be identified), lists every system in order and opens no card.
    void searchFillsTheList()
    {
        QVERIFY(loadScenario(testkit::severalCards));
        ov7931_fc fc;
        ov9174fp_fcSelect select(&fc, 1);
        ProgressCanceller progress;
        qApp->installEventFilter(&progress);
        QCOMPARE(select.searchCards(), 3);
        QCOMPARE(progress.seen.value(0), QStringLiteral("Keltri 7931 | Searching... | modal"));
        QCOMPARE(QThreadPool::globalInstance()->maxThreadCount(), 1);
        QCOMPARE(select.treeWidget()->selectionMode(), QAbstractItemView::ExtendedSelection);
        QCOMPARE(rows(select.treeWidget()),
                 (QStringList{"ASRL1 +", "GPIB0 +", "TCPIP0 +", "  192.168.2.60 - 5001 LXI", "    FC 1 | 7931 x",
                              "  lxi-a.example - 5000 LXI +", "    FC 2 | 8263 s 2@TCPIP0::192.168.10.1::INSTR",
                              "    FC 4 | 1234 x", "VXI0 +", "  Slot 5 - 2600 MB +",
                              "    FC 1 | 8263 s 1@VXI0::1::INSTR", "    FC 2 | 7931 x",
                              "    FC 3 | 8263 s 3@VXI0::1::INSTR"}));
        // The last supported card in list order is the provisional choice.
        QCOMPARE(chosen(select), QStringLiteral("VXI0::1::INSTR 3 1"));
        verifyAllClosed();
        QCOMPARE(ovsim::journalOf("viFindRsrc").at(0).args.at(1), std::string("\"?*INSTR\""));
        QVERIFY(ovsim::journalOf("ov8263_paramInit").empty());
        // VISA failures find less; a list filled before is cleared.
        const struct {
            const char *scenario, *function;
            int times, cards;
            const char *systems; // top-level rows with their number of children
        } failures[] = {{"version: 1\n", "", 0, 0, ""},
                        {"", "viOpenDefaultRM", 1, 0, ""},
                        {"", "viFindRsrc", 1, 0, ""},
                        {"", "viFindNext", 1, 2, "VXI0:1"},
                        {"", "viOpen", 1, 1, "ASRL1:0 GPIB0:0 TCPIP0:2 VXI0:0"},
                        {"", "ov9174_openIdRecord", 100, 0, "ASRL1:0 GPIB0:0 TCPIP0:0 VXI0:0"}};
        for (const auto &f : failures) {
            QVERIFY(loadScenario(testkit::severalCards));
            QCOMPARE(select.searchCards(), 3);
            QVERIFY(!*f.scenario || loadScenario(f.scenario));
            ovsim::clearJournal();
            if (f.times > 0)
                ovsim::failNext(f.function, VI_ERROR_SYSTEM_ERROR, f.times);
            QCOMPARE(select.searchCards(), f.cards);
            QStringList found;
            for (int i = 0; i < select.treeWidget()->topLevelItemCount(); ++i)
                found << select.treeWidget()->topLevelItem(i)->text(0) + ':' +
                             QString::number(select.treeWidget()->topLevelItem(i)->childCount());
            QCOMPARE(found.join(' '), QString(f.systems));
            verifyAllClosed();
        }
    }

    // 20000 resources, one the carrier of a digitizer, are searched in
    // seconds; beyond 256 cards the search asks and stops filling.
    void largeSystems()
    {
        QString yaml = QStringLiteral("version: 1\ndevices:\n  box: {interface: vxi, slot: 5, cards: "
                                      "[{position: 1, model: 0x8263}]}\nresources:\n");
        for (int k = 0; k < 19999; ++k)
            yaml += QStringLiteral("  - {name: 'TCPIP0::10.0.%1.%2::INSTR'}\n").arg(k / 250).arg(k % 250);
        QVERIFY(loadScenario(yaml + QStringLiteral("  - {name: 'VXI0::1::INSTR', device: box}\n")));
        ov7931_fc fc;
        ov9174fp_fcSelect select(&fc, 1);
        QCOMPARE(select.searchCards(), 1);
        QCOMPARE(int(ovsim::journalOf("viOpen").size()), 20000);
        QCOMPARE(select.descriptorText, QStringLiteral("VXI0::1::INSTR"));
        verifyAllClosed();

        QStringList cards; // 17 LXI boxes of 16 digitizers each: 272 supported cards
        for (int k = 1; k <= 16; ++k)
            cards << QStringLiteral("{position: %1, model: 0x8263}").arg(k);
        yaml = QStringLiteral("version: 1\ndevices:\n");
        QString resources = QStringLiteral("resources:\n");
        for (int c = 0; c < 17; ++c) {
            yaml += QStringLiteral("  lxi%1: {interface: lxi, carrier_model: 5000, host: host%1, positions: 16, "
                                   "cards: [%2]}\n").arg(c).arg(cards.join(", "));
            resources += QStringLiteral("  - {name: \"TCPIP0::10.0.0.%1::INSTR\", device: lxi%2}\n").arg(c + 1).arg(c);
        }
        QVERIFY(loadScenario(yaml + resources));
        ModalAnswerer answerer({QStringLiteral("Continue")});
        QCOMPARE(select.searchCards(), 256);
        QCOMPARE(answerer.seen().size(), 1);
        QCOMPARE(answerer.seen().at(0).title, QStringLiteral("Keltri 7931 SFP: Select Function Card"));
        QCOMPARE(answerer.seen().at(0).text,
                 QStringLiteral("Found more Function Cards than supported by this SoftFrontPanel. Only first 256 are "
                                "available.\nPlease contact Orvane's support if you need support for more cards."));
        QCOMPARE(answerer.seen().at(0).buttons, QStringList{"Continue"});
        // Numeric order: 10.0.0.2 follows 10.0.0.1, not 10.0.0.10; filling stopped at the 257th card.
        const QStringList list = rows(select.treeWidget());
        QCOMPARE(list.filter(QStringLiteral(" s ")).size(), 256);
        QCOMPARE(list.filter(QStringLiteral(" - 5000 LXI")).mid(0, 2),
                 (QStringList{"  host0 - 5000 LXI +", "  host1 - 5000 LXI +"}));
        QCOMPARE(list.last(), QStringLiteral("  host16 - 5000 LXI"));
        QCOMPARE(chosen(select), QStringLiteral("TCPIP0::10.0.0.16::INSTR 16 1"));
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
        QTest::newRow("Cancel") << "" << "Cancel" << "0 0  0 closed" << QStringList();
        QTest::newRow("Run In Demo Mode") << "" << "Run In Demo Mode" << "1 1 VXI0::1::INSTR 1 closed" << QStringList();
        QTest::newRow("one card opened at once") << "" << "Auto Find" << "1 0 VXI0::1::INSTR 1 open" << QStringList();
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
        QVERIFY(answers.contains(QLatin1String("Auto Find")) || ovsim::journal().empty());
        if (result.endsWith(QLatin1String("open")))
            QCOMPARE(testkit::journalNames(QStringLiteral("ov8263_paramInit"), true).last(),
                     paramInit("VXI0::1::INSTR", 1));
    }

    // Several cards: chosen in the list (LXI first, then VXI) and opened
    // together. OK and a double click take only card rows that can be chosen.
    void choosingCards()
    {
        QVERIFY(loadScenario(testkit::severalCards));
        ov7931_fc fc;
        ov9174fp_fcSelect select(&fc, 1);
        ModalAnswerer answerer({QStringLiteral("Auto Find")});
        answerer.other = [&](QWidget *w) {
            auto *list = qobject_cast<ov9174fp_fcSelect *>(w);
            if (list) {
                card(list->treeWidget(), QStringLiteral("TCPIP0::192.168.10.1::INSTR"), 2)->setSelected(true);
                card(list->treeWidget(), QStringLiteral("VXI0::1::INSTR"), 1)->setSelected(true);
                list->okPushButton()->click();
            }
            return list != nullptr;
        };
        QCOMPARE(select.runConnectionDialog(), 1);
        QCOMPARE(chosen(select) + ' ' + QString::number(select.fcNumbers[1]),
                 QStringLiteral("TCPIP0::192.168.10.1::INSTR,VXI0::1::INSTR 2 2 1"));
        QCOMPARE(testkit::journalNames(QStringLiteral("ov8263_paramInit"), true).value(0),
                 paramInit("TCPIP0::192.168.10.1::INSTR,VXI0::1::INSTR", 2));
        QVERIFY(select.session != 0);

        ov9174fp_fcSelect list(&fc, 1);
        const ov9174fp_resourceRecord record{"VXI0::1::INSTR", {"Slot 5 - 2600 MB"}, 2600,
                                             {{"FC 1", "8263"}, {"FC 2", "7931"}, {"FC 4", "8263"}}, {1, 0, 4}};
        QCOMPARE(list.fillTree({record}), 2);
        QTreeWidget *tree = list.treeWidget();
        QTreeWidgetItem *carrier = tree->topLevelItem(0)->child(0);
        QTreeWidgetItem *fc1 = carrier->child(0), *fc2 = carrier->child(1), *fc4 = carrier->child(2);
        QSignalSpy accepted(&list, &QDialog::accepted);
        list.okPressed(); // nothing selected, then only rows that cannot be chosen: nothing happens
        carrier->setSelected(true);
        fc2->setSelected(true);
        list.okPressed();
        QCOMPARE(accepted.count(), 0);
        tree->clearSelection();
        fc4->setSelected(true);
        list.okPressed();
        QVERIFY(accepted.count() == 1 && chosen(list) == "VXI0::1::INSTR 4 1");
        // Double click: disabled and carrier rows are ignored; a card row opens only as the current row.
        list.dblClick(fc2);
        list.dblClick(carrier);
        tree->setCurrentItem(carrier);
        QTest::ignoreMessage(QtDebugMsg,
                             "Select one available function card and then click \"OK\" \nor click \"Cancel\" to quit");
        list.dblClick(fc1);
        QCOMPARE(accepted.count(), 1);
        tree->setCurrentItem(fc1);
        list.selectedCount = 7;
        emit tree->itemDoubleClicked(fc1, 1);
        QVERIFY(accepted.count() == 2 && chosen(list) == "VXI0::1::INSTR 1 1");
    }

    // The file's place and keys; gaps are dropped, a broken or out-of-range
    // card number reads as 0. The entry dialog moves a taken descriptor to
    // the top and keeps five.
    void rememberedDescriptors()
    {
        QCOMPARE(ov9174fp_descriptorHistory::defaultFilePath(), iniPath());
        ov9174fp_fcEnterAddress d;
        d.loadDefaults(); // first use: the fallback descriptor, no card number, nothing written
        QCOMPARE(d.descriptorBox()->currentText() + ' ' + d.cardNumberBox()->currentText(), "VXI0::1::INSTR Select");
        QVERIFY(d.descriptorBox()->count() == 1 && !QFile::exists(iniPath()));
        qunsetenv("ALLUSERSPROFILE");
        const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        QCOMPARE(ov9174fp_descriptorHistory::defaultFilePath(), config + "/Orvane/DefaultInstrDescr.ini");
        qputenv("ALLUSERSPROFILE", profile->path().toLocal8Bit());
        ov9174fp_descriptorHistory file(iniPath(), QStringLiteral("7931"));
        file.store({"TCPIP0::192.168.2.60::INSTR", "VXI0::1::INSTR"});
        file.storeFcNumber(3);
        QSettings ini(iniPath(), QSettings::IniFormat);
        QCOMPARE(ini.value("7931/1.Descriptor").toString(), QStringLiteral("TCPIP0::192.168.2.60::INSTR"));
        QCOMPARE(ini.value("7931/2.Descriptor").toString(), QStringLiteral("VXI0::1::INSTR"));
        QCOMPARE(ini.value("7931/FC_Number").toInt(), 3);
        ini.setValue("7931/1.Descriptor", QString());
        ini.setValue("7931/3.Descriptor", "GPIB0::7::INSTR");
        for (const QVariant &bad : {QVariant("seven"), QVariant(99)}) {
            ini.setValue("7931/FC_Number", bad);
            ini.sync();
            QCOMPARE(file.load(), QStringList({"VXI0::1::INSTR", "GPIB0::7::INSTR"}));
            QCOMPARE(file.fcNumber(), 0);
        }
        file.store({"D1", "D2", "D3", "D4", "D5"});
        file.storeFcNumber(2);
        d.loadDefaults();
        QCOMPARE(d.descriptorBox()->currentText() + ' ' + d.cardNumberBox()->currentText(), "D1 FC 2");
        d.descriptorBox()->setCurrentIndex(2);
        QCOMPARE(d.takeDescriptor(), QStringLiteral("D3"));
        QCOMPARE(file.load(), QStringList({"D3", "D1", "D2", "D4", "D5"}));
        d.loadDefaults();
        d.descriptorBox()->setEditText(QStringLiteral("  TCPIP0::192.168.2.60::INSTR "));
        QCOMPARE(d.takeDescriptor(), QStringLiteral("TCPIP0::192.168.2.60::INSTR"));
        d.descriptorBox()->setEditText(QString()); // empty text changes nothing
        QCOMPARE(d.takeDescriptor(), QString());
        QCOMPARE(file.load(), QStringList({"TCPIP0::192.168.2.60::INSTR", "D3", "D1", "D2", "D4"}));
    }

    // A refused entry warns, is remembered, stores FC_Number all the same and
    // opens the dialog again; the second entry, "VXI0::1::INSTR" with "FC 1",
    // opens the card.
    void refusedEntryWarnsAndReopens_data()
    {
        QTest::addColumn<QString>("descriptor");
        QTest::addColumn<int>("card");
        QTest::addColumn<QString>("warning");
        QTest::newRow("no descriptor") << "" << 2 << "You have not entered Instrument Descriptor";
        QTest::newRow("no card number") << "TCPIP0::10.0.0.1::INSTR" << 0
                                        << "You have not selected any function card number";
    }

    void refusedEntryWarnsAndReopens()
    {
        QFETCH(QString, descriptor);
        QFETCH(int, card);
        ov9174fp_descriptorHistory file(iniPath(), QStringLiteral("7931"));
        file.storeFcNumber(4);
        ov7931_fc fc;
        ov9174fp_fcSelect select(&fc, 1);
        ModalAnswerer answerer({QStringLiteral("Enter Address"), QStringLiteral("OK")});
        QStringList shown;
        answerer.other = [&](QWidget *w) {
            auto *e = qobject_cast<ov9174fp_fcEnterAddress *>(w);
            if (e) {
                shown << e->descriptorBox()->currentText() + ' ' + QString::number(e->cardNumberBox()->currentIndex());
                e->descriptorBox()->setEditText(shown.size() == 1 ? descriptor : QStringLiteral("VXI0::1::INSTR"));
                e->cardNumberBox()->setCurrentIndex(shown.size() == 1 ? card : 1);
                e->okPushButton()->click();
            }
            return e != nullptr;
        };
        QCOMPARE(select.runConnectionDialog(), 1);
        // Shown again with the refused entry's descriptor (when given) and card number.
        const QString reopened = descriptor.isEmpty() ? QStringLiteral("VXI0::1::INSTR") : descriptor;
        QCOMPARE(shown, (QStringList{"VXI0::1::INSTR 4", reopened + " " + QString::number(card)}));
        QCOMPARE(answerer.seen().size(), 2);
        QTEST(answerer.seen().at(1).text, "warning");
        QCOMPARE(answerer.seen().at(1).icon, QMessageBox::Warning);
        QCOMPARE(file.load(), QStringList({"VXI0::1::INSTR", descriptor}).filter(QRegularExpression(".")));
        QCOMPARE(file.fcNumber(), 1);
        QCOMPARE(testkit::journalNames(QStringLiteral("ov8263_paramInit"), true).value(0),
                 paramInit("VXI0::1::INSTR", 1));
        QVERIFY(select.session != 0);
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
        QCOMPARE(QStringLiteral("%1 | %2 | %3 | %4").arg(app.windowTitle(), app.locationText()->text(),
                                                        app.functionCardText()->text())
                     .arg(app.activeLed()->value()),
                 "Keltri 7931 Soft Front Panel" + texts);
        QCOMPARE(app.demoMode, texts.endsWith(QLatin1String("0")));
        QCOMPARE(app.masterVi != 0, !app.demoMode);
        // A recording is viewed without the connection question; demo mode neither searches nor opens a card.
        QCOMPARE(answerer.seen().size(), recording ? 0 : 1);
        for (const char *call : {"viOpen", "viFindRsrc", "ov8263_paramInit"})
            QVERIFY(!app.demoMode || ovsim::journalOf(call).empty());
    }
};

QTEST_MAIN(ConnectionTest)
#include "test_connection.moc"
