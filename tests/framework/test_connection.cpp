// The connection step over simulated systems: the order of found resources,
// the search and its selection list, the questions and their answers, the
// remembered descriptors of the entry dialog, and what the main panel shows.
// Exit codes of giving up are checked in app/test_main. Then the settings
// files that cannot hurt the user: never written through a link or into a
// non-regular file, no blocking on a FIFO, a failed save keeps the old file
// and is reported once.
#include "appfixture.h"
#include "modalanswer.h"
#include "ov7931Demo_App.h"
#include "ov7931Demo_panelSettings.h"
#include "ov7931_fc.h"
#include "ov9174.h"
#include "ov9174fp_AppFC.h"
#include "ov9174fp_descriptorHistory.h"
#include "ov9174fp_descriptorOrder.h"
#include "ov9174fp_fcEnterAddress.h"
#include "ov9174fp_fcSelect.h"
#include "ov9174fp_led.h"
#include "ov9174fp_saveProblems.h"
#include "ov9174fp_settingsFile.h"
#include "ovsim_control.h"
#include "recording_files.h"
#include "testkit.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QThreadPool>
#include <QTreeWidget>
#include <QtTest>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>

using testkit::loadScenario;

namespace {
// One line per row: indent, both texts, "+" expanded, "x" disabled, and
// "s", the card number and resource of a selectable row.
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

// Every session, find list and identification record the search opened is closed again.
bool allClosed()
{
    int open = 0, records = 0;
    for (const ovsim::Call &c : ovsim::journal()) {
        const std::string &f = c.function;
        open += ((f == "viOpenDefaultRM" || f == "viFindRsrc" || f == "viOpen") && c.status == 0) - (f == "viClose");
        records += (f == "ov9174_openIdRecord" && c.status == 0) - (f == "ov9174_closeIdRecord");
    }
    return open == 0 && records == 0;
}

// Notes every progress dialog shown and cancels it.
struct ProgressCanceller : QObject {
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
    return QStringLiteral("%1 %2 %3 %4").arg(s.descriptorText).arg(s.fcNumbers[0]).arg(s.selectedCount)
        .arg(s.session ? "open" : "closed");
}

QString opened() { return testkit::journalNames(QStringLiteral("ov8263_paramInit"), true).value(0); }

QByteArray contentOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QStringList entriesOf(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden, QDir::Name);
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
    void resourceOrder()
    {
        const std::tuple<const char *, const char *, bool> pairs[] = { // a, b, a before b (else: no order)
            {"TCPIP0::192.168.2.60::INSTR", "TCPIP0::192.168.10.1::INSTR", true},
            {"TCPIP::10.0.0.9::INSTR", "TCPIP0::10.0.0.10::INSTR", true}, // a missing board is 0
            {"tcpip0::9.0.0.1::INSTR", "TCPIP0::10.0.0.1::INSTR", true},  // any case of the name
            {"TCPIP0::1.2.3.4::INSTR", "TCPIP0::1.2.3.4::INSTR", false},
            {"VXI2::1::INSTR", "VXI10::1::INSTR", true},
            {"VXI0::9::INSTR", "VXI0::24::INSTR", false},
            {"VXI2::1::INSTR", "VXI99999999999999999999::1::INSTR", true}, // a huge board is held at the maximum
            {"ASRL2::INSTR", "ASRL10::INSTR", true},
            {"USB10::1::INSTR", "USB2::1::INSTR", true}, // unknown interface: text
            {"TCPIP0::1.1.1.1::INSTR", "VXI0::1::INSTR", true},
            {"GPIB-VXI0::1::INSTR", "GPIB0::1::INSTR", true}};
        for (const auto &[a, b, before] : pairs)
            QVERIFY2(ov9174fp_descriptorLessThan(a, b) == before && !ov9174fp_descriptorLessThan(b, a), a);
    }

    // The search shows its progress (cancelling it still lets every resource
    // be identified), lists every system in order and opens no card; VISA
    // failures find less; beyond 256 cards it asks and stops filling.
    void search()
    {
        QVERIFY(loadScenario(testkit::severalCards));
        ov7931_fc fc;
        ov9174fp_fcSelect select(&fc, 1);
        ProgressCanceller progress;
        qApp->installEventFilter(&progress);
        QCOMPARE(select.searchCards(), 3);
        QCOMPARE(progress.seen.value(0), QStringLiteral("Keltri 7931 | Searching... | modal"));
        QVERIFY(QThreadPool::globalInstance()->maxThreadCount() == 1 && allClosed());
        QCOMPARE(rows(select.treeWidget()),
                 (QStringList{"ASRL1 +", "GPIB0 +", "TCPIP0 +", "  192.168.2.60 - 5001 LXI", "    FC 1 | 7931 x",
                              "  lxi-a.example - 5000 LXI +", "    FC 2 | 8263 s 2@TCPIP0::192.168.10.1::INSTR",
                              "    FC 4 | 1234 x", "VXI0 +", "  Slot 5 - 2600 MB +",
                              "    FC 1 | 8263 s 1@VXI0::1::INSTR", "    FC 2 | 7931 x",
                              "    FC 3 | 8263 s 3@VXI0::1::INSTR"}));
        QCOMPARE(chosen(select), QStringLiteral("VXI0::1::INSTR 3 1 closed")); // the last card in list order
        QCOMPARE(ovsim::journalOf("viFindRsrc").at(0).args.at(1), std::string("\"?*INSTR\""));
        QVERIFY(ovsim::journalOf("ov8263_paramInit").empty());
        // Per case: the function failing (how often), cards found, the systems listed with their children.
        const std::tuple<const char *, int, int, const char *> failures[] = {
            {"", 0, 0, ""} /* no resources */, {"viOpenDefaultRM", 1, 0, ""}, {"viFindRsrc", 1, 0, ""},
            {"viFindNext", 1, 2, "VXI0:1"}, {"viOpen", 1, 1, "ASRL1:0 GPIB0:0 TCPIP0:2 VXI0:0"},
            {"ov9174_openIdRecord", 100, 0, "ASRL1:0 GPIB0:0 TCPIP0:0 VXI0:0"}};
        for (const auto &[function, times, cards, systems] : failures) {
            QVERIFY(loadScenario(testkit::severalCards));
            QCOMPARE(select.searchCards(), 3);
            QVERIFY(times || loadScenario(QStringLiteral("version: 1\n")));
            ovsim::clearJournal();
            if (times)
                ovsim::failNext(function, VI_ERROR_SYSTEM_ERROR, times);
            QCOMPARE(select.searchCards(), cards);
            QStringList found; // a list filled before is cleared
            for (int i = 0; i < select.treeWidget()->topLevelItemCount(); ++i)
                found << select.treeWidget()->topLevelItem(i)->text(0) + ':' +
                             QString::number(select.treeWidget()->topLevelItem(i)->childCount());
            QCOMPARE(found.join(' '), QString(systems));
            QVERIFY(allClosed());
        }

        // 17 LXI boxes of 16 digitizers each: 272 supported cards.
        QString yaml = QStringLiteral("version: 1\ndevices:\n"), resources = QStringLiteral("resources:\n"), cards;
        for (int k = 1; k <= 16; ++k)
            cards += QStringLiteral("{position: %1, model: 0x8263}, ").arg(k);
        for (int c = 0; c < 17; ++c) {
            yaml += QStringLiteral("  lxi%1: {interface: lxi, carrier_model: 5000, host: host%1, positions: 16, "
                                   "cards: [%2]}\n").arg(c).arg(cards.chopped(2));
            resources += QStringLiteral("  - {name: \"TCPIP0::10.0.0.%1::INSTR\", device: lxi%2}\n").arg(c + 1).arg(c);
        }
        QVERIFY(loadScenario(yaml + resources));
        ModalAnswerer answerer({QStringLiteral("Continue")});
        QCOMPARE(select.searchCards(), 256);
        QCOMPARE(answerer.seen().size(), 1);
        QCOMPARE(answerer.seen().at(0).title + " | " + answerer.seen().at(0).buttons.join(',') + " | " +
                     answerer.seen().at(0).text,
                 QStringLiteral("Keltri 7931 SFP: Select Function Card | Continue | Found more Function Cards than "
                                "supported by this SoftFrontPanel. Only first 256 are available.\nPlease contact "
                                "Orvane's support if you need support for more cards."));
        // Filling stopped at the 257th card, the first card of the last box in numeric order.
        QCOMPARE(rows(select.treeWidget()).filter(QStringLiteral(" s ")).size(), 256);
        QCOMPARE(chosen(select), QStringLiteral("TCPIP0::10.0.0.16::INSTR 16 1 closed"));
    }

    // Each case: the scenario, the answers given in turn, the entries made
    // in the address dialog in turn (descriptor/card index), then what
    // runConnectionDialog() returned, the demo flag and the choice, and the
    // second box's title, text and buttons. The first box is the question;
    // each "Auto Find" searches once; demo mode and giving up at once call no
    // driver. A refused entry (no descriptor, or no
    // card number) warns and opens the dialog again with the refused entry
    // (the fallback descriptor for none); it is remembered all the same.
    void questions()
    {
        const QString asked = "Keltri 7931 Demo Select: | ", warning = "Keltri 7931 SFP Warning message | ";
        const QString noCard = asked + "No 7931 Function Card found on your system. | Cancel,Run In Demo Mode,"
                                       "Try Again";
        ViChar busy[1024] = {0};
        ov9174_statusMessage(VI_ERROR_RSRC_BUSY, busy);
        const QString unavailable = asked + "Selected 7931 function card is unavailable.\nError: " +
                                    QString::fromLatin1(busy) + " | Cancel,Try Again";
        const QString open = "1 0 VXI0::1::INSTR 1 1 open";
        const std::tuple<const char *, QString, QString, QString, QString> cases[] = {
            {"", "Cancel", "", "0 0  0 1 closed", ""},
            {"", "Run In Demo Mode", "", "1 1 VXI0::1::INSTR 1 1 closed", ""},
            {"", "Auto Find", "", open, ""}, // one card: opened at once
            {"none", "Auto Find,Try Again,Auto Find,Run In Demo Mode", "", "1 1 VXI0::1::INSTR 1 1 closed", noCard},
            {"none", "Auto Find,Cancel", "", "0 0  0 1 closed", noCard},
            {"busy", "Auto Find,Try Again,Auto Find", "", open, unavailable},
            {"busy", "Auto Find,Cancel", "", "0 0 VXI0::1::INSTR 1 1 closed", unavailable},
            {"", "Enter Address,OK", "/2 VXI0::1::INSTR/1",
             open + " | VXI0::1::INSTR/0 VXI0::1::INSTR/2 | 1 VXI0::1::INSTR",
             warning + "You have not entered Instrument Descriptor | OK"},
            {"", "Enter Address,OK", "TCPIP0::10.0.0.1::INSTR/0 VXI0::1::INSTR/1",
             open + " | VXI0::1::INSTR/1 TCPIP0::10.0.0.1::INSTR/0 | 1 VXI0::1::INSTR TCPIP0::10.0.0.1::INSTR",
             warning + "You have not selected any function card number | OK"}};
        for (const auto &[scenario, answers, entries, result, second] : cases) {
            QVERIFY(loadScenario(scenario == QLatin1String("none") ? QStringLiteral("version: 1\n") : QString()));
            if (scenario == QLatin1String("busy"))
                ovsim::failNext("ov8263_paramInit", VI_ERROR_RSRC_BUSY);
            ov7931_fc fc;
            ov9174fp_fcSelect select(&fc, 1);
            ModalAnswerer answerer(answers.split(','));
            QStringList typed = entries.split(' '), offered;
            answerer.other = [&](QWidget *w) {
                auto *e = qobject_cast<ov9174fp_fcEnterAddress *>(w);
                if (e) {
                    offered << e->descriptorBox()->currentText() + '/' +
                                   QString::number(e->cardNumberBox()->currentIndex());
                    e->descriptorBox()->setEditText(typed.first().section('/', 0, 0));
                    e->cardNumberBox()->setCurrentIndex(typed.takeFirst().section('/', 1).toInt());
                    e->okPushButton()->click();
                }
                return e != nullptr;
            };
            const int returned = select.runConnectionDialog();
            ov9174fp_descriptorHistory file(iniPath(), QStringLiteral("7931"));
            const QString remembered = QStringLiteral(" | %1 | %2").arg(offered.join(' ')).arg(file.fcNumber()) +
                                       (QStringList(QString()) + file.load()).join(' ');
            QCOMPARE(QStringLiteral("%1 %2 ").arg(returned).arg(select.demoFlag) + chosen(select) +
                         (entries.isEmpty() ? QString() : remembered), result);
            QCOMPARE(answerer.seen().size(), answers.count(',') + 1);
            const SeenBox first = answerer.seen().at(0), next = answerer.seen().value(1);
            QCOMPARE(first.title + " | " + first.text + " | " + first.buttons.join(',') + " | " + first.defaultButton +
                         " | " + QString::number(first.icon),
                     asked + "How to connect to 7931 Signal Conditioning Card? | Auto Find,Cancel,Enter Address,"
                             "Run In Demo Mode | Auto Find | 4"); // a question
            QCOMPARE(second.isEmpty() ? second : next.title + " | " + next.text + " | " + next.buttons.join(','),
                     second);
            QCOMPARE(int(ovsim::journalOf("viOpenDefaultRM").size()), answers.count(QLatin1String("Auto Find")));
            QVERIFY(answers.contains(QLatin1String("Auto Find")) || select.session || ovsim::journal().empty());
            QVERIFY(!select.session || opened() == "ov8263_paramInit(\"VXI0::1::INSTR\", 1, 1, 1, &)");
        }
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
            for (QTreeWidgetItemIterator it(list ? list->treeWidget() : nullptr); list && *it; ++it)
                (*it)->setSelected((*it)->data(0, Qt::StatusTipRole).toInt() ==
                                   ((*it)->data(1, Qt::StatusTipRole).toString().startsWith("TCPIP") ? 2 : 1));
            return list && (list->okPushButton()->click(), true);
        };
        QCOMPARE(select.runConnectionDialog(), 1);
        QCOMPARE(chosen(select) + ' ' + QString::number(select.fcNumbers[1]),
                 QStringLiteral("TCPIP0::192.168.10.1::INSTR,VXI0::1::INSTR 2 2 open 1"));
        QCOMPARE(opened(), "ov8263_paramInit(\"TCPIP0::192.168.10.1::INSTR,VXI0::1::INSTR\", 2, 1, 1, &)");

        // The list stays filled: OK and a double click take only card rows that can be chosen.
        QTreeWidget *tree = select.treeWidget();
        QTreeWidgetItem *carrier = tree->topLevelItem(3)->child(0);
        QTreeWidgetItem *fc1 = carrier->child(0), *fc2 = carrier->child(1), *fc3 = carrier->child(2);
        QSignalSpy accepted(&select, &QDialog::accepted);
        tree->clearSelection();
        select.okPressed(); // nothing selected, then only rows that cannot be chosen: nothing happens
        carrier->setSelected(true);
        fc2->setSelected(true);
        select.okPressed();
        QCOMPARE(accepted.count(), 0);
        tree->clearSelection();
        fc3->setSelected(true);
        select.okPressed();
        QVERIFY(accepted.count() == 1 && chosen(select) == "VXI0::1::INSTR 3 1 open");
        // Double click: disabled and carrier rows are ignored; a card row opens as the current row.
        select.dblClick(fc2);
        select.dblClick(carrier);
        QCOMPARE(accepted.count(), 1);
        tree->setCurrentItem(fc1);
        select.selectedCount = 7;
        emit tree->itemDoubleClicked(fc1, 1);
        QVERIFY(accepted.count() == 2 && chosen(select) == "VXI0::1::INSTR 1 1 open");
    }

    // The file's place and keys; gaps are dropped, a broken or out-of-range
    // card number reads as 0. The entry dialog offers the fallback at first,
    // moves a taken descriptor to the top and keeps five.
    void rememberedDescriptors()
    {
        QCOMPARE(ov9174fp_descriptorHistory::defaultFilePath(), iniPath());
        ov9174fp_fcEnterAddress d;
        const auto offered = [&] {
            d.loadDefaults();
            return d.descriptorBox()->currentText() + ' ' + d.cardNumberBox()->currentText() + ' ' +
                   QString::number(d.descriptorBox()->count());
        };
        QCOMPARE(offered(), QStringLiteral("VXI0::1::INSTR Select 1"));
        QVERIFY(!QFile::exists(iniPath()));
        ov9174fp_descriptorHistory file(iniPath(), QStringLiteral("7931"));
        file.store({"TCPIP0::192.168.2.60::INSTR", "VXI0::1::INSTR"});
        file.storeFcNumber(3);
        QSettings ini(iniPath(), QSettings::IniFormat);
        QCOMPARE(QStringList({ini.value("7931/1.Descriptor").toString(), ini.value("7931/2.Descriptor").toString(),
                              ini.value("7931/FC_Number").toString()}),
                 QStringList({"TCPIP0::192.168.2.60::INSTR", "VXI0::1::INSTR", "3"}));
        ini.setValue("7931/1.Descriptor", QString());
        ini.setValue("7931/3.Descriptor", "GPIB0::7::INSTR");
        for (const QVariant &bad : {QVariant("seven"), QVariant(99)}) {
            ini.setValue("7931/FC_Number", bad);
            ini.sync();
            QCOMPARE(file.load() << QString::number(file.fcNumber()),
                     QStringList({"VXI0::1::INSTR", "GPIB0::7::INSTR", "0"}));
        }
        file.store({"D1", "D2", "D3", "D4", "D5"});
        file.storeFcNumber(2);
        QCOMPARE(offered(), QStringLiteral("D1 FC 2 5"));
        d.descriptorBox()->setCurrentIndex(2);
        QCOMPARE(d.takeDescriptor(), QStringLiteral("D3"));
        d.loadDefaults();
        d.descriptorBox()->setEditText(QStringLiteral("  TCPIP0::192.168.2.60::INSTR "));
        QCOMPARE(d.takeDescriptor(), QStringLiteral("TCPIP0::192.168.2.60::INSTR"));
        d.descriptorBox()->setEditText(QString()); // empty text changes nothing
        QCOMPARE(d.takeDescriptor(), QString());
        QCOMPARE(file.load(), QStringList({"TCPIP0::192.168.2.60::INSTR", "D3", "D1", "D2", "D4"}));
    }

    // After "Keltri 7931 Soft Front Panel": title | location | card | LED.
    // A recording is viewed without the connection question and, as in demo
    // mode, without a card (what demo mode calls: app/test_main).
    void panelTexts()
    {
        const std::tuple<QString, const char *, bool, const char *> cases[] = {
            {"", "Auto Find", false, " | Slot 5 | FC 1 | 1"},
            {testkit::oneLxiCard, "Auto Find", false, ": lxi-7.example | inst3 | FC 3 | 1"},
            {"no host", "Auto Find", false, " |  | FC 3 | 1"},
            {"", "Run In Demo Mode", false, " | Slot 5 | FC 1 | 0"},
            {"", "Auto Find", true, " | Slot 5 | FC 1 | 0"}}; // viewing a recording
        for (const auto &[scenario, answer, recording, texts] : cases) {
            QVERIFY(loadScenario(scenario == QLatin1String("no host") ? testkit::oneLxiCard : scenario));
            if (scenario == QLatin1String("no host"))
                ovsim::failAlways("viGetAttribute", VI_ERROR_NSUP_ATTR);
            ov7931_fc fc;
            ModalAnswerer answerer({answer});
            ov9174fp_AppFC app(&fc, 1, recording, QStringLiteral("6.1.3"), false);
            QCOMPARE(QStringLiteral("%1 | %2 | %3 | %4")
                         .arg(app.windowTitle(), app.locationText()->text(), app.functionCardText()->text())
                         .arg(app.activeLed()->value()),
                     "Keltri 7931 Soft Front Panel" + QString(texts));
            QVERIFY(app.demoMode == QString(texts).endsWith('0') && (app.masterVi != 0) == !app.demoMode);
            QCOMPARE(answerer.seen().size(), recording ? 0 : 1);
        }
    }
    // What stands in the settings file's place: reading never blocks and
    // gives what a regular file holds, else the defaults; writing (the
    // descriptor file's too) changes nothing, leaves no temporary file and
    // names the reason.
    void refusedTargets()
    {
        const QString link = "it is a symbolic link, and the panel does not write through links";
        const std::tuple<QString, QString, QString> kinds[] = { // kind, what a link points to, reason
            {"link", "victim.txt", link}, {"link", "/dev/full", link}, {"link", "new.txt", link},
            {"folder", "", "it is a folder, not a regular file"},
            {"fifo", "", "it is not a regular file (a device, a FIFO or a socket)"},
            {"readonly", "", QString::fromLocal8Bit(strerror(EACCES))}};
        for (const auto &[kind, to, reason] : kinds) {
            QTemporaryDir d;
            const QString target = d.filePath("victim.txt"), file = d.filePath("ov7931_DEMO.ini");
            const QByteArray name = QFile::encodeName(file);
            QVERIFY(rec::writeFile(target, "precious\n"));
            if (kind == "link")
                QVERIFY(QFile::link(QDir(d.path()).absoluteFilePath(to), file));
            else if (kind == "folder")
                QVERIFY(QDir(d.path()).mkdir("ov7931_DEMO.ini"));
            else if (kind == "fifo")
                QCOMPARE(::mkfifo(name.constData(), 0644), 0);
            else
                QVERIFY(rec::writeFile(file, "[General]\nNumberOfScans=100\n") && ::chmod(name.constData(), 0444) == 0);
            const QStringList before = entriesOf(d.path());
            QCOMPARE(readPanelChoices(file).numberOfScans, QString(kind == "readonly" ? "100" : "1000"));
            QCOMPARE(writePanelChoices(file, {"5000", "10 kHz"}),
                     QString("The settings could not be saved to %1: %2.")
                         .arg(QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath()), reason));
            QVERIFY(ov9174fp_descriptorHistory(file, "7931").storeFcNumber(2).endsWith(reason + '.'));
            QCOMPARE(contentOf(target), QByteArray("precious\n"));
            QCOMPARE(entriesOf(d.path()), before); // a dangling link's target is not made either
        }
    }

    // A write that fails on the way (here a file size limit, as on a full
    // disk) leaves the old file whole, no temporary file behind, and names
    // the reason. A garbled file of the panel's own is repaired by the next
    // save; a save keeps what others wrote and the file's mode; a missing
    // folder of the descriptor file is created.
    void saving()
    {
        const QString file = profile->filePath("ov7931_00001234.ini");
        QVERIFY(rec::writeFile(file, QByteArray("[Channel_3]\nEnabled=true\n\x01\x02 binary\n")));
        QCOMPARE(::chmod(QFile::encodeName(file).constData(), 0640), 0);
        QCOMPARE(writePanelChoices(file, {"5000", "10 kHz"}), QString());
        QSettings ini(file, QSettings::IniFormat);
        QVERIFY(ini.value("Channel_3/Enabled").toBool() && ini.value("NumberOfScans").toString() == "5000");
        QCOMPARE(readPanelChoices(file).samplingFrequency, QStringLiteral("10 kHz"));
        QCOMPARE(int(QFileInfo(file).permissions() & 0x7777), 0x6640);
        const QByteArray old = contentOf(file);
        struct rlimit saved;
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit tiny = saved;
        tiny.rlim_cur = 8;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
        const QString reason = ov9174fp_settingsFile::replaceContent(file, QByteArray(100, '#'));
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
        QCOMPARE(reason, QString::fromLocal8Bit(strerror(EFBIG)));
        QCOMPARE(contentOf(file), old);
        QCOMPARE(entriesOf(profile->path()), QStringList{"ov7931_00001234.ini"});
        QCOMPARE(ov9174fp_settingsFile::failureMessage(file, reason),
                 QString("The settings could not be saved to %1: File too large.").arg(QDir::toNativeSeparators(file)));
        const QString nested = profile->filePath("Orvane/DefaultInstrDescr.ini");
        QVERIFY(ov9174fp_descriptorHistory(nested, "7931").store({"VXI0::2::INSTR"}).isEmpty());
        QCOMPARE(ov9174fp_descriptorHistory(nested, "7931").load(), QStringList{"VXI0::2::INSTR"});
    }

    // One box per file until it is saved again. The panel with a link named
    // like its settings file in the working directory: the link's target
    // stays as it was and one box names file and reason.
    void failuresReportedOnce()
    {
        {
            ModalAnswerer answerer({QStringLiteral("OK")});
            const QString a = profile->filePath("a.ini");
            for (const auto &[path, message] : {std::make_pair(a, "first failure of a"), {a, "second failure of a"},
                                                {profile->filePath("b.ini"), "failure of b"}, {a, ""},
                                                {a, "failure of a after a success"}})
                ov9174fp_saveProblems::report(path, message);
            QStringList texts;
            for (const SeenBox &box : answerer.seen())
                texts << QStringLiteral("%1 | %2 | %3").arg(box.title).arg(box.icon).arg(box.text);
            QCOMPARE(texts, QStringList({"Keltri 7931 SFP | 2 | first failure of a",
                                         "Keltri 7931 SFP | 2 | failure of b",
                                         "Keltri 7931 SFP | 2 | failure of a after a success"}));
        }
        const QString target = profile->filePath("passwd"), link = "it is a symbolic link, and the panel does not "
                                                                   "write through links";
        QVERIFY(rec::writeFile(target, "root:x:0:0\n"));
        AppFixture f;
        QVERIFY(QFile::link(target, f.path("ov7931_DEMO.ini")));
        QVERIFY(f.create(AppFixture::Mode::Demo, {QStringLiteral("OK")}));
        f.destroy();
        QCOMPARE(contentOf(target), QByteArray("root:x:0:0\n"));
        QVERIFY(QFileInfo(f.path("ov7931_DEMO.ini")).isSymLink());
        QCOMPARE(f.boxes().size(), 1);
        QCOMPARE(f.boxes().first().title + " | " + f.boxes().first().text,
                 "Keltri 7931 SFP | " + ov9174fp_settingsFile::failureMessage(f.path("ov7931_DEMO.ini"), link));
    }
};

QTEST_MAIN(ConnectionTest)
#include "test_connection.moc"
