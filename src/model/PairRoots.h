#pragma once

#include <QString>
#include <QStringList>

class CProject;
class CSyncProject;

// The root folders of a node's pair: the folders below which no link is ever
// followed. A subfolder node's folder lies directly in its parent node's
// folder, so the root of a side is the folder of the highest node reached
// through such nodes (the top-level project's folder); a node whose folder
// was set by the user elsewhere is a root of its own.
QString RootFolderOf(const CSyncProject& node, int side);
// Both root folders of `node` (empty ones left out).
QStringList RootFoldersOf(const CSyncProject& node);
// The root folders of every node below `top` (the document's root: of all
// projects), without repeats.
QStringList RootFoldersBelow(const CProject& top);
