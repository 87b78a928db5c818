// One channel's configuration panel (a tab of the configuration window).
// Its selectors are the channel's record.
#ifndef OV7931DEMO_CHCFG_H
#define OV7931DEMO_CHCFG_H

#include <QWidget>

class QCheckBox;
class QComboBox;
class ov7931Demo_App;

class ov7931Demo_ChCfg : public QWidget
{
    Q_OBJECT

public:
    ov7931Demo_ChCfg(ov7931Demo_App *app, int d_ch, QWidget *parent = nullptr);
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

    int d_ch = 0;
    ov7931Demo_App *app = nullptr;
    int plotKind = 2;
    double plotRange[2] = {0.0, 0.0};
    double excitCurrPrimary = 0.0005;
    double excitCurrSecondary = 0.00001;

    QCheckBox *enableBox = nullptr;
    QComboBox *sensorSelector = nullptr;
    QComboBox *modeSelector = nullptr;
    QComboBox *rangeSelector = nullptr;
    QComboBox *excitationSelector = nullptr;
};

#endif
