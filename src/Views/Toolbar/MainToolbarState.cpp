#include "Views/Toolbar/MainToolbarState.h"

#include "Styling/Inflection.h"

namespace mivo {

MainToolbarState MainToolbarState::of(
    SyncPhase phase, std::optional<bool> vpnConfigured, qint64 reviewCount, qint64 selectedPlaylistCount)
{
    MainToolbarState state;
    state.showsVPN = vpnConfigured.value_or(false);
    state.showsReview = reviewCount > 0;
    if (state.showsReview)
        state.reviewTitle = tr("%n review(s)", nullptr, Inflection::forTr(reviewCount));
    state.showsCancel
        = phase == SyncPhase::preparing || phase == SyncPhase::running || phase == SyncPhase::finishing;
    state.syncEnabled = !state.showsCancel && selectedPlaylistCount > 0;
    return state;
}

} // namespace mivo
