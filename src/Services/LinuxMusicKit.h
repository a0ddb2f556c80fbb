#pragma once

#include "Services/MusicKit.h"

namespace mivo {

// This system has no Apple Music framework: authorization is always
// restricted, so the application never asks for a developer token, and a user
// token cannot be had.
class LinuxMusicKit final : public MusicKit {
public:
    bool isSupported() const override { return false; }
    QCoro::Task<AuthorizationStatus> requestAuthorization() override;
    QCoro::Task<QString> userToken(QString developerToken, bool ignoreCache) override;
};

} // namespace mivo
