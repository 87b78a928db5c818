// Write, then read: a binary recording made by a continuous run of the
// panel against the simulated instrument opens in the viewer with every
// recorded channel's sensor, mode, range and excitation current, and every
// block shows exactly the samples the run wrote: the sequence samples as
// read, the temperature channels converted to degrees Celsius.
#include "appfixture.h"
#include "ov7931Demo_acqConfig.h"
#include "ov7931Demo_recordingView.h"
#include "ovsim_control.h"
#include "recording_files.h"
#include "wave_helpers.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QtTest>

#include <cmath>

using namespace wave;

namespace {

constexpr int kScans = 100;
constexpr double kRate = 1000.0;

// Selects the item with `data` in a channel panel's selector (its change
// handler runs as for a user's choice).
void choose(QComboBox *box, int data)
{
    const int index = box->findData(data);
    QVERIFY2(index >= 0, qPrintable(QString::number(data)));
    box->setCurrentIndex(index);
}

// Each channel panel's sensor, mode, range and current, or "off".
QStringList channelSettings(const ov7931Demo_App *app)
{
    QStringList settings;
    for (int c = 0; c < 16; ++c) {
        const ov7931Demo_ChCfg *p = app->chCfg[c];
        settings << (p->isEnabled() ? QStringLiteral("%1: %2/%3/%4/%5")
                                          .arg(c + 1)
                                          .arg(p->sensorType())
                                          .arg(p->mode())
                                          .arg(p->rangeIndex())
                                          .arg(p->excitationCode())
                                    : QStringLiteral("%1: off").arg(c + 1));
    }
    return settings;
}

} // namespace

class TestRecordingRoundTrip : public QObject
{
    Q_OBJECT

private slots:
    void panelRecordingViewedBack()
    {
        AppFixture fx;
        ov7931Demo_App *app = fx.create(AppFixture::Mode::Live);
        ov7931Demo_Waveform *w = app->waveform;
        disableAll(app);
        // Channel 1: the scenario's PT-100 (4-wire, 500 uA); 2: resistance,
        // 2-wire, the secondary current and its second range; 3: single-ended
        // voltage, range 3; 9: PT-1000, 3-wire, current off; 16:
        // differential voltage, range 7. Channels 2, 3, 9 and 16 carry
        // sequence samples.
        struct Pick {
            int ch, sensor, mode, current, rangeItem;
        };
        const Pick picks[] = {{0, PT100, 1, 1, 0}, {1, Resistance, 3, 2, 1}, {2, Voltage, 5, 0, 3},
                              {8, PT1000, 2, 0, 2}, {15, Voltage, 4, 0, 7}};
        for (const Pick &p : picks) {
            ov7931Demo_ChCfg *panel = app->chCfg[p.ch];
            setChannel(app, p.ch, true, p.sensor);
            choose(panel->modeSelector, p.mode);
            choose(panel->excitationSelector, p.current);
            panel->rangeSelector->setCurrentIndex(p.rangeItem);
        }
        const QStringList recorded = channelSettings(app); // as the run had them
        app->waveformLengthList()->setCurrentText(QString::number(kScans));
        app->samplingRateList()->setCurrentText(QStringLiteral("1 kHz"));
        ovsim::setIntegrityMode(true);
        ovsim::setIntegrityChannels(0x8106);
        ovsim::setManualClock(true);

        const QString path = fx.path(QStringLiteral("trip.bin7931"));
        app->acqCfg->pathEdit->setText(path);
        app->acqCfg->formatSelector->setCurrentIndex(0);
        QTimer::singleShot(0, app->acqCfg->startButton, &QPushButton::click);
        app->continuousButton()->click();
        QVERIFY(app->continuousButton()->isChecked());
        w->acqTimer->stop(); // blocks are let in one at a time below
        for (int b = 0; b < 4; ++b) {
            ovsim::advanceClock(kScans / kRate);
            for (int k = 0; k < 5000 && w->contParams.tail.load() != w->contParams.head.load(); ++k)
                QTest::qWait(1);
        }
        app->continuousButton()->click();
        QVERIFY(!app->continuousButton()->isChecked());
        QVERIFY(fx.boxes().isEmpty());
        fx.destroy();

        // The viewer on the file.
        QString subType;
        QCOMPARE(openRecordingHeader(path.toStdString(), &subType), RecordingStart::View);
        const recordingInfo &info = viewedRecording();
        QCOMPARE(info.blockCount, quint64(4));
        QCOMPARE(info.dataLength, 4 * info.blockLength);
        fx.app = app = new ov7931Demo_App(&fx.descriptor, 1, true, subType);
        w = app->waveform;
        app->show();
        QVERIFY(lockPanelToRecording(app, info));
        QCOMPARE(app->slaveSubType, QStringLiteral("7931-BB"));
        QCOMPARE(channelSettings(app), recorded);

        // Each block as written: sequence samples exactly, the PT-100 in degrees Celsius.
        const std::vector<int> channels{1, 2, 3, 9, 16};
        for (int v = 1; v <= 4; ++v) {
            w->blockSlider->setValue(v);
            std::vector<double> block(w->plotData, w->plotData + channels.size() * kScans);
            for (size_t k = 1; k < channels.size(); ++k) {
                for (int s = 0; s < kScans; ++s) {
                    const double raw = ovsim::integritySample(channels[k], (v - 1) * kScans + s);
                    // Channel 9's sequence samples lie far outside a PT-1000's span: -255 degC.
                    QCOMPARE(block[k * kScans + s], channels[k] == 9 ? -255.0 : raw);
                }
            }
            for (int s = 0; s < kScans; ++s)
                QVERIFY2(std::fabs(block[s] - 23.5) < 0.5, qPrintable(QString::number(block[s])));
            QCOMPARE(w->timeAxis[0][0], (v - 1) * kScans / kRate);
        }
    }
};

QTEST_MAIN(TestRecordingRoundTrip)
#include "test_recordingRoundTrip.moc"
