#pragma once

#include "Services/AdminRunner.h"

namespace mivo {

// Runs the script as root through polkit: `pkexec /bin/sh -c <script> mivo <arguments…>`.
// The desktop's authentication agent asks for the password.
class PkexecAdminRunner : public AdminRunner {
public:
    // `program` is the pkexec executable (looked up on PATH unless absolute).
    explicit PkexecAdminRunner(QString program = QStringLiteral("pkexec"));

    // Throws escalationFailed with unavailableText() when pkexec cannot be started.
    QString run(const QString& script, const QStringList& arguments) override;

    // The reason given when the system offers no way to gain administrator rights.
    static QString unavailableText();

private:
    QString m_program;
};

} // namespace mivo
