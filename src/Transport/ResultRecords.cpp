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

nlohmann::ordered_json toJson(const PreviewTracksResult& value)
{
    return encodeFields(value, kPreviewTracksFields);
}
void fromJson(const nlohmann::json& json, PreviewTracksResult& value)
{
    decodeFields(json, value, kPreviewTracksFields);
}

nlohmann::ordered_json toJson(const ConfigResult& value)
{
    return encodeFields(value, kConfigFields);
}
void fromJson(const nlohmann::json& json, ConfigResult& value)
{
    decodeFields(json, value, kConfigFields);
}

nlohmann::ordered_json toJson(const ListPlaylistsResult& value)
{
    return encodeFields(value, kListPlaylistsFields);
}
void fromJson(const nlohmann::json& json, ListPlaylistsResult& value)
{
    decodeFields(json, value, kListPlaylistsFields);
}

nlohmann::ordered_json toJson(const OrphansResult& value)
{
    return encodeFields(value, kOrphansFields);
}
void fromJson(const nlohmann::json& json, OrphansResult& value)
{
    decodeFields(json, value, kOrphansFields);
}

nlohmann::ordered_json toJson(const DoctorCheck& value)
{
    return encodeFields(value, kDoctorCheckFields);
}
void fromJson(const nlohmann::json& json, DoctorCheck& value)
{
    decodeFields(json, value, kDoctorCheckFields);
}

nlohmann::ordered_json toJson(const DoctorResult& value)
{
    return encodeFields(value, kDoctorFields);
}
void fromJson(const nlohmann::json& json, DoctorResult& value)
{
    decodeFields(json, value, kDoctorFields);
}

nlohmann::ordered_json toJson(const TestProxyResult& value)
{
    return encodeFields(value, kTestProxyFields);
}
void fromJson(const nlohmann::json& json, TestProxyResult& value)
{
    decodeFields(json, value, kTestProxyFields);
}

nlohmann::ordered_json toJson(const ProxyInfoResult& value)
{
    return encodeFields(value, kProxyInfoFields);
}
void fromJson(const nlohmann::json& json, ProxyInfoResult& value)
{
    decodeFields(json, value, kProxyInfoFields);
}

} // namespace mivo
