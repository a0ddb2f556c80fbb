#include "Views/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace mivo {

namespace {

// What the window manager's frame adds around the inside of `window`.
QMargins frameMargins(const QWidget* window)
{
    const QRect inside = window->geometry();
    const QRect frame = window->frameGeometry();
    return QMargins(inside.left() - frame.left(), inside.top() - frame.top(), frame.right() - inside.right(),
        frame.bottom() - inside.bottom());
}

// Where a window inside of `size` at `wanted` goes to lie within `area` (the
// screen's available area less the frame); the top-left corner wins where it
// does not fit.
QPoint keptWithin(const QRect& area, QPoint wanted, QSize size)
{
    return QPoint(std::max(area.left(), std::min(wanted.x(), area.right() + 1 - size.width())),
        std::max(area.top(), std::min(wanted.y(), area.bottom() + 1 - size.height())));
}

} // namespace

void WindowPlacement::centreOver(QWidget* window, const QWidget* over)
{
    if (!window || !over || !over->isVisible())
        return;
    // Window managers give both windows alike frames: centring the insides
    // centres the frames. The inside is what every platform places alike.
    const QRect target = over->geometry();
    const QSize size = window->size();
    QPoint place(
        target.x() + (target.width() - size.width()) / 2, target.y() + (target.height() - size.height()) / 2);
    if (const QScreen* screen = over->screen())
        place = keptWithin(screen->availableGeometry().marginsRemoved(frameMargins(over)), place, size);
    window->setGeometry(QRect(place, size));
}

void WindowPlacement::keepOnScreen(QWidget* window)
{
    if (!window || window->isMaximized() || window->isFullScreen())
        return;
    const QRect frame = window->frameGeometry();
    const QScreen* screen = nullptr;
    qint64 most = 0;
    for (const QScreen* candidate : QGuiApplication::screens()) {
        const QRect common = candidate->availableGeometry().intersected(frame);
        const qint64 area = qint64(common.width()) * common.height();
        if (area > most) {
            most = area;
            screen = candidate;
        }
    }
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect geometry = window->geometry();
    const QRect area = screen->availableGeometry().marginsRemoved(frameMargins(window));
    const QSize size = geometry.size().boundedTo(area.size()).expandedTo(window->minimumSize());
    const QRect kept(keptWithin(area, geometry.topLeft(), size), size);
    if (kept != geometry)
        window->setGeometry(kept);
}

} // namespace mivo
