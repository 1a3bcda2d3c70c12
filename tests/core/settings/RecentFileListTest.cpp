// The recent-file list against a real profile file.
#include "core/platform/Profile.h"
#include "core/settings/CRecentFileList.h"
#include "support/TestDir.h"

#include <gtest/gtest.h>

namespace {

const QString kSection = QStringLiteral("Recent File List");

class RecentFiles : public ::testing::Test
{
protected:
    TestDir dir;
    QString path = dir.PathOf(QStringLiteral("Pairwell.ini"));
};

} // namespace

TEST_F(RecentFiles, MostRecentFirstAtMostFourNoDuplicates)
{
    CRecentFileList list;
    for (const char* name : {"/d/1.snc", "/d/2.snc", "/d/3.snc", "/d/4.snc", "/d/5.snc"})
        list.Add(QString::fromLatin1(name));
    EXPECT_EQ(list.Entries(),
        (QStringList{QStringLiteral("/d/5.snc"), QStringLiteral("/d/4.snc"), QStringLiteral("/d/3.snc"),
            QStringLiteral("/d/2.snc")}));

    // Opening an entry again moves it to the front without a second copy.
    list.Add(QStringLiteral("/d/3.snc"));
    EXPECT_EQ(list.Entries(),
        (QStringList{QStringLiteral("/d/3.snc"), QStringLiteral("/d/5.snc"), QStringLiteral("/d/4.snc"),
            QStringLiteral("/d/2.snc")}));
    // Names differing only in case are different files here.
    list.Add(QStringLiteral("/d/3.SNC"));
    EXPECT_EQ(list.At(0), QStringLiteral("/d/3.SNC"));
    EXPECT_EQ(list.At(1), QStringLiteral("/d/3.snc"));

    list.Remove(1);
    EXPECT_EQ(list.Size(), 3);
    list.Remove(7); // out of range: nothing
    EXPECT_EQ(list.Size(), 3);
}

TEST_F(RecentFiles, StoredAsFile1ToFile4AndReadBack)
{
    CProfile profile(path);
    CRecentFileList list;
    list.Add(QStringLiteral("/d/old.snc"));
    list.Add(QStringLiteral("/d/ä new.snc"));
    ASSERT_TRUE(list.Save(profile));
    EXPECT_EQ(profile.GetProfileString(kSection, QStringLiteral("File1")), QStringLiteral("/d/ä new.snc"));
    EXPECT_EQ(profile.GetProfileString(kSection, QStringLiteral("File2")), QStringLiteral("/d/old.snc"));

    CRecentFileList again;
    again.Load(CProfile(path));
    EXPECT_EQ(again.Entries(), list.Entries());

    // A shorter list removes the values of the places it no longer fills.
    again.Remove(1);
    ASSERT_TRUE(again.Save(profile));
    EXPECT_TRUE(CProfile(path).GetProfileString(kSection, QStringLiteral("File2")).isEmpty());
    std::vector<std::pair<QString, QString>> values = CProfile(path).GetSectionValues(kSection);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].first, QStringLiteral("File1"));
}

TEST_F(RecentFiles, GapsAndDuplicatesInTheProfileAreSkipped)
{
    CProfile profile(path);
    profile.WriteProfileString(kSection, QStringLiteral("File1"), QStringLiteral("/d/a.snc"));
    profile.WriteProfileString(kSection, QStringLiteral("File3"), QStringLiteral("/d/c.snc"));
    profile.WriteProfileString(kSection, QStringLiteral("File4"), QStringLiteral("/d/a.snc"));
    profile.WriteProfileString(kSection, QStringLiteral("File5"), QStringLiteral("/d/e.snc"));
    CRecentFileList list;
    list.Load(profile);
    EXPECT_EQ(list.Entries(), (QStringList{QStringLiteral("/d/a.snc"), QStringLiteral("/d/c.snc")}));
}

TEST_F(RecentFiles, MenuTexts)
{
    CRecentFileList list;
    list.Add(QStringLiteral("/d/R&D.snc"));
    EXPECT_EQ(list.MenuText(0), QStringLiteral("&1 /d/R&&D.snc"));

    const QString longPath = QStringLiteral("/home/user/") + QString(80, QLatin1Char('x')) + QStringLiteral("/end.snc");
    list.Add(longPath);
    const QString text = list.MenuText(0);
    EXPECT_TRUE(text.startsWith(QStringLiteral("&1 /home/user/"))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("/end.snc"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("...")));
    EXPECT_LT(text.size(), longPath.size());
    EXPECT_EQ(list.MenuText(1), QStringLiteral("&2 /d/R&&D.snc"));

    // A character of two code units is never cut in half.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x93\x81"); // one folder picture, two code units
    QString surrogates = QStringLiteral("/");
    while (surrogates.size() < 100)
        surrogates += emoji;
    list.Add(surrogates);
    const QString cut = list.MenuText(0);
    for (qsizetype i = 0; i < cut.size(); ++i) {
        if (cut[i].isHighSurrogate()) {
            EXPECT_TRUE(i + 1 < cut.size() && cut[i + 1].isLowSurrogate()) << i;
        }
        if (cut[i].isLowSurrogate()) {
            EXPECT_TRUE(i > 0 && cut[i - 1].isHighSurrogate()) << i;
        }
    }
}
