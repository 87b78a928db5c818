#include "tooltest.h"

#include "channelbench.h"
#include "ov7931Demo_hwaccess.h"
#include "ovsim_control.h"

#include <QThread>

#include <atomic>
#include <memory>
#include <thread>

EventLoopProbe::EventLoopProbe(std::function<void()> probe, int intervalMs)
{
    timer.setInterval(intervalMs);
    QObject::connect(&timer, &QTimer::timeout, std::move(probe));
    timer.start();
}

EventLoopProbe::~EventLoopProbe() { timer.stop(); }

QStringList driverCalls()
{
    QStringList calls;
    for (const QString &call : ChannelBench::calls())
        if (!call.startsWith(QLatin1String("ov9174_delay(")))
            calls << call;
    return calls;
}

int delayCalls(const QString &milliseconds)
{
    int count = 0;
    for (const ovsim::Call &call : ovsim::journalOf("ov9174_delay"))
        count += !call.args.empty() && QString::fromStdString(call.args[0]) == milliseconds ? 1 : 0;
    return count;
}

bool hardwareLockIsFree()
{
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread taker([done]() {
        hardwareLock.lock();
        hardwareLock.unlock();
        *done = true;
    });
    for (int i = 0; i < 200 && !*done; ++i)
        QThread::msleep(10);
    if (!*done) {
        taker.detach(); // blocked on a lock that someone keeps: the test fails
        return false;
    }
    taker.join();
    return true;
}
