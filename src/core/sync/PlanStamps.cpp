#include "core/sync/PlanStamps.h"

#include "core/engine/CFileEntry.h"

namespace PlanStampText {

QString SourceChanged(const QString& path)
{
    return path + QStringLiteral(": 同期対象一覧の作成後に変更されたため、コピーしませんでした。");
}

QString DestinationChanged(const QString& path)
{
    return path + QStringLiteral(": 同期対象一覧の作成後に変更されたため、上書きしませんでした。");
}

QString DeletionChanged(const QString& path)
{
    return path + QStringLiteral(": 同期対象一覧の作成後に変更されたため、削除しませんでした。");
}

} // namespace PlanStampText

namespace {

qint64 WholeSeconds(qint64 nanoseconds)
{
    qint64 seconds = nanoseconds / 1'000'000'000;
    if (nanoseconds < 0 && nanoseconds % 1'000'000'000 != 0)
        --seconds;
    return seconds;
}

} // namespace

void CPlanStamps::NoteFile(const CPairRoots& roots, const QString& path, const CFileEntry* entry)
{
    Seen seen;
    RootedPath rooted;
    if (!roots.Split(path, &rooted)) {
        seen.changedAlready = true;
    } else if (entry) {
        // The scan's time has whole seconds only: an edit in the same second
        // would pass unseen. The folder is open already (the walk's cache).
        seen.stamp = StampOf(rooted);
        seen.changedAlready = seen.stamp.kind == EntryKind::Missing || seen.stamp.size != qint64(entry->Size)
            || WholeSeconds(seen.stamp.modified) != entry->LastWriteTime;
    }
    // Where the scan saw nothing, nothing is looked at: whatever appears
    // there later, before the plan was made or after, differs from nothing
    // at the check.
    m_stamps.insert(path, seen);
}

void CPlanStamps::NoteFolderTree(const CPairRoots& roots, const QString& path)
{
    Seen seen;
    seen.folderTree = true;
    RootedPath rooted;
    if (roots.Split(path, &rooted))
        seen.tree = TreeFingerprint(rooted);
    seen.changedAlready = seen.tree.isEmpty();
    m_stamps.insert(path, seen);
}

bool CPlanStamps::Unchanged(const CPairRoots& roots, const QString& path, const Seen& seen, Role role) const
{
    RootedPath rooted;
    if (!roots.Split(path, &rooted))
        return false;
    const EntryStamp now = StampOf(rooted);
    // Nothing there to lose: a destination or a deletion that is gone takes
    // its course (the operation reports what it cannot do).
    if (role != Role::CopySource && now.kind == EntryKind::Missing && now.error == 0)
        return true;
    if (seen.changedAlready)
        return false;
    if (seen.folderTree)
        return TreeFingerprint(rooted) == seen.tree;
    return now == seen.stamp;
}

QString CPlanStamps::Check(const CPairRoots& roots, const QString& path, Role role) const
{
    const auto found = m_stamps.constFind(path);
    if (found == m_stamps.constEnd() || Unchanged(roots, path, *found, role))
        return {};
    switch (role) {
    case Role::CopySource:
        return PlanStampText::SourceChanged(path);
    case Role::CopyDestination:
        return PlanStampText::DestinationChanged(path);
    case Role::Deletion:
        break;
    }
    return PlanStampText::DeletionChanged(path);
}
