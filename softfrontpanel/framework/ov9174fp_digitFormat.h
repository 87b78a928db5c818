// The digit control's number formats: the table of bases and notations its
// base menu offers, the printf-style format text it is given (flag, width,
// precision, conversion), and the conversions between a value and the text
// in the line edit. Locale-free: numbers are written and read the C way
// whatever the user's locale. Plain rules, tested without the widget.
#ifndef OV9174FP_DIGITFORMAT_H
#define OV9174FP_DIGITFORMAT_H

#include "ov9174fp_intXXL.h"

#include <QString>
#include <QVector>

// One row of the base table.
struct ov9174fp_digitBase {
    int radix;              // 0 for the floating rows
    char conversion;        // printf conversion, 0 for binary
    const char *buttonLabel;
    int flags;              // for which value kinds the row is offered
    const char *menuText;
};

// Value-kind flags of the rows and of the widget's kind mask (menuFlag).
enum : int { digitSignedRows = 1, digitUnsignedRows = 2, digitFloatingRows = 4 };

constexpr int digitBaseCount = 10;
const ov9174fp_digitBase &digitBase(int row);
// Rows of the base table by name.
enum : int { digitRowDecimal = 0, digitRowUnsigned = 1, digitRowHex = 2, digitRowHexUpper = 3, digitRowOctal = 4,
             digitRowBinary = 5, digitRowFloat = 6, digitRowGeneral = 7, digitRowExponent = 8,
             digitRowExponentUpper = 9 };

// The kind mask: 4 floating, 1 signed integer, 2 unsigned integer.
int digitMenuFlag(bool floating, bool isSigned);
// A row is offered when (row flags AND menuFlag) equals menuFlag.
bool digitRowOffered(int row, int menuFlag);
// The offered rows in table order: the base menu's positions.
QVector<int> digitOfferedRows(int menuFlag);
// The offered row after `row`, cycling to the first (the base button).
int digitNextRow(int row, int menuFlag);

// The parts of a format text.
struct ov9174fp_digitFormatParts {
    char flag = 0;       // '+', ' ' or none
    int width = -1;      // -1: none
    int precision = -1;  // -1: none
    int row = 0;         // current row of the base table
};

// Reads "%[+ ][width][.precision]conversion". Without "%" there is no flag,
// width or precision and the conversion is 'd' for integers, 'g' for floating
// values. The row is the last offered row with that conversion, else the
// first offered row.
ov9174fp_digitFormatParts digitParseFormat(const QString &format, int menuFlag);

// "%" + flag + width + "." + precision + ("ll" for integers) + conversion;
// empty for the binary row.
QString digitFormatText(const ov9174fp_digitFormatParts &parts, bool integer);

// The floating value as printf writes it with the format text (C locale).
QString digitFloatingText(double value, const ov9174fp_digitFormatParts &parts);
// Integers are shown and typed as 64-bit numbers; the value itself and its
// arithmetic keep all 80 bits.
// The number an integer row shows for a value: the signed decimal row the
// value's low 64 bits (read as a signed number), the binary row its low 64
// bits, the other rows the low 64 bits of the value masked to the bit size.
unsigned long long digitShownNumber(const intXXL &value, int row, int bits);
// The value a typed 64-bit number stands for: sign-extended from 64 bits,
// then masked to the bit size for unsigned kinds.
intXXL digitTypedValue(unsigned long long number, int bits, bool isSigned);

// The integer value's text: the row's number as the C library's printf
// writes it with the format text (the signed decimal row as a signed number);
// the binary row's digits alone.
QString digitIntegerText(const intXXL &value, const ov9174fp_digitFormatParts &parts, int bits);

// Reads a floating text (C notation, surrounding spaces allowed).
bool digitParseFloating(const QString &text, double *value);
// Reads an integer text in the row's radix as a 64-bit number: the signed
// decimal row a signed one (an optional + or -), the other rows an unsigned
// one (an optional +); surrounding spaces allowed. The value is then
// digitTypedValue of that number. False for any other character or a number
// beyond 64 bits.
bool digitParseInteger(const QString &text, int row, int bits, bool isSigned, intXXL *value);

// The line edit's pattern for integer rows: "[+-]?" (radix 10 only), the
// digit class of the radix, and 1 .. N digits, N the precision when one is
// set, else the number of digits of 2^bits - 1 in that radix.
QString digitIntegerPattern(int row, int precision, int bits);

#endif
