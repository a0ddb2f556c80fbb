#pragma once

#include "Views/Settings/SettingsPane.h"

class QListView;
class QPushButton;

namespace mivo {

class DoctorCheckModel;
class FormText;

// The Diagnostics pane: runs the helper's checks and shows each with its
// status, detail and, when the helper can repair it, a Fix button. Nothing
// runs when the pane appears; the checks of an earlier run stay listed. A run
// or fix that fails shows why.
class DiagnosticsSettings : public SettingsPane {
    Q_OBJECT

public:
    explicit DiagnosticsSettings(AppModel& model, QWidget* parent = nullptr);

    DoctorCheckModel* checksModel() const { return m_checks; }
    QListView* list() const { return m_list; }
    QPushButton* runAllButton() const { return m_runAll; }
    FormText* placeholder() const { return m_placeholder; }

protected:
    void bindStores() override;
    void refresh() override;

private:
    DoctorCheckModel* m_checks;
    QListView* m_list;
    QPushButton* m_runAll;
    FormText* m_placeholder;
};

} // namespace mivo
