// CSV number formatting with std::to_chars. Fixed notation with a precision
// is specified to give the bytes printf gives in the C locale, so the
// writer's output does not depend on the locale the GUI library installs.
// Only the width of four has to be added by hand: it matters for "nan",
// "inf" and their signed forms, as every finite value has at least 22
// characters.
#include "csvFormat.h"

#include <charconv>
#include <cstring>

char *formatCsvValue(char *out, double value)
{
    char digits[kCsvMaxValueChars];
    const std::to_chars_result r =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 20);
    size_t n = static_cast<size_t>(r.ptr - digits);
    for (size_t pad = n; pad < 4; ++pad)
        *out++ = ' ';
    std::memcpy(out, digits, n);
    out += n;
    *out++ = ',';
    *out++ = ' ';
    return out;
}

void appendCsvBlock(std::string &out, const double *block, int channels, int32_t scans)
{
    if (channels <= 0 || scans <= 0)
        return;
    // Finite values of everyday size take about 27 characters; the string
    // grows further where a line needs more.
    const size_t lineRoom = size_t(channels) * kCsvMaxValueChars + 2;
    size_t used = out.size();
    out.resize(used + size_t(scans) * (size_t(channels) * 28 + 2));
    for (int32_t s = 0; s < scans; ++s) {
        if (out.size() - used < lineRoom)
            out.resize(used + lineRoom + size_t(scans - s) * (size_t(channels) * 28 + 2));
        char *p = &out[used];
        for (int k = 0; k < channels; ++k)
            p = formatCsvValue(p, block[size_t(k) * size_t(scans) + size_t(s)]);
        *p++ = '\r';
        *p++ = '\n';
        used = static_cast<size_t>(p - out.data());
    }
    out.resize(used);
}

double csvBlockEstimate(int channels, int32_t scans)
{
    return double(channels) * double(scans) * 27.0 + 2.0 * double(scans);
}
