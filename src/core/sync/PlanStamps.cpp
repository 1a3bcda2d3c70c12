#include "core/sync/PlanStamps.h"

#include "core/engine/CFileEntry.h"

#include <QHash>

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

void CPlanStamps::Clear()
{
    for (int list = 0; list < 2; ++list) {
        m_rows[list].clear();
        m_bound[list].clear();
    }
}

CPlanStamps::Seen CPlanStamps::SeenFile(const RootedPath* rooted, const CFileEntry* entry)
{
    Seen seen;
    seen.noted = true;
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
    return seen;
}

void CPlanStamps::NoteCopy(const QString& source, const RootedPath* sourcePath, const CFileEntry* sourceEntry,
    const QString&, const RootedPath* destinationPath, const CFileEntry* destinationEntry)
{
    m_rows[int(List::Copies)].push_back(
        {source, SeenFile(sourcePath, sourceEntry), SeenFile(destinationPath, destinationEntry)});
}

void CPlanStamps::NoteUncheckedCopy(const QString& source)
{
    m_rows[int(List::Copies)].push_back({source, {}, {}});
}

void CPlanStamps::NoteDeletion(const QString& path, const RootedPath* rooted, const CFileEntry* entry)
{
    m_rows[int(List::Deletions)].push_back({path, SeenFile(rooted, entry), {}});
}

void CPlanStamps::NoteFolderTree(const CPairRoots& roots, const QString& path)
{
    Seen seen;
    seen.noted = true;
    seen.folderTree = true;
    RootedPath rooted;
    if (roots.Split(path, &rooted))
        seen.tree = TreeFingerprint(rooted);
    seen.changedAlready = seen.tree.isEmpty();
    m_rows[int(List::Deletions)].push_back({path, seen, {}});
}

void CPlanStamps::Bind(List list, const QStringList& paths)
{
    const std::vector<Row>& rows = m_rows[int(list)];
    std::vector<qsizetype>& bound = m_bound[int(list)];
    bound.assign(size_t(paths.size()), -1);
    // The preview only takes rows away: each row is found after the one
    // before, in one pass. A list changed otherwise is paired by path.
    QHash<QString, qsizetype> byPath;
    size_t next = 0;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString& path = paths.at(i);
        size_t row = next;
        while (byPath.isEmpty() && row < rows.size() && rows[row].path != path)
            ++row;
        if (byPath.isEmpty() && row < rows.size()) {
            bound[size_t(i)] = qsizetype(row);
            next = row + 1;
            continue;
        }
        if (byPath.isEmpty()) {
            for (size_t r = rows.size(); r-- > 0;)
                byPath.insert(rows[r].path, qsizetype(r));
        }
        bound[size_t(i)] = byPath.value(path, -1);
    }
}

const CPlanStamps::Row* CPlanStamps::RowOf(List list, qsizetype index) const
{
    const std::vector<qsizetype>& bound = m_bound[int(list)];
    if (index < 0 || size_t(index) >= bound.size() || bound[size_t(index)] < 0)
        return nullptr;
    return &m_rows[int(list)][size_t(bound[size_t(index)])];
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

QString CPlanStamps::CheckCopy(qsizetype index, const QString& source, const RootedPath& sourcePath,
    const QString& destination, const RootedPath& destinationPath, CFileCopier::Expected* expected) const
{
    const Row* row = RowOf(List::Copies, index);
    if (!row)
        return {};
    const Seen& from = row->seen;
    const bool copierLooks = expected && from.noted && !from.changedAlready && from.stamp.kind == EntryKind::File;
    if (copierLooks) {
        expected->source = true;
        expected->sourceSize = from.stamp.size;
        expected->sourceModified = from.stamp.modified;
    } else if (from.noted && !Unchanged(sourcePath, from, Role::CopySource)) {
        return PlanStampText::SourceChanged(source);
    }
    const Seen& to = row->destination;
    if (!to.noted)
        return {};
    const bool sawNothing = !to.changedAlready && to.stamp == EntryStamp();
    if (copierLooks && sawNothing) {
        expected->destinationFree = true;
        return {};
    }
    return Unchanged(destinationPath, to, Role::CopyDestination) ? QString()
                                                                 : PlanStampText::DestinationChanged(destination);
}

bool CPlanStamps::KnownFile(qsizetype index, EntryInfo* info) const
{
    const Row* row = RowOf(List::Copies, index);
    if (!row || !row->seen.noted || row->seen.changedAlready || row->seen.stamp.kind != EntryKind::File)
        return false;
    *info = {EntryKind::File, quint64(row->seen.stamp.size), 0};
    return true;
}

QString CPlanStamps::RefusalText(const QString& source, const QString& destination, CFileCopier::Refusal why)
{
    return why == CFileCopier::Refusal::DestinationTaken ? PlanStampText::DestinationChanged(destination)
                                                         : PlanStampText::SourceChanged(source);
}

QString CPlanStamps::CheckDeletion(qsizetype index, const QString& path, const RootedPath& rooted) const
{
    const Row* row = RowOf(List::Deletions, index);
    if (!row || !row->seen.noted || Unchanged(rooted, row->seen, Role::Deletion))
        return {};
    return PlanStampText::DeletionChanged(path);
}
