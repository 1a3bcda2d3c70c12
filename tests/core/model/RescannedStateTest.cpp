// The folder states right after a rescan: taken from the rescan's own records
// when they hold every file of both folders, so that the command-line tree
// enumerates each folder once; scanned afresh when the rescan left files out.
#include "core/filters/FilterSet.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/platform/FileName.h"
#include "core/settings/CAppOptionSync.h"
#include "support/AccessOverride.h"
#include "support/TestDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 kBase = 1700000000;

QString S(const char* text)
{
    return QString::fromUtf8(text);
}

class RescannedState : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GlobalOptionSync().Flags = SyncFlag::Default;
        GlobalFilterSet().RemoveAll();
        auto node = std::make_unique<CSyncProject>(&doc.GetRoot());
        node->SetFolders(dir.MakeFolder(S("p")), dir.MakeFolder(S("t")));
        project = &doc.GetRoot().AddChild(std::move(node));
    }
    void TearDown() override
    {
        GlobalOptionSync().Flags = SyncFlag::Default;
        GlobalFilterSet().RemoveAll();
    }

    CSyncProject& Child(const char* name) { return *project->FindChild(S(name)); }

    TestDir dir;
    CMyDoc doc;
    CSyncProject* project = nullptr;
};

} // namespace

TEST_F(RescannedState, EqualsTheScannedStateOfEveryFolder)
{
    dir.WriteFile(S("p/same.txt"), "s", kBase);
    dir.WriteFile(S("t/same.txt"), "s", kBase + 1);
    dir.WriteFile(S("p/export/new.txt"), "n", kBase);
    dir.MakeFolder(S("t/export"));
    dir.WriteFile(S("p/import/old.txt"), "o", kBase);
    dir.WriteFile(S("t/import/old.txt"), "o", kBase + 100);
    dir.WriteFile(S("p/mixed/size.txt"), "short", kBase);
    dir.WriteFile(S("t/mixed/size.txt"), "longer", kBase);
    dir.WriteFile(S("p/onlyproject/x"), "x", kBase);
    dir.WriteFile(S("t/onlytarget/x"), "x", kBase);
    dir.MakeFolder(S("p/empty"));
    dir.MakeFolder(S("t/empty"));
    doc.GetRoot().Refresh(true);

    const std::pair<const char*, SyncState> expected[] = {{"export", SyncProjectNewer}, {"import", SyncTargetNewer},
        {"mixed", SyncMixed}, {"onlyproject", SyncProjectOnly}, {"onlytarget", SyncTargetOnly}, {"empty", SyncSame}};
    EXPECT_EQ(project->GetRescannedFolderState(), SyncSame);
    for (const auto& [name, state] : expected) {
        EXPECT_EQ(Child(name).GetRescannedFolderState(), state) << name;
        EXPECT_EQ(Child(name).GetFolderState(true), state) << name;
    }
}

TEST_F(RescannedState, TakesTheRescansRecordsWithoutScanningAgain)
{
    dir.WriteFile(S("p/a.txt"), "a", kBase);
    dir.WriteFile(S("t/a.txt"), "a", kBase);
    doc.GetRoot().Refresh(true);
    // Written after the rescan: the state stays the rescan's, as it is taken
    // right after it; the scanned state sees the file.
    dir.WriteFile(S("t/b.txt"), "b", kBase);
    EXPECT_EQ(project->GetRescannedFolderState(), SyncSame);
    EXPECT_EQ(project->GetFolderState(true), SyncTargetNewer);
    // That scan replaced the records: from now on they include the file.
    EXPECT_EQ(project->GetRescannedFolderState(), SyncTargetNewer);

    // The enumeration stands for the existence test too: a subfolder whose
    // target folder went after the rescan keeps the rescan's state.
    dir.WriteFile(S("p/sub/c.txt"), "c", kBase);
    dir.WriteFile(S("t/sub/c.txt"), "c", kBase);
    doc.GetRoot().Refresh(true);
    CSyncProject& sub = Child("sub");
    ASSERT_EQ(::unlink(dir.PathOf(S("t/sub/c.txt")).toUtf8().constData()), 0);
    ASSERT_EQ(::rmdir(dir.PathOf(S("t/sub")).toUtf8().constData()), 0);
    EXPECT_EQ(sub.GetRescannedFolderState(), SyncSame);
    EXPECT_EQ(sub.GetFolderState(false), SyncProjectOnly);
}

TEST_F(RescannedState, ScansAgainWhenTheRescanLeftHiddenFilesOut)
{
    GlobalOptionSync().Flags = SyncFlag::Default | SyncFlag::SkipHiddenFiles;
    dir.WriteFile(S("p/a.txt"), "a", kBase);
    dir.WriteFile(S("t/a.txt"), "a", kBase);
    dir.WriteFile(S("t/.hidden"), "h", kBase);
    doc.GetRoot().Refresh(true);
    EXPECT_EQ(project->FolderStatus().Count(), 1);
    // The folder's state counts every file, hidden ones too, as a scan does.
    EXPECT_EQ(project->GetRescannedFolderState(), SyncTargetNewer);
    EXPECT_EQ(project->GetFolderState(true), SyncTargetNewer);

    // Without hidden files the rescan left nothing out and its records are used.
    ASSERT_EQ(::unlink(dir.PathOf(S("t/.hidden")).toUtf8().constData()), 0);
    doc.GetRoot().Refresh(true);
    EXPECT_TRUE(project->FolderStatus().HoldsAllFiles());
    EXPECT_EQ(project->GetRescannedFolderState(), SyncSame);
}

TEST_F(RescannedState, ANoSyncNodeRecordsNothingAndIsScannedWhenAsked)
{
    dir.WriteFile(S("p/sub/a.txt"), "a", kBase);
    dir.MakeFolder(S("t/sub"));
    doc.GetRoot().Refresh(true);
    CSyncProject& sub = Child("sub");
    sub.SetNoSync(true);
    doc.GetRoot().Refresh(true);
    EXPECT_EQ(sub.FolderStatus().Count(), 0);
    EXPECT_FALSE(sub.FolderStatus().HoldsAllFiles());
    EXPECT_EQ(sub.GetRescannedFolderState(), SyncProjectNewer);
}

// A side that cannot be read proves nothing about the subfolders it holds:
// their nodes, with their own settings, stay until it can be read again.
TEST_F(RescannedState, SubfoldersStayWhileTheirFolderCannotBeRead)
{
    dir.MakeFolder(S("p/sub"));
    project->Refresh(true);
    Child("sub").SetNoSync(true);
    const QByteArray locked = EncodeFileName(project->GetFolder(0));
    ASSERT_EQ(::chmod(locked.constData(), 0), 0);
    {
        CWithoutAccessOverride asPlainUser;
        project->Refresh(true);
    }
    ::chmod(locked.constData(), 0700);
    EXPECT_TRUE(project->FolderStatus().IsReadIncomplete(0));
    ASSERT_NE(project->FindChild(S("sub")), nullptr);
    EXPECT_TRUE(Child("sub").IsNoSync());

    project->Refresh(true);
    EXPECT_FALSE(project->FolderStatus().IsReadIncomplete());
    EXPECT_TRUE(Child("sub").IsNoSync());
}
