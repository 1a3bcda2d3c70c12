// The export and import verbs of pairwell-cli, run as a separate process on
// real folders, a real .snc file and a real profile.
#include "CliRunner.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/platform/FileCopy.h"
#include "core/platform/FileName.h"
#include "core/platform/PathResolution.h"
#include "core/platform/Profile.h"
#include "core/sync/CSyncRun.h"
#include "support/SyncTestSupport.h"
#include "support/TestDir.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr qint64 kOld = 1'000'000'000;
constexpr qint64 kNew = kOld + 100;

class CliSync : public ::testing::Test
{
protected:
    void SetUp() override
    {
        profilePath = dir.PathOf(QStringLiteral("profile.ini"));
        docPath = dir.PathOf(QStringLiteral("doc.snc"));
        dir.MakeFolder(QStringLiteral("tmp"));
    }

    // A document with one project over dir/P and dir/T, stored at docPath.
    void SaveDocument(const QString& project = QStringLiteral("P"), const QString& target = QStringLiteral("T"))
    {
        CMyDoc doc;
        auto node = std::make_unique<CSyncProject>(&doc.GetRoot());
        node->SetFolders(dir.PathOf(project), target.isEmpty() ? QString() : dir.PathOf(target));
        doc.GetRoot().AddChild(std::move(node));
        ASSERT_TRUE(doc.OnSaveDocument(docPath));
    }

    // The environment of every run, with `extra` over it.
    QMap<QString, QString> Environment(const QMap<QString, QString>& extra = {}) const
    {
        QMap<QString, QString> environment = EnvironmentIn(dir, profilePath);
        environment.insert(extra);
        return environment;
    }

    CliResult Cli(const QStringList& args, const QMap<QString, QString>& extra = {},
        const QString& workingDirectory = QString(), const QString& program = QStringLiteral(PAIRWELL_CLI)) const
    {
        return RunCli(args, {Environment(extra), workingDirectory, program});
    }

    // Starts the tool built with fault injection, stopping itself after 2 MiB of a file; stdin, stdout and
    // stderr on /dev/null.
    pid_t SpawnStopping(const QStringList& args) const
    {
        const CExecArguments exec(QStringLiteral(PAIRWELL_CLI_FAULTS), args,
            CliEnvironment(
                Environment({{QStringLiteral("PAIRWELL_TEST_STOP_AFTER_BYTES"), QStringLiteral("2097152")}})));
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        if (posix_spawn(&pid, exec.Program(), &actions, nullptr, exec.Argv(), exec.Envp()) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }

    // Runs the tool as a user without the capabilities that let root read
    // any folder (dropped from the bounding set before the program starts);
    // stdin on /dev/null.
    CliResult CliAsAUser(const QStringList& args) const
    {
        const CExecArguments exec(QStringLiteral(PAIRWELL_CLI_FAULTS), args, CliEnvironment(Environment()));
        const QByteArray errPath = EncodeFileName(dir.PathOf(QStringLiteral("stderr.txt")));
        const int err = ::open(errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const QByteArray outPath = EncodeFileName(dir.PathOf(QStringLiteral("stdout.txt")));
        const int out = ::open(outPath.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        CliResult result;
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0);
            ::prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0);
            ::dup2(null, 0);
            ::dup2(out, 1);
            ::dup2(err, 2);
            ::execve(exec.Program(), exec.Argv(), exec.Envp());
            ::_exit(127);
        }
        int status = 0;
        if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
            result.code = WEXITSTATUS(status);
        ::close(err);
        ::close(out);
        ::close(null);
        result.err = QString::fromUtf8(TestDir::ReadFile(dir.PathOf(QStringLiteral("stderr.txt"))));
        result.out = QString::fromUtf8(TestDir::ReadFile(dir.PathOf(QStringLiteral("stdout.txt"))));
        return result;
    }

    static QString LogText(const QByteArray& bytes)
    {
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    }

    static QByteArray BigContent()
    {
        QByteArray big(16 << 20, '\0');
        for (qsizetype i = 0; i < big.size(); ++i)
            big[i] = char((i * 131) >> 7);
        return big;
    }

    QString P(const QString& relative) const { return dir.PathOf(QStringLiteral("P/") + relative); }
    QString T(const QString& relative) const { return dir.PathOf(QStringLiteral("T/") + relative); }

    TestDir dir;
    QString profilePath;
    QString docPath;
};

} // namespace

TEST_F(CliSync, PlanListsDeletionsThenCopiesAndChangesNothing)
{
    dir.WriteFile(QStringLiteral("P/a b.txt"), "a", kNew);
    dir.WriteFile(QStringLiteral("P/sub/c.txt"), "c", kNew);
    dir.WriteFile(QStringLiteral("T/a b.txt"), "old", kOld);
    dir.WriteFile(QStringLiteral("T/stale.txt"), "stale", kOld);
    dir.WriteFile(QStringLiteral("T/gone/x.txt"), "x", kOld);
    SaveDocument();
    const QByteArray documentBytes = TestDir::ReadFile(docPath);

    const CliResult plan = Cli(
        {QStringLiteral("export"), docPath, QStringLiteral("--plan"), QStringLiteral("--flags"), QStringLiteral("0d")});
    EXPECT_EQ(plan.code, 0) << plan.err.toStdString();
    const QStringList expected{
        QStringLiteral("Would copy 2 files (2 bytes) from the project folders to the target folders."),
        QStringLiteral(
            "Would delete 1 file and 1 folder with 1 file in it (6 bytes) from the target folders for good."),
        QStringLiteral("DEL ") + T("stale.txt"),
        QStringLiteral("DEL ") + T("gone"),
        QStringLiteral("COPY \"") + P("a b.txt") + QStringLiteral("\" \"") + T("a b.txt") + QLatin1Char('"'),
        QStringLiteral("COPY ") + P("sub/c.txt") + QLatin1Char(' ') + T("sub/c.txt"),
    };
    EXPECT_EQ(plan.out, expected.join(QLatin1Char('\n')) + QLatin1Char('\n'));

    const CliResult json = Cli({QStringLiteral("export"), docPath, QStringLiteral("P"), QStringLiteral("--plan"),
        QStringLiteral("--json"), QStringLiteral("--flags"), QStringLiteral("0xD")});
    EXPECT_EQ(json.code, 0);
    const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(object.value(QStringLiteral("deletions")).toArray(), (QJsonArray{T("stale.txt"), T("gone")}));
    EXPECT_EQ(object.value(QStringLiteral("copies")).toArray(),
        (QJsonArray{QJsonArray{P("a b.txt"), T("a b.txt")}, QJsonArray{P("sub/c.txt"), T("sub/c.txt")}}));
    EXPECT_EQ(object.value(QStringLiteral("direction")).toString(), QStringLiteral("export"));
    EXPECT_EQ(object.value(QStringLiteral("flags")).toInt(), 0xD);
    const QJsonObject summary = object.value(QStringLiteral("summary")).toObject();
    EXPECT_EQ(summary.value(QStringLiteral("copy")).toObject(),
        (QJsonObject{{QStringLiteral("files"), 2}, {QStringLiteral("folders"), 0},
            {QStringLiteral("filesInFolders"), 0}, {QStringLiteral("bytes"), 2}}));
    EXPECT_EQ(summary.value(QStringLiteral("delete")).toObject(),
        (QJsonObject{{QStringLiteral("files"), 1}, {QStringLiteral("folders"), 1},
            {QStringLiteral("filesInFolders"), 1}, {QStringLiteral("bytes"), 6}, {QStringLiteral("trash"), false}}));

    EXPECT_EQ(TestDir::ReadFile(T("a b.txt")), QByteArray("old"));
    EXPECT_TRUE(TestDir::Exists(T("stale.txt")));
    EXPECT_FALSE(TestDir::Exists(T("sub")));
    EXPECT_EQ(TestDir::ReadFile(docPath), documentBytes);
}

TEST_F(CliSync, ARunUsesTheEffectiveOptionsAndTheirLogOrAWorkingCopyWithATemporaryLog)
{
    dir.WriteFile(QStringLiteral("P/a.txt"), "a", kNew);
    dir.WriteFile(QStringLiteral("P/sub/b.txt"), "b", kNew);
    dir.WriteFile(QStringLiteral("T/stale.txt"), "stale", kOld);
    SaveDocument();
    const QByteArray documentBytes = TestDir::ReadFile(docPath);
    const QString configuredLog = dir.PathOf(QStringLiteral("configured.log"));
    {
        CProfile profile(profilePath);
        profile.WriteProfileInt(QStringLiteral("OptionSync"), QStringLiteral("Flags"), 0x85);
        profile.WriteProfileString(QStringLiteral("OptionSync"), QStringLiteral("LogFilePath"), configuredLog);
    }
    const CliResult run = Cli({QStringLiteral("export"), docPath, QStringLiteral("--quiet")});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(TestDir::ReadFile(T("sub/b.txt")), QByteArray("b"));
    EXPECT_EQ(TestDir::MTime(T("sub/b.txt")), kNew);
    EXPECT_FALSE(TestDir::Exists(T("stale.txt")));
    const QByteArray log = TestDir::ReadFile(configuredLog);
    EXPECT_FALSE(log.isEmpty());
    EXPECT_EQ(log.size() % 2, 0);
    EXPECT_TRUE(QString::fromUtf16(reinterpret_cast<const char16_t*>(log.constData()), log.size() / 2)
                    .contains(QStringLiteral(" COPY ") + P("a.txt")));
    EXPECT_EQ(TestDir::ReadFile(docPath), documentBytes);

    // A working copy with other flags writes a temporary log instead.
    dir.WriteFile(QStringLiteral("P/c.txt"), "c", kNew);
    const CliResult working = Cli(
        {QStringLiteral("export"), docPath, QStringLiteral("P"), QStringLiteral("--flags"), QStringLiteral("80")});
    EXPECT_EQ(working.code, 0) << working.err.toStdString();
    EXPECT_EQ(TestDir::ReadFile(configuredLog), log);
    QStringList names;
    QString error;
    ASSERT_TRUE(ListFolderEntries(dir.PathOf(QStringLiteral("tmp")), &names, &error));
    ASSERT_EQ(names.size(), 1);
    EXPECT_TRUE(names.at(0).startsWith(QStringLiteral("PWL")));
}

TEST_F(CliSync, NothingToDoPrintsTheMessageOnStdoutAndBadUsageExitsTwo)
{
    dir.WriteFile(QStringLiteral("P/a.txt"), "a", kOld);
    dir.WriteFile(QStringLiteral("T/a.txt"), "a", kOld);
    SaveDocument();
    const CliResult nothing = Cli({QStringLiteral("import"), docPath, QStringLiteral("--flags"), QStringLiteral("0")});
    EXPECT_EQ(nothing.code, 0);
    EXPECT_EQ(nothing.out, QStringLiteral("更新対象となるファイルは存在しませんでした。\n"));
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(QStringLiteral("tmp/PWL"))));

    EXPECT_EQ(Cli({QStringLiteral("export"), docPath, QStringLiteral("nosuch")}).code, 2);
    EXPECT_EQ(Cli({QStringLiteral("export"), dir.PathOf(QStringLiteral("missing.snc"))}).code, 2);
    dir.WriteFile(QStringLiteral("bad.snc"), "not a document");
    EXPECT_EQ(Cli({QStringLiteral("export"), dir.PathOf(QStringLiteral("bad.snc"))}).code, 2);
    EXPECT_EQ(Cli({QStringLiteral("export"), docPath, QStringLiteral("--flags"), QStringLiteral("xyz")}).code, 2);
    EXPECT_EQ(Cli({QStringLiteral("export"), docPath, QStringLiteral("--files"), QStringLiteral("a.txt")}).code, 2);
    EXPECT_EQ(Cli({QStringLiteral("export"), docPath, QStringLiteral("--bogus")}).code, 2);
    EXPECT_EQ(Cli({QStringLiteral("export")}).code, 2);
}

TEST_F(CliSync, QuestionsAreAnsweredNoWithoutATerminalAndYesWithTheFlag)
{
    dir.WriteFile(QStringLiteral("P/a.txt"), "a", kOld);
    dir.WriteFile(QStringLiteral("T/a.txt"), "a", kOld);
    dir.WriteFile(QStringLiteral("T/stale.txt"), "stale", kOld);
    SaveDocument();
    const CliResult no = Cli({QStringLiteral("export"), docPath, QStringLiteral("--flags"), QStringLiteral("4")});
    EXPECT_EQ(no.code, 3) << no.err.toStdString();
    EXPECT_TRUE(TestDir::Exists(T("stale.txt")));

    const CliResult yes = Cli(
        {QStringLiteral("export"), docPath, QStringLiteral("--flags"), QStringLiteral("4"), QStringLiteral("--yes")});
    EXPECT_EQ(yes.code, 0) << yes.err.toStdString();
    EXPECT_FALSE(TestDir::Exists(T("stale.txt")));

    // The replace question gets No: that file stays, the others are copied.
    dir.WriteFile(QStringLiteral("P/a.txt"), "new a", kNew);
    dir.WriteFile(QStringLiteral("P/added.txt"), "added", kNew);
    const CliResult replace = Cli({QStringLiteral("export"), docPath, QStringLiteral("--flags"), QStringLiteral("0")});
    EXPECT_EQ(replace.code, 3);
    EXPECT_TRUE(replace.err.contains(T("a.txt"))) << replace.err.toStdString();
    EXPECT_EQ(TestDir::ReadFile(T("a.txt")), QByteArray("a"));
    EXPECT_EQ(TestDir::ReadFile(T("added.txt")), QByteArray("added"));
}

TEST_F(CliSync, FailedActionsExitFourAndAreListedOnStderrWhileTheRestIsDone)
{
    dir.WriteFile(QStringLiteral("P/a.txt"), "new a", kNew);
    dir.WriteFile(QStringLiteral("T/a.txt"), "old a", kOld);
    dir.WriteFile(QStringLiteral("T/stale.txt"), "stale", kOld);
    SaveDocument();
    const CliResult run = Cli({QStringLiteral("export"), docPath, QStringLiteral("--flags"), QStringLiteral("84")},
        {{QStringLiteral("PAIRWELL_TEST_FAIL_WRITES_AFTER"), QStringLiteral("0")}}, {},
        QStringLiteral(PAIRWELL_CLI_FAULTS));
    EXPECT_EQ(run.code, 4);
    EXPECT_TRUE(run.err.contains(T("a.txt"))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QString::fromLocal8Bit(std::strerror(ENOSPC)))) << run.err.toStdString();
    EXPECT_EQ(TestDir::ReadFile(T("a.txt")), QByteArray("old a"));
    EXPECT_FALSE(TestDir::Exists(T("stale.txt")));
    EXPECT_TRUE(TempFilesIn(T("")).isEmpty());
}

TEST_F(CliSync, TheInstalledToolDoesNotReactToTheFaultVariables)
{
    dir.WriteFile(QStringLiteral("P/a.txt"), "new a", kNew);
    dir.WriteFile(QStringLiteral("T/a.txt"), "old a", kOld);
    SaveDocument();
    const CliResult run = Cli({QStringLiteral("export"), docPath, QStringLiteral("--flags"), QStringLiteral("84")},
        {{QStringLiteral("PAIRWELL_TEST_FAIL_WRITES_AFTER"), QStringLiteral("0")},
            {QStringLiteral("PAIRWELL_TEST_STOP_AFTER_BYTES"), QStringLiteral("0")}});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(TestDir::ReadFile(T("a.txt")), QByteArray("new a"));
}

TEST_F(CliSync, TheInstalledProgramsHoldNoFaultInjection)
{
    QStringList programs{QStringLiteral(PAIRWELL_CLI)};
#ifdef PAIRWELL_APP
    programs << QStringLiteral(PAIRWELL_APP);
#endif
    for (const QString& program : programs) {
        QFile file(program);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << program.toStdString();
        EXPECT_FALSE(file.readAll().contains("PAIRWELL_TEST_")) << program.toStdString();
    }
    // The test build does hold it: the search above can find it.
    QFile faults(QStringLiteral(PAIRWELL_CLI_FAULTS));
    ASSERT_TRUE(faults.open(QIODevice::ReadOnly));
    EXPECT_TRUE(faults.readAll().contains("PAIRWELL_TEST_"));
}

TEST_F(CliSync, AnUnreachableSourceIsSkippedUnlessAllowed)
{
    dir.WriteFile(QStringLiteral("T/a.txt"), "a", kOld);
    SaveDocument(); // dir/P does not exist: an unmounted disk looks like this
    const CliResult skipped = Cli({QStringLiteral("export"), docPath, QStringLiteral("--flags"), QStringLiteral("8d")});
    EXPECT_EQ(skipped.code, 4);
    EXPECT_TRUE(skipped.err.contains(QStringLiteral("skipped project P"))) << skipped.err.toStdString();
    EXPECT_TRUE(skipped.err.contains(SyncRunText::SourceMissing(QStringLiteral("P"), dir.PathOf(QStringLiteral("P")))))
        << skipped.err.toStdString();
    EXPECT_TRUE(TestDir::Exists(T("a.txt")));

    const CliResult plan = Cli({QStringLiteral("export"), docPath, QStringLiteral("--flags"), QStringLiteral("8d"),
        QStringLiteral("--plan"), QStringLiteral("--allow-missing-source")});
    EXPECT_EQ(plan.out,
        QStringLiteral("Would delete 1 folder with 1 file in it (1 byte) from the target folders for good.\nDEL ")
            + dir.PathOf(QStringLiteral("T")) + QLatin1Char('\n'));
    const CliResult allowed = Cli({QStringLiteral("export"), docPath, QStringLiteral("--flags"), QStringLiteral("8d"),
        QStringLiteral("--allow-missing-source")});
    EXPECT_EQ(allowed.code, 0) << allowed.err.toStdString();
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(QStringLiteral("T"))));
}

TEST_F(CliSync, FilesRestrictTheRunToTheNamedFilesOfTheNodesFolder)
{
    dir.WriteFile(QStringLiteral("P/sub/one.txt"), "1", kNew);
    dir.WriteFile(QStringLiteral("P/sub/two.txt"), "2", kNew);
    dir.WriteFile(QStringLiteral("P/sub/three.txt"), "3", kNew);
    SaveDocument();
    const CliResult run = Cli({QStringLiteral("export"), docPath, QStringLiteral("P/sub"), QStringLiteral("--files"),
        QStringLiteral("one.txt"), QStringLiteral("three.txt"), QStringLiteral("--flags"), QStringLiteral("80")});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(TestDir::Exists(T("sub/one.txt")));
    EXPECT_FALSE(TestDir::Exists(T("sub/two.txt")));
    EXPECT_TRUE(TestDir::Exists(T("sub/three.txt")));
}

TEST_F(CliSync, AKilledCopyLeavesTheOldFileAndNoTemporaryFile)
{
    const QByteArray big = BigContent();
    dir.WriteFile(QStringLiteral("P/big.bin"), big, kNew);
    dir.WriteFile(QStringLiteral("T/big.bin"), "the old content", kOld);
    SaveDocument();

    // The copy layer stops the process once 2 MiB of the file are written; then it is killed.
    const pid_t pid
        = SpawnStopping({QStringLiteral("export"), docPath, QStringLiteral("--flags"), QStringLiteral("80")});
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, WUNTRACED), pid);
    ASSERT_TRUE(WIFSTOPPED(status)) << "the copy ended before it could be stopped";
    ::kill(pid, SIGKILL);
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status));

    EXPECT_EQ(TestDir::ReadFile(T("big.bin")), QByteArray("the old content"));
    // The copy wrote into an unnamed temporary file: nothing is left behind.
    EXPECT_TRUE(TempFilesIn(T("")).isEmpty());

    const CliResult again = Cli({QStringLiteral("export"), docPath, QStringLiteral("--flags"), QStringLiteral("80")});
    EXPECT_EQ(again.code, 0) << again.err.toStdString();
    EXPECT_TRUE(TempFilesIn(T("")).isEmpty());
    EXPECT_EQ(TestDir::ReadFile(T("big.bin")), big);
    EXPECT_EQ(TestDir::MTime(T("big.bin")), kNew);
}

TEST_F(CliSync, CtrlCStopsAfterTheCurrentFileAndWhatIsDoneStaysDone)
{
    const QByteArray big = BigContent();
    dir.WriteFile(QStringLiteral("P/a-big.bin"), big, kNew);
    dir.WriteFile(QStringLiteral("P/z-small.txt"), "z", kNew);
    SaveDocument();
    const pid_t pid
        = SpawnStopping({QStringLiteral("export"), docPath, QStringLiteral("--flags"), QStringLiteral("80")});
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, WUNTRACED), pid);
    ASSERT_TRUE(WIFSTOPPED(status));
    ::kill(pid, SIGINT);
    ::kill(pid, SIGCONT);
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_EQ(TestDir::ReadFile(T("a-big.bin")), big);
    EXPECT_FALSE(TestDir::Exists(T("z-small.txt")));
    EXPECT_TRUE(TempFilesIn(T("")).isEmpty());
}

TEST_F(CliSync, AProjectWithoutATargetFolderIsSkippedAndTheWorkingDirectoryKeepsItsFiles)
{
    dir.WriteFile(QStringLiteral("P/a.txt"), "from the project", kNew);
    const QString users = dir.WriteFile(QStringLiteral("cwd/a.txt"), "the user's own", kOld);
    SaveDocument(QStringLiteral("P"), QString());
    for (const QString& verb : {QStringLiteral("export"), QStringLiteral("import")}) {
        const CliResult run = Cli(
            {verb, docPath, QStringLiteral("--flags"), QStringLiteral("8f")}, {}, dir.PathOf(QStringLiteral("cwd")));
        EXPECT_EQ(run.code, 4) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(SyncRunText::FolderNotSet(QStringLiteral("P"), 1))) << run.err.toStdString();
    }
    EXPECT_EQ(TestDir::ReadFile(users), QByteArray("the user's own"));
    EXPECT_EQ(TestDir::MTime(users), kOld);
    QStringList names;
    ASSERT_TRUE(ListFolderEntries(dir.PathOf(QStringLiteral("cwd")), &names, nullptr));
    EXPECT_EQ(names, QStringList{QStringLiteral("a.txt")});
    EXPECT_EQ(TestDir::ReadFile(P("a.txt")), QByteArray("from the project"));
}

TEST_F(CliSync, AnEmptySourceBesideAFullTargetIsSkippedUnlessAllowed)
{
    dir.MakeFolder(QStringLiteral("P"));
    dir.WriteFile(QStringLiteral("T/a.txt"), "a", kOld);
    SaveDocument();
    for (const bool plan : {false, true}) {
        QStringList args{QStringLiteral("export"), docPath, QStringLiteral("--flags"), QStringLiteral("8d")};
        if (plan)
            args << QStringLiteral("--plan");
        const CliResult run = Cli(args);
        EXPECT_EQ(run.code, 4) << run.err.toStdString();
        // Nothing is planned or done for the project left out.
        EXPECT_EQ(run.out, plan ? QStringLiteral("Nothing to copy or delete.\n") : QString()) << run.out.toStdString();
        EXPECT_TRUE(run.err.contains(SyncRunText::SourceLooksUnmounted(
            QStringLiteral("P"), dir.PathOf(QStringLiteral("P")), dir.PathOf(QStringLiteral("T")))))
            << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("--allow-missing-source")));
    }
    EXPECT_TRUE(TestDir::Exists(T("a.txt")));
    const CliResult allowed = Cli({QStringLiteral("export"), docPath, QStringLiteral("--flags"), QStringLiteral("8d"),
        QStringLiteral("--allow-missing-source")});
    EXPECT_EQ(allowed.code, 0) << allowed.err.toStdString();
    EXPECT_FALSE(TestDir::Exists(T("a.txt")));
}

TEST_F(CliSync, AnUnreadableSourceFolderExitsFourAndDeletesNothingOnTheOtherSide)
{
    dir.WriteFile(QStringLiteral("P/new.txt"), "new", kNew);
    dir.WriteFile(QStringLiteral("P/sub/kept.txt"), "kept", kOld);
    dir.WriteFile(QStringLiteral("T/sub/kept.txt"), "kept", kOld);
    dir.WriteFile(QStringLiteral("T/sub/only-here.txt"), "only here", kOld);
    dir.WriteFile(QStringLiteral("T/sub/deeper/x.txt"), "x", kOld);
    SaveDocument();
    const QByteArray sub = EncodeFileName(P("sub"));
    ASSERT_EQ(::chmod(sub.constData(), 0), 0);
    const CliResult run
        = CliAsAUser({QStringLiteral("export"), docPath, QStringLiteral("--flags"), QStringLiteral("8f")});
    ::chmod(sub.constData(), 0755);
    EXPECT_EQ(run.code, 4) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(SyncRunText::SourceUnread(P("sub"), T("sub")))) << run.err.toStdString();
    EXPECT_TRUE(TestDir::Exists(T("sub/only-here.txt")));
    EXPECT_TRUE(TestDir::Exists(T("sub/deeper/x.txt")));
    EXPECT_EQ(TestDir::ReadFile(T("new.txt")), QByteArray("new"));
}

TEST_F(CliSync, ALogPathThatIsAFifoIsRefusedAtOnce)
{
    dir.WriteFile(QStringLiteral("P/a.txt"), "a", kNew);
    SaveDocument();
    const QString fifo = dir.PathOf(QStringLiteral("log.fifo"));
    ASSERT_EQ(::mkfifo(EncodeFileName(fifo).constData(), 0600), 0);
    const CliResult run = Cli({QStringLiteral("export"), docPath, QStringLiteral("--flags"), QStringLiteral("80"),
        QStringLiteral("--log"), fifo});
    EXPECT_EQ(run.code, 4);
    EXPECT_TRUE(run.err.contains(QStringLiteral("ログファイル %1 を開けません。").arg(fifo))) << run.err.toStdString();
    EXPECT_FALSE(TestDir::Exists(T("a.txt")));
}

TEST_F(CliSync, TheDeletionsOfARunKilledDuringItsCopiesAreInTheLog)
{
    dir.WriteFile(QStringLiteral("P/big.bin"), BigContent(), kNew);
    dir.WriteFile(QStringLiteral("T/stale one.txt"), "stale", kOld);
    dir.WriteFile(QStringLiteral("T/stale two.txt"), "stale", kOld);
    SaveDocument();
    const QString log = dir.PathOf(QStringLiteral("sync.log"));
    const pid_t pid = SpawnStopping({QStringLiteral("export"), docPath, QStringLiteral("--flags"), QStringLiteral("84"),
        QStringLiteral("--log"), log});
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, WUNTRACED), pid);
    ASSERT_TRUE(WIFSTOPPED(status)) << "the copy ended before it could be stopped";
    ::kill(pid, SIGKILL);
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);

    EXPECT_FALSE(TestDir::Exists(T("stale one.txt")));
    const QStringList lines = LogText(TestDir::ReadFile(log)).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 3) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(lines.at(0).endsWith(QStringLiteral(" DEL \"") + T("stale one.txt") + QLatin1Char('"')));
    EXPECT_TRUE(lines.at(1).endsWith(QStringLiteral(" DEL \"") + T("stale two.txt") + QLatin1Char('"')));
    EXPECT_TRUE(lines.at(2).isEmpty());
}

TEST_F(CliSync, AddStoresThePathsTheSystemReachesAndRefusesOverlappingFolders)
{
    dir.MakeFolder(QStringLiteral("real/proj"));
    dir.MakeFolder(QStringLiteral("real/sub"));
    dir.MakeFolder(QStringLiteral("proj")); // what a text-only "lnk/.." would name
    dir.MakeLink(QStringLiteral("lnk"), dir.PathOf(QStringLiteral("real/sub")));
    dir.MakeLink(QStringLiteral("work"), dir.PathOf(QStringLiteral("real/proj")));
    ASSERT_EQ(Cli({QStringLiteral("new"), docPath}).code, 0);
    const CliResult add = Cli(
        {QStringLiteral("add"), docPath, QStringLiteral("lnk/../proj"), QStringLiteral("out"), QStringLiteral("--yes")},
        {}, dir.Path());
    ASSERT_EQ(add.code, 0) << add.err.toStdString();
    const CliResult second = Cli({QStringLiteral("add"), docPath, QStringLiteral("./work"),
                                     QStringLiteral("work/inner"), QStringLiteral("--yes")},
        {}, dir.Path());
    EXPECT_EQ(second.code, 2) << second.err.toStdString(); // the target would lie inside the project
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(QStringLiteral("real/proj/inner"))));

    // A folder that is itself a link stays the link the user named.
    const CliResult third = Cli(
        {QStringLiteral("add"), docPath, QStringLiteral("work"), QStringLiteral("elsewhere"), QStringLiteral("--yes")},
        {}, dir.Path());
    EXPECT_EQ(third.code, 0) << third.err.toStdString();

    CMyDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(docPath));
    ASSERT_EQ(doc.GetRoot().ChildCount(), 2);
    const CSyncProject* project = doc.GetRoot().FindChild(QStringLiteral("proj"));
    ASSERT_NE(project, nullptr);
    EXPECT_EQ(project->GetFolder(0), ResolvePath(dir.PathOf(QStringLiteral("real/proj"))));
    EXPECT_EQ(project->GetFolder(1), ResolvePath(dir.PathOf(QStringLiteral("out"))));
    EXPECT_TRUE(TestDir::Exists(dir.PathOf(QStringLiteral("out"))));
    const CSyncProject* linked = doc.GetRoot().FindChild(QStringLiteral("work"));
    ASSERT_NE(linked, nullptr);
    EXPECT_EQ(linked->GetFolder(0), ResolvePath(dir.Path()) + QStringLiteral("/work"));
    EXPECT_EQ(linked->GetDisplayName(), QStringLiteral("work"));
}

TEST_F(CliSync, ARunSaysWhatItDidInWordsAndAsJson)
{
    dir.WriteFile(QStringLiteral("P/a.txt"), "a", kNew);
    dir.WriteFile(QStringLiteral("P/sub/b.txt"), "bb", kNew);
    dir.WriteFile(QStringLiteral("T/stale.txt"), "stale", kOld);
    SaveDocument();
    const QString log = dir.PathOf(QStringLiteral("run.log"));
    const CliResult run
        = Cli({QStringLiteral("export"), docPath, QStringLiteral("--subfolders"), QStringLiteral("--delete-files"),
            QStringLiteral("--no-trash"), QStringLiteral("--no-questions"), QStringLiteral("--log"), log});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_EQ(run.out,
        QStringLiteral("Copied 2 files (3 bytes) from the project folders to the target folders.\n"
                       "Deleted 1 file (5 bytes) from the target folders for good.\n"
                       "Log: %1\n")
            .arg(log));
    EXPECT_FALSE(TestDir::Exists(T("stale.txt")));
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(QStringLiteral("data/Trash/files/stale.txt"))));

    // Without a terminal the deletion question gets No: the summary counts it as skipped.
    dir.WriteFile(QStringLiteral("T/old.txt"), "old", kOld);
    dir.WriteFile(QStringLiteral("P/extra.txt"), "extra", kOld);
    const CliResult declined = Cli({QStringLiteral("import"), docPath, QStringLiteral("--delete-files"),
        QStringLiteral("--no-trash"), QStringLiteral("--log"), log});
    EXPECT_EQ(declined.code, 3) << declined.err.toStdString();
    EXPECT_EQ(declined.out,
        QStringLiteral("Copied 1 file (3 bytes) from the target folders to the project folders.\n"
                       "Deleted nothing from the project folders for good; 1 skipped.\nLog: %1\n")
            .arg(log));
    EXPECT_TRUE(TestDir::Exists(P("extra.txt")));

    dir.WriteFile(QStringLiteral("T/stale2.txt"), "old", kOld);
    const CliResult json = Cli({QStringLiteral("export"), docPath, QStringLiteral("--delete-files"),
        QStringLiteral("--yes"), QStringLiteral("--json"), QStringLiteral("--quiet")});
    EXPECT_EQ(json.code, 0) << json.err.toStdString();
    const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(object.value(QStringLiteral("outcome")).toString(), QStringLiteral("executed"));
    EXPECT_EQ(object.value(QStringLiteral("exitCode")).toInt(), 0);
    EXPECT_EQ(object.value(QStringLiteral("flags")).toInt(), 0x44);
    EXPECT_TRUE(object.value(QStringLiteral("log")).toString().startsWith(dir.PathOf(QStringLiteral("tmp/PWL"))));
    const QJsonObject summary = object.value(QStringLiteral("summary")).toObject();
    const QJsonObject deletions = summary.value(QStringLiteral("delete")).toObject();
    EXPECT_EQ(deletions.value(QStringLiteral("items")).toInt(), 1);
    EXPECT_EQ(deletions.value(QStringLiteral("done")).toObject().value(QStringLiteral("files")).toInt(), 1);
    EXPECT_EQ(deletions.value(QStringLiteral("done")).toObject().value(QStringLiteral("bytes")).toInt(), 3);
    EXPECT_TRUE(deletions.value(QStringLiteral("trash")).toBool());
    const QJsonObject copies = summary.value(QStringLiteral("copy")).toObject();
    EXPECT_EQ(copies.value(QStringLiteral("items")).toInt(), 1);
    EXPECT_EQ(copies.value(QStringLiteral("done")).toObject().value(QStringLiteral("bytes")).toInt(), 5);
    EXPECT_EQ(copies.value(QStringLiteral("failed")).toInt(), 0);
    EXPECT_EQ(TestDir::ReadFile(dir.PathOf(QStringLiteral("data/Trash/files/stale2.txt"))), QByteArray("old"));
}

TEST_F(CliSync, TheSummaryCountsWhatFailedAndQuietLeavesItOut)
{
    dir.WriteFile(QStringLiteral("P/ok.txt"), "ok", kNew);
    dir.WriteFile(QStringLiteral("P/ro/x.txt"), "x", kNew);
    dir.WriteFile(QStringLiteral("P/ro/y.txt"), "y", kNew);
    dir.MakeFolder(QStringLiteral("T/ro"));
    SaveDocument();
    const QByteArray readOnly = EncodeFileName(T("ro"));
    ASSERT_EQ(::chmod(readOnly.constData(), 0555), 0);
    const QString log = dir.PathOf(QStringLiteral("run.log"));
    const CliResult run = CliAsAUser({QStringLiteral("export"), docPath, QStringLiteral("--subfolders"),
        QStringLiteral("--no-questions"), QStringLiteral("--log"), log});
    EXPECT_EQ(run.code, 4) << run.err.toStdString();
    EXPECT_EQ(run.out,
        QStringLiteral("Copied 1 file (2 bytes) from the project folders to the target folders; 2 failed.\nLog: %1\n")
            .arg(log));
    EXPECT_TRUE(run.err.contains(T("ro/x.txt"))) << run.err.toStdString();

    const CliResult quiet = CliAsAUser({QStringLiteral("export"), docPath, QStringLiteral("--subfolders"),
        QStringLiteral("--no-questions"), QStringLiteral("--quiet")});
    ::chmod(readOnly.constData(), 0755);
    EXPECT_EQ(quiet.code, 4);
    EXPECT_TRUE(quiet.out.isEmpty()) << quiet.out.toStdString();
    EXPECT_TRUE(quiet.err.contains(T("ro/y.txt"))) << quiet.err.toStdString();
}
