// One box per settings file that cannot be saved (see the header).
#include "ov9174fp_saveProblems.h"

#include "ov9174fp_app.h"
#include "ov9174fp_settingsFile.h"

#include <QApplication>
#include <QMessageBox>
#include <QSet>
#include <QThread>

namespace {

QSet<QString> reportedFiles; // GUI thread only: files whose failure has been shown

void reportOnGuiThread(const QString &file, const QString &message)
{
    if (message.isEmpty()) {
        reportedFiles.remove(file);
        return;
    }
    if (reportedFiles.contains(file))
        return;
    reportedFiles.insert(file);
    const QString title = QStringLiteral("Keltri ") + ov9174fp_app::modelNumberText() + QStringLiteral(" SFP");
    QMessageBox::warning(QApplication::activeWindow(), title, message, QMessageBox::Ok);
}

} // namespace

void ov9174fp_saveProblems::report(const QString &path, const QString &message)
{
    if (!qApp)
        return;
    const QString file = ov9174fp_settingsFile::displayPath(path);
    if (QThread::currentThread() == qApp->thread())
        reportOnGuiThread(file, message);
    else
        QMetaObject::invokeMethod(qApp, [file, message] { reportOnGuiThread(file, message); }, Qt::QueuedConnection);
}
