#include "core/platform/Finder.h"

#include "core/platform/FileName.h"
#include "core/platform/FolderHandles.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
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

// A folder open for reading its entries, read with getdents64 a block at a
// time: opening it costs no further system call, as a DIR stream's does.
class FolderStream
{
public:
    explicit FolderStream(int fd) : m_fd(fd) { }
    ~FolderStream() { ::close(m_fd); }
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
            m_buffer = std::make_unique_for_overwrite<char[]>(kBlock);
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
    found.name = DecodeFileName(name, static_cast<qsizetype>(std::strlen(name)));
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
    ListedEntry listed;
    const char* name = nullptr;
    while (listing->entries.size() < kReadAheadEntries
        && ReadEntryFacts(*dir, &name, listed.facts, listing->readFailed, listing->mountRoot)) {
        listing->names.append(name);
        listed.nameEnd = listing->names.size();
        listing->entries.push_back(listed);
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
    struct Slot
    {
        bool ready = false;
        // No longer expected while it was being read: its listing is let go
        // when the read ends, and an open reads the folder afresh.
        bool dropped = false;
        std::unique_ptr<Listing> listing;
    };

    std::mutex mutex;
    std::condition_variable wake; // the worker: a folder to read, or stop
    std::condition_variable ready; // the walk: a read has finished
    std::vector<QByteArray> expected; // soonest first
    std::map<QByteArray, Slot> slots; // folders read or being read, not yet taken
    bool stop = false;
    std::thread worker;
    CFolderReadAhead* previous = nullptr;
    CFolderCache folders; // shared by the walk's thread and the worker

    // Ends the read of `folder`: its listing waits to be taken, unless the
    // walk let it go meanwhile.
    void Store(const QByteArray& folder, std::unique_ptr<Listing> listing)
    {
        const auto slot = slots.find(folder);
        if (slot->second.dropped) {
            slots.erase(slot);
            return;
        }
        slot->second.listing = std::move(listing);
        slot->second.ready = true;
    }

    // The first expected folder that is neither read nor being read.
    const QByteArray* NextToRead() const
    {
        for (const QByteArray& folder : expected) {
            if (!slots.count(folder))
                return &folder;
        }
        return nullptr;
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

void CFolderReadAhead::Expect(const QStringList& folders, const QStringList& roots)
{
    // The walk moves on by one node at a time: most keys are those of the last call.
    std::vector<ExpectedKey> keys;
    keys.reserve(size_t(folders.size()));
    std::vector<QByteArray> expected;
    expected.reserve(size_t(folders.size()));
    for (qsizetype i = 0; i < folders.size(); ++i) {
        const QString root = roots.value(i);
        const auto known = std::find_if(m_lastKeys.begin(), m_lastKeys.end(),
            [&](const ExpectedKey& key) { return key.folder == folders.at(i) && key.root == root; });
        if (known != m_lastKeys.end()) {
            keys.push_back(*known);
        } else {
            RootedPath folder;
            if (!SplitAtRoot(root, folders.at(i), &folder))
                continue;
            keys.push_back({folders.at(i), root, ListingKey(folder)});
        }
        expected.push_back(keys.back().key);
    }
    m_lastKeys.swap(keys);
    {
        std::lock_guard lock(m_state->mutex);
        m_state->expected.swap(expected);
        // Listings of folders no longer expected will not be opened soon: dropped.
        std::map<QByteArray, State::Slot>& slots = m_state->slots;
        for (auto it = slots.begin(); it != slots.end();) {
            const bool wanted
                = std::find(m_state->expected.begin(), m_state->expected.end(), it->first) != m_state->expected.end();
            it->second.dropped = !wanted;
            it = it->second.ready && !wanted ? slots.erase(it) : std::next(it);
        }
    }
    m_state->wake.notify_one();
}

std::unique_ptr<CFolderReadAhead::Listing> CFolderReadAhead::Take(const QByteArray& folder)
{
    std::unique_lock lock(m_state->mutex);
    const auto slot = m_state->slots.find(folder);
    if (slot == m_state->slots.end() || slot->second.dropped) {
        // Read by the open itself: the worker must not read it as well.
        std::vector<QByteArray>& expected = m_state->expected;
        expected.erase(std::remove(expected.begin(), expected.end(), folder), expected.end());
        return nullptr;
    }
    // While the other thread reads this folder, this one reads the next
    // expected folder rather than wait idle.
    while (!slot->second.ready) {
        const QByteArray* next = m_state->NextToRead();
        if (!next) {
            m_state->ready.wait(lock, [&] { return slot->second.ready; });
            break;
        }
        const QByteArray other = *next;
        m_state->slots[other]; // being read
        lock.unlock();
        std::unique_ptr<Listing> read = ReadListing(other);
        lock.lock();
        m_state->Store(other, std::move(read));
    }
    std::unique_ptr<Listing> listing = std::move(slot->second.listing);
    m_state->slots.erase(slot);
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
        const QByteArray folder = *state.NextToRead();
        state.slots[folder]; // being read
        lock.unlock();
        std::unique_ptr<Listing> listing = ReadListing(folder);
        lock.lock();
        state.Store(folder, std::move(listing));
        state.ready.notify_all();
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
            state.current.name
                = DecodeFileName(listing.names.data() + begin, static_cast<qsizetype>(listed.nameEnd - begin));
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
