#include "core/platform/FileCopy.h"
#include "core/platform/FileName.h"
#include "core/platform/TempRecord.h"
#include "support/SyncTestSupport.h"
#include "support/TestDir.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Switches the copy-layer test hooks off again at the end of a test.
struct HookReset
{
    ~HookReset()
    {
        FileCopyTestHooks::FailWritesAfter(-1);
        FileCopyTestHooks::SetAfterDataHook({});
    }
};

// Points XDG_STATE_HOME (where copiers record their temporary files) at a folder for the life of the object.
class StateHome
{
public:
    explicit StateHome(const QString& path) : m_old(qgetenv("XDG_STATE_HOME"))
    {
        qputenv("XDG_STATE_HOME", EncodeFileName(path));
    }
    ~StateHome()
    {
        if (m_old.isEmpty())
            qunsetenv("XDG_STATE_HOME");
        else
            qputenv("XDG_STATE_HOME", m_old);
    }

private:
    QByteArray m_old;
};

bool Copy(const QString& source, const QString& destination, QString* error = nullptr)
{
    CFileCopier copier;
    QString ignored;
    const bool ok = copier.CopyFile(source, destination, {}, error ? error : &ignored);
    copier.Flush(&ignored);
    return ok;
}

} // namespace

TEST(FileCopy, NewFileGetsDataTimeWithNanosecondsAndPermissions)
{
    TestDir dir;
    const QString source = dir.WriteFile(QStringLiteral("p/a.txt"), "content of a");
    TestDir::SetMTime(source, 1'100'000'000, 123'456'789);
    ASSERT_EQ(::chmod(EncodeFileName(source).constData(), 0640), 0);
    const QString destination = dir.PathOf(QStringLiteral("t/a.txt"));
    dir.MakeFolder(QStringLiteral("t"));

    quint64 reported = 0;
    CFileCopier copier;
    QString error;
    ASSERT_TRUE(copier.CopyFile(
        source, destination, [&](quint64 bytes) { reported += bytes; }, &error))
        << error.toStdString();
    EXPECT_TRUE(copier.Flush(&error));

    EXPECT_EQ(TestDir::ReadFile(destination), QByteArray("content of a"));
    const struct stat st = StatOf(destination);
    EXPECT_EQ(st.st_mtim.tv_sec, 1'100'000'000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 123'456'789);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(reported, 12u);
    EXPECT_TRUE(TempFilesIn(dir.PathOf(QStringLiteral("t"))).isEmpty());
}

TEST(FileCopy, ReplacesAnExistingFileAndHandlesUndecodableNamesAndEmptyFiles)
{
    TestDir dir;
    const QString odd = DecodeFileName(QByteArray("caf\xE9.txt"));
    const QString source = dir.WriteFile(QStringLiteral("p/") + odd, "new", 2'000'000'000);
    const QString destination = dir.WriteFile(QStringLiteral("t/") + odd, "old content", 1'000'000'000);
    ASSERT_TRUE(Copy(source, destination));
    EXPECT_EQ(TestDir::ReadFile(destination), QByteArray("new"));
    EXPECT_EQ(TestDir::MTime(destination), 2'000'000'000);

    const QString empty = dir.WriteFile(QStringLiteral("p/empty"), "", 1'500'000'000);
    ASSERT_TRUE(Copy(empty, dir.PathOf(QStringLiteral("t/empty"))));
    EXPECT_EQ(StatOf(dir.PathOf(QStringLiteral("t/empty"))).st_size, 0);
    EXPECT_EQ(TestDir::MTime(dir.PathOf(QStringLiteral("t/empty"))), 1'500'000'000);
    // The temporary folder's own clean-up cannot remove undecodable names.
    QString error;
    EXPECT_TRUE(DeleteForGood(dir.PathOf(QStringLiteral("p")), &error));
    EXPECT_TRUE(DeleteForGood(dir.PathOf(QStringLiteral("t")), &error));
}

TEST(FileCopy, LinksAreCopiedAsLinksAndALinkAtTheDestinationIsReplacedNotFollowed)
{
    TestDir dir;
    const QString outside = dir.WriteFile(QStringLiteral("outside.txt"), "must stay");
    const QString source = dir.MakeLink(QStringLiteral("p/link"), QStringLiteral("../somewhere/else"));
    const QString destination = dir.MakeLink(QStringLiteral("t/link"), outside);
    ASSERT_TRUE(Copy(source, destination));
    EXPECT_TRUE(S_ISLNK(StatOf(destination).st_mode));
    EXPECT_EQ(LinkTarget(destination), QByteArray("../somewhere/else"));
    EXPECT_EQ(TestDir::ReadFile(outside), QByteArray("must stay"));

    // A regular file copied onto a link replaces the link, not the file it points to.
    const QString file = dir.WriteFile(QStringLiteral("p/file"), "file data");
    const QString linkToOutside = dir.MakeLink(QStringLiteral("t/file"), outside);
    ASSERT_TRUE(Copy(file, linkToOutside));
    EXPECT_TRUE(S_ISREG(StatOf(linkToOutside).st_mode));
    EXPECT_EQ(TestDir::ReadFile(outside), QByteArray("must stay"));
}

TEST(FileCopy, AFileNeverReplacesAFolderNorAFolderAFile)
{
    TestDir dir;
    const QString source = dir.WriteFile(QStringLiteral("p/x"), "file");
    const QString folder = dir.MakeFolder(QStringLiteral("t/x"));
    dir.WriteFile(QStringLiteral("t/x/inner.txt"), "inner");
    QString error;
    EXPECT_FALSE(Copy(source, folder, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("フォルダ"))) << error.toStdString();
    EXPECT_TRUE(error.startsWith(folder));
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("t/x/inner.txt"))), QByteArray("inner"));
    EXPECT_TRUE(TempFilesIn(dir.PathOf(QStringLiteral("t"))).isEmpty());

    const QString file = dir.WriteFile(QStringLiteral("t/y"), "a file");
    CFileCopier copier;
    EXPECT_FALSE(copier.MakeFolder(file, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("ファイル"))) << error.toStdString();
    EXPECT_EQ(TestDir::ReadFile(file), QByteArray("a file"));
}

TEST(FileCopy, InjectedDiskFullLeavesTheOldDestinationAndNoTemporaryFile)
{
    HookReset reset;
    TestDir dir;
    const QString first = dir.WriteFile(QStringLiteral("p/first"), QByteArray(1000, 'a'));
    const QString second = dir.WriteFile(QStringLiteral("p/second"), QByteArray(5000, 'b'));
    const QString firstTarget = dir.PathOf(QStringLiteral("t/first"));
    const QString secondTarget = dir.WriteFile(QStringLiteral("t/second"), "old second");
    FileCopyTestHooks::FailWritesAfter(3000);

    CFileCopier copier;
    QString error;
    EXPECT_TRUE(copier.CopyFile(first, firstTarget, {}, &error)) << error.toStdString();
    EXPECT_FALSE(copier.CopyFile(second, secondTarget, {}, &error));
    EXPECT_TRUE(error.contains(QString::fromLocal8Bit(std::strerror(ENOSPC)))) << error.toStdString();
    EXPECT_TRUE(error.startsWith(secondTarget));
    EXPECT_EQ(TestDir::ReadFile(firstTarget), QByteArray(1000, 'a'));
    EXPECT_EQ(TestDir::ReadFile(secondTarget), QByteArray("old second"));
    EXPECT_EQ(TestDir::ReadFile(second), QByteArray(5000, 'b'));
    EXPECT_TRUE(TempFilesIn(dir.PathOf(QStringLiteral("t"))).isEmpty());
}

TEST(FileCopy, RealFullTmpfsLeavesTheOldDestination)
{
    TestDir dir;
    const QString point = dir.MakeFolder(QStringLiteral("small"));
    TmpfsMount mount(point, "256k");
    if (!mount.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    const QString source = dir.WriteFile(QStringLiteral("p/big"), QByteArray(1 << 20, 'z'), 1'300'000'000);
    const QString target = point + QStringLiteral("/big");
    {
        const int fd = ::open(EncodeFileName(target).constData(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "old", 3), 3);
        ::close(fd);
    }
    QString error;
    EXPECT_FALSE(Copy(source, target, &error));
    EXPECT_TRUE(error.contains(QString::fromLocal8Bit(std::strerror(ENOSPC)))) << error.toStdString();
    EXPECT_EQ(TestDir::ReadFile(target), QByteArray("old"));
    EXPECT_TRUE(TempFilesIn(point).isEmpty());
    // The space is free again: a small copy still works.
    const QString small = dir.WriteFile(QStringLiteral("p/small"), "fits");
    EXPECT_TRUE(Copy(small, point + QStringLiteral("/small"), &error)) << error.toStdString();
}

TEST(FileCopy, SourceChangedDuringTheCopyFailsAndKeepsTheDestination)
{
    HookReset reset;
    TestDir dir;
    const QString source = dir.WriteFile(QStringLiteral("p/log.txt"), "first version", 1'200'000'000);
    const QString destination = dir.WriteFile(QStringLiteral("t/log.txt"), "target version", 1'100'000'000);
    FileCopyTestHooks::SetAfterDataHook([&](const QString& from, const QString&) {
        const int fd = ::open(EncodeFileName(from).constData(), O_WRONLY | O_APPEND);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, " and more", 9), 9);
        ::close(fd);
    });
    QString error;
    EXPECT_FALSE(Copy(source, destination, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("変更されました"))) << error.toStdString();
    EXPECT_EQ(TestDir::ReadFile(destination), QByteArray("target version"));
    EXPECT_EQ(TestDir::MTime(destination), 1'100'000'000);
    EXPECT_EQ(TestDir::ReadFile(source), QByteArray("first version and more"));
    EXPECT_TRUE(TempFilesIn(dir.PathOf(QStringLiteral("t"))).isEmpty());
}

TEST(FileCopy, DestinationFolderVanishingDuringTheCopyIsReported)
{
    HookReset reset;
    TestDir dir;
    const QString source = dir.WriteFile(QStringLiteral("p/a"), "data");
    const QString folder = dir.MakeFolder(QStringLiteral("t/sub"));
    FileCopyTestHooks::SetAfterDataHook([&](const QString&, const QString&) {
        QString ignored;
        ASSERT_TRUE(DeleteForGood(folder, &ignored));
    });
    QString error;
    EXPECT_FALSE(Copy(source, folder + QStringLiteral("/a"), &error));
    EXPECT_TRUE(error.startsWith(folder + QStringLiteral("/a"))) << error.toStdString();
    EXPECT_EQ(TestDir::ReadFile(source), QByteArray("data"));
    EXPECT_FALSE(TestDir::Exists(folder));
}

TEST(FileCopy, OnlyTheRecordedLeftoversOfACopierThatDiedAreRemovedNeverAUsersFile)
{
    TestDir dir;
    StateHome state(dir.PathOf(QStringLiteral("state")));
    const QString users = dir.WriteFile(QStringLiteral("t/.~pairwell-notes"), "a user's notes");
    const QString lookalike = dir.WriteFile(QStringLiteral("t/.~pairwell-0123456789abcdef.tmp"), "not ours");
    const QString leftover = dir.WriteFile(QStringLiteral("t/.~pairwell-zyxwvutsrqponmlk.tmp"), "half a file");
    // A copier that recorded the leftover and was killed before it could put it in place.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto* record = new CTempRecord;
        const int folder = ::open(EncodeFileName(dir.PathOf(QStringLiteral("t"))).constData(), O_PATH | O_DIRECTORY);
        const struct stat st = StatOf(leftover);
        ::_exit(record->Note(folder, ".~pairwell-zyxwvutsrqponmlk.tmp", st.st_dev, st.st_ino) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // A live copier's record is left alone; the dead one's leftovers go when the next copier starts.
    CTempRecord live;
    const int folder = ::open(EncodeFileName(dir.PathOf(QStringLiteral("t"))).constData(), O_PATH | O_DIRECTORY);
    const struct stat st = StatOf(lookalike);
    ASSERT_TRUE(live.Note(folder, ".~pairwell-0123456789abcdef.tmp", st.st_dev, st.st_ino));
    ::close(folder);
    {
        CFileCopier copier;
    }
    EXPECT_FALSE(TestDir::Exists(leftover));
    EXPECT_EQ(TestDir::ReadFile(users), QByteArray("a user's notes"));
    EXPECT_EQ(TestDir::ReadFile(lookalike), QByteArray("not ours"));

    // A name recorded for another file (the recorded one was replaced by a user's file of that name) stays.
    const QString usersNow = dir.WriteFile(QStringLiteral("t/.~pairwell-aaaaaaaaaaaaaaaa.tmp"), "the user's own");
    const struct stat other = StatOf(users);
    const pid_t second = ::fork();
    ASSERT_GE(second, 0);
    if (second == 0) {
        auto* record = new CTempRecord;
        const int dirFd = ::open(EncodeFileName(dir.PathOf(QStringLiteral("t"))).constData(), O_PATH | O_DIRECTORY);
        ::_exit(record->Note(dirFd, ".~pairwell-aaaaaaaaaaaaaaaa.tmp", other.st_dev, other.st_ino) ? 0 : 1);
    }
    ASSERT_EQ(::waitpid(second, &status, 0), second);
    {
        CFileCopier copier;
    }
    EXPECT_EQ(TestDir::ReadFile(usersNow), QByteArray("the user's own"));
    EXPECT_EQ(TestDir::ReadFile(users), QByteArray("a user's notes"));

    // Copies into a folder list every name there; nothing is hidden.
    const QString source = dir.WriteFile(QStringLiteral("p/a"), "a");
    ASSERT_TRUE(Copy(source, dir.PathOf(QStringLiteral("t/a"))));
    QStringList names;
    QString error;
    ASSERT_TRUE(ListFolderEntries(dir.PathOf(QStringLiteral("t")), &names, &error));
    EXPECT_TRUE(names.contains(QStringLiteral(".~pairwell-notes")));
    EXPECT_TRUE(names.contains(QStringLiteral("a")));
}

TEST(FileCopy, AFifoIsNeverOpenedForReadingAndALinkedSourceFolderIsNeverEntered)
{
    TestDir dir;
    const QString fifo = dir.PathOf(QStringLiteral("p/pipe"));
    dir.MakeFolder(QStringLiteral("p"));
    dir.MakeFolder(QStringLiteral("t"));
    ASSERT_EQ(::mkfifo(EncodeFileName(fifo).constData(), 0644), 0);
    QString error;
    EXPECT_FALSE(Copy(fifo, dir.PathOf(QStringLiteral("t/pipe")), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("通常のファイルではない"))) << error.toStdString();
    // The caller believed it a file (a FIFO swapped in): opened without waiting, then refused.
    CFileCopier copier;
    EXPECT_FALSE(
        copier.CopyFile(fifo, dir.PathOf(QStringLiteral("t/pipe")), {EntryKind::File, EntryKind::Missing}, {}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("通常のファイルではない"))) << error.toStdString();
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(QStringLiteral("t/pipe"))));
    EXPECT_TRUE(TempFilesIn(dir.PathOf(QStringLiteral("t"))).isEmpty());

    // A source below a link, given with its root, is not there.
    dir.WriteFile(QStringLiteral("outside/secret.txt"), "secret");
    dir.MakeLink(QStringLiteral("p/linked"), dir.PathOf(QStringLiteral("outside")));
    RootedPath from;
    RootedPath to;
    ASSERT_TRUE(SplitAtRoot(dir.PathOf(QStringLiteral("p")), dir.PathOf(QStringLiteral("p/linked/secret.txt")), &from));
    ASSERT_TRUE(SplitAtRoot(dir.PathOf(QStringLiteral("t")), dir.PathOf(QStringLiteral("t/secret.txt")), &to));
    EXPECT_EQ(GetEntryInfo(from).kind, EntryKind::Missing);
    EXPECT_FALSE(copier.CopyFile(from, to, {EntryKind::File, EntryKind::Missing}, {}, &error));
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(QStringLiteral("t/secret.txt"))));
}

TEST(FileCopy, TwoNamesThatLandOnOneFileNeverReplaceEachOther)
{
    TestDir dir;
    const QString upper = dir.WriteFile(QStringLiteral("p/A.txt"), "upper", 1'100'000'000);
    const QString lower = dir.WriteFile(QStringLiteral("p/a.txt"), "lower", 1'200'000'000);
    dir.MakeFolder(QStringLiteral("t"));
    CFileCopier copier;
    copier.SetTagName([&](quint64 tag) { return tag == 1 ? upper : lower; });
    QString error;
    ASSERT_TRUE(copier.CopyFile(
        upper, dir.PathOf(QStringLiteral("t/A.txt")), {EntryKind::File, EntryKind::Missing}, {}, &error, 1));
    // A file system that folds case finds "a.txt" where "A.txt" is: here a second name of the same file.
    ASSERT_EQ(::link(EncodeFileName(dir.PathOf(QStringLiteral("t/A.txt"))).constData(),
                  EncodeFileName(dir.PathOf(QStringLiteral("t/a.txt"))).constData()),
        0);
    EXPECT_FALSE(copier.CopyFile(
        lower, dir.PathOf(QStringLiteral("t/a.txt")), {EntryKind::File, EntryKind::Missing}, {}, &error, 2));
    EXPECT_TRUE(error.contains(upper) && error.contains(lower)) << error.toStdString();
    EXPECT_TRUE(error.startsWith(dir.PathOf(QStringLiteral("t/a.txt")))) << error.toStdString();
    // Also when the second copy expects to replace a file there.
    EXPECT_FALSE(copier.CopyFile(
        lower, dir.PathOf(QStringLiteral("t/a.txt")), {EntryKind::File, EntryKind::File}, {}, &error, 2));
    EXPECT_TRUE(copier.Flush(&error));
    EXPECT_TRUE(copier.TakeFailures().empty());
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("t/A.txt"))), QByteArray("upper"));
    EXPECT_TRUE(TempFilesIn(dir.PathOf(QStringLiteral("t"))).isEmpty());

    // Two names of one existing file (hard links) are each replaced: they are no case variants.
    const QString x = dir.WriteFile(QStringLiteral("h/x"), "old");
    ASSERT_EQ(::link(EncodeFileName(x).constData(), EncodeFileName(dir.PathOf(QStringLiteral("h/y"))).constData()), 0);
    CFileCopier second;
    EXPECT_TRUE(second.CopyFile(upper, x, {EntryKind::File, EntryKind::File}, {}, &error, 1)) << error.toStdString();
    EXPECT_TRUE(
        second.CopyFile(lower, dir.PathOf(QStringLiteral("h/y")), {EntryKind::File, EntryKind::File}, {}, &error, 2))
        << error.toStdString();
    EXPECT_TRUE(second.Flush(&error));
    EXPECT_EQ(TestDir::ReadFile(x), QByteArray("upper"));
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("h/y"))), QByteArray("lower"));
}

TEST(FileCopy, CreateFolderPathMakesEveryMissingLevelAndRefusesAFileInTheWay)
{
    TestDir dir;
    QString error;
    EXPECT_TRUE(CreateFolderPath(dir.PathOf(QStringLiteral("a/b/c")), &error)) << error.toStdString();
    EXPECT_TRUE(S_ISDIR(StatOf(dir.PathOf(QStringLiteral("a/b/c"))).st_mode));
    EXPECT_TRUE(CreateFolderPath(dir.PathOf(QStringLiteral("a/b/c")), &error));
    dir.WriteFile(QStringLiteral("f"), "x");
    EXPECT_FALSE(CreateFolderPath(dir.PathOf(QStringLiteral("f/g")), &error));
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("f"))), QByteArray("x"));
}

TEST(FileCopy, DeleteForGoodRemovesTreesButNeverFollowsLinks)
{
    TestDir dir;
    const QString keep = dir.WriteFile(QStringLiteral("keep/precious.txt"), "precious");
    dir.WriteFile(QStringLiteral("gone/a.txt"), "a");
    dir.WriteFile(QStringLiteral("gone/sub/deeper/b.txt"), "b");
    dir.MakeFolder(QStringLiteral("gone/empty"));
    dir.MakeLink(QStringLiteral("gone/sub/to-keep"), dir.PathOf(QStringLiteral("keep")));
    dir.MakeLink(QStringLiteral("gone/file-link"), keep);
    const QString odd = DecodeFileName(QByteArray("gone/\xFF\xFE"));
    dir.WriteFile(odd, "odd");

    QString error;
    ASSERT_TRUE(DeleteForGood(dir.PathOf(QStringLiteral("gone")), &error)) << error.toStdString();
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(QStringLiteral("gone"))));
    EXPECT_EQ(TestDir::ReadFile(keep), QByteArray("precious"));

    // A link given directly is removed itself.
    const QString link = dir.MakeLink(QStringLiteral("link"), dir.PathOf(QStringLiteral("keep")));
    ASSERT_TRUE(DeleteForGood(link, &error));
    EXPECT_FALSE(TestDir::Exists(link));
    EXPECT_EQ(TestDir::ReadFile(keep), QByteArray("precious"));

    EXPECT_FALSE(DeleteForGood(dir.PathOf(QStringLiteral("missing")), &error));
    EXPECT_TRUE(error.startsWith(dir.PathOf(QStringLiteral("missing"))));
}

TEST(FileCopy, ReplacementsWaitForOneFlushAndThenAllLand)
{
    TestDir dir;
    const QString source = dir.WriteFile(QStringLiteral("p/a.txt"), "new a", 1'200'000'000);
    const QString destination = dir.WriteFile(QStringLiteral("t/a.txt"), "old a", 1'100'000'000);
    const QString fresh = dir.WriteFile(QStringLiteral("p/b.txt"), "new b", 1'200'000'000);
    CFileCopier copier;
    QString error;
    ASSERT_TRUE(copier.CopyFile(source, destination, {}, &error)) << error.toStdString();
    ASSERT_TRUE(copier.CopyFile(fresh, dir.PathOf(QStringLiteral("t/b.txt")), {}, &error)) << error.toStdString();
    // The new file is in place at once; the replaced one keeps its old data until the flush.
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("t/b.txt"))), QByteArray("new b"));
    EXPECT_EQ(TestDir::ReadFile(destination), QByteArray("old a"));
    // It waits in an unnamed temporary file: no name shows until it replaces the old file.
    EXPECT_TRUE(TempFilesIn(dir.PathOf(QStringLiteral("t"))).isEmpty());
    EXPECT_TRUE(copier.Flush(&error)) << error.toStdString();
    EXPECT_EQ(TestDir::ReadFile(destination), QByteArray("new a"));
    EXPECT_EQ(TestDir::MTime(destination), 1'200'000'000);
    EXPECT_TRUE(copier.TakeFailures().empty());
    EXPECT_TRUE(TempFilesIn(dir.PathOf(QStringLiteral("t"))).isEmpty());

    // More replacements than wait together: every one lands, in order (the last copy to a path wins).
    CFileCopier many;
    for (int i = 0; i < 600; ++i) {
        const QString from = dir.WriteFile(QStringLiteral("p/m%1").arg(i % 300), QByteArray::number(i));
        const QString to = dir.PathOf(QStringLiteral("t/m%1").arg(i % 300));
        if (i < 300)
            dir.WriteFile(QStringLiteral("t/m%1").arg(i), "old");
        ASSERT_TRUE(many.CopyFile(from, to, {}, &error)) << error.toStdString();
    }
    EXPECT_TRUE(many.Flush(&error));
    for (int i = 0; i < 300; ++i)
        EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("t/m%1").arg(i))), QByteArray::number(i + 300)) << i;
    EXPECT_TRUE(TempFilesIn(dir.PathOf(QStringLiteral("t"))).isEmpty());
}

TEST(FileCopy, AWaitingReplacementThatCannotLandIsReportedWithItsTagAndLeavesNoTemporaryFile)
{
    TestDir dir;
    const QString source = dir.WriteFile(QStringLiteral("p/a.txt"), "new a");
    const QString destination = dir.WriteFile(QStringLiteral("t/a.txt"), "old a");
    const QString other = dir.WriteFile(QStringLiteral("p/b.txt"), "new b");
    const QString otherDestination = dir.WriteFile(QStringLiteral("t/b.txt"), "old b");
    CFileCopier copier;
    QString error;
    ASSERT_TRUE(copier.CopyFile(source, destination, {EntryKind::File, EntryKind::File}, {}, &error, 7));
    ASSERT_TRUE(copier.CopyFile(other, otherDestination, {EntryKind::File, EntryKind::File}, {}, &error, 8));
    // A folder takes the first destination's place before the replacements land.
    ASSERT_EQ(::unlink(EncodeFileName(destination).constData()), 0);
    dir.MakeFolder(QStringLiteral("t/a.txt/inside"));
    EXPECT_TRUE(copier.Flush(&error));
    const std::vector<CFileCopier::DeferredFailure> failures = copier.TakeFailures();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].tag, 7u);
    EXPECT_TRUE(failures[0].error.startsWith(destination)) << failures[0].error.toStdString();
    EXPECT_TRUE(TestDir::Exists(dir.PathOf(QStringLiteral("t/a.txt/inside"))));
    EXPECT_EQ(TestDir::ReadFile(otherDestination), QByteArray("new b"));
    EXPECT_TRUE(TempFilesIn(dir.PathOf(QStringLiteral("t"))).isEmpty());
    EXPECT_TRUE(copier.TakeFailures().empty());
}

TEST(FileCopy, ACopyFromAFileWaitingToBeReplacedReadsItsNewData)
{
    TestDir dir;
    const QString a = dir.WriteFile(QStringLiteral("a"), "newest", 1'300'000'000);
    const QString b = dir.WriteFile(QStringLiteral("b"), "older", 1'200'000'000);
    const QString c = dir.WriteFile(QStringLiteral("c"), "oldest", 1'100'000'000);
    CFileCopier copier;
    QString error;
    ASSERT_TRUE(copier.CopyFile(a, b, {}, &error)) << error.toStdString();
    ASSERT_TRUE(copier.CopyFile(b, c, {}, &error)) << error.toStdString();
    EXPECT_TRUE(copier.Flush(&error));
    EXPECT_EQ(TestDir::ReadFile(b), QByteArray("newest"));
    EXPECT_EQ(TestDir::ReadFile(c), QByteArray("newest"));
    EXPECT_EQ(TestDir::MTime(c), 1'300'000'000);

    // A link copied over a path that waits for a file lands after that file.
    const QString link = dir.MakeLink(QStringLiteral("link"), QStringLiteral("somewhere"));
    const QString d = dir.WriteFile(QStringLiteral("d"), "old d");
    CFileCopier second;
    ASSERT_TRUE(second.CopyFile(a, d, {}, &error));
    ASSERT_TRUE(second.CopyFile(link, d, {}, &error)) << error.toStdString();
    EXPECT_TRUE(second.Flush(&error));
    EXPECT_EQ(StatOf(d).st_mode & S_IFMT, unsigned(S_IFLNK));
}

TEST(FileCopy, ACopierDestroyedWithoutFlushStillPutsItsReplacementsInPlace)
{
    TestDir dir;
    const QString source = dir.WriteFile(QStringLiteral("p/a"), "new");
    const QString destination = dir.WriteFile(QStringLiteral("t/a"), "old");
    {
        CFileCopier copier;
        QString error;
        ASSERT_TRUE(copier.CopyFile(source, destination, {}, &error));
    }
    EXPECT_EQ(TestDir::ReadFile(destination), QByteArray("new"));
    EXPECT_TRUE(TempFilesIn(dir.PathOf(QStringLiteral("t"))).isEmpty());
}

TEST(FileCopy, ACopyThatDoesNotKnowItsDestinationFindsWhatIsThere)
{
    TestDir dir;
    const QString source = dir.WriteFile(QStringLiteral("p/a"), "new", 1'200'000'000);
    const CFileCopier::Known unknown{EntryKind::File, EntryKind::Missing, false};
    CFileCopier copier;
    QString error;
    // Nothing there: in place at once.
    dir.MakeFolder(QStringLiteral("t"));
    ASSERT_TRUE(copier.CopyFile(source, dir.PathOf(QStringLiteral("t/fresh")), unknown, {}, &error, 1))
        << error.toStdString();
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("t/fresh"))), QByteArray("new"));
    // A file there: a replacement that waits for the flush like any other.
    const QString old = dir.WriteFile(QStringLiteral("t/old"), "old");
    ASSERT_TRUE(copier.CopyFile(source, old, unknown, {}, &error, 2)) << error.toStdString();
    EXPECT_EQ(TestDir::ReadFile(old), QByteArray("old"));
    // A folder there: the copy fails at once, the folder untouched.
    const QString folder = dir.MakeFolder(QStringLiteral("t/folder/inside"));
    EXPECT_FALSE(copier.CopyFile(source, dir.PathOf(QStringLiteral("t/folder")), unknown, {}, &error, 3));
    EXPECT_TRUE(error.contains(QStringLiteral("同じ名前のフォルダ"))) << error.toStdString();
    // A link source looks at its destination itself.
    const QString link = dir.MakeLink(QStringLiteral("p/link"), QStringLiteral("a"));
    EXPECT_FALSE(copier.CopyFile(
        link, dir.PathOf(QStringLiteral("t/folder")), {EntryKind::Link, EntryKind::Missing, false}, {}, &error, 4));
    EXPECT_TRUE(error.contains(QStringLiteral("同じ名前のフォルダ"))) << error.toStdString();

    EXPECT_TRUE(copier.Flush(&error));
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("t/fresh"))), QByteArray("new"));
    EXPECT_EQ(TestDir::MTime(dir.PathOf(QStringLiteral("t/fresh"))), 1'200'000'000);
    EXPECT_EQ(TestDir::ReadFile(old), QByteArray("new"));
    EXPECT_TRUE(copier.TakeFailures().empty());
    EXPECT_TRUE(TestDir::Exists(folder));
    EXPECT_TRUE(TempFilesIn(dir.PathOf(QStringLiteral("t"))).isEmpty());
}

// A copy told what it must still find looks for itself as it works: a source
// that is not the file expected, or a file at a destination expected free
// (there before the copy, or arriving while it copies), is left as it is,
// and the copy says why.
TEST(FileCopy, ACopyLeavesAloneASourceOrADestinationThatIsNotAsExpected)
{
    HookReset reset;
    TestDir dir;
    StateHome state(dir.MakeFolder(QStringLiteral("state")));
    const qint64 time = 1'200'000'000;
    const QString source = dir.WriteFile(QStringLiteral("p/a"), "new", time);
    TestDir::SetMTime(source, time, 250);
    dir.MakeFolder(QStringLiteral("t"));
    const CFileCopier::Expected asSeen{true, 3, time * 1'000'000'000 + 250, true};
    struct Case
    {
        const char* name;
        CFileCopier::Expected expected;
        const char* waiting; // what is at the destination before the copy, null: nothing
        const char* arriving; // what arrives there while it copies, null: nothing
        CFileCopier::Refusal refusal;
    };
    const Case cases[] = {
        {"as-seen", asSeen, nullptr, nullptr, CFileCopier::Refusal::None},
        {"edited-in-the-same-second", {true, 3, time * 1'000'000'000, true}, nullptr, nullptr,
            CFileCopier::Refusal::SourceChanged},
        {"grown", {true, 2, asSeen.sourceModified, true}, nullptr, nullptr, CFileCopier::Refusal::SourceChanged},
        {"taken-before", asSeen, "the user's own", nullptr, CFileCopier::Refusal::DestinationTaken},
        {"taken-while-copying", asSeen, nullptr, "arrived", CFileCopier::Refusal::DestinationTaken},
    };
    CFileCopier copier;
    quint64 tag = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString destination = dir.PathOf(QStringLiteral("t/") + QLatin1String(c.name));
        if (c.waiting)
            dir.WriteFile(QStringLiteral("t/") + QLatin1String(c.name), c.waiting);
        FileCopyTestHooks::SetAfterDataHook([&](const QString&, const QString&) {
            if (c.arriving)
                dir.WriteFile(QStringLiteral("t/") + QLatin1String(c.name), c.arriving);
        });
        auto refused = CFileCopier::Refusal::None;
        const CFileCopier::Known known{EntryKind::File, EntryKind::Missing, false, c.expected, &refused};
        RootedPath from;
        RootedPath to;
        ASSERT_TRUE(SplitAtParent(source, &from) && SplitAtParent(destination, &to));
        QString error;
        const bool copied = copier.CopyFile(from, to, known, {}, &error, ++tag);
        EXPECT_EQ(copied, c.refusal == CFileCopier::Refusal::None) << error.toStdString();
        EXPECT_EQ(refused, c.refusal);
        const char* left = c.waiting ? c.waiting : c.arriving;
        if (copied)
            EXPECT_EQ(TestDir::ReadFile(destination), QByteArray("new"));
        else if (left)
            EXPECT_EQ(TestDir::ReadFile(destination), QByteArray(left));
        else
            EXPECT_FALSE(TestDir::Exists(destination));
    }
    QString error;
    EXPECT_TRUE(copier.Flush(&error));
    EXPECT_TRUE(copier.TakeFailures().empty());
    EXPECT_TRUE(copier.TakeReplacements().empty());
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("t/taken-before"))), QByteArray("the user's own"));
    EXPECT_TRUE(TempFilesIn(dir.PathOf(QStringLiteral("t"))).isEmpty());
}
