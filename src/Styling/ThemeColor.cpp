#include "Styling/ThemeColor.h"

#include "Styling/Material.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace mivo {

namespace {

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(float(std::clamp(color.alphaF() * alpha, 0.0, 1.0)));
    return color;
}

// The standard hues. Text in them reaches a contrast of 4.5 : 1 against the
// window and content backgrounds of its appearance: deep shades in the light
// appearance, bright ones in the dark. White text on a light shade reaches it too.
QColor hue(ThemeColor::Named name, bool dark)
{
    switch (name) {
    case ThemeColor::Named::orange:
        return dark ? QColor(255, 161, 46) : QColor(168, 80, 0);
    case ThemeColor::Named::yellow:
        return dark ? QColor(255, 214, 48) : QColor(128, 96, 0);
    case ThemeColor::Named::green:
        return dark ? QColor(56, 204, 94) : QColor(22, 120, 50);
    case ThemeColor::Named::red:
        return dark ? QColor(255, 105, 97) : QColor(196, 40, 36);
    default:
        return {};
    }
}

} // namespace

ThemeColor ThemeColor::fixed(const QColor& color)
{
    ThemeColor c;
    c.m_base = color.toRgb();
    return c;
}

ThemeColor ThemeColor::fromRgb(int red, int green, int blue)
{
    return fixed(QColor(red, green, blue));
}

ThemeColor ThemeColor::named(Named name)
{
    ThemeColor c;
    c.m_base = name;
    return c;
}

ThemeColor ThemeColor::withOpacity(qreal opacity) const
{
    ThemeColor c = *this;
    if (!std::isfinite(opacity))
        opacity = 0;
    c.m_opacity = std::clamp(m_opacity * opacity, 0.0, 1.0);
    return c;
}

std::optional<ThemeColor::Named> ThemeColor::name() const
{
    if (const auto* n = std::get_if<Named>(&m_base))
        return *n;
    return std::nullopt;
}

bool ThemeColor::isDark(const QPalette& palette)
{
    return palette.color(QPalette::Active, QPalette::Window).lightnessF() < 0.5;
}

namespace {

double channel(double c)
{
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& color)
{
    return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF())
        + 0.0722 * channel(color.blueF());
}

QColor mixed(const QColor& from, const QColor& to, double amount)
{
    const auto mix = [amount](double a, double b) { return a + (b - a) * amount; };
    return QColor::fromRgbF(float(mix(from.redF(), to.redF())), float(mix(from.greenF(), to.greenF())),
        float(mix(from.blueF(), to.blueF())));
}

} // namespace

double ThemeColor::contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ThemeColor::composite(const QColor& color, const QColor& background)
{
    QColor result = mixed(background.toRgb(), color.toRgb(), color.alphaF());
    result.setAlphaF(1.0f);
    return result;
}

QColor ThemeColor::legibleOn(const QColor& text, std::initializer_list<QColor> backgrounds, double ratio)
{
    if (backgrounds.size() == 0)
        return text;
    double lightness = 0;
    for (const QColor& background : backgrounds)
        lightness += luminance(background);
    const QColor target
        = lightness / double(backgrounds.size()) > 0.18 ? QColor(Qt::black) : QColor(Qt::white);
    const auto reaches = [&](const QColor& candidate) {
        return std::all_of(backgrounds.begin(), backgrounds.end(),
            [&](const QColor& background) { return contrast(candidate, background) >= ratio; });
    };
    const QColor opaque = composite(text, *backgrounds.begin());
    if (reaches(opaque))
        return opaque;
    for (int step = 1; step <= 20; ++step) {
        const QColor candidate = mixed(opaque, target, step / 20.0);
        if (reaches(candidate))
            return candidate;
    }
    return target;
}

QColor ThemeColor::legibleUnder(const QColor& fill, const QColor& label, double ratio)
{
    const QColor target = luminance(label) > 0.18 ? QColor(Qt::black) : QColor(Qt::white);
    QColor candidate = fill;
    for (int step = 1; step <= 20 && contrast(label, candidate) < ratio; ++step)
        candidate = mixed(fill, target, step / 20.0);
    candidate.setAlphaF(fill.alphaF());
    return candidate;
}

namespace {

// The surfaces text lies on: the window, a list, a card on the window and a
// card on a panel.
std::array<QColor, 4> textSurfaces(const QPalette& palette)
{
    const QColor window = palette.color(QPalette::Active, QPalette::Window);
    const QColor material = Materials::fill(Material::regular, palette);
    const QColor card = ThemeColor::composite(material, window);
    return { window, palette.color(QPalette::Active, QPalette::Base), card,
        ThemeColor::composite(material, card) };
}

// The least opacity, from `least` up, at which the palette's text reaches
// `ratio` against every surface; remembered for the last palette asked about.
qreal textOpacity(const QPalette& palette, qreal least, double ratio)
{
    struct Remembered {
        QRgb text = 0, window = 0, base = 0;
        qreal least = -1;
        double ratio = 0;
        qreal opacity = 1;
    };
    static thread_local std::array<Remembered, 2> remembered;
    const QColor text = palette.color(QPalette::Active, QPalette::WindowText);
    const QRgb window = palette.color(QPalette::Active, QPalette::Window).rgba();
    const QRgb base = palette.color(QPalette::Active, QPalette::Base).rgba();
    Remembered& slot = remembered[ratio > 4 ? 0 : 1];
    if (slot.text == text.rgba() && slot.window == window && slot.base == base && slot.least == least
        && slot.ratio == ratio)
        return slot.opacity;
    const std::array<QColor, 4> surfaces = textSurfaces(palette);
    qreal opacity = least;
    const auto reaches = [&](qreal alpha) {
        const QColor ink = withAlpha(text, alpha);
        return std::all_of(surfaces.begin(), surfaces.end(), [&](const QColor& surface) {
            return ThemeColor::contrast(ThemeColor::composite(ink, surface), surface) >= ratio;
        });
    };
    while (opacity < 1 && !reaches(opacity))
        opacity = std::min<qreal>(1, opacity + 0.01);
    slot = { text.rgba(), window, base, least, ratio, opacity };
    return opacity;
}

} // namespace

QColor ThemeColor::resolveAsFill(const QPalette& palette) const
{
    if (const auto* n = std::get_if<Named>(&m_base)) {
        if (const QColor shade = hue(*n, false); shade.isValid())
            return withAlpha(shade, m_opacity);
    }
    return resolve(palette);
}

QColor ThemeColor::resolve(const QPalette& palette) const
{
    if (const auto* color = std::get_if<QColor>(&m_base))
        return withAlpha(*color, m_opacity);

    const bool dark = isDark(palette);
    const QColor text = palette.color(QPalette::Active, QPalette::WindowText);
    QColor base;
    switch (std::get<Named>(m_base)) {
    case Named::primary:
        base = text;
        break;
    case Named::secondary:
        // Secondary text reads at 4.5:1 on every surface it lies on; tertiary
        // text, quieter, at 3:1, and no more than it takes, so the two stay
        // apart however dark the palette's text is. A little over each, for
        // the rounding to whole colour steps.
        base = withAlpha(text, textOpacity(palette, 0.55, 4.6));
        break;
    case Named::tertiary:
        base = withAlpha(text, textOpacity(palette, 0.25, 3.1));
        break;
    case Named::quaternary:
    case Named::quaternaryLabel:
        base = withAlpha(text, dark ? 0.16 : 0.12);
        break;
    case Named::accent:
        base = palette.color(QPalette::Active, QPalette::Highlight);
        break;
    case Named::separator:
        base = withAlpha(text, dark ? 0.22 : 0.16);
        break;
    case Named::windowBackground:
        base = palette.color(QPalette::Active, QPalette::Window);
        break;
    case Named::controlBackground:
        base = palette.color(QPalette::Active, QPalette::Base);
        break;
    case Named::orange:
    case Named::yellow:
    case Named::green:
    case Named::red:
        base = hue(std::get<Named>(m_base), dark);
        break;
    }
    return withAlpha(base, m_opacity);
}

} // namespace mivo
