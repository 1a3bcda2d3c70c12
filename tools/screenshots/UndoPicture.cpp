// The preview list of an undo, after an export that replaced, added and
// deleted a file.

#include "Screenshots.h"
#include "core/sync/CUndoRun.h"
#include "gui/shell/CDocCommands.h"
#include "gui/sync/CSyncPreviewDlg.h"
#include "gui/sync/SyncGuiSupport.h"

#include <QPixmap>
#include <QTest>

TEST_F(SyncGuiTest, UndoPreviewList)
{
    dir.WriteFile(QStringLiteral("P/報告書.docx"), "new", kNew);
    dir.WriteFile(QStringLiteral("P/予算 2024.xlsx"), "added", kNew);
    dir.WriteFile(QStringLiteral("T/報告書.docx"), "old", kOld);
    dir.WriteFile(QStringLiteral("T/古いメモ.txt"), "stale", kOld);
    CSyncProject& project = AddProject();
    ASSERT_TRUE(doc.OnSaveDocument(dir.PathOf(QStringLiteral("D.snc"))));
    CAppOptionSync options;
    options.Flags = SyncFlag::Default | SyncFlag::DeleteFiles | SyncFlag::NoConfirmation;
    ASSERT_TRUE(doc.Synchronize(&project, options, SyncDirection::Export));

    CDocCommands commands(doc, owner.get());
    bool taken = false;
    DialogScript script;
    script.Then<CSyncPreviewDlg>([&](CSyncPreviewDlg* dialog) {
        dialog->resize(820, 300);
        QTest::qWait(200); // let the window system draw it
        taken = dialog->grab().save(PicturePath(QStringLiteral("undo-preview.png")));
        dialog->reject();
    });
    commands.UndoLastRun();
    EXPECT_TRUE(taken);
}
