#pragma once

namespace mivo::Availability {

// Whether the windowing system offers a glass effect the surfaces could use.
// There is none on this platform, so the glass tier is never drawn: surfaces
// fall back to translucent materials or opaque colours.
bool systemGlass();

} // namespace mivo::Availability
