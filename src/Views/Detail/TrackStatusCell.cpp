#include "Views/Detail/TrackStatusCell.h"

#include "Base/Overloaded.h"
#include "State/TrackModel.h"
#include "Styling/StatusPill.h"
#include "Styling/Symbols.h"
#include "Styling/ThemeColor.h"
#include "Styling/Tokens.h"
#include "Styling/Typography.h"
#include "Views/ActivityIndicator.h"
#include "Views/Detail/LinearProgress.h"

#include <QPainter>
#include <cmath>

namespace mivo {

namespace {

// A small spinner (16) drawn at 0.8 of its size.
constexpr qreal kCellSpinnerSide = 16 * 0.8;
constexpr qreal kActivitySpacing = 4;
constexpr qreal kBarWidth = 70;
constexpr qreal kDownloadSpacing = 8;
constexpr qreal kFailureSpacing = 8;

using Content = TrackStatusCell::Content;
using Kind = TrackStatusCell::Kind;

Content pill(StatusRole role, const QString& text, bool prominent = false)
{
    Content c;
    c.kind = Kind::pill;
    c.role = role;
    c.text = text;
    c.prominent = prominent;
    c.accessibleLabel = text;
    return c;
}

Content activity(const QString& text, const QString& symbol, bool spinnerShown, const QString& label)
{
    Content c;
    c.kind = Kind::activity;
    c.role = StatusRole::working;
    c.text = text;
    c.symbol = symbol;
    c.spinnerShown = spinnerShown;
    c.accessibleLabel = label;
    return c;
}

Content done(Finish status)
{
    switch (status) {
    case Finish::ok:
        return pill(StatusRole::done, TrackStatusCell::tr("Done"), true);
    case Finish::lowConfidence:
        return pill(StatusRole::review, TrackStatusCell::tr("Low confidence"));
    case Finish::failed:
        return pill(StatusRole::failed, TrackStatusCell::tr("Failed"));
    case Finish::skipped:
        return pill(StatusRole::skipped, TrackStatusCell::tr("Skipped"));
    }
    return pill(StatusRole::done, TrackStatusCell::tr("Done"), true);
}

Content working(const TrackModel& track, const TrackState::Working& state, bool reduceMotion)
{
    if (state.phase == Phase::downloading) {
        Content c;
        c.kind = Kind::download;
        c.role = StatusRole::working;
        c.fraction = track.downloadFraction();
        c.text = track.progressDetail().value_or(
            QString::number(LinearProgress::wholePercent(c.fraction)) + u'%');
        c.accessibleLabel = TrackStatusCell::tr("Downloading");
        c.accessibleValue = LinearProgress::spokenPercent(c.fraction);
        return c;
    }
    const QString label = Tokens::PhaseStyle::label(state.phase);
    return activity(
        state.detail.value_or(label), Tokens::PhaseStyle::symbol(state.phase), !reduceMotion, label);
}

} // namespace

bool TrackStatusCell::spins(const TrackModel& track, bool reduceMotion)
{
    // Checking the disk always spins; a working phase other than a download
    // spins unless motion is reduced (see content()).
    const TrackState& state = track.state();
    if (state.is<TrackState::CheckingDisk>())
        return true;
    const auto* working = std::get_if<TrackState::Working>(&state.value);
    return working && working->phase != Phase::downloading && !reduceMotion;
}

Content TrackStatusCell::content(const TrackModel& track, bool reduceMotion)
{
    return std::visit(
        Overloaded {
            [](const TrackState::Queued&) { return pill(StatusRole::queued, tr("Queued")); },
            [](const TrackState::CheckingDisk&) {
                const QString text = tr("Checking disk");
                return activity(text, {}, true, text);
            },
            [](const TrackState::Present&) { return pill(StatusRole::present, tr("On disk")); },
            [&](const TrackState::Working& state) { return working(track, state, reduceMotion); },
            [](const TrackState::AwaitingReview& state) {
                // Decided: the helper has yet to move it on, and it takes no second decision.
                if (state.decisionSent)
                    return pill(StatusRole::review, tr("Decision sent"));
                Content c;
                c.kind = Kind::review;
                c.role = StatusRole::review;
                c.button = PaintedButtons::Kind::review;
                c.accessibleLabel = tr("Needs review");
                return c;
            },
            // The run died before the user decided: nothing to press any more.
            [](const TrackState::Undecided&) { return pill(StatusRole::review, tr("Not reviewed")); },
            [](const TrackState::Done& state) { return done(state.status); },
            [](const TrackState::Failed& state) {
                Content c = pill(StatusRole::failed, state.reason);
                c.kind = Kind::failure;
                c.button = PaintedButtons::Kind::retry;
                return c;
            },
        },
        track.state().value);
}

QString TrackStatusCell::accessibleText(const Content& content)
{
    if (content.accessibleValue.isEmpty())
        return content.accessibleLabel;
    return content.accessibleLabel + QStringLiteral(", ") + content.accessibleValue;
}

QFont TrackStatusCell::captionFont(const QFont& base)
{
    return Typography::font(TextStyle::caption, base);
}

QRectF TrackStatusCell::buttonRect(
    const QRectF& cell, const Content& content, const QFont& base, const PaintedButtons& buttons)
{
    if (!content.button)
        return {};
    const QSizeF size = buttons.size(*content.button);
    qreal left = cell.left();
    if (content.kind == Kind::failure) {
        const QFont font = StatusPill::font(base, content.prominent);
        const qreal pillWidth = std::ceil(StatusPill::sizeFor(content.text, font).width());
        left = std::min(left + pillWidth + kFailureSpacing, cell.right() - size.width());
        left = std::max(left, cell.left());
    }
    const qreal top = std::round(cell.center().y() - size.height() / 2);
    return { std::round(left), top, std::min(size.width(), cell.right() - left), size.height() };
}

void TrackStatusCell::paint(QPainter& painter, const QRectF& cell, const Content& content, const QFont& base,
    const QPalette& palette, const PaintedButtons& buttons, QStyle::State buttonState, int spinnerStep)
{
    const QColor secondary = ThemeColor::secondary().resolve(palette);
    switch (content.kind) {
    case Kind::pill:
        StatusPill::paint(
            painter, cell, content.role, content.text, StatusPill::font(base, content.prominent), palette);
        return;
    case Kind::activity: {
        const QRectF spinner(
            cell.left(), cell.center().y() - kCellSpinnerSide / 2, kCellSpinnerSide, kCellSpinnerSide);
        if (content.spinnerShown)
            ActivityIndicator::paint(painter, spinner, spinnerStep, secondary);
        const QFont font = captionFont(base);
        const QFontMetricsF metrics(font);
        qreal x = spinner.right() + kActivitySpacing;
        if (!content.symbol.isEmpty()) {
            const qreal side = std::round(metrics.height());
            Symbols::paint(
                painter, QRectF(x, cell.center().y() - side / 2, side, side), content.symbol, secondary);
            x += side + kActivitySpacing;
        }
        const QRectF text(x, cell.top(), std::max<qreal>(0, cell.right() - x), cell.height());
        painter.save();
        painter.setFont(font);
        painter.setPen(secondary);
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
            metrics.elidedText(content.text, Qt::ElideRight, text.width() + 0.5));
        painter.restore();
        return;
    }
    case Kind::download: {
        const qreal barWidth = std::min(kBarWidth, cell.width());
        LinearProgress::paint(painter, QRectF(cell.left(), cell.top(), barWidth, cell.height()),
            content.fraction, ThemeColor::accent().resolve(palette), palette);
        const QFont font = captionFont(base);
        const qreal x = cell.left() + barWidth + kDownloadSpacing;
        const QRectF text(x, cell.top(), std::max<qreal>(0, cell.right() - x), cell.height());
        painter.save();
        painter.setFont(font);
        painter.setPen(secondary);
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
            QFontMetricsF(font).elidedText(content.text, Qt::ElideRight, text.width() + 0.5));
        painter.restore();
        return;
    }
    case Kind::review:
        buttons.paint(painter, buttonRect(cell, content, base, buttons), *content.button, buttonState);
        return;
    case Kind::failure: {
        const QRectF button = buttonRect(cell, content, base, buttons);
        const QRectF pillRect(cell.left(), cell.top(),
            std::max<qreal>(0, button.left() - kFailureSpacing - cell.left()), cell.height());
        StatusPill::paint(painter, pillRect, content.role, content.text,
            StatusPill::font(base, content.prominent), palette);
        buttons.paint(painter, button, *content.button, buttonState);
        return;
    }
    }
}

} // namespace mivo
