// The axis dialogs: the dialog's own texts, range label and checks; a click
// on each axis of each plot opening the right dialog, with the limits written
// before the run and the result applied after OK; Cancel changing nothing;
// and the trackers' ranges (and so their prefixes) following autoscale,
// dialogs and zooms.
#include "appfixture.h"
#include "ov7931Demo_axisConfig.h"
#include "ov7931Demo_tracker.h"
#include "ov9174fp_digitCtrl.h"
#include "wave_helpers.h"

#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_zoomer.h>
#include <qwt_scale_div.h>
#include <qwt_scale_widget.h>

#include <cmath>
#include <functional>

using namespace wave;

namespace {
const int valueAxis = QwtPlot::yLeft, timeAxis = QwtPlot::xBottom;

// Presses a dialog button once the answering timer's handler has returned
// (a box the press opens is then answered too).
void press(QPushButton *button) { QMetaObject::invokeMethod(button, "click", Qt::QueuedConnection); }
} // namespace

class TestAxisDialogs : public QObject
{
    Q_OBJECT

    AppFixture *fx = nullptr;
    ov7931Demo_App *app = nullptr;
    ov7931Demo_Waveform *w = nullptr;
    // What to do with the next axis dialog that opens; a dialog left open
    // afterwards is cancelled.
    std::function<void(axisConfig *)> next;
    QList<axisConfig *> opened;
    int cancelledLater = 0; // dialogs still open after their action

    QwtInterval axis(int plot, int axisId) { return w->panel(plot).plot->axisScaleDiv(axisId).interval(); }
    void click(int plot, int axisId, QWidget *target = nullptr)
    {
        QWidget *widget = target ? target : w->panel(plot).plot->axisWidget(axisId);
        QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
    }
    void runSingle()
    {
        app->singleShotButton()->click();
        QTRY_VERIFY(!app->singleShotButton()->isChecked() && !w->acqTimer->isActive());
    }
    QString trackerValue(int plot, double y)
    {
        const myQwtPlotPicker *t = w->panel(plot).tracker;
        return trackerValueText(y, t->yLower, t->yUpper, t->unit, t->usePrefix, t->customUnit);
    }

private slots:
    void init()
    {
        fx = new AppFixture;
        app = panelWith(fx, {{0, Voltage}, {1, Resistance}, {2, PT100}});
        w = app->waveform;
        app->show();
        QVERIFY(QTest::qWaitForWindowExposed(app));
        opened.clear();
        cancelledLater = 0;
        fx->otherDialogs = [this](QWidget *widget) {
            auto *dialog = qobject_cast<axisConfig *>(widget);
            if (!dialog)
                return false;
            if (next) {
                opened << dialog;
                std::exchange(next, nullptr)(dialog);
            } else {
                ++cancelledLater;
                press(dialog->cancelButton);
            }
            return true;
        };
    }
    void cleanup() { delete fx; }

    void dialogTextsAndRangeLabel()
    {
        axisConfig d(app, 0, true);
        QCOMPARE(d.windowTitle(), QStringLiteral("Axis Configuration"));
        QVERIFY(d.isModal() && d.parentWidget() == nullptr && d.customUnit->isCheckable() && !d.customUnit->isChecked());
        QCOMPARE(d.maxButton->toolTip(), QStringLiteral("Sets the maximum range."));
        QCOMPARE(d.customUnit->whatsThis(), d.customUnit->toolTip());
        QVERIFY(d.customUnit->toolTip().startsWith("<html>Allows conversion from measured voltage to any arbitrary"));
        QCOMPARE(d.offset->toolTip(), QStringLiteral("The offset voltage value is subtracted from the measured values."
                                                     "<br><b>Result = (Measured-Offset)*Multiplier</b></hmtl>"));
        QCOMPARE(d.multiplier->toolTip(),
                 QStringLiteral("<html>{unit}/V<br><b>Result = (Measured-Offset)*Multiplier</b></hmtl>"));
        QVERIFY(d.offset->suffix() == " V" && d.offset->decimals() == 9 && d.offset->maximum() == 10.24);
        QVERIFY(d.multiplier->value() == 1.0 && d.multiplier->maximum() == 1e12 && d.multiplier->formatText() == "%g");
        QVERIFY(d.rangeLabel->isHidden() && d.rangeLabel->font().bold());
        // The label converts the limits: (limit - offset) * multiplier, unit appended as typed.
        d.show();
        d.customUnit->setChecked(true);
        QVERIFY(d.rangeLabel->isVisible());
        d.lowerLimit->setValue(1.0);
        d.upperLimit->setValue(3.0);
        d.offset->setValue(0.5);
        d.multiplier->setValue(2.0);
        d.unitName->setText(QStringLiteral("100%"));
        QCOMPARE(d.rangeLabel->text(), QStringLiteral("Range:  1.000000 .. 5.000000  100%"));
        d.customUnit->setChecked(false);
        QVERIFY(d.rangeLabel->isHidden());
        // The window's dialogs have no such section.
        QVERIFY(w->panel(0).valueAxisDialog->customUnit->isHidden());
    }

    void eachAxisClickAppliesItsResult_data()
    {
        QTest::addColumn<int>("plot");
        QTest::addColumn<int>("axisId");
        QTest::addColumn<double>("lo");
        QTest::addColumn<double>("hi");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<double>("min"); // the limit boxes' range (time: the block's first and last sample)
        QTest::addColumn<double>("max");
        const QString deg = QStringLiteral(" ") + QChar(0x00B0) + QStringLiteral("C ");
        QTest::newRow("voltage value") << 0 << valueAxis << -2.0 << 3.0 << " V " << -10.24 << 10.24;
        QTest::newRow("resistance value") << 1 << valueAxis << 900.0 << 1100.5 << QStringLiteral(" %1 ").arg(QChar(0x03A9))
                                          << 0.0 << 1e6;
        QTest::newRow("temperature value") << 2 << valueAxis << -50.0 << 250.0 << deg << -280.0 << 5000.0;
        for (int p = 0; p < 3; ++p)
            QTest::addRow("time of plot %d", p) << p << timeAxis << (1 + p) / 10.0 << 0.5 << " sec " << 0.0 << 0.999;
    }

    void eachAxisClickAppliesItsResult()
    {
        QFETCH(int, plot);
        QFETCH(int, axisId);
        QFETCH(double, lo);
        QFETCH(double, hi);
        QFETCH(QString, suffix);
        QFETCH(double, min);
        QFETCH(double, max);
        runSingle();
        const auto &panel = w->panel(plot);
        axisConfig *expected = axisId == valueAxis ? panel.valueAxisDialog : panel.timeAxisDialog;
        // A box range spoilt since the last run is written again.
        expected->lowerLimit->setRange(-1.0, 1.0);
        const QwtInterval before = axis(plot, axisId);
        QString written;
        next = [&](axisConfig *d) {
            const QDoubleSpinBox *box = d->lowerLimit;
            written = QStringLiteral("%1 %2 %3 %4 %5").arg(box->suffix()).arg(box->minimum()).arg(box->maximum())
                          .arg(box->value()).arg(d->upperLimit->value());
            d->customRange->setChecked(true);
            d->lowerLimit->setValue(lo);
            d->upperLimit->setValue(hi);
            press(d->okButton);
        };
        click(plot, axisId);
        QCOMPARE(opened, QList<axisConfig *>({expected}));
        // The boxes hold the axis's bounds (within their range).
        QCOMPARE(written, QStringLiteral("%1 %2 %3 %4 %5").arg(suffix).arg(min).arg(max)
                              .arg(qBound(min, before.minValue(), max)).arg(qBound(min, before.maxValue(), max)));
        QCOMPARE(axis(plot, axisId), QwtInterval(lo, hi));
        const myQwtPlotPicker *t = panel.tracker;
        QCOMPARE(axisId == valueAxis ? QwtInterval(t->yLower, t->yUpper) : QwtInterval(t->xLower, t->xUpper),
                 QwtInterval(lo, hi));
        // A custom value range turns autoscale off; a time range leaves it on.
        QCOMPARE(panel.autoscaleButton->isChecked(), axisId == timeAxis);
        const int decimals = axisId == valueAxis ? 3 : 6;
        QVERIFY(expected->lowerLimit->decimals() == decimals && expected->upperLimit->decimals() == decimals);
    }

    void maxSetsTheFullRange()
    {
        QStringList limits;
        next = [&](axisConfig *d) {
            d->customRange->setChecked(true); // the limits are disabled while it is unchecked
            d->maxButton->click();
            limits << QString::number(d->lowerLimit->value()) << QString::number(d->upperLimit->value());
            press(d->cancelButton);
        };
        click(2, valueAxis);
        QCOMPARE(limits, QStringList({"-280", "5000"}));
        // Before any acquisition the time dialog offers the axis's bounds (0 .. 1).
        next = [&](axisConfig *d) {
            d->maxButton->click();
            limits << QString::number(d->lowerLimit->value()) << QString::number(d->upperLimit->value());
            press(d->cancelButton);
        };
        QCOMPARE(w->scanCount, 0);
        click(0, timeAxis);
        QCOMPARE(limits.mid(2), QStringList({"0", "1"}));
    }

    void equalLimits()
    {
        runSingle();
        // Refused on a time axis: the warning, and the dialog stays open.
        const QwtInterval time = axis(0, timeAxis);
        next = [&](axisConfig *d) {
            d->lowerLimit->setValue(0.25);
            d->upperLimit->setValue(0.25);
            press(d->okButton);
        };
        click(0, timeAxis);
        QCOMPARE(cancelledLater, 1);
        QCOMPARE(fx->boxes().size(), 1);
        const SeenBox box = fx->boxes().first();
        QVERIFY(box.title == "Keltri 7931 SFP" && box.icon == QMessageBox::Warning);
        QCOMPARE(box.text, QStringLiteral("The lower limit must be below the upper limit."));
        QCOMPARE(axis(0, timeAxis), time);
        // Accepted on a value axis without "Custom Range": autoscale comes back on.
        QPushButton *autoscale = w->panel(0).autoscaleButton;
        autoscale->click();
        QVERIFY(!autoscale->isChecked());
        next = [&](axisConfig *d) {
            QVERIFY(d->customRange->isChecked());
            d->customRange->setChecked(false);
            d->lowerLimit->setValue(1.0);
            d->upperLimit->setValue(1.0);
            press(d->okButton);
        };
        click(0, valueAxis);
        QVERIFY(autoscale->isChecked() && autoscale->text() == "AutoScale ON");
        QVERIFY(w->panel(0).plot->axisAutoScale(valueAxis) && fx->boxes().size() == 1);
    }

    void cancelChangesNothing_data()
    {
        QTest::addColumn<int>("axisId");
        QTest::addColumn<bool>("autoscaleOn");
        QTest::newRow("value, autoscale on") << valueAxis << true;
        QTest::newRow("value, autoscale off") << valueAxis << false;
        QTest::newRow("time") << timeAxis << true;
    }

    void cancelChangesNothing()
    {
        QFETCH(int, axisId);
        QFETCH(bool, autoscaleOn);
        runSingle();
        QPushButton *autoscale = w->panel(1).autoscaleButton;
        if (!autoscaleOn)
            autoscale->click();
        const QwtInterval value = axis(1, valueAxis), time = axis(1, timeAxis);
        next = [&](axisConfig *d) {
            if (d->customRange->isCheckable())
                d->customRange->setChecked(autoscaleOn);
            d->lowerLimit->setValue(d->lowerLimit->minimum());
            press(d->cancelButton);
        };
        click(1, axisId);
        QCOMPARE(opened.size(), 1);
        QVERIFY(axis(1, valueAxis) == value && axis(1, timeAxis) == time);
        QVERIFY(autoscale->isChecked() == autoscaleOn && autoscale->text() == (autoscaleOn ? "Autoscale ON" : "AutoScale OFF"));
    }

    void noDialogForCanvasOrHiddenPlot()
    {
        next = [&](axisConfig *d) { press(d->cancelButton); };
        click(0, valueAxis, w->panel(0).plot->canvas());
        setChannel(app, 1, false);
        runSingle();
        QVERIFY(!w->plotVisible[1]);
        click(1, valueAxis);
        click(1, timeAxis);
        QTest::qWait(100);
        QVERIFY(opened.isEmpty() && next);
    }

    // A small signal: the prefix follows the autoscaled range, then the
    // range of a dialog, then a zoom.
    void trackerFollowsTheAxis()
    {
        runSingle();
        for (int s = 0; s < w->scanCount; ++s)
            w->plotData[s] = 0.002 * std::sin(s / 50.0);
        w->refreshPlots();
        QCOMPARE(trackerValue(0, 0.0015), QStringLiteral("1.500 mV"));
        next = [&](axisConfig *d) {
            d->customRange->setChecked(true);
            d->lowerLimit->setValue(-5.0);
            d->upperLimit->setValue(5.0);
            press(d->okButton);
        };
        click(0, valueAxis);
        QCOMPARE(trackerValue(0, 0.0015), QStringLiteral("0.002 V"));
        w->panel(0).zoomer->zoom(QRectF(0.0, -0.01, 0.5, 0.02));
        QCOMPARE(trackerValue(0, 0.0015), QStringLiteral("1.500 mV"));
        const myQwtPlotPicker *t = w->panel(0).tracker;
        QVERIFY(t->xLower == 0.0 && t->xUpper == 0.5);
    }
};

QTEST_MAIN(TestAxisDialogs)
#include "test_axisDialogs.moc"
