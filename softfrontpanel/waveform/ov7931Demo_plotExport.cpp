// Plot pictures: the layout of the pieces as on screen, their painting into
// an image, an SVG drawing or a PDF page, the context menu and the keys.
#include "ov7931Demo_plotExport.h"

#include "ov7931Demo_Waveform.h"
#include "ov9174fp_app.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QImageWriter>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QSvgGenerator>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_renderer.h>
#include <qwt_plot_zoomer.h>

namespace {
const char *const fileNames[3] = {"voltage-waveform", "resistance-waveform", "temperature-waveform"};
const int blockGap = 8; // between stacked plots

QString dialogTitle(const char *what)
{
    return QStringLiteral("Keltri %1 %2").arg(ov9174fp_app::modelNumberText(), QLatin1String(what));
}

// The folder offered for pictures: the user's profile or home folder.
QString pictureFolder()
{
    const QByteArray profile = qgetenv("USERPROFILE");
    return profile.isEmpty() ? QDir::homePath() : QString::fromLocal8Bit(profile);
}
// Qwt's document renderer, with the canvas frame drawn as the screen draws
// it (by the widget style, not by Qwt's own shading).
class ScreenFrameRenderer : public QwtPlotRenderer
{
public:
    void renderCanvas(const QwtPlot *plot, QPainter *painter, const QRectF &canvasRect,
                      const QwtScaleMap *maps) const override
    {
        QwtPlotRenderer::renderCanvas(plot, painter, canvasRect, maps);
        const auto *canvas = qobject_cast<const QwtPlotCanvas *>(plot->canvas());
        if (!canvas || canvas->borderRadius() > 0 || canvas->testAttribute(Qt::WA_StyledBackground) ||
            canvas->frameShape() == QFrame::NoFrame)
            return;
        // What QFrame::drawFrame draws.
        QStyleOptionFrame opt;
        opt.initFrom(canvas);
        opt.frameShape = QFrame::Shape(int(opt.frameShape) | canvas->frameShape());
        opt.rect = canvas->frameRect();
        opt.lineWidth = canvas->lineWidth();
        opt.midLineWidth = canvas->midLineWidth();
        if (canvas->frameShadow() == QFrame::Sunken)
            opt.state |= QStyle::State_Sunken;
        else if (canvas->frameShadow() == QFrame::Raised)
            opt.state |= QStyle::State_Raised;
        painter->save();
        painter->translate(canvasRect.topLeft());
        canvas->style()->drawControl(QStyle::CE_ShapedFrame, &opt, painter, canvas);
        painter->restore();
    }
};
} // namespace

namespace plotExport {
bool formatOfPath(const QString &path, Format *format)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png"))
        *format = Format::Png;
    else if (suffix == QLatin1String("svg"))
        *format = Format::Svg;
    else if (suffix == QLatin1String("pdf"))
        *format = Format::Pdf;
    else
        return false;
    return true;
}

QString fileFilter()
{
    return QStringLiteral("PNG picture (*.png);;SVG drawing (*.svg);;PDF document (*.pdf)");
}
} // namespace plotExport

// One plot's pieces, each at its place in the picture.
struct ov7931Demo_PlotExport::Block {
    int plot = 0;
    QPoint title, plotPos, legend;
};

ov7931Demo_PlotExport::ov7931Demo_PlotExport(ov7931Demo_Waveform *w) : QObject(w), window(w)
{
    for (int p = 0; p < 3; ++p) {
        QwtPlot *plot = w->panel(p).plot;
        plot->installEventFilter(this);
        plot->setProperty("ov7931PlotIndex", p);
    }
    auto *saveAll = new QShortcut(plotExport::saveAllKey, w->window());
    connect(saveAll, &QShortcut::activated, this, &ov7931Demo_PlotExport::saveShownPlots);
    auto *copyAll = new QShortcut(plotExport::copyAllKey, w->window());
    connect(copyAll, &QShortcut::activated, this, &ov7931Demo_PlotExport::copyShownPlots);
}

QList<int> ov7931Demo_PlotExport::shownPlots() const
{
    QList<int> plots;
    for (int p = 0; p < 3; ++p)
        if (window->plotVisible[p] && window->panel(p).plot->isVisible())
            plots << p;
    return plots;
}

// Each plot's title, plot and legend keep their places relative to each
// other as on screen; the plots are stacked one below the other.
QList<ov7931Demo_PlotExport::Block> ov7931Demo_PlotExport::layout(const QList<int> &plots) const
{
    QList<Block> blocks;
    int y = 0;
    for (int p : plots) {
        const auto &pp = window->panel(p);
        const QRect title(pp.title->mapTo(window, QPoint()), pp.title->size());
        const QRect plot(pp.plot->mapTo(window, QPoint()), pp.plot->size());
        const QRect legend(pp.legendBox->mapTo(window, QPoint()), pp.legendBox->size());
        const QRect all = title | plot | legend;
        const QPoint shift = QPoint(0, y) - all.topLeft();
        blocks.append({p, title.topLeft() + shift, plot.topLeft() + shift, legend.topLeft() + shift});
        y += all.height() + blockGap;
    }
    return blocks;
}

QSize ov7931Demo_PlotExport::pictureSize(const QList<int> &plots) const
{
    QRect all;
    for (const Block &b : layout(plots)) {
        const auto &pp = window->panel(b.plot);
        all |= QRect(b.title, pp.title->size()) | QRect(b.plotPos, pp.plot->size()) |
               QRect(b.legend, pp.legendBox->size());
    }
    return all.isEmpty() ? QSize() : QSize(all.right() + 1, all.bottom() + 1);
}

QPoint ov7931Demo_PlotExport::plotOffset(const QList<int> &plots, int p) const
{
    for (const Block &b : layout(plots))
        if (b.plot == p)
            return b.plotPos;
    return QPoint(-1, -1);
}

QPoint ov7931Demo_PlotExport::legendOffset(const QList<int> &plots, int p) const
{
    for (const Block &b : layout(plots))
        if (b.plot == p)
            return b.legend;
    return QPoint(-1, -1);
}

void ov7931Demo_PlotExport::paint(QPainter *painter, const QList<int> &plots) const
{
    painter->fillRect(QRect(QPoint(), pictureSize(plots)), window->palette().color(QPalette::Window));
    ScreenFrameRenderer renderer;
    for (const Block &b : layout(plots)) {
        const auto &pp = window->panel(b.plot);
        pp.title->render(painter, b.title);
        // The plot as Qwt draws it for documents: vectors stay vectors.
        renderer.render(pp.plot, painter, QRectF(b.plotPos, pp.plot->size()));
        pp.legendBox->render(painter, b.legend);
    }
}

QImage ov7931Demo_PlotExport::picture(const QList<int> &plots) const
{
    const QSize size = pictureSize(plots);
    if (size.isEmpty())
        return QImage();
    QImage image(size, QImage::Format_RGB32);
    // The screen's resolution: fonts and the plot's layout come out at the
    // sizes they have on screen.
    image.setDotsPerMeterX(qRound(window->logicalDpiX() / 0.0254));
    image.setDotsPerMeterY(qRound(window->logicalDpiY() / 0.0254));
    QPainter painter(&image);
    paint(&painter, plots);
    return image;
}

bool ov7931Demo_PlotExport::save(const QList<int> &plots, const QString &path, QString *error) const
{
    plotExport::Format format;
    if (!plotExport::formatOfPath(path, &format)) {
        *error = QStringLiteral("The file name must end in .png, .svg or .pdf.");
        return false;
    }
    const QSize size = pictureSize(plots);
    if (size.isEmpty()) {
        *error = QStringLiteral("No plot is shown.");
        return false;
    }
    const int dpi = window->logicalDpiX();
    QString title;
    for (int p : plots)
        title += (title.isEmpty() ? QString() : QStringLiteral(", ")) + window->panel(p).title->text();

    if (format == plotExport::Format::Png) {
        QImageWriter writer(path, "png");
        if (!writer.write(picture(plots))) {
            *error = writer.errorString();
            return false;
        }
        return true;
    }
    QPainter painter;
    if (format == plotExport::Format::Svg) {
        QSvgGenerator svg;
        svg.setFileName(path);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(), size));
        svg.setResolution(dpi);
        svg.setTitle(title);
        svg.setDescription(dialogTitle("SFP"));
        if (!painter.begin(&svg)) {
            *error = QStringLiteral("The file cannot be written.");
            return false;
        }
        paint(&painter, plots);
        return painter.end();
    }
    QPdfWriter pdf(path);
    pdf.setResolution(dpi);
    pdf.setPageSize(QPageSize(QSizeF(size) * 72.0 / dpi, QPageSize::Point, QString(), QPageSize::ExactMatch));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setTitle(title);
    pdf.setCreator(dialogTitle("SFP"));
    if (!painter.begin(&pdf)) {
        *error = QStringLiteral("The file cannot be written.");
        return false;
    }
    paint(&painter, plots);
    return painter.end();
}

void ov7931Demo_PlotExport::copy(const QList<int> &plots) const
{
    const QImage image = picture(plots);
    if (!image.isNull())
        QApplication::clipboard()->setImage(image);
}

QMenu *ov7931Demo_PlotExport::menuFor(int p, QWidget *parent) const
{
    auto *menu = new QMenu(parent);
    auto *ov = const_cast<ov7931Demo_PlotExport *>(this);
    menu->addAction(QStringLiteral("Save Plot As..."), ov, [ov, p] { ov->saveWithDialog({p}); });
    menu->addAction(QStringLiteral("Copy Plot"), ov, [ov, p] { ov->copy({p}); });
    menu->addSeparator();
    menu->addAction(QStringLiteral("Save All Plots As..."), ov, &ov7931Demo_PlotExport::saveShownPlots,
                    plotExport::saveAllKey);
    menu->addAction(QStringLiteral("Copy All Plots"), ov, &ov7931Demo_PlotExport::copyShownPlots,
                    plotExport::copyAllKey);
    return menu;
}

void ov7931Demo_PlotExport::saveWithDialog(const QList<int> &plots)
{
    if (plots.isEmpty())
        return;
    const QString name = plots.size() == 1 ? QLatin1String(fileNames[plots.first()]) : QStringLiteral("waveforms");
    QString filter;
    QString path = QFileDialog::getSaveFileName(window, dialogTitle("Save Plot As"),
                                                QDir(pictureFolder()).filePath(name + QStringLiteral(".png")),
                                                plotExport::fileFilter(), &filter);
    if (path.isEmpty())
        return;
    // No extension typed: the one of the chosen filter.
    if (QFileInfo(path).suffix().isEmpty())
        path += filter.contains(QLatin1String("*.svg"))   ? QStringLiteral(".svg")
                : filter.contains(QLatin1String("*.pdf")) ? QStringLiteral(".pdf")
                                                           : QStringLiteral(".png");
    QString error;
    if (!save(plots, path, &error))
        QMessageBox::warning(window, dialogTitle("SFP"),
                             QStringLiteral("Cannot save the plot to \"%1\": %2").arg(QDir::toNativeSeparators(path), error));
}

void ov7931Demo_PlotExport::saveShownPlots() { saveWithDialog(shownPlots()); }

void ov7931Demo_PlotExport::copyShownPlots() { copy(shownPlots()); }

bool ov7931Demo_PlotExport::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ContextMenu)
        return false;
    auto *plot = qobject_cast<QwtPlot *>(watched);
    if (!plot)
        return false;
    const int p = plot->property("ov7931PlotIndex").toInt();
    auto *e = static_cast<QContextMenuEvent *>(event);
    QWidget *under = plot->childAt(e->pos());
    const bool onCanvas = under && (under == plot->canvas() || plot->canvas()->isAncestorOf(under));
    if (e->reason() == QContextMenuEvent::Mouse) {
        // The axes' clicks open their dialogs, and on a zoomed canvas the
        // right button returns the zoomer to its base.
        if (!onCanvas)
            return false;
        const QwtPlotZoomer *zoomer = window->panel(p).zoomer;
        if (zoomer && zoomer->zoomRectIndex() > 0)
            return false;
    }
    QMenu *menu = menuFor(p, window);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(e->globalPos());
    return true;
}
