// The named sync options of export and import (--subfolders, --no-trash, …)
// against the bits of --flags: the same plans, a named option winning over
// the same bits of --flags, and options that contradict each other refused.
// The tool runs as a separate process on real folders, a real .snc file and
// a real profile.
#include "CliRunner.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/platform/Profile.h"
#include "support/TestDir.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

constexpr qint64 kOld = 1'000'000'000;
constexpr qint64 kNew = kOld + 100;

QString Hex(quint32 flags)
{
    return QStringLiteral("0x") + QString::number(flags, 16);
}

class CliRunOptions : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Each bit a run reads changes this tree's plan, or at least the flags it reports.
        dir.WriteFile(QStringLiteral("P/new.txt"), "new", kNew); // missing at the target
        dir.WriteFile(QStringLiteral("P/updated.txt"), "updated", kNew); // newer in the project
        dir.WriteFile(QStringLiteral("T/updated.txt"), "old", kOld);
        dir.WriteFile(QStringLiteral("T/stale.txt"), "stale", kOld); // gone from the project
        dir.WriteFile(QStringLiteral("P/sub/inner.txt"), "inner", kNew); // only in a subfolder
        dir.MakeFolder(QStringLiteral("P/empty")); // a folder without files
        dir.WriteFile(QStringLiteral("T/gone/g.txt"), "g", kOld); // a folder gone from the project
        dir.MakeFolder(QStringLiteral("tmp"));
        CMyDoc doc;
        auto node = std::make_unique<CSyncProject>(&doc.GetRoot());
        node->SetFolders(dir.PathOf(QStringLiteral("P")), dir.PathOf(QStringLiteral("T")));
        doc.GetRoot().AddChild(std::move(node));
        ASSERT_TRUE(doc.OnSaveDocument(docPath));
    }

    void SetSettingsFlags(quint32 flags)
    {
        CProfile profile(dir.PathOf(QStringLiteral("profile.ini")));
        profile.WriteProfileInt(QStringLiteral("OptionSync"), QStringLiteral("Flags"), int(flags));
    }

    CliResult Cli(const QStringList& args) const
    {
        return RunCli(args, {.environment = EnvironmentIn(dir, dir.PathOf(QStringLiteral("profile.ini")))});
    }

    // The plan of `verb` with `options`, as JSON.
    QJsonObject Plan(const QStringList& options, const QString& verb = QStringLiteral("export")) const
    {
        const CliResult plan
            = Cli(QStringList{verb, docPath, QStringLiteral("--plan"), QStringLiteral("--json")} + options);
        EXPECT_EQ(plan.code, 0) << options.join(u' ').toStdString() << ": " << plan.err.toStdString();
        return QJsonDocument::fromJson(plan.out.toUtf8()).object();
    }

    static QJsonObject Lists(const QJsonObject& plan)
    {
        return {{QStringLiteral("copies"), plan.value(QStringLiteral("copies"))},
            {QStringLiteral("deletions"), plan.value(QStringLiteral("deletions"))}};
    }

    // The names under the heading of the sync options in `pairwell-cli help export`, but --flags.
    QStringList NamedSyncOptions() const
    {
        const CliResult help = Cli({QStringLiteral("help"), QStringLiteral("export")});
        EXPECT_EQ(help.code, 0);
        QStringList names;
        bool inGroup = false;
        for (const QString& line : help.out.split(QLatin1Char('\n'))) {
            if (!line.startsWith(QLatin1Char(' ')))
                inGroup = line.startsWith(QStringLiteral("sync options"));
            if (!inGroup || !line.startsWith(QStringLiteral("  --")))
                continue;
            for (const QString& name : line.mid(2).section(QStringLiteral("  "), 0, 0).split(QStringLiteral(", "))) {
                if (name.section(u' ', 0, 0) != QLatin1String("--flags"))
                    names << name.section(u' ', 0, 0);
            }
        }
        return names;
    }

    TestDir dir;
    QString docPath = dir.PathOf(QStringLiteral("doc.snc"));
};

} // namespace

TEST_F(CliRunOptions, EachNamedOptionGivesThePlanOfItsBits)
{
    const struct
    {
        quint32 settings; // the flags of the settings the run starts from
        QStringList named;
        quint32 flags; // the same run with --flags
        bool listsChange; // whether the option changes what is copied or deleted
    } cases[] = {
        {0x40, {QStringLiteral("--subfolders")}, 0x41, true},
        {0x41, {QStringLiteral("--no-subfolders")}, 0x40, true},
        {0x41, {QStringLiteral("--empty-folders")}, 0x43, true},
        {0x43, {QStringLiteral("--no-empty-folders")}, 0x41, true},
        {0x41, {QStringLiteral("--delete-files")}, 0x45, true},
        {0x45, {QStringLiteral("--no-delete-files")}, 0x41, true},
        {0x41, {QStringLiteral("--delete-folders")}, 0x49, true},
        {0x49, {QStringLiteral("--no-delete-folders")}, 0x41, true},
        {0x41, {QStringLiteral("--newer-only")}, 0x51, true},
        {0x41, {QStringLiteral("--missing-only")}, 0x61, true},
        {0x61, {QStringLiteral("--newer-and-missing")}, 0x41, true},
        {0x71, {QStringLiteral("--missing-only")}, 0x61, true}, // transfer mode 3 copies as 0 does
        {0x01, {QStringLiteral("--trash")}, 0x41, false},
        {0x41, {QStringLiteral("--no-trash")}, 0x01, false},
        {0x41, {QStringLiteral("--no-questions")}, 0xC1, false},
        {0xC1, {QStringLiteral("--questions")}, 0x41, false},
        {0x41, {QStringLiteral("--create-target")}, 0x141, false},
        {0x141, {QStringLiteral("--no-create-target")}, 0x41, false},
        {0x40,
            {QStringLiteral("--subfolders"), QStringLiteral("--empty-folders"), QStringLiteral("--delete-files"),
                QStringLiteral("--delete-folders"), QStringLiteral("--missing-only"), QStringLiteral("--no-trash"),
                QStringLiteral("--no-questions"), QStringLiteral("--create-target")},
            0x1AF, true},
    };
    QStringList covered;
    for (const auto& c : cases) {
        const std::string name = c.named.join(u' ').toStdString();
        covered << c.named;
        SetSettingsFlags(c.settings);
        const QJsonObject base = Plan({});
        const QJsonObject named = Plan(c.named);
        const QJsonObject bits = Plan({QStringLiteral("--flags"), Hex(c.flags)});
        EXPECT_EQ(named, bits) << name;
        EXPECT_EQ(named.value(QStringLiteral("flags")).toInteger(), c.flags) << name;
        EXPECT_EQ(Lists(named) != Lists(base), c.listsChange) << name;
    }
    // No named option of the help goes untested.
    const QStringList options = NamedSyncOptions();
    EXPECT_EQ(options.size(), 17);
    for (const QString& option : options)
        EXPECT_TRUE(covered.contains(option)) << option.toStdString();
}

TEST_F(CliRunOptions, ANamedOptionWinsOverTheSameBitsOfFlagsInAnyOrder)
{
    SetSettingsFlags(0x40);
    const struct
    {
        QString verb;
        QStringList options;
        quint32 flags;
    } cases[] = {
        {QStringLiteral("export"), {QStringLiteral("--flags"), QStringLiteral("0x45"), QStringLiteral("--no-trash")},
            0x05},
        {QStringLiteral("export"), {QStringLiteral("--no-trash"), QStringLiteral("--flags"), QStringLiteral("0x45")},
            0x05},
        {QStringLiteral("import"), {QStringLiteral("--flags"), QStringLiteral("5"), QStringLiteral("--trash")}, 0x45},
        {QStringLiteral("export"), {QStringLiteral("--flags"), QStringLiteral("0x71"), QStringLiteral("--newer-only")},
            0x51},
        {QStringLiteral("import"), {QStringLiteral("--missing-only"), QStringLiteral("--flags"), QStringLiteral("1ff")},
            0x1EF},
        // Bits that no named option governs are kept as --flags gives them.
        {QStringLiteral("export"),
            {QStringLiteral("--flags"), QStringLiteral("0x1C4F"), QStringLiteral("--no-delete-files"),
                QStringLiteral("--no-delete-folders"), QStringLiteral("--questions")},
            0x1C43},
    };
    for (const auto& c : cases) {
        const std::string name = QString(c.verb + u' ' + c.options.join(u' ')).toStdString();
        const QJsonObject named = Plan(c.options, c.verb);
        EXPECT_EQ(named.value(QStringLiteral("flags")).toInteger(), c.flags) << name;
        EXPECT_EQ(named, Plan({QStringLiteral("--flags"), Hex(c.flags)}, c.verb)) << name;
    }
}

TEST_F(CliRunOptions, OptionsThatContradictEachOtherAreRefusedBeforeAnythingRuns)
{
    const struct
    {
        QStringList options;
        QString message;
    } cases[] = {
        {{QStringLiteral("--trash"), QStringLiteral("--no-trash")}, QStringLiteral("--trash and --no-trash")},
        {{QStringLiteral("--newer-only"), QStringLiteral("--missing-only")},
            QStringLiteral("--newer-only and --missing-only")},
        {{QStringLiteral("--missing-only"), QStringLiteral("--newer-and-missing")},
            QStringLiteral("--newer-and-missing and --missing-only")},
        {{QStringLiteral("--questions"), QStringLiteral("--no-questions"), QStringLiteral("--yes")},
            QStringLiteral("--no-questions and --questions")},
    };
    for (const auto& c : cases) {
        const CliResult run
            = Cli(QStringList{QStringLiteral("export"), docPath, QStringLiteral("--delete-files")} + c.options);
        EXPECT_EQ(run.code, 2) << c.options.join(u' ').toStdString();
        EXPECT_EQ(run.err, QStringLiteral("pairwell-cli: export: %1 contradict each other\n").arg(c.message));
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_TRUE(TestDir::Exists(dir.PathOf(QStringLiteral("T/stale.txt"))));
    EXPECT_FALSE(TestDir::Exists(dir.PathOf(QStringLiteral("T/new.txt"))));
    // The same option twice says the same thing twice.
    EXPECT_EQ(
        Plan({QStringLiteral("--trash"), QStringLiteral("--trash")}).value(QStringLiteral("flags")).toInteger(), 0x40);
}
