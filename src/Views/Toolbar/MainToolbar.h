#pragma once

#include "Base/MonotonicClock.h"
#include "Views/Toolbar/MainToolbarState.h"
#include "Views/Toolbar/VPNToolbarControl.h"

#include <QObject>
#include <QPointer>
#include <optional>

class QAction;
class QToolBar;

namespace mivo {

class AppModel;
class MainCommands;
class ToolbarButton;

// Fills the main window's tool bar, at its trailing end: the VPN control while a
// VPN subscription is stored, the review button while tracks wait for a
// decision, and Sync or Cancel Sync by the sync phase. Each button is one call
// on the model. The buttons carry no shortcuts; their tooltips name the
// shortcut of the menu command that does the same.
//
// Sync and Cancel Sync take each other's place under the pointer the moment a
// run starts or is cancelled, so the later presses of a burst meant for the one
// would land on the other: a press on the button that has just taken the place,
// within the desktop's double-click interval of that change or of the last press
// so refused, is not taken.
class MainToolbar : public QObject {
    Q_OBJECT

public:
    MainToolbar(AppModel& model, const MainCommands& commands, QToolBar* bar);
    MainToolbar(AppModel& model, const MainCommands& commands, QToolBar* bar, const MonotonicClock& clock);

    MainToolbarState state() const { return m_state; }
    // The VPN control while it is shown; a new one each time it reappears.
    VPNToolbarControl* vpnControl() const { return m_vpn; }
    ToolbarButton* reviewButton() const { return m_review; }
    ToolbarButton* syncButton() const { return m_sync; }
    ToolbarButton* cancelButton() const { return m_cancel; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebind();
    void refresh();

    QPointer<AppModel> m_model;
    QToolBar* m_bar;
    QWidget* m_vpnHolder;
    QAction* m_vpnSlot;
    QAction* m_reviewItem;
    QAction* m_syncItem;
    QAction* m_cancelItem;
    QPointer<VPNToolbarControl> m_vpn;
    ToolbarButton* m_review;
    ToolbarButton* m_sync;
    ToolbarButton* m_cancel;
    const MonotonicClock& m_clock;
    MainToolbarState m_state;
    bool m_shown = false;
    // The button that has just taken the other's place, and since when presses
    // on it are refused; none while presses are taken.
    ToolbarButton* m_held = nullptr;
    std::optional<MonotonicClock::Duration> m_heldSince;
    bool m_refusedPress = false; // the release of a refused press is not taken either
};

} // namespace mivo
