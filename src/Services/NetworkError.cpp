#include "Services/NetworkError.h"

namespace mivo {

NetworkError::NetworkError(QNetworkReply::NetworkError code, const QString& description)
    : m_code(code)
    , m_description(description.toUtf8())
{
}

bool NetworkError::isUnreachable() const
{
    switch (m_code) {
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::UnknownNetworkError: // no route to the host, among others
        return true;
    default:
        return false;
    }
}

} // namespace mivo
