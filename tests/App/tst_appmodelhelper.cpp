#include "App/AppModel.h"
#include "Support/Log.h"
#include "TestSupport/LogCapture.h"
#include "TestSupport/TaskProbe.h"
#include "TestSupport/TestPaths.h"
#include "Transport/HelperClient.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace mivo;

namespace {

constexpr int kRunTimeoutMs = 30000;

// The helper found as the application finds it, with the stand-in's switches for
// one test; its configuration lives in a temporary folder. Everything is unset
// again afterwards.
class Environment {
public:
    explicit Environment(std::initializer_list<std::pair<const char*, QByteArray>> values)
    {
        set("MIVO_HELPER_PATH", test::standInHelperPath().toLocal8Bit());
        set("MIVO_STANDIN_CONFIG", m_dir.filePath(QStringLiteral("config.json")).toLocal8Bit());
        set("MIVO_STANDIN_LIBRARY", "2x12");
        set("MIVO_STANDIN_EVENT_RATE", "0");
        for (const auto& [name, value] : values)
            set(name, value);
    }
    ~Environment()
    {
        for (const QByteArray& name : std::as_const(m_names))
            qunsetenv(name.constData());
    }

    void set(const char* name, const QByteArray& value)
    {
        if (!m_names.contains(name))
            m_names.append(name);
        qputenv(name, value);
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QList<QByteArray> m_names;
};

std::unique_ptr<AppModel> makeModel(const Environment& environment)
{
    AppModel::Options options;
    options.cliTool.toolPaths = { environment.path(QStringLiteral("bin/mivo")) };
    options.cliTool.preferredTarget = [] { return std::optional<QString>(); };
    return std::make_unique<AppModel>(options);
}

bool started(AppModel& model)
{
    test::TaskProbe<void> start(model.start());
    return QTest::qWaitFor([&start] { return start.isDone(); }, kRunTimeoutMs) && !start.failed();
}

// Starts the model and selects every playlist of the library.
bool startedWithEverythingSelected(AppModel& model)
{
    if (!started(model) || !model.library())
        return false;
    QSet<QString> ids;
    for (const PlaylistDTO& playlist : model.library()->playlists())
        ids.insert(playlist.id);
    model.library()->setSelection(ids);
    model.selectionChanged();
    return !ids.isEmpty();
}

// Waits for the first track of the run that waits for review.
std::shared_ptr<TrackModel> firstReview(AppModel& model)
{
    if (!QTest::qWaitFor([&model] { return model.sync().reviewCount() > 0; }, kRunTimeoutMs))
        return nullptr;
    const auto queue = model.sync().reviewQueue();
    return queue.isEmpty() ? nullptr : queue.first();
}

bool loggedByHelper(const AppModel& model, const QString& message)
{
    for (const auto& entry : model.diagnostics()->logs()) {
        if (entry.message == message)
            return true;
    }
    return false;
}

} // namespace

// The application model on the main road, without a window: the real client,
// process and pipes against the stand-in helper.
class TestAppModelHelper : public QObject {
    Q_OBJECT

private slots:
    void syncsTheSelectionToTheEnd()
    {
        Environment environment({});
        auto model = makeModel(environment);
        QVERIFY(startedWithEverythingSelected(*model));
        QVERIFY(model->isReady());
        QCOMPARE(model->startupError(), std::nullopt);
        QVERIFY(model->settings()->config());
        QCOMPARE(model->library()->loadState(), LibraryStore::LoadState::loaded());
        QCOMPARE(model->cliTool().state(), CLIToolStore::State::notInstalled());

        // The preview: one group per playlist, by name, with the files on disk.
        PreviewStore& preview = *model->preview();
        QTRY_COMPARE_WITH_TIMEOUT(preview.groups().size(), 2, kRunTimeoutMs);
        QVERIFY(!preview.isLoading());
        QCOMPARE(preview.groups()[0]->name(), QStringLiteral("Generated 1"));
        QCOMPARE(preview.groups()[1]->name(), QStringLiteral("Generated 2"));
        QCOMPARE(preview.trackCount(), 24);
        QVERIFY(preview.onDiskCount() >= 2);
        QVERIFY(preview.groups()[0]->tracks()[0]->state().is<TrackState::Present>());

        model->startSync();
        QCOMPARE(model->sync().phase(), SyncPhase::preparing);
        QVERIFY(preview.groups().isEmpty());

        // Every track that waits for review is accepted as it comes.
        QSet<QString> answered;
        QVERIFY(QTest::qWaitFor(
            [&] {
                for (const auto& track : model->sync().reviewQueue()) {
                    if (!answered.contains(track->id())) {
                        answered.insert(track->id());
                        model->submitReview(track->id(), ReviewDecision::accept());
                    }
                }
                return model->sync().phase() == SyncPhase::done;
            },
            kRunTimeoutMs));

        SyncStore& sync = model->sync();
        QVERIFY(sync.runId());
        QVERIFY(sync.summary());
        QCOMPARE(sync.groups().size(), 2);
        QCOMPARE(sync.overallTotal(), 24);
        QCOMPARE(sync.overallCompleted(), 24);
        QCOMPARE(sync.reviewCount(), 0);
        QCOMPARE(answered.size(), 2);
        for (const auto& group : sync.groups()) {
            for (const auto& track : group->tracks()) {
                if (answered.contains(track->id()))
                    QCOMPARE(track->statusRole(), StatusRole::done);
            }
        }
        const SyncSummary& summary = *sync.summary();
        QCOMPARE(summary.present + summary.ok + summary.flagged + summary.failed + summary.skipped
                + summary.upgraded,
            24);

        // The other stores got their share of the run's events.
        QVERIFY(!model->diagnostics()->logs().isEmpty());
        QVERIFY(!model->orphans()->paths().isEmpty());
        QCOMPARE(model->toolProvisioning()->tools()[0].phase, ToolPhase::done);
        QCOMPARE(sync.proxyStatus(), ProxyStatusValue::off);

        // A selection change after the run drops its results and previews again.
        model->selectionChanged();
        QCOMPARE(sync.phase(), SyncPhase::idle);
        QVERIFY(sync.groups().isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(preview.groups().size(), 2, kRunTimeoutMs);
    }

    void cancelStopsTheRun()
    {
        Environment environment({});
        auto model = makeModel(environment);
        QVERIFY(startedWithEverythingSelected(*model));
        model->startSync();
        QVERIFY(firstReview(*model));
        const std::optional<QString> runId = model->sync().runId();
        QVERIFY(runId);

        model->cancelSync();
        QCOMPARE(model->sync().phase(), SyncPhase::cancelled);
        QTRY_VERIFY_WITH_TIMEOUT(loggedByHelper(*model, QStringLiteral("Sync cancelled")), kRunTimeoutMs);
        // The helper stopped the run: nothing finishes it any more.
        QTRY_COMPARE(model->sync().proxyStatus(), ProxyStatusValue::off);
        QCOMPARE(model->sync().phase(), SyncPhase::cancelled);
        QCOMPARE(model->sync().summary(), std::nullopt);
        QCOMPARE(model->sync().runId(), runId);
    }

    // The helper dies while the run waits for a review decision: the run is
    // interrupted, the helper comes back and answers again.
    void crashDuringARunInterruptsItAndTheHelperComesBack()
    {
        Environment environment({ { "MIVO_STANDIN_CRASH_ON", "reviewDecision" } });
        auto model = makeModel(environment);
        QVERIFY(startedWithEverythingSelected(*model));
        model->startSync();
        const auto review = firstReview(*model);
        QVERIFY(review);
        auto& process = static_cast<HelperClient*>(model->client())->process();

        model->submitReview(review->id(), ReviewDecision::accept());
        QTRY_COMPARE_WITH_TIMEOUT(model->sync().phase(), SyncPhase::interrupted, kRunTimeoutMs);
        QCOMPARE(model->sync().banner(),
            (SyncBanner { SyncBanner::Kind::warning,
                QStringLiteral("The sync was interrupted. Re-run Sync to continue safely."), std::nullopt }));
        QVERIFY(model->isReady());

        QTRY_VERIFY_WITH_TIMEOUT(process.isRunning(), kRunTimeoutMs);
        test::TaskProbe<void> refreshed(model->library()->refresh());
        QTRY_VERIFY_WITH_TIMEOUT(refreshed.isDone(), kRunTimeoutMs);
        QCOMPARE(model->library()->loadState(), LibraryStore::LoadState::loaded());
        QVERIFY(model->isReady());
        QCOMPARE(model->sync().phase(), SyncPhase::interrupted);
    }

    // Without a helper executable the model stays without stores, and the next
    // start tries again.
    void missingHelperIsLookedForAgain()
    {
        test::LogCapture log;
        Environment environment({});
        environment.set("MIVO_HELPER_PATH", environment.path(QStringLiteral("nothing-here")).toLocal8Bit());
        auto model = makeModel(environment);

        test::TaskProbe<void> first(model->start());
        QTRY_VERIFY(first.isDone());
        const QString missing = HelperError::helperMissing().userText();
        QCOMPARE(model->startupError(), missing);
        QCOMPARE(model->client(), nullptr);
        QCOMPARE(model->library(), nullptr);
        QVERIFY(!model->isReady());
        QVERIFY(
            log.contains(QStringLiteral(".app"), QtWarningMsg, QStringLiteral("startup failed: ") + missing));

        environment.set("MIVO_HELPER_PATH", test::standInHelperPath().toLocal8Bit());
        QVERIFY(started(*model));
        QVERIFY(model->library());
        QVERIFY(model->isReady());
        QCOMPARE(model->library()->loadState(), LibraryStore::LoadState::loaded());
    }

    // A helper that cannot be launched leaves the stores attached and is not
    // launched again.
    void launchFailureIsFinal()
    {
        Environment environment({});
        const QString notAProgram = environment.path(QStringLiteral("not-a-program"));
        QFile file(notAProgram);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("\x7f"
                   "ELF but not really\n");
        file.close();
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        environment.set("MIVO_HELPER_PATH", notAProgram.toLocal8Bit());
        auto model = makeModel(environment);

        QVERIFY(started(*model));
        QCOMPARE(model->startupError(), HelperError::helperUnavailable().userText());
        QVERIFY(model->library());
        QVERIFY(!model->isReady());

        environment.set("MIVO_HELPER_PATH", test::standInHelperPath().toLocal8Bit());
        QVERIFY(started(*model));
        QVERIFY(!model->isReady());
        QCOMPARE(model->library()->loadState(), LibraryStore::LoadState::idle());
    }
};

QTEST_GUILESS_MAIN(TestAppModelHelper)
#include "tst_appmodelhelper.moc"
