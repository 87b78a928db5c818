// A whole live continuous run through the panel's own engine against the
// simulated instrument in real time: 16 channels at 50 kHz, 10000 scans per
// block, a 20 ms plot refresh, a binary recording to a file. The recording
// proves itself in the simulator's sequence mode (every sample carries its
// channel and running scan number), so the blocks lost, doubled or
// reordered are counted from the file's content.
//
// Before the run the plain write path is measured in the same folder, for
// the same number of seconds: a ring of 16 separately allocated blocks of the
// run's size, each filled with the same sequence samples just before its
// turn, written with one fwrite and one fflush at the run's 5 blocks per
// second. The disk and the kernel's page cache cost that much whatever the
// writer does; the writer's own share is what it takes beyond it.
//
// Figures: bare_write_p50_ms / bare_write_p99_ms (the plain write path; also
// as CPU time), blocks_lost (blocks read by the callback, counted once the
// stop has completed, that are not in the file as whole, consecutive blocks
// from the first on), process_cpu_cores (process CPU time / wall time, the
// simulated digitizer included), writer_block_p99_ms (converting, writing
// and flushing one block; also as the writer thread's CPU time, the figure
// to trust on a busy machine), gui_tick_p99_ms (one poll with the refresh
// and the painting it causes; also as GUI-thread CPU time). The blocks
// during which another thread took the processor from the writer (or from
// the plain write) are counted as *_preempted; the p99 of the others shows
// the pace of the write itself.
//
// With "pt100" half of the channels (2, 4, ... 16) are PT-100 sensors at
// -40 degrees Celsius shown as temperatures, so the writer converts them (the
// polynomial branch, the dearer one); the sequence check then covers the
// other half.
//
// Usage: bench_continuousRun [seconds] [pt100]   (default 30 s, no PT-100)
#include "bench_figures.h"
#include "sequence_check.h"
#include "appfixture.h"
#include "contStream.h"
#include "ov7931Demo_acqConfig.h"
#include "ov8263.h"
#include "ovsim_control.h"
#include "wave_helpers.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

using namespace wave;
using bench::percentile;
using bench::processCpuSeconds;
using bench::threadCpuMs;

namespace {

constexpr int kChannels = 16;
constexpr int kScans = 10000;
constexpr double kRate = 50000.0;

long involuntarySwitches()
{
    rusage u;
    getrusage(RUSAGE_THREAD, &u);
    return u.ru_nivcsw;
}

// The wall times of the blocks during which the thread kept its processor.
std::vector<float> keptProcessor(const std::vector<float> &wallMs, const std::vector<bool> &preempted)
{
    std::vector<float> v;
    for (size_t i = 0; i < wallMs.size() && i < preempted.size(); ++i)
        if (!preempted[i])
            v.push_back(wallMs[i]);
    return v;
}

using Times = contParams_t::WriterTimes;

// The figures of a series of block writes: their count, wall-clock p50, p99
// and maximum, CPU p50 and p99, and how many another thread interrupted. On
// a machine busy elsewhere a block's wall time also holds the turns of other
// threads that took the processor in the middle of it: the p99 of the blocks
// written without such a break tells the write's own pace.
void printTimes(const char *prefix, const char *countName, const char *preemptedName, const Times &t)
{
    std::printf("%s: %zu count\n", countName, t.wallMs.size());
    std::printf("%s_p50_ms: %.2f ms\n", prefix, percentile(t.wallMs, 0.5));
    std::printf("%s_p99_ms: %.2f ms\n", prefix, percentile(t.wallMs, 0.99));
    std::printf("%s_cpu_p50_ms: %.2f ms\n", prefix, percentile(t.cpuMs, 0.5));
    std::printf("%s_cpu_p99_ms: %.2f ms\n", prefix, percentile(t.cpuMs, 0.99));
    std::printf("%s_max_ms: %.2f ms\n", prefix, percentile(t.wallMs, 1.0));
    std::printf("%s: %ld count\n", preemptedName, long(std::count(t.preempted.begin(), t.preempted.end(), true)));
    std::printf("%s_unpreempted_p99_ms: %.2f ms\n", prefix, percentile(keptProcessor(t.wallMs, t.preempted), 0.99));
}

// The plain write path: what the disk and the kernel cost for the run's
// blocks at the run's pace, with nothing of ours around the write.
Times bareWrite(const std::string &path, int seconds)
{
    Times t;
    const size_t values = size_t(kChannels) * kScans;
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return t;
    RecordingSetup setup;
    setup.device = "7931-BB";
    setup.samplingRate = kRate;
    setup.scansPerBlock = kScans;
    setup.channelMask = 0xFFFF;
    writeRecordingHeader(file, setup, 0);
    double *ring[kRingBlocks];
    for (double *&b : ring)
        b = static_cast<double *>(std::calloc(values, sizeof(double)));
    const auto period = std::chrono::microseconds(int64_t(1e6 * kScans / kRate));
    const long blocks = long(seconds * kRate / kScans);
    auto due = std::chrono::steady_clock::now();
    for (long i = 0; i < blocks; ++i) {
        due += period;
        std::this_thread::sleep_until(due);
        double *block = ring[i % kRingBlocks];
        for (int k = 0; k < kChannels; ++k)
            for (int s = 0; s < kScans; ++s)
                block[size_t(k) * kScans + size_t(s)] = ovsim::integritySample(k + 1, int64_t(i) * kScans + s);
        const auto began = std::chrono::steady_clock::now();
        const double beganCpu = threadCpuMs();
        const long beganSwitches = involuntarySwitches();
        if (std::fwrite(block, values * sizeof(double), 1, file) != 1 || std::fflush(file) != 0) {
            std::fprintf(stderr, "bench_continuousRun: the plain write failed\n");
            break;
        }
        t.wallMs.push_back(std::chrono::duration<float, std::milli>(std::chrono::steady_clock::now() - began).count());
        t.cpuMs.push_back(float(threadCpuMs() - beganCpu));
        t.preempted.push_back(involuntarySwitches() != beganSwitches);
    }
    std::fclose(file);
    std::remove(path.c_str());
    for (double *b : ring)
        std::free(b);
    return t;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const bool pt100 = argc > 2 && std::strcmp(argv[2], "pt100") == 0;

    AppFixture fx;
    const Times bare = bareWrite(fx.path(QStringLiteral("bare.bin7931")).toStdString(), seconds);
    if (pt100) {
        // Channels 2, 4, ... 16: PT-100 sensors at -40 degrees Celsius.
        std::string text = ovsim::defaultScenarioText();
        const size_t from = text.find("          1: {");
        const size_t to = text.find("resources:");
        std::string sensors;
        for (int ch = 1; ch <= kChannels; ++ch)
            sensors += "          " + std::to_string(ch) +
                       (ch % 2 ? ": {sensor: voltage, dc: 0.5}\n" : ": {sensor: pt100, temperature: -40}\n");
        std::string error;
        if (from == std::string::npos || to == std::string::npos ||
            !ovsim::loadScenarioText(text.replace(from, to - from, sensors), &error)) {
            std::fprintf(stderr, "bench_continuousRun: no PT-100 scenario: %s\n", error.c_str());
            return 1;
        }
    }
    ov7931Demo_App *app = fx.create(AppFixture::Mode::Live);
    ov7931Demo_Waveform *w = app->waveform;
    app->resize(1366, 768);
    app->show();
    for (int ch = 0; ch < kChannels; ++ch)
        setChannel(app, ch, true, ch % 2 ? (pt100 ? PT100 : Resistance) : Voltage);
    app->waveformLengthList()->setCurrentText(QStringLiteral("10000"));
    app->samplingRateList()->setCurrentText(QStringLiteral("50 kHz"));
    if (app->waveformLengthList()->currentData().toInt() != 10000 ||
        app->samplingRateList()->currentData().toDouble() != 50000.0) {
        std::fprintf(stderr, "bench_continuousRun: 10000 scans at 50 kHz cannot be selected\n");
        return 1;
    }
    ovsim::setIntegrityMode(true);
    if (pt100)
        ovsim::setIntegrityChannels(0x5555);

    const QString path = fx.path(QStringLiteral("bench.bin7931"));
    app->acqCfg->pathEdit->setText(path);
    app->acqCfg->formatSelector->setCurrentIndex(0);
    app->acqCfg->refreshSelector->setCurrentIndex(0);

    Times writer;
    writer.wallMs.reserve(size_t(seconds) * 10 + 100);
    writer.cpuMs.reserve(size_t(seconds) * 10 + 100);
    w->contParams.writerTimes = &writer;

    // Each tick timed with the paints it causes.
    std::vector<double> tickMs, tickCpuMs;
    tickMs.reserve(size_t(seconds) * 60);
    tickCpuMs.reserve(size_t(seconds) * 60);
    QObject::disconnect(w->acqTimer, &QTimer::timeout, w, nullptr);
    QObject::connect(w->acqTimer, &QTimer::timeout, w, [&]() {
        QElapsedTimer t;
        const double cpu0 = threadCpuMs();
        t.start();
        w->timerSlot();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        tickMs.push_back(double(t.nsecsElapsed()) / 1e6);
        tickCpuMs.push_back(threadCpuMs() - cpu0);
    });

    QTimer::singleShot(0, app->acqCfg->startButton, &QPushButton::click);
    app->continuousButton()->click();
    if (!app->continuousButton()->isChecked() || !w->acqTimer->isActive()) {
        std::fprintf(stderr, "bench_continuousRun: the run did not start\n");
        return 1;
    }

    const double cpu0 = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double cpu = processCpuSeconds() - cpu0;
    const double elapsed = double(wall.nsecsElapsed()) * 1e-9;
    app->continuousButton()->click(); // stop
    // Counted once the stop has completed: a block that arrives during the
    // stop is in the file and in the count.
    const int64_t blocksRead = w->contParams.blocksRead.load();
    const bool errorBox = !fx.boxes().isEmpty();

    const std::string bytes = streamtest::readAll(path.toStdString());
    std::vector<int> channels;
    std::vector<bool> skip; // the converted temperatures carry no sequence
    for (int ch = 1; ch <= kChannels; ++ch) {
        channels.push_back(ch);
        skip.push_back(pt100 && ch % 2 == 0);
    }
    const size_t perBlock = size_t(kChannels) * kScans;
    const std::vector<double> data = streamtest::binarySamples(bytes);
    const streamtest::SequenceCheck c = streamtest::checkSequenceBlocks(data, channels, kScans, skip);
    long good = c.blocks;
    if (!c.consecutive || !c.whole)
        std::fprintf(stderr, "bench_continuousRun: the recording breaks off: %s\n", c.why.c_str());
    if (!c.consecutive) {
        // Count the consecutive blocks before the first bad one.
        good = 0;
        while (size_t(good + 1) * perBlock <= data.size() &&
               streamtest::checkSequenceBlocks(
                   std::vector<double>(data.begin(), data.begin() + long(size_t(good + 1) * perBlock)), channels,
                   kScans, skip)
                   .consecutive)
            ++good;
    }
    std::remove(path.toLocal8Bit().constData());

    printTimes("bare_write", "bare_write_blocks", "bare_write_preempted", bare);
    std::printf("run_seconds: %.1f s\n", elapsed);
    std::printf("blocks_read: %lld blocks\n", (long long)blocksRead);
    std::printf("blocks_in_file: %ld blocks\n", c.blocks);
    std::printf("blocks_lost: %lld blocks\n", (long long)(blocksRead - good));
    std::printf("recording_error_box: %d bool\n", errorBox ? 1 : 0);
    std::printf("process_cpu_cores: %.3f cores\n", cpu / elapsed);
    printTimes("writer_block", "writer_blocks", "writer_blocks_preempted", writer);
    std::printf("gui_ticks: %zu count\n", tickMs.size());
    std::printf("gui_tick_p50_ms: %.2f ms\n", percentile(tickMs, 0.5));
    std::printf("gui_tick_p99_ms: %.2f ms\n", percentile(tickMs, 0.99));
    std::printf("gui_tick_cpu_p99_ms: %.2f ms\n", percentile(tickCpuMs, 0.99));
    std::printf("gui_tick_max_ms: %.2f ms\n", percentile(tickMs, 1.0));
    fx.destroy();
    return 0;
}
