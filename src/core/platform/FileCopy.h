#pragma once

#include "core/platform/FolderHandles.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <unordered_map>
#include <vector>

// The low-level copying and deleting under the file operation of the sync
// runs. Everything works on the bytes of the names (EncodeFileName), relative
// to folders opened from the root of their pair without following links
// (FolderHandles.h): no link below a root is ever followed, not even one
// swapped in while a run works. A link is an entry: copied as a link, deleted
// as a link. Functions that take a plain path take its parent folder as its
// root (SplitAtParent): the entry and everything below it are never followed.
//
// No half-written file ever carries a real name: data goes to an unnamed
// temporary file (O_TMPFILE) of the destination folder that gets its name
// only when it is complete, so a crash leaves nothing behind. Where the file
// system has no unnamed files, a named one (beginning with kTempCopyPrefix)
// is used; the names of those are recorded (TempRecord.h) so that a later
// run removes exactly these leftovers and never a user's file.

// What an entry is, seen without following a link.
enum class EntryKind { Missing, File, Folder, Link, Other };

struct EntryInfo
{
    EntryKind kind = EntryKind::Missing;
    quint64 size = 0;
    int error = 0; // errno when the entry could not be examined (not ENOENT)
};

// The entry itself (a root is followed: it is the user's folder).
EntryInfo GetEntryInfo(const RootedPath& path);
EntryInfo GetEntryInfo(const QString& path);

// The names in `folder`, without "." and "..", and without the trash folder
// of a volume when `folder` is the top of a mount. False (with the errno)
// when the folder cannot be read.
bool ListFolderEntries(const RootedPath& folder, std::vector<QByteArray>* names, int* error);
bool ListFolderEntries(const QString& folder, QStringList* names, QString* error);

// Creates `folder` and every missing folder above it. The root itself is
// created as named when missing; the folders below it one by one, never
// through a link. An existing folder is fine; any other entry in the way
// (a link included) is an error.
bool CreateFolderPath(const RootedPath& folder, QString* error);
bool CreateFolderPath(const QString& folder, QString* error);

// "<path>: <the system's text for errorNumber>".
QString FileErrorText(const QString& path, int errorNumber);

// Removes a file, a link or a folder with everything in it, for good. Links
// are removed themselves, never followed; the trash folder of a volume in
// the top folder of a mount is left alone. Goes on past entries it cannot
// remove and reports the first failure.
bool DeleteForGood(const RootedPath& path, QString* error);
bool DeleteForGood(const QString& path, QString* error);

class CTempRecord;

// What a copy of a regular file left at its destination, as stored there
// (a file system may round the time it was given).
struct CopiedFile
{
    bool known = false; // false for anything but a regular file copied
    qint64 size = 0;
    qint64 modified = 0; // nanoseconds since 1970
};

// Copies into destination folders. One copier serves one file operation: it
// remembers the folders it wrote to, the files it put in place and the file
// systems it wrote to, which Flush() syncs once at the end (new files are
// not flushed one by one).
//
// A file that replaces another must be on the disk before it is renamed over
// the old one, so that a power cut leaves the old file or the new one, never
// an empty one. Flushing each such file by itself costs a journal commit per
// file, so replacements wait, complete in their temporary files, and are
// renamed into place together after one syncfs of their file system: when
// 256 of them or 256 MiB are waiting, when a copy reads a file that is
// waiting to be replaced, and in Flush(). Until then the old file stays.
// A replacement that fails at that point is reported by TakeFailures() with
// the tag that was current when it was copied.
//
// On a file system that folds letter case (vfat, exFAT), two names of one
// operation may land on one file: the copy that would replace a file this
// copier put in place (or is replacing) under another name fails, naming
// both; neither replaces the other.
//
// Copies may run on several threads at once (each CopyFile call on its own
// files); the copier's own records are locked.
class CFileCopier
{
public:
    // Called with the number of bytes copied since the last call.
    using BytesCallback = std::function<void(quint64 bytes)>;
    // The source of the copy with tag `tag`, for messages that name two copies.
    using TagName = std::function<QString(quint64 tag)>;

    // What the copy of a regular file must still find, as its caller saw it
    // earlier: it looks for itself when it opens the source and when it
    // puts the new file in place, with no examination of its own before.
    struct Expected
    {
        // The source, as opened, is a regular file of this size and
        // modification time (nanoseconds).
        bool source = false;
        qint64 sourceSize = 0;
        qint64 sourceModified = 0;
        // Nothing is at the destination when the file is put in place: a
        // file found there is left as it is (never replaced).
        bool destinationFree = false;
    };
    // Why a copy did not find what was expected (Known::refused).
    enum class Refusal { None, SourceChanged, DestinationTaken };

    // What the caller found a moment ago about both paths (saves examining them again).
    struct Known
    {
        EntryKind source = EntryKind::Missing;
        EntryKind destination = EntryKind::Missing;
        // False: the destination was not examined. A file is then put in place
        // only where nothing is (rename without replacing); a file found there
        // makes the copy a replacement, as if it had been known.
        bool destinationKnown = true;
        Expected expected = {};
        // Set (when given) to why the copy failed for `expected`: nothing was touched.
        Refusal* refused = nullptr;
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

    void SetTagName(TagName name) { m_tagName = std::move(name); }

    // With `on`, a file that a copy replaces goes to the trash (see ReplaceInPlace).
    void SetTrashReplaced(bool on) { m_trashReplaced = on; }
    // A file put in place over another one.
    struct Replacement
    {
        quint64 tag = 0;
        QString trashedAs; // where the old file went; empty: it is gone for good
    };
    // The replacements completed since the last call.
    std::vector<Replacement> TakeReplacements();

    // Copies a regular file or a symbolic link to the file path `destination`,
    // whose folder must exist. An existing file or link there is replaced; a
    // folder there is never replaced. The copy takes the source's modification
    // time (nanoseconds) and permission bits. When the source changes while it
    // is copied, nothing is replaced and the copy fails. A source that is not
    // a regular file or a link (a FIFO, a socket, a device) is never opened:
    // the copy fails.
    bool CopyFile(const QString& source, const QString& destination, const BytesCallback& progress, QString* error);
    // The same, with what the caller knows about both paths; `tag` names the
    // copy in TakeFailures() when it replaces a file.
    // `written`, when given, gets what a regular file's copy left in place.
    bool CopyFile(const QString& source, const QString& destination, const Known& known, const BytesCallback& progress,
        QString* error, quint64 tag = 0);
    bool CopyFile(const RootedPath& source, const RootedPath& destination, const Known& known,
        const BytesCallback& progress, QString* error, quint64 tag = 0, CopiedFile* written = nullptr);

    // Makes sure `destination` is a folder, creating it (one level) when missing;
    // fails when a file or link is in the way.
    bool MakeFolder(const RootedPath& destination, QString* error);
    bool MakeFolder(const QString& destination, QString* error);
    // Gives the folder `destination` the times of the folder `source` (done
    // after its contents were copied, which changes the time again).
    bool CopyFolderTime(const RootedPath& source, const RootedPath& destination, QString* error);

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
    struct Folder; // a destination folder written to
    struct Pending;
    struct Identity
    {
        quint64 device = 0;
        quint64 inode = 0;
        bool operator==(const Identity& other) const { return device == other.device && inode == other.inode; }
    };
    struct IdentityHash
    {
        size_t operator()(const Identity& id) const { return std::hash<quint64>()(id.inode * 31 + id.device); }
    };
    // A file this copier put in place (or is replacing), by its identity.
    struct Placed
    {
        quint64 folderInode = 0;
        quint64 tag = 0;
        uint nameHash = 0;
        uint foldedHash = 0; // of the name with letter case folded
        bool created = false; // made by this copier (else an existing file it replaces)
    };

    // A regular file is copied in steps: open the source, open a temporary
    // file beside the destination, copy the bytes, verify the copy against
    // its source (and give it the source's times and permissions), put it in
    // place. Each step fails with `error`, the temporary file removed.
    struct RegularCopy;
    bool CopyRegularFile(const RootedPath& source, const RootedPath& destination, const Known& known,
        const BytesCallback& progress, QString* error, quint64 tag, CopiedFile* written);
    static bool OpenSourceFile(RegularCopy& copy);
    bool OpenTemporary(RegularCopy& copy);
    static bool CopyBytes(RegularCopy& copy, const BytesCallback& progress);
    enum class RangeCopy { Done, Failed, FallBack };
    // copy_file_range; FallBack where the file systems cannot (the rest by reading and writing).
    static RangeCopy CopyRanges(RegularCopy& copy, const BytesCallback& progress);
    static bool CopyByReading(RegularCopy& copy, const BytesCallback& progress);
    static bool Verify(RegularCopy& copy);
    bool PutInPlace(RegularCopy& copy, quint64 tag);
    enum class NewPlacement { Placed, Failed, Taken };
    // Names the copy where nothing is; Taken when a file is there after all.
    NewPlacement PlaceNewFile(RegularCopy& copy, quint64 tag);
    // Fails the copy that found its destination taken where it expected none.
    void RefuseTakenPlace(RegularCopy& copy, quint64 tag);
    // Checks and notes the file that the copy replaces.
    bool ClaimReplacedFile(RegularCopy& copy, quint64 tag);
    // Leaves the replacement waiting for the next flush of its file system.
    bool QueueReplacement(RegularCopy& copy, quint64 tag);
    bool CopyLink(const RootedPath& source, const RootedPath& destination, QString* error, quint64 tag);
    // The destination folder that holds `destination` (opened into `handle`,
    // the entry's name into `name`), noted for the flush; null on failure.
    std::shared_ptr<Folder> PrepareFolder(
        const RootedPath& destination, QByteArray* name, int* error, FolderHandle* handle);
    // A temporary file in the folder: unnamed where the file system allows,
    // else named (`name`) and recorded.
    bool CreateTemporary(const FolderHandle& handle, Folder& folder, int* fd, QByteArray* name, int* error);
    // Notes the file `id` named `name` in `folder`; false (and the other
    // copy's tag) when another name of that folder already took it.
    bool NotePlaced(
        const Folder& folder, const QByteArray& name, Identity id, bool created, quint64 tag, quint64* otherTag);
    // Forgets the file `id` that the copy with `tag` noted and then did not put in place.
    void ForgetPlaced(Identity id, quint64 tag);
    QString CollisionMessage(const RootedPath& destination, quint64 tag, quint64 otherTag) const;
    void CommitLocked(std::unique_lock<std::mutex>& lock);
    // Renames the complete temporary file (or link) over the destination: 0,
    // an errno, or -1 with `error` set when the trash could not take the old
    // file. With m_mutex held.
    int ReplaceInPlace(int dirFd, const QByteArray& temporary, const Pending& pending, QString* error);
    CTempRecord& Record();

    std::mutex m_mutex;
    std::map<QByteArray, std::shared_ptr<Folder>> m_folders; // by Full() of the folder
    std::map<quint64, int> m_fileSystems; // device -> an open folder on it, for syncfs
    std::vector<Pending> m_pending;
    std::set<QByteArray> m_pendingDestinations;
    quint64 m_pendingBytes = 0;
    std::vector<DeferredFailure> m_failures;
    std::unordered_map<Identity, Placed, IdentityHash> m_placed;
    std::unique_ptr<CTempRecord> m_record;
    TagName m_tagName;
    bool m_trashReplaced = false;
    std::vector<Replacement> m_replacements;
};

// Test hooks of the copy layer. They exist so that tests can produce faults
// that real disks produce only rarely; nothing else uses them.
namespace FileCopyTestHooks {
// From now on the copies of this process behave as on a disk with room for
// `bytes` bytes of copy data: a write that does not fit fails with
// `errorNumber`, and a failed copy gives its room back when its temporary
// file is removed. A negative value switches the fault off.
void FailWritesAfter(qint64 bytes, int errorNumber = 28 /* ENOSPC */);
// Called after the data of a file has been copied, before the copy is
// checked against its source and renamed into place.
void SetAfterDataHook(std::function<void(const QString& source, const QString& destination)> hook);
// Called on the copying thread after each piece of a file's data with the
// bytes of that file copied so far (a plain function: it is looked at for
// every piece). Null switches it off.
using DataHook = void (*)(quint64 copiedOfThisFile);
void SetDataHook(DataHook hook);
} // namespace FileCopyTestHooks
