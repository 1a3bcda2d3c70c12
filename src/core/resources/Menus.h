#pragma once

#include <QString>
#include <vector>

// The menus of the program as data: the main menu bar, the context menus of
// the two views and the tray menu. The frame and the views create their
// QMenus and QActions from these trees, so that texts, ids and order are kept
// in one place.
struct MenuItemDef
{
    int id = 0; // command id; 0 for a separator or a submenu
    QString text; // with its "&" mnemonic, without the accelerator
    QString accelerator; // the key shown after the text ("Ctrl+N", portable QKeySequence text), or empty
    std::vector<MenuItemDef> items; // the entries of a submenu

    bool IsSeparator() const { return id == 0 && text.isEmpty(); }
    bool IsSubmenu() const { return id == 0 && !text.isEmpty(); }
    // The text as a menu shows it: the text, then a tab and the accelerator.
    QString DisplayText() const;

    static MenuItemDef Command(int id, const QString& text, const QString& accelerator = {});
    static MenuItemDef Separator();
    static MenuItemDef Submenu(const QString& text, std::vector<MenuItemDef> items);
};

// The menus of the menu bar, left to right: each a submenu item.
std::vector<MenuItemDef> MainMenuDefinition();

// The context menu of the project tree.
MenuItemDef TreeContextMenuDefinition();
// The context menu of the file list's rows.
MenuItemDef FileListContextMenuDefinition();
// The context menu of the file list's column header.
MenuItemDef HeaderContextMenuDefinition();
// The tray menu; its first entry is the default item (shown bold, run by a double-click).
MenuItemDef TrayMenuDefinition();

// One key of the main window's accelerator table.
struct AcceleratorDef
{
    QString key; // portable QKeySequence text
    int id; // the command the key issues
    bool handled; // false for the standard editing keys, whose commands have no handler
};

std::vector<AcceleratorDef> MainAccelerators();

// Finds the first item with command `id` in a menu tree (nullptr for none).
const MenuItemDef* FindMenuItem(const std::vector<MenuItemDef>& menus, int id);
