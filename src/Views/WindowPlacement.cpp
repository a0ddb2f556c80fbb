#include "Views/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>
#include <algorithm>

namespace mivo {

namespace {

// What a window is made for, taken the first time it is fitted: a fitted size
// or minimum, smaller on a small screen, is not what it is made for.
constexpr const char* kMadeSize = "mivoWindowMadeSize";
constexpr const char* kMadeMinimum = "mivoWindowMadeMinimum";

QSize madeFor(QWidget* window, const char* name, QSize now)
{
    const QVariant kept = window->property(name);
    if (kept.isValid())
        return kept.toSize();
    window->setProperty(name, now);
    return now;
}

bool fixedSize(const QWidget* window)
{
    return window->minimumSize() == window->maximumSize();
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

QMargins WindowPlacement::frameMargins(const QWidget* window)
{
    const QRect inside = window->geometry();
    const QRect frame = window->frameGeometry();
    return QMargins(inside.left() - frame.left(), inside.top() - frame.top(), frame.right() - inside.right(),
        frame.bottom() - inside.bottom());
}

void WindowPlacement::offerOnlyClose(QWidget* window)
{
    if (!window)
        return;
    Qt::WindowFlags type = window->windowFlags() & Qt::WindowType_Mask;
    if (!(type & Qt::Window))
        type = Qt::Window;
    window->setWindowFlags(type | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
}

QSize WindowPlacement::sizeWithin(QSize area, QSize wanted, QSize minimum)
{
    const QSize floor = minimum.boundedTo(area).expandedTo(QSize(0, 0));
    return wanted.boundedTo(area).expandedTo(floor);
}

void WindowPlacement::fitInto(QWidget* window, const QScreen* screen, QMargins frame)
{
    if (!window || !screen)
        return;
    const QSize area = screen->availableGeometry().marginsRemoved(frame).size();
    if (fixedSize(window)) {
        const QSize size = sizeWithin(area, madeFor(window, kMadeSize, window->minimumSize()), {});
        if (size != window->size() || size != window->minimumSize())
            window->setFixedSize(size);
        return;
    }
    const QSize minimum = madeFor(window, kMadeMinimum, window->minimumSize()).boundedTo(area);
    if (minimum != window->minimumSize())
        window->setMinimumSize(minimum);
    const QSize size = sizeWithin(area, window->size(), minimum);
    if (size != window->size())
        window->resize(size);
}

void WindowPlacement::centreOver(QWidget* window, const QWidget* over)
{
    if (!window || !over || !over->isVisible())
        return;
    // Window managers give both windows alike frames: centring the insides
    // centres the frames. The inside is what every platform places alike.
    const QScreen* screen = over->screen();
    const QMargins frame = frameMargins(over);
    fitInto(window, screen, frame);
    const QRect target = over->geometry();
    const QSize size = window->size();
    QPoint place(
        target.x() + (target.width() - size.width()) / 2, target.y() + (target.height() - size.height()) / 2);
    if (screen)
        place = keptWithin(screen->availableGeometry().marginsRemoved(frame), place, size);
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
    const QMargins margins = frameMargins(window);
    fitInto(window, screen, margins);
    const QRect geometry = window->geometry();
    const QRect area = screen->availableGeometry().marginsRemoved(margins);
    const QRect kept(keptWithin(area, geometry.topLeft(), geometry.size()), geometry.size());
    if (kept != geometry)
        window->setGeometry(kept);
}

} // namespace mivo
