// A continuous run of the core against the simulated digitizer, driven the
// way the panel drives it but without widgets: a std::mutex stands for the
// hardware lock and the writer runs on a std::thread. Shared by the tests
// of the ring, the writer and their faults, and of ov7931rec's files.
#ifndef STREAM_RIG_H
#define STREAM_RIG_H

#include "contStream.h"
#include "sequence_check.h"
#include "ov8263.h"
#include "ovsim_control.h"

#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace streamtest {

// The default system with a digitizer FIFO of `samples` samples: a block
// must fit, and a callback that comes late loses the oldest scans.
inline bool loadFifoScenario(long samples)
{
    std::string text = ovsim::defaultScenarioText();
    const std::string revision = "revision: \"2.4.1.0\"";
    text.insert(text.find(revision) + revision.size(), "\n        fifo_samples: " + std::to_string(samples));
    return ovsim::loadScenarioText(text);
}

struct Rig {
    contParams_t p;
    std::mutex hardware;
    ViSession vi = 0;
    std::thread writer;
    RecordingSetup setup;
    std::vector<int> channels; // 1-based, ascending

    Rig()
    {
        p.driver.readBlock = [this](ViSession s, ViInt32 scans, ViInt32 *count, ViReal64 *data) {
            std::lock_guard<std::mutex> lk(hardware);
            return ov8263_readAcquisition(s, scans, ov8263_GROUP_BY_CHANNEL, nullptr, count, data);
        };
        p.driver.errorMessage = [this](ViSession s, ViStatus status) {
            char text[1024] = {};
            std::lock_guard<std::mutex> lk(hardware);
            ov8263_error_message(s, status, text);
            return std::string(text);
        };
    }
    // A test that fails half-way still leaves no callback or writer behind.
    ~Rig()
    {
        if (p.callbackEnabled.load() || writer.joinable())
            stop();
    }

    bool open() { return ov8263_paramInit("VXI0::1::INSTR", 1, 1, 1, &vi) == VI_SUCCESS; }

    // A run of the channels in `mask` (bit n: channel n + 1) on a 7931-BB.
    static RecordingSetup setupFor(uint32_t mask, int32_t scans, double rate)
    {
        return RecordingSetup{"7931-BB", rate, scans, uint16_t(mask), 0.0, {}};
    }

    // Prepares the ring and, with a path, the file (or `file` when given).
    bool prepare(const RecordingSetup &s, const std::string &path, int format, std::FILE *file = nullptr)
    {
        setup = s;
        channels.clear();
        for (int n = 0; n < 16; ++n)
            if (s.channelMask & (1u << n))
                channels.push_back(n + 1);
        if (!contPrepare(p, s.channelMask, s.scansPerBlock, format))
            return false;
        if (file)
            contAdoptRecording(p, file, path, s);
        return file || contOpenRecording(p, path, s);
    }

    // Starts the writer (when a file is open) and the digitizer's stream.
    bool start()
    {
        contBeginStreaming(p);
        if (p.file) {
            p.writerFuture.launched = true;
            writer = std::thread(contWriter, &p);
            p.writerFuture.join = [this] { writer.join(); };
            while (!p.writerFuture.started.load())
                std::this_thread::yield();
        }
        contEnableCallback(p);
        std::lock_guard<std::mutex> lk(hardware);
        for (int ch : channels)
            if (ov8263_setChanConfig(vi, ViUInt16(ch), ov8263_CH_FP, 2, VI_FALSE) != VI_SUCCESS)
                return false;
        return ov8263_setAcquisitionMode(vi, setup.samplingRate, 0, ov8263_DA_START_IMM, ov8263_DA_STOP_ERR_OFF) ==
                   VI_SUCCESS &&
               ov8263_startAcquisitionEx(vi, setup.scansPerBlock, contCallback, &p) == VI_SUCCESS;
    }

    // The panel's stop: callback disabled and acknowledged, stream stopped,
    // writer ended, buffers freed. Returns the run's error text.
    std::string stop()
    {
        p.callbackEnabled.store(false);
        contAwaitCallbackAcknowledge(p);
        {
            std::lock_guard<std::mutex> lk(hardware);
            ov8263_stopAcquisition(vi);
        }
        contStopWriter(p);
        contFreeBuffers(p);
        return contErrorText(p);
    }

    // Waits (real time) until the writer has written every published block.
    bool drained(int ms = 5000)
    {
        for (int i = 0; i < ms; ++i) {
            if (p.tail.load() == p.head.load())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }

    // Advances the simulated clock `n` times by `blocks` blocks, the writer catching up after each.
    bool advance(int n, double blocks = 1.0)
    {
        for (int i = 0; i < n; ++i) {
            ovsim::advanceClock(blocks * setup.scansPerBlock / setup.samplingRate);
            if (!drained())
                return false;
        }
        return true;
    }
};

} // namespace streamtest

#endif
