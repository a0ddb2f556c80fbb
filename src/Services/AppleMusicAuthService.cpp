#include "Services/AppleMusicAuthService.h"

#include "BuildConfig.h"
#include "Services/LinuxMusicKit.h"
#include "Services/NetworkError.h"
#include "State/AccountModel.h"
#include "State/SettingsStore.h"
#include "State/StoreRequests.h"
#include "State/SyncStore.h"
#include "Base/Log.h"
#include "Base/Utf8.h"
#include "Transport/HelperError.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <qcoro/qcoronetworkreply.h>

namespace mivo {

struct AppleMusicAuthService::Context {
    std::shared_ptr<MusicKit> musicKit;
    QUrl devTokenUrl;
    std::chrono::milliseconds requestTimeout;
    std::unique_ptr<QNetworkAccessManager> network;
};

namespace {

HelperError developerTokenUnavailable()
{
    return HelperError::engineError(QString::fromLatin1(AppleMusicAuthService::kDevTokenErrorCode),
        QStringLiteral("Developer token unavailable."));
}

struct ReplyDeleter {
    void operator()(QNetworkReply* reply) const { reply->deleteLater(); }
};

void showWarning(AccountModel& model, const QString& message)
{
    model.sync().setBanner(SyncBanner { SyncBanner::Kind::warning, message, std::nullopt });
}

} // namespace

AppleMusicAuthService::AppleMusicAuthService(
    std::shared_ptr<MusicKit> musicKit, QUrl devTokenUrl, std::chrono::milliseconds requestTimeout)
    : m_context(std::make_shared<Context>(Context { std::move(musicKit), std::move(devTokenUrl),
        requestTimeout, std::make_unique<QNetworkAccessManager>() }))
{
}

AppleMusicAuthService::~AppleMusicAuthService() = default;

AppleMusicAuthService& AppleMusicAuthService::shared()
{
    static AppleMusicAuthService service(std::make_shared<LinuxMusicKit>(), defaultDevTokenUrl());
    return service;
}

QUrl AppleMusicAuthService::devTokenUrlFor(const QUrl& webServiceBase)
{
    QUrl url = webServiceBase;
    QString path = url.path();
    while (path.endsWith(u'/'))
        path.chop(1);
    url.setPath(path + QString::fromLatin1(kDevTokenPath));
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}

QUrl AppleMusicAuthService::defaultDevTokenUrl(const QProcessEnvironment& environment)
{
    const QString override = environment.value(QString::fromLatin1(kWebServiceUrlVariable)).trimmed();
    const QString base = override.isEmpty() ? QString::fromUtf8(build::kWebServiceUrl) : override;
    return devTokenUrlFor(QUrl(base));
}

QUrl AppleMusicAuthService::devTokenUrl() const
{
    return m_context->devTokenUrl;
}

QString AppleMusicAuthService::notGrantedText()
{
    return QStringLiteral("Apple Music access was not granted. Using your local library instead.");
}

QString AppleMusicAuthService::notAvailableText()
{
    return QStringLiteral("Apple Music sign-in is not available on this system.");
}

QString AppleMusicAuthService::cloudUnavailableText()
{
    return QStringLiteral(
        "Cloud Apple Music isn't available right now. mivo will keep using your local Music library.");
}

QString AppleMusicAuthService::connectFailureMessage(const std::exception& error)
{
    if (const auto* network = dynamic_cast<const NetworkError*>(&error); network && network->isUnreachable())
        return cloudUnavailableText();
    if (const auto* helper = dynamic_cast<const HelperError*>(&error); helper
        && helper->kind() == HelperError::Kind::engineError
        && helper->code() == QString::fromLatin1(kDevTokenErrorCode))
        return cloudUnavailableText();
    return QStringLiteral("Apple Music connection failed: ") + StoreRequests::errorText(error);
}

QCoro::Task<void> AppleMusicAuthService::connect(AccountModel& appModel)
{
    const QPointer<AccountModel> model(&appModel);
    const std::shared_ptr<Context> context = m_context;

    if (!context->musicKit->isSupported()) {
        showWarning(appModel, notAvailableText());
        co_return;
    }
    const MusicKit::AuthorizationStatus status = co_await context->musicKit->requestAuthorization();
    if (!model)
        co_return;
    if (status != MusicKit::AuthorizationStatus::authorized) {
        showWarning(*model, notGrantedText());
        co_return;
    }

    std::optional<QString> failureLog;
    std::optional<QString> failureBanner;
    try {
        const QString userToken = co_await requestUserToken(context);
        if (!model)
            co_return;
        co_await model->storeAccountToken(AccountService::applemusic, userToken, std::nullopt);
    } catch (const std::exception& error) {
        failureLog = StoreRequests::errorText(error);
        failureBanner = connectFailureMessage(error);
    }
    if (failureLog) {
        qCWarning(lcAppleMusicAuth, "apple music connect failed: %s", qUtf8Printable(*failureLog));
        if (model)
            showWarning(*model, *failureBanner);
        co_return;
    }
    if (!model)
        co_return;
    if (SettingsStore* settings = model->settings())
        co_await settings->refresh();
}

bool AppleMusicAuthService::isAvailable() const
{
    return m_context->musicKit->isSupported();
}

QCoro::Task<QString> AppleMusicAuthService::requestUserToken(std::shared_ptr<Context> context)
{
    const QString developerToken = co_await fetchDeveloperToken(context);
    co_return co_await context->musicKit->userToken(developerToken, true);
}

QCoro::Task<QString> AppleMusicAuthService::fetchDeveloperToken(std::shared_ptr<Context> context)
{
    QNetworkRequest request(context->devTokenUrl);
    request.setTransferTimeout(int(context->requestTimeout.count()));
    const std::unique_ptr<QNetworkReply, ReplyDeleter> reply(context->network->get(request));
    co_await reply.get();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError error = reply->error();
    // No answer at all, or one that broke off while its body arrived.
    if (error != QNetworkReply::NoError && (!status.isValid() || status.toInt() == 200)) {
        // The transfer time-out aborts the request; nothing else cancels it.
        if (error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError)
            throw NetworkError(QNetworkReply::TimeoutError, QStringLiteral("The request timed out."));
        throw NetworkError(error, reply->errorString());
    }
    if (!status.isValid() || status.toInt() != 200)
        throw developerTokenUnavailable();

    const std::optional<QString> body = decodeUtf8Strict(reply->readAll());
    if (!body)
        throw developerTokenUnavailable();
    const QString token = body->trimmed();
    if (token.isEmpty())
        throw developerTokenUnavailable();
    co_return token;
}

} // namespace mivo
