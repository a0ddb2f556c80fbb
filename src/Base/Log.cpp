#include "Base/Log.h"

#include "BuildConfig.h"

#define MIVO_CATEGORY(area) (mivo::build::kAppId + std::string(".") + area)

namespace {
// The category names must outlive every use, so they are built once.
const std::string kAppName = MIVO_CATEGORY("app");
const std::string kClientName = MIVO_CATEGORY("client");
const std::string kHelperName = MIVO_CATEGORY("helper");
const std::string kPreviewName = MIVO_CATEGORY("preview");
const std::string kCliInstallerName = MIVO_CATEGORY("cli-installer");
const std::string kAppleMusicAuthName = MIVO_CATEGORY("applemusic-auth");
const std::string kAppleLocalAccessName = MIVO_CATEGORY("apple-local-access");
const std::string kArtworkName = MIVO_CATEGORY("artwork");
} // namespace

Q_LOGGING_CATEGORY(lcApp, kAppName.c_str())
Q_LOGGING_CATEGORY(lcClient, kClientName.c_str())
Q_LOGGING_CATEGORY(lcHelper, kHelperName.c_str())
Q_LOGGING_CATEGORY(lcPreview, kPreviewName.c_str())
Q_LOGGING_CATEGORY(lcCliInstaller, kCliInstallerName.c_str())
Q_LOGGING_CATEGORY(lcAppleMusicAuth, kAppleMusicAuthName.c_str())
Q_LOGGING_CATEGORY(lcAppleLocalAccess, kAppleLocalAccessName.c_str())
Q_LOGGING_CATEGORY(lcArtwork, kArtworkName.c_str())
