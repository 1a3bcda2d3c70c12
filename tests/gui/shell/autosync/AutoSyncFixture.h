#pragma once

// Shared set-up of the auto-sync tests: the application object of the test
// process, a temporary profile with a log file beside the test's folders,
// scripted answers to every question, documents with projects over real
// temporary folders, and a short minute for the auto-sync timer.

#include "core/filters/FilterSet.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/model/ProjectCreation.h"
#include "core/platform/FileName.h"
#include "core/platform/Profile.h"
#include "core/platform/Prompt.h"
#include "core/settings/CAppOptionDisp.h"
#include "core/settings/CAppOptionSync.h"
#include "core/settings/CAppOptionTool.h"
#include "core/settings/CRecentFileList.h"
#include "gui/shell/CAutoSync.h"
#include "gui/shell/CMainApp.h"
#include "gui/shell/CMainFrame.h"
#include "gui/shell/CSystemTray.h"
#include "support/EnvScope.h"
#include "support/TempProfile.h"
#include "support/TestDir.h"
#include "support/gui/ModalDialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <functional>
#include <optional>

class AutoSyncFixture : public ::testing::Test
{
protected:
    static constexpr qint64 T = 1700000000; // a base time for the files
    // One "minute" of the auto-sync timer in these tests, in milliseconds.
    static constexpr int Minute = 20;

    void SetUp() override
    {
        ASSERT_NE(TheApp(), nullptr);
        CProfile::Instance().WriteProfileString(QStringLiteral("OptionSync"), QStringLiteral("LogFilePath"), LogPath());
        // Subfolders included, files missing at the source deleted for good.
        SetSyncFlags(SyncFlag::Recursive | SyncFlag::DeleteFiles);
        GlobalFilterSet().RemoveAll();
        GlobalOptionDisp().Load();
        GlobalOptionSync().Load();
        GlobalOptionTool().Load();
        RecentFileList().Load();
        CAutoSync::SetMinuteLengthForTesting(Minute);
    }

    void TearDown() override
    {
        TheApp()->ExitInstance();
        CAutoSync::SetMinuteLengthForTesting(0);
        CSystemTray::SetTrayAvailableForTesting(std::nullopt);
        GlobalOptionDisp() = CAppOptionDisp();
        GlobalOptionSync() = CAppOptionSync();
        RecentFileList().Clear();
    }

    // Starts the program's instance; the desktop registration is left alone.
    bool Start(const QStringList& params)
    {
        TheApp()->SetCommandLine(QStringList{QStringLiteral("-ISO")} + params);
        const bool started = TheApp()->InitInstance();
        EXPECT_TRUE(QTest::qWaitFor([] { return !TheApp()->Document() || !TheApp()->Document()->IsLoading(); }, 10000));
        return started;
    }
    CMainFrame& Frame() { return *TheApp()->MainFrame(); }
    CAutoSync& Controller() { return Frame().AutoSync(); }
    CMyDoc& Doc() { return *TheApp()->Document(); }

    // The options as the profile stores them (read at start-up).
    void SetSyncFlags(SyncFlags flags)
    {
        CProfile::Instance().WriteProfileInt(
            QStringLiteral("OptionSync"), QStringLiteral("Flags"), static_cast<int>(flags.toInt()));
    }
    void SetDisplayFlags(DispFlags flags)
    {
        CProfile::Instance().WriteProfileInt(
            QStringLiteral("OptionDisp"), QStringLiteral("Flags"), static_cast<int>(flags.toInt()));
    }
    int StoredSyncFlags() const
    {
        return CProfile::Instance().GetProfileInt(QStringLiteral("OptionSync"), QStringLiteral("Flags"), -1);
    }

    // A project folder "<name>" with two files only it has, and an empty
    // target folder "<name>-target"; returns the project folder.
    QString MakePair(const QString& name)
    {
        dir.WriteFile(name + QStringLiteral("/only-here.txt"), "project side " + name.toUtf8(), T);
        dir.WriteFile(name + QStringLiteral("/docs/readme.txt"), "docs", T);
        dir.MakeFolder(name + QStringLiteral("-target"));
        return dir.PathOf(name);
    }
    QString TargetOf(const QString& name) const { return dir.PathOf(name + QStringLiteral("-target")); }

    // A document at `fileName` in the test folder with one project per name.
    QString MakeDocument(const QString& fileName, const QStringList& projects)
    {
        CMyDoc doc;
        for (const QString& name : projects) {
            NewProjectValues values;
            values.projectFolder = MakePair(name);
            values.targetFolder = TargetOf(name);
            EXPECT_NE(CreateProject(doc.GetRoot(), values), nullptr) << name.toStdString();
        }
        const QString path = dir.PathOf(fileName);
        EXPECT_TRUE(doc.OnSaveDocument(path));
        return path;
    }

    QString LogPath() const { return dir.PathOf(QStringLiteral("sync.log")); }
    // The lines of the log (UTF-16LE, CR LF) without their time stamps.
    QStringList LogLines() const
    {
        const QByteArray bytes = TestDir::Exists(LogPath()) ? TestDir::ReadFile(LogPath()) : QByteArray();
        const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
        QStringList lines = text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        for (QString& line : lines)
            line = line.section(QLatin1Char(' '), 2);
        return lines;
    }

    static bool WaitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 10000); }

    // Waits until the events queued so far (a minimise's handling) have been processed.
    static void ProcessQueuedEvents()
    {
        bool processed = false;
        QMetaObject::invokeMethod(
            qApp, [&] { processed = true; }, Qt::QueuedConnection);
        ASSERT_TRUE(WaitFor([&] { return processed; }));
    }

    TestDir dir;
    TempProfile profile{dir.PathOf(QStringLiteral("Pairwell.ini"))};
    // Trash and temporary files stay inside the test folder.
    EnvScope tmp{"TMPDIR", EncodeFileName(dir.MakeFolder(QStringLiteral("tmp")))};
    EnvScope data{"XDG_DATA_HOME", EncodeFileName(dir.PathOf(QStringLiteral("data")))};
    EnvScope config{"XDG_CONFIG_HOME", EncodeFileName(dir.PathOf(QStringLiteral("config")))};
    CScriptedPrompt prompt;
    CPromptScope promptScope{prompt};
};
