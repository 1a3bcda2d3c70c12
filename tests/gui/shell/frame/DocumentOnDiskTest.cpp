// The window's document commands against what other programs do to the file:
// a file changed on disk since it was opened is not overwritten without
// asking, and a path that is no regular file is refused without hanging.
#include "FrameFixture.h"

#include "core/platform/FileName.h"
#include "gui/shell/CDocCommands.h"
#include "gui/shell/CMainFrame.h"

#include <memory>
#include <sys/stat.h>

namespace {

class DocumentOnDisk : public FrameFixture
{
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        frame = std::make_unique<CMainFrame>(doc);
        frame->DocCommands().NewDocument();
    }
    void TearDown() override
    {
        frame.reset();
        FrameFixture::TearDown();
    }

    CMyDoc doc;
    std::unique_ptr<CMainFrame> frame;
};

} // namespace

TEST_F(DocumentOnDisk, SavingOverAFileChangedSinceItWasOpenedAsksFirst)
{
    const QString path = MakeDocument(QStringLiteral("shared.snc"), {QStringLiteral("alpha")});
    ASSERT_TRUE(frame->DocCommands().OpenDocumentFile(path) && WaitForOpening(&doc));
    NewProjectValues values;
    values.projectFolder = MakePair(QStringLiteral("mine"));
    values.targetFolder = TargetOf(QStringLiteral("mine"));
    ASSERT_NE(CreateProject(doc.GetRoot(), values), nullptr);
    doc.SetModifiedFlag(true);

    // Another program saves the same document meanwhile.
    const QString theirs
        = MakeDocument(QStringLiteral("shared.snc"), {QStringLiteral("alpha"), QStringLiteral("beta")});
    ASSERT_EQ(theirs, path);
    const QByteArray theirBytes = TestDir::ReadFile(path);

    prompt.Push(PromptAnswer::No);
    EXPECT_FALSE(frame->DocCommands().Save());
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(prompt.Requests()[0].buttons, PromptButtons::YesNo);
    EXPECT_TRUE(prompt.Requests()[0].text.contains(QStringLiteral("他のプログラムによって変更されています")));
    EXPECT_EQ(TestDir::ReadFile(path), theirBytes);
    EXPECT_TRUE(doc.IsModified());

    prompt.Push(PromptAnswer::Yes);
    EXPECT_TRUE(frame->DocCommands().Save());
    EXPECT_FALSE(doc.IsModified());
    CMyDoc reread;
    ASSERT_TRUE(reread.OnOpenDocument(path));
    EXPECT_NE(reread.GetRoot().FindChild(QStringLiteral("mine")), nullptr);
    EXPECT_EQ(reread.GetRoot().FindChild(QStringLiteral("beta")), nullptr);

    // Saved by the window itself: the next save does not ask.
    EXPECT_TRUE(frame->DocCommands().Save());
    EXPECT_EQ(prompt.Requests().size(), 2u);
    EXPECT_EQ(prompt.UnexpectedCount(), 0);
}

TEST_F(DocumentOnDisk, AFifoOrADeviceIsRefusedAndTheDocumentStays)
{
    const QString good = MakeDocument(QStringLiteral("good.snc"), {QStringLiteral("alpha")});
    ASSERT_TRUE(frame->DocCommands().OpenDocumentFile(good) && WaitForOpening(&doc));
    const QString fifo = dir.PathOf(QStringLiteral("fifo.snc"));
    ASSERT_EQ(::mkfifo(EncodeFileName(fifo).constData(), 0644), 0);
    for (const QString& path : {fifo, QStringLiteral("/dev/zero")}) {
        prompt.Push(PromptAnswer::Ok);
        EXPECT_FALSE(frame->DocCommands().OpenDocumentFile(path));
        ASSERT_FALSE(prompt.Requests().empty());
        EXPECT_EQ(prompt.Requests().back().text,
            path + QStringLiteral(": 通常のファイルではないため、ドキュメントとして開けません。"));
    }
    EXPECT_EQ(doc.GetPathName(), good);
    EXPECT_EQ(doc.GetRoot().ChildCount(), 1);
}
