#pragma once

namespace mivo {

// What the application needs of an update framework: a check started by the
// user (the framework shows its own answer) and the persistent switch for
// automatic checks, which the framework keeps in its own settings.
class UpdateFramework {
public:
    virtual ~UpdateFramework() = default;

    virtual void checkForUpdates() = 0;
    virtual bool automaticallyChecksForUpdates() const = 0;
    virtual void setAutomaticallyChecksForUpdates(bool enabled) = 0;
};

} // namespace mivo
