#pragma once

#include "Transport/WireVocabulary.h"
#include "Models/QualityProfile.h"

#include <QList>
#include <QString>
#include <optional>

// The fixed, user-facing descriptions of the download sources and the quality
// presets, so that the setup wizard and the settings window show the same
// names, logos and explanations. Nothing here changes at run time.
namespace mivo::ServiceCatalog {

struct DownloadSourceInfo {
    SourceId id = SourceId::soulseek;
    QString name;
    QString assetName; // the image asset with the source's logo
    QString blurb; // one-line explanation
    std::optional<AccountService> keyService; // where an optional credential for the source is stored
    std::optional<QString> keyPlaceholder; // placeholder of that credential's field

    bool operator==(const DownloadSourceInfo&) const = default;
};

struct QualityProfileInfo {
    QualityProfile id = QualityProfile::balanced;
    QString name;
    QString blurb;

    bool operator==(const QualityProfileInfo&) const = default;
};

// The four download sources in their default priority order.
const QList<DownloadSourceInfo>& downloadSources();
// The three quality presets: best, balanced, fast.
const QList<QualityProfileInfo>& qualityProfiles();
// The row of a download source; the first row (Soulseek) when none matches.
const DownloadSourceInfo& downloadSource(SourceId id);

} // namespace mivo::ServiceCatalog
