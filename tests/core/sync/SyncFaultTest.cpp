#include "support/SyncRunFixture.h"
#include "support/SyncTestSupport.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

// Faults during a run: in every case nothing is lost and the failure is reported.

namespace {

constexpr SyncFlags kQuiet = SyncFlag::NoConfirmation;

QString DiskFullText()
{
    return QString::fromLocal8Bit(std::strerror(ENOSPC));
}

} // namespace

TEST_F(SyncRunTest, InjectedDiskFullFailsOneCopyAndTheRestIsDone)
{
    dir.WriteFile(QStringLiteral("P/a.bin"), QByteArray(1000, 'a'), kNew);
    dir.WriteFile(QStringLiteral("P/b.bin"), QByteArray(5000, 'b'), kNew);
    dir.WriteFile(QStringLiteral("P/c.bin"), QByteArray(10, 'c'), kNew);
    dir.WriteFile(QStringLiteral("T/b.bin"), "old b", kOld);
    CSyncProject& project = AddProject();
    FileCopyTestHooks::FailWritesAfter(3000);

    ASSERT_TRUE(Run(&project, kQuiet, SyncDirection::Export));
    ASSERT_EQ(result.copies.items.size(), 3u);
    EXPECT_EQ(result.copies.items.at(0).status, FileOpStatus::Done);
    EXPECT_EQ(result.copies.items.at(1).status, FileOpStatus::Failed);
    EXPECT_TRUE(result.copies.items.at(1).error.contains(DiskFullText()));
    EXPECT_EQ(result.copies.items.at(2).status, FileOpStatus::Done);
    EXPECT_TRUE(result.AnyFailed());
    EXPECT_EQ(TestDir::ReadFile(T("b.bin")), QByteArray("old b"));
    EXPECT_EQ(TestDir::ReadFile(P("b.bin")), QByteArray(5000, 'b'));
    EXPECT_EQ(TestDir::ReadFile(T("c.bin")), QByteArray(10, 'c'));
    EXPECT_TRUE(TempFilesIn(T("")).isEmpty());
    // The error summary was shown once, and the log lists all three copies.
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(prompt.Requests().at(0).icon, PromptIcon::Error);
    EXPECT_EQ(TestDir::ReadFile(logPath).count(Utf16(QStringLiteral(" COPY "))), 3);
}

TEST_F(SyncRunTest, ARealFullDiskFailsTheLargeCopyAndKeepsTheOldFile)
{
    const QString target = dir.MakeFolder(QStringLiteral("T"));
    TmpfsMount mount(target, "256k");
    if (!mount.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    dir.WriteFile(QStringLiteral("P/big.bin"), QByteArray(1 << 20, 'z'), kNew);
    dir.WriteFile(QStringLiteral("P/small.txt"), "small", kNew);
    dir.WriteFile(QStringLiteral("T/big.bin"), "old big", kOld);
    CSyncProject& project = AddProject();

    ASSERT_TRUE(Run(&project, kQuiet, SyncDirection::Export));
    EXPECT_EQ(TestDir::ReadFile(T("big.bin")), QByteArray("old big"));
    EXPECT_EQ(TestDir::ReadFile(T("small.txt")), QByteArray("small"));
    EXPECT_EQ(result.copies.Count(FileOpStatus::Failed), 1);
    EXPECT_TRUE(result.copies.errors.join(QString()).contains(DiskFullText()));
    EXPECT_TRUE(TempFilesIn(target).isEmpty());
}

TEST_F(SyncRunTest, ASourceChangedDuringItsCopyFailsAndTheDestinationStays)
{
    dir.WriteFile(QStringLiteral("P/live.log"), "version 2", kNew);
    dir.WriteFile(QStringLiteral("T/live.log"), "version 1", kOld);
    CSyncProject& project = AddProject();
    FileCopyTestHooks::SetAfterDataHook([](const QString& source, const QString&) {
        const int fd = ::open(EncodeFileName(source).constData(), O_WRONLY | O_APPEND);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "+", 1), 1);
        ::close(fd);
    });
    ASSERT_TRUE(Run(&project, kQuiet, SyncDirection::Export));
    EXPECT_EQ(result.copies.Count(FileOpStatus::Failed), 1);
    EXPECT_EQ(TestDir::ReadFile(T("live.log")), QByteArray("version 1"));
    EXPECT_EQ(TestDir::MTime(T("live.log")), kOld);
    EXPECT_EQ(TestDir::ReadFile(P("live.log")), QByteArray("version 2+"));
}

TEST_F(SyncRunTest, AVanishedDestinationFolderIsCreatedOnlyWhenAllowedAndAVanishedFileIsReported)
{
    dir.WriteFile(QStringLiteral("P/sub/a.txt"), "a", kNew);
    dir.WriteFile(QStringLiteral("T/sub/a.txt"), "old a", kOld);
    dir.WriteFile(QStringLiteral("T/sub/stale.txt"), "stale", kOld);
    CSyncProject& project = AddProject();
    doc.SetPreview(true);
    previewHook = [&](SyncLists&) {
        QString error;
        EXPECT_TRUE(DeleteForGood(T("sub"), &error));
        return true;
    };
    prompt.Push(PromptAnswer::Yes); // delete the stale file
    prompt.Push(PromptAnswer::Ok); // the deletion's error summary
    prompt.Push(PromptAnswer::No); // do not create the vanished folder
    ASSERT_TRUE(Run(&project, SyncFlag::Recursive | SyncFlag::DeleteFiles, SyncDirection::Export));
    EXPECT_EQ(result.deletions.items.at(0).status, FileOpStatus::Failed);
    EXPECT_TRUE(result.deletions.items.at(0).error.startsWith(T("sub/stale.txt")));
    EXPECT_EQ(result.copies.items.at(0).status, FileOpStatus::Skipped);
    EXPECT_FALSE(TestDir::Exists(T("sub")));
    EXPECT_EQ(TestDir::ReadFile(P("sub/a.txt")), QByteArray("a"));
    EXPECT_TRUE(result.AnyFailed());
    EXPECT_TRUE(result.AnyStopped());
    ASSERT_EQ(prompt.Requests().size(), 3u);
    EXPECT_EQ(prompt.Requests().at(1).icon, PromptIcon::Error);
    EXPECT_TRUE(prompt.Texts().at(2).contains(T("sub")));

    // With bit 7 the folder is made again without a question, as for any copy destination.
    doc.GetRoot().Refresh(true);
    dir.WriteFile(QStringLiteral("T/sub/a.txt"), "old a", kOld);
    doc.GetRoot().Refresh(true);
    doc.SetPreview(true);
    ASSERT_TRUE(Run(&project, kQuiet | SyncFlag::Recursive, SyncDirection::Export));
    EXPECT_EQ(TestDir::ReadFile(T("sub/a.txt")), QByteArray("a"));
    EXPECT_TRUE(result.copies.Succeeded());
}

TEST_F(SyncRunTest, AFileReplacedByAFolderIsNeverOverwrittenEitherWay)
{
    dir.WriteFile(QStringLiteral("P/x.txt"), "new x", kNew);
    dir.WriteFile(QStringLiteral("T/x.txt"), "old x", kOld);
    dir.WriteFile(QStringLiteral("P/y.txt"), "new y", kNew);
    dir.WriteFile(QStringLiteral("T/y.txt"), "old y", kOld);
    CSyncProject& project = AddProject();
    doc.SetPreview(true);
    previewHook = [&](SyncLists&) {
        QString error;
        // The destination file became a folder; the source file became a folder.
        EXPECT_TRUE(DeleteForGood(T("x.txt"), &error));
        dir.WriteFile(QStringLiteral("T/x.txt/inside.txt"), "inside");
        EXPECT_TRUE(DeleteForGood(P("y.txt"), &error));
        dir.WriteFile(QStringLiteral("P/y.txt/inner.txt"), "inner");
        return true;
    };
    ASSERT_TRUE(Run(&project, kQuiet, SyncDirection::Export));
    EXPECT_EQ(result.copies.Count(FileOpStatus::Failed), 2);
    EXPECT_EQ(TestDir::ReadFile(T("x.txt/inside.txt")), QByteArray("inside"));
    EXPECT_EQ(TestDir::ReadFile(T("y.txt")), QByteArray("old y"));
    EXPECT_EQ(TestDir::ReadFile(P("y.txt/inner.txt")), QByteArray("inner"));
    // Both changed after the list was made: neither is touched, each named in its error.
    EXPECT_EQ(result.copies.items.at(0).error, PlanStampText::DestinationChanged(T("x.txt")));
    EXPECT_EQ(result.copies.items.at(1).error, PlanStampText::SourceChanged(P("y.txt")));
    EXPECT_TRUE(TempFilesIn(T("")).isEmpty());
}

// Many files with nothing to ask are copied on two threads, where each copy
// looks at its source and its destination itself instead of a check before
// it: a source edited after the plan (in the same second, same size) or
// removed, and a file that appears at a destination where the plan saw
// none (before the copy or while it copies), are left alone and reported.
TEST_F(SyncRunTest, ManyCopiesOnTwoThreadsLeaveAloneWhatChangedAfterThePlan)
{
    const int files = 100;
    const auto name = [](int i) { return QStringLiteral("f%1.txt").arg(i, 3, 10, QLatin1Char('0')); };
    for (int i = 0; i < files; ++i)
        dir.WriteFile(QStringLiteral("P/") + name(i), "new " + QByteArray::number(i), kNew);
    dir.MakeFolder(QStringLiteral("T"));
    CSyncProject& project = AddProject();
    doc.SetPreview(true);
    previewHook = [&](SyncLists&) {
        dir.WriteFile(QStringLiteral("P/") + name(30), "NEW 30", kNew);
        TestDir::SetMTime(P(name(30)), kNew, 1);
        QString error;
        EXPECT_TRUE(DeleteForGood(P(name(50)), &error));
        dir.WriteFile(QStringLiteral("T/") + name(60), "the user's own");
        return true;
    };
    FileCopyTestHooks::SetAfterDataHook([&](const QString& source, const QString&) {
        if (source == P(name(10)))
            dir.WriteFile(QStringLiteral("T/") + name(10), "arrived meanwhile");
    });
    ASSERT_TRUE(Run(&project, kQuiet, SyncDirection::Export));

    const QStringList expected{PlanStampText::DestinationChanged(T(name(10))),
        PlanStampText::SourceChanged(P(name(30))), PlanStampText::SourceChanged(P(name(50))),
        PlanStampText::DestinationChanged(T(name(60)))};
    EXPECT_EQ(result.copies.errors, expected);
    EXPECT_EQ(result.copies.Count(FileOpStatus::Done), files - 4);
    EXPECT_EQ(TestDir::ReadFile(T(name(10))), QByteArray("arrived meanwhile"));
    EXPECT_FALSE(TestDir::Exists(T(name(30))));
    EXPECT_FALSE(TestDir::Exists(T(name(50))));
    EXPECT_EQ(TestDir::ReadFile(T(name(60))), QByteArray("the user's own"));
    for (int i : {0, 11, 31, 99}) {
        EXPECT_EQ(TestDir::ReadFile(T(name(i))), "new " + QByteArray::number(i));
        EXPECT_EQ(TestDir::MTime(T(name(i))), kNew);
    }
    EXPECT_TRUE(TempFilesIn(T("")).isEmpty());
}

// The plan's checks follow the rows the preview leaves, whether it only
// takes rows away or also changes their order: each row is checked against
// what the plan saw at its own path.
TEST_F(SyncRunTest, ThePlansChecksFollowTheRowsThePreviewLeaves)
{
    for (const bool reorder : {false, true}) {
        SCOPED_TRACE(reorder ? "reordered" : "rows taken away");
        const QString p = reorder ? QStringLiteral("P2/") : QStringLiteral("P1/");
        const QString t = reorder ? QStringLiteral("T2/") : QStringLiteral("T1/");
        for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"})
            dir.WriteFile(p + QLatin1String(name), QByteArray("new ") + name, kNew);
        dir.WriteFile(t + QStringLiteral("stale1.txt"), "stale 1", kOld);
        dir.WriteFile(t + QStringLiteral("stale2.txt"), "stale 2", kOld);
        CSyncProject& project = AddProject(p.chopped(1), t.chopped(1));
        doc.SetPreview(true);
        previewHook = [&](SyncLists& lists) {
            const qsizetype b = lists.copySources.indexOf(dir.PathOf(p + QStringLiteral("b.txt")));
            lists.copySources.removeAt(b);
            lists.copyDestinations.removeAt(b);
            lists.deletions.removeAll(dir.PathOf(t + QStringLiteral("stale1.txt")));
            if (reorder) {
                std::reverse(lists.copySources.begin(), lists.copySources.end());
                std::reverse(lists.copyDestinations.begin(), lists.copyDestinations.end());
            }
            dir.WriteFile(p + QStringLiteral("d.txt"), "NEW d.txt", kNew);
            TestDir::SetMTime(dir.PathOf(p + QStringLiteral("d.txt")), kNew, 1);
            dir.WriteFile(t + QStringLiteral("stale2.txt"), "STALE 2", kOld);
            TestDir::SetMTime(dir.PathOf(t + QStringLiteral("stale2.txt")), kOld, 1);
            return true;
        };
        ASSERT_TRUE(Run(&project, kQuiet | SyncFlag::DeleteFiles, SyncDirection::Export));

        EXPECT_EQ(result.copies.errors, QStringList{PlanStampText::SourceChanged(dir.PathOf(p + "d.txt"))});
        EXPECT_EQ(result.deletions.errors, QStringList{PlanStampText::DeletionChanged(dir.PathOf(t + "stale2.txt"))});
        for (const char* name : {"a.txt", "c.txt", "e.txt"})
            EXPECT_EQ(TestDir::ReadFile(dir.PathOf(t + QLatin1String(name))), QByteArray("new ") + name);
        EXPECT_FALSE(TestDir::Exists(dir.PathOf(t + "b.txt")));
        EXPECT_FALSE(TestDir::Exists(dir.PathOf(t + "d.txt")));
        EXPECT_EQ(TestDir::ReadFile(dir.PathOf(t + "stale1.txt")), QByteArray("stale 1"));
        EXPECT_EQ(TestDir::ReadFile(dir.PathOf(t + "stale2.txt")), QByteArray("STALE 2"));
    }
}
