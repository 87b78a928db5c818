#include "ov9174fp_digitFormat.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

const ov9174fp_digitBase bases[digitBaseCount] = {
    {10, 'd', "d", digitSignedRows, "decimal"},
    {10, 'u', "d", digitUnsignedRows, "unsigned decimal"},
    {16, 'x', "h", digitSignedRows | digitUnsignedRows, "hexadecimal"},
    {16, 'X', "H", digitSignedRows | digitUnsignedRows, "hexadecimal upper"},
    {8, 'o', "o", digitSignedRows | digitUnsignedRows, "octal"},
    {2, 0, "b", digitSignedRows | digitUnsignedRows, "binary"},
    {0, 'f', "f", digitFloatingRows, "float"},
    {0, 'g', "g", digitFloatingRows, "general"},
    {0, 'e', "e", digitFloatingRows, "exponent"},
    {0, 'E', "E", digitFloatingRows, "Exponent"},
};

// Reads a run of decimal digits at text[*i] (at most 9, so that it fits an
// int); -1 when there is none.
int readCount(const QString &text, int *i)
{
    int n = -1;
    int digits = 0;
    while (*i < text.size() && text.at(*i).isDigit() && text.at(*i).unicode() < 128) {
        if (digits++ < 9)
            n = (n < 0 ? 0 : n * 10) + (text.at(*i).unicode() - '0');
        ++*i;
    }
    return n;
}

} // namespace

const ov9174fp_digitBase &digitBase(int row)
{
    return bases[row >= 0 && row < digitBaseCount ? row : 0];
}

int digitMenuFlag(bool floating, bool isSigned)
{
    return floating ? digitFloatingRows : isSigned ? digitSignedRows : digitUnsignedRows;
}

bool digitRowOffered(int row, int menuFlag)
{
    return row >= 0 && row < digitBaseCount && (bases[row].flags & menuFlag) == menuFlag;
}

QVector<int> digitOfferedRows(int menuFlag)
{
    QVector<int> rows;
    for (int row = 0; row < digitBaseCount; ++row)
        if (digitRowOffered(row, menuFlag))
            rows << row;
    return rows;
}

int digitNextRow(int row, int menuFlag)
{
    const QVector<int> rows = digitOfferedRows(menuFlag);
    if (rows.isEmpty())
        return row;
    const int at = rows.indexOf(row);
    return rows.at(at < 0 ? 0 : (at + 1) % rows.size());
}

ov9174fp_digitFormatParts digitParseFormat(const QString &format, int menuFlag)
{
    ov9174fp_digitFormatParts parts;
    char conversion = menuFlag == digitFloatingRows ? 'g' : 'd';
    if (format.startsWith(QLatin1Char('%'))) {
        int i = 1;
        if (i < format.size() && (format.at(i) == QLatin1Char('+') || format.at(i) == QLatin1Char(' ')))
            parts.flag = format.at(i++).toLatin1();
        parts.width = readCount(format, &i);
        if (i < format.size() && format.at(i) == QLatin1Char('.')) {
            ++i;
            parts.precision = std::max(0, readCount(format, &i));
        }
        conversion = i < format.size() ? format.at(i).toLatin1() : 0;
    }
    const QVector<int> rows = digitOfferedRows(menuFlag);
    parts.row = rows.isEmpty() ? 0 : rows.first();
    for (int row : rows)
        if (bases[row].conversion == conversion && conversion != 0)
            parts.row = row;
    return parts;
}

QString digitFormatText(const ov9174fp_digitFormatParts &parts, bool integer)
{
    const char conversion = digitBase(parts.row).conversion;
    if (conversion == 0)
        return QString();
    QString text = QStringLiteral("%");
    if (parts.flag)
        text += QLatin1Char(parts.flag);
    if (parts.width >= 0)
        text += QString::number(parts.width);
    if (parts.precision >= 0)
        text += QLatin1Char('.') + QString::number(parts.precision);
    if (integer)
        text += QStringLiteral("ll");
    return text + QLatin1Char(conversion);
}

QString digitFloatingText(double value, const ov9174fp_digitFormatParts &parts)
{
    // Qt's printf writes numbers the C way, whatever the process locale.
    return QString::asprintf(digitFormatText(parts, false).toLatin1().constData(), value);
}

unsigned long long digitShownNumber(const intXXL &value, int row, int bits)
{
    if (row == digitRowDecimal || row == digitRowBinary)
        return value.lowUnsigned64();
    return value.maskedTo(bits).lowUnsigned64();
}

intXXL digitTypedValue(unsigned long long number, int bits, bool isSigned)
{
    const intXXL value(static_cast<long long>(number)); // sign-extended from 64 bits
    return isSigned ? value : value.maskedTo(bits);
}

QString digitIntegerText(const intXXL &value, const ov9174fp_digitFormatParts &parts, int bits)
{
    const unsigned long long number = digitShownNumber(value, parts.row, bits);
    const QString format = digitFormatText(parts, true);
    if (format.isEmpty()) // binary: the digits alone
        return QString::fromLatin1(intXXL::fromUnsigned(number).unsignedDigits(2).c_str());
    // The C library's printf: Qt's own signs the unsigned conversions.
    const QByteArray f = format.toLatin1();
    auto print = [&](char *buffer, size_t size) {
        return parts.row == digitRowDecimal ? std::snprintf(buffer, size, f.constData(), static_cast<long long>(number))
                                            : std::snprintf(buffer, size, f.constData(), number);
    };
    const int length = print(nullptr, 0);
    if (length <= 0)
        return QString();
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    print(buffer.data(), buffer.size());
    return QString::fromLatin1(buffer.data(), length);
}

bool digitParseFloating(const QString &text, double *value)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok); // C notation
    if (!ok || std::isnan(v))
        return false;
    *value = v;
    return true;
}

bool digitParseInteger(const QString &text, int row, int bits, bool isSigned, intXXL *value)
{
    const ov9174fp_digitBase &base = digitBase(row);
    const int radix = base.radix > 0 ? base.radix : 10;
    const QByteArray t = text.trimmed().toLatin1();
    const char *first = t.constData();
    const char *last = first + t.size();
    // A sign, then digits only: a minus sign on the signed decimal row alone.
    const bool negative = first != last && *first == '-';
    if (first != last && (*first == '+' || negative))
        ++first;
    if (first == last || !std::isalnum(static_cast<unsigned char>(*first)))
        return false;
    unsigned long long number = 0;
    std::from_chars_result read;
    if (row == digitRowDecimal) {
        long long signedNumber = 0;
        read = std::from_chars(negative ? first - 1 : first, last, signedNumber, 10);
        number = static_cast<unsigned long long>(signedNumber);
    } else {
        if (negative)
            return false;
        read = std::from_chars(first, last, number, radix);
    }
    if (read.ec != std::errc() || read.ptr != last)
        return false; // another character, or beyond 64 bits
    *value = digitTypedValue(number, bits, isSigned);
    return true;
}

QString digitIntegerPattern(int row, int precision, int bits)
{
    const ov9174fp_digitBase &base = digitBase(row);
    const int radix = base.radix > 0 ? base.radix : 10;
    const int n = precision > 0 ? precision : intXXL::mask(bits).digitCount(radix);
    QString pattern;
    if (radix == 10)
        pattern += QStringLiteral("[+-]?");
    pattern += QStringLiteral("[0-");
    pattern += radix <= 10 ? QString(QLatin1Char(char('0' + radix - 1))) : QStringLiteral("9a-fA-F");
    return pattern + QStringLiteral("]{1,") + QString::number(n) + QLatin1Char('}');
}
