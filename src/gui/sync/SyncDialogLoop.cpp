#include "gui/sync/SyncDialogLoop.h"

#include <QCursor> // before CWaitCursor.h, which uses it

#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/settings/CAppOptionSync.h"
#include "gui/shell/CWaitCursor.h"
#include "gui/sync/CSyncOptionDlg.h"
#include "gui/sync/GuiSyncHooks.h"

namespace {

QString TitleFor(bool allProjects, SyncDirection direction)
{
    const bool exporting = direction == SyncDirection::Export;
    if (allProjects)
        return exporting ? QStringLiteral("全エクスポート - 同期オプション")
                         : QStringLiteral("全インポート - 同期オプション");
    return exporting ? QStringLiteral("エクスポート - 同期オプション") : QStringLiteral("インポート - 同期オプション");
}

} // namespace

bool RunSyncDialogLoop(
    QWidget* parent, CMyDoc& doc, CProject& node, SyncDirection direction, const std::function<void()>& afterEachRun)
{
    const auto* project = dynamic_cast<const CSyncProject*>(&node);
    const bool allProjects = project == nullptr;
    // The working copy takes the flags only: its log path stays empty, so
    // each run writes a log file of its own.
    CAppOptionSync working;
    working.CopyFlagsFrom(project ? project->GetEffectiveSyncOptions() : GlobalOptionSync());
    if (allProjects)
        working.Flags |= SyncFlag::Recursive;

    const CSyncBusyScope busy;
    CSyncOptionDlg dialog(parent);
    dialog.SetTitle(TitleFor(allProjects, direction));
    dialog.SetAllProjects(allProjects);
    bool executed = false;
    for (;;) {
        dialog.SetOptions(working);
        if (dialog.exec() != QDialog::Accepted) {
            doc.SetPreview(false);
            break;
        }
        working = dialog.Options();
        doc.SetPreview(dialog.PreviewChosen());
        {
            CWaitCursor wait;
            executed = doc.Synchronize(&node, working, direction) || executed;
        }
        if (afterEachRun)
            afterEachRun();
        // Still set: the user went back from the preview list.
        if (!doc.IsPreview())
            break;
    }
    return executed;
}
