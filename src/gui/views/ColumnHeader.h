#pragma once

#include "core/settings/CColumnSettings.h"

#include <Qt>
#include <vector>

class QTreeWidget;

// The column settings applied to the file list's QTreeWidget: each column
// stores its column id in the header item's Qt::UserRole data.

// Rebuilds the columns from the records: removes every row and column, adds
// one column per shown record in id order (title, or none when the title is
// not shown; alignment from the format; width) and puts them into their
// display order.
void BuildListColumns(QTreeWidget* list, const CColumnSettings& settings);
// The id, width and display position of every column of the list.
std::vector<ListColumnState> ReadListColumns(const QTreeWidget* list);
// Capture: the records take the state of the list's columns.
void CaptureListColumns(const QTreeWidget* list, CColumnSettings& settings);
// The column id stored in the header of `columnIndex` (-1 for none).
int ListColumnId(const QTreeWidget* list, int columnIndex);
// The text alignment of a column format.
Qt::Alignment ColumnAlignment(int format);
// Shows the sort triangle of `direction` in the header of `columnIndex` and
// removes it from every other header item (-1: from all).
void SetHeaderSortPicture(QTreeWidget* list, int columnIndex, int direction);
