#pragma once

#include "Services/MusicKit.h"

#include <QProcessEnvironment>
#include <QString>
#include <QUrl>
#include <chrono>
#include <exception>
#include <memory>
#include <qcoro/qcorotask.h>

class QNetworkAccessManager;

namespace mivo {

class AccountModel;

// Connects the user's Apple Music cloud account: asks the Apple Music framework
// for authorization, fetches a developer token from the application's web
// service, turns it into a Music user token and hands that to the helper,
// which keeps it. The application keeps neither token; each connect fetches
// both again. Every outcome is reported through the sync banner.
//
// Main thread only.
class AppleMusicAuthService {
public:
    // The developer-token endpoint below the web service's base address.
    static constexpr auto kDevTokenPath = "/applemusic/dev-token";
    // Replaces the build's web service address when set and not empty.
    static constexpr auto kWebServiceUrlVariable = "MIVO_WEB_SERVICE_URL";
    // The engine error code of a developer token that could not be had.
    static constexpr auto kDevTokenErrorCode = "applemusic_dev_token";
    // A developer-token request that sees no data for this long fails as timed out.
    static constexpr std::chrono::milliseconds kDefaultRequestTimeout { 60'000 };

    AppleMusicAuthService(std::shared_ptr<MusicKit> musicKit, QUrl devTokenUrl,
        std::chrono::milliseconds requestTimeout = kDefaultRequestTimeout);
    ~AppleMusicAuthService();

    AppleMusicAuthService(const AppleMusicAuthService&) = delete;
    AppleMusicAuthService& operator=(const AppleMusicAuthService&) = delete;

    // The process-wide service for this system, made on first use.
    static AppleMusicAuthService& shared();

    // The developer-token endpoint of a web service's base address (which may
    // carry a path of its own).
    static QUrl devTokenUrlFor(const QUrl& webServiceBase);
    // The endpoint of the environment's web service address, else the build's.
    static QUrl defaultDevTokenUrl(
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

    QUrl devTokenUrl() const;
    // Whether this system can connect an Apple Music account at all.
    bool isAvailable() const;

    // Connects the account and stores its user token with the helper through
    // the model, then re-reads the configuration. Never throws: without
    // authorization, or when any step fails, it sets a warning banner instead.
    QCoro::Task<void> connect(AccountModel& model);

    // The banner texts.
    static QString notGrantedText();
    static QString notAvailableText();
    static QString cloudUnavailableText();
    // The banner text for a failure of the token steps.
    static QString connectFailureMessage(const std::exception& error);

private:
    struct Context;

    static QCoro::Task<QString> requestUserToken(std::shared_ptr<Context> context);
    static QCoro::Task<QString> fetchDeveloperToken(std::shared_ptr<Context> context);

    // Shared with running connects, so that they never touch the service itself.
    std::shared_ptr<Context> m_context;
};

} // namespace mivo
