#include "Services/FileManagerReveal.h"

#include "Base/Log.h"
#include "Services/DesktopOpener.h"
#include "Support/HomePath.h"

#include <QCoreApplication>
#include <QCoroDBusPendingCall>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDir>
#include <QFileInfo>

namespace mivo {

namespace {

QCoro::Task<bool> showItemsOverDBus(QList<QUrl> items)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        co_return false;
    QStringList uris;
    for (const QUrl& item : std::as_const(items))
        uris.append(item.toString(QUrl::FullyEncoded));
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"), QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("ShowItems"));
    call << uris << QString();
    QDBusPendingCall pending = bus.asyncCall(call);
    const QDBusMessage reply = co_await pending;
    if (reply.type() == QDBusMessage::ErrorMessage) {
        qCInfo(lcApp) << "The file manager could not show the item:" << reply.errorMessage();
        co_return false;
    }
    co_return true;
}

} // namespace

FileManagerReveal::Desktop FileManagerReveal::system()
{
    return { &showItemsOverDBus, [](QUrl folder) { return DesktopOpener::open(std::move(folder)); } };
}

FileManagerReveal::FileManagerReveal(Desktop desktop)
    : m_desktop(std::move(desktop))
{
}

FileManagerReveal& FileManagerReveal::shared()
{
    static FileManagerReveal instance;
    return instance;
}

QString FileManagerReveal::failureText(const QString& name)
{
    return QCoreApplication::translate("FileManagerReveal", "No file manager could show \u201C%1\u201D.")
        .arg(name);
}

QCoro::Task<bool> FileManagerReveal::reveal(QString path) const
{
    if (path.isEmpty())
        co_return false;
    // Copied, so that a reveal still waiting for the bus needs nothing of this object.
    const Desktop desktop = m_desktop;
    const QFileInfo item(QDir::cleanPath(QDir::current().absoluteFilePath(HomePath::expandTilde(path))));
    bool shown = false;
    QCoro::Task<bool> asked = desktop.showItems({ QUrl::fromLocalFile(item.absoluteFilePath()) });
    shown = co_await std::move(asked);
    if (shown)
        co_return true;
    QCoro::Task<bool> opening = desktop.openFolder(QUrl::fromLocalFile(item.absolutePath()));
    co_return co_await std::move(opening);
}

} // namespace mivo
