// The tree commands that open dialogs: create project, export and import
// through the sync options dialog, delete folder, the property sheet and the
// folder information windows. The dialogs are driven as they show.

#include "ProjectViewFixture.h"

#include "core/model/ProjectCreation.h"
#include "gui/model/CCreateProjectDlg.h"
#include "gui/model/CSyncProjectPropPs.h"
#include "gui/resources/Pictures.h"
#include "gui/sync/CFolderDeleteDlg.h"
#include "gui/sync/CPathPropertiesDlg.h"
#include "gui/sync/CSyncOptionDlg.h"

#include <QCheckBox>
#include <QLineEdit>

namespace {

// Points the temporary folder (where runs without a log path write their
// log) into a test folder for the lifetime of the object.
class TempFolderScope
{
public:
    explicit TempFolderScope(const QString& path) : m_previous(qgetenv("TMPDIR"))
    {
        qputenv("TMPDIR", path.toLocal8Bit());
    }
    ~TempFolderScope()
    {
        if (m_previous.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", m_previous);
    }

private:
    QByteArray m_previous;
};

} // namespace

class ProjectViewDialogs : public ProjectViewTest
{
protected:
    void SetUp() override
    {
        ProjectViewTest::SetUp();
        tempScope = std::make_unique<TempFolderScope>(tempDir.Path());
    }
    void TearDown() override
    {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (dynamic_cast<CPathPropertiesDlg*>(window))
                delete window;
        tempScope.reset();
        ProjectViewTest::TearDown();
    }

    TestDir tempDir;
    std::unique_ptr<TempFolderScope> tempScope;
};

TEST_F(ProjectViewDialogs, CreateProjectInsertsAndSelectsTheNewItem)
{
    AddProject(QStringLiteral("beta"));
    AddProject(QStringLiteral("zeta"));
    MakeView();
    const QString folder = dir.MakeFolder(QStringLiteral("new/alpha"));
    dir.MakeFolder(QStringLiteral("new/alpha/sub"));
    const QString target = dir.MakeFolder(QStringLiteral("backup/alpha"));
    hints.clear();

    ModalScript<CCreateProjectDlg> script({[&](CCreateProjectDlg& dialog) {
        dialog.SetValues({folder, target, true});
        dialog.accept();
    }});
    view->ExecuteCommand(Cmd::ToolbarCreateProject); // the toolbar button runs the command
    EXPECT_EQ(script.Runs(), 1);
    // Scanned on the document's worker: it joins the tree whole, then is selected.
    EXPECT_TRUE(doc.IsRescanning());
    EXPECT_EQ(doc.GetRoot().FindChild(QStringLiteral("alpha")), nullptr);
    ASSERT_TRUE(doc.WaitForLoading());
    CSyncProject* created = doc.GetRoot().FindChild(QStringLiteral("alpha"));
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(ChildTexts(view->RootItem()),
        QStringList({QStringLiteral("alpha"), QStringLiteral("beta"), QStringLiteral("zeta")}));
    EXPECT_EQ(view->CurrentNode(), created);
    EXPECT_EQ(view->SelectedItem(), Item(*created));
    EXPECT_EQ(frame.projectPath, folder);
    EXPECT_EQ(frame.targetPath, target);
    EXPECT_EQ(hints.back(), (TreeHint{UpdateHint::NodeChanged, created}));
    // Its subfolder was found and can be shown.
    EXPECT_EQ(Item(*created)->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    Item(*created)->setExpanded(true);
    EXPECT_EQ(ChildTexts(Item(*created)), QStringList({QStringLiteral("sub")}));
    // The command needs the root.
    EXPECT_FALSE(State(Cmd::CreateProject).enabled);
}

TEST_F(ProjectViewDialogs, CreatingARegisteredFolderNameShowsTheDialogAgain)
{
    AddProject(QStringLiteral("beta"));
    MakeView();
    const QString other = dir.MakeFolder(QStringLiteral("elsewhere/Beta"));
    QString secondEntry;
    prompt.Push(PromptAnswer::Ok);
    ModalScript<CCreateProjectDlg> script({
        [&](CCreateProjectDlg& dialog) {
            dialog.SetValues({other, QString(), true});
            dialog.accept();
        },
        [&](CCreateProjectDlg& dialog) {
            secondEntry = dialog.Values().projectFolder;
            dialog.reject();
        },
    });
    view->ExecuteCommand(Cmd::CreateProject);
    EXPECT_EQ(script.Runs(), 2);
    EXPECT_EQ(prompt.Texts(), QStringList({ProjectText::AlreadyRegistered}));
    EXPECT_EQ(secondEntry, other); // the entries are kept
    EXPECT_EQ(doc.GetRoot().ChildCount(), 1);
    EXPECT_EQ(view->RootItem()->childCount(), 1);
    EXPECT_EQ(view->CurrentNode(), &doc.GetRoot());
}

TEST_F(ProjectViewDialogs, ExportRunsAndRefreshesTheItem)
{
    GlobalOptionSync().Flags = SyncFlag::Default | SyncFlag::NoConfirmation;
    CSyncProject& project = AddProject(QStringLiteral("work"));
    WriteSide(project, 0, QStringLiteral("a.txt"), "new", kOld + 100);
    WriteSide(project, 1, QStringLiteral("a.txt"), "old", kOld);
    MakeView();
    Select(project);
    EXPECT_EQ(Role(Item(project), ProjectRole::StatusPicture), Strip::ProjectNewer);
    hints.clear();

    QString title;
    ModalScript<CSyncOptionDlg> script({[&](CSyncOptionDlg& dialog) {
        title = dialog.windowTitle();
        dialog.accept(); // "同期(&F)": without the preview list
    }});
    view->ExecuteCommand(Cmd::Export);
    EXPECT_EQ(script.Runs(), 1);
    EXPECT_EQ(title, QStringLiteral("エクスポート - 同期オプション"));
    EXPECT_EQ(TestDir::ReadFile(project.GetFolder(1) + QStringLiteral("/a.txt")), QByteArray("new"));
    EXPECT_EQ(HintsOf(UpdateHint::RunDone), std::vector<TreeHint>({{UpdateHint::RunDone, &project}}));
    EXPECT_EQ(Role(Item(project), ProjectRole::StatusPicture), Strip::StateSame);
    EXPECT_FALSE(doc.IsPreview());
}

TEST_F(ProjectViewDialogs, CancelledImportChangesNothing)
{
    GlobalOptionSync().Flags = SyncFlag::Default | SyncFlag::NoConfirmation;
    CSyncProject& project = AddProject(QStringLiteral("work"));
    WriteSide(project, 1, QStringLiteral("a.txt"), "new", kOld + 100);
    WriteSide(project, 0, QStringLiteral("a.txt"), "old", kOld);
    MakeView();
    Select(project);
    hints.clear();
    doc.SetPreview(true);
    ModalScript<CSyncOptionDlg> script({[](CSyncOptionDlg& dialog) { dialog.reject(); }});
    view->ExecuteCommand(Cmd::Import);
    EXPECT_EQ(script.Runs(), 1);
    EXPECT_FALSE(doc.IsPreview());
    EXPECT_EQ(TestDir::ReadFile(project.GetFolder(0) + QStringLiteral("/a.txt")), QByteArray("old"));
    EXPECT_TRUE(HintsOf(UpdateHint::RunDone).empty());
}

TEST_F(ProjectViewDialogs, ImportAllStartsFromTheRoot)
{
    GlobalOptionSync().Flags = SyncFlag::Default | SyncFlag::NoConfirmation;
    CSyncProject& first = AddProject(QStringLiteral("first"));
    WriteSide(first, 1, QStringLiteral("a.txt"), "target", kOld + 100);
    CSyncProject& second = AddProject(QStringLiteral("second"));
    WriteSide(second, 1, QStringLiteral("sub/b.txt"), "target", kOld + 100);
    second.Refresh(true);
    MakeView();
    view->ExpandSubtree(view->RootItem());
    Select(first);
    hints.clear();

    QString title;
    ModalScript<CSyncOptionDlg> script({[&](CSyncOptionDlg& dialog) {
        title = dialog.windowTitle();
        dialog.accept();
    }});
    view->ExecuteCommand(Cmd::ImportAll);
    EXPECT_EQ(title, QStringLiteral("全インポート - 同期オプション"));
    EXPECT_EQ(view->CurrentNode(), &doc.GetRoot());
    EXPECT_EQ(TestDir::ReadFile(first.GetFolder(0) + QStringLiteral("/a.txt")), QByteArray("target"));
    EXPECT_EQ(TestDir::ReadFile(second.GetFolder(0) + QStringLiteral("/sub/b.txt")), QByteArray("target"));
    EXPECT_EQ(HintsOf(UpdateHint::RunDone), std::vector<TreeHint>({{UpdateHint::RunDone, &doc.GetRoot()}}));
    // The whole tree was refreshed: the subfolder now exists on both sides.
    EXPECT_EQ(Role(Item(*second.FindChild(QStringLiteral("sub"))), ProjectRole::StatusPicture), Strip::StateSame);
}

TEST_F(ProjectViewDialogs, DeletingBothFoldersRemovesTheNode)
{
    CSyncProject& first = AddProject(QStringLiteral("first"));
    CSyncProject& work = AddProject(QStringLiteral("work"));
    WriteSide(work, 0, QStringLiteral("sub/f.txt"), "x", kOld);
    WriteSide(work, 1, QStringLiteral("g.txt"), "x", kOld);
    work.Refresh(true);
    const QString projectFolder = work.GetFolder(0);
    const QString targetFolder = work.GetFolder(1);
    MakeView();
    view->ExpandSubtree(view->RootItem());
    Select(work);

    QStringList shown;
    prompt.Push(PromptAnswer::Yes); // deleting for good asks first
    ModalScript<CFolderDeleteDlg> script({[&](CFolderDeleteDlg& dialog) {
        shown << dialog.ProjectPath() << dialog.TargetPath();
        dialog.SetDeleteFolders(true);
        dialog.SetDeleteProject(true);
        dialog.SetDeleteTarget(true);
        dialog.SetRecycle(false);
        dialog.accept();
    }});
    view->ExecuteCommand(Cmd::DeleteFolder);
    EXPECT_EQ(script.Runs(), 1);
    EXPECT_EQ(shown, QStringList({projectFolder, targetFolder}));
    EXPECT_FALSE(TestDir::Exists(projectFolder));
    EXPECT_FALSE(TestDir::Exists(targetFolder));
    EXPECT_EQ(doc.GetRoot().FindChild(QStringLiteral("work")), nullptr);
    EXPECT_EQ(ChildTexts(view->RootItem()), QStringList({QStringLiteral("first")}));
    EXPECT_EQ(view->CurrentNode(), &first);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(prompt.UnexpectedCount(), 0);
}

TEST_F(ProjectViewDialogs, DeletingOneFolderKeepsTheNode)
{
    CSyncProject& work = AddProject(QStringLiteral("work"));
    WriteSide(work, 0, QStringLiteral("a.txt"), "x", kOld);
    WriteSide(work, 1, QStringLiteral("a.txt"), "x", kOld);
    MakeView();
    Select(work);
    EXPECT_EQ(Role(Item(work), ProjectRole::StatusPicture), Strip::StateSame);
    hints.clear();

    prompt.Push(PromptAnswer::Yes);
    ModalScript<CFolderDeleteDlg> script({[&](CFolderDeleteDlg& dialog) {
        dialog.SetDeleteFolders(true);
        dialog.SetDeleteTarget(true);
        dialog.SetRecycle(false);
        dialog.accept();
    }});
    view->ExecuteCommand(Cmd::DeleteFolder);
    EXPECT_TRUE(TestDir::Exists(work.GetFolder(0)));
    EXPECT_FALSE(TestDir::Exists(work.GetFolder(1)));
    ASSERT_EQ(doc.GetRoot().FindChild(QStringLiteral("work")), &work);
    EXPECT_EQ(Role(Item(work), ProjectRole::StatusPicture), Strip::ProjectOnly);
    EXPECT_EQ(hints, std::vector<TreeHint>({{UpdateHint::NodeChanged, &work}}));
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(ProjectViewDialogs, DeleteFolderOfAPairWithoutFolders)
{
    CSyncProject& gone = AddProject(QStringLiteral("gone"), false, false);
    MakeView();
    Select(gone);

    // Cancel keeps the node, although neither of its folders exists.
    QStringList shown;
    ModalScript<CFolderDeleteDlg> cancel({[&](CFolderDeleteDlg& dialog) {
        shown << dialog.ProjectPath() << dialog.TargetPath();
        dialog.reject();
    }});
    view->ExecuteCommand(Cmd::DeleteFolder);
    EXPECT_EQ(cancel.Runs(), 1);
    EXPECT_EQ(shown, QStringList({QString(), QString()}));
    EXPECT_EQ(doc.GetRoot().FindChild(QStringLiteral("gone")), &gone);
    EXPECT_FALSE(doc.IsModified());

    // OK removes it: there is nothing left of it.
    ModalScript<CFolderDeleteDlg> ok({[](CFolderDeleteDlg& dialog) { dialog.accept(); }});
    view->ExecuteCommand(Cmd::DeleteFolder);
    EXPECT_EQ(ok.Runs(), 1);
    EXPECT_EQ(doc.GetRoot().ChildCount(), 0);
    EXPECT_EQ(view->CurrentNode(), &doc.GetRoot());
    EXPECT_TRUE(prompt.Requests().empty());
}

TEST_F(ProjectViewDialogs, DeletingASubfolderRemovesItFromItsProject)
{
    CSyncProject& work = AddProject(QStringLiteral("work"));
    WriteSide(work, 0, QStringLiteral("sub/f.txt"), "x", kOld);
    WriteSide(work, 1, QStringLiteral("sub/f.txt"), "x", kOld);
    WriteSide(work, 0, QStringLiteral("keep/f.txt"), "x", kOld);
    work.Refresh(true);
    MakeView();
    view->ExpandSubtree(view->RootItem());
    CSyncProject* sub = work.FindChild(QStringLiteral("sub"));
    ASSERT_NE(sub, nullptr);
    Select(*sub);

    prompt.Push(PromptAnswer::Yes);
    ModalScript<CFolderDeleteDlg> script({[](CFolderDeleteDlg& dialog) {
        dialog.SetDeleteFolders(true);
        dialog.SetDeleteProject(true);
        dialog.SetDeleteTarget(true);
        dialog.SetRecycle(false);
        dialog.accept();
    }});
    view->ExecuteCommand(Cmd::DeleteFolder);
    EXPECT_EQ(work.FindChild(QStringLiteral("sub")), nullptr);
    EXPECT_EQ(ChildTexts(Item(work)), QStringList({QStringLiteral("keep")}));
    EXPECT_TRUE(TestDir::Exists(work.GetFolder(0) + QStringLiteral("/keep")));
    EXPECT_NE(view->CurrentNode(), nullptr);
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(ProjectViewDialogs, PropertiesRenameAndKeepTheItemExpanded)
{
    AddProject(QStringLiteral("beta"));
    CSyncProject& alpha = AddProject(QStringLiteral("alpha"));
    WriteSide(alpha, 0, QStringLiteral("sub/f.txt"), "x", kOld);
    alpha.Refresh(true);
    MakeView();
    view->ExpandSubtree(view->RootItem());
    Select(alpha);
    hints.clear();

    // Cancel: nothing changes, the item stays as it was.
    ModalScript<CSyncProjectPropPs> cancel({[](CSyncProjectPropPs& sheet) { sheet.reject(); }});
    view->ExecuteCommand(Cmd::ProjectProperties);
    EXPECT_EQ(cancel.Runs(), 1);
    EXPECT_TRUE(hints.empty());
    EXPECT_TRUE(Item(alpha)->isExpanded());
    EXPECT_EQ(ChildTexts(Item(alpha)), QStringList({QStringLiteral("sub")}));

    ModalScript<CSyncProjectPropPs> rename({[](CSyncProjectPropPs& sheet) {
        sheet.findChild<QCheckBox*>(QStringLiteral("1148"))->setChecked(true);
        sheet.findChild<QLineEdit*>(QStringLiteral("1146"))->setText(QStringLiteral("zulu"));
        sheet.accept();
    }});
    view->ExecuteCommand(Cmd::ProjectProperties);
    EXPECT_EQ(rename.Runs(), 1);
    // The project is rescanned on the document's worker; meanwhile the root is selected.
    EXPECT_TRUE(doc.IsRescanning());
    EXPECT_EQ(ChildTexts(view->RootItem()), QStringList({QStringLiteral("beta")}));
    ASSERT_TRUE(doc.WaitForLoading());
    EXPECT_EQ(alpha.GetDisplayName(), QStringLiteral("zulu"));
    EXPECT_EQ(ChildTexts(view->RootItem()), QStringList({QStringLiteral("beta"), QStringLiteral("zulu")}));
    EXPECT_EQ(view->SelectedItem(), Item(alpha));
    EXPECT_EQ(
        hints, std::vector<TreeHint>({{UpdateHint::NodeChanged, &doc.GetRoot()}, {UpdateHint::NodeChanged, &alpha}}));
    EXPECT_TRUE(Item(alpha)->isExpanded());
    EXPECT_EQ(ChildTexts(Item(alpha)), QStringList({QStringLiteral("sub")}));
}

TEST_F(ProjectViewDialogs, FolderPropertiesShowEachExistingFolder)
{
    CSyncProject& work = AddProject(QStringLiteral("work"));
    MakeView();
    Select(work);
    view->ExecuteCommand(Cmd::BothProperties);
    const QList<CPathPropertiesDlg*> windows = frame.window.findChildren<CPathPropertiesDlg*>();
    ASSERT_EQ(windows.size(), 2);
    EXPECT_EQ(windows[0]->FactText(QStringLiteral("場所")), dir.PathOf(QStringLiteral("work/project")));
    EXPECT_EQ(windows[1]->FactText(QStringLiteral("場所")), dir.PathOf(QStringLiteral("work/target")));
    qDeleteAll(windows);

    view->ExecuteCommand(Cmd::TargetFolderProperties);
    const QList<CPathPropertiesDlg*> target = frame.window.findChildren<CPathPropertiesDlg*>();
    ASSERT_EQ(target.size(), 1);
    EXPECT_EQ(target[0]->FactText(QStringLiteral("名前")), QStringLiteral("work"));
    EXPECT_EQ(target[0]->FactText(QStringLiteral("場所")), dir.PathOf(QStringLiteral("work/target")));
    qDeleteAll(target);
}
