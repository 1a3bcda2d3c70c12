#include "support/TestDir.h"

#include "core/platform/FileName.h"
#include "core/platform/MountTable.h"
#include "core/platform/Paths.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>

namespace {

QString S(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

TEST(JoinPath, JoinsWithExactlyOneSlash)
{
    EXPECT_EQ(JoinPath(S("/a/b"), S("c.txt")), S("/a/b/c.txt"));
    EXPECT_EQ(JoinPath(S("/a/b/"), S("c.txt")), S("/a/b/c.txt"));
    EXPECT_EQ(JoinPath(S("/a//b///"), S("c")), S("/a/b/c"));
    EXPECT_EQ(JoinPath(S("/"), S("a")), S("/a"));
    EXPECT_EQ(JoinPath(S("/a"), S("")), S("/a"));
    EXPECT_EQ(JoinPath(S("/a/"), S("")), S("/a"));
    EXPECT_EQ(JoinPath(S(""), S("x")), S("x"));
    EXPECT_EQ(JoinPath(S("rel"), S("x")), S("rel/x"));
    EXPECT_EQ(JoinPath(S(""), S("")), S(""));
}

TEST(JoinPath, ResolvesDotAndDotDotLexically)
{
    EXPECT_EQ(JoinPath(S("/a/b"), S("./c")), S("/a/b/c"));
    EXPECT_EQ(JoinPath(S("/a/b"), S("../c")), S("/a/c"));
    EXPECT_EQ(JoinPath(S("/a/b"), S("..")), S("/a"));
    EXPECT_EQ(JoinPath(S("/a/b/."), S("c")), S("/a/b/c"));
    EXPECT_EQ(JoinPath(S("/a/./b/../c"), S("d/./e/../f")), S("/a/c/d/f"));
    // Nothing goes above the root of an absolute path.
    EXPECT_EQ(JoinPath(S("/a"), S("../../../x")), S("/x"));
    EXPECT_EQ(JoinPath(S("/a"), S("..")), S("/"));
    // A relative path keeps the ".." it cannot resolve.
    EXPECT_EQ(JoinPath(S("a/b"), S("../../../c")), S("../c"));
    EXPECT_EQ(JoinPath(S("a"), S("..")), S("."));
    // A name that only looks like a dot component is an ordinary name.
    EXPECT_EQ(JoinPath(S("/a"), S("...")), S("/a/..."));
    EXPECT_EQ(JoinPath(S("/a"), S("..x")), S("/a/..x"));
}

TEST(JoinPath, AbsoluteNameReplacesFolder)
{
    EXPECT_EQ(JoinPath(S("/a/b"), S("/x/y")), S("/x/y"));
    EXPECT_EQ(JoinPath(S("/a/b"), S("/x/../y/")), S("/y"));
}

TEST(JoinPath, KeepsUndecodableAndUnicodeCharacters)
{
    const QString name = DecodeFileName(QByteArray("caf\xE9"));
    const QString joined = JoinPath(S("/日本/フォルダ"), name);
    EXPECT_EQ(EncodeFileName(joined),
        QByteArray("/\xE6\x97\xA5\xE6\x9C\xAC/\xE3\x83\x95\xE3\x82\xA9\xE3\x83\xAB\xE3\x83\x80/caf\xE9"));
}

TEST(PathStrings, PathsLongerThanAnyFixedBufferAreNotTruncated)
{
    QString folder = S("/");
    QStringList components;
    for (int i = 0; i < 700; ++i)
        components.append(QStringLiteral("component%1").arg(i, 3, 10, QLatin1Char('0')));
    for (const QString& component : components)
        folder = JoinPath(folder, component);
    const QString expected = QLatin1Char('/') + components.join(QLatin1Char('/'));
    ASSERT_GT(expected.size(), 4096 * 2);
    EXPECT_EQ(folder, expected);

    const QString file = JoinPath(folder, S("../last.txt"));
    EXPECT_EQ(file, QLatin1Char('/') + components.mid(0, 699).join(QLatin1Char('/')) + S("/last.txt"));
    EXPECT_EQ(GetLastComponent(file), S("last.txt"));
    EXPECT_EQ(GetParentFolder(file), QLatin1Char('/') + components.mid(0, 699).join(QLatin1Char('/')));
    EXPECT_EQ(QuotePath(folder + S(" x")), QLatin1Char('"') + folder + S(" x\""));
}

TEST(PathStrings, ParentFolderAndLastComponent)
{
    EXPECT_EQ(GetParentFolder(S("/a/b.txt")), S("/a"));
    EXPECT_EQ(GetParentFolder(S("/a")), S("/"));
    EXPECT_EQ(GetParentFolder(S("/")), S("/"));
    EXPECT_EQ(GetParentFolder(S("//")), S("/"));
    EXPECT_EQ(GetParentFolder(S("/a/b/")), S("/a"));
    EXPECT_EQ(GetParentFolder(S("/a//b")), S("/a"));
    EXPECT_EQ(GetParentFolder(S("/a/b/..")), S("/"));
    EXPECT_EQ(GetParentFolder(S("a/b")), S("a"));
    EXPECT_EQ(GetParentFolder(S("a")), S(""));
    EXPECT_EQ(GetParentFolder(S("")), S(""));

    EXPECT_EQ(GetLastComponent(S("/a/b.txt")), S("b.txt"));
    EXPECT_EQ(GetLastComponent(S("/a/b/")), S("b"));
    EXPECT_EQ(GetLastComponent(S("/a/b/..")), S("a"));
    EXPECT_EQ(GetLastComponent(S("/")), S("/"));
    EXPECT_EQ(GetLastComponent(S("b")), S("b"));
    EXPECT_EQ(GetLastComponent(S("")), S(""));

    // Parent and last component put back together give the (clean) path again.
    for (const char* path : {"/a/b/c.txt", "/x", "/a b/c d/", "rel/x/y", "/a/./b/../c"}) {
        const QString p = S(path);
        EXPECT_EQ(JoinPath(GetParentFolder(p), GetLastComponent(p)), JoinPath(p, S(""))) << path;
    }
}

TEST(PathStrings, QuotePathQuotesOnlyPathsWithSpaces)
{
    EXPECT_EQ(QuotePath(S("/a b/c")), S("\"/a b/c\""));
    EXPECT_EQ(QuotePath(S("/ab/c")), S("/ab/c"));
    EXPECT_EQ(QuotePath(S("")), S(""));
    EXPECT_EQ(QuotePath(S("/a\tb")), S("/a\tb"));
}

TEST(MountTable, ParsesEscapedMountPointsAndSkipsBrokenLines)
{
    const QByteArray text = "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
                            "40 27 0:40 / /media/My\\040Disk rw shared:5 master:1 - vfat /dev/sdb1 rw\n"
                            "41 27 0:41 / /srv/back\\134slash rw - nfs4 server:/export rw\n"
                            "garbage line\n"
                            "42 27 0:42 / relative rw - tmpfs none rw\n"
                            "43 27 x / /bad rw - tmpfs none rw\n"
                            "44 27 0:44 / /home rw - ext4 /dev/vdb rw\n"
                            "45 44 0:45 / /home rw - tmpfs over rw\n";
    const std::vector<MountEntry> mounts = ParseMountInfo(text);
    ASSERT_EQ(mounts.size(), 5u);
    EXPECT_EQ(mounts[1].mountPoint, QByteArray("/media/My Disk"));
    EXPECT_EQ(mounts[1].fsType, QByteArray("vfat"));
    EXPECT_EQ(mounts[1].source, QByteArray("/dev/sdb1"));
    EXPECT_EQ(mounts[2].mountPoint, QByteArray("/srv/back\\slash"));
    EXPECT_EQ(mounts[0].major, 254u);

    EXPECT_EQ(FindMount(mounts, "/media/My Disk/x")->id, 40);
    EXPECT_EQ(FindMount(mounts, "/media/My Disk")->id, 40);
    EXPECT_EQ(FindMount(mounts, "/media/My Diskette")->id, 27); // a prefix only counts at a "/"
    EXPECT_EQ(FindMount(mounts, "/homestead")->id, 27);
    EXPECT_EQ(FindMount(mounts, "/home/u")->id, 45); // the later mount on a point is on top
    EXPECT_EQ(FindMount(mounts, "relative"), nullptr);
    EXPECT_EQ(FindMount({}, "/x"), nullptr);
}

TEST(MountTable, NetworkFileSystemsAreKnown)
{
    for (const char* type : {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "9p", "ceph", "fuse.rclone"})
        EXPECT_TRUE(IsNetworkFileSystem(type)) << type;
    for (const char* type : {"ext4", "btrfs", "xfs", "tmpfs", "vfat", "fuse", "nfsd", "overlay"})
        EXPECT_FALSE(IsNetworkFileSystem(type)) << type;
}

TEST(GetRoot, IsTheMountPointThatHoldsThePath)
{
    EXPECT_EQ(GetRoot(S("/")), S("/"));
    EXPECT_EQ(GetRoot(S("/no-such-mount-here/a/b")), S("/"));
    struct stat proc = {};
    if (::stat("/proc/self", &proc) == 0) { // procfs is mounted on /proc
        EXPECT_EQ(GetRoot(S("/proc/self/fd")), S("/proc"));
        EXPECT_EQ(GetRoot(S("/proc")), S("/proc"));
        EXPECT_EQ(GetRoot(S("/proc/")), S("/proc"));
        EXPECT_EQ(GetRoot(S("/tmp/../proc/self")), S("/proc"));
        EXPECT_EQ(GetRoot(S("/proc/self/..")), S("/proc"));
        EXPECT_EQ(GetRoot(S("/proc/..")), GetRoot(S("/")));
    }
}

TEST(Drives, VirtualFileSystemsAndReachability)
{
    EXPECT_TRUE(IsFixedDrive(S("/proc/self")));
    EXPECT_TRUE(IsFixedDrive(S("/proc/no/such/entry")));

    TestDir dir;
    const QString folder = dir.MakeFolder(S("folder"));
    const QString file = dir.WriteFile(S("file.txt"), "x");
    EXPECT_TRUE(TestFolderReachable(folder));
    EXPECT_TRUE(TestFolderReachable(dir.MakeLink(S("link-to-folder"), folder))); // a project folder may be a link
    EXPECT_FALSE(TestFolderReachable(file));
    EXPECT_FALSE(TestFolderReachable(dir.MakeLink(S("link-to-file"), file)));
    EXPECT_FALSE(TestFolderReachable(dir.MakeLink(S("dangling"), dir.PathOf(S("gone")))));
    EXPECT_FALSE(TestFolderReachable(dir.PathOf(S("missing"))));
    EXPECT_FALSE(TestFolderReachable(S("")));
    const QString undecodable = dir.MakeFolder(QString::fromUtf8("caf") + QChar(char16_t(0xDCE9)));
    EXPECT_TRUE(TestFolderReachable(undecodable));
    ::rmdir(EncodeFileName(undecodable).constData()); // QTemporaryDir cannot remove such names
}

TEST(MakeTempFileName, CreatesAnEmptyPrivateFileWithThePrefix)
{
    const QString first = MakeTempFileName(S("PWL"));
    const QString second = MakeTempFileName(S("PWL"));
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(second.isEmpty());
    EXPECT_NE(first, second);
    EXPECT_EQ(GetParentFolder(first), JoinPath(QDir::tempPath(), S("")));
    EXPECT_TRUE(GetLastComponent(first).startsWith(S("PWL")));
    EXPECT_TRUE(first.endsWith(S(".TMP")));
    struct stat st = {};
    ASSERT_EQ(::lstat(EncodeFileName(first).constData(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    ::unlink(EncodeFileName(first).constData());
    ::unlink(EncodeFileName(second).constData());
}

TEST(MakeTempFileName, IsEmptyWhenTheTemporaryFolderIsMissing)
{
    TestDir dir;
    const QByteArray saved = qgetenv("TMPDIR");
    qputenv("TMPDIR", EncodeFileName(dir.PathOf(S("missing"))));
    const QString name = MakeTempFileName(S("PWL"));
    if (saved.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", saved);
    EXPECT_EQ(name, S(""));
}

TEST(FormatDateTime, FormatsAnyInstantIncludingBefore1970AndAfter2038)
{
    for (qint64 seconds : {qint64(0), qint64(-86400 * 400), qint64(1700000000), qint64(4102444800)}) {
        const QString text = FormatDateTime(seconds);
        EXPECT_FALSE(text.isEmpty()) << seconds;
        EXPECT_TRUE(text.contains(u' ')) << text.toStdString();
    }
    // Different days give different texts: nothing wraps around at 2038.
    EXPECT_NE(FormatDateTime(2147483647), FormatDateTime(2147483647 + qint64(86400) * 3));
    EXPECT_NE(FormatDateTime(4102444800), FormatDateTime(4102444800 - 86400));
}

TEST(GetFileTypeName, FallsBackToTheFileWord)
{
    ResetCaches();
    EXPECT_EQ(GetFileTypeName(S("/a/README")), S("ファイル"));
    EXPECT_EQ(GetFileTypeName(S("/a/.bashrc")), S("ファイル"));
    EXPECT_EQ(GetFileTypeName(S("/a/name.")), S("ファイル"));
    EXPECT_EQ(GetFileTypeName(S("/a.d/README")), S("ファイル"));
    EXPECT_EQ(GetFileTypeName(S("/a/b.qzxw")), S("QZXWファイル"));
    // One name per extension, whatever its letter case.
    EXPECT_EQ(GetFileTypeName(S("/a/c.QzXw")), S("QZXWファイル"));
    const QString text = GetFileTypeName(S("/a/notes.txt"));
    EXPECT_FALSE(text.isEmpty());
    EXPECT_EQ(GetFileTypeName(S("/b/other.TXT")), text);
    ResetCaches();
    EXPECT_EQ(GetFileTypeName(S("/a/b.qzxw")), S("QZXWファイル"));
}

TEST(GetFileTypeText, ShowsUnknownExtensionsWithASpaceBeforeTheFileWord)
{
    ResetCaches();
    EXPECT_EQ(GetFileTypeText(S("/a/b.qzxw")), S("QZXW ファイル"));
    EXPECT_EQ(GetFileTypeText(S("/a/README")), S(" ファイル"));
    EXPECT_EQ(GetKnownTypeName(S("/a/b.qzxw")), QString());
    EXPECT_EQ(GetFileTypeText(S("/a/notes.txt")), GetFileTypeName(S("/a/notes.txt")));
    EXPECT_FALSE(GetKnownTypeName(S("/a/notes.txt")).isEmpty());
}
