// libFuzzer target: ov7931rec's verbs that read a recording (info, verify, stats
// and convert to CSV, npy and HDF5) over arbitrary bytes written as a
// recording file. Whatever the header claims, no verb may crash, abort or
// allocate more than the file and the panel's limits justify: scripts/fuzz.sh
// runs it with a memory limit per allocation and per process, so a buffer
// sized by a header's claim alone is a finding. Exit codes other than
// those the verbs document are findings too.
#include "recArgs.h"
#include "recVerbs.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string folder;

// The files an input leaves, removed when the fuzzer ends.
void removeFolder()
{
    for (const char *name : {"in.bin7931", "out", "out.channels.txt"})
        ::unlink((folder + "/" + name).c_str());
    ::rmdir(folder.c_str());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/fuzz_recordingFile.XXXXXX";
    if (!::mkdtemp(&pattern[0]))
        std::abort();
    folder = pattern;
    std::atexit(removeFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    RecArgs args;
    args.file = folder + "/in.bin7931";
    args.out = folder + "/out";
    args.progress = false;
    args.force = true;
    std::FILE *f = std::fopen(args.file.c_str(), "wb");
    if (!f || (size && std::fwrite(data, size, 1, f) != 1) || std::fclose(f) != 0)
        std::abort();
    // info, info --json, verify, stats --json, stats --blocks, convert to CSV, npy and HDF5
    for (int run = 0; run < 8; ++run) {
        args.json = run >= 1 && run <= 3;
        args.blocks = run == 4;
        args.target = run == 5 ? ConvertTarget::Csv : run == 6 ? ConvertTarget::Npy : ConvertTarget::Hdf5;
        const int code = run < 2 ? runInfo(args) : run == 2 ? runVerify(args) : run < 5 ? runStats(args) : runConvert(args);
        if (code != kExitOk && code != kExitBadData && code != kExitFile) {
            std::fprintf(stderr, "run %d ended with exit code %d\n", run, code);
            std::abort();
        }
    }
    return 0;
}
