// Helpers shared by the simulated-instrument tests.
#ifndef SIM_TEST_UTIL_H
#define SIM_TEST_UTIL_H

#include "ov7931.h"
#include "ov8263.h"
#include "ov9174.h"
#include "ovsim_control.h"
#include "visa.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QVector>

#include <string>

namespace simtest {

// The digitizer and conditioning sessions of the default system (0 where opening failed).
struct Cards {
    ViSession master = 0;
    ViSession slave = 0;
};

inline Cards openDefaultCards()
{
    Cards c;
    if (ov8263_paramInit("VXI0::1::INSTR", 1, 1, 1, &c.master) == VI_SUCCESS &&
        ov7931_init(c.master, VI_TRUE, VI_TRUE, &c.slave) != VI_SUCCESS)
        c.slave = 0;
    return c;
}

// State, error bits and scan backlog as ov8263_checkAcquisition reports them.
inline QVector<int> status(ViSession vi)
{
    ViInt16 state = -1;
    ViUInt16 errors = 0xFFFF;
    ViInt32 backlog = -1;
    ov8263_checkAcquisition(vi, &state, &errors, &backlog);
    return {state, errors, backlog};
}

// Every resource name viFindRsrc lists for "?*INSTR".
inline QStringList listResources()
{
    QStringList names;
    ViSession rm = 0;
    ViFindList list = 0;
    ViUInt32 count = 0;
    char desc[VI_FIND_BUFLEN];
    if (viOpenDefaultRM(&rm) == VI_SUCCESS && viFindRsrc(rm, "?*INSTR", &list, &count, desc) == VI_SUCCESS) {
        names << desc;
        for (ViUInt32 k = 1; k < count && viFindNext(list, desc) == VI_SUCCESS; ++k)
            names << desc;
    }
    viClose(rm);
    return names;
}

// A shipped scenario file under simulator/scenarios/.
inline std::string shippedScenario(const char *name)
{
    QString root = QString::fromLocal8Bit(qgetenv("OVSIM_TEST_SOURCE_DIR"));
    if (root.isEmpty()) // run by hand: this header lives in tests/support/ of the source tree
        root = QFileInfo(QString::fromLocal8Bit(__FILE__)).absoluteDir().filePath("../..");
    return QDir(root).filePath(QString("simulator/scenarios/") + name).toStdString();
}

} // namespace simtest

#endif
