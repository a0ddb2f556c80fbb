#pragma once

#include "State/StatusRole.h"
#include "Styling/ThemeColor.h"
#include "Transport/WireVocabulary.h"

#include <QString>
#include <QtGlobal>
#include <optional>

// The fixed visual constants the windows share. Lengths are in device-independent
// pixels; colours are ThemeColors (fixed service colours, named system colours).
namespace mivo::Tokens {

// Spacing scale.
namespace Space {
inline constexpr qreal xxs = 2;
inline constexpr qreal xs = 4;
inline constexpr qreal sm = 8;
inline constexpr qreal md = 12;
inline constexpr qreal lg = 16;
inline constexpr qreal xl = 24;
inline constexpr qreal xxl = 32;
} // namespace Space

// Corner radii.
namespace Radius {
inline constexpr qreal chip = 6;
inline constexpr qreal control = 8;
inline constexpr qreal card = 12;
inline constexpr qreal panel = 16;
} // namespace Radius

// Edge lengths of square artwork.
namespace Art {
inline constexpr qreal row = 30; // a row of the track table
inline constexpr qreal sidebar = 22; // a playlist row of the sidebar
inline constexpr qreal header = 56; // the playlist group header
inline constexpr qreal inspector = 64; // the header of the review inspector
} // namespace Art

// Identity of the playlist sources and download sources.
namespace Source {

// Service accent colours (fixed sRGB, built once and shared).
const ThemeColor& apple();
const ThemeColor& spotify();
const ThemeColor& soundcloud();
const ThemeColor& bandcamp();
const ThemeColor& youtube();
const ThemeColor& soulseek();

// The look of one download source.
struct DownloadSourceStyle {
    QString label; // display name
    ThemeColor color; // accent colour
    std::optional<QString> asset; // logo image name; absent for an unrecognised source

    bool operator==(const DownloadSourceStyle&) const = default;
};

QString displayName(PlaylistSourceId source);
QString logoAsset(PlaylistSourceId source);
ThemeColor accent(PlaylistSourceId source);
// The placeholder symbol for the source's artwork.
QString sfSymbol(PlaylistSourceId source);

QString displayName(SourceId source);
QString logoAsset(SourceId source);
ThemeColor accent(SourceId source);

// The style of a download source named by free text (TrackMeta::source). Only the
// exact raw values of SourceId are recognised; anything else, or no text, is "Unknown".
DownloadSourceStyle downloadStyle(const std::optional<QString>& raw);

} // namespace Source

// Symbol and colour of each status role.
namespace Status {
QString symbol(StatusRole role);
ThemeColor color(StatusRole role);
} // namespace Status

// Symbol and label of each work phase.
namespace PhaseStyle {
QString symbol(Phase phase);
QString label(Phase phase);
} // namespace PhaseStyle

} // namespace mivo::Tokens
