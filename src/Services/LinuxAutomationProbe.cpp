#include "Services/LinuxAutomationProbe.h"

namespace mivo {

std::optional<qint32> LinuxAutomationProbe::determinePermission(const QString& targetId, bool askIfNeeded)
{
    Q_UNUSED(targetId)
    Q_UNUSED(askIfNeeded)
    return kTargetNotFound;
}

} // namespace mivo
