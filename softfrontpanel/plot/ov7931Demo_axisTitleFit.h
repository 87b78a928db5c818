// A vertical axis title that stays readable on a short plot. Three plots
// share a 768-pixel-high screen, and at that height "Temperature (°C)" in
// its 10-point bold font is longer than the axis beside it, so Qwt cut both
// its ends off. The title's font now shrinks, a point at a time down to
// 6 points, while the text is longer than the axis, and returns to its own
// size when the plot is tall enough again. The size rule is plain code; a
// small event filter applies it whenever the axis changes its size.
#ifndef OV7931DEMO_AXISTITLEFIT_H
#define OV7931DEMO_AXISTITLEFIT_H

#include <QFont>
#include <QObject>
#include <QString>

class QwtPlot;

// The largest point size from `font`'s own down to `smallest` at which
// `text` in `font` is at most `length` pixels long; `smallest` when none is.
int fittedTitlePointSize(const QFont &font, const QString &text, int length, int smallest = 6);

// Keeps the title of `plot`'s vertical axis `axis` within the axis's length.
// `font` is the title's own font, used whenever it fits.
void keepAxisTitleFitted(QwtPlot *plot, int axis, const QFont &font);

#endif
