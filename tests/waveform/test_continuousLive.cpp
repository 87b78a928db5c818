// Continuous runs through the panel against the simulated instrument: the
// set-up calls, binary and CSV recordings checked sample by sample in
// sequence mode (the temperature channel converted), the display hand-off
// with its time axis, the file-size text, the run dialog's refusals, the
// faults a run survives, demo runs, fifty quick stops and starts, and a run
// whose digitizer FIFO overflows so that reads come short.
#include "sequence_check.h"
#include "appfixture.h"
#include "channelbench.h"
#include "contStream.h"
#include "ov7931Demo_acqConfig.h"
#include "ov7931Demo_acqRules.h"
#include "ov7931Demo_rtd.h"
#include "ov8263.h"
#include "ovsim_control.h"
#include "runTexts.h"
#include "testkit.h"
#include "wave_helpers.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <qwt_plot.h>
#include <qwt_scale_div.h>

#include <cmath>
#include <cstdlib>

using namespace wave;
using namespace streamtest;

namespace {

constexpr int kScans = 100;       // per block
constexpr double kRate = 1000.0;  // Hz: a block every 0.1 s
constexpr double kBlock = kScans / kRate;

int countOf(const std::string &function) { return int(ovsim::journalOf(function).size()); }

QStringList csvLines(const std::string &bytes, bool *crlf)
{
    *crlf = true;
    QStringList lines;
    size_t at = 0;
    while (at < bytes.size()) {
        size_t end = bytes.find("\r\n", at);
        if (end == std::string::npos) {
            *crlf = false;
            break;
        }
        lines << QString::fromUtf8(bytes.data() + at, int(end - at));
        at = end + 2;
    }
    return lines;
}

} // namespace

class TestContinuousLive : public QObject
{
    Q_OBJECT

    AppFixture *fx = nullptr;
    ov7931Demo_App *app = nullptr;
    ov7931Demo_Waveform *w = nullptr;

    // Channel 1 PT-100 (the scenario's 23.5 degC sensor), 2 Resistance and 3
    // Voltage, 100 scans at 1 kHz; channels 2 and 3 carry sequence samples.
    void open(AppFixture::Mode mode = AppFixture::Mode::Live)
    {
        app = fx->create(mode);
        w = app->waveform;
        for (int ch = 3; ch < 16; ++ch)
            setChannel(app, ch, false);
        enable(app, {{0, PT100}, {1, Resistance}, {2, Voltage}});
        app->waveformLengthList()->setCurrentText(QStringLiteral("100"));
        app->samplingRateList()->setCurrentText(QStringLiteral("1 kHz"));
        ovsim::setIntegrityMode(true);
        ovsim::setIntegrityChannels(0x6);
        ovsim::setManualClock(true);
        ovsim::clearJournal();
    }
    // Presses the continuous button with the dialog set to `path` and
    // `format`; the dialog's "Start" is clicked (or "Cancel").
    void press(const QString &path, int format = 0, bool cancel = false)
    {
        app->acqCfg->pathEdit->setText(path);
        app->acqCfg->formatSelector->setCurrentIndex(format);
        app->acqCfg->refreshSelector->setCurrentIndex(0);
        QTimer::singleShot(0, cancel ? app->acqCfg->cancelButton : app->acqCfg->startButton, &QPushButton::click);
        app->continuousButton()->click();
        w->acqTimer->stop(); // the test ticks
    }
    // Lets `blocks` blocks arrive, one at a time, each written before the next.
    void blocks(int n)
    {
        for (int i = 0; i < n; ++i) {
            ovsim::advanceClock(kBlock);
            for (int k = 0; k < 5000 && w->contParams.recording && w->contParams.running.load() &&
                            w->contParams.tail.load() != w->contParams.head.load();
                 ++k)
                QTest::qWait(1);
        }
    }
    void stop()
    {
        if (app->continuousButton()->isChecked())
            app->continuousButton()->click();
    }
    bool atRest()
    {
        return !app->continuousButton()->isChecked() && app->continuousButton()->isEnabled() &&
               app->singleShotButton()->isEnabled() && app->configurationButton()->isEnabled() &&
               app->enableAllButton()->isEnabled() && app->resetButton()->isEnabled() &&
               w->stateLabel->text() == "Idle" && w->fileSizeLabel->isHidden();
    }
    std::string file(const char *name) { return fx->path(name).toStdString(); }

private slots:
    void init() { fx = new AppFixture; }
    void cleanup()
    {
        delete fx;
        fx = nullptr;
    }

    // The recording of a live run, binary and CSV: header, then every block
    // whole and in order; the PT-100 channel in degrees Celsius, the others
    // as read.
    void recording_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("binary") << 0;
        QTest::newRow("CSV") << 1;
    }
    void recording()
    {
        QFETCH(int, format);
        open();
        const QString path = fx->path(format ? "run.csv" : "run.bin7931");
        press(path, format);
        QVERIFY(app->continuousButton()->isChecked());
        QCOMPARE(ChannelBench::calls(), (QStringList{"ov8263_setTrigConfig(0, 0)",
                                                    "ov8263_setAcquisitionMode(1000, 0, 0, 0)",
                                                    "ov8263_startAcquisitionEx(100, fn, &)"}));
        QVERIFY(!app->resetButton()->isEnabled() && !app->singleShotButton()->isEnabled());
        QCOMPARE(w->acqTimer->interval(), 20);
        QVERIFY(w->fileSizeLabel->isVisible() || !w->isVisible());
        blocks(12);
        w->timerSlot();
        const double bytes = format ? 12.0 * kScans * (3 * 27 + 2) : 12.0 * kScans * 3 * 8;
        QCOMPARE(w->fileSizeLabel->text(), QString::fromStdString(fileSizeLabelText(bytes)));
        QCOMPARE(w->fileSizeLabel->palette().color(QPalette::WindowText), QColor(Qt::black));
        stop();
        QVERIFY(atRest());
        QVERIFY(fx->boxes().isEmpty());
        QVERIFY(w->contParams.displayBlock == nullptr && w->contParams.blocks[0] == nullptr);

        const std::string bytesRead = readAll(path.toStdString());
        std::vector<double> data;
        if (format == 0) {
            size_t header = 0;
            data = binarySamples(bytesRead, &header);
            QVERIFY(bytesRead.rfind("DEVICE=Keltri 7931-BB\nFORMAT=ViReal64\nSAMPLING_RATE_HZ=1000.000000\n", 0) == 0);
            QVERIFY(bytesRead.find("CHANNEL_MASK_FC1=0x0007\n") < header);
            QVERIFY(bytesRead.find("SENSOR_TYPE1_2=3\n") < header);
        } else {
            bool crlf = false;
            const QStringList lines = csvLines(bytesRead, &crlf);
            QVERIFY(crlf);
            QCOMPARE(lines.mid(0, 3), (QStringList{"Sampling rate: 1000.000000 Hz", "FC1_CH1, FC1_CH2, FC1_CH3, ",
                                                   QString(QChar(0xB0)) + "C, Ohm, V, "}));
            // Back into blocks grouped by channel.
            const int scans = lines.size() - 3;
            QCOMPARE(scans % kScans, 0);
            data.assign(size_t(scans) * 3, 0.0);
            for (int s = 0; s < scans; ++s) {
                const QString &line = lines[3 + s];
                QVERIFY2(line.endsWith(", ") && line.count(", ") == 3, qPrintable(line));
                const QStringList cells = line.split(", ");
                const int b = s / kScans, k = s % kScans;
                for (int c = 0; c < 3; ++c)
                    data[size_t(b) * 3 * kScans + size_t(c) * kScans + size_t(k)] =
                        std::strtod(cells[c].toLatin1().constData(), nullptr);
            }
        }
        VERIFY_SEQUENCE(c, data, {1, 2, 3}, kScans, {true, false, false});
        QVERIFY2(c.blocks >= 11 && c.blocks <= 12, qPrintable(QString::number(c.blocks)));
        for (long b = 0; b < c.blocks; ++b)
            for (int s = 0; s < kScans; ++s) {
                const double t = data[size_t(b) * 3 * kScans + size_t(s)];
                QVERIFY2(std::fabs(t - 23.5) < 0.5, qPrintable(QString::number(t)));
            }
    }

    // A refresh much longer than a block shows, at each tick, the first
    // block completed after the previous tick, at its time.
    void displayHandOff()
    {
        open();
        press(QString());
        QVERIFY(app->continuousButton()->isChecked());
        QCOMPARE(countOf("ov8263_startAcquisitionEx"), 1);
        blocks(5);
        w->timerSlot();
        QCOMPARE(yData(app, 0, 2)[0], ovsim::integritySample(3, 0));
        QCOMPARE(w->panel(0).plot->axisScaleDiv(QwtPlot::xBottom).lowerBound(), 0.0);
        blocks(3);
        w->timerSlot();
        QCOMPARE(yData(app, 0, 2)[0], ovsim::integritySample(3, 5 * kScans));
        QCOMPARE(yData(app, 1, 1)[kScans - 1], ovsim::integritySample(2, 6 * kScans - 1));
        QCOMPARE(w->panel(0).plot->axisScaleDiv(QwtPlot::xBottom).lowerBound(), 0.5);
        QCOMPARE(w->panel(0).plot->axisScaleDiv(QwtPlot::xBottom).upperBound(), 0.6);
        QCOMPARE(w->timeAxis[0][0], 0.5);
        const double t = yData(app, 2, 0)[0]; // the PT-100, converted for the plot
        QVERIFY2(std::fabs(t - 23.5) < 0.5, qPrintable(QString::number(t)));
        w->timerSlot(); // nothing new: the plots keep the block
        QCOMPARE(yData(app, 0, 2)[0], ovsim::integritySample(3, 5 * kScans));
        QCOMPARE(w->fileSizeLabel->text(), QStringLiteral("        (file size: 0 B)"));
        stop();
        QVERIFY(atRest());
        // The start time of a block far into a run is counted in 64 bits.
        QCOMPARE(liveTimeWindow(10000, 300000, 50000.0).t0, 60000.0);
    }

    // The file-size text turns orange while the digitizer holds many unread
    // scans (a late callback), and black again when they are read.
    void fileSizeColour()
    {
        open();
        ovsim::scheduleStall(2, 20.0);
        press(fx->path("colour.bin7931"));
        blocks(2);
        ovsim::advanceClock(17.0);
        w->timerSlot();
        QVERIFY(gl_scanBacklog > 16384);
        QCOMPARE(w->fileSizeLabel->palette().color(QPalette::WindowText), QColor(255, 128, 0));
        ovsim::advanceClock(4.0);
        QTRY_VERIFY(w->contParams.blocksRead.load() >= 200);
        w->timerSlot();
        QCOMPARE(w->fileSizeLabel->palette().color(QPalette::WindowText), QColor(Qt::black));
        stop();
        QVERIFY(fx->boxes().isEmpty());
    }

    // Cancel, a missing directory, a declined overwrite and a file that
    // cannot be opened: nothing streams and the buttons are back at rest.
    void nothingStarts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QString>("box");
        QTest::newRow("cancel") << "a.bin7931" << true << QString();
        QTest::newRow("missing directory") << "missing/a.bin7931" << false << "does not exist.";
        QTest::newRow("existing file declined") << "exists.bin7931" << false << "File already exists, overwrite?";
        QTest::newRow("cannot open") << "folder.bin7931" << false << "for writing.";
    }
    void nothingStarts()
    {
        QFETCH(QString, name);
        QFETCH(bool, cancel);
        QFETCH(QString, box);
        open();
        QFile(fx->path("exists.bin7931")).open(QIODevice::WriteOnly);
        QDir(fx->path(QString())).mkdir("folder.bin7931");
        // Declines the overwrite, except for the folder that must be tried.
        fx->answerWith({name.startsWith("folder") ? "Yes" : "No", "OK"});
        press(fx->path(name), 0, cancel);
        QCOMPARE(countOf("ov8263_startAcquisitionEx"), 0);
        QVERIFY(atRest());
        for (int p = 0; p < 3; ++p)
            QVERIFY(w->panel(p).statisticsButton->isEnabled());
        if (box.isEmpty())
            QVERIFY(fx->boxes().isEmpty());
        else
            QVERIFY2(fx->boxes().last().text.endsWith(box), qPrintable(fx->boxes().last().text));
        if (name.startsWith("folder"))
            QCOMPARE(fx->boxes().last().text,
                     QStringLiteral("Cannot open file: \"%1\" for writing.").arg(fx->path(name)));
    }

    // Each set-up call's failure is reported with its call text and the
    // set-up goes on; the stop's failure with the conditioning card's rule.
    void driverFaults_data()
    {
        QTest::addColumn<QString>("function");
        QTest::addColumn<QString>("callText");
        QTest::addColumn<bool>("digitizerRule");
        const QString b = "blockedHardwareAccess";
        QTest::newRow("trigger") << "ov8263_setTrigConfig" << b + "3(ov8263_setTrigConfig, app->masterVi, 0, 0)"
                                 << true;
        QTest::newRow("mode") << "ov8263_setAcquisitionMode"
                              << b + "5(ov8263_setAcquisitionMode, app->masterVi, samplingRate, 0, "
                                     "ov8263_DA_START_IMM, ov8263_DA_STOP_ERR_OFF)"
                              << true;
        QTest::newRow("stream") << "ov8263_startAcquisitionEx"
                                << b + "4(ov8263_startAcquisitionEx, app->masterVi, scanCount, contCallback, "
                                       "(ViAddr)&contParams)"
                                << true;
        QTest::newRow("stop") << "ov8263_stopAcquisition"
                              << b + "1(ov8263_stopAcquisition, app->masterVi)" << false;
        QTest::newRow("poll") << "ov8263_checkAcquisition"
                              << b + "4(ov8263_checkAcquisition, app->masterVi, &gl_state, &gl_errors, "
                                     "&gl_scanBacklog)"
                              << false;
    }
    void driverFaults()
    {
        QFETCH(QString, function);
        QFETCH(QString, callText);
        QFETCH(bool, digitizerRule);
        open();
        const ViStatus status = ov8263_ERROR_HARDWARE;
        ovsim::failNext(function.toStdString(), status);
        press(fx->path("faults.bin7931"));
        QCOMPARE(countOf("ov8263_startAcquisitionEx"), 1); // the set-up went on
        blocks(2);
        w->timerSlot();
        stop();
        QVERIFY(!fx->boxes().isEmpty());
        const QString driverText = digitizerRule ? testkit::driverText(true, app->masterVi, status)
                                                 : testkit::driverText(false, app->slaveVi, status);
        QCOMPARE(fx->boxes().first().text, testkit::errorBoxText(callText, driverText));
        QVERIFY(atRest());
    }

    // A failed read: the display goes on with later blocks, the reason is
    // shown at the stop, the file ends with the blocks before it.
    void readFailure()
    {
        open();
        ovsim::scheduleReadError(3, ov8263_ERROR_HARDWARE);
        const QString path = fx->path("read.bin7931");
        press(path);
        blocks(6);
        w->timerSlot();
        blocks(2);
        w->timerSlot();
        QCOMPARE(yData(app, 0, 2)[0], ovsim::integritySample(3, 6 * kScans));
        QVERIFY(fx->boxes().isEmpty());
        stop();
        QCOMPARE(fx->boxes().size(), 1);
        QCOMPARE(fx->boxes().first().text,
                 "ov8263_readMultAcquisitionEx failed due to [" +
                     testkit::driverText(true, app->masterVi, ov8263_ERROR_HARDWARE) + "]\nDo you want to exit?");
        VERIFY_SEQUENCE(c, binarySamples(readAll(path.toStdString())), {1, 2, 3}, kScans, {true, false, false});
        QCOMPARE(c.blocks, 3L);
        QVERIFY(atRest());
    }

    // The digitizer's FIFO overflows (room for one block) while channel 4's
    // PT-100 has nothing connected, so "Input Signal Out Of Range" hides the
    // overflow and the run goes on. A callback 0.3 blocks late loses 30
    // scans and the next read delivers 70: plots and file hold each
    // channel's samples in its own segment with the missing scans NaN, and
    // the stop tells the user.
    void shortReadsAreToldAtTheStop()
    {
        QVERIFY(testkit::loadScenario(testkit::defaultScenarioWith(
            {"revision: \"2.4.1.0\"", "revision: \"2.4.1.0\"\n        fifo_samples: 400",
             "          4: {sensor: pt100, temperature: 23.5, wires: [intact, broken, intact, intact]}\n", ""})));
        open();
        setChannel(app, 3, true, PT100);
        app->chCfg[3]->excitationSelector->setCurrentIndex(1); // 500 uA into an open input
        ovsim::scheduleStall(2, 0.3 * kBlock);
        const QString path = fx->path("short.bin7931");
        press(path);
        const auto step = [this](double blocks) {
            ovsim::advanceClock(blocks * kBlock);
            for (int k = 0; k < 5000 && w->contParams.tail.load() != w->contParams.head.load(); ++k)
                QTest::qWait(1);
        };
        for (double b : {1.0, 1.0, 1.3})
            step(b);
        w->timerSlot(); // shows block 0
        step(0.7);
        w->timerSlot(); // block 3, short
        QCOMPARE(w->stateLabel->text(), QStringLiteral("Input Signal Out Of Range"));
        for (int s = 0; s < kScans; ++s) {
            const double volt = yData(app, 0, 2)[s], ohm = yData(app, 1, 1)[s];
            if (s < 70)
                QVERIFY(volt == ovsim::integritySample(3, 330 + s) && ohm == ovsim::integritySample(2, 330 + s));
            else
                QVERIFY2(std::isnan(volt) && std::isnan(ohm) && std::isnan(yData(app, 2, 0)[s]),
                         qPrintable(QString::number(s)));
        }
        step(1.0);
        QVERIFY(fx->boxes().isEmpty());
        stop();
        QVERIFY(atRest());
        QCOMPARE(fx->boxes().size(), 1);
        QCOMPARE(fx->boxes().first().title, QStringLiteral("Keltri 7931 SFP"));
        QCOMPARE(fx->boxes().first().icon, QMessageBox::Warning);
        QCOMPARE(fx->boxes().first().text, QString::fromStdString(shortBlocksText(1, 5)));

        const std::vector<double> data = binarySamples(readAll(path.toStdString()));
        QCOMPARE(data.size(), size_t(5 * 4 * kScans));
        const int64_t first[5] = {0, 100, 230, 330, 400};
        for (int b = 0; b < 5; ++b)
            for (int k = 0; k < 4; ++k)
                for (int s = 0; s < kScans; ++s) {
                    const double v = data[size_t(b * 4 + k) * kScans + size_t(s)];
                    if (b == 3 && s >= 70)
                        QVERIFY2(std::isnan(v), qPrintable(QString("channel %1 scan %2").arg(k + 1).arg(s)));
                    else if (k == 1 || k == 2)
                        QCOMPARE(v, ovsim::integritySample(k + 1, first[b] + s));
                    else if (k == 0)
                        QVERIFY2(std::fabs(v - 23.5) < 0.5, qPrintable(QString::number(v)));
                }
    }

    // A full disk: the error at the stop, nothing hangs.
    void diskFull()
    {
        open();
        const QString link = fx->path("full.bin7931");
        QVERIFY(QFile::link("/dev/full", link));
        fx->answerWith({"Yes", "No"}); // overwrite: yes; the error box: no
        press(link);
        QVERIFY(app->continuousButton()->isChecked());
        blocks(3);
        QTRY_VERIFY(!w->contParams.running.load());
        w->timerSlot();
        stop();
        QCOMPARE(fx->boxes().last().text, QStringLiteral("Disk write failed!\nDo you want to exit?"));
        QVERIFY(atRest());
    }

    // Error bits other than "out of range" end the run.
    void fifoOverflowStops()
    {
        open();
        ovsim::scheduleErrorBits(2, ov8263_ERR_FIFO_OVERFLOW);
        press(QString());
        blocks(3);
        w->timerSlot();
        QVERIFY(!app->continuousButton()->isChecked());
        QCOMPARE(w->stateLabel->text(), QStringLiteral("FIFO overflow"));
        QCOMPARE(countOf("ov8263_stopAcquisition"), 1);
    }

    // Callbacks that stop coming: the stop still ends and frees everything.
    void callbacksStopArriving()
    {
        open();
        ovsim::scheduleStall(2, 1e6);
        press(fx->path("silent.bin7931"));
        blocks(4);
        QCOMPARE(w->contParams.blocksRead.load(), int64_t(2));
        stop();
        QVERIFY(atRest());
        QVERIFY(w->contParams.displayBlock == nullptr && w->contParams.blocks[15] == nullptr);
        QCOMPARE(countOf("ov9174_delay"), 20 + 1); // the wait for the callback, the shut-down's pause
        QVERIFY(fx->boxes().isEmpty());
    }

    // Fifty quick stops and starts, each recording a file of its own.
    void stopAndStartFiftyTimes()
    {
        open();
        ovsim::setIntegrityChannels(0xFFFF);
        setChannel(app, 0, true, Voltage);
        long recorded = 0;
        for (int run = 0; run < 50; ++run) {
            const QString path = fx->path(QStringLiteral("quick%1.bin7931").arg(run));
            press(path);
            QVERIFY(app->continuousButton()->isChecked());
            blocks(run % 4);
            if (run % 3 == 0)
                w->timerSlot();
            stop();
            QVERIFY(atRest());
            VERIFY_SEQUENCE(c, binarySamples(readAll(path.toStdString())), {1, 2, 3}, kScans);
            recorded += c.blocks;
        }
        QVERIFY(recorded > 50);
        QVERIFY(fx->boxes().isEmpty());
    }

    // Demo: the dialog with the data rate, the box about saving, the chosen
    // refresh interval, a new block at each tick.
    void demoRun()
    {
        open(AppFixture::Mode::Demo);
        fx->answerWith({"OK"});
        app->acqCfg->refreshSelector->setCurrentIndex(3);
        app->acqCfg->pathEdit->setText(QString());
        QTimer::singleShot(0, app->acqCfg->startButton, &QPushButton::click);
        app->continuousButton()->click();
        QCOMPARE(app->acqCfg->dataRateLabel->text(), QStringLiteral("Data Rate: 23.4 kB/s"));
        QCOMPARE(fx->boxes().size(), 1);
        QCOMPARE(fx->boxes().first().text, QStringLiteral("Saving to file does not work in demo mode."));
        QVERIFY(w->acqTimer->isActive());
        QCOMPARE(w->acqTimer->interval(), 200);
        w->acqTimer->stop();
        w->timerSlot();
        const double first = yData(app, 0, 2)[0];
        w->timerSlot();
        QVERIFY(yData(app, 0, 2)[0] != first);
        stop();
        QVERIFY(atRest());
    }
};

QTEST_MAIN(TestContinuousLive)
#include "test_continuousLive.moc"
