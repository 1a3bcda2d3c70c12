// The window's runs take a folder pair's files from the last rescan where
// neither folder changed since: the lists equal those of fresh scans of a
// tree changed in between, and only the changed folders are read again.
#include "core/filters/FilterSet.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/model/ProjectCreation.h"
#include "core/settings/CAppOptionSync.h"
#include "core/sync/CSyncRun.h"
#include "support/TestDir.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDirIterator>
#include <QFile>

namespace {

constexpr qint64 kBase = 1700000000;

QString S(const char* text)
{
    return QString::fromUtf8(text);
}

struct Lists
{
    QStringList sources, destinations, deletions;
    bool operator==(const Lists&) const = default;
};

void PrintTo(const Lists& lists, std::ostream* out)
{
    *out << lists.sources.join(u' ').toStdString() << " -> " << lists.destinations.join(u' ').toStdString() << " / del "
         << lists.deletions.join(u' ').toStdString();
}

class UnchangedRecords : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GlobalOptionSync().Flags = SyncFlag::Default;
        GlobalFilterSet().RemoveAll();
        for (const char* sub : {"a", "b", "c", "e", "f", "f/deep"}) {
            const QString name = S(sub);
            dir.WriteFile(S("p/") + name + S("/same.txt"), "same", kBase);
            dir.WriteFile(S("t/") + name + S("/same.txt"), "same", kBase);
            dir.WriteFile(S("p/") + name + S("/newer.txt"), "newer", kBase + 100);
            dir.WriteFile(S("t/") + name + S("/newer.txt"), "older", kBase);
            dir.WriteFile(S("t/") + name + S("/extra.txt"), "extra", kBase);
        }
        dir.WriteFile(S("p/root.txt"), "r", kBase);
        // Every folder as if last changed long ago.
        SetFolderTimes(dir.PathOf(S("p")));
        SetFolderTimes(dir.PathOf(S("t")));
        NewProjectValues values;
        values.projectFolder = dir.PathOf(S("p"));
        values.targetFolder = dir.PathOf(S("t"));
        project = CreateProject(doc.GetRoot(), values);
        ASSERT_NE(project, nullptr);
        doc.GetRoot().Refresh(true);
    }
    void TearDown() override { GlobalOptionSync().Flags = SyncFlag::Default; }

    static void SetFolderTimes(const QString& top)
    {
        QDirIterator it(top, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            TestDir::SetMTime(it.next(), kBase);
        TestDir::SetMTime(top, kBase);
    }

    Lists Collect(SyncDirection direction, bool useRecords, int* fromRecords = nullptr)
    {
        CAppOptionSync options;
        options.Flags = SyncFlag::Recursive | SyncFlag::DeleteFiles | SyncFlag::NoConfirmation;
        CSyncRun run(doc);
        run.SetUseUnchangedRecords(useRecords);
        run.Collect(project, options, direction);
        if (fromRecords)
            *fromRecords = run.FoldersFromRecords();
        return {doc.GetCopySources(), doc.GetCopyDestinations(), doc.GetDeletions()};
    }

    TestDir dir;
    CMyDoc doc;
    CSyncProject* project = nullptr;
};

} // namespace

TEST_F(UnchangedRecords, ListsEqualFreshScansOfATreeChangedSinceTheRescan)
{
    // After the rescan: a file added, one deleted, one renamed, one replaced
    // by a rename over it (as editors save), a folder made on one side.
    dir.WriteFile(S("p/a/added.txt"), "added", kBase + 200);
    ASSERT_TRUE(QFile::remove(dir.PathOf(S("t/b/extra.txt"))));
    ASSERT_TRUE(QFile::rename(dir.PathOf(S("p/c/same.txt")), dir.PathOf(S("p/c/renamed.txt"))));
    dir.WriteFile(S("t/e/saved.tmp"), "edited on the target", kBase + 500);
    ASSERT_TRUE(::rename(QFile::encodeName(dir.PathOf(S("t/e/saved.tmp"))).constData(),
                    QFile::encodeName(dir.PathOf(S("t/e/newer.txt"))).constData())
        == 0);
    dir.WriteFile(S("p/root2.txt"), "r2", kBase);

    for (const SyncDirection direction : {SyncDirection::Export, SyncDirection::Import}) {
        int fromRecords = -1;
        const Lists withRecords = Collect(direction, true, &fromRecords);
        const Lists fresh = Collect(direction, false);
        EXPECT_EQ(withRecords, fresh);
        // f and f/deep did not change: their pairs come from the records alone.
        EXPECT_EQ(fromRecords, 2);
        EXPECT_FALSE(fresh.sources.isEmpty());
    }
    // What changed is in the lists: the added file, the deletion that went, the renamed file.
    const Lists exported = Collect(SyncDirection::Export, true);
    EXPECT_TRUE(exported.sources.contains(dir.PathOf(S("p/a/added.txt"))));
    EXPECT_TRUE(exported.sources.contains(dir.PathOf(S("p/c/renamed.txt"))));
    EXPECT_FALSE(exported.deletions.contains(dir.PathOf(S("t/b/extra.txt"))));
    EXPECT_TRUE(exported.sources.contains(dir.PathOf(S("p/root2.txt"))));
    // The target's newer save is not overwritten by the export's plan.
    EXPECT_FALSE(exported.sources.contains(dir.PathOf(S("p/e/newer.txt"))));
}

TEST_F(UnchangedRecords, RecordsOfAFolderChangedJustBeforeTheRescanAreNotTrusted)
{
    // Changed moments before it was read: a change in the same clock tick
    // after the read would leave the time as it is.
    TestDir::SetMTime(dir.PathOf(S("p/f")), QDateTime::currentSecsSinceEpoch());
    doc.GetRoot().Refresh(true);
    int fromRecords = -1;
    const Lists withRecords = Collect(SyncDirection::Export, true, &fromRecords);
    EXPECT_EQ(withRecords, Collect(SyncDirection::Export, false));
    // Every other folder comes from the records.
    EXPECT_EQ(fromRecords, 6);
}

TEST_F(UnchangedRecords, AFolderThatAppearedOrWentIsReadAfresh)
{
    // The target side of a folder removed, and another's project side made anew.
    ASSERT_TRUE(QDir(dir.PathOf(S("t/f/deep"))).removeRecursively());
    int fromRecords = -1;
    const Lists withRecords = Collect(SyncDirection::Export, true, &fromRecords);
    EXPECT_EQ(withRecords, Collect(SyncDirection::Export, false));
    EXPECT_TRUE(withRecords.sources.contains(dir.PathOf(S("p/f/deep/same.txt"))));
    // f itself changed (its subfolder went), and f/deep lost a side.
    EXPECT_EQ(fromRecords, 5);
}
