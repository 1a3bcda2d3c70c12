#include "core/platform/FileCopy.h"
#include "core/platform/FileName.h"
#include "core/platform/Prompt.h"
#include "core/sync/CFileOperation.h"
#include "support/SyncTestSupport.h"
#include "support/TestDir.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

class RecordingObserver : public IFileOperationObserver
{
public:
    void Started(qint64 files, qint64 bytes) override
    {
        totalFiles = files;
        totalBytes = bytes;
    }
    void Progress(qint64 files, qint64 bytes, const QString& name) override
    {
        lastFiles = files;
        lastBytes = bytes;
        names << name;
    }
    bool CancelRequested() override { return cancelAfter >= 0 && lastFiles >= cancelAfter; }
    void ShowErrors(const QStringList& errors) override { shown << errors; }

    qint64 totalFiles = -1;
    qint64 totalBytes = -1;
    qint64 lastFiles = 0;
    qint64 lastBytes = 0;
    qint64 cancelAfter = -1;
    QStringList names;
    QList<QStringList> shown;
};

constexpr FileOpFlags kQuiet = FileOpFlag::NoConfirmation | FileOpFlag::NoConfirmMkdir;

} // namespace

TEST(FileOperation, CopyItemsCreatesMissingFoldersAndReportsProgress)
{
    TestDir dir;
    CScriptedPrompt prompt;
    CPromptScope scope(prompt);
    const QString a = dir.WriteFile(QStringLiteral("p/a.txt"), "aaaa", 1'100'000'000);
    const QString b = dir.WriteFile(QStringLiteral("p/sub/b.txt"), "bb", 1'100'000'100);
    RecordingObserver observer;
    CFileOperation op(&observer);
    EXPECT_TRUE(op.CopyItems(
        {a, b}, {dir.PathOf(QStringLiteral("t/a.txt")), dir.PathOf(QStringLiteral("t/x/y/b.txt"))}, kQuiet));
    EXPECT_TRUE(prompt.Requests().empty());
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("t/x/y/b.txt"))), QByteArray("bb"));
    EXPECT_EQ(TestDir::MTime(dir.PathOf(QStringLiteral("t/a.txt"))), 1'100'000'000);
    EXPECT_EQ(observer.totalFiles, 2);
    EXPECT_EQ(observer.totalBytes, 6);
    EXPECT_EQ(observer.lastFiles, 2);
    EXPECT_EQ(observer.lastBytes, 6);
    ASSERT_EQ(op.Result().items.size(), 2u);
    EXPECT_EQ(op.Result().Count(FileOpStatus::Done), 2);
}

TEST(FileOperation, AMissingFolderIsCreatedOnlyAfterAskingUnlessTheFlagsSaySo)
{
    TestDir dir;
    CScriptedPrompt prompt;
    CPromptScope scope(prompt);
    const QString a = dir.WriteFile(QStringLiteral("p/a"), "a");
    const QString target = dir.PathOf(QStringLiteral("t/new/a"));
    prompt.Push(PromptAnswer::No);
    CFileOperation op;
    EXPECT_FALSE(op.CopyItem(a, target, {}));
    EXPECT_EQ(prompt.Requests().size(), 1u);
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(QStringLiteral("t"))));
    EXPECT_EQ(op.Result().items.at(0).status, FileOpStatus::Skipped);

    prompt.Push(PromptAnswer::Yes);
    EXPECT_TRUE(op.CopyItem(a, target, {}));
    EXPECT_EQ(TestDir::ReadFile(target), QByteArray("a"));
    EXPECT_TRUE(prompt.AllAnswersUsed());
}

TEST(FileOperation, TheReplaceQuestionOffersYesYesToAllNoAndCancel)
{
    TestDir dir;
    CScriptedPrompt prompt;
    CPromptScope scope(prompt);
    QStringList sources;
    QStringList targets;
    for (int i = 0; i < 5; ++i) {
        sources << dir.WriteFile(QStringLiteral("p/f%1").arg(i), "new");
        targets << dir.WriteFile(QStringLiteral("t/f%1").arg(i), "old");
    }
    // No for the first, Yes for the second, Cancel on the third: the rest is not reached.
    prompt.Push(PromptAnswer::No);
    prompt.Push(PromptAnswer::Yes);
    prompt.Push(PromptAnswer::Cancel);
    CFileOperation op;
    EXPECT_FALSE(op.CopyItems(sources, targets, {}));
    ASSERT_EQ(prompt.Requests().size(), 3u);
    EXPECT_EQ(prompt.Requests().at(0).buttons, PromptButtons::YesYesToAllNoCancel);
    EXPECT_TRUE(prompt.Requests().at(0).text.contains(targets.at(0)));
    EXPECT_EQ(TestDir::ReadFile(targets.at(0)), QByteArray("old"));
    EXPECT_EQ(TestDir::ReadFile(targets.at(1)), QByteArray("new"));
    for (int i = 2; i < 5; ++i)
        EXPECT_EQ(TestDir::ReadFile(targets.at(i)), QByteArray("old"));
    const FileOpResult& result = op.Result();
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(result.items.at(0).status, FileOpStatus::Skipped);
    EXPECT_EQ(result.items.at(1).status, FileOpStatus::Done);
    EXPECT_EQ(result.items.at(3).status, FileOpStatus::NotRun);

    // Yes to all answers the remaining questions of the operation.
    prompt.Push(PromptAnswer::YesToAll);
    EXPECT_TRUE(op.CopyItems(sources, targets, {}));
    EXPECT_EQ(prompt.Requests().size(), 4u);
    for (const QString& target : targets)
        EXPECT_EQ(TestDir::ReadFile(target), QByteArray("new"));
}

TEST(FileOperation, CancelStopsBetweenItemsAndWhatIsDoneStaysDone)
{
    TestDir dir;
    const QString a = dir.WriteFile(QStringLiteral("p/a"), "a");
    const QString b = dir.WriteFile(QStringLiteral("p/b"), "b");
    RecordingObserver observer;
    observer.cancelAfter = 1;
    CFileOperation op(&observer);
    EXPECT_FALSE(op.CopyItems({a, b}, {dir.PathOf(QStringLiteral("t/a")), dir.PathOf(QStringLiteral("t/b"))}, kQuiet));
    EXPECT_TRUE(TestDir::Exists(dir.PathOf(QStringLiteral("t/a"))));
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(QStringLiteral("t/b"))));
    EXPECT_TRUE(op.Result().cancelled);
    EXPECT_EQ(op.Result().items.at(0).status, FileOpStatus::Done);
    EXPECT_EQ(op.Result().items.at(1).status, FileOpStatus::NotRun);
    EXPECT_TRUE(observer.shown.isEmpty());
}

TEST(FileOperation, FailuresAreCollectedShownOnceAndReturnedUnlessSilent)
{
    TestDir dir;
    const QString good = dir.WriteFile(QStringLiteral("p/good"), "good");
    const QString missing = dir.PathOf(QStringLiteral("p/missing"));
    const QString file = dir.WriteFile(QStringLiteral("p/x"), "x");
    dir.MakeFolder(QStringLiteral("t/x"));
    RecordingObserver observer;
    CFileOperation op(&observer);
    EXPECT_FALSE(op.CopyItems({missing, good, file},
        {dir.PathOf(QStringLiteral("t/missing")), dir.PathOf(QStringLiteral("t/good")),
            dir.PathOf(QStringLiteral("t/x"))},
        kQuiet));
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("t/good"))), QByteArray("good"));
    ASSERT_EQ(observer.shown.size(), 1);
    EXPECT_EQ(observer.shown.at(0).size(), 2);
    EXPECT_EQ(op.Result().items.at(0).status, FileOpStatus::Failed);
    EXPECT_EQ(op.Result().items.at(1).status, FileOpStatus::Done);
    EXPECT_EQ(op.Result().items.at(2).status, FileOpStatus::Failed);
    EXPECT_TRUE(op.Result().items.at(0).error.startsWith(missing));

    RecordingObserver silentObserver;
    CFileOperation silent(&silentObserver);
    EXPECT_FALSE(silent.CopyItems({missing}, {dir.PathOf(QStringLiteral("t/m"))}, kQuiet | FileOpFlag::Silent));
    EXPECT_TRUE(silentObserver.shown.isEmpty());
    EXPECT_TRUE(silentObserver.names.isEmpty());
    EXPECT_EQ(silent.Result().errors.size(), 1);

    // Without an observer the summary is one error message through the prompt.
    CScriptedPrompt prompt;
    CPromptScope scope(prompt);
    CFileOperation plain;
    EXPECT_FALSE(plain.CopyItems(
        {missing, missing}, {dir.PathOf(QStringLiteral("t/m1")), dir.PathOf(QStringLiteral("t/m2"))}, kQuiet));
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(prompt.Requests().at(0).icon, PromptIcon::Error);
    EXPECT_EQ(prompt.Requests().at(0).text.count(missing), 2);
}

TEST(FileOperation, AFolderIsCopiedWithItsContentsAndTimes)
{
    TestDir dir;
    dir.WriteFile(QStringLiteral("p/tree/a.txt"), "a", 1'000'000'001);
    dir.WriteFile(QStringLiteral("p/tree/sub/b.txt"), "b", 1'000'000'002);
    dir.MakeFolder(QStringLiteral("p/tree/empty"));
    dir.MakeLink(QStringLiteral("p/tree/link"), QStringLiteral("a.txt"));
    TestDir::SetMTime(dir.PathOf(QStringLiteral("p/tree/sub")), 1'000'000'010);
    TestDir::SetMTime(dir.PathOf(QStringLiteral("p/tree/empty")), 1'000'000'020);
    TestDir::SetMTime(dir.PathOf(QStringLiteral("p/tree")), 1'000'000'030);

    CFileOperation op;
    ASSERT_TRUE(op.CopyItem(dir.PathOf(QStringLiteral("p/tree")), dir.PathOf(QStringLiteral("t/tree")), kQuiet));
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("t/tree/sub/b.txt"))), QByteArray("b"));
    EXPECT_EQ(TestDir::MTime(dir.PathOf(QStringLiteral("t/tree/sub/b.txt"))), 1'000'000'002);
    EXPECT_EQ(TestDir::MTime(dir.PathOf(QStringLiteral("t/tree/sub"))), 1'000'000'010);
    EXPECT_EQ(TestDir::MTime(dir.PathOf(QStringLiteral("t/tree/empty"))), 1'000'000'020);
    EXPECT_EQ(TestDir::MTime(dir.PathOf(QStringLiteral("t/tree"))), 1'000'000'030);
    EXPECT_EQ(LinkTarget(dir.PathOf(QStringLiteral("t/tree/link"))), QByteArray("a.txt"));

    // A folder onto a file fails and leaves the file.
    const QString file = dir.WriteFile(QStringLiteral("t/plain"), "plain");
    EXPECT_FALSE(op.CopyItem(dir.PathOf(QStringLiteral("p/tree")), file, kQuiet | FileOpFlag::Silent));
    EXPECT_EQ(TestDir::ReadFile(file), QByteArray("plain"));
    // A folder into itself fails before anything is made.
    EXPECT_FALSE(op.CopyItem(dir.PathOf(QStringLiteral("p/tree")), dir.PathOf(QStringLiteral("p/tree/sub/tree")),
        kQuiet | FileOpFlag::Silent));
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(QStringLiteral("p/tree/sub/tree"))));
}

TEST(FileOperation, DeleteAsksOnceUnlessNoConfirmationAndDeletesForGoodOrToTheTrash)
{
    TestDir dir;
    qputenv("XDG_DATA_HOME", EncodeFileName(dir.PathOf(QStringLiteral("data"))));
    CScriptedPrompt prompt;
    CPromptScope scope(prompt);
    const QString a = dir.WriteFile(QStringLiteral("t/a"), "a");
    const QString b = dir.WriteFile(QStringLiteral("t/sub/b"), "b");
    CFileOperation op;
    prompt.Push(PromptAnswer::No);
    EXPECT_FALSE(op.DeleteItems({a, dir.PathOf(QStringLiteral("t/sub"))}, {}));
    EXPECT_EQ(prompt.Requests().size(), 1u);
    EXPECT_TRUE(TestDir::Exists(a));
    EXPECT_TRUE(TestDir::Exists(b));

    EXPECT_TRUE(op.DeleteItems({a}, FileOpFlag::NoConfirmation | FileOpFlag::AllowUndo));
    EXPECT_FALSE(TestDir::Exists(a));
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("data/Trash/files/a"))), QByteArray("a"));

    prompt.Push(PromptAnswer::Yes);
    EXPECT_TRUE(op.DeleteItems({dir.PathOf(QStringLiteral("t/sub"))}, {}));
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(QStringLiteral("t/sub"))));
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(QStringLiteral("data/Trash/files/sub"))));

    EXPECT_TRUE(op.DeleteItems({}, {}));
    EXPECT_EQ(prompt.Requests().size(), 2u);
    qunsetenv("XDG_DATA_HOME");
}

TEST(FileOperation, AnItemTheTrashCannotTakeFailsAndIsNotDeletedForGood)
{
    TestDir dir;
    qputenv("XDG_DATA_HOME", EncodeFileName(dir.PathOf(QStringLiteral("data"))));
    dir.WriteFile(QStringLiteral("data/Trash"), "blocks the trash");
    const QString a = dir.WriteFile(QStringLiteral("t/a"), "a");
    RecordingObserver observer;
    CFileOperation op(&observer);
    EXPECT_FALSE(op.DeleteItems({a}, FileOpFlag::NoConfirmation | FileOpFlag::AllowUndo));
    EXPECT_EQ(TestDir::ReadFile(a), QByteArray("a"));
    EXPECT_EQ(op.Result().items.at(0).status, FileOpStatus::Failed);
    ASSERT_EQ(observer.shown.size(), 1);
    qunsetenv("XDG_DATA_HOME");
}

TEST(FileOperation, RecycleBinRuleAsksNothingForFixedDisks)
{
    TestDir dir;
    CScriptedPrompt prompt;
    CPromptScope scope(prompt);
    EXPECT_TRUE(ConfirmRecycleBinPaths({dir.PathOf(QStringLiteral("a")), dir.PathOf(QStringLiteral("b"))}));
    EXPECT_TRUE(prompt.Requests().empty());
}

TEST(FileOperation, AReplacementThatCannotBePutInPlaceAtTheEndFailsItsOwnItem)
{
    TestDir dir;
    CScriptedPrompt prompt;
    CPromptScope scope(prompt);
    const QString a = dir.WriteFile(QStringLiteral("p/a"), "new a");
    const QString b = dir.WriteFile(QStringLiteral("p/b"), "new b");
    const QString targetA = dir.WriteFile(QStringLiteral("t/a"), "old a");
    const QString targetB = dir.WriteFile(QStringLiteral("t/b"), "old b");
    // While b is copied, a (already copied, waiting to replace its old file) gets a folder in its place.
    FileCopyTestHooks::SetAfterDataHook([&](const QString& source, const QString&) {
        if (source != b)
            return;
        ASSERT_EQ(::unlink(EncodeFileName(targetA).constData()), 0);
        dir.MakeFolder(QStringLiteral("t/a"));
    });
    RecordingObserver observer;
    CFileOperation op(&observer);
    EXPECT_FALSE(op.CopyItems({a, b}, {targetA, targetB}, kQuiet));
    FileCopyTestHooks::SetAfterDataHook({});
    ASSERT_EQ(op.Result().items.size(), 2u);
    EXPECT_EQ(op.Result().items[0].status, FileOpStatus::Failed);
    EXPECT_TRUE(op.Result().items[0].error.startsWith(targetA)) << op.Result().items[0].error.toStdString();
    EXPECT_EQ(op.Result().items[1].status, FileOpStatus::Done);
    EXPECT_EQ(TestDir::ReadFile(targetB), QByteArray("new b"));
    ASSERT_EQ(observer.shown.size(), 1);
    EXPECT_EQ(observer.shown[0], QStringList{op.Result().items[0].error});
    EXPECT_TRUE(TempFilesIn(dir.PathOf(QStringLiteral("t"))).isEmpty());
}

TEST(FileOperation, ManyFilesAreCopiedOnTwoThreadsWithResultsInTheOrderOfTheItems)
{
    TestDir dir;
    CScriptedPrompt prompt;
    CPromptScope scope(prompt);
    QStringList sources;
    QStringList destinations;
    for (int i = 0; i < 300; ++i) {
        sources << dir.WriteFile(
            QStringLiteral("p/d%1/f%2").arg(i / 20).arg(i), QByteArray::number(i), 1'100'000'000 + i);
        destinations << dir.PathOf(QStringLiteral("t/d%1/f%2").arg(i / 20).arg(i));
        if (i % 3 == 0)
            dir.WriteFile(QStringLiteral("t/d%1/f%2").arg(i / 20).arg(i), "old"); // replaced
    }
    // Item 50's source is missing, a folder stands in item 121's place, item 200 needs two new folders.
    sources[50] = dir.PathOf(QStringLiteral("p/missing"));
    dir.MakeFolder(QStringLiteral("t/d6/f121"));
    destinations[200] = dir.PathOf(QStringLiteral("t/new/deeper/f200"));

    RecordingObserver observer;
    CFileOperation op(&observer);
    EXPECT_FALSE(op.CopyItems(sources, destinations, kQuiet));
    ASSERT_EQ(op.Result().items.size(), 300u);
    for (int i = 0; i < 300; ++i) {
        const FileOpItem& item = op.Result().items[size_t(i)];
        if (i == 50 || i == 121) {
            EXPECT_EQ(item.status, FileOpStatus::Failed) << i;
            continue;
        }
        EXPECT_EQ(item.status, FileOpStatus::Done) << i;
        EXPECT_EQ(TestDir::ReadFile(destinations[i]), QByteArray::number(i)) << i;
        EXPECT_EQ(TestDir::MTime(destinations[i]), 1'100'000'000 + i) << i;
    }
    // The errors come in the order of the items, whatever thread copied them.
    ASSERT_EQ(op.Result().errors.size(), 2);
    EXPECT_TRUE(op.Result().errors[0].startsWith(sources[50]));
    EXPECT_TRUE(op.Result().errors[1].startsWith(destinations[121]));
    EXPECT_EQ(observer.lastFiles, 300);
    EXPECT_EQ(observer.names.size(), 300);
    EXPECT_EQ(observer.names.first(), sources[0]);
    EXPECT_EQ(observer.names.last(), sources[299]);
    for (int d = 0; d < 15; ++d)
        EXPECT_TRUE(TempFilesIn(dir.PathOf(QStringLiteral("t/d%1").arg(d))).isEmpty()) << d;
}

TEST(FileOperation, ACancelStopsBothThreadsAfterTheFilesUnderWay)
{
    TestDir dir;
    QStringList sources;
    QStringList destinations;
    for (int i = 0; i < 400; ++i) {
        sources << dir.WriteFile(QStringLiteral("p/f%1").arg(i), "x");
        destinations << dir.PathOf(QStringLiteral("t/f%1").arg(i));
    }
    RecordingObserver observer;
    observer.cancelAfter = 0; // asked before the first file: nothing starts
    CFileOperation op(&observer);
    EXPECT_FALSE(op.CopyItems(sources, destinations, kQuiet));
    EXPECT_TRUE(op.Result().cancelled);
    EXPECT_EQ(op.Result().Count(FileOpStatus::Done), 0);

    // A cancel from another thread while the copies run: what is done stays
    // done, what is not done is not started, and nothing is left half-copied.
    CFileOperation second;
    FileCopyTestHooks::SetAfterDataHook([&](const QString& source, const QString&) {
        if (source == sources[100])
            second.Cancel();
    });
    EXPECT_FALSE(second.CopyItems(sources, destinations, kQuiet));
    FileCopyTestHooks::SetAfterDataHook({});
    EXPECT_TRUE(second.Result().cancelled);
    const int done = second.Result().Count(FileOpStatus::Done);
    EXPECT_GT(done, 0);
    EXPECT_LT(done, 400);
    for (int i = 0; i < 400; ++i) {
        const FileOpStatus status = second.Result().items[size_t(i)].status;
        EXPECT_TRUE(status == FileOpStatus::Done || status == FileOpStatus::NotRun) << i;
        EXPECT_EQ(TestDir::Exists(destinations[i]), status == FileOpStatus::Done) << i;
    }
    EXPECT_TRUE(TempFilesIn(dir.PathOf(QStringLiteral("t"))).isEmpty());
}
