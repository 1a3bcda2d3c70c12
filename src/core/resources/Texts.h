#pragma once

#include <QString>

// The program's own texts: the string table (command prompts included) and
// the menu texts of the commands.

// A string table entry by id: a string of ResourceIds.h (Str::…) or a command
// id. A command's entry holds its status-bar prompt, then a line break and its
// tooltip. Empty for an id without an entry.
QString LoadString(int id);

// The status-bar prompt of a command (the entry's first line; empty for none).
QString CommandPrompt(int id);
// The tooltip of a command (the entry's second line; empty for none).
QString CommandTooltip(int id);
// The text of a command in the main menu (with its "&" mnemonic, without the
// accelerator); for a command that only a context or tray menu carries, its
// text there. Empty for an id that no menu carries.
QString CommandText(int id);

// The object name that a widget of control `id` carries ("1008").
inline QString IdName(int id)
{
    return QString::number(id);
}

namespace Txt {
// Shown by a path bar that has no path.
inline QString NotSet()
{
    return QStringLiteral("設定されていません");
}
// Drawn into a file list without rows.
inline QString EmptyList()
{
    return QStringLiteral("このビューに表示するアイテムはありません");
}
// The status-bar text when no command prompt applies.
inline QString Ready()
{
    return QStringLiteral("レディ");
}
} // namespace Txt
