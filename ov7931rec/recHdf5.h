// The HDF5 output of ov7931rec convert: one extendible float64 dataset per
// channel ("/FC1_CH<n>", with "unit" and "kind" attributes) and the
// recording's header fields as attributes of the root group. Blocks are
// appended as they are read, so memory stays that of one block.
#ifndef OV7931REC_RECHDF5_H
#define OV7931REC_RECHDF5_H

#include "recordingReader.h"

#include <cstdint>
#include <string>
#include <vector>

class Hdf5Writer {
public:
    Hdf5Writer() = default;
    ~Hdf5Writer();
    Hdf5Writer(const Hdf5Writer &) = delete;
    Hdf5Writer &operator=(const Hdf5Writer &) = delete;

    bool open(const std::string &path, const recordingInfo &info, const std::vector<int> &channels);
    // Block `index`, channels x scans doubles grouped by channel.
    bool appendBlock(uint64_t index, const double *block);
    bool close();

private:
    int64_t file_ = -1;
    std::vector<int64_t> sets_;
    uint64_t scans_ = 0;
};

#endif
