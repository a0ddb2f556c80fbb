#pragma once

#include "TestSupport/ScopedEnvironment.h"
#include "TestSupport/ToolFolders.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

namespace mivo::test {

// A stand-in xdg-open first on PATH for as long as this lives. It notes the
// argument of each call in a file, then runs `behaviour` (shell commands; it
// ends with their status, as xdg-open does with 0 when a handler took the
// request and non-zero when none did).
class StandInXdgOpen {
public:
    explicit StandInXdgOpen(const QByteArray& behaviour)
        : m_path { { "PATH", m_folder.path().toLocal8Bit() + ':' + qgetenv("PATH") } }
    {
        ToolFolders::writeScript(m_folder.filePath(QStringLiteral("xdg-open")),
            "printf '%s\\n' \"$1\" >> '" + calls().toLocal8Bit() + "'\n" + behaviour);
    }

    // A file of the stand-in's own folder, for behaviours that need one.
    QString filePath(const QString& name) const { return m_folder.filePath(name); }

    // The arguments it was called with, in order.
    QStringList arguments() const
    {
        QFile file(calls());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    QString calls() const { return m_folder.filePath(QStringLiteral("calls")); }

    QTemporaryDir m_folder;
    ScopedEnvironment m_path;
};

} // namespace mivo::test
