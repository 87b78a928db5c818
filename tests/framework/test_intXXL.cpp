// The 80-bit integer against the compiler's 128-bit integer wrapped to 80 bits,
// over the edge values and a fixed pseudo-random sample.
#include "ov9174fp_intXXL.h"

#include <QtTest>

#include <random>
#include <vector>

namespace {

using i128 = __int128;
using u128 = unsigned __int128;

const u128 mask80 = (u128(1) << 80) - 1;

// The 80-bit value of v, read as signed.
i128 wrap(i128 v)
{
    u128 u = u128(v) & mask80;
    if (u >> 79)
        u |= ~mask80;
    return i128(u);
}

intXXL toXXL(i128 v)
{
    intXXL r;
    const u128 u = u128(v);
    for (int i = 0; i < 5; ++i)
        r.setWord(i, uint16_t(u >> (16 * i)));
    return r;
}

i128 fromXXL(const intXXL &x)
{
    u128 u = 0;
    for (int i = 4; i >= 0; --i)
        u = (u << 16) | x.word(i);
    return wrap(i128(u));
}

std::string digits(u128 u, int radix)
{
    std::string s;
    do {
        s.insert(s.begin(), "0123456789abcdef"[int(u % unsigned(radix))]);
        u /= unsigned(radix);
    } while (u);
    return s;
}

QByteArray text(i128 v)
{
    const bool negative = v < 0;
    return QByteArray::fromStdString((negative ? "-" : "") + digits(negative ? u128(-v) : u128(v), 10));
}

// Edge values and a fixed sample spread over all magnitudes.
std::vector<i128> samples()
{
    std::vector<i128> v = {0, 1, -1, 2, -2, 0x7FFF, 0x8000, 0xFFFF, 0x10000};
    for (int b : {15, 16, 31, 32, 63, 64, 65, 78, 79}) {
        v.push_back(wrap(i128(1) << b));
        v.push_back(wrap((i128(1) << b) - 1));
        v.push_back(wrap(-(i128(1) << b)));
    }
    std::mt19937_64 random(7931);
    for (int i = 0; i < 200; ++i) {
        const i128 r = (i128(random()) << 64) | i128(random());
        v.push_back(wrap(r >> (random() % 80)));
    }
    return v;
}

} // namespace

class TestIntXXL : public QObject
{
    Q_OBJECT

private slots:
    void construction()
    {
        for (long long v : {0LL, 1LL, -1LL, 0x7FFFFFFFFFFFFFFFLL, -0x7FFFFFFFFFFFFFFFLL - 1, 123456789012345LL}) {
            QCOMPARE(fromXXL(intXXL(v)), i128(v));
            QCOMPARE(intXXL(v).low64(), v);
        }
        QCOMPARE(fromXXL(intXXL::fromUnsigned(~0ULL)), (i128(1) << 64) - 1);
        QCOMPARE(intXXL::fromUnsigned(~0ULL).lowUnsigned64(), ~0ULL);
        for (int bits = 0; bits <= 80; ++bits)
            QCOMPARE(fromXXL(intXXL::mask(bits)), wrap((i128(1) << bits) - 1));
        for (int bits = 1; bits <= 80; ++bits) {
            QCOMPARE(fromXXL(intXXL::maximumOf(bits, true)), (i128(1) << (bits - 1)) - 1);
            QCOMPARE(fromXXL(intXXL::minimumOf(bits, true)), -(i128(1) << (bits - 1)));
            QCOMPARE(fromXXL(intXXL::maximumOf(bits, false)), wrap((i128(1) << bits) - 1));
            QVERIFY(intXXL::minimumOf(bits, false).isZero());
        }
    }

    void arithmeticAndComparison()
    {
        const std::vector<i128> v = samples();
        for (size_t i = 0; i < v.size(); ++i) {
            const intXXL a = toXXL(v[i]);
            QCOMPARE(fromXXL(-a), wrap(-v[i]));
            QCOMPARE(fromXXL(~a), wrap(~v[i]));
            QCOMPARE(a.isNegative(), v[i] < 0);
            QCOMPARE(a.isZero(), v[i] == 0);
            for (size_t j = i % 7; j < v.size(); j += 7) {
                const intXXL b = toXXL(v[j]);
                const QByteArray pair = text(v[i]) + ", " + text(v[j]);
                QVERIFY2(fromXXL(a + b) == wrap(v[i] + v[j]), pair);
                QVERIFY2(fromXXL(a - b) == wrap(v[i] - v[j]), pair);
                QVERIFY2(fromXXL(a & b) == wrap(v[i] & v[j]) && fromXXL(a | b) == wrap(v[i] | v[j]), pair);
                QVERIFY2((a < b) == (v[i] < v[j]) && (a == b) == (v[i] == v[j]), pair);
                QVERIFY2((a <= b) == (v[i] <= v[j]) && (a > b) == (v[i] > v[j]), pair);
                QVERIFY2(a.lessUnsigned(b) == ((u128(v[i]) & mask80) < (u128(v[j]) & mask80)), pair);
            }
        }
    }

    void shiftsMasksAndSignExtension()
    {
        for (i128 x : samples()) {
            const intXXL a = toXXL(x);
            const u128 pattern = u128(x) & mask80;
            for (int n = 0; n <= 80; ++n) {
                QCOMPARE(fromXXL(a << n), n == 80 ? i128(0) : wrap(i128(pattern << n)));
                QCOMPARE(fromXXL(a.shiftedRightUnsigned(n)), wrap(i128(pattern >> n)));
                QCOMPARE(fromXXL(a >> n), n == 80 ? (x < 0 ? i128(-1) : i128(0)) : wrap(x >> n));
            }
            for (int bits = 1; bits <= 80; ++bits) {
                const u128 low = pattern & ((u128(1) << bits) - 1);
                QCOMPARE(fromXXL(a.maskedTo(bits)), wrap(i128(low)));
                const i128 extended = (low >> (bits - 1)) ? i128(low) - (i128(1) << bits) : i128(low);
                QCOMPARE(fromXXL(a.signExtendedFrom(bits)), extended);
            }
        }
    }

    void digitsInEveryRadix()
    {
        for (i128 x : samples()) {
            const intXXL a = toXXL(x);
            const u128 pattern = u128(x) & mask80;
            for (int radix : {2, 8, 10, 16}) {
                const std::string expected = digits(pattern, radix);
                QCOMPARE(a.unsignedDigits(radix), expected);
                QCOMPARE(a.digitCount(radix), int(expected.size()));
                intXXL back;
                QVERIFY(intXXL::parseUnsigned(expected, radix, &back) && back == a);
            }
            QCOMPARE(QByteArray(a.unsignedDigits(16, true).c_str()), QByteArray(digits(pattern, 16).c_str()).toUpper());
        }
        // 2^80 - 1 is the largest value read; one more digit overflows, as
        // does a digit outside the radix or any other character.
        intXXL value;
        QVERIFY(intXXL::parseUnsigned(std::string(20, 'f'), 16, &value) && value == intXXL(-1));
        QVERIFY(intXXL::parseUnsigned("1208925819614629174706175", 10, &value) && value == intXXL(-1));
        for (const auto &[digitsText, radix] : std::vector<std::pair<std::string, int>>{
                 {"1208925819614629174706176", 10}, {"1" + std::string(20, '0'), 16}, {std::string(81, '1'), 2},
                 {"12", 2}, {"8", 8}, {"g", 16}, {"-1", 10}, {"", 10}, {" 1", 10}})
            QVERIFY2(!intXXL::parseUnsigned(digitsText, radix, &value), digitsText.c_str());
    }
};

QTEST_APPLESS_MAIN(TestIntXXL)
#include "test_intXXL.moc"
