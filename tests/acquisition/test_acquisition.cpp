// The acquisition: the continuous-run dialog (its texts, the data rate,
// the suffix rule on the examples a user meets, the boxes of "Start" for a
// missing directory, a changed extension and an existing file, the file
// chooser) and the rules without widgets (the state shown for the
// digitizer's error bits, the end of a single-shot block, the time window of
// a block far into a run; RTD conversion against an independent oracle, the
// IEC 60751 Callendar-Van Dusen equation inverted by bisection; the PT-1000
// bounds). Demo mode's synthetic samples are checked on the window's plots
// in tests/waveform/test_plots.
#include "modalanswer.h"
#include "ov7931Demo_acqConfig.h"
#include "ov7931Demo_acqRules.h"
#include "ov7931Demo_rtd.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

QString native(const QString &p) { return QDir::toNativeSeparators(p); }

// R(T) = R0 (1 + A T + B T^2 + C (T - 100) T^3), C only below 0 degrees.
double cvdResistance(double r0, double t)
{
    return r0 * (1.0 + 3.9083e-3 * t - 5.775e-7 * t * t + (t < 0 ? -4.183e-12 * (t - 100.0) * t * t * t : 0.0));
}

double cvdTemperature(double r0, double r)
{
    double lo = -260.0, hi = 900.0;
    for (int i = 0; i < 200; ++i)
        (cvdResistance(r0, 0.5 * (lo + hi)) < r ? lo : hi) = 0.5 * (lo + hi);
    return 0.5 * (lo + hi);
}

} // namespace

class TestAcquisition : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    // The texts; switching the format corrects the suffix silently and
    // shows the rate of the format (a stored rate kept when none is given).
    void textsAndDataRate()
    {
        ModalAnswerer answer({"OK"});
        acqConfig d;
        QStringList texts{d.windowTitle(), d.refreshLabel->text(), d.startButton->text(), d.cancelButton->text(),
                          d.browseButton->text(), d.refreshSelector->toolTip(), d.formatSelector->toolTip().left(54)};
        for (QComboBox *box : {d.formatSelector, d.refreshSelector})
            for (int i = 0; i < box->count(); ++i)
                texts << box->itemText(i) + " = " + box->itemData(i).toString();
        QCOMPARE(texts, (QStringList{"Continuous Acquisition Configuration", "Plot Refresh Interval", "Start", "Cancel",
                                     "Browse", "The minimum time between plot refreshes. It may be longer if the "
                                     "data rate is small.", "<html>Binary storage allows acquisition at higher data",
                                     "Binary, ViReal64 = 8", "Text, CSV = 27", "20 msec = 20", "50 msec = 50",
                                     "100 msec = 100", "200 msec = 200", "500 msec = 500", "1 sec = 1000", "2 sec = 2000"}));
        QVERIFY(d.isModal() && d.refreshInterval() == 50 && d.dataRateLabel->text().isEmpty());
        d.setDataRate(800000);
        d.pathEdit->setText(native(dir.filePath("run.bin7931")));
        d.formatSelector->setCurrentIndex(1);
        QCOMPARE(d.pathEdit->text(), native(dir.filePath("run.csv")));
        d.setDataRate(-1);
        QCOMPARE(d.dataRateLabel->text(), QStringLiteral("Data Rate: 20.6 MB/s (TEXT)"));
        QVERIFY(answer.seen().isEmpty() && d.samplesPerSecond == 800000);
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

    // The boxes of "Start" (kind: text) and whether the dialog is accepted.
    void startChecks_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("answer"); // to the box; an existing file's when given
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("finalName");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("empty path") << QString() << "" << "" << QString() << true;
        QTest::newRow("new file") << "a.bin7931" << "" << "" << "a.bin7931" << true;
        QTest::newRow("missing directory") << "nowhere/a.bin7931" << "" << "3|Directory: \"%1\" does not exist."
                                           << "nowhere/a.bin7931" << false;
        QTest::newRow("extension changed") << "b.dat" << "" << "2|File extension changed to '.bin7931'."
                                           << "b.bin7931" << true;
        QTest::newRow("existing file declined") << "c.bin7931" << "No" << "4|File already exists, overwrite?"
                                                << "c.bin7931" << false;
        QTest::newRow("existing file overwritten") << "c.bin7931" << "Yes" << "4|File already exists, overwrite?"
                                                   << "c.bin7931" << true;
    }
    void startChecks()
    {
        QFETCH(QString, name);
        QFETCH(QString, answer);
        QFETCH(QString, box);
        QFETCH(QString, finalName);
        if (!answer.isEmpty())
            QVERIFY(QFile(dir.filePath(name)).open(QIODevice::WriteOnly));
        ModalAnswerer answerer({answer.isEmpty() ? "OK" : answer});
        acqConfig d;
        d.pathEdit->setText(name.isEmpty() ? QString() : native(dir.filePath(name)));
        QTimer::singleShot(0, d.startButton, &QPushButton::click);
        QTEST(d.exec() == QDialog::Accepted, "accepted");
        const QString seen = boxLines(answerer.seen()).join('\n');
        QCOMPARE(seen, box.isEmpty() ? QString() : "Keltri 7931 SFP|" + box.arg(native(dir.filePath("nowhere"))));
        QCOMPARE(d.recordingPath(), finalName.isEmpty() ? QString() : native(dir.filePath(finalName)));
    }

    // The chooser starts with the current path and the matching filter; a
    // chosen CSV name selects the CSV format.
    void browse()
    {
        ModalAnswerer answerer({"OK"});
        QString seen, chosen = dir.filePath("chosen.csv");
        answerer.other = [&](QWidget *w) {
            auto *fd = qobject_cast<QFileDialog *>(w);
            if (fd) {
                seen = QStringList{fd->windowTitle(), fd->directory().absolutePath(), fd->nameFilters().join(";;"),
                                   fd->selectedNameFilter()}.join('|');
                chooseFile(fd, chosen);
                static_cast<QDialog *>(fd)->accept();
            }
            return fd != nullptr;
        };
        acqConfig d;
        d.pathEdit->setText(native(dir.filePath("old.bin7931")));
        d.browseSlot();
        QCOMPARE(seen, "Set Output File Name|" + QDir(dir.path()).absolutePath() +
                           "|Binary data (*.bin7931);;CSV data (*.csv)|Binary data (*.bin7931)");
        QVERIFY(d.fileFormat() == 1 && d.pathEdit->text() == native(chosen));
    }

    // Bit 0 shows "Input Signal Out Of Range" (over the others) and the run
    // goes on; any other bit stops it; all in red.
    void errorBits_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<QString>("text");
        QTest::newRow("out of range") << 0x0001 << "Input Signal Out Of Range";
        QTest::newRow("out of range wins over overflow") << 0x0041 << "Input Signal Out Of Range";
        QTest::newRow("overflow") << 0x0040 << "FIFO overflow";
        QTest::newRow("overflow wins over underflow") << 0x00C0 << "FIFO overflow";
        QTest::newRow("underflow") << 0x0080 << "FIFO underflow";
        QTest::newRow("other bits, upper-case hex") << 0xAB0C << "Hardware error AB0C";
    }
    void errorBits()
    {
        QFETCH(int, bits);
        const AcquisitionStatusView v = acquisitionStatusView(6, unsigned(bits));
        QTEST(v.text, "text");
        QVERIFY(v.colour == Qt::red && v.stopsRun == !(bits & 1));
        // A single-shot block is complete at "End" or when the backlog holds
        // it; the start time of a block far into a run is counted in 64 bits.
        QVERIFY(singleShotBlockComplete(7, 0, 100) && singleShotBlockComplete(6, 100, 100));
        QVERIFY(!singleShotBlockComplete(6, 99, 100) && liveTimeWindow(10000, 300000, 50000.0).t0 == 60000.0);
    }

    // PT-100, PT-500 and PT-1000 from -200 to 850 degrees; PT-1000
    // readings outside that span are -255; other sensor codes 0.
    void followsCallendarVanDusen()
    {
        QVERIFY(std::fabs(cvdResistance(100, -50) - 80.31) + std::fabs(cvdResistance(100, 500) - 280.98) < 0.01); // IEC
        for (const auto &[code, r0] : {std::pair(0, 100.0), {1, 500.0}, {2, 1000.0}})
            for (double t = -200.0; t <= 850.0; t += 0.5) {
                const double r = cvdResistance(r0, t);
                QVERIFY(std::fabs(rtdTemperature(code, r, nullptr, nullptr) - cvdTemperature(r0, r)) < 0.06);
            }
        RtdRangeTable pt100{}, pt500{};
        for (double ohms : {185.0, 3904.815076, 1e9, -5.0})
            QCOMPARE(rtdTemperature(2, ohms, &pt100, &pt500), -255.0);
        QVERIFY(std::fabs(rtdTemperature(2, 185.19, &pt100, &pt500) + 200.0) < 0.1);
        QVERIFY(std::fabs(rtdTemperature(2, 3904.815075, &pt100, &pt500) - 850.0) < 0.1);
        QVERIFY(T_rtd(3, 100.0) == 0.0 && T_rtd(-1, 100.0) == 0.0);
    }
};

QTEST_MAIN(TestAcquisition)
#include "test_acquisition.moc"
