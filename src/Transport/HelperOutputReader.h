#pragma once

#include "Transport/HelperOutputSink.h"

#include <QObject>
#include <QSocketNotifier>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace mivo {

class HelperProcess;

// Reads the helper child's standard output on the link's own thread and hands
// the bytes to a sink there; what the sink makes of them waits in a mailbox
// that the owning process empties on the main thread, all at once, in order.
//
// Lives on the link's thread: its slots run there, called from the main thread
// through queued calls that carry nothing but plain values; takeMail() and
// workDone() are the main thread's. The process outlives the thread, so the
// reader may wake it at any time. While the main thread has not yet run the
// work of kPauseBytes or more, reading pauses (the child then waits on a full
// pipe) until that work is down to kResumeBytes.
class HelperOutputReader : public QObject {
    Q_OBJECT

public:
    static constexpr qsizetype kBurstBytes = 128 * 1024;
    static constexpr qint64 kPauseBytes = 32 * 1024 * 1024;
    static constexpr qint64 kResumeBytes = 8 * 1024 * 1024;
    // What the main thread takes in one turn of its event loop, at least one mail.
    static constexpr qint64 kTurnBytes = 256 * 1024;

    // What waits for the main thread: the work made of `bytes`, or the end of
    // the child's output.
    struct Mail {
        HelperOutputSink::MainThreadWork work;
        qint64 bytes = 0;
        bool drained = false;
    };

    HelperOutputReader(std::shared_ptr<HelperOutputSink> sink, HelperProcess* owner);
    ~HelperOutputReader() override;

    // On the main thread: what waits, oldest first, up to kTurnBytes of output;
    // `more` tells whether anything is left.
    std::vector<Mail> takeMail(bool& more);
    // On the main thread, once the work made of `bytes` has run.
    void workDone(qint64 bytes);
    // The descriptor given back by detach().
    int detachedFd() const { return m_detachedFd.load(std::memory_order_acquire); }

public slots:
    // Reads the output of a new child from the read end of its pipe, which it
    // takes over; a descriptor still held (of a child that was stopped) is closed.
    void attach(int fd);
    // The child has ended: consumes what it left in the pipe, tells the sink,
    // and then lets the owner report the end.
    void drain();
    // Reads on to the end and drops the bytes (a child being stopped).
    void discard();
    // Stops reading and gives the descriptor back through detachedFd().
    void detach();
    void resume();

private:
    struct Burst {
        QByteArray bytes;
        bool ended = false;
    };

    void readAvailable();
    Burst readBurst();
    void consume(const QByteArray& bytes);
    void send(Mail mail);
    void dropNotifier();
    void close();

    std::shared_ptr<HelperOutputSink> m_sink;
    HelperProcess* m_owner;
    int m_fd = -1;
    // A child of the reader; let go with deleteLater(), as it may be the one
    // whose signal is being handled.
    QSocketNotifier* m_notifier = nullptr;
    bool m_discarding = false;
    bool m_paused = false;
    std::atomic<int> m_detachedFd { -1 };

    // Shared with the main thread.
    std::mutex m_mailLock;
    std::deque<Mail> m_mail;
    // The bytes whose work has been sent and not yet run.
    std::atomic<qint64> m_bytesInFlight { 0 };
};

} // namespace mivo
