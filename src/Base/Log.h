#pragma once

#include <QLoggingCategory>

// One logging category per area; each is named "<application id>.<area>".
// Levels: debug → qCDebug, info → qCInfo, error → qCWarning, fault → qCCritical.
Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcClient)
Q_DECLARE_LOGGING_CATEGORY(lcHelper)
Q_DECLARE_LOGGING_CATEGORY(lcPreview)
Q_DECLARE_LOGGING_CATEGORY(lcCliInstaller)
Q_DECLARE_LOGGING_CATEGORY(lcAppleMusicAuth)
Q_DECLARE_LOGGING_CATEGORY(lcAppleLocalAccess)
Q_DECLARE_LOGGING_CATEGORY(lcArtwork)
