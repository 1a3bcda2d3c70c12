#include "core/platform/FileCopy.h"

#include "core/platform/FileName.h"
#include "core/platform/FileSystem.h"
#include "core/platform/Finder.h"
#include "core/platform/TempRecord.h"
#include "core/platform/Trash.h"

#include <QHash>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kRangeChunk = 1 << 20; // bytes per copy_file_range call: progress moves on large files
constexpr size_t kBufferSize = 256 * 1024;
// Replacements that wait for one flush together (each holds its temporary
// file open and locked until then), and the bytes they may hold.
constexpr size_t kPendingFiles = 256;
constexpr quint64 kPendingBytes = quint64(256) << 20;

// Texts of the failures that are not a system error.
QString FolderInTheWayText()
{
    return QStringLiteral("同じ名前のフォルダがあるため、ファイルで置き換えることはできません。");
}
QString FileInTheWayText()
{
    return QStringLiteral("同じ名前のファイルがあるため、フォルダを作成できません。");
}
QString SourceChangedText()
{
    return QStringLiteral("コピー中にコピー元が変更されました。コピー先は変更されていません。");
}
QString NotRegularText()
{
    return QStringLiteral("通常のファイルではないため、コピーできません。");
}
QString CollisionText(const QString& other, const QString& self)
{
    if (other.isEmpty())
        return QStringLiteral(
            "コピー先では、このコピーで置いた別の名前のファイルと同じファイルになるため、コピーできません。"
            "大文字と小文字を区別しないファイル システムです。");
    return QStringLiteral("コピー先では %1 のコピーと同じファイルになるため、%2 をコピーできません。"
                          "大文字と小文字を区別しないファイル システムです。")
        .arg(other, self);
}

// --- test hooks ---------------------------------------------------------------

std::atomic<qint64> g_failAfter{-1};
std::atomic<qint64> g_written{0};
std::atomic<int> g_failErrno{ENOSPC};
std::atomic<FileCopyTestHooks::DataHook> g_dataHook{nullptr};
std::mutex g_hookMutex;
std::function<void(const QString&, const QString&)> g_afterDataHook;

bool WriteFaultActive()
{
    return g_failAfter.load() >= 0;
}

void ReportData(quint64 copiedOfThisFile)
{
    if (const FileCopyTestHooks::DataHook hook = g_dataHook.load())
        hook(copiedOfThisFile);
}

void RunAfterDataHook(const QString& source, const QString& destination)
{
    std::function<void(const QString&, const QString&)> hook;
    {
        std::lock_guard lock(g_hookMutex);
        hook = g_afterDataHook;
    }
    if (hook)
        hook(source, destination);
}

// write() with the injected fault applied: a disk that holds `g_failAfter`
// bytes of copy data; `written` counts this copy's share, which is given back
// when its temporary file is removed.
ssize_t WriteData(int fd, const char* data, size_t length, qint64* written)
{
    if (WriteFaultActive()) {
        const qint64 allowed = g_failAfter.load() - g_written.load();
        if (allowed <= 0) {
            errno = g_failErrno.load();
            return -1;
        }
        length = std::min<size_t>(length, size_t(allowed));
    }
    const ssize_t n = ::write(fd, data, length);
    if (n > 0) {
        g_written += n;
        *written += n;
    }
    return n;
}

// --- paths ----------------------------------------------------------------------

bool SameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool Fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

bool FailErrno(QString* error, const QString& path, int errorNumber)
{
    return Fail(error, FileErrorText(path, errorNumber));
}

// Closes a file descriptor when it goes out of scope.
class CFd
{
public:
    explicit CFd(int fd = -1) : m_fd(fd) { }
    ~CFd() { Reset(); }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }
    void Reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    // Gives up the descriptor without closing it.
    void Release() { m_fd = -1; }
    // Closes now and returns the result of close (write-back errors of some file systems surface here).
    int Close()
    {
        const int result = m_fd >= 0 ? ::close(m_fd) : 0;
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

bool IsDotName(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Opens a source file for reading without following a link and without
// waiting on a FIFO swapped in for it; -1 with errno (ELOOP for a link).
int OpenSource(const RootedPath& source)
{
    if (source.IsRoot())
        return ::open(source.root.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    QByteArray name;
    int error = 0;
    const FolderHandle parent = OpenParent(source, &name, &error);
    if (!parent) {
        errno = error;
        return -1;
    }
    return ::openat(parent->Fd(), name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
}

// The path-based creation of the folders above a root, which are taken as named.
bool CreatePathAsNamed(const QByteArray& path, QString* error)
{
    struct stat st;
    if (::stat(path.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return true;
        return Fail(error, DecodeFileName(path) + QStringLiteral(": ") + FileInTheWayText());
    }
    // Find the deepest folder that exists, then create the missing ones downwards.
    std::vector<QByteArray> missing{path};
    QByteArray current = path;
    for (;;) {
        const qsizetype slash = current.lastIndexOf('/');
        const QByteArray parent = slash <= 0 ? QByteArrayLiteral("/") : current.left(slash);
        if (parent == current)
            break;
        if (::stat(parent.constData(), &st) == 0) {
            if (!S_ISDIR(st.st_mode))
                return Fail(error, DecodeFileName(parent) + QStringLiteral(": ") + FileInTheWayText());
            break;
        }
        if (errno != ENOENT)
            return FailErrno(error, DecodeFileName(parent), errno);
        missing.push_back(parent);
        current = parent;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (::mkdir(it->constData(), 0777) != 0 && errno != EEXIST)
            return FailErrno(error, DecodeFileName(*it), errno);
    }
    return true;
}

// Removes an entry of `dirFd` and, for a folder, everything in it, without
// following links. Records the first failure in `error`.
void RemoveTreeAt(int dirFd, const QByteArray& name, const QString& path, QString* error, bool* ok)
{
    const auto failed = [&](const QString& where, int errorNumber) {
        if (*ok) {
            *ok = false;
            *error = FileErrorText(where, errorNumber);
        }
    };
    CFd fd(::openat(dirFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.Get() < 0) {
        if (errno == ENOTDIR || errno == ELOOP) {
            // Not a folder (any more): a file or a link, removed itself.
            if (::unlinkat(dirFd, name.constData(), 0) != 0)
                failed(path, errno);
            return;
        }
        failed(path, errno);
        return;
    }
    // Read all names first, then remove: removing while reading may skip entries.
    std::vector<std::pair<QByteArray, bool>> entries;
    if (DIR* dir = ::fdopendir(::dup(fd.Get()))) {
        int mountRoot = -1;
        while (dirent* entry = ::readdir(dir)) {
            if (IsDotName(entry->d_name))
                continue;
            // The trash of a volume is not the user's data, even in a folder deleted as a whole.
            if (IsVolumeTrashName(entry->d_name)) {
                if (mountRoot < 0)
                    mountRoot = IsMountRoot(fd.Get()) ? 1 : 0;
                if (mountRoot == 1)
                    continue;
            }
            bool isFolder = entry->d_type == DT_DIR;
            if (entry->d_type == DT_UNKNOWN) {
                struct stat st;
                isFolder = ::fstatat(fd.Get(), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
            }
            entries.emplace_back(QByteArray(entry->d_name), isFolder);
        }
        ::closedir(dir);
    } else {
        failed(path, errno);
        return;
    }
    for (const auto& [child, isFolder] : entries) {
        const QString childPath = path + QLatin1Char('/') + DecodeFileName(child);
        if (isFolder)
            RemoveTreeAt(fd.Get(), child, childPath, error, ok);
        else if (::unlinkat(fd.Get(), child.constData(), 0) != 0 && errno != ENOENT)
            failed(childPath, errno);
    }
    fd.Reset();
    if (::unlinkat(dirFd, name.constData(), AT_REMOVEDIR) != 0)
        failed(path, errno);
}

// The hash of a name with its letter case folded.
uint FoldedHash(const QByteArray& name)
{
    return qHash(DecodeFileName(name).toCaseFolded());
}

// A temporary file in a destination folder; `name` is empty for an unnamed one.
struct Temporary
{
    CFd fd;
    QByteArray name;
};

// Puts the complete temporary file in place under `name` where nothing is:
// 0, EEXIST when something is there, or another errno.
int PlaceNew(int dirFd, Temporary& temp, const QByteArray& name)
{
    if (temp.name.isEmpty())
        return NameUnnamedFile(temp.fd.Get(), dirFd, name.constData()) == 0 ? 0 : errno;
    if (::renameat2(dirFd, temp.name.constData(), dirFd, name.constData(), RENAME_NOREPLACE) == 0) {
        temp.name.clear();
        return 0;
    }
    if (errno != EINVAL)
        return errno;
    // A file system that cannot rename this way: look first.
    struct stat st;
    if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    if (::renameat(dirFd, temp.name.constData(), dirFd, name.constData()) != 0)
        return errno;
    temp.name.clear();
    return 0;
}

} // namespace

// --- free functions -------------------------------------------------------------

QString FileErrorText(const QString& path, int errorNumber)
{
    return path + QStringLiteral(": ") + SystemErrorText(errorNumber);
}

EntryInfo GetEntryInfo(const RootedPath& path)
{
    EntryInfo info;
    struct stat st;
    const int failure = StatEntry(path, &st);
    if (failure != 0) {
        // A link or a file in place of a folder above it: the entry is not there.
        if (failure != ENOENT && failure != ENOTDIR)
            info.error = failure;
        return info;
    }
    if (S_ISREG(st.st_mode))
        info.kind = EntryKind::File;
    else if (S_ISDIR(st.st_mode))
        info.kind = EntryKind::Folder;
    else if (S_ISLNK(st.st_mode))
        info.kind = EntryKind::Link;
    else
        info.kind = EntryKind::Other;
    info.size = S_ISDIR(st.st_mode) ? 0 : quint64(st.st_size);
    return info;
}

EntryInfo GetEntryInfo(const QString& path)
{
    RootedPath rooted;
    return SplitAtParent(path, &rooted) ? GetEntryInfo(rooted) : EntryInfo();
}

bool ListFolderEntries(const RootedPath& folder, std::vector<QByteArray>* names, int* error)
{
    const int fd = OpenFolderForReading(folder, error);
    if (fd < 0)
        return false;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        *error = errno;
        ::close(fd);
        return false;
    }
    int mountRoot = -1;
    int readError = 0;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            readError = errno;
            break;
        }
        if (IsDotName(entry->d_name))
            continue;
        if (IsVolumeTrashName(entry->d_name)) {
            if (mountRoot < 0)
                mountRoot = IsMountRoot(::dirfd(dir)) ? 1 : 0;
            if (mountRoot == 1)
                continue;
        }
        names->emplace_back(entry->d_name);
    }
    ::closedir(dir);
    *error = readError;
    return readError == 0;
}

bool ListFolderEntries(const QString& folder, QStringList* names, QString* error)
{
    RootedPath rooted;
    std::vector<QByteArray> found;
    int failure = ENOENT;
    if (!SplitAtParent(folder, &rooted) || !ListFolderEntries(rooted, &found, &failure))
        return FailErrno(error, folder, failure);
    for (const QByteArray& name : found)
        names->append(DecodeFileName(name));
    return true;
}

bool CreateFolderPath(const RootedPath& folder, QString* error)
{
    // Mostly the folder above is there (a copy creates folders from the top
    // down): one mkdirat from it.
    int failure = 0;
    if (!folder.IsRoot()) {
        QByteArray leaf;
        const FolderHandle parent = OpenParent(folder, &leaf, &failure);
        if (parent && ::mkdirat(parent->Fd(), leaf.constData(), 0777) == 0) {
            if (CFolderCache::Current())
                OpenFolder(folder, &failure);
            return true;
        }
    }
    if (!CreatePathAsNamed(folder.root, error))
        return false;
    if (OpenFolder(folder, &failure))
        return true;
    // Down from the root, one level at a time, never through a link.
    RootedPath current{folder.root, {}};
    qsizetype start = 0;
    while (start < folder.below.size()) {
        qsizetype end = folder.below.indexOf('/', start);
        if (end < 0)
            end = folder.below.size();
        const QByteArray component = folder.below.mid(start, end - start);
        const RootedPath next = current.Child(component);
        const FolderHandle parent = OpenFolder(current, &failure);
        if (!parent)
            return FailErrno(error, current.Text(), failure);
        if (::mkdirat(parent->Fd(), component.constData(), 0777) != 0 && errno != EEXIST)
            return FailErrno(error, next.Text(), errno);
        struct stat st;
        if (::fstatat(parent->Fd(), component.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return FailErrno(error, next.Text(), errno);
        if (!S_ISDIR(st.st_mode))
            return Fail(error, next.Text() + QStringLiteral(": ") + FileInTheWayText());
        current = next;
        start = end + 1;
    }
    // Kept open in the caller's cache: the files that go into it next are
    // looked at and put in place from it.
    if (CFolderCache::Current())
        OpenFolder(folder, &failure);
    return true;
}

bool CreateFolderPath(const QString& folder, QString* error)
{
    RootedPath rooted;
    if (!SplitAtParent(folder, &rooted))
        return FailErrno(error, folder, ENOENT);
    return CreateFolderPath(rooted, error);
}

bool DeleteForGood(const RootedPath& path, QString* error)
{
    QByteArray name;
    int failure = 0;
    const FolderHandle parent = OpenParent(path, &name, &failure);
    if (!parent)
        return FailErrno(error, path.Text(), failure);
    struct stat st;
    if (::fstatat(parent->Fd(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return FailErrno(error, path.Text(), errno);
    if (CFolderCache* cache = CFolderCache::Current())
        cache->Forget(path);
    if (!S_ISDIR(st.st_mode)) {
        if (::unlinkat(parent->Fd(), name.constData(), 0) != 0)
            return FailErrno(error, path.Text(), errno);
        return true;
    }
    bool ok = true;
    QString firstError;
    RemoveTreeAt(parent->Fd(), name, path.Text(), &firstError, &ok);
    if (!ok)
        return Fail(error, firstError);
    return true;
}

bool DeleteForGood(const QString& path, QString* error)
{
    RootedPath rooted;
    if (!SplitAtParent(path, &rooted))
        return FailErrno(error, path, ENOENT);
    return DeleteForGood(rooted, error);
}

// --- CFileCopier ------------------------------------------------------------------

struct CFileCopier::Folder
{
    quint64 device = 0;
    quint64 inode = 0;
    std::atomic<int> unnamed{-1}; // whether unnamed temporary files work here; -1: not tried yet
};

struct CFileCopier::Pending
{
    int fd = -1; // the temporary file, open until it is completed
    QByteArray temporaryName; // empty: unnamed
    FolderHandle folder;
    quint64 device = 0;
    QByteArray name; // of the destination in its folder
    QByteArray destination; // the whole path, the key of m_pendingDestinations
    quint64 tag = 0;
};

CFileCopier::CFileCopier()
{
    CTempRecord::RemoveLeftovers();
}

CFileCopier::~CFileCopier()
{
    // What was reported copied is put in place, even without a Flush.
    std::unique_lock lock(m_mutex);
    CommitLocked(lock);
    for (const auto& [device, fd] : m_fileSystems)
        ::close(fd);
}

CTempRecord& CFileCopier::Record()
{
    if (!m_record)
        m_record = std::make_unique<CTempRecord>();
    return *m_record;
}

std::shared_ptr<CFileCopier::Folder> CFileCopier::PrepareFolder(
    const RootedPath& destination, QByteArray* name, int* error, FolderHandle* handle)
{
    *handle = OpenParent(destination, name, error);
    if (!*handle)
        return nullptr;
    QByteArray key = destination.Full();
    key.chop(name->size() + 1);
    std::lock_guard lock(m_mutex);
    std::shared_ptr<Folder>& folder = m_folders[key];
    if (folder)
        return folder;
    folder = std::make_shared<Folder>();
    struct stat st;
    if (::fstat((*handle)->Fd(), &st) == 0) {
        folder->device = quint64(st.st_dev);
        folder->inode = quint64(st.st_ino);
        if (!m_fileSystems.count(folder->device)) {
            // syncfs needs a descriptor that is not O_PATH.
            const int fd = ::openat((*handle)->Fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fd >= 0)
                m_fileSystems[folder->device] = fd;
        }
    }
    return folder;
}

bool CFileCopier::NotePlaced(
    const Folder& folder, const QByteArray& name, Identity id, bool created, quint64 tag, quint64* otherTag)
{
    const uint nameHash = qHash(name);
    const auto [found, inserted] = m_placed.try_emplace(id);
    Placed& placed = found->second;
    if (inserted) {
        placed = {folder.inode, tag, nameHash, created ? 0u : FoldedHash(name), created};
        return true;
    }
    if (placed.folderInode != folder.inode || placed.nameHash == nameHash)
        return true;
    // An existing file with two names (hard links) is no collision unless the names differ only in case.
    if (!placed.created && placed.foldedHash != FoldedHash(name))
        return true;
    *otherTag = placed.tag;
    return false;
}

void CFileCopier::ForgetPlaced(Identity id, quint64 tag)
{
    const auto found = m_placed.find(id);
    if (found != m_placed.end() && found->second.created && found->second.tag == tag)
        m_placed.erase(found);
}

QString CFileCopier::CollisionMessage(const RootedPath& destination, quint64 tag, quint64 otherTag) const
{
    const QString other = m_tagName ? m_tagName(otherTag) : QString();
    const QString self = m_tagName ? m_tagName(tag) : QString();
    return destination.Text() + QStringLiteral(": ") + CollisionText(other, self);
}

bool CFileCopier::CopyFile(
    const QString& source, const QString& destination, const BytesCallback& progress, QString* error)
{
    const EntryInfo sourceInfo = GetEntryInfo(source);
    if (sourceInfo.error != 0)
        return FailErrno(error, source, sourceInfo.error);
    return CopyFile(source, destination, {sourceInfo.kind, GetEntryInfo(destination).kind}, progress, error);
}

bool CFileCopier::CopyFile(const QString& source, const QString& destination, const Known& known,
    const BytesCallback& progress, QString* error, quint64 tag)
{
    RootedPath from;
    RootedPath to;
    if (!SplitAtParent(source, &from))
        return FailErrno(error, source, ENOENT);
    if (!SplitAtParent(destination, &to))
        return FailErrno(error, destination, ENOENT);
    return CopyFile(from, to, known, progress, error, tag);
}

bool CFileCopier::CopyFile(const RootedPath& source, const RootedPath& destination, const Known& given,
    const BytesCallback& progress, QString* error, quint64 tag, CopiedFile* written)
{
    Known known = given;
    if (!known.destinationKnown && known.source != EntryKind::File) {
        known.destination = GetEntryInfo(destination).kind;
        known.destinationKnown = true;
    }
    {
        // A file waiting to be replaced is read only once its new data is in place.
        // And a link that takes the place of a waiting file goes there after it.
        std::unique_lock lock(m_mutex);
        if (!m_pendingDestinations.empty()
            && (m_pendingDestinations.count(source.Full())
                || (known.source != EntryKind::File && m_pendingDestinations.count(destination.Full()))))
            CommitLocked(lock);
    }
    if (known.destination == EntryKind::Folder)
        return Fail(error, destination.Text() + QStringLiteral(": ") + FolderInTheWayText());
    switch (known.source) {
    case EntryKind::Link:
        return CopyLink(source, destination, error, tag);
    case EntryKind::File:
        return CopyRegularFile(source, destination, known, progress, error, tag, written);
    case EntryKind::Folder:
        return FailErrno(error, source.Text(), EISDIR);
    case EntryKind::Missing:
        return FailErrno(error, source.Text(), ENOENT);
    case EntryKind::Other:
        break;
    }
    return Fail(error, source.Text() + QStringLiteral(": ") + NotRegularText());
}

bool CFileCopier::CreateTemporary(const FolderHandle& handle, Folder& folder, int* fd, QByteArray* name, int* error)
{
    if (folder.unnamed.load() != 0) {
        *fd = ::openat(handle->Fd(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (*fd >= 0) {
            folder.unnamed = 1;
            return true;
        }
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            *error = errno;
            return false;
        }
        folder.unnamed = 0;
    }
    // A file system without unnamed files: a named one, recorded before it is used.
    for (int attempt = 0;; ++attempt) {
        *name = NewTempName();
        *fd = ::openat(handle->Fd(), name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (*fd < 0) {
            if (errno == EEXIST && attempt < 100)
                continue;
            *error = errno;
            return false;
        }
        struct stat st;
        if (::fstat(*fd, &st) == 0) {
            std::lock_guard lock(m_mutex);
            Record().Note(handle->Fd(), *name, st.st_dev, st.st_ino);
        }
        return true;
    }
}

// One regular file on its way to its destination: the source as opened, the
// temporary file beside the destination, and what has been copied.
struct CFileCopier::RegularCopy
{
    RegularCopy(const RootedPath& from, const RootedPath& to, const Known& given, QString* failure)
        : source(from), destination(to), known(given), error(failure)
    {
    }

    const RootedPath& source;
    const RootedPath& destination;
    const Known& known;
    QString* error;
    CFd in;
    struct stat before
    {
    };
    FolderHandle dir;
    std::shared_ptr<Folder> folder;
    QByteArray name; // of the destination in its folder
    Temporary temp;
    qint64 faultBytes = 0; // this copy's bytes under the injected fault
    quint64 copied = 0;
    Identity made;
    CopiedFile written; // the temporary's size and times once they are final

    // Removes the temporary file (its bytes under the injected fault with it) and fails with `text`.
    bool FailAndRemove(const QString& text)
    {
        temp.fd.Reset();
        if (!temp.name.isEmpty())
            ::unlinkat(dir->Fd(), temp.name.constData(), 0);
        g_written -= faultBytes;
        return Fail(error, text);
    }
    // Fails for what was expected and not found (the temporary removed, when there is one).
    bool Refuse(Refusal why, const QString& text)
    {
        if (known.refused)
            *known.refused = why;
        if (temp.fd.Get() >= 0)
            return FailAndRemove(text);
        return Fail(error, text);
    }
    bool SourceAsExpected() const
    {
        const Expected& expected = known.expected;
        return !expected.source
            || (S_ISREG(before.st_mode) && qint64(before.st_size) == expected.sourceSize
                && qint64(before.st_mtim.tv_sec) * 1'000'000'000 + before.st_mtim.tv_nsec == expected.sourceModified);
    }
    void NoteCopied(quint64 bytes, const BytesCallback& progress)
    {
        copied += bytes;
        if (progress)
            progress(bytes);
        ReportData(copied);
    }
};

bool CFileCopier::CopyRegularFile(const RootedPath& source, const RootedPath& destination, const Known& known,
    const BytesCallback& progress, QString* error, quint64 tag, CopiedFile* written)
{
    RegularCopy copy(source, destination, known, error);
    if (!(OpenSourceFile(copy) && OpenTemporary(copy) && CopyBytes(copy, progress) && Verify(copy)
            && PutInPlace(copy, tag)))
        return false;
    if (written)
        *written = copy.written;
    return true;
}

bool CFileCopier::OpenSourceFile(RegularCopy& copy)
{
    copy.in.Reset(OpenSource(copy.source));
    const auto changed
        = [&copy]() -> QString { return copy.source.Text() + QStringLiteral(": ") + SourceChangedText(); };
    if (copy.in.Get() < 0) {
        // Gone, or a link or a file in the way of its folder: not the file that was expected.
        if (copy.known.expected.source && (errno == ENOENT || errno == ELOOP || errno == ENOTDIR))
            return copy.Refuse(Refusal::SourceChanged, changed());
        if (errno == ELOOP)
            return Fail(copy.error, copy.source.Text() + QStringLiteral(": ") + NotRegularText());
        return FailErrno(copy.error, copy.source.Text(), errno);
    }
    if (::fstat(copy.in.Get(), &copy.before) != 0)
        return FailErrno(copy.error, copy.source.Text(), errno);
    if (!copy.SourceAsExpected())
        return copy.Refuse(Refusal::SourceChanged, changed());
    // A FIFO or a device swapped in for the file was opened without waiting, and is never read.
    if (!S_ISREG(copy.before.st_mode))
        return Fail(copy.error, copy.source.Text() + QStringLiteral(": ") + NotRegularText());
    // Of the flags that can change, only O_NONBLOCK was given: cleared in one call.
    ::fcntl(copy.in.Get(), F_SETFL, 0);
    return true;
}

bool CFileCopier::OpenTemporary(RegularCopy& copy)
{
    int failure = 0;
    copy.folder = PrepareFolder(copy.destination, &copy.name, &failure, &copy.dir);
    if (!copy.folder)
        return FailErrno(copy.error, copy.destination.Text(), failure);
    int tempFd = -1;
    if (!CreateTemporary(copy.dir, *copy.folder, &tempFd, &copy.temp.name, &failure))
        return FailErrno(copy.error, copy.destination.Text(), failure);
    copy.temp.fd.Reset(tempFd);
    return true;
}

bool CFileCopier::CopyBytes(RegularCopy& copy, const BytesCallback& progress)
{
    // copy_file_range where the file systems allow it, else read and write.
    if (!WriteFaultActive()) {
        const RangeCopy range = CopyRanges(copy, progress);
        if (range != RangeCopy::FallBack)
            return range == RangeCopy::Done;
    }
    return CopyByReading(copy, progress);
}

CFileCopier::RangeCopy CFileCopier::CopyRanges(RegularCopy& copy, const BytesCallback& progress)
{
    const quint64 expected = quint64(copy.before.st_size);
    // At the expected length the copy is done (a source that grew is caught by Verify).
    while (copy.copied == 0 || copy.copied < expected) {
        const ssize_t n = ::copy_file_range(copy.in.Get(), nullptr, copy.temp.fd.Get(), nullptr, kRangeChunk, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (copy.copied == 0
                && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF))
                return RangeCopy::FallBack;
            copy.FailAndRemove(FileErrorText(copy.destination.Text(), errno));
            return RangeCopy::Failed;
        }
        // Some file systems report an early end; plain reads finish the copy.
        if (n == 0)
            return copy.copied < expected ? RangeCopy::FallBack : RangeCopy::Done;
        copy.NoteCopied(quint64(n), progress);
    }
    return RangeCopy::Done;
}

bool CFileCopier::CopyByReading(RegularCopy& copy, const BytesCallback& progress)
{
    std::vector<char> buffer(kBufferSize);
    const quint64 expected = quint64(copy.before.st_size);
    while (copy.copied == 0 || copy.copied < expected) {
        const ssize_t n = ::read(copy.in.Get(), buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return copy.FailAndRemove(FileErrorText(copy.source.Text(), errno));
        }
        if (n == 0)
            break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = WriteData(copy.temp.fd.Get(), buffer.data() + done, size_t(n - done), &copy.faultBytes);
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                return copy.FailAndRemove(FileErrorText(copy.destination.Text(), errno));
            }
            done += w;
        }
        copy.NoteCopied(quint64(n), progress);
    }
    return true;
}

bool CFileCopier::Verify(RegularCopy& copy)
{
    RunAfterDataHook(copy.source.Text(), copy.destination.Text());
    // The source must not have changed while it was read.
    const struct stat& before = copy.before;
    struct stat after;
    if (::fstat(copy.in.Get(), &after) != 0)
        return copy.FailAndRemove(FileErrorText(copy.source.Text(), errno));
    if (after.st_size != before.st_size || !SameTime(after.st_mtim, before.st_mtim)
        || copy.copied != quint64(before.st_size))
        return copy.FailAndRemove(copy.source.Text() + QStringLiteral(": ") + SourceChangedText());

    // The copy takes the source's times and permission bits.
    const int out = copy.temp.fd.Get();
    const timespec times[2] = {before.st_atim, before.st_mtim};
    if (::futimens(out, times) != 0)
        return copy.FailAndRemove(FileErrorText(copy.destination.Text(), errno));
    if (::fchmod(out, before.st_mode & 01777) != 0 && errno != EPERM)
        return copy.FailAndRemove(FileErrorText(copy.destination.Text(), errno));
    struct stat made;
    if (::fstat(out, &made) != 0)
        return copy.FailAndRemove(FileErrorText(copy.destination.Text(), errno));
    copy.made = {quint64(made.st_dev), quint64(made.st_ino)};
    // Renaming it into place changes neither.
    copy.written = {true, qint64(made.st_size), qint64(made.st_mtim.tv_sec) * 1'000'000'000 + made.st_mtim.tv_nsec};
    return true;
}

bool CFileCopier::PutInPlace(RegularCopy& copy, quint64 tag)
{
    // Where nothing is, in place at once; a file found there makes this a
    // replacement, unless nothing was expected there.
    const Known& known = copy.known;
    if (!known.destinationKnown || known.destination == EntryKind::Missing || known.expected.destinationFree) {
        const NewPlacement placed = PlaceNewFile(copy, tag);
        if (placed != NewPlacement::Taken)
            return placed == NewPlacement::Placed;
    }
    return ClaimReplacedFile(copy, tag) && QueueReplacement(copy, tag);
}

CFileCopier::NewPlacement CFileCopier::PlaceNewFile(RegularCopy& copy, quint64 tag)
{
    quint64 other = 0;
    {
        // Noted before it has its name, so that a case variant that meets it finds it noted.
        std::lock_guard lock(m_mutex);
        NotePlaced(*copy.folder, copy.name, copy.made, true, tag, &other);
    }
    const int placed = PlaceNew(copy.dir->Fd(), copy.temp, copy.name);
    if (placed == 0) {
        if (copy.temp.fd.Close() == 0)
            return NewPlacement::Placed;
        // A write-back failure reported at the close: the new file goes again.
        const int closeError = errno;
        ::unlinkat(copy.dir->Fd(), copy.name.constData(), 0);
        g_written -= copy.faultBytes;
        FailErrno(copy.error, copy.destination.Text(), closeError);
        return NewPlacement::Failed;
    }
    if (placed == EEXIST && copy.known.expected.destinationFree) {
        RefuseTakenPlace(copy, tag);
        return NewPlacement::Failed;
    }
    if (placed == EEXIST)
        return NewPlacement::Taken;
    copy.FailAndRemove(placed == EISDIR ? copy.destination.Text() + QStringLiteral(": ") + FolderInTheWayText()
                                        : FileErrorText(copy.destination.Text(), placed));
    return NewPlacement::Failed;
}

void CFileCopier::RefuseTakenPlace(RegularCopy& copy, quint64 tag)
{
    // On a file system that folds letter case, the file there may be one
    // this copier put in place under another name: that is said, as for a
    // replacement (see NotePlaced).
    struct stat there;
    const bool seen = ::fstatat(copy.dir->Fd(), copy.name.constData(), &there, AT_SYMLINK_NOFOLLOW) == 0;
    std::unique_lock lock(m_mutex);
    ForgetPlaced(copy.made, tag);
    const auto found = seen ? m_placed.find({quint64(there.st_dev), quint64(there.st_ino)}) : m_placed.end();
    if (found != m_placed.end() && found->second.created && found->second.folderInode == copy.folder->inode
        && found->second.nameHash != qHash(copy.name)) {
        const quint64 other = found->second.tag;
        lock.unlock();
        copy.FailAndRemove(CollisionMessage(copy.destination, tag, other));
        return;
    }
    lock.unlock();
    copy.Refuse(Refusal::DestinationTaken, FileErrorText(copy.destination.Text(), EEXIST));
}

bool CFileCopier::ClaimReplacedFile(RegularCopy& copy, quint64 tag)
{
    // A replacement must not take the place of a folder, nor of a file that
    // this copier put (or puts) in place under another name.
    struct stat there;
    if (::fstatat(copy.dir->Fd(), copy.name.constData(), &there, AT_SYMLINK_NOFOLLOW) != 0)
        return true;
    if (S_ISDIR(there.st_mode))
        return copy.FailAndRemove(copy.destination.Text() + QStringLiteral(": ") + FolderInTheWayText());
    std::unique_lock lock(m_mutex);
    quint64 other = 0;
    if (!NotePlaced(*copy.folder, copy.name, {quint64(there.st_dev), quint64(there.st_ino)}, false, tag, &other)) {
        lock.unlock();
        return copy.FailAndRemove(CollisionMessage(copy.destination, tag, other));
    }
    NotePlaced(*copy.folder, copy.name, copy.made, true, tag, &other);
    return true;
}

bool CFileCopier::QueueReplacement(RegularCopy& copy, quint64 tag)
{
    // Completed later, after one flush of its file system (see the class comment).
    std::unique_lock lock(m_mutex);
    m_pending.push_back(
        {copy.temp.fd.Get(), copy.temp.name, copy.dir, copy.folder->device, copy.name, copy.destination.Full(), tag});
    copy.temp.fd.Release();
    m_pendingDestinations.insert(m_pending.back().destination);
    m_pendingBytes += copy.copied;
    if (m_pending.size() >= kPendingFiles || m_pendingBytes >= kPendingBytes)
        CommitLocked(lock);
    return true;
}

bool CFileCopier::CopyLink(const RootedPath& source, const RootedPath& destination, QString* error, quint64 tag)
{
    QByteArray sourceName;
    int failure = 0;
    const FolderHandle sourceDir = source.IsRoot() ? nullptr : OpenParent(source, &sourceName, &failure);
    if (!sourceDir)
        return FailErrno(error, source.Text(), source.IsRoot() ? EINVAL : failure);
    struct stat before;
    if (::fstatat(sourceDir->Fd(), sourceName.constData(), &before, AT_SYMLINK_NOFOLLOW) != 0)
        return FailErrno(error, source.Text(), errno);
    QByteArray target(qsizetype(before.st_size) + 1, '\0');
    for (;;) {
        const ssize_t n = ::readlinkat(sourceDir->Fd(), sourceName.constData(), target.data(), size_t(target.size()));
        if (n < 0)
            return FailErrno(error, source.Text(), errno);
        if (n < target.size()) {
            target.truncate(n);
            break;
        }
        target.resize(target.size() * 2); // the link grew meanwhile
    }
    QByteArray name;
    FolderHandle dir;
    if (!PrepareFolder(destination, &name, &failure, &dir))
        return FailErrno(error, destination.Text(), failure);
    QByteArray tempName;
    for (int attempt = 0;; ++attempt) {
        tempName = NewTempName();
        if (::symlinkat(target.constData(), dir->Fd(), tempName.constData()) == 0)
            break;
        if (errno != EEXIST || attempt > 100)
            return FailErrno(error, destination.Text(), errno);
    }
    struct stat made;
    if (::fstatat(dir->Fd(), tempName.constData(), &made, AT_SYMLINK_NOFOLLOW) == 0) {
        std::lock_guard lock(m_mutex);
        Record().Note(dir->Fd(), tempName, made.st_dev, made.st_ino);
    }
    const auto failAndRemove = [&](const QString& text) {
        ::unlinkat(dir->Fd(), tempName.constData(), 0);
        return Fail(error, text);
    };
    struct stat after;
    if (::fstatat(sourceDir->Fd(), sourceName.constData(), &after, AT_SYMLINK_NOFOLLOW) != 0)
        return failAndRemove(FileErrorText(source.Text(), errno));
    if (!S_ISLNK(after.st_mode) || after.st_size != before.st_size || !SameTime(after.st_mtim, before.st_mtim))
        return failAndRemove(source.Text() + QStringLiteral(": ") + SourceChangedText());
    const timespec times[2] = {before.st_atim, before.st_mtim};
    if (::utimensat(dir->Fd(), tempName.constData(), times, AT_SYMLINK_NOFOLLOW) != 0 && errno != EPERM)
        return failAndRemove(FileErrorText(destination.Text(), errno));
    // Over what is there, as a file is put in place (the trash for replaced files included).
    Pending link;
    link.name = name;
    link.destination = destination.Full();
    link.tag = tag;
    QString trashError;
    int renameError = 0;
    {
        std::lock_guard lock(m_mutex);
        renameError = ReplaceInPlace(dir->Fd(), tempName, link, &trashError);
    }
    if (renameError < 0)
        return failAndRemove(trashError);
    if (renameError == EISDIR)
        return failAndRemove(destination.Text() + QStringLiteral(": ") + FolderInTheWayText());
    if (renameError != 0)
        return failAndRemove(FileErrorText(destination.Text(), renameError));
    return true;
}

bool CFileCopier::MakeFolder(const RootedPath& destination, QString* error)
{
    QByteArray name;
    int failure = 0;
    FolderHandle dir;
    if (!PrepareFolder(destination, &name, &failure, &dir))
        return FailErrno(error, destination.Text(), failure);
    struct stat st;
    if (::fstatat(dir->Fd(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        if (S_ISDIR(st.st_mode))
            return true;
        return Fail(error, destination.Text() + QStringLiteral(": ") + FileInTheWayText());
    }
    if (::mkdirat(dir->Fd(), name.constData(), 0777) != 0)
        return FailErrno(error, destination.Text(), errno);
    return true;
}

bool CFileCopier::MakeFolder(const QString& destination, QString* error)
{
    RootedPath rooted;
    if (!SplitAtParent(destination, &rooted))
        return FailErrno(error, destination, ENOENT);
    return MakeFolder(rooted, error);
}

bool CFileCopier::CopyFolderTime(const RootedPath& source, const RootedPath& destination, QString* error)
{
    struct stat st;
    const int failure = StatEntry(source, &st);
    if (failure != 0)
        return FailErrno(error, source.Text(), failure);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    int result = 0;
    if (destination.IsRoot()) {
        result = ::utimensat(AT_FDCWD, destination.root.constData(), times, 0);
    } else {
        QByteArray name;
        int openError = 0;
        const FolderHandle dir = OpenParent(destination, &name, &openError);
        if (!dir)
            return FailErrno(error, destination.Text(), openError);
        result = ::utimensat(dir->Fd(), name.constData(), times, AT_SYMLINK_NOFOLLOW);
    }
    if (result != 0 && errno != EPERM)
        return FailErrno(error, destination.Text(), errno);
    return true;
}

void CFileCopier::CommitReplacements()
{
    std::unique_lock lock(m_mutex);
    CommitLocked(lock);
}

std::vector<CFileCopier::DeferredFailure> CFileCopier::TakeFailures()
{
    std::lock_guard lock(m_mutex);
    std::vector<DeferredFailure> failures;
    failures.swap(m_failures);
    return failures;
}

void CFileCopier::CommitLocked(std::unique_lock<std::mutex>& lock)
{
    Q_ASSERT(lock.owns_lock());
    Q_UNUSED(lock);
    if (m_pending.empty())
        return;
    std::vector<Pending> batch;
    batch.swap(m_pending);
    m_pendingDestinations.clear();
    m_pendingBytes = 0;

    // One syncfs per file system puts every waiting file's data on the disk.
    std::map<quint64, int> syncErrors;
    for (const Pending& pending : batch) {
        if (syncErrors.count(pending.device))
            continue;
        const auto fileSystem = m_fileSystems.find(pending.device);
        int result = -1; // no folder of that file system is open: each file is flushed by itself
        if (fileSystem != m_fileSystems.end())
            result = ::syncfs(fileSystem->second) == 0 ? 0 : errno;
        syncErrors[pending.device] = result;
    }
    for (const Pending& pending : batch) {
        const int dirFd = pending.folder->Fd();
        int failure = syncErrors[pending.device];
        if (failure < 0)
            failure = ::fdatasync(pending.fd) == 0 ? 0 : errno;
        // An unnamed file needs a name before it can replace another; the
        // name is recorded first, so that a crash now leaves nothing that a
        // later run could not remove.
        QByteArray temporary = pending.temporaryName;
        if (failure == 0 && temporary.isEmpty()) {
            temporary = NewTempName();
            struct stat st;
            if (::fstat(pending.fd, &st) == 0)
                Record().Note(dirFd, temporary, st.st_dev, st.st_ino);
            if (NameUnnamedFile(pending.fd, dirFd, temporary.constData()) != 0) {
                failure = errno;
                temporary.clear();
            }
        }
        if (::close(pending.fd) != 0 && failure == 0)
            failure = errno;
        QString trashError;
        if (failure == 0)
            failure = ReplaceInPlace(dirFd, temporary, pending, &trashError);
        if (failure == 0)
            continue;
        if (!temporary.isEmpty())
            ::unlinkat(dirFd, temporary.constData(), 0);
        const QString destination = DecodeFileName(pending.destination);
        m_failures.push_back({pending.tag,
            failure < 0             ? trashError
                : failure == EISDIR ? destination + QStringLiteral(": ") + FolderInTheWayText()
                                    : FileErrorText(destination, failure)});
    }
}

// With the trash for replaced files the order is: the new file is complete
// and on the disk in its temporary file; the old file gets a second name in
// the trash (a hard link, with its info file) while it stays in place; the
// new file is renamed over it, which the system does at once. There is no
// moment without a file at the destination, and a failure of the last step
// leaves the old file in place and takes its second name away again. Where
// the file system has no hard link for it, the old file is moved into the
// trash and the new one put in its place, and should that fail the old one
// is put back; so the destination is without a file only between two renames.
int CFileCopier::ReplaceInPlace(int dirFd, const QByteArray& temporary, const Pending& pending, QString* error)
{
    const char* name = pending.name.constData();
    struct stat there;
    const bool replacing = ::fstatat(dirFd, name, &there, AT_SYMLINK_NOFOLLOW) == 0;
    if (replacing && S_ISDIR(there.st_mode))
        return EISDIR;
    if (!replacing || !m_trashReplaced) {
        if (::renameat(dirFd, temporary.constData(), dirFd, name) != 0)
            return errno;
        if (replacing)
            m_replacements.push_back({pending.tag, {}});
        return 0;
    }
    const QString text = DecodeFileName(pending.destination);
    QString trashedAs;
    if (TrashEntryAt(dirFd, pending.name, text, TrashWay::KeepInPlace, error, &trashedAs)) {
        if (::renameat(dirFd, temporary.constData(), dirFd, name) != 0) {
            const int failure = errno;
            DropFromTrash(trashedAs);
            return failure;
        }
        m_replacements.push_back({pending.tag, trashedAs});
        return 0;
    }
    if (!TrashEntryAt(dirFd, pending.name, text, TrashWay::Move, error, &trashedAs))
        return -1;
    if (::renameat2(dirFd, temporary.constData(), dirFd, name, RENAME_NOREPLACE) != 0) {
        const int failure = errno;
        QString ignored;
        RestoreFromTrashAt(trashedAs, dirFd, pending.name, false, &ignored);
        return failure;
    }
    m_replacements.push_back({pending.tag, trashedAs});
    return 0;
}

std::vector<CFileCopier::Replacement> CFileCopier::TakeReplacements()
{
    std::lock_guard lock(m_mutex);
    std::vector<Replacement> replacements;
    replacements.swap(m_replacements);
    return replacements;
}

bool CFileCopier::Flush(QString* error)
{
    std::unique_lock lock(m_mutex);
    CommitLocked(lock);
    bool ok = true;
    for (const auto& [device, fd] : m_fileSystems) {
        if (::syncfs(fd) != 0 && ok) {
            ok = false;
            if (error)
                *error = SystemErrorText(errno);
        }
        ::close(fd);
    }
    m_fileSystems.clear();
    m_folders.clear(); // a later copy notes its file system again
    return ok;
}

// --- test hooks ---------------------------------------------------------------------

namespace FileCopyTestHooks {

void FailWritesAfter(qint64 bytes, int errorNumber)
{
    g_failErrno = errorNumber;
    g_written = 0;
    g_failAfter = bytes;
}

void SetAfterDataHook(std::function<void(const QString& source, const QString& destination)> hook)
{
    std::lock_guard lock(g_hookMutex);
    g_afterDataHook = std::move(hook);
}

void SetDataHook(DataHook hook)
{
    g_dataHook = hook;
}

} // namespace FileCopyTestHooks
