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

void CPlanStamps::NoteFile(const QString& path, const RootedPath* rooted, const CFileEntry* entry)
{
    Seen seen;
    if (!rooted) {
        seen.changedAlready = true;
    } else if (entry) {
        // The scan's time has whole seconds only: an edit in the same second
        // would pass unseen. The folder is open already (the walk's cache).
        seen.stamp = StampOf(*rooted);
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

bool CPlanStamps::Unchanged(const RootedPath& rooted, const Seen& seen, Role role) const
{
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

const CPlanStamps::Seen* CPlanStamps::Find(const QString& path) const
{
    const auto found = m_stamps.constFind(path);
    return found == m_stamps.constEnd() ? nullptr : &*found;
}

QString CPlanStamps::CheckCopy(const QString& source, const RootedPath& sourcePath, const QString& destination,
    const RootedPath& destinationPath, CFileCopier::Expected* expected) const
{
    const Seen* from = Find(source);
    const bool copierLooks = expected && from && !from->changedAlready && from->stamp.kind == EntryKind::File;
    if (copierLooks) {
        expected->source = true;
        expected->sourceSize = from->stamp.size;
        expected->sourceModified = from->stamp.modified;
    } else if (from && !Unchanged(sourcePath, *from, Role::CopySource)) {
        return PlanStampText::SourceChanged(source);
    }
    const Seen* to = Find(destination);
    if (!to)
        return {};
    const bool sawNothing = !to->changedAlready && !to->folderTree && to->stamp == EntryStamp();
    if (copierLooks && sawNothing) {
        expected->destinationFree = true;
        return {};
    }
    return Unchanged(destinationPath, *to, Role::CopyDestination) ? QString()
                                                                  : PlanStampText::DestinationChanged(destination);
}

bool CPlanStamps::KnownFile(const QString& path, EntryInfo* info) const
{
    const Seen* seen = Find(path);
    if (!seen || seen->changedAlready || seen->stamp.kind != EntryKind::File)
        return false;
    *info = {EntryKind::File, quint64(seen->stamp.size), 0};
    return true;
}

QString CPlanStamps::RefusalText(const QString& source, const QString& destination, CFileCopier::Refusal why)
{
    return why == CFileCopier::Refusal::DestinationTaken ? PlanStampText::DestinationChanged(destination)
                                                         : PlanStampText::SourceChanged(source);
}

QString CPlanStamps::Check(const QString& path, const RootedPath& rooted, Role role) const
{
    const Seen* found = Find(path);
    if (!found || Unchanged(rooted, *found, role))
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
