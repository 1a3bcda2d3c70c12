#include "core/platform/TempRecord.h"

#include "core/platform/Finder.h"
#include "core/platform/Paths.h"

#include <QList>
#include <QRandomGenerator>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool MakeFolders(const QByteArray& path)
{
    for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1)) {
        if (::mkdir(path.left(slash).constData(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return ::mkdir(path.constData(), 0700) == 0 || errno == EEXIST;
}

QByteArray ReadAll(int fd)
{
    QByteArray content;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return content;
        content.append(buffer, n);
    }
}

// Removes the file a record line names when it is still the recorded one.
void RemoveRecorded(const QByteArray& line)
{
    const QList<QByteArray> fields = line.split(' ');
    if (fields.size() != 3)
        return;
    bool okDevice = false;
    bool okInode = false;
    const quint64 device = fields.at(0).toULongLong(&okDevice);
    const quint64 inode = fields.at(1).toULongLong(&okInode);
    const QByteArray path = QByteArray::fromPercentEncoding(fields.at(2));
    const qsizetype slash = path.lastIndexOf('/');
    if (!okDevice || !okInode || slash < 0)
        return;
    const QByteArray name = path.mid(slash + 1);
    if (!name.startsWith(kTempCopyPrefix))
        return;
    const int folder = ::open(slash == 0 ? "/" : path.left(slash).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return; // not reachable now (an unplugged disk): left as it is
    struct stat st;
    if (::fstatat(folder, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0
        && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) && quint64(st.st_dev) == device && quint64(st.st_ino) == inode)
        ::unlinkat(folder, name.constData(), 0);
    ::close(folder);
}

} // namespace

QByteArray NewTempName()
{
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    QByteArray name(kTempCopyPrefix);
    for (int i = 0; i < 16; ++i)
        name.append(kDigits[QRandomGenerator::global()->bounded(36)]);
    return name + ".tmp";
}

int NameUnnamedFile(int fd, int folderFd, const char* name)
{
    // AT_EMPTY_PATH needs a capability on older kernels; /proc does not.
    static std::atomic<bool> useProc{false};
    if (!useProc) {
        if (::linkat(fd, "", folderFd, name, AT_EMPTY_PATH) == 0)
            return 0;
        if (errno != ENOENT && errno != EPERM)
            return -1;
    }
    char proc[64];
    std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
    const int result = ::linkat(AT_FDCWD, proc, folderFd, name, AT_SYMLINK_FOLLOW);
    if (result == 0)
        useProc = true;
    return result;
}

QByteArray CTempRecord::Folder()
{
    const QByteArray state = StateFolder();
    return state.isEmpty() ? QByteArray() : state + "/temporary";
}

CTempRecord::CTempRecord() = default;

CTempRecord::~CTempRecord()
{
    // Every recorded file was put in place or removed by now.
    if (m_fd >= 0) {
        ::unlink(m_path.constData());
        ::close(m_fd);
    }
}

bool CTempRecord::Open()
{
    if (m_fd >= 0)
        return true;
    if (m_failed)
        return false;
    m_failed = true;
    const QByteArray folder = Folder();
    if (folder.isEmpty() || !MakeFolders(folder))
        return false;
    const int folderFd = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        return false;
    // Locked before it is visible, so that no other process takes it for a dead one's.
    const QByteArray name = QByteArray::number(::getpid()) + '-' + NewTempName().mid(int(sizeof kTempCopyPrefix) - 1);
    int fd = ::openat(folderFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) {
        if (::flock(fd, LOCK_EX) != 0 || NameUnnamedFile(fd, folderFd, name.constData()) != 0) {
            ::close(fd);
            fd = -1;
        }
    } else {
        fd = ::openat(folderFd, name.constData(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
        if (fd >= 0)
            ::flock(fd, LOCK_EX);
    }
    ::close(folderFd);
    if (fd < 0)
        return false;
    m_fd = fd;
    m_path = folder + '/' + name;
    m_failed = false;
    return true;
}

bool CTempRecord::Note(int folderFd, const QByteArray& name, dev_t device, ino_t inode)
{
    if (!Open())
        return false;
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", folderFd);
    char folder[4096];
    const ssize_t n = ::readlink(link, folder, sizeof folder);
    if (n <= 0 || n == ssize_t(sizeof folder))
        return false;
    QByteArray path(folder, n);
    if (path != "/")
        path += '/';
    path += name;
    const QByteArray line = QByteArray::number(quint64(device)) + ' ' + QByteArray::number(quint64(inode)) + ' '
        + path.toPercentEncoding("/") + '\n';
    return ::write(m_fd, line.constData(), size_t(line.size())) == line.size();
}

void CTempRecord::RemoveLeftovers()
{
    const QByteArray folder = Folder();
    DIR* dir = folder.isEmpty() ? nullptr : ::opendir(folder.constData());
    if (!dir)
        return;
    std::vector<QByteArray> records;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.')
            records.emplace_back(entry->d_name);
    }
    for (const QByteArray& record : records) {
        const int fd = ::openat(::dirfd(dir), record.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        // A live copier holds its record locked.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            for (const QByteArray& line : ReadAll(fd).split('\n'))
                RemoveRecorded(line);
            ::unlinkat(::dirfd(dir), record.constData(), 0);
        }
        ::close(fd);
    }
    ::closedir(dir);
}
