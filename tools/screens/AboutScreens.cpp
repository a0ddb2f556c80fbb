// The About window.

#include "ScreenFixture.h"
#include "ScreenRegistry.h"
#include "Views/AboutWindow.h"

namespace mivo::screens {

namespace {

QWidget* about(ScreenFixture&)
{
    auto* window = new AboutWindow(QStringLiteral("1.4.2"));
    return window;
}

const ScreenRegistration registration { { QStringLiteral("about"), { 300, 210 }, about } };

} // namespace

} // namespace mivo::screens
