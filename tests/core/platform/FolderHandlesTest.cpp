// Folders reached from the root of their pair without following links below
// it, paths of any length, and the split of paths at their roots.
#include "support/TestDir.h"

#include "core/platform/FileName.h"
#include "core/platform/FolderHandles.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString S(const char* text)
{
    return QString::fromUtf8(text);
}

} // namespace

TEST(FolderHandles, PathsSplitAtTheirRootOrAreRefused)
{
    struct Case
    {
        const char* root;
        const char* path;
        bool ok;
        const char* expectedRoot;
        const char* expectedBelow;
    };
    const Case cases[] = {
        {"/a/b", "/a/b/c/d", true, "/a/b", "c/d"},
        {"/a/b", "/a/b", true, "/a/b", ""},
        {"/a/b/", "/a/b/c", true, "/a/b", "c"},
        {"/", "/x/y", true, "/", "x/y"},
        {"", "/a/b", true, "/a/b", ""},
        {"/a/b", "/a/bc/d", false, "", ""}, // a sibling with a longer name is not below
        {"/a/b", "/a", false, "", ""},
        {"/a/b", "/a/b/../c", false, "", ""}, // ".." leaves the root
        {"/a/b", "/a/b/./c//d", true, "/a/b", "c/d"},
        {"/a/b", "a/b/c", false, "", ""}, // relative: never against the working directory
        {"a", "a/b", false, "", ""},
        {"", "", false, "", ""},
    };
    for (const Case& c : cases) {
        RootedPath rooted;
        const bool ok = SplitAtRoot(S(c.root), S(c.path), &rooted);
        EXPECT_EQ(ok, c.ok) << c.root << " " << c.path;
        if (ok && c.ok) {
            EXPECT_EQ(rooted.root, QByteArray(c.expectedRoot)) << c.path;
            EXPECT_EQ(rooted.below, QByteArray(c.expectedBelow)) << c.path;
        }
    }
    RootedPath rooted;
    EXPECT_FALSE(SplitAtRoot(S("/a"), S("/a/b") + QChar(0) + S("c"), &rooted)); // a NUL character

    // The longest root that holds a path wins; without roots, a path's own folder is its root.
    const CPairRoots roots({S("/data"), S("/data/inner/target"), S(""), S("relative")});
    ASSERT_TRUE(roots.Split(S("/data/inner/target/x"), &rooted));
    EXPECT_EQ(rooted.root, QByteArray("/data/inner/target"));
    ASSERT_TRUE(roots.Split(S("/data/inner/other"), &rooted));
    EXPECT_EQ(rooted.root, QByteArray("/data"));
    EXPECT_FALSE(roots.Split(S("/elsewhere/x"), &rooted));
    ASSERT_TRUE(CPairRoots().Split(S("/elsewhere/x/y"), &rooted));
    EXPECT_EQ(rooted.root, QByteArray("/elsewhere/x"));
    EXPECT_EQ(rooted.below, QByteArray("y"));
}

TEST(FolderHandles, ALinkBelowTheRootIsNeverAFolderButTheRootItselfMayBeALink)
{
    TestDir dir;
    dir.WriteFile(S("outside/secret.txt"), "secret");
    dir.WriteFile(S("real/sub/file.txt"), "inside");
    dir.MakeLink(S("real/linked"), dir.PathOf(S("outside")));
    dir.MakeLink(S("root-link"), dir.PathOf(S("real")));

    for (CFolderCache* cache : {static_cast<CFolderCache*>(nullptr), new CFolderCache}) {
        std::unique_ptr<CFolderCache> owned(cache);
        RootedPath path;
        ASSERT_TRUE(SplitAtRoot(dir.PathOf(S("root-link")), dir.PathOf(S("root-link/sub")), &path));
        int error = 0;
        const FolderHandle sub = OpenFolder(path, &error);
        ASSERT_TRUE(sub) << error;
        struct stat st;
        EXPECT_EQ(::fstatat(sub->Fd(), "file.txt", &st, 0), 0);

        ASSERT_TRUE(SplitAtRoot(dir.PathOf(S("root-link")), dir.PathOf(S("root-link/linked")), &path));
        EXPECT_FALSE(OpenFolder(path, &error));
        EXPECT_EQ(error, ENOTDIR);
        EXPECT_EQ(OpenFolderForReading(path, &error), -1);
        EXPECT_EQ(error, ENOTDIR);
        ASSERT_TRUE(SplitAtRoot(dir.PathOf(S("root-link")), dir.PathOf(S("root-link/linked/deeper")), &path));
        EXPECT_FALSE(OpenFolder(path, &error));
        EXPECT_EQ(error, ENOTDIR);
        ASSERT_TRUE(SplitAtRoot(dir.PathOf(S("real")), dir.PathOf(S("real/missing")), &path));
        EXPECT_FALSE(OpenFolder(path, &error));
        EXPECT_EQ(error, ENOENT);
    }
}

TEST(FolderHandles, AFolderSwappedForALinkAfterItWasOpenedIsNotFollowed)
{
    TestDir dir;
    dir.MakeFolder(S("outside"));
    dir.MakeFolder(S("root/sub"));
    CFolderCache cache;
    RootedPath sub;
    ASSERT_TRUE(SplitAtRoot(dir.PathOf(S("root")), dir.PathOf(S("root/sub")), &sub));
    int error = 0;
    ASSERT_TRUE(OpenFolder(sub, &error));
    // The folder is swapped for a link to the outside: the cache forgets it, the next open refuses it.
    ASSERT_EQ(::rename(EncodeFileName(dir.PathOf(S("root/sub"))).constData(),
                  EncodeFileName(dir.PathOf(S("root/old"))).constData()),
        0);
    dir.MakeLink(S("root/sub"), dir.PathOf(S("outside")));
    cache.Forget(sub);
    EXPECT_FALSE(OpenFolder(sub, &error));
    EXPECT_EQ(error, ENOTDIR);
}

TEST(FolderHandles, FoldersDeeperThanTheSystemsPathLimitAreReached)
{
    TestDir dir;
    const QByteArray component(200, 'd');
    int fd = ::open(EncodeFileName(dir.Path()).constData(), O_PATH | O_DIRECTORY);
    QByteArray below;
    for (int level = 0; level < 30; ++level) { // 6,000 bytes of path
        ASSERT_EQ(::mkdirat(fd, component.constData(), 0755), 0);
        const int next = ::openat(fd, component.constData(), O_PATH | O_DIRECTORY);
        ::close(fd);
        fd = next;
        below += (below.isEmpty() ? "" : "/") + component;
    }
    ASSERT_EQ(::close(::openat(fd, "leaf.txt", O_WRONLY | O_CREAT, 0644)), 0);
    ::close(fd);

    CFolderCache cache;
    const RootedPath deep{EncodeFileName(dir.Path()), below};
    EXPECT_GT(deep.Full().size(), 4096);
    int error = 0;
    const FolderHandle handle = OpenFolder(deep, &error);
    ASSERT_TRUE(handle) << error;
    struct stat st;
    EXPECT_EQ(::fstatat(handle->Fd(), "leaf.txt", &st, AT_SYMLINK_NOFOLLOW), 0);
    const int reading = OpenFolderForReading(deep, &error);
    EXPECT_GE(reading, 0);
    ::close(reading);
    // TestDir cannot remove what it cannot reach by path.
    QByteArray name;
    ASSERT_TRUE(OpenParent(deep.Child("leaf.txt"), &name, &error));
    for (RootedPath path = deep.Child("leaf.txt"); !path.IsRoot();) {
        const FolderHandle parent = OpenParent(path, &name, &error);
        ASSERT_TRUE(parent);
        struct stat entry;
        ASSERT_EQ(::fstatat(parent->Fd(), name.constData(), &entry, AT_SYMLINK_NOFOLLOW), 0);
        ASSERT_EQ(::unlinkat(parent->Fd(), name.constData(), S_ISDIR(entry.st_mode) ? AT_REMOVEDIR : 0), 0);
        cache.Forget(path);
        const qsizetype slash = path.below.lastIndexOf('/');
        path.below = slash < 0 ? QByteArray() : path.below.left(slash);
    }
}

TEST(FolderHandles, OnlyTheTopOfAMountHoldsTheTrashOfAVolume)
{
    for (const char* name : {".Trash", ".Trash-0", ".Trash-1000"})
        EXPECT_TRUE(IsVolumeTrashName(name)) << name;
    for (const char* name : {".Trash-", ".Trash-x", ".Trash-10a", ".trash", "Trash", ".Trash1", ".Trashes"})
        EXPECT_FALSE(IsVolumeTrashName(name)) << name;

    TestDir dir;
    const int root = ::open("/", O_PATH | O_DIRECTORY);
    const int plain = ::open(EncodeFileName(dir.Path()).constData(), O_PATH | O_DIRECTORY);
    EXPECT_TRUE(IsMountRoot(root));
    EXPECT_FALSE(IsMountRoot(plain));
    ::close(root);
    ::close(plain);
}
