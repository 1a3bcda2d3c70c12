#pragma once

#include <QString>
#include <QStringList>

class CProject;
class CSyncProject;

// The root folders of a node's pair: the folders below which no link is ever
// followed. A subfolder node's folder lies in its top-level project's folder,
// which is then its root; a node whose folder the user set elsewhere has the
// folder of the highest node that the folders below it derive from (each
// lying directly in its parent node's folder), itself at least.
QString RootFolderOf(const CSyncProject& node, int side);
// Both root folders of `node` (empty ones left out).
QStringList RootFoldersOf(const CSyncProject& node);
// The root folders of every node below `top` (the document's root: of all
// projects), without repeats.
QStringList RootFoldersBelow(const CProject& top);
