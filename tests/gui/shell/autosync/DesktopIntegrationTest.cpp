// The per-user desktop registration on real folders of a test home: the
// launcher, the document type, the icons and the default application, read
// back with the desktop's own tools (xdg-mime, the shared-mime-info database).
#include "gui/shell/DesktopIntegration.h"

#include "support/TestDir.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

// The files the registration writes, compiled into the GUI library.
static void InitDesktopResources()
{
    Q_INIT_RESOURCE(pairwell_desktop);
}

namespace {

class DesktopRegistrationTest : public ::testing::Test
{
protected:
    DesktopRegistrationTest()
    {
        folders.dataHome = dir.PathOf(QStringLiteral("home/.local/share"));
        folders.configHome = dir.PathOf(QStringLiteral("home/.config"));
        folders.dataDirs = {dir.MakeFolder(QStringLiteral("system/share"))};
        dir.MakeFolder(QStringLiteral("system/etc"));
        program = dir.WriteFile(QStringLiteral("opt/pair well/bin/pairwell"), "#!/bin/sh\n");
    }

    QString Data(const QString& relative) const { return folders.dataHome + QLatin1Char('/') + relative; }
    QByteArray Launcher() const { return TestDir::ReadFile(Data(QStringLiteral("applications/pairwell.desktop"))); }

    // What `xdg-mime query default` says in the test home (empty when xdg-mime is missing).
    QString QueryDefault() const
    {
        const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
        if (xdgMime.isEmpty())
            return {};
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), dir.PathOf(QStringLiteral("home")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), folders.dataHome);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folders.configHome);
        environment.insert(QStringLiteral("XDG_DATA_DIRS"), folders.dataDirs.join(QLatin1Char(':')));
        environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), dir.PathOf(QStringLiteral("system/etc")));
        for (const char* desktop :
            {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID"})
            environment.remove(QString::fromLatin1(desktop));
        QProcess query;
        query.setProcessEnvironment(environment);
        query.start(xdgMime,
            {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("application/x-pairwell-document")});
        EXPECT_TRUE(query.waitForFinished(30000));
        return QString::fromUtf8(query.readAllStandardOutput()).trimmed();
    }

    static QByteArray Resource(const QString& name)
    {
        InitDesktopResources();
        QFile file(QStringLiteral(":/pairwell-desktop/") + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    TestDir dir;
    DesktopFolders folders;
    QString program;
};

} // namespace

TEST_F(DesktopRegistrationTest, OneUsersRegistrationMakesPairwellTheOpenerOfSncFiles)
{
    const DesktopRegistration result = RegisterDesktopIntegrationForUser(program, folders);
    EXPECT_TRUE(result.errors.isEmpty()) << result.errors.join('\n').toStdString();

    // The launcher names this program (quoted: its folder has a space) and
    // carries the document type.
    const QByteArray launcher = Launcher();
    EXPECT_TRUE(launcher.contains(QByteArray("Exec=\"" + program.toUtf8() + "\" %f\n"))) << launcher.toStdString();
    EXPECT_TRUE(launcher.contains(QByteArray("TryExec=" + program.toUtf8() + "\n")));
    EXPECT_TRUE(launcher.contains("MimeType=application/x-pairwell-document;\n"));
    EXPECT_TRUE(launcher.contains("Icon=pairwell\n"));
    EXPECT_TRUE(launcher.contains("X-Pairwell-User-Registration=true\n"));
    EXPECT_EQ(launcher.count("Exec="), 2); // Exec and TryExec

    EXPECT_EQ(TestDir::ReadFile(Data(QStringLiteral("mime/packages/pairwell-mime.xml"))),
        Resource(QStringLiteral("pairwell-mime.xml")));
    if (!QStandardPaths::findExecutable(QStringLiteral("update-mime-database")).isEmpty()) {
        EXPECT_TRUE(
            TestDir::ReadFile(Data(QStringLiteral("mime/globs2"))).contains("application/x-pairwell-document:*.snc"));
        EXPECT_TRUE(TestDir::Exists(Data(QStringLiteral("mime/application/x-pairwell-document.xml"))));
    }
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("icons/hicolor/%1x%1/").arg(size);
        const QByteArray png = Resource(QStringLiteral("icons/pairwell-%1.png").arg(size));
        ASSERT_FALSE(png.isEmpty());
        EXPECT_EQ(TestDir::ReadFile(Data(folder + QStringLiteral("apps/pairwell.png"))), png) << size;
        EXPECT_EQ(
            TestDir::ReadFile(Data(folder + QStringLiteral("mimetypes/application-x-pairwell-document.png"))), png);
    }
    EXPECT_TRUE(TestDir::Exists(Data(QStringLiteral("icons/hicolor/scalable/apps/pairwell.svg"))));
    EXPECT_EQ(DefaultApplicationOf(folders.configHome, QStringLiteral("application/x-pairwell-document")),
        QStringLiteral("pairwell.desktop"));

    if (QStandardPaths::findExecutable(QStringLiteral("xdg-mime")).isEmpty())
        GTEST_SKIP()
            << "xdg-mime is not installed (scripts/setup installs xdg-utils): the desktop's own answer is not checked";
    EXPECT_EQ(QueryDefault(), QStringLiteral("pairwell.desktop"));
}

TEST_F(DesktopRegistrationTest, ASecondStartChangesNothing)
{
    RegisterDesktopIntegrationForUser(program, folders);
    const QByteArray launcher = Launcher();
    const DesktopRegistration again = RegisterDesktopIntegrationForUser(program, folders);
    EXPECT_FALSE(again.ChangedAnything())
        << again.writtenFiles.join('\n').toStdString() << again.commands.join('\n').toStdString();
    EXPECT_EQ(Launcher(), launcher);
}

TEST_F(DesktopRegistrationTest, TheUsersOwnChoicesAreKept)
{
    // Another program opens .snc files, chosen by the user, and the user's
    // own launcher for Pairwell stays as the user wrote it.
    dir.WriteFile(QStringLiteral("home/.config/mimeapps.list"),
        "[Added Associations]\ntext/plain=editor.desktop;\n\n[Default Applications]\n"
        "application/x-pairwell-document=other.desktop\ntext/plain=editor.desktop\n");
    const QByteArray own
        = "[Desktop Entry]\nType=Application\nName=My Pairwell\nExec=/gone/pairwell %f\nTryExec=/gone/pairwell\n";
    dir.WriteFile(QStringLiteral("home/.local/share/applications/pairwell.desktop"), own);

    const DesktopRegistration result = RegisterDesktopIntegrationForUser(program, folders);
    EXPECT_EQ(Launcher(), own);
    EXPECT_EQ(DefaultApplicationOf(folders.configHome, QStringLiteral("application/x-pairwell-document")),
        QStringLiteral("other.desktop"));
    EXPECT_FALSE(result.commands.join(' ').contains(QStringLiteral("xdg-mime")));
    EXPECT_TRUE(TestDir::ReadFile(folders.configHome + QStringLiteral("/mimeapps.list"))
                    .contains("[Added Associations]\ntext/plain=editor.desktop;"));
}

TEST_F(DesktopRegistrationTest, AnInstalledPairwellIsNotCopied)
{
    // What `cmake --install` put under a prefix that the desktop searches.
    const QString share = folders.dataDirs.first();
    dir.WriteFile(
        QStringLiteral("system/share/applications/pairwell.desktop"), Resource(QStringLiteral("pairwell.desktop")));
    dir.WriteFile(QStringLiteral("system/share/mime/application/x-pairwell-document.xml"), "<mime-type/>");
    dir.WriteFile(QStringLiteral("system/share/icons/hicolor/48x48/apps/pairwell.png"),
        Resource(QStringLiteral("icons/pairwell-48.png")));

    const DesktopRegistration result = RegisterDesktopIntegrationForUser(program, folders);
    EXPECT_FALSE(TestDir::Exists(Data(QStringLiteral("applications"))));
    EXPECT_FALSE(TestDir::Exists(Data(QStringLiteral("mime"))));
    EXPECT_FALSE(TestDir::Exists(Data(QStringLiteral("icons"))));
    // Only the default application is the user's own.
    EXPECT_EQ(DefaultApplicationOf(folders.configHome, QStringLiteral("application/x-pairwell-document")),
        QStringLiteral("pairwell.desktop"));
    EXPECT_TRUE(result.errors.isEmpty()) << result.errors.join('\n').toStdString();
    (void)share;
}

TEST_F(DesktopRegistrationTest, AMovedProgramIsRegisteredAgain)
{
    RegisterDesktopIntegrationForUser(program, folders);
    // The build folder moved: the old program is gone, a new one runs.
    ASSERT_TRUE(QFile::remove(program));
    const QString moved = dir.WriteFile(QStringLiteral("build/pairwell"), "#!/bin/sh\n");
    RegisterDesktopIntegrationForUser(moved, folders);
    EXPECT_TRUE(Launcher().contains(QByteArray("Exec=" + moved.toUtf8() + " %f\n"))) << Launcher().toStdString();
    EXPECT_TRUE(Launcher().contains(QByteArray("TryExec=" + moved.toUtf8() + "\n")));
}

TEST(DesktopEntryQuoting, ExecArgumentsAndValuesFollowTheDesktopEntryRules)
{
    EXPECT_EQ(QuoteDesktopExecArgument(QStringLiteral("/usr/bin/pairwell")), QStringLiteral("/usr/bin/pairwell"));
    EXPECT_EQ(QuoteDesktopExecArgument(QStringLiteral("/opt/a b/pairwell")), QStringLiteral("\"/opt/a b/pairwell\""));
    // Inside quotes `"`, `` ` ``, `$` and `\` get a backslash, which the
    // value's own escaping then doubles.
    EXPECT_EQ(QuoteDesktopExecArgument(QStringLiteral("/opt/$x/pairwell")), QStringLiteral("\"/opt/\\\\$x/pairwell\""));
    EXPECT_EQ(QuoteDesktopExecArgument(QStringLiteral("/opt/a\\b")), QStringLiteral("\"/opt/a\\\\\\\\b\""));
    EXPECT_EQ(QuoteDesktopExecArgument(QStringLiteral("/opt/say\"hi\"")), QStringLiteral("\"/opt/say\\\\\"hi\\\\\"\""));
    // A percent sign is doubled so that it is no field code.
    EXPECT_EQ(QuoteDesktopExecArgument(QStringLiteral("/opt/100%/pairwell")), QStringLiteral("/opt/100%%/pairwell"));
    EXPECT_EQ(EscapeDesktopValue(QStringLiteral("a\\b\nc\td")), QStringLiteral("a\\\\b\\nc\\td"));
}

TEST(DesktopEntryQuoting, SettingTheDefaultKeepsEveryOtherLine)
{
    TestDir dir;
    const QString config = dir.PathOf(QStringLiteral("config"));
    QString error;
    // No file yet: one is made.
    ASSERT_TRUE(SetDefaultApplication(
        config, QStringLiteral("application/x-pairwell-document"), QStringLiteral("pairwell.desktop"), &error));
    EXPECT_EQ(TestDir::ReadFile(config + QStringLiteral("/mimeapps.list")),
        QByteArray("[Default Applications]\napplication/x-pairwell-document=pairwell.desktop\n"));

    dir.WriteFile(QStringLiteral("config/mimeapps.list"),
        "[Default Applications]\ntext/plain=editor.desktop\napplication/x-pairwell-document=old.desktop\n\n[Removed "
        "Associations]\nimage/png=viewer.desktop;\n");
    ASSERT_TRUE(SetDefaultApplication(
        config, QStringLiteral("application/x-pairwell-document"), QStringLiteral("pairwell.desktop"), &error));
    EXPECT_EQ(TestDir::ReadFile(config + QStringLiteral("/mimeapps.list")),
        QByteArray(
            "[Default Applications]\ntext/plain=editor.desktop\napplication/x-pairwell-document=pairwell.desktop\n\n"
            "[Removed Associations]\nimage/png=viewer.desktop;\n"));
    EXPECT_EQ(DefaultApplicationOf(config, QStringLiteral("text/plain")), QStringLiteral("editor.desktop"));
    // A type listed in another section is not a default.
    EXPECT_EQ(DefaultApplicationOf(config, QStringLiteral("image/png")), QString());
}

TEST_F(DesktopRegistrationTest, XdgOpenOfADocumentStartsTheRegisteredProgram)
{
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (xdgOpen.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("update-mime-database")).isEmpty())
        GTEST_SKIP() << "xdg-open or update-mime-database is not installed (scripts/setup installs xdg-utils and "
                        "shared-mime-info)";
    // A stand-in for the program that notes what it was asked to open.
    const QString opened = dir.PathOf(QStringLiteral("opened.txt"));
    const QString standIn
        = dir.WriteFile(QStringLiteral("bin/pairwell"), "#!/bin/sh\nprintf '%s' \"$1\" > '" + opened.toUtf8() + "'\n");
    ASSERT_TRUE(QFile::setPermissions(standIn, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString document = dir.WriteFile(QStringLiteral("work/doc.snc"), QByteArray("\x01\x02snc", 5));
    RegisterDesktopIntegrationForUser(standIn, folders);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), dir.PathOf(QStringLiteral("home")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folders.dataHome);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folders.configHome);
    environment.insert(QStringLiteral("XDG_DATA_DIRS"), folders.dataDirs.join(QLatin1Char(':')));
    environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), dir.PathOf(QStringLiteral("system/etc")));
    // xdg-open opens files with applications only where it sees a display.
    environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":99"));
    for (const char* desktop :
        {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID"})
        environment.remove(QString::fromLatin1(desktop));
    QProcess open;
    open.setProcessEnvironment(environment);
    open.setProcessChannelMode(QProcess::MergedChannels);
    open.start(xdgOpen, {document});
    ASSERT_TRUE(open.waitForFinished(30000));
    EXPECT_EQ(open.exitCode(), 0) << open.readAll().toStdString();
    EXPECT_EQ(TestDir::ReadFile(opened), document.toUtf8());
}
