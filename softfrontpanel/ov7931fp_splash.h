// The splash screen picture shown while the panel connects and opens the
// cards: the card's picture and three texts on the background picture.
#ifndef OV7931FP_SPLASH_H
#define OV7931FP_SPLASH_H

#include <QPixmap>
#include <QPointF>
#include <QRect>
#include <QString>

#include <cstdio>

class QImage;
class ov9174fp_genFC;

// Where the three texts go, for an inset d and the line heights h1 (title
// font) and h3 (copyright font). All three share left edge d + 67 and
// width 453 - 2d.
struct SplashLayout {
    QRect title;
    QRect description;
    QRect copyright;
};
SplashLayout splashLayout(int inset, int h1, int h3);

// Pixel sizes of the title and description fonts for a scale factor (the
// copyright font is always 11 pixels).
int splashTitlePixelSize(float scale);
int splashDescriptionPixelSize(float scale);

// "Keltri 7931".
QString splashTitle();
// The descriptor's description with every " Function Card" shortened to " FC".
QString splashDescription(const QString &description);

// The card picture is drawn only when it has exactly this size; otherwise
// this line goes to the console.
QSize splashDeviceImageSize();
extern const char splashWrongImageSizeMessage[];

// Draws on a copy of `background` (a plain 520 x 400 picture when it is
// null): the texts, and `device` at (67, 43) when it has the required
// size, else the message goes to `console`.
QPixmap buildSplashPixmap(const QPixmap &background, const QImage &device, const QString &description,
                          const QString &copyright, float scale, int inset, FILE *console);

// The same on the resource pictures ":/fp_splash.png" and
// ":/ov7931fp_splash.png", with the descriptor's texts; the message goes
// to standard output.
QPixmap buildSplashPixmap(const ov9174fp_genFC &descriptor, float scale, int inset);

#endif
