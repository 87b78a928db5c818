// One channel's configuration panel (a tab of the configuration window).
// Its selectors are the channel's record: every change refills the
// dependent selectors and pushes the channel to both cards.
#ifndef OV7931DEMO_CHCFG_H
#define OV7931DEMO_CHCFG_H

#include "ov7931Demo_applyConfig.h"

#include <QMetaObject>
#include <QString>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class ov7931Demo_AppInterface;
class ov7931Demo_bkCheckDialog;
class ov9174fp_led;

class ov7931Demo_ChCfg : public QWidget
{
    Q_OBJECT

public:
    // Sets up the channel's trigger input, applies the channel and, unless a
    // recording is viewed, loads its settings.
    ov7931Demo_ChCfg(ov7931Demo_AppInterface *app, int d_ch, QWidget *parent = nullptr);
    // Saves the settings (unless a recording is viewed).
    ~ov7931Demo_ChCfg() override;

    // The record as the selectors hold it.
    bool isEnabled() const;
    int sensorType() const;      // SensorType code 0..4
    int mode() const;            // ChannelMode code 1..5
    int rangeIndex() const;      // 0..8
    int excitationCode() const;  // ExcitationCode 0..3
    int excitationIndex() const; // index of the excitation selector (0 = "Off")
    // The excitation current in use: secondary at selector index 2, else primary.
    double excitationCurrent() const;

    // The measured excitation currents of the channel, in ampere.
    void setExcitationCurrents(double primary, double secondary);

    // Connect (true) or disconnect (false) the five change handlers.
    void connectChangeHandlers(bool on);
    bool changeHandlersConnected() const { return handlersConnected; }

    // Push the channel to both cards and show the result. GUI thread.
    void applyChannelConfig();
    // The panel's state for applyChannelToHardware. GUI thread.
    ChannelSnapshot snapshot() const;
    // Show what applyChannelToHardware returned (LEDs, "Test Wire"). GUI thread.
    void showApplyResult(const ApplyResult &result);
    // state: 1 applied and flowing (green), -1 one without the other (red),
    // 0 off; any other value leaves the excitation LED as it is.
    void setStatusLeds(int state, int pgaError);

    QString settingsFile() const { return settingsFileName; }

    int d_ch = 0;
    ov7931Demo_AppInterface *app = nullptr;
    int plotKind = 2;
    double plotRange[2] = {0.0, 0.0};
    double excitCurrPrimary = 0.0005;
    double excitCurrSecondary = 0.00001;

    QCheckBox *enableBox = nullptr;
    QComboBox *sensorSelector = nullptr;
    QComboBox *modeSelector = nullptr;
    QComboBox *rangeSelector = nullptr;
    QComboBox *excitationSelector = nullptr;

    QGroupBox *configGroup = nullptr;
    QGroupBox *calibrationGroup = nullptr;
    QGroupBox *statusGroup = nullptr;
    QPushButton *applyToAllButton = nullptr;
    QPushButton *calibrateButton = nullptr;
    QPushButton *calibrateAllButton = nullptr;
    ov9174fp_led *excitationLed = nullptr;
    ov9174fp_led *errorLed = nullptr;
    QPushButton *testWireButton = nullptr;
    ov7931Demo_bkCheckDialog *wireDialog = nullptr; // the wire-status dialog, created with the panel

public slots:
    void enableChange(int state);
    void sensorChange(int index);
    void modeChange(int index);
    void inpRngChange(int index);
    void currChange(int index);
    void applyToAllAction();
    void calibrateAction();
    void calibrateAllAction();
    void checkBrokenWireAction();

private:
    void buildWidgets();
    void applyEnableState(bool on);
    void fillRangesFor(int sensor);
    void loadSettings();
    void saveSettings() const;
    QString subType() const;

    QString settingsFileName;
    bool useSettings = true;
    bool handlersConnected = false;
    QMetaObject::Connection changeConnections[5];
};

#endif
