#include "Transport/ServerEvent.h"

#include "Transport/WireCoding.h"

#include <array>
#include <string_view>

namespace mivo {

namespace {

using SE = ServerEvent;
using CorrelationId = std::optional<QString>;

const std::tuple kReviewBestFields { wireField("confidence", &SE::ReviewBest::confidence),
    wireField("title", &SE::ReviewBest::title), wireField("url", &SE::ReviewBest::url) };

// The fields of each kind's data, in their order on the wire.
const std::tuple kSyncStartedFields { wireField("runId", &SE::SyncStarted::runId),
    wireField("totalPlaylists", &SE::SyncStarted::totalPlaylists) };
const std::tuple kPlaylistStartedFields { wireField("playlistId", &SE::PlaylistStarted::playlistId),
    wireField("index", &SE::PlaylistStarted::index), wireField("name", &SE::PlaylistStarted::name),
    wireField("tracks", &SE::PlaylistStarted::tracks) };
const std::tuple kTrackStartedFields { wireField("trackId", &SE::TrackStarted::trackId),
    wireField("index", &SE::TrackStarted::index), wireField("label", &SE::TrackStarted::label) };
const std::tuple kDiskCheckFields { wireField("trackId", &SE::DiskCheck::trackId),
    wireField("result", &SE::DiskCheck::result), wireField("meta", &SE::DiskCheck::meta) };
const std::tuple kStepFields { wireField("trackId", &SE::Step::trackId), wireField("phase", &SE::Step::phase),
    wireField("detail", &SE::Step::detail) };
const std::tuple kDownloadProgressFields { wireField("trackId", &SE::DownloadProgress::trackId),
    wireField("percent", &SE::DownloadProgress::percent),
    wireField("sizeText", &SE::DownloadProgress::sizeText),
    wireField("speedText", &SE::DownloadProgress::speedText) };
const std::tuple kNeedsReviewFields { wireField("trackId", &SE::NeedsReview::trackId),
    wireField("label", &SE::NeedsReview::label), wireField("best", &SE::NeedsReview::best),
    wireField("candidates", &SE::NeedsReview::candidates) };
const std::tuple kTrackFinishedFields { wireField("trackId", &SE::TrackFinished::trackId),
    wireField("status", &SE::TrackFinished::status), wireField("detail", &SE::TrackFinished::detail),
    wireField("kind", &SE::TrackFinished::kind), wireField("meta", &SE::TrackFinished::meta) };
const std::tuple kPlaylistFinishedFields { wireField("playlistId", &SE::PlaylistFinished::playlistId),
    wireField("status", &SE::PlaylistFinished::status) };
const std::tuple kOrphansFoundFields { wireField("playlistId", &SE::OrphansFound::playlistId),
    wireField("paths", &SE::OrphansFound::paths) };
const std::tuple kLogFields { wireField("level", &SE::Log::level), wireField("message", &SE::Log::message) };
const std::tuple kSyncDoneFields { wireField("runId", &SE::SyncDone::runId),
    wireField("summary", &SE::SyncDone::summary) };
const std::tuple kToolProgressFields { wireField("tool", &SE::ToolProgress::tool),
    wireField("phase", &SE::ToolProgress::phase), wireField("percent", &SE::ToolProgress::percent),
    wireField("detail", &SE::ToolProgress::detail) };
const std::tuple kProxyStatusFields { wireField("status", &SE::ProxyStatus::status),
    wireField("detail", &SE::ProxyStatus::detail) };
const std::tuple kErrorFields { wireField("scope", &SE::Error::scope), wireField("code", &SE::Error::code),
    wireField("message", &SE::Error::message) };

// Decodes a kind's data and applies the kind's correlation-id rule: a string
// field takes the id or the empty string, an optional field takes it as
// received, and a kind without the field drops it.
template <typename Case, typename Fields>
ServerEvent decodeKind(const nlohmann::json& data, const CorrelationId& correlationId, const Fields& fields)
{
    Case event;
    decodeFields(data, event, fields);
    if constexpr (requires { event.correlationId; }) {
        if constexpr (std::is_same_v<decltype(event.correlationId), QString>)
            event.correlationId = correlationId.value_or(QString());
        else
            event.correlationId = correlationId;
    }
    return { std::move(event) };
}

struct KnownKind {
    std::string_view name;
    ServerEvent (*decode)(const nlohmann::json& data, const CorrelationId& correlationId);
};

// Case-sensitive names of the known kinds.
const std::array<KnownKind, 15> kKnownKinds { {
    { "syncStarted",
        [](const nlohmann::json& d, const CorrelationId& c) {
            return decodeKind<SE::SyncStarted>(d, c, kSyncStartedFields);
        } },
    { "playlistStarted",
        [](const nlohmann::json& d, const CorrelationId& c) {
            return decodeKind<SE::PlaylistStarted>(d, c, kPlaylistStartedFields);
        } },
    { "trackStarted",
        [](const nlohmann::json& d, const CorrelationId& c) {
            return decodeKind<SE::TrackStarted>(d, c, kTrackStartedFields);
        } },
    { "diskCheck",
        [](const nlohmann::json& d, const CorrelationId& c) {
            return decodeKind<SE::DiskCheck>(d, c, kDiskCheckFields);
        } },
    { "step",
        [](const nlohmann::json& d, const CorrelationId& c) {
            return decodeKind<SE::Step>(d, c, kStepFields);
        } },
    { "downloadProgress",
        [](const nlohmann::json& d, const CorrelationId& c) {
            return decodeKind<SE::DownloadProgress>(d, c, kDownloadProgressFields);
        } },
    { "needsReview",
        [](const nlohmann::json& d, const CorrelationId& c) {
            return decodeKind<SE::NeedsReview>(d, c, kNeedsReviewFields);
        } },
    { "trackFinished",
        [](const nlohmann::json& d, const CorrelationId& c) {
            return decodeKind<SE::TrackFinished>(d, c, kTrackFinishedFields);
        } },
    { "playlistFinished",
        [](const nlohmann::json& d, const CorrelationId& c) {
            return decodeKind<SE::PlaylistFinished>(d, c, kPlaylistFinishedFields);
        } },
    { "orphansFound",
        [](const nlohmann::json& d, const CorrelationId& c) {
            return decodeKind<SE::OrphansFound>(d, c, kOrphansFoundFields);
        } },
    { "log",
        [](const nlohmann::json& d, const CorrelationId& c) {
            return decodeKind<SE::Log>(d, c, kLogFields);
        } },
    { "syncDone",
        [](const nlohmann::json& d, const CorrelationId& c) {
            return decodeKind<SE::SyncDone>(d, c, kSyncDoneFields);
        } },
    { "toolProgress",
        [](const nlohmann::json& d, const CorrelationId& c) {
            return decodeKind<SE::ToolProgress>(d, c, kToolProgressFields);
        } },
    { "proxyStatus",
        [](const nlohmann::json& d, const CorrelationId& c) {
            return decodeKind<SE::ProxyStatus>(d, c, kProxyStatusFields);
        } },
    { "error",
        [](const nlohmann::json& d, const CorrelationId& c) {
            return decodeKind<SE::Error>(d, c, kErrorFields);
        } },
} };

} // namespace

MIVO_FIELD_CODEC(ServerEvent::ReviewBest, kReviewBestFields)

ServerEvent ServerEvent::decode(QByteArrayView line)
{
    return fromJson(parseJsonLine(line));
}

ServerEvent ServerEvent::fromJson(const nlohmann::json& json)
{
    const nlohmann::json& object = wire::expectObject(json);
    const auto eventKey = object.find("event");
    if (eventKey == object.end())
        throw DecodeError("missing key \"event\"");
    const auto* name = eventKey->get_ptr<const nlohmann::json::string_t*>();
    if (!name)
        throw DecodeError("expected a string, found " + wire::jsonTypeName(*eventKey), "event");
    CorrelationId correlationId;
    readKey(object, "correlationId", correlationId);

    const auto data = object.find("data");
    for (const KnownKind& kind : kKnownKinds) {
        if (kind.name != *name)
            continue;
        if (data == object.end())
            throw DecodeError("missing key \"data\"");
        try {
            return kind.decode(*data, correlationId);
        } catch (const DecodeError& error) {
            throw error.inKey("data");
        }
    }

    // Any other kind is delivered with its data as it came, never failing on it.
    Unknown unknown { QString::fromUtf8(name->data(), qsizetype(name->size())), JSONValue() };
    if (data != object.end()) {
        try {
            unknown.raw = JSONValue::fromJson(*data);
        } catch (const DecodeError&) {
            unknown.raw = JSONValue();
        }
    }
    return { std::move(unknown) };
}

} // namespace mivo
