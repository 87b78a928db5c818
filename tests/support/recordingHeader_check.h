// What must hold for every header the recording reader accepts, whatever
// the bytes: shared by the fuzz target and the regression test over its
// corpus. Plain C++, so that the fuzz build needs neither Qt nor CMake.
#ifndef OV_FUZZ_RECORDINGHEADER_CHECK_H
#define OV_FUZZ_RECORDINGHEADER_CHECK_H

#include "recordingReader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

// Returns nullptr when `info` (result `result` of reading a file of `size`
// bytes) is consistent, else what is wrong. Also lays a block of
// `blockBytes` into the display's layout, which must stay within bounds.
// With `report` (the reader's report for the same reading), a refused
// header must say why, and an accepted one must not.
inline const char *recordingHeaderProblem(int result, const recordingInfo &info, uint64_t size,
                                          const unsigned char *blockBytes, size_t blockBytesSize,
                                          const RecordingHeaderReport *report = nullptr)
{
    if (result != 0 && result != -1)
        return "result neither 0 nor -1";
    if (report && report->reason.empty() != (result == 0))
        return "a refusal without a reason, or a reason for an accepted header";
    if (result != 0)
        return nullptr;
    if (info.numberOfChannels < 1 || info.numberOfChannels > 16)
        return "channel count out of 1..16";
    if (info.numberOfScansPerBlock < 1)
        return "no scans per block";
    if (info.isReal64 != 0 && info.isReal64 != 1)
        return "isReal64 neither 0 nor 1";
    if (info.blockLength != info.sampleSize() * uint64_t(info.numberOfScansPerBlock) * uint64_t(info.numberOfChannels))
        return "block length not sample size x scans x channels";
    if (info.headerLength > size || info.headerLength + info.dataLength != size)
        return "header and data lengths do not add up to the file";
    if (info.blockCount != info.dataLength / info.blockLength)
        return "block count not the whole blocks";
    if (!info.device.empty() && (info.device.size() > 63 || info.device.compare(0, 4, "7931") != 0))
        return "device not a 7931";
    // A small block is laid out from the input's bytes; ASan watches the bounds.
    // The display buffer is sized to what the mask asks for, so that ASan sees any write beyond it.
    if (info.blockLength <= (1u << 16)) {
        std::vector<unsigned char> block(static_cast<size_t>(info.blockLength), 0);
        std::memcpy(block.data(), blockBytes, std::min(block.size(), blockBytesSize));
        const size_t wanted = size_t(__builtin_popcount(info.channelMasks[0])) * size_t(info.numberOfScansPerBlock);
        std::vector<double> out(std::min<size_t>(wanted, 160000) + 1);
        const size_t n = layOutRecordedBlock(info, block.data(), info.channelMasks[0], out.data(), out.size());
        if (n > out.size())
            return "laid out beyond the display buffer";
    }
    return nullptr;
}

#endif
