// Runs that must not act on half-knowledge or outside their pair: folders
// not set, folders that overlap, folders that cannot be read, a source that
// looks unmounted, and the log lines of a run while it goes on.
#include "core/platform/Paths.h"
#include "support/AccessOverride.h"
#include "support/SyncRunFixture.h"
#include "support/SyncTestSupport.h"

#include <chrono>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr SyncFlags kQuiet = SyncFlag::NoConfirmation;
constexpr SyncFlags kEverything
    = kQuiet | SyncFlag::Recursive | SyncFlag::DeleteFiles | SyncFlag::DeleteFolders | SyncFlag::CopyEmptyFolders;

// The working directory of the process for the life of the object.
class CWorkingDirectory
{
public:
    explicit CWorkingDirectory(const QString& path)
    {
        char* old = ::getcwd(nullptr, 0);
        m_old = old ? QByteArray(old) : QByteArray("/");
        std::free(old);
        EXPECT_EQ(::chdir(EncodeFileName(path).constData()), 0);
    }
    ~CWorkingDirectory() { EXPECT_EQ(::chdir(m_old.constData()), 0); }

private:
    QByteArray m_old;
};

// The permission bits of a folder for the life of the object, so that the
// temporary folder can be removed whatever the test does.
class CFolderMode
{
public:
    CFolderMode(const QString& path, mode_t mode) : m_path(EncodeFileName(path))
    {
        EXPECT_EQ(::chmod(m_path.constData(), mode), 0);
    }
    ~CFolderMode() { ::chmod(m_path.constData(), 0755); }

private:
    QByteArray m_path;
};

// Waits up to five seconds for `condition`, looking every few milliseconds.
template <typename Condition> bool WaitFor(Condition condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace

class RunSafety : public SyncRunTest
{
protected:
    // A project over the paths as given (no rescan: a path that is not set must not be read at all).
    CSyncProject& AddRawProject(const QString& project, const QString& target)
    {
        auto node = std::make_unique<CSyncProject>(&doc.GetRoot());
        node->SetFolders(project, target);
        return doc.GetRoot().AddChild(std::move(node));
    }

    QByteArray LogLine(const QString& text) const
    {
        return Utf16(QStringLiteral("2004/03/01 09:05:03 ") + text + QStringLiteral("\r\n"));
    }
};

TEST_F(RunSafety, AFolderThatIsNotSetIsLeftOutAndTheWorkingDirectoryIsNeverTouched)
{
    dir.WriteFile(QStringLiteral("P/a.txt"), "from the project", kNew);
    dir.WriteFile(QStringLiteral("T/a.txt"), "from the target", kNew);
    const QString users = dir.WriteFile(QStringLiteral("cwd/a.txt"), "the user's own", kOld);
    dir.WriteFile(QStringLiteral("cwd/T/a.txt"), "the user's own", kOld);
    const CWorkingDirectory here(dir.PathOf(QStringLiteral("cwd")));
    struct Case
    {
        QString project;
        QString target;
        SyncDirection direction;
        int unsetSide;
    };
    const QString project = dir.PathOf(QStringLiteral("P"));
    const QString target = dir.PathOf(QStringLiteral("T"));
    const QString nul = target + QChar(0) + QStringLiteral("x");
    const Case cases[] = {
        {project, QString(), SyncDirection::Export, 1},
        {project, QStringLiteral("T"), SyncDirection::Export, 1},
        {project, QStringLiteral("."), SyncDirection::Export, 1},
        {project, nul, SyncDirection::Export, 1},
        {QString(), target, SyncDirection::Import, 0},
        {QStringLiteral("."), target, SyncDirection::Import, 0},
    };
    for (const Case& c : cases) {
        doc.GetRoot().DeleteChildren();
        AddRawProject(c.project, c.target);
        for (const bool unattended : {false, true}) {
            EXPECT_FALSE(Run(&doc.GetRoot(), kEverything, c.direction, unattended));
            EXPECT_EQ(result.skippedProjects.size(), 1);
            EXPECT_EQ(
                result.problems, QStringList{SyncRunText::FolderNotSet(GetLastComponent(c.project), c.unsetSide)});
            EXPECT_TRUE(result.AnyFailed());
            EXPECT_TRUE(doc.GetCopySources().isEmpty());
            EXPECT_TRUE(doc.GetDeletions().isEmpty());
        }
    }
    EXPECT_EQ(TestDir::ReadFile(users), QByteArray("the user's own"));
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("cwd/T/a.txt"))), QByteArray("the user's own"));
    EXPECT_EQ(TestDir::ReadFile(T("a.txt")), QByteArray("from the target"));
    EXPECT_EQ(TestDir::ReadFile(P("a.txt")), QByteArray("from the project"));
    // Each interactive run said why (an unattended one leaves that to its
    // caller, with no box to close); none said there was nothing to do.
    EXPECT_EQ(prompt.Texts().size(), 6);
    EXPECT_EQ(prompt.Texts().first(), SyncRunText::FolderNotSet(QStringLiteral("P"), 1));
    EXPECT_EQ(prompt.Requests().front().icon, PromptIcon::Error);
    EXPECT_FALSE(prompt.Texts().contains(NothingToDoText()));
}

TEST_F(RunSafety, FoldersThatOverlapAreLeftOutButANameThatMerelyBeginsAlikeIsNot)
{
    dir.WriteFile(QStringLiteral("P/a.txt"), "a", kNew);
    dir.MakeFolder(QStringLiteral("P/inner"));
    dir.MakeLink(QStringLiteral("link"), dir.PathOf(QStringLiteral("P")));
    const QString project = dir.PathOf(QStringLiteral("P"));
    struct Case
    {
        QString project;
        QString target;
        bool overlap;
    };
    const Case cases[] = {
        {project, P("T"), true}, // the target inside the project
        {P("inner"), project, true}, // the project inside the target
        {project, project, true}, {project, dir.PathOf(QStringLiteral("link/T")), true}, // inside through a link
        {project, dir.PathOf(QStringLiteral("P/inner/../T")), true},
        {project, dir.PathOf(QStringLiteral("Pc")), false}, // "/x/Pc" is not inside "/x/P"
    };
    for (const Case& c : cases) {
        doc.GetRoot().DeleteChildren();
        AddRawProject(c.project, c.target);
        Run(&doc.GetRoot(), kEverything, SyncDirection::Export);
        EXPECT_EQ(result.skippedProjects.isEmpty(), !c.overlap) << c.target.toStdString();
        if (c.overlap) {
            EXPECT_EQ(result.problems, QStringList{SyncRunText::FoldersOverlap(GetLastComponent(c.project))});
        }
    }
    // Each export would have put the project one level deeper into itself.
    EXPECT_FALSE(TestDir::Exists(P("T")));
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("Pc/a.txt"))), QByteArray("a"));
}

TEST_F(RunSafety, AFolderThatCannotBeReadGivesNoDeletionsOnTheOtherSideWhileCopiesGoOn)
{
    struct Case
    {
        QString unreadable; // below the source folder ("": the source folder itself)
        SyncDirection direction;
    };
    const Case cases[] = {{QStringLiteral("sub"), SyncDirection::Export}, {QString(), SyncDirection::Export},
        {QStringLiteral("sub"), SyncDirection::Import}};
    int number = 0;
    for (const Case& c : cases) {
        // Each case over folders of its own.
        const QString p = QStringLiteral("P%1").arg(number);
        const QString t = QStringLiteral("T%1").arg(number++);
        const bool exporting = c.direction == SyncDirection::Export;
        const QString fromName = exporting ? p : t;
        const QString toName = exporting ? t : p;
        const QString from = dir.PathOf(fromName);
        const QString to = dir.PathOf(toName);
        dir.WriteFile(fromName + QStringLiteral("/new.txt"), "new", kNew);
        dir.WriteFile(fromName + QStringLiteral("/sub/kept.txt"), "kept", kOld);
        dir.WriteFile(toName + QStringLiteral("/sub/kept.txt"), "kept", kOld);
        dir.WriteFile(toName + QStringLiteral("/sub/only-here.txt"), "only here", kOld);
        dir.WriteFile(toName + QStringLiteral("/sub/deeper/x.txt"), "x", kOld);
        CSyncProject& project = AddProject(p, t);
        const QString unreadable = JoinPath(from, c.unreadable);
        {
            const CFolderMode closed(unreadable, 0);
            const CWithoutAccessOverride asAUser;
            for (const bool unattended : {false, true}) {
                Run(&project, kEverything, c.direction, unattended);
                EXPECT_TRUE(doc.GetDeletions().isEmpty()) << doc.GetDeletions().join(QLatin1Char(' ')).toStdString();
                EXPECT_TRUE(result.unreadFolders.contains(unreadable)) << unreadable.toStdString();
                EXPECT_TRUE(result.problems.contains(SyncRunText::SourceUnread(unreadable, JoinPath(to, c.unreadable))))
                    << result.problems.join(QLatin1Char('\n')).toStdString();
                EXPECT_TRUE(result.AnyFailed());
            }
            // The tree shows it too.
            CSyncProject* unreadNode = c.unreadable.isEmpty() ? &project : project.FindChild(c.unreadable);
            ASSERT_NE(unreadNode, nullptr);
            EXPECT_EQ(unreadNode->GetFolderState(true), SyncMixed);
            EXPECT_TRUE(unreadNode->FolderStatus().IsReadIncomplete(exporting ? 0 : 1));
        }
        EXPECT_TRUE(TestDir::Exists(to + QStringLiteral("/sub/only-here.txt")));
        EXPECT_TRUE(TestDir::Exists(to + QStringLiteral("/sub/deeper/x.txt")));
        // What could be read is copied.
        if (!c.unreadable.isEmpty()) {
            EXPECT_EQ(TestDir::ReadFile(to + QStringLiteral("/new.txt")), QByteArray("new"));
        }
    }
    // The interactive runs showed their problems as an error.
    ASSERT_FALSE(prompt.Requests().empty());
    EXPECT_EQ(prompt.Requests().front().icon, PromptIcon::Error);
}

TEST_F(RunSafety, AFileThatAnIncompleteDestinationListingDidNotShowIsNeverReplaced)
{
    dir.WriteFile(QStringLiteral("P/sub/unseen.txt"), "older", kNew);
    dir.WriteFile(QStringLiteral("T/sub/unseen.txt"), "newer and precious", kNew + 50);
    dir.WriteFile(QStringLiteral("P/sub/fresh.txt"), "fresh", kNew);
    CSyncProject& project = AddProject();
    {
        // Files can be made in T/sub, but its entries cannot be listed.
        const CFolderMode writeOnly(T("sub"), 0300);
        const CWithoutAccessOverride asAUser;
        Run(&project, kEverything, SyncDirection::Export);
    }
    EXPECT_EQ(TestDir::ReadFile(T("sub/unseen.txt")), QByteArray("newer and precious"));
    EXPECT_EQ(TestDir::ReadFile(T("sub/fresh.txt")), QByteArray("fresh"));
    EXPECT_EQ(result.unreadFolders, QStringList{T("sub")});
    EXPECT_TRUE(result.problems.contains(SyncRunText::DestinationUnread(T("sub"))));
}

TEST_F(RunSafety, AnEmptySourceBesideAFullDestinationIsLeftOutOnlyWhenNobodyWatches)
{
    dir.MakeFolder(QStringLiteral("P"));
    dir.WriteFile(QStringLiteral("T/a.txt"), "a", kOld);
    dir.WriteFile(QStringLiteral("T/sub/b.txt"), "b", kOld);
    AddProject();

    for (const bool autoSync : {false, true}) {
        doc.SetAutoSyncMode(autoSync);
        EXPECT_FALSE(Run(&doc.GetRoot(), kEverything, SyncDirection::Export, true));
        EXPECT_EQ(result.skippedProjects, QStringList{QStringLiteral("P")});
        EXPECT_TRUE(result.skippedForSource);
        EXPECT_EQ(result.problems,
            QStringList{SyncRunText::SourceLooksUnmounted(
                QStringLiteral("P"), dir.PathOf(QStringLiteral("P")), dir.PathOf(QStringLiteral("T")))});
        EXPECT_TRUE(doc.GetDeletions().isEmpty());
    }
    doc.SetAutoSyncMode(false);
    EXPECT_TRUE(TestDir::Exists(T("sub/b.txt")));
    // An import from the full side is no such case.
    Run(&doc.GetRoot(), kEverything, SyncDirection::Import, true);
    EXPECT_TRUE(result.skippedProjects.isEmpty());
    EXPECT_EQ(TestDir::ReadFile(P("sub/b.txt")), QByteArray("b"));
    ASSERT_EQ(::unlink(EncodeFileName(P("a.txt")).constData()), 0);
    ASSERT_EQ(::unlink(EncodeFileName(P("sub/b.txt")).constData()), 0);
    ASSERT_EQ(::rmdir(EncodeFileName(P("sub")).constData()), 0);
    doc.GetRoot().Refresh(true);

    // The same for an import whose target folder is the empty one.
    dir.WriteFile(QStringLiteral("P2/a.txt"), "a", kOld);
    dir.MakeFolder(QStringLiteral("T2"));
    CSyncProject& second = AddProject(QStringLiteral("P2"), QStringLiteral("T2"));
    EXPECT_FALSE(Run(&second, kEverything, SyncDirection::Import, true));
    EXPECT_EQ(result.skippedProjects, QStringList{QStringLiteral("P2")});
    EXPECT_TRUE(TestDir::Exists(dir.PathOf(QStringLiteral("P2/a.txt"))));

    // Interactive: the preview offers the deletions, as designed.
    QStringList offered;
    previewHook = [&offered](SyncLists& lists) {
        offered = lists.deletions;
        return true;
    };
    doc.SetPreview(true);
    ASSERT_TRUE(Run(&doc.GetRoot(), kEverything, SyncDirection::Export));
    EXPECT_EQ(offered, (QStringList{T("a.txt"), T("sub")}));
    EXPECT_FALSE(TestDir::Exists(T("a.txt")));
    EXPECT_TRUE(result.problems.isEmpty());
}

TEST_F(RunSafety, AnUnmountedDiskLeftAsAnEmptyMountPointDoesNotEmptyTheTarget)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting needs root";
    const QString point = dir.MakeFolder(QStringLiteral("P"));
    std::optional<TmpfsMount> disk(std::in_place, point, "1m");
    if (!disk->Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    dir.WriteFile(QStringLiteral("P/a.txt"), "a", kOld);
    dir.WriteFile(QStringLiteral("P/sub/b.txt"), "b", kOld);
    AddProject();
    ASSERT_TRUE(Run(&doc.GetRoot(), kEverything, SyncDirection::Export, true));
    ASSERT_EQ(TestDir::ReadFile(T("sub/b.txt")), QByteArray("b"));

    disk.reset(); // the disk goes; its mount point stays, empty
    ASSERT_TRUE(TestDir::Exists(point));
    doc.GetRoot().Refresh(true);
    doc.SetAutoSyncMode(true);
    EXPECT_FALSE(Run(&doc.GetRoot(), kEverything, SyncDirection::Export));
    doc.SetAutoSyncMode(false);
    EXPECT_EQ(result.skippedProjects, QStringList{QStringLiteral("P")});
    EXPECT_TRUE(prompt.Requests().empty()); // auto-sync shows no box
    EXPECT_EQ(TestDir::ReadFile(T("a.txt")), QByteArray("a"));
    EXPECT_EQ(TestDir::ReadFile(T("sub/b.txt")), QByteArray("b"));

    // Someone at the window sees the deletions before they happen.
    SyncLists offered;
    previewHook = [&offered](SyncLists& lists) {
        offered = lists;
        return false;
    };
    doc.SetPreview(true);
    EXPECT_FALSE(Run(&doc.GetRoot(), kEverything, SyncDirection::Export));
    EXPECT_EQ(offered.deletions, (QStringList{T("a.txt"), T("sub")}));
    EXPECT_TRUE(TestDir::Exists(T("a.txt")));
}

TEST_F(RunSafety, TheLogHoldsTheDeletionsBeforeAnyCopyAndEachCopyWithinASecond)
{
    dir.WriteFile(QStringLiteral("P/a.txt"), "a", kNew);
    dir.WriteFile(QStringLiteral("P/b.txt"), "b", kNew);
    dir.WriteFile(QStringLiteral("T/stale.txt"), "stale", kOld);
    dir.WriteFile(QStringLiteral("T/stale2.txt"), "stale", kOld);
    AddProject();
    const QByteArray deletion
        = LogLine(QStringLiteral("DEL ") + T("stale.txt")) + LogLine(QStringLiteral("DEL ") + T("stale2.txt"));
    const QByteArray firstCopy = LogLine(QStringLiteral("COPY ") + P("a.txt") + QLatin1Char(' ') + T("a.txt"));
    const QByteArray secondCopy = LogLine(QStringLiteral("COPY ") + P("b.txt") + QLatin1Char(' ') + T("b.txt"));
    QByteArray atFirstCopy;
    bool firstLineCame = false;
    FileCopyTestHooks::SetAfterDataHook([&](const QString& source, const QString&) {
        if (source == P("a.txt"))
            atFirstCopy = TestDir::ReadFile(logPath);
        // The second copy waits: the line of the first comes all the same.
        if (source == P("b.txt"))
            firstLineCame = WaitFor([&] { return TestDir::ReadFile(logPath) == deletion + firstCopy; });
    });
    ASSERT_TRUE(Run(&doc.GetRoot(), kQuiet | SyncFlag::DeleteFiles, SyncDirection::Export));
    EXPECT_EQ(atFirstCopy, deletion);
    EXPECT_TRUE(firstLineCame);
    EXPECT_EQ(TestDir::ReadFile(logPath), deletion + firstCopy + secondCopy);
}

TEST_F(RunSafety, CopiesOnTwoThreadsAreLoggedInTheOrderOfTheList)
{
    QByteArray expected;
    for (int i = 0; i < 300; ++i) {
        const QString name = QStringLiteral("f%1.txt").arg(i, 3, 10, QLatin1Char('0'));
        dir.WriteFile(QStringLiteral("P/") + name, QByteArray::number(i), kNew);
        expected += LogLine(QStringLiteral("COPY ") + P(name) + QLatin1Char(' ') + T(name));
    }
    dir.MakeFolder(QStringLiteral("T"));
    AddProject();
    ASSERT_TRUE(Run(&doc.GetRoot(), kQuiet, SyncDirection::Export));
    EXPECT_EQ(result.copies.Count(FileOpStatus::Done), 300);
    EXPECT_EQ(TestDir::ReadFile(logPath), expected);
}
