#pragma once

#include "Transport/SafeConfig.h"
#include "Transport/Vocabulary.h"

#include <optional>

namespace mivo {

// The three-way quality choice of the setup wizard and the quality rows of the
// service catalog. Each profile stands for a whole quality record; any
// configuration reads as one of them.
enum class QualityProfile { best, balanced, fast };
MIVO_VOCABULARY(QualityProfile, { QualityProfile::best, "best" }, { QualityProfile::balanced, "balanced" },
    { QualityProfile::fast, "fast" });

// The profile a quality record reads as; none without a record. Only the
// best-quality and upgrade switches count: without best quality it is fast,
// with it best when upgrades are on and balanced when they are off.
inline std::optional<QualityProfile> qualityProfileFrom(const std::optional<SafeConfig::Quality>& quality)
{
    if (!quality)
        return std::nullopt;
    if (!quality->bestQuality)
        return QualityProfile::fast;
    return quality->upgradeEnabled ? QualityProfile::best : QualityProfile::balanced;
}

// The quality record a profile writes: no floor, lossless not required, and
// the two switches that qualityProfileFrom() reads back as the same profile.
inline SafeConfig::Quality toQuality(QualityProfile profile)
{
    SafeConfig::Quality quality;
    quality.floor = QualityFloor::any;
    quality.losslessOnly = false;
    quality.bestQuality = profile != QualityProfile::fast;
    quality.upgradeEnabled = profile == QualityProfile::best;
    return quality;
}

} // namespace mivo
