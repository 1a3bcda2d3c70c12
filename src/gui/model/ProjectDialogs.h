#pragma once

class CAppProject;
class CSyncProject;
class QWidget;

// The create-project dialog: checks the folders on OK and creates the
// project under `root` (scanned, with the common settings). A folder name
// that a project already has is reported and the dialog comes back with its
// entries. Null when the user cancelled. The caller inserts the tree item.
CSyncProject* RunCreateProjectDialog(QWidget* parent, CAppProject& root);

// The property sheet of `node` (a project or a subfolder node): true when
// the node was changed (its subtree may have been rebuilt: the caller
// rebuilds the node's tree item). When the common settings were confirmed
// from one of its pages, the rescan question follows once the caller is
// done (queued on the document).
bool EditProjectProperties(QWidget* parent, CSyncProject& node);
