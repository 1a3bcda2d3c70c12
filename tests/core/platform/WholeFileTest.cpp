#include "FileSizeLimit.h"
#include "support/TestDir.h"

#include "core/platform/FileName.h"
#include "core/platform/FileSystem.h"
#include "core/platform/WholeFile.h"

#include <QDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString S(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

struct stat StatOf(const QString& path)
{
    struct stat st = {};
    EXPECT_EQ(::lstat(EncodeFileName(path).constData(), &st), 0) << path.toStdString();
    return st;
}

mode_t Umask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

const QString kNotRegular = S("通常のファイルではありません");

} // namespace

TEST(WholeFile, PermissionsOfNewAndReplacedFiles)
{
    struct Case
    {
        const char* name;
        int existingMode; // -1: no file before
        int newFileMode;
        mode_t expected;
    };
    const Case cases[] = {
        {"new, default", -1, -1, mode_t(0666 & ~Umask())},
        {"new, private", -1, 0600, 0600},
        {"existing keeps its bits", 0640, 0600, 0640},
        {"existing read-only", 0444, -1, 0444},
        {"existing with set-group-ID", 02750, 0600, 02750},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestDir dir;
        const QString path = dir.PathOf(S("doc.ini"));
        if (c.existingMode >= 0) {
            dir.WriteFile(S("doc.ini"), "old");
            ASSERT_EQ(::chmod(EncodeFileName(path).constData(), mode_t(c.existingMode)), 0);
        }
        QString error;
        ASSERT_TRUE(ReplaceFileAtomically(path, "new", &error, {.newFileMode = c.newFileMode})) << error.toStdString();
        EXPECT_EQ(StatOf(path).st_mode & 07777, c.expected);
        EXPECT_EQ(TestDir::ReadFile(path), QByteArray("new"));
        EXPECT_EQ(Entries(dir.Path()), QStringList{S("doc.ini")});
    }
}

TEST(WholeFile, RootWritingAnotherUsersFileKeepsItsOwnerWhenAsked)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a file to another user needs root";
    for (const bool keepOwner : {true, false}) {
        SCOPED_TRACE(keepOwner ? "owner kept" : "owner not asked for");
        TestDir dir;
        const QString path = dir.WriteFile(S("Pairwell.ini"), "[S]\na=1\n");
        ASSERT_EQ(::chown(EncodeFileName(path).constData(), 4321, 4322), 0);
        ASSERT_EQ(::chmod(EncodeFileName(path).constData(), 0640), 0);
        QString error;
        ASSERT_TRUE(ReplaceFileAtomically(path, "[S]\na=2\n", &error, {.keepOwner = keepOwner})) << error.toStdString();
        const struct stat st = StatOf(path);
        EXPECT_EQ(st.st_uid, keepOwner ? 4321u : 0u);
        EXPECT_EQ(st.st_gid, keepOwner ? 4322u : 0u);
        EXPECT_EQ(st.st_mode & 07777, 0640u);
        EXPECT_EQ(TestDir::ReadFile(path), QByteArray("[S]\na=2\n"));
    }
}

TEST(WholeFile, WrittenStampIsTheStampOfTheFileInPlace)
{
    TestDir dir;
    const QString path = dir.WriteFile(S("doc"), "old");
    const FileStamp before = StampOfFile(path);
    FileStamp written;
    QString error;
    ASSERT_TRUE(ReplaceFileAtomically(path, "newer", &error, {.written = &written})) << error.toStdString();
    EXPECT_TRUE(written.exists);
    EXPECT_EQ(written.size, 5);
    EXPECT_NE(written.inode, before.inode);
    EXPECT_EQ(written, StampOfFile(path));
}

TEST(WholeFile, NonRegularFilesAreRefusedWithoutBeingTouched)
{
    TestDir dir;
    const QString fifo = dir.PathOf(S("fifo"));
    ASSERT_EQ(::mkfifo(EncodeFileName(fifo).constData(), 0600), 0);
    const QString folder = dir.MakeFolder(S("folder"));
    const QString linkToFifo = dir.MakeLink(S("link"), fifo);
    struct Case
    {
        QString path;
        QString reason;
    };
    const Case cases[] = {
        {fifo, kNotRegular},
        {linkToFifo, kNotRegular},
        {folder, SystemErrorText(EISDIR)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        QString error;
        EXPECT_FALSE(ReplaceFileAtomically(c.path, "data", &error));
        EXPECT_EQ(error, c.path + S(": ") + c.reason);
        QByteArray data = "untouched";
        error.clear();
        EXPECT_FALSE(ReadWholeFile(c.path, &data, &error));
        EXPECT_EQ(error, c.path + S(": ") + c.reason);
        EXPECT_TRUE(data.isEmpty());
        const FileReadResult probe = ProbeRegularFile(c.path);
        EXPECT_FALSE(probe.Ok());
        EXPECT_EQ(FileReadFailureText(probe), c.reason);
    }
    EXPECT_TRUE(S_ISFIFO(StatOf(fifo).st_mode));
    EXPECT_TRUE(S_ISLNK(StatOf(linkToFifo).st_mode));
    EXPECT_EQ(Entries(dir.Path()), (QStringList{S("fifo"), S("folder"), S("link")}));
    EXPECT_TRUE(Entries(folder).isEmpty());
}

TEST(WholeFile, ReadFailuresNameTheirReason)
{
    TestDir dir;
    const QString missing = dir.PathOf(S("missing"));
    const QString large = dir.WriteFile(S("large"), QByteArray(100, 'x'));
    QByteArray data;
    QString error;
    EXPECT_FALSE(ReadWholeFile(missing, &data, &error));
    EXPECT_EQ(error, missing + S(": ") + SystemErrorText(ENOENT));
    EXPECT_FALSE(ReadWholeFile(large, &data, &error, 99));
    EXPECT_EQ(error, large + S(": ") + SystemErrorText(EFBIG));
    EXPECT_TRUE(ReadWholeFile(large, &data, &error, 100));
    EXPECT_EQ(data, QByteArray(100, 'x'));
    // The probe that stands before a read finds what the read would.
    EXPECT_EQ(ProbeRegularFile(missing).failure, FileReadFailure::NotFound);
    EXPECT_EQ(ProbeRegularFile(large, 99).failure, FileReadFailure::TooLarge);
    EXPECT_EQ(ProbeRegularFile(large, 100).stamp, StampOfFile(large));
}

TEST(WholeFile, ReadsEveryByteWhateverTheSize)
{
    TestDir dir;
    for (const qsizetype size : {0, 1, 65535, 65536, 65537, (1 << 20) + 3}) {
        SCOPED_TRACE(size);
        QByteArray bytes(size, Qt::Uninitialized);
        for (qsizetype i = 0; i < size; ++i)
            bytes[i] = char((i * 7919) >> 3);
        const QString path = dir.WriteFile(QString::number(size), bytes);
        QByteArray data = "old";
        const FileReadResult result = ReadRegularFile(path, &data);
        ASSERT_TRUE(result.Ok());
        EXPECT_EQ(data, bytes);
        EXPECT_EQ(result.stamp, StampOfFile(path));
    }
    // A file whose size the system gives as 0 is read to its end all the same.
    QByteArray mounts;
    ASSERT_TRUE(ReadRegularFile(S("/proc/self/mountinfo"), &mounts).Ok());
    EXPECT_TRUE(mounts.contains(" / "));
}

TEST(WholeFile, FailedWriteLeavesTheOldFileAndNoTemporary)
{
    TestDir dir;
    const QString path = dir.WriteFile(S("doc"), "old");
    QString error;
    FileStamp written;
    bool ok = true;
    {
        // The file-size limit makes the write of the new content fail half-way.
        const CFileSizeLimit limit(64);
        ASSERT_TRUE(limit.IsSet());
        ok = ReplaceFileAtomically(path, QByteArray(1000, 'x'), &error, {.written = &written});
    }

    EXPECT_FALSE(ok);
    EXPECT_EQ(error, path + S(": ") + SystemErrorText(EFBIG));
    EXPECT_FALSE(written.exists);
    EXPECT_EQ(TestDir::ReadFile(path), QByteArray("old"));
    EXPECT_EQ(Entries(dir.Path()), QStringList{S("doc")});
}

TEST(WholeFile, FoldersAreCreatedWithTheirParents)
{
    TestDir dir;
    const QString deep = dir.PathOf(S("a/b/c"));
    int reason = -1;
    EXPECT_TRUE(CreateFolders(deep, &reason));
    EXPECT_EQ(reason, 0);
    EXPECT_TRUE(S_ISDIR(StatOf(deep).st_mode));
    EXPECT_TRUE(CreateFolders(deep, &reason)); // already there
    EXPECT_EQ(FolderOfReplacement(deep + S("/file")), deep);

    dir.WriteFile(S("file"), "x");
    EXPECT_FALSE(CreateFolders(dir.PathOf(S("file/sub")), &reason));
    EXPECT_EQ(reason, ENOTDIR);
    EXPECT_FALSE(CreateFolders(dir.PathOf(S("file")), &reason));
    EXPECT_EQ(reason, ENOTDIR);
    EXPECT_FALSE(CreateFolders(QString(), &reason));
    EXPECT_EQ(reason, ENOENT);
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(S("file"))), QByteArray("x"));
}

TEST(WholeFile, ALinkIsReplacedWhereItPoints)
{
    TestDir dir;
    const QString real = dir.WriteFile(S("dotfiles/doc"), "old");
    const QString link = dir.MakeLink(S("config/doc"), real);
    EXPECT_EQ(FolderOfReplacement(link), dir.PathOf(S("dotfiles")));
    QString error;
    ASSERT_TRUE(ReplaceFileAtomically(link, "new", &error)) << error.toStdString();
    EXPECT_TRUE(S_ISLNK(StatOf(link).st_mode));
    EXPECT_EQ(TestDir::ReadFile(real), QByteArray("new"));
    EXPECT_EQ(Entries(dir.PathOf(S("dotfiles"))), QStringList{S("doc")});

    // A link to nothing is left as it is: where its file would go is unknown.
    const QString dangling = dir.MakeLink(S("config/gone"), dir.PathOf(S("nowhere/doc")));
    EXPECT_TRUE(FolderOfReplacement(dangling).isEmpty());
    EXPECT_FALSE(ReplaceFileAtomically(dangling, "new", &error));
    EXPECT_TRUE(S_ISLNK(StatOf(dangling).st_mode));
}
