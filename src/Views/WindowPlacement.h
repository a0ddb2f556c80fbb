#pragma once

class QWidget;

namespace mivo {

// Where a window of the application opens: over the window it belongs to.
class WindowPlacement {
public:
    // Moves `window` so that it is centred over `over`, kept inside the
    // available area of the screen `over` is on (the top-left corner wins where
    // it does not fit), its frame taken to be like that of `over`. Nothing
    // happens while `over` is hidden.
    static void centreOver(QWidget* window, const QWidget* over);

    // Moves (and where it must, shrinks down to its minimum size) a window that
    // is not maximised into the available area of the screen it is most on, or
    // the primary screen when it is on none; the top-left corner wins where it
    // does not fit.
    static void keepOnScreen(QWidget* window);
};

} // namespace mivo
