#pragma once

#include "Transport/PlaylistRecords.h"
#include "Transport/SafeConfig.h"
#include "Transport/WireRecord.h"

#include <QList>
#include <QString>
#include <QtGlobal>
#include <optional>

// The results that the application reads from successful replies.
namespace mivo {

// A result that is not looked at: it decodes from any JSON value, null included.
struct EmptyResult {
    bool operator==(const EmptyResult&) const = default;
};

// getPlaylistTracks
struct PreviewTracksResult {
    QList<PreviewTrackDTO> tracks {};
    bool operator==(const PreviewTracksResult&) const = default;
};

// getConfig
struct ConfigResult {
    SafeConfig config {};
    bool operator==(const ConfigResult&) const = default;
};

// listPlaylists
struct ListPlaylistsResult {
    QList<PlaylistDTO> playlists {};
    bool operator==(const ListPlaylistsResult&) const = default;
};

// listOrphans
struct OrphansResult {
    QList<QString> paths {};
    bool operator==(const OrphansResult&) const = default;
};

// One diagnostic check of runDoctor.
struct DoctorCheck {
    QString id {};
    std::optional<QString> title {};
    QString status {};
    std::optional<QString> detail {};
    std::optional<bool> fixable {};
    bool operator==(const DoctorCheck&) const = default;
};

// runDoctor
struct DoctorResult {
    QList<DoctorCheck> checks {};
    bool operator==(const DoctorResult&) const = default;
};

// testProxy
struct TestProxyResult {
    bool ok = false;
    std::optional<QString> detail {};
    bool operator==(const TestProxyResult&) const = default;
};

// proxyInfo
struct ProxyInfoResult {
    bool ok = false;
    qint64 nodeCount = 0;
    bool operator==(const ProxyInfoResult&) const = default;
};

MIVO_WIRE_RECORD(EmptyResult);
MIVO_WIRE_RECORD(PreviewTracksResult);
MIVO_WIRE_RECORD(ConfigResult);
MIVO_WIRE_RECORD(ListPlaylistsResult);
MIVO_WIRE_RECORD(OrphansResult);
MIVO_WIRE_RECORD(DoctorCheck);
MIVO_WIRE_RECORD(DoctorResult);
MIVO_WIRE_RECORD(TestProxyResult);
MIVO_WIRE_RECORD(ProxyInfoResult);

} // namespace mivo
