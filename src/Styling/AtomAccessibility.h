#pragma once

namespace mivo::AtomAccessibility {

// Registers how assistive technology sees the atoms (their roles, and the
// confidence meter's spoken value). Safe to call repeatedly.
void install();

} // namespace mivo::AtomAccessibility
