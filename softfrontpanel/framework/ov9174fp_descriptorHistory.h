// The default descriptor file: the last five instrument descriptors and the
// last function-card number, remembered per card model in an INI file shared
// by all users of the machine.
#ifndef OV9174FP_DESCRIPTORHISTORY_H
#define OV9174FP_DESCRIPTORHISTORY_H

#include <QString>
#include <QStringList>

class ov9174fp_descriptorHistory
{
public:
    static constexpr int maxEntries = 5;
    static constexpr int maxFcNumber = 8; // card number box: "Select", then "FC 1" ... "FC 8"

    // The file's path, with "/" separators: "ALLUSERSPROFILE" when set and
    // not empty, else "c:\vxipnp" on Windows and the user's configuration
    // folder elsewhere, followed by "/Orvane/DefaultInstrDescr.ini".
    static QString defaultFilePath();
    // The descriptor offered when nothing is remembered.
    static QString fallbackDescriptor() { return QStringLiteral("VXI0::1::INSTR"); }
    // The key of entry n (1 ... 5): "1.Descriptor" ... "5.Descriptor".
    static QString descriptorKey(int n);

    // `group` is the card model text, for example "7931".
    ov9174fp_descriptorHistory(const QString &filePath, const QString &group);

    const QString &filePath() const { return path; }
    const QString &group() const { return groupName; }

    // The remembered descriptors, most recent first, without empty entries.
    QStringList load() const;
    // The value of "1.Descriptor", or "VXI0::1::INSTR" when it is absent or empty.
    QString firstEntryOrFallback() const;
    // Writes the five descriptor keys (empty text for missing entries).
    // Writers return the empty text on success, else the user's message
    // naming the file and the reason.
    QString store(const QStringList &history) const;
    // Puts `descriptor` first, drops its other occurrences and keeps five.
    static QStringList remember(QStringList history, const QString &descriptor);

    // "FC_Number": index of the card number box; 0 when absent or invalid.
    int fcNumber() const;
    QString storeFcNumber(int index) const;

private:
    QString path;
    QString groupName;
};

#endif
