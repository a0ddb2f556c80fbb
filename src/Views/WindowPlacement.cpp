#include "Views/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace mivo {

void WindowPlacement::centreOver(QWidget* window, const QWidget* over)
{
    if (!window || !over || !over->isVisible())
        return;
    // Window managers give both windows alike frames: centring the insides
    // centres the frames. The inside is what every platform places alike.
    const QRect target = over->geometry();
    const QRect frame = over->frameGeometry();
    const QMargins margins(target.left() - frame.left(), target.top() - frame.top(),
        frame.right() - target.right(), frame.bottom() - target.bottom());
    const QSize size = window->size();
    int x = target.x() + (target.width() - size.width()) / 2;
    int y = target.y() + (target.height() - size.height()) / 2;
    if (const QScreen* screen = over->screen()) {
        const QRect area = screen->availableGeometry().marginsRemoved(margins);
        x = std::max(area.left(), std::min(x, area.right() + 1 - size.width()));
        y = std::max(area.top(), std::min(y, area.bottom() + 1 - size.height()));
    }
    window->setGeometry(x, y, size.width(), size.height());
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
    const QMargins margins(geometry.left() - frame.left(), geometry.top() - frame.top(),
        frame.right() - geometry.right(), frame.bottom() - geometry.bottom());
    const QRect area = screen->availableGeometry().marginsRemoved(margins);
    const QSize size = geometry.size().boundedTo(area.size()).expandedTo(window->minimumSize());
    const int x = std::max(area.left(), std::min(geometry.x(), area.right() + 1 - size.width()));
    const int y = std::max(area.top(), std::min(geometry.y(), area.bottom() + 1 - size.height()));
    if (QRect(x, y, size.width(), size.height()) != geometry)
        window->setGeometry(x, y, size.width(), size.height());
}

} // namespace mivo
