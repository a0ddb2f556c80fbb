#include "Styling/Format.h"

#include "Support/Rounding.h"

#include <cmath>
#include <limits>

namespace mivo::Format {

namespace {

const QString kDash = QStringLiteral("\u2014");

// `seconds` rounded, halves away from zero; nothing when that is not finite or
// has no 64-bit magnitude (so -2^63 is refused too).
std::optional<qint64> wholeSeconds(double seconds)
{
    const std::optional<qint64> n = roundedHalfAwayFromZero(seconds);
    if (n == std::numeric_limits<qint64>::min())
        return std::nullopt;
    return n;
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

std::optional<qint64> roundedPercent(double fraction)
{
    return roundedHalfAwayFromZero(fraction * 100);
}

} // namespace mivo::Format
