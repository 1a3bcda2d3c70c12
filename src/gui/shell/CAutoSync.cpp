#include "gui/shell/CAutoSync.h"

#include "core/model/CMyDoc.h"
#include "core/platform/ProcessPriority.h"
#include "core/platform/Prompt.h"
#include "core/resources/CommandIds.h"
#include "core/resources/ResourceIds.h"
#include "core/resources/Texts.h"
#include "core/settings/CAppOptionSync.h"
#include "core/sync/CSyncRun.h"
#include "gui/resources/Pictures.h"
#include "gui/shell/CAutoSyncDlg.h"
#include "gui/shell/CMainApp.h"
#include "gui/shell/CMainFrame.h"
#include "gui/shell/CWaitCursor.h"
#include "gui/sync/GuiSyncHooks.h"

#include <QApplication>
#include <QStatusBar>
#include <algorithm>
#include <limits>
#include <memory>
#include <utility>

namespace {

int g_minuteLength = static_cast<int>(CAutoSync::MillisecondsPerMinute);

QString AutoSyncCancelledText()
{
    return QStringLiteral("自動同期は解除されました。自動同期を行う場合には、再度「自動同期の開始」を行ってください。");
}

int ClampMinutes(int minutes)
{
    return std::clamp(minutes, CAutoSync::MinMinutes, CAutoSync::MaxMinutes);
}

} // namespace

CAutoSync::CAutoSync(CMainFrame& frame) : QObject(&frame), m_frame(frame)
{
    setObjectName(QStringLiteral("AutoSync"));
    m_timer.setObjectName(QStringLiteral("AutoSyncTimer"));
    connect(&m_timer, &QTimer::timeout, this, &CAutoSync::OnTimer);

    m_tray.SetRouter({
        [this](int id) { return m_frame.CommandStateOf(id); },
        [this](int id) { return RunTrayCommand(id); },
        [this]() -> QWidget* { return &m_frame; },
    });
    // The icon waits out of the tray until the window is minimised into it.
    CreateTray();
}

CAutoSync::~CAutoSync()
{
    m_timer.stop();
    if (m_tray.IsShown())
        RestoreThreadPriority();
}

bool CAutoSync::CreateTray()
{
    if (!m_tray.Create(LoadString(Str::AppTitle), ProgramIcon(), Res::TrayMenu))
        return false;
    m_tray.HideTrayIcon();
    return true;
}

// ---------------------------------------------------------------- commands

bool CAutoSync::HandlesCommand(int id) const
{
    return id == Cmd::StartAutoSync || id == Cmd::StopAutoSync;
}

void CAutoSync::UpdateCommand(int id, CommandState& state)
{
    switch (id) {
    case Cmd::StartAutoSync:
        state.enabled = TheApp() && !IsRunning() && m_frame.Document().GetRoot().ChildCount() > 0;
        break;
    case Cmd::StopAutoSync:
        state.enabled = IsRunning();
        break;
    default:
        state.enabled = false;
        break;
    }
}

void CAutoSync::ExecuteCommand(int id)
{
    if (id == Cmd::StartAutoSync)
        Start();
    else if (id == Cmd::StopAutoSync)
        Stop();
}

bool CAutoSync::IsRunning() const
{
    const CMainApp* app = TheApp();
    return app && app->AutoSyncRunning();
}

bool CAutoSync::Start()
{
    CMainApp* app = TheApp();
    if (!app)
        return false;
    CAutoSyncDlg dialog(&m_frame);
    dialog.SetMinutes(app->AutoSyncMinutes());
    if (dialog.exec() != QDialog::Accepted)
        return false;

    // The interval entered is the one every later minimise arms as well.
    app->SetAutoSyncMinutes(dialog.Minutes());
    app->SetAutoSyncRunning(true);
    // The minimise goes into the tray when display bit 7 is set and arms the
    // timer; a window already hidden in the tray stays there.
    if (!m_frame.isMinimized())
        m_frame.showMinimized();
    ArmTimer(dialog.Minutes());
    UpdateCommandStates();
    return true;
}

void CAutoSync::Stop()
{
    KillTimer();
    if (CMainApp* app = TheApp())
        app->SetAutoSyncRunning(false);
    UpdateCommandStates();
}

// ---------------------------------------------------------------- tray

bool CAutoSync::IsInTray() const
{
    return m_tray.IsShown() && !m_frame.isVisible();
}

bool CAutoSync::HideIntoTray()
{
    // A tray that has appeared since the window was made is used as well.
    if (!m_tray.IsEnabled() && !CreateTray())
        return false;
    m_frame.hide();
    LowerThreadPriority();
    m_tray.ShowTrayIcon();
    return true;
}

void CAutoSync::RestoreFromTray()
{
    RestoreThreadPriority();
    Q_EMIT m_frame.Document().UpdateAllViews(UpdateHint::Refresh, nullptr);
    m_frame.showNormal();
    m_frame.raise();
    m_frame.activateWindow();
    // The icon is in the tray only while the window is hidden there.
    m_tray.HideTrayIcon();
    if (IsRunning()) {
        Stop();
        CurrentPrompt().ShowMessage(AutoSyncCancelledText(), PromptIcon::Information);
    }
    UpdateCommandStates();
}

bool CAutoSync::RunTrayCommand(int id)
{
    // A menu choice or a double-click during a run (whose progress keeps the
    // events flowing) is carried out once the run has ended.
    if (m_syncing) {
        m_deferred.push_back(id);
        return true;
    }
    return m_frame.RunCommand(id);
}

void CAutoSync::RunDeferredCommands()
{
    std::vector<int> commands;
    commands.swap(m_deferred);
    for (int id : commands)
        m_frame.RunCommand(id);
}

void CAutoSync::OnFrameClosed()
{
    const bool hiddenInTray = IsInTray();
    KillTimer();
    if (m_tray.IsShown())
        RestoreThreadPriority();
    m_tray.DeleteTrayIcon();
    // A window closed while hidden is not the "last window closed" that ends
    // the event loop by itself.
    if (hiddenInTray && QGuiApplication::quitOnLastWindowClosed())
        QCoreApplication::quit();
}

// ---------------------------------------------------------------- timer

quint32 CAutoSync::PeriodOf(int minutes)
{
    return static_cast<quint32>(ClampMinutes(minutes) * MillisecondsPerMinute);
}

void CAutoSync::SetMinuteLengthForTesting(int milliseconds)
{
    g_minuteLength = milliseconds > 0 ? milliseconds : static_cast<int>(MillisecondsPerMinute);
}

void CAutoSync::ArmTimer(int minutes)
{
    // Arming again replaces the period and starts the count afresh.
    m_armedMinutes = ClampMinutes(minutes);
    const qint64 interval = qint64(m_armedMinutes) * g_minuteLength;
    m_timer.start(static_cast<int>(std::min<qint64>(interval, std::numeric_limits<int>::max())));
}

void CAutoSync::KillTimer()
{
    m_timer.stop();
}

void CAutoSync::OnTimer()
{
    // Two runs never overlap, and no run starts under an open dialog (the
    // sync options or the preview of a run the user is preparing, too).
    if (m_syncing || IsSyncBusy() || IsFileOperationRunning() || QApplication::activeModalWidget()) {
        Q_EMIT TickSkipped();
        return;
    }
    CMyDoc& doc = m_frame.Document();
    if (doc.IsLoading()) {
        // A run acts on the whole tree, which is still filling: the tick
        // comes once the load has ended.
        Q_EMIT TickSkipped();
        if (std::exchange(m_tickAfterLoad, true))
            return;
        auto connection = std::make_shared<QMetaObject::Connection>();
        *connection = connect(&doc, &CMyDoc::LoadingChanged, this, [this, connection](bool loading) {
            if (loading)
                return;
            disconnect(*connection);
            m_tickAfterLoad = false;
            // After whatever ended the load has finished.
            QMetaObject::invokeMethod(this, &CAutoSync::OnTimer, Qt::QueuedConnection);
        });
        return;
    }
    SyncAllNow();
}

void CAutoSync::SyncAllNow()
{
    if (m_syncing)
        return;
    m_syncing = true;
    CMyDoc& doc = m_frame.Document();
    CAppOptionSync& options = GlobalOptionSync();
    // No questions for an unattended run; in memory only, the profile keeps the user's choice.
    options.Flags |= SyncFlag::NoConfirmation;
    // Nobody is there to look at a preview list.
    const bool preview = doc.IsPreview();
    doc.SetPreview(false);
    bool executed = false;
    {
        const CSyncBusyScope busy;
        CWaitCursor wait;
        CSyncRun run(doc);
        run.SetHooks(doc.GetSyncHooks());
        run.SetUnattended(true);
        executed = run.Synchronize(&doc.GetRoot(), options, SyncDirection::Export);
        m_lastResult = run.Result();
        ShowRunProblems(m_lastResult.problems);
    }
    doc.SetPreview(preview);
    m_syncing = false;

    Q_EMIT doc.UpdateAllViews(UpdateHint::RunDone, nullptr);
    Q_EMIT SyncAllFinished(executed);
    if (!m_deferred.empty())
        QMetaObject::invokeMethod(this, &CAutoSync::RunDeferredCommands, Qt::QueuedConnection);
}

void CAutoSync::ShowRunProblems(const QStringList& problems)
{
    QStatusBar* bar = m_frame.statusBar();
    if (problems.isEmpty()) {
        if (m_problemsShown)
            bar->clearMessage();
        m_problemsShown = false;
        return;
    }
    // No box for an unattended run: the window keeps the news for whoever looks.
    QString summary = problems.first();
    if (problems.size() > 1)
        summary += QStringLiteral("（ほか %1 件）").arg(problems.size() - 1);
    bar->showMessage(summary);
    m_problemsShown = true;
    if (IsInTray() && m_tray.Icon())
        m_tray.Icon()->showMessage(
            LoadString(Str::AppTitle), problems.join(QLatin1Char('\n')), QSystemTrayIcon::Warning);
}

void CAutoSync::UpdateCommandStates()
{
    m_frame.UpdateCommandStates();
}
