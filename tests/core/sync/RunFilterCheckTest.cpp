// A run that needs filter entries the profile could not give stops before
// anything changes.
#include "support/SyncRunFixture.h"

#include "core/platform/Profile.h"
#include "core/sync/RunFilterCheck.h"

namespace {

constexpr SyncFlags kDeleting = SyncFlag::NoConfirmation | SyncFlag::DeleteFiles;

class RunFilterCheck : public SyncRunTest
{
protected:
    void SetUp() override
    {
        SyncRunTest::SetUp();
        m_oldProfile = CProfile::Instance().Path();
        // "protect" keeps *.bak files out of every run, but its line holds a byte that is not UTF-8.
        CProfile::SetInstancePath(dir.WriteFile(
            QStringLiteral("profile.ini"), "[FileFilter]\nother=!*.tmp\nprotect=!*.b\xE4k\n[OptionSync]\nFlags=64\n"));
        GlobalFilterSet().LoadFromRegistry();
        // The target holds a file that the project side lacks: an export with
        // deletions removes it unless "protect" is in force.
        dir.WriteFile(QStringLiteral("P/sub/a.txt"), "a", kOld);
        dir.WriteFile(QStringLiteral("T/old.bak"), "the only copy", kOld);
        dir.WriteFile(QStringLiteral("T/sub/deep.bak"), "the only copy", kOld);
    }

    void TearDown() override
    {
        CProfile::SetInstancePath(m_oldProfile);
        SyncRunTest::TearDown();
    }

    void ExpectStoppedBeforeAnything(const QStringList& missing)
    {
        EXPECT_EQ(result.outcome, SyncOutcome::FiltersUnread);
        EXPECT_TRUE(result.AnyFailed());
        EXPECT_EQ(result.message, UnreadFiltersText(missing));
        EXPECT_TRUE(doc.GetDeletions().isEmpty());
        EXPECT_TRUE(doc.GetCopySources().isEmpty());
        EXPECT_TRUE(TestDir::Exists(T("old.bak")));
        EXPECT_TRUE(TestDir::Exists(T("sub/deep.bak")));
        EXPECT_FALSE(TestDir::Exists(T("sub/a.txt")));
        EXPECT_FALSE(TestDir::Exists(logPath)); // not even the log was opened
    }

    QString m_oldProfile;
};

} // namespace

TEST_F(RunFilterCheck, ARunWhoseSelectionNamesAnUnreadEntryStopsWithTheMessage)
{
    doc.SetCommonFilterSelection({QStringLiteral("other"), QStringLiteral("protect")});
    CSyncProject& project = AddProject();
    EXPECT_FALSE(Run(&project, kDeleting | SyncFlag::Recursive, SyncDirection::Export));
    ExpectStoppedBeforeAnything({QStringLiteral("protect")});
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(prompt.Requests().at(0).icon, PromptIcon::Error);
    const QString text = prompt.Texts().at(0);
    EXPECT_EQ(text,
        QStringLiteral("設定ファイルからフィルタエントリを読み込めなかったため、同期を中止しました。\n"
                       "読み込めなかったフィルタ: protect\n設定ファイル: ")
            + dir.PathOf(QStringLiteral("profile.ini")));

    // The whole document, the files of a folder and the plan alone stop the same way.
    prompt = CScriptedPrompt();
    EXPECT_FALSE(Run(&doc.GetRoot(), kDeleting, SyncDirection::Import));
    ExpectStoppedBeforeAnything({QStringLiteral("protect")});
    CSyncRun files(doc);
    EXPECT_FALSE(
        files.SynchronizeFiles(&project, {QStringLiteral("old.bak")}, Options(kDeleting), SyncDirection::Export));
    result = files.Result();
    ExpectStoppedBeforeAnything({QStringLiteral("protect")});
    CSyncRun plan(doc);
    plan.Collect(&project, Options(kDeleting), SyncDirection::Export);
    result = plan.Result();
    ExpectStoppedBeforeAnything({QStringLiteral("protect")});
    EXPECT_EQ(prompt.Requests().size(), 3u);
}

TEST_F(RunFilterCheck, AnUnattendedRunStopsWithoutAMessageBox)
{
    doc.SetCommonFilterSelection({QStringLiteral("protect")});
    CSyncProject& project = AddProject();
    doc.SetAutoSyncMode(true);
    EXPECT_FALSE(Run(&doc.GetRoot(), kDeleting | SyncFlag::Recursive, SyncDirection::Export));
    ExpectStoppedBeforeAnything({QStringLiteral("protect")});
    EXPECT_TRUE(prompt.Requests().empty());
    doc.SetAutoSyncMode(false);
    EXPECT_FALSE(project.IsNoSync());
}

// Which runs need the unread entry: only those that visit a node selecting it.
TEST_F(RunFilterCheck, OnlyTheSelectionsOfTheNodesARunVisitsCount)
{
    struct Case
    {
        const char* name;
        QStringList common;
        QStringList subfolderOwn; // empty: the subfolder uses the common selection
        SyncFlags flags;
        bool stops;
    };
    const QStringList protect{QStringLiteral("protect")};
    const QStringList other{QStringLiteral("other")};
    const std::vector<Case> cases = {
        {"selected by the project", protect, {}, kDeleting, true},
        {"only entries that were read", other, {}, kDeleting | SyncFlag::Recursive, false},
        {"nothing selected", {}, {}, kDeleting | SyncFlag::Recursive, false},
        {"selected by a subfolder the run visits", other, protect, kDeleting | SyncFlag::Recursive, true},
        {"selected by a subfolder the run does not visit", other, protect, kDeleting, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        doc.GetRoot().DeleteChildren();
        dir.WriteFile(QStringLiteral("T/old.bak"), "the only copy", kOld);
        doc.SetCommonFilterSelection(c.common);
        CSyncProject& project = AddProject();
        CSyncProject* sub = project.FindChild(QStringLiteral("sub"));
        ASSERT_NE(sub, nullptr);
        if (!c.subfolderOwn.isEmpty())
            sub->ApplyFilterSetting(false, c.subfolderOwn, false);
        EXPECT_EQ(UnreadFiltersOfRun(project, c.flags & SyncFlag::Recursive), c.stops ? protect : QStringList());
        Run(&project, c.flags, SyncDirection::Export);
        EXPECT_EQ(result.outcome == SyncOutcome::FiltersUnread, c.stops);
        // Without the entry in force, the run deletes what it would have protected.
        EXPECT_EQ(TestDir::Exists(T("old.bak")), c.stops);
    }
}

TEST_F(RunFilterCheck, AnEntryThatIsNotInAWholeProfileHasNoEffect)
{
    dir.WriteFile(QStringLiteral("profile.ini"), "[FileFilter]\nother=!*.tmp\n");
    GlobalFilterSet().LoadFromRegistry();
    doc.SetCommonFilterSelection({QStringLiteral("protect")});
    CSyncProject& project = AddProject();
    EXPECT_TRUE(Run(&project, kDeleting, SyncDirection::Export));
    EXPECT_EQ(result.outcome, SyncOutcome::Executed);
    EXPECT_FALSE(TestDir::Exists(T("old.bak")));
}
