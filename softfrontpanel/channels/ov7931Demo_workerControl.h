// How the GUI thread follows and ends the channel tools' worker threads
// (apply to all, calibration): a progress loop that keeps the GUI running,
// a stop that waits a bounded time, and the keeping of a worker that did
// not end in that time.
//
// A worker is never terminated: it may hold hardwareLock inside a driver
// call. A worker that overruns its wait is abandoned instead: its abandon
// flag tells it to make no further driver call, and the thread object is
// handed to the keeper below, which deletes it once its last call has
// returned and the thread has ended. Such a worker touches nothing but its
// own object, so it may outlive the dialog and the panels that started it.
#ifndef OV7931DEMO_WORKERCONTROL_H
#define OV7931DEMO_WORKERCONTROL_H

#include <atomic>

class QDialog;
class QProgressBar;
class QThread;

// Follows a worker's progress (percent) on the GUI thread until it reaches
// 100 (true) or the dialog's result turns 0 through a cancel (false). Each
// round shows the progress on the bar, lets pending GUI events run and
// gives the processor away for a few milliseconds.
bool followProgress(QDialog *dialog, QProgressBar *bar, const std::atomic<float> &progress);

// Sets `stopFlag`, then up to `tries` times waits at most `waitMs` for the
// thread to end, letting pending GUI events run after each wait. When it
// still runs, clears the flag and sets `abandon`. Returns true when the
// thread has ended.
bool stopWithinBound(QThread *thread, std::atomic<bool> &stopFlag, std::atomic<bool> &abandon, int tries,
                     int waitMs = 100);

// Deletes a worker thread object now when its thread has ended, else hands
// it to the keeper. GUI thread.
void disposeWorker(QThread *thread);
// Threads handed to the keeper that have not ended yet.
int abandonedWorkers();
// Waits up to `waitMs` for each kept thread and deletes those that ended;
// returns true when none is left. A thread still inside a driver call after
// that is left to the process's end. GUI thread; called when the
// application object goes.
bool joinAbandonedWorkers(int waitMs);

#endif
