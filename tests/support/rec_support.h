// Recordings for the tests of ov7931rec, made by the panel's continuous
// engine against the simulated instrument in its sequence mode, and a
// runner for the tool as a child process.
#ifndef REC_SUPPORT_H
#define REC_SUPPORT_H

#include "stream_rig.h"

#include <QProcess>
#include <QStringList>

#include <fstream>

namespace rectest {

struct Run {
    int code = -1;
    QString out, err;
};

// Runs the tool with `args`; `environment` adds or replaces variables. It
// runs with 1 GB of address space at most (under AddressSanitizer, which
// reserves far more, as the largest allocation ASan allows instead), so
// that a buffer sized by a file's claim fails the run instead of passing unseen.
inline Run runTool(const QStringList &args, const QStringList &environment = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &e : environment)
        env.insert(e.section('=', 0, 0), e.section('=', 1));
    p.setProcessEnvironment(env);
#if defined(__SANITIZE_ADDRESS__)
    env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":allocator_may_return_null=0:max_allocation_size_mb=1024");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(OV7931REC_PATH), args);
#else
    p.start("/bin/sh", QStringList{"-c", "ulimit -v 1048576 && exec \"$0\" \"$@\"", OV7931REC_PATH} + args);
#endif
    if (!p.waitForFinished(20000)) // a run that hangs ends as a crash
        p.kill();
    p.waitForFinished();
    Run r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// Records `blocks` blocks of `scans` scans in the sequence mode; `sensors`
// gives each channel's sensor type (index channel - 1; channels with no
// entry in `mask` are not recorded). Format 0 binary, 1 CSV.
inline bool makeRecording(const std::string &path, uint32_t mask, const int sensors[16], int32_t scans, int blocks,
                          int format = 0, double rate = 1000.0)
{
    ovsim::reset();
    ovsim::setIntegrityMode(true);
    ovsim::setManualClock(true);
    streamtest::Rig rig;
    RecordingSetup setup = streamtest::Rig::setupFor(mask, scans, rate);
    for (int n = 0; n < 16; ++n)
        setup.channels[n] = {sensors[n], sensors[n] == 4 ? 4 : 1, 0, 0, sensors[n] == 4 ? 0 : sensors[n] == 3 ? 1 : 2};
    const bool ok = rig.open() && rig.prepare(setup, path, format) && rig.start() && rig.advance(blocks) &&
                    rig.stop().empty();
    ovsim::reset();
    return ok;
}

inline void writeFile(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
}

} // namespace rectest

#endif
