// The main window on a real profile and real documents: placement and
// splitter across restarts, the selection-size pane, command routing, menus,
// toolbar, keys, closing, help and dropped documents.
#include "FrameFixture.h"

#include "core/resources/CommandIds.h"
#include "gui/resources/Pictures.h"
#include "gui/shell/CAboutDlg.h"
#include "gui/shell/CDocCommands.h"
#include "gui/shell/CMainFrame.h"
#include "gui/shell/CPathBar.h"
#include "gui/shell/CSplitter.h"
#include "gui/sync/CSyncPreviewDlg.h"
#include "gui/sync/DesktopActions.h"
#include "gui/sync/GuiSyncHooks.h"
#include "gui/views/CFileSyncView.h"
#include "gui/views/CProjectView.h"
#include "support/FakeOpener.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSplitterHandle>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <limits>
#include <memory>

namespace {

const QString kFrame = QStringLiteral("Frame");

class MainFrame : public FrameFixture
{
protected:
    void TearDown() override
    {
        frame.reset();
        FrameFixture::TearDown();
    }

    CMainFrame& Make()
    {
        frame = std::make_unique<CMainFrame>(doc);
        return *frame;
    }
    CMainFrame& MakeShown()
    {
        Make().ShowInitially(false);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        return *frame;
    }
    int Stored(const QString& name) { return CProfile::Instance().GetProfileInt(kFrame, name, -1); }

    static ICommandTarget* Target(QWidget& view) { return dynamic_cast<ICommandTarget*>(&view); }

    CMyDoc doc;
    std::unique_ptr<CMainFrame> frame;
};

} // namespace

TEST_F(MainFrame, PlacementAndSplitterSurviveARestart)
{
    const QRect workArea = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect placed(workArea.x() + 40, workArea.y() + 30, 600, 420);
    {
        CMainFrame& first = MakeShown();
        first.setGeometry(placed);
        ASSERT_TRUE(QTest::qWaitFor([&] { return first.TreeView().width() == 256; }));
        // The user drags the divider 46 pixels to the left.
        QSplitterHandle* handle = first.Splitter().handle(1);
        const QPoint grip = handle->rect().center();
        QTest::mousePress(handle, Qt::LeftButton, {}, grip);
        QTest::mouseMove(handle, grip - QPoint(46, 0));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, grip - QPoint(46, 0));
        ASSERT_EQ(first.Splitter().LeftPaneWidth(), 210);
        ASSERT_TRUE(first.close());
    }
    EXPECT_EQ(Stored(QStringLiteral("Status")), FrameShow::Normal);
    EXPECT_EQ(Stored(QStringLiteral("Left")), 40);
    EXPECT_EQ(Stored(QStringLiteral("Top")), 30);
    EXPECT_EQ(Stored(QStringLiteral("Right")), 640);
    EXPECT_EQ(Stored(QStringLiteral("Bottom")), 450);
    EXPECT_EQ(Stored(QStringLiteral("Splitter")), 210);
    // Written in the designed order.
    std::vector<std::pair<QString, QString>> values = CProfile::Instance().GetSectionValues(kFrame);
    QStringList names;
    for (const auto& value : values)
        names << value.first;
    EXPECT_EQ(names,
        (QStringList{QStringLiteral("Status"), QStringLiteral("Top"), QStringLiteral("Left"), QStringLiteral("Bottom"),
            QStringLiteral("Right"), QStringLiteral("Splitter")}));

    frame.reset();
    CMainFrame& second = MakeShown();
    EXPECT_EQ(second.InitialShowState(), FrameShow::Normal);
    EXPECT_EQ(second.geometry(), placed);
    EXPECT_EQ(second.Splitter().LeftPaneWidth(), 210);
    EXPECT_EQ(second.TreeView().width(), 210);
}

TEST_F(MainFrame, FirstStartKeepsTheDefaultPlacementAndA256PixelTree)
{
    CMainFrame& shown = MakeShown();
    EXPECT_EQ(shown.InitialShowState(), FrameShow::Normal);
    EXPECT_FALSE(shown.isMaximized());
    EXPECT_EQ(shown.Splitter().LeftPaneWidth(), 256);
    EXPECT_EQ(shown.TreeView().width(), 256);

    // A partial placement is no placement.
    frame.reset();
    CProfile::Instance().WriteProfileInt(kFrame, QStringLiteral("Status"), FrameShow::Maximized);
    CProfile::Instance().WriteProfileInt(kFrame, QStringLiteral("Top"), 10);
    CProfile::Instance().WriteProfileInt(kFrame, QStringLiteral("Left"), 10);
    EXPECT_EQ(Make().InitialShowState(), FrameShow::Normal);
}

TEST_F(MainFrame, MaximisedAndMinimisedWindowsStartThatWay)
{
    CMainFrame& first = MakeShown();
    first.showMaximized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.isMaximized(); }));
    ASSERT_TRUE(first.close());
    EXPECT_EQ(Stored(QStringLiteral("Status")), FrameShow::Maximized);

    frame.reset();
    CMainFrame& second = Make();
    EXPECT_EQ(second.InitialShowState(), FrameShow::Maximized);
    second.ShowInitially(false);
    EXPECT_TRUE(second.isMaximized());
    second.showNormal();
    second.showMinimized();
    ASSERT_TRUE(second.close());
    EXPECT_EQ(Stored(QStringLiteral("Status")), FrameShow::Minimized);

    frame.reset();
    CMainFrame& third = Make();
    EXPECT_EQ(third.InitialShowState(), FrameShow::Minimized);
    third.ShowInitially(false);
    EXPECT_TRUE(third.isMinimized());
}

TEST_F(MainFrame, StoredPlacementBeyondTheScreenIsPulledBack)
{
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    const QRect workArea = QGuiApplication::primaryScreen()->availableGeometry();
    CProfile& profile = CProfile::Instance();
    profile.WriteProfileInt(kFrame, QStringLiteral("Status"), FrameShow::Normal);
    profile.WriteProfileInt(kFrame, QStringLiteral("Top"), 5000);
    profile.WriteProfileInt(kFrame, QStringLiteral("Left"), 6000);
    profile.WriteProfileInt(kFrame, QStringLiteral("Bottom"), 5300);
    profile.WriteProfileInt(kFrame, QStringLiteral("Right"), 6400);
    const int icon = QApplication::style()->pixelMetric(QStyle::PM_LargeIconSize);
    CMainFrame& restored = Make();
    EXPECT_EQ(restored.geometry(), QRect(screen.width() - icon, screen.height() - icon, 400, 300));
    Q_UNUSED(workArea);
}

TEST(FramePlacementRule, LeftAndTopEdgesAreClampedToTheScreen)
{
    const QSize screen(1280, 800);
    const QSize icon(32, 32);
    const QRect workArea(0, 30, 1280, 770); // a panel along the top
    FramePlacement p{FrameShow::Normal, 100, 50, 900, 650};
    EXPECT_EQ(CMainFrame::RestoredRect(p, workArea, screen, icon), QRect(100, 80, 800, 600));

    // Exactly at the limit stays; one pixel beyond is moved back to it.
    p = {FrameShow::Normal, 1248, 738, 1848, 1138};
    EXPECT_EQ(CMainFrame::RestoredRect(p, workArea, screen, icon).topLeft(), QPoint(1248, 768));
    p = {FrameShow::Normal, 1249, 739, 1849, 1139};
    EXPECT_EQ(CMainFrame::RestoredRect(p, workArea, screen, icon), QRect(1248, 768, 600, 400));

    // Far up or left: the title bar and an icon's width of the window stay reachable.
    p = {FrameShow::Normal, -5000, -400, -4400, 0};
    EXPECT_EQ(CMainFrame::RestoredRect(p, workArea, screen, icon), QRect(32 - 600, 30, 600, 400));
    // Partly left of the screen is left as stored.
    p = {FrameShow::Normal, -100, 0, 500, 400};
    EXPECT_EQ(CMainFrame::RestoredRect(p, workArea, screen, icon), QRect(-100, 30, 600, 400));

    // A rectangle without width or height is no placement.
    p = {FrameShow::Normal, 100, 100, 100, 500};
    EXPECT_TRUE(CMainFrame::RestoredRect(p, workArea, screen, icon).isEmpty());
    p = {FrameShow::Normal, 100, 500, 400, 100};
    EXPECT_TRUE(CMainFrame::RestoredRect(p, workArea, screen, icon).isEmpty());
}

TEST_F(MainFrame, SelectionSizePane)
{
    CMainFrame& shown = MakeShown();
    auto* pane = shown.findChild<QLabel*>(QStringLiteral("122"));
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->text(), QStringLiteral("0 - 0 = 0"));
    shown.ShowSelectionSizes(1000, 400);
    EXPECT_EQ(pane->text(), QStringLiteral("1000 - 400 = 600"));
    EXPECT_EQ(shown.SelectedProjectBytes(), 1000);
    EXPECT_EQ(shown.SelectedTargetBytes(), 400);
    shown.ShowSelectionSizes(400, 1000);
    EXPECT_EQ(pane->text(), QStringLiteral("400 - 1000 = -600"));
    // Beyond 32 bits, and beyond 4 GiB on both sides.
    shown.ShowSelectionSizes(Q_INT64_C(5000000000), 1);
    EXPECT_EQ(pane->text(), QStringLiteral("5000000000 - 1 = 4999999999"));
    shown.ShowSelectionSizes(Q_INT64_C(4294967296), Q_INT64_C(8589934593));
    EXPECT_EQ(pane->text(), QStringLiteral("4294967296 - 8589934593 = -4294967297"));

    EXPECT_EQ(CMainFrame::FormatSelectionSizes(-5, 3), QStringLiteral("-5 - 3 = -8"));
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    EXPECT_EQ(
        CMainFrame::FormatSelectionSizes(max, 0), QStringLiteral("9223372036854775807 - 0 = 9223372036854775807"));
    // The difference of extreme values wraps instead of being undefined.
    EXPECT_EQ(
        CMainFrame::FormatSelectionSizes(max, -1), QStringLiteral("9223372036854775807 - -1 = -9223372036854775808"));
}

TEST_F(MainFrame, SelectedFilesOfTheListReachThePane)
{
    const QString path = MakeDocument(QStringLiteral("site.snc"), {QStringLiteral("web")});
    // A file on both sides, larger on the target side, besides the project-only one.
    dir.WriteFile(QStringLiteral("web/both.txt"), QByteArray(1000, 'a'), T);
    dir.WriteFile(QStringLiteral("web-target/both.txt"), QByteArray(6000, 'a'), T - 3600);
    CMainFrame& shown = MakeShown();
    ASSERT_TRUE(shown.DocCommands().OpenDocumentFile(path) && WaitForOpening(&shown.Document()));

    // Select the project in the tree: the path bars and the list follow.
    CProjectView& tree = shown.TreeView();
    QTreeWidgetItem* root = tree.topLevelItem(0);
    ASSERT_NE(root, nullptr);
    tree.expandItem(root);
    ASSERT_EQ(root->childCount(), 1);
    tree.setCurrentItem(root->child(0));
    EXPECT_EQ(shown.ProjectPathBar().Path(), dir.PathOf(QStringLiteral("web")));
    EXPECT_EQ(shown.TargetPathBar().Path(), TargetOf(QStringLiteral("web")));
    EXPECT_EQ(shown.TargetPathBar().Text(), TargetOf(QStringLiteral("web")));

    CFileSyncView& list = shown.FileView();
    ASSERT_TRUE(QTest::qWaitFor([&] { return list.topLevelItemCount() == 2; }));
    list.selectAll();
    auto* pane = shown.findChild<QLabel*>(QStringLiteral("122"));
    EXPECT_EQ(pane->text(), QStringLiteral("1012 - 6000 = -4988"));

    // The root shows no folders.
    tree.setCurrentItem(root);
    EXPECT_EQ(shown.ProjectPathBar().Text(), QStringLiteral("設定されていません"));
    EXPECT_EQ(shown.TargetPathBar().Text(), QStringLiteral("設定されていません"));
}

TEST_F(MainFrame, CommandsGoToTheActiveViewFirst)
{
    CMainFrame& shown = MakeShown();
    ICommandTarget* tree = Target(shown.TreeView());
    ICommandTarget* files = Target(shown.FileView());
    ICommandTarget* self = &shown;

    // Editing the columns: the file list handles it, and so does the frame.
    ASSERT_TRUE(files->HandlesCommand(Cmd::EditColumns));
    ASSERT_TRUE(self->HandlesCommand(Cmd::EditColumns));
    ASSERT_FALSE(tree->HandlesCommand(Cmd::EditColumns));
    // Refresh: both views handle it.
    ASSERT_TRUE(tree->HandlesCommand(Cmd::Refresh));
    ASSERT_TRUE(files->HandlesCommand(Cmd::Refresh));

    EXPECT_EQ(shown.ActiveView(), tree);
    EXPECT_EQ(shown.CommandTargetFor(Cmd::Refresh), tree);
    EXPECT_EQ(shown.CommandTargetFor(Cmd::EditColumns), self);
    EXPECT_TRUE(shown.CommandStateOf(Cmd::EditColumns).enabled);

    // The focus makes the file list the active view.
    shown.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&shown));
    shown.FileView().setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.ActiveView() == files; }));
    EXPECT_EQ(shown.CommandTargetFor(Cmd::Refresh), files);
    EXPECT_EQ(shown.CommandTargetFor(Cmd::EditColumns), files);
    // A command only the tree has is not reached from the list.
    EXPECT_EQ(shown.CommandTargetFor(Cmd::ExportAll), nullptr);
    EXPECT_FALSE(shown.CommandStateOf(Cmd::ExportAll).enabled);

    // The toolbar's and the Edit menu's stand-ins run the tree's commands
    // whichever view is active.
    EXPECT_EQ(shown.CommandTargetFor(Cmd::ToolbarCreateProject), tree);
    EXPECT_EQ(shown.CommandTargetFor(Cmd::ToolbarShowProjectState), tree);
    EXPECT_EQ(shown.CommandTargetFor(Cmd::MenuDeleteProject), tree);

    // Then the document's commands, the frame, the application.
    EXPECT_EQ(shown.CommandTargetFor(Cmd::FileSaveAs), &shown.DocCommands());
    EXPECT_EQ(shown.CommandTargetFor(Cmd::Help), self);
    EXPECT_EQ(shown.CommandTargetFor(Cmd::AppAbout), TheApp());
    EXPECT_EQ(shown.CommandTargetFor(Cmd::AppExit), TheApp());
    // Nobody: disabled.
    EXPECT_EQ(shown.CommandTargetFor(Cmd::EditCopy), nullptr);
    EXPECT_FALSE(shown.CommandStateOf(Cmd::EditCopy).enabled);

    shown.TreeView().setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.ActiveView() == tree; }));
    EXPECT_EQ(shown.CommandTargetFor(Cmd::Refresh), tree);

    // Tab moves to the other pane.
    ASSERT_TRUE(shown.RunCommand(Cmd::NextPane));
    EXPECT_EQ(shown.ActiveView(), files);
    ASSERT_TRUE(shown.RunCommand(Cmd::PrevPane));
    EXPECT_EQ(shown.ActiveView(), tree);
}

TEST_F(MainFrame, ToolbarProjectStateButtonTogglesTheTreesSetting)
{
    CMainFrame& shown = MakeShown();
    QAction* button = shown.Action(Cmd::ToolbarShowProjectState);
    ASSERT_NE(button, nullptr);
    const bool before = shown.TreeView().IsShowingProjectState();
    EXPECT_EQ(button->isChecked(), before);
    // Also with the file list active.
    shown.SetActiveView(&shown.FileView());
    button->trigger();
    EXPECT_EQ(shown.TreeView().IsShowingProjectState(), !before);
    EXPECT_EQ(button->isChecked(), !before);
    EXPECT_EQ(shown.Action(Cmd::ShowProjectSyncState)->isChecked(), !before);
}

TEST_F(MainFrame, MenusToolbarAndKeys)
{
    CMainFrame& shown = MakeShown();
    QStringList titles;
    for (QAction* menu : shown.menuBar()->actions())
        titles << menu->text();
    EXPECT_EQ(titles,
        (QStringList{QStringLiteral("ファイル(&F)"), QStringLiteral("編集(&E)"), QStringLiteral("表示(&V)"),
            QStringLiteral("同期(&S)"), QStringLiteral("ツール(&T)"), QStringLiteral("ヘルプ(&H)")}));
    EXPECT_EQ(shown.Action(Cmd::FileNew)->text(), QStringLiteral("新規作成(&N)\tCtrl+N"));
    EXPECT_EQ(shown.Action(Cmd::Refresh)->text(), QStringLiteral("最新の状態を表示\tF5"));
    EXPECT_EQ(shown.Action(Cmd::MenuDeleteProject)->text(), QStringLiteral("プロジェクト(&P)"));
    EXPECT_EQ(shown.Action(Cmd::MenuDeleteProject)->statusTip(), QStringLiteral("プロジェクトを削除します。"));
    EXPECT_EQ(shown.Action(Cmd::AppAbout)->text(), QStringLiteral("Pairwell のバージョン情報(&A)..."));
    // Printing is not part of the program.
    EXPECT_EQ(shown.Action(Cmd::FilePrint), nullptr);
    EXPECT_EQ(shown.AcceleratorAction(QStringLiteral("Ctrl+P")), nullptr);
    ASSERT_NE(shown.AcceleratorAction(QStringLiteral("F5")), nullptr);
    EXPECT_EQ(shown.AcceleratorAction(QStringLiteral("F5"))->shortcut(), QKeySequence(Qt::Key_F5));
    ASSERT_NE(shown.AcceleratorAction(QStringLiteral("Del")), nullptr);
    // The editing keys are left to the widgets.
    EXPECT_EQ(shown.AcceleratorAction(QStringLiteral("Ctrl+C")), nullptr);

    // The toolbar: the designed order, a picture, tooltip and status prompt for every button.
    std::vector<int> ids;
    for (QAction* action : shown.ToolBar().actions())
        ids.push_back(action->isSeparator() ? 0 : action->data().toInt());
    EXPECT_EQ(ids, ToolbarCommands());
    EXPECT_EQ(ids, (std::vector<int>{32773, 57600, 57601, 57603, 0, 32772, 32800, 32797, 32787, 32786, 32805, 32804}));
    for (QAction* action : shown.ToolBar().actions()) {
        if (action->isSeparator())
            continue;
        EXPECT_FALSE(action->icon().isNull()) << action->data().toInt();
        EXPECT_FALSE(action->toolTip().isEmpty()) << action->data().toInt();
        EXPECT_FALSE(action->statusTip().isEmpty()) << action->data().toInt();
    }
    QAction* exportButton = shown.Action(Cmd::Export);
    EXPECT_EQ(exportButton->toolTip(), QStringLiteral("エクスポート"));
    EXPECT_EQ(exportButton->statusTip(),
        QStringLiteral("プロジェクトフォルダからターゲットフォルダへファイルをエクスポートします。"));
    EXPECT_EQ(exportButton->text(), QStringLiteral("エクスポート(&E)..."));
    EXPECT_EQ(shown.Action(Cmd::ToolbarCreateProject)->toolTip(), QStringLiteral("プロジェクトの作成"));

    // The path bars and their labels.
    EXPECT_EQ(shown.ProjectPathBar().Label()->text(), QStringLiteral("プロジェクトフォルダ"));
    EXPECT_EQ(shown.TargetPathBar().Label()->text(), QStringLiteral("ターゲットフォルダ"));
    EXPECT_EQ(shown.ProjectPathBar().objectName(), QStringLiteral("59397"));
    EXPECT_EQ(shown.TargetPathBar().objectName(), QStringLiteral("59398"));
    EXPECT_EQ(shown.ProjectPathBar().Text(), QStringLiteral("設定されていません"));
    shown.ShowProjectFolderPath(QStringLiteral("/srv/projects/site"));
    EXPECT_EQ(shown.ProjectPathBar().Text(), QStringLiteral("/srv/projects/site"));
    shown.ShowProjectFolderPath(QString());
    EXPECT_EQ(shown.ProjectPathBar().Text(), QStringLiteral("設定されていません"));
}

TEST_F(MainFrame, EnableRulesAreAskedWhenAMenuOpens)
{
    CMainFrame& shown = MakeShown();
    QMenu* fileMenu = shown.FileMenu();
    ASSERT_NE(fileMenu, nullptr);
    QAction* first = shown.Action(Cmd::FileMru1);
    QAction* second = shown.Action(Cmd::FileMru1 + 1);
    // An empty list: the item's own text, disabled.
    Q_EMIT fileMenu->aboutToShow();
    EXPECT_EQ(first->text(), QStringLiteral("最近使ったファイル"));
    EXPECT_FALSE(first->isEnabled());
    EXPECT_FALSE(second->isVisible());

    // The list changed behind the menu's back; opening it shows the entries.
    RecentFileList().Add(QStringLiteral("/x/older.snc"));
    RecentFileList().Add(QStringLiteral("/x/newer.snc"));
    Q_EMIT fileMenu->aboutToShow();
    EXPECT_EQ(first->text(), QStringLiteral("&1 /x/newer.snc"));
    EXPECT_TRUE(first->isEnabled());
    EXPECT_EQ(second->text(), QStringLiteral("&2 /x/older.snc"));
    EXPECT_TRUE(second->isVisible());
    EXPECT_TRUE(second->isEnabled());
    EXPECT_FALSE(shown.Action(Cmd::FileMru1 + 2)->isVisible());

    EXPECT_TRUE(shown.Action(Cmd::Options)->isEnabled());
}

TEST_F(MainFrame, ClosingAsksAboutAModifiedDocumentAndKeepsThePlacementEitherWay)
{
    CMainFrame& shown = MakeShown();
    doc.SetModifiedFlag(true);
    prompt.Push(PromptAnswer::Cancel);
    EXPECT_FALSE(shown.close());
    EXPECT_TRUE(shown.isVisible());
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(prompt.Requests()[0].buttons, PromptButtons::YesNoCancel);
    EXPECT_EQ(Stored(QStringLiteral("Status")), FrameShow::Normal);
    EXPECT_EQ(Stored(QStringLiteral("Splitter")), shown.Splitter().LeftPaneWidth());

    prompt.Push(PromptAnswer::No);
    EXPECT_TRUE(shown.close());
    EXPECT_FALSE(shown.isVisible());
}

TEST_F(MainFrame, ExitCommandClosesTheApplicationsWindow)
{
    TheApp()->SetCommandLine({});
    ASSERT_TRUE(TheApp()->InitInstance());
    CMainFrame* main = TheApp()->MainFrame();
    ASSERT_TRUE(main->isVisible());
    ASSERT_TRUE(main->RunCommand(Cmd::AppExit));
    EXPECT_FALSE(main->isVisible());
}

TEST_F(MainFrame, HelpIsTheConfiguredPathOrThePageBesideTheProgram)
{
    CMainFrame& made = Make();
    GlobalOptionDisp().HelpFilePath.clear();
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/help/Welcome.htm");
    EXPECT_EQ(made.HelpPath(), beside);

    GlobalOptionDisp().HelpFilePath = QStringLiteral("https://pairwell.example/Help/HelpIndex.htm");
    EXPECT_EQ(made.HelpPath(), QStringLiteral("https://pairwell.example/Help/HelpIndex.htm"));

    // A help file that is not there is reported, with its path.
    const QString missing = dir.PathOf(QStringLiteral("no-help.htm"));
    GlobalOptionDisp().HelpFilePath = missing;
    prompt.Push(PromptAnswer::Ok);
    EXPECT_FALSE(made.OpenHelp());
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(
        prompt.Requests()[0].text, QStringLiteral("ファイル'%1'が見つからないか、開くことができません。").arg(missing));
    EXPECT_EQ(prompt.Requests()[0].icon, PromptIcon::Warning);
}

TEST_F(MainFrame, HelpThatNothingCanOpenSaysSo)
{
    CMainFrame& shown = MakeShown();
    shown.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&shown));
    FakeOpener opener(dir);
    const QString page = dir.WriteFile(QStringLiteral("help/index.htm"), "<html></html>");
    GlobalOptionDisp().HelpFilePath = page;
    const QString notAssociated = QStringLiteral("ファイル'%1'はアプリケーションに関連付けされていません。");

    // No application for web pages: F1 says so, and starts nothing.
    QTest::keyClick(&shown, Qt::Key_F1);
    EXPECT_EQ(prompt.Texts(), QStringList{notAssociated.arg(page)});
    EXPECT_EQ(prompt.Requests().back().icon, PromptIcon::Warning);
    EXPECT_FALSE(opener.Ran());

    // An application that fails: said once the opener has ended.
    opener.SetDefaultApplication(QStringLiteral("pw-browser.desktop"));
    opener.ExitWith(4);
    ASSERT_TRUE(shown.RunCommand(Cmd::Help));
    QTRY_VERIFY_WITH_TIMEOUT(RunningOpeners() == 0, 20000);
    EXPECT_EQ(prompt.Texts().mid(1),
        QStringList{QStringLiteral("ファイル'%1'が見つからないか、開くことができません。").arg(page)});

    // The online help page that no browser can show.
    const QString address = QStringLiteral("https://pairwell.example/Help/HelpIndex.htm");
    GlobalOptionDisp().HelpFilePath = address;
    opener.ExitWith(3);
    ASSERT_TRUE(shown.RunCommand(Cmd::Help));
    QTRY_VERIFY_WITH_TIMEOUT(RunningOpeners() == 0, 20000);
    EXPECT_EQ(opener.Arguments(), QStringList{address});
    EXPECT_EQ(prompt.Texts().mid(2), QStringList{notAssociated.arg(address)});
}

TEST_F(MainFrame, ShiftF10OpensTheFocusedPanesContextMenuAsTheMenuKeyDoes)
{
    CMainFrame& shown = MakeShown();
    shown.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&shown));

    // The texts of the pop-up menu that `open` shows, which is closed at once.
    const auto nextMenu = [](const std::function<void()>& open) {
        QStringList texts;
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                for (QAction* action : menu->actions())
                    texts << action->text();
                menu->close();
                poll.stop();
            }
        });
        poll.start();
        open();
        EXPECT_FALSE(poll.isActive()); // the menu ran while it was open
        return texts;
    };

    QStringList previous;
    for (QWidget* pane : {static_cast<QWidget*>(&shown.TreeView()), static_cast<QWidget*>(&shown.FileView())}) {
        // The closed menus hand the activation back to the window in their own time.
        ASSERT_TRUE(QTest::qWaitFor([&] {
            shown.activateWindow();
            pane->setFocus();
            return pane->hasFocus();
        })) << pane->metaObject()->className()
            << " " << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "none")
            << " " << (QApplication::activeWindow() ? QApplication::activeWindow()->metaObject()->className() : "none");
        const QStringList byShiftF10 = nextMenu([&] { QTest::keyClick(pane, Qt::Key_F10, Qt::ShiftModifier); });
        const QStringList byMenuKey = nextMenu([&] {
            QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(5, 5), pane->mapToGlobal(QPoint(5, 5)));
            QCoreApplication::sendEvent(pane, &menuKey);
        });
        EXPECT_FALSE(byShiftF10.isEmpty()) << pane->metaObject()->className();
        EXPECT_EQ(byShiftF10, byMenuKey) << pane->metaObject()->className();
        EXPECT_NE(byShiftF10, previous); // each pane its own menu
        previous = byShiftF10;
    }
}

TEST_F(MainFrame, TitleFollowsTheDocument)
{
    CMainFrame& shown = MakeShown();
    EXPECT_EQ(shown.windowTitle(), QStringLiteral("無題 - Pairwell"));
    const QString path = MakeDocument(QStringLiteral("Projects.snc"), {QStringLiteral("alpha")});
    ASSERT_TRUE(shown.DocCommands().OpenDocumentFile(path) && WaitForOpening(&shown.Document()));
    EXPECT_EQ(shown.windowTitle(), QStringLiteral("Projects.snc - Pairwell"));
    ASSERT_TRUE(shown.RunCommand(Cmd::FileNew));
    EXPECT_EQ(shown.windowTitle(), QStringLiteral("無題 - Pairwell"));
}

TEST_F(MainFrame, DroppedDocumentOpens)
{
    CMainFrame& shown = MakeShown();
    const QString path = MakeDocument(QStringLiteral("dropped file.snc"), {QStringLiteral("alpha")});
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dir.PathOf(QStringLiteral("notes.txt"))), QUrl::fromLocalFile(path)});

    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    enter.ignore();
    QApplication::sendEvent(&shown, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&shown, &drop);
    ASSERT_TRUE(WaitFor([&] { return doc.GetPathName() == path; }));
    EXPECT_EQ(doc.GetRoot().ChildCount(), 1);
    EXPECT_EQ(RecentFileList().At(0), path);

    // Other files are not taken.
    QMimeData other;
    other.setUrls({QUrl::fromLocalFile(dir.PathOf(QStringLiteral("notes.txt")))});
    QDragEnterEvent refused(QPoint(50, 50), Qt::CopyAction, &other, Qt::LeftButton, Qt::NoModifier);
    refused.ignore();
    QApplication::sendEvent(&shown, &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST_F(MainFrame, AboutBox)
{
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("Pairwellのﾊﾞｰｼﾞｮﾝ情報"));
    EXPECT_EQ(about.VersionLabel()->text(), QStringLiteral("Pairwell Version 2.31"));
    EXPECT_FALSE(about.DescriptionLabel()->text().isEmpty());
    ASSERT_FALSE(about.IconLabel()->pixmap().isNull());
    EXPECT_EQ(about.IconLabel()->pixmap().size(), QSize(32, 32));
}

TEST_F(MainFrame, RunsFromTheWindowShowThePreviewListFirst)
{
    doc.OnOpenDocument(MakeDocument(QStringLiteral("doc.snc"), {QStringLiteral("Proj")}));
    MakeShown();
    ASSERT_EQ(doc.GetRoot().ChildCount(), 1);

    // The preview appears (after the collection, which lets the window run
    // meanwhile); going back from it leaves both folders as they were.
    bool previewShown = false;
    ModalWatch<CSyncPreviewDlg> goBack([&](CSyncPreviewDlg* preview) {
        previewShown = true;
        preview->reject();
    });
    CAppOptionSync options;
    options.Flags = SyncFlags::fromInt(0x1 | 0x80); // subfolders, no questions
    doc.SetPreview(true);
    doc.Synchronize(&doc.GetRoot(), options, SyncDirection::Export);
    EXPECT_TRUE(previewShown);
    EXPECT_FALSE(TestDir::Exists(TargetOf(QStringLiteral("Proj")) + QStringLiteral("/only-here.txt")));

    // Accepted, the run copies.
    ModalWatch<CSyncPreviewDlg> goAhead([](CSyncPreviewDlg* preview) { preview->accept(); });
    doc.SetPreview(true);
    doc.Synchronize(&doc.GetRoot(), options, SyncDirection::Export);
    EXPECT_TRUE(WaitFor([&] { return !IsFileOperationRunning(); }));
    EXPECT_EQ(TestDir::ReadFile(TargetOf(QStringLiteral("Proj")) + QStringLiteral("/only-here.txt")),
        QByteArray("project side"));
}
