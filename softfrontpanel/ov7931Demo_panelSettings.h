// The panel's two choices kept in the per-card settings file (INI format,
// working directory): the waveform length and the sampling rate, stored as
// the texts of the chosen list items.
#ifndef OV7931DEMO_PANELSETTINGS_H
#define OV7931DEMO_PANELSETTINGS_H

#include <QString>
#include <QStringList>

struct PanelChoices {
    QString numberOfScans = QStringLiteral("1000");       // key "NumberOfScans"
    QString samplingFrequency = QStringLiteral("1 kHz");  // key "SamplingFrequency"
};

// "ov7931_" + serial text + ".ini" (relative: the working directory).
QString settingsFileNameFor(const QString &serialText);

// Missing file or keys give the defaults.
PanelChoices readPanelChoices(const QString &fileName);
// The empty text on success, else the user's message naming the file and the reason.
QString writePanelChoices(const QString &fileName, const PanelChoices &choices);

// The index of the item whose text equals `stored`; `fallback` when no item does.
int choiceIndex(const QStringList &items, const QString &stored, int fallback);

#endif
