#include "Transport/HelperOutputReader.h"

#include "Transport/HelperProcess.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace mivo {

HelperOutputReader::HelperOutputReader(std::shared_ptr<HelperOutputSink> sink, HelperProcess* owner)
    : m_sink(std::move(sink))
    , m_owner(owner)
{
}

HelperOutputReader::~HelperOutputReader()
{
    // The notifier goes with its parent.
    if (m_fd >= 0)
        ::close(m_fd);
}

void HelperOutputReader::attach(int fd)
{
    close();
    m_fd = fd;
    m_discarding = false;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &HelperOutputReader::readAvailable);
}

void HelperOutputReader::readAvailable()
{
    const Burst burst = readBurst();
    consume(burst.bytes);
    if (burst.ended) {
        close();
        return;
    }
    // The main thread is behind: the child waits until it has caught up.
    if (!m_discarding && m_bytesInFlight.load() >= kPauseBytes) {
        m_paused = true;
        m_notifier->setEnabled(false);
    }
}

HelperOutputReader::Burst HelperOutputReader::readBurst()
{
    constexpr qsizetype kReadBytes = 64 * 1024;
    Burst burst;
    while (m_fd >= 0 && burst.bytes.size() < kBurstBytes) {
        const qsizetype had = burst.bytes.size();
        burst.bytes.resize(had + kReadBytes);
        const ssize_t count = ::read(m_fd, burst.bytes.data() + had, size_t(kReadBytes));
        const int error = errno;
        burst.bytes.resize(had + std::max<qsizetype>(count, 0));
        if (count > 0 || (count < 0 && error == EINTR))
            continue;
        // End of file, or an error that ends the stream just as well.
        burst.ended = count == 0 || error != EAGAIN;
        break;
    }
    return burst;
}

void HelperOutputReader::consume(const QByteArray& bytes)
{
    if (bytes.isEmpty() || m_discarding)
        return;
    if (HelperOutputSink::MainThreadWork work = m_sink->consume(bytes))
        send(Mail { std::move(work), bytes.size(), false });
}

void HelperOutputReader::drain()
{
    // The child is gone: what it printed is all in the pipe by now.
    while (m_fd >= 0) {
        const Burst burst = readBurst();
        consume(burst.bytes);
        if (burst.ended || burst.bytes.size() < kBurstBytes)
            break;
    }
    // A process of its own that still holds the pipe open is not waited for.
    close();
    if (m_discarding)
        return;
    send(Mail { m_sink->ended(), 0, true });
}

void HelperOutputReader::discard()
{
    m_discarding = true;
    if (m_paused && m_notifier)
        m_notifier->setEnabled(true);
    m_paused = false;
}

void HelperOutputReader::detach()
{
    dropNotifier();
    m_detachedFd.store(std::exchange(m_fd, -1), std::memory_order_release);
}

void HelperOutputReader::send(Mail mail)
{
    m_bytesInFlight.fetch_add(mail.bytes);
    bool wake = false;
    {
        const std::lock_guard<std::mutex> locker(m_mailLock);
        wake = m_mail.empty();
        m_mail.push_back(std::move(mail));
    }
    // One wake-up for whatever gathers until the main thread takes it.
    if (wake)
        QMetaObject::invokeMethod(m_owner, "takeOutput", Qt::QueuedConnection);
}

std::vector<HelperOutputReader::Mail> HelperOutputReader::takeMail(bool& more)
{
    std::vector<Mail> taken;
    qint64 bytes = 0;
    const std::lock_guard<std::mutex> locker(m_mailLock);
    while (!m_mail.empty() && (taken.empty() || bytes + m_mail.front().bytes <= kTurnBytes)) {
        bytes += m_mail.front().bytes;
        taken.push_back(std::move(m_mail.front()));
        m_mail.pop_front();
    }
    more = !m_mail.empty();
    return taken;
}

void HelperOutputReader::workDone(qint64 bytes)
{
    const qint64 before = m_bytesInFlight.fetch_sub(bytes);
    if (before >= kResumeBytes && before - bytes < kResumeBytes)
        QMetaObject::invokeMethod(this, "resume", Qt::QueuedConnection);
}

void HelperOutputReader::resume()
{
    if (!m_paused || !m_notifier)
        return;
    m_paused = false;
    m_notifier->setEnabled(true);
}

void HelperOutputReader::dropNotifier()
{
    m_paused = false;
    if (QSocketNotifier* notifier = std::exchange(m_notifier, nullptr)) {
        notifier->setEnabled(false);
        notifier->deleteLater();
    }
}

void HelperOutputReader::close()
{
    dropNotifier();
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
}

} // namespace mivo
