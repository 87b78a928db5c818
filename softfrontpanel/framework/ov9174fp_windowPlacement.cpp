#include "ov9174fp_windowPlacement.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
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
