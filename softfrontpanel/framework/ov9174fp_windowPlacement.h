// Where a top-level window goes on its screen: centred in the screen's
// available area (the part not taken by panels and docks), and never with its
// top-left corner outside that area, so that a window taller or wider than
// the screen still shows its title, its top row and its left column.
#ifndef OV9174FP_WINDOWPLACEMENT_H
#define OV9174FP_WINDOWPLACEMENT_H

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// Top-left corner of a window of the given frame size centred in `available`.
QPoint centredWithin(const QSize &frame, const QRect &available);

// Top-left corner of the window `frame` moved as little as possible to lie
// within `available`; where it does not fit, its top and left edges win.
QPoint keptWithin(const QRect &frame, const QRect &available);

// The available area of the screen the window is on (the primary screen
// before it has one).
QRect availableArea(const QWidget *window);

// Sizes the window to its size hint, no larger than the available area
// (but never below its minimum size), after the pending layout requests
// are handled, and centres it there.
void fitToScreen(QWidget *window);

#endif
