#include "State/SettingsStore.h"
#include "Support/SampleData.h"
#include "TestSupport/PaneModel.h"
#include "TestSupport/SettingsSession.h"
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

#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSpontaneKeyEvent>
#include <QToolButton>
#include <QWheelEvent>
#include <QtTest>

// Settings as the user changes it, through the real window over the stand-in
// helper and a stored configuration of non-default values.

using namespace mivo;
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

// One notch of the wheel over `widget`, as the window system delivers it:
// spontaneous, so the application gives focus by the wheel and passes an
// ignored wheel on to the parents.
void wheelOver(QWidget* widget)
{
    const QPointF at = QRectF(widget->rect()).center();
    QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
        Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&wheel);
    QApplication::instance()->notify(widget, &wheel);
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
    QTest::mouseClick(pane->list()->viewport(), Qt::LeftButton, {}, SourceRowDelegate::switchRect(rect).center());
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
        QTest::newRow("the floor, then a switch") << Change::floorThenSwitch << "quality"
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
        QTest::newRow("the matching switch") << Settings::quality << "Verify matches with MusicBrainz + AcoustID";
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

        QTRY_COMPARE_WITH_TIMEOUT(shown->errorText(), QStringLiteral("Simulated failure of setConfig"), 20000);
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
            popUp->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY(popUp->hasFocus());
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

    // A configuration that cannot be read is said in every pane that shows it,
    // with the helper's words, instead of made-up values or an endless bar.
    void aFailedReadIsSaid_data()
    {
        QTest::addColumn<Settings::Pane>("pane");
        QTest::addColumn<bool>("says");

        QTest::newRow("General") << Settings::general << false;
        QTest::newRow("Accounts") << Settings::accounts << true;
        QTest::newRow("Sources") << Settings::sources << true;
        QTest::newRow("Quality") << Settings::quality << true;
        QTest::newRow("Output") << Settings::output << true;
        QTest::newRow("Corvane VPN") << Settings::vpn << true;
        QTest::newRow("Command Line") << Settings::commandLine << false;
    }
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
        QVERIFY(!find<QProgressBar>(shown, "Loading") || !find<QProgressBar>(shown, "Loading")->isVisibleTo(shown));
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
        QVERIFY(!find<QProgressBar>(&pane, "Loading")->isVisibleTo(&pane));
        QVERIFY(!pane.findChild<QComboBox*>()->isVisibleTo(&pane));

        f.client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { SampleData::sampleConfig() }));
        button(&pane, QStringLiteral("Try Again"))->click();
        QVERIFY(find<QProgressBar>(&pane, "Loading")->isVisibleTo(&pane)); // reading
        QTRY_VERIFY(f.model->settings()->config());
        QVERIFY(!pane.showsReadFailure());
        QVERIFY(pane.findChild<QComboBox*>()->isVisibleTo(&pane));
        QCOMPARE(f.client->sentMethods(), (QList { Method::getConfig, Method::getConfig, Method::getConfig }));

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
