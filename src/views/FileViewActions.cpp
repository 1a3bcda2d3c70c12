#include "views/FileViewActions.h"

// The file delete dialog, the document's deletion and the desktop actions are
// not part of the program yet: their commands stay disabled.

bool FileDeleteAvailable()
{
    return false;
}

bool RunFileDeleteDialog(QWidget*, const QString&, const QString&, FileDeleteChoice&)
{
    return false;
}

bool DeleteFilePaths(CMyDoc&, const QStringList&, bool)
{
    return false;
}

bool DesktopActionsAvailable()
{
    return false;
}

void OpenFileOnDesktop(QWidget*, const QString&)
{
}

void ShowFilePropertiesWindow(QWidget*, const QString&)
{
}

void CompareFilesAsText(QWidget*, const QString&, const QString&)
{
}

void CompareFilesAsBinary(QWidget*, const QString&, const QString&)
{
}
