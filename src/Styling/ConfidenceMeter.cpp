#include "Styling/ConfidenceMeter.h"

#include "Styling/AtomAccessibility.h"
#include "Styling/Format.h"
#include "Styling/Typography.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace mivo {

namespace {
constexpr qreal kBarHeight = 4;
constexpr qreal kGap = 3;
} // namespace

ConfidenceMeter::ConfidenceMeter(double value, bool showsPercent, QWidget* parent)
    : QWidget(parent)
    , m_value(clampValue(value))
    , m_showsPercent(showsPercent)
{
    AtomAccessibility::install();
    setAccessibleName(QStringLiteral("Match confidence"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

double ConfidenceMeter::clampValue(double value)
{
    if (std::isnan(value))
        return 0;
    return std::clamp(value, 0.0, 1.0);
}

int ConfidenceMeter::percentOf(double value)
{
    return int(Format::roundedPercent(clampValue(value)).value_or(0));
}

ThemeColor ConfidenceMeter::tintFor(double value)
{
    const double v = clampValue(value);
    if (v < 0.5)
        return ThemeColor::orange();
    if (v < 0.75)
        return ThemeColor::yellow();
    return ThemeColor::green();
}

QString ConfidenceMeter::percentText() const
{
    return QString::number(percent()) + u'%';
}

QString ConfidenceMeter::accessibleValue() const
{
    return QString::number(percent()) + QStringLiteral(" percent");
}

QFont ConfidenceMeter::labelFont() const
{
    return Typography::font(TextStyle::caption, font());
}

QSize ConfidenceMeter::sizeHint() const
{
    const QFontMetricsF fm(labelFont());
    return { 140, int(std::ceil(fm.height() + kGap + kBarHeight)) };
}

QSize ConfidenceMeter::minimumSizeHint() const
{
    const QFontMetricsF fm(labelFont());
    const qreal labels = fm.horizontalAdvance(QStringLiteral("Confidence"))
        + (m_showsPercent ? 6 + fm.horizontalAdvance(QStringLiteral("100%")) : 0);
    return { int(std::ceil(labels)), sizeHint().height() };
}

void ConfidenceMeter::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    const QFont font = labelFont();
    const QFontMetricsF fm(font);
    const QRectF area(rect());

    // Labels: the name on the leading side, the percentage on the trailing side.
    const QRectF labels(area.left(), area.top(), area.width(), fm.height());
    painter.setFont(font);
    painter.setPen(ThemeColor::secondary().resolve(pal));
    painter.drawText(labels, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Confidence"));
    if (m_showsPercent) {
        painter.setPen(ThemeColor::primary().resolve(pal));
        painter.drawText(labels, Qt::AlignRight | Qt::AlignVCenter, percentText());
    }

    // The bar: a capsule track with the value's share filled in the tint.
    const QRectF track(area.left(), labels.bottom() + kGap, area.width(), kBarHeight);
    QPainterPath trackPath;
    trackPath.addRoundedRect(track, kBarHeight / 2, kBarHeight / 2);
    painter.fillPath(trackPath, ThemeColor::quaternary().resolve(pal));
    if (m_value > 0) {
        QPainterPath filled;
        filled.addRoundedRect(
            QRectF(track.topLeft(), QSizeF(std::max(kBarHeight, track.width() * m_value), kBarHeight)),
            kBarHeight / 2, kBarHeight / 2);
        painter.fillPath(filled.intersected(trackPath), tint().resolve(pal));
    }
}

} // namespace mivo
