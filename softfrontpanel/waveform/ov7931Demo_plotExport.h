// Pictures of the waveform window's plots, for reports: one plot, or all the
// plots shown, saved as PNG, SVG or PDF or copied to the clipboard. A
// picture shows what the screen shows: for each plot its title, the plot
// drawn by QwtPlotRenderer at the size it has on screen (curves, grid, the
// axis ranges as they are now, zoomed or not) and the "Channels:" legend in
// its present colours, laid out as on screen; several plots are stacked.
//
// Reached through a context menu on each plot and the window's keys:
// Ctrl+E saves all plots shown, Ctrl+Shift+C copies them. The right mouse
// button keeps its meanings on a plot: on a zoomed canvas it still returns
// the zoomer to its base (the menu opens there once the plot is not zoomed),
// and the axes keep their own clicks; the menu key opens the menu anywhere.
#ifndef OV7931DEMO_PLOTEXPORT_H
#define OV7931DEMO_PLOTEXPORT_H

#include <QImage>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QSize>
#include <QString>

class QMenu;
class QPainter;
class QPoint;
class ov7931Demo_Waveform;

namespace plotExport {
enum class Format { Png, Svg, Pdf };
// The format a file name asks for by its extension (any case); false for others.
bool formatOfPath(const QString &path, Format *format);
// The file dialog's filters, PNG first.
QString fileFilter();
const QKeySequence saveAllKey(Qt::CTRL | Qt::Key_E);
const QKeySequence copyAllKey(Qt::CTRL | Qt::SHIFT | Qt::Key_C);
} // namespace plotExport

class ov7931Demo_PlotExport : public QObject
{
    Q_OBJECT

public:
    // Adds the menus and keys to the window's plots; owned by the window.
    explicit ov7931Demo_PlotExport(ov7931Demo_Waveform *window);

    // The plots shown now (0 voltage, 1 resistance, 2 temperature).
    QList<int> shownPlots() const;
    // The picture's size and where plot p's QwtPlot lies in it.
    QSize pictureSize(const QList<int> &plots) const;
    QPoint plotOffset(const QList<int> &plots, int p) const;
    QPoint legendOffset(const QList<int> &plots, int p) const;
    // The picture as an image, as the clipboard gets it and PNG files hold it.
    QImage picture(const QList<int> &plots) const;
    // Writes the picture in the format of the file's extension. False with
    // a reason when the extension is none of the three or the file cannot
    // be written.
    bool save(const QList<int> &plots, const QString &path, QString *error) const;
    void copy(const QList<int> &plots) const;
    // The context menu of plot p (the caller owns it).
    QMenu *menuFor(int p, QWidget *parent) const;

public slots:
    // Asks for a file name and saves; reports a failure in a warning box.
    void saveWithDialog(const QList<int> &plots);
    void saveShownPlots();
    void copyShownPlots();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Block;
    QList<Block> layout(const QList<int> &plots) const;
    void paint(QPainter *painter, const QList<int> &plots) const;

    ov7931Demo_Waveform *window;
};

#endif
