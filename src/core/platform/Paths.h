#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Path strings. Paths use "/" and have no length limit.

// `folder` and `name` joined with exactly one "/" between them; "." and ".."
// components resolved. An absolute `name` replaces `folder`.
QString JoinPath(const QString& folder, const QString& name);
// The path without its last component; a root stays a root ("/a/b" → "/a", "/a" → "/").
QString GetParentFolder(const QString& path);
// The last component ("/a/b.txt" → "b.txt").
QString GetLastComponent(const QString& path);
// The path in double quotation marks when it contains a space, else unchanged.
QString QuotePath(const QString& path);
// The mount point that holds the path ("/" at least).
QString GetRoot(const QString& path);
// The path with "." and ".." resolved, repeated and trailing "/" removed.
QString CleanPath(const QString& path);

// Whether `path` is an existing directory (the folder itself may be a link).
bool TestFolderReachable(const QString& path);
// Whether `path`, at or below the root folder `root` (empty: `path` is its
// own root), is an existing directory reached without following any link
// below the root. A path not below its root is not reachable.
bool TestFolderReachable(const QString& path, const QString& root);
// Whether the file system that holds `path` is a fixed local disk (not a
// network file system and not a removable device).
bool IsFixedDrive(const QString& path);

// The program's own state folder, "$XDG_STATE_HOME/pairwell" (else
// "$HOME/.local/state/pairwell"), as bytes; empty when neither is an absolute path.
QByteArray StateFolder();

// A new, empty file in the temporary folder whose name begins with `prefix`
// (mode 0600); empty when it could not be created.
QString MakeTempFileName(const QString& prefix);

// Seconds since 1970 UTC as the locale's short date, one space, the locale's time.
QString FormatDateTime(qint64 secondsSinceEpoch);
// The type name that the desktop knows for the file's extension, empty when
// it knows none; cached per extension.
QString GetKnownTypeName(const QString& path);
// The type name used to sort by type: the known name, else the upper-cased
// extension followed by "ファイル" ("XYZファイル"), or "ファイル" without extension.
QString GetFileTypeName(const QString& path);
// The type name the file list shows: the known name, else the upper-cased
// extension, one space and "ファイル" ("XYZ ファイル", " ファイル" without extension).
QString GetFileTypeText(const QString& path);
// Empties the type-name cache (start-up and full refresh).
void ResetCaches();
