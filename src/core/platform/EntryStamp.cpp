#include "core/platform/EntryStamp.h"

#include "core/platform/FileName.h"

#include <QCryptographicHash>
#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <vector>

namespace {

qint64 Nanoseconds(const timespec& time)
{
    return qint64(time.tv_sec) * 1'000'000'000 + qint64(time.tv_nsec);
}

EntryStamp FromStat(const struct stat& st)
{
    EntryStamp stamp;
    if (S_ISREG(st.st_mode))
        stamp.kind = EntryKind::File;
    else if (S_ISDIR(st.st_mode))
        stamp.kind = EntryKind::Folder;
    else if (S_ISLNK(st.st_mode))
        stamp.kind = EntryKind::Link;
    else
        stamp.kind = EntryKind::Other;
    stamp.size = S_ISDIR(st.st_mode) ? 0 : qint64(st.st_size);
    stamp.modified = Nanoseconds(st.st_mtim);
    return stamp;
}

EntryStamp FromFailure(int failure)
{
    EntryStamp stamp;
    // A link or a file in place of a folder above it: the entry is not there.
    if (failure != ENOENT && failure != ENOTDIR)
        stamp.error = failure;
    return stamp;
}

} // namespace

EntryStamp StampOf(const RootedPath& path)
{
    struct stat st;
    const int failure = StatEntry(path, &st);
    return failure == 0 ? FromStat(st) : FromFailure(failure);
}

EntryStamp StampOfPath(const QString& path)
{
    const QByteArray bytes = EncodeFileName(path);
    struct stat st;
    if (!bytes.startsWith('/') || ::lstat(bytes.constData(), &st) != 0)
        return FromFailure(bytes.startsWith('/') ? errno : EINVAL);
    return FromStat(st);
}

QByteArray TreeFingerprint(const RootedPath& path)
{
    // Without recursion: a tree may be very deep. Names in sorted order, so
    // that the same tree gives the same fingerprint.
    CFolderCache folders;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    std::vector<RootedPath> pending{path};
    while (!pending.empty()) {
        const RootedPath entry = pending.back();
        pending.pop_back();
        struct stat st;
        const int failure = StatEntry(entry, &st);
        if (failure != 0)
            return {};
        const qint64 fields[] = {qint64(st.st_ino), qint64(st.st_mode), qint64(st.st_size), Nanoseconds(st.st_mtim),
            Nanoseconds(st.st_ctim)};
        hash.addData(entry.below);
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(fields), sizeof fields));
        if (!S_ISDIR(st.st_mode))
            continue;
        std::vector<QByteArray> names;
        int error = 0;
        if (!ListFolderEntries(entry, &names, &error))
            return {};
        std::sort(names.begin(), names.end(), std::greater<>());
        for (const QByteArray& name : names)
            pending.push_back(entry.Child(name));
    }
    return hash.result();
}
