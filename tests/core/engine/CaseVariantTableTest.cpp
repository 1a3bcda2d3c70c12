// Names that differ only in letter case are different files: every entry of a
// side is a record of its own, and the two sides pair by the same name first,
// then by the single case variant (a target on a file system that folds case).
#include "core/engine/CDirSyncStatus.h"
#include "core/engine/Keys.h"
#include "core/filters/FilterSet.h"
#include "support/TestDir.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

constexpr qint64 kBase = 1700000000;

QString S(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// "project|target" per pair, "-" for a side without the name; in the order PairNames gives.
QStringList Paired(const QStringList& project, const QStringList& target)
{
    QStringList pairs;
    for (const NamePair& pair : PairNames(project, target)) {
        const QString p = pair.index[0] >= 0 ? project.at(pair.index[0]) : S("-");
        const QString t = pair.index[1] >= 0 ? target.at(pair.index[1]) : S("-");
        pairs << p + QLatin1Char('|') + t;
    }
    return pairs;
}

// What the table holds: "project|target" per record, sorted.
QStringList Records(const CDirSyncStatus& table)
{
    QStringList records;
    for (const CFileSyncStatus& record : table) {
        records << (record.Exists(0) ? record.Name(0).toString() : S("-")) + QLatin1Char('|')
                + (record.Exists(1) ? record.Name(1).toString() : S("-"));
    }
    records.sort();
    return records;
}

class CaseVariants : public ::testing::Test
{
protected:
    void SetUp() override { GlobalFilterSet().RemoveAll(); }

    CDirSyncStatus& Scan()
    {
        table.SetPaths(dir.PathOf(S("p")), dir.PathOf(S("t")));
        table.ScanFiles();
        return table;
    }

    TestDir dir;
    CDirSyncStatus table;
};

} // namespace

TEST(PairNames, SameNameFirstThenTheSingleCaseVariant)
{
    const struct
    {
        const char* what;
        QStringList project;
        QStringList target;
        QStringList expected;
    } cases[] = {
        {"same names", {"a", "b"}, {"b", "a"}, {"a|a", "b|b"}},
        {"one variant each side", {"Readme.txt"}, {"README.TXT"}, {"Readme.txt|README.TXT"}},
        {"exact wins over the variant", {"Foo", "foo"}, {"foo"}, {"Foo|-", "foo|foo"}},
        {"two spellings on the project side, one other on the target", {"Foo", "FOO"}, {"foo"},
            {"Foo|-", "FOO|-", "-|foo"}},
        {"two spellings on the target side", {"foo"}, {"Foo", "FOO"}, {"foo|-", "-|Foo", "-|FOO"}},
        {"variants left after the exact pairs", {"Foo", "foo", "x"}, {"FOO", "foo"}, {"foo|foo", "Foo|FOO", "x|-"}},
        {"beyond ASCII", {S("Straße"), S("ﬀ")}, {S("STRASSE"), S("FF")}, {S("Straße|STRASSE"), S("ﬀ|FF")}},
        {"nothing alike", {"a"}, {"b"}, {"a|-", "-|b"}},
        {"empty sides", {}, {"b"}, {"-|b"}},
    };
    for (const auto& c : cases) {
        QStringList sorted = Paired(c.project, c.target);
        QStringList expected = c.expected;
        sorted.sort();
        expected.sort();
        EXPECT_EQ(sorted, expected) << c.what;
    }
}

TEST_F(CaseVariants, EveryEntryOfEitherSideIsARecordOfItsOwn)
{
    // The pair from /usr/include/linux/netfilter, and a folder state that must not say "同一".
    dir.WriteFile(S("p/xt_CONNMARK.h"), "upper", kBase);
    dir.WriteFile(S("p/xt_connmark.h"), "lower", kBase);
    dir.WriteFile(S("t/xt_connmark.h"), "lower", kBase);
    dir.WriteFile(S("p/Index.html"), "I", kBase);
    dir.WriteFile(S("p/index.html"), "i", kBase);
    dir.WriteFile(S("t/Index.html"), "I", kBase);
    dir.WriteFile(S("t/index.html"), "i", kBase);
    Scan();
    EXPECT_EQ(Records(table),
        (QStringList{S("Index.html|Index.html"), S("index.html|index.html"), S("xt_CONNMARK.h|-"),
            S("xt_connmark.h|xt_connmark.h")}));
    EXPECT_EQ(table.FindRecord(S("xt_CONNMARK.h"))->GetState(), SyncProjectOnly);
    EXPECT_EQ(table.FindRecord(S("xt_connmark.h"))->GetState(), SyncSame);
    EXPECT_EQ(table.AggregateRecords(GlobalFilterSet(), {}), SyncProjectNewer);
    EXPECT_EQ(table.ComputeFolderState(true, GlobalFilterSet(), {}), SyncProjectNewer);
}

TEST_F(CaseVariants, TheSingleVariantPairsAndAmbiguousOnesStayOneSided)
{
    // A case-insensitive target (an exFAT stick) shows README.TXT for Readme.txt.
    dir.WriteFile(S("p/Readme.txt"), "same", kBase);
    dir.WriteFile(S("t/README.TXT"), "same", kBase);
    // Two spellings on the project side, one on the target: which file it is, nobody can tell.
    dir.WriteFile(S("p/Data.bin"), "1", kBase);
    dir.WriteFile(S("p/DATA.BIN"), "2", kBase);
    dir.WriteFile(S("t/data.bin"), "1", kBase);
    // The same the other way round.
    dir.WriteFile(S("p/notes"), "n", kBase);
    dir.WriteFile(S("t/Notes"), "n", kBase);
    dir.WriteFile(S("t/NOTES"), "n", kBase);
    Scan();
    EXPECT_EQ(Records(table),
        (QStringList{S("-|NOTES"), S("-|Notes"), S("-|data.bin"), S("DATA.BIN|-"), S("Data.bin|-"),
            S("Readme.txt|README.TXT"), S("notes|-")}));
    const CFileSyncStatus* readme = table.FindRecord(S("README.TXT"));
    ASSERT_NE(readme, nullptr);
    EXPECT_EQ(readme, table.FindRecord(S("Readme.txt")));
    EXPECT_EQ(readme->GetState(), SyncSame);
    EXPECT_EQ(readme->GetName(), S("Readme.txt"));
    EXPECT_EQ(table.PathOf(*readme), dir.PathOf(S("p/Readme.txt")));

    // FindRecord: the exact name on either side, else the one variant, else none.
    EXPECT_EQ(table.FindRecord(S("readme.txt")), readme);
    EXPECT_EQ(table.FindRecord(S("DATA.BIN"))->Name(0).toString(), S("DATA.BIN"));
    EXPECT_EQ(table.FindRecord(S("data.bin"))->Name(1).toString(), S("data.bin"));
    EXPECT_EQ(table.FindRecord(S("Data.Bin")), nullptr);
    EXPECT_EQ(table.FindRecord(S("nOTES")), nullptr);
    EXPECT_EQ(table.FindRecord(S("Notes"))->GetPresence(), 2);
}

TEST_F(CaseVariants, ALaterChangeToOneSpellingIsSeen)
{
    dir.WriteFile(S("p/Foo.c"), "F", kBase);
    dir.WriteFile(S("p/foo.c"), "f", kBase);
    dir.WriteFile(S("t/Foo.c"), "F", kBase);
    dir.WriteFile(S("t/foo.c"), "f", kBase);
    Scan();
    EXPECT_EQ(table.AggregateRecords(GlobalFilterSet(), {}), SyncSame);

    // One spelling changes on the project side, the other on the target side.
    dir.WriteFile(S("p/foo.c"), "f2", kBase + 60);
    Scan();
    EXPECT_EQ(table.FindRecord(S("foo.c"))->GetState(), SyncProjectNewer);
    EXPECT_EQ(table.FindRecord(S("Foo.c"))->GetState(), SyncSame);
    dir.WriteFile(S("t/Foo.c"), "F2", kBase + 120);
    Scan();
    EXPECT_EQ(table.FindRecord(S("Foo.c"))->GetState(), SyncTargetNewer);
    EXPECT_EQ(table.AggregateRecords(GlobalFilterSet(), {}), SyncMixed);

    // The target folds case no more: the single variant left pairs with its spelling there.
    ASSERT_TRUE(QFile::remove(dir.PathOf(S("t/Foo.c"))));
    ASSERT_TRUE(QFile::remove(dir.PathOf(S("p/foo.c"))));
    Scan();
    EXPECT_EQ(Records(table), (QStringList{S("Foo.c|foo.c")}));
}

TEST_F(CaseVariants, ManyVariantsInALargeTable)
{
    // Every name twice on the project side; the target holds one spelling of each.
    for (int i = 0; i < 200; ++i) {
        dir.WriteFile(QStringLiteral("p/file%1.txt").arg(i), "x", kBase);
        dir.WriteFile(QStringLiteral("p/FILE%1.txt").arg(i), "x", kBase);
        dir.WriteFile(QStringLiteral("t/%1%2.txt").arg(i % 2 ? S("file") : S("File")).arg(i), "x", kBase);
    }
    Scan();
    // Odd: exact pair plus one project-only. Even: "File" is ambiguous, three one-sided records.
    EXPECT_EQ(table.Count(), 100 * 2 + 100 * 3);
    for (int i = 0; i < 200; ++i) {
        const CFileSyncStatus* lower = table.FindRecord(QStringLiteral("file%1.txt").arg(i));
        ASSERT_NE(lower, nullptr) << i;
        EXPECT_EQ(lower->GetPresence(), i % 2 ? 3 : 1) << i;
        EXPECT_EQ(table.FindRecord(QStringLiteral("FILE%1.txt").arg(i))->GetPresence(), 1) << i;
    }
}
