#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <memory>

// Attribute bits of an entry, with the letters the file list shows.
namespace FileAttr {
constexpr quint32 ReadOnly = 0x0001; // R: the owner may not write
constexpr quint32 Hidden = 0x0002; // H: the name begins with "."
constexpr quint32 System = 0x0004; // S: not a regular file (device, socket, fifo)
constexpr quint32 Directory = 0x0010; // D
constexpr quint32 Link = 0x0400; // L: a symbolic link, never followed
} // namespace FileAttr

// One directory enumeration: the folder's entries read in blocks, fstatat
// without following links on each entry. "." and ".." are skipped, and so is
// the trash folder of a volume (".Trash", ".Trash-UID") in the top folder of a
// mounted file system: it is never user data. Every other name is an entry,
// whatever it is called.
class CFileFind
{
public:
    CFileFind();
    ~CFileFind();
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    // Starts enumerating `folder`, which lies at or below the root folder
    // `root` of its pair (empty: the folder is its own root); no link below
    // the root is followed on the way. False when it cannot be opened (a link
    // in the folder's place is no folder: ENOTDIR), when it is not at or
    // below its root (EINVAL), or when a path is not absolute (ENOENT).
    bool Open(const QString& folder, const QString& root = QString());
    // Moves to the next entry; false when there is none (or after an error).
    bool Next();
    void Close();
    // The errno of a failed Open: ENOENT or ENOTDIR when there is no folder
    // there, anything else when a folder may be there but cannot be read.
    int OpenError() const;
    // Whether the enumeration met an error so far: reading the folder failed,
    // or a listed entry could not be examined (an entry that vanished between
    // the listing and the look at it is no error). The entries reported are
    // then not all the folder holds.
    bool ReadFailed() const;
    // How many of the folder's entries that are not folders were read ahead
    // for the open (CFolderReadAhead), all of them or the first part of a
    // large folder; 0 when the open reads the folder itself.
    qsizetype FilesReadAhead() const;
    // The modification time of the opened folder (nanoseconds since 1970)
    // as it was when opened, before any entry was read; 0 when unknown.
    qint64 FolderWriteTime() const;

    QString GetFileName() const;
    bool IsDirectory() const; // a real directory; a link to one is not
    bool IsLink() const;
    bool IsHidden() const;
    qint64 GetLastWriteTime() const; // whole seconds since 1970 UTC, floor
    quint64 GetLength() const;
    quint32 GetAttributes() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Reads the folders that a walk over a tree opens next on a second thread, so
// that the system calls of the coming folders overlap the work on the current
// one and both cores are used. The walk queues each folder it will open, in
// the order it will open them; the read-ahead stays a few folders ahead of
// the walk's last open. While an object lives, CFileFind::Open on the thread
// that made it takes a queued folder's entries from it when they were read
// ahead (waiting for a read under way); a folder not read ahead yet is read
// by the open itself, as without a read-ahead. The entries are exactly those
// the open would have read, only read a moment earlier. A very large folder
// is read ahead only in part: the open reads the rest from where the
// read-ahead stopped, so the entries held at any time stay few.
class CFolderReadAhead
{
public:
    CFolderReadAhead();
    ~CFolderReadAhead();
    CFolderReadAhead(const CFolderReadAhead&) = delete;
    CFolderReadAhead& operator=(const CFolderReadAhead&) = delete;

    // Queues `folder`, below the root `root` of its pair (empty: the folder is
    // its own root), after the folders queued before. An open of a queued
    // folder passes over those queued before it that were not opened: their
    // listings are let go. Folders are queued on the thread that made the
    // object, the thread whose opens take them.
    void Queue(const QString& folder, const QString& root = QString());

    struct Listing;
    // For CFileFind: what was read ahead of a queued folder (its key: root, a
    // NUL byte, the path below the root), waiting for a read under way; null
    // when the folder was not read ahead.
    std::unique_ptr<Listing> Take(const QByteArray& key);
    // The read-ahead made on this thread and still alive, if any.
    static CFolderReadAhead* Current();

private:
    struct State;
    void Work();
    std::unique_ptr<State> m_state;
};

// None for a path that begins with "ftp://" (case-sensitive): such folders are never enumerated.
std::unique_ptr<CFileFind> CreateFinder(const QString& path);

// Prefix of the named temporary files that copies write where the file system
// has no unnamed ones. Scans list such names like any other: a user's file may
// carry it too.
inline constexpr char kTempCopyPrefix[] = ".~pairwell-";
