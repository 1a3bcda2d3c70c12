#include "sync/CSyncRun.h"

#include "engine/CDirSyncStatus.h"
#include "model/CMyDoc.h"
#include "model/CSyncProject.h"
#include "model/PairRoots.h"
#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "shell/CAppOptionSync.h"
#include "sync/CSyncLog.h"

#include <mutex>
#include <vector>

namespace {

struct Defaults
{
    std::mutex mutex;
    SyncPreviewHook previewHook;
    IFileOperationObserver* observer = nullptr;
    SyncRunResult lastResult;
};

Defaults& GetDefaults()
{
    static Defaults defaults;
    return defaults;
}

bool AnyStatus(const FileOpResult& result, FileOpStatus status)
{
    return result.Count(status) > 0;
}

} // namespace

QString NothingToDoText()
{
    return QStringLiteral("更新対象となるファイルは存在しませんでした。");
}

bool SyncRunResult::AnyFailed() const
{
    return AnyStatus(deletions, FileOpStatus::Failed) || AnyStatus(copies, FileOpStatus::Failed)
        || !deletions.errors.isEmpty() || !copies.errors.isEmpty() || !logWriteError.isEmpty()
        || outcome == SyncOutcome::LogFailed || outcome == SyncOutcome::FolderFailed;
}

bool SyncRunResult::AnyStopped() const
{
    return outcome == SyncOutcome::PreviewStopped || outcome == SyncOutcome::Declined || deletions.cancelled
        || copies.cancelled || AnyStatus(deletions, FileOpStatus::Skipped) || AnyStatus(copies, FileOpStatus::Skipped);
}

// --- process-wide defaults -----------------------------------------------------------

void CSyncRun::SetDefaultPreviewHook(SyncPreviewHook hook)
{
    std::lock_guard lock(GetDefaults().mutex);
    GetDefaults().previewHook = std::move(hook);
}

void CSyncRun::SetDefaultObserver(IFileOperationObserver* observer)
{
    std::lock_guard lock(GetDefaults().mutex);
    GetDefaults().observer = observer;
}

SyncPreviewHook CSyncRun::DefaultPreviewHook()
{
    std::lock_guard lock(GetDefaults().mutex);
    return GetDefaults().previewHook;
}

IFileOperationObserver* CSyncRun::DefaultObserver()
{
    std::lock_guard lock(GetDefaults().mutex);
    return GetDefaults().observer;
}

const SyncRunResult& CSyncRun::LastResult()
{
    return GetDefaults().lastResult;
}

void CSyncRun::SetLastResult(const SyncRunResult& result)
{
    GetDefaults().lastResult = result;
}

// --- the run ------------------------------------------------------------------------------

CSyncRun::CSyncRun(CMyDoc& document)
    : m_doc(document),
      m_previewHook(DefaultPreviewHook()),
      m_observer(DefaultObserver()),
      m_unattended(document.IsAutoSyncMode())
{
}

SyncLists CSyncRun::Lists() const
{
    return {m_doc.m_copySources, m_doc.m_copyDestinations, m_doc.m_deletions};
}

void CSyncRun::SetLists(const SyncLists& lists)
{
    m_doc.m_copySources = lists.copySources;
    m_doc.m_copyDestinations = lists.copyDestinations;
    m_doc.m_deletions = lists.deletions;
}

void CSyncRun::Clear()
{
    m_doc.m_copySources.clear();
    m_doc.m_copyDestinations.clear();
    m_doc.m_deletions.clear();
    m_roots = CPairRoots();
    m_result = SyncRunResult();
}

bool CSyncRun::IsSkippedProject(const CSyncProject& project)
{
    const int source = m_direction == SyncDirection::Export ? 0 : 1;
    if (!m_unattended || TestFolderReachable(project.GetFolder(source)))
        return false;
    m_result.skippedProjects << project.GetDisplayName();
    return true;
}

bool CSyncRun::CollectNode(CSyncProject& node, bool selectionMode, const QStringList* selection)
{
    const bool exporting = m_direction == SyncDirection::Export;
    const int source = exporting ? 0 : 1;
    const int destination = 1 - source;
    const QString sourceFolder = node.GetFolder(source);
    const QString destinationFolder = node.GetFolder(destination);
    // Nothing below the pair's roots is followed, in the scan or in the run.
    const QString roots[2] = {RootFolderOf(node, 0), RootFolderOf(node, 1)};
    m_roots.Add(roots[0]);
    m_roots.Add(roots[1]);

    // A fresh scan of the pair; the node's own records only when they are
    // known to be one (see SetUseRescannedRecords).
    CDirSyncStatus fresh;
    const CDirSyncStatus* scanned = &node.FolderStatus();
    if (!m_useRescannedRecords || !scanned->HoldsAllFiles()) {
        fresh.SetPaths(node.GetFolder(0), node.GetFolder(1));
        fresh.SetRoots(roots[0], roots[1]);
        fresh.ScanFiles();
        scanned = &fresh;
    }
    const CDirSyncStatus& table = *scanned;
    const SyncState folderState = node.IsNoSync() ? SyncSame : node.GetFolderState(false);
    const SyncState destinationOnly = exporting ? SyncTargetOnly : SyncProjectOnly;
    const SyncState sourceOnly = exporting ? SyncProjectOnly : SyncTargetOnly;

    // A folder that exists on the destination side only goes as a whole;
    // nothing below it is visited.
    if ((m_flags & SyncFlag::DeleteFolders) && folderState == destinationOnly) {
        m_doc.m_deletions << destinationFolder;
        return false;
    }
    if ((m_flags & SyncFlag::CopyEmptyFolders) && node.ChildCount() == 0 && table.IsEmpty()
        && folderState == sourceOnly) {
        m_doc.m_copySources << sourceFolder;
        m_doc.m_copyDestinations << destinationFolder;
        return false;
    }

    if (!node.IsNoSync()) {
        int mode = int((m_flags & SyncFlag::TransferModeMask) >> SyncFlag::TransferModeShift);
        if (mode == 3)
            mode = TransferMode::UpdatedAndAdded;
        const bool deleteFiles = m_flags & SyncFlag::DeleteFiles;
        // Records in name order, so that the lists are the same in every run.
        for (const CFileSyncStatus* record : table.SortedRecords()) {
            const QString name = record->GetName();
            if (node.IsExcludedByFilter(name))
                continue;
            if (selectionMode && !(selection && selection->contains(name)))
                continue;
            const SyncState state = record->GetState();
            const SyncState sourceNewer = exporting ? SyncProjectNewer : SyncTargetNewer;
            bool copy = false;
            bool remove = false;
            if (state == sourceNewer)
                copy = mode != TransferMode::AddedOnly;
            else if (state == sourceOnly)
                copy = mode != TransferMode::UpdatedOnly;
            else if (state == destinationOnly)
                remove = deleteFiles;
            // Each side's path uses that side's own spelling of the name: on a
            // file system that tells letter case apart, the other spelling
            // would name a different file (or none).
            if (copy) {
                const QString sourceName = record->Entry[source].Name;
                const QString destinationName
                    = record->Exists[destination] ? record->Entry[destination].Name : sourceName;
                m_doc.m_copySources << JoinPath(sourceFolder, sourceName);
                m_doc.m_copyDestinations << JoinPath(destinationFolder, destinationName);
            } else if (remove) {
                m_doc.m_deletions << JoinPath(destinationFolder, record->Entry[destination].Name);
            }
        }
    }
    return true;
}

void CSyncRun::CollectTree(CSyncProject* start, bool selectionMode, const QStringList* selection)
{
    // Parents before children, siblings in key order, without recursion: a
    // tree read from a file can be very deep.
    CFolderCache folders;
    std::vector<CSyncProject*> pending{start};
    while (!pending.empty()) {
        CSyncProject* node = pending.back();
        pending.pop_back();
        if (!CollectNode(*node, selectionMode, selection))
            continue;
        if (selectionMode || !(m_flags & SyncFlag::Recursive))
            continue;
        const CProject::ChildMap& children = node->Children();
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            pending.push_back(it->second.get());
    }
}

void CSyncRun::Collect(CProject* node, const CAppOptionSync& options, SyncDirection direction)
{
    Clear();
    m_flags = options.Flags;
    m_logPath = options.LogFilePath;
    m_direction = direction;
    if (!node)
        return;
    auto* project = dynamic_cast<CSyncProject*>(node);
    if (!project) {
        // The root: every project, in the map's order.
        for (const auto& [key, child] : node->Children()) {
            if (!IsSkippedProject(*child))
                CollectTree(child.get(), false, nullptr);
        }
        return;
    }
    CSyncProject* top = project;
    while (auto* parent = dynamic_cast<CSyncProject*>(top->GetParent()))
        top = parent;
    if (!IsSkippedProject(*top))
        CollectTree(project, false, nullptr);
}

bool CSyncRun::Synchronize(CProject* node, const CAppOptionSync& options, SyncDirection direction)
{
    Collect(node, options, direction);
    bool previewShown = false;
    if (m_doc.IsPreview()) {
        SyncLists lists = Lists();
        if (!m_previewHook || !m_previewHook(lists)) {
            m_result.outcome = SyncOutcome::PreviewStopped;
            return false;
        }
        previewShown = true;
        SetLists(lists);
        m_doc.SetPreview(false);
    }
    if (previewShown && Lists().IsEmpty()) {
        // The user has seen the empty list: no further message.
        m_result.outcome = SyncOutcome::NothingToDo;
        return false;
    }
    return Execute();
}

void CSyncRun::CollectFiles(
    CSyncProject* node, const QStringList& names, const CAppOptionSync& options, SyncDirection direction)
{
    Clear();
    m_flags = options.Flags;
    m_logPath = options.LogFilePath;
    m_direction = direction;
    if (!node)
        return;
    CSyncProject* top = node;
    while (auto* parent = dynamic_cast<CSyncProject*>(top->GetParent()))
        top = parent;
    if (IsSkippedProject(*top))
        return;
    // The selection is the document's only while this collection runs.
    m_doc.SetFileSelection(&names);
    CollectTree(node, true, m_doc.GetFileSelection());
    m_doc.SetFileSelection(nullptr);
}

bool CSyncRun::SynchronizeFiles(
    CSyncProject* node, const QStringList& names, const CAppOptionSync& options, SyncDirection direction)
{
    CollectFiles(node, names, options, direction);
    return Execute();
}

bool CSyncRun::Execute()
{
    const bool autoSync = m_doc.IsAutoSyncMode();
    const bool noConfirmation = m_flags & SyncFlag::NoConfirmation;
    if (Lists().IsEmpty()) {
        if (!noConfirmation && !autoSync)
            CurrentPrompt().ShowMessage(NothingToDoText(), PromptIcon::Information);
        m_result.outcome = SyncOutcome::NothingToDo;
        return false;
    }

    quint32 operationFlags = 0;
    if (m_flags & SyncFlag::RecycleBin)
        operationFlags |= FOF_ALLOWUNDO;
    if (noConfirmation)
        operationFlags |= FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR;
    if (autoSync)
        operationFlags |= FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR;

    // The log is opened before anything changes; a log that cannot be opened stops the run.
    const QDateTime runStart = CSyncLog::Now();
    CSyncLog log;
    if (!log.Open(m_logPath, runStart, &m_result.message)) {
        if (!autoSync)
            CurrentPrompt().ShowMessage(m_result.message, PromptIcon::Error);
        m_result.outcome = SyncOutcome::LogFailed;
        return false;
    }
    m_result.logPath = log.Path();

    const QStringList deletions = m_doc.m_deletions;
    if (!deletions.isEmpty()) {
        if ((m_flags & SyncFlag::RecycleBin) && !autoSync && !ConfirmRecycleBinPaths(deletions)) {
            m_result.outcome = SyncOutcome::Declined;
            return false;
        }
        CFileOperation operation(m_observer);
        operation.SetRoots(m_roots);
        operation.DeleteItems(deletions, operationFlags);
        m_result.deletions = operation.Result();
        // The log lists what the run asked for, whatever the outcome of each item.
        for (const QString& path : deletions)
            log.WriteDeletion(path);
    }

    const QStringList sources = m_doc.m_copySources;
    const QStringList destinations = m_doc.m_copyDestinations;
    if (m_flags & SyncFlag::CheckFolders) {
        for (const QString& destination : destinations) {
            const QString parent = GetParentFolder(destination);
            if (parent.isEmpty() || parent == destination || IsFolderAt(m_roots, parent))
                continue;
            QString error;
            if (!CreateFolderAt(m_roots, parent, &error)) {
                if (!autoSync)
                    CurrentPrompt().ShowMessage(error, PromptIcon::Information, QStringLiteral("Error"));
                m_result.message = parent + QStringLiteral(": ") + error;
                m_result.outcome = SyncOutcome::FolderFailed;
                m_result.logWriteError = log.WriteError();
                return false;
            }
        }
    }

    if (!sources.isEmpty()) {
        CFileOperation operation(m_observer);
        operation.SetRoots(m_roots);
        operation.CopyItems(sources, destinations, operationFlags);
        m_result.copies = operation.Result();
        for (qsizetype i = 0; i < sources.size(); ++i)
            log.WriteCopy(sources.at(i), destinations.value(i));
    }
    m_result.logWriteError = log.WriteError();
    m_result.outcome = SyncOutcome::Executed;
    return true;
}
