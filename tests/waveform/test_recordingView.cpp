// Viewing a recording in the panel: the panel locked to the header (lists,
// channel panels, slider row), slider value v showing block v-1 over its own
// time window (8- and 4-byte samples, a time offset, the last whole block of
// a sparse file beyond 4 GiB), the continuous button playing to the end,
// header codes outside the panel's items, a mask that names more channels
// than the block holds, and no settings file read or written.
#include "appfixture.h"
#include "ov7931Demo_App.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_Waveform.h"
#include "ov7931Demo_recordingView.h"
#include "recording_files.h"
#include "wave_helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
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

    // A sparse recording of more than 4 GiB: its last block is shown.
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
        QVERIFY(QFile::remove(path));
    }
};

QTEST_MAIN(TestRecordingView)
#include "test_recordingView.moc"
