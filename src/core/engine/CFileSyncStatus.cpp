#include "core/engine/CFileSyncStatus.h"

#include "core/engine/CDirSyncStatus.h"
#include "core/platform/Paths.h"

CFileSyncStatus::CFileSyncStatus(CDirSyncStatus* owner) : Owner(owner)
{
}

void CFileSyncStatus::SetSide(int side, const CFileFind& finder)
{
    Q_ASSERT(side == 0 || side == 1);
    Exists[side] = true;
    CFileEntry& entry = Entry[side];
    entry.SetFromFinder(finder);
    // Most files carry the same name on both sides: keep one copy of it.
    const CFileEntry& other = Entry[1 - side];
    if (Exists[1 - side] && entry.Name == other.Name)
        entry.Name = other.Name;
}

QString CFileSyncStatus::GetName() const
{
    return Exists[0] ? Entry[0].Name : Entry[1].Name;
}

QString CFileSyncStatus::GetPath() const
{
    if (!Owner)
        return GetName();
    const int side = Exists[0] ? 0 : 1;
    return JoinPath(Owner->GetFolder(side), GetName());
}

int CFileSyncStatus::GetPresence() const
{
    return (Exists[0] ? 1 : 0) + (Exists[1] ? 2 : 0);
}

SyncState CFileSyncStatus::GetState() const
{
    switch (GetPresence()) {
    case 1:
        return SyncProjectOnly;
    case 2:
        return SyncTargetOnly;
    case 3:
        return CompareEntries(Entry[0], Entry[1]);
    default:
        return SyncNone;
    }
}
