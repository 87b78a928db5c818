// ov7931rec record: a headless continuous recording through the panel's
// continuous core (contStream), the way the panel drives it: the ring and the
// file set up by the core, the writer on a std::thread, the driver's
// callback, and the same shut-down order. Every driver call is one of the
// panel's guarded calls (under its hardware lock, in its trace); a failing
// call is printed instead of boxed: what was being done and the driver's
// text, then the call's own report. The conditioning card is opened on the
// digitizer's session and every channel is set up with the panel's own
// driver calls: the recorded channels as recChannels.h says, the others as
// a fresh panel leaves them (switched off, excitation "Off"). The header
// names the card's own sub-type. SIGINT/SIGTERM end the run at the next
// poll, so the file keeps whole blocks only. The file is created before the
// first driver call and never replaces one unless --force (recOutput.h); a
// run that fails before its first whole block leaves none.
#include "recChannels.h"
#include "recOutput.h"
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
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

namespace {

std::atomic<bool> interrupted{false};

void onSignal(int) { interrupted.store(true); }

// Driver reports go to standard error; an error fails the set-up.
std::atomic<bool> setupFailed{false};

// What the run is doing, in the user's words, for a failing call's report.
std::mutex activityLock;
std::string activity;

void setActivity(const std::string &text)
{
    std::lock_guard<std::mutex> lock(activityLock);
    activity = text;
}

// An error: "could not <activity>: <driver's text>", then the guarded
// call's own report. A warning: the report alone, and the run goes on.
void printReport(const StatusReport &report)
{
    if (report.isError) {
        std::lock_guard<std::mutex> lock(activityLock);
        std::fprintf(stderr, "ov7931rec: record: could not %s: %s\n", activity.c_str(),
                     report.message.toLatin1().constData());
    }
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
    setActivity("open the 7931 conditioning card on the digitizer");
    OV_CALL7931(blockedHardwareAccess4(ov7931_init, s.masterVi, VI_TRUE, VI_TRUE, &s.slaveVi));
    if (setupFailed.load())
        return std::string();
    setActivity("read the conditioning card's sub-type");
    ViChar sub[256] = {0};
    ViInt32 serial = 0;
    OV_CALL7931(blockedHardwareAccess3(ov7931_serialNumber, s.slaveVi, sub, &serial));
    sub[sizeof sub - 1] = 0;
    return setupFailed.load() ? std::string() : std::string("7931-") + sub;
}

// A rate as short as it can be written ("50000", "0.5"), without the locale.
std::string hertzText(double rate)
{
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, rate);
    return std::string(text, r.ptr);
}

// The run's file stays (with --force it now replaces the old one).
bool keepOutput(OutputFile &output)
{
    std::string error;
    if (output.keep(error))
        return true;
    std::fprintf(stderr, "ov7931rec: record: %s; the recording is \"%s\"\n", error.c_str(),
                 output.writtenPath().c_str());
    return false;
}

void discardOutput(OutputFile &output, bool force)
{
    output.discard();
    std::fprintf(stderr, "ov7931rec: record: no block was recorded; %s\n",
                 force && output.writtenPath() != output.path()
                     ? ("\"" + output.path() + "\" is left as it was").c_str()
                     : ("\"" + output.path() + "\" is not kept").c_str());
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

    // The file first: an existing one is refused before the cards are touched.
    OutputFile output;
    std::string outputError;
    if (output.create(args.out, args.force, outputError) != OutputFile::Created::Ok) {
        std::fprintf(stderr, "ov7931rec: record: %s\n", outputError.c_str());
        return kExitFile;
    }
    // From here a signal ends the run cleanly: before the stream starts, with no file.
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    const std::string descriptor = args.descriptor.empty() ? firstDescriptor() : args.descriptor;
    if (descriptor.empty()) {
        std::fprintf(stderr, "ov7931rec: record: no instrument found\n");
        return kExitInstrument;
    }
    Sessions s;
    setReportSessions(&s.masterVi, &s.slaveVi);
    setActivity("open the digitizer \"" + descriptor + "\"");
    ViStatus st = OV_CALL8263(blockedHardwareAccess5(ov8263_paramInit, descriptor.c_str(), ViUInt16(1),
                                                     ViUInt16(1), ViUInt16(1), &s.masterVi));
    if (st < 0) {
        s.masterVi = 0;
        return kExitInstrument;
    }
    const std::string subType = openConditioningCard(s);
    if (subType.empty())
        return kExitInstrument;

    // Every channel as the panel sets it up: the recorded ones enabled with
    // their sensor's defaults and current, the others switched off. A
    // current the card does not offer is refused before any channel is set.
    const QString qSubType = QString::fromStdString(subType);
    ChannelSnapshot recorded[16];
    for (const ChannelArg &c : args.channels) {
        std::string error;
        if (!recordedChannel(c.channel - 1, c.sensorType, c.current, qSubType, recorded[c.channel - 1], error)) {
            std::fprintf(stderr, "ov7931rec: record: %s\n", error.c_str());
            return kExitUsage;
        }
    }
    contParams_t p;
    useGuardedDriver(p);
    RecordingSetup setup;
    setup.device = subType;
    setup.samplingRate = args.rate;
    setup.scansPerBlock = args.scans;
    uint32_t mask = 0;
    for (const ChannelArg &c : args.channels)
        mask |= 1u << (c.channel - 1);
    for (int n = 0; n < 16 && !setupFailed.load(); ++n) {
        const bool enabled = (mask & (1u << n)) != 0;
        const ChannelSnapshot c = enabled ? recorded[n] : sensorDefaultSnapshot(n, false, 0, qSubType);
        setActivity(enabled ? "set up channel " + std::to_string(n + 1) + " (" + kindName(c.sensorType) + ")"
                            : "switch off channel " + std::to_string(n + 1));
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
    if (interrupted.load()) {
        contFreeBuffers(p);
        std::fprintf(stderr, "ov7931rec: record: stopped by a signal before the run started; no file written\n");
        return kExitOk;
    }
    contAdoptRecording(p, output.releaseStream(), output.writtenPath(), setup);
    const long long headerBytes = p.wholeBytes;

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
    setActivity("set the digitizer's trigger");
    OV_CALL8263(blockedHardwareAccess3(ov8263_setTrigConfig, masterVi, 0, 0));
    setActivity("set the sampling rate of the digitizer to " + hertzText(args.rate) + " Hz");
    if (!setupFailed.load())
        OV_CALL8263(blockedHardwareAccess5(ov8263_setAcquisitionMode, masterVi, args.rate, 0, ov8263_DA_START_IMM,
                                           ov8263_DA_STOP_ERR_OFF));
    setActivity("start the acquisition");
    if (!setupFailed.load())
        OV_CALL8263(blockedHardwareAccess4(ov8263_startAcquisitionEx, masterVi, args.scans, contCallback,
                                           (ViAddr)&p));
    setActivity("check the running acquisition");
    bool failed = setupFailed.load(); // reported by the sink

    const auto start = std::chrono::steady_clock::now();
    auto nextReport = start + std::chrono::seconds(1);
    while (!failed && !interrupted.load()) {
        const auto now = std::chrono::steady_clock::now();
        if (std::chrono::duration<double>(now - start).count() >= args.seconds)
            break;
        if (now >= nextReport) {
            ViInt16 state = 0;
            ViUInt16 errors = 0;
            ViInt32 backlog = 0;
            st = OV_CALL8263_ERRORS(blockedHardwareAccess4(ov8263_checkAcquisition, masterVi, &state, &errors,
                                                           &backlog));
            if (st < 0) {
                failed = true;
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
    // A failed block read is the digitizer's failure, told as the set-up's are.
    const std::string readFailure = contReadFailure(p);
    if (!readFailure.empty()) {
        std::fprintf(stderr, "ov7931rec: record: could not read a block from the digitizer: %s\n",
                     readFailure.c_str());
        failed = true;
    }
    if (!error.empty())
        std::fprintf(stderr, "ov7931rec: record: %s\n", error.c_str());
    if (failed || !error.empty()) {
        // A run that failed keeps its whole blocks, or no file at all.
        if (p.wholeBytes > headerBytes)
            keepOutput(output);
        else
            discardOutput(output, args.force);
        return failed ? kExitInstrument : kExitFile;
    }
    if (!keepOutput(output))
        return kExitFile;
    std::printf("%s: %lld blocks of %d scans%s\n", args.out.c_str(), blocks, int(args.scans),
                interrupted.load() ? " (stopped by a signal)" : "");
    if (!shortText.empty())
        return kExitBadData;
    return kExitOk; // a stop by Ctrl+C is a clean end: the file is whole
}
