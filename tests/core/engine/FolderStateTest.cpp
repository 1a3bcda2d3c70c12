// The aggregated state of a folder pair, from real folders.
#include "core/engine/CDirSyncStatus.h"
#include "core/filters/FilterSet.h"
#include "support/TestDir.h"

#include <gtest/gtest.h>

namespace {

constexpr qint64 kBase = 1700000000;

class FolderState : public ::testing::Test
{
protected:
    void SetUp() override { GlobalFilterSet().RemoveAll(); }
    void TearDown() override { GlobalFilterSet().RemoveAll(); }

    QString P(const QString& name = {})
    {
        return dir.PathOf(name.isEmpty() ? QStringLiteral("p") : QStringLiteral("p/") + name);
    }
    QString T(const QString& name = {})
    {
        return dir.PathOf(name.isEmpty() ? QStringLiteral("t") : QStringLiteral("t/") + name);
    }
    void Both(const QString& name, qint64 projectTime, qint64 targetTime, const QByteArray& projectData = "data",
        const QByteArray& targetData = "data")
    {
        dir.WriteFile(QStringLiteral("p/") + name, projectData, projectTime);
        dir.WriteFile(QStringLiteral("t/") + name, targetData, targetTime);
    }
    void MakeBothFolders()
    {
        dir.MakeFolder(QStringLiteral("p"));
        dir.MakeFolder(QStringLiteral("t"));
    }
    SyncState Compute(bool scan = true, const QStringList& selection = {})
    {
        CDirSyncStatus table(P(), T());
        return table.ComputeFolderState(scan, GlobalFilterSet(), selection);
    }
    static void AddFilter(const QString& name, const QString& storedText)
    {
        auto entry = std::make_unique<FilterEntry>();
        entry->ParseStoredText(name, storedText);
        GlobalFilterSet().append(std::move(entry));
    }

    TestDir dir;
};

} // namespace

TEST_F(FolderState, ExistenceOfTheFoldersComesFirst)
{
    EXPECT_EQ(Compute(true), SyncNeitherExists);
    EXPECT_EQ(Compute(false), SyncNeitherExists);
    dir.WriteFile(QStringLiteral("t/x"), "x", kBase);
    EXPECT_EQ(Compute(true), SyncTargetOnly);
    EXPECT_EQ(Compute(false), SyncTargetOnly);

    TestDir other;
    other.WriteFile(QStringLiteral("p/x"), "x", kBase);
    CDirSyncStatus projectOnly(other.PathOf(QStringLiteral("p")), other.PathOf(QStringLiteral("t")));
    EXPECT_EQ(projectOnly.ComputeFolderState(true, GlobalFilterSet(), {}), SyncProjectOnly);
    EXPECT_EQ(projectOnly.ComputeFolderState(false, GlobalFilterSet(), {}), SyncProjectOnly);
}

TEST_F(FolderState, WithoutScanBothFoldersPresentAreSame)
{
    Both(QStringLiteral("a"), kBase + 100, kBase);
    dir.WriteFile(QStringLiteral("t/b"), "b", kBase);
    CDirSyncStatus table(P(), T());
    EXPECT_EQ(table.ComputeFolderState(false, GlobalFilterSet(), {}), SyncSame);
    // Nothing was scanned.
    EXPECT_EQ(table.Count(), 0);
    EXPECT_EQ(table.ComputeFolderState(true, GlobalFilterSet(), {}), SyncMixed);
    EXPECT_EQ(table.Count(), 2);
}

TEST_F(FolderState, EqualAndWithinToleranceAreSame)
{
    MakeBothFolders();
    EXPECT_EQ(Compute(), SyncSame);
    Both(QStringLiteral("equal"), kBase, kBase);
    Both(QStringLiteral("plus2"), kBase + 2, kBase);
    Both(QStringLiteral("minus2"), kBase - 2, kBase);
    EXPECT_EQ(Compute(), SyncSame);
}

TEST_F(FolderState, ExportImportAndMixed)
{
    Both(QStringLiteral("newer"), kBase + 3, kBase);
    dir.WriteFile(QStringLiteral("p/only"), "only", kBase);
    EXPECT_EQ(Compute(), SyncProjectNewer);

    dir.WriteFile(QStringLiteral("t/targetonly"), "t", kBase);
    EXPECT_EQ(Compute(), SyncMixed);
}

TEST_F(FolderState, FilesOnlyInTheProjectFolderNeedAnExport)
{
    dir.WriteFile(QStringLiteral("p/a"), "a", kBase);
    dir.WriteFile(QStringLiteral("p/b"), "b", kBase);
    dir.MakeFolder(QStringLiteral("t"));
    EXPECT_EQ(Compute(), SyncProjectNewer);
}

TEST_F(FolderState, TargetNewerAndTargetOnlyNeedAnImport)
{
    Both(QStringLiteral("older"), kBase, kBase + 3);
    dir.WriteFile(QStringLiteral("t/new"), "n", kBase);
    Both(QStringLiteral("same"), kBase, kBase);
    EXPECT_EQ(Compute(), SyncTargetNewer);
}

TEST_F(FolderState, SizeDifferenceAtEqualTimeIsMixed)
{
    Both(QStringLiteral("same"), kBase, kBase);
    Both(QStringLiteral("sized"), kBase, kBase, "short", "longer");
    EXPECT_EQ(Compute(), SyncMixed);
}

TEST_F(FolderState, ExcludedFilesDoNotCount)
{
    Both(QStringLiteral("same.txt"), kBase, kBase);
    Both(QStringLiteral("build.obj"), kBase, kBase + 60);
    AddFilter(QStringLiteral("objects"), QStringLiteral("!*.obj"));
    AddFilter(QStringLiteral("texts"), QStringLiteral("*.txt"));

    EXPECT_EQ(Compute(true, {}), SyncTargetNewer);
    EXPECT_EQ(Compute(true, {QStringLiteral("objects")}), SyncSame);
    // Selections name entries exactly.
    EXPECT_EQ(Compute(true, {QStringLiteral("Objects")}), SyncTargetNewer);
    // An include entry keeps only what it matches.
    EXPECT_EQ(Compute(true, {QStringLiteral("texts")}), SyncSame);

    // An excluded size difference does not make the folder mixed either.
    Both(QStringLiteral("odd.OBJ"), kBase, kBase, "a", "bb");
    EXPECT_EQ(Compute(true, {}), SyncMixed);
    EXPECT_EQ(Compute(true, {QStringLiteral("objects")}), SyncSame);
}

TEST_F(FolderState, SubfoldersAreNotFoldedIn)
{
    dir.WriteFile(QStringLiteral("p/sub/new.txt"), "n", kBase + 100);
    dir.WriteFile(QStringLiteral("t/other/x.txt"), "x", kBase);
    dir.MakeFolder(QStringLiteral("t/sub"));
    EXPECT_EQ(Compute(), SyncSame);
}

TEST_F(FolderState, TheFilterSetIsTheCallersNotTheGlobalOne)
{
    Both(QStringLiteral("same.txt"), kBase, kBase);
    Both(QStringLiteral("build.obj"), kBase, kBase + 60);
    AddFilter(QStringLiteral("objects"), QStringLiteral("!*.tmp")); // the global entry of that name keeps build.obj
    FilterSet own;
    auto entry = std::make_unique<FilterEntry>();
    entry->ParseStoredText(QStringLiteral("objects"), QStringLiteral("!*.obj"));
    own.append(std::move(entry));
    const QStringList selection{QStringLiteral("objects")};

    CDirSyncStatus table(P(), T());
    EXPECT_EQ(table.ComputeFolderState(true, own, selection), SyncSame);
    EXPECT_EQ(table.AggregateRecords(own, selection), SyncSame);
    EXPECT_EQ(table.ComputeRecordedFolderState(own, selection), SyncSame);
    EXPECT_EQ(table.AggregateRecords(GlobalFilterSet(), selection), SyncTargetNewer);
    EXPECT_EQ(table.AggregateRecords(FilterSet(), selection), SyncTargetNewer);
}
