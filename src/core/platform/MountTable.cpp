#include "core/platform/MountTable.h"

#include <QList>
#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The kernel writes space, tab, newline and backslash in mount points as \ooo.
QByteArray DecodeOctalEscapes(const QByteArray& field)
{
    if (!field.contains('\\'))
        return field;
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field.at(i);
        if (c == '\\' && i + 3 < field.size()) {
            const char a = field.at(i + 1);
            const char b = field.at(i + 2);
            const char d = field.at(i + 3);
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && d >= '0' && d <= '7') {
                out.append(static_cast<char>(((a - '0') << 6) | ((b - '0') << 3) | (d - '0')));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return out;
}

bool ParseDevice(const QByteArray& field, unsigned& major, unsigned& minor)
{
    const qsizetype colon = field.indexOf(':');
    if (colon <= 0)
        return false;
    bool okMajor = false;
    bool okMinor = false;
    major = field.left(colon).toUInt(&okMajor);
    minor = field.mid(colon + 1).toUInt(&okMinor);
    return okMajor && okMinor;
}

QByteArray ReadWholeFile(const char* path)
{
    QByteArray content;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return content;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        content.append(buffer, n);
    }
    ::close(fd);
    return content;
}

} // namespace

std::vector<MountEntry> ParseMountInfo(const QByteArray& text)
{
    std::vector<MountEntry> mounts;
    for (const QByteArray& line : text.split('\n')) {
        // id parent major:minor root mount-point options [optional…] - type source super-options
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 7)
            continue;
        const qsizetype separator = fields.indexOf(QByteArray("-"), 6);
        if (separator < 0 || separator + 1 >= fields.size())
            continue;
        MountEntry entry;
        bool okId = false;
        entry.id = fields.at(0).toInt(&okId);
        if (!okId || !ParseDevice(fields.at(2), entry.major, entry.minor))
            continue;
        entry.root = DecodeOctalEscapes(fields.at(3));
        entry.mountPoint = DecodeOctalEscapes(fields.at(4));
        if (!entry.mountPoint.startsWith('/'))
            continue;
        entry.fsType = fields.at(separator + 1);
        if (separator + 2 < fields.size())
            entry.source = DecodeOctalEscapes(fields.at(separator + 2));
        mounts.push_back(std::move(entry));
    }
    return mounts;
}

std::vector<MountEntry> ReadMountTable()
{
    return ParseMountInfo(ReadWholeFile("/proc/self/mountinfo"));
}

const MountEntry* FindMount(const std::vector<MountEntry>& mounts, const QByteArray& pathBytes)
{
    const MountEntry* best = nullptr;
    for (const MountEntry& mount : mounts) {
        const QByteArray& point = mount.mountPoint;
        bool holds = false;
        if (point == "/")
            holds = pathBytes.startsWith('/');
        else
            holds = pathBytes.startsWith(point)
                && (pathBytes.size() == point.size() || pathBytes.at(point.size()) == '/');
        // Among mounts on the same point the later one is on top.
        if (holds && (!best || point.size() >= best->mountPoint.size()))
            best = &mount;
    }
    return best;
}

bool IsNetworkFileSystem(const QByteArray& fsType)
{
    static constexpr std::array<const char*, 30> kNetworkTypes = {
        "nfs",
        "nfs4",
        "cifs",
        "smb3",
        "smbfs",
        "sshfs",
        "fuse.sshfs",
        "9p",
        "afs",
        "ceph",
        "fuse.ceph",
        "glusterfs",
        "fuse.glusterfs",
        "davfs",
        "fuse.davfs",
        "fuse.davfs2",
        "fuse.rclone",
        "fuse.s3fs",
        "fuse.gcsfuse",
        "fuse.curlftpfs",
        "fuse.smbnetfs",
        "fuse.gvfsd-fuse",
        "fuse.onedriver",
        "ncpfs",
        "coda",
        "lustre",
        "gfs2",
        "ocfs2",
        "beegfs",
        "orangefs",
    };
    return std::any_of(kNetworkTypes.begin(), kNetworkTypes.end(), [&](const char* type) { return fsType == type; });
}
