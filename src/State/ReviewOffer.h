#pragma once

#include "Transport/PlaylistRecords.h"
#include "Transport/SyncRecords.h"

#include <QList>
#include <QString>
#include <optional>

// Which decisions the review inspector offers for a track awaiting review, and
// the decision as it is sent.
namespace mivo::ReviewOffer {

// The decision as it goes to the helper for a track whose candidates are
// `candidates`, or none when it is not on offer: a candidate must be one of the
// track's own; a web address is sent without surrounding white space and must
// then be an absolute http or https address with a host (isWebAddress);
// accepting the best match needs at least one candidate; skipping is always on
// offer.
std::optional<ReviewDecision> validated(const QList<CandidateDTO>& candidates, const ReviewDecision& decision);

// An absolute http or https address with a host, as typed (no trimming).
bool isWebAddress(const QString& text);

} // namespace mivo::ReviewOffer
