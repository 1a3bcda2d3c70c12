#pragma once

#include "core/sync/SyncDirection.h"

#include <functional>

class CMyDoc;
class CProject;
class QWidget;

// The export or import of a tree node with the sync options dialog: a
// working copy of the node's effective options (for the root: of the global
// options, subfolders always included) is edited in the dialog and the node
// is synchronised with it, through the preview list when the user chose it.
// Going back from the preview shows the dialog again with the working copy
// as last accepted. `afterEachRun` is called after every run (the tree then
// refreshes and tells the views). Cancel clears the document's preview flag
// and ends the loop. True when at least one run executed.
bool RunSyncDialogLoop(
    QWidget* parent, CMyDoc& doc, CProject& node, SyncDirection direction, const std::function<void()>& afterEachRun);
