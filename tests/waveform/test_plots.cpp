// The waveform window's plots in demo mode (single shots without any driver
// call): the block layout with channels disabled in the middle, the plots'
// visibility rules with the no-channel warning; the axis dialogs (their
// texts, a click on each axis of each plot, Max, equal limits, Cancel) and
// the trackers' ranges following them; plot pictures (a saved PNG is what
// the screen shows, the clipboard, Ctrl+E and the file dialog, bad names).
// The tracker's texts: the engineering prefix following the visible span
// (changing exactly at each threshold, under a German locale), custom units
// and percent signs as typed; the mean-value statistics of each channel's
// segment with a kilo prefix per channel, and their box.
#include "modalanswer.h"
#include "ov7931Demo_axisConfig.h"
#include "ov7931Demo_plotExport.h"
#include "ov7931Demo_scaleLabels.h"
#include "ov7931Demo_statistics.h"
#include "ov7931Demo_tracker.h"
#include "ov9174fp_digitCtrl.h"
#include "ovsim_control.h"
#include "wave_helpers.h"

#include <QClipboard>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QSvgRenderer>

#include <qwt_plot_canvas.h>
#include <qwt_scale_widget.h>

#include <cmath>
#include <functional>

using namespace wave;

namespace {

const int valueAxis = QwtPlot::yLeft, timeAxis = QwtPlot::xBottom;
const QColor off(200, 200, 200); // the legend of a channel without data
const QString deg = QString(QChar(0x00B0)) + "C", ohm = QString(QChar(0x03A9));

// Presses a dialog button once the answering timer's handler has returned
// (a box the press opens is then answered too).
void press(QPushButton *button) { QMetaObject::invokeMethod(button, "click", Qt::QueuedConnection); }

// The statistics box text: heading, then "Channel n: &nbsp; <b>value unit" lines.
QString statistics(const QString &heading, const QStringList &lines)
{
    QString t = "<html>Measured " + heading + " Mean Value:<br><br>";
    for (const QString &l : lines)
        t += "Channel " + l.section(' ', 0, 0) + " &nbsp; <b>" + l.section(' ', 1) + "</b><br>";
    return t + "</html>";
}

} // namespace

class TestPlots : public QObject
{
    Q_OBJECT

    AppFixture *fx = nullptr;
    ov7931Demo_App *app = nullptr;
    ov7931Demo_Waveform *w = nullptr;
    // What to do with the next axis dialog that opens; one opened without
    // it is cancelled and counted.
    std::function<void(axisConfig *)> next;
    QList<axisConfig *> opened;
    int cancelledLater = 0;
    QTemporaryDir dir;

    void runSingle(const QString &length = QStringLiteral("1000"))
    {
        app->waveformLengthList()->setCurrentText(length);
        app->singleShotButton()->click();
        QTRY_VERIFY(!app->singleShotButton()->isChecked() && !w->acqTimer->isActive());
    }
    void click(int plot, int axisId)
    {
        QWidget *widget = w->panel(plot).plot->axisWidget(axisId);
        QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
    }
    // The next axis dialog gets a range, "Custom Range" as given, and OK.
    void nextRange(double lo, double hi, bool custom = true)
    {
        next = [=](axisConfig *d) {
            d->customRange->setChecked(custom);
            d->lowerLimit->setValue(lo);
            d->upperLimit->setValue(hi);
            press(d->okButton);
        };
    }
    QColor legend(int plot, int ch) { return w->panel(plot).legend[ch]->palette().color(QPalette::WindowText); }

private slots:
    void init()
    {
        fx = new AppFixture;
        app = panelWith(fx, {});
        w = app->waveform;
        app->show();
        QVERIFY(QTest::qWaitForWindowExposed(app));
        ovsim::clearJournal();
        opened.clear();
        cancelledLater = 0;
        fx->otherDialogs = [this](QWidget *widget) {
            auto *dialog = qobject_cast<axisConfig *>(widget);
            if (dialog && next)
                opened << dialog, std::exchange(next, nullptr)(dialog);
            else if (dialog)
                ++cancelledLater, press(dialog->cancelButton);
            return dialog != nullptr;
        };
    }
    void cleanup() { delete fx; }

    void blockLayoutAndVisibility()
    {
        enable(app, {{0, Voltage}, {1, Voltage}, {4, PT100}});
        runSingle(QStringLiteral("50"));
        QVERIFY(ovsim::journal().empty() && w->scanCount == 50 && yData(app, 0, 0) == w->plotData);
        QVERIFY(yData(app, 0, 1) == w->plotData + 50 && yData(app, 2, 4) == w->plotData + 100);
        QVERIFY(legend(0, 0) == w->panel(0).curves[0]->pen().color() && legend(0, 4) == off);
        for (int s = 0; s < 50; ++s) // demo degrees are not converted
            QVERIFY(std::fabs(w->plotData[s]) <= 1.0 && std::fabs(w->plotData[100 + s] - 100.0) < 1.06);
        QVERIFY(w->plotVisible[0] && !w->plotVisible[1] && w->plotVisible[2] && !w->panel(0).plot->isHidden());
        QVERIFY(w->panel(1).plot->isHidden() && !w->panel(2).plot->isHidden());
        QVERIFY(w->panel(1).expandButton->text() == "v" && w->panel(0).autoscaleButton->text() == "Autoscale ON");
        for (int p = 0; p < 3; ++p) // the axes' labels are the plots' own
            for (int axis : {valueAxis, timeAxis})
                QVERIFY(dynamic_cast<const ov7931Demo_ScaleDraw *>(w->panel(p).plot->axisScaleDraw(axis)));
        // The expand buttons close the rows at the state row's right edge.
        QCOMPARE(w->panel(0).expandButton->geometry().right(), w->stateSpacer->geometry().right());
        // Channel 1 off: channel 2 takes block 0 and channel 5 block 1.
        setChannel(app, 0, false);
        w->updateEnabledChannels();
        QCOMPARE(w->channelMask, 0x12u);
        w->refreshPlots();
        QVERIFY(points(app, 0, 0) == 0 && legend(0, 0) == off);
        QVERIFY(yData(app, 0, 1) == w->plotData && yData(app, 2, 4) == w->plotData + 50);
        // A channel of another kind still takes its block.
        setChannel(app, 1, true, PT100);
        w->refreshPlots();
        QVERIFY(points(app, 0, 1) == 0 && yData(app, 2, 1) == w->plotData && yData(app, 2, 4) == w->plotData + 50);
        // A hidden plot is replotted when a channel shows it: its value axis
        // spans the new block.
        QVERIFY(!w->plotVisible[1]);
        setChannel(app, 3, true, Resistance);
        w->updateEnabledChannels();
        w->refreshPlots();
        const QwtScaleDiv ohms = w->panel(1).plot->axisScaleDiv(valueAxis);
        QVERIFY(w->plotVisible[1] && points(app, 1, 3) == 50);
        for (int s = 0; s < 50; ++s)
            QVERIFY(ohms.contains(yData(app, 1, 3)[s]));
        // Nothing enabled: only the header rows and the state row remain,
        // and a single shot is refused with a warning.
        disableAll(app);
        w->updateEnabledChannels();
        w->refreshPlots();
        for (int p = 0; p < 3; ++p)
            QVERIFY(!w->plotVisible[p] && w->panel(p).plotBox->isHidden() && !w->panel(p).title->isHidden());
        app->singleShotButton()->click();
        QTRY_VERIFY(!fx->boxes().isEmpty() && !app->singleShotButton()->isChecked());
        QCOMPARE(boxLines(fx->boxes()), QStringList("Keltri 7931 SFP Warning message|2|"
                                                    "At least one channel must be enabled for Data Acquisition"));
        QVERIFY(!w->acqTimer->isActive() && app->singleShotButton()->isEnabled() && w->stateLabel->text() == "Idle");
    }

    // The dialog's texts, those of its custom-unit section too (which the
    // window's dialogs do not show).
    void axisDialogTexts()
    {
        const axisConfig *d = w->panel(0).valueAxisDialog;
        QVERIFY(d->isModal() && d->parentWidget() == nullptr && d->customUnit->isHidden());
        QCOMPARE((QStringList{d->windowTitle(), d->maxButton->toolTip(), d->offset->toolTip(), d->multiplier->toolTip(),
                              d->customUnit->toolTip().left(62)}),
                 (QStringList{"Axis Configuration", "Sets the maximum range.",
                              "The offset voltage value is subtracted from the measured values."
                              "<br><b>Result = (Measured-Offset)*Multiplier</b></hmtl>",
                              "<html>{unit}/V<br><b>Result = (Measured-Offset)*Multiplier</b></hmtl>",
                              "<html>Allows conversion from measured voltage to any arbitrary"}));
    }

    // The dialog opens with the axis's range (bounded by its boxes' range,
    // which is written again each time) and sets axis and tracker; a custom
    // value range turns autoscale off, a time range leaves it on.
    void eachAxisClickAppliesItsResult_data()
    {
        QTest::addColumn<int>("plot");
        QTest::addColumn<int>("axisId");
        QTest::addColumn<double>("lo");
        QTest::addColumn<double>("hi");
        QTest::addColumn<QString>("boxes"); // suffix, range (time: the block's first and last sample), decimals
        QTest::newRow("voltage value") << 0 << valueAxis << -2.0 << 3.0 << " V  -10.24 10.24 3";
        QTest::newRow("resistance value") << 1 << valueAxis << 900.0 << 1100.5 << " " + ohm + "  0 1e+06 3";
        QTest::newRow("temperature value") << 2 << valueAxis << -50.0 << 250.0 << " " + deg + "  -280 5000 3";
        for (int p = 0; p < 3; ++p)
            QTest::addRow("time of plot %d", p) << p << timeAxis << (1 + p) / 10.0 << 0.5 << " sec  0 0.999 6";
    }
    void eachAxisClickAppliesItsResult()
    {
        QFETCH(int, plot);
        QFETCH(int, axisId);
        QFETCH(double, lo);
        QFETCH(double, hi);
        enable(app, {{0, Voltage}, {1, Resistance}, {2, PT100}});
        runSingle();
        const auto &panel = w->panel(plot);
        axisConfig *expected = axisId == valueAxis ? panel.valueAxisDialog : panel.timeAxisDialog;
        expected->lowerLimit->setRange(-1.0, 1.0); // spoilt since the last run
        const QwtInterval before = axisRange(app, plot, axisId), other = axisRange(app, plot, 2 - axisId);
        QString written;
        next = [&](axisConfig *d) {
            const QDoubleSpinBox *box = d->lowerLimit;
            written = QStringLiteral("%1 %2 %3 %4").arg(box->suffix()).arg(box->minimum()).arg(box->maximum())
                          .arg(box->decimals());
            QVERIFY(box->value() == qBound(box->minimum(), before.minValue(), box->maximum()) &&
                    d->upperLimit->value() == qBound(box->minimum(), before.maxValue(), box->maximum()));
            nextRange(lo, hi);
            std::exchange(next, nullptr)(d);
        };
        click(plot, axisId);
        QCOMPARE(opened, QList<axisConfig *>({expected}));
        QTEST(written, "boxes");
        const myQwtPlotPicker *t = panel.tracker;
        QCOMPARE(axisId == valueAxis ? QwtInterval(t->yLower, t->yUpper) : QwtInterval(t->xLower, t->xUpper),
                 QwtInterval(lo, hi));
        QCOMPARE(axisRange(app, plot, axisId), QwtInterval(lo, hi));
        QVERIFY(panel.autoscaleButton->isChecked() == (axisId == timeAxis) && axisRange(app, plot, 2 - axisId) == other);
    }

    // Max sets the full range (before any block the time axis's 0 .. 1),
    // Cancel changes nothing; equal limits are refused on a time axis and accepted on a value axis
    // without "Custom Range", which turns autoscale back on.
    void maxAndEqualLimits()
    {
        enable(app, {{0, Voltage}, {1, Resistance}, {2, PT100}});
        w->updateEnabledChannels();
        w->refreshPlots();
        QStringList limits;
        const QwtInterval temperature = axisRange(app, 2, valueAxis);
        for (int plot : {2, 0}) {
            next = [&](axisConfig *d) {
                d->customRange->setChecked(true); // the limits are disabled while it is unchecked
                d->maxButton->click();
                limits << QString::number(d->lowerLimit->value()) << QString::number(d->upperLimit->value());
                press(d->cancelButton);
            };
            click(plot, plot ? valueAxis : timeAxis);
        }
        QVERIFY(w->scanCount == 0 && limits == QStringList({"-280", "5000", "0", "1"}));
        QVERIFY(axisRange(app, 2, valueAxis) == temperature && w->panel(2).autoscaleButton->isChecked());
        runSingle();
        const QwtInterval time = axisRange(app, 0, timeAxis);
        nextRange(0.25, 0.25);
        click(0, timeAxis);
        QCOMPARE(cancelledLater, 1); // the dialog stayed open
        QCOMPARE(boxLines(fx->boxes()), QStringList("Keltri 7931 SFP|2|The lower limit must be below the upper limit."));
        QCOMPARE(axisRange(app, 0, timeAxis), time);
        QPushButton *autoscale = w->panel(0).autoscaleButton;
        autoscale->click();
        nextRange(1.0, 1.0, false);
        click(0, valueAxis);
        QVERIFY(autoscale->isChecked() && autoscale->text() == "AutoScale ON");
        QVERIFY(w->panel(0).plot->axisAutoScale(valueAxis) && fx->boxes().size() == 1);
    }

    // Channels 1 and 2 on the voltage plot, 5 on the temperature plot. A
    // saved PNG holds, pixel for pixel, what grabs of the shown plots and
    // their legends show; the clipboard gets the same picture. Ctrl+E asks
    // for a file for all shown plots (without an extension the chosen
    // filter's is added). Bad names.
    void picturesKeysAndNames()
    {
        enable(app, {{0, Voltage}, {1, Voltage}, {4, PT100}});
        runSingle();
        auto *exporter = w->findChild<ov7931Demo_PlotExport *>();
        QVERIFY(exporter && exporter->shownPlots() == QList<int>({0, 2}));
        const QList<int> plots{0, 2};
        QString error;
        QVERIFY2(exporter->save(plots, dir.filePath("plots.png"), &error), qPrintable(error));
        const QImage saved = QImage(dir.filePath("plots.png")).convertToFormat(QImage::Format_RGB32);
        const auto shows = [&](const QPoint &at, QWidget *widget) {
            const QImage grab = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
            return saved.copy(QRect(at, grab.size())) == grab;
        };
        QCOMPARE(saved.size(), exporter->pictureSize(plots));
        for (int p : plots)
            QVERIFY(shows(exporter->plotOffset(plots, p), w->panel(p).plot) &&
                    shows(exporter->legendOffset(plots, p), w->panel(p).legendBox));
        exporter->copy(plots);
        QCOMPARE(QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), saved);

        QString offered;
        fx->otherDialogs = [&](QWidget *widget) {
            auto *dialog = qobject_cast<QFileDialog *>(widget);
            if (dialog) {
                offered = QFileInfo(dialog->selectedFiles().value(0)).fileName();
                dialog->selectNameFilter(dialog->nameFilters().value(1));
                chooseFile(dialog, dir.filePath("report"));
                static_cast<QDialog *>(dialog)->accept();
            }
            return dialog != nullptr;
        };
        app->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app));
        QTest::keyClick(app, Qt::Key_E, Qt::ControlModifier);
        QTRY_VERIFY(QFileInfo::exists(dir.filePath("report.svg")));
        QCOMPARE(offered, QStringLiteral("waveforms.png"));
        QCOMPARE(QSvgRenderer(dir.filePath("report.svg")).viewBox().size(), exporter->pictureSize({0, 2}));
        QVERIFY(fx->boxes().isEmpty());

        // Bad names and their reasons; a PDF is written.
        QString reason;
        QVERIFY(!exporter->save({0}, dir.filePath("plot"), &reason));
        QCOMPARE(reason, QStringLiteral("The file name must end in .png, .svg or .pdf."));
        QVERIFY(!exporter->save({0}, dir.filePath("missing/plot.svg"), &reason));
        QCOMPARE(reason, QStringLiteral("The file cannot be written."));
        QVERIFY(!exporter->save({}, dir.filePath("plot.png"), &reason) && reason == "No plot is shown.");
        QVERIFY(exporter->save({0, 2}, dir.filePath("plots.pdf"), &reason));
        QFile pdf(dir.filePath("plots.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-");
    }

    // The tracker's texts, under a German locale (decimal points stay
    // points): plot -1 is the time axis, 0..2 the value axis of that plot.
    void prefixFollowsSpan()
    {
        const struct {
            int plot;
            double v, lower, upper;
            QString custom, text;
        } rows[] = {
            {-1, 0.00005, 0.0, 0.0000999, "", "50.000 us"}, // t below 1e-4
            {-1, 0.00005, 0.0, 0.0001, "", "0.050 ms"}, // t at 1e-4
            {-1, 0.05, 0.0, 0.0999, "", "50.000 ms"}, // t below 0.1
            {-1, 0.05, 0.0, 0.1, "", "0.050 s"}, // t at 0.1
            {-1, 100.0123, 100.05, 100.0, "", "100012.300 ms"}, // t reversed, offset
            {0, 0.0000123, 0.0, 0.0000999, "", "12.300 uV"}, // V below 1e-4
            {0, 0.00005, 0.0, 0.0001, "", "0.050 mV"}, // V at 1e-4
            {0, -0.0123, -0.04, 0.0599, "", "-12.300 mV"}, // V below 0.1
            {0, 0.0123, -0.05, 0.05, "", "0.012 V"}, // V at 0.1
            {1, 250.0, 0.0, 999.9, "", "250.000 Ohm"}, // Ohm below 1000
            {1, 250.0, 0.0, 1000.0, "", "0.250000 kOhm"}, // Ohm at 1000
            {1, 1.5e5, 0.0, 999999.0, "", "150.000000 kOhm"}, // Ohm below 1e6
            {1, 250.0, 0.0, 1e6, "", "0.000250 MOhm"}, // Ohm at 1e6
            {2, 12.3456, 0.0, 0.01, "", "12.346 " + deg}, // degC never prefixed
            {1, 1500.0, 0.0, 2000.0, "bar", "1500.000 bar"}, // custom replaces prefix
            {0, 12.5, 0.0, 100.0, "%d%s", "12.500 %d%s"}, // percent unit as is
        };
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QStringList wrong;
        for (const auto &r : rows) {
            const QString text = r.plot < 0 ? trackerTimeText(r.v, r.lower, r.upper)
                                            : trackerValueText(r.v, r.lower, r.upper, trackerUnitForPlot(r.plot),
                                                               trackerUsesPrefixForPlot(r.plot), r.custom);
            if (text != r.text)
                wrong << text + " instead of " + r.text;
        }
        QLocale::setDefault(before);
        QCOMPARE(wrong, QStringList());
    }

    // Channels 1 V, 2 Ohm, 4 degC, 5 Ohm, 16 V enabled; segment k holds
    // 10 (k + 1) +- 1, so a channel reading another's segment shows. Means
    // of 1500, 200 and exactly 1000 Ohm on channels 3, 7 and 9: the kilo
    // prefix per channel, in the box.
    void meanValues()
    {
        std::vector<double> data(15); // 5 segments of 3 scans
        for (int i = 0; i < 15; ++i)
            data[size_t(i)] = 10.0 * (i / 3 + 1) + 0.125 + (i % 3 - 1);
        StatSnapshot snap{data.data(), 3, 0x1 | 0x2 | 0x8 | 0x10 | 0x8000, {}};
        const int kinds[16] = {0, 1, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 0}; // disabled ones do not count
        std::copy(kinds, kinds + 16, snap.plotKind);
        QCOMPARE(statisticsText(0, snap), statistics("Voltage", {"1: 10.125000 V", "16: 50.125000 V"}));
        QCOMPARE(statisticsText(1, snap), statistics("Resistance", {"2: 20.1250 " + ohm, "5: 40.1250 " + ohm}));
        QCOMPARE(statisticsText(2, snap), statistics("Temperature", {"4: 30.125 " + deg}));
        snap.scanCount = 0; // no block yet
        QCOMPARE(statisticsText(1, snap), statistics("Resistance", {}));

        data = {1490, 1510, 190, 210, 999, 1001};
        snap = StatSnapshot{data.data(), 2, 0x4 | 0x40 | 0x100, {}};
        snap.plotKind[2] = snap.plotKind[6] = snap.plotKind[8] = 1;
        showStatistics(app, 1, snap);
        QCOMPARE(boxLines(fx->boxes()), QStringList("Mean Value Statistic Results|1|" +
                                                    statistics("Resistance", {"3: 1.5000 k" + ohm, "7: 200.0000 " + ohm,
                                                                              "9: 1000.0000 " + ohm})));
    }
};

QTEST_MAIN(TestPlots)
#include "test_plots.moc"
