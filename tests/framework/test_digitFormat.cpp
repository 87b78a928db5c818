// The digit control's rules without the widget: formats, integer texts against
// printf (and the 128-bit integer beyond 64 bits), clamping and stepping.
#include "ov9174fp_digitFormat.h"
#include "ov9174fp_digitValue.h"

#include <QLocale>
#include <QtTest>

#include <cstdio>
#include <random>

Q_DECLARE_METATYPE(ov9174fp_digitFormatParts)

namespace {

// The values of a kind's range worth showing: its ends, around zero, powers
// of two and a fixed sample.
QVector<intXXL> kindSamples(int bits, bool isSigned)
{
    const intXXL lo = intXXL::minimumOf(bits, isSigned), hi = intXXL::maximumOf(bits, isSigned);
    QVector<intXXL> v = {lo, hi, lo + intXXL(1), hi - intXXL(1), intXXL(0)};
    if (bits > 4)
        v << intXXL(1) << (isSigned ? intXXL(-10) : intXXL(10));
    std::mt19937_64 random(bits);
    for (int i = 0; i < 40; ++i) {
        intXXL r = (intXXL::fromUnsigned(random()) << 16) | intXXL::fromUnsigned(random() & 0xFFFF);
        r = r.shiftedRightUnsigned(int(random() % 80));
        v << (isSigned ? r.signExtendedFrom(bits) : r.maskedTo(bits));
    }
    return v;
}

ov9174fp_digitFormatParts formatParts(char flag, int width, int precision, int row)
{
    ov9174fp_digitFormatParts p;
    p.flag = flag;
    p.width = width;
    p.precision = precision;
    p.row = row;
    return p;
}

// What the C library's printf writes (Qt's own printf differs: it signs
// unsigned conversions).
template <typename T>
QString printed(const QString &format, T value)
{
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, format.toLatin1().constData(), value);
    return QString::fromLatin1(buffer);
}

} // namespace

class TestDigitFormat : public QObject
{
    Q_OBJECT

private slots:
    void formatParsing_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("menuFlag");
        QTest::addColumn<QString>("parts"); // flag width precision row
        QTest::addColumn<QString>("formatText");
        QTest::newRow("%g") << "%g" << 4 << "- -1 -1 7" << "%g";
        QTest::newRow("%+12.4e") << "%+12.4e" << 4 << "+ 12 4 8" << "%+12.4e";
        QTest::newRow("% .3f") << "% .3f" << 4 << "' ' -1 3 6" << "% .3f";
        QTest::newRow("%E") << "%E" << 4 << "- -1 -1 9" << "%E";
        QTest::newRow("no % floating") << "anything" << 4 << "- -1 -1 7" << "%g";
        QTest::newRow("integer conversion, floating") << "%d" << 4 << "- -1 -1 6" << "%f";
        QTest::newRow("signed %+8.3d") << "%+8.3d" << 1 << "+ 8 3 0" << "%+8.3lld";
        QTest::newRow("no % signed") << "" << 1 << "- -1 -1 0" << "%lld";
        QTest::newRow("no % unsigned: d not offered") << "" << 2 << "- -1 -1 1" << "%llu";
        QTest::newRow("unsigned %08x") << "%8x" << 2 << "- 8 -1 2" << "%8llx";
        QTest::newRow("%X") << "%X" << 1 << "- -1 -1 3" << "%llX";
        QTest::newRow("%.11o") << "%.11o" << 2 << "- -1 11 4" << "%.11llo";
        QTest::newRow("unknown conversion") << "%q" << 1 << "- -1 -1 0" << "%lld";
        QTest::newRow("floating conversion, integer") << "%e" << 2 << "- -1 -1 1" << "%llu";
    }

    void formatParsing()
    {
        QFETCH(QString, format);
        QFETCH(int, menuFlag);
        QFETCH(QString, parts);
        const ov9174fp_digitFormatParts p = digitParseFormat(format, menuFlag);
        const QString flag = p.flag == 0 ? QStringLiteral("-") : p.flag == ' ' ? QStringLiteral("' '")
                                                                                : QString(QLatin1Char(p.flag));
        QCOMPARE(QStringLiteral("%1 %2 %3 %4").arg(flag).arg(p.width).arg(p.precision).arg(p.row), parts);
        QTEST(digitFormatText(p, menuFlag != 4), "formatText");
    }

    void menuRowsAndCycle()
    {
        QCOMPARE(digitOfferedRows(4), QVector<int>({6, 7, 8, 9}));
        QCOMPARE(digitOfferedRows(1), QVector<int>({0, 2, 3, 4, 5}));
        QCOMPARE(digitOfferedRows(2), QVector<int>({1, 2, 3, 4, 5}));
        // g -> e -> E -> f -> g; integers cycle through their rows likewise.
        QVector<int> cycle{7};
        for (int i = 0; i < 4; ++i)
            cycle << digitNextRow(cycle.last(), 4);
        QCOMPARE(cycle, QVector<int>({7, 8, 9, 6, 7}));
        QCOMPARE(digitNextRow(5, 1), 0);
        QCOMPARE(digitNextRow(5, 2), 1);
        QCOMPARE(digitNextRow(1, 2), 2);
        QCOMPARE(digitFormatText(formatParts('+', 4, 2, digitRowBinary), true), QString());
    }

    void floatingTexts_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("%g 1") << "%g" << 1.0 << "1";
        QTest::newRow("%g 1e-12") << "%g" << 1e-12 << "1e-12";
        QTest::newRow("%g 1e12") << "%g" << 1e12 << "1e+12";
        QTest::newRow("%g -0.5") << "%g" << -0.5 << "-0.5";
        QTest::newRow("%+12.4e") << "%+12.4e" << 1234.5678 << " +1.2346e+03";
        QTest::newRow("%+12.4e negative") << "%+12.4e" << -0.000123456 << " -1.2346e-04";
        QTest::newRow("%.3f") << "%.3f" << 2.0 / 3.0 << "0.667";
        QTest::newRow("% E") << "% E" << 12.0 << " 1.200000E+01";
    }

    // Written the C way whatever the locale; read back the same way.
    void floatingTexts()
    {
        QFETCH(QString, format);
        QFETCH(double, value);
        QFETCH(QString, text);
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const ov9174fp_digitFormatParts p = digitParseFormat(format, 4);
        const QString written = digitFloatingText(value, p);
        double back = 0.0;
        const bool read = digitParseFloating(written, &back);
        QLocale::setDefault(previous);
        QCOMPARE(written, text);
        QVERIFY(read);
        QVERIFY(qAbs(back - value) <= qAbs(value) * 1e-3);
        for (const char *bad : {"-", "", "1,5", "e5", "nan", "1.5x"})
            QVERIFY2(!digitParseFloating(QString::fromLatin1(bad), &back), bad);
    }

    void integerTexts_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<bool>("isSigned");
        for (int bits : {1, 8, 12, 16, 32, 48, 63, 64, 65, 79, 80})
            for (bool isSigned : {true, false})
                QTest::addRow("%d bits %s", bits, isSigned ? "signed" : "unsigned") << bits << isSigned;
    }

    // Every offered row and a set of flags, widths and precisions: the text
    // is what printf writes (up to 64 bits) and reads back to the value.
    void integerTexts()
    {
        QFETCH(int, bits);
        QFETCH(bool, isSigned);
        const int menuFlag = digitMenuFlag(false, isSigned);
        const QVector<intXXL> values = kindSamples(bits, isSigned);
        for (int row : digitOfferedRows(menuFlag)) {
            for (const ov9174fp_digitFormatParts &p :
                 {formatParts(0, -1, -1, row), formatParts('+', 12, -1, row), formatParts(' ', -1, 6, row),
                  formatParts(0, 30, 25, row), formatParts(0, -1, 0, row)}) {
                for (const intXXL &v : values) {
                    const QString text = digitIntegerText(v, p, bits);
                    const intXXL pattern = v.maskedTo(bits);
                    QString expected;
                    if (row == digitRowBinary)
                        expected = QString::fromStdString(pattern.unsignedDigits(2));
                    else if (bits <= 64 && row == digitRowDecimal)
                        expected = printed(digitFormatText(p, true), v.low64());
                    else if (bits <= 64)
                        expected = printed(digitFormatText(p, true), pattern.lowUnsigned64());
                    const QByteArray where = QStringLiteral("row %1 format %2 value %3 text '%4'")
                                                 .arg(row).arg(digitFormatText(p, true))
                                                 .arg(QString::fromStdString(pattern.unsignedDigits(16)), text)
                                                 .toLatin1();
                    if (!expected.isEmpty() || bits <= 64)
                        QVERIFY2(text == expected, where);
                    intXXL back;
                    const bool empty = text.trimmed().isEmpty(); // precision 0 writes no digit for 0
                    QVERIFY2(empty || (digitParseInteger(text, row, bits, isSigned, &back) && back == v), where);
                }
            }
        }
    }

    // Beyond 64 bits: the ends of the 80-bit kinds.
    void integerTextsOf80Bits()
    {
        const ov9174fp_digitFormatParts dec = formatParts('+', -1, -1, digitRowDecimal);
        QCOMPARE(digitIntegerText(intXXL::minimumOf(80, true), dec, 80), QStringLiteral("-604462909807314587353088"));
        QCOMPARE(digitIntegerText(intXXL::maximumOf(80, true), dec, 80), QStringLiteral("+604462909807314587353087"));
        QCOMPARE(digitIntegerText(intXXL(-1), formatParts(0, -1, -1, digitRowHexUpper), 80), QString(20, 'F'));
        QCOMPARE(digitIntegerText(intXXL(-1), formatParts(0, -1, -1, digitRowHex), 72), QString(18, 'f'));
        QCOMPARE(digitIntegerText(intXXL::maximumOf(80, false), formatParts(0, -1, -1, digitRowUnsigned), 80),
                 QStringLiteral("1208925819614629174706175"));
        intXXL v;
        QVERIFY(digitParseInteger(QStringLiteral("-604462909807314587353088"), digitRowDecimal, 80, true, &v));
        QCOMPARE(v, intXXL::minimumOf(80, true));
        QVERIFY(!digitParseInteger(QStringLiteral("604462909807314587353088"), digitRowDecimal, 80, true, &v));
        QVERIFY(!digitParseInteger(QStringLiteral("1208925819614629174706176"), digitRowUnsigned, 80, false, &v));
        // A pattern read on a non-decimal row is the kind's value of those bits.
        QVERIFY(digitParseInteger(QStringLiteral("ff"), digitRowHex, 8, true, &v) && v == intXXL(-1));
        QVERIFY(digitParseInteger(QStringLiteral("1ff"), digitRowHex, 8, false, &v) && v == intXXL(255));
        for (const char *bad : {"-", "+", "", "-1", "12a", "0x10"})
            QVERIFY2(!digitParseInteger(QString::fromLatin1(bad), digitRowUnsigned, 32, false, &v), bad);
        QVERIFY(!digitParseInteger(QStringLiteral("2"), digitRowBinary, 32, false, &v));
        QVERIFY(!digitParseInteger(QStringLiteral("-1"), digitRowHex, 32, true, &v));
    }

    void integerPatterns_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("precision");
        QTest::addColumn<int>("bits");
        QTest::addColumn<QString>("pattern");
        QTest::newRow("decimal 8 bits") << 0 << -1 << 8 << "[+-]?[0-9]{1,3}";
        QTest::newRow("unsigned 64 bits") << 1 << -1 << 64 << "[+-]?[0-9]{1,20}";
        QTest::newRow("hex 16 bits") << 2 << -1 << 16 << "[0-9a-fA-F]{1,4}";
        QTest::newRow("HEX 80 bits") << 3 << -1 << 80 << "[0-9a-fA-F]{1,20}";
        QTest::newRow("octal precision 5") << 4 << 5 << 32 << "[0-7]{1,5}";
        QTest::newRow("octal 32 bits") << 4 << -1 << 32 << "[0-7]{1,11}";
        QTest::newRow("binary 80 bits") << 5 << -1 << 80 << "[0-1]{1,80}";
    }

    void integerPatterns()
    {
        QFETCH(int, row);
        QFETCH(int, precision);
        QFETCH(int, bits);
        QTEST(digitIntegerPattern(row, precision, bits), "pattern");
    }

    void floatingValue()
    {
        ov9174fp_digitValue v;
        v.setRange(10.0, -5.0, -0.5);
        QVERIFY(v.minimum() == -5.0 && v.maximum() == 10.0 && v.singleStepUp() == 0.5 && v.singleStepDown() == 0.5);
        QVERIFY(!v.setValue(0.0) && v.stepFlags() == 3);
        QVERIFY(v.setValue(12.0) && v.value() == 10.0 && v.stepFlags() == 2); // clamped
        QCOMPARE(v.stepped(3), 11.5);
        v.wrapping = true;
        QVERIFY(v.stepped(1) == -5.0 && v.setValue(10.0) == false && v.stepFlags() == 3);
        v.setValue(-5.0);
        QCOMPARE(v.stepped(-1), 10.0);
        v.readOnly = true;
        v.setValue(0.0);
        QCOMPARE(v.stepFlags(), 0);
        // A range that leaves the value outside moves it in; a zero step keeps the steps.
        v.readOnly = false;
        QVERIFY(v.setRange(1.0, 2.0, 0.0) && v.value() == 1.0 && v.singleStepUp() == 0.5);
    }

    void integerStepping_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<bool>("isSigned");
        QTest::addColumn<bool>("wrapping");
        for (int bits : {8, 64, 80})
            for (bool isSigned : {true, false})
                for (bool wrapping : {false, true})
                    QTest::addRow("%d bits %s%s", bits, isSigned ? "signed" : "unsigned", wrapping ? ", wrapping" : "")
                        << bits << isSigned << wrapping;
    }

    // One step whatever the count, at least 1; at the ends of the kind (where
    // the 80-bit sum overflows) it stops or wraps.
    void integerStepping()
    {
        QFETCH(int, bits);
        QFETCH(bool, isSigned);
        QFETCH(bool, wrapping);
        ov9174fp_digitValue v(bits, isSigned);
        const intXXL lo = intXXL::minimumOf(bits, isSigned), hi = intXXL::maximumOf(bits, isSigned);
        QVERIFY(v.integerMinimum() == lo && v.integerMaximum() == hi);
        v.wrapping = wrapping;
        v.setValue(intXXL(5));
        QCOMPARE(v.steppedInteger(100), intXXL(6)); // no step set: 1
        v.setRange(lo, hi, intXXL(-3));
        QVERIFY(v.integerStepUp() == intXXL(3) && v.integerStepDown() == intXXL(3));
        QCOMPARE(v.steppedInteger(7), intXXL(8));
        QCOMPARE(v.steppedInteger(0), intXXL(2));
        v.setValue(hi - intXXL(1));
        QCOMPARE(v.steppedInteger(1), wrapping ? lo : hi);
        v.setValue(lo + intXXL(2));
        QCOMPARE(v.steppedInteger(-1), wrapping ? hi : lo);
        v.setValue(hi);
        QCOMPARE(v.stepFlags(), wrapping ? 3 : 2);
        // A narrower range clamps and wraps at its own ends.
        v.setRange(intXXL(20), intXXL(10), intXXL(4));
        QVERIFY(v.integerValue() == intXXL(20) && v.integerMinimum() == intXXL(10));
        QCOMPARE(v.steppedInteger(1), wrapping ? intXXL(10) : intXXL(20));
        // Limits beyond the bit size are held at its ends.
        v.setRange(intXXL(-1) << 79, intXXL::mask(79), intXXL(0));
        if (bits < 80)
            QVERIFY(v.integerMinimum() == lo && v.integerMaximum() == hi);
    }
};

QTEST_APPLESS_MAIN(TestDigitFormat)
#include "test_digitFormat.moc"
