#include "core/engine/Keys.h"
#include "core/filters/FilterSet.h"
#include "core/model/CAppProject.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/model/NodePath.h"
#include "core/model/ProjectArchive.h"
#include "core/platform/FileName.h"
#include "core/settings/CAppOptionSync.h"
#include "support/TestDir.h"

#include <QSysInfo>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// A document with one project over two real folders, and the process-wide
// options and filters reset around each test.
class ProjectTree : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GlobalOptionSync().Flags = SyncFlag::Default;
        GlobalFilterSet().RemoveAll();
        projectDir = dir.MakeFolder(QStringLiteral("left/Work"));
        targetDir = dir.MakeFolder(QStringLiteral("right/Work"));
    }
    void TearDown() override
    {
        GlobalOptionSync().Flags = SyncFlag::Default;
        GlobalFilterSet().RemoveAll();
    }

    CSyncProject& AddProject()
    {
        auto node = std::make_unique<CSyncProject>(&doc.GetRoot());
        node->SetFolders(projectDir, targetDir);
        return doc.GetRoot().AddChild(std::move(node));
    }

    static QStringList ChildKeys(const CProject& node)
    {
        QStringList keys;
        for (const auto& entry : node.Children())
            keys << entry.first;
        return keys;
    }

    void AddExcludeFilter(const QString& name, const QString& masks)
    {
        auto entry = std::make_unique<FilterEntry>();
        entry->ParseStoredText(name, QLatin1Char('!') + masks);
        GlobalFilterSet().append(std::move(entry));
    }

    TestDir dir;
    QString projectDir;
    QString targetDir;
    CMyDoc doc;
};

} // namespace

TEST_F(ProjectTree, KeysAndDisplayNames)
{
    CSyncProject& project = AddProject();
    EXPECT_EQ(project.GetKey(), QStringLiteral("WORK"));
    EXPECT_EQ(project.GetDisplayName(), QStringLiteral("Work"));
    EXPECT_EQ(doc.GetRoot().FindChild(QStringLiteral("work")), &project);
    EXPECT_EQ(doc.GetRoot().FindChild(QStringLiteral("WoRk")), &project);

    project.SetName(QStringLiteral("Straße"));
    EXPECT_EQ(project.GetDisplayName(), QStringLiteral("Straße"));
    EXPECT_EQ(project.GetKey(), MakeKey(QStringLiteral("Straße")));
    project.SetName(QString());
    EXPECT_EQ(project.GetName(), QString());
    EXPECT_EQ(project.GetDisplayName(), QStringLiteral("Work"));

    EXPECT_EQ(doc.GetRoot().GetDisplayName(), QSysInfo::machineHostName());
    doc.GetRoot().SetName(QStringLiteral("abc"));
    EXPECT_EQ(doc.GetRoot().GetKey(), QStringLiteral("ABC"));
}

TEST_F(ProjectTree, ChildrenAreOwnedKeyedAndOrderedByKey)
{
    CAppProject& root = doc.GetRoot();
    for (const char* name : {"zeta", "Alpha", "mid"}) {
        auto node = std::make_unique<CSyncProject>(&root);
        node->SetFolders(dir.PathOf(QString::fromLatin1(name)), QString());
        root.AddChild(std::move(node));
    }
    EXPECT_EQ(ChildKeys(root), (QStringList{"ALPHA", "MID", "ZETA"}));
    CSyncProject* mid = root.FindChild(QStringLiteral("MID"));
    ASSERT_NE(mid, nullptr);
    EXPECT_EQ(mid->GetParent(), &root);
    EXPECT_EQ(mid->GetDocument(), &doc);

    // Detaching hands the node over without destroying it; re-adding puts it back.
    std::unique_ptr<CSyncProject> detached = root.DetachChild(QStringLiteral("MID"));
    EXPECT_EQ(detached.get(), mid);
    EXPECT_EQ(detached->GetParent(), nullptr);
    EXPECT_EQ(root.FindChild(QStringLiteral("mid")), nullptr);
    root.AddChild(std::move(detached));
    EXPECT_EQ(root.FindChild(QStringLiteral("mid")), mid);

    // Removing destroys only the node itself: a stranger under the same key is not a child.
    CSyncProject stranger;
    stranger.SetFolders(dir.PathOf(QStringLiteral("mid")), QString());
    EXPECT_FALSE(root.RemoveChild(&stranger));
    EXPECT_EQ(root.FindChild(QStringLiteral("mid")), mid);
    EXPECT_TRUE(root.RemoveChild(mid));
    EXPECT_FALSE(root.RemoveChild(nullptr));
    EXPECT_EQ(ChildKeys(root), (QStringList{"ALPHA", "ZETA"}));
    root.DeleteChildren();
    EXPECT_EQ(root.ChildCount(), 0);
}

TEST_F(ProjectTree, RescanMirrorsSubfoldersOfEitherSide)
{
    dir.MakeFolder(QStringLiteral("left/Work/both/inner"));
    dir.MakeFolder(QStringLiteral("right/Work/both"));
    dir.MakeFolder(QStringLiteral("left/Work/projectOnly"));
    dir.MakeFolder(QStringLiteral("right/Work/targetOnly"));
    dir.WriteFile(QStringLiteral("left/Work/a.txt"), "a");
    dir.WriteFile(QStringLiteral("right/Work/b.txt"), "b");
    CSyncProject& project = AddProject();
    EXPECT_TRUE(project.Refresh(true));

    EXPECT_EQ(ChildKeys(project), (QStringList{"BOTH", "PROJECTONLY", "TARGETONLY"}));
    CSyncProject* targetOnly = project.FindChild(QStringLiteral("targetOnly"));
    ASSERT_NE(targetOnly, nullptr);
    EXPECT_EQ(targetOnly->GetFolder(0), projectDir + QStringLiteral("/targetOnly"));
    EXPECT_FALSE(TestDir::Exists(targetOnly->GetFolder(0)));
    EXPECT_EQ(targetOnly->GetFolder(1), targetDir + QStringLiteral("/targetOnly"));
    EXPECT_TRUE(targetOnly->HasFlag(NodeFlag::Changed));
    EXPECT_EQ(targetOnly->GetDocument(), &doc);
    // The recursive rescan reached the grandchildren.
    ASSERT_NE(project.FindChild(QStringLiteral("both")), nullptr);
    EXPECT_NE(project.FindChild(QStringLiteral("both"))->FindChild(QStringLiteral("inner")), nullptr);
    // Files are recorded for the node itself only.
    EXPECT_EQ(project.FolderStatus().Count(), 2);
    EXPECT_NE(project.FolderStatus().FindRecord(QStringLiteral("A.TXT")), nullptr);

    // A folder that vanished from one side stays; gone from both, it disappears with its settings.
    project.FindChild(QStringLiteral("both"))->ApplyFilterSetting(false, {QStringLiteral("x")}, false);
    ASSERT_EQ(::rmdir(EncodeFileName(dir.PathOf(QStringLiteral("right/Work/both"))).constData()), 0);
    project.Refresh(true);
    ASSERT_NE(project.FindChild(QStringLiteral("both")), nullptr);
    EXPECT_TRUE(project.FindChild(QStringLiteral("both"))->HasFlag(NodeFlag::OwnFilter));
    ASSERT_EQ(::rmdir(EncodeFileName(dir.PathOf(QStringLiteral("left/Work/both/inner"))).constData()), 0);
    ASSERT_EQ(::rmdir(EncodeFileName(dir.PathOf(QStringLiteral("left/Work/both"))).constData()), 0);
    project.Refresh(true);
    EXPECT_EQ(ChildKeys(project), (QStringList{"PROJECTONLY", "TARGETONLY"}));
    dir.MakeFolder(QStringLiteral("left/Work/both"));
    project.Refresh(true);
    ASSERT_NE(project.FindChild(QStringLiteral("both")), nullptr);
    EXPECT_FALSE(project.FindChild(QStringLiteral("both"))->HasFlag(NodeFlag::OwnFilter));

    // Without the recursive flag only the node itself is rescanned, and the answer is false.
    dir.MakeFolder(QStringLiteral("left/Work/projectOnly/late"));
    EXPECT_FALSE(project.Refresh(false));
    EXPECT_EQ(project.FindChild(QStringLiteral("projectOnly"))->ChildCount(), 0);
}

TEST_F(ProjectTree, ChangedTrackingAcrossRescanAndStore)
{
    dir.MakeFolder(QStringLiteral("left/Work/sub"));
    CSyncProject& project = AddProject();
    EXPECT_FALSE(doc.GetRoot().IsChanged());
    project.Refresh(true);
    EXPECT_TRUE(doc.GetRoot().IsChanged());
    EXPECT_TRUE(project.IsChanged()); // through its new child
    EXPECT_FALSE(project.HasFlag(NodeFlag::Changed));

    const QString path = dir.PathOf(QStringLiteral("doc.snc"));
    ASSERT_TRUE(doc.OnSaveDocument(path));
    EXPECT_FALSE(doc.GetRoot().IsChanged());
    project.Refresh(true); // nothing new
    EXPECT_FALSE(doc.GetRoot().IsChanged());

    // The switches mark the node only when they change.
    project.SetNoSync(false);
    EXPECT_FALSE(project.IsChanged());
    project.SetNoSync(true);
    EXPECT_TRUE(project.HasFlag(NodeFlag::Changed));
    project.SetChanged(false);
    project.SetNoSubfolderSearch(true);
    EXPECT_TRUE(project.HasFlag(NodeFlag::Changed));
}

TEST_F(ProjectTree, NoSubfolderSearchAndNoSync)
{
    dir.MakeFolder(QStringLiteral("left/Work/sub"));
    dir.WriteFile(QStringLiteral("left/Work/file.txt"), "x");
    CSyncProject& project = AddProject();
    project.Refresh(true);
    ASSERT_EQ(project.ChildCount(), 1);

    project.SetNoSubfolderSearch(true);
    project.Refresh(true);
    EXPECT_EQ(project.ChildCount(), 0);
    EXPECT_EQ(project.FolderStatus().Count(), 1);

    project.SetNoSubfolderSearch(false);
    project.SetNoSync(true);
    project.Refresh(true);
    EXPECT_EQ(project.ChildCount(), 1); // subfolders still mirrored
    EXPECT_EQ(project.FolderStatus().Count(), 0); // but no files recorded
}

TEST_F(ProjectTree, FolderFilterSetsSwitchesThatStayWhenTheOptionIsCleared)
{
    dir.MakeFolder(QStringLiteral("left/Work/obj/deep"));
    dir.MakeFolder(QStringLiteral("right/Work/keep"));
    AddExcludeFilter(QStringLiteral("objects"), QStringLiteral("obj"));
    doc.SetCommonFilterSelection({QStringLiteral("objects")});
    CSyncProject& project = AddProject();

    // Without bit 12 folder names are not filtered.
    project.Refresh(true);
    CSyncProject* obj = project.FindChild(QStringLiteral("obj"));
    ASSERT_NE(obj, nullptr);
    EXPECT_FALSE(obj->IsNoSync());
    EXPECT_EQ(obj->ChildCount(), 1);

    // With it, an existing node and a new one both get the two switches.
    GlobalOptionSync().Flags |= SyncFlag::FilterFolders;
    project.Refresh(true);
    EXPECT_TRUE(obj->IsNoSync());
    EXPECT_TRUE(obj->IsNoSubfolderSearch());
    EXPECT_EQ(obj->ChildCount(), 0);
    EXPECT_FALSE(project.FindChild(QStringLiteral("keep"))->IsNoSync());

    dir.MakeFolder(QStringLiteral("right/Work/OBJ2"));
    AddExcludeFilter(QStringLiteral("second"), QStringLiteral("obj2"));
    doc.SetCommonFilterSelection({QStringLiteral("objects"), QStringLiteral("second")});
    project.Refresh(true);
    ASSERT_NE(project.FindChild(QStringLiteral("obj2")), nullptr);
    EXPECT_TRUE(project.FindChild(QStringLiteral("obj2"))->IsNoSync());
    EXPECT_TRUE(project.FindChild(QStringLiteral("obj2"))->IsNoSubfolderSearch());

    GlobalOptionSync().Flags &= ~SyncFlag::FilterFolders;
    project.Refresh(true);
    EXPECT_TRUE(obj->IsNoSync());
    EXPECT_TRUE(obj->IsNoSubfolderSearch());

    // The node's own options decide, not the global ones.
    CSyncProject& other = *project.FindChild(QStringLiteral("keep"));
    dir.MakeFolder(QStringLiteral("right/Work/keep/obj"));
    CAppOptionSync own;
    own.Flags = SyncFlag::Default | SyncFlag::FilterFolders;
    other.ApplySyncOptions(false, own, false);
    project.Refresh(true);
    EXPECT_TRUE(other.FindChild(QStringLiteral("obj"))->IsNoSync());
}

TEST_F(ProjectTree, HiddenFoldersAndFilesFollowBits10And11)
{
    dir.MakeFolder(QStringLiteral("left/Work/.hiddenDir"));
    dir.MakeFolder(QStringLiteral("left/Work/shown"));
    dir.WriteFile(QStringLiteral("left/Work/.hiddenFile"), "h");
    dir.WriteFile(QStringLiteral("right/Work/plain"), "p");
    CSyncProject& project = AddProject();

    project.Refresh(true);
    EXPECT_EQ(ChildKeys(project), (QStringList{".HIDDENDIR", "SHOWN"}));
    EXPECT_EQ(project.FolderStatus().Count(), 2);

    GlobalOptionSync().Flags |= SyncFlag::SkipHiddenFolders;
    project.Refresh(true);
    EXPECT_EQ(ChildKeys(project), (QStringList{"SHOWN"}));
    EXPECT_EQ(project.FolderStatus().Count(), 2);

    GlobalOptionSync().Flags = SyncFlag::Default | SyncFlag::SkipHiddenFiles;
    project.Refresh(true);
    EXPECT_EQ(ChildKeys(project), (QStringList{".HIDDENDIR", "SHOWN"}));
    EXPECT_EQ(project.FolderStatus().Count(), 1);
    EXPECT_EQ(project.FolderStatus().FindRecord(QStringLiteral(".hiddenFile")), nullptr);
}

TEST_F(ProjectTree, FolderNamesDifferingInCaseShareANodeAndEachSideKeepsItsSpelling)
{
    dir.MakeFolder(QStringLiteral("left/Work/Docs/Sub"));
    dir.MakeFolder(QStringLiteral("right/Work/DOCS/Sub"));
    dir.WriteFile(QStringLiteral("right/Work/DOCS/t.txt"), "t");
    CSyncProject& project = AddProject();
    project.Refresh(true);

    ASSERT_EQ(ChildKeys(project), (QStringList{"DOCS"}));
    CSyncProject& docs = *project.FindChild(QStringLiteral("docs"));
    EXPECT_EQ(docs.GetDisplayName(), QStringLiteral("Docs"));
    EXPECT_EQ(docs.GetFolder(0), projectDir + QStringLiteral("/Docs"));
    EXPECT_EQ(docs.GetFolder(1), targetDir + QStringLiteral("/DOCS"));
    EXPECT_NE(docs.FolderStatus().FindRecord(QStringLiteral("t.txt")), nullptr);
    ASSERT_NE(docs.FindChild(QStringLiteral("sub")), nullptr);
    EXPECT_EQ(docs.FindChild(QStringLiteral("sub"))->GetFolder(1), targetDir + QStringLiteral("/DOCS/Sub"));

    // A second rescan changes nothing.
    project.Refresh(true);
    EXPECT_EQ(docs.GetFolder(1), targetDir + QStringLiteral("/DOCS"));
}

TEST_F(ProjectTree, EffectiveSettingsAndApplyingThemToASubtree)
{
    dir.MakeFolder(QStringLiteral("left/Work/a/b"));
    CSyncProject& project = AddProject();
    project.Refresh(true);
    CSyncProject& a = *project.FindChild(QStringLiteral("a"));
    CSyncProject& b = *a.FindChild(QStringLiteral("b"));

    doc.SetCommonFilterSelection({QStringLiteral("common")});
    EXPECT_EQ(b.GetEffectiveFilterSelection(), QStringList{"common"});
    EXPECT_EQ(&b.GetEffectiveSyncOptions(), &GlobalOptionSync());

    ClearChangedFlags(doc.GetRoot());
    project.ApplyFilterSetting(false, {QStringLiteral("one"), QStringLiteral("two")}, true);
    EXPECT_EQ(b.GetEffectiveFilterSelection(), (QStringList{"one", "two"}));
    EXPECT_TRUE(b.HasFlag(NodeFlag::OwnFilter));
    EXPECT_FALSE(project.IsChanged()); // settings are tracked by the caller

    CAppOptionSync own;
    own.Flags = SyncFlags::fromInt(0x0F);
    own.LogFilePath = QStringLiteral("/ignored");
    a.ApplySyncOptions(false, own, true);
    EXPECT_EQ(b.GetEffectiveSyncOptions().Flags, 0x0Fu);
    EXPECT_TRUE(b.GetEffectiveSyncOptions().LogFilePath.isEmpty());
    EXPECT_EQ(&project.GetEffectiveSyncOptions(), &GlobalOptionSync());

    // Back to the common settings, without the subtree: the descendants keep theirs.
    a.ApplyFilterSetting(true, {QStringLiteral("ignored")}, false);
    EXPECT_FALSE(a.HasFlag(NodeFlag::OwnFilter));
    EXPECT_TRUE(a.GetOwnFilterSelection().isEmpty());
    EXPECT_EQ(a.GetEffectiveFilterSelection(), QStringList{"common"});
    EXPECT_TRUE(b.HasFlag(NodeFlag::OwnFilter));
    a.ApplySyncOptions(true, own, true);
    EXPECT_FALSE(b.HasFlag(NodeFlag::OwnSyncOptions));
    EXPECT_EQ(b.GetOwnSyncOptions().Flags, 0x0Fu); // kept, but not in force

    // A subfolder created later starts with the common settings.
    dir.MakeFolder(QStringLiteral("left/Work/a/c"));
    project.ApplyFilterSetting(false, {QStringLiteral("one")}, true);
    project.Refresh(true);
    EXPECT_FALSE(a.FindChild(QStringLiteral("c"))->HasFlag(NodeFlag::OwnFilter));
}

TEST_F(ProjectTree, FolderStateUsesTheEffectiveSelection)
{
    dir.WriteFile(QStringLiteral("left/Work/same.txt"), "s", 1'600'000'000);
    dir.WriteFile(QStringLiteral("right/Work/same.txt"), "s", 1'600'000'000);
    dir.WriteFile(QStringLiteral("right/Work/newer.bak"), "n", 1'700'000'000);
    dir.WriteFile(QStringLiteral("left/Work/newer.bak"), "n", 1'600'000'000);
    CSyncProject& project = AddProject();
    EXPECT_EQ(project.GetFolderState(false), SyncSame);
    EXPECT_EQ(project.GetFolderState(true), SyncTargetNewer);
    AddExcludeFilter(QStringLiteral("backups"), QStringLiteral("*.bak"));
    project.ApplyFilterSetting(false, {QStringLiteral("backups")}, false);
    EXPECT_EQ(project.GetFolderState(true), SyncSame);

    CSyncProject lonely;
    lonely.SetFolders(dir.PathOf(QStringLiteral("missing")), targetDir);
    EXPECT_EQ(lonely.GetFolderState(true), SyncTargetOnly);
}

TEST_F(ProjectTree, EmptyTargetFolderNeverBecomesARelativePath)
{
    dir.MakeFolder(QStringLiteral("left/Work/sub"));
    auto node = std::make_unique<CSyncProject>(&doc.GetRoot());
    node->SetFolders(projectDir, QString());
    CSyncProject& project = doc.GetRoot().AddChild(std::move(node));
    project.Refresh(true);
    ASSERT_NE(project.FindChild(QStringLiteral("sub")), nullptr);
    EXPECT_TRUE(project.FindChild(QStringLiteral("sub"))->GetFolder(1).isEmpty());
}

TEST_F(ProjectTree, DeepTreesAreWalkedAndDestroyedWithoutRecursion)
{
    auto chain = std::make_unique<CSyncProject>();
    CSyncProject* last = chain.get();
    for (int i = 0; i < 100'000; ++i) {
        auto next = std::make_unique<CSyncProject>(last);
        next->SetName(QStringLiteral("n"));
        last = &last->AddChild(std::move(next));
    }
    last->SetChanged(true);
    EXPECT_TRUE(chain->IsChanged());
    int visited = 0;
    chain->ForEachDescendant([&](CSyncProject&) { ++visited; });
    EXPECT_EQ(visited, 100'000);
    chain.reset(); // must not overflow the stack
}

TEST_F(ProjectTree, NodesAreFoundByTheirPathOfDisplayNames)
{
    dir.MakeFolder(QStringLiteral("left/Work/sub/deeper"));
    CSyncProject& project = AddProject();
    project.Refresh(true);
    CSyncProject* deeper = project.FindChild(QStringLiteral("sub"))->FindChild(QStringLiteral("deeper"));
    CAppProject& root = doc.GetRoot();
    EXPECT_EQ(FindNodeByDisplayPath(root, QStringLiteral("Work/sub/deeper")), deeper);
    EXPECT_EQ(FindNodeByDisplayPath(root, QStringLiteral("/work//SUB/deeper/")), deeper);
    EXPECT_EQ(FindNodeByDisplayPath(root, QString()), &root);
    EXPECT_EQ(FindNodeByDisplayPath(root, QStringLiteral("Work/nothing")), nullptr);
    EXPECT_EQ(DisplayPathOf(*deeper), QStringLiteral("Work/sub/deeper"));

    // A custom name with a "/" in it is still reachable.
    project.SetName(QStringLiteral("A/B"));
    root.AddChild(root.DetachChild(QStringLiteral("WORK")));
    EXPECT_EQ(FindNodeByDisplayPath(root, QStringLiteral("A/B/sub")), project.FindChild(QStringLiteral("sub")));
    EXPECT_EQ(DisplayPathOf(*deeper), QStringLiteral("A/B/sub/deeper"));
}
