// The axis dialog: the range of one plot axis ("Custom Range", with a "Max"
// button for the boxes' full range), and an optional "Custom Unit Display"
// section for a linear conversion of measured volts into a user unit. The
// waveform window owns two per plot (value axis and time axis), writes the
// limit boxes' suffix, range, decimals and step before every run and reads
// the boxes after the dialog closes.
#ifndef OV7931DEMO_AXISCONFIG_H
#define OV7931DEMO_AXISCONFIG_H

#include <QDialog>

class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class ov7931Demo_AppInterface;
class ov9174fp_digitCtrl;

class axisConfig : public QDialog
{
    Q_OBJECT

public:
    // No parent widget; `app` (which may be null) gives the window icon and
    // the waveform window whose autoscale button the value axis switches.
    axisConfig(ov7931Demo_AppInterface *app, int plotIndex, bool showCustomUnit);
    ~axisConfig() override;

    int plotIndex() const { return plot; }

    QDoubleSpinBox *lowerLimit = nullptr;
    QDoubleSpinBox *upperLimit = nullptr;
    QGroupBox *customRange = nullptr;
    QPushButton *maxButton = nullptr;
    QGroupBox *customUnit = nullptr;
    QLineEdit *unitName = nullptr;
    QDoubleSpinBox *offset = nullptr;
    ov9174fp_digitCtrl *multiplier = nullptr;
    QLabel *rangeLabel = nullptr;
    QPushButton *okButton = nullptr;
    QPushButton *cancelButton = nullptr;

private slots:
    // OK: refuses an empty or inverted range where it is used; a value
    // axis's autoscale follows "Custom Range"; then accepts.
    void checkValuesAndAccept();
    // The range label: the limits converted to the custom unit.
    void updateLimits();
    // The full range of the limit boxes.
    void setMaxSlot();

private:
    ov7931Demo_AppInterface *app = nullptr;
    int plot = 0;
};

#endif
