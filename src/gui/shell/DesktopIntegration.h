#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The desktop's knowledge of Pairwell for the current user: the launcher
// (pairwell.desktop), the document type application/x-pairwell-document for
// "*.snc" (a shared-mime-info package), the icons in the hicolor theme, and
// Pairwell as the default application of its documents, so that opening a
// .snc file in the file manager (or `xdg-open doc.snc`) starts Pairwell.
//
// An installed Pairwell (`cmake --install`) brings the launcher, the type and
// the icons under its prefix. At start-up the program adds to the user's own
// folders only what no data folder provides yet, and makes Pairwell the
// default for its documents only when the user has no default for them.

// The XDG base directories, from the environment
// (XDG_DATA_HOME, XDG_DATA_DIRS, XDG_CONFIG_HOME, HOME) with their defaults.
struct DesktopFolders
{
    QString dataHome; // ~/.local/share
    QStringList dataDirs; // /usr/local/share, /usr/share
    QString configHome; // ~/.config

    static DesktopFolders FromEnvironment();
};

// What one registration did.
struct DesktopRegistration
{
    QStringList writtenFiles; // files written, full paths
    QStringList commands; // programs run, with their arguments
    QStringList errors; // what failed; the start-up goes on regardless

    bool ChangedAnything() const { return !writtenFiles.isEmpty() || !commands.isEmpty(); }
};

namespace Desktop {
constexpr auto DesktopFileName = "pairwell.desktop";
constexpr auto MimePackageName = "pairwell-mime.xml";
constexpr auto MimeType = "application/x-pairwell-document";
constexpr auto IconName = "pairwell";
constexpr auto DocumentIconName = "application-x-pairwell-document";
// Marks a launcher that the start-up wrote (and may write again).
constexpr auto UserRegistrationKey = "X-Pairwell-User-Registration";
} // namespace Desktop

// Makes what is missing of the registration in `folders` for the program at
// `programPath` (the running program). Tools that are not installed
// (update-mime-database, update-desktop-database, xdg-mime) are skipped; the
// default application is then written to mimeapps.list directly.
DesktopRegistration RegisterDesktopIntegrationForUser(const QString& programPath, const DesktopFolders& folders);

// The launcher for the user's folder: the installed one with Exec and
// TryExec naming `programPath`, and the registration mark.
QByteArray UserDesktopEntry(const QString& programPath);
// `path` as one argument of a launcher's Exec line (quoted when needed), and
// `text` as a launcher's string value; both with the escapes the desktop
// entry format asks for.
QString QuoteDesktopExecArgument(const QString& path);
QString EscapeDesktopValue(const QString& text);

// The default application of `mimeType` in `configHome`/mimeapps.list
// ("[Default Applications]"), empty when none is set.
QString DefaultApplicationOf(const QString& configHome, const QString& mimeType);
// Sets it, keeping every other line of the file.
bool SetDefaultApplication(
    const QString& configHome, const QString& mimeType, const QString& desktopFile, QString* error);
