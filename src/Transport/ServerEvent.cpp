#include "Transport/ServerEvent.h"

#include "Base/Utf8.h"
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

// One known kind: its case, its case-sensitive name and the fields of its data.
template <typename Case, typename Fields> struct Kind {
    using Event = Case;
    std::string_view name;
    const Fields& fields;
};

template <typename Case, typename Fields> Kind<Case, Fields> kind(std::string_view name, const Fields& fields)
{
    return { name, fields };
}

const std::tuple kKnownKinds { kind<SE::SyncStarted>("syncStarted", kSyncStartedFields),
    kind<SE::PlaylistStarted>("playlistStarted", kPlaylistStartedFields),
    kind<SE::TrackStarted>("trackStarted", kTrackStartedFields),
    kind<SE::DiskCheck>("diskCheck", kDiskCheckFields), kind<SE::Step>("step", kStepFields),
    kind<SE::DownloadProgress>("downloadProgress", kDownloadProgressFields),
    kind<SE::NeedsReview>("needsReview", kNeedsReviewFields),
    kind<SE::TrackFinished>("trackFinished", kTrackFinishedFields),
    kind<SE::PlaylistFinished>("playlistFinished", kPlaylistFinishedFields),
    kind<SE::OrphansFound>("orphansFound", kOrphansFoundFields), kind<SE::Log>("log", kLogFields),
    kind<SE::SyncDone>("syncDone", kSyncDoneFields), kind<SE::ToolProgress>("toolProgress", kToolProgressFields),
    kind<SE::ProxyStatus>("proxyStatus", kProxyStatusFields), kind<SE::Error>("error", kErrorFields) };

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
    std::optional<ServerEvent> known;
    const auto decodeIfNamed = [&](const auto& kind) {
        if (known || kind.name != *name)
            return;
        if (data == object.end())
            throw DecodeError("missing key \"data\"");
        try {
            known = decodeKind<typename std::decay_t<decltype(kind)>::Event>(*data, correlationId, kind.fields);
        } catch (const DecodeError& error) {
            throw error.inKey("data");
        }
    };
    std::apply([&](const auto&... kinds) { (decodeIfNamed(kinds), ...); }, kKnownKinds);
    if (known)
        return std::move(*known);

    // Any other kind is delivered with its data as it came, never failing on it.
    Unknown unknown { decodeUtf8Exact(QByteArrayView(name->data(), qsizetype(name->size()))), JSONValue() };
    if (data != object.end()) {
        try {
            unknown.raw = JSONValue::fromJson(*data);
        } catch (const DecodeError&) {
            unknown.raw = JSONValue();
        }
    }
    return { std::move(unknown) };
}

QByteArray ServerEvent::encodedLine() const
{
    nlohmann::ordered_json line = nlohmann::ordered_json::object();
    std::visit(
        [&line](const auto& event) {
            using Case = std::decay_t<decltype(event)>;
            if constexpr (std::is_same_v<Case, Unknown>) {
                line.emplace("event", encodeValue(event.type));
                line.emplace("data", toJson(event.raw));
            } else {
                const auto encodeIfOf = [&](const auto& kind) {
                    if constexpr (std::is_same_v<typename std::decay_t<decltype(kind)>::Event, Case>) {
                        line.emplace("event", std::string(kind.name));
                        if constexpr (requires { event.correlationId; })
                            writeKey(line, "correlationId", event.correlationId);
                        line.emplace("data", encodeFields(event, kind.fields));
                    }
                };
                std::apply([&](const auto&... kinds) { (encodeIfOf(kinds), ...); }, kKnownKinds);
            }
        },
        value);
    return dumpJson(line);
}

} // namespace mivo
