#include "Views/Settings/SettingsWindow.h"

#include "App/AppModel.h"
#include "Services/UpdaterModel.h"
#include "Styling/FocusRing.h"
#include "Styling/Symbols.h"
#include "Styling/Tokens.h"
#include "Styling/Typography.h"
#include "Support/UserDefaults.h"
#include "Views/Settings/AccountsSettings.h"
#include "Views/Settings/CLIToolSettings.h"
#include "Views/Settings/DiagnosticsSettings.h"
#include "Views/Settings/GeneralSettings.h"
#include "Views/Settings/OutputSettings.h"
#include "Views/Settings/ProxySettings.h"
#include "Views/Settings/QualitySettings.h"
#include "Views/Settings/SourcesSettings.h"
#include "Views/ViewAccessibility.h"
#include "Views/WheelGuard.h"
#include "Views/WindowPlacement.h"

#include <QButtonGroup>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QShortcut>
#include <QShowEvent>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace mivo {

SettingsWindow::SettingsWindow(AppModel& model, UpdaterModel& updater, QWidget* parent)
    : SettingsWindow(model, updater, UserDefaults::standard(), parent)
{
}

SettingsWindow::SettingsWindow(
    AppModel& model, UpdaterModel& updater, UserDefaults& defaults, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_tabs(new QButtonGroup(this))
    , m_panes(new QStackedWidget(this))
{
    ViewAccessibility::install();
    setObjectName(QStringLiteral("settings"));
    setWindowTitle(tr("Settings"));
    setFixedSize(kSize);
    WindowPlacement::offerOnlyClose(this);

    struct Tab {
        QWidget* pane;
        const char* title;
        const char* symbol;
    };
    const Tab tabs[] = {
        { new GeneralSettings(model, updater, defaults), QT_TR_NOOP("General"), "gear" },
        { new AccountsSettings(model), QT_TR_NOOP("Accounts"), "person.crop.circle" },
        { new SourcesSettings(model), QT_TR_NOOP("Sources"), "square.stack.3d.up" },
        { new QualitySettings(model), QT_TR_NOOP("Quality"), "waveform" },
        { new OutputSettings(model), QT_TR_NOOP("Output"), "folder" },
        { new ProxySettings(model), QT_TR_NOOP("Corvane VPN"), "lock.shield" },
        { new CLIToolSettings(model), QT_TR_NOOP("Command Line"), "terminal" },
        { new DiagnosticsSettings(model), QT_TR_NOOP("Diagnostics"), "stethoscope" },
    };
    auto* tabRow = new QWidget(this);
    tabRow->setObjectName(QStringLiteral("settingsTabs"));
    ViewAccessibility::setRole(tabRow, QAccessible::PageTabList);
    auto* bar = new QHBoxLayout(tabRow);
    bar->setContentsMargins(int(Tokens::Space::sm), int(Tokens::Space::xs), int(Tokens::Space::sm), 0);
    bar->setSpacing(0);
    bar->addStretch(1);
    for (const Tab& tab : tabs) {
        auto* button = new QToolButton;
        ViewAccessibility::setPageTab(button);
        button->setText(tr(tab.title));
        button->setIcon(Symbols::icon(QString::fromLatin1(tab.symbol), ThemeColor::secondary()));
        button->setIconSize(QSize(20, 20));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setFont(Typography::font(TextStyle::caption, font()));
        button->setMinimumWidth(62);
        button->installEventFilter(this);
        bar->addWidget(button);
        m_tabs->addButton(button, m_panes->count());
        m_panes->addWidget(tab.pane);
    }
    bar->addStretch(1);
    m_tabs->setExclusive(true);
    connect(m_tabs, &QButtonGroup::idClicked, this, &SettingsWindow::setCurrentPane);
    setCurrentPane(0);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(int(Tokens::Space::xs));
    layout->addWidget(tabRow);
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Mid);
    layout->addWidget(line);
    layout->addWidget(m_panes, 1);

    // Closed from the keyboard as a desktop's preferences windows are. Escape
    // closes it only when nothing in it takes the key (keyPressEvent): as a
    // shortcut it would also fire for the Escape that closes a pop-up list.
    connect(new QShortcut(QKeySequence::Close, this), &QShortcut::activated, this, &QWidget::close);
    WheelGuard::install(this);
}

int SettingsWindow::paneCount() const
{
    return m_panes->count();
}

int SettingsWindow::currentPane() const
{
    return m_panes->currentIndex();
}

void SettingsWindow::setCurrentPane(int index)
{
    QAbstractButton* tab = m_tabs->button(index);
    if (tab)
        tab->setChecked(true);
    // The tab bar is one stop of the Tab chain, its current tab; the arrow keys
    // go along it.
    for (QAbstractButton* button : m_tabs->buttons())
        button->setFocusPolicy(button->isChecked() ? Qt::TabFocus : Qt::NoFocus);
    // The keyboard stays on the tab bar. Left on the pane going away, the
    // focus would be handed to a control of the new one that nobody chose.
    const QWidget* focused = focusWidget();
    if (tab && focused && m_panes->isAncestorOf(focused))
        FocusRing::giveFocus(tab, FocusRing::reasonForUserAction());
    m_panes->setCurrentIndex(index);
}

void SettingsWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool SettingsWindow::eventFilter(QObject* watched, QEvent* event)
{
    auto* tab = qobject_cast<QAbstractButton*>(watched);
    if (tab && event->type() == QEvent::KeyPress && m_tabs->id(tab) >= 0) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
        int next = -1;
        if (key == Qt::Key_Home)
            next = 0;
        else if (key == Qt::Key_End)
            next = paneCount() - 1;
        else if (key == (rightToLeft ? Qt::Key_Right : Qt::Key_Left))
            next = std::max(0, m_tabs->id(tab) - 1);
        else if (key == (rightToLeft ? Qt::Key_Left : Qt::Key_Right))
            next = std::min(paneCount() - 1, m_tabs->id(tab) + 1);
        if (next >= 0) {
            setCurrentPane(next);
            FocusRing::giveFocus(m_tabs->button(next), Qt::TabFocusReason);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QWidget* SettingsWindow::pane(int index) const
{
    return m_panes->widget(index);
}

QAbstractButton* SettingsWindow::tabButton(int index) const
{
    return m_tabs->button(index);
}

SettingsWindow* SettingsWindow::present(AppModel& model, UpdaterModel& updater, const QWidget* over)
{
    static QPointer<SettingsWindow> open;
    if (!open) {
        open = new SettingsWindow(model, updater);
        open->setAttribute(Qt::WA_DeleteOnClose);
        WindowPlacement::centreOver(open, over);
    }
    open->show();
    open->raise();
    open->activateWindow();
    return open;
}

void SettingsWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Coming back from being minimised is not a new showing.
    if (event->spontaneous())
        return;
    // It opens with the keyboard on the current tab.
    FocusRing::giveFocus(m_tabs->button(currentPane()), FocusRing::reasonForUserAction());
    if (SettingsStore* settings = m_model.settings())
        settings->refresh();
}

} // namespace mivo
