#include "Views/Review/CandidateRow.h"

#include "Styling/Format.h"

#include <QStringList>
#include <cmath>

namespace mivo {

CandidateRow CandidateRow::of(const CandidateDTO& candidate, double trackDurationSec)
{
    CandidateRow row;
    row.id = candidate.id;
    row.title = candidate.title;
    if (candidate.confidence) {
        const std::optional<qint64> percent = Format::roundedPercent(*candidate.confidence);
        row.confidenceText = percent ? QString::number(*percent) + QLatin1Char('%') : QStringLiteral("\u2014");
        row.confidenceColor = confidenceColorOf(*candidate.confidence);
    }
    row.sourceTag = sourceTagOf(candidate);
    const double delta = candidate.durationSec - trackDurationSec;
    row.deltaText = Format::deltaSeconds(delta);
    row.deltaColor = std::abs(delta) <= 5 ? ThemeColor::secondary() : ThemeColor::orange();
    return row;
}

ThemeColor CandidateRow::confidenceColorOf(double confidence)
{
    if (confidence >= 0.75)
        return ThemeColor::green();
    if (confidence >= 0.5)
        return ThemeColor::yellow();
    return ThemeColor::orange();
}

QString CandidateRow::sourceTagOf(const CandidateDTO& candidate)
{
    QStringList parts;
    if (candidate.source)
        parts.append(*candidate.source);
    if (candidate.format)
        parts.append(*candidate.format);
    if (candidate.bitrateKbps)
        parts.append(QString::number(*candidate.bitrateKbps));
    return parts.isEmpty() ? candidate.channel : parts.join(QStringLiteral(" \u00b7 "));
}

} // namespace mivo
