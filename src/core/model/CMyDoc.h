#pragma once

#include "core/model/CAppProject.h"
#include "core/model/DocumentLoad.h"
#include "core/platform/WholeFile.h"
#include "core/sync/CSyncRun.h"
#include "core/sync/SyncDirection.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

class CAppOptionSync;
class QIODevice;

// Update hints carried by CMyDoc::UpdateAllViews.
namespace UpdateHint {
constexpr int FirstDisplay = 0;
constexpr int ShowFiles = 1; // show the file states of a node
constexpr int NodeChanged = 2; // the current node changed
constexpr int RunDone = 3; // states changed by a run
constexpr int Refresh = 4;
constexpr int RescanAll = 5;
} // namespace UpdateHint

// The application's one document: the project tree, the common filter
// selection, the working lists of one synchronisation run and the preview
// flag, stored as a .snc file. The one object is reused for every new or
// opened file. Questions and messages go through the prompt interface.
class CMyDoc : public QObject
{
    Q_OBJECT

public:
    explicit CMyDoc(QObject* parent = nullptr);
    ~CMyDoc() override;

    CAppProject& GetRoot() { return m_root; }
    const CAppProject& GetRoot() const { return m_root; }

    // Names of the filter entries in force for every node without a selection of its own.
    const QStringList& GetCommonFilterSelection() const { return m_commonFilters; }
    void SetCommonFilterSelection(const QStringList& names) { m_commonFilters = names; }

    // The working lists of the current run (copy sources and destinations are index-aligned).
    const QStringList& GetCopySources() const { return m_copySources; }
    const QStringList& GetCopyDestinations() const { return m_copyDestinations; }
    const QStringList& GetDeletions() const { return m_deletions; }
    // While set, a collection run takes only the files whose names are in the list (not owned).
    const QStringList* GetFileSelection() const { return m_fileSelection; }
    void SetFileSelection(const QStringList* names) { m_fileSelection = names; }
    bool IsPreview() const { return m_preview; }
    void SetPreview(bool preview) { m_preview = preview; }

    // The preview list and the progress display of the runs and file
    // operations started through this document: the window that shows the
    // document installs them (see SyncHooks); by default there are none.
    void SetSyncHooks(SyncHooks hooks) { m_syncHooks = std::move(hooks); }
    const SyncHooks& GetSyncHooks() const { return m_syncHooks; }

    // Synchronisation runs (core/sync/CSyncRun.h) with the document's hooks:
    // `node` and, with option bit 0, its subfolder nodes (the root: every
    // project); or the files `names` of one folder. True when the run
    // executed; LastSyncResult() then tells what it did.
    bool Synchronize(CProject* node, const CAppOptionSync& options, SyncDirection direction);
    bool SynchronizeFiles(
        CSyncProject* node, const QStringList& names, const CAppOptionSync& options, SyncDirection direction);
    // The result of the last run started with Synchronize or SynchronizeFiles.
    const SyncRunResult& LastSyncResult() const { return m_lastSyncResult; }
    // Deletes files and folders: to the trash with
    // `recycle`, after the question for paths that are not on fixed disks
    // (No deletes nothing), else for good after the delete question. True
    // when every path was deleted.
    bool DeletePaths(const QStringList& paths, bool recycle);

    enum class ArchiveMode { Store, Load };
    // Store: the tree and the common selection; the stored nodes are no longer
    // changed once every byte was written. Load: into the emptied document,
    // appending the stored names to the common selection, then rescans the
    // whole tree. A damaged stream is refused (false, `error` says why) and
    // leaves the tree as it was.
    bool Serialize(QIODevice& device, ArchiveMode mode, QString* error = nullptr);

    // Destroys every project.
    void DeleteContents();
    // Asked before the document is closed or replaced: true to go on. Never
    // asks in auto-sync mode. Changed nodes mark the document modified; a
    // modified document asks whether to save it (Yes saves, Cancel stops).
    bool SaveModified();

    // An empty, untitled document with an empty common selection.
    bool OnNewDocument();
    // Empties the document, then reads `path` and rescans every project. Only
    // a regular file is read. A file that cannot be read or is damaged is
    // reported (naming the file) through the prompt and LastError(), and
    // leaves a new, empty document.
    bool OnOpenDocument(const QString& path);
    // As OnOpenDocument without waiting (the window): the document is emptied
    // at once (and named `path` once it was read); the file is read and its
    // projects rescanned on a worker thread. The tree fills folder by folder:
    // each node joins it under its parent as soon as its own rescan is done
    // (FolderLoaded), its children later, so no node the window can reach is
    // ever half-built; a node may still be waiting for its children
    // (ChildrenToCome). LoadFinished tells the end; a file that cannot be read
    // or is damaged is then reported as by OnOpenDocument and leaves a new,
    // empty document. Until then IsLoading is true, and nothing may change
    // the tree, the common selection or the global filters and options.
    void BeginOpenDocument(const QString& path);
    // Rescans every project on a worker thread, through the same path as an
    // opening: the projects leave the tree (ContentsDeleting, then
    // LoadingChanged(true)) and come back folder by folder (FolderLoaded),
    // LoadFinished(true) tells the end. The document keeps its name and its
    // modified state. Does nothing while a document is being opened or
    // rescanned (that rescan reads the folders afresh anyway). A rescan of
    // one node under way gives way to it (this one reads it too).
    void BeginRescan();
    // Rescans the subtree of `node` (a node of the tree) on the same worker:
    // the node leaves the tree (ProjectLeaving(node), then LoadingChanged(true))
    // and comes back folder by folder (FolderLoaded, then LoadFinished(true)).
    // The rest of the tree, its ancestors included, stays and is not touched.
    void BeginRescan(CSyncProject& node);
    // Scans the new `project` (not yet in the tree) on the worker; it joins
    // the tree as a rescanned one does (FolderLoaded, then LoadFinished(true)).
    // Returns it, to be told apart when it arrives (not to be read before).
    CSyncProject* BeginAddProject(std::unique_ptr<CSyncProject> project);
    // Whether `node` joined the tree during the load under way without the
    // children that the worker is still rescanning.
    bool ChildrenToCome(const CProject* node) const { return m_childrenToCome.contains(node); }
    // An opening or a rescan is under way.
    bool IsLoading() const;
    // A rescan started by BeginRescan is under way.
    bool IsRescanning() const;
    // How far the rescan of the document being opened or rescanned got.
    qint64 LoadedFolders() const;
    qint64 LoadedFiles() const;
    // Stops the opening under way (the worker ends between two folders and
    // is waited for); the document becomes a new, empty one. Also done by
    // every other open, new document, and the destructor. A rescan stops the
    // same way, but the document keeps its projects, rescanned in part: fit
    // to be stored or destroyed, so the views are not shown them.
    void CancelLoading();
    // Waits for the opening or rescan under way to end (for a caller that
    // cannot go on without the tree); false when an opening failed.
    bool WaitForLoading();
    // Stores the document at `path`: written completely beside it, then put in
    // its place, so a failed save leaves the old file as it was. The file is
    // locked against other writers meanwhile (see LockFile). When the file at
    // the document's own path changed on disk since it was opened or last
    // saved, the user is asked first; No saves nothing (false, no message).
    bool OnSaveDocument(const QString& path);
    // Saves under the current path, or under a path asked for first.
    bool DoFileSave();

    QString GetPathName() const { return m_pathName; }
    // The file name of the path, or "無題" for a new document.
    QString GetTitle() const;
    bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified = true);

    // Auto-sync mode (set from the command line): closing never asks to save.
    void SetAutoSyncMode(bool on) { m_autoSyncMode = on; }
    bool IsAutoSyncMode() const { return m_autoSyncMode; }

    // Asks for the path of a document that has none yet (the window shows a
    // file dialog); an empty answer cancels. Without a chooser such a save fails.
    using PathChooser = std::function<QString(const QString& title)>;
    void SetSavePathChooser(PathChooser chooser) { m_pathChooser = std::move(chooser); }

    // The text of the last failed open or save.
    const QString& LastError() const { return m_lastError; }

    // Keeps other processes that change documents (the command-line tool,
    // another window) from writing the file at `path` until UnlockFile or the
    // document's destruction, waiting while one of them holds it: a verb that
    // opens, changes and saves a document holds it throughout, so that two at
    // once each keep their change. A failure is reported like a failed open.
    bool LockFile(const QString& path);
    void UnlockFile() { m_lock.Unlock(); }

    // Whether `path` can be read as a document file; else `error` says why,
    // naming the file (the texts of OnOpenDocument).
    static bool CanReadFile(const QString& path, QString* error);

Q_SIGNALS:
    void UpdateAllViews(int hint, CProject* node);
    void PathNameChanged(const QString& path);
    void ModifiedChanged(bool modified);
    // Every project is about to be destroyed: views drop what points into the tree.
    void ContentsDeleting();
    // `project` (a project or a folder below one) is about to leave the tree
    // for a rescan of its own: views drop what points into its subtree.
    void ProjectLeaving(CSyncProject* project);
    // `node` joined the tree during a load, rescanned, under its parent: its
    // records and its settings are final; its children join after it.
    void FolderLoaded(CSyncProject* node);
    void LoadingChanged(bool loading);
    // The opening started by BeginOpenDocument ended: `ok` when it was read
    // and rescanned, false when it failed (not sent when it was cancelled).
    // Also sent (true) when a rescan started by BeginRescan has ended.
    void LoadFinished(bool ok);

private:
    // Frees the projects on a thread of their own (see m_freeing).
    void FreeProjects(CProject::ChildMap projects);
    friend class CSyncRun; // fills the working lists
    void SetPathName(const QString& path);
    void Fail(const QString& text);
    // Whether the file at `path` may be replaced: it is the file this document
    // last read or wrote, or the user says so.
    bool MayOverwrite(const QString& path) const;
    // Reads the tree and the common selection without rescanning (Serialize's load without its rescan).
    bool LoadWithoutRescan(QIODevice& device, QString* error);
    // Asks whether to save a modified document: true to go on.
    bool AskSaveModified();
    // Takes what the worker of the opening under way has finished.
    void TakeLoaded();
    // The wake-up of a load's worker: a queued call of TakeLoaded.
    std::function<void()> LoadWake();
    // Stops a rescan under way and puts every project back into the tree.
    void StopRescan();
    // Hands `subtrees` (detached from the tree or new) to the worker; see
    // CDocumentLoad. `node`: the one node rescanned, null for every project.
    void StartRescan(std::vector<CDocumentLoad::Subtree> subtrees, CSyncProject* node);
    // Lets a load under way end first (a rescan of one project starts only
    // when none is under way; the window's commands wait for it anyway).
    void FinishLoading();
    // Puts `nodes` into the tree under their parents, as nodes of this document.
    std::vector<CSyncProject*> Adopt(CDocumentLoad::Nodes& nodes);

    CAppProject m_root;
    QStringList m_copySources;
    QStringList m_copyDestinations;
    QStringList m_deletions;
    const QStringList* m_fileSelection = nullptr;
    QStringList m_commonFilters;
    bool m_preview = false;
    SyncHooks m_syncHooks;
    SyncRunResult m_lastSyncResult;

    QString m_pathName;
    bool m_modified = false;
    bool m_autoSyncMode = false;
    PathChooser m_pathChooser;
    QString m_lastError;
    FileStamp m_stamp; // the file at m_pathName as this document last read or wrote it
    CFileLock m_lock;
    std::unique_ptr<CDocumentLoad> m_load; // the opening or rescan under way
    quint64 m_loadSerial = 0; // counts the loads started and stopped
    CSyncProject* m_rescanNode = nullptr; // the node the rescan under way reads below; null: every project
    QSet<const CProject*> m_childrenToCome; // see ChildrenToCome
    // Frees the projects of the contents last deleted: a tree of a million
    // files takes a noticeable time to free, which the window does not wait for.
    std::thread m_freeing;
};
