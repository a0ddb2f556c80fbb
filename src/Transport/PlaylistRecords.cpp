#include "Transport/PlaylistRecords.h"

#include "Transport/WireCoding.h"

namespace mivo {

namespace {

const std::tuple kPlaylistFields { wireField("id", &PlaylistDTO::id),
    wireField("source", &PlaylistDTO::source), wireField("name", &PlaylistDTO::name),
    wireField("isFolder", &PlaylistDTO::isFolder), wireField("parentId", &PlaylistDTO::parentId),
    wireField("trackCount", &PlaylistDTO::trackCount), wireField("artwork", &PlaylistDTO::artwork) };

const std::tuple kTrackFields { wireField("id", &TrackDTO::id), wireField("title", &TrackDTO::title),
    wireField("artist", &TrackDTO::artist), wireField("album", &TrackDTO::album),
    wireField("durationSec", &TrackDTO::durationSec), wireField("artwork", &TrackDTO::artwork) };

const std::tuple kTrackMetaFields { wireField("format", &TrackMeta::format),
    wireField("bitrate", &TrackMeta::bitrate), wireField("source", &TrackMeta::source) };

const std::tuple kPreviewTrackFields { wireField("id", &PreviewTrackDTO::id),
    wireField("title", &PreviewTrackDTO::title), wireField("artist", &PreviewTrackDTO::artist),
    wireField("album", &PreviewTrackDTO::album), wireField("durationSec", &PreviewTrackDTO::durationSec),
    wireField("artwork", &PreviewTrackDTO::artwork), wireField("onDisk", &PreviewTrackDTO::onDisk),
    wireField("meta", &PreviewTrackDTO::meta) };

const std::tuple kCandidateFields { wireField("id", &CandidateDTO::id),
    wireField("title", &CandidateDTO::title), wireField("channel", &CandidateDTO::channel),
    wireField("durationSec", &CandidateDTO::durationSec), wireField("source", &CandidateDTO::source),
    wireField("format", &CandidateDTO::format), wireField("bitrateKbps", &CandidateDTO::bitrateKbps),
    wireField("confidence", &CandidateDTO::confidence), wireField("reason", &CandidateDTO::reason),
    wireField("url", &CandidateDTO::url) };

} // namespace

nlohmann::ordered_json toJson(const ArtworkRef& value)
{
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    std::visit(
        [&](const auto& artwork) {
            using Case = std::decay_t<decltype(artwork)>;
            if constexpr (std::is_same_v<Case, ArtworkRef::Url>) {
                object.emplace("kind", "url");
                object.emplace("url", artwork.url.toString(QUrl::FullyEncoded).toStdString());
            } else if constexpr (std::is_same_v<Case, ArtworkRef::AppleMusic>) {
                object.emplace("kind", "appleMusic");
                writeKey(object, "persistentID", artwork.persistentID);
            } else if constexpr (std::is_same_v<Case, ArtworkRef::Mosaic>) {
                object.emplace("kind", "mosaic");
                writeKey(object, "trackIds", artwork.trackIds);
            } else {
                object.emplace("kind", "none");
            }
        },
        value.value);
    return object;
}

// An unknown kind and an address that is not a valid absolute URL are no
// failures: both mean there is no picture. An address is kept in the form its
// encoding reads back as. A known kind without its payload key
// fails.
void fromJson(const nlohmann::json& json, ArtworkRef& value)
{
    const nlohmann::json& object = wire::expectObject(json);
    QString kind;
    readKey(object, "kind", kind);
    if (kind == u"url") {
        QString text;
        readKey(object, "url", text);
        const QUrl parsed(text, QUrl::StrictMode);
        if (!parsed.isValid() || parsed.isRelative()) {
            value = ArtworkRef::none();
        } else {
            // Held as read back from its own encoding: an address in another form
            // than the one it is written in (a second '#' in the fragment, letters
            // outside ASCII) would otherwise differ from itself once encoded.
            value = ArtworkRef::url(QUrl(parsed.toString(QUrl::FullyEncoded), QUrl::StrictMode));
        }
    } else if (kind == u"appleMusic") {
        ArtworkRef::AppleMusic artwork;
        readKey(object, "persistentID", artwork.persistentID);
        value = { artwork };
    } else if (kind == u"mosaic") {
        ArtworkRef::Mosaic artwork;
        readKey(object, "trackIds", artwork.trackIds);
        value = { artwork };
    } else {
        value = ArtworkRef::none();
    }
}

MIVO_FIELD_CODEC(PlaylistDTO, kPlaylistFields)

MIVO_FIELD_CODEC(TrackDTO, kTrackFields)

MIVO_FIELD_CODEC(TrackMeta, kTrackMetaFields)

MIVO_FIELD_CODEC(PreviewTrackDTO, kPreviewTrackFields)

MIVO_FIELD_CODEC(CandidateDTO, kCandidateFields)

} // namespace mivo
