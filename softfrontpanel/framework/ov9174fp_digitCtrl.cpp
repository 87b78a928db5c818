#include "ov9174fp_digitCtrl.h"

#include "ov9174fp_digitCtrlParts.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include <algorithm>
#include <cstdio>

ov9174fp_digitCtrl::ov9174fp_digitCtrl(double minimum, double maximum, double step, const QString &format,
                                       QWidget *parent)
    : QAbstractSpinBox(parent), menuFlag(digitMenuFlag(true, true))
{
    build(format);
    lineEditor->setValidator(new ov9174fp_newDoubleValidator(this));
    setBase(parts.row);
    setRange(minimum, maximum, step);
}

ov9174fp_digitCtrl::ov9174fp_digitCtrl(const intXXL &minimum, const intXXL &maximum, const intXXL &step,
                                       const QString &format, int bits, bool isSigned, QWidget *parent)
    : QAbstractSpinBox(parent), model(bits, isSigned), menuFlag(digitMenuFlag(false, isSigned))
{
    build(format);
    setBase(parts.row);
    setRange(minimum, maximum, step);
}

ov9174fp_digitCtrl::~ov9174fp_digitCtrl() = default;

// The line edit with its base button, the base menu and the format.
void ov9174fp_digitCtrl::build(const QString &format)
{
    // The text is read on Return, on a step and when the base changes, not
    // at every key.
    setKeyboardTracking(false);
    lineEditor = new ov9174fp_newlineEdit(this);
    setLineEdit(lineEditor);
    button = new ov9174fp_newPushButton(lineEditor);
    lineEditor->baseButton = button;

    menu = new QMenu(this);
    menuGroup = new QActionGroup(menu);
    menuGroup->setExclusive(true);
    rows = digitOfferedRows(menuFlag);
    for (int row : rows) {
        QAction *action = menu->addAction(QString::fromLatin1(digitBase(row).menuText));
        action->setCheckable(true);
        menuGroup->addAction(action);
    }
    button->baseMenu = menu;

    parts = digitParseFormat(format, menuFlag);

    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setReadOnly(false);
    setWrapping(false);

    connect(lineEditor, &QLineEdit::returnPressed, this, &ov9174fp_digitCtrl::newText);
    connect(lineEditor, &QLineEdit::returnPressed, this, &ov9174fp_digitCtrl::retPressed_slot);
    connect(button, &QPushButton::clicked, this, &ov9174fp_digitCtrl::setBase_slot);
    connect(menu, &QMenu::triggered, this, &ov9174fp_digitCtrl::menuClicked_slot);
    lineEditor->installEventFilter(this);
    placeButton();
}

void ov9174fp_digitCtrl::setBase(int row)
{
    if (digitRowOffered(row, menuFlag)) {
        parts.row = row;
        button->setText(QString::fromLatin1(digitBase(row).buttonLabel));
        const int position = rows.indexOf(row);
        if (position >= 0)
            menu->actions().at(position)->setChecked(true);
    } else {
        std::printf("base:%d, flag:0x%x, MenuFlag:0x%x\n", row, row >= 0 && row < digitBaseCount ? digitBase(row).flags : 0,
                    menuFlag);
        std::fflush(stdout);
        QMessageBox::information(QApplication::activeWindow(), QString(),
                                 QStringLiteral("try missconfigure: non supported new base"));
    }
    rebuildValidation();
    lineEditor->setUpdatesEnabled(false);
    updateText();
    lineEditor->setUpdatesEnabled(true);
    repaint();
}

void ov9174fp_digitCtrl::rebuildValidation()
{
    if (model.isFloating())
        return;
    if (!digitRowOffered(parts.row, menuFlag)) {
        QMessageBox::information(
            QApplication::activeWindow(), QString(),
            QStringLiteral("missconfiguration! signed variable and conversion flag for only unsigned variable (or swapd)"));
        return;
    }
    // The spaces a format's width pads with may stay around the digits.
    const QString pattern = QStringLiteral(" *") + digitIntegerPattern(parts.row, parts.precision, model.bitSize())
                            + QStringLiteral(" *");
    QValidator *old = const_cast<QValidator *>(lineEditor->validator());
    lineEditor->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), this));
    if (old && old->parent() == this)
        old->deleteLater();
}

QString ov9174fp_digitCtrl::valueText() const
{
    if (model.isFloating())
        return digitFloatingText(model.value(), parts);
    return digitIntegerText(model.integerValue(), parts, model.bitSize());
}

void ov9174fp_digitCtrl::updateText() { lineEditor->setText(valueText()); }

void ov9174fp_digitCtrl::slotClear(int) { lineEditor->clear(); }

bool ov9174fp_digitCtrl::confirmOtherKind()
{
    return QMessageBox::information(QApplication::activeWindow(), QString(),
                                    QStringLiteral("Data type is wrong! Do you really want to continue?"),
                                    QMessageBox::Yes | QMessageBox::No)
           == QMessageBox::Yes;
}

template <typename T> bool ov9174fp_digitCtrl::store(const T &v, bool floatingValue)
{
    if (model.isFloating() != floatingValue && !confirmOtherKind())
        return false;
    model.readOnly = isReadOnly();
    model.wrapping = wrapping();
    const bool changed = model.setValue(v);
    updateText();
    return changed;
}

void ov9174fp_digitCtrl::setValue(double v)
{
    if (store(v, true))
        emit valueChanged(model.value());
}

void ov9174fp_digitCtrl::setValue(const intXXL &v)
{
    if (store(v, false))
        emit valueChanged(static_cast<qint64>(model.integerValue().low64()));
}

void ov9174fp_digitCtrl::setValue(qint64 v) { setValue(intXXL(v)); }

void ov9174fp_digitCtrl::setRange(double a, double b, double step)
{
    model.setRange(a, b, step);
    setValue(model.value());
}

void ov9174fp_digitCtrl::setRange(const intXXL &a, const intXXL &b, const intXXL &step)
{
    model.setRange(a, b, step);
    setValue(model.integerValue());
}

void ov9174fp_digitCtrl::newText()
{
    const QString text = lineEditor->text();
    if (model.isFloating()) {
        double v;
        if (digitParseFloating(text, &v))
            setValue(v);
        else
            updateText();
        return;
    }
    // Only a typed text is read: the text of a negative value of a kind
    // narrower than 64 bits shows its bit pattern, which reads back as a
    // positive number.
    if (text == valueText())
        return;
    intXXL v;
    if (digitParseInteger(text, parts.row, model.bitSize(), model.isSigned(), &v))
        setValue(v);
    else
        updateText();
}

void ov9174fp_digitCtrl::stepBy(int steps)
{
    if (isReadOnly())
        return;
    newText();
    model.wrapping = wrapping();
    if (model.isFloating())
        setValue(model.stepped(steps));
    else
        setValue(model.steppedInteger(steps));
}

QAbstractSpinBox::StepEnabled ov9174fp_digitCtrl::stepEnabled() const
{
    return StepEnabled(model.stepFlags());
}

QValidator::State ov9174fp_digitCtrl::validate(QString &input, int &pos) const
{
    const QValidator *v = lineEditor ? lineEditor->validator() : nullptr;
    return v ? v->validate(input, pos) : QValidator::Acceptable;
}

void ov9174fp_digitCtrl::setBase_slot()
{
    const int position = rows.indexOf(digitNextRow(parts.row, menuFlag));
    if (position >= 0)
        menu->actions().at(position)->trigger();
}

void ov9174fp_digitCtrl::menuClicked_slot(QAction *action)
{
    const int position = menu->actions().indexOf(action);
    if (position < 0)
        return;
    newText();
    setBase(rows.at(position));
}

void ov9174fp_digitCtrl::retPressed_slot() { emit returnPressed(); }

QSize ov9174fp_digitCtrl::minimumSizeHint() const
{
    QSize size = QAbstractSpinBox::minimumSizeHint();
    const QFontMetrics fm(font());
    if (!button->isHidden())
        size.rwidth() += fm.horizontalAdvance(QLatin1Char('h'));
    const int n = model.isFloating() ? 2 : std::min(model.bitSize() / 4, 20);
    size.rwidth() += fm.horizontalAdvance(QString(n, QLatin1Char('F')));
    return size;
}

// The base button sits inside the left edge of the line edit, a little
// taller than it, and the text starts to its right.
void ov9174fp_digitCtrl::placeButton()
{
    const int w = QFontMetrics(font()).horizontalAdvance(QLatin1Char('h'));
    button->setGeometry(QRect(QPoint(-w / 2, -10), QPoint(2 * w - 1 - w / 2, lineEditor->height() + 10)));
    const QMargins m = lineEditor->textMargins();
    if (m.left() != w + w / 2)
        lineEditor->setTextMargins(w + w / 2, m.top(), m.right(), m.bottom());
}

void ov9174fp_digitCtrl::resizeEvent(QResizeEvent *event)
{
    QAbstractSpinBox::resizeEvent(event);
    placeButton();
}

bool ov9174fp_digitCtrl::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lineEditor && event->type() == QEvent::Resize)
        placeButton();
    return QAbstractSpinBox::eventFilter(watched, event);
}
