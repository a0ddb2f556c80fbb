#include "TestSupport/WireTesting.h"
#include "Transport/SyncRecords.h"

#include <QtTest>

using namespace mivo;
using namespace mivo::test;

namespace {

const auto kAnyRecord = [](const QVariant& variant, auto&& check) {
    withRecord<PlaylistSelection, SyncOptions, SyncSummary, ReviewDecision>(variant, check);
};

} // namespace

class TestSyncRecords : public QObject {
    Q_OBJECT

private slots:
    // Hand-written lines decode to the value and the value encodes back to the
    // same text: keys in declared order, "kind" first, unset options left out.
    void roundTripsExactly_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QVariant>("value");

        QTest::newRow("selection with name")
            << jsonLine("{'source':'spotify','id':'37i9dQ','name':'Peak Time'}")
            << record(PlaylistSelection { PlaylistSourceId::spotify, "37i9dQ", QStringLiteral("Peak Time") });
        QTest::newRow("selection without name")
            << jsonLine("{'source':'apple','id':'pl.1'}")
            << record(PlaylistSelection { PlaylistSourceId::apple, "pl.1" });

        QTest::newRow("options, none set") << jsonLine("{}") << record(SyncOptions {});
        QTest::newRow("options, review only")
            << jsonLine("{'review':true}") << record(SyncOptions { .review = true });
        QTest::newRow("options, all set")
            << jsonLine("{'dryRun':true,'review':false,'concurrency':4,'cleanup':true,'upgrade':false,"
                        "'qualityFloor':'mp3-320'}")
            << record(SyncOptions { true, false, 4, true, false, QualityFloor::mp3_320 });

        QTest::newRow("summary") << jsonLine(
            "{'present':10,'ok':5,'flagged':2,'failed':1,'skipped':0,'upgraded':3,'removed':4}")
                                 << record(SyncSummary { 10, 5, 2, 1, 0, 3, 4 });

        QTest::newRow("decision url") << jsonLine("{'kind':'url','url':'https://www.example.com/watch?v=x1'}")
                                      << record(ReviewDecision::url("https://www.example.com/watch?v=x1"));
        QTest::newRow("decision candidate")
            << jsonLine("{'kind':'candidate','candidateId':'c3'}") << record(ReviewDecision::candidate("c3"));
        QTest::newRow("decision accept") << jsonLine("{'kind':'accept'}") << record(ReviewDecision::accept());
        QTest::newRow("decision skip") << jsonLine("{'kind':'skip'}") << record(ReviewDecision::skip());
    }
    void roundTripsExactly()
    {
        QFETCH(QByteArray, line);
        QFETCH(QVariant, value);
        kAnyRecord(value, [&](const auto& expected) { verifyRoundTrip(line, expected); });
    }

    void decodesLeniently_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QVariant>("value");

        QTest::newRow("selection name null") << jsonLine("{'source':'apple','id':'p','name':null}")
                                             << record(PlaylistSelection { PlaylistSourceId::apple, "p" });
        QTest::newRow("options null and unknown keys")
            << jsonLine("{'dryRun':null,'qualityFloor':null,'concurrency':2,'parallel':true}")
            << record(SyncOptions { .concurrency = 2 });
        QTest::newRow("summary with unknown key") << jsonLine(
            "{'present':1,'ok':1,'flagged':1,'failed':1,'skipped':1,'upgraded':1,'removed':1,'total':7}")
                                                  << record(SyncSummary { 1, 1, 1, 1, 1, 1, 1 });
        QTest::newRow("accept with a stray payload")
            << jsonLine("{'kind':'accept','candidateId':'c1'}") << record(ReviewDecision::accept());
    }
    void decodesLeniently()
    {
        QFETCH(QByteArray, line);
        QFETCH(QVariant, value);
        kAnyRecord(value, [&](const auto& expected) { verifyDecodes(line, expected); });
    }

    void rejectsMalformed_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QVariant>("type");

        const QVariant selection = record(PlaylistSelection {});
        QTest::newRow("selection without id") << jsonLine("{'source':'apple'}") << selection;
        QTest::newRow("selection source capitalised")
            << jsonLine("{'source':'Spotify','id':'p'}") << selection;
        QTest::newRow("selection name as number")
            << jsonLine("{'source':'apple','id':'p','name':3}") << selection;

        const QVariant options = record(SyncOptions {});
        QTest::newRow("options floor as case name") << jsonLine("{'qualityFloor':'mp3_320'}") << options;
        QTest::newRow("options concurrency 2.5") << jsonLine("{'concurrency':2.5}") << options;
        QTest::newRow("options review as text") << jsonLine("{'review':'yes'}") << options;
        QTest::newRow("options review as 1") << jsonLine("{'review':1}") << options;

        const QVariant summary = record(SyncSummary {});
        QTest::newRow("summary without removed")
            << jsonLine("{'present':1,'ok':1,'flagged':1,'failed':1,'skipped':1,'upgraded':1}") << summary;
        QTest::newRow("summary flagged 1.5")
            << jsonLine("{'present':1,'ok':1,'flagged':1.5,'failed':1,'skipped':1,'upgraded':1,'removed':1}")
            << summary;
        QTest::newRow("summary count null")
            << jsonLine("{'present':null,'ok':1,'flagged':1,'failed':1,'skipped':1,'upgraded':1,'removed':1}")
            << summary;

        const QVariant decision = record(ReviewDecision {});
        QTest::newRow("decision kind capitalised") << jsonLine("{'kind':'Accept'}") << decision;
        QTest::newRow("decision without kind") << jsonLine("{'candidateId':'c1'}") << decision;
        QTest::newRow("decision candidate without id") << jsonLine("{'kind':'candidate'}") << decision;
        QTest::newRow("decision url without url") << jsonLine("{'kind':'url'}") << decision;
        QTest::newRow("decision unknown kind") << jsonLine("{'kind':'later'}") << decision;
        QTest::newRow("decision as string") << jsonLine("'accept'") << decision;
    }
    void rejectsMalformed()
    {
        QFETCH(QByteArray, line);
        QFETCH(QVariant, type);
        kAnyRecord(type, [&](const auto& marker) { verifyRejects<std::decay_t<decltype(marker)>>(line); });
    }

    void unknownDecisionKindIsNamed()
    {
        try {
            decodeValue<ReviewDecision>(parseJsonLine(jsonLine("{'kind':'later'}")));
            QFAIL("an unknown kind was accepted");
        } catch (const DecodeError& error) {
            QCOMPARE(QByteArray(error.what()), QByteArray("at kind: Unknown ReviewDecision kind: later"));
        }
    }

    void trackIds_data()
    {
        QTest::addColumn<QString>("playlistId");
        QTest::addColumn<qint64>("row");
        QTest::addColumn<QString>("trackId");
        QTest::newRow("row 3") << "spotify:demo" << qint64(3) << "spotify:demo#3";
        QTest::newRow("no padding") << "p" << qint64(0) << "p#0";
        QTest::newRow("negative row") << "p" << qint64(-12) << "p#-12";
        QTest::newRow("id holding #") << "a#b" << qint64(10) << "a#b#10";
    }
    void trackIds()
    {
        QFETCH(QString, playlistId);
        QFETCH(qint64, row);
        QFETCH(QString, trackId);
        QCOMPARE(WireProtocol::trackId(playlistId, row), trackId);
    }
};

QTEST_GUILESS_MAIN(TestSyncRecords)
#include "tst_syncRecords.moc"
