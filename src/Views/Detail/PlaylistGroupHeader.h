#pragma once

#include "State/TrackCounts.h"
#include "Styling/ThemeColor.h"
#include "Transport/PlaylistRecords.h"
#include "Transport/WireVocabulary.h"
#include "Views/Detail/PaintedButtons.h"

#include <QCoreApplication>
#include <QFont>
#include <QPalette>
#include <QRectF>
#include <QString>
#include <QStyle>
#include <optional>

class QPainter;

namespace mivo {

class DetailArtwork;
class PlaylistGroup;

// The header card above a playlist group's track table: artwork, the source's
// logo, the name and the outcome badge, a counts line, a progress bar in the
// source's colour, and the button that collapses or expands the table.
class PlaylistGroupHeader {
    Q_DECLARE_TR_FUNCTIONS(PlaylistGroupHeader)

public:
    // The card's height: the artwork and the padding around it.
    static constexpr qreal kHeight = 56 + 2 * 12;

    struct Badge {
        QString symbol;
        ThemeColor color;
        bool operator==(const Badge&) const = default;
    };

    // "completed / total", then "n need review" and "n failed" when not 0, joined by " · ".
    static QString countsLine(const TrackCounts& counts);
    // The line under the name: the counts, or for a playlist whose tracks could not
    // be fetched, "Tracks could not be loaded".
    static QString statusLine(const PlaylistGroup& group);
    // The outcome badge; none while the playlist is still running.
    static std::optional<Badge> badge(std::optional<Finish> status);
    // "Collapse <name>" while expanded, "Expand <name>" while collapsed.
    static QString collapseLabel(const PlaylistGroup& group);
    // The whole card as one accessible text: name, status line and progress.
    static QString accessibleText(const PlaylistGroup& group);

    // The collapse button inside a card drawn in `card`.
    static QRectF collapseButtonRect(const QRectF& card, const PaintedButtons& buttons);

    struct Paint {
        const PlaylistGroup* group = nullptr;
        PlaylistSourceId source = PlaylistSourceId::apple;
        ArtworkRef artwork = ArtworkRef::none();
        QFont base;
        QPalette palette;
        QStyle::State buttonState;
    };
    // Draw the card's content into `card` (the surface is drawn by the caller).
    static void paint(QPainter& painter, const QRectF& card, const Paint& paint,
        const PaintedButtons& buttons, const DetailArtwork& artwork);
};

} // namespace mivo
