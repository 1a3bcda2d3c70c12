// The create-project dialog and the project property sheet, driven as a
// user drives them, on real folders and a real profile.

#include "support/TestDir.h"
#include "support/gui/DialogTestSupport.h"

#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/platform/Prompt.h"
#include "gui/filters/CLocalFilterEditPp.h"
#include "gui/filters/FilterEntryList.h"
#include "gui/model/CCreateProjectDlg.h"
#include "gui/model/CSyncProjectPropPs.h"
#include "gui/model/ProjectDialogs.h"
#include "gui/shell/CAppOptionPs.h"
#include "gui/shell/CFolderSelectDialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>

namespace {

const QString kInvalidFolder = QStringLiteral("有効なフォルダ名を指定してください。");
const QString kAlreadyRegistered = QStringLiteral("指定されたプロジェクトフォルダはすでに登録されています。");
const QString kFolderChange
    = QStringLiteral("フォルダを変更すると、このプロジェクト以下が共通設定で初期化されます。よろしいですか？");

void SetText(QWidget* dialog, int id, const QString& text)
{
    auto* edit = Control<QLineEdit>(dialog, id);
    ASSERT_NE(edit, nullptr);
    ASSERT_TRUE(edit->isEnabled());
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    else
        edit->insert(text); // typed, as an input method commits it
}

// Page `index` of a sheet, made current: controls of different pages share ids.
QWidget* ShowPage(CPropertySheet* sheet, int index)
{
    sheet->Tabs()->setCurrentIndex(index);
    return sheet->Tabs()->widget(index);
}

QPushButton* Ok(QWidget* dialog)
{
    return Control<QPushButton>(dialog, 1);
}

QPushButton* Cancel(QWidget* dialog)
{
    return Control<QPushButton>(dialog, 2);
}

class ProjectDialogs : public ::testing::Test
{
protected:
    ProjectDialogs()
    {
        // A project folder with two subfolders and a target with one of them.
        dir.WriteFile(QStringLiteral("P/Proj/a/one.txt"), "1");
        dir.WriteFile(QStringLiteral("P/Proj/b/two.txt"), "2");
        dir.WriteFile(QStringLiteral("P/Proj/keep.bak"), "3");
        dir.MakeFolder(QStringLiteral("T/Proj/a"));
    }

    CSyncProject& AddProject(
        const QString& project = QStringLiteral("P/Proj"), const QString& target = QStringLiteral("T/Proj"))
    {
        CSyncProject* created = CreateProject(doc.GetRoot(), {dir.PathOf(project), dir.PathOf(target), true});
        EXPECT_NE(created, nullptr);
        return *created;
    }

    // Runs the property sheet of `node`, acting on it with `action`.
    bool EditProperties(CSyncProject& node, std::function<void(CSyncProjectPropPs*)> action)
    {
        ModalScript<CSyncProjectPropPs> script;
        script.Then(std::move(action));
        const bool applied = EditProjectProperties(nullptr, node);
        EXPECT_EQ(script.Runs(), 1);
        // An applied sheet has the document rescan the node on its worker.
        EXPECT_EQ(doc.IsRescanning(), applied);
        EXPECT_TRUE(doc.WaitForLoading());
        return applied;
    }

    // The create-project dialog, then the new project's scan on the document's worker.
    CSyncProject* CreateThroughDialog()
    {
        CSyncProject* created = RunCreateProjectDialog(nullptr, doc);
        EXPECT_EQ(doc.IsRescanning(), created != nullptr);
        EXPECT_TRUE(doc.WaitForLoading());
        return created;
    }

    TempProfile profile;
    TestDir dir;
    CMyDoc doc;
    CScriptedPrompt prompt;
    CPromptScope scope{prompt};
};

} // namespace

// ---- create-project dialog ------------------------------------------------

TEST_F(ProjectDialogs, CreatingAProjectFromTwoFolders)
{
    ModalScript<CCreateProjectDlg> script;
    script.Then([&](CCreateProjectDlg* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("プロジェクトの作成"));
        EXPECT_TRUE(Control<QCheckBox>(dialog, 1005)->isChecked());
        SetText(dialog, 1002, dir.PathOf(QStringLiteral("P/Proj")));
        SetText(dialog, 1041, dir.PathOf(QStringLiteral("T/Proj")));
        Click(Ok(dialog));
    });
    CSyncProject* created = CreateThroughDialog();
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(doc.GetRoot().FindChild(QStringLiteral("PROJ")), created);
    EXPECT_EQ(created->GetFolder(0), dir.PathOf(QStringLiteral("P/Proj")));
    EXPECT_EQ(created->GetFolder(1), dir.PathOf(QStringLiteral("T/Proj")));
    EXPECT_TRUE(created->GetName().isEmpty());
    EXPECT_FALSE(created->HasFlag(NodeFlag::OwnFilter | NodeFlag::OwnSyncOptions | NodeFlag::NoSubfolderSearch));
    // Scanned at once: both subfolders are nodes.
    EXPECT_NE(created->FindChild(QStringLiteral("a")), nullptr);
    EXPECT_NE(created->FindChild(QStringLiteral("b")), nullptr);
    EXPECT_TRUE(prompt.Requests().empty());
}

TEST_F(ProjectDialogs, CreatingWithoutSubfoldersAndWithoutTarget)
{
    ModalScript<CCreateProjectDlg> script;
    script.Then([&](CCreateProjectDlg* dialog) {
        SetText(dialog, 1002, dir.PathOf(QStringLiteral("P/Proj")));
        Click(Control<QCheckBox>(dialog, 1005));
        Click(Ok(dialog));
    });
    CSyncProject* created = CreateThroughDialog();
    ASSERT_NE(created, nullptr);
    EXPECT_TRUE(created->IsNoSubfolderSearch());
    EXPECT_EQ(created->ChildCount(), 0);
    EXPECT_TRUE(created->GetFolder(1).isEmpty());
}

TEST_F(ProjectDialogs, AMissingProjectFolderKeepsTheDialogOpen)
{
    ModalScript<CCreateProjectDlg> script;
    script.Then([&](CCreateProjectDlg* dialog) {
        SetText(dialog, 1002, dir.PathOf(QStringLiteral("P/Missing")));
        Click(Ok(dialog));
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(prompt.Texts(), QStringList{kInvalidFolder});
        EXPECT_EQ(prompt.Requests().back().icon, PromptIcon::Warning);
        // A file is no folder either.
        SetText(dialog, 1002, dir.PathOf(QStringLiteral("P/Proj/keep.bak")));
        Click(Ok(dialog));
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(prompt.Texts().size(), 2);
        Click(Cancel(dialog));
    });
    EXPECT_EQ(CreateThroughDialog(), nullptr);
    EXPECT_EQ(doc.GetRoot().ChildCount(), 0);
}

TEST_F(ProjectDialogs, AMissingTargetFolderIsCreatedAfterTheQuestion)
{
    const QString target = dir.PathOf(QStringLiteral("T/New"));
    ModalScript<CCreateProjectDlg> script;
    script.Then([&](CCreateProjectDlg* dialog) {
        SetText(dialog, 1002, dir.PathOf(QStringLiteral("P/Proj")));
        SetText(dialog, 1041, target);
        prompt.Push(PromptAnswer::Cancel);
        Click(Ok(dialog));
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_FALSE(TestDir::Exists(target));
        prompt.Push(PromptAnswer::Ok);
        Click(Ok(dialog));
    });
    CSyncProject* created = CreateThroughDialog();
    ASSERT_NE(created, nullptr);
    EXPECT_TRUE(TestDir::Exists(target));
    EXPECT_EQ(created->GetFolder(1), target);
    EXPECT_EQ(prompt.Texts(), QStringList(2, QStringLiteral("ターゲットフォルダを作成しますか？")));
    EXPECT_TRUE(prompt.AllAnswersUsed());
}

TEST_F(ProjectDialogs, ATakenFolderNameReopensTheDialogWithItsEntries)
{
    CSyncProject& existing = AddProject();
    dir.MakeFolder(QStringLiteral("other/PROJ"));
    const QString second = dir.PathOf(QStringLiteral("other/PROJ"));
    const QString target = dir.PathOf(QStringLiteral("T"));
    ModalScript<CCreateProjectDlg> script;
    script
        .Then([&](CCreateProjectDlg* dialog) {
            SetText(dialog, 1002, second);
            SetText(dialog, 1041, target);
            Click(Control<QCheckBox>(dialog, 1005));
            Click(Ok(dialog));
        })
        .Then([&](CCreateProjectDlg* dialog) {
            // A new dialog, with what was typed into the first one.
            EXPECT_EQ(Control<QLineEdit>(dialog, 1002)->text(), second);
            EXPECT_EQ(Control<QLineEdit>(dialog, 1041)->text(), target);
            EXPECT_FALSE(Control<QCheckBox>(dialog, 1005)->isChecked());
            EXPECT_EQ(prompt.Texts(), QStringList{kAlreadyRegistered});
            Click(Cancel(dialog));
        });
    EXPECT_EQ(CreateThroughDialog(), nullptr);
    EXPECT_EQ(script.Runs(), 2);
    EXPECT_EQ(doc.GetRoot().ChildCount(), 1);
    EXPECT_EQ(doc.GetRoot().FindChild(QStringLiteral("proj")), &existing);
}

TEST_F(ProjectDialogs, BrowseButtonsFillTheFolderFields)
{
    // Chooses `path` in the folder selection dialog, checking its caption.
    const auto choose = [](const QString& caption, const QString& path) {
        return [caption, path](CFolderSelectDialog* dialog) {
            EXPECT_EQ(dialog->windowTitle(), caption);
            auto* edit = Control<QLineEdit>(dialog, 1101);
            edit->selectAll();
            edit->insert(path);
            Click(Control<QPushButton>(dialog, 1));
        };
    };
    const QString project = dir.PathOf(QStringLiteral("P/Proj"));
    const QString target = dir.PathOf(QStringLiteral("T/Proj"));
    ModalScript<CCreateProjectDlg> script;
    script.Then([&](CCreateProjectDlg* dialog) {
        ModalScript<CFolderSelectDialog> folders;
        folders.Then(choose(QStringLiteral("プロジェクトフォルダの選択"), project))
            .Then(choose(QStringLiteral("ターゲットフォルダの選択"), target))
            .Then([](CFolderSelectDialog* cancelled) { Click(Control<QPushButton>(cancelled, 2)); });
        Click(Control<QPushButton>(dialog, 1003));
        Click(Control<QPushButton>(dialog, 1040));
        Click(Control<QPushButton>(dialog, 1040)); // cancelled: the field keeps its path
        EXPECT_EQ(folders.Runs(), 3);
        EXPECT_EQ(Control<QLineEdit>(dialog, 1002)->text(), project);
        EXPECT_EQ(Control<QLineEdit>(dialog, 1041)->text(), target);
        Click(Ok(dialog));
    });
    CSyncProject* created = CreateThroughDialog();
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->GetFolder(1), target);

    // The folder page's "..." buttons, on a project whose folder is gone.
    dir.MakeFolder(QStringLiteral("T/Elsewhere"));
    const QString elsewhere = dir.PathOf(QStringLiteral("T/Elsewhere"));
    prompt.Push(PromptAnswer::Yes);
    EXPECT_TRUE(EditProperties(*created, [&](CSyncProjectPropPs* sheet) {
        ModalScript<CFolderSelectDialog> folders;
        folders.Then(choose(QStringLiteral("ターゲットフォルダの選択"), elsewhere));
        Click(Control<QPushButton>(sheet, 1152));
        EXPECT_EQ(Control<QLineEdit>(sheet, 1150)->text(), elsewhere);
        Click(Ok(sheet));
    }));
    EXPECT_EQ(created->GetFolder(1), elsewhere);
    EXPECT_EQ(prompt.Texts(), QStringList{kFolderChange});
}

// ---- property sheet: folder page -------------------------------------------

TEST_F(ProjectDialogs, ASubfolderSheetShowsItsPathAndLocksTheRootFolders)
{
    CSyncProject& project = AddProject();
    project.SetName(QStringLiteral("Shown"));
    CSyncProject& sub = *project.FindChild(QStringLiteral("a"));
    EXPECT_FALSE(EditProperties(sub, [&](CSyncProjectPropPs* sheet) {
        EXPECT_EQ(sheet->windowTitle(), QStringLiteral("/Shown/a"));
        ASSERT_EQ(sheet->Tabs()->count(), 3);
        EXPECT_EQ(sheet->Tabs()->tabText(0), QStringLiteral("フォルダ"));
        EXPECT_EQ(sheet->Tabs()->tabText(1), QStringLiteral("ローカルフィルタ"));
        EXPECT_EQ(sheet->Tabs()->tabText(2), QStringLiteral("同期設定"));
        for (int id : {1149, 1150, 1151, 1152, 1148, 1146})
            EXPECT_FALSE(Control<QWidget>(sheet, id)->isEnabled()) << id;
        EXPECT_TRUE(Control<QCheckBox>(sheet, 1113)->isEnabled());
        EXPECT_EQ(Control<QLineEdit>(sheet, 1146)->text(), QStringLiteral("a"));
        Click(Cancel(sheet));
    }));
}

TEST_F(ProjectDialogs, TheDisplayNameFollowsItsCheckBox)
{
    CSyncProject& project = AddProject();
    EditProperties(project, [&](CSyncProjectPropPs* sheet) {
        EXPECT_EQ(sheet->windowTitle(), QStringLiteral("/Proj"));
        auto* custom = Control<QCheckBox>(sheet, 1148);
        auto* name = Control<QLineEdit>(sheet, 1146);
        for (int id : {1149, 1150, 1151, 1152, 1148})
            EXPECT_TRUE(Control<QWidget>(sheet, id)->isEnabled()) << id;
        EXPECT_FALSE(custom->isChecked());
        EXPECT_FALSE(name->isEnabled());
        EXPECT_EQ(name->text(), QStringLiteral("Proj"));
        Click(custom);
        EXPECT_TRUE(name->isEnabled());
        Click(custom);
        EXPECT_FALSE(name->isEnabled());
        Click(Cancel(sheet));
    });
}

TEST_F(ProjectDialogs, ChangingOnlyTheDisplayNameReKeysTheNodeAndKeepsItsSubtree)
{
    CSyncProject& project = AddProject();
    CSyncProject* a = project.FindChild(QStringLiteral("a"));
    a->ApplyFilterSetting(false, {QStringLiteral("Bak")}, false);
    a->SetNoSync(true);
    project.SetChanged(false);
    const bool applied = EditProperties(project, [&](CSyncProjectPropPs* sheet) {
        Click(Control<QCheckBox>(sheet, 1148));
        SetText(sheet, 1146, QStringLiteral("Renamed"));
        Click(Ok(sheet));
    });
    EXPECT_TRUE(applied);
    EXPECT_TRUE(prompt.Requests().empty()); // nothing asked about folders
    EXPECT_EQ(project.GetName(), QStringLiteral("Renamed"));
    EXPECT_EQ(project.GetKey(), QStringLiteral("RENAMED"));
    EXPECT_EQ(doc.GetRoot().FindChild(QStringLiteral("renamed")), &project);
    EXPECT_EQ(doc.GetRoot().FindChild(QStringLiteral("Proj")), nullptr);
    EXPECT_EQ(doc.GetRoot().ChildCount(), 1);
    // The same subfolder node, with its own settings and switches.
    EXPECT_EQ(project.FindChild(QStringLiteral("a")), a);
    EXPECT_TRUE(a->HasFlag(NodeFlag::OwnFilter));
    EXPECT_TRUE(a->IsNoSync());
    EXPECT_EQ(a->GetOwnFilterSelection(), QStringList{QStringLiteral("Bak")});
    EXPECT_TRUE(project.IsChanged());
}

TEST_F(ProjectDialogs, ADisplayNameTakenBySiblingKeepsTheSheetOpen)
{
    CSyncProject& project = AddProject();
    dir.MakeFolder(QStringLiteral("P/Other"));
    CSyncProject& other = AddProject(QStringLiteral("P/Other"), QStringLiteral("T/Other"));
    const bool applied = EditProperties(project, [&](CSyncProjectPropPs* sheet) {
        Click(Control<QCheckBox>(sheet, 1148));
        SetText(sheet, 1146, QStringLiteral("OTHER"));
        Click(Ok(sheet));
        EXPECT_TRUE(sheet->isVisible());
        EXPECT_EQ(prompt.Texts(), QStringList{kAlreadyRegistered});
        // Everything typed is still there; Cancel leaves the node as it was.
        EXPECT_EQ(Control<QLineEdit>(sheet, 1146)->text(), QStringLiteral("OTHER"));
        Click(Cancel(sheet));
    });
    EXPECT_FALSE(applied);
    EXPECT_TRUE(project.GetName().isEmpty());
    EXPECT_EQ(doc.GetRoot().FindChild(QStringLiteral("OTHER")), &other);
    EXPECT_EQ(doc.GetRoot().FindChild(QStringLiteral("PROJ")), &project);
}

TEST_F(ProjectDialogs, ChangingAFolderAsksAndRebuildsTheSubtreeWithCommonSettings)
{
    CSyncProject& project = AddProject();
    CSyncProject* a = project.FindChild(QStringLiteral("a"));
    a->ApplyFilterSetting(false, {QStringLiteral("Bak")}, false);
    CAppOptionSync own;
    own.Flags = SyncFlags::fromInt(0x1C7);
    a->ApplySyncOptions(false, own, false);
    a->SetNoSync(true);
    dir.MakeFolder(QStringLiteral("T2/a"));
    const QString newTarget = dir.PathOf(QStringLiteral("T2"));

    const bool applied = EditProperties(project, [&](CSyncProjectPropPs* sheet) {
        SetText(sheet, 1150, newTarget);
        // No: the sheet stays open, nothing changed yet.
        prompt.Push(PromptAnswer::No);
        Click(Ok(sheet));
        EXPECT_TRUE(sheet->isVisible());
        EXPECT_EQ(project.GetFolder(1), dir.PathOf(QStringLiteral("T/Proj")));
        EXPECT_EQ(project.FindChild(QStringLiteral("a")), a);
        prompt.Push(PromptAnswer::Yes);
        Click(Ok(sheet));
    });
    EXPECT_TRUE(applied);
    ASSERT_EQ(prompt.Texts(), QStringList(2, kFolderChange));
    EXPECT_EQ(prompt.Requests()[0].buttons, PromptButtons::YesNoCancel);
    EXPECT_EQ(prompt.Requests()[0].icon, PromptIcon::Question);
    EXPECT_EQ(project.GetFolder(1), newTarget);
    // Rebuilt from the folders: the subfolder nodes carry the common settings.
    CSyncProject* rebuilt = project.FindChild(QStringLiteral("a"));
    ASSERT_NE(rebuilt, nullptr);
    EXPECT_FALSE(rebuilt->HasFlag(NodeFlag::OwnFilter | NodeFlag::OwnSyncOptions | NodeFlag::NoSync));
    EXPECT_TRUE(rebuilt->GetOwnFilterSelection().isEmpty());
    EXPECT_EQ(rebuilt->GetFolder(1), dir.PathOf(QStringLiteral("T2/a")));
    EXPECT_NE(project.FindChild(QStringLiteral("b")), nullptr);
}

TEST_F(ProjectDialogs, CancelToTheFolderQuestionClosesTheSheetWithoutChanges)
{
    CSyncProject& project = AddProject();
    const bool applied = EditProperties(project, [&](CSyncProjectPropPs* sheet) {
        SetText(sheet, 1150, dir.PathOf(QStringLiteral("T")));
        Click(Control<QCheckBox>(sheet, 1113));
        prompt.Push(PromptAnswer::Cancel);
        Click(Ok(sheet));
    });
    EXPECT_FALSE(applied);
    EXPECT_EQ(project.GetFolder(1), dir.PathOf(QStringLiteral("T/Proj")));
    EXPECT_FALSE(project.IsNoSync());
}

TEST_F(ProjectDialogs, EditedFoldersAreCheckedOnOk)
{
    CSyncProject& project = AddProject();
    EditProperties(project, [&](CSyncProjectPropPs* sheet) {
        auto* tabs = sheet->Tabs();
        SetText(sheet, 1149, QString());
        tabs->setCurrentIndex(2);
        Click(Ok(sheet));
        // Refused: the sheet shows the folder page.
        EXPECT_TRUE(sheet->isVisible());
        EXPECT_EQ(tabs->currentIndex(), 0);
        EXPECT_EQ(prompt.Texts().last(), QStringLiteral("プロジェクトフォルダを指定してください。"));
        EXPECT_EQ(prompt.Requests().back().icon, PromptIcon::Information);

        SetText(sheet, 1149, dir.PathOf(QStringLiteral("P/Gone")));
        prompt.Push(PromptAnswer::No);
        Click(Ok(sheet));
        EXPECT_TRUE(sheet->isVisible());
        EXPECT_EQ(prompt.Texts().last(),
            QStringLiteral("指定されたプロジェクトフォルダは存在しません。登録してよろしいですか？"));

        SetText(sheet, 1149, dir.PathOf(QStringLiteral("P/Proj")));
        SetText(sheet, 1150, QString());
        Click(Ok(sheet));
        EXPECT_EQ(prompt.Texts().last(), QStringLiteral("ターゲットフォルダを指定してください。"));

        SetText(sheet, 1150, dir.PathOf(QStringLiteral("T/Proj")));
        Click(Control<QCheckBox>(sheet, 1148));
        SetText(sheet, 1146, QString());
        Click(Ok(sheet));
        EXPECT_EQ(prompt.Texts().last(), QStringLiteral("プロジェクト名を指定して下さい。"));
        EXPECT_EQ(prompt.Requests().back().icon, PromptIcon::None);
        EXPECT_TRUE(sheet->isVisible());
        Click(Cancel(sheet));
    });
    EXPECT_TRUE(prompt.AllAnswersUsed());
    EXPECT_EQ(project.GetFolder(0), dir.PathOf(QStringLiteral("P/Proj")));
}

TEST_F(ProjectDialogs, MissingFoldersAreRegisteredAfterYes)
{
    CSyncProject& project = AddProject();
    const QString gone = dir.PathOf(QStringLiteral("T/Gone"));
    EXPECT_TRUE(EditProperties(project, [&](CSyncProjectPropPs* sheet) {
        SetText(sheet, 1150, gone);
        prompt.Push(PromptAnswer::Yes); // register the missing target
        prompt.Push(PromptAnswer::Yes); // and change the folders
        Click(Ok(sheet));
    }));
    EXPECT_EQ(
        prompt.Texts().first(), QStringLiteral("指定されたターゲットフォルダは存在しません。登録してよろしいですか？"));
    EXPECT_EQ(project.GetFolder(1), gone);
    EXPECT_FALSE(TestDir::Exists(gone));
}

TEST_F(ProjectDialogs, SwitchesAreApplied)
{
    CSyncProject& project = AddProject();
    CSyncProject* a = project.FindChild(QStringLiteral("a"));
    EXPECT_TRUE(EditProperties(*a, [&](CSyncProjectPropPs* sheet) {
        Click(Control<QCheckBox>(sheet, 1113));
        Click(Control<QCheckBox>(sheet, 1114));
        Click(Ok(sheet));
    }));
    EXPECT_TRUE(a->IsNoSync());
    EXPECT_TRUE(a->IsNoSubfolderSearch());
    EXPECT_EQ(project.FindChild(QStringLiteral("a")), a);
    EXPECT_TRUE(a->GetName().isEmpty());
}

// ---- property sheet: sync settings page ---------------------------------

TEST_F(ProjectDialogs, OwnSyncOptionsAreAppliedToAllSubProjects)
{
    CSyncProject& project = AddProject();
    GlobalOptionSync().Flags = SyncFlag::Default | SyncFlag::Recursive;
    EXPECT_TRUE(EditProperties(project, [&](CSyncProjectPropPs* sheet) {
        QWidget* page = ShowPage(sheet, 2);
        auto* own = Control<QRadioButton>(page, 1092);
        // Common mode: the global values, locked; only the common edit button works.
        EXPECT_TRUE(Control<QRadioButton>(page, 1091)->isChecked());
        EXPECT_TRUE(Control<QCheckBox>(page, 1007)->isChecked());
        for (int id : {1007, 1010, 1011, 1012, 1013, 1069, 1070})
            EXPECT_FALSE(Control<QWidget>(page, id)->isEnabled()) << id;
        EXPECT_TRUE(Control<QWidget>(page, 1090)->isEnabled());
        Click(own);
        // Own mode shows the node's own flags (the defaults: nothing ticked).
        EXPECT_FALSE(Control<QCheckBox>(page, 1007)->isChecked());
        EXPECT_TRUE(Control<QRadioButton>(page, 1011)->isChecked());
        EXPECT_FALSE(Control<QWidget>(page, 1090)->isEnabled());
        Click(Control<QRadioButton>(page, 1013));
        Click(Control<QCheckBox>(page, 1010));
        Click(Control<QCheckBox>(page, 1070));
        Click(Control<QCheckBox>(page, 1089));
        Click(Ok(sheet));
    }));
    const quint32 expected = SyncFlag::Default | SyncFlag::DeleteFiles | SyncFlag::DeleteFolders | 0x20;
    EXPECT_TRUE(project.HasFlag(NodeFlag::OwnSyncOptions));
    EXPECT_EQ(project.GetOwnSyncOptions().Flags, expected);
    EXPECT_EQ(project.GetOwnSyncOptions().GetTransferMode(), TransferMode::AddedOnly);
    int descendants = 0;
    project.ForEachDescendant([&](CSyncProject& node) {
        ++descendants;
        EXPECT_TRUE(node.HasFlag(NodeFlag::OwnSyncOptions));
        EXPECT_EQ(node.GetOwnSyncOptions().Flags, expected);
    });
    EXPECT_EQ(descendants, 2);
}

TEST_F(ProjectDialogs, OwnOptionsKeepTheBitsThePageDoesNotShow)
{
    CSyncProject& project = AddProject();
    CAppOptionSync own;
    own.Flags = SyncFlags::fromInt(0xFFFFF1C4) | TransferMode::Bits(3); // bits 6-8, 12-31 and TransferMode 3
    project.ApplySyncOptions(false, own, false);
    EXPECT_TRUE(EditProperties(project, [&](CSyncProjectPropPs* sheet) {
        QWidget* page = ShowPage(sheet, 2);
        EXPECT_TRUE(Control<QRadioButton>(page, 1092)->isChecked());
        for (int id : {1011, 1012, 1013})
            EXPECT_FALSE(Control<QRadioButton>(page, id)->isChecked()) << id;
        EXPECT_TRUE(Control<QCheckBox>(page, 1010)->isChecked());
        Click(Control<QCheckBox>(page, 1007));
        Click(Ok(sheet));
    }));
    EXPECT_EQ(project.GetOwnSyncOptions().Flags, own.Flags | SyncFlag::Recursive);
    // Not applied below: the subfolder nodes keep the common options.
    EXPECT_FALSE(project.FindChild(QStringLiteral("a"))->HasFlag(NodeFlag::OwnSyncOptions));
}

TEST_F(ProjectDialogs, CommonSyncOptionsForTheWholeSubtree)
{
    CSyncProject& project = AddProject();
    CAppOptionSync own;
    own.Flags = SyncFlags::fromInt(0x41);
    project.ApplySyncOptions(false, own, true);
    EXPECT_TRUE(EditProperties(project, [&](CSyncProjectPropPs* sheet) {
        QWidget* page = ShowPage(sheet, 2);
        Click(Control<QRadioButton>(page, 1091));
        Click(Control<QCheckBox>(page, 1089));
        Click(Ok(sheet));
    }));
    EXPECT_FALSE(project.HasFlag(NodeFlag::OwnSyncOptions));
    project.ForEachDescendant([](CSyncProject& node) { EXPECT_FALSE(node.HasFlag(NodeFlag::OwnSyncOptions)); });
}

TEST_F(ProjectDialogs, EditingTheCommonSyncOptionsFromTheSheet)
{
    CSyncProject& project = AddProject();
    EditProperties(project, [&](CSyncProjectPropPs* sheet) {
        QWidget* page = ShowPage(sheet, 2);
        EXPECT_FALSE(Control<QCheckBox>(page, 1007)->isChecked());
        ModalScript<CAppOptionPs> options;
        options.Then([&](CAppOptionPs* optionsSheet) {
            EXPECT_EQ(optionsSheet->Tabs()->currentIndex(), CAppOptionPs::SyncPage);
            Click(Control<QCheckBox>(optionsSheet->Tabs()->currentWidget(), 1007));
            Click(Ok(optionsSheet));
        });
        Click(Control<QPushButton>(page, 1090));
        EXPECT_EQ(options.Runs(), 1);
        // The page shows the new global values.
        EXPECT_TRUE(Control<QCheckBox>(page, 1007)->isChecked());
        Click(Cancel(sheet));
    });
    EXPECT_EQ(GlobalOptionSync().Flags, SyncFlag::Default | SyncFlag::Recursive);
    EXPECT_EQ(profile.Profile().GetProfileInt(QStringLiteral("OptionSync"), QStringLiteral("Flags"), -1), 0x41);
    // The rescan question comes once the caller is done with the node.
    QSignalSpy hints(&doc, &CMyDoc::UpdateAllViews);
    prompt.Push(PromptAnswer::Ok);
    QTRY_COMPARE(hints.count(), 1);
    EXPECT_EQ(hints.at(0).at(0).toInt(), UpdateHint::RescanAll);
}

// ---- property sheet: local filter page -------------------------------------

TEST_F(ProjectDialogs, AnOwnFilterSelectionReachesTheNodes)
{
    profile.SetFilters(
        {{QStringLiteral("Bak"), QStringLiteral("!*.bak")}, {QStringLiteral("Txt"), QStringLiteral("*.txt")}});
    doc.SetCommonFilterSelection({QStringLiteral("Txt")});
    CSyncProject& project = AddProject();
    EXPECT_TRUE(project.IsExcludedByFilter(QStringLiteral("keep.bak"))); // the include entry Txt keeps *.txt only
    EXPECT_TRUE(EditProperties(project, [&](CSyncProjectPropPs* sheet) {
        QWidget* page = ShowPage(sheet, 1);
        auto* list = Control<CFilterEntryList>(page, 1080);
        // Common: the document's checks, locked.
        EXPECT_FALSE(list->isEnabled());
        EXPECT_EQ(list->CheckedNames(), QStringList{QStringLiteral("Txt")});
        EXPECT_TRUE(Control<QPushButton>(page, 1090)->isEnabled());
        Click(Control<QRadioButton>(page, 1092));
        EXPECT_TRUE(list->isEnabled());
        EXPECT_TRUE(list->CheckedNames().isEmpty());
        EXPECT_FALSE(Control<QPushButton>(page, 1090)->isEnabled());
        list->topLevelItem(0)->setCheckState(0, Qt::Checked);
        Click(Control<QCheckBox>(page, 1089));
        Click(Ok(sheet));
    }));
    EXPECT_TRUE(project.HasFlag(NodeFlag::OwnFilter));
    EXPECT_EQ(project.GetOwnFilterSelection(), QStringList{QStringLiteral("Bak")});
    EXPECT_TRUE(project.IsExcludedByFilter(QStringLiteral("keep.bak")));
    EXPECT_FALSE(project.IsExcludedByFilter(QStringLiteral("one.doc")));
    CSyncProject* a = project.FindChild(QStringLiteral("a"));
    EXPECT_EQ(a->GetEffectiveFilterSelection(), QStringList{QStringLiteral("Bak")});
}

TEST_F(ProjectDialogs, ConfirmingTheCommonChoiceKeepsTheStoredOwnSelection)
{
    profile.SetFilters({{QStringLiteral("Bak"), QStringLiteral("!*.bak")}});
    CSyncProject& project = AddProject();
    project.SetOwnFilterSelection({QStringLiteral("Bak"), QStringLiteral("Gone")});
    EXPECT_TRUE(EditProperties(project, [&](CSyncProjectPropPs* sheet) {
        QWidget* page = ShowPage(sheet, 1);
        auto* list = Control<CFilterEntryList>(page, 1080);
        Click(Control<QRadioButton>(page, 1092));
        EXPECT_EQ(list->CheckedNames(), QStringList{QStringLiteral("Bak")});
        list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
        Click(Control<QRadioButton>(page, 1091));
        EXPECT_FALSE(sheet->FilterPp().Choice());
        Click(Ok(sheet));
        EXPECT_EQ(sheet->FilterPp().OwnSelection(), (QStringList{QStringLiteral("Bak"), QStringLiteral("Gone")}));
    }));
    EXPECT_FALSE(project.HasFlag(NodeFlag::OwnFilter));
}

TEST_F(ProjectDialogs, TheCommonFilterEditedFromTheLocalPageReachesTheDocument)
{
    profile.SetFilters(
        {{QStringLiteral("Bak"), QStringLiteral("!*.bak")}, {QStringLiteral("Txt"), QStringLiteral("*.txt")}});
    CSyncProject& project = AddProject();
    EXPECT_FALSE(project.IsExcludedByFilter(QStringLiteral("keep.bak")));
    EXPECT_FALSE(EditProperties(project, [&](CSyncProjectPropPs* sheet) {
        QWidget* page = ShowPage(sheet, 1);
        ModalScript<CAppOptionPs> options;
        options.Then([&](CAppOptionPs* optionsSheet) {
            EXPECT_EQ(optionsSheet->Tabs()->currentIndex(), CAppOptionPs::GlobalFilterPage);
            auto* list = Control<CFilterEntryList>(optionsSheet->Tabs()->currentWidget(), 1080);
            list->topLevelItem(0)->setCheckState(0, Qt::Checked);
            Click(Ok(optionsSheet));
        });
        Click(Control<QPushButton>(page, 1090));
        EXPECT_EQ(options.Runs(), 1);
        // The page shows the new common selection at once.
        auto* list = Control<CFilterEntryList>(sheet->Tabs()->currentWidget(), 1080);
        EXPECT_EQ(list->CheckedNames(), QStringList{QStringLiteral("Bak")});
        Click(Cancel(sheet));
    }));
    EXPECT_EQ(doc.GetCommonFilterSelection(), QStringList{QStringLiteral("Bak")});
    EXPECT_TRUE(project.IsExcludedByFilter(QStringLiteral("keep.bak")));
    EXPECT_TRUE(doc.IsModified()); // the selection is stored in the document's file
    QSignalSpy hints(&doc, &CMyDoc::UpdateAllViews);
    prompt.Push(PromptAnswer::Cancel); // no rescan
    QTRY_VERIFY(prompt.AllAnswersUsed());
    EXPECT_EQ(prompt.Texts().last(), OptionText::RescanAll);
    QCoreApplication::processEvents();
    EXPECT_EQ(hints.count(), 0);
}

TEST_F(ProjectDialogs, ApplyChangesTheNodeAndKeepsTheSheetOpen)
{
    CSyncProject& project = AddProject();
    const bool applied = EditProperties(project, [&](CSyncProjectPropPs* sheet) {
        QPushButton* apply = sheet->ApplyButton();
        EXPECT_FALSE(apply->isEnabled());
        Click(Control<QCheckBox>(sheet, 1148));
        SetText(sheet, 1146, QStringLiteral("Later"));
        Click(apply);
        EXPECT_TRUE(sheet->isVisible());
        EXPECT_EQ(project.GetKey(), QStringLiteral("LATER"));
        EXPECT_EQ(sheet->windowTitle(), QStringLiteral("/Later"));
        EXPECT_FALSE(apply->isEnabled());
        Click(Cancel(sheet));
    });
    EXPECT_TRUE(applied);
    EXPECT_EQ(doc.GetRoot().FindChild(QStringLiteral("Later")), &project);
}
