#pragma once

#include "Transport/WireVocabulary.h"

#include <QByteArray>
#include <QString>
#include <exception>
#include <optional>

namespace mivo {

// The errors of the helper link, each with the text shown to the user.
class HelperError : public std::exception {
public:
    enum class Kind {
        decodeFailure,
        engineError,
        helperMissing,
        helperCrashed,
        helperUnavailable,
        requestTimedOut,
        cancelled
    };

    static HelperError decodeFailure(const QString& detail);
    static HelperError engineError(const QString& code, const QString& message);
    static HelperError helperMissing();
    static HelperError helperCrashed();
    static HelperError helperUnavailable();
    static HelperError requestTimedOut();
    static HelperError cancelled();

    Kind kind() const { return m_kind; }
    // The detail of a decode failure; empty otherwise.
    QString detail() const { return m_detail; }
    // The code and message of an engine error; empty otherwise.
    QString code() const { return m_code; }
    QString message() const { return m_message; }

    // The user-facing description.
    QString userText() const;
    // For an engine error, the known code its code string names.
    std::optional<EngineErrorCode> engineCode() const;

    const char* what() const noexcept override { return m_what.constData(); }

    bool operator==(const HelperError& other) const;

private:
    explicit HelperError(Kind kind, QString detail = {}, QString code = {}, QString message = {});

    Kind m_kind;
    QString m_detail;
    QString m_code;
    QString m_message;
    QByteArray m_what;
};

} // namespace mivo
