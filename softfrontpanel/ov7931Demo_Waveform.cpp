// Placeholder so that the library links while the waveform window is being built.
#include "ov7931Demo_Waveform.h"

#include "ov7931Demo_App.h"
#include "ov7931Demo_Config.h"

#include <QTimer>

ov7931Demo_Waveform::ov7931Demo_Waveform(ov7931Demo_App *a, QWidget *parent) : QWidget(parent), app(a)
{
    acqTimer = new QTimer(this);
}

ov7931Demo_Waveform::~ov7931Demo_Waveform() = default;

void ov7931Demo_Waveform::startDAQ() {}
void ov7931Demo_Waveform::stopDAQ() {}
void ov7931Demo_Waveform::breakSingle() { app->userBreak(); }
void ov7931Demo_Waveform::startCont() {}
void ov7931Demo_Waveform::stopCont() { app->userBreak(); }
void ov7931Demo_Waveform::timerSlot() {}
void ov7931Demo_Waveform::timerStatSlot() {}
void ov7931Demo_Waveform::showPanel()
{
    if (app->config)
        app->config->show();
}
void ov7931Demo_Waveform::refreshPlots() {}
void ov7931Demo_Waveform::updateEnabledChannels() {}
void ov7931Demo_Waveform::togglePlotVisibility(int) {}
