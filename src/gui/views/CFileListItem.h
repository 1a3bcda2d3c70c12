#pragma once

#include <QString>
#include <QTreeWidgetItem>

class CFileSyncStatus;
class CFileSyncView;

// One row of the file list: a file record of the view's own file table (not
// owned; the rows are always deleted before the table is cleared) and the
// file's two type names (the one shown and the one sorted by), looked up once
// when the row is made. The cells are
// produced when the list draws them, from the column id of each column, so a
// list of a hundred thousand files holds no texts of its own.
class CFileListItem : public QTreeWidgetItem
{
public:
    static constexpr int kType = QTreeWidgetItem::UserType + 52;
    // The picture of a picture cell (an index into the shared strip), or an
    // invalid value for a text cell.
    static constexpr int PictureRole = Qt::UserRole + 1;

    CFileListItem(const CFileSyncView& view, CFileSyncStatus& record, QString typeText, QString typeSortName);

    CFileSyncStatus& Record() const { return m_record; }
    const QString& TypeText() const { return m_typeText; }
    const QString& TypeSortName() const { return m_typeSortName; }

    QVariant data(int column, int role) const override;
    // The view's sort comparison: its sort key and direction.
    bool operator<(const QTreeWidgetItem& other) const override;

private:
    const CFileSyncView& m_view;
    CFileSyncStatus& m_record;
    QString m_typeText;
    QString m_typeSortName;
};
