#include "core/filters/FilterSet.h"
#include "core/platform/Profile.h"
#include "support/TestDir.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

void Add(FilterSet& set, const QString& name, const QString& storedText)
{
    auto entry = std::make_unique<FilterEntry>();
    entry->ParseStoredText(name, storedText);
    set.append(std::move(entry));
}

QStringList Names(const FilterSet& set)
{
    QStringList names;
    for (qsizetype i = 0; i < set.size(); ++i)
        names << set.at(i).Name;
    return names;
}

QStringList StoredNames(const CProfile& profile)
{
    QStringList names;
    for (const auto& value : profile.GetSectionValues(QStringLiteral("FileFilter")))
        names << value.first;
    return names;
}

} // namespace

TEST(FilterSet, OnlySelectedEntriesAct)
{
    FilterSet set;
    Add(set, QStringLiteral("backup"), QStringLiteral("!*.bak;*.tmp"));
    Add(set, QStringLiteral("temp"), QStringLiteral("!~*"));
    EXPECT_FALSE(set.IsExcluded(QStringLiteral("a.bak"), {}));
    EXPECT_FALSE(set.IsExcluded(QStringLiteral("a.bak"), {QStringLiteral("temp")}));
    EXPECT_TRUE(set.IsExcluded(QStringLiteral("a.bak"), {QStringLiteral("backup")}));
    EXPECT_TRUE(set.IsExcluded(QStringLiteral("~lock"), {QStringLiteral("temp")}));
    // Selections compare names exactly, and unknown names do nothing.
    EXPECT_FALSE(set.IsExcluded(QStringLiteral("~lock"), {QStringLiteral("Temp")}));
    EXPECT_FALSE(set.IsExcluded(QStringLiteral("a.bak"), {QStringLiteral("nosuchentry")}));
}

TEST(FilterSet, ExcludeAndIncludeEntriesTogether)
{
    FilterSet set;
    Add(set, QStringLiteral("texts"), QStringLiteral("*.txt"));
    Add(set, QStringLiteral("a-names"), QStringLiteral("a*"));
    Add(set, QStringLiteral("no-old"), QStringLiteral("!*old*"));
    const QStringList includes{QStringLiteral("texts"), QStringLiteral("a-names")};
    // Two include entries: a name is kept only when both match it.
    EXPECT_FALSE(set.IsExcluded(QStringLiteral("a.txt"), includes));
    EXPECT_TRUE(set.IsExcluded(QStringLiteral("b.txt"), includes));
    EXPECT_TRUE(set.IsExcluded(QStringLiteral("a.doc"), includes));
    // Adding an exclude entry: any of them excludes.
    const QStringList all{QStringLiteral("no-old"), QStringLiteral("texts"), QStringLiteral("a-names")};
    EXPECT_FALSE(set.IsExcluded(QStringLiteral("A.TXT"), all));
    EXPECT_TRUE(set.IsExcluded(QStringLiteral("a-old.txt"), all));
    // The order of the entries does not matter.
    set.move(2, 0);
    EXPECT_TRUE(set.IsExcluded(QStringLiteral("a-old.txt"), all));
    EXPECT_FALSE(set.IsExcluded(QStringLiteral("a.txt"), all));
}

TEST(FilterSet, EditingTheOrderedSet)
{
    FilterSet set;
    Add(set, QStringLiteral("one"), QStringLiteral("!1"));
    Add(set, QStringLiteral("two"), QStringLiteral("!2"));
    Add(set, QStringLiteral("three"), QStringLiteral("!3"));
    set.move(0, 2);
    EXPECT_EQ(Names(set), (QStringList{QStringLiteral("two"), QStringLiteral("three"), QStringLiteral("one")}));
    auto extra = std::make_unique<FilterEntry>();
    extra->Name = QStringLiteral("zero");
    set.insert(0, std::move(extra));
    set.remove(2);
    EXPECT_EQ(Names(set), (QStringList{QStringLiteral("zero"), QStringLiteral("two"), QStringLiteral("one")}));
    EXPECT_EQ(set.FindByName(QStringLiteral("TWO")), 1);
    EXPECT_EQ(set.FindByName(QStringLiteral("three")), -1);

    FilterSet copy;
    Add(copy, QStringLiteral("gone"), QStringLiteral("x"));
    copy.CopyFrom(set);
    EXPECT_EQ(Names(copy), Names(set));
    // A deep copy: editing it leaves the source alone.
    copy.at(1).SetMasks(QStringLiteral("changed"));
    EXPECT_EQ(set.at(1).GetMaskText(), QStringLiteral("2"));
    set.RemoveAll();
    EXPECT_TRUE(set.isEmpty());
    EXPECT_EQ(copy.size(), 3);
}

TEST(FilterSet, ProfileKeepsTheSetOrderAndAnyLength)
{
    TestDir dir;
    const QString path = dir.PathOf(QStringLiteral("profile.ini"));
    CProfile profile(path);
    // A value that has nothing to do with the filters stays untouched.
    profile.WriteProfileString(QStringLiteral("OptionSync"), QStringLiteral("LogFilePath"), QStringLiteral("/tmp/log"));

    FilterSet set;
    QString longMasks;
    for (int i = 0; i < 400; ++i)
        longMasks += QStringLiteral("*.ext%1;").arg(i);
    longMasks.chop(1);
    Add(set, QStringLiteral("zeta"), QStringLiteral("!*.bak;*.tmp"));
    Add(set, QStringLiteral("alpha"), QStringLiteral("*.txt"));
    Add(set, QStringLiteral("long"), QLatin1Char('!') + longMasks);
    Add(set, QStringLiteral("日本語 = name; with [odd] chars"), QStringLiteral("!*.x"));
    Add(set, QStringLiteral("empty"), QString());
    ASSERT_GT(set.at(2).GetStoredText().size(), 129);
    EXPECT_TRUE(set.SaveToRegistry(profile));

    CProfile reread(path);
    FilterSet loaded;
    EXPECT_TRUE(loaded.LoadFromRegistry(reread));
    EXPECT_EQ(Names(loaded), Names(set));
    for (qsizetype i = 0; i < set.size(); ++i) {
        EXPECT_EQ(loaded.at(i).GetStoredText(), set.at(i).GetStoredText()) << i;
        EXPECT_EQ(loaded.at(i).Exclude, set.at(i).Exclude) << i;
    }
    EXPECT_EQ(loaded.at(2).GetMasks().size(), 400);
    EXPECT_TRUE(loaded.IsExcluded(QStringLiteral("file.EXT399"), {QStringLiteral("long")}));
    EXPECT_TRUE(loaded.at(4).Exclude);
    EXPECT_TRUE(loaded.at(4).GetMasks().isEmpty());

    // Reordered and shortened: the section follows the set exactly.
    loaded.move(1, 0);
    loaded.remove(2);
    EXPECT_TRUE(loaded.SaveToRegistry(reread));
    CProfile third(path);
    EXPECT_EQ(StoredNames(third), Names(loaded));
    EXPECT_EQ(third.GetProfileString(QStringLiteral("OptionSync"), QStringLiteral("LogFilePath")),
        QStringLiteral("/tmp/log"));

    EXPECT_TRUE(loaded.DeleteRegistryValues(third));
    EXPECT_TRUE(StoredNames(CProfile(path)).isEmpty());
    FilterSet none;
    Add(none, QStringLiteral("stale"), QStringLiteral("x"));
    EXPECT_TRUE(none.LoadFromRegistry(third));
    EXPECT_TRUE(none.isEmpty());
}

TEST(FilterSet, GlobalSetUsesTheProcessProfile)
{
    TestDir dir;
    const QString path = dir.PathOf(QStringLiteral("global.ini"));
    CProfile::SetInstancePath(path);
    CProfile(path).WriteProfileString(QStringLiteral("FileFilter"), QStringLiteral("objects"), QStringLiteral("!*.o"));
    EXPECT_TRUE(GlobalFilterSet().LoadFromRegistry());
    ASSERT_EQ(GlobalFilterSet().size(), 1);
    EXPECT_TRUE(GlobalFilterSet().IsExcluded(QStringLiteral("main.O"), {QStringLiteral("objects")}));
    GlobalFilterSet().at(0).SetMasks(QStringLiteral("*.o *.a"));
    EXPECT_TRUE(GlobalFilterSet().SaveToRegistry());
    EXPECT_EQ(CProfile(path).GetProfileString(QStringLiteral("FileFilter"), QStringLiteral("objects")),
        QStringLiteral("!*.o;*.a"));
    GlobalFilterSet().RemoveAll();
}

TEST(FilterSet, ASaveThatFailsKeepsEveryStoredEntry)
{
    TestDir dir;
    const QString path = dir.PathOf(QStringLiteral("profile.ini"));
    CProfile profile(path);
    FilterSet set;
    for (int i = 0; i < 8; ++i)
        Add(set, QStringLiteral("entry%1").arg(i), QStringLiteral("!*.e%1").arg(i));
    ASSERT_TRUE(set.SaveToRegistry(profile));
    const QByteArray before = TestDir::ReadFile(path);

    // The new entries do not fit under the file-size limit: the save must not
    // leave the section half deleted or half written.
    FilterSet longer;
    for (int i = 0; i < 8; ++i)
        Add(longer, QStringLiteral("entry%1").arg(i), QStringLiteral("!*.e%1;*.backup-copy-%1").arg(i));
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = before.size() + 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    longer.SaveToRegistry(profile);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(TestDir::ReadFile(path), before);
    FilterSet loaded;
    ASSERT_TRUE(loaded.LoadFromRegistry(profile));
    EXPECT_EQ(Names(loaded), Names(set));
    EXPECT_EQ(loaded.at(7).GetStoredText(), QStringLiteral("!*.e7"));
}

TEST(FilterSet, EntriesOfADamagedSectionLoadAndTheSetKnowsItIsIncomplete)
{
    TestDir dir;
    const QString path = dir.WriteFile(QStringLiteral("profile.ini"),
        "[FileFilter]\nobjects=!*.o\nkeep=!*.b\xE4k\nsources=*.c;*.h\n[OptionSync]\nFlags=64\n");
    CProfile profile(path);
    FilterSet set;
    EXPECT_FALSE(set.LoadFromRegistry(profile));
    EXPECT_FALSE(set.IsComplete());
    EXPECT_EQ(Names(set), (QStringList{QStringLiteral("objects"), QStringLiteral("sources")}));
    EXPECT_TRUE(set.ContainsExactly(QStringLiteral("objects")));
    EXPECT_FALSE(set.ContainsExactly(QStringLiteral("Objects"))); // selections name entries exactly
    EXPECT_FALSE(set.ContainsExactly(QStringLiteral("keep")));

    // The dialog's copy carries the knowledge, and so does the global set it replaces.
    FilterSet copy;
    copy.CopyFrom(set);
    EXPECT_FALSE(copy.IsComplete());

    // A save writes the entries it has and keeps the line it could not read.
    copy.remove(0);
    Add(copy, QStringLiteral("new"), QStringLiteral("!*.n"));
    EXPECT_TRUE(copy.SaveToRegistry(profile));
    EXPECT_EQ(TestDir::ReadFile(path),
        QByteArray("[FileFilter]\nsources=*.c;*.h\nnew=!*.n\nkeep=!*.b\xE4k\n\n[OptionSync]\nFlags=64\n"));

    // Mended by hand, the section reads whole again.
    dir.WriteFile(QStringLiteral("profile.ini"), "[FileFilter]\nkeep=!*.bak\n");
    EXPECT_TRUE(set.LoadFromRegistry(profile));
    EXPECT_TRUE(set.IsComplete());
    EXPECT_EQ(Names(set), QStringList{QStringLiteral("keep")});
}

TEST(FilterSet, SaveIntoAProfileThatIsAFolderFailsAndSaysWhy)
{
    TestDir dir;
    const QString path = dir.MakeFolder(QStringLiteral("profile.ini"));
    CProfile profile(path);
    FilterSet set;
    EXPECT_FALSE(set.LoadFromRegistry(profile));
    EXPECT_TRUE(set.isEmpty());
    Add(set, QStringLiteral("keep"), QStringLiteral("!*.bak"));
    EXPECT_FALSE(set.SaveToRegistry(profile));
    EXPECT_FALSE(set.DeleteRegistryValues(profile));
    EXPECT_TRUE(profile.LastError().startsWith(path + QStringLiteral(": ")));
    EXPECT_TRUE(TestDir::Exists(path));
}
