#pragma once

#include <QMargins>
#include <QSize>

class QScreen;
class QWidget;

namespace mivo {

// Where a window of the application opens, and how large: over the window it
// belongs to, within the available area of its screen.
class WindowPlacement {
public:
    // The size of a window in an area of `area`: `wanted` where it fits,
    // otherwise the largest that does, never under `minimum` unless the area
    // itself is smaller.
    static QSize sizeWithin(QSize area, QSize wanted, QSize minimum);

    // Gives `window` the size it is made for, or the largest that fits the
    // available area of `screen` less `frame` (what the window manager adds
    // around it). A window of a fixed size keeps that size where it fits, and
    // comes back to it on a larger screen; a resizable one keeps its size and
    // its minimum where they fit.
    static void fitInto(QWidget* window, const QScreen* screen, QMargins frame);

    // Moves `window` so that it is centred over `over`, kept inside the
    // available area of the screen `over` is on (the top-left corner wins where
    // it does not fit), its frame taken to be like that of `over`; first it is
    // fitted into that area. Nothing happens while `over` is hidden.
    static void centreOver(QWidget* window, const QWidget* over);

    // Fits a window that is not maximised into the available area of the
    // screen it is most on, or the primary screen when it is on none, and moves
    // it within that area; the top-left corner wins where it does not fit.
    static void keepOnScreen(QWidget* window);

    // A window of a fixed size, or one that holds up another, offers only to be
    // closed: its title bar has no button to minimise or enlarge it. Keeps the
    // window's type (a dialog stays a dialog).
    static void offerOnlyClose(QWidget* window);

    // What the window manager's frame adds around the inside of `window`;
    // nothing while the window has no frame (yet).
    static QMargins frameMargins(const QWidget* window);
};

} // namespace mivo
