#include "ov7931Demo_workerControl.h"

#include <QCoreApplication>
#include <QDialog>
#include <QProgressBar>
#include <QThread>

#include <algorithm>
#include <vector>

namespace {
// The kept threads; used from the GUI thread only.
std::vector<QThread *> &kept()
{
    static std::vector<QThread *> threads;
    return threads;
}

void reapFinished()
{
    std::vector<QThread *> &threads = kept();
    for (auto it = threads.begin(); it != threads.end();) {
        if ((*it)->isFinished()) {
            (*it)->wait();
            delete *it;
            it = threads.erase(it);
        } else {
            ++it;
        }
    }
}
} // namespace

bool followProgress(QDialog *dialog, QProgressBar *bar, const std::atomic<float> &progress)
{
    for (;;) {
        const int p = static_cast<int>(progress.load());
        bar->setValue(std::min(std::max(p, bar->minimum()), bar->maximum()));
        QCoreApplication::processEvents();
        if (dialog->result() == 0)
            return false;
        if (p >= 100)
            return true;
        QThread::msleep(5);
    }
}

bool stopWithinBound(QThread *thread, std::atomic<bool> &stopFlag, std::atomic<bool> &abandon, int tries, int waitMs)
{
    stopFlag = true;
    for (int i = 0; i < tries && !thread->isFinished(); ++i) {
        if (thread->wait(static_cast<unsigned long>(waitMs)))
            break;
        QCoreApplication::processEvents();
    }
    if (thread->isRunning()) {
        stopFlag = false;
        abandon = true;
        return false;
    }
    return true;
}

void disposeWorker(QThread *thread)
{
    if (!thread)
        return;
    if (!thread->isRunning()) {
        thread->wait();
        delete thread;
    } else {
        kept().push_back(thread);
        // Deleted on the GUI thread once its run has returned.
        QObject::connect(thread, &QThread::finished, qApp, reapFinished, Qt::QueuedConnection);
    }
    reapFinished();
}

int abandonedWorkers()
{
    reapFinished();
    return static_cast<int>(kept().size());
}

bool joinAbandonedWorkers(int waitMs)
{
    for (QThread *thread : kept())
        thread->wait(static_cast<unsigned long>(waitMs));
    reapFinished();
    return kept().empty();
}
