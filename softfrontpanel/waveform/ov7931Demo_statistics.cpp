#include "ov7931Demo_statistics.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace {

const char *const headings[3] = {
    "<html>Measured Voltage Mean Value:<br><br>",
    "<html>Measured Resistance Mean Value:<br><br>",
    "<html>Measured Temperature Mean Value:<br><br>",
};

} // namespace

QString statisticsText(int plot, const StatSnapshot &snap)
{
    if (plot < 0 || plot > 2)
        return QString();
    QString text = QLatin1String(headings[plot]);

    if (snap.scanCount > 0 && snap.data) {
        const QChar ohm(0x03A9);
        int k = 0; // segment of the channel among the enabled ones
        for (int c = 0; c < 16; ++c) {
            if (!(snap.channelMask & (1u << c)))
                continue;
            const int segment = k++;
            if (snap.plotKind[c] != plot)
                continue;

            const double *v = snap.data + qint64(segment) * snap.scanCount;
            double sum = 0.0;
            for (int s = 0; s < snap.scanCount; ++s)
                sum += v[s];
            double mean = sum / snap.scanCount;

            QString value;
            QString unit;
            switch (plot) {
            case 0:
                value = QString::asprintf("%.6lf", mean);
                unit = QStringLiteral("V");
                break;
            case 1:
                if (mean > 1000.0) {
                    mean /= 1000.0;
                    unit = QLatin1Char('k') + QString(ohm);
                } else {
                    unit = QString(ohm);
                }
                value = QString::asprintf("%.4lf", mean);
                break;
            default:
                value = QString::asprintf("%.3lf", mean);
                unit = QString(QChar(0x00B0)) + QLatin1Char('C');
                break;
            }
            text += QStringLiteral("Channel %1: &nbsp; <b>").arg(c + 1)
                + value + QLatin1Char(' ') + unit + QStringLiteral("</b><br>");
        }
    }

    text += QStringLiteral("</html>");
    return text;
}

void showStatistics(QWidget *parent, int plot, const StatSnapshot &snap)
{
    QMessageBox::information(
        parent,
        QCoreApplication::translate("ov7931Demo_Waveform", "Mean Value Statistic Results"),
        statisticsText(plot, snap));
}
