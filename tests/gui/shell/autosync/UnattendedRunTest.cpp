// The window program run the way a login script runs it: `pairwell -s -e
// doc.snc` exports every project and ends with code 0, on the offscreen
// platform, with a home folder, XDG folders and a profile of its own.
#include "AutoSyncFixture.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace {

class Unattended : public AutoSyncFixture
{
protected:
    QString Home() const { return dir.PathOf(QStringLiteral("home")); }
    QString DataHome() const { return dir.PathOf(QStringLiteral("home/.local/share")); }
    QString ConfigHome() const { return dir.PathOf(QStringLiteral("home/.config")); }

    // Runs the built program to its end; its exit code, or -1 when it did not end.
    int RunProgram(const QStringList& arguments)
    {
        dir.MakeFolder(QStringLiteral("home"));
        dir.MakeFolder(QStringLiteral("no-system-data"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("HOME"), Home());
        environment.insert(QStringLiteral("XDG_DATA_HOME"), DataHome());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), ConfigHome());
        environment.insert(QStringLiteral("XDG_DATA_DIRS"), dir.PathOf(QStringLiteral("no-system-data")));
        environment.insert(QStringLiteral("TMPDIR"), dir.PathOf(QStringLiteral("tmp")));
        environment.insert(QStringLiteral("PAIRWELL_PROFILE"), dir.PathOf(QStringLiteral("Pairwell.ini")));
        for (const char* desktop :
            {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID"})
            environment.remove(QString::fromLatin1(desktop));
        QProcess program;
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(QStringLiteral(PAIRWELL_PROGRAM), arguments);
        if (!program.waitForFinished(120000)) {
            program.kill();
            program.waitForFinished();
            return -1;
        }
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -2;
    }

    void ExpectExported(const QString& name)
    {
        EXPECT_EQ(TestDir::ReadFile(TargetOf(name) + QStringLiteral("/only-here.txt")), "project side " + name.toUtf8())
            << name.toStdString();
        EXPECT_EQ(TestDir::ReadFile(TargetOf(name) + QStringLiteral("/docs/readme.txt")), QByteArray("docs"));
    }
};

} // namespace

TEST_F(Unattended, SyncAndExitExportEveryProjectAndEndWithCodeZero)
{
    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha"), QStringLiteral("beta")});
    const QString stale = dir.WriteFile(QStringLiteral("alpha-target/stale.txt"), "gone at the source", T);

    ASSERT_EQ(RunProgram({QStringLiteral("-s"), QStringLiteral("-e"), path}), 0);
    ExpectExported(QStringLiteral("alpha"));
    ExpectExported(QStringLiteral("beta"));
    EXPECT_FALSE(TestDir::Exists(stale));
    const QStringList lines = LogLines();
    EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^COPY "))).size(), 4) << lines.join('\n').toStdString();
    EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^DEL "))).size(), 1);

    // The run set bit 7 in memory only.
    CProfile::SetInstancePath(dir.PathOf(QStringLiteral("Pairwell.ini")));
    EXPECT_EQ(StoredSyncFlags(), static_cast<int>(SyncFlag::Recursive | SyncFlag::DeleteFiles));

    // Without -ISO the start-up registered the document type for this user.
    const QString launcher = DataHome() + QStringLiteral("/applications/pairwell.desktop");
    ASSERT_TRUE(TestDir::Exists(launcher));
    EXPECT_TRUE(TestDir::ReadFile(launcher).contains(QByteArray("TryExec=" + QByteArray(PAIRWELL_PROGRAM))));
    EXPECT_TRUE(TestDir::Exists(DataHome() + QStringLiteral("/mime/packages/pairwell-mime.xml")));
    EXPECT_TRUE(TestDir::Exists(DataHome() + QStringLiteral("/icons/hicolor/48x48/apps/pairwell.png")));
    EXPECT_TRUE(TestDir::ReadFile(ConfigHome() + QStringLiteral("/mimeapps.list"))
                    .contains("application/x-pairwell-document=pairwell.desktop"));
}

TEST_F(Unattended, SyncAndExitWithTheTrayBitAndIsoLeaveTheDesktopAlone)
{
    // Minimise into the tray: this platform has none, so the window goes to
    // the task bar and the program still ends after the export.
    SetDisplayFlags(CAppOptionDisp().Flags | DispFlag::MinimizeToTray);
    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha")});

    ASSERT_EQ(RunProgram({QStringLiteral("-ISO"), QStringLiteral("-e"), QStringLiteral("-s"), path}), 0);
    ExpectExported(QStringLiteral("alpha"));
    EXPECT_FALSE(TestDir::Exists(DataHome()));
    EXPECT_FALSE(TestDir::Exists(ConfigHome() + QStringLiteral("/mimeapps.list")));
}

TEST_F(Unattended, NothingToExportStillEndsWithoutAQuestion)
{
    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha")});
    ASSERT_EQ(RunProgram({QStringLiteral("-ISO"), QStringLiteral("-s"), QStringLiteral("-e"), path}), 0);
    const QStringList first = LogLines();
    // A second run finds everything in step: no message box waits for an
    // answer (the program would not end), and the log gets no line.
    ASSERT_EQ(RunProgram({QStringLiteral("-ISO"), QStringLiteral("-s"), QStringLiteral("-e"), path}), 0);
    EXPECT_EQ(LogLines(), first);
}

// A login script must notice a project left out: its source folder looks
// unmounted (empty while the target holds files). The other projects are
// exported all the same, and the left-out target keeps every file.
TEST_F(Unattended, SyncAndExitEndsWithCodeFourWhenAProjectWasLeftOut)
{
    const QString path = MakeDocument(QStringLiteral("work.snc"), {QStringLiteral("alpha"), QStringLiteral("beta")});
    const QString kept = dir.WriteFile(QStringLiteral("alpha-target/kept.txt"), "only copy", T);
    ASSERT_TRUE(QDir(dir.PathOf(QStringLiteral("alpha"))).removeRecursively());
    dir.MakeFolder(QStringLiteral("alpha"));

    EXPECT_EQ(RunProgram({QStringLiteral("-ISO"), QStringLiteral("-s"), QStringLiteral("-e"), path}), 4);
    ExpectExported(QStringLiteral("beta"));
    EXPECT_EQ(TestDir::ReadFile(kept), QByteArray("only copy"));
}
