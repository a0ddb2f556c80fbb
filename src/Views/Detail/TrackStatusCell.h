#pragma once

#include "State/StatusRole.h"
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

class TrackModel;

// What the Status column shows for one track, and how it is drawn. The content
// follows the track's state alone; a delegate paints it and hit-tests its button.
class TrackStatusCell {
    Q_DECLARE_TR_FUNCTIONS(TrackStatusCell)

public:
    enum class Kind {
        pill, // a status pill
        activity, // a spinner and a label (checking the disk, a working phase other than downloading)
        download, // a progress bar and the percentage or the download line
        review, // the "Review" button
        failure, // the failure reason as a pill, then "Retry"
    };

    struct Content {
        Kind kind = Kind::pill;
        StatusRole role = StatusRole::queued; // the pill's role
        QString text; // pill text, activity label, download line
        QString symbol; // the activity label's symbol
        bool prominent = false; // the pill's weight
        bool spinnerShown = true; // an activity spinner keeps its place when hidden
        double fraction = 0; // the download's progress
        std::optional<PaintedButtons::Kind> button;
        QString accessibleLabel;
        QString accessibleValue; // empty when the cell has no value

        bool operator==(const Content&) const = default;
    };

    // The cell of `track`; under reduced motion a working phase's spinner is hidden.
    static Content content(const TrackModel& track, bool reduceMotion);
    // What assistive technology reads: the label, then the value ("Downloading, 42 percent").
    static QString accessibleText(const Content& content);
    // Whether the cell shows a turning spinner.
    static bool spins(const Content& content)
    {
        return content.kind == Kind::activity && content.spinnerShown;
    }
    // The same for a track's cell, read from its state without building the
    // cell's texts (the spinner timer asks this of every row on screen each turn).
    static bool spins(const TrackModel& track, bool reduceMotion);

    // Where the cell's button goes in `cell`; empty when it has none.
    static QRectF buttonRect(
        const QRectF& cell, const Content& content, const QFont& base, const PaintedButtons& buttons);
    // Draw the cell into `cell`. `buttonState` is the button's enabled, hover, pressed
    // and focus state; `spinnerStep` the leading spoke of every spinner now.
    static void paint(QPainter& painter, const QRectF& cell, const Content& content, const QFont& base,
        const QPalette& palette, const PaintedButtons& buttons, QStyle::State buttonState, int spinnerStep);

    static QFont captionFont(const QFont& base);
};

} // namespace mivo
