#include "core/model/ProjectCreation.h"
#include "core/filters/FilterSet.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/model/ProjectArchive.h"
#include "core/platform/Prompt.h"
#include "core/settings/CAppOptionSync.h"
#include "support/TestDir.h"

#include <gtest/gtest.h>

namespace {

class ProjectCreation : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GlobalOptionSync().Flags = SyncFlag::Default;
        GlobalFilterSet().RemoveAll();
    }

    CSyncProject& Create(const QString& project, const QString& target, bool subfolders = true)
    {
        NewProjectValues values{dir.PathOf(project), target.isEmpty() ? QString() : dir.PathOf(target), subfolders};
        EXPECT_TRUE(ValidateNewProject(values));
        CSyncProject* created = CreateProject(doc.GetRoot(), values);
        EXPECT_NE(created, nullptr);
        return *created;
    }

    TestDir dir;
    CMyDoc doc;
    CScriptedPrompt prompt;
    CPromptScope scope{prompt};
};

} // namespace

TEST_F(ProjectCreation, ValidFoldersMakeAScannedProject)
{
    dir.MakeFolder(QStringLiteral("a/Work/sub"));
    dir.MakeFolder(QStringLiteral("b/Work"));
    CSyncProject& project = Create(QStringLiteral("a/Work"), QStringLiteral("b/Work"));
    EXPECT_EQ(doc.GetRoot().FindChild(QStringLiteral("WORK")), &project);
    EXPECT_EQ(project.GetParent(), &doc.GetRoot());
    EXPECT_TRUE(project.GetName().isEmpty());
    EXPECT_EQ(project.GetFlags() & ~NodeFlag::Changed, 0u);
    EXPECT_NE(project.FindChild(QStringLiteral("sub")), nullptr);
    EXPECT_TRUE(prompt.Requests().empty());
}

TEST_F(ProjectCreation, WithoutSubfoldersAndWithAnEmptyTarget)
{
    dir.MakeFolder(QStringLiteral("a/Work/sub"));
    CSyncProject& project = Create(QStringLiteral("a/Work"), QString(), false);
    EXPECT_TRUE(project.IsNoSubfolderSearch());
    EXPECT_EQ(project.ChildCount(), 0);
    EXPECT_TRUE(project.GetFolder(1).isEmpty());
}

TEST_F(ProjectCreation, MissingProjectFolderIsRefused)
{
    dir.WriteFile(QStringLiteral("file"), "x");
    for (const QString& path : {dir.PathOf(QStringLiteral("missing")), dir.PathOf(QStringLiteral("file")), QString()}) {
        NewProjectCheck why = NewProjectCheck::Ok;
        EXPECT_FALSE(ValidateNewProject({path, QString(), true}, &why));
        EXPECT_EQ(why, NewProjectCheck::InvalidProjectFolder);
    }
    ASSERT_EQ(prompt.Texts().size(), 3);
    EXPECT_EQ(prompt.Texts().first(), QStringLiteral("有効なフォルダ名を指定してください。"));
}

TEST_F(ProjectCreation, MissingTargetFolderIsCreatedOnlyAfterOk)
{
    dir.MakeFolder(QStringLiteral("a/Work"));
    const NewProjectValues values{dir.PathOf(QStringLiteral("a/Work")), dir.PathOf(QStringLiteral("b")), true};

    prompt.Push(PromptAnswer::Cancel);
    NewProjectCheck why = NewProjectCheck::Ok;
    EXPECT_FALSE(ValidateNewProject(values, &why));
    EXPECT_EQ(why, NewProjectCheck::TargetDeclined);
    EXPECT_FALSE(TestDir::Exists(values.targetFolder));
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(prompt.Requests()[0].text, QStringLiteral("ターゲットフォルダを作成しますか？"));
    EXPECT_EQ(prompt.Requests()[0].buttons, PromptButtons::OkCancel);

    prompt.Push(PromptAnswer::Ok);
    EXPECT_TRUE(ValidateNewProject(values));
    EXPECT_TRUE(TestDir::Exists(values.targetFolder));

    // One level only: a target two levels down cannot be created.
    const NewProjectValues deep{values.projectFolder, dir.PathOf(QStringLiteral("x/y")), true};
    prompt.Push(PromptAnswer::Ok);
    EXPECT_FALSE(ValidateNewProject(deep, &why));
    EXPECT_EQ(why, NewProjectCheck::TargetNotCreated);
    EXPECT_EQ(prompt.Texts().last(), QStringLiteral("ディレクトリが作成できません。"));
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(QStringLiteral("x"))));
}

TEST_F(ProjectCreation, AProjectFolderNameTakenAtTheRootIsRefused)
{
    dir.MakeFolder(QStringLiteral("one/work"));
    dir.MakeFolder(QStringLiteral("two/WORK"));
    CSyncProject& first = Create(QStringLiteral("one/work"), QString());
    const NewProjectValues second{dir.PathOf(QStringLiteral("two/WORK")), QString(), true};
    EXPECT_EQ(CreateProject(doc.GetRoot(), second), nullptr);
    EXPECT_EQ(prompt.Texts(), QStringList{QStringLiteral("指定されたプロジェクトフォルダはすでに登録されています。")});
    EXPECT_EQ(doc.GetRoot().ChildCount(), 1);
    EXPECT_EQ(doc.GetRoot().FindChild(QStringLiteral("work")), &first);
}

TEST_F(ProjectCreation, SheetTitleAndInitialValues)
{
    dir.MakeFolder(QStringLiteral("a/Proj/sub"));
    CSyncProject& project = Create(QStringLiteral("a/Proj"), QString());
    CSyncProject& sub = *project.FindChild(QStringLiteral("sub"));
    EXPECT_EQ(ProjectSheetTitle(sub), QStringLiteral("/Proj/sub"));
    project.SetName(QStringLiteral("Shown"));
    EXPECT_EQ(ProjectSheetTitle(sub), QStringLiteral("/Shown/sub"));

    CAppOptionSync own;
    own.Flags = SyncFlags::fromInt(0x47);
    project.ApplySyncOptions(false, own, false);
    project.ApplySyncOptions(true, own, false); // the own flags stay behind the common choice
    const ProjectSheetValues values = ReadProjectSheet(project);
    EXPECT_TRUE(values.customName);
    EXPECT_EQ(values.displayName, QStringLiteral("Shown"));
    EXPECT_TRUE(values.optionsUseCommon);
    EXPECT_EQ(values.options.Flags, 0x47u);
    EXPECT_TRUE(values.filterUseCommon);
    EXPECT_FALSE(values.foldersEdited);
}

TEST_F(ProjectCreation, FolderPageValidation)
{
    dir.MakeFolder(QStringLiteral("a/Proj"));
    ProjectSheetValues values;
    values.foldersEdited = true;
    EXPECT_FALSE(ValidateProjectSheet(values));
    values.projectFolder = dir.PathOf(QStringLiteral("gone"));
    prompt.Push(PromptAnswer::No);
    EXPECT_FALSE(ValidateProjectSheet(values));
    prompt.Push(PromptAnswer::Yes);
    EXPECT_FALSE(ValidateProjectSheet(values)); // then the empty target folder
    values.targetFolder = dir.PathOf(QStringLiteral("a/Proj"));
    values.customName = true;
    prompt.Push(PromptAnswer::Yes);
    EXPECT_FALSE(ValidateProjectSheet(values)); // the empty display name
    values.displayName = QStringLiteral("Name");
    prompt.Push(PromptAnswer::Yes);
    EXPECT_TRUE(ValidateProjectSheet(values));
    EXPECT_EQ(prompt.Texts(),
        (QStringList{QStringLiteral("プロジェクトフォルダを指定してください。"),
            QStringLiteral("指定されたプロジェクトフォルダは存在しません。登録してよろしいですか？"),
            QStringLiteral("指定されたプロジェクトフォルダは存在しません。登録してよろしいですか？"),
            QStringLiteral("ターゲットフォルダを指定してください。"),
            QStringLiteral("指定されたプロジェクトフォルダは存在しません。登録してよろしいですか？"),
            QStringLiteral("プロジェクト名を指定して下さい。"),
            QStringLiteral("指定されたプロジェクトフォルダは存在しません。登録してよろしいですか？")}));
    values.foldersEdited = false;
    values.projectFolder.clear();
    EXPECT_TRUE(ValidateProjectSheet(values)); // nothing typed, nothing checked
}

TEST_F(ProjectCreation, RenamingReKeysAndKeepsTheSubtree)
{
    dir.MakeFolder(QStringLiteral("a/Proj/sub"));
    CSyncProject& project = Create(QStringLiteral("a/Proj"), QString());
    CSyncProject* sub = project.FindChild(QStringLiteral("sub"));
    sub->ApplyFilterSetting(false, {QStringLiteral("kept")}, false);
    project.SetChanged(false);

    ProjectSheetValues values = ReadProjectSheet(project);
    values.customName = true;
    values.displayName = QStringLiteral("New Name");
    EXPECT_EQ(ApplyProjectSheet(project, values), SheetResult::Applied);
    EXPECT_TRUE(prompt.Requests().empty()); // no folder question
    EXPECT_EQ(doc.GetRoot().FindChild(QStringLiteral("proj")), nullptr);
    EXPECT_EQ(doc.GetRoot().FindChild(QStringLiteral("new name")), &project);
    EXPECT_EQ(project.GetName(), QStringLiteral("New Name"));
    EXPECT_EQ(project.FindChild(QStringLiteral("sub")), sub);
    EXPECT_TRUE(sub->HasFlag(NodeFlag::OwnFilter));
    EXPECT_TRUE(project.HasFlag(NodeFlag::Changed));

    // Typing the folder's own name back, or unticking, returns to the folder name.
    values = ReadProjectSheet(project);
    values.displayName = QStringLiteral("Proj");
    EXPECT_EQ(ApplyProjectSheet(project, values), SheetResult::Applied);
    EXPECT_TRUE(project.GetName().isEmpty());
    EXPECT_EQ(doc.GetRoot().FindChild(QStringLiteral("proj")), &project);
}

TEST_F(ProjectCreation, ANameTakenByASiblingIsRefusedButTheNodesOwnSubfolderIsNot)
{
    dir.MakeFolder(QStringLiteral("a/Proj/Proj"));
    dir.MakeFolder(QStringLiteral("a/Other"));
    CSyncProject& project = Create(QStringLiteral("a/Proj"), QString());
    CSyncProject& other = Create(QStringLiteral("a/Other"), QString());
    ASSERT_NE(project.FindChild(QStringLiteral("proj")), nullptr);

    // The project's own subfolder of the same name does not block editing it.
    ProjectSheetValues values = ReadProjectSheet(project);
    values.noSync = true;
    EXPECT_EQ(ApplyProjectSheet(project, values), SheetResult::Applied);
    EXPECT_TRUE(project.IsNoSync());

    // A sibling's name does, and nothing changes.
    values = ReadProjectSheet(other);
    values.customName = true;
    values.displayName = QStringLiteral("proj");
    values.noSync = true;
    EXPECT_EQ(ApplyProjectSheet(other, values), SheetResult::ShowAgain);
    EXPECT_EQ(prompt.Texts().last(), QStringLiteral("指定されたプロジェクトフォルダはすでに登録されています。"));
    EXPECT_FALSE(other.IsNoSync());
    EXPECT_TRUE(other.GetName().isEmpty());
    EXPECT_EQ(doc.GetRoot().ChildCount(), 2);
}

TEST_F(ProjectCreation, ChangingFoldersAsksAndRebuildsTheSubtree)
{
    dir.MakeFolder(QStringLiteral("a/Proj/sub"));
    dir.MakeFolder(QStringLiteral("b/Proj/sub"));
    dir.MakeFolder(QStringLiteral("c/Proj/other"));
    CSyncProject& project = Create(QStringLiteral("a/Proj"), QStringLiteral("b/Proj"));
    CSyncProject* sub = project.FindChild(QStringLiteral("sub"));
    sub->SetNoSync(true);
    sub->ApplyFilterSetting(false, {QStringLiteral("x")}, false);

    ProjectSheetValues values = ReadProjectSheet(project);
    values.targetFolder = dir.PathOf(QStringLiteral("c/Proj"));
    values.foldersEdited = true;

    prompt.Push(PromptAnswer::No);
    EXPECT_EQ(ApplyProjectSheet(project, values), SheetResult::ShowAgain);
    prompt.Push(PromptAnswer::Cancel);
    EXPECT_EQ(ApplyProjectSheet(project, values), SheetResult::Cancelled);
    EXPECT_EQ(project.GetFolder(1), dir.PathOf(QStringLiteral("b/Proj")));
    EXPECT_EQ(project.FindChild(QStringLiteral("sub")), sub);
    EXPECT_EQ(prompt.Texts().first(),
        QStringLiteral("フォルダを変更すると、このプロジェクト以下が共通設定で初期化されます。よろしいですか？"));

    prompt.Push(PromptAnswer::Yes);
    EXPECT_EQ(ApplyProjectSheet(project, values), SheetResult::Applied);
    EXPECT_EQ(project.GetFolder(1), dir.PathOf(QStringLiteral("c/Proj")));
    CSyncProject* rebuilt = project.FindChild(QStringLiteral("sub"));
    ASSERT_NE(rebuilt, nullptr);
    EXPECT_FALSE(rebuilt->IsNoSync());
    EXPECT_FALSE(rebuilt->HasFlag(NodeFlag::OwnFilter));
    EXPECT_NE(project.FindChild(QStringLiteral("other")), nullptr);
    EXPECT_EQ(prompt.UnexpectedCount(), 0);
}

TEST_F(ProjectCreation, SettingsPagesApplyToTheSubtree)
{
    dir.MakeFolder(QStringLiteral("a/Proj/sub/deeper"));
    CSyncProject& project = Create(QStringLiteral("a/Proj"), QString());
    CSyncProject& deeper = *project.FindChild(QStringLiteral("sub"))->FindChild(QStringLiteral("deeper"));
    CAppOptionSync own;
    own.Flags = SyncFlags::fromInt(0x1C1);
    deeper.ApplySyncOptions(false, own, false);

    ProjectSheetValues values = ReadProjectSheet(project);
    values.optionsUseCommon = false;
    values.options.Flags = SyncFlags::fromInt(0x0D);
    values.optionsSubtree = true;
    values.filterUseCommon = false;
    values.ownFilters = {QStringLiteral("f")};
    values.noSubfolderSearch = false;
    ASSERT_EQ(ApplyProjectSheet(project, values), SheetResult::Applied);
    EXPECT_EQ(deeper.GetEffectiveSyncOptions().Flags, 0x0Du);
    EXPECT_FALSE(deeper.HasFlag(NodeFlag::OwnFilter)); // the filter page's subtree box was not ticked
    EXPECT_EQ(project.GetEffectiveFilterSelection(), QStringList{"f"});

    values = ReadProjectSheet(project);
    values.optionsUseCommon = true;
    values.optionsSubtree = true;
    ASSERT_EQ(ApplyProjectSheet(project, values), SheetResult::Applied);
    EXPECT_FALSE(deeper.HasFlag(NodeFlag::OwnSyncOptions));

    // The subfolder switch of the sheet does not mark the node changed by itself.
    ClearChangedFlags(doc.GetRoot());
    values = ReadProjectSheet(deeper);
    values.noSubfolderSearch = true;
    ASSERT_EQ(ApplyProjectSheet(deeper, values), SheetResult::Applied);
    EXPECT_TRUE(deeper.IsNoSubfolderSearch());
}

TEST_F(ProjectCreation, FoldersThatAreNotAbsoluteOrOverlapAreRefusedBeforeAnythingIsCreated)
{
    const QString work = dir.MakeFolder(QStringLiteral("a/Work"));
    dir.MakeFolder(QStringLiteral("a/Work/inner"));
    const QString beside = dir.MakeFolder(QStringLiteral("a/Workshop"));
    dir.MakeLink(QStringLiteral("lnk"), work);
    const QString invalid = ProjectText::InvalidFolder;
    const QString overlap = ProjectText::FoldersOverlap;
    struct Case
    {
        QString project;
        QString target;
        NewProjectCheck why;
        QString message;
    };
    const Case cases[] = {
        {QStringLiteral("a/Work"), QString(), NewProjectCheck::InvalidProjectFolder, invalid},
        {work + QChar(0) + QStringLiteral("x"), QString(), NewProjectCheck::InvalidProjectFolder, invalid},
        {work, QStringLiteral("b"), NewProjectCheck::InvalidTargetFolder, invalid},
        {work, QStringLiteral("b") + QChar(0), NewProjectCheck::InvalidTargetFolder, invalid},
        {work, work + QStringLiteral("/inner"), NewProjectCheck::FoldersOverlap, overlap},
        {work + QStringLiteral("/inner"), work, NewProjectCheck::FoldersOverlap, overlap},
        {work, work, NewProjectCheck::FoldersOverlap, overlap},
        // Inside through a link, and not there yet: refused before it is created.
        {work, dir.PathOf(QStringLiteral("lnk/new")), NewProjectCheck::FoldersOverlap, overlap},
        {work, beside, NewProjectCheck::Ok, QString()}, // "a/Workshop" is not inside "a/Work"
    };
    for (const Case& c : cases) {
        const size_t before = prompt.Requests().size();
        NewProjectCheck why = NewProjectCheck::Ok;
        EXPECT_EQ(ValidateNewProject({c.project, c.target, true}, &why), c.why == NewProjectCheck::Ok);
        EXPECT_EQ(why, c.why) << c.target.toStdString();
        if (c.message.isEmpty()) {
            EXPECT_EQ(prompt.Requests().size(), before);
        } else {
            ASSERT_EQ(prompt.Requests().size(), before + 1);
            EXPECT_EQ(prompt.Requests().back().text, c.message);
            EXPECT_EQ(prompt.Requests().back().icon, PromptIcon::Warning);
        }
    }
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(QStringLiteral("a/Work/new"))));
    EXPECT_FALSE(TestDir::Exists(QStringLiteral("b")));
}

TEST_F(ProjectCreation, TheFolderPageRefusesRelativeAndOverlappingFolders)
{
    const QString work = dir.MakeFolder(QStringLiteral("a/Work"));
    const QString inner = dir.MakeFolder(QStringLiteral("a/Work/inner"));
    const QString other = dir.MakeFolder(QStringLiteral("b"));
    struct Case
    {
        QString project;
        QString target;
        QString message; // empty: accepted
    };
    const Case cases[] = {
        {QStringLiteral("a/Work"), other, ProjectText::InvalidFolder},
        {work, QStringLiteral("b"), ProjectText::InvalidFolder},
        {work, inner, ProjectText::FoldersOverlap},
        {inner, work, ProjectText::FoldersOverlap},
        {work, work + QStringLiteral("/"), ProjectText::FoldersOverlap},
        {work, other, QString()},
    };
    for (const Case& c : cases) {
        ProjectSheetValues values;
        values.foldersEdited = true;
        values.projectFolder = c.project;
        values.targetFolder = c.target;
        const size_t before = prompt.Requests().size();
        EXPECT_EQ(ValidateProjectSheet(values), c.message.isEmpty()) << c.target.toStdString();
        if (!c.message.isEmpty()) {
            ASSERT_EQ(prompt.Requests().size(), before + 1);
            EXPECT_EQ(prompt.Requests().back().text, c.message);
            EXPECT_EQ(prompt.Requests().back().icon, PromptIcon::Information);
        }
    }
}
