#include "core/platform/Trash.h"

#include "core/platform/FileCopy.h"
#include "core/platform/FileName.h"
#include "core/platform/FileSystem.h"
#include "core/platform/MountTable.h"

#include <QDateTime>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Names in the trash leave room for ".trashinfo" and a number within the
// 255 bytes a name may have; a longer one is stored shortened.
constexpr qsizetype kLongestTrashName = 255 - 10 - 8;
constexpr qsizetype kShortenedName = 200;

QString NoTrashText()
{
    return QStringLiteral("ごみ箱に移動できません。このボリュームにはごみ箱がありません。");
}

QString CannotTrashText()
{
    return QStringLiteral("ごみ箱に移動できません。");
}

bool Fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

QByteArray ParentOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash <= 0)
        return QByteArrayLiteral("/");
    return path.left(slash);
}

QByteArray HomeTrash()
{
    QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    if (!dataHome.startsWith('/')) {
        const QByteArray home = qgetenv("HOME");
        if (!home.startsWith('/'))
            return {};
        dataHome = home + "/.local/share";
    }
    return dataHome + "/Trash";
}

// A folder of the trash that belongs to this user: created with mode 0700
// when missing; an existing one must be a real folder, not a link.
bool EnsurePrivateFolder(const QByteArray& path, bool checkOwner)
{
    if (::mkdir(path.constData(), 0700) == 0)
        return true;
    if (errno != EEXIST)
        return false;
    struct stat st;
    if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    if (checkOwner && (st.st_uid != ::getuid() || (st.st_mode & 0077) != 0))
        return false;
    return true;
}

bool EnsureTrashFolders(const QByteArray& trash, bool checkOwner)
{
    return EnsurePrivateFolder(trash, checkOwner) && EnsurePrivateFolder(trash + "/files", false)
        && EnsurePrivateFolder(trash + "/info", false);
}

// The path of an open folder as the kernel knows it (links resolved); empty
// when it cannot be told (a path too long for the system).
QByteArray PathOfFolder(int fd)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[PATH_MAX];
    const ssize_t n = ::readlink(link, target, sizeof target);
    if (n <= 0 || n == ssize_t(sizeof target) || target[0] != '/')
        return {};
    return QByteArray(target, n);
}

QByteArray CanonicalPath(const QByteArray& path)
{
    char* resolved = ::realpath(path.constData(), nullptr);
    if (!resolved)
        return {};
    QByteArray result(resolved);
    std::free(resolved);
    return result;
}

// `path` (absolute, in `mount`) as a path inside the file system.
QByteArray InFileSystem(const MountEntry& mount, const QByteArray& path)
{
    const QByteArray rest = mount.mountPoint == "/" ? path : path.mid(mount.mountPoint.size());
    if (mount.root == "/")
        return rest.isEmpty() ? QByteArrayLiteral("/") : rest;
    return mount.root + rest;
}

// The path that reaches the file-system path `fsPath` through `mount`, or empty when the mount does not show it.
QByteArray ThroughMount(const MountEntry& mount, const QByteArray& fsPath)
{
    const QByteArray& root = mount.root;
    QByteArray rest;
    if (root == "/")
        rest = fsPath;
    else if (fsPath == root)
        rest = QByteArray();
    else if (fsPath.startsWith(QByteArray(root + '/')))
        rest = fsPath.mid(root.size());
    else
        return {};
    if (mount.mountPoint == "/")
        return rest.isEmpty() ? QByteArrayLiteral("/") : rest;
    return mount.mountPoint + (rest == "/" ? QByteArray() : rest);
}

// Where an item goes: the trash folder and how its info file names the item.
struct TrashPlace
{
    QByteArray trash;
    QByteArray infoPath;
};

// The device of `path`, or of its deepest existing ancestor when it does not exist yet.
bool DeviceOf(QByteArray path, dev_t* device)
{
    struct stat st;
    for (;;) {
        if (::stat(path.constData(), &st) == 0) {
            *device = st.st_dev;
            return true;
        }
        if (path == "/")
            return false;
        path = ParentOf(path);
    }
}

enum class HomeTrashState { Elsewhere, Reached, NotOnThisMount, Broken };

// The home trash for an item on the device `device` in `itemMount`: reached
// through the item's own mount (a bind mount of the home file system shows
// it under another path), when the item is on its file system.
HomeTrashState HomeTrashFor(dev_t device, const MountEntry& itemMount, const std::vector<MountEntry>& mounts,
    const QByteArray& fullPath, TrashPlace* place, bool* sameMount)
{
    const QByteArray homeTrash = HomeTrash();
    dev_t homeDevice;
    if (homeTrash.isEmpty() || !DeviceOf(homeTrash, &homeDevice) || homeDevice != device)
        return HomeTrashState::Elsewhere;
    QString ignored;
    if (!CreateFolderPath(DecodeFileName(ParentOf(homeTrash)), &ignored) || !EnsureTrashFolders(homeTrash, false))
        return HomeTrashState::Broken;
    const QByteArray real = CanonicalPath(homeTrash);
    const MountEntry* homeMount = real.isEmpty() ? nullptr : FindMount(mounts, real);
    if (!homeMount)
        return HomeTrashState::Broken;
    *sameMount = homeMount->id == itemMount.id;
    const QByteArray reached = *sameMount ? homeTrash : ThroughMount(itemMount, InFileSystem(*homeMount, real));
    if (reached.isEmpty())
        return HomeTrashState::NotOnThisMount;
    *place = {reached, fullPath};
    return HomeTrashState::Reached;
}

// The trash at the top of the item's mount: $top/.Trash/$uid when the
// administrator provided a sticky .Trash folder, else $top/.Trash-$uid.
bool TopTrashFor(const MountEntry& itemMount, const QByteArray& fullPath, TrashPlace* place)
{
    const QByteArray& top = itemMount.mountPoint;
    const QByteArray topPrefix = top == "/" ? QByteArray() : top;
    const QByteArray uid = QByteArray::number(::getuid());
    struct stat shared;
    const QByteArray sharedTrash = topPrefix + "/.Trash";
    if (::lstat(sharedTrash.constData(), &shared) == 0 && S_ISDIR(shared.st_mode) && (shared.st_mode & S_ISVTX)
        && EnsureTrashFolders(sharedTrash + '/' + uid, true))
        place->trash = sharedTrash + '/' + uid;
    else if (EnsureTrashFolders(topPrefix + "/.Trash-" + uid, true))
        place->trash = topPrefix + "/.Trash-" + uid;
    else
        return false;
    place->infoPath = fullPath.mid(topPrefix.size() + 1); // relative to the top directory
    return true;
}

// The name the item gets in the trash: its own, or a shorter one that stays
// unique when its own leaves no room for the info file's name.
QByteArray TrashBaseName(const QByteArray& name)
{
    if (name.size() <= kLongestTrashName)
        return name;
    qsizetype cut = kShortenedName;
    while (cut > 0 && (uchar(name.at(cut)) & 0xC0) == 0x80)
        --cut; // not inside a UTF-8 sequence
    return name.left(cut) + '~' + QByteArray::number(qHash(name), 16);
}

// Writes the info file under a free name and renames the item next to it.
bool MoveInto(const TrashPlace& place, int parentFd, const QByteArray& name, const QString& text, TrashWay way,
    int* renameError, QString* error, QString* trashedAs)
{
    const QByteArray info = "[Trash Info]\nPath=" + place.infoPath.toPercentEncoding("/") + "\nDeletionDate="
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")).toLatin1() + "\n";
    const QByteArray base = TrashBaseName(name);
    for (int number = 1; number < 100000; ++number) {
        const QByteArray trashName = number == 1 ? base : base + '.' + QByteArray::number(number);
        const QByteArray infoFile = place.trash + "/info/" + trashName + ".trashinfo";
        const QByteArray trashedFile = place.trash + "/files/" + trashName;
        const int fd = ::open(infoFile.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return Fail(
                error, text + QStringLiteral(": ") + CannotTrashText() + QLatin1Char(' ') + SystemErrorText(errno));
        }
        struct stat existing;
        if (::lstat(trashedFile.constData(), &existing) == 0) {
            ::close(fd);
            ::unlink(infoFile.constData());
            continue;
        }
        const bool written = ::write(fd, info.constData(), size_t(info.size())) == info.size();
        const int writeError = errno;
        if (::close(fd) != 0 || !written) {
            ::unlink(infoFile.constData());
            return Fail(error,
                text + QStringLiteral(": ") + CannotTrashText() + QLatin1Char(' ')
                    + SystemErrorText(written ? errno : writeError));
        }
        const int moved = way == TrashWay::KeepInPlace
            ? ::linkat(parentFd, name.constData(), AT_FDCWD, trashedFile.constData(), 0)
            : ::renameat(parentFd, name.constData(), AT_FDCWD, trashedFile.constData());
        if (moved != 0) {
            *renameError = errno;
            ::unlink(infoFile.constData());
            return Fail(error,
                text + QStringLiteral(": ") + CannotTrashText() + QLatin1Char(' ') + SystemErrorText(*renameError));
        }
        if (trashedAs)
            *trashedAs = DecodeFileName(trashedFile);
        return true;
    }
    return Fail(error, text + QStringLiteral(": ") + CannotTrashText());
}

// The mount that holds the open folder `fd` at `path`.
const MountEntry* MountOf(int fd, const std::vector<MountEntry>& mounts, const QByteArray& path)
{
    struct statx st;
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_MNT_ID, &st) == 0 && (st.stx_mask & STATX_MNT_ID)) {
        for (const MountEntry& mount : mounts) {
            if (quint64(mount.id) == st.stx_mnt_id)
                return &mount;
        }
    }
    return FindMount(mounts, path);
}

} // namespace

bool MoveToTrash(const QString& path, QString* error, QString* trashedAs)
{
    RootedPath rooted;
    if (!SplitAtParent(path, &rooted))
        return Fail(error, path + QStringLiteral(": ") + CannotTrashText());
    return MoveToTrash(rooted, error, trashedAs);
}

bool MoveToTrash(const RootedPath& path, QString* error, QString* trashedAs)
{
    const QString text = path.Text();
    QByteArray name;
    int failure = 0;
    const FolderHandle parent = OpenParent(path, &name, &failure);
    if (!parent)
        return Fail(error, FileErrorText(text, failure));
    if (!TrashEntryAt(parent->Fd(), name, text, TrashWay::Move, error, trashedAs))
        return false;
    if (CFolderCache* cache = CFolderCache::Current())
        cache->Forget(path);
    return true;
}

bool TrashEntryAt(
    int folderFd, const QByteArray& name, const QString& text, TrashWay way, QString* error, QString* trashedAs)
{
    struct stat item;
    if (::fstatat(folderFd, name.constData(), &item, AT_SYMLINK_NOFOLLOW) != 0)
        return Fail(error, FileErrorText(text, errno));
    if (way == TrashWay::KeepInPlace && S_ISDIR(item.st_mode))
        return Fail(error, FileErrorText(text, EISDIR));
    const QByteArray folder = PathOfFolder(folderFd);
    if (folder.isEmpty())
        return Fail(error, text + QStringLiteral(": ") + CannotTrashText());
    const QByteArray fullPath = (folder == "/" ? QByteArray() : folder) + '/' + name;

    // The home trash where the item's file system and mount reach it, else
    // the trash at the top of the item's mount. A trash that cannot take the
    // item by a rename (EXDEV) gives way to the next; nothing is ever copied.
    const std::vector<MountEntry> mounts = ReadMountTable();
    const MountEntry* mount = MountOf(folderFd, mounts, folder);
    if (!mount)
        return Fail(error, text + QStringLiteral(": ") + NoTrashText());
    TrashPlace places[2];
    int count = 0;
    bool sameMount = false;
    switch (HomeTrashFor(item.st_dev, *mount, mounts, fullPath, &places[0], &sameMount)) {
    case HomeTrashState::Broken:
        return Fail(error, text + QStringLiteral(": ") + NoTrashText());
    case HomeTrashState::Reached:
        count = 1;
        // Through another mount than the home trash's own: its top trash if the rename is refused.
        if (!sameMount && TopTrashFor(*mount, fullPath, &places[1]))
            count = 2;
        break;
    case HomeTrashState::NotOnThisMount:
    case HomeTrashState::Elsewhere:
        if (TopTrashFor(*mount, fullPath, &places[0]))
            count = 1;
        break;
    }
    if (count == 0)
        return Fail(error, text + QStringLiteral(": ") + NoTrashText());
    for (int i = 0; i < count; ++i) {
        const TrashPlace& place = places[i];
        if (fullPath == place.trash || place.trash.startsWith(QByteArray(fullPath + '/')) || place.infoPath.isEmpty())
            return Fail(error, text + QStringLiteral(": ") + CannotTrashText());
        int renameError = 0;
        if (MoveInto(place, folderFd, name, text, way, &renameError, error, trashedAs))
            return true;
        if (renameError != EXDEV)
            return false;
    }
    return false;
}

namespace {

// The info file of the trash item `item` (…/files/NAME -> …/info/NAME.trashinfo).
QByteArray InfoFileOf(const QByteArray& item)
{
    const qsizetype slash = item.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? item.left(slash) : QByteArray();
    if (!folder.endsWith("/files"))
        return {};
    return folder.left(folder.size() - 5) + "info/" + item.mid(slash + 1) + ".trashinfo";
}

} // namespace

bool IsTrashItemPath(const QString& item)
{
    const QByteArray bytes = EncodeFileName(item);
    return bytes.startsWith('/') && !InfoFileOf(bytes).isEmpty();
}

void DropFromTrash(const QString& trashedAs)
{
    const QByteArray item = EncodeFileName(trashedAs);
    const QByteArray info = InfoFileOf(item);
    if (info.isEmpty())
        return;
    ::unlink(item.constData());
    ::unlink(info.constData());
}

bool RestoreFromTrashAt(const QString& trashedAs, int folderFd, const QByteArray& name, bool replace, QString* error)
{
    const QByteArray item = EncodeFileName(trashedAs);
    const QByteArray info = InfoFileOf(item);
    if (!item.startsWith('/') || info.isEmpty())
        return Fail(error, FileErrorText(trashedAs, EINVAL));
    const unsigned flags = replace ? 0 : RENAME_NOREPLACE;
    if (::renameat2(AT_FDCWD, item.constData(), folderFd, name.constData(), flags) != 0) {
        if (error)
            *error = SystemErrorText(errno);
        return false;
    }
    ::unlink(info.constData());
    return true;
}

bool RestoreFromTrash(const QString& trashedAs, const RootedPath& place, bool replace, QString* error)
{
    QByteArray name;
    int failure = 0;
    const FolderHandle parent = OpenParent(place, &name, &failure);
    if (!parent)
        return Fail(error, FileErrorText(place.Text(), failure));
    QString reason;
    if (!RestoreFromTrashAt(trashedAs, parent->Fd(), name, replace, &reason))
        return Fail(error, place.Text() + QStringLiteral(": ") + reason);
    if (CFolderCache* cache = CFolderCache::Current())
        cache->Forget(place);
    return true;
}

bool SwapWithTrash(const QString& trashedAs, const RootedPath& place, QString* currentTrashedAs, QString* error)
{
    QByteArray name;
    int failure = 0;
    const FolderHandle parent = OpenParent(place, &name, &failure);
    if (!parent)
        return Fail(error, FileErrorText(place.Text(), failure));
    const QString text = place.Text();
    QString reason;
    if (TrashEntryAt(parent->Fd(), name, text, TrashWay::KeepInPlace, &reason, currentTrashedAs)) {
        if (RestoreFromTrashAt(trashedAs, parent->Fd(), name, true, &reason))
            return true;
        DropFromTrash(*currentTrashedAs);
        currentTrashedAs->clear();
        return Fail(error, text + QStringLiteral(": ") + reason);
    }
    if (!TrashEntryAt(parent->Fd(), name, text, TrashWay::Move, error, currentTrashedAs))
        return false;
    if (RestoreFromTrashAt(trashedAs, parent->Fd(), name, false, &reason))
        return true;
    QString ignored;
    RestoreFromTrashAt(*currentTrashedAs, parent->Fd(), name, false, &ignored);
    currentTrashedAs->clear();
    return Fail(error, text + QStringLiteral(": ") + reason);
}
