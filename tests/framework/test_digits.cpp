// The digit control from the bottom up: the 80-bit integer's rules, the
// format and text rules as tables, the value rules (clamping, stepping,
// wrapping), then the widget as a user drives it.
#include "modalanswer.h"
#include "ov9174fp_digitCtrl.h"
#include "ov9174fp_digitCtrlParts.h"
#include "ov9174fp_digitFormat.h"
#include "ov9174fp_digitValue.h"

#include <QLocale>
#include <QMenu>
#include <QSignalSpy>
#include <QtTest>

#include <vector>

namespace {

ov9174fp_digitFormatParts parts(char flag, int width, int precision, int row)
{
    ov9174fp_digitFormatParts p;
    p.flag = flag, p.width = width, p.precision = precision, p.row = row;
    return p;
}

// Replaces the text as a user would (select all, type) and presses Return.
void type(ov9174fp_digitCtrl &c, const QString &text)
{
    c.edit()->selectAll();
    QTest::keyClick(&c, Qt::Key_Backspace);
    QTest::keyClicks(&c, text);
    QTest::keyClick(&c, Qt::Key_Return);
}

QString menuTexts(const ov9174fp_digitCtrl &c)
{
    QStringList texts;
    for (QAction *a : c.baseMenu()->actions())
        texts << a->text() + (a->isChecked() ? "*" : "");
    return texts.join(' ');
}

QString shown(const ov9174fp_digitCtrl &c) { return c.baseButton()->text() + ' ' + c.edit()->text(); }

} // namespace

class TestDigits : public QObject
{
    Q_OBJECT

private slots:
    // Carries and borrows across the 16-bit words, both shifts, masks and
    // sign extension and the kinds' limits, as the value's unsigned
    // hexadecimal digits (the other radices: the text tables below).
    void intXXLRules()
    {
        const intXXL one(1), top = intXXL(1) << 79, f80(-1);
        const QString ones(20, 'f');
        QVERIFY(intXXL().isZero() && !top.isZero() && !one.isZero()); // first: the digits loop on it
        const std::pair<intXXL, QString> values[] = {
            {intXXL(0xFFFF) + one, "10000"}, {intXXL::mask(64) + one, "10000000000000000"}, {f80 + one, "0"},
            {intXXL(0x10000) - one, "ffff"}, {top + top, "0"}, {-top, "8" + QString(19, '0')},
            {~intXXL(0x1234), ones.left(16) + "edcb"},
            {intXXL(0xF0F0F) & intXXL(0xFF00), "f00"}, {intXXL(0xF0000) | intXXL(0xF), "f000f"},
            {one << 79 >> 79, ones}, {top.shiftedRightUnsigned(79), "1"}, {one << 80, "0"}, {top >> 80, ones},
            {intXXL(0x12345) << 20, "1234500000"}, {intXXL::fromUnsigned(~0ULL), QString(16, 'f')},
            {intXXL(-100).maskedTo(16), "ff9c"}, {intXXL(0x8000).signExtendedFrom(16), ones.left(16) + "8000"},
            {intXXL(0x7FFF).signExtendedFrom(16), "7fff"}, {intXXL::maximumOf(80, true), "7" + ones.left(19)},
            {intXXL::minimumOf(12, true), ones.left(17) + "800"}, {intXXL::maximumOf(12, false), "fff"}};
        for (const auto &[value, hex] : values)
            QCOMPARE(QString::fromStdString(value.unsignedDigits(16)), hex);
        QVERIFY(top.isNegative() && !intXXL::mask(79).isNegative());
        QVERIFY(top < f80 && f80 < one && !(one < one) && one <= one);
        QVERIFY(!f80.lessUnsigned(top) && one.lessUnsigned(top));
        // 2^80 - 1 is the largest value read; one more overflows, as does a digit outside the radix or any
        // other character.
        intXXL value;
        QVERIFY(intXXL::parseUnsigned("1208925819614629174706175", 10, &value) && value == f80);
        for (const auto &[text, radix] : std::vector<std::pair<std::string, int>>{
                 {"1208925819614629174706176", 10}, {"1" + std::string(20, '0'), 16}, {std::string(81, '1'), 2},
                 {"12", 2}, {"8", 8}, {"g", 16}, {"-1", 10}, {"", 10}, {" 1", 10}})
            QVERIFY2(!intXXL::parseUnsigned(text, radix, &value), text.c_str());
    }

    // Format texts, offered rows and the base button's cycle; floating
    // values written the C way whatever the locale, and read back the same way.
    void formatsAndFloatingTexts()
    {
        const struct {
            const char *format;
            int menuFlag;
            const char *parts, *formatText; // parts: flag width precision row
        } formats[] = {{"%g", 4, "- -1 -1 7", "%g"},           {"%+12.4e", 4, "+ 12 4 8", "%+12.4e"},
                       {"% .3f", 4, "' ' -1 3 6", "% .3f"},    {"%E", 4, "- -1 -1 9", "%E"},
                       {"anything", 4, "- -1 -1 7", "%g"},     {"%d", 4, "- -1 -1 6", "%f"},
                       {"%+8.3d", 1, "+ 8 3 0", "%+8.3lld"},   {"", 1, "- -1 -1 0", "%lld"},
                       {"", 2, "- -1 -1 1", "%llu"},           {"%8x", 2, "- 8 -1 2", "%8llx"},
                       {"%X", 1, "- -1 -1 3", "%llX"},         {"%.11o", 2, "- -1 11 4", "%.11llo"}};
        for (const auto &f : formats) {
            const ov9174fp_digitFormatParts p = digitParseFormat(f.format, f.menuFlag);
            const QString flag = p.flag == 0 ? "-" : p.flag == ' ' ? "' '" : QString(QLatin1Char(p.flag));
            QCOMPARE(QStringLiteral("%1 %2 %3 %4").arg(flag).arg(p.width).arg(p.precision).arg(p.row), f.parts);
            QCOMPARE(digitFormatText(p, f.menuFlag != 4), f.formatText);
        }
        QCOMPARE(digitFormatText(parts('+', 4, 2, digitRowBinary), true), QString());
        QCOMPARE(digitOfferedRows(4) + digitOfferedRows(1) + digitOfferedRows(2),
                 QVector<int>({6, 7, 8, 9, 0, 2, 3, 4, 5, 1, 2, 3, 4, 5}));
        QCOMPARE(QVector<int>({digitNextRow(7, 4), digitNextRow(9, 4), digitNextRow(5, 1), digitNextRow(5, 2),
                               digitNextRow(1, 2)}), QVector<int>({8, 6, 0, 1, 2}));

        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const std::tuple<const char *, double, const char *> texts[] = {
            {"%g", 1.0, "1"},           {"%g", 1e-12, "1e-12"}, {"%g", 1e12, "1e+12"},
            {"%g", -0.5, "-0.5"},       {"%+12.4e", 1234.5678, " +1.2346e+03"},
            {"%+12.4e", -0.000123456, " -1.2346e-04"},          {"%.3f", 2.0 / 3.0, "0.667"},
            {"% E", 12.0, " 1.200000E+01"}};
        for (const auto &[format, value, text] : texts) {
            const QString written = digitFloatingText(value, digitParseFormat(format, 4));
            double back = 0.0;
            QVERIFY2(written == text && digitParseFloating(written, &back) && qAbs(back - value) <= qAbs(value) * 1e-3,
                     qPrintable(written));
        }
        QLocale::setDefault(previous);
        double back = 0.0;
        for (const char *bad : {"-", "", "1,5", "e5", "nan", "1.5x"})
            QVERIFY2(!digitParseFloating(QString::fromLatin1(bad), &back), bad);
    }

    // Integer texts shown and typed: 64-bit numbers, while the value keeps
    // its 80 bits.
    void integerTexts()
    {
        const intXXL int64Max = intXXL::mask(63), int64Min = ~intXXL::mask(63), none;
        const auto plain = [](int row) { return parts(0, -1, -1, row); };
        const std::tuple<int, ov9174fp_digitFormatParts, intXXL, QString> shown[] = { // bits, format, value, text
            {64, plain(0), int64Max, "9223372036854775807"}, {64, plain(0), int64Min, "-9223372036854775808"},
            // Beyond 64 bits the decimal row shows the low 64 bits as a signed number.
            {80, plain(0), intXXL::maximumOf(80, true), "-1"}, {80, plain(0), intXXL::minimumOf(80, true), "0"},
            {80, parts('+', -1, -1, 0), intXXL(1) << 63, "-9223372036854775808"},
            {32, parts('+', 8, 5, 0), intXXL(42), "  +00042"}, {32, parts(' ', -1, 0, 0), intXXL(0), " "},
            {16, parts(0, 30, 25, 0), intXXL(-7), "    -0000000000000000000000007"},
            // The other rows: the value masked to the bit size, at most its low 64 bits.
            {16, plain(2), intXXL(-100), "ff9c"}, {64, plain(2), intXXL(-1), "ffffffffffffffff"},
            {80, parts(0, 20, -1, 3), intXXL(-100), "    FFFFFFFFFFFFFF9C"}, {12, plain(4), intXXL(-8), "7770"},
            {80, parts(0, -1, 24, 4), intXXL(-1), "001777777777777777777777"},
            {80, plain(1), intXXL::mask(80), "18446744073709551615"}, {8, parts(0, -1, 3, 1), intXXL(7), "007"},
            // Binary: the low 64 bits whatever the bit size, digits alone.
            {16, parts('+', 70, -1, 5), intXXL(-2), QString(63, '1') + "0"},
            {80, plain(5), (intXXL(1) << 64) | intXXL(5), "101"}};
        for (const auto &[bits, format, value, text] : shown)
            QCOMPARE(digitIntegerText(value, format, bits), text);

        // Per row: bits, signed, row, text, the value read (`none`: refused).
        const std::tuple<int, bool, int, QString, intXXL> typed[] = {
            {80, true, 0, "-9223372036854775808", int64Min}, {80, true, 0, "9223372036854775808", none},
            {80, true, 0, "-9223372036854775809", none}, {80, true, 0, "-604462909807314587353088", none},
            {16, true, 0, "  +42 ", intXXL(42)}, {80, false, 1, "18446744073709551616", none},
            {8, false, 1, "+7", intXXL(7)},
            // Other rows: 64 bits, sign-extended from 64 (then masked to an unsigned kind's size).
            {80, true, 3, "FFFFFFFFFFFFFFFF", intXXL(-1)}, {32, true, 2, "ffffffffffffffff", intXXL(-1)},
            {16, true, 2, "ffff", intXXL(65535)}, {80, false, 2, "FFFFFFFFFFFFFFFF", intXXL::mask(80)},
            {8, false, 2, "1ff", intXXL(255)}, {80, true, 2, "10000000000000000", none},
            {80, true, 4, "2000000000000000000000", none}, {16, false, 5, QString(64, '1'), intXXL(65535)},
            {80, false, 5, "1" + QString(64, '0'), none}, {32, true, 2, "-1", none}, {32, true, 2, "0x10", none},
            {32, false, 5, "2", none}, {32, false, 4, "8", none}};
        for (const auto &[bits, isSigned, row, text, value] : typed) {
            intXXL v(12345);
            const bool read = digitParseInteger(text, row, bits, isSigned, &v);
            QVERIFY2(read == (value != none) && v == (read ? value : intXXL(12345)), qPrintable(text));
        }
        for (const auto &[isSigned, row, bad] : {std::make_tuple(true, 0, "|-|+|+-5|--5|1a|1 2|0x10|1.0"),
                                                 std::make_tuple(false, 1, "-1|-0|12a|+")})
            for (const QString &text : QString(bad).split('|')) {
                intXXL v;
                QVERIFY2(!digitParseInteger(text, row, 32, isSigned, &v), qPrintable(text));
            }

        // The edit's patterns: the digits of the radix, as many as the bit size (or precision) needs.
        QCOMPARE(QStringList({digitIntegerPattern(0, -1, 8), digitIntegerPattern(1, -1, 64),
                              digitIntegerPattern(2, -1, 16), digitIntegerPattern(3, -1, 80),
                              digitIntegerPattern(4, 5, 32), digitIntegerPattern(4, -1, 32),
                              digitIntegerPattern(5, -1, 80)}),
                 QStringList({"[+-]?[0-9]{1,3}", "[+-]?[0-9]{1,20}", "[0-9a-fA-F]{1,4}", "[0-9a-fA-F]{1,20}",
                              "[0-7]{1,5}", "[0-7]{1,11}", "[0-1]{1,80}"}));
    }

    // Integer values: clamping, steps (one step whatever the count, at least
    // 1) and the ends of the kind, where the 80-bit sum overflows: stop or
    // wrap. (Floating values: through the control below.)
    void valueRules()
    {
        for (int bits : {8, 64, 80})
            for (bool isSigned : {true, false})
                for (bool wrapping : {false, true}) {
                    const QByteArray what = QByteArray::number(bits) + (isSigned ? " signed" : " unsigned") +
                                            (wrapping ? ", wrapping" : "");
                    ov9174fp_digitValue v(bits, isSigned);
                    const intXXL lo = intXXL::minimumOf(bits, isSigned), hi = intXXL::maximumOf(bits, isSigned);
                    QVERIFY2(v.integerMinimum() == lo && v.integerMaximum() == hi, what);
                    v.wrapping = wrapping;
                    v.setValue(intXXL(5));
                    QVERIFY2(v.steppedInteger(100) == intXXL(6), what); // no step set: 1
                    v.setRange(lo, hi, intXXL(-3));
                    QVERIFY2(v.integerStepUp() == intXXL(3) && v.integerStepDown() == intXXL(3), what);
                    QVERIFY2(v.steppedInteger(7) == intXXL(8) && v.steppedInteger(0) == intXXL(2), what);
                    v.setValue(hi - intXXL(1));
                    QVERIFY2(v.steppedInteger(1) == (wrapping ? lo : hi), what);
                    v.setValue(lo + intXXL(2));
                    QVERIFY2(v.steppedInteger(-1) == (wrapping ? hi : lo), what);
                    v.setValue(hi);
                    QVERIFY2(v.stepFlags() == (wrapping ? 3 : 2), what);
                }
    }

    // The controls as a user drives them. Floating, noted after each step as
    // base, text, value, step buttons enabled and valueChanged signals: the
    // base button cycles the notations, the menu commits the typed text
    // first; typed values are clamped, letters are refused; a new range
    // moves the value in; keys step, stop or wrap at the ends, a typed text
    // is committed before a step, none in read-only mode.
    // Integer (16 bits signed, -100 .. 100, step 3): typed in the row shown,
    // stepped by exactly one step; digits outside the radix, or too many,
    // cannot be typed; a negative value's hexadecimal pattern is not read
    // again on a step or Return. A value of the other kind asks first.
    void controls()
    {
        ov9174fp_digitCtrl c(0.0, 100.0, 0.5, QStringLiteral("%g"));
        QSignalSpy changed(&c, qOverload<double>(&ov9174fp_digitCtrl::valueChanged));
        QSignalSpy returns(&c, &ov9174fp_digitCtrl::returnPressed);
        QStringList seen;
        const auto note = [&] {
            seen << shown(c) + QStringLiteral(" %1 %2 %3").arg(c.value()).arg(c.stepEnabled()).arg(changed.count());
        };
        c.setValue(1.0), note();
        c.baseButton()->click(), note();
        c.edit()->setText(QStringLiteral("2.5"));
        c.baseMenu()->actions().at(0)->trigger(), note();
        seen << menuTexts(c) + ' ' + c.formatText();
        c.baseMenu()->actions().at(1)->trigger();
        for (const char *text : {"5000", "-3", "12.5", "-x"})
            type(c, QString(text)), note();
        c.setRange(1.0, -1.0, -0.5), note(); // either order, either sign of the step
        c.setValue(0.5);
        QTest::keyClick(&c, Qt::Key_Up), note();
        QTest::keyClick(&c, Qt::Key_Up), note();
        c.setWrapping(true);
        c.setValue(1.0);
        QTest::keyClick(&c, Qt::Key_Up), note();
        QTest::keyClick(&c, Qt::Key_Down), note();
        c.edit()->setText(QStringLiteral("-0.25"));
        c.stepBy(1), note();
        c.setReadOnly(true);
        c.stepBy(1), note();
        QCOMPARE(returns.count(), 4);
        QCOMPARE(seen, QStringList({"g 1 1 3 1", "e 1.000000e+00 1 3 1", "f 2.500000 2.5 3 2",
                                    "float* general exponent Exponent %f", "g 100 100 2 3", "g 0 0 1 4",
                                    "g 12.5 12.5 3 5", "g 12.5 12.5 3 5", "g 1 1 2 5", "g 1 1 2 7", "g 1 1 2 7",
                                    "g -1 -1 3 8", "g 1 1 3 9", "g 0.25 0.25 3 11", "g 0.25 0.25 3 11"}));

        ov9174fp_digitCtrl n(intXXL(-100), intXXL(100), intXXL(3), QString(), 16, true);
        QSignalSpy integerChanged(&n, qOverload<qint64>(&ov9174fp_digitCtrl::valueChanged));
        QCOMPARE(menuTexts(n), QStringLiteral("decimal* hexadecimal hexadecimal upper octal binary"));
        n.baseMenu()->actions().at(4)->trigger(); // binary
        n.edit()->selectAll();
        QTest::keyClicks(&n, "1021" + QString(16, '1'));
        QCOMPARE(n.edit()->text(), "101" + QString(13, '1'));
        n.baseMenu()->actions().at(1)->trigger(); // hexadecimal
        type(n, QStringLiteral("4f"));
        n.stepBy(5);
        QVERIFY(n.edit()->text() == "52" && integerChanged.last().at(0).toLongLong() == 82);
        n.setValue(qint64(-100));
        n.stepBy(1);
        QTest::keyClick(&n, Qt::Key_Return);
        QVERIFY(n.edit()->text() == "ff9f" && n.integerValue() == intXXL(-97));
        ModalAnswerer answer({QStringLiteral("No")});
        n.setValue(7.0);
        c.setValue(qint64(1));
        QCOMPARE(answer.seen().size(), 2);
        QCOMPARE(answer.seen().first().text, QStringLiteral("Data type is wrong! Do you really want to continue?"));
        QCOMPARE(answer.seen().first().icon, QMessageBox::Information);
        QVERIFY(n.integerValue() == intXXL(-97) && c.value() == 0.25);
    }
};

QTEST_MAIN(TestDigits)
#include "test_digits.moc"
