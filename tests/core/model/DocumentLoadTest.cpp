// Opening a document on a worker thread: the tree fills folder by folder,
// each node final when it joins, parents first; the result equals the one of
// an opening that waits, and a cancelled opening or rescan leaves neither a
// node lost nor a thread behind.
#include "core/model/DocumentLoad.h"
#include "core/filters/FilterSet.h"
#include "core/model/CAppProject.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/model/PairRoots.h"
#include "core/model/ProjectCreation.h"
#include "core/platform/Prompt.h"
#include "core/settings/CAppOptionSync.h"
#include "support/ProcessThreads.h"
#include "support/TestDir.h"
#include "support/WorkerGate.h"

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

// The line of one node: its folders, its flags (Changed included), its file
// records and whether they hold every file.
QString NodeLine(const CSyncProject& node)
{
    QStringList records;
    for (const CFileSyncStatus& record : node.FolderStatus())
        records << record.GetName() + QString::number(int(record.GetState()));
    records.sort();
    return node.GetFolder(0) + QLatin1Char('|') + node.GetFolder(1) + QLatin1Char('|')
        + QString::number(node.GetFlags().toInt(), 16) + QLatin1Char('|') + records.join(QLatin1Char(','))
        + QLatin1Char('|') + QString::number(node.FolderStatus().HoldsAllFiles());
}

// The keys that lead from the root to `node`.
QString KeyPath(const CProject& node)
{
    QString path;
    for (const CProject* at = &node; at->GetParent(); at = at->GetParent()) {
        for (const auto& [key, child] : at->GetParent()->Children()) {
            if (child.get() == at)
                path.prepend(QLatin1Char('/') + key);
        }
    }
    return path;
}

// A line per node below `parent`, parents first: where it is stored (the
// keys from the root) and its NodeLine.
QStringList Shape(const CProject& parent)
{
    QStringList lines;
    parent.ForEachDescendant(
        [&lines](CSyncProject& node) { lines << KeyPath(node) + QLatin1Char('|') + NodeLine(node); });
    return lines;
}

// The node stored under the key path `path` below `root` (null for none).
const CSyncProject* AtKeyPath(const CProject& root, const QString& path)
{
    const CProject* at = &root;
    for (const QString& key : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const auto found = at->Children().find(key);
        if (found == at->Children().end())
            return nullptr;
        at = found->second.get();
    }
    return at == &root ? nullptr : static_cast<const CSyncProject*>(at);
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

TEST_F(DocumentLoad, GivesTheTreeOfAnOpeningThatWaitsFolderByFolderParentsFirst)
{
    const QString path = MakeDocument(3, 20);
    CMyDoc reference;
    ASSERT_TRUE(reference.OnOpenDocument(path));

    CMyDoc doc;
    QStringList projects;
    int joined = 0;
    QObject::connect(&doc, &CMyDoc::FolderLoaded, [&](CSyncProject* node) {
        // Final when it joins, under a parent already in the tree.
        const QString at = KeyPath(*node);
        const CSyncProject* same = AtKeyPath(reference.GetRoot(), at);
        ASSERT_NE(same, nullptr) << at.toStdString();
        EXPECT_EQ(NodeLine(*node), NodeLine(*same));
        EXPECT_EQ(node->GetDocument(), &doc);
        const CProject* top = node;
        while (top->GetParent())
            top = top->GetParent();
        EXPECT_EQ(top, &doc.GetRoot());
        // Its children come after it, or are already there from the same batch.
        EXPECT_EQ(doc.ChildrenToCome(node), node->ChildCount() == 0 && same->ChildCount() > 0);
        if (node->GetParent() == &doc.GetRoot())
            projects << node->GetDisplayName();
        ++joined;
    });
    bool finished = false;
    QObject::connect(&doc, &CMyDoc::LoadFinished, [&](bool ok) { finished = ok; });
    doc.BeginOpenDocument(path);
    EXPECT_TRUE(doc.IsLoading());
    EXPECT_TRUE(doc.GetPathName().isEmpty());
    EXPECT_TRUE(doc.WaitForLoading());

    EXPECT_TRUE(finished);
    EXPECT_FALSE(doc.IsLoading());
    EXPECT_EQ(projects, (QStringList{S("proj0"), S("proj1"), S("proj2")}));
    EXPECT_EQ(joined, Shape(reference.GetRoot()).size());
    EXPECT_EQ(doc.GetPathName(), path);
    EXPECT_EQ(doc.GetCommonFilterSelection(), QStringList{S("common")});
    EXPECT_EQ(Shape(doc.GetRoot()), Shape(reference.GetRoot()));
    doc.GetRoot().ForEachDescendant([&doc](CSyncProject& node) { EXPECT_FALSE(doc.ChildrenToCome(&node)); });
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(DocumentLoad, CancelledOpeningLeavesNoNodeAndNoThread)
{
    const QString path = MakeDocument(4, 150);
    const int threadsBefore = ThreadCount();
    for (int round = 0; round < 3; ++round) {
        CMyDoc doc;
        int loaded = 0;
        QObject::connect(&doc, &CMyDoc::FolderLoaded, [&](CSyncProject*) {
            ++loaded;
            // Cancelled from the hand-over of the first node: nothing more joins.
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
    // Two folders whose names differ only in case (two nodes, one under a
    // variant key), and a folder whose spelling changed on one side.
    dir.WriteFile(S("proj2/Dup/u.txt"), "u", kBase);
    dir.WriteFile(S("proj2/dup/l.txt"), "l", kBase);
    dir.MakeFolder(S("proj2-t/dup"));
    ASSERT_TRUE(QDir().rename(dir.PathOf(S("proj0-t/d1")), dir.PathOf(S("proj0-t/D1"))));

    QStringList handed;
    QObject::connect(&doc, &CMyDoc::FolderLoaded, [&](CSyncProject* node) {
        EXPECT_EQ(node->GetDocument(), &doc);
        if (node->GetParent() == &doc.GetRoot())
            handed << node->GetDisplayName();
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
            // Cancelled from the hand-over of the first node.
            QObject::connect(&doc, &CMyDoc::FolderLoaded, [&](CSyncProject*) { doc.CancelLoading(); });
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

TEST_F(DocumentLoad, RescanOfOneNodeReadsOnlyItsSubtreeAndGivesItBackFolderByFolder)
{
    const QString path = MakeDocument(3, 20);
    CMyDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(path));
    // Changes inside the node's subtree, and outside it (not to be seen).
    dir.WriteFile(S("proj1/d5/new.txt"), "n", kBase);
    dir.WriteFile(S("proj1/d5/deeper/x.txt"), "x", kBase);
    dir.WriteFile(S("proj1/d5/deeper/more/y.txt"), "y", kBase);
    dir.WriteFile(S("proj1/top.txt"), "t", kBase);
    dir.WriteFile(S("proj0/fresh/n.txt"), "n", kBase);
    CSyncProject* project = doc.GetRoot().FindChild(S("proj1"));
    CSyncProject* node = project->FindChild(S("d5"));
    ASSERT_NE(node, nullptr);
    const QString nodeKey = KeyPath(*node);

    QList<CSyncProject*> leaving;
    QList<CSyncProject*> handed;
    QObject::connect(&doc, &CMyDoc::ProjectLeaving, [&](CSyncProject* left) { leaving << left; });
    QObject::connect(&doc, &CMyDoc::FolderLoaded, [&](CSyncProject* back) {
        EXPECT_TRUE(node->Holds(back));
        handed << back;
    });
    int deleting = 0;
    QObject::connect(&doc, &CMyDoc::ContentsDeleting, [&] { ++deleting; });
    doc.BeginRescan(*node);
    EXPECT_EQ(leaving, QList<CSyncProject*>{node});
    EXPECT_EQ(deleting, 0); // the rest of the tree stays
    EXPECT_TRUE(doc.IsRescanning());
    EXPECT_EQ(doc.GetRoot().ChildCount(), 3);
    EXPECT_EQ(doc.GetRoot().FindChild(S("proj1")), project);
    EXPECT_EQ(project->FindChild(S("d5")), nullptr);
    EXPECT_EQ(project->ChildCount(), 20);
    EXPECT_TRUE(doc.WaitForLoading());

    // The node first, then its subtree, parents first.
    EXPECT_EQ(handed,
        (QList<CSyncProject*>{node, node->FindChild(S("deeper")),
            node->FindChild(S("deeper")) ? node->FindChild(S("deeper"))->FindChild(S("more")) : nullptr}));
    EXPECT_EQ(project->FindChild(S("d5")), node);
    EXPECT_EQ(KeyPath(*node), nodeKey);
    EXPECT_EQ(doc.GetRoot().FindChild(S("proj0"))->FindChild(S("fresh")), nullptr);
    project->ForEachDescendant([&doc](CSyncProject& at) { EXPECT_EQ(at.GetDocument(), &doc); });
    // The project's own folder was not read again: its new file has no record.
    bool topRecorded = false;
    for (const CFileSyncStatus& record : project->FolderStatus())
        topRecorded = topRecorded || record.GetName() == S("top.txt");
    EXPECT_FALSE(topRecorded);
    // The node's subtree, the same as a rescan on this thread of the changed folders.
    CMyDoc reference;
    ASSERT_TRUE(reference.OnOpenDocument(path));
    EXPECT_EQ(Shape(*node), Shape(*reference.GetRoot().FindChild(S("proj1"))->FindChild(S("d5"))));
}

TEST_F(DocumentLoad, NewProjectJoinsFolderByFolderAndARescanOfAllTakesOverFromOneProject)
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
    QObject::connect(&doc, &CMyDoc::FolderLoaded, [&](CSyncProject* back) { handed << back; });
    CSyncProject* added = doc.BeginAddProject(std::move(fresh));
    EXPECT_TRUE(doc.IsRescanning());
    EXPECT_EQ(doc.GetRoot().ChildCount(), 2);
    EXPECT_TRUE(doc.WaitForLoading());
    ASSERT_EQ(handed.size(), 1 + 31); // the project, its 30 folders and "gone"
    EXPECT_EQ(handed.front(), added);
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

// The worker held after its k-th node: everything handed over, taken or not,
// and everything still waiting comes back under its parent.
TEST_F(DocumentLoad, CancelAtAnyPointOfARescanLosesNoNodeAndOfAnOpeningLeavesNone)
{
    const QString path = MakeDocument(3, 40);
    const int threadsBefore = ThreadCount();
    for (const int at : {1, 2, 7, 41, 60, 100}) {
        SCOPED_TRACE(at);
        {
            CMyDoc doc;
            ASSERT_TRUE(doc.OnOpenDocument(path));
            doc.GetRoot().FindChild(S("proj1"))->FindChild(S("d7"))->SetNoSync(true);
            doc.GetRoot().Refresh(true); // what any rescan of this tree gives now
            const QStringList before = Shape(doc.GetRoot());
            CWorkerGate gate(at);
            if (at % 2 == 0)
                doc.BeginRescan();
            else
                doc.BeginRescan(*doc.GetRoot().FindChild(S("proj1")));
            gate.WaitHeld();
            gate.Release();
            doc.CancelLoading();
            EXPECT_FALSE(doc.IsLoading());
            EXPECT_EQ(ThreadCount(), threadsBefore);
            // The folders did not change: even in part, the same tree.
            EXPECT_EQ(Shape(doc.GetRoot()).join(QLatin1Char('\n')).toStdString(),
                before.join(QLatin1Char('\n')).toStdString());
            doc.GetRoot().ForEachDescendant([&doc](CSyncProject& node) {
                EXPECT_EQ(node.GetDocument(), &doc);
                EXPECT_FALSE(doc.ChildrenToCome(&node));
            });
        }
        CMyDoc doc;
        CWorkerGate gate(at);
        doc.BeginOpenDocument(path);
        gate.WaitHeld();
        gate.Release();
        doc.CancelLoading();
        EXPECT_EQ(doc.GetRoot().ChildCount(), 0);
        EXPECT_TRUE(doc.GetPathName().isEmpty());
        EXPECT_EQ(ThreadCount(), threadsBefore);
    }
}

// Where a node's pair has its roots must not depend on whether the node is
// reached through its ancestors or held apart from them.
TEST(PairRootsOfDetachedNodes, EqualTheRootsFoundThroughTheAncestors)
{
    CAppProject root;
    auto project = std::make_unique<CSyncProject>(&root);
    project->SetFolders(S("/p"), QString());
    CSyncProject& top = root.AddChild(std::move(project));
    struct Case
    {
        const char* parent; // key path of the parent below the project ("" for the project)
        const char* folder;
        const char* name;
    };
    const Case cases[] = {
        {"", "/p/a", "A"}, // in the project's folder
        {"/A", "/p/a/b", "B"}, // deeper in it
        {"", "/elsewhere", "E"}, // set elsewhere by the user
        {"/E", "/elsewhere/c", "C"}, // derived from the one set elsewhere
        {"/E/C", "/elsewhere/c/d", "D"}, {"/E/C", "/other/x", "X"}, // set elsewhere below one set elsewhere
        {"", "", "N"}, // a side without a folder
    };
    for (const Case& c : cases) {
        CProject* parent = &top;
        for (const QString& key : S(c.parent).split(QLatin1Char('/'), Qt::SkipEmptyParts))
            parent = parent->Children().at(key).get();
        auto node = std::make_unique<CSyncProject>(parent);
        node->SetFolders(S(c.folder), S(c.folder));
        node->SetName(S(c.name));
        const CSyncProject& added = parent->AddChild(std::move(node));
        const auto& above = static_cast<const CSyncProject&>(*parent);
        for (int side = 0; side < 2; ++side) {
            EXPECT_EQ(ChildRootFolder(
                          added.GetFolder(side), above.GetFolder(side), RootFolderOf(above, side), top.GetFolder(side)),
                RootFolderOf(added, side))
                << c.folder << " side " << side;
        }
    }
}

TEST(DocumentContents, ALargeTreeIsFreedOnAThreadThatEndsWithTheDocument)
{
    const int threadsBefore = ThreadCount();
    {
        CMyDoc doc;
        // Two large trees let go one after the other, then a small one.
        for (const int size : {3000, 3000, 10}) {
            for (int i = 0; i < size; ++i) {
                auto node = std::make_unique<CSyncProject>(&doc.GetRoot());
                node->SetFolders(QStringLiteral("/nonexistent/p%1").arg(i), QStringLiteral("/nonexistent/t%1").arg(i));
                doc.GetRoot().AddChild(std::move(node));
            }
            doc.DeleteContents();
            EXPECT_EQ(doc.GetRoot().ChildCount(), 0);
        }
        // The document goes on with new contents while the old ones are freed.
        EXPECT_TRUE(doc.OnNewDocument());
        EXPECT_EQ(doc.GetRoot().ChildCount(), 0);
    }
    // Destroying the document waits for the freeing: no thread is left.
    EXPECT_EQ(ThreadCount(), threadsBefore);
}
