#pragma once

#include "Styling/ThemeColor.h"

#include <optional>

namespace mivo {

// The role of a surface. A view names the role; the role together with the glass
// policy decides radius, material, fill and border (SurfaceStyle).
class GlassRole {
public:
    enum class Kind {
        chrome, // a bar: square corners, no border
        groupCard, // a card that groups content
        panel, // a large panel
        floating, // floats over content, such as a banner
        chip, // a small label-sized surface
        selection, // the highlight of a selected item, tinted
    };

    static GlassRole chrome() { return GlassRole(Kind::chrome); }
    static GlassRole groupCard() { return GlassRole(Kind::groupCard); }
    static GlassRole panel() { return GlassRole(Kind::panel); }
    static GlassRole floating() { return GlassRole(Kind::floating); }
    static GlassRole chip() { return GlassRole(Kind::chip); }
    static GlassRole selection(const ThemeColor& tint);

    Kind kind() const { return m_kind; }
    // The colour of a selection; absent for the other roles.
    std::optional<ThemeColor> tint() const { return m_tint; }
    qreal cornerRadius() const;

    bool operator==(const GlassRole&) const = default;

private:
    explicit GlassRole(Kind kind)
        : m_kind(kind)
    {
    }

    Kind m_kind;
    std::optional<ThemeColor> m_tint;
};

} // namespace mivo
