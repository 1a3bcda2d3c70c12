#pragma once

#include "core/engine/CDirSyncStatus.h"
#include "core/engine/SyncState.h"
#include "core/model/CProject.h"
#include "core/settings/CAppOptionSync.h"

#include <QStringList>

class CFolderReadAhead;

// A project (a child of the root) or one of its subfolders: a pair of a
// project folder and a target folder, with its switches and, optionally, its
// own filter selection and sync options. Subfolder nodes mirror the
// directories that a rescan finds on either side.
class CSyncProject : public CProject
{
public:
    // Class name and schema in the document archive.
    static constexpr char kClassName[] = "CSyncProject";
    static constexpr quint16 kSchema = 1;

    CSyncProject() = default; // without a parent, as the archive creates it
    explicit CSyncProject(CProject* parent);

    // Rescans this node: its file records and its subfolder nodes (created for
    // directories found on either side, removed when found on neither). With
    // `recursive` set, every descendant is rescanned after it and the result is
    // true; otherwise the result is false.
    bool Refresh(bool recursive) override;
    // Refresh(true) counting in `control` and stopping when it says so; false
    // when it stopped (the subtree is then only fit to be destroyed).
    bool RefreshSubtree(RescanControl* control);
    // The rescan of this node alone (its records and which subfolder nodes it
    // has, not what lies below them) with `roots` as the root folders of its
    // pair: for a walk that knows them already, or a node held apart from the
    // ancestors they come from.
    void RescanAlone(const QString (&roots)[2]);
    // Queues in `readAhead` the folders that RescanAlone(roots) opens, in the
    // order it opens them.
    void QueueFolders(CFolderReadAhead& readAhead, const QString (&roots)[2]) const;
    // The custom name, or the last component of the project folder path.
    QString GetDisplayName() const override;
    QString GetKey() const override;
    // Whether this node or any node below it is changed.
    bool IsChanged() const override;
    void SetChanged(bool changed) override;

    // The folder of `side` (0 project folder, 1 target folder).
    QString GetFolder(int side) const { return m_status.GetFolder(side); }
    // Destroys every child, then sets both folders (which empties the file records).
    bool SetFolders(const QString& project, const QString& target);

    NodeFlags GetFlags() const { return m_flags; }
    // Replaces every bit at once (reading a document, tests); Changed is not set.
    void SetFlags(NodeFlags flags) { m_flags = flags; }
    bool HasFlag(NodeFlags flags) const { return m_flags.testAnyFlags(flags); }
    bool IsNoSync() const { return HasFlag(NodeFlag::NoSync); }
    bool IsNoSubfolderSearch() const { return HasFlag(NodeFlag::NoSubfolderSearch); }
    // Set or clear the switch; when it changes, the node is marked changed.
    void SetNoSync(bool on);
    void SetNoSubfolderSearch(bool on);
    // Set or clear the switch without marking the node changed (the property sheet).
    void SetNoSubfolderSearchBit(bool on);

    const QStringList& GetOwnFilterSelection() const { return m_ownFilters; }
    void SetOwnFilterSelection(const QStringList& names) { m_ownFilters = names; }
    const CAppOptionSync& GetOwnSyncOptions() const { return m_ownOptions; }
    CAppOptionSync& OwnSyncOptions() { return m_ownOptions; }

    // The own sync options when OwnSyncOptions is set, else the global ones.
    const CAppOptionSync& GetEffectiveSyncOptions() const;
    // The own filter selection when OwnFilter is set, else the document's common one.
    QStringList GetEffectiveFilterSelection() const;
    // Whether the global filter set excludes `name` under the effective selection.
    bool IsExcludedByFilter(const QString& name) const;
    // The folder's aggregated state; with `scan` set its files are scanned afresh.
    SyncState GetFolderState(bool scan);
    // As GetFolderState(true) for a caller that has just rescanned the node:
    // the files recorded by that rescan are used when it kept every file of
    // both folders (no NoSync, no hidden file left out), so that the folders
    // are not enumerated a second time.
    SyncState GetRescannedFolderState();

    // OwnFilter becomes !useCommon; the own selection becomes `selection` (or
    // empty with the common setting); with `subtree`, every descendant too.
    void ApplyFilterSetting(bool useCommon, const QStringList& selection, bool subtree);
    // OwnSyncOptions becomes !useCommon; with the own setting the flags of
    // `options` are copied into the own options; with `subtree`, every descendant too.
    void ApplySyncOptions(bool useCommon, const CAppOptionSync& options, bool subtree);

    CDirSyncStatus& FolderStatus() { return m_status; }
    const CDirSyncStatus& FolderStatus() const { return m_status; }

private:
    friend class CProject; // walks the tree and rescans each node without recursion
    // The rescan of this node alone, in its place in the tree.
    void Rescan();
    // Creates, keeps and marks the subfolder nodes for the folders `found` on each side.
    void UpdateSubfolders(const QStringList (&found)[2]);
    void FollowSpelling(int side, const QString& parentFolder, const QString& name);
    void ApplyFilterSettingHere(bool useCommon, const QStringList& selection);
    void ApplySyncOptionsHere(bool useCommon, const CAppOptionSync& options);

    NodeFlags m_flags;
    QStringList m_ownFilters;
    CAppOptionSync m_ownOptions;
    CDirSyncStatus m_status;
};
