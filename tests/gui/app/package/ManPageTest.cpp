// The manual pages as `man -l` renders them: every verb and option that
// `pairwell-cli --help` lists, every switch of the window program, the exit
// codes, and where the settings live.
#include "PackageSupport.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QStandardPaths>

namespace {

// The page rendered as plain text on a wide terminal, so that no option is
// broken across lines; the hyphens as typed.
QString Rendered(const QString& page)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MANWIDTH"), QStringLiteral("250"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    environment.remove(QStringLiteral("MAN_KEEP_FORMATTING"));
    const ToolResult man = RunTool(QStringLiteral("man"), {QStringLiteral("-l"), page}, environment);
    EXPECT_TRUE(man.finished && man.exitCode == 0) << page.toStdString() << ": " << man.errors.toStdString();
    EXPECT_TRUE(man.errors.isEmpty()) << man.errors.toStdString();
    QString text = man.output;
    text.replace(QChar(0x2010), QLatin1Char('-')).replace(QChar(0x2212), QLatin1Char('-'));
    return text;
}

// The text of a section ("EXIT STATUS") up to the next heading.
QString Section(const QString& text, const QString& heading)
{
    const qsizetype start = text.indexOf(QLatin1Char('\n') + heading + QLatin1Char('\n'));
    if (start < 0)
        return {};
    static const QRegularExpression nextHeading(QStringLiteral("\n[A-Z][A-Z ]+\n"));
    const qsizetype end = text.indexOf(nextHeading, start + heading.size() + 2);
    return text.mid(start, end < 0 ? -1 : end - start);
}

class ManPage : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("man")).isEmpty())
            GTEST_SKIP() << "man is not installed (scripts/setup installs man-db)";
    }
};

} // namespace

TEST_F(ManPage, PairwellCliCoversEveryVerbOptionAndExitCode)
{
    const QString text = Rendered(QStringLiteral(PAIRWELL_SOURCE_DIR "/docs/man/pairwell-cli.1"));
    const ToolResult help = RunTool(QStringLiteral(PAIRWELL_CLI), {QStringLiteral("--help")});
    ASSERT_EQ(help.exitCode, 0);
    const std::vector<CliVerbUsage> verbs = CliVerbsFromHelp(help.output);
    ASSERT_GE(verbs.size(), 9u);
    const QString verbSection = Section(text, QStringLiteral("VERBS"));
    for (const CliVerbUsage& usage : verbs) {
        // Each verb has a heading of its own, with its options described below it.
        const qsizetype heading = verbSection.indexOf(QStringLiteral("\n   ") + usage.verb + QLatin1Char(' '));
        EXPECT_GE(heading, 0) << usage.verb.toStdString();
        for (const QString& option : usage.options)
            EXPECT_TRUE(verbSection.contains(QStringLiteral("       ") + option))
                << usage.verb.toStdString() << " " << option.toStdString();
    }
    EXPECT_TRUE(Section(text, QStringLiteral("OPTIONS")).contains(QStringLiteral("--help")));

    const QString exitStatus = Section(text, QStringLiteral("EXIT STATUS"));
    for (int code = 0; code <= 4; ++code)
        EXPECT_TRUE(exitStatus.contains(QStringLiteral("\n       %1 ").arg(code))) << code;
    EXPECT_TRUE(exitStatus.contains(QStringLiteral("or a project/folder was skipped")));
    EXPECT_TRUE(Section(text, QStringLiteral("ENVIRONMENT")).contains(QStringLiteral("PAIRWELL_PROFILE")));
    EXPECT_TRUE(
        Section(text, QStringLiteral("FILES")).contains(QStringLiteral("$XDG_CONFIG_HOME/Corvane/Pairwell.ini")));
}

TEST_F(ManPage, PairwellCoversEverySwitchAndWhereTheSettingsLive)
{
    const QString text = Rendered(QStringLiteral(PAIRWELL_SOURCE_DIR "/docs/man/pairwell.1"));
    const QString options = Section(text, QStringLiteral("OPTIONS"));
    for (const char* item : {"-ISO", "-a[MINUTES]", "-s", "-e", "-SOE", "-mFile1"})
        EXPECT_TRUE(options.contains(QStringLiteral("\n       ") + QLatin1String(item) + QLatin1Char('\n'))
            || options.contains(QStringLiteral("\n       ") + QLatin1String(item) + QStringLiteral(" ")))
            << item;
    const QString exitStatus = Section(text, QStringLiteral("EXIT STATUS"));
    EXPECT_TRUE(exitStatus.contains(QStringLiteral("\n       0 ")));
    EXPECT_TRUE(exitStatus.contains(QStringLiteral("\n       1 ")));
    EXPECT_TRUE(Section(text, QStringLiteral("ENVIRONMENT")).contains(QStringLiteral("PAIRWELL_PROFILE")));
    EXPECT_TRUE(
        Section(text, QStringLiteral("FILES")).contains(QStringLiteral("$XDG_CONFIG_HOME/Corvane/Pairwell.ini")));
}
