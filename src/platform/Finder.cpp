#include "platform/Finder.h"

#include "platform/FileName.h"

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

struct CFileFind::State
{
    DIR* dir = nullptr;
    QString name;
    quint32 attributes = 0;
    qint64 lastWriteTime = 0;
    quint64 length = 0;
};

namespace {

constexpr size_t kTempCopyPrefixLength = sizeof kTempCopyPrefix - 1;

bool IsSkippedName(const char* name)
{
    if (name[0] == '.') {
        if (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))
            return true;
        if (std::strncmp(name, kTempCopyPrefix, kTempCopyPrefixLength) == 0)
            return true;
    }
    return false;
}

quint32 AttributesOf(const char* name, mode_t mode)
{
    quint32 attributes = 0;
    if (S_ISLNK(mode))
        attributes |= FileAttr::Link;
    else if (S_ISDIR(mode))
        attributes |= FileAttr::Directory;
    else if (!S_ISREG(mode))
        attributes |= FileAttr::System;
    // A link's own permission bits mean nothing; it is never read-only.
    if (!S_ISLNK(mode) && (mode & S_IWUSR) == 0)
        attributes |= FileAttr::ReadOnly;
    if (name[0] == '.')
        attributes |= FileAttr::Hidden;
    return attributes;
}

} // namespace

CFileFind::CFileFind() : m_state(std::make_unique<State>())
{
}

CFileFind::~CFileFind()
{
    Close();
}

bool CFileFind::Open(const QString& folder)
{
    Close();
    if (folder.isEmpty())
        return false;
    // The folder itself may be a link; only the entries below it are never followed.
    const int fd = ::open(EncodeFileName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    m_state->dir = ::fdopendir(fd);
    if (!m_state->dir) {
        ::close(fd);
        return false;
    }
    return true;
}

bool CFileFind::Next()
{
    State& state = *m_state;
    if (!state.dir)
        return false;
    const int fd = ::dirfd(state.dir);
    while (const dirent* entry = ::readdir(state.dir)) {
        const char* name = entry->d_name;
        if (IsSkippedName(name))
            continue;
        struct stat st;
        if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue; // vanished since readdir listed it
        state.attributes = AttributesOf(name, st.st_mode);
        // The kernel keeps tv_nsec in [0, 1e9), so tv_sec is already the floor.
        state.lastWriteTime = st.st_mtim.tv_sec;
        state.length = static_cast<quint64>(st.st_size);
        state.name = DecodeFileName(name, static_cast<qsizetype>(std::strlen(name)));
        return true;
    }
    return false;
}

void CFileFind::Close()
{
    if (m_state->dir) {
        ::closedir(m_state->dir);
        m_state->dir = nullptr;
    }
    m_state->name.clear();
    m_state->attributes = 0;
    m_state->lastWriteTime = 0;
    m_state->length = 0;
}

QString CFileFind::GetFileName() const
{
    return m_state->name;
}

bool CFileFind::IsDirectory() const
{
    return (m_state->attributes & FileAttr::Directory) != 0;
}

bool CFileFind::IsLink() const
{
    return (m_state->attributes & FileAttr::Link) != 0;
}

bool CFileFind::IsHidden() const
{
    return (m_state->attributes & FileAttr::Hidden) != 0;
}

qint64 CFileFind::GetLastWriteTime() const
{
    return m_state->lastWriteTime;
}

quint64 CFileFind::GetLength() const
{
    return m_state->length;
}

quint32 CFileFind::GetAttributes() const
{
    return m_state->attributes;
}

std::unique_ptr<CFileFind> CreateFinder(const QString& path)
{
    if (path.startsWith(QLatin1String("ftp://"), Qt::CaseSensitive))
        return nullptr;
    return std::make_unique<CFileFind>();
}
