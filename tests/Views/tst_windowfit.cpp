#include "App/AppModel.h"
#include "Services/UpdaterModel.h"
#include "Support/SampleData.h"
#include "TestSupport/OffscreenScreens.h"
#include "TestSupport/OnboardingHarness.h"
#include "Transport/ResultRecords.h"
#include "Views/AboutWindow.h"
#include "Views/MainCommands.h"
#include "Views/MainWindow.h"
#include "Views/Onboarding/SetupCoordinator.h"
#include "Views/Onboarding/SetupScaffold.h"
#include "Views/Onboarding/SetupSheet.h"
#include "Views/Onboarding/SourceWarningWindow.h"
#include "Views/Settings/SettingsWindow.h"
#include "Views/WindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

using namespace mivo;
using mivo::test::OnboardingHarness;
using Outcome = mivo::test::ScriptedHelperClient::Outcome;

namespace {

// The screens in device pixels, side by side: a common desktop screen (the
// primary one) and a small one on its right. The test runs at a scale of 1.6,
// so they are 1200 × 675 and 800 × 450 to the windows.
constexpr QRect kLargeScreen { 0, 0, 1920, 1080 };
constexpr QRect kSmallScreen { 1920, 0, 1280, 720 };
constexpr const char* kScale = "1.6";

QScreen* screenNamed(const QString& name)
{
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->name() == name)
            return screen;
    }
    return nullptr;
}

QString describe(const QRect& r)
{
    return QStringLiteral("%1,%2 %3×%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

QList<QWidget*> shownWindows()
{
    QList<QWidget*> shown;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible())
            shown.append(widget);
    }
    return shown;
}

template <class Window> Window* shownWindow()
{
    for (QWidget* widget : shownWindows()) {
        if (auto* window = qobject_cast<Window*>(widget))
            return window;
    }
    return nullptr;
}

SafeConfig noPlaylistSource()
{
    SafeConfig config = SampleData::sampleConfig();
    config.appleMusicConnected = false;
    config.spotifyConnected = false;
    return config;
}

// The application as main() builds it, its main window shown on one of the
// screens the first time it is launched; its wizard opens over it.
struct Launch {
    OnboardingHarness harness;
    UpdaterModel updater { &harness.model->sync() };
    MainWindow window { *harness.model, updater,
        MainWindow::Environment { nullptr, harness.defaults.get(), {} } };

    ~Launch()
    {
        for (QWidget* widget : shownWindows()) {
            if (widget != &window)
                widget->close();
        }
    }

    explicit Launch(const QScreen& screen)
    {
        harness.loadConfig(noPlaylistSource());
        for (int i = 0; i < 4; ++i) {
            harness.client->enqueue(Method::getConfig, Outcome::encoded(ConfigResult { noPlaylistSource() }));
            harness.client->enqueue(Method::listPlaylists, Outcome::result(R"({"playlists":[]})"));
        }
        // Placed as a window manager places a new window: on that screen.
        window.move(screen.availableGeometry().topLeft() + QPoint(20, 20));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }

    SetupScaffold* wizard() const
    {
        SetupScaffold* scaffold = window.setupSheet()->scaffold();
        return scaffold && scaffold->isVisible() ? scaffold : nullptr;
    }
};

} // namespace

// Every window of the application opens within the available area of its
// screen, at a larger scale too: at its own size where that fits, otherwise at
// the largest that does, and never under its minimum unless the screen is
// smaller still.
class TestWindowFit : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QScreen* large = screenNamed(QStringLiteral("large"));
        QVERIFY(large);
        QCOMPARE(large->geometry().size(), QSize(1200, 675));
        QVERIFY(screenNamed(QStringLiteral("small")));
    }

    void everyWindowOpensWithinItsScreen_data()
    {
        QTest::addColumn<QString>("screen");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QSize>("wanted"); // the window's own size
        QTest::addColumn<QSize>("minimum");

        const QSize main = MainWindow::kDefaultSize;
        const QSize settings = SettingsWindow::kSize;
        const QSize wizard(SetupScaffold::kWidth, SetupScaffold::kHeight);
        for (const char* screen : { "large", "small" }) {
            const QString on = QString::fromLatin1(screen);
            QTest::addRow("main window, %s screen", screen)
                << on << "main" << main << MainWindow::kMinimumSize;
            QTest::addRow("Settings, %s screen", screen) << on << "settings" << settings << settings;
            QTest::addRow("wizard, %s screen", screen) << on << "wizard" << wizard << wizard;
            QTest::addRow("About, %s screen", screen) << on << "about" << QSize() << QSize();
            QTest::addRow("source warning, %s screen", screen) << on << "warning" << QSize() << QSize();
        }
    }
    void everyWindowOpensWithinItsScreen()
    {
        QFETCH(QString, screen);
        QFETCH(QString, window);
        QFETCH(QSize, wanted);
        QFETCH(QSize, minimum);
        QScreen* target = screenNamed(screen);
        QVERIFY(target);
        Launch launch(*target);
        QTRY_VERIFY(launch.wizard());
        QCOMPARE(launch.window.screen(), target);

        QWidget* shown = nullptr;
        if (window == QLatin1String("main")) {
            shown = &launch.window;
        } else if (window == QLatin1String("wizard")) {
            shown = launch.wizard();
        } else if (window == QLatin1String("warning")) {
            SetupScaffold* wizard = launch.wizard();
            SetupCoordinator* coordinator = wizard->coordinator();
            while (coordinator->currentScreen() != SetupCoordinator::Screen::finish)
                coordinator->advance();
            wizard->findChild<QPushButton*>(QStringLiteral("primary"))->click();
            shown = wizard->sourceWarning();
        } else {
            // Opened over the main window once the wizard is done.
            launch.wizard()->close();
            QTRY_VERIFY(!launch.wizard());
            launch.window.activateWindow();
            QApplication::setActiveWindow(&launch.window);
            if (window == QLatin1String("settings")) {
                launch.window.commands().settingsAction()->trigger();
                shown = shownWindow<SettingsWindow>();
            } else {
                launch.window.commands().aboutAction()->trigger();
                shown = shownWindow<AboutWindow>();
            }
        }
        QVERIFY(shown);
        QVERIFY(QTest::qWaitForWindowExposed(shown));

        const QRect available = target->availableGeometry();
        const QRect frame = shown->frameGeometry();
        QVERIFY2(available.contains(frame),
            qPrintable(QStringLiteral("%1 on %2").arg(describe(frame), describe(available))));
        if (!wanted.isValid())
            return;
        // As large as it is made where that fits; else it fills the screen that way.
        const QSize room = available.size() - (frame.size() - shown->size());
        for (const auto& [made, got, space, least, side] :
            { std::tuple(wanted.width(), shown->width(), room.width(), minimum.width(), "width"),
                std::tuple(wanted.height(), shown->height(), room.height(), minimum.height(), "height") }) {
            const int expected = made <= space ? made : space;
            QVERIFY2(got == expected,
                qPrintable(
                    QStringLiteral("%1 %2, expected %3").arg(QLatin1String(side)).arg(got).arg(expected)));
            QVERIFY(got >= std::min(least, space));
        }
    }

    // A window kept larger than the screen it comes back to (one that was on a
    // larger screen, or at a smaller scale) comes back no larger than that screen.
    void aRestoredSizeIsFittedToo()
    {
        QScreen* large = screenNamed(QStringLiteral("large"));
        QTemporaryDir folder;
        QSettingsUserDefaults defaults(folder.filePath(QStringLiteral("defaults.ini")));
        defaults.setDidOnboard(true);
        {
            AppModel model;
            UpdaterModel updater(&model.sync());
            MainWindow first(
                model, updater, MainWindow::Environment { nullptr, &defaults, [](AppModel&) {} });
            first.show();
            first.setGeometry(QRect(QPoint(0, 0), QSize(1500, 900)));
            QCOMPARE(first.size(), QSize(1500, 900));
            first.hide();
        }
        AppModel model;
        UpdaterModel updater(&model.sync());
        MainWindow next(model, updater, MainWindow::Environment { nullptr, &defaults, [](AppModel&) {} });
        next.show();
        QVERIFY(QTest::qWaitForWindowExposed(&next));
        QVERIFY2(large->availableGeometry().contains(next.frameGeometry()),
            qPrintable(describe(next.frameGeometry())));
        QCOMPARE(
            next.size(), large->availableGeometry().size() - (next.frameGeometry().size() - next.size()));
    }

    void fittingATable_data()
    {
        QTest::addColumn<QSize>("area");
        QTest::addColumn<QSize>("wanted");
        QTest::addColumn<QSize>("minimum");
        QTest::addColumn<QSize>("size");
        QTest::newRow("fits") << QSize(1200, 800) << QSize(1040, 720) << QSize(880, 600) << QSize(1040, 720);
        QTest::newRow("too tall") << QSize(1200, 650) << QSize(1040, 720) << QSize(880, 600)
                                  << QSize(1040, 650);
        QTest::newRow("smaller than the minimum")
            << QSize(800, 420) << QSize(1040, 720) << QSize(880, 600) << QSize(800, 420);
        QTest::newRow("under the minimum stays at it")
            << QSize(1200, 800) << QSize(700, 500) << QSize(880, 600) << QSize(880, 600);
    }
    void fittingATable()
    {
        QFETCH(QSize, area);
        QFETCH(QSize, wanted);
        QFETCH(QSize, minimum);
        QFETCH(QSize, size);
        QCOMPARE(WindowPlacement::sizeWithin(area, wanted, minimum), size);
    }

    // A window of a fixed size, or one that holds up another, offers only to be closed.
    void fixedAndModalWindowsOfferOnlyClose()
    {
        Launch launch(*screenNamed(QStringLiteral("large")));
        QTRY_VERIFY(launch.wizard());
        SetupScaffold* wizard = launch.wizard();
        SetupCoordinator* coordinator = wizard->coordinator();
        while (coordinator->currentScreen() != SetupCoordinator::Screen::finish)
            coordinator->advance();
        wizard->findChild<QPushButton*>(QStringLiteral("primary"))->click();
        QVERIFY(wizard->sourceWarning());
        AboutWindow about(QStringLiteral("1.0"));
        SettingsWindow settings(*launch.harness.model, launch.updater);
        const QList<QWidget*> windows { wizard, wizard->sourceWarning(), &about, &settings };
        for (QWidget* window : windows) {
            const Qt::WindowFlags flags = window->windowFlags();
            const QString name = QString::fromLatin1(window->metaObject()->className());
            QVERIFY2(flags & Qt::CustomizeWindowHint, qPrintable(name));
            QVERIFY2(flags & Qt::WindowCloseButtonHint, qPrintable(name));
            QVERIFY2(
                !(flags & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint)), qPrintable(name));
        }
    }
};

// Two screens at a scale of 1.6, and no folder of the user's touched.
int main(int argc, char** argv)
{
    QTemporaryDir home;
    if (!mivo::test::useOffscreenScreens(home, { { "large", kLargeScreen }, { "small", kSmallScreen } }))
        return 1;
    qputenv("QT_SCALE_FACTOR", kScale);
    QApplication app(argc, argv);
    TestWindowFit test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowfit.moc"
