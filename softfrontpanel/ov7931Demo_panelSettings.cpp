#include "ov7931Demo_panelSettings.h"

#include "ov9174fp_settingsFile.h"

QString settingsFileNameFor(const QString &serialText) { return QStringLiteral("ov7931_") + serialText + ".ini"; }

PanelChoices readPanelChoices(const QString &fileName)
{
    PanelChoices choices;
    const ov9174fp_settingsFile file(fileName);
    const QSettings &settings = file.settings();
    choices.numberOfScans = settings.value(QStringLiteral("NumberOfScans"), choices.numberOfScans).toString();
    choices.samplingFrequency =
        settings.value(QStringLiteral("SamplingFrequency"), choices.samplingFrequency).toString();
    return choices;
}

QString writePanelChoices(const QString &fileName, const PanelChoices &choices)
{
    ov9174fp_settingsFile file(fileName);
    file.settings().setValue(QStringLiteral("NumberOfScans"), choices.numberOfScans);
    file.settings().setValue(QStringLiteral("SamplingFrequency"), choices.samplingFrequency);
    return file.save();
}

int choiceIndex(const QStringList &items, const QString &stored, int fallback)
{
    const int index = items.indexOf(stored);
    return index >= 0 ? index : fallback;
}
