#include "Views/MainCommands.h"

#include "App/AppModel.h"
#include "Base/Bundle.h"
#include "Services/DesktopOpener.h"
#include "Services/FileManagerReveal.h"
#include "Services/UpdaterModel.h"
#include "Support/HomePath.h"
#include "Views/AboutWindow.h"
#include "Views/Settings/SettingsWindow.h"
#include "Views/WindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QUrl>

namespace mivo {

MainCommands::MainCommands(AppModel& model, UpdaterModel& updater, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_updater(updater)
    , m_reveal([](QString path) { return FileManagerReveal::shared().reveal(std::move(path)); })
    , m_openUrl([](QUrl url) { return DesktopOpener::open(std::move(url)); })
    , m_helpPage(Bundle::main().resourcePath(QString::fromLatin1(kHelpPage)))
{
    m_sync = addAction(tr("Sync"), QKeySequence(Qt::CTRL | Qt::Key_R));
    m_cancelSync = addAction(tr("Cancel Sync"), QKeySequence(Qt::CTRL | Qt::Key_Period));
    m_refreshLibrary = addAction(tr("Refresh Library"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    m_revealOutput = addAction(tr("Reveal Output Folder"), {});
    m_reviewMatches = addAction(tr("Review Matches"), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R));
    m_settings = addAction(tr("Settings\u2026"), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    m_quit = addAction(tr("Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_help = addAction(tr("mivo Help"), {});
    m_checkForUpdates = addAction(tr("Check for Updates\u2026"), {});
    m_about = addAction(tr("About mivo"), {});
    m_settings->setMenuRole(QAction::PreferencesRole);
    m_quit->setMenuRole(QAction::QuitRole);
    m_about->setMenuRole(QAction::AboutRole);

    connect(m_sync, &QAction::triggered, this, [this] { m_model.startSync(); });
    connect(m_cancelSync, &QAction::triggered, this, [this] { m_model.cancelSync(); });
    connect(m_refreshLibrary, &QAction::triggered, this, [this] {
        if (LibraryStore* library = m_model.library())
            library->refresh(std::nullopt);
    });
    connect(m_revealOutput, &QAction::triggered, this, &MainCommands::revealOutput);
    connect(m_reviewMatches, &QAction::triggered, this, [this] { m_model.openReview(); });
    connect(m_settings, &QAction::triggered, this, [this] {
        m_settingsWindow
            = SettingsWindow::present(m_model, m_updater, qobject_cast<QWidget*>(this->parent()));
    });
    connect(m_quit, &QAction::triggered, qApp, &QApplication::closeAllWindows);
    connect(m_help, &QAction::triggered, this, &MainCommands::openHelp);
    connect(m_checkForUpdates, &QAction::triggered, this, [this] { m_updater.checkForUpdates(); });
    connect(m_about, &QAction::triggered, this, &MainCommands::showAbout);

    SyncStore& sync = m_model.sync();
    connect(&sync, &SyncStore::phaseChanged, this, &MainCommands::updateEnablement);
    connect(&sync, &SyncStore::groupsChanged, this, &MainCommands::updateEnablement);
    connect(&sync, &SyncStore::changed, this, &MainCommands::updateEnablement);
    updateEnablement();
}

QAction* MainCommands::addAction(const QString& title, const QKeySequence& shortcut)
{
    auto* action = new QAction(title, this);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::ApplicationShortcut);
    return action;
}

void MainCommands::populate(QMenuBar* bar)
{
    QMenu* file = bar->addMenu(tr("&File"));
    file->addAction(m_sync);
    file->addAction(m_cancelSync);
    file->addAction(m_refreshLibrary);
    file->addAction(m_revealOutput);
    file->addSeparator();
    file->addAction(m_reviewMatches);
    file->addSeparator();
    file->addAction(m_settings);
    file->addSeparator();
    file->addAction(m_quit);

    QMenu* help = bar->addMenu(tr("&Help"));
    help->addAction(m_help);
    help->addAction(m_about);
    help->addAction(m_checkForUpdates);
}

void MainCommands::updateEnablement()
{
    const SyncStore& sync = m_model.sync();
    const bool running = sync.isRunning();
    m_sync->setEnabled(!running);
    m_cancelSync->setEnabled(running);
    m_reviewMatches->setEnabled(sync.reviewCount() > 0);
}

void MainCommands::revealOutput()
{
    const SettingsStore* settings = m_model.settings();
    if (!settings || !settings->config() || !settings->config()->outputDir)
        return;
    const QString folder = HomePath::expandTilde(*settings->config()->outputDir);
    if (folder.isEmpty())
        return;
    reveal(folder, HomePath::abbreviate(folder));
}

QCoro::Task<void> MainCommands::reveal(QString path, QString shownAs)
{
    const QPointer<MainCommands> self(this);
    QCoro::Task<bool> revealing = m_reveal(std::move(path));
    const bool shown = co_await std::move(revealing);
    if (self && !shown)
        reportFailure(FileManagerReveal::failureText(shownAs));
}

QCoro::Task<void> MainCommands::openHelp()
{
    // The page ships with the application, so help needs no network.
    if (!m_helpPage) {
        reportFailure(tr("mivo Help is missing from this installation."));
        co_return;
    }
    const QPointer<MainCommands> self(this);
    QCoro::Task<bool> opening = m_openUrl(QUrl::fromLocalFile(*m_helpPage));
    const bool opened = co_await std::move(opening);
    if (self && !opened)
        reportFailure(tr("No web browser could open mivo Help."));
}

void MainCommands::reportFailure(const QString& text)
{
    // One line where the window shows what went wrong; never a dialog.
    m_model.sync().setBanner(SyncBanner { SyncBanner::Kind::error, text, std::nullopt });
}

void MainCommands::closeSettings()
{
    if (m_settingsWindow)
        m_settingsWindow->close();
}

QString MainCommands::shortcutText(const QAction* action)
{
    return action ? action->shortcut().toString(QKeySequence::NativeText) : QString();
}

void MainCommands::showAbout()
{
    // One About window at a time: showing it again brings it forward.
    AboutWindow* about = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if ((about = qobject_cast<AboutWindow*>(widget)))
            break;
    }
    if (!about) {
        QWidget* over = QApplication::activeWindow();
        about = new AboutWindow(m_updater.currentVersion(), over);
        about->setAttribute(Qt::WA_DeleteOnClose);
        if (over)
            WindowPlacement::centreOver(about, over);
        else
            WindowPlacement::keepOnScreen(about);
    }
    about->show();
    about->raise();
    about->activateWindow();
}

} // namespace mivo
