#pragma once

#include "core/platform/EntryStamp.h"
#include "core/platform/FileCopy.h"
#include "core/platform/FolderHandles.h"

#include <QHash>
#include <QString>

class CFileEntry;

// What a run's plan saw of the entries it means to touch, by path (so that
// it outlives the preview taking rows away), and the check, right before
// each action, that an entry is still as the plan saw it: a file edited,
// replaced, created or removed since is never copied over, copied or deleted
// on the strength of the older knowledge.
//
// A file is kept with its size and modification time in nanoseconds, taken
// when the plan is made and compared with what the scan found (size and
// seconds): a file that changed between the scan and the plan counts as
// changed already. Where the scan saw no entry, the plan keeps "nothing":
// an entry found there at the check, whenever it came, has changed. A folder that goes as a whole is read through when
// the plan is made and kept as the fingerprint of its tree: nothing at or below it may have changed since (nor may it
// have become unreadable).
//
// The copy of a regular file looks at its source and its destination
// itself as it works: the check leaves it the source's stamp, to be compared
// with the file it opens, and, where the plan saw nothing at the
// destination, the rule that nothing may be there when the copy is put in
// place (CFileCopier::Expected). What the copy sees is what it acts on, so
// the check is no weaker for not looking first.
class CPlanStamps
{
public:
    enum class Role { CopySource, CopyDestination, Deletion };

    void Clear() { m_stamps.clear(); }
    // The file at `path` (`rooted`: split at its root; null when it lies
    // below no root), which the scan saw as `entry` (null: it saw nothing there).
    void NoteFile(const QString& path, const RootedPath* rooted, const CFileEntry* entry);
    // The folder at `path`, which goes as a whole.
    void NoteFolderTree(const CPairRoots& roots, const QString& path);

    // Empty when the entry at `path` (split at its root: `rooted`) is as the
    // plan saw it (or the plan did not note it); else the text that says
    // what was left alone and why.
    QString Check(const QString& path, const RootedPath& rooted, Role role) const;
    // The check of a copy from `source` to `destination`: what the copy of a
    // regular file sees for itself goes into `expected` (see the class comment).
    QString CheckCopy(const QString& source, const RootedPath& sourcePath, const QString& destination,
        const RootedPath& destinationPath, CFileCopier::Expected* expected) const;
    // The regular file that the plan saw at `path`, which CheckCopy leaves the
    // copy to expect; false for anything else.
    bool KnownFile(const QString& path, EntryInfo* info) const;
    // The text of a copy that did not find what CheckCopy expected.
    static QString RefusalText(const QString& source, const QString& destination, CFileCopier::Refusal why);

private:
    struct Seen
    {
        EntryStamp stamp;
        bool changedAlready = false;
        bool folderTree = false;
        QByteArray tree; // a folder tree's TreeFingerprint
    };
    bool Unchanged(const RootedPath& rooted, const Seen& seen, Role role) const;
    const Seen* Find(const QString& path) const;

    QHash<QString, Seen> m_stamps;
};

// The texts of the actions left alone because their entry changed after the plan was made.
namespace PlanStampText {
QString SourceChanged(const QString& path);
QString DestinationChanged(const QString& path);
QString DeletionChanged(const QString& path);
} // namespace PlanStampText
