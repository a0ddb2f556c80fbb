#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace mivo {

// Why installing or removing the command-line tool failed.
class InstallError : public std::exception {
public:
    enum class Kind { escalationFailed, ioFailed, noHelper };

    static InstallError escalationFailed(QString message);
    static InstallError ioFailed(QString message);
    static InstallError noHelper();

    Kind kind() const { return m_kind; }
    // The message of escalationFailed and ioFailed; empty for noHelper.
    QString detail() const { return m_detail; }
    // The description shown to the user.
    QString userText() const;
    const char* what() const noexcept override { return m_what.constData(); }

    bool operator==(const InstallError& other) const
    {
        return m_kind == other.m_kind && m_detail == other.m_detail;
    }

private:
    InstallError(Kind kind, QString detail);

    Kind m_kind;
    QString m_detail;
    QByteArray m_what;
};

} // namespace mivo
