#include "core/filters/MaskMatch.h"

#include <gtest/gtest.h>

namespace {

bool M(const char* name, const char* mask)
{
    return MatchesMask(QString::fromUtf8(name), QString::fromUtf8(mask));
}

} // namespace

TEST(MaskMatch, WholeNameLetterCaseIgnored)
{
    EXPECT_TRUE(M("a.BAK", "*.bak"));
    EXPECT_TRUE(M("Readme.TXT", "*.txt"));
    EXPECT_TRUE(M("readme", "README"));
    EXPECT_FALSE(M("readme.txt", "readme"));
    EXPECT_FALSE(M("a.txt.bak", "*.txt"));
    EXPECT_FALSE(M("xa.txt", "a*"));
    EXPECT_TRUE(M("ÄRGER.txt", "ärger.*"));
    EXPECT_TRUE(M("日本語.txt", "日本*"));
}

TEST(MaskMatch, StarAndQuestionMark)
{
    EXPECT_TRUE(M("", "*"));
    EXPECT_TRUE(M("anything.at.all", "*"));
    EXPECT_TRUE(M("a.b.c", "a*c"));
    EXPECT_TRUE(M("abc", "a*b*c"));
    EXPECT_TRUE(M("aXbYc", "a*b*c"));
    EXPECT_FALSE(M("aXbY", "a*b*c"));
    EXPECT_TRUE(M("a.b", "a?b"));
    EXPECT_FALSE(M("ab", "a?b"));
    EXPECT_FALSE(M("aXXb", "a?b"));
    EXPECT_TRUE(M("file1.c", "file?.c"));
    EXPECT_TRUE(M("mississippi", "*sip*"));
    EXPECT_TRUE(M("mississippi", "m*iss*ppi"));
    EXPECT_FALSE(M("mississippi", "m*iss*ppx"));
    EXPECT_TRUE(M("abab", "*ab"));
    EXPECT_TRUE(M("a*b", "a*b"));
    // "?" is one character, also outside the basic plane.
    EXPECT_TRUE(M("x😀y", "x?y"));
    EXPECT_FALSE(M("x😀y", "x??y"));
}

TEST(MaskMatch, StarDotStarMatchesEveryName)
{
    EXPECT_TRUE(M("README", "*.*"));
    EXPECT_TRUE(M("a.b", "*.*"));
    EXPECT_TRUE(M(".hidden", "*.*"));
    EXPECT_TRUE(M("", "*.*"));
    // Other dotted masks still need their dot.
    EXPECT_FALSE(M("README", "*.?"));
    EXPECT_TRUE(M("READ.ME", "*.??"));
}

TEST(MaskMatch, NoExponentialBacktracking)
{
    // With naive recursion this would take far beyond the test's time limit.
    const QString name(4000, u'a');
    const QString mask = QStringLiteral("*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b");
    EXPECT_FALSE(MatchesMask(name, mask));
    EXPECT_TRUE(MatchesMask(name + u'b', mask));
}

TEST(MaskMatch, UndecodableBytesMatchThemselves)
{
    const QString name = QStringLiteral("caf") + QChar(0xDCE9) + QStringLiteral(".txt");
    EXPECT_TRUE(MatchesMask(name, QStringLiteral("CAF?.TXT")));
    EXPECT_TRUE(MatchesMask(name, QStringLiteral("caf") + QChar(0xDCE9) + QStringLiteral("*")));
    EXPECT_FALSE(MatchesMask(name, QStringLiteral("cafe.txt")));
}
