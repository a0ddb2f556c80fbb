#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QtGlobal>

namespace mivo::test {

// Environment variables set for as long as this lives; each gets back the value
// it had before, or is unset again.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(std::initializer_list<std::pair<const char*, QByteArray>> values)
    {
        for (const auto& [name, value] : values)
            set(name, value);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    ~ScopedEnvironment()
    {
        for (const QByteArray& name : std::as_const(m_names)) {
            if (const auto old = m_previous.constFind(name); old != m_previous.cend())
                qputenv(name.constData(), *old);
            else
                qunsetenv(name.constData());
        }
    }

    void set(const char* name, const QByteArray& value)
    {
        if (!m_names.contains(name)) {
            m_names.append(name);
            if (qEnvironmentVariableIsSet(name))
                m_previous.insert(name, qgetenv(name));
        }
        qputenv(name, value);
    }

private:
    QList<QByteArray> m_names;
    QHash<QByteArray, QByteArray> m_previous;
};

} // namespace mivo::test
