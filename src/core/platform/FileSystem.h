#pragma once

#include <QString>
#include <QtGlobal>

// Small file-system queries and changes on user paths. Paths are passed to
// the system as their EncodeFileName bytes, so undecodable names work.

// Whether an entry exists at `path` (a link counts itself, not its target).
bool PathExists(const QString& path);
// Whether `path` is a directory itself (a link to a directory is not).
bool IsDirectoryPath(const QString& path);
// Creates one folder (its parent must exist), mode 0777 less the umask. On
// failure `error` receives the system's text for the reason.
bool CreateFolder(const QString& path, QString* error = nullptr);
// The system's text for an errno value, in the current locale's language.
QString SystemErrorText(int errnoValue);

// What the file-information window shows about one entry; links are not followed.
struct PathInfo
{
    bool exists = false;
    bool isDirectory = false;
    bool isLink = false;
    quint64 size = 0;
    qint64 mtime = 0; // whole seconds since 1970 UTC, floor
    qint64 mtimeNanoseconds = 0; // 0 to 999,999,999
    quint32 mode = 0; // st_mode: type and permission bits
    QString owner; // user name, or the numeric id when it has no name
    QString group;
    QString linkTarget; // the link's text, for a link
};

PathInfo GetPathInfo(const QString& path);
