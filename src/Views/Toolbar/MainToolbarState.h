#pragma once

#include "State/SyncPhase.h"

#include <QCoreApplication>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace mivo {

// Which items the main tool bar shows and how, from the sync phase, the VPN
// subscription (none until the configuration has been read), the number of
// tracks waiting for review and the number of selected playlists (folders
// aside).
struct MainToolbarState {
    Q_DECLARE_TR_FUNCTIONS(MainToolbarState)

public:
    bool showsVPN = false;
    bool showsReview = false;
    QString reviewTitle; // "1 review", "3 reviews"
    bool showsCancel = false; // Cancel Sync in place of Sync
    bool syncEnabled = false; // Sync; Cancel Sync is always enabled

    static MainToolbarState of(SyncPhase phase, std::optional<bool> vpnConfigured, qint64 reviewCount,
        qint64 selectedPlaylistCount);

    bool operator==(const MainToolbarState&) const = default;
};

} // namespace mivo
