#include "App/AppModel.h"
#include "Services/UpdateFramework.h"
#include "Services/UpdaterModel.h"
#include "Styling/Typography.h"
#include "Support/SampleData.h"
#include "TestSupport/OnboardingHarness.h"
#include "TestSupport/ScriptedHelperClient.h"
#include "Transport/ResultRecords.h"
#include "Views/Onboarding/SetupCoordinator.h"
#include "Views/Onboarding/SetupScaffold.h"
#include "Views/Onboarding/SetupSheet.h"
#include "Views/Settings/SettingsWindow.h"

#include <QtTest>

using namespace mivo;
using Outcome = test::ScriptedHelperClient::Outcome;

namespace {

struct NoUpdates : UpdateFramework {
    void checkForUpdates() override { }
    bool automaticallyChecksForUpdates() const override { return false; }
    void setAutomaticallyChecksForUpdates(bool) override { }
};

// The widgets of `root` that show, with a font under the floor.
QStringList tooSmall(const QWidget& root)
{
    QStringList found;
    const auto check = [&found](const QWidget* widget) {
        const QFont font = widget->font();
        const qreal points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * 72.0 / 96.0;
        if (points < Typography::kMinimumPointSize - 0.01)
            found << QStringLiteral("%1 %2: %3 pt")
                         .arg(QString::fromLatin1(widget->metaObject()->className()), widget->objectName())
                         .arg(points);
    };
    check(&root);
    for (const QWidget* widget : root.findChildren<QWidget*>()) {
        if (widget->isVisibleTo(&root))
            check(widget);
    }
    return found;
}

} // namespace

class TestLegibility : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // A desktop whose body font is small, where the small styles once fell
        // under the floor.
        QFont small = QApplication::font();
        small.setPointSizeF(9);
        QApplication::setFont(small);
    }

    // No screen of the setup wizard shows text smaller than the caption floor.
    void wizardScreensHaveNoTinyText()
    {
        test::OnboardingHarness harness;
        harness.loadConfig(SampleData::sampleConfig());
        QWidget window;
        SetupSheet sheet(*harness.model, &window);
        sheet.startIfFirstLaunch();
        QTRY_VERIFY(sheet.scaffold());
        SetupScaffold* scaffold = sheet.scaffold();
        scaffold->show();
        SetupCoordinator* coordinator = scaffold->coordinator();
        for (int step = 0; step < 6; ++step) {
            QCoreApplication::processEvents();
            const QStringList found = tooSmall(*scaffold);
            QVERIFY2(found.isEmpty(),
                qPrintable(QStringLiteral("screen %1: %2")
                               .arg(int(coordinator->currentScreen()))
                               .arg(found.join(u", "))));
            if (coordinator->currentScreen() == SetupCoordinator::Screen::finish)
                break;
            coordinator->advance();
        }
        QCOMPARE(coordinator->currentScreen(), SetupCoordinator::Screen::finish);
    }

    // No pane of the Settings window shows text smaller than the caption floor.
    void settingsPanesHaveNoTinyText()
    {
        AppModel::Options options;
        options.cliTool.toolPaths = { QDir::temp().filePath(QStringLiteral("mivo-legibility/bin/mivo")) };
        options.cliTool.preferredTarget = [] { return std::optional<QString>(); };
        auto owned = std::make_unique<test::ScriptedHelperClient>();
        owned->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { SampleData::sampleConfig() }));
        test::ScriptedHelperClient* client = owned.get();
        AppModel model(std::move(owned), options);
        UpdaterModel updater(std::make_unique<NoUpdates>(), QStringLiteral("1.2.3"));
        SettingsWindow window(model, updater);
        window.show();
        QTRY_VERIFY(!client->sent().isEmpty());
        QTRY_VERIFY(model.settings()->config());
        for (int pane = 0; pane < window.paneCount(); ++pane) {
            window.setCurrentPane(pane);
            QCoreApplication::processEvents();
            const QStringList found = tooSmall(window);
            QVERIFY2(
                found.isEmpty(), qPrintable(QStringLiteral("pane %1: %2").arg(pane).arg(found.join(u", "))));
        }
    }
};

QTEST_MAIN(TestLegibility)
#include "tst_legibility.moc"
