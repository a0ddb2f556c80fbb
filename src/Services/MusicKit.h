#pragma once

#include <QByteArray>
#include <QString>
#include <exception>
#include <qcoro/qcorotask.h>

namespace mivo {

// What the application needs of the system's Apple Music framework: the
// user's authorization for this application, and a Music user token minted
// from a developer token.
class MusicKit {
public:
    enum class AuthorizationStatus { notDetermined, denied, restricted, authorized };

    virtual ~MusicKit() = default;

    // Whether the system has the framework at all; without it nobody can be
    // asked and no account can be connected.
    virtual bool isSupported() const { return true; }

    // Asks for authorization (the system may prompt the user) and returns the
    // resulting status. Never throws.
    virtual QCoro::Task<AuthorizationStatus> requestAuthorization() = 0;

    // The user's Music user token for the developer token. With `ignoreCache`
    // the framework mints a fresh one instead of returning a remembered one.
    // Throws MusicKitError.
    virtual QCoro::Task<QString> userToken(QString developerToken, bool ignoreCache) = 0;
};

// A failure of the Apple Music framework, with its description for the user.
class MusicKitError : public std::exception {
public:
    explicit MusicKitError(const QString& description)
        : m_description(description.toUtf8())
    {
    }

    QString description() const { return QString::fromUtf8(m_description); }
    const char* what() const noexcept override { return m_description.constData(); }

private:
    QByteArray m_description;
};

} // namespace mivo
