// Helpers of the waveform tests: setting channels up through their panels
// and reading what the plots hold. Includes what the waveform window's
// tests all need.
#ifndef OV_TEST_WAVE_HELPERS_H
#define OV_TEST_WAVE_HELPERS_H

#include "appfixture.h"
#include "ov7931Demo_App.h"
#include "ov7931Demo_ChCfg.h"
#include "ov7931Demo_Waveform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <initializer_list>
#include <utility>

#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_point_data.h>
#include <qwt_scale_div.h>

namespace wave {

// Sensor selector indices (also the SensorType codes).
enum { PT100 = 0, PT500 = 1, PT1000 = 2, Resistance = 3, Voltage = 4 };

// Enables channel ch (0..15) with a sensor, or disables it.
inline void setChannel(ov7931Demo_App *app, int ch, bool enabled, int sensor = PT100)
{
    app->chCfg[ch]->enableBox->setChecked(enabled);
    if (enabled)
        app->chCfg[ch]->sensorSelector->setCurrentIndex(sensor);
    QCoreApplication::processEvents();
}

inline void disableAll(ov7931Demo_App *app)
{
    for (int ch = 0; ch < 16; ++ch)
        setChannel(app, ch, false);
}

// Enables the channels `on`, given as {channel, sensor} pairs.
inline void enable(ov7931Demo_App *app, std::initializer_list<std::pair<int, int>> on)
{
    for (const auto &c : on)
        setChannel(app, c.first, true, c.second);
}

// A demo panel with only the channels `on` enabled.
inline ov7931Demo_App *panelWith(AppFixture *fx, std::initializer_list<std::pair<int, int>> on)
{
    ov7931Demo_App *app = fx->create(AppFixture::Mode::Demo);
    disableAll(app);
    enable(app, on);
    return app;
}

// How many points the curve of channel ch on a plot has, and the first
// sample value it references (nullptr when it has none).
inline size_t points(ov7931Demo_App *app, int plot, int ch) { return app->waveform->panel(plot).curves[ch]->dataSize(); }
inline const double *yData(ov7931Demo_App *app, int plot, int ch)
{
    auto *d = dynamic_cast<const QwtCPointerData *>(app->waveform->panel(plot).curves[ch]->data());
    return d && d->size() > 0 ? d->yData() : nullptr;
}
// The range an axis of a plot shows.
inline QwtInterval axisRange(ov7931Demo_App *app, int plot, int axis)
{
    return app->waveform->panel(plot).plot->axisScaleDiv(axis).interval();
}

} // namespace wave

#endif
