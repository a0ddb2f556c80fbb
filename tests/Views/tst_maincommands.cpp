#include "App/AppModel.h"
#include "Base/Bundle.h"
#include "Services/UpdateFramework.h"
#include "Services/UpdaterModel.h"
#include "TestSupport/UnstartedModel.h"
#include "TestSupport/Records.h"
#include "TestSupport/ScopedEnvironment.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "TestSupport/StandInXdgOpen.h"
#include "TestSupport/TaskProbe.h"
#include "TestSupport/TestPaths.h"
#include "Transport/ResultRecords.h"
#include "Views/MainCommands.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>

using namespace mivo;
using test::ScriptedHelperClient;
using Outcome = ScriptedHelperClient::Outcome;

using test::server;

namespace {

QCoro::Task<bool> answer(bool shown)
{
    co_return shown;
}

struct CountingUpdates : UpdateFramework {
    void checkForUpdates() override { ++(*checks); }
    bool automaticallyChecksForUpdates() const override { return false; }
    void setAutomaticallyChecksForUpdates(bool) override { }
    std::shared_ptr<int> checks = std::make_shared<int>(0);
};

struct Fixture {
    ScriptedHelperClient* client;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<UpdaterModel> updater;
    std::unique_ptr<MainCommands> commands;
    std::shared_ptr<int> updateChecks;

    Fixture()
    {
        auto owned = std::make_unique<ScriptedHelperClient>();
        client = owned.get();
        model = std::make_unique<AppModel>(std::move(owned));
        auto updates = std::make_unique<CountingUpdates>();
        updateChecks = updates->checks;
        updater = std::make_unique<UpdaterModel>(std::move(updates), QStringLiteral("1.0"));
        commands = std::make_unique<MainCommands>(*model, *updater);
    }

    bool deliver(const QList<HelperEvent>& events)
    {
        for (const HelperEvent& event : events)
            client->events().yield(event);
        return QTest::qWaitFor([this] { return client->events().bufferedCount() == 0; });
    }

    // One step of a run as the user and the helper make it.
    bool step(const QString& name)
    {
        if (name == u"prepare") {
            model->sync().markPreparing();
            return true;
        }
        if (name == u"start") {
            TrackDTO track;
            track.id = QStringLiteral("t1");
            return deliver({ server(ServerEvent::SyncStarted { "c", "run-1", 1 }),
                server(ServerEvent::PlaylistStarted { "c", "pl", 0, "Playlist", { track } }) });
        }
        if (name == u"review")
            return deliver({ server(ServerEvent::NeedsReview { "c", "t1", "t1", std::nullopt, {} }) });
        if (name == u"cancel") {
            model->cancelSync();
            return true;
        }
        if (name == u"select") { // a playlist in the library, selected
            client->enqueue(Method::listPlaylists,
                Outcome::encoded(
                    ListPlaylistsResult { { test::playlist("pl", PlaylistSourceId::spotify, "One") } }));
            QCoro::waitFor(model->library()->refresh());
            model->library()->setSelection({ "pl" });
            client->clearSent();
            return model->library()->selectedPlaylistCount() == 1;
        }
        if (name == u"decline") { // a start with nothing selected goes back to where it was
            model->startSync();
            return QTest::qWaitFor([this] { return model->sync().banner().has_value(); });
        }
        return false;
    }
};

} // namespace

class TestMainCommands : public QObject {
    Q_OBJECT

private slots:
    void enablementFollowsTheRun_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<bool>("sync");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<bool>("review");

        QTest::newRow("idle") << QStringList {} << true << false << false;
        QTest::newRow("preparing") << QStringList { "prepare" } << false << true << false;
        QTest::newRow("running") << QStringList { "prepare", "start" } << false << true << false;
        QTest::newRow("running with a track awaiting review")
            << QStringList { "prepare", "start", "review" } << false << true << true;
        // A stopped run's reviews can no longer be decided.
        QTest::newRow("cancelled with a track awaiting review")
            << QStringList { "prepare", "start", "review", "cancel" } << true << false << false;
        QTest::newRow("a declined start returns to idle")
            << QStringList { "decline" } << true << false << false;
    }
    void enablementFollowsTheRun()
    {
        QFETCH(QStringList, steps);
        QFETCH(bool, sync);
        QFETCH(bool, cancel);
        QFETCH(bool, review);
        Fixture f;
        for (const QString& step : steps)
            QVERIFY2(f.step(step), qPrintable(step));
        // Enablement follows coalesced notifications too.
        QTRY_COMPARE(f.commands->reviewMatchesAction()->isEnabled(), review);
        QCOMPARE(f.commands->syncAction()->isEnabled(), sync);
        QCOMPARE(f.commands->cancelSyncAction()->isEnabled(), cancel);
        QVERIFY(f.commands->refreshLibraryAction()->isEnabled());
        QVERIFY(f.commands->revealOutputAction()->isEnabled());
    }

    void menusInOrderWithApplicationWideShortcuts()
    {
        Fixture f;
        QMenuBar bar;
        f.commands->populate(&bar);
        const QList<QAction*> menus = bar.actions();
        QCOMPARE(menus.size(), 2);
        QStringList file;
        for (const QAction* action : menus[0]->menu()->actions())
            file.append(action->isSeparator() ? QStringLiteral("—")
                                              : action->text() + u' ' + MainCommands::shortcutText(action));
        QCOMPARE(file,
            (QStringList { "Sync Ctrl+R", "Cancel Sync Ctrl+.", "Refresh Library Ctrl+Shift+R",
                "Reveal Output Folder ", "—", "Review Matches Ctrl+Alt+R", "—", "Settings… Ctrl+,", "—",
                "Quit Ctrl+Q" }));
        QStringList help;
        for (const QAction* action : menus[1]->menu()->actions())
            help.append(action->text());
        QCOMPARE(help, (QStringList { "mivo Help", "About mivo", "Check for Updates\u2026" }));
        for (const QAction* action : menus[0]->menu()->actions())
            QVERIFY(action->isSeparator() || action->shortcutContext() == Qt::ApplicationShortcut);
    }

    void revealOutputExpandsTheHomeFolder_data()
    {
        QTest::addColumn<std::optional<QString>>("outputDir");
        QTest::addColumn<QStringList>("revealed");

        QTest::newRow("tilde") << std::optional<QString>("~/Music/Sets")
                               << QStringList { QDir::homePath() + "/Music/Sets" };
        QTest::newRow("absolute") << std::optional<QString>("/srv/music") << QStringList { "/srv/music" };
        QTest::newRow("no folder set") << std::optional<QString>() << QStringList {};
    }
    void revealOutputExpandsTheHomeFolder()
    {
        QFETCH(std::optional<QString>, outputDir);
        QFETCH(QStringList, revealed);
        Fixture f;
        QStringList seen;
        f.commands->setReveal([&seen](QString path) {
            seen.append(path);
            return answer(true);
        });

        f.commands->revealOutputAction()->trigger(); // no configuration read yet
        QVERIFY(seen.isEmpty());

        SafeConfig config;
        config.outputDir = outputDir;
        f.client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { config }));
        QCoro::waitFor(f.model->settings()->refresh());
        f.commands->revealOutputAction()->trigger();
        QCOMPARE(seen, revealed);
    }

    // When no file manager or web browser could be started, the sync banner
    // says so in one line.
    void actionsThatCouldNotBeDoneSaySo()
    {
        Fixture f;
        f.commands->setReveal([](QString) { return answer(false); });
        QList<QUrl> opened;
        bool browser = true;
        f.commands->setOpenUrl([&](QUrl url) {
            opened.append(url);
            return answer(browser);
        });
        SafeConfig config;
        config.outputDir = QStringLiteral("~/Music/Sets");
        f.client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { config }));
        QCoro::waitFor(f.model->settings()->refresh());

        f.commands->revealOutputAction()->trigger();
        QTRY_VERIFY(f.model->sync().banner().has_value());
        QCOMPARE(f.model->sync().banner()->message,
            QStringLiteral("No file manager could show \u201C~/Music/Sets\u201D."));
        QCOMPARE(f.model->sync().banner()->kind, SyncBanner::Kind::error);

        // The tests run outside a bundle: no help page ships beside them.
        f.commands->helpAction()->trigger();
        QVERIFY(opened.isEmpty());
        QCOMPARE(f.model->sync().banner()->message,
            QStringLiteral("mivo Help is missing from this installation."));

        f.model->sync().setBanner(std::nullopt);
        f.commands->setHelpPage(QStringLiteral("/opt/mivo.app/Contents/Resources/Help/index.html"));
        f.commands->helpAction()->trigger();
        QCOMPARE(opened,
            QList<QUrl> {
                QUrl::fromLocalFile(QStringLiteral("/opt/mivo.app/Contents/Resources/Help/index.html")) });
        QCOMPARE(f.model->sync().banner(), std::nullopt);
        browser = false;
        f.commands->helpAction()->trigger();
        QCOMPARE(opened.size(), 2);
        QVERIFY(f.model->sync().banner().has_value());
        QCOMPARE(f.model->sync().banner()->message, QStringLiteral("No web browser could open mivo Help."));
    }

    // Without a stand-in opener the page goes to xdg-open, whose failure to
    // find a browser shows in the banner, not only in the log.
    void helpSaysWhenXdgOpenFindsNoBrowser()
    {
        test::StandInXdgOpen xdgOpen("exit 3");
        Fixture f;
        const QString page = QStringLiteral("/opt/mivo/Help/index.html");
        f.commands->setHelpPage(page);

        f.commands->helpAction()->trigger();
        QTRY_VERIFY(f.model->sync().banner().has_value());
        QCOMPARE(f.model->sync().banner()->message, QStringLiteral("No web browser could open mivo Help."));
        QCOMPARE(xdgOpen.arguments(), QStringList { page });
    }

    // The page "mivo Help" opens is a file of the built application, and it
    // covers what a new user needs.
    void theHelpPageShipsInTheBundle()
    {
        const QString bundle = QFileInfo(test::standInHelperPath()).absolutePath() + QStringLiteral("/../..");
        const std::optional<QString> page
            = Bundle(bundle).resourcePath(QString::fromLatin1(MainCommands::kHelpPage));
        QVERIFY(page);
        QFile file(*page);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        QVERIFY(html.contains(QLatin1String("<title>mivo Help</title>")));
        for (const char* section : { "what", "first-run", "sync", "reviews", "leftovers", "files" })
            QVERIFY2(html.contains(QStringLiteral("id=\"%1\"").arg(QLatin1String(section))), section);
    }

    // Each command does its model's work: what it sends the helper and what
    // it changes in the window's state.
    void commandsReachTheModel_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QList<Request>>("sent");
        QTest::addColumn<SyncPhase>("phase");
        QTest::addColumn<bool>("inspector");

        const PlaylistSelection one { PlaylistSourceId::spotify, "pl", "One" };
        QTest::newRow("Sync starts the selection")
            << QStringList { "select" } << "Sync" << QList { Request::startSync({ one }) }
            << SyncPhase::preparing << false;
        QTest::newRow("Cancel Sync stops the run")
            << QStringList { "prepare", "start" } << "Cancel Sync" << QList { Request::cancelSync("run-1") }
            << SyncPhase::cancelled << false;
        QTest::newRow("Refresh Library reads every source")
            << QStringList {} << "Refresh Library" << QList { Request::listPlaylists() } << SyncPhase::idle
            << false;
        QTest::newRow("Review Matches opens the inspector on the waiting track")
            << QStringList { "prepare", "start", "review" } << "Review Matches" << QList<Request> {}
            << SyncPhase::running << true;
    }
    void commandsReachTheModel()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, command);
        QFETCH(QList<Request>, sent);
        QFETCH(SyncPhase, phase);
        QFETCH(bool, inspector);
        Fixture f;
        for (const QString& step : steps)
            QVERIFY2(f.step(step), qPrintable(step));
        f.client->clearSent();
        f.client->enqueue(Method::startSync, Outcome::result("{\"runId\":\"run-2\"}"));
        f.client->enqueue(Method::listPlaylists, Outcome::encoded(ListPlaylistsResult {}));

        const QMap<QString, QAction*> actions { { "Sync", f.commands->syncAction() },
            { "Cancel Sync", f.commands->cancelSyncAction() },
            { "Refresh Library", f.commands->refreshLibraryAction() },
            { "Review Matches", f.commands->reviewMatchesAction() } };
        QTRY_VERIFY(actions[command]->isEnabled());
        actions[command]->trigger();

        QTRY_COMPARE(f.client->sent().size(), sent.size());
        QTest::qWait(0);
        QList<Request> requests;
        for (const auto& one : f.client->sent())
            requests.append(one.request);
        QCOMPARE(requests, sent);
        QCOMPARE(f.model->sync().phase(), phase);
        QCOMPARE(f.model->isInspectorPresented(), inspector);
        if (inspector)
            QCOMPARE(f.model->focusedReviewTrackId(), std::optional<QString>("t1"));
    }

    void checkForUpdatesAsksTheFramework()
    {
        Fixture f;
        f.commands->checkForUpdatesAction()->trigger();
        QCOMPARE(*f.updateChecks, 1);
        QVERIFY(f.client->sent().isEmpty());
    }

    // Before the helper link is attached, Refresh Library and Reveal Output
    // Folder do nothing and leave nothing behind: the start reads the playlists
    // once, as every start does. Once attached, both do their work.
    void commandsBeforeTheLinkDoNothing()
    {
        test::UnstartedModel unstarted;
        AppModel& model = unstarted.model;
        UpdaterModel updater(std::make_unique<CountingUpdates>(), QStringLiteral("1.0"));
        MainCommands commands(model, updater);
        QStringList revealed;
        commands.setReveal([&revealed](QString path) {
            revealed.append(path);
            return answer(true);
        });
        int loads = 0;
        connect(&model, &AppModel::attached, this, [&model, &loads] {
            connect(model.library(), &LibraryStore::loadStateChanged, model.library(), [&model, &loads] {
                if (model.library()->loadState() == LibraryStore::LoadState::loading())
                    ++loads;
            });
        });
        QVERIFY(commands.refreshLibraryAction()->isEnabled());
        QVERIFY(commands.revealOutputAction()->isEnabled());

        commands.refreshLibraryAction()->trigger();
        commands.revealOutputAction()->trigger();
        QTest::qWait(0);
        QVERIFY(revealed.isEmpty());

        test::TaskProbe<void> started(model.start());
        QTRY_VERIFY(started.isDone());
        QVERIFY(!model.startupError());
        QCOMPARE(model.library()->loadState(), LibraryStore::LoadState::loaded());
        QCOMPARE(loads, 1);
        QVERIFY(revealed.isEmpty());

        commands.refreshLibraryAction()->trigger();
        QCOMPARE(loads, 2);
        QTRY_COMPARE(model.library()->loadState(), LibraryStore::LoadState::loaded());
        QVERIFY(model.settings()->config() && model.settings()->config()->outputDir);
        commands.revealOutputAction()->trigger();
        QCOMPARE(revealed.size(), 1);
    }
};

QTEST_MAIN(TestMainCommands)
#include "tst_maincommands.moc"
