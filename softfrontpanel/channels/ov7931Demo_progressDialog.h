// The small modal progress dialog of the channel tools (apply to all,
// calibration): a centred label, a progress bar 0..100 and "Cancel". The
// tool that owns it follows its worker with followProgress while the dialog
// is shown; closing it (Cancel, the window's close button or Escape) shows
// "Terminating, please wait...", lets the tool stop its worker and sets the
// dialog's result to 0, which ends the tool's progress loop.
#ifndef OV7931DEMO_PROGRESSDIALOG_H
#define OV7931DEMO_PROGRESSDIALOG_H

#include <QDialog>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class ov7931Demo_AppInterface;

class ov7931Demo_progressDialog : public QDialog
{
    Q_OBJECT

public:
    ov7931Demo_progressDialog(QWidget *parent, ov7931Demo_AppInterface *app, const QSize &fixedSize);
    ~ov7931Demo_progressDialog() override;

    // Called by the close handling to stop the owner's worker; returns when it has ended (or was abandoned).
    std::function<void()> stopWorker;

    ov7931Demo_AppInterface *app = nullptr;
    QLabel *label = nullptr;
    QProgressBar *bar = nullptr;
    QPushButton *cancelButton = nullptr;

public slots:
    void cancelAction();
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    bool stopping = false;
};

#endif
