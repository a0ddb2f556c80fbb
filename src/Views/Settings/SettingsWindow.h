#pragma once

#include <QPointer>
#include <QWidget>

class QTabWidget;

namespace mivo {

class AppModel;
class UpdaterModel;

// The Settings window: a top-level window of its own (no parent, so closing
// the main window leaves it open and closing it last quits), a fixed 560 × 460,
// holding the eight panes as tabs. Each time it is shown it reads the helper's
// configuration once. Its content is made afresh for every opening.
class SettingsWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize kSize { 560, 460 };

    SettingsWindow(AppModel& model, UpdaterModel& updater, QWidget* parent = nullptr);

    // Shows the Settings window, making it when none is open, and brings it to
    // the front. Returns the window.
    static SettingsWindow* present(AppModel& model, UpdaterModel& updater);

    QTabWidget* tabs() const { return m_tabs; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    AppModel& m_model;
    QTabWidget* m_tabs;
};

} // namespace mivo
