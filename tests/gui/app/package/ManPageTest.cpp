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

// The lines of a verb's entry in the VERBS section: from its heading (and
// any heading right after it, as import's after export's) to the heading of
// another verb; subsections of the entry ("Sync options of export and
// import") belong to it.
QStringList VerbEntry(const QString& verbSection, const QString& verb, const QStringList& verbs)
{
    const auto isHeading = [](const QString& line) {
        return line.startsWith(QStringLiteral("   ")) && !line.startsWith(QStringLiteral("    "));
    };
    QStringList entry;
    bool inEntry = false;
    bool inBody = false;
    for (const QString& line : verbSection.split(QLatin1Char('\n'))) {
        if (isHeading(line)) {
            const QString word = line.mid(3).section(QLatin1Char(' '), 0, 0);
            if (word == verb) {
                inEntry = true;
            } else if (inEntry && inBody && verbs.contains(word)) {
                break;
            }
            continue;
        }
        if (inEntry) {
            inBody = true;
            entry << line;
        }
    }
    return entry;
}

// The options named in the tags of a rendered list of options (the text at
// the left margin of each item, after an empty line or a heading: "--trash, --no-trash",
// "--log PATH", or "--json" with its description on the same line).
QStringList TaggedOptions(const QStringList& lines)
{
    QStringList options;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        const QString& before = lines.at(i - 1);
        const bool itemStart = before.trimmed().isEmpty() || !before.startsWith(QLatin1Char(' ')); // or a heading
        if (!itemStart || !line.startsWith(QStringLiteral("       -")))
            continue;
        QString tag = line.mid(7);
        // A tag narrower than the indentation shares its line with the description.
        if (tag.size() > 7 && tag.at(6) == QLatin1Char(' '))
            tag = tag.left(7);
        for (QString word : tag.simplified().split(QLatin1Char(' '))) {
            if (word.endsWith(QLatin1Char(',')))
                word.chop(1);
            if (word.startsWith(QLatin1Char('-')))
                options << word;
        }
    }
    return options;
}

// The words sorted, one string for a readable message.
std::string Sorted(QStringList list)
{
    list.sort();
    list.removeDuplicates();
    return list.join(QLatin1Char(' ')).toStdString();
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
    const QStringList verbs = CliVerbsFromHelp(help.output);
    ASSERT_GE(verbs.size(), 10);
    const QString verbSection = Section(text, QStringLiteral("VERBS"));
    for (const QString& verb : verbs) {
        // Each verb has a heading of its own, with exactly its options described below it.
        const QStringList entry = VerbEntry(verbSection, verb, verbs);
        EXPECT_FALSE(entry.isEmpty()) << verb.toStdString();
        const ToolResult verbHelp = RunTool(QStringLiteral(PAIRWELL_CLI), {QStringLiteral("help"), verb});
        EXPECT_EQ(verbHelp.exitCode, 0) << verb.toStdString();
        EXPECT_EQ(Sorted(TaggedOptions(entry)), Sorted(CliOptionsFromHelp(verbHelp.output))) << verb.toStdString();
    }
    const QStringList options = Section(text, QStringLiteral("OPTIONS")).split(QLatin1Char('\n'));
    EXPECT_EQ(Sorted(TaggedOptions(options)), Sorted(CliOptionsFromHelp(help.output)));

    // The exit codes with the words of the help.
    const QString exitStatus = Section(text, QStringLiteral("EXIT STATUS")).simplified();
    const QStringList codes = CliExitCodesFromHelp(help.output);
    EXPECT_EQ(codes.size(), 5);
    for (const QString& code : codes)
        EXPECT_TRUE(exitStatus.contains(code)) << code.toStdString();
    EXPECT_TRUE(exitStatus.contains(QStringLiteral("or a project/folder was skipped")));
    EXPECT_TRUE(Section(text, QStringLiteral("ENVIRONMENT")).contains(QStringLiteral("PAIRWELL_PROFILE")));
    EXPECT_TRUE(
        Section(text, QStringLiteral("FILES")).contains(QStringLiteral("$XDG_CONFIG_HOME/Corvane/Pairwell.ini")));
    EXPECT_TRUE(text.contains(QStringLiteral("Pairwell " PAIRWELL_VERSION)));
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
