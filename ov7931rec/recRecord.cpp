// ov7931rec record: a headless continuous recording through the panel's
// continuous core (contStream), the way the panel drives it: the ring and the
// file set up by the core, the writer on a std::thread, the driver's
// callback, and the same shut-down order. Every driver call is one of the
// panel's guarded calls (under its hardware lock, in its trace); a failing
// call is printed instead of boxed. The conditioning card is opened on the
// digitizer's session and every channel is set up with the panel's own
// driver calls: the recorded channels with the panel's defaults for their
// sensor, the others as a fresh panel leaves them (switched off, excitation
// "Off"). The header names the card's own sub-type. SIGINT/SIGTERM end the
// run at the next poll, so the file keeps whole blocks only.
#include "recVerbs.h"

#include "contStream.h"
#include "ov7931.h"
#include "ov7931Demo_applyConfig.h"
#include "ov7931Demo_contDriver.h"
#include "ov7931Demo_hwaccess.h"
#include "ov7931Demo_sensorDefaults.h"
#include "ov7931Demo_trace.h"
#include "ov8263.h"
#include "runTexts.h"
#include "visa.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

namespace {

std::atomic<bool> interrupted{false};

void onSignal(int) { interrupted.store(true); }

// Driver reports go to standard error; an error fails the set-up.
std::atomic<bool> setupFailed{false};

void printReport(const StatusReport &report)
{
    std::fprintf(stderr, "ov7931rec: record: %s\n", report.text.toLatin1().constData());
    if (report.isError)
        setupFailed.store(true);
}

// The first instrument the resource manager finds; empty when none.
std::string firstDescriptor()
{
    ViSession rm = 0;
    if (blockedHardwareAccess1(viOpenDefaultRM, &rm) < 0)
        return std::string();
    ViFindList list = 0;
    ViUInt32 count = 0;
    ViChar name[256] = {};
    if (blockedHardwareAccess5(viFindRsrc, rm, "?*INSTR", &list, &count, name) < 0 || count == 0)
        return std::string();
    return name;
}

std::string driverText(ViSession vi, ViStatus status)
{
    ViChar text[1024] = {};
    blockedHardwareAccess3(ov8263_error_message, vi, status, text);
    text[sizeof text - 1] = 0;
    return text;
}

// The two sessions, closed in the panel's order when the run ends.
struct Sessions {
    ViSession masterVi = 0;
    ViSession slaveVi = 0;
    ~Sessions()
    {
        if (slaveVi)
            blockedHardwareAccess1(ov7931_close, slaveVi);
        if (masterVi)
            blockedHardwareAccess1(ov8263_close, masterVi);
    }
};

// Opens the conditioning card on the digitizer's session and reads its
// sub-type ("7931-" and the driver's text, as the panel names it). Empty
// when a call failed (it has been printed).
std::string openConditioningCard(Sessions &s)
{
    OV_CALL7931(blockedHardwareAccess4(ov7931_init, s.masterVi, VI_TRUE, VI_TRUE, &s.slaveVi));
    if (setupFailed.load())
        return std::string();
    ViChar sub[256] = {0};
    ViInt32 serial = 0;
    OV_CALL7931(blockedHardwareAccess3(ov7931_serialNumber, s.slaveVi, sub, &serial));
    sub[sizeof sub - 1] = 0;
    return setupFailed.load() ? std::string() : std::string("7931-") + sub;
}

} // namespace

int runRecord(const RecArgs &args)
{
    interrupted.store(false);
    setupFailed.store(false);
    std::string traceError;
    if (!driverTrace::startFromEnvironment(&traceError))
        std::fprintf(stderr, "ov7931rec: record: cannot write the driver-call trace: %s\n", traceError.c_str());
    setStatusReportSink(printReport);

    const std::string descriptor = args.descriptor.empty() ? firstDescriptor() : args.descriptor;
    if (descriptor.empty()) {
        std::fprintf(stderr, "ov7931rec: record: no instrument found\n");
        return kExitInstrument;
    }
    Sessions s;
    setReportSessions(&s.masterVi, &s.slaveVi);
    ViStatus st = blockedHardwareAccess5(ov8263_paramInit, descriptor.c_str(), ViUInt16(1), ViUInt16(1),
                                         ViUInt16(1), &s.masterVi);
    if (st < 0) {
        s.masterVi = 0;
        std::fprintf(stderr, "ov7931rec: record: cannot open \"%s\": %s\n", descriptor.c_str(),
                     driverText(VI_NULL, st).c_str());
        return kExitInstrument;
    }
    const std::string subType = openConditioningCard(s);
    if (subType.empty())
        return kExitInstrument;

    // Every channel as the panel sets it up: the recorded ones enabled with
    // their sensor's defaults, the others switched off.
    contParams_t p;
    useGuardedDriver(p);
    RecordingSetup setup;
    setup.device = subType;
    setup.samplingRate = args.rate;
    setup.scansPerBlock = args.scans;
    uint32_t mask = 0;
    int sensorOf[16] = {};
    for (const ChannelArg &c : args.channels) {
        mask |= 1u << (c.channel - 1);
        sensorOf[c.channel - 1] = c.sensorType;
    }
    const QString qSubType = QString::fromStdString(subType);
    for (int n = 0; n < 16 && !setupFailed.load(); ++n) {
        const bool enabled = (mask & (1u << n)) != 0;
        const ChannelSnapshot c = sensorDefaultSnapshot(n, enabled, sensorOf[n], qSubType);
        setupTriggerInput(s.masterVi, n);
        applyChannelToHardware(c, s.masterVi, s.slaveVi);
        if (enabled) {
            const int plotKind = sensorDefaults(c.sensorType, qSubType, n).plotKind;
            setup.channels[n] = {c.sensorType, c.mode, c.rangeIndex, c.excitCurr, plotKind};
            p.sensorCode[n] = c.sensorType;
            p.measurementKind[n] = plotKind;
        }
    }
    if (setupFailed.load())
        return kExitInstrument;
    setup.channelMask = uint16_t(mask);

    if (!contPrepare(p, mask, args.scans, args.csv ? 1 : 0))
        return kExitInstrument;
    if (!contOpenRecording(p, args.out, setup)) {
        contFreeBuffers(p);
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

    // The panel's streaming calls; a failure is printed by the report sink.
    const ViSession masterVi = s.masterVi;
    OV_CALL8263(blockedHardwareAccess3(ov8263_setTrigConfig, masterVi, 0, 0));
    if (!setupFailed.load())
        OV_CALL8263(blockedHardwareAccess5(ov8263_setAcquisitionMode, masterVi, args.rate, 0, ov8263_DA_START_IMM,
                                           ov8263_DA_STOP_ERR_OFF));
    if (!setupFailed.load())
        OV_CALL8263(blockedHardwareAccess4(ov8263_startAcquisitionEx, masterVi, args.scans, contCallback,
                                           (ViAddr)&p));
    std::string failure = setupFailed.load() ? "the acquisition could not be started" : "";

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
            st = blockedHardwareAccess4(ov8263_checkAcquisition, masterVi, &state, &errors, &backlog);
            if (st < 0) {
                failure = "ov8263_checkAcquisition: " + driverText(masterVi, st);
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
    blockedHardwareAccess1(ov8263_stopAcquisition, masterVi);
    contStopWriter(p);
    const long long blocks = p.blocksRead.load();
    contFreeBuffers(p);
    const std::string error = contErrorText(p);
    // Blocks that came short are in the file with their missing scans NaN.
    const std::string shortText = shortBlocksText(p.shortBlocks.load(), blocks);
    if (!shortText.empty())
        std::fprintf(stderr, "ov7931rec: record: %s\n", shortText.c_str());
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
    if (!shortText.empty())
        return kExitBadData;
    return kExitOk; // a stop by Ctrl+C is a clean end: the file is whole
}
