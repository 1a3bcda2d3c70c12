#include "gui/shell/CMainApp.h"

#include "core/filters/FilterSet.h"
#include "core/model/CMyDoc.h"
#include "core/platform/FileName.h"
#include "core/platform/Paths.h"
#include "core/platform/Profile.h"
#include "core/resources/CommandIds.h"
#include "core/resources/ResourceIds.h"
#include "core/resources/Texts.h"
#include "core/settings/CAppOptionDisp.h"
#include "core/settings/CAppOptionSync.h"
#include "core/settings/CAppOptionTool.h"
#include "core/settings/CCommandLineInfo.h"
#include "core/settings/CRecentFileList.h"
#include "gui/resources/Pictures.h"
#include "gui/shell/CAboutDlg.h"
#include "gui/shell/CDocCommands.h"
#include "gui/shell/CMainFrame.h"
#include "gui/shell/DesktopIntegration.h"

#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QVersionNumber>
#include <memory>

CMainApp::CMainApp(int& argc, char** argv) : QApplication(argc, argv)
{
    // QApplication has taken out its own options; what is left is ours.
    for (int i = 1; i < argc; ++i)
        m_params << DecodeFileName(QByteArray(argv[i]));
    setOrganizationName(QStringLiteral("Corvane"));
    setApplicationName(LoadString(Str::AppTitle));
    setApplicationVersion(QStringLiteral("2.31"));
    InstallQtTranslations();
}

bool CMainApp::InstallQtTranslations()
{
    // Qt's own texts (the file dialogs, the standard buttons, the context
    // menus of edit fields) in the user's language, from the translations
    // that come with Qt (Debian: qt6-translations-l10n).
    if (!m_qtTranslator.load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return installTranslator(&m_qtTranslator);
}

CMainApp::~CMainApp()
{
    ExitInstance();
}

void CMainApp::ResetSwitches()
{
    m_autoSyncRunning = false;
    m_autoSyncMinutes = CCommandLineInfo::DefaultAutoSyncMinutes;
    m_lastDocumentPath.clear();
    m_noShellRegistration = false;
    m_syncAtStart = false;
    m_exitAfterSync = false;
    m_syncOnEndSession = false;
    m_desktopIntegrationRegistered = false;
}

bool CMainApp::CheckLibraryVersion(
    const QString& libraryName, const QString& runtimeVersion, const QString& requiredVersion)
{
    const QVersionNumber runtime = QVersionNumber::fromString(runtimeVersion);
    const QVersionNumber required = QVersionNumber::fromString(requiredVersion);
    if (!runtime.isNull() && QVersionNumber::compare(runtime, required) >= 0)
        return true;
    CurrentPrompt().ShowMessage(libraryName + LoadString(Str::LibraryTooOld), PromptIcon::Information);
    return false;
}

bool CMainApp::InitInstance()
{
    ExitInstance();
    ResetSwitches();

    // Every question of the program becomes a message box, unless a prompt
    // was installed before (a test's scripted answers).
    if (CPrompt* previous = SetCurrentPrompt(&m_prompt))
        SetCurrentPrompt(previous);
    else
        m_promptInstalled = true;

    // 1. The program's folder (the help file lives beside the program).
    m_programDir = GetParentFolder(applicationFilePath());

    // 2. The Qt run-time must be at least the version the program was built with.
    if (!CheckLibraryVersion(
            QStringLiteral("libQt6Core.so.6"), QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR)))
        return false;

    // 3. Caches, then the shared picture strip of both views.
    ResetCaches();
    (void)CImageList::Shared();

    // 4. The profile (PAIRWELL_PROFILE, or Corvane/Pairwell.ini in the user's
    // configuration folder) and the recent-file list.
    CProfile& profile = CProfile::Instance();
    RecentFileList().Load(profile);

    // 5. Filters, then the display, sync and tool options.
    GlobalFilterSet().LoadFromRegistry(profile);
    GlobalOptionDisp().Load(profile);
    GlobalOptionSync().Load(profile);
    GlobalOptionTool().Load(profile);
    // A settings file that could not be read whole is said once, here.
    if (const QString damage = ProfileDamageText(profile); !damage.isEmpty())
        CurrentPrompt().ShowMessage(damage, PromptIcon::Warning);

    // 6. The document and its window with the two views.
    m_doc = std::make_unique<CMyDoc>();
    m_frame = std::make_unique<CMainFrame>(*m_doc);
    m_frame->SetApplicationTarget(this);
    setWindowIcon(ProgramIcon());

    // 7. The command line.
    m_lastDocumentPath = RecentFileList().At(0);
    const CCommandLineInfo info = CCommandLineInfo::Parse(m_params, m_lastDocumentPath);
    m_noShellRegistration = info.noShellRegistration;
    m_syncAtStart = info.syncAtStart;
    m_exitAfterSync = info.exitAfterSync;
    m_syncOnEndSession = info.syncOnEndSession;
    m_autoSyncMinutes = info.autoSyncMinutes;
    SetAutoSyncRunning(info.autoSyncRunning);

    // 8. The document it asks for; one that cannot be opened ends the program.
    // A relative path is taken from the current folder, so that the recent-file
    // list keeps a path that works from anywhere.
    CDocCommands& commands = m_frame->DocCommands();
    const bool opened = info.shellCommand == CCommandLineInfo::ShellCommand::FileOpen
        ? commands.OpenDocumentFile(JoinPath(QDir::currentPath(), info.fileName))
        : commands.NewDocument();
    if (!opened) {
        ExitInstance();
        return false;
    }
    // The document is read and rescanned while the window is already shown;
    // one that turns out damaged ends the program after its message, as one
    // that cannot be read at all.
    if (m_doc->IsLoading()) {
        auto connection = std::make_shared<QMetaObject::Connection>();
        *connection = connect(m_doc.get(), &CMyDoc::LoadFinished, this, [this, connection](bool ok) {
            disconnect(*connection);
            if (!ok)
                QMetaObject::invokeMethod(this, &CMainApp::EndAfterFailedStart, Qt::QueuedConnection);
        });
    }

    // 9. The desktop learns the document type, unless -ISO.
    if (!m_noShellRegistration)
        RegisterDesktopIntegration();

    // 10. The window: minimised for unattended synchronisation, which the
    // minimise itself starts.
    m_frame->ShowInitially(m_autoSyncRunning || m_syncAtStart);
    return true;
}

void CMainApp::EndAfterFailedStart()
{
    ExitInstance();
    exit(1);
}

void CMainApp::ExitInstance()
{
    m_frame.reset();
    m_doc.reset();
    if (m_promptInstalled) {
        SetCurrentPrompt(nullptr);
        m_promptInstalled = false;
    }
}

void CMainApp::SetAutoSyncRunning(bool running)
{
    m_autoSyncRunning = running;
    // The document's runs read the mode: no questions and no message boxes.
    if (m_doc)
        m_doc->SetAutoSyncMode(running);
}

void CMainApp::RegisterDesktopIntegration()
{
    // The launcher, the document type "*.snc", the icons and Pairwell as the
    // opener of its documents, in the user's folders where nothing provides
    // them yet. Only the window program registers itself: a program that
    // merely runs the start-up (a test) must not become the documents' opener.
    if (GetLastComponent(applicationFilePath()) == QStringLiteral("pairwell"))
        RegisterDesktopIntegrationForUser(applicationFilePath(), DesktopFolders::FromEnvironment());
    m_desktopIntegrationRegistered = true;
}

void CMainApp::ShowAboutBox()
{
    CAboutDlg dialog(m_frame ? static_cast<QWidget*>(m_frame.get()) : activeWindow());
    dialog.exec();
}

bool CMainApp::HandlesCommand(int id) const
{
    return id == Cmd::AppAbout || id == Cmd::AppExit;
}

void CMainApp::UpdateCommand(int id, CommandState& state)
{
    state.enabled = HandlesCommand(id);
}

void CMainApp::ExecuteCommand(int id)
{
    switch (id) {
    case Cmd::AppAbout:
        ShowAboutBox();
        break;
    case Cmd::AppExit:
        // The frame's close saves its placement and asks about a modified document.
        if (m_frame)
            m_frame->close();
        break;
    default:
        break;
    }
}

CMainApp* TheApp()
{
    return qobject_cast<CMainApp*>(QCoreApplication::instance());
}

bool IsAutoSyncRunning()
{
    const CMainApp* app = TheApp();
    return app && app->AutoSyncRunning();
}
