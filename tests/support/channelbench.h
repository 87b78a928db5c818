// A channel-panel test bench: an application object in demo mode whose
// session fields are then pointed at simulator sessions opened directly, so
// that single channel panels can be built and their driver calls read from
// the simulator's journal.
#ifndef OV_TEST_CHANNELBENCH_H
#define OV_TEST_CHANNELBENCH_H

#include "appfixture.h"
#include "visa.h"

#include <QStringList>

class ov7931Demo_App;
class ov7931Demo_ChCfg;

// One apply of channel ch (1..16); gain is the conditioning card's code, pga
// whether the amplifier error is read back (not on the A sub-types).
struct Apply {
    int ch, enabled, digitizerGain, mode, gain, current;
    bool volt = false, pga = true;
};
// The calls of one apply, as ChannelBench::calls() writes them.
QStringList applyCalls(const Apply &a);

class ChannelBench
{
public:
    // subType: the conditioning card's sub-type text ("7931-BB" ...). With
    // live = true the simulator's card gets the same letters (one of the six
    // simulated sub-types) and both sessions are opened; else the sessions
    // stay 0, as in demo mode.
    // Boxes are answered with "No" (error boxes) or their only button.
    explicit ChannelBench(const QString &subType, bool live = true);
    ~ChannelBench();
    ChannelBench(const ChannelBench &) = delete;
    ChannelBench &operator=(const ChannelBench &) = delete;

    // A new panel for channel d_ch (0..15); the bench deletes it. The journal
    // is cleared first, so it holds the panel's construction calls after.
    ov7931Demo_ChCfg *panel(int d_ch);
    // Deletes a panel now (its settings are saved).
    void drop(ov7931Demo_ChCfg *panel);

    // The journal since the last clear, one "function(args without session)"
    // per call; clear() empties it.
    static QStringList calls();
    static void clear();

    AppFixture fx;
    ov7931Demo_App *app = nullptr;
    ViSession masterVi = 0;
    ViSession slaveVi = 0;

private:
    QList<ov7931Demo_ChCfg *> panels;
};

#endif
