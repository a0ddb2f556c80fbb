#include "App/AppModel.h"
#include "Services/AutomationPermissionMonitor.h"
#include "State/SettingsStore.h"
#include "State/ToolProvisioningStore.h"
#include "Support/SampleData.h"
#include "Support/SubscriptionAddress.h"
#include "TestSupport/OnboardingHarness.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "TestSupport/TaskProbe.h"
#include "TestSupport/TestPaths.h"
#include "TestSupport/WireTesting.h"
#include "Transport/HelperError.h"
#include "Transport/ResultRecords.h"
#include "Views/Onboarding/SetupCoordinator.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace mivo;
using mivo::test::ScriptedHelperClient;
using Outcome = ScriptedHelperClient::Outcome;
using Mode = SetupCoordinator::Mode;
using Screen = SetupCoordinator::Screen;
using Status = AppleMusicLocalAccess::Status;

Q_DECLARE_METATYPE(std::optional<mivo::SafeConfig>)
Q_DECLARE_METATYPE(std::optional<QString>)
Q_DECLARE_METATYPE(mivo::ConfigPatch)

namespace {

using Harness = mivo::test::OnboardingHarness;

SafeConfig configWith(bool appleMusic, bool spotify)
{
    SafeConfig config = SampleData::sampleConfig();
    config.appleMusicConnected = appleMusic;
    config.spotifyConnected = spotify;
    return config;
}

// Runs navigation steps written as letters: a = advance, b = back, c = go to
// connect music.
void navigate(SetupCoordinator& coordinator, const QString& steps)
{
    for (const QChar step : steps) {
        if (step == u'a')
            coordinator.advance();
        else if (step == u'b')
            coordinator.back();
        else if (step == u'c')
            coordinator.goToConnectMusic();
    }
}

using Change = std::function<void(SetupCoordinator&)>;

const QString kSoundcloudRefused = QStringLiteral("SoundCloud rejected the token.");
const QString kProxyRefused = QStringLiteral("The subscription could not be read.");
const QString kConfigRefused = QStringLiteral("The output folder is not writable.");

} // namespace

Q_DECLARE_METATYPE(Change)

class SetupCoordinatorTest : public QObject {
    Q_OBJECT

private slots:
    void navigation_data();
    void navigation();
    void screensHaveFixedRawValues();
    void startsFromTheConfiguration_data();
    void startsFromTheConfiguration();
    void settersNotifyOnlyOnChange();
    void toolsMustBeReadyToGoOn_data();
    void toolsMustBeReadyToGoOn();
    void playlistSourceRule_data();
    void playlistSourceRule();
    void commitSendsOnePatchThenTheTrimmedTokens();
    void commitOutcomes_data();
    void commitOutcomes();
    void commitWithoutAHelperReportsTheTokensItCouldNotStore();
    void commitSendsQualityOnlyForAChangedProfile_data();
    void commitSendsQualityOnlyForAChangedProfile();
    void commitWithoutAConfigurationSendsOnlyChanges_data();
    void commitWithoutAConfigurationSendsOnlyChanges();
    void commitBuildsOnTheConfigurationAsItIsNow_data();
    void commitBuildsOnTheConfigurationAsItIsNow();
    void readinessFollowsStoresAttachedLater();
    void commitAfterTheModelIsGoneOnlyRaisesItsFlag();
    void commitKeepsBackASubscriptionThatIsNoAddress_data();
    void commitKeepsBackASubscriptionThatIsNoAddress();
};

void SetupCoordinatorTest::navigation_data()
{
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<Screen>("screen");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("notifications");
    QTest::addColumn<bool>("isFirst");
    QTest::addColumn<bool>("isLast");

    QTest::newRow("first run starts at welcome")
        << Mode::firstRun << "" << Screen::welcome << 0 << 0 << true << false;
    QTest::newRow("re-run starts at tools")
        << Mode::reRun << "" << Screen::prepareTools << 0 << 0 << true << false;
    QTest::newRow("first run: back on the first screen")
        << Mode::firstRun << "b" << Screen::welcome << 0 << 0 << true << false;
    QTest::newRow("re-run: back on the first screen")
        << Mode::reRun << "bb" << Screen::prepareTools << 0 << 0 << true << false;
    QTest::newRow("first run: forward and back")
        << Mode::firstRun << "aab" << Screen::prepareTools << 1 << 3 << false << false;
    QTest::newRow("first run: past the last screen")
        << Mode::firstRun << "aaaaaaa" << Screen::finish << 5 << 5 << false << true;
    QTest::newRow("re-run: past the last screen")
        << Mode::reRun << "aaaaaa" << Screen::finish << 4 << 4 << false << true;
    QTest::newRow("first run: jump to connect music")
        << Mode::firstRun << "c" << Screen::connectMusic << 2 << 1 << false << false;
    QTest::newRow("re-run: jump back to connect music")
        << Mode::reRun << "aaac" << Screen::connectMusic << 1 << 4 << false << false;
    QTest::newRow("jump while on connect music")
        << Mode::reRun << "ac" << Screen::connectMusic << 1 << 1 << false << false;
}

void SetupCoordinatorTest::navigation()
{
    QFETCH(Mode, mode);
    QFETCH(QString, steps);
    QFETCH(Screen, screen);
    QFETCH(int, index);
    QFETCH(int, notifications);
    QFETCH(bool, isFirst);
    QFETCH(bool, isLast);

    SetupCoordinator coordinator(mode, nullptr);
    QCOMPARE(coordinator.stepCount(), mode == Mode::firstRun ? 6 : 5);
    QCOMPARE(coordinator.screenOrder().contains(Screen::welcome), mode == Mode::firstRun);
    QSignalSpy changed(&coordinator, &SetupCoordinator::currentScreenChanged);

    navigate(coordinator, steps);

    QCOMPARE(coordinator.currentScreen(), screen);
    QCOMPARE(coordinator.currentIndex(), index);
    QCOMPARE(changed.count(), notifications);
    QCOMPARE(coordinator.isFirst(), isFirst);
    QCOMPARE(coordinator.isLast(), isLast);
}

void SetupCoordinatorTest::screensHaveFixedRawValues()
{
    const QList<Screen> all = SetupCoordinator::allScreens();
    QCOMPARE(all.size(), 6);
    for (int raw = 0; raw < 6; ++raw) {
        QCOMPARE(int(all.at(raw)), raw);
        QCOMPARE(SetupCoordinator::screenFromRawValue(raw), std::optional(all.at(raw)));
    }
    QCOMPARE(SetupCoordinator::screenFromRawValue(-1), std::nullopt);
    QCOMPARE(SetupCoordinator::screenFromRawValue(6), std::nullopt);
}

void SetupCoordinatorTest::startsFromTheConfiguration_data()
{
    QTest::addColumn<std::optional<SafeConfig>>("config");
    QTest::addColumn<QList<SourceId>>("sources");
    QTest::addColumn<QualityProfile>("profile");
    QTest::addColumn<bool>("identityEnabled");
    QTest::addColumn<bool>("identityStrict");
    QTest::addColumn<QString>("outputDir");

    const QList<SourceId> all { SourceId::soulseek, SourceId::bandcamp, SourceId::soundcloud,
        SourceId::youtube };
    QTest::newRow("no configuration") << std::optional<SafeConfig>() << all << QualityProfile::balanced
                                      << false << false << "~/Music/DjayImport";

    SafeConfig config = SampleData::sampleConfig();
    config.sources = { SourceId::youtube, SourceId::soulseek };
    config.quality = SafeConfig::Quality { QualityFloor::flac, true, true, true };
    config.identity = SafeConfig::Identity { true, true };
    config.ui.theme = Theme::light;
    config.outputDir = QStringLiteral("~/Sets");
    QTest::newRow("configuration") << std::optional(config) << config.sources << QualityProfile::best << true
                                   << true << "~/Sets";

    SafeConfig bare = SampleData::sampleConfig();
    bare.sources = {};
    bare.outputDir = std::nullopt;
    bare.quality.bestQuality = false;
    QTest::newRow("no sources, no folder") << std::optional(bare) << QList<SourceId>() << QualityProfile::fast
                                           << true << false << "~/Music/DjayImport";
}

void SetupCoordinatorTest::startsFromTheConfiguration()
{
    QFETCH(std::optional<SafeConfig>, config);
    QFETCH(QList<SourceId>, sources);
    QFETCH(QualityProfile, profile);
    QFETCH(bool, identityEnabled);
    QFETCH(bool, identityStrict);
    QFETCH(QString, outputDir);

    Harness harness;
    if (config)
        harness.loadConfig(*config);
    const SetupCoordinator coordinator(Mode::reRun, harness.model.get());
    QCOMPARE(coordinator.hasStoredSettings(), config.has_value());
    QCOMPARE(coordinator.selectedSources(), sources);
    QCOMPARE(coordinator.qualityProfile(), profile);
    QCOMPARE(coordinator.identityEnabled(), identityEnabled);
    QCOMPARE(coordinator.identityStrict(), identityStrict);
    QCOMPARE(coordinator.outputDir(), outputDir);
    // Stored secrets are never shown again.
    QVERIFY(coordinator.soundcloudToken().isEmpty() && coordinator.acoustidKey().isEmpty()
        && coordinator.proxySubscription().isEmpty());
    QVERIFY(!coordinator.isCommitting() && !coordinator.lastError() && !coordinator.dismissedSourceWarning());
}

void SetupCoordinatorTest::settersNotifyOnlyOnChange()
{
    Harness harness;
    harness.loadConfig(SampleData::sampleConfig());
    SetupCoordinator coordinator(Mode::firstRun, harness.model.get());
    QSignalSpy profile(&coordinator, &SetupCoordinator::qualityProfileChanged);
    QSignalSpy sources(&coordinator, &SetupCoordinator::selectedSourcesChanged);
    QSignalSpy token(&coordinator, &SetupCoordinator::soundcloudTokenChanged);
    const QualityProfile stored = coordinator.qualityProfile();

    coordinator.setQualityProfile(stored);
    coordinator.setSelectedSources(coordinator.selectedSources());
    coordinator.setSoundcloudToken(QString());
    QCOMPARE(profile.count() + sources.count() + token.count(), 0);

    coordinator.setQualityProfile(
        stored == QualityProfile::fast ? QualityProfile::best : QualityProfile::fast);
    coordinator.setSelectedSources({ SourceId::bandcamp });
    coordinator.setSoundcloudToken(QStringLiteral("abc"));
    QCOMPARE(profile.count() + sources.count() + token.count(), 3);
}

void SetupCoordinatorTest::toolsMustBeReadyToGoOn_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<bool>("canAdvance");

    QTest::newRow("no model") << "no model" << false;
    QTest::newRow("no tool store") << "no helper" << false;
    QTest::newRow("tools idle") << "idle" << false;
    QTest::newRow("tools provisioning") << "running" << false;
    QTest::newRow("tools failed") << "failed" << false;
    QTest::newRow("tools ready") << "ready" << true;
}

void SetupCoordinatorTest::toolsMustBeReadyToGoOn()
{
    QFETCH(QString, situation);
    QFETCH(bool, canAdvance);

    if (situation == u"no model") {
        QCOMPARE(SetupCoordinator(Mode::firstRun, nullptr).canAdvancePastTools(), canAdvance);
        return;
    }
    Harness harness(situation != u"no helper");
    SetupCoordinator coordinator(Mode::firstRun, harness.model.get());
    QSignalSpy readiness(&coordinator, &SetupCoordinator::readinessChanged);
    if (harness.client && situation != u"idle") {
        ToolProvisioningStore* tools = harness.model->toolProvisioning();
        const bool ok = situation == u"ready";
        harness.client->enqueue(Method::provisionTools,
            Outcome::encoded(ProvisionToolsResult {
                ok, { ToolStatusDTO { "yt-dlp", "yt-dlp", ok ? "ok" : "error", {} } } }));
        harness.client->setHoldReplies(situation == u"running");
        test::TaskProbe<void> provisioning(tools->provision());
        if (situation != u"running")
            QTRY_VERIFY(provisioning.isDone());
        QVERIFY(readiness.count() > 0);
        QCOMPARE(coordinator.canAdvancePastTools(), canAdvance);
        harness.client->release();
        QTRY_VERIFY(provisioning.isDone());
        return;
    }
    QCOMPARE(coordinator.canAdvancePastTools(), canAdvance);
}

void SetupCoordinatorTest::playlistSourceRule_data()
{
    QTest::addColumn<bool>("appleMusic");
    QTest::addColumn<bool>("spotify");
    QTest::addColumn<Status>("automation");
    QTest::addColumn<bool>("hasNoSource");

    QTest::newRow("nothing, automation undetermined") << false << false << Status::undetermined << true;
    QTest::newRow("nothing, automation denied") << false << false << Status::denied << true;
    QTest::newRow("nothing, automation authorized") << false << false << Status::authorized << false;
    QTest::newRow("spotify, automation denied") << false << true << Status::denied << false;
    QTest::newRow("apple music, automation denied") << true << false << Status::denied << false;
}

void SetupCoordinatorTest::playlistSourceRule()
{
    QFETCH(bool, appleMusic);
    QFETCH(bool, spotify);
    QFETCH(Status, automation);
    QFETCH(bool, hasNoSource);

    Harness harness(true, automation);
    const SetupCoordinator before(Mode::firstRun, harness.model.get());
    // Without a configuration no cloud account counts as connected.
    QCOMPARE(before.hasNoSource(), automation != Status::authorized);

    SetupCoordinator coordinator(Mode::firstRun, harness.model.get());
    QSignalSpy readiness(&coordinator, &SetupCoordinator::readinessChanged);
    harness.loadConfig(configWith(appleMusic, spotify));
    QCOMPARE(coordinator.hasNoSource(), hasNoSource);
    QVERIFY(readiness.count() > 0);

    // Once the model is gone nothing is usable.
    harness.model.reset();
    QVERIFY(coordinator.hasNoSource());
}

void SetupCoordinatorTest::commitSendsOnePatchThenTheTrimmedTokens()
{
    Harness harness;
    SafeConfig config = SampleData::sampleConfig();
    config.ui.theme = Theme::light;
    harness.loadConfig(config);
    SetupCoordinator coordinator(Mode::firstRun, harness.model.get());
    coordinator.setSelectedSources({ SourceId::bandcamp, SourceId::soulseek });
    coordinator.setQualityProfile(QualityProfile::balanced);
    coordinator.setIdentityEnabled(true);
    coordinator.setIdentityStrict(false);
    coordinator.setOutputDir(QStringLiteral(" ~/Music/Sets "));
    coordinator.setSoundcloudToken(QStringLiteral("  sc-token\n"));
    coordinator.setAcoustidKey(QStringLiteral(" \n\t "));
    coordinator.setProxySubscription(QStringLiteral("\nhttps://vpn.example/subscription/1 "));

    harness.client->enqueue(Method::setConfig, Outcome::result("{}"));
    harness.client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { config }));
    harness.client->enqueue(Method::storeAccountToken, { Outcome::result("{}"), Outcome::result("{}") });
    QSignalSpy committing(&coordinator, &SetupCoordinator::isCommittingChanged);
    QCoro::waitFor(coordinator.commit());

    // Only what was changed, the sources in their declared order; the theme
    // and the identity switches the user left alone are not sent.
    ConfigPatch patch;
    patch.sources = QList<SourceId> { SourceId::soulseek, SourceId::bandcamp };
    patch.quality = SafeConfig::Quality { QualityFloor::any, false, true, false };
    patch.outputDir = QStringLiteral(" ~/Music/Sets ");
    const QList<Request> expected {
        Request::setConfig(patch),
        Request::getConfig(),
        Request::storeAccountToken(AccountService::soundcloud, QStringLiteral("sc-token")),
        Request::storeAccountToken(
            AccountService::proxy, QStringLiteral("https://vpn.example/subscription/1")),
    };
    QCOMPARE(harness.sentRequests(), expected);
    for (const ScriptedHelperClient::Sent& sent : harness.client->sent())
        QCOMPARE(sent.timeout, std::optional(std::chrono::milliseconds(15000)));

    QCOMPARE(committing.count(), 2);
    QVERIFY(!coordinator.isCommitting());
    QCOMPARE(coordinator.lastError(), std::nullopt);
    // The fields keep what was typed.
    QCOMPARE(coordinator.soundcloudToken(), QStringLiteral("  sc-token\n"));
    QCOMPARE(coordinator.acoustidKey(), QStringLiteral(" \n\t "));
}

void SetupCoordinatorTest::commitOutcomes_data()
{
    QTest::addColumn<bool>("configSaved");
    QTest::addColumn<bool>("rereadFails");
    QTest::addColumn<QList<AccountService>>("refused");
    QTest::addColumn<QList<Method>>("methods");
    QTest::addColumn<std::optional<QString>>("lastError");

    const QList<Method> saved { Method::setConfig, Method::getConfig, Method::storeAccountToken,
        Method::storeAccountToken, Method::storeAccountToken };
    const QList<Method> notSaved { Method::setConfig, Method::storeAccountToken, Method::storeAccountToken,
        Method::storeAccountToken };

    QTest::newRow("everything saved")
        << true << false << QList<AccountService>() << saved << std::optional<QString>();
    // The helper took the configuration; only reading it back failed (asked
    // twice, the second time for a bare value).
    QList<Method> savedUnread = saved;
    savedUnread.insert(1, Method::getConfig);
    QTest::newRow("configuration saved, the read after it failed")
        << true << true << QList<AccountService>() << savedUnread << std::optional<QString>();
    QTest::newRow("configuration refused, tokens still stored")
        << false << false << QList<AccountService>() << notSaved << std::optional(kConfigRefused);
    QTest::newRow("a token refused") << true << false << QList<AccountService> { AccountService::proxy }
                                     << saved << std::optional(kProxyRefused);
    QTest::newRow("two tokens refused: the first is reported")
        << true << false << QList<AccountService> { AccountService::soundcloud, AccountService::proxy }
        << saved << std::optional(kSoundcloudRefused);
    QTest::newRow("configuration and a token refused: the configuration is reported")
        << false << false << QList<AccountService> { AccountService::soundcloud } << notSaved
        << std::optional(kConfigRefused);
}

void SetupCoordinatorTest::commitOutcomes()
{
    QFETCH(bool, configSaved);
    QFETCH(bool, rereadFails);
    QFETCH(QList<AccountService>, refused);
    QFETCH(QList<Method>, methods);
    QFETCH(std::optional<QString>, lastError);

    Harness harness;
    harness.loadConfig(SampleData::sampleConfig());
    SetupCoordinator coordinator(Mode::reRun, harness.model.get());
    coordinator.setOutputDir(QStringLiteral("~/Crates"));
    coordinator.setSoundcloudToken(QStringLiteral("sc"));
    coordinator.setAcoustidKey(QStringLiteral("ac"));
    coordinator.setProxySubscription(QStringLiteral("https://vpn.example/s"));

    if (configSaved) {
        harness.client->enqueue(Method::setConfig, Outcome::result("{}"));
        if (rereadFails) {
            for (int ask = 0; ask < 2; ++ask)
                harness.client->enqueue(Method::getConfig,
                    Outcome::engineError(QStringLiteral("internal"), QStringLiteral("read failed")));
        } else
            harness.client->enqueue(
                Method::getConfig, Outcome::encoded(ConfigResult { SampleData::sampleConfig() }));
    } else {
        harness.client->enqueue(
            Method::setConfig, Outcome::engineError(QStringLiteral("bad_config"), kConfigRefused));
    }
    for (const AccountService service :
        { AccountService::soundcloud, AccountService::acoustid, AccountService::proxy }) {
        if (!refused.contains(service))
            harness.client->enqueue(Method::storeAccountToken, Outcome::result("{}"));
        else if (service == AccountService::soundcloud)
            harness.client->enqueue(
                Method::storeAccountToken, Outcome::engineError("invalid_token", kSoundcloudRefused));
        else
            harness.client->enqueue(
                Method::storeAccountToken, Outcome::engineError("invalid_token", kProxyRefused));
    }

    QCoro::waitFor(coordinator.commit());

    QCOMPARE(harness.client->sentMethods(), methods);
    QCOMPARE(coordinator.lastError(), lastError);
    QVERIFY(!coordinator.isCommitting());
}

void SetupCoordinatorTest::commitWithoutAHelperReportsTheTokensItCouldNotStore()
{
    Harness harness(false);
    SetupCoordinator coordinator(Mode::firstRun, harness.model.get());
    QCoro::waitFor(coordinator.commit());
    // Nothing typed, nothing lost.
    QCOMPARE(coordinator.lastError(), std::nullopt);

    coordinator.setAcoustidKey(QStringLiteral("key"));
    QCoro::waitFor(coordinator.commit());
    QCOMPARE(coordinator.lastError(), std::optional(HelperError::helperUnavailable().userText()));
    QVERIFY(!coordinator.isCommitting());
}

using OptionalQuality = std::optional<SafeConfig::Quality>;

void SetupCoordinatorTest::commitSendsQualityOnlyForAChangedProfile_data()
{
    QTest::addColumn<OptionalQuality>("stored");
    QTest::addColumn<QList<QualityProfile>>("choices");
    QTest::addColumn<OptionalQuality>("sent");

    const SafeConfig::Quality flacOnly { QualityFloor::flac, true, true, true };
    const SafeConfig::Quality mp3Floor { QualityFloor::mp3_320, false, true, false };
    QTest::newRow("re-run, flac floor untouched")
        << OptionalQuality(flacOnly) << QList<QualityProfile>() << OptionalQuality();
    QTest::newRow("re-run, mp3-320 floor, profile chosen again")
        << OptionalQuality(mp3Floor) << QList<QualityProfile> { QualityProfile::balanced }
        << OptionalQuality();
    QTest::newRow("re-run, changed and changed back")
        << OptionalQuality(flacOnly) << QList<QualityProfile> { QualityProfile::fast, QualityProfile::best }
        << OptionalQuality();
    QTest::newRow("re-run, changed") << OptionalQuality(flacOnly)
                                     << QList<QualityProfile> { QualityProfile::fast }
                                     << OptionalQuality(toQuality(QualityProfile::fast));
}

void SetupCoordinatorTest::commitSendsQualityOnlyForAChangedProfile()
{
    QFETCH(OptionalQuality, stored);
    QFETCH(QList<QualityProfile>, choices);
    QFETCH(OptionalQuality, sent);

    Harness harness;
    SafeConfig config = SampleData::sampleConfig();
    if (stored)
        config.quality = *stored;
    harness.loadConfig(config);
    SetupCoordinator coordinator(Mode::reRun, harness.model.get());
    for (const QualityProfile profile : choices)
        coordinator.setQualityProfile(profile);

    harness.client->enqueue(Method::setConfig, Outcome::result("{}"));
    harness.client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { config }));
    QCoro::waitFor(coordinator.commit());

    // Nothing else was changed: the quality is all there is to send, or nothing is sent.
    ConfigPatch patch;
    patch.quality = sent;
    const QList<Request> expected
        = sent ? QList<Request> { Request::setConfig(patch), Request::getConfig() } : QList<Request> {};
    QCOMPARE(harness.sentRequests(), expected);
}

// Began without a configuration (its read failed): finishing writes only the
// fields the user set whole (the folder, the quality profile), also where the
// choice equals a default, nothing when nothing was set, and never a list or
// a record made up around a change (the sources, the identity pair); the
// failed read is not reported as the commit's failure.
void SetupCoordinatorTest::commitWithoutAConfigurationSendsOnlyChanges_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<ConfigPatch>("sent"); // empty: nothing is sent

    QTest::newRow("untouched") << Change([](SetupCoordinator&) {}) << ConfigPatch {};
    ConfigPatch defaults;
    defaults.outputDir = QString::fromLatin1(SetupCoordinator::kDefaultOutputDir);
    defaults.quality = toQuality(QualityProfile::balanced);
    QTest::newRow("changed and set to the defaults") << Change([](SetupCoordinator& c) {
        c.setOutputDir(QStringLiteral("~/Crates"));
        c.setQualityProfile(QualityProfile::best);
        c.setOutputDir(QString::fromLatin1(SetupCoordinator::kDefaultOutputDir));
        c.setQualityProfile(QualityProfile::balanced);
    }) << defaults;
    ConfigPatch folder;
    folder.outputDir = QStringLiteral("~/Crates");
    QTest::newRow("folder") << Change([](SetupCoordinator& c) { c.setOutputDir(QStringLiteral("~/Crates")); })
                            << folder;
    QTest::newRow("sources: a list not read")
        << Change([](SetupCoordinator& c) { c.setSelectedSources({ SourceId::youtube }); }) << ConfigPatch {};
    ConfigPatch quality;
    quality.quality = toQuality(QualityProfile::fast);
    QTest::newRow("quality") << Change([](SetupCoordinator& c) { c.setQualityProfile(QualityProfile::fast); })
                             << quality;
    QTest::newRow("strict only: a record not read")
        << Change([](SetupCoordinator& c) { c.setIdentityStrict(true); }) << ConfigPatch {};
    QTest::newRow("matching and a folder: only the folder") << Change([](SetupCoordinator& c) {
        c.setIdentityEnabled(true);
        c.setOutputDir(QStringLiteral("~/Crates"));
    }) << folder;
}

void SetupCoordinatorTest::commitWithoutAConfigurationSendsOnlyChanges()
{
    QFETCH(Change, change);
    QFETCH(ConfigPatch, sent);

    Harness harness;
    const Outcome unreadable = Outcome::engineError("internal", "The configuration file is damaged.");
    harness.client->enqueue(Method::getConfig, { unreadable, unreadable });
    QCoro::waitFor(harness.model->settings()->refresh());
    QVERIFY(harness.model->settings()->lastError());
    harness.client->clearSent();

    SetupCoordinator coordinator(Mode::firstRun, harness.model.get());
    change(coordinator);
    harness.client->enqueue(Method::setConfig, Outcome::result("{}"));
    harness.client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { SampleData::sampleConfig() }));
    QCoro::waitFor(coordinator.commit());

    const QList<Request> expected = sent == ConfigPatch {}
        ? QList<Request> {}
        : QList<Request> { Request::setConfig(sent), Request::getConfig() };
    QCOMPARE(harness.sentRequests(), expected);
    QCOMPARE(coordinator.lastError(), std::nullopt);
}

// The configuration changes while the wizard is open (Settings changed it):
// what the user left alone shows the newer value and is not written; what the
// user changed is written on top of the newer record.
void SetupCoordinatorTest::commitBuildsOnTheConfigurationAsItIsNow_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<QList<SourceId>>("shownSources");
    QTest::addColumn<ConfigPatch>("sent"); // empty: nothing is sent

    const QList<SourceId> newer { SourceId::soulseek, SourceId::bandcamp };
    QTest::newRow("untouched") << Change([](SetupCoordinator&) {}) << newer << ConfigPatch {};
    ConfigPatch sources;
    sources.sources = QList { SourceId::soulseek, SourceId::bandcamp, SourceId::youtube };
    QTest::newRow("another source switched") << Change([](SetupCoordinator& c) {
        c.setSelectedSources({ SourceId::soulseek, SourceId::youtube });
    }) << sources.sources.value() << sources;
    ConfigPatch strict;
    strict.identity = SafeConfig::Identity { true, true };
    QTest::newRow("strict switched: matching as Settings left it")
        << Change([](SetupCoordinator& c) { c.setIdentityStrict(true); }) << newer << strict;
    ConfigPatch folder;
    folder.outputDir = QStringLiteral("~/Wizard");
    QTest::newRow("folder chosen in both: the wizard's is the later word")
        << Change([](SetupCoordinator& c) { c.setOutputDir(QStringLiteral("~/Wizard")); }) << newer << folder;
}

void SetupCoordinatorTest::commitBuildsOnTheConfigurationAsItIsNow()
{
    QFETCH(Change, change);
    QFETCH(QList<SourceId>, shownSources);
    QFETCH(ConfigPatch, sent);

    SafeConfig opened = SampleData::sampleConfig();
    opened.sources = { SourceId::soulseek };
    opened.identity = SafeConfig::Identity { false, false };
    opened.ui.theme = Theme::light;
    Harness harness;
    harness.loadConfig(opened);
    SetupCoordinator coordinator(Mode::reRun, harness.model.get());
    change(coordinator);

    SafeConfig changed = opened;
    changed.sources = { SourceId::soulseek, SourceId::bandcamp };
    changed.identity.enabled = true;
    changed.outputDir = QStringLiteral("~/Settings");
    changed.ui.theme = Theme::dark;
    const QList<SourceId> shownBefore = coordinator.selectedSources();
    QSignalSpy sourcesShown(&coordinator, &SetupCoordinator::selectedSourcesChanged);
    harness.loadConfig(changed);
    QCOMPARE(coordinator.selectedSources(), shownSources);
    QCOMPARE(sourcesShown.isEmpty(), shownBefore == shownSources);
    QCOMPARE(coordinator.identityEnabled(), true);
    QCOMPARE(coordinator.outputDir(), sent.outputDir.value_or(QStringLiteral("~/Settings")));

    harness.client->enqueue(Method::setConfig, Outcome::result("{}"));
    harness.client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { changed }));
    QCoro::waitFor(coordinator.commit());
    const QList<Request> expected = sent == ConfigPatch {}
        ? QList<Request> {}
        : QList<Request> { Request::setConfig(sent), Request::getConfig() };
    QCOMPARE(harness.sentRequests(), expected);
}

// A wizard opened before the helper link exists: the tool store that start()
// makes later still decides whether the tools screen can be left.
void SetupCoordinatorTest::readinessFollowsStoresAttachedLater()
{
    QTemporaryDir dir;
    qputenv("MIVO_HELPER_PATH", test::standInHelperPath().toLocal8Bit());
    qputenv("MIVO_STANDIN_CONFIG", dir.filePath(QStringLiteral("config.json")).toLocal8Bit());
    const auto cleanup = qScopeGuard([] {
        qunsetenv("MIVO_HELPER_PATH");
        qunsetenv("MIVO_STANDIN_CONFIG");
    });

    Harness harness(false);
    // The helper ends while its folder is still there.
    const auto stop = qScopeGuard([&harness] { harness.model->stopHelper(); });
    SetupCoordinator coordinator(Mode::firstRun, harness.model.get());
    QSignalSpy readiness(&coordinator, &SetupCoordinator::readinessChanged);
    test::TaskProbe<void> start(harness.model->start());
    QTRY_VERIFY_WITH_TIMEOUT(start.isDone(), 30000);
    QVERIFY(harness.model->toolProvisioning());
    QVERIFY(readiness.count() > 0);
    QVERIFY(!coordinator.canAdvancePastTools());

    readiness.clear();
    test::TaskProbe<void> provisioning(harness.model->toolProvisioning()->provision());
    QTRY_VERIFY_WITH_TIMEOUT(provisioning.isDone(), 30000);
    QVERIFY(readiness.count() > 0);
    QVERIFY(coordinator.canAdvancePastTools());
}

void SetupCoordinatorTest::commitAfterTheModelIsGoneOnlyRaisesItsFlag()
{
    Harness harness;
    SetupCoordinator coordinator(Mode::firstRun, harness.model.get());
    coordinator.setSoundcloudToken(QStringLiteral("sc"));
    harness.model.reset();

    QSignalSpy committing(&coordinator, &SetupCoordinator::isCommittingChanged);
    QCoro::waitFor(coordinator.commit());
    QCOMPARE(committing.count(), 2);
    QVERIFY(!coordinator.isCommitting());
    QCOMPARE(coordinator.lastError(), std::nullopt);
}

// A VPN subscription must be an absolute http or https address: anything else
// is not handed over, and the commit says why.
void SetupCoordinatorTest::commitKeepsBackASubscriptionThatIsNoAddress_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("sent");
    QTest::newRow("words") << "not a url" << false;
    QTest::newRow("other scheme") << "vpn://subscription/1" << false;
    QTest::newRow("no host") << "https://" << false;
    QTest::newRow("relative") << "/sub/1" << false;
    QTest::newRow("https") << " https://vpn.example/sub?token=1 " << true;
    QTest::newRow("http") << "http://10.0.0.1:8080/s" << true;
}

void SetupCoordinatorTest::commitKeepsBackASubscriptionThatIsNoAddress()
{
    QFETCH(QString, typed);
    QFETCH(bool, sent);
    Harness harness;
    harness.loadConfig(SampleData::sampleConfig());
    SetupCoordinator coordinator(Mode::reRun, harness.model.get());
    coordinator.setProxySubscription(typed);
    harness.client->enqueue(Method::setConfig, Outcome::result("{}"));
    harness.client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { SampleData::sampleConfig() }));
    harness.client->enqueue(Method::storeAccountToken, Outcome::result("{}"));
    QCoro::waitFor(coordinator.commit());

    QCOMPARE(harness.client->sentMethods().contains(Method::storeAccountToken), sent);
    QCOMPARE(
        coordinator.lastError(), sent ? std::nullopt : std::optional(SubscriptionAddress::refusalText()));
    QCOMPARE(coordinator.proxySubscription(), typed);
}

QTEST_MAIN(SetupCoordinatorTest)
#include "tst_setupcoordinator.moc"
