#pragma once

#include "Support/UserDefaults.h"

#include <QObject>
#include <QPointer>

namespace mivo {

// Applies the user's "appAppearance" to every window of the application, at
// once and whenever it changes: "light" and "dark" force the design system's
// light or dark palette; "system" gives the desktop's own palette back (and
// leaves the palette alone when nothing was forced, so a palette set by whoever
// made the application stays).
class AppearanceBinding : public QObject {
    Q_OBJECT

public:
    AppearanceBinding(UserDefaults& defaults, QObject* parent = nullptr);

    // Sets the application palette for `appearance`.
    static void apply(AppAppearance appearance);

private:
    QPointer<UserDefaults> m_defaults;
};

} // namespace mivo
