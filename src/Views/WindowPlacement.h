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
};

} // namespace mivo
