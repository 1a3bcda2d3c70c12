#include "gui/views/ColumnHeader.h"
#include "gui/shell/dialogs/GuiTestSupport.h"

#include "gui/resources/Pictures.h"

#include <QApplication>
#include <QHeaderView>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

class ColumnHeaderTest : public ::testing::Test
{
protected:
    std::vector<int> VisualIds() const
    {
        std::vector<int> ids;
        for (int position = 0; position < m_list.columnCount(); ++position)
            ids.push_back(ListColumnId(&m_list, m_list.header()->logicalIndex(position)));
        return ids;
    }

    QTreeWidget m_list;
};

TEST_F(ColumnHeaderTest, BuildInsertsShownColumnsInIdOrderAndAppliesTheDisplayOrder)
{
    new QTreeWidgetItem(&m_list, QStringList{QStringLiteral("row")});
    CColumnSettings settings;
    settings.Record(ColumnId::ProjectDate).shown = 0;
    settings.Record(ColumnId::ProjectDate).order = -1;
    // Display order: name first, then the pictures, then the rest by id.
    const int orderOf[ColumnId::Count] = {1, 2, 0, 3, 4, 5, -1, 6, 7, 8, 9};
    for (int id = 0; id < ColumnId::Count; ++id)
        settings.Record(id).order = orderOf[id];
    settings.Record(ColumnId::Name).width = 210;

    BuildListColumns(&m_list, settings);

    EXPECT_EQ(m_list.topLevelItemCount(), 0);
    ASSERT_EQ(m_list.columnCount(), 10);
    for (int column = 0; column < 10; ++column)
        EXPECT_EQ(ListColumnId(&m_list, column), settings.ShownIds()[size_t(column)]);
    EXPECT_EQ(VisualIds(), (std::vector<int>{2, 0, 1, 3, 4, 5, 7, 8, 9, 10}));
    // The picture columns are 16 pixels wide and have no header text.
    EXPECT_EQ(m_list.header()->sectionSize(0), 16);
    EXPECT_EQ(m_list.headerItem()->text(0), QString());
    EXPECT_EQ(m_list.headerItem()->text(2), QStringLiteral("ファイル名"));
    EXPECT_EQ(m_list.header()->sectionSize(2), 210);
    EXPECT_EQ(m_list.headerItem()->text(6), QStringLiteral("先日付"));
    EXPECT_TRUE(m_list.headerItem()->textAlignment(4) & Qt::AlignRight);
}

TEST_F(ColumnHeaderTest, CaptureReadsWidthsAndDraggedPositionsBack)
{
    CColumnSettings settings;
    BuildListColumns(&m_list, settings);
    QHeaderView* header = m_list.header();
    header->moveSection(header->visualIndex(8), 0); // "同期状態" dragged to the front
    header->resizeSection(3, 190);

    CColumnSettings captured;
    CaptureListColumns(&m_list, captured);
    EXPECT_EQ(captured.Record(ColumnId::State).order, 0);
    EXPECT_EQ(captured.Record(ColumnId::StateIcon).order, 1);
    EXPECT_EQ(captured.Record(ColumnId::TargetAttr).order, 10);
    EXPECT_EQ(captured.Record(ColumnId::Type).width, 190);
    EXPECT_TRUE(captured.IsOrderValid());

    // Building from the capture gives the same layout again.
    QTreeWidget other;
    BuildListColumns(&other, captured);
    std::vector<ListColumnState> before = ReadListColumns(&m_list);
    std::vector<ListColumnState> after = ReadListColumns(&other);
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(before[i].id, after[i].id);
        EXPECT_EQ(before[i].width, after[i].width);
        EXPECT_EQ(before[i].position, after[i].position);
    }
}

TEST_F(ColumnHeaderTest, RebuildAfterHidingStartsFromAFreshHeader)
{
    CColumnSettings settings;
    BuildListColumns(&m_list, settings);
    m_list.header()->moveSection(10, 0);
    CaptureListColumns(&m_list, settings);
    // Hide the column dragged to the front; the others close up.
    settings.Record(ColumnId::TargetAttr).shown = 0;
    settings.Record(ColumnId::TargetAttr).order = -1;
    for (int id = 0; id < ColumnId::TargetAttr; ++id)
        settings.Record(id).order -= 1;
    BuildListColumns(&m_list, settings);
    EXPECT_EQ(m_list.columnCount(), 10);
    EXPECT_EQ(VisualIds(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST_F(ColumnHeaderTest, SortPictureSitsOnOneHeaderOnly)
{
    CColumnSettings settings;
    BuildListColumns(&m_list, settings);
    SetHeaderSortPicture(&m_list, 2, 0);
    SetHeaderSortPicture(&m_list, 4, 1);
    for (int column = 0; column < m_list.columnCount(); ++column) {
        const QVariant picture = m_list.headerItem()->data(column, Qt::DecorationRole);
        EXPECT_EQ(picture.isValid(), column == 4) << column;
    }
    const QImage shown = m_list.headerItem()->data(4, Qt::DecorationRole).value<QPixmap>().toImage();
    EXPECT_EQ(shown, SortPicture(1).toImage());
    SetHeaderSortPicture(&m_list, -1, 0);
    EXPECT_FALSE(m_list.headerItem()->data(4, Qt::DecorationRole).isValid());
}

} // namespace
