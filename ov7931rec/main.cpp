// ov7931rec: shows, checks, converts and records the panel's recordings from
// the command line. The verbs live in their own files; this only parses the
// command line, prints help or the argument error, and dispatches.
#include "recArgs.h"
#include "recVerbs.h"

#include <cstdio>
#include <string>

int main(int argc, char **argv)
{
    RecArgs args;
    std::string error;
    if (!parseRecArgs(argc, argv, args, error)) {
        std::fprintf(stderr, "ov7931rec: %s\n", error.c_str());
        return kExitUsage;
    }
    if (args.help || args.verb == RecVerb::Help) {
        std::fputs(recHelpText(args.verb == RecVerb::Help ? RecVerb::None : args.verb).c_str(), stdout);
        return kExitOk;
    }
    switch (args.verb) {
    case RecVerb::Info: return runInfo(args);
    case RecVerb::Verify: return runVerify(args);
    case RecVerb::Convert: return runConvert(args);
    case RecVerb::Record: return runRecord(args);
    case RecVerb::Stats: return runStats(args);
    default: return kExitUsage;
    }
}
