#pragma once

#include <QString>

class QWidget;

// The folder that the pictures go to, as given on the command line.
QString ScreenshotFolder();
void SetScreenshotFolder(const QString& folder);

// The path of picture `name` in the folder.
QString PicturePath(const QString& name);

// Shows `window`, lets the window system draw it and saves it as `name`.
void SaveWindow(QWidget& window, const QString& name);
