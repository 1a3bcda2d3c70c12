// The file list's commands: enable rules, export and import of the selected
// files with the overwrite question, refresh, and the hints they send.

#include "FileViewFixture.h"

#include <QMenu>

namespace {

class FileViewCommandTest : public FileViewTest
{
protected:
    void SetUp() override
    {
        FileViewTest::SetUp();
        WriteP(QStringLiteral("both.txt"), "same", T);
        WriteT(QStringLiteral("both.txt"), "same", T);
        WriteP(QStringLiteral("ponly.txt"), "project only", T);
        WriteT(QStringLiteral("tonly.txt"), "target only", T);
        WriteP(QStringLiteral("older.txt"), "project, older", T);
        WriteT(QStringLiteral("older.txt"), "target, newer", T + 3600);
        WriteP(QStringLiteral("newer.txt"), "project, newer", T + 3600);
        WriteT(QStringLiteral("newer.txt"), "target, older", T);
    }

    CSyncProject& ShowProject()
    {
        CSyncProject& project = AddProject();
        MakeView();
        Hint(UpdateHint::ShowFiles, &project);
        hints.clear();
        return project;
    }

    std::vector<int> HintNumbers() const
    {
        std::vector<int> numbers;
        for (const SentHint& sent : hints)
            numbers.push_back(sent.hint);
        return numbers;
    }
};

TEST_F(FileViewCommandTest, EnableRulesFollowTheSelection)
{
    ShowProject();
    const int rowCommands[] = {Cmd::Export, Cmd::Import, Cmd::Refresh, Cmd::OpenBoth, Cmd::BothProperties,
        Cmd::OpenProjectFolder, Cmd::OpenTargetFolder, Cmd::ProjectFolderProperties, Cmd::TargetFolderProperties,
        Cmd::CompareText, Cmd::CompareBinary};

    view->clearSelection();
    for (int id : rowCommands)
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_TRUE(Enabled(Cmd::SortAscending));
    EXPECT_TRUE(Enabled(Cmd::SortDescending));
    EXPECT_TRUE(Enabled(Cmd::EditColumns));

    EXPECT_TRUE(Enabled(Cmd::Delete)); // the dialog then offers nothing to tick

    // One file on both sides: everything.
    Select({QStringLiteral("both.txt")});
    for (int id : rowCommands)
        EXPECT_TRUE(Enabled(id)) << id;

    // A file in the target folder only: nothing on the project side, no compare.
    Select({QStringLiteral("tonly.txt")});
    for (int id : {Cmd::Export, Cmd::Import, Cmd::Refresh, Cmd::OpenTargetFolder, Cmd::TargetFolderProperties,
             Cmd::OpenBoth, Cmd::BothProperties})
        EXPECT_TRUE(Enabled(id)) << id;
    EXPECT_FALSE(Enabled(Cmd::OpenProjectFolder));
    EXPECT_FALSE(Enabled(Cmd::ProjectFolderProperties));
    EXPECT_FALSE(Enabled(Cmd::CompareText));
    EXPECT_FALSE(Enabled(Cmd::CompareBinary));

    // Two files: no compare.
    Select({QStringLiteral("both.txt"), QStringLiteral("older.txt")});
    EXPECT_FALSE(Enabled(Cmd::CompareText));
    EXPECT_FALSE(Enabled(Cmd::CompareBinary));

    // The root as the current node: no rows and no row commands.
    Hint(UpdateHint::NodeChanged, &doc.GetRoot());
    EXPECT_EQ(view->topLevelItemCount(), 0);
    for (int id : rowCommands)
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_FALSE(Enabled(Cmd::Delete));
    EXPECT_TRUE(Enabled(Cmd::EditColumns));
}

TEST_F(FileViewCommandTest, RowMenuOffersTheFileCommands)
{
    ShowProject();
    Select({QStringLiteral("both.txt")});
    std::unique_ptr<QMenu> menu = view->CreateRowMenu();
    QStringList texts;
    for (QAction* action : menu->actions())
        texts.append(action->text());
    EXPECT_EQ(texts,
        (QStringList{QStringLiteral("エクスポート(&E)..."), QStringLiteral("インポート(&I)..."),
            QStringLiteral("削除(&D)..."), QString(), QStringLiteral("開く(&O)"), QStringLiteral("プロパティ(&P)"),
            QStringLiteral("比較(&C)")}));
    EXPECT_TRUE(menu->actions()[0]->isEnabled());
    QMenu* compare = menu->actions()[6]->menu();
    ASSERT_NE(compare, nullptr);
    ASSERT_EQ(compare->actions().size(), 2);
    EXPECT_EQ(compare->actions()[0]->text(), QStringLiteral("テキスト比較(&T)"));
    EXPECT_EQ(compare->actions()[1]->text(), QStringLiteral("バイナリ比較(&B)"));
}

TEST_F(FileViewCommandTest, ExportOfANewerTargetFileAsksFirst)
{
    CSyncProject& project = ShowProject();
    Select({QStringLiteral("older.txt")});
    const CFileListItem* rowBefore = view->SelectedRows().front();

    // Cancel: nothing changes, and the list is not even filled again.
    {
        CScriptedPrompt prompt;
        CPromptScope scope(prompt);
        prompt.Push(PromptAnswer::Cancel);
        view->ExecuteCommand(Cmd::Export);
        ASSERT_EQ(prompt.Requests().size(), 1u);
        const PromptRequest& question = prompt.Requests().front();
        EXPECT_EQ(question.text, QStringLiteral("古いファイルを新しいファイルに上書きしてもよろしいですか？"));
        EXPECT_EQ(question.buttons, PromptButtons::OkCancel);
        EXPECT_EQ(question.icon, PromptIcon::Question);
    }
    EXPECT_EQ(TestDir::ReadFile(Tg(QStringLiteral("older.txt"))), QByteArray("target, newer"));
    EXPECT_EQ(TestDir::MTime(Tg(QStringLiteral("older.txt"))), T + 3600);
    EXPECT_TRUE(hints.empty());
    EXPECT_EQ(view->SelectedRows().front(), rowBefore);

    // OK: the older project file replaces the newer target file, with its time.
    {
        CScriptedPrompt prompt;
        CPromptScope scope(prompt);
        prompt.Push(PromptAnswer::Ok);
        view->ExecuteCommand(Cmd::Export);
        EXPECT_EQ(prompt.Requests().size(), 1u);
        EXPECT_EQ(prompt.UnexpectedCount(), 0);
    }
    EXPECT_EQ(TestDir::ReadFile(Tg(QStringLiteral("older.txt"))), QByteArray("project, older"));
    EXPECT_EQ(TestDir::MTime(Tg(QStringLiteral("older.txt"))), T);
    // Nothing else was copied, and a single overwrite writes no log line.
    EXPECT_EQ(TestDir::ReadFile(Tg(QStringLiteral("newer.txt"))), QByteArray("target, older"));
    EXPECT_FALSE(TestDir::Exists(Tg(QStringLiteral("ponly.txt"))));
    EXPECT_FALSE(TestDir::Exists(GlobalOptionSync().LogFilePath));
    // The list shows the new state, the same file selected; the other views hear of it.
    const int row = RowOf(QStringLiteral("older.txt"));
    EXPECT_EQ(Cell(row, ColumnId::State), QStringLiteral("同一"));
    ASSERT_EQ(view->SelectedRows().size(), 1u);
    EXPECT_EQ(view->SelectedRows().front()->Record().GetName(), QStringLiteral("older.txt"));
    ASSERT_EQ(hints.size(), 1u);
    EXPECT_EQ(hints[0].hint, UpdateHint::RunDone);
    EXPECT_EQ(hints[0].node, &project);
}

TEST_F(FileViewCommandTest, ImportOfANewerProjectFileAsksFirst)
{
    ShowProject();
    Select({QStringLiteral("newer.txt")});
    CScriptedPrompt prompt;
    CPromptScope scope(prompt);
    prompt.Push(PromptAnswer::Ok);
    view->ExecuteCommand(Cmd::Import);
    EXPECT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(TestDir::ReadFile(P(QStringLiteral("newer.txt"))), QByteArray("target, older"));
    EXPECT_EQ(TestDir::MTime(P(QStringLiteral("newer.txt"))), T);
}

TEST_F(FileViewCommandTest, ExportOfSeveralFilesRunsOnThemOnly)
{
    CSyncProject& project = ShowProject();
    // The newer target file among them is left alone by the run, without a question.
    GlobalOptionSync().Flags |= SyncFlag::NoConfirmation;
    Select({QStringLiteral("newer.txt"), QStringLiteral("ponly.txt"), QStringLiteral("older.txt")});
    const QString firstSelected = view->SelectedRows().front()->Record().GetName();
    CScriptedPrompt prompt;
    CPromptScope scope(prompt);
    view->ExecuteCommand(Cmd::Export);
    EXPECT_TRUE(prompt.Requests().empty());

    EXPECT_EQ(TestDir::ReadFile(Tg(QStringLiteral("newer.txt"))), QByteArray("project, newer"));
    EXPECT_EQ(TestDir::MTime(Tg(QStringLiteral("newer.txt"))), T + 3600);
    EXPECT_EQ(TestDir::ReadFile(Tg(QStringLiteral("ponly.txt"))), QByteArray("project only"));
    EXPECT_EQ(TestDir::ReadFile(Tg(QStringLiteral("older.txt"))), QByteArray("target, newer"));
    // Not selected: untouched.
    EXPECT_FALSE(TestDir::Exists(P(QStringLiteral("tonly.txt"))));
    // The run logged its copies.
    EXPECT_TRUE(TestDir::Exists(GlobalOptionSync().LogFilePath));

    EXPECT_EQ(Cell(RowOf(QStringLiteral("ponly.txt")), ColumnId::State), QStringLiteral("同一"));
    ASSERT_EQ(view->SelectedRows().size(), 1u);
    EXPECT_EQ(view->SelectedRows().front()->Record().GetName(), firstSelected);
    ASSERT_EQ(hints.size(), 1u);
    EXPECT_EQ(hints[0].hint, UpdateHint::RunDone);
    EXPECT_EQ(hints[0].node, &project);
}

TEST_F(FileViewCommandTest, ImportOfSeveralFilesUsesTheProjectsOwnOptions)
{
    CSyncProject& project = ShowProject();
    // The project's own options delete project files missing in the target folder.
    project.ApplySyncOptions(
        false,
        [] {
            CAppOptionSync options;
            options.Flags = SyncFlag::DeleteFiles | SyncFlag::NoConfirmation;
            return options;
        }(),
        false);
    project.OwnSyncOptions().LogFilePath = GlobalOptionSync().LogFilePath;
    Select({QStringLiteral("ponly.txt"), QStringLiteral("tonly.txt")});
    CScriptedPrompt prompt;
    CPromptScope scope(prompt);
    view->ExecuteCommand(Cmd::Import);
    EXPECT_EQ(prompt.UnexpectedCount(), 0);
    EXPECT_FALSE(TestDir::Exists(P(QStringLiteral("ponly.txt"))));
    EXPECT_EQ(TestDir::ReadFile(P(QStringLiteral("tonly.txt"))), QByteArray("target only"));
    EXPECT_EQ(RowOf(QStringLiteral("ponly.txt")), -1);
}

TEST_F(FileViewCommandTest, RefreshScansAgainAndTellsTheTree)
{
    ShowProject();
    WriteT(QStringLiteral("arrived.txt"), "new", T);
    Select({QStringLiteral("both.txt")});
    view->ExecuteCommand(Cmd::Refresh);
    EXPECT_GE(RowOf(QStringLiteral("arrived.txt")), 0);
    // Its own hint (without a node) does not empty or refill the list.
    ASSERT_EQ(hints.size(), 1u);
    EXPECT_EQ(hints[0].hint, UpdateHint::Refresh);
    EXPECT_EQ(hints[0].node, nullptr);
    EXPECT_EQ(view->topLevelItemCount(), 6);
    ASSERT_EQ(view->SelectedRows().size(), 1u);
    EXPECT_EQ(view->SelectedRows().front(), view->Row(0));
}

TEST_F(FileViewCommandTest, CommandsActOnTheFolderTheRowsCameFrom)
{
    CSyncProject& shown = ShowProject();
    // Another project holds a file of the same name.
    const QString otherProject = dir.MakeFolder(QStringLiteral("o/p"));
    const QString otherTarget = dir.MakeFolder(QStringLiteral("o/t"));
    dir.WriteFile(QStringLiteral("o/p/ponly.txt"), "other project", T);
    CSyncProject& other = AddProject(otherProject, otherTarget);

    // Selecting it with "always show the file information" off keeps the rows.
    GlobalOptionDisp().Flags &= ~DispFlag::AlwaysShowFileInfo;
    Hint(UpdateHint::NodeChanged, &other);
    hints.clear();
    Select({QStringLiteral("ponly.txt")});
    CScriptedPrompt prompt;
    CPromptScope scope(prompt);
    view->ExecuteCommand(Cmd::Export);
    EXPECT_EQ(TestDir::ReadFile(Tg(QStringLiteral("ponly.txt"))), QByteArray("project only"));
    EXPECT_FALSE(TestDir::Exists(otherTarget + QStringLiteral("/ponly.txt")));
    ASSERT_EQ(hints.size(), 1u);
    EXPECT_EQ(hints[0].node, &shown);
}

} // namespace
