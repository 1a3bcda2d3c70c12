#include "engine/CDirSyncStatus.h"

#include "engine/Keys.h"
#include "filters/FilterSet.h"
#include "platform/Finder.h"
#include "platform/Paths.h"

#include <algorithm>

CDirSyncStatus::CDirSyncStatus() = default;

CDirSyncStatus::CDirSyncStatus(const QString& project, const QString& target)
{
    SetPaths(project, target);
}

CDirSyncStatus::~CDirSyncStatus() = default;

void CDirSyncStatus::Clear()
{
    m_index.clear();
    m_store.clear();
}

void CDirSyncStatus::SetPaths(const QString& project, const QString& target)
{
    Clear();
    m_folder[0] = project;
    m_folder[1] = target;
}

QString CDirSyncStatus::GetFolder(int side) const
{
    Q_ASSERT(side == 0 || side == 1);
    return m_folder[side];
}

CFileSyncStatus* CDirSyncStatus::FindRecord(const QString& name) const
{
    return m_index.value(MakeKey(name), nullptr);
}

void CDirSyncStatus::AddFound(int side, const CFileFind& finder)
{
    Q_ASSERT(side == 0 || side == 1);
    QString key = MakeKey(finder.GetFileName());
    if (CFileSyncStatus* record = m_index.value(key, nullptr)) {
        record->SetSide(side, finder);
        return;
    }
    CFileSyncStatus& record = m_store.emplace_back(this);
    record.SetSide(side, finder);
    // A name without lower-case letters is its own key: share its characters.
    if (key == record.Entry[side].Name)
        key = record.Entry[side].Name;
    m_index.insert(std::move(key), &record);
}

bool CDirSyncStatus::IsFolderReachable(int side) const
{
    Q_ASSERT(side == 0 || side == 1);
    return TestFolderReachable(m_folder[side]);
}

bool CDirSyncStatus::ScanFiles()
{
    Clear();
    // The project side is always enumerated first, so when a name exists on
    // both sides its record takes the project side's spelling.
    for (int side = 0; side < 2; ++side) {
        Reachable[side] = IsFolderReachable(side);
        const std::unique_ptr<CFileFind> finder = CreateFinder(m_folder[side]);
        if (!finder || !Reachable[side] || !finder->Open(m_folder[side]))
            continue;
        while (finder->Next()) {
            // Directories are nodes of their own; links (to folders too) are entries.
            if (!finder->IsDirectory())
                AddFound(side, *finder);
        }
    }
    return true;
}

SyncState CDirSyncStatus::ComputeFolderState(bool scan, const QStringList& selection)
{
    const int presence = (IsFolderReachable(0) ? 1 : 0) + (IsFolderReachable(1) ? 2 : 0);
    static constexpr SyncState kByPresence[] = {SyncNeitherExists, SyncProjectOnly, SyncTargetOnly, SyncSame};
    const SyncState existence = kByPresence[presence];
    if (existence != SyncSame || !scan)
        return existence;

    ScanFiles();
    enum : int { Export = 1, Import = 2, Both = 3 };
    int need = 0;
    const FilterSet& filters = GlobalFilterSet();
    for (const CFileSyncStatus& record : std::as_const(*this)) {
        if (filters.IsExcluded(record.GetName(), selection))
            continue;
        switch (record.GetState()) {
        case SyncProjectNewer:
        case SyncProjectOnly:
            need |= Export;
            break;
        case SyncTargetNewer:
        case SyncTargetOnly:
            need |= Import;
            break;
        case SyncSame:
        case SyncSameWithinTolerance:
            break;
        default:
            // A size difference at an equal time cannot be resolved by either direction.
            need = Both;
            break;
        }
        if (need == Both)
            break;
    }
    static constexpr SyncState kByNeed[] = {SyncSame, SyncProjectNewer, SyncTargetNewer, SyncMixed};
    return kByNeed[need];
}

namespace {

// Sorted by name with letter case ignored; names equal but for case by their exact text.
template <typename Record, typename Range> std::vector<Record*> SortByName(Range& range)
{
    std::vector<Record*> records;
    for (Record& record : range)
        records.push_back(&record);
    std::sort(records.begin(), records.end(), [](const CFileSyncStatus* a, const CFileSyncStatus* b) {
        const QString nameA = a->GetName();
        const QString nameB = b->GetName();
        const int order = nameA.compare(nameB, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : nameA < nameB;
    });
    return records;
}

} // namespace

std::vector<CFileSyncStatus*> CDirSyncStatus::SortedRecords()
{
    return SortByName<CFileSyncStatus>(m_store);
}

std::vector<const CFileSyncStatus*> CDirSyncStatus::SortedRecords() const
{
    return SortByName<const CFileSyncStatus>(m_store);
}
