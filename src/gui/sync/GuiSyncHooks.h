#pragma once

class CMyDoc;
class QWidget;

// Installs on the document (CMyDoc::SetSyncHooks, in place of an earlier
// window's) the window's parts of every run and file operation started
// through it: the preview list as the run's preview hook, the collection of
// a run on a worker thread (with a progress dialog that can cancel it, after
// the same delay as an operation's), and an observer
// that runs each copy or delete operation on a worker thread while the window
// keeps painting, with a modal progress dialog (files and bytes, the current
// name, Cancel) unless the operation is silent. Questions of the operation
// are asked on the window's thread; its failures are shown once, at the end,
// unless it is silent. The hooks stay until `owner` or `doc` is destroyed.
void InstallGuiSyncHooks(CMyDoc& doc, QWidget* owner);

// Whether a run is being prepared or carried out through the window: the
// sync options dialog loop, the preview list or a file operation. While it
// is, a timer must not start another run (auto-sync waits for its next tick).
bool IsSyncBusy();

// Marks a span of IsSyncBusy for its lifetime; spans may nest.
class CSyncBusyScope
{
public:
    CSyncBusyScope();
    ~CSyncBusyScope();
    CSyncBusyScope(const CSyncBusyScope&) = delete;
    CSyncBusyScope& operator=(const CSyncBusyScope&) = delete;
};

// Whether a file operation is running right now. While it runs the window
// handles no input besides its progress dialog; a timer that would start
// another run must wait for it to end.
bool IsFileOperationRunning();

// Whether the collection of a run is walking the tree on its worker thread
// right now: nothing may change a node meanwhile (a view computes no state).
bool IsCollectionRunning();

// How long an operation runs before its progress dialog appears (300 ms by
// default, so that a single small file does not flash a window); 0 shows it
// at once.
void SetProgressDialogDelay(int milliseconds);
