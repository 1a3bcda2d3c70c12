#pragma once

#include "core/engine/CDirSyncStatus.h"
#include "core/settings/CColumnSettings.h"
#include "core/sync/SyncDirection.h"
#include "gui/shell/CommandTarget.h"

#include <QTreeWidget>
#include <memory>
#include <optional>
#include <vector>

class CFileListItem;
class CMyDoc;
class CProject;
class CSyncProject;
class QMenu;
struct MenuItemDef;

// The right pane of the main window: one row per file directly in the folder
// pair of the project last shown, with its state picture and text, its
// exclusion picture, name, type, and size, time and attributes on both sides.
// It is also the command target of the file commands (export and import of
// the selected files, delete, open, properties, compare, refresh, sorting and
// the column editor).
//
// The view scans the folder pair into a file table of its own on every fill;
// the rows point into that table. Which columns are shown, their order and
// widths, and the sort column and direction live in its column settings,
// read from the profile when the view is made and written when it goes.
//
// The rows always belong to the node they were scanned from (the shown
// node). A hint without a node keeps the current node; a hint with a node
// that is not a folder pair (the root) empties the list. Because the tree may
// destroy nodes without telling, every command first checks that the shown
// node is still part of the document.
class CFileSyncView : public QTreeWidget, public ICommandTarget
{
    Q_OBJECT

public:
    CFileSyncView(CMyDoc& doc, IMainFrame& frame, QWidget* parent = nullptr);
    ~CFileSyncView() override;

    // An update hint of the document (the document's UpdateAllViews reaches
    // here; the hints this view sends itself are not handled again).
    void OnUpdate(int hint, CProject* object);

    bool HandlesCommand(int id) const override;
    void UpdateCommand(int id, CommandState& state) override;
    void ExecuteCommand(int id) override;

    // Scans the shown folder pair again and fills the rows. With
    // `restoreSelection` the file that was selected first is selected again.
    void Fill(bool restoreSelection);
    // A click on the header of column index `column`: the sort column
    // switches direction; another column becomes the sort column, ascending.
    void ColumnClick(int column);

    // The node of the last hint that carried one (null until then).
    CProject* CurrentProject() const { return m_current; }
    // The folder pair whose files the rows show, while it is part of the document.
    CSyncProject* ShownProject() const;

    const CColumnSettings& ColumnSettings() const { return m_columns; }
    // The column id of column index `column` (-1 for none).
    int ColumnIdAt(int column) const;
    Qt::Alignment ColumnAlignmentAt(int column) const;
    bool InfoTipsShown() const { return !m_noInfoTips; }
    // The sort comparison of two rows with the current sort key and direction.
    int CompareRows(const CFileListItem& first, const CFileListItem& second) const;

    // The selected rows in the list's order.
    std::vector<CFileListItem*> SelectedRows() const { return Selection(); }
    CFileListItem* Row(int index) const;

    // The context menus as they would open now (commands evaluated and
    // connected to this view): the rows' menu, and the header's menu for
    // column index `column`.
    std::unique_ptr<QMenu> CreateRowMenu();
    std::unique_ptr<QMenu> CreateHeaderMenu(int column);
    int MenuColumn() const { return m_menuColumn; }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void BuildColumns();
    std::optional<QString> FirstSelectedName() const;
    // The fill; with `restoreSelection` the first row named `remembered` is selected.
    void FillRows(bool restoreSelection, const std::optional<QString>& remembered);
    void ClearRows();
    // Empties the list and forgets the shown node.
    void ShowNothing();
    void SortRows();
    void ShowSortPicture();
    void UpdateSelectionTotals();
    void OnHeaderContextMenu(const QPoint& position);
    void ShowHeaderMenu(int column, const QPoint& globalPosition);
    void ShowRowMenu(const QPoint& globalPosition);
    std::unique_ptr<QMenu> CreateMenu(const MenuItemDef& definition);
    void SendHint(int hint, CProject* object);
    bool IsInDocument(const CProject* node) const;

    // The selected rows, worked out once per change of the selection or the
    // rows: the enable rules ask for them many times, and all of a hundred
    // thousand rows may be selected.
    const std::vector<CFileListItem*>& Selection() const;
    bool AnySelectedOnSide(int side) const;
    // The full path of the row's file on `side` (the folder the rows were scanned from).
    QString SidePath(const CFileListItem& row, int side) const;
    void ExportOrImport(SyncDirection direction);
    void DeleteSelection();
    void OpenSelection(bool project, bool target);
    void ShowSelectionProperties(bool project, bool target);
    void CompareSelection(bool binary);
    void Refresh();
    void EditColumns();

    CMyDoc& m_doc;
    IMainFrame& m_frame;
    CColumnSettings m_columns;
    std::vector<int> m_columnIds; // column index -> column id, as built
    std::vector<Qt::Alignment> m_columnAlignments;
    CProject* m_current = nullptr; // the node of the last hint that carried one; may be gone
    CSyncProject* m_shown = nullptr; // the node the rows were scanned from; may be gone
    CDirSyncStatus m_table; // the rows' records
    mutable std::optional<std::vector<CFileListItem*>> m_selection;
    int m_sortKey = -1; // column id of the sort column while sorting
    int m_menuColumn = -1;
    bool m_noInfoTips = false;
    bool m_gridLines = false;
    bool m_sendingHint = false;
};
