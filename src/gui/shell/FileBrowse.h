#pragma once

#include <QString>
#include <functional>

class QWidget;

// What a browse button asks for: a file dialog's title, filter (Qt's
// "Text (*.x)" form), default suffix and initial file or folder.
struct FileBrowseRequest
{
    QString title;
    QString filter;
    QString defaultSuffix; // appended to a typed name without one
    QString initialPath; // a file name, or a path whose folder the dialog opens on
    bool mayNotExist = false; // the chosen file may be a new one (a log file)
};

// Shows the file dialog and returns the chosen file's full path, or an
// empty string when the user cancelled.
QString BrowseForFile(QWidget* parent, const FileBrowseRequest& request);

// Replaces the file dialog (tests answer it); an empty function restores it.
using FileBrowser = std::function<QString(const FileBrowseRequest&)>;
void SetFileBrowser(FileBrowser browser);
