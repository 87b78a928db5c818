// Answers modal boxes in tests: a timer finds the active modal widget and
// clicks one of its buttons. Product code is never changed for tests.
#ifndef OV_TEST_MODALANSWER_H
#define OV_TEST_MODALANSWER_H

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <functional>

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString clicked;
    QStringList buttons; // every button's text without '&', sorted
    QString defaultButton;
};

// Answers every modal box that opens while it lives, in turn, with the next
// button text of `answers` (the last answer repeats). A box without the
// wanted button gets a rejecting one (never "Yes", which ends the process
// in an error box). A modal widget that is not a QMessageBox is handed to
// `other`, if set, else rejected.
class ModalAnswerer
{
public:
    explicit ModalAnswerer(QStringList answers, int intervalMs = 20);
    ~ModalAnswerer();
    ModalAnswerer(const ModalAnswerer &) = delete;
    ModalAnswerer &operator=(const ModalAnswerer &) = delete;

    // Called with every modal widget that is not a QMessageBox; return true when handled.
    std::function<bool(QWidget *)> other;
    // Called with every box just before its button is clicked.
    std::function<void(const SeenBox &)> onAnswer;
    const QList<SeenBox> &seen() const;

private:
    struct Impl;
    Impl *d;
};

class QFileDialog;

// Chooses `path` in an open file dialog as a user typing it would. The
// dialog's selectFile() leaves the name field alone while that field has
// the keyboard focus (the dialog may or may not be active by then), so the
// field is written directly when needed.
void chooseFile(QFileDialog *dialog, const QString &path);

// A box as one line, "title|icon|text", to compare boxes as lists of strings.
QString boxLine(const SeenBox &box);
QStringList boxLines(const QList<SeenBox> &boxes);

#endif
