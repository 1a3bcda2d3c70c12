// What the window says about the settings file: damage once at start-up,
// a run that needs an entry that could not be read, and options it could not store.
#include "FrameFixture.h"

#include "core/sync/CSyncRun.h"
#include "core/sync/RunFilterCheck.h"
#include "gui/shell/CAppOptionPs.h"
#include "gui/shell/COptionDispPp.h"

#include <QCheckBox>
#include <QDir>
#include <QPushButton>

namespace {

class ProfileMessages : public FrameFixture
{
protected:
    bool Start()
    {
        TheApp()->SetCommandLine({});
        return TheApp()->InitInstance();
    }
};

} // namespace

TEST_F(ProfileMessages, ADamagedSettingsFileIsSaidOnceAtStartAndARunNeedingItsEntryStops)
{
    QByteArray content = TestDir::ReadFile(ProfilePath());
    content += "\n[FileFilter]\nobjects=!*.o\nprotect=!*.b\xE4k\n";
    dir.WriteFile(QStringLiteral("Pairwell.ini"), content);

    ASSERT_TRUE(Start());
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(prompt.Requests().at(0).icon, PromptIcon::Warning);
    const QString text = prompt.Texts().at(0);
    EXPECT_TRUE(text.startsWith(QStringLiteral("設定ファイルの一部を読み込めませんでした。\n") + ProfilePath()
        + QStringLiteral("\n読み込めなかった行: 6\n")))
        << text.toStdString();
    EXPECT_EQ(GlobalFilterSet().size(), 1); // "objects" was read

    // The window's export of a project that selects the entry stops and deletes nothing.
    const QString projectFolder = MakePair(QStringLiteral("P"));
    dir.WriteFile(QStringLiteral("P-target/old.bak"), "the only copy", T);
    NewProjectValues values;
    values.projectFolder = projectFolder;
    values.targetFolder = TargetOf(QStringLiteral("P"));
    CMyDoc& doc = *TheApp()->Document();
    auto* project = CreateProject(doc.GetRoot(), values);
    ASSERT_NE(project, nullptr);
    doc.SetCommonFilterSelection({QStringLiteral("objects"), QStringLiteral("protect")});
    CAppOptionSync options;
    options.Flags = SyncFlag::NoConfirmation | SyncFlag::DeleteFiles | SyncFlag::Recursive;
    EXPECT_FALSE(doc.Synchronize(project, options, SyncDirection::Export));
    EXPECT_EQ(doc.LastSyncResult().outcome, SyncOutcome::FiltersUnread);
    ASSERT_EQ(prompt.Requests().size(), 2u);
    EXPECT_EQ(prompt.Texts().at(1), UnreadFiltersText({QStringLiteral("protect")}));
    EXPECT_TRUE(TestDir::Exists(TargetOf(QStringLiteral("P")) + QStringLiteral("/old.bak")));
    EXPECT_FALSE(TestDir::Exists(TargetOf(QStringLiteral("P")) + QStringLiteral("/only-here.txt")));

    // A second start says it again; a mended file says nothing.
    TheApp()->ExitInstance();
    ASSERT_TRUE(Start());
    EXPECT_EQ(prompt.Requests().size(), 3u);
    TheApp()->ExitInstance();
    content.replace("!*.b\xE4k", "!*.bak");
    dir.WriteFile(QStringLiteral("Pairwell.ini"), content);
    ASSERT_TRUE(Start());
    EXPECT_EQ(prompt.Requests().size(), 3u);
    EXPECT_EQ(GlobalFilterSet().size(), 2);
}

TEST_F(ProfileMessages, OptionsThatCannotBeStoredAreSaidOnceWhenTheSheetIsConfirmed)
{
    ASSERT_TRUE(Start());
    ASSERT_TRUE(prompt.Requests().empty());
    // The settings file has become a folder.
    ASSERT_TRUE(QFile::remove(ProfilePath()));
    dir.MakeFolder(QStringLiteral("Pairwell.ini"));

    CAppOptionPs sheet;
    sheet.show();
    for (int page = 0; page < sheet.PageCount(); ++page)
        sheet.SetActivePage(page); // every page is shown, so every page stores its record
    QCheckBox* grid = sheet.DispPp().findChild<QCheckBox*>(QStringLiteral("1142"));
    ASSERT_NE(grid, nullptr);
    grid->setChecked(!grid->isChecked());
    sheet.accept();
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_EQ(prompt.Requests().at(0).icon, PromptIcon::Error);
    EXPECT_EQ(prompt.Texts().at(0),
        QStringLiteral("設定を保存できませんでした。\n") + ProfilePath() + QStringLiteral(": ")
            + CProfile::Instance().Damage().unreadable);
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    EXPECT_TRUE(sheet.DispPp().SaveError().size() > 0);
    EXPECT_TRUE(QDir(ProfilePath()).isEmpty());
}
