// The default descriptor file and the descriptor entry dialog: remembered
// descriptors, the card number, and the entry loop of the connection step.
#include "modalanswer.h"
#include "ov7931_fc.h"
#include "ov9174fp_descriptorHistory.h"
#include "ov9174fp_fcEnterAddress.h"
#include "ov9174fp_fcSelect.h"
#include "ovsim_control.h"
#include "testkit.h"

#include <QComboBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class DescriptorHistoryTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        dir.reset(new QTemporaryDir);
        qputenv("ALLUSERSPROFILE", dir->path().toLocal8Bit());
        testkit::loadScenario(QString());
    }

    void fileLocationAndKeys()
    {
        QCOMPARE(ov9174fp_descriptorHistory::defaultFilePath(), iniPath());
        qunsetenv("ALLUSERSPROFILE");
        const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        QCOMPARE(ov9174fp_descriptorHistory::defaultFilePath(), config + "/Orvane/DefaultInstrDescr.ini");
        ov9174fp_descriptorHistory file(iniPath(), QStringLiteral("7931"));
        file.store({"TCPIP0::192.168.2.60::INSTR", "VXI0::1::INSTR"});
        file.storeFcNumber(3);
        QSettings ini(iniPath(), QSettings::IniFormat);
        QCOMPARE(ini.value("7931/1.Descriptor").toString(), QStringLiteral("TCPIP0::192.168.2.60::INSTR"));
        QCOMPARE(ini.value("7931/2.Descriptor").toString(), QStringLiteral("VXI0::1::INSTR"));
        QCOMPARE(ini.value("7931/FC_Number").toInt(), 3);
        // Gaps are dropped; a broken or out-of-range card number reads as 0.
        ini.setValue("7931/1.Descriptor", QString());
        ini.setValue("7931/3.Descriptor", "GPIB0::7::INSTR");
        for (const QVariant &bad : {QVariant("seven"), QVariant(99)}) {
            ini.setValue("7931/FC_Number", bad);
            ini.sync();
            QCOMPARE(file.load(), QStringList({"VXI0::1::INSTR", "GPIB0::7::INSTR"}));
            QCOMPARE(file.fcNumber(), 0);
        }
    }

    void entryMovesToTopAndKeepsFive()
    {
        ov9174fp_fcEnterAddress d;
        d.loadDefaults(); // first use: the fallback descriptor, no card number, nothing written
        QCOMPARE(d.descriptorBox()->currentText() + ' ' + d.cardNumberBox()->currentText(), "VXI0::1::INSTR Select");
        QCOMPARE(d.descriptorBox()->count(), 1);
        QVERIFY(!QFile::exists(iniPath()));
        ov9174fp_descriptorHistory file(iniPath(), QStringLiteral("7931"));
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
        QCOMPARE(file.load(), QStringList({"TCPIP0::192.168.2.60::INSTR", "D3", "D1", "D2", "D4"}));
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
            if (!e)
                return false;
            shown << e->descriptorBox()->currentText() + ' ' + QString::number(e->cardNumberBox()->currentIndex());
            e->descriptorBox()->setEditText(shown.size() == 1 ? descriptor : QStringLiteral("VXI0::1::INSTR"));
            e->cardNumberBox()->setCurrentIndex(shown.size() == 1 ? card : 1);
            e->okPushButton()->click();
            return true;
        };
        QCOMPARE(select.runConnectionDialog(), 1);
        // Shown again with the refused entry's descriptor (when given) and card number.
        const QString reopened = descriptor.isEmpty() ? QStringLiteral("VXI0::1::INSTR") : descriptor;
        QCOMPARE(shown, (QStringList{"VXI0::1::INSTR 4", reopened + " " + QString::number(card)}));
        QCOMPARE(answerer.seen().size(), 2);
        QTEST(answerer.seen().at(1).text, "warning");
        QCOMPARE(answerer.seen().at(1).icon, QMessageBox::Warning);
        const QStringList remembered{"VXI0::1::INSTR", descriptor};
        QCOMPARE(file.load(), descriptor.isEmpty() ? QStringList(remembered.first()) : remembered);
        QCOMPARE(file.fcNumber(), 1);
        QCOMPARE(testkit::journalNames(QStringLiteral("ov8263_paramInit"), true).value(0),
                 QStringLiteral("ov8263_paramInit(\"VXI0::1::INSTR\", 1, 1, 1, &)"));
        QVERIFY(select.session != 0);
    }

private:
    QString iniPath() const { return dir->path() + QStringLiteral("/Orvane/DefaultInstrDescr.ini"); }
    QScopedPointer<QTemporaryDir> dir;
};

QTEST_MAIN(DescriptorHistoryTest)
#include "test_descriptorHistory.moc"
