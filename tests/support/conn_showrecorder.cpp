#include "conn_showrecorder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

ConnShowRecorder::ConnShowRecorder() { qApp->installEventFilter(this); }

ConnShowRecorder::~ConnShowRecorder() { qApp->removeEventFilter(this); }

QList<ShownWindow> ConnShowRecorder::ofClass(const QString &className) const
{
    QList<ShownWindow> out;
    for (const ShownWindow &w : shown)
        if (w.className == className)
            out.append(w);
    return out;
}

bool ConnShowRecorder::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Show)
        return false;
    if (auto *box = qobject_cast<QMessageBox *>(watched)) {
        ShownWindow s;
        s.className = QStringLiteral("QMessageBox");
        s.title = box->windowTitle();
        s.text = box->text();
        s.parent = box->parentWidget();
        s.modal = box->isModal();
        for (QAbstractButton *b : box->buttons())
            s.buttons.append(b->text().remove(QLatin1Char('&')));
        s.buttons.sort();
        if (box->defaultButton())
            s.defaultButton = box->defaultButton()->text().remove(QLatin1Char('&'));
        shown.append(s);
    } else if (auto *progress = qobject_cast<QProgressDialog *>(watched)) {
        ShownWindow s;
        s.className = QStringLiteral("QProgressDialog");
        s.title = progress->windowTitle();
        s.text = progress->labelText();
        s.parent = progress->parentWidget();
        s.modal = progress->isModal();
        shown.append(s);
        if (cancelProgress)
            QTimer::singleShot(0, progress, &QProgressDialog::cancel);
    }
    return false;
}
