#pragma once

#include "core/engine/CFileSyncStatus.h"
#include "core/engine/SyncState.h"

#include <QString>
#include <QStringList>
#include <vector>

class CFileFind;
class FilterSet;

// The file table of one folder pair: one record per file found directly in
// the project folder or the target folder (never subfolders, never
// directories). Every entry of a side is a record of its own, also where two
// names differ only in letter case; a record holds the entries of both sides
// when they pair (PairNames in engine/Keys.h: the same name, else the single
// case variant, which a file system that folds case shows for it). The table
// owns its records; a record stays at the same address until the next Clear,
// SetPaths, ScanFiles, AddFound or FinishScan, or the table's destruction.
// A table may hold a million files, so it is kept lean: the records live in
// one array (no allocation per record, no spare room once a scan is done),
// and an open-addressing index of (hash of key, record number) pairs finds
// them. Case variants share a hash, so the index finds a name and its
// variants in one probe; the upper-cased keys themselves are never built for
// ASCII names and never stored.
//
// Iteration: `for (CFileSyncStatus& record : table)` (or const) visits every
// record in the order the scan found them; SortedRecords() gives them sorted
// by name, letter case ignored, for display.
class CDirSyncStatus
{
    using Store = std::vector<CFileSyncStatus>;

public:
    CDirSyncStatus();
    CDirSyncStatus(const QString& project, const QString& target);
    ~CDirSyncStatus();
    CDirSyncStatus(const CDirSyncStatus&) = delete;
    CDirSyncStatus& operator=(const CDirSyncStatus&) = delete;

    // Destroys every record.
    void Clear();
    // Clear(), then the two folders, each its own root. The Reachable flags are kept.
    void SetPaths(const QString& project, const QString& target);
    // The root folders of the pair that the two folders lie in (a node's
    // top-level project folders): no link below a root is followed on the
    // way to a folder. Empty: the folder is its own root.
    void SetRoots(const QString& projectRoot, const QString& targetRoot);
    // The folder of `side` (0 project, 1 target).
    QString GetFolder(int side) const;
    // The full path of `record` (one of this table's) on the project side when
    // the file exists there, else on the target side.
    QString PathOf(const CFileSyncStatus& record) const;

    // The record that holds `name` on either side; else the one record whose
    // name differs from it only in letter case; else (none or several) null.
    CFileSyncStatus* FindRecord(const QString& name) const;
    // Records the enumerator's current entry on `side`: in the record that
    // holds exactly that name on the other side alone, else in a record of
    // its own. Names that differ only in case pair up in FinishScan.
    void AddFound(int side, const CFileFind& finder);
    // Makes room for `files` records before a series of AddFound (a side's
    // file count where it is known): the table then grows once.
    void ExpectFound(qsizetype files);
    // Ends a series of AddFound: pairs each name left on one side with its
    // single case variant left on the other (see PairNames), then gives back
    // the room that adding records left spare and the lookup index.
    void FinishScan();
    // Whether the folder of `side` exists as a directory (tested afresh).
    bool IsFolderReachable(int side) const;
    // Empties the table, then records every file (not directory) directly in the
    // project folder and then in the target folder; sets Reachable. Always true.
    bool ScanFiles();
    // The aggregated state of the pair's files (1, 3, 4, 5, 6, 8 or 9); with
    // `scan` set the table is rescanned. Files that `filters` exclude under
    // `selection` (names of its entries) do not count.
    SyncState ComputeFolderState(bool scan, const FilterSet& filters, const QStringList& selection);
    // The aggregated state of the records as they are (no existence test, no scan).
    SyncState AggregateRecords(const FilterSet& filters, const QStringList& selection) const;

    // Whether the records are what ScanFiles would record now: every file of
    // both folders, from one enumeration of each. ScanFiles sets it; a node's
    // rescan, which may leave files out, sets it with MarkAllFilesRecorded when
    // it kept every file of both folders. Clear and SetPaths reset it.
    bool HoldsAllFiles() const { return m_holdsAllFiles; }
    // Marks the records as every file of both folders, where `enumerated[side]`
    // tells whether that side's folder was enumerated (could be opened).
    void MarkAllFilesRecorded(const bool enumerated[2]);
    // Whether records that hold all files still stand for a scan now, as far
    // as the folders tell without being read again: each folder is there
    // exactly where it was enumerated, and its modification time is the one
    // it had when it was read, and was not so recent then that a change in
    // the same tick of the clock could hide. Adding, removing or renaming a
    // file changes its folder's time; rewriting a file in place does not,
    // so records taken this way can miss such a change (a refresh reads
    // everything afresh). Opens each folder, reads none.
    bool RecordsStillCurrent() const;
    // As ComputeFolderState(true, filters, selection), except that records
    // that hold all files of both folders are taken as they are instead of
    // testing the folders' existence and scanning them again. Only for a
    // caller that has just filled the table (the command-line tree prints
    // every state right after the document's rescan): each folder is then
    // enumerated once, not twice.
    SyncState ComputeRecordedFolderState(const FilterSet& filters, const QStringList& selection);

    // Result of the last reachability test of each folder made by ScanFiles.
    bool Reachable[2] = {false, false};

    // Whether the folder of `side` was there but could not be read completely
    // by the last ScanFiles or node rescan (permission denied, an I/O error):
    // its records then miss files, and nothing may be deleted on the other
    // side for their absence. Clear and SetPaths reset it.
    bool IsReadIncomplete(int side) const { return m_readIncomplete[side]; }
    bool IsReadIncomplete() const { return m_readIncomplete[0] || m_readIncomplete[1]; }
    // Records the outcome of an enumeration of `side` that `finder` made
    // (opened or not), for IsReadIncomplete.
    void NoteEnumeration(int side, const CFileFind& finder, bool opened);

    qsizetype Count() const { return static_cast<qsizetype>(m_store.size()); }
    bool IsEmpty() const { return m_store.empty(); }
    // Every record, sorted by name with letter case ignored (ties: exact name).
    std::vector<CFileSyncStatus*> SortedRecords();
    std::vector<const CFileSyncStatus*> SortedRecords() const;

    using iterator = Store::iterator;
    using const_iterator = Store::const_iterator;
    iterator begin() { return m_store.begin(); }
    iterator end() { return m_store.end(); }
    const_iterator begin() const { return m_store.begin(); }
    const_iterator end() const { return m_store.end(); }

private:
    struct Slot
    {
        quint32 hash = 0; // hash of the record's key
        quint32 number = 0; // 1 + the record's position in m_store; 0: empty slot
    };
    void GrowIndex();
    void PairCaseVariants();
    // Gives back the room that adding records left spare, and the index until
    // the next lookup needs it.
    void Compact();
    // Builds the index of the records anew (after Compact let it go).
    void RebuildIndex() const;
    // SyncSame when both folders are reachable, else the state of their existence.
    SyncState ExistenceState() const;

    QString m_folder[2];
    QString m_root[2];
    Store m_store; // the records, in the order found
    // Size a power of two, at most 3/4 full; empty after Compact until the next lookup.
    mutable std::vector<Slot> m_index;
    bool m_holdsAllFiles = false;
    bool m_enumerated[2] = {false, false}; // with m_holdsAllFiles: the sides whose folder was enumerated
    bool m_readIncomplete[2] = {false, false};
    qint64 m_folderTime[2] = {0, 0}; // each enumerated folder's time when it was opened
    qint64 m_scannedAt = 0; // when the records were emptied for the last scan (ns since 1970)
    // Set by AddFound when a one-sided record met a case variant one-sided on the other side.
    bool m_variantsToPair = false;
};
