// ov7931rec record: a headless continuous recording through the panel's
// continuous core (contStream), the way the panel drives it: the ring and the
// file set up by the core, the writer on a std::thread, the driver's
// callback, and the same shut-down order. A std::mutex stands for the
// panel's hardware lock. Each channel gets the panel's defaults for its
// sensor (4-wire for RTDs and resistance, differential for voltage, the first
// range, excitation off); temperature channels are converted to degrees
// Celsius by the writer, as in the panel. SIGINT/SIGTERM end the run at the
// next poll, so the file keeps whole blocks only.
#include "recVerbs.h"

#include "contStream.h"
#include "ov7931Demo_rtd.h"
#include "ov8263.h"
#include "visa.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

namespace {

std::atomic<bool> interrupted{false};

void onSignal(int) { interrupted.store(true); }

std::mutex hardwareLock;

// The first instrument the resource manager finds; empty when none.
std::string firstDescriptor()
{
    ViSession rm = 0;
    if (viOpenDefaultRM(&rm) < 0)
        return std::string();
    ViFindList list = 0;
    ViUInt32 count = 0;
    ViChar name[256] = {};
    if (viFindRsrc(rm, "?*INSTR", &list, &count, name) < 0 || count == 0)
        return std::string();
    return name;
}

std::string driverText(ViSession vi, ViStatus status)
{
    ViChar text[1024] = {};
    std::lock_guard<std::mutex> lk(hardwareLock);
    ov8263_error_message(vi, status, text);
    return text;
}

} // namespace

int runRecord(const RecArgs &args)
{
    const std::string descriptor = args.descriptor.empty() ? firstDescriptor() : args.descriptor;
    if (descriptor.empty()) {
        std::fprintf(stderr, "ov7931rec: record: no instrument found\n");
        return kExitInstrument;
    }
    ViSession vi = 0;
    ViStatus st = ov8263_paramInit(descriptor.c_str(), 1, 1, 1, &vi);
    if (st < 0) {
        std::fprintf(stderr, "ov7931rec: record: cannot open \"%s\": %s\n", descriptor.c_str(),
                     driverText(VI_NULL, st).c_str());
        return kExitInstrument;
    }
    ViChar subType[256] = {};
    ov8263_getSubType(vi, subType);

    contParams_t p;
    p.driver.readBlock = [](ViSession s, ViInt32 scans, ViInt32 *count, ViReal64 *data) {
        std::lock_guard<std::mutex> lk(hardwareLock);
        return ov8263_readAcquisition(s, scans, ov8263_GROUP_BY_CHANNEL, nullptr, count, data);
    };
    p.driver.errorMessage = driverText;
    p.toCelsius = T_rtd;

    RecordingSetup setup;
    setup.device = "7931-BB";
    setup.samplingRate = args.rate;
    setup.scansPerBlock = args.scans;
    uint32_t mask = 0;
    for (const ChannelArg &c : args.channels) {
        const int n = c.channel - 1;
        mask |= 1u << n;
        const int plotKind = c.sensorType == 4 ? 0 : c.sensorType == 3 ? 1 : 2;
        setup.channels[n] = {c.sensorType, c.sensorType == 4 ? 4 : 1, 0, 0, plotKind};
        p.sensorCode[n] = c.sensorType;
        p.measurementKind[n] = plotKind;
    }
    setup.channelMask = uint16_t(mask);

    if (!contPrepare(p, mask, args.scans, args.csv ? 1 : 0)) {
        ov8263_close(vi);
        return kExitInstrument;
    }
    if (!contOpenRecording(p, args.out, setup)) {
        contFreeBuffers(p);
        ov8263_close(vi);
        return kExitFile;
    }

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::thread writer;
    contBeginStreaming(p);
    p.writerFuture.launched = true;
    writer = std::thread(contWriter, &p);
    p.writerFuture.join = [&writer] { writer.join(); };
    while (!p.writerFuture.started.load())
        std::this_thread::yield();
    contEnableCallback(p);

    std::string failure;
    {
        std::lock_guard<std::mutex> lk(hardwareLock);
        for (int n = 0; n < 16 && failure.empty(); ++n)
            if (mask & (1u << n)) {
                st = ov8263_setChanConfig(vi, ViUInt16(n + 1), ov8263_CH_FP, 2, VI_FALSE);
                if (st < 0)
                    failure = "ov8263_setChanConfig";
            }
        if (failure.empty() && (st = ov8263_setTrigConfig(vi, 0, 0)) < 0)
            failure = "ov8263_setTrigConfig";
        if (failure.empty() && (st = ov8263_setAcquisitionMode(vi, args.rate, 0, ov8263_DA_START_IMM,
                                                               ov8263_DA_STOP_ERR_OFF)) < 0)
            failure = "ov8263_setAcquisitionMode";
        if (failure.empty() && (st = ov8263_startAcquisitionEx(vi, args.scans, contCallback, &p)) < 0)
            failure = "ov8263_startAcquisitionEx";
    }
    if (!failure.empty())
        failure += ": " + driverText(vi, st);

    const auto start = std::chrono::steady_clock::now();
    auto nextReport = start + std::chrono::seconds(1);
    while (failure.empty() && !interrupted.load()) {
        const auto now = std::chrono::steady_clock::now();
        if (std::chrono::duration<double>(now - start).count() >= args.seconds)
            break;
        if (now >= nextReport) {
            ViInt16 state = 0;
            ViUInt16 errors = 0;
            ViInt32 backlog = 0;
            {
                std::lock_guard<std::mutex> lk(hardwareLock);
                st = ov8263_checkAcquisition(vi, &state, &errors, &backlog);
            }
            if (st < 0) {
                failure = "ov8263_checkAcquisition: " + driverText(vi, st);
                break;
            }
            const int32_t pending = (p.head.load() - p.tail.load() + kRingBlocks) % kRingBlocks;
            std::printf("%.0f s: blocks written %lld, backlog %d scans, ring %d blocks\n",
                        std::chrono::duration<double>(now - start).count(),
                        (long long)(p.blocksRead.load() - pending), int(backlog), int(pending));
            std::fflush(stdout);
            nextReport += std::chrono::seconds(1);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    p.callbackEnabled.store(false);
    contAwaitCallbackAcknowledge(p);
    {
        std::lock_guard<std::mutex> lk(hardwareLock);
        ov8263_stopAcquisition(vi);
    }
    contStopWriter(p);
    const long long blocks = p.blocksRead.load();
    contFreeBuffers(p);
    {
        std::lock_guard<std::mutex> lk(hardwareLock);
        ov8263_close(vi);
    }
    const std::string error = contErrorText(p);
    if (!failure.empty()) {
        std::fprintf(stderr, "ov7931rec: record: %s\n", failure.c_str());
        return kExitInstrument;
    }
    if (!error.empty()) {
        std::fprintf(stderr, "ov7931rec: record: %s\n", error.c_str());
        return kExitFile;
    }
    std::printf("%s: %lld blocks of %d scans%s\n", args.out.c_str(), blocks, int(args.scans),
                interrupted.load() ? " (stopped by a signal)" : "");
    return kExitOk; // a stop by Ctrl+C is a clean end: the file is whole
}
