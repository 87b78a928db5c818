// Where top-level windows go: centred in the available area, every window
// and dialog kept inside it when it opens or grows, and the demo panel sized
// for its shown plots.
#include "appfixture.h"
#include "ov7931Demo_App.h"
#include "ov7931Demo_Waveform.h"
#include "ov7931Demo_overview.h"
#include "ov9174fp_windowPlacement.h"
#include "recordingHeader.h"
#include "wave_helpers.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QSlider>
#include <qwt_plot.h>
#include <qwt_scale_widget.h>
#include <qwt_text.h>
#include <QtTest>

#include <fstream>

namespace {

// The point size of each plot's value-axis title, or -1 for a title longer
// than its axis.
QList<int> valueTitleSizes(const ov7931Demo_Waveform *w)
{
    QList<int> sizes;
    for (int p = 0; p < 3; ++p) {
        const QwtPlot *plot = w->panel(p).plot;
        const QwtScaleWidget *axis = plot->axisWidget(QwtPlot::yLeft);
        const QwtText title = plot->axisTitle(QwtPlot::yLeft);
        const int length = axis->height() - axis->startBorderDist() - axis->endBorderDist();
        const bool fits = QFontMetrics(title.font()).horizontalAdvance(title.text()) <= length;
        sizes << (fits ? title.font().pointSize() : -1);
    }
    return sizes;
}

} // namespace

class TestWindowPlacement : public QObject
{
    Q_OBJECT

private slots:
    void rules_data()
    {
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QPoint>("centred");
        QTest::addColumn<QPoint>("keptFromCentre"); // keptWithin(frame at (900, 700))
        QTest::newRow("fits") << QSize(1000, 600) << QRect(0, 0, 1366, 768) << QPoint(183, 84) << QPoint(366, 168);
        QTest::newRow("panel on top") << QSize(1000, 600) << QRect(0, 30, 1366, 738) << QPoint(183, 99)
                                      << QPoint(366, 168);
        QTest::newRow("taller than the screen") << QSize(983, 863) << QRect(0, 0, 1366, 768) << QPoint(191, 0)
                                                << QPoint(383, 0);
        QTest::newRow("second screen, too wide") << QSize(1500, 500) << QRect(1366, 20, 1280, 1004)
                                                 << QPoint(1366, 272) << QPoint(1366, 524);
    }

    void rules()
    {
        QFETCH(QSize, frame);
        QFETCH(QRect, available);
        QFETCH(QPoint, centred);
        QCOMPARE(centredWithin(frame, available), centred);
        QTEST(keptWithin(QRect(QPoint(900, 700), frame), available), "keptFromCentre");
        // A window already inside stays where it is.
        QCOMPARE(keptWithin(QRect(centred, frame), available), centred);
    }

    // Every window and dialog, whoever places it first, ends up wholly on
    // the screen: when it opens (shrunk if larger than the screen) and when
    // it grows while up.
    void everyWindowKeptOnScreen()
    {
        keepWindowsOnScreen();
        const QRect available = availableArea(nullptr);
        QWidget window;
        window.resize(300, 200);
        window.move(available.right() - 100, available.bottom() - 50);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(available.contains(window.frameGeometry()));
        QCOMPARE(window.size(), QSize(300, 200));

        QDialog large(&window);
        large.setMinimumSize(100, 100);
        large.resize(available.size() + QSize(200, 100));
        large.show();
        QVERIFY(QTest::qWaitForWindowExposed(&large));
        QTRY_VERIFY(available.contains(large.frameGeometry()));
        QVERIFY(large.width() < available.width() + 200 && large.height() < available.height() + 100);

        QDialog growing(&window);
        growing.resize(200, 100);
        growing.show();
        QVERIFY(QTest::qWaitForWindowExposed(&growing));
        growing.move(available.right() - 250, available.top() + 10);
        growing.resize(400, 150);
        QTRY_VERIFY(available.contains(growing.frameGeometry()));
        QCOMPARE(growing.size(), QSize(400, 150));
    }

    // The demo panel opens with one channel: sized for that plot, not for
    // three, and placed by the rule above (the test screen is smaller than
    // a bench display, so the window may be larger than it); a plot shown
    // later grows it (two more: the control column may be taller than two
    // plots) and it is moved back inside.
    void demoPanelFitsItsScreen()
    {
        AppFixture f;
        ov7931Demo_App *app = f.create(AppFixture::Mode::Demo);
        wave::disableAll(app);
        wave::setChannel(app, 0, true, wave::Voltage);
        app->show();
        QVERIFY(QTest::qWaitForWindowExposed(app));
        const QRect available = availableArea(app);
        QVERIFY(app->waveform->plotVisible[0] && !app->waveform->plotVisible[1] && !app->waveform->plotVisible[2]);
        QCOMPARE(app->height(), app->minimumSizeHint().height());
        QCOMPARE(app->frameGeometry().topLeft(), centredWithin(app->frameGeometry().size(), available));
        const int onePlot = app->height();
        app->move(available.topLeft() + QPoint(available.width() / 2, available.height() / 2));
        wave::setChannel(app, 1, true, wave::Resistance);
        wave::setChannel(app, 2, true, wave::PT100);
        app->waveform->updateEnabledChannels();
        app->waveform->refreshPlots();
        QTRY_VERIFY(app->height() > onePlot);
        QTRY_COMPARE(app->frameGeometry().topLeft(), keptWithin(app->frameGeometry(), available));
        f.destroy();
    }

    // A bench display of 1366 x 768 with a task bar and a title bar: the
    // panel with all three plots shown, the slider row of a viewed
    // recording and its overview of three bands still fits, so nothing at
    // the bottom is cut off.
    void threePlotsAndSliderFitLaptopScreen()
    {
        AppFixture f;
        ov7931Demo_App *app = f.create(AppFixture::Mode::Demo);
        wave::disableAll(app);
        wave::setChannel(app, 0, true, wave::Voltage);
        wave::setChannel(app, 1, true, wave::Resistance);
        wave::setChannel(app, 2, true, wave::PT100);
        app->waveform->updateEnabledChannels();
        app->waveform->refreshPlots();
        ov7931Demo_Waveform *w = app->waveform;
        w->stateLabel->hide();
        w->blockSlider->setRange(1, 1000);
        w->blockSlider->show();
        w->blockLabel->setText(QStringLiteral("<html><b>1000 / 1000</b></html>"));
        w->blockLabel->show();
        RecordingSetup setup;
        setup.device = "7931-BB";
        setup.samplingRate = 1000.0;
        setup.scansPerBlock = 100;
        setup.channelMask = 0x7;
        const std::string file = f.path(QStringLiteral("r.bin7931")).toStdString();
        std::ofstream(file, std::ios::binary) << binaryHeaderText(setup) << std::string(3 * 100 * 8 * 1000, '\0');
        recordingInfo info;
        QCOMPARE(readRecordingHeader(file, info), 0);
        showRecordingOverview(app, info);
        auto *overview = w->findChild<ov7931Demo_overview *>();
        QVERIFY(overview);
        QCOMPARE(overview->bands(), (std::vector<int>{0, 1, 2}));
        app->show();
        QVERIFY(QTest::qWaitForWindowExposed(app));
        QVERIFY(w->plotVisible[0] && w->plotVisible[1] && w->plotVisible[2]);
        const QSize minimum = app->minimumSizeHint();
        qInfo("minimum size with three plots, the slider row and the overview: %d x %d", minimum.width(),
              minimum.height());
        const int taskBar = 40, titleBar = 30;
        QVERIFY2(minimum.height() + taskBar + titleBar <= 768, qPrintable(QString::number(minimum.height())));
        QVERIFY2(minimum.width() <= 1366, qPrintable(QString::number(minimum.width())));
        // Shown at (least) that size, the slider row lies inside the window.
        QTRY_VERIFY(w->blockSlider->isVisible());
        const QRect slider(w->blockSlider->mapTo(app, QPoint(0, 0)), w->blockSlider->size());
        QVERIFY(app->rect().contains(slider));
        const QRect below(overview->mapTo(app, QPoint(0, 0)), overview->size());
        QVERIFY(app->rect().contains(below) && below.top() > slider.bottom());
        // At that size the value axes show their whole titles, the longest
        // ("Temperature (°C)") in a smaller font; with room again, every
        // title has its own 10 points.
        app->resize(minimum);
        QTRY_VERIFY2(!valueTitleSizes(w).contains(-1), qPrintable(QString::number(w->panel(2).plot->height())));
        QCOMPARE(overview->bandRect(2).bottom(), overview->height() - 1); // its three bands all shown
        QVERIFY(valueTitleSizes(w).at(2) < 10);
        app->resize(minimum.width(), minimum.height() + 300);
        QTRY_COMPARE(valueTitleSizes(w), QList<int>({10, 10, 10}));
        f.destroy();
    }
};

QTEST_MAIN(TestWindowPlacement)
#include "test_windowPlacement.moc"
