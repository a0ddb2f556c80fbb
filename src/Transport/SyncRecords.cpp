#include "Transport/SyncRecords.h"

#include "Transport/WireCoding.h"

namespace mivo {

namespace {

const std::tuple kSelectionFields { wireField("source", &PlaylistSelection::source),
    wireField("id", &PlaylistSelection::id), wireField("name", &PlaylistSelection::name) };

const std::tuple kOptionsFields { wireField("dryRun", &SyncOptions::dryRun),
    wireField("review", &SyncOptions::review), wireField("concurrency", &SyncOptions::concurrency),
    wireField("cleanup", &SyncOptions::cleanup), wireField("upgrade", &SyncOptions::upgrade),
    wireField("qualityFloor", &SyncOptions::qualityFloor) };

const std::tuple kSummaryFields { wireField("present", &SyncSummary::present),
    wireField("ok", &SyncSummary::ok), wireField("flagged", &SyncSummary::flagged),
    wireField("failed", &SyncSummary::failed), wireField("skipped", &SyncSummary::skipped),
    wireField("upgraded", &SyncSummary::upgraded), wireField("removed", &SyncSummary::removed) };

} // namespace

bool SyncBanner::asksToAct() const
{
    return code && fromRawString<EngineErrorCode>(*code) == EngineErrorCode::spotifyAuthExpired;
}

QString WireProtocol::trackId(const QString& playlistId, qint64 row)
{
    return playlistId + u'#' + QString::number(row);
}

MIVO_FIELD_CODEC(PlaylistSelection, kSelectionFields)

MIVO_FIELD_CODEC(SyncOptions, kOptionsFields)

MIVO_FIELD_CODEC(SyncSummary, kSummaryFields)

nlohmann::ordered_json toJson(const ReviewDecision& value)
{
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    std::visit(
        [&](const auto& decision) {
            using Case = std::decay_t<decltype(decision)>;
            if constexpr (std::is_same_v<Case, ReviewDecision::Url>) {
                object.emplace("kind", "url");
                writeKey(object, "url", decision.url);
            } else if constexpr (std::is_same_v<Case, ReviewDecision::Candidate>) {
                object.emplace("kind", "candidate");
                writeKey(object, "candidateId", decision.candidateId);
            } else if constexpr (std::is_same_v<Case, ReviewDecision::Accept>) {
                object.emplace("kind", "accept");
            } else {
                object.emplace("kind", "skip");
            }
        },
        value.value);
    return object;
}

void fromJson(const nlohmann::json& json, ReviewDecision& value)
{
    const nlohmann::json& object = wire::expectObject(json);
    QString kind;
    readKey(object, "kind", kind);
    if (kind == u"accept") {
        value = ReviewDecision::accept();
    } else if (kind == u"skip") {
        value = ReviewDecision::skip();
    } else if (kind == u"url") {
        ReviewDecision::Url decision;
        readKey(object, "url", decision.url);
        value = { decision };
    } else if (kind == u"candidate") {
        ReviewDecision::Candidate decision;
        readKey(object, "candidateId", decision.candidateId);
        value = { decision };
    } else {
        throw DecodeError("Unknown ReviewDecision kind: " + kind.toStdString(), "kind");
    }
}

} // namespace mivo
