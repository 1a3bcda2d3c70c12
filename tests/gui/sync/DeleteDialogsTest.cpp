// The file and folder delete dialogs, and deleting to the trash through them.

#include "SyncGuiSupport.h"
#include "core/platform/Paths.h"
#include "gui/sync/CFileDeleteDlg.h"
#include "gui/sync/CFileProgressDlg.h"
#include "gui/sync/CFolderDeleteDlg.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <cstdio>

namespace {

QCheckBox* Box(QWidget* dialog, int id)
{
    return Control<QCheckBox>(dialog, id);
}

QPushButton* Ok(QWidget* dialog)
{
    return Control<QPushButton>(dialog, 1);
}

// The original path that a trash info file names.
QString TrashedFrom(const QString& infoFile)
{
    for (const QByteArray& line : TestDir::ReadFile(infoFile).split('\n')) {
        if (line.startsWith("Path="))
            return DecodeFileName(QByteArray::fromPercentEncoding(line.mid(5)));
    }
    return {};
}

} // namespace

TEST(FileDeleteDlg, ASideWithoutFilesCannotBeTickedAndOkNeedsOneTick)
{
    CFileDeleteDlg dialog;
    dialog.SetTargetPath(CFileDeleteDlg::MultipleFilesText());
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ファイルの削除"));
    EXPECT_EQ(Control<QLineEdit>(&dialog, 1018)->text(), QStringLiteral("複数ファイル"));
    EXPECT_TRUE(Control<QLineEdit>(&dialog, 1016)->isReadOnly());
    EXPECT_FALSE(Box(&dialog, 1033)->isEnabled());
    EXPECT_TRUE(Box(&dialog, 1034)->isEnabled());
    EXPECT_FALSE(Box(&dialog, 1034)->isChecked());
    EXPECT_TRUE(Box(&dialog, 1035)->isChecked());
    EXPECT_FALSE(Ok(&dialog)->isEnabled());

    ClickBox(Box(&dialog, 1033)); // disabled: nothing happens
    EXPECT_FALSE(Box(&dialog, 1033)->isChecked());
    EXPECT_FALSE(Ok(&dialog)->isEnabled());
    ClickBox(Box(&dialog, 1034));
    EXPECT_TRUE(Ok(&dialog)->isEnabled());
    ClickBox(Box(&dialog, 1034));
    EXPECT_FALSE(Ok(&dialog)->isEnabled());
    ClickBox(Box(&dialog, 1034));
    ClickBox(Box(&dialog, 1035));
    QTest::mouseClick(Ok(&dialog), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.DeleteProject());
    EXPECT_TRUE(dialog.DeleteTarget());
    EXPECT_FALSE(dialog.Recycle());
}

TEST(FolderDeleteDlg, TheMasterSwitchEnablesTheSidesThatExist)
{
    CFolderDeleteDlg dialog;
    dialog.SetProjectPath(QStringLiteral("/p/project"));
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("フォルダの削除"));
    EXPECT_FALSE(Box(&dialog, 1068)->isChecked());
    EXPECT_FALSE(Box(&dialog, 1062)->isEnabled());
    EXPECT_FALSE(Box(&dialog, 1063)->isEnabled());
    EXPECT_FALSE(Box(&dialog, 1066)->isEnabled());
    EXPECT_TRUE(Box(&dialog, 1066)->isChecked());
    EXPECT_TRUE(Ok(&dialog)->isEnabled());
    EXPECT_TRUE(Control<QPushButton>(&dialog, 2)->isEnabled());

    ClickBox(Box(&dialog, 1068));
    EXPECT_TRUE(Box(&dialog, 1062)->isEnabled());
    EXPECT_FALSE(Box(&dialog, 1063)->isEnabled()); // no target folder
    EXPECT_TRUE(Box(&dialog, 1066)->isEnabled());
    ClickBox(Box(&dialog, 1062));
    EXPECT_TRUE(dialog.DeleteProject());
    EXPECT_TRUE(Box(&dialog, 1062)->isEnabled());

    // Unticking the master switch disables the sides; their ticks stay but no longer count.
    ClickBox(Box(&dialog, 1068));
    EXPECT_FALSE(Box(&dialog, 1062)->isEnabled());
    EXPECT_TRUE(Box(&dialog, 1062)->isChecked());
    EXPECT_FALSE(Box(&dialog, 1066)->isEnabled());
    QTest::mouseClick(Ok(&dialog), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.DeleteProject());
    EXPECT_FALSE(dialog.DeleteTarget());
}

TEST_F(SyncGuiTest, AFileDeletedToTheTrashCanBeRestoredFromTheTrashFolder)
{
    const QString file = dir.WriteFile(QStringLiteral("T/a report.txt"), "contents", kOld);
    dir.WriteFile(QStringLiteral("P/other.txt"), "other", kOld);
    ResetCaches();
    if (!IsFixedDrive(dir.Path()))
        GTEST_SKIP() << "the temporary folder is not on a fixed disk";

    CFileDeleteDlg dialog(owner.get());
    dialog.SetTargetPath(file);
    DialogScript script;
    script.Then<CFileDeleteDlg>([](CFileDeleteDlg* shown) {
        ClickBox(Box(shown, 1034));
        QTest::mouseClick(Ok(shown), Qt::LeftButton);
    });
    ASSERT_EQ(dialog.exec(), QDialog::Accepted);
    ASSERT_TRUE(dialog.DeleteTarget());
    ASSERT_TRUE(dialog.Recycle());
    prompt.Push(PromptAnswer::Yes);
    EXPECT_TRUE(doc.DeletePaths({file}, dialog.Recycle()));
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(prompt.Texts().at(0), QStringLiteral("'%1' をごみ箱に移動しますか？").arg(file));
    EXPECT_TRUE(prompt.onGuiThread.at(0));
    EXPECT_FALSE(TestDir::Exists(file));
    EXPECT_TRUE(TestDir::Exists(P("other.txt")));

    // The trash of the temporary XDG_DATA_HOME holds the file and names its place: restore it.
    const QString trashed = dir.PathOf(QStringLiteral("data/Trash/files/a report.txt"));
    const QString info = dir.PathOf(QStringLiteral("data/Trash/info/a report.txt.trashinfo"));
    ASSERT_TRUE(TestDir::Exists(trashed));
    EXPECT_EQ(TrashedFrom(info), file);
    ASSERT_EQ(std::rename(EncodeFileName(trashed).constData(), EncodeFileName(TrashedFrom(info)).constData()), 0);
    EXPECT_EQ(TestDir::ReadFile(file), QByteArray("contents"));
    EXPECT_EQ(TestDir::MTime(file), kOld);
}

TEST_F(SyncGuiTest, BothFoldersOfAProjectGoToTheTrashInOneOperation)
{
    dir.WriteFile(QStringLiteral("P/sub/x.txt"), "x");
    dir.WriteFile(QStringLiteral("T/sub/y.txt"), "y");
    ResetCaches();
    if (!IsFixedDrive(dir.Path()))
        GTEST_SKIP() << "the temporary folder is not on a fixed disk";
    CFolderDeleteDlg dialog(owner.get());
    dialog.SetProjectPath(P("sub"));
    dialog.SetTargetPath(T("sub"));
    DialogScript script;
    script.Then<CFolderDeleteDlg>([](CFolderDeleteDlg* shown) {
        ClickBox(Box(shown, 1068));
        ClickBox(Box(shown, 1062));
        ClickBox(Box(shown, 1063));
        QTest::mouseClick(Ok(shown), Qt::LeftButton);
    });
    ASSERT_EQ(dialog.exec(), QDialog::Accepted);
    QStringList paths;
    if (dialog.DeleteProject())
        paths << dialog.ProjectPath();
    if (dialog.DeleteTarget())
        paths << dialog.TargetPath();
    ASSERT_EQ(paths, QStringList({P("sub"), T("sub")}));
    prompt.Push(PromptAnswer::Yes);
    EXPECT_TRUE(doc.DeletePaths(paths, dialog.Recycle()));
    EXPECT_EQ(prompt.Texts(), QStringList({QStringLiteral("これらの 2 個の項目をごみ箱に移動しますか？")}));
    EXPECT_FALSE(TestDir::Exists(P("sub")));
    EXPECT_FALSE(TestDir::Exists(T("sub")));
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("data/Trash/files/sub/x.txt"))), QByteArray("x"));
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("data/Trash/files/sub.2/y.txt"))), QByteArray("y"));
}
