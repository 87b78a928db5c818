// Placeholder so that the library links while the channel panel is being built.
#include "ov7931Demo_ChCfg.h"

#include <QCheckBox>
#include <QComboBox>

ov7931Demo_ChCfg::ov7931Demo_ChCfg(ov7931Demo_App *a, int ch, QWidget *parent) : QWidget(parent), d_ch(ch), app(a)
{
    enableBox = new QCheckBox(QStringLiteral("Enabled"), this);
    sensorSelector = new QComboBox(this);
    modeSelector = new QComboBox(this);
    rangeSelector = new QComboBox(this);
    excitationSelector = new QComboBox(this);
}

ov7931Demo_ChCfg::~ov7931Demo_ChCfg() = default;

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
