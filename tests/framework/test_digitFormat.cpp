// The digit control's rules without the widget: formats, the 64-bit integer
// texts shown and typed, clamping and stepping in 80 bits.
#include "ov9174fp_digitFormat.h"
#include "ov9174fp_digitValue.h"

#include <QLocale>
#include <QtTest>

#include <random>

Q_DECLARE_METATYPE(ov9174fp_digitFormatParts)
Q_DECLARE_METATYPE(intXXL)

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
        QTest::addColumn<ov9174fp_digitFormatParts>("parts");
        QTest::addColumn<intXXL>("value");
        QTest::addColumn<QString>("text");
        const intXXL int64Max = intXXL::mask(63), int64Min = ~intXXL::mask(63);
        const auto plain = [](int row) { return formatParts(0, -1, -1, row); };
        QTest::newRow("decimal, 64-bit maximum") << 64 << true << plain(0) << int64Max << "9223372036854775807";
        QTest::newRow("decimal, 64-bit minimum") << 64 << true << plain(0) << int64Min << "-9223372036854775808";
        // Beyond 64 bits the decimal row shows the low 64 bits as a signed number.
        QTest::newRow("decimal, 80-bit maximum") << 80 << true << plain(0) << intXXL::maximumOf(80, true) << "-1";
        QTest::newRow("decimal, 2^63 of 80 bits") << 80 << true << formatParts('+', -1, -1, 0) << (intXXL(1) << 63)
                                                 << "-9223372036854775808";
        QTest::newRow("decimal, 80-bit minimum") << 80 << true << plain(0) << intXXL::minimumOf(80, true) << "0";
        QTest::newRow("decimal %+8.5") << 32 << true << formatParts('+', 8, 5, 0) << intXXL(42) << "  +00042";
        QTest::newRow("decimal % .0 of 0") << 32 << true << formatParts(' ', -1, 0, 0) << intXXL(0) << " ";
        QTest::newRow("decimal %30.25") << 16 << true << formatParts(0, 30, 25, 0) << intXXL(-7)
                                        << "    -0000000000000000000000007";
        // The other rows: the value masked to the bit size, at most its low 64 bits.
        QTest::newRow("hex of -100, 16 bits") << 16 << true << plain(2) << intXXL(-100) << "ff9c";
        QTest::newRow("hex of -1, 64 bits") << 64 << true << plain(2) << intXXL(-1) << "ffffffffffffffff";
        QTest::newRow("HEX of -100, 80 bits") << 80 << true << formatParts(0, 20, -1, 3) << intXXL(-100)
                                              << "    FFFFFFFFFFFFFF9C";
        QTest::newRow("octal of -1, 80 bits") << 80 << true << formatParts(0, -1, 24, 4) << intXXL(-1)
                                              << "001777777777777777777777";
        QTest::newRow("octal of -8, 12 bits") << 12 << true << plain(4) << intXXL(-8) << "7770";
        QTest::newRow("unsigned 2^80 - 1") << 80 << false << plain(1) << intXXL::mask(80) << "18446744073709551615";
        QTest::newRow("unsigned %.3 of 7") << 8 << false << formatParts(0, -1, 3, 1) << intXXL(7) << "007";
        // Binary: the low 64 bits whatever the bit size, digits alone.
        QTest::newRow("binary of -2, 16 bits") << 16 << true << formatParts('+', 70, -1, 5) << intXXL(-2)
                                               << QString(63, '1') + "0";
        QTest::newRow("binary of 2^64 + 5, 80 bits") << 80 << false << plain(5)
                                                     << ((intXXL(1) << 64) | intXXL(5)) << "101";
    }

    void integerTexts()
    {
        QFETCH(int, bits);
        QFETCH(ov9174fp_digitFormatParts, parts);
        QFETCH(intXXL, value);
        QTEST(digitIntegerText(value, parts, bits), "text");
    }

    void typedIntegers_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<bool>("isSigned");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("read");
        QTest::addColumn<intXXL>("value");
        const intXXL none;
        QTest::newRow("decimal 64-bit maximum") << 64 << true << 0 << "9223372036854775807" << true << intXXL::mask(63);
        QTest::newRow("decimal 64-bit minimum") << 80 << true << 0 << "-9223372036854775808" << true
                                                << ~intXXL::mask(63);
        QTest::newRow("decimal above 64 bits") << 80 << true << 0 << "9223372036854775808" << false << none;
        QTest::newRow("decimal below 64 bits") << 80 << true << 0 << "-9223372036854775809" << false << none;
        QTest::newRow("decimal 80-bit minimum") << 80 << true << 0 << "-604462909807314587353088" << false << none;
        QTest::newRow("decimal, spaces and plus") << 16 << true << 0 << "  +42 " << true << intXXL(42);
        QTest::newRow("unsigned 64-bit maximum") << 64 << false << 1 << "18446744073709551615" << true
                                                 << intXXL::mask(64);
        QTest::newRow("unsigned above 64 bits") << 80 << false << 1 << "18446744073709551616" << false << none;
        QTest::newRow("unsigned, plus") << 8 << false << 1 << "+7" << true << intXXL(7);
        // Other rows: 64 bits, sign-extended from 64 (then masked to an unsigned kind's size).
        QTest::newRow("hex -1") << 80 << true << 3 << "FFFFFFFFFFFFFFFF" << true << intXXL(-1);
        QTest::newRow("hex -1, 32 bits") << 32 << true << 2 << "ffffffffffffffff" << true << intXXL(-1);
        QTest::newRow("hex 16 ones, 16 bits") << 16 << true << 2 << "ffff" << true << intXXL(65535);
        QTest::newRow("hex -1, 80 bits unsigned") << 80 << false << 2 << "FFFFFFFFFFFFFFFF" << true
                                                  << intXXL::mask(80);
        QTest::newRow("hex masked to 8 bits") << 8 << false << 2 << "1ff" << true << intXXL(255);
        QTest::newRow("hex above 64 bits") << 80 << true << 2 << "10000000000000000" << false << none;
        QTest::newRow("octal -1") << 64 << true << 4 << "1777777777777777777777" << true << intXXL(-1);
        QTest::newRow("octal above 64 bits") << 80 << true << 4 << "2000000000000000000000" << false << none;
        QTest::newRow("binary 64 ones, 16 bits unsigned") << 16 << false << 5 << QString(64, '1') << true
                                                          << intXXL(65535);
        QTest::newRow("binary 65 digits") << 80 << false << 5 << "1" + QString(64, '0') << false << none;
        for (const char *bad : {"", "-", "+", "+-5", "--5", "1a", "1 2", "0x10", "1.0"})
            QTest::addRow("decimal '%s'", bad) << 32 << true << 0 << QString::fromLatin1(bad) << false << none;
        for (const char *bad : {"-1", "-0", "12a", "+"})
            QTest::addRow("unsigned '%s'", bad) << 32 << false << 1 << QString::fromLatin1(bad) << false << none;
        QTest::newRow("hex with minus") << 32 << true << 2 << "-1" << false << none;
        QTest::newRow("hex with 0x") << 32 << true << 2 << "0x10" << false << none;
        QTest::newRow("binary 2") << 32 << false << 5 << "2" << false << none;
        QTest::newRow("octal 8") << 32 << false << 4 << "8" << false << none;
    }

    void typedIntegers()
    {
        QFETCH(int, bits);
        QFETCH(bool, isSigned);
        QFETCH(int, row);
        QFETCH(QString, text);
        QFETCH(intXXL, value);
        intXXL v(12345);
        QTEST(digitParseInteger(text, row, bits, isSigned, &v), "read");
        QFETCH(bool, read);
        QCOMPARE(v, read ? value : intXXL(12345));
    }

    // Where the 64-bit texts hold the whole value, every row reads back what
    // it wrote: unsigned kinds up to 64 bits, 64-bit signed ones, and the
    // decimal row of narrower signed ones.
    void textsReadBack()
    {
        for (int bits : {1, 8, 12, 32, 63, 64}) {
            for (bool isSigned : {true, false}) {
                for (int row : digitOfferedRows(digitMenuFlag(false, isSigned))) {
                    if (isSigned && bits < 64 && row != digitRowDecimal)
                        continue;
                    for (const intXXL &v : kindSamples(bits, isSigned)) {
                        const QString text = digitIntegerText(v, formatParts('+', 12, 3, row), bits);
                        intXXL back;
                        QVERIFY2(digitParseInteger(text, row, bits, isSigned, &back) && back == v,
                                 qPrintable(QStringLiteral("%1 bits, row %2: '%3'").arg(bits).arg(row).arg(text)));
                    }
                }
            }
        }
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
