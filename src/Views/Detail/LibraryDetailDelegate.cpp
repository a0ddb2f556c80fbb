#include "Views/Detail/LibraryDetailDelegate.h"

#include "State/PlaylistGroup.h"
#include "Styling/Availability.h"
#include "Styling/Format.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/GlassRole.h"
#include "Styling/SourceBadge.h"
#include "Styling/SurfaceStyle.h"
#include "Styling/Tokens.h"
#include "Styling/Typography.h"
#include "Views/Detail/DetailCard.h"
#include "Views/Detail/LibraryDetailList.h"
#include "Views/Detail/PlaylistGroupHeader.h"
#include "Views/Detail/TrackStatusCell.h"
#include "Views/FocusFrame.h"

#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace mivo {

namespace {

using Row = LibraryDetailModel::Row;
using RowKind = LibraryDetailModel::RowKind;

const QString kDash = QStringLiteral("\u2014");
constexpr qreal kRowArtworkRadius = 4;

// Where a table row's slice starts, measured from the top of its table card.
qreal offsetInTable(const Row& row)
{
    switch (row.kind) {
    case RowKind::columnTitles:
        return 0;
    case RowKind::track:
        return TrackColumns::kVerticalPadding + TrackColumns::kHeaderHeight
            + qreal(row.trackIndex) * TrackColumns::kRowHeight;
    case RowKind::emptyTable:
        return TrackColumns::kVerticalPadding + TrackColumns::kHeaderHeight;
    case RowKind::groupHeader:
    case RowKind::fold:
        break;
    }
    return 0;
}

qreal topGap(const Row& row)
{
    return row.kind == RowKind::groupHeader && row.firstGroup ? LibraryDetailDelegate::kOuterPadding : 0;
}

void drawText(QPainter& painter, const QRectF& rect, const QString& text, const QFont& font,
    const QColor& color, Qt::Alignment alignment = Qt::AlignLeft)
{
    if (rect.width() <= 0) // a column the table has no room for
        return;
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(rect, alignment | Qt::AlignVCenter,
        QFontMetricsF(font).elidedText(text, Qt::ElideRight, rect.width() + 0.5));
}

} // namespace

LibraryDetailDelegate::LibraryDetailDelegate(LibraryDetailList* view)
    : QStyledItemDelegate(view)
    , m_view(view)
{
}

qreal LibraryDetailDelegate::rowHeight(const Row& row)
{
    qreal height = 0;
    switch (row.kind) {
    case RowKind::groupHeader:
        // A folding group's fold row carries the gap to its table.
        height = topGap(row) + PlaylistGroupHeader::kHeight
            + (row.lastOfGroup || row.folding ? 0 : kSectionSpacing);
        break;
    case RowKind::fold:
        height = row.foldSpan;
        break;
    case RowKind::columnTitles:
        height = TrackColumns::kVerticalPadding + TrackColumns::kHeaderHeight;
        break;
    case RowKind::track:
    case RowKind::emptyTable:
        height = TrackColumns::kRowHeight + (row.lastOfGroup ? TrackColumns::kVerticalPadding : 0);
        break;
    }
    // A group's last row carries the gap to the next group (or the bottom padding).
    return height + (row.lastOfGroup ? kOuterPadding : 0);
}

qreal LibraryDetailDelegate::tableSectionHeight(const PlaylistGroup& group)
{
    return kSectionSpacing + TrackColumns::tableHeight(group.tracks().size());
}

QRectF LibraryDetailDelegate::cardRect(const QRectF& rowRect, const Row& row)
{
    const qreal left = rowRect.left() + kOuterPadding;
    const qreal width = std::max<qreal>(0, rowRect.width() - 2 * kOuterPadding);
    if (row.kind == RowKind::groupHeader)
        return { left, rowRect.top() + topGap(row), width, PlaylistGroupHeader::kHeight };
    if (row.kind == RowKind::fold) // the part of the table the fold shows
        return { left, rowRect.top() + kSectionSpacing, width,
            std::max<qreal>(0, row.foldHeight - kSectionSpacing) };
    return { left, rowRect.top() - offsetInTable(row), width,
        TrackColumns::tableHeight(row.group->tracks().size()) };
}

QRectF LibraryDetailDelegate::cardSlice(const QRectF& rowRect, const Row& row)
{
    const QRectF card = cardRect(rowRect, row);
    const qreal top = std::max(card.top(), rowRect.top());
    const qreal bottom = std::min(card.bottom(), rowRect.bottom());
    return { card.left(), top, card.width(), std::max<qreal>(0, bottom - top) };
}

QRectF LibraryDetailDelegate::lineRect(const QRectF& rowRect, const Row& row)
{
    const QRectF card = cardRect(rowRect, row);
    if (row.kind == RowKind::columnTitles)
        return { card.left(), rowRect.top() + TrackColumns::kVerticalPadding, card.width(),
            TrackColumns::kHeaderHeight };
    return { card.left(), rowRect.top(), card.width(), TrackColumns::kRowHeight };
}

TrackColumns LibraryDetailDelegate::columns(const QRectF& rowRect)
{
    return { rowRect.left() + kOuterPadding, std::max<qreal>(0, rowRect.width() - 2 * kOuterPadding) };
}

QRectF LibraryDetailDelegate::statusRect(const QRectF& rowRect, const Row& row)
{
    const QRectF line = lineRect(rowRect, row);
    return columns(rowRect).cell(TrackColumns::status, line.top(), line.height());
}

QRectF LibraryDetailDelegate::buttonRect(const QRectF& rowRect, const Row& row) const
{
    if (row.kind == RowKind::groupHeader)
        return PlaylistGroupHeader::collapseButtonRect(cardRect(rowRect, row), m_view->buttons());
    if (row.kind != RowKind::track)
        return {};
    const TrackStatusCell::Content content = TrackStatusCell::content(*row.track, m_view->reduceMotion());
    return TrackStatusCell::buttonRect(statusRect(rowRect, row), content, m_view->font(), m_view->buttons());
}

QSize LibraryDetailDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const
{
    const auto* model = static_cast<const LibraryDetailModel*>(index.model());
    return { 0, int(rowHeight(model->row(index.row()))) };
}

QStyle::State LibraryDetailDelegate::buttonState(int flatRow, bool enabled) const
{
    QStyle::State state = QStyle::State_None;
    if (!enabled)
        return state;
    state |= QStyle::State_Enabled;
    if (flatRow < 0) // drawn inside a fold: no pointer or keyboard on it
        return state;
    if (m_view->hoveredButtonRow() == flatRow)
        state |= QStyle::State_MouseOver;
    if (m_view->pressedButtonRow() == flatRow)
        state |= QStyle::State_Sunken;
    if (flatRow >= 0 && m_view->showsKeyboardFocus() && m_view->currentIndex().row() == flatRow)
        state |= QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
    return state;
}

void LibraryDetailDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const auto* model = static_cast<const LibraryDetailModel*>(index.model());
    const Row row = model->row(index.row());
    if (!row.group)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::TextAntialiasing);
    switch (row.kind) {
    case RowKind::groupHeader:
        paintHeader(*painter, option, row, index.row());
        break;
    case RowKind::columnTitles:
    case RowKind::emptyTable:
        paintTableSlice(*painter, option, row);
        break;
    case RowKind::track:
        paintTrack(*painter, option, row, index.row());
        break;
    case RowKind::fold:
        paintFold(*painter, option, row);
        break;
    }
    painter->restore();
    // The keyboard's place: the style's focus frame around the current header
    // card or track line, after keyboard use (its button shows its own ring).
    if (m_view->showsKeyboardFocus() && m_view->currentIndex().row() == index.row()
        && (row.kind == RowKind::groupHeader || row.kind == RowKind::track)) {
        const QRectF rowRect(option.rect);
        const QRectF frame = row.kind == RowKind::groupHeader ? cardRect(rowRect, row)
                                                              : lineRect(rowRect, row).adjusted(3, 2, -3, -2);
        FocusFrame::paint(*painter, option, frame.toAlignedRect(), m_view, QStyle::State_KeyboardFocusChange);
    }
}

void LibraryDetailDelegate::paintCard(
    QPainter& painter, const QRectF& card, const QRectF& slice, const QPalette& palette) const
{
    const GlassTier tier = GlassEnvironment::of(m_view).tier(Availability::systemGlass());
    DetailCard::paint(painter, card, slice, SurfaceStyle::of(GlassRole::groupCard(), tier), palette);
}

void LibraryDetailDelegate::paintHeader(
    QPainter& painter, const QStyleOptionViewItem& option, const Row& row, int flatRow) const
{
    const QRectF rowRect(option.rect);
    const QRectF card = cardRect(rowRect, row);
    paintCard(painter, card, card, option.palette);
    const LibraryDetailModel::PlaylistMeta meta = m_view->detailModel().playlistMeta(row.group->id());
    PlaylistGroupHeader::Paint paint;
    paint.group = row.group;
    paint.source = meta.source;
    paint.artwork = meta.artwork;
    paint.base = m_view->font();
    paint.palette = option.palette;
    paint.buttonState = buttonState(flatRow, true);
    PlaylistGroupHeader::paint(painter, card, paint, m_view->buttons(), m_view->artwork());
}

void LibraryDetailDelegate::paintTableSlice(
    QPainter& painter, const QStyleOptionViewItem& option, const Row& row) const
{
    const QRectF rowRect(option.rect);
    paintCard(painter, cardRect(rowRect, row), cardSlice(rowRect, row), option.palette);
    if (row.kind == RowKind::columnTitles)
        paintColumnTitles(painter, rowRect, row, option.palette);
}

void LibraryDetailDelegate::paintColumnTitles(
    QPainter& painter, const QRectF& rowRect, const Row& row, const QPalette& palette) const
{
    const QRectF line = lineRect(rowRect, row);
    const TrackColumns columns = LibraryDetailDelegate::columns(rowRect);
    const QFont font = Typography::font(TextStyle::subheadline, m_view->font(), QFont::DemiBold);
    const QColor color = ThemeColor::secondary().resolve(palette);
    for (int column = TrackColumns::title; column < TrackColumns::kCount; ++column) {
        const auto c = TrackColumns::Column(column);
        drawText(painter, columns.cell(c, line.top(), line.height()), TrackColumns::heading(c), font, color);
    }
    // The hairline under the titles.
    painter.setPen(QPen(ThemeColor::separator().resolve(palette), 1));
    const qreal y = std::floor(line.bottom()) - 0.5;
    painter.drawLine(
        QPointF(line.left() + TrackColumns::kSpacing, y), QPointF(line.right() - TrackColumns::kSpacing, y));
}

void LibraryDetailDelegate::paintTrack(
    QPainter& painter, const QStyleOptionViewItem& option, const Row& row, int flatRow) const
{
    const QRectF rowRect(option.rect);
    paintCard(painter, cardRect(rowRect, row), cardSlice(rowRect, row), option.palette);
    paintTrackLine(painter, option, row, flatRow);
}

void LibraryDetailDelegate::paintFold(
    QPainter& painter, const QStyleOptionViewItem& option, const Row& row) const
{
    // The table's card cut to the fold's height, with the rows that fit in it
    // where they stand in the table.
    const QRectF card = cardRect(QRectF(option.rect), row);
    if (card.height() <= 0)
        return;
    paintCard(painter, card, card, option.palette);
    painter.save();
    painter.setClipRect(card, Qt::IntersectClip);
    Row titles = row;
    titles.kind = RowKind::columnTitles;
    titles.lastOfGroup = false;
    const qreal titlesHeight = TrackColumns::kVerticalPadding + TrackColumns::kHeaderHeight;
    paintColumnTitles(painter, QRectF(option.rect.left(), card.top(), option.rect.width(), titlesHeight),
        titles, option.palette);
    const QList<std::shared_ptr<TrackModel>>& tracks = row.group->tracks();
    QStyleOptionViewItem line = option;
    for (qsizetype t = 0; t < tracks.size(); ++t) {
        const qreal top = card.top() + titlesHeight + qreal(t) * TrackColumns::kRowHeight;
        if (top >= card.bottom())
            break;
        Row track = titles;
        track.kind = RowKind::track;
        track.track = tracks[t].get();
        track.trackIndex = t;
        line.rect = QRect(option.rect.left(), int(top), option.rect.width(), int(TrackColumns::kRowHeight));
        paintTrackLine(painter, line, track, -1);
    }
    painter.restore();
}

void LibraryDetailDelegate::paintTrackLine(
    QPainter& painter, const QStyleOptionViewItem& option, const Row& row, int flatRow) const
{
    const QRectF rowRect(option.rect);
    const TrackModel& track = *row.track;
    const TrackDTO& dto = track.dto();
    const QRectF line = lineRect(rowRect, row);
    const TrackColumns columns = LibraryDetailDelegate::columns(rowRect);
    const auto cell = [&](TrackColumns::Column c) { return columns.cell(c, line.top(), line.height()); };
    const QPalette& palette = option.palette;
    const QColor primary = ThemeColor::primary().resolve(palette);
    const QColor secondary = ThemeColor::secondary().resolve(palette);
    const QFont body = Typography::font(TextStyle::body, m_view->font());
    const QFont callout = Typography::font(TextStyle::callout, m_view->font());

    const QRectF artCell = cell(TrackColumns::artwork);
    const qreal art = Tokens::Art::row;
    if (artCell.width() > 0)
        m_view->artwork().paint(painter,
            QRectF(artCell.left() + (artCell.width() - art) / 2, artCell.center().y() - art / 2, art, art),
            dto.artwork, QStringLiteral("music.note"), kRowArtworkRadius, palette);
    drawText(painter, cell(TrackColumns::title), dto.title, body, primary);
    drawText(painter, cell(TrackColumns::artist), dto.artist, body, secondary);
    drawText(painter, cell(TrackColumns::album), dto.album.value_or(kDash), body, secondary);
    drawText(painter, cell(TrackColumns::time), Format::duration(dto.durationSec), callout, secondary);
    const std::optional<TrackMeta> meta = track.displayMeta();
    drawText(
        painter, cell(TrackColumns::quality), Format::qualityLine(meta).value_or(kDash), callout, secondary);
    const std::optional<SourceBadge::Style> badge = SourceBadge::styleFor(meta);
    if (badge && columns.width(TrackColumns::source) > 0)
        SourceBadge::paint(
            painter, cell(TrackColumns::source), *badge, SourceBadge::font(m_view->font()), palette);

    const TrackStatusCell::Content content = TrackStatusCell::content(track, m_view->reduceMotion());
    TrackStatusCell::paint(painter, cell(TrackColumns::status), content, m_view->font(), palette,
        m_view->buttons(), buttonState(flatRow, m_view->isButtonEnabled(row)), m_view->spinnerStep());
}

bool LibraryDetailDelegate::editorEvent(
    QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease
        && type != QEvent::MouseButtonDblClick)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    const Row row = static_cast<const LibraryDetailModel*>(model)->row(index.row());
    const QRectF button = buttonRect(QRectF(option.rect), row);
    const bool inside = !button.isEmpty() && button.contains(mouse->position());
    if (type == QEvent::MouseButtonRelease) {
        if (m_view->pressedButtonRow() < 0)
            return false;
        m_view->buttonReleased(index.row(), inside);
        return true;
    }
    if (!inside || !m_view->isButtonEnabled(row))
        return false;
    m_view->buttonPressed(index.row());
    return true;
}

} // namespace mivo
