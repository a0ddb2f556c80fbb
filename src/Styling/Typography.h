#pragma once

#include <QFont>

namespace mivo {

// The named text styles. Sizes are relative to the application font, which is
// the body size; the other styles keep their usual proportion to it.
enum class TextStyle {
    largeTitle,
    title,
    title2,
    title3,
    headline,
    body,
    callout,
    subheadline,
    footnote,
    caption,
    caption2
};

namespace Typography {

// The smallest text the windows show: 11 pixels at the usual 96 dots per inch.
// A style never goes below it unless the body itself is smaller.
inline constexpr qreal kMinimumPointSize = 8.25;

// The font of a text style derived from `base` (the widget's font), at `weight`.
// The headline style is bold unless a heavier weight is asked for.
QFont font(TextStyle style, const QFont& base, QFont::Weight weight = QFont::Normal);

// The point size a style has when the body is `bodyPointSize`, never under the
// floor above.
qreal pointSize(TextStyle style, qreal bodyPointSize);

} // namespace Typography

} // namespace mivo
