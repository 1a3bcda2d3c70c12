#pragma once

#include "core/platform/FolderHandles.h"

#include <QString>

// The desktop's trash (the freedesktop.org trash layout), written on the
// bytes of the names so that every name can be trashed and restored.
//
// An item on the file system of the home trash ($XDG_DATA_HOME/Trash,
// default ~/.local/share/Trash) goes there, reached through the item's own
// mount (a bind mount of the home file system shows it under another path);
// an item on another file system, or on a mount that does not show the home
// trash, goes to the trash at the top of its mount ($topdir/.Trash/$uid when
// the administrator provided a sticky .Trash folder, else $topdir/.Trash-$uid,
// created when missing). The item is only ever renamed into the trash, never
// copied: when no trash on its file system can take it, the move fails and
// the item stays where it is. A name too long to leave room for its info
// file is stored under a shorter unique name; the info file records the
// original path.

// Moves a file, a link (never followed) or a folder with its contents to the
// trash, with an info file that names its original place. `trashedAs`
// receives the path of the item inside the trash.
bool MoveToTrash(const QString& path, QString* error, QString* trashedAs = nullptr);
// The same for an entry below a root: no link below the root is followed.
bool MoveToTrash(const RootedPath& path, QString* error, QString* trashedAs = nullptr);
