#pragma once

#include <QFile>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <initializer_list>
#include <utility>

namespace mivo::test {

// Lays out the offscreen platform's screens for a test program, before its
// application object is made, and keeps the user's folders out of reach: HOME
// and the XDG folders go into `home`, which also holds the screens' description.
// Returns false when the description could not be written.
inline bool useOffscreenScreens(
    const QTemporaryDir& home, std::initializer_list<std::pair<const char*, QRect>> screens)
{
    for (const char* name : { "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME" })
        qputenv(name, home.filePath(QString::fromLatin1(name)).toLocal8Bit());
    QStringList described;
    for (const auto& [name, r] : screens) {
        described.append(QStringLiteral(R"({ "name": "%1", "x": %2, "y": %3, "width": %4, "height": %5 })")
                             .arg(QString::fromLatin1(name))
                             .arg(r.x())
                             .arg(r.y())
                             .arg(r.width())
                             .arg(r.height()));
    }
    const QString path = home.filePath(QStringLiteral("screens.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral(R"({ "screens": [ %1 ] })").arg(described.join(QStringLiteral(", "))).toUtf8());
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + path.toLocal8Bit());
    return true;
}

} // namespace mivo::test
