#pragma once

#include "Services/AutomationProbe.h"

namespace mivo {

// This system has no application-to-application event permission and no Music
// app to send events to: every question is answered "target not found", and
// no prompt is ever shown.
class LinuxAutomationProbe final : public AutomationProbe {
public:
    bool isSupported() const override { return false; }
    std::optional<qint32> determinePermission(const QString& targetId, bool askIfNeeded) override;
};

} // namespace mivo
