// `cpack -G DEB` of this build: the package's name, its dependencies worked
// out from the programs, and every file it installs, unpacked into a scratch
// root with `dpkg -x` as dpkg would install them.
#include "PackageSupport.h"

#include "support/TestDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStandardPaths>
#include <set>

namespace {

bool Have(const QString& tool)
{
    return !QStandardPaths::findExecutable(tool).isEmpty();
}

// Every file and link below `root`, relative to it, sorted.
std::set<QString> FilesBelow(const QString& root)
{
    std::set<QString> files;
    QDirIterator it(root, QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.insert(QDir(root).relativeFilePath(it.next()));
    return files;
}

std::set<QString> ExpectedFiles()
{
    std::set<QString> files{
        QStringLiteral("usr/bin/pairwell-cli"),
        QStringLiteral("usr/share/man/man1/pairwell-cli.1.gz"),
        QStringLiteral("usr/share/bash-completion/completions/pairwell-cli"),
    };
#ifdef PAIRWELL_WITH_GUI
    for (const char* file : {"usr/bin/pairwell", "usr/share/man/man1/pairwell.1.gz",
             "usr/share/pairwell/help/Welcome.htm", "usr/share/applications/pairwell.desktop",
             "usr/share/mime/packages/pairwell-mime.xml", "usr/share/metainfo/io.github.corvane.Pairwell.metainfo.xml",
             "usr/share/icons/hicolor/scalable/apps/pairwell.svg",
             "usr/share/icons/hicolor/scalable/mimetypes/application-x-pairwell-document.svg"})
        files.insert(QString::fromLatin1(file));
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("usr/share/icons/hicolor/%1x%1/").arg(size);
        files.insert(folder + QStringLiteral("apps/pairwell.png"));
        files.insert(folder + QStringLiteral("mimetypes/application-x-pairwell-document.png"));
    }
#endif
    return files;
}

class DebianPackage : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const QString& tool : {QStringLiteral("dpkg-deb"), QStringLiteral("dpkg-shlibdeps"),
                 QStringLiteral("dpkg"), QStringLiteral("file")}) {
            if (!Have(tool))
                GTEST_SKIP() << tool.toStdString() << " is not installed (scripts/setup installs dpkg-dev and file)";
        }
        if (!QFileInfo::exists(QStringLiteral(PAIRWELL_CPACK)))
            GTEST_SKIP() << "cpack is not installed";
    }

    // Builds the package into the test's folder; its path, or empty.
    QString BuildPackage()
    {
        const ToolResult cpack = RunTool(QStringLiteral(PAIRWELL_CPACK),
            {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"), dir.PathOf(QStringLiteral("out")),
                QStringLiteral("--config"), QStringLiteral(PAIRWELL_BUILD_DIR "/CPackConfig.cmake")},
            QProcessEnvironment::systemEnvironment(), QStringLiteral(PAIRWELL_BUILD_DIR));
        EXPECT_TRUE(cpack.finished && cpack.exitCode == 0) << cpack.Text();
        const QString architecture
            = RunTool(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")}).output.trimmed();
        const QString package
            = dir.PathOf(QStringLiteral("out/pairwell_%1_%2.deb").arg(QStringLiteral(PAIRWELL_VERSION), architecture));
        EXPECT_TRUE(TestDir::Exists(package)) << cpack.Text();
        return TestDir::Exists(package) ? package : QString();
    }

    QString Field(const QString& package, const QString& name)
    {
        return RunTool(QStringLiteral("dpkg-deb"), {QStringLiteral("--field"), package, name}).output.trimmed();
    }

    TestDir dir;
};

} // namespace

TEST_F(DebianPackage, NamesItsDependenciesAndInstallsEveryFileInPlace)
{
    const QString package = BuildPackage();
    ASSERT_FALSE(package.isEmpty());

    EXPECT_EQ(Field(package, QStringLiteral("Package")), QStringLiteral("pairwell"));
    EXPECT_EQ(Field(package, QStringLiteral("Version")), QStringLiteral(PAIRWELL_VERSION));
    // Worked out from the programs, and Qt's translations, which nothing links.
    const QStringList depends = Field(package, QStringLiteral("Depends")).split(QStringLiteral(", "));
    const auto dependsOn = [&](const QString& name) {
        for (const QString& entry : depends) {
            if (entry == name || entry.startsWith(name + QLatin1Char(' ')))
                return true;
        }
        return false;
    };
    for (const char* name : {"qt6-translations-l10n", "libqt6core6", "libc6", "libstdc++6"})
        EXPECT_TRUE(dependsOn(QString::fromLatin1(name))) << name << " in " << depends.join(", ").toStdString();
#ifdef PAIRWELL_WITH_GUI
    EXPECT_TRUE(dependsOn(QStringLiteral("libqt6widgets6"))) << depends.join(", ").toStdString();
#endif

    // Exactly these files: nothing of the staging folder's desktop databases
    // (mime.cache and the like belong to the target's own packages).
    const QString root = dir.PathOf(QStringLiteral("root"));
    const ToolResult unpack = RunTool(QStringLiteral("dpkg"), {QStringLiteral("-x"), package, root});
    ASSERT_EQ(unpack.exitCode, 0) << unpack.errors.toStdString();
    const std::set<QString> files = FilesBelow(root);
    EXPECT_EQ(files, ExpectedFiles()) << [&] {
        QStringList list(files.begin(), files.end());
        return list.join(QLatin1Char('\n')).toStdString();
    }();

    // The programs run from where they were unpacked.
    for (const char* program : {"usr/bin/pairwell-cli", "usr/bin/pairwell"}) {
        const QFileInfo info(root + QLatin1Char('/') + QLatin1String(program));
        if (info.exists()) {
            EXPECT_TRUE(info.isExecutable()) << program;
        }
    }
    const ToolResult help = RunTool(root + QStringLiteral("/usr/bin/pairwell-cli"), {QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.output.contains(QStringLiteral("export DOC.snc"))) << help.output.toStdString();

    // The manual pages are readable as installed.
    if (Have(QStringLiteral("man"))) {
        for (const QString& page : files) {
            if (!page.startsWith(QStringLiteral("usr/share/man/")))
                continue;
            const ToolResult man
                = RunTool(QStringLiteral("man"), {QStringLiteral("-l"), root + QLatin1Char('/') + page});
            EXPECT_EQ(man.exitCode, 0) << page.toStdString() << man.errors.toStdString();
            EXPECT_TRUE(man.output.contains(QStringLiteral("NAME"))) << page.toStdString();
        }
    }
#ifdef PAIRWELL_WITH_GUI
    // The launcher and the software centre's metadata as the desktop checks them.
    if (Have(QStringLiteral("desktop-file-validate"))) {
        const ToolResult check = RunTool(QStringLiteral("desktop-file-validate"),
            {root + QStringLiteral("/usr/share/applications/pairwell.desktop")});
        EXPECT_EQ(check.exitCode, 0) << check.Text();
    }
    if (Have(QStringLiteral("appstreamcli"))) {
        const ToolResult check = RunTool(QStringLiteral("appstreamcli"),
            {QStringLiteral("validate"), QStringLiteral("--no-net"),
                root + QStringLiteral("/usr/share/metainfo/io.github.corvane.Pairwell.metainfo.xml")});
        EXPECT_EQ(check.exitCode, 0) << check.Text();
    }
    EXPECT_TRUE(TestDir::ReadFile(root + QStringLiteral("/usr/share/mime/packages/pairwell-mime.xml"))
                    .contains("<glob pattern=\"*.snc\"/>"));
#endif
}
