#include "Styling/SystemAccessibilityPreferences.h"

namespace mivo {

SystemAccessibilityPreferences& SystemAccessibilityPreferences::shared()
{
    static SystemAccessibilityPreferences preferences;
    return preferences;
}

} // namespace mivo
