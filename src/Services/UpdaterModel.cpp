#include "Services/UpdaterModel.h"

#include "BuildConfig.h"
#include "Services/LinuxUpdateFramework.h"

namespace mivo {

UpdaterModel::UpdaterModel(SyncStore* banner, QObject* parent)
    : UpdaterModel(std::make_unique<LinuxUpdateFramework>(banner), QString::fromUtf8(build::kVersion), parent)
{
}

UpdaterModel::UpdaterModel(
    std::unique_ptr<UpdateFramework> framework, const QString& version, QObject* parent)
    : QObject(parent)
    , m_framework(std::move(framework))
    , m_version(version.isEmpty() ? QStringLiteral("0.0.0") : version)
{
}

UpdaterModel::~UpdaterModel() = default;

void UpdaterModel::checkForUpdates()
{
    m_framework->checkForUpdates();
}

bool UpdaterModel::automaticallyChecks() const
{
    return m_framework->automaticallyChecksForUpdates();
}

void UpdaterModel::setAutomaticallyChecks(bool enabled)
{
    if (automaticallyChecks() == enabled)
        return;
    m_framework->setAutomaticallyChecksForUpdates(enabled);
    emit automaticallyChecksChanged();
}

} // namespace mivo
