// The driver-call trace checked against the simulator's journal: lines, call
// texts, arguments, other threads, switching it on and off.
#include "channelbench.h"
#include "modalanswer.h"
#include "ov7931Demo_hwaccess.h"
#include "ov7931Demo_trace.h"
#include "ov8263.h"
#include "ov9174fp_About.h"
#include "ov9174fp_traceOption.h"
#include "ovsim_control.h"
#include "wave_helpers.h"

#include <QFileDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

using namespace wave;

namespace {
void noCallback(ViSession, ViAddr) {}

struct TraceLine {
    QString time, thread, call, arguments, status, duration;
};

// The trace file's lines after its two head lines; every line must have the
// six fields.
QList<TraceLine> readTrace(const QString &path, bool *ok)
{
    QFile f(path);
    *ok = f.open(QIODevice::ReadOnly);
    QList<TraceLine> out;
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        if (line.startsWith('#'))
            continue;
        const QStringList f = line.split('\t');
        if (f.size() != 6) {
            *ok = false;
            qWarning() << "bad trace line" << line;
            continue;
        }
        out.append({f[0], f[1], f[2], f[3], f[4], f[5]});
    }
    return out;
}

QString functionOf(const QString &callText) { return callText.section('(', 1).section(',', 0, 0).trimmed(); }
} // namespace

#define VERIFY_MATCH(pattern, text) QVERIFY2(QRegularExpression(pattern).match(text).hasMatch(), qPrintable(text))

class TestTrace : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString tracePath() const { return dir.filePath("trace.txt"); }

private slots:
    void cleanup()
    {
        driverTrace::stop();
        QFile::remove(tracePath());
    }

    void singleShotRun_data()
    {
        QTest::addColumn<bool>("failingFifoReset");
        QTest::newRow("all calls succeed") << false;
        QTest::newRow("a failing call") << true;
    }

    // A live single shot of 100 scans on channels 1 to 3, traced from the
    // start to the end of the run.
    void singleShotRun()
    {
        QFETCH(bool, failingFifoReset);
        AppFixture fx;
        ov7931Demo_App *app = fx.create(AppFixture::Mode::Live);
        QVERIFY(app && !app->demoMode);
        ov7931Demo_Waveform *w = app->waveform;
        setChannel(app, 1, true, Resistance);
        setChannel(app, 2, true, Voltage);
        app->waveformLengthList()->setCurrentText(QStringLiteral("100"));
        app->samplingRateList()->setCurrentText(QStringLiteral("1 kHz"));
        if (failingFifoReset)
            ovsim::failNext("ov8263_resetFIFO", ov8263_ERROR_BUSY);
        ovsim::setManualClock(true);
        ovsim::clearJournal();
        QVERIFY(driverTrace::start(tracePath().toStdString()));
        QVERIFY(driverTrace::on());

        app->singleShotButton()->click();
        w->acqTimer->stop();
        for (int tick = 0; tick < 10 && app->singleShotButton()->isChecked(); ++tick)
            ovsim::advanceClock(0.05), w->timerSlot();
        QVERIFY(!app->singleShotButton()->isChecked());
        driverTrace::stop();
        QVERIFY(!driverTrace::on());
        const std::vector<ovsim::Call> journal = ovsim::journal();

        bool ok = false;
        const QList<TraceLine> trace = readTrace(tracePath(), &ok);
        QVERIFY(ok);
        // One line per driver call, in the order made, with the driver's status.
        QCOMPARE(trace.size(), int(journal.size()));
        const QString guiThread = QString::number(long(::syscall(SYS_gettid)));
        for (int i = 0; i < trace.size(); ++i) {
            const TraceLine &t = trace[i];
            QCOMPARE(functionOf(t.call), QString::fromStdString(journal[i].function));
            QCOMPARE(t.status.section(' ', 0, 0).toInt(), int(journal[i].status));
            VERIFY_MATCH("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{6}$", t.time);
            VERIFY_MATCH("^\\d+\\.\\d{3}$", t.duration);
            QCOMPARE(t.thread.section(' ', 0, 0), guiThread);
            QVERIFY(t.call.startsWith("blockedHardwareAccess"));
        }
        // The call texts as written at the call sites, the values the driver saw.
        const QString master = QString::number(app->masterVi);
        QCOMPARE(trace[0].call, QStringLiteral("blockedHardwareAccess3(ov8263_setTrigConfig, app->masterVi, 0, 0)"));
        QCOMPARE(trace[0].arguments, master + ", 0, 0");
        QCOMPARE(trace[1].arguments, master + ", 1000, 100, 1, 0");
        const auto fifo = std::find_if(trace.begin(), trace.end(),
                                       [](const TraceLine &t) { return t.call.contains("ov8263_resetFIFO"); });
        QVERIFY(fifo != trace.end());
        const QString busy = QString::number(quint32(ov8263_ERROR_BUSY), 16).toUpper().rightJustified(8, '0');
        QCOMPARE(fifo->status, failingFifoReset ? QStringLiteral("%1 (0x%2)").arg(ov8263_ERROR_BUSY).arg(busy) : "0");
        // The report of the failure looks its text up through the driver: traced too.
        if (failingFifoReset)
            QVERIFY((fifo + 1)->call.startsWith("blockedHardwareAccess(ov8263_error_message, masterVi, status, buffer)"));
        // Output pointers show the value the driver left there.
        const auto read = std::find_if(trace.begin(), trace.end(),
                                       [](const TraceLine &t) { return t.call.contains("ov8263_readAcquisition"); });
        QVERIFY(read != trace.end());
        QCOMPARE(read->call, QStringLiteral("blockedHardwareAccess6(ov8263_readAcquisition, app->masterVi, scanCount, "
                                            "ov8263_GROUP_BY_CHANNEL, (ViPReal64)0, &scanCount, plotData)"));
        VERIFY_MATCH("^\\d+, 100, 0, NULL, 0x[0-9a-f]+->100, 0x[0-9a-f]+->-?\\d", read->arguments);
        const TraceLine &lastCheck = *std::find_if(trace.rbegin(), trace.rend(), [](const TraceLine &t) {
            return t.call.contains("ov8263_checkAcquisition");
        });
        QVERIFY2(lastCheck.arguments.endsWith(QStringLiteral("->%1, ").arg(gl_state) +
                                              lastCheck.arguments.section(", ", 2)),
                 qPrintable(lastCheck.arguments));
        QVERIFY(lastCheck.arguments.section(", ", 3).endsWith(QStringLiteral("->%1").arg(gl_scanBacklog)));

        // Off: further calls leave the file as it is.
        const qint64 size = QFileInfo(tracePath()).size();
        blockedHardwareAccess1(ov8263_resetFIFO, app->masterVi);
        QCOMPARE(QFileInfo(tracePath()).size(), size);
        ovsim::setManualClock(false);
    }

    // Calls of another thread carry its id; a new start appends to the file.
    void otherThreadAndAppend()
    {
        ovsim::reset();
        ViSession vi = 0;
        QCOMPARE(ov8263_paramInit("VXI0::1::INSTR", 1, 1, 1, &vi), 0);
        QVERIFY(driverTrace::start(tracePath().toStdString()));
        blockedHardwareAccess2(ov8263_armDAQ, vi, ViUInt16(6));
        long workerId = 0;
        std::thread([&] {
            workerId = long(::syscall(SYS_gettid));
            blockedHardwareAccess4(ov8263_startAcquisitionEx, vi, 10, &noCallback, ViAddr(0));
        }).join();
        driverTrace::stop();
        QVERIFY(driverTrace::start(tracePath().toStdString()));
        blockedHardwareAccess1(ov8263_stopAcquisition, vi);
        driverTrace::stop();
        blockedHardwareAccess1(ov8263_close, vi);

        bool ok = false;
        const QList<TraceLine> trace = readTrace(tracePath(), &ok);
        QVERIFY(ok);
        QCOMPARE(trace.size(), 3);
        QCOMPARE(trace[1].thread.section(' ', 0, 0), QString::number(workerId));
        QVERIFY(trace[0].thread != trace[1].thread);
        VERIFY_MATCH(QStringLiteral("^%1, 10, 0x[0-9a-f]+, NULL$").arg(vi), trace[1].arguments);
        QCOMPARE(functionOf(trace[2].call), QStringLiteral("ov8263_stopAcquisition"));
        QFile f(tracePath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()).count("# time\tthread\tcall\targuments\tstatus\tduration_us\n"), 2);
    }

    void environment_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("started");
        QTest::addColumn<bool>("on");
        QTest::newRow("unset") << QString() << true << false;
        QTest::newRow("empty") << "" << true << false;
        QTest::newRow("a file") << "trace.txt" << true << true;
        QTest::newRow("a missing folder") << "missing/trace.txt" << false << false;
    }

    void environment()
    {
        QFETCH(QString, value);
        if (value.isNull())
            qunsetenv(driverTrace::environmentVariable);
        else
            qputenv(driverTrace::environmentVariable, (value.isEmpty() ? value : dir.filePath(value)).toLocal8Bit());
        std::string reason;
        QTEST(driverTrace::startFromEnvironment(&reason), "started");
        QTEST(driverTrace::on(), "on");
        QCOMPARE(reason.empty(), driverTrace::on() || value.isEmpty());
        if (driverTrace::on())
            QCOMPARE(QString::fromStdString(driverTrace::path()), dir.filePath(value));
        qunsetenv(driverTrace::environmentVariable);
    }

    // The About box's switch: checking asks for the file, unchecking stops;
    // a cancelled file dialog leaves the trace off.
    void aboutBoxSwitch()
    {
        ovsim::reset();
        ov9174fp_About about(QStringLiteral("P0"), QStringLiteral("D0"), QStringLiteral("7931"), QString(), nullptr,
                             1, QString());
        auto *option = about.findChild<ov9174fp_traceOption *>();
        QVERIFY(option);
        QVERIFY(!option->isChecked());

        QString offered;
        bool accept = false;
        ModalAnswerer answerer({QStringLiteral("OK")});
        answerer.other = [&](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            if (!dialog)
                return false;
            offered = dialog->selectedFiles().value(0);
            if (accept) {
                chooseFile(dialog, tracePath());
                static_cast<QDialog *>(dialog)->accept();
            } else {
                dialog->reject();
            }
            return true;
        };
        option->click();
        QVERIFY(!driverTrace::on() && !option->isChecked());
        QCOMPARE(offered, ov9174fp_traceOption::defaultTraceFile());

        accept = true;
        option->click();
        QVERIFY(driverTrace::on() && option->isChecked());
        QCOMPARE(QString::fromStdString(driverTrace::path()), tracePath());
        QVERIFY(option->toolTip().contains(tracePath()));
        option->click();
        QVERIFY(!driverTrace::on() && !option->isChecked());

        // A trace started elsewhere shows when the box is shown again.
        QVERIFY(driverTrace::start(tracePath().toStdString()));
        about.show();
        QVERIFY(option->isChecked() && option->toolTip() == option->whatsThis());
        QVERIFY(answerer.seen().isEmpty());
    }

    void argumentTexts()
    {
        ViSession session = 7;
        ViInt16 state = -3;
        ViChar buffer[8] = {};
        const double rate = 1234.5;
        const QString pointer = QStringLiteral("0x[0-9a-f]+");
        const QString text = QString::fromStdString(driverTrace::argumentText(
            ViSession(3), ViInt32(-12), rate, &session, &state, buffer, "VXI0::1::\"A\"\t", (ViPInt16)0, (ViAddr)0,
            &noCallback, ViUInt16(65535), true));
        const QString expected = QStringLiteral("^3, -12, 1234.5, %1->7, %1->-3, %1, \"VXI0::1::\\\\\"A\\\\\"\\\\x09\", "
                                                "NULL, NULL, %1, 65535, 1$")
                                     .arg(pointer);
        QVERIFY2(QRegularExpression(expected).match(text).hasMatch(), qPrintable(text + " / " + expected));
        QCOMPARE(QString::fromStdString(driverTrace::argumentText()), QString());
    }
};

QTEST_MAIN(TestTrace)
#include "test_trace.moc"
