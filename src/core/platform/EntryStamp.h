#pragma once

#include "core/platform/FileCopy.h"
#include "core/platform/FolderHandles.h"

#include <QtGlobal>

// What tells one version of an entry from the next as a run sees it: its
// kind, size and modification time, seen without following a link below its
// root. A run compares what its plan saw with what is there when it acts,
// and an undo compares what a run wrote with what is there now.
struct EntryStamp
{
    EntryKind kind = EntryKind::Missing;
    qint64 size = 0; // 0 for a folder
    qint64 modified = 0; // nanoseconds since 1970
    int error = 0; // errno when the entry could not be examined (not ENOENT)

    bool operator==(const EntryStamp& other) const
    {
        return kind == other.kind && size == other.size && modified == other.modified && error == other.error;
    }
};

EntryStamp StampOf(const RootedPath& path);
// The stamp of an entry by its absolute path, outside any pair (a trash item).
EntryStamp StampOfPath(const QString& path);

// What tells one state of a whole tree from the next: a hash of the name,
// identity, kind, size, modification and status-change times of every entry
// at and below `path` (every write, rename into or out of a folder and
// change of attributes moves the status-change time). Empty when the tree
// could not be read completely: what could not be seen may have changed.
// No link is followed.
QByteArray TreeFingerprint(const RootedPath& path);
