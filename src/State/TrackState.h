#pragma once

#include "State/StatusRole.h"
#include "Transport/PlaylistRecords.h"
#include "Transport/WireVocabulary.h"

#include <QList>
#include <QString>
#include <optional>
#include <variant>

namespace mivo {

// The live state of one track row. A new row is queued.
struct TrackState {
    // The file is already on disk.
    struct Present {
        std::optional<TrackMeta> meta;
        bool operator==(const Present&) const = default;
    };
    struct Working {
        mivo::Phase phase;
        std::optional<QString> detail;
        bool operator==(const Working&) const = default;
    };
    // Waits for the user's decision among these candidates. Once the user's
    // decision has gone to the helper the row waits for the helper to move it on:
    // it is no longer reviewable, so that no track gets a second decision.
    struct AwaitingReview {
        QList<CandidateDTO> candidates;
        bool decisionSent = false;
        bool operator==(const AwaitingReview&) const = default;
    };
    // Was waiting for a decision when its run died (cancelled, interrupted, or its
    // helper gone): no decision can reach the helper any more. The candidates stay
    // for display.
    struct Undecided {
        QList<CandidateDTO> candidates;
        bool operator==(const Undecided&) const = default;
    };
    struct Done {
        Finish status;
        std::optional<TrackMeta> meta;
        bool operator==(const Done&) const = default;
    };
    struct Failed {
        QString reason;
        bool operator==(const Failed&) const = default;
    };
    struct Queued {
        bool operator==(const Queued&) const = default;
    };
    struct CheckingDisk {
        bool operator==(const CheckingDisk&) const = default;
    };

    std::variant<Present, Working, AwaitingReview, Done, Failed, Queued, CheckingDisk, Undecided> value {
        Queued {}
    };

    static TrackState present(std::optional<TrackMeta> meta) { return { Present { std::move(meta) } }; }
    static TrackState working(mivo::Phase phase, std::optional<QString> detail = std::nullopt)
    {
        return { Working { phase, std::move(detail) } };
    }
    static TrackState awaitingReview(QList<CandidateDTO> candidates)
    {
        return { AwaitingReview { std::move(candidates) } };
    }
    static TrackState undecided(QList<CandidateDTO> candidates)
    {
        return { Undecided { std::move(candidates) } };
    }
    static TrackState done(Finish status, std::optional<TrackMeta> meta)
    {
        return { Done { status, std::move(meta) } };
    }
    static TrackState failed(QString reason) { return { Failed { std::move(reason) } }; }
    static TrackState queued() { return { Queued {} }; }
    static TrackState checkingDisk() { return { CheckingDisk {} }; }

    template <class Case> bool is() const { return std::holds_alternative<Case>(value); }

    // Present, done (any outcome) or failed.
    bool isFinished() const;
    // Working or checking the disk.
    bool isActive() const;
    // Awaiting review, with no decision sent yet.
    bool isAwaitingReview() const;
    // Awaiting review, with the user's decision on its way to the helper.
    bool isDecisionSent() const;
    // Failed, or done with the outcome failed.
    bool countsAsFailed() const;
    StatusRole statusRole() const;
    // The meta of present and done; nothing in every other state.
    std::optional<TrackMeta> displayMeta() const;

    bool operator==(const TrackState&) const = default;
};

} // namespace mivo
