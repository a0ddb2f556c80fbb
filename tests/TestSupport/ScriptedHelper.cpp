#include "TestSupport/ScriptedHelper.h"

#include <QFile>

namespace mivo::test {

ScriptedHelper::ScriptedHelper(const QString& body, const QString& prelude)
{
    const QString script = QStringLiteral("#!/bin/sh\n"
                                          "%1\n"
                                          "n=0\n"
                                          "while IFS= read -r line; do\n"
                                          "  printf '%s\\n' \"$line\" >> '%2'\n"
                                          "  n=$((n+1))\n"
                                          "  id=${line#*\\\"id\\\":\\\"}; id=${id%%\\\"*}\n"
                                          "  method=${line#*\\\"method\\\":\\\"}; method=${method%%\\\"*}\n"
                                          "  %3\n"
                                          "done\n")
                               .arg(prelude.isEmpty() ? QStringLiteral(":") : prelude,
                                   m_dir.filePath(QStringLiteral("requests.log")), body);
    QFile file(path());
    if (file.open(QIODevice::WriteOnly)) {
        file.write(script.toUtf8());
        file.close();
        file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeUser);
    }
}

QString ScriptedHelper::path() const
{
    return m_dir.filePath(QStringLiteral("mivo"));
}

QStringList ScriptedHelper::requests() const
{
    QFile file(m_dir.filePath(QStringLiteral("requests.log")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace mivo::test
