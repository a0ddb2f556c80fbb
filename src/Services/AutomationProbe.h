#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace mivo {

// The system's one question about automation consent: may this application
// send events to another application? Implementations may block while the
// system asks the user (when `askIfNeeded` is true) and may be called from a
// worker thread, so they keep no state that is not safe to share.
class AutomationProbe {
public:
    // Result codes, as the system's event manager reports them.
    static constexpr qint32 kPermitted = 0;
    // The user has refused consent.
    static constexpr qint32 kNotPermitted = -1743;
    // No decision is recorded yet; asking would show the consent prompt.
    static constexpr qint32 kWouldRequireConsent = -1744;
    // The target application is not there (not installed or not running).
    static constexpr qint32 kTargetNotFound = -600;

    virtual ~AutomationProbe() = default;

    // Whether the system has such a consent and a Music app to drive at all.
    virtual bool isSupported() const { return true; }

    // The consent state for sending any event to the application with that
    // identifier, as a result code; nothing when no target can be built for it.
    virtual std::optional<qint32> determinePermission(const QString& targetId, bool askIfNeeded) = 0;
};

} // namespace mivo
