// `cmake --install` of this build into a temporary prefix: the program, its
// help, the launcher, the document type and the icons land where the desktop
// looks for them, and a user of that install gets no copies of their own.
#include "gui/shell/DesktopIntegration.h"

#include "support/TestDir.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>

TEST(Install, PutsTheProgramHelpLauncherTypeAndIconsInPlace)
{
    TestDir dir;
    const QString prefix = dir.PathOf(QStringLiteral("prefix"));
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(PAIRWELL_CMAKE),
        {QStringLiteral("--install"), QStringLiteral(PAIRWELL_BUILD_DIR), QStringLiteral("--prefix"), prefix});
    ASSERT_TRUE(install.waitForFinished(120000));
    ASSERT_EQ(install.exitCode(), 0) << install.readAll().toStdString();

    const auto installed
        = [&](const QString& relative) { return TestDir::Exists(prefix + QLatin1Char('/') + relative); };
    EXPECT_TRUE(installed(QStringLiteral("bin/pairwell")));
    EXPECT_TRUE(installed(QStringLiteral("share/pairwell/help/Welcome.htm")));
    EXPECT_TRUE(installed(QStringLiteral("share/applications/pairwell.desktop")));
    EXPECT_TRUE(installed(QStringLiteral("share/mime/packages/pairwell-mime.xml")));
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        EXPECT_TRUE(installed(QStringLiteral("share/icons/hicolor/%1x%1/apps/pairwell.png").arg(size))) << size;
        EXPECT_TRUE(installed(
            QStringLiteral("share/icons/hicolor/%1x%1/mimetypes/application-x-pairwell-document.png").arg(size)));
    }
    EXPECT_TRUE(installed(QStringLiteral("share/icons/hicolor/scalable/apps/pairwell.svg")));
    if (!QStandardPaths::findExecutable(QStringLiteral("update-mime-database")).isEmpty()) {
        // The install told the prefix's database about "*.snc".
        EXPECT_TRUE(TestDir::ReadFile(prefix + QStringLiteral("/share/mime/globs2"))
                        .contains("application/x-pairwell-document:*.snc"));
    }

    // A user of this install only gets the default application.
    DesktopFolders folders;
    folders.dataHome = dir.PathOf(QStringLiteral("home/.local/share"));
    folders.configHome = dir.PathOf(QStringLiteral("home/.config"));
    folders.dataDirs = {prefix + QStringLiteral("/share")};
    if (QStandardPaths::findExecutable(QStringLiteral("update-mime-database")).isEmpty())
        dir.WriteFile(QStringLiteral("prefix/share/mime/application/x-pairwell-document.xml"), "<mime-type/>");
    const DesktopRegistration result
        = RegisterDesktopIntegrationForUser(prefix + QStringLiteral("/bin/pairwell"), folders);
    EXPECT_TRUE(result.errors.isEmpty()) << result.errors.join('\n').toStdString();
    EXPECT_FALSE(TestDir::Exists(folders.dataHome));
    EXPECT_EQ(DefaultApplicationOf(folders.configHome, QStringLiteral("application/x-pairwell-document")),
        QStringLiteral("pairwell.desktop"));
}
