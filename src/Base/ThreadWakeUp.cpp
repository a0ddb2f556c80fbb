#include "Base/ThreadWakeUp.h"

#include "Base/Log.h"

#include <QMetaObject>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/eventfd.h>
#include <unistd.h>

namespace mivo {

ThreadWakeUp::ThreadWakeUp(std::function<void()> onWoken, QObject* parent)
    : QObject(parent)
    , m_onWoken(std::move(onWoken))
    , m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (m_fd < 0) {
        // Still woken, through Qt's own queued calls.
        qCWarning(lcApp, "no event descriptor for waking a thread: %s", std::strerror(errno));
        return;
    }
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ThreadWakeUp::takeWakeUps);
}

ThreadWakeUp::~ThreadWakeUp()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

void ThreadWakeUp::wake() const
{
    if (m_fd < 0) {
        QMetaObject::invokeMethod(
            const_cast<ThreadWakeUp*>(this), [this] { m_onWoken(); }, Qt::QueuedConnection);
        return;
    }
    const std::uint64_t one = 1;
    // A counter that is full already wakes the reader.
    while (::write(m_fd, &one, sizeof one) < 0 && errno == EINTR) { }
}

void ThreadWakeUp::takeWakeUps()
{
    std::uint64_t count = 0;
    if (::read(m_fd, &count, sizeof count) < 0)
        return;
    QMetaObject::invokeMethod(
        this, [this] { m_onWoken(); }, Qt::QueuedConnection);
}

} // namespace mivo
