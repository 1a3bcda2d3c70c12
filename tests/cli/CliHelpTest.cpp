// What pairwell-cli says about itself: its version, the help of each verb,
// the closest name for one it does not know, and a README that lists every
// verb, option and exit code the help lists.
#include "CliRunner.h"
#include "support/TestDir.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// The lines of the section of `text` that begins with the line `heading`, up to the next empty line.
QStringList SectionLines(const QString& text, const QString& heading)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    const qsizetype start = lines.indexOf(heading);
    QStringList section;
    for (qsizetype i = start + 1; start >= 0 && i < lines.size() && !lines.at(i).isEmpty(); ++i)
        section << lines.at(i);
    return section;
}

// The verbs that `pairwell-cli --help` lists.
QStringList Verbs()
{
    QStringList verbs;
    for (const QString& line : SectionLines(RunCli({QStringLiteral("--help")}).out, QStringLiteral("verbs:"))) {
        if (line.startsWith(QStringLiteral("  ")) && !line.startsWith(QStringLiteral("   ")))
            verbs << line.mid(2).section(u' ', 0, 0);
    }
    return verbs;
}

// The option names of a help text ("--trash, --no-trash  move …" gives both).
QStringList OptionNames(const QString& help)
{
    QStringList names;
    for (const QString& line : help.split(QLatin1Char('\n'))) {
        if (!line.startsWith(QStringLiteral("  -")))
            continue;
        for (const QString& name : line.mid(2).section(QStringLiteral("  "), 0, 0).split(QStringLiteral(", ")))
            names << name.section(u' ', 0, 0);
    }
    return names;
}

} // namespace

TEST(CliHelp, VersionIsTheProgramsVersion)
{
    const CliResult version = RunCli({QStringLiteral("--version")});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out, QStringLiteral("Pairwell Version " PAIRWELL_VERSION "\n"));
}

TEST(CliHelp, HelpVerbIsTheVerbsOwnHelp)
{
    const QStringList verbs = Verbs();
    EXPECT_EQ(verbs,
        (QStringList{QStringLiteral("add"), QStringLiteral("compare"), QStringLiteral("export"),
            QStringLiteral("filters"), QStringLiteral("help"), QStringLiteral("import"), QStringLiteral("new"),
            QStringLiteral("options"), QStringLiteral("set"), QStringLiteral("tree"), QStringLiteral("undo")}));
    for (const QString& verb : verbs) {
        const CliResult help = RunCli({QStringLiteral("help"), verb});
        EXPECT_EQ(help.code, 0) << verb.toStdString();
        EXPECT_TRUE(help.out.startsWith(QStringLiteral("usage: pairwell-cli ") + verb + u' '))
            << help.out.toStdString();
        EXPECT_FALSE(SectionLines(help.out, QStringLiteral("exit codes:")).isEmpty()) << verb.toStdString();
        // --help wherever an option may stand, whatever else the line holds.
        EXPECT_EQ(RunCli({verb, QStringLiteral("--help")}).out, help.out) << verb.toStdString();
        EXPECT_EQ(
            RunCli({verb, QStringLiteral("x.snc"), QStringLiteral("--bogus"), QStringLiteral("--help")}).out, help.out)
            << verb.toStdString();
    }
    EXPECT_EQ(RunCli({QStringLiteral("help")}).out, RunCli({QStringLiteral("--help")}).out);
    // The value of an option is not a request for help.
    const CliResult name = RunCli({QStringLiteral("export"), QStringLiteral("x.snc"), QStringLiteral("--log"),
        QStringLiteral("--help"), QStringLiteral("--bogus")});
    EXPECT_EQ(name.code, 2);
    EXPECT_TRUE(name.out.isEmpty());
}

TEST(CliHelp, AnUnknownNameGetsTheClosestOneWhenItIsClose)
{
    const struct
    {
        QStringList args;
        QString message;
    } cases[] = {
        {{QStringLiteral("exprot")}, QStringLiteral("unknown verb 'exprot'; did you mean 'export'?")},
        {{QStringLiteral("tre"), QStringLiteral("d.snc")}, QStringLiteral("unknown verb 'tre'; did you mean 'tree'?")},
        {{QStringLiteral("frobnicate")}, QStringLiteral("unknown verb 'frobnicate' (see pairwell-cli --help)")},
        {{QStringLiteral("help"), QStringLiteral("improt")},
            QStringLiteral("unknown verb 'improt'; did you mean 'import'?")},
        {{QStringLiteral("--verison")}, QStringLiteral("unknown option '--verison'; did you mean '--version'?")},
        {{QStringLiteral("--frobnicate")}, QStringLiteral("unknown option '--frobnicate' (see pairwell-cli --help)")},
        {{QStringLiteral("-x")}, QStringLiteral("unknown option '-x' (see pairwell-cli --help)")},
        {{QStringLiteral("Export")}, QStringLiteral("unknown verb 'Export'; did you mean 'export'?")},
        {{QStringLiteral("export"), QStringLiteral("d.snc"), QStringLiteral("--subfolder")},
            QStringLiteral("export: unknown option '--subfolder'; did you mean '--subfolders'?")},
        {{QStringLiteral("import"), QStringLiteral("d.snc"), QStringLiteral("--no-trahs")},
            QStringLiteral("import: unknown option '--no-trahs'; did you mean '--no-trash'?")},
        {{QStringLiteral("tree"), QStringLiteral("d.snc"), QStringLiteral("--JSON")},
            QStringLiteral("tree: unknown option '--JSON'; did you mean '--json'?")},
        {{QStringLiteral("export"), QStringLiteral("d.snc"), QStringLiteral("--dry-run")},
            QStringLiteral("export: unknown option '--dry-run' (see pairwell-cli help export)")},
        {{QStringLiteral("export"), QStringLiteral("d.snc"), QStringLiteral("--newer")},
            QStringLiteral("export: unknown option '--newer' (see pairwell-cli help export)")},
        {{QStringLiteral("options"), QStringLiteral("set"), QStringLiteral("OptionSync.flags"), QStringLiteral("1")},
            QStringLiteral("options set: unknown option 'OptionSync.flags'; did you mean 'OptionSync.Flags'?")},
    };
    for (const auto& c : cases) {
        const CliResult result = RunCli(c.args);
        EXPECT_EQ(result.code, 2) << c.args.join(u' ').toStdString();
        EXPECT_EQ(result.err, QStringLiteral("pairwell-cli: ") + c.message + u'\n');
        EXPECT_TRUE(result.out.isEmpty());
    }
}

TEST(CliHelp, TheReadmeListsEveryVerbOptionAndExitCode)
{
    QString readme = QString::fromUtf8(TestDir::ReadFile(QStringLiteral(PAIRWELL_SOURCE_DIR "/README.md")));
    const qsizetype start = readme.indexOf(QStringLiteral("\n## The command-line tool\n"));
    ASSERT_GE(start, 0);
    readme = readme.mid(start, readme.indexOf(QStringLiteral("\n## "), start + 1) - start);
    const QString simplified = readme.simplified();
    for (const QString& verb : Verbs()) {
        EXPECT_TRUE(readme.contains(QStringLiteral("pairwell-cli ") + verb + u' ')
            || readme.contains(QStringLiteral("pairwell-cli ") + verb + u'\n'))
            << verb.toStdString();
        for (const QString& option : OptionNames(RunCli({QStringLiteral("help"), verb}).out)) {
            const QRegularExpression word(
                QStringLiteral("(^|[^\\w-])") + QRegularExpression::escape(option) + QStringLiteral("($|[^\\w-])"));
            EXPECT_TRUE(readme.contains(word)) << verb.toStdString() << " " << option.toStdString();
        }
    }
    // Each exit code with the same words as the help.
    const QStringList codes = SectionLines(RunCli({QStringLiteral("--help")}).out, QStringLiteral("exit codes:"));
    ASSERT_FALSE(codes.isEmpty());
    QStringList meanings;
    for (const QString& line : codes) {
        if (line.at(2).isDigit())
            meanings << line.simplified();
        else
            meanings.last() += u' ' + line.simplified();
    }
    EXPECT_EQ(meanings.size(), 5);
    for (const QString& meaning : meanings)
        EXPECT_TRUE(simplified.contains(meaning.left(1) + QStringLiteral(" | ") + meaning.mid(2)))
            << meaning.toStdString();
}
