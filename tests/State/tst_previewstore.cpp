#include "State/PreviewStore.h"
#include "Base/Log.h"
#include "TestSupport/LogCapture.h"
#include "TestSupport/ManualClock.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "Transport/ResultRecords.h"

#include <QSignalSpy>
#include <QtTest>

using namespace mivo;
using namespace std::chrono_literals;
using Outcome = test::ScriptedHelperClient::Outcome;

Q_DECLARE_METATYPE(mivo::test::ScriptedHelperClient::Outcome)

namespace {

PlaylistDTO playlist(const QString& id)
{
    PlaylistDTO playlist;
    playlist.id = id;
    playlist.source = PlaylistSourceId::spotify;
    playlist.name = QStringLiteral("Name of ") + id;
    return playlist;
}

QList<PlaylistDTO> selection(const QStringList& ids)
{
    QList<PlaylistDTO> playlists;
    for (const QString& id : ids)
        playlists.append(playlist(id));
    return playlists;
}

// `count` rows of the playlist; the first `onDisk` of them are on disk.
QList<PreviewTrackDTO> tracks(const QString& playlistId, int count, int onDisk = 0)
{
    QList<PreviewTrackDTO> rows;
    for (int row = 0; row < count; ++row) {
        PreviewTrackDTO track;
        track.id = WireProtocol::trackId(playlistId, row);
        track.title = QStringLiteral("Track %1").arg(row);
        track.artist = QStringLiteral("Artist");
        track.durationSec = 200;
        track.onDisk = row < onDisk ? OnDisk::present : OnDisk::missing;
        rows.append(track);
    }
    return rows;
}

Outcome wrapped(const QString& playlistId, int count, int onDisk = 0)
{
    return Outcome::encoded(PreviewTracksResult { tracks(playlistId, count, onDisk) });
}

Outcome bare(const QString& playlistId, int count)
{
    return Outcome::encoded(tracks(playlistId, count));
}

QStringList groupIds(const PreviewStore& store)
{
    QStringList ids;
    for (const auto& group : store.groups())
        ids.append(group->id());
    return ids;
}

QList<qint64> groupSizes(const PreviewStore& store)
{
    QList<qint64> sizes;
    for (const auto& group : store.groups())
        sizes.append(group->total());
    return sizes;
}

// The playlist ids of the track requests sent, in order.
QStringList requestedIds(const test::ScriptedHelperClient& client)
{
    QStringList ids;
    for (const auto& sent : client.sent()) {
        if (const auto* request = std::get_if<Request::GetPlaylistTracks>(&sent.request.value))
            ids.append(request->id);
    }
    return ids;
}

struct Fixture {
    test::ManualClock clock;
    test::ScriptedHelperClient client;
    PreviewStore store { client, PreviewStore::kDebounce, clock };

    void passQuietPeriod() { clock.advance(PreviewStore::kDebounce); }
};

} // namespace

// The selection preview against a scripted client, with the quiet period on a
// clock the test moves.
class TestPreviewStore : public QObject {
    Q_OBJECT

private slots:
    void publishesOneGroupPerPlaylist_data()
    {
        QTest::addColumn<QList<Outcome>>("outcomes");
        QTest::addColumn<QList<qint64>>("sizes");
        QTest::addColumn<QStringList>("requests");
        QTest::addColumn<QStringList>("errorLines");
        // The groups that say their tracks could not be loaded.
        QTest::addColumn<QStringList>("failed");

        const QStringList three { "p1", "p2", "p3" };
        QTest::newRow("every playlist answers, the last is empty")
            << QList<Outcome> { wrapped("p1", 2), wrapped("p2", 3), wrapped("p3", 0) }
            << QList<qint64> { 2, 3, 0 } << three << QStringList {} << QStringList {};
        QTest::newRow("the second fails twice and keeps its place, failed")
            << QList<Outcome> { wrapped("p1", 2), Outcome::engineError("internal", "boom"),
                   Outcome::engineError("internal", "boom again"), wrapped("p3", 1) }
            << QList<qint64> { 2, 0, 1 } << QStringList { "p1", "p2", "p2", "p3" }
            << QStringList { "getPlaylistTracks failed for p2: boom again" } << QStringList { "p2" };
        QTest::newRow("a bare list is read by the second request")
            << QList<Outcome> { wrapped("p1", 1), bare("p2", 4), bare("p2", 4), wrapped("p3", 1) }
            << QList<qint64> { 1, 4, 1 } << QStringList { "p1", "p2", "p2", "p3" } << QStringList {}
            << QStringList {};
        QTest::newRow("a time-out is followed by the bare request")
            << QList<Outcome> { Outcome::timeout(), bare("p1", 2), wrapped("p2", 1), wrapped("p3", 1) }
            << QList<qint64> { 2, 1, 1 } << QStringList { "p1", "p1", "p2", "p3" } << QStringList {}
            << QStringList {};
    }
    void publishesOneGroupPerPlaylist()
    {
        QFETCH(QList<Outcome>, outcomes);
        QFETCH(QList<qint64>, sizes);
        QFETCH(QStringList, requests);
        QFETCH(QStringList, errorLines);
        QFETCH(QStringList, failed);

        test::LogCapture log;
        test::LogCapture::enable(lcPreview(), QtWarningMsg);
        Fixture f;
        f.client.enqueue(Method::getPlaylistTracks, outcomes);
        f.client.setHoldReplies(true);
        f.store.update(selection({ "p1", "p2", "p3" }));
        QVERIFY(f.store.isLoading());
        f.passQuietPeriod();

        // One request at a time; nothing is shown before the last playlist answered.
        for (qsizetype answered = 0; answered < requests.size(); ++answered) {
            QTRY_COMPARE(requestedIds(f.client).size(), answered + 1);
            QCOMPARE(f.client.waiting(), 1);
            QVERIFY(f.store.groups().isEmpty());
            QVERIFY(f.store.isLoading());
            f.client.release();
        }
        QTRY_VERIFY(!f.store.isLoading());

        QCOMPARE(requestedIds(f.client), requests);
        QCOMPARE(groupIds(f.store), QStringList({ "p1", "p2", "p3" }));
        QCOMPARE(groupSizes(f.store), sizes);
        for (qsizetype i = 0; i < f.store.groups().size(); ++i) {
            QCOMPARE(f.store.groups()[i]->index(), i);
            QCOMPARE(f.store.groups()[i]->name(), QStringLiteral("Name of p%1").arg(i + 1));
        }
        QCOMPARE(log.texts(QStringLiteral(".preview"), QtWarningMsg), errorLines);
        QStringList failedGroups;
        for (const auto& group : f.store.groups()) {
            if (group->loadFailed())
                failedGroups.append(group->id());
        }
        QCOMPARE(failedGroups, failed);
        QCOMPARE(f.store.failedCount(), failed.size());
    }

    void emptySelectionSendsNothing()
    {
        Fixture f;
        f.store.update({});
        f.passQuietPeriod();
        QTest::qWait(0);
        QVERIFY(f.store.groups().isEmpty());
        QVERIFY(!f.store.isLoading());
        QVERIFY(f.client.sent().isEmpty());
        QCOMPARE(f.clock.waitingCalls(), 0);
    }

    void shownSelectionIsNotFetchedAgain()
    {
        Fixture f;
        f.client.enqueue(Method::getPlaylistTracks, wrapped("p1", 2));
        f.store.update(selection({ "p1" }));
        f.passQuietPeriod();
        QTRY_VERIFY(!f.store.isLoading());
        const auto shown = f.store.groups();

        QSignalSpy loading(&f.store, &PreviewStore::isLoadingChanged);
        QSignalSpy groups(&f.store, &PreviewStore::groupsChanged);
        f.store.update(selection({ "p1" }));
        f.passQuietPeriod();
        QTest::qWait(0);
        QCOMPARE(requestedIds(f.client), QStringList { "p1" });
        QCOMPARE(loading.count(), 0);
        QCOMPARE(groups.count(), 0);
        QCOMPARE(f.store.groups(), shown);
    }

    // Only the last selection of a burst is fetched; a clear in the quiet period
    // stops the fetch before anything is sent.
    void quietPeriodCoalescesChanges_data()
    {
        QTest::addColumn<bool>("clearAfterwards");
        QTest::addColumn<QStringList>("requests");
        QTest::newRow("second selection within the quiet period") << false << QStringList { "b" };
        QTest::newRow("clear within the quiet period") << true << QStringList {};
    }
    void quietPeriodCoalescesChanges()
    {
        QFETCH(bool, clearAfterwards);
        QFETCH(QStringList, requests);

        Fixture f;
        f.client.enqueue(Method::getPlaylistTracks, wrapped("b", 1));
        f.store.update(selection({ "a" }));
        f.clock.advance(PreviewStore::kDebounce - 1ms);
        QTest::qWait(0);
        QVERIFY(f.client.sent().isEmpty());
        f.store.update(selection({ "b" }));
        if (clearAfterwards)
            f.store.clear();
        f.passQuietPeriod();
        QTRY_VERIFY(!f.store.isLoading());
        QTest::qWait(0);

        QCOMPARE(requestedIds(f.client), requests);
        QCOMPARE(groupIds(f.store), requests);
    }

    // A newer selection drops everything the older fetch got, even playlists it
    // had already fetched; the rows on screen stay until the new ones arrive.
    void newerSelectionDropsTheOlderFetch()
    {
        Fixture f;
        f.client.enqueue(Method::getPlaylistTracks,
            { wrapped("x", 1), wrapped("a1", 1), wrapped("a2", 1), wrapped("b", 2) });
        f.store.update(selection({ "x" }));
        f.passQuietPeriod();
        QTRY_VERIFY(!f.store.isLoading());

        f.client.setHoldReplies(true);
        f.store.update(selection({ "a1", "a2" }));
        f.passQuietPeriod();
        QTRY_COMPARE(f.client.waiting(), 1);
        f.client.release();
        QTRY_COMPARE(requestedIds(f.client).size(), 3); // a2 is on its way

        f.store.update(selection({ "b" }));
        f.client.setHoldReplies(false);
        f.client.release();
        QTest::qWait(0);
        QCOMPARE(groupIds(f.store), QStringList { "x" });
        QVERIFY(f.store.isLoading());

        f.passQuietPeriod();
        QTRY_VERIFY(!f.store.isLoading());
        QCOMPARE(groupIds(f.store), QStringList { "b" });
        QCOMPARE(requestedIds(f.client), QStringList({ "x", "a1", "a2", "b" }));
    }

    // Going back to the selection on screen while another one loads ends with the
    // selection on screen, not with the one that was abandoned.
    void returningToTheShownSelection_data()
    {
        QTest::addColumn<bool>("duringQuietPeriod");
        QTest::newRow("while the other one waits out the quiet period") << true;
        QTest::newRow("while the other one is being fetched") << false;
    }
    void returningToTheShownSelection()
    {
        QFETCH(bool, duringQuietPeriod);

        Fixture f;
        f.client.enqueue(Method::getPlaylistTracks, { wrapped("a", 2), wrapped("b", 5) });
        f.store.update(selection({ "a" }));
        f.passQuietPeriod();
        QTRY_VERIFY(!f.store.isLoading());
        const auto shown = f.store.groups();

        f.client.setHoldReplies(true);
        f.store.update(selection({ "b" }));
        if (!duringQuietPeriod) {
            f.passQuietPeriod();
            QTRY_COMPARE(f.client.waiting(), 1);
        }
        QVERIFY(f.store.isLoading());

        f.store.update(selection({ "a" }));
        QVERIFY(!f.store.isLoading());
        QCOMPARE(f.store.groups(), shown);

        f.passQuietPeriod();
        f.client.release();
        QTRY_COMPARE(f.client.waiting(), 0);
        QTest::qWait(0);
        QCOMPARE(f.store.groups(), shown);
        QVERIFY(!f.store.isLoading());
        QCOMPARE(requestedIds(f.client), duringQuietPeriod ? QStringList { "a" } : QStringList({ "a", "b" }));
    }

    // A read whose first request fails asks again only while its fetch is still
    // the wanted one.
    void supersededReadSendsNoSecondRequest_data()
    {
        QTest::addColumn<bool>("replaced");
        QTest::newRow("cleared") << false;
        QTest::newRow("replaced by another selection") << true;
    }
    void supersededReadSendsNoSecondRequest()
    {
        QFETCH(bool, replaced);

        Fixture f;
        f.client.enqueue(Method::getPlaylistTracks, { Outcome::timeout(), wrapped("q", 1) });
        f.client.setHoldReplies(true);
        f.store.update(selection({ "p", "p2" }));
        f.passQuietPeriod();
        QTRY_COMPARE(f.client.waiting(), 1);

        if (replaced)
            f.store.update(selection({ "q" }));
        else
            f.store.clear();
        f.client.setHoldReplies(false);
        f.client.release();
        QTRY_COMPARE(f.client.waiting(), 0);
        f.passQuietPeriod();
        QTRY_VERIFY(!f.store.isLoading());
        QTest::qWait(0);

        QCOMPARE(requestedIds(f.client), replaced ? QStringList({ "p", "q" }) : QStringList { "p" });
        QCOMPARE(groupIds(f.store), replaced ? QStringList { "q" } : QStringList {});
    }

    void destroyedStoreIsNeverTouched()
    {
        test::ManualClock clock;
        test::ScriptedHelperClient client;
        client.enqueue(Method::getPlaylistTracks, wrapped("p", 1));
        client.setHoldReplies(true);
        auto store = std::make_unique<PreviewStore>(client, PreviewStore::kDebounce, clock);
        store->update(selection({ "p", "p2" }));
        clock.advance(PreviewStore::kDebounce);
        QTRY_COMPARE(client.waiting(), 1);
        store.reset();
        client.setHoldReplies(false);
        client.release();
        QTRY_COMPARE(client.waiting(), 0);
        QTest::qWait(0);
        QCOMPARE(requestedIds(client), QStringList { "p" });

        // Destroyed in its quiet period: nothing is sent.
        store = std::make_unique<PreviewStore>(client, PreviewStore::kDebounce, clock);
        store->update(selection({ "r" }));
        store.reset();
        clock.advance(PreviewStore::kDebounce);
        QTest::qWait(0);
        QCOMPARE(requestedIds(client), QStringList { "p" });
    }

    void countsRowsAndRowsOnDisk()
    {
        Fixture f;
        f.client.enqueue(Method::getPlaylistTracks, { wrapped("p1", 4, 1), wrapped("p2", 3, 3) });
        f.store.update(selection({ "p1", "p2" }));
        f.passQuietPeriod();
        QTRY_VERIFY(!f.store.isLoading());
        QCOMPARE(f.store.trackCount(), 7);
        QCOMPARE(f.store.onDiskCount(), 4);
        QCOMPARE(f.store.groups()[0]->completed(), 1);
        QCOMPARE(f.store.groups()[1]->tracks()[0]->diskResult(), DiskCheckResult::present);

        // The counts are kept as rows change, not recomputed when read.
        QSignalSpy counts(&f.store, &PreviewStore::countsChanged);
        const std::shared_ptr<PlaylistGroup> dropped = f.store.groups()[1];
        dropped->tracks()[0]->setState(TrackState::queued());
        QCOMPARE(f.store.onDiskCount(), 3);
        QCOMPARE(counts.count(), 1);

        f.store.clear();
        QCOMPARE(f.store.trackCount(), 0);
        QCOMPARE(f.store.onDiskCount(), 0);
        QCOMPARE(counts.count(), 2);
        // A group no longer shown moves no count.
        dropped->tracks()[1]->setState(TrackState::queued());
        QCOMPARE(f.store.onDiskCount(), 0);
        QCOMPARE(counts.count(), 2);
    }
};

QTEST_GUILESS_MAIN(TestPreviewStore)
#include "tst_previewstore.moc"
