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
    std::vector<Slot>().swap(m_index);
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

namespace {

quint32 HashKey(const QString& key)
{
    const size_t hash = qHash(key);
    return static_cast<quint32>(hash ^ (hash >> 32));
}

} // namespace

size_t CDirSyncStatus::FindSlot(const QString& key, quint32 hash) const
{
    Q_ASSERT(!m_index.empty());
    const size_t mask = m_index.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = m_index[i];
        if (slot.number == 0)
            return i;
        // Equal hashes are almost always equal keys; the key is rebuilt from the name to be sure.
        if (slot.hash == hash && MakeKey(m_store[slot.number - 1].GetName()) == key)
            return i;
    }
}

void CDirSyncStatus::GrowIndex()
{
    std::vector<Slot> old;
    old.swap(m_index);
    m_index.resize(old.empty() ? 16 : old.size() * 2);
    const size_t mask = m_index.size() - 1;
    for (const Slot& slot : old) {
        if (slot.number == 0)
            continue;
        size_t i = slot.hash & mask;
        while (m_index[i].number != 0)
            i = (i + 1) & mask;
        m_index[i] = slot;
    }
}

CFileSyncStatus* CDirSyncStatus::FindRecord(const QString& name) const
{
    if (m_index.empty())
        return nullptr;
    const QString key = MakeKey(name);
    const Slot& slot = m_index[FindSlot(key, HashKey(key))];
    // The table hands out its records for changes (ViewKey) also through a const lookup.
    return slot.number == 0 ? nullptr : const_cast<CFileSyncStatus*>(&m_store[slot.number - 1]);
}

void CDirSyncStatus::AddFound(int side, const CFileFind& finder)
{
    Q_ASSERT(side == 0 || side == 1);
    if ((m_store.size() + 1) * 4 > m_index.size() * 3)
        GrowIndex();
    const QString key = MakeKey(finder.GetFileName());
    const quint32 hash = HashKey(key);
    Slot& slot = m_index[FindSlot(key, hash)];
    if (slot.number != 0) {
        m_store[slot.number - 1].SetSide(side, finder);
        return;
    }
    Q_ASSERT(m_store.size() < 0xFFFFFFFFu);
    m_store.emplace_back(this).SetSide(side, finder);
    slot.hash = hash;
    slot.number = static_cast<quint32>(m_store.size());
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
