#include "ov9174fp_windowPlacement.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include <algorithm>

QPoint centredWithin(const QSize &frame, const QRect &available)
{
    const int x = available.x() + (available.width() - frame.width()) / 2;
    const int y = available.y() + (available.height() - frame.height()) / 2;
    return QPoint(std::max(x, available.x()), std::max(y, available.y()));
}

QPoint keptWithin(const QRect &frame, const QRect &available)
{
    int x = std::min(frame.x(), available.x() + available.width() - frame.width());
    int y = std::min(frame.y(), available.y() + available.height() - frame.height());
    return QPoint(std::max(x, available.x()), std::max(y, available.y()));
}

QRect availableArea(const QWidget *window)
{
    const QScreen *screen = window ? window->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void fitToScreen(QWidget *window)
{
    if (!window)
        return;
    // The size hint counts what was just shown or hidden only once the
    // pending layout requests have been handled.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    if (window->layout())
        window->layout()->activate();
    const QRect available = availableArea(window);
    QSize size = window->sizeHint().expandedTo(window->minimumSizeHint());
    if (available.isValid())
        size = size.boundedTo(available.size());
    window->resize(size.expandedTo(window->minimumSize()));
    if (!available.isValid())
        return;
    // The frame a window manager adds is known once the window is shown.
    const QSize frame = window->frameGeometry().size().expandedTo(window->size());
    window->move(centredWithin(frame, available));
}

void keepOnScreen(QWidget *window, bool shrink)
{
    if (!window || !window->isWindow())
        return;
    const QRect available = availableArea(window);
    if (!available.isValid())
        return;
    // The frame a window manager adds counts as part of the window.
    const QSize frameExtra = window->frameGeometry().size().expandedTo(window->size()) - window->size();
    const QSize room = available.size() - frameExtra;
    if (shrink && (window->width() > room.width() || window->height() > room.height()))
        window->resize(window->size().boundedTo(room).expandedTo(window->minimumSize()));
    const QRect frame(window->frameGeometry().topLeft(), window->size() + frameExtra);
    const QPoint kept = keptWithin(frame, available);
    if (kept != frame.topLeft())
        window->move(kept);
}

namespace {

// Watches the show and resize events of every widget of the application.
class WindowKeeper : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // ShowToParent comes after the window's own show handling (where
        // a dialog places itself over its parent) and after it is mapped.
        const QEvent::Type type = event->type();
        if ((type == QEvent::ShowToParent || type == QEvent::Resize) && watched->isWidgetType()) {
            auto *widget = static_cast<QWidget *>(watched);
            // A window given a size larger than the screen while it is up
            // keeps that size; it is only moved.
            if (kept(widget) && (type == QEvent::ShowToParent || widget->isVisible()))
                keepOnScreen(widget, type == QEvent::ShowToParent);
        }
        return false;
    }

private:
    static bool kept(const QWidget *widget)
    {
        if (!widget->isWindow())
            return false;
        switch (widget->windowType()) {
        case Qt::Window:
        case Qt::Dialog:
        case Qt::Sheet:
        case Qt::Drawer:
        case Qt::Tool:
            return true;
        default: // popups, tool tips, the splash screen, the desktop
            return false;
        }
    }
};

} // namespace

void keepWindowsOnScreen()
{
    static QPointer<WindowKeeper> keeper;
    QCoreApplication *application = QCoreApplication::instance();
    if (keeper || !application)
        return;
    keeper = new WindowKeeper(application);
    application->installEventFilter(keeper);
}
