#pragma once

#include "engine/CFileSyncStatus.h"
#include "engine/SyncState.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class CFileFind;

// The file table of one folder pair: one record per file name found directly
// in the project folder or the target folder (never subfolders, never
// directories), keyed by MakeKey(name). The table owns its records; a record
// stays at the same address until Clear, SetPaths, ScanFiles or destruction.
//
// Iteration: `for (CFileSyncStatus& record : table)` (or const) visits every
// record in the table's own (hash) order; SortedRecords() gives them sorted by
// name, letter case ignored, for display.
class CDirSyncStatus
{
    using Map = QHash<QString, std::unique_ptr<CFileSyncStatus>>;

public:
    CDirSyncStatus();
    CDirSyncStatus(const QString& project, const QString& target);
    ~CDirSyncStatus();
    CDirSyncStatus(const CDirSyncStatus&) = delete;
    CDirSyncStatus& operator=(const CDirSyncStatus&) = delete;

    // Destroys every record.
    void Clear();
    // Clear(), then the two folders. The Reachable flags are kept.
    void SetPaths(const QString& project, const QString& target);
    // The folder of `side` (0 project, 1 target).
    QString GetFolder(int side) const;

    // The record whose key equals MakeKey(name), or null.
    CFileSyncStatus* FindRecord(const QString& name) const;
    // Records the enumerator's current entry on `side`, creating its record when needed.
    void AddFound(int side, const CFileFind& finder);
    // Whether the folder of `side` exists as a directory (tested afresh).
    bool IsFolderReachable(int side) const;
    // Empties the table, then records every file (not directory) directly in the
    // project folder and then in the target folder; sets Reachable. Always true.
    bool ScanFiles();
    // The aggregated state of the pair's files (1, 3, 4, 5, 6, 8 or 9); with
    // `scan` set the table is rescanned. Files excluded by the global filter set
    // under `selection` do not count.
    SyncState ComputeFolderState(bool scan, const QStringList& selection);

    // Result of the last reachability test of each folder made by ScanFiles.
    bool Reachable[2] = {false, false};

    qsizetype Count() const { return m_records.size(); }
    bool IsEmpty() const { return m_records.isEmpty(); }
    // Every record, sorted by name with letter case ignored (ties: exact name).
    std::vector<CFileSyncStatus*> SortedRecords() const;

    template <typename Value, typename Base> class Iterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = CFileSyncStatus;
        using difference_type = std::ptrdiff_t;
        using pointer = Value*;
        using reference = Value&;

        Iterator() = default;
        explicit Iterator(Base it) : m_it(it) { }
        reference operator*() const { return *m_it.value(); }
        pointer operator->() const { return m_it.value().get(); }
        Iterator& operator++()
        {
            ++m_it;
            return *this;
        }
        Iterator operator++(int)
        {
            Iterator old = *this;
            ++m_it;
            return old;
        }
        bool operator==(const Iterator& other) const { return m_it == other.m_it; }
        bool operator!=(const Iterator& other) const { return m_it != other.m_it; }

    private:
        Base m_it;
    };
    using iterator = Iterator<CFileSyncStatus, Map::const_iterator>;
    using const_iterator = Iterator<const CFileSyncStatus, Map::const_iterator>;

    iterator begin() { return iterator(m_records.cbegin()); }
    iterator end() { return iterator(m_records.cend()); }
    const_iterator begin() const { return const_iterator(m_records.cbegin()); }
    const_iterator end() const { return const_iterator(m_records.cend()); }

private:
    QString m_folder[2];
    Map m_records;
};
