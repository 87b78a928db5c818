// The default descriptor file and the descriptor entry dialog: remembered
// descriptors, the card number, and the entry loop of the connection step.
#include "conn_fakedescriptor.h"
#include "modalanswer.h"
#include "ov9174fp_descriptorHistory.h"
#include "ov9174fp_fcEnterAddress.h"
#include "ov9174fp_fcSelect.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class DescriptorHistoryTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void pathFollowsAllUsersProfile();
    void rememberMovesToTopAndKeepsFive();
    void fileRoundTripAndDefaults();
    void firstUseOffersDefaults();
    void takeDescriptorUpdatesTheFile();
    void dialogLayoutTexts();
    void emptyDescriptorWarnsAndReopensWithStoredCard();
    void missingCardNumberWarnsUntilChosen();
    void cancelledEntryGivesUp();

private:
    QString iniPath() const { return dir->path() + QStringLiteral("/Orvane/DefaultInstrDescr.ini"); }
    QTemporaryDir *dir = nullptr;
};

void DescriptorHistoryTest::init()
{
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    qputenv("ALLUSERSPROFILE", dir->path().toLocal8Bit());
}

void DescriptorHistoryTest::cleanup()
{
    delete dir;
    dir = nullptr;
}

void DescriptorHistoryTest::pathFollowsAllUsersProfile()
{
    QCOMPARE(ov9174fp_descriptorHistory::defaultFilePath(), iniPath());
    qputenv("ALLUSERSPROFILE", QByteArray());
    const QString fallback = ov9174fp_descriptorHistory::defaultFilePath();
#ifdef Q_OS_WIN
    QCOMPARE(fallback, QStringLiteral("c:/vxipnp/Orvane/DefaultInstrDescr.ini"));
#else
    QCOMPARE(fallback, QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                           QStringLiteral("/Orvane/DefaultInstrDescr.ini"));
#endif
    qunsetenv("ALLUSERSPROFILE");
    QCOMPARE(ov9174fp_descriptorHistory::defaultFilePath(), fallback);
    // Backslashes and a trailing separator of the variable are tolerated.
    qputenv("ALLUSERSPROFILE", QByteArray("C:\\ProgramData\\"));
    QCOMPARE(ov9174fp_descriptorHistory::defaultFilePath(), QStringLiteral("C:/ProgramData/Orvane/DefaultInstrDescr.ini"));
    qputenv("ALLUSERSPROFILE", dir->path().toLocal8Bit());
}

void DescriptorHistoryTest::rememberMovesToTopAndKeepsFive()
{
    const QStringList five = {"A", "B", "C", "D", "E"};
    QCOMPARE(ov9174fp_descriptorHistory::remember(five, "C"), QStringList({"C", "A", "B", "D", "E"}));
    QCOMPARE(ov9174fp_descriptorHistory::remember(five, "F"), QStringList({"F", "A", "B", "C", "D"}));
    QCOMPARE(ov9174fp_descriptorHistory::remember({}, "A"), QStringList({"A"}));
    QCOMPARE(ov9174fp_descriptorHistory::remember({"A", "B", "A"}, "A"), QStringList({"A", "B"}));
}

void DescriptorHistoryTest::fileRoundTripAndDefaults()
{
    ov9174fp_descriptorHistory file(iniPath(), QStringLiteral("7931"));
    QVERIFY(file.load().isEmpty());
    QCOMPARE(file.firstEntryOrFallback(), QStringLiteral("VXI0::1::INSTR"));
    QCOMPARE(file.fcNumber(), 0);

    file.store({"TCPIP0::192.168.2.60::INSTR", "VXI0::1::INSTR"});
    file.storeFcNumber(3);
    QCOMPARE(file.load(), QStringList({"TCPIP0::192.168.2.60::INSTR", "VXI0::1::INSTR"}));
    QCOMPARE(file.fcNumber(), 3);

    QSettings ini(iniPath(), QSettings::IniFormat);
    QCOMPARE(ini.value("7931/1.Descriptor").toString(), QStringLiteral("TCPIP0::192.168.2.60::INSTR"));
    QCOMPARE(ini.value("7931/2.Descriptor").toString(), QStringLiteral("VXI0::1::INSTR"));
    QVERIFY(ini.contains("7931/5.Descriptor"));
    QCOMPARE(ini.value("7931/5.Descriptor").toString(), QString());
    QCOMPARE(ini.value("7931/FC_Number").toInt(), 3);
    // Another model's group is separate.
    QVERIFY(ov9174fp_descriptorHistory(iniPath(), QStringLiteral("8263")).load().isEmpty());

    // Gaps are dropped; a broken or out-of-range card number reads as 0.
    ini.setValue("7931/1.Descriptor", QString());
    ini.setValue("7931/3.Descriptor", "GPIB0::7::INSTR");
    ini.setValue("7931/FC_Number", "seven");
    ini.sync();
    QCOMPARE(file.load(), QStringList({"VXI0::1::INSTR", "GPIB0::7::INSTR"}));
    QCOMPARE(file.firstEntryOrFallback(), QStringLiteral("VXI0::1::INSTR"));
    QCOMPARE(file.fcNumber(), 0);
    ini.setValue("7931/FC_Number", 99);
    ini.sync();
    QCOMPARE(file.fcNumber(), 0);
}

void DescriptorHistoryTest::firstUseOffersDefaults()
{
    ov9174fp_fcEnterAddress dlg;
    dlg.loadDefaults();
    QCOMPARE(dlg.descriptorBox()->currentText(), QStringLiteral("VXI0::1::INSTR"));
    QCOMPARE(dlg.descriptorBox()->count(), 1);
    QCOMPARE(dlg.cardNumberBox()->currentText(), QStringLiteral("Select"));
    QCOMPARE(dlg.cardNumberBox()->currentIndex(), 0);
    QVERIFY(dlg.history().isEmpty());
    QCOMPARE(dlg.filePath(), iniPath());
    QCOMPARE(dlg.modelText(), QStringLiteral("7931"));
    QVERIFY(!QFile::exists(iniPath())); // loading writes nothing
}

void DescriptorHistoryTest::takeDescriptorUpdatesTheFile()
{
    ov9174fp_descriptorHistory file(iniPath(), QStringLiteral("7931"));
    file.store({"D1", "D2", "D3", "D4", "D5"});
    file.storeFcNumber(2);

    ov9174fp_fcEnterAddress dlg;
    dlg.loadDefaults();
    QCOMPARE(dlg.descriptorBox()->count(), 5);
    QCOMPARE(dlg.descriptorBox()->currentText(), QStringLiteral("D1"));
    QCOMPARE(dlg.cardNumberBox()->currentText(), QStringLiteral("FC 2"));

    // Entry 3 moves to the top; the others keep their order.
    dlg.descriptorBox()->setCurrentIndex(2);
    QCOMPARE(dlg.takeDescriptor(), QStringLiteral("D3"));
    QCOMPARE(file.load(), QStringList({"D3", "D1", "D2", "D4", "D5"}));

    // A sixth distinct descriptor pushes the oldest out.
    dlg.loadDefaults();
    dlg.descriptorBox()->setEditText(QStringLiteral("  TCPIP0::192.168.2.60::INSTR "));
    QCOMPARE(dlg.takeDescriptor(), QStringLiteral("TCPIP0::192.168.2.60::INSTR"));
    QCOMPARE(file.load(), QStringList({"TCPIP0::192.168.2.60::INSTR", "D3", "D1", "D2", "D4"}));

    // Empty text changes nothing.
    dlg.loadDefaults();
    dlg.descriptorBox()->setEditText(QString());
    QCOMPARE(dlg.takeDescriptor(), QString());
    QCOMPARE(file.load(), QStringList({"TCPIP0::192.168.2.60::INSTR", "D3", "D1", "D2", "D4"}));

    dlg.cardNumberBox()->setCurrentIndex(8);
    dlg.storeCardNumber();
    QCOMPARE(file.fcNumber(), 8);
}

void DescriptorHistoryTest::dialogLayoutTexts()
{
    ov9174fp_fcEnterAddress dlg;
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Keltri 7931 SFP: Enter Function Card Address"));
    QVERIFY(!dlg.windowIcon().isNull());
    QVERIFY(dlg.descriptorBox()->isEditable());
    QVERIFY(dlg.descriptorBox()->minimumWidth() >= 20 * dlg.fontMetrics().height());
    QVERIFY(dlg.descriptorBox()->toolTip().startsWith(
        QStringLiteral("Enter the Instrument descriptor for the Function Card you want to connect to.<br>")));
    QCOMPARE(dlg.cardNumberBox()->toolTip(), QStringLiteral("Select the Function Card Number"));
    QCOMPARE(dlg.cardNumberBox()->count(), 9);
    QCOMPARE(dlg.cardNumberBox()->itemText(0), QStringLiteral("Select"));
    QCOMPARE(dlg.cardNumberBox()->itemText(8), QStringLiteral("FC 8"));
    QVERIFY(!dlg.okPushButton()->autoDefault());
    QVERIFY(!dlg.cancelPushButton()->autoDefault());
    QCOMPARE(dlg.okPushButton()->text(), QStringLiteral("OK"));
    QCOMPARE(dlg.cancelPushButton()->text(), QStringLiteral("Cancel"));
}

// Accepting with an empty descriptor and "FC 2": one warning, FC_Number 2
// stored, and the dialog comes back with that item selected.
void DescriptorHistoryTest::emptyDescriptorWarnsAndReopensWithStoredCard()
{
    ConnFakeDescriptor fc;
    fc.useDriver = false;
    ov9174fp_fcSelect select(&fc, 1);

    ModalAnswerer answerer({QStringLiteral("Enter Address"), QStringLiteral("OK")});
    int visits = 0;
    int cardOnReopen = -1;
    QString descriptorOnReopen;
    answerer.other = [&](QWidget *w) {
        auto *entry = qobject_cast<ov9174fp_fcEnterAddress *>(w);
        if (!entry)
            return false;
        ++visits;
        if (visits == 1) {
            entry->descriptorBox()->setEditText(QString());
            entry->cardNumberBox()->setCurrentIndex(2);
        } else {
            cardOnReopen = entry->cardNumberBox()->currentIndex();
            descriptorOnReopen = entry->descriptorBox()->currentText();
            entry->descriptorBox()->setEditText(QStringLiteral("VXI0::7::INSTR"));
        }
        entry->okPushButton()->click();
        return true;
    };

    QCOMPARE(select.runConnectionDialog(), 1);
    QCOMPARE(visits, 2);
    QCOMPARE(cardOnReopen, 2);
    QCOMPARE(descriptorOnReopen, QStringLiteral("VXI0::1::INSTR"));

    const QList<SeenBox> &seen = answerer.seen();
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen.at(0).title, QStringLiteral("Keltri 7931 Demo Select:"));
    QCOMPARE(seen.at(0).text, QStringLiteral("How to connect to 7931 Signal Conditioning Card?"));
    QCOMPARE(seen.at(1).text, QStringLiteral("You have not entered Instrument Descriptor"));
    QCOMPARE(seen.at(1).icon, QMessageBox::Warning);

    QCOMPARE(fc.openedDescriptors, QStringList({"VXI0::7::INSTR"}));
    QCOMPARE(fc.openedCardNumbers, QList<int>({2}));
    QCOMPARE(select.descriptorText, QStringLiteral("VXI0::7::INSTR"));
    QCOMPARE(int(select.fcNumbers[0]), 2);
    QCOMPARE(select.selectedCount, 1);
    QCOMPARE(select.session, ViSession(4242));
    QCOMPARE(select.demoFlag, 0);

    ov9174fp_descriptorHistory file(iniPath(), QStringLiteral("7931"));
    QCOMPARE(file.load(), QStringList({"VXI0::7::INSTR"}));
    QCOMPARE(file.fcNumber(), 2);
}

void DescriptorHistoryTest::missingCardNumberWarnsUntilChosen()
{
    ov9174fp_descriptorHistory file(iniPath(), QStringLiteral("7931"));
    file.storeFcNumber(4);
    ConnFakeDescriptor fc;
    fc.useDriver = false;
    ov9174fp_fcSelect select(&fc, 1);

    ModalAnswerer answerer({QStringLiteral("Enter Address"), QStringLiteral("OK")});
    int visits = 0;
    QList<int> cardsSeen;
    QStringList descriptorsSeen;
    answerer.other = [&](QWidget *w) {
        auto *entry = qobject_cast<ov9174fp_fcEnterAddress *>(w);
        if (!entry)
            return false;
        ++visits;
        cardsSeen.append(entry->cardNumberBox()->currentIndex());
        descriptorsSeen.append(entry->descriptorBox()->currentText());
        entry->descriptorBox()->setEditText(QStringLiteral("TCPIP0::10.0.0.%1::INSTR").arg(visits));
        entry->cardNumberBox()->setCurrentIndex(visits == 1 ? 0 : 1);
        entry->okPushButton()->click();
        return true;
    };
    QCOMPARE(select.runConnectionDialog(), 1);
    QCOMPARE(visits, 2);
    // The card number is written on every accepted run, also a refused one;
    // the descriptor of the refused run is remembered all the same.
    QCOMPARE(cardsSeen, QList<int>({4, 0}));
    QCOMPARE(descriptorsSeen.at(1), QStringLiteral("TCPIP0::10.0.0.1::INSTR"));
    QCOMPARE(answerer.seen().size(), 2);
    QCOMPARE(answerer.seen().at(1).text, QStringLiteral("You have not selected any function card number"));
    QCOMPARE(file.fcNumber(), 1);
    QCOMPARE(file.load(), QStringList({"TCPIP0::10.0.0.2::INSTR", "TCPIP0::10.0.0.1::INSTR"}));
    QCOMPARE(fc.openedDescriptors, QStringList({"TCPIP0::10.0.0.2::INSTR"}));
}

void DescriptorHistoryTest::cancelledEntryGivesUp()
{
    ConnFakeDescriptor fc;
    fc.useDriver = false;
    ov9174fp_fcSelect select(&fc, 1);
    ModalAnswerer answerer({QStringLiteral("Enter Address")});
    answerer.other = [&](QWidget *w) {
        auto *entry = qobject_cast<ov9174fp_fcEnterAddress *>(w);
        if (!entry)
            return false;
        entry->cancelPushButton()->click();
        return true;
    };
    QCOMPARE(select.runConnectionDialog(), 0);
    QVERIFY(fc.openedDescriptors.isEmpty());
    QVERIFY(!QFile::exists(iniPath()));
}

QTEST_MAIN(DescriptorHistoryTest)
#include "test_descriptorHistory.moc"
