#include "Styling/Typography.h"

#include <algorithm>

namespace mivo::Typography {

namespace {

// Sizes of the styles relative to a body of 13.
qreal relativeSize(TextStyle style)
{
    switch (style) {
    case TextStyle::largeTitle:
        return 26;
    case TextStyle::title:
        return 22;
    case TextStyle::title2:
        return 17;
    case TextStyle::title3:
        return 15;
    case TextStyle::headline:
    case TextStyle::body:
        return 13;
    case TextStyle::callout:
        return 12;
    case TextStyle::subheadline:
        return 11;
    case TextStyle::footnote:
    case TextStyle::caption:
    case TextStyle::caption2:
        return 10;
    }
    return 13;
}

} // namespace

qreal pointSize(TextStyle style, qreal bodyPointSize)
{
    const qreal size = bodyPointSize * relativeSize(style) / 13.0;
    // Desktop fonts are smaller than a 13-point body, so the small styles
    // would drop below what reads comfortably; they stop at the caption floor.
    return std::max(size, std::min(kMinimumPointSize, bodyPointSize));
}

QFont font(TextStyle style, const QFont& base, QFont::Weight weight)
{
    QFont font = base;
    // A font given in pixels has no point size; fall back to a plain body size.
    const qreal body = base.pointSizeF() > 0 ? base.pointSizeF() : 10.0;
    font.setPointSizeF(pointSize(style, body));
    if (style == TextStyle::headline)
        weight = std::max(weight, QFont::Bold);
    font.setWeight(weight);
    return font;
}

} // namespace mivo::Typography
