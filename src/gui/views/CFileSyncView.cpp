#include "gui/views/CFileSyncView.h"

#include "core/engine/CFileSyncStatus.h"
#include "core/filters/FilterSet.h"
#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/model/PairRoots.h"
#include "core/platform/Paths.h"
#include "core/platform/Profile.h"
#include "core/resources/CommandIds.h"
#include "core/resources/Menus.h"
#include "core/resources/Texts.h"
#include "core/settings/CAppOptionDisp.h"
#include "gui/resources/Pictures.h"
#include "gui/shell/CWaitCursor.h"
#include "gui/views/CFileListItem.h"
#include "gui/views/ColumnHeader.h"
#include "gui/views/FileListCells.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>
#include <algorithm>

namespace {

// Draws the picture of a picture cell as it is, 16 x 16 at the cell's left
// edge, so that it fits a column of 16 pixels; text cells are drawn as usual.
class CFileListDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QVariant picture = index.data(CFileListItem::PictureRole);
        if (!picture.isValid()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem panel = option;
        initStyleOption(&panel, index);
        panel.text.clear();
        panel.icon = QIcon();
        panel.features &= ~QStyleOptionViewItem::HasDecoration;
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &panel, painter, widget);
        // A selected row is highlighted across its picture cells too.
        if (option.state & QStyle::State_Selected) {
            const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                : (option.state & QStyle::State_Active)                                ? QPalette::Active
                                                                                       : QPalette::Inactive;
            painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));
        }

        const QSize size = CImageList::PictureSize();
        const QRect target(option.rect.left(), option.rect.top() + (option.rect.height() - size.height()) / 2,
            size.width(), size.height());
        painter->save();
        painter->setClipRect(option.rect);
        CImageList::Shared().Icon(picture.toInt()).paint(painter, target);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (index.data(CFileListItem::PictureRole).isValid())
            return CImageList::PictureSize();
        return QStyledItemDelegate::sizeHint(option, index);
    }
};

// The column header: the sort triangle is drawn on the right of the title,
// as the picture format of the sort column asks, with the title kept clear of it.
class CFileListHeader : public QHeaderView
{
public:
    explicit CFileListHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) { }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override
    {
        const QPixmap picture = model()
            ? model()->headerData(logicalIndex, orientation(), Qt::DecorationRole).value<QPixmap>()
            : QPixmap();
        if (picture.isNull()) {
            QHeaderView::paintSection(painter, rect, logicalIndex);
            return;
        }
        painter->save();
        QStyleOptionHeader option;
        initStyleOptionForIndex(&option, logicalIndex);
        option.rect = rect;
        option.icon = QIcon();
        style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
        const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, &option, this);
        QStyleOptionHeader label = option;
        label.rect = style()->subElementRect(QStyle::SE_HeaderLabel, &option, this);
        label.rect.setRight(label.rect.right() - picture.width() - margin);
        if (label.rect.width() > 0)
            style()->drawControl(QStyle::CE_HeaderLabel, &label, painter, this);
        const QSize size = picture.deviceIndependentSize().toSize();
        const int x = qMax(rect.left(), rect.right() - margin - size.width() + 1);
        const int y = rect.top() + (rect.height() - size.height()) / 2;
        painter->setClipRect(rect);
        painter->drawPixmap(x, y, picture);
        painter->restore();
    }
};

DispFlags DisplayFlags()
{
    return GlobalOptionDisp().Flags;
}

} // namespace

CFileSyncView::CFileSyncView(CMyDoc& doc, IMainFrame& frame, QWidget* parent)
    : QTreeWidget(parent), m_doc(doc), m_frame(frame)
{
    // Grid lines are fixed when the view is made (the option asks for a restart).
    const DispFlags flags = DisplayFlags();
    m_gridLines = (flags & DispFlag::GridLines) != 0;
    m_noInfoTips = (flags & DispFlag::HideStateExplanation) != 0;

    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setIconSize(CImageList::PictureSize());
    setItemDelegate(new CFileListDelegate(this)); // owned by the view

    setHeader(new CFileListHeader(this)); // owned by the view
    QHeaderView* columnHeader = header();
    columnHeader->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columnHeader->setSectionsMovable(true);
    columnHeader->setFirstSectionMovable(true);
    columnHeader->setSectionsClickable(true);
    columnHeader->setSortIndicatorShown(false);
    columnHeader->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(columnHeader, &QHeaderView::sectionClicked, this, &CFileSyncView::ColumnClick);
    connect(columnHeader, &QHeaderView::customContextMenuRequested, this, &CFileSyncView::OnHeaderContextMenu);

    // Any change of the rows or the selection makes the selection be worked out again.
    const auto forgetSelection = [this] { m_selection.reset(); };
    connect(model(), &QAbstractItemModel::rowsInserted, this, forgetSelection);
    connect(model(), &QAbstractItemModel::rowsRemoved, this, forgetSelection);
    connect(model(), &QAbstractItemModel::modelReset, this, forgetSelection);
    connect(model(), &QAbstractItemModel::layoutChanged, this, forgetSelection);
    connect(this, &QTreeWidget::itemSelectionChanged, this, [this] {
        m_selection.reset();
        UpdateSelectionTotals();
        m_frame.UpdateCommandStates();
    });
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this] {
        CommandState state;
        UpdateCommand(Cmd::OpenBoth, state);
        if (state.enabled)
            ExecuteCommand(Cmd::OpenBoth);
    });
    connect(&m_doc, &CMyDoc::UpdateAllViews, this, &CFileSyncView::OnUpdate);
    connect(&m_doc, &CMyDoc::ContentsDeleting, this, [this] {
        m_current = nullptr;
        ShowNothing();
    });
    // The rows of a project that leaves for a rescan must not outlive its records.
    connect(&m_doc, &CMyDoc::ProjectLeaving, this, [this](CSyncProject* project) {
        if (!project->Holds(m_current) && !project->Holds(m_shown))
            return;
        m_current = nullptr;
        ShowNothing();
    });

    m_columns.SetDefaults();
    m_columns.Load(CProfile::Instance());
    BuildColumns();
    ShowSortPicture();
}

CFileSyncView::~CFileSyncView()
{
    // The frame that owns this view may be half destroyed already: tell it nothing more.
    blockSignals(true);
    disconnect(&m_doc, nullptr, this, nullptr);
    CaptureListColumns(this, m_columns);
    m_columns.Save(CProfile::Instance());
    ClearRows(); // before the table that the rows point into
}

// ---------------------------------------------------------------------------
// Hints and fill

bool CFileSyncView::IsInDocument(const CProject* node) const
{
    if (!node)
        return false;
    if (node == &m_doc.GetRoot())
        return true;
    return m_doc.GetRoot().AnyDescendant([node](const CSyncProject& candidate) { return &candidate == node; });
}

CSyncProject* CFileSyncView::ShownProject() const
{
    return IsInDocument(m_shown) ? m_shown : nullptr;
}

void CFileSyncView::OnUpdate(int hint, CProject* object)
{
    // The document tells every view, the one that sent the hint included.
    if (m_sendingHint)
        return;
    // A hint without a node (a refresh of the list, the window restored from
    // the tray) keeps the node the list shows.
    if (object)
        m_current = object;
    if (!IsInDocument(m_current))
        m_current = nullptr;
    m_noInfoTips = (DisplayFlags() & DispFlag::HideStateExplanation) != 0;
    if (m_shown && !IsInDocument(m_shown))
        ShowNothing(); // the rows belong to a folder pair that is gone

    auto* project = dynamic_cast<CSyncProject*>(m_current);
    if (!project) {
        // Without a folder pair there is nothing the rows could act on.
        ShowNothing();
        return;
    }
    switch (hint) {
    case UpdateHint::ShowFiles:
    case UpdateHint::RunDone:
    case UpdateHint::Refresh:
    case UpdateHint::RescanAll:
        m_shown = project;
        Fill(false);
        break;
    case UpdateHint::NodeChanged:
        if (DisplayFlags() & DispFlag::AlwaysShowFileInfo) {
            m_shown = project;
            Fill(false);
        }
        break;
    default:
        break;
    }
}

void CFileSyncView::ClearRows()
{
    clear();
}

void CFileSyncView::ShowNothing()
{
    m_shown = nullptr;
    ClearRows();
    m_table.Clear();
    UpdateSelectionTotals();
}

void CFileSyncView::BuildColumns()
{
    BuildListColumns(this, m_columns);
    m_columnIds.clear();
    m_columnAlignments.clear();
    for (int column = 0; column < columnCount(); ++column) {
        const int id = ListColumnId(this, column);
        m_columnIds.push_back(id);
        m_columnAlignments.push_back(id >= 0 && id < ColumnId::Count ? ColumnAlignment(m_columns.Record(id).format)
                                                                     : ColumnAlignment(ColumnFormat::Left));
    }
}

int CFileSyncView::ColumnIdAt(int column) const
{
    return column >= 0 && column < int(m_columnIds.size()) ? m_columnIds[size_t(column)] : -1;
}

Qt::Alignment CFileSyncView::ColumnAlignmentAt(int column) const
{
    return column >= 0 && column < int(m_columnAlignments.size()) ? m_columnAlignments[size_t(column)]
                                                                  : ColumnAlignment(ColumnFormat::Left);
}

std::optional<QString> CFileSyncView::FirstSelectedName() const
{
    const std::vector<CFileListItem*> selected = SelectedRows();
    if (selected.empty())
        return std::nullopt;
    return selected.front()->Record().GetName();
}

void CFileSyncView::Fill(bool restoreSelection)
{
    // The file selected first is found again by its name (any column may be
    // the first, and the picture columns carry no text).
    FillRows(restoreSelection, restoreSelection ? FirstSelectedName() : std::nullopt);
}

void CFileSyncView::FillRows(bool restoreSelection, const std::optional<QString>& remembered)
{
    CSyncProject* project = ShownProject();
    if (!project) {
        ShowNothing();
        return;
    }

    CWaitCursor wait;
    const DispFlags flags = DisplayFlags();
    setUpdatesEnabled(false);
    ClearRows(); // the rows point into the table
    m_table.SetPaths(project->GetFolder(0), project->GetFolder(1));
    m_table.SetRoots(RootFolderOf(*project, 0), RootFolderOf(*project, 1));
    m_table.ScanFiles();

    // The columns always reflect the records (a dragged column keeps its place).
    CaptureListColumns(this, m_columns);
    BuildColumns();

    const bool noSync = project->IsNoSync();
    const QStringList filterSelection = project->GetEffectiveFilterSelection();
    const FilterSet& filters = GlobalFilterSet();
    const bool showExcluded = (flags & DispFlag::ShowExcluded) != 0;
    const bool toleranceIcon = (flags & DispFlag::ToleranceIcon) != 0;
    QList<QTreeWidgetItem*> rows;
    rows.reserve(m_table.Count());
    for (CFileSyncStatus& record : m_table) {
        const QString name = record.GetName();
        const bool excluded = noSync || filters.IsExcluded(name, filterSelection);
        if (excluded && !showExcluded)
            continue;
        record.ViewKey = MakeViewKey(excluded, GetFileStatePicture(record.GetState(), toleranceIcon));
        // The list owns its rows.
        // The type names depend on the name alone, so the path need not be built.
        rows.append(
            std::make_unique<CFileListItem>(*this, record, GetFileTypeText(name), GetFileTypeName(name)).release());
    }
    addTopLevelItems(rows);

    if (flags & DispFlag::AutoSizeColumns) {
        for (int column = 0; column <= 10 && column < columnCount(); ++column)
            resizeColumnToContents(column);
    }
    SortRows();
    ShowSortPicture();

    if (topLevelItemCount() > 0) {
        QTreeWidgetItem* select = nullptr;
        if (!restoreSelection) {
            select = topLevelItem(0);
        } else if (remembered) {
            // The same name, else (renamed in letter case) a case variant of it.
            for (const Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
                for (int row = 0; row < topLevelItemCount() && !select; ++row) {
                    if (QString::compare(Row(row)->Record().GetName(), *remembered, cs) == 0)
                        select = topLevelItem(row);
                }
            }
        }
        if (select) {
            setCurrentItem(select);
            scrollToItem(select);
        }
    }
    setUpdatesEnabled(true);
    UpdateSelectionTotals();
}

// ---------------------------------------------------------------------------
// Sorting

int CFileSyncView::CompareRows(const CFileListItem& first, const CFileListItem& second) const
{
    const int value
        = CompareFileRows(m_sortKey, first.Record(), first.TypeSortName(), second.Record(), second.TypeSortName());
    return m_columns.SortDirection() != 0 ? -value : value;
}

void CFileSyncView::SortRows()
{
    const int column = m_columns.SortColumn();
    if (column < 0 || column >= columnCount())
        return;
    m_sortKey = ColumnIdAt(column);
    // Always "ascending" for the list: the direction is part of the comparison.
    sortItems(column, Qt::AscendingOrder);
}

void CFileSyncView::ShowSortPicture()
{
    const int column = m_columns.SortColumn();
    SetHeaderSortPicture(this, column >= 0 && column < columnCount() ? column : -1, m_columns.SortDirection());
}

void CFileSyncView::ColumnClick(int column)
{
    if (column < 0 || column >= columnCount())
        return;
    if (column == m_columns.SortColumn())
        m_columns.SetSortDirection(m_columns.SortDirection() != 0 ? 0 : 1);
    else
        m_columns.SetSortDirection(0);
    m_columns.SetSortColumn(column);
    ShowSortPicture();
    SortRows();
}

// ---------------------------------------------------------------------------
// Selection

CFileListItem* CFileSyncView::Row(int index) const
{
    QTreeWidgetItem* item = topLevelItem(index);
    return item && item->type() == CFileListItem::kType ? static_cast<CFileListItem*>(item) : nullptr;
}

const std::vector<CFileListItem*>& CFileSyncView::Selection() const
{
    if (m_selection)
        return *m_selection;
    std::vector<int> rows;
    const QItemSelection selection = selectionModel()->selection();
    for (const QItemSelectionRange& range : selection) {
        if (range.parent().isValid())
            continue;
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::vector<CFileListItem*> items;
    items.reserve(rows.size());
    for (int row : rows) {
        if (CFileListItem* item = Row(row))
            items.push_back(item);
    }
    m_selection = std::move(items);
    return *m_selection;
}

void CFileSyncView::UpdateSelectionTotals()
{
    quint64 projectBytes = 0;
    quint64 targetBytes = 0;
    for (const CFileListItem* row : Selection()) {
        const CFileSyncStatus& record = row->Record();
        if (record.Exists(0))
            projectBytes += record.Size(0);
        if (record.Exists(1))
            targetBytes += record.Size(1);
    }
    m_frame.ShowSelectionSizes(qint64(projectBytes), qint64(targetBytes));
}

// ---------------------------------------------------------------------------
// Menus

std::unique_ptr<QMenu> CFileSyncView::CreateMenu(const MenuItemDef& definition)
{
    auto menu = std::make_unique<QMenu>();
    struct Level
    {
        QMenu* menu;
        const MenuItemDef* definition;
    };
    std::vector<Level> pending{{menu.get(), &definition}};
    while (!pending.empty()) {
        const Level level = pending.back();
        pending.pop_back();
        for (const MenuItemDef& item : level.definition->items) {
            if (item.IsSeparator()) {
                level.menu->addSeparator();
            } else if (item.IsSubmenu()) {
                pending.push_back({level.menu->addMenu(item.text), &item}); // owned by its parent menu
            } else {
                CommandState state;
                UpdateCommand(item.id, state);
                QAction* action = level.menu->addAction(state.text.isEmpty() ? item.DisplayText() : state.text);
                action->setData(item.id);
                action->setEnabled(state.enabled);
                action->setCheckable(state.checked);
                action->setChecked(state.checked);
                const int id = item.id;
                connect(action, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
            }
        }
    }
    return menu;
}

std::unique_ptr<QMenu> CFileSyncView::CreateRowMenu()
{
    return CreateMenu(FileListContextMenuDefinition());
}

std::unique_ptr<QMenu> CFileSyncView::CreateHeaderMenu(int column)
{
    m_menuColumn = column;
    return CreateMenu(HeaderContextMenuDefinition());
}

void CFileSyncView::ShowRowMenu(const QPoint& globalPosition)
{
    std::unique_ptr<QMenu> menu = CreateRowMenu();
    menu->exec(globalPosition);
}

void CFileSyncView::ShowHeaderMenu(int column, const QPoint& globalPosition)
{
    std::unique_ptr<QMenu> menu = CreateHeaderMenu(column);
    menu->exec(globalPosition);
}

void CFileSyncView::OnHeaderContextMenu(const QPoint& position)
{
    const int column = header()->logicalIndexAt(position);
    if (column < 0)
        return; // no header item there
    ShowHeaderMenu(column, header()->mapToGlobal(position));
}

void CFileSyncView::contextMenuEvent(QContextMenuEvent* event)
{
    if (event->reason() == QContextMenuEvent::Keyboard) {
        // From the keyboard the menu opens 5 pixels into the pane: on the
        // header, for the column displayed first.
        const QPoint inPane(5, 5);
        const QPoint inHeader = header()->mapFrom(this, inPane);
        if (header()->isVisible() && header()->rect().contains(inHeader))
            OnHeaderContextMenu(inHeader);
        else
            ShowRowMenu(mapToGlobal(inPane));
        return;
    }
    ShowRowMenu(event->globalPos());
}

void CFileSyncView::keyPressEvent(QKeyEvent* event)
{
    // The main window's accelerators normally take these keys first.
    const int id = event->key() == Qt::Key_Delete ? Cmd::Delete : event->key() == Qt::Key_F5 ? Cmd::Refresh : 0;
    if (id != 0 && event->modifiers() == Qt::NoModifier) {
        CommandState state;
        UpdateCommand(id, state);
        if (state.enabled)
            ExecuteCommand(id);
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------------------
// Painting

void CFileSyncView::paintEvent(QPaintEvent* event)
{
    QTreeWidget::paintEvent(event);
    if (topLevelItemCount() > 0)
        return;
    // A list without rows says so, 10 pixels below the header.
    QPainter painter(viewport());
    const QRect area = viewport()->rect().adjusted(0, 10, 0, 0);
    painter.fillRect(area, palette().color(QPalette::Base));
    painter.setPen(palette().color(QPalette::Text));
    painter.setFont(QApplication::font());
    painter.drawText(area, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, Txt::EmptyList());
}

void CFileSyncView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QTreeWidget::drawRow(painter, option, index);
    if (!m_gridLines)
        return;
    painter->save();
    const int gridHint = style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this);
    painter->setPen(QColor::fromRgba(static_cast<QRgb>(gridHint)));
    const QRect rect = option.rect;
    painter->drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
    const QHeaderView* columnHeader = header();
    for (int column = 0; column < columnCount(); ++column) {
        if (columnHeader->isSectionHidden(column))
            continue;
        const int right = columnHeader->sectionViewportPosition(column) + columnHeader->sectionSize(column) - 1;
        painter->drawLine(right, rect.top(), right, rect.bottom());
    }
    painter->restore();
}
