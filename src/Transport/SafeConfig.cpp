#include "Transport/SafeConfig.h"

#include "Transport/WireCoding.h"

namespace mivo {

namespace {

const std::tuple kQualityFields { wireField("floor", &SafeConfig::Quality::floor),
    wireField("losslessOnly", &SafeConfig::Quality::losslessOnly),
    wireField("bestQuality", &SafeConfig::Quality::bestQuality),
    wireField("upgradeEnabled", &SafeConfig::Quality::upgradeEnabled) };

const std::tuple kRunFields { wireField("searchCount", &SafeConfig::Run::searchCount),
    wireField("concurrency", &SafeConfig::Run::concurrency),
    wireField("toleranceSec", &SafeConfig::Run::toleranceSec),
    wireField("searchTimeoutSec", &SafeConfig::Run::searchTimeoutSec),
    wireField("cooloffHours", &SafeConfig::Run::cooloffHours) };

const std::tuple kUIFields { wireField("theme", &SafeConfig::UI::theme) };

const std::tuple kIdentityFields { wireField("enabled", &SafeConfig::Identity::enabled),
    wireField("strict", &SafeConfig::Identity::strict) };

const std::tuple kProxyFields { wireField("enabled", &SafeConfig::Proxy::enabled),
    wireField("configured", &SafeConfig::Proxy::configured) };

const std::tuple kSafeConfigFields { wireField("sources", &SafeConfig::sources),
    wireField("quality", &SafeConfig::quality), wireField("run", &SafeConfig::run),
    wireField("ui", &SafeConfig::ui), wireField("outputDir", &SafeConfig::outputDir),
    wireField("identity", &SafeConfig::identity), wireField("proxy", &SafeConfig::proxy),
    wireField("spotifyConnected", &SafeConfig::spotifyConnected),
    wireField("soundcloudConnected", &SafeConfig::soundcloudConnected),
    wireField("acoustidConfigured", &SafeConfig::acoustidConfigured),
    wireField("appleMusicConnected", &SafeConfig::appleMusicConnected),
    wireField("effectiveSpotifyClientId", &SafeConfig::effectiveSpotifyClientId) };

const std::tuple kPatchFields { wireField("sources", &ConfigPatch::sources),
    wireField("quality", &ConfigPatch::quality), wireField("run", &ConfigPatch::run),
    wireField("ui", &ConfigPatch::ui), wireField("outputDir", &ConfigPatch::outputDir),
    wireField("identity", &ConfigPatch::identity), wireField("proxyEnabled", &ConfigPatch::proxyEnabled) };

const std::tuple kToolStatusFields { wireField("id", &ToolStatusDTO::id),
    wireField("name", &ToolStatusDTO::name), wireField("status", &ToolStatusDTO::status),
    wireField("detail", &ToolStatusDTO::detail) };

const std::tuple kProvisionFields { wireField("ok", &ProvisionToolsResult::ok),
    wireField("tools", &ProvisionToolsResult::tools) };

} // namespace

nlohmann::ordered_json toJson(const SafeConfig::Quality& value)
{
    return encodeFields(value, kQualityFields);
}
void fromJson(const nlohmann::json& json, SafeConfig::Quality& value)
{
    decodeFields(json, value, kQualityFields);
}

nlohmann::ordered_json toJson(const SafeConfig::Run& value)
{
    return encodeFields(value, kRunFields);
}
void fromJson(const nlohmann::json& json, SafeConfig::Run& value)
{
    decodeFields(json, value, kRunFields);
}

nlohmann::ordered_json toJson(const SafeConfig::UI& value)
{
    return encodeFields(value, kUIFields);
}
void fromJson(const nlohmann::json& json, SafeConfig::UI& value)
{
    decodeFields(json, value, kUIFields);
}

nlohmann::ordered_json toJson(const SafeConfig::Identity& value)
{
    return encodeFields(value, kIdentityFields);
}
void fromJson(const nlohmann::json& json, SafeConfig::Identity& value)
{
    decodeFields(json, value, kIdentityFields);
}

nlohmann::ordered_json toJson(const SafeConfig::Proxy& value)
{
    return encodeFields(value, kProxyFields);
}
void fromJson(const nlohmann::json& json, SafeConfig::Proxy& value)
{
    decodeFields(json, value, kProxyFields);
}

nlohmann::ordered_json toJson(const SafeConfig& value)
{
    return encodeFields(value, kSafeConfigFields);
}
void fromJson(const nlohmann::json& json, SafeConfig& value)
{
    decodeFields(json, value, kSafeConfigFields);
}

nlohmann::ordered_json toJson(const ConfigPatch& value)
{
    return encodeFields(value, kPatchFields);
}
void fromJson(const nlohmann::json& json, ConfigPatch& value)
{
    decodeFields(json, value, kPatchFields);
}

nlohmann::ordered_json toJson(const ToolStatusDTO& value)
{
    return encodeFields(value, kToolStatusFields);
}
void fromJson(const nlohmann::json& json, ToolStatusDTO& value)
{
    decodeFields(json, value, kToolStatusFields);
}

nlohmann::ordered_json toJson(const ProvisionToolsResult& value)
{
    return encodeFields(value, kProvisionFields);
}
void fromJson(const nlohmann::json& json, ProvisionToolsResult& value)
{
    decodeFields(json, value, kProvisionFields);
}

} // namespace mivo
