// An INI settings file that cannot hurt the user: the panel's per-card
// settings file and the machine-wide default descriptor file go through it.
//
// The panel often runs as root, so a symbolic link named like a settings file
// must never make it replace the link's target, and a FIFO or a device in the
// file's place must never block or swallow a save. The file is therefore read
// only when it is a regular file of sane size, into a private scratch copy on
// which QSettings works; saving writes the scratch copy's bytes to a new file
// beside the real one and renames it into place, which replaces a name and
// never writes through a link. Every refusal and failure comes back as a text
// naming the path and the reason, for the caller to show (QSettings alone
// would drop a failed write silently).
#ifndef OV9174FP_SETTINGSFILE_H
#define OV9174FP_SETTINGSFILE_H

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class ov9174fp_settingsFile
{
public:
    // Larger files are not read (their content is taken as empty).
    static constexpr qint64 maxReadSize = 16 * 1024 * 1024;

    // Reads `path` (relative paths are taken from the working directory).
    explicit ov9174fp_settingsFile(const QString &path);
    ~ov9174fp_settingsFile();
    ov9174fp_settingsFile(const ov9174fp_settingsFile &) = delete;
    ov9174fp_settingsFile &operator=(const ov9174fp_settingsFile &) = delete;

    // The values, read and changed in memory until save().
    QSettings &settings() { return *values; }
    const QSettings &settings() const { return *values; }

    // Writes the values to the file; returns the empty text on success, else
    // the message for the user, naming the path and the reason.
    QString save();

    // The path as the user reads it: absolute, with native separators.
    static QString displayPath(const QString &path);
    // Why `path` must not be written (a link, a folder, a device, a FIFO, no
    // write permission), or the empty text when it may be.
    static QString refusalReason(const QString &path);
    // Replaces the content of `path` by `bytes` through a new file renamed
    // into place; the reason of a failure, or the empty text.
    static QString replaceContent(const QString &path, const QByteArray &bytes);
    // Writes all of `bytes` to `fd`; 0 on success, else the errno.
    static int writeAll(int fd, const QByteArray &bytes);
    // The user's message for a save of `path` that failed for `reason`.
    static QString failureMessage(const QString &path, const QString &reason);

private:
    QString path;
    QTemporaryDir scratch;
    QString scratchPath;
    std::unique_ptr<QSettings> values;
};

#endif
