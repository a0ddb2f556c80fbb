#pragma once

#include <QColor>
#include <QPalette>
#include <initializer_list>
#include <optional>
#include <variant>

namespace mivo {

// A colour as the design system names it: either a fixed sRGB colour (the
// service colours) or one of the named system colours, which follow the light
// or dark appearance. Named colours are resolved against a palette at paint
// time, so a widget repaints correctly after the palette changes.
class ThemeColor {
public:
    enum class Named {
        primary, // the main text colour
        secondary, // secondary text and symbols
        tertiary,
        quaternary,
        accent, // the application's accent colour
        orange,
        yellow,
        green,
        red,
        separator, // thin borders and dividers
        windowBackground,
        controlBackground, // the background of content areas such as lists
        quaternaryLabel,
    };

    // The primary text colour.
    ThemeColor() = default;

    static ThemeColor fixed(const QColor& color);
    static ThemeColor fromRgb(int red, int green, int blue);
    static ThemeColor named(Named name);

    static ThemeColor primary() { return named(Named::primary); }
    static ThemeColor secondary() { return named(Named::secondary); }
    static ThemeColor tertiary() { return named(Named::tertiary); }
    static ThemeColor quaternary() { return named(Named::quaternary); }
    static ThemeColor accent() { return named(Named::accent); }
    static ThemeColor orange() { return named(Named::orange); }
    static ThemeColor yellow() { return named(Named::yellow); }
    static ThemeColor green() { return named(Named::green); }
    static ThemeColor red() { return named(Named::red); }
    static ThemeColor separator() { return named(Named::separator); }
    static ThemeColor windowBackground() { return named(Named::windowBackground); }
    static ThemeColor controlBackground() { return named(Named::controlBackground); }
    static ThemeColor quaternaryLabel() { return named(Named::quaternaryLabel); }

    // The same colour with its opacity multiplied by `opacity` (clamped to 0...1).
    ThemeColor withOpacity(qreal opacity) const;

    bool isFixed() const { return std::holds_alternative<QColor>(m_base); }
    std::optional<Named> name() const;
    qreal opacity() const { return m_opacity; }

    // The concrete colour in `palette` (active colour group).
    QColor resolve(const QPalette& palette) const;
    // The colour of a filled shape under white text: the standard hues take
    // their deep shade in either appearance, so the text stays legible; other
    // colours resolve as above.
    QColor resolveAsFill(const QPalette& palette) const;

    // Whether a palette is a dark appearance (its window background is dark).
    static bool isDark(const QPalette& palette);

    // The contrast ratio of two opaque colours, from 1 (alike) to 21 (black on white).
    static double contrast(const QColor& a, const QColor& b);
    // `color` laid over the opaque `background`.
    static QColor composite(const QColor& color, const QColor& background);
    // `text` drawn over each of `backgrounds`, shaded towards black on light
    // backgrounds and towards white on dark ones just as far as it takes to
    // reach `ratio` against all of them; opaque. A text that already reaches it
    // keeps its colour.
    static QColor legibleOn(
        const QColor& text, std::initializer_list<QColor> backgrounds, double ratio = 4.5);
    // A fill deepened just as far as it takes for `label` on it to reach `ratio`.
    static QColor legibleUnder(const QColor& fill, const QColor& label, double ratio = 4.5);

    bool operator==(const ThemeColor&) const = default;

private:
    std::variant<Named, QColor> m_base = Named::primary;
    qreal m_opacity = 1.0;
};

} // namespace mivo
