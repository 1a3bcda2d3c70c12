// The file list's commands: their enable rules and what they do.

#include "core/engine/CFileSyncStatus.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/model/PairRoots.h"
#include "core/platform/Paths.h"
#include "core/platform/Prompt.h"
#include "core/resources/CommandIds.h"
#include "core/sync/CFileOperation.h"
#include "core/sync/CSyncRun.h"
#include "gui/shell/CColumnEditDialog.h"
#include "gui/shell/CWaitCursor.h"
#include "gui/sync/CFileDeleteDlg.h"
#include "gui/sync/DesktopActions.h"
#include "gui/views/CFileListItem.h"
#include "gui/views/CFileSyncView.h"
#include "gui/views/ColumnHeader.h"

#include <QScopedValueRollback>
#include <span>

namespace {

QString OverwriteQuestion()
{
    return QStringLiteral("古いファイルを新しいファイルに上書きしてもよろしいですか？");
}

} // namespace

bool CFileSyncView::HandlesCommand(int id) const
{
    switch (id) {
    case Cmd::Export:
    case Cmd::Import:
    case Cmd::Delete:
    case Cmd::OpenProjectFolder:
    case Cmd::OpenTargetFolder:
    case Cmd::OpenBoth:
    case Cmd::ProjectFolderProperties:
    case Cmd::TargetFolderProperties:
    case Cmd::BothProperties:
    case Cmd::CompareText:
    case Cmd::CompareBinary:
    case Cmd::Refresh:
    case Cmd::SortAscending:
    case Cmd::SortDescending:
    case Cmd::EditColumns:
        return true;
    default:
        return false;
    }
}

bool CFileSyncView::AnySelectedOnSide(int side) const
{
    for (const CFileListItem* row : Selection()) {
        if (row->Record().Exists(side))
            return true;
    }
    return false;
}

void CFileSyncView::UpdateCommand(int id, CommandState& state)
{
    state = CommandState();
    switch (id) {
    case Cmd::SortAscending:
    case Cmd::SortDescending:
        state.enabled = true;
        state.checked
            = m_columns.SortColumn() == m_menuColumn && m_columns.SortDirection() == (id == Cmd::SortAscending ? 0 : 1);
        return;
    case Cmd::EditColumns:
        state.enabled = true;
        return;
    default:
        break;
    }

    // The row commands need the folder pair the rows were scanned from.
    if (!ShownProject())
        return;
    const std::vector<CFileListItem*>& selected = Selection();
    switch (id) {
    case Cmd::Export:
    case Cmd::Import:
    case Cmd::Refresh:
        state.enabled = !selected.empty();
        break;
    case Cmd::Delete:
        state.enabled = true;
        break;
    case Cmd::OpenProjectFolder:
    case Cmd::ProjectFolderProperties:
        state.enabled = AnySelectedOnSide(0);
        break;
    case Cmd::OpenTargetFolder:
    case Cmd::TargetFolderProperties:
        state.enabled = AnySelectedOnSide(1);
        break;
    case Cmd::OpenBoth:
    case Cmd::BothProperties:
        state.enabled = !selected.empty();
        break;
    case Cmd::CompareText:
    case Cmd::CompareBinary:
        state.enabled = selected.size() == 1 && selected.front()->Record().GetPresence() == 3;
        break;
    default:
        break;
    }
}

void CFileSyncView::ExecuteCommand(int id)
{
    switch (id) {
    case Cmd::SortAscending:
    case Cmd::SortDescending:
        // Both do the same as a click on the column's header.
        ColumnClick(m_menuColumn);
        return;
    case Cmd::EditColumns:
        EditColumns();
        return;
    default:
        break;
    }

    // A command whose rule fails does nothing, whoever calls it.
    CommandState state;
    UpdateCommand(id, state);
    if (!state.enabled)
        return;
    switch (id) {
    case Cmd::Export:
        ExportOrImport(SyncDirection::Export);
        break;
    case Cmd::Import:
        ExportOrImport(SyncDirection::Import);
        break;
    case Cmd::Delete:
        DeleteSelection();
        break;
    case Cmd::OpenProjectFolder:
        OpenSelection(true, false);
        break;
    case Cmd::OpenTargetFolder:
        OpenSelection(false, true);
        break;
    case Cmd::OpenBoth:
        OpenSelection(true, true);
        break;
    case Cmd::ProjectFolderProperties:
        ShowSelectionProperties(true, false);
        break;
    case Cmd::TargetFolderProperties:
        ShowSelectionProperties(false, true);
        break;
    case Cmd::BothProperties:
        ShowSelectionProperties(true, true);
        break;
    case Cmd::CompareText:
        CompareSelection(false);
        break;
    case Cmd::CompareBinary:
        CompareSelection(true);
        break;
    case Cmd::Refresh:
        Refresh();
        break;
    default:
        break;
    }
}

void CFileSyncView::SendHint(int hint, CProject* object)
{
    QScopedValueRollback sending(m_sendingHint, true);
    Q_EMIT m_doc.UpdateAllViews(hint, object);
}

QString CFileSyncView::SidePath(const CFileListItem& row, int side) const
{
    // A side holds the file under its own spelling (a case variant may pair with it).
    const CFileSyncStatus& record = row.Record();
    return JoinPath(m_table.GetFolder(side), record.Exists(side) ? record.Name(side).toString() : record.GetName());
}

void CFileSyncView::ExportOrImport(SyncDirection direction)
{
    CSyncProject* project = ShownProject();
    const std::vector<CFileListItem*> selected = SelectedRows();
    if (!project || selected.empty())
        return;
    QStringList names;
    for (const CFileListItem* row : selected)
        names.append(row->Record().GetName());

    // A run never overwrites a newer file; a single such file may be
    // overwritten on request.
    const SyncState opposite = direction == SyncDirection::Export ? SyncTargetNewer : SyncProjectNewer;
    if (selected.size() == 1 && selected.front()->Record().GetState() == opposite) {
        if (!CurrentPrompt().AskOkCancel(OverwriteQuestion(), PromptIcon::Question))
            return;
        const int from = direction == SyncDirection::Export ? 0 : 1;
        const QString source = SidePath(*selected.front(), from);
        const QString destination = SidePath(*selected.front(), 1 - from);
        CWaitCursor wait;
        CFileOperation operation(m_doc.GetSyncHooks().observer);
        operation.SetRoots(CPairRoots(RootFoldersOf(*project)));
        operation.CopyItem(source, destination, FileOpFlag::NoConfirmation);
    } else {
        CWaitCursor wait;
        m_doc.SynchronizeFiles(project, names, project->GetEffectiveSyncOptions(), direction);
    }
    Fill(true);
    SendHint(UpdateHint::RunDone, project);
}

void CFileSyncView::DeleteSelection()
{
    CSyncProject* project = ShownProject();
    if (!project)
        return;
    const std::vector<CFileListItem*> selected = SelectedRows();
    QString sideText[2];
    for (int side = 0; side < 2; ++side) {
        int count = 0;
        for (const CFileListItem* row : selected) {
            if (!row->Record().Exists(side))
                continue;
            if (++count == 1)
                sideText[side] = SidePath(*row, side);
            else
                sideText[side] = CFileDeleteDlg::MultipleFilesText();
        }
    }

    CFileDeleteDlg dialog(m_frame.Window());
    dialog.SetProjectPath(sideText[0]);
    dialog.SetTargetPath(sideText[1]);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QStringList paths;
    for (const CFileListItem* row : selected) {
        if (dialog.DeleteProject() && row->Record().Exists(0))
            paths.append(SidePath(*row, 0));
        if (dialog.DeleteTarget() && row->Record().Exists(1))
            paths.append(SidePath(*row, 1));
    }
    if (paths.isEmpty())
        return;
    m_doc.DeletePaths(paths, dialog.Recycle());
    // Refreshed whatever the result: a deletion that failed half way has still
    // removed some files.
    Fill(false);
    SendHint(UpdateHint::RunDone, project);
}

void CFileSyncView::OpenSelection(bool project, bool target)
{
    QStringList paths;
    for (const CFileListItem* row : SelectedRows()) {
        if (project && row->Record().Exists(0))
            paths.append(SidePath(*row, 0));
        if (target && row->Record().Exists(1))
            paths.append(SidePath(*row, 1));
    }
    for (const QString& path : paths)
        OpenPath(m_frame.Window(), path);
}

void CFileSyncView::ShowSelectionProperties(bool project, bool target)
{
    QStringList paths;
    for (const CFileListItem* row : SelectedRows()) {
        if (project && row->Record().Exists(0))
            paths.append(SidePath(*row, 0));
        if (target && row->Record().Exists(1))
            paths.append(SidePath(*row, 1));
    }
    for (const QString& path : paths)
        ShowPathProperties(m_frame.Window(), path);
}

void CFileSyncView::CompareSelection(bool binary)
{
    const std::vector<CFileListItem*> selected = SelectedRows();
    if (selected.size() != 1 || selected.front()->Record().GetPresence() != 3)
        return;
    const QString projectPath = SidePath(*selected.front(), 0);
    const QString targetPath = SidePath(*selected.front(), 1);
    if (binary)
        CompareBinary(m_frame.Window(), projectPath, targetPath);
    else
        CompareText(m_frame.Window(), projectPath, targetPath);
}

void CFileSyncView::Refresh()
{
    Fill(false);
    SendHint(UpdateHint::Refresh, nullptr);
}

void CFileSyncView::EditColumns()
{
    CaptureListColumns(this, m_columns);
    CColumnEditDialog dialog(std::span<ColumnRecord>(m_columns.Records()), m_frame.Window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    const bool hadRows = topLevelItemCount() > 0;
    const std::optional<QString> remembered = FirstSelectedName();
    BuildColumns(); // deletes the rows
    ShowSortPicture();
    if (hadRows)
        FillRows(true, remembered);
}
