// The commands of the project tree: their enable rules and what they do.

#include "gui/views/CProjectView.h"

#include "core/model/CAppProject.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/platform/Paths.h"
#include "core/platform/Prompt.h"
#include "core/resources/CommandIds.h"
#include "gui/model/ProjectDialogs.h"
#include "gui/shell/CWaitCursor.h"
#include "gui/sync/CFolderDeleteDlg.h"
#include "gui/sync/DesktopActions.h"
#include "gui/sync/SyncDialogLoop.h"

#include <QTreeWidgetItem>
#include <algorithm>
#include <array>
#include <functional>

namespace {

const std::array kTreeCommands{
    Cmd::CreateProject,
    Cmd::ShowFileSyncState,
    Cmd::ShowProjectSyncState,
    Cmd::Refresh,
    Cmd::Export,
    Cmd::Import,
    Cmd::ExportAll,
    Cmd::ImportAll,
    Cmd::NoSync,
    Cmd::NoSubfolderSearch,
    Cmd::DisableFolderAndBelow,
    Cmd::DeleteProject,
    Cmd::DeleteFolder,
    Cmd::ProjectProperties,
    Cmd::OpenProjectFolder,
    Cmd::OpenTargetFolder,
    Cmd::OpenBoth,
    Cmd::ProjectFolderProperties,
    Cmd::TargetFolderProperties,
    Cmd::BothProperties,
};

const QString kDeleteProjectQuestion = QStringLiteral("プロジェクトを削除します。よろしいですか？");

} // namespace

CSyncProject* CProjectView::CurrentProject() const
{
    return dynamic_cast<CSyncProject*>(m_current);
}

bool CProjectView::HandlesCommand(int id) const
{
    const int command = Cmd::RoutedCommand(id);
    return std::find(kTreeCommands.begin(), kTreeCommands.end(), command) != kTreeCommands.end();
}

bool CProjectView::ExportImportEnabled() const
{
    if (dynamic_cast<CAppProject*>(m_current))
        return m_current->ChildCount() > 0;
    if (const CSyncProject* project = CurrentProject())
        return !project->IsNoSync() || project->ChildCount() > 0;
    return false;
}

void CProjectView::UpdateCommand(int id, CommandState& state)
{
    CSyncProject* project = CurrentProject();
    const bool isRoot = dynamic_cast<CAppProject*>(m_current) != nullptr;
    // The folder tests run at every update: a folder that went away, or a
    // share that cannot be reached, disables the commands on it.
    const auto exists = [project](int side) { return project && TestFolderReachable(project->GetFolder(side)); };
    state.enabled = false;
    state.checked = false;
    switch (Cmd::RoutedCommand(id)) {
    case Cmd::CreateProject:
        state.enabled = isRoot;
        break;
    case Cmd::ShowFileSyncState:
        state.enabled = project != nullptr;
        break;
    case Cmd::ShowProjectSyncState:
        state.enabled = true;
        state.checked = m_settings.showProjectState;
        break;
    case Cmd::Refresh:
        state.enabled = true;
        break;
    case Cmd::Export:
    case Cmd::Import:
    case Cmd::ExportAll:
    case Cmd::ImportAll:
        state.enabled = ExportImportEnabled();
        break;
    case Cmd::NoSync:
        state.enabled = project != nullptr;
        state.checked = project && project->IsNoSync();
        break;
    case Cmd::NoSubfolderSearch:
        state.enabled = project != nullptr;
        state.checked = project && project->IsNoSubfolderSearch();
        break;
    case Cmd::DisableFolderAndBelow:
        // Only a folder pair has the switches it sets.
        state.enabled = project != nullptr;
        break;
    case Cmd::DeleteProject:
        state.enabled = project && dynamic_cast<CAppProject*>(project->GetParent());
        break;
    case Cmd::DeleteFolder:
        state.enabled = project != nullptr;
        break;
    case Cmd::ProjectProperties:
        state.enabled = project != nullptr;
        break;
    case Cmd::OpenProjectFolder:
    case Cmd::ProjectFolderProperties:
        state.enabled = exists(0);
        break;
    case Cmd::OpenTargetFolder:
    case Cmd::TargetFolderProperties:
        state.enabled = exists(1);
        break;
    case Cmd::OpenBoth:
    case Cmd::BothProperties:
        state.enabled = exists(0) && exists(1);
        break;
    default:
        break;
    }
}

void CProjectView::ExecuteCommand(int id)
{
    const int command = Cmd::RoutedCommand(id);
    CommandState state;
    UpdateCommand(command, state);
    if (!state.enabled)
        return;
    switch (command) {
    case Cmd::CreateProject:
        CreateProject();
        break;
    case Cmd::ShowFileSyncState:
        ShowFileSyncState();
        break;
    case Cmd::ShowProjectSyncState:
        ToggleProjectSyncState();
        break;
    case Cmd::Refresh:
        RefreshAll();
        break;
    case Cmd::Export:
        RunSync(SyncDirection::Export, false);
        break;
    case Cmd::Import:
        RunSync(SyncDirection::Import, false);
        break;
    case Cmd::ExportAll:
        RunSync(SyncDirection::Export, true);
        break;
    case Cmd::ImportAll:
        RunSync(SyncDirection::Import, true);
        break;
    case Cmd::NoSync:
        ToggleNoSync();
        break;
    case Cmd::NoSubfolderSearch:
        ToggleNoSubfolderSearch();
        break;
    case Cmd::DisableFolderAndBelow:
        DisableFolderAndBelow();
        break;
    case Cmd::DeleteProject:
        DeleteProject();
        break;
    case Cmd::DeleteFolder:
        DeleteFolder();
        break;
    case Cmd::ProjectProperties:
        EditProperties();
        break;
    case Cmd::OpenProjectFolder:
        OpenFolders(true, false);
        break;
    case Cmd::OpenTargetFolder:
        OpenFolders(false, true);
        break;
    case Cmd::OpenBoth:
        OpenFolders(true, true);
        break;
    case Cmd::ProjectFolderProperties:
        ShowFolderProperties(true, false);
        break;
    case Cmd::TargetFolderProperties:
        ShowFolderProperties(false, true);
        break;
    case Cmd::BothProperties:
        ShowFolderProperties(true, true);
        break;
    default:
        break;
    }
    m_frame.UpdateCommandStates();
}

void CProjectView::CreateProject()
{
    if (!m_rootItem || m_current != &m_doc.GetRoot())
        return;
    // The project is scanned on the document's worker and shown once it is whole.
    if (CSyncProject* created = RunCreateProjectDialog(m_frame.Window(), m_doc))
        AwaitRescan(created, false);
}

void CProjectView::ShowFileSyncState()
{
    SendHint(UpdateHint::ShowFiles, m_current);
}

void CProjectView::ToggleProjectSyncState()
{
    CWaitCursor wait;
    m_settings.showProjectState = !m_settings.showProjectState;
    RefreshSubtree(m_rootItem);
}

void CProjectView::RefreshAll()
{
    ResetCaches();
    RescanAll();
}

void CProjectView::RescanAll()
{
    // The projects leave the tree for the worker that rescans them (the views
    // drop their items first) and come back one by one, each whole.
    m_doc.BeginRescan();
    m_rescanning = m_doc.IsRescanning();
}

void CProjectView::RunSync(SyncDirection direction, bool all)
{
    if (all && m_rootItem)
        setCurrentItem(m_rootItem);
    CProject* node = m_current;
    if (!node)
        return;
    RunSyncDialogLoop(m_frame.Window(), m_doc, *node, direction, [this, node] {
        CWaitCursor wait;
        RefreshSubtree(ItemOf(node));
        SendHint(UpdateHint::RunDone, node);
    });
}

void CProjectView::ToggleNoSync()
{
    CSyncProject* project = CurrentProject();
    project->SetNoSync(!project->IsNoSync());
    RefreshItem(ItemOf(project));
    m_doc.SetModifiedFlag(true);
}

void CProjectView::ToggleNoSubfolderSearch()
{
    CSyncProject* project = CurrentProject();
    const CProjectItem* item = ItemOf(project);
    const bool expanded = item && item->isExpanded();
    project->SetNoSubfolderSearch(!project->IsNoSubfolderSearch());
    m_doc.SetModifiedFlag(true);
    // Its project leaves the tree with its items while the worker rescans it.
    m_doc.BeginRescan(*project);
    AwaitRescan(project, expanded);
}

void CProjectView::DisableFolderAndBelow()
{
    CSyncProject* project = CurrentProject();
    project->SetNoSync(true);
    project->SetNoSubfolderSearch(true);
    m_doc.SetModifiedFlag(true);
    // The node leaves the tree with its items while the worker rescans it
    // (its subfolder nodes go with the switch).
    m_doc.BeginRescan(*project);
    AwaitRescan(project, false, true);
}

// Removes the item of `project` and then the node with its subtree. The
// selection moves first (to the next sibling, else the previous one, else the
// parent), so that no view is left showing a destroyed node.
static void RemoveProjectItem(QTreeWidget& tree, CProjectItem* item)
{
    QTreeWidgetItem* parent = item->parent();
    QTreeWidgetItem* next = nullptr;
    if (parent) {
        const int row = parent->indexOfChild(item);
        next = row + 1 < parent->childCount() ? parent->child(row + 1) : (row > 0 ? parent->child(row - 1) : parent);
    }
    if (next && tree.currentItem() == item)
        tree.setCurrentItem(next);
    delete item;
}

void CProjectView::DeleteProject()
{
    CSyncProject* project = CurrentProject();
    if (!CurrentPrompt().AskOkCancel(kDeleteProjectQuestion, PromptIcon::Question))
        return;
    CProject* parent = project->GetParent();
    if (CProjectItem* item = ItemOf(project))
        RemoveProjectItem(*this, item);
    if (m_current == project)
        m_current = parent;
    parent->RemoveChild(project);
    m_doc.SetModifiedFlag(true);
}

void CProjectView::DeleteFolder()
{
    CSyncProject* project = CurrentProject();
    CProjectItem* item = ItemOf(project);
    // A folder that is not there is not offered.
    std::array<QString, 2> paths;
    for (int side = 0; side < 2; ++side) {
        const QString folder = project->GetFolder(side);
        paths[size_t(side)] = TestFolderReachable(folder) ? folder : QString();
    }
    CFolderDeleteDlg dialog(m_frame.Window());
    dialog.SetProjectPath(paths[0]);
    dialog.SetTargetPath(paths[1]);
    // Cancel changes nothing, not even for a pair whose folders are both gone.
    if (dialog.exec() != QDialog::Accepted)
        return;
    QStringList doomed;
    if (dialog.DeleteProject() && !paths[0].isEmpty())
        doomed << paths[0];
    if (dialog.DeleteTarget() && !paths[1].isEmpty())
        doomed << paths[1];
    if (!doomed.isEmpty()) {
        CWaitCursor wait;
        m_doc.DeletePaths(doomed, dialog.Recycle());
    }
    for (QString& path : paths)
        if (!path.isEmpty() && !TestFolderReachable(path))
            path.clear();
    if (paths[0].isEmpty() && paths[1].isEmpty()) {
        CProject* parent = project->GetParent();
        if (item)
            RemoveProjectItem(*this, item);
        if (m_current == project)
            m_current = parent;
        parent->RemoveChild(project);
        m_doc.SetModifiedFlag(true);
    } else {
        RefreshItem(item);
        SendHint(UpdateHint::NodeChanged, project);
    }
}

void CProjectView::EditProperties()
{
    CSyncProject* project = CurrentProject();
    CProjectItem* item = ItemOf(project);
    if (!item)
        return;
    // Applying the sheet may rebuild the node's subtree: no item may point
    // into it meanwhile. The items come back when the sheet is closed.
    const bool wasExpanded = item->isExpanded();
    DropChildren(item);
    const bool applied = EditProjectProperties(m_frame.Window(), *project);
    if (applied && m_doc.IsRescanning()) {
        // The node's project left the tree (with `item`) for the rescan of the node.
        AwaitRescan(project, wasExpanded);
        return;
    }
    RefreshItem(item);
    // A new name may move it among its siblings.
    if (applied && item->parent())
        item->parent()->sortChildren(0, Qt::AscendingOrder);
    if (wasExpanded && project->ChildCount() > 0) {
        Populate(item);
        item->setExpanded(true);
    }
    if (applied)
        SendHint(UpdateHint::NodeChanged, project);
}

void CProjectView::OpenFolders(bool project, bool target)
{
    CSyncProject* node = CurrentProject();
    if (project)
        OpenPath(m_frame.Window(), node->GetFolder(0));
    if (target)
        OpenPath(m_frame.Window(), node->GetFolder(1));
}

void CProjectView::ShowFolderProperties(bool project, bool target)
{
    CSyncProject* node = CurrentProject();
    for (int side = 0; side < 2; ++side) {
        if (!(side == 0 ? project : target))
            continue;
        const QString folder = node->GetFolder(side);
        if (TestFolderReachable(folder))
            ShowPathProperties(m_frame.Window(), folder);
    }
}
