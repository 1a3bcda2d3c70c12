#pragma once

#include "core/engine/CFileEntry.h"
#include "core/engine/SyncState.h"

#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <memory>

class CFileFind;

// One file name of a folder pair: up to two entries, side 0 the project side
// and side 1 the target side. Kept small: a table may hold a million of them.
// Both spellings live in one block of the record's own, exact in size: one
// copy when the sides spell the name alike (nearly always), else the project
// side's spelling followed by the target side's. A view that Name gives stays
// valid while the record lives and its sides are not set again; the record
// may move (its block does not).
class CFileSyncStatus
{
public:
    CFileSyncStatus() = default;

    bool Exists(int side) const { return (m_flags & ExistsBit(side)) != 0; }
    // The spelling of `side`; empty where the file does not exist on that side.
    QStringView Name(int side) const;
    // 1980-01-01 local time (CFileEntry::InitialTime) where the file does not exist on that side.
    qint64 LastWriteTime(int side) const { return m_time[side]; }
    quint64 Size(int side) const { return m_size[side]; }
    quint32 Attributes(int side) const { return m_attributes[side]; }
    QString GetAttributeText(int side) const { return CFileEntry::AttributeText(m_attributes[side]); }
    // A copy of the entry of `side` (the name copied too).
    CFileEntry Entry(int side) const;

    // Marks `side` (0 project, 1 target) as found and takes the enumerator's current entry.
    void SetSide(int side, const CFileFind& finder);
    // Takes the entry of `side` from `other`, which is left without it.
    void TakeSide(int side, CFileSyncStatus& other);
    // The project side's spelling when the file exists there, else the target side's.
    QString GetName() const { return NameView().toString(); }
    QStringView NameView() const { return Name(GetNameSide()); }
    // The side whose spelling GetName gives: 0 when the file exists on the project side, else 1.
    int GetNameSide() const { return Exists(0) ? 0 : 1; }
    // 0 neither side, 1 project side only, 2 target side only, 3 both.
    int GetPresence() const { return m_flags & (ExistsBit(0) | ExistsBit(1)); }
    SyncState GetState() const;

private:
    static constexpr quint8 ExistsBit(int side) { return side == 0 ? 1 : 2; }
    // Set where the two sides spell the name differently: the target side's spelling follows the project side's.
    static constexpr quint8 kSplit = 4;
    // Stores the names of both sides anew (`exists` the ExistsBit of the sides that have one).
    void SetNames(QStringView project, QStringView target, quint8 exists);
    // Everything the block holds.
    QStringView HeldNames() const;

    std::unique_ptr<char16_t[]> m_names;
    qint64 m_time[2] = {CFileEntry::InitialTime(), CFileEntry::InitialTime()};
    quint64 m_size[2] = {0, 0};
    quint16 m_attributes[2] = {0, 0}; // FileAttr bits, all below 0x10000
    quint16 m_length[2] = {0, 0}; // of each side's spelling (a name has at most 255 bytes on disk)
    quint8 m_flags = 0; // ExistsBit of each side that has an entry, kSplit

public:
    // Scratch value of the file list: the excluded flag in bits 16 and up, the
    // state picture in bits 0 to 15. The engine neither reads nor writes it.
    // (Last, where it fills the room that the fields above leave.)
    quint32 ViewKey = 0;
};
