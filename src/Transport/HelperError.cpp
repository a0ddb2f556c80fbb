#include "Transport/HelperError.h"

namespace mivo {

HelperError::HelperError(Kind kind, QString detail, QString code, QString message)
    : m_kind(kind)
    , m_detail(std::move(detail))
    , m_code(std::move(code))
    , m_message(std::move(message))
{
    m_what = userText().toUtf8();
}

HelperError HelperError::decodeFailure(const QString& detail)
{
    return HelperError(Kind::decodeFailure, detail);
}

HelperError HelperError::engineError(const QString& code, const QString& message)
{
    return HelperError(Kind::engineError, {}, code, message);
}

HelperError HelperError::helperMissing()
{
    return HelperError(Kind::helperMissing);
}
HelperError HelperError::helperCrashed()
{
    return HelperError(Kind::helperCrashed);
}
HelperError HelperError::helperUnavailable()
{
    return HelperError(Kind::helperUnavailable);
}
HelperError HelperError::requestTimedOut()
{
    return HelperError(Kind::requestTimedOut);
}
HelperError HelperError::cancelled()
{
    return HelperError(Kind::cancelled);
}

QString HelperError::userText() const
{
    switch (m_kind) {
    case Kind::decodeFailure:
        return QStringLiteral("Could not understand a message from the helper: ") + m_detail;
    case Kind::engineError:
        return m_message;
    case Kind::helperMissing:
        return QStringLiteral("The mivo helper could not be found in the app bundle.");
    case Kind::helperCrashed:
        return QStringLiteral("The mivo helper stopped unexpectedly.");
    case Kind::helperUnavailable:
        return QStringLiteral("The mivo helper is not available.");
    case Kind::requestTimedOut:
        return QStringLiteral("The request to the helper timed out.");
    case Kind::cancelled:
        return QStringLiteral("The request was cancelled.");
    }
    return {};
}

std::optional<EngineErrorCode> HelperError::engineCode() const
{
    if (m_kind != Kind::engineError)
        return std::nullopt;
    return fromRawString<EngineErrorCode>(m_code);
}

bool HelperError::operator==(const HelperError& other) const
{
    return m_kind == other.m_kind && m_detail == other.m_detail && m_code == other.m_code
        && m_message == other.m_message;
}

} // namespace mivo
