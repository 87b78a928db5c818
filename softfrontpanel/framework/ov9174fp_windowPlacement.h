// Where a top-level window goes on its screen: centred in the screen's
// available area (the part not taken by panels and docks), and never with its
// top-left corner outside that area, so that a window taller or wider than
// the screen still shows its title, its top row and its left column. One
// application-wide watcher keeps every window and dialog wholly on its
// screen, so that no window needs a placement of its own for that.
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

// Moves a top-level window as little as possible to lie wholly within the
// available area; with `shrink`, a window larger than that area is first
// made smaller (not below its minimum size).
void keepOnScreen(QWidget *window, bool shrink);

// From now on every top-level window and dialog of the application is kept
// on its screen: shrunk and moved in once it has been shown (after its own
// placement), moved in whenever it changes size while visible. Menus, tool
// tips and the splash screen place themselves. Installing it again does
// nothing.
void keepWindowsOnScreen();

#endif
