#pragma once

#include "core/settings/CAppOptionSync.h"
#include "core/sync/CFileOperation.h"
#include "core/sync/PlanStamps.h"
#include "core/sync/RunRecord.h"
#include "core/sync/SyncDirection.h"

#include <QString>
#include <QStringList>
#include <functional>

class CDirSyncStatus;
struct RescanControl;
class CMyDoc;
class CProject;
class CSyncProject;

// The three working lists of a run: copy sources and destinations
// (index-aligned) and deletions.
struct SyncLists
{
    QStringList copySources;
    QStringList copyDestinations;
    QStringList deletions;

    bool IsEmpty() const { return copySources.isEmpty() && deletions.isEmpty(); }
};

// Shows the planned actions before a run executes. The hook may remove
// actions from `lists`; it returns true to execute what is left, false to
// stop the run (the user went back).
using SyncPreviewHook = std::function<bool(SyncLists& lists)>;

// Runs the walk of a collection, which may read many folders: `walk` touches
// no widget and nothing but the tree, which must not change meanwhile, and
// counts the folders and files it reads in `control`. Returns true when the
// walk ran to its end, false when it was stopped through `control` (the user
// cancelled). The window runs it on a worker thread with a progress dialog.
using SyncCollectRunner = std::function<bool(const std::function<void()>& walk, RescanControl& control)>;

// What a window adds to the runs and file operations started through its
// document: the preview list, the progress display (not owned) and the
// runner of the collection. Without them a run executes without a preview, its
// collection and its operations run right where they are started.
struct SyncHooks
{
    SyncPreviewHook preview;
    IFileOperationObserver* observer = nullptr;
    SyncCollectRunner collect = {};
};

// How a run ended.
enum class SyncOutcome {
    Executed, // the file operations ran (see their results for failures)
    NothingToDo, // the lists were empty
    PreviewStopped, // the preview was left without executing
    Declined, // the trash question was answered No: nothing changed
    LogFailed, // the log could not be opened: nothing changed
    FolderFailed, // a destination folder could not be created: deletions done, no copies
    FiltersUnread, // filter entries the run needs could not be read from the profile: nothing changed
};

struct SyncRunResult
{
    SyncOutcome outcome = SyncOutcome::NothingToDo;
    // Display names of the projects that the run left out: a folder not set
    // (empty or relative), folders that overlap, or, in an unattended run, a
    // source folder that cannot be reached or looks unmounted.
    QStringList skippedProjects;
    // Whether a project was left out for its source folder alone (what the
    // command line's --allow-missing-source lets through).
    bool skippedForSource = false;
    // The folders that could not be read completely: nothing was deleted on
    // the other side of them, nor below them.
    QStringList unreadFolders;
    // One text for each project left out and each folder not read
    // completely, in the order met: the run's own errors, which the window
    // and the command line report besides those of the file operations.
    QStringList problems;
    FileOpResult deletions;
    FileOpResult copies;
    QString logPath;
    // The message shown for LogFailed and FolderFailed, and a log write failure.
    QString message;
    QString logWriteError;
    // The id of the run's record (RunRecord.h), empty when none was written.
    QString recordId;

    // Whether any action failed (a file operation item or the log), or the
    // run left something out (see problems).
    bool AnyFailed() const;
    // Whether the user stopped something (No, Cancel).
    bool AnyStopped() const;
};

// The text of the message that a run with nothing to do shows.
QString NothingToDoText();

// The texts of the run's own errors (SyncRunResult::problems).
namespace SyncRunText {
// `side` 0: the project folder, 1: the target folder, is empty or not an absolute path.
QString FolderNotSet(const QString& project, int side);
QString FoldersOverlap(const QString& project);
QString SourceMissing(const QString& project, const QString& folder);
QString SourceLooksUnmounted(const QString& project, const QString& source, const QString& destination);
// A source folder not read completely; `destination` is its counterpart.
QString SourceUnread(const QString& folder, const QString& destination);
QString DestinationUnread(const QString& folder);
} // namespace SyncRunText

// A synchronisation run on a document, in two phases. Collection walks the
// start node (the root: every project) and, with option bit 0, its subfolder
// nodes, scans each folder pair afresh and fills the document's three lists;
// the options of the run govern every visited node, the filter selection is
// each node's own. Execution then deletes, creates folders when asked,
// copies, and writes one log line per action. Every question and message
// goes through the prompt interface; in auto-sync mode none is shown and the
// file operations run silently.
//
// Nothing is ever resolved against the working directory and nothing is
// deleted on half-knowledge:
// - A project whose folder is not set (empty, relative) or whose folders
//   overlap (one is the other or lies inside it) is left out of every run.
// - A folder that could not be read completely (permission denied, an I/O
//   error) gives no deletions on the other side, neither there nor below it;
//   copies of what could be read go on, but never onto a file that the
//   destination's incomplete listing did not show.
// - An unattended run (auto-sync mode, the command-line tool) also leaves out
//   a top-level project whose source folder cannot be reached, or is empty
//   while the destination holds entries: an unmounted disk (or the empty
//   mount point it leaves) looks exactly like a deleted or emptied folder,
//   and the run must not empty the destination for it. An interactive run
//   shows such deletions in its preview and questions instead.
// Each of these is reported in the result's problems, which an interactive
// run started with Synchronize or SynchronizeFiles shows through the prompt
// at its end; the caller of an unattended run reports them, without a box
// that would wait for someone to close it.
class CSyncRun
{
public:
    // A run without hooks until it is given some (the document's own
    // Synchronize passes those installed on the document).
    explicit CSyncRun(CMyDoc& document);

    void SetPreviewHook(SyncPreviewHook hook) { m_previewHook = std::move(hook); }
    void SetObserver(IFileOperationObserver* observer) { m_observer = observer; }
    void SetHooks(const SyncHooks& hooks)
    {
        m_previewHook = hooks.preview;
        m_collectRunner = hooks.collect;
        m_observer = hooks.observer;
    }
    void SetUnattended(bool unattended) { m_unattended = unattended; }
    // Whether an interactive run shows its problems through the prompt (the
    // command-line tool prints them itself).
    void SetShowProblems(bool show) { m_showProblems = show; }
    // For a run right after the document was opened (and so rescanned), as
    // the command-line tool runs: a node's records from that rescan stand for
    // the fresh scan of its folder pair when they hold every file of both
    // folders, so that each folder is enumerated once, not twice. The lists
    // are the same as with fresh scans, as long as nothing changed the folders
    // in between.
    void SetUseRescannedRecords(bool use) { m_useRescannedRecords = use; }
    // Whether a file that a copy replaces goes to the trash first (by
    // default the global setting, CAppOptionSync::TrashReplaced).
    void SetTrashReplaced(bool on) { m_trashReplaced = on; }
    // For a run at any later time (the window's): a node's records from the
    // last rescan stand for the fresh scan of its pair when they hold every
    // file of both folders and neither folder changed since, as their times
    // tell (CDirSyncStatus::RecordsStillCurrent); the others are read afresh.
    void SetUseUnchangedRecords(bool use) { m_useUnchangedRecords = use; }
    void SetCollectRunner(SyncCollectRunner runner) { m_collectRunner = std::move(runner); }
    // Folder pairs the last collection read afresh, and those it took from the records.
    int FoldersScanned() const { return m_foldersScanned; }
    int FoldersFromRecords() const { return m_foldersFromRecords; }

    // The whole run of a node (or of the root). True when it executed.
    bool Synchronize(CProject* node, const CAppOptionSync& options, SyncDirection direction);
    // The run of the files `names` of one folder (no subfolders, no preview).
    bool SynchronizeFiles(
        CSyncProject* node, const QStringList& names, const CAppOptionSync& options, SyncDirection direction);
    // Only the collection of Synchronize (of SynchronizeFiles): the document's
    // lists are filled, nothing is changed.
    void Collect(CProject* node, const CAppOptionSync& options, SyncDirection direction);
    void CollectFiles(
        CSyncProject* node, const QStringList& names, const CAppOptionSync& options, SyncDirection direction);

    const SyncRunResult& Result() const { return m_result; }

private:
    void Clear();
    void Begin(const CAppOptionSync& options, SyncDirection direction);
    // The walk of Collect (no questions: it may run on another thread).
    void CollectStart(CProject* node);
    // Runs `walk` through the collect runner; false when it was cancelled
    // (the lists are then emptied).
    bool RunWalk(const std::function<void()>& walk);
    // The records of `node` when they stand for a fresh scan, else null.
    const CDirSyncStatus* UsableRecords(const CSyncProject& node) const;
    void CollectTree(CSyncProject* start, bool selectionMode, const QStringList* selection);
    // One node; false when its subfolder nodes are not to be visited.
    // `noDeletions` comes in set when a folder above could not be read, and
    // leaves set for the subfolders when this one could not either.
    bool CollectNode(CSyncProject& node, bool selectionMode, const QStringList* selection, bool& noDeletions);
    // The copies and deletions of the files of one folder pair (deletions only when `mayDelete`).
    void CollectFileActions(const CSyncProject& node, const CDirSyncStatus& table, bool selectionMode,
        const QStringList* selection, bool mayDelete);
    // Whether the top-level `project` is left out of this run (reported).
    bool IsSkippedProject(const CSyncProject& project);
    void Skip(const CSyncProject& project, const QString& why);
    void NoteUnreadFolders(const CDirSyncStatus& table, int source);
    bool ExecuteWithPreview();
    bool Execute();
    void ReportProblems();
    // Each item is checked against what the plan saw right before it runs.
    // `destinations`: those of the copies from `paths`; null when `paths` are deletions.
    void CheckAgainstPlan(
        CFileOperation& operation, const QStringList& paths, const QStringList* destinations = nullptr);
    // Keeps what the run did in its record (RunRecord.h).
    void WriteRecord(const QDateTime& runStart);
    SyncLists Lists() const;
    void SetLists(const SyncLists& lists);

    CMyDoc& m_doc;
    SyncPreviewHook m_previewHook;
    IFileOperationObserver* m_observer = nullptr;
    bool m_unattended = false;
    bool m_showProblems = true;
    bool m_useRescannedRecords = false;
    bool m_useUnchangedRecords = false;
    SyncCollectRunner m_collectRunner;
    RescanControl* m_control = nullptr; // of the walk under way
    bool m_collectCancelled = false;
    int m_foldersScanned = 0;
    int m_foldersFromRecords = 0;
    SyncFlags m_flags;
    QString m_logPath;
    SyncDirection m_direction = SyncDirection::Export;
    CPairRoots m_roots; // the root folders of the visited nodes' pairs
    QStringList m_rootList; // the same, as named
    CPlanStamps m_planned;
    bool m_trashReplaced = true;
    CProject* m_node = nullptr;
    SyncRunResult m_result;
};
