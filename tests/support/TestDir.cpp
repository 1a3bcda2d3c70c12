#include "support/TestDir.h"

#include "core/platform/FileName.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace {

QByteArray Bytes(const QString& path)
{
    return EncodeFileName(path);
}

void MakeParents(const QString& path)
{
    const QByteArray bytes = Bytes(path);
    for (qsizetype slash = bytes.indexOf('/', 1); slash > 0; slash = bytes.indexOf('/', slash + 1)) {
        const QByteArray prefix = bytes.left(slash);
        ::mkdir(prefix.constData(), 0777);
    }
}

// Removes everything below the open folder `dirFd`, never following links.
void RemoveContents(int dirFd)
{
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        if (::unlinkat(::dirfd(dir), name, 0) == 0)
            continue;
        const int child = ::openat(::dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (child < 0)
            continue;
        ::fchmod(child, 0700); // a test may have made it unwritable
        RemoveContents(child);
        ::unlinkat(::dirfd(dir), name, AT_REMOVEDIR);
    }
    ::closedir(dir);
}

} // namespace

TestDir::TestDir()
{
    EXPECT_TRUE(m_dir.isValid());
}

TestDir::~TestDir()
{
    const int fd = ::open(Bytes(Path()).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0)
        RemoveContents(fd);
}

QString TestDir::PathOf(const QString& relative) const
{
    return relative.isEmpty() ? Path() : Path() + QLatin1Char('/') + relative;
}

QString TestDir::WriteFile(const QString& relative, const QByteArray& content, qint64 mtime)
{
    const QString path = PathOf(relative);
    MakeParents(path);
    const int fd = ::open(Bytes(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    EXPECT_GE(fd, 0) << path.toStdString();
    if (fd >= 0) {
        qsizetype written = 0;
        while (written < content.size()) {
            const ssize_t n = ::write(fd, content.constData() + written, content.size() - written);
            if (n <= 0)
                break;
            written += n;
        }
        EXPECT_EQ(written, content.size());
        ::close(fd);
    }
    if (mtime >= 0)
        SetMTime(path, mtime);
    return path;
}

QString TestDir::MakeFolder(const QString& relative)
{
    const QString path = PathOf(relative);
    MakeParents(path + QLatin1String("/x"));
    return path;
}

QString TestDir::MakeLink(const QString& relative, const QString& target)
{
    const QString path = PathOf(relative);
    MakeParents(path);
    EXPECT_EQ(::symlink(Bytes(target).constData(), Bytes(path).constData()), 0);
    return path;
}

void TestDir::SetMTime(const QString& path, qint64 seconds, long nanoseconds)
{
    timespec times[2];
    times[0].tv_sec = seconds;
    times[0].tv_nsec = nanoseconds;
    times[1] = times[0];
    EXPECT_EQ(::utimensat(AT_FDCWD, Bytes(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0) << path.toStdString();
}

qint64 TestDir::MTime(const QString& path)
{
    struct stat st
    {
    };
    if (::lstat(Bytes(path).constData(), &st) != 0)
        return -1;
    return st.st_mtim.tv_sec;
}

QByteArray TestDir::ReadFile(const QString& path)
{
    QByteArray content;
    const int fd = ::open(Bytes(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return content;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        content.append(buffer, n);
    }
    ::close(fd);
    return content;
}

bool TestDir::Exists(const QString& path)
{
    struct stat st
    {
    };
    return ::lstat(Bytes(path).constData(), &st) == 0;
}
