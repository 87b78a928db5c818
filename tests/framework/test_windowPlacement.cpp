// Where top-level windows go: centred in the available area, kept inside it
// when they grow, and the demo panel sized for its shown plots, down to a
// bench display of 1366 x 768.
#include "appfixture.h"
#include "ov7931Demo_App.h"
#include "ov7931Demo_Waveform.h"
#include "ov9174fp_windowPlacement.h"
#include "wave_helpers.h"

#include <qwt_plot.h>
#include <qwt_scale_widget.h>
#include <qwt_text.h>
#include <QtTest>

class TestWindowPlacement : public QObject
{
    Q_OBJECT

private slots:
    // Per case: the frame, the available area, where centredWithin puts it
    // and where keptWithin moves it from (900, 700); one already inside stays.
    void rules()
    {
        const std::tuple<QSize, QRect, QPoint, QPoint> cases[] = {
            {QSize(1000, 600), QRect(0, 0, 1366, 768), QPoint(183, 84), QPoint(366, 168)},
            {QSize(1000, 600), QRect(0, 30, 1366, 738), QPoint(183, 99), QPoint(366, 168)}, // panel on top
            {QSize(983, 863), QRect(0, 0, 1366, 768), QPoint(191, 0), QPoint(383, 0)}, // taller than the screen
            {QSize(1500, 500), QRect(1366, 20, 1280, 1004), QPoint(1366, 272), QPoint(1366, 524)}}; // too wide
        for (const auto &[frame, available, centred, kept] : cases) {
            QCOMPARE(centredWithin(frame, available), centred);
            QCOMPARE(keptWithin(QRect(QPoint(900, 700), frame), available), kept);
            QCOMPARE(keptWithin(QRect(centred, frame), available), centred);
        }
    }

    // The demo panel opens with one channel: sized for that plot and placed
    // by the rule above; plots shown later grow it and it is moved back
    // inside. With all three plots it still fits a 1366 x 768 display with a
    // task bar and a title bar (with a viewed recording's slider row and
    // overview: waveform.test_recordingView_1366x768); at that size the
    // value axes show their whole titles, the
    // longest ("Temperature (°C)") in a smaller font, and with room again
    // every title has its own 10 points.
    void demoPanelFitsItsScreen()
    {
        AppFixture f;
        ov7931Demo_App *app = wave::panelWith(&f, {{0, wave::Voltage}});
        ov7931Demo_Waveform *w = app->waveform;
        app->show();
        QVERIFY(QTest::qWaitForWindowExposed(app));
        const QRect available = availableArea(app);
        QVERIFY(w->plotVisible[0] && !w->plotVisible[1] && !w->plotVisible[2]);
        QCOMPARE(app->height(), app->minimumSizeHint().height());
        QCOMPARE(app->frameGeometry().topLeft(), centredWithin(app->frameGeometry().size(), available));
        const int onePlot = app->height();
        app->move(available.center());
        wave::enable(app, {{1, wave::Resistance}, {2, wave::PT100}});
        w->updateEnabledChannels();
        w->refreshPlots();
        QTRY_VERIFY(app->height() > onePlot);
        QTRY_COMPARE(app->frameGeometry().topLeft(), keptWithin(app->frameGeometry(), available));

        const QSize minimum = app->minimumSizeHint();
        QVERIFY2(minimum.height() + 40 + 30 <= 768 && minimum.width() <= 1366,
                 qPrintable(QStringLiteral("%1 x %2").arg(minimum.width()).arg(minimum.height())));
        app->resize(minimum);
        // The point size of each value-axis title, or -1 for a title longer than its axis.
        const auto titleSizes = [w] {
            QList<int> sizes;
            for (int p = 0; p < 3; ++p) {
                const QwtScaleWidget *axis = w->panel(p).plot->axisWidget(QwtPlot::yLeft);
                const QwtText title = w->panel(p).plot->axisTitle(QwtPlot::yLeft);
                const int length = axis->height() - axis->startBorderDist() - axis->endBorderDist();
                const bool fits = QFontMetrics(title.font()).horizontalAdvance(title.text()) <= length;
                sizes << (fits ? title.font().pointSize() : -1);
            }
            return sizes;
        };
        QTRY_VERIFY(!titleSizes().contains(-1));
        QVERIFY(titleSizes().at(2) < 10);
        app->resize(minimum.width(), minimum.height() + 300);
        QTRY_COMPARE(titleSizes(), QList<int>({10, 10, 10}));
    }
};

QTEST_MAIN(TestWindowPlacement)
#include "test_windowPlacement.moc"
