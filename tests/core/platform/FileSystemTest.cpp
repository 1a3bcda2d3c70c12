#include "support/TestDir.h"

#include "core/platform/FileName.h"
#include "core/platform/FileSystem.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString S(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

TEST(FileSystem, ExistenceAndDirectoryTestsDoNotFollowLinks)
{
    TestDir dir;
    const QString folder = dir.MakeFolder(S("folder"));
    const QString file = dir.WriteFile(S("file"), "x");
    const QString folderLink = dir.MakeLink(S("folder-link"), folder);
    const QString dangling = dir.MakeLink(S("dangling"), dir.PathOf(S("gone")));

    EXPECT_TRUE(PathExists(folder));
    EXPECT_TRUE(PathExists(file));
    EXPECT_TRUE(PathExists(dangling)); // the link itself is there
    EXPECT_FALSE(PathExists(dir.PathOf(S("gone"))));
    EXPECT_FALSE(PathExists(S("")));

    EXPECT_TRUE(IsDirectoryPath(folder));
    EXPECT_FALSE(IsDirectoryPath(folderLink));
    EXPECT_FALSE(IsDirectoryPath(file));
    EXPECT_FALSE(IsDirectoryPath(dir.PathOf(S("gone"))));
}

TEST(FileSystem, CreateFolderMakesOneLevelAndReportsWhyItFailed)
{
    TestDir dir;
    const QString name = dir.PathOf(DecodeFileName(QByteArray("caf\xE9")));
    QString error = S("untouched");
    ASSERT_TRUE(CreateFolder(name, &error));
    EXPECT_EQ(error, S("untouched"));
    struct stat st = {};
    ASSERT_EQ(::lstat(QByteArray(EncodeFileName(dir.Path()) + "/caf\xE9").constData(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));

    EXPECT_FALSE(CreateFolder(name, &error));
    EXPECT_EQ(error, SystemErrorText(EEXIST));
    EXPECT_FALSE(CreateFolder(dir.PathOf(S("missing/child")), &error));
    EXPECT_EQ(error, SystemErrorText(ENOENT));
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(S("missing"))));
    EXPECT_FALSE(CreateFolder(S("")));
    ::rmdir(QByteArray(EncodeFileName(dir.Path()) + "/caf\xE9").constData());
}

TEST(FileSystem, SystemErrorTextNamesTheError)
{
    EXPECT_FALSE(SystemErrorText(ENOENT).isEmpty());
    EXPECT_NE(SystemErrorText(ENOENT), SystemErrorText(EACCES));
    EXPECT_FALSE(SystemErrorText(123456).isEmpty());
}

TEST(FileSystem, PathInfoDescribesTheEntryItself)
{
    TestDir dir;
    const QString file = dir.WriteFile(S("data.bin"), QByteArray(1234, 'x'));
    TestDir::SetMTime(file, -3, 250000000);
    ASSERT_EQ(::chmod(EncodeFileName(file).constData(), 0640), 0);
    const PathInfo info = GetPathInfo(file);
    EXPECT_TRUE(info.exists);
    EXPECT_FALSE(info.isDirectory);
    EXPECT_FALSE(info.isLink);
    EXPECT_EQ(info.size, 1234u);
    EXPECT_EQ(info.mtime, -3);
    EXPECT_EQ(info.mtimeNanoseconds, 250000000);
    EXPECT_TRUE(S_ISREG(info.mode));
    EXPECT_EQ(info.mode & 07777, 0640u);
    const passwd* user = ::getpwuid(::geteuid());
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(info.owner, QString::fromUtf8(user->pw_name));
    EXPECT_FALSE(info.group.isEmpty());
    EXPECT_TRUE(info.linkTarget.isEmpty());

    const QString target = dir.PathOf(DecodeFileName(QByteArray("target-\xFF")));
    const QString link = dir.MakeLink(S("link"), target);
    const PathInfo linkInfo = GetPathInfo(link);
    EXPECT_TRUE(linkInfo.exists);
    EXPECT_TRUE(linkInfo.isLink);
    EXPECT_FALSE(linkInfo.isDirectory);
    EXPECT_TRUE(S_ISLNK(linkInfo.mode));
    EXPECT_EQ(linkInfo.linkTarget, target);
    EXPECT_EQ(linkInfo.size, quint64(EncodeFileName(target).size()));

    const PathInfo folderInfo = GetPathInfo(dir.MakeFolder(S("sub")));
    EXPECT_TRUE(folderInfo.isDirectory);

    const PathInfo missing = GetPathInfo(dir.PathOf(S("missing")));
    EXPECT_FALSE(missing.exists);
    EXPECT_EQ(missing.size, 0u);
}
