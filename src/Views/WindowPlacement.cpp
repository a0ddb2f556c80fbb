#include "Views/WindowPlacement.h"

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

} // namespace mivo
