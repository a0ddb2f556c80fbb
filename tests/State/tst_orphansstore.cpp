#include "State/OrphansStore.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "TestSupport/TaskProbe.h"

#include <QSignalSpy>
#include <QtTest>
#include <memory>

using namespace mivo;
using mivo::test::ScriptedHelperClient;
using Outcome = ScriptedHelperClient::Outcome;

using Paths = QList<QString>;
using Batches = QList<Paths>;

Q_DECLARE_METATYPE(Outcome)
Q_DECLARE_METATYPE(Batches)

namespace {

const QList<PlaylistSelection> kSelection = {
    PlaylistSelection {
        PlaylistSourceId::spotify, QStringLiteral("37i9dQZF1DX4dyzvuaRJ0n"), QStringLiteral("Warm Up") },
};

// A store holding `paths`, the banner dismissed, and the text of a failed trash.
void prepare(ScriptedHelperClient& client, OrphansStore& store, const Paths& paths, bool withError)
{
    store.accumulate(paths);
    store.setDismissed(true);
    if (withError) {
        client.enqueue(Method::trashOrphans, Outcome::engineError("io_error", "The trash is not available."));
        QCoro::waitFor(store.trash({ QStringLiteral("/nowhere") }));
        QCOMPARE(store.lastError(), QStringLiteral("The trash is not available."));
    }
    client.clearSent();
}

} // namespace

class TestOrphansStore : public QObject {
    Q_OBJECT

private slots:
    void accumulate_data()
    {
        QTest::addColumn<Batches>("batches");
        QTest::addColumn<Paths>("paths");
        QTest::addColumn<int>("notifications");
        QTest::newRow("duplicates within one report")
            << Batches { { "/a", "/a", "/b" } } << Paths { "/a", "/b" } << 1;
        QTest::newRow("a path already listed")
            << Batches { { "/a", "/b" }, { "/b" } } << Paths { "/a", "/b" } << 1;
        QTest::newRow("order of first arrival")
            << Batches { { "/c", "/a" }, { "/b", "/c" } } << Paths { "/c", "/a", "/b" } << 2;
        QTest::newRow("an empty report") << Batches { {} } << Paths {} << 0;
        QTest::newRow("paths differ by case") << Batches { { "/Music/A.flac", "/music/a.flac" } }
                                              << Paths { "/Music/A.flac", "/music/a.flac" } << 1;
    }

    void accumulate()
    {
        QFETCH(Batches, batches);
        QFETCH(Paths, paths);
        QFETCH(int, notifications);

        ScriptedHelperClient client;
        OrphansStore store(client);
        QSignalSpy changed(&store, &OrphansStore::pathsChanged);
        for (const Paths& batch : batches)
            store.accumulate(batch);
        QCOMPARE(store.paths(), paths);
        QCOMPARE(changed.count(), notifications);
        QCOMPARE(store.hasOrphans(), !paths.isEmpty());
        QVERIFY(client.sent().isEmpty());
    }

    // Keeping the orphans hides the banner, also for orphans that come later.
    void dismissedHidesTheBanner()
    {
        ScriptedHelperClient client;
        OrphansStore store(client);
        QSignalSpy hasOrphans(&store, &OrphansStore::hasOrphansChanged);
        QVERIFY(!store.hasOrphans());

        store.accumulate({ QStringLiteral("/a") });
        QVERIFY(store.hasOrphans());
        store.setDismissed(true);
        QVERIFY(!store.hasOrphans());
        store.accumulate({ QStringLiteral("/b") });
        QVERIFY(!store.hasOrphans());
        QCOMPARE(store.paths(), Paths({ "/a", "/b" }));
        QCOMPARE(hasOrphans.count(), 2);

        store.reset();
        QVERIFY(!store.dismissed());
        QVERIFY(store.paths().isEmpty());
        store.accumulate({ QStringLiteral("/a") });
        QVERIFY(store.hasOrphans());
    }

    void trash_data()
    {
        QTest::addColumn<Paths>("trashed");
        QTest::addColumn<Outcome>("answer");
        QTest::addColumn<Paths>("paths");
        QTest::addColumn<std::optional<QString>>("lastError");
        QTest::newRow("a subset") << Paths { "/b" } << Outcome::absent() << Paths { "/a", "/c" }
                                  << std::optional<QString>();
        QTest::newRow("all of them") << Paths { "/c", "/a", "/b" } << Outcome::result("{}") << Paths {}
                                     << std::optional<QString>();
        QTest::newRow("a path not listed")
            << Paths { "/x" } << Outcome::absent() << Paths { "/a", "/b", "/c" } << std::optional<QString>();
        QTest::newRow("engine error")
            << Paths { "/a" } << Outcome::engineError("io_error", "Permission denied.")
            << Paths { "/a", "/b", "/c" } << std::optional<QString>("Permission denied.");
        QTest::newRow("time-out") << Paths { "/a" } << Outcome::timeout() << Paths { "/a", "/b", "/c" }
                                  << std::optional<QString>("The request to the helper timed out.");
    }

    void trash()
    {
        QFETCH(Paths, trashed);
        QFETCH(Outcome, answer);
        QFETCH(Paths, paths);
        QFETCH(std::optional<QString>, lastError);

        ScriptedHelperClient client;
        OrphansStore store(client);
        prepare(client, store, { "/a", "/b", "/c" }, true);
        client.enqueue(Method::trashOrphans, answer);

        QCoro::waitFor(store.trash(trashed));

        QCOMPARE(store.paths(), paths);
        QCOMPARE(store.lastError(), lastError);
        QVERIFY(store.dismissed());
        QCOMPARE(client.sent().size(), 1);
        QCOMPARE(client.sent()[0].request, Request::trashOrphans(trashed));
        QCOMPARE(client.sent()[0].timeout, std::optional(std::chrono::milliseconds(15000)));
    }

    // Orphans reported while the trash request is out stay listed.
    void trashKeepsPathsAddedMeanwhile()
    {
        ScriptedHelperClient client;
        OrphansStore store(client);
        store.accumulate({ QStringLiteral("/a"), QStringLiteral("/b") });
        client.enqueue(Method::trashOrphans, Outcome::absent());
        client.setHoldReplies(true);
        test::TaskProbe<void> trashing(store.trash({ QStringLiteral("/a") }));
        store.accumulate({ QStringLiteral("/c"), QStringLiteral("/a") });
        client.release();
        QTRY_VERIFY(trashing.isDone());
        QCOMPARE(store.paths(), Paths({ "/b", "/c" }));
        // A trashed path that is reported again is listed again.
        store.accumulate({ QStringLiteral("/a") });
        QCOMPARE(store.paths(), Paths({ "/b", "/c", "/a" }));
    }

    // While a trash request is out, a second one sends nothing: the same files
    // are never asked for twice. The flag drops with either answer.
    void trashInFlight_data()
    {
        QTest::addColumn<Outcome>("answer");
        QTest::addColumn<Paths>("paths");
        QTest::addColumn<std::optional<QString>>("lastError");
        QTest::newRow("trashed") << Outcome::absent() << Paths { "/b" } << std::optional<QString>();
        QTest::newRow("failed") << Outcome::engineError("io_error", "Permission denied.")
                                << Paths { "/a", "/b" } << std::optional<QString>("Permission denied.");
    }
    void trashInFlight()
    {
        QFETCH(Outcome, answer);
        QFETCH(Paths, paths);
        QFETCH(std::optional<QString>, lastError);

        ScriptedHelperClient client;
        OrphansStore store(client);
        store.accumulate({ QStringLiteral("/a"), QStringLiteral("/b") });
        QSignalSpy trashing(&store, &OrphansStore::isTrashingChanged);
        client.enqueue(Method::trashOrphans, { answer, Outcome::absent() });
        client.setHoldReplies(true);

        test::TaskProbe<void> first(store.trash({ QStringLiteral("/a") }));
        QVERIFY(store.isTrashing());
        test::TaskProbe<void> second(store.trash({ QStringLiteral("/a") }));
        QVERIFY(second.isDone());
        QTRY_COMPARE(client.waiting(), 1);
        client.release();
        QTRY_VERIFY(first.isDone());

        QVERIFY(!store.isTrashing());
        QCOMPARE(trashing.count(), 2);
        QCOMPARE(client.sentMethods(), QList<Method>({ Method::trashOrphans }));
        QCOMPARE(store.paths(), paths);
        QCOMPARE(store.lastError(), lastError);

        // Once answered, the next request goes out.
        client.setHoldReplies(false);
        QCoro::waitFor(store.trash(store.paths()));
        QCOMPARE(client.sentMethods().size(), 2);
        QVERIFY(store.paths().isEmpty());
    }

    // The listing reads the wrapped reply, else asks again for the bare list.
    void listOrphans_data()
    {
        QTest::addColumn<QList<Outcome>>("answers");
        QTest::addColumn<Paths>("paths");
        QTest::addColumn<bool>("dismissed");
        QTest::addColumn<std::optional<QString>>("lastError");

        QTest::newRow("wrapped") << QList { Outcome::result(R"({"paths": ["/x", "/y"]})") }
                                 << Paths { "/x", "/y" } << false << std::optional<QString>();
        QTest::newRow("bare, second request")
            << QList { Outcome::result(R"(["/x", "/y"])"), Outcome::result(R"(["/x", "/y"])") }
            << Paths { "/x", "/y" } << false << std::optional<QString>();
        QTest::newRow("time-out, then bare") << QList { Outcome::timeout(), Outcome::result(R"(["/y"])") }
                                             << Paths { "/y" } << false << std::optional<QString>();
        QTest::newRow("empty listing")
            << QList { Outcome::result(R"({"paths": []})") } << Paths {} << false << std::optional<QString>();
        QTest::newRow("duplicates in the reply")
            << QList { Outcome::result(R"({"paths": ["/x", "/y", "/x"]})") } << Paths { "/x", "/y" } << false
            << std::optional<QString>();
        QTest::newRow("both requests fail")
            << QList { Outcome::crash(), Outcome::engineError("internal", "Listing failed.") }
            << Paths { "/old" } << true << std::optional<QString>("Listing failed.");
        QTest::newRow("neither reply decodes")
            << QList { Outcome::result(R"({"files": []})"), Outcome::result(R"({"files": []})") }
            << Paths { "/old" } << true
            << std::optional<QString>("Could not understand a message from the helper: ");
    }

    void listOrphans()
    {
        QFETCH(QList<Outcome>, answers);
        QFETCH(Paths, paths);
        QFETCH(bool, dismissed);
        QFETCH(std::optional<QString>, lastError);

        ScriptedHelperClient client;
        OrphansStore store(client);
        prepare(client, store, { "/old" }, true);
        client.enqueue(Method::listOrphans, answers);

        QCoro::waitFor(store.listOrphans(kSelection));

        QCOMPARE(store.paths(), paths);
        QCOMPARE(store.dismissed(), dismissed);
        if (lastError && lastError->endsWith(QLatin1String(": ")))
            QVERIFY(store.lastError() && store.lastError()->startsWith(*lastError));
        else
            QCOMPARE(store.lastError(), lastError);
        QCOMPARE(client.sent().size(), answers.size());
        for (const auto& sent : client.sent()) {
            QCOMPARE(sent.request, Request::listOrphans(kSelection));
            QCOMPARE(sent.timeout, std::optional(std::chrono::milliseconds(15000)));
        }
        // Listed paths are known: reporting one again adds nothing.
        store.accumulate(paths);
        QCOMPARE(store.paths(), paths);
    }

    // A listing started later wins, even when the earlier one answers last.
    void supersededListingIsDropped()
    {
        ScriptedHelperClient client;
        OrphansStore store(client);
        client.enqueue(Method::listOrphans,
            { Outcome::result(R"({"paths": ["/older"]})"), Outcome::result(R"({"paths": ["/newer"]})") });
        client.setHoldReplies(true);
        test::TaskProbe<void> older(store.listOrphans(kSelection));
        client.setHoldReplies(false);
        test::TaskProbe<void> newer(store.listOrphans(kSelection));
        QTRY_VERIFY(newer.isDone());
        QCOMPARE(store.paths(), Paths({ "/newer" }));
        client.release();
        QTRY_VERIFY(older.isDone());
        QCOMPARE(store.paths(), Paths({ "/newer" }));
    }

    void storeGoneBeforeTheAnswer()
    {
        ScriptedHelperClient client;
        auto store = std::make_unique<OrphansStore>(client);
        client.enqueue(Method::trashOrphans, Outcome::absent());
        client.enqueue(Method::listOrphans, Outcome::timeout());
        client.setHoldReplies(true);
        test::TaskProbe<void> trashing(store->trash({ QStringLiteral("/a") }));
        test::TaskProbe<void> listing(store->listOrphans(kSelection));
        store.reset();
        client.release();
        QTRY_VERIFY(trashing.isDone() && listing.isDone());
        QVERIFY(!trashing.failed() && !listing.failed());
        // The store was gone: the listing sent no second request.
        QCOMPARE(client.sentMethods(), QList<Method>({ Method::trashOrphans, Method::listOrphans }));
    }

    void clientGone()
    {
        auto client = std::make_unique<ScriptedHelperClient>();
        OrphansStore store(*client);
        store.accumulate({ QStringLiteral("/a") });
        client.reset();
        QCoro::waitFor(store.trash({ QStringLiteral("/a") }));
        QCOMPARE(store.paths(), Paths({ "/a" }));
        QCOMPARE(store.lastError(), QStringLiteral("The mivo helper is not available."));
    }
};

QTEST_GUILESS_MAIN(TestOrphansStore)
#include "tst_orphansstore.moc"
