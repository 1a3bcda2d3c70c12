#include "sync/DesktopActions.h"

#include <QCursor> // before CWaitCursor.h, which uses it

#include "platform/FileName.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/Prompt.h"
#include "shell/CAppOptionTool.h"
#include "shell/CWaitCursor.h"
#include "sync/CPathPropertiesDlg.h"

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

void OpenPath(QWidget* parent, const QString& path)
{
    Q_UNUSED(parent); // the messages find their window through the prompt
    if (!PathExists(path)) {
        CurrentPrompt().ShowMessage(CannotOpenText(path), PromptIcon::Warning);
        return;
    }
    bool known = true;
    QString application;
    {
        CWaitCursor wait;
        application = DefaultApplicationFor(path, &known);
    }
    if (known && application.isEmpty()) {
        CurrentPrompt().ShowMessage(NotAssociatedText(path), PromptIcon::Warning);
        return;
    }
    if (!QDesktopServices::openUrl(FileUrl(path)))
        CurrentPrompt().ShowMessage(CannotOpenText(path), PromptIcon::Warning);
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
