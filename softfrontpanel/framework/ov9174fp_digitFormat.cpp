#include "ov9174fp_digitFormat.h"

#include <algorithm>
#include <cmath>

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

QString padded(QString text, int width)
{
    if (width > text.size())
        text.prepend(QString(width - text.size(), QLatin1Char(' ')));
    return text;
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

QString digitIntegerText(const intXXL &value, const ov9174fp_digitFormatParts &parts, int bits)
{
    const ov9174fp_digitBase &base = digitBase(parts.row);
    const int radix = base.radix > 0 ? base.radix : 10;
    if (base.conversion == 0)
        return QString::fromLatin1(value.maskedTo(bits).unsignedDigits(radix).c_str());

    QString sign;
    intXXL magnitude = value.maskedTo(bits);
    if (parts.row == digitRowDecimal) {
        magnitude = value.isNegative() ? -value : value; // -2^79 reads as 2^79 unsigned
        if (value.isNegative())
            sign = QStringLiteral("-");
        else if (parts.flag)
            sign = QLatin1Char(parts.flag);
    }
    QString digits = QString::fromLatin1(magnitude.unsignedDigits(radix, base.conversion == 'X').c_str());
    if (parts.precision == 0 && magnitude.isZero())
        digits.clear();
    else if (parts.precision > digits.size())
        digits.prepend(QString(parts.precision - digits.size(), QLatin1Char('0')));
    return padded(sign + digits, parts.width);
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
    QString t = text.trimmed();
    bool negative = false;
    if (radix == 10 && !t.isEmpty() && (t.at(0) == QLatin1Char('+') || t.at(0) == QLatin1Char('-'))) {
        negative = t.at(0) == QLatin1Char('-');
        t.remove(0, 1);
    }
    intXXL magnitude;
    if (!intXXL::parseUnsigned(t.toStdString(), radix, &magnitude))
        return false;
    if (row == digitRowDecimal) {
        // Signed: up to 2^79 - 1, or 2^79 with a minus sign.
        const intXXL limit = intXXL::mask(intXXL::bitCount - 1);
        if (magnitude.isNegative() && !(negative && magnitude == -magnitude))
            return false;
        if (!magnitude.isNegative() && limit < magnitude)
            return false;
        *value = negative ? -magnitude : magnitude;
        return true;
    }
    if (negative && !magnitude.isZero())
        return false; // an unsigned number has no minus sign
    *value = isSigned ? magnitude.signExtendedFrom(bits) : magnitude.maskedTo(bits);
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
