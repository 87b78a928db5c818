// The search for function cards over simulated systems: identification of
// each resource, the order, the rows of the selection list and the limit of
// 256 cards.
#include "conn_fakedescriptor.h"
#include "conn_showrecorder.h"
#include "modalanswer.h"
#include "ov9174fp_fcSelect.h"
#include "ov9174fp_resourceInfo.h"
#include "ovsim_control.h"

#include <QThreadPool>
#include <QTreeWidget>
#include <QtTest>

namespace {

// A VXI mainframe, two LXI boxes and an instrument that is no carrier.
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
      - {position: 2, model: 0x7931}
      - {position: 3, model: 0x8263}
  boxA:
    interface: lxi
    carrier_model: 5000
    host: lxi-a.example
    device_name: inst0
    positions: 4
    cards:
      - {position: 2, model: 0x8263}
      - {position: 4, model: 0x1234}
  boxB:
    interface: lxi
    carrier_model: 5001
    host: 192.168.2.60
    positions: 2
    cards:
      - {position: 1, model: 0x7931}
resources:
  - {name: "VXI0::1::INSTR", device: mf}
  - {name: "TCPIP0::192.168.10.1::INSTR", device: boxA}
  - {name: "TCPIP0::192.168.2.60::INSTR", device: boxB}
  - {name: "GPIB0::7::INSTR"}
)yaml";

// One digitizer among other resources.
const char *const oneAmongMany = R"yaml(
version: 1
devices:
  mf:
    interface: vxi
    board: 1
    carrier_model: 2600
    slot: 7
    logical_address: 8
    positions: 4
    cards:
      - {position: 2, model: 0x8263}
      - {position: 3, model: 0x7931}
  other:
    interface: vxi
    board: 0
    carrier_model: 2601
    slot: 2
    positions: 2
    cards:
      - {position: 1, model: 0x7931}
resources:
  - {name: "VXI1::8::INSTR", device: mf}
  - {name: "VXI0::3::INSTR", device: other}
  - {name: "ASRL1::INSTR"}
  - {name: "GPIB0::9::INSTR", refuse: busy}
)yaml";

void loadScenario(const char *yaml)
{
    std::string error;
    const bool ok = ovsim::loadScenarioText(yaml, &error);
    if (!ok)
        qWarning("scenario: %s", error.c_str());
    QVERIFY(ok);
}

QStringList texts(const QTreeWidgetItem *item)
{
    return {item->text(0), item->text(1)};
}

bool selectable(const QTreeWidgetItem *item) { return item->flags() & Qt::ItemIsSelectable; }
bool enabled(const QTreeWidgetItem *item) { return item->flags() & Qt::ItemIsEnabled; }

int countSelectable(QTreeWidget *tree)
{
    int n = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if (selectable(*it))
            ++n;
    return n;
}

} // namespace

class DiscoveryTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void severalCardsFillTheList();
    void oneSupportedCardAmongMany();
    void identificationOfOneResource();
    void resourcesThatCannotBeIdentifiedShowNoRows();
    void visaFailuresFindNothing();
    void noResourcesFindNothing();
    void progressIsShownAndCancellingStillFinishes();
    void moreThan256CardsAsksAndStops();
};

void DiscoveryTest::init()
{
    ovsim::reset();
    ovsim::clearFaults();
    ovsim::clearJournal();
}

void DiscoveryTest::severalCardsFillTheList()
{
    loadScenario(severalCards);
    ConnFakeDescriptor fc;
    ov9174fp_fcSelect select(&fc, 1);
    ModalAnswerer answerer({});
    QCOMPARE(select.searchCards(), 3);
    QCOMPARE(QThreadPool::globalInstance()->maxThreadCount(), 1);

    QTreeWidget *tree = select.treeWidget();
    QCOMPARE(tree->columnCount(), 2);
    QCOMPARE(tree->headerItem()->text(0), QStringLiteral("System"));
    QCOMPARE(tree->headerItem()->text(1), QStringLiteral("FC Model"));
    QCOMPARE(tree->selectionMode(), QAbstractItemView::ExtendedSelection);

    // Systems in descriptor order; the GPIB instrument is a name only.
    QCOMPARE(tree->topLevelItemCount(), 3);
    QTreeWidgetItem *gpib = tree->topLevelItem(0);
    QTreeWidgetItem *tcpip = tree->topLevelItem(1);
    QTreeWidgetItem *vxi = tree->topLevelItem(2);
    QCOMPARE(gpib->text(0), QStringLiteral("GPIB0"));
    QCOMPARE(gpib->childCount(), 0);
    QCOMPARE(tcpip->text(0), QStringLiteral("TCPIP0"));
    QCOMPARE(vxi->text(0), QStringLiteral("VXI0"));
    for (QTreeWidgetItem *system : {gpib, tcpip, vxi}) {
        QVERIFY(system->isExpanded());
        QVERIFY(enabled(system));
        QVERIFY(!selectable(system));
    }

    // 192.168.2.60 sorts before 192.168.10.1.
    QCOMPARE(tcpip->childCount(), 2);
    QTreeWidgetItem *boxB = tcpip->child(0);
    QTreeWidgetItem *boxA = tcpip->child(1);
    QCOMPARE(boxB->text(0), QStringLiteral("192.168.2.60 - 5001 LXI"));
    QCOMPARE(boxA->text(0), QStringLiteral("lxi-a.example - 5000 LXI"));
    QVERIFY(!boxB->isExpanded()); // no supported card
    QVERIFY(boxA->isExpanded());
    for (QTreeWidgetItem *carrier : {boxA, boxB}) {
        QVERIFY(enabled(carrier));
        QVERIFY(!selectable(carrier));
    }
    QCOMPARE(boxB->childCount(), 1);
    QCOMPARE(texts(boxB->child(0)), QStringList({"FC 1", "7931"}));
    QVERIFY(!enabled(boxB->child(0)));
    QVERIFY(!selectable(boxB->child(0)));
    QCOMPARE(boxA->childCount(), 2);
    QCOMPARE(texts(boxA->child(0)), QStringList({"FC 2", "8263"}));
    QVERIFY(enabled(boxA->child(0)));
    QVERIFY(selectable(boxA->child(0)));
    QCOMPARE(boxA->child(0)->data(0, Qt::StatusTipRole).toInt(), 2);
    QCOMPARE(boxA->child(0)->data(1, Qt::StatusTipRole).toString(), QStringLiteral("TCPIP0::192.168.10.1::INSTR"));
    QCOMPARE(texts(boxA->child(1)), QStringList({"FC 4", "1234"}));
    QVERIFY(!enabled(boxA->child(1)));
    QCOMPARE(boxA->child(1)->data(0, Qt::StatusTipRole).toInt(), 0);

    QCOMPARE(vxi->childCount(), 1);
    QTreeWidgetItem *mf = vxi->child(0);
    QCOMPARE(mf->text(0), QStringLiteral("Slot 5 - 2600 MB"));
    QVERIFY(mf->isExpanded());
    QCOMPARE(mf->childCount(), 3);
    QCOMPARE(texts(mf->child(0)), QStringList({"FC 1", "8263"}));
    QCOMPARE(texts(mf->child(1)), QStringList({"FC 2", "7931"}));
    QCOMPARE(texts(mf->child(2)), QStringList({"FC 3", "8263"}));
    QVERIFY(selectable(mf->child(0)));
    QVERIFY(!selectable(mf->child(1)) && !enabled(mf->child(1)));
    QVERIFY(selectable(mf->child(2)));
    QCOMPARE(mf->child(2)->data(0, Qt::StatusTipRole).toInt(), 3);
    QCOMPARE(countSelectable(tree), 3);

    // The last supported card in list order is the provisional choice.
    QCOMPARE(select.descriptorText, QStringLiteral("VXI0::1::INSTR"));
    QCOMPARE(int(select.fcNumbers[0]), 3);

    // Every session the search opened is closed again, and every record released.
    QCOMPARE(ovsim::journalOf("ov9174_openIdRecord").size(), size_t(4)); // the GPIB instrument is no carrier
    QCOMPARE(ovsim::journalOf("ov9174_closeIdRecord").size(), size_t(3));
    QCOMPARE(ovsim::journalOf("viOpen").size(), size_t(4));
    QCOMPARE(ovsim::journalOf("viClose").size(), size_t(6)); // 4 resources, the find list and the manager
    for (const ovsim::Call &c : ovsim::journalOf("ov9174_readCardTable")) {
        QCOMPARE(c.args.size(), size_t(3));
        QCOMPARE(c.args[1], std::string("0"));
        QCOMPARE(c.args[2], std::string("1"));
    }
    const std::vector<ovsim::Call> find = ovsim::journalOf("viFindRsrc");
    QCOMPARE(find.size(), size_t(1));
    QCOMPARE(find[0].args[1], std::string("\"?*INSTR\""));
    QCOMPARE(ovsim::journalOf("viFindNext").size(), size_t(3));
    QVERIFY(ovsim::journalOf("ov8263_paramInit").empty()); // searching opens no card
}

void DiscoveryTest::oneSupportedCardAmongMany()
{
    loadScenario(oneAmongMany);
    ConnFakeDescriptor fc;
    ov9174fp_fcSelect select(&fc, 0);
    ModalAnswerer answerer({});
    QCOMPARE(select.searchCards(), 1);
    QCOMPARE(select.descriptorText, QStringLiteral("VXI1::8::INSTR"));
    QCOMPARE(int(select.fcNumbers[0]), 2);
    QTreeWidget *tree = select.treeWidget();
    QCOMPARE(tree->selectionMode(), QAbstractItemView::SingleSelection);
    // ASRL1, GPIB0 (refused), VXI0, VXI1: board order within VXI.
    QStringList systems;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        systems << tree->topLevelItem(i)->text(0);
    QCOMPARE(systems, QStringList({"ASRL1", "GPIB0", "VXI0", "VXI1"}));
    QCOMPARE(tree->topLevelItem(2)->child(0)->text(0), QStringLiteral("Slot 2 - 2601 MB"));
    QVERIFY(!tree->topLevelItem(2)->child(0)->isExpanded());
    QCOMPARE(tree->topLevelItem(3)->child(0)->text(0), QStringLiteral("Slot 7 - 2600 MB"));
    QVERIFY(tree->topLevelItem(3)->child(0)->isExpanded());
    QCOMPARE(countSelectable(tree), 1);
}

void DiscoveryTest::identificationOfOneResource()
{
    loadScenario(severalCards);
    ConnFakeDescriptor fc;
    ViSession rm = 0;
    QCOMPARE(viOpenDefaultRM(&rm), VI_SUCCESS);

    getResourceInfo_params_t p;
    p.fc = &fc;
    p.defaultRM = rm;
    p.record.resourceName = QStringLiteral("TCPIP0::192.168.10.1::INSTR");
    getResourceInfo(p);
    QCOMPARE(p.record.carrierTexts, QStringList({"lxi-a.example - 5000 LXI"}));
    QCOMPARE(int(p.record.carrierModel), 5000);
    QCOMPARE(p.record.cards.size(), 2);
    QCOMPARE(p.record.cards.at(1).first, QStringLiteral("FC 4"));
    QCOMPARE(p.record.cards.at(1).second, QStringLiteral("1234"));
    QCOMPARE(p.record.supported, QList<int>({2, 0}));

    getResourceInfo_params_t v;
    v.fc = &fc;
    v.defaultRM = rm;
    v.record.resourceName = QStringLiteral("VXI0::1::INSTR");
    getResourceInfo(v);
    QCOMPARE(v.record.carrierTexts, QStringList({"Slot 5 - 2600 MB"}));
    QCOMPARE(v.record.supported, QList<int>({1, 0, 3}));
    // The LXI attributes and the VXI logical address are read too.
    QCOMPARE(ovsim::journalOf("ov9174_openIdRecord").size(), size_t(2));
    bool sawHost = false, sawDevice = false, sawLa = false;
    for (const ovsim::Call &c : ovsim::journalOf("viGetAttribute")) {
        const long long attr = std::stoll(c.args.at(1));
        sawHost |= attr == (long long)VI_ATTR_TCPIP_HOSTNAME;
        sawDevice |= attr == (long long)VI_ATTR_TCPIP_DEVICE_NAME;
        sawLa |= attr == (long long)VI_ATTR_VXI_LA;
    }
    QVERIFY(sawHost && sawDevice && sawLa);
    viClose(rm);

    // Texts of the list, padded model codes.
    QCOMPARE(ov9174fp_cardModelText(0x12), QStringLiteral("  12"));
    QCOMPARE(ov9174fp_displayedModelCode(0x8263), ViUInt16(0x8263));
    QCOMPARE(ov9174fp_vxiCarrierText(12, 65535), QStringLiteral("Slot 12 - 65535 MB"));
}

void DiscoveryTest::resourcesThatCannotBeIdentifiedShowNoRows()
{
    loadScenario(severalCards);
    ConnFakeDescriptor fc;
    ov9174fp_fcSelect select(&fc, 1);
    ModalAnswerer answerer({});
    // No record can be read: every resource stays a name only.
    ovsim::failAlways("ov9174_openIdRecord", VI_ERROR_SYSTEM_ERROR);
    QCOMPARE(select.searchCards(), 0);
    QTreeWidget *tree = select.treeWidget();
    QCOMPARE(tree->topLevelItemCount(), 3);
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        QCOMPARE(tree->topLevelItem(i)->childCount(), 0);
    // Every opened session was closed although nothing was identified.
    QCOMPARE(ovsim::journalOf("viOpen").size(), size_t(4));
    QCOMPARE(ovsim::journalOf("viClose").size(), size_t(6));
    QVERIFY(ovsim::journalOf("ov9174_closeIdRecord").empty());
    ovsim::clearFaults();

    // A resource whose viOpen fails keeps its name only; the others are
    // listed. Identification runs one resource after another in the order
    // found, so the first one (the VXI mainframe) is the one that fails.
    ovsim::clearJournal();
    ovsim::failNext("viOpen", VI_ERROR_RSRC_BUSY);
    QCOMPARE(select.searchCards(), 1);
    QCOMPARE(tree->topLevelItem(2)->text(0), QStringLiteral("VXI0"));
    QCOMPARE(tree->topLevelItem(2)->childCount(), 0);
    QCOMPARE(tree->topLevelItem(1)->childCount(), 2);
    QCOMPARE(select.descriptorText, QStringLiteral("TCPIP0::192.168.10.1::INSTR"));
    QCOMPARE(ovsim::journalOf("viClose").size(), size_t(5)); // 3 sessions, the find list and the manager
}

void DiscoveryTest::visaFailuresFindNothing()
{
    loadScenario(severalCards);
    ConnFakeDescriptor fc;
    ov9174fp_fcSelect select(&fc, 1);
    ModalAnswerer answerer({});

    ovsim::failNext("viOpenDefaultRM", VI_ERROR_SYSTEM_ERROR);
    QCOMPARE(select.searchCards(), 0);
    QCOMPARE(select.treeWidget()->topLevelItemCount(), 0);

    ovsim::clearJournal();
    ovsim::failNext("viFindRsrc", VI_ERROR_SYSTEM_ERROR);
    QCOMPARE(select.searchCards(), 0);
    QCOMPARE(ovsim::journalOf("viClose").size(), size_t(1)); // the manager
    QVERIFY(ovsim::journalOf("viOpen").empty());

    // A failing viFindNext ends the listing: only the first resource is identified.
    ovsim::clearJournal();
    ovsim::failNext("viFindNext", VI_ERROR_SYSTEM_ERROR);
    select.searchCards();
    QCOMPARE(ovsim::journalOf("viFindNext").size(), size_t(1));
    QCOMPARE(ovsim::journalOf("viOpen").size(), size_t(1));
    QCOMPARE(select.treeWidget()->topLevelItemCount(), 1);

    // A list filled earlier is cleared by the next search.
    QVERIFY(select.treeWidget()->topLevelItemCount() > 0);
    ovsim::failNext("viOpenDefaultRM", VI_ERROR_SYSTEM_ERROR);
    select.searchCards();
    QCOMPARE(select.treeWidget()->topLevelItemCount(), 0);
}

void DiscoveryTest::noResourcesFindNothing()
{
    loadScenario("version: 1\n");
    ConnFakeDescriptor fc;
    ov9174fp_fcSelect select(&fc, 1);
    ModalAnswerer answerer({});
    QCOMPARE(select.searchCards(), 0);
    QCOMPARE(select.treeWidget()->topLevelItemCount(), 0);
    QVERIFY(ovsim::journalOf("viOpen").empty());
    // The manager is closed (and the find list when one was returned).
    QVERIFY(!ovsim::journalOf("viClose").empty());
}

void DiscoveryTest::progressIsShownAndCancellingStillFinishes()
{
    loadScenario(severalCards);
    ConnFakeDescriptor fc;
    ov9174fp_fcSelect select(&fc, 1);
    ConnShowRecorder recorder;
    recorder.cancelProgress = true;
    QCOMPARE(select.searchCards(), 3);
    const QList<ShownWindow> progress = recorder.ofClass(QStringLiteral("QProgressDialog"));
    QCOMPARE(progress.size(), 1);
    QCOMPARE(progress.at(0).title, QStringLiteral("Keltri 7931"));
    QCOMPARE(progress.at(0).text, QStringLiteral("Searching..."));
    QCOMPARE(progress.at(0).parent, static_cast<QWidget *>(&select));
    QVERIFY(progress.at(0).modal);
    QCOMPARE(ovsim::journalOf("ov9174_closeIdRecord").size(), size_t(3));
}

void DiscoveryTest::moreThan256CardsAsksAndStops()
{
    // 17 carriers of 16 digitizers each: 272 supported cards.
    QString yaml = QStringLiteral("version: 1\ndevices:\n");
    for (int c = 0; c < 17; ++c) {
        yaml += QStringLiteral("  lxi%1:\n    interface: lxi\n    carrier_model: 5000\n    host: host%1\n"
                               "    positions: 16\n    cards:\n")
                    .arg(c);
        for (int k = 1; k <= 16; ++k)
            yaml += QStringLiteral("      - {position: %1, model: 0x8263}\n").arg(k);
    }
    yaml += QStringLiteral("resources:\n");
    for (int c = 0; c < 17; ++c)
        yaml += QStringLiteral("  - {name: \"TCPIP0::10.0.0.%1::INSTR\", device: lxi%2}\n").arg(c + 1).arg(c);
    const QByteArray text = yaml.toUtf8();
    loadScenario(text.constData());

    ConnFakeDescriptor fc;
    ov9174fp_fcSelect select(&fc, 1);
    ConnShowRecorder recorder;
    ModalAnswerer answerer({QStringLiteral("Continue")});
    QCOMPARE(select.searchCards(), 256);
    QCOMPARE(countSelectable(select.treeWidget()), 256);

    const QList<ShownWindow> boxes = recorder.ofClass(QStringLiteral("QMessageBox"));
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.at(0).title, QStringLiteral("Keltri 7931 SFP: Select Function Card"));
    QCOMPARE(boxes.at(0).text,
             QStringLiteral("Found more Function Cards than supported by this SoftFrontPanel. Only first 256 are "
                            "available.\nPlease contact Orvane's support if you need support for more cards."));
    QCOMPARE(boxes.at(0).buttons, QStringList({"Continue"}));
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen().at(0).clicked, QStringLiteral("Continue"));

    // Numeric order of the addresses: 10.0.0.2 follows 10.0.0.1, not 10.0.0.10.
    QTreeWidgetItem *system = select.treeWidget()->topLevelItem(0);
    QCOMPARE(system->childCount(), 17);
    QCOMPARE(system->child(1)->text(0), QStringLiteral("host1 - 5000 LXI"));
    QCOMPARE(system->child(16)->childCount(), 0); // filling stopped at the 257th card
    QCOMPARE(select.descriptorText, QStringLiteral("TCPIP0::10.0.0.16::INSTR"));
    QCOMPARE(int(select.fcNumbers[0]), 16);
}

QTEST_MAIN(DiscoveryTest)
#include "test_discovery.moc"
