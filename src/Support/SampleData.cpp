#include "Support/SampleData.h"

#include "Transport/ResultRecords.h"
#include "Transport/ServerEvent.h"
#include "Transport/SyncRecords.h"
#include "Transport/WireCoding.h"

namespace mivo::SampleData {

namespace {

const QString kRunId = QStringLiteral("run-1");

HelperEvent server(ServerEvent::Value value)
{
    return HelperEvent { HelperEvent::Server { ServerEvent { std::move(value) } } };
}

} // namespace

QString playlistId()
{
    return QStringLiteral("spotify:demo");
}

QString trackId(qint64 row)
{
    return WireProtocol::trackId(playlistId(), row);
}

const QList<PlaylistDTO>& playlists()
{
    static const QList<PlaylistDTO> kPlaylists {
        PlaylistDTO { playlistId(), PlaylistSourceId::spotify, QStringLiteral("Late Night Drive"), false,
            std::nullopt, 3, ArtworkRef::none() },
        PlaylistDTO { QStringLiteral("apple:focus"), PlaylistSourceId::apple, QStringLiteral("Focus Mix"),
            false, std::nullopt, 12, ArtworkRef::none() },
    };
    return kPlaylists;
}

const QList<TrackDTO>& tracks()
{
    static const QList<TrackDTO> kTracks {
        TrackDTO { trackId(0), QStringLiteral("Velunar"), QStringLiteral("Kaelo Vantis"),
            QStringLiteral("Signals from the Quiet Shore"), 634, ArtworkRef::none() },
        TrackDTO { trackId(1), QStringLiteral("Marisolde"), QStringLiteral("Ilsa Marrowind"),
            QStringLiteral("Marisolde"), 540, ArtworkRef::none() },
        TrackDTO { trackId(2), QStringLiteral("Kaltgrat"), QStringLiteral("KÜHLMÖRE"),
            QStringLiteral("Glimmerholt"), 575, ArtworkRef::none() },
    };
    return kTracks;
}

const QList<PreviewTrackDTO>& previewTracks()
{
    static const QList<PreviewTrackDTO> kPreviewTracks = [] {
        const QList<TrackDTO>& source = tracks();
        const std::optional<TrackMeta> metas[] = {
            TrackMeta { QStringLiteral("FLAC"), std::nullopt, std::nullopt },
            std::nullopt,
            TrackMeta { QStringLiteral("MP3"), QStringLiteral("320"), std::nullopt },
        };
        const OnDisk onDisk[] = { OnDisk::present, OnDisk::missing, OnDisk::present };
        QList<PreviewTrackDTO> rows;
        for (qsizetype i = 0; i < source.size(); ++i) {
            const TrackDTO& t = source[i];
            rows.append(PreviewTrackDTO {
                t.id, t.title, t.artist, t.album, t.durationSec, t.artwork, onDisk[i], metas[i] });
        }
        return rows;
    }();
    return kPreviewTracks;
}

const SafeConfig& sampleConfig()
{
    static const SafeConfig kConfig = [] {
        SafeConfig config;
        config.sources = { SourceId::soulseek, SourceId::bandcamp, SourceId::soundcloud, SourceId::youtube };
        config.quality = SafeConfig::Quality { QualityFloor::mp3_320, false, true, true };
        config.run = SafeConfig::Run { 5, 4, 5.0, 30.0, 24.0 };
        config.ui = SafeConfig::UI { Theme::dark };
        config.outputDir = QStringLiteral("~/Music/mivo");
        config.identity = SafeConfig::Identity { true, false };
        config.proxy = SafeConfig::Proxy { false, false };
        config.spotifyConnected = true;
        config.soundcloudConnected = false;
        config.acoustidConfigured = false;
        config.appleMusicConnected = true;
        config.effectiveSpotifyClientId = QStringLiteral("demo-client-id");
        return config;
    }();
    return kConfig;
}

JSONValue previewTracksResult()
{
    // Encoded to bytes and read back, exactly as a helper reply would arrive.
    const QByteArray bytes = dumpJson(encodeValue(PreviewTracksResult { previewTracks() }));
    return JSONValue::fromJson(parseJsonLine(bytes));
}

QList<HelperEvent> syncScript()
{
    const QList<TrackDTO>& rows = tracks();
    const CandidateDTO candidate { QStringLiteral("c1"), rows[1].title, QStringLiteral("slsk"), 540,
        QStringLiteral("soulseek"), QStringLiteral("FLAC"), 1024, 0.42, std::nullopt, std::nullopt };
    const ServerEvent::ReviewBest best { 0.42, rows[1].title + QStringLiteral(" (Oskar Brennfeld Remix)"),
        QStringLiteral("https://example.com/marisolde-remix") };

    return {
        server(ServerEvent::SyncStarted { kRunId, kRunId, 1 }),
        server(ServerEvent::PlaylistStarted {
            kRunId, playlistId(), 0, QStringLiteral("Late Night Drive"), rows }),
        server(ServerEvent::TrackStarted { kRunId, trackId(0), 0, rows[0].title }),
        server(ServerEvent::DiskCheck { kRunId, trackId(0), DiskCheckResult::missing, std::nullopt }),
        server(ServerEvent::Step { kRunId, trackId(0), Phase::searching, std::nullopt }),
        server(ServerEvent::DownloadProgress {
            kRunId, trackId(0), 50, QStringLiteral("6 MB"), QStringLiteral("1.2 MB/s") }),
        server(ServerEvent::Step { kRunId, trackId(0), Phase::tagging, std::nullopt }),
        server(ServerEvent::TrackFinished { kRunId, trackId(0), Finish::ok, std::nullopt,
            TrackFinishKind::downloaded,
            TrackMeta { QStringLiteral("FLAC"), QStringLiteral("1024"), std::nullopt } }),
        server(ServerEvent::TrackStarted { kRunId, trackId(1), 1, rows[1].title }),
        server(ServerEvent::DiskCheck { kRunId, trackId(1), DiskCheckResult::missing, std::nullopt }),
        server(ServerEvent::NeedsReview { kRunId, trackId(1), rows[1].title, best, { candidate } }),
        server(ServerEvent::TrackStarted { kRunId, trackId(2), 2, rows[2].title }),
        server(ServerEvent::DiskCheck { kRunId, trackId(2), DiskCheckResult::present,
            TrackMeta { QStringLiteral("ALAC"), std::nullopt, std::nullopt } }),
        server(ServerEvent::PlaylistFinished { kRunId, playlistId(), Finish::lowConfidence }),
        server(ServerEvent::SyncDone { kRunId, kRunId, SyncSummary { 1, 1, 1, 0, 0, 0, 0 } }),
    };
}

} // namespace mivo::SampleData
