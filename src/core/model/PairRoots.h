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
// RootFolderOf for a node below `parent`, from the folders alone: `parentRoot`
// is the parent's root on that side and `projectFolder` the folder of their
// top-level project on that side. For a node held apart from its ancestors.
QString ChildRootFolder(
    const QString& folder, const QString& parentFolder, const QString& parentRoot, const QString& projectFolder);
// Both root folders of `node` (empty ones left out).
QStringList RootFoldersOf(const CSyncProject& node);
// The root folders of every node below `top` (the document's root: of all
// projects), without repeats.
QStringList RootFoldersBelow(const CProject& top);
