#include "Transport/HelperOutputReader.h"

#include "Base/Log.h"
#include "Base/ThreadWakeUp.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <string>
#include <sys/eventfd.h>
#include <unistd.h>

namespace mivo {

namespace {

// How long the thread sleeps between two looks when it has no wake-up
// descriptor, or when poll() itself fails.
constexpr int kFallbackPollMs = 10;

} // namespace

HelperOutputReader::HelperOutputReader(
    std::shared_ptr<HelperOutputSink> sink, const ThreadWakeUp& owner, const char* threadName)
    : m_sink(std::move(sink))
    , m_owner(owner)
    , m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (m_wakeFd < 0)
        qCCritical(lcHelper, "helper link cannot be woken (%s); it looks for work every %d ms",
            std::strerror(errno), kFallbackPollMs);
    m_thread = std::thread([this, name = std::string(threadName)] {
        // The system keeps 15 bytes of a thread's name.
        ::pthread_setname_np(::pthread_self(), name.substr(0, 15).c_str());
        run();
    });
}

HelperOutputReader::~HelperOutputReader()
{
    const int fd = detach();
    if (fd >= 0)
        ::close(fd);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void HelperOutputReader::attach(int fd)
{
    post({ Order::attach, fd });
}

void HelperOutputReader::drain()
{
    post({ Order::drain });
}

void HelperOutputReader::discard()
{
    post({ Order::discard });
}

int HelperOutputReader::detach()
{
    if (!m_detached) {
        m_detached = true;
        post({ Order::stop });
        m_thread.join();
    }
    // The thread has ended: what it left is this thread's to read.
    return std::exchange(m_detachedFd, -1);
}

void HelperOutputReader::post(Command command)
{
    {
        const std::lock_guard<std::mutex> locker(m_commandLock);
        m_commands.push_back(command);
    }
    wake();
}

void HelperOutputReader::wake()
{
    if (m_wakeFd < 0)
        return;
    const std::uint64_t one = 1;
    // A full counter already wakes the thread.
    while (::write(m_wakeFd, &one, sizeof one) < 0 && errno == EINTR) { }
}

void HelperOutputReader::run()
{
    while (carryOut()) {
        if (m_paused && m_bytesInFlight.load() < kResumeBytes)
            m_paused = false;
        pollfd watched[2] = { { m_wakeFd, POLLIN, 0 }, { m_fd, POLLIN, 0 } };
        const bool reading = m_fd >= 0 && !m_paused;
        // Without a wake-up descriptor, poll() ignores the first entry.
        const int waited = ::poll(watched, reading ? 2 : 1, m_wakeFd < 0 ? kFallbackPollMs : -1);
        if (waited < 0) {
            if (errno != EINTR) {
                qCWarning(lcHelper, "helper link cannot wait for output: %s", std::strerror(errno));
                std::this_thread::sleep_for(std::chrono::milliseconds(kFallbackPollMs));
            }
            continue;
        }
        if (watched[0].revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t read = ::read(m_wakeFd, &count, sizeof count);
        }
        // Readable, at its end, or failed: the read tells which.
        if (reading && watched[1].revents != 0)
            readAvailable();
    }
}

bool HelperOutputReader::carryOut()
{
    std::deque<Command> commands;
    {
        const std::lock_guard<std::mutex> locker(m_commandLock);
        commands.swap(m_commands);
    }
    for (const Command& command : commands) {
        switch (command.order) {
        case Order::attach:
            close();
            m_fd = command.fd;
            m_discarding = false;
            ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
            break;
        case Order::drain:
            drainNow();
            break;
        case Order::discard:
            m_discarding = true;
            m_paused = false;
            break;
        case Order::stop:
            // Later orders, if any, are not for this reader.
            m_paused = false;
            m_detachedFd = std::exchange(m_fd, -1);
            return false;
        }
    }
    return true;
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
    if (!m_discarding && m_bytesInFlight.load() >= kPauseBytes)
        m_paused = true;
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

void HelperOutputReader::drainNow()
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

void HelperOutputReader::send(Mail mail)
{
    m_bytesInFlight.fetch_add(mail.bytes);
    bool wakeOwner = false;
    {
        const std::lock_guard<std::mutex> locker(m_mailLock);
        wakeOwner = m_mail.empty();
        m_mail.push_back(std::move(mail));
    }
    // One wake-up for whatever gathers until the main thread takes it.
    if (wakeOwner)
        m_owner.wake();
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
        wake();
}

void HelperOutputReader::close()
{
    m_paused = false;
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
}

} // namespace mivo
