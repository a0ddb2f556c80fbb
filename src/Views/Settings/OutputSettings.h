#pragma once

#include "Views/Settings/SettingsPane.h"

#include <functional>

class QPushButton;

namespace mivo {

class FormText;
class SettingsSection;

// The Output pane: the folder the helper writes finished files to, shown with
// the home folder as "~", a way to choose another, and whether the folder is
// writable. The check runs each time the pane is shown, after a folder is
// chosen and when the folder changes, not on every redraw.
class OutputSettings : public SettingsPane {
    Q_OBJECT

public:
    // Asks the user for a folder, starting in `startFolder`; an empty text
    // when cancelled.
    using FolderChooser = std::function<QString(QWidget* parent, const QString& startFolder)>;

    explicit OutputSettings(AppModel& model, QWidget* parent = nullptr);
    OutputSettings(AppModel& model, FolderChooser chooser, QWidget* parent = nullptr);

    // Whether this process may write into the folder at `path` (a leading "~"
    // is the home folder); a missing folder is not writable.
    static bool isWritableFolder(const QString& path);

    FormText* pathText() const { return m_path; }
    SettingsSection* section() const { return m_section; }
    QPushButton* chooseButton() const { return m_choose; }

protected:
    void refresh() override;
    void showEvent(QShowEvent* event) override;

private:
    void chooseFolder();
    // Runs the writable check again for the folder shown.
    void recheck();

    FolderChooser m_chooser;
    FormText* m_path;
    QPushButton* m_choose;
    SettingsSection* m_section;
    // The folder the writable check last ran for, since the pane was shown or
    // a folder was chosen.
    std::optional<QString> m_checkedFolder;
};

} // namespace mivo
