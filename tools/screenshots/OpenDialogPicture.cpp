// The document's open dialog on a Japanese desktop, in a folder of documents.

#include "Screenshots.h"
#include "core/model/CMyDoc.h"
#include "core/platform/Prompt.h"
#include "core/resources/CommandIds.h"
#include "gui/shell/CMainApp.h"
#include "gui/shell/CMainFrame.h"
#include "support/TempProfile.h"
#include "support/TestDir.h"
#include "support/gui/ModalDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

class OpenDialog : public ::testing::Test
{
protected:
    void TearDown() override { TheApp()->ExitInstance(); }

    TestDir dir;
    TempProfile profile{dir.PathOf(QStringLiteral("Pairwell.ini"))};
    CScriptedPrompt prompt;
    CPromptScope scope{prompt};
};

} // namespace

TEST_F(OpenDialog, InAFolderOfDocuments)
{
    dir.MakeFolder(QStringLiteral("書類/古い設定"));
    for (const char* name : {"報告書.snc", "バックアップ.snc", "写真の同期.snc"}) {
        CMyDoc document;
        document.OnNewDocument();
        ASSERT_TRUE(document.OnSaveDocument(dir.PathOf(QStringLiteral("書類/") + QString::fromUtf8(name))));
    }
    const QString start = dir.PathOf(QStringLiteral("書類"));
    TheApp()->SetCommandLine({QStringLiteral("-ISO")});
    ASSERT_TRUE(TheApp()->InitInstance());
    const QString previous = QDir::currentPath();
    QDir::setCurrent(start); // the open dialog starts in the current folder
    bool saved = false;
    ModalWatch<QFileDialog> watch([&](QFileDialog* dialog) {
        dialog->resize(760, 440);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
        QTest::qWait(300); // let the folder's contents arrive
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("報告書.snc"));
        if (auto* details = dialog->findChild<QTreeView*>(QStringLiteral("treeView")))
            details->header()->resizeSections(QHeaderView::ResizeToContents);
        QTest::qWait(200); // and be drawn
        saved = dialog->grab().save(PicturePath(QStringLiteral("open-dialog-ja.png")));
        dialog->reject();
    });
    TheApp()->MainFrame()->RunCommand(Cmd::FileOpen);
    QDir::setCurrent(previous);
    ASSERT_TRUE(watch.Ran());
    EXPECT_TRUE(saved);
}
