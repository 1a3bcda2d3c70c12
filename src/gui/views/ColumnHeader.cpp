#include "gui/views/ColumnHeader.h"

#include "gui/resources/Pictures.h"

#include <QHeaderView>
#include <QTreeWidget>

Qt::Alignment ColumnAlignment(int format)
{
    return ((format & ColumnFormat::Right) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

void BuildListColumns(QTreeWidget* list, const CColumnSettings& settings)
{
    list->clear();
    list->setColumnCount(0);

    const std::vector<int> ids = settings.ShownIds();
    list->setColumnCount(int(ids.size()));
    QHeaderView* header = list->header();
    QTreeWidgetItem* headerItem = list->headerItem();
    for (int column = 0; column < int(ids.size()); ++column) {
        const ColumnRecord& record = settings.Record(ids[size_t(column)]);
        headerItem->setText(column, record.titleShown ? record.title : QString());
        headerItem->setData(column, Qt::UserRole, ids[size_t(column)]);
        headerItem->setData(column, Qt::DecorationRole, QVariant());
        headerItem->setTextAlignment(column, ColumnAlignment(record.format));
        headerItem->setToolTip(column, record.title);
    }
    // Narrow picture columns: the header must not widen them.
    header->setMinimumSectionSize(0);
    header->setStretchLastSection(false);
    for (int column = 0; column < int(ids.size()); ++column)
        header->resizeSection(column, settings.Record(ids[size_t(column)]).width);

    const std::vector<int> order = settings.DisplayOrder();
    for (int position = 0; position < int(order.size()); ++position)
        header->moveSection(header->visualIndex(order[size_t(position)]), position);
}

std::vector<ListColumnState> ReadListColumns(const QTreeWidget* list)
{
    std::vector<ListColumnState> columns;
    const QHeaderView* header = list->header();
    for (int column = 0; column < list->columnCount(); ++column)
        columns.push_back({ListColumnId(list, column), header->sectionSize(column), header->visualIndex(column)});
    return columns;
}

void CaptureListColumns(const QTreeWidget* list, CColumnSettings& settings)
{
    settings.Capture(ReadListColumns(list));
}

int ListColumnId(const QTreeWidget* list, int columnIndex)
{
    if (columnIndex < 0 || columnIndex >= list->columnCount())
        return -1;
    bool ok = false;
    const int id = list->headerItem()->data(columnIndex, Qt::UserRole).toInt(&ok);
    return ok ? id : -1;
}

void SetHeaderSortPicture(QTreeWidget* list, int columnIndex, int direction)
{
    QTreeWidgetItem* headerItem = list->headerItem();
    for (int column = 0; column < list->columnCount(); ++column)
        headerItem->setData(
            column, Qt::DecorationRole, column == columnIndex ? QVariant(SortPicture(direction)) : QVariant());
}
