#include "core/sync/CFileOperation.h"

#include "core/platform/FileCopy.h"
#include "core/platform/FileName.h"
#include "core/platform/FileSystem.h"
#include "core/platform/Paths.h"
#include "core/platform/Prompt.h"
#include "core/platform/Trash.h"

#include <QHash>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sys/stat.h>
#include <system_error>
#include <thread>

namespace {

// From this many items on, a copy examines its sources on two threads (and
// copies on two, when nothing is to be asked).
constexpr size_t kParallelItems = 64;

QString ReplaceQuestion(const QString& destination)
{
    return QStringLiteral("%1 は既に存在します。\n置き換えますか？").arg(destination);
}

QString CreateFolderQuestion(const QString& folder)
{
    return QStringLiteral("フォルダ %1 は存在しません。\n作成しますか？").arg(folder);
}

QString DeleteQuestion(const QStringList& paths, bool toTrash)
{
    if (paths.size() == 1) {
        return toTrash ? QStringLiteral("'%1' をごみ箱に移動しますか？").arg(paths.first())
                       : QStringLiteral("'%1' を完全に削除しますか？").arg(paths.first());
    }
    return toTrash ? QStringLiteral("これらの %1 個の項目をごみ箱に移動しますか？").arg(paths.size())
                   : QStringLiteral("これらの %1 個の項目を完全に削除しますか？").arg(paths.size());
}

QString FolderIntoItselfText(const QString& source)
{
    return source + QStringLiteral(": フォルダをそれ自身の中にコピーすることはできません。");
}

QString NotCreatedText(const QString& folder)
{
    return folder + QStringLiteral(": フォルダが存在しないため、コピーしませんでした。");
}

QString RecycleBinQuestion()
{
    return QStringLiteral("ネットワークおよびリムーバブルメディア上のファイルはごみ箱に移動されません。継続しますか？");
}

QString OutsideText(const QString& path)
{
    return path + QStringLiteral(": 同期するフォルダの外にあるため、操作しませんでした。");
}

// Entries and bytes below (and including) one path, for the progress totals.
// Gives what it found about `path` itself.
EntryInfo Measure(const RootedPath& path, qint64* files, qint64* bytes)
{
    const EntryInfo info = GetEntryInfo(path);
    ++*files;
    if (info.kind != EntryKind::Folder) {
        *bytes += qint64(info.size);
        return info;
    }
    std::vector<QByteArray> names;
    int error = 0;
    if (!ListFolderEntries(path, &names, &error))
        return info;
    for (const QByteArray& name : names)
        Measure(path.Child(name), files, bytes);
    return info;
}

// The folder that holds `path`: below the same root, or, for a root, its
// parent folder as its own root (the folders above a root are taken as named).
RootedPath ParentOf(const RootedPath& path)
{
    const qsizetype slash = path.below.lastIndexOf('/');
    if (!path.IsRoot())
        return {path.root, slash < 0 ? QByteArray() : path.below.left(slash)};
    const qsizetype rootSlash = path.root.lastIndexOf('/');
    return {rootSlash <= 0 ? QByteArrayLiteral("/") : path.root.left(rootSlash), {}};
}

} // namespace

// --- results and observers ------------------------------------------------------

bool FileOpResult::Succeeded() const
{
    return !cancelled && errors.isEmpty() && Count(FileOpStatus::Done) == int(items.size());
}

int FileOpResult::Count(FileOpStatus status) const
{
    int count = 0;
    for (const FileOpItem& item : items)
        count += item.status == status ? 1 : 0;
    return count;
}

void IFileOperationObserver::Started(qint64, qint64)
{
}

void IFileOperationObserver::Progress(qint64, qint64, const QString&)
{
}

bool IFileOperationObserver::CancelRequested()
{
    return false;
}

void IFileOperationObserver::ShowErrors(const QStringList& errors)
{
    ShowFileOperationErrors(errors);
}

void IFileOperationObserver::RunOperation(FileOpKind, FileOpFlags, const std::function<void()>& operation)
{
    operation();
}

void ShowFileOperationErrors(const QStringList& errors)
{
    if (errors.isEmpty())
        return;
    CurrentPrompt().ShowMessage(errors.join(QLatin1Char('\n')), PromptIcon::Error, QStringLiteral("Error"));
}

namespace {

// A folder below the roots, or one above them (taken as named).
bool SplitFolder(const CPairRoots& roots, const QString& folder, RootedPath* rooted)
{
    return roots.Split(folder, rooted) || SplitAtParent(folder, rooted);
}

} // namespace

bool IsFolderAt(const CPairRoots& roots, const QString& folder)
{
    RootedPath rooted;
    return SplitFolder(roots, folder, &rooted) && GetEntryInfo(rooted).kind == EntryKind::Folder;
}

bool CreateFolderAt(const CPairRoots& roots, const QString& folder, QString* error)
{
    RootedPath rooted;
    if (!SplitFolder(roots, folder, &rooted)) {
        if (error)
            *error = SystemErrorText(EINVAL);
        return false;
    }
    QByteArray name;
    int failure = 0;
    const FolderHandle parent = OpenParent(rooted, &name, &failure);
    if (parent && ::mkdirat(parent->Fd(), name.constData(), 0777) == 0)
        return true;
    if (error)
        *error = SystemErrorText(parent ? errno : failure);
    return false;
}

bool ConfirmRecycleBinPaths(const QStringList& paths)
{
    for (const QString& path : paths) {
        if (!IsFixedDrive(path))
            return CurrentPrompt().AskYesNo(RecycleBinQuestion(), PromptIcon::Information);
    }
    return true;
}

// --- copying ------------------------------------------------------------------------

// The state of one copy operation: the copier, the answers given so far and the progress counters.
// What a copy operation works from, index-aligned with its items: each
// item's paths split at their roots, whether a path lies outside every root,
// and what each source was found to be.
struct CFileOperation::CopyPlan
{
    struct Rooted
    {
        RootedPath source;
        RootedPath destination;
    };
    std::vector<Rooted> paths;
    std::vector<bool> outside;
    std::vector<EntryInfo> sourceInfos;
};

class CFileOperation::CCopyRun
{
public:
    using Rooted = CopyPlan::Rooted;

    CCopyRun(CFileOperation& operation, const std::vector<Rooted>& paths) : m_op(operation), m_paths(paths)
    {
        m_copier.SetTagName([this](quint64 tag) {
            return tag < m_op.m_result.items.size() ? m_op.m_result.items[size_t(tag)].source : QString();
        });
        m_copier.SetTrashReplaced(m_op.m_trashReplaced);
    }

    // Copies one item, whose source was found to be `sourceInfo` a moment
    // ago and must still be as `expected`; the item's status and error are
    // set (a replaced file may still fail in Finish).
    void CopyItem(FileOpItem& item, quint64 tag, const EntryInfo& sourceInfo, const CFileCopier::Expected& expected);
    // Completes the waiting replacements, marks the items whose replacement
    // failed, and flushes the file systems written to.
    void Finish();

    // Whether the items [first, last) can be copied on two threads: files
    // and links only (no folders), no path twice, nothing to ask.
    bool CanCopyInParallel(size_t first, size_t last, const std::vector<EntryInfo>& sourceInfos) const;
    // Copies the items [first, last) on this thread and a second one (see
    // CopyInParallel in the operation). False when it stopped for a cancel.
    bool CopyInParallel(size_t first, size_t last, const std::vector<EntryInfo>& sourceInfos);

private:
    enum class Answer { Go, Skip, Cancel };
    struct Parallel;

    // The steps of CopyInParallel: each thread copies blocks, this one takes
    // their outcomes in order (waiting for a block the other still copies).
    void CopyBlocks(Parallel& shared, bool onOwnThread);
    void CopyBlockItem(Parallel& shared, size_t k, QString& knownFolder);
    void TakeOutcomes(Parallel& shared, bool wait);
    void TakeBlock(Parallel& shared, size_t block);
    void WaitForBlock(Parallel& shared, size_t block);
    void ReportUnderWay(Parallel& shared);

    Answer AskOnce(const QString& text, bool* yesToAll);
    bool EnsureParentFolder(const RootedPath& destination, const QString& destinationText, FileOpItem& item);
    // Copies a file or link; false on failure (the error recorded in `item`).
    bool CopyOne(
        const Rooted& paths, const QString& source, const QString& destination, EntryKind sourceKind, FileOpItem& item);
    bool CopyFolder(const Rooted& paths, const QString& source, const QString& destination, FileOpItem& item);
    void Fail(FileOpItem& item, const QString& error);
    void Advance(const QString& name);

    CFileOperation& m_op;
    const std::vector<Rooted>& m_paths;
    CFileCopier m_copier;
    quint64 m_tag = 0; // the index of the item being copied
    CFileCopier::Expected m_expected; // of the item being copied
    QString m_knownFolder; // a destination folder found to exist a moment ago
    bool m_replaceAll = false;
    bool m_createAll = false;
    bool m_stopped = false; // a Cancel answer or a cancel request inside a folder
    qint64 m_filesDone = 0;
    qint64 m_bytesDone = 0;
};

CFileOperation::CCopyRun::Answer CFileOperation::CCopyRun::AskOnce(const QString& text, bool* yesToAll)
{
    if ((m_op.m_flags & FileOpFlag::NoConfirmation) || *yesToAll)
        return Answer::Go;
    switch (CurrentPrompt().Ask(
        {text, QStringLiteral("Pairwell"), PromptButtons::YesYesToAllNoCancel, PromptIcon::Question})) {
    case PromptAnswer::Yes:
    case PromptAnswer::Ok:
        return Answer::Go;
    case PromptAnswer::YesToAll:
        *yesToAll = true;
        return Answer::Go;
    case PromptAnswer::No:
        return Answer::Skip;
    case PromptAnswer::Cancel:
    case PromptAnswer::Retry:
        break;
    }
    return Answer::Cancel;
}

void CFileOperation::CCopyRun::Fail(FileOpItem& item, const QString& error)
{
    if (item.status != FileOpStatus::Failed) {
        item.status = FileOpStatus::Failed;
        item.error = error;
    }
    m_op.m_result.errors << error;
}

void CFileOperation::CCopyRun::Advance(const QString& name)
{
    ++m_filesDone;
    if (m_op.m_observer && !(m_op.m_flags & FileOpFlag::Silent))
        m_op.m_observer->Progress(m_filesDone, m_bytesDone, name);
}

bool CFileOperation::CCopyRun::EnsureParentFolder(
    const RootedPath& destination, const QString& destinationText, FileOpItem& item)
{
    const QString parent = GetParentFolder(destinationText);
    // The items of a run come folder by folder: one test per folder.
    if (parent.isEmpty() || parent == m_knownFolder)
        return true;
    const RootedPath parentPath = ParentOf(destination);
    const EntryInfo info = GetEntryInfo(parentPath);
    if (info.kind == EntryKind::Folder) {
        m_knownFolder = parent;
        return true;
    }
    if (info.kind == EntryKind::Missing && !(m_op.m_flags & FileOpFlag::NoConfirmMkdir)) {
        switch (AskOnce(CreateFolderQuestion(parent), &m_createAll)) {
        case Answer::Go:
            break;
        case Answer::Skip:
            item.status = FileOpStatus::Skipped;
            item.error = NotCreatedText(parent);
            return false;
        case Answer::Cancel:
            m_stopped = true;
            return false;
        }
    }
    QString error;
    if (!CreateFolderPath(parentPath, &error)) {
        Fail(item, error);
        return false;
    }
    m_knownFolder = parent;
    return true;
}

bool CFileOperation::CCopyRun::CopyOne(
    const Rooted& paths, const QString& source, const QString& destination, EntryKind sourceKind, FileOpItem& item)
{
    const EntryInfo existing = GetEntryInfo(paths.destination);
    // A file of a folder being copied is not the item's own.
    const bool own = destination == item.destination;
    const CFileCopier::Expected expected = own ? m_expected : CFileCopier::Expected();
    if (expected.destinationFree && existing.kind != EntryKind::Missing) {
        Fail(item, m_op.RefusedText(m_tag, CFileCopier::Refusal::DestinationTaken, FileErrorText(destination, EEXIST)));
        Advance(source);
        return false;
    }
    if (existing.kind == EntryKind::File || existing.kind == EntryKind::Link || existing.kind == EntryKind::Other) {
        switch (AskOnce(ReplaceQuestion(destination), &m_replaceAll)) {
        case Answer::Go:
            break;
        case Answer::Skip:
            if (item.status == FileOpStatus::NotRun)
                item.status = FileOpStatus::Skipped;
            return true;
        case Answer::Cancel:
            m_stopped = true;
            return false;
        }
    }
    QString error;
    const auto progress = [this, &source](quint64 bytes) {
        m_bytesDone += qint64(bytes);
        if (m_op.m_observer && !(m_op.m_flags & FileOpFlag::Silent))
            m_op.m_observer->Progress(m_filesDone, m_bytesDone, source);
    };
    CopiedFile* written = own ? &item.written : nullptr;
    auto refused = CFileCopier::Refusal::None;
    const CFileCopier::Known known{sourceKind, existing.kind, true, expected, &refused};
    const bool ok = m_copier.CopyFile(paths.source, paths.destination, known, progress, &error, m_tag, written);
    if (!ok)
        Fail(item, refused == CFileCopier::Refusal::None ? error : m_op.RefusedText(m_tag, refused, error));
    Advance(source);
    return ok;
}

bool CFileOperation::CCopyRun::CopyFolder(
    const Rooted& paths, const QString& source, const QString& destination, FileOpItem& item)
{
    QString error;
    if (!m_copier.MakeFolder(paths.destination, &error)) {
        Fail(item, error);
        return false;
    }
    Advance(source);
    std::vector<QByteArray> names;
    int readError = 0;
    if (!ListFolderEntries(paths.source, &names, &readError)) {
        Fail(item, FileErrorText(source, readError));
        return false;
    }
    bool ok = true;
    for (const QByteArray& name : names) {
        if (m_stopped || m_op.CancelRequested()) {
            m_stopped = true;
            return false;
        }
        const Rooted child{paths.source.Child(name), paths.destination.Child(name)};
        const QString decoded = DecodeFileName(name);
        const QString from = JoinPath(source, decoded);
        const QString to = JoinPath(destination, decoded);
        const EntryKind kind = GetEntryInfo(child.source).kind;
        const bool childOk
            = kind == EntryKind::Folder ? CopyFolder(child, from, to, item) : CopyOne(child, from, to, kind, item);
        ok = childOk && ok;
    }
    if (!m_copier.CopyFolderTime(paths.source, paths.destination, &error)) {
        Fail(item, error);
        return false;
    }
    return ok;
}

void CFileOperation::CCopyRun::CopyItem(
    FileOpItem& item, quint64 tag, const EntryInfo& info, const CFileCopier::Expected& expected)
{
    m_tag = tag;
    m_expected = expected;
    const Rooted& paths = m_paths[size_t(tag)];
    const QString changed = m_op.SourceNoLongerExpected(size_t(tag), info, expected);
    if (!changed.isEmpty()) {
        Fail(item, changed);
        Advance(item.source);
        return;
    }
    if (info.kind == EntryKind::Missing || info.error != 0) {
        Fail(item, FileErrorText(item.source, info.error != 0 ? info.error : ENOENT));
        Advance(item.source);
        return;
    }
    if (!EnsureParentFolder(paths.destination, item.destination, item)) {
        if (m_stopped)
            m_op.m_result.cancelled = true;
        Advance(item.source);
        return;
    }
    bool ok;
    if (info.kind == EntryKind::Folder) {
        if (item.destination == item.source || item.destination.startsWith(item.source + QLatin1Char('/'))) {
            Fail(item, FolderIntoItselfText(item.source));
            return;
        }
        ok = CopyFolder(paths, item.source, item.destination, item);
    } else {
        ok = CopyOne(paths, item.source, item.destination, info.kind, item);
    }
    if (m_stopped)
        m_op.m_result.cancelled = true;
    if (ok && !m_stopped && item.status == FileOpStatus::NotRun)
        item.status = FileOpStatus::Done;
}

bool CFileOperation::CCopyRun::CanCopyInParallel(
    size_t first, size_t last, const std::vector<EntryInfo>& sourceInfos) const
{
    if (!(m_op.m_flags & FileOpFlag::NoConfirmation))
        return false;
    // A path met twice (one copy's source is another's destination, or two
    // copies to one destination) needs the order of one thread. Hashes of the
    // paths are compared: two paths with one hash merely cost the second thread.
    std::vector<size_t> hashes;
    hashes.reserve(2 * (last - first));
    for (size_t i = first; i < last; ++i) {
        const FileOpItem& item = m_op.m_result.items[i];
        if (sourceInfos[i].kind == EntryKind::Folder || item.destination.isEmpty())
            return false;
        hashes.push_back(qHash(item.source));
        hashes.push_back(qHash(item.destination));
    }
    std::sort(hashes.begin(), hashes.end());
    return std::adjacent_find(hashes.begin(), hashes.end()) == hashes.end();
}

// What the two threads of CopyInParallel share: the items' outcomes, which
// blocks are done, and a cancel.
struct CFileOperation::CCopyRun::Parallel
{
    struct Outcome
    {
        bool ran = false;
        bool ok = false;
        QString error;
        std::atomic<quint64> bytes{0};
        CopiedFile written;
    };
    static constexpr size_t kBlock = 32;

    Parallel(size_t firstItem, size_t lastItem, const std::vector<EntryInfo>& infos)
        : first(firstItem),
          count(lastItem - firstItem),
          blocks((count + kBlock - 1) / kBlock),
          sourceInfos(infos),
          outcomes(count),
          blockDone(blocks, 0)
    {
    }
    size_t BlockEnd(size_t block) const { return std::min(count, (block + 1) * kBlock); }

    const size_t first;
    const size_t count;
    const size_t blocks;
    const std::vector<EntryInfo>& sourceInfos;
    std::vector<Outcome> outcomes;
    std::vector<char> blockDone;
    std::atomic<size_t> nextBlock{0};
    std::atomic<bool> cancel{false};
    std::mutex mutex;
    std::condition_variable doneChanged;
    bool canAsk = false; // the observer is asked on this thread only
    // Taken by this thread only: the items and whole blocks taken so far, and
    // when the bytes of items under way were last shown.
    size_t taken = 0;
    size_t takenBlocks = 0;
    std::chrono::steady_clock::time_point shownAt;
    CFolderCache* folders = nullptr; // shared by both threads
};

// The files are cut into blocks of consecutive items (mostly of one folder
// each); both threads take the next block until none is left. Each item's
// outcome is kept, and this thread takes the outcomes in the order of the
// items: statuses, errors and progress come as from one thread. A cancel
// stops both threads before their next item.
bool CFileOperation::CCopyRun::CopyInParallel(size_t first, size_t last, const std::vector<EntryInfo>& sourceInfos)
{
    Parallel shared(first, last, sourceInfos);
    shared.canAsk = m_op.m_observer != nullptr;
    shared.folders = CFolderCache::Current();
    std::thread helper;
    try {
        helper = std::thread([this, &shared] { CopyBlocks(shared, false); });
    } catch (const std::system_error&) {
        // No second thread: this one copies every block.
    }
    CopyBlocks(shared, true);
    TakeOutcomes(shared, true);
    if (helper.joinable())
        helper.join();
    if (shared.cancel)
        m_op.m_result.cancelled = true;
    return !shared.cancel;
}

void CFileOperation::CCopyRun::CopyBlocks(Parallel& shared, bool onOwnThread)
{
    CFolderCache::Use use(shared.folders);
    QString knownFolder;
    for (;;) {
        const size_t block = shared.nextBlock++;
        if (block >= shared.blocks)
            return;
        for (size_t k = block * Parallel::kBlock; k < shared.BlockEnd(block); ++k) {
            if ((onOwnThread && shared.canAsk && m_op.CancelRequested()) || m_op.m_cancel)
                shared.cancel = true;
            if (shared.cancel)
                break;
            CopyBlockItem(shared, k, knownFolder);
            if (onOwnThread)
                ReportUnderWay(shared);
        }
        {
            std::lock_guard lock(shared.mutex);
            shared.blockDone[block] = 1;
            shared.doneChanged.notify_all();
        }
        if (onOwnThread)
            TakeOutcomes(shared, false);
    }
}

void CFileOperation::CCopyRun::CopyBlockItem(Parallel& shared, size_t k, QString& knownFolder)
{
    const size_t index = shared.first + k;
    const FileOpItem& item = m_op.m_result.items[index];
    const Rooted& paths = m_paths[index];
    const EntryInfo& info = shared.sourceInfos[index];
    Parallel::Outcome& outcome = shared.outcomes[k];
    outcome.ran = true;
    // However the item ends, its end is reported.
    struct ItemEnd
    {
        const CFileOperation& op;
        size_t index;
        ~ItemEnd() { op.ItemDone(index); }
    } const itemEnd{m_op, index};
    CFileCopier::Expected expected;
    outcome.error = m_op.CheckItem(index, paths.source, &paths.destination, &expected);
    if (outcome.error.isEmpty())
        outcome.error = m_op.SourceNoLongerExpected(index, info, expected);
    if (!outcome.error.isEmpty())
        return;
    if (info.kind == EntryKind::Missing || info.error != 0) {
        outcome.error = FileErrorText(item.source, info.error != 0 ? info.error : ENOENT);
        return;
    }
    const QString parent = GetParentFolder(item.destination);
    if (!parent.isEmpty() && parent != knownFolder) {
        const RootedPath parentPath = ParentOf(paths.destination);
        if (GetEntryInfo(parentPath).kind != EntryKind::Folder && !CreateFolderPath(parentPath, &outcome.error))
            return;
        knownFolder = parent;
    }
    // The destination is not examined: the copier finds a file there when it
    // puts this one in place (and leaves it alone where none was expected).
    auto refused = CFileCopier::Refusal::None;
    const CFileCopier::Known known{info.kind, EntryKind::Missing, false, expected, &refused};
    outcome.ok = m_copier.CopyFile(
        paths.source, paths.destination, known, [&outcome](quint64 bytes) { outcome.bytes += bytes; }, &outcome.error,
        index, &outcome.written);
    if (refused != CFileCopier::Refusal::None)
        outcome.error = m_op.RefusedText(index, refused, outcome.error);
}

// Takes the outcomes of the blocks done so far in the order of the items
// (statuses, errors and progress as from one thread); with `wait`, of every
// block, waiting for those the other thread still copies.
void CFileOperation::CCopyRun::TakeOutcomes(Parallel& shared, bool wait)
{
    for (; shared.takenBlocks < shared.blocks; ++shared.takenBlocks) {
        const size_t block = shared.takenBlocks;
        if (wait) {
            WaitForBlock(shared, block);
        } else {
            std::lock_guard lock(shared.mutex);
            if (!shared.blockDone[block])
                return;
        }
        TakeBlock(shared, block);
    }
}

void CFileOperation::CCopyRun::TakeBlock(Parallel& shared, size_t block)
{
    for (; shared.taken < shared.BlockEnd(block); ++shared.taken) {
        const Parallel::Outcome& outcome = shared.outcomes[shared.taken];
        if (!outcome.ran)
            continue;
        FileOpItem& item = m_op.m_result.items[shared.first + shared.taken];
        m_bytesDone += qint64(outcome.bytes.load());
        if (outcome.ok) {
            item.status = FileOpStatus::Done;
            item.written = outcome.written;
        } else {
            Fail(item, outcome.error);
        }
        Advance(item.source);
    }
}

void CFileOperation::CCopyRun::WaitForBlock(Parallel& shared, size_t block)
{
    // The other thread may still copy it: Cancel is asked for meanwhile, and
    // the bytes copied so far are shown.
    std::unique_lock lock(shared.mutex);
    while (!shared.blockDone[block]) {
        if (shared.doneChanged.wait_for(
                lock, std::chrono::milliseconds(100), [&] { return shared.blockDone[block] != 0; }))
            break;
        lock.unlock();
        if (shared.canAsk && m_op.CancelRequested())
            shared.cancel = true;
        ReportUnderWay(shared);
        lock.lock();
    }
}

// Blocks of large files take long: the bytes of the items under way (the next
// two blocks' worth) move the progress before their files count as done, at
// most every 100 ms, under the name of the first item not yet taken.
void CFileOperation::CCopyRun::ReportUnderWay(Parallel& shared)
{
    if (!m_op.m_observer || (m_op.m_flags & FileOpFlag::Silent) || shared.taken >= shared.count)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now - shared.shownAt < std::chrono::milliseconds(100))
        return;
    shared.shownAt = now;
    qint64 underWay = 0;
    const size_t end = std::min(shared.count, shared.taken + 2 * Parallel::kBlock);
    for (size_t k = shared.taken; k < end; ++k)
        underWay += qint64(shared.outcomes[k].bytes.load());
    if (underWay > 0)
        m_op.m_observer->Progress(
            m_filesDone, m_bytesDone + underWay, m_op.m_result.items[shared.first + shared.taken].source);
}

void CFileOperation::CCopyRun::Finish()
{
    QString flushError;
    const bool flushed = m_copier.Flush(&flushError);
    for (CFileCopier::DeferredFailure& failure : m_copier.TakeFailures()) {
        FileOpItem& item = m_op.m_result.items.at(size_t(failure.tag));
        // The item counted as done until its replacement could not be put in place.
        if (item.status == FileOpStatus::Done)
            item.status = FileOpStatus::NotRun;
        Fail(item, failure.error);
    }
    for (const CFileCopier::Replacement& replacement : m_copier.TakeReplacements()) {
        FileOpItem& item = m_op.m_result.items.at(size_t(replacement.tag));
        item.replaced = true;
        item.trashedAs = replacement.trashedAs;
    }
    // New files are flushed once, at the end, for every file system written to.
    if (!flushed)
        m_op.m_result.errors << flushError;
}

// --- the operation ------------------------------------------------------------------

CFileOperation::CFileOperation(IFileOperationObserver* observer) : m_observer(observer)
{
}

QString CFileOperation::SourceNoLongerExpected(
    size_t index, const EntryInfo& info, const CFileCopier::Expected& expected) const
{
    // A regular file was expected: anything else there (a folder above all,
    // whose copy would take its contents) is not the file the caller saw.
    if (!expected.source || info.error != 0 || info.kind == EntryKind::File)
        return {};
    return RefusedText(index, CFileCopier::Refusal::SourceChanged,
        FileErrorText(m_result.items.at(index).source, info.kind == EntryKind::Missing ? ENOENT : EINVAL));
}

bool CFileOperation::CancelRequested() const
{
    return m_cancel.load() || (m_observer && m_observer->CancelRequested());
}

void CFileOperation::Begin(FileOpFlags flags)
{
    m_flags = flags;
    m_cancel = false;
    m_result = FileOpResult();
}

bool CFileOperation::Finish()
{
    if (!m_result.errors.isEmpty() && !(m_flags & FileOpFlag::Silent)) {
        if (m_observer)
            m_observer->ShowErrors(m_result.errors);
        else
            ShowFileOperationErrors(m_result.errors);
    }
    return m_result.Succeeded();
}

bool CFileOperation::CopyItem(const QString& source, const QString& destination, FileOpFlags flags)
{
    return CopyItems({source}, {destination}, flags.setFlag(FileOpFlag::MultiDestFiles, false));
}

bool CFileOperation::Run(FileOpKind kind, FileOpFlags flags, const std::function<bool()>& work)
{
    bool ok = false;
    const std::function<void()> operation = [&ok, &work] { ok = work(); };
    if (m_observer)
        m_observer->RunOperation(kind, flags, operation);
    else
        operation();
    return ok;
}

bool CFileOperation::CopyItems(const QStringList& sources, const QStringList& destinations, FileOpFlags flags)
{
    return Run(FileOpKind::Copy, flags, [&] { return DoCopyItems(sources, destinations, flags); });
}

bool CFileOperation::DeleteItems(const QStringList& paths, FileOpFlags flags)
{
    return Run(FileOpKind::Delete, flags, [&] { return DoDeleteItems(paths, flags); });
}

bool CFileOperation::DoCopyItems(const QStringList& sources, const QStringList& destinations, FileOpFlags flags)
{
    Begin(sources.size() > 1 ? flags | FileOpFlag::MultiDestFiles : flags);
    CopyPlan plan;
    PlanCopies(plan, sources, destinations);
    // Folders stay open while the operation works (on every thread of it).
    CFolderCache folders;
    MeasureSources(plan, folders);

    CCopyRun run(*this, plan.paths);
    const bool anyOutside = std::find(plan.outside.begin(), plan.outside.end(), true) != plan.outside.end();
    // Many files and nothing to ask: copied on two threads.
    if (m_result.items.size() >= kParallelItems && !anyOutside && !CancelRequested()
        && run.CanCopyInParallel(0, m_result.items.size(), plan.sourceInfos))
        run.CopyInParallel(0, m_result.items.size(), plan.sourceInfos);
    else
        CopyOneByOne(run, plan);
    run.Finish();
    return Finish();
}

void CFileOperation::PlanCopies(CopyPlan& plan, const QStringList& sources, const QStringList& destinations)
{
    plan.paths.resize(size_t(sources.size()));
    plan.outside.assign(size_t(sources.size()), false);
    for (qsizetype i = 0; i < sources.size(); ++i) {
        FileOpItem item;
        item.source = sources.at(i);
        item.destination = i < destinations.size() ? destinations.at(i) : QString();
        CopyPlan::Rooted& rooted = plan.paths[size_t(i)];
        if (!m_roots.Split(item.source, &rooted.source))
            item.error = OutsideText(item.source);
        else if (!item.destination.isEmpty() && !m_roots.Split(item.destination, &rooted.destination))
            item.error = OutsideText(item.destination);
        plan.outside[size_t(i)] = !item.error.isEmpty();
        m_result.items.push_back(item);
    }
}

void CFileOperation::MeasureSources(CopyPlan& plan, CFolderCache& folders)
{
    // The totals, and what each source is; many items are examined on two threads.
    qint64 totalFiles = 0;
    qint64 totalBytes = 0;
    plan.sourceInfos.assign(m_result.items.size(), EntryInfo());
    const auto measureRange = [&](size_t first, size_t last, qint64* files, qint64* bytes) {
        CFolderCache::Use use(&folders);
        for (size_t i = first; i < last; ++i) {
            EntryInfo& info = plan.sourceInfos[i];
            if (plan.outside[i])
                continue;
            if (m_knownSource && m_knownSource(i, &info) && info.kind == EntryKind::File) {
                ++*files;
                *bytes += qint64(info.size);
            } else {
                info = Measure(plan.paths[i].source, files, bytes);
            }
        }
    };
    const size_t half = m_result.items.size() >= kParallelItems ? m_result.items.size() / 2 : 0;
    qint64 otherFiles = 0;
    qint64 otherBytes = 0;
    std::thread measurer;
    try {
        if (half > 0)
            measurer = std::thread(measureRange, half, m_result.items.size(), &otherFiles, &otherBytes);
    } catch (const std::system_error&) {
    }
    measureRange(0, measurer.joinable() ? half : m_result.items.size(), &totalFiles, &totalBytes);
    if (measurer.joinable()) {
        measurer.join();
        totalFiles += otherFiles;
        totalBytes += otherBytes;
    }
    if (m_observer && !(m_flags & FileOpFlag::Silent))
        m_observer->Started(totalFiles, totalBytes);
}

void CFileOperation::CopyOneByOne(CCopyRun& run, const CopyPlan& plan)
{
    for (size_t i = 0; i < m_result.items.size(); ++i) {
        FileOpItem& item = m_result.items[i];
        if (CancelRequested())
            m_result.cancelled = true;
        if (m_result.cancelled)
            break;
        if (item.destination.isEmpty()) {
            item.status = FileOpStatus::Failed;
            item.error = item.source + QStringLiteral(": コピー先がありません。");
            m_result.errors << item.error;
            ItemDone(i);
            continue;
        }
        if (plan.outside[i]) {
            item.status = FileOpStatus::Failed;
            m_result.errors << item.error;
            continue;
        }
        CFileCopier::Expected expected;
        const QString changed = CheckItem(i, plan.paths[i].source, &plan.paths[i].destination, &expected);
        if (!changed.isEmpty()) {
            item.status = FileOpStatus::Failed;
            item.error = changed;
            m_result.errors << changed;
            ItemDone(i);
            continue;
        }
        run.CopyItem(item, i, plan.sourceInfos[i], expected);
        ItemDone(i);
    }
}

bool CFileOperation::DoDeleteItems(const QStringList& paths, FileOpFlags flags)
{
    Begin(flags);
    for (const QString& path : paths) {
        FileOpItem item;
        item.source = path;
        m_result.items.push_back(item);
    }
    if (paths.isEmpty())
        return Finish();

    const bool toTrash = m_flags & FileOpFlag::AllowUndo;
    if (!(m_flags & FileOpFlag::NoConfirmation) && !CurrentPrompt().AskYesNo(DeleteQuestion(paths, toTrash))) {
        for (FileOpItem& item : m_result.items)
            item.status = FileOpStatus::Skipped;
        m_result.cancelled = true;
        return Finish();
    }
    if (m_observer && !(m_flags & FileOpFlag::Silent))
        m_observer->Started(paths.size(), 0);
    CFolderCache folders;
    qint64 done = 0;
    for (size_t index = 0; index < m_result.items.size(); ++index) {
        FileOpItem& item = m_result.items[index];
        if (CancelRequested()) {
            m_result.cancelled = true;
            break;
        }
        QString error;
        RootedPath rooted;
        bool ok = false;
        if (!m_roots.Split(item.source, &rooted))
            error = OutsideText(item.source);
        else
            error = CheckItem(index, rooted, nullptr, nullptr);
        if (error.isEmpty())
            ok = toTrash ? MoveToTrash(rooted, &error, &item.trashedAs) : DeleteForGood(rooted, &error);
        item.status = ok ? FileOpStatus::Done : FileOpStatus::Failed;
        if (!ok) {
            item.error = error;
            m_result.errors << error;
        }
        ItemDone(index);
        if (m_observer && !(m_flags & FileOpFlag::Silent))
            m_observer->Progress(++done, 0, item.source);
    }
    return Finish();
}
