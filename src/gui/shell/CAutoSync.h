#pragma once

#include "core/sync/CSyncRun.h"
#include "gui/shell/CSystemTray.h"
#include "gui/shell/CommandTarget.h"

#include <QObject>
#include <QTimer>
#include <QtGlobal>
#include <vector>

class CMainFrame;

// Auto-sync and the task tray of the main window. Auto-sync exports every
// project on a fixed interval while the window sits minimised, usually in
// the tray. It is started with the start command (the interval dialog), the
// tray's default item or the switch -a, and ends with the stop command or
// when the window is restored from the tray.
//
// The running flag and the interval are the application's (CMainApp); this
// object owns the timer (armed on every minimise while auto-sync runs, and by
// the start command) and the tray icon (shown while the window is hidden in
// the tray). Each tick runs SyncAllNow, which the switches -s and -SOE use
// as well. A tick that comes while a run or a modal dialog is under way is
// left out; the next one runs again.
class CAutoSync : public QObject, public ICommandTarget
{
    Q_OBJECT

public:
    // The window's timer id of auto-sync.
    static constexpr int TimerId = 1;
    static constexpr qint64 MillisecondsPerMinute = 60000;
    // Intervals are kept within what a timer can count: 1 to 35791 minutes.
    static constexpr int MinMinutes = 1;
    static constexpr int MaxMinutes = 35791;

    explicit CAutoSync(CMainFrame& frame);
    ~CAutoSync() override;

    // ICommandTarget: start (32813) and stop (32814) auto-sync.
    bool HandlesCommand(int id) const override;
    void UpdateCommand(int id, CommandState& state) override;
    void ExecuteCommand(int id) override;

    // The start command: the interval dialog, then auto-sync on, the window
    // minimised and the timer armed with the minutes entered (which become
    // the interval of later minimises too). False when cancelled.
    bool Start();
    // The stop command: the timer killed, auto-sync off; the window stays.
    void Stop();
    bool IsRunning() const;

    // Minimise handling with display bit 7: hides the window into the tray,
    // lowers the thread priority and shows the icon. False (the window stays
    // on the task bar) where the desktop has no tray.
    bool HideIntoTray();
    // The restore command (61202): normal priority, the views refreshed, the
    // window shown, the icon out of the tray; a running auto-sync is stopped
    // and the user told so.
    void RestoreFromTray();
    // Whether the window is hidden with its icon in the tray.
    bool IsInTray() const;

    // (Re)arms the timer with `minutes` (kept within MinMinutes..MaxMinutes).
    void ArmTimer(int minutes);
    void KillTimer();
    bool IsTimerArmed() const { return m_timer.isActive(); }
    // The minutes and the period (milliseconds) the timer was armed with.
    int ArmedMinutes() const { return m_armedMinutes; }
    quint32 ArmedPeriod() const { return PeriodOf(m_armedMinutes); }
    static quint32 PeriodOf(int minutes);

    // Exports every project with the application's sync options, bit 7 (no
    // questions) set in memory only, as an unattended run: a project whose
    // project folder cannot be reached or looks unmounted is left out, and
    // while auto-sync runs nothing is asked or shown. What the run left out
    // or could not read is shown on the status bar until the next run, and
    // in a notice of the tray icon when the window is in the tray. The views
    // are told (hint 3) afterwards.
    void SyncAllNow();
    bool IsSyncing() const { return m_syncing; }
    // What the last SyncAllNow did (the switch -e ends the program with its outcome).
    const SyncRunResult& LastRunResult() const { return m_lastResult; }

    // The frame's close went through: the timer stops, the priority and the
    // icon go; a window closed while hidden in the tray ends the program.
    void OnFrameClosed();

    CSystemTray& Tray() { return m_tray; }

    // Test hook: how long one minute of the auto-sync timer lasts (60000 ms;
    // 0 restores it). The period that ArmedPeriod reports stays as designed.
    static void SetMinuteLengthForTesting(int milliseconds);

Q_SIGNALS:
    // A tick's or a switch's SyncAllNow has ended; `executed` as the run returned.
    void SyncAllFinished(bool executed);
    // A tick came while a run or a modal dialog was under way and was left
    // out, or while the document was being opened or rescanned and waits for
    // the end of that load.
    void TickSkipped();

private:
    void OnTimer();
    void ShowRunProblems(const QStringList& problems);
    bool CreateTray();
    // Commands from the tray wait while a run is under way.
    bool RunTrayCommand(int id);
    void RunDeferredCommands();
    void UpdateCommandStates();

    CMainFrame& m_frame;
    CSystemTray m_tray;
    QTimer m_timer;
    int m_armedMinutes = 0;
    bool m_syncing = false;
    bool m_tickAfterLoad = false; // a tick waits for the load of the document to end
    bool m_problemsShown = false; // the status bar shows a run's problems
    SyncRunResult m_lastResult;
    std::vector<int> m_deferred;
};
