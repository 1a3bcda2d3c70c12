#pragma once

#include "core/engine/CFileEntry.h"
#include "core/engine/SyncState.h"

#include <QString>
#include <QtGlobal>

class CFileFind;

// One file name of a folder pair: up to two entries, [0] the project side and
// [1] the target side. Kept small: a table may hold a million of them.
class CFileSyncStatus
{
public:
    bool Exists[2] = {false, false};
    // Scratch value of the file list: the excluded flag in bits 16 and up, the
    // state picture in bits 0 to 15. The engine neither reads nor writes it.
    quint32 ViewKey = 0;
    CFileEntry Entry[2];

    // Marks `side` (0 project, 1 target) as found and takes the enumerator's current entry.
    void SetSide(int side, const CFileFind& finder);
    // The project side's spelling when the file exists there, else the target side's.
    QString GetName() const;
    // The side whose spelling GetName gives: 0 when the file exists on the project side, else 1.
    int GetNameSide() const { return Exists[0] ? 0 : 1; }
    // 0 neither side, 1 project side only, 2 target side only, 3 both.
    int GetPresence() const;
    SyncState GetState() const;
};
