#include "ov9174fp_intXXL.h"

#include <algorithm>

intXXL::intXXL(long long value)
{
    unsigned long long u = static_cast<unsigned long long>(value);
    for (int i = 0; i < 4; ++i, u >>= 16)
        w[i] = static_cast<uint16_t>(u & 0xFFFFu);
    w[4] = value < 0 ? 0xFFFFu : 0u;
}

intXXL intXXL::fromUnsigned(unsigned long long value)
{
    intXXL r;
    for (int i = 0; i < 4; ++i, value >>= 16)
        r.w[i] = static_cast<uint16_t>(value & 0xFFFFu);
    return r;
}

intXXL intXXL::mask(int bits)
{
    bits = std::max(0, std::min(bits, bitCount));
    intXXL r;
    for (int i = 0; i < wordCount; ++i) {
        const int inWord = std::max(0, std::min(16, bits - 16 * i));
        r.w[i] = static_cast<uint16_t>(inWord == 16 ? 0xFFFFu : (1u << inWord) - 1u);
    }
    return r;
}

intXXL intXXL::maximumOf(int bits, bool isSigned)
{
    bits = std::max(1, std::min(bits, bitCount));
    return mask(isSigned ? bits - 1 : bits);
}

intXXL intXXL::minimumOf(int bits, bool isSigned)
{
    bits = std::max(1, std::min(bits, bitCount));
    return isSigned ? ~mask(bits - 1) : intXXL();
}

long long intXXL::low64() const { return static_cast<long long>(lowUnsigned64()); }

unsigned long long intXXL::lowUnsigned64() const
{
    unsigned long long u = 0;
    for (int i = 3; i >= 0; --i)
        u = (u << 16) | w[i];
    return u;
}

bool intXXL::isZero() const
{
    return std::all_of(w, w + wordCount, [](uint16_t x) { return x == 0; });
}

intXXL intXXL::operator+(const intXXL &o) const
{
    intXXL r;
    unsigned carry = 0;
    for (int i = 0; i < wordCount; ++i) {
        const unsigned s = unsigned(w[i]) + unsigned(o.w[i]) + carry;
        r.w[i] = static_cast<uint16_t>(s & 0xFFFFu);
        carry = s >> 16;
    }
    return r;
}

intXXL intXXL::operator-(const intXXL &o) const { return *this + -o; }

intXXL intXXL::operator-() const { return ~*this + intXXL(1); }

intXXL intXXL::operator~() const
{
    intXXL r;
    for (int i = 0; i < wordCount; ++i)
        r.w[i] = static_cast<uint16_t>(~w[i]);
    return r;
}

intXXL intXXL::operator&(const intXXL &o) const
{
    intXXL r;
    for (int i = 0; i < wordCount; ++i)
        r.w[i] = w[i] & o.w[i];
    return r;
}

intXXL intXXL::operator|(const intXXL &o) const
{
    intXXL r;
    for (int i = 0; i < wordCount; ++i)
        r.w[i] = w[i] | o.w[i];
    return r;
}

intXXL intXXL::operator<<(int n) const
{
    n = std::max(0, std::min(n, bitCount));
    const int words = n / 16, bits = n % 16;
    intXXL r;
    for (int i = wordCount - 1; i >= words; --i) {
        unsigned v = unsigned(w[i - words]) << bits;
        if (bits && i - words - 1 >= 0)
            v |= unsigned(w[i - words - 1]) >> (16 - bits);
        r.w[i] = static_cast<uint16_t>(v & 0xFFFFu);
    }
    return r;
}

intXXL intXXL::shiftedRightUnsigned(int n) const
{
    n = std::max(0, std::min(n, bitCount));
    const int words = n / 16, bits = n % 16;
    intXXL r;
    for (int i = 0; i + words < wordCount; ++i) {
        unsigned v = unsigned(w[i + words]) >> bits;
        if (bits && i + words + 1 < wordCount)
            v |= unsigned(w[i + words + 1]) << (16 - bits);
        r.w[i] = static_cast<uint16_t>(v & 0xFFFFu);
    }
    return r;
}

intXXL intXXL::operator>>(int n) const
{
    n = std::max(0, std::min(n, bitCount));
    intXXL r = shiftedRightUnsigned(n);
    if (isNegative() && n > 0)
        r = r | ~mask(bitCount - n);
    return r;
}

bool intXXL::operator==(const intXXL &o) const { return std::equal(w, w + wordCount, o.w); }

bool intXXL::lessUnsigned(const intXXL &o) const
{
    for (int i = wordCount - 1; i >= 0; --i)
        if (w[i] != o.w[i])
            return w[i] < o.w[i];
    return false;
}

bool intXXL::operator<(const intXXL &o) const
{
    if (isNegative() != o.isNegative())
        return isNegative();
    return lessUnsigned(o);
}

intXXL intXXL::maskedTo(int bits) const { return *this & mask(bits); }

intXXL intXXL::signExtendedFrom(int bits) const
{
    bits = std::max(1, std::min(bits, bitCount));
    const intXXL low = maskedTo(bits);
    const bool negative = !(low & (intXXL(1) << (bits - 1))).isZero();
    return negative ? low | ~mask(bits) : low;
}

bool intXXL::multiplyAdd(unsigned m, unsigned a)
{
    unsigned carry = a;
    for (int i = 0; i < wordCount; ++i) {
        const unsigned p = unsigned(w[i]) * m + carry;
        w[i] = static_cast<uint16_t>(p & 0xFFFFu);
        carry = p >> 16;
    }
    return carry == 0;
}

unsigned intXXL::divide(unsigned d)
{
    unsigned rest = 0;
    for (int i = wordCount - 1; i >= 0; --i) {
        const unsigned part = (rest << 16) | w[i];
        w[i] = static_cast<uint16_t>(part / d);
        rest = part % d;
    }
    return rest;
}

int intXXL::digitCount(int radix) const
{
    return static_cast<int>(unsignedDigits(radix).size());
}

std::string intXXL::unsignedDigits(int radix, bool upperCase) const
{
    radix = std::max(2, std::min(radix, 16));
    const char *digits = upperCase ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string text;
    intXXL rest = *this;
    do {
        text.push_back(digits[rest.divide(static_cast<unsigned>(radix))]);
    } while (!rest.isZero());
    std::reverse(text.begin(), text.end());
    return text;
}

bool intXXL::parseUnsigned(const std::string &digits, int radix, intXXL *value)
{
    if (digits.empty() || radix < 2 || radix > 16)
        return false;
    intXXL r;
    for (char c : digits) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        if (d >= radix || !r.multiplyAdd(static_cast<unsigned>(radix), static_cast<unsigned>(d)))
            return false;
    }
    *value = r;
    return true;
}
