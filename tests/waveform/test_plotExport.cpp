// Plot pictures: a saved PNG holds, pixel for pixel, what a grab of the
// shown plot and its legend shows; the SVG drawing and the PDF page, drawn
// again as pictures (by Qt's SVG renderer and by poppler's pdftoppm), agree
// with it; the clipboard gets the same picture; the context menu opens where
// the right button has no other use; the keys and the file dialog; bad names.
#include "appfixture.h"
#include "modalanswer.h"
#include "ov7931Demo_plotExport.h"
#include "wave_helpers.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_zoomer.h>
#include <qwt_scale_widget.h>

#include <cmath>

using namespace wave;

namespace {
// Pixels of `part` that differ from `whole` at `offset`, and those that
// differ by more than `tolerance` in any colour channel.
struct Difference {
    int pixels = 0, beyondTolerance = 0;
};
Difference compare(const QImage &whole, const QPoint &offset, const QImage &part, int tolerance = 0)
{
    Difference d;
    const QImage a = whole.convertToFormat(QImage::Format_RGB32);
    const QImage b = part.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) {
            const QRgb p = a.pixel(offset.x() + x, offset.y() + y), q = b.pixel(x, y);
            if (p == q)
                continue;
            ++d.pixels;
            if (std::abs(qRed(p) - qRed(q)) > tolerance || std::abs(qGreen(p) - qGreen(q)) > tolerance ||
                std::abs(qBlue(p) - qBlue(q)) > tolerance)
                ++d.beyondTolerance;
        }
    return d;
}
} // namespace

class TestPlotExport : public QObject
{
    Q_OBJECT

    AppFixture *fx = nullptr;
    ov7931Demo_App *app = nullptr;
    ov7931Demo_Waveform *w = nullptr;
    ov7931Demo_PlotExport *exporter = nullptr;
    QTemporaryDir dir;

private slots:
    // Channels 1 and 2 on the voltage plot, 5 on the temperature plot, with
    // a block of 1000 scans of distinct curves.
    void init()
    {
        fx = new AppFixture;
        app = panelWith(fx, {{0, Voltage}, {1, Voltage}, {4, PT100}});
        w = app->waveform;
        w->updateEnabledChannels();
        const int n = 1000;
        w->scanCount = n;
        for (int s = 0; s < n; ++s) {
            for (int p = 0; p < 3; ++p)
                w->timeAxis[p][s] = s / 1000.0;
            w->plotData[s] = 4 * std::sin(s / 50.0);
            w->plotData[n + s] = -3 + s / 200.0;
            w->plotData[2 * n + s] = 20 + 5 * std::cos(s / 80.0);
        }
        w->refreshPlots();
        app->show();
        QVERIFY(QTest::qWaitForWindowExposed(app));
        exporter = w->findChild<ov7931Demo_PlotExport *>();
        QVERIFY(exporter);
        QCOMPARE(exporter->shownPlots(), (QList<int>{0, 2}));
    }
    void cleanup() { delete fx; }

    void pngShowsTheScreen_data()
    {
        QTest::addColumn<QList<int>>("plots");
        QTest::newRow("voltage plot") << QList<int>{0};
        QTest::newRow("temperature plot") << QList<int>{2};
        QTest::newRow("all plots shown") << QList<int>{0, 2};
    }

    void pngShowsTheScreen()
    {
        QFETCH(QList<int>, plots);
        const QString path = dir.filePath("plots.png");
        QString error;
        QVERIFY2(exporter->save(plots, path, &error), qPrintable(error));
        const QImage saved(path);
        QCOMPARE(saved.size(), exporter->pictureSize(plots));
        for (int p : plots) {
            const auto &pp = w->panel(p);
            const QImage plotGrab = pp.plot->grab().toImage();
            const Difference plot = compare(saved, exporter->plotOffset(plots, p), plotGrab);
            QVERIFY2(plot.pixels == 0, qPrintable(QString("plot %1: %2 pixels differ").arg(p).arg(plot.pixels)));
            const Difference legend = compare(saved, exporter->legendOffset(plots, p), pp.legendBox->grab().toImage());
            QVERIFY2(legend.pixels == 0, qPrintable(QString("legend %1: %2 pixels differ").arg(p).arg(legend.pixels)));
        }
        // The clipboard gets the same picture.
        exporter->copy(plots);
        QCOMPARE(QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32),
                 saved.convertToFormat(QImage::Format_RGB32));
    }

    // The vector formats drawn again as pictures: the same plot, the same
    // curves at the same places, within antialiasing.
    void vectorFormatsShowTheScreen_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::newRow("svg") << "svg";
        QTest::newRow("pdf") << "pdf";
    }

    void vectorFormatsShowTheScreen()
    {
        QFETCH(QString, suffix);
        const QList<int> plots{0, 2};
        const QString path = dir.filePath("plots." + suffix);
        QString error;
        QVERIFY2(exporter->save(plots, path, &error), qPrintable(error));
        const QImage screen = exporter->picture(plots);
        QImage drawn;
        if (suffix == "svg") {
            QSvgRenderer svg(path);
            QVERIFY(svg.isValid());
            QCOMPARE(svg.viewBox().size(), screen.size());
            drawn = QImage(screen.size(), QImage::Format_RGB32);
            QPainter painter(&drawn);
            svg.render(&painter);
        } else {
            const QString pdftoppm = QStandardPaths::findExecutable("pdftoppm");
            if (pdftoppm.isEmpty())
                QSKIP("pdftoppm (poppler-utils, installed by scripts/bootstrap.sh) is missing");
            QProcess::execute(pdftoppm, {"-r", QString::number(w->logicalDpiX()), "-png", "-singlefile", path,
                                         dir.filePath("page")});
            drawn.load(dir.filePath("page.png"));
            // The page is a whole number of points: within a pixel of the picture.
            QVERIFY2(std::abs(drawn.width() - screen.width()) <= 1 && std::abs(drawn.height() - screen.height()) <= 1,
                     qPrintable(QString("%1x%2").arg(drawn.width()).arg(drawn.height())));
            drawn = drawn.copy(QRect(QPoint(), screen.size()));
        }
        // Most pixels are the same; curves and text are antialiased there.
        const Difference d = compare(drawn, QPoint(), screen, 96);
        const int all = screen.width() * screen.height();
        QVERIFY2(d.beyondTolerance < all / 20,
                 qPrintable(QString("%1 of %2 pixels differ, %3 clearly").arg(d.pixels).arg(all).arg(d.beyondTolerance)));
        // The curves are there: channel 1's cyan at the peak of its sine.
        const QPoint at = exporter->plotOffset(plots, 0);
        const QwtPlot *plot = w->panel(0).plot;
        const QPoint peak = plot->canvas()->mapTo(const_cast<QwtPlot *>(plot), QPoint(
            int(plot->transform(QwtPlot::xBottom, 0.0785)), int(plot->transform(QwtPlot::yLeft, 4.0))));
        bool cyanNear = false;
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx) {
                const QColor c = drawn.pixelColor(at + peak + QPoint(dx, dy));
                cyanNear |= c.red() < 100 && c.green() > 150 && c.blue() > 150;
            }
        QVERIFY(cyanNear);
    }

    // The right button opens the menu on a canvas that is not zoomed; on a
    // zoomed canvas it still zooms out, and the axes keep their own clicks.
    void contextMenu()
    {
        QwtPlot *plot = w->panel(0).plot;
        const auto menuAfter = [&](QWidget *target) {
            QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(10, 10), target->mapToGlobal(QPoint(10, 10)));
            QCoreApplication::sendEvent(target, &e);
            QMenu *menu = nullptr;
            for (QWidget *top : QApplication::topLevelWidgets())
                if (auto *m = qobject_cast<QMenu *>(top); m && m->isVisible())
                    menu = m;
            QStringList texts;
            if (menu) {
                for (QAction *a : menu->actions())
                    if (!a->isSeparator())
                        texts << a->text() + (a->shortcut().isEmpty() ? "" : " " + a->shortcut().toString());
                menu->close();
            }
            return texts.join('/');
        };
        QCOMPARE(menuAfter(plot->canvas()),
                 QStringLiteral("Save Plot As.../Copy Plot/Save All Plots As... Ctrl+E/Copy All Plots Ctrl+Shift+C"));
        QCOMPARE(menuAfter(plot->axisWidget(QwtPlot::yLeft)), QString());
        QCOMPARE(menuAfter(plot->axisWidget(QwtPlot::xBottom)), QString());
        w->panel(0).zoomer->zoom(QRectF(0.1, -1, 0.2, 2));
        QCOMPARE(menuAfter(plot->canvas()), QString());
        w->panel(0).zoomer->zoom(0);
        QVERIFY(!menuAfter(plot->canvas()).isEmpty());
    }

    // Ctrl+E asks for a file for all shown plots; without an extension the
    // chosen filter's is added.
    void saveKeyAndDialog()
    {
        app->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app));
        QString offered;
        fx->otherDialogs = [&](QWidget *widget) {
            auto *dialog = qobject_cast<QFileDialog *>(widget);
            if (!dialog)
                return false;
            offered = QFileInfo(dialog->selectedFiles().value(0)).fileName();
            dialog->selectNameFilter(dialog->nameFilters().value(1));
            chooseFile(dialog, dir.filePath("report"));
            static_cast<QDialog *>(dialog)->accept();
            return true;
        };
        QTest::keyClick(app, Qt::Key_E, Qt::ControlModifier);
        QTRY_VERIFY(QFileInfo::exists(dir.filePath("report.svg")));
        QCOMPARE(offered, QStringLiteral("waveforms.png"));
        QSvgRenderer svg(dir.filePath("report.svg"));
        QCOMPARE(svg.viewBox().size(), exporter->pictureSize({0, 2}));
        QVERIFY(fx->boxes().isEmpty());
        // Ctrl+Shift+C copies the plots shown.
        QApplication::clipboard()->clear();
        app->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app));
        QTest::keyClick(app, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(QApplication::clipboard()->image().size(), exporter->pictureSize({0, 2}));
    }

    void badNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("error");
        QTest::newRow("other extension") << "plot.jpg" << "The file name must end in .png, .svg or .pdf.";
        QTest::newRow("no extension") << "plot" << "The file name must end in .png, .svg or .pdf.";
        QTest::newRow("missing folder, png") << "missing/plot.png" << "";
        QTest::newRow("missing folder, svg") << "missing/plot.svg" << "The file cannot be written.";
        QTest::newRow("missing folder, pdf") << "missing/plot.pdf" << "The file cannot be written.";
    }

    void badNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, error);
        QString reason;
        QVERIFY(!exporter->save({0}, dir.filePath(name), &reason));
        if (!error.isEmpty())
            QCOMPARE(reason, error);
        QVERIFY(!reason.isEmpty());
        QVERIFY(!exporter->save({}, dir.filePath("none.png"), &reason));
        QCOMPARE(reason, QStringLiteral("No plot is shown."));
    }
};

QTEST_MAIN(TestPlotExport)
#include "test_plotExport.moc"
