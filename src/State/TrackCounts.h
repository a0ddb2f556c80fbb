#pragma once

#include "State/TrackState.h"

#include <QtGlobal>

namespace mivo {

// How many rows fall into each counted category. Kept up to date row by row, so
// reading the counts of a group or a run never walks its rows.
struct TrackCounts {
    qint64 total = 0;
    qint64 completed = 0; // present, done (any outcome) or failed
    qint64 active = 0; // working or checking the disk
    qint64 review = 0; // awaiting review
    qint64 failed = 0; // failed, or done with the outcome failed
    qint64 present = 0; // on disk before the run (present)

    // The contribution of one row in that state.
    static TrackCounts of(const TrackState& state)
    {
        return { 1, state.isFinished() ? 1 : 0, state.isActive() ? 1 : 0, state.isAwaitingReview() ? 1 : 0,
            state.countsAsFailed() ? 1 : 0, state.is<TrackState::Present>() ? 1 : 0 };
    }

    // completed / total, 0 without rows.
    double fraction() const { return total < 1 ? 0.0 : double(completed) / double(total); }

    TrackCounts& operator+=(const TrackCounts& other)
    {
        total += other.total;
        completed += other.completed;
        active += other.active;
        review += other.review;
        failed += other.failed;
        present += other.present;
        return *this;
    }
    TrackCounts& operator-=(const TrackCounts& other)
    {
        total -= other.total;
        completed -= other.completed;
        active -= other.active;
        review -= other.review;
        failed -= other.failed;
        present -= other.present;
        return *this;
    }

    bool operator==(const TrackCounts&) const = default;
};

} // namespace mivo
