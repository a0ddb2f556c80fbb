#include "Support/HomePath.h"

#include <QDir>
#include <QFileInfo>

namespace mivo::HomePath {

namespace {

// The home folder without a trailing separator ("/" stays "/").
QString home()
{
    QString path = QDir::homePath();
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

} // namespace

QString expandTilde(const QString& path)
{
    if (path == u"~")
        return home();
    if (path.startsWith(QStringLiteral("~/"))) {
        const QString base = home();
        return (base == u"/" ? QString() : base) + path.mid(1);
    }
    return path;
}

QString abbreviate(const QString& path)
{
    const QString base = home();
    if (base == u"/" || base.isEmpty())
        return path;
    if (path == base)
        return QStringLiteral("~");
    if (path.startsWith(base) && path.at(base.size()) == u'/')
        return u'~' + path.mid(base.size());
    return path;
}

QString existingFolderOrHome(const QString& folder)
{
    const QString expanded = expandTilde(folder);
    if (!expanded.isEmpty() && QFileInfo(expanded).isDir())
        return expanded;
    return QDir::homePath();
}

} // namespace mivo::HomePath
