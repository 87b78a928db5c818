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
#include "ov7931Demo_hwaccess.h"
#include "ov8263.h"
#include "ov9174fp_led.h"
#include "ovsim_control.h"
#include "testkit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <future>
#include <memory>

// One apply of channel ch (1..16); gain is the conditioning card's code, pga
// whether the amplifier error is read back (not on the A sub-types).
struct Apply {
    int ch, enabled, digitizerGain, mode, gain, current;
    bool volt = false, pga = true;
};

class ChannelBench
{
public:
    // subType: the conditioning card's sub-type text ("7931-BB" ...). With
    // live = true the simulator's card gets the same letters (one of the six
    // simulated sub-types) and both sessions are opened; else the sessions
    // stay 0, as in demo mode.
    // Boxes are answered with "No" (error boxes) or their only button; other
    // modal dialogs (the tools' own) are left to the test. Only one bench may
    // live at a time: two answerers would race for the same boxes.
    explicit ChannelBench(const QString &subType, bool live = true)
    {
        app = fx.create(AppFixture::Mode::Demo, {QStringLiteral("No")}, subType);
        fx.otherDialogs = [](QWidget *) { return true; };
        app->slaveSubType = subType;
        app->slaveSerial = QStringLiteral("BENCH");
        const QString scenario = testkit::defaultScenarioWith({"sub_type: BB", "sub_type: " + subType.mid(5)});
        if (live && (!testkit::loadScenario(scenario) ||
                     ov8263_paramInit("VXI0::1::INSTR", 1, 1, 1, &app->masterVi) != VI_SUCCESS ||
                     ov7931_init(app->masterVi, VI_TRUE, VI_TRUE, &app->slaveVi) != VI_SUCCESS))
            qFatal("cannot open the simulated cards of sub-type %s", qPrintable(subType));
        ovsim::clearJournal();
    }
    ~ChannelBench()
    {
        qDeleteAll(panels);
        fx.destroy();
    }

    // A new panel for channel d_ch (0..15); the bench deletes it. The journal
    // is cleared first, so it holds the panel's construction calls after.
    ov7931Demo_ChCfg *panel(int d_ch)
    {
        ovsim::clearJournal();
        panels << new ov7931Demo_ChCfg(app, d_ch);
        return panels.last();
    }
    // Deletes a panel now (its settings are saved).
    void drop(ov7931Demo_ChCfg *p)
    {
        panels.removeAll(p);
        delete p;
    }

    // The journal since the last clear, one "function(args without session)" per call.
    static QStringList calls()
    {
        QStringList out;
        for (const ovsim::Call &c : ovsim::journal()) {
            QStringList args;
            for (size_t k = 1; k < c.args.size(); ++k)
                args << QString::fromStdString(c.args[k]);
            out << QString::fromStdString(c.function) + "(" + args.join(", ") + ")";
        }
        return out;
    }

    AppFixture fx; // not copyable: nor is the bench
    ov7931Demo_App *app = nullptr;

private:
    QList<ov7931Demo_ChCfg *> panels;
};

// The calls of one apply, as ChannelBench::calls() writes them.
inline QStringList applyCalls(const Apply &a)
{
    return QStringList{QString("ov8263_setChanConfig(%1, %2, %3, 0)").arg(a.ch).arg(a.enabled).arg(a.digitizerGain),
                       QString("ov7931_setChanConfig(%1, %2, %3, %4)").arg(a.ch).arg(a.mode).arg(a.gain).arg(a.current),
                       QString("ov7931_setConversion(%1, %2)").arg(a.ch).arg(a.volt ? 0 : 1), "ov7931_checkECStatus(&)"}
           + (a.pga ? QStringList{QString("ov7931_readPGAError(%1, &, null)").arg(a.ch)} : QStringList());
}

// Sets a panel as a user would, in the selectors' order: enabled, the sensor,
// the excitation index, then the range whose item data is `slot` (-1 leaves
// the range as the cascade chose it).
inline void choose(ov7931Demo_ChCfg *p, int sensor, int current, int slot = -1, bool enabled = true)
{
    p->enableBox->setChecked(enabled);
    p->sensorSelector->setCurrentIndex(sensor);
    p->excitationSelector->setCurrentIndex(current);
    if (slot >= 0)
        p->rangeSelector->setCurrentIndex(p->rangeSelector->findData(slot));
}

// Calls `probe` with the modal dialog of type T on every pass of the event
// loop in which it is shown, while the timer lives: inside a tool's progress loop.
template <typename T, typename Probe>
std::unique_ptr<QTimer> whileShown(Probe probe)
{
    auto timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, [probe]() mutable {
        if (T *dialog = qobject_cast<T *>(QApplication::activeModalWidget()); dialog && dialog->isVisible())
            probe(dialog);
    });
    timer->start(0);
    return timer;
}

// A box as "title | buttons | icon | text" (icon: critical, warning, question, information or none).
inline QString describe(const SeenBox &box)
{
    static const char *const icons[] = {"none", "information", "warning", "critical", "question"};
    return box.title + " | " + box.buttons.join(' ') + " | " + icons[qBound(0, int(box.icon), 4)] + " | " + box.text;
}

// ChannelBench::calls() without the calls of ov9174_delay.
inline QStringList driverCalls()
{
    return ChannelBench::calls().filter(QRegularExpression("^(?!ov9174_delay\\()"));
}

// How many ov9174_delay calls the journal holds with this argument.
inline int delayCalls(const QString &ms)
{
    const std::vector<ovsim::Call> delays = ovsim::journalOf("ov9174_delay");
    return int(std::count_if(delays.begin(), delays.end(), [&](const ovsim::Call &c) { return c.args[0] == ms.toStdString(); }));
}

// True when another thread takes and releases hardwareLock within 2 s.
inline bool hardwareLockIsFree()
{
    const auto tryLock = [] { return hardwareLock.tryLock() && (hardwareLock.unlock(), true); };
    for (int i = 0; i < 200; ++i, QThread::msleep(10))
        if (std::async(std::launch::async, tryLock).get())
            return true;
    return false;
}

#endif
