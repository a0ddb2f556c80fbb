#include "App/AppModel.h"
#include "Services/UpdateFramework.h"
#include "Services/UpdaterModel.h"
#include "Support/SampleData.h"
#include "Support/UserDefaults.h"
#include "TestSupport/PaneModel.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "Transport/ResultRecords.h"
#include "Views/Settings/FormText.h"
#include "Views/Settings/GeneralSettings.h"
#include "Views/Settings/QualitySettings.h"
#include "Views/Settings/SwitchButton.h"

#include <QComboBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace mivo;
using test::button;
using test::find;
using Outcome = test::ScriptedHelperClient::Outcome;

namespace {

struct Fixture : test::PaneModel {
    QString defaultsPath() const { return dir.filePath(QStringLiteral("defaults.ini")); }
};

struct NoUpdates : UpdateFramework {
    void checkForUpdates() override { ++checks; }
    bool automaticallyChecksForUpdates() const override { return false; }
    void setAutomaticallyChecksForUpdates(bool) override { }
    int checks = 0;
};

// The text a pane shows that begins with `start`.
QString shownText(QWidget* pane, const QString& start)
{
    for (const QLabel* label : pane->findChildren<QLabel*>()) {
        if (label->text().startsWith(start) && label->isVisibleTo(pane))
            return label->text();
    }
    return {};
}

void choose(QComboBox* box, const QString& text)
{
    const int index = box->findText(text);
    QVERIFY(index >= 0);
    box->setCurrentIndex(index);
    emit box->activated(index);
}

} // namespace

class TestSettingsBehaviour : public QObject {
    Q_OBJECT

private slots:
    // The sentence under the quality controls, for every floor with and
    // without "best" and "upgrade"; "Lossless only" never changes it, and the
    // pane redraws it when the configuration changes.
    void qualitySummary_data()
    {
        QTest::addColumn<QualityFloor>("floor");
        QTest::addColumn<bool>("best");
        QTest::addColumn<bool>("upgrade");
        QTest::addColumn<QString>("sentence");

        const auto row = [](QualityFloor floor, bool best, bool upgrade, const char* sentence) {
            QTest::addRow(
                "%s%s%s", qPrintable(rawString(floor)), best ? ", best" : "", upgrade ? ", upgrade" : "")
                << floor << best << upgrade << QString::fromUtf8(sentence);
        };
        row(QualityFloor::flac, false, false, "mivo will accept only lossless FLAC.");
        row(QualityFloor::flac, true, false,
            "mivo will accept only lossless FLAC, always preferring the highest available.");
        row(QualityFloor::flac, false, true,
            "mivo will accept only lossless FLAC, and re-download when a better copy appears.");
        row(QualityFloor::flac, true, true,
            "mivo will accept only lossless FLAC, always preferring the highest available, and re-download "
            "when a better copy appears.");
        row(QualityFloor::mp3_320, false, false, "mivo will accept 320 kbps MP3 or better.");
        row(QualityFloor::mp3_320, true, false,
            "mivo will accept 320 kbps MP3 or better, always preferring the highest available.");
        row(QualityFloor::mp3_320, false, true,
            "mivo will accept 320 kbps MP3 or better, and re-download when a better copy appears.");
        row(QualityFloor::mp3_320, true, true,
            "mivo will accept 320 kbps MP3 or better, always preferring the highest available, and "
            "re-download when a better copy appears.");
        row(QualityFloor::any, false, false, "mivo will accept any quality.");
        row(QualityFloor::any, true, false,
            "mivo will accept any quality, always preferring the highest available.");
        row(QualityFloor::any, false, true,
            "mivo will accept any quality, and re-download when a better copy appears.");
        row(QualityFloor::any, true, true,
            "mivo will accept any quality, always preferring the highest available, and re-download when a "
            "better copy appears.");
    }
    void qualitySummary()
    {
        QFETCH(QualityFloor, floor);
        QFETCH(bool, best);
        QFETCH(bool, upgrade);
        QFETCH(QString, sentence);

        Fixture f;
        SafeConfig config = SampleData::sampleConfig();
        // Start from the other end so the sentence must change.
        config.quality
            = { floor == QualityFloor::any ? QualityFloor::flac : QualityFloor::any, false, !best, !upgrade };
        QVERIFY(f.load(config));
        QualitySettings pane(*f.model);
        QVERIFY(shownText(&pane, "mivo will accept") != sentence);

        for (const bool losslessOnly : { false, true }) {
            config.quality = { floor, losslessOnly, best, upgrade };
            QVERIFY(f.load(config));
            QCOMPARE(shownText(&pane, "mivo will accept"), sentence);
        }
    }

    // The General pane keeps its two choices in the user defaults as soon as
    // they change, shows them again in a pane opened later, and sends the
    // helper nothing.
    void generalPaneWrites_data()
    {
        QTest::addColumn<QString>("before"); // appAppearance stored before, "" for none
        QTest::addColumn<bool>("glassBefore");
        QTest::addColumn<QString>("theme"); // the theme chosen, "" for none
        QTest::addColumn<bool>("toggleGlass");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("glassStored");

        QTest::newRow("Light stores light") << "" << false << "Light" << false << "light" << false;
        QTest::newRow("Dark stores dark") << "light" << false << "Dark" << false << "dark" << false;
        QTest::newRow("System stores system") << "dark" << false << "System" << false << "system" << false;
        QTest::newRow("reduce glass on") << "" << false << "" << true << "" << true;
        QTest::newRow("reduce glass off") << "dark" << true << "" << true << "dark" << false;
    }
    void generalPaneWrites()
    {
        QFETCH(QString, before);
        QFETCH(bool, glassBefore);
        QFETCH(QString, theme);
        QFETCH(bool, toggleGlass);
        QFETCH(QString, stored);
        QFETCH(bool, glassStored);

        Fixture f;
        {
            QSettings file(f.defaultsPath(), QSettings::IniFormat);
            if (!before.isEmpty())
                file.setValue(UserDefaults::kAppAppearance, before);
            if (glassBefore)
                file.setValue(UserDefaults::kReduceGlassEffects, true);
        }
        UpdaterModel updater(std::make_unique<NoUpdates>(), QStringLiteral("1.2.3"));
        QSettingsUserDefaults defaults(f.defaultsPath());
        {
            GeneralSettings pane(*f.model, updater, defaults);
            auto* picker = pane.findChild<QComboBox*>();
            auto* glass = find<SwitchButton>(&pane, "Reduce glass effects");
            QVERIFY(picker && glass);
            const QString shownBefore = before == "light" ? "Light" : before == "dark" ? "Dark" : "System";
            QCOMPARE(picker->currentText(), shownBefore);
            QCOMPARE(glass->isChecked(), glassBefore);
            if (!theme.isEmpty())
                choose(picker, theme);
            if (toggleGlass)
                glass->click();
            // Written at once, where another reader of the file finds it.
            QSettings file(f.defaultsPath(), QSettings::IniFormat);
            QCOMPARE(file.value(UserDefaults::kAppAppearance).toString(), stored);
            QCOMPARE(file.value(UserDefaults::kReduceGlassEffects, false).toBool(), glassStored);
        }
        QSettingsUserDefaults reread(f.defaultsPath());
        GeneralSettings reopened(*f.model, updater, reread);
        const QString shown = stored == "light" ? "Light" : stored == "dark" ? "Dark" : "System";
        QCOMPARE(reopened.findChild<QComboBox*>()->currentText(), shown);
        QCOMPARE(find<SwitchButton>(&reopened, "Reduce glass effects")->isChecked(), glassStored);
        QTest::qWait(0);
        QVERIFY(f.client->sent().isEmpty());
    }

    // "Check for Updates…" asks the update framework, enabled whatever it can
    // do; "Re-run Setup Wizard…" opens the wizard in re-run mode.
    void generalPaneActions()
    {
        Fixture f;
        QVERIFY(f.load(SampleData::sampleConfig()));
        auto framework = std::make_unique<NoUpdates>();
        NoUpdates* updates = framework.get();
        UpdaterModel updater(std::move(framework), QStringLiteral("1.2.3"));
        QSettingsUserDefaults defaults(f.defaultsPath());
        GeneralSettings pane(*f.model, updater, defaults);
        QPushButton* check = button(&pane, QStringLiteral("Check for Updates…"));
        QVERIFY(check && check->isEnabled());
        check->click();
        QCOMPARE(updates->checks, 1);
        QVERIFY(shownText(&pane, "1.2.3") == QStringLiteral("1.2.3"));

        button(&pane, QStringLiteral("Re-run Setup Wizard…"))->click();
        QTRY_VERIFY(f.model->isOnboardingPresented());
        QVERIFY(f.model->setupCoordinator());
        QCOMPARE(f.model->setupCoordinator()->mode(), SetupCoordinator::Mode::reRun);
    }
};

QTEST_MAIN(TestSettingsBehaviour)
#include "tst_settingsbehaviour.moc"
