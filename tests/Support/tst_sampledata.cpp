#include "Support/SampleData.h"
#include "Transport/ResultRecords.h"
#include "Transport/ServerEvent.h"
#include "Transport/WireCoding.h"

#include <QtTest>

using namespace mivo;

namespace {

// A JSON value's object keys are unordered: compared as a sorted list.
QStringList keys(const nlohmann::ordered_json& object)
{
    QStringList result;
    for (const auto& item : object.items())
        result.append(QString::fromStdString(item.key()));
    result.sort();
    return result;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

const ServerEvent& serverEvent(const HelperEvent& event)
{
    return std::get<HelperEvent::Server>(event.value).event;
}

} // namespace

class TestSampleData : public QObject {
    Q_OBJECT

private slots:
    void idsFollowTheTrackIdRule()
    {
        QCOMPARE(SampleData::trackId(2), QStringLiteral("spotify:demo#2"));
        QCOMPARE(SampleData::playlists().first().id, SampleData::playlistId());
        QCOMPARE(SampleData::tracks().size(), 3);
        QCOMPARE(SampleData::previewTracks().size(), 3);
        for (qsizetype row = 0; row < 3; ++row) {
            QCOMPARE(SampleData::tracks()[row].id, SampleData::trackId(row));
            QCOMPARE(SampleData::previewTracks()[row].track(), SampleData::tracks()[row]);
        }
        QCOMPARE(SampleData::tracks()[1].album, SampleData::tracks()[1].title);
        const QString artist = SampleData::tracks()[2].artist;
        QVERIFY(std::any_of(artist.cbegin(), artist.cend(), [](QChar c) { return c.unicode() > 127; }));
        QCOMPARE(artist, artist.toUpper());
    }

    void previewTracksResultHasTheReplyShape()
    {
        const nlohmann::ordered_json json = toJson(SampleData::previewTracksResult());

        QCOMPARE(keys(json), QStringList { "tracks" });
        const auto& rows = json["tracks"];
        QVERIFY(rows.is_array());
        QCOMPARE(rows.size(), size_t(3));
        const QStringList base { "id", "title", "artist", "album", "durationSec", "artwork", "onDisk" };
        QCOMPARE(keys(rows[0]), sorted(base + QStringList { "meta" }));
        QCOMPARE(keys(rows[1]), sorted(base)); // no meta
        QCOMPARE(keys(rows[0]["meta"]), QStringList { "format" });
        QCOMPARE(keys(rows[2]["meta"]), sorted({ "format", "bitrate" }));
        QCOMPARE(rows[2]["meta"]["bitrate"], "320"); // text, not a number
        QCOMPARE(rows[0]["artwork"], nlohmann::ordered_json({ { "kind", "none" } }));
        QVERIFY(rows[0]["durationSec"].is_number());
        QCOMPARE(rows[1]["onDisk"], "missing");

        const auto decoded = decodeValue<PreviewTracksResult>(parseJsonLine(dumpJson(json)));
        QCOMPARE(decoded.tracks, SampleData::previewTracks());
    }

    void sampleConfigSurvivesTheWire()
    {
        const nlohmann::ordered_json json = encodeValue(SampleData::sampleConfig());
        QCOMPARE(json["quality"]["floor"], "mp3-320");
        QCOMPARE(
            json["sources"], nlohmann::ordered_json({ "soulseek", "bandcamp", "soundcloud", "youtube" }));
        QCOMPARE(decodeValue<SafeConfig>(parseJsonLine(dumpJson(json))), SampleData::sampleConfig());
    }

    void syncScriptIsOneRun()
    {
        const QList<HelperEvent> script = SampleData::syncScript();
        QCOMPARE(SampleData::syncScript(), script); // built afresh, the same every time
        QCOMPARE(script.size(), 15);

        // Event kinds by position in ServerEvent::Value.
        const QList<size_t> kinds { 0, 1, 2, 3, 4, 5, 4, 7, 2, 3, 6, 2, 3, 8, 11 };
        for (qsizetype i = 0; i < script.size(); ++i) {
            const ServerEvent& event = serverEvent(script[i]);
            QCOMPARE(event.value.index(), kinds[i]);
        }

        const auto& started = std::get<ServerEvent::PlaylistStarted>(serverEvent(script[1]).value);
        QCOMPARE(started.tracks, SampleData::tracks());
        QCOMPARE(started.correlationId, QStringLiteral("run-1"));
        const auto& review = std::get<ServerEvent::NeedsReview>(serverEvent(script[10]).value);
        QCOMPARE(review.trackId, SampleData::trackId(1));
        QVERIFY(review.best && review.best->title.startsWith(SampleData::tracks()[1].title + " ("));
        QCOMPARE(review.candidates.size(), 1);
        const auto& done = std::get<ServerEvent::SyncDone>(serverEvent(script[14]).value);
        QCOMPARE(done.summary, (SyncSummary { 1, 1, 1, 0, 0, 0, 0 }));
        QCOMPARE(done.runId, QStringLiteral("run-1"));
    }
};

QTEST_GUILESS_MAIN(TestSampleData)
#include "tst_sampledata.moc"
