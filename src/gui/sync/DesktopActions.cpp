#include "gui/sync/DesktopActions.h"

#include <QCursor> // before CWaitCursor.h, which uses it

#include "core/platform/FileName.h"
#include "core/platform/FileSystem.h"
#include "core/platform/Process.h"
#include "core/platform/Prompt.h"
#include "core/settings/CAppOptionTool.h"
#include "gui/shell/CWaitCursor.h"
#include "gui/sync/CPathPropertiesDlg.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

constexpr int kLookupTimeout = 5000; // ms for one xdg-mime query

QString NotAssociatedText(const QString& path)
{
    return QStringLiteral("ファイル'%1'はアプリケーションに関連付けされていません。").arg(path);
}

QString CannotOpenText(const QString& path)
{
    return QStringLiteral("ファイル'%1'が見つからないか、開くことができません。").arg(path);
}

// The file URL of a path, built from its bytes so that every name (an
// undecodable one too) reaches the launcher exactly.
QUrl FileUrl(const QString& path)
{
    return QUrl::fromEncoded("file://" + EncodeFileName(path).toPercentEncoding("/"), QUrl::StrictMode);
}

// The desktop file that `xdg-mime query default` names for one type: empty
// for none; false when the query did not run to its end.
bool QueryDefault(const QString& xdgMime, const QString& type, QString* application)
{
    QProcess process;
    process.setProgram(xdgMime);
    process.setArguments({QStringLiteral("query"), QStringLiteral("default"), type});
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start();
    if (!process.waitForFinished(kLookupTimeout) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished(kLookupTimeout);
        return false;
    }
    *application = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    return true;
}

void ShowWarning(const QString& text)
{
    CurrentPrompt().ShowMessage(text, PromptIcon::Warning);
}

// xdg-open's exit code when it found no way at all to open its argument.
constexpr int kOpenerFoundNoMethod = 3;

int g_runningOpeners = 0;

// What an opener's end means for the user: nothing when it opened the path.
// An opener still waiting when Pairwell ends is stopped (the program it
// started goes on): that is no failure to report.
void ReportOpenerEnd(const QString& shown, int exitCode, QProcess::ExitStatus status)
{
    if ((status == QProcess::NormalExit && exitCode == 0) || QCoreApplication::closingDown())
        return;
    ShowWarning(status == QProcess::NormalExit && exitCode == kOpenerFoundNoMethod ? NotAssociatedText(shown)
                                                                                   : CannotOpenText(shown));
}

// Starts xdg-open on `url` and reports its failure when it ends. Where a
// desktop environment runs, the opener hands the path over and ends at once;
// on a bare desktop it waits for the application it started, which is why it
// is never waited for here. An opener that is not installed leaves the
// launch to Qt's own launcher, which can only say whether it started.
bool LaunchOpener(const QUrl& url, const QString& shown)
{
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty() || !QCoreApplication::instance()) {
        if (QDesktopServices::openUrl(url))
            return true;
        ShowWarning(CannotOpenText(shown));
        return false;
    }
    // Owned by the application, so that a window closed in the meantime does
    // not end the opener (nor the program it started).
    auto* process = new QProcess(QCoreApplication::instance());
    process->setProgram(opener);
    process->setArguments({QString::fromLatin1(url.toEncoded())});
    process->setStandardInputFile(QProcess::nullDevice());
    // The opened program inherits these: never a pipe that dies with Pairwell.
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(process, &QProcess::finished, process, [process, shown](int code, QProcess::ExitStatus status) {
        --g_runningOpeners;
        process->deleteLater();
        ReportOpenerEnd(shown, code, status);
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [process, shown](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return; // the end is reported by finished()
        --g_runningOpeners;
        process->deleteLater();
        ShowWarning(CannotOpenText(shown));
    });
    ++g_runningOpeners;
    process->start();
    return true;
}

void StartCompareTool(const QString& tool, const QString& missingText, const QString& first, const QString& second)
{
    if (tool.isEmpty()) {
        CurrentPrompt().ShowMessage(missingText, PromptIcon::Information);
        return;
    }
    // No shell: the two paths arrive as two arguments, whatever they contain.
    // A tool that does not start is not reported.
    StartDetachedProcess(tool, {first, second});
}

} // namespace

QString DefaultApplicationFor(const QString& path, bool* known)
{
    if (known)
        *known = true;
    // The desktop's own lookup: what xdg-open consults, through the desktop
    // environment's tools where one runs, else the mimeapps.list files and
    // the desktop entries of the XDG folders.
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty()) {
        if (known)
            *known = false;
        return {};
    }
    const QMimeDatabase database;
    const QMimeType type = IsDirectoryPath(path) ? database.mimeTypeForName(QStringLiteral("inode/directory"))
                                                 : database.mimeTypeForFile(path);
    QStringList candidates{type.name()};
    // An application for a type this one derives from opens it as well
    // (a C++ source opens in the text editor); every file is a byte stream,
    // which says nothing about an association.
    for (const QString& ancestor : type.allAncestors()) {
        if (ancestor != QStringLiteral("application/octet-stream"))
            candidates << ancestor;
    }
    for (const QString& candidate : candidates) {
        QString application;
        if (!QueryDefault(xdgMime, candidate, &application)) {
            if (known)
                *known = false;
            return {};
        }
        if (!application.isEmpty())
            return application;
    }
    return {};
}

bool OpenPath(QWidget* parent, const QString& path)
{
    Q_UNUSED(parent); // the messages find their window through the prompt
    if (!PathExists(path)) {
        ShowWarning(CannotOpenText(path));
        return false;
    }
    bool known = true;
    QString application;
    {
        CWaitCursor wait;
        application = DefaultApplicationFor(path, &known);
    }
    if (known && application.isEmpty()) {
        ShowWarning(NotAssociatedText(path));
        return false;
    }
    return LaunchOpener(FileUrl(path), path);
}

bool OpenAddress(QWidget* parent, const QString& address)
{
    Q_UNUSED(parent);
    return LaunchOpener(QUrl(address), address);
}

int RunningOpeners()
{
    return g_runningOpeners;
}

void ShowPathProperties(QWidget* parent, const QString& path)
{
    auto* dialog = new CPathPropertiesDlg(path, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

void CompareText(QWidget* parent, const QString& projectPath, const QString& targetPath)
{
    Q_UNUSED(parent);
    StartCompareTool(GlobalOptionTool().PathToolCompareText, QStringLiteral("テキスト比較ツールが指定されていません。"),
        projectPath, targetPath);
}

void CompareBinary(QWidget* parent, const QString& projectPath, const QString& targetPath)
{
    Q_UNUSED(parent);
    StartCompareTool(GlobalOptionTool().PathToolCompareBin, QStringLiteral("バイナリ比較ツールが指定されていません。"),
        projectPath, targetPath);
}
