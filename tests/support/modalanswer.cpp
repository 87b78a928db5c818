#include "modalanswer.h"

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTimer>

struct ModalAnswerer::Impl {
    QStringList answers;
    int next = 0;
    QList<SeenBox> seen;
    QTimer timer;
};

namespace {
QString plain(const QAbstractButton *b) { return b ? b->text().remove(QLatin1Char('&')) : QString(); }
} // namespace

ModalAnswerer::ModalAnswerer(QStringList answers, int intervalMs) : d(new Impl)
{
    d->answers = std::move(answers);
    d->timer.setInterval(intervalMs);
    QObject::connect(&d->timer, &QTimer::timeout, [this]() {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || !w->isVisible())
            return;
        auto *box = qobject_cast<QMessageBox *>(w);
        if (!box) {
            if ((!other || !other(w)) && qobject_cast<QDialog *>(w))
                static_cast<QDialog *>(w)->reject();
            return;
        }
        SeenBox s{box->windowTitle(), box->text(), box->icon(), QString(), {}, plain(box->defaultButton())};
        const QString want = d->answers.value(qMin(d->next++, d->answers.size() - 1));
        QAbstractButton *target = nullptr, *rejecting = nullptr;
        for (QAbstractButton *b : box->buttons()) {
            s.buttons << plain(b);
            if (plain(b) == want)
                target = b;
            const QMessageBox::ButtonRole role = box->buttonRole(b);
            if (role == QMessageBox::NoRole || role == QMessageBox::RejectRole)
                rejecting = b;
        }
        s.buttons.sort();
        if (!target)
            target = rejecting ? rejecting : box->buttons().value(0);
        s.clicked = plain(target);
        d->seen.append(s);
        if (onAnswer)
            onAnswer(s);
        if (target)
            target->click();
    });
    d->timer.start();
}

ModalAnswerer::~ModalAnswerer()
{
    d->timer.stop();
    delete d;
}

const QList<SeenBox> &ModalAnswerer::seen() const { return d->seen; }

void chooseFile(QFileDialog *dialog, const QString &path)
{
    dialog->selectFile(path);
    if (dialog->selectedFiles().value(0) == QDir::cleanPath(path))
        return;
    if (auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
        edit->setText(path);
}

QString boxLine(const SeenBox &box)
{
    return box.title + '|' + QString::number(int(box.icon)) + '|' + box.text;
}

QStringList boxLines(const QList<SeenBox> &boxes)
{
    QStringList lines;
    for (const SeenBox &b : boxes)
        lines << boxLine(b);
    return lines;
}
