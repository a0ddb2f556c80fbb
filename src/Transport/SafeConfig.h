#pragma once

#include "Transport/WireRecord.h"
#include "Transport/WireVocabulary.h"

#include <QList>
#include <QString>
#include <QtGlobal>
#include <optional>

// The helper's configuration as the application sees it, the patch that changes
// it, and the records of tool provisioning.
namespace mivo {

// The configuration reported by the helper: settings plus flags that say which
// secrets are stored (never the secrets themselves).
struct SafeConfig {
    using Theme = mivo::Theme;

    struct Quality {
        QualityFloor floor = QualityFloor::flac;
        bool losslessOnly = false;
        bool bestQuality = false; // prefer the best available quality
        bool upgradeEnabled = false; // replace existing files when a better copy is found

        bool operator==(const Quality&) const = default;
    };

    struct Run {
        qint64 searchCount = 0; // search results taken per source
        qint64 concurrency = 0; // parallel downloads
        double toleranceSec = 0;
        double searchTimeoutSec = 0;
        double cooloffHours = 0; // cool-off period after a failure

        bool operator==(const Run&) const = default;
    };

    struct UI {
        Theme theme = Theme::dark;

        bool operator==(const UI&) const = default;
    };

    struct Identity {
        bool enabled = false; // verify matches against the recording databases
        bool strict = false; // reject recordings that do not match

        bool operator==(const Identity&) const = default;
    };

    struct Proxy {
        bool enabled = false; // route the helper's traffic through the VPN
        bool configured = false; // a VPN subscription is stored

        bool operator==(const Proxy&) const = default;
    };

    QList<SourceId> sources {}; // enabled download sources, highest priority first
    Quality quality {};
    Run run {};
    UI ui {};
    std::optional<QString> outputDir {}; // folder that receives the music
    Identity identity {};
    Proxy proxy {};
    bool spotifyConnected = false;
    bool soundcloudConnected = false;
    bool acoustidConfigured = false;
    bool appleMusicConnected = false;
    std::optional<QString> effectiveSpotifyClientId {};

    bool operator==(const SafeConfig&) const = default;
};

// The settings to change; only the fields that hold a value are written. Nested
// records travel whole.
struct ConfigPatch {
    std::optional<QList<SourceId>> sources {};
    std::optional<SafeConfig::Quality> quality {};
    std::optional<SafeConfig::Run> run {};
    std::optional<SafeConfig::UI> ui {};
    std::optional<QString> outputDir {};
    std::optional<SafeConfig::Identity> identity {};
    std::optional<bool> proxyEnabled {}; // sets proxy.enabled

    bool operator==(const ConfigPatch&) const = default;
};

// The state of one helper tool after provisioning.
struct ToolStatusDTO {
    QString id {};
    QString name {}; // display name
    QString status {}; // "ok" when the tool is ready; any other word is a failure
    QString detail {};

    bool operator==(const ToolStatusDTO&) const = default;
};

struct ProvisionToolsResult {
    bool ok = false;
    QList<ToolStatusDTO> tools {};

    bool operator==(const ProvisionToolsResult&) const = default;
};

MIVO_WIRE_RECORD(SafeConfig::Quality);
MIVO_WIRE_RECORD(SafeConfig::Run);
MIVO_WIRE_RECORD(SafeConfig::UI);
MIVO_WIRE_RECORD(SafeConfig::Identity);
MIVO_WIRE_RECORD(SafeConfig::Proxy);
MIVO_WIRE_RECORD(SafeConfig);
MIVO_WIRE_RECORD(ConfigPatch);
MIVO_WIRE_RECORD(ToolStatusDTO);
MIVO_WIRE_RECORD(ProvisionToolsResult);

} // namespace mivo
