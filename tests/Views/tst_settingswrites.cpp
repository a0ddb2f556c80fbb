#include "State/SettingsStore.h"
#include "Support/SampleData.h"
#include "TestSupport/LogCapture.h"
#include "TestSupport/PaneModel.h"
#include "TestSupport/SettingsSession.h"
#include "TestSupport/WheelNotch.h"
#include "Transport/HelperClient.h"
#include "Transport/ResultRecords.h"
#include "Views/Onboarding/SetupCoordinator.h"
#include "Views/Settings/FormStepper.h"
#include "Views/Settings/GeneralSettings.h"
#include "Views/Settings/QualitySettings.h"
#include "Views/Settings/SettingsPane.h"
#include "Views/Settings/SourceOrderModel.h"
#include "Views/Settings/SourceRowDelegate.h"
#include "Views/Settings/SourcesSettings.h"
#include "Views/Settings/SwitchButton.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QWheelEvent>
#include <QtTest>

// Settings as the user changes it, through the real window over the stand-in
// helper and a stored configuration of non-default values.

using namespace mivo;
using mivo::test::wheelOver;
using test::button;
using test::find;
using Settings = test::SettingsSession;
using Outcome = test::ScriptedHelperClient::Outcome;

namespace {

// What the stand-in has written to its configuration file.
nlohmann::json storedConfig(const Settings& s)
{
    const QByteArray bytes = s.session.storedBytes();
    return bytes.isEmpty() ? nlohmann::json() : nlohmann::json::parse(bytes.toStdString(), nullptr, false);
}

// The texts `root` shows.
QStringList visibleTexts(QWidget* root)
{
    QStringList texts;
    for (const QLabel* label : root->findChildren<QLabel*>()) {
        if (label->isVisibleTo(root))
            texts << label->text();
    }
    return texts;
}

void clickSource(SourcesSettings* pane, SourceId source)
{
    const int row = int(pane->orderModel()->order().indexOf(source));
    const QRect rect = pane->list()->visualRect(pane->orderModel()->index(row));
    QTest::mouseClick(
        pane->list()->viewport(), Qt::LeftButton, {}, SourceRowDelegate::switchRect(rect).center());
}

enum class Change { twoSources, twoQualitySwitches, stepperTwice, floorThenSwitch };

// Makes two changes in quick succession, the second before the first is answered.
void makeTwoChanges(Settings& s, Change change)
{
    switch (change) {
    case Change::twoSources: {
        auto* pane = s.pane<SourcesSettings>(Settings::sources);
        clickSource(pane, SourceId::bandcamp);
        clickSource(pane, SourceId::soundcloud);
        break;
    }
    case Change::twoQualitySwitches: {
        auto* pane = s.pane<QualitySettings>(Settings::quality);
        find<SwitchButton>(pane, "Prefer best available quality")->click();
        find<SwitchButton>(pane, "Upgrade existing files when better found")->click();
        break;
    }
    case Change::stepperTwice: {
        auto* pane = s.pane<SourcesSettings>(Settings::sources);
        QToolButton* up = find<QToolButton>(pane, "Increase Parallel downloads");
        up->click();
        up->click();
        break;
    }
    case Change::floorThenSwitch: {
        auto* pane = s.pane<QualitySettings>(Settings::quality);
        auto* floor = pane->findChild<QComboBox*>();
        const int index = floor->findText(QStringLiteral("Any"));
        floor->setCurrentIndex(index);
        emit floor->activated(index);
        find<SwitchButton>(pane, "Lossless only")->click();
        break;
    }
    }
}

Settings::Pane paneOf(Change change)
{
    return change == Change::twoSources || change == Change::stepperTwice ? Settings::sources
                                                                          : Settings::quality;
}

} // namespace

Q_DECLARE_METATYPE(Change)
Q_DECLARE_METATYPE(Settings::Pane)

namespace {

// One row a pane, with whether it shows the helper's configuration in the
// column `shows`; Diagnostics only when asked for.
void paneRows(const char* shows, bool withDiagnostics)
{
    QTest::addColumn<Settings::Pane>("pane");
    QTest::addColumn<bool>(shows);
    const std::pair<const char*, Settings::Pane> panes[] = { { "General", Settings::general },
        { "Accounts", Settings::accounts }, { "Sources", Settings::sources },
        { "Quality", Settings::quality }, { "Output", Settings::output }, { "Corvane VPN", Settings::vpn },
        { "Command Line", Settings::commandLine }, { "Diagnostics", Settings::diagnostics } };
    for (const auto& [name, pane] : panes) {
        if (pane == Settings::diagnostics && !withDiagnostics)
            continue;
        const bool showsConfiguration = pane == Settings::accounts || pane == Settings::sources
            || pane == Settings::quality || pane == Settings::output || pane == Settings::vpn;
        QTest::newRow(name) << pane << showsConfiguration;
    }
}

} // namespace

class TestSettingsWrites : public QObject {
    Q_OBJECT

private slots:
    // Two changes made while the helper holds back its answer to the first
    // both end up stored, each over the other's field untouched.
    void quickChangesAreAllStored_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("expected"); // the stored value under `key`, as JSON

        QTest::newRow("two source switches")
            << Change::twoSources << "sources" << QByteArray(R"(["soulseek","bandcamp","soundcloud"])");
        QTest::newRow("two quality switches") << Change::twoQualitySwitches << "quality"
                                              << QByteArray(R"({"bestQuality":true,"floor":"flac",)"
                                                            R"("losslessOnly":true,"upgradeEnabled":true})");
        QTest::newRow("a stepper pressed twice") << Change::stepperTwice << "run"
                                                 << QByteArray(R"({"concurrency":4,"cooloffHours":12.0,)"
                                                               R"("searchCount":9,"searchTimeoutSec":45.0,)"
                                                               R"("toleranceSec":3.0})");
        QTest::newRow("the floor, then a switch")
            << Change::floorThenSwitch << "quality"
            << QByteArray(R"({"bestQuality":false,"floor":"any",)"
                          R"("losslessOnly":false,"upgradeEnabled":false})");
    }
    void quickChangesAreAllStored()
    {
        QFETCH(Change, change);
        QFETCH(QString, key);
        QFETCH(QByteArray, expected);
        Settings s({ { "MIVO_STANDIN_DELAY", "setConfig=1500" } });
        const nlohmann::json before = storedConfig(s);
        QVERIFY(s.open(paneOf(change)));
        QTRY_VERIFY_WITH_TIMEOUT(s.session.model->settings()->config(), 20000);

        makeTwoChanges(s, change);

        const nlohmann::json want = nlohmann::json::parse(expected.toStdString());
        QTRY_VERIFY_WITH_TIMEOUT(storedConfig(s)[key.toStdString()] == want, 20000);
        QVERIFY(s.session.helperCaughtUp());
        nlohmann::json after = storedConfig(s);
        QCOMPARE(after[key.toStdString()], want);
        // Nothing else was written over.
        for (const char* other : { "sources", "quality", "run", "outputDir", "identity" }) {
            if (key != QLatin1String(other))
                QCOMPARE(after[other], before[other]);
        }
        QCOMPARE(s.pane<SettingsPane>(paneOf(change))->errorText(), std::nullopt);
    }

    // A change the helper refuses puts the control back and says why.
    void aRefusedChangeIsPutBack_data()
    {
        QTest::addColumn<Settings::Pane>("pane");
        QTest::addColumn<QString>("control");

        QTest::newRow("a source switch") << Settings::sources << "Bandcamp";
        QTest::newRow("a quality switch") << Settings::quality << "Prefer best available quality";
        QTest::newRow("the matching switch")
            << Settings::quality << "Verify matches with MusicBrainz + AcoustID";
    }
    void aRefusedChangeIsPutBack()
    {
        QFETCH(Settings::Pane, pane);
        QFETCH(QString, control);
        Settings s({ { "MIVO_STANDIN_FAIL", "setConfig=internal" } });
        const QByteArray before = s.session.storedBytes();
        QVERIFY(s.open(pane));
        QTRY_VERIFY_WITH_TIMEOUT(s.session.model->settings()->config(), 20000);
        const SafeConfig held = *s.session.model->settings()->config();
        auto* shown = s.pane<SettingsPane>(pane);

        std::function<bool()> isOn;
        if (pane == Settings::sources) {
            auto* sources = s.pane<SourcesSettings>(pane);
            clickSource(sources, SourceId::bandcamp);
            isOn = [sources] { return sources->orderModel()->isEnabled(SourceId::bandcamp); };
        } else {
            auto* button = find<SwitchButton>(shown, control);
            const bool was = button->isChecked();
            button->click();
            isOn = [button, was] { return button->isChecked() != was; };
        }
        QVERIFY(isOn()); // shown at once

        QTRY_COMPARE_WITH_TIMEOUT(
            shown->errorText(), QStringLiteral("Simulated failure of setConfig"), 20000);
        QVERIFY(!isOn());
        QCOMPARE(s.session.model->settings()->config(), held);
        QVERIFY(visibleTexts(shown).contains(QStringLiteral("Simulated failure of setConfig")));
        QCOMPARE(s.session.storedBytes(), before);
    }

    // Scrolling the pane over a pop-up that does not have focus changes
    // nothing; once focused by a click or Tab, it takes the wheel.
    void theWheelChangesOnlyAFocusedPopUp_data()
    {
        QTest::addColumn<Settings::Pane>("pane");
        QTest::addColumn<bool>("focused");

        QTest::newRow("quality floor") << Settings::quality << false;
        QTest::newRow("theme") << Settings::general << false;
        QTest::newRow("quality floor, focused") << Settings::quality << true;
    }
    void theWheelChangesOnlyAFocusedPopUp()
    {
        QFETCH(Settings::Pane, pane);
        QFETCH(bool, focused);
        Settings s;
        const QByteArray before = s.session.storedBytes();
        QVERIFY(s.open(pane));
        QTRY_VERIFY_WITH_TIMEOUT(s.session.model->settings()->config(), 20000);
        auto* shown = s.pane<SettingsPane>(pane);
        auto* popUp = shown->findChild<QComboBox*>();
        QVERIFY(popUp && popUp->isVisible());
        QCOMPARE(popUp->focusPolicy(), Qt::StrongFocus);
        const int index = popUp->currentIndex();
        const AppAppearance appearance = s.session.defaults->appAppearance();
        if (focused) {
            s.window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(s.window.get()));
            // Tabbed to from the tab bar, as the user does.
            for (int presses = 0; presses < 20 && !popUp->hasFocus(); ++presses)
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY(popUp->hasFocus());
        }
        QScrollBar* bar = shown->verticalScrollBar();
        const int scrolled = bar->value();

        wheelOver(popUp);

        QCOMPARE(popUp->currentIndex() != index, focused);
        QCOMPARE(bar->value() != scrolled, !focused && bar->maximum() > 0); // the pane scrolled instead
        QVERIFY(s.session.helperCaughtUp());
        QCOMPARE(s.session.storedBytes() != before, focused && pane == Settings::quality);
        QCOMPARE(s.session.defaults->appAppearance(), appearance);
    }

    // The user clicks into a field of one pane and then another pane's tab:
    // the keyboard stays on the tab bar, and the new pane's pop-up, which the
    // toolkit would have handed the focus, does not take the wheel.
    void aPaneSwitchHandsNoPopUpTheWheel_data()
    {
        QTest::addColumn<Settings::Pane>("from");
        QTest::addColumn<QString>("field"); // the accessible name of the field clicked into
        QTest::addColumn<Settings::Pane>("to");

        QTest::newRow("SoundCloud token, then General")
            << Settings::sources << "SoundCloud OAuth token" << Settings::general;
        QTest::newRow("SoundCloud token, then Quality")
            << Settings::sources << "SoundCloud OAuth token" << Settings::quality;
        QTest::newRow("VPN subscription, then Quality")
            << Settings::vpn << "Subscription URL" << Settings::quality;
        QTest::newRow("AcoustID key, then General")
            << Settings::quality << "AcoustID API key" << Settings::general;
    }
    void aPaneSwitchHandsNoPopUpTheWheel()
    {
        QFETCH(Settings::Pane, from);
        QFETCH(QString, field);
        QFETCH(Settings::Pane, to);
        Settings s;
        const QByteArray before = s.session.storedBytes();
        QVERIFY(s.open(from));
        QTRY_VERIFY_WITH_TIMEOUT(s.session.model->settings()->config(), 20000);
        s.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(s.window.get()));
        auto* edit = find<QLineEdit>(s.window->pane(from), field);
        QVERIFY(edit && edit->isVisible());
        QTest::mouseClick(edit, Qt::LeftButton);
        QVERIFY(edit->hasFocus());
        const AppAppearance appearance = s.session.defaults->appAppearance();

        QTest::mouseClick(s.window->tabButton(to), Qt::LeftButton);
        QCOMPARE(s.window->currentPane(), int(to));
        QCOMPARE(QApplication::focusWidget(), s.window->tabButton(to));
        auto* popUp = s.window->pane(to)->findChild<QComboBox*>();
        QVERIFY(popUp && popUp->isVisible());
        const int index = popUp->currentIndex();
        wheelOver(popUp);

        QCOMPARE(popUp->currentIndex(), index);
        QVERIFY(s.session.helperCaughtUp());
        QCOMPARE(s.session.storedBytes(), before);
        QCOMPARE(s.session.defaults->appAppearance(), appearance);
    }

    // A source switched on whose answer is lost: the helper is killed while
    // it holds the answer back, or answers after the time-out. The switch
    // stays on while nothing is known, and the pane ends showing what the
    // (restarted) helper holds; only a change it does not hold is reported,
    // with the reason its answer was lost.
    void aWriteWhoseAnswerWasLostEndsAsTheHelperHoldsIt_data()
    {
        QTest::addColumn<QByteArray>("switchName");
        QTest::addColumn<QByteArray>("switchValue");
        QTest::addColumn<bool>("kill"); // the helper, once it took the change
        QTest::addColumn<bool>("held");
        QTest::addColumn<QString>("reason");

        QTest::newRow("killed while the answer is held")
            << QByteArray("MIVO_STANDIN_DELAY") << QByteArray("setConfig=8000") << true << true << QString();
        QTest::newRow("answered after the time-out")
            << QByteArray("MIVO_STANDIN_DELAY") << QByteArray("setConfig=16000") << false << true
            << QString();
        QTest::newRow("crashed before taking it")
            << QByteArray("MIVO_STANDIN_CRASH_ON") << QByteArray("setConfig,signal:9") << false << false
            << QStringLiteral("The mivo helper stopped unexpectedly.");
    }
    void aWriteWhoseAnswerWasLostEndsAsTheHelperHoldsIt()
    {
        QFETCH(QByteArray, switchName);
        QFETCH(QByteArray, switchValue);
        QFETCH(bool, kill);
        QFETCH(bool, held);
        QFETCH(QString, reason);
        Settings s({ { switchName.constData(), switchValue } });
        QVERIFY(s.open(Settings::sources));
        SettingsStore* settings = s.session.model->settings();
        QTRY_VERIFY_WITH_TIMEOUT(settings->config(), 20000);
        auto* pane = s.pane<SourcesSettings>(Settings::sources);
        const auto youtubeShown = [pane] { return pane->orderModel()->isEnabled(SourceId::youtube); };
        // Until the outcome is known, the switch stays as the user set it.
        bool putBackEarly = false;
        connect(settings, &SettingsStore::configChanged, this, [&] {
            if (settings->hasUnansweredWrites() || !settings->fieldsInFlight().isEmpty())
                putBackEarly = putBackEarly || !youtubeShown();
        });

        clickSource(pane, SourceId::youtube);
        QVERIFY(youtubeShown());
        if (kill) {
            QTRY_VERIFY_WITH_TIMEOUT(
                storedConfig(s)["sources"].dump().find("youtube") != std::string::npos, 20000);
            static_cast<HelperClient*>(s.session.model->client())->process().kill();
        }

        QTRY_VERIFY_WITH_TIMEOUT(settings->fieldsInFlight().isEmpty(), 40000);
        QVERIFY(!putBackEarly);
        QVERIFY(s.session.helperCaughtUp());
        const bool stored = storedConfig(s)["sources"].dump().find("youtube") != std::string::npos;
        QCOMPARE(stored, held);
        QCOMPARE(youtubeShown(), held);
        QCOMPARE(settings->config()->sources.contains(SourceId::youtube), held);
        QTRY_COMPARE(pane->errorText(), held ? std::nullopt : std::optional(reason));
    }

    // Quitting while a change waits for its answer: the helper's input stays
    // open for the quit's grace, and a change answered within it is saved
    // without a word; one that is not is logged with its field.
    void aQuitWaitsForAWriteWithinTheGrace_data()
    {
        QTest::addColumn<QByteArray>("delay");
        QTest::addColumn<bool>("answered");

        QTest::newRow("answered within the grace") << QByteArray("setConfig=1000") << true;
        QTest::newRow("not answered within it") << QByteArray("setConfig=30000") << false;
    }
    void aQuitWaitsForAWriteWithinTheGrace()
    {
        QFETCH(QByteArray, delay);
        QFETCH(bool, answered);
        Settings s({ { "MIVO_STANDIN_DELAY", delay } });
        QVERIFY(s.open(Settings::sources));
        SettingsStore* settings = s.session.model->settings();
        QTRY_VERIFY_WITH_TIMEOUT(settings->config(), 20000);
        auto* pane = s.pane<SourcesSettings>(Settings::sources);
        clickSource(pane, SourceId::soundcloud);
        QVERIFY(settings->hasUnansweredWrites());
        test::LogCapture log;

        s.window.reset();
        s.session.window->hide();
        const auto stop = s.session.model->stopHelper();

        QVERIFY(stop);
        QCOMPARE(settings->hasUnansweredWrites(), !answered);
        const QStringList warnings = log.texts(QStringLiteral(".app"), QtWarningMsg);
        const bool logged = warnings.contains(
            QStringLiteral("quitting with settings changes not known to be saved: sources"));
        QVERIFY2(logged == !answered, qPrintable(warnings.join(u'|')));
        QVERIFY(storedConfig(s)["sources"].dump().find("soundcloud") != std::string::npos);
    }

    // While the configuration is on its way, every pane that shows it says it
    // is reading, and shows no control that would stand for a made-up value.
    void aPaneWaitingForTheConfigurationSaysItIsReading_data() { paneRows("reads", true); }
    void aPaneWaitingForTheConfigurationSaysItIsReading()
    {
        QFETCH(Settings::Pane, pane);
        QFETCH(bool, reads);
        Settings s({ { "MIVO_STANDIN_DELAY", "getConfig=1500" } });
        QVERIFY(s.open(pane));
        SettingsStore* settings = s.session.model->settings();
        QVERIFY(!settings->config());
        auto* shown = s.pane<SettingsPane>(pane);
        const auto controlsShown = [shown] {
            int count = 0;
            for (QWidget* control : shown->findChildren<QWidget*>()) {
                const bool isControl = qobject_cast<QAbstractButton*>(control)
                    || qobject_cast<QComboBox*>(control) || qobject_cast<QLineEdit*>(control)
                    || qobject_cast<QListView*>(control);
                count += isControl && control->isVisibleTo(shown);
            }
            return count;
        };

        QCOMPARE(shown->showsReading(), reads);
        QCOMPARE(visibleTexts(shown).contains(QStringLiteral("Reading settings\u2026")), reads);
        if (!reads)
            return;
        QCOMPARE(controlsShown(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(settings->config(), 20000);
        QVERIFY(!shown->showsReading());
        QVERIFY(!shown->showsReadFailure());
        QVERIFY(controlsShown() > 0);
    }

    // A configuration that cannot be read is said in every pane that shows it,
    // with the helper's words, instead of made-up values or an endless bar.
    void aFailedReadIsSaid_data() { paneRows("says", false); }
    void aFailedReadIsSaid()
    {
        QFETCH(Settings::Pane, pane);
        QFETCH(bool, says);
        Settings s({ { "MIVO_STANDIN_FAIL", "getConfig=internal" } });
        QVERIFY(s.open(pane));
        SettingsStore* settings = s.session.model->settings();
        QTRY_COMPARE_WITH_TIMEOUT(settings->readState(), SettingsStore::ReadState::failed, 20000);
        QCOMPARE(settings->readError(), QStringLiteral("Simulated failure of getConfig"));
        auto* shown = s.pane<SettingsPane>(pane);

        QCOMPARE(shown->showsReadFailure(), says);
        QPushButton* retry = button(shown, QStringLiteral("Try Again"));
        if (!says) {
            QVERIFY(!retry || !retry->isVisibleTo(shown));
            return;
        }
        QVERIFY(retry && retry->isVisibleTo(shown));
        QVERIFY(!shown->showsReading());
        const QStringList texts = visibleTexts(shown);
        QVERIFY2(texts.contains(QStringLiteral("mivo could not read its settings from the helper.")),
            qPrintable(texts.join(u'|')));
        QVERIFY(texts.contains(QStringLiteral("Simulated failure of getConfig")));
        QVERIFY(!texts.contains(QStringLiteral("Not set"))); // no made-up values

        // Try Again reads again: the stand-in refuses once more, and says so again.
        QSignalSpy states(settings, &SettingsStore::readStateChanged);
        retry->click();
        QCOMPARE(settings->readState(), SettingsStore::ReadState::reading);
        QVERIFY(!shown->showsReadFailure());
        QTRY_COMPARE_WITH_TIMEOUT(settings->readState(), SettingsStore::ReadState::failed, 20000);
        QCOMPARE(states.size(), 2);
        QVERIFY(shown->showsReadFailure());
    }

    // Try Again after a failed read brings the pane back once a read succeeds;
    // a re-read that fails over a held configuration keeps the controls and says so.
    void tryAgainBringsThePaneBack()
    {
        test::PaneModel f;
        QualitySettings pane(*f.model);
        f.client->enqueue(Method::getConfig, { Outcome::timeout(), Outcome::timeout() });
        QCoro::waitFor(f.model->settings()->refresh());
        QVERIFY(pane.showsReadFailure());
        QVERIFY(!pane.showsReading());
        QVERIFY(!pane.findChild<QComboBox*>()->isVisibleTo(&pane));

        f.client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { SampleData::sampleConfig() }));
        button(&pane, QStringLiteral("Try Again"))->click();
        QVERIFY(pane.showsReading());
        QTRY_VERIFY(f.model->settings()->config());
        QVERIFY(!pane.showsReadFailure());
        QVERIFY(pane.findChild<QComboBox*>()->isVisibleTo(&pane));
        QCOMPARE(
            f.client->sentMethods(), (QList { Method::getConfig, Method::getConfig, Method::getConfig }));

        f.client->enqueue(Method::getConfig, { Outcome::timeout(), Outcome::timeout() });
        QCoro::waitFor(f.model->settings()->refresh());
        QVERIFY(pane.showsReadFailure());
        QVERIFY(pane.findChild<QComboBox*>()->isVisibleTo(&pane));
    }

    // A switch changes just its source in the list the store holds now: an
    // order stored elsewhere while the pane is shown is what the rows show
    // and what the write keeps.
    void aSourceSwitchKeepsTheStoredOrder()
    {
        test::PaneModel f;
        SafeConfig config = SampleData::sampleConfig();
        config.sources = { SourceId::youtube, SourceId::soulseek };
        QVERIFY(f.load(config));
        SourcesSettings pane(*f.model);
        pane.resize(520, 600);
        pane.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pane));
        config.sources = { SourceId::soulseek, SourceId::youtube }; // the wizard reordered them, say
        QVERIFY(f.load(config));
        QCOMPARE(pane.orderModel()->order().first(), SourceId::soulseek);

        f.client->enqueue(Method::setConfig, Outcome::absent());
        clickSource(&pane, SourceId::bandcamp);
        ConfigPatch expected;
        expected.sources = QList { SourceId::soulseek, SourceId::youtube, SourceId::bandcamp };
        QVERIFY(!f.client->sent().isEmpty());
        QCOMPARE(f.client->sent().first().request, Request::setConfig(expected));
    }

    // Settings opened on the first launch while the start-up read is held
    // back reads again, superseding it: the first-run wizard still waits for
    // a read that brings the configuration, and opens on what the helper holds.
    void settingsDuringTheStartUpReadKeepsTheWizardWaiting()
    {
        test::StandInSession session({ { "MIVO_STANDIN_DELAY", "getConfig=1000" } });
        bool configHeldWhenOpened = false;
        connect(session.model.get(), &AppModel::isOnboardingPresentedChanged, this, [&] {
            if (session.model->isOnboardingPresented())
                configHeldWhenOpened = session.model->settings() && session.model->settings()->config();
        });
        QVERIFY(session.showAndWaitForTheHelper());
        QVERIFY(!session.model->settings()->config());
        SettingsWindow window(*session.model, *session.updater, *session.defaults);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QTRY_VERIFY_WITH_TIMEOUT(session.model->setupCoordinator(), 20000);
        QVERIFY(configHeldWhenOpened);
        SetupCoordinator* coordinator = session.model->setupCoordinator();
        QCOMPARE(coordinator->mode(), SetupCoordinator::Mode::firstRun);
        QCOMPARE(coordinator->selectedSources(), QList<SourceId> { SourceId::soulseek });
        QCOMPARE(coordinator->outputDir(), QStringLiteral("~/MyDJ"));
    }
};

QTEST_MAIN(TestSettingsWrites)
#include "tst_settingswrites.moc"
