// ov7931rec convert.
#include "recVerbs.h"

#include <cstdio>

int runConvert(const RecArgs &)
{
    std::fprintf(stderr, "ov7931rec: convert: not available in this build yet\n");
    return kExitUsage;
}
