#pragma once

#include "Views/Toolbar/ToolbarButton.h"
#include "Views/Toolbar/VPNStatus.h"

#include <QCoro/QCoroTask>
#include <QPointer>
#include <chrono>
#include <optional>

class QAction;
class QMenu;

namespace mivo {

class AppModel;

// The tool bar menu of the VPN routing of Soulseek traffic: a shield tinted by
// the routing state with a short text, and a menu with the full status, the
// on/off switch and a connection test. What it shows is VPNStatus, from the
// configuration, the status the helper pushes and this control's own transient
// state: a running test, the test's feedback (shown for a few seconds) and the
// number of servers it last learned.
class VPNToolbarControl : public ToolbarButton {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kFeedbackDuration { 4000 };

    explicit VPNToolbarControl(AppModel& model, QWidget* parent = nullptr);

    VPNStatus status() const { return m_status; }
    std::optional<qint64> nodeCount() const { return m_nodeCount; }
    bool isTesting() const { return m_testing; }

    QAction* statusAction() const { return m_statusAction; }
    QAction* switchAction() const { return m_switchAction; }
    QAction* testAction() const { return m_testAction; }

    // Starts a connection test; returns at once.
    void runTest();
    // How long a test's feedback stays; for tests.
    void setFeedbackDuration(std::chrono::milliseconds duration) { m_feedbackDuration = duration; }

signals:
    // What the control shows changed.
    void statusChanged();

private:
    bool routingEnabled() const;
    void refresh();
    // Learns the server count again when the switch has changed.
    void followSwitch();
    void toggleRouting();
    QCoro::Task<void> learnNodeCount(quint64 generation);
    QCoro::Task<void> test(quint64 token);

    QPointer<AppModel> m_model;
    QMenu* m_menu;
    QAction* m_statusAction;
    QAction* m_switchAction;
    QAction* m_testAction;
    std::chrono::milliseconds m_feedbackDuration = kFeedbackDuration;

    bool m_testing = false;
    std::optional<VPNStatus::TestFeedback> m_feedback;
    // Counts the tests started: a test clears its feedback only while it is the newest.
    quint64 m_feedbackToken = 0;
    std::optional<qint64> m_nodeCount;
    // The switch the server count was last learned for, and a counter that makes
    // an answer for an earlier switch write nothing.
    std::optional<bool> m_countedSwitch;
    quint64 m_countGeneration = 0;
    VPNStatus m_status;
};

} // namespace mivo
