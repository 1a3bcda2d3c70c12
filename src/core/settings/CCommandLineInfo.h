#pragma once

#include <QString>
#include <QStringList>

// What the command line asks of the start-up: the document to open and the
// switches for unattended synchronisation.
//
// Parameters are seen one by one. A parameter with the "-" prefix is a
// switch, compared case-sensitively, first match wins:
//   -mFile1   open the most recently used document
//   -aN       auto-sync every N minutes (N > 0; "-a" alone keeps 15)
//   -ISO      leave the desktop registration of the document type alone
//   -s        export all projects whenever the window is minimised
//   -e        with -s: close the program after that export
//   -SOE      export all projects when the desktop session ends
// Only prefixed parameters are switches: a document path that begins with
// "a" is a document, not an auto-sync request. The first parameter without a
// prefix names the document; unknown switches are ignored.
class CCommandLineInfo
{
public:
    enum class ShellCommand { FileNew, FileOpen };

    static constexpr int DefaultAutoSyncMinutes = 15;

    ShellCommand shellCommand = ShellCommand::FileNew;
    QString fileName; // the document to open (FileOpen)

    bool autoSyncRunning = false;
    int autoSyncMinutes = DefaultAutoSyncMinutes;
    bool noShellRegistration = false;
    bool syncAtStart = false;
    bool exitAfterSync = false;
    bool syncOnEndSession = false;

    // One parameter: its text without the prefix, whether it had one, and
    // whether it is the last parameter.
    void ParseParam(const QString& param, bool isSwitch, bool isLast);

    // Parses every parameter (without the program name). `lastDocumentPath`
    // is the first entry of the recent-file list, which -mFile1 opens.
    static CCommandLineInfo Parse(const QStringList& params, const QString& lastDocumentPath);

    // The number after "a": an optional sign and decimal digits, as far as
    // they go; no digits give 0. Values beyond the 32-bit range are clamped.
    static int ParseMinutes(const QString& digits);

private:
    QString m_lastDocumentPath;
};
