#include "core/platform/Paths.h"

#include "core/platform/FileName.h"
#include "core/platform/FolderHandles.h"
#include "core/platform/MountTable.h"

#include <QDateTime>
#include <QDir>
#include <QHash>
#include <QLocale>
#include <QMimeDatabase>
#include <QVarLengthArray>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// The word that names a file without a known type ("ファイル").
const QString& FileWord()
{
    static const QString word = QStringLiteral("ファイル");
    return word;
}

struct Caches
{
    std::mutex mutex;
    QHash<QString, QString> typeNames; // upper-cased extension → known type name or empty
    QHash<QByteArray, bool> fixedMounts; // mount identity → fixed disk
};

Caches& GetCaches()
{
    static Caches caches;
    return caches;
}

bool IsDotComponent(QStringView part)
{
    return part == u"." || part == u"..";
}

bool IsDotOrEmptyComponent(const char16_t* part, qsizetype length)
{
    return length == 0 || (part[0] == u'.' && (length == 1 || (length == 2 && part[1] == u'.')));
}

// Whether `path` is already in the form NormalizePath gives: no empty, "." or
// ".." components and no trailing "/" (except the root itself).
bool IsNormalized(QStringView path)
{
    if (path.isEmpty())
        return false;
    if (path == u"/")
        return true;
    if (path.endsWith(u'/'))
        return false;
    // One pass over the characters: every path of a scan comes here.
    const char16_t* units = path.utf16();
    const qsizetype size = path.size();
    qsizetype start = units[0] == u'/' ? 1 : 0;
    for (qsizetype end = start; end <= size; ++end) {
        if (end < size && units[end] != u'/')
            continue;
        if (IsDotOrEmptyComponent(units + start, end - start))
            return false;
        start = end + 1;
    }
    return true;
}

// Resolves "." and ".." and repeated "/" lexically. ".." above the root of an
// absolute path stays at the root; leading ".." of a relative path are kept.
QString NormalizePath(QStringView path)
{
    if (path.isEmpty())
        return {};
    if (IsNormalized(path))
        return path.toString();
    const bool absolute = path.startsWith(u'/');
    QVarLengthArray<QStringView, 64> parts;
    for (const QStringView part : path.tokenize(u'/', Qt::SkipEmptyParts)) {
        if (part == u".")
            continue;
        if (part == u"..") {
            if (!parts.isEmpty() && parts.last() != u"..")
                parts.removeLast();
            else if (!absolute)
                parts.append(part);
            continue;
        }
        parts.append(part);
    }
    QString result;
    result.reserve(path.size());
    if (absolute)
        result.append(u'/');
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            result.append(u'/');
        result.append(parts.at(i));
    }
    if (result.isEmpty())
        result = QStringLiteral(".");
    return result;
}

bool IsSimpleName(QStringView name)
{
    return !name.isEmpty() && !name.contains(u'/') && !IsDotComponent(name);
}

QString CurrentFolder()
{
    char* cwd = ::getcwd(nullptr, 0);
    if (!cwd)
        return QStringLiteral("/");
    const QString folder = DecodeFileName(QByteArray(cwd));
    std::free(cwd);
    return folder;
}

QString AbsolutePath(const QString& path)
{
    if (path.startsWith(u'/'))
        return NormalizePath(path);
    return JoinPath(CurrentFolder(), path);
}

// The path itself when it exists, with links resolved; otherwise its nearest
// existing ancestor, resolved.
QByteArray ResolveExisting(QByteArray bytes)
{
    for (;;) {
        char* real = ::realpath(bytes.constData(), nullptr);
        if (real) {
            QByteArray resolved(real);
            std::free(real);
            return resolved;
        }
        const qsizetype slash = bytes.lastIndexOf('/');
        if (slash <= 0)
            return QByteArray("/");
        bytes.truncate(slash);
    }
}

bool ReadFlagFile(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char c = 0;
    const ssize_t n = ::read(fd, &c, 1);
    ::close(fd);
    return n == 1 && c == '1';
}

// A block device is removable when sysfs marks it (or the disk of a partition)
// removable, when it sits on the USB bus, or when a device it is built on
// (device mapper, md) is removable.
bool IsRemovableBlockDevice(unsigned major, unsigned minor, int depth)
{
    char link[64];
    std::snprintf(link, sizeof link, "/sys/dev/block/%u:%u", major, minor);
    char* real = ::realpath(link, nullptr);
    if (!real)
        return false;
    const QByteArray dir(real);
    std::free(real);
    if (dir.contains("/usb"))
        return true;
    if (ReadFlagFile(dir + "/removable") || ReadFlagFile(dir + "/../removable"))
        return true;
    if (depth >= 4)
        return false;
    bool removable = false;
    const QByteArray slavesPath = dir + "/slaves";
    if (DIR* slaves = ::opendir(slavesPath.constData())) {
        while (const dirent* entry = ::readdir(slaves)) {
            if (entry->d_name[0] == '.')
                continue;
            const QByteArray devPath = slavesPath + '/' + entry->d_name + "/dev";
            const int fd = ::open(devPath.constData(), O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                continue;
            char text[32] = {};
            const ssize_t n = ::read(fd, text, sizeof text - 1);
            ::close(fd);
            unsigned slaveMajor = 0;
            unsigned slaveMinor = 0;
            if (n > 0 && std::sscanf(text, "%u:%u", &slaveMajor, &slaveMinor) == 2
                && IsRemovableBlockDevice(slaveMajor, slaveMinor, depth + 1)) {
                removable = true;
                break;
            }
        }
        ::closedir(slaves);
    }
    return removable;
}

bool IsFixedMount(const MountEntry& mount)
{
    if (IsNetworkFileSystem(mount.fsType))
        return false;
    unsigned major = mount.major;
    unsigned minor = mount.minor;
    // File systems such as btrfs report an anonymous device; the source names the real one.
    struct stat st = {};
    if (mount.source.startsWith("/dev/") && ::stat(mount.source.constData(), &st) == 0 && S_ISBLK(st.st_mode)) {
        major = ::major(st.st_rdev);
        minor = ::minor(st.st_rdev);
    }
    if (major == 0)
        return true; // a virtual file system (tmpfs, overlay …) lives on this machine
    return !IsRemovableBlockDevice(major, minor, 0);
}

// The path with trailing "/" removed, "." and ".." resolved when present.
QString TrimmedPath(const QString& path)
{
    if (path.isEmpty() || IsNormalized(path))
        return path;
    return NormalizePath(path);
}

} // namespace

QString JoinPath(const QString& folder, const QString& name)
{
    if (name.startsWith(u'/') || folder.isEmpty())
        return NormalizePath(name);
    if (name.isEmpty())
        return NormalizePath(folder);
    // The common case of a scan: a clean folder and a plain entry name.
    if (IsSimpleName(name) && IsNormalized(folder)) {
        if (folder == u"/")
            return QLatin1Char('/') + name;
        return folder + QLatin1Char('/') + name;
    }
    QString combined;
    combined.reserve(folder.size() + 1 + name.size());
    combined.append(folder);
    combined.append(u'/');
    combined.append(name);
    return NormalizePath(combined);
}

QString GetParentFolder(const QString& path)
{
    const QString trimmed = TrimmedPath(path);
    if (trimmed.isEmpty() || trimmed == u"/")
        return trimmed;
    const qsizetype slash = trimmed.lastIndexOf(u'/');
    if (slash < 0)
        return {};
    if (slash == 0)
        return QStringLiteral("/");
    return trimmed.left(slash);
}

QString GetLastComponent(const QString& path)
{
    const QString trimmed = TrimmedPath(path);
    if (trimmed == u"/")
        return trimmed;
    const qsizetype slash = trimmed.lastIndexOf(u'/');
    return slash < 0 ? trimmed : trimmed.mid(slash + 1);
}

QString QuotePath(const QString& path)
{
    if (!path.contains(u' '))
        return path;
    return QLatin1Char('"') + path + QLatin1Char('"');
}

QString GetRoot(const QString& path)
{
    const QByteArray bytes = EncodeFileName(AbsolutePath(path));
    const std::vector<MountEntry> mounts = ReadMountTable();
    const MountEntry* mount = FindMount(mounts, bytes);
    if (!mount)
        return QStringLiteral("/");
    return DecodeFileName(mount->mountPoint);
}

QString CleanPath(const QString& path)
{
    return NormalizePath(path);
}

bool TestFolderReachable(const QString& path)
{
    if (path.isEmpty())
        return false;
    struct stat st = {};
    return ::stat(EncodeFileName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool TestFolderReachable(const QString& path, const QString& root)
{
    RootedPath rooted;
    return SplitAtRoot(root, path, &rooted) && IsFolderThere(rooted);
}

bool IsFixedDrive(const QString& path)
{
    const QByteArray resolved = ResolveExisting(EncodeFileName(AbsolutePath(path)));
    const std::vector<MountEntry> mounts = ReadMountTable();
    const MountEntry* mount = FindMount(mounts, resolved);
    if (!mount)
        return true;
    const QByteArray identity
        = QByteArray::number(mount->id) + '\n' + mount->mountPoint + '\n' + mount->fsType + '\n' + mount->source;
    Caches& caches = GetCaches();
    {
        std::lock_guard lock(caches.mutex);
        const auto found = caches.fixedMounts.constFind(identity);
        if (found != caches.fixedMounts.constEnd())
            return found.value();
    }
    const bool fixed = IsFixedMount(*mount);
    std::lock_guard lock(caches.mutex);
    caches.fixedMounts.insert(identity, fixed);
    return fixed;
}

QByteArray StateFolder()
{
    QByteArray state = qgetenv("XDG_STATE_HOME");
    if (!state.startsWith('/')) {
        const QByteArray home = qgetenv("HOME");
        if (!home.startsWith('/'))
            return {};
        state = home + "/.local/state";
    }
    return state + "/pairwell";
}

QString MakeTempFileName(const QString& prefix)
{
    // Qt gives an empty path when TMPDIR names a folder that does not exist.
    QByteArray pattern = EncodeFileName(QDir::tempPath());
    if (pattern.isEmpty())
        return {};
    if (!pattern.endsWith('/'))
        pattern.append('/');
    pattern.append(EncodeFileName(prefix));
    pattern.append("XXXXXX.TMP");
    const int fd = ::mkostemps(pattern.data(), 4, O_CLOEXEC); // creates the file with mode 0600
    if (fd < 0)
        return {};
    ::close(fd);
    return DecodeFileName(pattern);
}

QString FormatDateTime(qint64 secondsSinceEpoch)
{
    const QDateTime time = QDateTime::fromSecsSinceEpoch(secondsSinceEpoch, Qt::LocalTime);
    if (!time.isValid())
        return {};
    const QLocale locale = QLocale::system();
    // The locale's short time with the seconds that some locales leave out
    // (ja_JP: "H:mm"): two files a second apart must not read alike.
    const auto withSeconds = [](const QString& format) -> QString {
        qsizetype hoursEnd = -1;
        qsizetype minutesStart = -1;
        qsizetype minutesEnd = -1;
        bool quoted = false;
        for (qsizetype i = 0; i < format.size(); ++i) {
            const QChar c = format[i];
            if (c == u'\'')
                quoted = !quoted;
            else if (quoted)
                continue;
            else if (c == u's')
                return format;
            else if (c == u'h' || c == u'H')
                hoursEnd = i + 1;
            else if (c == u'm') {
                if (minutesStart < 0)
                    minutesStart = i;
                minutesEnd = i + 1;
            }
        }
        if (minutesEnd < 0)
            return format;
        QString separator
            = hoursEnd >= 0 && hoursEnd < minutesStart ? format.mid(hoursEnd, minutesStart - hoursEnd) : QString();
        if (separator.isEmpty() || separator.contains(u'\''))
            separator = QStringLiteral(":");
        return format.left(minutesEnd) + separator + QStringLiteral("ss") + format.mid(minutesEnd);
    };
    return locale.toString(time.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(time.time(), withSeconds(locale.timeFormat(QLocale::ShortFormat)));
}

namespace {

// The upper-cased extension of the last component without its dot; empty
// when there is none (a name that begins with its only dot is a hidden file
// without an extension).
QString ExtensionKey(const QString& path)
{
    const QString name = GetLastComponent(path);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0 || dot == name.size() - 1)
        return {};
    return name.mid(dot + 1).toUpper();
}

} // namespace

QString GetKnownTypeName(const QString& path)
{
    const QString key = ExtensionKey(path);
    if (key.isEmpty())
        return {};
    Caches& caches = GetCaches();
    {
        std::lock_guard lock(caches.mutex);
        const auto found = caches.typeNames.constFind(key);
        if (found != caches.typeNames.constEnd())
            return found.value();
    }
    const QMimeType type = QMimeDatabase().mimeTypeForFile(GetLastComponent(path), QMimeDatabase::MatchExtension);
    const QString typeName = type.isValid() && !type.isDefault() ? type.comment() : QString();
    std::lock_guard lock(caches.mutex);
    caches.typeNames.insert(key, typeName);
    return typeName;
}

QString GetFileTypeName(const QString& path)
{
    const QString known = GetKnownTypeName(path);
    return known.isEmpty() ? ExtensionKey(path) + FileWord() : known;
}

QString GetFileTypeText(const QString& path)
{
    const QString known = GetKnownTypeName(path);
    return known.isEmpty() ? ExtensionKey(path) + QLatin1Char(' ') + FileWord() : known;
}

void ResetCaches()
{
    Caches& caches = GetCaches();
    std::lock_guard lock(caches.mutex);
    caches.typeNames.clear();
    caches.fixedMounts.clear();
}
