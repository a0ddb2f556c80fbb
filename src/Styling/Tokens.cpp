#include "Styling/Tokens.h"

namespace mivo::Tokens {

namespace Source {

const ThemeColor& apple()
{
    static const ThemeColor color = ThemeColor::fromRgb(252, 60, 68);
    return color;
}

const ThemeColor& spotify()
{
    static const ThemeColor color = ThemeColor::fromRgb(30, 215, 96);
    return color;
}

const ThemeColor& soundcloud()
{
    static const ThemeColor color = ThemeColor::fromRgb(255, 85, 0);
    return color;
}

const ThemeColor& bandcamp()
{
    static const ThemeColor color = ThemeColor::fromRgb(29, 160, 195);
    return color;
}

const ThemeColor& youtube()
{
    static const ThemeColor color = ThemeColor::fromRgb(255, 0, 0);
    return color;
}

const ThemeColor& soulseek()
{
    static const ThemeColor color = ThemeColor::fromRgb(45, 125, 210);
    return color;
}

QString displayName(PlaylistSourceId source)
{
    switch (source) {
    case PlaylistSourceId::apple:
        return QStringLiteral("Apple Music");
    case PlaylistSourceId::spotify:
        return QStringLiteral("Spotify");
    }
    return {};
}

QString logoAsset(PlaylistSourceId source)
{
    switch (source) {
    case PlaylistSourceId::apple:
        return QStringLiteral("ServiceAppleMusic");
    case PlaylistSourceId::spotify:
        return QStringLiteral("ServiceSpotify");
    }
    return {};
}

ThemeColor accent(PlaylistSourceId source)
{
    switch (source) {
    case PlaylistSourceId::apple:
        return apple();
    case PlaylistSourceId::spotify:
        return spotify();
    }
    return ThemeColor::secondary();
}

QString sfSymbol(PlaylistSourceId source)
{
    switch (source) {
    case PlaylistSourceId::apple:
        return QStringLiteral("music.note");
    case PlaylistSourceId::spotify:
        return QStringLiteral("music.note.list");
    }
    return {};
}

QString displayName(SourceId source)
{
    switch (source) {
    case SourceId::soulseek:
        return QStringLiteral("Soulseek");
    case SourceId::bandcamp:
        return QStringLiteral("Bandcamp");
    case SourceId::soundcloud:
        return QStringLiteral("SoundCloud");
    case SourceId::youtube:
        return QStringLiteral("YouTube");
    }
    return {};
}

QString logoAsset(SourceId source)
{
    switch (source) {
    case SourceId::soulseek:
        return QStringLiteral("ServiceSoulseek");
    case SourceId::bandcamp:
        return QStringLiteral("ServiceBandcamp");
    case SourceId::soundcloud:
        return QStringLiteral("ServiceSoundCloud");
    case SourceId::youtube:
        return QStringLiteral("ServiceYouTube");
    }
    return {};
}

ThemeColor accent(SourceId source)
{
    switch (source) {
    case SourceId::soulseek:
        return soulseek();
    case SourceId::bandcamp:
        return bandcamp();
    case SourceId::soundcloud:
        return soundcloud();
    case SourceId::youtube:
        return youtube();
    }
    return ThemeColor::secondary();
}

DownloadSourceStyle downloadStyle(const std::optional<QString>& raw)
{
    const std::optional<SourceId> source = raw ? fromRawString<SourceId>(*raw) : std::nullopt;
    if (!source)
        return { QStringLiteral("Unknown"), ThemeColor::secondary(), std::nullopt };
    return { displayName(*source), accent(*source), logoAsset(*source) };
}

} // namespace Source

namespace Status {

QString symbol(StatusRole role)
{
    switch (role) {
    case StatusRole::queued:
        return QStringLiteral("circle");
    case StatusRole::working:
        return QStringLiteral("arrow.triangle.2.circlepath");
    case StatusRole::review:
        return QStringLiteral("exclamationmark.triangle.fill");
    case StatusRole::done:
        return QStringLiteral("checkmark.circle.fill");
    case StatusRole::failed:
        return QStringLiteral("xmark.circle.fill");
    case StatusRole::skipped:
        return QStringLiteral("minus.circle");
    case StatusRole::present:
        return QStringLiteral("checkmark.seal.fill");
    }
    return {};
}

ThemeColor color(StatusRole role)
{
    switch (role) {
    case StatusRole::queued:
    case StatusRole::skipped:
        return ThemeColor::secondary();
    case StatusRole::working:
        return ThemeColor::accent();
    case StatusRole::review:
        return ThemeColor::orange();
    case StatusRole::done:
    case StatusRole::present:
        return ThemeColor::green();
    case StatusRole::failed:
        return ThemeColor::red();
    }
    return ThemeColor::secondary();
}

} // namespace Status

namespace PhaseStyle {

QString symbol(Phase phase)
{
    switch (phase) {
    case Phase::searching:
        return QStringLiteral("magnifyingglass");
    case Phase::downloading:
        return QStringLiteral("arrow.down.circle");
    case Phase::converting:
        return QStringLiteral("waveform");
    case Phase::tagging:
        return QStringLiteral("tag");
    case Phase::verifying:
        return QStringLiteral("checkmark.shield");
    }
    return {};
}

QString label(Phase phase)
{
    switch (phase) {
    case Phase::searching:
        return QStringLiteral("Searching");
    case Phase::downloading:
        return QStringLiteral("Downloading");
    case Phase::converting:
        return QStringLiteral("Converting");
    case Phase::tagging:
        return QStringLiteral("Tagging");
    case Phase::verifying:
        return QStringLiteral("Verifying");
    }
    return {};
}

} // namespace PhaseStyle

} // namespace mivo::Tokens
