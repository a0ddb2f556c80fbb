#pragma once

#include "Styling/AccessibilityPreferences.h"

namespace mivo::test {

// Accessibility settings that never change: none is on, unless motion is to be
// reduced.
class FixedAccessibility : public AccessibilityPreferences {
public:
    explicit FixedAccessibility(bool reduceMotion = false)
        : m_reduceMotion(reduceMotion)
    {
    }

    bool reduceTransparency() const override { return false; }
    bool reduceMotion() const override { return m_reduceMotion; }
    bool increaseContrast() const override { return false; }

private:
    bool m_reduceMotion;
};

} // namespace mivo::test
