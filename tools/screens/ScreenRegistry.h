#pragma once

#include <QList>
#include <QSize>
#include <QString>
#include <functional>
#include <initializer_list>

class QWidget;

namespace mivo::screens {

class ScreenFixture;

// One named state of a window, rendered to "<name>-light.png" and "<name>-dark.png".
struct ScreenState {
    QString name; // lower case words joined by "-", unique over the tool
    QSize size; // the window's size in the picture; none: the size it takes on its screen
    // Builds the widget from a fresh fixture; the tool owns the widget afterwards.
    std::function<QWidget*(ScreenFixture&)> build;
    // Above 1: drawn as on a 1920 × 1080 screen at this scale (a run of its own).
    qreal scale = 1;
};

// Every state of every window. Each window area registers its states from its own
// source file with a static ScreenRegistration.
class ScreenRegistry {
public:
    static ScreenRegistry& instance();

    void add(ScreenState state);
    // Sorted by name.
    QList<ScreenState> states() const;

private:
    QList<ScreenState> m_states;
};

// Registers states when the program starts:
//   static const ScreenRegistration registration { { "sidebar-loading", { 300, 500 }, buildLoading } };
struct ScreenRegistration {
    ScreenRegistration(std::initializer_list<ScreenState> states);
};

} // namespace mivo::screens
