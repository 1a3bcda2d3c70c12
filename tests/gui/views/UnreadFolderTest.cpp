// A folder that could not be read completely shows so in the project tree:
// the mixed picture, and a tip that says which side could not be read.
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/platform/FileName.h"
#include "core/platform/Prompt.h"
#include "core/settings/CAppOptionSync.h"
#include "gui/resources/Pictures.h"
#include "gui/views/CProjectItem.h"
#include "support/AccessOverride.h"
#include "support/TestDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(UnreadFolder, TheTreeShowsAFolderThatCouldNotBeReadUntilItCanBeReadAgain)
{
    TestDir dir;
    dir.WriteFile(QStringLiteral("P/sub/a.txt"), "a", 1'000'000'000);
    dir.WriteFile(QStringLiteral("T/sub/a.txt"), "a", 1'000'000'000);
    dir.WriteFile(QStringLiteral("T/other/b.txt"), "b", 1'000'000'000);
    CScriptedPrompt prompt;
    CPromptScope scope(prompt);
    GlobalOptionSync().Flags = SyncFlag::Default;
    CMyDoc doc;
    auto node = std::make_unique<CSyncProject>(&doc.GetRoot());
    node->SetFolders(dir.PathOf(QStringLiteral("P")), dir.PathOf(QStringLiteral("T")));
    CSyncProject& project = doc.GetRoot().AddChild(std::move(node));
    doc.GetRoot().Refresh(true);
    ProjectTreeSettings settings;
    settings.showProjectState = true;

    struct Case
    {
        QString folder; // made unreadable, relative to dir
        QString tip;
    };
    for (const Case& c : {Case{QStringLiteral("P/sub"), QStringLiteral("プロジェクトのフォルダを読み取れません")},
             Case{QStringLiteral("T/sub"), QStringLiteral("ターゲットのフォルダを読み取れません")}}) {
        const QByteArray path = EncodeFileName(dir.PathOf(c.folder));
        ASSERT_EQ(::chmod(path.constData(), 0), 0);
        {
            const CWithoutAccessOverride asAUser;
            doc.GetRoot().Refresh(true);
            CProjectItem item(*project.FindChild(QStringLiteral("sub")), settings);
            EXPECT_EQ(item.data(0, ProjectRole::StatusPicture).toInt(), Strip::Mixed) << c.folder.toStdString();
            EXPECT_EQ(item.data(0, Qt::ToolTipRole).toString(), c.tip);
            // The folder beside it is as it is.
            CProjectItem other(*project.FindChild(QStringLiteral("other")), settings);
            EXPECT_EQ(other.data(0, Qt::ToolTipRole).toString(), QStringLiteral("ターゲットのみ存在"));
        }
        ASSERT_EQ(::chmod(path.constData(), 0755), 0);
        doc.GetRoot().Refresh(true);
        CProjectItem item(*project.FindChild(QStringLiteral("sub")), settings);
        EXPECT_EQ(item.data(0, ProjectRole::StatusPicture).toInt(), Strip::StateSame);
        EXPECT_EQ(item.data(0, Qt::ToolTipRole).toString(), QString());
    }
}
