#pragma once

class CMyDoc;
class CSyncProject;
class QWidget;

// The create-project dialog: checks the folders on OK and creates the
// project (with the common settings), which the document then scans on its
// worker (CMyDoc::BeginAddProject): it joins the tree folder by folder. A
// folder name that a project already has is reported and the dialog comes
// back with its entries. Null when the user cancelled; else the project
// being scanned, not to be read before the document's rescan has ended.
CSyncProject* RunCreateProjectDialog(QWidget* parent, CMyDoc& doc);

// The property sheet of `node` (a project or a subfolder node): true when
// the node was changed; its subtree is then rescanned on the document's
// worker (CMyDoc::BeginRescan(node)): the node leaves the tree and comes
// back folder by folder. When the common settings were confirmed
// from one of its pages, the rescan question follows once the caller is
// done (queued on the document).
bool EditProjectProperties(QWidget* parent, CSyncProject& node);
