#include "gui/shell/FileBrowse.h"

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
    // Every browse button opens a file: the dialog is titled and its button
    // labelled "open" alike. A log file may also be a new name; the desktop's
    // own open dialogs refuse one, so Qt's dialog is used for it.
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.mayNotExist ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog, request.mayNotExist);
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.initialPath.isEmpty())
        dialog.selectFile(request.initialPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}
