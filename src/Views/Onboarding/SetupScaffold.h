#pragma once

#include "Views/Onboarding/SetupCoordinator.h"

#include <QDialog>
#include <QPointer>
#include <optional>
class QPushButton;
class QScrollArea;
class QVariantAnimation;
class QVBoxLayout;

namespace mivo {

class AppModel;
class Hairline;
class SourceWarningWindow;

// The setup wizard's panel: a header for the current screen, the screen in a
// scroll area and a footer with Back, the step dots, Skip and the primary
// button. Every screen change builds the screen afresh, sliding it in from the
// trailing edge unless reduced motion is asked for. Return presses the primary
// button; no other button is a default button.
//
// All wizard state lives in the coordinator; the panel reads it and calls its
// operations. The last screen's primary button runs the finish sequence: on a
// first run without any playlist source it first asks whether to go on, then
// commits through the coordinator and, when that saved everything, lets the
// model close the wizard. A failed commit leaves the wizard open on the finish
// screen, which shows why. While the commit runs every control is disabled.
class SetupScaffold : public QDialog {
    Q_OBJECT

public:
    static constexpr int kWidth = 620;
    static constexpr int kHeight = 560;
    // How long a screen takes to slide in.
    static constexpr int kTransitionMs = 420;

    struct HeaderInfo {
        QString symbol;
        QString title;
        std::optional<QString> subtitle;
    };
    // The header of a screen; none on the welcome and finish screens.
    static std::optional<HeaderInfo> headerInfo(SetupCoordinator::Screen screen);

    SetupScaffold(SetupCoordinator& coordinator, AppModel& model, QWidget* parent = nullptr);
    ~SetupScaffold() override;

    SetupCoordinator* coordinator() const { return m_coordinator; }
    // The widget of the current screen.
    QWidget* screenWidget() const { return m_screen; }
    // The source-warning window while it is shown.
    SourceWarningWindow* sourceWarning() const;

    // The primary button's action on the last screen.
    void attemptFinish();

protected:
    // It opens with the keyboard on the primary button.
    void showEvent(QShowEvent* event) override;

private:
    void showScreen(bool animated);
    void finishTransition();
    void updateHeader();
    void updateFooter();
    void keepKeyboard();
    void primaryAction();
    void showSourceWarning();
    QCoro::Task<void> finish();
    bool reduceMotion() const;

    QPointer<SetupCoordinator> m_coordinator;
    QPointer<AppModel> m_model;
    QWidget* m_header = nullptr;
    Hairline* m_headerDivider = nullptr;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_host = nullptr;
    QVBoxLayout* m_hostLayout = nullptr;
    QWidget* m_screen = nullptr;
    QPointer<QWidget> m_leaving;
    QVariantAnimation* m_transition = nullptr;
    QPushButton* m_back = nullptr;
    QWidget* m_dots = nullptr;
    QPushButton* m_skip = nullptr;
    QPushButton* m_primary = nullptr;
    QPointer<SourceWarningWindow> m_sourceWarning;
};

} // namespace mivo
