#pragma once

#include "Services/AdminRunner.h"

namespace mivo {

// Runs the script as root through polkit: `pkexec /bin/sh -c <script> mivo <arguments…>`.
// The desktop's authentication agent asks for the password.
class PkexecAdminRunner : public AdminRunner {
public:
    // `program` is the pkexec executable (looked up on PATH unless absolute).
    explicit PkexecAdminRunner(QString program = QStringLiteral("pkexec"));

    QString run(const QString& script, const QStringList& arguments) override;

private:
    QString m_program;
};

} // namespace mivo
