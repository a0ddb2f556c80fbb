#include "Views/SidebarDelegate.h"

#include "Styling/Availability.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/Inflection.h"
#include "Styling/SourceLogo.h"
#include "Styling/SurfaceStyle.h"
#include "Styling/Symbols.h"
#include "Styling/Tokens.h"
#include "Styling/Typography.h"
#include "Views/ArtworkLoader.h"
#include "Views/ArtworkPainter.h"
#include "Views/FocusFrame.h"
#include "Views/SidebarModel.h"

#include <QPainter>

namespace mivo {

QString SidebarDelegate::trackCountText(qint64 count)
{
    return tr("%n track(s)", nullptr, Inflection::forTr(count));
}

namespace {

constexpr int kSidebarLogoSize = 16;
constexpr int kFolderSymbolSize = 15;
constexpr qreal kSidebarArtworkRadius = 4;
constexpr int kTrailing = 12;
constexpr int kSelectionInset = 6;

int depthOf(const QModelIndex& index)
{
    return index.data(SidebarModel::DepthRole).toInt();
}

int contentLeft(const QRect& cell, int depth)
{
    return cell.left() + SidebarDelegate::kLeading + depth * SidebarDelegate::kIndent;
}

void drawSidebarText(QPainter& painter, const QRectF& rect, const QString& text, const QFont& font,
    const QColor& color, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter)
{
    painter.setFont(font);
    painter.setPen(color);
    const QString shown = QFontMetricsF(font).elidedText(text, Qt::ElideRight, rect.width());
    painter.drawText(rect, int(alignment) | Qt::TextSingleLine, shown);
}

} // namespace

SidebarDelegate::SidebarDelegate(SidebarModel& model, ArtworkLoader& loader, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_model(model)
    , m_loader(loader)
{
}

QSize SidebarDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    switch (SidebarModel::Kind(index.data(SidebarModel::KindRole).toInt())) {
    case SidebarModel::Kind::header:
        return { option.rect.width(), kHeaderHeight };
    case SidebarModel::Kind::folder:
        return { option.rect.width(), kFolderHeight };
    case SidebarModel::Kind::playlist:
        break;
    }
    return { option.rect.width(), kPlaylistHeight };
}

QRect SidebarDelegate::chevronRect(const QRect& cell, int depth)
{
    return { contentLeft(cell, depth), cell.top(), kChevronWidth, cell.height() };
}

void SidebarDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const auto kind = SidebarModel::Kind(index.data(SidebarModel::KindRole).toInt());
    const QRectF rowRect = QRectF(option.rect).adjusted(kSelectionInset, 1, -kSelectionInset, -1);
    if (kind != SidebarModel::Kind::header && (option.state & QStyle::State_Selected)) {
        const GlassTier tier = GlassEnvironment::of(option.widget).tier(Availability::systemGlass());
        const SurfaceStyle selection = SurfaceStyle::of(GlassRole::selection(ThemeColor::accent()), tier);
        selection.paintBackground(*painter, rowRect, option.palette);
        selection.paintOverlay(*painter, rowRect, option.palette);
    }
    switch (kind) {
    case SidebarModel::Kind::header:
        paintHeader(*painter, option, index);
        break;
    case SidebarModel::Kind::folder:
        paintFolder(*painter, option, index);
        break;
    case SidebarModel::Kind::playlist:
        paintPlaylist(*painter, option, index);
        break;
    }
    painter->restore();
    // The keyboard's place: the style's focus frame on the current row, as
    // native lists show it (the style decides when, after keyboard use).
    // It is a ring, the selection a fill, so a current row never looks selected.
    if (kind != SidebarModel::Kind::header && (option.state & QStyle::State_HasFocus))
        FocusFrame::paint(*painter, option, rowRect.toAlignedRect(), option.widget, {},
            (option.state & QStyle::State_Selected)
                ? ThemeColor::accent().withOpacity(0.18).resolve(option.palette)
                : QColor());
}

void SidebarDelegate::paintHeader(
    QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QRect cell = option.rect;
    const auto source = PlaylistSourceId(index.data(SidebarModel::SourceRole).toInt());
    const int left = contentLeft(cell, 0);
    const QRectF logo(
        left, cell.center().y() - kSidebarLogoSize / 2.0 + 1, kSidebarLogoSize, kSidebarLogoSize);
    SourceLogo::paint(painter, logo, Tokens::Source::logoAsset(source),
        Tokens::Source::accent(source).resolve(option.palette));

    const QFont countFont = Typography::font(TextStyle::caption, option.font);
    const QString count = QString::number(index.data(SidebarModel::CountRole).toLongLong());
    const qreal countWidth = QFontMetricsF(countFont).horizontalAdvance(count);
    const QRectF countRect(cell.right() - kTrailing - countWidth, cell.top() + 1, countWidth, cell.height());
    drawSidebarText(painter, countRect, count, countFont, ThemeColor::secondary().resolve(option.palette),
        Qt::AlignRight | Qt::AlignVCenter);

    const qreal nameLeft = logo.right() + Tokens::Space::sm;
    const QRectF nameRect(
        nameLeft, cell.top() + 1, countRect.left() - Tokens::Space::sm - nameLeft, cell.height());
    drawSidebarText(painter, nameRect, index.data(SidebarModel::TitleRole).toString(),
        Typography::font(TextStyle::subheadline, option.font, QFont::DemiBold),
        ThemeColor::secondary().resolve(option.palette));
}

void SidebarDelegate::paintPlaylist(
    QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QRect cell = option.rect;
    const PlaylistDTO* p = m_model.playlistAt(index.row());
    if (!p)
        return;
    const qreal side = SidebarModel::kArtworkSize;
    const QRectF art(contentLeft(cell, depthOf(index)), cell.center().y() - side / 2 + 0.5, side, side);
    ArtworkPainter::paint(painter, art, m_loader.image(p->artwork, side), Tokens::Source::sfSymbol(p->source),
        kSidebarArtworkRadius, option.palette);

    const qreal left = art.right() + Tokens::Space::sm;
    const qreal width = std::max<qreal>(0, cell.right() - kTrailing - left);
    const QFont nameFont = Typography::font(TextStyle::body, option.font);
    const QColor primary = ThemeColor::primary().resolve(option.palette);
    if (!p->trackCount) {
        drawSidebarText(painter, QRectF(left, cell.top(), width, cell.height()), p->name, nameFont, primary);
        return;
    }
    const QFont countFont = Typography::font(TextStyle::caption, option.font);
    const qreal nameHeight = QFontMetricsF(nameFont).height();
    const qreal countHeight = QFontMetricsF(countFont).height();
    const qreal top = cell.top() + (cell.height() - nameHeight - countHeight) / 2;
    drawSidebarText(painter, QRectF(left, top, width, nameHeight), p->name, nameFont, primary);
    drawSidebarText(painter, QRectF(left, top + nameHeight, width, countHeight),
        trackCountText(*p->trackCount), countFont, ThemeColor::secondary().resolve(option.palette));
}

void SidebarDelegate::paintFolder(
    QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QRect cell = option.rect;
    const QRect chevron = chevronRect(cell, depthOf(index));
    const bool expanded = index.data(SidebarModel::ExpandedRole).toBool();
    QColor chevronColor = ThemeColor::secondary().resolve(option.palette);
    if (!m_model.canToggleExpansion())
        chevronColor.setAlphaF(chevronColor.alphaF() * 0.5f);
    const qreal glyph = 9;
    const QRectF glyphRect(
        chevron.center().x() - glyph / 2 + 0.5, chevron.center().y() - glyph / 2 + 0.5, glyph, glyph);
    painter.save();
    painter.translate(glyphRect.center());
    painter.rotate(expanded ? 90 : 0);
    painter.translate(-glyphRect.center());
    Symbols::paint(painter, glyphRect, QStringLiteral("chevron.right"), chevronColor);
    painter.restore();

    const qreal symbolLeft = chevron.right() + 1 + Tokens::Space::xs;
    const QRectF symbol(
        symbolLeft, cell.center().y() - kFolderSymbolSize / 2.0 + 0.5, kFolderSymbolSize, kFolderSymbolSize);
    Symbols::paint(painter, symbol, QStringLiteral("folder"), ThemeColor::accent().resolve(option.palette));
    const qreal left = symbol.right() + Tokens::Space::sm - 2;
    drawSidebarText(painter,
        QRectF(left, cell.top(), std::max<qreal>(0, cell.right() - kTrailing - left), cell.height()),
        index.data(SidebarModel::TitleRole).toString(), Typography::font(TextStyle::body, option.font),
        ThemeColor::primary().resolve(option.palette));
}

} // namespace mivo
