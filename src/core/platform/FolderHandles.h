#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

struct stat;

// Everything below a pair's root folders is reached from the root, one
// component at a time, with O_NOFOLLOW | O_DIRECTORY: a link anywhere below a
// root is never followed, not even one swapped in while a run works, and
// paths of any length work. The root itself is opened as named: a user's
// configured folder may be a link, and so may the folders above it.
//
// Paths are given as the program's strings; they must be absolute (a path
// that is empty, relative or holds a NUL character is never resolved against
// the working directory: it is refused).

// A path split at the root that holds it, as bytes (EncodeFileName).
struct RootedPath
{
    QByteArray root; // absolute, without a trailing "/" (except "/" itself)
    QByteArray below; // the components below the root joined by "/"; empty for the root itself

    bool IsRoot() const { return below.isEmpty(); }
    // The whole path.
    QByteArray Full() const;
    // The whole path as the program's string, for messages.
    QString Text() const;
    // The entry `name` of this folder.
    RootedPath Child(const QByteArray& name) const;
};

// Splits `path` at `root`; an empty root makes the path its own root. False
// when either is not absolute, holds a NUL character, or the path is not the
// root or below it ("." and ".." are resolved in both first).
bool SplitAtRoot(const QString& root, const QString& path, RootedPath* out);
// The entry `path` with the folder that holds it as its root: the entry
// itself and everything below it are never followed, the folders above it
// are taken as named. False for a path that is not absolute.
bool SplitAtParent(const QString& path, RootedPath* out);

// The root folders of the pairs an operation works on. A path belongs to the
// longest root that holds it. Without any root, each path's own parent folder
// is its root (SplitAtParent): what the caller names is taken as named, and
// nothing at or below the named entry is followed.
class CPairRoots
{
public:
    CPairRoots() = default;
    explicit CPairRoots(const QStringList& roots);

    // Adds a root; an empty or relative one is ignored.
    void Add(const QString& root);
    bool IsEmpty() const { return m_roots.empty(); }
    // Splits `path` at its root. With roots, false for a path below none of them.
    bool Split(const QString& path, RootedPath* out) const;

private:
    struct Root
    {
        QString path; // normalized
        QByteArray bytes; // shared by the paths split at it
    };
    std::vector<Root> m_roots; // longest first
};

// An open folder (O_PATH: usable as the folder of *at calls only).
class CFolderHandle
{
public:
    explicit CFolderHandle(int fd) : m_fd(fd) { }
    ~CFolderHandle();
    CFolderHandle(const CFolderHandle&) = delete;
    CFolderHandle& operator=(const CFolderHandle&) = delete;
    int Fd() const { return m_fd; }

private:
    int m_fd;
};
using FolderHandle = std::shared_ptr<const CFolderHandle>;

// While an object lives, the folders opened through it stay open (the few
// used last), so that a walk from the top down opens each folder once, with
// one openat from its parent, instead of once per level of its path. The
// thread that makes one uses it for every open below; other threads may
// share it (Use). Without one, every open walks down from the root. A cache
// lives only as long as one walk or one operation: a folder replaced later
// must be opened anew.
class CFolderCache
{
public:
    CFolderCache();
    ~CFolderCache();
    CFolderCache(const CFolderCache&) = delete;
    CFolderCache& operator=(const CFolderCache&) = delete;

    // The cache of this thread, or null.
    static CFolderCache* Current();
    // Makes `cache` this thread's cache while the object lives.
    class Use
    {
    public:
        explicit Use(CFolderCache* cache);
        ~Use();
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;

    private:
        CFolderCache* m_previous;
    };

    // Forgets `path` and every folder below it (it was removed or renamed).
    void Forget(const RootedPath& path);
    // The deepest folder kept open at or above `folder`, or null; `*covered`
    // is the length of folder.below that it stands for (0 for the root).
    FolderHandle Find(const RootedPath& folder, qsizetype* covered);
    // Keeps `handle` open as the folder `folder`.
    void Keep(const RootedPath& folder, FolderHandle handle);

private:
    struct State;
    std::unique_ptr<State> m_state;
    CFolderCache* m_previous;
};

// The folder `folder`, opened without following any link below its root.
// Null with `*error` set: ENOENT when it is missing, ENOTDIR when something
// else is in its place (a link included), the errno of the failure otherwise.
FolderHandle OpenFolder(const RootedPath& folder, int* error);
// A descriptor of its own of the folder, for reading its entries (O_RDONLY);
// -1 with `*error` as OpenFolder. The caller closes it.
int OpenFolderForReading(const RootedPath& folder, int* error);
// Whether a folder is at `folder`, reached without following any link below its root.
bool IsFolderThere(const RootedPath& folder);
// The folder that holds `entry`, and the entry's name in it. For a root, its
// parent folder opened as named and the root's last component.
FolderHandle OpenParent(const RootedPath& entry, QByteArray* name, int* error);
// lstat of the entry (a root: stat, it is the user's folder), reached without
// following any link below its root. 0 or the errno.
int StatEntry(const RootedPath& path, struct stat* st);

// Whether `name` is the trash folder of a volume (".Trash", ".Trash-UID"),
// which only the top folder of a mounted file system holds.
bool IsVolumeTrashName(const char* name);
// Whether the open folder `fd` is the top folder of a mount.
bool IsMountRoot(int fd);
