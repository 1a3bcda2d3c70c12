#pragma once

#include <QString>

class QWidget;

// Opening, properties and the compare tools of the tree and the file list.
// Messages go through the prompt interface.

// Opens a file or folder with the desktop's default application. When the
// type of the path has no application associated, or it cannot be opened,
// the user is told so (naming the path) and nothing else happens.
//
// The desktop's opener (xdg-open) is watched without waiting for it: the
// window goes on at once, and when the opener ends with a failure the user
// is told then ("not associated" when it found no way to open the path,
// "cannot be opened" for any other failure). False when the user has been
// told already (missing path, no associated application, no opener started).
bool OpenPath(QWidget* parent, const QString& path);
// The same for a web address (the online help page); its failure names `address`.
bool OpenAddress(QWidget* parent, const QString& address);
// How many openers started by OpenPath and OpenAddress are still running.
int RunningOpeners();

// Shows Pairwell's file-information window for a file or folder: path, type,
// size, modification time, permissions and owner. The window is not modal.
void ShowPathProperties(QWidget* parent, const QString& path);

// Starts the text (binary) compare tool of the tool options with the project
// side's path and the target side's path as its two arguments. Without a
// configured tool the user is told so. Whether the tool started is not checked.
void CompareText(QWidget* parent, const QString& projectPath, const QString& targetPath);
void CompareBinary(QWidget* parent, const QString& projectPath, const QString& targetPath);

// The desktop file of the default application for a MIME type or one of the
// types it derives from (the desktop's own lookup, `xdg-mime query default`);
// empty when there is none. Empty as well when the lookup tool is missing and
// `known` then receives false.
QString DefaultApplicationFor(const QString& path, bool* known = nullptr);
