#include "Base/Completion.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

namespace mivo {

namespace {

// Resumptions queued and not yet run.
int g_queuedResumptions = 0;

// Runs while the application object is being destroyed, with its event queue
// still usable: resumed coroutines may queue further resumptions, which are run
// too. The bound only stops a pair of coroutines that wake each other forever.
void deliverQueuedResumptions()
{
    constexpr int kMaximumRounds = 1000;
    for (int round = 0; g_queuedResumptions > 0 && round < kMaximumRounds; ++round)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
}

} // namespace

void resumeFromEventLoop(std::coroutine_handle<> waiter)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        waiter.resume();
        return;
    }
    // Post routines run once, with the application object they were added for.
    static QPointer<QCoreApplication> registeredWith;
    if (registeredWith != app) {
        registeredWith = app;
        qAddPostRoutine(deliverQueuedResumptions);
    }
    ++g_queuedResumptions;
    QMetaObject::invokeMethod(
        app,
        [waiter] {
            --g_queuedResumptions;
            waiter.resume();
        },
        Qt::QueuedConnection);
}

} // namespace mivo
