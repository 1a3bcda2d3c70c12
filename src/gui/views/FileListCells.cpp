#include "gui/views/FileListCells.h"

#include "core/engine/CFileSyncStatus.h"
#include "core/engine/SyncState.h"
#include "core/platform/Paths.h"
#include "core/settings/CColumnSettings.h"

namespace {

template <typename T> int Sign(T first, T second)
{
    return first < second ? -1 : (second < first ? 1 : 0);
}

QString SideSize(const CFileSyncStatus& record, int side)
{
    return record.Exists(side) ? FileSizeText(record.Size(side)) : QString();
}

QString SideTime(const CFileSyncStatus& record, int side)
{
    return record.Exists(side) ? FormatDateTime(record.LastWriteTime(side)) : QString();
}

QString SideAttributes(const CFileSyncStatus& record, int side)
{
    return record.Exists(side) ? record.GetAttributeText(side) : QString();
}

// Attributes compare as signed 32-bit numbers; the difference is taken in 64
// bits so that it cannot overflow.
int CompareAttributes(quint32 first, quint32 second)
{
    return Sign<qint64>(qint32(first), qint32(second));
}

} // namespace

QString FileSizeText(quint64 size)
{
    return QString::number(size);
}

QString FileCellText(int columnId, const CFileSyncStatus& record, const QString& typeName)
{
    switch (columnId) {
    case ColumnId::Name:
        return record.GetName();
    case ColumnId::Type:
        return typeName;
    case ColumnId::ProjectSize:
        return SideSize(record, 0);
    case ColumnId::TargetSize:
        return SideSize(record, 1);
    case ColumnId::ProjectDate:
        return SideTime(record, 0);
    case ColumnId::TargetDate:
        return SideTime(record, 1);
    case ColumnId::State:
        return GetFileStateText(record.GetState());
    case ColumnId::ProjectAttr:
        return SideAttributes(record, 0);
    case ColumnId::TargetAttr:
        return SideAttributes(record, 1);
    default: // the picture columns
        return {};
    }
}

int FileCellPicture(int columnId, const CFileSyncStatus& record)
{
    switch (columnId) {
    case ColumnId::StateIcon:
        return ViewKeyPicture(record.ViewKey);
    case ColumnId::ExcludedIcon:
        return ViewKeyExcluded(record.ViewKey) ? Picture::Excluded : Picture::Same;
    default:
        return -1;
    }
}

int CompareFileRows(int columnId, const CFileSyncStatus& first, const QString& firstType, const CFileSyncStatus& second,
    const QString& secondType)
{
    switch (columnId) {
    case ColumnId::ExcludedIcon:
        return Sign(ViewKeyExcluded(first.ViewKey), ViewKeyExcluded(second.ViewKey));
    case ColumnId::Name:
        return first.NameView().compare(second.NameView(), Qt::CaseInsensitive);
    case ColumnId::Type:
        return QString::compare(firstType, secondType, Qt::CaseInsensitive);
    case ColumnId::ProjectSize:
        return Sign(first.Size(0), second.Size(0));
    case ColumnId::TargetSize:
        return Sign(first.Size(1), second.Size(1));
    case ColumnId::ProjectDate:
        return Sign(first.LastWriteTime(0), second.LastWriteTime(0));
    case ColumnId::TargetDate:
        return Sign(first.LastWriteTime(1), second.LastWriteTime(1));
    case ColumnId::ProjectAttr:
        return CompareAttributes(first.Attributes(0), second.Attributes(0));
    case ColumnId::TargetAttr:
        return CompareAttributes(first.Attributes(1), second.Attributes(1));
    default: // the state picture and the state text sort by the state picture
        return Sign(ViewKeyPicture(first.ViewKey), ViewKeyPicture(second.ViewKey));
    }
}
