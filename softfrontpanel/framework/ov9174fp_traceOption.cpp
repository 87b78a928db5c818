// The About box's trace switch: the file dialog, starting and stopping the
// trace, and the tool tip naming the file.
#include "ov9174fp_traceOption.h"

#include "ov7931Demo_trace.h"
#include "ov9174fp_app.h"

#include <QDir>
#include <QFileDialog>
#include <QSignalBlocker>

namespace {
const char *const offTip = "Writes every driver call with its arguments, status and duration to a file,\n"
                           "one line per call, for the maker's support.";

void explain(QWidget *w, const QString &text)
{
    w->setToolTip(text);
    w->setWhatsThis(text);
}
} // namespace

ov9174fp_traceOption::ov9174fp_traceOption(QWidget *parent)
    : QCheckBox(QStringLiteral("Trace driver calls to a file"), parent)
{
    setObjectName(QStringLiteral("traceOption"));
    showTraceState();
    connect(this, &QCheckBox::toggled, this, &ov9174fp_traceOption::switched);
}

QString ov9174fp_traceOption::defaultTraceFile()
{
    const QByteArray profile = qgetenv("USERPROFILE");
    const QString folder = profile.isEmpty() ? QDir::homePath() : QString::fromLocal8Bit(profile);
    return QDir(folder).filePath(QStringLiteral("ov7931fp-trace.txt"));
}

void ov9174fp_traceOption::showTraceState()
{
    const QSignalBlocker blocker(this);
    const bool on = driverTrace::on();
    setChecked(on);
    if (on)
        explain(this, QStringLiteral("Driver calls are traced to %1")
                          .arg(QDir::toNativeSeparators(QString::fromStdString(driverTrace::path()))));
    else
        explain(this, QString::fromLatin1(offTip));
}

void ov9174fp_traceOption::showEvent(QShowEvent *event)
{
    showTraceState();
    QCheckBox::showEvent(event);
}

void ov9174fp_traceOption::switched(bool on)
{
    if (!on) {
        driverTrace::stop();
        showTraceState();
        return;
    }
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Keltri %1 SFP - Trace driver calls to").arg(ov9174fp_app::modelNumberText()),
        defaultTraceFile(), QStringLiteral("Trace files (*.txt *.log);;All files (*)"), nullptr,
        QFileDialog::DontConfirmOverwrite);
    if (!path.isEmpty()) {
        std::string reason;
        if (!driverTrace::start(QDir::toNativeSeparators(path).toLocal8Bit().toStdString(), &reason))
            ov9174fp_app::warningMessage(QStringLiteral("Cannot write the driver-call trace to \"%1\": %2")
                                             .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(reason.c_str())));
    }
    showTraceState();
}
