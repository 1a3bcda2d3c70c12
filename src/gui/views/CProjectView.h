#pragma once

#include "core/sync/SyncDirection.h"
#include "gui/shell/CommandTarget.h"
#include "gui/views/CProjectItem.h"

#include <QPersistentModelIndex>
#include <QTreeWidget>
#include <memory>
#include <vector>

class CMyDoc;
class CProject;
class CSyncProject;
class QMenu;
struct MenuItemDef;

// The left pane of the main window: the document's project tree. The root
// item stands for the whole document; below it the projects, below each
// project its subfolders. Every item shows a type picture and the status
// picture of its folder pair. The node of the selected item is the current
// node, which the commands of this view act on and which the other views
// receive in an update hint.
//
// Items are inserted when their parent is first expanded and hold their
// node; their texts and pictures are computed when first drawn and kept until
// the item is refreshed. Every change that can destroy nodes (a rescan, a
// deletion, a new document) first drops the items that show them.
class CProjectView : public QTreeWidget, public ICommandTarget
{
    Q_OBJECT

public:
    CProjectView(CMyDoc& doc, IMainFrame& frame, QWidget* parent = nullptr);
    ~CProjectView() override;

    // The node of the selected item (null until the first selection or hint with a node).
    CProject* CurrentNode() const { return m_current; }
    // The item of the document's root node.
    CProjectItem* RootItem() const { return m_rootItem; }
    // The item that shows `node`, among the items inserted so far (null for none).
    CProjectItem* ItemOf(const CProject* node) const;
    // The selected item (null for none).
    CProjectItem* SelectedItem() const;

    // An update hint of the document. Hints this view sent to the other views
    // only are not handled again.
    void OnUpdate(int hint, CProject* object);

    bool HandlesCommand(int id) const override;
    void UpdateCommand(int id, CommandState& state) override;
    void ExecuteCommand(int id) override;

    // The tree's context menu with the enable rules applied; its actions run
    // this view's commands.
    std::unique_ptr<QMenu> CreateContextMenu();
    // Where the context menu opens for a request at `globalPos`; a request
    // from the keyboard opens it at the pane's top-left corner plus 5 pixels.
    QPoint ContextMenuPosition(bool fromKeyboard, const QPoint& globalPos) const;

    const ProjectTreeSettings& Settings() const { return m_settings; }
    bool IsShowingProjectState() const { return m_settings.showProjectState; }

    // Inserts the child items of `item` if it has none yet (its first expansion).
    void Populate(CProjectItem* item);
    // Expands `item` and every item below it, inserting their children: a
    // large subtree a slice at a time, the window answering in between.
    void ExpandSubtree(CProjectItem* item);
    // Whether an ExpandSubtree is still under way.
    bool IsExpanding() const { return m_expanding; }
    // How much one slice of ExpandSubtree does: at least this many items,
    // then more until the time is up.
    void SetExpandSliceForTesting(int itemsAtLeast, int milliseconds) { m_slice = {itemsAtLeast, milliseconds}; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;

private:
    // Rebuild: one root item, expanded and selected.
    void Rebuild();
    // Drops every item (before the document's nodes go away).
    void DropAllItems();
    void OnCurrentItemChanged(QTreeWidgetItem* current);
    void OnItemExpanded(QTreeWidgetItem* item);
    // A node joined the tree during a load: its item joins its parent's
    // items, where they are shown.
    void OnFolderLoaded(CSyncProject* node);
    // A node leaves for a rescan of its own: its items go, the selection
    // moves to its parent when it was in its subtree.
    void OnProjectLeaving(CSyncProject* project);
    // Shows `node` once the rescan under way hands it back: selected, its
    // ancestors expanded, itself too with `expand`; with `tellOthers` the
    // other views are then told to show its new states.
    void AwaitRescan(CProject* node, bool expand, bool tellOthers = false);
    void RevealNode(CProject* node, bool expand);
    // The next slice of the expansions ExpandSubtree queued.
    void ContinueExpanding();
    // Expands items from the end of `pending` (with their subtrees) for one
    // slice; what is left stays in `pending`.
    void ExpandSlice(std::vector<CProjectItem*>& pending);
    // The item of `node` among the children of `parent` (null for none).
    static CProjectItem* ChildItemOf(QTreeWidgetItem* parent, const CProject* node);

    // A new item for `node`, showing whether its children are still to come.
    CProjectItem* NewItem(CProject& node) const;
    CProjectItem* InsertItem(CProjectItem* parent, CProject& node);
    // Inserts an item for `node` under `parent` at its sorted place.
    CProjectItem* InsertSorted(CProjectItem* parent, CProject& node);
    // Makes the control ask for the item's text, pictures and child count again.
    void RefreshItem(CProjectItem* item);
    // Refreshes `item` and every item below it that exists.
    void RefreshSubtree(CProjectItem* item);
    // Deletes the item's child items and refreshes it; it is populated again
    // when next expanded (at once when it is expanded now).
    void DropChildren(CProjectItem* item);

    // Sends a hint to every view; with `othersOnly` this view ignores it.
    void SendHint(int hint, CProject* node, bool othersOnly = false);
    // Whether the picture press at `pos` lies on an item's state picture.
    bool IsOnStatePicture(QTreeWidgetItem* item, const QPoint& pos) const;

    // Commands (CProjectViewCommands.cpp).
    CSyncProject* CurrentProject() const;
    bool ExportImportEnabled() const;
    void CreateProject();
    void ShowFileSyncState();
    void ToggleProjectSyncState();
    void RefreshAll();
    // Rescans every project on the document's worker; the tree fills as they come back.
    void RescanAll();
    void RunSync(SyncDirection direction, bool all);
    void ToggleNoSync();
    void ToggleNoSubfolderSearch();
    void DisableFolderAndBelow();
    void DeleteProject();
    void DeleteFolder();
    void EditProperties();
    void OpenFolders(bool project, bool target);
    void ShowFolderProperties(bool project, bool target);
    void AddMenuItems(QMenu& menu, const MenuItemDef& definition);

    CMyDoc& m_doc;
    IMainFrame& m_frame;
    ProjectTreeSettings m_settings;
    bool m_expandAll = false;
    // The items ExpandSubtree has still to expand, and whether it is under way.
    std::vector<QPersistentModelIndex> m_expandQueue;
    bool m_expanding = false;
    // A small subtree is expanded at once; a large one a slice at a time, the
    // window answering in between.
    struct
    {
        int itemsAtLeast = 2000;
        int milliseconds = 40;
    } m_slice;
    CProjectItem* m_rootItem = nullptr;
    CProject* m_current = nullptr;
    bool m_sendingToOthers = false;
    bool m_rescanning = false; // a rescan of every project this view started is under way
    // The node to show once the rescan of its subtree ends (null for none),
    // whether to expand it, and whether it has come back.
    CProject* m_awaited = nullptr;
    bool m_awaitedExpand = false;
    bool m_awaitedBack = false;
    bool m_awaitedTell = false;
};
