#include "Views/Toolbar/VPNToolbarControl.h"

#include "App/AppModel.h"

#include <QMenu>

namespace mivo {

VPNToolbarControl::VPNToolbarControl(AppModel& model, QWidget* parent)
    : ToolbarButton(parent)
    , m_model(&model)
    , m_menu(new QMenu(this))
{
    setObjectName(QStringLiteral("vpnControl"));
    setPopupMode(QToolButton::InstantPopup);
    setAccessibleName(tr("Corvane VPN"));
    m_statusAction = m_menu->addAction(QString());
    m_statusAction->setEnabled(false);
    m_menu->addSeparator();
    m_switchAction = m_menu->addAction(QString());
    m_testAction = m_menu->addAction(tr("Test Connection…"));
    setMenu(m_menu);
    connect(m_switchAction, &QAction::triggered, this, &VPNToolbarControl::toggleRouting);
    connect(m_testAction, &QAction::triggered, this, &VPNToolbarControl::runTest);

    const auto follow = [this] {
        followSwitch();
        refresh();
    };
    connect(&model.sync(), &SyncStore::proxyStatusChanged, this, &VPNToolbarControl::refresh);
    connect(&model.sync(), &SyncStore::proxyDetailChanged, this, &VPNToolbarControl::refresh);
    if (SettingsStore* settings = model.settings())
        connect(settings, &SettingsStore::configChanged, this, follow);
    follow();
}

bool VPNToolbarControl::routingEnabled() const
{
    SettingsStore* settings = m_model ? m_model->settings() : nullptr;
    return settings && settings->proxyEnabled();
}

void VPNToolbarControl::refresh()
{
    VPNStatus::Inputs in;
    in.enabled = routingEnabled();
    in.testing = m_testing;
    in.feedback = m_feedback;
    if (m_model) {
        in.pushedStatus = m_model->sync().proxyStatus();
        in.pushedDetail = m_model->sync().proxyDetail();
    }
    in.nodeCount = m_nodeCount;
    const VPNStatus status = VPNStatus::of(in);

    m_statusAction->setText(status.statusText);
    m_switchAction->setText(in.enabled ? tr("Turn Corvane VPN Off") : tr("Turn Corvane VPN On"));
    m_testAction->setEnabled(in.enabled && !m_testing);
    // Before a configuration is held "on" or "off" would be a guess.
    const SettingsStore* settings = m_model ? m_model->settings() : nullptr;
    m_switchAction->setEnabled(settings && settings->config());
    const bool changed = status != m_status;
    m_status = status;
    setLabel(status.icon, status.labelText.value_or(QString()), status.tint);
    setToolTip(status.statusText);
    setAccessibleDescription(status.statusText);
    if (changed)
        emit statusChanged();
}

void VPNToolbarControl::followSwitch()
{
    const bool enabled = routingEnabled();
    if (m_countedSwitch == enabled)
        return;
    m_countedSwitch = enabled;
    const quint64 generation = ++m_countGeneration;
    if (enabled)
        learnNodeCount(generation);
    else
        m_nodeCount.reset();
}

QCoro::Task<void> VPNToolbarControl::learnNodeCount(quint64 generation)
{
    SettingsStore* settings = m_model ? m_model->settings() : nullptr;
    if (!settings)
        co_return;
    const QPointer<VPNToolbarControl> self(this);
    QCoro::Task<std::optional<qint64>> asked = settings->proxyNodeCount();
    const std::optional<qint64> count = co_await std::move(asked);
    // The control may be gone, or the switch changed meanwhile.
    if (!self || generation != self->m_countGeneration)
        co_return;
    self->m_nodeCount = count;
    self->refresh();
}

void VPNToolbarControl::toggleRouting()
{
    SettingsStore* settings = m_model ? m_model->settings() : nullptr;
    // Before a configuration is held "on" or "off" would be a guess.
    if (settings && settings->config())
        settings->setProxyEnabled(!settings->proxyEnabled());
}

void VPNToolbarControl::runTest()
{
    test(++m_feedbackToken);
}

QCoro::Task<void> VPNToolbarControl::test(quint64 token)
{
    const QPointer<VPNToolbarControl> self(this);
    m_testing = true;
    m_feedback.reset();
    refresh();
    SettingsStore::ProxyTest result;
    if (SettingsStore* settings = m_model ? m_model->settings() : nullptr) {
        QCoro::Task<SettingsStore::ProxyTest> asked = settings->testProxy();
        result = co_await std::move(asked);
    }
    if (!self)
        co_return;
    self->m_testing = false;
    if (result.ok) {
        self->m_feedback = VPNStatus::TestFeedback::success;
        if (const std::optional<qint64> count
            = result.detail ? VPNStatus::leadingNumber(*result.detail) : std::nullopt)
            self->m_nodeCount = count;
    } else {
        self->m_feedback = VPNStatus::TestFeedback::failure;
    }
    self->refresh();
    // The call dies with the control; a newer test owns the feedback.
    if (self->m_model) {
        self->m_model->clock().callAfter(self->m_feedbackDuration, self, [control = self.data(), token] {
            if (control->m_feedbackToken != token)
                return;
            control->m_feedback.reset();
            control->refresh();
        });
    }
}

} // namespace mivo
