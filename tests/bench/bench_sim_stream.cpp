// Streams 16 channels at 50 kHz in blocks of 10000 scans for one simulated
// minute, reading every block in the callback the way the panel does (under a
// process-wide lock, into a ring of 16 blocks), and reports whether each block
// came on time and how much processor time a simulated second costs.
//
// Usage: bench_sim_stream [clock speed]
// The default speed 1 runs in real time (one minute); a faster clock shortens
// the run but scales the scheduling delays of the machine into simulated time.
#include "bench_figures.h"
#include "ov7931.h"
#include "ov8263.h"
#include "ovsim_control.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int kChannels = 16;
constexpr double kRate = 50000.0;
constexpr int kScansPerBlock = 10000;
constexpr double kSimulatedSeconds = 60.0;
constexpr int kBlocks = int(kSimulatedSeconds * kRate / kScansPerBlock);
constexpr double kBlockPeriod = kScansPerBlock / kRate;
// A block counts as late when its callback starts more than this long
// (simulated) after its last scan was taken.
constexpr double kLateAfter = 0.25 * kBlockPeriod;

std::mutex hardwareLock; // the panel's lock around every driver call

struct Run {
    double start = 0.0;
    std::vector<std::vector<double>> ring = std::vector<std::vector<double>>(16);
    std::atomic<int> blocks{0};
    std::atomic<int> late{0};
    std::atomic<int> failed{0};
    double maxLateness = 0.0;
};

void onBlock(ViSession vi, ViAddr user)
{
    Run &run = *static_cast<Run *>(user);
    int k = run.blocks.load();
    double lateness = ovsim::now() - (run.start + (k + 1) * kBlockPeriod);
    if (lateness > run.maxLateness)
        run.maxLateness = lateness;
    if (lateness > kLateAfter)
        run.late++;
    std::vector<double> &block = run.ring[size_t(k) % run.ring.size()];
    ViInt32 count = 0;
    ViStatus st;
    {
        std::lock_guard<std::mutex> lk(hardwareLock);
        st = ov8263_readAcquisition(vi, kScansPerBlock, ov8263_GROUP_BY_CHANNEL, nullptr, &count, block.data());
    }
    if (st != VI_SUCCESS || count != kScansPerBlock)
        run.failed++;
    run.blocks++;
}

bool ok(ViStatus st, const char *what)
{
    if (st == VI_SUCCESS)
        return true;
    std::fprintf(stderr, "%s failed with status 0x%08X\n", what, unsigned(st));
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    double speed = argc > 1 ? std::atof(argv[1]) : 1.0;
    if (!(speed > 0.0))
        speed = 1.0;
    ovsim::reset();
    ViSession master = 0, slave = 0;
    if (!ok(ov8263_paramInit("VXI0::1::INSTR", 1, 1, 1, &master), "ov8263_paramInit") ||
        !ok(ov7931_init(master, VI_TRUE, VI_TRUE, &slave), "ov7931_init"))
        return 1;
    // RTD and resistor on channels 1 and 2 (ohms), sine sources everywhere else (volts).
    for (int ch = 1; ch <= kChannels; ++ch) {
        bool resistive = ch <= 2;
        if (!resistive) {
            ovsim::Sensor s;
            s.kind = ovsim::SensorKind::Voltage;
            s.dcLevel = 0.1 * ch;
            s.amplitude = 1.0;
            s.frequency = 10.0 * ch;
            ovsim::setSensor(ch, s);
        }
        if (!ok(ov8263_setChanConfig(master, ch, ov8263_CH_FP, 2, VI_FALSE), "ov8263_setChanConfig") ||
            !ok(ov7931_setChanConfig(slave, ch, resistive ? ov7931_MODE_4_WIRE : ov7931_MODE_DIFF_VOLT,
                                     ov7931_GAIN_1, resistive ? ov7931_EXC_500UA : ov7931_EXC_OFF),
                "ov7931_setChanConfig") ||
            !ok(ov7931_setConversion(slave, ch, resistive ? ov7931_OUT_UNIT_RES : ov7931_OUT_UNIT_VOLT),
                "ov7931_setConversion"))
            return 1;
    }
    if (!ok(ov8263_setAcquisitionMode(master, kRate, 0, ov8263_DA_START_IMM, ov8263_DA_STOP_ERR_OFF),
            "ov8263_setAcquisitionMode"))
        return 1;

    Run run;
    for (auto &b : run.ring)
        b.resize(size_t(kChannels) * kScansPerBlock);
    ovsim::setClockSpeed(speed);
    auto wall0 = std::chrono::steady_clock::now();
    double cpu0 = bench::processCpuSeconds();
    run.start = ovsim::now();
    if (!ok(ov8263_startAcquisitionEx(master, kScansPerBlock, onBlock, &run), "ov8263_startAcquisitionEx"))
        return 1;
    while (run.blocks < kBlocks && ovsim::now() - run.start < kSimulatedSeconds + 10.0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    {
        std::lock_guard<std::mutex> lk(hardwareLock);
        ov8263_stopAcquisition(master);
    }
    double simulated = ovsim::now() - run.start;
    double cpu = bench::processCpuSeconds() - cpu0;
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    ov7931_close(slave);
    ov8263_close(master);

    std::printf("clock_speed: %g x\n", speed);
    std::printf("simulated_time: %.3f s\n", simulated);
    std::printf("wall_time: %.3f s\n", wall);
    std::printf("blocks_expected: %d blocks\n", kBlocks);
    std::printf("blocks_delivered: %d blocks\n", run.blocks.load());
    std::printf("blocks_late: %d blocks\n", run.late.load());
    std::printf("blocks_failed: %d blocks\n", run.failed.load());
    std::printf("max_lateness: %.6f s\n", run.maxLateness);
    std::printf("cpu_per_simulated_second: %.5f s\n", simulated > 0 ? cpu / simulated : 0.0);
    return run.blocks >= kBlocks && run.failed == 0 ? 0 : 1;
}
