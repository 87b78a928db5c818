// ov7931rec info: a recording's header fields, the block length and count
// derived from the file's size, the channels with their kinds and units and
// the recorded duration, as text or (--json) as one JSON object. Data that
// are not a whole number of blocks bring the panel's corruption warning.
#include "recFile.h"
#include "recVerbs.h"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace {

double durationSeconds(const recordingInfo &info)
{
    return info.samplingRateHz > 0 ? double(info.blockCount) * info.numberOfScansPerBlock / info.samplingRateHz : 0.0;
}

} // namespace

int runInfo(const RecArgs &args)
{
    recordingInfo info;
    bool corrupt = false;
    if (!openRecording("info", args.file, info, corrupt))
        return kExitFile;
    const std::vector<int> channels = recordedChannels(info);

    if (args.json) {
        nlohmann::json j;
        j["file"] = info.fileName;
        j["device"] = info.device;
        j["format"] = info.isReal64 ? "ViReal64" : "ViReal32";
        j["sampling_rate_hz"] = info.samplingRateHz;
        j["number_of_channels"] = info.numberOfChannels;
        j["scans_per_block"] = info.numberOfScansPerBlock;
        j["number_of_function_cards"] = info.numberOfFunctionCards;
        j["channel_mask_fc1"] = info.channelMasks[0];
        j["time_offset_s"] = info.timeOffset;
        j["header_bytes"] = info.headerLength;
        j["data_bytes"] = info.dataLength;
        j["block_bytes"] = info.blockLength;
        j["block_count"] = info.blockCount;
        j["duration_s"] = durationSeconds(info);
        j["corrupt"] = corrupt;
        if (corrupt)
            j["warning"] = "Warning. The binary data seems corrupt.";
        nlohmann::json list = nlohmann::json::array();
        for (int ch : channels) {
            const int sensor = info.sensorTypes[ch - 1];
            list.push_back({{"channel", ch},
                            {"name", "FC1_CH" + std::to_string(ch)},
                            {"kind", kindOfSensor(sensor)},
                            {"unit", unitOfPlotKind(plotKindOfRecorded(sensor))},
                            {"sensor_type", sensor},
                            {"channel_mode", info.channelModes[ch - 1]},
                            {"input_range", info.inputRanges[ch - 1]},
                            {"excitation_current", info.excitationCurrents[ch - 1]}});
        }
        j["channels"] = list;
        std::printf("%s\n", j.dump(2).c_str());
        return kExitOk;
    }

    std::printf("File:              %s\n", info.fileName.c_str());
    std::printf("Device:            Keltri %s\n", info.device.c_str());
    std::printf("Format:            %s\n", info.isReal64 ? "ViReal64" : "ViReal32");
    std::printf("Sampling rate:     %s Hz\n", fixedSix(info.samplingRateHz).c_str());
    std::printf("Channels:          %d (mask 0x%04x)\n", info.numberOfChannels, unsigned(info.channelMasks[0]));
    std::printf("Scans per block:   %d\n", info.numberOfScansPerBlock);
    std::printf("Time offset:       %s s\n", fixedSix(info.timeOffset).c_str());
    std::printf("Header:            %llu bytes\n", (unsigned long long)info.headerLength);
    std::printf("Data:              %llu bytes\n", (unsigned long long)info.dataLength);
    std::printf("Block length:      %llu bytes\n", (unsigned long long)info.blockLength);
    std::printf("Blocks:            %llu\n", (unsigned long long)info.blockCount);
    std::printf("Duration:          %s s\n", fixedSix(durationSeconds(info)).c_str());
    std::printf("\n  Channel  Kind    Unit  Mode  Range  Current\n");
    for (int ch : channels) {
        const int sensor = info.sensorTypes[ch - 1];
        std::printf("  FC1_CH%-2d %-7s %s %4d  %5d  %7d\n", ch, kindOfSensor(sensor),
                    padded(unitOfPlotKind(plotKindOfRecorded(sensor)), 5).c_str(), info.channelModes[ch - 1],
                    info.inputRanges[ch - 1], info.excitationCurrents[ch - 1]);
    }
    if (corrupt) {
        std::printf("\n");
        std::fputs(recordingCorruptWarning, stdout);
    }
    return kExitOk;
}
