// The tools a channel panel's buttons start: "Apply Configuration to all
// Enabled Channels", the two calibrations and "Test Wire". Each handler is
// defined in its tool's own file (ov7931Demo_applyToAll, ov7931Demo_calibration,
// ov7931Demo_wireCheck), which reads the panel; the panel knows its tools
// only through this header, so that panel and tools do not include each other.
#ifndef OV7931DEMO_PANELTOOLS_H
#define OV7931DEMO_PANELTOOLS_H

class ov7931Demo_AppInterface;
class ov7931Demo_ChCfg;
class ov7931Demo_bkCheckDialog;

// The handler of the panel's apply-to-all button.
void applyToAllChannels(ov7931Demo_ChCfg *source);

// The handlers of the panel's two calibration buttons.
void calibrateChannel(ov7931Demo_ChCfg *panel);
void calibrateAllChannels(ov7931Demo_ChCfg *panel);

// The handler of the panel's "Test Wire" button, and the panel's wire-status
// dialog, created with the panel and reused for every test.
void checkBrokenWire(ov7931Demo_ChCfg *panel);
ov7931Demo_bkCheckDialog *createWireDialog(ov7931Demo_ChCfg *panel, ov7931Demo_AppInterface *app);

#endif
