// A channel-panel test bench and the helpers of the channel tests (with the
// headers they all need).
// The bench is an application object in demo mode whose session fields are
// then pointed at simulator sessions opened directly, so that single channel
// panels can be built and their driver calls read from the simulator's
// journal. The helpers watch the GUI while a tool's progress loop runs, read
// the journal without the common library's delays and check that
// hardwareLock was left free.
#ifndef OV_TEST_CHANNELBENCH_H
#define OV_TEST_CHANNELBENCH_H

#include "appfixture.h"
#include "ov7931.h"
#include "ov7931Demo_App.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_channelModel.h"
#include "ov8263.h"
#include "ov9174fp_led.h"
#include "ovsim_control.h"
#include "testkit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <memory>

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
    // Boxes are answered with "No" (error boxes) or their only button; other
    // modal dialogs (the tools' own) are left to the test.
    explicit ChannelBench(const QString &subType, bool live = true);
    ~ChannelBench();

    // A new panel for channel d_ch (0..15); the bench deletes it. The journal
    // is cleared first, so it holds the panel's construction calls after.
    ov7931Demo_ChCfg *panel(int d_ch);
    // Deletes a panel now (its settings are saved).
    void drop(ov7931Demo_ChCfg *panel);

    // The journal since the last clear, one "function(args without session)" per call.
    static QStringList calls();

    AppFixture fx; // not copyable: nor is the bench
    ov7931Demo_App *app = nullptr;

private:
    QList<ov7931Demo_ChCfg *> panels;
};

// Sets a panel as a user would, in the selectors' order: enabled, the sensor,
// the excitation index, then the range whose item data is `slot` (-1 leaves
// the range as the cascade chose it).
void choose(ov7931Demo_ChCfg *p, int sensor, int current, int slot = -1, bool enabled = true);

// Calls `probe` on every pass of the event loop while the timer lives:
// inside a tool's progress loop, with its dialog shown.
std::unique_ptr<QTimer> everyPass(std::function<void()> probe);

// The modal dialog of type T now shown, or null.
template <typename T>
T *shownDialog()
{
    T *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
    return dialog && dialog->isVisible() ? dialog : nullptr;
}

// A box as "title | buttons | icon | text" (icon: critical, warning, question, information or none).
QString describe(const SeenBox &box);

// ChannelBench::calls() without the calls of ov9174_delay.
QStringList driverCalls();
// How many ov9174_delay calls the journal holds with this argument.
int delayCalls(const QString &milliseconds);
// True when another thread takes and releases hardwareLock within 2 s.
bool hardwareLockIsFree();

#endif
