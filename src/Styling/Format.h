#pragma once

#include "Transport/PlaylistRecords.h"

#include <QString>
#include <optional>

// Short texts about tracks as the track table and the review inspector show them.
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

} // namespace mivo::Format
