// A continuous run of the core against the simulated digitizer, driven the
// way the panel drives it but without widgets: a std::mutex stands for the
// hardware lock and the writer runs on a std::thread. Shared by the tests
// of the ring, the writer and their faults.
#ifndef STREAM_RIG_H
#define STREAM_RIG_H

#include "contStream.h"
#include "sequence_check.h"
#include "ov8263.h"
#include "ov9174.h"
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
    const size_t at = text.find(revision);
    if (at == std::string::npos)
        return false;
    text.insert(at + revision.size(), "\n        fifo_samples: " + std::to_string(samples));
    std::string error;
    if (ovsim::loadScenarioText(text, &error))
        return true;
    std::fprintf(stderr, "scenario: %s\n", error.c_str());
    return false;
}

struct Rig {
    contParams_t p;
    std::mutex hardware;
    ViSession vi = 0;
    std::thread writer;
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

    bool open()
    {
        return ov8263_paramInit("VXI0::1::INSTR", 1, 1, 1, &vi) == VI_SUCCESS;
    }

    static RecordingSetup setupFor(uint32_t mask, int32_t scans, double rate)
    {
        RecordingSetup s;
        s.device = "7931-BB";
        s.samplingRate = rate;
        s.scansPerBlock = scans;
        s.channelMask = uint16_t(mask);
        return s;
    }

    // Prepares the ring and, with a path, the file (or `file` when given).
    bool prepare(uint32_t mask, int32_t scans, double rate, const std::string &path, int format,
                 std::FILE *file = nullptr)
    {
        channels.clear();
        for (int n = 0; n < 16; ++n)
            if (mask & (1u << n))
                channels.push_back(n + 1);
        if (!contPrepare(p, mask, scans, format))
            return false;
        if (file) {
            p.file = file;
            p.filePath.clear();
            writeRecordingHeader(file, setupFor(mask, scans, rate), format);
            return true;
        }
        return contOpenRecording(p, path, setupFor(mask, scans, rate));
    }

    // Starts the writer (when a file is open) and the digitizer's stream.
    bool start(double rate, int32_t scans)
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
        return ov8263_setAcquisitionMode(vi, rate, 0, ov8263_DA_START_IMM, ov8263_DA_STOP_ERR_OFF) == VI_SUCCESS &&
               ov8263_startAcquisitionEx(vi, scans, contCallback, &p) == VI_SUCCESS;
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
};

} // namespace streamtest

#endif
