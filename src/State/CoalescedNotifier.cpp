#include "State/CoalescedNotifier.h"

namespace mivo {

CoalescedNotifier::CoalescedNotifier(QObject* owner, std::function<void()> notify)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    QObject::connect(&m_timer, &QTimer::timeout, owner, std::move(notify));
}

void CoalescedNotifier::schedule()
{
    if (!m_timer.isActive())
        m_timer.start();
}

} // namespace mivo
