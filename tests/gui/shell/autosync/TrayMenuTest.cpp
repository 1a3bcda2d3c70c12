// The four items of the tray's popup menu chosen as the user chooses them:
// the menu pops up, the left button is pressed and released on the item, and
// the item's command runs inside the menu's own mouse release. Quitting from
// there once deleted the menu under its own feet.
#include "AutoSyncFixture.h"

#include "core/platform/ProcessPriority.h"
#include "core/resources/CommandIds.h"
#include "gui/shell/CAutoSyncDlg.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>

namespace {

class TrayMenu : public AutoSyncFixture
{
protected:
    // A window hidden in the tray (display bit 7, a tray forced on) over a
    // document with one project; auto-sync running every 5 minutes when asked.
    void StartInTray(bool autoSync)
    {
        CSystemTray::SetTrayAvailableForTesting(true);
        SetDisplayFlags(CAppOptionDisp().Flags | DispFlag::MinimizeToTray);
        CAutoSync::SetMinuteLengthForTesting(0); // no tick during the test
        const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha")});
        QStringList params{path};
        if (autoSync)
            params.prepend(QStringLiteral("-a5"));
        ASSERT_TRUE(Start(params));
        if (!autoSync)
            Frame().showMinimized();
        ProcessQueuedEvents();
        ASSERT_TRUE(Controller().IsInTray());
    }

    // Right-click on the icon, then a click on the item of command `id`.
    void ClickTrayItem(int id)
    {
        CSystemTray& tray = Controller().Tray();
        QPointer<QMenu> menu = tray.Menu();
        ASSERT_FALSE(menu.isNull());
        Q_EMIT tray.Icon()->activated(QSystemTrayIcon::Context);
        menu->popup(QPoint(40, 40));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        QAction* item = nullptr;
        for (QAction* action : menu->actions()) {
            if (action->data().toInt() == id)
                item = action;
        }
        ASSERT_NE(item, nullptr);
        ASSERT_TRUE(item->isEnabled());
        const QPoint at = menu->actionGeometry(item).center();
        QTest::mouseMove(menu, at);
        // Deliberately a plain pointer: Qt goes on using the menu after the
        // item's command has returned, and so does the check below, which
        // AddressSanitizer watches.
        QMenu* const clicked = menu.data();
        QTest::mouseClick(clicked, Qt::LeftButton, Qt::NoModifier, at);
        EXPECT_FALSE(clicked->isVisible()); // closed by the click, and still there
    }
};

} // namespace

TEST_F(TrayMenu, ExitEndsTheProgramAndTheIconGoesAfterTheClick)
{
    StartInTray(true);
    QPointer<QMenu> menu = Controller().Tray().Menu();
    QPointer<QSystemTrayIcon> icon = Controller().Tray().Icon();

    // The window is hidden: its close is not the "last window closed" that
    // ends the event loop by itself; the tray's exit must end it.
    QApplication::setQuitOnLastWindowClosed(true);
    QTimer::singleShot(0, [this] { ClickTrayItem(Cmd::AppExit); });
    QTimer::singleShot(10000, [] { QCoreApplication::exit(99); });
    const int code = QCoreApplication::exec();
    QApplication::setQuitOnLastWindowClosed(false);

    EXPECT_EQ(code, 0);
    EXPECT_FALSE(Frame().isVisible());
    EXPECT_FALSE(Controller().Tray().IsEnabled());
    EXPECT_EQ(Controller().Tray().Menu(), nullptr);
    EXPECT_FALSE(Controller().IsTimerArmed());
    EXPECT_EQ(ThreadPriorityLowering(), PriorityLowering::None);
    EXPECT_TRUE(prompt.Requests().empty());
    // The menu and the icon were deleted once the click had been handled.
    QTRY_VERIFY(menu.isNull());
    QTRY_VERIFY(icon.isNull());
}

TEST_F(TrayMenu, OpenRestoresTheWindowStopsAutoSyncAndSaysSo)
{
    StartInTray(true);
    ClickTrayItem(Cmd::RestoreFromTray);
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_FALSE(Frame().isMinimized());
    EXPECT_TRUE(Controller().Tray().IsHidden());
    EXPECT_FALSE(TheApp()->AutoSyncRunning());
    EXPECT_FALSE(Controller().IsTimerArmed());
    EXPECT_EQ(prompt.Texts(),
        QStringList{QStringLiteral(
            "自動同期は解除されました。自動同期を行う場合には、再度「自動同期の開始」を行ってください。")});
    // The icon and its menu stay for the next minimise.
    EXPECT_TRUE(Controller().Tray().IsEnabled());
    EXPECT_NE(Controller().Tray().Menu(), nullptr);
}

TEST_F(TrayMenu, StopEndsAutoSyncAndTheWindowStaysInTheTray)
{
    StartInTray(true);
    ClickTrayItem(Cmd::StopAutoSync);
    EXPECT_FALSE(TheApp()->AutoSyncRunning());
    EXPECT_FALSE(Controller().IsTimerArmed());
    EXPECT_TRUE(Controller().IsInTray());
    EXPECT_TRUE(prompt.Requests().empty());
}

TEST_F(TrayMenu, StartOpensTheIntervalDialogAndArmsItsMinutes)
{
    StartInTray(false);
    ASSERT_FALSE(TheApp()->AutoSyncRunning());
    ModalWatch<CAutoSyncDlg> watch([](CAutoSyncDlg* dialog) {
        dialog->findChild<QLineEdit*>(QString::number(CAutoSyncDlg::IntervalEditId))->setText(QStringLiteral("7"));
        dialog->findChild<QPushButton*>(QStringLiteral("1"))->click();
    });
    ClickTrayItem(Cmd::StartAutoSync);
    EXPECT_TRUE(watch.Ran());
    ProcessQueuedEvents();
    EXPECT_TRUE(TheApp()->AutoSyncRunning());
    EXPECT_TRUE(Controller().IsInTray());
    ASSERT_TRUE(Controller().IsTimerArmed());
    EXPECT_EQ(Controller().ArmedMinutes(), 7);
}
