// The start-up switches and the document named on the command line.
#include "core/settings/CCommandLineInfo.h"

#include <gtest/gtest.h>

namespace {

using Shell = CCommandLineInfo::ShellCommand;

CCommandLineInfo Parse(const QStringList& params, const QString& last = {})
{
    return CCommandLineInfo::Parse(params, last);
}

} // namespace

TEST(CommandLine, NoParametersGiveANewDocumentAndNoAutoSync)
{
    const CCommandLineInfo info = Parse({});
    EXPECT_EQ(info.shellCommand, Shell::FileNew);
    EXPECT_TRUE(info.fileName.isEmpty());
    EXPECT_FALSE(info.autoSyncRunning);
    EXPECT_EQ(info.autoSyncMinutes, 15);
    EXPECT_FALSE(info.noShellRegistration);
    EXPECT_FALSE(info.syncAtStart);
    EXPECT_FALSE(info.exitAfterSync);
    EXPECT_FALSE(info.syncOnEndSession);
}

TEST(CommandLine, APathWithoutPrefixIsTheDocumentEvenWhenItBeginsWithA)
{
    const CCommandLineInfo info = Parse({QStringLiteral("abc.snc")});
    EXPECT_EQ(info.shellCommand, Shell::FileOpen);
    EXPECT_EQ(info.fileName, QStringLiteral("abc.snc"));
    EXPECT_FALSE(info.autoSyncRunning);
    EXPECT_EQ(info.autoSyncMinutes, 15);

    // Nor do the other switch names count without the prefix.
    const CCommandLineInfo others = Parse({QStringLiteral("s")});
    EXPECT_FALSE(others.syncAtStart);
    EXPECT_EQ(others.fileName, QStringLiteral("s"));
}

TEST(CommandLine, AutoSyncMinutes)
{
    struct Case
    {
        const char* param;
        int minutes;
    };
    const Case cases[] = {
        {"-a", 15},
        {"-a7", 7},
        {"-a15", 15},
        {"-a30", 30},
        {"-a0", 15},
        {"-a-5", 15},
        {"-a+9", 9},
        {"-a12x", 12},
        {"-ax", 15},
        {"-a99999999999", 2147483647},
    };
    for (const Case& c : cases) {
        const CCommandLineInfo info = Parse({QString::fromLatin1(c.param)});
        EXPECT_TRUE(info.autoSyncRunning) << c.param;
        EXPECT_EQ(info.autoSyncMinutes, c.minutes) << c.param;
        EXPECT_EQ(info.shellCommand, Shell::FileNew) << c.param;
    }
    // Any switch beginning with "a" is the auto-sync switch.
    EXPECT_TRUE(Parse({QStringLiteral("-abc")}).autoSyncRunning);
}

TEST(CommandLine, SwitchesAreCaseSensitiveAndExact)
{
    const CCommandLineInfo info
        = Parse({QStringLiteral("-ISO"), QStringLiteral("-s"), QStringLiteral("-e"), QStringLiteral("-SOE")});
    EXPECT_TRUE(info.noShellRegistration);
    EXPECT_TRUE(info.syncAtStart);
    EXPECT_TRUE(info.exitAfterSync);
    EXPECT_TRUE(info.syncOnEndSession);
    EXPECT_FALSE(info.autoSyncRunning);
    EXPECT_EQ(info.shellCommand, Shell::FileNew);

    const CCommandLineInfo wrong = Parse({QStringLiteral("-iso"), QStringLiteral("-S"), QStringLiteral("-E"),
        QStringLiteral("-soe"), QStringLiteral("-A5"), QStringLiteral("-se"), QStringLiteral("-mfile1")});
    EXPECT_FALSE(wrong.noShellRegistration);
    EXPECT_FALSE(wrong.syncAtStart);
    EXPECT_FALSE(wrong.exitAfterSync);
    EXPECT_FALSE(wrong.syncOnEndSession);
    EXPECT_FALSE(wrong.autoSyncRunning);
    EXPECT_TRUE(wrong.fileName.isEmpty());
    // A slash is the beginning of a path, not a switch.
    const CCommandLineInfo slash = Parse({QStringLiteral("/s")});
    EXPECT_FALSE(slash.syncAtStart);
    EXPECT_EQ(slash.fileName, QStringLiteral("/s"));
}

TEST(CommandLine, SwitchesAndADocumentTogether)
{
    const CCommandLineInfo info
        = Parse({QStringLiteral("-a7"), QStringLiteral("/data/a project.snc"), QStringLiteral("-s")});
    EXPECT_TRUE(info.autoSyncRunning);
    EXPECT_EQ(info.autoSyncMinutes, 7);
    EXPECT_TRUE(info.syncAtStart);
    EXPECT_EQ(info.shellCommand, Shell::FileOpen);
    EXPECT_EQ(info.fileName, QStringLiteral("/data/a project.snc"));

    // The first document named wins.
    const CCommandLineInfo two = Parse({QStringLiteral("first.snc"), QStringLiteral("second.snc")});
    EXPECT_EQ(two.fileName, QStringLiteral("first.snc"));
}

TEST(CommandLine, MostRecentDocument)
{
    const QString last = QStringLiteral("/home/u/recent.snc");
    const CCommandLineInfo info = Parse({QStringLiteral("-mFile1")}, last);
    EXPECT_EQ(info.shellCommand, Shell::FileOpen);
    EXPECT_EQ(info.fileName, last);

    // An empty list: a new document.
    const CCommandLineInfo empty = Parse({QStringLiteral("-mFile1")}, QString());
    EXPECT_EQ(empty.shellCommand, Shell::FileNew);
    EXPECT_TRUE(empty.fileName.isEmpty());

    // With other switches after it.
    const CCommandLineInfo withSwitches = Parse({QStringLiteral("-mFile1"), QStringLiteral("-a")}, last);
    EXPECT_EQ(withSwitches.shellCommand, Shell::FileOpen);
    EXPECT_EQ(withSwitches.fileName, last);
    EXPECT_TRUE(withSwitches.autoSyncRunning);
}
