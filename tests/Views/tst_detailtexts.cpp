#include "State/PlaylistGroup.h"
#include "Views/Detail/OverallSummaryBar.h"
#include "Views/Detail/PlaylistGroupHeader.h"
#include "Views/Detail/PreviewSummaryBar.h"
#include "Views/Detail/TrackColumns.h"

#include <QtTest>

using namespace mivo;

Q_DECLARE_METATYPE(mivo::TrackCounts)
Q_DECLARE_METATYPE(std::optional<mivo::SyncSummary>)

// The count lines of the detail's bars and headers, and the track table's columns.
class TestDetailTexts : public QObject {
    Q_OBJECT

private slots:
    void headerCountsLine_data()
    {
        QTest::addColumn<TrackCounts>("counts");
        QTest::addColumn<QString>("line");
        QTest::newRow("no tracks") << TrackCounts {} << "0 / 0";
        QTest::newRow("failures count as finished too")
            << TrackCounts { 40, 12, 3, 2, 1, 0 } << "12 / 40 · 2 need review · 1 failed";
        QTest::newRow("one awaiting review, no agreement")
            << TrackCounts { 3, 0, 0, 1, 0, 0 } << "0 / 3 · 1 need review";
    }
    void headerCountsLine()
    {
        QFETCH(TrackCounts, counts);
        QFETCH(QString, line);
        QCOMPARE(PlaylistGroupHeader::countsLine(counts), line);
    }

    void overallSummaryLine_data()
    {
        QTest::addColumn<std::optional<SyncSummary>>("summary");
        QTest::addColumn<QList<qint64>>("running"); // completed, total, review, failed
        QTest::addColumn<QString>("line");

        const QList<qint64> ignored { 9, 9, 9, 9 };
        QTest::newRow("finished, all zero") << std::optional(SyncSummary {}) << ignored << "Up to date";
        QTest::newRow("finished, upgraded and removed not shown") << std::optional(
            SyncSummary { 2, 3, 0, 1, 0, 5, 4 }) << ignored << "3 done · 2 on disk · 1 failed";
        QTest::newRow("finished, every item") << std::optional(SyncSummary { 1, 2, 3, 4, 5, 0, 0 }) << ignored
                                              << "2 done · 1 on disk · 3 flagged · 4 failed · 5 skipped";
        QTest::newRow("running") << std::optional<SyncSummary>() << QList<qint64> { 4, 10, 1, 0 }
                                 << "4 / 10 done · 1 need review";
        QTest::newRow("groups without tracks yet")
            << std::optional<SyncSummary>() << QList<qint64> { 0, 0, 0, 0 } << "0 / 0 done";
        QTest::newRow("running with failures")
            << std::optional<SyncSummary>() << QList<qint64> { 7, 9, 0, 2 } << "7 / 9 done · 2 failed";
    }
    void overallSummaryLine()
    {
        QFETCH(std::optional<SyncSummary>, summary);
        QFETCH(QList<qint64>, running);
        QFETCH(QString, line);
        QCOMPARE(
            OverallSummaryBar::summaryLine(summary, running[0], running[1], running[2], running[3]), line);
    }

    void previewTexts_data()
    {
        QTest::addColumn<qint64>("playlists");
        QTest::addColumn<qint64>("tracks");
        QTest::addColumn<qint64>("onDisk");
        QTest::addColumn<qint64>("failed");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("line");
        QTest::newRow("nothing") << qint64(0) << qint64(0) << qint64(0) << qint64(0) << "0 playlists · 0 tracks"
                                 << "Empty";
        QTest::newRow("one playlist") << qint64(1) << qint64(12) << qint64(4) << qint64(0)
                                      << "1 playlist · 12 tracks" << "4 on disk · 8 not downloaded";
        QTest::newRow("all on disk, one track")
            << qint64(2) << qint64(1) << qint64(1) << qint64(0) << "2 playlists · 1 track"
            << "1 on disk";
        QTest::newRow("none on disk") << qint64(1) << qint64(3) << qint64(0) << qint64(0)
                                      << "1 playlist · 3 tracks" << "3 not downloaded";
        // A playlist that could not be loaded is not an empty one.
        QTest::newRow("the only playlist empty")
            << qint64(1) << qint64(0) << qint64(0) << qint64(0) << "1 playlist · 0 tracks"
            << "Empty";
        QTest::newRow("the only playlist failed")
            << qint64(1) << qint64(0) << qint64(0) << qint64(1) << "1 playlist · 0 tracks"
            << "1 playlist could not be loaded";
        QTest::newRow("two of three failed")
            << qint64(3) << qint64(5) << qint64(2) << qint64(2) << "3 playlists · 5 tracks"
            << "2 on disk · 3 not downloaded · 2 playlists could not be loaded";
    }
    void previewTexts()
    {
        QFETCH(qint64, playlists);
        QFETCH(qint64, tracks);
        QFETCH(qint64, onDisk);
        QFETCH(qint64, failed);
        QFETCH(QString, title);
        QFETCH(QString, line);
        QCOMPARE(PreviewSummaryBar::titleText(playlists, tracks), title);
        QCOMPARE(PreviewSummaryBar::summaryLine(tracks, onDisk, failed), line);
    }

    // A group whose tracks could not be fetched says so; an empty one counts.
    void groupStatusLine()
    {
        PlaylistGroup empty(QStringLiteral("p"), QStringLiteral("Empty One"), 0, {});
        QCOMPARE(PlaylistGroupHeader::statusLine(empty), QStringLiteral("0 / 0"));
        PlaylistGroup failed(QStringLiteral("q"), QStringLiteral("Failed One"), 1, {});
        failed.setLoadFailed(true);
        QCOMPARE(PlaylistGroupHeader::statusLine(failed), QStringLiteral("Tracks could not be loaded"));
        QVERIFY(PlaylistGroupHeader::accessibleText(failed).contains(QStringLiteral("Tracks could not be loaded")));
    }

    void phaseTexts()
    {
        const QStringList texts { "Idle", "Preparing…", "Syncing", "Finishing…", "Complete", "Cancelled",
            "Interrupted" };
        QStringList shown;
        QList<bool> progress;
        for (int phase = 0; phase <= int(SyncPhase::interrupted); ++phase) {
            shown.append(OverallSummaryBar::phaseText(SyncPhase(phase)));
            progress.append(OverallSummaryBar::showsProgress(SyncPhase(phase)));
        }
        QCOMPARE(shown, texts);
        QCOMPARE(progress, (QList<bool> { false, true, true, true, true, false, false }));
    }

    // Fixed columns keep their width; quality, source and status give way from
    // their ideal to their minimum before title, artist and album lose their room;
    // a table too narrow for a readable title drops album, source, quality,
    // artist, then artwork and time, never title or status; columns never
    // overlap and stay inside the table.
    void columnWidths_data()
    {
        QTest::addColumn<qreal>("width");
        QTest::addColumn<QList<qreal>>("qualitySourceStatus");
        QTest::addColumn<QList<int>>("dropped");
        using C = TrackColumns;
        QTest::newRow("wide") << qreal(1400) << QList<qreal> { 110, 110, 160 } << QList<int> {};
        // 46 short of room: quality and source give way, status keeps its ideal.
        QTest::newRow("medium") << qreal(728) << QList<qreal> { 110 - 46.0 * 26 / 56, 110 - 46.0 * 30 / 56, 160 }
                                << QList<int> {};
        QTest::newRow("narrow") << qreal(600) << QList<qreal> { 110, 0, 160 } << QList<int> { C::album, C::source };
        QTest::newRow("beside the review inspector")
            << qreal(380) << QList<qreal> { 0, 0, 160 } << QList<int> { C::album, C::source, C::quality, C::artist };
        // The smallest window with the inspector open leaves the table about this much.
        QTest::newRow("beside the inspector in the smallest window")
            << qreal(300) << QList<qreal> { 0, 0, 124 }
            << QList<int> { C::artwork, C::album, C::source, C::quality, C::artist };
        QTest::newRow("room for title and status only")
            << qreal(200) << QList<qreal> { 0, 0, 120 }
            << QList<int> { C::artwork, C::album, C::time, C::source, C::quality, C::artist };
        // Even the title has no room left.
        QTest::newRow("too narrow for anything")
            << qreal(120) << QList<qreal> { 0, 0, 120 }
            << QList<int> { C::artwork, C::title, C::album, C::time, C::source, C::quality, C::artist };
    }
    void columnWidths()
    {
        QFETCH(qreal, width);
        QFETCH(QList<qreal>, qualitySourceStatus);
        QFETCH(QList<int>, dropped);
        using C = TrackColumns;
        const TrackColumns columns(10, width);
        QCOMPARE(columns.width(TrackColumns::artwork), dropped.contains(C::artwork) ? 0.0 : 34.0);
        QCOMPARE(columns.width(TrackColumns::time), dropped.contains(C::time) ? 0.0 : 48.0);
        QCOMPARE(columns.width(TrackColumns::quality), qualitySourceStatus[0]);
        QCOMPARE(columns.width(TrackColumns::source), qualitySourceStatus[1]);
        QCOMPARE(columns.width(TrackColumns::status), qualitySourceStatus[2]);
        QCOMPARE(columns.width(TrackColumns::artwork) == 0, dropped.contains(C::artwork));
        for (int c = 1; c < TrackColumns::kCount; ++c) {
            const auto previous = TrackColumns::Column(c - 1);
            QVERIFY(
                columns.left(TrackColumns::Column(c)) >= columns.left(previous) + columns.width(previous));
            QVERIFY(columns.width(TrackColumns::Column(c)) >= 0);
            QCOMPARE(columns.width(TrackColumns::Column(c)) == 0, dropped.contains(c));
        }
        if (width >= 300)
            QVERIFY(columns.left(TrackColumns::status) + columns.width(TrackColumns::status) <= 10 + width);
        if (width >= 300)
            QVERIFY(columns.width(TrackColumns::title) >= 96);
        QCOMPARE(columns.columnAt(columns.left(TrackColumns::status) + 1), int(TrackColumns::status));
        QCOMPARE(TrackColumns::tableHeight(0), 74.0);
        QCOMPARE(TrackColumns::tableHeight(10), 380.0);
    }
};

QTEST_MAIN(TestDetailTexts)
#include "tst_detailtexts.moc"
