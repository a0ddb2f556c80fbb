#include "App/AppModel.h"
#include "BuildConfig.h"
#include "Services/AppleMusicAuthService.h"
#include "Services/LinuxMusicKit.h"
#include "State/SettingsStore.h"
#include "State/SyncStore.h"
#include "Base/Log.h"
#include "Support/SampleData.h"
#include "TestSupport/LogCapture.h"
#include "TestSupport/LoopbackHttpServer.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "TestSupport/TaskProbe.h"
#include "Transport/HelperError.h"
#include "Transport/ResultRecords.h"

#include <QtTest>
#include <memory>

using namespace mivo;
using mivo::test::LoopbackHttpServer;
using mivo::test::ScriptedHelperClient;
using Outcome = ScriptedHelperClient::Outcome;
using Authorization = MusicKit::AuthorizationStatus;

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

// The Apple Music framework as the test wants it: a fixed authorization and a
// user token (or a refusal), recording the developer tokens it was given.
class FakeMusicKit : public MusicKit {
public:
    QCoro::Task<AuthorizationStatus> requestAuthorization() override
    {
        ++authorizationRequests;
        co_return authorization;
    }

    QCoro::Task<QString> userToken(QString developerToken, bool ignoreCache) override
    {
        developerTokens.append(developerToken);
        ignoredCache.append(ignoreCache);
        if (refuseUserToken)
            throw MusicKitError(QStringLiteral("The user token could not be requested."));
        co_return QStringLiteral("music-user-token");
    }

    AuthorizationStatus authorization = AuthorizationStatus::authorized;
    bool refuseUserToken = false;
    int authorizationRequests = 0;
    QStringList developerTokens;
    QList<bool> ignoredCache;
};

// How the web service on the loopback interface treats the token request.
enum class Behaviour { answer, hangUp, silent, refuse };

// A web service that serves `reply` for the token path, as `behaviour` says.
struct TokenServer {
    LoopbackHttpServer server;

    TokenServer(Behaviour behaviour, const LoopbackHttpServer::Reply& reply)
    {
        QVERIFY(server.listen());
        LoopbackHttpServer::Reply canned = reply;
        canned.hang = behaviour == Behaviour::silent;
        canned.hangUp = behaviour == Behaviour::hangUp;
        server.route(QStringLiteral("/applemusic/dev-token"), canned);
        if (behaviour == Behaviour::refuse)
            server.refuse();
    }
    QUrl baseUrl() const { return server.url(QString()); }
    const QStringList& requests() const { return server.requestLines(); }
};

LoopbackHttpServer::Reply http(int status, const QByteArray& body)
{
    return { status, "text/plain; charset=utf-8", body, {}, true, false, false };
}

enum class Helper { accepts, rejects, absent };

const QString kNotGranted
    = QStringLiteral("Apple Music access was not granted. Using your local library instead.");
const QString kCloudUnavailable = QStringLiteral(
    "Cloud Apple Music isn't available right now. mivo will keep using your local Music library.");
const QString kFailed = QStringLiteral("Apple Music connection failed: ");

} // namespace

Q_DECLARE_METATYPE(Behaviour)
Q_DECLARE_METATYPE(Helper)

class AppleMusicAuthTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::LogCapture::enable(lcAppleMusicAuth(), QtWarningMsg); }
    void connectOutcomes_data();
    void connectOutcomes();
    void thisSystemHasNoAppleMusicAndSaysSo();
    void developerTokenEndpoint_data();
    void developerTokenEndpoint();
};

void AppleMusicAuthTest::connectOutcomes_data()
{
    QTest::addColumn<Authorization>("authorization");
    QTest::addColumn<Behaviour>("behaviour");
    QTest::addColumn<LoopbackHttpServer::Reply>("reply");
    QTest::addColumn<bool>("refuseUserToken");
    QTest::addColumn<Helper>("helper");
    QTest::addColumn<bool>("asksWebService");
    QTest::addColumn<QStringList>("developerTokens");
    QTest::addColumn<QList<Method>>("helperRequests");
    QTest::addColumn<std::optional<QString>>("banner");
    QTest::addColumn<std::optional<QString>>("log");

    using B = Behaviour;
    const QStringList none;
    const QStringList devToken { QStringLiteral("dev-token") };
    const QList<Method> stored { Method::storeAccountToken, Method::getConfig };
    const QList<Method> storeOnly { Method::storeAccountToken };
    const std::optional<QString> noText;
    const auto logged = [](const QString& text) { return std::optional(text); };
    const std::optional<QString> unavailable = kCloudUnavailable;
    const std::optional<QString> tokenUnavailable = QStringLiteral("Developer token unavailable.");

    QTest::newRow("connected") << Authorization::authorized << B::answer << http(200, "dev-token") << false
                               << Helper::accepts << true << devToken << stored << noText << noText;
    QTest::newRow("token with a trailing newline")
        << Authorization::authorized << B::answer << http(200, " dev-token\r\n") << false << Helper::accepts
        << true << devToken << stored << noText << noText;

    for (const Authorization refused :
        { Authorization::denied, Authorization::notDetermined, Authorization::restricted }) {
        QTest::addRow("not granted (%d)", int(refused))
            << refused << B::answer << http(200, "dev-token") << false << Helper::accepts << false << none
            << QList<Method>() << std::optional(kNotGranted) << noText;
    }

    QTest::newRow("not found") << Authorization::authorized << B::answer << http(404, "missing") << false
                               << Helper::accepts << true << none << QList<Method>() << unavailable
                               << tokenUnavailable;
    QTest::newRow("server error") << Authorization::authorized << B::answer << http(500, "dev-token") << false
                                  << Helper::accepts << true << none << QList<Method>() << unavailable
                                  << tokenUnavailable;
    QTest::newRow("empty body") << Authorization::authorized << B::answer << http(200, "") << false
                                << Helper::accepts << true << none << QList<Method>() << unavailable
                                << tokenUnavailable;
    QTest::newRow("blank body") << Authorization::authorized << B::answer << http(200, " \n\t\r\n ") << false
                                << Helper::accepts << true << none << QList<Method>() << unavailable
                                << tokenUnavailable;
    QTest::newRow("body not UTF-8") << Authorization::authorized << B::answer << http(200, "dev\xff\xfetoken")
                                    << false << Helper::accepts << true << none << QList<Method>()
                                    << unavailable << tokenUnavailable;
    QTest::newRow("body cut inside a character")
        << Authorization::authorized << B::answer << http(200, "dev-token\xc3") << false << Helper::accepts
        << true << none << QList<Method>() << unavailable << tokenUnavailable;
    QTest::newRow("connection refused")
        << Authorization::authorized << B::refuse << LoopbackHttpServer::Reply {} << false << Helper::accepts
        << false << none << QList<Method>() << unavailable
        << std::optional(QStringLiteral("Connection refused"));
    QTest::newRow("connection lost") << Authorization::authorized << B::hangUp << LoopbackHttpServer::Reply {}
                                     << false << Helper::accepts << true << none << QList<Method>()
                                     << unavailable << std::optional(QStringLiteral("Connection closed"));
    QTest::newRow("no answer in time")
        << Authorization::authorized << B::silent << LoopbackHttpServer::Reply {} << false << Helper::accepts
        << true << none << QList<Method>() << unavailable << logged(QStringLiteral("The request timed out."));

    QTest::newRow("user token refused")
        << Authorization::authorized << B::answer << http(200, "dev-token") << true << Helper::accepts << true
        << devToken << QList<Method>() << std::optional(kFailed + "The user token could not be requested.")
        << logged(QStringLiteral("The user token could not be requested."));
    QTest::newRow("helper rejects the token")
        << Authorization::authorized << B::answer << http(200, "dev-token") << false << Helper::rejects
        << true << devToken << storeOnly << std::optional(kFailed + "The token was refused.")
        << logged(QStringLiteral("The token was refused."));
    const QString unavailableHelper = HelperError::helperUnavailable().userText();
    QTest::newRow("no helper") << Authorization::authorized << B::answer << http(200, "dev-token") << false
                               << Helper::absent << true << devToken << QList<Method>()
                               << std::optional(kFailed + unavailableHelper) << logged(unavailableHelper);
}

void AppleMusicAuthTest::connectOutcomes()
{
    QFETCH(Authorization, authorization);
    QFETCH(Behaviour, behaviour);
    QFETCH(LoopbackHttpServer::Reply, reply);
    QFETCH(bool, refuseUserToken);
    QFETCH(Helper, helper);
    QFETCH(bool, asksWebService);
    QFETCH(QStringList, developerTokens);
    QFETCH(QList<Method>, helperRequests);
    QFETCH(std::optional<QString>, banner);
    QFETCH(std::optional<QString>, log);

    TokenServer server(behaviour, reply);
    auto musicKit = std::make_shared<FakeMusicKit>();
    musicKit->authorization = authorization;
    musicKit->refuseUserToken = refuseUserToken;
    AppleMusicAuthService service(
        musicKit, AppleMusicAuthService::devTokenUrlFor(server.baseUrl()), std::chrono::milliseconds(500));

    ScriptedHelperClient* client = nullptr;
    std::unique_ptr<AppModel> model;
    if (helper == Helper::absent) {
        model = std::make_unique<AppModel>();
    } else {
        auto scripted = std::make_unique<ScriptedHelperClient>();
        client = scripted.get();
        if (helper == Helper::accepts)
            client->enqueue(Method::storeAccountToken, Outcome::result("{}"));
        else
            client->enqueue(Method::storeAccountToken,
                Outcome::engineError(
                    QStringLiteral("invalid_token"), QStringLiteral("The token was refused.")));
        client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { SampleData::sampleConfig() }));
        model = std::make_unique<AppModel>(std::move(scripted));
    }

    test::LogCapture logs;
    test::TaskProbe<void> connecting(service.connect(*model));
    QTRY_VERIFY(connecting.isDone());
    QVERIFY(!connecting.failed());

    QCOMPARE(musicKit->authorizationRequests, 1);
    // A dropped connection may be retried once on a new one; all that counts is whether it was asked.
    QCOMPARE(!server.requests().isEmpty(), asksWebService);
    for (const QString& request : server.requests())
        QCOMPARE(request, QStringLiteral("GET /applemusic/dev-token HTTP/1.1"));
    QCOMPARE(musicKit->developerTokens, developerTokens);
    QVERIFY(!musicKit->ignoredCache.contains(false));

    if (client) {
        QCOMPARE(client->sentMethods(), helperRequests);
        if (!helperRequests.isEmpty()) {
            QCOMPARE(client->sent().first().request,
                Request::storeAccountToken(AccountService::applemusic, QStringLiteral("music-user-token")));
        }
        if (helperRequests.contains(Method::getConfig))
            QCOMPARE(model->settings()->config(), std::optional(SampleData::sampleConfig()));
    }

    const std::optional<SyncBanner> expectedBanner = banner
        ? std::optional(SyncBanner { SyncBanner::Kind::warning, *banner, std::nullopt })
        : std::nullopt;
    QCOMPARE(model->sync().banner(), expectedBanner);

    const QStringList logLines = logs.texts(QStringLiteral(".applemusic-auth"), QtWarningMsg);
    if (!log) {
        QCOMPARE(logLines, QStringList());
    } else {
        QCOMPARE(logLines.size(), 1);
        QVERIFY2(logLines.first().startsWith(QStringLiteral("apple music connect failed: ") + *log),
            qPrintable(logLines.first()));
    }
}

// Nobody is asked and nothing is sent, and the banner says why instead of
// claiming a refusal.
void AppleMusicAuthTest::thisSystemHasNoAppleMusicAndSaysSo()
{
    TokenServer server(Behaviour::answer, http(200, "dev-token"));
    AppleMusicAuthService service(
        std::make_shared<LinuxMusicKit>(), AppleMusicAuthService::devTokenUrlFor(server.baseUrl()));
    auto scripted = std::make_unique<ScriptedHelperClient>();
    ScriptedHelperClient* client = scripted.get();
    AppModel model(std::move(scripted));

    test::TaskProbe<void> connecting(service.connect(model));
    QTRY_VERIFY(connecting.isDone());

    QVERIFY(!service.isAvailable());
    QCOMPARE(model.sync().banner(),
        std::optional(SyncBanner { SyncBanner::Kind::warning,
            QStringLiteral("Apple Music sign-in is not available on this system."), std::nullopt }));
    QVERIFY(server.requests().isEmpty());
    QVERIFY(client->sent().isEmpty());
}

void AppleMusicAuthTest::developerTokenEndpoint_data()
{
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QUrl>("endpoint");

    const QUrl built = AppleMusicAuthService::devTokenUrlFor(QUrl(QString::fromUtf8(build::kWebServiceUrl)));
    QTest::newRow("built in") << QString() << built;
    QTest::newRow("blank variable") << "  " << built;
    QTest::newRow("host") << "https://api.example.org"
                          << QUrl("https://api.example.org/applemusic/dev-token");
    QTest::newRow("host with a slash")
        << "https://api.example.org/" << QUrl("https://api.example.org/applemusic/dev-token");
    QTest::newRow("path below the host")
        << "http://127.0.0.1:8080/mivo/" << QUrl("http://127.0.0.1:8080/mivo/applemusic/dev-token");
}

void AppleMusicAuthTest::developerTokenEndpoint()
{
    QFETCH(QString, variable);
    QFETCH(QUrl, endpoint);

    QProcessEnvironment environment;
    if (!variable.isNull())
        environment.insert(QStringLiteral("MIVO_WEB_SERVICE_URL"), variable);
    QCOMPARE(AppleMusicAuthService::defaultDevTokenUrl(environment), endpoint);
}

QTEST_GUILESS_MAIN(AppleMusicAuthTest)
#include "tst_applemusicauth.moc"
