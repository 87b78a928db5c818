#include "ov7931Demo_ChCfg.h"

#include "ov7931Demo_AppInterface.h"
#include "ov7931Demo_channelModel.h"
#include "ov7931Demo_panelTools.h"
#include "ov7931Demo_sensorDefaults.h"
#include "ov9174fp_led.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include "ov9174fp_saveProblems.h"
#include "ov9174fp_settingsFile.h"

#include <QSettings>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

void setHelp(QWidget *widget, const QString &text)
{
    widget->setToolTip(text);
    widget->setWhatsThis(text);
}

QComboBox *makeSelector(QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setMinimumWidth(150);
    return box;
}

// The index of the item with the given data; the first item when none has it.
int indexOfData(const QComboBox *box, const QVariant &stored)
{
    bool ok = false;
    const int value = stored.toInt(&ok);
    if (!ok)
        return 0;
    const int index = box->findData(value);
    return index >= 0 ? index : 0;
}

// The index of the item with the given text; the first item when none has it.
int indexOfText(const QComboBox *box, const QString &stored)
{
    const int index = box->findText(stored, Qt::MatchExactly | Qt::MatchCaseSensitive);
    return index >= 0 ? index : 0;
}

const QString kEnabledKey = QStringLiteral("Enabled");
const QString kSensorKey = QStringLiteral("SensorType");
const QString kModeKey = QStringLiteral("Mode");
const QString kExcitationKey = QStringLiteral("ExcitationCurrent");
const QString kRangeKey = QStringLiteral("InputRange");

} // namespace

ov7931Demo_ChCfg::ov7931Demo_ChCfg(ov7931Demo_AppInterface *a, int ch, QWidget *parent)
    : QWidget(parent), d_ch(ch), app(a)
{
    excitCurrPrimary = 0.0005;
    excitCurrSecondary = nominalSecondaryCurrent[static_cast<size_t>(qBound(0, d_ch, kChannelCount - 1))].ampere;
    settingsFileName = app->settingsFileName();
    useSettings = !app->viewingRecording;

    buildWidgets();
    wireDialog = createWireDialog(this, app);

    connect(testWireButton, &QPushButton::clicked, this, &ov7931Demo_ChCfg::checkBrokenWireAction);
    connect(applyToAllButton, &QPushButton::clicked, this, &ov7931Demo_ChCfg::applyToAllAction);
    connect(calibrateButton, &QPushButton::clicked, this, &ov7931Demo_ChCfg::calibrateAction);
    connect(calibrateAllButton, &QPushButton::clicked, this, &ov7931Demo_ChCfg::calibrateAllAction);
    connectChangeHandlers(true);

    setupTriggerInput(app->masterVi, d_ch);
    applyChannelConfig();

    if (useSettings)
        loadSettings();
}

ov7931Demo_ChCfg::~ov7931Demo_ChCfg()
{
    connectChangeHandlers(false);
    if (useSettings)
        saveSettings();
}

void ov7931Demo_ChCfg::buildWidgets()
{
    const QString chText = QString::number(d_ch + 1);
    const QString st = subType();

    setMinimumWidth(775);

    enableBox = new QCheckBox(QStringLiteral("Enabled"), this);
    setHelp(enableBox, QStringLiteral("Enables or disables Channel %1").arg(chText));

    configGroup = new QGroupBox(QStringLiteral("Configuration"), this);
    configGroup->setMinimumWidth(350);
    calibrationGroup = new QGroupBox(QStringLiteral("Calibration"), this);
    calibrationGroup->setMinimumWidth(350);
    statusGroup = new QGroupBox(QStringLiteral("Status"), this);
    statusGroup->setMinimumWidth(350);

    sensorSelector = makeSelector(configGroup);
    setHelp(sensorSelector, QStringLiteral("Selects the source of the input signal for Channel %1").arg(chText));
    modeSelector = makeSelector(configGroup);
    setHelp(modeSelector, QStringLiteral("Selects the mode for Channel %1").arg(chText));
    rangeSelector = makeSelector(configGroup);
    setHelp(rangeSelector, QStringLiteral("Selects the input range for Channel %1").arg(chText));
    excitationSelector = makeSelector(configGroup);
    setHelp(excitationSelector,
            QStringLiteral("Selects the current type or disable current flow for Channel %1").arg(chText));

    applyToAllButton = new QPushButton(QStringLiteral("Apply Configuration to all Enabled Channels"), configGroup);
    setHelp(applyToAllButton, QStringLiteral("Sets Current Channel's Configuration to all Enabled Channels"));

    calibrateButton = new QPushButton(QStringLiteral("Calibrate Channel %1").arg(chText), calibrationGroup);
    calibrateButton->setMinimumWidth(200);
    setHelp(calibrateButton, QStringLiteral("Starts Selected Calibrations on Channel %1").arg(chText));
    calibrateAllButton = new QPushButton(QStringLiteral("Calibrate all Enabled Channels"), calibrationGroup);
    calibrateAllButton->setMinimumWidth(200);
    setHelp(calibrateAllButton, QStringLiteral("Starts All Enabled Channels' Calibrations"));

    excitationLed = new ov9174fp_led(QStringLiteral("Excitation Current Status"), QColor(Qt::green),
                                     QColor(Qt::magenta), statusGroup);
    setHelp(excitationLed,
            QStringLiteral("Channel %1 excitation current status.\n"
                           "LED lit green - excitation current is applied and flowing through the sensor.\n"
                           "LED lit red - current is applied but not flowing through the sensor, or current is "
                           "not applied but is flowing.\n"
                           "LED off - current is not applied.\n")
                .arg(chText));
    errorLed = new ov9174fp_led(QStringLiteral("Error"), QColor(Qt::red), QColor(Qt::magenta), statusGroup);
    setHelp(errorLed, QStringLiteral("Channel %1 Error status").arg(chText));
    testWireButton = new QPushButton(QStringLiteral("Test Wire"), statusGroup);
    setHelp(testWireButton, QStringLiteral("Test the Broken Wire Status on Channel %1").arg(chText));

    // Initial items: PT-100 on the card's sub-type.
    fillSelector(sensorSelector, sensorItems());
    fillRangesFor(SensorPT100);
    fillSelector(modeSelector, wireModeItems(st));
    fillSelector(excitationSelector, rtdExcitationItems(st));
    plotKind = 2;

    if (isAFamily(st)) {
        errorLed->hide();
        testWireButton->hide();
    }

    // Configuration: label and selector per row, the apply-to-all button below.
    auto *configLayout = new QGridLayout(configGroup);
    configLayout->setSpacing(20);
    const QString labels[4] = {QStringLiteral("Sensor Type"), QStringLiteral("Mode"),
                               QStringLiteral("Measurement Range"), QStringLiteral("Excitation Current")};
    QComboBox *selectors[4] = {sensorSelector, modeSelector, rangeSelector, excitationSelector};
    for (int row = 0; row < 4; ++row) {
        auto *label = new QLabel(labels[row], configGroup);
        label->setBuddy(selectors[row]);
        configLayout->addWidget(label, row, 0);
        configLayout->addWidget(selectors[row], row, 1);
    }
    configLayout->addWidget(applyToAllButton, 4, 0, 1, 2);

    auto *calibrationLayout = new QGridLayout(calibrationGroup);
    calibrationLayout->setSpacing(20);
    calibrationLayout->addWidget(calibrateButton, 0, 0);
    calibrationLayout->addWidget(calibrateAllButton, 1, 0);

    auto *statusLayout = new QVBoxLayout(statusGroup);
    statusLayout->addWidget(excitationLed, 0, Qt::AlignLeft);
    statusLayout->addWidget(errorLed, 0, Qt::AlignLeft);
    statusLayout->addWidget(testWireButton, 0, Qt::AlignLeft);

    auto *rightColumn = new QVBoxLayout;
    rightColumn->addWidget(calibrationGroup);
    rightColumn->addWidget(statusGroup);

    auto *columns = new QHBoxLayout;
    columns->addStretch(1);
    columns->addWidget(configGroup);
    columns->addLayout(rightColumn);
    columns->addStretch(1);

    auto *top = new QHBoxLayout;
    top->addStretch(1);
    top->addWidget(enableBox);
    top->addStretch(1);

    auto *outer = new QVBoxLayout(this);
    outer->addStretch(1);
    outer->addLayout(top);
    outer->addLayout(columns);
    outer->addStretch(1);
}

QString ov7931Demo_ChCfg::subType() const { return app->slaveSubType; }

bool ov7931Demo_ChCfg::isEnabled() const { return enableBox->isChecked(); }
int ov7931Demo_ChCfg::sensorType() const { return sensorSelector->currentData().toInt(); }
int ov7931Demo_ChCfg::mode() const { return modeSelector->currentData().toInt(); }
int ov7931Demo_ChCfg::rangeIndex() const { return rangeSelector->currentData().toInt(); }
int ov7931Demo_ChCfg::excitationCode() const { return excitationSelector->currentData().toInt(); }
int ov7931Demo_ChCfg::excitationIndex() const { return excitationSelector->currentIndex(); }
double ov7931Demo_ChCfg::excitationCurrent() const
{
    return excitationIndex() == 2 ? excitCurrSecondary : excitCurrPrimary;
}

void ov7931Demo_ChCfg::setExcitationCurrents(double primary, double secondary)
{
    excitCurrPrimary = primary;
    excitCurrSecondary = secondary;
}

void ov7931Demo_ChCfg::connectChangeHandlers(bool on)
{
    if (on == handlersConnected)
        return;
    handlersConnected = on;
    if (!on) {
        for (QMetaObject::Connection &c : changeConnections)
            disconnect(c);
        return;
    }
    const auto indexChanged = QOverload<int>::of(&QComboBox::currentIndexChanged);
    changeConnections[0] = connect(enableBox, &QCheckBox::stateChanged, this, &ov7931Demo_ChCfg::enableChange);
    changeConnections[1] = connect(sensorSelector, indexChanged, this, &ov7931Demo_ChCfg::sensorChange);
    changeConnections[2] = connect(modeSelector, indexChanged, this, &ov7931Demo_ChCfg::modeChange);
    changeConnections[3] = connect(rangeSelector, indexChanged, this, &ov7931Demo_ChCfg::inpRngChange);
    changeConnections[4] = connect(excitationSelector, indexChanged, this, &ov7931Demo_ChCfg::currChange);
}

// ---- selector fills -------------------------------------------------------------

void ov7931Demo_ChCfg::fillRangesFor(int sensor)
{
    try {
        fillRangeSelector(rangeSelector, sensor, subType());
    } catch (const std::out_of_range &) {
        // Sensor codes come from the sensor selector's own items (0..4).
    }
}

// ---- change handlers ------------------------------------------------------------

void ov7931Demo_ChCfg::applyEnableState(bool on)
{
    if (on) {
        configGroup->setEnabled(true);
        calibrationGroup->setEnabled(true);
        statusGroup->setEnabled(true);
        selectPlotRangeTables(subType());
    } else {
        if (excitationSelector->currentIndex() != 0)
            excitationSelector->setCurrentIndex(0);
        configGroup->setEnabled(false);
        calibrationGroup->setEnabled(false);
        statusGroup->setEnabled(false);
        excitationLed->setValue(0);
        errorLed->setValue(0);
    }
}

void ov7931Demo_ChCfg::enableChange(int state)
{
    connectChangeHandlers(false);
    applyEnableState(state != 0);
    connectChangeHandlers(true);
    applyChannelConfig();
}

void ov7931Demo_ChCfg::sensorChange(int index)
{
    if (index < 0)
        return;
    connectChangeHandlers(false);
    const int sensor = sensorSelector->itemData(index).toInt();
    excitationSelector->setEnabled(true);
    excitationLed->setEnabled(true);
    const SensorDefaults d = sensorDefaults(sensor, subType(), d_ch);
    if (!d.ranges.isEmpty())
        fillSelector(rangeSelector, d.ranges);
    fillSelector(modeSelector, d.modes);
    modeSelector->setCurrentIndex(d.modeIndex);
    fillSelector(excitationSelector, d.excitations);
    excitationSelector->setCurrentIndex(d.excitationIndex);
    if (sensor == SensorVoltage) {
        excitationLed->setValue(0);
        testWireButton->setEnabled(false);
    }
    plotKind = d.plotKind;
    connectChangeHandlers(true);
    applyChannelConfig();
}

void ov7931Demo_ChCfg::modeChange(int index)
{
    if (index < 0)
        return;
    connectChangeHandlers(false);
    if (isVoltageMode(modeSelector->itemData(index).toInt())) {
        excitationSelector->setEnabled(false);
        excitationSelector->setCurrentIndex(0);
    } else {
        excitationSelector->setEnabled(true);
    }
    connectChangeHandlers(true);
    applyChannelConfig();
}

void ov7931Demo_ChCfg::inpRngChange(int index)
{
    if (index < 0)
        return;
    connectChangeHandlers(false);
    connectChangeHandlers(true);
    applyChannelConfig();
}

void ov7931Demo_ChCfg::currChange(int index)
{
    if (index < 0)
        return;
    connectChangeHandlers(false);
    if (sensorType() == SensorResistance) {
        if (index == 0) {
            fillSelector(rangeSelector, {currentOffRangeItem()});
            rangeSelector->setCurrentIndex(0);
        } else if (index == 2) {
            fillSecondaryCurrentRanges(rangeSelector, subType(), d_ch);
        } else {
            fillRangesFor(SensorResistance);
        }
    }
    connectChangeHandlers(true);
    applyChannelConfig();
}

void ov7931Demo_ChCfg::applyToAllAction() { applyToAllChannels(this); }

void ov7931Demo_ChCfg::calibrateAction() { calibrateChannel(this); }

void ov7931Demo_ChCfg::calibrateAllAction() { calibrateAllChannels(this); }

void ov7931Demo_ChCfg::checkBrokenWireAction() { checkBrokenWire(this); }

// ---- applying and status ----------------------------------------------------------

ChannelSnapshot ov7931Demo_ChCfg::snapshot() const
{
    ChannelSnapshot s;
    s.d_ch = d_ch;
    s.enabled = isEnabled();
    s.sensorType = sensorType();
    s.mode = mode();
    s.rangeIndex = rangeIndex();
    s.excitCurr = excitationCode();
    s.excitationIndex = excitationIndex();
    s.subType = subType();
    return s;
}

void ov7931Demo_ChCfg::applyChannelConfig() { showApplyResult(applyChannelToHardware(snapshot(), app->masterVi, app->slaveVi)); }

void ov7931Demo_ChCfg::showApplyResult(const ApplyResult &result)
{
    if (result.statusRead)
        setStatusLeds(result.excitationState, result.pgaError);
    testWireButton->setEnabled(result.testWireEnabled);
}

void ov7931Demo_ChCfg::setStatusLeds(int state, int pgaError)
{
    if (!enableBox->isChecked()) {
        excitationLed->setValue(0);
        errorLed->setValue(0);
        return;
    }
    if (!excitationLed->isEnabled()) {
        excitationLed->setValue(0);
    } else if (state >= -1 && state <= 1) {
        const bool lit = state != 0;
        if (lit)
            excitationLed->setOnColour(state == -1 ? QColor(Qt::red) : QColor(Qt::green));
        excitationLed->setValue(lit ? 1 : 0);
    }
    if (errorLed->isEnabled())
        errorLed->setValue(pgaError != 0 ? 1 : 0);
    else
        errorLed->setValue(0);
}

// ---- settings ------------------------------------------------------------------------

void ov7931Demo_ChCfg::loadSettings()
{
    ov9174fp_settingsFile file(settingsFileName);
    QSettings &settings = file.settings();
    settings.beginGroup(QStringLiteral("Channel_%1").arg(d_ch + 1));

    // Each step runs its cascade through the connected change handlers.
    const bool enabled = settings.value(kEnabledKey, d_ch == 0).toBool();
    enableBox->setChecked(enabled);
    connectChangeHandlers(false);
    applyEnableState(enabled);
    connectChangeHandlers(true);
    applyChannelConfig();

    sensorSelector->setCurrentIndex(indexOfData(sensorSelector, settings.value(kSensorKey, 0)));
    modeSelector->setCurrentIndex(indexOfData(modeSelector, settings.value(kModeKey, 1)));
    const QString excitationDefault = excitationSelector->itemText(d_ch == 0 ? 1 : 0);
    excitationSelector->setCurrentIndex(
        indexOfText(excitationSelector, settings.value(kExcitationKey, excitationDefault).toString()));
    rangeSelector->setCurrentIndex(
        indexOfText(rangeSelector, settings.value(kRangeKey, rangeSelector->itemText(0)).toString()));
}

void ov7931Demo_ChCfg::saveSettings() const
{
    ov9174fp_settingsFile file(settingsFileName);
    QSettings &settings = file.settings();
    settings.beginGroup(QStringLiteral("Channel_%1").arg(d_ch + 1));
    settings.setValue(kEnabledKey, enableBox->isChecked());
    settings.setValue(kSensorKey, sensorSelector->currentData().toInt());
    settings.setValue(kModeKey, modeSelector->currentData().toInt());
    settings.setValue(kExcitationKey, excitationSelector->currentText());
    settings.setValue(kRangeKey, rangeSelector->currentText());
    settings.endGroup();
    ov9174fp_saveProblems::report(settingsFileName, file.save());
}
