// Deliberately faulty QtTest programs that check the test verdict itself.
//
// Each program's test functions all pass, so its QtTest totals line reads
// "0 failed"; the fault lies where only the process's exit code can show it.
// The verdict check (check.cmake) runs them through CTest and expects the
// faulty ones to fail: a leak under AddressSanitizer, a data race under
// ThreadSanitizer, a process that ends before its totals line and one that
// exits with a non-zero code after a clean totals line (as a sanitizer report
// does) in every build.
// They are built only for that check and are not part of the suite.
#include <QtTest>

#include <cstdlib>
#include <thread>

namespace {

#if defined(VERDICT_LEAK)
void *volatile leakSink = nullptr;

Q_NEVER_INLINE void leakOnce()
{
    leakSink = std::malloc(4096);
    leakSink = nullptr; // the block is now unreachable
}
#endif

#if defined(VERDICT_RACE)
int racyCounter = 0; // written by two threads without any synchronisation

Q_NEVER_INLINE void bump()
{
    for (int i = 0; i < 1000; ++i)
        racyCounter = racyCounter + 1;
}
#endif

} // namespace

class VerdictFaults : public QObject
{
    Q_OBJECT
private slots:
    void passes() { QVERIFY(true); }
#if defined(VERDICT_LEAK)
    void leaks()
    {
        leakOnce();
        QVERIFY(leakSink == nullptr);
    }
#endif
#if defined(VERDICT_RACE)
    void races()
    {
        // One side on the test's own thread: a race must be caught there too.
        std::thread other(bump);
        bump();
        other.join();
        QVERIFY(racyCounter > 0);
    }
#endif
#if defined(VERDICT_EARLY_EXIT)
    void endsEarly() { std::exit(0); }
#endif
#if defined(VERDICT_EXIT_CODE)
    void failsAtExit()
    {
        // Runs after the totals line, when main has returned 0.
        std::atexit([] { std::_Exit(3); });
        QVERIFY(true);
    }
#endif
};

QTEST_GUILESS_MAIN(VerdictFaults)
#include "verdict_faults.moc"
