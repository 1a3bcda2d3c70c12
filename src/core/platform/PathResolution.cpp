#include "core/platform/PathResolution.h"

#include "core/platform/FileName.h"

#include <QStringList>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The parent of a resolved path (which holds no link, "." or ".."): its ".."
// as the kernel sees it.
QString ParentOf(const QString& resolved)
{
    const qsizetype slash = resolved.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : resolved.left(slash);
}

QString Child(const QString& folder, const QString& name)
{
    if (folder == QLatin1String("/"))
        return QLatin1Char('/') + name;
    return folder + QLatin1Char('/') + name;
}

// realpath of `path`; empty when it cannot be resolved.
QString RealPathOf(const QString& path)
{
    char* real = ::realpath(EncodeFileName(path).constData(), nullptr);
    if (!real)
        return {};
    const QString result = DecodeFileName(QByteArray(real));
    std::free(real);
    return result;
}

bool IsLinkEntry(const QString& path)
{
    struct stat info
    {
    };
    return ::lstat(EncodeFileName(path).constData(), &info) == 0 && S_ISLNK(info.st_mode);
}

QString WorkingDirectory()
{
    char* cwd = ::getcwd(nullptr, 0);
    if (!cwd)
        return {};
    const QString folder = DecodeFileName(QByteArray(cwd));
    std::free(cwd);
    return folder;
}

} // namespace

bool IsFolderPathSet(const QString& path)
{
    return path.startsWith(QLatin1Char('/')) && !path.contains(QChar(0));
}

QString ResolvePath(const QString& path, bool keepLastLink)
{
    if (path.isEmpty() || path.contains(QChar(0)))
        return {};
    QString absolute = path;
    if (!path.startsWith(QLatin1Char('/'))) {
        const QString cwd = WorkingDirectory();
        if (cwd.isEmpty())
            return {};
        absolute = cwd + QLatin1Char('/') + path;
    }
    const QStringList parts = absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString resolved = QStringLiteral("/");
    bool existing = true; // everything so far was found on disk
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& part = parts.at(i);
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            resolved = ParentOf(resolved);
            continue;
        }
        const QString candidate = Child(resolved, part);
        const bool last = i == parts.size() - 1;
        if (!existing || (last && keepLastLink && IsLinkEntry(candidate))) {
            resolved = candidate;
            continue;
        }
        const QString real = RealPathOf(candidate);
        if (real.isEmpty()) {
            // Missing (or not to be looked at): the rest is text.
            existing = false;
            resolved = candidate;
            continue;
        }
        resolved = real;
    }
    return resolved;
}

bool FoldersOverlap(const QString& first, const QString& second)
{
    if (!IsFolderPathSet(first) || !IsFolderPathSet(second))
        return false;
    const QString a = ResolvePath(first);
    const QString b = ResolvePath(second);
    if (a.isEmpty() || b.isEmpty())
        return false;
    const auto inside = [](const QString& inner, const QString& outer) {
        return outer == QLatin1String("/") || inner == outer || inner.startsWith(outer + QLatin1Char('/'));
    };
    return inside(a, b) || inside(b, a);
}
