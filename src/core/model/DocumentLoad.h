#pragma once

#include "core/model/CProject.h"
#include "core/platform/WholeFile.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

class CSyncProject;

// The texts of a document file that cannot be read (`result` of
// ReadRegularFile) or is damaged, naming the file.
QString DocumentReadFailureText(const QString& path, const FileReadResult& result);
QString DocumentBadFormatText(const QString& path);

// Opens a document file on a worker thread: reads the file, then rescans
// its projects one after the other, each into a tree of its own that no
// other thread sees. A project is handed over only once its whole subtree is
// rescanned, so the thread that takes it never meets a half-built node.
// The same worker rescans the projects of a document already open: the owner
// hands them over detached from its tree and takes them back one by one, each
// whole, or only one node's subtree within the one project handed over.
//
// The worker calls `wake` (on its own thread) whenever there is something
// to take: the stored selection after reading, each finished project, the
// end. The owner then takes it with TakeReady on its own thread.
// Destroying the load (or Cancel) stops the worker between two folders and
// waits for it: what it had not handed over is destroyed with it, unless
// the owner takes it back with TakeUnfinished first.
class CDocumentLoad
{
public:
    using Projects = std::vector<std::pair<QString, std::unique_ptr<CSyncProject>>>;

    // Reads the document file at `path`, then rescans its projects.
    CDocumentLoad(const QString& path, std::function<void()> wake);
    // Rescans `projects` (each with the key it is stored under), whose nodes
    // take `commonFilters` as the document's common filter selection meanwhile.
    // With `subtree` (a project of `projects` or a node below one) only that
    // node's subtree is rescanned in its project; its ancestors stay as they are.
    CDocumentLoad(Projects projects, const QStringList& commonFilters, std::function<void()> wake,
        CSyncProject* subtree = nullptr);
    ~CDocumentLoad();
    CDocumentLoad(const CDocumentLoad&) = delete;
    CDocumentLoad& operator=(const CDocumentLoad&) = delete;

    // What the worker has finished since the last call.
    struct Ready
    {
        bool read = false; // the file was read: `commonFilters` and `rootName` are new
        QStringList commonFilters;
        QString rootName;
        // Each project with the key it was stored under, in the stored order.
        Projects projects;
        bool finished = false; // the worker has ended (then nothing comes any more)
        bool ok = false; // with `finished`: the document was read and rescanned
        QString error; // with `finished` and !ok: why it could not be read
        FileStamp stamp; // with `ok`: the file as it was read
    };
    Ready TakeReady();

    // Stops the worker and waits for it.
    void Cancel();
    // Waits for the worker to end by itself.
    void Wait();
    // After Cancel: the projects of a rescan that were not handed over, in
    // the stored order, rescanned in part (fit to be stored, not to be shown).
    Projects TakeUnfinished();
    // Whether this load rescans projects of an open document (no file is read).
    bool IsRescan() const { return m_path.isEmpty(); }
    const QString& Path() const { return m_path; }
    // How far the rescan got (read from any thread).
    qint64 FoldersRead() const { return m_control.folders.load(std::memory_order_relaxed); }
    qint64 FilesRead() const { return m_control.files.load(std::memory_order_relaxed); }

private:
    void Work();
    // Reads the file into the scratch document: an empty text, else why it failed.
    QString Read(QStringList& filters, FileStamp& stamp);
    // Rescans the scratch root's projects, handing over each one: false when cancelled.
    bool RescanProjects();
    // The node whose subtree is rescanned in `project`: the project itself
    // unless the subtree given to the constructor lies in it.
    CSyncProject& SubtreeToRescan(CSyncProject& project) const;
    // Under the lock: adds to what waits to be taken, then wakes the owner.
    void Hand(const std::function<void(Ready&)>& add);

    QString m_path;
    std::function<void()> m_wake;
    CSyncProject* m_subtree = nullptr;
    // The nodes take their common filter selection from a document of their
    // own while they are rescanned here: the owner's is not touched by the worker.
    std::unique_ptr<CMyDoc> m_scratch;
    RescanControl m_control;
    std::mutex m_mutex;
    Ready m_ready;
    std::thread m_thread;
};
