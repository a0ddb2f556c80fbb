#include "State/SettingsStore.h"
#include "Support/SampleData.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "TestSupport/TaskProbe.h"
#include "Transport/ResultRecords.h"

#include <QSignalSpy>
#include <QtTest>

using namespace mivo;
using mivo::test::ScriptedHelperClient;
using mivo::test::TaskProbe;
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

ConfigPatch folderPatch(const QString& folder)
{
    ConfigPatch patch;
    patch.outputDir = folder;
    return patch;
}

ConfigPatch floorPatch(QualityFloor floor)
{
    ConfigPatch patch;
    patch.quality = SampleData::sampleConfig().quality;
    patch.quality->floor = floor;
    return patch;
}

SafeConfig patched(SafeConfig config, const ConfigPatch& patch)
{
    if (patch.outputDir)
        config.outputDir = patch.outputDir;
    if (patch.quality)
        config.quality = *patch.quality;
    return config;
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
        QTest::newRow("time-out, then wrapped again") << QList { Outcome::timeout(), wrapped(otherConfig()) };
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

        client.enqueue(Method::setConfig, Outcome::engineError("internal", "Could not save."));
        QVERIFY(!QCoro::waitFor(store.apply(ConfigPatch {})));
        QCOMPARE(store.lastError(), QStringLiteral("Could not save."));

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

    void changesInFlightBuildOnEachOther()
    {
        ScriptedHelperClient client;
        SettingsStore store(client);
        loadSample(store, client);
        const SafeConfig both
            = patched(patched(SampleData::sampleConfig(), folderPatch("/a")), floorPatch(QualityFloor::any));
        client.enqueue(Method::setConfig, { Outcome::absent(), Outcome::absent() });
        // The re-read after the first change was answered before the helper
        // took the second; the one after the second sees both.
        client.enqueue(Method::getConfig,
            { wrapped(patched(SampleData::sampleConfig(), folderPatch("/a"))), wrapped(both) });
        client.setHoldReplies(true);

        TaskProbe<bool> first(store.apply(folderPatch("/a")));
        QCOMPARE(store.config()->outputDir, QStringLiteral("/a")); // at once, before any answer
        QVERIFY(client.release(Method::setConfig));
        QTRY_COMPARE(client.sentMethods(), (QList { Method::setConfig, Method::getConfig }));

        TaskProbe<bool> second(store.apply(floorPatch(QualityFloor::any)));
        QCOMPARE(store.config(), both);
        QVERIFY(client.release(Method::getConfig));
        QTRY_VERIFY(first.isDone());
        QVERIFY(first.value());
        QCOMPARE(store.config(), both); // the older read's record has the change in flight on top

        client.release(Method::setConfig);
        QTRY_COMPARE(client.sent().size(), 4);
        client.release();
        QTRY_VERIFY(second.isDone());
        QVERIFY(second.value());
        QCOMPARE(store.config(), both);
        // Each write carries just its own fields.
        QCOMPARE(client.sent()[0].request, Request::setConfig(folderPatch("/a")));
        QCOMPARE(client.sent()[2].request, Request::setConfig(floorPatch(QualityFloor::any)));
    }

    void aRefusedChangeGoesBackToWhatTheHelperHolds_data()
    {
        QTest::addColumn<bool>("firstRefused");
        QTest::addColumn<bool>("sameField"); // the second change writes the first one's field too
        QTest::addColumn<SafeConfig>("expected");

        const SafeConfig sample = SampleData::sampleConfig();
        QTest::newRow("older refused, other field")
            << true << false << patched(sample, floorPatch(QualityFloor::any));
        QTest::newRow("newer refused, other field") << false << false << patched(sample, folderPatch("/a"));
        QTest::newRow("older refused, same field: the newer change stays")
            << true << true << patched(sample, folderPatch("/b"));
        QTest::newRow("newer refused, same field: the confirmed one shows")
            << false << true << patched(sample, folderPatch("/a"));
    }
    void aRefusedChangeGoesBackToWhatTheHelperHolds()
    {
        QFETCH(bool, firstRefused);
        QFETCH(bool, sameField);
        QFETCH(SafeConfig, expected);
        ScriptedHelperClient client;
        SettingsStore store(client);
        loadSample(store, client);
        const Outcome refused = Outcome::engineError("invalid_params", "Refused.");
        client.enqueue(Method::setConfig,
            { firstRefused ? refused : Outcome::absent(), firstRefused ? Outcome::absent() : refused });
        client.enqueue(Method::getConfig, wrapped(expected)); // the one re-read, after the change taken
        client.setHoldReplies(true);

        TaskProbe<bool> first(store.apply(folderPatch("/a")));
        TaskProbe<bool> second(store.apply(sameField ? folderPatch("/b") : floorPatch(QualityFloor::any)));
        QVERIFY(client.release(Method::setConfig));
        QTRY_VERIFY(firstRefused ? first.isDone() : client.sent().size() == 3);
        // Before anything else is answered, the refused change is gone and the other one shows.
        if (firstRefused) {
            QCOMPARE(store.config(), expected);
            QCOMPARE(store.lastError(), QStringLiteral("Refused."));
        }
        client.setHoldReplies(false);
        QVERIFY(client.release(Method::setConfig));
        client.release();
        QTRY_VERIFY(first.isDone() && second.isDone());

        QCOMPARE(first.value(), !firstRefused);
        QCOMPARE(second.value(), firstRefused);
        QCOMPARE(store.config(), expected);
        // A read begun after the refusal clears its text, as any successful read does.
        QCOMPARE(store.lastError(), firstRefused ? std::nullopt : std::optional(QStringLiteral("Refused.")));
    }

    // A change whose answer was lost stays shown until a read begun after it
    // tells whether the helper holds it: at once after a time-out, once the
    // helper is ready again after a crash, never once it is gone for good.
    // Only a change the helper does not hold is reported, with why its
    // answer was lost; a field a later change set again is that change's.
    void aLostAnswerIsSettledByTheNextRead_data()
    {
        QTest::addColumn<Outcome>("lost");
        QTest::addColumn<bool>("crashed"); // the helper comes back ready, else answered late
        QTest::addColumn<bool>("held");
        QTest::addColumn<bool>("laterChange"); // to the same field, taken before the read

        QTest::newRow("timed out, held") << Outcome::timeout() << false << true << false;
        QTest::newRow("timed out, not held") << Outcome::timeout() << false << false << false;
        QTest::newRow("crashed, held") << Outcome::crash() << true << true << false;
        QTest::newRow("crashed, not held") << Outcome::crash() << true << false << false;
        QTest::newRow("crashed, not held, a later change to it taken")
            << Outcome::crash() << true << false << true;
    }
    void aLostAnswerIsSettledByTheNextRead()
    {
        QFETCH(Outcome, lost);
        QFETCH(bool, crashed);
        QFETCH(bool, held);
        QFETCH(bool, laterChange);
        ScriptedHelperClient client;
        SettingsStore store(client);
        loadSample(store, client);
        const SafeConfig sample = SampleData::sampleConfig();
        SafeConfig holds = held ? patched(sample, folderPatch("/a")) : sample;
        if (!crashed)
            client.enqueue(Method::getConfig, wrapped(holds)); // asked at once
        client.enqueue(Method::setConfig, lost);

        TaskProbe<bool> write(store.apply(folderPatch("/a")));
        if (crashed) {
            // Answered, with its outcome not known.
            QTRY_VERIFY(!store.hasUnansweredWrites());
            QCOMPARE(store.fieldsInFlight(), QStringList { QStringLiteral("outputDir") });
            QCOMPARE(store.config(), patched(sample, folderPatch("/a"))); // shown while not known
            QVERIFY(!client.sentMethods().contains(Method::getConfig)); // the helper is not back yet
            if (laterChange) {
                // Its read settles the lost one: the field is the later change's now.
                client.enqueue(Method::setConfig, Outcome::absent());
                holds = patched(sample, folderPatch("/b"));
                client.enqueue(Method::getConfig, wrapped(holds));
                QVERIFY(QCoro::waitFor(store.apply(folderPatch("/b"))));
            } else {
                client.enqueue(Method::getConfig, wrapped(holds));
                store.helperReady();
            }
        }
        QTRY_VERIFY(write.isDone());

        QCOMPARE(write.value(), held || laterChange);
        QCOMPARE(store.config(), holds);
        QVERIFY(store.fieldsInFlight().isEmpty());
        const QString reason = crashed ? QStringLiteral("The mivo helper stopped unexpectedly.") : kTimedOut;
        QCOMPARE(store.lastError(), held || laterChange ? std::nullopt : std::optional(reason));
    }

    // A change of unknown outcome when the helper will not come back is not saved.
    void aLostAnswerIsNotSavedWhenTheHelperIsGone()
    {
        ScriptedHelperClient client;
        SettingsStore store(client);
        loadSample(store, client);
        client.enqueue(Method::setConfig, Outcome::crash());
        TaskProbe<bool> write(store.apply(folderPatch("/a")));
        QTRY_VERIFY(!store.hasUnansweredWrites());
        QVERIFY(!store.fieldsInFlight().isEmpty());

        store.helperGone();

        QTRY_VERIFY(write.isDone());
        QVERIFY(!write.value());
        QCOMPARE(store.config(), SampleData::sampleConfig());
        QCOMPARE(store.lastError(), QStringLiteral("The mivo helper stopped unexpectedly."));
        QCOMPARE(client.sentMethods(), QList { Method::setConfig });
    }

    void aReadReplyNeverUndoesAChangeInFlight()
    {
        ScriptedHelperClient client;
        SettingsStore store(client);
        loadSample(store, client);
        client.enqueue(
            Method::getConfig, wrapped(otherConfig())); // read before the change reached the helper
        client.enqueue(Method::setConfig, Outcome::engineError("internal", "Could not save."));
        client.setHoldReplies(true);

        TaskProbe<void> read(store.refresh());
        TaskProbe<bool> write(store.apply(folderPatch("/elsewhere")));
        QVERIFY(client.release(Method::getConfig));
        QTRY_VERIFY(read.isDone());
        QCOMPARE(store.config(), patched(otherConfig(), folderPatch("/elsewhere")));
        QCOMPARE(store.readState(), SettingsStore::ReadState::loaded);

        // Refused: back to what that read brought.
        client.release();
        QTRY_VERIFY(write.isDone());
        QVERIFY(!write.value());
        QCOMPARE(store.config(), otherConfig());
        QCOMPARE(store.lastError(), QStringLiteral("Could not save."));
    }

    void aSupersededRefreshAwaitsTheNewestRead_data()
    {
        QTest::addColumn<QList<Outcome>>("newest");
        QTest::addColumn<std::optional<SafeConfig>>("config");
        QTest::addColumn<SettingsStore::ReadState>("state");
        QTest::addColumn<std::optional<QString>>("readError");

        QTest::newRow("newest brings a configuration")
            << QList { wrapped(otherConfig()) } << std::optional(otherConfig())
            << SettingsStore::ReadState::loaded << std::optional<QString>();
        QTest::newRow("newest fails")
            << QList { Outcome::timeout(), Outcome::engineError("internal", "The file is locked.") }
            << std::optional<SafeConfig>() << SettingsStore::ReadState::failed
            << std::optional(QStringLiteral("The file is locked."));
    }
    void aSupersededRefreshAwaitsTheNewestRead()
    {
        QFETCH(QList<Outcome>, newest);
        QFETCH(std::optional<SafeConfig>, config);
        QFETCH(SettingsStore::ReadState, state);
        QFETCH(std::optional<QString>, readError);
        ScriptedHelperClient client;
        SettingsStore store(client);
        QCOMPARE(store.readState(), SettingsStore::ReadState::unread);
        client.enqueue(Method::getConfig, wrapped(SampleData::sampleConfig()));
        client.enqueue(Method::getConfig, newest);
        client.setHoldReplies(true);

        TaskProbe<void> older(store.refresh()); // the start-up read, say
        TaskProbe<void> newer(store.refresh()); // Settings opened meanwhile
        QCOMPARE(store.readState(), SettingsStore::ReadState::reading);
        QVERIFY(client.release(Method::getConfig));
        QTRY_COMPARE(client.waiting(), 1);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QVERIFY(!older.isDone()); // its reply was dropped, and no read has ended
        QCOMPARE(store.config(), std::nullopt);

        client.setHoldReplies(false);
        client.release();
        QTRY_VERIFY(older.isDone() && newer.isDone());
        QCOMPARE(store.config(), config);
        QCOMPARE(store.readState(), state);
        QCOMPARE(store.readError(), readError);

        // A read that succeeds clears what a failed one left.
        client.enqueue(Method::getConfig, wrapped(SampleData::sampleConfig()));
        QCoro::waitFor(store.refresh());
        QCOMPARE(store.readState(), SettingsStore::ReadState::loaded);
        QCOMPARE(store.readError(), std::nullopt);
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

    void storeGoneWhileASupersededRefreshWaits()
    {
        ScriptedHelperClient client;
        auto* store = new SettingsStore(client);
        client.enqueue(Method::getConfig, { wrapped(SampleData::sampleConfig()), wrapped(otherConfig()) });
        client.setHoldReplies(true);
        TaskProbe<void> older(store->refresh());
        TaskProbe<void> newer(store->refresh());
        QVERIFY(client.release(Method::getConfig));
        QTRY_COMPARE(client.waiting(), 1);
        QCoreApplication::processEvents();
        QVERIFY(!older.isDone()); // waiting for the newer read
        delete store;
        QTRY_VERIFY(older.isDone()); // not left waiting for a read that will never end
        client.release();
        QTRY_VERIFY(newer.isDone());
        QVERIFY(!older.failed() && !newer.failed());
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
