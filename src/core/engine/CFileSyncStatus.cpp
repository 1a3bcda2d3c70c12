#include "core/engine/CFileSyncStatus.h"

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
