#include "core/platform/FileSystem.h"

#include "core/platform/FileName.h"

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool LStat(const QString& path, struct stat& st)
{
    if (path.isEmpty())
        return false;
    return ::lstat(EncodeFileName(path).constData(), &st) == 0;
}

size_t LookupBufferSize(int name)
{
    const long size = ::sysconf(name);
    return size > 0 ? static_cast<size_t>(size) : 16384;
}

QString UserName(uid_t uid)
{
    std::vector<char> buffer(LookupBufferSize(_SC_GETPW_R_SIZE_MAX));
    for (;;) {
        passwd entry{};
        passwd* result = nullptr;
        const int rc = ::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &result);
        if (rc == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (rc == 0 && result && result->pw_name)
            return QString::fromUtf8(result->pw_name);
        return QString::number(uid);
    }
}

QString GroupName(gid_t gid)
{
    std::vector<char> buffer(LookupBufferSize(_SC_GETGR_R_SIZE_MAX));
    for (;;) {
        group entry{};
        group* result = nullptr;
        const int rc = ::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &result);
        if (rc == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (rc == 0 && result && result->gr_name)
            return QString::fromUtf8(result->gr_name);
        return QString::number(gid);
    }
}

QString LinkTarget(const QByteArray& pathBytes, off_t sizeHint)
{
    QByteArray buffer(sizeHint > 0 ? sizeHint + 1 : 256, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::readlink(pathBytes.constData(), buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (n < buffer.size()) {
            buffer.truncate(n);
            return DecodeFileName(buffer);
        }
        buffer.resize(buffer.size() * 2); // the link grew, or its size was not reported
    }
}

} // namespace

bool PathExists(const QString& path)
{
    struct stat st = {};
    return LStat(path, st);
}

bool IsDirectoryPath(const QString& path)
{
    struct stat st = {};
    return LStat(path, st) && S_ISDIR(st.st_mode);
}

bool CreateFolder(const QString& path, QString* error)
{
    int failure = ENOENT;
    if (!path.isEmpty()) {
        if (::mkdir(EncodeFileName(path).constData(), 0777) == 0)
            return true;
        failure = errno;
    }
    if (error)
        *error = SystemErrorText(failure);
    return false;
}

QString SystemErrorText(int errnoValue)
{
    char buffer[512];
    // The GNU strerror_r returns the text, in the language of LC_MESSAGES.
    const char* text = ::strerror_r(errnoValue, buffer, sizeof buffer);
    return QString::fromLocal8Bit(text);
}

PathInfo GetPathInfo(const QString& path)
{
    PathInfo info;
    struct stat st = {};
    if (!LStat(path, st))
        return info;
    info.exists = true;
    info.isDirectory = S_ISDIR(st.st_mode);
    info.isLink = S_ISLNK(st.st_mode);
    info.size = static_cast<quint64>(st.st_size);
    info.mtime = st.st_mtim.tv_sec;
    info.mtimeNanoseconds = st.st_mtim.tv_nsec;
    info.mode = st.st_mode;
    info.owner = UserName(st.st_uid);
    info.group = GroupName(st.st_gid);
    if (info.isLink)
        info.linkTarget = LinkTarget(EncodeFileName(path), st.st_size);
    return info;
}
