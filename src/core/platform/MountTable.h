#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// The mounts of the process as /proc/self/mountinfo lists them. Used to find
// the mount that holds a path (its root) and to tell fixed local disks from
// network file systems and removable media.
struct MountEntry
{
    int id = 0;
    unsigned major = 0;
    unsigned minor = 0;
    QByteArray root; // the folder of the file system that is mounted there ("/" for all of it)
    QByteArray mountPoint; // bytes, octal escapes of the kernel decoded
    QByteArray fsType;
    QByteArray source;
};

// Parses the text of a mountinfo file; malformed lines are skipped.
std::vector<MountEntry> ParseMountInfo(const QByteArray& text);
// The current mounts of the process; empty when mountinfo cannot be read.
std::vector<MountEntry> ReadMountTable();
// The mount whose mount point is the longest component-wise prefix of the
// absolute path `pathBytes` (later mounts win over earlier ones on the same
// point); null when no mount holds it.
const MountEntry* FindMount(const std::vector<MountEntry>& mounts, const QByteArray& pathBytes);
// Whether the file system type is one that reaches its files over a network.
bool IsNetworkFileSystem(const QByteArray& fsType);
