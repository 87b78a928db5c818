// Helpers shared by the simulated-instrument tests.
#ifndef SIM_TEST_UTIL_H
#define SIM_TEST_UTIL_H

#include "ov7931.h"
#include "ov8263.h"
#include "ov9174.h"
#include "ovsim_control.h"
#include "visa.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <cstring>

#include <string>

namespace simtest {

// The digitizer and conditioning sessions of the default system.
struct Cards {
    ViSession master = 0;
    ViSession slave = 0;
};

inline Cards openDefaultCards()
{
    Cards c;
    if (ov8263_paramInit("VXI0::1::INSTR", 1, 1, 1, &c.master) != VI_SUCCESS)
        return Cards();
    if (ov7931_init(c.master, VI_TRUE, VI_TRUE, &c.slave) != VI_SUCCESS)
        c.slave = 0;
    return c;
}

inline std::string statusText(ViStatus status)
{
    char text[1024] = {0};
    ov9174_statusMessage(status, text);
    return text;
}

// Writes `text` into `dir` as `name` and returns its path.
inline QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &text)
{
    QString path = dir.filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(text);
    return path;
}

// A shipped scenario file under simulator/scenarios/.
inline QString shippedScenario(const char *name)
{
    QString root = QString::fromLocal8Bit(qgetenv("OVSIM_TEST_SOURCE_DIR"));
    if (root.isEmpty()) {
        // Run by hand: this header lives in tests/simulator/ of the source tree.
        QDir dir = QFileInfo(QString::fromLocal8Bit(__FILE__)).absoluteDir();
        dir.cdUp();
        dir.cdUp();
        root = dir.path();
    }
    return QDir(root).filePath(QString("simulator/scenarios/") + name);
}

} // namespace simtest

#endif
