// Viewing a binary recording: the start-up steps around the application
// object and the poll's step that reads and shows one recorded block. The
// reading itself is plain code (stream/recordingReader); this file turns its
// results into the panel's boxes, selections and plots.
#include "ov7931Demo_recordingView.h"

#include "ov7931Demo_AppInterface.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_Waveform.h"
#include "ov7931Demo_acqRules.h"
#include "ov7931Demo_channelModel.h"
#include "ov7931Demo_hwaccess.h"
#include "ov7931Demo_overview.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>
#include <type_traits>

namespace {

const QString kTitle = QStringLiteral("Keltri 7931 SFP");

QString shownPath(const std::string &path) { return QDir::toNativeSeparators(QString::fromLocal8Bit(path.c_str())); }

void critical(const QString &text)
{
    QMessageBox::critical(QApplication::activeWindow(), kTitle, text, QMessageBox::Ok);
}

// A recording that cannot be shown ends the process at once.
[[noreturn]] void endProcessUnshown()
{
    std::fflush(nullptr);
    std::_Exit(-1);
}

// Selects the item whose data satisfies `matches`; false when none does.
template <typename Match>
bool selectItem(QComboBox *box, Match matches)
{
    for (int i = 0; i < box->count(); ++i) {
        if (matches(box->itemData(i))) {
            box->setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

bool selectData(QComboBox *box, int data)
{
    return selectItem(box, [data](const QVariant &v) {
        bool ok = false;
        return v.toInt(&ok) == data && ok;
    });
}

// The channel panel's item data for the recorded codes: sensors 0..4 and
// modes 0..4 (stored one below the item data) as they are, anything else
// Voltage and mode item data 4.
int sensorItemData(int32_t recorded) { return recorded >= 0 && recorded <= 4 ? recorded : SensorVoltage; }
int modeItemData(int32_t recorded) { return recorded >= 0 && recorded <= 4 ? recorded + 1 : 4; }

// Sets one channel panel from the header and disables it. The selections
// run the panel's own change handlers in the order its settings load:
// sensor, mode, current (which refills a resistance channel's ranges), range.
void lockChannel(ov7931Demo_ChCfg *panel, const recordingInfo &info, int c)
{
    panel->enableBox->setChecked((info.channelMasks[0] >> c) & 1u);
    panel->QWidget::setEnabled(false);
    selectData(panel->sensorSelector, sensorItemData(info.sensorTypes[c]));
    selectData(panel->modeSelector, modeItemData(info.channelModes[c]));
    selectData(panel->excitationSelector, info.excitationCurrents[c]);
    selectData(panel->rangeSelector, info.inputRanges[c]);
}

} // namespace

recordingInfo &viewedRecording()
{
    static recordingInfo info;
    return info;
}

QString recordingSubType(const std::string &device)
{
    const QString d = QString::fromLatin1(device.c_str());
    return isAFamily(d) || isBFamily(d) ? d : QStringLiteral("7931-BB");
}

RecordingStart openRecordingHeader(const std::string &path, QString *subType)
{
    recordingInfo &info = viewedRecording();
    if (readRecordingHeader(path, info) != 0) {
        critical(QStringLiteral("Cannot read '%1'.").arg(shownPath(path)));
        return RecordingStart::Refused;
    }
    if (!info.hasData())
        return RecordingStart::Live;
    if (subType)
        *subType = recordingSubType(info.device);
    return RecordingStart::View;
}

bool lockPanelToRecording(ov7931Demo_AppInterface *app, const recordingInfo &info)
{
    QComboBox *lengths = app->waveformLengthList();
    QComboBox *rates = app->samplingRateList();
    const double rate = info.samplingRateHz;
    if (!selectData(lengths, info.numberOfScansPerBlock) ||
        !selectItem(rates, [rate](const QVariant &v) { return v.isValid() && v.toDouble() == rate; })) {
        critical(QStringLiteral("Error in file '%1'.").arg(shownPath(info.fileName)));
        return false;
    }

    for (int c = 0; c < 16; ++c) {
        if (app->chCfg[c])
            lockChannel(app->chCfg[c], info, c);
    }

    lengths->setEnabled(false);
    rates->setEnabled(false);
    ov7931Demo_Waveform *w = app->waveform;
    w->stateLabel->hide();
    w->blockSlider->show();
    w->blockLabel->show();
    // Blocks beyond the slider's range (more than 2^31 - 1) cannot be chosen.
    const int last = static_cast<int>(std::min<uint64_t>(info.blockCount, INT_MAX));
    w->blockSlider->setRange(1, last); // moves to 1: block 1 is shown at once
    // The recording's channels have chosen the plots and the slider row is
    // up: the overview below it sizes the window for its final content and
    // centres it again.
    showRecordingOverview(app, info);
    return true;
}

// The poll's step for a viewed recording: block v-1 of the recording, with
// v the slider's value, is read under the hardware lock, laid out (4-byte
// samples widened) and shown over its own time window. Without the
// continuous button, or at the last block, the run ends. A block that cannot
// be held or read ends the process.
void ov7931Demo_Waveform::showRecordedBlock(bool incrementSlider)
{
    const recordingInfo &info = viewedRecording();
    const int v = blockSlider->value();

    // The box of a failure runs an event loop: no further tick may come meanwhile.
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[static_cast<size_t>(info.blockLength)]);
    if (!block) {
        acqTimer->stop();
        critical(QStringLiteral("Failed to allocate memory."));
        endProcessUnshown();
    }
    int read = 0;
    {
        std::lock_guard<std::remove_reference_t<decltype(hardwareLock)>> lock(hardwareLock);
        read = v >= 1 ? readRecordingBlock(info, block.get(), static_cast<uint64_t>(v) - 1) : 0;
    }
    if (read != 1) {
        acqTimer->stop();
        critical(QStringLiteral("Cannot read: \"%1\".").arg(shownPath(info.fileName)));
        endProcessUnshown();
    }

    const TimeWindow window = recordingTimeWindow(v, scanCount, samplingRate, info.timeOffset);
    showBlockTimes(window.t0, window.t1);
    layOutRecordedBlock(info, block.get(), channelMask, plotData, maxBlockSamples);
    block.reset();
    // Recorded temperatures are already in degrees Celsius.
    blockNeedsConversion = false;
    refreshPlots();

    if (!app->continuousButton()->isChecked() || blockSlider->value() == blockSlider->maximum()) {
        stopDAQ();
        app->userBreak();
    }
    if (incrementSlider)
        blockSlider->setValue(blockSlider->value() + 1);
}
