// HDF5 output through the C library (see recHdf5.h). The library's own
// error printing is switched off; failures come back as false and the verb
// prints one message.
#include "recHdf5.h"
#include "recFile.h"

#include <hdf5.h>

namespace {

// A scalar attribute of a native type.
template <typename T>
bool attrScalar(hid_t loc, const char *name, hid_t type, T v)
{
    hid_t space = H5Screate(H5S_SCALAR);
    hid_t a = H5Acreate2(loc, name, type, space, H5P_DEFAULT, H5P_DEFAULT);
    bool ok = a >= 0 && H5Awrite(a, type, &v) >= 0;
    if (a >= 0)
        H5Aclose(a);
    H5Sclose(space);
    return ok;
}

bool attrDouble(hid_t loc, const char *name, double v) { return attrScalar(loc, name, H5T_NATIVE_DOUBLE, v); }

bool attrInt(hid_t loc, const char *name, long long v) { return attrScalar(loc, name, H5T_NATIVE_LLONG, v); }

bool attrText(hid_t loc, const char *name, const std::string &v)
{
    hid_t type = H5Tcopy(H5T_C_S1);
    H5Tset_size(type, v.empty() ? 1 : v.size());
    H5Tset_cset(type, H5T_CSET_UTF8);
    hid_t space = H5Screate(H5S_SCALAR);
    hid_t a = H5Acreate2(loc, name, type, space, H5P_DEFAULT, H5P_DEFAULT);
    bool ok = a >= 0 && H5Awrite(a, type, v.empty() ? "" : v.c_str()) >= 0;
    if (a >= 0)
        H5Aclose(a);
    H5Sclose(space);
    H5Tclose(type);
    return ok;
}

} // namespace

Hdf5Writer::~Hdf5Writer() { close(); }

bool Hdf5Writer::open(const std::string &path, const recordingInfo &info, const std::vector<int> &channels)
{
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
    file_ = H5Fcreate(path.c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT);
    if (file_ < 0)
        return false;
    scans_ = uint64_t(info.numberOfScansPerBlock);
    bool ok = attrText(file_, "DEVICE", "Keltri " + info.device) &&
              attrText(file_, "FORMAT", info.isReal64 ? "ViReal64" : "ViReal32") &&
              attrDouble(file_, "SAMPLING_RATE_HZ", info.samplingRateHz) &&
              attrInt(file_, "NUMBER_OF_CHANNELS", info.numberOfChannels) &&
              attrInt(file_, "NUMBER_OF_SCANS_PER_BLOCK", info.numberOfScansPerBlock) &&
              attrInt(file_, "NUMBER_OF_FUNCTION_CARDS", info.numberOfFunctionCards) &&
              attrInt(file_, "CHANNEL_MASK_FC1", info.channelMasks[0]) &&
              attrDouble(file_, "TIME_OFFSET", info.timeOffset) && attrInt(file_, "BLOCK_COUNT", (long long)info.blockCount);
    const hsize_t start[1] = {0}, maxDims[1] = {H5S_UNLIMITED};
    const hsize_t chunk[1] = {scans_ < 65536 ? (scans_ ? scans_ : 1) : 65536};
    for (int ch : channels) {
        if (!ok)
            break;
        const int sensor = info.sensorTypes[ch - 1];
        const std::string c = std::to_string(ch);
        ok = attrInt(file_, ("SENSOR_TYPE1_" + c).c_str(), sensor) &&
             attrInt(file_, ("CHANNEL_MODE1_" + c).c_str(), info.channelModes[ch - 1]) &&
             attrInt(file_, ("INPUT_RANGE1_" + c).c_str(), info.inputRanges[ch - 1]) &&
             attrInt(file_, ("EXCITATION_CURRENT1_" + c).c_str(), info.excitationCurrents[ch - 1]);
        hid_t space = H5Screate_simple(1, start, maxDims);
        hid_t plist = H5Pcreate(H5P_DATASET_CREATE);
        H5Pset_chunk(plist, 1, chunk);
        hid_t set = H5Dcreate2(file_, ("FC1_CH" + c).c_str(), H5T_IEEE_F64LE, space, H5P_DEFAULT, plist, H5P_DEFAULT);
        H5Pclose(plist);
        H5Sclose(space);
        if (set < 0)
            return false;
        sets_.push_back(set);
        ok = ok && attrText(set, "unit", unitOfPlotKind(plotKindOfRecorded(sensor))) &&
             attrText(set, "kind", kindOfSensor(sensor));
    }
    return ok;
}

bool Hdf5Writer::appendBlock(uint64_t index, const double *block)
{
    const hsize_t size[1] = {(index + 1) * scans_};
    const hsize_t offset[1] = {index * scans_}, count[1] = {scans_};
    for (size_t k = 0; k < sets_.size(); ++k) {
        if (H5Dset_extent(sets_[k], size) < 0)
            return false;
        hid_t fileSpace = H5Dget_space(sets_[k]);
        H5Sselect_hyperslab(fileSpace, H5S_SELECT_SET, offset, nullptr, count, nullptr);
        hid_t memSpace = H5Screate_simple(1, count, nullptr);
        const bool ok = H5Dwrite(sets_[k], H5T_NATIVE_DOUBLE, memSpace, fileSpace, H5P_DEFAULT, block + k * scans_) >= 0;
        H5Sclose(memSpace);
        H5Sclose(fileSpace);
        if (!ok)
            return false;
    }
    return true;
}

bool Hdf5Writer::close()
{
    bool ok = true;
    for (int64_t s : sets_)
        ok = H5Dclose(s) >= 0 && ok;
    sets_.clear();
    if (file_ >= 0)
        ok = H5Fclose(file_) >= 0 && ok;
    file_ = -1;
    return ok;
}
