#include "support/SyncRunFixture.h"
#include "support/SyncTestSupport.h"

namespace {

constexpr SyncFlags kQuiet = SyncFlag::NoConfirmation; // no questions, no nothing-to-do message

// One file of every state between the two folders of a project.
void LayOutEveryState(TestDir& dir, qint64 oldTime, qint64 newTime)
{
    dir.WriteFile(QStringLiteral("P/same.txt"), "same", oldTime);
    dir.WriteFile(QStringLiteral("T/same.txt"), "same", oldTime);
    dir.WriteFile(QStringLiteral("P/tolerance.txt"), "tol", oldTime + 2);
    dir.WriteFile(QStringLiteral("T/tolerance.txt"), "TOL", oldTime);
    dir.WriteFile(QStringLiteral("P/pnewer.txt"), "project new", newTime);
    dir.WriteFile(QStringLiteral("T/pnewer.txt"), "target old", oldTime);
    dir.WriteFile(QStringLiteral("P/tnewer.txt"), "project old", oldTime);
    dir.WriteFile(QStringLiteral("T/tnewer.txt"), "target new", newTime);
    dir.WriteFile(QStringLiteral("P/ponly.txt"), "project only", oldTime);
    dir.WriteFile(QStringLiteral("T/tonly.txt"), "target only", oldTime);
    dir.WriteFile(QStringLiteral("P/size.txt"), "short", oldTime);
    dir.WriteFile(QStringLiteral("T/size.txt"), "longer", oldTime);
}

struct TableCase
{
    SyncDirection direction;
    int mode;
};

} // namespace

class StateTable : public SyncRunTest, public ::testing::WithParamInterface<TableCase>
{
};

TEST_P(StateTable, EachStateIsCopiedDeletedOrLeftAsTheDirectionAndTransferModeSay)
{
    const auto [direction, mode] = GetParam();
    LayOutEveryState(dir, kOld, kNew);
    CSyncProject& project = AddProject();
    const SyncFlags flags = kQuiet | SyncFlag::DeleteFiles | TransferMode::Bits(mode);
    const bool exporting = direction == SyncDirection::Export;
    const bool updated = mode != TransferMode::AddedOnly;
    const bool added = mode != TransferMode::UpdatedOnly;

    ASSERT_TRUE(Run(&project, flags, direction) || (!updated && !added));
    QStringList copies;
    QStringList expectedCopies;
    for (qsizetype i = 0; i < doc.GetCopySources().size(); ++i)
        copies << doc.GetCopySources().at(i) + QStringLiteral(" -> ") + doc.GetCopyDestinations().at(i);
    if (exporting) {
        if (updated)
            expectedCopies << P("pnewer.txt") + QStringLiteral(" -> ") + T("pnewer.txt");
        if (added)
            expectedCopies << P("ponly.txt") + QStringLiteral(" -> ") + T("ponly.txt");
        EXPECT_EQ(doc.GetDeletions(), QStringList{T("tonly.txt")});
    } else {
        if (updated)
            expectedCopies << T("tnewer.txt") + QStringLiteral(" -> ") + P("tnewer.txt");
        if (added)
            expectedCopies << T("tonly.txt") + QStringLiteral(" -> ") + P("tonly.txt");
        EXPECT_EQ(doc.GetDeletions(), QStringList{P("ponly.txt")});
    }
    std::sort(copies.begin(), copies.end());
    EXPECT_EQ(copies, expectedCopies);

    // On disk: what was listed happened, everything else is as it was.
    const QString from = exporting ? QStringLiteral("P/") : QStringLiteral("T/");
    const QString to = exporting ? QStringLiteral("T/") : QStringLiteral("P/");
    const QString newerName = exporting ? QStringLiteral("pnewer.txt") : QStringLiteral("tnewer.txt");
    const QString onlyName = exporting ? QStringLiteral("ponly.txt") : QStringLiteral("tonly.txt");
    const QString goneName = exporting ? QStringLiteral("tonly.txt") : QStringLiteral("ponly.txt");
    EXPECT_EQ(
        TestDir::ReadFile(dir.PathOf(to + newerName)) == TestDir::ReadFile(dir.PathOf(from + newerName)), updated);
    EXPECT_EQ(TestDir::Exists(dir.PathOf(to + onlyName)), added);
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(to + goneName)));
    // Never transferred: newer on the destination, same size at equal times differing.
    const QString olderName = exporting ? QStringLiteral("tnewer.txt") : QStringLiteral("pnewer.txt");
    EXPECT_NE(TestDir::ReadFile(dir.PathOf(to + olderName)), TestDir::ReadFile(dir.PathOf(from + olderName)));
    EXPECT_EQ(TestDir::ReadFile(P("size.txt")), QByteArray("short"));
    EXPECT_EQ(TestDir::ReadFile(T("size.txt")), QByteArray("longer"));
    EXPECT_EQ(TestDir::ReadFile(T("tolerance.txt")), QByteArray("TOL"));
    EXPECT_TRUE(result.copies.errors.isEmpty());
    EXPECT_TRUE(prompt.Requests().empty());
}

INSTANTIATE_TEST_SUITE_P(AllModes, StateTable,
    ::testing::Values(TableCase{SyncDirection::Export, 0}, TableCase{SyncDirection::Export, 1},
        TableCase{SyncDirection::Export, 2}, TableCase{SyncDirection::Export, 3}, TableCase{SyncDirection::Import, 0},
        TableCase{SyncDirection::Import, 1}, TableCase{SyncDirection::Import, 2}, TableCase{SyncDirection::Import, 3}));

TEST_F(SyncRunTest, CopiesKeepTheSourceTimeSoASecondCollectionFindsNothing)
{
    LayOutEveryState(dir, kOld, kNew);
    dir.WriteFile(QStringLiteral("P/sub/deep.txt"), "deep", kNew);
    CSyncProject& project = AddProject();
    ASSERT_TRUE(Run(&project, kQuiet | SyncFlag::Recursive | SyncFlag::DeleteFiles, SyncDirection::Export));
    EXPECT_EQ(TestDir::MTime(T("pnewer.txt")), kNew);
    EXPECT_EQ(TestDir::MTime(T("sub/deep.txt")), kNew);

    doc.GetRoot().Refresh(true);
    CSyncRun again(doc);
    again.Collect(&project, Options(kQuiet | SyncFlag::Recursive | SyncFlag::DeleteFiles), SyncDirection::Export);
    EXPECT_TRUE(doc.GetCopySources().isEmpty()) << doc.GetCopySources().join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(doc.GetDeletions().isEmpty());
    EXPECT_FALSE(Run(&project, SyncFlag::Recursive | SyncFlag::DeleteFiles, SyncDirection::Export));
    EXPECT_EQ(result.outcome, SyncOutcome::NothingToDo);
    EXPECT_EQ(prompt.Texts(), QStringList{NothingToDoText()});
    EXPECT_EQ(prompt.Requests().at(0).icon, PromptIcon::Information);
}

TEST_F(SyncRunTest, RecursionFollowsBitZero)
{
    dir.WriteFile(QStringLiteral("P/top.txt"), "top", kOld);
    dir.WriteFile(QStringLiteral("P/sub/inner.txt"), "inner", kOld);
    dir.WriteFile(QStringLiteral("P/sub/deeper/last.txt"), "last", kOld);
    CSyncProject& project = AddProject();
    ASSERT_TRUE(Run(&project, kQuiet, SyncDirection::Export));
    EXPECT_EQ(doc.GetCopySources(), QStringList{P("top.txt")});
    EXPECT_FALSE(TestDir::Exists(T("sub")));

    ASSERT_TRUE(Run(&project, kQuiet | SyncFlag::Recursive, SyncDirection::Export));
    EXPECT_EQ(doc.GetCopySources(), (QStringList{P("sub/inner.txt"), P("sub/deeper/last.txt")}));
    EXPECT_EQ(TestDir::ReadFile(T("sub/deeper/last.txt")), QByteArray("last"));
}

TEST_F(SyncRunTest, FolderDeletionListsTheFolderAsOnePathAndFileDeletionLeavesTheEmptyFolder)
{
    dir.WriteFile(QStringLiteral("P/keep.txt"), "keep", kOld);
    dir.WriteFile(QStringLiteral("T/keep.txt"), "keep", kOld);
    dir.WriteFile(QStringLiteral("T/old/a.txt"), "a", kOld);
    dir.WriteFile(QStringLiteral("T/old/nested/b.txt"), "b", kOld);
    CSyncProject& project = AddProject();

    // Bit 3 clear, bit 2 set: the files one by one, the folders stay.
    ASSERT_TRUE(Run(&project, kQuiet | SyncFlag::Recursive | SyncFlag::DeleteFiles, SyncDirection::Export));
    EXPECT_EQ(doc.GetDeletions(), (QStringList{T("old/a.txt"), T("old/nested/b.txt")}));
    EXPECT_TRUE(S_ISDIR(StatOf(T("old/nested")).st_mode));
    EXPECT_FALSE(TestDir::Exists(T("old/a.txt")));

    // Bit 3: the folder as one path, nothing below it visited.
    dir.WriteFile(QStringLiteral("T/old/c.txt"), "c", kOld);
    doc.GetRoot().Refresh(true);
    ASSERT_TRUE(Run(&project, kQuiet | SyncFlag::Recursive | SyncFlag::DeleteFiles | SyncFlag::DeleteFolders,
        SyncDirection::Export));
    EXPECT_EQ(doc.GetDeletions(), QStringList{T("old")});
    EXPECT_FALSE(TestDir::Exists(T("old")));
    EXPECT_EQ(TestDir::ReadFile(T("keep.txt")), QByteArray("keep"));
    EXPECT_TRUE(result.deletions.Succeeded());
}

TEST_F(SyncRunTest, AWholeMissingProjectFolderIsDeletedOnlyInAnInteractiveRun)
{
    dir.WriteFile(QStringLiteral("T/a.txt"), "a", kOld);
    dir.WriteFile(QStringLiteral("T/sub/b.txt"), "b", kOld);
    CSyncProject& project = AddProject();
    const SyncFlags flags = kQuiet | SyncFlag::Recursive | SyncFlag::DeleteFiles | SyncFlag::DeleteFolders;

    // Unattended (auto-sync, command line): an unreachable source is skipped and reported.
    EXPECT_FALSE(Run(&doc.GetRoot(), flags, SyncDirection::Export, true));
    EXPECT_TRUE(doc.GetDeletions().isEmpty());
    EXPECT_EQ(result.skippedProjects, QStringList{QStringLiteral("P")});
    EXPECT_EQ(TestDir::ReadFile(T("sub/b.txt")), QByteArray("b"));
    doc.SetAutoSyncMode(true);
    EXPECT_FALSE(Run(&project, flags, SyncDirection::Export));
    EXPECT_EQ(result.skippedProjects, QStringList{QStringLiteral("P")});
    EXPECT_TRUE(TestDir::Exists(T("a.txt")));
    doc.SetAutoSyncMode(false);

    // Interactive: the designed behaviour, the whole target folder as one deletion.
    ASSERT_TRUE(Run(&project, flags, SyncDirection::Export));
    EXPECT_EQ(doc.GetDeletions(), QStringList{dir.PathOf(QStringLiteral("T"))});
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(QStringLiteral("T"))));
    EXPECT_TRUE(result.skippedProjects.isEmpty());
}

TEST_F(SyncRunTest, ImportWithAMissingTargetFolderDeletesTheProjectFolderWhenInteractive)
{
    dir.WriteFile(QStringLiteral("P/a.txt"), "a", kOld);
    CSyncProject& project = AddProject();
    const SyncFlags flags = kQuiet | SyncFlag::DeleteFiles | SyncFlag::DeleteFolders;
    EXPECT_FALSE(Run(&project, flags, SyncDirection::Import, true));
    EXPECT_TRUE(TestDir::Exists(P("a.txt")));
    ASSERT_TRUE(Run(&project, flags, SyncDirection::Import));
    EXPECT_EQ(doc.GetDeletions(), QStringList{dir.PathOf(QStringLiteral("P"))});
    EXPECT_FALSE(TestDir::Exists(P("a.txt")));
}

TEST_F(SyncRunTest, AnEmptySourceOnlyFolderIsCopiedWithBitOneAndAFolderWithAFileByTheFileRules)
{
    dir.WriteFile(QStringLiteral("P/a.txt"), "a", kOld);
    dir.MakeFolder(QStringLiteral("P/empty"));
    TestDir::SetMTime(P("empty"), kOld + 7);
    dir.WriteFile(QStringLiteral("P/withfile/f.txt"), "f", kOld);
    CSyncProject& project = AddProject();

    ASSERT_TRUE(Run(&project, kQuiet | SyncFlag::Recursive, SyncDirection::Export));
    EXPECT_FALSE(TestDir::Exists(T("empty")));

    ASSERT_TRUE(Run(&project, kQuiet | SyncFlag::Recursive | SyncFlag::CopyEmptyFolders, SyncDirection::Export));
    EXPECT_EQ(doc.GetCopySources(), QStringList{P("empty")});
    EXPECT_EQ(doc.GetCopyDestinations(), QStringList{T("empty")});
    EXPECT_TRUE(S_ISDIR(StatOf(T("empty")).st_mode));
    EXPECT_EQ(TestDir::MTime(T("empty")), kOld + 7);
    EXPECT_EQ(TestDir::ReadFile(T("withfile/f.txt")), QByteArray("f"));
}

TEST_F(SyncRunTest, FiltersAndNoSyncActPerVisitedNodeAndTheRunsOptionsGovernEveryNode)
{
    auto entry = std::make_unique<FilterEntry>();
    entry->ParseStoredText(QStringLiteral("backups"), QStringLiteral("!*.bak"));
    GlobalFilterSet().append(std::move(entry));
    doc.SetCommonFilterSelection({QStringLiteral("backups")});

    dir.WriteFile(QStringLiteral("P/a.txt"), "a", kOld);
    dir.WriteFile(QStringLiteral("P/a.bak"), "a", kOld);
    dir.WriteFile(QStringLiteral("P/own/b.bak"), "b", kOld);
    dir.WriteFile(QStringLiteral("P/quiet/c.txt"), "c", kOld);
    dir.WriteFile(QStringLiteral("P/quiet/below/d.txt"), "d", kOld);
    dir.WriteFile(QStringLiteral("T/own/stale.txt"), "stale", kOld);
    CSyncProject& project = AddProject();
    CSyncProject* own = project.FindChild(QStringLiteral("own"));
    CSyncProject* quiet = project.FindChild(QStringLiteral("quiet"));
    ASSERT_TRUE(own && quiet);
    own->ApplyFilterSetting(false, {}, false); // its own, empty selection: nothing excluded there
    // Its own options would delete; the run's options do not, and they govern every node.
    own->ApplySyncOptions(false, Options(SyncFlag::DeleteFiles | SyncFlag::DeleteFolders), false);
    quiet->SetNoSync(true);

    ASSERT_TRUE(Run(&project, kQuiet | SyncFlag::Recursive, SyncDirection::Export));
    EXPECT_EQ(doc.GetCopySources(), (QStringList{P("a.txt"), P("own/b.bak"), P("quiet/below/d.txt")}));
    EXPECT_TRUE(doc.GetDeletions().isEmpty());
    EXPECT_FALSE(TestDir::Exists(T("a.bak")));
    EXPECT_FALSE(TestDir::Exists(T("quiet/c.txt")));
    EXPECT_TRUE(TestDir::Exists(T("own/stale.txt")));
}

TEST_F(SyncRunTest, SelectionModeTransfersExactlyTheSelectedFiles)
{
    for (int i = 0; i < 10; ++i)
        dir.WriteFile(QStringLiteral("P/f%1.txt").arg(i), "x", kOld);
    dir.WriteFile(QStringLiteral("P/Case.txt"), "x", kOld);
    dir.WriteFile(QStringLiteral("P/sub/f1.txt"), "x", kOld);
    CSyncProject& project = AddProject();
    CSyncRun run(doc);
    const QStringList names{QStringLiteral("f3.txt"), QStringLiteral("f7.txt"), QStringLiteral("case.txt")};
    ASSERT_TRUE(run.SynchronizeFiles(&project, names, Options(kQuiet | SyncFlag::Recursive), SyncDirection::Export));
    EXPECT_EQ(doc.GetCopySources(), (QStringList{P("f3.txt"), P("f7.txt")})); // names compare exactly
    EXPECT_EQ(doc.GetFileSelection(), nullptr);
    EXPECT_TRUE(TestDir::Exists(T("f3.txt")));
    EXPECT_FALSE(TestDir::Exists(T("f1.txt")));
    EXPECT_FALSE(TestDir::Exists(T("sub")));
}

TEST_F(SyncRunTest, ThePreviewHookRemovesActionsAndCanStopTheRun)
{
    dir.WriteFile(QStringLiteral("P/a.txt"), "a", kOld);
    dir.WriteFile(QStringLiteral("P/b.txt"), "b", kOld);
    dir.WriteFile(QStringLiteral("T/gone.txt"), "gone", kOld);
    CSyncProject& project = AddProject();
    const SyncFlags flags = SyncFlag::DeleteFiles; // questions on: the preview replaces none of them

    int shown = 0;
    previewHook = [&](SyncLists&) {
        ++shown;
        return false;
    };
    doc.SetPreview(true);
    EXPECT_FALSE(Run(&project, flags, SyncDirection::Export));
    EXPECT_EQ(result.outcome, SyncOutcome::PreviewStopped);
    EXPECT_TRUE(doc.IsPreview());
    EXPECT_FALSE(TestDir::Exists(T("a.txt")));
    EXPECT_TRUE(TestDir::Exists(T("gone.txt")));

    previewHook = [&](SyncLists& lists) {
        ++shown;
        EXPECT_EQ(lists.copySources, (QStringList{P("a.txt"), P("b.txt")}));
        EXPECT_EQ(lists.deletions, QStringList{T("gone.txt")});
        lists.copySources.removeAt(0);
        lists.copyDestinations.removeAt(0);
        lists.deletions.clear();
        return true;
    };
    ASSERT_TRUE(Run(&project, flags | kQuiet, SyncDirection::Export));
    EXPECT_EQ(shown, 2);
    EXPECT_FALSE(doc.IsPreview());
    EXPECT_FALSE(TestDir::Exists(T("a.txt")));
    EXPECT_TRUE(TestDir::Exists(T("b.txt")));
    EXPECT_TRUE(TestDir::Exists(T("gone.txt")));

    // With nothing to do the preview opens empty and no message follows.
    doc.SetPreview(true);
    previewHook = [&](SyncLists& lists) {
        ++shown;
        EXPECT_TRUE(lists.IsEmpty());
        return true;
    };
    dir.WriteFile(QStringLiteral("T/a.txt"), "a", kOld);
    QString error;
    ASSERT_TRUE(DeleteForGood(T("gone.txt"), &error));
    doc.GetRoot().Refresh(true);
    EXPECT_FALSE(Run(&project, {}, SyncDirection::Export));
    EXPECT_EQ(shown, 3);
    EXPECT_TRUE(prompt.Requests().empty());
}

TEST_F(SyncRunTest, BitEightWithAnUncreatableFolderKeepsTheDeletionsAndMakesNoCopies)
{
    dir.WriteFile(QStringLiteral("A/a.txt"), "a", kOld);
    dir.WriteFile(QStringLiteral("AT/a.txt"), "a", kOld);
    dir.WriteFile(QStringLiteral("AT/stale.txt"), "stale", kOld);
    dir.WriteFile(QStringLiteral("B/b.txt"), "b", kOld);
    AddProject(QStringLiteral("A"), QStringLiteral("AT"));
    AddProject(QStringLiteral("B"), QStringLiteral("missing/twice/BT")); // two levels missing: one is created at most
    const SyncFlags flags = SyncFlag::DeleteFiles | SyncFlag::CheckFolders;
    prompt.Push(PromptAnswer::Yes); // the delete confirmation

    EXPECT_FALSE(Run(&doc.GetRoot(), flags, SyncDirection::Export));
    EXPECT_EQ(result.outcome, SyncOutcome::FolderFailed);
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(QStringLiteral("AT/stale.txt"))));
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(QStringLiteral("missing"))));
    ASSERT_EQ(prompt.Requests().size(), 2u);
    const PromptRequest& error = prompt.Requests().at(1);
    EXPECT_EQ(error.caption, QStringLiteral("Error"));
    EXPECT_EQ(error.icon, PromptIcon::Information);
    EXPECT_EQ(TestDir::ReadFile(logPath),
        Utf16(QStringLiteral("2004/03/01 09:05:03 DEL ") + dir.PathOf(QStringLiteral("AT/stale.txt"))
            + QStringLiteral("\r\n")));

    // One missing level is created, and the copy goes there.
    dir.MakeFolder(QStringLiteral("missing/twice"));
    doc.GetRoot().Refresh(true);
    ASSERT_TRUE(Run(&doc.GetRoot(), kQuiet | SyncFlag::CheckFolders, SyncDirection::Export));
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("missing/twice/BT/b.txt"))), QByteArray("b"));
}

TEST_F(SyncRunTest, TheLogHoldsTheExactBytesOfEachRunDeletionsFirst)
{
    dir.WriteFile(QStringLiteral("P/x.txt"), "x", kOld);
    dir.WriteFile(QStringLiteral("T/a b.txt"), "a b", kOld);
    CSyncProject& project = AddProject();
    ASSERT_TRUE(Run(&project, kQuiet | SyncFlag::DeleteFiles, SyncDirection::Export));
    const QString first = QStringLiteral("2004/03/01 09:05:03 DEL \"") + T("a b.txt") + QStringLiteral("\"\r\n")
        + QStringLiteral("2004/03/01 09:05:03 COPY ") + P("x.txt") + QLatin1Char(' ') + T("x.txt")
        + QStringLiteral("\r\n");
    EXPECT_EQ(TestDir::ReadFile(logPath), Utf16(first));

    CSyncLog::SetClock([] { return QDateTime(QDate(2004, 3, 2), QTime(10, 0, 0)); });
    dir.WriteFile(QStringLiteral("P/y.txt"), "y", kOld);
    doc.GetRoot().Refresh(true);
    ASSERT_TRUE(Run(&project, kQuiet, SyncDirection::Export));
    EXPECT_EQ(TestDir::ReadFile(logPath),
        Utf16(first + QStringLiteral("2004/03/02 10:00:00 COPY ") + P("y.txt") + QLatin1Char(' ') + T("y.txt")
            + QStringLiteral("\r\n")));
}

TEST_F(SyncRunTest, WithoutALogPathEachRunWritesANewTemporaryFileAndNothingToDoMakesNone)
{
    dir.WriteFile(QStringLiteral("P/x.txt"), "x", kOld);
    CSyncProject& project = AddProject();
    logPath.clear();
    ASSERT_TRUE(Run(&project, kQuiet, SyncDirection::Export));
    EXPECT_TRUE(result.logPath.startsWith(dir.PathOf(QStringLiteral("tmp/PWL"))));
    EXPECT_EQ(TestDir::ReadFile(result.logPath),
        Utf16(QStringLiteral("2004/03/01 09:05:03 COPY ") + P("x.txt") + QLatin1Char(' ') + T("x.txt")
            + QStringLiteral("\r\n")));
    doc.GetRoot().Refresh(true);
    EXPECT_FALSE(Run(&project, {}, SyncDirection::Export));
    QStringList names;
    QString error;
    ASSERT_TRUE(ListFolderEntries(dir.PathOf(QStringLiteral("tmp")), &names, &error));
    EXPECT_EQ(names.size(), 1);
}

TEST_F(SyncRunTest, AnUnopenableLogStopsTheRunBeforeAnythingChanges)
{
    dir.WriteFile(QStringLiteral("P/x.txt"), "x", kOld);
    dir.WriteFile(QStringLiteral("T/old.txt"), "old", kOld);
    CSyncProject& project = AddProject();
    logPath = dir.PathOf(QStringLiteral("no/such/folder/sync.log"));
    EXPECT_FALSE(Run(&project, kQuiet | SyncFlag::DeleteFiles, SyncDirection::Export));
    EXPECT_EQ(result.outcome, SyncOutcome::LogFailed);
    EXPECT_TRUE(TestDir::Exists(T("old.txt")));
    EXPECT_FALSE(TestDir::Exists(T("x.txt")));
    ASSERT_EQ(prompt.Requests().size(), 1u);
    EXPECT_TRUE(prompt.Requests().at(0).text.contains(logPath));
}

TEST_F(SyncRunTest, AutoSyncModeAsksNothingAndShowsNothing)
{
    dir.WriteFile(QStringLiteral("P/x.txt"), "new", kNew);
    dir.WriteFile(QStringLiteral("T/x.txt"), "old", kOld);
    dir.WriteFile(QStringLiteral("T/stale.txt"), "stale", kOld);
    CSyncProject& project = AddProject();
    doc.SetAutoSyncMode(true);
    // Bit 6 (trash) and no bit 7: still no question in auto-sync mode.
    ASSERT_TRUE(Run(&doc.GetRoot(), SyncFlag::DeleteFiles | SyncFlag::RecycleBin, SyncDirection::Export));
    EXPECT_EQ(TestDir::ReadFile(T("x.txt")), QByteArray("new"));
    EXPECT_FALSE(TestDir::Exists(T("stale.txt")));
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("data/Trash/files/stale.txt"))), QByteArray("stale"));
    doc.GetRoot().Refresh(true);
    EXPECT_FALSE(Run(&project, {}, SyncDirection::Export));
    EXPECT_TRUE(prompt.Requests().empty());
}

TEST_F(SyncRunTest, TheDocumentsOwnRunUsesTheInstalledPreviewAndKeepsTheResult)
{
    dir.WriteFile(QStringLiteral("P/x.txt"), "x", kOld);
    CSyncProject& project = AddProject();
    int previews = 0;
    doc.SetSyncHooks({[&](SyncLists&) {
        ++previews;
        return true;
    }});
    doc.SetPreview(true);
    EXPECT_TRUE(doc.Synchronize(&project, Options(kQuiet), SyncDirection::Export));
    doc.SetSyncHooks({});
    EXPECT_EQ(previews, 1);
    EXPECT_EQ(doc.LastSyncResult().outcome, SyncOutcome::Executed);
    EXPECT_EQ(doc.LastSyncResult().copies.Count(FileOpStatus::Done), 1);
    // Nothing left to import: the run does not execute.
    EXPECT_FALSE(doc.SynchronizeFiles(&project, {QStringLiteral("x.txt")}, Options(kQuiet), SyncDirection::Import));
    EXPECT_EQ(doc.LastSyncResult().outcome, SyncOutcome::NothingToDo);
}

TEST_F(SyncRunTest, ARunHasOnlyTheHooksItsCallerGivesIt)
{
    dir.WriteFile(QStringLiteral("P/x.txt"), "x", kOld);
    CSyncProject& project = AddProject();
    int previews = 0;
    doc.SetSyncHooks({[&](SyncLists&) {
        ++previews;
        return false; // back to the options
    }});
    doc.SetPreview(true);
    // A run made on the document without its hooks has no preview to show: it stops.
    CSyncRun bare(doc);
    EXPECT_FALSE(bare.Synchronize(&project, Options(kQuiet), SyncDirection::Export));
    EXPECT_EQ(bare.Result().outcome, SyncOutcome::PreviewStopped);
    EXPECT_EQ(previews, 0);
    // The document's own run shows the installed one.
    EXPECT_FALSE(doc.Synchronize(&project, Options(kQuiet), SyncDirection::Export));
    EXPECT_EQ(previews, 1);
    EXPECT_EQ(doc.LastSyncResult().outcome, SyncOutcome::PreviewStopped);
    EXPECT_FALSE(TestDir::Exists(T("x.txt")));
    // Another document has hooks of its own: none.
    EXPECT_FALSE(CMyDoc().GetSyncHooks().preview);
    EXPECT_EQ(CMyDoc().GetSyncHooks().observer, nullptr);
    doc.SetSyncHooks({});
}

TEST_F(SyncRunTest, NamesThatDifferInLetterCaseKeepEachSidesOwnSpelling)
{
    dir.WriteFile(QStringLiteral("P/Readme.TXT"), "project", kNew);
    dir.WriteFile(QStringLiteral("T/README.txt"), "target", kOld);
    CSyncProject& project = AddProject();
    ASSERT_TRUE(Run(&project, kQuiet, SyncDirection::Export));
    EXPECT_EQ(doc.GetCopyDestinations(), QStringList{T("README.txt")});
    EXPECT_EQ(TestDir::ReadFile(T("README.txt")), QByteArray("project"));
    EXPECT_FALSE(TestDir::Exists(T("Readme.TXT")));

    TestDir::SetMTime(T("README.txt"), kNew + 100);
    doc.GetRoot().Refresh(true);
    ASSERT_TRUE(Run(&project, kQuiet, SyncDirection::Import));
    EXPECT_EQ(doc.GetCopySources(), QStringList{T("README.txt")});
    EXPECT_EQ(doc.GetCopyDestinations(), QStringList{P("Readme.TXT")});
    EXPECT_TRUE(result.copies.Succeeded());
}

TEST_F(SyncRunTest, RescannedRecordsGiveTheListsOfFreshScans)
{
    dir.WriteFile(QStringLiteral("P/same.txt"), "s", kOld);
    dir.WriteFile(QStringLiteral("T/same.txt"), "s", kOld);
    dir.WriteFile(QStringLiteral("P/newer.txt"), "n", kNew);
    dir.WriteFile(QStringLiteral("T/newer.txt"), "o", kOld);
    dir.WriteFile(QStringLiteral("T/gone.txt"), "g", kOld);
    dir.WriteFile(QStringLiteral("P/sub/added.txt"), "a", kOld);
    dir.WriteFile(QStringLiteral("P/sub/.hidden"), "h", kNew);
    dir.WriteFile(QStringLiteral("T/sub/.hidden"), "h", kOld);
    dir.WriteFile(QStringLiteral("P/quiet/q.txt"), "q", kOld);
    dir.MakeFolder(QStringLiteral("P/empty"));
    dir.WriteFile(QStringLiteral("T/onlytarget/x.txt"), "x", kOld);
    CSyncProject& project = AddProject();
    project.FindChild(QStringLiteral("quiet"))->SetNoSync(true);
    // The sub folder's own options skip hidden files, so its rescan left a file out.
    project.FindChild(QStringLiteral("sub"))->ApplySyncOptions(false, Options(SyncFlag::SkipHiddenFiles), false);
    doc.GetRoot().Refresh(true);
    EXPECT_TRUE(project.FolderStatus().HoldsAllFiles());
    EXPECT_FALSE(project.FindChild(QStringLiteral("sub"))->FolderStatus().HoldsAllFiles());

    const SyncFlags flags
        = kQuiet | SyncFlag::Recursive | SyncFlag::DeleteFiles | SyncFlag::DeleteFolders | SyncFlag::CopyEmptyFolders;
    const auto collect = [&](bool reuse, SyncDirection direction) {
        CSyncRun run(doc);
        run.SetUseRescannedRecords(reuse);
        run.Collect(&doc.GetRoot(), Options(flags), direction);
        return QList<QStringList>{doc.GetCopySources(), doc.GetCopyDestinations(), doc.GetDeletions()};
    };
    for (const SyncDirection direction : {SyncDirection::Export, SyncDirection::Import}) {
        const QList<QStringList> fresh = collect(false, direction);
        EXPECT_EQ(collect(true, direction), fresh);
    }
    const QList<QStringList> exported = collect(true, SyncDirection::Export);
    EXPECT_TRUE(exported.at(0).contains(P("sub/.hidden"))); // the hidden file, found by a fresh scan
    EXPECT_TRUE(exported.at(0).contains(P("newer.txt")));
    EXPECT_TRUE(exported.at(2).contains(T("gone.txt")));

    // The records are those of the rescan: a file written since is seen only by a fresh scan.
    dir.WriteFile(QStringLiteral("P/later.txt"), "l", kOld);
    EXPECT_FALSE(collect(true, SyncDirection::Export).at(0).contains(P("later.txt")));
    EXPECT_TRUE(collect(false, SyncDirection::Export).at(0).contains(P("later.txt")));
}
