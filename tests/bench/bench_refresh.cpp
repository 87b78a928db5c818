// Plot refresh at the largest block (16 channels x 10000 scans), on the
// offscreen platform:
//  1. one 1000 x 300 QwtPlot with 16 noisy demo resistance curves, replotted
//     with QwtPlotCurve's drawing and with the fast curve;
//  2. the waveform window's refreshPlots() (with the painting it causes) in
//     demo mode, with 16 resistance channels (the worst case: the noise spans
//     a third of the plot's height) and with a mix of all three kinds.
// Each picture of the fast drawing is compared pixel by pixel with the
// picture QwtPlotCurve (and QwtPlotGrid) draw of the same block.
//
// Usage: bench_refresh [iterations] [fast|worst|mixed [scans]]   ("fast":
// time the fast drawing only, without pictures to compare; "worst" and
// "mixed": the same for that case alone, optionally with fewer scans; for
// profiling). With OV_BENCH_SAVE_DIR
// set, the compared pictures are saved there as PNG files.
#include "appfixture.h"
#include "bench_figures.h"
#include "ov7931Demo_App.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_Waveform.h"
#include "ov7931Demo_demoData.h"
#include "ov7931Demo_fastCurve.h"
#include "ov7931Demo_fastGrid.h"
#include "wave_helpers.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>


#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

using bench::threadCpuMs;

namespace {

double median(const std::vector<double> &v) { return bench::percentile(v, 0.5); }

constexpr int scans = 10000;
bool onlyFast = false;
bool onlyWorst = false;
bool onlyMixed = false;

// Counts paint events of the canvases, to be sure every timed refresh drew.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Pixels that differ between two pictures of the same size.
qint64 differingPixels(const QImage &a, const QImage &b)
{
    const QImage ia = a.convertToFormat(QImage::Format_RGB32);
    const QImage ib = b.convertToFormat(QImage::Format_RGB32);
    if (ia.size() != ib.size())
        return qint64(ia.width()) * ia.height();
    qint64 diff = 0;
    for (int y = 0; y < ia.height(); ++y) {
        const QRgb *la = reinterpret_cast<const QRgb *>(ia.constScanLine(y));
        const QRgb *lb = reinterpret_cast<const QRgb *>(ib.constScanLine(y));
        for (int x = 0; x < ia.width(); ++x)
            diff += la[x] != lb[x];
    }
    return diff;
}

// The timings of one way of drawing (plain Qwt or fast): medians of the
// wall-clock and GUI-thread CPU milliseconds (the CPU time is the figure to
// trust on a machine that is busy elsewhere), the fastest and the p99 (where
// a helper thread held up shows).
struct Timing {
    double ms = 0, cpuMs = 0, minMs = 0, p99Ms = 0;
};

struct Comparison {
    Timing timing[2]; // plain, fast
    qint64 pixels = 0;
    qint64 different = 0;
    int paintsPerRefresh = 0;
    bool allFast = true;
    double callMs = 0; // the fast refreshPlots() call alone, before the painting it causes
};

// Times `refresh` (which must end with the canvases painted) `iterations`
// times after two warm-up runs, for the plain (fast 0) or fast drawing.
void timeRuns(int iterations, int fast, const std::function<void()> &refresh, PaintCounter &counter,
              Comparison &r)
{
    counter.paints = 0;
    refresh();
    refresh();
    std::vector<double> ms, cpuMs;
    QElapsedTimer t;
    for (int i = 0; i < iterations; ++i) {
        const double cpu0 = threadCpuMs();
        t.start();
        refresh();
        ms.push_back(t.nsecsElapsed() / 1e6);
        cpuMs.push_back(threadCpuMs() - cpu0);
    }
    r.timing[fast] = {median(ms), median(cpuMs), *std::min_element(ms.begin(), ms.end()),
                      bench::percentile(ms, 0.99)};
    r.paintsPerRefresh = counter.paints / (iterations + 2);
}

void printComparison(const char *prefix, const Comparison &c)
{
    const Timing &plain = c.timing[0], &fast = c.timing[1];
    std::printf("%splain_qwt_refresh_median_ms: %.2f ms\n", prefix, plain.ms);
    std::printf("%srefresh_median_ms: %.2f ms\n", prefix, fast.ms);
    std::printf("%splain_qwt_refresh_cpu_median_ms: %.2f ms\n", prefix, plain.cpuMs);
    std::printf("%srefresh_cpu_median_ms: %.2f ms\n", prefix, fast.cpuMs);
    std::printf("%splain_qwt_refresh_min_ms: %.2f ms\n", prefix, plain.minMs);
    std::printf("%srefresh_min_ms: %.2f ms\n", prefix, fast.minMs);
    std::printf("%srefresh_p99_ms: %.2f ms\n", prefix, fast.p99Ms);
    if (c.callMs > 0)
        std::printf("%srefresh_call_median_ms: %.2f ms\n", prefix, c.callMs);
    std::printf("%sspeedup: %.1f x\n", prefix, plain.ms / fast.ms);
    std::printf("%spixels_compared: %lld px\n", prefix, (long long)c.pixels);
    std::printf("%spixels_different: %lld px\n", prefix, (long long)c.different);
    std::printf("%spixels_different_percent: %.4f %%\n", prefix,
                c.pixels ? 100.0 * double(c.different) / double(c.pixels) : 0.0);
    std::printf("%scanvas_paints_per_refresh: %d count\n", prefix, c.paintsPerRefresh);
    std::printf("%sfast_path_taken: %d bool\n", prefix, c.allFast ? 1 : 0);
}

// 1. One plot, 16 curves.
Comparison standalonePlot(int iterations)
{
    std::vector<double> data(size_t(16) * scans);
    std::vector<double> time(scans);
    for (int s = 0; s < scans; ++s)
        time[size_t(s)] = s / 10000.0;
    bool enabled[16];
    int kinds[16];
    for (int c = 0; c < 16; ++c) {
        enabled[c] = true;
        kinds[c] = 1;
    }
    generateDemoBlock(data.data(), scans, enabled, kinds);

    QwtPlot plot;
    plot.setCanvasBackground(QColor(0, 0, 128));
    std::vector<ov7931Demo_FastCurve *> curves;
    const QColor colours[16] = {Qt::cyan, Qt::magenta, Qt::yellow, Qt::green, Qt::red, Qt::blue,
                                Qt::gray, Qt::white, Qt::darkCyan, Qt::darkMagenta, Qt::darkYellow,
                                Qt::darkGreen, Qt::darkRed, QColor(255, 165, 0), Qt::darkGray, Qt::black};
    for (int c = 0; c < 16; ++c) {
        auto *curve = new ov7931Demo_FastCurve(QStringLiteral("Ch %1").arg(c + 1));
        curve->setPen(QPen(colours[c], 0));
        curve->setRawSamples(time.data(), data.data() + size_t(c) * scans, scans);
        curve->attach(&plot);
        curves.push_back(curve);
    }
    auto *canvas = qobject_cast<QwtPlotCanvas *>(plot.canvas());
    canvas->setPaintAttribute(QwtPlotCanvas::ImmediatePaint, true);
    PaintCounter counter;
    canvas->installEventFilter(&counter);
    plot.show();
    // a canvas of 1000 x 300 pixels
    plot.resize(1000, 300);
    QCoreApplication::processEvents();
    plot.resize(plot.size() + QSize(1000, 300) - canvas->size());
    QCoreApplication::processEvents();
    std::printf("standalone_canvas_size: %d x %d px\n", canvas->width(), canvas->height());

    Comparison r;
    QImage pictures[2];
    for (int fast = onlyFast ? 1 : 0; fast < 2; ++fast) {
        for (auto *c : curves)
            c->setFastDrawing(fast);
        timeRuns(iterations, fast, [&] { plot.replot(); }, counter, r);
        pictures[fast] = canvas->grab().toImage();
    }
    for (auto *c : curves)
        r.allFast = r.allFast && c->lastDrawWasFast();
    if (!onlyFast) {
        r.pixels = qint64(pictures[0].width()) * pictures[0].height();
        r.different = differingPixels(pictures[0], pictures[1]);
    }
    return r;
}

// 2. The waveform window. kinds: sensor selector index per channel.
Comparison waveformWindow(ov7931Demo_App *app, const int sensors[16], int iterations, const char *name,
                          int scans = ::scans)
{
    ov7931Demo_Waveform *w = app->waveform;
    for (int c = 0; c < 16; ++c)
        wave::setChannel(app, c, true, sensors[c]);
    w->updateEnabledChannels();

    // One demo block of the largest size, as the demo poll makes it.
    w->scanCount = scans;
    w->samplingRate = 10000.0;
    for (int p = 0; p < 3; ++p)
        for (int s = 0; s < scans; ++s)
            w->timeAxis[p][s] = s / w->samplingRate;
    bool enabled[16];
    int kinds[16];
    for (int c = 0; c < 16; ++c) {
        enabled[c] = true;
        kinds[c] = app->chCfg[c]->plotKind;
    }
    generateDemoBlock(w->plotData, scans, enabled, kinds);
    w->refreshPlots();
    QCoreApplication::processEvents();

    PaintCounter counter;
    std::vector<int> visible;
    for (int p = 0; p < 3; ++p) {
        if (w->plotVisible[p]) {
            visible.push_back(p);
            w->panel(p).plot->canvas()->installEventFilter(&counter);
            std::printf("%s_canvas_%d_size: %d x %d px\n", name, p, w->panel(p).plot->canvas()->width(),
                        w->panel(p).plot->canvas()->height());
        }
    }

    const auto setFast = [&](bool fast) {
        for (int p = 0; p < 3; ++p)
            if (auto *grid = dynamic_cast<ov7931Demo_FastGrid *>(w->panel(p).grid))
                grid->setFastDrawing(fast);
        for (int p = 0; p < 3; ++p)
            for (int c = 0; c < 16; ++c)
                if (auto *fc = dynamic_cast<ov7931Demo_FastCurve *>(w->panel(p).curves[c]))
                    fc->setFastDrawing(fast);
    };

    Comparison r;
    std::vector<QImage> pictures[2];
    for (int fast = onlyFast ? 1 : 0; fast < 2; ++fast) {
        setFast(fast);
        std::vector<double> callMs;
        timeRuns(iterations, fast, [&] {
            QElapsedTimer call;
            call.start();
            w->refreshPlots();
            callMs.push_back(call.nsecsElapsed() / 1e6);
            QCoreApplication::processEvents();
        }, counter, r);
        if (fast)
            r.callMs = median(callMs);
        for (int p : visible)
            pictures[fast].push_back(w->panel(p).plot->canvas()->grab().toImage());
    }
    for (int p : visible) {
        for (int c = 0; c < 16; ++c) {
            auto *fc = dynamic_cast<ov7931Demo_FastCurve *>(w->panel(p).curves[c]);
            if (!fc)
                r.allFast = false;
            else if (fc->dataSize() > 0)
                r.allFast = r.allFast && fc->lastDrawWasFast();
        }
    }
    const QString saveDir = qEnvironmentVariable("OV_BENCH_SAVE_DIR");
    for (size_t i = 0; i < visible.size() && !onlyFast && !saveDir.isEmpty(); ++i) {
        for (int fast = 0; fast < 2; ++fast)
            pictures[fast][i].save(QStringLiteral("%1/bench_refresh_%2_plot%3_%4.png")
                                       .arg(saveDir, QString::fromLatin1(name)).arg(visible[i])
                                       .arg(fast ? "fast" : "plain"));
    }
    for (size_t i = 0; i < visible.size() && !onlyFast; ++i) {
        r.pixels += qint64(pictures[0][i].width()) * pictures[0][i].height();
        r.different += differingPixels(pictures[0][i], pictures[1][i]);
    }
    for (int p : visible)
        w->panel(p).plot->canvas()->removeEventFilter(&counter);
    return r;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const int iterations = argc > 1 ? std::max(3, std::atoi(argv[1])) : 25;
    onlyWorst = argc > 2 && qstrcmp(argv[2], "worst") == 0;
    onlyMixed = argc > 2 && qstrcmp(argv[2], "mixed") == 0;
    onlyFast = onlyWorst || onlyMixed || (argc > 2 && qstrcmp(argv[2], "fast") == 0);
    std::srand(7931);

    std::printf("iterations: %d count\n", iterations);
    if (!onlyWorst && !onlyMixed)
        printComparison("standalone_", standalonePlot(iterations));

    AppFixture fx;
    ov7931Demo_App *app = fx.create(AppFixture::Mode::Demo);
    app->show();
    app->resize(1280, 1000);
    QCoreApplication::processEvents();

    int sensors[16];
    for (int c = 0; c < 16; ++c)
        sensors[c] = (c % 3 == 0) ? wave::Voltage : (c % 3 == 1 ? wave::Resistance : wave::PT100);
    const int onlyScans = argc > 3 ? qBound(1, std::atoi(argv[3]), scans) : scans;
    if (onlyMixed) {
        printComparison("mixed_", waveformWindow(app, sensors, iterations, "mixed", onlyScans));
        fx.destroy();
        return 0;
    }
    std::fill(sensors, sensors + 16, int(wave::Resistance));
    const Comparison worst = waveformWindow(app, sensors, iterations, "resistance16", onlyScans);
    // the worst case is the headline figure
    printComparison("", worst);
    if (onlyWorst) {
        fx.destroy();
        return 0;
    }
    // what a refresh costs besides drawing the curves: the same with 10 scans
    const Comparison worstSmall = waveformWindow(app, sensors, iterations, "resistance16_10", 10);
    std::printf("resistance16_10_scans_refresh_median_ms: %.2f ms\n", worstSmall.timing[1].ms);

    for (int c = 0; c < 16; ++c)
        sensors[c] = (c % 3 == 0) ? wave::Voltage : (c % 3 == 1 ? wave::Resistance : wave::PT100);
    const Comparison mixed = waveformWindow(app, sensors, iterations, "mixed");
    printComparison("mixed_", mixed);

    // What a refresh costs besides the curves: the same mix with 10 scans.
    const Comparison small = waveformWindow(app, sensors, iterations, "mixed10", 10);
    std::printf("mixed_10_scans_refresh_median_ms: %.2f ms\n", small.timing[1].ms);

    fx.destroy();
    return 0;
}
