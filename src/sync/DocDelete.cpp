// The document's delete command: the file list and the tree delete the paths
// the user ticked in their delete dialogs.

#include "model/CMyDoc.h"
#include "model/PairRoots.h"
#include "sync/CFileOperation.h"
#include "sync/CSyncRun.h"

bool CMyDoc::DeletePaths(const QStringList& paths, bool recycle)
{
    quint32 flags = 0;
    if (recycle) {
        // The trash takes nothing from network and removable media: ask once before going on.
        if (!ConfirmRecycleBinPaths(paths))
            return false;
        flags |= FOF_ALLOWUNDO;
    }
    CFileOperation operation(CSyncRun::DefaultObserver());
    operation.SetRoots(CPairRoots(RootFoldersBelow(GetRoot())));
    return operation.DeleteItems(paths, flags);
}
