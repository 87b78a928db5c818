#include "ov7931Demo_panelSettings.h"

#include <QSettings>

QString settingsFileNameFor(const QString &serialText) { return QStringLiteral("ov7931_") + serialText + ".ini"; }

PanelChoices readPanelChoices(const QString &fileName)
{
    PanelChoices choices;
    const QSettings settings(fileName, QSettings::IniFormat);
    choices.numberOfScans = settings.value(QStringLiteral("NumberOfScans"), choices.numberOfScans).toString();
    choices.samplingFrequency =
        settings.value(QStringLiteral("SamplingFrequency"), choices.samplingFrequency).toString();
    return choices;
}

void writePanelChoices(const QString &fileName, const PanelChoices &choices)
{
    QSettings settings(fileName, QSettings::IniFormat);
    settings.setValue(QStringLiteral("NumberOfScans"), choices.numberOfScans);
    settings.setValue(QStringLiteral("SamplingFrequency"), choices.samplingFrequency);
    settings.sync();
}

int choiceIndex(const QStringList &items, const QString &stored, int fallback)
{
    const int index = items.indexOf(stored);
    return index >= 0 ? index : fallback;
}
