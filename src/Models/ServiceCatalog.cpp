#include "Models/ServiceCatalog.h"

namespace mivo::ServiceCatalog {

const QList<DownloadSourceInfo>& downloadSources()
{
    static const QList<DownloadSourceInfo> rows {
        { SourceId::soulseek, QStringLiteral("Soulseek"), QStringLiteral("ServiceSoulseek"),
            QStringLiteral("Peer-to-peer lossless sharing — best quality (FLAC). No setup needed."),
            std::nullopt, std::nullopt },
        { SourceId::bandcamp, QStringLiteral("Bandcamp"), QStringLiteral("ServiceBandcamp"),
            QStringLiteral("Real FLAC for lossless tracks, straight from artists."), std::nullopt,
            std::nullopt },
        { SourceId::soundcloud, QStringLiteral("SoundCloud"), QStringLiteral("ServiceSoundCloud"),
            QStringLiteral("Remixes and DJ edits. Add a token to unlock higher-quality (256 kbps) streams."),
            AccountService::soundcloud, QStringLiteral("SoundCloud OAuth token (optional)") },
        { SourceId::youtube, QStringLiteral("YouTube"), QStringLiteral("ServiceYouTube"),
            QStringLiteral("The widest catalog, as a lossy last resort."), std::nullopt, std::nullopt },
    };
    return rows;
}

const QList<QualityProfileInfo>& qualityProfiles()
{
    static const QList<QualityProfileInfo> rows {
        { QualityProfile::best, QStringLiteral("Best"),
            QStringLiteral("Upgrade to lossless whenever it's available.") },
        { QualityProfile::balanced, QStringLiteral("Balanced"),
            QStringLiteral("Keep 256k+/lossless; replace anything worse or missing.") },
        { QualityProfile::fast, QStringLiteral("Fast"),
            QStringLiteral("Accept the first decent match — fills your library quickly.") },
    };
    return rows;
}

const DownloadSourceInfo& downloadSource(SourceId id)
{
    const QList<DownloadSourceInfo>& rows = downloadSources();
    for (const DownloadSourceInfo& row : rows) {
        if (row.id == id)
            return row;
    }
    return rows.front();
}

} // namespace mivo::ServiceCatalog
