#include "support/SyncTestSupport.h"

#include "core/platform/FileName.h"
#include "core/platform/Finder.h"

#include <dirent.h>
#include <sys/mount.h>
#include <unistd.h>

QStringList TempFilesIn(const QString& folder)
{
    QStringList names;
    if (DIR* dir = ::opendir(EncodeFileName(folder).constData())) {
        while (dirent* entry = ::readdir(dir)) {
            if (QByteArray(entry->d_name).startsWith(kTempCopyPrefix))
                names << DecodeFileName(QByteArray(entry->d_name));
        }
        ::closedir(dir);
    }
    return names;
}

struct stat StatOf(const QString& path)
{
    struct stat st
    {
    };
    if (::lstat(EncodeFileName(path).constData(), &st) != 0)
        st.st_mode = 0;
    return st;
}

QByteArray LinkTarget(const QString& path)
{
    char buffer[4096];
    const ssize_t n = ::readlink(EncodeFileName(path).constData(), buffer, sizeof buffer);
    return n < 0 ? QByteArray() : QByteArray(buffer, n);
}

TmpfsMount::TmpfsMount(const QString& mountPoint, const char* size) : m_point(EncodeFileName(mountPoint))
{
    if (::geteuid() != 0)
        return;
    const QByteArray options = QByteArray("size=") + size;
    m_mounted = ::mount("tmpfs", m_point.constData(), "tmpfs", 0, options.constData()) == 0;
}

TmpfsMount::~TmpfsMount()
{
    if (m_mounted)
        ::umount2(m_point.constData(), MNT_DETACH);
}
