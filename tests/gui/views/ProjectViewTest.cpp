// The project tree: filling, pictures, info tips, update hints, selection,
// mouse, keys and the context menu, on real folders.

#include "ProjectViewFixture.h"

#include "core/resources/Menus.h"
#include "gui/resources/Pictures.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTimer>

namespace {

// Closes the next pop-up menu once it shows, and remembers where it showed.
class MenuCloser
{
public:
    MenuCloser()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                position = popup->pos();
                shown = true;
                popup->close();
                m_timer.stop();
            }
        });
        m_timer.start();
    }
    QPoint position;
    bool shown = false;

private:
    QTimer m_timer;
};

} // namespace

TEST_F(ProjectViewTest, EmptyDocumentShowsOnlyTheRoot)
{
    doc.OnNewDocument();
    MakeView();
    ASSERT_EQ(view->topLevelItemCount(), 1);
    CProjectItem* root = view->RootItem();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Node(), &doc.GetRoot());
    EXPECT_EQ(root->text(0), QSysInfo::machineHostName());
    EXPECT_EQ(root->childCount(), 0);
    // No expand button: nothing below it.
    EXPECT_EQ(root->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
    EXPECT_FALSE(view->model()->hasChildren(view->model()->index(0, 0)));
    EXPECT_EQ(view->CurrentNode(), &doc.GetRoot());
    EXPECT_EQ(view->SelectedItem(), root);
    EXPECT_TRUE(root->isSelected());
    EXPECT_EQ(frame.projectPath, QString());
    EXPECT_EQ(frame.targetPath, QString());
    for (int id : {Cmd::Export, Cmd::Import, Cmd::ExportAll, Cmd::ImportAll})
        EXPECT_FALSE(State(id).enabled) << id;
    EXPECT_EQ(Role(root, ProjectRole::TypePicture), Strip::Root);
    EXPECT_EQ(Role(root, ProjectRole::StatusPicture), Strip::StateSame);
    // The rebuild told the other views about the root.
    ASSERT_FALSE(HintsOf(UpdateHint::NodeChanged).empty());
    EXPECT_EQ(HintsOf(UpdateHint::NodeChanged).back().node, &doc.GetRoot());
}

TEST_F(ProjectViewTest, OpeningADocumentFillsTheTreeSortedByName)
{
    for (const char* name : {"beta", "Zeta", "Alpha", "alpha2"})
        AddProject(QString::fromLatin1(name));
    CSyncProject& alpha = *doc.GetRoot().FindChild(QStringLiteral("Alpha"));
    for (const char* sub : {"b", "Z", "A", "a2"}) {
        WriteSide(alpha, 0, QString::fromLatin1(sub) + QStringLiteral("/f.txt"), "x", kOld);
        WriteSide(alpha, 1, QString::fromLatin1(sub) + QStringLiteral("/f.txt"), "x", kOld);
    }
    const QString file = dir.PathOf(QStringLiteral("doc.snc"));
    ASSERT_TRUE(doc.OnSaveDocument(file));

    CMyDoc opened;
    view = std::make_unique<CProjectView>(opened, frame);
    ASSERT_TRUE(opened.OnOpenDocument(file));
    CProjectItem* root = view->RootItem();
    ASSERT_NE(root, nullptr);
    // Code-unit order: capitals first.
    EXPECT_EQ(ChildTexts(root),
        QStringList(
            {QStringLiteral("Alpha"), QStringLiteral("Zeta"), QStringLiteral("alpha2"), QStringLiteral("beta")}));
    EXPECT_TRUE(root->isExpanded());
    EXPECT_EQ(view->CurrentNode(), &opened.GetRoot());

    // Subfolder items are inserted when their project is first expanded.
    auto* alphaItem = static_cast<CProjectItem*>(root->child(0));
    EXPECT_EQ(alphaItem->childCount(), 0);
    EXPECT_EQ(alphaItem->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    EXPECT_FALSE(alphaItem->IsPopulated());
    alphaItem->setExpanded(true);
    EXPECT_TRUE(alphaItem->IsPopulated());
    EXPECT_EQ(ChildTexts(alphaItem),
        QStringList({QStringLiteral("A"), QStringLiteral("Z"), QStringLiteral("a2"), QStringLiteral("b")}));
    // A project without subfolders has no expand button.
    auto* zetaItem = static_cast<CProjectItem*>(root->child(1));
    EXPECT_EQ(zetaItem->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

// The pictures of every folder state, in both picture modes.
class ProjectPictures : public ProjectViewTest, public ::testing::WithParamInterface<bool>
{
protected:
    // Checks type and status, and where each one is shown in this mode.
    void ExpectPictures(const CProject& node, int type, int status)
    {
        CProjectItem* item = Item(node);
        ASSERT_NE(item, nullptr) << node.GetDisplayName().toStdString();
        const bool lines = GetParam();
        EXPECT_EQ(Role(item, ProjectRole::TypePicture), type) << node.GetDisplayName().toStdString();
        EXPECT_EQ(Role(item, ProjectRole::StatusPicture), status) << node.GetDisplayName().toStdString();
        EXPECT_EQ(Role(item, ProjectRole::Image), lines ? status : type) << node.GetDisplayName().toStdString();
        EXPECT_EQ(Role(item, ProjectRole::State), lines ? type : status) << node.GetDisplayName().toStdString();
        // The node remembers its last status picture.
        EXPECT_EQ(node.GetMark(), status) << node.GetDisplayName().toStdString();
        EXPECT_FALSE(item->icon(0).isNull());
    }
    static QString Tip(QTreeWidgetItem* item) { return item->data(0, Qt::ToolTipRole).toString(); }
};

TEST_P(ProjectPictures, EveryFolderStateHasItsPictureAndTip)
{
    GlobalOptionDisp().Flags = GetParam() ? (DispFlag::Default | DispFlag::TreeLines) : DispFlag::Default;
    CSyncProject& same = AddProject(QStringLiteral("same"));
    WriteSide(same, 0, QStringLiteral("a.txt"), "abc", kOld);
    WriteSide(same, 1, QStringLiteral("a.txt"), "abc", kOld + 2); // within the tolerance
    WriteSide(same, 0, QStringLiteral("sub/x.txt"), "x", kOld);
    WriteSide(same, 1, QStringLiteral("sub/x.txt"), "x", kOld);
    WriteSide(same, 0, QStringLiteral("flat/x.txt"), "x", kOld);
    CSyncProject& projectNewer = AddProject(QStringLiteral("pnewer"));
    WriteSide(projectNewer, 0, QStringLiteral("a.txt"), "abc", kOld + 100);
    WriteSide(projectNewer, 1, QStringLiteral("a.txt"), "abc", kOld);
    WriteSide(projectNewer, 0, QStringLiteral("only.txt"), "abc", kOld);
    CSyncProject& targetNewer = AddProject(QStringLiteral("tnewer"));
    WriteSide(targetNewer, 0, QStringLiteral("a.txt"), "abc", kOld);
    WriteSide(targetNewer, 1, QStringLiteral("a.txt"), "abc", kOld + 100);
    CSyncProject& mixed = AddProject(QStringLiteral("mixed"));
    WriteSide(mixed, 0, QStringLiteral("p.txt"), "abc", kOld);
    WriteSide(mixed, 1, QStringLiteral("t.txt"), "abc", kOld);
    CSyncProject& sizeDiffers = AddProject(QStringLiteral("size"));
    WriteSide(sizeDiffers, 0, QStringLiteral("a.txt"), "abc", kOld);
    WriteSide(sizeDiffers, 1, QStringLiteral("a.txt"), "abcd", kOld);
    CSyncProject& projectOnly = AddProject(QStringLiteral("ponly"), true, false);
    CSyncProject& targetOnly = AddProject(QStringLiteral("tonly"), false, true);
    CSyncProject& gone = AddProject(QStringLiteral("gone"), false, false);
    CSyncProject& noSync = AddProject(QStringLiteral("nosync"));
    WriteSide(noSync, 0, QStringLiteral("a.txt"), "abc", kOld + 100);
    noSync.SetNoSync(true);
    CSyncProject& noSubfolders = AddProject(QStringLiteral("nosub"));
    noSubfolders.SetNoSubfolderSearch(true);
    for (CSyncProject* node : {&same, &projectNewer, &targetNewer, &mixed, &sizeDiffers, &noSync})
        node->Refresh(true);
    CSyncProject* sub = same.FindChild(QStringLiteral("sub"));
    CSyncProject* flat = same.FindChild(QStringLiteral("flat"));
    ASSERT_TRUE(sub && flat);
    flat->SetNoSubfolderSearch(true);

    MakeView();
    view->ExpandSubtree(view->RootItem());

    ExpectPictures(doc.GetRoot(), Strip::Root, Strip::StateSame);
    ExpectPictures(same, Strip::Project, Strip::StateSame);
    ExpectPictures(projectNewer, Strip::Project, Strip::ProjectNewer);
    ExpectPictures(targetNewer, Strip::Project, Strip::TargetNewer);
    ExpectPictures(mixed, Strip::Project, Strip::Mixed);
    ExpectPictures(sizeDiffers, Strip::Project, Strip::Mixed);
    ExpectPictures(projectOnly, Strip::Project, Strip::ProjectOnly);
    ExpectPictures(targetOnly, Strip::Project, Strip::TargetOnly);
    ExpectPictures(gone, Strip::Project, Strip::Empty);
    ExpectPictures(noSync, Strip::Project, Strip::Excluded);
    ExpectPictures(noSubfolders, Strip::ProjectNoSubfolders, Strip::StateSame);
    ExpectPictures(*sub, Strip::Folder, Strip::StateSame);
    ExpectPictures(*flat, Strip::FolderNoSubfolders, Strip::ProjectOnly);

    EXPECT_EQ(Tip(Item(same)), QString());
    EXPECT_EQ(Tip(Item(projectNewer)), QStringLiteral("プロジェクトが最新"));
    EXPECT_EQ(Tip(Item(targetNewer)), QStringLiteral("ターゲットが最新"));
    EXPECT_EQ(Tip(Item(mixed)), QStringLiteral("混在もしくは削除ファイルあり"));
    EXPECT_EQ(Tip(Item(projectOnly)), QStringLiteral("プロジェクトのみ存在"));
    EXPECT_EQ(Tip(Item(targetOnly)), QStringLiteral("ターゲットのみ存在"));
    EXPECT_EQ(Tip(Item(noSync)), QStringLiteral("同期除外対象"));
    EXPECT_EQ(Tip(Item(gone)), QString());

    // Bit 8 turns the tips off at the next hint.
    GlobalOptionDisp().Flags |= DispFlag::HideStateExplanation;
    Q_EMIT doc.UpdateAllViews(UpdateHint::ShowFiles, nullptr);
    EXPECT_EQ(Tip(Item(projectNewer)), QString());
    EXPECT_EQ(Tip(Item(noSync)), QString());
}

INSTANTIATE_TEST_SUITE_P(BothModes, ProjectPictures, ::testing::Values(false, true),
    [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Lines" : "Default"; });

TEST_F(ProjectViewTest, WithoutTheProjectStateOnlyTheFoldersExistenceCounts)
{
    GlobalOptionDisp().Flags = DispFlag::Default & ~DispFlag::ShowProjectState;
    CSyncProject& newer = AddProject(QStringLiteral("newer"));
    WriteSide(newer, 0, QStringLiteral("a.txt"), "abc", kOld + 100);
    WriteSide(newer, 1, QStringLiteral("a.txt"), "abc", kOld);
    CSyncProject& projectOnly = AddProject(QStringLiteral("ponly"), true, false);
    MakeView();
    EXPECT_FALSE(view->IsShowingProjectState());
    EXPECT_FALSE(State(Cmd::ShowProjectSyncState).checked);
    EXPECT_EQ(Role(Item(newer), ProjectRole::StatusPicture), Strip::StateSame);
    EXPECT_EQ(Role(Item(projectOnly), ProjectRole::StatusPicture), Strip::ProjectOnly);

    // The toggle compares the files of every item again.
    view->ExecuteCommand(Cmd::ShowProjectSyncState);
    EXPECT_TRUE(view->IsShowingProjectState());
    EXPECT_TRUE(State(Cmd::ShowProjectSyncState).checked);
    EXPECT_EQ(Role(Item(newer), ProjectRole::StatusPicture), Strip::ProjectNewer);
    // The toolbar button runs the same command.
    view->ExecuteCommand(Cmd::ToolbarShowProjectState);
    EXPECT_FALSE(view->IsShowingProjectState());
    EXPECT_EQ(Role(Item(newer), ProjectRole::StatusPicture), Strip::StateSame);
    // Only the first display takes the flag from the options again.
    GlobalOptionDisp().Flags = DispFlag::Default;
    Q_EMIT doc.UpdateAllViews(UpdateHint::Refresh, nullptr);
    EXPECT_FALSE(view->IsShowingProjectState());
    Q_EMIT doc.UpdateAllViews(UpdateHint::FirstDisplay, nullptr);
    EXPECT_TRUE(view->IsShowingProjectState());
}

TEST_F(ProjectViewTest, PicturesAreKeptUntilTheSelectedSubtreeIsRefreshed)
{
    CSyncProject& first = AddProject(QStringLiteral("first"));
    WriteSide(first, 0, QStringLiteral("a.txt"), "abc", kOld);
    WriteSide(first, 1, QStringLiteral("a.txt"), "abc", kOld);
    CSyncProject& second = AddProject(QStringLiteral("second"));
    WriteSide(second, 0, QStringLiteral("a.txt"), "abc", kOld);
    WriteSide(second, 1, QStringLiteral("a.txt"), "abc", kOld);
    MakeView();
    EXPECT_EQ(Role(Item(first), ProjectRole::StatusPicture), Strip::StateSame);
    EXPECT_EQ(Role(Item(second), ProjectRole::StatusPicture), Strip::StateSame);

    WriteSide(first, 0, QStringLiteral("a.txt"), "abc", kOld + 100);
    WriteSide(second, 1, QStringLiteral("a.txt"), "abc", kOld + 100);
    // Drawing again asks nothing of the folders.
    EXPECT_EQ(Role(Item(first), ProjectRole::StatusPicture), Strip::StateSame);

    // Hint 3 refreshes the selected item and what is below it only.
    Select(first);
    Q_EMIT doc.UpdateAllViews(UpdateHint::RunDone, nullptr);
    EXPECT_EQ(Role(Item(first), ProjectRole::StatusPicture), Strip::ProjectNewer);
    EXPECT_EQ(Role(Item(second), ProjectRole::StatusPicture), Strip::StateSame);

    // Hint 4 from the root refreshes every item.
    Select(doc.GetRoot());
    Q_EMIT doc.UpdateAllViews(UpdateHint::Refresh, nullptr);
    EXPECT_EQ(Role(Item(second), ProjectRole::StatusPicture), Strip::TargetNewer);

    // A status that becomes "none" clears the state picture shown before.
    CSyncProject& half = AddProject(QStringLiteral("half"), true, false);
    Q_EMIT doc.UpdateAllViews(UpdateHint::FirstDisplay, nullptr);
    EXPECT_EQ(Role(Item(half), ProjectRole::State), Strip::ProjectOnly);
    QDir(half.GetFolder(0)).removeRecursively();
    Q_EMIT doc.UpdateAllViews(UpdateHint::Refresh, nullptr);
    EXPECT_EQ(Role(Item(half), ProjectRole::State), Strip::Empty);
    EXPECT_EQ(half.GetMark(), 0);
    EXPECT_EQ(Item(half)->data(0, Qt::ToolTipRole).toString(), QString());
}

TEST_F(ProjectViewTest, OnlyDrawnItemsAreScanned)
{
    CSyncProject& big = AddProject(QStringLiteral("big"));
    for (int i = 0; i < 300; ++i) {
        const QString sub = QStringLiteral("sub%1/f.txt").arg(i, 3, 10, QLatin1Char('0'));
        WriteSide(big, 0, sub, "x", kOld);
        WriteSide(big, 1, sub, "x", kOld);
    }
    big.Refresh(true);
    ASSERT_EQ(big.ChildCount(), 300);
    MakeView();
    view->resize(300, 200);
    Item(big)->setExpanded(true);
    ASSERT_EQ(Item(big)->childCount(), 300);
    view->grab(); // draws what is visible
    int scanned = 0;
    for (int i = 0; i < Item(big)->childCount(); ++i)
        scanned += static_cast<CProjectItem*>(Item(big)->child(i))->HasPictures() ? 1 : 0;
    EXPECT_GT(scanned, 0);
    EXPECT_LT(scanned, 30);
}

TEST_F(ProjectViewTest, SelectionShowsThePathsAndTellsTheOtherViews)
{
    CSyncProject& project = AddProject(QStringLiteral("work"));
    MakeView();
    hints.clear();
    frame.commandUpdates = 0;
    Select(project);
    EXPECT_EQ(view->CurrentNode(), &project);
    EXPECT_EQ(frame.projectPath, project.GetFolder(0));
    EXPECT_EQ(frame.targetPath, project.GetFolder(1));
    EXPECT_EQ(hints, std::vector<TreeHint>({{UpdateHint::NodeChanged, &project}}));
    EXPECT_GT(frame.commandUpdates, 0);

    Select(doc.GetRoot());
    EXPECT_EQ(frame.projectPath, QString());
    EXPECT_EQ(frame.targetPath, QString());
    EXPECT_EQ(view->CurrentNode(), &doc.GetRoot());

    // Enter shows the file states of the current node.
    Select(project);
    hints.clear();
    QTest::keyClick(view.get(), Qt::Key_Return);
    EXPECT_EQ(hints, std::vector<TreeHint>({{UpdateHint::ShowFiles, &project}}));
    hints.clear();
    view->ExecuteCommand(Cmd::ShowFileSyncState);
    EXPECT_EQ(hints, std::vector<TreeHint>({{UpdateHint::ShowFiles, &project}}));

    // A hint with a node from elsewhere makes it the current node.
    Q_EMIT doc.UpdateAllViews(UpdateHint::ShowFiles, &doc.GetRoot());
    EXPECT_EQ(view->CurrentNode(), &doc.GetRoot());
    Q_EMIT doc.UpdateAllViews(UpdateHint::NodeChanged, nullptr);
    EXPECT_EQ(view->CurrentNode(), &doc.GetRoot());
}

TEST_F(ProjectViewTest, RescanAllFindsNewFoldersAndRebuilds)
{
    CSyncProject& project = AddProject(QStringLiteral("work"));
    WriteSide(project, 0, QStringLiteral("old/f.txt"), "x", kOld);
    project.Refresh(true);
    MakeView();
    view->ExpandSubtree(view->RootItem());
    CSyncProject* old = project.FindChild(QStringLiteral("old"));
    ASSERT_NE(old, nullptr);
    Select(*old);

    QDir(project.GetFolder(0) + QStringLiteral("/old")).removeRecursively();
    WriteSide(project, 1, QStringLiteral("new/f.txt"), "x", kOld);
    hints.clear();
    QSignalSpy finished(&doc, &CMyDoc::LoadFinished);
    Q_EMIT doc.UpdateAllViews(UpdateHint::RescanAll, old);
    ASSERT_TRUE(finished.wait(10000));
    // The current node's folder is gone with its node; the root is selected.
    EXPECT_EQ(project.FindChild(QStringLiteral("old")), nullptr);
    ASSERT_NE(project.FindChild(QStringLiteral("new")), nullptr);
    EXPECT_EQ(view->CurrentNode(), &doc.GetRoot());
    EXPECT_EQ(view->SelectedItem(), view->RootItem());
    Item(project)->setExpanded(true);
    EXPECT_EQ(ChildTexts(Item(project)), QStringList({QStringLiteral("new")}));
    EXPECT_EQ(Role(Item(*project.FindChild(QStringLiteral("new"))), ProjectRole::StatusPicture), Strip::TargetOnly);
}

TEST_F(ProjectViewTest, ExpandAllOptionExpandsEveryItem)
{
    GlobalOptionDisp().Flags = DispFlag::Default | DispFlag::ExpandAll;
    CSyncProject& project = AddProject(QStringLiteral("work"));
    WriteSide(project, 0, QStringLiteral("a/b/c/f.txt"), "x", kOld);
    project.Refresh(true);
    MakeView();
    CSyncProject* c
        = project.FindChild(QStringLiteral("a"))->FindChild(QStringLiteral("b"))->FindChild(QStringLiteral("c"));
    ASSERT_NE(c, nullptr);
    ASSERT_NE(Item(*c), nullptr);
    EXPECT_TRUE(Item(project)->isExpanded());
    EXPECT_TRUE(Item(*c->GetParent())->isExpanded());

    // The keypad's multiply key does the same below the selected item.
    GlobalOptionDisp().Flags = DispFlag::Default;
    Q_EMIT doc.UpdateAllViews(UpdateHint::FirstDisplay, nullptr);
    EXPECT_EQ(Item(*c), nullptr);
    QTest::keyClick(view.get(), Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_NE(Item(*c), nullptr);
}

TEST_F(ProjectViewTest, ExpandAllShowsEachFolderOnceAsARescanBringsItBack)
{
    GlobalOptionDisp().Flags = DispFlag::Default | DispFlag::ExpandAll;
    CSyncProject& project = AddProject(QStringLiteral("work"));
    WriteSide(project, 0, QStringLiteral("a/b/c/f.txt"), "x", kOld);
    WriteSide(project, 0, QStringLiteral("a/x/f.txt"), "x", kOld);
    WriteSide(project, 1, QStringLiteral("d/f.txt"), "x", kOld);
    project.Refresh(true);
    MakeView();
    // The folders come back in one batch, each joined before any is announced.
    Q_EMIT doc.UpdateAllViews(UpdateHint::RescanAll, nullptr);
    ASSERT_TRUE(doc.WaitForLoading());
    CSyncProject* back = doc.GetRoot().FindChild(QStringLiteral("work"));
    ASSERT_NE(back, nullptr);
    CSyncProject* a = back->FindChild(QStringLiteral("a"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(ChildTexts(view->RootItem()), QStringList({QStringLiteral("work")}));
    EXPECT_EQ(ChildTexts(Item(*back)), QStringList({QStringLiteral("a"), QStringLiteral("d")}));
    EXPECT_EQ(ChildTexts(Item(*a)), QStringList({QStringLiteral("b"), QStringLiteral("x")}));
    EXPECT_EQ(ChildTexts(Item(*a->FindChild(QStringLiteral("b")))), QStringList({QStringLiteral("c")}));
    EXPECT_TRUE(Item(*back)->isExpanded());
    EXPECT_TRUE(Item(*a)->isExpanded());
    EXPECT_TRUE(Item(*a->FindChild(QStringLiteral("b")))->isExpanded());
}

TEST_F(ProjectViewTest, MousePressesSelect)
{
    CSyncProject& first = AddProject(QStringLiteral("first"));
    CSyncProject& second = AddProject(QStringLiteral("second"));
    MakeView();
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));

    // A right press selects the item under the pointer (its menu is closed at once).
    const QRect firstRect = view->visualItemRect(Item(first));
    {
        MenuCloser closer;
        QTest::mouseClick(view->viewport(), Qt::RightButton, {}, firstRect.center());
        QApplication::processEvents();
    }
    EXPECT_EQ(view->CurrentNode(), &first);

    // A left press on the state picture selects the item too.
    const QRect secondRect = view->visualItemRect(Item(second));
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, QPoint(secondRect.left() + 6, secondRect.center().y()));
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, QPoint(secondRect.left() + 6, secondRect.center().y()));
    EXPECT_EQ(view->CurrentNode(), &second);
    EXPECT_TRUE(Item(second)->isSelected());
}

TEST_F(ProjectViewTest, ContextMenuFollowsTheMenuDefinitionAndTheRules)
{
    CSyncProject& project = AddProject(QStringLiteral("work"));
    project.SetNoSync(true);
    MakeView();
    Select(project);
    std::unique_ptr<QMenu> menu = view->CreateContextMenu();
    const MenuItemDef definition = TreeContextMenuDefinition();
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), qsizetype(definition.items.size()));
    QMenu* exclusion = nullptr;
    for (qsizetype i = 0; i < actions.size(); ++i) {
        const MenuItemDef& entry = definition.items[size_t(i)];
        EXPECT_EQ(actions[i]->isSeparator(), entry.IsSeparator());
        if (entry.IsSubmenu()) {
            ASSERT_NE(actions[i]->menu(), nullptr);
            EXPECT_EQ(actions[i]->text(), entry.text);
            if (entry.text == QStringLiteral("同期対象から除外(&X)"))
                exclusion = actions[i]->menu();
        } else if (!entry.IsSeparator()) {
            EXPECT_EQ(actions[i]->data().toInt(), entry.id);
        }
    }
    ASSERT_NE(exclusion, nullptr);
    for (QAction* action : exclusion->actions()) {
        if (action->data().toInt() == Cmd::NoSync) {
            EXPECT_TRUE(action->isEnabled());
            EXPECT_TRUE(action->isChecked());
        }
        if (action->data().toInt() == Cmd::NoSubfolderSearch) {
            EXPECT_FALSE(action->isChecked());
        }
    }
    // Create project needs the root.
    EXPECT_FALSE(actions[0]->isEnabled());

    // From the keyboard the menu opens at the pane's corner plus 5 pixels.
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    EXPECT_EQ(view->ContextMenuPosition(true, QPoint(300, 300)), view->mapToGlobal(QPoint(5, 5)));
    EXPECT_EQ(view->ContextMenuPosition(false, QPoint(300, 300)), QPoint(300, 300));
    MenuCloser closer;
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(50, 50), view->mapToGlobal(QPoint(50, 50)));
    QApplication::sendEvent(view.get(), &event);
    EXPECT_TRUE(closer.shown);
    EXPECT_EQ(closer.position, view->mapToGlobal(QPoint(5, 5)));
}

TEST_F(ProjectViewTest, NewDocumentDropsTheItemsOfTheOldOne)
{
    CSyncProject& project = AddProject(QStringLiteral("work"));
    WriteSide(project, 0, QStringLiteral("sub/f.txt"), "x", kOld);
    project.Refresh(true);
    MakeView();
    view->ExpandSubtree(view->RootItem());
    Select(*project.FindChild(QStringLiteral("sub")));
    // Between the old projects going away and the first display of the new
    // document (a failed open shows its message in between) nothing in the
    // tree points to them.
    doc.DeleteContents();
    EXPECT_EQ(view->topLevelItemCount(), 0);
    EXPECT_EQ(view->CurrentNode(), nullptr);
    view->grab();
    doc.OnNewDocument();
    EXPECT_EQ(view->topLevelItemCount(), 1);
    EXPECT_EQ(view->RootItem()->childCount(), 0);
    EXPECT_EQ(view->CurrentNode(), &doc.GetRoot());
}

TEST_F(ProjectViewTest, ExpandAllOfALargeTreeGoesSliceBySliceAndSurvivesTheTreeChanging)
{
    CSyncProject& project = AddProject(QStringLiteral("work"));
    for (const char* path : {"a/b/c/f.txt", "a/x/f.txt", "d/f.txt", "e/g/h/f.txt"})
        WriteSide(project, 0, QString::fromLatin1(path), "x", kOld);
    project.Refresh(true);
    MakeView();
    view->SetExpandSliceForTesting(1, 0);
    const auto expandAll = [&] {
        view->ExpandSubtree(view->RootItem());
        EXPECT_TRUE(view->IsExpanding());
    };
    const auto waitForExpansion = [&] { EXPECT_TRUE(QTest::qWaitFor([&] { return !view->IsExpanding(); })); };

    expandAll();
    EXPECT_EQ(Item(*project.FindChild(QStringLiteral("e"))), nullptr); // not reached yet
    waitForExpansion();
    const QStringList expanded[] = {
        {QStringLiteral("a"), QStringLiteral("d"), QStringLiteral("e")},
        {QStringLiteral("b"), QStringLiteral("x")},
        {QStringLiteral("c")},
        {QStringLiteral("g")},
        {QStringLiteral("h")},
    };
    CSyncProject* a = project.FindChild(QStringLiteral("a"));
    CSyncProject* g = project.FindChild(QStringLiteral("e"))->FindChild(QStringLiteral("g"));
    const CProject* parents[] = {&project, a, a->FindChild(QStringLiteral("b")), g->GetParent(), g};
    for (size_t i = 0; i < std::size(parents); ++i) {
        CProjectItem* item = Item(*parents[i]);
        ASSERT_NE(item, nullptr) << i;
        EXPECT_TRUE(item->isExpanded()) << i;
        EXPECT_EQ(ChildTexts(item), expanded[i]) << i;
    }

    // The items still to expand go away: with a rescan of everything, or
    // with the whole document.
    Q_EMIT doc.UpdateAllViews(UpdateHint::FirstDisplay, nullptr);
    expandAll();
    Q_EMIT doc.UpdateAllViews(UpdateHint::RescanAll, nullptr);
    ASSERT_TRUE(doc.WaitForLoading());
    waitForExpansion();
    expandAll();
    doc.DeleteContents();
    waitForExpansion();
    doc.OnNewDocument();
    EXPECT_EQ(view->RootItem()->childCount(), 0);
}
