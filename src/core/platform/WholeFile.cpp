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

void SetError(QString* error, const QString& path, int errnoValue)
{
    if (error)
        *error = path + QStringLiteral(": ") + SystemErrorText(errnoValue);
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

FileStamp StampOfFile(const QString& path)
{
    struct stat st
    {
    };
    const QByteArray bytes = EncodeFileName(path);
    if (bytes.isEmpty() || ::stat(bytes.constData(), &st) != 0)
        return {};
    return StampOf(st);
}

FileReadResult ReadRegularFile(const QString& path, QByteArray* data, qint64 maxSize)
{
    data->clear();
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
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return Failed(FailureOfErrno(errno), errno);
    FileReadResult result;
    if (::fstat(fd, &st) != 0)
        result = Failed(FileReadFailure::Other, errno);
    else if (const FileReadFailure type = FailureOfType(st.st_mode); type != FileReadFailure::None)
        result = Failed(type);
    else if (st.st_size > maxSize)
        result = Failed(FileReadFailure::TooLarge, EFBIG);
    if (!result.Ok()) {
        ::close(fd);
        return result;
    }
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(st.st_size));
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result = Failed(FileReadFailure::Other, errno);
            break;
        }
        if (n == 0)
            break;
        if (bytes.size() + n > maxSize) { // the file grew while being read
            result = Failed(FileReadFailure::TooLarge, EFBIG);
            break;
        }
        bytes.append(chunk, n);
    }
    if (result.Ok() && ::fstat(fd, &st) == 0)
        result.stamp = StampOf(st);
    ::close(fd);
    if (result.Ok())
        *data = std::move(bytes);
    return result;
}

bool ReadWholeFile(const QString& path, QByteArray* data, QString* error, qint64 maxSize)
{
    const FileReadResult result = ReadRegularFile(path, data, maxSize);
    switch (result.failure) {
    case FileReadFailure::None:
        return true;
    case FileReadFailure::NotFound:
        SetError(error, path, result.errnoValue ? result.errnoValue : ENOENT);
        break;
    case FileReadFailure::Folder:
        SetError(error, path, EISDIR);
        break;
    case FileReadFailure::NotRegularFile:
        SetError(error, path, EINVAL);
        break;
    case FileReadFailure::TooLarge:
        SetError(error, path, EFBIG);
        break;
    default:
        SetError(error, path, result.errnoValue ? result.errnoValue : EIO);
        break;
    }
    return false;
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

// Where a replacement goes: the file itself (behind a link), its folder, and
// the permission bits the new file gets.
struct ReplaceTarget
{
    QByteArray path;
    QByteArray folder;
    QByteArray prefix; // the folder as the start of a path in it ("" or ending in '/')
    mode_t mode = 0;
};

bool ResolveTarget(const QString& path, ReplaceTarget* target, QString* error)
{
    QByteArray file = EncodeFileName(path);
    if (file.isEmpty()) {
        SetError(error, path, ENOENT);
        return false;
    }
    struct stat st
    {
    };
    bool exists = ::lstat(file.constData(), &st) == 0;
    if (exists && S_ISLNK(st.st_mode)) {
        // Replace the file behind the link, keeping the link.
        char* resolved = ::realpath(file.constData(), nullptr);
        if (!resolved) {
            SetError(error, path, errno);
            return false;
        }
        file = QByteArray(resolved);
        std::free(resolved);
        exists = ::lstat(file.constData(), &st) == 0;
    }
    if (exists && S_ISDIR(st.st_mode)) {
        SetError(error, path, EISDIR);
        return false;
    }
    const qsizetype slash = file.lastIndexOf('/');
    target->folder = slash < 0 ? QByteArray(".") : (slash == 0 ? QByteArray("/") : file.left(slash));
    target->prefix = slash < 0 ? QByteArray() : file.left(slash + 1);
    target->path = file;
    target->mode = exists ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
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

// Writes `data` and flushes it to the disk; an unnamed file is then named
// `temp`, only to be renamed over the target. 0 or the errno.
int WriteTemporary(int fd, const ReplaceTarget& target, const QByteArray& data, QByteArray* temp)
{
    if (::fchmod(fd, target.mode) != 0 && errno != EPERM)
        return errno;
    if (!WriteAll(fd, data.constData(), data.size()))
        return errno;
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

bool ReplaceFileAtomically(const QString& path, const QByteArray& data, QString* error)
{
    ReplaceTarget target;
    if (!ResolveTarget(path, &target, error))
        return false;
    QByteArray temp; // empty while the new file is unnamed
    const int fd = OpenTemporary(target, &temp);
    if (fd < 0) {
        SetError(error, path, errno);
        return false;
    }
    int failure = WriteTemporary(fd, target, data, &temp);
    if (::close(fd) != 0 && !failure && errno != EINTR)
        failure = errno;
    if (!failure && ::rename(temp.constData(), target.path.constData()) != 0)
        failure = errno;
    if (failure) {
        if (!temp.isEmpty())
            ::unlink(temp.constData());
        SetError(error, path, failure);
        return false;
    }
    SyncFolder(target.folder);
    return true;
}
