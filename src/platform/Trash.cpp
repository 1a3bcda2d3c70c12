#include "platform/Trash.h"

#include "platform/FileCopy.h"
#include "platform/FileName.h"
#include "platform/FileSystem.h"

#include <QDateTime>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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

QByteArray HomeTrash()
{
    QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    if (!dataHome.startsWith('/')) {
        const QByteArray home = qgetenv("HOME");
        if (home.isEmpty())
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

// The mount point that holds `canonicalFolder` (a path without links).
QByteArray TopDirectory(const QByteArray& canonicalFolder, dev_t device)
{
    QByteArray top = canonicalFolder;
    while (top != "/") {
        const QByteArray parent = ParentOf(top);
        struct stat st;
        if (::stat(parent.constData(), &st) != 0 || st.st_dev != device)
            break;
        top = parent;
    }
    return top;
}

QByteArray CanonicalFolder(const QByteArray& folder)
{
    char* resolved = ::realpath(folder.constData(), nullptr);
    if (!resolved)
        return {};
    QByteArray result(resolved);
    std::free(resolved);
    return result;
}

} // namespace

bool MoveToTrash(const QString& path, QString* error, QString* trashedAs)
{
    QByteArray bytes = EncodeFileName(path);
    while (bytes.size() > 1 && bytes.endsWith('/'))
        bytes.chop(1);
    struct stat item;
    if (::lstat(bytes.constData(), &item) != 0)
        return Fail(error, FileErrorText(path, errno));

    const qsizetype slash = bytes.lastIndexOf('/');
    const QByteArray name = slash < 0 ? bytes : bytes.mid(slash + 1);
    const QByteArray folder = CanonicalFolder(slash < 0 ? QByteArrayLiteral(".") : ParentOf(bytes));
    if (folder.isEmpty() || name.isEmpty() || name == "." || name == "..")
        return Fail(error, path + QStringLiteral(": ") + CannotTrashText());
    const QByteArray fullPath = (folder == "/" ? QByteArray() : folder) + '/' + name;

    // Which trash: the home trash when the item lives on its file system, else
    // the trash at the top of the item's own file system.
    QByteArray trash;
    QByteArray infoPath; // the original place as the info file records it
    const QByteArray homeTrash = HomeTrash();
    dev_t homeDevice;
    if (!homeTrash.isEmpty() && DeviceOf(homeTrash, &homeDevice) && homeDevice == item.st_dev) {
        const QByteArray dataHome = ParentOf(homeTrash);
        QString ignored;
        if (!CreateFolderPath(DecodeFileName(dataHome), &ignored) || !EnsureTrashFolders(homeTrash, false))
            return Fail(error, path + QStringLiteral(": ") + NoTrashText());
        trash = homeTrash;
        infoPath = fullPath;
    } else {
        const QByteArray top = TopDirectory(folder, item.st_dev);
        const QByteArray topPrefix = top == "/" ? QByteArray() : top;
        const QByteArray uid = QByteArray::number(::getuid());
        struct stat shared;
        const QByteArray sharedTrash = topPrefix + "/.Trash";
        if (::lstat(sharedTrash.constData(), &shared) == 0 && S_ISDIR(shared.st_mode) && (shared.st_mode & S_ISVTX)
            && EnsureTrashFolders(sharedTrash + '/' + uid, true)) {
            trash = sharedTrash + '/' + uid;
        } else if (EnsureTrashFolders(topPrefix + "/.Trash-" + uid, true)) {
            trash = topPrefix + "/.Trash-" + uid;
        } else {
            return Fail(error, path + QStringLiteral(": ") + NoTrashText());
        }
        if (fullPath == top || trash.startsWith(QByteArray(fullPath + '/')))
            return Fail(error, path + QStringLiteral(": ") + CannotTrashText());
        infoPath = fullPath.mid(topPrefix.size() + 1); // relative to the top directory
    }
    if (fullPath == trash || trash.startsWith(QByteArray(fullPath + '/')))
        return Fail(error, path + QStringLiteral(": ") + CannotTrashText());

    // Reserve a unique name with the info file (created exclusively), then move.
    const QByteArray info = "[Trash Info]\nPath=" + infoPath.toPercentEncoding("/") + "\nDeletionDate="
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")).toLatin1() + "\n";
    for (int number = 1; number < 100000; ++number) {
        const QByteArray trashName = number == 1 ? name : name + '.' + QByteArray::number(number);
        const QByteArray infoFile = trash + "/info/" + trashName + ".trashinfo";
        const QByteArray trashedFile = trash + "/files/" + trashName;
        const int fd = ::open(infoFile.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return Fail(
                error, path + QStringLiteral(": ") + CannotTrashText() + QLatin1Char(' ') + SystemErrorText(errno));
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
                path + QStringLiteral(": ") + CannotTrashText() + QLatin1Char(' ')
                    + SystemErrorText(written ? errno : writeError));
        }
        if (::rename(bytes.constData(), trashedFile.constData()) != 0) {
            const int renameError = errno;
            ::unlink(infoFile.constData());
            return Fail(error,
                path + QStringLiteral(": ") + CannotTrashText() + QLatin1Char(' ') + SystemErrorText(renameError));
        }
        if (trashedAs)
            *trashedAs = DecodeFileName(trashedFile);
        return true;
    }
    return Fail(error, path + QStringLiteral(": ") + CannotTrashText());
}
