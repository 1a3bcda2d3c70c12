// The option records against a real profile file.
#include "core/platform/Profile.h"
#include "core/settings/CAppOptionDisp.h"
#include "core/settings/CAppOptionSync.h"
#include "core/settings/CAppOptionTool.h"
#include "support/TestDir.h"

#include <gtest/gtest.h>

namespace {

class AppOption : public ::testing::Test
{
protected:
    TestDir dir;
    QString path = dir.PathOf(QStringLiteral("Pairwell.ini"));

    QStringList ValueNames(const QString& section) const
    {
        QStringList names;
        for (const auto& value : CProfile(path).GetSectionValues(section))
            names << value.first;
        return names;
    }
};

} // namespace

TEST_F(AppOption, MissingValuesGiveTheDefaults)
{
    CProfile profile(path);
    CAppOptionDisp disp;
    disp.Flags = DispFlags::fromInt(0);
    disp.HelpFilePath = QStringLiteral("stale");
    disp.Load(profile);
    EXPECT_EQ(disp.Flags, 0x2Bu);
    EXPECT_TRUE(disp.GetHelpFilePath().isEmpty());

    CAppOptionSync sync;
    sync.Flags = SyncFlags::fromInt(0);
    sync.LogFilePath = QStringLiteral("stale");
    sync.Load(profile);
    EXPECT_EQ(sync.Flags, 0x40u);
    EXPECT_TRUE(sync.GetLogFilePath().isEmpty());

    CAppOptionTool tool;
    tool.PathToolCompareText = QStringLiteral("stale");
    tool.Load(profile);
    EXPECT_TRUE(tool.GetPathToolCompareText().isEmpty());
    EXPECT_TRUE(tool.GetPathToolCompareBin().isEmpty());

    // Fresh records carry the defaults before any load.
    EXPECT_EQ(CAppOptionDisp().Flags, 0x2Bu);
    EXPECT_EQ(CAppOptionSync().Flags, 0x40u);
}

TEST_F(AppOption, AllBitsSetReadsAsMissing)
{
    CProfile profile(path);
    profile.WriteProfileInt(QStringLiteral("OptionDisp"), QStringLiteral("Flags"), -1);
    profile.WriteProfileInt(QStringLiteral("OptionSync"), QStringLiteral("Flags"), -1);
    CAppOptionDisp disp;
    disp.Load(profile);
    EXPECT_EQ(disp.Flags, 0x2Bu);
    CAppOptionSync sync;
    sync.Load(profile);
    EXPECT_EQ(sync.Flags, 0x40u);

    // Zero is a stored value like any other.
    profile.WriteProfileInt(QStringLiteral("OptionDisp"), QStringLiteral("Flags"), 0);
    disp.Load(profile);
    EXPECT_EQ(disp.Flags, 0u);
}

TEST_F(AppOption, UnusedBitsSurviveLoadEditSave)
{
    {
        CProfile profile(path);
        CAppOptionDisp disp;
        disp.Flags = DispFlags::fromInt(0xFFFFFC00u) | DispFlag::ToleranceIcon | DispFlag::ExpandAll;
        disp.Save(profile);
        CAppOptionSync sync;
        // Bit 31, bit 9, bits 13-30 and TransferMode 3: nothing edits them.
        sync.Flags = SyncFlags::fromInt(0x80000000u | 0x7FFFE000u | 0x0200u) | SyncFlag::TransferModeMask
            | SyncFlag::RecycleBin;
        sync.Save(profile);
    }
    CProfile profile(path);
    CAppOptionDisp disp;
    disp.Load(profile);
    EXPECT_EQ(disp.Flags, 0xFFFFFC00u | 0x202u);
    disp.Flags ^= DispFlag::ToleranceIcon | DispFlag::GridLines;
    disp.Save(profile);

    CAppOptionSync sync;
    sync.Load(profile);
    EXPECT_EQ(sync.GetTransferMode(), 3);
    EXPECT_EQ(sync.Flags, 0xFFFFE270u);
    sync.Flags |= SyncFlag::Recursive;
    sync.Flags &= ~SyncFlag::RecycleBin;
    sync.SetTransferMode(3); // unchanged: nothing happens
    sync.Save(profile);

    CProfile reread(path);
    CAppOptionDisp disp2;
    disp2.Load(reread);
    EXPECT_EQ(disp2.Flags, 0xFFFFFC00u | 0x210u | 0x200u);
    CAppOptionSync sync2;
    sync2.Load(reread);
    EXPECT_EQ(sync2.Flags, 0xFFFFE231u);
}

TEST_F(AppOption, TransferModeReplacesOnlyItsTwoBits)
{
    CAppOptionSync sync;
    sync.Flags = SyncFlags::fromInt(0xA5A5A5A5u); // transfer mode 2
    EXPECT_EQ(sync.GetTransferMode(), 2);
    sync.SetTransferMode(TransferMode::UpdatedOnly);
    EXPECT_EQ(sync.GetTransferMode(), 1);
    EXPECT_EQ(sync.Flags & ~SyncFlag::TransferModeMask, 0xA5A5A5A5u & ~SyncFlag::TransferModeMask);
    sync.SetTransferMode(6); // only the low two bits count
    EXPECT_EQ(sync.GetTransferMode(), 2);
    EXPECT_EQ(sync.Flags, 0xA5A5A5A5u);
    sync.SetTransferMode(TransferMode::UpdatedAndAdded);
    EXPECT_EQ(sync.Flags, 0xA5A5A585u);
}

TEST_F(AppOption, CopyFlagsFromKeepsTheLogFilePath)
{
    CAppOptionSync global;
    global.Flags = SyncFlags::fromInt(0x1234u);
    global.LogFilePath = QStringLiteral("/var/log/global.log");
    CAppOptionSync working;
    working.LogFilePath = QStringLiteral("/home/me/own.log");
    working.CopyFlagsFrom(global);
    EXPECT_EQ(working.Flags, 0x1234u);
    EXPECT_EQ(working.LogFilePath, QStringLiteral("/home/me/own.log"));
}

TEST_F(AppOption, PathsSurviveARestartAndSaveWritesTheWholeSection)
{
    const QString log = QStringLiteral("/home/ユーザー/log dir/sync;=[x].log");
    const QString text = QStringLiteral("/usr/bin/meld");
    const QString bin = QStringLiteral("/opt/tools/bin diff\\x");
    {
        CProfile::SetInstancePath(path);
        GlobalOptionSync().LogFilePath = log;
        GlobalOptionSync().Save();
        GlobalOptionTool().PathToolCompareText = text;
        GlobalOptionTool().PathToolCompareBin = bin;
        GlobalOptionTool().Save();
        GlobalOptionDisp().Save();
    }
    EXPECT_EQ(ValueNames(QStringLiteral("OptionDisp")),
        (QStringList{QStringLiteral("Flags"), QStringLiteral("HelpFilePath")}));
    EXPECT_EQ(ValueNames(QStringLiteral("OptionSync")),
        (QStringList{QStringLiteral("Flags"), QStringLiteral("LogFilePath"), QStringLiteral("TrashReplaced")}));
    EXPECT_EQ(ValueNames(QStringLiteral("OptionTool")),
        (QStringList{QStringLiteral("PathToolCompareText"), QStringLiteral("PathToolCompareBin")}));

    CProfile restarted(path);
    CAppOptionSync sync;
    sync.Load(restarted);
    EXPECT_EQ(sync.GetLogFilePath(), log);
    EXPECT_EQ(sync.Flags, 0x40u);
    CAppOptionTool tool;
    tool.Load(restarted);
    EXPECT_EQ(tool.GetPathToolCompareText(), text);
    EXPECT_EQ(tool.GetPathToolCompareBin(), bin);
    CAppOptionDisp disp;
    disp.Load(restarted);
    EXPECT_EQ(disp.Flags, 0x2Bu);
    EXPECT_EQ(restarted.GetProfileInt(QStringLiteral("OptionDisp"), QStringLiteral("Flags"), -1), 0x2B);

    // The global records load from the process's profile too.
    GlobalOptionTool().PathToolCompareText.clear();
    GlobalOptionTool().Load();
    EXPECT_EQ(GlobalOptionTool().GetPathToolCompareText(), text);
}

TEST_F(AppOption, ASaveThatCannotBeWrittenFailsForEveryRecordAndWritesNothing)
{
    TestDir folderDir;
    const QString folder = folderDir.MakeFolder(QStringLiteral("Pairwell.ini"));
    CProfile profile(folder);
    CAppOptionDisp disp;
    CAppOptionSync sync;
    CAppOptionTool tool;
    sync.LogFilePath = QStringLiteral("/tmp/x.log");
    EXPECT_FALSE(disp.Save(profile));
    EXPECT_FALSE(sync.Save(profile));
    EXPECT_FALSE(tool.Save(profile));
    EXPECT_TRUE(profile.LastError().startsWith(folder + QStringLiteral(": ")));
    EXPECT_TRUE(TestDir::Exists(folder));

    // Into a file, a save writes every value of the record with one replacement.
    CProfile good(path);
    EXPECT_TRUE(sync.Save(good));
    EXPECT_TRUE(good.LastError().isEmpty());
    EXPECT_EQ(TestDir::ReadFile(path), QByteArray("[OptionSync]\nFlags=64\nLogFilePath=/tmp/x.log\nTrashReplaced=1\n"));
}

TEST_F(AppOption, TheTrashForReplacedFilesIsAValueOfItsOwnOnWhenMissing)
{
    CProfile profile(path);
    CAppOptionSync sync;
    sync.TrashReplaced = false;
    sync.Load(profile);
    EXPECT_TRUE(sync.TrashReplaced); // a profile from before the setting
    sync.TrashReplaced = false;
    ASSERT_TRUE(sync.Save(profile));
    CAppOptionSync loaded;
    loaded.Load(CProfile(path));
    EXPECT_FALSE(loaded.TrashReplaced);
    EXPECT_EQ(loaded.Flags, SyncFlag::Default); // not a bit of the flags
    // The working copy of a run takes the flags only.
    CAppOptionSync working;
    working.TrashReplaced = true;
    working.CopyFlagsFrom(loaded);
    EXPECT_TRUE(working.TrashReplaced);
}
