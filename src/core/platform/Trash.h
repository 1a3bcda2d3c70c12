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

// How TrashEntryAt takes an entry.
enum class TrashWay {
    Move, // renamed into the trash
    // A second name (a hard link) in the trash while it stays in place, for a
    // file that is replaced next: the file never leaves its place before the
    // new one takes it. Not for folders; fails where the file system has no
    // hard links for it.
    KeepInPlace,
};
// The entry `name` of the open folder `folderFd` into the trash; `text`
// names it in messages.
bool TrashEntryAt(
    int folderFd, const QByteArray& name, const QString& text, TrashWay way, QString* error, QString* trashedAs);
// Whether `item` looks like an item of a trash (an absolute path in its "files" folder).
bool IsTrashItemPath(const QString& item);
// Removes the trash item `trashedAs` and its info file (a second name that was not needed).
void DropFromTrash(const QString& trashedAs);
// Puts the trash item `trashedAs` (a path MoveToTrash gave) back as `place`,
// with its times, and removes its info file: only where nothing is, or with
// `replace` over the entry that is there (never a folder with content). The
// item is renamed, never copied: it fails when it would have to cross file systems.
bool RestoreFromTrash(const QString& trashedAs, const RootedPath& place, bool replace, QString* error);
// The same for the entry `name` of the open folder `folderFd`; `error` gets the system's text alone.
bool RestoreFromTrashAt(const QString& trashedAs, int folderFd, const QByteArray& name, bool replace, QString* error);
// Puts the trash item `trashedAs` in the place of the file at `place`, which
// goes to the trash itself (`currentTrashedAs`): it first gets a second name
// in the trash and the item is then renamed over it, so that the place is
// never without a file (where the file system has no hard link for it, the
// file is moved to the trash and the item renamed into the free place, and
// the file put back should that fail).
bool SwapWithTrash(const QString& trashedAs, const RootedPath& place, QString* currentTrashedAs, QString* error);
