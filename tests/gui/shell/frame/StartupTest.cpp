// Start-up with each switch of the command line, on real documents and a
// real profile.
#include "FrameFixture.h"

#include "gui/shell/CMainFrame.h"
#include "gui/views/CProjectView.h"

#include <QDir>
#include <QTreeWidgetItem>

namespace {

class Startup : public FrameFixture
{
protected:
    bool Start(const QStringList& params)
    {
        TheApp()->SetCommandLine(params);
        const bool started = TheApp()->InitInstance();
        EXPECT_TRUE(WaitForOpening());
        return started;
    }
    CMainFrame& Frame() { return *TheApp()->MainFrame(); }
    CMyDoc& Doc() { return *TheApp()->Document(); }

    // The number of projects the tree shows under its root item.
    int TreeProjects()
    {
        QTreeWidget& tree = Frame().TreeView();
        if (tree.topLevelItemCount() != 1)
            return -1;
        QTreeWidgetItem* root = tree.topLevelItem(0);
        tree.expandItem(root);
        return root->childCount();
    }
};

} // namespace

TEST_F(Startup, NoParametersStartANewDocumentShownNormally)
{
    ASSERT_TRUE(Start({}));
    EXPECT_TRUE(Doc().GetPathName().isEmpty());
    EXPECT_EQ(Doc().GetRoot().ChildCount(), 0);
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_FALSE(Frame().isMinimized());
    EXPECT_FALSE(TheApp()->AutoSyncRunning());
    EXPECT_FALSE(Doc().IsAutoSyncMode());
    EXPECT_EQ(TheApp()->AutoSyncMinutes(), 15);
    EXPECT_FALSE(TheApp()->SyncAtStart());
    EXPECT_FALSE(TheApp()->ExitAfterSync());
    EXPECT_FALSE(TheApp()->SyncOnEndSession());
    EXPECT_TRUE(TheApp()->DesktopIntegrationRegistered());
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("無題 - Pairwell"));
    // The scripted answers installed before the start stay in force.
    EXPECT_EQ(&CurrentPrompt(), &prompt);
    EXPECT_EQ(TreeProjects(), 0);
}

TEST_F(Startup, AutoSyncSwitchStoresTheMinutesAndStartsMinimised)
{
    ASSERT_TRUE(Start({QStringLiteral("-a7")}));
    EXPECT_TRUE(TheApp()->AutoSyncRunning());
    EXPECT_TRUE(IsAutoSyncRunning());
    EXPECT_EQ(TheApp()->AutoSyncMinutes(), 7);
    // The document's runs ask nothing while auto-sync runs.
    EXPECT_TRUE(Doc().IsAutoSyncMode());
    EXPECT_TRUE(Frame().isMinimized());
    TheApp()->ExitInstance();

    ASSERT_TRUE(Start({QStringLiteral("-a")}));
    EXPECT_TRUE(TheApp()->AutoSyncRunning());
    EXPECT_EQ(TheApp()->AutoSyncMinutes(), 15);
    TheApp()->ExitInstance();

    // A later start without the switch begins with auto-sync off again.
    ASSERT_TRUE(Start({}));
    EXPECT_FALSE(TheApp()->AutoSyncRunning());
    EXPECT_FALSE(Doc().IsAutoSyncMode());
}

TEST_F(Startup, ADocumentWhoseNameBeginsWithAOpensAndFillsTheTree)
{
    const QString path = MakeDocument(QStringLiteral("abc.snc"), {QStringLiteral("alpha"), QStringLiteral("beta")});
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.Path());
    const bool started = Start({QStringLiteral("abc.snc")});
    QDir::setCurrent(previous);
    ASSERT_TRUE(started);

    EXPECT_FALSE(TheApp()->AutoSyncRunning());
    EXPECT_FALSE(Frame().isMinimized());
    // Opened under its full path, which the recent-file list keeps.
    EXPECT_EQ(Doc().GetPathName(), path);
    EXPECT_EQ(RecentFileList().At(0), path);
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("abc.snc - Pairwell"));
    EXPECT_EQ(Doc().GetRoot().ChildCount(), 2);
    EXPECT_EQ(TreeProjects(), 2);
}

TEST_F(Startup, IsoLeavesTheDesktopRegistrationAlone)
{
    ASSERT_TRUE(Start({QStringLiteral("-ISO")}));
    EXPECT_TRUE(TheApp()->NoShellRegistration());
    EXPECT_FALSE(TheApp()->DesktopIntegrationRegistered());
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_FALSE(Frame().isMinimized());
}

TEST_F(Startup, SyncAtStartAndExitExportsEverythingThenCloses)
{
    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha"), QStringLiteral("beta")});
    // Even with confirmation asked for in the options, nothing is asked.
    CProfile::Instance().WriteProfileInt(QStringLiteral("OptionSync"), QStringLiteral("Flags"),
        static_cast<int>(SyncFlag::Recursive | SyncFlag::RecycleBin));
    ASSERT_TRUE(Start({QStringLiteral("-s"), QStringLiteral("-e"), path}));
    EXPECT_TRUE(TheApp()->SyncAtStart());
    EXPECT_TRUE(TheApp()->ExitAfterSync());
    EXPECT_FALSE(TheApp()->AutoSyncRunning());

    const QString copied = TargetOf(QStringLiteral("beta")) + QStringLiteral("/only-here.txt");
    ASSERT_TRUE(WaitFor([&] { return TestDir::Exists(copied); }));
    EXPECT_EQ(TestDir::ReadFile(copied), QByteArray("project side"));
    EXPECT_TRUE(TestDir::Exists(TargetOf(QStringLiteral("alpha")) + QStringLiteral("/docs/readme.txt")));
    EXPECT_TRUE(WaitFor([&] { return !Frame().isVisible(); }));
    EXPECT_EQ(prompt.Requests().size(), 0u);
}

TEST_F(Startup, SyncAtStartAloneExportsAtEveryMinimise)
{
    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha")});
    ASSERT_TRUE(Start({path, QStringLiteral("-s")}));
    const QString first = TargetOf(QStringLiteral("alpha")) + QStringLiteral("/only-here.txt");
    ASSERT_TRUE(WaitFor([&] { return TestDir::Exists(first); }));
    EXPECT_TRUE(Frame().isVisible());

    dir.WriteFile(QStringLiteral("alpha/later.txt"), "later", T + 100);
    Frame().showNormal();
    Frame().showMinimized();
    const QString second = TargetOf(QStringLiteral("alpha")) + QStringLiteral("/later.txt");
    EXPECT_TRUE(WaitFor([&] { return TestDir::Exists(second); }));
    EXPECT_TRUE(Frame().isVisible());
}

TEST_F(Startup, WithoutSwitchesAMinimiseExportsNothing)
{
    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha")});
    ASSERT_TRUE(Start({path}));
    Frame().showMinimized();
    // A run queued behind the minimise would have happened by the time this
    // marker event is processed.
    bool processed = false;
    QMetaObject::invokeMethod(
        &Frame(), [&] { processed = true; }, Qt::QueuedConnection);
    ASSERT_TRUE(WaitFor([&] { return processed; }));
    EXPECT_FALSE(TestDir::Exists(TargetOf(QStringLiteral("alpha")) + QStringLiteral("/only-here.txt")));
}

TEST_F(Startup, SyncOnEndSessionExportsBeforeTheSessionEnds)
{
    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha")});
    ASSERT_TRUE(Start({QStringLiteral("-SOE"), path}));
    EXPECT_TRUE(TheApp()->SyncOnEndSession());
    const QString copied = TargetOf(QStringLiteral("alpha")) + QStringLiteral("/only-here.txt");
    EXPECT_FALSE(TestDir::Exists(copied));
    EXPECT_TRUE(Frame().QueryEndSession());
    EXPECT_TRUE(TestDir::Exists(copied));
}

TEST_F(Startup, EndOfSessionRefusedWhenTheUserCancelsSaving)
{
    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha")});
    ASSERT_TRUE(Start({QStringLiteral("-SOE"), path}));
    Doc().SetModifiedFlag(true);
    prompt.Push(PromptAnswer::Cancel);
    EXPECT_FALSE(Frame().QueryEndSession());
    // Nothing was exported for a session that goes on.
    EXPECT_FALSE(TestDir::Exists(TargetOf(QStringLiteral("alpha")) + QStringLiteral("/only-here.txt")));
    EXPECT_EQ(prompt.Requests().size(), 1u);
}

TEST_F(Startup, MostRecentDocumentOpensOrTheStartFails)
{
    const QString path = MakeDocument(QStringLiteral("recent.snc"), {QStringLiteral("alpha")});
    RecentFileList().Add(path);
    RecentFileList().Save();
    ASSERT_TRUE(Start({QStringLiteral("-mFile1")}));
    EXPECT_EQ(TheApp()->LastDocumentPath(), path);
    EXPECT_EQ(Doc().GetPathName(), path);
    EXPECT_EQ(Doc().GetRoot().ChildCount(), 1);
    TheApp()->ExitInstance();

    // The most recent document no longer exists: a message, and the program ends.
    ASSERT_TRUE(QFile::remove(path));
    prompt.Push(PromptAnswer::Ok);
    EXPECT_FALSE(Start({QStringLiteral("-mFile1")}));
    EXPECT_EQ(TheApp()->MainFrame(), nullptr);
    EXPECT_EQ(prompt.Requests().size(), 1u);

    // An empty list starts with a new document.
    RecentFileList().Clear();
    RecentFileList().Save();
    ASSERT_TRUE(Start({QStringLiteral("-mFile1")}));
    EXPECT_TRUE(Doc().GetPathName().isEmpty());
}

TEST_F(Startup, ADocumentFoundDamagedAfterTheWindowIsShownEndsTheProgram)
{
    const QString path = dir.WriteFile(QStringLiteral("damaged.snc"), QByteArray("\x01\x00\xFF\xFE", 4));
    prompt.Push(PromptAnswer::Ok);
    // The file can be read, so the window comes at once; the rescan finds it damaged.
    TheApp()->SetCommandLine({QStringLiteral("-ISO"), path});
    ASSERT_TRUE(TheApp()->InitInstance());
    EXPECT_TRUE(WaitFor([] { return TheApp()->MainFrame() == nullptr; }));
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_TRUE(prompt.Requests()[0].text.startsWith(path));
    EXPECT_TRUE(RecentFileList().Entries().isEmpty());
}

TEST_F(Startup, RecentListAndOptionsComeFromTheProfile)
{
    CProfile& profile = CProfile::Instance();
    profile.WriteProfileString(QStringLiteral("Recent File List"), QStringLiteral("File1"), QStringLiteral("/x/a.snc"));
    profile.WriteProfileString(QStringLiteral("Recent File List"), QStringLiteral("File2"), QStringLiteral("/x/b.snc"));
    profile.WriteProfileInt(QStringLiteral("OptionDisp"), QStringLiteral("Flags"), 0x1);
    profile.WriteProfileString(
        QStringLiteral("OptionTool"), QStringLiteral("PathToolCompareText"), QStringLiteral("/usr/bin/meld"));
    profile.WriteProfileString(QStringLiteral("FileFilter"), QStringLiteral("Objects"), QStringLiteral("!*.o"));
    RecentFileList().Clear();
    GlobalOptionDisp() = CAppOptionDisp();
    ASSERT_TRUE(Start({}));
    EXPECT_EQ(RecentFileList().Entries(), (QStringList{QStringLiteral("/x/a.snc"), QStringLiteral("/x/b.snc")}));
    EXPECT_EQ(TheApp()->LastDocumentPath(), QStringLiteral("/x/a.snc"));
    EXPECT_EQ(GlobalOptionDisp().Flags, 0x1u);
    EXPECT_EQ(GlobalOptionTool().PathToolCompareText, QStringLiteral("/usr/bin/meld"));
    EXPECT_EQ(GlobalFilterSet().size(), 1);
}

TEST(LibraryCheck, TheQtRunTimeMustBeAtLeastTheBuildVersion)
{
    CScriptedPrompt prompt;
    CPromptScope scope(prompt);
    EXPECT_TRUE(CMainApp::CheckLibraryVersion(
        QStringLiteral("libQt6Core.so.6"), QStringLiteral("6.4.2"), QStringLiteral("6.4.2")));
    EXPECT_TRUE(CMainApp::CheckLibraryVersion(
        QStringLiteral("libQt6Core.so.6"), QStringLiteral("6.10.0"), QStringLiteral("6.4.2")));
    EXPECT_TRUE(prompt.Requests().empty());

    prompt.Push(PromptAnswer::Ok);
    EXPECT_FALSE(CMainApp::CheckLibraryVersion(
        QStringLiteral("libQt6Core.so.6"), QStringLiteral("6.4.1"), QStringLiteral("6.4.2")));
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(prompt.Requests()[0].text,
        QStringLiteral("libQt6Core.so.6が見つからないか、古いバージョンがインストールされています。\r\n"
                       "詳細はReadMe.txtの項目3.1.を参照して下さい。"));
    EXPECT_EQ(prompt.Requests()[0].icon, PromptIcon::Information);

    // A version that cannot be read is refused too.
    prompt.Push(PromptAnswer::Ok);
    EXPECT_FALSE(CMainApp::CheckLibraryVersion(QStringLiteral("libQt6Core.so.6"), QString(), QStringLiteral("6.4")));
}
