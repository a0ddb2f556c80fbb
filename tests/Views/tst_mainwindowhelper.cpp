#include "App/AppModel.h"
#include "Services/UpdaterModel.h"
#include "Styling/AccessibilityPreferences.h"
#include "Support/UserDefaults.h"
#include "TestSupport/TestPaths.h"
#include "Transport/HelperClient.h"
#include "Views/MainWindow.h"
#include "Views/Toolbar/ToolbarButton.h"

#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/types.h>

using namespace mivo;

namespace {

constexpr int kRunTimeoutMs = 30000;

class NoAccessibilitySettings : public AccessibilityPreferences {
public:
    bool reduceTransparency() const override { return false; }
    bool reduceMotion() const override { return false; }
    bool increaseContrast() const override { return false; }
};

// The window as main() builds it, on the stand-in helper found as the
// application finds it; its configuration and defaults live in a temporary
// folder, and the switches are unset again afterwards.
struct Fixture {
    QTemporaryDir folder;
    QSettingsUserDefaults defaults { folder.filePath(QStringLiteral("defaults.ini")) };
    NoAccessibilitySettings accessibility;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<UpdaterModel> updater;
    std::unique_ptr<MainWindow> window;
    QList<QByteArray> variables;

    Fixture()
    {
        set("MIVO_HELPER_PATH", test::standInHelperPath().toLocal8Bit());
        set("MIVO_STANDIN_CONFIG", folder.filePath(QStringLiteral("config.json")).toLocal8Bit());
        set("MIVO_STANDIN_LIBRARY", "2x12");
        set("MIVO_STANDIN_EVENT_RATE", "0");
        defaults.setDidOnboard(true);
        AppModel::Options options;
        options.cliTool.toolPaths = { folder.filePath(QStringLiteral("bin/mivo")) };
        options.cliTool.preferredTarget = [] { return std::optional<QString>(); };
        options.defaults = &defaults;
        model = std::make_unique<AppModel>(options);
        updater = std::make_unique<UpdaterModel>(&model->sync());
        window = std::make_unique<MainWindow>(
            *model, *updater, MainWindow::Environment { &accessibility, &defaults, {} });
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

    bool helperLogged(const QString& message) const
    {
        for (const auto& entry : model->diagnostics()->logs()) {
            if (entry.message == message)
                return true;
        }
        return false;
    }
};

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
        QVERIFY(f.everythingSelected());
        auto* sync = f.window->findChild<ToolbarButton*>(QStringLiteral("syncButton"));
        auto* cancel = f.window->findChild<ToolbarButton*>(QStringLiteral("cancelSyncButton"));
        QVERIFY(sync && cancel);
        QTRY_VERIFY(sync->isEnabled());
        QTest::mouseClick(sync, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(f.model->sync().reviewCount() > 0, kRunTimeoutMs);
        const std::optional<QString> runId = f.model->sync().runId();
        QVERIFY(runId);

        SyncStore& store = f.model->sync();
        QList<SyncPhase> phases;
        connect(&store, &SyncStore::phaseChanged, this, [&] { phases.append(store.phase()); });
        const auto pid = static_cast<pid_t>(f.process().processId());
        QVERIFY(pid > 0);
        QCOMPARE(::kill(pid, SIGSTOP), 0);

        QTRY_VERIFY(cancel->isVisible());
        const QPoint at = cancel->mapTo(f.window.get(), cancel->rect().center());
        QTest::mouseClick(cancel, Qt::LeftButton);
        QCOMPARE(store.phase(), SyncPhase::cancelled);
        // The second press of the double-click reaches whatever now lies under the
        // pointer as the window system delivers it: a double-click, then a release.
        QTRY_COMPARE(f.window->childAt(at), sync);
        const QPointF local = sync->mapFrom(f.window.get(), at);
        const QPointF global = f.window->mapToGlobal(at);
        QMouseEvent second(
            QEvent::MouseButtonDblClick, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(sync, &second);
        QMouseEvent release(
            QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(sync, &release);
        QCOMPARE(store.phase(), SyncPhase::cancelled);

        QCOMPARE(::kill(pid, SIGCONT), 0);
        QTRY_VERIFY_WITH_TIMEOUT(f.helperLogged(QStringLiteral("Sync cancelled")), kRunTimeoutMs);
        QCOMPARE(phases, QList<SyncPhase> { SyncPhase::cancelled });
        QCOMPARE(store.runId(), runId);
        QVERIFY(f.process().isRunning());
    }
};

QTEST_MAIN(TestMainWindowHelper)
#include "tst_mainwindowhelper.moc"
