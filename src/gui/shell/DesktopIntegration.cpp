#include "gui/shell/DesktopIntegration.h"

#include "core/platform/FileName.h"
#include "core/platform/FileSystem.h"
#include "core/platform/Paths.h"
#include "core/platform/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

// The files are compiled into the GUI library; a static library needs its
// resources registered explicitly (outside any namespace).
static void RegisterDesktopResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(pairwell_desktop);
        return true;
    }();
    (void)registered;
}

namespace {

constexpr int kToolTimeoutMs = 30000;
const int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
const QString kDefaultSection = QStringLiteral("[Default Applications]");

QString EnvPath(const char* name)
{
    return DecodeFileName(qgetenv(name));
}

// An absolute path from the environment, or `fallback` when unset or relative
// (relative ones are to be ignored in XDG variables).
QString AbsoluteEnvPath(const char* name, const QString& fallback)
{
    const QString value = EnvPath(name);
    return value.startsWith(QLatin1Char('/')) ? value : fallback;
}

QByteArray Resource(const QString& name)
{
    RegisterDesktopResources();
    QFile file(QStringLiteral(":/pairwell-desktop/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Creates `path` and every missing folder above it.
bool MakeFolders(const QString& path, QString* error)
{
    if (path.isEmpty() || IsDirectoryPath(path))
        return true;
    const QString parent = GetParentFolder(path);
    if (!parent.isEmpty() && parent != path && !MakeFolders(parent, error))
        return false;
    return CreateFolder(path, error) || IsDirectoryPath(path);
}

bool WriteFile(const QString& path, const QByteArray& data, DesktopRegistration& result)
{
    QString error;
    if (data.isEmpty()) {
        result.errors << path + QStringLiteral(": nothing to write");
        return false;
    }
    if (!MakeFolders(GetParentFolder(path), &error) || !ReplaceFileAtomically(path, data, &error)) {
        result.errors << path + QStringLiteral(": ") + error;
        return false;
    }
    result.writtenFiles << path;
    return true;
}

// Runs an installed tool to its end, with the XDG folders of `folders`;
// false when it is not installed or failed.
bool RunTool(
    const QString& name, const QStringList& arguments, const DesktopFolders& folders, DesktopRegistration& result)
{
    const QString program = QStandardPaths::findExecutable(name);
    if (program.isEmpty())
        return false;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folders.dataHome);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folders.configHome);
    environment.insert(QStringLiteral("XDG_DATA_DIRS"), folders.dataDirs.join(QLatin1Char(':')));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    result.commands << (QStringList{name} + arguments).join(QLatin1Char(' '));
    if (!process.waitForFinished(kToolTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.errors << name + QStringLiteral(": did not finish");
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        result.errors << name + QStringLiteral(": ") + QString::fromLocal8Bit(process.readAll()).trimmed();
        return false;
    }
    return true;
}

QStringList AllDataDirs(const DesktopFolders& folders)
{
    return QStringList{folders.dataHome} + folders.dataDirs;
}

bool AnyDataDirHas(const DesktopFolders& folders, const QStringList& relativePaths)
{
    for (const QString& dir : AllDataDirs(folders)) {
        for (const QString& relative : relativePaths) {
            if (PathExists(JoinPath(dir, relative)))
                return true;
        }
    }
    return false;
}

// The value of `key` in a launcher's text (first match), unescaped.
QString DesktopValue(const QByteArray& entry, const QString& key)
{
    const QString prefix = key + QLatin1Char('=');
    for (const QString& line : QString::fromUtf8(entry).split(QLatin1Char('\n'))) {
        if (line.startsWith(prefix)) {
            const QString raw = line.mid(prefix.size()).trimmed();
            QString value;
            for (qsizetype i = 0; i < raw.size(); ++i) {
                if (raw[i] != QLatin1Char('\\') || i + 1 == raw.size()) {
                    value += raw[i];
                    continue;
                }
                const QChar next = raw[++i];
                value += next == QLatin1Char('s') ? QChar(u' ')
                    : next == QLatin1Char('n')    ? QChar(u'\n')
                    : next == QLatin1Char('t')    ? QChar(u'\t')
                    : next == QLatin1Char('r')    ? QChar(u'\r')
                                                  : next;
            }
            return value;
        }
    }
    return {};
}

// The user's launcher is written when no data folder has one, and written
// again when it is one of ours whose program has gone (a moved build).
bool NeedsUserLauncher(const DesktopFolders& folders, const QString& userLauncher)
{
    const QString relative = QStringLiteral("applications/") + QLatin1String(Desktop::DesktopFileName);
    if (PathExists(userLauncher)) {
        QByteArray entry;
        QString error;
        if (!ReadWholeFile(userLauncher, &entry, &error, 1 << 20))
            return false;
        if (DesktopValue(entry, QLatin1String(Desktop::UserRegistrationKey)) != QLatin1String("true"))
            return false; // the user's or an install's own: left alone
        const QString program = DesktopValue(entry, QStringLiteral("TryExec"));
        return !program.isEmpty() && !PathExists(program);
    }
    for (const QString& dir : folders.dataDirs) {
        if (PathExists(JoinPath(dir, relative)))
            return false;
    }
    return true;
}

bool ContainsUndecodableBytes(const QString& path)
{
    for (QChar c : path) {
        if (c.isSurrogate())
            return true;
    }
    return false;
}

} // namespace

DesktopFolders DesktopFolders::FromEnvironment()
{
    QString home = EnvPath("HOME");
    if (home.isEmpty())
        home = QDir::homePath();
    DesktopFolders folders;
    folders.dataHome = AbsoluteEnvPath("XDG_DATA_HOME", JoinPath(home, QStringLiteral(".local/share")));
    folders.configHome = AbsoluteEnvPath("XDG_CONFIG_HOME", JoinPath(home, QStringLiteral(".config")));
    for (const QString& dir : EnvPath("XDG_DATA_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (dir.startsWith(QLatin1Char('/')))
            folders.dataDirs << dir;
    }
    if (folders.dataDirs.isEmpty())
        folders.dataDirs = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    return folders;
}

QString EscapeDesktopValue(const QString& text)
{
    QString escaped;
    for (QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            escaped += QStringLiteral("\\\\");
            break;
        case '\n':
            escaped += QStringLiteral("\\n");
            break;
        case '\t':
            escaped += QStringLiteral("\\t");
            break;
        case '\r':
            escaped += QStringLiteral("\\r");
            break;
        default:
            escaped += c;
            break;
        }
    }
    return escaped;
}

QString QuoteDesktopExecArgument(const QString& path)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    static const QString escapedInQuotes = QStringLiteral("\"`$\\");
    bool needsQuotes = false;
    for (QChar c : path)
        needsQuotes = needsQuotes || reserved.contains(c);
    QString argument;
    for (QChar c : path) {
        if (needsQuotes && escapedInQuotes.contains(c))
            argument += QLatin1Char('\\');
        // A literal percent sign is written twice (a single one starts a field code).
        if (c == QLatin1Char('%'))
            argument += QLatin1Char('%');
        argument += c;
    }
    if (needsQuotes)
        argument = QLatin1Char('"') + argument + QLatin1Char('"');
    return EscapeDesktopValue(argument);
}

QByteArray UserDesktopEntry(const QString& programPath)
{
    const QString installed = QString::fromUtf8(Resource(QLatin1String(Desktop::DesktopFileName)));
    if (installed.isEmpty())
        return {};
    // A program path that is not text cannot be written into the launcher:
    // the program is then looked up in PATH as the installed launcher does.
    const bool namePath = !programPath.isEmpty() && !ContainsUndecodableBytes(programPath);
    QStringList lines;
    for (const QString& line : installed.split(QLatin1Char('\n'))) {
        if (namePath && line.startsWith(QStringLiteral("Exec="))) {
            lines << QStringLiteral("Exec=") + QuoteDesktopExecArgument(programPath) + QStringLiteral(" %f");
            lines << QStringLiteral("TryExec=") + EscapeDesktopValue(programPath);
        } else if (!line.startsWith(QStringLiteral("TryExec="))) {
            lines << line;
        }
    }
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    lines << QLatin1String(Desktop::UserRegistrationKey) + QStringLiteral("=true") << QString();
    return lines.join(QLatin1Char('\n')).toUtf8();
}

QString DefaultApplicationOf(const QString& configHome, const QString& mimeType)
{
    QByteArray data;
    QString error;
    if (!ReadWholeFile(JoinPath(configHome, QStringLiteral("mimeapps.list")), &data, &error, 1 << 24))
        return {};
    bool inDefaults = false;
    const QString prefix = mimeType + QLatin1Char('=');
    for (const QString& raw : QString::fromUtf8(data).split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inDefaults = line == kDefaultSection;
        else if (inDefaults && line.startsWith(prefix))
            return line.mid(prefix.size()).section(QLatin1Char(';'), 0, 0).trimmed();
    }
    return {};
}

bool SetDefaultApplication(
    const QString& configHome, const QString& mimeType, const QString& desktopFile, QString* error)
{
    const QString path = JoinPath(configHome, QStringLiteral("mimeapps.list"));
    QByteArray data;
    QString readError;
    if (PathExists(path) && !ReadWholeFile(path, &data, &readError, 1 << 24)) {
        if (error)
            *error = readError;
        return false;
    }
    QStringList lines = QString::fromUtf8(data).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    const QString entry = mimeType + QLatin1Char('=') + desktopFile;
    const QString prefix = mimeType + QLatin1Char('=');
    qsizetype section = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].trimmed() == kDefaultSection) {
            section = i;
            break;
        }
    }
    if (section < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines << QString();
        lines << kDefaultSection << entry;
    } else {
        qsizetype end = section + 1;
        bool replaced = false;
        for (; end < lines.size() && !lines[end].trimmed().startsWith(QLatin1Char('[')); ++end) {
            if (lines[end].trimmed().startsWith(prefix)) {
                lines[end] = entry;
                replaced = true;
            }
        }
        if (!replaced)
            lines.insert(section + 1, entry);
    }
    lines << QString();
    QString writeError;
    if (!MakeFolders(configHome, &writeError)
        || !ReplaceFileAtomically(path, lines.join(QLatin1Char('\n')).toUtf8(), &writeError)) {
        if (error)
            *error = writeError;
        return false;
    }
    return true;
}

DesktopRegistration RegisterDesktopIntegrationForUser(const QString& programPath, const DesktopFolders& folders)
{
    DesktopRegistration result;
    const QString mimeType = QLatin1String(Desktop::MimeType);
    const QString launcherName = QLatin1String(Desktop::DesktopFileName);

    // The launcher.
    const QString applications = JoinPath(folders.dataHome, QStringLiteral("applications"));
    const QString userLauncher = JoinPath(applications, launcherName);
    const bool launcherWritten
        = NeedsUserLauncher(folders, userLauncher) && WriteFile(userLauncher, UserDesktopEntry(programPath), result);

    // The document type: known once some data folder's database has it.
    const QString typeFile = QStringLiteral("mime/") + mimeType + QStringLiteral(".xml");
    if (!AnyDataDirHas(folders, {typeFile})) {
        const QString mime = JoinPath(folders.dataHome, QStringLiteral("mime"));
        const QString package = JoinPath(mime, QStringLiteral("packages/") + QLatin1String(Desktop::MimePackageName));
        if (PathExists(package) || WriteFile(package, Resource(QLatin1String(Desktop::MimePackageName)), result))
            RunTool(QStringLiteral("update-mime-database"), {mime}, folders, result);
    }

    // The icons of the program and of its documents.
    const QString iconName = QLatin1String(Desktop::IconName);
    if (!AnyDataDirHas(folders,
            {QStringLiteral("icons/hicolor/48x48/apps/") + iconName + QStringLiteral(".png"),
                QStringLiteral("icons/hicolor/scalable/apps/") + iconName + QStringLiteral(".svg")})) {
        const QString hicolor = JoinPath(folders.dataHome, QStringLiteral("icons/hicolor"));
        const QString documentIcon = QLatin1String(Desktop::DocumentIconName);
        for (int size : kIconSizes) {
            const QByteArray png = Resource(QStringLiteral("icons/pairwell-%1.png").arg(size));
            const QString folder = JoinPath(hicolor, QStringLiteral("%1x%1").arg(size));
            WriteFile(JoinPath(folder, QStringLiteral("apps/") + iconName + QStringLiteral(".png")), png, result);
            WriteFile(
                JoinPath(folder, QStringLiteral("mimetypes/") + documentIcon + QStringLiteral(".png")), png, result);
        }
        const QByteArray svg = Resource(QStringLiteral("icons/pairwell.svg"));
        WriteFile(JoinPath(hicolor, QStringLiteral("scalable/apps/") + iconName + QStringLiteral(".svg")), svg, result);
        WriteFile(JoinPath(hicolor, QStringLiteral("scalable/mimetypes/") + documentIcon + QStringLiteral(".svg")), svg,
            result);
    }

    if (launcherWritten)
        RunTool(QStringLiteral("update-desktop-database"), {applications}, folders, result);

    // Pairwell opens its documents, unless the user chose another program.
    if (DefaultApplicationOf(folders.configHome, mimeType).isEmpty()) {
        RunTool(QStringLiteral("xdg-mime"), {QStringLiteral("default"), launcherName, mimeType}, folders, result);
        if (DefaultApplicationOf(folders.configHome, mimeType).isEmpty()) {
            QString error;
            if (SetDefaultApplication(folders.configHome, mimeType, launcherName, &error))
                result.writtenFiles << JoinPath(folders.configHome, QStringLiteral("mimeapps.list"));
            else
                result.errors << error;
        }
    }
    return result;
}
