#pragma once

#include "Transport/PlaylistRecords.h"

#include <QString>
#include <optional>

// Short texts about tracks and progress as the windows show them.
// Not localised; they never fail.
namespace mivo::Format {

// The format and bitrate of an audio file: "FLAC", "MP3 · 320 kbps", "192 kbps";
// no text when neither is known. Lossless formats never show a bitrate.
std::optional<QString> qualityLine(const std::optional<TrackMeta>& meta);

// Minutes and seconds ("3:07", "62:05"); "—" unless the duration is positive and
// finite, and for durations too long to count in whole seconds.
QString duration(double seconds);

// A signed whole-second difference ("+12s", "−7s", "±0s"); "—" for a value that
// is not finite or too large to count in whole seconds.
QString deltaSeconds(double seconds);

// A fraction as a whole percentage: fraction × 100 rounded to the nearest whole
// number, halves away from zero (0.125 → 13, −0.125 → −13). Nothing for a
// fraction that is not finite or whose percentage does not fit a qint64.
std::optional<qint64> roundedPercent(double fraction);

} // namespace mivo::Format
