#include "App/AppModel.h"
#include "Services/SpotifyAuthService.h"
#include "Support/SampleData.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "TestSupport/TaskProbe.h"
#include "Transport/ResultRecords.h"

#include <QtTest>
#include <memory>

using namespace mivo;
using mivo::test::ScriptedHelperClient;
using Outcome = ScriptedHelperClient::Outcome;

class SpotifyAuthTest : public QObject {
    Q_OBJECT

private slots:
    void handsTheSignInToTheModel_data();
    void handsTheSignInToTheModel();
};

void SpotifyAuthTest::handsTheSignInToTheModel_data()
{
    QTest::addColumn<bool>("signedIn");
    QTest::addColumn<QList<Method>>("methods");
    QTest::addColumn<bool>("banner");

    QTest::newRow("signed in") << true
                               << QList<Method> { Method::connectSpotify, Method::getConfig,
                                      Method::listPlaylists }
                               << false;
    QTest::newRow("sign-in failed") << false << QList<Method> { Method::connectSpotify } << true;
}

void SpotifyAuthTest::handsTheSignInToTheModel()
{
    QFETCH(bool, signedIn);
    QFETCH(QList<Method>, methods);
    QFETCH(bool, banner);

    auto owned = std::make_unique<ScriptedHelperClient>();
    ScriptedHelperClient* client = owned.get();
    AppModel model(std::move(owned));
    client->enqueue(Method::connectSpotify,
        signedIn ? Outcome::result("{}")
                 : Outcome::engineError(QStringLiteral("auth"), QStringLiteral("Denied.")));
    client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { SampleData::sampleConfig() }));
    client->enqueue(Method::listPlaylists, Outcome::encoded(ListPlaylistsResult { SampleData::playlists() }));

    test::TaskProbe<void> connecting(SpotifyAuthService::shared().connect(model));
    QTRY_VERIFY(connecting.isDone());
    QVERIFY(!connecting.failed());

    QCOMPARE(client->sentMethods(), methods);
    QCOMPARE(client->sent().first().timeout, std::optional(std::chrono::milliseconds(300'000)));
    QCOMPARE(model.sync().banner().has_value(), banner);
}

QTEST_GUILESS_MAIN(SpotifyAuthTest)
#include "tst_spotifyauth.moc"
