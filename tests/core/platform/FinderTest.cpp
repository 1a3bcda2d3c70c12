#include "support/TestDir.h"

#include "core/platform/FileName.h"
#include "core/platform/Finder.h"
#include "core/platform/Paths.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Seen
{
    quint32 attributes = 0;
    qint64 time = 0;
    quint64 length = 0;
    bool isDirectory = false;
    bool isLink = false;
    bool isHidden = false;
};

std::map<QString, Seen> Enumerate(const QString& folder)
{
    std::map<QString, Seen> seen;
    std::unique_ptr<CFileFind> finder = CreateFinder(folder);
    EXPECT_NE(finder, nullptr);
    if (!finder || !finder->Open(folder))
        return seen;
    while (finder->Next()) {
        Seen entry;
        entry.attributes = finder->GetAttributes();
        entry.time = finder->GetLastWriteTime();
        entry.length = finder->GetLength();
        entry.isDirectory = finder->IsDirectory();
        entry.isLink = finder->IsLink();
        entry.isHidden = finder->IsHidden();
        EXPECT_TRUE(seen.emplace(finder->GetFileName(), entry).second) << "listed twice";
    }
    return seen;
}

// Removes an entry by its bytes (QTemporaryDir cannot remove undecodable names).
void RemoveByBytes(const QString& path)
{
    ::unlink(EncodeFileName(path).constData());
}

QString S(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

TEST(Finder, ReportsEveryKindOfEntryWithItsAttributes)
{
    TestDir dir;
    dir.WriteFile(S("a.txt"), "abc", 1000000000);
    dir.WriteFile(S("日本語.txt"), "12345", 1600000000);
    dir.MakeFolder(S("sub"));
    dir.WriteFile(S(".hidden"), "h", 1200000000);
    dir.MakeLink(S("link-to-file"), dir.PathOf(S("a.txt")));
    dir.MakeLink(S("link-to-folder"), dir.PathOf(S("sub")));
    ASSERT_EQ(::mkfifo(EncodeFileName(dir.PathOf(S("pipe"))).constData(), 0644), 0);
    const QString readOnly = dir.WriteFile(S("read-only"), "r", 1300000000);
    ASSERT_EQ(::chmod(EncodeFileName(readOnly).constData(), 0444), 0);
    dir.WriteFile(S("sub/inner.txt"), "not listed");
    TestDir::SetMTime(dir.PathOf(S("sub")), 1500000000);

    const std::map<QString, Seen> seen = Enumerate(dir.Path());
    ASSERT_EQ(seen.size(), 8u);

    const Seen& file = seen.at(S("a.txt"));
    EXPECT_EQ(file.attributes, 0u);
    EXPECT_EQ(file.time, 1000000000);
    EXPECT_EQ(file.length, 3u);
    EXPECT_FALSE(file.isDirectory || file.isLink || file.isHidden);

    EXPECT_EQ(seen.at(S("日本語.txt")).length, 5u);
    EXPECT_EQ(seen.at(S("日本語.txt")).time, 1600000000);

    const Seen& folder = seen.at(S("sub"));
    EXPECT_EQ(folder.attributes, FileAttr::Directory);
    EXPECT_TRUE(folder.isDirectory);
    EXPECT_EQ(folder.time, 1500000000);

    const Seen& hidden = seen.at(S(".hidden"));
    EXPECT_EQ(hidden.attributes, FileAttr::Hidden);
    EXPECT_TRUE(hidden.isHidden);

    // Links are entries of their own, never followed.
    const Seen& fileLink = seen.at(S("link-to-file"));
    EXPECT_EQ(fileLink.attributes, FileAttr::Link);
    EXPECT_TRUE(fileLink.isLink);
    EXPECT_EQ(fileLink.length, quint64(dir.PathOf(S("a.txt")).toUtf8().size())); // the link's own size
    const Seen& folderLink = seen.at(S("link-to-folder"));
    EXPECT_EQ(folderLink.attributes, FileAttr::Link);
    EXPECT_TRUE(folderLink.isLink);
    EXPECT_FALSE(folderLink.isDirectory);

    EXPECT_EQ(seen.at(S("pipe")).attributes, FileAttr::System);
    EXPECT_EQ(seen.at(S("read-only")).attributes, FileAttr::ReadOnly);
    EXPECT_EQ(seen.at(S("read-only")).time, 1300000000);
}

TEST(Finder, SparseFileOverFourGibibytesHasItsExactSize)
{
    TestDir dir;
    const QString path = dir.WriteFile(S("big.bin"));
    const qint64 size = qint64(5) * 1024 * 1024 * 1024 + 7;
    ASSERT_EQ(::truncate(EncodeFileName(path).constData(), size), 0);
    const std::map<QString, Seen> seen = Enumerate(dir.Path());
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen.at(S("big.bin")).length, quint64(size));
}

TEST(Finder, TimesAreWholeSecondsRoundedDown)
{
    TestDir dir;
    TestDir::SetMTime(dir.WriteFile(S("fraction")), 1700000000, 999999999);
    TestDir::SetMTime(dir.WriteFile(S("before-1970")), -2, 500000000); // 1.5 s before the epoch
    TestDir::SetMTime(dir.WriteFile(S("epoch")), 0, 0);
    TestDir::SetMTime(dir.WriteFile(S("after-2038")), 4102444800, 250000000); // 2100-01-01
    TestDir::SetMTime(dir.WriteFile(S("just-after-2038")), qint64(2147483647) + 1, 0);
    const std::map<QString, Seen> seen = Enumerate(dir.Path());
    EXPECT_EQ(seen.at(S("fraction")).time, 1700000000);
    EXPECT_EQ(seen.at(S("before-1970")).time, -2);
    EXPECT_EQ(seen.at(S("epoch")).time, 0);
    EXPECT_EQ(seen.at(S("after-2038")).time, 4102444800);
    EXPECT_EQ(seen.at(S("just-after-2038")).time, qint64(2147483648));
}

TEST(Finder, UndecodableNameLeadsBackToTheSameFile)
{
    TestDir dir;
    const QByteArray folderBytes = EncodeFileName(dir.Path());
    const QByteArray fileBytes = folderBytes + "/caf\xE9";
    const int fd = ::open(fileBytes.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "latin-1 name", 12), 12);
    ::close(fd);

    const std::map<QString, Seen> seen = Enumerate(dir.Path());
    ASSERT_EQ(seen.size(), 1u);
    const QString name = seen.begin()->first;
    EXPECT_EQ(name.size(), 4);
    EXPECT_EQ(name.at(3).unicode(), 0xDCE9);
    EXPECT_EQ(seen.begin()->second.length, 12u);

    const QString path = JoinPath(dir.Path(), name);
    EXPECT_EQ(EncodeFileName(path), fileBytes);
    EXPECT_EQ(TestDir::ReadFile(path), QByteArray("latin-1 name"));
    RemoveByBytes(path);
}

TEST(Finder, SkipsOnlyDotEntriesAndListsNamesLikeTemporaryFiles)
{
    TestDir dir;
    dir.WriteFile(QString::fromLatin1(kTempCopyPrefix) + S("notes"), "a user's file");
    dir.WriteFile(S("..."), "three dots");
    dir.WriteFile(S("..a"), "dot dot a");
    dir.WriteFile(S(".~pairwell"), "not the whole prefix");
    dir.MakeFolder(S(".Trash-0")); // not the top of a mount: user data
    const std::map<QString, Seen> seen = Enumerate(dir.Path());
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen.count(S("...")), 1u);
    EXPECT_EQ(seen.count(S("..a")), 1u);
    EXPECT_EQ(seen.count(S(".~pairwell")), 1u);
    EXPECT_EQ(seen.count(S(".~pairwell-notes")), 1u);
    EXPECT_EQ(seen.count(S(".Trash-0")), 1u);
}

TEST(Finder, AFolderBelowItsRootIsReachedWithoutFollowingLinks)
{
    TestDir dir;
    dir.WriteFile(S("outside/secret.txt"), "secret");
    dir.WriteFile(S("root/sub/inside.txt"), "inside");
    dir.MakeLink(S("root/linked"), dir.PathOf(S("outside")));
    dir.MakeLink(S("root/sub/deeper"), dir.PathOf(S("outside")));
    const QString root = dir.PathOf(S("root"));
    CFileFind finder;
    ASSERT_TRUE(finder.Open(dir.PathOf(S("root/sub")), root));
    std::map<QString, bool> links;
    while (finder.Next())
        links[finder.GetFileName()] = finder.IsLink();
    EXPECT_EQ(links, (std::map<QString, bool>{{S("inside.txt"), false}, {S("deeper"), true}}));
    for (const char* linked : {"root/linked", "root/sub/deeper", "root/linked/x"}) {
        EXPECT_FALSE(finder.Open(dir.PathOf(S(linked)), root)) << linked;
        EXPECT_EQ(finder.OpenError(), ENOTDIR) << linked; // no folder there: not a read that failed
        EXPECT_FALSE(finder.Next());
    }
    // Outside its root, or relative: never read.
    EXPECT_FALSE(finder.Open(dir.PathOf(S("outside")), root));
    EXPECT_EQ(finder.OpenError(), EINVAL);
    EXPECT_FALSE(finder.Open(S("root/sub"), S("")));
    EXPECT_EQ(finder.OpenError(), ENOENT);

    // The read-ahead reads below the root the same way.
    CFolderReadAhead readAhead;
    readAhead.Queue(dir.PathOf(S("root/linked")), root);
    readAhead.Queue(dir.PathOf(S("root/sub")), root);
    EXPECT_FALSE(finder.Open(dir.PathOf(S("root/linked")), root));
    EXPECT_EQ(finder.OpenError(), ENOTDIR);
    ASSERT_TRUE(finder.Open(dir.PathOf(S("root/sub")), root));
    int count = 0;
    while (finder.Next())
        ++count;
    EXPECT_EQ(count, 2);
}

TEST(Finder, EntriesThatVanishDuringTheScanAreSkipped)
{
    TestDir dir;
    for (int i = 0; i < 10; ++i)
        dir.WriteFile(QStringLiteral("f%1").arg(i), "x");
    CFileFind finder;
    ASSERT_TRUE(finder.Open(dir.Path()));
    ASSERT_TRUE(finder.Next()); // the directory's listing is read now, in one block
    const QString kept = finder.GetFileName();
    for (int i = 0; i < 10; ++i) {
        const QString path = dir.PathOf(QStringLiteral("f%1").arg(i));
        if (GetLastComponent(path) != kept) {
            ASSERT_EQ(::unlink(EncodeFileName(path).constData()), 0);
        }
    }
    EXPECT_FALSE(finder.Next());
}

TEST(Finder, FolderThatCannotBeEnumeratedFindsNothing)
{
    TestDir dir;
    const QString file = dir.WriteFile(S("file"), "x");
    CFileFind finder;
    EXPECT_FALSE(finder.Open(dir.PathOf(S("missing"))));
    EXPECT_FALSE(finder.Next());
    EXPECT_FALSE(finder.Open(file));
    EXPECT_FALSE(finder.Next());
    EXPECT_FALSE(finder.Open(S("")));
    EXPECT_FALSE(finder.Next());

    // An empty folder opens and has no entries.
    ASSERT_TRUE(finder.Open(dir.MakeFolder(S("empty"))));
    EXPECT_FALSE(finder.Next());

    // The folder itself may be a link; it is followed.
    dir.WriteFile(S("real/x.txt"), "1");
    ASSERT_TRUE(finder.Open(dir.MakeLink(S("linked"), dir.PathOf(S("real")))));
    ASSERT_TRUE(finder.Next());
    EXPECT_EQ(finder.GetFileName(), S("x.txt"));
    EXPECT_FALSE(finder.Next());
    finder.Close();
    EXPECT_FALSE(finder.Next());
}

TEST(Finder, FtpPathsHaveNoEnumerator)
{
    EXPECT_EQ(CreateFinder(S("ftp://host/folder")), nullptr);
    EXPECT_EQ(CreateFinder(S("ftp://")), nullptr);
    // The test is case-sensitive and needs all six characters.
    for (const char* path : {"FTP://host/folder", "Ftp://x", "ftp:/x", "ftp:"}) {
        std::unique_ptr<CFileFind> finder = CreateFinder(S(path));
        ASSERT_NE(finder, nullptr) << path;
        EXPECT_FALSE(finder->Open(S(path)) && finder->Next()) << path;
    }
}
