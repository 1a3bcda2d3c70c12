#include "core/platform/FolderHandles.h"

#include "core/platform/FileName.h"
#include "core/platform/MountTable.h"
#include "core/platform/Paths.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <linux/openat2.h>
#include <mutex>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Folders a cache keeps open at most.
constexpr size_t kCachedFolders = 32;

thread_local CFolderCache* t_currentCache = nullptr;

// The path cleaned of "." and ".." and repeated "/", or empty when it is not
// absolute or holds a NUL character.
QString CleanAbsolute(const QString& path)
{
    if (!path.startsWith(QLatin1Char('/')) || path.contains(QChar(0)))
        return {};
    return CleanPath(path);
}

bool IsDotOrEmpty(const char* begin, qsizetype length)
{
    return length == 0 || (length == 1 && begin[0] == '.') || (length == 2 && begin[0] == '.' && begin[1] == '.');
}

QByteArray ParentBytes(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArrayLiteral("/") : path.left(slash);
}

FolderHandle MakeHandle(int fd)
{
    return std::make_shared<const CFolderHandle>(fd);
}

bool HasDotOrEmptyComponent(const QByteArray& path)
{
    qsizetype start = 0;
    while (start <= path.size()) {
        qsizetype end = path.indexOf('/', start);
        if (end < 0)
            end = path.size();
        if (IsDotOrEmpty(path.constData() + start, end - start))
            return true;
        start = end + 1;
    }
    return false;
}

// Opens the folder `rest` below the open folder `fd` in one call that
// refuses every link on the way (openat2 with RESOLVE_NO_SYMLINKS): -1 with
// errno, ENOSYS where the kernel has no openat2.
int OpenBeneath(int fd, const QByteArray& rest, int flags)
{
    open_how how{};
    how.flags = quint64(flags | O_DIRECTORY | O_CLOEXEC);
    how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    return int(::syscall(SYS_openat2, fd, rest.constData(), &how, sizeof how));
}

std::atomic<bool> g_noOpenat2{false};

// Whether openat2 failed in a way that says the kernel (or a filter) does not offer it.
bool NoOpenat2(int errorNumber)
{
    if (errorNumber != ENOSYS && errorNumber != EPERM)
        return false;
    g_noOpenat2 = true;
    return true;
}

} // namespace

// --- rooted paths ------------------------------------------------------------------------

QByteArray RootedPath::Full() const
{
    if (below.isEmpty())
        return root;
    if (root == "/")
        return '/' + below;
    return root + '/' + below;
}

QString RootedPath::Text() const
{
    return DecodeFileName(Full());
}

RootedPath RootedPath::Child(const QByteArray& name) const
{
    if (below.isEmpty())
        return {root, name};
    return {root, below + '/' + name};
}

bool SplitAtRoot(const QString& root, const QString& path, RootedPath* out)
{
    const QString cleanPath = CleanAbsolute(path);
    const QString cleanRoot = root.isEmpty() ? cleanPath : CleanAbsolute(root);
    if (cleanPath.isEmpty() || cleanRoot.isEmpty())
        return false;
    QStringView below;
    if (cleanPath.size() != cleanRoot.size() || cleanPath != cleanRoot) {
        if (cleanRoot == QLatin1String("/"))
            below = QStringView(cleanPath).mid(1);
        else if (cleanPath.startsWith(cleanRoot) && cleanPath.size() > cleanRoot.size()
            && cleanPath.at(cleanRoot.size()) == QLatin1Char('/'))
            below = QStringView(cleanPath).mid(cleanRoot.size() + 1);
        else
            return false;
    }
    out->root = EncodeFileName(cleanRoot);
    out->below = EncodeFileName(below.toString());
    return true;
}

bool SplitAtParent(const QString& path, RootedPath* out)
{
    const QString clean = CleanAbsolute(path);
    if (clean.isEmpty())
        return false;
    if (clean == QLatin1String("/")) {
        *out = {QByteArrayLiteral("/"), {}};
        return true;
    }
    const QByteArray bytes = EncodeFileName(clean);
    const qsizetype slash = bytes.lastIndexOf('/');
    *out = {slash == 0 ? QByteArrayLiteral("/") : bytes.left(slash), bytes.mid(slash + 1)};
    return true;
}

CPairRoots::CPairRoots(const QStringList& roots)
{
    for (const QString& root : roots)
        Add(root);
}

void CPairRoots::Add(const QString& root)
{
    const QString clean = CleanAbsolute(root);
    if (clean.isEmpty()
        || std::any_of(m_roots.begin(), m_roots.end(), [&](const Root& other) { return other.path == clean; }))
        return;
    // Longest first: a root inside another root holds the paths below it.
    const auto place = std::find_if(
        m_roots.begin(), m_roots.end(), [&](const Root& other) { return other.path.size() < clean.size(); });
    m_roots.insert(place, {clean, EncodeFileName(clean)});
}

bool CPairRoots::Split(const QString& path, RootedPath* out) const
{
    if (m_roots.empty())
        return SplitAtParent(path, out);
    const QString clean = CleanAbsolute(path);
    if (clean.isEmpty())
        return false;
    for (const Root& root : m_roots) {
        const qsizetype length = root.path.size();
        if (clean.size() == length ? clean != root.path
                                   : root.path != QLatin1String("/")
                    && (clean.size() < length || clean.at(length) != QLatin1Char('/') || !clean.startsWith(root.path)))
            continue;
        out->root = root.bytes;
        const qsizetype skip = root.path == QLatin1String("/") ? 1 : length + 1;
        out->below = clean.size() <= length ? QByteArray() : EncodeFileName(clean.mid(skip));
        return true;
    }
    return false;
}

// --- the cache -----------------------------------------------------------------------------

CFolderHandle::~CFolderHandle()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

struct CFolderCache::State
{
    struct Entry
    {
        QByteArray root;
        QByteArray below;
        FolderHandle handle;
        quint64 used = 0;
    };

    std::mutex mutex;
    std::vector<Entry> entries;
    quint64 clock = 0;
    size_t last = 0; // the entry found last: the folder asked for next, mostly

    // The deepest open folder at or above `folder`; `*opened` is the length
    // of folder.below that it covers (0 for the root).
    FolderHandle Find(const RootedPath& folder, qsizetype* opened)
    {
        std::lock_guard lock(mutex);
        if (last < entries.size() && entries[last].below == folder.below && entries[last].root == folder.root) {
            entries[last].used = ++clock;
            *opened = folder.below.size();
            return entries[last].handle;
        }
        Entry* best = nullptr;
        for (Entry& entry : entries) {
            if (entry.root != folder.root)
                continue;
            const qsizetype length = entry.below.size();
            if (length > 0
                && (length > folder.below.size() || !folder.below.startsWith(entry.below)
                    || (length < folder.below.size() && folder.below.at(length) != '/')))
                continue;
            if (!best || length > best->below.size())
                best = &entry;
        }
        if (!best)
            return nullptr;
        best->used = ++clock;
        last = size_t(best - entries.data());
        *opened = best->below.size();
        return best->handle;
    }

    void Insert(const RootedPath& folder, FolderHandle handle)
    {
        std::lock_guard lock(mutex);
        for (Entry& entry : entries) {
            if (entry.root == folder.root && entry.below == folder.below) {
                entry.handle = std::move(handle);
                entry.used = ++clock;
                last = size_t(&entry - entries.data());
                return;
            }
        }
        if (entries.size() >= kCachedFolders) {
            const auto oldest = std::min_element(
                entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.used < b.used; });
            entries.erase(oldest);
        }
        entries.push_back({folder.root, folder.below, std::move(handle), ++clock});
        last = entries.size() - 1;
    }
};

CFolderCache::CFolderCache() : m_state(std::make_unique<State>()), m_previous(t_currentCache)
{
    t_currentCache = this;
}

CFolderCache::~CFolderCache()
{
    t_currentCache = m_previous;
}

CFolderCache* CFolderCache::Current()
{
    return t_currentCache;
}

CFolderCache::Use::Use(CFolderCache* cache) : m_previous(t_currentCache)
{
    t_currentCache = cache;
}

CFolderCache::Use::~Use()
{
    t_currentCache = m_previous;
}

FolderHandle CFolderCache::Find(const RootedPath& folder, qsizetype* covered)
{
    return m_state->Find(folder, covered);
}

void CFolderCache::Keep(const RootedPath& folder, FolderHandle handle)
{
    m_state->Insert(folder, std::move(handle));
}

void CFolderCache::Forget(const RootedPath& path)
{
    std::lock_guard lock(m_state->mutex);
    std::vector<State::Entry>& entries = m_state->entries;
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                      [&](const State::Entry& entry) {
                          if (entry.root != path.root)
                              return false;
                          if (path.below.isEmpty())
                              return true;
                          return entry.below.startsWith(path.below)
                              && (entry.below.size() == path.below.size() || entry.below.at(path.below.size()) == '/');
                      }),
        entries.end());
}

// --- opening -------------------------------------------------------------------------------

namespace {

// The deepest folder kept open at or above `folder` (the root, opened as
// named and kept, when there is none), and the part of folder.below below it.
FolderHandle StartOf(const RootedPath& folder, QByteArray* rest, int* error)
{
    CFolderCache* cache = CFolderCache::Current();
    qsizetype opened = 0;
    FolderHandle handle = cache ? cache->Find(folder, &opened) : nullptr;
    if (!handle) {
        const int fd = ::open(folder.root.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            *error = errno;
            return nullptr;
        }
        handle = MakeHandle(fd);
        opened = 0;
        if (cache)
            cache->Keep({folder.root, {}}, handle);
    }
    *rest = opened >= folder.below.size() ? QByteArray() : folder.below.mid(opened == 0 ? 0 : opened + 1);
    return handle;
}

} // namespace

FolderHandle OpenFolder(const RootedPath& folder, int* error)
{
    QByteArray rest;
    FolderHandle handle = StartOf(folder, &rest, error);
    if (!handle || rest.isEmpty())
        return handle;
    if (HasDotOrEmptyComponent(rest)) {
        *error = EINVAL;
        return nullptr;
    }
    CFolderCache* cache = CFolderCache::Current();
    // The rest in one call where the kernel can; else one component at a time.
    if (rest.size() < PATH_MAX && !g_noOpenat2) {
        const int fd = OpenBeneath(handle->Fd(), rest, O_PATH);
        if (fd >= 0) {
            handle = MakeHandle(fd);
            if (cache)
                cache->Keep(folder, handle);
            return handle;
        }
        if (!NoOpenat2(errno)) {
            *error = errno == ELOOP ? ENOTDIR : errno;
            return nullptr;
        }
    }
    const QByteArray& below = folder.below;
    qsizetype start = below.size() - rest.size();
    while (start < below.size()) {
        qsizetype end = below.indexOf('/', start);
        if (end < 0)
            end = below.size();
        const QByteArray component = below.mid(start, end - start);
        const int fd = ::openat(handle->Fd(), component.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            *error = errno == ELOOP ? ENOTDIR : errno;
            return nullptr;
        }
        handle = MakeHandle(fd);
        if (cache)
            cache->Keep({folder.root, below.left(end)}, handle);
        start = end + 1;
    }
    return handle;
}

bool IsFolderThere(const RootedPath& folder)
{
    if (folder.IsRoot()) {
        struct stat st;
        return ::stat(folder.root.constData(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    int error = 0;
    QByteArray rest;
    const FolderHandle start = StartOf(folder, &rest, &error);
    if (!start)
        return false;
    if (rest.isEmpty())
        return true;
    // One call that opens nothing but tests the way, where the kernel can.
    if (rest.size() < PATH_MAX && !g_noOpenat2 && !HasDotOrEmptyComponent(rest)) {
        const int fd = OpenBeneath(start->Fd(), rest, O_PATH);
        if (fd >= 0) {
            // A walk tests the folders below this one next: kept open, they
            // are reached from it in one step instead of from the root down.
            if (CFolderCache* cache = CFolderCache::Current())
                cache->Keep(folder, MakeHandle(fd));
            else
                ::close(fd);
            return true;
        }
        if (!NoOpenat2(errno))
            return false;
    }
    return bool(OpenFolder(folder, &error));
}

FolderHandle OpenParent(const RootedPath& entry, QByteArray* name, int* error)
{
    if (entry.IsRoot()) {
        if (entry.root == "/") {
            *error = EINVAL;
            return nullptr;
        }
        *name = entry.root.mid(entry.root.lastIndexOf('/') + 1);
        const int fd = ::open(ParentBytes(entry.root).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            *error = errno;
            return nullptr;
        }
        return MakeHandle(fd);
    }
    const qsizetype slash = entry.below.lastIndexOf('/');
    *name = entry.below.mid(slash + 1);
    if (IsDotOrEmpty(name->constData(), name->size())) {
        *error = EINVAL;
        return nullptr;
    }
    return OpenFolder({entry.root, slash < 0 ? QByteArray() : entry.below.left(slash)}, error);
}

int StatEntry(const RootedPath& path, struct stat* st)
{
    if (path.IsRoot())
        return ::stat(path.root.constData(), st) == 0 ? 0 : errno;
    QByteArray name;
    int error = 0;
    const FolderHandle parent = OpenParent(path, &name, &error);
    if (!parent)
        return error;
    return ::fstatat(parent->Fd(), name.constData(), st, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}

int OpenFolderForReading(const RootedPath& folder, int* error)
{
    if (folder.IsRoot()) {
        const int fd = ::open(folder.root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            *error = errno;
        return fd;
    }
    // From the deepest folder kept open, in one call where the kernel can.
    if (!g_noOpenat2 && folder.below.size() < PATH_MAX && !HasDotOrEmptyComponent(folder.below)) {
        QByteArray rest;
        const FolderHandle start = StartOf(folder, &rest, error);
        if (!start)
            return -1;
        const int fd = rest.isEmpty() ? ::openat(start->Fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                                      : OpenBeneath(start->Fd(), rest, O_RDONLY);
        if (fd >= 0)
            return fd;
        if (!NoOpenat2(errno)) {
            *error = errno == ELOOP ? ENOTDIR : errno;
            return -1;
        }
    }
    QByteArray name;
    const FolderHandle parent = OpenParent(folder, &name, error);
    if (!parent)
        return -1;
    const int fd = ::openat(parent->Fd(), name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        *error = errno == ELOOP ? ENOTDIR : errno;
        return -1;
    }
    // The folders below it are opened from it next.
    if (CFolderCache* cache = CFolderCache::Current()) {
        const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
        if (copy >= 0)
            cache->Keep(folder, MakeHandle(copy));
    }
    return fd;
}

// --- the trash of a volume ---------------------------------------------------------------------

bool IsVolumeTrashName(const char* name)
{
    if (std::strncmp(name, ".Trash", 6) != 0)
        return false;
    if (name[6] == '\0')
        return true;
    if (name[6] != '-' || name[7] == '\0')
        return false;
    for (const char* c = name + 7; *c; ++c) {
        if (*c < '0' || *c > '9')
            return false;
    }
    return true;
}

bool IsMountRoot(int fd)
{
    struct statx st;
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS, &st) == 0 && (st.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT))
        return (st.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    // A kernel that does not tell: the folder's path among the mount points.
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[4096];
    const ssize_t n = ::readlink(link, target, sizeof target);
    if (n <= 0 || n == ssize_t(sizeof target))
        return false;
    const QByteArray path(target, n);
    const std::vector<MountEntry> mounts = ReadMountTable();
    return std::any_of(mounts.begin(), mounts.end(), [&](const MountEntry& mount) { return mount.mountPoint == path; });
}
