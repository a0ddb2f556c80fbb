#include "State/ReviewOffer.h"

#include <QUrl>
#include <algorithm>
#include <variant>

namespace mivo::ReviewOffer {

bool isWebAddress(const QString& text)
{
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == u"http" || scheme == u"https") && !url.host().isEmpty();
}

std::optional<ReviewDecision> validated(const QList<CandidateDTO>& candidates, const ReviewDecision& decision)
{
    if (const auto* url = std::get_if<ReviewDecision::Url>(&decision.value)) {
        const QString trimmed = url->url.trimmed();
        if (!isWebAddress(trimmed))
            return std::nullopt;
        return ReviewDecision::url(trimmed);
    }
    if (const auto* chosen = std::get_if<ReviewDecision::Candidate>(&decision.value)) {
        const bool own = std::any_of(candidates.begin(), candidates.end(),
            [chosen](const CandidateDTO& candidate) { return candidate.id == chosen->candidateId; });
        return own ? std::optional(decision) : std::nullopt;
    }
    if (std::holds_alternative<ReviewDecision::Accept>(decision.value))
        return candidates.isEmpty() ? std::nullopt : std::optional(decision);
    return decision;
}

} // namespace mivo::ReviewOffer
