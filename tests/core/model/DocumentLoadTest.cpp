// Opening a document on a worker thread: the projects join the tree only
// whole, the result equals the one of an opening that waits, and a
// cancelled opening leaves neither a node nor a thread behind.
#include "core/filters/FilterSet.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/model/ProjectCreation.h"
#include "core/platform/Prompt.h"
#include "core/settings/CAppOptionSync.h"
#include "support/ProcessThreads.h"
#include "support/TestDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <functional>
#include <thread>

namespace {

constexpr qint64 kBase = 1700000000;

QString S(const char* text)
{
    return QString::fromUtf8(text);
}

// A line per node below `parent`: its path in the tree, its folders, its
// file records and whether they hold every file.
QStringList Shape(const CProject& parent)
{
    QStringList lines;
    parent.ForEachDescendant([&lines](CSyncProject& node) {
        QStringList records;
        for (const CFileSyncStatus& record : node.FolderStatus())
            records << record.GetName() + QString::number(int(record.GetState()));
        records.sort();
        lines << node.GetFolder(0) + QLatin1Char('|') + node.GetFolder(1) + QLatin1Char('|')
                + records.join(QLatin1Char(',')) + QLatin1Char('|')
                + QString::number(node.FolderStatus().HoldsAllFiles());
    });
    return lines;
}

class DocumentLoad : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GlobalOptionSync().Flags = SyncFlag::Default;
        GlobalFilterSet().RemoveAll();
    }
    void TearDown() override { GlobalOptionSync().Flags = SyncFlag::Default; }

    // A project "<name>" with `folders` subfolders of a few files each side.
    void MakeProject(CMyDoc& doc, const QString& name, int folders)
    {
        for (int i = 0; i < folders; ++i) {
            const QString sub = name + QStringLiteral("/d%1/").arg(i);
            dir.WriteFile(sub + S("a.txt"), "a", kBase);
            dir.WriteFile(sub + S("b.txt"), "b", kBase + 1);
            dir.WriteFile(name + QStringLiteral("-t/d%1/a.txt").arg(i), "a", kBase);
        }
        dir.WriteFile(name + S("-t/gone/x.txt"), "x", kBase);
        NewProjectValues values;
        values.projectFolder = dir.MakeFolder(name);
        values.targetFolder = dir.MakeFolder(name + S("-t"));
        ASSERT_NE(CreateProject(doc.GetRoot(), values), nullptr);
    }
    QString MakeDocument(int projects, int folders)
    {
        CMyDoc doc;
        doc.SetCommonFilterSelection({S("common")});
        for (int i = 0; i < projects; ++i)
            MakeProject(doc, QStringLiteral("proj%1").arg(i), folders);
        const QString path = dir.PathOf(S("doc.snc"));
        EXPECT_TRUE(doc.OnSaveDocument(path));
        return path;
    }

    TestDir dir;
};

} // namespace

TEST_F(DocumentLoad, GivesTheTreeOfAnOpeningThatWaitsOneWholeProjectAtATime)
{
    const QString path = MakeDocument(3, 20);
    CMyDoc reference;
    ASSERT_TRUE(reference.OnOpenDocument(path));

    CMyDoc doc;
    QStringList handed;
    QObject::connect(&doc, &CMyDoc::ProjectLoaded, [&](CSyncProject* project) {
        // Whole when it arrives: its subtree as the waiting opening built it.
        CSyncProject* same = reference.GetRoot().FindChild(project->GetDisplayName());
        ASSERT_NE(same, nullptr);
        EXPECT_EQ(Shape(*project), Shape(*same));
        EXPECT_EQ(project->FolderStatus().Count(), same->FolderStatus().Count());
        EXPECT_EQ(project->GetDocument(), &doc);
        project->ForEachDescendant([&doc](CSyncProject& node) { EXPECT_EQ(node.GetDocument(), &doc); });
        handed << project->GetDisplayName();
    });
    bool finished = false;
    QObject::connect(&doc, &CMyDoc::LoadFinished, [&](bool ok) { finished = ok; });
    doc.BeginOpenDocument(path);
    EXPECT_TRUE(doc.IsLoading());
    EXPECT_TRUE(doc.GetPathName().isEmpty());
    EXPECT_TRUE(doc.WaitForLoading());

    EXPECT_TRUE(finished);
    EXPECT_FALSE(doc.IsLoading());
    EXPECT_EQ(handed, (QStringList{S("proj0"), S("proj1"), S("proj2")}));
    EXPECT_EQ(doc.GetPathName(), path);
    EXPECT_EQ(doc.GetCommonFilterSelection(), QStringList{S("common")});
    EXPECT_EQ(Shape(doc.GetRoot()), Shape(reference.GetRoot()));
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(DocumentLoad, CancelledOpeningLeavesNoNodeAndNoThread)
{
    const QString path = MakeDocument(4, 150);
    const int threadsBefore = ThreadCount();
    for (int round = 0; round < 3; ++round) {
        CMyDoc doc;
        int loaded = 0;
        QObject::connect(&doc, &CMyDoc::ProjectLoaded, [&](CSyncProject*) {
            ++loaded;
            // Cancelled from the hand-over of the first project: nothing more joins.
            doc.CancelLoading();
        });
        bool finishedSignal = false;
        QObject::connect(&doc, &CMyDoc::LoadFinished, [&](bool) { finishedSignal = true; });
        doc.BeginOpenDocument(path);
        if (round == 0)
            doc.CancelLoading(); // at once, before anything was handed over
        else
            doc.WaitForLoading();
        EXPECT_FALSE(doc.IsLoading());
        EXPECT_LE(loaded, 1);
        EXPECT_EQ(doc.GetRoot().ChildCount(), 0) << round;
        EXPECT_TRUE(doc.GetPathName().isEmpty());
        EXPECT_TRUE(doc.GetCommonFilterSelection().isEmpty());
        EXPECT_FALSE(finishedSignal);
        EXPECT_EQ(ThreadCount(), threadsBefore);
    }
    // A document destroyed during its opening waits for the worker.
    {
        CMyDoc doc;
        doc.BeginOpenDocument(path);
    }
    EXPECT_EQ(ThreadCount(), threadsBefore);
}

TEST_F(DocumentLoad, ADamagedOrMissingFileIsReportedAndLeavesAnEmptyDocument)
{
    const QString damaged = dir.WriteFile(S("damaged.snc"), QByteArray("\x01\x00\xFF\xFE", 4));
    const QString missing = dir.PathOf(S("missing.snc"));
    for (const QString& path : {damaged, missing}) {
        CScriptedPrompt prompt;
        CPromptScope scope(prompt);
        prompt.Push(PromptAnswer::Ok);
        CMyDoc doc;
        bool result = true;
        QObject::connect(&doc, &CMyDoc::LoadFinished, [&](bool ok) { result = ok; });
        doc.BeginOpenDocument(path);
        EXPECT_FALSE(doc.WaitForLoading());
        EXPECT_FALSE(result);
        EXPECT_EQ(doc.GetRoot().ChildCount(), 0);
        EXPECT_TRUE(doc.GetPathName().isEmpty());
        ASSERT_EQ(prompt.Requests().size(), 1u);
        EXPECT_TRUE(prompt.Requests()[0].text.startsWith(path));
        EXPECT_EQ(doc.LastError(), prompt.Requests()[0].text);
    }
}

// ---- a rescan of an open document on the worker ---------------------------

TEST_F(DocumentLoad, RescanOnTheWorkerEqualsARescanThatWaitsOnATreeChangedMeanwhile)
{
    const QString path = MakeDocument(3, 20);
    CMyDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(path));
    CSyncProject* first = doc.GetRoot().FindChild(S("proj0"));
    ASSERT_NE(first, nullptr);
    first->SetNoSync(true); // a setting of the user's that the rescan must keep
    doc.SetModifiedFlag(true);
    // The trees change after the opening: a folder goes, one comes, files change.
    QDir(dir.PathOf(S("proj1/d3"))).removeRecursively();
    QDir(dir.PathOf(S("proj1-t/d3"))).removeRecursively();
    dir.WriteFile(S("proj1/fresh/n.txt"), "n", kBase);
    dir.WriteFile(S("proj2-t/d0/a.txt"), "changed", kBase + 50);

    QStringList handed;
    QObject::connect(&doc, &CMyDoc::ProjectLoaded, [&](CSyncProject* project) {
        project->ForEachDescendant([&doc](CSyncProject& node) { EXPECT_EQ(node.GetDocument(), &doc); });
        handed << project->GetDisplayName();
    });
    int deleting = 0;
    QObject::connect(&doc, &CMyDoc::ContentsDeleting, [&] { ++deleting; });
    doc.BeginRescan();
    EXPECT_EQ(deleting, 1); // the views let go of every node first
    EXPECT_TRUE(doc.IsLoading());
    EXPECT_TRUE(doc.IsRescanning());
    // While the worker has them, the tree holds none of them.
    EXPECT_EQ(doc.GetRoot().ChildCount(), 0);
    EXPECT_TRUE(doc.WaitForLoading());

    EXPECT_EQ(handed, (QStringList{S("proj0"), S("proj1"), S("proj2")}));
    EXPECT_EQ(doc.GetPathName(), path);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetCommonFilterSelection(), QStringList{S("common")});
    EXPECT_TRUE(doc.GetRoot().FindChild(S("proj0"))->IsNoSync());
    CMyDoc reference;
    ASSERT_TRUE(reference.OnOpenDocument(path));
    reference.GetRoot().FindChild(S("proj0"))->SetNoSync(true);
    reference.GetRoot().Refresh(true);
    EXPECT_EQ(Shape(doc.GetRoot()), Shape(reference.GetRoot()));
    EXPECT_NE(doc.GetRoot().FindChild(S("proj1"))->FindChild(S("fresh")), nullptr);
    EXPECT_EQ(doc.GetRoot().FindChild(S("proj1"))->FindChild(S("d3")), nullptr);
}

TEST_F(DocumentLoad, CancelledRescanGivesBackEveryProjectAndLeavesNoThread)
{
    const QString path = MakeDocument(4, 150);
    const int threadsBefore = ThreadCount();
    for (int round = 0; round < 3; ++round) {
        CMyDoc doc;
        ASSERT_TRUE(doc.OnOpenDocument(path));
        doc.GetRoot().FindChild(S("proj3"))->SetNoSync(true);
        const QStringList before = Shape(doc.GetRoot());
        bool finishedSignal = false;
        QObject::connect(&doc, &CMyDoc::LoadFinished, [&](bool) { finishedSignal = true; });
        if (round == 2) {
            // Cancelled from the hand-over of the first project.
            QObject::connect(&doc, &CMyDoc::ProjectLoaded, [&](CSyncProject*) { doc.CancelLoading(); });
        }
        doc.BeginRescan();
        if (round == 0)
            doc.CancelLoading(); // at once
        else if (round == 1) {
            while (doc.LoadedFolders() == 0) // the worker under way
                std::this_thread::yield();
        }
        if (round != 2)
            doc.CancelLoading();
        else
            doc.WaitForLoading();
        EXPECT_FALSE(doc.IsLoading());
        EXPECT_FALSE(finishedSignal);
        EXPECT_EQ(ThreadCount(), threadsBefore);
        // Every project is back, with its settings; the folders did not change,
        // so even a half-done rescan leaves the same tree.
        ASSERT_EQ(doc.GetRoot().ChildCount(), 4) << round;
        EXPECT_TRUE(doc.GetRoot().FindChild(S("proj3"))->IsNoSync());
        doc.GetRoot().ForEachDescendant([&doc](CSyncProject& node) { EXPECT_EQ(node.GetDocument(), &doc); });
        EXPECT_EQ(Shape(doc.GetRoot()), before) << round;
        EXPECT_EQ(doc.GetPathName(), path);
    }
}

TEST_F(DocumentLoad, RescanOfOneNodeReadsOnlyItsSubtreeAndGivesItsProjectBackWhole)
{
    const QString path = MakeDocument(3, 20);
    CMyDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(path));
    // Changes inside the node's subtree, and outside it (not to be seen).
    dir.WriteFile(S("proj1/d5/new.txt"), "n", kBase);
    dir.WriteFile(S("proj1/d5/deeper/x.txt"), "x", kBase);
    dir.WriteFile(S("proj1/top.txt"), "t", kBase);
    dir.WriteFile(S("proj0/fresh/n.txt"), "n", kBase);
    CSyncProject* project = doc.GetRoot().FindChild(S("proj1"));
    CSyncProject* node = project->FindChild(S("d5"));
    ASSERT_NE(node, nullptr);

    QList<CSyncProject*> leaving;
    QList<CSyncProject*> handed;
    QObject::connect(&doc, &CMyDoc::ProjectLeaving, [&](CSyncProject* left) { leaving << left; });
    QObject::connect(&doc, &CMyDoc::ProjectLoaded, [&](CSyncProject* back) { handed << back; });
    int deleting = 0;
    QObject::connect(&doc, &CMyDoc::ContentsDeleting, [&] { ++deleting; });
    doc.BeginRescan(*node);
    EXPECT_EQ(leaving, QList<CSyncProject*>{project});
    EXPECT_EQ(deleting, 0); // the other projects stay
    EXPECT_TRUE(doc.IsRescanning());
    EXPECT_EQ(doc.GetRoot().ChildCount(), 2);
    EXPECT_EQ(doc.GetRoot().FindChild(S("proj1")), nullptr);
    EXPECT_TRUE(doc.WaitForLoading());

    EXPECT_EQ(handed, QList<CSyncProject*>{project});
    EXPECT_EQ(doc.GetRoot().FindChild(S("proj1")), project);
    EXPECT_EQ(project->FindChild(S("d5")), node);
    EXPECT_NE(node->FindChild(S("deeper")), nullptr);
    EXPECT_EQ(doc.GetRoot().FindChild(S("proj0"))->FindChild(S("fresh")), nullptr);
    project->ForEachDescendant([&doc](CSyncProject& at) { EXPECT_EQ(at.GetDocument(), &doc); });
    // The project's own folder was not read again: its new file has no record.
    bool topRecorded = false;
    for (const CFileSyncStatus& record : project->FolderStatus())
        topRecorded = topRecorded || record.GetName() == S("top.txt");
    EXPECT_FALSE(topRecorded);
    // Below the project, the same as a rescan on this thread of the changed folders.
    CMyDoc reference;
    ASSERT_TRUE(reference.OnOpenDocument(path));
    EXPECT_EQ(Shape(*project), Shape(*reference.GetRoot().FindChild(S("proj1"))));
}

TEST_F(DocumentLoad, NewProjectJoinsWholeAndARescanOfAllTakesOverFromOneProject)
{
    const QString path = MakeDocument(2, 20);
    CMyDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(path));
    CMyDoc reference;
    ASSERT_TRUE(reference.OnOpenDocument(path));
    MakeProject(reference, S("added"), 30);

    NewProjectValues values{dir.PathOf(S("added")), dir.PathOf(S("added-t")), true};
    std::unique_ptr<CSyncProject> fresh = NewProject(doc.GetRoot(), values);
    ASSERT_NE(fresh, nullptr);
    QList<CSyncProject*> handed;
    QObject::connect(&doc, &CMyDoc::ProjectLoaded, [&](CSyncProject* back) { handed << back; });
    CSyncProject* added = doc.BeginAddProject(std::move(fresh));
    EXPECT_TRUE(doc.IsRescanning());
    EXPECT_EQ(doc.GetRoot().ChildCount(), 2);
    EXPECT_TRUE(doc.WaitForLoading());
    EXPECT_EQ(handed, QList<CSyncProject*>{added});
    EXPECT_EQ(doc.GetRoot().FindChild(S("added")), added);
    EXPECT_EQ(Shape(doc.GetRoot()), Shape(reference.GetRoot()));

    // A rescan of everything asked for during the rescan of one node stops it and reads all.
    dir.WriteFile(S("proj0/late/n.txt"), "n", kBase);
    doc.BeginRescan(*added);
    doc.BeginRescan();
    EXPECT_EQ(doc.GetRoot().ChildCount(), 0);
    EXPECT_TRUE(doc.WaitForLoading());
    reference.GetRoot().Refresh(true);
    EXPECT_EQ(Shape(doc.GetRoot()), Shape(reference.GetRoot()));
    EXPECT_NE(doc.GetRoot().FindChild(S("proj0"))->FindChild(S("late")), nullptr);
}
