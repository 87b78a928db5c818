// Viewing a recording in the panel: the panel locked to the header (lists,
// channel panels, slider row) with no settings file read or written; slider
// value v showing block v-1 over its own time window (8- and 4-byte samples,
// a time offset, the last whole block of a sparse file beyond 4 GiB); the
// continuous button playing to the end; header codes outside the panel's
// items, a mask naming more channels than the block holds, values the
// panel does not offer. The overview under the slider: a spike in one block
// of a long recording shows in one column and a drag onto it shows that
// block.
// And on a 1366 x 768 screen every window of the viewer fits.
#include "ov7931Demo_Config.h"
#include "ov7931Demo_overview.h"
#include "ov7931Demo_recordingView.h"
#include "ov9174fp_windowPlacement.h"
#include "recording_files.h"
#include "wave_helpers.h"

#include <QDialog>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QSlider>

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

    // Writes a recording (unless it is there), reads its header as the
    // start does and builds the panel on it: lockPanelToRecording's result.
    bool view(const QByteArray &bytes, const QString &name = QStringLiteral("r.bin7931"))
    {
        QString subType;
        const QString path = fx->path(name);
        if ((!bytes.isEmpty() && !writeFile(path, bytes)) ||
            openRecordingHeader(path.toStdString(), &subType) != RecordingStart::View)
            return false;
        app = fx->app = new ov7931Demo_App(&fx->descriptor, 1, true, subType);
        w = app->waveform;
        ov9174fp_app::centreWindow(app);
        app->show();
        return lockPanelToRecording(app, viewedRecording());
    }
    // The samples shown for enabled channel segment k.
    double shown(int k, int s) const { return w->plotData[k * w->scanCount + s]; }
    bool idle() const
    {
        return !w->acqTimer->isActive() && !app->continuousButton()->isChecked() && !app->singleShotButton()->isChecked();
    }

private slots:
    void init()
    {
        fx = new AppFixture;
        fx->answerWith({QStringLiteral("OK")});
    }
    void cleanup() { delete fx; }

    // A settings file in the working folder is neither read nor written.
    void opensLocked()
    {
        const QByteArray ini = "[General]\nNumberOfScans=10\nSamplingFrequency=1 Hz\n\n[Channel_3]\nEnabled=true\n";
        QVERIFY(writeFile(fx->path("ov7931_DEMO.ini"), ini));
        QVERIFY(view(rec::header("7931-BB", true, "500.000000", 20, three) + samples(true, 60, 5.5)));
        QVERIFY(app->demoMode && app->viewingRecording && app->slaveSubType == "7931-BB");
        QVERIFY(app->waveformLengthList()->currentText() == "20" && app->samplingRateList()->currentData() == 500.0);
        QVERIFY(!app->waveformLengthList()->isEnabled() && !app->samplingRateList()->isEnabled());
        for (int c = 0; c < 16; ++c) {
            ov7931Demo_ChCfg *p = app->chCfg[c];
            const Channel want = channelOf(three, c + 1);
            QVERIFY(!p->QWidget::isEnabled() && p->enableBox->isChecked() == (c == 0 || c == 1 || c == 4));
            QVERIFY(p->sensorType() == want.sensor && p->mode() == want.mode + 1 && p->excitationCode() == want.current);
            // An absent channel's range 0 is no item of a PT-100 on this card: the first item stays.
            const bool offered = p->rangeSelector->findData(want.range) >= 0;
            QCOMPARE(p->rangeIndex(), offered ? want.range : p->rangeSelector->itemData(0).toInt());
        }
        // The slider row instead of the state; the partial sixth block is not offered.
        QVERIFY(w->stateLabel->isHidden() && !w->blockSlider->isHidden() && !w->blockLabel->isHidden());
        QVERIFY(w->blockSlider->minimum() == 1 && w->blockSlider->maximum() == 5 && w->blockSlider->value() == 1);
        QCOMPARE(w->blockLabel->text(), QStringLiteral("<html><b>1 / 5</b></html>"));
        // Block 1 is shown at once, and the run is over.
        QVERIFY(idle() && w->channelMask == 0x13u && wave::yData(app, 0, 0) == w->plotData);
        QVERIFY(shown(0, 0) == sampleValue(0) && shown(2, 19) == sampleValue(59));
        app->enableAllButton()->click(); // adds no channel to a recording
        QVERIFY(!app->chCfg[2]->enableBox->isChecked());
        fx->destroy();
        QFile f(fx->path("ov7931_DEMO.ini"));
        QVERIFY(f.open(QIODevice::ReadOnly) && f.readAll() == ini);
        QCOMPARE(QDir(fx->path(".")).entryList(QDir::Files).size(), 2);
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
        w->blockSlider->setValue(4);
        w->blockSlider->setValue(v);
        QVERIFY(idle());
        QCOMPARE(w->blockLabel->text(), QStringLiteral("<html><b>%1 / 4</b></html>").arg(v));
        for (int k = 0; k < 3; ++k)
            for (int s = 0; s < 50; ++s)
                QCOMPARE(shown(k, s), sampleValue((v - 1) * 150 + k * 50 + s));
        const double t0 = (v - 1) * 50 / 200.0 + offset.toDouble();
        for (int p = 0; p < 3; ++p) {
            QCOMPARE(wave::axisRange(app, p, QwtPlot::xBottom), QwtInterval(t0, t0 + 0.25));
            QVERIFY(w->timeAxis[p][0] == t0 && w->timeAxis[p][49] == t0 + 49 / 200.0);
        }
    }

    // The continuous button plays from the slider's block to the end, one
    // block a tick; at the end pressing it again starts at block 1.
    void playsToEnd()
    {
        QVERIFY(view(rec::header("7931-BB", true, "1000.000000", 10, three) + samples(true, 30, 6)));
        w->blockSlider->setValue(3);
        QSignalSpy moves(w->blockSlider, &QSlider::valueChanged);
        const auto values = [&moves] {
            QList<int> v;
            for (const QList<QVariant> &m : moves)
                v << m.at(0).toInt();
            moves.clear();
            return v;
        };
        app->continuousButton()->click();
        QVERIFY(app->continuousButton()->isChecked() && w->acqTimer->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(idle(), 5000);
        QCOMPARE(values(), (QList<int>{4, 5, 6}));
        QVERIFY(shown(2, 9) == sampleValue(6 * 30 - 1) && wave::axisRange(app, 1, QwtPlot::xBottom).minValue() == 0.05);
        app->continuousButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(idle(), 5000);
        QCOMPARE(values(), (QList<int>{1, 2, 3, 4, 5, 6}));
        QVERIFY(app->singleShotButton()->isEnabled() && app->continuousButton()->isEnabled());
    }

    // Codes the panel has no item for: sensor 7 is Voltage, mode 9 item
    // data 4, an unknown sub-type views as 7931-BB. (A mask naming more
    // channels than the block holds: layOutBounds in test_recordingReader.)
    void codesOutsideItems()
    {
        QVERIFY(view(rec::header("7931-XY", true, "1.000000", 10, {{3, 7, 9, 0, 0}}) + samples(true, 10, 1)));
        QVERIFY(app->slaveSubType == "7931-BB" && app->chCfg[2]->sensorType() == wave::Voltage);
        QVERIFY(app->chCfg[2]->mode() == 4 && w->blockSlider->maximum() == 1);
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
        QCOMPARE(fx->boxes().size(), 1);
        const SeenBox box = fx->boxes()[0];
        QVERIFY(box.title == "Keltri 7931 SFP" && box.icon == QMessageBox::Critical && box.buttons == QStringList{"OK"});
        QCOMPARE(box.text, QStringLiteral("Error in file '%1'.").arg(QDir::toNativeSeparators(fx->path("r.bin7931"))));
    }

    // On a 1366 x 768 screen (a virtual display: the offscreen platform's
    // screen is 800 x 600): the window, grown for the recording's three plots
    // and the slider row, is centred at its final size, and every dialog of
    // the panel opens wholly on the screen. (Windows of other parts, the
    // licence viewers among them, follow the rule of test_windowPlacement.)
    void windowsOnLaptopScreen()
    {
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        if (available.size() != QSize(1366, 768))
            QSKIP("needs a 1366 x 768 screen: run as waveform.test_recordingView_1366x768");
        fx->otherDialogs = [](QWidget *) { return true; }; // the dialogs the test shows stay
        QVERIFY(view(rec::header("7931-BB", true, "500.000000", 20, three) + samples(true, 60, 2)));
        QVERIFY(QTest::qWaitForWindowExposed(app));
        QVERIFY(w->plotVisible[0] && w->plotVisible[1] && w->plotVisible[2]);
        QTRY_COMPARE(app->frameGeometry().topLeft(), centredWithin(app->frameGeometry().size(), available));
        QVERIFY(available.contains(app->frameGeometry()));
        app->configurationButton()->click();
        QVERIFY(app->config->isVisible());
        const QList<QDialog *> dialogs = app->findChildren<QDialog *>();
        QVERIFY(dialogs.size() >= 9); // configuration, continuous run, About, six axis dialogs
        for (QDialog *dialog : dialogs) {
            if (!dialog->isWindow())
                continue;
            dialog->show();
            QVERIFY2(QTest::qWaitForWindowExposed(dialog), qPrintable(dialog->windowTitle()));
            QTRY_VERIFY2(available.contains(dialog->frameGeometry()), qPrintable(dialog->windowTitle()));
            dialog->hide();
        }
    }

    // A long recording of a voltage, a resistance and a PT-100 channel, the
    // voltage constant, with one temperature spike: the overview shows the
    // spike in one column of the temperature band, near its place in the
    // recording (the constant in the middle of its band), and dragging from
    // the start onto that column shows the spike's block.
    void overviewLeadsToSpike()
    {
        const int blocks = 6000, scans = 100, spike = 4321;
        QByteArray data;
        data.reserve(blocks * 3 * scans * 8);
        for (int b = 0; b < blocks; ++b)
            for (int k = 0; k < 3; ++k)
                for (int t = 0; t < scans; ++t) {
                    const double v = k == 0 ? 1.5 : b == spike && k == 2 && t == 17 ? 85.0 : 20.0 + 0.01 * ((b + t) % 100);
                    data.append(reinterpret_cast<const char *>(&v), sizeof v);
                }
        QVERIFY(view(rec::header("7931-BB", true, "1000.000000", scans, {{1, 4, 4, 0, 0}, {2, 3, 0, 0, 0}, {3, 0, 0, 0, 0}}) +
                     data));
        auto *overview = w->findChild<ov7931Demo_overview *>();
        QVERIFY(overview);
        QTRY_VERIFY(overview->isVisible());
        QCOMPARE(overview->bands(), (std::vector<int>{0, 1, 2}));
        QTRY_COMPARE_WITH_TIMEOUT(overview->progress().state, RecordingOverviewTask::State::Done, 20000);
        const QImage picture = overview->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const auto columnsOf = [&](int band, int channel, int y) {
            QList<int> xs;
            for (int x = overview->bandRect(band).left(); x <= overview->bandRect(band).right(); ++x)
                if (picture.pixel(x, y) == ov7931Demo_Waveform::channelColour(channel).rgb())
                    xs << x;
            return xs;
        };
        const QRect band = overview->bandRect(2), volts = overview->bandRect(0);
        QVERIFY(columnsOf(0, 0, volts.top() + int(std::lround(0.5 * (volts.height() - 1)))).size() >= volts.width() - 2);
        // The temperature channel's colour reaches the top of its band in one column only.
        const QList<int> top = columnsOf(2, 2, band.top());
        QCOMPARE(top.size(), 1);
        const int x = top.first();
        QVERIFY(std::abs(x - (band.left() + double(spike) / blocks * band.width())) <= 1.5);
        QTest::mousePress(overview, Qt::LeftButton, Qt::NoModifier, QPoint(band.left(), band.center().y()));
        QCOMPARE(w->blockSlider->value(), 1);
        QMouseEvent drag(QEvent::MouseMove, QPointF(x, band.center().y()), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(overview, &drag);
        QTest::mouseRelease(overview, Qt::LeftButton, Qt::NoModifier, QPoint(x, band.center().y()));
        QVERIFY(w->blockSlider->value() == spike + 1 && shown(2, 17) == 85.0 && overview->xOfBlock(spike) == x);
    }

    // A sparse recording of more than 4 GiB: its last block is shown.
    void lastBlockBeyond4GiB()
    {
        const quint64 blocks = (4ull << 30) / (8ull * 10000 * 8) + 2;
        const QByteArray h = rec::header("7931-BB", true, "50000.000000", 10000, {{1}, {2}, {3}, {4}, {5}, {6}, {7}, {8}});
        QVERIFY(writeSparseRecording(fx->path("big.bin7931"), h, blocks, 80000));
        QVERIFY(view(QByteArray(), "big.bin7931"));
        QCOMPARE(quint64(w->blockSlider->maximum()), blocks);
        w->blockSlider->setValue(w->blockSlider->maximum());
        QCOMPARE(shown(7, 9999), sampleValue(79999));
        QCOMPARE(wave::axisRange(app, 0, QwtPlot::xBottom).minValue(), (blocks - 1) * 10000 / 50000.0);
        fx->destroy();
        QVERIFY(QFile::remove(fx->path("big.bin7931")));
    }
};

QTEST_MAIN(TestRecordingView)
#include "test_recordingView.moc"
