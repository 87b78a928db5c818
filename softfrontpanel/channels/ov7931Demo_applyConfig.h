// Pushing one channel's configuration to both cards. The driver calls work
// on a snapshot of the channel panel, so that they can run on any thread;
// the panel shows the result (LEDs, "Test Wire") on the GUI thread.
#ifndef OV7931DEMO_APPLYCONFIG_H
#define OV7931DEMO_APPLYCONFIG_H

#include "visa.h"

#include <QString>

// A channel panel's state at one moment, taken on the GUI thread.
struct ChannelSnapshot {
    int d_ch = 0;
    bool enabled = false;
    int sensorType = 0;
    int mode = 1;
    int rangeIndex = 0;
    int excitCurr = 0;       // item data of the excitation selector
    int excitationIndex = 0; // its index (0 = "Off")
    QString subType;         // slaveSubType of the session
};

// What the cards reported back, and what the panel should show.
struct ApplyResult {
    bool statusRead = false; // the conditioning card was reached (not demo mode)
    ViUInt16 ecStatus = 0;
    ViInt16 pgaError = 0;
    int excitationState = 0; // 1, 0 or -1 (valid when statusRead)
    bool testWireEnabled = false;
};

// The driver calls for one channel, each a guarded call; failures are
// reported and the sequence goes on. A session of 0 means no such card.
ApplyResult applyChannelToHardware(const ChannelSnapshot &channel, ViSession masterVi, ViSession slaveVi);

// Trigger-input set-up of a digitizer channel, once per channel panel.
void setupTriggerInput(ViSession masterVi, int d_ch);

#endif
