// The framework's small pictures, drawn at run time.
#ifndef OV9174FP_ICONS_H
#define OV9174FP_ICONS_H

#include <QColor>
#include <QImage>
#include <QPixmap>

namespace ov9174fp_icons {

// Colours of the start buttons' pictures.
inline QColor idleColour() { return QColor(0x00, 0x80, 0x00); }    // #008000
inline QColor runningColour() { return QColor(0x80, 0x00, 0x00); } // #800000

// 12 x 12: one green right-pointing triangle (single-shot, idle).
QPixmap singleShotIdle();
// 12 x 12: two green right-pointing triangles (continuous, idle).
QPixmap continuousIdle();
// 12 x 12: a dark-red filled square (either start button, running).
QPixmap running();
// 20 x 17: an arrow pointer with a question mark (what's-this help).
QPixmap whatsThisHelp();
// 16 x 16: the window icon.
QPixmap windowIcon();
// The window icon's drawing at size x size pixels (the desktop entry's
// icons); needs no GUI application object.
QImage windowIconImage(int size);

} // namespace ov9174fp_icons

#endif
