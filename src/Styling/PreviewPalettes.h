#pragma once

#include <QPalette>

namespace mivo {

// A light and a dark palette for rendering the design system outside the running
// application (the gallery, offscreen checks), independent of the desktop theme.
namespace PreviewPalettes {
QPalette light();
QPalette dark();
} // namespace PreviewPalettes

} // namespace mivo
