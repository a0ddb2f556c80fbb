#include "Transport/ResultRecords.h"

#include "Transport/WireCoding.h"

namespace mivo {

namespace {

const std::tuple kPreviewTracksFields { wireField("tracks", &PreviewTracksResult::tracks) };
const std::tuple kConfigFields { wireField("config", &ConfigResult::config) };
const std::tuple kListPlaylistsFields { wireField("playlists", &ListPlaylistsResult::playlists) };
const std::tuple kOrphansFields { wireField("paths", &OrphansResult::paths) };
const std::tuple kDoctorCheckFields { wireField("id", &DoctorCheck::id),
    wireField("title", &DoctorCheck::title), wireField("status", &DoctorCheck::status),
    wireField("detail", &DoctorCheck::detail), wireField("fixable", &DoctorCheck::fixable) };
const std::tuple kDoctorFields { wireField("checks", &DoctorResult::checks) };
const std::tuple kTestProxyFields { wireField("ok", &TestProxyResult::ok),
    wireField("detail", &TestProxyResult::detail) };
const std::tuple kProxyInfoFields { wireField("ok", &ProxyInfoResult::ok),
    wireField("nodeCount", &ProxyInfoResult::nodeCount) };

} // namespace

nlohmann::ordered_json toJson(const EmptyResult&)
{
    return nlohmann::ordered_json::object();
}
void fromJson(const nlohmann::json&, EmptyResult&)
{
}

MIVO_FIELD_CODEC(PreviewTracksResult, kPreviewTracksFields)

MIVO_FIELD_CODEC(ConfigResult, kConfigFields)

MIVO_FIELD_CODEC(ListPlaylistsResult, kListPlaylistsFields)

MIVO_FIELD_CODEC(OrphansResult, kOrphansFields)

MIVO_FIELD_CODEC(DoctorCheck, kDoctorCheckFields)

MIVO_FIELD_CODEC(DoctorResult, kDoctorFields)

MIVO_FIELD_CODEC(TestProxyResult, kTestProxyFields)

MIVO_FIELD_CODEC(ProxyInfoResult, kProxyInfoFields)

} // namespace mivo
