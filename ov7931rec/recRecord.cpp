// ov7931rec record.
#include "recVerbs.h"

#include <cstdio>

int runRecord(const RecArgs &)
{
    std::fprintf(stderr, "ov7931rec: record: not available in this build yet\n");
    return kExitUsage;
}
