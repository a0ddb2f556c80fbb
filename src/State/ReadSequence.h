#pragma once

#include <QtGlobal>

namespace mivo {

// Decides which of a store's overlapping reads may write its result. Reads and
// their replies may overlap (a refresh after every write, a button pressed twice);
// only the newest read applies what it got, so an older reply that arrives late
// never replaces newer state. A read clears the store's last error only when no
// failure was recorded after it began, so a write that fails while a read is on
// its way keeps its message on screen.
class ReadSequence {
public:
    struct Ticket {
        quint64 read = 0;
        quint64 failures = 0;
    };

    // A new read, superseding every read begun before it.
    Ticket begin()
    {
        ++m_reads;
        return { m_reads, m_failures };
    }

    // True while no newer read has begun.
    bool isCurrent(const Ticket& ticket) const { return ticket.read == m_reads; }

    // True when the read may clear the last error.
    bool mayClearError(const Ticket& ticket) const
    {
        return isCurrent(ticket) && ticket.failures == m_failures;
    }

    void recordFailure() { ++m_failures; }

private:
    quint64 m_reads = 0;
    quint64 m_failures = 0;
};

} // namespace mivo
