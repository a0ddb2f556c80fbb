#include "Styling/GlassRole.h"

#include "Styling/Tokens.h"

namespace mivo {

GlassRole GlassRole::selection(const ThemeColor& tint)
{
    GlassRole role(Kind::selection);
    role.m_tint = tint;
    return role;
}

qreal GlassRole::cornerRadius() const
{
    switch (m_kind) {
    case Kind::chrome:
        return 0;
    case Kind::groupCard:
        return Tokens::Radius::card;
    case Kind::panel:
    case Kind::floating:
        return Tokens::Radius::panel;
    case Kind::chip:
    case Kind::selection:
        return Tokens::Radius::chip;
    }
    return 0;
}

} // namespace mivo
