#include "core/engine/CDirSyncStatus.h"

#include "core/engine/Keys.h"
#include "core/filters/FilterSet.h"
#include "core/platform/Finder.h"
#include "core/platform/Paths.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace {

qint64 NowNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// A folder changed this shortly before it was read may change again within
// the same tick of the file system's clock, which would leave its time as
// it was: such records are never taken for current. Generous enough for
// file systems that keep times in whole seconds or two.
constexpr qint64 kTimeTrustMargin = 3'000'000'000;

} // namespace

CDirSyncStatus::CDirSyncStatus() = default;

CDirSyncStatus::CDirSyncStatus(const QString& project, const QString& target)
{
    SetPaths(project, target);
}

CDirSyncStatus::~CDirSyncStatus() = default;

void CDirSyncStatus::Clear()
{
    std::vector<Slot>().swap(m_index);
    Store().swap(m_store);
    m_holdsAllFiles = false;
    m_enumerated[0] = m_enumerated[1] = false;
    m_readIncomplete[0] = m_readIncomplete[1] = false;
    m_variantsToPair = false;
    m_folderTime[0] = m_folderTime[1] = 0;
    m_scannedAt = NowNanoseconds();
}

void CDirSyncStatus::SetPaths(const QString& project, const QString& target)
{
    Clear();
    m_folder[0] = project;
    m_folder[1] = target;
    m_root[0] = m_root[1] = QString();
}

void CDirSyncStatus::SetRoots(const QString& projectRoot, const QString& targetRoot)
{
    m_root[0] = projectRoot;
    m_root[1] = targetRoot;
}

QString CDirSyncStatus::GetFolder(int side) const
{
    Q_ASSERT(side == 0 || side == 1);
    return m_folder[side];
}

QString CDirSyncStatus::PathOf(const CFileSyncStatus& record) const
{
    return JoinPath(GetFolder(record.GetNameSide()), record.GetName());
}

namespace {

// The name that makes a record's key, without copying it. The names of a
// record's two sides are the same or case variants: they hash alike.
QStringView KeyName(const CFileSyncStatus& record)
{
    return record.NameView();
}

bool HoldsName(const CFileSyncStatus& record, QStringView name)
{
    return (record.Exists(0) && record.Name(0) == name) || (record.Exists(1) && record.Name(1) == name);
}

} // namespace

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

void CDirSyncStatus::RebuildIndex() const
{
    m_index.assign(16, Slot());
    while (m_store.size() * 4 > m_index.size() * 3)
        m_index.resize(m_index.size() * 2);
    const size_t mask = m_index.size() - 1;
    for (size_t number = 1; number <= m_store.size(); ++number) {
        const quint32 hash = HashOfKey(KeyName(m_store[number - 1]));
        size_t i = hash & mask;
        while (m_index[i].number != 0)
            i = (i + 1) & mask;
        m_index[i] = {hash, quint32(number)};
    }
}

CFileSyncStatus* CDirSyncStatus::FindRecord(const QString& name) const
{
    if (m_store.empty())
        return nullptr;
    if (m_index.empty())
        RebuildIndex();
    const quint32 hash = HashOfKey(name);
    const size_t mask = m_index.size() - 1;
    const CFileSyncStatus* variant = nullptr;
    int variants = 0;
    for (size_t i = hash & mask; m_index[i].number != 0; i = (i + 1) & mask) {
        if (m_index[i].hash != hash)
            continue;
        const CFileSyncStatus& record = m_store[m_index[i].number - 1];
        if (HoldsName(record, name)) {
            variant = &record;
            variants = 1;
            break;
        }
        if (SameKey(KeyName(record), name)) {
            variant = &record;
            ++variants;
        }
    }
    // The table hands out its records for changes (ViewKey) also through a const lookup.
    return variants == 1 ? const_cast<CFileSyncStatus*>(variant) : nullptr;
}

void CDirSyncStatus::ExpectFound(qsizetype files)
{
    const size_t records = std::max(m_store.size(), size_t(std::max<qsizetype>(files, 0)));
    m_store.reserve(records);
    if (!m_index.empty() || !m_store.empty())
        return; // grown as records come
    size_t slots = 16;
    while (records * 4 > slots * 3)
        slots *= 2;
    m_index.resize(slots);
}

void CDirSyncStatus::AddFound(int side, const CFileFind& finder)
{
    Q_ASSERT(side == 0 || side == 1);
    if (m_index.empty() && !m_store.empty())
        RebuildIndex();
    if ((m_store.size() + 1) * 4 > m_index.size() * 3)
        GrowIndex();
    const QString name = finder.GetFileName();
    const quint32 hash = HashOfKey(name);
    const int other = 1 - side;
    const size_t mask = m_index.size() - 1;
    size_t i = hash & mask;
    for (; m_index[i].number != 0; i = (i + 1) & mask) {
        if (m_index[i].hash != hash)
            continue;
        CFileSyncStatus& record = m_store[m_index[i].number - 1];
        // The other side's entry of exactly this name, or this side's entry again.
        const bool sameName = record.Exists(side) ? record.Name(side) == name : record.Name(other) == name;
        if (sameName) {
            record.SetSide(side, finder);
            return;
        }
        if (!record.Exists(side) && SameKey(record.Name(other), name))
            m_variantsToPair = true;
    }
    Q_ASSERT(m_store.size() < 0xFFFFFFFFu);
    m_store.emplace_back().SetSide(side, finder);
    m_index[i] = {hash, static_cast<quint32>(m_store.size())};
}

// Runs only where AddFound met case variants: a record of the target side
// alone takes the project side's one unpaired variant as its counterpart,
// when it is also the only unpaired variant of its own side.
void CDirSyncStatus::PairCaseVariants()
{
    if (!m_variantsToPair)
        return;
    m_variantsToPair = false;
    if (m_index.empty())
        RebuildIndex();
    const size_t mask = m_index.size() - 1;
    bool merged = false;
    for (size_t number = 1; number <= m_store.size(); ++number) {
        CFileSyncStatus& lone = m_store[number - 1];
        if (lone.Exists(0) || !lone.Exists(1))
            continue;
        const QStringView name = lone.Name(1);
        const quint32 hash = HashOfKey(name);
        CFileSyncStatus* partner = nullptr;
        int partners = 0;
        int rivals = 0;
        for (size_t i = hash & mask; m_index[i].number != 0; i = (i + 1) & mask) {
            const Slot& slot = m_index[i];
            if (slot.hash != hash || slot.number == number)
                continue;
            CFileSyncStatus& record = m_store[slot.number - 1];
            if (record.Exists(0) == record.Exists(1) || !SameKey(KeyName(record), name))
                continue;
            if (record.Exists(0)) {
                partner = &record;
                ++partners;
            } else {
                ++rivals;
            }
        }
        if (partners != 1 || rivals != 0)
            continue;
        partner->TakeSide(1, lone); // leaves an empty record, removed below
        merged = true;
    }
    if (!merged)
        return;
    std::erase_if(m_store, [](const CFileSyncStatus& record) { return record.GetPresence() == 0; });
    std::vector<Slot>().swap(m_index); // built again by the next lookup
}

void CDirSyncStatus::FinishScan()
{
    PairCaseVariants();
    Compact();
}

bool CDirSyncStatus::IsFolderReachable(int side) const
{
    Q_ASSERT(side == 0 || side == 1);
    return TestFolderReachable(m_folder[side], m_root[side]);
}

bool CDirSyncStatus::ScanFiles()
{
    Clear();
    // The project side is always enumerated first, so when a name exists on
    // both sides its record takes the project side's spelling.
    bool enumerated[2] = {false, false};
    for (int side = 0; side < 2; ++side) {
        Reachable[side] = IsFolderReachable(side);
        const std::unique_ptr<CFileFind> finder = CreateFinder(m_folder[side]);
        if (!finder)
            continue;
        if (!Reachable[side]) {
            // Tells a missing folder from one that may be there but cannot be
            // looked at (permission denied on the way to it).
            if (!finder->Open(m_folder[side], m_root[side]))
                NoteEnumeration(side, *finder, false);
            continue;
        }
        const bool opened = finder->Open(m_folder[side], m_root[side]);
        enumerated[side] = opened;
        while (opened && finder->Next()) {
            // Directories are nodes of their own; links (to folders too) are entries.
            if (!finder->IsDirectory())
                AddFound(side, *finder);
        }
        NoteEnumeration(side, *finder, opened);
    }
    FinishScan();
    MarkAllFilesRecorded(enumerated);
    return true;
}

void CDirSyncStatus::NoteEnumeration(int side, const CFileFind& finder, bool opened)
{
    Q_ASSERT(side == 0 || side == 1);
    if (opened) {
        m_readIncomplete[side] = finder.ReadFailed();
        m_folderTime[side] = finder.FolderWriteTime();
        return;
    }
    // No folder there is a missing side, not a partly read one.
    const int error = finder.OpenError();
    m_readIncomplete[side] = error != ENOENT && error != ENOTDIR;
}

bool CDirSyncStatus::RecordsStillCurrent() const
{
    if (!m_holdsAllFiles || IsReadIncomplete())
        return false;
    for (int side = 0; side < 2; ++side) {
        CFileFind finder;
        const bool opened = finder.Open(m_folder[side], m_root[side]);
        if (opened != m_enumerated[side])
            return false;
        if (!opened) {
            // Still no folder there; one that cannot be looked at now is read afresh.
            const int error = finder.OpenError();
            if (error != ENOENT && error != ENOTDIR)
                return false;
            continue;
        }
        const qint64 time = finder.FolderWriteTime();
        if (time == 0 || time != m_folderTime[side] || time > m_scannedAt - kTimeTrustMargin)
            return false;
    }
    return true;
}

void CDirSyncStatus::MarkAllFilesRecorded(const bool enumerated[2])
{
    m_holdsAllFiles = true;
    m_enumerated[0] = enumerated[0];
    m_enumerated[1] = enumerated[1];
}

void CDirSyncStatus::Compact()
{
    if (m_store.capacity() > m_store.size())
        m_store.shrink_to_fit();
    // The index is needed while records are added; a lookup afterwards builds it again.
    std::vector<Slot>().swap(m_index);
}

SyncState CDirSyncStatus::ExistenceState() const
{
    const int presence = (IsFolderReachable(0) ? 1 : 0) + (IsFolderReachable(1) ? 2 : 0);
    static constexpr SyncState kByPresence[] = {SyncNeitherExists, SyncProjectOnly, SyncTargetOnly, SyncSame};
    return kByPresence[presence];
}

SyncState CDirSyncStatus::ComputeFolderState(bool scan, const FilterSet& filters, const QStringList& selection)
{
    const SyncState existence = ExistenceState();
    if (existence != SyncSame || !scan)
        return existence;

    ScanFiles();
    // Records of a folder read only in part would show a state that may be untrue.
    return IsReadIncomplete() ? SyncMixed : AggregateRecords(filters, selection);
}

SyncState CDirSyncStatus::ComputeRecordedFolderState(const FilterSet& filters, const QStringList& selection)
{
    // Records of an enumeration of both folders stand for a new scan, and
    // the enumeration for the test that both folders exist.
    if (!m_holdsAllFiles || !m_enumerated[0] || !m_enumerated[1]) {
        const SyncState existence = ExistenceState();
        if (existence != SyncSame)
            return existence;
        ScanFiles();
    }
    return IsReadIncomplete() ? SyncMixed : AggregateRecords(filters, selection);
}

SyncState CDirSyncStatus::AggregateRecords(const FilterSet& filters, const QStringList& selection) const
{
    enum : int { Export = 1, Import = 2, Both = 3 };
    int need = 0;
    for (const CFileSyncStatus& record : m_store) {
        // The filters see the name in place: no copy of every name of the table.
        const QStringView name = KeyName(record);
        if (filters.IsExcluded(
                QString::fromRawData(reinterpret_cast<const QChar*>(name.utf16()), name.size()), selection))
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
        const QStringView nameA = a->NameView();
        const QStringView nameB = b->NameView();
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
