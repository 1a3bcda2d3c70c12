#include "gui/views/CProjectView.h"

#include "core/model/CMyDoc.h"
#include "core/model/CSyncProject.h"
#include "core/resources/Menus.h"
#include "core/settings/CAppOptionDisp.h"
#include "gui/resources/Pictures.h"
#include "gui/shell/CWaitCursor.h"

#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTimer>
#include <algorithm>
#include <utility>
#include <vector>

namespace {

// Sizes the items from their text alone: asking for the pictures would scan
// the folders of items that are never drawn (the header sizes its column from
// many rows).
class CProjectItemDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        opt.index = index;
        opt.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
        opt.text = index.data(Qt::DisplayRole).toString();
        opt.decorationSize = CImageList::PairSize();
        opt.icon = QIcon();
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : nullptr;
        if (!style)
            return QStyledItemDelegate::sizeHint(option, index);
        return style->sizeFromContents(QStyle::CT_ItemViewItem, &opt, QSize(), widget);
    }
};

CProjectItem* AsProjectItem(QTreeWidgetItem* item)
{
    return item && item->type() == CProjectItem::ItemType ? static_cast<CProjectItem*>(item) : nullptr;
}

} // namespace

CProjectView::CProjectView(CMyDoc& doc, IMainFrame& frame, QWidget* parent)
    : QTreeWidget(parent), m_doc(doc), m_frame(frame)
{
    setObjectName(QStringLiteral("CProjectView"));
    const DispFlags flags = GlobalOptionDisp().Flags;
    m_settings.linesMode = (flags & DispFlag::TreeLines) != 0;
    m_settings.showProjectState = (flags & DispFlag::ShowProjectState) != 0;
    m_settings.noInfoTips = (flags & DispFlag::HideStateExplanation) != 0;
    m_expandAll = (flags & DispFlag::ExpandAll) != 0;

    setColumnCount(1);
    setHeaderHidden(true);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(CImageList::PairSize());
    setItemDelegate(new CProjectItemDelegate(this));
    // With lines, the top-level item has an expand button and lines lead to it.
    setRootIsDecorated(m_settings.linesMode);
    setExpandsOnDoubleClick(true);

    // Items of a document that was opened before the view was made.
    m_rootItem = InsertItem(nullptr, m_doc.GetRoot());
    Populate(m_rootItem);
    m_rootItem->setExpanded(true);

    connect(this, &QTreeWidget::currentItemChanged, this,
        [this](QTreeWidgetItem* current, QTreeWidgetItem*) { OnCurrentItemChanged(current); });
    connect(this, &QTreeWidget::itemExpanded, this, &CProjectView::OnItemExpanded);
    connect(&m_doc, &CMyDoc::UpdateAllViews, this, &CProjectView::OnUpdate);
    connect(&m_doc, &CMyDoc::ContentsDeleting, this, [this] {
        DropAllItems();
        m_current = nullptr;
        m_awaited = nullptr;
    });
    connect(&m_doc, &CMyDoc::ProjectLeaving, this, &CProjectView::OnProjectLeaving);
    connect(&m_doc, &CMyDoc::FolderLoaded, this, &CProjectView::OnFolderLoaded);
    // A rescan took every project away (ContentsDeleting): the root item
    // comes back at once, the projects as they are rescanned.
    connect(&m_doc, &CMyDoc::LoadingChanged, this, [this](bool loading) {
        if (loading && !m_rootItem)
            Rebuild();
    });
    // The end of a rescan this view started: the other views show the new states.
    connect(&m_doc, &CMyDoc::LoadFinished, this, [this] {
        CProject* awaited = std::exchange(m_awaited, nullptr);
        if (awaited && std::exchange(m_awaitedBack, false)) {
            RevealNode(awaited, m_awaitedExpand);
            if (m_awaitedTell)
                SendHint(UpdateHint::Refresh, awaited);
        }
        if (std::exchange(m_rescanning, false))
            SendHint(UpdateHint::Refresh, m_current);
    });
}

void CProjectView::OnProjectLeaving(CSyncProject* project)
{
    CProjectItem* parentItem = ItemOf(project->GetParent());
    if (!parentItem)
        parentItem = m_rootItem;
    if (project->Holds(m_current) && parentItem) {
        setCurrentItem(parentItem);
        m_current = parentItem->Node();
    }
    // The parent's item stays populated: the node's item comes back when the node does.
    delete ItemOf(project);
}

void CProjectView::AwaitRescan(CProject* node, bool expand, bool tellOthers)
{
    m_awaited = m_doc.IsRescanning() ? node : nullptr;
    m_awaitedExpand = expand;
    m_awaitedBack = false;
    m_awaitedTell = tellOthers;
}

void CProjectView::RevealNode(CProject* node, bool expand)
{
    if (!m_rootItem)
        return;
    std::vector<CProject*> chain;
    for (CProject* at = node; at && at != m_rootItem->Node(); at = at->GetParent())
        chain.push_back(at);
    CProjectItem* item = m_rootItem;
    for (auto it = chain.rbegin(); it != chain.rend() && item; ++it) {
        Populate(item);
        item->setExpanded(true);
        item = ChildItemOf(item, *it);
    }
    if (!item)
        return;
    if (expand && node->ChildCount() > 0) {
        Populate(item);
        item->setExpanded(true);
    }
    scrollToItem(item);
    setCurrentItem(item);
}

void CProjectView::OnFolderLoaded(CSyncProject* node)
{
    if (node == m_awaited)
        m_awaitedBack = true;
    // The tree fills as the folders are rescanned, where the parent's items
    // are shown; elsewhere the items are made when the parent is expanded.
    CProjectItem* parentItem = ItemOf(node->GetParent());
    if (!parentItem)
        return;
    parentItem->SetChildrenToCome(false);
    if (!parentItem->IsPopulated()) {
        parentItem->UpdateIndicator();
        return;
    }
    CProjectItem* item = InsertSorted(parentItem, *node);
    if (!m_expandAll)
        return;
    // Its children are shown as they are announced, all after it (some may
    // have joined the tree with it already): none is inserted here.
    item->SetPopulated(true);
    if (!parentItem->isExpanded())
        parentItem->setExpanded(true);
}

CProjectView::~CProjectView() = default;

CProjectItem* CProjectView::SelectedItem() const
{
    return AsProjectItem(currentItem());
}

CProjectItem* CProjectView::ItemOf(const CProject* node) const
{
    if (!node || !m_rootItem)
        return nullptr;
    // Follow the node's ancestors down from the root item.
    std::vector<const CProject*> chain;
    for (const CProject* at = node; at; at = at->GetParent())
        chain.push_back(at);
    if (chain.back() != m_rootItem->Node())
        return nullptr;
    CProjectItem* item = m_rootItem;
    for (auto it = chain.rbegin() + 1; it != chain.rend() && item; ++it)
        item = ChildItemOf(item, *it);
    return item;
}

CProjectItem* CProjectView::ChildItemOf(QTreeWidgetItem* parent, const CProject* node)
{
    for (int i = 0; i < parent->childCount(); ++i) {
        CProjectItem* child = AsProjectItem(parent->child(i));
        if (child && child->Node() == node)
            return child;
    }
    return nullptr;
}

CProjectItem* CProjectView::NewItem(CProject& node) const
{
    auto* item = new CProjectItem(node, m_settings);
    item->SetChildrenToCome(m_doc.ChildrenToCome(&node));
    return item;
}

CProjectItem* CProjectView::InsertItem(CProjectItem* parent, CProject& node)
{
    CProjectItem* item = NewItem(node);
    if (parent)
        parent->addChild(item);
    else
        addTopLevelItem(item);
    return item;
}

CProjectItem* CProjectView::InsertSorted(CProjectItem* parent, CProject& node)
{
    CProjectItem* item = NewItem(node);
    int row = 0;
    while (row < parent->childCount() && !(*item < *parent->child(row)))
        ++row;
    parent->insertChild(row, item);
    return item;
}

void CProjectView::Populate(CProjectItem* item)
{
    if (!item || item->IsPopulated())
        return;
    qDeleteAll(item->takeChildren());
    QList<QTreeWidgetItem*> items;
    items.reserve(qsizetype(item->Node()->ChildCount()));
    for (const auto& entry : item->Node()->Children())
        items.append(NewItem(*entry.second));
    // Display names (each asked of its node once, kept by its item) in
    // code-unit order; equal names keep the map's order.
    std::stable_sort(items.begin(), items.end(), [](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        return static_cast<const CProjectItem*>(a)->DisplayName() < static_cast<const CProjectItem*>(b)->DisplayName();
    });
    item->addChildren(items);
    item->SetPopulated(true);
}

void CProjectView::ExpandSubtree(CProjectItem* item)
{
    if (!item)
        return;
    m_expandQueue.emplace_back(indexFromItem(item));
    if (!std::exchange(m_expanding, true))
        ContinueExpanding();
}

void CProjectView::ContinueExpanding()
{
    // Raw items within a slice (nothing can delete them meanwhile), indexes
    // that follow their items between slices.
    std::vector<CProjectItem*> pending;
    for (const QPersistentModelIndex& index : m_expandQueue)
        if (CProjectItem* at = AsProjectItem(itemFromIndex(index)))
            pending.push_back(at);
    m_expandQueue.clear();
    ExpandSlice(pending);
    if (pending.empty()) {
        m_expanding = false;
        return;
    }
    for (CProjectItem* at : pending)
        m_expandQueue.emplace_back(indexFromItem(at));
    QTimer::singleShot(0, this, &CProjectView::ContinueExpanding);
}

void CProjectView::ExpandSlice(std::vector<CProjectItem*>& pending)
{
    QElapsedTimer slice;
    slice.start();
    // With a layout pending, expanding an item only notes it: the view lays
    // itself out once per slice, not once per folder.
    scheduleDelayedItemsLayout();
    for (int done = 0; !pending.empty() && (done < m_slice.itemsAtLeast || slice.elapsed() < m_slice.milliseconds);
         ++done) {
        CProjectItem* at = pending.back();
        pending.pop_back();
        Populate(at);
        if (at->childCount() == 0)
            continue;
        at->setExpanded(true);
        for (int i = at->childCount() - 1; i >= 0; --i)
            if (CProjectItem* child = AsProjectItem(at->child(i)))
                pending.push_back(child);
    }
}

void CProjectView::OnItemExpanded(QTreeWidgetItem* item)
{
    Populate(AsProjectItem(item));
}

void CProjectView::RefreshItem(CProjectItem* item)
{
    if (item)
        item->Invalidate();
}

void CProjectView::RefreshSubtree(CProjectItem* item)
{
    std::vector<CProjectItem*> pending;
    if (item)
        pending.push_back(item);
    while (!pending.empty()) {
        CProjectItem* at = pending.back();
        pending.pop_back();
        at->Invalidate();
        for (int i = 0; i < at->childCount(); ++i)
            if (CProjectItem* child = AsProjectItem(at->child(i)))
                pending.push_back(child);
    }
}

void CProjectView::DropChildren(CProjectItem* item)
{
    if (!item)
        return;
    item->setExpanded(false);
    // Deleting a parent deletes its items below it too.
    qDeleteAll(item->takeChildren());
    item->SetPopulated(false);
    RefreshItem(item);
}

void CProjectView::DropAllItems()
{
    m_expandQueue.clear();
    m_rootItem = nullptr;
    clear();
}

void CProjectView::Rebuild()
{
    DropAllItems();
    m_rootItem = InsertItem(nullptr, m_doc.GetRoot());
    Populate(m_rootItem);
    m_rootItem->setExpanded(true);
    if (currentItem() == m_rootItem)
        OnCurrentItemChanged(m_rootItem);
    else
        setCurrentItem(m_rootItem);
    SendHint(UpdateHint::NodeChanged, m_rootItem->Node(), true);
    if (m_expandAll) {
        ExpandSubtree(m_rootItem);
        scrollToItem(m_rootItem);
    }
}

void CProjectView::SendHint(int hint, CProject* node, bool othersOnly)
{
    const bool previous = m_sendingToOthers;
    m_sendingToOthers = othersOnly;
    Q_EMIT m_doc.UpdateAllViews(hint, node);
    m_sendingToOthers = previous;
}

void CProjectView::OnUpdate(int hint, CProject* object)
{
    if (m_sendingToOthers)
        return;
    if (object)
        m_current = object;
    const DispFlags flags = GlobalOptionDisp().Flags;
    m_expandAll = (flags & DispFlag::ExpandAll) != 0;
    m_settings.noInfoTips = (flags & DispFlag::HideStateExplanation) != 0;

    switch (hint) {
    case UpdateHint::FirstDisplay: {
        CWaitCursor wait;
        m_settings.showProjectState = (flags & DispFlag::ShowProjectState) != 0;
        Rebuild();
        break;
    }
    case UpdateHint::RunDone:
    case UpdateHint::Refresh: {
        CWaitCursor wait;
        RefreshSubtree(SelectedItem());
        break;
    }
    case UpdateHint::RescanAll:
        RescanAll();
        break;
    default:
        break;
    }
}

void CProjectView::OnCurrentItemChanged(QTreeWidgetItem* current)
{
    CProjectItem* item = AsProjectItem(current);
    if (!item)
        return;
    if (!item->isSelected())
        item->setSelected(true);
    m_current = item->Node();
    if (auto* project = dynamic_cast<CSyncProject*>(m_current)) {
        m_frame.ShowProjectFolderPath(project->GetFolder(0));
        m_frame.ShowTargetFolderPath(project->GetFolder(1));
    } else {
        m_frame.ShowProjectFolderPath({});
        m_frame.ShowTargetFolderPath({});
    }
    SendHint(UpdateHint::NodeChanged, m_current, true);
    m_frame.UpdateCommandStates();
}

bool CProjectView::IsOnStatePicture(QTreeWidgetItem* item, const QPoint& pos) const
{
    const QModelIndex index = indexFromItem(item);
    QStyleOptionViewItem option;
    option.initFrom(this);
    option.rect = visualRect(index);
    option.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
    option.decorationSize = CImageList::PairSize();
    option.text = item->text(0);
    option.showDecorationSelected = true;
    QRect decoration = style()->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, this);
    // The state picture is the left one of the two.
    decoration.setWidth(Strip::Size + 1);
    return decoration.contains(pos);
}

void CProjectView::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    QTreeWidgetItem* item = itemAt(pos);
    if (event->button() == Qt::RightButton) {
        // Selects the item under the pointer; the press itself does nothing else.
        if (item)
            setCurrentItem(item);
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton && item && IsOnStatePicture(item, pos)) {
        setCurrentItem(item);
        event->accept();
        return;
    }
    QTreeWidget::mousePressEvent(event);
}

void CProjectView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        SendHint(UpdateHint::ShowFiles, m_current);
        event->accept();
        return;
    case Qt::Key_Asterisk:
        ExpandSubtree(SelectedItem());
        event->accept();
        return;
    default:
        QTreeWidget::keyPressEvent(event);
    }
}

QPoint CProjectView::ContextMenuPosition(bool fromKeyboard, const QPoint& globalPos) const
{
    return fromKeyboard ? mapToGlobal(QPoint(5, 5)) : globalPos;
}

void CProjectView::contextMenuEvent(QContextMenuEvent* event)
{
    const bool fromKeyboard = event->reason() == QContextMenuEvent::Keyboard;
    std::unique_ptr<QMenu> menu = CreateContextMenu();
    QAction* chosen = menu->exec(ContextMenuPosition(fromKeyboard, event->globalPos()));
    // The command runs after the menu closed.
    if (chosen && chosen->data().isValid())
        ExecuteCommand(chosen->data().toInt());
    event->accept();
}

void CProjectView::AddMenuItems(QMenu& menu, const MenuItemDef& definition)
{
    for (const MenuItemDef& entry : definition.items) {
        if (entry.IsSeparator()) {
            menu.addSeparator();
        } else if (entry.IsSubmenu()) {
            QMenu* submenu = menu.addMenu(entry.text);
            AddMenuItems(*submenu, entry);
        } else {
            QAction* action = menu.addAction(entry.DisplayText());
            action->setData(entry.id);
            CommandState state;
            UpdateCommand(entry.id, state);
            action->setEnabled(state.enabled);
            action->setCheckable(state.checked);
            action->setChecked(state.checked);
        }
    }
}

std::unique_ptr<QMenu> CProjectView::CreateContextMenu()
{
    auto menu = std::make_unique<QMenu>(this);
    AddMenuItems(*menu, TreeContextMenuDefinition());
    return menu;
}

void CProjectView::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const
{
    if (m_settings.linesMode) {
        // Dotted lines from each item to its parent and between siblings.
        const int indent = indentation();
        const int offset = rootIsDecorated() ? 0 : 1;
        painter->save();
        QPen pen(palette().color(QPalette::Mid));
        pen.setStyle(Qt::DotLine);
        painter->setPen(pen);
        const int midY = rect.top() + rect.height() / 2;
        int level = 0;
        for (QModelIndex at = index.parent(); at.isValid(); at = at.parent())
            ++level;
        QModelIndex at = index;
        for (int depth = level; depth >= offset; --depth, at = at.parent()) {
            const int x = rect.left() + (depth - offset) * indent + indent / 2;
            const bool hasNext = at.sibling(at.row() + 1, 0).isValid();
            if (depth == level) {
                const bool first = !at.parent().isValid() && at.row() == 0;
                painter->drawLine(x, first ? midY : rect.top(), x, hasNext ? rect.bottom() : midY);
                painter->drawLine(x, midY, rect.left() + (depth - offset + 1) * indent, midY);
            } else if (hasNext) {
                painter->drawLine(x, rect.top(), x, rect.bottom());
            }
        }
        painter->restore();
    }
    QTreeWidget::drawBranches(painter, rect, index);
}
