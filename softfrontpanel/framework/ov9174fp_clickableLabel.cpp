#include "ov9174fp_clickableLabel.h"

#include <QCursor>
#include <QMouseEvent>

clickableLabel::clickableLabel(const QString &text, QWidget *parent)
    : QLabel(QStringLiteral("<u><font color='#22e'>") + text + QStringLiteral("</font></u>"), parent),
      linkText(text)
{
    setCursor(Qt::PointingHandCursor);
}

void clickableLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    emit clicked();
}
