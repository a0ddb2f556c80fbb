#include "Styling/GlassResolver.h"

namespace mivo {

GlassResolver GlassResolver::resolve(bool osSupportsGlass, bool reduceTransparency, bool reduceMotion,
    bool increaseContrast, bool appReduceGlass)
{
    return { osSupportsGlass, reduceTransparency || appReduceGlass, reduceMotion, increaseContrast };
}

GlassTier GlassResolver::tier(bool glassAvailableHere) const
{
    if (usesGlass() && glassAvailableHere)
        return GlassTier::glass;
    return usesTranslucency() ? GlassTier::translucent : GlassTier::opaque;
}

} // namespace mivo
