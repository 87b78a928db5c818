// Tracker texts: the engineering prefix follows the visible span, changing
// exactly at each threshold; custom units, percent signs and a German locale;
// the text's dark backing over dense bright traces.
#include "ov7931Demo_tracker.h"

#include <QLocale>
#include <QtTest>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_curve.h>

#include <vector>

namespace {
const QString deg = QString(QChar(0x00B0)) + "C";
}

class TestTracker : public QObject
{
    Q_OBJECT

private slots:
    void prefixFollowsSpan_data();
    void prefixFollowsSpan();
    void pickerOnPlotUnderGermanLocale();
    void backingOverDenseTraces();
};

// plot -1: the time axis; 0..2: the value axis of that plot.
void TestTracker::prefixFollowsSpan_data()
{
    QTest::addColumn<int>("plot");
    QTest::addColumn<double>("v");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<QString>("custom");
    QTest::addColumn<QString>("text");
    QTest::newRow("t below 1e-4") << -1 << 0.00005 << 0.0 << 0.0000999 << "" << "50.000 us";
    QTest::newRow("t at 1e-4") << -1 << 0.00005 << 0.0 << 0.0001 << "" << "0.050 ms";
    QTest::newRow("t below 0.1") << -1 << 0.05 << 0.0 << 0.0999 << "" << "50.000 ms";
    QTest::newRow("t at 0.1") << -1 << 0.05 << 0.0 << 0.1 << "" << "0.050 s";
    QTest::newRow("t reversed, offset") << -1 << 100.0123 << 100.05 << 100.0 << "" << "100012.300 ms";
    QTest::newRow("V below 1e-4") << 0 << 0.0000123 << 0.0 << 0.0000999 << "" << "12.300 uV";
    QTest::newRow("V at 1e-4") << 0 << 0.00005 << 0.0 << 0.0001 << "" << "0.050 mV";
    QTest::newRow("V below 0.1") << 0 << -0.0123 << -0.04 << 0.0599 << "" << "-12.300 mV";
    QTest::newRow("V at 0.1") << 0 << 0.0123 << -0.05 << 0.05 << "" << "0.012 V";
    QTest::newRow("Ohm below 1000") << 1 << 250.0 << 0.0 << 999.9 << "" << "250.000 Ohm";
    QTest::newRow("Ohm at 1000") << 1 << 250.0 << 0.0 << 1000.0 << "" << "0.250000 kOhm";
    QTest::newRow("Ohm below 1e6") << 1 << 1.5e5 << 0.0 << 999999.0 << "" << "150.000000 kOhm";
    QTest::newRow("Ohm at 1e6") << 1 << 250.0 << 0.0 << 1e6 << "" << "0.000250 MOhm";
    QTest::newRow("degC never prefixed") << 2 << 12.3456 << 0.0 << 0.01 << "" << "12.346 " + deg;
    QTest::newRow("custom replaces prefix") << 1 << 1500.0 << 0.0 << 2000.0 << "bar" << "1500.000 bar";
    QTest::newRow("percent unit as is") << 0 << 12.5 << 0.0 << 100.0 << "%d%s" << "12.500 %d%s";
}

void TestTracker::prefixFollowsSpan()
{
    QFETCH(int, plot);
    QFETCH(double, v);
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(QString, custom);
    QFETCH(QString, text);
    if (plot < 0)
        QCOMPARE(trackerTimeText(v, lower, upper), text);
    else
        QCOMPARE(trackerValueText(v, lower, upper, trackerUnitForPlot(plot), trackerUsesPrefixForPlot(plot),
                                  custom),
                 text);
}

// The picker the window puts on each canvas joins both parts; a decimal point
// stays a point under a German locale.
class ProbePicker : public myQwtPlotPicker
{
public:
    using myQwtPlotPicker::myQwtPlotPicker;
    QString textAt(const QPointF &p) const { return trackerTextF(p).text(); }
};

void TestTracker::pickerOnPlotUnderGermanLocale()
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QwtPlot plot;
    ProbePicker picker(QwtPlot::xBottom, QwtPlot::yLeft, QwtPicker::NoRubberBand, QwtPicker::AlwaysOn,
                       plot.canvas());
    picker.setPlotKind(1);
    picker.xLower = 0;
    picker.xUpper = 0.05;
    picker.yLower = 0;
    picker.yUpper = 2000;
    QCOMPARE(picker.textAt(QPointF(0.0123, 1500)), QStringLiteral("12.300 ms, 1.500000 kOhm"));
    picker.setPlotKind(2);
    picker.xUpper = 1;
    QCOMPARE(picker.textAt(QPointF(1.5, 1500)), QStringLiteral("1.500 s, 1500.000 ") + deg);
    picker.customUnit = "bar";
    QCOMPARE(picker.textAt(QPointF(0.0123, 2)), QStringLiteral("0.012 s, 2.000 bar"));
    QLocale::setDefault(before);
}

// The same tracker drawn as Qwt draws it, without the backing.
class UnbackedPicker : public myQwtPlotPicker
{
public:
    using myQwtPlotPicker::myQwtPlotPicker;
    QRect trackerRect(const QFont &font) const override { return QwtPlotPicker::trackerRect(font); }
    void drawTracker(QPainter *painter) const override { QwtPlotPicker::drawTracker(painter); }
};

// The canvas of a plot with dense white, yellow and cyan traces (or none),
// with the tracker of the given kind at the canvas's centre; and the
// tracker's rectangle in it.
static QImage trackerPicture(bool traces, bool backed, QRect *rect)
{
    QwtPlot plot;
    plot.setCanvasBackground(QColor(0, 0, 128));
    plot.setAxisScale(QwtPlot::xBottom, 0, 1);
    plot.setAxisScale(QwtPlot::yLeft, -1, 1);
    std::vector<double> x(3000), y(3000);
    for (size_t i = 0; i < x.size(); ++i) {
        x[i] = double(i) / x.size();
        y[i] = (i % 2 ? 1.0 : -1.0) * (0.5 + 0.5 * double(i % 7) / 6.0);
    }
    if (traces)
        for (const QColor &colour : {QColor(Qt::white), QColor(Qt::yellow), QColor(Qt::cyan)}) {
            auto *curve = new QwtPlotCurve;
            curve->setPen(QPen(colour, 0));
            curve->setRawSamples(x.data(), y.data(), int(x.size()));
            curve->attach(&plot);
        }
    myQwtPlotPicker *picker = backed ? new myQwtPlotPicker(QwtPlot::xBottom, QwtPlot::yLeft, QwtPicker::NoRubberBand,
                                                           QwtPicker::AlwaysOn, plot.canvas())
                                     : new UnbackedPicker(QwtPlot::xBottom, QwtPlot::yLeft, QwtPicker::NoRubberBand,
                                                          QwtPicker::AlwaysOn, plot.canvas());
    picker->setTrackerPen(QPen(Qt::white));
    plot.resize(640, 300);
    plot.show();
    if (!QTest::qWaitForWindowExposed(&plot))
        return QImage();
    plot.replot();
    QWidget *canvas = plot.canvas();
    QMouseEvent move(QEvent::MouseMove, QPointF(canvas->rect().center()), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(canvas, &move);
    QApplication::processEvents();
    *rect = picker->trackerRect(picker->trackerFont());
    return canvas->grab().toImage();
}

void TestTracker::backingOverDenseTraces()
{
    QRect backing, plainRect, emptyRect;
    const QImage backed = trackerPicture(true, true, &backing);
    const QImage plain = trackerPicture(true, false, &plainRect);
    const QImage empty = trackerPicture(false, true, &emptyRect);
    QVERIFY(!backing.isEmpty() && backing == emptyRect && backing.contains(plainRect));
    if (qEnvironmentVariableIsSet("OV_SAVE_PICTURES")) {
        backed.save("/tmp/i12-tracker-backed.png");
        plain.save("/tmp/i12-tracker-plain.png");
    }
    // The text's pixels: white on the backing over an empty canvas (with a
    // pixel's margin for the anti-aliased edges).
    const auto text = [&](int x, int y) {
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                if (qGray(empty.pixel(x + dx, y + dy)) > 150)
                    return true;
        return false;
    };
    int textPixels = 0, darkAround = 0, brightAroundPlain = 0, around = 0;
    for (int y = backing.top() + 1; y < backing.bottom(); ++y)
        for (int x = backing.left() + 1; x < backing.right(); ++x) {
            if (qGray(empty.pixel(x, y)) > 200) {
                ++textPixels;
                QVERIFY(qGray(backed.pixel(x, y)) > 200); // still white
            } else if (!text(x, y)) {
                ++around;
                darkAround += qGray(backed.pixel(x, y)) < 100;
                brightAroundPlain += qGray(plain.pixel(x, y)) > 150;
            }
        }
    // With the backing every trace pixel around the text is dark; without it
    // the traces are as bright as the text in many places.
    QVERIFY2(textPixels > 20 && around > 100, qPrintable(QString("%1 %2").arg(textPixels).arg(around)));
    QCOMPARE(darkAround, around);
    QVERIFY2(brightAroundPlain * 10 > around, qPrintable(QString("%1 of %2").arg(brightAroundPlain).arg(around)));
}

QTEST_MAIN(TestTracker)
#include "test_tracker.moc"
