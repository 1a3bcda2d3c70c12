// The commands of the project tree: enable rules for each kind of node, the
// switches, refresh, and deleting projects, on real folders with scripted answers.

#include "ProjectViewFixture.h"

#include "gui/resources/Pictures.h"

#include <QSignalSpy>
#include <map>

namespace {

// Every command of the tree with whether it is enabled.
using Enabled = std::map<int, bool>;

const std::vector<int> kAllCommands{
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

} // namespace

class ProjectViewCommands : public ProjectViewTest
{
protected:
    Enabled Rules()
    {
        Enabled rules;
        for (int id : kAllCommands)
            rules[id] = State(id).enabled;
        return rules;
    }
    // The rules with the given commands on and every other one off.
    static Enabled Only(std::initializer_list<int> on)
    {
        Enabled rules;
        for (int id : kAllCommands)
            rules[id] = false;
        for (int id : on)
            rules[id] = true;
        return rules;
    }
};

TEST_F(ProjectViewCommands, TheViewHandlesTheTreeCommandsOnly)
{
    MakeView();
    for (int id : kAllCommands)
        EXPECT_TRUE(view->HandlesCommand(id)) << id;
    // The toolbar and Edit menu ids that run tree commands.
    EXPECT_TRUE(view->HandlesCommand(Cmd::ToolbarCreateProject));
    EXPECT_TRUE(view->HandlesCommand(Cmd::ToolbarShowProjectState));
    EXPECT_TRUE(view->HandlesCommand(Cmd::MenuDeleteProject));
    for (int id : {Cmd::Delete, Cmd::CompareText, Cmd::Options, Cmd::FileSave, Cmd::FilePrint, Cmd::SortAscending})
        EXPECT_FALSE(view->HandlesCommand(id)) << id;
}

TEST_F(ProjectViewCommands, EnableRulesForEachKindOfNode)
{
    CSyncProject& project = AddProject(QStringLiteral("work"));
    WriteSide(project, 0, QStringLiteral("left/f.txt"), "x", kOld);
    project.Refresh(true);
    CSyncProject& half = AddProject(QStringLiteral("half"), true, false);
    MakeView();
    view->ExpandSubtree(view->RootItem());

    // The root.
    EXPECT_EQ(Rules(),
        Only({Cmd::CreateProject, Cmd::ShowProjectSyncState, Cmd::Refresh, Cmd::Export, Cmd::Import, Cmd::ExportAll,
            Cmd::ImportAll}));
    EXPECT_TRUE(State(Cmd::ToolbarCreateProject).enabled);
    EXPECT_FALSE(State(Cmd::MenuDeleteProject).enabled);

    // A top-level project with both folders.
    Select(project);
    const Enabled projectRules = Only({Cmd::ShowFileSyncState, Cmd::ShowProjectSyncState, Cmd::Refresh, Cmd::Export,
        Cmd::Import, Cmd::ExportAll, Cmd::ImportAll, Cmd::NoSync, Cmd::NoSubfolderSearch, Cmd::DisableFolderAndBelow,
        Cmd::DeleteProject, Cmd::DeleteFolder, Cmd::ProjectProperties, Cmd::OpenProjectFolder, Cmd::OpenTargetFolder,
        Cmd::OpenBoth, Cmd::ProjectFolderProperties, Cmd::TargetFolderProperties, Cmd::BothProperties});
    EXPECT_EQ(Rules(), projectRules);
    EXPECT_TRUE(State(Cmd::MenuDeleteProject).enabled);

    // A subfolder whose target side is missing: not a project to delete, and
    // nothing to open on the target side.
    CSyncProject* left = project.FindChild(QStringLiteral("left"));
    ASSERT_NE(left, nullptr);
    Select(*left);
    Enabled subfolderRules = projectRules;
    for (int id :
        {Cmd::DeleteProject, Cmd::OpenTargetFolder, Cmd::OpenBoth, Cmd::TargetFolderProperties, Cmd::BothProperties})
        subfolderRules[id] = false;
    EXPECT_EQ(Rules(), subfolderRules);

    // A project whose target folder is missing.
    Select(half);
    Enabled halfRules = projectRules;
    for (int id : {Cmd::OpenTargetFolder, Cmd::OpenBoth, Cmd::TargetFolderProperties, Cmd::BothProperties})
        halfRules[id] = false;
    EXPECT_EQ(Rules(), halfRules);

    // The folders are tested again at every update.
    Select(project);
    QDir(project.GetFolder(0)).removeRecursively();
    EXPECT_FALSE(State(Cmd::OpenProjectFolder).enabled);
    EXPECT_FALSE(State(Cmd::ProjectFolderProperties).enabled);
    EXPECT_FALSE(State(Cmd::OpenBoth).enabled);
    EXPECT_TRUE(State(Cmd::OpenTargetFolder).enabled);
}

TEST_F(ProjectViewCommands, ExportAndImportFollowRuleE)
{
    CSyncProject& plain = AddProject(QStringLiteral("plain"));
    CSyncProject& excluded = AddProject(QStringLiteral("excluded"));
    excluded.SetNoSync(true);
    CSyncProject& excludedParent = AddProject(QStringLiteral("parent"));
    excludedParent.SetNoSync(true);
    WriteSide(excludedParent, 0, QStringLiteral("child/f.txt"), "x", kOld);
    excludedParent.Refresh(true);
    ASSERT_EQ(excludedParent.ChildCount(), 1);
    MakeView();
    view->ExpandSubtree(view->RootItem());

    const auto exportImport = [this] {
        std::vector<bool> states;
        for (int id : {Cmd::Export, Cmd::Import, Cmd::ExportAll, Cmd::ImportAll})
            states.push_back(State(id).enabled);
        return states;
    };
    const std::vector<bool> on(4, true);
    const std::vector<bool> off(4, false);
    EXPECT_EQ(exportImport(), on); // the root with projects
    Select(plain);
    EXPECT_EQ(exportImport(), on);
    Select(excluded);
    EXPECT_EQ(exportImport(), off); // excluded, nothing below it
    Select(excludedParent);
    EXPECT_EQ(exportImport(), on); // excluded, but its subfolder can be synchronised
    Select(*excludedParent.FindChild(QStringLiteral("child")));
    EXPECT_EQ(exportImport(), on);
}

TEST_F(ProjectViewCommands, NoSyncTogglesTheCross)
{
    CSyncProject& project = AddProject(QStringLiteral("work"));
    WriteSide(project, 0, QStringLiteral("a.txt"), "x", kOld);
    MakeView();
    Select(project);
    EXPECT_EQ(Role(Item(project), ProjectRole::StatusPicture), Strip::ProjectNewer);
    EXPECT_FALSE(doc.IsModified());

    view->ExecuteCommand(Cmd::NoSync);
    EXPECT_TRUE(project.IsNoSync());
    EXPECT_TRUE(State(Cmd::NoSync).checked);
    EXPECT_EQ(Role(Item(project), ProjectRole::StatusPicture), Strip::Excluded);
    EXPECT_EQ(Item(project)->data(0, Qt::ToolTipRole).toString(), QStringLiteral("同期除外対象"));
    EXPECT_TRUE(doc.IsModified());

    view->ExecuteCommand(Cmd::NoSync);
    EXPECT_FALSE(project.IsNoSync());
    EXPECT_FALSE(State(Cmd::NoSync).checked);
    EXPECT_EQ(Role(Item(project), ProjectRole::StatusPicture), Strip::ProjectNewer);
}

TEST_F(ProjectViewCommands, NoSubfolderSearchDropsTheChildItemsAndBringsThemBack)
{
    CSyncProject& project = AddProject(QStringLiteral("work"));
    WriteSide(project, 0, QStringLiteral("one/f.txt"), "x", kOld);
    WriteSide(project, 1, QStringLiteral("two/f.txt"), "x", kOld);
    project.Refresh(true);
    MakeView();
    view->ExpandSubtree(view->RootItem());
    ASSERT_EQ(Item(project)->childCount(), 2);
    Select(project);
    EXPECT_EQ(Role(Item(project), ProjectRole::TypePicture), Strip::Project);

    view->ExecuteCommand(Cmd::NoSubfolderSearch);
    // The project is rescanned on the document's worker and comes back selected.
    EXPECT_TRUE(doc.IsRescanning());
    ASSERT_TRUE(doc.WaitForLoading());
    EXPECT_TRUE(project.IsNoSubfolderSearch());
    EXPECT_TRUE(State(Cmd::NoSubfolderSearch).checked);
    EXPECT_EQ(Item(project)->childCount(), 0);
    EXPECT_EQ(project.ChildCount(), 0);
    EXPECT_EQ(Item(project)->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
    EXPECT_EQ(Role(Item(project), ProjectRole::TypePicture), Strip::ProjectNoSubfolders);
    EXPECT_TRUE(doc.IsModified());

    // Searching again finds the subfolders; the item is filled when next expanded.
    view->ExecuteCommand(Cmd::NoSubfolderSearch);
    ASSERT_TRUE(doc.WaitForLoading());
    EXPECT_FALSE(project.IsNoSubfolderSearch());
    EXPECT_EQ(project.ChildCount(), 2);
    EXPECT_EQ(Role(Item(project), ProjectRole::TypePicture), Strip::Project);
    EXPECT_EQ(Item(project)->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    EXPECT_EQ(Item(project)->childCount(), 0);
    Item(project)->setExpanded(true);
    EXPECT_EQ(ChildTexts(Item(project)), QStringList({QStringLiteral("one"), QStringLiteral("two")}));
    EXPECT_EQ(view->CurrentNode(), &project);
}

TEST_F(ProjectViewCommands, DisableFolderAndBelowExcludesTheSubtree)
{
    CSyncProject& project = AddProject(QStringLiteral("work"));
    WriteSide(project, 0, QStringLiteral("sub/deeper/f.txt"), "x", kOld);
    project.Refresh(true);
    MakeView();
    view->ExpandSubtree(view->RootItem());
    CSyncProject* sub = project.FindChild(QStringLiteral("sub"));
    ASSERT_NE(sub, nullptr);
    ASSERT_NE(Item(*sub->FindChild(QStringLiteral("deeper"))), nullptr);
    Select(*sub);
    hints.clear();

    view->ExecuteCommand(Cmd::DisableFolderAndBelow);
    // The folder is rescanned on the document's worker and comes back selected.
    EXPECT_TRUE(doc.IsRescanning());
    EXPECT_EQ(project.FindChild(QStringLiteral("sub")), nullptr);
    EXPECT_EQ(Item(*sub), nullptr);
    ASSERT_TRUE(doc.WaitForLoading());
    EXPECT_EQ(project.FindChild(QStringLiteral("sub")), sub);
    EXPECT_TRUE(sub->IsNoSync());
    EXPECT_TRUE(sub->IsNoSubfolderSearch());
    EXPECT_EQ(sub->ChildCount(), 0);
    EXPECT_EQ(Item(*sub)->childCount(), 0);
    EXPECT_EQ(Role(Item(*sub), ProjectRole::TypePicture), Strip::FolderNoSubfolders);
    EXPECT_EQ(Role(Item(*sub), ProjectRole::StatusPicture), Strip::Excluded);
    EXPECT_EQ(HintsOf(UpdateHint::Refresh), std::vector<TreeHint>({{UpdateHint::Refresh, sub}}));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(view->CurrentNode(), sub);

    // The root has no switches to set.
    Select(doc.GetRoot());
    view->ExecuteCommand(Cmd::DisableFolderAndBelow);
    EXPECT_EQ(view->CurrentNode(), &doc.GetRoot());
}

TEST_F(ProjectViewCommands, RefreshRescansEverythingAndRebuilds)
{
    CSyncProject& project = AddProject(QStringLiteral("work"));
    WriteSide(project, 0, QStringLiteral("gone/f.txt"), "x", kOld);
    project.Refresh(true);
    MakeView();
    view->ExpandSubtree(view->RootItem());
    Select(*project.FindChild(QStringLiteral("gone")));

    QDir(project.GetFolder(0) + QStringLiteral("/gone")).removeRecursively();
    WriteSide(project, 0, QStringLiteral("fresh/f.txt"), "x", kOld);
    hints.clear();
    QSignalSpy finished(&doc, &CMyDoc::LoadFinished);
    view->ExecuteCommand(Cmd::Refresh);
    // The rescan runs on the document's worker; the project comes back whole.
    EXPECT_TRUE(doc.IsRescanning());
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(project.FindChild(QStringLiteral("gone")), nullptr);
    EXPECT_NE(project.FindChild(QStringLiteral("fresh")), nullptr);
    EXPECT_EQ(view->CurrentNode(), &doc.GetRoot());
    ASSERT_FALSE(hints.empty());
    EXPECT_EQ(hints.back(), (TreeHint{UpdateHint::Refresh, &doc.GetRoot()}));
    Item(project)->setExpanded(true);
    EXPECT_EQ(ChildTexts(Item(project)), QStringList({QStringLiteral("fresh")}));
}

TEST_F(ProjectViewCommands, DeleteProjectAsksFirst)
{
    CSyncProject& first = AddProject(QStringLiteral("first"));
    CSyncProject& second = AddProject(QStringLiteral("second"));
    WriteSide(second, 0, QStringLiteral("sub/f.txt"), "x", kOld);
    second.Refresh(true);
    MakeView();
    view->ExpandSubtree(view->RootItem());
    Select(second);

    prompt.Push(PromptAnswer::Cancel);
    view->ExecuteCommand(Cmd::DeleteProject);
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(prompt.Requests()[0].text, QStringLiteral("プロジェクトを削除します。よろしいですか？"));
    EXPECT_EQ(prompt.Requests()[0].buttons, PromptButtons::OkCancel);
    EXPECT_EQ(prompt.Requests()[0].icon, PromptIcon::Question);
    EXPECT_EQ(doc.GetRoot().ChildCount(), 2);
    EXPECT_NE(Item(second), nullptr);
    EXPECT_FALSE(doc.IsModified());

    prompt.Push(PromptAnswer::Ok);
    hints.clear();
    view->ExecuteCommand(Cmd::MenuDeleteProject); // the Edit menu's item runs the same command
    EXPECT_EQ(prompt.Requests().size(), 2u);
    EXPECT_EQ(doc.GetRoot().FindChild(QStringLiteral("second")), nullptr);
    EXPECT_EQ(ChildTexts(view->RootItem()), QStringList({QStringLiteral("first")}));
    // The selection moved before the node went: no view shows it any more.
    EXPECT_EQ(view->CurrentNode(), &first);
    EXPECT_EQ(hints.back(), (TreeHint{UpdateHint::NodeChanged, &first}));
    EXPECT_TRUE(doc.IsModified());
    // The folders themselves stay.
    EXPECT_TRUE(QDir(dir.PathOf(QStringLiteral("second/project/second"))).exists());

    // The last project: the root is selected.
    prompt.Push(PromptAnswer::Ok);
    view->ExecuteCommand(Cmd::DeleteProject);
    EXPECT_EQ(doc.GetRoot().ChildCount(), 0);
    EXPECT_EQ(view->CurrentNode(), &doc.GetRoot());
    EXPECT_EQ(view->RootItem()->childCount(), 0);
    EXPECT_EQ(prompt.UnexpectedCount(), 0);
}

TEST_F(ProjectViewCommands, CommandsThatDoNotApplyDoNothing)
{
    AddProject(QStringLiteral("work"));
    MakeView();
    // Delete project with the root selected is disabled and never asks.
    view->ExecuteCommand(Cmd::DeleteProject);
    view->ExecuteCommand(Cmd::NoSync);
    view->ExecuteCommand(Cmd::NoSubfolderSearch);
    EXPECT_TRUE(prompt.Requests().empty());
    EXPECT_EQ(doc.GetRoot().ChildCount(), 1);
    EXPECT_FALSE(doc.IsModified());
}
