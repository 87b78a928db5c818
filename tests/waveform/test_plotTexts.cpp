// The plots' texts: the tracker's engineering prefix following the visible
// span (changing exactly at each threshold), custom units and percent signs
// as typed, the tracker on a plot under a German locale, its dark backing
// over dense bright traces; the mean-value statistics of each channel's
// segment with a kilo prefix per channel, and their box.
#include "modalanswer.h"
#include "ov7931Demo_statistics.h"
#include "ov7931Demo_tracker.h"

#include <QLocale>
#include <QtTest>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>

#include <vector>

namespace {

const QString deg = QString(QChar(0x00B0)) + "C", ohm = QString(QChar(0x03A9));

// The picker the window puts on each canvas, its text at a point.
class ProbePicker : public myQwtPlotPicker
{
public:
    explicit ProbePicker(QWidget *canvas)
        : myQwtPlotPicker(QwtPlot::xBottom, QwtPlot::yLeft, NoRubberBand, AlwaysOn, canvas) {}
    QString textAt(const QPointF &p) const { return trackerTextF(p).text(); }
};

// The statistics box text: heading, then "Channel n: &nbsp; <b>value unit" lines.
QString statistics(const QString &heading, const QStringList &lines)
{
    QString t = "<html>Measured " + heading + " Mean Value:<br><br>";
    for (const QString &l : lines)
        t += "Channel " + l + "</b><br>";
    return t + "</html>";
}

} // namespace

class TestPlotTexts : public QObject
{
    Q_OBJECT

private slots:
    // Decimal points stay points under a German locale.
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    // plot -1: the time axis; 0..2: the value axis of that plot.
    void prefixFollowsSpan_data()
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
    void prefixFollowsSpan()
    {
        QFETCH(int, plot);
        QFETCH(double, v);
        QFETCH(double, lower);
        QFETCH(double, upper);
        QFETCH(QString, custom);
        QTEST(plot < 0 ? trackerTimeText(v, lower, upper)
                       : trackerValueText(v, lower, upper, trackerUnitForPlot(plot), trackerUsesPrefixForPlot(plot),
                                          custom),
              "text");
    }

    // The picker on a plot joins both parts. Its text sits on a dark
    // backing: drawn over white, the text stays white and the rest of its
    // rectangle is dark.
    void pickerOnPlot()
    {
        QwtPlot plot;
        ProbePicker picker(plot.canvas());
        picker.setPlotKind(1);
        picker.xLower = 0, picker.xUpper = 0.05, picker.yLower = 0, picker.yUpper = 2000;
        QCOMPARE(picker.textAt(QPointF(0.0123, 1500)), QStringLiteral("12.300 ms, 1.500000 kOhm"));
        picker.setPlotKind(2);
        picker.xUpper = 1;
        QCOMPARE(picker.textAt(QPointF(1.5, 1500)), QStringLiteral("1.500 s, 1500.000 ") + deg);
        picker.customUnit = "bar";
        QCOMPARE(picker.textAt(QPointF(0.0123, 2)), QStringLiteral("0.012 s, 2.000 bar"));

        picker.setTrackerPen(QPen(Qt::white));
        plot.resize(640, 300);
        plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plot));
        QMouseEvent move(QEvent::MouseMove, QPointF(plot.canvas()->rect().center()), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(plot.canvas(), &move);
        QImage picture(plot.canvas()->size(), QImage::Format_RGB32);
        picture.fill(Qt::white);
        QPainter painter(&picture);
        painter.setFont(picker.trackerFont());
        painter.setPen(picker.trackerPen()); // as the tracker's overlay draws it
        picker.drawTracker(&painter);
        painter.end();
        const QRect r = picker.trackerRect(picker.trackerFont());
        int dark = 0, white = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                dark += qGray(picture.pixel(x, y)) < 100, white += qGray(picture.pixel(x, y)) > 200;
        QVERIFY2(!r.isEmpty() && white > 20 && dark > r.width() * r.height() / 2, qPrintable(QString("%1 %2").arg(dark).arg(white)));
    }

    // Channels 1 V, 2 Ohm, 4 degC, 5 Ohm, 16 V enabled; segment k holds
    // 10 (k + 1) +- 1, so a channel reading another's segment shows. Means
    // of 1500, 200 and exactly 1000 Ohm on channels 3, 7 and 9: the kilo
    // prefix per channel, in the box.
    void meanValues()
    {
        std::vector<double> data;
        for (int k = 0; k < 5; ++k)
            for (int s = 0; s < 3; ++s)
                data.push_back(10.0 * (k + 1) + 0.125 + (s - 1));
        StatSnapshot snap;
        snap.data = data.data();
        snap.scanCount = 3;
        snap.channelMask = 0x1 | 0x2 | 0x8 | 0x10 | 0x8000;
        const int kinds[16] = {0, 1, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 0}; // disabled ones do not count
        std::copy(kinds, kinds + 16, snap.plotKind);
        QCOMPARE(statisticsText(0, snap), statistics("Voltage", {"1: &nbsp; <b>10.125000 V", "16: &nbsp; <b>50.125000 V"}));
        QCOMPARE(statisticsText(1, snap),
                 statistics("Resistance", {"2: &nbsp; <b>20.1250 " + ohm, "5: &nbsp; <b>40.1250 " + ohm}));
        QCOMPARE(statisticsText(2, snap), statistics("Temperature", {"4: &nbsp; <b>30.125 " + deg}));
        snap.scanCount = 0; // no block yet
        QCOMPARE(statisticsText(1, snap), statistics("Resistance", {}));

        data = {1490, 1510, 190, 210, 999, 1001};
        snap = StatSnapshot{data.data(), 2, 0x4 | 0x40 | 0x100, {}};
        snap.plotKind[2] = snap.plotKind[6] = snap.plotKind[8] = 1;
        QWidget parent;
        ModalAnswerer answer({QStringLiteral("OK")});
        showStatistics(&parent, 1, snap);
        QCOMPARE(answer.seen().size(), 1);
        QVERIFY(answer.seen()[0].title == "Mean Value Statistic Results" && answer.seen()[0].icon == QMessageBox::Information);
        QCOMPARE(answer.seen()[0].text, statistics("Resistance", {"3: &nbsp; <b>1.5000 k" + ohm,
                                                                  "7: &nbsp; <b>200.0000 " + ohm,
                                                                  "9: &nbsp; <b>1000.0000 " + ohm}));
    }
};

QTEST_MAIN(TestPlotTexts)
#include "test_plotTexts.moc"
