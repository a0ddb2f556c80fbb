#include "Styling/AppearanceBinding.h"

#include "Styling/PreviewPalettes.h"

#include <QApplication>
#include <utility>

namespace mivo {

namespace {

// Whether the palette in use was forced here, and is to be undone by "system".
bool g_forced = false;

} // namespace

AppearanceBinding::AppearanceBinding(UserDefaults& defaults, QObject* parent)
    : QObject(parent)
    , m_defaults(&defaults)
{
    connect(&defaults, &UserDefaults::appAppearanceChanged, this, [this] {
        if (m_defaults)
            apply(m_defaults->appAppearance());
    });
    apply(defaults.appAppearance());
}

void AppearanceBinding::apply(AppAppearance appearance)
{
    switch (appearance) {
    case AppAppearance::light:
        QApplication::setPalette(PreviewPalettes::light());
        g_forced = true;
        return;
    case AppAppearance::dark:
        QApplication::setPalette(PreviewPalettes::dark());
        g_forced = true;
        return;
    case AppAppearance::system:
        // A palette with nothing of its own set resolves to the desktop's,
        // and follows it when the desktop changes.
        if (std::exchange(g_forced, false))
            QApplication::setPalette(QPalette());
        return;
    }
}

} // namespace mivo
