#include "core/model/ProjectCreation.h"

#include "core/engine/Keys.h"
#include "core/model/CAppProject.h"
#include "core/model/CSyncProject.h"
#include "core/platform/FileSystem.h"
#include "core/platform/PathResolution.h"
#include "core/platform/Paths.h"
#include "core/platform/Prompt.h"

bool ValidateNewProject(const NewProjectValues& values, NewProjectCheck* why)
{
    const auto result = [why](NewProjectCheck check) {
        if (why)
            *why = check;
        return check == NewProjectCheck::Ok;
    };
    CPrompt& prompt = CurrentPrompt();
    // A relative path would be taken from wherever the program was started.
    if (!IsFolderPathSet(values.projectFolder) || !TestFolderReachable(values.projectFolder)) {
        prompt.ShowMessage(ProjectText::InvalidFolder, PromptIcon::Warning);
        return result(NewProjectCheck::InvalidProjectFolder);
    }
    if (values.targetFolder.isEmpty())
        return result(NewProjectCheck::Ok);
    if (!IsFolderPathSet(values.targetFolder)) {
        prompt.ShowMessage(ProjectText::InvalidFolder, PromptIcon::Warning);
        return result(NewProjectCheck::InvalidTargetFolder);
    }
    // Checked before a missing target is created, which would be in vain.
    if (FoldersOverlap(values.projectFolder, values.targetFolder)) {
        prompt.ShowMessage(ProjectText::FoldersOverlap, PromptIcon::Warning);
        return result(NewProjectCheck::FoldersOverlap);
    }
    if (!TestFolderReachable(values.targetFolder)) {
        if (!prompt.AskOkCancel(ProjectText::CreateTarget, PromptIcon::Question))
            return result(NewProjectCheck::TargetDeclined);
        if (!CreateFolder(values.targetFolder)) {
            prompt.ShowMessage(ProjectText::CannotCreateFolder, PromptIcon::Warning);
            return result(NewProjectCheck::TargetNotCreated);
        }
    }
    return result(NewProjectCheck::Ok);
}

std::unique_ptr<CSyncProject> NewProject(CAppProject& root, const NewProjectValues& values)
{
    if (root.FindChild(GetLastComponent(values.projectFolder))) {
        CurrentPrompt().ShowMessage(ProjectText::AlreadyRegistered, PromptIcon::Warning);
        return nullptr;
    }
    auto project = std::make_unique<CSyncProject>(&root);
    if (!values.includeSubfolders)
        project->SetNoSubfolderSearch(true);
    project->SetFolders(values.projectFolder, values.targetFolder);
    return project;
}

CSyncProject* CreateProject(CAppProject& root, const NewProjectValues& values)
{
    std::unique_ptr<CSyncProject> project = NewProject(root, values);
    if (!project)
        return nullptr;
    project->Refresh(true);
    return &root.AddChild(std::move(project));
}

ProjectSheetValues ReadProjectSheet(const CSyncProject& node)
{
    ProjectSheetValues values;
    values.noSync = node.IsNoSync();
    values.noSubfolderSearch = node.IsNoSubfolderSearch();
    values.projectFolder = node.GetFolder(0);
    values.targetFolder = node.GetFolder(1);
    values.customName = !node.GetName().isEmpty();
    values.displayName = node.GetDisplayName();
    values.filterUseCommon = !node.HasFlag(NodeFlag::OwnFilter);
    values.ownFilters = node.GetOwnFilterSelection();
    values.optionsUseCommon = !node.HasFlag(NodeFlag::OwnSyncOptions);
    values.options.CopyFlagsFrom(node.GetOwnSyncOptions());
    return values;
}

QString ProjectSheetTitle(const CSyncProject& node)
{
    QString title;
    for (const CProject* at = &node; at && at->GetParent(); at = at->GetParent())
        title.prepend(QLatin1Char('/') + at->GetDisplayName());
    return title.isEmpty() ? QStringLiteral("/") : title;
}

bool ValidateProjectSheet(const ProjectSheetValues& values)
{
    if (!values.foldersEdited)
        return true;
    CPrompt& prompt = CurrentPrompt();
    if (values.projectFolder.isEmpty()) {
        prompt.ShowMessage(ProjectText::NoProjectFolder, PromptIcon::Information);
        return false;
    }
    if (!IsFolderPathSet(values.projectFolder)) {
        prompt.ShowMessage(ProjectText::InvalidFolder, PromptIcon::Information);
        return false;
    }
    if (!TestFolderReachable(values.projectFolder)
        && !prompt.AskYesNo(ProjectText::ProjectFolderMissing, PromptIcon::Information))
        return false;
    if (values.targetFolder.isEmpty()) {
        prompt.ShowMessage(ProjectText::NoTargetFolder, PromptIcon::Information);
        return false;
    }
    if (!IsFolderPathSet(values.targetFolder)) {
        prompt.ShowMessage(ProjectText::InvalidFolder, PromptIcon::Information);
        return false;
    }
    if (FoldersOverlap(values.projectFolder, values.targetFolder)) {
        prompt.ShowMessage(ProjectText::FoldersOverlap, PromptIcon::Information);
        return false;
    }
    if (!TestFolderReachable(values.targetFolder)
        && !prompt.AskYesNo(ProjectText::TargetFolderMissing, PromptIcon::Information))
        return false;
    if (values.customName && values.displayName.isEmpty()) {
        prompt.ShowMessage(ProjectText::NoDisplayName, PromptIcon::None);
        return false;
    }
    return true;
}

SheetResult ApplyProjectSheet(CSyncProject& node, const ProjectSheetValues& values)
{
    const SheetResult result = ApplyProjectSheetSettings(node, values);
    if (result == SheetResult::Applied)
        node.Refresh(true);
    return result;
}

SheetResult ApplyProjectSheetSettings(CSyncProject& node, const ProjectSheetValues& values)
{
    CPrompt& prompt = CurrentPrompt();
    const QString folderName = GetLastComponent(values.projectFolder);
    // An empty display name cannot be a name: the folder's name is shown instead.
    const bool customName = values.customName && !values.displayName.isEmpty();

    // 1-2. The key the node will have must not be taken by another node beside it.
    const QString candidate = customName && values.displayName != folderName ? values.displayName : folderName;
    if (CProject* parent = node.GetParent()) {
        const CSyncProject* holder = parent->FindChild(candidate);
        if (holder && holder != &node) {
            prompt.ShowMessage(ProjectText::AlreadyRegistered, PromptIcon::Warning);
            return SheetResult::ShowAgain;
        }
    }

    // 3. Changing the folders rebuilds the subtree: ask first.
    const bool foldersChanged = values.projectFolder != node.GetFolder(0) || values.targetFolder != node.GetFolder(1);
    if (foldersChanged) {
        PromptRequest request;
        request.text = ProjectText::FolderChangeResets;
        request.buttons = PromptButtons::YesNoCancel;
        request.icon = PromptIcon::Question;
        switch (prompt.Ask(request)) {
        case PromptAnswer::Yes:
            break;
        case PromptAnswer::No:
            return SheetResult::ShowAgain;
        default:
            return SheetResult::Cancelled;
        }
    }

    // 4-6. Switches and name.
    const QString oldKey = node.GetKey();
    node.SetNoSync(values.noSync);
    node.SetNoSubfolderSearchBit(values.noSubfolderSearch);
    // A display name equal to the folder's name is no custom name: the folder's
    // name shows, as typed, and the key is the one checked above.
    node.SetName(customName && values.displayName != folderName ? values.displayName : QString());

    // 7. Settings, then 8 folders (the rescan is the caller's).
    node.ApplySyncOptions(values.optionsUseCommon, values.options, values.optionsSubtree);
    node.ApplyFilterSetting(values.filterUseCommon, values.ownFilters, values.filterSubtree);
    if (foldersChanged)
        node.SetFolders(values.projectFolder, values.targetFolder);

    // 10. Re-key the node in its parent.
    if (CProject* parent = node.GetParent(); parent && node.GetKey() != oldKey) {
        if (std::unique_ptr<CSyncProject> detached = parent->DetachChild(oldKey))
            parent->AddChild(std::move(detached));
    }
    node.SetChanged(true);
    return SheetResult::Applied;
}
