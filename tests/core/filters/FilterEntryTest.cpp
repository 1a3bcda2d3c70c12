#include "core/filters/FilterEntry.h"
#include "core/filters/FilterSet.h"

#include <gtest/gtest.h>

namespace {

FilterEntry Parse(const QString& name, const QString& text)
{
    FilterEntry entry;
    entry.ParseStoredText(name, text);
    return entry;
}

} // namespace

TEST(FilterEntry, StoredTextRoundTrip)
{
    const FilterEntry backup = Parse(QStringLiteral("backup"), QStringLiteral("!*.bak;*.tmp"));
    EXPECT_TRUE(backup.Exclude);
    EXPECT_EQ(backup.GetMasks(), (QStringList{QStringLiteral("*.bak"), QStringLiteral("*.tmp")}));
    EXPECT_EQ(backup.GetStoredText(), QStringLiteral("!*.bak;*.tmp"));
    EXPECT_TRUE(backup.ExcludesFile(QStringLiteral("a.BAK")));
    EXPECT_TRUE(backup.ExcludesFile(QStringLiteral("x.tmp")));
    EXPECT_FALSE(backup.ExcludesFile(QStringLiteral("a.txt")));

    const FilterEntry texts = Parse(QStringLiteral("texts"), QStringLiteral("*.txt"));
    EXPECT_FALSE(texts.Exclude);
    EXPECT_EQ(texts.GetStoredText(), QStringLiteral("*.txt"));
    EXPECT_FALSE(texts.ExcludesFile(QStringLiteral("Readme.TXT")));
    EXPECT_TRUE(texts.ExcludesFile(QStringLiteral("a.doc")));

    const FilterEntry bang = Parse(QStringLiteral("bang"), QStringLiteral("!"));
    EXPECT_TRUE(bang.Exclude);
    EXPECT_TRUE(bang.GetMasks().isEmpty());
    EXPECT_EQ(bang.GetStoredText(), QStringLiteral("!"));
    EXPECT_FALSE(bang.ExcludesFile(QStringLiteral("anything")));
}

TEST(FilterEntry, EmptyStoredTextIsAnExcludeEntryWithoutMasks)
{
    FilterEntry entry;
    entry.SetExclude(false);
    entry.SetMasks(QStringLiteral("*.x"));
    entry.ParseStoredText(QStringLiteral("empty"), QString());
    EXPECT_EQ(entry.GetName(), QStringLiteral("empty"));
    EXPECT_TRUE(entry.Exclude);
    EXPECT_TRUE(entry.GetMasks().isEmpty());
    EXPECT_FALSE(entry.ExcludesFile(QStringLiteral("a.x")));
    EXPECT_EQ(entry.GetStoredText(), QStringLiteral("!"));

    // An include entry without masks keeps nothing.
    entry.SetExclude(false);
    EXPECT_TRUE(entry.ExcludesFile(QStringLiteral("a.x")));
    EXPECT_EQ(entry.GetStoredText(), QString());
}

TEST(FilterEntry, MasksSplitAtSemicolonCommaAndSpace)
{
    FilterEntry entry;
    entry.SetMasks(QStringLiteral("*.c, *.h;*.cpp"));
    EXPECT_EQ(entry.GetMasks(), (QStringList{QStringLiteral("*.c"), QStringLiteral("*.h"), QStringLiteral("*.cpp")}));
    entry.SetMasks(QStringLiteral("*.c, *.h"));
    EXPECT_EQ(entry.GetMaskText(), QStringLiteral("*.c;*.h"));
    entry.SetMasks(QStringLiteral("My Documents*"));
    EXPECT_EQ(entry.GetMasks(), (QStringList{QStringLiteral("My"), QStringLiteral("Documents*")}));
    entry.SetMasks(QStringLiteral(" ;,, ;"));
    EXPECT_TRUE(entry.GetMasks().isEmpty());
    entry.SetMasks(QStringLiteral("a\tb"));
    EXPECT_EQ(entry.GetMasks(), QStringList{QStringLiteral("a\tb")});
    entry.SetMasks(QString());
    EXPECT_TRUE(entry.GetMasks().isEmpty());
}

TEST(FilterEntry, LeadingBangIsAMaskCharacterUntilStored)
{
    FilterEntry entry;
    entry.Name = QStringLiteral("odd");
    entry.SetExclude(false);
    entry.SetMasks(QStringLiteral("!keep.txt"));
    EXPECT_EQ(entry.GetMasks(), QStringList{QStringLiteral("!keep.txt")});
    EXPECT_FALSE(entry.ExcludesFile(QStringLiteral("!keep.txt")));
    EXPECT_TRUE(entry.ExcludesFile(QStringLiteral("keep.txt")));

    // Stored and read back, the "!" marks an exclude entry.
    const FilterEntry reread = Parse(entry.Name, entry.GetStoredText());
    EXPECT_TRUE(reread.Exclude);
    EXPECT_EQ(reread.GetMasks(), QStringList{QStringLiteral("keep.txt")});
}

TEST(FilterEntry, CopyFromCopiesNameMasksAndKind)
{
    const FilterEntry source = Parse(QStringLiteral("src"), QStringLiteral("*.c;*.h"));
    FilterEntry copy = Parse(QStringLiteral("old"), QStringLiteral("!*.o"));
    copy.CopyFrom(source);
    EXPECT_EQ(copy.Name, QStringLiteral("src"));
    EXPECT_FALSE(copy.Exclude);
    EXPECT_EQ(copy.GetMasks(), source.GetMasks());
    EXPECT_FALSE(copy.ExcludesFile(QStringLiteral("x.H")));
    EXPECT_TRUE(copy.ExcludesFile(QStringLiteral("x.o")));
}
