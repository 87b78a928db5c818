// The verbs of ov7931rec, each a function of the parsed command line
// that prints its result and returns the process's exit code (RecExit).
#ifndef OV7931REC_RECVERBS_H
#define OV7931REC_RECVERBS_H

#include "recArgs.h"

int runInfo(const RecArgs &args);
int runVerify(const RecArgs &args);
int runConvert(const RecArgs &args);
int runRecord(const RecArgs &args);
int runStats(const RecArgs &args);

#endif
