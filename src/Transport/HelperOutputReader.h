#pragma once

#include "Transport/HelperOutputSink.h"

#include <QByteArray>
#include <QtGlobal>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace mivo {

class ThreadWakeUp;

// Reads the helper child's standard output on the link's own thread and hands
// the bytes to a sink there; what the sink makes of them waits in a mailbox
// that the owning process empties on the main thread, all at once, in order.
//
// The thread is the reader's own, started with it and joined when it goes: it
// waits in poll() on the child's pipe and on a wake-up descriptor, and takes
// the main thread's orders (attach, drain, discard) from a queue, one at a
// time and in order, between two reads. Everything it shares with the main
// thread goes through that queue, the mailbox, or an atomic counter, so each
// hand-over is one a thread checker can see. The owner's wake-up outlives the
// reader, so the thread may wake the owner at any time. While the main thread has not yet run
// the work of kPauseBytes or more, reading pauses (the child then waits on a
// full pipe) until that work is down to kResumeBytes.
class HelperOutputReader {
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

    // Starts the thread, named `threadName` (cut to what the system keeps);
    // `owner` is woken on the main thread whenever mail arrives in an empty box.
    HelperOutputReader(
        std::shared_ptr<HelperOutputSink> sink, const ThreadWakeUp& owner, const char* threadName);
    // Waits for what the thread is doing, at most the decoding of one burst,
    // and joins it. A descriptor still read is closed.
    ~HelperOutputReader();

    HelperOutputReader(const HelperOutputReader&) = delete;
    HelperOutputReader& operator=(const HelperOutputReader&) = delete;

    // The orders, from the main thread; each is carried out on the link's thread.
    //
    // Reads the output of a new child from the read end of its pipe, which the
    // reader takes over; a descriptor still held (of a child that was stopped)
    // is closed.
    void attach(int fd);
    // The child has ended: consumes what it left in the pipe, tells the sink,
    // and then lets the owner report the end.
    void drain();
    // Reads on to the end and drops the bytes (a child being stopped).
    void discard();
    // Stops the thread and gives back the descriptor it was reading, unclosed
    // (-1 without one); nothing is read any more. Blocks until the thread has ended.
    int detach();

    // On the main thread: what waits, oldest first, up to kTurnBytes of output;
    // `more` tells whether anything is left.
    std::vector<Mail> takeMail(bool& more);
    // On the main thread, once the work made of `bytes` has run.
    void workDone(qint64 bytes);

private:
    enum class Order { attach, drain, discard, stop };
    struct Command {
        Order order;
        int fd = -1;
    };
    struct Burst {
        QByteArray bytes;
        bool ended = false;
    };

    void post(Command command);
    void wake();
    void run();
    // Carries out the orders that wait; false once told to stop.
    bool carryOut();
    void readAvailable();
    Burst readBurst();
    void consume(const QByteArray& bytes);
    void drainNow();
    void send(Mail mail);
    void close();

    std::shared_ptr<HelperOutputSink> m_sink;
    const ThreadWakeUp& m_owner;
    // Written to wake the thread: an order, or the main thread catching up.
    int m_wakeFd = -1;

    // The link's thread only.
    int m_fd = -1;
    bool m_discarding = false;
    bool m_paused = false;

    // Shared with the main thread.
    std::mutex m_commandLock;
    std::deque<Command> m_commands;
    std::mutex m_mailLock;
    std::deque<Mail> m_mail;
    // The bytes whose work has been sent and not yet run.
    std::atomic<qint64> m_bytesInFlight { 0 };

    // Given back by detach(), read once the thread has been joined.
    int m_detachedFd = -1;
    bool m_detached = false;
    std::thread m_thread;
};

} // namespace mivo
