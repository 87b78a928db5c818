// The panel's shortcuts and the tool tips that name them.
#include "ov9174fp_shortcuts.h"

#include "ov9174fp_app.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHelpEvent>
#include <QPushButton>
#include <QToolTip>

namespace {
// Pops up the widget's tool tip with its key; the widget's tool tip text
// stays as it is (it is also its what's-this text).
class ShortcutTip : public QObject
{
public:
    ShortcutTip(QWidget *widget, const QKeySequence &key) : QObject(widget), key(key) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::ToolTip)
            return false;
        auto *widget = static_cast<QWidget *>(watched);
        QKeySequence shown = key;
        if (shown.isEmpty())
            if (auto *button = qobject_cast<QAbstractButton *>(widget))
                shown = button->shortcut();
        if (widget->toolTip().isEmpty() || shown.isEmpty())
            return false;
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(),
                           toolTipWithShortcut(widget->toolTip(), shown), widget);
        return true;
    }

private:
    QKeySequence key;
};
} // namespace

QString toolTipWithShortcut(const QString &tip, const QKeySequence &key)
{
    if (key.isEmpty())
        return tip;
    return tip + QStringLiteral(" (") + key.toString(QKeySequence::NativeText) + QLatin1Char(')');
}

void showShortcutInToolTip(QWidget *widget, const QKeySequence &key)
{
    widget->installEventFilter(new ShortcutTip(widget, key));
}

void installPanelShortcuts(ov9174fp_app *panel)
{
    const std::pair<QPushButton *, QKeySequence> buttons[] = {
        {panel->singleShotButton(), panelShortcuts::singleShot},
        {panel->continuousButton(), panelShortcuts::continuous},
        {panel->configurationButton(), panelShortcuts::channelConfiguration}};
    for (const auto &[button, key] : buttons) {
        button->setShortcut(key);
        showShortcutInToolTip(button);
    }
}
