#include "App/AppModel.h"
#include "Styling/ConfidenceMeter.h"
#include "TestSupport/Records.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "Views/Review/CandidateListModel.h"
#include "Views/Review/ReviewInspector.h"

#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QtTest>
#include <cmath>

using namespace mivo;

using test::candidate;
using test::server;

namespace {

// A run of one playlist whose tracks 1, 2 and 3 wait for review: 1 and 3 with
// candidates of the same ids, 2 without any; the inspector in a window.
struct Fixture {
    test::ScriptedHelperClient* client = nullptr;
    std::unique_ptr<AppModel> model;
    QWidget window;
    ReviewInspector* inspector = nullptr;

    explicit Fixture(const QStringList& waiting = { "pl#1", "pl#2", "pl#3" })
    {
        auto owned = std::make_unique<test::ScriptedHelperClient>();
        client = owned.get();
        model = std::make_unique<AppModel>(std::move(owned));
        QList<TrackDTO> tracks;
        for (int row = 0; row < 4; ++row)
            tracks.append(TrackDTO { QStringLiteral("pl#%1").arg(row), QStringLiteral("Track %1").arg(row),
                QStringLiteral("Artist"), QStringLiteral("Album"), 180, ArtworkRef::none() });
        QList<HelperEvent> events { server(ServerEvent::SyncStarted { "c", "run-1", 1 }),
            server(ServerEvent::PlaylistStarted { "c", "pl", 0, "Playlist", tracks }) };
        const QList<CandidateDTO> candidates { candidate("c1", 0.9), candidate("c2", 0.62) };
        for (const QString& id : waiting) {
            events.append(server(ServerEvent::NeedsReview { "c", id, id, std::nullopt,
                id == QLatin1String("pl#2") ? QList<CandidateDTO>() : candidates }));
        }
        for (const HelperEvent& event : events)
            client->events().yield(event);
        if (!QTest::qWaitFor([this] { return client->events().bufferedCount() == 0; }))
            qFatal("the run's events were not routed");
        inspector = new ReviewInspector(*model, &window);
        window.resize(340, 700);
    }

    void pick(const QString& id)
    {
        QListView* list = inspector->candidateList();
        for (int row = 0; row < list->model()->rowCount(); ++row) {
            const QModelIndex index = list->model()->index(row, 0);
            if (index.data(CandidateListModel::IdRole).toString() == id)
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
        }
    }

    std::optional<Request> lastSent()
    {
        QTest::qWait(0);
        return client->sent().isEmpty() ? std::nullopt : std::optional(client->sent().last().request);
    }
};

QString colourName(const ThemeColor& colour)
{
    const std::pair<ThemeColor, const char*> names[] { { ThemeColor::green(), "green" },
        { ThemeColor::yellow(), "yellow" }, { ThemeColor::orange(), "orange" },
        { ThemeColor::secondary(), "secondary" } };
    for (const auto& [known, name] : names) {
        if (known == colour)
            return QString::fromLatin1(name);
    }
    return QStringLiteral("other");
}

} // namespace

class TestReviewInspector : public QObject {
    Q_OBJECT

private slots:
    void showsTheFocusedTrack()
    {
        Fixture f;
        f.window.show();
        QVERIFY(!f.inspector->showsTrack());
        f.model->focusReview(QStringLiteral("pl#3"));
        QVERIFY(f.inspector->showsTrack());
        QVERIFY(f.inspector->showsStepper());
        QCOMPARE(f.inspector->positionText(), QStringLiteral("Review 3 of 3"));
        QCOMPARE(f.inspector->candidates()->rowCount(), 2);
        QCOMPARE(f.inspector->confidenceMeter()->percent(), 90);

        f.model->focusReview(QStringLiteral("pl#2"));
        QCOMPARE(f.inspector->candidates()->rowCount(), 0);
        QCOMPARE(f.inspector->confidenceMeter()->percent(), 0);
        QVERIFY(!f.inspector->acceptBestButton()->isEnabled());

        // A focus on a track that waits for nothing shows the empty state.
        f.model->setFocusedReviewTrackId(QStringLiteral("pl#0"));
        QVERIFY(!f.inspector->showsTrack());
    }

    // A candidate's row, against a track of 180 s: the confidence as a rounded
    // percentage coloured by the raw value (green from 0.75, yellow from 0.5),
    // the length difference in secondary up to 5 s either way and orange beyond,
    // and the tag from what the candidate says of its source.
    void candidateRowTexts_data()
    {
        QTest::addColumn<QVariant>("confidence"); // a double, or none
        QTest::addColumn<double>("durationSec");
        QTest::addColumn<QStringList>("sourceFormatBitrate"); // "" for what is absent
        QTest::addColumn<QVariant>("confidenceText"); // a string, or none
        QTest::addColumn<QString>("confidenceColour");
        QTest::addColumn<QString>("deltaText");
        QTest::addColumn<QString>("deltaColour");
        QTest::addColumn<QString>("tag");

        const QStringList nothing { "", "", "" };
        const QString minus = QStringLiteral("\u2212");
        QTest::newRow("0.75 is green") << QVariant(0.75) << 180.0 << nothing << QVariant("75%") << "green"
                                       << "\u00b10s"
                                       << "secondary"
                                       << "Channel";
        QTest::newRow("0.749 is yellow though it reads 75%")
            << QVariant(0.749) << 180.0 << nothing << QVariant("75%") << "yellow"
            << "\u00b10s"
            << "secondary"
            << "Channel";
        QTest::newRow("0.5 is yellow") << QVariant(0.5) << 180.0 << nothing << QVariant("50%") << "yellow"
                                       << "\u00b10s"
                                       << "secondary"
                                       << "Channel";
        QTest::newRow("0.4999 is orange though it reads 50%")
            << QVariant(0.4999) << 180.0 << nothing << QVariant("50%") << "orange"
            << "\u00b10s"
            << "secondary"
            << "Channel";
        QTest::newRow("a half rounds away from zero")
            << QVariant(0.125) << 180.0 << nothing << QVariant("13%") << "orange"
            << "\u00b10s"
            << "secondary"
            << "Channel";
        QTest::newRow("no confidence, no percentage") << QVariant() << 180.0 << nothing << QVariant() << ""
                                                      << "\u00b10s"
                                                      << "secondary"
                                                      << "Channel";
        QTest::newRow("a percentage too large to show")
            << QVariant(1e300) << 180.0 << nothing << QVariant("\u2014") << "green"
            << "\u00b10s"
            << "secondary"
            << "Channel";
        QTest::newRow("no number at all")
            << QVariant(std::nan("")) << 180.0 << nothing << QVariant("\u2014") << "orange"
            << "\u00b10s"
            << "secondary"
            << "Channel";
        QTest::newRow("5 s longer is within") << QVariant() << 185.0 << nothing << QVariant() << ""
                                              << "+5s"
                                              << "secondary"
                                              << "Channel";
        QTest::newRow("5.5 s longer is beyond") << QVariant() << 185.5 << nothing << QVariant() << ""
                                                << "+6s"
                                                << "orange"
                                                << "Channel";
        QTest::newRow("5 s shorter is within")
            << QVariant() << 175.0 << nothing << QVariant() << "" << minus + "5s"
            << "secondary"
            << "Channel";
        QTest::newRow("5.5 s shorter is beyond")
            << QVariant() << 174.5 << nothing << QVariant() << "" << minus + "6s"
            << "orange"
            << "Channel";
        QTest::newRow("a bitrate alone")
            << QVariant() << 180.0 << QStringList { "", "", "320" } << QVariant() << ""
            << "\u00b10s"
            << "secondary"
            << "320";
        QTest::newRow("source, format and bitrate")
            << QVariant() << 180.0 << QStringList { "soulseek", "flac", "1411" } << QVariant() << ""
            << "\u00b10s"
            << "secondary"
            << "soulseek \u00b7 flac \u00b7 1411";
        QTest::newRow("a format alone")
            << QVariant() << 180.0 << QStringList { "", "mp3", "" } << QVariant() << ""
            << "\u00b10s"
            << "secondary"
            << "mp3";
    }
    void candidateRowTexts()
    {
        QFETCH(QVariant, confidence);
        QFETCH(double, durationSec);
        QFETCH(QStringList, sourceFormatBitrate);
        QFETCH(QVariant, confidenceText);
        QFETCH(QString, confidenceColour);
        QFETCH(QString, deltaText);
        QFETCH(QString, deltaColour);
        QFETCH(QString, tag);

        CandidateDTO c = candidate(QStringLiteral("c1"), std::nullopt);
        if (confidence.isValid())
            c.confidence = confidence.toDouble();
        c.durationSec = durationSec;
        const auto part = [&](int i) {
            return sourceFormatBitrate[i].isEmpty() ? std::nullopt : std::optional(sourceFormatBitrate[i]);
        };
        c.source = part(0);
        c.format = part(1);
        if (part(2))
            c.bitrateKbps = part(2)->toInt();

        CandidateListModel rows;
        rows.setCandidates({ c }, 180);
        const CandidateRow& row = rows.row(0);
        QCOMPARE(row.confidenceText.has_value(), confidenceText.isValid());
        if (confidenceText.isValid()) {
            QCOMPARE(*row.confidenceText, confidenceText.toString());
            QCOMPARE(colourName(row.confidenceColor), confidenceColour);
        }
        QCOMPARE(row.deltaText, deltaText);
        QCOMPARE(colourName(row.deltaColor), deltaColour);
        QCOMPARE(row.sourceTag, tag);
    }

    // Which decisions are offered, from the candidates, the pick and the address field.
    void actionsOnOffer_data()
    {
        QTest::addColumn<QString>("track");
        QTest::addColumn<QString>("picked");
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("useSelected");
        QTest::addColumn<bool>("useURL");
        QTest::addColumn<bool>("acceptBest");
        QTest::newRow("nothing entered") << "pl#1" << "" << "" << false << false << true;
        QTest::newRow("a pick") << "pl#1" << "c2" << "" << true << false << true;
        QTest::newRow("a pick wins over an address")
            << "pl#1" << "c2" << "https://example.org/a" << true << false << true;
        QTest::newRow("an address") << "pl#1" << "" << "https://example.org/a" << false << true << true;
        QTest::newRow("only spaces is no address") << "pl#1" << "" << "   " << false << false << true;
        QTest::newRow("no candidates") << "pl#2" << "" << "" << false << false << false;
        QTest::newRow("no candidates, an address")
            << "pl#2" << "" << " https://example.org/x " << false << true << false;
        QTest::newRow("text that is no address") << "pl#2" << "" << "not a url" << false << false << false;
        QTest::newRow("an address without a host") << "pl#1" << "" << "https://" << false << false << true;
    }
    void actionsOnOffer()
    {
        QFETCH(QString, track);
        QFETCH(QString, picked);
        QFETCH(QString, url);
        QFETCH(bool, useSelected);
        QFETCH(bool, useURL);
        QFETCH(bool, acceptBest);

        Fixture f;
        f.window.show();
        f.model->focusReview(track);
        if (!picked.isEmpty())
            f.pick(picked);
        f.inspector->urlField()->setText(url);
        QCOMPARE(f.inspector->useSelectedButton()->isVisibleTo(f.inspector), useSelected);
        QCOMPARE(f.inspector->useURLButton()->isVisibleTo(f.inspector), useURL);
        QCOMPARE(f.inspector->acceptBestButton()->isEnabled(), acceptBest);
        QVERIFY(f.inspector->skipButton()->isEnabled());
    }

    // A pick belongs to the track it was made on: stepping to a track with a
    // candidate of the same id must not carry it over.
    void pickIsDroppedWhenTheFocusMoves()
    {
        Fixture f;
        f.window.show();
        f.model->focusReview(QStringLiteral("pl#1"));
        f.pick(QStringLiteral("c1"));
        QCOMPARE(f.inspector->candidates()->selectedId(), QStringLiteral("c1"));
        f.inspector->urlField()->setText(QStringLiteral("https://example.org/kept"));

        f.model->stepReview(-1);
        QCOMPARE(f.model->focusedReviewTrackId(), QStringLiteral("pl#3"));
        QCOMPARE(f.inspector->candidates()->selectedId(), std::nullopt);
        QVERIFY(!f.inspector->useSelectedButton()->isVisibleTo(f.inspector));
        // The address field is the inspector's, not the track's.
        QCOMPARE(f.inspector->urlField()->text(), QStringLiteral("https://example.org/kept"));
        QVERIFY(f.inspector->useURLButton()->isVisibleTo(f.inspector));
    }

    void decisionsMoveTheFocus()
    {
        Fixture f;
        f.window.show();
        f.model->focusReview(QStringLiteral("pl#3"));
        f.pick(QStringLiteral("c2"));
        QTest::mouseClick(f.inspector->useSelectedButton(), Qt::LeftButton);
        QCOMPARE(f.lastSent(), Request::reviewDecision("run-1", "pl#3", ReviewDecision::candidate("c2")));
        QCOMPARE(f.model->focusedReviewTrackId(), QStringLiteral("pl#1"));
        QCOMPARE(f.inspector->candidates()->selectedId(), std::nullopt);

        // Return in a field of spaces sends nothing; with an address it sends it trimmed.
        f.client->clearSent();
        f.inspector->urlField()->setText(QStringLiteral("   "));
        QTest::keyClick(f.inspector->urlField(), Qt::Key_Return);
        QCOMPARE(f.lastSent(), std::nullopt);
        f.inspector->urlField()->setText(QStringLiteral(" https://example.org/b "));
        QTest::keyClick(f.inspector->urlField(), Qt::Key_Return);
        QCOMPARE(f.lastSent(),
            Request::reviewDecision("run-1", "pl#1", ReviewDecision::url("https://example.org/b")));
        QVERIFY(f.inspector->urlField()->text().isEmpty());
        QCOMPARE(f.model->focusedReviewTrackId(), QStringLiteral("pl#2"));

        QTest::mouseClick(f.inspector->skipButton(), Qt::LeftButton);
        QCOMPARE(f.lastSent(), Request::reviewDecision("run-1", "pl#2", ReviewDecision::skip()));
    }

    void lastDecisionClosesTheInspector()
    {
        Fixture f({ "pl#1" });
        f.window.show();
        f.model->focusReview(QStringLiteral("pl#1"));
        QVERIFY(!f.inspector->showsStepper());
        QTest::mouseClick(f.inspector->acceptBestButton(), Qt::LeftButton);
        QCOMPARE(f.lastSent(), Request::reviewDecision("run-1", "pl#1", ReviewDecision::accept()));
        QCOMPARE(f.model->focusedReviewTrackId(), std::nullopt);
        QVERIFY(!f.model->isInspectorPresented());
        QVERIFY(!f.inspector->showsTrack());
    }

    void stepperShortcuts_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("to");
        QTest::newRow("next") << "pl#1" << int(Qt::Key_BracketRight) << "pl#2";
        QTest::newRow("next from the last wraps") << "pl#3" << int(Qt::Key_BracketRight) << "pl#1";
        QTest::newRow("previous from the first wraps") << "pl#1" << int(Qt::Key_BracketLeft) << "pl#3";
    }
    void stepperShortcuts()
    {
        QFETCH(QString, from);
        QFETCH(int, key);
        QFETCH(QString, to);

        Fixture f;
        f.window.show();
        QApplication::setActiveWindow(&f.window);
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        f.model->focusReview(from);
        QTest::keyClick(&f.window, Qt::Key(key), Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(f.model->focusedReviewTrackId(), to);
    }

    // Once the run is no longer live nothing is offered.
    void deadRunIsAllCaughtUp()
    {
        Fixture f;
        f.window.show();
        f.model->focusReview(QStringLiteral("pl#1"));
        QVERIFY(f.inspector->showsTrack());
        f.model->cancelSync();
        QTRY_VERIFY(!f.inspector->showsTrack());
    }
};

QTEST_MAIN(TestReviewInspector)
#include "tst_reviewinspector.moc"
