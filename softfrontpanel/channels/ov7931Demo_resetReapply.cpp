#include "ov7931Demo_resetReapply.h"

#include "ov7931Demo_ChCfg.h"

std::vector<ChannelSnapshot> channelSnapshots(ov7931Demo_ChCfg *const panels[16])
{
    std::vector<ChannelSnapshot> channels;
    for (int c = 0; c < 16; ++c) {
        if (panels[c])
            channels.push_back(panels[c]->snapshot());
    }
    return channels;
}

std::vector<ApplyResult> reapplyChannels(const std::vector<ChannelSnapshot> &channels, ViSession masterVi,
                                         ViSession slaveVi)
{
    std::vector<ApplyResult> results;
    for (const ChannelSnapshot &channel : channels)
        results.push_back(applyChannelToHardware(channel, masterVi, slaveVi));
    return results;
}

void showReapplied(ov7931Demo_ChCfg *const panels[16], const std::vector<ChannelSnapshot> &channels,
                   const std::vector<ApplyResult> &results)
{
    for (size_t i = 0; i < results.size() && i < channels.size(); ++i) {
        const int c = channels[i].d_ch;
        if (c >= 0 && c < 16 && panels[c])
            panels[c]->showApplyResult(results[i]);
    }
}
