#pragma once

#include <QDir>
#include <QString>

// The threads this process runs now: a test that stops a worker checks that
// the count comes back to what it was.
inline int ThreadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}
