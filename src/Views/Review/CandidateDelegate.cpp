#include "Views/Review/CandidateDelegate.h"

#include "Styling/Availability.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/SurfaceStyle.h"
#include "Styling/Tokens.h"
#include "Styling/Typography.h"
#include "Views/FocusFrame.h"
#include "Views/Review/CandidateListModel.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace mivo {

namespace {

constexpr qreal kCandidatePadding = Tokens::Space::sm;
constexpr qreal kLineGap = Tokens::Space::xxs;

struct Fonts {
    QFont title, confidence, tag, delta;

    explicit Fonts(const QFont& base)
        : title(Typography::font(TextStyle::callout, base))
        , confidence(Typography::font(TextStyle::caption, base))
        , tag(Typography::font(TextStyle::caption2, base, QFont::Medium))
        , delta(Typography::font(TextStyle::caption2, base))
    {
    }
};

} // namespace

int CandidateDelegate::rowHeight(const QFont& font)
{
    const Fonts fonts(font);
    const qreal first
        = std::max(QFontMetricsF(fonts.title).height(), QFontMetricsF(fonts.confidence).height());
    const qreal second = std::max(QFontMetricsF(fonts.tag).height(), QFontMetricsF(fonts.delta).height());
    return int(std::ceil(kCandidatePadding + first + kLineGap + second + kCandidatePadding)) + kRowGap;
}

QSize CandidateDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return QSize(option.rect.width(), rowHeight(option.font));
}

void CandidateDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto* model = qobject_cast<const CandidateListModel*>(index.model());
    if (!model)
        return;
    const CandidateRow& row = model->row(index.row());
    const bool selected = index.data(CandidateListModel::SelectedRole).toBool();
    const QPalette& palette = option.palette;
    const Fonts fonts(option.font);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(option.rect).adjusted(0, 0, 0, -kRowGap);
    const GlassRole role = selected ? GlassRole::selection(ThemeColor::accent()) : GlassRole::chip();
    const SurfaceStyle surface
        = SurfaceStyle::of(role, GlassEnvironment::of(option.widget).tier(Availability::systemGlass()));
    surface.paintBackground(*painter, card, palette);

    const QRectF content
        = card.adjusted(kCandidatePadding, kCandidatePadding, -kCandidatePadding, -kCandidatePadding);
    const qreal firstHeight
        = std::max(QFontMetricsF(fonts.title).height(), QFontMetricsF(fonts.confidence).height());
    const QRectF first(content.left(), content.top(), content.width(), firstHeight);
    const QRectF second(content.left(), first.bottom() + kLineGap, content.width(),
        content.bottom() - first.bottom() - kLineGap);

    // Line 1: the title, and the confidence at the trailing end.
    qreal titleRight = first.right();
    if (row.confidenceText) {
        painter->setFont(fonts.confidence);
        painter->setPen(row.confidenceColor.resolve(palette));
        const qreal width = QFontMetricsF(fonts.confidence).horizontalAdvance(*row.confidenceText);
        painter->drawText(first, Qt::AlignRight | Qt::AlignVCenter, *row.confidenceText);
        titleRight -= width + Tokens::Space::sm;
    }
    painter->setFont(fonts.title);
    painter->setPen(ThemeColor::primary().resolve(palette));
    const QRectF titleRect(
        first.left(), first.top(), std::max<qreal>(0, titleRight - first.left()), first.height());
    painter->drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetricsF(fonts.title).elidedText(row.title, Qt::ElideRight, titleRect.width()));

    // Line 2: the source tag, and the length difference at the trailing end.
    painter->setFont(fonts.delta);
    painter->setPen(row.deltaColor.resolve(palette));
    const qreal deltaWidth = QFontMetricsF(fonts.delta).horizontalAdvance(row.deltaText);
    painter->drawText(second, Qt::AlignRight | Qt::AlignVCenter, row.deltaText);
    painter->setFont(fonts.tag);
    painter->setPen(ThemeColor::secondary().resolve(palette));
    const QRectF tagRect(second.left(), second.top(),
        std::max<qreal>(0, second.width() - deltaWidth - Tokens::Space::xs), second.height());
    painter->drawText(tagRect, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetricsF(fonts.tag).elidedText(row.sourceTag, Qt::ElideRight, tagRect.width()));

    surface.paintOverlay(*painter, card, palette);
    painter->restore();
    // The keyboard's place: the style's focus frame on the current candidate.
    // A ring, never a fill: the current candidate is not a picked one.
    if (option.state & QStyle::State_HasFocus)
        FocusFrame::paint(*painter, option, card.toAlignedRect(), option.widget, {},
            selected ? ThemeColor::accent().withOpacity(0.18).resolve(palette) : QColor());
}

} // namespace mivo
