// Auto-sync as the user meets it: the start dialog and the enable rules, the
// timer's unattended exports on real folders, runs that fail, and the
// window's way into the task tray and back.
#include "AutoSyncFixture.h"

#include "core/platform/ProcessPriority.h"
#include "core/resources/CommandIds.h"
#include "core/sync/CSyncRun.h"
#include "gui/shell/CAutoSyncDlg.h"
#include "gui/sync/GuiSyncHooks.h"
#include "support/WorkerGate.h"

#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QToolButton>
#include <memory>

namespace {

const QString kCancelledText
    = QStringLiteral("自動同期は解除されました。自動同期を行う場合には、再度「自動同期の開始」を行ってください。");

class AutoSync : public AutoSyncFixture
{
protected:
    // A ModalWatch action: types `minutes` into the interval and presses "開始".
    static std::function<void(CAutoSyncDlg*)> Enter(const QString& minutes)
    {
        return [minutes](CAutoSyncDlg* dialog) {
            auto* edit = dialog->findChild<QLineEdit*>(QString::number(CAutoSyncDlg::IntervalEditId));
            ASSERT_NE(edit, nullptr);
            edit->setText(minutes);
            dialog->findChild<QPushButton*>(QStringLiteral("1"))->click();
        };
    }

    QAction* TrayAction(int id)
    {
        QMenu* menu = Controller().Tray().Menu();
        if (!menu)
            return nullptr;
        for (QAction* action : menu->actions()) {
            if (action->data().toInt() == id)
                return action;
        }
        return nullptr;
    }

    // Minimises the window and waits for its minimise handling.
    void Minimise()
    {
        Frame().showMinimized();
        ProcessQueuedEvents();
    }

    bool Enabled(int id) { return Frame().CommandStateOf(id).enabled; }
};

} // namespace

TEST_F(AutoSync, StartNeedsAProjectAndAutoSyncOff)
{
    ASSERT_TRUE(Start({}));
    EXPECT_FALSE(Enabled(Cmd::StartAutoSync));
    EXPECT_FALSE(Enabled(Cmd::StopAutoSync));
    EXPECT_TRUE(Enabled(Cmd::RestoreFromTray));
    Frame().UpdateCommandStates();
    ASSERT_NE(Frame().Action(Cmd::StartAutoSync), nullptr);
    EXPECT_FALSE(Frame().Action(Cmd::StartAutoSync)->isEnabled());
    // The command does nothing: no dialog, auto-sync stays off.
    EXPECT_FALSE(Frame().RunCommand(Cmd::StartAutoSync));
    EXPECT_FALSE(TheApp()->AutoSyncRunning());
    TheApp()->ExitInstance();

    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha")});
    ASSERT_TRUE(Start({path}));
    EXPECT_TRUE(Enabled(Cmd::StartAutoSync));
    EXPECT_FALSE(Enabled(Cmd::StopAutoSync));
    Frame().UpdateCommandStates();
    EXPECT_TRUE(Frame().Action(Cmd::StartAutoSync)->isEnabled());

    TheApp()->SetAutoSyncRunning(true);
    EXPECT_FALSE(Enabled(Cmd::StartAutoSync));
    EXPECT_TRUE(Enabled(Cmd::StopAutoSync));
}

TEST_F(AutoSync, StartDialogArmsTheEnteredMinutesWhichBecomeTheInterval)
{
    // Real minutes: no tick comes during this test.
    CAutoSync::SetMinuteLengthForTesting(0);
    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha")});
    ASSERT_TRUE(Start({path}));
    EXPECT_FALSE(Controller().IsTimerArmed());

    QString preset;
    ModalWatch<CAutoSyncDlg> watch([&](CAutoSyncDlg* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("自動同期の開始"));
        preset = dialog->findChild<QLineEdit*>(QStringLiteral("1101"))->text();
        Enter(QStringLiteral("30"))(dialog);
    });
    ASSERT_TRUE(Frame().RunCommand(Cmd::StartAutoSync));
    EXPECT_TRUE(watch.Ran());
    EXPECT_EQ(preset, QStringLiteral("15"));
    EXPECT_TRUE(TheApp()->AutoSyncRunning());
    EXPECT_TRUE(Doc().IsAutoSyncMode());
    EXPECT_EQ(TheApp()->AutoSyncMinutes(), 30);
    EXPECT_TRUE(Frame().isMinimized());
    ASSERT_TRUE(Controller().IsTimerArmed());
    EXPECT_EQ(Controller().ArmedMinutes(), 30);
    EXPECT_EQ(Controller().ArmedPeriod(), 1800000u);

    // The minimise's own arming uses the same interval.
    ProcessQueuedEvents();
    EXPECT_EQ(Controller().ArmedMinutes(), 30);
    EXPECT_TRUE(prompt.Requests().empty());

    // Stop: the timer goes, the window stays minimised.
    ASSERT_TRUE(Frame().RunCommand(Cmd::StopAutoSync));
    EXPECT_FALSE(TheApp()->AutoSyncRunning());
    EXPECT_FALSE(Doc().IsAutoSyncMode());
    EXPECT_FALSE(Controller().IsTimerArmed());
    EXPECT_TRUE(Frame().isMinimized());
    EXPECT_FALSE(Enabled(Cmd::StopAutoSync));

    // A later start offers the interval entered last.
    Frame().showNormal();
    ModalWatch<CAutoSyncDlg> second([&](CAutoSyncDlg* dialog) {
        preset = dialog->findChild<QLineEdit*>(QStringLiteral("1101"))->text();
        dialog->reject();
    });
    EXPECT_TRUE(Frame().RunCommand(Cmd::StartAutoSync));
    EXPECT_EQ(preset, QStringLiteral("30"));
    // Cancel changes nothing.
    EXPECT_FALSE(TheApp()->AutoSyncRunning());
    EXPECT_FALSE(Controller().IsTimerArmed());
    EXPECT_FALSE(Frame().isMinimized());
}

TEST_F(AutoSync, DialogRefusesWhatIsNotAnIntervalOfOneMinuteOrMore)
{
    CAutoSyncDlg dialog;
    dialog.SetMinutes(15);
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("1101"));
    ASSERT_NE(edit, nullptr);
    const QString notANumber = QStringLiteral("整数を入力してください。");
    const QString outOfRange = QStringLiteral("1 から 35791 までの整数を入力してください。");
    const std::vector<std::pair<QString, QString>> refused = {
        {QStringLiteral("0"), outOfRange},
        {QStringLiteral("-5"), outOfRange},
        {QStringLiteral("35792"), outOfRange},
        {QStringLiteral("99999999999999999999999"), outOfRange},
        {QString(), notANumber},
        {QStringLiteral("abc"), notANumber},
        {QStringLiteral("12x"), notANumber},
        {QStringLiteral("-"), notANumber},
    };
    for (const auto& [text, message] : refused) {
        dialog.setResult(QDialog::Rejected);
        edit->setText(text);
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Rejected) << text.toStdString();
        ASSERT_FALSE(prompt.Texts().isEmpty());
        EXPECT_EQ(prompt.Texts().last(), message) << text.toStdString();
        EXPECT_EQ(dialog.Minutes(), 15);
    }
    EXPECT_EQ(prompt.Requests().size(), refused.size());

    // Full-width digits from an input method, and blanks around the number.
    edit->setText(QStringLiteral(" １０ "));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Minutes(), 10);
    EXPECT_EQ(prompt.Requests().size(), refused.size());
}

TEST_F(AutoSync, SpinControlMovesTheNumberWithinTheRange)
{
    CAutoSyncDlg dialog;
    dialog.SetMinutes(2);
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("1101"));
    QWidget* spin = dialog.findChild<QWidget*>(QStringLiteral("1102"));
    ASSERT_NE(spin, nullptr);
    const QList<QToolButton*> arrows = spin->findChildren<QToolButton*>();
    ASSERT_EQ(arrows.size(), 2);
    QToolButton* up = arrows[0]->arrowType() == Qt::UpArrow ? arrows[0] : arrows[1];
    QToolButton* down = up == arrows[0] ? arrows[1] : arrows[0];

    up->click();
    EXPECT_EQ(edit->text(), QStringLiteral("3"));
    down->click();
    down->click();
    down->click();
    EXPECT_EQ(edit->text(), QStringLiteral("1"));
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->text(), QStringLiteral("2"));
    dialog.SetMinutes(CAutoSyncDlg::MaxMinutes);
    up->click();
    EXPECT_EQ(edit->text(), QStringLiteral("35791"));
    // A value out of range set from outside is brought into it.
    dialog.SetMinutes(0);
    EXPECT_EQ(edit->text(), QStringLiteral("1"));
}

TEST_F(AutoSync, TimerTickExportsEveryProjectWithoutAQuestionAndAppendsTheLog)
{
    // The user's options ask for confirmations (bit 7 clear).
    const SyncFlags flags = SyncFlag::Recursive | SyncFlag::DeleteFiles;
    SetSyncFlags(flags);
    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha"), QStringLiteral("beta")});
    const QString stale = dir.WriteFile(QStringLiteral("beta-target/stale.txt"), "gone at the source", T);
    ASSERT_TRUE(Start({QStringLiteral("-a1"), path}));
    QSignalSpy finished(&Controller(), &CAutoSync::SyncAllFinished);

    ASSERT_TRUE(WaitFor([&] { return finished.count() >= 1; }));
    EXPECT_TRUE(finished.at(0).at(0).toBool());
    for (const QString& name : {QStringLiteral("alpha"), QStringLiteral("beta")}) {
        EXPECT_EQ(
            TestDir::ReadFile(TargetOf(name) + QStringLiteral("/only-here.txt")), "project side " + name.toUtf8());
        EXPECT_EQ(TestDir::MTime(TargetOf(name) + QStringLiteral("/only-here.txt")), T);
        EXPECT_EQ(TestDir::ReadFile(TargetOf(name) + QStringLiteral("/docs/readme.txt")), QByteArray("docs"));
    }
    EXPECT_FALSE(TestDir::Exists(stale));
    EXPECT_TRUE(prompt.Requests().empty()) << prompt.Texts().join(QLatin1Char('\n')).toStdString();

    const QStringList first = LogLines();
    EXPECT_EQ(first.filter(QRegularExpression(QStringLiteral("^COPY "))).size(), 4) << first.join('\n').toStdString();
    EXPECT_EQ(first.filter(QRegularExpression(QStringLiteral("^DEL "))).size(), 1);
    EXPECT_TRUE(first.first().startsWith(QStringLiteral("DEL ")));
    EXPECT_TRUE(first.contains(QStringLiteral("DEL ") + stale));

    // Bit 7 is set for the run in memory only; the profile keeps the user's choice.
    EXPECT_TRUE(GlobalOptionSync().Flags & SyncFlag::NoConfirmation);
    EXPECT_EQ(StoredSyncFlags(), static_cast<int>(flags.toInt()));

    // A file changed later goes with a later tick, appended to the same log.
    dir.WriteFile(QStringLiteral("alpha/later.txt"), "later", T + 100);
    const QString later = TargetOf(QStringLiteral("alpha")) + QStringLiteral("/later.txt");
    ASSERT_TRUE(WaitFor([&] { return TestDir::Exists(later); }));
    ASSERT_TRUE(WaitFor([&] { return LogLines().size() == first.size() + 1; }));
    EXPECT_EQ(LogLines().mid(0, first.size()), first);
    EXPECT_TRUE(LogLines().last().startsWith(QStringLiteral("COPY ") + dir.PathOf(QStringLiteral("alpha/later.txt"))));
    EXPECT_TRUE(prompt.Requests().empty());
}

TEST_F(AutoSync, AnUnreachableProjectFolderShowsNoBoxAndTheNextTickTakesItAgain)
{
    // Deleting target folders that are gone at the source is on: an unmounted
    // project folder must not empty its target.
    SetSyncFlags(SyncFlag::Recursive | SyncFlag::DeleteFiles | SyncFlag::DeleteFolders);
    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha"), QStringLiteral("beta")});
    const QString kept = dir.WriteFile(QStringLiteral("alpha-target/kept.txt"), "only in the target", T);
    ASSERT_EQ(::rename(EncodeFileName(dir.PathOf(QStringLiteral("alpha"))).constData(),
                  EncodeFileName(dir.PathOf(QStringLiteral("alpha-unmounted"))).constData()),
        0);

    ASSERT_TRUE(Start({QStringLiteral("-a1"), path}));
    QSignalSpy finished(&Controller(), &CAutoSync::SyncAllFinished);
    ASSERT_TRUE(WaitFor([&] { return finished.count() >= 1; }));
    EXPECT_TRUE(TestDir::Exists(TargetOf(QStringLiteral("beta")) + QStringLiteral("/only-here.txt")));
    EXPECT_TRUE(TestDir::Exists(kept));
    EXPECT_TRUE(TestDir::Exists(TargetOf(QStringLiteral("alpha"))));
    EXPECT_EQ(Controller().LastRunResult().skippedProjects.size(), 1);
    EXPECT_TRUE(prompt.Requests().empty());

    // The disk comes back: a later tick exports it.
    ASSERT_EQ(::rename(EncodeFileName(dir.PathOf(QStringLiteral("alpha-unmounted"))).constData(),
                  EncodeFileName(dir.PathOf(QStringLiteral("alpha"))).constData()),
        0);
    EXPECT_TRUE(
        WaitFor([&] { return TestDir::Exists(TargetOf(QStringLiteral("alpha")) + QStringLiteral("/only-here.txt")); }));
    // The target-only file goes too now that the source is there again.
    EXPECT_TRUE(WaitFor([&] { return !TestDir::Exists(kept); }));
    EXPECT_TRUE(prompt.Requests().empty());
}

TEST_F(AutoSync, CopyErrorsAreLoggedWithoutABoxAndTheNextTickRunsAgain)
{
    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha")});
    // The target "folder" is a file: every copy into it fails.
    const QString target = TargetOf(QStringLiteral("alpha"));
    ASSERT_EQ(::rmdir(EncodeFileName(target).constData()), 0);
    dir.WriteFile(QStringLiteral("alpha-target"), "a file in the way", T);

    ASSERT_TRUE(Start({QStringLiteral("-a1"), path}));
    QSignalSpy finished(&Controller(), &CAutoSync::SyncAllFinished);
    ASSERT_TRUE(WaitFor([&] { return finished.count() >= 1; }));
    EXPECT_TRUE(Controller().LastRunResult().AnyFailed());
    const QStringList lines = LogLines();
    EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^COPY "))).size(), 2) << lines.join('\n').toStdString();
    EXPECT_TRUE(prompt.Requests().empty()) << prompt.Texts().join('\n').toStdString();
    EXPECT_TRUE(TheApp()->AutoSyncRunning());

    // The next tick runs again, and succeeds once the folder is there.
    ASSERT_TRUE(WaitFor([&] { return finished.count() >= 2; }));
    ASSERT_EQ(::unlink(EncodeFileName(target).constData()), 0);
    dir.MakeFolder(QStringLiteral("alpha-target"));
    EXPECT_TRUE(WaitFor([&] { return TestDir::Exists(target + QStringLiteral("/docs/readme.txt")); }));
    EXPECT_TRUE(prompt.Requests().empty());
}

TEST_F(AutoSync, ATickUnderAnOpenDialogWaitsForTheNextOne)
{
    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha")});
    ASSERT_TRUE(Start({QStringLiteral("-a1"), path}));
    QSignalSpy finished(&Controller(), &CAutoSync::SyncAllFinished);
    QSignalSpy skipped(&Controller(), &CAutoSync::TickSkipped);
    {
        QDialog dialog;
        dialog.setModal(true);
        dialog.show();
        ASSERT_TRUE(WaitFor([&] { return skipped.count() >= 1; }));
        EXPECT_EQ(finished.count(), 0);
        EXPECT_FALSE(TestDir::Exists(TargetOf(QStringLiteral("alpha")) + QStringLiteral("/only-here.txt")));
    }
    ASSERT_TRUE(WaitFor([&] { return finished.count() >= 1; }));
    EXPECT_TRUE(TestDir::Exists(TargetOf(QStringLiteral("alpha")) + QStringLiteral("/only-here.txt")));

    // The same while the user prepares a run of their own (its options or preview).
    dir.WriteFile(QStringLiteral("alpha/later.txt"), "later", T + 100);
    {
        const CSyncBusyScope preparing;
        const qsizetype before = skipped.count();
        ASSERT_TRUE(WaitFor([&] { return skipped.count() > before; }));
        EXPECT_FALSE(TestDir::Exists(TargetOf(QStringLiteral("alpha")) + QStringLiteral("/later.txt")));
    }
    EXPECT_TRUE(
        WaitFor([&] { return TestDir::Exists(TargetOf(QStringLiteral("alpha")) + QStringLiteral("/later.txt")); }));
}

TEST_F(AutoSync, ATickDuringARescanWaitsForTheWholeTree)
{
    // Target folders gone at the source are deleted: a run over a tree
    // still filling would take the folders not yet back for gone.
    SetSyncFlags(SyncFlag::Recursive | SyncFlag::DeleteFiles | SyncFlag::DeleteFolders);
    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha")});
    ASSERT_TRUE(Start({QStringLiteral("-a1"), path}));
    QSignalSpy finished(&Controller(), &CAutoSync::SyncAllFinished);
    QSignalSpy skipped(&Controller(), &CAutoSync::TickSkipped);
    ASSERT_TRUE(WaitFor([&] { return finished.count() >= 1; }));
    const QString readme = TargetOf(QStringLiteral("alpha")) + QStringLiteral("/docs/readme.txt");
    ASSERT_TRUE(TestDir::Exists(readme));
    dir.WriteFile(QStringLiteral("alpha/fresh/new.txt"), "new", T + 100);

    // The rescan held after the project's own folder: its subfolders are still to come.
    auto gate = std::make_unique<CWorkerGate>(1);
    TheApp()->Document()->BeginRescan();
    gate->WaitHeld();
    const qsizetype runs = finished.count();
    const qsizetype before = skipped.count();
    ASSERT_TRUE(WaitFor([&] { return skipped.count() > before; }));
    EXPECT_EQ(finished.count(), runs);
    EXPECT_TRUE(TestDir::Exists(readme));

    gate->Release();
    ASSERT_TRUE(WaitFor([&] { return finished.count() > runs; }));
    gate.reset();
    EXPECT_TRUE(TestDir::Exists(readme));
    EXPECT_EQ(TestDir::ReadFile(TargetOf(QStringLiteral("alpha")) + QStringLiteral("/fresh/new.txt")), "new");
    EXPECT_TRUE(prompt.Requests().empty()) << prompt.Texts().join('\n').toStdString();
}

TEST_F(AutoSync, AutoSwitchArmsItsMinutesOnTheFirstMinimise)
{
    CAutoSync::SetMinuteLengthForTesting(0);
    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha")});
    ASSERT_TRUE(Start({QStringLiteral("-a7"), path}));
    EXPECT_TRUE(TheApp()->AutoSyncRunning());
    // The window starts minimised; its minimise handling arms the timer.
    EXPECT_TRUE(Frame().isMinimized());
    ProcessQueuedEvents();
    ASSERT_TRUE(Controller().IsTimerArmed());
    EXPECT_EQ(Controller().ArmedMinutes(), 7);
    EXPECT_EQ(Controller().ArmedPeriod(), 7u * 60000u);
    EXPECT_EQ(CAutoSync::TimerId, 1);
    EXPECT_FALSE(Enabled(Cmd::StartAutoSync));
    EXPECT_TRUE(Enabled(Cmd::StopAutoSync));

    // Restored from the task bar (no tray), auto-sync goes on; the next
    // minimise arms the timer afresh with the same interval.
    Frame().showNormal();
    ProcessQueuedEvents();
    EXPECT_TRUE(TheApp()->AutoSyncRunning());
    Controller().KillTimer();
    Minimise();
    EXPECT_TRUE(Controller().IsTimerArmed());
    EXPECT_EQ(Controller().ArmedMinutes(), 7);
    EXPECT_TRUE(prompt.Requests().empty());
}

TEST_F(AutoSync, IntervalsAreKeptWithinWhatTheTimerCanCount)
{
    EXPECT_EQ(CAutoSync::PeriodOf(1), 60000u);
    EXPECT_EQ(CAutoSync::PeriodOf(15), 900000u);
    EXPECT_EQ(CAutoSync::PeriodOf(35791), 2147460000u);
    // Never a period of zero, and never one that wraps around.
    EXPECT_EQ(CAutoSync::PeriodOf(0), 60000u);
    EXPECT_EQ(CAutoSync::PeriodOf(-5), 60000u);
    EXPECT_EQ(CAutoSync::PeriodOf(100000), 2147460000u);

    CAutoSync::SetMinuteLengthForTesting(0);
    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha")});
    ASSERT_TRUE(Start({QStringLiteral("-a100000"), path}));
    ProcessQueuedEvents();
    ASSERT_TRUE(Controller().IsTimerArmed());
    EXPECT_EQ(Controller().ArmedMinutes(), CAutoSync::MaxMinutes);
}

TEST_F(AutoSync, WithoutATrayTheWindowMinimisesToTheTaskBar)
{
    CSystemTray::SetTrayAvailableForTesting(false);
    SetDisplayFlags(CAppOptionDisp().Flags | DispFlag::MinimizeToTray);
    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha")});
    ASSERT_TRUE(Start({QStringLiteral("-a2"), path}));
    ProcessQueuedEvents();
    EXPECT_FALSE(Controller().Tray().IsEnabled());
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_TRUE(Frame().isMinimized());
    EXPECT_FALSE(Controller().IsInTray());
    EXPECT_EQ(ThreadPriorityLowering(), PriorityLowering::None);
    EXPECT_TRUE(Controller().IsTimerArmed());

    // The restore command still stops auto-sync with its message.
    ASSERT_TRUE(Frame().RunCommand(Cmd::RestoreFromTray));
    EXPECT_FALSE(Frame().isMinimized());
    EXPECT_FALSE(TheApp()->AutoSyncRunning());
    EXPECT_EQ(prompt.Texts(), QStringList{kCancelledText});
}

TEST_F(AutoSync, MinimisingWithTrayBitHidesIntoTheTrayAtLowerPriority)
{
    CSystemTray::SetTrayAvailableForTesting(true);
    SetDisplayFlags(CAppOptionDisp().Flags | DispFlag::MinimizeToTray);
    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha")});
    ASSERT_TRUE(Start({path}));
    CSystemTray& tray = Controller().Tray();
    ASSERT_TRUE(tray.IsEnabled());
    EXPECT_TRUE(tray.IsHidden());
    EXPECT_EQ(tray.ToolTip(), QStringLiteral("Pairwell"));
    EXPECT_EQ(tray.IconId(), 145);
    const int nice = ThreadNiceValue();

    Minimise();
    EXPECT_FALSE(Frame().isVisible());
    EXPECT_TRUE(tray.IsShown());
    EXPECT_TRUE(tray.Icon()->isVisible());
    EXPECT_TRUE(Controller().IsInTray());
    const PriorityLowering lowering = ThreadPriorityLowering();
    ASSERT_NE(lowering, PriorityLowering::None);
    if (lowering == PriorityLowering::NiceValue)
        EXPECT_GT(ThreadNiceValue(), nice);
    else
        EXPECT_TRUE(ThreadUsesBatchPolicy());
    // Auto-sync is off: no timer, nothing exported.
    EXPECT_FALSE(Controller().IsTimerArmed());

    // "開く(&O)" without auto-sync only restores (and refreshes the views).
    QSignalSpy hints(&Doc(), &CMyDoc::UpdateAllViews);
    QAction* open = TrayAction(Cmd::RestoreFromTray);
    ASSERT_NE(open, nullptr);
    open->trigger();
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_FALSE(Frame().isMinimized());
    EXPECT_TRUE(tray.IsHidden());
    EXPECT_EQ(ThreadPriorityLowering(), PriorityLowering::None);
    EXPECT_EQ(ThreadNiceValue(), nice);
    EXPECT_FALSE(ThreadUsesBatchPolicy());
    EXPECT_TRUE(prompt.Requests().empty());
    bool refreshed = false;
    for (const QList<QVariant>& hint : hints)
        refreshed = refreshed || hint.at(0).toInt() == UpdateHint::Refresh;
    EXPECT_TRUE(refreshed);
}

TEST_F(AutoSync, RestoringFromTheTrayStopsAutoSyncAndSaysSo)
{
    CSystemTray::SetTrayAvailableForTesting(true);
    SetDisplayFlags(CAppOptionDisp().Flags | DispFlag::MinimizeToTray);
    CAutoSync::SetMinuteLengthForTesting(0);
    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha")});
    ASSERT_TRUE(Start({QStringLiteral("-a5"), path}));
    ProcessQueuedEvents();
    CSystemTray& tray = Controller().Tray();
    ASSERT_TRUE(Controller().IsInTray());
    ASSERT_TRUE(Controller().IsTimerArmed());
    EXPECT_EQ(Controller().ArmedMinutes(), 5);

    // The menu: four items, the start item bold and, while auto-sync runs, disabled.
    QMenu* menu = tray.Menu();
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0]->text(), QStringLiteral("自動同期の開始(&A)"));
    EXPECT_EQ(items[1]->text(), QStringLiteral("自動同期の中止(&T)"));
    EXPECT_EQ(items[2]->text(), QStringLiteral("開く(&O)"));
    EXPECT_EQ(items[3]->text(), QStringLiteral("アプリケーションの終了(&X)"));
    EXPECT_EQ(menu->defaultAction(), items[0]);
    EXPECT_TRUE(items[0]->font().bold());
    EXPECT_FALSE(items[1]->font().bold());
    EXPECT_TRUE(tray.HandleTrayMessage(145, QSystemTrayIcon::Context));
    EXPECT_FALSE(items[0]->isEnabled());
    EXPECT_TRUE(items[1]->isEnabled());
    EXPECT_TRUE(items[2]->isEnabled());
    EXPECT_TRUE(items[3]->isEnabled());
    // Another icon's message is not this one's.
    EXPECT_FALSE(tray.HandleTrayMessage(146, QSystemTrayIcon::DoubleClick));

    // A double-click issues the default item, whose rule keeps it off now.
    Q_EMIT tray.Icon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(TheApp()->AutoSyncRunning());

    TrayAction(Cmd::RestoreFromTray)->trigger();
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_FALSE(Frame().isMinimized());
    EXPECT_TRUE(tray.IsHidden());
    EXPECT_FALSE(TheApp()->AutoSyncRunning());
    EXPECT_FALSE(Doc().IsAutoSyncMode());
    EXPECT_FALSE(Controller().IsTimerArmed());
    EXPECT_EQ(ThreadPriorityLowering(), PriorityLowering::None);
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(prompt.Requests()[0].text, kCancelledText);
    EXPECT_EQ(prompt.Requests()[0].buttons, PromptButtons::Ok);
}

TEST_F(AutoSync, DoubleClickInTheTrayOpensTheStartDialog)
{
    CSystemTray::SetTrayAvailableForTesting(true);
    SetDisplayFlags(CAppOptionDisp().Flags | DispFlag::MinimizeToTray);
    CAutoSync::SetMinuteLengthForTesting(0);
    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha")});
    ASSERT_TRUE(Start({path}));
    Minimise();
    ASSERT_TRUE(Controller().IsInTray());

    ModalWatch<CAutoSyncDlg> watch(Enter(QStringLiteral("3")));
    Q_EMIT Controller().Tray().Icon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(watch.Ran());
    EXPECT_TRUE(TheApp()->AutoSyncRunning());
    EXPECT_EQ(TheApp()->AutoSyncMinutes(), 3);
    // The window stays hidden in the tray; the timer runs with the new interval.
    ProcessQueuedEvents();
    EXPECT_TRUE(Controller().IsInTray());
    ASSERT_TRUE(Controller().IsTimerArmed());
    EXPECT_EQ(Controller().ArmedMinutes(), 3);

    // Stop from the tray: auto-sync off, the window stays in the tray.
    TrayAction(Cmd::StopAutoSync)->trigger();
    EXPECT_FALSE(TheApp()->AutoSyncRunning());
    EXPECT_FALSE(Controller().IsTimerArmed());
    EXPECT_TRUE(Controller().IsInTray());
    EXPECT_TRUE(prompt.Requests().empty());
}

TEST_F(AutoSync, ExitFromTheTrayEndsTheProgram)
{
    CSystemTray::SetTrayAvailableForTesting(true);
    SetDisplayFlags(CAppOptionDisp().Flags | DispFlag::MinimizeToTray);
    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha")});
    ASSERT_TRUE(Start({QStringLiteral("-a5"), path}));
    ProcessQueuedEvents();
    ASSERT_TRUE(Controller().IsInTray());

    // A hidden window that closes is not the "last window closed" that ends
    // the event loop by itself: the tray's exit must end it.
    QApplication::setQuitOnLastWindowClosed(true);
    QTimer::singleShot(0, [this] { TrayAction(Cmd::AppExit)->trigger(); });
    QTimer::singleShot(10000, [] { QCoreApplication::exit(99); });
    const int code = QCoreApplication::exec();
    QApplication::setQuitOnLastWindowClosed(false);
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(Controller().Tray().IsEnabled());
    EXPECT_FALSE(Controller().IsTimerArmed());
    EXPECT_EQ(ThreadPriorityLowering(), PriorityLowering::None);
    EXPECT_TRUE(prompt.Requests().empty());
}

TEST_F(AutoSync, SyncAtStartLeavesOutAnUnreachableProjectFolder)
{
    // -s runs unattended too: an unmounted project folder must not empty its target.
    SetSyncFlags(SyncFlag::Recursive | SyncFlag::DeleteFiles | SyncFlag::DeleteFolders);
    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha"), QStringLiteral("beta")});
    const QString kept = dir.WriteFile(QStringLiteral("alpha-target/kept.txt"), "only in the target", T);
    ASSERT_EQ(::rename(EncodeFileName(dir.PathOf(QStringLiteral("alpha"))).constData(),
                  EncodeFileName(dir.PathOf(QStringLiteral("alpha-unmounted"))).constData()),
        0);
    ASSERT_TRUE(Start({QStringLiteral("-s"), path}));
    // The run starts once the document is rescanned, maybe before Start returns.
    ASSERT_TRUE(WaitFor([&] { return !Controller().LastRunResult().skippedProjects.isEmpty(); }));
    EXPECT_TRUE(TestDir::Exists(TargetOf(QStringLiteral("beta")) + QStringLiteral("/only-here.txt")));
    EXPECT_TRUE(TestDir::Exists(kept));
    EXPECT_EQ(Controller().LastRunResult().skippedProjects.size(), 1);
    // No box that would keep "-s -e" from ending; the status bar says which.
    EXPECT_TRUE(prompt.Requests().empty()) << prompt.Texts().join('\n').toStdString();
    EXPECT_TRUE(Frame().statusBar()->currentMessage().contains(QStringLiteral("「alpha」")));
}

TEST_F(AutoSync, AnEmptyMountPointIsLeftOutWithoutABoxAndTheStatusBarSaysWhich)
{
    SetSyncFlags(SyncFlag::Recursive | SyncFlag::DeleteFiles | SyncFlag::DeleteFolders);
    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha"), QStringLiteral("beta")});
    // alpha's disk held what its target holds; then it went, leaving its mount point empty.
    const QString kept = dir.WriteFile(QStringLiteral("alpha-target/only-here.txt"), "project side alpha", T);
    for (const char* name : {"alpha/only-here.txt", "alpha/docs/readme.txt"})
        ASSERT_EQ(::unlink(EncodeFileName(dir.PathOf(QString::fromLatin1(name))).constData()), 0);
    ASSERT_EQ(::rmdir(EncodeFileName(dir.PathOf(QStringLiteral("alpha/docs"))).constData()), 0);

    ASSERT_TRUE(Start({QStringLiteral("-a1"), path}));
    QSignalSpy finished(&Controller(), &CAutoSync::SyncAllFinished);
    ASSERT_TRUE(WaitFor([&] { return finished.count() >= 1; }));
    EXPECT_TRUE(TestDir::Exists(kept));
    EXPECT_TRUE(TestDir::Exists(TargetOf(QStringLiteral("beta")) + QStringLiteral("/only-here.txt")));
    EXPECT_EQ(Controller().LastRunResult().skippedProjects, QStringList{QStringLiteral("alpha")});
    EXPECT_TRUE(prompt.Requests().empty()) << prompt.Texts().join('\n').toStdString();
    const QString shown = Frame().statusBar()->currentMessage();
    EXPECT_TRUE(shown.contains(QStringLiteral("「alpha」"))) << shown.toStdString();

    // The disk is back: the next tick exports it and the message goes.
    dir.WriteFile(QStringLiteral("alpha/only-here.txt"), "project side alpha", T);
    const int before = finished.count();
    ASSERT_TRUE(WaitFor([&] { return finished.count() > before; }));
    EXPECT_TRUE(Controller().LastRunResult().skippedProjects.isEmpty());
    EXPECT_TRUE(Frame().statusBar()->currentMessage().isEmpty());
    EXPECT_TRUE(prompt.Requests().empty());
}
