// File states from real files with real modification times and sizes.
#include "core/engine/CDirSyncStatus.h"
#include "core/platform/FileName.h"
#include "support/TestDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 kBase = 1700000000;

struct Pair
{
    TestDir dir;
    QString project = dir.MakeFolder(QStringLiteral("project"));
    QString target = dir.MakeFolder(QStringLiteral("target"));

    void Write(int side, const QString& name, const QByteArray& content, qint64 mtime)
    {
        dir.WriteFile((side == 0 ? QStringLiteral("project/") : QStringLiteral("target/")) + name, content, mtime);
    }
    // The same name on both sides: project time kBase + d, target time kBase.
    void WriteBoth(const QString& name, qint64 d, qsizetype projectSize, qsizetype targetSize)
    {
        Write(0, name, QByteArray(projectSize, 'p'), kBase + d);
        Write(1, name, QByteArray(targetSize, 't'), kBase);
    }
};

SyncState StateOf(const CDirSyncStatus& table, const QString& name)
{
    const CFileSyncStatus* record = table.FindRecord(name);
    EXPECT_NE(record, nullptr) << name.toStdString();
    return record ? record->GetState() : SyncNone;
}

void MakeSparse(const QString& path, qint64 size, qint64 mtime)
{
    ASSERT_EQ(::truncate(EncodeFileName(path).constData(), size), 0);
    TestDir::SetMTime(path, mtime);
}

} // namespace

TEST(FileState, TimeDifferencesWithEqualAndDifferentSizes)
{
    Pair pair;
    struct Case
    {
        const char* name;
        qint64 d; // project time minus target time
        qsizetype projectSize;
        qsizetype targetSize;
        SyncState expected;
    };
    const Case cases[] = {
        {"same", 0, 10, 10, SyncSame},
        {"p1", 1, 10, 10, SyncSameWithinTolerance},
        {"p2", 2, 10, 10, SyncSameWithinTolerance},
        {"p3", 3, 10, 10, SyncProjectNewer},
        {"t1", -1, 10, 10, SyncSameWithinTolerance},
        {"t2", -2, 10, 10, SyncSameWithinTolerance},
        {"t3", -3, 10, 10, SyncTargetNewer},
        {"size0", 0, 11, 10, SyncSizeDiffers},
        {"size0b", 0, 0, 1, SyncSizeDiffers},
        {"sizeP1", 1, 11, 10, SyncProjectNewer},
        {"sizeP2", 2, 10, 11, SyncProjectNewer},
        {"sizeT1", -1, 11, 10, SyncTargetNewer},
        {"sizeT2", -2, 10, 11, SyncTargetNewer},
        {"sizeT10", -10, 10, 11, SyncTargetNewer},
        {"far", 86400 * 365, 10, 10, SyncProjectNewer},
    };
    for (const Case& c : cases)
        pair.WriteBoth(QString::fromLatin1(c.name), c.d, c.projectSize, c.targetSize);
    pair.Write(0, QStringLiteral("onlyP"), "x", kBase);
    pair.Write(1, QStringLiteral("onlyT"), "x", kBase);

    CDirSyncStatus table(pair.project, pair.target);
    EXPECT_TRUE(table.ScanFiles());
    EXPECT_EQ(table.Count(), qsizetype(std::size(cases)) + 2);
    for (const Case& c : cases)
        EXPECT_EQ(StateOf(table, QString::fromLatin1(c.name)), c.expected) << c.name;

    const CFileSyncStatus* onlyP = table.FindRecord(QStringLiteral("onlyP"));
    ASSERT_NE(onlyP, nullptr);
    EXPECT_EQ(onlyP->GetState(), SyncProjectOnly);
    EXPECT_EQ(onlyP->GetPresence(), 1);
    // The missing side keeps its initial values.
    EXPECT_EQ(onlyP->LastWriteTime(1), CFileEntry::InitialTime());
    EXPECT_EQ(onlyP->Size(1), 0u);
    EXPECT_TRUE(onlyP->Name(1).toString().isEmpty());

    const CFileSyncStatus* onlyT = table.FindRecord(QStringLiteral("onlyT"));
    ASSERT_NE(onlyT, nullptr);
    EXPECT_EQ(onlyT->GetState(), SyncTargetOnly);
    EXPECT_EQ(onlyT->GetPresence(), 2);
    EXPECT_EQ(GetFileStatePicture(onlyT->GetState(), true), Picture::TargetOnly);
    EXPECT_EQ(GetFileStateText(onlyT->GetState()), QStringLiteral("ターゲットにのみ存在"));
}

TEST(FileState, AttributesPlayNoPart)
{
    Pair pair;
    pair.WriteBoth(QStringLiteral("ro.txt"), 0, 5, 5);
    ASSERT_EQ(::chmod(EncodeFileName(pair.project + QStringLiteral("/ro.txt")).constData(), 0444), 0);
    CDirSyncStatus table(pair.project, pair.target);
    table.ScanFiles();
    const CFileSyncStatus* record = table.FindRecord(QStringLiteral("ro.txt"));
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->GetAttributeText(0), QStringLiteral("R"));
    EXPECT_EQ(record->GetAttributeText(1), QString());
    EXPECT_EQ(record->GetState(), SyncSame);
}

TEST(FileState, SizesAreWhole64BitValues)
{
    Pair pair;
    constexpr qint64 kFourGiBPlus10 = (qint64(4) << 30) + 10;
    constexpr qint64 kFiveGiB = qint64(5) << 30;
    // Sparse files: no disk space is used.
    pair.Write(0, QStringLiteral("big.bin"), {}, -1);
    MakeSparse(pair.project + QStringLiteral("/big.bin"), kFourGiBPlus10, kBase);
    pair.Write(1, QStringLiteral("big.bin"), QByteArray(10, 'x'), kBase);
    pair.Write(0, QStringLiteral("five.bin"), {}, -1);
    pair.Write(1, QStringLiteral("five.bin"), {}, -1);
    MakeSparse(pair.project + QStringLiteral("/five.bin"), kFiveGiB, kBase);
    MakeSparse(pair.target + QStringLiteral("/five.bin"), kFiveGiB, kBase);

    CDirSyncStatus table(pair.project, pair.target);
    table.ScanFiles();
    const CFileSyncStatus* big = table.FindRecord(QStringLiteral("big.bin"));
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->Size(0), quint64(kFourGiBPlus10));
    EXPECT_EQ(big->Size(1), 10u);
    // Truncated to 32 bits the two sizes would be equal.
    EXPECT_EQ(big->GetState(), SyncSizeDiffers);
    const CFileSyncStatus* five = table.FindRecord(QStringLiteral("five.bin"));
    ASSERT_NE(five, nullptr);
    EXPECT_EQ(five->Size(0), 5368709120u);
    EXPECT_EQ(five->GetState(), SyncSame);
}

TEST(FileState, CompareEntriesDirectly)
{
    CFileEntry p;
    CFileEntry t;
    p.Size = t.Size = (quint64(1) << 32) + 10;
    p.LastWriteTime = t.LastWriteTime = kBase;
    EXPECT_EQ(CompareEntries(p, t), SyncSame);
    t.Size = 10;
    EXPECT_EQ(CompareEntries(p, t), SyncSizeDiffers);
    // Times beyond 2038 and before 1970 are plain 64-bit seconds.
    p.LastWriteTime = qint64(4102444800); // 2100-01-01
    t.LastWriteTime = -100;
    EXPECT_EQ(CompareEntries(p, t), SyncProjectNewer);
    EXPECT_EQ(CompareEntries(t, p), SyncTargetNewer);
}

TEST(FileState, TextsAndPictures)
{
    EXPECT_EQ(GetFileStateText(SyncSame), QStringLiteral("同一"));
    EXPECT_EQ(GetFileStateText(SyncSameWithinTolerance), QStringLiteral("誤差範囲内で一致"));
    EXPECT_EQ(GetFileStateText(SyncProjectNewer), QStringLiteral("プロジェクトが最新"));
    EXPECT_EQ(GetFileStateText(SyncTargetNewer), QStringLiteral("ターゲットが最新"));
    EXPECT_EQ(GetFileStateText(SyncProjectOnly), QStringLiteral("プロジェクトにのみ存在"));
    EXPECT_EQ(GetFileStateText(SyncSizeDiffers), QStringLiteral("Size Diff"));

    // The tolerance icon depends on the display option; the text does not.
    EXPECT_EQ(GetFileStatePicture(SyncSameWithinTolerance, true), 12);
    EXPECT_EQ(GetFileStatePicture(SyncSameWithinTolerance, false), 7);
    EXPECT_EQ(GetFileStatePicture(SyncSame, true), 7);
    EXPECT_EQ(GetFileStatePicture(SyncProjectNewer, false), 10);
    EXPECT_EQ(GetFileStatePicture(SyncTargetNewer, false), 11);
    EXPECT_EQ(GetFileStatePicture(SyncProjectOnly, false), 8);
    EXPECT_EQ(GetFileStatePicture(SyncSizeDiffers, false), 14);

    EXPECT_EQ(GetFolderStatePicture(SyncSame), 7);
    EXPECT_EQ(GetFolderStatePicture(SyncSameWithinTolerance), 7);
    EXPECT_EQ(GetFolderStatePicture(SyncSizeDiffers), 7);
    EXPECT_EQ(GetFolderStatePicture(SyncMixed), 14);
    EXPECT_EQ(GetFolderStatePicture(SyncTargetOnly), 9);
    EXPECT_EQ(GetFolderStatePicture(SyncNeitherExists), -1);

    // The tree's tips say "のみ存在", the file list's "にのみ存在".
    EXPECT_EQ(GetFolderTipText(SyncProjectOnly), QStringLiteral("プロジェクトのみ存在"));
    EXPECT_EQ(GetFolderTipText(SyncTargetOnly), QStringLiteral("ターゲットのみ存在"));
    EXPECT_EQ(GetFolderTipText(SyncMixed), QStringLiteral("混在もしくは削除ファイルあり"));
    EXPECT_EQ(GetFolderTipText(SyncSame), QString());
    EXPECT_EQ(GetFolderTipText(SyncNeitherExists), QString());
    EXPECT_EQ(GetExcludedFolderTipText(), QStringLiteral("同期除外対象"));

    EXPECT_EQ(GetFilePictureTip(8), QStringLiteral("プロジェクトにのみ存在"));
    EXPECT_EQ(GetFilePictureTip(9), QStringLiteral("ターゲットにのみ存在"));
    EXPECT_EQ(GetFilePictureTip(10), QStringLiteral("プロジェクトが最新"));
    EXPECT_EQ(GetFilePictureTip(11), QStringLiteral("ターゲットが最新"));
    EXPECT_EQ(GetFilePictureTip(12), QStringLiteral("誤差範囲内で一致"));
    EXPECT_EQ(GetFilePictureTip(13), QStringLiteral("対象外"));
    EXPECT_EQ(GetFilePictureTip(7), QString());
    EXPECT_EQ(GetFilePictureTip(14), QString());
}
