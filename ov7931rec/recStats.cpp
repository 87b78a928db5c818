// ov7931rec stats: per channel the minimum, maximum and mean of a
// recording's samples and the number of NaN among them, over the whole
// recording or (--blocks) per block, from one pass over the file in
// constant memory. The reading and the figures are the panel's own
// (stream/recordingStats), the same that draw the viewer's overview.
// Numbers are written with std::to_chars, the shortest text that reads back
// as the same double, whatever the locale.
#include "recFile.h"
#include "recVerbs.h"
#include "recordingStats.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The shortest round-trip text of `v`; "" for NaN (no value).
std::string number(double v)
{
    if (v != v)
        return std::string();
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, v);
    return std::string(text, r.ptr);
}

nlohmann::json jsonNumber(double v, bool present)
{
    return present ? nlohmann::json(v) : nlohmann::json(nullptr);
}

std::string channelName(int channel) { return "FC1_CH" + std::to_string(channel); }

void addFigures(nlohmann::json &j, const SampleSummary &s)
{
    j["minimum"] = jsonNumber(s.min, !s.empty());
    j["maximum"] = jsonNumber(s.max, !s.empty());
    j["mean"] = jsonNumber(s.mean(), !s.empty());
    j["nan_count"] = s.nanCount;
}

} // namespace

int runStats(const RecArgs &args)
{
    recordingInfo info;
    bool corrupt = false;
    if (!openRecording("stats", args.file, info, corrupt))
        return kExitFile;
    const std::vector<int> channels = recordedChannels(info);
    const int named = int(channels.size()); // segments beyond the mask's channels are not shown

    if (args.blocks && !args.json)
        std::fputs("block,channel,minimum,maximum,mean,nan_count\n", stdout);
    std::vector<SampleSummary> totals(static_cast<size_t>(named));
    ProgressBar bar(args.progress, "stats", info.blockCount);
    const ScanResult result = scanRecording(info, [&](uint64_t index, const SampleSummary *s, int count) {
        const int n = std::min(count, named);
        for (int k = 0; k < n; ++k) {
            totals[size_t(k)].add(s[k]);
            if (!args.blocks)
                continue;
            if (args.json) {
                nlohmann::json j;
                j["block"] = index;
                j["channel"] = channels[size_t(k)];
                j["name"] = channelName(channels[size_t(k)]);
                addFigures(j, s[k]);
                std::printf("%s\n", j.dump().c_str());
            } else {
                std::printf("%llu,%s,%s,%s,%s,%llu\n", (unsigned long long)index,
                            channelName(channels[size_t(k)]).c_str(), number(s[k].empty() ? std::nan("") : s[k].min).c_str(),
                            number(s[k].empty() ? std::nan("") : s[k].max).c_str(), number(s[k].mean()).c_str(),
                            (unsigned long long)s[k].nanCount);
            }
        }
        bar.update(index + 1);
    });
    if (result != ScanResult::Done) {
        std::fflush(stdout);
        std::fprintf(stderr, "ov7931rec: stats: cannot read \"%s\" to its end\n", args.file.c_str());
        return kExitFile;
    }
    if (corrupt)
        std::fputs(recordingCorruptWarning, stderr);
    if (args.blocks)
        return kExitOk;

    if (args.json) {
        nlohmann::json j;
        j["file"] = info.fileName;
        j["block_count"] = info.blockCount;
        j["scans_per_block"] = info.numberOfScansPerBlock;
        j["corrupt"] = corrupt;
        nlohmann::json list = nlohmann::json::array();
        for (int k = 0; k < named; ++k) {
            const int ch = channels[size_t(k)];
            const int sensor = info.sensorTypes[ch - 1];
            nlohmann::json c = {{"channel", ch},
                                {"name", channelName(ch)},
                                {"kind", kindOfSensor(sensor)},
                                {"unit", unitOfPlotKind(plotKindOfRecorded(sensor))},
                                {"samples", totals[size_t(k)].count}};
            addFigures(c, totals[size_t(k)]);
            list.push_back(c);
        }
        j["channels"] = list;
        std::printf("%s\n", j.dump(2).c_str());
        return kExitOk;
    }

    std::printf("File:    %s\n", info.fileName.c_str());
    std::printf("Blocks:  %llu of %d scans\n\n", (unsigned long long)info.blockCount, info.numberOfScansPerBlock);
    std::printf("  Channel  Kind    Unit %24s %24s %24s %12s\n", "Minimum", "Maximum", "Mean", "NaN");
    for (int k = 0; k < named; ++k) {
        const int ch = channels[size_t(k)];
        const int sensor = info.sensorTypes[ch - 1];
        const SampleSummary &s = totals[size_t(k)];
        auto cell = [&](double v) { return s.empty() ? std::string("-") : number(v); };
        std::printf("  %-8s %-7s %s %24s %24s %24s %12llu\n", channelName(ch).c_str(), kindOfSensor(sensor),
                    padded(unitOfPlotKind(plotKindOfRecorded(sensor)), 4).c_str(), cell(s.min).c_str(),
                    cell(s.max).c_str(), cell(s.mean()).c_str(), (unsigned long long)s.nanCount);
    }
    return kExitOk;
}
