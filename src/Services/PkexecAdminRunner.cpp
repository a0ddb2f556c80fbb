#include "Services/PkexecAdminRunner.h"

#include "Base/Utf8.h"
#include "Services/InstallError.h"

#include <QProcess>

namespace mivo {

namespace {

// The name the script sees as $0 (shown in the shell's own error messages).
constexpr auto kScriptName = "mivo";

} // namespace

PkexecAdminRunner::PkexecAdminRunner(QString program)
    : m_program(std::move(program))
{
}

QString PkexecAdminRunner::unavailableText()
{
    return QStringLiteral("administrator rights are not available on this system");
}

QString PkexecAdminRunner::run(const QString& script, const QStringList& arguments)
{
    QProcess process;
    process.setProgram(m_program);
    process.setArguments(QStringList { QStringLiteral("/bin/sh"), QStringLiteral("-c"), script,
                             QString::fromLatin1(kScriptName) }
        + arguments);
    // With a terminal on standard input pkexec would ask for the password
    // there, where nobody looks; the desktop's agent asks instead.
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(-1)) {
        // Said in words: the system's own message names a call, not the cause.
        if (process.error() == QProcess::FailedToStart)
            throw InstallError::escalationFailed(unavailableText());
        throw InstallError::escalationFailed(
            QStringLiteral("%1 could not be started: %2").arg(m_program, process.errorString()));
    }
    process.waitForFinished(-1);

    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return decodeUtf8Strict(process.readAllStandardOutput()).value_or(QString());
    const QString message
        = decodeUtf8Strict(process.readAllStandardError()).value_or(QStringLiteral("unknown")).trimmed();
    throw InstallError::escalationFailed(message);
}

} // namespace mivo
