#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <functional>

// Reading and writing a whole small file (a document) by path. Paths are
// passed to the system as their EncodeFileName bytes, so undecodable names work.

// What tells one version of a file from the next: every write or replacement
// of the file changes it.
struct FileStamp
{
    bool exists = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modified = 0; // nanoseconds since 1970
    qint64 changed = 0; // of the inode, nanoseconds since 1970
    bool operator==(const FileStamp&) const = default;
};
// The stamp of the file at `path` (following a link); `exists` is false when
// there is none, or when it cannot be looked at: `error` (when given) then
// gets the system's error number, else 0.
FileStamp StampOfFile(const QString& path, int* error = nullptr);

enum class FileReadFailure { None, NotFound, AccessDenied, Folder, NotRegularFile, TooLarge, Other };
struct FileReadResult
{
    FileReadFailure failure = FileReadFailure::None;
    int errnoValue = 0; // the system's reason, for Other
    FileStamp stamp; // of the file that was read
    bool Ok() const { return failure == FileReadFailure::None; }
};
// Reads the whole regular file at `path` (following a link). Anything else
// (a folder, a FIFO, a device) is refused without reading from it, and
// without waiting for a writer of a FIFO. A file larger than `maxSize` bytes
// is refused too.
FileReadResult ReadRegularFile(const QString& path, QByteArray* data, qint64 maxSize = qint64(1) << 31);
// Whether ReadRegularFile could open the file at `path`, without reading it:
// the same failures for what is missing, not a regular file, too large or not
// readable by this process, and the file's stamp.
FileReadResult ProbeRegularFile(const QString& path, qint64 maxSize = qint64(1) << 31);
// Why a read failed, for a message after the file's path ("" when it did not).
QString FileReadFailureText(const FileReadResult& result);
// As ReadRegularFile, with "path: reason" of a failure in `error`.
bool ReadWholeFile(const QString& path, QByteArray* data, QString* error, qint64 maxSize = qint64(1) << 31);

// An exclusive lock on a document file for a whole read-change-write, so
// that two processes changing one file each keep their change. Every program
// that replaces the file takes it first (a lock on the file itself: the
// replacement's rename leaves the old file, so a waiter that gets the lock on
// a file no longer at `path` tries again on the new one). Released by
// Unlock or the destructor.
class CFileLock
{
public:
    CFileLock() = default;
    ~CFileLock();
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;

    // Waits for the lock on the file at `path`: for ever with `waitMs` < 0,
    // else at most that long. True when held, and true with nothing held when
    // there is no file (nothing that another writer could replace). Else
    // `reason` gets the system's error number: EWOULDBLOCK when the wait
    // ended, EINVAL when the path is no regular file.
    bool Lock(const QString& path, int waitMs, int* reason = nullptr);
    void Unlock();
    // Whether the lock is held on the file at `path`.
    bool Holds(const QString& path) const { return m_fd >= 0 && path == m_path; }

private:
    int m_fd = -1;
    QString m_path;
};

// Creates the folder `path` and its missing parents (0777 less the umask).
// True when a folder is there at the end; else `reason` gets the system's
// error number (ENOTDIR when something else is in the way).
bool CreateFolders(const QString& path, int* reason = nullptr);

struct ReplaceOptions
{
    // An existing file's owner and group stay where the process may set them
    // (root writing a user's file leaves it the user's).
    bool keepOwner = false;
    // The permission bits of a new file; -1: 0666 less the umask.
    int newFileMode = -1;
    // Receives the stamp of the new file, when given.
    FileStamp* written = nullptr;
};

// The folder in which ReplaceFileAtomically makes the replacement of `path`:
// behind a link, the folder of the file it points to. Empty when there is no
// such folder name (an empty path, a link that cannot be followed).
QString FolderOfReplacement(const QString& path);

// Replaces the file at `path` with `data` so that no reader ever sees a half
// written file: the bytes go to a new temporary file in the same folder, are
// flushed to the disk, the temporary file is renamed over `path`, and the
// folder is flushed so that the rename lasts. When `path` is a link, the file
// it points to is replaced. An existing file keeps its permission bits; a
// folder or another file that is not a regular one (a FIFO, a device) is
// refused. On failure the old file is untouched, the temporary file is
// removed and `error` gets "path: reason".
bool ReplaceFileAtomically(
    const QString& path, const QByteArray& data, QString* error, const ReplaceOptions& options = {});
// The same with the new content written piece by piece, so that a large one
// is never whole in memory: `produce` hands each piece in order to the writer
// it gets, and returns false to give up (or when the writer returned false,
// after a failed write); the old file then stays.
using FileChunkWriter = std::function<bool(QByteArrayView bytes)>;
using FileContentWriter = std::function<bool(const FileChunkWriter& write)>;
bool ReplaceFileAtomically(
    const QString& path, const FileContentWriter& produce, QString* error, const ReplaceOptions& options = {});
