#include "App/AppModel.h"
#include "Services/UpdaterModel.h"
#include "Support/SampleData.h"
#include "TestSupport/ManualClock.h"
#include "TestSupport/Records.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "TestSupport/TaskProbe.h"
#include "Transport/ResultRecords.h"
#include "Views/MainCommands.h"
#include "Views/Toolbar/MainToolbar.h"
#include "Views/Toolbar/ToolbarButton.h"
#include "Views/Toolbar/VPNToolbarControl.h"

#include <QAction>
#include <QGuiApplication>
#include <QMainWindow>
#include <QStyleHints>
#include <QToolBar>
#include <QtTest>

using namespace mivo;
using Outcome = test::ScriptedHelperClient::Outcome;

using test::server;

namespace {

PlaylistDTO playlist(const QString& id, bool isFolder)
{
    return test::playlist(id, PlaylistSourceId::spotify, id, isFolder);
}

// The tool bar of a window on a model with a scripted helper and a small library.
struct Fixture {
    // What the tool bar measures a burst of presses on.
    test::ManualClock clock;
    test::ScriptedHelperClient* client = nullptr;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<UpdaterModel> updater;
    std::unique_ptr<MainCommands> commands;
    QMainWindow window;
    QToolBar* bar = nullptr;
    MainToolbar* toolbar = nullptr;

    Fixture()
    {
        auto owned = std::make_unique<test::ScriptedHelperClient>();
        client = owned.get();
        model = std::make_unique<AppModel>(std::move(owned));
        updater = std::make_unique<UpdaterModel>(&model->sync());
        commands = std::make_unique<MainCommands>(*model, *updater);
        bar = window.addToolBar(QStringLiteral("Main"));
        toolbar = new MainToolbar(*model, *commands, bar, clock);
        client->enqueue(Method::listPlaylists,
            Outcome::encoded(ListPlaylistsResult { { playlist("folder", true), playlist("mix", false) } }));
        QCoro::waitFor(model->library()->refresh(std::nullopt));
        window.resize(900, 300);
        window.show();
    }

    void configure(bool subscription)
    {
        SafeConfig config = SampleData::sampleConfig();
        config.proxy = SafeConfig::Proxy { false, subscription };
        client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { config }));
        QCoro::waitFor(model->settings()->refresh());
    }

    void deliver(const QList<HelperEvent>& events)
    {
        for (const HelperEvent& event : events)
            client->events().yield(event);
        QVERIFY(QTest::qWaitFor([this] { return client->events().bufferedCount() == 0; }));
        QTest::qWait(0);
    }

    bool shows(QWidget* button) const { return button->isVisibleTo(&window); }
};

} // namespace

class TestMainToolbar : public QObject {
    Q_OBJECT

private slots:
    void followsTheModel()
    {
        Fixture f;
        const MainToolbar& t = *f.toolbar;
        QVERIFY(f.shows(t.syncButton()) && !t.syncButton()->isEnabled());
        QVERIFY(!f.shows(t.cancelButton()) && !f.shows(t.reviewButton()));
        QCOMPARE(t.vpnControl(), nullptr);
        QCOMPARE(t.syncButton()->toolTip(),
            QStringLiteral("Sync the selected playlists (%1)")
                .arg(QKeySequence(Qt::CTRL | Qt::Key_R).toString(QKeySequence::NativeText)));
        QCOMPARE(t.cancelButton()->toolTip(),
            QStringLiteral("Cancel the running sync (%1)")
                .arg(QKeySequence(Qt::CTRL | Qt::Key_Period).toString(QKeySequence::NativeText)));
        for (const ToolbarButton* button : { t.syncButton(), t.cancelButton(), t.reviewButton() })
            QVERIFY(button->shortcut().isEmpty());

        // Folders alone do not make a selection to sync.
        f.model->library()->setSelection({ QStringLiteral("folder"), QStringLiteral("gone") });
        QVERIFY(!t.syncButton()->isEnabled());
        f.model->library()->setSelection({ QStringLiteral("folder"), QStringLiteral("mix") });
        QVERIFY(t.syncButton()->isEnabled());

        // The VPN control only while a subscription is stored, made afresh each time.
        f.configure(true);
        QPointer<VPNToolbarControl> first = t.vpnControl();
        QVERIFY(first);
        QTRY_VERIFY(f.shows(first));
        f.configure(false);
        QCOMPARE(t.vpnControl(), nullptr);
        QTRY_VERIFY(!first);

        // A run with two tracks waiting.
        const QList<TrackDTO> tracks { TrackDTO { "pl#0", "A", "B", {}, 100, ArtworkRef::none() },
            TrackDTO { "pl#1", "C", "D", {}, 100, ArtworkRef::none() } };
        f.deliver({ server(ServerEvent::SyncStarted { "c", "run-1", 1 }),
            server(ServerEvent::PlaylistStarted { "c", "pl", 0, "Playlist", tracks }),
            server(ServerEvent::NeedsReview { "c", "pl#0", "", std::nullopt, {} }) });
        QTRY_VERIFY(f.shows(t.cancelButton()) && t.cancelButton()->isEnabled() && !f.shows(t.syncButton()));
        QCOMPARE(t.reviewButton()->text(), QStringLiteral("1 review"));
        f.deliver({ server(ServerEvent::NeedsReview { "c", "pl#1", "", std::nullopt, {} }) });
        QCOMPARE(t.reviewButton()->text(), QStringLiteral("2 reviews"));
        QTRY_VERIFY(f.shows(t.reviewButton()));

        QTest::mouseClick(t.reviewButton(), Qt::LeftButton);
        QVERIFY(f.model->isInspectorPresented());
        QCOMPARE(f.model->focusedReviewTrackId(), QStringLiteral("pl#0"));

        // Well after Cancel Sync took the place of Sync.
        f.clock.advance(std::chrono::milliseconds(QGuiApplication::styleHints()->mouseDoubleClickInterval()));
        QTest::mouseClick(t.cancelButton(), Qt::LeftButton);
        QCOMPARE(f.model->sync().phase(), SyncPhase::cancelled);
        QTRY_VERIFY(f.shows(t.syncButton()) && t.syncButton()->isEnabled() && !f.shows(t.cancelButton()));
    }
};

QTEST_MAIN(TestMainToolbar)
#include "tst_maintoolbar.moc"
