#include "State/SettingsStore.h"
#include "Support/SampleData.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "Transport/ResultRecords.h"

#include <QSignalSpy>
#include <QtTest>

using namespace mivo;
using mivo::test::ScriptedHelperClient;
using Outcome = ScriptedHelperClient::Outcome;

namespace {

const QString kTimedOut = QStringLiteral("The request to the helper timed out.");
const std::optional<std::chrono::milliseconds> k15s = std::chrono::milliseconds(15000);

SafeConfig otherConfig()
{
    SafeConfig config = SampleData::sampleConfig();
    config.proxy = SafeConfig::Proxy { true, true };
    config.outputDir = QStringLiteral("/srv/music");
    return config;
}

Outcome wrapped(const SafeConfig& config)
{
    return Outcome::encoded(ConfigResult { config });
}

void loadSample(SettingsStore& store, ScriptedHelperClient& client)
{
    client.enqueue(Method::getConfig, wrapped(SampleData::sampleConfig()));
    QCoro::waitFor(store.refresh());
    client.clearSent();
}

enum class Write { apply, setProxyEnabled, setProxySubscription, disconnectProxy };

QCoro::Task<bool> perform(SettingsStore& store, Write write)
{
    switch (write) {
    case Write::apply: {
        ConfigPatch patch;
        patch.outputDir = QStringLiteral("/srv/music");
        return store.apply(patch);
    }
    case Write::setProxyEnabled:
        return store.setProxyEnabled(true);
    case Write::setProxySubscription:
        return store.setProxySubscription(QStringLiteral("  vpn://subscription/abc \n"));
    case Write::disconnectProxy:
        return store.disconnectProxy();
    }
    return store.setProxyEnabled(false);
}

} // namespace

Q_DECLARE_METATYPE(Write)

class TestSettingsStore : public QObject {
    Q_OBJECT

private slots:
    void derivedValuesFollowTheConfiguration()
    {
        ScriptedHelperClient client;
        SettingsStore store(client);
        QVERIFY(!store.appleMusicConnected() && !store.spotifyConnected() && !store.soundcloudConnected());
        QVERIFY(!store.acoustidConfigured() && !store.proxyConfigured() && !store.proxyEnabled());
        QCOMPARE(store.effectiveSpotifyClientId(), std::nullopt);

        QSignalSpy changed(&store, &SettingsStore::changed);
        client.enqueue(Method::getConfig, wrapped(otherConfig()));
        QCoro::waitFor(store.refresh());

        QVERIFY(store.appleMusicConnected() && store.spotifyConnected() && !store.soundcloudConnected());
        QVERIFY(!store.acoustidConfigured() && store.proxyConfigured() && store.proxyEnabled());
        QCOMPARE(store.effectiveSpotifyClientId(), QStringLiteral("demo-client-id"));
        QTRY_COMPARE(changed.size(), 1);
    }

    void refreshReadsWrappedOrBareConfiguration_data()
    {
        QTest::addColumn<QList<Outcome>>("answers");
        QTest::newRow("wrapped") << QList { wrapped(otherConfig()) };
        QTest::newRow("bare, second request")
            << QList { Outcome::encoded(otherConfig()), Outcome::encoded(otherConfig()) };
    }
    void refreshReadsWrappedOrBareConfiguration()
    {
        QFETCH(QList<Outcome>, answers);
        ScriptedHelperClient client;
        SettingsStore store(client);
        client.enqueue(Method::getConfig, answers);

        QCoro::waitFor(store.refresh());

        QCOMPARE(store.config(), otherConfig());
        QCOMPARE(client.sent().size(), answers.size());
        QCOMPARE(store.lastError(), std::nullopt);
    }

    void writeSucceedsAndRereads_data()
    {
        QTest::addColumn<Write>("write");
        QTest::addColumn<Request>("request");

        ConfigPatch outputDir;
        outputDir.outputDir = QStringLiteral("/srv/music");
        ConfigPatch proxyOnly;
        proxyOnly.proxyEnabled = true;
        QTest::newRow("apply") << Write::apply << Request::setConfig(outputDir);
        QTest::newRow("setProxyEnabled sends only that field")
            << Write::setProxyEnabled << Request::setConfig(proxyOnly);
        QTest::newRow("setProxySubscription sends the text untrimmed")
            << Write::setProxySubscription
            << Request::storeAccountToken(
                   AccountService::proxy, QStringLiteral("  vpn://subscription/abc \n"), std::nullopt);
        QTest::newRow("disconnectProxy")
            << Write::disconnectProxy << Request::disconnectAccount(AccountService::proxy);
    }
    void writeSucceedsAndRereads()
    {
        QFETCH(Write, write);
        QFETCH(Request, request);
        ScriptedHelperClient client;
        SettingsStore store(client);
        loadSample(store, client);
        client.enqueue(request.method(), Outcome::result(R"({"whatever": 1})")); // the result is ignored
        client.enqueue(Method::getConfig, wrapped(otherConfig()));

        QVERIFY(QCoro::waitFor(perform(store, write)));

        QCOMPARE(client.sent().size(), 2);
        QCOMPARE(client.sent()[0].request, request);
        QCOMPARE(client.sent()[0].timeout, k15s);
        QCOMPARE(client.sent()[1].request, Request::getConfig());
        QCOMPARE(store.config(), otherConfig()); // taken from the re-read, never from the patch
        QCOMPARE(store.lastError(), std::nullopt);
    }

    void writeFailsWithoutRereading_data() { writeSucceedsAndRereads_data(); }
    void writeFailsWithoutRereading()
    {
        QFETCH(Write, write);
        QFETCH(Request, request);
        ScriptedHelperClient client;
        SettingsStore store(client);
        loadSample(store, client);
        client.enqueue(
            request.method(), Outcome::engineError("invalid_params", "That folder cannot be used."));

        QVERIFY(!QCoro::waitFor(perform(store, write)));

        QCOMPARE(client.sent().size(), 1);
        QCOMPARE(store.lastError(), QStringLiteral("That folder cannot be used."));
        QCOMPARE(store.config(), SampleData::sampleConfig());
    }

    void onlyASuccessfulRereadClearsTheError()
    {
        ScriptedHelperClient client;
        SettingsStore store(client);
        loadSample(store, client);
        QSignalSpy errors(&store, &SettingsStore::lastErrorChanged);

        client.enqueue(Method::setConfig, Outcome::crash());
        QVERIFY(!QCoro::waitFor(store.apply(ConfigPatch {})));
        QCOMPARE(store.lastError(), QStringLiteral("The mivo helper stopped unexpectedly."));

        // A write that succeeds but whose re-read fails shows the re-read's
        // text, and still counts as taken.
        client.enqueue(Method::setConfig, Outcome::absent());
        client.enqueue(Method::getConfig, { Outcome::engineError("internal", "first"), Outcome::timeout() });
        QVERIFY(QCoro::waitFor(store.apply(ConfigPatch {})));
        QCOMPARE(store.lastError(), kTimedOut);
        QCOMPARE(store.config(), SampleData::sampleConfig());

        // The same message again notifies nobody.
        client.enqueue(Method::getConfig, { Outcome::timeout(), Outcome::timeout() });
        QCoro::waitFor(store.refresh());
        QCOMPARE(errors.size(), 2);

        client.enqueue(Method::getConfig, wrapped(otherConfig()));
        QCoro::waitFor(store.refresh());
        QCOMPARE(store.lastError(), std::nullopt);
        QCOMPARE(errors.size(), 3);
    }

    void aReadBegunBeforeAFailedWriteKeepsItsError()
    {
        ScriptedHelperClient client;
        SettingsStore store(client);
        loadSample(store, client);
        client.enqueue(Method::setConfig, Outcome::engineError("internal", "Could not save."));
        client.enqueue(Method::getConfig, wrapped(otherConfig()));

        client.setHoldReplies(true);
        auto write = store.apply(ConfigPatch {});
        auto read = store.refresh();
        client.release(); // the write fails, then the older read succeeds
        QCoro::waitFor(write);
        QCoro::waitFor(read);

        QCOMPARE(store.config(), otherConfig());
        QCOMPARE(store.lastError(), QStringLiteral("Could not save."));
    }

    void storeGoneDuringAWrite()
    {
        ScriptedHelperClient client;
        auto* store = new SettingsStore(client);
        client.enqueue(Method::setConfig, Outcome::absent());
        client.setHoldReplies(true);
        auto task = store->apply(ConfigPatch {});
        delete store;
        client.release();
        QCoro::waitFor(task);
        QCOMPARE(client.sentMethods(), QList { Method::setConfig }); // no re-read for a store that is gone
    }

    void testProxy_data()
    {
        QTest::addColumn<Outcome>("answer");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<std::optional<QString>>("detail");

        QTest::newRow("passed with detail") << Outcome::result(R"({"ok": true, "detail": "41 ms"})") << true
                                            << std::optional<QString>("41 ms");
        QTest::newRow("failed without detail")
            << Outcome::result(R"({"ok": false})") << false << std::optional<QString>();
        QTest::newRow("engine error: the helper's message")
            << Outcome::engineError("not_configured", "No VPN subscription is stored.") << false
            << std::optional<QString>("No VPN subscription is stored.");
        QTest::newRow("time-out") << Outcome::timeout() << false << std::optional<QString>(kTimedOut);
    }
    void testProxy()
    {
        QFETCH(Outcome, answer);
        QFETCH(bool, ok);
        QFETCH(std::optional<QString>, detail);
        ScriptedHelperClient client;
        SettingsStore store(client);
        client.enqueue(Method::testProxy, answer);

        const SettingsStore::ProxyTest result = QCoro::waitFor(store.testProxy());

        QCOMPARE(result, (SettingsStore::ProxyTest { ok, detail }));
        QCOMPARE(client.sentMethods(), QList { Method::testProxy }); // one request only
        QCOMPARE(store.lastError(), std::nullopt);
        QCOMPARE(store.config(), std::nullopt);
    }

    void proxyNodeCount_data()
    {
        QTest::addColumn<Outcome>("answer");
        QTest::addColumn<std::optional<qint64>>("expected");

        QTest::newRow("ok") << Outcome::result(R"({"ok": true, "nodeCount": 7})") << std::optional<qint64>(7);
        QTest::newRow("not ok, whatever the count")
            << Outcome::result(R"({"ok": false, "nodeCount": 7})") << std::optional<qint64>();
        QTest::newRow("engine error") << Outcome::engineError("internal", "down") << std::optional<qint64>();
        QTest::newRow("count missing") << Outcome::result(R"({"ok": true})") << std::optional<qint64>();
    }
    void proxyNodeCount()
    {
        QFETCH(Outcome, answer);
        QFETCH(std::optional<qint64>, expected);
        ScriptedHelperClient client;
        SettingsStore store(client);
        client.enqueue(Method::proxyInfo, answer);

        QCOMPARE(QCoro::waitFor(store.proxyNodeCount()), expected);
        QCOMPARE(client.sentMethods(), QList { Method::proxyInfo });
        QCOMPARE(store.lastError(), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
