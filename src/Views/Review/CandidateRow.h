#pragma once

#include "Styling/ThemeColor.h"
#include "Transport/PlaylistRecords.h"

#include <QString>
#include <optional>

namespace mivo {

// The texts and colours of one candidate row of the review inspector.
struct CandidateRow {
    QString id;
    QString title;
    // The confidence as a whole percentage ("87%"); none without a confidence,
    // "—" for one whose percentage cannot be shown.
    std::optional<QString> confidenceText;
    ThemeColor confidenceColor;
    // Source, format and bitrate joined with " · ", or the channel without any.
    QString sourceTag;
    // The candidate's length against the track's, in signed whole seconds.
    QString deltaText;
    ThemeColor deltaColor;

    static CandidateRow of(const CandidateDTO& candidate, double trackDurationSec);

    // Green from 0.75, yellow from 0.5, orange below (and for no number at all).
    static ThemeColor confidenceColorOf(double confidence);
    static QString sourceTagOf(const CandidateDTO& candidate);

    bool operator==(const CandidateRow&) const = default;
};

} // namespace mivo
