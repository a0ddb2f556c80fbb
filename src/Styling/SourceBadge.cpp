#include "Styling/SourceBadge.h"

#include "Styling/AssetImages.h"
#include "Styling/AtomAccessibility.h"
#include "Styling/Typography.h"

#include <QPainter>
#include <cmath>

namespace mivo {

namespace {
constexpr qreal kIconSide = 12;
constexpr qreal kSpacing = 4;
} // namespace

SourceBadge::SourceBadge(const std::optional<Style>& style, QWidget* parent)
    : QWidget(parent)
    , m_style(style)
{
    AtomAccessibility::install();
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    if (m_style)
        setAccessibleName(QStringLiteral("Source %1").arg(m_style->label));
    else
        setVisible(false);
}

SourceBadge::SourceBadge(const std::optional<TrackMeta>& meta, QWidget* parent)
    : SourceBadge(styleFor(meta), parent)
{
}

std::optional<SourceBadge::Style> SourceBadge::styleFor(const std::optional<TrackMeta>& meta)
{
    if (!meta || !meta->source)
        return std::nullopt;
    return Tokens::Source::downloadStyle(meta->source);
}

QFont SourceBadge::font(const QFont& base)
{
    return Typography::font(TextStyle::callout, base, QFont::Medium);
}

QSizeF SourceBadge::sizeFor(const Style& style, const QFont& font)
{
    const QFontMetricsF fm(font);
    const qreal icon = style.asset ? kIconSide + kSpacing : 0;
    return { icon + fm.horizontalAdvance(style.label), std::max(kIconSide, fm.height()) };
}

void SourceBadge::paint(
    QPainter& painter, const QRectF& rect, const Style& style, const QFont& font, const QPalette& palette)
{
    const QColor color = style.color.resolve(palette);
    qreal x = rect.left();
    if (style.asset) {
        const QRectF icon(x, rect.center().y() - kIconSide / 2, kIconSide, kIconSide);
        AssetImages::paint(painter, icon, *style.asset, color);
        x += kIconSide + kSpacing;
    }
    painter.save();
    painter.setFont(font);
    painter.setPen(color);
    const QRectF text(x, rect.top(), std::max<qreal>(0, rect.right() - x), rect.height());
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetricsF(font).elidedText(style.label, Qt::ElideRight, text.width() + 0.5));
    painter.restore();
}

QSize SourceBadge::sizeHint() const
{
    if (!m_style)
        return { 0, 0 };
    const QSizeF size = sizeFor(*m_style, font(QWidget::font()));
    return { int(std::ceil(size.width())), int(std::ceil(size.height())) };
}

void SourceBadge::paintEvent(QPaintEvent*)
{
    if (!m_style)
        return;
    QPainter painter(this);
    paint(painter, QRectF(rect()), *m_style, font(QWidget::font()), palette());
}

} // namespace mivo
