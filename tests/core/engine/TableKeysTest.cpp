// Keys of the file table without building them: the ASCII fast path must
// agree exactly with MakeKey, also for names beyond ASCII, and the table
// pairs and finds names as comparing upper-cased keys would.
#include "core/engine/CDirSyncStatus.h"
#include "core/engine/Keys.h"
#include "core/filters/FilterSet.h"
#include "core/platform/FileName.h"
#include "support/TestDir.h"

#include <gtest/gtest.h>

namespace {

constexpr qint64 kBase = 1700000000;

QString S(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

TEST(TableKeys, SameKeyAndHashAgreeWithMakeKey)
{
    const QStringList names{S("readme.txt"), S("README.TXT"), S("ReadMe.Txt"), S("readme.txt "), S("readme_txt"),
        S("a"), S("A"), S("b"), S(""), S("@[`{"), S("ä.txt"), S("Ä.TXT"), S("ß"), S("SS"), S("ss"), S("ﬀ"), S("FF"),
        S("ff"), S("Straße.doc"), S("STRASSE.DOC"), S("日本語.txt"), S("日本語.TXT")};
    // An undecodable byte as the scan gives it (a lone surrogate).
    const QStringList all = names + QStringList{QString(QChar(0xDC80)) + S("x"), QString(QChar(0xDC80)) + S("X")};
    for (const QString& a : all) {
        for (const QString& b : all) {
            const bool same = MakeKey(a) == MakeKey(b);
            EXPECT_EQ(SameKey(a, b), same) << a.toStdString() << " / " << b.toStdString();
            if (same) {
                EXPECT_EQ(HashOfKey(a), HashOfKey(b)) << a.toStdString() << " / " << b.toStdString();
            }
        }
    }
    // Different keys spread over the hash values (no constant hash).
    EXPECT_NE(HashOfKey(S("a")), HashOfKey(S("b")));
    EXPECT_NE(HashOfKey(S("ab")), HashOfKey(S("ba")));
}

TEST(TableKeys, UndecodableBytesKeepTheirPlaceInTheKey)
{
    const auto bytes = [](const char* name) { return DecodeFileName(QByteArray(name)); };
    const struct
    {
        QString a;
        QString b;
        bool same;
    } cases[] = {
        {bytes("na\xEFve.txt"), bytes("NA\xEFVE.TXT"), true},
        {bytes("x\xEF.txt"), bytes("x\xFE.txt"), false},
        {bytes("x\xEF.txt"), bytes("X\xFE.TXT"), false},
        {S("\xF0\x9F\x98\x80"
           "a"),
            S("\xF0\x9F\x98\x80"
              "A"),
            true}, // a surrogate pair is one character
        {QString(QChar(0xD800)) + S("a"), QString(QChar(0xD800)) + S("A"), true},
        {QString(QChar(0xD800)) + S("a"), QString(QChar(0xD801)) + S("a"), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MakeKey(c.a) == MakeKey(c.b), c.same) << c.a.toStdString() << " / " << c.b.toStdString();
        EXPECT_EQ(SameKey(c.a, c.b), c.same) << c.a.toStdString() << " / " << c.b.toStdString();
    }
}

TEST(TableKeys, NamesBeyondAsciiPairWithTheirAsciiKeys)
{
    TestDir dir;
    // "ﬀ" upper-cases to "FF" and "ß" to "SS": each pairs with the ASCII spelling on the other side.
    dir.WriteFile(S("p/ﬀ.txt"), "x", kBase);
    dir.WriteFile(S("t/FF.TXT"), "x", kBase);
    dir.WriteFile(S("p/Maß"), "y", kBase);
    dir.WriteFile(S("t/MASS"), "y", kBase + 10);
    dir.WriteFile(S("p/plain.txt"), "z", kBase);
    dir.WriteFile(S("t/PLAIN.txt"), "z", kBase);

    CDirSyncStatus table(dir.PathOf(S("p")), dir.PathOf(S("t")));
    table.ScanFiles();
    ASSERT_EQ(table.Count(), 3);
    const CFileSyncStatus* ff = table.FindRecord(S("ff.TXT"));
    ASSERT_NE(ff, nullptr);
    EXPECT_EQ(ff->GetPresence(), 3);
    EXPECT_EQ(ff->GetName(), S("ﬀ.txt"));
    const CFileSyncStatus* mass = table.FindRecord(S("mass"));
    ASSERT_NE(mass, nullptr);
    EXPECT_EQ(mass->GetPresence(), 3);
    EXPECT_EQ(mass->GetState(), SyncTargetNewer);
    EXPECT_EQ(table.FindRecord(S("Plain.TXT"))->GetState(), SyncSame);
    EXPECT_EQ(table.FindRecord(S("plain.tx")), nullptr);
}

TEST(TableKeys, ManyRecordsAreAllFoundAndScansLeaveNoSpareRoom)
{
    TestDir dir;
    for (int i = 0; i < 300; ++i)
        dir.WriteFile(QStringLiteral("p/file%1.dat").arg(i), "p", kBase);
    for (int i = 150; i < 450; ++i)
        dir.WriteFile(QStringLiteral("t/FILE%1.DAT").arg(i), "p", kBase);
    CDirSyncStatus table(dir.PathOf(S("p")), dir.PathOf(S("t")));
    table.ScanFiles();
    ASSERT_EQ(table.Count(), 450);
    for (int i = 0; i < 450; ++i) {
        const CFileSyncStatus* record = table.FindRecord(QStringLiteral("File%1.Dat").arg(i));
        ASSERT_NE(record, nullptr) << i;
        EXPECT_EQ(record->GetPresence(), i < 150 ? 1 : i < 300 ? 3 : 2) << i;
        EXPECT_EQ(table.PathOf(*record), dir.PathOf((i < 300 ? S("p/") : S("t/")) + record->GetName())) << i;
    }
    // Records are visited in the order found: the project side's first.
    qsizetype position = 0;
    for (const CFileSyncStatus& record : std::as_const(table)) {
        EXPECT_EQ(record.Exists(0), position++ < 300);
    }
}

// The recorded state stands for a scan only while the records are every file of both folders.
class RecordedFolderState : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GlobalFilterSet().RemoveAll();
        dir.WriteFile(S("p/same.txt"), "s", kBase);
        dir.WriteFile(S("t/same.txt"), "s", kBase);
    }
    void TearDown() override { GlobalFilterSet().RemoveAll(); }
    TestDir dir;
};

TEST_F(RecordedFolderState, UsesTheRecordsOfAScanOfBothFolders)
{
    CDirSyncStatus table(dir.PathOf(S("p")), dir.PathOf(S("t")));
    table.ScanFiles();
    EXPECT_TRUE(table.HoldsAllFiles());
    EXPECT_EQ(table.ComputeRecordedFolderState(GlobalFilterSet(), {}), SyncSame);

    // A file written after the scan is not seen by the recorded state, only by a new scan.
    dir.WriteFile(S("t/later.txt"), "l", kBase);
    EXPECT_EQ(table.ComputeRecordedFolderState(GlobalFilterSet(), {}), SyncSame);
    EXPECT_EQ(table.Count(), 1);
    EXPECT_EQ(table.ComputeFolderState(true, GlobalFilterSet(), {}), SyncTargetNewer);
    EXPECT_EQ(table.Count(), 2);
}

TEST_F(RecordedFolderState, ScansWhenTheRecordsAreNotAScan)
{
    dir.WriteFile(S("p/new.txt"), "n", kBase);
    CDirSyncStatus table(dir.PathOf(S("p")), dir.PathOf(S("t")));
    // Empty, never scanned: the state comes from a scan.
    EXPECT_FALSE(table.HoldsAllFiles());
    EXPECT_EQ(table.ComputeRecordedFolderState(GlobalFilterSet(), {}), SyncProjectNewer);
    EXPECT_TRUE(table.HoldsAllFiles());

    // Clear and SetPaths forget that the records were a scan.
    table.Clear();
    EXPECT_FALSE(table.HoldsAllFiles());
    EXPECT_EQ(table.ComputeRecordedFolderState(GlobalFilterSet(), {}), SyncProjectNewer);
    table.SetPaths(dir.PathOf(S("p")), dir.PathOf(S("t")));
    EXPECT_FALSE(table.HoldsAllFiles());

    // Records marked as all files, but one side was not enumerated although it exists now.
    const bool onlyProject[2] = {true, false};
    table.MarkAllFilesRecorded(onlyProject);
    EXPECT_EQ(table.ComputeRecordedFolderState(GlobalFilterSet(), {}), SyncProjectNewer);
    EXPECT_EQ(table.Count(), 2);
}

TEST_F(RecordedFolderState, ExistenceComesFirstAndFiltersApply)
{
    CDirSyncStatus missing(dir.PathOf(S("p")), dir.PathOf(S("gone")));
    EXPECT_EQ(missing.ComputeRecordedFolderState(GlobalFilterSet(), {}), SyncProjectOnly);
    CDirSyncStatus neither(dir.PathOf(S("nothing")), dir.PathOf(S("gone")));
    EXPECT_EQ(neither.ComputeRecordedFolderState(GlobalFilterSet(), {}), SyncNeitherExists);

    dir.WriteFile(S("t/skip.tmp"), "x", kBase);
    auto entry = std::make_unique<FilterEntry>();
    entry->ParseStoredText(S("Temp"), S("!*.tmp"));
    GlobalFilterSet().append(std::move(entry));
    CDirSyncStatus table(dir.PathOf(S("p")), dir.PathOf(S("t")));
    table.ScanFiles();
    EXPECT_EQ(table.ComputeRecordedFolderState(GlobalFilterSet(), {S("Temp")}), SyncSame);
    EXPECT_EQ(table.ComputeRecordedFolderState(GlobalFilterSet(), {}), SyncTargetNewer);
    EXPECT_EQ(table.AggregateRecords(GlobalFilterSet(), {}), SyncTargetNewer);
}
