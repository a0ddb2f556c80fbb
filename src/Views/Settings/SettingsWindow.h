#pragma once

#include <QPointer>
#include <QWidget>

class QAbstractButton;
class QButtonGroup;
class QStackedWidget;

namespace mivo {

class AppModel;
class UpdaterModel;
class UserDefaults;

// The Settings window: a top-level window of its own (no parent, so closing
// the main window leaves it open and closing it last quits), a fixed 560 × 460,
// holding the eight panes as tabs. Each time it is shown it reads the helper's
// configuration once. Its content is made afresh for every opening.
class SettingsWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize kSize { 560, 460 };

    SettingsWindow(AppModel& model, UpdaterModel& updater, QWidget* parent = nullptr);
    // With the interface preferences kept in `defaults` instead of the user's own.
    SettingsWindow(AppModel& model, UpdaterModel& updater, UserDefaults& defaults, QWidget* parent = nullptr);

    // Shows the Settings window, making it when none is open (centred over
    // `over` when one is given), and brings it to the front. Returns the window.
    static SettingsWindow* present(AppModel& model, UpdaterModel& updater, const QWidget* over = nullptr);

    // The panes, chosen by a row of tab buttons (symbol over title) along the top.
    int paneCount() const;
    int currentPane() const;
    void setCurrentPane(int index);
    QWidget* pane(int index) const;
    QAbstractButton* tabButton(int index) const;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The arrow keys move along the tab bar.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AppModel& m_model;
    QButtonGroup* m_tabs;
    QStackedWidget* m_panes;
};

} // namespace mivo
