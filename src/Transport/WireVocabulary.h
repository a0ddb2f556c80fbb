#pragma once

#include "Transport/Vocabulary.h"

// The closed string vocabularies of the helper wire protocol.
namespace mivo {

// Work phase of one track (step event).
enum class Phase { searching, downloading, converting, tagging, verifying };
MIVO_VOCABULARY(Phase,
    { Phase::searching, "searching" }, { Phase::downloading, "downloading" },
    { Phase::converting, "converting" }, { Phase::tagging, "tagging" }, { Phase::verifying, "verifying" });

// Outcome of a track or a playlist.
enum class Finish { ok, lowConfidence, failed, skipped };
MIVO_VOCABULARY(Finish,
    { Finish::ok, "ok" }, { Finish::lowConfidence, "low-confidence" },
    { Finish::failed, "failed" }, { Finish::skipped, "skipped" });

// Result of checking a track's file on disk.
enum class DiskCheckResult { present, missing, broken };
MIVO_VOCABULARY(DiskCheckResult,
    { DiskCheckResult::present, "present" }, { DiskCheckResult::missing, "missing" },
    { DiskCheckResult::broken, "broken" });

// Streaming service a playlist comes from.
enum class PlaylistSourceId { apple, spotify };
MIVO_VOCABULARY(PlaylistSourceId,
    { PlaylistSourceId::apple, "apple" }, { PlaylistSourceId::spotify, "spotify" });

// Download source; the declared order is the canonical order of sources.
enum class SourceId { soulseek, bandcamp, soundcloud, youtube };
MIVO_VOCABULARY(SourceId,
    { SourceId::soulseek, "soulseek" }, { SourceId::bandcamp, "bandcamp" },
    { SourceId::soundcloud, "soundcloud" }, { SourceId::youtube, "youtube" });

// Lowest accepted audio quality.
enum class QualityFloor { flac, mp3_320, any };
MIVO_VOCABULARY(QualityFloor,
    { QualityFloor::flac, "flac" }, { QualityFloor::mp3_320, "mp3-320" }, { QualityFloor::any, "any" });

// Account that a stored token or credential belongs to.
enum class AccountService { spotify, soundcloud, acoustid, applemusic, proxy };
MIVO_VOCABULARY(AccountService,
    { AccountService::spotify, "spotify" }, { AccountService::soundcloud, "soundcloud" },
    { AccountService::acoustid, "acoustid" }, { AccountService::applemusic, "applemusic" },
    { AccountService::proxy, "proxy" });

// State of the VPN routing.
enum class ProxyStatusValue { off, connecting, connected, down, error };
MIVO_VOCABULARY(ProxyStatusValue,
    { ProxyStatusValue::off, "off" }, { ProxyStatusValue::connecting, "connecting" },
    { ProxyStatusValue::connected, "connected" }, { ProxyStatusValue::down, "down" },
    { ProxyStatusValue::error, "error" });

// Step of provisioning one helper tool.
enum class ToolPhase { download, verify, install, done, error };
MIVO_VOCABULARY(ToolPhase,
    { ToolPhase::download, "download" }, { ToolPhase::verify, "verify" },
    { ToolPhase::install, "install" }, { ToolPhase::done, "done" }, { ToolPhase::error, "error" });

// Whether a previewed track already has a file (PreviewTrackDTO::OnDisk).
enum class OnDisk { present, missing };
MIVO_VOCABULARY(OnDisk, { OnDisk::present, "present" }, { OnDisk::missing, "missing" });

// Colour theme stored in the helper configuration (SafeConfig::Theme).
enum class Theme { dark, light };
MIVO_VOCABULARY(Theme, { Theme::dark, "dark" }, { Theme::light, "light" });

// Level of a log event (ServerEvent::LogLevel).
enum class LogLevel { debug, info, warn, error };
MIVO_VOCABULARY(LogLevel,
    { LogLevel::debug, "debug" }, { LogLevel::info, "info" }, { LogLevel::warn, "warn" },
    { LogLevel::error, "error" });

// How a finished track was obtained (ServerEvent::TrackFinishKind).
enum class TrackFinishKind { verified, downloaded };
MIVO_VOCABULARY(TrackFinishKind,
    { TrackFinishKind::verified, "verified" }, { TrackFinishKind::downloaded, "downloaded" });

// The 18 helper methods; the raw value is the case name.
enum class Method {
    getConfig, setConfig, storeAccountToken, getSpotifyAuthParams, disconnectAccount, connectSpotify,
    listPlaylists, getPlaylistTracks, startSync, cancelSync, reviewDecision, listOrphans, trashOrphans,
    runDoctor, doctorFix, provisionTools, testProxy, proxyInfo
};
MIVO_VOCABULARY(Method,
    { Method::getConfig, "getConfig" }, { Method::setConfig, "setConfig" },
    { Method::storeAccountToken, "storeAccountToken" }, { Method::getSpotifyAuthParams, "getSpotifyAuthParams" },
    { Method::disconnectAccount, "disconnectAccount" }, { Method::connectSpotify, "connectSpotify" },
    { Method::listPlaylists, "listPlaylists" }, { Method::getPlaylistTracks, "getPlaylistTracks" },
    { Method::startSync, "startSync" }, { Method::cancelSync, "cancelSync" },
    { Method::reviewDecision, "reviewDecision" }, { Method::listOrphans, "listOrphans" },
    { Method::trashOrphans, "trashOrphans" }, { Method::runDoctor, "runDoctor" },
    { Method::doctorFix, "doctorFix" }, { Method::provisionTools, "provisionTools" },
    { Method::testProxy, "testProxy" }, { Method::proxyInfo, "proxyInfo" });

// The known engine error codes; the reply keeps the code as a plain string.
enum class EngineErrorCode {
    badRequest, unknownMethod, invalidParams, notConfigured, syncInProgress, spotifyAuthExpired,
    appleAutomationDenied, notImplemented, internal
};
MIVO_VOCABULARY(EngineErrorCode,
    { EngineErrorCode::badRequest, "bad_request" }, { EngineErrorCode::unknownMethod, "unknown_method" },
    { EngineErrorCode::invalidParams, "invalid_params" }, { EngineErrorCode::notConfigured, "not_configured" },
    { EngineErrorCode::syncInProgress, "sync_in_progress" },
    { EngineErrorCode::spotifyAuthExpired, "spotify_auth_expired" },
    { EngineErrorCode::appleAutomationDenied, "apple_automation_denied" },
    { EngineErrorCode::notImplemented, "not_implemented" }, { EngineErrorCode::internal, "internal" });

} // namespace mivo
