#include "ov7931Demo_progressDialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

ov7931Demo_progressDialog::ov7931Demo_progressDialog(QWidget *parent, ov7931Demo_AppInterface *a,
                                                     const QSize &fixedSize)
    : QDialog(parent), app(a)
{
    setModal(true);
    if (parent)
        setWindowIcon(parent->windowIcon());
    setFixedSize(fixedSize);

    label = new QLabel(this);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true); // a long text takes two lines of the fixed size rather than being cut
    bar = new QProgressBar(this);
    bar->setRange(0, 100);
    bar->setValue(0);
    cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setAutoDefault(false);
    connect(cancelButton, &QPushButton::clicked, this, &ov7931Demo_progressDialog::cancelAction);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancelButton);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(4);
    layout->addWidget(label);
    layout->addWidget(bar);
    layout->addLayout(buttons);
}

ov7931Demo_progressDialog::~ov7931Demo_progressDialog() = default;

void ov7931Demo_progressDialog::cancelAction() { close(); }

// Escape cancels like the button.
void ov7931Demo_progressDialog::reject() { close(); }

void ov7931Demo_progressDialog::closeEvent(QCloseEvent *event)
{
    if (stopping) { // a second cancel while the worker is being stopped
        event->ignore();
        return;
    }
    stopping = true;
    label->setText(QStringLiteral("Terminating, please wait..."));
    QCoreApplication::processEvents();
    if (stopWorker)
        stopWorker();
    setResult(0);
    stopping = false;
    event->accept();
}
