// The window on a large document, offscreen: how soon it is shown, how long
// the rescan takes, and the longest time its event loop stood still (a
// heartbeat timer measures the largest gap) while the document opens, the
// tree expands, everything is rescanned again (F5), a preview is collected
// and shown in its dialog, a run carries it out, and a new document takes
// its place.
//
//   window_bench DOC.snc [--flags 0x8F] [--no-run] [--stalls]
//
// Prints one line per figure, in seconds. --stalls also prints every gap
// above 0.1 s as it ends, with its start and end on CLOCK_MONOTONIC (the
// clock of `perf record -k CLOCK_MONOTONIC`), to cut a profile to the stalls. The run exports the whole document
// with `--flags` (by default 0x8F, as bench/run's export) and changes the
// target folders: give it a document over throwaway trees.
#include "core/model/CMyDoc.h"
#include "core/platform/Profile.h"
#include "core/platform/Prompt.h"
#include "core/resources/CommandIds.h"
#include "core/settings/CAppOptionSync.h"
#include "core/sync/CSyncRun.h"
#include "gui/shell/CDocCommands.h"
#include "gui/shell/CMainFrame.h"
#include "gui/views/CProjectView.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

QElapsedTimer g_clock;
bool g_printStalls = false;

double Seconds(qint64 nanoseconds)
{
    return double(nanoseconds) / 1e9;
}

// The largest gap between two ticks of a 5 ms timer since the last Reset.
class CHeartbeat
{
public:
    CHeartbeat()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = g_clock.nsecsElapsed();
            if (g_printStalls && now - m_last > 100'000'000)
                PrintStall(now - m_last);
            m_worst = std::max(m_worst, now - m_last);
            m_last = now;
        });
        m_timer.start();
        Reset();
    }
    void Reset()
    {
        m_last = g_clock.nsecsElapsed();
        m_worst = 0;
    }
    qint64 Worst() const { return std::max(m_worst, g_clock.nsecsElapsed() - m_last); }

private:
    static void PrintStall(qint64 length)
    {
        timespec now = {};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const double end = double(now.tv_sec) + double(now.tv_nsec) / 1e9;
        std::printf("stall %.3f s: %.6f,%.6f\n", Seconds(length), end - Seconds(length), end);
    }

    QTimer m_timer;
    qint64 m_last = 0;
    qint64 m_worst = 0;
};

// Runs the event loop until `done` holds (tested every 10 ms), then `settle` ms more.
void SpinUntil(const std::function<bool()>& done, int settle = 100)
{
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done())
            loop.quit();
    });
    poll.start();
    if (!done())
        loop.exec();
    QTimer::singleShot(settle, &loop, &QEventLoop::quit);
    loop.exec();
}

void Report(const char* what, qint64 nanoseconds)
{
    std::printf("%-28s %8.3f s\n", what, Seconds(nanoseconds));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    g_clock.start();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: window_bench DOC.snc [--flags 0x8F] [--no-run] [--stalls]\n");
        return 2;
    }
    const QString path = args.first();
    quint32 flags = 0x8F;
    if (const qsizetype at = args.indexOf(QStringLiteral("--flags")); at >= 0 && at + 1 < args.size())
        flags = args.at(at + 1).toUInt(nullptr, 0);
    const bool run = !args.contains(QStringLiteral("--no-run"));
    g_printStalls = args.contains(QStringLiteral("--stalls"));

    // A profile of its own, and every question answered with what changes nothing.
    QTemporaryDir scratch;
    CProfile::SetInstancePath(scratch.filePath(QStringLiteral("Pairwell.ini")));
    CCautiousPrompt prompt;
    CPromptScope scope(prompt);
    CHeartbeat heartbeat;

    CMyDoc doc;
    CMainFrame frame(doc);
    // The first folder below a project that the tree shows: the tree fills as it goes.
    qint64 firstFolder = 0;
    const QMetaObject::Connection folderShown = QObject::connect(&doc, &CMyDoc::FolderLoaded, [&] {
        if (firstFolder == 0 && frame.TreeView().RootItem() && frame.TreeView().RootItem()->childCount() > 0)
            firstFolder = g_clock.nsecsElapsed();
    });
    frame.ShowInitially(false);
    frame.DocCommands().OpenDocumentFile(path);
    SpinUntil([&] { return frame.windowHandle() && frame.windowHandle()->isExposed(); }, 0);
    Report("window shown", g_clock.nsecsElapsed());
    SpinUntil([&] { return firstFolder != 0 || !doc.IsLoading(); }, 0);
    if (firstFolder != 0) // else the document has no project to show
        Report("first folder shown", firstFolder);
    SpinUntil([&] { return !doc.IsLoading(); }, 0);
    QObject::disconnect(folderShown);
    Report("rescan done", g_clock.nsecsElapsed());
    Report("longest stall: open", heartbeat.Worst());
    if (doc.GetPathName().isEmpty())
        return 1;

    heartbeat.Reset();
    qint64 expandTime = 0;
    bool expanded = false;
    // A large tree expands a slice at a time: the figure is its whole time.
    QTimer::singleShot(0, [&] {
        const qint64 begin = g_clock.nsecsElapsed();
        frame.TreeView().ExpandSubtree(frame.TreeView().RootItem());
        SpinUntil([&] { return !frame.TreeView().IsExpanding(); }, 0);
        expandTime = g_clock.nsecsElapsed() - begin;
        expanded = true;
    });
    SpinUntil([&] { return expanded; });
    Report("expand-all", expandTime);
    Report("longest stall: expand-all", heartbeat.Worst());

    // Refresh (F5) of the whole tree: the same worker as the opening.
    heartbeat.Reset();
    qint64 refreshBegin = 0;
    qint64 refreshEnd = 0;
    const QMetaObject::Connection refreshed
        = QObject::connect(&doc, &CMyDoc::LoadFinished, [&] { refreshEnd = g_clock.nsecsElapsed(); });
    QTimer::singleShot(0, [&] {
        refreshBegin = g_clock.nsecsElapsed();
        frame.TreeView().ExecuteCommand(Cmd::Refresh);
    });
    SpinUntil([&] { return refreshEnd != 0; });
    QObject::disconnect(refreshed);
    Report("rescan (F5)", refreshEnd - refreshBegin);
    Report("longest stall: rescan (F5)", heartbeat.Worst());

    // The preview of an export of every project in the window's own dialog:
    // once the dialog shows the list, it is accepted (the run) or closed.
    CAppOptionSync options;
    options.Flags = SyncFlags::fromInt(flags);
    bool execute = false;
    qint64 listed = 0;
    qsizetype rows = 0;
    SyncHooks hooks = doc.GetSyncHooks();
    hooks.preview = [&, show = hooks.preview](SyncLists& lists) {
        rows = lists.copySources.size() + lists.deletions.size();
        QTimer answer;
        answer.setInterval(0);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->inherits("CSyncPreviewDlg"))
                return;
            answer.stop();
            listed = g_clock.nsecsElapsed();
            execute ? dialog->accept() : dialog->reject();
        });
        answer.start();
        return show(lists);
    };
    doc.SetSyncHooks(hooks);
    const auto synchronize = [&](const char* title, const char* stallTitle) {
        heartbeat.Reset();
        bool done = false;
        qint64 begin = 0;
        qint64 end = 0;
        QTimer::singleShot(0, [&] {
            begin = g_clock.nsecsElapsed();
            doc.SetPreview(true);
            doc.Synchronize(&doc.GetRoot(), options, SyncDirection::Export);
            end = g_clock.nsecsElapsed();
            done = true;
        });
        SpinUntil([&] { return done; });
        Report(title, (execute ? end : listed) - begin);
        Report(stallTitle, heartbeat.Worst());
    };
    synchronize("preview", "longest stall: preview");
    std::printf("%-28s %8lld\n", "preview rows", static_cast<long long>(rows));
    if (run) {
        execute = true;
        synchronize("run", "longest stall: run");
        // An auto-sync tick over the whole tree, with the same options: nothing
        // is left to copy, but every folder is collected again.
        GlobalOptionSync().Flags = SyncFlags::fromInt(flags);
        heartbeat.Reset();
        qint64 autoBegin = 0;
        qint64 autoEnd = 0;
        QTimer::singleShot(0, [&] {
            autoBegin = g_clock.nsecsElapsed();
            frame.SyncAllNow();
            autoEnd = g_clock.nsecsElapsed();
        });
        SpinUntil([&] { return autoEnd != 0; });
        Report("auto-sync", autoEnd - autoBegin);
        Report("longest stall: auto-sync", heartbeat.Worst());
    }

    // The document gives way to a new one (its changes not saved): its tree is let go.
    heartbeat.Reset();
    bool closed = false;
    bool replaced = false;
    QTimer::singleShot(0, [&] {
        replaced = doc.OnNewDocument();
        closed = true;
    });
    SpinUntil([&] { return closed; });
    Report("longest stall: close", heartbeat.Worst());
    return replaced ? 0 : 1;
}
