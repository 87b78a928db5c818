// Reading and safely replacing an INI settings file (see the header).
#include "ov9174fp_settingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString errnoText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

// The file's bytes when it is a regular file (links followed) of sane size;
// nothing otherwise. Opened without blocking, so a FIFO swapped in after the
// check cannot hang the caller.
QByteArray readRegularFile(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return QByteArray();
    QByteArray bytes;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= ov9174fp_settingsFile::maxReadSize) {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            bytes.append(buffer, static_cast<int>(n));
            if (bytes.size() > ov9174fp_settingsFile::maxReadSize) {
                bytes.clear();
                break;
            }
        }
    }
    ::close(fd);
    return bytes;
}

} // namespace

ov9174fp_settingsFile::ov9174fp_settingsFile(const QString &p) : path(p)
{
    scratchPath = scratch.isValid() ? scratch.filePath(QStringLiteral("settings.ini")) : QString();
    if (!scratchPath.isEmpty()) {
        QFile copy(scratchPath);
        if (copy.open(QIODevice::WriteOnly))
            copy.write(readRegularFile(path));
    }
    values = std::make_unique<QSettings>(scratchPath, QSettings::IniFormat);
}

ov9174fp_settingsFile::~ov9174fp_settingsFile() = default;

QString ov9174fp_settingsFile::displayPath(const QString &p)
{
    return QDir::toNativeSeparators(QFileInfo(p).absoluteFilePath());
}

QString ov9174fp_settingsFile::failureMessage(const QString &p, const QString &reason)
{
    return QStringLiteral("The settings could not be saved to %1: %2.").arg(displayPath(p), reason);
}

QString ov9174fp_settingsFile::refusalReason(const QString &p)
{
    struct stat st;
    const QByteArray name = QFile::encodeName(p);
    if (::lstat(name.constData(), &st) != 0)
        return QString(); // a new file
    if (S_ISLNK(st.st_mode))
        return QStringLiteral("it is a symbolic link, and the panel does not write through links");
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("it is a folder, not a regular file");
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("it is not a regular file (a device, a FIFO or a socket)");
    // A file without any write permission was made read-only on purpose; the
    // panel keeps it so even when it runs as root.
    if ((st.st_mode & 0222) == 0 || ::access(name.constData(), W_OK) != 0)
        return errnoText(EACCES);
    return QString();
}

int ov9174fp_settingsFile::writeAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        left -= n;
    }
    return 0;
}

QString ov9174fp_settingsFile::replaceContent(const QString &p, const QByteArray &bytes)
{
    const QString refusal = refusalReason(p);
    if (!refusal.isEmpty())
        return refusal;

    const QFileInfo info(p);
    if (!QDir().mkpath(info.absolutePath()))
        return QStringLiteral("its folder %1 cannot be created").arg(QDir::toNativeSeparators(info.absolutePath()));

    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    QByteArray temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return errnoText(errno);

    // Keep the mode and owner of the file that is replaced.
    struct stat old;
    if (::stat(target.constData(), &old) == 0) {
        (void)::fchmod(fd, old.st_mode & 07777);
        if (::geteuid() == 0)
            (void)::fchown(fd, old.st_uid, old.st_gid);
    } else {
        (void)::fchmod(fd, 0644);
    }

    int err = writeAll(fd, bytes);
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err == 0 && ::rename(temp.constData(), target.constData()) != 0)
        err = errno;
    if (err != 0) {
        ::unlink(temp.constData());
        return errnoText(err);
    }
    return QString();
}

QString ov9174fp_settingsFile::save()
{
    const QString refusal = refusalReason(path);
    if (!refusal.isEmpty())
        return failureMessage(path, refusal);
    values->sync();
    if (scratchPath.isEmpty() || values->status() == QSettings::AccessError)
        return failureMessage(path, QStringLiteral("the values could not be prepared in the temporary folder %1")
                                        .arg(QDir::toNativeSeparators(QDir::tempPath())));
    QFile copy(scratchPath);
    if (!copy.open(QIODevice::ReadOnly))
        return failureMessage(path, copy.errorString());
    const QString reason = replaceContent(path, copy.readAll());
    return reason.isEmpty() ? QString() : failureMessage(path, reason);
}
