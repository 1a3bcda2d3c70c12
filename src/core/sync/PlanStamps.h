#pragma once

#include "core/platform/EntryStamp.h"
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
class CPlanStamps
{
public:
    enum class Role { CopySource, CopyDestination, Deletion };

    void Clear() { m_stamps.clear(); }
    // The file at `path`, which the scan saw as `entry` (null: it saw nothing there).
    void NoteFile(const CPairRoots& roots, const QString& path, const CFileEntry* entry);
    // The folder at `path`, which goes as a whole.
    void NoteFolderTree(const CPairRoots& roots, const QString& path);

    // Empty when the entry at `path` is as the plan saw it (or the plan did
    // not note it); else the text that says what was left alone and why.
    QString Check(const CPairRoots& roots, const QString& path, Role role) const;

private:
    struct Seen
    {
        EntryStamp stamp;
        bool changedAlready = false;
        bool folderTree = false;
        QByteArray tree; // a folder tree's TreeFingerprint
    };
    bool Unchanged(const CPairRoots& roots, const QString& path, const Seen& seen, Role role) const;

    QHash<QString, Seen> m_stamps;
};

// The texts of the actions left alone because their entry changed after the plan was made.
namespace PlanStampText {
QString SourceChanged(const QString& path);
QString DestinationChanged(const QString& path);
QString DeletionChanged(const QString& path);
} // namespace PlanStampText
