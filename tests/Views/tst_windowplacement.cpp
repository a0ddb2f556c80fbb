#include "App/AppModel.h"
#include "Services/UpdaterModel.h"
#include "Support/SampleData.h"
#include "TestSupport/OnboardingHarness.h"
#include "Views/MainCommands.h"
#include "Views/MainWindow.h"
#include "Views/Onboarding/SetupScaffold.h"
#include "Views/Onboarding/SetupSheet.h"
#include "Views/Settings/SettingsWindow.h"

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QtTest>

using namespace mivo;
using mivo::test::OnboardingHarness;
using Outcome = mivo::test::ScriptedHelperClient::Outcome;

namespace {

bool centredOver(const QWidget* window, const QWidget* over)
{
    const QPoint offset = window->geometry().center() - over->geometry().center();
    return std::abs(offset.x()) <= 1 && std::abs(offset.y()) <= 1;
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

// The main window of a set-up application at its smallest, with Settings opened
// from its menu.
struct Shown {
    OnboardingHarness harness;
    UpdaterModel updater { &harness.model->sync() };
    MainWindow window { *harness.model, updater,
        MainWindow::Environment { nullptr, harness.defaults.get(), {} } };
    QPointer<SettingsWindow> settings;

    ~Shown() { delete settings.data(); }
    Shown()
    {
        harness.answerSampleReads();
        harness.defaults->setDidOnboard(true);
        window.resize(MainWindow::kMinimumSize);
        window.move(0, 0);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            return;
        window.commands().settingsAction()->trigger();
        for (QWidget* shownWindow : shownWindows())
            if (!settings)
                settings = qobject_cast<SettingsWindow*>(shownWindow);
        if (settings && !QTest::qWaitForWindowExposed(settings))
            settings = nullptr;
    }
};

} // namespace

// Where the application's windows open, and how they end together.
class TestWindowPlacement : public QObject {
    Q_OBJECT

private slots:
    void theWizardStaysCentredOverItsWindow()
    {
        OnboardingHarness harness;
        harness.answerSampleReads();
        UpdaterModel updater(&harness.model->sync());
        MainWindow window(
            *harness.model, updater, MainWindow::Environment { nullptr, harness.defaults.get(), {} });
        window.resize(MainWindow::kMinimumSize);
        window.move(0, 0);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(window.setupSheet()->scaffold() && window.setupSheet()->scaffold()->isVisible());
        SetupScaffold* wizard = window.setupSheet()->scaffold();

        // The window manager places the window after the wizard opened (the
        // wizard opens as the window first shows), and the user may move it.
        window.move(-60, 10);
        QTRY_VERIFY(centredOver(wizard, &window));
        window.move(40, 0);
        QTRY_VERIFY(centredOver(wizard, &window));
    }

    void settingsOpensCentredOverTheMainWindow()
    {
        Shown shown;
        QVERIFY(shown.settings);
        QVERIFY(centredOver(shown.settings, &shown.window));
    }

    void closingTheMainWindowWithSettingsOpenEndsTheApplication()
    {
        Shown shown;
        QVERIFY(shown.settings);
        QVERIFY(QApplication::quitOnLastWindowClosed());
        QTimer::singleShot(0, &shown.window, &QWidget::close);
        QTimer stillRunning;
        stillRunning.setSingleShot(true);
        connect(&stillRunning, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
        stillRunning.start(5000);
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(shownWindows(), QList<QWidget*>());
    }
};

QTEST_MAIN(TestWindowPlacement)
#include "tst_windowplacement.moc"
