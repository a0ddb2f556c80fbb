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

MIVO_FIELD_CODEC(SafeConfig::Quality, kQualityFields)

MIVO_FIELD_CODEC(SafeConfig::Run, kRunFields)

MIVO_FIELD_CODEC(SafeConfig::UI, kUIFields)

MIVO_FIELD_CODEC(SafeConfig::Identity, kIdentityFields)

MIVO_FIELD_CODEC(SafeConfig::Proxy, kProxyFields)

MIVO_FIELD_CODEC(SafeConfig, kSafeConfigFields)

MIVO_FIELD_CODEC(ConfigPatch, kPatchFields)

MIVO_FIELD_CODEC(ToolStatusDTO, kToolStatusFields)

MIVO_FIELD_CODEC(ProvisionToolsResult, kProvisionFields)

} // namespace mivo
