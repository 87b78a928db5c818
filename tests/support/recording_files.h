// Helpers of the recording tests: header texts written by hand in the
// recording format, recording files made from them, and a field-by-field
// description of what the reader made of a header.
#ifndef OV_TEST_RECORDING_FILES_H
#define OV_TEST_RECORDING_FILES_H

#include "recordingReader.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <vector>

#include <unistd.h>

namespace rec {

// One enabled channel's four header values.
struct Channel {
    int number = 1; // 1..16
    int sensor = 4, mode = 0, range = 0, current = 0;
};

// Channel `number`'s values in `channels`; all 0 for one not recorded.
inline Channel channelOf(const std::vector<Channel> &channels, int number)
{
    for (const Channel &c : channels)
        if (c.number == number)
            return c;
    return Channel{number, 0, 0, 0, 0};
}

// A header as the panel writes it, "#\n" included.
inline QByteArray header(const QByteArray &device, bool real64, const QByteArray &rate, int scans,
                         const std::vector<Channel> &channels, const QByteArray &timeOffset = "0.000000")
{
    unsigned mask = 0;
    for (const Channel &c : channels)
        mask |= 1u << (c.number - 1);
    QByteArray h = "DEVICE=Keltri " + device + "\n";
    if (real64)
        h += "FORMAT=ViReal64\n";
    h += "SAMPLING_RATE_HZ=" + rate + "\n";
    h += "NUMBER_OF_CHANNELS=" + QByteArray::number(int(channels.size())) + "\n";
    h += "NUMBER_OF_SCANS_PER_BLOCK=" + QByteArray::number(scans) + "\n";
    h += "NUMBER_OF_FUNCTION_CARDS=1\n";
    h += "CHANNEL_MASK_FC1=0x" + QByteArray::number(mask, 16).rightJustified(4, '0') + "\n";
    h += "TIME_OFFSET=" + timeOffset + "\n";
    for (const Channel &c : channels) {
        const QByteArray n = "1_" + QByteArray::number(c.number) + "=";
        h += "SENSOR_TYPE" + n + QByteArray::number(c.sensor) + "\n";
        h += "CHANNEL_MODE" + n + QByteArray::number(c.mode) + "\n";
        h += "INPUT_RANGE" + n + QByteArray::number(c.range) + "\n";
        h += "EXCITATION_CURRENT" + n + QByteArray::number(c.current) + "\n";
    }
    return h + "#\n";
}

// Sample k of a test recording: a value that tells the position apart.
inline double sampleValue(quint64 k) { return 0.5 + static_cast<double>(k); }

// `blocks` blocks (a fraction cuts the last one) of `perBlock` samples
// numbered from the data's start, in doubles or floats.
inline QByteArray samples(bool real64, int perBlock, double blocks)
{
    QByteArray data;
    for (qint64 k = 0; k < static_cast<qint64>(perBlock * blocks); ++k) {
        const double v = sampleValue(static_cast<quint64>(k));
        const float f = static_cast<float>(v);
        data.append(real64 ? reinterpret_cast<const char *>(&v) : reinterpret_cast<const char *>(&f), real64 ? 8 : 4);
    }
    return data;
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// A sparse recording: `header`, then `blocks` blocks of `perBlock` doubles,
// all zeros but the last block, which holds samples(true, perBlock, 1).
inline bool writeSparseRecording(const QString &path, const QByteArray &header, quint64 blocks, int perBlock)
{
    const qint64 blockLength = 8ll * perBlock;
    const qint64 size = header.size() + qint64(blocks) * blockLength;
    QFile f(path);
    return writeFile(path, header) && ::truncate(QFile::encodeName(path).constData(), off_t(size)) == 0 &&
           f.open(QIODevice::ReadWrite) && f.seek(size - blockLength) &&
           f.write(samples(true, perBlock, 1)) == blockLength;
}

// "field=value" for every field of the record, for comparing a chosen few.
inline QStringList describe(const recordingInfo &i)
{
    QStringList d{
        "device=" + QString::fromStdString(i.device),
        "dataLength=" + QString::number(i.dataLength),
        "headerLength=" + QString::number(i.headerLength),
        "blockLength=" + QString::number(i.blockLength),
        "blockCount=" + QString::number(i.blockCount),
        "rate=" + QString::number(i.samplingRateHz, 'g', 17),
        "real64=" + QString::number(i.isReal64),
        "channels=" + QString::number(i.numberOfChannels),
        "scans=" + QString::number(i.numberOfScansPerBlock),
        "cards=" + QString::number(i.numberOfFunctionCards),
        "mask=" + QString::number(i.channelMasks[0], 16),
        "offset=" + QString::number(i.timeOffset, 'g', 17),
    };
    for (int c = 0; c < 16; ++c) {
        d << QStringLiteral("ch%1=%2/%3/%4/%5")
                 .arg(c + 1)
                 .arg(i.sensorTypes[c])
                 .arg(i.channelModes[c])
                 .arg(i.inputRanges[c])
                 .arg(i.excitationCurrents[c]);
    }
    return d;
}

} // namespace rec

#endif
