#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QString>
#include <exception>

namespace mivo {

// A web request that failed in transport, before any answer arrived (or while
// one was arriving): the host could not be found or reached, the connection
// broke off, the request timed out.
class NetworkError : public std::exception {
public:
    NetworkError(QNetworkReply::NetworkError code, const QString& description);

    QNetworkReply::NetworkError code() const { return m_code; }
    QString description() const { return QString::fromUtf8(m_description); }
    const char* what() const noexcept override { return m_description.constData(); }

    // True when the failure means the service cannot be reached right now:
    // host not found, connection refused, no network, time-out, connection lost.
    bool isUnreachable() const;

private:
    QNetworkReply::NetworkError m_code;
    QByteArray m_description;
};

} // namespace mivo
