#include "Base/Bundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace mivo {

namespace {

const QString kAppSuffix = QStringLiteral(".app");

bool isBundleFolder(const QString& path)
{
    return QFileInfo(path).fileName().endsWith(kAppSuffix);
}

} // namespace

Bundle::Bundle(const QString& bundlePath)
    : m_bundlePath(QDir::cleanPath(QFileInfo(bundlePath).absoluteFilePath()))
{
    if (isBundleFolder(m_bundlePath)) {
        const QString name = QFileInfo(m_bundlePath).completeBaseName();
        const QString candidate = m_bundlePath + QStringLiteral("/Contents/MacOS/") + name;
        if (QFileInfo(candidate).isFile())
            m_mainExecutablePath = candidate;
    }
}

Bundle::Bundle(const QString& bundlePath, std::optional<QString> mainExecutablePath)
    : m_bundlePath(QDir::cleanPath(QFileInfo(bundlePath).absoluteFilePath()))
{
    if (mainExecutablePath)
        m_mainExecutablePath = QDir::cleanPath(QFileInfo(*mainExecutablePath).absoluteFilePath());
}

Bundle Bundle::main()
{
    return forExecutable(QCoreApplication::applicationFilePath());
}

Bundle Bundle::forExecutable(const QString& executablePath)
{
    const QString executable = QDir::cleanPath(QFileInfo(executablePath).absoluteFilePath());
    const QDir folder = QFileInfo(executable).absoluteDir();
    const QString folderPath = QDir::cleanPath(folder.absolutePath());
    if (folderPath.endsWith(QStringLiteral("/Contents/MacOS"))) {
        const QString bundlePath = QDir::cleanPath(folderPath + QStringLiteral("/../.."));
        if (isBundleFolder(bundlePath))
            return Bundle(bundlePath, executable);
    }
    return Bundle(folderPath, executable);
}

std::optional<QString> Bundle::executableFolder() const
{
    if (m_mainExecutablePath)
        return QFileInfo(*m_mainExecutablePath).absolutePath();
    if (isBundleFolder(m_bundlePath))
        return m_bundlePath + QStringLiteral("/Contents/MacOS");
    return std::nullopt;
}

std::optional<QString> Bundle::resourcePath(const QString& relativePath) const
{
    if (relativePath.isEmpty())
        return std::nullopt;
    const QString path
        = QDir::cleanPath(m_bundlePath + QStringLiteral("/Contents/Resources/") + relativePath);
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    return path;
}

std::optional<QString> Bundle::auxiliaryExecutablePath(const QString& name) const
{
    const std::optional<QString> folder = executableFolder();
    if (!folder || name.isEmpty())
        return std::nullopt;
    const QString path = *folder + QLatin1Char('/') + name;
    if (!QFileInfo::exists(path))
        return std::nullopt;
    return path;
}

} // namespace mivo
