// The overview of a long recording: a recording of about 1 GB (16 channels
// at 50 kHz, 10000 scans per block, noisy doubles) is written to a scratch
// folder and read once so that it lies in the page cache, then
//  1. the overview's reading task alone, from its start to its last group
//     (three runs; the median), and
//  2. the viewer opened on it: from locking the panel to the recording to
//     the overview complete. Meanwhile every event the overview handles on
//     the GUI thread (its timer's poll, which takes the new groups and
//     redraws its picture, and its paints) is timed, and a 5 ms timer on
//     the GUI thread measures the gaps between its ticks once the window
//     has been painted (those include the other threads' and processes'
//     use of the machine's cores).
//
// Figures: overview_seconds_per_gb (1), viewer_overview_seconds and
// viewer_overview_seconds_per_gb (2), gui_tick_max_ms (2: the longest the
// overview held the GUI thread in one event), gui_ticks (their number),
// gui_timer_gap_max_ms (2: the longest gap between two 5 ms ticks).
//
// Usage: bench_overview [megabytes]   (default 1024)
#include "recording_files.h"
#include "appfixture.h"
#include "ov7931Demo_App.h"
#include "ov7931Demo_Waveform.h"
#include "ov7931Demo_overview.h"
#include "ov7931Demo_recordingView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

namespace {

constexpr int kChannels = 16, kScans = 10000;
constexpr double kGB = 1e9;

// Writes `blocks` blocks of noise around a slow drift, one block in memory.
bool writeRecording(const std::string &path, int blocks)
{
    std::vector<rec::Channel> channels;
    for (int c = 1; c <= kChannels; ++c)
        channels.push_back({c, c <= 8 ? 4 : 0, 0, 0, 0});
    const QByteArray header = rec::header("7931-BB", true, "50000.000000", kScans, channels);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(header.constData(), header.size());
    std::vector<double> block(size_t(kChannels) * kScans);
    uint64_t state = 88172645463325252ull;
    for (int b = 0; b < blocks; ++b) {
        for (size_t i = 0; i < block.size(); ++i) {
            state ^= state << 13, state ^= state >> 7, state ^= state << 17;
            block[i] = double(b) * 1e-3 + double(state >> 11) * 0x1p-53;
        }
        out.write(reinterpret_cast<const char *>(block.data()), std::streamsize(block.size() * sizeof(double)));
    }
    return bool(out);
}

void readThrough(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> buffer(1 << 20);
    while (in.read(buffer.data(), std::streamsize(buffer.size())) || in.gcount() > 0) {
    }
}

// Times the events of one widget and its children.
class TimedApplication : public QApplication
{
public:
    using QApplication::QApplication;
    QObject *watched = nullptr;
    qint64 longestNs = 0;
    int events = 0;
    bool painted = false;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (!watched || (receiver != watched && receiver->parent() != watched))
            return QApplication::notify(receiver, event);
        QElapsedTimer clock;
        clock.start();
        const bool result = QApplication::notify(receiver, event);
        longestNs = std::max(longestNs, clock.nsecsElapsed());
        ++events;
        painted = painted || event->type() == QEvent::Paint;
        return result;
    }
};

} // namespace

int main(int argc, char **argv)
{
    TimedApplication application(argc, argv);
    const int megabytes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1024;
    const int blocks = std::max(1, int(megabytes * 1e6 / (8.0 * kChannels * kScans)));

    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("long.bin7931")).toStdString();
    if (!writeRecording(path, blocks)) {
        std::fprintf(stderr, "bench_overview: cannot write %s\n", path.c_str());
        return 1;
    }
    readThrough(path);
    recordingInfo info;
    if (readRecordingHeader(path, info) != 0 || info.blockCount != uint64_t(blocks)) {
        std::fprintf(stderr, "bench_overview: cannot read back %s\n", path.c_str());
        return 1;
    }
    const double gb = double(info.dataLength) / kGB;

    // 1. The reading task alone.
    std::vector<double> seconds;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer clock;
        clock.start();
        RecordingOverviewTask task(info);
        OverviewGroups groups;
        uint32_t have = 0;
        while (task.takeNew(groups, have).state == RecordingOverviewTask::State::Reading)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        seconds.push_back(double(clock.nsecsElapsed()) * 1e-9);
    }
    std::sort(seconds.begin(), seconds.end());

    // 2. The viewer opened on it.
    AppFixture fixture;
    fixture.answerWith({QStringLiteral("OK")});
    QString subType;
    if (openRecordingHeader(path, &subType) != RecordingStart::View) {
        std::fprintf(stderr, "bench_overview: the viewer does not open %s\n", path.c_str());
        return 1;
    }
    ov7931Demo_App *app = fixture.app = new ov7931Demo_App(&fixture.descriptor, 1, true, subType);
    app->show();
    QApplication::processEvents();
    QElapsedTimer opening;
    opening.start();
    if (!lockPanelToRecording(app, viewedRecording())) {
        std::fprintf(stderr, "bench_overview: 10000 scans at 50 kHz cannot be selected\n");
        return 1;
    }
    auto *overview = app->waveform->findChild<ov7931Demo_overview *>();
    application.watched = overview;
    QElapsedTimer sinceTick;
    qint64 longestGapNs = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    bool measuring = false; // from the first tick after the first paint
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (measuring)
            longestGapNs = std::max(longestGapNs, sinceTick.nsecsElapsed());
        measuring = application.painted;
        sinceTick.start();
    });
    tick.start(5);
    QEventLoop loop;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (overview->progress().state != RecordingOverviewTask::State::Reading || opening.elapsed() > 120000)
            loop.quit();
    });
    watch.start(2);
    loop.exec();
    const double viewerSeconds = double(opening.nsecsElapsed()) * 1e-9;
    tick.stop();
    const bool done = overview->progress().state == RecordingOverviewTask::State::Done;
    application.watched = nullptr;
    fixture.destroy();

    std::printf("recording_gb: %.3f GB\n", gb);
    std::printf("overview_seconds_per_gb: %.3f s/GB\n", seconds[1] / gb);
    std::printf("viewer_overview_seconds: %.3f s\n", viewerSeconds);
    std::printf("viewer_overview_seconds_per_gb: %.3f s/GB\n", viewerSeconds / gb);
    std::printf("gui_tick_max_ms: %.2f ms\n", double(application.longestNs) / 1e6);
    std::printf("gui_ticks: %d count\n", application.events);
    std::printf("gui_timer_gap_max_ms: %.1f ms\n", double(longestGapNs) / 1e6);
    return done ? 0 : 1;
}
