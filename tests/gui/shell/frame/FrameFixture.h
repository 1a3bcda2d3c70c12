#pragma once

// Shared set-up of the start-up and main window tests: the application object
// of the test process, a temporary profile, scripted answers to every
// question, and documents with projects over real temporary folders.

#include "core/filters/FilterSet.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/model/ProjectCreation.h"
#include "core/platform/Profile.h"
#include "core/platform/Prompt.h"
#include "core/settings/CAppOptionDisp.h"
#include "core/settings/CAppOptionSync.h"
#include "core/settings/CAppOptionTool.h"
#include "core/settings/CRecentFileList.h"
#include "gui/shell/CMainApp.h"
#include "support/TempProfile.h"
#include "support/TestDir.h"
#include "support/gui/ModalDialogs.h"

#include <gtest/gtest.h>

#include <QTest>
#include <functional>

class FrameFixture : public ::testing::Test
{
protected:
    static constexpr qint64 T = 1700000000; // a base time for the files

    void SetUp() override
    {
        ASSERT_NE(TheApp(), nullptr);
        // Runs log beside the test's folders, not in the temporary folder.
        CProfile::Instance().WriteProfileString(
            QStringLiteral("OptionSync"), QStringLiteral("LogFilePath"), dir.PathOf(QStringLiteral("sync.log")));
        GlobalFilterSet().RemoveAll();
        GlobalOptionDisp().Load();
        GlobalOptionSync().Load();
        GlobalOptionTool().Load();
        RecentFileList().Load();
        TheApp()->SetCommandLine({});
    }

    void TearDown() override
    {
        TheApp()->ExitInstance();
        GlobalOptionDisp() = CAppOptionDisp();
        GlobalOptionSync() = CAppOptionSync();
        RecentFileList().Clear();
    }

    QString ProfilePath() const { return dir.PathOf(QStringLiteral("Pairwell.ini")); }

    // A project folder "<name>" with a file only it has, and an empty target
    // folder "<name>-target"; returns the project folder.
    QString MakePair(const QString& name)
    {
        dir.WriteFile(name + QStringLiteral("/only-here.txt"), "project side", T);
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

    static bool WaitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 10000); }
    // Waits until `doc` (by default the application's, which may go away
    // meanwhile) is no longer being opened: read and rescanned, or failed.
    static bool WaitForOpening(CMyDoc* doc = nullptr)
    {
        return WaitFor([doc] {
            const CMyDoc* opened = doc ? doc : (TheApp() ? TheApp()->Document() : nullptr);
            return !opened || !opened->IsLoading();
        });
    }

    TestDir dir;
    TempProfile profile{ProfilePath()};
    CScriptedPrompt prompt;
    CPromptScope promptScope{prompt};
};
