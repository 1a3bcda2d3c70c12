#pragma once

#include <QByteArray>
#include <QtGlobal>

// An environment variable set (or removed) for the life of the object; its
// old value, or its absence, comes back at the end.
class EnvScope
{
public:
    EnvScope(const char* name, const QByteArray& value) : EnvScope(name) { qputenv(name, value); }
    // Removes the variable.
    explicit EnvScope(const char* name) : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name))
    {
        qunsetenv(name);
    }
    ~EnvScope()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }
    EnvScope(const EnvScope&) = delete;
    EnvScope& operator=(const EnvScope&) = delete;

private:
    const char* m_name;
    QByteArray m_old;
    bool m_had;
};
