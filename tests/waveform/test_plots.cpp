// The waveform window's plots in demo mode (single shots without any driver
// call): the block layout with channels disabled in the middle, the plots'
// visibility rules with the no-channel warning, autoscale off with the
// channels' nominal ranges; the axis dialogs (their texts, a click on each
// axis of each plot, Max, equal limits, Cancel) and the
// trackers' ranges following them; plot pictures (a saved PNG is what the
// screen shows, the clipboard, the keys and the file dialog, the context
// menu, bad names). The plots' texts: the tracker's engineering prefix
// following the visible span (changing exactly at each threshold, under a
// German locale), custom units and percent signs as typed, the picker's
// text and its dark backing; the mean-value statistics of each channel's
// segment with a kilo prefix per channel, and their box.
#include "modalanswer.h"
#include "ov7931Demo_axisConfig.h"
#include "ov7931Demo_plotExport.h"
#include "ov7931Demo_statistics.h"
#include "ov7931Demo_tracker.h"
#include "ov9174fp_digitCtrl.h"
#include "ovsim_control.h"
#include "wave_helpers.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QSvgRenderer>

#include <qwt_plot_canvas.h>
#include <qwt_plot_zoomer.h>
#include <qwt_scale_widget.h>

#include <cmath>
#include <functional>

using namespace wave;

namespace {

const int valueAxis = QwtPlot::yLeft, timeAxis = QwtPlot::xBottom;
const QColor off(200, 200, 200); // the legend of a channel without data

// Presses a dialog button once the answering timer's handler has returned
// (a box the press opens is then answered too).
void press(QPushButton *button) { QMetaObject::invokeMethod(button, "click", Qt::QueuedConnection); }

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
    void click(int plot, int axisId, QWidget *target = nullptr)
    {
        QWidget *widget = target ? target : w->panel(plot).plot->axisWidget(axisId);
        QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
    }
    // The next axis dialog gets a custom range and OK.
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
    QString trackerValue(int plot, double y)
    {
        const myQwtPlotPicker *t = w->panel(plot).tracker;
        return trackerValueText(y, t->yLower, t->yUpper, t->unit, t->usePrefix, t->customUnit);
    }
    // Channels 1 and 2 on the voltage plot, 5 on the temperature plot, with
    // a demo block; the exporter of the window.
    ov7931Demo_PlotExport *exportedBlock()
    {
        enable(app, {{0, Voltage}, {1, Voltage}, {4, PT100}});
        runSingle();
        auto *exporter = w->findChild<ov7931Demo_PlotExport *>();
        return exporter && exporter->shownPlots() == QList<int>{0, 2} ? exporter : nullptr;
    }

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
        // The expand buttons close the rows at the state row's right edge.
        QCOMPARE(w->panel(0).expandButton->geometry().right(), w->stateSpacer->geometry().right());
        // No axis dialog for a click on a canvas or on a hidden plot's axes.
        next = [&](axisConfig *d) { press(d->cancelButton); };
        click(0, valueAxis, w->panel(0).plot->canvas());
        click(1, valueAxis);
        click(1, timeAxis);
        QTest::qWait(100);
        QVERIFY(opened.isEmpty() && next);
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
        // Expanding the empty resistance plot shows it until the next refresh.
        const auto &r = w->panel(1);
        QTest::mouseClick(r.expandButton, Qt::LeftButton);
        QVERIFY(w->plotVisible[1] && r.expandButton->text() == "^" && !r.plot->isHidden() && !r.plotBox->isHidden());
        QVERIFY(!r.legendBox->isHidden() && !r.autoscaleButton->isHidden() && !r.statisticsButton->isHidden());
        w->refreshPlots();
        QVERIFY(!w->plotVisible[1] && r.plot->isHidden());
        // Nothing enabled: only the header rows and the state row remain,
        // and a single shot is refused with a warning.
        disableAll(app);
        w->updateEnabledChannels();
        w->refreshPlots();
        for (int p = 0; p < 3; ++p)
            QVERIFY(!w->plotVisible[p] && w->panel(p).plotBox->isHidden() && !w->panel(p).title->isHidden());
        app->singleShotButton()->click();
        QTRY_VERIFY(!fx->boxes().isEmpty() && !app->singleShotButton()->isChecked());
        const SeenBox box = fx->boxes().first();
        QCOMPARE(box.text, QStringLiteral("At least one channel must be enabled for Data Acquisition"));
        QVERIFY(box.icon == QMessageBox::Warning && box.title == "Keltri 7931 SFP Warning message");
        QVERIFY(fx->boxes().size() == 1 && !w->acqTimer->isActive() && app->singleShotButton()->isEnabled());
        QCOMPARE(w->stateLabel->text(), QStringLiteral("Idle"));
    }

    void autoscaleOffUsesNominalRanges()
    {
        // 7931-BB: voltage slot 2 is +-2.75 V, slot 0 +-11 V; PT-100 slot 7
        // spans -200 .. 150, PT-1000 slot 3 -200 .. 500 degrees.
        const int sensors[4] = {Voltage, Voltage, PT100, PT1000}, rangeSlots[4] = {2, 0, 7, 3};
        for (int c = 0; c < 4; ++c) {
            setChannel(app, c, true, sensors[c]);
            app->chCfg[c]->rangeSelector->setCurrentIndex(app->chCfg[c]->rangeSelector->findData(rangeSlots[c]));
        }
        runSingle(QStringLiteral("20"));
        const QwtInterval resistance = axisRange(app, 1, valueAxis);
        QPushButton *as0 = w->panel(0).autoscaleButton;
        as0->click();
        QVERIFY(!as0->isChecked() && as0->text() == "AutoScale OFF");
        QCOMPARE(axisRange(app, 0, valueAxis), QwtInterval(-11.0, 11.0));
        QVERIFY(app->chCfg[0]->plotRange[0] == -2.75 && app->chCfg[0]->plotRange[1] == 2.75);
        // Without the wide channel the union narrows; a refresh keeps it.
        setChannel(app, 1, false);
        as0->click();
        QVERIFY(as0->isChecked() && as0->text() == "AutoScale ON" && w->panel(0).plot->axisAutoScale(valueAxis));
        as0->click();
        QCOMPARE(axisRange(app, 0, valueAxis), QwtInterval(-2.75, 2.75));
        runSingle(QStringLiteral("20"));
        QCOMPARE(axisRange(app, 0, valueAxis), QwtInterval(-2.75, 2.75));
        // Temperature: the PT table of each channel's sensor.
        w->panel(2).autoscaleButton->click();
        QVERIFY(axisRange(app, 2, valueAxis) == QwtInterval(-200.0, 500.0) && app->chCfg[2]->plotRange[1] == 150.0);
        // A plot without channels keeps its scale.
        w->asSlot2(false);
        QVERIFY(w->panel(1).autoscaleButton->text() == "AutoScale OFF" && axisRange(app, 1, valueAxis) == resistance);
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

    void eachAxisClickAppliesItsResult_data()
    {
        QTest::addColumn<int>("plot");
        QTest::addColumn<int>("axisId");
        QTest::addColumn<double>("lo");
        QTest::addColumn<double>("hi");
        QTest::addColumn<QString>("boxes"); // suffix, range (time: the block's first and last sample)
        QTest::newRow("voltage value") << 0 << valueAxis << -2.0 << 3.0 << " V  -10.24 10.24";
        QTest::newRow("resistance value") << 1 << valueAxis << 900.0 << 1100.5 << QString(" %1  0 1e+06").arg(QChar(0x03A9));
        QTest::newRow("temperature value") << 2 << valueAxis << -50.0 << 250.0
                                           << QString(" %1C  -280 5000").arg(QChar(0x00B0));
        for (int p = 0; p < 3; ++p)
            QTest::addRow("time of plot %d", p) << p << timeAxis << (1 + p) / 10.0 << 0.5 << " sec  0 0.999";
    }
    void eachAxisClickAppliesItsResult()
    {
        QFETCH(int, plot);
        QFETCH(int, axisId);
        QFETCH(double, lo);
        QFETCH(double, hi);
        QFETCH(QString, boxes);
        enable(app, {{0, Voltage}, {1, Resistance}, {2, PT100}});
        runSingle();
        const auto &panel = w->panel(plot);
        axisConfig *expected = axisId == valueAxis ? panel.valueAxisDialog : panel.timeAxisDialog;
        expected->lowerLimit->setRange(-1.0, 1.0); // a box range spoilt since the last run is written again
        const QwtInterval before = axisRange(app, plot, axisId);
        QString written;
        next = [&](axisConfig *d) {
            const QDoubleSpinBox *box = d->lowerLimit;
            written = QStringLiteral("%1 %2 %3").arg(box->suffix()).arg(box->minimum()).arg(box->maximum());
            QVERIFY(box->value() == qBound(box->minimum(), before.minValue(), box->maximum()) &&
                    d->upperLimit->value() == qBound(box->minimum(), before.maxValue(), box->maximum()));
            nextRange(lo, hi);
            std::exchange(next, nullptr)(d);
        };
        click(plot, axisId);
        QCOMPARE(opened, QList<axisConfig *>({expected}));
        QCOMPARE(written, boxes);
        QCOMPARE(axisRange(app, plot, axisId), QwtInterval(lo, hi));
        const myQwtPlotPicker *t = panel.tracker;
        QCOMPARE(axisId == valueAxis ? QwtInterval(t->yLower, t->yUpper) : QwtInterval(t->xLower, t->xUpper),
                 QwtInterval(lo, hi));
        // A custom value range turns autoscale off; a time range leaves it on.
        QCOMPARE(panel.autoscaleButton->isChecked(), axisId == timeAxis);
        QVERIFY(expected->lowerLimit->decimals() == (axisId == valueAxis ? 3 : 6));
        // Cancel changes nothing.
        const QwtInterval other = axisRange(app, plot, 2 - axisId);
        next = [&](axisConfig *d) {
            QCOMPARE(d->customRange->isChecked(), axisId == valueAxis);
            d->customRange->setChecked(false);
            d->lowerLimit->setValue(d->lowerLimit->minimum());
            press(d->cancelButton);
        };
        click(plot, axisId);
        QVERIFY(opened.size() == 2 && axisRange(app, plot, axisId) == QwtInterval(lo, hi));
        QVERIFY(panel.autoscaleButton->isChecked() == (axisId == timeAxis) && axisRange(app, plot, 2 - axisId) == other);
    }

    // Max sets the full range (before any block the time axis's 0 .. 1);
    // equal limits are refused on a time axis and accepted on a value axis
    // without "Custom Range", which turns autoscale back on.
    void maxAndEqualLimits()
    {
        enable(app, {{0, Voltage}, {1, Resistance}, {2, PT100}});
        w->updateEnabledChannels();
        w->refreshPlots();
        QStringList limits;
        const auto max = [&](axisConfig *d) {
            d->customRange->setChecked(true); // the limits are disabled while it is unchecked
            d->maxButton->click();
            limits << QString::number(d->lowerLimit->value()) << QString::number(d->upperLimit->value());
            press(d->cancelButton);
        };
        next = max;
        click(2, valueAxis);
        QCOMPARE(w->scanCount, 0);
        next = max;
        click(0, timeAxis);
        QCOMPARE(limits, QStringList({"-280", "5000", "0", "1"}));

        runSingle();
        const QwtInterval time = axisRange(app, 0, timeAxis);
        nextRange(0.25, 0.25);
        click(0, timeAxis);
        QCOMPARE(cancelledLater, 1); // the dialog stayed open
        QCOMPARE(fx->boxes().size(), 1);
        const SeenBox box = fx->boxes().first();
        QVERIFY(box.title == "Keltri 7931 SFP" && box.icon == QMessageBox::Warning);
        QCOMPARE(box.text, QStringLiteral("The lower limit must be below the upper limit."));
        QCOMPARE(axisRange(app, 0, timeAxis), time);
        QPushButton *autoscale = w->panel(0).autoscaleButton;
        autoscale->click();
        nextRange(1.0, 1.0, false);
        click(0, valueAxis);
        QVERIFY(autoscale->isChecked() && autoscale->text() == "AutoScale ON");
        QVERIFY(w->panel(0).plot->axisAutoScale(valueAxis) && fx->boxes().size() == 1);
    }

    // A small signal: the tracker's prefix follows the autoscaled range,
    // then the range of a dialog, then a zoom.
    void trackerFollowsTheAxis()
    {
        enable(app, {{0, Voltage}});
        runSingle();
        for (int s = 0; s < w->scanCount; ++s)
            w->plotData[s] = 0.002 * std::sin(s / 50.0);
        w->refreshPlots();
        QCOMPARE(trackerValue(0, 0.0015), QStringLiteral("1.500 mV"));
        nextRange(-5.0, 5.0);
        click(0, valueAxis);
        QCOMPARE(trackerValue(0, 0.0015), QStringLiteral("0.002 V"));
        w->panel(0).zoomer->zoom(QRectF(0.0, -0.01, 0.5, 0.02));
        QCOMPARE(trackerValue(0, 0.0015), QStringLiteral("1.500 mV"));
        const myQwtPlotPicker *t = w->panel(0).tracker;
        QVERIFY(t->xLower == 0.0 && t->xUpper == 0.5);
    }

    // A saved PNG holds, pixel for pixel, what grabs of the shown plots and
    // their legends show; the clipboard gets the same picture.
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
        ov7931Demo_PlotExport *exporter = exportedBlock();
        QString error;
        QVERIFY2(exporter && exporter->save(plots, dir.filePath("plots.png"), &error), qPrintable(error));
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
    }

    // Ctrl+E asks for a file for all shown plots (without an extension the
    // chosen filter's is added), Ctrl+Shift+C copies them. The right button
    // opens the menu on a canvas that is not zoomed; on a zoomed canvas it
    // still zooms out, and the axes keep their own clicks. Bad names.
    void keysMenuAndNames()
    {
        ov7931Demo_PlotExport *exporter = exportedBlock();
        QVERIFY(exporter);
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
        QApplication::clipboard()->clear();
        app->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app));
        QTest::keyClick(app, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(QApplication::clipboard()->image().size() == exporter->pictureSize({0, 2}) && fx->boxes().isEmpty());

        QwtPlot *plot = w->panel(0).plot;
        const auto menuAfter = [&](QWidget *target) {
            QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(10, 10), target->mapToGlobal(QPoint(10, 10)));
            QCoreApplication::sendEvent(target, &e);
            QStringList texts;
            for (QWidget *top : QApplication::topLevelWidgets())
                if (auto *m = qobject_cast<QMenu *>(top); m && m->isVisible()) {
                    for (QAction *a : m->actions())
                        texts << a->text() + (a->shortcut().isEmpty() ? "" : " " + a->shortcut().toString());
                    m->close();
                }
            return texts.join('/');
        };
        QCOMPARE(menuAfter(plot->canvas()),
                 QStringLiteral("Save Plot As.../Copy Plot//Save All Plots As... Ctrl+E/Copy All Plots Ctrl+Shift+C"));
        QCOMPARE(menuAfter(plot->axisWidget(valueAxis)) + menuAfter(plot->axisWidget(timeAxis)), QString());
        w->panel(0).zoomer->zoom(QRectF(0.1, -1, 0.2, 2));
        QCOMPARE(menuAfter(plot->canvas()), QString());
        w->panel(0).zoomer->zoom(0);
        QVERIFY(!menuAfter(plot->canvas()).isEmpty());

        // Bad names and their reasons (a PNG's is Qt's own); a PDF is written.
        const QString mustEnd = "The file name must end in .png, .svg or .pdf.", cannot = "The file cannot be written.";
        const QStringList names{"plot.jpg", "plot", "missing/plot.png", "missing/plot.svg", "missing/plot.pdf", ""};
        const QStringList reasons{mustEnd, mustEnd, "", cannot, cannot, "No plot is shown."};
        for (int i = 0; i < names.size(); ++i) {
            QString reason;
            QVERIFY(!exporter->save(QList<int>{0}.mid(0, i < 5 ? 1 : 0), dir.filePath(names[i] + (i < 5 ? "" : "a.png")), &reason));
            QVERIFY2(!reason.isEmpty() && (reasons[i].isEmpty() || reason == reasons[i]), qPrintable(reason));
        }
        QString reason;
        QVERIFY(exporter->save({0, 2}, dir.filePath("plots.pdf"), &reason));
        QFile pdf(dir.filePath("plots.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-");
    }

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
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); // decimal points stay points
        QFETCH(int, plot);
        QFETCH(double, v);
        QFETCH(double, lower);
        QFETCH(double, upper);
        QFETCH(QString, custom);
        QTEST(plot < 0 ? trackerTimeText(v, lower, upper)
                       : trackerValueText(v, lower, upper, trackerUnitForPlot(plot), trackerUsesPrefixForPlot(plot),
                                          custom),
              "text");
        QLocale::setDefault(before);
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
        showStatistics(app, 1, snap);
        QCOMPARE(fx->boxes().size(), 1);
        QVERIFY(fx->boxes()[0].title == "Mean Value Statistic Results" && fx->boxes()[0].icon == QMessageBox::Information);
        QCOMPARE(fx->boxes()[0].text, statistics("Resistance", {"3: &nbsp; <b>1.5000 k" + ohm,
                                                                  "7: &nbsp; <b>200.0000 " + ohm,
                                                                  "9: &nbsp; <b>1000.0000 " + ohm}));
    }
};

QTEST_MAIN(TestPlots)
#include "test_plots.moc"
