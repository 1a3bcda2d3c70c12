#pragma once

#include "core/platform/FileCopy.h"
#include "core/platform/FolderHandles.h"

#include <QFlags>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <atomic>
#include <functional>
#include <vector>

// Flags of a file operation; the values are those of the desktop shell's
// operation flags that the program's callers have always passed.
enum class FileOpFlag : quint32 {
    MultiDestFiles = 0x0001, // one destination per source
    Silent = 0x0004, // no progress display, no error summary
    NoConfirmation = 0x0010, // every question answered with yes
    AllowUndo = 0x0040, // deletions go to the trash
    NoConfirmMkdir = 0x0200, // missing destination folders created without asking
};
Q_DECLARE_FLAGS(FileOpFlags, FileOpFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(FileOpFlags)

enum class FileOpKind { Copy, Delete };

enum class FileOpStatus {
    NotRun, // not reached: the operation was cancelled before it
    Done, // copied or deleted
    Skipped, // the user answered No for it
    Failed, // see the error text
};

struct FileOpItem
{
    QString source; // the path copied or deleted
    QString destination; // empty for a deletion
    FileOpStatus status = FileOpStatus::NotRun;
    QString error;
    // A copy that put its file in place over another one.
    bool replaced = false;
    // Where the deleted item, or the file the copy replaced, went in the
    // trash; empty when it went for good.
    QString trashedAs;
    // What the copy of a regular file left at the destination.
    CopiedFile written;
};

// What an operation did, item by item.
struct FileOpResult
{
    std::vector<FileOpItem> items;
    bool cancelled = false; // stopped by Cancel (or a Cancel answer) before its end
    QStringList errors; // every failure text, in the order met

    // True only when every item was done, nothing was cancelled and nothing failed.
    bool Succeeded() const;
    int Count(FileOpStatus status) const;
};

// What a file operation tells its caller while it runs. The window shows a
// progress dialog with Cancel; the command-line tool prints progress on a
// terminal. The operation may run on a worker thread: an observer that shows
// widgets must hand the calls over to its own thread.
class IFileOperationObserver
{
public:
    virtual ~IFileOperationObserver() = default;
    // Before the first item: how many entries and bytes the whole operation covers.
    virtual void Started(qint64 totalFiles, qint64 totalBytes);
    // After each entry and while large files are copied.
    virtual void Progress(qint64 filesDone, qint64 bytesDone, const QString& currentName);
    // Asked between items; true stops the operation after the current item.
    virtual bool CancelRequested();
    // The failures, once at the end (never for a silent operation). By
    // default one error message through the prompt interface.
    virtual void ShowErrors(const QStringList& errors);
    // Runs one whole operation: `operation` does all the work, asks its
    // questions, reports through this observer and returns when it is done.
    // The window runs it on a worker thread so that it keeps painting; by
    // default it runs right here.
    virtual void RunOperation(FileOpKind kind, FileOpFlags flags, const std::function<void()>& operation);
};

// Shows the failures of an operation as one error message through the prompt interface.
void ShowFileOperationErrors(const QStringList& errors);

// All copying and deleting of the program. An operation object runs one
// operation at a time: the params go in through the call, the result comes
// out of Result(), and Cancel() may be called from any thread while it runs.
// Questions (replace, create folder, delete) go through the prompt interface
// unless FileOpFlag::NoConfirmation says yes to all of them.
class CFileOperation
{
public:
    explicit CFileOperation(IFileOperationObserver* observer = nullptr);

    // The root folders of the pairs the paths lie in: nothing below a root is
    // followed, and a path below none of them is refused (its item fails).
    // Without roots, each path's own folder is its root: the item itself and
    // everything below it are never followed.
    void SetRoots(const CPairRoots& roots) { m_roots = roots; }
    // With `on`, a file that a copy replaces goes to the trash first (its
    // item's trashedAs); a replacement that the trash cannot take fails.
    void SetTrashReplaced(bool on) { m_trashReplaced = on; }
    // Asked right before each item is copied or deleted, on the thread that
    // does it, with the item's paths as split at their roots (`destination`
    // null for a deletion): a text says why the item must not go on (it
    // fails with that text and nothing is touched), an empty one lets it go.
    // A copy's check may leave to the copy what it sees for itself as it
    // works (`expected`, null for a deletion: CFileCopier::Expected); a copy
    // that does not find it fails with `refused`'s text, nothing touched.
    using ItemCheck = std::function<QString(
        size_t index, const RootedPath& path, const RootedPath* destination, CFileCopier::Expected* expected)>;
    using RefusalText = std::function<QString(size_t index, CFileCopier::Refusal why)>;
    // What the caller knows of the source of copy `index` (true when it does,
    // with `info`): the progress totals and the kind of copy are taken from
    // it instead of examining each source before the copies start. Only for
    // sources whose check leaves the copy a regular file to expect: a source
    // that is something else by then is refused when it is opened.
    using KnownSource = std::function<bool(size_t index, EntryInfo* info)>;
    void SetKnownSources(KnownSource known) { m_knownSource = std::move(known); }
    void SetItemCheck(ItemCheck check, RefusalText refused = {})
    {
        m_itemCheck = std::move(check);
        m_refusalText = std::move(refused);
    }

    // Copies one file, link or folder to the full destination path.
    bool CopyItem(const QString& source, const QString& destination, FileOpFlags flags);
    // Copies each source to the destination at the same index.
    bool CopyItems(const QStringList& sources, const QStringList& destinations, FileOpFlags flags);
    // Deletes each path (files, links, folders with their contents): to the
    // trash with FileOpFlag::AllowUndo, else for good. An item that the trash cannot
    // take fails; it is never deleted for good instead.
    bool DeleteItems(const QStringList& paths, FileOpFlags flags);

    // Stops the running operation after its current item; what is done stays done.
    void Cancel() { m_cancel = true; }

    // Called with an item's index as soon as the item has ended (done, failed
    // or skipped), on the thread that did it: with two threads copying, on
    // either, in any order. Items that a cancel left out are not reported.
    // The sync run writes its log lines from it while the operation goes on.
    void SetItemDoneHandler(std::function<void(size_t index)> handler) { m_itemDone = std::move(handler); }

    const FileOpResult& Result() const { return m_result; }

private:
    class CCopyRun;
    struct CopyPlan;

    // Runs `work` through the observer's RunOperation (directly without one).
    bool Run(FileOpKind kind, FileOpFlags flags, const std::function<bool()>& work);
    // A copy in steps: each item's paths split at their roots, the sources
    // measured (the observer told the totals), then the items copied on two
    // threads where nothing is to be asked, else one by one.
    bool DoCopyItems(const QStringList& sources, const QStringList& destinations, FileOpFlags flags);
    void PlanCopies(CopyPlan& plan, const QStringList& sources, const QStringList& destinations);
    void MeasureSources(CopyPlan& plan, CFolderCache& folders);
    void CopyOneByOne(CCopyRun& run, const CopyPlan& plan);
    bool DoDeleteItems(const QStringList& paths, FileOpFlags flags);
    void Begin(FileOpFlags flags);
    bool Finish();
    bool CancelRequested() const;
    void ItemDone(size_t index) const
    {
        if (m_itemDone)
            m_itemDone(index);
    }

    IFileOperationObserver* m_observer;
    QString CheckItem(
        size_t index, const RootedPath& path, const RootedPath* destination, CFileCopier::Expected* expected) const
    {
        return m_itemCheck ? m_itemCheck(index, path, destination, expected) : QString();
    }
    // The error of item `index` whose source is not the regular file that
    // `expected` says (`info`, as measured); empty when it is, or nothing was expected.
    QString SourceNoLongerExpected(size_t index, const EntryInfo& info, const CFileCopier::Expected& expected) const;
    // The error of item `index` that the copy refused (`error` as the copier gave it).
    QString RefusedText(size_t index, CFileCopier::Refusal why, const QString& error) const
    {
        return m_refusalText ? m_refusalText(index, why) : error;
    }

    std::function<void(size_t index)> m_itemDone;
    ItemCheck m_itemCheck;
    RefusalText m_refusalText;
    KnownSource m_knownSource;
    CPairRoots m_roots;
    bool m_trashReplaced = false;
    FileOpFlags m_flags;
    std::atomic<bool> m_cancel{false};
    FileOpResult m_result;
};

// Whether `folder` is a folder, reached from its root in `roots` without following links.
bool IsFolderAt(const CPairRoots& roots, const QString& folder);
// Creates the one folder `folder` (its parent must exist), reached from its
// root in `roots` without following links; `error` gets the system's text.
bool CreateFolderAt(const CPairRoots& roots, const QString& folder, QString* error);

// The trash rule of the callers that delete with FileOpFlag::AllowUndo: at the first
// path that is not on a fixed local disk, ask whether to go on (Yes/No). True
// when nothing was asked or the answer was Yes.
bool ConfirmRecycleBinPaths(const QStringList& paths);
