#pragma once

#include <QStringList>
#include <QTemporaryDir>

namespace mivo::test {

// A helper made of a small shell script, for tests that need the helper to
// answer in one exact way. For every line it reads, the script appends the
// line to a log and runs `body` with $line, $id, $method and $n (the number
// of lines read so far, from 1) set. `prelude` runs once at start.
class ScriptedHelper {
public:
    explicit ScriptedHelper(const QString& body, const QString& prelude = {});

    QString path() const;
    // The lines the helper has read so far.
    QStringList requests() const;

private:
    QTemporaryDir m_dir;
};

} // namespace mivo::test
