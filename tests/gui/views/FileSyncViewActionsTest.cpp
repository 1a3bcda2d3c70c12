// The file list's delete, open, properties and compare commands, on real
// folders, with the dialogs driven as a user drives them.

#include "FileViewFixture.h"

#include "core/settings/CAppOptionTool.h"
#include "gui/sync/CFileDeleteDlg.h"
#include "gui/sync/CPathPropertiesDlg.h"

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <functional>

namespace {

class FileViewActionsTest : public FileViewTest
{
protected:
    void SetUp() override
    {
        FileViewTest::SetUp();
        WriteP(QStringLiteral("both.txt"), "same", T);
        WriteT(QStringLiteral("both.txt"), "same", T);
        WriteP(QStringLiteral("ponly.txt"), "project only", T);
        WriteT(QStringLiteral("tonly.txt"), "target only", T);
        project = &AddProject();
        MakeView();
        Hint(UpdateHint::ShowFiles, project);
        hints.clear();
    }

    void TearDown() override
    {
        GlobalOptionTool().PathToolCompareText.clear();
        GlobalOptionTool().PathToolCompareBin.clear();
        FileViewTest::TearDown();
    }

    // What the delete dialog showed, and how the user answered it.
    struct DeleteDialogRun
    {
        bool shown = false;
        QString projectText;
        QString targetText;
        bool projectEnabled = false;
        bool targetEnabled = false;
    };

    // Runs `command` while the user answers the delete dialog with `answer`.
    DeleteDialogRun RunWithDeleteDialog(
        const std::function<void()>& command, const std::function<void(CFileDeleteDlg&)>& answer)
    {
        DeleteDialogRun run;
        ModalWatch<CFileDeleteDlg> watch([&run, &answer](CFileDeleteDlg* dialog) {
            run.shown = true;
            run.projectText = dialog->ProjectPath();
            run.targetText = dialog->TargetPath();
            dialog->SetDeleteProject(true);
            run.projectEnabled = dialog->DeleteProject();
            dialog->SetDeleteProject(false);
            dialog->SetDeleteTarget(true);
            run.targetEnabled = dialog->DeleteTarget();
            dialog->SetDeleteTarget(false);
            answer(*dialog);
        });
        command();
        return run;
    }

    CSyncProject* project = nullptr;
};

TEST_F(FileViewActionsTest, DeleteRemovesTheTickedSideOfEachSelectedFile)
{
    Select({QStringLiteral("both.txt"), QStringLiteral("ponly.txt")});
    CScriptedPrompt prompt;
    CPromptScope scope(prompt);
    prompt.Push(PromptAnswer::Yes); // deleting for good asks once
    const DeleteDialogRun run = RunWithDeleteDialog([this] { view->ExecuteCommand(Cmd::Delete); },
        [](CFileDeleteDlg& dialog) {
            dialog.SetDeleteProject(true);
            dialog.SetRecycle(false);
            dialog.accept();
        });
    ASSERT_TRUE(run.shown);
    EXPECT_EQ(run.projectText, QStringLiteral("複数ファイル"));
    EXPECT_EQ(run.targetText, Tg(QStringLiteral("both.txt")));
    EXPECT_TRUE(prompt.AllAnswersUsed());

    EXPECT_FALSE(TestDir::Exists(P(QStringLiteral("both.txt"))));
    EXPECT_FALSE(TestDir::Exists(P(QStringLiteral("ponly.txt"))));
    EXPECT_TRUE(TestDir::Exists(Tg(QStringLiteral("both.txt"))));
    // The list shows what is left, and the tree hears of it.
    EXPECT_EQ(RowOf(QStringLiteral("ponly.txt")), -1);
    EXPECT_EQ(Cell(RowOf(QStringLiteral("both.txt")), ColumnId::State), QStringLiteral("ターゲットにのみ存在"));
    ASSERT_EQ(hints.size(), 1u);
    EXPECT_EQ(hints[0].hint, UpdateHint::RunDone);
    EXPECT_EQ(hints[0].node, project);
}

TEST_F(FileViewActionsTest, DeleteOfATargetOnlyFileOffersTheTargetSideOnly)
{
    Select({QStringLiteral("tonly.txt")});
    CScriptedPrompt prompt;
    CPromptScope scope(prompt);
    // The Delete key of the list, and Cancel: nothing happens.
    const DeleteDialogRun run = RunWithDeleteDialog(
        [this] { QTest::keyClick(view.get(), Qt::Key_Delete); }, [](CFileDeleteDlg& dialog) { dialog.reject(); });
    ASSERT_TRUE(run.shown);
    EXPECT_EQ(run.projectText, QString());
    EXPECT_EQ(run.targetText, Tg(QStringLiteral("tonly.txt")));
    EXPECT_FALSE(run.projectEnabled);
    EXPECT_TRUE(run.targetEnabled);
    EXPECT_TRUE(TestDir::Exists(Tg(QStringLiteral("tonly.txt"))));
    EXPECT_TRUE(hints.empty());
    EXPECT_TRUE(prompt.Requests().empty());
}

TEST_F(FileViewActionsTest, DeleteWithNothingSelectedShowsAnEmptyDialog)
{
    view->clearSelection();
    EXPECT_TRUE(Enabled(Cmd::Delete));
    const DeleteDialogRun run = RunWithDeleteDialog(
        [this] { view->ExecuteCommand(Cmd::Delete); }, [](CFileDeleteDlg& dialog) { dialog.reject(); });
    ASSERT_TRUE(run.shown);
    EXPECT_EQ(run.projectText, QString());
    EXPECT_EQ(run.targetText, QString());
    EXPECT_FALSE(run.projectEnabled);
    EXPECT_FALSE(run.targetEnabled);
}

TEST_F(FileViewActionsTest, DoubleClickOpensBothSidesProjectFirst)
{
    Select({QStringLiteral("both.txt")});
    // Files that vanished behind the list's back cannot be opened: the
    // messages show what was asked for, in order, and nothing is launched.
    QFile::remove(P(QStringLiteral("both.txt")));
    QFile::remove(Tg(QStringLiteral("both.txt")));
    CScriptedPrompt prompt;
    CPromptScope scope(prompt);
    QTreeWidgetItem* row = view->topLevelItem(RowOf(QStringLiteral("both.txt")));
    const QPoint at = view->visualItemRect(row).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    ASSERT_EQ(prompt.Texts().size(), 2);
    EXPECT_TRUE(prompt.Texts()[0].contains(P(QStringLiteral("both.txt"))));
    EXPECT_TRUE(prompt.Texts()[1].contains(Tg(QStringLiteral("both.txt"))));

    // The target side alone.
    Select({QStringLiteral("both.txt")});
    view->ExecuteCommand(Cmd::OpenTargetFolder);
    ASSERT_EQ(prompt.Texts().size(), 3);
    EXPECT_TRUE(prompt.Texts()[2].contains(Tg(QStringLiteral("both.txt"))));
}

TEST_F(FileViewActionsTest, PropertiesOpenOneWindowPerExistingSide)
{
    Select({QStringLiteral("both.txt"), QStringLiteral("tonly.txt")});
    view->ExecuteCommand(Cmd::BothProperties);
    EXPECT_EQ(frame.window.findChildren<CPathPropertiesDlg*>().size(), 3);
    view->ExecuteCommand(Cmd::ProjectFolderProperties);
    EXPECT_EQ(frame.window.findChildren<CPathPropertiesDlg*>().size(), 4);
    qDeleteAll(frame.window.findChildren<CPathPropertiesDlg*>());
}

TEST_F(FileViewActionsTest, CompareStartsTheToolWithProjectThenTargetFile)
{
    const QString output = profileDir.PathOf(QStringLiteral("compared.txt"));
    const QString tool = profileDir.PathOf(QStringLiteral("compare.sh"));
    QFile script(tool);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n%s\\n' \"$1\" \"$2\" > '%1.part' && mv '%1.part' '%1'\n")
                     .arg(output)
                     .toUtf8());
    script.close();
    ASSERT_EQ(::chmod(tool.toLocal8Bit().constData(), 0755), 0);
    GlobalOptionTool().PathToolCompareText = tool;

    Select({QStringLiteral("both.txt")});
    ASSERT_TRUE(Enabled(Cmd::CompareText));
    view->ExecuteCommand(Cmd::CompareText);
    for (int waited = 0; waited < 10000 && !QFile::exists(output); waited += 10)
        QTest::qWait(10); // the tool runs on its own
    ASSERT_TRUE(QFile::exists(output));
    EXPECT_EQ(TestDir::ReadFile(output),
        (P(QStringLiteral("both.txt")) + QLatin1Char('\n') + Tg(QStringLiteral("both.txt")) + QLatin1Char('\n'))
            .toUtf8());

    // Without a binary tool the user is told so.
    CScriptedPrompt prompt;
    CPromptScope scope(prompt);
    view->ExecuteCommand(Cmd::CompareBinary);
    EXPECT_EQ(prompt.Texts(), QStringList{QStringLiteral("バイナリ比較ツールが指定されていません。")});
}

} // namespace
