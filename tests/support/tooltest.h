// Helpers for the tests of the channel tools (apply to all, calibration,
// wire check, reset): watching the GUI while a tool's progress loop runs,
// the driver calls without the common library's delays, and whether
// hardwareLock was left free.
#ifndef OV_TEST_TOOLTEST_H
#define OV_TEST_TOOLTEST_H

#include <QApplication>
#include <QStringList>
#include <QTimer>

#include <functional>

// Calls `probe` on every pass of the event loop (or every `intervalMs`)
// while it lives: inside a tool's progress loop, with its dialog shown.
class EventLoopProbe
{
public:
    explicit EventLoopProbe(std::function<void()> probe, int intervalMs = 0);
    ~EventLoopProbe();

private:
    QTimer timer;
};

// The modal dialog of type T now shown, or null.
template <typename T>
T *shownDialog()
{
    T *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
    return dialog && dialog->isVisible() ? dialog : nullptr;
}

// The journal since the last clear as ChannelBench::calls() writes it,
// without the calls of ov9174_delay.
QStringList driverCalls();
// How many ov9174_delay calls the journal holds, and with which argument.
int delayCalls(const QString &milliseconds);
// True when another thread takes and releases hardwareLock within 2 s.
bool hardwareLockIsFree();

#endif
