#pragma once

#include <QString>
#include <QtGlobal>

class CFileSyncStatus;

// What the file list shows of one file record, and the order of its rows.
// Every cell and every comparison is chosen by the column id (ColumnId in
// views/CColumnSettings.h), so the list behaves the same whichever columns are
// shown and in which order.

// The record's ViewKey as the list writes it on every fill: the excluded flag
// in bits 16 and up, the state picture in bits 0 to 15.
constexpr quint32 MakeViewKey(bool excluded, int statePicture)
{
    return (quint32(excluded ? 1 : 0) << 16) | (quint32(statePicture) & 0xFFFFu);
}
constexpr int ViewKeyPicture(quint32 viewKey)
{
    return int(viewKey & 0xFFFFu);
}
constexpr int ViewKeyExcluded(quint32 viewKey)
{
    return int(viewKey >> 16);
}

// The text of the cell of `columnId` (empty for the two picture columns and
// for a side on which the file does not exist). `typeName` is the file's type
// name, looked up once per row.
QString FileCellText(int columnId, const CFileSyncStatus& record, const QString& typeName);

// The picture of the cell of `columnId` from the record's ViewKey: the state
// picture in the state picture column, the cross or the empty picture in the
// exclusion column; -1 for the text columns.
int FileCellPicture(int columnId, const CFileSyncStatus& record);

// The row comparison for the sort key `columnId`: negative when `first` sorts
// before `second`, 0 when the key does not tell them apart. Missing sides
// compare with the entry's initial values (size 0, attributes 0, 1980-01-01).
int CompareFileRows(int columnId, const CFileSyncStatus& first, const QString& firstType, const CFileSyncStatus& second,
    const QString& secondType);

// A size as the size columns show it: the full unsigned decimal number, no grouping.
QString FileSizeText(quint64 size);
