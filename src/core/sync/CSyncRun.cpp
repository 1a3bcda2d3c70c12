#include "core/sync/CSyncRun.h"

#include "core/engine/CDirSyncStatus.h"
#include "core/filters/FilterSet.h"
#include "core/model/CMyDoc.h"
#include "core/model/CProject.h"
#include "core/model/CSyncProject.h"
#include "core/model/NodePath.h"
#include "core/model/PairRoots.h"
#include "core/platform/EntryStamp.h"
#include "core/platform/FileName.h"
#include "core/platform/FileSystem.h"
#include "core/platform/Finder.h"
#include "core/platform/PathResolution.h"
#include "core/platform/Paths.h"
#include "core/platform/Prompt.h"
#include "core/settings/CAppOptionSync.h"
#include "core/sync/CSyncLog.h"
#include "core/sync/RunFilterCheck.h"

#include <vector>

namespace {

bool AnyStatus(const FileOpResult& result, FileOpStatus status)
{
    return result.Count(status) > 0;
}

EntryStamp StampAt(const CPairRoots& roots, const QString& path)
{
    RootedPath rooted;
    return roots.Split(path, &rooted) ? StampOf(rooted) : EntryStamp();
}

// What was taken away: what the trash holds of it now (it was only renamed there).
void AddDeletions(RunRecord& record, const FileOpResult& result, const CPairRoots&)
{
    for (const FileOpItem& item : result.items) {
        RunAction action;
        action.type = RunAction::Type::Delete;
        action.path = item.source;
        action.done = item.status == FileOpStatus::Done;
        action.trashedAs = action.done ? item.trashedAs : QString();
        if (!action.trashedAs.isEmpty())
            action.stamp = StampOfPath(action.trashedAs);
        action.folder = action.stamp.kind == EntryKind::Folder;
        record.actions.push_back(action);
    }
}

// What each copy left at its destination.
void AddCopies(RunRecord& record, const FileOpResult& result, const CPairRoots& roots)
{
    for (const FileOpItem& item : result.items) {
        RunAction action;
        action.type = RunAction::Type::Copy;
        action.source = item.source;
        action.path = item.destination;
        action.done = item.status == FileOpStatus::Done;
        action.replaced = action.done && item.replaced;
        action.trashedAs = action.replaced ? item.trashedAs : QString();
        // The copy knows what it wrote; anything else is looked at.
        if (action.done && item.written.known)
            action.stamp = {EntryKind::File, item.written.size, item.written.modified};
        else if (action.done)
            action.stamp = StampAt(roots, action.path);
        action.folder = action.stamp.kind == EntryKind::Folder;
        record.actions.push_back(action);
    }
}

} // namespace

QString NothingToDoText()
{
    return QStringLiteral("更新対象となるファイルは存在しませんでした。");
}

namespace SyncRunText {

namespace {

QString NotSynchronized(const QString& project)
{
    return QStringLiteral("プロジェクト「%1」は同期しませんでした。").arg(project);
}

} // namespace

QString FolderNotSet(const QString& project, int side)
{
    const QString folder = side == 0 ? QStringLiteral("プロジェクトフォルダ") : QStringLiteral("ターゲットフォルダ");
    return NotSynchronized(project) + QStringLiteral("%1が指定されていないか、絶対パスではありません。").arg(folder);
}

QString FoldersOverlap(const QString& project)
{
    return NotSynchronized(project)
        + QStringLiteral("プロジェクトフォルダとターゲットフォルダが同じフォルダか、一方がもう一方の中にあります。");
}

QString SourceMissing(const QString& project, const QString& folder)
{
    return NotSynchronized(project) + QStringLiteral("同期元のフォルダ %1 が見つかりません。").arg(folder);
}

QString SourceLooksUnmounted(const QString& project, const QString& source, const QString& destination)
{
    return NotSynchronized(project)
        + QStringLiteral("同期元のフォルダ %1 は空ですが、同期先のフォルダ %2 には項目があります"
                         "（マウントされていないディスクかもしれません）。")
              .arg(source, destination);
}

QString SourceUnread(const QString& folder, const QString& destination)
{
    return QStringLiteral("フォルダ %1 を完全には読み取れませんでした。%2 とその中では何も削除しません。")
        .arg(folder, destination);
}

QString DestinationUnread(const QString& folder)
{
    return QStringLiteral("フォルダ %1 を完全には読み取れませんでした。読み取れなかったファイルは上書きしません。")
        .arg(folder);
}

} // namespace SyncRunText

bool SyncRunResult::AnyFailed() const
{
    return AnyStatus(deletions, FileOpStatus::Failed) || AnyStatus(copies, FileOpStatus::Failed)
        || !deletions.errors.isEmpty() || !copies.errors.isEmpty() || !logWriteError.isEmpty() || !problems.isEmpty()
        || outcome == SyncOutcome::LogFailed || outcome == SyncOutcome::FolderFailed
        || outcome == SyncOutcome::FiltersUnread;
}

bool SyncRunResult::AnyStopped() const
{
    return outcome == SyncOutcome::PreviewStopped || outcome == SyncOutcome::Declined || deletions.cancelled
        || copies.cancelled || AnyStatus(deletions, FileOpStatus::Skipped) || AnyStatus(copies, FileOpStatus::Skipped);
}

// --- the run ------------------------------------------------------------------------------

CSyncRun::CSyncRun(CMyDoc& document)
    : m_doc(document), m_unattended(document.IsAutoSyncMode()), m_trashReplaced(GlobalOptionSync().TrashReplaced)
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
    m_rootList.clear();
    m_planned.Clear();
    m_result = SyncRunResult();
    m_collectCancelled = false;
    m_foldersScanned = 0;
    m_foldersFromRecords = 0;
}

namespace {

// What a first look into a folder finds.
enum class FolderContent { Unknown, Empty, HasEntries };

FolderContent LookInto(const QString& folder)
{
    const std::unique_ptr<CFileFind> finder = CreateFinder(folder);
    if (!finder || !finder->Open(folder))
        return FolderContent::Unknown;
    if (finder->Next())
        return FolderContent::HasEntries;
    return finder->ReadFailed() ? FolderContent::Unknown : FolderContent::Empty;
}

} // namespace

void CSyncRun::Skip(const CSyncProject& project, const QString& why)
{
    m_result.skippedProjects << project.GetDisplayName();
    m_result.problems << why;
}

bool CSyncRun::IsSkippedProject(const CSyncProject& project)
{
    const QString name = project.GetDisplayName();
    for (int side = 0; side < 2; ++side) {
        if (!IsFolderPathSet(project.GetFolder(side))) {
            Skip(project, SyncRunText::FolderNotSet(name, side));
            return true;
        }
    }
    // Each export would put the source inside itself once more.
    if (FoldersOverlap(project.GetFolder(0), project.GetFolder(1))) {
        Skip(project, SyncRunText::FoldersOverlap(name));
        return true;
    }
    if (!m_unattended)
        return false;
    const int source = m_direction == SyncDirection::Export ? 0 : 1;
    const QString sourceFolder = project.GetFolder(source);
    const QString destinationFolder = project.GetFolder(1 - source);
    if (!TestFolderReachable(sourceFolder)) {
        Skip(project, SyncRunText::SourceMissing(name, sourceFolder));
        m_result.skippedForSource = true;
        return true;
    }
    // The empty mount point of a disk that is not mounted.
    if (LookInto(sourceFolder) == FolderContent::Empty && LookInto(destinationFolder) == FolderContent::HasEntries) {
        Skip(project, SyncRunText::SourceLooksUnmounted(name, sourceFolder, destinationFolder));
        m_result.skippedForSource = true;
        return true;
    }
    return false;
}

void CSyncRun::NoteUnreadFolders(const CDirSyncStatus& table, int source)
{
    const int destination = 1 - source;
    if (table.IsReadIncomplete(source)) {
        m_result.unreadFolders << table.GetFolder(source);
        m_result.problems << SyncRunText::SourceUnread(table.GetFolder(source), table.GetFolder(destination));
    }
    if (table.IsReadIncomplete(destination)) {
        m_result.unreadFolders << table.GetFolder(destination);
        m_result.problems << SyncRunText::DestinationUnread(table.GetFolder(destination));
    }
}

bool CSyncRun::CollectNode(CSyncProject& node, bool selectionMode, const QStringList* selection, bool& noDeletions)
{
    const bool exporting = m_direction == SyncDirection::Export;
    const int source = exporting ? 0 : 1;
    const int destination = 1 - source;
    const QString sourceFolder = node.GetFolder(source);
    const QString destinationFolder = node.GetFolder(destination);
    // A document may hold any path: one that is not set is never scanned.
    for (int side = 0; side < 2; ++side) {
        if (!IsFolderPathSet(node.GetFolder(side))) {
            m_result.problems << SyncRunText::FolderNotSet(node.GetDisplayName(), side);
            return false;
        }
    }
    // Nothing below the pair's roots is followed, in the scan or in the run.
    const QString roots[2] = {RootFolderOf(node, 0), RootFolderOf(node, 1)};
    m_roots.Add(roots[0]);
    m_roots.Add(roots[1]);
    m_rootList << roots[0] << roots[1];

    // A fresh scan of the pair; the node's own records only when they are
    // known to stand for one (see SetUseRescannedRecords, SetUseUnchangedRecords).
    CDirSyncStatus fresh;
    fresh.SetPaths(node.GetFolder(0), node.GetFolder(1));
    fresh.SetRoots(roots[0], roots[1]);
    const CDirSyncStatus* scanned = UsableRecords(node);
    if (!scanned) {
        fresh.ScanFiles();
        scanned = &fresh;
        ++m_foldersScanned;
    } else {
        ++m_foldersFromRecords;
    }
    const CDirSyncStatus& table = *scanned;
    if (m_control) {
        m_control->folders.fetch_add(1, std::memory_order_relaxed);
        m_control->files.fetch_add(table.Count(), std::memory_order_relaxed);
    }

    // What a source folder that could not be read lacks proves nothing: no
    // deletions for it, here or below.
    NoteUnreadFolders(table, source);
    noDeletions = noDeletions || table.IsReadIncomplete(source);
    const bool destinationUnread = table.IsReadIncomplete(destination);
    // The presence of the two folders, tested on the run's own table: the
    // node's may be read by the window meanwhile.
    const SyncState folderState
        = node.IsNoSync() ? SyncSame : fresh.ComputeFolderState(false, GlobalFilterSet(), QStringList());
    const SyncState destinationOnly = exporting ? SyncTargetOnly : SyncProjectOnly;
    const SyncState sourceOnly = exporting ? SyncProjectOnly : SyncTargetOnly;

    // A folder that exists on the destination side only goes as a whole;
    // nothing below it is visited.
    if ((m_flags & SyncFlag::DeleteFolders) && folderState == destinationOnly) {
        if (!noDeletions) {
            m_doc.m_deletions << destinationFolder;
            m_planned.NoteFolderTree(m_roots, destinationFolder);
        }
        return false;
    }
    if ((m_flags & SyncFlag::CopyEmptyFolders) && node.ChildCount() == 0 && table.IsEmpty()
        && folderState == sourceOnly) {
        if (!destinationUnread) {
            m_doc.m_copySources << sourceFolder;
            m_doc.m_copyDestinations << destinationFolder;
            m_planned.NoteUncheckedCopy(sourceFolder);
        }
        return false;
    }

    if (!node.IsNoSync())
        CollectFileActions(node, table, selectionMode, selection, !noDeletions);
    return true;
}

const CDirSyncStatus* CSyncRun::UsableRecords(const CSyncProject& node) const
{
    const CDirSyncStatus& records = node.FolderStatus();
    if (!records.HoldsAllFiles())
        return nullptr;
    if (m_useRescannedRecords)
        return &records;
    if (m_useUnchangedRecords && records.RecordsStillCurrent())
        return &records;
    return nullptr;
}

void CSyncRun::CollectFileActions(const CSyncProject& node, const CDirSyncStatus& table, bool selectionMode,
    const QStringList* selection, bool mayDelete)
{
    const bool exporting = m_direction == SyncDirection::Export;
    const int source = exporting ? 0 : 1;
    const int destination = 1 - source;
    const QString sourceFolder = node.GetFolder(source);
    const QString destinationFolder = node.GetFolder(destination);
    const bool destinationUnread = table.IsReadIncomplete(destination);
    const SyncState sourceNewer = exporting ? SyncProjectNewer : SyncTargetNewer;
    const SyncState sourceOnly = exporting ? SyncProjectOnly : SyncTargetOnly;
    const SyncState destinationOnly = exporting ? SyncTargetOnly : SyncProjectOnly;
    int mode = TransferMode::Of(m_flags);
    if (mode == 3)
        mode = TransferMode::UpdatedAndAdded;
    const bool deleteFiles = (m_flags & SyncFlag::DeleteFiles) && mayDelete;
    // Each folder split at its root once, its files' paths below it.
    RootedPath folders[2];
    const bool split[2]
        = {m_roots.Split(node.GetFolder(0), &folders[0]), m_roots.Split(node.GetFolder(1), &folders[1])};
    RootedPath rooted[2];
    const auto below = [&](int side, const QString& name) -> const RootedPath* {
        if (!split[side])
            return nullptr;
        rooted[side] = folders[side].Child(EncodeFileName(name));
        return &rooted[side];
    };
    // Records in name order, so that the lists are the same in every run.
    for (const CFileSyncStatus* record : table.SortedRecords()) {
        const QString name = record->GetName();
        if (node.IsExcludedByFilter(name))
            continue;
        if (selectionMode && !(selection && selection->contains(name)))
            continue;
        const SyncState state = record->GetState();
        if (state == destinationOnly) {
            if (deleteFiles) {
                const QString deletedName = record->Name(destination).toString();
                m_doc.m_deletions << JoinPath(destinationFolder, deletedName);
                const CFileEntry seen = record->Entry(destination);
                m_planned.NoteDeletion(m_doc.m_deletions.last(), below(destination, deletedName), &seen);
            }
            continue;
        }
        const bool copy = (state == sourceNewer && mode != TransferMode::AddedOnly)
            || (state == sourceOnly && mode != TransferMode::UpdatedOnly);
        if (!copy)
            continue;
        // Each side's path uses that side's own spelling of the name: on a
        // file system that tells letter case apart, the other spelling would
        // name a different file (or none).
        const QString sourceName = record->Name(source).toString();
        const QString destinationName = record->Exists(destination) ? record->Name(destination).toString() : sourceName;
        const QString destinationPath = JoinPath(destinationFolder, destinationName);
        // A file that the destination's incomplete listing did not show is never replaced unseen.
        if (destinationUnread && !record->Exists(destination) && PathExists(destinationPath))
            continue;
        m_doc.m_copySources << JoinPath(sourceFolder, sourceName);
        m_doc.m_copyDestinations << destinationPath;
        const CFileEntry seen[2] = {record->Entry(source), record->Entry(destination)};
        m_planned.NoteCopy(m_doc.m_copySources.last(), below(source, sourceName), &seen[0], destinationPath,
            below(destination, destinationName), record->Exists(destination) ? &seen[1] : nullptr);
    }
}

void CSyncRun::CollectTree(CSyncProject* start, bool selectionMode, const QStringList* selection)
{
    // Parents before children, siblings in key order, without recursion: a
    // tree read from a file can be very deep. Each node carries whether a
    // folder above it could not be read.
    CFolderCache folders;
    std::vector<std::pair<CSyncProject*, bool>> pending{{start, false}};
    while (!pending.empty()) {
        if (m_control && m_control->cancel.load(std::memory_order_relaxed))
            return;
        auto [node, noDeletions] = pending.back();
        pending.pop_back();
        if (!CollectNode(*node, selectionMode, selection, noDeletions))
            continue;
        if (selectionMode || !(m_flags & SyncFlag::Recursive))
            continue;
        const CProject::ChildMap& children = node->Children();
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            pending.emplace_back(it->second.get(), noDeletions);
    }
}

void CSyncRun::Begin(const CAppOptionSync& options, SyncDirection direction)
{
    Clear();
    m_node = nullptr;
    m_flags = options.Flags;
    m_logPath = options.LogFilePath;
    m_direction = direction;
}

void CSyncRun::Collect(CProject* node, const CAppOptionSync& options, SyncDirection direction)
{
    Begin(options, direction);
    m_node = node;
    if (!node)
        return;
    if (StopRunForUnreadFilters(*node, m_flags & SyncFlag::Recursive, m_doc.IsAutoSyncMode(), m_result))
        return;
    RunWalk([this, node] { CollectStart(node); });
}

bool CSyncRun::RunWalk(const std::function<void()>& walk)
{
    if (!m_collectRunner) {
        walk();
        return true;
    }
    RescanControl control;
    m_control = &control;
    const bool done = m_collectRunner(walk, control);
    m_control = nullptr;
    if (done)
        return true;
    // Nothing of a walk cut short is kept: its lists would lack what it did not reach.
    m_collectCancelled = true;
    SetLists(SyncLists());
    return false;
}

void CSyncRun::CollectStart(CProject* node)
{
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
    if (m_result.outcome == SyncOutcome::FiltersUnread)
        return false;
    if (m_collectCancelled) {
        // As a preview left with "back": the options come again when it was asked for.
        m_result.outcome = SyncOutcome::PreviewStopped;
        return false;
    }
    const bool executed = ExecuteWithPreview();
    // A preview left with "back" comes again with the options dialog: the
    // problems are told once the run goes on or ends.
    if (m_result.outcome != SyncOutcome::PreviewStopped)
        ReportProblems();
    return executed;
}

bool CSyncRun::ExecuteWithPreview()
{
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
    Begin(options, direction);
    m_node = node;
    if (!node)
        return;
    if (StopRunForUnreadFilters(*node, false, m_doc.IsAutoSyncMode(), m_result))
        return;
    CSyncProject* top = node;
    while (auto* parent = dynamic_cast<CSyncProject*>(top->GetParent()))
        top = parent;
    if (IsSkippedProject(*top))
        return;
    // The selection is the document's only while this collection runs.
    m_doc.SetFileSelection(&names);
    RunWalk([this, node] { CollectTree(node, true, m_doc.GetFileSelection()); });
    m_doc.SetFileSelection(nullptr);
}

bool CSyncRun::SynchronizeFiles(
    CSyncProject* node, const QStringList& names, const CAppOptionSync& options, SyncDirection direction)
{
    CollectFiles(node, names, options, direction);
    if (m_result.outcome == SyncOutcome::FiltersUnread)
        return false;
    if (m_collectCancelled) {
        m_result.outcome = SyncOutcome::PreviewStopped;
        return false;
    }
    const bool executed = Execute();
    ReportProblems();
    return executed;
}

void CSyncRun::ReportProblems()
{
    // Nobody may be there to close a box: an unattended run's caller reports.
    if (m_result.problems.isEmpty() || m_unattended || !m_showProblems)
        return;
    ShowFileOperationErrors(m_result.problems);
}

namespace {

// The flags of a run's file operations.
FileOpFlags OperationFlags(SyncFlags syncFlags, bool autoSync)
{
    FileOpFlags flags;
    if (syncFlags & SyncFlag::RecycleBin)
        flags |= FileOpFlag::AllowUndo;
    if (syncFlags & SyncFlag::NoConfirmation)
        flags |= FileOpFlag::NoConfirmation | FileOpFlag::NoConfirmMkdir;
    if (autoSync)
        flags |= FileOpFlag::Silent | FileOpFlag::NoConfirmation | FileOpFlag::NoConfirmMkdir;
    return flags;
}

// Runs one file operation of `count` items (`start` starts it); each item's
// log line is written as the item ends, in the order of the items.
FileOpResult RunLogged(IFileOperationObserver* observer, const CPairRoots& roots, qsizetype count,
    const CLogLinesInOrder::LineWriter& writeLine, const std::function<void(CFileOperation&)>& start)
{
    CLogLinesInOrder lines(count, writeLine);
    CFileOperation operation(observer);
    operation.SetItemDoneHandler([&lines](size_t index) { lines.ItemDone(index); });
    operation.SetRoots(roots);
    start(operation);
    lines.Finish();
    return operation.Result();
}

// Creates the missing folders of the destinations; false (the result says
// which and why) at the first that cannot be made.
bool CreateDestinationFolders(
    const CPairRoots& roots, const QStringList& destinations, bool autoSync, SyncRunResult& result)
{
    for (const QString& destination : destinations) {
        const QString parent = GetParentFolder(destination);
        if (parent.isEmpty() || parent == destination || IsFolderAt(roots, parent))
            continue;
        QString error;
        if (!CreateFolderAt(roots, parent, &error)) {
            if (!autoSync)
                CurrentPrompt().ShowMessage(error, PromptIcon::Information, QStringLiteral("Error"));
            result.message = parent + QStringLiteral(": ") + error;
            result.outcome = SyncOutcome::FolderFailed;
            return false;
        }
    }
    return true;
}

} // namespace

bool CSyncRun::Execute()
{
    const bool autoSync = m_doc.IsAutoSyncMode();
    if (Lists().IsEmpty()) {
        // Where something was left out, the report of the problems says more.
        if (!(m_flags & SyncFlag::NoConfirmation) && !autoSync && m_result.problems.isEmpty())
            CurrentPrompt().ShowMessage(NothingToDoText(), PromptIcon::Information);
        m_result.outcome = SyncOutcome::NothingToDo;
        return false;
    }
    const FileOpFlags operationFlags = OperationFlags(m_flags, autoSync);

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
        // The log lists what the run asked for, whatever the outcome of each
        // item; all of its deletion lines are on disk before any copy.
        m_result.deletions = RunLogged(
            m_observer, m_roots, deletions.size(), [&](qsizetype i) { log.WriteDeletion(deletions.at(i)); },
            [&](CFileOperation& operation) {
                CheckAgainstPlan(operation, deletions, nullptr);
                operation.DeleteItems(deletions, operationFlags);
            });
        log.Sync();
    }

    const QStringList sources = m_doc.m_copySources;
    const QStringList destinations = m_doc.m_copyDestinations;
    if ((m_flags & SyncFlag::CheckFolders) && !CreateDestinationFolders(m_roots, destinations, autoSync, m_result)) {
        m_result.logWriteError = log.WriteError();
        WriteRecord(runStart);
        return false;
    }
    if (!sources.isEmpty()) {
        // The copy lines follow the copies while they go on (see CSyncLog).
        m_result.copies = RunLogged(
            m_observer, m_roots, sources.size(),
            [&](qsizetype i) { log.WriteCopy(sources.at(i), destinations.value(i)); },
            [&](CFileOperation& operation) {
                operation.SetTrashReplaced(m_trashReplaced);
                CheckAgainstPlan(operation, sources, &destinations);
                operation.CopyItems(sources, destinations, operationFlags);
            });
    }
    m_result.logWriteError = log.WriteError();
    m_result.outcome = SyncOutcome::Executed;
    WriteRecord(runStart);
    return true;
}

void CSyncRun::CheckAgainstPlan(CFileOperation& operation, const QStringList& paths, const QStringList* destinations)
{
    // The lists as they are now, after the preview.
    m_planned.Bind(destinations ? CPlanStamps::List::Copies : CPlanStamps::List::Deletions, paths);
    if (!destinations) {
        operation.SetItemCheck(
            [this, &paths](size_t index, const RootedPath& path, const RootedPath*, CFileCopier::Expected*) {
                return m_planned.CheckDeletion(qsizetype(index), paths.at(qsizetype(index)), path);
            });
        return;
    }
    operation.SetItemCheck(
        [this, &paths, destinations](
            size_t index, const RootedPath& source, const RootedPath* destination, CFileCopier::Expected* expected) {
            return m_planned.CheckCopy(qsizetype(index), paths.at(qsizetype(index)), source,
                destinations->value(qsizetype(index)), destination ? *destination : RootedPath(), expected);
        },
        [&paths, destinations](size_t index, CFileCopier::Refusal why) {
            return CPlanStamps::RefusalText(paths.at(qsizetype(index)), destinations->value(qsizetype(index)), why);
        });
    operation.SetKnownSources(
        [this](size_t index, EntryInfo* info) { return m_planned.KnownFile(qsizetype(index), info); });
}

void CSyncRun::WriteRecord(const QDateTime& runStart)
{
    // The record takes the stamp of every file the run made: a run whose
    // walk goes off this thread (the window's) writes it on the observer's
    // operation thread too, so that the window goes on answering.
    const auto write = [this, &runStart] {
        RunRecord record;
        record.document = m_doc.GetPathName();
        if (const auto* project = dynamic_cast<const CSyncProject*>(m_node))
            record.node = DisplayPathOf(*project);
        record.direction = m_direction == SyncDirection::Export ? QStringLiteral("export") : QStringLiteral("import");
        record.time = runStart;
        record.logPath = m_result.logPath;
        record.roots = m_rootList;
        record.roots.removeDuplicates();
        AddDeletions(record, m_result.deletions, m_roots);
        AddCopies(record, m_result.copies, m_roots);
        QString error;
        if (RunRecords::Save(record, &error))
            m_result.recordId = record.id;
        else
            m_result.problems << RunRecordText::NotSaved(error);
    };
    if (m_observer && m_collectRunner)
        m_observer->RunOperation(FileOpKind::Copy, FileOpFlag::Silent, write);
    else
        write();
}
