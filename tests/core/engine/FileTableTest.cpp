// The file table of a folder pair, scanned from real folders.
#include "core/engine/CDirSyncStatus.h"
#include "core/engine/Keys.h"
#include "core/platform/FileName.h"
#include "core/platform/Finder.h"
#include "core/platform/Paths.h"
#include "support/AccessOverride.h"
#include "support/TestDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

constexpr qint64 kBase = 1700000000;

QStringList SortedNames(const CDirSyncStatus& table)
{
    QStringList names;
    for (const CFileSyncStatus* record : table.SortedRecords())
        names << record->GetName();
    return names;
}

} // namespace

TEST(FileTable, RecordsFilesDirectlyInBothFoldersButNoFolders)
{
    TestDir dir;
    dir.WriteFile(QStringLiteral("p/a.txt"), "a", kBase);
    dir.WriteFile(QStringLiteral("p/sub/deep.txt"), "d", kBase);
    dir.WriteFile(QStringLiteral("t/b.txt"), "b", kBase);
    dir.MakeFolder(QStringLiteral("t/emptysub"));

    CDirSyncStatus table(dir.PathOf(QStringLiteral("p")), dir.PathOf(QStringLiteral("t")));
    EXPECT_TRUE(table.IsEmpty());
    EXPECT_TRUE(table.ScanFiles());
    EXPECT_EQ(SortedNames(table), (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
    EXPECT_TRUE(table.Reachable[0]);
    EXPECT_TRUE(table.Reachable[1]);

    int visited = 0;
    for (const CFileSyncStatus& record : std::as_const(table)) {
        const QString side = record.Exists(0) ? QStringLiteral("p/") : QStringLiteral("t/");
        EXPECT_EQ(table.PathOf(record), dir.PathOf(side + record.GetName()));
        EXPECT_GE(record.GetPresence(), 1);
        EXPECT_EQ(record.Attributes(0) & 0x10, 0u);
        ++visited;
    }
    EXPECT_EQ(visited, 2);

    // A second scan starts from an empty table and finds the same records.
    dir.WriteFile(QStringLiteral("t/a.txt"), "a", kBase);
    EXPECT_TRUE(table.ScanFiles());
    EXPECT_EQ(table.Count(), 2);
    EXPECT_EQ(table.FindRecord(QStringLiteral("a.txt"))->GetPresence(), 3);
    EXPECT_EQ(table.FindRecord(QStringLiteral("a.txt"))->GetState(), SyncSame);

    // SetPaths empties the table but keeps the reachability of the last scan.
    table.SetPaths(QStringLiteral("/nonexistent-a"), QStringLiteral("/nonexistent-b"));
    EXPECT_EQ(table.Count(), 0);
    EXPECT_TRUE(table.Reachable[0]);
    EXPECT_EQ(table.GetFolder(0), QStringLiteral("/nonexistent-a"));
    EXPECT_EQ(table.GetFolder(1), QStringLiteral("/nonexistent-b"));
    table.ScanFiles();
    EXPECT_FALSE(table.Reachable[0]);
    EXPECT_FALSE(table.Reachable[1]);
    EXPECT_EQ(table.Count(), 0);
}

TEST(FileTable, MissingTargetFolderGivesProjectOnlyRecords)
{
    TestDir dir;
    dir.WriteFile(QStringLiteral("p/one"), "1", kBase);
    dir.WriteFile(QStringLiteral("p/two"), "2", kBase);
    dir.WriteFile(QStringLiteral("notafolder"), "x", kBase);
    CDirSyncStatus table(dir.PathOf(QStringLiteral("p")), dir.PathOf(QStringLiteral("missing")));
    table.ScanFiles();
    EXPECT_TRUE(table.Reachable[0]);
    EXPECT_FALSE(table.Reachable[1]);
    EXPECT_EQ(table.Count(), 2);
    for (const CFileSyncStatus& record : std::as_const(table)) {
        EXPECT_TRUE(record.Exists(0));
        EXPECT_FALSE(record.Exists(1));
    }
    // A file in place of the target folder is not reachable either.
    CDirSyncStatus fileTarget(dir.PathOf(QStringLiteral("p")), dir.PathOf(QStringLiteral("notafolder")));
    fileTarget.ScanFiles();
    EXPECT_FALSE(fileTarget.Reachable[1]);
    EXPECT_EQ(fileTarget.Count(), 2);
}

TEST(FileTable, NamesDifferingInLetterCasePairUp)
{
    TestDir dir;
    dir.WriteFile(QStringLiteral("p/Readme.TXT"), "same", kBase);
    dir.WriteFile(QStringLiteral("t/README.txt"), "same", kBase);
    CDirSyncStatus table(dir.PathOf(QStringLiteral("p")), dir.PathOf(QStringLiteral("t")));
    table.ScanFiles();
    ASSERT_EQ(table.Count(), 1);
    const CFileSyncStatus* record = table.FindRecord(QStringLiteral("readme.txt"));
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record, table.FindRecord(QStringLiteral("README.TXT")));
    EXPECT_TRUE(record->Exists(0));
    EXPECT_TRUE(record->Exists(1));
    EXPECT_EQ(record->GetName(), QStringLiteral("Readme.TXT"));
    EXPECT_EQ(record->Name(1).toString(), QStringLiteral("README.txt"));
    EXPECT_EQ(table.PathOf(*record), dir.PathOf(QStringLiteral("p/Readme.TXT")));
    EXPECT_EQ(record->GetState(), SyncSame);
    EXPECT_EQ(MakeKey(QStringLiteral("Readme.TXT")), QStringLiteral("README.TXT"));
}

TEST(FileTable, TwoSpellingsInOneFolderGiveTwoRecords)
{
    TestDir dir;
    dir.WriteFile(QStringLiteral("p/data.bin"), "lower", kBase);
    dir.WriteFile(QStringLiteral("p/DATA.bin"), "upper", kBase);
    dir.MakeFolder(QStringLiteral("t"));
    CDirSyncStatus table(dir.PathOf(QStringLiteral("p")), dir.PathOf(QStringLiteral("t")));
    table.ScanFiles();
    ASSERT_EQ(table.Count(), 2);
    // Neither spelling is the one "Data.Bin" means.
    EXPECT_EQ(table.FindRecord(QStringLiteral("Data.Bin")), nullptr);
    const CFileSyncStatus* lower = table.FindRecord(QStringLiteral("data.bin"));
    const CFileSyncStatus* upper = table.FindRecord(QStringLiteral("DATA.bin"));
    ASSERT_NE(lower, nullptr);
    ASSERT_NE(upper, nullptr);
    EXPECT_NE(lower, upper);
    EXPECT_EQ(lower->GetPresence(), 1);
    EXPECT_EQ(upper->Size(0), 5u);
    EXPECT_EQ(MakeKey(upper->GetName()), QStringLiteral("DATA.BIN"));
}

TEST(FileTable, NameThatIsAFileOnOneSideAndAFolderOnTheOther)
{
    TestDir dir;
    dir.WriteFile(QStringLiteral("p/thing"), "file", kBase);
    dir.WriteFile(QStringLiteral("t/thing/inside.txt"), "x", kBase);
    dir.MakeFolder(QStringLiteral("p/Other"));
    dir.WriteFile(QStringLiteral("t/other"), "file", kBase);
    CDirSyncStatus table(dir.PathOf(QStringLiteral("p")), dir.PathOf(QStringLiteral("t")));
    table.ScanFiles();
    ASSERT_EQ(table.Count(), 2);
    const CFileSyncStatus* thing = table.FindRecord(QStringLiteral("thing"));
    ASSERT_NE(thing, nullptr);
    EXPECT_EQ(thing->GetPresence(), 1);
    EXPECT_EQ(thing->GetState(), SyncProjectOnly);
    const CFileSyncStatus* other = table.FindRecord(QStringLiteral("OTHER"));
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->GetPresence(), 2);
    EXPECT_EQ(other->GetName(), QStringLiteral("other"));
    EXPECT_EQ(table.PathOf(*other), dir.PathOf(QStringLiteral("t/other")));
}

TEST(FileTable, HiddenFilesAndLinksAreEntriesOfTheirOwn)
{
    TestDir dir;
    dir.WriteFile(QStringLiteral("p/.hidden"), "h", kBase);
    dir.WriteFile(QStringLiteral("p/real.txt"), "0123456789", kBase);
    dir.WriteFile(QStringLiteral("p/folder/x.txt"), "x", kBase);
    dir.MakeLink(QStringLiteral("p/to-file"), QStringLiteral("real.txt"));
    dir.MakeLink(QStringLiteral("p/to-folder"), QStringLiteral("folder"));
    dir.MakeLink(QStringLiteral("p/dangling"), QStringLiteral("nowhere/at/all"));
    TestDir::SetMTime(dir.PathOf(QStringLiteral("p/to-file")), kBase - 50);
    dir.MakeFolder(QStringLiteral("t"));

    CDirSyncStatus table(dir.PathOf(QStringLiteral("p")), dir.PathOf(QStringLiteral("t")));
    table.ScanFiles();
    EXPECT_EQ(SortedNames(table),
        (QStringList{QStringLiteral(".hidden"), QStringLiteral("dangling"), QStringLiteral("real.txt"),
            QStringLiteral("to-file"), QStringLiteral("to-folder")}));

    const CFileSyncStatus* hidden = table.FindRecord(QStringLiteral(".hidden"));
    ASSERT_NE(hidden, nullptr);
    EXPECT_EQ(hidden->GetAttributeText(0), QStringLiteral("H"));

    // A link is compared by its own time and size, never by its target's.
    const CFileSyncStatus* link = table.FindRecord(QStringLiteral("to-file"));
    ASSERT_NE(link, nullptr);
    EXPECT_TRUE(link->GetAttributeText(0).contains(u'L'));
    EXPECT_FALSE(link->GetAttributeText(0).contains(u'D'));
    EXPECT_EQ(link->LastWriteTime(0), kBase - 50);
    EXPECT_EQ(link->Size(0), quint64(QByteArray("real.txt").size()));
    const CFileSyncStatus* folderLink = table.FindRecord(QStringLiteral("to-folder"));
    ASSERT_NE(folderLink, nullptr);
    EXPECT_TRUE(folderLink->GetAttributeText(0).contains(u'L'));
    EXPECT_FALSE(folderLink->GetAttributeText(0).contains(u'D'));
}

TEST(FileTable, UndecodableNamesRoundTripToTheirBytes)
{
    TestDir dir;
    const QByteArray bytes("caf\xE9-\xFF.dat");
    const QString name = DecodeFileName(bytes);
    dir.WriteFile(QStringLiteral("p/") + name, "payload", kBase);
    dir.WriteFile(QStringLiteral("t/") + name, "payload", kBase + 1);
    CDirSyncStatus table(dir.PathOf(QStringLiteral("p")), dir.PathOf(QStringLiteral("t")));
    table.ScanFiles();
    ASSERT_EQ(table.Count(), 1);
    const CFileSyncStatus* record = table.FindRecord(name);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(EncodeFileName(record->GetName()), bytes);
    EXPECT_EQ(record->GetState(), SyncSameWithinTolerance);
    const QString path = table.PathOf(*record);
    EXPECT_EQ(EncodeFileName(path), EncodeFileName(dir.PathOf(QStringLiteral("p"))) + '/' + bytes);
    EXPECT_EQ(TestDir::ReadFile(path), QByteArray("payload"));
}

TEST(FileTable, RecordsOutsideATableAndFoundBySide)
{
    CFileSyncStatus loose;
    EXPECT_EQ(loose.GetPresence(), 0);
    EXPECT_EQ(loose.GetState(), SyncNone);
    EXPECT_EQ(loose.ViewKey, 0u);

    TestDir dir;
    dir.WriteFile(QStringLiteral("one.txt"), "1", kBase);
    const auto finder = CreateFinder(dir.Path());
    ASSERT_NE(finder, nullptr);
    ASSERT_TRUE(finder->Open(dir.Path()));
    ASSERT_TRUE(finder->Next());
    loose.SetSide(1, *finder);
    EXPECT_EQ(loose.GetPresence(), 2);
    EXPECT_EQ(loose.GetState(), SyncTargetOnly);
    EXPECT_EQ(loose.GetName(), QStringLiteral("one.txt"));
    EXPECT_EQ(loose.LastWriteTime(1), kBase);

    // A record takes the other side's entry (spelt differently, of another
    // length); the record it came from is left empty. Moving a record (the
    // table's array grows and shrinks) keeps both spellings.
    TestDir variantDir;
    variantDir.WriteFile(QStringLiteral("ONE-MORE.TXT"), "22", kBase + 5);
    const auto variant = CreateFinder(variantDir.Path());
    ASSERT_TRUE(variant->Open(variantDir.Path()));
    ASSERT_TRUE(variant->Next());
    CFileSyncStatus paired;
    paired.SetSide(0, *variant);
    paired.TakeSide(1, loose);
    CFileSyncStatus moved = std::move(paired);
    EXPECT_EQ(moved.GetPresence(), 3);
    EXPECT_EQ(moved.Name(0).toString(), QStringLiteral("ONE-MORE.TXT"));
    EXPECT_EQ(moved.Name(1).toString(), QStringLiteral("one.txt"));
    EXPECT_EQ(moved.GetName(), QStringLiteral("ONE-MORE.TXT"));
    EXPECT_EQ(moved.Size(0), 2u);
    EXPECT_EQ(moved.Size(1), 1u);
    EXPECT_EQ(moved.LastWriteTime(1), kBase);
    EXPECT_EQ(moved.GetState(), SyncProjectNewer);
    EXPECT_EQ(loose.GetPresence(), 0);
    EXPECT_TRUE(loose.Name(1).isEmpty());
    EXPECT_EQ(loose.LastWriteTime(1), CFileEntry::InitialTime());
    EXPECT_EQ(loose.Size(1), 0u);

    // AddFound on a table: the record is created once and completed by the other side.
    CDirSyncStatus table(QStringLiteral("/p"), QStringLiteral("/t"));
    table.AddFound(1, *finder);
    table.AddFound(0, *finder);
    ASSERT_EQ(table.Count(), 1);
    EXPECT_EQ(table.FindRecord(QStringLiteral("ONE.TXT"))->GetPresence(), 3);
    EXPECT_EQ(table.PathOf(*table.FindRecord(QStringLiteral("ONE.TXT"))), QStringLiteral("/p/one.txt"));
    table.Clear();
    EXPECT_EQ(table.FindRecord(QStringLiteral("one.txt")), nullptr);
    EXPECT_EQ(finder->Next(), false);
}

TEST(FileTable, AttributeLetters)
{
    CFileEntry entry;
    EXPECT_EQ(entry.GetAttributeText(), QString());
    entry.Attributes = 0x21;
    EXPECT_EQ(entry.GetAttributeText(), QStringLiteral("RA"));
    entry.Attributes = 0x2026;
    EXPECT_EQ(entry.GetAttributeText(), QStringLiteral("HSAI"));
    entry.Attributes = 0x0008 | 0x4000 | 0x80000000u;
    EXPECT_EQ(entry.GetAttributeText(), QString());
    entry.Attributes = FileAttr::ReadOnly | FileAttr::Hidden | FileAttr::System | FileAttr::Directory | FileAttr::Link;
    EXPECT_EQ(entry.GetAttributeText(), QStringLiteral("RHSDL"));
    entry.Attributes = 0x3FFF;
    EXPECT_EQ(entry.GetAttributeText(), QStringLiteral("RHSDAENTZLCOI"));
}

TEST(FileTable, InitialTimeIs1980LocalMidnight)
{
    const QDateTime initial = QDateTime::fromSecsSinceEpoch(CFileEntry::InitialTime());
    EXPECT_EQ(initial.toLocalTime().date(), QDate(1980, 1, 1));
    EXPECT_EQ(initial.toLocalTime().time(), QTime(0, 0));
    EXPECT_EQ(CFileEntry().LastWriteTime, CFileEntry::InitialTime());
}

TEST(FileTable, ManyFilesAreAllFoundAgain)
{
    // Enough names to grow the table's index several times.
    TestDir dir;
    constexpr int kCount = 3000;
    for (int i = 0; i < kCount; ++i) {
        dir.WriteFile(QStringLiteral("p/file%1.dat").arg(i), {}, kBase);
        if (i % 2 == 0)
            dir.WriteFile(QStringLiteral("t/FILE%1.DAT").arg(i), {}, kBase);
    }
    for (int i = 0; i < 100; ++i)
        dir.WriteFile(QStringLiteral("t/extra%1").arg(i), {}, kBase);

    CDirSyncStatus table(dir.PathOf(QStringLiteral("p")), dir.PathOf(QStringLiteral("t")));
    table.ScanFiles();
    ASSERT_EQ(table.Count(), kCount + 100);
    for (int i = 0; i < kCount; ++i) {
        const CFileSyncStatus* record = table.FindRecord(QStringLiteral("File%1.Dat").arg(i));
        ASSERT_NE(record, nullptr) << i;
        EXPECT_EQ(record->GetName(), QStringLiteral("file%1.dat").arg(i));
        EXPECT_EQ(record->GetState(), i % 2 == 0 ? SyncSame : SyncProjectOnly) << i;
    }
    EXPECT_EQ(table.FindRecord(QStringLiteral("extra99"))->GetState(), SyncTargetOnly);
    EXPECT_EQ(table.FindRecord(QStringLiteral("file3000.dat")), nullptr);
    EXPECT_EQ(table.FindRecord(QStringLiteral("extra100")), nullptr);
    const auto sorted = table.SortedRecords();
    EXPECT_EQ(sorted.size(), size_t(kCount + 100));
    EXPECT_EQ(sorted.front()->GetName(), QStringLiteral("extra0"));
}

TEST(FileTable, RoomMadeBeforehandForAnyCountFindsTheSame)
{
    TestDir dir;
    for (int i = 0; i < 40; ++i) {
        dir.WriteFile(QStringLiteral("p/f%1").arg(i), "p", kBase);
        if (i % 4 != 0)
            dir.WriteFile(QStringLiteral("t/F%1").arg(i), "t", kBase + 10);
    }
    CDirSyncStatus scanned(dir.PathOf(QStringLiteral("p")), dir.PathOf(QStringLiteral("t")));
    scanned.ScanFiles();
    ASSERT_EQ(scanned.Count(), 40);
    for (const qsizetype expected : {0, 1, 12, 40, 400}) {
        CDirSyncStatus table(scanned.GetFolder(0), scanned.GetFolder(1));
        for (int side = 0; side < 2; ++side) {
            CFileFind finder;
            ASSERT_TRUE(finder.Open(table.GetFolder(side)));
            table.ExpectFound(expected);
            while (finder.Next())
                table.AddFound(side, finder);
        }
        table.FinishScan();
        EXPECT_EQ(SortedNames(table), SortedNames(scanned)) << expected;
        for (int i = 0; i < 40; ++i) {
            const CFileSyncStatus* record = table.FindRecord(QStringLiteral("F%1").arg(i));
            ASSERT_NE(record, nullptr) << expected << " " << i;
            EXPECT_EQ(record->GetState(), i % 4 == 0 ? SyncProjectOnly : SyncTargetNewer) << expected << " " << i;
        }
    }
}

// A folder that is there but cannot be read is marked, so that nothing is
// deleted on the other side for the files its scan could not see; a folder
// that is simply missing is not.
TEST(FileTable, FolderThatCannotBeReadIsMarkedIncomplete)
{
    TestDir dir;
    dir.WriteFile(QStringLiteral("p/a.txt"), "a", kBase);
    dir.WriteFile(QStringLiteral("t/a.txt"), "a", kBase);
    dir.WriteFile(QStringLiteral("t/b.txt"), "b", kBase);
    const QString locked = dir.PathOf(QStringLiteral("p"));
    ASSERT_EQ(::chmod(EncodeFileName(locked).constData(), 0), 0);

    struct Case
    {
        QString project;
        bool incomplete;
    };
    const Case cases[] = {{locked, true}, {dir.PathOf(QStringLiteral("missing")), false}};
    for (const Case& c : cases) {
        CDirSyncStatus table(c.project, dir.PathOf(QStringLiteral("t")));
        {
            CWithoutAccessOverride asPlainUser;
            table.ScanFiles();
        }
        EXPECT_EQ(table.IsReadIncomplete(0), c.incomplete) << c.project.toStdString();
        EXPECT_FALSE(table.IsReadIncomplete(1));
        table.SetPaths(c.project, dir.PathOf(QStringLiteral("t")));
        EXPECT_FALSE(table.IsReadIncomplete());
    }
    ::chmod(EncodeFileName(locked).constData(), 0700);
}
