// The continuous-run dialog: its widgets and texts, the data rate, the
// suffix rule on the examples a user meets, checkPath's boxes (missing
// directory, changed extension, existing file), the file chooser and the
// initial path.
#include "modalanswer.h"
#include "ov7931Demo_acqConfig.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString native(const QString &p) { return QDir::toNativeSeparators(p); }

void touch(const QString &path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

} // namespace

class TestAcqConfig : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void widgetsAndTexts()
    {
        QWidget parent;
        parent.setWindowIcon(QIcon(QPixmap(8, 8)));
        acqConfig d(&parent);
        QCOMPARE(d.windowTitle(), QStringLiteral("Continuous Acquisition Configuration"));
        QVERIFY(d.isModal());
        QVERIFY(!d.windowIcon().isNull());
        QCOMPARE(d.pathEdit->minimumWidth(), 300);
        QCOMPARE(d.formatSelector->count(), 2);
        QCOMPARE(d.formatSelector->itemText(0), QStringLiteral("Binary, ViReal64"));
        QCOMPARE(d.formatSelector->itemText(1), QStringLiteral("Text, CSV"));
        QCOMPARE(d.formatSelector->itemData(0).toInt(), 8);
        QCOMPARE(d.formatSelector->itemData(1).toInt(), 27);
        QCOMPARE(d.formatSelector->whatsThis(), d.formatSelector->toolTip());
        QVERIFY(d.formatSelector->toolTip().startsWith("<html>Binary storage allows acquisition at higher data"));
        QStringList texts;
        QList<int> ms;
        for (int i = 0; i < d.refreshSelector->count(); ++i) {
            texts << d.refreshSelector->itemText(i);
            ms << d.refreshSelector->itemData(i).toInt();
        }
        QCOMPARE(texts, (QStringList{"20 msec", "50 msec", "100 msec", "200 msec", "500 msec", "1 sec", "2 sec"}));
        QCOMPARE(ms, (QList<int>{20, 50, 100, 200, 500, 1000, 2000}));
        QCOMPARE(d.refreshInterval(), 50);
        QCOMPARE(d.refreshSelector->toolTip(),
                 QStringLiteral("The minimum time between plot refreshes. It may be longer if the data rate is "
                                "small."));
        QCOMPARE(d.refreshSelector->whatsThis(), d.refreshSelector->toolTip());
        QCOMPARE(d.refreshLabel->text(), QStringLiteral("Plot Refresh Interval"));
        QCOMPARE(d.dataRateLabel->text(), QString());
        QCOMPARE(d.startButton->text(), QStringLiteral("Start"));
        QCOMPARE(d.cancelButton->text(), QStringLiteral("Cancel"));
        QCOMPARE(d.browseButton->text(), QStringLiteral("Browse"));
        QCOMPARE(d.samplesPerSecond, 0);
    }

    void dataRate_data()
    {
        QTest::addColumn<int>("samplesPerSecond");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("text");
        QTest::newRow("16 x 50 kHz CSV") << 800000 << 1 << "Data Rate: 20.6 MB/s (TEXT)";
        QTest::newRow("1 x 100 Hz binary") << 100 << 0 << "Data Rate: 800 B/s";
    }
    void dataRate()
    {
        QFETCH(int, samplesPerSecond);
        QFETCH(int, format);
        QFETCH(QString, text);
        acqConfig d;
        d.formatSelector->setCurrentIndex(format);
        d.setDataRate(samplesPerSecond);
        QCOMPARE(d.dataRateLabel->text(), text);
        d.setDataRate(-1); // keeps the stored rate
        QCOMPARE(d.dataRateLabel->text(), text);
        QCOMPARE(d.samplesPerSecond, samplesPerSecond);
    }

    // Switching the format updates the rate and corrects the suffix silently.
    void formatSwitch()
    {
        ModalAnswerer answer({"OK"});
        acqConfig d;
        d.setDataRate(800000);
        d.pathEdit->setText(native(dir.filePath("run.bin7931")));
        d.formatSelector->setCurrentIndex(1);
        QCOMPARE(d.pathEdit->text(), native(dir.filePath("run.csv")));
        QCOMPARE(d.dataRateLabel->text(), QStringLiteral("Data Rate: 20.6 MB/s (TEXT)"));
        d.formatSelector->setCurrentIndex(0);
        QCOMPARE(d.pathEdit->text(), native(dir.filePath("run.bin7931")));
        QCOMPARE(d.fileFormat(), 0);
        QVERIFY(answer.seen().isEmpty());
    }

    void suffixRule_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("csv");
        QTest::addColumn<QString>("result");
        QTest::newRow("binary kept") << "run.bin7931" << false << "run.bin7931";
        QTest::newRow("upper case kept") << "RUN.BIN7931" << false << "RUN.BIN7931";
        QTest::newRow("to csv") << "run.bin7931" << true << "run.csv";
        QTest::newRow("dat to binary") << "run.dat" << false << "run.bin7931";
        QTest::newRow("dotted name kept") << "run.2024.bin7931" << false << "run.2024.bin7931";
        QTest::newRow("base name stops at the first dot") << "run.2024.dat" << false << "run.bin7931";
        QTest::newRow("no suffix") << "run" << true << "run.csv";
    }
    void suffixRule()
    {
        QFETCH(QString, name);
        QFETCH(bool, csv);
        QFETCH(QString, result);
        bool changed = false;
        QCOMPARE(recordingPathFor(native(dir.filePath(name)), csv, &changed), native(dir.filePath(result)));
        QCOMPARE(changed, name != result);
    }

    // The boxes of "Start": each check with its box, and whether the
    // dialog is accepted.
    void startChecks_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("finalName");
        QTest::addColumn<bool>("accepted");
        const QString missing = native(dir.filePath("nowhere"));
        QTest::newRow("empty path") << QString() << false << "OK" << QStringList() << QString() << true;
        QTest::newRow("new file") << "a.bin7931" << false << "OK" << QStringList() << "a.bin7931" << true;
        QTest::newRow("missing directory")
            << "nowhere/a.bin7931" << false << "OK"
            << QStringList{"Critical: Directory: \"" + missing + "\" does not exist."} << "nowhere/a.bin7931" << false;
        QTest::newRow("extension changed") << "b.dat" << false << "OK"
                                           << QStringList{"Warning: File extension changed to '.bin7931'."}
                                           << "b.bin7931" << true;
        QTest::newRow("existing file declined") << "c.bin7931" << true << "No"
                                                << QStringList{"Question: File already exists, overwrite?"}
                                                << "c.bin7931" << false;
        QTest::newRow("existing file overwritten") << "c.bin7931" << true << "Yes"
                                                   << QStringList{"Question: File already exists, overwrite?"}
                                                   << "c.bin7931" << true;
    }
    void startChecks()
    {
        QFETCH(QString, name);
        QFETCH(bool, exists);
        QFETCH(QString, answer);
        QFETCH(QStringList, boxes);
        QFETCH(QString, finalName);
        QFETCH(bool, accepted);
        if (exists)
            touch(dir.filePath(name));
        ModalAnswerer answerer({answer});
        acqConfig d;
        d.pathEdit->setText(name.isEmpty() ? QString() : native(dir.filePath(name)));
        QTimer::singleShot(0, d.startButton, &QPushButton::click);
        QCOMPARE(d.exec() == QDialog::Accepted, accepted);
        QStringList seen;
        for (const SeenBox &b : answerer.seen()) {
            QCOMPARE(b.title, QStringLiteral("Keltri 7931 SFP"));
            const char *kind = b.icon == QMessageBox::Critical  ? "Critical: "
                               : b.icon == QMessageBox::Warning ? "Warning: "
                                                                : "Question: ";
            seen << QString::fromLatin1(kind) + b.text;
        }
        QCOMPARE(seen, boxes);
        QCOMPARE(d.recordingPath(), finalName.isEmpty() ? QString() : native(dir.filePath(finalName)));
    }

    void cancelRejects()
    {
        acqConfig d;
        QTimer::singleShot(0, d.cancelButton, &QPushButton::click);
        QCOMPARE(d.exec(), int(QDialog::Rejected));
    }

    // The chooser starts with the current path and the matching filter; a
    // chosen CSV name selects the CSV format.
    void browse()
    {
        ModalAnswerer answerer({"OK"});
        QString caption, startDir, filters, selectedFilter;
        QString chosen = dir.filePath("chosen.csv");
        answerer.other = [&](QWidget *w) {
            auto *fd = qobject_cast<QFileDialog *>(w);
            if (!fd)
                return false;
            caption = fd->windowTitle();
            startDir = fd->directory().absolutePath();
            filters = fd->nameFilters().join(";;");
            selectedFilter = fd->selectedNameFilter();
            chooseFile(fd, chosen);
            static_cast<QDialog *>(fd)->accept();
            return true;
        };
        acqConfig d;
        d.pathEdit->setText(native(dir.filePath("old.bin7931")));
        d.browseSlot();
        QCOMPARE(caption, QStringLiteral("Set Output File Name"));
        QCOMPARE(startDir, QDir(dir.path()).absolutePath());
        QCOMPARE(filters, QStringLiteral("Binary data (*.bin7931);;CSV data (*.csv)"));
        QCOMPARE(selectedFilter, QStringLiteral("Binary data (*.bin7931)"));
        QCOMPARE(d.fileFormat(), 1);
        QCOMPARE(d.pathEdit->text(), native(chosen));

        chosen = dir.filePath("back.bin7931");
        d.browseSlot();
        QCOMPARE(selectedFilter, QStringLiteral("CSV data (*.csv)"));
        QCOMPARE(d.fileFormat(), 0);
        QCOMPARE(d.pathEdit->text(), native(chosen));
    }

    void initialPath()
    {
        const QByteArray old = qgetenv("USERPROFILE");
        qputenv("USERPROFILE", dir.path().toLocal8Bit());
        QCOMPARE(acqConfig().recordingPath(), native(dir.path() + "/dump.bin7931"));
        qunsetenv("USERPROFILE");
        QCOMPARE(acqConfig().recordingPath(), native(QDir::homePath() + "/dump.bin7931"));
        if (!old.isNull())
            qputenv("USERPROFILE", old);
    }
};

QTEST_MAIN(TestAcqConfig)
#include "test_acqConfig.moc"
