#pragma once

#include "State/CLIToolStore.h"
#include "Views/Settings/SettingsPane.h"

class QPushButton;

namespace mivo {

class CLIInstaller;
class FormText;
class SettingsSection;

// The Command Line pane: whether the helper is installed as the terminal
// command `mivo` (a link in /usr/local/bin, or in ~/.local/bin without
// administrator rights), its version, and install, repair and uninstall. The
// file work runs off the main thread, one operation at a time in the process:
// every pane's buttons wait for it and for the detection that follows.
// Failures show in red in place of the explanation, and a link put in
// ~/.local/bin says why; the store keeps that note for every pane until the
// next operation or until the state it spoke of changes. A file at the tool
// path that is not a link, or a link to another program, belongs to the user:
// Uninstall leaves it and says so, and so does Reinstall when every tool path
// holds such a file.
class CLIToolSettings : public SettingsPane {
    Q_OBJECT

public:
    explicit CLIToolSettings(AppModel& model, QWidget* parent = nullptr);
    CLIToolSettings(AppModel& model, const CLIInstaller& installer, QWidget* parent = nullptr);

    static QString stateText(const CLIToolStore::State& state);
    static bool isInstalled(const CLIToolStore::State& state);
    static QString explanation();
    // Why Uninstall is not offered for a file of someone else's at `path`.
    static QString foreignCopyText(const QString& path);
    // Why neither Reinstall nor Uninstall is offered when every tool path
    // holds someone else's file.
    static QString noRoomText(const QStringList& paths);
    static QString pathNoteText();
    // Where the link went instead of the system folder, and why.
    static QString fallbackText(const QString& link, const QString& reason);

    QPushButton* installButton() const { return m_install; }
    QPushButton* uninstallButton() const { return m_uninstall; }
    QPushButton* repairButton() const { return m_repair; }
    FormText* stateValue() const { return m_state; }
    SettingsSection* actions() const { return m_actions; }
    FormText* uninstallNote() const { return m_uninstallNote; }
    FormText* pathNote() const { return m_pathNote; }
    bool isBusy() const;

protected:
    void refresh() override;
    void showEvent(QShowEvent* event) override;

private:
    QCoro::Task<void> install();
    QCoro::Task<void> uninstall();

    const CLIInstaller& m_installer;
    FormText* m_state;
    FormText* m_version;
    QWidget* m_versionRow;
    SettingsSection* m_actions;
    QPushButton* m_install;
    QPushButton* m_uninstall;
    QPushButton* m_repair;
    FormText* m_uninstallNote;
    QWidget* m_uninstallNoteRow;
    FormText* m_pathNote;
    QWidget* m_pathNoteRow;
};

} // namespace mivo
