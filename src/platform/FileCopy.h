#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <vector>

// The low-level copying and deleting under the file operation of the sync
// runs. Everything works on the bytes of the names (EncodeFileName), never
// follows a symbolic link below the path it is given, and never leaves a
// half-written file under a real name: data goes to a temporary file in the
// destination folder (a name beginning with kTempCopyPrefix, which every scan
// ignores) that is renamed over the destination only when it is complete.

// What an entry is, seen without following a link.
enum class EntryKind { Missing, File, Folder, Link, Other };

struct EntryInfo
{
    EntryKind kind = EntryKind::Missing;
    quint64 size = 0;
    int error = 0; // errno when the entry could not be examined (not ENOENT)
};

EntryInfo GetEntryInfo(const QString& path);

// The names in `folder`, without "." and "..", and without the temporary
// files of copies. False (with the error text) when the folder cannot be read.
bool ListFolderEntries(const QString& folder, QStringList* names, QString* error);

// Creates `folder` and every missing folder above it. An existing folder
// (or a link to one) is fine; any other entry in the way is an error.
bool CreateFolderPath(const QString& folder, QString* error);

// "<path>: <the system's text for errorNumber>".
QString FileErrorText(const QString& path, int errorNumber);

// Removes a file, a link or a folder with everything in it, for good. Links
// are removed themselves, never followed. Goes on past entries it cannot
// remove and reports the first failure.
bool DeleteForGood(const QString& path, QString* error);

// Copies into destination folders. One copier serves one file operation: it
// remembers the folders it has cleaned of leftover temporary files and the
// file systems it wrote to, which Flush() syncs once at the end (new files are
// not flushed one by one).
//
// A file that replaces another must be on the disk before it is renamed over
// the old one, so that a power cut leaves the old file or the new one, never
// an empty one. Flushing each such file by itself costs a journal commit per
// file, so replacements wait, complete in their temporary files, and are
// renamed into place together after one syncfs of their file system: when
// 1024 of them or 256 MiB are waiting, when a copy reads a file that is
// waiting to be replaced, and in Flush(). Until then the old file stays.
// A replacement that fails at that point is reported by TakeFailures() with
// the tag that was current when it was copied.
//
// Copies may run on several threads at once (each CopyFile call on its own
// files); the copier's own records are locked.
class CFileCopier
{
public:
    // Called with the number of bytes copied since the last call.
    using BytesCallback = std::function<void(quint64 bytes)>;

    // What the caller found a moment ago about both paths (saves examining them again).
    struct Known
    {
        EntryKind source = EntryKind::Missing;
        EntryKind destination = EntryKind::Missing;
        // False: the destination was not examined. A file is then put in place
        // only where nothing is (rename without replacing); a file found there
        // makes the copy a replacement, as if it had been known.
        bool destinationKnown = true;
    };
    // A replacement that could not be completed after its copy had succeeded.
    struct DeferredFailure
    {
        quint64 tag = 0;
        QString error;
    };

    CFileCopier();
    ~CFileCopier();
    CFileCopier(const CFileCopier&) = delete;
    CFileCopier& operator=(const CFileCopier&) = delete;

    // Copies a regular file or a symbolic link to the file path `destination`,
    // whose folder must exist. An existing file or link there is replaced; a
    // folder there is never replaced. The copy takes the source's modification
    // time (nanoseconds) and permission bits. When the source changes while it
    // is copied, nothing is replaced and the copy fails.
    bool CopyFile(const QString& source, const QString& destination, const BytesCallback& progress, QString* error);
    // The same, with what the caller knows about both paths; `tag` names the
    // copy in TakeFailures() when it replaces a file.
    bool CopyFile(const QString& source, const QString& destination, const Known& known, const BytesCallback& progress,
        QString* error, quint64 tag = 0);

    // Makes sure `destination` is a folder, creating it (one level) when missing;
    // fails when a file or link is in the way.
    bool MakeFolder(const QString& destination, QString* error);
    // Gives the folder `destination` the times of the folder `source` (done
    // after its contents were copied, which changes the time again).
    bool CopyFolderTime(const QString& source, const QString& destination, QString* error);

    // Completes the waiting replacements: one syncfs per file system, then
    // each is renamed into place.
    void CommitReplacements();
    // The replacements that failed since the last call, in the order met.
    std::vector<DeferredFailure> TakeFailures();

    // Completes the waiting replacements and flushes every file system
    // written to (syncfs). False, with the error, when the system reported a
    // write-back failure.
    bool Flush(QString* error);

private:
    struct Pending
    {
        QByteArray temporary;
        QByteArray destination;
        QString destinationName;
        quint64 device = 0;
        quint64 tag = 0;
        int fd = -1; // the temporary file, open (and locked) until it is completed
    };

    enum class Existing { No, Yes, Unknown };
    bool CopyRegularFile(const QByteArray& source, const QByteArray& destination, const QString& sourceName,
        const QString& destinationName, Existing existing, const BytesCallback& progress, QString* error, quint64 tag);
    bool CopyLink(const QByteArray& source, const QByteArray& destination, const QString& sourceName,
        const QString& destinationName, QString* error);
    // Cleans `folder` of leftovers once and notes its file system; its device.
    quint64 PrepareFolder(const QByteArray& folder);
    void CommitLocked(std::unique_lock<std::mutex>& lock);

    std::mutex m_mutex;
    std::map<QByteArray, quint64> m_cleanedFolders; // folder -> its device
    std::map<quint64, int> m_fileSystems; // device -> an open folder on it, for syncfs
    std::vector<Pending> m_pending;
    std::set<QByteArray> m_pendingDestinations;
    quint64 m_pendingBytes = 0;
    std::vector<DeferredFailure> m_failures;
};

// Test hooks of the copy layer. They exist so that tests can produce faults
// that real disks produce only rarely; nothing else uses them.
namespace FileCopyTestHooks {
// From now on the copies of this process behave as on a disk with room for
// `bytes` bytes of copy data: a write that does not fit fails with
// `errorNumber`, and a failed copy gives its room back when its temporary
// file is removed. A negative value switches the fault off. The environment variable
// PAIRWELL_TEST_FAIL_WRITES_AFTER sets the same fault (ENOSPC) at start-up.
void FailWritesAfter(qint64 bytes, int errorNumber = 28 /* ENOSPC */);
// Called after the data of a file has been copied, before the copy is
// checked against its source and renamed into place.
void SetAfterDataHook(std::function<void(const QString& source, const QString& destination)> hook);
// The environment variable PAIRWELL_TEST_STOP_AFTER_BYTES=N makes the process
// stop itself (SIGSTOP) once it has copied N bytes of one file, so that a test
// can kill it in the middle of a copy at a known point.
} // namespace FileCopyTestHooks
