// The search for function cards over simulated systems: the selection list's
// rows, order, VISA failures, progress dialog and the limit of 256 cards.
#include "modalanswer.h"
#include "ov7931_fc.h"
#include "ov9174fp_fcSelect.h"
#include "ovsim_control.h"
#include "testkit.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QProgressDialog>
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
        line += item->text(1).isEmpty() ? QString() : QStringLiteral(" | ") + item->text(1);
        line += item->isExpanded() ? " +" : "";
        line += item->flags() & Qt::ItemIsSelectable ? " s" : "";
        line += item->flags() & Qt::ItemIsEnabled ? "" : " x";
        if (item->flags() & Qt::ItemIsSelectable) // the card number and resource it stands for
            line += QStringLiteral(" %1@%2").arg(item->data(0, Qt::StatusTipRole).toInt())
                        .arg(item->data(1, Qt::StatusTipRole).toString());
        lines << line;
    }
    return lines;
}

// Every session, find list and identification record the search opened is closed again.
void verifyAllClosed()
{
    int opened = 0, closed = 0, records = 0, released = 0;
    for (const ovsim::Call &c : ovsim::journal()) {
        const std::string &f = c.function;
        opened += (f == "viOpenDefaultRM" || f == "viFindRsrc" || f == "viOpen") && c.status == 0;
        closed += c.function == "viClose";
        records += c.function == "ov9174_openIdRecord" && c.status == 0;
        released += c.function == "ov9174_closeIdRecord";
    }
    QCOMPARE(closed, opened);
    QCOMPARE(released, records);
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
} // namespace

class DiscoveryTest : public QObject
{
    Q_OBJECT

private slots:
    void severalCardsFillTheList()
    {
        QVERIFY(loadScenario(testkit::severalCards));
        ov7931_fc fc;
        ov9174fp_fcSelect select(&fc, 1);
        // The search shows its progress; cancelling it still lets every resource be identified.
        ProgressCanceller progress;
        qApp->installEventFilter(&progress);
        QCOMPARE(select.searchCards(), 3);
        qApp->removeEventFilter(&progress);
        QCOMPARE(progress.seen, QStringList{"Keltri 7931 | Searching... | modal"});
        QCOMPARE(QThreadPool::globalInstance()->maxThreadCount(), 1);
        QCOMPARE(select.treeWidget()->selectionMode(), QAbstractItemView::ExtendedSelection);
        QCOMPARE(rows(select.treeWidget()),
                 (QStringList{"ASRL1 +", "GPIB0 +", "TCPIP0 +", "  192.168.2.60 - 5001 LXI", "    FC 1 | 7931 x",
                              "  lxi-a.example - 5000 LXI +", "    FC 2 | 8263 s 2@TCPIP0::192.168.10.1::INSTR",
                              "    FC 4 | 1234 x", "VXI0 +", "  Slot 5 - 2600 MB +",
                              "    FC 1 | 8263 s 1@VXI0::1::INSTR", "    FC 2 | 7931 x",
                              "    FC 3 | 8263 s 3@VXI0::1::INSTR"}));
        // The last supported card in list order is the provisional choice.
        QCOMPARE(select.descriptorText + " " + QString::number(select.fcNumbers[0]), "VXI0::1::INSTR 3");
        verifyAllClosed();
        QCOMPARE(ovsim::journalOf("viFindRsrc").at(0).args.at(1), std::string("\"?*INSTR\""));
        QVERIFY(ovsim::journalOf("ov8263_paramInit").empty()); // searching opens no card
    }

    void failuresFindLess_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<QString>("function");
        QTest::addColumn<int>("times");
        QTest::addColumn<int>("cards");
        QTest::addColumn<QString>("systems"); // top-level rows with their number of children
        QTest::newRow("no resources") << "version: 1\n" << "" << 0 << 0 << "";
        QTest::newRow("no resource manager") << "" << "viOpenDefaultRM" << 1 << 0 << "";
        QTest::newRow("no find list") << "" << "viFindRsrc" << 1 << 0 << "";
        QTest::newRow("listing ends") << "" << "viFindNext" << 1 << 2 << "VXI0:1";
        QTest::newRow("first resource refuses") << "" << "viOpen" << 1 << 1 << "ASRL1:0 GPIB0:0 TCPIP0:2 VXI0:0";
        QTest::newRow("no id record") << "" << "ov9174_openIdRecord" << 100 << 0 << "ASRL1:0 GPIB0:0 TCPIP0:0 VXI0:0";
    }

    void failuresFindLess()
    {
        QFETCH(QString, scenario);
        QFETCH(QString, function);
        QFETCH(int, times);
        QVERIFY(loadScenario(testkit::severalCards));
        ov7931_fc fc;
        ov9174fp_fcSelect select(&fc, 1);
        ModalAnswerer answerer({});
        QCOMPARE(select.searchCards(), 3);
        QVERIFY(scenario.isEmpty() || loadScenario(scenario));
        ovsim::clearJournal();
        if (times > 0)
            ovsim::failNext(function.toStdString(), VI_ERROR_SYSTEM_ERROR, times);
        QTEST(select.searchCards(), "cards");
        QStringList found; // a list filled before is cleared
        for (int i = 0; i < select.treeWidget()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *system = select.treeWidget()->topLevelItem(i);
            found << system->text(0) + ':' + QString::number(system->childCount());
        }
        QTEST(found.join(' '), "systems");
        verifyAllClosed();
    }

    // A search over 20000 resources, one of them the carrier of a digitizer,
    // ends in seconds (each resource is found by name in constant time).
    void twentyThousandResources()
    {
        QString yaml = QStringLiteral("version: 1\ndevices:\n  box: {interface: vxi, slot: 5, cards: "
                                      "[{position: 1, model: 0x8263}]}\nresources:\n");
        for (int k = 0; k < 19999; ++k)
            yaml += QStringLiteral("  - {name: 'TCPIP0::10.0.%1.%2::INSTR'}\n").arg(k / 250).arg(k % 250);
        yaml += QStringLiteral("  - {name: 'VXI0::1::INSTR', device: box}\n");
        QVERIFY(loadScenario(yaml));
        ov7931_fc fc;
        ov9174fp_fcSelect select(&fc, 1);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(select.searchCards(), 1);
        qInfo("search over 20000 resources: %lld ms", static_cast<long long>(timer.elapsed()));
        QCOMPARE(int(ovsim::journalOf("viOpen").size()), 20000); // every resource is opened
        QCOMPARE(select.descriptorText, QStringLiteral("VXI0::1::INSTR"));
        verifyAllClosed();
    }

    void moreThan256CardsAsksAndStops()
    {
        // 17 LXI boxes of 16 digitizers each: 272 supported cards.
        QStringList cards;
        for (int k = 1; k <= 16; ++k)
            cards << QStringLiteral("{position: %1, model: 0x8263}").arg(k);
        QString yaml = QStringLiteral("version: 1\ndevices:\n"), resources = QStringLiteral("resources:\n");
        for (int c = 0; c < 17; ++c) {
            yaml += QStringLiteral("  lxi%1: {interface: lxi, carrier_model: 5000, host: host%1, ").arg(c);
            yaml += QStringLiteral("positions: 16, cards: [%1]}\n").arg(cards.join(", "));
            resources += QStringLiteral("  - {name: \"TCPIP0::10.0.0.%1::INSTR\", device: lxi%2}\n").arg(c + 1).arg(c);
        }
        QVERIFY(loadScenario(yaml + resources));
        ov7931_fc fc;
        ov9174fp_fcSelect select(&fc, 1);
        ModalAnswerer answerer({QStringLiteral("Continue")});
        QCOMPARE(select.searchCards(), 256);
        QCOMPARE(answerer.seen().size(), 1);
        QCOMPARE(answerer.seen().at(0).title, QStringLiteral("Keltri 7931 SFP: Select Function Card"));
        QCOMPARE(answerer.seen().at(0).text,
                 QStringLiteral("Found more Function Cards than supported by this SoftFrontPanel. Only first 256 are "
                                "available.\nPlease contact Orvane's support if you need support for more cards."));
        QCOMPARE(answerer.seen().at(0).buttons, QStringList{"Continue"});
        // Numeric order of the addresses: 10.0.0.2 follows 10.0.0.1, not 10.0.0.10; filling stopped at the 257th card.
        const QStringList list = rows(select.treeWidget());
        QCOMPARE(list.filter(QStringLiteral(" s ")).size(), 256);
        const QStringList carriers = list.filter(QStringLiteral(" - 5000 LXI"));
        QCOMPARE(carriers.mid(0, 2), (QStringList{"  host0 - 5000 LXI +", "  host1 - 5000 LXI +"}));
        QCOMPARE(list.last(), QStringLiteral("  host16 - 5000 LXI"));
        QCOMPARE(select.descriptorText + " " + QString::number(select.fcNumbers[0]), "TCPIP0::10.0.0.16::INSTR 16");
    }
};

QTEST_MAIN(DiscoveryTest)
#include "test_discovery.moc"
