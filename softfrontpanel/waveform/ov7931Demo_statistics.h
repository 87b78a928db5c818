// Mean-value statistics of the block on screen, one line per channel of a
// plot's kind, shown in a message box by the waveform window's Statistics
// buttons.
#ifndef OV7931DEMO_STATISTICS_H
#define OV7931DEMO_STATISTICS_H

#include <QString>
#include <QtGlobal>

class QWidget;

// What the plots show: the block (grouped by channel, scanCount values per
// enabled channel in ascending channel order) and the channel list it was
// shown with. Taken by the waveform window whenever it hands a block to the
// curves, so later changes of the "Enabled" boxes or plot kinds do not shift
// the segments. The samples are not copied: `data` points at the window's
// plotData, which holds the block until the next one is shown together with a
// new snapshot.
struct StatSnapshot {
    const double *data = nullptr;
    int scanCount = 0;
    quint32 channelMask = 0;      // bit c: channel c+1 enabled
    int plotKind[16] = {};        // per channel: 0 voltage, 1 resistance, 2 temperature
};

// The message box text for plot 0 (voltage), 1 (resistance) or 2
// (temperature): heading, one "Channel n: &nbsp; <b>mean unit</b><br>" per
// enabled channel of that kind, "</html>".
QString statisticsText(int plot, const StatSnapshot &snap);

// Shows the information box "Mean Value Statistic Results" with that text
// (the body of showStat1..showStat3).
void showStatistics(QWidget *parent, int plot, const StatSnapshot &snap);

#endif
