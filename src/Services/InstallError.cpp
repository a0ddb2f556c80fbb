#include "Services/InstallError.h"

namespace mivo {

InstallError::InstallError(Kind kind, QString detail)
    : m_kind(kind)
    , m_detail(std::move(detail))
{
    m_what = userText().toUtf8();
}

InstallError InstallError::escalationFailed(QString message)
{
    return { Kind::escalationFailed, std::move(message) };
}

InstallError InstallError::ioFailed(QString message)
{
    return { Kind::ioFailed, std::move(message) };
}

InstallError InstallError::noHelper()
{
    return { Kind::noHelper, {} };
}

QString InstallError::userText() const
{
    switch (m_kind) {
    case Kind::escalationFailed:
        return QStringLiteral("Administrator authorization failed: ") + m_detail;
    case Kind::ioFailed:
        return QStringLiteral("Could not install the CLI: ") + m_detail;
    case Kind::noHelper:
        return QStringLiteral("The bundled mivo helper could not be located.");
    }
    return {};
}

} // namespace mivo
