// ov7931rec info.
#include "recVerbs.h"

#include <cstdio>

int runInfo(const RecArgs &)
{
    std::fprintf(stderr, "ov7931rec: info: not available in this build yet\n");
    return kExitUsage;
}
