#include "Views/Toolbar/MainToolbar.h"

#include "App/AppModel.h"
#include "Views/MainCommands.h"
#include "Views/Toolbar/ToolbarButton.h"
#include "Views/Toolbar/VPNToolbarControl.h"
#include "Views/ViewAccessibility.h"

#include <QAction>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QStyleHints>
#include <QToolBar>
#include <chrono>
#include <utility>

namespace mivo {

namespace {

QString withShortcut(const QString& help, const QAction* action)
{
    const QString shortcut = MainCommands::shortcutText(action);
    return shortcut.isEmpty() ? help : QStringLiteral("%1 (%2)").arg(help, shortcut);
}

} // namespace

MainToolbar::MainToolbar(AppModel& model, const MainCommands& commands, QToolBar* bar)
    : MainToolbar(model, commands, bar, MonotonicClock::system())
{
}

MainToolbar::MainToolbar(
    AppModel& model, const MainCommands& commands, QToolBar* bar, const MonotonicClock& clock)
    : QObject(bar)
    , m_model(&model)
    , m_bar(bar)
    , m_vpnHolder(new QWidget(bar))
    , m_review(new ToolbarButton(bar))
    , m_sync(new ToolbarButton(bar))
    , m_cancel(new ToolbarButton(bar))
    , m_clock(clock)
{
    // The items sit at the trailing end of the bar.
    auto* spacer = new QWidget(bar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    ViewAccessibility::hide(spacer);
    bar->addWidget(spacer);
    // The VPN control is made afresh whenever it reappears; this holds its place.
    auto* vpnLayout = new QHBoxLayout(m_vpnHolder);
    vpnLayout->setContentsMargins(0, 0, 0, 0);
    m_vpnSlot = bar->addWidget(m_vpnHolder);

    m_review->setObjectName(QStringLiteral("reviewButton"));
    m_review->setToolTip(tr("Review low-confidence matches"));
    m_reviewItem = bar->addWidget(m_review);

    m_sync->setObjectName(QStringLiteral("syncButton"));
    m_sync->setLabel(QStringLiteral("arrow.triangle.2.circlepath"), tr("Sync"), std::nullopt);
    m_sync->setToolTip(withShortcut(tr("Sync the selected playlists"), commands.syncAction()));
    m_syncItem = bar->addWidget(m_sync);
    m_sync->installEventFilter(this);

    m_cancel->setObjectName(QStringLiteral("cancelSyncButton"));
    m_cancel->setLabel(QStringLiteral("stop.fill"), tr("Cancel Sync"), ThemeColor::red());
    m_cancel->setToolTip(withShortcut(tr("Cancel the running sync"), commands.cancelSyncAction()));
    m_cancelItem = bar->addWidget(m_cancel);
    m_cancel->installEventFilter(this);

    connect(m_review, &QToolButton::clicked, &model, &AppModel::openReview);
    connect(m_sync, &QToolButton::clicked, &model, &AppModel::startSync);
    connect(m_cancel, &QToolButton::clicked, &model, &AppModel::cancelSync);
    connect(&model.sync(), &SyncStore::phaseChanged, this, &MainToolbar::refresh);
    connect(&model.sync(), &SyncStore::changed, this, &MainToolbar::refresh);
    connect(&model, &AppModel::attached, this, &MainToolbar::rebind);
    rebind();
}

void MainToolbar::rebind()
{
    if (!m_model)
        return;
    if (LibraryStore* library = m_model->library())
        connect(library, &LibraryStore::selectedPlaylistCountChanged, this, &MainToolbar::refresh,
            Qt::UniqueConnection);
    if (SettingsStore* settings = m_model->settings())
        connect(settings, &SettingsStore::configChanged, this, &MainToolbar::refresh, Qt::UniqueConnection);
    refresh();
}

void MainToolbar::refresh()
{
    if (!m_model)
        return;
    std::optional<bool> vpnConfigured;
    if (SettingsStore* settings = m_model->settings(); settings && settings->config())
        vpnConfigured = settings->config()->proxy.configured;
    LibraryStore* library = m_model->library();
    const SyncStore& sync = m_model->sync();
    const MainToolbarState state = MainToolbarState::of(
        sync.phase(), vpnConfigured, sync.reviewCount(), library ? library->selectedPlaylistCount() : 0);
    if (m_shown && state == m_state)
        return;
    if (m_shown && m_state.showsCancel != state.showsCancel) {
        m_held = state.showsCancel ? m_cancel : m_sync;
        m_heldSince = m_clock.now();
    }
    m_shown = true;
    m_state = state;

    if (m_state.showsVPN && !m_vpn) {
        m_vpn = new VPNToolbarControl(*m_model);
        m_vpnHolder->layout()->addWidget(m_vpn);
        m_vpn->show();
    } else if (!m_state.showsVPN && m_vpn) {
        m_vpn->hide();
        m_vpn->deleteLater();
        m_vpn = nullptr;
    }
    m_vpnSlot->setVisible(m_state.showsVPN);

    m_review->setLabel(
        QStringLiteral("exclamationmark.triangle.fill"), m_state.reviewTitle, ThemeColor::orange());
    m_reviewItem->setVisible(m_state.showsReview);
    m_syncItem->setVisible(!m_state.showsCancel);
    m_sync->setEnabled(m_state.syncEnabled);
    m_cancelItem->setVisible(m_state.showsCancel);
}

bool MainToolbar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_sync && watched != m_cancel)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        m_refusedPress = false;
        if (!m_heldSince || watched != m_held)
            break;
        const MonotonicClock::Duration now = m_clock.now();
        const auto interval
            = std::chrono::milliseconds(QGuiApplication::styleHints()->mouseDoubleClickInterval());
        if (now - *m_heldSince >= interval) {
            m_heldSince.reset();
            break;
        }
        // Still the burst: it goes on holding the button back.
        m_heldSince = now;
        m_refusedPress = true;
        event->accept();
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (std::exchange(m_refusedPress, false)) {
            event->accept();
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace mivo
