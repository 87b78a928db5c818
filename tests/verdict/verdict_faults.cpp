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

class VerdictFaults : public QObject
{
    Q_OBJECT
private slots:
    void passes() { QVERIFY(true); }
#if defined(VERDICT_LEAK)
    void leaks()
    {
        static void *volatile sink = nullptr;
        sink = std::malloc(4096);
        sink = nullptr; // the block is now unreachable
        QVERIFY(sink == nullptr);
    }
#endif
#if defined(VERDICT_RACE)
    void races()
    {
        // Written by two threads without any synchronisation, one of them the test's own.
        static int counter = 0;
        const auto bump = [] {
            for (int i = 0; i < 1000; ++i)
                counter = counter + 1;
        };
        std::thread other(bump);
        bump();
        other.join();
        QVERIFY(counter > 0);
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
