// ov7931rec convert: a binary recording into the panel's CSV format (the
// panel's own header writer and number formatter, so the bytes are those the
// panel would have written for the same samples), a NumPy .npy array
// (float64, scans x channels, channel names in a sidecar file) or an HDF5
// file (one dataset per channel, the header as attributes). Every format is
// written block by block: memory stays that of one block. An existing
// output is replaced only with --force, and a failed conversion keeps none.
#include "recFile.h"
#include "recHdf5.h"
#include "recOutput.h"
#include "recVerbs.h"

#include "csvFormat.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

const char *extensionOf(ConvertTarget t)
{
    switch (t) {
    case ConvertTarget::Csv: return ".csv";
    case ConvertTarget::Npy: return ".npy";
    default: return ".h5";
    }
}

std::string defaultOutput(const std::string &in, ConvertTarget t)
{
    const size_t slash = in.find_last_of('/');
    const size_t dot = in.find_last_of('.');
    const std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash) ? in.substr(0, dot) : in;
    return stem + extensionOf(t);
}

// The .npy header for a little-endian float64 C-order array rows x cols,
// padded so that the data start on a 64-byte boundary.
std::string npyHeader(uint64_t rows, int cols)
{
    std::string dict = "{'descr': '<f8', 'fortran_order': False, 'shape': (" + std::to_string(rows) + ", " +
                       std::to_string(cols) + "), }";
    const size_t prefix = 10; // magic, version, header length
    size_t total = prefix + dict.size() + 1;
    dict.append((64 - total % 64) % 64, ' ');
    dict += '\n';
    std::string out("\x93NUMPY\x01\x00", 8);
    out += char(dict.size() & 0xFF);
    out += char((dict.size() >> 8) & 0xFF);
    return out + dict;
}

bool writeAll(std::FILE *f, const void *data, size_t bytes)
{
    return bytes == 0 || std::fwrite(data, bytes, 1, f) == 1;
}

} // namespace

int runConvert(const RecArgs &args)
{
    recordingInfo info;
    bool corrupt = false;
    if (!openRecording("convert", args.file, info, corrupt))
        return kExitFile;
    if (corrupt)
        std::fputs(recordingCorruptWarning, stderr);
    const std::string out = args.out.empty() ? defaultOutput(args.file, args.target) : args.out;
    if (out == args.file || sameFile(out, args.file)) {
        std::fprintf(stderr, "ov7931rec: convert: the output would overwrite the recording \"%s\"\n", out.c_str());
        return kExitUsage;
    }
    const std::vector<int> channels = recordedChannels(info);
    const int nch = int(channels.size());
    const int32_t scans = info.numberOfScansPerBlock;
    BlockReader reader(info);
    if (!reader.ok()) {
        std::fprintf(stderr, "ov7931rec: convert: cannot read \"%s\"\n", args.file.c_str());
        return kExitFile;
    }

    // The outputs: none replaces a file unless --force, none stays behind
    // from a conversion that failed.
    OutputFile output, names;
    std::string error;
    if (output.create(out, args.force, error) != OutputFile::Created::Ok ||
        (args.target == ConvertTarget::Npy &&
         names.create(out + ".channels.txt", args.force, error) != OutputFile::Created::Ok)) {
        std::fprintf(stderr, "ov7931rec: convert: %s\n", error.c_str());
        return kExitFile;
    }
    std::unique_ptr<Hdf5Writer> h5;
    std::FILE *f = output.stream();
    if (args.target == ConvertTarget::Hdf5) {
        output.closeStream(); // the HDF5 library writes the file by its name
        f = nullptr;
        h5 = std::make_unique<Hdf5Writer>();
        if (!h5->open(output.writtenPath(), info, channels)) {
            std::fprintf(stderr, "ov7931rec: convert: cannot write \"%s\"\n", out.c_str());
            return kExitFile;
        }
    }

    bool ok = true;
    std::string text;
    if (args.target == ConvertTarget::Csv) {
        text = csvHeaderText(setupOfRecording(info));
        ok = writeAll(f, text.data(), text.size());
    } else if (args.target == ConvertTarget::Npy) {
        text = npyHeader(info.blockCount * uint64_t(scans), nch);
        ok = writeAll(f, text.data(), text.size());
        for (int ch : channels)
            std::fprintf(names.stream(), "FC1_CH%d\t%s\t%s\n", ch, kindOfSensor(info.sensorTypes[ch - 1]),
                         unitOfPlotKind(plotKindOfRecorded(info.sensorTypes[ch - 1])));
        ok = names.closeStream() && ok;
    }

    std::vector<double> block, rows; // sized by the first block read
    ProgressBar bar(args.progress, "convert", info.blockCount);
    for (uint64_t b = 0; ok && b < info.blockCount; ++b) {
        if (!reader.next(b, block)) {
            std::fprintf(stderr, "ov7931rec: convert: block %llu cannot be read\n", (unsigned long long)b);
            ok = false;
            break;
        }
        switch (args.target) {
        case ConvertTarget::Csv:
            text.clear();
            appendCsvBlock(text, block.data(), nch, scans);
            ok = writeAll(f, text.data(), text.size());
            break;
        case ConvertTarget::Npy:
            rows.resize(size_t(nch) * size_t(scans));
            for (int32_t s = 0; s < scans; ++s)
                for (int k = 0; k < nch; ++k)
                    rows[size_t(s) * nch + k] = block[size_t(k) * scans + s];
            ok = writeAll(f, rows.data(), rows.size() * sizeof(double));
            break;
        case ConvertTarget::Hdf5:
            ok = h5->appendBlock(b, block.data());
            break;
        }
        bar.update(b + 1);
    }
    if (!output.closeStream())
        ok = false;
    if (h5 && !h5->close())
        ok = false;
    if (!ok) {
        std::fprintf(stderr, "ov7931rec: convert: writing \"%s\" failed; nothing was kept\n", out.c_str());
        return kExitFile;
    }
    if (!output.keep(error) || !names.keep(error)) {
        std::fprintf(stderr, "ov7931rec: convert: %s\n", error.c_str());
        return kExitFile;
    }
    std::printf("%s: %llu blocks, %llu scans x %d channels\n", out.c_str(), (unsigned long long)info.blockCount,
                (unsigned long long)(info.blockCount * uint64_t(scans)), nch);
    return kExitOk;
}
