#include "gui/views/CFileListItem.h"

#include "core/engine/CFileSyncStatus.h"
#include "core/engine/SyncState.h"
#include "gui/views/CFileSyncView.h"
#include "gui/views/FileListCells.h"

CFileListItem::CFileListItem(const CFileSyncView& view, CFileSyncStatus& record, QString typeText, QString typeSortName)
    : QTreeWidgetItem(kType),
      m_view(view),
      m_record(record),
      m_typeText(std::move(typeText)),
      m_typeSortName(std::move(typeSortName))
{
}

QVariant CFileListItem::data(int column, int role) const
{
    const int id = m_view.ColumnIdAt(column);
    if (id < 0)
        return QTreeWidgetItem::data(column, role);
    switch (role) {
    case Qt::DisplayRole:
        return FileCellText(id, m_record, m_typeText);
    case PictureRole: {
        const int picture = FileCellPicture(id, m_record);
        return picture >= 0 ? QVariant(picture) : QVariant();
    }
    case Qt::TextAlignmentRole:
        return int(m_view.ColumnAlignmentAt(column));
    case Qt::ToolTipRole:
        if (m_view.InfoTipsShown()) {
            const QString tip = GetFilePictureTip(ViewKeyPicture(m_record.ViewKey));
            // The cross belongs to the exclusion column; a row's tip is chosen by its state picture only.
            if (!tip.isEmpty() && ViewKeyPicture(m_record.ViewKey) != Picture::Excluded)
                return tip;
        }
        return {};
    default:
        return QTreeWidgetItem::data(column, role);
    }
}

bool CFileListItem::operator<(const QTreeWidgetItem& other) const
{
    if (other.type() != kType)
        return QTreeWidgetItem::operator<(other);
    return m_view.CompareRows(*this, static_cast<const CFileListItem&>(other)) < 0;
}
