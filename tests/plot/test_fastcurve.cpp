// The plots' own drawing. The fast curve must draw the very pixels
// QwtPlotCurve draws: hand-made curves on plots like the window's, random
// curves painted into images, and Qwt's own drawing for every style it does
// not handle. Axis labels: for small spans far from zero, tiny spans at
// zero and large values, in English and German, the labels of Qwt's ticks
// differ, carry no digit more than needed and take the exponent form only
// where the fixed form would be too long; ordinary ranges keep Qwt's own
// labels (the window's axes use them: tests/waveform/test_plots).
#include "ov7931Demo_fastCurve.h"
#include "ov7931Demo_fastGrid.h"
#include "ov7931Demo_plotCanvas.h"
#include "ov7931Demo_scaleLabels.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QScreen>
#include <QStyleFactory>
#include <QtTest>

#include <qwt_painter.h>
#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_grid.h>
#include <qwt_point_data.h>
#include <qwt_scale_engine.h>
#include <qwt_scale_map.h>
#include <qwt_symbol.h>
#include <qwt_text.h>

#include <cmath>
#include <memory>

namespace {

struct Series {
    std::vector<double> x, y;
};

const QColor colours[4] = {Qt::cyan, Qt::yellow, QColor(255, 165, 0), Qt::white};

// A plot like the waveform window's, one curve per series, autoscaled or
// (variant 1) zoomed into a part with curves leaving the canvas. Variant 2
// puts items between the fast curves that one of them paints in one go:
// hidden, empty, drawn by Qwt, with symbols. The fast plot has the window's
// canvas, whose painting has the first curve's lines worked out ahead.
QImage plotImage(const std::vector<Series> &series, bool fast, int variant)
{
    QwtPlot plot;
    if (fast)
        plot.setCanvas(new ov7931Demo_PlotCanvas);
    plot.setCanvasBackground(QColor(0, 0, 128));
    plot.resize(1000, 300);
    for (size_t i = 0; i < series.size(); ++i) {
        auto *c = new ov7931Demo_FastCurve(QStringLiteral("Ch %1").arg(i + 1));
        c->setPen(QPen(colours[i % 4], 0));
        c->setRawSamples(series[i].x.data(), series[i].y.data(), variant == 2 && i == 2 ? 0 : int(series[i].x.size()));
        c->setFastDrawing(fast && !(variant == 2 && i == 4));
        c->setVisible(!(variant == 2 && i == 1));
        if (variant == 2 && i == 5)
            c->setSymbol(new QwtSymbol(QwtSymbol::Ellipse, QBrush(Qt::red), QPen(Qt::red), QSize(5, 5)));
        c->attach(&plot);
    }
    if (variant == 1) {
        plot.setAxisScale(QwtPlot::xBottom, 0.2, 0.25);
        plot.setAxisScale(QwtPlot::yLeft, 60.0, 180.0);
    }
    plot.show();
    plot.replot();
    const QImage image = plot.canvas()->grab().toImage();
    const QwtPlotItemList curves = plot.itemList(QwtPlotItem::Rtti_PlotCurve);
    for (QwtPlotItem *item : curves) {
        const auto *c = static_cast<ov7931Demo_FastCurve *>(item);
        if (c->lastDrawWasFast() != (c->isVisible() && c->dataSize() > 0 && c->fastDrawing())
            || c->lastDrawWasAhead() != (fast && item == curves.first()))
            return QImage(); // drawn the other way than it should have been
    }
    return image;
}

using Setup = std::function<void(ov7931Demo_FastCurve &, QPainter &)>;

// Styles and painter states the fast drawing leaves to QwtPlotCurve's drawing.
const std::vector<Setup> otherStyles = {
    [](ov7931Demo_FastCurve &c, QPainter &) { c.setStyle(QwtPlotCurve::Sticks); },
    [](ov7931Demo_FastCurve &, QPainter &p) { p.setRenderHint(QPainter::Antialiasing); },
    [](ov7931Demo_FastCurve &c, QPainter &) { c.setPen(QPen(Qt::red, 3)); },
    [](ov7931Demo_FastCurve &c, QPainter &) { c.setPen(QPen(QColor(255, 0, 0, 128), 0)); },
    [](ov7931Demo_FastCurve &c, QPainter &) { c.setPen(QPen(Qt::red, 0, Qt::DashLine)); },
    [](ov7931Demo_FastCurve &c, QPainter &) { c.setBrush(Qt::blue); },
    [](ov7931Demo_FastCurve &, QPainter &p) { p.scale(1.5, 1.5); },
    [](ov7931Demo_FastCurve &, QPainter &p) { p.translate(0.5, 0.25); },
};

// One curve painted straight into an image through draw(); the image and
// whether the fast drawing drew it.
std::pair<QImage, bool> paintCurve(const Series &s, bool fast, QSize size, const QwtScaleMap &xMap,
                                   const QwtScaleMap &yMap, QImage::Format format, const Setup &setup)
{
    QImage img(size, format);
    img.fill(Qt::black);
    ov7931Demo_FastCurve curve;
    curve.setRawSamples(s.x.data(), s.y.data(), int(s.x.size()));
    curve.setPen(QPen(Qt::green, 0));
    curve.setFastDrawing(fast);
    QPainter p(&img);
    setup(curve, p);
    curve.draw(&p, xMap, yMap, QRectF(-p.transform().map(QPointF()), QSizeF(size))); // the whole image
    return {img, curve.lastDrawWasFast()};
}

QList<double> majorTicks(double lo, double hi, int maxMajor)
{
    return QwtLinearScaleEngine().divideScale(lo, hi, maxMajor, 5).ticks(QwtScaleDiv::MajorTick);
}

} // namespace

class TestFastCurve : public QObject
{
    Q_OBJECT

private slots:
    // Eight curves of a kind (0 flat, 1 a spike, 2 steep steps, 3 noise,
    // 4 a sine) per plot, drawn fast and by Qwt.
    void handMadeCurvesOnPlot()
    {
        const std::tuple<const char *, int, int, int> cases[] = {
            {"spike", 1, 10000, 0}, {"steep", 2, 10000, 0}, {"noisy", 3, 10000, 0}, {"noisy zoomed", 3, 10000, 1},
            {"noisy, other items between", 3, 10000, 2}, {"sine, few points", 4, 37, 0}, {"single point", 0, 1, 0}};
        for (const auto &[name, kind, points, variant] : cases) {
            QRandomGenerator rng(1234 + kind);
            std::vector<Series> series(8);
            for (int c = 0; c < 8; ++c)
                for (int i = 0; i < points; ++i) {
                    const double y[5] = {0.0, i == points / 2 + 7 * c ? 5000.0 : 0.0,
                                         (i * 8) % points < points / 2 ? -1000.0 : 1000.0, 300.0 * rng.generateDouble(),
                                         400.0 * std::sin(i * 6.283 / points * 3 + c)};
                    series[size_t(c)].x.push_back(i * 1e-4);
                    series[size_t(c)].y.push_back(100.0 * c + y[kind]);
                }
            const QImage plain = plotImage(series, false, variant), fast = plotImage(series, true, variant);
            QVERIFY2(!fast.isNull() && fast == plain, name);
        }
    }

    // Random curves of every shape, few and many points, sometimes leaving
    // the canvas; pen widths 0 and 1, square and flat caps, painter
    // translations, with and without polyline splitting and polygon
    // clipping, three formats; a third of them in the other styles, which
    // must go to Qwt's drawing.
    void randomCurvesMatchQwt()
    {
        QRandomGenerator rng(20240611);
        const QImage::Format formats[] = {QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB32,
                                          QImage::Format_RGB888};
        int fastCases = 0;
        for (int round = 0; round < 500; ++round) {
            const int style = int(rng.bounded(3 * int(otherStyles.size())));
            const int n = 2 + int(rng.bounded(round % 3 == 0 ? 20 : (round % 3 == 1 ? 400 : 5000)));
            const int shape = int(rng.bounded(4)); // increasing, anywhere, repeated x, one column
            Series s;
            double x = 0, y = 50; // shapes 2 and 3: a random walk of small steps
            for (int i = 0; i < n; ++i) {
                x = shape == 3 ? 1.0 : shape == 1 ? rng.generateDouble() * n
                                                  : x + (shape == 0 ? rng.generateDouble() : rng.bounded(4) != 0);
                y = shape >= 2 ? y + rng.bounded(5) - 2.0 : rng.generateDouble() * 100;
                s.x.push_back(x);
                s.y.push_back(y);
            }
            const QSize size(40 + int(rng.bounded(300)), 30 + int(rng.bounded(200)));
            const QPoint translate(int(rng.bounded(3)) * 7, int(rng.bounded(3)) * 5);
            const double zoom = rng.bounded(3) == 0 ? 0.3 + rng.generateDouble() : 1.0;
            QwtScaleMap xMap, yMap;
            xMap.setPaintInterval(0, size.width() - translate.x());
            yMap.setPaintInterval(size.height() - translate.y(), 0);
            xMap.setScaleInterval(0, (n + 1) * zoom);
            yMap.setScaleInterval(50 - 60 * zoom, 50 + 60 * zoom);
            QPen pen(colours[round % 4], rng.bounded(2) ? 0.0 : 1.0);
            pen.setCapStyle(rng.bounded(3) == 0 ? Qt::FlatCap : Qt::SquareCap);
            const bool clip = rng.bounded(4) != 0;
            QwtPainter::setPolylineSplitting(rng.bounded(5) != 0);
            const auto setup = [&](ov7931Demo_FastCurve &c, QPainter &p) {
                c.setPen(pen);
                c.setPaintAttribute(QwtPlotCurve::ClipPolygons, clip);
                p.translate(translate);
                if (style < int(otherStyles.size()))
                    otherStyles[size_t(style)](c, p);
            };
            const QImage::Format format = formats[rng.bounded(3)];
            const auto a = paintCurve(s, false, size, xMap, yMap, format, setup);
            const auto b = paintCurve(s, true, size, xMap, yMap, format, setup);
            fastCases += b.second;
            QVERIFY(a.first == b.first && (style >= int(otherStyles.size()) || !b.second));
        }
        QwtPainter::setPolylineSplitting(true);
        // only curves leaving the device without polygon clipping are left to Qwt
        QVERIFY(fastCases > 250);
    }

    // A sample that is not finite leaves the curve to Qwt's drawing; one that
    // maps far beyond the device is clipped as Qwt clips it. Both wherever
    // they are among the samples (the mapping takes them several at a time,
    // the last few one by one).
    void samplesNotFiniteOrFarAsQwt()
    {
        QwtScaleMap xMap, yMap;
        xMap.setPaintInterval(0, 300);
        xMap.setScaleInterval(0, 1003);
        yMap.setPaintInterval(200, 0);
        yMap.setScaleInterval(-10, 110);
        const double values[] = {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300, -1e12};
        for (double value : values)
            for (int at : {0, 3, 517, 1001, 1002}) {
                QRandomGenerator rng(static_cast<quint32>(at));
                Series s;
                for (int i = 0; i < 1003; ++i) {
                    s.x.push_back(i);
                    s.y.push_back(i == at ? value : 100 * rng.generateDouble());
                }
                const Setup none = [](ov7931Demo_FastCurve &, QPainter &) {};
                const auto plain = paintCurve(s, false, QSize(300, 200), xMap, yMap, QImage::Format_RGB32, none);
                const auto fast = paintCurve(s, true, QSize(300, 200), xMap, yMap, QImage::Format_RGB32, none);
                QVERIFY2(fast.first == plain.first, qPrintable(QString::number(value)));
                QVERIFY2(fast.second == std::isfinite(value), qPrintable(QString::number(value)));
            }
    }

    // Autoscaling takes the bounding rectangle: Qwt's, with repeated
    // extremes, signed zeros and NaN, renewed with new samples, also of
    // curves sharing their time axis, changed in place and set again.
    void boundingRectAsQwt()
    {
        QRandomGenerator rng(99);
        const auto bytes = [](const QRectF &r) { // every bit, the sign of zero too
            const double v[4] = {r.x(), r.y(), r.width(), r.height()};
            return QByteArray(reinterpret_cast<const char *>(v), sizeof v);
        };
        ov7931Demo_FastCurve fast;
        for (int n : {3000, 1, 2, 777}) {
            Series s;
            for (int i = 0; i < n; ++i) {
                s.x.push_back(n == 3000 ? (i ? i * 0.37 : -0.0) : rng.generateDouble() - 0.3);
                s.y.push_back(i == 776 ? std::nan("") : i % 9 == 0 ? -0.0 : std::round(rng.generateDouble() * 20) - 5);
            }
            QwtPlotCurve plain;
            plain.setRawSamples(s.x.data(), s.y.data(), n);
            fast.setRawSamples(s.x.data(), s.y.data(), n);
            QCOMPARE(bytes(fast.boundingRect()), bytes(plain.boundingRect()));
        }
        std::vector<double> t = {0, 1, 2}, y = {5, 6, 7};
        ov7931Demo_FastCurve a, b;
        a.setRawSamples(t.data(), y.data(), 3);
        b.setRawSamples(t.data(), y.data(), 3);
        QVERIFY(a.boundingRect() == QRectF(0, 5, 2, 2) && b.boundingRect() == QRectF(0, 5, 2, 2));
        t[2] = 4;
        b.setRawSamples(t.data(), y.data(), 3);
        QCOMPARE(b.boundingRect(), QRectF(0, 5, 4, 2));

        // the curves of a plot, which the first one asked with new samples
        // works out together (the fourth has times of its own; new samples
        // for all, then for the third and fifth)
        QwtPlot plot;
        std::vector<double> values(7 * 500);
        for (size_t i = 0; i < values.size(); ++i)
            values[i] = rng.generateDouble() * double(i % 7) - double(i % 5);
        ov7931Demo_FastCurve onPlot[5];
        for (int round = 0; round < 2; ++round) {
            for (int k = 0; k < 5; ++k) {
                onPlot[k].attach(&plot);
                if (round == 0 || k == 2 || k == 4)
                    onPlot[k].setRawSamples(values.data() + (k == 3 ? 500 : 0), values.data() + 500 * (k + round), 500);
            }
            for (const ov7931Demo_FastCurve &c : onPlot) {
                const auto *d = static_cast<const QwtCPointerData *>(c.data());
                QwtPlotCurve plain;
                plain.setRawSamples(d->xData(), d->yData(), int(d->size()));
                QCOMPARE(bytes(c.boundingRect()), bytes(plain.boundingRect()));
            }
        }
    }

    // The waveform window's canvas and grid against QwtPlotCanvas and
    // QwtPlotGrid, on the window and through the backing store. A canvas drawn
    // anew paints straight onto the window; a paint of a part of it (an
    // overlay moving) draws the backing store again, and while an overlay
    // shows, refreshes go through it. The grid's kept pixels are written from
    // the second drawing of the same lines on, not for a translucent pen.
    void canvasAndGridAsQwt()
    {
        QRandomGenerator rng(7);
        std::vector<Series> series(8); // two sets of four
        for (Series &s : series)
            for (int i = 0; i < 5000; ++i) {
                s.x.push_back(i * 1e-4);
                s.y.push_back(300.0 * rng.generateDouble() - 150.0);
            }
        QwtPlot plots[2];
        QwtPlotGrid *grids[2] = {new QwtPlotGrid, new ov7931Demo_FastGrid};
        auto *canvas = new ov7931Demo_PlotCanvas;
        plots[1].setCanvas(canvas);
        std::vector<ov7931Demo_FastCurve *> curves;
        for (int p = 0; p < 2; ++p) {
            plots[p].setCanvasBackground(QColor(0, 0, 128));
            grids[p]->enableXMin(true);
            grids[p]->setMinorPen(QPen(QColor(64, 64, 64), 0, Qt::DotLine));
            grids[p]->attach(&plots[p]);
            for (int i = 0; i < 4; ++i) {
                curves.push_back(new ov7931Demo_FastCurve);
                curves.back()->setPen(QPen(colours[i], 0));
                curves.back()->attach(&plots[p]);
            }
            plots[p].show();
            QVERIFY(QTest::qWaitForWindowExposed(&plots[p]));
        }
        const auto shown = [](QwtPlot &plot) { // the canvas's pixels on the window
            const QRect r(plot.canvas()->mapTo(&plot, QPoint()), plot.canvas()->size());
            return plot.screen()->grabWindow(plot.winId()).toImage().copy(r);
        };
        auto *overlay = new QWidget(canvas);
        overlay->setGeometry(100, 100, 50, 20);
        overlay->hide();
        // (series set, y range, width, major pen alpha, part painted,
        // overlay shown, painted straight, grid kept); a new size is painted
        // once before the replot, new scales are not
        const std::tuple<int, double, int, int, QRect, bool, bool, bool> steps[] = {
            {0, 200, 500, 255, {}, false, true, false},
            {1, 200, 500, 255, {}, false, true, true}, // over the pixels of set 0
            {1, 200, 500, 255, {50, 50, 40, 30}, false, false, true},
            {0, 75, 500, 255, {}, false, true, false},
            {0, 75, 640, 255, {}, false, true, true},
            {0, 75, 640, 255, {}, true, false, true},
            {1, 75, 640, 128, {}, false, true, false},
            {1, 75, 640, 128, {}, false, true, false}};
        for (const auto &[set, range, width, alpha, part, overlaid, straight, kept] : steps) {
            overlay->setVisible(overlaid);
            for (size_t i = 0; i < curves.size(); ++i) {
                const Series &s = series[size_t(4 * set) + i % 4];
                curves[i]->setRawSamples(s.x.data(), s.y.data(), int(s.x.size()));
            }
            for (int p = 0; p < 2; ++p) {
                plots[p].setAxisScale(QwtPlot::yLeft, -range, range);
                plots[p].resize(width, 300);
                grids[p]->setMajorPen(QPen(QColor(128, 128, 128, alpha), 0, Qt::DotLine));
            }
            QCoreApplication::processEvents();
            for (QwtPlot &plot : plots)
                part.isNull() ? plot.replot() : plot.canvas()->update(part);
            QCoreApplication::processEvents();
            QCOMPARE(canvas->lastPaintWasStraight(), straight);
            QCOMPARE(curves[4]->lastDrawWasAhead(), straight);
            QCOMPARE(canvas->backingStore()->isNull(), straight);
            QCOMPARE(static_cast<ov7931Demo_FastGrid *>(grids[1])->lastDrawWasKept(), kept);
            QVERIFY(shown(plots[1]) == shown(plots[0]));
            QVERIFY(plots[1].canvas()->grab().toImage() == plots[0].canvas()->grab().toImage());
        }
        // a painter clipped to a part of the canvas, as an export may clip
        QImage parts[2];
        for (int p = 0; p < 2; ++p) {
            parts[p] = QImage(640, 300, QImage::Format_RGB32);
            parts[p].fill(Qt::black);
            grids[p]->setMajorPen(QPen(QColor(128, 128, 128), 0, Qt::DotLine));
            for (int drawing = 0; drawing < 2; ++drawing) {
                QPainter painter(&parts[p]);
                painter.setClipRect(40, 30, 200, 100);
                grids[p]->draw(&painter, plots[p].canvasMap(QwtPlot::xBottom), plots[p].canvasMap(QwtPlot::yLeft),
                               QRectF(0, 0, 640, 300));
            }
        }
        QVERIFY(static_cast<ov7931Demo_FastGrid *>(grids[1])->lastDrawWasKept() && parts[1] == parts[0]);
    }

    // Lines worked out ahead are taken only by the drawing they were worked
    // out for, not by one on another painter, with other maps, in another
    // canvas rectangle, of a part of the samples or of the second curve
    // alone: those draw what Qwt draws all the same.
    void linesAheadOnlyForTheirDrawing()
    {
        QRandomGenerator rng(99);
        std::vector<Series> series(2);
        for (Series &s : series)
            for (int i = 0; i < 3000; ++i) {
                s.x.push_back(i * 1e-4);
                s.y.push_back(rng.generateDouble());
            }
        QwtPlot plot;
        ov7931Demo_FastCurve *curves[2];
        for (int i = 0; i < 2; ++i) {
            curves[i] = new ov7931Demo_FastCurve;
            curves[i]->setPen(QPen(colours[i], 0));
            curves[i]->setRawSamples(series[size_t(i)].x.data(), series[size_t(i)].y.data(), 3000);
            curves[i]->attach(&plot);
        }
        plot.resize(400, 200);
        plot.replot();
        const QRectF rect = plot.canvas()->contentsRect();
        const QwtScaleMap maps[2] = {plot.canvasMap(QwtPlot::xBottom), plot.canvasMap(QwtPlot::yLeft)};
        for (int drawing = 0; drawing < 6; ++drawing) { // taken, then each of the others
            QImage images[2];
            for (int fast = 0; fast < 2; ++fast) {
                curves[0]->setFastDrawing(fast);
                curves[1]->setFastDrawing(fast);
                images[fast] = QImage(400, 200, QImage::Format_RGB32);
                images[fast].fill(Qt::black);
                QImage elsewhere = images[fast];
                QPainter painter(&images[fast]);
                QPainter other(&elsewhere);
                const ov7931Demo_FastCurve::LinesAhead ahead(&plot, drawing == 1 ? &other : &painter, rect);
                QwtScaleMap y = maps[1];
                if (drawing == 2)
                    y.setPaintInterval(y.p1() - 1, y.p2());
                const QRectF r = drawing == 3 ? rect.adjusted(0, 0, -1, 0) : rect;
                for (int i = drawing == 5 ? 1 : 0; i < 2; ++i) {
                    ov7931Demo_FastCurve *c = curves[i];
                    painter.setPen(c->pen());
                    c->drawSeries(&painter, maps[0], y, r, drawing == 4 ? 1 : 0, -1);
                }
                QCOMPARE(curves[drawing == 5 ? 1 : 0]->lastDrawWasAhead(), fast && drawing == 0);
            }
            QVERIFY(images[1] == images[0]);
        }
    }

    // The axes' labels measure as plain text does, in each font and after
    // another font was measured in between.
    void labelsMeasureAsPlainText()
    {
        ov7931Demo_ScaleDraw draw;
        draw.setScaleDiv(QwtLinearScaleEngine().divideScale(-0.5, 1234.5, 8, 5));
        QFont big = QApplication::font();
        big.setPointSize(big.pointSize() + 7);
        const QFont fonts[] = {QApplication::font(), big, QApplication::font()};
        for (const QFont &font : fonts)
            for (double value : {0.0, 200.0, 1200.0, -0.5}) {
                QwtText kept = draw.label(value), plain(kept.text(), QwtText::PlainText);
                for (QwtText *t : {&kept, &plain})
                    t->setLayoutAttribute(QwtText::MinimumLayout);
                QCOMPARE(kept.textSize(font), plain.textSize(font));
                QCOMPARE(kept.heightForWidth(30, font), plain.heightForWidth(30, font));
            }
    }

    // The labels of the ticks Qwt gives a range (8 ticks at most on value
    // axes, 5 on time axes): each one different, no digit more than needed,
    // the exponent form only where the fixed one would be too long. Ordinary
    // ranges (no labels given) keep the labels Qwt writes by itself.
    void tickLabels_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<double>("lo");
        QTest::addColumn<double>("hi");
        QTest::addColumn<int>("maxMajor");
        QTest::addColumn<QString>("labels");
        const auto row = [](const char *locale, double lo, double hi, int maxMajor, const char *labels) {
            QTest::addRow("%s %g..%g", locale, lo, hi) << QString(locale) << lo << hi << maxMajor << QString(labels);
        };
        row("en_US", -242.0215, -242.0185, 8, "-242.0215|-242.021|-242.0205|-242.02|-242.0195|-242.019|-242.0185");
        row("en_US", 999.9995, 1000.0005, 8, "999.9996|999.9998|1,000|1,000.0002|1,000.0004");
        row("en_US", -0.000002, 0.000003, 8, "-0.000002|-0.000001|0|0.000001|0.000002|0.000003");
        row("en_US", -1e5 - 0.0015, -1e5 + 0.0015, 5, "-100,000.001|-100,000|-99,999.999");
        row("en_US", 1e6 - 0.5e-6, 1e6 + 0.5e-6, 8, "999,999.9999995|999,999.9999997|999,999.9999999|"
                                                    "1,000,000.0000001|1,000,000.0000003|1,000,000.0000005");
        row("en_US", 5e9 - 1.5, 5e9 + 1.5, 8, "4,999,999,998.5|4,999,999,999|4,999,999,999.5|5,000,000,000|"
                                              "5,000,000,000.5|5,000,000,001|5,000,000,001.5");
        row("de_DE", 12345.6775, 12345.6785, 5, "12.345,6776|12.345,6778|12.345,678|12.345,6782|12.345,6784");
        row("de_DE", -1.5e-9, 1.5e-9, 8, "-1,5e-09|-1e-09|-5e-10|0|5e-10|1e-09|1,5e-09");
        row("de_DE", 998.5, 1001.5, 8, "998,5|999|999,5|1.000|1.000,5|1.001|1.001,5");
        for (const auto &[lo, hi, maxMajor] : {std::make_tuple(0.0, 1.0, 5), {0.0, 0.05, 5}, {-10.0, 10.0, 8},
                                               {0.0, 1000.0, 8}, {-200.0, 850.0, 8}, {998.5, 1001.5, 8}})
            row("", lo, hi, maxMajor, "");
    }
    void tickLabels()
    {
        QFETCH(QString, locale);
        QFETCH(double, lo);
        QFETCH(double, hi);
        QFETCH(int, maxMajor);
        QFETCH(QString, labels);
        const QLocale l = locale.isEmpty() ? QLocale() : QLocale(locale);
        const QList<double> ticks = majorTicks(lo, hi, maxMajor);
        const TickLabelFormat format = tickLabelFormat(ticks, l);
        QStringList ours, qwt;
        for (double t : ticks) {
            ours << tickLabel(t, format, l);
            qwt << QwtScaleDraw().label(t).text();
        }
        QCOMPARE(ours.join('|'), labels.isEmpty() ? qwt.join('|') : labels);
    }
};

QTEST_MAIN(TestFastCurve)
#include "test_fastcurve.moc"
