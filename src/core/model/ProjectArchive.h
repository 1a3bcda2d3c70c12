#pragma once

#include <QString>
#include <QStringList>

class CAppProject;
class QIODevice;

// The document's archive: the root's record (its children, each as a new
// CSyncProject object with its own subtree, then the root's name), then the
// common filter selection. Both directions walk the tree without recursion.

// Deepest nesting of nodes a document may hold; deeper files are refused.
constexpr int kMaxNodeDepth = 4096;

// Writes the tree and `commonFilters`. The stored flags never carry Changed;
// the nodes in memory are not touched (see ClearChangedFlags). False when the
// device refused a write.
bool StoreDocumentArchive(QIODevice& device, const CAppProject& root, const QStringList& commonFilters);

// Clears Changed on every node below `root`: what a successful store does in memory.
void ClearChangedFlags(CAppProject& root);

// Reads a tree into `root` (which must have no children) and appends the stored
// common selection to `commonFilters`. Every node keeps the key it was stored
// under; of two siblings stored under one key both are kept, the second under
// a variant key (see CProject). A stream that ends early, names a class other
// than CSyncProject, holds a malformed, null or back-referencing tag, a string
// with a NUL character, a count larger than the rest of the stream could hold,
// or nodes nested deeper than kMaxNodeDepth is refused: false, `root` and
// `commonFilters` unchanged and `error` (when given) says what was wrong. The
// nodes' folders are not scanned.
bool LoadDocumentArchive(QIODevice& device, CAppProject& root, QStringList& commonFilters, QString* error = nullptr);
