// Opening a document while the window answers: the tree is read and rescanned
// on a worker thread, the commands that need it wait for it, and closing the
// window or opening another document during the rescan cancels it cleanly.
#include "FrameFixture.h"
#include "support/ProcessThreads.h"

#include "core/resources/CommandIds.h"
#include "core/resources/Texts.h"
#include "gui/shell/CDocCommands.h"
#include "gui/shell/CMainFrame.h"
#include "gui/views/CProjectView.h"

#include <QDir>
#include <QLabel>
#include <QStatusBar>
#include <QTreeWidgetItem>
#include <memory>

namespace {

class Opening : public FrameFixture
{
protected:
    void TearDown() override
    {
        frame.reset();
        FrameFixture::TearDown();
    }
    CMainFrame& MakeShown()
    {
        frame = std::make_unique<CMainFrame>(doc);
        frame->ShowInitially(false);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        return *frame;
    }
    // A document whose projects hold `folders` subfolders each: long enough
    // to rescan that a close right after the start meets the rescan.
    QString MakeLargeDocument(const QString& fileName, int projects, int folders)
    {
        QStringList names;
        for (int i = 0; i < projects; ++i) {
            const QString name = QStringLiteral("big%1").arg(i);
            for (int f = 0; f < folders; ++f)
                dir.WriteFile(name + QStringLiteral("/f%1/x.txt").arg(f), "x", T);
            names << name;
        }
        return MakeDocument(fileName, names);
    }
    QString StatusText() const { return frame->statusBar()->findChildren<QLabel*>().value(0)->text(); }

    CMyDoc doc;
    std::unique_ptr<CMainFrame> frame;
};

} // namespace

TEST_F(Opening, CommandsThatNeedTheTreeWaitForTheRescan)
{
    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha"), QStringLiteral("beta")});
    CMainFrame& shown = MakeShown();
    ASSERT_TRUE(shown.DocCommands().OpenDocumentFile(path));
    // The window has answered at once; the tree is not there yet.
    ASSERT_TRUE(doc.IsLoading());
    EXPECT_TRUE(StatusText().startsWith(QStringLiteral("読み込み中")));
    for (const int id : {Cmd::ExportAll, Cmd::Refresh, Cmd::FileSave, Cmd::FileSaveAs, Cmd::Options})
        EXPECT_FALSE(shown.CommandStateOf(id).enabled) << id;
    EXPECT_FALSE(shown.RunCommand(Cmd::Refresh));
    EXPECT_FALSE(shown.RunCommand(Cmd::ExportAll));
    // Another document may be opened (or a new one made) meanwhile.
    EXPECT_TRUE(shown.CommandStateOf(Cmd::FileNew).enabled);
    EXPECT_TRUE(shown.CommandStateOf(Cmd::FileOpen).enabled);

    ASSERT_TRUE(WaitForOpening(&doc));
    EXPECT_EQ(doc.GetPathName(), path);
    EXPECT_EQ(StatusText(), Txt::Ready());
    for (const int id : {Cmd::ExportAll, Cmd::Refresh, Cmd::FileSave, Cmd::FileSaveAs, Cmd::Options})
        EXPECT_TRUE(shown.CommandStateOf(id).enabled) << id;
    // The tree filled as the projects came.
    QTreeWidgetItem* root = shown.TreeView().topLevelItem(0);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->childCount(), 2);
    EXPECT_EQ(prompt.Requests().size(), 0u);
}

TEST_F(Opening, ClosingTheWindowDuringTheRescanCancelsIt)
{
    const QString path = MakeLargeDocument(QStringLiteral("big.snc"), 4, 400);
    CMainFrame& shown = MakeShown();
    const int threads = ThreadCount();
    ASSERT_TRUE(shown.DocCommands().OpenDocumentFile(path));
    ASSERT_TRUE(doc.IsLoading());
    // Nothing to save: the close asks nothing and goes on.
    EXPECT_TRUE(shown.close());
    EXPECT_FALSE(doc.IsLoading());
    EXPECT_EQ(doc.GetRoot().ChildCount(), 0);
    EXPECT_TRUE(doc.GetPathName().isEmpty());
    EXPECT_EQ(ThreadCount(), threads);
    // Nothing of the worker arrives later.
    QTest::qWait(50);
    EXPECT_EQ(doc.GetRoot().ChildCount(), 0);
    EXPECT_EQ(prompt.Requests().size(), 0u);
}

TEST_F(Opening, AnotherDocumentOpenedDuringTheRescanReplacesItWhole)
{
    const QString big = MakeLargeDocument(QStringLiteral("big.snc"), 4, 400);
    const QString small = MakeDocument(QStringLiteral("small.snc"), {QStringLiteral("alpha")});
    CMainFrame& shown = MakeShown();
    const int threads = ThreadCount();
    ASSERT_TRUE(shown.DocCommands().OpenDocumentFile(big));
    ASSERT_TRUE(shown.DocCommands().OpenDocumentFile(small));
    ASSERT_TRUE(WaitForOpening(&doc));
    EXPECT_EQ(doc.GetPathName(), small);
    ASSERT_EQ(doc.GetRoot().ChildCount(), 1);
    EXPECT_EQ(doc.GetRoot().Children().begin()->second->GetDisplayName(), QStringLiteral("alpha"));
    EXPECT_EQ(shown.TreeView().topLevelItem(0)->childCount(), 1);
    EXPECT_EQ(ThreadCount(), threads);
    EXPECT_EQ(RecentFileList().At(0), small);
}
