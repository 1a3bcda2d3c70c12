#pragma once

#include "gui/shell/CMessageBoxPrompt.h"
#include "gui/shell/CommandTarget.h"

#include <QApplication>
#include <QString>
#include <QStringList>
#include <QTranslator>
#include <memory>

class CMainFrame;
class CMyDoc;

// The application object: brings the program up (InitInstance), owns the
// document and the main window, and carries the process-wide auto-sync state
// and the switches of the command line, which the main frame and the
// auto-sync consult later. It is also the last command target: About and Exit.
class CMainApp : public QApplication, public ICommandTarget
{
    Q_OBJECT

public:
    // The parameters are taken from `argv` as file names (every byte
    // sequence round-trips); Qt's own options are removed first.
    CMainApp(int& argc, char** argv);
    ~CMainApp() override;

    // The start-up, in this order: program folder, run-time library check,
    // caches, the picture strip, the profile, the recent-file list, filters
    // and options, the document and its window, the command line, the
    // document the command line asks for, the desktop registration (unless
    // -ISO), and the window shown (minimised for -a and -s). False ends the
    // program: a library too old, or a document that cannot be opened.
    bool InitInstance();
    // Destroys the window and the document. Nothing is saved here.
    void ExitInstance();

    // The parameters InitInstance parses (without the program name).
    const QStringList& CommandLine() const { return m_params; }
    void SetCommandLine(const QStringList& params) { m_params = params; }

    // The folder that holds the program.
    const QString& ProgramDirectory() const { return m_programDir; }

    // Auto-sync: running (switch -a, or the start command) and its interval.
    // While it runs, a run asks nothing and shows no message boxes.
    bool AutoSyncRunning() const { return m_autoSyncRunning; }
    void SetAutoSyncRunning(bool running);
    int AutoSyncMinutes() const { return m_autoSyncMinutes; }
    void SetAutoSyncMinutes(int minutes) { m_autoSyncMinutes = minutes; }

    // What the other switches asked for; they stay set for the process's life.
    const QString& LastDocumentPath() const { return m_lastDocumentPath; }
    bool NoShellRegistration() const { return m_noShellRegistration; } // -ISO
    bool SyncAtStart() const { return m_syncAtStart; } // -s
    bool ExitAfterSync() const { return m_exitAfterSync; } // -e
    bool SyncOnEndSession() const { return m_syncOnEndSession; } // -SOE
    // The program's exit status after the event loop: 4 once an unattended
    // run that ends the program (-s -e) failed or left a project out, so
    // that a login script notices; else the event loop's own.
    int ExitStatus(int loopResult) const { return loopResult != 0 ? loopResult : m_runExitStatus; }
    void NoteUnattendedRunFailed() { m_runExitStatus = 4; }

    // Registers the document type (".snc") with the desktop for this user.
    // Called by InitInstance unless -ISO was given.
    void RegisterDesktopIntegration();
    // Whether RegisterDesktopIntegration ran in this process.
    bool DesktopIntegrationRegistered() const { return m_desktopIntegrationRegistered; }

    CMyDoc* Document() const { return m_doc.get(); }
    CMainFrame* MainFrame() const { return m_frame.get(); }

    // The About box, modal over the main window.
    void ShowAboutBox();

    // Whether the Qt run-time library is at least the version Pairwell was
    // built with. When it is not, says so ("<library>" + the designed text)
    // and returns false.
    static bool CheckLibraryVersion(
        const QString& libraryName, const QString& runtimeVersion, const QString& requiredVersion);

    // Loads Qt's own translations for the user's locale (qtbase_<language>
    // from Qt's translations folder); false when there are none. The
    // constructor calls it.
    bool InstallQtTranslations();

    // ICommandTarget: About (57664) and Exit (57665).
    bool HandlesCommand(int id) const override;
    void UpdateCommand(int id, CommandState& state) override;
    void ExecuteCommand(int id) override;

private:
    void ResetSwitches();
    // The document of the command line could not be read after all: the program ends.
    void EndAfterFailedStart();

    QStringList m_params;
    QString m_programDir;

    bool m_autoSyncRunning = false;
    int m_autoSyncMinutes = 15;
    QString m_lastDocumentPath;
    bool m_noShellRegistration = false;
    bool m_syncAtStart = false;
    bool m_exitAfterSync = false;
    bool m_syncOnEndSession = false;
    int m_runExitStatus = 0;
    bool m_desktopIntegrationRegistered = false;

    QTranslator m_qtTranslator;
    CMessageBoxPrompt m_prompt;
    bool m_promptInstalled = false;
    std::unique_ptr<CMyDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
};

// The application object; nullptr when the process runs another QApplication.
CMainApp* TheApp();
// Whether auto-sync is running in this process.
bool IsAutoSyncRunning();
