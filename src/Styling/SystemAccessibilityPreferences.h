#pragma once

#include "Styling/AccessibilityPreferences.h"

namespace mivo {

// The desktop's accessibility settings. The toolkit exposes none of reduce
// transparency, reduce motion or increased contrast, so all three read as off
// and `changed` is never emitted; the application's own "reduceGlassEffects"
// preference still asks for opaque surfaces.
class SystemAccessibilityPreferences : public AccessibilityPreferences {
    Q_OBJECT

public:
    using AccessibilityPreferences::AccessibilityPreferences;

    static SystemAccessibilityPreferences& shared();

    bool reduceTransparency() const override { return false; }
    bool reduceMotion() const override { return false; }
    bool increaseContrast() const override { return false; }
};

} // namespace mivo
