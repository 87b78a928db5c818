#include "modalanswer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QTimer>

struct ModalAnswerer::Impl {
    QStringList answers;
    int next = 0;
    QList<SeenBox> seen;
    QTimer timer;
};

ModalAnswerer::ModalAnswerer(QStringList answers, int intervalMs) : d(new Impl)
{
    d->answers = std::move(answers);
    d->timer.setInterval(intervalMs);
    QObject::connect(&d->timer, &QTimer::timeout, [this]() {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || !w->isVisible())
            return;
        if (auto *box = qobject_cast<QMessageBox *>(w)) {
            SeenBox s;
            s.title = box->windowTitle();
            s.text = box->text();
            s.icon = box->icon();
            const QString want = d->answers.isEmpty()
                                     ? QString()
                                     : d->answers.at(qMin(d->next, d->answers.size() - 1));
            ++d->next;
            QAbstractButton *target = nullptr;
            for (QAbstractButton *b : box->buttons()) {
                QString t = b->text();
                t.remove(QLatin1Char('&'));
                if (t == want)
                    target = b;
            }
            // Without the wanted button, never answer "Yes" (an error box's
            // "Yes" ends the process): take a rejecting button when there is one.
            if (!target) {
                for (QAbstractButton *b : box->buttons()) {
                    const QMessageBox::ButtonRole role = box->buttonRole(b);
                    if (role == QMessageBox::NoRole || role == QMessageBox::RejectRole)
                        target = b;
                }
            }
            if (!target && !box->buttons().isEmpty())
                target = box->buttons().first();
            s.clicked = target ? target->text().remove(QLatin1Char('&')) : QString();
            d->seen.append(s);
            if (target)
                target->click();
            return;
        }
        if (other && other(w))
            return;
        if (auto *dlg = qobject_cast<QDialog *>(w))
            dlg->reject();
    });
    d->timer.start();
}

ModalAnswerer::~ModalAnswerer()
{
    d->timer.stop();
    delete d;
}

const QList<SeenBox> &ModalAnswerer::seen() const { return d->seen; }
