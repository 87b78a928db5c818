// ov7931rec verify.
#include "recVerbs.h"

#include <cstdio>

int runVerify(const RecArgs &)
{
    std::fprintf(stderr, "ov7931rec: verify: not available in this build yet\n");
    return kExitUsage;
}
