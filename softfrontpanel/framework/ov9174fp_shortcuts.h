// Keyboard shortcuts for the panel's main actions: F5 single shot (start or
// break), F6 continuous run (start or stop), F7 channel configuration. Each
// one is the button's own shortcut, so a key press is a click of the button:
// nothing happens while the button is hidden or disabled, and the button does
// exactly what a click does. The key is shown in the tool tip as it pops up,
// after the button's own text (the tool tip property itself keeps its text).
#ifndef OV9174FP_SHORTCUTS_H
#define OV9174FP_SHORTCUTS_H

#include <QKeySequence>
#include <QString>

class QAbstractButton;
class QWidget;
class ov9174fp_app;

namespace panelShortcuts {
const QKeySequence singleShot(Qt::Key_F5);
const QKeySequence continuous(Qt::Key_F6);
const QKeySequence channelConfiguration(Qt::Key_F7);
} // namespace panelShortcuts

// Gives the panel's start and configuration buttons their shortcuts.
void installPanelShortcuts(ov9174fp_app *panel);

// The tool tip as it pops up: "<tip> (<key>)"; the tip alone without a key.
QString toolTipWithShortcut(const QString &tip, const QKeySequence &key);

// Shows `key` in the tool tip of `widget` whenever it pops up (for buttons
// their own shortcut is shown when `key` is empty).
void showShortcutInToolTip(QWidget *widget, const QKeySequence &key = QKeySequence());

#endif
