#include "Views/Detail/PlaylistGroupHeader.h"

#include "State/PlaylistGroup.h"
#include "Styling/Inflection.h"
#include "Styling/SourceLogo.h"
#include "Styling/Symbols.h"
#include "Styling/Tokens.h"
#include "Styling/Typography.h"
#include "Views/Detail/DetailArtwork.h"
#include "Views/Detail/LinearProgress.h"

#include <QHash>
#include <QPainter>
#include <QStringList>
#include <cmath>

namespace mivo {

namespace {

constexpr qreal kPadding = 12;
constexpr qreal kHeaderSpacing = 12;
constexpr qreal kLineSpacing = 4;
constexpr qreal kTitleSpacing = 8;
constexpr qreal kLogoSide = 14;
constexpr qreal kArtworkRadius = 8;

// The name as it fits its room, and its width. A header is painted on every
// change of its counts, many times a second in a run, while its name and room
// rarely change: each is measured once.
struct ElidedName {
    QString text;
    qreal advance = 0;
};

ElidedName elidedName(const QString& name, const QFont& font, qreal room)
{
    static QHash<QString, ElidedName> measured;
    const QString key = name + QChar(0) + QString::number(room) + QChar(0) + font.key();
    if (const auto known = measured.constFind(key); known != measured.cend())
        return *known;
    const QFontMetricsF metrics(font);
    ElidedName elided;
    elided.text = metrics.elidedText(name, Qt::ElideRight, room);
    elided.advance = metrics.horizontalAdvance(elided.text);
    if (measured.size() >= 256)
        measured.clear();
    measured.insert(key, elided);
    return elided;
}

} // namespace

QString PlaylistGroupHeader::countsLine(const TrackCounts& counts)
{
    QStringList items { tr("%1 / %n", nullptr, Inflection::forTr(counts.total)).arg(counts.completed) };
    if (counts.review > 0)
        items.append(tr("%n need review", nullptr, Inflection::forTr(counts.review)));
    if (counts.failed > 0)
        items.append(tr("%n failed", nullptr, Inflection::forTr(counts.failed)));
    return items.join(QStringLiteral(" · "));
}

QString PlaylistGroupHeader::statusLine(const PlaylistGroup& group)
{
    return group.loadFailed() ? tr("Tracks could not be loaded") : countsLine(group.counts());
}

std::optional<PlaylistGroupHeader::Badge> PlaylistGroupHeader::badge(std::optional<Finish> status)
{
    if (!status)
        return std::nullopt;
    switch (*status) {
    case Finish::ok:
        return Badge { QStringLiteral("checkmark.circle.fill"), ThemeColor::green() };
    case Finish::lowConfidence:
        return Badge { QStringLiteral("exclamationmark.triangle.fill"), ThemeColor::orange() };
    case Finish::failed:
        return Badge { QStringLiteral("xmark.circle.fill"), ThemeColor::red() };
    case Finish::skipped:
        return Badge { QStringLiteral("minus.circle"), ThemeColor::secondary() };
    }
    return std::nullopt;
}

QString PlaylistGroupHeader::collapseLabel(const PlaylistGroup& group)
{
    return (group.isCollapsed() ? tr("Expand %1") : tr("Collapse %1")).arg(group.name());
}

QString PlaylistGroupHeader::accessibleText(const PlaylistGroup& group)
{
    return QStringList { group.name(), statusLine(group),
        tr("%1 progress %2").arg(group.name(), LinearProgress::spokenPercent(group.fraction())) }
        .join(QStringLiteral(", "));
}

QRectF PlaylistGroupHeader::collapseButtonRect(const QRectF& card, const PaintedButtons& buttons)
{
    // A generous square hit area around the chevron.
    const QSizeF chevron = buttons.size(PaintedButtons::Kind::collapse);
    const qreal side = std::max({ chevron.width(), chevron.height(), qreal(28) });
    return { card.right() - kPadding - side, std::round(card.center().y() - side / 2), side, side };
}

void PlaylistGroupHeader::paint(QPainter& painter, const QRectF& card, const Paint& paint,
    const PaintedButtons& buttons, const DetailArtwork& artwork)
{
    const PlaylistGroup& group = *paint.group;
    const qreal artSide = Tokens::Art::header;
    const QRectF art(card.left() + kPadding, card.center().y() - artSide / 2, artSide, artSide);
    artwork.paint(
        painter, art, paint.artwork, Tokens::Source::sfSymbol(paint.source), kArtworkRadius, paint.palette);

    const QRectF button = collapseButtonRect(card, buttons);
    buttons.paint(painter, button,
        group.isCollapsed() ? PaintedButtons::Kind::expand : PaintedButtons::Kind::collapse,
        paint.buttonState);

    // The text column between the artwork and the button, centred vertically.
    const QFont headline = Typography::font(TextStyle::headline, paint.base);
    const QFont caption = Typography::font(TextStyle::caption, paint.base);
    const QFontMetricsF headlineMetrics(headline);
    const QFontMetricsF captionMetrics(caption);
    const qreal left = art.right() + kHeaderSpacing;
    const qreal right = button.left() - kHeaderSpacing;
    const qreal width = std::max<qreal>(0, right - left);
    const qreal columnHeight = headlineMetrics.height() + kLineSpacing + captionMetrics.height()
        + kLineSpacing + LinearProgress::kThickness;
    qreal y = std::round(card.center().y() - columnHeight / 2);

    painter.save();
    // Title line: logo, name, badge.
    const qreal lineCentre = y + headlineMetrics.height() / 2;
    SourceLogo::paint(painter, QRectF(left, lineCentre - kLogoSide / 2, kLogoSide, kLogoSide),
        Tokens::Source::logoAsset(paint.source), Tokens::Source::accent(paint.source).resolve(paint.palette));
    const std::optional<Badge> status = badge(group.status());
    const qreal badgeSide = std::round(captionMetrics.height());
    const qreal nameLeft = left + kLogoSide + kTitleSpacing;
    const qreal nameRoom = std::max<qreal>(0, right - nameLeft - (status ? kTitleSpacing + badgeSide : 0));
    const ElidedName name = elidedName(group.name(), headline, nameRoom);
    painter.setFont(headline);
    painter.setPen(ThemeColor::primary().resolve(paint.palette));
    painter.drawText(
        QRectF(nameLeft, y, nameRoom, headlineMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter, name.text);
    if (status) {
        const qreal badgeLeft = nameLeft + name.advance + kTitleSpacing;
        Symbols::paint(painter, QRectF(badgeLeft, lineCentre - badgeSide / 2, badgeSide, badgeSide),
            status->symbol, status->color.resolve(paint.palette));
    }
    y += headlineMetrics.height() + kLineSpacing;

    // Counts line (not limited to one line's width: it is short by nature); a
    // playlist that could not be loaded says so in red.
    painter.setFont(caption);
    painter.setPen((group.loadFailed() ? ThemeColor::red() : ThemeColor::secondary()).resolve(paint.palette));
    painter.drawText(QRectF(left, y, width, captionMetrics.height()),
        Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, statusLine(group));
    y += captionMetrics.height() + kLineSpacing;

    // Progress in the source's colour.
    LinearProgress::paint(painter, QRectF(left, y, width, LinearProgress::kThickness), group.fraction(),
        Tokens::Source::accent(paint.source).resolve(paint.palette), paint.palette);
    painter.restore();
}

} // namespace mivo
