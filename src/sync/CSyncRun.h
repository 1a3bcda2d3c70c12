#pragma once

#include "sync/CFileOperation.h"
#include "sync/SyncDirection.h"

#include <QString>
#include <QStringList>
#include <functional>

class CAppOptionSync;
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

// How a run ended.
enum class SyncOutcome {
    Executed, // the file operations ran (see their results for failures)
    NothingToDo, // the lists were empty
    PreviewStopped, // the preview was left without executing
    Declined, // the trash question was answered No: nothing changed
    LogFailed, // the log could not be opened: nothing changed
    FolderFailed, // a destination folder could not be created: deletions done, no copies
};

struct SyncRunResult
{
    SyncOutcome outcome = SyncOutcome::NothingToDo;
    // Display names of the top-level projects that an unattended run left out
    // because their source folder could not be reached.
    QStringList skippedProjects;
    FileOpResult deletions;
    FileOpResult copies;
    QString logPath;
    // The message shown for LogFailed and FolderFailed, and a log write failure.
    QString message;
    QString logWriteError;

    // Whether any action failed (a file operation item or the log).
    bool AnyFailed() const;
    // Whether the user stopped something (No, Cancel).
    bool AnyStopped() const;
};

// The text of the message that a run with nothing to do shows.
QString NothingToDoText();

// A synchronisation run on a document, in two phases. Collection walks the
// start node (the root: every project) and, with option bit 0, its subfolder
// nodes, scans each folder pair afresh and fills the document's three lists;
// the options of the run govern every visited node, the filter selection is
// each node's own. Execution then deletes, creates folders when asked,
// copies, and writes one log line per action. Every question and message
// goes through the prompt interface; in auto-sync mode none is shown and the
// file operations run silently.
//
// An unattended run (auto-sync mode, the command-line tool) leaves out a
// top-level project whose source folder cannot be reached: an unmounted disk
// looks exactly like a deleted folder, and the run must not empty the
// destination for it.
class CSyncRun
{
public:
    explicit CSyncRun(CMyDoc& document);

    void SetPreviewHook(SyncPreviewHook hook) { m_previewHook = std::move(hook); }
    void SetObserver(IFileOperationObserver* observer) { m_observer = observer; }
    void SetUnattended(bool unattended) { m_unattended = unattended; }
    // For a run right after the document was opened (and so rescanned), as
    // the command-line tool runs: a node's records from that rescan stand for
    // the fresh scan of its folder pair when they hold every file of both
    // folders, so that each folder is enumerated once, not twice. The lists
    // are the same as with fresh scans, as long as nothing changed the folders
    // in between. The window's runs always scan afresh.
    void SetUseRescannedRecords(bool use) { m_useRescannedRecords = use; }

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

    // What the document's own Synchronize uses: the window installs its
    // preview list and its progress display here (not owned).
    static void SetDefaultPreviewHook(SyncPreviewHook hook);
    static void SetDefaultObserver(IFileOperationObserver* observer);
    static SyncPreviewHook DefaultPreviewHook();
    static IFileOperationObserver* DefaultObserver();
    // The result of the last run started through the document.
    static const SyncRunResult& LastResult();
    static void SetLastResult(const SyncRunResult& result);

private:
    void Clear();
    void CollectTree(CSyncProject* start, bool selectionMode, const QStringList* selection);
    // One node; false when its subfolder nodes are not to be visited.
    bool CollectNode(CSyncProject& node, bool selectionMode, const QStringList* selection);
    bool IsSkippedProject(const CSyncProject& node);
    bool Execute();
    SyncLists Lists() const;
    void SetLists(const SyncLists& lists);

    CMyDoc& m_doc;
    SyncPreviewHook m_previewHook;
    IFileOperationObserver* m_observer = nullptr;
    bool m_unattended = false;
    bool m_useRescannedRecords = false;
    quint32 m_flags = 0;
    QString m_logPath;
    SyncDirection m_direction = SyncDirection::Export;
    CPairRoots m_roots; // the root folders of the visited nodes' pairs
    SyncRunResult m_result;
};
