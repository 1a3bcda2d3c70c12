// The window's undo of the last run: the preview list of the undo, its rows,
// and the undo of the rows left ticked.

#include "SyncGuiSupport.h"
#include "core/sync/CUndoRun.h"
#include "gui/shell/CDocCommands.h"
#include "gui/sync/CSyncPreviewDlg.h"

#include <QPushButton>
#include <QTreeWidget>

class UndoPreviewTest : public SyncGuiTest
{
protected:
    // An export that replaces x.txt, adds added.txt and deletes stale.txt, from a saved document.
    void ExportOnce()
    {
        dir.WriteFile(QStringLiteral("P/x.txt"), "new x", kNew);
        dir.WriteFile(QStringLiteral("P/added.txt"), "added", kNew);
        dir.WriteFile(QStringLiteral("T/x.txt"), "old x", kOld);
        dir.WriteFile(QStringLiteral("T/stale.txt"), "stale", kOld);
        CSyncProject& project = AddProject();
        ASSERT_TRUE(doc.OnSaveDocument(dir.PathOf(QStringLiteral("D.snc"))));
        CAppOptionSync options;
        options.Flags = SyncFlag::Default | SyncFlag::DeleteFiles | SyncFlag::NoConfirmation;
        ASSERT_TRUE(doc.Synchronize(&project, options, SyncDirection::Export));
        ASSERT_EQ(TestDir::ReadFile(T(QStringLiteral("x.txt"))), "new x");
    }
};

TEST_F(UndoPreviewTest, ThePreviewListShowsTheUndoAndOnlyTheTickedRowsAreUndone)
{
    ExportOnce();
    GlobalOptionSync().LogFilePath = dir.PathOf(QStringLiteral("undo.log"));
    CDocCommands commands(doc, owner.get());
    QStringList titles;
    int rows = 0;
    DialogScript script;
    script.Then<CSyncPreviewDlg>([&](CSyncPreviewDlg* dialog) {
        titles << dialog->windowTitle();
        auto* list = Control<QTreeWidget>(dialog, 1094);
        rows = list->topLevelItemCount();
        // Keep the added file: untick its row (a deletion row, listed first).
        for (int i = 0; i < rows; ++i) {
            if (list->topLevelItem(i)->text(0) == QStringLiteral("added.txt"))
                list->topLevelItem(i)->setCheckState(0, Qt::Unchecked);
        }
        Control<QPushButton>(dialog, 1)->click();
    });
    EXPECT_TRUE(commands.UndoLastRun());
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(titles, QStringList{UndoText::PreviewTitle()});
    EXPECT_EQ(rows, 3);
    EXPECT_EQ(TestDir::ReadFile(T(QStringLiteral("x.txt"))), "old x");
    EXPECT_EQ(TestDir::MTime(T(QStringLiteral("x.txt"))), kOld);
    EXPECT_EQ(TestDir::ReadFile(T(QStringLiteral("stale.txt"))), "stale");
    EXPECT_EQ(TestDir::ReadFile(T(QStringLiteral("added.txt"))), "added");
    // Copies from the trash item, in the log's own format.
    const QStringList lines = LogLines(GlobalOptionSync().LogFilePath);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines.at(0).startsWith(QStringLiteral("COPY ")));
    EXPECT_TRUE(lines.at(0).endsWith(QStringLiteral(" ") + T(QStringLiteral("x.txt"))));
    EXPECT_TRUE(lines.at(1).endsWith(QStringLiteral(" ") + T(QStringLiteral("stale.txt"))));
    GlobalOptionSync().LogFilePath.clear();
}

TEST_F(UndoPreviewTest, WithoutARunThereIsNothingToUndo)
{
    ASSERT_TRUE(doc.OnSaveDocument(dir.PathOf(QStringLiteral("D.snc"))));
    CDocCommands commands(doc, owner.get());
    EXPECT_FALSE(commands.UndoLastRun());
    EXPECT_EQ(prompt.Texts(), QStringList{UndoText::NothingToUndo()});
}
