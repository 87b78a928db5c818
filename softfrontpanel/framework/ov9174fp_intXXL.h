// The 80-bit signed integer of the digit control's integer kind: five 16-bit
// words, low word first, two's complement, wrapping like the machine
// integers do. Enough arithmetic for a number-entry widget: addition,
// subtraction, comparison, masking to a bit size, shifting, and the digits
// of a value in radix 2, 8, 10 or 16 (parsing and printing). Plain code,
// without Qt, so that it is tested against a 128-bit oracle.
#ifndef OV9174FP_INTXXL_H
#define OV9174FP_INTXXL_H

#include <cstdint>
#include <string>

class intXXL
{
public:
    static constexpr int wordCount = 5;
    static constexpr int bitCount = 80;

    intXXL() = default; // zero
    // Sign-extended from 64 bits.
    explicit intXXL(long long value);
    // Zero-extended from 64 bits.
    static intXXL fromUnsigned(unsigned long long value);
    // 2^bits - 1, for bits 0 .. 80 (0 and all ones at the ends).
    static intXXL mask(int bits);
    // The largest and smallest value of a signed or unsigned integer of
    // `bits` bits (1 .. 80).
    static intXXL maximumOf(int bits, bool isSigned);
    static intXXL minimumOf(int bits, bool isSigned);

    uint16_t word(int i) const { return w[i]; }
    void setWord(int i, uint16_t value) { w[i] = value; }

    // The low 64 bits, as signed and as unsigned.
    long long low64() const;
    unsigned long long lowUnsigned64() const;
    bool isNegative() const { return (w[wordCount - 1] & 0x8000u) != 0; }
    bool isZero() const;

    intXXL operator+(const intXXL &o) const;
    intXXL operator-(const intXXL &o) const;
    intXXL operator-() const;
    intXXL operator~() const;
    intXXL operator&(const intXXL &o) const;
    intXXL operator|(const intXXL &o) const;
    // Shifts by 0 .. 80 bits (more counts as 80); >> keeps the sign.
    intXXL operator<<(int n) const;
    intXXL operator>>(int n) const;
    intXXL shiftedRightUnsigned(int n) const;

    // Signed comparison.
    bool operator==(const intXXL &o) const;
    bool operator!=(const intXXL &o) const { return !(*this == o); }
    bool operator<(const intXXL &o) const;
    bool operator>(const intXXL &o) const { return o < *this; }
    bool operator<=(const intXXL &o) const { return !(o < *this); }
    bool operator>=(const intXXL &o) const { return !(*this < o); }
    // Comparison of the 80-bit patterns as unsigned numbers.
    bool lessUnsigned(const intXXL &o) const;

    // The low `bits` bits (1 .. 80) as an unsigned value, and the same bits
    // read as a signed value of that size.
    intXXL maskedTo(int bits) const;
    intXXL signExtendedFrom(int bits) const;

    // The number of digits of the pattern read as unsigned, in radix 2 .. 16
    // (at least 1).
    int digitCount(int radix) const;
    // The digits of the pattern read as unsigned (radix 2 .. 16; letters
    // upper or lower case), without sign or padding.
    std::string unsignedDigits(int radix, bool upperCase = false) const;
    // Reads unsigned digits (no sign, at least one digit) in radix 2 .. 16.
    // False for another character or a value beyond 80 bits.
    static bool parseUnsigned(const std::string &digits, int radix, intXXL *value);

private:
    // Multiplies the unsigned pattern by m and adds a; false on overflow.
    bool multiplyAdd(unsigned m, unsigned a);
    // Divides the unsigned pattern by d (2 .. 16) and returns the remainder.
    unsigned divide(unsigned d);

    uint16_t w[wordCount] = {0, 0, 0, 0, 0};
};

#endif
