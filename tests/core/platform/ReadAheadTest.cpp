// Folders read ahead on a second thread: an open takes exactly the entries
// it would have read itself, in the same order, also from a folder too large
// to be held whole, and reads by itself what was not read ahead.
#include "support/TestDir.h"

#include "core/platform/FileName.h"
#include "core/platform/Finder.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <tuple>
#include <vector>

namespace {

using Entry = std::tuple<QString, quint32, qint64, quint64>;

std::vector<Entry> Enumerate(const QString& folder, bool* opened = nullptr)
{
    std::vector<Entry> entries;
    CFileFind finder;
    const bool open = finder.Open(folder);
    if (opened)
        *opened = open;
    while (open && finder.Next())
        entries.emplace_back(
            finder.GetFileName(), finder.GetAttributes(), finder.GetLastWriteTime(), finder.GetLength());
    return entries;
}

QString S(const char* text)
{
    return QString::fromUtf8(text);
}

class ReadAhead : public ::testing::Test
{
protected:
    void SetUp() override
    {
        small = dir.MakeFolder(S("small"));
        dir.WriteFile(S("small/a.txt"), "aaa", 1'600'000'000);
        dir.WriteFile(S("small/.hidden"), "h", 1'600'000'001);
        dir.MakeFolder(S("small/sub"));
        dir.MakeLink(S("small/link"), S("a.txt"));
        dir.WriteFile(S("small/") + QString(QChar(0xDC80 + 0xE9)) + S("-undecodable"), "u");
        large = dir.MakeFolder(S("large"));
        for (int i = 0; i < 5000; ++i)
            dir.WriteFile(QStringLiteral("large/f%1").arg(i));
    }

    TestDir dir;
    QString small;
    QString large;
};

} // namespace

TEST_F(ReadAhead, AnOpenTakesTheSameEntriesAsWithoutIt)
{
    const std::vector<Entry> plainSmall = Enumerate(small);
    const std::vector<Entry> plainLarge = Enumerate(large);
    ASSERT_EQ(plainSmall.size(), 5u);
    ASSERT_EQ(plainLarge.size(), 5000u);
    // Read over several blocks of the folder, every name once.
    QStringList names;
    for (const Entry& entry : plainLarge)
        names << std::get<0>(entry);
    names.sort();
    QStringList written;
    for (int i = 0; i < 5000; ++i)
        written << QStringLiteral("f%1").arg(i);
    written.sort();
    EXPECT_EQ(names, written);

    EXPECT_EQ(CFolderReadAhead::Current(), nullptr);
    {
        CFolderReadAhead readAhead;
        EXPECT_EQ(CFolderReadAhead::Current(), &readAhead);
        // A pair whose two folders are one queues the folder twice.
        for (const QString& folder : {small, small, large, dir.PathOf(S("missing"))})
            readAhead.Queue(folder);
        CFileFind finder;
        ASSERT_TRUE(finder.Open(small));
        // The files among the entries read ahead, where the folder was read ahead by then.
        EXPECT_TRUE(finder.FilesReadAhead() == 0 || finder.FilesReadAhead() == 4) << finder.FilesReadAhead();
        finder.Close();
        EXPECT_EQ(Enumerate(small), plainSmall);
        EXPECT_EQ(Enumerate(large), plainLarge); // more entries than are read ahead: the rest from the folder
        bool opened = true;
        EXPECT_TRUE(Enumerate(dir.PathOf(S("missing")), &opened).empty());
        EXPECT_FALSE(opened);
        // A folder that was not queued is read by the open itself; one taken is read again.
        EXPECT_EQ(Enumerate(small), plainSmall);
        EXPECT_EQ(Enumerate(dir.PathOf(S("small/sub"))), std::vector<Entry>());
    }
    EXPECT_EQ(CFolderReadAhead::Current(), nullptr);
}

TEST_F(ReadAhead, FoldersPassedOverAreDroppedAndAnOpenStillSeesTheFolder)
{
    CFolderReadAhead readAhead;
    readAhead.Queue(small);
    readAhead.Queue(large);
    EXPECT_EQ(Enumerate(large).size(), 5000u); // the walk passed over small: what was read of it goes
    dir.WriteFile(S("small/later.txt"), "l");
    EXPECT_EQ(Enumerate(small).size(), 6u); // no longer queued: read afresh
    // An abandoned partial read of the large folder leaves nothing open behind (checked by the sanitizers).
    readAhead.Queue(large);
}

TEST_F(ReadAhead, ReadAheadsNestAndAFinderLeftHalfWayCloses)
{
    CFolderReadAhead outer;
    {
        CFolderReadAhead inner;
        EXPECT_EQ(CFolderReadAhead::Current(), &inner);
        inner.Queue(large);
        CFileFind finder;
        ASSERT_TRUE(finder.Open(large));
        ASSERT_TRUE(finder.Next()); // left after one entry, with the rest still open
    }
    EXPECT_EQ(CFolderReadAhead::Current(), &outer);
    outer.Queue(small);
    EXPECT_EQ(Enumerate(small).size(), 5u);
}
