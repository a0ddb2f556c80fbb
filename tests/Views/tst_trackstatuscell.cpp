#include "State/TrackModel.h"
#include "Views/Detail/TrackStatusCell.h"

#include <QtTest>

using namespace mivo;
using Kind = TrackStatusCell::Kind;
using Button = std::optional<PaintedButtons::Kind>;

Q_DECLARE_METATYPE(mivo::TrackState)
Q_DECLARE_METATYPE(mivo::StatusRole)
Q_DECLARE_METATYPE(mivo::TrackStatusCell::Kind)
Q_DECLARE_METATYPE(std::optional<mivo::PaintedButtons::Kind>)
Q_DECLARE_METATYPE(std::optional<QString>)

// What the Status column shows for every state and phase of a track, what
// assistive technology reads for it, and which button it offers.
class TestTrackStatusCell : public QObject {
    Q_OBJECT

private slots:
    void contentFollowsTheState_data()
    {
        QTest::addColumn<TrackState>("state");
        QTest::addColumn<double>("fraction");
        QTest::addColumn<std::optional<QString>>("detail");
        QTest::addColumn<bool>("reduceMotion");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<StatusRole>("role");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("prominent");
        QTest::addColumn<Button>("button");
        QTest::addColumn<QString>("spoken");
        QTest::addColumn<bool>("spins");

        const std::optional<QString> none;
        const TrackMeta meta { QStringLiteral("FLAC"), std::nullopt, QStringLiteral("bandcamp") };
        QTest::newRow("queued") << TrackState::queued() << 0.0 << none << false << Kind::pill
                                << StatusRole::queued << "Queued" << false << Button() << "Queued" << false;
        QTest::newRow("checking disk, also under reduced motion")
            << TrackState::checkingDisk() << 0.0 << none << true << Kind::activity << StatusRole::working
            << "Checking disk" << false << Button() << "Checking disk" << true;
        QTest::newRow("present") << TrackState::present(meta) << 0.0 << none << false << Kind::pill
                                 << StatusRole::present << "On disk" << false << Button() << "On disk"
                                 << false;
        QTest::newRow("downloading before any progress")
            << TrackState::working(Phase::downloading) << 0.0 << none << false << Kind::download
            << StatusRole::working << "0%" << false << Button() << "Downloading, 0 percent" << false;
        QTest::newRow("downloading, a half rounds away from zero")
            << TrackState::working(Phase::downloading, QStringLiteral("slsk")) << 0.425 << none << false
            << Kind::download << StatusRole::working << "43%" << false << Button()
            << "Downloading, 43 percent" << false;
        QTest::newRow("downloading with a download line")
            << TrackState::working(Phase::downloading) << 0.42
            << std::optional(QStringLiteral("42% · 1.2 MB/s · 8 MB")) << false << Kind::download
            << StatusRole::working << "42% · 1.2 MB/s · 8 MB" << false << Button()
            << "Downloading, 42 percent" << false;
        QTest::newRow("searching shows the phase")
            << TrackState::working(Phase::searching) << 0.0 << none << false << Kind::activity
            << StatusRole::working << "Searching" << false << Button() << "Searching" << true;
        QTest::newRow("tagging shows its detail, speaks the phase")
            << TrackState::working(Phase::tagging, QStringLiteral("Writing ID3")) << 0.0 << none << false
            << Kind::activity << StatusRole::working << "Writing ID3" << false << Button() << "Tagging"
            << true;
        QTest::newRow("converting under reduced motion keeps a still place")
            << TrackState::working(Phase::converting) << 0.0 << none << true << Kind::activity
            << StatusRole::working << "Converting" << false << Button() << "Converting" << false;
        QTest::newRow("awaiting review")
            << TrackState::awaitingReview({}) << 0.0 << none << false << Kind::review << StatusRole::review
            << "" << false << Button(PaintedButtons::Kind::review) << "Needs review" << false;
        QTest::newRow("decided, before the helper moves it on")
            << TrackState { TrackState::AwaitingReview { {}, true } } << 0.0 << none << false << Kind::pill
            << StatusRole::review << "Decision sent" << false << Button() << "Decision sent" << false;
        QTest::newRow("undecided when its run stopped")
            << TrackState::undecided({}) << 0.0 << none << false << Kind::pill << StatusRole::review
            << "Not reviewed" << false << Button() << "Not reviewed" << false;
        QTest::newRow("done") << TrackState::done(Finish::ok, meta) << 0.0 << none << false << Kind::pill
                              << StatusRole::done << "Done" << true << Button() << "Done" << false;
        QTest::newRow("done with low confidence")
            << TrackState::done(Finish::lowConfidence, meta) << 0.0 << none << false << Kind::pill
            << StatusRole::review << "Low confidence" << false << Button() << "Low confidence" << false;
        QTest::newRow("done failed") << TrackState::done(Finish::failed, std::nullopt) << 0.0 << none << false
                                     << Kind::pill << StatusRole::failed << "Failed" << false << Button()
                                     << "Failed" << false;
        QTest::newRow("done skipped")
            << TrackState::done(Finish::skipped, std::nullopt) << 0.0 << none << false << Kind::pill
            << StatusRole::skipped << "Skipped" << false << Button() << "Skipped" << false;
        QTest::newRow("failed shows its reason and Retry")
            << TrackState::failed(QStringLiteral("No match found")) << 0.0 << none << false << Kind::failure
            << StatusRole::failed << "No match found" << false << Button(PaintedButtons::Kind::retry)
            << "No match found" << false;
    }
    void contentFollowsTheState()
    {
        QFETCH(TrackState, state);
        QFETCH(double, fraction);
        QFETCH(std::optional<QString>, detail);
        QFETCH(bool, reduceMotion);
        QFETCH(Kind, kind);
        QFETCH(StatusRole, role);
        QFETCH(QString, text);
        QFETCH(bool, prominent);
        QFETCH(Button, button);
        QFETCH(QString, spoken);
        QFETCH(bool, spins);

        TrackModel track(QStringLiteral("p#0"), QStringLiteral("Title"), QStringLiteral("Artist"), 200);
        track.setState(state);
        track.setDownloadFraction(fraction);
        track.setProgressDetail(detail);

        const TrackStatusCell::Content content = TrackStatusCell::content(track, reduceMotion);
        QCOMPARE(content.kind, kind);
        QCOMPARE(content.role, role);
        QCOMPARE(content.text, text);
        QCOMPARE(content.prominent, prominent);
        QCOMPARE(content.button, button);
        QCOMPARE(TrackStatusCell::accessibleText(content), spoken);
        QCOMPARE(TrackStatusCell::spins(content), spins);
        QCOMPARE(TrackStatusCell::spins(track, reduceMotion), spins);
        if (kind == Kind::download)
            QCOMPARE(content.fraction, fraction);
    }
};

QTEST_MAIN(TestTrackStatusCell)
#include "tst_trackstatuscell.moc"
