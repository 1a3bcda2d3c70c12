// The bash completion of pairwell-cli, driven as bash drives it: the words
// on the line, the completion function, the words it offers. A real
// document (folders with spaces in their names) and a real profile.
#include "PackageSupport.h"

#include "support/TestDir.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QStandardPaths>

namespace {

class Completion : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("bash")).isEmpty())
            GTEST_SKIP() << "bash is not installed";
        environment.insert(QStringLiteral("PAIRWELL_PROFILE"), dir.PathOf(QStringLiteral("Pairwell.ini")));
        environment.insert(QStringLiteral("PATH"),
            QFileInfo(QStringLiteral(PAIRWELL_CLI)).absolutePath() + QLatin1Char(':')
                + environment.value(QStringLiteral("PATH")));
        dir.MakeFolder(QStringLiteral("work/My Site/images"));
        dir.MakeFolder(QStringLiteral("work/Notes"));
        dir.MakeFolder(QStringLiteral("backup"));
        dir.WriteFile(QStringLiteral("work/readme.txt"), "not a document");
        ASSERT_EQ(Cli({QStringLiteral("new"), QStringLiteral("work/sites.snc")}), 0);
        ASSERT_EQ(Cli({QStringLiteral("add"), QStringLiteral("work/sites.snc"), QStringLiteral("work/My Site"),
                      QStringLiteral("backup/My Site"), QStringLiteral("--yes")}),
            0);
        ASSERT_EQ(Cli({QStringLiteral("add"), QStringLiteral("work/sites.snc"), QStringLiteral("work/Notes")}), 0);
        ASSERT_EQ(Cli({QStringLiteral("filters"), QStringLiteral("set"), QStringLiteral("Backups"),
                      QStringLiteral("!*.bak")}),
            0);
    }

    int Cli(const QStringList& arguments)
    {
        return RunTool(QStringLiteral(PAIRWELL_CLI), arguments, environment, dir.Path()).exitCode;
    }

    // The words the completion offers for the command line `words` (the
    // last one being completed), as bash would insert them.
    QStringList Offered(const QStringList& words)
    {
        QString script = QStringLiteral("source \"$1\"; shift; COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1)); "
                                        "_pairwell_cli; printf '%s\\n' \"${COMPREPLY[@]}\"");
        const ToolResult bash = RunTool(QStringLiteral("bash"),
            QStringList{QStringLiteral("-c"), script, QStringLiteral("bash"),
                QStringLiteral(PAIRWELL_SOURCE_DIR "/completion/pairwell-cli"), QStringLiteral("pairwell-cli")}
                + words,
            environment, dir.Path());
        EXPECT_EQ(bash.exitCode, 0) << bash.errors.toStdString();
        EXPECT_TRUE(bash.errors.isEmpty()) << bash.errors.toStdString();
        QStringList offered = bash.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        offered.sort();
        return offered;
    }

    TestDir dir;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
};

} // namespace

TEST_F(Completion, OffersWhatEachPlaceOfTheLineTakes)
{
    const struct
    {
        QStringList words;
        QStringList offered; // sorted
    } cases[] = {
        {{QStringLiteral("ex")}, {QStringLiteral("export")}},
        {{QStringLiteral("export"), QStringLiteral("--p")}, {QStringLiteral("--plan")}},
        {{QStringLiteral("tree"), QStringLiteral("--")},
            {QStringLiteral("--help"), QStringLiteral("--json"), QStringLiteral("--scan")}},
        // Documents and the folders that may hold them; not other files.
        {{QStringLiteral("export"), QStringLiteral("work/")},
            {QStringLiteral("work/My Site"), QStringLiteral("work/Notes"), QStringLiteral("work/sites.snc")}},
        // The node paths of the document, quoted for the command line.
        {{QStringLiteral("export"), QStringLiteral("work/sites.snc"), QString()},
            {QStringLiteral("My\\ Site"), QStringLiteral("My\\ Site/images"), QStringLiteral("Notes")}},
        {{QStringLiteral("import"), QStringLiteral("work/sites.snc"), QStringLiteral("--plan"),
             QStringLiteral("My\\ Site/")},
            {QStringLiteral("My\\ Site/images")}},
        {{QStringLiteral("set"), QStringLiteral("work/sites.snc"), QStringLiteral("Notes"), QStringLiteral("--no-sync"),
             QString()},
            {QStringLiteral("off"), QStringLiteral("on")}},
        {{QStringLiteral("compare"), QStringLiteral("work/My\\ ")}, {QStringLiteral("work/My Site")}},
        {{QStringLiteral("filters"), QStringLiteral("remove"), QString()}, {QStringLiteral("Backups")}},
        {{QStringLiteral("compare"), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("--select"), QString()},
            {QStringLiteral("Backups")}},
        {{QStringLiteral("options"), QStringLiteral("set"), QStringLiteral("OptionS")},
            {QStringLiteral("OptionSync.Flags"), QStringLiteral("OptionSync.LogFilePath"),
                QStringLiteral("OptionSync.TrashReplaced")}},
        // A value the user types: nothing to offer.
        {{QStringLiteral("export"), QStringLiteral("work/sites.snc"), QStringLiteral("--flags"), QString()}, {}},
        // The named sync options; --no-subfolders of a run takes no value, that of set does.
        {{QStringLiteral("export"), QStringLiteral("--no-t")}, {QStringLiteral("--no-trash")}},
        {{QStringLiteral("import"), QStringLiteral("--newer")},
            {QStringLiteral("--newer-and-missing"), QStringLiteral("--newer-only")}},
        {{QStringLiteral("export"), QStringLiteral("work/sites.snc"), QStringLiteral("--no-subfolders"), QString()},
            {QStringLiteral("My\\ Site"), QStringLiteral("My\\ Site/images"), QStringLiteral("Notes")}},
        {{QStringLiteral("set"), QStringLiteral("work/sites.snc"), QStringLiteral("Notes"),
             QStringLiteral("--no-subfolders"), QString()},
            {QStringLiteral("off"), QStringLiteral("on")}},
        // help takes a verb; the program itself --help and --version.
        {{QStringLiteral("help"), QStringLiteral("ex")}, {QStringLiteral("export")}},
        {{QStringLiteral("--ver")}, {QStringLiteral("--version")}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Offered(c.words).join(u' ').toStdString(), c.offered.join(u' ').toStdString())
            << c.words.join(QLatin1Char(' ')).toStdString();
}

TEST_F(Completion, KnowsEveryVerbAndOptionOfTheProgram)
{
    const ToolResult help = RunTool(QStringLiteral(PAIRWELL_CLI), {QStringLiteral("--help")});
    ASSERT_EQ(help.exitCode, 0);
    const QStringList verbs = CliVerbsFromHelp(help.output);
    ASSERT_GE(verbs.size(), 10);
    const QStringList offeredVerbs = Offered({QString()});
    for (const QString& verb : verbs) {
        EXPECT_TRUE(offeredVerbs.contains(verb)) << verb.toStdString();
        // The options of the verb's help, and --help, which every verb takes.
        const ToolResult verbHelp = RunTool(QStringLiteral(PAIRWELL_CLI), {QStringLiteral("help"), verb});
        QStringList options = CliOptionsFromHelp(verbHelp.output) << QStringLiteral("--help");
        options.sort();
        EXPECT_EQ(Offered({verb, QStringLiteral("--")}).join(u' ').toStdString(), options.join(u' ').toStdString())
            << verb.toStdString();
    }
    QStringList programOptions = CliOptionsFromHelp(help.output);
    programOptions.sort();
    EXPECT_EQ(Offered({QStringLiteral("-")}).join(u' ').toStdString(), programOptions.join(u' ').toStdString());
}
