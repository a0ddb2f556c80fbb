#include "State/SyncStore.h"
#include "Transport/HelperEvent.h"
#include "Transport/HelperEventStream.h"
#include "Transport/ServerEvent.h"

#include <QSignalSpy>
#include <QtTest>
#include <cmath>
#include <limits>

using namespace mivo;

// Declared ahead of the JSON script literals, which the meta-object compiler cannot read.
class TestSyncStore : public QObject {
    Q_OBJECT

private slots:
    void foldsScripts_data();
    void foldsScripts();
    void sampleRunKeepsRunIdAndSummary();
    void interruptsOnlyARunningRun_data();
    void interruptsOnlyARunningRun();
    void downloadProgress_data();
    void downloadProgress();
    void bannerFromProxyAndErrors_data();
    void bannerFromProxyAndErrors();
    void changeSignalIsCoalesced();
    void heldRowsOutliveTheirRun();
    void noticeOutlivesPassingBanners_data();
    void noticeOutlivesPassingBanners();
};

namespace {

// ---- Scripts: one JSON event line or one command per entry ----------------------

QByteArray quoted(const QByteArray& text)
{
    return '"' + text + '"';
}

QByteArray line(const char* event, const QByteArray& data)
{
    return "{\"event\":" + quoted(event) + R"(,"correlationId":"run-1","data":)" + data + "}";
}

QByteArray syncStarted(const char* runId = "run-1")
{
    return line("syncStarted", "{\"runId\":" + quoted(runId) + R"(,"totalPlaylists":1})");
}

QByteArray playlistStarted(const char* playlistId, int index, const QList<QByteArray>& trackIds)
{
    QList<QByteArray> tracks;
    for (const QByteArray& id : trackIds)
        tracks.append("{\"id\":" + quoted(id) + R"(,"title":"Title","artist":"Artist","durationSec":300,)"
            + R"("artwork":{"kind":"none"}})");
    return line("playlistStarted",
        "{\"playlistId\":" + quoted(playlistId) + ",\"index\":" + QByteArray::number(index)
            + R"(,"name":"Playlist","tracks":[)" + tracks.join(',') + "]}");
}

QByteArray trackEvent(const char* event, const QByteArray& trackId, const QByteArray& rest = {})
{
    return line(event, "{\"trackId\":" + quoted(trackId) + (rest.isEmpty() ? "" : "," + rest) + "}");
}

QByteArray trackStarted(const QByteArray& id)
{
    return trackEvent("trackStarted", id, R"("index":0,"label":"Title")");
}

QByteArray needsReview(const QByteArray& id)
{
    return trackEvent("needsReview", id,
        R"("label":"Title","candidates":[{"id":"c1","title":"Title","channel":"slsk","durationSec":540}])");
}

QByteArray trackFinished(const QByteArray& id, const QByteArray& rest)
{
    return trackEvent("trackFinished", id, rest);
}

QByteArray errorEvent(const QByteArray& data)
{
    return line("error", data);
}

QByteArray proxyStatus(const QByteArray& data)
{
    return R"({"event":"proxyStatus","data":)" + data + "}";
}

std::optional<StreamEnd> streamEnd(const QByteArray& name)
{
    if (name == "cleanExit")
        return StreamEnd::cleanExit;
    if (name == "gaveUp")
        return StreamEnd::gaveUp;
    if (name == "relaunchFailed")
        return StreamEnd::relaunchFailed;
    if (name == "clientReleased")
        return StreamEnd::clientReleased;
    return std::nullopt;
}

// ---- Descriptions of what the store shows -----------------------------------------

QString phaseName(SyncPhase phase)
{
    switch (phase) {
    case SyncPhase::idle:
        return QStringLiteral("idle");
    case SyncPhase::preparing:
        return QStringLiteral("preparing");
    case SyncPhase::running:
        return QStringLiteral("running");
    case SyncPhase::finishing:
        return QStringLiteral("finishing");
    case SyncPhase::done:
        return QStringLiteral("done");
    case SyncPhase::cancelled:
        return QStringLiteral("cancelled");
    case SyncPhase::interrupted:
        return QStringLiteral("interrupted");
    }
    return QStringLiteral("?");
}

std::optional<SyncPhase> phaseNamed(const QByteArray& name)
{
    for (const SyncPhase phase : { SyncPhase::idle, SyncPhase::preparing, SyncPhase::running,
             SyncPhase::finishing, SyncPhase::done, SyncPhase::cancelled, SyncPhase::interrupted }) {
        if (phaseName(phase) == QLatin1String(name))
            return phase;
    }
    return std::nullopt;
}

QString describe(const std::optional<TrackMeta>& meta)
{
    if (!meta)
        return {};
    QStringList parts;
    for (const auto& part : { meta->format, meta->bitrate, meta->source }) {
        if (part)
            parts.append(*part);
    }
    return parts.join(u'/');
}

QString describe(const TrackState& state)
{
    if (const auto* present = std::get_if<TrackState::Present>(&state.value))
        return QStringLiteral("present(%1)").arg(describe(present->meta));
    if (const auto* working = std::get_if<TrackState::Working>(&state.value)) {
        return QStringLiteral("working(%1%2)")
            .arg(rawString(working->phase),
                working->detail ? QStringLiteral(": ") + *working->detail : QString());
    }
    const auto candidateIds = [](const QList<CandidateDTO>& candidates) {
        QStringList ids;
        for (const CandidateDTO& candidate : candidates)
            ids.append(candidate.id);
        return ids.join(u',');
    };
    if (const auto* review = std::get_if<TrackState::AwaitingReview>(&state.value)) {
        return QStringLiteral("%1(%2)").arg(
            review->decisionSent ? QStringLiteral("decided") : QStringLiteral("review"),
            candidateIds(review->candidates));
    }
    if (const auto* undecided = std::get_if<TrackState::Undecided>(&state.value))
        return QStringLiteral("undecided(%1)").arg(candidateIds(undecided->candidates));
    if (const auto* done = std::get_if<TrackState::Done>(&state.value)) {
        const QString meta = describe(done->meta);
        return QStringLiteral("done(%1%2)")
            .arg(rawString(done->status), meta.isEmpty() ? QString() : u' ' + meta);
    }
    if (const auto* failed = std::get_if<TrackState::Failed>(&state.value))
        return QStringLiteral("failed(%1)").arg(failed->reason);
    if (state.is<TrackState::CheckingDisk>())
        return QStringLiteral("checking");
    return QStringLiteral("queued");
}

// state, then " @<disk result>", " ~<fraction>" and the quoted progress line when set.
QString describe(const TrackModel& row)
{
    QString text = describe(row.state());
    if (row.diskResult())
        text += QStringLiteral(" @") + rawString(*row.diskResult());
    if (row.downloadFraction() != 0)
        text += QStringLiteral(" ~") + QString::number(row.downloadFraction());
    if (row.progressDetail())
        text += QStringLiteral(" \"%1\"").arg(*row.progressDetail());
    return text;
}

// "<id> <status or -> [<orphan paths>]: <row> | <row> ..."
QString describe(const PlaylistGroup& group)
{
    QStringList rows;
    for (const auto& row : group.tracks())
        rows.append(describe(*row));
    return QStringLiteral("%1 %2 [%3]: %4")
        .arg(group.id(), group.status() ? rawString(*group.status()) : QStringLiteral("-"),
            group.orphanPaths().join(u' '), rows.join(QStringLiteral(" | ")));
}

QStringList describeGroups(const SyncStore& store)
{
    QStringList groups;
    for (const auto& group : store.groups())
        groups.append(describe(*group));
    return groups;
}

QString describe(const std::optional<SyncBanner>& banner)
{
    if (!banner)
        return {};
    static const char* const kinds[] = { "info", "warning", "error" };
    return QStringLiteral("%1%2: %3")
        .arg(QLatin1String(kinds[int(banner->kind)]), banner->code ? u'[' + *banner->code + u']' : QString(),
            banner->message);
}

// "<completed>/<total> review <n> failed <n> fraction <f>"
QString countsText(const SyncStore& store)
{
    return QStringLiteral("%1/%2 review %3 failed %4 fraction %5")
        .arg(store.overallCompleted())
        .arg(store.overallTotal())
        .arg(store.reviewCount())
        .arg(store.failedCount())
        .arg(QString::number(store.overallFraction(), 'g', 4));
}

QString queueText(const SyncStore& store)
{
    QStringList ids;
    for (const auto& row : store.reviewQueue())
        ids.append(row->id());
    return ids.join(u',');
}

// Plays a script into the store. Everything derived is read after every step, so a
// value remembered from an earlier step and not brought up to date shows in the end.
bool play(SyncStore& store, const QList<QByteArray>& script)
{
    for (const QByteArray& step : script) {
        if (step.startsWith('{')) {
            store.route(HelperEvent { HelperEvent::Server { ServerEvent::decode(step) } });
        } else if (step == "crash") {
            store.route(HelperEvent { HelperEvent::HelperCrashed {} });
        } else if (step == "ready") {
            store.route(HelperEvent { HelperEvent::HelperReady {} });
        } else if (step.startsWith("end ")) {
            const auto reason = streamEnd(step.mid(4));
            if (!reason) {
                qWarning() << "unknown stream end" << step;
                return false;
            }
            store.eventStreamEnded(*reason);
        } else if (step == "prepare") {
            store.markPreparing();
        } else if (step == "cancel") {
            store.markCancelled();
        } else if (step == "clear") {
            store.clearResults();
        } else if (step.startsWith("abandon ")) {
            // "abandon <failed|declined> <phase before the start>"
            const QList<QByteArray> words = step.split(' ');
            const auto previous = words.size() == 3 ? phaseNamed(words[2]) : std::nullopt;
            if (!previous || (words[1] != "failed" && words[1] != "declined")) {
                qWarning() << "bad abandon step" << step;
                return false;
            }
            store.abandonStart(*previous,
                words[1] == "failed" ? SyncStore::StartOutcome::failed : SyncStore::StartOutcome::declined);
        } else if (step.startsWith("decide ")) {
            store.markDecisionSent(QString::fromUtf8(step.mid(7)));
        } else {
            qWarning() << "unknown script step" << step;
            return false;
        }
        countsText(store);
        if (store.anyReviewPending() != !store.reviewQueue().isEmpty()) {
            qWarning() << "review pending disagrees with the queue after" << step;
            return false;
        }
    }
    return true;
}

// The sample run of one playlist: track 0 downloaded, track 1 waiting for review,
// track 2 already on disk.
const QList<QByteArray> kSampleRun = {
    "ready",
    R"({"event":"syncStarted","correlationId":"run-1","data":{"runId":"run-1","totalPlaylists":1}})",
    R"({"event":"playlistStarted","correlationId":"run-1","data":{"playlistId":"spotify:demo","index":0,)"
    R"("name":"Late Night Drive","tracks":[)"
    R"({"id":"spotify:demo#0","title":"Sunrise","artist":"DJ Sample","album":"Sounds of the Night",)"
    R"("durationSec":634,"artwork":{"kind":"none"}},)"
    R"({"id":"spotify:demo#1","title":"Horizon","artist":"Ana Example","album":"Horizon","durationSec":540,)"
    R"("artwork":{"kind":"none"}},)"
    R"({"id":"spotify:demo#2","title":"Drift","artist":"GRÜPPE MÄRZ","album":"Tides","durationSec":575,)"
    R"("artwork":{"kind":"none"}}]}})",
    R"({"event":"trackStarted","correlationId":"run-1","data":{"trackId":"spotify:demo#0","index":0,"label":"Sunrise"}})",
    R"({"event":"diskCheck","correlationId":"run-1","data":{"trackId":"spotify:demo#0","result":"missing"}})",
    R"({"event":"step","correlationId":"run-1","data":{"trackId":"spotify:demo#0","phase":"searching"}})",
    R"({"event":"downloadProgress","correlationId":"run-1","data":{"trackId":"spotify:demo#0","percent":50,)"
    R"("sizeText":"6 MB","speedText":"1.2 MB/s"}})",
    R"({"event":"step","correlationId":"run-1","data":{"trackId":"spotify:demo#0","phase":"tagging"}})",
    R"({"event":"trackFinished","correlationId":"run-1","data":{"trackId":"spotify:demo#0","status":"ok",)"
    R"("kind":"downloaded","meta":{"format":"FLAC","bitrate":"1024"}}})",
    R"({"event":"trackStarted","correlationId":"run-1","data":{"trackId":"spotify:demo#1","index":1,"label":"Horizon"}})",
    R"({"event":"diskCheck","correlationId":"run-1","data":{"trackId":"spotify:demo#1","result":"missing"}})",
    R"({"event":"needsReview","correlationId":"run-1","data":{"trackId":"spotify:demo#1","label":"Horizon",)"
    R"j("best":{"confidence":0.42,"title":"Horizon (Someone Remix)","url":"https://example.com/c1"},)j"
    R"("candidates":[{"id":"c1","title":"Horizon","channel":"slsk","durationSec":540,"source":"soulseek",)"
    R"("format":"FLAC","bitrateKbps":1024,"confidence":0.42}]}})",
    R"({"event":"trackStarted","correlationId":"run-1","data":{"trackId":"spotify:demo#2","index":2,"label":"Drift"}})",
    R"({"event":"diskCheck","correlationId":"run-1","data":{"trackId":"spotify:demo#2","result":"present",)"
    R"("meta":{"format":"ALAC"}}})",
    R"({"event":"playlistFinished","correlationId":"run-1","data":{"playlistId":"spotify:demo","status":"low-confidence"}})",
    R"({"event":"syncDone","correlationId":"run-1","data":{"runId":"run-1","summary":{"present":1,"ok":1,)"
    R"("flagged":1,"failed":0,"skipped":0,"upgraded":0,"removed":0}}})",
};

const QString kInterrupted
    = QStringLiteral("warning: The sync was interrupted. Re-run Sync to continue safely.");

} // namespace

void TestSyncStore::foldsScripts_data()
{
    QTest::addColumn<QList<QByteArray>>("script");
    QTest::addColumn<QString>("phase");
    QTest::addColumn<QStringList>("groups");
    QTest::addColumn<QString>("counts");
    QTest::addColumn<QString>("queue");
    QTest::addColumn<QString>("banner");

    QTest::newRow("sample run")
        << kSampleRun << "done"
        << QStringList { "spotify:demo low-confidence []: "
                         "done(ok FLAC/1024) @missing ~0.5 \"50% · 1.2 MB/s · 6 MB\" | "
                         "review(c1) @missing | present(ALAC) @present" }
        << "2/3 review 1 failed 0 fraction 0.6667"
        << "spotify:demo#1"
        << "";

    QTest::newRow("finish outcomes")
        << QList<QByteArray> { syncStarted(),
               playlistStarted("p", 0, { "p#0", "p#1", "p#2", "p#3", "p#4", "p#5", "p#6" }),
               trackFinished("p#0", R"("status":"ok","kind":"verified","meta":{"format":"FLAC"})"),
               trackFinished("p#1", R"("status":"ok","kind":"downloaded")"),
               trackFinished("p#2", R"("status":"ok","meta":{"format":"MP3","bitrate":"320"})"),
               trackFinished("p#3", R"("status":"low-confidence","kind":"verified")"),
               trackFinished("p#4", R"("status":"failed","detail":"No match")"),
               trackFinished("p#5", R"("status":"failed")"),
               trackFinished("p#6", R"("status":"skipped","kind":"verified")") }
        << "running"
        << QStringList { "p - []: present(FLAC) | done(ok) | done(ok MP3/320) | done(low-confidence) | "
                         "failed(No match) | failed(Failed) | done(skipped)" }
        << "7/7 review 0 failed 2 fraction 1"
        << ""
        << "";

    QTest::newRow("disk checks and steps")
        << QList<QByteArray> { syncStarted(), playlistStarted("p", 0, { "p#0", "p#1", "p#2", "p#3", "p#4" }),
               trackEvent("diskCheck", "p#0", R"("result":"present")"),
               trackEvent("diskCheck", "p#1", R"("result":"broken")"),
               trackEvent("step", "p#2", R"("phase":"converting","detail":"to AIFF")"), trackStarted("p#3") }
        << "running"
        << QStringList { "p - []: present() @present | working(searching) @broken | working(converting: "
                         "to AIFF) | "
                         "checking | queued" }
        << "1/5 review 0 failed 0 fraction 0.2"
        << ""
        << "";

    // A percentage beyond any 64-bit integer still moves the row on.
    QTest::newRow("percent beyond 64 bits")
        << QList<QByteArray> { syncStarted(), playlistStarted("p", 0, { "p#0", "p#1" }),
               trackEvent(
                   "downloadProgress", "p#0", R"("percent":18446744073709551615,"speedText":"1 MB/s")"),
               trackEvent("downloadProgress", "p#1", R"("percent":-18446744073709551615)") }
        << "running" << QStringList { "p - []: working(downloading) ~1 \"1 MB/s\" | working(downloading)" }
        << "0/2 review 0 failed 0 fraction 0"
        << ""
        << "";

    // The index points to the later group; status and orphans go to the first.
    QTest::newRow("duplicate playlist ids")
        << QList<QByteArray> { syncStarted(), playlistStarted("p", 0, { "p#0" }),
               playlistStarted("p", 1, { "p#0" }), trackFinished("p#0", R"("status":"ok","kind":"verified")"),
               line("playlistFinished", R"({"playlistId":"p","status":"ok"})"),
               line("orphansFound", R"({"playlistId":"p","paths":["/a","/b"]})"),
               line("orphansFound", R"({"playlistId":"p","paths":["/c"]})") }
        << "running" << QStringList { "p ok [/a /b /c]: queued", "p - []: present()" }
        << "1/2 review 0 failed 0 fraction 0.5"
        << ""
        << "";

    QTest::newRow("track id in two playlists") << QList<QByteArray> { syncStarted(),
        playlistStarted("a", 0, { "x", "a#1" }), playlistStarted("b", 1, { "x" }), trackStarted("x"),
        needsReview("x") } << "running" << QStringList { "a - []: queued | queued", "b - []: review(c1)" }
                                               << "0/3 review 1 failed 0 fraction 0"
                                               << "x"
                                               << "";

    QTest::newRow("unknown ids and other events change nothing")
        << QList<QByteArray> { syncStarted(), playlistStarted("p", 0, { "p#0" }), trackStarted("p#9"),
               trackEvent("downloadProgress", "q#0", R"("percent":40)"), needsReview("p"),
               line("playlistFinished", R"({"playlistId":"q","status":"failed"})"),
               line("orphansFound", R"({"paths":["/left/over.mp3"]})"),
               line("orphansFound", R"({"playlistId":"q","paths":["/q.mp3"]})"),
               line("log", R"({"level":"warn","message":"slow peer"})"),
               R"({"event":"toolProgress","data":{"tool":"ffmpeg","phase":"download","percent":20}})",
               R"({"event":"somethingNew","data":{"trackId":"p#0"}})", "ready" }
        << "running" << QStringList { "p - []: queued" } << "0/1 review 0 failed 0 fraction 0"
        << ""
        << "";

    // Old track ids must not reach anything once a new run started; the banner stays.
    QTest::newRow("new run replaces the last")
        << QList<QByteArray> { syncStarted("run-1"), playlistStarted("p", 0, { "p#0" }), needsReview("p#0"),
               errorEvent(R"({"message":"Disk full"})"),
               line("syncDone",
                   R"({"runId":"run-1","summary":{"present":0,"ok":0,"flagged":1,"failed":0,"skipped":0,)"
                   R"("upgraded":0,"removed":0}})"),
               syncStarted("run-2"), trackStarted("p#0") }
        << "running" << QStringList {} << "0/0 review 0 failed 0 fraction 0"
        << ""
        << "error: Disk full";

    QTest::newRow("review queue in group and row order")
        << QList<QByteArray> { syncStarted(), playlistStarted("a", 0, { "a#0", "a#1", "a#2" }),
               playlistStarted("b", 1, { "b#0" }), needsReview("b#0"), needsReview("a#2"), needsReview("a#0"),
               needsReview("a#1"), trackFinished("a#2", R"("status":"low-confidence")") }
        << "running"
        << QStringList { "a - []: review(c1) | review(c1) | done(low-confidence)", "b - []: review(c1)" }
        << "1/4 review 3 failed 0 fraction 0.25"
        << "a#0,a#1,b#0"
        << "";

    QTest::newRow("late done after cancel") << QList<QByteArray> { "prepare", syncStarted(), "cancel",
        line("syncDone",
            R"({"runId":"other","summary":{"present":0,"ok":0,"flagged":0,"failed":0,"skipped":0,)"
            R"("upgraded":0,"removed":0}})") }
                                            << "done" << QStringList {} << "0/0 review 0 failed 0 fraction 0"
                                            << ""
                                            << "";

    QTest::newRow("clearing keeps the banner")
        << QList<QByteArray> { syncStarted(), playlistStarted("p", 0, { "p#0" }), needsReview("p#0"),
               errorEvent(R"({"scope":"sync","code":"io","message":"Disk full"})"), "clear",
               trackStarted("p#0") }
        << "idle" << QStringList {} << "0/0 review 0 failed 0 fraction 0"
        << ""
        << "error[io]: Disk full";

    QTest::newRow("preparing hides the banner")
        << QList<QByteArray> { errorEvent(R"({"message":"Disk full"})"), "prepare" } << "preparing"
        << QStringList {} << "0/0 review 0 failed 0 fraction 0"
        << ""
        << "";

    // Nothing spins once the run is over: a row caught working is queued again.
    QTest::newRow("crash keeps the rows, none spins")
        << QList<QByteArray> { "prepare", syncStarted(), playlistStarted("p", 0, { "p#0", "p#1" }),
               trackStarted("p#0"), trackFinished("p#1", R"("status":"failed")"), "crash" }
        << "interrupted" << QStringList { "p - []: queued | failed(Failed)" }
        << "1/2 review 0 failed 1 fraction 0.5"
        << "" << kInterrupted;

    // A cancelled run takes no decisions, and the events of a helper that has not
    // seen the cancel yet start nothing spinning; what it finishes still shows.
    QTest::newRow("cancel retires reviews and settles rows")
        << QList<QByteArray> { "prepare", syncStarted(),
               playlistStarted("p", 0, { "p#0", "p#1", "p#2", "p#3", "p#4" }), trackStarted("p#0"),
               trackEvent("step", "p#1", R"("phase":"converting")"),
               trackEvent("downloadProgress", "p#2", R"("percent":40)"), needsReview("p#3"), "cancel",
               trackStarted("p#4"), trackEvent("diskCheck", "p#4", R"("result":"missing")"),
               trackEvent("downloadProgress", "p#0", R"("percent":60)"),
               trackFinished("p#1", R"("status":"ok","kind":"verified")") }
        << "cancelled"
        << QStringList { "p - []: queued | present() | queued | undecided(c1) | queued @missing" }
        << "1/5 review 0 failed 0 fraction 0.2"
        << ""
        << "";

    // A run that ended normally still takes the decisions it asked for, also
    // while a new start waits for its id; the new run's start replaces them.
    QTest::newRow("done keeps reviews while a new start waits")
        << QList<QByteArray> { syncStarted(), playlistStarted("p", 0, { "p#0", "p#1" }), needsReview("p#0"),
               line("syncDone",
                   R"({"runId":"run-1","summary":{"present":0,"ok":0,"flagged":1,"failed":0,"skipped":0,)"
                   R"("upgraded":0,"removed":0}})"),
               needsReview("p#1"), "prepare" }
        << "preparing" << QStringList { "p - []: review(c1) | review(c1)" }
        << "0/2 review 2 failed 0 fraction 0"
        << "p#0,p#1"
        << "";

    // A cancel stops only the run it was pressed for: a start not yet confirmed has
    // no rows of its own, and the earlier run still takes its decisions, also when
    // that start then comes to nothing. Its rows go when a new run replaces them or
    // when the helper that holds the run is gone (a relaunched one never had it);
    // that takes neither the phase nor the banner.
    const QList<QByteArray> finished { syncStarted(), playlistStarted("p", 0, { "p#0" }), needsReview("p#0"),
        line("syncDone",
            R"({"runId":"run-1","summary":{"present":0,"ok":0,"flagged":1,"failed":0,"skipped":0,)"
            R"("upgraded":0,"removed":0}})") };
    const QList<QByteArray> startCancelled = finished + QList<QByteArray> { "prepare", "cancel" };
    QTest::newRow("a cancelled start keeps the earlier run's reviews")
        << startCancelled << "cancelled" << QStringList { "p - []: review(c1)" }
        << "0/1 review 1 failed 0 fraction 0"
        << "p#0"
        << "";
    for (const char* outcome : { "failed", "declined" }) {
        QTest::addRow("a cancelled start that is then %s keeps them", outcome)
            << startCancelled + QList<QByteArray> { QByteArray("abandon ") + outcome + " done" }
            << "cancelled" << QStringList { "p - []: review(c1)" } << "0/1 review 1 failed 0 fraction 0"
            << "p#0"
            << "";
    }
    QTest::newRow("a cancelled start's late syncStarted replaces them")
        << startCancelled + QList<QByteArray> { "abandon failed done", syncStarted("run-2") } << "cancelled"
        << QStringList {} << "0/0 review 0 failed 0 fraction 0"
        << ""
        << "";
    for (const char* ending : { "crash", "end cleanExit" }) {
        QTest::addRow("a finished run's reviews go with its helper: %s", ending)
            << finished + QList<QByteArray> { ending } << "done" << QStringList { "p - []: undecided(c1)" }
            << "0/1 review 0 failed 0 fraction 0"
            << ""
            << "";
        QTest::addRow("a finished run's reviews go with its helper after a cancelled start: %s", ending)
            << startCancelled + QList<QByteArray> { ending } << "cancelled"
            << QStringList { "p - []: undecided(c1)" } << "0/1 review 0 failed 0 fraction 0"
            << ""
            << "";
    }

    // A decided row waits for the helper to move it on, out of the queue and the
    // count, also after the run's end; asked again, it is reviewable again.
    QTest::newRow("decided rows leave the queue")
        << QList<QByteArray> { syncStarted(), playlistStarted("p", 0, { "p#0", "p#1", "p#2" }),
               needsReview("p#0"), needsReview("p#1"), needsReview("p#2"), "decide p#0", "decide p#1",
               "decide p#1", "decide p#9", trackFinished("p#1", R"("status":"skipped")"), needsReview("p#2"),
               "decide p#2", needsReview("p#2"),
               line("syncDone",
                   R"({"runId":"run-1","summary":{"present":0,"ok":0,"flagged":2,"failed":0,"skipped":1,)"
                   R"("upgraded":0,"removed":0}})") }
        << "done" << QStringList { "p - []: decided(c1) | done(skipped) | review(c1)" }
        << "1/3 review 1 failed 0 fraction 0.3333"
        << "p#2"
        << "";
}

void TestSyncStore::foldsScripts()
{
    QFETCH(QList<QByteArray>, script);
    QFETCH(QString, phase);
    QFETCH(QStringList, groups);
    QFETCH(QString, counts);
    QFETCH(QString, queue);
    QFETCH(QString, banner);

    SyncStore store;
    QVERIFY(play(store, script));
    QCOMPARE(phaseName(store.phase()), phase);
    QCOMPARE(describeGroups(store), groups);
    QCOMPARE(countsText(store), counts);
    QCOMPARE(queueText(store), queue);
    QCOMPARE(describe(store.banner()), banner);
}

void TestSyncStore::sampleRunKeepsRunIdAndSummary()
{
    SyncStore store;
    QVERIFY(play(store, kSampleRun));
    QCOMPARE(store.runId(), std::optional(QStringLiteral("run-1")));
    QVERIFY(store.summary() == (SyncSummary { 1, 1, 1, 0, 0, 0, 0 }));
    const auto& group = *store.groups().front();
    QCOMPARE(group.name(), QStringLiteral("Late Night Drive"));
    QCOMPARE(group.index(), 0);
    QCOMPARE(group.tracks()[2]->dto().artist, QStringLiteral("GRÜPPE MÄRZ"));

    // A new start drops the run id; the rows' decisions still go by the run's.
    QVERIFY(play(store, { "prepare" }));
    QCOMPARE(store.runId(), std::nullopt);
    QCOMPARE(store.reviewRunId(), std::optional(QStringLiteral("run-1")));

    QVERIFY(play(store, { "clear" }));
    QCOMPARE(store.runId(), std::nullopt);
    QCOMPARE(store.reviewRunId(), std::nullopt);
    QCOMPARE(store.summary().has_value(), false);
}

// A run that is preparing or running is interrupted when the helper crashes or its
// event stream ends for good; in every other phase nothing changes, and the
// helper becoming ready never changes anything.
void TestSyncStore::interruptsOnlyARunningRun_data()
{
    QTest::addColumn<QList<QByteArray>>("setup");
    QTest::addColumn<QByteArray>("ending");
    QTest::addColumn<bool>("interrupts");

    const QList<std::pair<const char*, QList<QByteArray>>> phases = {
        { "idle", {} },
        { "idle with banner", { errorEvent(R"({"message":"Disk full"})") } },
        { "preparing", { "prepare" } },
        { "running", { "prepare", syncStarted(), playlistStarted("p", 0, { "p#0" }) } },
        { "running with banner",
            { "prepare", syncStarted(), proxyStatus(R"({"status":"connected","detail":"2 nodes"})") } },
        { "done",
            { syncStarted(),
                line("syncDone",
                    R"({"runId":"run-1","summary":{"present":0,"ok":0,"flagged":0,"failed":0,"skipped":0,)"
                    R"("upgraded":0,"removed":0}})") } },
        { "cancelled", { "prepare", syncStarted(), "cancel" } },
        { "interrupted, banner dismissed", { "prepare", syncStarted(), "crash", "prepare", "cancel" } },
        { "cleared", { syncStarted(), "clear" } },
    };
    const QList<QByteArray> endings
        = { "crash", "end cleanExit", "end gaveUp", "end relaunchFailed", "end clientReleased", "ready" };
    for (const auto& [phase, setup] : phases) {
        const bool running
            = QByteArray(phase).startsWith("preparing") || QByteArray(phase).startsWith("running");
        for (const QByteArray& ending : endings) {
            QTest::addRow("%s / %s", phase, ending.constData())
                << setup << ending << (running && ending != "ready");
        }
    }
}

void TestSyncStore::interruptsOnlyARunningRun()
{
    QFETCH(QList<QByteArray>, setup);
    QFETCH(QByteArray, ending);
    QFETCH(bool, interrupts);

    SyncStore store;
    QVERIFY(play(store, setup));
    const SyncPhase phaseBefore = store.phase();
    const QString bannerBefore = describe(store.banner());
    const QStringList groupsBefore = describeGroups(store);

    QVERIFY(play(store, { ending }));
    QCOMPARE(phaseName(store.phase()), interrupts ? QStringLiteral("interrupted") : phaseName(phaseBefore));
    QCOMPARE(describe(store.banner()), interrupts ? kInterrupted : bannerBefore);
    QCOMPARE(describeGroups(store), groupsBefore);

    // After a crash the stream may end as well (restarts given up): still one
    // interruption, and a dismissed banner stays dismissed.
    if (interrupts) {
        store.setBanner(std::nullopt);
        QVERIFY(play(store, { "end gaveUp" }));
        QCOMPARE(describe(store.banner()), QString());
        QCOMPARE(phaseName(store.phase()), QStringLiteral("interrupted"));
    }
}

// The row's download fraction and line for any percentage the helper may send.
void TestSyncStore::downloadProgress_data()
{
    QTest::addColumn<double>("percent");
    QTest::addColumn<std::optional<QString>>("speed");
    QTest::addColumn<std::optional<QString>>("size");
    QTest::addColumn<double>("fraction");
    QTest::addColumn<std::optional<QString>>("text");

    const auto none = std::optional<QString>();
    const auto text = [](const char* s) { return std::optional(QString::fromUtf8(s)); };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();

    QTest::newRow("speed and size") << 50.0 << text("1.2 MB/s") << text("6 MB") << 0.5
                                    << text("50% · 1.2 MB/s · 6 MB");
    QTest::newRow("only size") << 12.0 << none << text("6 MB") << 0.12 << text("12% · 6 MB");
    QTest::newRow("no texts") << 0.0 << none << none << 0.0 << text("0%");
    QTest::newRow("above 100") << 150.0 << none << none << 1.0 << text("150%");
    QTest::newRow("negative") << -5.0 << none << none << 0.0 << text("-5%");
    QTest::newRow("negative zero") << -0.0 << none << none << 0.0 << text("0%");
    QTest::newRow("half rounds up") << 2.5 << none << none << 0.025 << text("3%");
    QTest::newRow("negative half rounds down") << -2.5 << none << none << 0.0 << text("-3%");
    QTest::newRow("just below half") << 99.49 << none << none << 0.9949 << text("99%");
    QTest::newRow("NaN") << nan << text("1 MB/s") << text("6 MB") << 1.0 << text("1 MB/s · 6 MB");
    QTest::newRow("NaN alone") << nan << none << none << 1.0 << none;
    QTest::newRow("infinity") << inf << none << text("6 MB") << 1.0 << text("6 MB");
    QTest::newRow("minus infinity") << -inf << none << none << 0.0 << none;
    QTest::newRow("beyond 64 bits") << 1e19 << none << none << 1.0 << none;
    QTest::newRow("below 64 bits") << -1e19 << none << none << 0.0 << none;
    QTest::newRow("rounds to 2^63") << 9223372036854775807.0 << none << none << 1.0 << none;
    QTest::newRow("largest below 2^63")
        << 9223372036854774784.0 << none << none << 1.0 << text("9223372036854774784%");
    QTest::newRow("lowest 64-bit") << -9223372036854775808.0 << none << none << 0.0
                                   << text("-9223372036854775808%");
}

void TestSyncStore::downloadProgress()
{
    QFETCH(double, percent);
    QFETCH(std::optional<QString>, speed);
    QFETCH(std::optional<QString>, size);
    QFETCH(double, fraction);
    QFETCH(std::optional<QString>, text);

    SyncStore store;
    QVERIFY(play(store,
        { syncStarted(), playlistStarted("p", 0, { "p#0" }),
            trackEvent("downloadProgress", "p#0", R"("percent":37,"speedText":"old")") }));
    store.route(HelperEvent { HelperEvent::Server { ServerEvent { ServerEvent::DownloadProgress {
        QStringLiteral("run-1"), QStringLiteral("p#0"), percent, size, speed } } } });

    const TrackModel& row = *store.groups().front()->tracks().front();
    QCOMPARE(describe(row.state()), QStringLiteral("working(downloading)"));
    QCOMPARE(row.downloadFraction(), fraction);
    QVERIFY(!std::signbit(row.downloadFraction()));
    QCOMPARE(row.progressDetail(), text);
    QCOMPARE(row.progressFraction().value_or(-1), fraction);
}

void TestSyncStore::bannerFromProxyAndErrors_data()
{
    QTest::addColumn<QList<QByteArray>>("script");
    QTest::addColumn<QString>("banner");
    QTest::addColumn<QString>("proxy");

    QTest::newRow("connecting") << QList<QByteArray> { proxyStatus(R"({"status":"connecting"})") }
                                << "info: Connecting to Corvane VPN…"
                                << "connecting";
    QTest::newRow("connected with detail")
        << QList<QByteArray> { proxyStatus(R"({"status":"connected","detail":"3 nodes"})") }
        << "info: Soulseek is routed through Corvane VPN (3 nodes)"
        << "connected 3 nodes";
    QTest::newRow("connected") << QList<QByteArray> { proxyStatus(R"({"status":"connected"})") }
                               << "info: Soulseek is routed through Corvane VPN"
                               << "connected";
    QTest::newRow("down with detail")
        << QList<QByteArray> { proxyStatus(R"({"status":"down","detail":"timed out"})") }
        << "warning: Corvane VPN disconnected — Soulseek is paused: timed out"
        << "down timed out";
    QTest::newRow("down") << QList<QByteArray> { proxyStatus(R"({"status":"down"})") }
                          << "warning: Corvane VPN disconnected — Soulseek is paused"
                          << "down";
    QTest::newRow("error with detail")
        << QList<QByteArray> { proxyStatus(R"({"status":"error","detail":"bad key"})") }
        << "warning: Corvane VPN error — Soulseek is paused: bad key"
        << "error bad key";
    QTest::newRow("error") << QList<QByteArray> { proxyStatus(R"({"status":"error"})") }
                           << "warning: Corvane VPN error — Soulseek is paused"
                           << "error";
    QTest::newRow("off keeps the routed banner")
        << QList<QByteArray> { proxyStatus(R"({"status":"connected","detail":"3 nodes"})"),
               proxyStatus(R"({"status":"off"})") }
        << "info: Soulseek is routed through Corvane VPN (3 nodes)"
        << "off";
    QTest::newRow("off alone") << QList<QByteArray> { proxyStatus(R"({"status":"off","detail":"disabled"})") }
                               << ""
                               << "off disabled";
    QTest::newRow("engine error with code") << QList<QByteArray> { errorEvent(
        R"({"scope":"spotify","code":"spotify_auth_expired","message":"Spotify session expired"})") }
                                            << "error[spotify_auth_expired]: Spotify session expired"
                                            << "off";
    QTest::newRow("error replaces the routed banner")
        << QList<QByteArray> { proxyStatus(R"({"status":"connected"})"),
               errorEvent(R"({"message":"Disk full"})") }
        << "error: Disk full"
        << "connected";
}

void TestSyncStore::bannerFromProxyAndErrors()
{
    QFETCH(QList<QByteArray>, script);
    QFETCH(QString, banner);
    QFETCH(QString, proxy);

    SyncStore store;
    QVERIFY(play(store, script));
    QCOMPARE(describe(store.banner()), banner);
    QCOMPARE(rawString(store.proxyStatus()) + (store.proxyDetail() ? u' ' + *store.proxyDetail() : QString()),
        proxy);
}

// A burst of events in one turn gives one `changed`; a turn in which nothing the
// store shows changed gives none, and download progress is announced by the row.
void TestSyncStore::changeSignalIsCoalesced()
{
    SyncStore store;
    QSignalSpy changed(&store, &SyncStore::changed);
    QSignalSpy phaseChanged(&store, &SyncStore::phaseChanged);

    QVERIFY(play(store,
        { "prepare", syncStarted(), playlistStarted("p", 0, { "p#0", "p#1", "p#2" }), trackStarted("p#0"),
            trackFinished("p#0", R"("status":"ok")"), needsReview("p#1"), trackStarted("p#2") }));
    QCOMPARE(phaseChanged.count(), 2);
    QCOMPARE(changed.count(), 0);
    QTRY_COMPARE(changed.count(), 1);
    QCoreApplication::processEvents();
    QCOMPARE(changed.count(), 1);

    // Nothing the store shows changes here: download progress is the row's own news.
    const TrackModel& row = *store.groups().front()->tracks()[2];
    QSignalSpy rowChanged(&row, &TrackModel::changed);
    QVERIFY(play(store,
        { "ready", line("log", R"({"level":"info","message":"x"})"), trackStarted("p#9"),
            trackEvent("step", "p#2", R"("phase":"downloading")"),
            trackEvent("downloadProgress", "p#2", R"("percent":10)"),
            trackEvent("downloadProgress", "p#2", R"("percent":20,"speedText":"1 MB/s")") }));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QCOMPARE(changed.count(), 1);
    QVERIFY(!rowChanged.isEmpty());
    QCOMPARE(describe(row), QStringLiteral("working(downloading) ~0.2 \"20% · 1 MB/s\""));

    // A new run replaces the groups even under the same run id.
    QVERIFY(play(store, { syncStarted("run-1") }));
    QTRY_COMPARE(changed.count(), 2);
    QVERIFY(store.groups().isEmpty());
}

// A view that still holds a group or row of an earlier run keeps a valid object
// that the new run never writes to, and changes made to it do not reach the store.
void TestSyncStore::heldRowsOutliveTheirRun()
{
    SyncStore store;
    QVERIFY(play(store, { syncStarted("run-1"), playlistStarted("p", 0, { "p#0" }), trackStarted("p#0") }));
    const std::shared_ptr<PlaylistGroup> oldGroup = store.groups().front();
    const std::shared_ptr<TrackModel> oldRow = oldGroup->tracks().front();

    QVERIFY(play(store, { syncStarted("run-2"), playlistStarted("p", 0, { "p#0" }), needsReview("p#0") }));
    QCOMPARE(describe(*oldRow), QStringLiteral("checking"));
    QCOMPARE(oldGroup->activeCount(), 1);
    QCOMPARE(queueText(store), QStringLiteral("p#0"));
    QVERIFY(store.reviewQueue().front() != oldRow);

    QCoreApplication::processEvents();
    QSignalSpy changed(&store, &SyncStore::changed);
    oldRow->setState(TrackState::failed(QStringLiteral("gone")));
    QCOMPARE(countsText(store), QStringLiteral("0/1 review 1 failed 0 fraction 0"));
    QCoreApplication::processEvents();
    QCOMPARE(changed.count(), 0);
}

// A notice that asks the user to act (an expired sign-in, with its Reconnect)
// is never erased by a banner that only reports: it comes back when that
// banner is dismissed or withdrawn. Each step is a banner set by name,
// "dismiss", "withdraw <name>" or "start"; after each, the banner shown.
void TestSyncStore::noticeOutlivesPassingBanners_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("a failed Help over the notice, dismissed")
        << QStringList { "reconnect", "help", "dismiss" } << QStringList { "reconnect", "help", "reconnect" };
    QTest::newRow("dismissing the notice itself leaves nothing")
        << QStringList { "reconnect", "dismiss" } << QStringList { "reconnect", "" };
    QTest::newRow("two passing banners over the notice") << QStringList { "reconnect", "help", "timeout",
        "dismiss", "dismiss" } << QStringList { "reconnect", "help", "timeout", "reconnect", "" };
    QTest::newRow("the banner shown withdrawn") << QStringList { "reconnect", "timeout", "withdraw timeout" }
                                                << QStringList { "reconnect", "timeout", "reconnect" };
    QTest::newRow("a banner no longer shown withdrawn")
        << QStringList { "reconnect", "timeout", "help", "withdraw timeout", "dismiss" }
        << QStringList { "reconnect", "timeout", "help", "help", "reconnect" };
    QTest::newRow("a new notice takes the place of the one behind") << QStringList { "reconnect", "help",
        "reconnect again", "dismiss" } << QStringList { "reconnect", "help", "reconnect again", "" };
    QTest::newRow("a start forgets the notice") << QStringList { "reconnect", "help", "start", "dismiss" }
                                                << QStringList { "reconnect", "help", "", "" };
    QTest::newRow("passing banners alone") << QStringList { "help", "timeout", "dismiss", "withdraw help" }
                                           << QStringList { "help", "timeout", "", "" };
}

void TestSyncStore::noticeOutlivesPassingBanners()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, shown);

    const QString expired = QStringLiteral("spotify_auth_expired");
    const QHash<QString, SyncBanner> banners {
        { "reconnect", { SyncBanner::Kind::error, "Spotify sign-in has expired", expired } },
        { "reconnect again", { SyncBanner::Kind::error, "Spotify session expired", expired } },
        { "help", { SyncBanner::Kind::error, "No web browser could open mivo Help.", std::nullopt } },
        { "timeout", { SyncBanner::Kind::error, "The request to the helper timed out.", std::nullopt } },
    };
    const auto nameOf = [&banners](const std::optional<SyncBanner>& banner) {
        for (auto it = banners.cbegin(); it != banners.cend(); ++it) {
            if (banner == it.value())
                return it.key();
        }
        return banner ? QStringLiteral("?") : QString();
    };

    SyncStore store;
    QStringList seen;
    for (const QString& step : steps) {
        if (step == QLatin1String("dismiss"))
            store.dismissBanner();
        else if (step == QLatin1String("start"))
            store.markPreparing();
        else if (step.startsWith(QLatin1String("withdraw ")))
            store.withdrawBanner(banners.value(step.mid(9)));
        else
            store.setBanner(banners.value(step));
        seen.append(nameOf(store.banner()));
    }
    QCOMPARE(seen, shown);
}

QTEST_GUILESS_MAIN(TestSyncStore)
#include "tst_syncstore.moc"
