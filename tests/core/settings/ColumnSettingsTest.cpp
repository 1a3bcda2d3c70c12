#include "support/TestDir.h"

#include "core/platform/Profile.h"
#include "core/settings/CColumnSettings.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

using Values = std::vector<std::pair<QString, QString>>;

// A profile file of its own in a temporary folder, written as a user's file would be.
class ColumnSettingsTest : public ::testing::Test
{
protected:
    QString ProfilePath() const { return m_dir.PathOf(QStringLiteral("Pairwell.ini")); }

    void WriteProfile(const QByteArray& text) { m_dir.WriteFile(QStringLiteral("Pairwell.ini"), text); }

    CColumnSettings Loaded() const
    {
        CColumnSettings settings;
        settings.Load(CProfile(ProfilePath()));
        return settings;
    }

    Values Stored() const { return CProfile(ProfilePath()).GetSectionValues(CColumnSettings::kSection); }

    static void ExpectDefaults(const CColumnSettings& settings)
    {
        const int widths[] = {16, 16, 128, 128, 64, 64, 128, 128, 64, 64, 64};
        for (int id = 0; id < ColumnId::Count; ++id) {
            SCOPED_TRACE(id);
            EXPECT_EQ(settings.Record(id).shown, 1);
            EXPECT_EQ(settings.Record(id).order, id);
            EXPECT_EQ(settings.Record(id).width, widths[id]);
        }
        EXPECT_EQ(settings.SortColumn(), 2);
        EXPECT_EQ(settings.SortDirection(), 0);
    }

    TestDir m_dir;
};

TEST_F(ColumnSettingsTest, FirstStartGivesElevenColumnsInIdOrderSortedByName)
{
    const CColumnSettings settings = Loaded();
    ExpectDefaults(settings);
    EXPECT_EQ(settings.ShownIds(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(settings.DisplayOrder(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    // The two picture columns keep their titles for the editor but show none in the header.
    EXPECT_EQ(settings.Record(ColumnId::StateIcon).title, QStringLiteral("同期状態アイコン"));
    EXPECT_EQ(settings.Record(ColumnId::ExcludedIcon).title, QStringLiteral("除外状態アイコン"));
    EXPECT_EQ(settings.Record(ColumnId::StateIcon).titleShown, 0);
    EXPECT_EQ(settings.Record(ColumnId::ExcludedIcon).format, ColumnFormat::PictureOnRight);
    EXPECT_EQ(settings.Record(ColumnId::Name).title, QStringLiteral("ファイル名"));
    EXPECT_EQ(settings.Record(ColumnId::ProjectSize).format, ColumnFormat::Right);
    EXPECT_EQ(settings.Record(ColumnId::TargetAttr).title, QStringLiteral("先属性"));
    EXPECT_EQ(settings.IdAtColumn(settings.SortColumn()), ColumnId::Name);
}

TEST_F(ColumnSettingsTest, SaveWritesSortFieldsThenWidthOrderDisplayPerId)
{
    CColumnSettings settings;
    CProfile profile(ProfilePath());
    settings.Save(profile);

    const Values values = Stored();
    ASSERT_EQ(values.size(), 2u + 3u * 11u);
    EXPECT_EQ(values[0], std::make_pair(QStringLiteral("SortCol"), QStringLiteral("2")));
    EXPECT_EQ(values[1], std::make_pair(QStringLiteral("SortDir"), QStringLiteral("0")));
    for (int id = 0; id < ColumnId::Count; ++id) {
        SCOPED_TRACE(id);
        EXPECT_EQ(values[2 + 3 * id].first, QStringLiteral("Width%1").arg(id));
        EXPECT_EQ(values[3 + 3 * id].first, QStringLiteral("Order%1").arg(id));
        EXPECT_EQ(values[3 + 3 * id].second, QString::number(id));
        EXPECT_EQ(values[4 + 3 * id].first, QStringLiteral("Display%1").arg(id));
        EXPECT_EQ(values[4 + 3 * id].second, QStringLiteral("1"));
    }
    // Titles, formats and title flags are never stored.
    const QByteArray text = TestDir::ReadFile(ProfilePath());
    EXPECT_FALSE(text.contains("Title"));
    EXPECT_FALSE(text.contains("Format"));
}

TEST_F(ColumnSettingsTest, HiddenColumnIsStoredWithItsLastWidthAndStaysHiddenAfterRestart)
{
    CColumnSettings settings;
    // The user widened "元日付" to 200, then hid it; the others close up.
    std::vector<ListColumnState> columns;
    for (int id = 0; id < ColumnId::Count; ++id)
        columns.push_back({id, id == ColumnId::ProjectDate ? 200 : 100, id});
    settings.Capture(columns);
    columns.erase(columns.begin() + ColumnId::ProjectDate);
    for (ListColumnState& column : columns)
        if (column.position > ColumnId::ProjectDate)
            --column.position;
    settings.Capture(columns);
    CProfile profile(ProfilePath());
    settings.Save(profile);

    CProfile reread(ProfilePath());
    EXPECT_EQ(reread.GetProfileInt(CColumnSettings::kSection, QStringLiteral("Display6"), 99), 0);
    EXPECT_EQ(reread.GetProfileInt(CColumnSettings::kSection, QStringLiteral("Order6"), 99), -1);
    EXPECT_EQ(reread.GetProfileInt(CColumnSettings::kSection, QStringLiteral("Width6"), 99), 200);

    const CColumnSettings restarted = Loaded();
    EXPECT_EQ(restarted.ShownIds(), (std::vector<int>{0, 1, 2, 3, 4, 5, 7, 8, 9, 10}));
    EXPECT_EQ(restarted.DisplayOrder(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(restarted.Record(ColumnId::ProjectDate).width, 200);
    EXPECT_EQ(restarted.ColumnOf(ColumnId::ProjectDate), -1);
    EXPECT_EQ(restarted.ColumnOf(ColumnId::TargetDate), 6);
}

TEST_F(ColumnSettingsTest, DraggedColumnsKeepTheirDisplayPositionsAcrossARestart)
{
    CColumnSettings settings;
    // "ファイル名" dragged to the front, "同期状態" to the second place.
    const int positionOf[ColumnId::Count] = {2, 3, 0, 4, 5, 6, 7, 8, 1, 9, 10};
    std::vector<ListColumnState> columns;
    for (int id = 0; id < ColumnId::Count; ++id)
        columns.push_back({id, 70, positionOf[id]});
    settings.Capture(columns);
    CProfile profile(ProfilePath());
    settings.Save(profile);

    CProfile reread(ProfilePath());
    for (int id = 0; id < ColumnId::Count; ++id)
        EXPECT_EQ(
            reread.GetProfileInt(CColumnSettings::kSection, QStringLiteral("Order%1").arg(id), -5), positionOf[id]);
    const CColumnSettings restarted = Loaded();
    EXPECT_EQ(restarted.DisplayOrder(), (std::vector<int>{2, 8, 0, 1, 3, 4, 5, 6, 7, 9, 10}));
}

TEST_F(ColumnSettingsTest, SortColumnIsAColumnIndexSoHidingAnEarlierColumnMovesIt)
{
    // Sorted by "ファイル名" (index 2) when the state picture column is hidden:
    // index 2 now holds "種類".
    WriteProfile("[FSViewColSetting]\nSortCol=2\nSortDir=1\nDisplay0=0\nOrder0=-1\n"
                 "Order1=0\nOrder2=1\nOrder3=2\nOrder4=3\nOrder5=4\nOrder6=5\nOrder7=6\nOrder8=7\nOrder9=8\n"
                 "Order10=9\n");
    const CColumnSettings settings = Loaded();
    EXPECT_EQ(settings.SortColumn(), 2);
    EXPECT_EQ(settings.SortDirection(), 1);
    EXPECT_EQ(settings.IdAtColumn(2), ColumnId::Type);
}

TEST_F(ColumnSettingsTest, MissingValuesKeepTheirDefaults)
{
    WriteProfile("[FSViewColSetting]\nWidth4=300\n[Other]\nOrder4=9\n");
    const CColumnSettings settings = Loaded();
    EXPECT_EQ(settings.Record(ColumnId::ProjectSize).width, 300);
    EXPECT_EQ(settings.Record(ColumnId::ProjectSize).order, 4);
    EXPECT_EQ(settings.Record(ColumnId::TargetSize).width, 64);
    EXPECT_EQ(settings.SortColumn(), 2);
}

// Orders that cannot be built into a display order: duplicate, out of range,
// a shown column without a position, a gap.
TEST_F(ColumnSettingsTest, StoredOrdersThatBreakTheInvariantFallBackToTheDefaults)
{
    const char* broken[] = {
        "Order3=2\n", // duplicate of Order2
        "Order5=11\n", // beyond the last position
        "Order4=-1\n", // shown but without position
        "Display9=0\nOrder9=-1\n", // a gap: ten shown columns, position 9 unused
        "Order0=-2147483648\n",
    };
    for (const char* orders : broken) {
        SCOPED_TRACE(orders);
        WriteProfile(QByteArray("[FSViewColSetting]\nSortCol=5\nSortDir=1\nWidth2=250\n") + orders);
        const CColumnSettings settings = Loaded();
        ExpectDefaults(settings);
        EXPECT_EQ(settings.DisplayOrder().size(), 11u);
    }
}

TEST_F(ColumnSettingsTest, HiddenColumnsMayCarryAnyOrder)
{
    WriteProfile("[FSViewColSetting]\nDisplay1=0\nOrder1=77\nOrder2=1\nOrder3=2\nOrder4=3\nOrder5=4\nOrder6=5\n"
                 "Order7=6\nOrder8=7\nOrder9=8\nOrder10=9\n");
    const CColumnSettings settings = Loaded();
    EXPECT_EQ(settings.ShownCount(), 10);
    EXPECT_EQ(settings.Record(ColumnId::ExcludedIcon).shown, 0);
    EXPECT_EQ(settings.DisplayOrder(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST_F(ColumnSettingsTest, SortFieldsOutsideTheShownColumnsAreMended)
{
    WriteProfile("[FSViewColSetting]\nSortCol=11\nSortDir=7\n");
    CColumnSettings settings = Loaded();
    EXPECT_EQ(settings.SortColumn(), 2);
    EXPECT_EQ(settings.SortDirection(), 1);

    WriteProfile("[FSViewColSetting]\nSortCol=-3\n");
    EXPECT_EQ(Loaded().SortColumn(), 2);

    // Only two columns left: the default sort column does not exist.
    QByteArray two = "[FSViewColSetting]\nSortCol=4\nOrder0=0\nOrder1=1\n";
    for (int id = 2; id < ColumnId::Count; ++id)
        two += QStringLiteral("Display%1=0\n").arg(id).toUtf8();
    WriteProfile(two);
    settings = Loaded();
    EXPECT_EQ(settings.ShownCount(), 2);
    EXPECT_EQ(settings.SortColumn(), 0);
}

TEST_F(ColumnSettingsTest, NegativeWidthIsReplacedByTheDefaultWidth)
{
    WriteProfile("[FSViewColSetting]\nWidth3=-40\nWidth4=0\n");
    const CColumnSettings settings = Loaded();
    EXPECT_EQ(settings.Record(ColumnId::Type).width, 128);
    EXPECT_EQ(settings.Record(ColumnId::ProjectSize).width, 0);
}

TEST_F(ColumnSettingsTest, UnreadableProfileGivesTheDefaults)
{
    m_dir.MakeFolder(QStringLiteral("Pairwell.ini"));
    ExpectDefaults(Loaded());
}

TEST(ColumnSettings, CaptureHidesColumnsMissingFromTheListAndKeepsTheirWidth)
{
    CColumnSettings settings;
    settings.Record(ColumnId::Type).width = 333;
    settings.Capture({{ColumnId::Name, 90, 1}, {ColumnId::StateIcon, 16, 0}, {42, 10, 2}});
    EXPECT_EQ(settings.ShownIds(), (std::vector<int>{0, 2}));
    EXPECT_EQ(settings.Record(ColumnId::Name).width, 90);
    EXPECT_EQ(settings.Record(ColumnId::Name).order, 1);
    EXPECT_EQ(settings.Record(ColumnId::Type).order, -1);
    EXPECT_EQ(settings.Record(ColumnId::Type).width, 333);
    EXPECT_TRUE(settings.IsOrderValid());
}

TEST(ColumnSettings, DisplayOrderOfABrokenTableStaysInsideTheColumns)
{
    CColumnSettings settings;
    settings.Record(ColumnId::Name).order = 40;
    settings.Record(ColumnId::Type).order = -7;
    EXPECT_FALSE(settings.IsOrderValid());
    EXPECT_EQ(settings.DisplayOrder(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

} // namespace
