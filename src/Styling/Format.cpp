#include "Styling/Format.h"

#include <cmath>

namespace mivo::Format {

namespace {

const QString kDash = QStringLiteral("\u2014");

// Every whole number of smaller magnitude converts to qint64 exactly.
constexpr double kInt64Limit = 9223372036854775808.0; // 2^63

// `seconds` rounded to the nearest whole number, halves away from zero; nothing
// when that is not a finite value a signed 64-bit integer holds.
std::optional<qint64> wholeSeconds(double seconds)
{
    if (!std::isfinite(seconds))
        return std::nullopt;
    const double rounded = std::round(seconds);
    if (!(std::fabs(rounded) < kInt64Limit))
        return std::nullopt;
    return qint64(rounded);
}

QString bitrateText(const QString& raw)
{
    const QString lower = raw.toLower();
    if (lower.contains(u"kbps") || lower.contains(u"kb/s"))
        return raw;
    return raw + QStringLiteral(" kbps");
}

} // namespace

std::optional<QString> qualityLine(const std::optional<TrackMeta>& meta)
{
    if (!meta)
        return std::nullopt;
    const bool hasBitrate = meta->bitrate && !meta->bitrate->isEmpty();
    if (meta->format) {
        const QString format = meta->format->toUpper();
        if (!format.isEmpty()) {
            if (format == u"FLAC" || format == u"ALAC")
                return format;
            if (hasBitrate)
                return format + QStringLiteral(" \u00B7 ") + bitrateText(*meta->bitrate);
            return format;
        }
    }
    if (hasBitrate)
        return bitrateText(*meta->bitrate);
    return std::nullopt;
}

QString duration(double seconds)
{
    if (!(seconds > 0) || !std::isfinite(seconds))
        return kDash;
    const std::optional<qint64> n = wholeSeconds(seconds);
    if (!n)
        return kDash;
    const qint64 minutes = *n / 60;
    const qint64 secs = *n - 60 * minutes;
    return QStringLiteral("%1:%2").arg(minutes).arg(secs, 2, 10, QLatin1Char('0'));
}

QString deltaSeconds(double seconds)
{
    const std::optional<qint64> n = wholeSeconds(seconds);
    if (!n)
        return kDash;
    if (*n == 0)
        return QStringLiteral("\u00B10s");
    // The magnitude fits: |n| < 2^63.
    const qint64 magnitude = *n < 0 ? -*n : *n;
    return (*n > 0 ? QStringLiteral("+") : QStringLiteral("\u2212")) + QString::number(magnitude) + u's';
}

} // namespace mivo::Format
