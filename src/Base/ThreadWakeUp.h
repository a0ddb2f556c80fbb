#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace mivo {

// Lets other threads wake the event loop of the thread that made this object.
// wake() writes an event descriptor; its notifier, on this object's thread,
// reads it and queues `onWoken` as an ordinary posted call there, so that it
// also runs inside a nested event loop. Wake-ups that come before that call
// runs may be merged into it. Whatever the waking thread hands over must go
// through a lock of its own: the descriptor only says that there is something.
// Because a write and a read of a descriptor order the two threads, a thread
// checker sees the hand-over, which it cannot with Qt's own cross-thread calls.
class ThreadWakeUp : public QObject {
    Q_OBJECT

public:
    explicit ThreadWakeUp(std::function<void()> onWoken, QObject* parent = nullptr);
    ~ThreadWakeUp() override;

    // From any thread, as long as this object exists.
    void wake() const;

private:
    void takeWakeUps();

    std::function<void()> m_onWoken;
    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace mivo
