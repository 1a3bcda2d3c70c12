#pragma once

#include "core/platform/EntryStamp.h"
#include "core/platform/FileCopy.h"
#include "core/platform/FolderHandles.h"

#include <QString>
#include <QStringList>
#include <vector>

class CFileEntry;

// What a run's plan saw of the entries it means to touch, row by row of its
// lists and paired again with the rows left after the preview, and the check, right before
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
    // The two lists of a run that the plan notes, row by row.
    enum class List { Copies, Deletions };

    void Clear();
    // The next copy of the list, from `source` to `destination` (each split
    // at its root: null when it lies below no root), which the scan saw as
    // `sourceEntry` and `destinationEntry` (null: it saw nothing there).
    void NoteCopy(const QString& source, const RootedPath* sourcePath, const CFileEntry* sourceEntry,
        const QString& destination, const RootedPath* destinationPath, const CFileEntry* destinationEntry);
    // The next copy of the list, which is not checked (a folder).
    void NoteUncheckedCopy(const QString& source);
    // The next deletion of the list: a file (as NoteCopy's destination), or a
    // folder that goes as a whole.
    void NoteDeletion(const QString& path, const RootedPath* rooted, const CFileEntry* entry);
    void NoteFolderTree(const CPairRoots& roots, const QString& path);

    // Pairs each row of the list as it is now (the preview may have taken
    // rows away) with what the plan noted for its path; the checks below
    // take the rows' indexes in it.
    void Bind(List list, const QStringList& paths);

    // Empty when deletion `index` at `path` (split at its root: `rooted`) is
    // as the plan saw it (or the plan did not note it); else the text that
    // says what was left alone and why.
    QString CheckDeletion(qsizetype index, const QString& path, const RootedPath& rooted) const;
    // The check of copy `index` from `source` to `destination`: what the copy
    // of a regular file sees for itself goes into `expected` (see the class comment).
    QString CheckCopy(qsizetype index, const QString& source, const RootedPath& sourcePath, const QString& destination,
        const RootedPath& destinationPath, CFileCopier::Expected* expected) const;
    // The regular file that the plan saw at the source of copy `index`,
    // which CheckCopy leaves the copy to expect; false for anything else.
    bool KnownFile(qsizetype index, EntryInfo* info) const;
    // The text of a copy that did not find what CheckCopy expected.
    static QString RefusalText(const QString& source, const QString& destination, CFileCopier::Refusal why);

private:
    struct Seen
    {
        EntryStamp stamp;
        bool noted = false;
        bool changedAlready = false;
        bool folderTree = false;
        QByteArray tree; // a folder tree's TreeFingerprint
    };
    // One row of a list as noted: the path, what was seen there, and for a
    // copy what was seen at its destination.
    struct Row
    {
        QString path;
        Seen seen;
        Seen destination;
    };
    static Seen SeenFile(const RootedPath* rooted, const CFileEntry* entry);
    bool Unchanged(const RootedPath& rooted, const Seen& seen, Role role) const;
    // The noted row that row `index` of `list` stands for; null when none.
    const Row* RowOf(List list, qsizetype index) const;

    std::vector<Row> m_rows[2]; // by List, in the order noted
    std::vector<qsizetype> m_bound[2]; // by List: the noted row of each row of the list as bound
};

// The texts of the actions left alone because their entry changed after the plan was made.
namespace PlanStampText {
QString SourceChanged(const QString& path);
QString DestinationChanged(const QString& path);
QString DeletionChanged(const QString& path);
} // namespace PlanStampText
