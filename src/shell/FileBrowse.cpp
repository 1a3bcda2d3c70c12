#include "shell/FileBrowse.h"

#include <QFileDialog>

namespace {

FileBrowser& Browser()
{
    static FileBrowser browser;
    return browser;
}

} // namespace

void SetFileBrowser(FileBrowser browser)
{
    Browser() = std::move(browser);
}

QString BrowseForFile(QWidget* parent, const FileBrowseRequest& request)
{
    if (Browser())
        return Browser()(request);
    QFileDialog dialog(parent, request.title, QString(), request.filter);
    dialog.setAcceptMode(request.mayNotExist ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.mayNotExist ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // A log file is appended to, never replaced: choosing an existing one asks nothing.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.initialPath.isEmpty())
        dialog.selectFile(request.initialPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}
