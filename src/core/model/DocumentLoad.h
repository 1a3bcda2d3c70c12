#pragma once

#include "core/model/CProject.h"
#include "core/model/CSyncProject.h"
#include "core/platform/WholeFile.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

class CFolderReadAhead;

// The texts of a document file that cannot be read (`result` of
// ReadRegularFile) or is damaged, naming the file.
QString DocumentReadFailureText(const QString& path, const FileReadResult& result);
QString DocumentBadFormatText(const QString& path);

// Opens a document file on a worker thread: reads the file, then rescans
// its projects, folder by folder, in the order of a walk that visits parents
// before children. A node is handed over as soon as its own rescan is done
// (its records and which subfolder nodes it has are final), without its
// children: the worker detaches them first and rescans each later, handing
// it over in its turn with the parent it belongs under. The thread that takes
// the nodes puts each under its parent, which it already holds, since parents
// come first; it never meets a half-built node, and the worker never touches
// a node again once it was handed over (it keeps the parent's address only to
// name it, and carries what the children need of their ancestors, the roots
// of their pairs, with them).
// The same worker rescans nodes of a document already open: the owner hands
// them over detached from its tree (each with the parent it came from) and
// takes them back in the same way.
//
// The worker calls `wake` (on its own thread) when there is something to
// take and the owner has taken everything handed over before: the stored
// selection after reading, the nodes rescanned meanwhile, the end. The owner
// then takes it all with TakeReady on its own thread.
// Destroying the load (or Cancel) stops the worker between two folders and
// waits for it: what it had not handed over is destroyed with it, unless
// the owner takes it back with TakeUnfinished first.
class CDocumentLoad
{
public:
    // A node on its way to the tree: to be stored under `key` below `parent`
    // (null: the document's root, for a project).
    struct Node
    {
        CProject* parent = nullptr;
        QString key;
        std::unique_ptr<CSyncProject> node;
        // Handed over without the children it will have: they follow.
        bool childrenToCome = false;
    };
    using Nodes = std::vector<Node>;
    // A node to rescan with its subtree, held apart from its ancestors.
    struct Subtree
    {
        Node place;
        QString roots[2]; // the root folders of its pair
        QString projectFolders[2]; // the folders of its top-level project
    };
    // Detaches the child stored under `key` from `parent` for a rescan.
    static Subtree Detach(CProject& parent, const QString& key);
    // A new project, not in any tree, for a rescan.
    static Subtree NewProject(std::unique_ptr<CSyncProject> project);

    // Reads the document file at `path`, then rescans its projects.
    CDocumentLoad(const QString& path, std::function<void()> wake);
    // Rescans `subtrees`, whose nodes take `commonFilters` as the document's
    // common filter selection meanwhile.
    CDocumentLoad(std::vector<Subtree> subtrees, const QStringList& commonFilters, std::function<void()> wake);
    ~CDocumentLoad();
    CDocumentLoad(const CDocumentLoad&) = delete;
    CDocumentLoad& operator=(const CDocumentLoad&) = delete;

    // What the worker has finished since the last call.
    struct Ready
    {
        bool read = false; // the file was read: `commonFilters` and `rootName` are new
        QStringList commonFilters;
        QString rootName;
        // The nodes rescanned, in the order of the walk (parents first).
        Nodes nodes;
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
    // After Cancel: the nodes not handed over, with their subtrees, rescanned
    // in part (fit to be stored, not to be shown). Each belongs under a node
    // handed over before or under the node it was detached from.
    Nodes TakeUnfinished();
    // Whether this load rescans nodes of an open document (no file is read).
    bool IsRescan() const { return m_path.isEmpty(); }
    const QString& Path() const { return m_path; }
    // How far the rescan got (read from any thread).
    qint64 FoldersRead() const { return m_control.folders.load(std::memory_order_relaxed); }
    qint64 FilesRead() const { return m_control.files.load(std::memory_order_relaxed); }

    // Test hook: called on the worker after each node it hands over (none by
    // default), so that a test can hold the worker at a known point. Set it
    // only while no load is under way.
    static void SetHandedHookForTesting(std::function<void()> hook);

private:
    void Work();
    // Reads the file into the scratch document: an empty text, else why it failed.
    QString Read(QStringList& filters, FileStamp& stamp);
    // Rescans what waits, handing over each node: false when cancelled.
    bool RescanPending();
    // Rescans the node of `subtree` and hands it over; its children wait,
    // their folders queued in `readAhead`.
    void RescanNode(Subtree subtree, CFolderReadAhead& readAhead);
    // Under the lock: adds to what waits to be taken, then wakes the owner
    // unless it has not taken what came before.
    void Hand(const std::function<void(Ready&)>& add);

    QString m_path;
    std::function<void()> m_wake;
    // The nodes take their common filter selection from a document of their
    // own while they are rescanned here: the owner's is not touched by the worker.
    std::unique_ptr<CMyDoc> m_scratch;
    // The subtrees still to rescan, the next first: level by level, parents
    // before children.
    std::deque<Subtree> m_pending;
    RescanControl m_control;
    std::mutex m_mutex;
    Ready m_ready;
    bool m_woken = false; // a wake-up went out that TakeReady has not answered
    std::thread m_thread;
};
