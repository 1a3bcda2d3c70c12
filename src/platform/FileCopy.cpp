#include "platform/FileCopy.h"

#include "platform/FileName.h"
#include "platform/FileSystem.h"
#include "platform/Finder.h"

#include <QRandomGenerator>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
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

// --- test hooks ---------------------------------------------------------------

std::atomic<qint64> g_failAfter{-1};
std::atomic<qint64> g_written{0};
std::atomic<int> g_failErrno{ENOSPC};
std::atomic<qint64> g_stopAfter{-1};
std::atomic<bool> g_stopped{false};
std::mutex g_hookMutex;
std::function<void(const QString&, const QString&)> g_afterDataHook;

void ReadHooksFromEnvironment()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (const char* value = std::getenv("PAIRWELL_TEST_FAIL_WRITES_AFTER"); value && *value)
            g_failAfter = std::strtoll(value, nullptr, 10);
        if (const char* value = std::getenv("PAIRWELL_TEST_STOP_AFTER_BYTES"); value && *value)
            g_stopAfter = std::strtoll(value, nullptr, 10);
    });
}

bool WriteFaultActive()
{
    return g_failAfter.load() >= 0;
}

void StopIfAsked(quint64 copiedOfThisFile)
{
    const qint64 stopAfter = g_stopAfter.load();
    if (stopAfter >= 0 && copiedOfThisFile >= quint64(stopAfter) && !g_stopped.exchange(true))
        ::raise(SIGSTOP);
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

QByteArray Bytes(const QString& path)
{
    return EncodeFileName(path);
}

QByteArray ParentOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    if (slash == 0)
        return QByteArrayLiteral("/");
    return path.left(slash);
}

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

QByteArray RandomSuffix()
{
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    QByteArray suffix;
    for (int i = 0; i < 12; ++i)
        suffix.append(kDigits[QRandomGenerator::global()->bounded(36)]);
    return suffix;
}

// Removes an entry of `dirFd` and, for a folder, everything in it, without
// following links. Records the first failure in `error`.
void RemoveTreeAt(int dirFd, const QByteArray& name, const QString& path, QString* error, bool* ok)
{
    CFd fd(::openat(dirFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.Get() < 0) {
        if (errno == ENOTDIR || errno == ELOOP) {
            // Not a folder (any more): a file or a link, removed itself.
            if (::unlinkat(dirFd, name.constData(), 0) != 0 && *ok) {
                *ok = false;
                *error = FileErrorText(path, errno);
            }
            return;
        }
        if (*ok) {
            *ok = false;
            *error = FileErrorText(path, errno);
        }
        return;
    }
    // Read all names first, then remove: removing while reading may skip entries.
    std::vector<std::pair<QByteArray, bool>> entries;
    if (DIR* dir = ::fdopendir(::dup(fd.Get()))) {
        while (dirent* entry = ::readdir(dir)) {
            const QByteArray child(entry->d_name);
            if (child == "." || child == "..")
                continue;
            bool isFolder = entry->d_type == DT_DIR;
            if (entry->d_type == DT_UNKNOWN) {
                struct stat st;
                isFolder = ::fstatat(fd.Get(), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
            }
            entries.emplace_back(child, isFolder);
        }
        ::closedir(dir);
    } else if (*ok) {
        *ok = false;
        *error = FileErrorText(path, errno);
        return;
    }
    for (const auto& [child, isFolder] : entries) {
        const QString childPath = path + QLatin1Char('/') + DecodeFileName(child);
        if (isFolder) {
            RemoveTreeAt(fd.Get(), child, childPath, error, ok);
        } else if (::unlinkat(fd.Get(), child.constData(), 0) != 0 && errno != ENOENT && *ok) {
            *ok = false;
            *error = FileErrorText(childPath, errno);
        }
    }
    fd.Reset();
    if (::unlinkat(dirFd, name.constData(), AT_REMOVEDIR) != 0 && *ok) {
        *ok = false;
        *error = FileErrorText(path, errno);
    }
}

} // namespace

// --- free functions -------------------------------------------------------------

QString FileErrorText(const QString& path, int errorNumber)
{
    return path + QStringLiteral(": ") + SystemErrorText(errorNumber);
}

EntryInfo GetEntryInfo(const QString& path)
{
    EntryInfo info;
    struct stat st;
    if (::lstat(Bytes(path).constData(), &st) != 0) {
        if (errno != ENOENT && errno != ENOTDIR)
            info.error = errno;
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

bool ListFolderEntries(const QString& folder, QStringList* names, QString* error)
{
    DIR* dir = ::opendir(Bytes(folder).constData());
    if (!dir)
        return FailErrno(error, folder, errno);
    errno = 0;
    while (dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == ".." || name.startsWith(kTempCopyPrefix))
            continue;
        names->append(DecodeFileName(name));
    }
    const int readError = errno;
    ::closedir(dir);
    if (readError != 0)
        return FailErrno(error, folder, readError);
    return true;
}

bool CreateFolderPath(const QString& folder, QString* error)
{
    const QByteArray path = Bytes(folder);
    struct stat st;
    if (::stat(path.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return true;
        return Fail(error, folder + QStringLiteral(": ") + FileInTheWayText());
    }
    // Find the deepest folder that exists, then create the missing ones downwards.
    std::vector<QByteArray> missing{path};
    QByteArray current = path;
    for (;;) {
        const QByteArray parent = ParentOf(current);
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

bool DeleteForGood(const QString& path, QString* error)
{
    const QByteArray bytes = Bytes(path);
    struct stat st;
    if (::lstat(bytes.constData(), &st) != 0)
        return FailErrno(error, path, errno);
    if (!S_ISDIR(st.st_mode)) {
        if (::unlink(bytes.constData()) != 0)
            return FailErrno(error, path, errno);
        return true;
    }
    const QByteArray parent = ParentOf(bytes);
    const qsizetype slash = bytes.lastIndexOf('/');
    const QByteArray name = slash < 0 ? bytes : bytes.mid(slash + 1);
    CFd parentFd(::open(parent.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (parentFd.Get() < 0)
        return FailErrno(error, DecodeFileName(parent), errno);
    bool ok = true;
    QString firstError;
    RemoveTreeAt(parentFd.Get(), name, path, &firstError, &ok);
    if (!ok)
        return Fail(error, firstError);
    return true;
}

// --- CFileCopier ------------------------------------------------------------------

CFileCopier::CFileCopier()
{
    ReadHooksFromEnvironment();
}

CFileCopier::~CFileCopier()
{
    // What was reported copied is put in place, even without a Flush.
    std::unique_lock lock(m_mutex);
    CommitLocked(lock);
    for (const auto& [device, fd] : m_fileSystems)
        ::close(fd);
}

quint64 CFileCopier::PrepareFolder(const QByteArray& folder)
{
    // Under the lock: a second thread that copies into the same folder waits
    // until the leftovers are gone, so its own new file is never taken for one.
    std::lock_guard lock(m_mutex);
    const auto [found, inserted] = m_cleanedFolders.try_emplace(folder, 0);
    if (!inserted)
        return found->second;
    CFd dirFd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.Get() < 0)
        return 0;
    struct stat st;
    if (::fstat(dirFd.Get(), &st) == 0) {
        found->second = quint64(st.st_dev);
        if (!m_fileSystems.count(quint64(st.st_dev)))
            m_fileSystems[quint64(st.st_dev)] = ::dup(dirFd.Get());
    }

    // Temporary files left behind by a run that was killed. A copy in progress
    // holds a lock on its temporary file, so another run's file is never taken.
    std::vector<QByteArray> leftovers;
    if (DIR* dir = ::fdopendir(::dup(dirFd.Get()))) {
        while (dirent* entry = ::readdir(dir)) {
            if (QByteArray(entry->d_name).startsWith(kTempCopyPrefix))
                leftovers.emplace_back(entry->d_name);
        }
        ::closedir(dir);
    }
    for (const QByteArray& name : leftovers) {
        struct stat entry;
        if (::fstatat(dirFd.Get(), name.constData(), &entry, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISREG(entry.st_mode)) {
            CFd fd(::openat(dirFd.Get(), name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
            if (fd.Get() < 0 || ::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0)
                continue;
            ::unlinkat(dirFd.Get(), name.constData(), 0);
        } else if (S_ISLNK(entry.st_mode)) {
            ::unlinkat(dirFd.Get(), name.constData(), 0);
        }
    }
    return found->second;
}

bool CFileCopier::CopyFile(
    const QString& source, const QString& destination, const BytesCallback& progress, QString* error)
{
    const EntryInfo sourceInfo = GetEntryInfo(source);
    if (sourceInfo.error != 0)
        return FailErrno(error, source, sourceInfo.error);
    return CopyFile(source, destination, {sourceInfo.kind, GetEntryInfo(destination).kind}, progress, error);
}

bool CFileCopier::CopyFile(const QString& source, const QString& destination, const Known& given,
    const BytesCallback& progress, QString* error, quint64 tag)
{
    Known known = given;
    if (!known.destinationKnown && known.source != EntryKind::File) {
        known.destination = GetEntryInfo(destination).kind;
        known.destinationKnown = true;
    }
    const QByteArray sourceBytes = Bytes(source);
    const QByteArray destinationBytes = Bytes(destination);
    {
        // A file waiting to be replaced is read only once its new data is in place.
        // And a link that takes the place of a waiting file goes there after it.
        std::unique_lock lock(m_mutex);
        if (m_pendingDestinations.count(sourceBytes)
            || (known.source != EntryKind::File && m_pendingDestinations.count(destinationBytes)))
            CommitLocked(lock);
    }
    if (known.destination == EntryKind::Folder)
        return Fail(error, destination + QStringLiteral(": ") + FolderInTheWayText());
    switch (known.source) {
    case EntryKind::Link:
        return CopyLink(sourceBytes, destinationBytes, source, destination, error);
    case EntryKind::File: {
        const Existing existing = !known.destinationKnown ? Existing::Unknown
            : known.destination != EntryKind::Missing     ? Existing::Yes
                                                          : Existing::No;
        return CopyRegularFile(sourceBytes, destinationBytes, source, destination, existing, progress, error, tag);
    }
    case EntryKind::Folder:
        return FailErrno(error, source, EISDIR);
    case EntryKind::Missing:
        return FailErrno(error, source, ENOENT);
    case EntryKind::Other:
        break;
    }
    return Fail(error, source + QStringLiteral(": ") + NotRegularText());
}

bool CFileCopier::CopyRegularFile(const QByteArray& source, const QByteArray& destination, const QString& sourceName,
    const QString& destinationName, Existing existing, const BytesCallback& progress, QString* error, quint64 tag)
{
    CFd in(::open(source.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (in.Get() < 0)
        return FailErrno(error, sourceName, errno);
    struct stat before;
    if (::fstat(in.Get(), &before) != 0)
        return FailErrno(error, sourceName, errno);
    if (!S_ISREG(before.st_mode))
        return Fail(error, sourceName + QStringLiteral(": ") + NotRegularText());

    const QByteArray folder = ParentOf(destination);
    const quint64 device = PrepareFolder(folder);

    QByteArray tempPath = folder + '/' + kTempCopyPrefix + "XXXXXX";
    CFd out(::mkostemp(tempPath.data(), O_CLOEXEC));
    if (out.Get() < 0)
        return FailErrno(error, destinationName, errno);
    // Marks the temporary file as in use, so the clean-up of another run leaves it alone.
    ::flock(out.Get(), LOCK_EX | LOCK_NB);
    qint64 faultBytes = 0; // this copy's bytes under the injected fault
    const auto failAndRemove = [&](const QString& text) {
        out.Reset();
        ::unlink(tempPath.constData());
        g_written -= faultBytes;
        return Fail(error, text);
    };

    // The data: copy_file_range where the file systems allow it, else read and write.
    quint64 copied = 0;
    bool useRange = !WriteFaultActive();
    std::vector<char> buffer;
    const quint64 expected = quint64(before.st_size);
    for (;;) {
        // At the expected length the copy is done (a source that grew is caught below).
        if (copied > 0 && copied >= expected)
            break;
        if (useRange) {
            const ssize_t n = ::copy_file_range(in.Get(), nullptr, out.Get(), nullptr, kRangeChunk, 0);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                if (copied == 0
                    && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP
                        || errno == EBADF)) {
                    useRange = false;
                    continue;
                }
                return failAndRemove(FileErrorText(destinationName, errno));
            }
            if (n == 0) {
                // Some file systems report an early end; finish with plain reads.
                if (copied < quint64(before.st_size)) {
                    useRange = false;
                    continue;
                }
                break;
            }
            copied += quint64(n);
            if (progress)
                progress(quint64(n));
            StopIfAsked(copied);
            continue;
        }
        if (buffer.empty())
            buffer.resize(kBufferSize);
        const ssize_t n = ::read(in.Get(), buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return failAndRemove(FileErrorText(sourceName, errno));
        }
        if (n == 0)
            break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = WriteData(out.Get(), buffer.data() + done, size_t(n - done), &faultBytes);
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                return failAndRemove(FileErrorText(destinationName, errno));
            }
            done += w;
        }
        copied += quint64(n);
        if (progress)
            progress(quint64(n));
        StopIfAsked(copied);
    }

    {
        std::function<void(const QString&, const QString&)> hook;
        {
            std::lock_guard lock(g_hookMutex);
            hook = g_afterDataHook;
        }
        if (hook)
            hook(sourceName, destinationName);
    }

    // The source must not have changed while it was read.
    struct stat after;
    if (::fstat(in.Get(), &after) != 0)
        return failAndRemove(FileErrorText(sourceName, errno));
    if (after.st_size != before.st_size || !SameTime(after.st_mtim, before.st_mtim)
        || copied != quint64(before.st_size))
        return failAndRemove(sourceName + QStringLiteral(": ") + SourceChangedText());

    const timespec times[2] = {before.st_atim, before.st_mtim};
    if (::futimens(out.Get(), times) != 0)
        return failAndRemove(FileErrorText(destinationName, errno));
    if (::fchmod(out.Get(), before.st_mode & 01777) != 0 && errno != EPERM)
        return failAndRemove(FileErrorText(destinationName, errno));
    if (existing == Existing::Unknown) {
        // In place at once where nothing is; a file there makes this a replacement.
        if (::renameat2(AT_FDCWD, tempPath.constData(), AT_FDCWD, destination.constData(), RENAME_NOREPLACE) == 0) {
            if (out.Close() == 0)
                return true;
            // A write-back failure reported at the close: the new file goes again.
            const int closeError = errno;
            ::unlink(destination.constData());
            g_written -= faultBytes;
            return FailErrno(error, destinationName, closeError);
        }
        if (errno == EEXIST) {
            existing = Existing::Yes;
        } else {
            // A file system that cannot rename this way: look first.
            struct stat st;
            existing = ::lstat(destination.constData(), &st) == 0 ? Existing::Yes : Existing::No;
        }
    }
    if (existing == Existing::Yes) {
        // Completed later, after one flush of its file system (see the class comment).
        // The temporary file stays open and so locked until then.
        std::unique_lock lock(m_mutex);
        m_pending.push_back({tempPath, destination, destinationName, device, tag, out.Get()});
        out.Release();
        m_pendingDestinations.insert(destination);
        m_pendingBytes += copied;
        if (m_pending.size() >= kPendingFiles || m_pendingBytes >= kPendingBytes)
            CommitLocked(lock);
        return true;
    }
    if (out.Close() != 0) {
        const int closeError = errno;
        ::unlink(tempPath.constData());
        g_written -= faultBytes;
        return FailErrno(error, destinationName, closeError);
    }
    if (::rename(tempPath.constData(), destination.constData()) != 0) {
        const int renameError = errno;
        ::unlink(tempPath.constData());
        g_written -= faultBytes;
        if (renameError == EISDIR)
            return Fail(error, destinationName + QStringLiteral(": ") + FolderInTheWayText());
        return FailErrno(error, destinationName, renameError);
    }
    return true;
}

bool CFileCopier::CopyLink(const QByteArray& source, const QByteArray& destination, const QString& sourceName,
    const QString& destinationName, QString* error)
{
    struct stat before;
    if (::lstat(source.constData(), &before) != 0)
        return FailErrno(error, sourceName, errno);
    QByteArray target(qsizetype(before.st_size) + 1, '\0');
    for (;;) {
        const ssize_t n = ::readlink(source.constData(), target.data(), size_t(target.size()));
        if (n < 0)
            return FailErrno(error, sourceName, errno);
        if (n < target.size()) {
            target.truncate(n);
            break;
        }
        target.resize(target.size() * 2); // the link grew meanwhile
    }
    const QByteArray folder = ParentOf(destination);
    PrepareFolder(folder);
    QByteArray tempPath;
    for (int attempt = 0;; ++attempt) {
        tempPath = folder + '/' + kTempCopyPrefix + RandomSuffix();
        if (::symlink(target.constData(), tempPath.constData()) == 0)
            break;
        if (errno != EEXIST || attempt > 100)
            return FailErrno(error, destinationName, errno);
    }
    const auto failAndRemove = [&](const QString& text) {
        ::unlink(tempPath.constData());
        return Fail(error, text);
    };
    struct stat after;
    if (::lstat(source.constData(), &after) != 0)
        return failAndRemove(FileErrorText(sourceName, errno));
    if (!S_ISLNK(after.st_mode) || after.st_size != before.st_size || !SameTime(after.st_mtim, before.st_mtim))
        return failAndRemove(sourceName + QStringLiteral(": ") + SourceChangedText());
    const timespec times[2] = {before.st_atim, before.st_mtim};
    if (::utimensat(AT_FDCWD, tempPath.constData(), times, AT_SYMLINK_NOFOLLOW) != 0 && errno != EPERM)
        return failAndRemove(FileErrorText(destinationName, errno));
    if (::rename(tempPath.constData(), destination.constData()) != 0) {
        const int renameError = errno;
        if (renameError == EISDIR)
            return failAndRemove(destinationName + QStringLiteral(": ") + FolderInTheWayText());
        return failAndRemove(FileErrorText(destinationName, renameError));
    }
    return true;
}

bool CFileCopier::MakeFolder(const QString& destination, QString* error)
{
    const QByteArray bytes = Bytes(destination);
    struct stat st;
    if (::lstat(bytes.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return true;
        return Fail(error, destination + QStringLiteral(": ") + FileInTheWayText());
    }
    PrepareFolder(ParentOf(bytes));
    if (::mkdir(bytes.constData(), 0777) != 0)
        return FailErrno(error, destination, errno);
    return true;
}

bool CFileCopier::CopyFolderTime(const QString& source, const QString& destination, QString* error)
{
    struct stat st;
    if (::lstat(Bytes(source).constData(), &st) != 0)
        return FailErrno(error, source, errno);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    if (::utimensat(AT_FDCWD, Bytes(destination).constData(), times, AT_SYMLINK_NOFOLLOW) != 0 && errno != EPERM)
        return FailErrno(error, destination, errno);
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
        int failure = syncErrors[pending.device];
        if (failure < 0)
            failure = ::fdatasync(pending.fd) == 0 ? 0 : errno;
        if (::close(pending.fd) != 0 && failure == 0)
            failure = errno;
        if (failure == 0 && ::rename(pending.temporary.constData(), pending.destination.constData()) != 0)
            failure = errno;
        if (failure == 0)
            continue;
        ::unlink(pending.temporary.constData());
        m_failures.push_back({pending.tag,
            failure == EISDIR ? pending.destinationName + QStringLiteral(": ") + FolderInTheWayText()
                              : FileErrorText(pending.destinationName, failure)});
    }
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
    m_cleanedFolders.clear(); // a later copy notes its file system again
    return ok;
}

// --- test hooks ---------------------------------------------------------------------

namespace FileCopyTestHooks {

void FailWritesAfter(qint64 bytes, int errorNumber)
{
    ReadHooksFromEnvironment();
    g_failErrno = errorNumber;
    g_written = 0;
    g_failAfter = bytes;
}

void SetAfterDataHook(std::function<void(const QString& source, const QString& destination)> hook)
{
    std::lock_guard lock(g_hookMutex);
    g_afterDataHook = std::move(hook);
}

} // namespace FileCopyTestHooks
