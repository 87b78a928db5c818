// Viewing a recording in the panel: the panel locked to the header (lists,
// channel panels, slider row), slider value v showing block v-1 over its own
// time window (8- and 4-byte samples, a time offset, the last whole block of
// a sparse file beyond 4 GiB), the continuous button playing to the end,
// header codes outside the panel's items, a mask that names more channels
// than the block holds, and no settings file read or written. The overview
// under the slider: a spike in one block of a long recording shows in one
// column, and a drag onto it shows that block; closing the window while
// the overview reads a recording beyond 4 GiB leaves no thread behind.
#include "appfixture.h"
#include "ov7931Demo_App.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_Config.h"
#include "ov7931Demo_Waveform.h"
#include "ov7931Demo_overview.h"
#include "ov7931Demo_recordingView.h"
#include "ov9174fp_About.h"
#include "ov9174fp_clickableLabel.h"
#include "ov9174fp_windowPlacement.h"
#include "recording_files.h"
#include "wave_helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSlider>
#include <QtTest>

#include <qwt_plot.h>
#include <qwt_scale_div.h>

using namespace rec;

class TestRecordingView : public QObject
{
    Q_OBJECT

    AppFixture *fx = nullptr;
    ov7931Demo_App *app = nullptr;
    ov7931Demo_Waveform *w = nullptr;

    // Channels 1 (voltage, single ended), 2 (PT-1000, 3-wire, 500 uA) and 5
    // (resistance, 10 uA, range 1).
    const std::vector<Channel> three{{1, 4, 4, 2, 0}, {2, 2, 1, 3, 1}, {5, 3, 0, 1, 2}};

    // Writes a recording into the test's folder, reads its header as the
    // start does and builds the panel on it. Returns lockPanelToRecording's result.
    bool view(const QByteArray &bytes, const QString &name = QStringLiteral("r.bin7931"))
    {
        const QString path = fx->path(name);
        if (!writeFile(path, bytes))
            return false;
        return viewFile(path);
    }
    bool viewFile(const QString &path)
    {
        QString subType;
        if (openRecordingHeader(path.toStdString(), &subType) != RecordingStart::View)
            return false;
        app = fx->app = new ov7931Demo_App(&fx->descriptor, 1, true, subType);
        w = app->waveform;
        ov9174fp_app::centreWindow(app);
        app->show();
        return lockPanelToRecording(app, viewedRecording());
    }

    // The samples shown for enabled channel segment k.
    double shown(int k, int s) const { return w->plotData[k * w->scanCount + s]; }
    QwtInterval timeAxis(int plot) const { return w->panel(plot).plot->axisScaleDiv(QwtPlot::xBottom).interval(); }
    bool idle() const
    {
        return !w->acqTimer->isActive() && !app->continuousButton()->isChecked() &&
               !app->singleShotButton()->isChecked();
    }

private slots:
    void init()
    {
        fx = new AppFixture;
        fx->answerWith({QStringLiteral("OK")});
    }
    void cleanup()
    {
        delete fx;
        app = nullptr;
        w = nullptr;
    }

    void opensLocked()
    {
        QVERIFY(view(rec::header("7931-BB", true, "500.000000", 20, three) + samples(true, 60, 5.5)));
        QCOMPARE(app->slaveSubType, QStringLiteral("7931-BB"));
        QVERIFY(app->demoMode && app->viewingRecording);
        QCOMPARE(app->waveformLengthList()->currentData().toInt(), 20);
        QCOMPARE(app->samplingRateList()->currentData().toDouble(), 500.0);
        QVERIFY(!app->waveformLengthList()->isEnabled() && !app->samplingRateList()->isEnabled());
        for (int c = 0; c < 16; ++c) {
            ov7931Demo_ChCfg *p = app->chCfg[c];
            QVERIFY(!p->QWidget::isEnabled());
            const Channel want = channelOf(three, c + 1);
            QCOMPARE(p->enableBox->isChecked(), c == 0 || c == 1 || c == 4);
            QCOMPARE(p->sensorType(), want.sensor);
            QCOMPARE(p->mode(), want.mode + 1);
            QCOMPARE(p->excitationCode(), want.current);
            // An absent channel's range 0 is no item of a PT-100 on this card: the first item stays.
            const bool offered = p->rangeSelector->findData(want.range) >= 0;
            QCOMPARE(p->rangeIndex(), offered ? want.range : p->rangeSelector->itemData(0).toInt());
        }
        // The slider row instead of the state; the partial sixth block is not offered.
        QVERIFY(w->stateLabel->isHidden() && !w->blockSlider->isHidden() && !w->blockLabel->isHidden());
        QCOMPARE(w->blockSlider->minimum(), 1);
        QCOMPARE(w->blockSlider->maximum(), 5);
        QCOMPARE(w->blockSlider->value(), 1);
        QCOMPARE(w->blockLabel->text(), QStringLiteral("<html><b>1 / 5</b></html>"));
        // Block 1 is shown at once, and the run is over.
        QVERIFY(idle());
        QCOMPARE(w->channelMask, 0x13u);
        QCOMPARE(wave::yData(app, 0, 0), w->plotData);
        QCOMPARE(shown(0, 0), sampleValue(0));
        QCOMPARE(shown(2, 19), sampleValue(59));
        // Enable All does not add channels to a recording.
        app->enableAllButton()->click();
        QVERIFY(!app->chCfg[2]->enableBox->isChecked());
    }

    void sliderShowsBlock_data()
    {
        QTest::addColumn<bool>("real64");
        QTest::addColumn<QByteArray>("offset"); // TIME_OFFSET
        QTest::addColumn<int>("v");             // slider value
        QTest::newRow("doubles, block 3") << true << QByteArray("0.000000") << 3;
        QTest::newRow("doubles, last block, offset") << true << QByteArray("2.500000") << 4;
        QTest::newRow("floats widened, block 2") << false << QByteArray("-1.000000") << 2;
        QTest::newRow("floats, back to block 1") << false << QByteArray("0.000000") << 1;
    }

    void sliderShowsBlock()
    {
        QFETCH(bool, real64);
        QFETCH(QByteArray, offset);
        QFETCH(int, v);
        QVERIFY(view(rec::header("7931-AE", real64, "200.000000", 50, three, offset) + samples(real64, 150, 4)));
        QCOMPARE(app->slaveSubType, QStringLiteral("7931-AE"));
        if (v == 1)
            w->blockSlider->setValue(4);
        w->blockSlider->setValue(v);
        QVERIFY(idle());
        QCOMPARE(w->blockLabel->text(), QStringLiteral("<html><b>%1 / 4</b></html>").arg(v));
        const quint64 first = static_cast<quint64>(v - 1) * 150;
        for (int k = 0; k < 3; ++k)
            for (int s = 0; s < 50; ++s)
                QCOMPARE(shown(k, s), sampleValue(first + k * 50 + s));
        const double t0 = (v - 1) * 50 / 200.0 + offset.toDouble();
        for (int p = 0; p < 3; ++p) {
            QCOMPARE(timeAxis(p).minValue(), t0);
            QCOMPARE(timeAxis(p).maxValue(), v * 50 / 200.0 + offset.toDouble());
            QCOMPARE(w->timeAxis[p][0], t0);
            QCOMPARE(w->timeAxis[p][49], t0 + 49 / 200.0);
        }
    }

    // The continuous button plays from the slider's block to the end, one
    // block a tick; at the end pressing it again starts at block 1.
    void playsToEnd()
    {
        QVERIFY(view(rec::header("7931-BB", true, "1000.000000", 10, three) + samples(true, 30, 6)));
        w->blockSlider->setValue(3);
        QSignalSpy moves(w->blockSlider, &QSlider::valueChanged);
        app->continuousButton()->click();
        QVERIFY(app->continuousButton()->isChecked() && w->acqTimer->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(idle(), 5000);
        QCOMPARE(w->blockSlider->value(), 6);
        const auto values = [&moves] {
            QList<int> v;
            for (const QList<QVariant> &m : moves)
                v << m.at(0).toInt();
            return v;
        };
        QCOMPARE(values(), (QList<int>{4, 5, 6}));
        QCOMPARE(shown(2, 9), sampleValue(6 * 30 - 1));
        QCOMPARE(timeAxis(1).minValue(), 0.05);

        moves.clear();
        app->continuousButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(idle(), 5000);
        QCOMPARE(values(), (QList<int>{1, 2, 3, 4, 5, 6}));
        QVERIFY(app->singleShotButton()->isEnabled() && app->continuousButton()->isEnabled());
    }

    // Codes the panel has no item for: sensor 7 is Voltage, mode 9 item data
    // 4; an unknown sub-type views as 7931-BB.
    void codesOutsideItems()
    {
        QVERIFY(view(rec::header("7931-XY", true, "1.000000", 10, {{3, 7, 9, 0, 0}}) + samples(true, 10, 1)));
        QCOMPARE(app->slaveSubType, QStringLiteral("7931-BB"));
        QCOMPARE(app->chCfg[2]->sensorType(), int(wave::Voltage));
        QCOMPARE(app->chCfg[2]->mode(), 4);
        QCOMPARE(w->blockSlider->maximum(), 1);
    }

    // NUMBER_OF_CHANNELS 1 with two channels in the mask: the second
    // channel's segment is not read from beyond the block.
    void maskBeyondBlock()
    {
        QByteArray h = rec::header("7931-BB", false, "10.000000", 10, {{1}, {2}});
        h.replace("NUMBER_OF_CHANNELS=2", "NUMBER_OF_CHANNELS=1");
        QVERIFY(view(h + samples(false, 10, 3)));
        QCOMPARE(w->blockSlider->maximum(), 3);
        w->blockSlider->setValue(2);
        for (int s = 0; s < 10; ++s) {
            QCOMPARE(shown(0, s), sampleValue(10 + s));
            QCOMPARE(shown(1, s), 0.0);
        }
    }

    void notOffered_data()
    {
        QTest::addColumn<int>("scans");
        QTest::addColumn<QByteArray>("rate");
        QTest::newRow("scans per block") << 123 << QByteArray("1000.000000");
        QTest::newRow("sampling rate") << 100 << QByteArray("1000.500000");
        QTest::newRow("rate above the list") << 100 << QByteArray("100000.000000");
    }

    void notOffered()
    {
        QFETCH(int, scans);
        QFETCH(QByteArray, rate);
        QVERIFY(!view(rec::header("7931-BB", true, rate, scans, {{1}}) + samples(true, scans, 1)));
        const QList<SeenBox> boxes = fx->boxes();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].title, QStringLiteral("Keltri 7931 SFP"));
        const QString path = QDir::toNativeSeparators(fx->path("r.bin7931"));
        QCOMPARE(boxes[0].text, QStringLiteral("Error in file '%1'.").arg(path));
        QCOMPARE(boxes[0].icon, QMessageBox::Critical);
        QCOMPARE(boxes[0].buttons, QStringList{"OK"});
    }

    // On a 1366 x 768 screen (a virtual display: the offscreen platform's
    // screen is 800 x 600): the window, grown for the recording's three plots
    // and the slider row, is centred at its final size, and every dialog of
    // the panel opens wholly on the screen.
    void windowsOnLaptopScreen()
    {
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        if (available.size() != QSize(1366, 768))
            QSKIP("needs a 1366 x 768 screen: run as recording.test_recordingView_1366x768");
        // Dialogs shown by exec() are noted and rejected; those the test shows stay.
        QList<QPair<QString, QRect>> opened;
        bool noteAndReject = false;
        fx->otherDialogs = [&](QWidget *dialog) {
            if (noteAndReject)
                opened << qMakePair(dialog->windowTitle(), dialog->frameGeometry());
            return !noteAndReject;
        };
        QVERIFY(view(rec::header("7931-BB", true, "500.000000", 20, three) + samples(true, 60, 2)));
        QVERIFY(QTest::qWaitForWindowExposed(app));
        QVERIFY(w->plotVisible[0] && w->plotVisible[1] && w->plotVisible[2]);
        QTRY_COMPARE(app->frameGeometry().topLeft(), centredWithin(app->frameGeometry().size(), available));
        QVERIFY(available.contains(app->frameGeometry()));
        qInfo("main window: %d, %d, %d x %d", app->x(), app->y(), app->width(), app->height());

        const auto describe = [](const QString &title, const QRect &r) {
            return qPrintable(QStringLiteral("%1 at %2, %3, %4 x %5").arg(title).arg(r.x()).arg(r.y())
                                  .arg(r.width()).arg(r.height()));
        };
        app->configurationButton()->click();
        QVERIFY(app->config->isVisible());
        QList<QDialog *> dialogs = app->findChildren<QDialog *>();
        QVERIFY(dialogs.size() >= 9); // configuration, continuous run, About, six axis dialogs
        for (QDialog *dialog : dialogs) {
            if (!dialog->isWindow())
                continue;
            dialog->show();
            QVERIFY2(QTest::qWaitForWindowExposed(dialog), qPrintable(dialog->windowTitle()));
            QTRY_VERIFY2(available.contains(dialog->frameGeometry()),
                         describe(dialog->windowTitle(), dialog->frameGeometry()));
            dialog->hide();
        }
        // The licence viewers open from the About box.
        noteAndReject = true;
        for (const char *link : {"qtLicenseLink", "qwtLicenseLink", "kissFFTLicenseLink"}) {
            if (auto *label = app->aboutBox()->findChild<clickableLabel *>(QLatin1String(link)))
                emit label->clicked();
        }
        QVERIFY(!opened.isEmpty());
        for (const auto &dialog : opened)
            QVERIFY2(available.contains(dialog.second), describe(dialog.first, dialog.second));
    }

    // A settings file in the working folder is neither read nor written.
    void noSettingsFile()
    {
        const QByteArray ini = "[General]\nNumberOfScans=10\nSamplingFrequency=1 Hz\n\n[Channel_3]\nEnabled=true\n";
        QVERIFY(writeFile(fx->path("ov7931_DEMO.ini"), ini));
        QVERIFY(view(rec::header("7931-BB", true, "2000.000000", 100, {{1, 4, 3, 0, 0}}) + samples(true, 100, 2)));
        QCOMPARE(app->waveformLengthList()->currentText(), QStringLiteral("100"));
        QVERIFY(!app->chCfg[2]->enableBox->isChecked());
        fx->destroy();
        QFile f(fx->path("ov7931_DEMO.ini"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), ini);
        QCOMPARE(QDir(fx->path(".")).entryList(QDir::Files).size(), 2);
    }

    // A long recording of a voltage, a resistance and a PT-100 channel,
    // with one temperature spike: the overview shows it in one column of
    // the temperature band, near its place in the recording, and dragging
    // from the start onto that column shows the spike's block.
    void overviewLeadsToSpike()
    {
        const int blocks = 6000, scans = 100, spike = 4321;
        QByteArray data;
        data.reserve(blocks * 3 * scans * 8);
        for (int b = 0; b < blocks; ++b)
            for (int k = 0; k < 3; ++k)
                for (int t = 0; t < scans; ++t) {
                    const double v = b == spike && k == 2 && t == 17 ? 85.0 : 20.0 + 0.01 * ((b + t) % 100);
                    data.append(reinterpret_cast<const char *>(&v), sizeof v);
                }
        QVERIFY(view(rec::header("7931-BB", true, "1000.000000", scans, {{1, 4, 4, 0, 0}, {2, 3, 0, 0, 0}, {3, 0, 0, 0, 0}}) +
                     data));
        auto *overview = w->findChild<ov7931Demo_overview *>();
        QVERIFY(overview);
        QTRY_VERIFY(overview->isVisible());
        QCOMPARE(overview->bands(), (std::vector<int>{0, 1, 2}));
        QTRY_COMPARE_WITH_TIMEOUT(overview->progress().state, RecordingOverviewTask::State::Done, 20000);

        // The temperature channel's colour reaches the top of its band in one column only.
        const QImage picture = overview->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRect band = overview->bandRect(2);
        const QRgb yellow = ov7931Demo_Waveform::channelColour(2).rgb();
        QList<int> top;
        for (int x = band.left(); x <= band.right(); ++x)
            if (picture.pixel(x, band.top()) == yellow)
                top << x;
        QCOMPARE(top.size(), 1);
        const int x = top.first();
        QVERIFY2(std::abs(x - (band.left() + double(spike) / blocks * band.width())) <= 1.5, qPrintable(QString::number(x)));

        QTest::mousePress(overview, Qt::LeftButton, Qt::NoModifier, QPoint(band.left(), band.center().y()));
        QCOMPARE(w->blockSlider->value(), 1);
        QMouseEvent drag(QEvent::MouseMove, QPointF(x, band.center().y()), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(overview, &drag);
        QTest::mouseRelease(overview, Qt::LeftButton, Qt::NoModifier, QPoint(x, band.center().y()));
        QCOMPARE(w->blockSlider->value(), spike + 1);
        QCOMPARE(shown(2, 17), 85.0);
        QCOMPARE(overview->xOfBlock(spike), x);
    }

    // A sparse recording of more than 4 GiB: its last block is shown.
    // Closing the window while the overview reads it stops the reading.
    void lastBlockBeyond4GiB()
    {
        const QString path = fx->path(QStringLiteral("big.bin7931"));
        const std::vector<Channel> eight{{1}, {2}, {3}, {4}, {5}, {6}, {7}, {8}};
        const QByteArray h = rec::header("7931-BB", true, "50000.000000", 10000, eight);
        const quint64 blockLength = 8ull * 10000 * 8;
        const quint64 blocks = (4ull << 30) / blockLength + 2;
        QVERIFY(writeSparseRecording(path, h, blocks, 80000));
        QVERIFY(viewFile(path));
        QCOMPARE(quint64(w->blockSlider->maximum()), blocks);
        w->blockSlider->setValue(w->blockSlider->maximum());
        QCOMPARE(shown(0, 0), sampleValue(0));
        QCOMPARE(shown(7, 9999), sampleValue(79999));
        QCOMPARE(timeAxis(0).minValue(), (blocks - 1) * 10000 / 50000.0);

        const auto threads = [] { return QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(); };
        auto *overview = w->findChild<ov7931Demo_overview *>();
        QVERIFY(overview);
        QTRY_VERIFY(overview->progress().blocksRead > 0);
        QCOMPARE(overview->progress().state, RecordingOverviewTask::State::Reading);
        const int reading = threads();
        fx->answerWith({QStringLiteral("Yes")}); // "Do you really want to exit?"
        QVERIFY(app->close());
        QElapsedTimer closing;
        closing.start();
        fx->destroy();
        qInfo("the window went %lld ms after closing, the overview's reading stopped", closing.elapsed());
        QCOMPARE(threads(), reading - 1);
        QVERIFY(QFile::remove(path));
    }
};

QTEST_MAIN(TestRecordingView)
#include "test_recordingView.moc"
