#include "Styling/ThemeColor.h"

#include <algorithm>
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
        base = withAlpha(text, 0.55);
        break;
    case Named::tertiary:
        // Quieter than secondary, still 3:1 on the window and the cards.
        base = withAlpha(text, dark ? 0.42 : 0.5);
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
