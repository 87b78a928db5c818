// The fast curve must draw the very pixels QwtPlotCurve draws: hand-made
// curves on a plot (flat, spike, steep, noisy, zoomed, half outside the
// canvas) and many random curves painted straight into images.
#include "ov7931Demo_fastCurve.h"
#include "ov7931Demo_lineRaster.h"

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QtTest>

#include <qwt_painter.h>
#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_renderer.h>
#include <qwt_scale_map.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

struct Series {
    std::vector<double> x;
    std::vector<double> y;
};

Series sampled(int n, double dt, const std::function<double(int)> &f)
{
    Series s;
    s.x.resize(size_t(n));
    s.y.resize(size_t(n));
    for (int i = 0; i < n; ++i) {
        s.x[size_t(i)] = i * dt;
        s.y[size_t(i)] = f(i);
    }
    return s;
}

int differingPixels(const QImage &a, const QImage &b, QPoint *firstDiff = nullptr)
{
    if (a.size() != b.size())
        return -1;
    const QImage ia = a.convertToFormat(QImage::Format_RGB32);
    const QImage ib = b.convertToFormat(QImage::Format_RGB32);
    int diff = 0;
    for (int y = 0; y < ia.height(); ++y) {
        const QRgb *la = reinterpret_cast<const QRgb *>(ia.constScanLine(y));
        const QRgb *lb = reinterpret_cast<const QRgb *>(ib.constScanLine(y));
        for (int x = 0; x < ia.width(); ++x) {
            if (la[x] != lb[x]) {
                if (diff == 0 && firstDiff)
                    *firstDiff = QPoint(x, y);
                ++diff;
            }
        }
    }
    return diff;
}

const QColor colours[4] = {Qt::cyan, Qt::yellow, QColor(255, 165, 0), Qt::white};

// A plot like the waveform window's, with one curve per series.
class TestPlot
{
public:
    TestPlot(const std::vector<Series> &series, bool fast, QSize size)
    {
        plot.reset(new QwtPlot);
        plot->setCanvasBackground(QColor(0, 0, 128));
        plot->resize(size);
        for (size_t i = 0; i < series.size(); ++i) {
            auto *c = new ov7931Demo_FastCurve(QStringLiteral("Ch %1").arg(i + 1));
            c->setPen(QPen(colours[i % 4], 0));
            c->setRawSamples(series[i].x.data(), series[i].y.data(), int(series[i].x.size()));
            c->setFastDrawing(fast);
            c->attach(plot.get());
        }
        plot->show();
        plot->replot();
    }

    bool allFast() const
    {
        for (QwtPlotItem *item : plot->itemList(QwtPlotItem::Rtti_PlotCurve)) {
            if (!static_cast<ov7931Demo_FastCurve *>(item)->lastDrawWasFast())
                return false;
        }
        return true;
    }

    QImage canvasImage() const
    {
        return plot->canvas()->grab().toImage();
    }

    QImage rendered() const
    {
        QImage img(plot->size(), QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::white);
        QwtPlotRenderer renderer;
        QPainter p(&img);
        renderer.render(plot.get(), &p, QRectF(QPointF(0, 0), plot->size()));
        return img;
    }

    std::unique_ptr<QwtPlot> plot;
};

// Paints one curve straight into an image through the curve's draw().
QImage paintCurve(const Series &s, bool fast, QSize size, const QwtScaleMap &xMap,
                  const QwtScaleMap &yMap, const QPen &pen, QPoint translate,
                  QImage::Format format, bool clipPolygons, bool *drewFast = nullptr)
{
    QImage img(size, format);
    img.fill(Qt::black);
    ov7931Demo_FastCurve curve;
    curve.setRawSamples(s.x.data(), s.y.data(), int(s.x.size()));
    curve.setPen(pen);
    curve.setFastDrawing(fast);
    curve.setPaintAttribute(QwtPlotCurve::ClipPolygons, clipPolygons);
    QPainter p(&img);
    p.translate(translate);
    const QRectF canvasRect(0, 0, size.width() - translate.x(), size.height() - translate.y());
    curve.draw(&p, xMap, yMap, canvasRect);
    if (drewFast)
        *drewFast = curve.lastDrawWasFast();
    return img;
}

} // namespace

class TestFastCurve : public QObject
{
    Q_OBJECT

private slots:
    void plotLikeWindow_data();
    void plotLikeWindow();
    void zoomedAndResized();
    void randomCurvesMatchQwt();
    void fallsBackForOtherStyles();
    void boundingRectAsQwt();
    void rasterRulesMatchEngine();
};

void TestFastCurve::plotLikeWindow_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("points");
    QTest::newRow("flat") << 0 << 10000;
    QTest::newRow("spike") << 1 << 10000;
    QTest::newRow("steep") << 2 << 10000;
    QTest::newRow("noisy") << 3 << 10000;
    QTest::newRow("noisy-sparse") << 3 << 300;
    QTest::newRow("sine-few") << 4 << 37;
    QTest::newRow("sine-dense") << 4 << 10000;
    QTest::newRow("single-point") << 0 << 1;
    QTest::newRow("two-points") << 2 << 2;
}

void TestFastCurve::plotLikeWindow()
{
    QFETCH(int, kind);
    QFETCH(int, points);

    QRandomGenerator rng(1234 + kind);
    std::vector<Series> series;
    for (int c = 0; c < 4; ++c) {
        const double offset = 100.0 * c;
        series.push_back(sampled(points, 1e-4, [&](int i) -> double {
            switch (kind) {
            case 0: return offset;
            case 1: return offset + ((i == points / 2 + 7 * c) ? 5000.0 : 0.0);
            case 2: return offset + ((i * 8) % points < points / 2 ? -1000.0 : 1000.0);
            case 3: return offset + 300.0 * rng.generateDouble();
            default: return offset + 400.0 * std::sin(i * 6.283 / points * 3 + c);
            }
        }));
    }

    TestPlot plain(series, false, QSize(1000, 300));
    TestPlot fast(series, true, QSize(1000, 300));
    QPoint where;
    const QImage a = plain.canvasImage();
    const QImage b = fast.canvasImage();
    QVERIFY(!a.isNull());
    QVERIFY(fast.allFast());
    QCOMPARE(differingPixels(a, b, &where), 0);
    QCOMPARE(differingPixels(plain.rendered(), fast.rendered(), &where), 0);
}

void TestFastCurve::zoomedAndResized()
{
    QRandomGenerator rng(77);
    std::vector<Series> series;
    for (int c = 0; c < 3; ++c)
        series.push_back(sampled(10000, 1e-4, [&](int) { return 50.0 * c + 200.0 * rng.generateDouble(); }));

    TestPlot plain(series, false, QSize(900, 260));
    TestPlot fast(series, true, QSize(900, 260));

    // zoomed into a part of the curves, part of them above and below the canvas
    const double ranges[][4] = {
        {0.2, 0.25, 60.0, 180.0},
        {0.5, 0.5005, 0.0, 400.0},
        {0.0, 1.0, 100.0, 101.0},
        {-0.1, 1.1, -500.0, 1000.0},
    };
    for (const auto &r : ranges) {
        for (TestPlot *t : {&plain, &fast}) {
            t->plot->setAxisScale(QwtPlot::xBottom, r[0], r[1]);
            t->plot->setAxisScale(QwtPlot::yLeft, r[2], r[3]);
            t->plot->replot();
        }
        QCOMPARE(differingPixels(plain.canvasImage(), fast.canvasImage()), 0);
        QVERIFY(fast.allFast());
    }

    for (const QSize size : {QSize(700, 200), QSize(1300, 420)}) {
        for (TestPlot *t : {&plain, &fast}) {
            t->plot->resize(size);
            t->plot->setAxisAutoScale(QwtPlot::xBottom);
            t->plot->setAxisAutoScale(QwtPlot::yLeft);
            t->plot->replot();
        }
        QCOMPARE(plain.canvasImage().size(), fast.canvasImage().size());
        QCOMPARE(differingPixels(plain.canvasImage(), fast.canvasImage()), 0);
    }
}

// Random curves of every shape: few and many points, outside the canvas,
// square and flat caps, pen widths 0 and 1, painter translations, both
// polyline splitting settings and both image formats of the raster engine's
// fast paths plus one other.
void TestFastCurve::randomCurvesMatchQwt()
{
    QRandomGenerator rng(20240611);
    const QImage::Format formats[] = {QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB32,
                                      QImage::Format_RGB888};
    int cases = 0;
    int fastCases = 0;
    for (int round = 0; round < 600; ++round) {
        const int n = 2 + int(rng.bounded(round % 3 == 0 ? 20 : (round % 3 == 1 ? 400 : 5000)));
        const QSize size(40 + int(rng.bounded(300)), 30 + int(rng.bounded(200)));
        Series s;
        s.x.resize(size_t(n));
        s.y.resize(size_t(n));
        const int shape = int(rng.bounded(4));
        double x = 0;
        for (int i = 0; i < n; ++i) {
            switch (shape) {
            case 0: x += rng.generateDouble(); break;              // increasing
            case 1: x = rng.generateDouble() * n; break;           // anywhere
            case 2: x += (rng.bounded(4) == 0) ? 0.0 : 1.0; break; // repeats
            default: x += 1.0; break;
            }
            s.x[size_t(i)] = x;
            s.y[size_t(i)] = (shape == 3 && rng.bounded(3) == 0) ? 0.0 : rng.generateDouble() * 100.0;
        }

        QwtScaleMap xMap;
        QwtScaleMap yMap;
        const QPoint translate(int(rng.bounded(3)) * 7, int(rng.bounded(3)) * 5);
        const int w = size.width() - translate.x();
        const int h = size.height() - translate.y();
        xMap.setPaintInterval(0, w);
        yMap.setPaintInterval(h, 0);
        // sometimes zoomed so that parts leave the canvas
        const double zoom = rng.bounded(3) == 0 ? 0.3 + rng.generateDouble() : 1.0;
        xMap.setScaleInterval(0, (n + 1) * zoom);
        yMap.setScaleInterval(50 - 60 * zoom, 50 + 60 * zoom);

        QPen pen(colours[round % 4], rng.bounded(2) ? 0.0 : 1.0);
        pen.setCapStyle(rng.bounded(3) == 0 ? Qt::FlatCap : Qt::SquareCap);
        const bool clipPolygons = rng.bounded(4) != 0;
        const bool split = rng.bounded(5) != 0;
        QwtPainter::setPolylineSplitting(split);
        const QImage::Format format = formats[rng.bounded(3)];

        const QImage a = paintCurve(s, false, size, xMap, yMap, pen, translate, format, clipPolygons);
        bool drewFast = false;
        const QImage b = paintCurve(s, true, size, xMap, yMap, pen, translate, format, clipPolygons,
                                    &drewFast);
        fastCases += drewFast ? 1 : 0;
        QPoint where;
        const int diff = differingPixels(a, b, &where);
        if (diff != 0) {
            a.save(QStringLiteral("/tmp/fastcurve_plain_%1.png").arg(round));
            b.save(QStringLiteral("/tmp/fastcurve_fast_%1.png").arg(round));
        }
        QVERIFY2(diff == 0, qPrintable(QStringLiteral("round %1: %2 pixels differ, first at %3,%4 "
                                                      "(n %5, shape %6, split %7, clip %8, cap %9)")
                                           .arg(round).arg(diff).arg(where.x()).arg(where.y())
                                           .arg(n).arg(shape).arg(split).arg(clipPolygons)
                                           .arg(int(pen.capStyle()))));
        ++cases;
    }
    QwtPainter::setPolylineSplitting(true);
    QCOMPARE(cases, 600);
    // only curves leaving the device without polygon clipping are left to Qwt
    QVERIFY2(fastCases > 450, qPrintable(QString::number(fastCases)));
}

void TestFastCurve::fallsBackForOtherStyles()
{
    QRandomGenerator rng(5);
    Series s = sampled(2000, 1.0, [&](int) { return rng.generateDouble() * 100.0; });
    QwtScaleMap xMap;
    QwtScaleMap yMap;
    xMap.setPaintInterval(0, 300);
    xMap.setScaleInterval(0, 2000);
    yMap.setPaintInterval(150, 0);
    yMap.setScaleInterval(0, 100);

    bool tookFastPath = false;
    const auto draw = [&](bool fast, const std::function<void(ov7931Demo_FastCurve &, QPainter &)> &setup) {
        QImage img(300, 150, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::black);
        ov7931Demo_FastCurve curve;
        curve.setRawSamples(s.x.data(), s.y.data(), int(s.x.size()));
        curve.setPen(QPen(Qt::green, 0));
        curve.setFastDrawing(fast);
        QPainter p(&img);
        setup(curve, p);
        curve.draw(&p, xMap, yMap, QRectF(0, 0, 300, 150));
        tookFastPath = curve.lastDrawWasFast();
        return img;
    };
    const std::vector<std::function<void(ov7931Demo_FastCurve &, QPainter &)>> setups = {
        [](ov7931Demo_FastCurve &c, QPainter &) { c.setStyle(QwtPlotCurve::Sticks); },
        [](ov7931Demo_FastCurve &c, QPainter &) { c.setStyle(QwtPlotCurve::Steps); },
        [](ov7931Demo_FastCurve &c, QPainter &) { c.setStyle(QwtPlotCurve::Dots); },
        [](ov7931Demo_FastCurve &, QPainter &p) { p.setRenderHint(QPainter::Antialiasing); },
        [](ov7931Demo_FastCurve &c, QPainter &) { c.setPen(QPen(Qt::red, 3)); },
        [](ov7931Demo_FastCurve &c, QPainter &) { c.setPen(QPen(QColor(255, 0, 0, 128), 0)); },
        [](ov7931Demo_FastCurve &c, QPainter &) { c.setPen(QPen(Qt::red, 0, Qt::DashLine)); },
        [](ov7931Demo_FastCurve &c, QPainter &) { c.setBrush(Qt::blue); },
        [](ov7931Demo_FastCurve &, QPainter &p) { p.scale(1.5, 1.5); },
        [](ov7931Demo_FastCurve &, QPainter &p) { p.translate(0.5, 0.25); },
    };
    for (size_t i = 0; i < setups.size(); ++i) {
        const QImage plain = draw(false, setups[i]);
        const QImage fast = draw(true, setups[i]);
        QVERIFY2(!tookFastPath, qPrintable(QStringLiteral("case %1").arg(i)));
        QVERIFY2(differingPixels(plain, fast) == 0, qPrintable(QStringLiteral("case %1").arg(i)));
    }
    // and the plain case does take it
    draw(true, [](ov7931Demo_FastCurve &, QPainter &) {});
    QVERIFY(tookFastPath);
}

void TestFastCurve::boundingRectAsQwt()
{
    QRandomGenerator rng(99);
    for (int round = 0; round < 50; ++round) {
        const int n = 1 + int(rng.bounded(3000));
        Series s = sampled(n, 0.37, [&](int) { return (rng.generateDouble() - 0.3) * 1e3; });
        if (round % 10 == 3)
            s.y[size_t(n / 2)] = std::nan("");
        ov7931Demo_FastCurve fast;
        QwtPlotCurve plain;
        fast.setRawSamples(s.x.data(), s.y.data(), n);
        plain.setRawSamples(s.x.data(), s.y.data(), n);
        const QRectF a = plain.boundingRect();
        const QRectF b = fast.boundingRect();
        QVERIFY(a.x() == b.x() || (std::isnan(a.x()) && std::isnan(b.x())));
        QVERIFY(a.width() == b.width() || (std::isnan(a.width()) && std::isnan(b.width())));
        QVERIFY(a.y() == b.y() || (std::isnan(a.y()) && std::isnan(b.y())));
        QVERIFY(a.height() == b.height() || (std::isnan(a.height()) && std::isnan(b.height())));
    }

    // new samples replace the remembered rectangle
    double x[3] = {0, 1, 2};
    double y[3] = {5, 6, 7};
    ov7931Demo_FastCurve c;
    c.setRawSamples(x, y, 3);
    QCOMPARE(c.boundingRect(), QRectF(0, 5, 2, 2));
    y[2] = 70;
    c.setRawSamples(x, y, 3);
    QCOMPARE(c.boundingRect(), QRectF(0, 5, 2, 65));
    c.setRawSamples(x, y, 0);
    QVERIFY(!c.boundingRect().isValid());
}

// The line rules alone, against QPainter::drawPolyline() on an image: whole
// and fractional points, short and long, square and flat caps, closed
// polylines, points on the edges of the engine's clip bounds.
void TestFastCurve::rasterRulesMatchEngine()
{
    QRandomGenerator rng(4711);
    const QSize size(60, 50);
    for (int round = 0; round < 3000; ++round) {
        const int n = 2 + int(rng.bounded(round % 2 ? 7 : 30));
        const bool fractional = round % 3 == 0;
        const int spread = 1 + int(rng.bounded(round % 4 == 0 ? 3 : 60));
        QPolygonF poly;
        QPoint start(int(rng.bounded(size.width())), int(rng.bounded(size.height())));
        QPointF p = start;
        for (int i = 0; i < n; ++i) {
            poly.append(p);
            QPointF next = p + QPointF(rng.bounded(2 * spread + 1) - spread, rng.bounded(2 * spread + 1) - spread);
            if (fractional)
                next += QPointF(rng.generateDouble() - 0.5, rng.generateDouble() - 0.5);
            next.setX(qBound(-1.0, next.x(), size.width() + 1.0));
            next.setY(qBound(-1.0, next.y(), size.height() + 1.0));
            p = next;
        }
        if (round % 11 == 0)
            poly.last() = poly.first(); // closed
        const bool caps = rng.bounded(3) != 0;

        QImage expected(size, QImage::Format_RGB32);
        expected.fill(Qt::black);
        {
            QPainter painter(&expected);
            QPen pen(Qt::white, 0);
            pen.setCapStyle(caps ? Qt::SquareCap : Qt::FlatCap);
            painter.setPen(pen);
            painter.drawPolyline(poly);
        }

        QVector<QRect> rects;
        if (fractional) {
            lineRaster::floatPointRects(poly.constData(), poly.size(), poly.size(), QPoint(), size, caps, rects);
        } else {
            QVector<QPoint> whole;
            for (const QPointF &q : poly)
                whole.append(q.toPoint());
            lineRaster::wholePointRects(whole.constData(), whole.size(), whole.size(), QPoint(), size, caps,
                                        rects);
        }
        QImage actual(size, QImage::Format_RGB32);
        actual.fill(Qt::black);
        {
            QPainter painter(&actual);
            for (const QRect &r : rects)
                painter.fillRect(r, Qt::white);
        }
        QPoint where;
        const int diff = differingPixels(expected, actual, &where);
        QVERIFY2(diff == 0, qPrintable(QStringLiteral("round %1: %2 pixels differ, first at %3,%4")
                                           .arg(round).arg(diff).arg(where.x()).arg(where.y())));
    }
}

QTEST_MAIN(TestFastCurve)
#include "test_fastcurve.moc"
