#include "Views/Settings/SettingsWindow.h"

#include "App/AppModel.h"
#include "Services/UpdaterModel.h"
#include "Styling/Symbols.h"
#include "Views/Settings/AccountsSettings.h"
#include "Views/Settings/CLIToolSettings.h"
#include "Views/Settings/DiagnosticsSettings.h"
#include "Views/Settings/GeneralSettings.h"
#include "Views/Settings/OutputSettings.h"
#include "Views/Settings/ProxySettings.h"
#include "Views/Settings/QualitySettings.h"
#include "Views/Settings/SourcesSettings.h"

#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

namespace mivo {

SettingsWindow::SettingsWindow(AppModel& model, UpdaterModel& updater, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_tabs(new QTabWidget(this))
{
    setObjectName(QStringLiteral("settings"));
    setWindowTitle(QStringLiteral("Settings"));
    setFixedSize(kSize);

    struct Tab {
        QWidget* pane;
        const char* title;
        const char* symbol;
    };
    const Tab tabs[] = {
        { new GeneralSettings(model, updater), "General", "gear" },
        { new AccountsSettings(model), "Accounts", "person.crop.circle" },
        { new SourcesSettings(model), "Sources", "square.stack.3d.up" },
        { new QualitySettings(model), "Quality", "waveform" },
        { new OutputSettings(model), "Output", "folder" },
        { new ProxySettings(model), "Corvane VPN", "lock.shield" },
        { new CLIToolSettings(model), "Command Line", "terminal" },
        { new DiagnosticsSettings(model), "Diagnostics", "stethoscope" },
    };
    for (const Tab& tab : tabs) {
        m_tabs->addTab(tab.pane, Symbols::icon(QString::fromLatin1(tab.symbol), ThemeColor::secondary()),
            QString::fromLatin1(tab.title));
    }
    m_tabs->setDocumentMode(true);
    m_tabs->setUsesScrollButtons(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs);
}

SettingsWindow* SettingsWindow::present(AppModel& model, UpdaterModel& updater)
{
    static QPointer<SettingsWindow> open;
    if (!open) {
        open = new SettingsWindow(model, updater);
        open->setAttribute(Qt::WA_DeleteOnClose);
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
    if (SettingsStore* settings = m_model.settings())
        settings->refresh();
}

} // namespace mivo
