#pragma once

#include <QString>

class CProject;
class CSyncProject;

// Nodes named by the path of display names from the top-level project down
// ("Proj/sub/deeper"), as the command-line tool and the sheet's title name them.
// Names are matched as keys (letter case ignored); empty components are skipped.
// A custom name that itself contains "/" is matched too, preferring the shortest
// name that leads to a node.

// The node at `path` below `root` (`root` itself for an empty path), or null.
CProject* FindNodeByDisplayPath(CProject& root, const QString& path);

// The path of display names of `node` ("Proj/sub"), without a leading "/".
QString DisplayPathOf(const CSyncProject& node);
