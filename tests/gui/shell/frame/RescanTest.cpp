// Rescanning the open document while the window answers: refresh (F5) and
// the rescan after the options rescan on the worker thread that opens
// documents, the commands that need the tree wait for it, and closing the
// window or opening another document meanwhile stops it cleanly.
#include "FrameFixture.h"
#include "support/ProcessThreads.h"
#include "support/WorkerGate.h"

#include "core/resources/CommandIds.h"
#include "core/resources/Texts.h"
#include "gui/model/CCreateProjectDlg.h"
#include "gui/model/CSyncProjectPropPs.h"
#include "gui/shell/CAppOptionPs.h"
#include "gui/shell/CDocCommands.h"
#include "gui/shell/CMainFrame.h"
#include "gui/views/CProjectView.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTreeWidgetItem>
#include <memory>

namespace {

// A line per node: its folders, its records with their states, its settings.
QStringList Shape(const CProject& parent)
{
    QStringList lines;
    parent.ForEachDescendant([&lines](CSyncProject& node) {
        QStringList records;
        for (const CFileSyncStatus& record : node.FolderStatus())
            records << record.GetName() + QString::number(int(record.GetState()));
        records.sort();
        lines << node.GetFolder(0) + QLatin1Char('|') + node.GetFolder(1) + QLatin1Char('|')
                + records.join(QLatin1Char(',')) + QLatin1Char('|') + QString::number(node.IsNoSync());
    });
    return lines;
}

class Rescan : public FrameFixture
{
protected:
    void TearDown() override
    {
        frame.reset();
        FrameFixture::TearDown();
    }
    // The window over a document of `projects` projects of `folders`
    // subfolders each, opened and rescanned (with `wait`; else being opened).
    CMainFrame& ShowOpened(int projects, int folders, bool wait = true)
    {
        QStringList names;
        for (int i = 0; i < projects; ++i) {
            const QString name = QStringLiteral("big%1").arg(i);
            for (int f = 0; f < folders; ++f)
                dir.WriteFile(name + QStringLiteral("/f%1/x.txt").arg(f), "x", T);
            names << name;
        }
        path = MakeDocument(QStringLiteral("big.snc"), names);
        frame = std::make_unique<CMainFrame>(doc);
        frame->ShowInitially(false);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        EXPECT_TRUE(frame->DocCommands().OpenDocumentFile(path));
        if (wait) {
            EXPECT_TRUE(WaitForOpening(&doc));
        }
        return *frame;
    }
    // The folders change after the opening: one goes, one comes, a file changes.
    void ChangeFolders()
    {
        QDir(dir.PathOf(QStringLiteral("big0/f3"))).removeRecursively();
        QDir(dir.PathOf(QStringLiteral("big0-target/f3"))).removeRecursively();
        dir.WriteFile(QStringLiteral("big1/fresh/n.txt"), "n", T);
        dir.WriteFile(QStringLiteral("big1-target/f0/x.txt"), "changed", T + 60);
    }
    // The document at `path` rescanned on this thread, with the settings of `doc`.
    QStringList ShapeOfWaitingRescan(const QString& only = QString())
    {
        CMyDoc reference;
        EXPECT_TRUE(reference.OnOpenDocument(path));
        for (const auto& [key, project] : doc.GetRoot().Children()) {
            CSyncProject* same = reference.GetRoot().FindChild(project->GetDisplayName());
            if (!same) {
                // A project created since the document was stored.
                same = CreateProject(reference.GetRoot(), {project->GetFolder(0), project->GetFolder(1), true});
            }
            same->SetNoSync(project->IsNoSync());
            same->SetNoSubfolderSearch(project->IsNoSubfolderSearch());
        }
        reference.GetRoot().Refresh(true);
        return only.isEmpty() ? Shape(reference.GetRoot()) : Shape(*reference.GetRoot().FindChild(only));
    }
    // Selects the tree's item of the project `name` (the root for an empty name).
    void SelectProject(const QString& name)
    {
        CProjectView& tree = frame->TreeView();
        CProject* node = name.isEmpty() ? static_cast<CProject*>(&doc.GetRoot()) : doc.GetRoot().FindChild(name);
        ASSERT_NE(tree.ItemOf(node), nullptr);
        tree.setCurrentItem(tree.ItemOf(node));
    }
    // Starts one of the commands that rescan a single project on the worker:
    // the create-project dialog (a new project "fresh" with 300 folders), the
    // property sheet of big1 (its switch "このフォルダを同期しない"), or clearing
    // "サブフォルダを検索しない" on big0. Returns the project being rescanned.
    QString StartProjectRescan(int which)
    {
        if (which == 0) {
            for (int f = 0; f < 300; ++f)
                dir.WriteFile(QStringLiteral("fresh/d%1/y.txt").arg(f), "y", T);
            dir.MakeFolder(QStringLiteral("fresh-target/d0"));
            SelectProject(QString());
            creation = std::make_unique<ModalScript<CCreateProjectDlg>>();
            creation->Then([this](CCreateProjectDlg* dialog) {
                dialog->SetValues(
                    {dir.PathOf(QStringLiteral("fresh")), dir.PathOf(QStringLiteral("fresh-target")), true});
                dialog->accept();
            });
            EXPECT_TRUE(frame->RunCommand(Cmd::CreateProject));
            return QStringLiteral("fresh");
        }
        if (which == 1) {
            SelectProject(QStringLiteral("big1"));
            sheet = std::make_unique<ModalScript<CSyncProjectPropPs>>();
            sheet->Then([](CSyncProjectPropPs* shown) {
                shown->findChild<QCheckBox*>(QStringLiteral("1113"))->setChecked(true);
                shown->accept();
            });
            EXPECT_TRUE(frame->RunCommand(Cmd::ProjectProperties));
            return QStringLiteral("big1");
        }
        // The switch is set first (itself a rescan of the project), then cleared.
        SelectProject(QStringLiteral("big0"));
        EXPECT_TRUE(frame->RunCommand(Cmd::NoSubfolderSearch));
        EXPECT_TRUE(WaitForOpening(&doc));
        EXPECT_EQ(doc.GetRoot().FindChild(QStringLiteral("big0"))->ChildCount(), 0);
        SelectProject(QStringLiteral("big0"));
        EXPECT_TRUE(frame->RunCommand(Cmd::NoSubfolderSearch));
        return QStringLiteral("big0");
    }
    // No window, an empty document, and none of the folders ShowOpened made.
    void StartAfresh()
    {
        frame.reset();
        doc.SetModifiedFlag(false);
        doc.OnNewDocument();
        QDir root(dir.Path());
        for (const QString& name : root.entryList({QStringLiteral("big*"), QStringLiteral("fresh*")}, QDir::Dirs))
            QDir(root.filePath(name)).removeRecursively();
    }
    QString StatusText() const { return frame->statusBar()->findChildren<QLabel*>().value(0)->text(); }
    int TreeProjects() const { return frame->TreeView().topLevelItem(0)->childCount(); }

    CMyDoc doc;
    std::unique_ptr<CMainFrame> frame;
    QString path;
    std::unique_ptr<ModalScript<CCreateProjectDlg>> creation;
    std::unique_ptr<ModalScript<CSyncProjectPropPs>> sheet;
};

const char* const kProjectRescans[] = {"create a project", "the property sheet", "clear the no-subfolder switch"};

} // namespace

TEST_F(Rescan, RefreshRunsOffTheWindowThreadAndCommandsWaitForIt)
{
    CMainFrame& shown = ShowOpened(3, 300);
    ChangeFolders();
    shown.TreeView().setCurrentItem(shown.TreeView().RootItem());
    QSignalSpy finished(&doc, &CMyDoc::LoadFinished);
    ASSERT_TRUE(shown.RunCommand(Cmd::Refresh));
    // The command has returned with the rescan under way on the worker: the
    // tree holds none of the projects it rescans, the window answers.
    ASSERT_TRUE(doc.IsRescanning());
    EXPECT_EQ(doc.GetRoot().ChildCount(), 0);
    EXPECT_EQ(TreeProjects(), 0);
    EXPECT_TRUE(StatusText().startsWith(QStringLiteral("再検索中")));
    for (const int id : {Cmd::ExportAll, Cmd::Refresh, Cmd::FileSave, Cmd::Options})
        EXPECT_FALSE(shown.CommandStateOf(id).enabled) << id;
    EXPECT_FALSE(shown.RunCommand(Cmd::ExportAll));

    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(finished.at(0).at(0).toBool(), true);
    EXPECT_FALSE(doc.IsLoading());
    EXPECT_EQ(StatusText(), Txt::Ready());
    for (const int id : {Cmd::ExportAll, Cmd::Refresh, Cmd::FileSave, Cmd::Options})
        EXPECT_TRUE(shown.CommandStateOf(id).enabled) << id;
    // The tree filled again, and equals a rescan on the window's thread.
    EXPECT_EQ(TreeProjects(), 3);
    EXPECT_EQ(doc.GetPathName(), path);
    EXPECT_EQ(Shape(doc.GetRoot()), ShapeOfWaitingRescan());
    EXPECT_EQ(prompt.Requests().size(), 0u);
}

TEST_F(Rescan, TheRescanAfterTheOptionsRunsOnTheWorkerToo)
{
    CMainFrame& shown = ShowOpened(2, 50);
    ChangeFolders();
    QSignalSpy finished(&doc, &CMyDoc::LoadFinished);
    prompt.Push(PromptAnswer::Ok);
    AskRescanAll(doc);
    EXPECT_TRUE(doc.IsRescanning());
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(TreeProjects(), 2);
    EXPECT_EQ(Shape(doc.GetRoot()), ShapeOfWaitingRescan());
    EXPECT_TRUE(shown.CommandStateOf(Cmd::ExportAll).enabled);
}

TEST_F(Rescan, ClosingTheWindowDuringARefreshStopsItAndAsksAboutTheWholeTree)
{
    CMainFrame& shown = ShowOpened(4, 400);
    doc.GetRoot().FindChild(QStringLiteral("big2"))->SetNoSync(true);
    doc.SetModifiedFlag(true);
    const int threads = ThreadCount();

    // Cancel at the save question: the window stays and the rescan starts again.
    ASSERT_TRUE(shown.RunCommand(Cmd::Refresh));
    ASSERT_TRUE(doc.IsRescanning());
    prompt.Push(PromptAnswer::Cancel);
    EXPECT_FALSE(shown.close());
    EXPECT_TRUE(doc.IsRescanning());
    ASSERT_TRUE(WaitForOpening(&doc));
    EXPECT_EQ(TreeProjects(), 4);
    EXPECT_EQ(Shape(doc.GetRoot()), ShapeOfWaitingRescan());

    // No at the save question: the window closes, the worker is gone, and
    // the document kept every project with the user's settings.
    ASSERT_TRUE(shown.RunCommand(Cmd::Refresh));
    ASSERT_TRUE(doc.IsRescanning());
    prompt.Push(PromptAnswer::No);
    EXPECT_TRUE(shown.close());
    EXPECT_FALSE(doc.IsLoading());
    EXPECT_EQ(ThreadCount(), threads);
    EXPECT_EQ(doc.GetRoot().ChildCount(), 4);
    EXPECT_TRUE(doc.GetRoot().FindChild(QStringLiteral("big2"))->IsNoSync());
    doc.GetRoot().ForEachDescendant([this](CSyncProject& node) { EXPECT_EQ(node.GetDocument(), &doc); });
    ASSERT_EQ(prompt.Requests().size(), 2u);
    // Nothing of the worker arrives later.
    QTest::qWait(50);
    EXPECT_EQ(doc.GetRoot().ChildCount(), 4);
}

TEST_F(Rescan, AnotherDocumentOpenedDuringARefreshReplacesItWhole)
{
    CMainFrame& shown = ShowOpened(4, 400);
    const QString small = MakeDocument(QStringLiteral("small.snc"), {QStringLiteral("alpha")});
    const int threads = ThreadCount();
    ASSERT_TRUE(shown.RunCommand(Cmd::Refresh));
    ASSERT_TRUE(doc.IsRescanning());
    ASSERT_TRUE(shown.DocCommands().OpenDocumentFile(small));
    ASSERT_TRUE(WaitForOpening(&doc));
    EXPECT_EQ(doc.GetPathName(), small);
    ASSERT_EQ(doc.GetRoot().ChildCount(), 1);
    EXPECT_EQ(doc.GetRoot().Children().begin()->second->GetDisplayName(), QStringLiteral("alpha"));
    EXPECT_EQ(TreeProjects(), 1);
    EXPECT_EQ(ThreadCount(), threads);
    EXPECT_EQ(prompt.Requests().size(), 0u);
}

TEST_F(Rescan, EachRescanOfOneProjectRunsOnTheWorkerAndCommandsWaitForIt)
{
    for (int which = 0; which < 3; ++which) {
        SCOPED_TRACE(kProjectRescans[which]);
        CMainFrame& shown = ShowOpened(3, 300);
        ChangeFolders();
        QSignalSpy finished(&doc, &CMyDoc::LoadFinished);
        const QString name = StartProjectRescan(which);
        // The command has returned with the project on the worker: it is not
        // in the tree, the other projects are, the window answers.
        ASSERT_TRUE(doc.IsRescanning());
        EXPECT_EQ(doc.GetRoot().FindChild(name), nullptr);
        EXPECT_EQ(doc.GetRoot().ChildCount(), which == 0 ? 3 : 2);
        EXPECT_EQ(TreeProjects(), which == 0 ? 3 : 2);
        EXPECT_TRUE(StatusText().startsWith(QStringLiteral("再検索中")));
        for (const int id : {Cmd::ExportAll, Cmd::Refresh, Cmd::CreateProject, Cmd::FileSave, Cmd::Options})
            EXPECT_FALSE(shown.CommandStateOf(id).enabled) << id;
        EXPECT_FALSE(shown.RunCommand(Cmd::ExportAll));

        ASSERT_TRUE(finished.wait(20000));
        EXPECT_FALSE(doc.IsLoading());
        EXPECT_EQ(StatusText(), Txt::Ready());
        for (const int id : {Cmd::ExportAll, Cmd::Refresh, Cmd::FileSave, Cmd::Options})
            EXPECT_TRUE(shown.CommandStateOf(id).enabled) << id;
        // Back in the tree, selected, and the same as a rescan on one thread.
        CSyncProject* back = doc.GetRoot().FindChild(name);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(TreeProjects(), which == 0 ? 4 : 3);
        EXPECT_EQ(shown.TreeView().CurrentNode(), back);
        EXPECT_EQ(Shape(*back), ShapeOfWaitingRescan(name));
        // The other projects were not read again.
        if (name != QStringLiteral("big1")) {
            EXPECT_EQ(doc.GetRoot().FindChild(QStringLiteral("big1"))->FindChild(QStringLiteral("fresh")), nullptr);
        }
        EXPECT_EQ(prompt.Requests().size(), 0u);
        StartAfresh();
    }
}

TEST_F(Rescan, ClosingTheWindowDuringARescanOfOneProjectStopsIt)
{
    for (int which = 0; which < 3; ++which) {
        for (const PromptAnswer answer : {PromptAnswer::Cancel, PromptAnswer::No}) {
            SCOPED_TRACE(kProjectRescans[which]);
            CMainFrame& shown = ShowOpened(3, 400);
            const int threads = ThreadCount();
            const QString name = StartProjectRescan(which);
            ASSERT_TRUE(doc.IsRescanning());
            doc.SetModifiedFlag(true);
            prompt.Push(answer);
            if (answer == PromptAnswer::Cancel) {
                // The window stays, and the same rescan starts again.
                EXPECT_FALSE(shown.close());
                EXPECT_TRUE(doc.IsRescanning());
                EXPECT_EQ(doc.GetRoot().FindChild(name), nullptr);
                ASSERT_TRUE(WaitForOpening(&doc));
                ASSERT_NE(doc.GetRoot().FindChild(name), nullptr);
                EXPECT_EQ(shown.TreeView().CurrentNode(), doc.GetRoot().FindChild(name));
                EXPECT_EQ(Shape(doc.GetRoot()), ShapeOfWaitingRescan());
            } else {
                // The window closes, the worker is gone, the document keeps the
                // project (rescanned in part) with the user's settings.
                EXPECT_TRUE(shown.close());
                EXPECT_FALSE(doc.IsLoading());
                EXPECT_EQ(ThreadCount(), threads);
                EXPECT_EQ(doc.GetRoot().ChildCount(), which == 0 ? 4 : 3);
                ASSERT_NE(doc.GetRoot().FindChild(name), nullptr);
                EXPECT_EQ(doc.GetRoot().FindChild(QStringLiteral("big1"))->IsNoSync(), which == 1);
                doc.GetRoot().ForEachDescendant([this](CSyncProject& node) { EXPECT_EQ(node.GetDocument(), &doc); });
                // Nothing of the worker arrives later.
                QTest::qWait(50);
                EXPECT_EQ(doc.GetRoot().ChildCount(), which == 0 ? 4 : 3);
            }
            EXPECT_TRUE(prompt.AllAnswersUsed());
            StartAfresh();
        }
    }
}

TEST_F(Rescan, TheTreeShowsTheFoldersOfAProjectBeforeItsOpeningEnds)
{
    // The worker held after it handed over the first project's own node.
    auto gate = std::make_unique<CWorkerGate>(1);
    CMainFrame& shown = ShowOpened(2, 200, false);
    CProjectView& tree = shown.TreeView();
    gate->WaitHeld();
    QTRY_COMPARE(TreeProjects(), 1);
    ASSERT_TRUE(doc.IsLoading());
    CSyncProject* big0 = doc.GetRoot().FindChild(QStringLiteral("big0"));
    ASSERT_NE(big0, nullptr);
    EXPECT_EQ(big0->ChildCount(), 0);
    CProjectItem* item = tree.ItemOf(big0);
    ASSERT_NE(item, nullptr);
    // Its folders are still to come: the item shows that it may have children.
    EXPECT_EQ(item->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    EXPECT_TRUE(StatusText().startsWith(QStringLiteral("読み込み中")));
    for (const int id : {Cmd::ExportAll, Cmd::Refresh, Cmd::CreateProject, Cmd::FileSave, Cmd::Options})
        EXPECT_FALSE(shown.CommandStateOf(id).enabled) << id;
    // Its records are final: it may be selected and its file list shown.
    tree.setCurrentItem(item);
    EXPECT_EQ(tree.CurrentNode(), big0);
    // Expanded before its folders came: they join the item as they come.
    item->setExpanded(true);
    EXPECT_TRUE(item->IsPopulated());
    EXPECT_EQ(item->childCount(), 0);

    gate->Release();
    ASSERT_TRUE(WaitForOpening(&doc));
    gate.reset();
    EXPECT_EQ(doc.GetPathName(), path);
    ASSERT_GE(big0->ChildCount(), 200);
    EXPECT_EQ(item->childCount(), big0->ChildCount());
    for (int i = 0; i < item->childCount(); ++i)
        EXPECT_EQ(item->child(i)->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless) << i;
    // Sorted as a populated item is.
    for (int i = 1; i < item->childCount(); ++i)
        EXPECT_LE(item->child(i - 1)->text(0), item->child(i)->text(0));
    // The items of what was not expanded stay to be made when it is.
    EXPECT_EQ(tree.ItemOf(doc.GetRoot().FindChild(QStringLiteral("big1")))->childCount(), 0);
    EXPECT_EQ(Shape(doc.GetRoot()), ShapeOfWaitingRescan());
    for (const int id : {Cmd::ExportAll, Cmd::Refresh, Cmd::FileSave, Cmd::Options})
        EXPECT_TRUE(shown.CommandStateOf(id).enabled) << id;
}

TEST_F(Rescan, ClosingTheWindowWhileTheTreeFillsStopsTheRescanAndKeepsEveryFolder)
{
    CMainFrame& shown = ShowOpened(3, 100);
    CProjectView& tree = shown.TreeView();
    doc.GetRoot().FindChild(QStringLiteral("big1"))->SetNoSync(true);
    doc.SetModifiedFlag(true);
    doc.GetRoot().Refresh(true); // what any rescan of this tree gives now
    const QStringList before = Shape(doc.GetRoot());
    const int threads = ThreadCount();
    // Held in the middle of the second project's folders (the projects come
    // first, then their folders): the tree shows some of them.
    auto gate = std::make_unique<CWorkerGate>(150);
    ASSERT_TRUE(shown.RunCommand(Cmd::Refresh));
    gate->WaitHeld();
    QTRY_COMPARE(TreeProjects(), 3);
    CProjectItem* item = tree.ItemOf(doc.GetRoot().FindChild(QStringLiteral("big1")));
    ASSERT_NE(item, nullptr);
    item->setExpanded(true);
    EXPECT_GT(item->childCount(), 0);
    EXPECT_LT(item->childCount(), 100);
    gate->Release();
    prompt.Push(PromptAnswer::No);
    EXPECT_TRUE(shown.close());
    gate.reset();
    EXPECT_FALSE(doc.IsLoading());
    EXPECT_EQ(ThreadCount(), threads);
    // Every folder is back under its parent, with the user's settings.
    const std::string whole = before.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(Shape(doc.GetRoot()).join(QLatin1Char('\n')).toStdString(), whole);
    doc.GetRoot().ForEachDescendant([this](CSyncProject& node) { EXPECT_EQ(node.GetDocument(), &doc); });
    QTest::qWait(50);
    EXPECT_EQ(Shape(doc.GetRoot()).join(QLatin1Char('\n')).toStdString(), whole);
}

TEST_F(Rescan, DisablingAFolderAndBelowRescansItOnTheWorker)
{
    CMainFrame& shown = ShowOpened(2, 50);
    CProjectView& tree = shown.TreeView();
    dir.WriteFile(QStringLiteral("big0/f7/deeper/z.txt"), "z", T);
    CSyncProject* big0 = doc.GetRoot().FindChild(QStringLiteral("big0"));
    tree.Populate(tree.ItemOf(big0));
    CSyncProject* folder = big0->FindChild(QStringLiteral("f7"));
    ASSERT_NE(folder, nullptr);
    tree.setCurrentItem(tree.ItemOf(folder));
    QSignalSpy finished(&doc, &CMyDoc::LoadFinished);
    ASSERT_TRUE(shown.RunCommand(Cmd::DisableFolderAndBelow));
    // The folder left the tree for the worker; its project stayed.
    ASSERT_TRUE(doc.IsRescanning());
    EXPECT_EQ(big0->FindChild(QStringLiteral("f7")), nullptr);
    EXPECT_EQ(doc.GetRoot().FindChild(QStringLiteral("big0")), big0);
    EXPECT_EQ(tree.CurrentNode(), big0);
    EXPECT_FALSE(shown.CommandStateOf(Cmd::ExportAll).enabled);
    ASSERT_TRUE(finished.wait(20000));
    ASSERT_EQ(big0->FindChild(QStringLiteral("f7")), folder);
    EXPECT_TRUE(folder->IsNoSync());
    EXPECT_TRUE(folder->IsNoSubfolderSearch());
    EXPECT_EQ(folder->ChildCount(), 0);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(tree.CurrentNode(), folder);
    CMyDoc reference;
    ASSERT_TRUE(reference.OnOpenDocument(path));
    CSyncProject* same = reference.GetRoot().FindChild(QStringLiteral("big0"));
    same->FindChild(QStringLiteral("f7"))->SetNoSync(true);
    same->FindChild(QStringLiteral("f7"))->SetNoSubfolderSearch(true);
    same->Refresh(true);
    EXPECT_EQ(Shape(*big0), Shape(*same));
}
