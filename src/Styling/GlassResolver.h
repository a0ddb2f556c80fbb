#pragma once

namespace mivo {

// The rendering tier of a surface or glass-aware button.
enum class GlassTier {
    glass, // the system's glass effect
    translucent, // a translucent material
    opaque, // an opaque system colour
};

// The window's glass policy: the one value that decides how surfaces and the
// adaptive buttons render. Computed by the main window's root and read by every
// widget inside it (GlassEnvironment); everything else sees the fallback.
struct GlassResolver {
    bool osSupportsGlass = false; // the system offers the glass effects
    bool prefersOpaque = false; // reduce transparency, or the "reduceGlassEffects" preference
    bool reduceMotion = false; // for views that animate; never changes the tier
    bool increaseContrast = false; // the increased-contrast appearance

    bool usesGlass() const { return osSupportsGlass && !prefersOpaque && !increaseContrast; }
    bool usesTranslucency() const { return !prefersOpaque && !increaseContrast; }

    // All flags off: not glass, translucent.
    static constexpr GlassResolver fallback() { return {}; }

    // The policy from the system's accessibility settings and the application's
    // own "reduceGlassEffects" preference.
    static GlassResolver resolve(bool osSupportsGlass, bool reduceTransparency, bool reduceMotion,
        bool increaseContrast, bool appReduceGlass);

    // The tier a consumer draws in. Glass needs both the policy and the facility
    // at the point of use; otherwise a material when translucency is allowed,
    // else an opaque colour.
    GlassTier tier(bool glassAvailableHere) const;

    bool operator==(const GlassResolver&) const = default;
};

} // namespace mivo
