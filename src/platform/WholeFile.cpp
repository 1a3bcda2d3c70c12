#include "platform/WholeFile.h"

#include "platform/FileName.h"
#include "platform/FileSystem.h"
#include "platform/Finder.h"
#include "platform/TempRecord.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
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

bool ReadWholeFile(const QString& path, QByteArray* data, QString* error, qint64 maxSize)
{
    data->clear();
    const int fd = ::open(EncodeFileName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        SetError(error, path, errno);
        return false;
    }
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int reason = S_ISDIR(st.st_mode) ? EISDIR : (errno ? errno : EINVAL);
        ::close(fd);
        SetError(error, path, reason);
        return false;
    }
    if (st.st_size > maxSize) {
        ::close(fd);
        SetError(error, path, EFBIG);
        return false;
    }
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(st.st_size));
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int reason = errno;
            ::close(fd);
            SetError(error, path, reason);
            return false;
        }
        if (n == 0)
            break;
        if (bytes.size() + n > maxSize) { // the file grew while being read
            ::close(fd);
            SetError(error, path, EFBIG);
            return false;
        }
        bytes.append(chunk, n);
    }
    ::close(fd);
    *data = std::move(bytes);
    return true;
}

bool ReplaceFileAtomically(const QString& path, const QByteArray& data, QString* error)
{
    QByteArray target = EncodeFileName(path);
    if (target.isEmpty()) {
        SetError(error, path, ENOENT);
        return false;
    }
    struct stat st
    {
    };
    bool exists = ::lstat(target.constData(), &st) == 0;
    if (exists && S_ISLNK(st.st_mode)) {
        // Replace the file behind the link, keeping the link.
        if (char* resolved = ::realpath(target.constData(), nullptr)) {
            target = QByteArray(resolved);
            std::free(resolved);
            exists = ::lstat(target.constData(), &st) == 0;
        } else {
            SetError(error, path, errno);
            return false;
        }
    }
    if (exists && S_ISDIR(st.st_mode)) {
        SetError(error, path, EISDIR);
        return false;
    }

    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : (slash == 0 ? QByteArray("/") : target.left(slash));
    const mode_t mode = exists ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
    // An unnamed file where the file system allows: a crash while it is
    // written leaves nothing behind. It is named only to be renamed over the file.
    QByteArray temp;
    bool unnamed = true;
    int fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) {
        unnamed = false;
        temp = (slash < 0 ? QByteArray() : target.left(slash + 1)) + QByteArray(kTempCopyPrefix) + "docXXXXXX";
        fd = ::mkostemp(temp.data(), O_CLOEXEC);
        if (fd < 0) {
            SetError(error, path, errno);
            return false;
        }
    }
    int failure = 0;
    if (::fchmod(fd, mode) != 0 && errno != EPERM)
        failure = errno;
    if (!failure && !WriteAll(fd, data.constData(), data.size()))
        failure = errno;
    if (!failure && ::fsync(fd) != 0 && errno != EINVAL)
        failure = errno;
    if (!failure && unnamed) {
        const int folderFd = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        const QByteArray name = NewTempName();
        if (folderFd < 0 || NameUnnamedFile(fd, folderFd, name.constData()) != 0)
            failure = errno;
        else
            temp = (slash < 0 ? QByteArray() : target.left(slash + 1)) + name;
        if (folderFd >= 0)
            ::close(folderFd);
    }
    if (::close(fd) != 0 && !failure && errno != EINTR)
        failure = errno;
    if (!failure && ::rename(temp.constData(), target.constData()) != 0)
        failure = errno;
    if (failure) {
        if (!temp.isEmpty())
            ::unlink(temp.constData());
        SetError(error, path, failure);
        return false;
    }
    // Make the rename itself durable.
    const int folderFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return true;
}
