#include "ov9174fp_descriptorHistory.h"

#include "ov9174fp_settingsFile.h"

#include <QSettings>
#include <QStandardPaths>

namespace {
const char *const fcNumberKey = "FC_Number";

// A hand-edited value with an unquoted comma reads back as a list.
QString textValue(const QSettings &settings, const QString &key, const QString &fallback = QString())
{
    const QVariant v = settings.value(key, fallback);
    if (v.type() == QVariant::StringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}
} // namespace

QString ov9174fp_descriptorHistory::defaultFilePath()
{
    QString base = qEnvironmentVariable("ALLUSERSPROFILE");
    if (base.isEmpty()) {
#ifdef Q_OS_WIN
        base = QStringLiteral("c:/vxipnp");
#else
        base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
#endif
    }
    base.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (base.size() > 1 && base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base + QStringLiteral("/Orvane/DefaultInstrDescr.ini");
}

QString ov9174fp_descriptorHistory::descriptorKey(int n)
{
    return QString::number(n) + QStringLiteral(".Descriptor");
}

ov9174fp_descriptorHistory::ov9174fp_descriptorHistory(const QString &filePath, const QString &group)
    : path(filePath), groupName(group)
{
}

QStringList ov9174fp_descriptorHistory::load() const
{
    ov9174fp_settingsFile file(path);
    QSettings &settings = file.settings();
    settings.beginGroup(groupName);
    QStringList history;
    for (int n = 1; n <= maxEntries; ++n) {
        const QString value = textValue(settings, descriptorKey(n));
        if (!value.isEmpty())
            history.append(value);
    }
    return history;
}

QString ov9174fp_descriptorHistory::firstEntryOrFallback() const
{
    ov9174fp_settingsFile file(path);
    QSettings &settings = file.settings();
    settings.beginGroup(groupName);
    // A present but empty entry offers the fallback too: an empty descriptor
    // is of no use to anyone.
    const QString value = textValue(settings, descriptorKey(1));
    return value.isEmpty() ? fallbackDescriptor() : value;
}

QString ov9174fp_descriptorHistory::store(const QStringList &history) const
{
    ov9174fp_settingsFile file(path);
    QSettings &settings = file.settings();
    settings.beginGroup(groupName);
    for (int n = 1; n <= maxEntries; ++n)
        settings.setValue(descriptorKey(n), n <= history.size() ? history.at(n - 1) : QString());
    return file.save();
}

QStringList ov9174fp_descriptorHistory::remember(QStringList history, const QString &descriptor)
{
    history.removeAll(descriptor);
    history.prepend(descriptor);
    while (history.size() > maxEntries)
        history.removeLast();
    return history;
}

int ov9174fp_descriptorHistory::fcNumber() const
{
    ov9174fp_settingsFile file(path);
    QSettings &settings = file.settings();
    settings.beginGroup(groupName);
    bool ok = false;
    const int value = settings.value(QLatin1String(fcNumberKey), 0).toInt(&ok);
    return ok && value >= 0 && value <= maxFcNumber ? value : 0;
}

QString ov9174fp_descriptorHistory::storeFcNumber(int index) const
{
    ov9174fp_settingsFile file(path);
    QSettings &settings = file.settings();
    settings.beginGroup(groupName);
    settings.setValue(QLatin1String(fcNumberKey), index);
    return file.save();
}
