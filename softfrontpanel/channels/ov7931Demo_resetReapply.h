// Bringing the conditioning card back in step with the channel panels after
// "Reset Device": the re-initialisation returns the card's channels to
// their power-on state while the panels still show the user's choices, so
// every panel's configuration is applied again. The panels are read on the
// GUI thread before the reset task starts, the driver calls run in the task
// (the same apply as every panel change) and the LEDs are shown after it.
#ifndef OV7931DEMO_RESETREAPPLY_H
#define OV7931DEMO_RESETREAPPLY_H

#include "ov7931Demo_applyConfig.h"

#include <vector>

class ov7931Demo_ChCfg;

// The panels' state in channel order (panels not yet built are left out). GUI thread.
std::vector<ChannelSnapshot> channelSnapshots(ov7931Demo_ChCfg *const panels[16]);
// Applies each channel to the cards. Any thread.
std::vector<ApplyResult> reapplyChannels(const std::vector<ChannelSnapshot> &channels, ViSession masterVi,
                                         ViSession slaveVi);
// Shows each result on its panel. GUI thread.
void showReapplied(ov7931Demo_ChCfg *const panels[16], const std::vector<ChannelSnapshot> &channels,
                   const std::vector<ApplyResult> &results);

#endif
