#pragma once

#include "Views/Settings/SettingsPane.h"

class QComboBox;
class QPushButton;

namespace mivo {

class FormText;
class SwitchButton;
class UpdaterModel;
class UserDefaults;

// The General pane: the appearance and reduce-glass preferences (kept in the
// user defaults, so the main window follows the glass switch at once), the
// update controls, the way back into the setup wizard and the versions.
// It touches none of the helper's configuration.
class GeneralSettings : public SettingsPane {
    Q_OBJECT

public:
    GeneralSettings(AppModel& model, UpdaterModel& updater, QWidget* parent = nullptr);
    GeneralSettings(
        AppModel& model, UpdaterModel& updater, UserDefaults& defaults, QWidget* parent = nullptr);

    // The window the re-run action brings forward: the first top-level window
    // that can be a main window and whose title does not name the settings.
    static QWidget* mainWindowToRaise();

protected:
    void refresh() override;

private:
    void rerunSetup();

    UpdaterModel& m_updater;
    UserDefaults& m_defaults;
    QComboBox* m_theme;
    SwitchButton* m_reduceGlass;
    SwitchButton* m_automaticChecks;
    QWidget* m_cliVersionRow;
    FormText* m_cliVersion;
};

} // namespace mivo
