#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <sys/stat.h>

// Small checks shared by the sync tests.

// The names in `folder` that begin with the prefix of temporary copy files.
QStringList TempFilesIn(const QString& folder);
// lstat of a path (links not followed); st_mode 0 when it does not exist.
struct stat StatOf(const QString& path);
// The target of a symbolic link.
QByteArray LinkTarget(const QString& path);

// A small tmpfs mounted for the life of the object, when the process may
// mount (root) and the system allows it; Mounted() says whether it worked.
class TmpfsMount
{
public:
    TmpfsMount(const QString& mountPoint, const char* size);
    ~TmpfsMount();
    bool Mounted() const { return m_mounted; }

private:
    QByteArray m_point;
    bool m_mounted = false;
};
