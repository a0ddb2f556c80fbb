#include "App/AppModel.h"
#include "Support/SampleData.h"
#include "Support/UserDefaults.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "TestSupport/TaskProbe.h"
#include "TestSupport/WireTesting.h"
#include "Transport/ResultRecords.h"
#include "Views/Onboarding/SetupCoordinator.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace mivo;
using mivo::test::ScriptedHelperClient;
using Outcome = ScriptedHelperClient::Outcome;
using Mode = SetupCoordinator::Mode;

Q_DECLARE_METATYPE(std::optional<mivo::SetupCoordinator::Mode>)

namespace {

// The model on a scripted client (or on none), reading "didOnboard" from a
// settings file of its own and looking for the command-line tool where
// nothing is installed.
struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<QSettingsUserDefaults> defaults;
    ScriptedHelperClient* client = nullptr;
    std::unique_ptr<AppModel> model;

    explicit Fixture(bool attached = true)
        : defaults(std::make_unique<QSettingsUserDefaults>(dir.filePath(QStringLiteral("defaults.ini"))))
    {
        AppModel::Options options;
        options.defaults = defaults.get();
        options.cliTool.toolPaths = { dir.filePath(QStringLiteral("bin/mivo")) };
        options.cliTool.preferredTarget = [] { return std::optional<QString>(); };
        if (!attached) {
            model = std::make_unique<AppModel>(options);
            return;
        }
        auto owned = std::make_unique<ScriptedHelperClient>();
        client = owned.get();
        model = std::make_unique<AppModel>(std::move(owned), options);
    }

    SafeConfig config() const
    {
        SafeConfig config = SampleData::sampleConfig();
        config.outputDir = QStringLiteral("~/Music/Gigs");
        return config;
    }

    bool loadConfig()
    {
        client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { config() }));
        test::TaskProbe<void> loaded(model->settings()->refresh());
        const bool done = QTest::qWaitFor([&loaded] { return loaded.isDone(); });
        client->clearSent();
        return done;
    }

    bool waitForWizard() const
    {
        return QTest::qWaitFor([this] { return model->isOnboardingPresented(); });
    }
};

} // namespace

class AppModelOnboardingTest : public QObject {
    Q_OBJECT

private slots:
    void wizardModeFollowsTheOnboardedFlag_data();
    void wizardModeFollowsTheOnboardedFlag();
    void wizardWaitsForOneConfigurationRead_data();
    void wizardWaitsForOneConfigurationRead();
    void wizardWithAConfigurationReadsNothing();
    void wizardWithoutAHelperStartsFromDefaults();
    void aSecondBeginReplacesTheWizard();
    void finishDropsTheWizardThenRereadsConfigurationAndPlaylists();
};

void AppModelOnboardingTest::wizardModeFollowsTheOnboardedFlag_data()
{
    QTest::addColumn<std::optional<Mode>>("asked");
    QTest::addColumn<bool>("didOnboard");
    QTest::addColumn<Mode>("mode");

    QTest::newRow("not onboarded yet") << std::optional<Mode>() << false << Mode::firstRun;
    QTest::newRow("onboarded") << std::optional<Mode>() << true << Mode::reRun;
    QTest::newRow("first run asked for") << std::optional(Mode::firstRun) << true << Mode::firstRun;
    QTest::newRow("re-run asked for") << std::optional(Mode::reRun) << false << Mode::reRun;
}

void AppModelOnboardingTest::wizardModeFollowsTheOnboardedFlag()
{
    QFETCH(std::optional<Mode>, asked);
    QFETCH(bool, didOnboard);
    QFETCH(Mode, mode);

    Fixture f(false);
    f.defaults->setDidOnboard(didOnboard);
    f.model->beginOnboarding(asked);
    QVERIFY(f.waitForWizard());
    QVERIFY(f.model->setupCoordinator());
    QCOMPARE(f.model->setupCoordinator()->mode(), mode);
    QCOMPARE(f.defaults->didOnboard(), didOnboard);
}

void AppModelOnboardingTest::wizardWaitsForOneConfigurationRead_data()
{
    QTest::addColumn<bool>("readSucceeds");
    QTest::addColumn<QString>("outputDir");

    QTest::newRow("configuration read") << true << "~/Music/Gigs";
    QTest::newRow("configuration not read") << false << "~/Music/DjayImport";
}

void AppModelOnboardingTest::wizardWaitsForOneConfigurationRead()
{
    QFETCH(bool, readSucceeds);
    QFETCH(QString, outputDir);

    Fixture f;
    if (readSucceeds) {
        f.client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { f.config() }));
    } else {
        // The plain read and its second try both fail.
        f.client->enqueue(Method::getConfig, { Outcome::timeout(), Outcome::timeout() });
    }
    f.client->setHoldReplies(true);
    // The wizard is presented only once its coordinator exists.
    bool coordinatorWhenPresented = false;
    connect(f.model.get(), &AppModel::isOnboardingPresentedChanged, this,
        [&] { coordinatorWhenPresented = f.model->setupCoordinator() != nullptr; });

    f.model->beginOnboarding(Mode::firstRun);
    QTRY_COMPARE(f.client->waiting(), 1);
    QVERIFY(!f.model->setupCoordinator());
    QVERIFY(!f.model->isOnboardingPresented());

    f.client->setHoldReplies(false);
    f.client->release();
    QVERIFY(f.waitForWizard());
    QVERIFY(coordinatorWhenPresented);
    QCOMPARE(f.model->setupCoordinator()->outputDir(), outputDir);
    QCOMPARE(f.client->sentMethods().first(), Method::getConfig);
    QVERIFY(!f.client->sentMethods().contains(Method::listPlaylists));
}

void AppModelOnboardingTest::wizardWithAConfigurationReadsNothing()
{
    Fixture f;
    QVERIFY(f.loadConfig());
    f.model->beginOnboarding(Mode::reRun);
    QVERIFY(f.waitForWizard());
    QCOMPARE(f.model->setupCoordinator()->outputDir(), QStringLiteral("~/Music/Gigs"));
    QCOMPARE(f.client->sentMethods(), QList<Method>());
}

void AppModelOnboardingTest::wizardWithoutAHelperStartsFromDefaults()
{
    Fixture f(false);
    f.model->beginOnboarding(Mode::firstRun);
    QVERIFY(f.waitForWizard());
    QCOMPARE(f.model->setupCoordinator()->outputDir(), QStringLiteral("~/Music/DjayImport"));
    QCOMPARE(f.model->setupCoordinator()->qualityProfile(), QualityProfile::balanced);
}

void AppModelOnboardingTest::aSecondBeginReplacesTheWizard()
{
    Fixture f;
    QVERIFY(f.loadConfig());
    f.model->beginOnboarding(Mode::firstRun);
    QVERIFY(f.waitForWizard());
    const QPointer<SetupCoordinator> first = f.model->setupCoordinator();
    first->advance();

    QSignalSpy replaced(f.model.get(), &AppModel::setupCoordinatorChanged);
    f.model->beginOnboarding(Mode::reRun);
    QTRY_COMPARE(replaced.count(), 1);
    QVERIFY(f.model->setupCoordinator() != first);
    QCOMPARE(f.model->setupCoordinator()->mode(), Mode::reRun);
    QCOMPARE(f.model->setupCoordinator()->currentScreen(), SetupCoordinator::Screen::prepareTools);
    QVERIFY(f.model->isOnboardingPresented());
    QTRY_VERIFY(first.isNull());
}

void AppModelOnboardingTest::finishDropsTheWizardThenRereadsConfigurationAndPlaylists()
{
    Fixture f;
    QVERIFY(f.loadConfig());
    f.model->beginOnboarding(Mode::firstRun);
    QVERIFY(f.waitForWizard());
    const QPointer<SetupCoordinator> coordinator = f.model->setupCoordinator();

    f.client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { SampleData::sampleConfig() }));
    f.client->enqueue(
        Method::listPlaylists, Outcome::encoded(ListPlaylistsResult { SampleData::playlists() }));
    f.client->setHoldReplies(true);
    f.model->finishOnboarding();

    QVERIFY(!f.model->isOnboardingPresented());
    QVERIFY(!f.model->setupCoordinator());
    // The playlists are asked for only once the configuration has been read.
    QTRY_COMPARE(f.client->waiting(), 1);
    QCOMPARE(f.client->sentMethods(), QList<Method> { Method::getConfig });
    f.client->setHoldReplies(false);
    f.client->release();
    QTRY_COMPARE(f.model->library()->playlists(), SampleData::playlists());

    QCOMPARE(f.client->sent().at(1).request, Request::listPlaylists());
    QCOMPARE(f.model->settings()->config(), std::optional(SampleData::sampleConfig()));
    QTRY_VERIFY(coordinator.isNull());
    QVERIFY(!f.defaults->didOnboard());
}

QTEST_GUILESS_MAIN(AppModelOnboardingTest)
#include "tst_appmodelonboarding.moc"
