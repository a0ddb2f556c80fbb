#include "State/LibraryStore.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "TestSupport/TaskProbe.h"
#include "Transport/ResultRecords.h"

#include <QSignalSpy>
#include <QtTest>
#include <limits>

using namespace mivo;
using mivo::test::ScriptedHelperClient;
using Outcome = ScriptedHelperClient::Outcome;

namespace {

constexpr qint64 kMax = std::numeric_limits<qint64>::max();
constexpr qint64 kHuge = qint64(1) << 62;

PlaylistDTO playlist(const QString& id, PlaylistSourceId source, bool isFolder,
    std::optional<QString> parentId, std::optional<qint64> trackCount)
{
    return PlaylistDTO { id, source, QStringLiteral("Name of ") + id, isFolder, std::move(parentId),
        trackCount, ArtworkRef::none() };
}

// A small library in the helper's order, which is neither alphabetical nor the
// order of any hash.
QList<PlaylistDTO> library()
{
    using enum PlaylistSourceId;
    return {
        playlist("mix", spotify, false, std::nullopt, 10),
        playlist("folder", apple, true, std::nullopt, 7),
        playlist("child-b", apple, false, "folder", 3),
        playlist("child-a", apple, false, "folder", std::nullopt),
        playlist("dup", spotify, false, std::nullopt, 2),
        playlist("dup", apple, true, std::nullopt, 100),
        playlist("zeta", spotify, false, std::nullopt, 5),
        playlist("alpha", spotify, false, std::nullopt, 1),
    };
}

QStringList ids(const QList<PlaylistDTO>& playlists)
{
    QStringList result;
    for (const PlaylistDTO& p : playlists)
        result.append(p.id);
    return result;
}

void load(LibraryStore& store, ScriptedHelperClient& client, QList<PlaylistDTO> playlists)
{
    client.enqueue(Method::listPlaylists, Outcome::encoded(ListPlaylistsResult { std::move(playlists) }));
    QCoro::waitFor(store.refresh());
    client.clearSent();
}

QSet<QString> toSet(const QStringList& list)
{
    return QSet<QString>(list.cbegin(), list.cend());
}

} // namespace

class TestLibraryStore : public QObject {
    Q_OBJECT

private slots:
    void tree()
    {
        ScriptedHelperClient client;
        LibraryStore store(client);
        load(store, client, library());

        QCOMPARE(ids(store.roots()), QStringList({ "mix", "folder", "dup", "dup", "zeta", "alpha" }));
        QCOMPARE(ids(store.children("folder")), QStringList({ "child-b", "child-a" }));
        QVERIFY(store.children("mix").isEmpty());
        QVERIFY(store.children("nowhere").isEmpty());
        QCOMPARE(store.playlist("dup")->source, PlaylistSourceId::spotify); // the first with that id
        QVERIFY(!store.playlist("gone"));
    }

    void selectionPayload_data()
    {
        QTest::addColumn<QStringList>("selection");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("library order, whatever the set's order") << QStringList { "alpha", "child-a", "zeta",
            "mix", "child-b" } << QStringList { "mix", "child-b", "child-a", "zeta", "alpha" };
        QTest::newRow("folders skipped") << QStringList { "folder", "child-b" } << QStringList { "child-b" };
        QTest::newRow("unknown ids skipped") << QStringList { "gone", "mix" } << QStringList { "mix" };
        QTest::newRow("a repeated id resolves once, to its first playlist")
            << QStringList { "dup" } << QStringList { "dup" };
        QTest::newRow("only folders and unknown ids") << QStringList { "folder", "gone" } << QStringList {};
    }
    void selectionPayload()
    {
        QFETCH(QStringList, selection);
        QFETCH(QStringList, expected);
        ScriptedHelperClient client;
        LibraryStore store(client);
        load(store, client, library());

        store.setSelection(toSet(selection));
        const QList<PlaylistSelection> payload = store.selectionPayload();

        QStringList payloadIds;
        for (const PlaylistSelection& entry : payload) {
            payloadIds.append(entry.id);
            const PlaylistDTO resolved = *store.playlist(entry.id);
            QCOMPARE(entry, (PlaylistSelection { resolved.source, resolved.id, resolved.name }));
        }
        QCOMPARE(payloadIds, expected);
    }

    void selectedTrackCount_data()
    {
        QTest::addColumn<QStringList>("selection");
        QTest::addColumn<qint64>("expected");

        QTest::newRow("nothing selected") << QStringList {} << qint64(0);
        QTest::newRow("counts add up") << QStringList { "mix", "child-b" } << qint64(13);
        QTest::newRow("a folder with a count is included") << QStringList { "folder", "alpha" } << qint64(8);
        QTest::newRow("no count and unknown ids add nothing")
            << QStringList { "child-a", "gone" } << qint64(0);
        QTest::newRow("a repeated id counts its first playlist") << QStringList { "dup" } << qint64(2);
    }
    void selectedTrackCount()
    {
        QFETCH(QStringList, selection);
        QFETCH(qint64, expected);
        ScriptedHelperClient client;
        LibraryStore store(client);
        load(store, client, library());

        store.setSelection(toSet(selection));
        QCOMPARE(store.selectedTrackCount(), expected);
    }

    void selectedPlaylistCount_data()
    {
        QTest::addColumn<QStringList>("selection");
        QTest::addColumn<int>("expected");

        QTest::newRow("nothing selected") << QStringList {} << 0;
        QTest::newRow("playlists counted, folders not") << QStringList { "folder", "child-a", "mix" } << 2;
        QTest::newRow("unknown ids not counted") << QStringList { "gone", "alpha" } << 1;
        QTest::newRow("a repeated id is judged by its first playlist") << QStringList { "dup" } << 1;
    }
    void selectedPlaylistCount()
    {
        QFETCH(QStringList, selection);
        QFETCH(int, expected);
        ScriptedHelperClient client;
        LibraryStore store(client);
        load(store, client, library());
        QSignalSpy notified(&store, &LibraryStore::selectedPlaylistCountChanged);

        store.setSelection(toSet(selection));
        QCOMPARE(store.selectedPlaylistCount(), expected);
        QCOMPARE(notified.size(), expected == 0 ? 0 : 1);
    }

    void selectedPlaylistCountFollowsARefresh()
    {
        ScriptedHelperClient client;
        LibraryStore store(client);
        load(store, client, library());
        store.setSelection({ "mix", "alpha", "zeta" });
        QSignalSpy notified(&store, &LibraryStore::selectedPlaylistCountChanged);

        // "zeta" is gone and "alpha" is a folder now: one selected playlist is left.
        QList<PlaylistDTO> changed = library();
        changed.removeAt(6);
        changed[6].isFolder = true;
        load(store, client, changed);
        QCOMPARE(store.selectedPlaylistCount(), 1);
        QCOMPARE(notified.size(), 1);

        store.setSelection({ "mix", "folder" }); // still one
        QCOMPARE(notified.size(), 1);
    }

    void selectedTrackCountIsGuarded_data()
    {
        QTest::addColumn<QList<qint64>>("counts");
        QTest::addColumn<qint64>("expected");

        // Counts reach the store through JSON, where 2^62 is the largest power of
        // two below the 64-bit bound that arrives exactly.
        QTest::newRow("sum beyond the largest count saturates") << QList<qint64> { kHuge, kHuge } << kMax;
        QTest::newRow("three huge counts") << QList<qint64> { kHuge, kHuge, kHuge } << kMax;
        QTest::newRow("just below the largest count")
            << QList<qint64> { kHuge, kHuge - 1024 } << kHuge + (kHuge - 1024);
        QTest::newRow("a negative count adds nothing") << QList<qint64> { -4, 6 } << qint64(6);
        QTest::newRow("a huge negative count adds nothing") << QList<qint64> { -kHuge, 1 } << qint64(1);
    }
    void selectedTrackCountIsGuarded()
    {
        QFETCH(QList<qint64>, counts);
        QFETCH(qint64, expected);
        ScriptedHelperClient client;
        LibraryStore store(client);
        QList<PlaylistDTO> playlists;
        QSet<QString> selection;
        for (qsizetype i = 0; i < counts.size(); ++i) {
            const QString id = QStringLiteral("p%1").arg(i);
            playlists.append(playlist(id, PlaylistSourceId::spotify, false, std::nullopt, counts[i]));
            selection.insert(id);
        }
        load(store, client, playlists);

        store.setSelection(selection);
        QCOMPARE(store.selectedTrackCount(), expected);
    }

    void refreshLoadsTheListing_data()
    {
        QTest::addColumn<std::optional<PlaylistSourceId>>("source");
        QTest::addColumn<QList<Outcome>>("answers");

        // A listing of one source that holds others' playlists too replaces
        // only that source's.
        const QList<PlaylistDTO> list = library();
        QTest::newRow("all sources, wrapped")
            << std::optional<PlaylistSourceId>() << QList { Outcome::encoded(ListPlaylistsResult { list }) };
        QTest::newRow("apple only, bare array after a failed decode") << std::optional(
            PlaylistSourceId::apple) << QList { Outcome::encoded(list), Outcome::encoded(list) };
        QTest::newRow("spotify, wrapped after a time-out") << std::optional(
            PlaylistSourceId::spotify) << QList { Outcome::timeout(), Outcome::encoded(list) };
    }
    void refreshLoadsTheListing()
    {
        QFETCH(std::optional<PlaylistSourceId>, source);
        QFETCH(QList<Outcome>, answers);
        ScriptedHelperClient client;
        LibraryStore store(client);
        store.setSelection({ "gone" });
        QSignalSpy states(&store, &LibraryStore::loadStateChanged);
        client.enqueue(Method::listPlaylists, answers);

        auto task = store.refresh(source);
        QCOMPARE(store.loadState(), LibraryStore::LoadState::loading());
        QCoro::waitFor(task);

        QCOMPARE(store.loadState(), LibraryStore::LoadState::loaded());
        QCOMPARE(states.size(), 2);
        QList<PlaylistDTO> expected = library();
        if (source)
            expected.removeIf([&source](const PlaylistDTO& playlist) { return playlist.source != *source; });
        QCOMPARE(store.playlists(), expected);
        QCOMPARE(store.selection(), QSet<QString>({ "gone" })); // never touched by a refresh
        QCOMPARE(client.sent().size(), answers.size());
        for (const auto& sent : client.sent())
            QCOMPARE(sent.request, Request::listPlaylists(source));
    }

    void failedRefreshKeepsThePlaylists()
    {
        ScriptedHelperClient client;
        LibraryStore store(client);
        load(store, client, library());
        client.enqueue(Method::listPlaylists,
            { Outcome::engineError("internal", "first message"),
                Outcome::engineError("internal", "Spotify is down.") });

        QCoro::waitFor(store.refresh());

        QCOMPARE(store.loadState(), LibraryStore::LoadState::failed("Spotify is down."));
        QCOMPARE(store.playlists(), library());
    }

    void olderRefreshNeverOverwritesANewerOne()
    {
        ScriptedHelperClient client;
        LibraryStore store(client);
        const QList<PlaylistDTO> older { playlist("old", PlaylistSourceId::apple, false, std::nullopt, 1) };
        const QList<PlaylistDTO> newer { playlist("new", PlaylistSourceId::spotify, false, std::nullopt, 2) };
        client.enqueue(Method::listPlaylists,
            { Outcome::encoded(ListPlaylistsResult { older }),
                Outcome::encoded(ListPlaylistsResult { newer }) });

        client.setHoldReplies(true);
        auto first = store.refresh(PlaylistSourceId::apple);
        client.setHoldReplies(false);
        QCoro::waitFor(store.refresh());
        QCOMPARE(store.playlists(), newer);

        client.release(); // the older reply arrives last
        QCoro::waitFor(first);
        QCOMPARE(store.playlists(), newer);
        QCOMPARE(store.loadState(), LibraryStore::LoadState::loaded());
    }

    void supersededRefreshSendsNoFallback()
    {
        ScriptedHelperClient client;
        LibraryStore store(client);
        client.enqueue(Method::listPlaylists,
            { Outcome::timeout(), Outcome::encoded(ListPlaylistsResult { library() }) });

        client.setHoldReplies(true);
        auto first = store.refresh();
        auto second = store.refresh();
        client.release();
        QCoro::waitFor(first);
        QCoro::waitFor(second);

        QCOMPARE(client.sent().size(), 2); // each one's first attempt, nothing more
        QCOMPARE(store.playlists(), library());
        QCOMPARE(store.loadState(), LibraryStore::LoadState::loaded());
    }

    void storeGoneWhileRefreshing_data()
    {
        QTest::addColumn<QList<Outcome>>("answers");
        QTest::addColumn<int>("requests");

        QTest::newRow("reply arrives after the store is gone")
            << QList { Outcome::encoded(ListPlaylistsResult { library() }) } << 1;
        QTest::newRow("no fallback for a store that is gone")
            << QList { Outcome::timeout(), Outcome::timeout() } << 1;
    }
    void storeGoneWhileRefreshing()
    {
        QFETCH(QList<Outcome>, answers);
        QFETCH(int, requests);
        ScriptedHelperClient client;
        auto* store = new LibraryStore(client);
        client.enqueue(Method::listPlaylists, answers);

        client.setHoldReplies(true);
        auto task = store->refresh();
        delete store;
        client.release();
        QCoro::waitFor(task);

        QCOMPARE(client.sent().size(), requests);
    }

    void startSyncSendsTheSelection()
    {
        ScriptedHelperClient client;
        LibraryStore store(client);
        load(store, client, library());
        store.setSelection({ "zeta", "folder", "mix" });
        client.enqueue(Method::startSync, Outcome::absent());
        SyncOptions options;
        options.review = true;

        QVERIFY(QCoro::waitFor(store.startSync(options)));

        QCOMPARE(client.sent().size(), 1);
        QCOMPARE(client.sent()[0].request,
            Request::startSync({ PlaylistSelection { PlaylistSourceId::spotify, "mix", "Name of mix" },
                                   PlaylistSelection { PlaylistSourceId::spotify, "zeta", "Name of zeta" } },
                options));
        QCOMPARE(client.sent()[0].timeout, std::optional(std::chrono::milliseconds(15000)));
    }

    void startSyncDeclinesAnEmptySelection_data()
    {
        QTest::addColumn<QStringList>("selection");
        QTest::newRow("nothing selected") << QStringList {};
        QTest::newRow("folders only") << QStringList { "folder" };
        QTest::newRow("ids that no longer exist") << QStringList { "gone", "also-gone" };
    }
    void startSyncDeclinesAnEmptySelection()
    {
        QFETCH(QStringList, selection);
        ScriptedHelperClient client;
        LibraryStore store(client);
        load(store, client, library());
        store.setSelection(toSet(selection));

        QVERIFY(!QCoro::waitFor(store.startSync()));
        QVERIFY(client.sent().isEmpty());
    }

    void startSyncThrowsTheRequestError()
    {
        ScriptedHelperClient client;
        LibraryStore store(client);
        load(store, client, library());
        store.setSelection({ "mix" });
        client.enqueue(
            Method::startSync, Outcome::engineError("sync_in_progress", "A sync is already running."));

        test::TaskProbe<bool> started(store.startSync());
        QTRY_VERIFY(started.isDone());
        QCOMPARE(started.error<HelperError>()->userText(), QStringLiteral("A sync is already running."));
        QCOMPARE(client.sent().size(), 1); // no second attempt for a write
    }

    void notifiesOnlyChanges()
    {
        ScriptedHelperClient client;
        LibraryStore store(client);
        load(store, client, library());
        QSignalSpy selection(&store, &LibraryStore::selectionChanged);
        QSignalSpy playlists(&store, &LibraryStore::playlistsChanged);
        QSignalSpy changed(&store, &LibraryStore::changed);

        store.setSelection({ "mix" });
        store.setSelection({ "mix" });
        store.setSelection({ "mix", "zeta" });
        QCOMPARE(selection.size(), 2);
        QCOMPARE(changed.size(), 0); // not before the event loop turns
        QTRY_COMPARE(changed.size(), 1); // once for the whole burst

        load(store, client, library()); // the same listing again
        QCOMPARE(playlists.size(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(changed.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestLibraryStore)
#include "tst_librarystore.moc"
