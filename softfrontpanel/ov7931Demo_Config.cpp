// Placeholder so that the library links while the configuration window is being built.
#include "ov7931Demo_Config.h"

#include "ov7931Demo_App.h"
#include "ov7931Demo_ChCfg.h"

ov7931Demo_Config::ov7931Demo_Config(ov7931Demo_App *a) : QDialog(a), app(a)
{
    for (int ch = 0; ch < 16; ++ch)
        app->chCfg[ch] = new ov7931Demo_ChCfg(app, ch, this);
}

ov7931Demo_Config::~ov7931Demo_Config() = default;

void ov7931Demo_Config::setCloseButton() { hide(); }
