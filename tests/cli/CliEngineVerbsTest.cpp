// The compare, filters and options verbs of pairwell-cli, run as a separate
// process against real folders and a temporary profile.
#include "CliRunner.h"
#include "support/TestDir.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

constexpr qint64 kBase = 1700000000;

class CliVerbs : public ::testing::Test
{
protected:
    TestDir dir;
    QString profile = dir.PathOf(QStringLiteral("profile/Pairwell.ini"));

    CliResult Run(const QStringList& args) const
    {
        return RunCli(args, {.environment = {{QStringLiteral("PAIRWELL_PROFILE"), profile}}});
    }

    QJsonObject FileNamed(const QJsonArray& files, const QString& name)
    {
        for (const QJsonValue& file : files) {
            if (file.toObject().value(QStringLiteral("name")).toString() == name)
                return file.toObject();
        }
        ADD_FAILURE() << "no file " << name.toStdString();
        return {};
    }
};

QJsonArray Pair(const QJsonValue& a, const QJsonValue& b)
{
    return QJsonArray{a, b};
}

} // namespace

TEST_F(CliVerbs, CompareListsEveryFileWithItsState)
{
    const QString p = dir.MakeFolder(QStringLiteral("p"));
    const QString t = dir.MakeFolder(QStringLiteral("t"));
    dir.WriteFile(QStringLiteral("p/same.txt"), "same", kBase);
    dir.WriteFile(QStringLiteral("t/same.txt"), "same", kBase);
    dir.WriteFile(QStringLiteral("p/Newer.c"), "new!", kBase + 3);
    dir.WriteFile(QStringLiteral("t/NEWER.C"), "old", kBase);
    dir.WriteFile(QStringLiteral("p/.hidden"), "h", kBase);
    dir.WriteFile(QStringLiteral("t/target.bak"), "bak", kBase + 10);
    dir.WriteFile(QStringLiteral("p/sub/inner.txt"), "x", kBase);

    const CliResult result = Run({QStringLiteral("compare"), p, t, QStringLiteral("--json")});
    ASSERT_EQ(result.code, 0) << result.err.toStdString();
    const QJsonObject root = result.Json().object();
    EXPECT_EQ(root.value(QStringLiteral("project")).toString(), p);
    EXPECT_EQ(root.value(QStringLiteral("target")).toString(), t);
    EXPECT_EQ(root.value(QStringLiteral("reachable")).toArray(), Pair(true, true));
    // Export work and import work together.
    EXPECT_EQ(root.value(QStringLiteral("folderState")).toInt(), 8);

    const QJsonArray files = root.value(QStringLiteral("files")).toArray();
    QStringList names;
    for (const QJsonValue& file : files)
        names << file.toObject().value(QStringLiteral("name")).toString();
    EXPECT_EQ(names,
        (QStringList{QStringLiteral(".hidden"), QStringLiteral("Newer.c"), QStringLiteral("same.txt"),
            QStringLiteral("target.bak")}));

    const QJsonObject newer = FileNamed(files, QStringLiteral("Newer.c"));
    EXPECT_EQ(newer.value(QStringLiteral("state")).toInt(), 3);
    EXPECT_FALSE(newer.value(QStringLiteral("excluded")).toBool());
    EXPECT_EQ(newer.value(QStringLiteral("exists")).toArray(), Pair(true, true));
    EXPECT_EQ(newer.value(QStringLiteral("size")).toArray(), Pair(4, 3));
    EXPECT_EQ(newer.value(QStringLiteral("mtime")).toArray(), Pair(kBase + 3, kBase));

    const QJsonObject hidden = FileNamed(files, QStringLiteral(".hidden"));
    EXPECT_EQ(hidden.value(QStringLiteral("state")).toInt(), 5);
    EXPECT_EQ(hidden.value(QStringLiteral("attr")).toArray(), Pair(QStringLiteral("H"), QString()));

    // The missing side: size 0, the initial time, no attributes.
    const QJsonObject bak = FileNamed(files, QStringLiteral("target.bak"));
    EXPECT_EQ(bak.value(QStringLiteral("state")).toInt(), 6);
    EXPECT_EQ(bak.value(QStringLiteral("exists")).toArray(), Pair(false, true));
    EXPECT_EQ(bak.value(QStringLiteral("size")).toArray(), Pair(0, 3));
    const QJsonArray bakTimes = bak.value(QStringLiteral("mtime")).toArray();
    EXPECT_EQ(QDateTime::fromSecsSinceEpoch(bakTimes.at(0).toInteger()).date(), QDate(1980, 1, 1));
    EXPECT_EQ(bakTimes.at(1).toInteger(), kBase + 10);

    // Text output: one line per file and the folder state.
    const CliResult text = Run({QStringLiteral("compare"), p, t});
    ASSERT_EQ(text.code, 0);
    const QString out = text.out;
    EXPECT_TRUE(out.contains(QStringLiteral("Newer.c\tプロジェクトが最新\t4\t3\t"))) << text.out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("target.bak\tターゲットにのみ存在\t-\t3\t"))) << text.out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("folder state: 8"))) << text.out.toStdString();
}

TEST_F(CliVerbs, CompareAppliesTheSelectedFilterEntriesOfTheProfile)
{
    const QString p = dir.MakeFolder(QStringLiteral("p"));
    const QString t = dir.MakeFolder(QStringLiteral("t"));
    dir.WriteFile(QStringLiteral("p/same.txt"), "same", kBase);
    dir.WriteFile(QStringLiteral("t/same.txt"), "same", kBase);
    dir.WriteFile(QStringLiteral("t/target.bak"), "bak", kBase);

    ASSERT_EQ(Run({QStringLiteral("filters"), QStringLiteral("set"), QStringLiteral("backup"),
                      QStringLiteral("!*.bak;*.tmp")})
                  .code,
        0);
    const CliResult unselected = Run({QStringLiteral("compare"), p, t, QStringLiteral("--json")});
    EXPECT_EQ(unselected.Json().object().value(QStringLiteral("folderState")).toInt(), 4);

    const CliResult selected = Run({QStringLiteral("compare"), p, t, QStringLiteral("--select"),
        QStringLiteral("backup"), QStringLiteral("--json")});
    ASSERT_EQ(selected.code, 0);
    const QJsonObject root = selected.Json().object();
    EXPECT_EQ(root.value(QStringLiteral("folderState")).toInt(), 1);
    const QJsonArray files = root.value(QStringLiteral("files")).toArray();
    EXPECT_TRUE(FileNamed(files, QStringLiteral("target.bak")).value(QStringLiteral("excluded")).toBool());
    EXPECT_FALSE(FileNamed(files, QStringLiteral("same.txt")).value(QStringLiteral("excluded")).toBool());

    // Selections name entries exactly.
    const CliResult otherCase = Run({QStringLiteral("compare"), p, t, QStringLiteral("--select"),
        QStringLiteral("Backup"), QStringLiteral("--json")});
    EXPECT_EQ(otherCase.Json().object().value(QStringLiteral("folderState")).toInt(), 4);

    const CliResult text = Run({QStringLiteral("compare"), p, t, QStringLiteral("--select"), QStringLiteral("backup")});
    EXPECT_TRUE(text.out.contains(QStringLiteral("\t対象外"))) << text.out.toStdString();
}

TEST_F(CliVerbs, CompareOfMissingFoldersIsAStateNotAnError)
{
    dir.WriteFile(QStringLiteral("p/only.txt"), "x", kBase);
    const CliResult result = Run({QStringLiteral("compare"), dir.PathOf(QStringLiteral("p")),
        dir.PathOf(QStringLiteral("missing")), QStringLiteral("--json")});
    ASSERT_EQ(result.code, 0);
    const QJsonObject root = result.Json().object();
    EXPECT_EQ(root.value(QStringLiteral("folderState")).toInt(), 5);
    EXPECT_EQ(root.value(QStringLiteral("reachable")).toArray(), Pair(true, false));
    EXPECT_EQ(root.value(QStringLiteral("files")).toArray().size(), 1);

    const CliResult neither = Run({QStringLiteral("compare"), dir.PathOf(QStringLiteral("x")),
        dir.PathOf(QStringLiteral("y")), QStringLiteral("--json")});
    ASSERT_EQ(neither.code, 0);
    EXPECT_EQ(neither.Json().object().value(QStringLiteral("folderState")).toInt(), 9);
}

TEST_F(CliVerbs, BadUsageExitsWithTwoAndOneLine)
{
    const QList<QStringList> bad{
        {QStringLiteral("compare")},
        {QStringLiteral("compare"), QStringLiteral("/a")},
        {QStringLiteral("compare"), QStringLiteral("/a"), QStringLiteral("/b"), QStringLiteral("/c")},
        {QStringLiteral("compare"), QStringLiteral("/a"), QStringLiteral("/b"), QStringLiteral("--bogus")},
        {QStringLiteral("compare"), QStringLiteral("/a"), QStringLiteral("/b"), QStringLiteral("--select")},
        {QStringLiteral("filters"), QStringLiteral("set"), QStringLiteral("name")},
        {QStringLiteral("filters"), QStringLiteral("remove"), QStringLiteral("nosuch")},
        {QStringLiteral("filters"), QStringLiteral("frobnicate")},
        {QStringLiteral("options"), QStringLiteral("set"), QStringLiteral("OptionSync.Flags"), QStringLiteral("12x")},
        {QStringLiteral("options"), QStringLiteral("set"), QStringLiteral("OptionSync.Flags"),
            QStringLiteral("0x100000000")},
        {QStringLiteral("options"), QStringLiteral("set"), QStringLiteral("OptionSync.Flags"), QStringLiteral("-1")},
        {QStringLiteral("options"), QStringLiteral("set"), QStringLiteral("OptionSync.Nothing"), QStringLiteral("1")},
        {QStringLiteral("options"), QStringLiteral("show"), QStringLiteral("extra")},
    };
    for (const QStringList& args : bad) {
        const CliResult result = Run(args);
        EXPECT_EQ(result.code, 2) << args.join(u' ').toStdString();
        EXPECT_EQ(result.err.count('\n'), 1) << args.join(u' ').toStdString() << ": " << result.err.toStdString();
    }
    // Nothing was written by the failed commands.
    EXPECT_FALSE(TestDir::Exists(profile));
}

TEST_F(CliVerbs, FiltersSetReplaceListAndRemove)
{
    ASSERT_EQ(Run({QStringLiteral("filters"), QStringLiteral("set"), QStringLiteral("backup"),
                      QStringLiteral("!*.bak;*.tmp")})
                  .code,
        0);
    ASSERT_EQ(
        Run({QStringLiteral("filters"), QStringLiteral("set"), QStringLiteral("texts"), QStringLiteral("*.txt")}).code,
        0);
    ASSERT_EQ(Run({QStringLiteral("filters"), QStringLiteral("set"), QStringLiteral("empty"), QString()}).code, 0);
    // Replacing keeps the entry's place.
    ASSERT_EQ(Run({QStringLiteral("filters"), QStringLiteral("set"), QStringLiteral("backup"),
                      QStringLiteral("!*.old, *.orig")})
                  .code,
        0);

    const CliResult list = Run({QStringLiteral("filters"), QStringLiteral("list"), QStringLiteral("--json")});
    ASSERT_EQ(list.code, 0);
    const QJsonArray entries = list.Json().array();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries.at(0).toObject().value(QStringLiteral("name")).toString(), QStringLiteral("backup"));
    EXPECT_TRUE(entries.at(0).toObject().value(QStringLiteral("exclude")).toBool());
    EXPECT_EQ(entries.at(0).toObject().value(QStringLiteral("masks")).toArray(),
        Pair(QStringLiteral("*.old"), QStringLiteral("*.orig")));
    EXPECT_EQ(entries.at(1).toObject().value(QStringLiteral("name")).toString(), QStringLiteral("texts"));
    EXPECT_FALSE(entries.at(1).toObject().value(QStringLiteral("exclude")).toBool());
    // An empty stored text is an exclude entry without masks.
    EXPECT_TRUE(entries.at(2).toObject().value(QStringLiteral("exclude")).toBool());
    EXPECT_TRUE(entries.at(2).toObject().value(QStringLiteral("masks")).toArray().isEmpty());

    const CliResult text = Run({QStringLiteral("filters")});
    EXPECT_EQ(text.out, QStringLiteral("backup\t除外\t*.old;*.orig\ntexts\t対象\t*.txt\nempty\t除外\t\n"));

    ASSERT_EQ(Run({QStringLiteral("filters"), QStringLiteral("remove"), QStringLiteral("TEXTS")}).code, 0);
    const CliResult after = Run({QStringLiteral("filters"), QStringLiteral("--json")});
    const QJsonArray remaining = after.Json().array();
    ASSERT_EQ(remaining.size(), 2);
    EXPECT_EQ(remaining.at(1).toObject().value(QStringLiteral("name")).toString(), QStringLiteral("empty"));
    // The profile holds the stored texts.
    EXPECT_TRUE(QString::fromUtf8(TestDir::ReadFile(profile)).contains(QStringLiteral("!*.old;*.orig")));
}

TEST_F(CliVerbs, OptionsShowAndSet)
{
    const CliResult defaults = Run({QStringLiteral("options"), QStringLiteral("--json")});
    ASSERT_EQ(defaults.code, 0);
    const QJsonObject d = defaults.Json().object();
    EXPECT_EQ(d.value(QStringLiteral("OptionDisp")).toObject().value(QStringLiteral("Flags")).toInteger(), 0x2B);
    EXPECT_EQ(d.value(QStringLiteral("OptionSync")).toObject().value(QStringLiteral("Flags")).toInteger(), 0x40);
    EXPECT_EQ(d.value(QStringLiteral("OptionTool")).toObject().value(QStringLiteral("PathToolCompareBin")).toString(),
        QString());

    ASSERT_EQ(Run({QStringLiteral("options"), QStringLiteral("set"), QStringLiteral("OptionSync.Flags"),
                      QStringLiteral("0x80000071")})
                  .code,
        0);
    ASSERT_EQ(Run({QStringLiteral("options"), QStringLiteral("set"), QStringLiteral("OptionDisp.Flags"),
                      QStringLiteral("1024")})
                  .code,
        0);
    ASSERT_EQ(Run({QStringLiteral("options"), QStringLiteral("set"), QStringLiteral("OptionSync.LogFilePath"),
                      QStringLiteral("/var/log/sync log.txt")})
                  .code,
        0);
    ASSERT_EQ(Run({QStringLiteral("options"), QStringLiteral("set"), QStringLiteral("OptionTool.PathToolCompareText"),
                      QStringLiteral("/usr/bin/diff")})
                  .code,
        0);
    ASSERT_EQ(Run({QStringLiteral("options"), QStringLiteral("set"), QStringLiteral("OptionTool.PathToolCompareBin"),
                      QStringLiteral("/usr/bin/cmp")})
                  .code,
        0);
    ASSERT_EQ(Run({QStringLiteral("options"), QStringLiteral("set"), QStringLiteral("OptionDisp.HelpFilePath"),
                      QStringLiteral("/help/Welcome.htm")})
                  .code,
        0);

    const CliResult shown = Run({QStringLiteral("options"), QStringLiteral("show"), QStringLiteral("--json")});
    const QJsonObject s = shown.Json().object();
    // Unsigned: bit 31 set is not a negative number.
    EXPECT_EQ(
        s.value(QStringLiteral("OptionSync")).toObject().value(QStringLiteral("Flags")).toInteger(), 0x80000071LL);
    EXPECT_EQ(s.value(QStringLiteral("OptionSync")).toObject().value(QStringLiteral("LogFilePath")).toString(),
        QStringLiteral("/var/log/sync log.txt"));
    EXPECT_EQ(s.value(QStringLiteral("OptionDisp")).toObject().value(QStringLiteral("Flags")).toInteger(), 1024);
    EXPECT_EQ(s.value(QStringLiteral("OptionDisp")).toObject().value(QStringLiteral("HelpFilePath")).toString(),
        QStringLiteral("/help/Welcome.htm"));
    EXPECT_EQ(s.value(QStringLiteral("OptionTool")).toObject().value(QStringLiteral("PathToolCompareText")).toString(),
        QStringLiteral("/usr/bin/diff"));
    EXPECT_EQ(s.value(QStringLiteral("OptionTool")).toObject().value(QStringLiteral("PathToolCompareBin")).toString(),
        QStringLiteral("/usr/bin/cmp"));

    const CliResult text = Run({QStringLiteral("options")});
    EXPECT_TRUE(text.out.contains(QStringLiteral("OptionSync.Flags = 0x80000071"))) << text.out.toStdString();

    // All bits set is what a missing value reads as: the default comes back.
    ASSERT_EQ(Run({QStringLiteral("options"), QStringLiteral("set"), QStringLiteral("OptionSync.Flags"),
                      QStringLiteral("4294967295")})
                  .code,
        0);
    const CliResult reset = Run({QStringLiteral("options"), QStringLiteral("--json")});
    EXPECT_EQ(
        reset.Json().object().value(QStringLiteral("OptionSync")).toObject().value(QStringLiteral("Flags")).toInteger(),
        0x40);
    EXPECT_EQ(reset.Json()
                  .object()
                  .value(QStringLiteral("OptionSync"))
                  .toObject()
                  .value(QStringLiteral("LogFilePath"))
                  .toString(),
        QStringLiteral("/var/log/sync log.txt"));
}

// Whether a replaced file goes to the trash first: on when never set, 0 or 1 only,
// stored as the number the window's option page reads.
TEST_F(CliVerbs, OptionsSetTrashReplaced)
{
    const auto trashReplaced = [this] {
        return Run({QStringLiteral("options"), QStringLiteral("--json")})
            .Json()
            .object()
            .value(QStringLiteral("OptionSync"))
            .toObject()
            .value(QStringLiteral("TrashReplaced"));
    };
    EXPECT_EQ(trashReplaced(), QJsonValue(true));
    const QStringList setting{
        QStringLiteral("options"), QStringLiteral("set"), QStringLiteral("OptionSync.TrashReplaced")};
    ASSERT_EQ(Run(setting + QStringList{QStringLiteral("0")}).code, 0);
    EXPECT_EQ(trashReplaced(), QJsonValue(false));
    EXPECT_TRUE(QString::fromUtf8(TestDir::ReadFile(profile)).contains(QStringLiteral("TrashReplaced=0")));
    EXPECT_EQ(Run(setting + QStringList{QStringLiteral("yes")}).code, 2);
    EXPECT_EQ(Run(setting + QStringList{QStringLiteral("2")}).code, 2);
    EXPECT_EQ(trashReplaced(), QJsonValue(false));
    EXPECT_TRUE(Run({QStringLiteral("options")}).out.contains(QStringLiteral("OptionSync.TrashReplaced = 0")));
    ASSERT_EQ(Run(setting + QStringList{QStringLiteral("1")}).code, 0);
    EXPECT_EQ(trashReplaced(), QJsonValue(true));
}
