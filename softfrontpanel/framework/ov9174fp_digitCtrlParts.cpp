#include "ov9174fp_digitCtrlParts.h"

#include <QContextMenuEvent>
#include <QLocale>
#include <QMenu>

#include <algorithm>
#include <limits>

ov9174fp_newlineEdit::ov9174fp_newlineEdit(QWidget *parent) : QLineEdit(parent)
{
    setFrame(false);
}

ov9174fp_newPushButton::ov9174fp_newPushButton(QWidget *parent) : QPushButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void ov9174fp_newPushButton::contextMenuEvent(QContextMenuEvent *event)
{
    if (baseMenu)
        baseMenu->popup(event->globalPos());
    event->accept();
}

ov9174fp_newDoubleValidator::ov9174fp_newDoubleValidator(QObject *parent)
    : QDoubleValidator(-std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(), 1000,
                       parent)
{
    setNotation(QDoubleValidator::ScientificNotation);
    setLocale(QLocale::c());
}

QValidator::State ov9174fp_newDoubleValidator::validate(QString &input, int &pos) const
{
    // The spaces a format's width pads with are no part of the number.
    QString number = input.trimmed();
    int at = std::min(pos, static_cast<int>(number.size()));
    const State state = QDoubleValidator::validate(number, at);
    return state == Intermediate ? Acceptable : state;
}
