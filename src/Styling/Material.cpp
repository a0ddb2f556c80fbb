#include "Styling/Material.h"

#include "Styling/ThemeColor.h"

namespace mivo::Materials {

qreal opacity(Material material)
{
    switch (material) {
    case Material::ultraThin:
        return 0.45;
    case Material::regular:
        return 0.72;
    case Material::bar:
        return 0.8;
    case Material::thick:
        // Floating surfaces lie over text; with no blur, only a nearly opaque
        // fill keeps that text from reading through as ghost letters.
        return 0.98;
    }
    return 1.0;
}

QColor fill(Material material, const QPalette& palette)
{
    // Halfway between the window and the content background, a little lighter
    // than the window in both appearances, as frosted surfaces look.
    const QColor window = palette.color(QPalette::Active, QPalette::Window);
    const QColor base = palette.color(QPalette::Active, QPalette::Base);
    const bool dark = ThemeColor::isDark(palette);
    const QColor lift = dark ? QColor(255, 255, 255) : base;
    const qreal mix = dark ? 0.06 : 0.5;
    QColor color = QColor::fromRgbF(float(window.redF() * (1 - mix) + lift.redF() * mix),
        float(window.greenF() * (1 - mix) + lift.greenF() * mix),
        float(window.blueF() * (1 - mix) + lift.blueF() * mix));
    color.setAlphaF(float(opacity(material)));
    return color;
}

} // namespace mivo::Materials
