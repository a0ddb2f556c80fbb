#include "App/AppModel.h"
#include "Base/Log.h"
#include "Services/UpdaterModel.h"
#include "Styling/AccessibilityPreferences.h"
#include "Support/UserDefaults.h"
#include "TestSupport/FixedAccessibility.h"
#include "TestSupport/LogCapture.h"
#include "TestSupport/ManualClock.h"
#include "TestSupport/TaskProbe.h"
#include "TestSupport/TestPaths.h"
#include "Transport/HelperClient.h"
#include "Views/ContentUnavailableView.h"
#include "Views/MainWindow.h"
#include "Views/SidebarView.h"
#include "Views/Toolbar/ToolbarButton.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QStyleHints>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

using namespace mivo;

namespace {

constexpr int kRunTimeoutMs = 30000;

QStringList methodsReadByHelpers(const test::LogCapture& log);

// The window as main() builds it, on the stand-in helper found as the
// application finds it; its configuration and defaults live in a temporary
// folder, and the switches are unset again afterwards.
struct Fixture {
    QTemporaryDir folder;
    QSettingsUserDefaults defaults { folder.filePath(QStringLiteral("defaults.ini")) };
    test::FixedAccessibility accessibility;
    // What the tool bar measures a burst of presses on.
    test::ManualClock clock;
    // Outlives the model, whose run fills it.
    QList<SyncPhase> phases;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<UpdaterModel> updater;
    std::unique_ptr<MainWindow> window;
    QList<QByteArray> variables;

    // With `modelOnTheClock`, the model's requests time out on `clock` as well.
    explicit Fixture(
        std::initializer_list<std::pair<const char*, QByteArray>> switches = {}, bool modelOnTheClock = false)
    {
        set("MIVO_HELPER_PATH", test::standInHelperPath().toLocal8Bit());
        set("MIVO_STANDIN_CONFIG", folder.filePath(QStringLiteral("config.json")).toLocal8Bit());
        set("MIVO_STANDIN_LIBRARY", "2x12");
        set("MIVO_STANDIN_EVENT_RATE", "0");
        for (const auto& [name, value] : switches)
            set(name, value);
        defaults.setDidOnboard(true);
        AppModel::Options options;
        options.cliTool.toolPaths = { folder.filePath(QStringLiteral("bin/mivo")) };
        options.cliTool.preferredTarget = [] { return std::optional<QString>(); };
        options.defaults = &defaults;
        if (modelOnTheClock)
            options.clock = &clock;
        model = std::make_unique<AppModel>(options);
        updater = std::make_unique<UpdaterModel>(&model->sync());
        window = std::make_unique<MainWindow>(
            *model, *updater, MainWindow::Environment { &accessibility, &defaults, {}, &clock });
        window->show();
    }
    ~Fixture()
    {
        window.reset();
        if (model)
            model->stopHelper();
        for (const QByteArray& name : std::as_const(variables))
            qunsetenv(name.constData());
    }

    void set(const char* name, const QByteArray& value)
    {
        variables.append(name);
        qputenv(name, value);
    }

    HelperProcess& process() { return static_cast<HelperClient*>(model->client())->process(); }

    // Selects every playlist, as the sidebar does, once the library has loaded.
    bool everythingSelected()
    {
        if (!QTest::qWaitFor([this] { return model->library() && !model->library()->playlists().isEmpty(); },
                kRunTimeoutMs))
            return false;
        QSet<QString> ids;
        for (const PlaylistDTO& playlist : model->library()->playlists())
            ids.insert(playlist.id);
        model->library()->setSelection(ids);
        model->selectionChanged();
        return true;
    }

    // From now on, every phase the run goes through is noted in `phases`.
    void notePhases()
    {
        SyncStore& store = model->sync();
        QObject::connect(
            &store, &SyncStore::phaseChanged, model.get(), [this, &store] { phases.append(store.phase()); });
    }

    // Stops the helper where it is: it reads and answers nothing until it is sent
    // SIGCONT. Its process id, 0 when that failed.
    pid_t freezeHelper()
    {
        const auto pid = static_cast<pid_t>(process().processId());
        if (pid <= 0 || ::kill(pid, SIGSTOP) != 0)
            return 0;
        // The signal takes effect a little later: until then the helper may still
        // read what is written now.
        return QTest::qWaitFor([pid] { return isStopped(pid); }) ? pid : 0;
    }

    // Whether the process is stopped by a signal, as its status in /proc says.
    static bool isStopped(pid_t pid)
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            return false;
        // "pid (name) state …": the name may hold spaces and parentheses.
        const QByteArray line = stat.readAll();
        const qsizetype end = line.lastIndexOf(')');
        return end >= 0 && end + 2 < line.size() && (line[end + 2] == 'T' || line[end + 2] == 't');
    }

    ToolbarButton* button(const QString& name) const { return window->findChild<ToolbarButton*>(name); }

    // Starts a run of every playlist with the Sync button and waits until it asks
    // for a review.
    bool runWaitingForAReview()
    {
        ToolbarButton* sync = button(QStringLiteral("syncButton"));
        if (!everythingSelected() || !sync || !QTest::qWaitFor([sync] { return sync->isEnabled(); }))
            return false;
        QTest::mouseClick(sync, Qt::LeftButton);
        if (!QTest::qWaitFor([this] { return model->sync().reviewCount() > 0; }, kRunTimeoutMs))
            return false;
        // The run has gone on for a while: Cancel Sync is no longer in the burst
        // that started it.
        clock.advance(doubleClickInterval());
        return true;
    }

    static std::chrono::milliseconds doubleClickInterval()
    {
        return std::chrono::milliseconds(QGuiApplication::styleHints()->mouseDoubleClickInterval());
    }

    // The methods of every request the helpers have read, once the helper has
    // answered one sent now.
    QStringList methodsReadSoFar(const test::LogCapture& log)
    {
        try {
            QCoro::waitFor(model->client()->request<ListPlaylistsResult>(
                Request::listPlaylists(), HelperClienting::kDefaultTimeout));
        } catch (const std::exception& error) {
            qWarning("the helper did not answer: %s", error.what());
            return {};
        }
        return methodsReadByHelpers(log);
    }

    // Double-clicks Cancel Sync. Sync takes its place under the pointer, and the
    // second press reaches it as the window system delivers it: a double-click,
    // then a release.
    bool doubleClickCancel()
    {
        ToolbarButton* sync = button(QStringLiteral("syncButton"));
        ToolbarButton* cancel = button(QStringLiteral("cancelSyncButton"));
        if (!sync || !cancel || !QTest::qWaitFor([cancel] { return cancel->isVisible(); }))
            return false;
        const QPoint at = cancel->mapTo(window.get(), cancel->rect().center());
        QTest::mouseClick(cancel, Qt::LeftButton);
        if (!QTest::qWaitFor([&] { return window->childAt(at) == sync; }))
            return false;
        const QPointF local = sync->mapFrom(window.get(), at);
        const QPointF global = window->mapToGlobal(at);
        QMouseEvent second(
            QEvent::MouseButtonDblClick, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(sync, &second);
        QMouseEvent release(
            QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(sync, &release);
        return true;
    }

    // A press and its release where the pointer is, on whatever button is there
    // now, as the window system delivers it (the second press of a double-click
    // comes as a double-click).
    bool pressAt(const QPoint& at, QEvent::Type press)
    {
        auto* button = qobject_cast<ToolbarButton*>(window->childAt(at));
        if (!button)
            return false;
        const QPointF local = button->mapFrom(window.get(), at);
        const QPointF global = window->mapToGlobal(at);
        QMouseEvent down(press, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(button, &down);
        QMouseEvent up(
            QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(button, &up);
        return true;
    }

    bool helperLogged(const QString& message) const
    {
        for (const auto& entry : model->diagnostics()->logs()) {
            if (entry.message == message)
                return true;
        }
        return false;
    }
};

// Takes the bytes waiting unread in the standard input of a stopped process.
QByteArray takeUnreadInput(pid_t pid)
{
    const QByteArray path = "/proc/" + QByteArray::number(pid) + "/fd/0";
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return {};
    QByteArray bytes;
    char buffer[4096];
    ssize_t count = 0;
    while ((count = ::read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, count);
    ::close(fd);
    return bytes;
}

// The methods of request lines.
QStringList requestMethods(const QByteArray& lines)
{
    QStringList methods;
    for (const QByteArray& line : lines.split('\n')) {
        if (!line.isEmpty())
            methods.append(QJsonDocument::fromJson(line).object().value(QStringLiteral("method")).toString());
    }
    return methods;
}

// The methods of the requests the stand-ins read, as each names them on its
// standard error ("mivo stand-in[<pid>]: request <id> <method>").
QStringList methodsReadByHelpers(const test::LogCapture& log)
{
    static const QRegularExpression request(
        QStringLiteral(R"(^helper stderr: mivo stand-in\[\d+\]: request \S+ (\S+)$)"));
    QStringList methods;
    for (const QString& text : log.texts(QStringLiteral(".helper"), QtDebugMsg)) {
        if (const QRegularExpressionMatch match = request.match(text); match.hasMatch())
            methods.append(match.captured(1));
    }
    return methods;
}

} // namespace

// The window on its main road against the stand-in helper.
class TestMainWindowHelper : public QObject {
    Q_OBJECT

private slots:
    // The helper stops answering in the middle of a run and the user double-clicks
    // Cancel Sync: Sync takes its place under the pointer, and the second press of
    // the double-click must not start a run. No second startSync ever goes out:
    // once the helper answers again it stops the run it had, and nothing else runs.
    void cancelNeverStartsARun()
    {
        Fixture f;
        QVERIFY(f.runWaitingForAReview());
        SyncStore& store = f.model->sync();
        const std::optional<QString> runId = store.runId();
        QVERIFY(runId);

        f.notePhases();
        const pid_t pid = f.freezeHelper();
        QVERIFY(pid > 0);
        QVERIFY(f.doubleClickCancel());
        QCOMPARE(store.phase(), SyncPhase::cancelled);

        QCOMPARE(::kill(pid, SIGCONT), 0);
        QTRY_VERIFY_WITH_TIMEOUT(f.helperLogged(QStringLiteral("Sync cancelled")), kRunTimeoutMs);
        QCOMPARE(f.phases, QList<SyncPhase> { SyncPhase::cancelled });
        QCOMPARE(store.runId(), runId);
        QVERIFY(f.process().isRunning());
    }

    // The helper stops answering in the middle of a run and the user clicks
    // Cancel Sync three times 120 ms apart: the first press cancels, the others
    // land on Sync, which has taken its place, and start nothing. One cancelSync
    // and no second startSync reach the helper. Once the burst is over, Sync
    // takes a press again.
    void aBurstOfPressesOnCancelSyncCancelsOnce()
    {
        test::LogCapture log;
        test::LogCapture::enable(lcHelper(), QtDebugMsg);
        Fixture f({ { "MIVO_STANDIN_STDERR", "1" } });
        QVERIFY(f.runWaitingForAReview());
        SyncStore& store = f.model->sync();
        const pid_t pid = f.freezeHelper();
        QVERIFY(pid > 0);
        ToolbarButton* cancel = f.button(QStringLiteral("cancelSyncButton"));
        ToolbarButton* sync = f.button(QStringLiteral("syncButton"));
        QVERIFY(cancel && sync);
        QTRY_VERIFY(cancel->isVisible());
        const QPoint at = cancel->mapTo(f.window.get(), cancel->rect().center());
        const auto step = std::chrono::milliseconds(120);

        QVERIFY(f.pressAt(at, QEvent::MouseButtonPress));
        QCOMPARE(store.phase(), SyncPhase::cancelled);
        QTRY_COMPARE(f.window->childAt(at), sync);
        f.clock.advance(step);
        QVERIFY(f.pressAt(at, QEvent::MouseButtonDblClick));
        f.clock.advance(step);
        QVERIFY(f.pressAt(at, QEvent::MouseButtonPress));
        f.clock.advance(step);
        QVERIFY(f.pressAt(at, QEvent::MouseButtonPress));
        QCOMPARE(store.phase(), SyncPhase::cancelled);

        auto* pipe = f.process().findChild<QProcess*>();
        QVERIFY(pipe);
        QTRY_COMPARE(pipe->bytesToWrite(), 0);
        const QStringList sent = methodsReadByHelpers(log) + requestMethods(takeUnreadInput(pid));
        QCOMPARE(sent.count(QStringLiteral("cancelSync")), 1);
        QCOMPARE(sent.count(QStringLiteral("startSync")), 1);

        // A press after a pause as long as the double-click interval is the user's own.
        f.clock.advance(Fixture::doubleClickInterval());
        QVERIFY(f.pressAt(at, QEvent::MouseButtonPress));
        QCOMPARE(store.phase(), SyncPhase::preparing);
        QTRY_COMPARE(pipe->bytesToWrite(), 0);
        QCOMPARE(requestMethods(takeUnreadInput(pid)), QStringList { QStringLiteral("startSync") });
        QCOMPARE(::kill(pid, SIGCONT), 0);
    }

    // The start-up reads of the configuration and the playlists fail: the
    // helper fails the listing, or its answers come only after every request
    // has timed out behind a flood of events. The sidebar says the list could
    // not be loaded, with the helper's reason; Try Again asks for the list once
    // more, and shows it once the helper answers.
    void aStartUpListThatFailsIsSaidWithTryAgain_data()
    {
        QTest::addColumn<bool>("flood");
        QTest::addColumn<QString>("reason");
        QTest::newRow("the helper fails the listing") << false << "Simulated failure of listPlaylists";
        QTest::newRow("the answers come after their time-outs, behind a flood")
            << true << HelperError::requestTimedOut().userText();
    }
    void aStartUpListThatFailsIsSaidWithTryAgain()
    {
        QFETCH(bool, flood);
        QFETCH(QString, reason);
        test::LogCapture log;
        test::LogCapture::enable(lcHelper(), QtDebugMsg);
        std::optional<Fixture> fixture;
        if (flood)
            fixture.emplace(
                std::initializer_list<std::pair<const char*, QByteArray>> { { "MIVO_STANDIN_STDERR", "1" },
                    { "MIVO_STANDIN_FLOOD", "20000" },
                    { "MIVO_STANDIN_DELAY", "getConfig=3000;listPlaylists=3000" } },
                true);
        else
            fixture.emplace(std::initializer_list<std::pair<const char*, QByteArray>> {
                { "MIVO_STANDIN_STDERR", "1" }, { "MIVO_STANDIN_FAIL", "listPlaylists=internal" } });
        Fixture& f = *fixture;
        QTRY_VERIFY(f.window->sidebar());
        SidebarView& sidebar = *f.window->sidebar();
        if (flood) {
            // Each request times out at once on the test's clock: two reads of the
            // configuration, then two of the playlists.
            QTRY_VERIFY(f.model->isReady());
            for (int i = 0; i < 20 && sidebar.content() != SidebarView::Content::failed; ++i) {
                f.clock.advance(HelperClienting::kDefaultTimeout);
                QTest::qWait(10);
            }
        }
        QTRY_COMPARE_WITH_TIMEOUT(sidebar.content(), SidebarView::Content::failed, kRunTimeoutMs);
        QCOMPARE(sidebar.failedView()->title(), QStringLiteral("Couldn't load playlists"));
        QCOMPARE(sidebar.failedView()->description(), reason);
        QVERIFY(sidebar.tryAgainButton()->isVisible());
        QVERIFY(f.model->library()->playlists().isEmpty());

        const auto listingsRead
            = [&log] { return methodsReadByHelpers(log).count(QStringLiteral("listPlaylists")); };
        if (flood)
            QTRY_VERIFY_WITH_TIMEOUT(f.helperLogged(QStringLiteral("flood done")), kRunTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(listingsRead(), 2, kRunTimeoutMs);
        QTest::mouseClick(sidebar.tryAgainButton(), Qt::LeftButton);
        if (flood) {
            QTRY_COMPARE_WITH_TIMEOUT(sidebar.content(), SidebarView::Content::list, kRunTimeoutMs);
            QVERIFY(!f.model->library()->playlists().isEmpty());
            QCOMPARE(listingsRead(), 3);
        } else {
            // Asked again (and once more in the other form), failed again alike.
            QTRY_COMPARE_WITH_TIMEOUT(listingsRead(), 4, kRunTimeoutMs);
            QTRY_COMPARE(f.model->library()->loadState().kind, LibraryStore::LoadState::Kind::failed);
            QCOMPARE(sidebar.content(), SidebarView::Content::failed);
            QCOMPARE(sidebar.failedView()->description(), reason);
        }
    }

    // Six presses on Sync 150 ms apart from idle: the first starts a run, and
    // the others land on Cancel Sync, which has taken its place, and cancel
    // nothing, whether the helper answers the start at once or not at all. One
    // startSync and no cancelSync reach the helper. Once the burst is over,
    // Cancel Sync takes a press again.
    void aBurstOfPressesOnSyncStartsOnceAndCancelsNothing_data()
    {
        QTest::addColumn<bool>("frozen");
        QTest::newRow("the helper answers") << false;
        QTest::newRow("the helper is frozen") << true;
    }
    void aBurstOfPressesOnSyncStartsOnceAndCancelsNothing()
    {
        QFETCH(bool, frozen);
        test::LogCapture log;
        test::LogCapture::enable(lcHelper(), QtDebugMsg);
        Fixture f({ { "MIVO_STANDIN_STDERR", "1" } });
        ToolbarButton* sync = f.button(QStringLiteral("syncButton"));
        ToolbarButton* cancel = f.button(QStringLiteral("cancelSyncButton"));
        QVERIFY(sync && cancel);
        QVERIFY(f.everythingSelected());
        QTRY_VERIFY(sync->isVisible() && sync->isEnabled());
        SyncStore& store = f.model->sync();
        QCOMPARE(store.phase(), SyncPhase::idle);
        f.notePhases();
        const pid_t pid = frozen ? f.freezeHelper() : 0;
        QVERIFY(!frozen || pid > 0);
        const QPoint at = sync->mapTo(f.window.get(), sync->rect().center());

        QVERIFY(f.pressAt(at, QEvent::MouseButtonPress));
        QTRY_COMPARE(f.window->childAt(at), cancel);
        for (int press = 2; press <= 6; ++press) {
            f.clock.advance(std::chrono::milliseconds(150));
            QVERIFY(f.pressAt(at, press % 2 == 0 ? QEvent::MouseButtonDblClick : QEvent::MouseButtonPress));
        }
        QVERIFY(store.isRunning());
        QVERIFY(!f.phases.contains(SyncPhase::cancelled));

        QStringList sent;
        if (frozen) {
            auto* pipe = f.process().findChild<QProcess*>();
            QVERIFY(pipe);
            QTRY_COMPARE(pipe->bytesToWrite(), 0);
            sent = requestMethods(takeUnreadInput(pid));
        } else {
            sent = f.methodsReadSoFar(log);
        }
        QCOMPARE(sent.count(QStringLiteral("startSync")), 1);
        QCOMPARE(sent.count(QStringLiteral("cancelSync")), 0);

        // A press after a pause as long as the double-click interval is the user's own.
        f.clock.advance(Fixture::doubleClickInterval());
        QVERIFY(f.pressAt(at, QEvent::MouseButtonPress));
        QCOMPARE(store.phase(), SyncPhase::cancelled);
        if (frozen) {
            // The requests taken from its input never reach it; nothing more to hear.
            QCOMPARE(::kill(pid, SIGCONT), 0);
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(f.helperLogged(QStringLiteral("Sync cancelled")), kRunTimeoutMs);
        sent = f.methodsReadSoFar(log);
        QCOMPARE(sent.count(QStringLiteral("startSync")), 1);
        QCOMPARE(sent.count(QStringLiteral("cancelSync")), 1);
    }

    // The helper stops answering in the middle of a run, the user double-clicks
    // Cancel Sync, and the frozen helper is killed: the helper launched in its
    // place is asked to run nothing. Every request the application wrote is
    // counted where it went: read by the first helper, left unread in its input
    // when it died, or read by the second; one startSync among them all.
    void relaunchedHelperIsAskedToRunNothing()
    {
        test::LogCapture log;
        test::LogCapture::enable(lcHelper(), QtDebugMsg);
        Fixture f({ { "MIVO_STANDIN_STDERR", "1" } });
        QVERIFY(f.runWaitingForAReview());
        SyncStore& store = f.model->sync();
        f.notePhases();
        const pid_t pid = f.freezeHelper();
        QVERIFY(pid > 0);
        QVERIFY(f.doubleClickCancel());
        QCOMPARE(store.phase(), SyncPhase::cancelled);
        // Everything written so far has reached the frozen helper's input, the cancel
        // among it, and waits there unread.
        auto* pipe = f.process().findChild<QProcess*>();
        QVERIFY(pipe);
        QTRY_COMPARE(pipe->bytesToWrite(), 0);
        const QByteArray unread = takeUnreadInput(pid);
        QVERIFY(requestMethods(unread).contains(QStringLiteral("cancelSync")));

        QCOMPARE(::kill(pid, SIGKILL), 0);
        QTRY_VERIFY_WITH_TIMEOUT(
            f.process().processId() > 0 && f.process().processId() != pid && f.model->isReady(),
            kRunTimeoutMs);
        // A request answered by the new helper: what was written before it has been read.
        test::TaskProbe<void> refreshed(f.model->library()->refresh());
        QTRY_VERIFY_WITH_TIMEOUT(refreshed.isDone(), kRunTimeoutMs);
        QCOMPARE(f.model->library()->loadState(), LibraryStore::LoadState::loaded());

        const QStringList sent = methodsReadByHelpers(log) + requestMethods(unread);
        // Both helpers were heard: each listed the library.
        QVERIFY2(sent.count(QStringLiteral("listPlaylists")) >= 2, qPrintable(sent.join(u' ')));
        QCOMPARE(sent.count(QStringLiteral("startSync")), 1);
        QCOMPARE(f.phases, QList<SyncPhase> { SyncPhase::cancelled });
        QCOMPARE(store.reviewCount(), 0);
    }
};

QTEST_MAIN(TestMainWindowHelper)
#include "tst_mainwindowhelper.moc"
