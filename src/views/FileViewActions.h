#pragma once

#include <QString>
#include <QStringList>

class CMyDoc;
class QWidget;

// The dialogs and desktop actions that the file list's commands call: the
// file delete dialog, the document's deletion, opening a file, its
// properties and the two compare tools. Each group has an availability test;
// a command whose group is not available stays disabled.

// The choices of the file delete dialog.
struct FileDeleteChoice
{
    bool deleteProjectSide = false;
    bool deleteTargetSide = false;
    bool recycle = true;
};

bool FileDeleteAvailable();
// Shows the file delete dialog with the two side texts (a path, "複数ファイル"
// or empty); true on OK with the choices in `choice`.
bool RunFileDeleteDialog(
    QWidget* parent, const QString& projectText, const QString& targetText, FileDeleteChoice& choice);
// The document's deletion of the paths (to the trash with `recycle`).
bool DeleteFilePaths(CMyDoc& doc, const QStringList& paths, bool recycle);

bool DesktopActionsAvailable();
void OpenFileOnDesktop(QWidget* parent, const QString& path);
void ShowFilePropertiesWindow(QWidget* parent, const QString& path);
void CompareFilesAsText(QWidget* parent, const QString& projectPath, const QString& targetPath);
void CompareFilesAsBinary(QWidget* parent, const QString& projectPath, const QString& targetPath);
