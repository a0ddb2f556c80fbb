#pragma once

#include "Transport/SafeConfig.h"
#include "Transport/SyncRecords.h"
#include "Transport/WireVocabulary.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <variant>

namespace mivo {

// One call from the application to the helper: one case per Method, carrying
// that method's parameters.
struct Request {
    struct GetConfig {
        bool operator==(const GetConfig&) const = default;
    };
    struct SetConfig {
        ConfigPatch patch {};
        bool operator==(const SetConfig&) const = default;
    };
    struct StoreAccountToken {
        AccountService service = AccountService::spotify;
        QString token {};
        std::optional<QString> clientId {};
        bool operator==(const StoreAccountToken&) const = default;
    };
    struct GetSpotifyAuthParams {
        bool operator==(const GetSpotifyAuthParams&) const = default;
    };
    struct DisconnectAccount {
        AccountService service = AccountService::spotify;
        bool operator==(const DisconnectAccount&) const = default;
    };
    struct ConnectSpotify {
        bool operator==(const ConnectSpotify&) const = default;
    };
    struct ListPlaylists {
        std::optional<PlaylistSourceId> source {}; // every source when absent
        bool operator==(const ListPlaylists&) const = default;
    };
    struct GetPlaylistTracks {
        PlaylistSourceId source = PlaylistSourceId::apple;
        QString id {};
        std::optional<QString> name {};
        bool operator==(const GetPlaylistTracks&) const = default;
    };
    struct StartSync {
        QList<PlaylistSelection> selection {};
        std::optional<SyncOptions> options {};
        bool operator==(const StartSync&) const = default;
    };
    struct CancelSync {
        std::optional<QString> runId {};
        bool operator==(const CancelSync&) const = default;
    };
    struct ReviewDecision {
        std::optional<QString> runId {};
        QString trackId {};
        mivo::ReviewDecision decision {};
        bool operator==(const ReviewDecision&) const = default;
    };
    struct ListOrphans {
        QList<PlaylistSelection> selection {};
        bool operator==(const ListOrphans&) const = default;
    };
    struct TrashOrphans {
        QList<QString> paths {};
        bool operator==(const TrashOrphans&) const = default;
    };
    struct RunDoctor {
        bool operator==(const RunDoctor&) const = default;
    };
    struct DoctorFix {
        QString checkId {};
        bool operator==(const DoctorFix&) const = default;
    };
    struct ProvisionTools {
        bool operator==(const ProvisionTools&) const = default;
    };
    struct TestProxy {
        bool operator==(const TestProxy&) const = default;
    };
    struct ProxyInfo {
        bool operator==(const ProxyInfo&) const = default;
    };

    // In the declared order of Method.
    using Value
        = std::variant<GetConfig, SetConfig, StoreAccountToken, GetSpotifyAuthParams, DisconnectAccount,
            ConnectSpotify, ListPlaylists, GetPlaylistTracks, StartSync, CancelSync, ReviewDecision,
            ListOrphans, TrashOrphans, RunDoctor, DoctorFix, ProvisionTools, TestProxy, ProxyInfo>;

    Value value;

    Method method() const;

    // The request as one JSON object {"id", "method", "params"}, without a line
    // terminator. "params" is left out for the methods without parameters, and
    // for listPlaylists without a source and cancelSync without a run id.
    // Throws EncodeError (a non-finite number in a patch, for example).
    QByteArray encodedLine(const QString& id) const;

    static Request getConfig() { return { GetConfig {} }; }
    static Request setConfig(const ConfigPatch& patch) { return { SetConfig { patch } }; }
    static Request storeAccountToken(
        AccountService service, const QString& token, const std::optional<QString>& clientId = std::nullopt)
    {
        return { StoreAccountToken { service, token, clientId } };
    }
    static Request getSpotifyAuthParams() { return { GetSpotifyAuthParams {} }; }
    static Request disconnectAccount(AccountService service) { return { DisconnectAccount { service } }; }
    static Request connectSpotify() { return { ConnectSpotify {} }; }
    static Request listPlaylists(const std::optional<PlaylistSourceId>& source = std::nullopt)
    {
        return { ListPlaylists { source } };
    }
    static Request getPlaylistTracks(
        PlaylistSourceId source, const QString& id, const std::optional<QString>& name = std::nullopt)
    {
        return { GetPlaylistTracks { source, id, name } };
    }
    static Request startSync(
        const QList<PlaylistSelection>& selection, const std::optional<SyncOptions>& options = std::nullopt)
    {
        return { StartSync { selection, options } };
    }
    static Request cancelSync(const std::optional<QString>& runId = std::nullopt)
    {
        return { CancelSync { runId } };
    }
    static Request reviewDecision(
        const std::optional<QString>& runId, const QString& trackId, const mivo::ReviewDecision& decision)
    {
        return { ReviewDecision { runId, trackId, decision } };
    }
    static Request listOrphans(const QList<PlaylistSelection>& selection)
    {
        return { ListOrphans { selection } };
    }
    static Request trashOrphans(const QList<QString>& paths) { return { TrashOrphans { paths } }; }
    static Request runDoctor() { return { RunDoctor {} }; }
    static Request doctorFix(const QString& checkId) { return { DoctorFix { checkId } }; }
    static Request provisionTools() { return { ProvisionTools {} }; }
    static Request testProxy() { return { TestProxy {} }; }
    static Request proxyInfo() { return { ProxyInfo {} }; }

    bool operator==(const Request&) const = default;
};

} // namespace mivo
