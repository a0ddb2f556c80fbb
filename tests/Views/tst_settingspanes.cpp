#include "App/AppModel.h"
#include "Services/AutomationPermissionMonitor.h"
#include "Services/UpdateFramework.h"
#include "Services/UpdaterModel.h"
#include "Styling/ButtonStyling.h"
#include "Styling/GlassEnvironment.h"
#include "Styling/StatusPill.h"
#include "Styling/Tokens.h"
#include "Support/SampleData.h"
#include "Support/SubscriptionAddress.h"
#include "TestSupport/OnboardingHarness.h"
#include "TestSupport/PaneModel.h"
#include "TestSupport/ScopedEnvironment.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "TestSupport/TaskProbe.h"
#include "TestSupport/TestPaths.h"
#include "TestSupport/UnstartedModel.h"
#include "Transport/ResultRecords.h"
#include "Views/MainCommands.h"
#include "Views/Settings/AccountsSettings.h"
#include "Views/Settings/DiagnosticsSettings.h"
#include "Views/Settings/DoctorCheckDelegate.h"
#include "Views/Settings/DoctorCheckModel.h"
#include "Views/Settings/FormStepper.h"
#include "Views/Settings/FormText.h"
#include "Views/Settings/OutputSettings.h"
#include "Views/Settings/ProxySettings.h"
#include "Views/Settings/QualitySettings.h"
#include "Views/Settings/SettingsSection.h"
#include "Views/Settings/SettingsWindow.h"
#include "Views/Settings/SourceOrderModel.h"
#include "Views/Settings/SourceRowDelegate.h"
#include "Views/Settings/SourcesSettings.h"
#include "Views/Settings/SwitchButton.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

using namespace mivo;
using test::button;
using test::find;
using Outcome = test::ScriptedHelperClient::Outcome;

namespace {

using Fixture = test::PaneModel;

SafeConfig sampleConfig()
{
    SafeConfig config = SampleData::sampleConfig();
    config.sources = { SourceId::soulseek, SourceId::bandcamp, SourceId::soundcloud };
    config.quality = SafeConfig::Quality { QualityFloor::flac, false, true, false };
    config.run = SafeConfig::Run { 20, 4, 2.5, 7, 24 };
    config.identity = SafeConfig::Identity { true, false };
    config.outputDir = QStringLiteral("~/Music/DjayImport");
    config.proxy = SafeConfig::Proxy { false, false };
    return config;
}

// The sample configuration once a VPN subscription is stored.
SafeConfig withStoredSubscription()
{
    SafeConfig config = sampleConfig();
    config.proxy.configured = true;
    return config;
}

// Clicks the enable switch of a source in the Sources pane's list.
void clickSourceSwitch(SourcesSettings& pane, SourceId source)
{
    QListView* list = pane.list();
    const int row = int(pane.orderModel()->order().indexOf(source));
    const QRect rect = list->visualRect(pane.orderModel()->index(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, SourceRowDelegate::switchRect(rect).center());
}

using Action = std::function<void(Fixture&)>;

struct NoUpdates : UpdateFramework {
    void checkForUpdates() override { }
    bool automaticallyChecksForUpdates() const override { return false; }
    void setAutomaticallyChecksForUpdates(bool) override { }
};

} // namespace

Q_DECLARE_METATYPE(Action)
Q_DECLARE_METATYPE(mivo::ConfigPatch)

class TestSettingsPanes : public QObject {
    Q_OBJECT

private slots:
    // Each control of a pane writes exactly one field, the whole record it
    // belongs to, built from what the pane showed.
    void eachControlWritesOneField_data()
    {
        QTest::addColumn<SafeConfig>("config");
        QTest::addColumn<Action>("action");
        QTest::addColumn<ConfigPatch>("patch");

        const SafeConfig config = sampleConfig();
        auto sources = [](QList<SourceId> list) {
            ConfigPatch patch;
            patch.sources = list;
            return patch;
        };
        auto run = [&config](auto change) {
            ConfigPatch patch;
            patch.run = config.run;
            change(*patch.run);
            return patch;
        };
        auto quality = [&config](auto change) {
            ConfigPatch patch;
            patch.quality = config.quality;
            change(*patch.quality);
            return patch;
        };

        QTest::newRow("source switched off") << config << Action([](Fixture& f) {
            SourcesSettings pane(*f.model);
            pane.resize(520, 600);
            pane.show();
            clickSourceSwitch(pane, SourceId::soundcloud);
            QVERIFY(f.sentCount(1));
        }) << sources({ SourceId::soulseek, SourceId::bandcamp });
        SafeConfig none = config;
        none.sources = {};
        QTest::newRow("source switched on with none enabled") << none << Action([](Fixture& f) {
            SourcesSettings pane(*f.model);
            pane.resize(520, 600);
            pane.show();
            clickSourceSwitch(pane, SourceId::youtube);
            QVERIFY(f.sentCount(1));
        }) << sources({ SourceId::youtube });
        SafeConfig two = config;
        two.sources = { SourceId::soulseek, SourceId::youtube };
        QTest::newRow("source moved to the top") << two << Action([](Fixture& f) {
            SourcesSettings pane(*f.model);
            SourceOrderModel* order = pane.orderModel();
            QCOMPARE(order->order(),
                (QList { SourceId::soulseek, SourceId::youtube, SourceId::bandcamp, SourceId::soundcloud }));
            // Each row is read as its switch.
            QCOMPARE(
                order->index(0).data(Qt::AccessibleTextRole).toString(), QStringLiteral("Enable Soulseek"));
            QVERIFY(order->moveRows({}, 1, 1, {}, 0));
            QVERIFY(f.sentCount(1));
        }) << sources({ SourceId::youtube, SourceId::soulseek });
        QTest::newRow("results per source clamped at 20") << config << Action([](Fixture& f) {
            SourcesSettings pane(*f.model);
            find<QToolButton>(&pane, "Increase Results per source")->click();
            QVERIFY(f.sentCount(1));
        }) << run([](SafeConfig::Run& r) { r.searchCount = 20; });
        QTest::newRow("search timeout stepped down, clamped at 5") << config << Action([](Fixture& f) {
            SourcesSettings pane(*f.model);
            find<QToolButton>(&pane, "Decrease Search timeout")->click();
            QVERIFY(f.sentCount(1));
        }) << run([](SafeConfig::Run& r) { r.searchTimeoutSec = 5; });
        QTest::newRow("search timeout stepped up by 5") << config << Action([](Fixture& f) {
            SourcesSettings pane(*f.model);
            find<QToolButton>(&pane, "Increase Search timeout")->click();
            QVERIFY(f.sentCount(1));
        }) << run([](SafeConfig::Run& r) { r.searchTimeoutSec = 12; });
        QTest::newRow("cool-off stepped down") << config << Action([](Fixture& f) {
            SourcesSettings pane(*f.model);
            find<QToolButton>(&pane, "Decrease Cool-off after a failure")->click();
            QVERIFY(f.sentCount(1));
        }) << run([](SafeConfig::Run& r) { r.cooloffHours = 23; });
        QTest::newRow("quality floor") << config << Action([](Fixture& f) {
            QualitySettings pane(*f.model);
            auto* floor = pane.findChild<QComboBox*>();
            floor->setCurrentIndex(1);
            emit floor->activated(1);
            QVERIFY(f.sentCount(1));
        }) << quality([](SafeConfig::Quality& q) { q.floor = QualityFloor::mp3_320; });
        QTest::newRow("lossless only") << config << Action([](Fixture& f) {
            QualitySettings pane(*f.model);
            find<SwitchButton>(&pane, "Lossless only")->click();
            QVERIFY(f.sentCount(1));
        }) << quality([](SafeConfig::Quality& q) { q.losslessOnly = true; });
        QTest::newRow("best quality off") << config << Action([](Fixture& f) {
            QualitySettings pane(*f.model);
            find<SwitchButton>(&pane, "Prefer best available quality")->click();
            QVERIFY(f.sentCount(1));
        }) << quality([](SafeConfig::Quality& q) { q.bestQuality = false; });
        ConfigPatch verifyOff;
        verifyOff.identity = SafeConfig::Identity { false, false };
        QTest::newRow("verification off keeps strict") << config << Action([](Fixture& f) {
            QualitySettings pane(*f.model);
            find<SwitchButton>(&pane, "Verify matches with MusicBrainz + AcoustID")->click();
            QVERIFY(f.sentCount(1));
        }) << verifyOff;
        ConfigPatch strictOn;
        strictOn.identity = SafeConfig::Identity { true, true };
        QTest::newRow("strict on keeps verification") << config << Action([](Fixture& f) {
            QualitySettings pane(*f.model);
            find<SwitchButton>(&pane, "Strict — reject mismatched recordings")->click();
            QVERIFY(f.sentCount(1));
        }) << strictOn;
        ConfigPatch folder;
        folder.outputDir = QStringLiteral("/srv/music/Crates");
        QTest::newRow("output folder chosen") << config << Action([](Fixture& f) {
            OutputSettings pane(
                *f.model, [](QWidget*, const QString&) { return QStringLiteral("/srv/music/Crates/"); });
            pane.chooseButton()->click();
            QVERIFY(f.sentCount(1));
        }) << folder;
    }
    void eachControlWritesOneField()
    {
        QFETCH(SafeConfig, config);
        QFETCH(Action, action);
        QFETCH(ConfigPatch, patch);
        Fixture f;
        QVERIFY(f.load(config));
        f.client->enqueue(Method::setConfig, Outcome::absent());
        f.client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { config }));

        action(f);
        if (QTest::currentTestFailed())
            return;

        QCOMPARE(f.client->sent().first().request, Request::setConfig(patch));
    }

    // Every pane is usable before the helper link is attached and fills in
    // once the stores arrive.
    void panesBeforeAndAfterAttach()
    {
        test::UnstartedModel unstarted;
        AppModel& model = unstarted.model;
        UpdaterModel updater(std::make_unique<NoUpdates>(), QStringLiteral("1.2.3"));
        SettingsWindow window(model, updater);
        window.show();
        auto* accounts = window.findChild<AccountsSettings*>();
        auto* sources = window.findChild<SourcesSettings*>();
        auto* quality = window.findChild<QualitySettings*>();
        auto* output = window.findChild<OutputSettings*>();
        QCOMPARE(window.paneCount(), 8);
        QVERIFY(button(accounts, "Connect") && !button(accounts, "Disconnect"));
        QCOMPARE(sources->orderModel()->order(),
            (QList { SourceId::soulseek, SourceId::bandcamp, SourceId::soundcloud, SourceId::youtube }));
        for (const SourceId source : sources->orderModel()->order())
            QVERIFY(!sources->orderModel()->isEnabled(source));
        QToolButton* more = find<QToolButton>(sources, "Increase Results per source");
        QVERIFY(!more->isVisibleTo(sources));
        QVERIFY(!find<SwitchButton>(quality, "Lossless only")->isVisibleTo(quality));
        QCOMPARE(output->pathText()->text(), QStringLiteral("Not set"));

        test::TaskProbe<void> started(model.start());
        QTRY_VERIFY(started.isDone());
        QTRY_VERIFY(model.settings() && model.settings()->config());
        QTRY_VERIFY(more->isVisibleTo(sources));
        QVERIFY(find<SwitchButton>(quality, "Lossless only")->isVisibleTo(quality));
        QCOMPARE(sources->orderModel()->order().mid(0, model.settings()->config()->sources.size()),
            model.settings()->config()->sources);
        QVERIFY(output->pathText()->text() != QStringLiteral("Not set"));
    }

    // Blank secrets are never sent (they would erase a stored one); others
    // are sent trimmed, and a refused one says why in the pane.
    void secretsAreTrimmedAndBlankOnesKept_data()
    {
        QTest::addColumn<QString>("pane");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<std::optional<QString>>("sent");
        QTest::addColumn<std::optional<QString>>("error");

        const std::optional<QString> nothing;
        for (const QString pane : { "sources", "quality" }) {
            QTest::addRow("%s, empty", qPrintable(pane)) << pane << "" << nothing << nothing;
            QTest::addRow("%s, blanks", qPrintable(pane)) << pane << " \t " << nothing << nothing;
            QTest::addRow("%s, padded", qPrintable(pane))
                << pane << "  key-123 " << std::optional<QString>("key-123") << nothing;
            QTest::addRow("%s, refused", qPrintable(pane))
                << pane << "bad" << std::optional<QString>("bad")
                << std::optional<QString>("That key is not valid.");
        }
    }
    void secretsAreTrimmedAndBlankOnesKept()
    {
        QFETCH(QString, pane);
        QFETCH(QString, typed);
        QFETCH(std::optional<QString>, sent);
        QFETCH(std::optional<QString>, error);
        Fixture f;
        QVERIFY(f.load(sampleConfig()));
        f.client->enqueue(Method::storeAccountToken,
            error ? Outcome::engineError("invalid_params", *error) : Outcome::absent());

        std::unique_ptr<SettingsPane> view;
        QString field;
        AccountService service;
        if (pane == "sources") {
            view = std::make_unique<SourcesSettings>(*f.model);
            field = "SoundCloud OAuth token";
            service = AccountService::soundcloud;
        } else {
            view = std::make_unique<QualitySettings>(*f.model);
            field = "AcoustID API key";
            service = AccountService::acoustid;
        }
        auto* edit = find<QLineEdit>(view.get(), field);
        QVERIFY(edit);
        edit->setText(typed);
        emit edit->returnPressed();

        if (!sent) {
            QTest::qWait(0);
            QVERIFY(f.client->sent().isEmpty());
            return;
        }
        QVERIFY(f.sentCount(1));
        QCOMPARE(f.client->sent().first().request, Request::storeAccountToken(service, *sent, std::nullopt));
        QTRY_COMPARE(view->errorText(), error);
    }

    // A failed write says why in the pane that made it, in a line of its own
    // that moves none of the controls; the next successful write clears it.
    void failedWriteShowsInThePane()
    {
        Fixture f;
        QVERIFY(f.load(sampleConfig()));
        QualitySettings pane(*f.model);
        pane.resize(560, 400);
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        f.client->enqueue(
            Method::setConfig, Outcome::engineError("internal", "The configuration is read-only."));

        SwitchButton* lossless = find<SwitchButton>(&pane, "Lossless only");
        const QPoint before = lossless->mapTo(&pane, QPoint());
        lossless->click();
        QTRY_COMPARE(pane.errorText(), QStringLiteral("The configuration is read-only."));
        QVERIFY(!lossless->isChecked()); // still what the helper has
        QCoreApplication::processEvents();
        QCOMPARE(lossless->mapTo(&pane, QPoint()).y(), before.y());
        const auto* line = pane.findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(line && line->isVisible() && line->text() == pane.errorText());
        QVERIFY(!line->geometry().intersects(pane.viewport()->geometry()));

        f.client->enqueue(Method::setConfig, Outcome::absent());
        f.client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { sampleConfig() }));
        find<SwitchButton>(&pane, "Upgrade existing files when better found")->click();
        QTRY_COMPARE(pane.errorText(), std::nullopt);
    }

    // The VPN text is cleared only once the helper took it.
    void vpnSaveClearsTheFieldOnlyOnSuccess()
    {
        Fixture f;
        QVERIFY(f.load(sampleConfig()));
        ProxySettings pane(*f.model);
        QLineEdit* field = pane.subscriptionField();
        field->setText(QStringLiteral("  https://vpn.example/sub/1\t"));
        QCOMPARE(pane.primaryButton()->text(), QStringLiteral("Save"));
        QVERIFY(pane.primaryButton()->isEnabled());

        f.client->enqueue(
            Method::storeAccountToken, Outcome::engineError("invalid_params", "Not a subscription."));
        pane.primaryButton()->click();
        QTRY_COMPARE(pane.errorText(), QStringLiteral("Not a subscription."));
        QCOMPARE(field->text(), QStringLiteral("  https://vpn.example/sub/1\t"));
        QCOMPARE(f.client->sent().first().request,
            Request::storeAccountToken(
                AccountService::proxy, QStringLiteral("https://vpn.example/sub/1"), std::nullopt));

        f.client->enqueue(Method::storeAccountToken, Outcome::absent());
        f.client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { withStoredSubscription() }));
        pane.primaryButton()->click();
        QTRY_COMPARE(field->text(), QString());
        QCOMPARE(pane.errorText(), std::nullopt);
        QCOMPARE(pane.primaryButton()->text(), QStringLiteral("Test"));
        QVERIFY(!pane.forgetButton()->isHidden());
        QVERIFY(pane.findChild<SettingsSection*>()->footer()->text().startsWith(
            QStringLiteral("A subscription URL is stored by the mivo helper.")));
    }

    // A text that is no absolute http or https address is refused under the
    // field, kept there to be mended, and never sent.
    void vpnRefusesWhatIsNoAddress_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("words") << "not a url";
        QTest::newRow("other scheme") << "vpn://sub/1";
        QTest::newRow("no host") << "https://";
        QTest::newRow("bare host") << "vpn.example/sub";
    }
    void vpnRefusesWhatIsNoAddress()
    {
        QFETCH(QString, typed);
        Fixture f;
        QVERIFY(f.load(sampleConfig()));
        ProxySettings pane(*f.model);
        pane.show();
        QLineEdit* field = pane.subscriptionField();
        QTest::keyClicks(field, typed);
        QVERIFY(!pane.refusalText()->isVisible());
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(pane.refusalText()->isVisible());
        QCOMPARE(pane.refusalText()->text(), SubscriptionAddress::refusalText());
        pane.primaryButton()->click();
        QCOMPARE(field->text(), typed);
        QTest::qWait(0);
        QVERIFY(f.client->sent().isEmpty());

        QTest::keyClick(field, Qt::Key_Backspace);
        QVERIFY(!pane.refusalText()->isVisible());
    }

    // The refusal shows below the buttons: they stay where they were, it
    // covers none of them, and no room waits for it under the field.
    void vpnRefusalMovesNoButton()
    {
        Fixture f;
        QVERIFY(f.load(withStoredSubscription()));
        ProxySettings pane(*f.model);
        pane.resize(560, 400);
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        QPushButton* primary = pane.primaryButton();
        const auto top = [&pane](QWidget* widget) { return widget->mapTo(&pane, QPoint()).y(); };
        QCOMPARE(primary->text(), QStringLiteral("Test"));
        QVERIFY(pane.forgetButton()->isVisible());
        const int primaryTop = top(primary);
        const int forgetTop = top(pane.forgetButton());
        const int fieldBottom = top(pane.subscriptionField()) + pane.subscriptionField()->height();
        QVERIFY2(primaryTop - fieldBottom <= int(Tokens::Space::lg),
            qPrintable(
                QStringLiteral("%1 px between the field and the buttons").arg(primaryTop - fieldBottom)));

        QTest::keyClicks(pane.subscriptionField(), QStringLiteral("not a url"));
        QCOMPARE(primary->text(), QStringLiteral("Save"));
        primary->click();
        QCoreApplication::processEvents();
        QVERIFY(pane.refusalText()->isVisible());
        QCOMPARE(top(primary), primaryTop);
        QCOMPARE(top(pane.forgetButton()), forgetTop);
        QVERIFY(top(pane.refusalText()) >= primaryTop + primary->height());
        QVERIFY(top(pane.refusalText()) >= forgetTop + pane.forgetButton()->height());
    }

    // Blank input never saves; a test's result shows until something is typed.
    void vpnTestShowsItsResult()
    {
        Fixture f;
        QVERIFY(f.load(withStoredSubscription()));
        ProxySettings pane(*f.model);
        pane.subscriptionField()->setText(QStringLiteral("   "));
        QCOMPARE(pane.primaryButton()->text(), QStringLiteral("Test"));

        f.client->enqueue(
            Method::testProxy, Outcome::result(R"({"ok": false, "detail": "Handshake timed out"})"));
        pane.primaryButton()->click();
        QTRY_COMPARE(pane.resultText()->text(), QStringLiteral("Failed"));
        QVERIFY(!pane.resultText()->isHidden());
        QCOMPARE(pane.detailText()->text(), QStringLiteral("Handshake timed out"));

        pane.subscriptionField()->setText(QStringLiteral("x"));
        QVERIFY(pane.resultText()->isHidden());
        QCOMPARE(pane.primaryButton()->text(), QStringLiteral("Save"));
        QCOMPARE(f.client->sentMethods(), QList { Method::testProxy });
    }

    // The order is taken from the configuration held when the pane appears;
    // a later configuration moves rows only when it stores another order than
    // the one shown (written elsewhere, or a move the helper refused).
    void sourceOrderFollowsTheConfiguration()
    {
        Fixture f;
        SourcesSettings pane(*f.model);
        const QList<SourceId> initial { SourceId::soulseek, SourceId::bandcamp, SourceId::soundcloud,
            SourceId::youtube };
        QCOMPARE(pane.orderModel()->order(), initial);

        SafeConfig config = sampleConfig();
        config.sources = { SourceId::bandcamp, SourceId::soulseek };
        QVERIFY(f.load(config));
        const QList<SourceId> taken { SourceId::bandcamp, SourceId::soulseek, SourceId::soundcloud,
            SourceId::youtube };
        QCOMPARE(pane.orderModel()->order(), taken);
        QVERIFY(pane.orderModel()->isEnabled(SourceId::bandcamp));
        QVERIFY(!pane.orderModel()->isEnabled(SourceId::youtube));

        config.sources = { SourceId::bandcamp, SourceId::youtube };
        QVERIFY(f.load(config));
        QCOMPARE(pane.orderModel()->order(), taken);
        QVERIFY(pane.orderModel()->isEnabled(SourceId::youtube));

        config.sources = { SourceId::youtube, SourceId::bandcamp };
        QVERIFY(f.load(config));
        QCOMPARE(pane.orderModel()->order(),
            (QList { SourceId::youtube, SourceId::bandcamp, SourceId::soulseek, SourceId::soundcloud }));

        pane.show();
        QCOMPARE(pane.orderModel()->order(),
            (QList { SourceId::youtube, SourceId::bandcamp, SourceId::soulseek, SourceId::soundcloud }));
        pane.hide();
        config.sources = {};
        QVERIFY(f.load(config));
        pane.show();
        QCOMPARE(pane.orderModel()->order(),
            (QList { SourceId::youtube, SourceId::bandcamp, SourceId::soulseek, SourceId::soundcloud }));
    }

    // A sign-in under way shows in the pane and cannot be started twice.
    void spotifySignInShowsWhileUnderWay()
    {
        Fixture f;
        SafeConfig signedOut = sampleConfig();
        signedOut.spotifyConnected = false;
        QVERIFY(f.load(signedOut));
        AccountsSettings pane(*f.model);
        QPushButton* connect = button(&pane, "Connect");
        QVERIFY(connect && connect->isEnabled());

        f.client->setHoldReplies(true);
        f.client->enqueue(Method::connectSpotify, Outcome::absent());
        f.model->connectSpotify(); // started elsewhere, by the setup wizard say
        QCOMPARE(connect->text(), QStringLiteral("Connecting…"));
        QVERIFY(!connect->isEnabled());
        connect->click();
        QCOMPARE(f.client->sentMethods(), QList { Method::connectSpotify });

        SafeConfig signedIn = sampleConfig();
        signedIn.spotifyConnected = true;
        f.client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { signedIn }));
        f.client->enqueue(Method::listPlaylists, Outcome::encoded(ListPlaylistsResult {}));
        f.client->setHoldReplies(false);
        f.client->release();
        QTRY_COMPARE(connect->text(), QStringLiteral("Disconnect"));
        QVERIFY(connect->isEnabled());
    }

    // Apple Music's cloud sign-in is not offered on this system: its button
    // does nothing and the row says why.
    void appleMusicIsNotOffered()
    {
        Fixture f;
        SafeConfig disconnected = sampleConfig();
        disconnected.appleMusicConnected = false;
        disconnected.spotifyConnected = false;
        QVERIFY(f.load(disconnected));
        AccountsSettings pane(*f.model);
        const QList<QPushButton*> connects = [&] {
            QList<QPushButton*> found;
            for (QPushButton* candidate : pane.findChildren<QPushButton*>())
                if (candidate->text() == "Connect")
                    found.append(candidate);
            return found;
        }();
        QCOMPARE(connects.size(), 2);
        QVERIFY(!connects.first()->isEnabled());
        QVERIFY(pane.findChild<SettingsSection*>()->footer()->text()
            == AccountsSettings::appleMusicUnavailableText());
    }

    // An Apple Music account the helper reports connected shows as connected
    // even where this system offers no sign-in; only what is missing says so.
    void appleMusicConnectedBeatsUnavailable()
    {
        Fixture f;
        SafeConfig connected = sampleConfig();
        connected.appleMusicConnected = true;
        QVERIFY(f.load(connected));
        AccountsSettings pane(*f.model);
        pane.show();
        const auto* section = pane.findChild<SettingsSection*>();
        QCOMPARE(section->footer()->text(), AccountsSettings::musicAppUnavailableText());
        QPushButton* disconnect = button(&pane, "Disconnect");
        QVERIFY(disconnect && disconnect->isEnabled());
        bool pillShown = false;
        const QList<StatusPill*> pills = section->findChildren<StatusPill*>();
        for (const StatusPill* pill : pills)
            pillShown = pillShown || (pill->isVisible() && pill->text() == u"Connected");
        QVERIFY(pillShown);
    }

    // The Music-app row follows the automation consent where there is a Music
    // app: what it says, and the one action that can change it.
    void musicAppRowFollowsTheConsent_data()
    {
        QTest::addColumn<bool>("supported");
        QTest::addColumn<AppleMusicLocalAccess::Status>("status");
        QTest::addColumn<QString>("pill");
        QTest::addColumn<QString>("action"); // the button shown after the pill, "" for none

        using Status = AppleMusicLocalAccess::Status;
        QTest::newRow("no Music app here") << false << Status::authorized << "Not available"
                                           << "";
        QTest::newRow("authorized") << true << Status::authorized << "Enabled"
                                    << "";
        QTest::newRow("denied") << true << Status::denied << "Denied"
                                << "Open Settings…";
        QTest::newRow("undetermined") << true << Status::undetermined << "Not enabled"
                                      << "Grant Access…";
    }
    void musicAppRowFollowsTheConsent()
    {
        QFETCH(bool, supported);
        QFETCH(AppleMusicLocalAccess::Status, status);
        QFETCH(QString, pill);
        QFETCH(QString, action);
        test::OnboardingHarness harness(true, status, supported);
        harness.loadConfig(sampleConfig());
        AccountsSettings pane(*harness.model);
        pane.show();

        QStringList pills;
        for (const StatusPill* shown : pane.findChildren<StatusPill*>())
            if (shown->isVisible())
                pills.append(shown->text());
        QVERIFY2(pills.contains(pill), qPrintable(pills.join(u'|')));
        for (const QString button : { "Open Settings…", "Grant Access…" }) {
            QPushButton* found = test::button(&pane, button);
            QVERIFY(found);
            QCOMPARE(found->isVisible(), button == action);
        }
    }

    // Consent granted from the pane lists the Music app's playlists at once.
    void grantingAccessListsTheMusicAppsPlaylists()
    {
        // Answers "permitted" once the user is asked, "not decided" before.
        struct GrantingProbe : AutomationProbe {
            std::optional<qint32> determinePermission(const QString&, bool ask) override
            {
                return ask ? kPermitted : kWouldRequireConsent;
            }
        };
        AutomationPermissionMonitor automation(AppleMusicLocalAccess(std::make_shared<GrantingProbe>()));
        AppModel::Options options;
        options.automationPermission = &automation;
        auto owned = std::make_unique<test::ScriptedHelperClient>();
        test::ScriptedHelperClient* client = owned.get();
        AppModel model(std::move(owned), options);
        AccountsSettings pane(model);
        pane.show();
        client->enqueue(Method::listPlaylists, Outcome::encoded(ListPlaylistsResult {}));

        button(&pane, "Grant Access…")->click();
        QTRY_COMPARE(automation.status(), AppleMusicLocalAccess::Status::authorized);
        QTRY_COMPARE(client->sent().size(), 1);
        QCOMPARE(client->sent().first().request, Request::listPlaylists(PlaylistSourceId::apple));
        QVERIFY(!button(&pane, "Grant Access…")->isVisible());
    }

    // "Choose…" opens at the download folder, or at home when that is gone;
    // the writable check runs each time the pane is shown and after a choice.
    void outputFolderIsCheckedAgain()
    {
        Fixture f;
        QTemporaryDir place;
        const QString folder = place.filePath(QStringLiteral("Crates"));
        QVERIFY(QDir().mkpath(folder));
        SafeConfig config = sampleConfig();
        config.outputDir = folder;
        QVERIFY(f.load(config));
        QStringList startedIn;
        OutputSettings pane(*f.model, [&](QWidget*, const QString& start) {
            startedIn.append(start);
            return folder;
        });
        pane.show();
        QCOMPARE(pane.section()->footer()->text(), QStringLiteral("Folder is writable."));

        pane.hide();
        QVERIFY(QDir(folder).removeRecursively());
        pane.show();
        QCOMPARE(pane.section()->footer()->text(), QStringLiteral("Folder is not writable."));

        QVERIFY(QDir().mkpath(folder));
        pane.chooseButton()->click();
        QCOMPARE(pane.section()->footer()->text(), QStringLiteral("Folder is writable."));
        QVERIFY(QDir(folder).removeRecursively());
        pane.chooseButton()->click();
        QCOMPARE(pane.section()->footer()->text(), QStringLiteral("Folder is not writable."));
        QCOMPARE(startedIn, (QStringList { folder, QDir::homePath() }));
    }

    // The configuration is read once each time the window is shown.
    void windowRereadsTheConfigurationPerShowing()
    {
        Fixture f;
        UpdaterModel updater(std::make_unique<NoUpdates>(), QStringLiteral("1.2.3"));
        for (int i = 0; i < 2; ++i)
            f.client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { sampleConfig() }));
        SettingsWindow window(*f.model, updater);
        QCOMPARE(window.paneCount(), 8);
        QCOMPARE(window.size(), SettingsWindow::kSize);
        QVERIFY(f.client->sent().isEmpty());

        window.show();
        QVERIFY(f.sentCount(1));
        window.setCurrentPane(3);
        QCOMPARE(window.size(), SettingsWindow::kSize);
        QTest::qWait(50);
        QCOMPARE(f.client->sent().size(), 1);

        window.hide();
        window.show();
        QVERIFY(f.sentCount(2));
        QCOMPARE(f.client->sentMethods(), (QList { Method::getConfig, Method::getConfig }));
    }

    // "Settings…" opens one window and raises it again; the window is a top-level
    // window of its own, which closing the main window leaves open.
    void settingsCommandOpensOneTopLevelWindow()
    {
        Fixture f;
        UpdaterModel updater(std::make_unique<NoUpdates>(), QStringLiteral("1.2.3"));
        MainCommands commands(*f.model, updater);
        QAction* settings = commands.settingsAction();
        QCOMPARE(settings->text(), QStringLiteral("Settings…"));
        QCOMPARE(settings->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
        QCOMPARE(settings->shortcutContext(), Qt::ApplicationShortcut);
        f.client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { sampleConfig() }));

        QMainWindow main;
        main.show();
        settings->trigger();
        settings->trigger();
        const auto windows = [] {
            QList<SettingsWindow*> found;
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* window = qobject_cast<SettingsWindow*>(widget))
                    found.append(window);
            return found;
        };
        QCOMPARE(windows().size(), 1);
        SettingsWindow* window = windows().first();
        QVERIFY(window->isVisible() && !window->parentWidget());
        QVERIFY(f.sentCount(1)); // shown once, read once

        // A primary window that counts for the last-window rule, not a tool window.
        QCOMPARE(window->windowType(), Qt::Window);
        QVERIFY(window->testAttribute(Qt::WA_QuitOnClose));
        main.close();
        QVERIFY(window->isVisible());
        const QPointer<SettingsWindow> closing(window);
        window->close();
        QTRY_VERIFY(!closing); // made afresh for the next opening
    }

    // Diagnostics: a failing check with its fix, and a failed fix that says why.
    void diagnosticsRunAndFix()
    {
        Fixture f;
        DiagnosticsSettings pane(*f.model);
        QVERIFY(pane.placeholder()->isVisibleTo(&pane));
        f.client->enqueue(Method::runDoctor, Outcome::result(R"({"checks": [
            {"id": "ffmpeg", "title": "ffmpeg", "status": "fail", "detail": "Not found.", "fixable": true},
            {"id": "cache", "status": "OK"}]})"));
        pane.runAllButton()->click();
        QTRY_COMPARE(pane.checksModel()->rowCount(), 2);
        QVERIFY(!pane.placeholder()->isVisibleTo(&pane));
        const QModelIndex untitled = pane.checksModel()->index(1);
        QCOMPARE(untitled.data(DoctorCheckModel::TitleRole).toString(), QStringLiteral("cache"));
        QCOMPARE(untitled.data(DoctorCheckModel::SymbolRole).toString(), QStringLiteral("minus.circle"));
        QVERIFY(!untitled.data(DoctorCheckModel::FixableRole).toBool());

        f.client->enqueue(Method::doctorFix, Outcome::engineError("internal", "No network."));
        pane.resize(520, 400);
        pane.show();
        QListView* list = pane.list();
        QStyleOptionViewItem option;
        option.initFrom(list);
        option.rect = list->visualRect(pane.checksModel()->index(0));
        option.widget = list;
        auto* delegate = static_cast<QAbstractItemDelegate*>(list->itemDelegate());
        const QRect fix = static_cast<DoctorCheckDelegate*>(delegate)->fixButtonRect(option);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, fix.center());
        QTRY_COMPARE(pane.errorText(), QStringLiteral("No network."));
        QCOMPARE(f.client->sent().last().request, Request::doctorFix(QStringLiteral("ffmpeg")));
    }

    // A check's Fix button is the design system's small bordered button, drawn
    // by its button painting in the state the mouse puts it in (not the
    // toolkit's stock push button).
    void diagnosticsFixIsTheDesignSystemsButton_data()
    {
        QTest::addColumn<int>("state");
        QTest::newRow("at rest") << int(QStyle::State_None);
        QTest::newRow("hovered") << int(QStyle::State_MouseOver);
        QTest::newRow("pressed") << int(QStyle::State_MouseOver | QStyle::State_Sunken);
    }
    void diagnosticsFixIsTheDesignSystemsButton()
    {
        QFETCH(int, state);
        Fixture f;
        DiagnosticsSettings pane(*f.model);
        f.client->enqueue(Method::runDoctor, Outcome::result(R"({"checks": [
            {"id": "ffmpeg", "title": "ffmpeg", "status": "fail", "detail": "Not found.", "fixable": true}]})"));
        pane.runAllButton()->click();
        QTRY_COMPARE(pane.checksModel()->rowCount(), 1);
        pane.resize(520, 400);
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        QListView* list = pane.list();
        auto* delegate = qobject_cast<DoctorCheckDelegate*>(list->itemDelegate());
        QVERIFY(delegate);
        const QModelIndex index = pane.checksModel()->index(0);
        QStyleOptionViewItem option;
        option.initFrom(list->viewport());
        option.rect = list->visualRect(index);
        option.widget = list;
        const QRect fix = delegate->fixButtonRect(option);
        QTest::mouseMove(list->viewport(), state ? fix.center() : QPoint(2, 2));
        if (state & QStyle::State_Sunken)
            QTest::mousePress(list->viewport(), Qt::LeftButton, {}, fix.center());

        const QColor card(QStringLiteral("#f4f4f4"));
        const auto canvas = [&] {
            QImage image(option.rect.size(), QImage::Format_ARGB32_Premultiplied);
            image.fill(card);
            return image;
        };
        ButtonStyling::Spec spec;
        spec.style = ButtonStyle::bordered;
        spec.text = QStringLiteral("Fix");
        spec.controlSize = ControlSize::small;
        const auto designed = [&](int buttonState) {
            QImage image = canvas();
            QPainter painter(&image);
            painter.translate(-option.rect.topLeft());
            QStyleOption button;
            button.initFrom(list);
            button.rect = fix;
            button.state = QStyle::State_Enabled | QStyle::State(buttonState);
            ButtonStyling::paint(painter, button, spec, GlassEnvironment::of(list), list->font());
            return image.copy(fix.translated(-option.rect.topLeft()));
        };
        QImage row = canvas();
        {
            QPainter painter(&row);
            painter.translate(-option.rect.topLeft());
            delegate->paint(&painter, option, index);
        }
        const QImage drawn = row.copy(fix.translated(-option.rect.topLeft()));
        QCOMPARE(drawn, designed(state));
        // Each state looks unlike the button at rest.
        QCOMPARE(drawn == designed(QStyle::State_None), state == QStyle::State_None);
        if (state & QStyle::State_Sunken)
            QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, QPoint(2, 2));
    }
};

QTEST_MAIN(TestSettingsPanes)
#include "tst_settingspanes.moc"
