// The digit control as a user drives it: base menu, formats, typed and stepped
// values of the floating and the integer kinds.
#include "modalanswer.h"
#include "ov9174fp_digitCtrl.h"
#include "ov9174fp_digitCtrlParts.h"

#include <QMenu>
#include <QSignalSpy>
#include <QtTest>

namespace {

// Replaces the text as a user would (select all, type) and presses Return.
void type(ov9174fp_digitCtrl &c, const QString &text)
{
    c.edit()->selectAll();
    QTest::keyClick(&c, Qt::Key_Backspace);
    QTest::keyClicks(&c, text);
    QTest::keyClick(&c, Qt::Key_Return);
}

QStringList menuTexts(const ov9174fp_digitCtrl &c)
{
    QStringList texts;
    for (QAction *a : c.baseMenu()->actions())
        texts << a->text() + (a->isChecked() ? "*" : "");
    return texts;
}

} // namespace

class TestDigitCtrl : public QObject
{
    Q_OBJECT

private slots:
    // The multiplier control of the axis dialog.
    void generalFormatMenuAndCycle()
    {
        ov9174fp_digitCtrl c(-1e12, 1e12, 1e-12, QStringLiteral("%g"));
        c.setValue(1.0);
        QCOMPARE(menuTexts(c), QStringList({"float", "general*", "exponent", "Exponent"}));
        QCOMPARE(c.baseButton()->text(), QStringLiteral("g"));
        QStringList seen{c.baseButton()->text() + ' ' + c.edit()->text()};
        for (int i = 0; i < 4; ++i) {
            c.baseButton()->click();
            seen << c.baseButton()->text() + ' ' + c.edit()->text();
        }
        QCOMPARE(seen, QStringList({"g 1", "e 1.000000e+00", "E 1.000000E+00", "f 1.000000", "g 1"}));
        QCOMPARE(menuTexts(c).filter("*"), QStringList({"general*"}));
        // Choosing from the menu commits the typed text first.
        c.edit()->setText(QStringLiteral("2.5"));
        c.baseMenu()->actions().at(2)->trigger();
        QVERIFY(c.value() == 2.5 && c.edit()->text() == "2.500000e+00" && c.formatText() == "%e");
    }

    void flagWidthPrecision()
    {
        ov9174fp_digitCtrl c(-1e6, 1e6, 1.0, QStringLiteral("%+12.4e"));
        const ov9174fp_digitFormatParts &p = c.formatParts();
        QVERIFY(p.flag == '+' && p.width == 12 && p.precision == 4 && c.currentRow() == digitRowExponent);
        c.setValue(1234.5678);
        QCOMPARE(c.edit()->text(), QStringLiteral(" +1.2346e+03"));
        // The padded text can be edited and read back.
        type(c, QStringLiteral(" -2.5e2"));
        QCOMPARE(c.value(), -250.0);
        QCOMPARE(c.edit()->text(), QStringLiteral(" -2.5000e+02"));
    }

    void typedValuesAndReturn()
    {
        ov9174fp_digitCtrl c(0.0, 100.0, 0.5, QStringLiteral("%g"));
        QSignalSpy changed(&c, qOverload<double>(&ov9174fp_digitCtrl::valueChanged));
        QSignalSpy returns(&c, &ov9174fp_digitCtrl::returnPressed);
        QSignalSpy texts(&c, qOverload<const QString &>(&ov9174fp_digitCtrl::valueChanged));
        type(c, QStringLiteral("5000"));
        QVERIFY(c.value() == 100.0 && c.edit()->text() == "100");
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toDouble(), 100.0);
        type(c, QStringLiteral("-3"));
        QVERIFY(c.value() == 0.0 && c.edit()->text() == "0");
        type(c, QStringLiteral("12.5"));
        QVERIFY(c.value() == 12.5 && changed.count() == 3);
        // An unfinished number is let stand while typed, and on Return the
        // value's text comes back.
        c.edit()->selectAll();
        QTest::keyClick(&c, Qt::Key_Backspace);
        QTest::keyClicks(&c, QStringLiteral("-"));
        QCOMPARE(c.edit()->text(), QStringLiteral("-"));
        QVERIFY(c.edit()->hasAcceptableInput());
        QTest::keyClick(&c, Qt::Key_Return);
        QVERIFY(c.edit()->text() == "12.5" && c.value() == 12.5 && changed.count() == 3);
        // Letters are refused as they are typed.
        QTest::keyClicks(&c, QStringLiteral("x"));
        QCOMPARE(c.edit()->text(), QStringLiteral("12.5"));
        QCOMPARE(returns.count(), 4);
        QCOMPARE(texts.count(), 0);
    }

    void steppingAndWrapping()
    {
        ov9174fp_digitCtrl c(-1.0, 1.0, 0.5, QStringLiteral("%.2f"));
        c.setValue(0.5);
        QTest::keyClick(&c, Qt::Key_Up);
        QVERIFY(c.value() == 1.0 && c.edit()->text() == "1.00");
        QTest::keyClick(&c, Qt::Key_Up); // stops at the maximum
        QCOMPARE(c.value(), 1.0);
        QVERIFY(!(c.stepEnabled() & QAbstractSpinBox::StepUpEnabled));
        c.setWrapping(true);
        c.setValue(1.0);
        QVERIFY(c.stepEnabled() & QAbstractSpinBox::StepUpEnabled);
        QTest::keyClick(&c, Qt::Key_Up);
        QCOMPARE(c.value(), -1.0);
        QTest::keyClick(&c, Qt::Key_Down);
        QCOMPARE(c.value(), 1.0);
        // A typed text is committed before the step.
        c.edit()->setText(QStringLiteral("-0.25"));
        c.stepBy(1);
        QCOMPARE(c.value(), 0.25);
        c.setReadOnly(true);
        c.stepBy(1);
        QCOMPARE(c.value(), 0.25);
    }

    void integerKind_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<bool>("isSigned");
        QTest::addColumn<QString>("menu");
        // Per offered row: the text of -100 (or 100 for unsigned kinds), the
        // text typed and the text it leaves, after stepping up once by 3.
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("16 bits signed") << 16 << true << "decimal* hexadecimal hexadecimal upper octal binary"
                                        << QStringList({"d -100 -7 -4", "h ff9c 7ffe 64", "H FF9C 4F 52",
                                                        "o 177634 17 22", "b " + QString(57, '1') + "0011100 1 100"});
        QTest::newRow("8 bits unsigned") << 8 << false << "unsigned decimal* hexadecimal hexadecimal upper octal binary"
                                         << QStringList({"d 100 +7 10", "h 64 ff 64", "H 64 A D", "o 144 17 22",
                                                         "b 1100100 1111 10010"});
        QTest::newRow("80 bits signed") << 80 << true << "decimal* hexadecimal hexadecimal upper octal binary"
                                        << QStringList({"d -100 -7 -4", "h ffffffffffffff9c 7ffe 64",
                                                        "H FFFFFFFFFFFFFF9C 4F 52", "o 1777777777777777777634 17 22",
                                                        "b " + QString(57, '1') + "0011100 1 100"});
    }

    // Range -100 .. 100 (0 .. 100 unsigned), step 3: typed in every radix,
    // clamped, and stepped by exactly one step.
    void integerKind()
    {
        QFETCH(int, bits);
        QFETCH(bool, isSigned);
        QFETCH(QStringList, rows);
        const intXXL lo = isSigned ? intXXL(-100) : intXXL(0);
        ov9174fp_digitCtrl c(lo, intXXL(100), intXXL(3), QString(), bits, isSigned);
        QSignalSpy changed(&c, qOverload<qint64>(&ov9174fp_digitCtrl::valueChanged));
        QTEST(menuTexts(c).join(' '), "menu");
        const intXXL start = isSigned ? intXXL(-100) : intXXL(100);
        for (int i = 0; i < rows.size(); ++i) {
            const QStringList expected = rows[i].split(' ');
            if (i > 0)
                c.baseButton()->click();
            c.setValue(start);
            QCOMPARE(c.baseButton()->text(), expected[0]);
            QCOMPARE(c.edit()->text(), expected[1]);
            type(c, expected[2]);
            c.stepBy(5);
            QCOMPARE(c.edit()->text(), expected[3]);
        }
        c.baseButton()->click(); // back to the first row
        QCOMPARE(c.currentRow(), isSigned ? 0 : 1);
        QVERIFY(changed.count() > 0);
        QCOMPARE(changed.last().at(0).toLongLong(), c.integerValue().low64());
        // Digits outside the radix, or too many of them, cannot be typed.
        c.baseMenu()->actions().at(4)->trigger(); // binary
        c.edit()->selectAll();
        QTest::keyClicks(&c, QStringLiteral("1021"));
        QCOMPARE(c.edit()->text(), QStringLiteral("101"));
        QTest::keyClicks(&c, QString(bits, '1'));
        QCOMPARE(c.edit()->text().size(), bits);
    }

    // A 16-bit signed value in hexadecimal: the shown pattern of a negative
    // value is not read again on a step or Return, and a typed text is read
    // as a 64-bit number (then clamped to the range).
    void typedHexOfNarrowKind()
    {
        ov9174fp_digitCtrl c(intXXL(-100), intXXL(100), intXXL(3), QStringLiteral("%x"), 16, true);
        c.setValue(qint64(-100));
        QCOMPARE(c.edit()->text(), QStringLiteral("ff9c"));
        c.stepBy(1);
        QCOMPARE(c.edit()->text(), QStringLiteral("ff9f"));
        QTest::keyClick(&c, Qt::Key_Return);
        QCOMPARE(c.integerValue(), intXXL(-97));
        type(c, QStringLiteral("ffff"));
        QVERIFY(c.integerValue() == intXXL(100) && c.edit()->text() == "64");
    }

    // A value of the other kind asks first; only "Yes" sets it.
    void otherKindAsks()
    {
        ov9174fp_digitCtrl c(intXXL(0), intXXL(10), intXXL(1), QStringLiteral("%d"), 16, true);
        c.setValue(qint64(4));
        {
            ModalAnswerer answer({QStringLiteral("No")});
            c.setValue(7.0);
            QCOMPARE(answer.seen().size(), 1);
            QCOMPARE(answer.seen().first().text, QStringLiteral("Data type is wrong! Do you really want to continue?"));
            QCOMPARE(answer.seen().first().icon, QMessageBox::Information);
        }
        QCOMPARE(c.integerValue(), intXXL(4));
        ov9174fp_digitCtrl f(0.0, 1.0, 0.1, QStringLiteral("%g"));
        ModalAnswerer answer({QStringLiteral("No")});
        f.setValue(qint64(1));
        QVERIFY(answer.seen().size() == 1 && f.value() == 0.0);
    }

    // The base button sits inside the edit's left edge, before the text.
    void baseButtonInsideTheEdit()
    {
        ov9174fp_digitCtrl c(-1.0, 1.0, 0.1, QStringLiteral("%g"));
        c.resize(c.minimumSizeHint().width() + 40, c.sizeHint().height());
        c.show();
        QVERIFY(QTest::qWaitForWindowExposed(&c));
        QCOMPARE(c.baseButton()->parentWidget(), static_cast<QWidget *>(c.edit()));
        QVERIFY(c.baseButton()->geometry().left() < 0 && c.baseButton()->geometry().height() > c.edit()->height());
        QVERIFY(c.edit()->textMargins().left() >= c.baseButton()->geometry().right());
        QVERIFY(c.minimumSizeHint().width() > c.QAbstractSpinBox::minimumSizeHint().width());
    }
};

QTEST_MAIN(TestDigitCtrl)
#include "test_digitCtrl.moc"
