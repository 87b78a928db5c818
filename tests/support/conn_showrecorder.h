// Records the message boxes and progress dialogs that are shown while it
// lives (window title, text, button texts), for tests of the connection step.
// It only watches; answering stays with ModalAnswerer.
#ifndef OV_TEST_CONN_SHOWRECORDER_H
#define OV_TEST_CONN_SHOWRECORDER_H

#include <QObject>
#include <QString>
#include <QStringList>
#include <QWidget>

struct ShownWindow {
    QString className; // "QMessageBox", "QProgressDialog", ...
    QString title;
    QString text;        // message text or progress label
    QStringList buttons; // button texts without '&', sorted by text
    QString defaultButton;
    QWidget *parent = nullptr;
    bool modal = false;
};

class ConnShowRecorder : public QObject
{
    Q_OBJECT

public:
    ConnShowRecorder();
    ~ConnShowRecorder() override;

    QList<ShownWindow> shown;
    // When set, every progress dialog is cancelled as soon as it shows.
    bool cancelProgress = false;

    QList<ShownWindow> ofClass(const QString &className) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

#endif
