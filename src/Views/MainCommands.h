#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>
#include <qcoro/qcorotask.h>

class QAction;
class QMenuBar;
class QWidget;

namespace mivo {

class AppModel;
class UpdaterModel;

// The menu commands of the application: File (sync, cancel, refresh, reveal the
// output folder, review matches, settings, quit) and Help (help, update check, about). The
// actions are application-wide shortcuts, so they work from every window of the
// application, and their enabled state follows the sync run as it changes. A
// parent that is a widget is the window the commands belong to: Settings opens
// centred over it.
class MainCommands : public QObject {
    Q_OBJECT

public:
    // How a folder is shown in the file manager (true when it was); the real
    // file manager unless a test gives its own.
    using Reveal = std::function<QCoro::Task<bool>(QString path)>;
    // How a page opens in the web browser (true when one took it); the
    // desktop's unless a test gives its own.
    using OpenUrl = std::function<QCoro::Task<bool>(QUrl url)>;

    MainCommands(AppModel& model, UpdaterModel& updater, QObject* parent = nullptr);

    // Adds the File and Help menus with these actions to `bar`.
    void populate(QMenuBar* bar);

    QAction* syncAction() const { return m_sync; }
    QAction* cancelSyncAction() const { return m_cancelSync; }
    QAction* refreshLibraryAction() const { return m_refreshLibrary; }
    QAction* revealOutputAction() const { return m_revealOutput; }
    QAction* reviewMatchesAction() const { return m_reviewMatches; }
    // Opens the Settings window, or brings the open one to the front.
    QAction* settingsAction() const { return m_settings; }
    QAction* quitAction() const { return m_quit; }
    QAction* helpAction() const { return m_help; }
    QAction* checkForUpdatesAction() const { return m_checkForUpdates; }
    QAction* aboutAction() const { return m_about; }

    // Closes the Settings window when it is open (its window is closing).
    void closeSettings();

    // Shows the configured output folder selected in the file manager; does
    // nothing without a settings store, a configuration or an output folder.
    // When no file manager could show it, the sync banner says so.
    void revealOutput();
    void setReveal(Reveal reveal) { m_reveal = std::move(reveal); }
    void setOpenUrl(OpenUrl openUrl) { m_openUrl = std::move(openUrl); }
    // The help page "mivo Help" opens: the one shipped in the application's
    // bundle unless a test gives another; none when it is missing.
    void setHelpPage(std::optional<QString> path) { m_helpPage = std::move(path); }
    // Where the bundle keeps its help page.
    static constexpr const char* kHelpPage = "Help/index.html";

    // The shortcut of an action as the user reads it ("Ctrl+R"); empty without one.
    static QString shortcutText(const QAction* action);

private:
    QAction* addAction(const QString& title, const QKeySequence& shortcut);
    void updateEnablement();
    void showAbout();
    QCoro::Task<void> openHelp();
    QCoro::Task<void> reveal(QString path, QString shownAs);
    void reportFailure(const QString& text);

    AppModel& m_model;
    UpdaterModel& m_updater;
    Reveal m_reveal;
    OpenUrl m_openUrl;
    std::optional<QString> m_helpPage;
    QPointer<QWidget> m_settingsWindow;
    QAction* m_sync;
    QAction* m_cancelSync;
    QAction* m_refreshLibrary;
    QAction* m_revealOutput;
    QAction* m_reviewMatches;
    QAction* m_settings;
    QAction* m_quit;
    QAction* m_help;
    QAction* m_checkForUpdates;
    QAction* m_about;
};

} // namespace mivo
