// Runs never reach outside the pair: links below the roots are entries, never
// folders to enter, also when swapped in during a run; paths of any length;
// entries that are not files; names that look like temporary files; the
// trash of a volume.
#include "support/SyncRunFixture.h"
#include "support/SyncTestSupport.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr SyncFlags kQuiet = SyncFlag::NoConfirmation;
constexpr SyncFlags kMirror = kQuiet | SyncFlag::Recursive | SyncFlag::DeleteFiles | SyncFlag::DeleteFolders;

QString S(const char* text)
{
    return QString::fromUtf8(text);
}

// Every file below `folder`, with its content, by path relative to it.
std::map<QString, QByteArray> Tree(const QString& folder)
{
    std::map<QString, QByteArray> files;
    std::vector<QString> pending{QString()};
    while (!pending.empty()) {
        const QString relative = pending.back();
        pending.pop_back();
        QStringList names;
        QString error;
        if (!ListFolderEntries(relative.isEmpty() ? folder : folder + QLatin1Char('/') + relative, &names, &error))
            continue;
        for (const QString& name : names) {
            const QString path = relative.isEmpty() ? name : relative + QLatin1Char('/') + name;
            const struct stat st = StatOf(folder + QLatin1Char('/') + path);
            if (S_ISDIR(st.st_mode))
                pending.push_back(path);
            else
                files[path] = S_ISREG(st.st_mode) ? TestDir::ReadFile(folder + QLatin1Char('/') + path) : "<other>";
        }
    }
    return files;
}

} // namespace

TEST_F(SyncRunTest, ALinkInPlaceOfASubfolderIsAnEntryAndNothingOutsideIsReadWrittenOrDeleted)
{
    struct Case
    {
        const char* name;
        bool linkOnTarget; // else on the project side
        SyncFlags flags;
        SyncDirection direction;
    };
    const Case cases[] = {
        {"export into a linked target folder", true, kQuiet | SyncFlag::Recursive, SyncDirection::Export},
        {"export with deletions into a linked target folder", true, kMirror, SyncDirection::Export},
        {"export from a linked project folder", false, kMirror, SyncDirection::Export},
        {"import from a linked target folder", true, kMirror, SyncDirection::Import},
        {"import into a linked project folder", false, kMirror, SyncDirection::Import},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestDir outside;
        outside.WriteFile(S("a.txt"), "outside a", kOld);
        outside.WriteFile(S("keep.txt"), "outside keep", kOld);
        const std::map<QString, QByteArray> before = Tree(outside.Path());
        const QString linkSide = c.linkOnTarget ? S("T") : S("P");
        const QString realSide = c.linkOnTarget ? S("P") : S("T");
        DeleteForGood(dir.PathOf(S("P")), nullptr);
        DeleteForGood(dir.PathOf(S("T")), nullptr);
        dir.WriteFile(realSide + S("/sub/a.txt"), "real a", kNew);
        dir.WriteFile(realSide + S("/sub/b.txt"), "real b", kNew);
        dir.MakeFolder(linkSide);
        dir.MakeLink(linkSide + S("/sub"), outside.Path());
        doc.GetRoot().DeleteChildren();
        CSyncProject& project = AddProject();

        Run(&project, c.flags, c.direction);
        EXPECT_EQ(Tree(outside.Path()), before);
        const bool fromReal = (c.direction == SyncDirection::Export) == c.linkOnTarget;
        if (fromReal && (c.flags & SyncFlag::DeleteFiles)) {
            // The link went as a link; the real folder's files were copied into a real folder.
            EXPECT_TRUE(S_ISDIR(StatOf(dir.PathOf(linkSide + S("/sub"))).st_mode));
            EXPECT_EQ(TestDir::ReadFile(dir.PathOf(linkSide + S("/sub/a.txt"))), QByteArray("real a"));
        } else if (fromReal) {
            // Without deletions the link stays, and nothing is written through it.
            EXPECT_TRUE(S_ISLNK(StatOf(dir.PathOf(linkSide + S("/sub"))).st_mode));
            EXPECT_TRUE(result.AnyFailed());
        } else {
            // The side with the link is the source: the link is copied as a link, never read as a folder.
            EXPECT_EQ(Tree(dir.PathOf(realSide + S("/sub"))).count(S("keep.txt")), 0u);
        }
    }
}

TEST_F(SyncRunTest, AFolderSwappedForALinkDuringARunRedirectsNeitherCopiesNorDeletions)
{
    TestDir outside;
    outside.WriteFile(S("stale.txt"), "outside stale", kOld);
    dir.WriteFile(S("P/sub/a.txt"), "a", kNew);
    dir.WriteFile(S("P/sub/b.txt"), "b", kNew);
    dir.WriteFile(S("P/sub/c.txt"), "c", kNew);
    dir.WriteFile(S("T/sub/stale.txt"), "stale", kOld);
    CSyncProject& project = AddProject();
    // Once the first file is copied, the target's folder is moved away and a link to the outside takes its place.
    bool swapped = false;
    FileCopyTestHooks::SetAfterDataHook([&](const QString&, const QString&) {
        if (swapped)
            return;
        swapped = true;
        ASSERT_EQ(::rename(EncodeFileName(T(S("sub"))).constData(), EncodeFileName(T(S("moved"))).constData()), 0);
        dir.MakeLink(S("T/sub"), outside.Path());
    });
    ASSERT_TRUE(Run(&project, kMirror & ~SyncFlag::DeleteFolders, SyncDirection::Export));
    EXPECT_TRUE(swapped);
    EXPECT_EQ(Tree(outside.Path()), (std::map<QString, QByteArray>{{S("stale.txt"), "outside stale"}}));

    // A link swapped in before the deletions: nothing is deleted through it.
    FileCopyTestHooks::SetAfterDataHook({});
    DeleteForGood(T(S("sub")), nullptr);
    dir.WriteFile(S("T/sub/stale.txt"), "stale", kOld);
    doc.GetRoot().Refresh(true);
    doc.SetPreview(true);
    previewHook = [&](SyncLists& lists) {
        EXPECT_TRUE(lists.deletions.contains(T(S("sub/stale.txt"))));
        EXPECT_TRUE(DeleteForGood(T(S("sub")), nullptr));
        dir.MakeLink(S("T/sub"), outside.Path());
        return true;
    };
    Run(&project, kMirror & ~SyncFlag::DeleteFolders, SyncDirection::Export);
    EXPECT_EQ(TestDir::ReadFile(outside.PathOf(S("stale.txt"))), QByteArray("outside stale"));
    EXPECT_TRUE(result.AnyFailed());
}

TEST_F(SyncRunTest, FoldersDeeperThanTheSystemsPathLimitAreScannedAndSynchronised)
{
    const QByteArray component(200, 'd');
    dir.MakeFolder(S("T"));
    int fd = ::open(EncodeFileName(dir.MakeFolder(S("P"))).constData(), O_PATH | O_DIRECTORY);
    for (int level = 0; level < 24; ++level) { // about 4,800 bytes below P
        ASSERT_EQ(::mkdirat(fd, component.constData(), 0755), 0);
        const int next = ::openat(fd, component.constData(), O_PATH | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    const int file = ::openat(fd, "deep.txt", O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(file, "deep", 4), 4);
    ::close(file);
    ::close(fd);
    CSyncProject& project = AddProject();

    // The deepest node exists and shows its file as on the project side only.
    const CSyncProject* deepest = &project;
    while (deepest->ChildCount() == 1)
        deepest = deepest->Children().begin()->second.get();
    EXPECT_GT(deepest->GetFolder(0).size(), 4096);
    const CFileSyncStatus* record = deepest->FolderStatus().FindRecord(S("deep.txt"));
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->GetState(), SyncProjectOnly);

    ASSERT_TRUE(Run(&project, kQuiet | SyncFlag::Recursive, SyncDirection::Export));
    EXPECT_TRUE(result.copies.Succeeded()) << result.copies.errors.join(QLatin1Char('\n')).toStdString();
    RootedPath copied;
    ASSERT_TRUE(SplitAtRoot(dir.PathOf(S("T")), deepest->GetFolder(1) + S("/deep.txt"), &copied));
    EXPECT_EQ(GetEntryInfo(copied).kind, EntryKind::File);
    EXPECT_EQ(GetEntryInfo(copied).size, 4u);
    // TestDir cannot remove paths this long.
    EXPECT_TRUE(DeleteForGood(dir.PathOf(S("P")), nullptr));
    EXPECT_TRUE(DeleteForGood(dir.PathOf(S("T")), nullptr));
}

TEST_F(SyncRunTest, AFifoInTheTreeFailsItsItemWithoutHangingTheRun)
{
    dir.WriteFile(S("P/a.txt"), "a", kNew);
    dir.WriteFile(S("P/b.txt"), "b", kNew);
    dir.MakeFolder(S("T"));
    ASSERT_EQ(::mkfifo(EncodeFileName(P(S("pipe"))).constData(), 0644), 0);
    CSyncProject& project = AddProject();
    // And a FIFO swapped in for a file after the run looked at it.
    FileCopyTestHooks::SetAfterDataHook([&](const QString& source, const QString&) {
        if (source != P(S("a.txt")))
            return;
        ASSERT_EQ(::unlink(EncodeFileName(P(S("b.txt"))).constData()), 0);
        ASSERT_EQ(::mkfifo(EncodeFileName(P(S("b.txt"))).constData(), 0644), 0);
    });
    ASSERT_TRUE(Run(&project, kQuiet, SyncDirection::Export));
    ASSERT_EQ(result.copies.items.size(), 3u);
    EXPECT_EQ(result.copies.items.at(0).status, FileOpStatus::Done);
    // The FIFO the run saw is refused; the one swapped in later is not what the run saw.
    for (size_t i : {size_t(1), size_t(2)})
        EXPECT_EQ(result.copies.items.at(i).status, FileOpStatus::Failed);
    EXPECT_EQ(result.copies.items.at(1).error, PlanStampText::SourceChanged(P(S("b.txt"))));
    EXPECT_TRUE(result.copies.items.at(2).error.contains(S("通常のファイルではない")))
        << result.copies.items.at(2).error.toStdString();
    EXPECT_FALSE(TestDir::Exists(T(S("pipe"))));
    EXPECT_FALSE(TestDir::Exists(T(S("b.txt"))));
}

TEST_F(SyncRunTest, AUsersFileNamedLikeATemporaryFileIsAnOrdinaryFile)
{
    dir.WriteFile(S("P/.~pairwell-notes"), "my notes", kNew);
    dir.WriteFile(S("P/a.txt"), "new a", kNew);
    dir.WriteFile(S("T/a.txt"), "old a", kOld);
    dir.WriteFile(S("T/.~pairwell-mine"), "mine", kNew);
    dir.WriteFile(S("T/.~pairwell-0123456789abcdef.tmp"), "looks like one", kNew);
    CSyncProject& project = AddProject();
    ASSERT_TRUE(Run(&project, kQuiet, SyncDirection::Export));
    EXPECT_TRUE(result.copies.Succeeded());
    EXPECT_EQ(TestDir::ReadFile(T(S(".~pairwell-notes"))), QByteArray("my notes"));
    EXPECT_EQ(TestDir::ReadFile(T(S(".~pairwell-mine"))), QByteArray("mine"));
    EXPECT_EQ(TestDir::ReadFile(T(S(".~pairwell-0123456789abcdef.tmp"))), QByteArray("looks like one"));
    EXPECT_EQ(TestDir::ReadFile(T(S("a.txt"))), QByteArray("new a"));
    // And it goes back the other way like any file.
    ASSERT_TRUE(Run(&project, kQuiet, SyncDirection::Import));
    EXPECT_EQ(TestDir::ReadFile(P(S(".~pairwell-mine"))), QByteArray("mine"));
}

TEST_F(SyncRunTest, TheTrashOfAVolumeAtTheTopOfTheTargetIsNeverUserData)
{
    const QString target = dir.MakeFolder(S("T"));
    TmpfsMount mount(target, "4m");
    if (!mount.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    const QString uid = QString::number(::getuid());
    dir.WriteFile(S("T/.Trash-") + uid + S("/files/old.txt"), "trashed earlier", kOld);
    dir.WriteFile(S("T/.Trash-") + uid + S("/info/old.txt.trashinfo"), "[Trash Info]\n", kOld);
    ASSERT_EQ(::chmod(EncodeFileName(T(S(".Trash-") + uid)).constData(), 0700), 0); // as a trash is made
    dir.WriteFile(S("T/.Trash/1000/files/x"), "another user's", kOld);
    dir.WriteFile(S("T/stale.txt"), "stale", kOld);
    dir.WriteFile(S("T/sub/.Trash-0/kept.txt"), "user data below the top", kOld);
    dir.WriteFile(S("P/a.txt"), "a", kNew);
    CSyncProject& project = AddProject();
    EXPECT_EQ(project.FindChild(S(".Trash-") + uid), nullptr);
    EXPECT_EQ(project.FindChild(S(".Trash")), nullptr);

    // An export with deletions to the trash: the stale file goes to the volume's trash, which stays.
    ASSERT_TRUE(Run(&project, kMirror | SyncFlag::RecycleBin, SyncDirection::Export));
    EXPECT_TRUE(result.deletions.Succeeded()) << result.deletions.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(TestDir::ReadFile(T(S(".Trash-") + uid + S("/files/stale.txt"))), QByteArray("stale"));
    EXPECT_EQ(TestDir::ReadFile(T(S(".Trash-") + uid + S("/files/old.txt"))), QByteArray("trashed earlier"));
    EXPECT_EQ(TestDir::ReadFile(T(S(".Trash/1000/files/x"))), QByteArray("another user's"));
    EXPECT_FALSE(TestDir::Exists(T(S("sub"))));
    // An import brings nothing of it into the project; an export for good deletes none of it.
    doc.GetRoot().Refresh(true);
    Run(&project, kMirror, SyncDirection::Import);
    EXPECT_EQ(result.outcome, SyncOutcome::NothingToDo); // the two sides are equal but for the trash
    EXPECT_FALSE(TestDir::Exists(P(S(".Trash-") + uid)));
    EXPECT_FALSE(TestDir::Exists(P(S(".Trash"))));
    doc.GetRoot().Refresh(true);
    Run(&project, kMirror, SyncDirection::Export);
    EXPECT_TRUE(TestDir::Exists(T(S(".Trash-") + uid + S("/files/old.txt"))));
    EXPECT_TRUE(TestDir::Exists(T(S(".Trash/1000/files/x"))));
    EXPECT_EQ(TestDir::ReadFile(T(S("a.txt"))), QByteArray("a"));
}
