#pragma once

#include <QString>
#include <QStringList>

namespace mivo {

// Runs a fixed shell script with administrator rights. The script is the only
// command text; every value the script works on (paths above all) is handed
// over in `arguments` and reaches it as the positional parameters $1, $2, …,
// so no value can ever be read as shell code.
//
// run() blocks until the user has answered the authorization prompt and the
// script has ended. It returns the script's standard output and throws
// InstallError::escalationFailed when the authorization is dismissed or
// refused, or when the script fails.
class AdminRunner {
public:
    virtual ~AdminRunner() = default;
    virtual QString run(const QString& script, const QStringList& arguments) = 0;
};

} // namespace mivo
