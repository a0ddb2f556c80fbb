#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

namespace mivo {

// Emits a store's change signal at most once per event-loop turn, however many
// observed fields changed during that turn. Views that show derived values
// (counts, flags) listen to that one signal instead of one signal per field.
class CoalescedNotifier {
public:
    // `notify` runs on the next turn after schedule(); the owner keeps the notifier.
    CoalescedNotifier(QObject* owner, std::function<void()> notify);

    void schedule();

private:
    QTimer m_timer;
};

} // namespace mivo
