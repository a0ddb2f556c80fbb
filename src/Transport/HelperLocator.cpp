#include "Transport/HelperLocator.h"

#include "Transport/HelperError.h"

#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>

namespace mivo::HelperLocator {

namespace {

const QString kHelperName = QStringLiteral("mivo");

// A regular file, or a link to one, that the user may execute. A folder with the
// helper's name is not a helper, even though folders carry execute permission.
bool isExecutableFile(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && info.isFile() && info.isExecutable();
}

QString standardized(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool isSameFile(const QString& a, const QString& b)
{
    if (standardized(a) == standardized(b))
        return true;
    // A link to the application is the application too: launching it as the
    // helper would start the application again.
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    return !canonicalA.isEmpty() && canonicalA == QFileInfo(b).canonicalFilePath();
}

} // namespace

QString locate(const Bundle& bundle, const QHash<QString, QString>& environment)
{
    const QString fromEnvironment = environment.value(QStringLiteral("MIVO_HELPER_PATH"));
    if (!fromEnvironment.isEmpty()) {
        const QString path = standardized(fromEnvironment);
        if (isExecutableFile(path))
            return path;
    }

    const QString inBundle = bundle.bundlePath() + QStringLiteral("/Contents/Helpers/") + kHelperName;
    if (isExecutableFile(inBundle))
        return inBundle;

    if (const std::optional<QString> auxiliary = bundle.auxiliaryExecutablePath(kHelperName)) {
        const std::optional<QString> mainExecutable = bundle.mainExecutablePath();
        const bool isApplication = mainExecutable && isSameFile(*auxiliary, *mainExecutable);
        if (!isApplication && isExecutableFile(*auxiliary))
            return *auxiliary;
    }

    throw HelperError::helperMissing();
}

QHash<QString, QString> processEnvironment()
{
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QHash<QString, QString> map;
    for (const QString& key : environment.keys())
        map.insert(key, environment.value(key));
    return map;
}

} // namespace mivo::HelperLocator
