#pragma once

#include <array>

namespace mivo {

// The display role of a track row's status, derived from its TrackState.
// A closed set with no raw values; the status pill and the status cell pick
// their symbol and colour by it.
enum class StatusRole { queued, working, review, done, failed, skipped, present };

// Every role in declared order.
inline constexpr std::array<StatusRole, 7> kAllStatusRoles = {
    StatusRole::queued,
    StatusRole::working,
    StatusRole::review,
    StatusRole::done,
    StatusRole::failed,
    StatusRole::skipped,
    StatusRole::present,
};

} // namespace mivo
