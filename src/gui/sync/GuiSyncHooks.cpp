#include "gui/sync/GuiSyncHooks.h"

#include "core/model/CMyDoc.h"
#include "core/model/CProject.h"
#include "core/platform/Prompt.h"
#include "core/sync/CFileOperation.h"
#include "core/sync/CSyncRun.h"
#include "gui/sync/CFileProgressDlg.h"
#include "gui/sync/CSyncPreviewDlg.h"

#include <QCursor>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace {

bool g_running = false;
bool g_collecting = false;
int g_busy = 0;
int g_delay = 300;

// The arrow cursor for the lifetime of a scope: a window that takes input
// must not show the wait cursor of the command that opened it.
class CArrowCursor
{
public:
    CArrowCursor() { QGuiApplication::setOverrideCursor(Qt::ArrowCursor); }
    ~CArrowCursor() { QGuiApplication::restoreOverrideCursor(); }
    CArrowCursor(const CArrowCursor&) = delete;
    CArrowCursor& operator=(const CArrowCursor&) = delete;
};

// Asks every question on the thread of `gui`: an operation on a worker
// thread waits for the answer there. `beforeAsk` runs on that thread first.
class CGuiThreadPrompt : public CPrompt
{
public:
    CGuiThreadPrompt(CPrompt& target, QObject* gui, std::function<void()> beforeAsk)
        : m_target(target), m_gui(gui), m_beforeAsk(std::move(beforeAsk))
    {
    }

    PromptAnswer Ask(const PromptRequest& request) override
    {
        PromptAnswer answer = CautiousAnswer(request.buttons);
        const auto ask = [this, &request, &answer] {
            if (m_beforeAsk)
                m_beforeAsk();
            answer = m_target.Ask(request);
        };
        if (QThread::currentThread() == m_gui->thread())
            ask();
        else
            QMetaObject::invokeMethod(m_gui, ask, Qt::BlockingQueuedConnection);
        return answer;
    }

private:
    CPrompt& m_target;
    QObject* m_gui;
    std::function<void()> m_beforeAsk;
};

// Keeps a window open while an operation runs: its close box does nothing
// (the progress dialog, once shown, blocks it anyway).
class CCloseBlocker : public QObject
{
public:
    explicit CCloseBlocker(QWidget* window) : m_window(window)
    {
        if (m_window)
            m_window->installEventFilter(this);
    }
    ~CCloseBlocker() override
    {
        if (m_window)
            m_window->removeEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_window && event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        return false;
    }

private:
    QPointer<QWidget> m_window;
};

// One long task on a worker thread while the window goes on painting. At
// first the window takes no input: most tasks end before the progress dialog
// would appear. After the delay (or at once when a question is about to be
// asked, through ShowDialog) the modal progress dialog takes the input until
// the task has ended; an unattended task never shows one. The dialog is
// brought up to date every 100 ms.
class CProgressLoop
{
public:
    using MakeDialog = std::function<std::unique_ptr<QWidget>()>;
    using UpdateDialog = std::function<void(QWidget&)>;

    CProgressLoop(bool silent, MakeDialog make, UpdateDialog update)
        : m_silent(silent), m_make(std::move(make)), m_update(std::move(update))
    {
    }

    void ShowDialog()
    {
        if (m_silent || m_dialog)
            return;
        m_dialog = m_make();
        m_update(*m_dialog);
        m_arrow = std::make_unique<CArrowCursor>();
        m_dialog->show();
        // From now on the dialog takes the input.
        m_loop.quit();
    }
    QWidget* Dialog() const { return m_dialog.get(); }

    // Runs `work` on a worker thread; returns once it has ended.
    void Run(const std::function<void()>& work)
    {
        std::atomic<bool> done{false};
        std::thread worker([&] {
            work();
            done = true;
            QMetaObject::invokeMethod(&m_loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        QTimer refresh;
        refresh.setInterval(100);
        QObject::connect(&refresh, &QTimer::timeout, [this] {
            if (m_dialog)
                m_update(*m_dialog);
        });
        refresh.start();
        QTimer delay;
        delay.setSingleShot(true);
        if (!m_silent) {
            QObject::connect(&delay, &QTimer::timeout, [this] { ShowDialog(); });
            delay.start(g_delay);
        }
        if (!done)
            m_loop.exec(QEventLoop::ExcludeUserInputEvents);
        while (!done) {
            ShowDialog();
            m_loop.exec(m_silent ? QEventLoop::ExcludeUserInputEvents : QEventLoop::AllEvents);
        }
        worker.join();
    }

private:
    QEventLoop m_loop;
    bool m_silent;
    MakeDialog m_make;
    UpdateDialog m_update;
    std::unique_ptr<QWidget> m_dialog;
    std::unique_ptr<CArrowCursor> m_arrow;
};

struct ProgressState
{
    qint64 totalFiles = 0;
    qint64 totalBytes = 0;
    qint64 filesDone = 0;
    qint64 bytesDone = 0;
    QString name;
};

// The observer of every file operation started through the document.
class CGuiOperationObserver : public QObject, public IFileOperationObserver
{
public:
    CGuiOperationObserver(QWidget* owner, CMyDoc& doc) : QObject(owner), m_owner(owner), m_doc(&doc) { }
    ~CGuiOperationObserver() override;

    // Called on the operation's thread.
    void Started(qint64 totalFiles, qint64 totalBytes) override
    {
        std::lock_guard lock(m_mutex);
        m_state.totalFiles = totalFiles;
        m_state.totalBytes = totalBytes;
    }
    void Progress(qint64 filesDone, qint64 bytesDone, const QString& name) override
    {
        std::lock_guard lock(m_mutex);
        m_state.filesDone = filesDone;
        m_state.bytesDone = bytesDone;
        m_state.name = name;
    }
    bool CancelRequested() override { return m_cancel.load(); }
    // Kept until the operation has ended, then shown on the window's thread.
    void ShowErrors(const QStringList& errors) override
    {
        std::lock_guard lock(m_mutex);
        m_errors << errors;
    }

    void RunOperation(FileOpKind kind, FileOpFlags flags, const std::function<void()>& operation) override;

private:
    void UpdateDialog(CFileProgressDlg& dialog)
    {
        ProgressState state;
        {
            std::lock_guard lock(m_mutex);
            state = m_state;
        }
        dialog.SetProgress(state.totalFiles, state.totalBytes, state.filesDone, state.bytesDone, state.name);
    }

    QPointer<QWidget> m_owner;
    QPointer<CMyDoc> m_doc; // null once the document is being destroyed
    std::mutex m_mutex;
    ProgressState m_state;
    QStringList m_errors;
    std::atomic<bool> m_cancel{false};
    bool m_running = false;
};

CGuiOperationObserver::~CGuiOperationObserver()
{
    // The window that showed the document has gone: so have its hooks.
    if (m_doc && m_doc->GetSyncHooks().observer == this)
        m_doc->SetSyncHooks({});
}

void CGuiOperationObserver::RunOperation(FileOpKind kind, FileOpFlags flags, const std::function<void()>& operation)
{
    // An operation started inside another one, or on another thread, runs where it is.
    if (m_running || QThread::currentThread() != thread()) {
        operation();
        return;
    }
    m_running = true;
    g_running = true;
    const CSyncBusyScope busy;
    {
        std::lock_guard lock(m_mutex);
        m_state = ProgressState();
        m_errors.clear();
    }
    m_cancel = false;
    const bool silent = flags & FileOpFlag::Silent;
    QWidget* window = m_owner ? m_owner->window() : nullptr;
    {
        CProgressLoop progress(
            silent,
            [this, kind, window] {
                auto dialog = std::make_unique<CFileProgressDlg>(kind, window);
                connect(dialog.get(), &CFileProgressDlg::CancelRequested, this, [this] { m_cancel = true; });
                return dialog;
            },
            [this](QWidget& dialog) { UpdateDialog(static_cast<CFileProgressDlg&>(dialog)); });
        CGuiThreadPrompt prompt(CurrentPrompt(), this, [&progress] { progress.ShowDialog(); });
        CPromptScope scope(prompt);
        CCloseBlocker blocker(window);
        progress.Run(operation);
        if (auto* dialog = static_cast<CFileProgressDlg*>(progress.Dialog())) {
            UpdateDialog(*dialog);
            dialog->Finish();
        }
    }

    QStringList errors;
    {
        std::lock_guard lock(m_mutex);
        errors.swap(m_errors);
    }
    m_running = false;
    g_running = false;
    // One summary of the failures, after the progress dialog has gone.
    if (!errors.isEmpty() && !silent)
        ShowFileOperationErrors(errors);
}

QString CollectProgressText(const RescanControl& control)
{
    return QStringLiteral("同期対象を調べています...\nフォルダ %L1、ファイル %L2")
        .arg(control.folders.load(std::memory_order_relaxed))
        .arg(control.files.load(std::memory_order_relaxed));
}

// The collection of a run on a worker thread. The window goes on painting
// but takes no input meanwhile (the tree must not change under the walk);
// after a moment a progress dialog shows how far it got and lets the user
// cancel, unless the run is unattended.
bool RunCollection(QWidget* owner, bool silent, const std::function<void()>& walk, RescanControl& control)
{
    if (g_collecting || QThread::currentThread() != qApp->thread()) {
        walk();
        return !control.cancel.load();
    }
    g_collecting = true;
    const CSyncBusyScope busy;
    QWidget* window = owner ? owner->window() : nullptr;
    {
        CProgressLoop progress(
            silent,
            [window, &control]() -> std::unique_ptr<QWidget> {
                auto dialog = std::make_unique<QProgressDialog>(
                    CollectProgressText(control), QStringLiteral("キャンセル"), 0, 0, window);
                dialog->setObjectName(QStringLiteral("collectProgress"));
                dialog->setWindowTitle(QStringLiteral("同期の準備"));
                dialog->setWindowModality(Qt::WindowModal);
                dialog->setMinimumDuration(0);
                dialog->setAutoReset(false);
                dialog->setAutoClose(false);
                QObject::connect(dialog.get(), &QProgressDialog::canceled, [&control] { control.cancel = true; });
                return dialog;
            },
            [&control](
                QWidget& dialog) { static_cast<QProgressDialog&>(dialog).setLabelText(CollectProgressText(control)); });
        CCloseBlocker blocker(window);
        progress.Run(walk);
    }
    g_collecting = false;
    return !control.cancel.load();
}

} // namespace

void InstallGuiSyncHooks(CMyDoc& doc, QWidget* owner)
{
    // The hooks of an earlier window give way.
    delete dynamic_cast<CGuiOperationObserver*>(doc.GetSyncHooks().observer);
    auto* observer = new CGuiOperationObserver(owner, doc);
    QObject::connect(&doc, &QObject::destroyed, observer, [observer] { delete observer; });
    const auto preview = [owner = QPointer<QWidget>(owner)](SyncLists& lists) {
        const CSyncBusyScope busy;
        CSyncPreviewDlg dialog(owner);
        dialog.SetLists(lists);
        CArrowCursor arrow;
        if (dialog.exec() != QDialog::Accepted)
            return false;
        lists = dialog.Lists();
        return true;
    };
    const auto collect
        = [owner = QPointer<QWidget>(owner), doc = QPointer<CMyDoc>(&doc)](const std::function<void()>& walk,
              RescanControl& control) { return RunCollection(owner, doc && doc->IsAutoSyncMode(), walk, control); };
    doc.SetSyncHooks({preview, observer, collect});
}

CSyncBusyScope::CSyncBusyScope()
{
    ++g_busy;
}

CSyncBusyScope::~CSyncBusyScope()
{
    --g_busy;
}

bool IsSyncBusy()
{
    return g_busy > 0;
}

bool IsCollectionRunning()
{
    return g_collecting;
}

bool IsFileOperationRunning()
{
    return g_running;
}

void SetProgressDialogDelay(int milliseconds)
{
    g_delay = qMax(0, milliseconds);
}
