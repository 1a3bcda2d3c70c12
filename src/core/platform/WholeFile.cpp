#include "core/platform/WholeFile.h"

#include "core/platform/FileName.h"
#include "core/platform/FileSystem.h"
#include "core/platform/Finder.h"
#include "core/platform/TempRecord.h"

#include <QDateTime>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kNotRegularFileText = QStringLiteral("通常のファイルではありません");

void SetErrorText(QString* error, const QString& path, const QString& reason)
{
    if (error)
        *error = path + QStringLiteral(": ") + reason;
}

void SetError(QString* error, const QString& path, int errnoValue)
{
    SetErrorText(error, path, SystemErrorText(errnoValue));
}

// The process's file-creation mask, read without changing it.
mode_t CurrentUmask()
{
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        while (std::fgets(line, sizeof line, status)) {
            unsigned int mask = 0;
            if (std::sscanf(line, "Umask: %o", &mask) == 1) {
                std::fclose(status);
                return static_cast<mode_t>(mask);
            }
        }
        std::fclose(status);
    }
    return 022;
}

QByteArray FolderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// Creates `folder` and its missing parents. 0 or the errno.
int CreateFolderBytes(const QByteArray& folder)
{
    struct stat st
    {
    };
    if (::stat(folder.constData(), &st) == 0)
        return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    if (errno != ENOENT)
        return errno;
    const QByteArray parent = FolderOf(folder);
    if (parent != folder) {
        if (const int failure = CreateFolderBytes(parent))
            return failure;
    }
    return ::mkdir(folder.constData(), 0777) == 0 || errno == EEXIST ? 0 : errno;
}

bool WriteAll(int fd, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(std::min<qint64>(size, qint64(1) << 30)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

} // namespace

namespace {

qint64 Nanoseconds(const struct timespec& time)
{
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

FileStamp StampOf(const struct stat& st)
{
    return {true, quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size), Nanoseconds(st.st_mtim),
        Nanoseconds(st.st_ctim)};
}

FileReadFailure FailureOfErrno(int errnoValue)
{
    switch (errnoValue) {
    case ENOENT:
    case ENOTDIR:
        return FileReadFailure::NotFound;
    case EACCES:
    case EPERM:
        return FileReadFailure::AccessDenied;
    case EISDIR:
        return FileReadFailure::Folder;
    default:
        return FileReadFailure::Other;
    }
}

FileReadFailure FailureOfType(mode_t mode)
{
    if (S_ISREG(mode))
        return FileReadFailure::None;
    return S_ISDIR(mode) ? FileReadFailure::Folder : FileReadFailure::NotRegularFile;
}

FileReadResult Failed(FileReadFailure failure, int errnoValue = 0)
{
    FileReadResult result;
    result.failure = failure;
    result.errnoValue = errnoValue;
    return result;
}

} // namespace

FileStamp StampOfFile(const QString& path, int* error)
{
    struct stat st
    {
    };
    const QByteArray bytes = EncodeFileName(path);
    const int failure = bytes.isEmpty() ? ENOENT : (::stat(bytes.constData(), &st) == 0 ? 0 : errno);
    if (error)
        *error = failure;
    return failure ? FileStamp() : StampOf(st);
}

namespace {

// Opens the regular file at `path` for reading; on success `*fd` is open and
// the result holds the file's stamp as opened.
FileReadResult OpenRegularFile(const QString& path, qint64 maxSize, int* fd)
{
    *fd = -1;
    const QByteArray name = EncodeFileName(path);
    struct stat st
    {
    };
    // The type is tested before the open too: opening a device can act on it.
    if (name.isEmpty() || ::stat(name.constData(), &st) != 0) {
        const int reason = name.isEmpty() ? ENOENT : errno;
        return Failed(FailureOfErrno(reason), reason);
    }
    if (const FileReadFailure type = FailureOfType(st.st_mode); type != FileReadFailure::None)
        return Failed(type);
    // Not blocking: a FIFO put in place since the test must not hang the open.
    const int opened = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (opened < 0)
        return Failed(FailureOfErrno(errno), errno);
    FileReadResult result;
    if (::fstat(opened, &st) != 0)
        result = Failed(FileReadFailure::Other, errno);
    else if (const FileReadFailure type = FailureOfType(st.st_mode); type != FileReadFailure::None)
        result = Failed(type);
    else if (st.st_size > maxSize)
        result = Failed(FileReadFailure::TooLarge, EFBIG);
    if (!result.Ok()) {
        ::close(opened);
        return result;
    }
    result.stamp = StampOf(st);
    *fd = opened;
    return result;
}

// Reads `fd` to its end into `bytes`, sized for the `expected` bytes (at
// most `maxSize`) the file had when opened: it may have changed size since.
FileReadResult ReadToEnd(int fd, qint64 expected, qint64 maxSize, QByteArray* bytes)
{
    // One byte more than expected tells a file that grew from one that did not.
    bytes->resize(static_cast<qsizetype>(expected + 1));
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes->size()) {
            if (filled > maxSize) // the file grew while being read
                return Failed(FileReadFailure::TooLarge, EFBIG);
            bytes->resize(std::min(filled * 2 + 65536, static_cast<qsizetype>(maxSize + 1)));
        }
        const ssize_t n = ::read(fd, bytes->data() + filled, size_t(bytes->size() - filled));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Failed(FileReadFailure::Other, errno);
        if (n == 0)
            break;
        filled += n;
    }
    if (filled > maxSize)
        return Failed(FileReadFailure::TooLarge, EFBIG);
    bytes->truncate(filled);
    return {};
}

} // namespace

FileReadResult ReadRegularFile(const QString& path, QByteArray* data, qint64 maxSize)
{
    data->clear();
    int fd = -1;
    FileReadResult result = OpenRegularFile(path, maxSize, &fd);
    if (!result.Ok())
        return result;
    QByteArray bytes;
    const FileReadResult read = ReadToEnd(fd, result.stamp.size, maxSize, &bytes);
    struct stat st
    {
    };
    // The stamp of what was read, should the file have changed meanwhile.
    if (read.Ok() && ::fstat(fd, &st) == 0)
        result.stamp = StampOf(st);
    ::close(fd);
    if (!read.Ok())
        return read;
    *data = std::move(bytes);
    return result;
}

FileReadResult ProbeRegularFile(const QString& path, qint64 maxSize)
{
    int fd = -1;
    const FileReadResult result = OpenRegularFile(path, maxSize, &fd);
    if (fd >= 0)
        ::close(fd);
    return result;
}

QString FileReadFailureText(const FileReadResult& result)
{
    switch (result.failure) {
    case FileReadFailure::None:
        return {};
    case FileReadFailure::NotFound:
        return SystemErrorText(result.errnoValue ? result.errnoValue : ENOENT);
    case FileReadFailure::Folder:
        return SystemErrorText(EISDIR);
    case FileReadFailure::NotRegularFile:
        return kNotRegularFileText;
    case FileReadFailure::TooLarge:
        return SystemErrorText(EFBIG);
    default:
        return SystemErrorText(result.errnoValue ? result.errnoValue : EIO);
    }
}

bool ReadWholeFile(const QString& path, QByteArray* data, QString* error, qint64 maxSize)
{
    const FileReadResult result = ReadRegularFile(path, data, maxSize);
    if (!result.Ok())
        SetErrorText(error, path, FileReadFailureText(result));
    return result.Ok();
}

bool CreateFolders(const QString& path, int* reason)
{
    const QByteArray folder = EncodeFileName(path);
    int failure = folder.isEmpty() ? ENOENT : CreateFolderBytes(folder);
    if (reason)
        *reason = failure;
    return failure == 0;
}

CFileLock::~CFileLock()
{
    Unlock();
}

void CFileLock::Unlock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing the last descriptor of the open file lets the lock go
    m_fd = -1;
    m_path.clear();
}

bool CFileLock::Lock(const QString& path, int waitMs, int* reason)
{
    Unlock();
    const auto fail = [reason](int errnoValue) {
        if (reason)
            *reason = errnoValue;
        return false;
    };
    const QByteArray name = EncodeFileName(path);
    if (name.isEmpty())
        return true;
    const qint64 deadline = QDateTime::currentMSecsSinceEpoch() + std::max(waitMs, 0);
    for (;;) {
        struct stat held
        {
        };
        // As for reading: a device is not even opened.
        if (::stat(name.constData(), &held) == 0 && !S_ISREG(held.st_mode))
            return fail(EINVAL);
        const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0)
            return errno == ENOENT ? true : fail(errno); // no file yet: nothing another writer could replace
        int failure = ::fstat(fd, &held) != 0 ? errno : (S_ISREG(held.st_mode) ? 0 : EINVAL);
        while (!failure && ::flock(fd, LOCK_EX | (waitMs < 0 ? 0 : LOCK_NB)) != 0) {
            failure = errno;
            if (failure == EINTR || (failure == EWOULDBLOCK && QDateTime::currentMSecsSinceEpoch() < deadline)) {
                if (failure == EWOULDBLOCK)
                    ::usleep(10'000);
                failure = 0;
            }
        }
        if (failure) {
            ::close(fd);
            return fail(failure);
        }
        // The writer before us may have replaced the file: lock the one at `path` now.
        struct stat current
        {
        };
        if (::stat(name.constData(), &current) == 0 && current.st_dev == held.st_dev && current.st_ino == held.st_ino) {
            m_fd = fd;
            m_path = path;
            return true;
        }
        ::close(fd);
    }
}

namespace {

// Where a replacement goes: the file itself (behind a link), its folder, the
// permission bits the new file gets and, for an existing file, its owner.
struct ReplaceTarget
{
    QByteArray path;
    QByteArray folder;
    QByteArray prefix; // the folder as the start of a path in it ("" or ending in '/')
    mode_t mode = 0;
    bool exists = false;
    uid_t owner = 0;
    gid_t group = 0;
};

// The file a replacement of `file` replaces, and its status: the file behind
// a link, the link kept. 0 or the errno.
int ResolveFile(QByteArray* file, struct stat* st, bool* exists)
{
    if (file->isEmpty())
        return ENOENT;
    *exists = ::lstat(file->constData(), st) == 0;
    if (!*exists || !S_ISLNK(st->st_mode))
        return 0;
    char* resolved = ::realpath(file->constData(), nullptr);
    if (!resolved)
        return errno;
    *file = QByteArray(resolved);
    std::free(resolved);
    *exists = ::lstat(file->constData(), st) == 0;
    return 0;
}

bool ResolveTarget(const QString& path, const ReplaceOptions& options, ReplaceTarget* target, QString* error)
{
    QByteArray file = EncodeFileName(path);
    struct stat st
    {
    };
    bool exists = false;
    if (const int failure = ResolveFile(&file, &st, &exists)) {
        SetError(error, path, failure);
        return false;
    }
    if (exists && !S_ISREG(st.st_mode)) {
        // Renaming over a FIFO or a device would take it away from whoever uses it.
        if (S_ISDIR(st.st_mode))
            SetError(error, path, EISDIR);
        else
            SetErrorText(error, path, kNotRegularFileText);
        return false;
    }
    target->folder = FolderOf(file);
    target->prefix = file.left(file.lastIndexOf('/') + 1);
    target->path = file;
    const mode_t newMode = options.newFileMode >= 0 ? mode_t(options.newFileMode) : (0666 & ~CurrentUmask());
    target->mode = exists ? (st.st_mode & 07777) : newMode;
    target->exists = exists;
    target->owner = st.st_uid;
    target->group = st.st_gid;
    return true;
}

// A new file in the target's folder: an unnamed one where the file system
// allows (a crash while it is written leaves nothing behind), else one named
// `temp`. -1 with errno on failure.
int OpenTemporary(const ReplaceTarget& target, QByteArray* temp)
{
    const int fd = ::open(target.folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0)
        return fd;
    *temp = target.prefix + QByteArray(kTempCopyPrefix) + "docXXXXXX";
    return ::mkostemp(temp->data(), O_CLOEXEC);
}

// Gives the new file the old one's owner and group where asked and allowed,
// then its permission bits (after the owner: a change of owner clears the
// set-user-ID and set-group-ID bits). 0 or the errno.
int SetOwnerAndMode(int fd, const ReplaceTarget& target, const ReplaceOptions& options)
{
    struct stat st
    {
    };
    if (options.keepOwner && target.exists && ::fstat(fd, &st) == 0
        && (st.st_uid != target.owner || st.st_gid != target.group)) {
        // Not allowed (a user writing a file of another's group): the file is still good, only owned by the writer.
        (void)::fchown(fd, target.owner, target.group);
    }
    if (::fchmod(fd, target.mode) != 0 && errno != EPERM)
        return errno;
    return 0;
}

// Writes `data` and flushes it to the disk; an unnamed file is then named
// `temp`, only to be renamed over the target. 0 or the errno.
int WriteTemporary(int fd, const ReplaceTarget& target, const FileContentWriter& produce, QByteArray* temp)
{
    int writeFailure = 0;
    const auto write = [fd, &writeFailure](QByteArrayView bytes) {
        if (!WriteAll(fd, bytes.data(), bytes.size()))
            writeFailure = errno;
        return writeFailure == 0;
    };
    if (!produce(write))
        return writeFailure != 0 ? writeFailure : EIO;
    if (::fsync(fd) != 0 && errno != EINVAL)
        return errno;
    if (!temp->isEmpty())
        return 0;
    int failure = 0;
    const int folderFd = ::open(target.folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    const QByteArray name = NewTempName();
    if (folderFd < 0 || NameUnnamedFile(fd, folderFd, name.constData()) != 0)
        failure = errno;
    else
        *temp = target.prefix + name;
    if (folderFd >= 0)
        ::close(folderFd);
    return failure;
}

// Makes a rename in `folder` durable.
void SyncFolder(const QByteArray& folder)
{
    const int folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
}

} // namespace

QString FolderOfReplacement(const QString& path)
{
    QByteArray file = EncodeFileName(path);
    struct stat st
    {
    };
    bool exists = false;
    return ResolveFile(&file, &st, &exists) == 0 ? DecodeFileName(FolderOf(file)) : QString();
}

bool ReplaceFileAtomically(const QString& path, const QByteArray& data, QString* error, const ReplaceOptions& options)
{
    return ReplaceFileAtomically(
        path, [&data](const FileChunkWriter& write) { return write(data); }, error, options);
}

bool ReplaceFileAtomically(
    const QString& path, const FileContentWriter& produce, QString* error, const ReplaceOptions& options)
{
    ReplaceTarget target;
    if (!ResolveTarget(path, options, &target, error))
        return false;
    QByteArray temp; // empty while the new file is unnamed
    const int fd = OpenTemporary(target, &temp);
    if (fd < 0) {
        SetError(error, path, errno);
        return false;
    }
    int failure = SetOwnerAndMode(fd, target, options);
    if (!failure)
        failure = WriteTemporary(fd, target, produce, &temp);
    if (!failure && ::rename(temp.constData(), target.path.constData()) != 0)
        failure = errno;
    // After the rename, which changes the file's inode time. The bytes were
    // flushed above, so closing has nothing left to report.
    struct stat st
    {
    };
    if (!failure && options.written)
        *options.written = ::fstat(fd, &st) == 0 ? StampOf(st) : FileStamp();
    ::close(fd);
    if (failure) {
        if (!temp.isEmpty())
            ::unlink(temp.constData());
        SetError(error, path, failure);
        return false;
    }
    SyncFolder(target.folder);
    return true;
}
