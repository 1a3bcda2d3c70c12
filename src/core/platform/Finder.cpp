#include "core/platform/Finder.h"

#include "core/platform/FileName.h"
#include "core/platform/FolderHandles.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// What a stat tells of an entry.
struct EntryFacts
{
    quint32 attributes = 0;
    qint64 lastWriteTime = 0;
    quint64 length = 0;
};

// One entry as the enumeration reports it.
struct FoundEntry
{
    QString name;
    EntryFacts facts;
};

// One entry read ahead: its name stays in bytes (Listing::names) until the
// walk's thread takes it, so that the reading thread allocates almost nothing
// that the other thread frees.
struct ListedEntry
{
    EntryFacts facts;
    size_t nameEnd = 0; // where the name ends in Listing::names; it begins where the one before ends
};

// The block that the last folder stream of a thread read into, kept for the
// thread's next one: the allocator keeps no blocks this large at hand, and
// getting one anew costs more than reading a small folder.
thread_local std::unique_ptr<char[]> t_spareBlock;

// A folder open for reading its entries, read with getdents64 a block at a
// time: opening it costs no further system call, as a DIR stream's does.
class FolderStream
{
public:
    explicit FolderStream(int fd) : m_fd(fd) { }
    ~FolderStream()
    {
        ::close(m_fd);
        if (!t_spareBlock)
            t_spareBlock = std::move(m_buffer);
    }
    FolderStream(const FolderStream&) = delete;
    FolderStream& operator=(const FolderStream&) = delete;

    int Fd() const { return m_fd; }
    // The next entry's name (valid until the next call); null at the end,
    // or at an error with errno set (0 at the end).
    const char* Next()
    {
        for (;;) {
            if (m_next == m_end && !Fill())
                return nullptr;
            const auto* entry = reinterpret_cast<const dirent64*>(m_buffer.get() + m_next);
            m_next += entry->d_reclen;
            if (entry->d_ino != 0) // else a deleted entry, as readdir skips them
                return entry->d_name;
        }
    }

private:
    bool Fill()
    {
        constexpr size_t kBlock = 32768;
        if (!m_buffer)
            m_buffer = t_spareBlock ? std::move(t_spareBlock) : std::make_unique_for_overwrite<char[]>(kBlock);
        ssize_t read = 0;
        do
            read = ::getdents64(m_fd, m_buffer.get(), kBlock);
        while (read < 0 && errno == EINTR);
        if (read <= 0) {
            errno = read < 0 ? errno : 0;
            return false;
        }
        m_next = 0;
        m_end = size_t(read);
        return true;
    }

    int m_fd;
    std::unique_ptr<char[]> m_buffer;
    size_t m_next = 0;
    size_t m_end = 0;
};

} // namespace

struct CFolderReadAhead::Listing
{
    Listing() = default;
    Listing(const Listing&) = delete;
    Listing& operator=(const Listing&) = delete;

    bool opened = false; // false: the folder could not be opened
    int openError = 0; // errno of the failed open
    bool readFailed = false; // an error ended the read early or hid an entry
    int mountRoot = -1; // whether the folder is the top of a mount: -1 not known yet
    qint64 folderTime = 0; // the folder's modification time when opened
    qsizetype files = 0; // entries that are not folders
    std::vector<ListedEntry> entries;
    std::string names; // the entries' names, one after the other
    // The folder, open where the read-ahead stopped; null when it was read to its end.
    std::unique_ptr<FolderStream> rest;
};

struct CFileFind::State
{
    std::unique_ptr<FolderStream> dir;
    std::unique_ptr<CFolderReadAhead::Listing> listing; // entries read ahead, taken first
    size_t next = 0; // the next entry of `listing`
    FoundEntry current;
    int openError = 0;
    bool readFailed = false;
    int mountRoot = -1; // as in the listing
    qint64 folderTime = 0; // as in the listing
};

namespace {

// "." and "..", and the trash of a volume in the top folder of a mount
// (`mountRoot` caches that test for the folder `fd`).
bool IsSkippedName(const char* name, int fd, int& mountRoot)
{
    if (name[0] != '.')
        return false;
    if (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))
        return true;
    if (name[1] != 'T' || !IsVolumeTrashName(name))
        return false;
    if (mountRoot < 0)
        mountRoot = IsMountRoot(fd) ? 1 : 0;
    return mountRoot == 1;
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

// The next entry of `dir` that an enumeration reports, its name (valid until
// the next read of `dir`) in `*name`; false at the end or at an error that
// ends the read. `failed` is set by any error that leaves an entry out.
bool ReadEntryFacts(FolderStream& dir, const char** name, EntryFacts& facts, bool& failed, int& mountRoot)
{
    const int fd = dir.Fd();
    for (;;) {
        *name = dir.Next();
        if (!*name) {
            if (errno != 0)
                failed = true;
            return false;
        }
        if (IsSkippedName(*name, fd, mountRoot))
            continue;
        struct stat st;
        if (::fstatat(fd, *name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                failed = true;
            continue; // ENOENT: vanished since the folder listed it
        }
        facts.attributes = AttributesOf(*name, st.st_mode);
        // The kernel keeps tv_nsec in [0, 1e9), so tv_sec is already the floor.
        facts.lastWriteTime = st.st_mtim.tv_sec;
        facts.length = static_cast<quint64>(st.st_size);
        return true;
    }
}

bool ReadEntry(FolderStream& dir, FoundEntry& found, bool& failed, int& mountRoot)
{
    const char* name = nullptr;
    if (!ReadEntryFacts(dir, &name, found.facts, failed, mountRoot))
        return false;
    DecodeFileNameInto(name, static_cast<qsizetype>(std::strlen(name)), found.name);
    return true;
}

// Opens the folder from its root; null with errno set.
std::unique_ptr<FolderStream> OpenRootedFolder(const RootedPath& folder)
{
    int error = 0;
    const int fd = OpenFolderForReading(folder, &error);
    if (fd < 0) {
        errno = error;
        return nullptr;
    }
    return std::make_unique<FolderStream>(fd);
}

QByteArray ListingKey(const RootedPath& folder)
{
    return folder.root + '\0' + folder.below;
}

bool RootedPathOfKey(const QByteArray& key, RootedPath* folder)
{
    const qsizetype nul = key.indexOf('\0');
    if (nul < 0)
        return false;
    *folder = {key.left(nul), key.mid(nul + 1)};
    return true;
}

// Entries a read-ahead holds of one folder at most; the open reads the rest.
constexpr size_t kReadAheadEntries = 4096;

qint64 WriteTimeOf(const FolderStream& dir)
{
    struct stat info
    {
    };
    if (::fstat(dir.Fd(), &info) != 0)
        return 0;
    return qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
}

std::unique_ptr<CFolderReadAhead::Listing> ReadListing(const QByteArray& key)
{
    auto listing = std::make_unique<CFolderReadAhead::Listing>();
    RootedPath folder;
    std::unique_ptr<FolderStream> dir = RootedPathOfKey(key, &folder) ? OpenRootedFolder(folder) : nullptr;
    if (!dir) {
        listing->openError = errno;
        return listing;
    }
    listing->opened = true;
    listing->folderTime = WriteTimeOf(*dir);
    // Room at once for a folder of a few dozen entries, as most are.
    listing->entries.reserve(32);
    listing->names.reserve(512);
    ListedEntry listed;
    const char* name = nullptr;
    while (listing->entries.size() < kReadAheadEntries
        && ReadEntryFacts(*dir, &name, listed.facts, listing->readFailed, listing->mountRoot)) {
        listing->names.append(name);
        listed.nameEnd = listing->names.size();
        listing->entries.push_back(listed);
        if (!(listed.facts.attributes & FileAttr::Directory))
            ++listing->files;
    }
    if (listing->entries.size() == kReadAheadEntries)
        listing->rest = std::move(dir);
    return listing;
}

thread_local CFolderReadAhead* t_currentReadAhead = nullptr;

} // namespace

// --- CFolderReadAhead ------------------------------------------------------------------

struct CFolderReadAhead::State
{
    // A queued folder, with where its read stands.
    struct Queued
    {
        enum class Step { Waiting, Reading, Read };
        QByteArray key;
        Step step = Step::Waiting;
        std::unique_ptr<Listing> listing; // once read
    };

    // How many of the folders that the walk opens next are read ahead.
    static constexpr size_t kFoldersAhead = 12;

    std::mutex mutex;
    std::condition_variable wake; // the worker: a folder to read, or stop
    std::condition_variable ready; // the walk: a read has finished
    std::deque<Queued> queue; // in the order of the walk; the front is opened next
    bool stop = false;
    std::thread worker;
    CFolderReadAhead* previous = nullptr;
    CFolderCache folders; // shared by the walk's thread and the worker

    // The first folder waiting to be read among those the walk opens next.
    Queued* NextToRead()
    {
        const size_t ahead = std::min(queue.size(), kFoldersAhead);
        for (size_t i = 0; i < ahead; ++i) {
            if (queue[i].step == Queued::Step::Waiting)
                return &queue[i];
        }
        return nullptr;
    }

    // Reads `queued` with the lock let go meanwhile. Its listing waits to be
    // taken, unless the walk passed the folder during the read.
    void Read(Queued& queued, std::unique_lock<std::mutex>& lock)
    {
        queued.step = Queued::Step::Reading;
        const QByteArray key = queued.key; // `queued` may be gone once the lock is let go
        lock.unlock();
        std::unique_ptr<Listing> listing = ReadListing(key);
        lock.lock();
        const auto reading = std::find_if(queue.begin(), queue.end(),
            [&](const Queued& other) { return other.step == Queued::Step::Reading && other.key == key; });
        if (reading != queue.end()) {
            reading->listing = std::move(listing);
            reading->step = Queued::Step::Read;
        }
        ready.notify_all();
    }
};

CFolderReadAhead::CFolderReadAhead() : m_state(std::make_unique<State>())
{
    m_state->previous = t_currentReadAhead;
    t_currentReadAhead = this;
    try {
        m_state->worker = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
        // No second thread: every folder is read by its open, as without a read-ahead.
    }
}

CFolderReadAhead::~CFolderReadAhead()
{
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stop = true;
    }
    m_state->wake.notify_all();
    if (m_state->worker.joinable())
        m_state->worker.join();
    t_currentReadAhead = m_state->previous;
}

CFolderReadAhead* CFolderReadAhead::Current()
{
    return t_currentReadAhead;
}

void CFolderReadAhead::Queue(const QString& folder, const QString& root)
{
    RootedPath rooted;
    if (!SplitAtRoot(root, folder, &rooted))
        return; // never read: its open fails before it looks here
    bool readSoon = false;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->queue.emplace_back().key = ListingKey(rooted);
        readSoon = m_state->queue.size() <= State::kFoldersAhead;
    }
    if (readSoon)
        m_state->wake.notify_one();
}

std::unique_ptr<CFolderReadAhead::Listing> CFolderReadAhead::Take(const QByteArray& key)
{
    using Queued = State::Queued;
    std::unique_lock lock(m_state->mutex);
    std::deque<Queued>& queue = m_state->queue;
    const auto found
        = std::find_if(queue.begin(), queue.end(), [&](const Queued& queued) { return queued.key == key; });
    if (found == queue.end())
        return nullptr;
    // The folders queued before it were passed over; a read under way of one
    // of them finds it gone and lets its listing go.
    queue.erase(queue.begin(), found);
    Queued& taken = queue.front();
    // While the other thread reads this folder, this one reads the next
    // queued folder rather than wait idle.
    while (taken.step == Queued::Step::Reading) {
        if (Queued* next = m_state->NextToRead())
            m_state->Read(*next, lock);
        else
            m_state->ready.wait(lock, [&] { return taken.step != Queued::Step::Reading; });
    }
    // A folder still waiting is read by the open itself.
    std::unique_ptr<Listing> listing = std::move(taken.listing);
    queue.pop_front();
    lock.unlock();
    m_state->wake.notify_one(); // the folders read ahead moved on by one
    return listing;
}

void CFolderReadAhead::Work()
{
    State& state = *m_state;
    CFolderCache::Use folders(&state.folders);
    std::unique_lock lock(state.mutex);
    for (;;) {
        state.wake.wait(lock, [&] { return state.stop || state.NextToRead(); });
        if (state.stop)
            return;
        state.Read(*state.NextToRead(), lock);
    }
}

// --- CFileFind ----------------------------------------------------------------------------

CFileFind::CFileFind() : m_state(std::make_unique<State>())
{
}

CFileFind::~CFileFind()
{
    Close();
}

bool CFileFind::Open(const QString& folder, const QString& root)
{
    Close();
    RootedPath rooted;
    if (!SplitAtRoot(root, folder, &rooted)) {
        // Never resolved against the working directory; a folder outside its root is not read.
        const bool absolute
            = folder.startsWith(QLatin1Char('/')) && (root.isEmpty() || root.startsWith(QLatin1Char('/')));
        m_state->openError = absolute ? EINVAL : ENOENT;
        return false;
    }
    if (CFolderReadAhead* readAhead = CFolderReadAhead::Current()) {
        if (std::unique_ptr<CFolderReadAhead::Listing> listing = readAhead->Take(ListingKey(rooted))) {
            if (!listing->opened) {
                m_state->openError = listing->openError;
                return false;
            }
            m_state->readFailed = listing->readFailed;
            m_state->mountRoot = listing->mountRoot;
            m_state->folderTime = listing->folderTime;
            m_state->dir = std::move(listing->rest);
            m_state->listing = std::move(listing);
            m_state->next = 0;
            return true;
        }
    }
    m_state->dir = OpenRootedFolder(rooted);
    if (!m_state->dir) {
        m_state->openError = errno;
        return false;
    }
    m_state->folderTime = WriteTimeOf(*m_state->dir);
    return true;
}

qsizetype CFileFind::FilesReadAhead() const
{
    return m_state->listing ? m_state->listing->files : 0;
}

qint64 CFileFind::FolderWriteTime() const
{
    return m_state->folderTime;
}

bool CFileFind::Next()
{
    State& state = *m_state;
    if (state.listing) {
        const CFolderReadAhead::Listing& listing = *state.listing;
        if (state.next < listing.entries.size()) {
            const size_t begin = state.next == 0 ? 0 : listing.entries[state.next - 1].nameEnd;
            const ListedEntry& listed = listing.entries[state.next++];
            state.current.facts = listed.facts;
            DecodeFileNameInto(
                listing.names.data() + begin, static_cast<qsizetype>(listed.nameEnd - begin), state.current.name);
            return true;
        }
        state.listing.reset(); // what was read ahead is used up; the rest (if any) from the folder
    }
    if (!state.dir)
        return false;
    return ReadEntry(*state.dir, state.current, state.readFailed, state.mountRoot);
}

void CFileFind::Close()
{
    m_state->dir.reset();
    m_state->listing.reset();
    m_state->next = 0;
    m_state->current = FoundEntry();
    m_state->openError = 0;
    m_state->readFailed = false;
    m_state->mountRoot = -1;
    m_state->folderTime = 0;
}

int CFileFind::OpenError() const
{
    return m_state->openError;
}

bool CFileFind::ReadFailed() const
{
    return m_state->readFailed;
}

QString CFileFind::GetFileName() const
{
    return m_state->current.name;
}

bool CFileFind::IsDirectory() const
{
    return (m_state->current.facts.attributes & FileAttr::Directory) != 0;
}

bool CFileFind::IsLink() const
{
    return (m_state->current.facts.attributes & FileAttr::Link) != 0;
}

bool CFileFind::IsHidden() const
{
    return (m_state->current.facts.attributes & FileAttr::Hidden) != 0;
}

qint64 CFileFind::GetLastWriteTime() const
{
    return m_state->current.facts.lastWriteTime;
}

quint64 CFileFind::GetLength() const
{
    return m_state->current.facts.length;
}

quint32 CFileFind::GetAttributes() const
{
    return m_state->current.facts.attributes;
}

std::unique_ptr<CFileFind> CreateFinder(const QString& path)
{
    if (path.startsWith(QLatin1String("ftp://"), Qt::CaseSensitive))
        return nullptr;
    return std::make_unique<CFileFind>();
}
