// libFuzzer target: the recording header reader over arbitrary bytes, read
// from memory as from a file. Every accepted header must be consistent
// (recordingHeader_check.h) and a refused one must say why; AddressSanitizer
// and UBSan watch the rest.
#include "recordingHeader_check.h"
#include "recordingReader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const unsigned char empty[1] = {0};
    std::FILE *file = fmemopen(const_cast<unsigned char *>(size ? data : empty), size ? size : 1, "rb");
    if (!file)
        return 0;
    recordingInfo info;
    RecordingHeaderReport report;
    const int result = readRecordingHeaderFrom(file, "fuzz.bin7931", info, nullptr, &report);
    std::fclose(file);
    if (const char *problem = recordingHeaderProblem(result, info, size ? size : 1, data, size, &report)) {
        std::fprintf(stderr, "recording header: %s\n", problem);
        std::abort();
    }
    return 0;
}
